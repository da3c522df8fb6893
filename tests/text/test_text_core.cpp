// The text view's byte-level pieces: line index, word wrap, display lines, compaction.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/ByteSearch.h"
#include "text/CompactText.h"
#include "text/TextBuffer.h"
#include "text/TextLayout.h"
#include "text/TextWrap.h"
#include "text/WordSpan.h"

namespace {

std::vector<std::string> Pieces(std::string_view line, int columns)
{
    std::vector<WrapSegment> segs;
    WrapLine(line, columns, segs);
    std::vector<std::string> out;
    for (const WrapSegment& s : segs)
        out.emplace_back(line.substr(s.begin, s.end - s.begin));
    return out;
}

std::string Compacted(std::string text)
{
    CompactDataSection(text);
    return text;
}

} // namespace

TEST(CompactDataSection, LeavesTheHeaderAndCompactsTheTail)
{
    const std::string head = "netcdf x {\r\ndimensions:\r\n\tN = 2 ;\r\n\r\nvariables:\r\n  int a(N) ;\r\n";
    const std::string tail = "data:\r\n\r\n a = 1, 2 ;\r\n\r\n\r\n b =\r\n  \"text\",\r\n  \"more\" ;\r\n\r\n c = "
                             "1,\r\n    _, -3 ;\r\n}\r\n";
    EXPECT_EQ(Compacted(head + tail),
              head + "data:\r\na = 1, 2 ;\r\n\r\nb =\"text\",\"more\" ;\r\nc = 1,_, -3 ;\r\n}\r\n");
}

TEST(CompactDataSection, ReplacementsRunInTheirOrder)
{
    // Three line breaks in a row: one pass of "\r\n\r\n" leaves two.
    EXPECT_EQ(Compacted("data:\r\n\r\n\r\nx"), "data:\r\n\r\nx");
    // A blank-only line becomes empty after the blank line pass: it stays.
    EXPECT_EQ(Compacted("data:\r\n   \r\nx"), "data:\r\n\r\nx");
    // Tabs are not blanks.
    EXPECT_EQ(Compacted("data:\r\n \tx"), "data:\r\n\tx");
    // A joined quote line whose next line starts with "_" joins too.
    EXPECT_EQ(Compacted("data:\r\n a,\r\n \"q\"\r\n _"), "data:\r\na,\"q\"_");
}

TEST(CompactDataSection, WithoutDataMarkerTheWholeTextIsTail)
{
    EXPECT_EQ(Compacted("netcdf x {\r\n\r\n  a\r\n}\r\n"), "netcdf x {\r\na\r\n}\r\n");
    // "data:" that does not begin a line is no marker.
    EXPECT_EQ(Compacted("x data:\r\n\r\n  a"), "x data:\r\na");
    // Only the first marker splits.
    EXPECT_EQ(Compacted("h\r\n  a\r\ndata:\r\n  b\r\ndata:\r\n  c"), "h\r\n  a\r\ndata:\r\nb\r\ndata:\r\nc");
}

// The four replacements exactly as described, one plain pass after the other.
std::string ReferenceCompaction(const std::string& text)
{
    auto replaceAll = [](std::string s, const std::string& from, const std::string& to) {
        std::string out;
        std::size_t r = 0;
        for (std::size_t h; (h = s.find(from, r)) != std::string::npos; r = h + from.size())
            out += s.substr(r, h - r) + to;
        return out + s.substr(r);
    };
    const std::size_t a = text.find("\ndata:");
    const std::size_t cut = a == std::string::npos ? 0 : a + 1;
    std::string tail = replaceAll(text.substr(cut), "\r\n\r\n", "\r\n");
    for (std::string before; before != tail;) {
        before = tail;
        tail = replaceAll(tail, "\r\n ", "\r\n");
    }
    tail = replaceAll(tail, "\r\n\"", "\"");
    tail = replaceAll(tail, "\r\n_", "_");
    return text.substr(0, cut) + tail;
}

TEST(CompactDataSection, MatchesThePassesOneAfterAnother)
{
    std::mt19937 rng(11);
    const std::string pieces[] = {"\r\n", "\r\n", "\r\n", " ", " ", "\"", "_", "x", "\r", "\n", "1,", "\ndata:"};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int len = static_cast<int>(rng() % 14);
        for (int i = 0; i < len; ++i)
            text += pieces[rng() % std::size(pieces)];
        ASSERT_EQ(Compacted(text), ReferenceCompaction(text)) << ::testing::PrintToString(text);
    }
}

