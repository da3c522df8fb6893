#pragma once
// The shown text, kept once as bytes, with an index of where each text line starts.
// Lines end in LF (usually CR LF); the CR is not part of a line's content.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class TextBuffer {
public:
    void setText(std::string text);
    // Takes a text with its line index made already (as StreamCompactor makes it).
    void adopt(std::string text, std::vector<std::size_t> lineStarts);
    void clear() { setText(std::string()); }
    // Adds text at the end, with the starts of the lines that begin in it (offsets in
    // the whole text), as a text that is shown while it loads grows.
    void append(std::string_view bytes, const std::vector<std::size_t>& newLineStarts);

    const std::string& bytes() const { return m_text; }
    std::size_t size() const { return m_text.size(); }
    bool empty() const { return m_text.empty(); }

    // Text lines: an empty text has one empty line; a text ending in a line break
    // has an empty last line after it.
    std::size_t lineCount() const { return m_lineStarts.size(); }
    std::size_t lineStart(std::size_t line) const { return m_lineStarts[line]; }
    // End of the line's content (before its CR LF or LF).
    std::size_t lineEnd(std::size_t line) const;
    std::string_view lineText(std::size_t line) const;
    // The line that holds byte offset `offset` (offsets past the end give the last line).
    std::size_t lineOfOffset(std::size_t offset) const;

    // Offset of the character boundary after / before `offset`, stepping over whole
    // UTF-8 sequences and over a CR LF pair.
    std::size_t nextBoundary(std::size_t offset) const;
    std::size_t prevBoundary(std::size_t offset) const;

private:
    std::string m_text;
    std::vector<std::size_t> m_lineStarts{0};
};
