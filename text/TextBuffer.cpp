#include "text/TextBuffer.h"

#include <algorithm>
#include <cstring>

#include "text/Utf8Char.h"

void TextBuffer::setText(std::string text)
{
    m_text = std::move(text);
    m_lineStarts.clear();
    m_lineStarts.shrink_to_fit();
    // Count first so the index is allocated once at its final size.
    const char* data = m_text.data();
    const std::size_t n = m_text.size();
    std::size_t lines = 1;
    for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, '\n', data + n - p))); ++p)
        ++lines;
    m_lineStarts.reserve(lines);
    m_lineStarts.push_back(0);
    for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, '\n', data + n - p))); ++p)
        m_lineStarts.push_back(static_cast<std::size_t>(p - data) + 1);
}

void TextBuffer::adopt(std::string text, std::vector<std::size_t> lineStarts)
{
    m_text = std::move(text);
    m_lineStarts = std::move(lineStarts);
    if (m_lineStarts.empty())
        m_lineStarts.push_back(0);
}

void TextBuffer::append(std::string_view bytes, const std::vector<std::size_t>& newLineStarts)
{
    m_text.append(bytes);
    m_lineStarts.insert(m_lineStarts.end(), newLineStarts.begin(), newLineStarts.end());
}

std::size_t TextBuffer::lineEnd(std::size_t line) const
{
    if (line + 1 >= m_lineStarts.size())
        return m_text.size();
    std::size_t end = m_lineStarts[line + 1] - 1; // at the LF
    if (end > m_lineStarts[line] && m_text[end - 1] == '\r')
        --end;
    return end;
}

std::string_view TextBuffer::lineText(std::size_t line) const
{
    const std::size_t b = m_lineStarts[line];
    return std::string_view(m_text).substr(b, lineEnd(line) - b);
}

std::size_t TextBuffer::lineOfOffset(std::size_t offset) const
{
    auto it = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), offset);
    return static_cast<std::size_t>(it - m_lineStarts.begin()) - 1;
}

std::size_t TextBuffer::nextBoundary(std::size_t offset) const
{
    if (offset >= m_text.size())
        return m_text.size();
    const std::size_t line = lineOfOffset(offset);
    if (offset >= lineEnd(line)) // at the line break: step over CR LF together
        return line + 1 < m_lineStarts.size() ? m_lineStarts[line + 1] : m_text.size();
    return offset + Utf8CharLength(m_text, offset);
}

std::size_t TextBuffer::prevBoundary(std::size_t offset) const
{
    if (offset == 0)
        return 0;
    offset = std::min(offset, m_text.size());
    const std::size_t line = lineOfOffset(offset);
    if (offset == m_lineStarts[line])
        return lineEnd(line - 1);
    // Walk from the line start so invalid bytes count exactly as the layout counts them.
    const std::string_view s(m_text);
    std::size_t p = m_lineStarts[line];
    // Long lines: start a little before the offset at a byte that is not a continuation.
    if (offset - p > 64) {
        std::size_t q = offset - 8;
        while (q > p && IsUtf8Continuation(s[q]))
            --q;
        p = q;
    }
    std::size_t prev = p;
    while (p < offset) {
        prev = p;
        p += Utf8CharLength(s, p);
    }
    return prev;
}