TEST(FindBytes, FindsExactBytesFromTheStart)
{
    const std::string text = "PRES = 1, 2 ;\r\n}\r\nTEMP 1, 2";
    EXPECT_EQ(FindBytes(text, 0, "PRES"), 0u);
    EXPECT_EQ(FindBytes(text, 1, "PRES"), std::string::npos);
    EXPECT_EQ(FindBytes(text, 0, "pres"), std::string::npos);
    EXPECT_EQ(FindBytes(text, 0, "}\r\n"), 15u);
    EXPECT_EQ(FindBytes(text, 0, "1, 2"), 7u);
    EXPECT_EQ(FindBytes(text, 8, "1, 2"), text.size() - 4);
    EXPECT_EQ(FindBytes(text, 0, "2"), 10u);
    EXPECT_EQ(FindBytes(text, text.size(), ""), text.size());
    EXPECT_EQ(FindBytes(text, text.size() + 1, ""), std::string::npos);
    EXPECT_EQ(FindBytes(text, 0, text + "x"), std::string::npos);
    EXPECT_EQ(FindBytes("aaaa", 1, "aa"), 1u);
}

TEST(TextBuffer, IndexesLinesAndStepsOverWholeCharacters)
{
    TextBuffer b;
    b.setText("ab\r\n\xC3\xA9x\xFF\r\n\r\nlast");
    ASSERT_EQ(b.lineCount(), 4u);
    EXPECT_EQ(b.lineText(0), "ab");
    EXPECT_EQ(b.lineText(1), "\xC3\xA9x\xFF");
    EXPECT_EQ(b.lineText(2), "");
    EXPECT_EQ(b.lineText(3), "last");
    EXPECT_EQ(b.lineOfOffset(0), 0u);
    EXPECT_EQ(b.lineOfOffset(3), 0u); // the LF belongs to its line
    EXPECT_EQ(b.lineOfOffset(4), 1u);
    EXPECT_EQ(b.lineOfOffset(1000), 3u);
    EXPECT_EQ(b.nextBoundary(2), 4u); // CR LF in one step
    EXPECT_EQ(b.prevBoundary(4), 2u);
    EXPECT_EQ(b.nextBoundary(4), 6u); // é is two bytes
    EXPECT_EQ(b.prevBoundary(6), 4u);
    EXPECT_EQ(b.nextBoundary(7), 8u); // an invalid byte is a character of its own
    EXPECT_EQ(b.prevBoundary(8), 7u);

    TextBuffer empty;
    EXPECT_EQ(empty.lineCount(), 1u);
    EXPECT_EQ(empty.lineText(0), "");
}

TEST(WrapLine, BreaksAtWordsAndExpandsTabs)
{
    EXPECT_EQ(Pieces("", 10), std::vector<std::string>{""});
    EXPECT_EQ(Pieces("short", 10), std::vector<std::string>{"short"});
    EXPECT_EQ(Pieces("alpha beta gamma", 10), (std::vector<std::string>{"alpha beta ", "gamma"}));
    // Blanks may run past the edge; the next word starts the next line.
    EXPECT_EQ(Pieces("abcd      efg", 5), (std::vector<std::string>{"abcd      ", "efg"}));
    // A word longer than the width breaks at the width.
    EXPECT_EQ(Pieces("abcdefghij", 4), (std::vector<std::string>{"abcd", "efgh", "ij"}));
    // A tab advances to the next multiple of 8: "\tab" takes 10 columns.
    EXPECT_EQ(Pieces("\tab cd", 10), (std::vector<std::string>{"\tab ", "cd"}));
    EXPECT_EQ(Pieces("\t\tx", 12), (std::vector<std::string>{"\t\t", "x"}));
    // Multibyte characters take one column each.
    EXPECT_EQ(Pieces("\xC3\xA9\xC3\xA9\xC3\xA9", 2), (std::vector<std::string>{"\xC3\xA9\xC3\xA9", "\xC3\xA9"}));
}

// Characters of uneven widths, as a proportional font has them.
class UnevenMeasure : public TextMeasure {
public:
    UnevenMeasure()
    {
        std::array<double, 128> widths;
        for (int c = 0; c < 128; ++c)
            widths[c] = 3.0 + (c % 5) * 1.37;
        setAscii(widths, 4 * 3.7);
    }

protected:
    double wideAdvance(std::string_view ch) const override { return ch.size() == 1 ? 6.1 : 9.25; }
};

