#pragma once
// Locale-free printf-style number formatting for the whole program.
//
// One conversion (flags, width, precision, length modifier, conversion letter) is
// described by NumberSpec and applied with std::to_chars, so the digits are exactly
// printf's in the "C" locale while the process locale never matters. Exponents are
// written with at least three digits (1e-005), and non-finite values print as the
// fixed texts "NaN", "Infinity" and "-Infinity".
#include <cstdint>
#include <string>
#include <string_view>

struct NumberSpec {
    enum class Length : std::uint8_t { None, hh, h, l, ll, L };

    bool left = false;  // '-'
    bool plus = false;  // '+'
    bool space = false; // ' '
    bool alt = false;   // '#'
    bool zero = false;  // '0'
    int width = 0;      // 0: none
    int precision = -1; // -1: none
    Length length = Length::None;
    char conv = 'd'; // one of d i u o x X c (integer) or f F e E g G (floating)
};

bool is_integer_conversion(char conv);
bool is_floating_conversion(char conv);

// The longest text one conversion can produce with the bounds the C_format parser
// accepts (width and precision at most 512): callers may size buffers from it.
inline constexpr std::size_t kMaxNumberText = 1200;

// Appends v formatted by an integer conversion. The value is first converted to the
// type the conversion and its length modifier take (hh: char, h: short, none: int,
// l/ll: long long; unsigned for u, o, x, X), as printf would receive it.
void append_integer(std::string& out, const NumberSpec& spec, long long v);

// Appends v formatted by a floating conversion.
void append_floating(std::string& out, const NumberSpec& spec, double v);

// Widens a two-digit exponent ("e+05") to three digits ("e+005") in place.
// `text` holds `len` characters in a buffer with room for at least one more;
// returns the new length.
std::size_t widen_exponent(char* text, std::size_t len);
