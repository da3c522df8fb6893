#pragma once
// Words and numbers of a text line, as a double click selects them and as "whole word"
// search delimits them.
#include <cstddef>
#include <string_view>
#include <utility>

// Letters, digits, '_' and every byte of a character that is not ASCII.
inline bool IsWordByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_' || b >= 0x80;
}

// The word or number around byte `at` of `line`: a run of word bytes, taken with the
// point, exponent and sign of a number ("9.060", "-1.5e+003", ".5"). An offset between
// two characters takes the word to its right, or else the one to its left. Empty
// (begin == end) when there is none.
std::pair<std::size_t, std::size_t> WordAt(std::string_view line, std::size_t at);
