#pragma once
// A printf-style format text taken from a file (a variable's C_format attribute) or
// from the program, parsed once and applied safely.
//
// A C_format comes from the file and is never handed to printf. It is usable only
// when it holds exactly one conversion suited to the value (flags, width, precision
// and a length modifier allowed; no '*', no %n, no %s on a number, no second
// conversion), with optional literal text and "%%" around it, and with width and
// precision of at most 512. Anything else is refused, and the caller falls back to
// its default format.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "cdl/number_format.h"

enum class ValueKind {
    Integer,  // byte, short, int, and char values passed as int
    Floating, // float and double
};

class CFormat {
public:
    // Parses `text` for values of `kind`. The text is cut at its first NUL byte (as a
    // C string would be). Texts longer than max_length characters are refused.
    static std::optional<CFormat> parse(std::string_view text, ValueKind kind, std::size_t max_length = 99);

    // Appends the value formatted by this format: the literal text before the
    // conversion, the number, the literal text after it.
    void append(std::string& out, double v) const;
    void append(std::string& out, long long v) const;
    void append(std::string& out, int v) const { append(out, static_cast<long long>(v)); }

    std::string format(double v) const
    {
        std::string s;
        append(s, v);
        return s;
    }
    std::string format(long long v) const
    {
        std::string s;
        append(s, v);
        return s;
    }
    std::string format(int v) const { return format(static_cast<long long>(v)); }

    ValueKind kind() const { return m_kind; }
    // Characters of literal text that append writes before and after the conversion.
    std::size_t prefix_length() const { return m_prefix.size(); }
    std::size_t suffix_length() const { return m_suffix.size(); }
    const NumberSpec& spec() const { return m_spec; }

private:
    ValueKind m_kind = ValueKind::Integer;
    NumberSpec m_spec;
    std::string m_prefix; // literal text, "%%" already turned into '%'
    std::string m_suffix;
};
