#include "cdl/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

bool is_integer_conversion(char conv)
{
    return conv != '\0' && std::strchr("diuoxXc", conv) != nullptr;
}

bool is_floating_conversion(char conv)
{
    return conv != '\0' && std::strchr("fFeEgG", conv) != nullptr;
}

std::size_t widen_exponent(char* text, std::size_t len)
{
    // Exponent part: 'e' or 'E', a sign, then digits to the end.
    for (std::size_t i = len; i-- > 0;) {
        char c = text[i];
        if (c == 'e' || c == 'E') {
            std::size_t digits = len - (i + 2);
            if (i + 1 < len && (text[i + 1] == '+' || text[i + 1] == '-') && digits == 2) {
                text[len] = text[len - 1];
                text[len - 1] = text[len - 2];
                text[len - 2] = '0';
                return len + 1;
            }
            return len;
        }
        if (c < '0' || c > '9') {
            if (c != '+' && c != '-')
                return len;
        }
    }
    return len;
}

namespace {

// Writes sign, prefix and body with the padding the flags ask for.
void pad_and_append(std::string& out, const NumberSpec& spec, std::string_view sign, std::string_view body,
                    bool zero_pad_allowed)
{
    std::size_t len = sign.size() + body.size();
    std::size_t width = spec.width > 0 ? static_cast<std::size_t>(spec.width) : 0;
    std::size_t pad = width > len ? width - len : 0;
    if (pad == 0) {
        out.append(sign);
        out.append(body);
    } else if (spec.left) {
        out.append(sign);
        out.append(body);
        out.append(pad, ' ');
    } else if (spec.zero && zero_pad_allowed) {
        out.append(sign);
        out.append(pad, '0');
        out.append(body);
    } else {
        out.append(pad, ' ');
        out.append(sign);
        out.append(body);
    }
}

char* to_chars_or_end(char* first, char* last, double v, std::chars_format fmt, int precision)
{
    auto r = std::to_chars(first, last, v, fmt, precision);
    return r.ec == std::errc() ? r.ptr : first;
}

// Exact %.pf digits for a finite non-negative double without the general printf
// machinery: a = m * 2^e, so a * 10^p = m * 10^p * 2^e is computed exactly in 128 bits
// and rounded to nearest with ties to even, as printf does. Returns nullptr where the
// result would not fit (the caller then takes the general path).
char* fixed_fast(double a, int p, char* buf)
{
    static constexpr unsigned long long kPow10[] = {1ULL,
                                                    10ULL,
                                                    100ULL,
                                                    1000ULL,
                                                    10000ULL,
                                                    100000ULL,
                                                    1000000ULL,
                                                    10000000ULL,
                                                    100000000ULL,
                                                    1000000000ULL,
                                                    10000000000ULL,
                                                    100000000000ULL,
                                                    1000000000000ULL,
                                                    10000000000000ULL,
                                                    100000000000000ULL,
                                                    1000000000000000ULL,
                                                    10000000000000000ULL,
                                                    100000000000000000ULL};
    if (p < 0 || p > 17 || !(a < 1e15))
        return nullptr;
    std::uint64_t bits;
    std::memcpy(&bits, &a, sizeof bits);
    int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mant = bits & ((std::uint64_t{1} << 52) - 1);
    __extension__ typedef unsigned __int128 u128; // a GCC and Clang extension, marked so for -Wpedantic
    u128 q = 0;
    if (biased != 0 || mant != 0) {
        if (biased == 0)
            return nullptr; // subnormal
        mant |= std::uint64_t{1} << 52;
        int e = biased - 1075;
        u128 scaled = static_cast<u128>(mant) * kPow10[p];
        if (e >= 0) {
            q = scaled << e;
        } else {
            int shift = -e;
            if (shift >= 127)
                return nullptr;
            q = scaled >> shift;
            u128 rem = scaled & ((static_cast<u128>(1) << shift) - 1);
            u128 half = static_cast<u128>(1) << (shift - 1);
            if (rem > half || (rem == half && (q & 1)))
                ++q;
        }
    }
    if (q >> 64)
        return nullptr;
    char digits[24];
    char* dend = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint64_t>(q)).ptr;
    std::size_t n = static_cast<std::size_t>(dend - digits);
    std::size_t need = static_cast<std::size_t>(p) + 1;
    char* out = buf;
    std::size_t lead = n < need ? need - n : 0; // zeros before the digits
    std::size_t int_digits = n + lead - static_cast<std::size_t>(p);
    std::size_t written = 0;
    for (std::size_t i = 0; i < n + lead; ++i) {
        if (written == int_digits)
            *out++ = '.';
        *out++ = i < lead ? '0' : digits[i - lead];
        ++written;
    }
    return out;
}

void upper(char* first, char* last)
{
    for (char* p = first; p != last; ++p)
        if (*p >= 'a' && *p <= 'z')
            *p = static_cast<char>(*p - 'a' + 'A');
}

} // namespace

