#include "text/ByteSearch.h"

#include <cstring>

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
