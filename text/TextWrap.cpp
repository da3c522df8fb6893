#include "text/TextWrap.h"

#include <cstring>

#include "text/Utf8Char.h"

namespace {

int Advance(char c, int col)
{
    return c == '\t' ? (col / kTabColumns + 1) * kTabColumns : col + 1;
}

int ColumnsBetween(std::string_view line, std::size_t from, std::size_t to)
{
    int col = 0;
    for (std::size_t i = from; i < to; i += Utf8CharLength(line, i))
        col = Advance(line[i], col);
    return col;
}

} // namespace

void WrapLine(std::string_view line, int columns, std::vector<WrapSegment>& out)
{
    out.clear();
    if (columns < 1)
        columns = 1;
    const std::size_t n = line.size();
    std::size_t segStart = 0;
    std::size_t lastBreak = 0; // start of the word after the last blank, 0: none
    int col = 0;
    std::size_t i = 0;
    while (i < n) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            col = Advance(c, col);
            ++i;
            lastBreak = i;
            continue;
        }
        if (col + 1 > columns && i > segStart) {
            const std::size_t brk = lastBreak > segStart ? lastBreak : i;
            out.push_back({segStart, brk});
            segStart = brk;
            lastBreak = 0;
            col = ColumnsBetween(line, segStart, i);
            continue;
        }
        col += 1;
        i += Utf8CharLength(line, i);
    }
    out.push_back({segStart, n});
}

std::size_t CountDisplayLines(std::string_view line, int columns)
{
    // A character never takes more columns than bytes, except a tab.
    if (line.size() <= static_cast<std::size_t>(columns < 1 ? 1 : columns)
        && !std::memchr(line.data(), '\t', line.size()))
        return 1;
    thread_local std::vector<WrapSegment> segs;
    WrapLine(line, columns, segs);
    return segs.size();
}

int ColumnOfOffset(std::string_view line, WrapSegment seg, std::size_t offset)
{
    if (offset < seg.begin)
        offset = seg.begin;
    if (offset > seg.end)
        offset = seg.end;
    return ColumnsBetween(line, seg.begin, offset);
}

std::size_t OffsetOfColumn(std::string_view line, WrapSegment seg, int column)
{
    int col = 0;
    std::size_t i = seg.begin;
    while (i < seg.end) {
        const int next = Advance(line[i], col);
        if (column < col + (next - col + 1) / 2)
            return i;
        col = next;
        i += Utf8CharLength(line, i);
    }
    return seg.end;
}
