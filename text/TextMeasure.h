#pragma once
// How wide each character of a text line is drawn: the one measure that wrapping,
// painting, the caret, hit testing and selection share. The engine stays free of any
// drawing library; the view implements the measure with its font's real advances.
#include <array>
#include <cstddef>
#include <string_view>

class TextMeasure {
public:
    virtual ~TextMeasure() = default;

    // Advance of the character at line[i] of `len` bytes (a UTF-8 sequence, or one byte
    // that is not valid UTF-8). A tab is not a character here: see tabStop().
    double advance(std::string_view line, std::size_t i, std::size_t len) const
    {
        const auto b = static_cast<unsigned char>(line[i]);
        return b < 0x80 ? m_ascii[b] : wideAdvance(line.substr(i, len));
    }
    double asciiAdvance(unsigned char c) const { return m_ascii[c & 0x7F]; }
    // The widest printable ASCII character (blank to '~'): a line of n such characters
    // is at most n times this wide.
    double maxAsciiAdvance() const { return m_maxAscii; }
    // A tab advances to the next multiple of this from the start of the display line.
    double tabStop() const { return m_tabStop; }

protected:
    // Advance of one character that is not ASCII (or of a byte that is not valid UTF-8).
    virtual double wideAdvance(std::string_view ch) const = 0;
    // Sets the ASCII table (control characters included) and the tab stop.
    void setAscii(const std::array<double, 128>& widths, double tabStop);

private:
    std::array<double, 128> m_ascii{};
    double m_maxAscii = 1;
    double m_tabStop = 8;
};

// Every character one column wide and tabs every 8 columns: the fixed-pitch measure in
// columns, used where a width is counted in characters.
class ColumnMeasure : public TextMeasure {
public:
    ColumnMeasure();
    static const ColumnMeasure& instance();

protected:
    double wideAdvance(std::string_view) const override { return 1.0; }
};