void append_integer(std::string& out, const NumberSpec& spec, long long v)
{
    using L = NumberSpec::Length;
    char conv = spec.conv;
    if (conv == 'c') {
        char c = static_cast<char>(static_cast<unsigned char>(v));
        pad_and_append(out, spec, {}, std::string_view(&c, 1), false);
        return;
    }

    bool is_signed = (conv == 'd' || conv == 'i');
    bool negative = false;
    unsigned long long magnitude = 0;
    if (is_signed) {
        long long s;
        switch (spec.length) {
        case L::hh: s = static_cast<signed char>(v); break;
        case L::h: s = static_cast<short>(v); break;
        case L::l:
        case L::ll: s = v; break;
        default: s = static_cast<int>(v); break;
        }
        negative = s < 0;
        magnitude = negative ? 0ULL - static_cast<unsigned long long>(s) : static_cast<unsigned long long>(s);
    } else {
        switch (spec.length) {
        case L::hh: magnitude = static_cast<unsigned char>(v); break;
        case L::h: magnitude = static_cast<unsigned short>(v); break;
        case L::l:
        case L::ll: magnitude = static_cast<unsigned long long>(v); break;
        default: magnitude = static_cast<unsigned int>(v); break;
        }
    }

    int base = (conv == 'o') ? 8 : (conv == 'x' || conv == 'X') ? 16 : 10;
    char digits[72];
    char* end = digits;
    if (!(spec.precision == 0 && magnitude == 0)) {
        end = std::to_chars(digits, digits + sizeof digits, magnitude, base).ptr;
        if (conv == 'X')
            upper(digits, end);
    }
    std::size_t ndigits = static_cast<std::size_t>(end - digits);

    std::string body;
    std::size_t min_digits = spec.precision > 0 ? static_cast<std::size_t>(spec.precision) : 0;
    if (conv == 'o' && spec.alt && (ndigits == 0 || digits[0] != '0') && min_digits <= ndigits)
        min_digits = ndigits + 1;
    if (min_digits > ndigits)
        body.append(min_digits - ndigits, '0');
    body.append(digits, ndigits);

    std::string_view sign;
    if (negative)
        sign = "-";
    else if (is_signed && spec.plus)
        sign = "+";
    else if (is_signed && spec.space)
        sign = " ";
    else if (spec.alt && magnitude != 0 && conv == 'x')
        sign = "0x";
    else if (spec.alt && magnitude != 0 && conv == 'X')
        sign = "0X";
    // A precision turns the 0 flag off for integer conversions.
    pad_and_append(out, spec, sign, body, spec.precision < 0);
}

void append_floating(std::string& out, const NumberSpec& spec, double v)
{
    char conv = spec.conv;
    bool upper_case = (conv == 'F' || conv == 'E' || conv == 'G');

    if (!std::isfinite(v)) {
        std::string_view text = std::isnan(v) ? "NaN" : (v < 0 ? "-Infinity" : "Infinity");
        std::string_view sign;
        if (!std::isnan(v) && v > 0 && spec.plus)
            sign = "+";
        else if (!std::isnan(v) && v > 0 && spec.space)
            sign = " ";
        pad_and_append(out, spec, sign, text, false);
        return;
    }

    bool negative = std::signbit(v);
    double a = std::fabs(v);
    int p = spec.precision < 0 ? 6 : spec.precision;

    char buf[kMaxNumberText];
    char* const last = buf + sizeof buf - 2; // room for a widened exponent and a point
    char* end = buf;
    switch (conv) {
    case 'f':
    case 'F':
        end = fixed_fast(a, p, buf);
        if (!end)
            end = to_chars_or_end(buf, last, a, std::chars_format::fixed, p);
        if (spec.alt && p == 0)
            *end++ = '.';
        break;
    case 'e':
    case 'E': {
        end = to_chars_or_end(buf, last, a, std::chars_format::scientific, p);
        if (spec.alt && p == 0) {
            char* e = std::find(buf, end, 'e');
            std::memmove(e + 1, e, static_cast<std::size_t>(end - e));
            *e = '.';
            ++end;
        }
        break;
    }
    default: { // g, G
        if (p == 0)
            p = 1;
        if (!spec.alt) {
            end = to_chars_or_end(buf, last, a, std::chars_format::general, p);
        } else {
            // %#g keeps trailing zeros and the point; choose the style as printf does,
            // from the exponent X of the e-style text with precision p - 1.
            char probe[kMaxNumberText];
            char* pe = to_chars_or_end(probe, probe + sizeof probe, a, std::chars_format::scientific, p - 1);
            char* e = std::find(probe, pe, 'e');
            int x = 0;
            if (e != pe)
                std::from_chars(e + (e[1] == '+' ? 2 : 1), pe, x);
            if (p > x && x >= -4) {
                end = to_chars_or_end(buf, last, a, std::chars_format::fixed, p - 1 - x);
            } else {
                end = to_chars_or_end(buf, last, a, std::chars_format::scientific, p - 1);
            }
            char* stop = std::find(buf, end, 'e');
            if (std::find(buf, stop, '.') == stop) {
                std::memmove(stop + 1, stop, static_cast<std::size_t>(end - stop));
                *stop = '.';
                ++end;
            }
        }
        break;
    }
    }
    std::size_t len = widen_exponent(buf, static_cast<std::size_t>(end - buf));
    if (upper_case)
        upper(buf, buf + len);

    std::string_view sign;
    if (negative)
        sign = "-";
    else if (spec.plus)
        sign = "+";
    else if (spec.space)
        sign = " ";
    pad_and_append(out, spec, sign, std::string_view(buf, len), true);
}
