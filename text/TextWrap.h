#pragma once
// Word wrap by a text measure: one routine decides where a text line breaks into
// display lines, and the line counting, painting, caret, hit testing, selection and
// printing all use it with the same measure, so what is drawn is what is counted.
// A tab advances to the next tab stop (counted from the start of the display line).
// A line breaks after the last blank that fits; blanks may run past the right edge; a
// word wider than the width breaks where the width ends.
#include <cstddef>
#include <string_view>
#include <vector>

#include "text/TextMeasure.h"
#include "text/Utf8Char.h"

// Byte range [begin, end) of a text line shown on one display line.
struct WrapSegment {
    std::size_t begin = 0;
    std::size_t end = 0;
};

constexpr int kTabColumns = 8;

// Where a tab that starts at `x` ends.
inline double TabEnd(double x, double tabStop)
{
    const auto stops = static_cast<long long>(x / tabStop + 1e-9);
    return static_cast<double>(stops + 1) * tabStop;
}

// Calls f(offset, length, x, advance) for each character of `seg`, x counted from the
// segment's start: the positions that painting and hit testing use.
template <class F>
void ForEachCharacter(std::string_view line, WrapSegment seg, const TextMeasure& measure, F&& f)
{
    double x = 0;
    for (std::size_t i = seg.begin; i < seg.end;) {
        const std::size_t len = Utf8CharLength(line, i);
        const double adv = line[i] == '\t' ? TabEnd(x, measure.tabStop()) - x : measure.advance(line, i, len);
        f(i, len, x, adv);
        x += adv;
        i += len;
    }
}

// Splits `line` (no line break in it) into display lines at most `width` wide.
// An empty line gives one empty segment.
void WrapLine(std::string_view line, const TextMeasure& measure, double width, std::vector<WrapSegment>& out);
// The number of display lines WrapLine gives, with a quick answer for short lines.
std::size_t CountDisplayLines(std::string_view line, const TextMeasure& measure, double width);

// Distance from the segment's start to the character boundary at byte `offset`.
double XOfOffset(std::string_view line, WrapSegment seg, std::size_t offset, const TextMeasure& measure);
// Byte offset of the character boundary nearest to `x` within segment `seg`.
std::size_t OffsetOfX(std::string_view line, WrapSegment seg, double x, const TextMeasure& measure);

// The same in columns of a fixed-pitch font (every character one column).
void WrapLine(std::string_view line, int columns, std::vector<WrapSegment>& out);
std::size_t CountDisplayLines(std::string_view line, int columns);
int ColumnOfOffset(std::string_view line, WrapSegment seg, std::size_t offset);
std::size_t OffsetOfColumn(std::string_view line, WrapSegment seg, int column);
