#include "text/ByteSearch.h"

#include <algorithm>
#include <cstring>

#include "text/WordSpan.h"

namespace {

// How common a byte is in CDL text: the data section is mostly digits, blanks,
// commas, signs, points and line breaks.
int Commonness(unsigned char c)
{
    if (c == ' ' || c == '\r' || c == '\n' || c == ',' || (c >= '0' && c <= '9'))
        return 3;
    if (c == '.' || c == '-' || c == 'e' || c == ';' || c == '\t' || c == '_' || c == '"')
        return 2;
    if (c >= 'a' && c <= 'z')
        return 1;
    return 0;
}

} // namespace

std::size_t FindBytes(std::string_view text, std::size_t from, std::string_view needle)
{
    if (from > text.size())
        return std::string_view::npos;
    if (needle.empty())
        return from;
    if (needle.size() > text.size() - from)
        return std::string_view::npos;
    // Scan for the needle's rarest byte with memchr and compare the rest there, so a
    // needle with common bytes (line breaks, digits) does not stall on every one.
    std::size_t k = 0;
    for (std::size_t i = 1; i < needle.size(); ++i)
        if (Commonness(static_cast<unsigned char>(needle[i])) < Commonness(static_cast<unsigned char>(needle[k])))
            k = i;
    const char* base = text.data();
    if (Commonness(static_cast<unsigned char>(needle[k])) >= 2) {
        // Only common bytes: memchr would stop everywhere; glibc's memmem skips ahead.
        const void* hit = memmem(base + from, text.size() - from, needle.data(), needle.size());
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : std::string_view::npos;
    }
    const char* p = base + from + k;
    const char* last = base + text.size() - (needle.size() - k); // last place for needle[k]
    while (p <= last) {
        const void* hit = std::memchr(p, needle[k], static_cast<std::size_t>(last - p) + 1);
        if (!hit)
            break;
        const char* start = static_cast<const char*>(hit) - k;
        if (std::memcmp(start, needle.data(), needle.size()) == 0)
            return static_cast<std::size_t>(start - base);
        p = static_cast<const char*>(hit) + 1;
    }
    return std::string_view::npos;
}

namespace {

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// FindBytes ignoring the case of ASCII letters: candidates are the places of the
// needle's first byte in either case, found with memchr.
std::size_t FindBytesAnyCase(std::string_view text, std::size_t from, std::string_view needle)
{
    if (needle.empty())
        return from <= text.size() ? from : std::string_view::npos;
    const char lower = FoldAscii(needle[0]);
    const char upper = (lower >= 'a' && lower <= 'z') ? static_cast<char>(lower - 'a' + 'A') : lower;
    auto next = [&](char c, std::size_t at) -> std::size_t {
        if (at >= text.size())
            return std::string_view::npos;
        const void* hit = std::memchr(text.data() + at, c, text.size() - at);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
    };
    std::size_t nl = next(lower, from), nu = upper == lower ? std::string_view::npos : next(upper, from);
    while (true) {
        const std::size_t p = std::min(nl, nu);
        if (p == std::string_view::npos || p + needle.size() > text.size())
            return std::string_view::npos;
        bool same = true;
        for (std::size_t k = 1; k < needle.size() && same; ++k)
            same = FoldAscii(text[p + k]) == FoldAscii(needle[k]);
        if (same)
            return p;
        if (p == nl)
            nl = next(lower, p + 1);
        else
            nu = next(upper, p + 1);
    }
}

} // namespace

std::size_t FindText(std::string_view text, std::size_t from, std::string_view needle, bool matchCase, bool wholeWord)
{
    while (true) {
        const std::size_t p = matchCase ? FindBytes(text, from, needle) : FindBytesAnyCase(text, from, needle);
        if (p == std::string_view::npos || !wholeWord || needle.empty())
            return p;
        const std::size_t end = p + needle.size();
        const bool startOk = p == 0 || !IsWordByte(needle.front()) || !IsWordByte(text[p - 1]);
        const bool endOk = end == text.size() || !IsWordByte(needle.back()) || !IsWordByte(text[end]);
        if (startOk && endOk)
            return p;
        from = p + 1;
    }
}
