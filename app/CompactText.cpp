#include "app/CompactText.h"

#include <cstring>
#include <string_view>

namespace {

// Replaces every non-overlapping occurrence of `from` by `to` in text[start, end) in
// one left-to-right pass, in place (`to` is never longer than `from`). Returns the new
// end of the range; the bytes after the old end are moved up behind it.
std::size_t ReplaceAll(std::string& text, std::size_t start, std::string_view from,
                       std::string_view to)
{
    char* data = text.data();
    const std::size_t n = text.size();
    std::size_t r = start, w = start;
    while (r < n) {
        const void* hit = memmem(data + r, n - r, from.data(), from.size());
        const std::size_t h = hit ? static_cast<const char*>(hit) - data : n;
        if (w != r)
            std::memmove(data + w, data + r, h - r);
        w += h - r;
        r = h;
        if (!hit)
            break;
        std::memcpy(data + w, to.data(), to.size());
        w += to.size();
        r += from.size();
    }
    text.resize(w);
    return w;
}

// Removes every blank that follows "\r\n" directly or after other such blanks: the
// result of replacing "\r\n " by "\r\n" until nothing is left to replace.
void StripLeadingBlanks(std::string& text, std::size_t start)
{
    char* data = text.data();
    const std::size_t n = text.size();
    std::size_t r = start, w = start;
    while (r < n) {
        const void* hit = memmem(data + r, n - r, "\r\n", 2);
        const std::size_t h = hit ? static_cast<const char*>(hit) - data + 2 : n;
        if (w != r)
            std::memmove(data + w, data + r, h - r);
        w += h - r;
        r = h;
        while (hit && r < n && data[r] == ' ')
            ++r;
    }
    text.resize(w);
}

} // namespace

void CompactDataSection(std::string& text)
{
    const std::size_t a = text.find("\ndata:");
    const std::size_t tail = a == std::string::npos ? 0 : a + 1;
    ReplaceAll(text, tail, "\r\n\r\n", "\r\n");
    StripLeadingBlanks(text, tail);
    ReplaceAll(text, tail, "\r\n\"", "\"");
    ReplaceAll(text, tail, "\r\n_", "_");
}
