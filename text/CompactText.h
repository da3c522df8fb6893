#pragma once
// Compaction of the data section of a CDL text for display.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// From the line "data:" on (the first "\ndata:", or the whole text when it is absent),
// in this order: every "\r\n\r\n" becomes "\r\n" (one left-to-right pass), every line
// loses its leading blanks, a line beginning with '"' or with '_' is joined to the line
// before it. The text before "data:" is left exactly as it is. Works in place.
void CompactDataSection(std::string& text);

// The same compaction on a text that arrives in pieces of any size, as it is made:
// the result grows as the pieces come, with the start offset of each of its lines,
// so that a text can be compacted and indexed while it is still being rendered.
class StreamCompactor {
public:
    void feed(std::string_view piece);
    // The text has ended: compacts what was held back.
    void finish();

    std::string& text() { return m_out; }
    // Offsets where lines of the result start (0 first; after every LF).
    std::vector<std::size_t>& lineStarts() { return m_lineStarts; }

    // For a reader that shows the text while it is made: appends the result made since
    // the last call, at most `most` bytes of it, to `text` and the starts of its new
    // lines (offsets in the whole result, 0 left out) to `starts`, and lets go of them.
    // text() and lineStarts() then hold only what is left.
    void takeReady(std::string& text, std::vector<std::size_t>& starts, std::size_t most = SIZE_MAX);

private:
    void put(const char* p, std::size_t n);
    // Compacts m_in from m_pos; with `final` false it stops before a line break whose
    // outcome depends on bytes not yet seen.
    void compact(bool final);

    std::string m_in;           // bytes not yet written out
    std::size_t m_pos = 0;      // where compaction goes on in m_in
    std::size_t m_searched = 0; // bytes of m_in known to hold no "\ndata:" start
    bool m_inData = false;      // past "\ndata:" (or the text had none, at the end)
    std::string m_out;
    std::size_t m_taken = 0; // bytes of the result handed out by takeReady
    std::vector<std::size_t> m_lineStarts{0};
};
