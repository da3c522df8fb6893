#pragma once
// Display lines of a TextBuffer wrapped at a given width by a text measure: which text
// line and which wrapped piece of it each display line shows, and back.
#include <cstddef>
#include <vector>

#include "text/TextBuffer.h"
#include "text/TextWrap.h"

class TextLayout {
public:
    // Lays the buffer out again at `width` as `measure` measures it; the buffer and the
    // measure must outlive the layout (not owned).
    void reset(const TextBuffer* buffer, const TextMeasure* measure, double width);
    // The same in columns of a fixed-pitch font.
    void reset(const TextBuffer* buffer, int columns);
    // The buffer has grown at its end: lays out its new lines and its last old one
    // (which may have grown too), keeping the rest.
    void extend();
    double width() const { return m_width; }
    const TextMeasure& measure() const { return *m_measure; }

    std::size_t displayLineCount() const { return m_first.empty() ? 1 : m_first.back(); }
    // First display line of text line `line`.
    std::size_t firstDisplayLine(std::size_t line) const { return m_first[line]; }

    struct Position {
        std::size_t line = 0;      // text line
        WrapSegment segment;       // byte range within the line
        std::size_t lineStart = 0; // offset of the line in the buffer
    };
    // The text line and piece shown on display line `d` (clamped to the last one).
    Position displayLine(std::size_t d) const;
    // The display line that shows byte offset `offset` of the buffer.
    std::size_t displayLineOfOffset(std::size_t offset) const;

private:
    // The pieces of text line `line`; the last long line asked for is kept, because the
    // compacted data section can join a whole variable into one line of megabytes.
    const std::vector<WrapSegment>& segmentsOf(std::size_t line) const;

    const TextBuffer* m_buffer = nullptr;                      // not owned
    const TextMeasure* m_measure = &ColumnMeasure::instance(); // not owned
    double m_width = 80;
    std::vector<std::size_t> m_first; // display line where each text line starts; one extra at the end
    mutable std::size_t m_cachedLine = static_cast<std::size_t>(-1);
    mutable std::vector<WrapSegment> m_cachedSegments;
};
