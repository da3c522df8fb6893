#pragma once
// Word wrap for a fixed-pitch font: one routine decides where a text line breaks into
// display lines, and the line counting, painting, hit testing and printing all use it.
// Every character takes one column; a tab advances to the next multiple of 8 columns
// (counted from the start of the display line). A line breaks after the last blank
// that fits; blanks may run past the right edge; a word longer than the width breaks
// where the width ends.
#include <cstddef>
#include <string_view>
#include <vector>

// Byte range [begin, end) of a text line shown on one display line.
struct WrapSegment {
    std::size_t begin = 0;
    std::size_t end = 0;
};

constexpr int kTabColumns = 8;

// Splits `line` (no line break in it) into display lines of at most `columns` columns.
// An empty line gives one empty segment.
void WrapLine(std::string_view line, int columns, std::vector<WrapSegment>& out);

// The number of display lines WrapLine gives, with a quick answer for short lines.
std::size_t CountDisplayLines(std::string_view line, int columns);

// Column of the character boundary at byte `offset` within segment `seg` of `line`.
int ColumnOfOffset(std::string_view line, WrapSegment seg, std::size_t offset);

// Byte offset of the character boundary nearest to `column` within segment `seg`.
std::size_t OffsetOfColumn(std::string_view line, WrapSegment seg, int column);
