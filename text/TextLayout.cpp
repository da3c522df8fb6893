#include "text/TextLayout.h"

#include <algorithm>

void TextLayout::reset(const TextBuffer* buffer, int columns)
{
    reset(buffer, &ColumnMeasure::instance(), columns < 1 ? 1 : columns);
}

void TextLayout::reset(const TextBuffer* buffer, const TextMeasure* measure, double width)
{
    m_buffer = buffer;
    m_measure = measure;
    m_width = width;
    const std::size_t lines = buffer->lineCount();
    m_first.assign(lines + 1, 0);
    std::size_t d = 0;
    for (std::size_t i = 0; i < lines; ++i) {
        m_first[i] = d;
        d += CountDisplayLines(buffer->lineText(i), *m_measure, m_width);
    }
    m_first[lines] = d;
    m_cachedLine = static_cast<std::size_t>(-1);
    m_cachedSegments.clear();
}

void TextLayout::extend()
{
    if (!m_buffer || m_first.empty())
        return;
    const std::size_t from = m_first.size() - 2; // the last line laid out
    const std::size_t lines = m_buffer->lineCount();
    std::size_t d = m_first[from];
    m_first.resize(lines + 1);
    for (std::size_t i = from; i < lines; ++i) {
        m_first[i] = d;
        d += CountDisplayLines(m_buffer->lineText(i), *m_measure, m_width);
    }
    m_first[lines] = d;
    if (m_cachedLine != static_cast<std::size_t>(-1) && m_cachedLine >= from) {
        m_cachedLine = static_cast<std::size_t>(-1);
        m_cachedSegments.clear();
    }
}

const std::vector<WrapSegment>& TextLayout::segmentsOf(std::size_t line) const
{
    if (line != m_cachedLine) {
        WrapLine(m_buffer->lineText(line), *m_measure, m_width, m_cachedSegments);
        m_cachedLine = line;
    }
    return m_cachedSegments;
}

TextLayout::Position TextLayout::displayLine(std::size_t d) const
{
    Position pos;
    if (!m_buffer)
        return pos;
    if (d >= displayLineCount())
        d = displayLineCount() - 1;
    auto it = std::upper_bound(m_first.begin(), m_first.end() - 1, d);
    pos.line = static_cast<std::size_t>(it - m_first.begin()) - 1;
    pos.lineStart = m_buffer->lineStart(pos.line);
    const std::string_view text = m_buffer->lineText(pos.line);
    const std::size_t piece = d - m_first[pos.line];
    if (piece == 0 && m_first[pos.line + 1] - m_first[pos.line] == 1) {
        pos.segment = {0, text.size()};
        return pos;
    }
    const std::vector<WrapSegment>& segs = segmentsOf(pos.line);
    pos.segment = segs[std::min(piece, segs.size() - 1)];
    return pos;
}

std::size_t TextLayout::displayLineOfOffset(std::size_t offset) const
{
    if (!m_buffer)
        return 0;
    const std::size_t line = m_buffer->lineOfOffset(offset);
    const std::size_t count = m_first[line + 1] - m_first[line];
    if (count == 1)
        return m_first[line];
    const std::size_t rel = offset - m_buffer->lineStart(line);
    const std::vector<WrapSegment>& segs = segmentsOf(line);
    // The piece whose start is the last one at or before the offset.
    auto it = std::upper_bound(segs.begin(), segs.end(), rel,
                               [](std::size_t v, const WrapSegment& s) { return v < s.begin; });
    const std::size_t k = it == segs.begin() ? 0 : static_cast<std::size_t>(it - segs.begin()) - 1;
    return m_first[line] + k;
}
