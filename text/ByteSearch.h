#pragma once
// Exact byte search in a big text.
#include <cstddef>
#include <string_view>

// Offset of the first occurrence of `needle` in `text` at or after `from`, or npos.
// An empty needle is found at `from` itself (when from <= text.size()).
std::size_t FindBytes(std::string_view text, std::size_t from, std::string_view needle);

// The same with the Find dialog's options: `matchCase` false compares ASCII letters
// in either case (other bytes exactly); `wholeWord` takes only hits that no word byte
// (text/WordSpan.h) continues on either side where the needle itself begins or ends
// with one.
std::size_t FindText(std::string_view text, std::size_t from, std::string_view needle, bool matchCase, bool wholeWord);