TEST(WrapLine, QuickCountAgreesWithTheWrapForUnevenWidths)
{
    const UnevenMeasure measure;
    std::mt19937 rng(11);
    const char alphabet[] = "abW \t\xC3\xA9\xFF";
    for (int round = 0; round < 3000; ++round) {
        std::string line;
        const int len = static_cast<int>(rng() % 40);
        for (int i = 0; i < len; ++i)
            line += alphabet[rng() % (sizeof alphabet - 1)];
        const double width = 5 + static_cast<double>(rng() % 1000) / 7.0;
        std::vector<WrapSegment> segs;
        WrapLine(line, measure, width, segs);
        ASSERT_EQ(CountDisplayLines(line, measure, width), segs.size()) << line << " @" << width;
        std::size_t at = 0;
        for (const WrapSegment& s : segs) {
            ASSERT_EQ(s.begin, at);
            at = s.end;
            // No piece but a single character, or one ending in blanks, is wider than the width.
            const std::string_view piece = std::string_view(line).substr(s.begin, s.end - s.begin);
            const std::size_t ink = piece.find_last_not_of(" \t");
            if (ink == std::string_view::npos || Utf8CharLength(line, s.begin) > ink)
                continue;
            const std::size_t inkEnd = s.begin + ink + Utf8CharLength(line, s.begin + ink);
            ASSERT_LE(XOfOffset(line, s, inkEnd, measure), width + 1e-6) << line << " @" << width;
        }
        ASSERT_EQ(at, line.size());
    }
}

TEST(WrapLine, QuickCountAgreesWithTheWrap)
{
    std::mt19937 rng(7);
    const char alphabet[] = "ab \t\xC3\xA9\xFF";
    for (int round = 0; round < 3000; ++round) {
        std::string line;
        const int len = static_cast<int>(rng() % 40);
        for (int i = 0; i < len; ++i)
            line += alphabet[rng() % (sizeof alphabet - 1)];
        const int columns = 1 + static_cast<int>(rng() % 20);
        std::vector<WrapSegment> segs;
        WrapLine(line, columns, segs);
        ASSERT_EQ(CountDisplayLines(line, columns), segs.size()) << line << " @" << columns;
        // The pieces cover the line exactly, in order, without empty pieces.
        std::size_t at = 0;
        for (const WrapSegment& s : segs) {
            ASSERT_EQ(s.begin, at);
            ASSERT_TRUE(s.end > s.begin || segs.size() == 1);
            at = s.end;
        }
        ASSERT_EQ(at, line.size());
    }
}

TEST(TextLayout, MapsDisplayLinesAndOffsets)
{
    TextBuffer b;
    b.setText("one\r\nalpha beta gamma\r\n\r\nend");
    TextLayout layout;
    layout.reset(&b, 10);
    EXPECT_EQ(layout.displayLineCount(), 5u); // one | alpha beta | gamma | (empty) | end
    EXPECT_EQ(layout.displayLine(2).line, 1u);
    EXPECT_EQ(layout.displayLine(2).segment.begin, 11u);
    EXPECT_EQ(layout.displayLine(99).line, 3u); // clamped
    EXPECT_EQ(layout.displayLineOfOffset(0), 0u);
    EXPECT_EQ(layout.displayLineOfOffset(5 + 11), 2u); // "gamma"
    EXPECT_EQ(layout.displayLineOfOffset(5 + 10), 1u); // the blank before it
    EXPECT_EQ(layout.displayLineOfOffset(b.size()), 4u);
    layout.reset(&b, 80);
    EXPECT_EQ(layout.displayLineCount(), 4u);
}

