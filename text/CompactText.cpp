#include "text/CompactText.h"

#include <cstring>

// The four replacements, each a single left-to-right pass over the result of the one
// before, are done here in one pass over the tail:
//  1. "\r\n\r\n" -> "\r\n": a run of k line breaks becomes (k + 1) / 2 of them.
//  2. "\r\n " -> "\r\n" until none is left: blanks after a line break go.
//  3. "\r\n\"" -> "\"" and 4. "\r\n_" -> "_": a line break that (after 1 and 2) is
//     followed by '"' or '_' goes. Only the last break of a run can be, because the
//     others are followed by another break; removing one never puts a '"' or '_'
//     behind another break, so the order of 3 and 4 needs no second look.
// The result is written in place; it is never longer than what was read.
void CompactDataSection(std::string& text)
{
    const std::size_t a = text.find("\ndata:");
    std::size_t r = a == std::string::npos ? 0 : a + 1;
    char* data = text.data();
    const std::size_t n = text.size();
    std::size_t w = r;
    while (r < n) {
        const void* cr = std::memchr(data + r, '\r', n - r);
        const std::size_t h = cr ? static_cast<const char*>(cr) - data : n;
        if (w != r)
            std::memmove(data + w, data + r, h - r);
        w += h - r;
        r = h;
        if (!cr)
            break;
        if (h + 1 >= n || data[h + 1] != '\n') {
            data[w++] = '\r';
            r = h + 1;
            continue;
        }
        std::size_t q = h, breaks = 0;
        while (q + 1 < n && data[q] == '\r' && data[q + 1] == '\n') {
            q += 2;
            ++breaks;
        }
        for (std::size_t i = 1; i < (breaks + 1) / 2; ++i) {
            data[w++] = '\r';
            data[w++] = '\n';
        }
        while (q < n && data[q] == ' ')
            ++q;
        if (q >= n || (data[q] != '"' && data[q] != '_')) {
            data[w++] = '\r';
            data[w++] = '\n';
        }
        r = q;
    }
    text.resize(w);
}
