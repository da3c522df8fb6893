#include "text/TextWrap.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Rounding slack: a line of characters that adds up to the width exactly still fits.
constexpr double kSlack = 1e-6;

// Whether every byte of `line` is a printable ASCII character (blank to '~'), eight
// bytes at a time: the line-counting pass reads every byte of the text.
bool PrintableAscii(std::string_view line)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    std::size_t i = 0;
    for (; i + 8 <= line.size(); i += 8) {
        std::uint64_t x = 0;
        std::memcpy(&x, line.data() + i, 8);
        const std::uint64_t below = (x - ones * 0x20) & ~x; // some byte < 0x20 (or >= 0x80)
        const std::uint64_t del = x ^ (ones * 0x7F);
        const std::uint64_t isDel = (del - ones) & ~del; // some byte == 0x7F
        if ((x | below | isDel) & highs)
            return false;
    }
    for (; i < line.size(); ++i)
        if (line[i] < ' ' || line[i] > '~')
            return false;
    return true;
}

double WidthBetween(std::string_view line, std::size_t from, std::size_t to, const TextMeasure& measure)
{
    double x = 0;
    ForEachCharacter(line, {from, to}, measure, [&](std::size_t, std::size_t, double, double adv) { x += adv; });
    return x;
}

} // namespace

void WrapLine(std::string_view line, const TextMeasure& measure, double width, std::vector<WrapSegment>& out)
{
    out.clear();
    const std::size_t n = line.size();
    std::size_t segStart = 0;
    std::size_t lastBreak = 0; // start of the word after the last blank, 0: none
    double x = 0;
    std::size_t i = 0;
    while (i < n) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            x += c == '\t' ? TabEnd(x, measure.tabStop()) - x : measure.asciiAdvance(' ');
            ++i;
            lastBreak = i;
            continue;
        }
        const std::size_t len = Utf8CharLength(line, i);
        const double adv = measure.advance(line, i, len);
        if (x + adv > width + kSlack && i > segStart) {
            const std::size_t brk = lastBreak > segStart ? lastBreak : i;
            out.push_back({segStart, brk});
            segStart = brk;
            lastBreak = 0;
            x = WidthBetween(line, segStart, i, measure);
            continue;
        }
        x += adv;
        i += len;
    }
    out.push_back({segStart, n});
}

std::size_t CountDisplayLines(std::string_view line, const TextMeasure& measure, double width)
{
    // A line of printable ASCII characters fits when even its widest characters would;
    // else when its advances add up to at most the width (no piece of a line is wider
    // than the whole line).
    if (line.size() <= 4096 && PrintableAscii(line)) {
        if (static_cast<double>(line.size()) * measure.maxAsciiAdvance() <= width + kSlack)
            return 1;
        double x = 0;
        for (const char c : line)
            x += measure.asciiAdvance(static_cast<unsigned char>(c));
        if (x <= width + kSlack)
            return 1;
    }
    thread_local std::vector<WrapSegment> segs;
    WrapLine(line, measure, width, segs);
    return segs.size();
}

double XOfOffset(std::string_view line, WrapSegment seg, std::size_t offset, const TextMeasure& measure)
{
    if (offset < seg.begin)
        offset = seg.begin;
    if (offset > seg.end)
        offset = seg.end;
    return WidthBetween(line, seg.begin, offset, measure);
}

std::size_t OffsetOfX(std::string_view line, WrapSegment seg, double x, const TextMeasure& measure)
{
    double at = 0;
    for (std::size_t i = seg.begin; i < seg.end;) {
        const std::size_t len = Utf8CharLength(line, i);
        const double adv = line[i] == '\t' ? TabEnd(at, measure.tabStop()) - at : measure.advance(line, i, len);
        if (x < at + adv / 2)
            return i;
        at += adv;
        i += len;
    }
    return seg.end;
}

void WrapLine(std::string_view line, int columns, std::vector<WrapSegment>& out)
{
    WrapLine(line, ColumnMeasure::instance(), columns < 1 ? 1 : columns, out);
}

std::size_t CountDisplayLines(std::string_view line, int columns)
{
    return CountDisplayLines(line, ColumnMeasure::instance(), columns < 1 ? 1 : columns);
}

int ColumnOfOffset(std::string_view line, WrapSegment seg, std::size_t offset)
{
    return static_cast<int>(std::lround(XOfOffset(line, seg, offset, ColumnMeasure::instance())));
}

std::size_t OffsetOfColumn(std::string_view line, WrapSegment seg, int column)
{
    return OffsetOfX(line, seg, column, ColumnMeasure::instance());
}