namespace {

// The text compacted as it arrives in pieces is the text compacted whole, with its line
// index, wherever the pieces are cut (inside a CR LF, a run of breaks, the blanks after
// one, or "data:" itself); and so is a text taken in parts of any size while it is
// made, as the window shows it, with a layout that grows with it.
TEST(StreamCompactor, PiecesOfAnySizeGiveTheWholeResult)
{
    std::mt19937 rng(7);
    const char alphabet[] = {'\r', '\n', ' ', '"', '_', 'a', ','};
    for (int round = 0; round < 3000; ++round) {
        std::string text = round % 3 ? "head \r\n data:" : "";
        const int len = static_cast<int>(rng() % 60);
        for (int i = 0; i < len; ++i)
            text += alphabet[rng() % sizeof alphabet];
        std::string whole = text;
        CompactDataSection(whole);
        StreamCompactor compactor, streamed;
        TextBuffer shown;
        TextLayout grown;
        grown.reset(&shown, 7);
        const auto take = [&](std::size_t most) {
            std::string bytes;
            std::vector<std::size_t> starts;
            streamed.takeReady(bytes, starts, most);
            shown.append(bytes, starts);
            grown.extend();
        };
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t n = 1 + rng() % 5;
            compactor.feed(std::string_view(text).substr(at, n));
            streamed.feed(std::string_view(text).substr(at, n));
            take(rng() % 6);
            at += n;
        }
        compactor.finish();
        streamed.finish();
        take(SIZE_MAX);
        ASSERT_EQ(compactor.text(), whole) << round;
        ASSERT_EQ(shown.bytes(), whole) << round;
        TextLayout fresh;
        fresh.reset(&shown, 7);
        ASSERT_EQ(grown.displayLineCount(), fresh.displayLineCount()) << round;
        for (std::size_t l = 0; l < shown.lineCount(); ++l)
            ASSERT_EQ(grown.firstDisplayLine(l), fresh.firstDisplayLine(l)) << round;
        TextBuffer indexed;
        indexed.setText(whole);
        std::vector<std::size_t> starts;
        for (std::size_t l = 0; l < indexed.lineCount(); ++l)
            starts.push_back(indexed.lineStart(l));
        ASSERT_EQ(compactor.lineStarts(), starts) << round;
        for (std::size_t l = 0; l < shown.lineCount(); ++l)
            ASSERT_EQ(shown.lineStart(l), starts[l]) << round;
        ASSERT_EQ(shown.lineCount(), starts.size()) << round;
    }
}

} // namespace

TEST(WordAt, TakesWordsAndWholeNumbers)
{
    struct Case {
        const char* line;
        std::size_t at;
        const char* word;
    };
    const Case cases[] = {
        {"PRES = 9.060, 9.448 ;", 9, "9.060"},
        {"PRES = 9.060, 9.448 ;", 7, "9.060"},  // at the start
        {"PRES = 9.060, 9.448 ;", 12, "9.060"}, // just behind it
        {"x = -1.5e+003, 2", 8, "-1.5e+003"},
        {"x = -1.5e+003, 2", 12, "-1.5e+003"}, // in the exponent
        {"x = -1.5e+003, 2", 4, "-1.5e+003"},  // on the sign
        {"\tfloat PRES_ADJUSTED(N_PROF) ;", 12, "PRES_ADJUSTED"},
        {"PRES:long_name = \"Sea\" ;", 2, "PRES"},
        {"a-1", 2, "1"},    // a hyphen between words is no sign
        {"end.", 1, "end"}, // a full stop is not part of a word
        {"\xC3\xA9t\xC3\xA9 x", 1, "\xC3\xA9t\xC3\xA9"},
        {"a , b", 2, ""},
    };
    for (const Case& c : cases) {
        const std::string_view line(c.line);
        const auto [b, e] = WordAt(line, c.at);
        EXPECT_EQ(line.substr(b, e - b), c.word) << c.line << " @" << c.at;
    }
}

TEST(FindText, MatchCaseAndWholeWord)
{
    const std::string_view text = "PRES pres_adjusted Pres PRESSURE pres";
    struct Case {
        std::string_view needle;
        bool matchCase, wholeWord;
        std::size_t from, expected;
    };
    const std::size_t none = std::string_view::npos;
    const Case cases[] = {
        {"pres", true, false, 0, 5},   {"pres", false, false, 0, 0},  {"pres", false, false, 1, 5},
        {"pres", false, true, 1, 19},  {"pres", true, true, 0, 33},   {"PRESS", false, true, 0, none},
        {"sure", false, false, 0, 28}, {"s_a", false, true, 0, none}, {"", false, true, 3, 3},
        {" pres", true, true, 0, 32},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindText(text, c.from, c.needle, c.matchCase, c.wholeWord), c.expected)
            << c.needle << " case " << c.matchCase << " word " << c.wholeWord << " from " << c.from;
}
