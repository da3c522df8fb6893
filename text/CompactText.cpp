#include "text/CompactText.h"

#include <algorithm>
#include <cstring>

// The four replacements, each a single left-to-right pass over the result of the one
// before, are done here in one pass over the tail:
//  1. "\r\n\r\n" -> "\r\n": a run of k line breaks becomes (k + 1) / 2 of them.
//  2. "\r\n " -> "\r\n" until none is left: blanks after a line break go.
//  3. "\r\n\"" -> "\"" and 4. "\r\n_" -> "_": a line break that (after 1 and 2) is
//     followed by '"' or '_' goes. Only the last break of a run can be, because the
//     others are followed by another break; removing one never puts a '"' or '_'
//     behind another break, so the order of 3 and 4 needs no second look.
void CompactDataSection(std::string& text)
{
    StreamCompactor compactor;
    compactor.feed(text);
    std::string().swap(text);
    compactor.finish();
    text = std::move(compactor.text());
}

void StreamCompactor::put(const char* p, std::size_t n)
{
    if (n == 0)
        return;
    const std::size_t base = m_taken + m_out.size();
    m_out.append(p, n);
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\n', p + n - q))); ++q)
        m_lineStarts.push_back(base + static_cast<std::size_t>(q - p) + 1);
}

void StreamCompactor::feed(std::string_view piece)
{
    m_in.append(piece);
    if (!m_inData) {
        // Until "data:" shows, nothing is written: without it the whole text is compacted.
        const std::size_t a = m_in.find("\ndata:", m_searched);
        if (a == std::string::npos) {
            m_searched = m_in.size() > 5 ? m_in.size() - 5 : 0;
            return;
        }
        put(m_in.data(), a + 1);
        m_pos = a + 1;
        m_inData = true;
    }
    compact(false);
}

void StreamCompactor::takeReady(std::string& text, std::vector<std::size_t>& starts, std::size_t most)
{
    const std::size_t n = std::min(most, m_out.size());
    text.append(m_out, 0, n);
    const std::size_t end = m_taken + n; // a line may start right after the part taken
    std::size_t used = 0;
    for (; used < m_lineStarts.size() && m_lineStarts[used] <= end; ++used)
        if (m_lineStarts[used] != 0)
            starts.push_back(m_lineStarts[used]);
    m_lineStarts.erase(m_lineStarts.begin(), m_lineStarts.begin() + static_cast<std::ptrdiff_t>(used));
    m_out.erase(0, n);
    m_taken = end;
}

void StreamCompactor::finish()
{
    m_inData = true; // no "data:" at all: the whole text is compacted
    compact(true);
    m_in.clear();
    m_pos = 0;
}

void StreamCompactor::compact(bool final)
{
    const char* data = m_in.data();
    const std::size_t n = m_in.size();
    std::size_t r = m_pos;
    while (r < n) {
        const void* cr = std::memchr(data + r, '\r', n - r);
        const std::size_t h = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : n;
        put(data + r, h - r);
        r = h;
        if (!cr)
            break;
        // A run of line breaks and the blanks after it: its outcome depends on the byte
        // after the run, so a run that reaches the end waits for more text.
        std::size_t q = h, breaks = 0;
        while (q + 1 < n && data[q] == '\r' && data[q + 1] == '\n') {
            q += 2;
            ++breaks;
        }
        std::size_t next = q;
        while (next < n && data[next] == ' ')
            ++next;
        if (!final && (next >= n || (breaks == 0 && h + 1 >= n) || (q + 1 == n && data[q] == '\r')))
            break;
        if (breaks == 0) {
            put("\r", 1);
            r = h + 1;
            continue;
        }
        for (std::size_t i = 1; i < (breaks + 1) / 2; ++i)
            put("\r\n", 2);
        if (next >= n || (data[next] != '"' && data[next] != '_'))
            put("\r\n", 2);
        r = next;
    }
    // What is written out is dropped, so the held-back bytes stay few.
    m_in.erase(0, r);
    m_pos = 0;
}
