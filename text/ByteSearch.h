#pragma once
// Exact byte search in a big text.
#include <cstddef>
#include <string_view>

// Offset of the first occurrence of `needle` in `text` at or after `from`, or npos.
// An empty needle is found at `from` itself (when from <= text.size()).
std::size_t FindBytes(std::string_view text, std::size_t from, std::string_view needle);
