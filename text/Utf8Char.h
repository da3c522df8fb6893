#pragma once
// UTF-8 character lengths for a text that may hold invalid bytes: a byte that does not
// start a complete, valid sequence counts as one character of its own.
#include <cstddef>
#include <string_view>

// Length in bytes of the character that starts at s[i] (1 to 4).
inline std::size_t Utf8CharLength(std::string_view s, std::size_t i)
{
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80)
        return 1;
    std::size_t len = 0;
    unsigned min = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        min = 0x10000;
    } else
        return 1;
    if (i + len > s.size())
        return 1;
    unsigned cp = b & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80)
            return 1;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 1;
    return len;
}

inline bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
