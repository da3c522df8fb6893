#include "gdac/GdacListing.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <unordered_set>

#include "ftp/FtpListing.h"

namespace {

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// Case-insensitive search for an ASCII word.
std::size_t FindNoCase(std::string_view text, std::string_view word, std::size_t from)
{
    auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(std::min(from, text.size())), text.end(),
                          word.begin(), word.end(), [](char a, char b) { return Lower(a) == Lower(b); });
    return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

void AppendUtf8(std::string& out, unsigned long cp)
{
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int Hex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Percent-decodes a link; nothing when an escape is broken.
std::optional<std::string> PercentDecode(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size() || Hex(s[i + 1]) < 0 || Hex(s[i + 2]) < 0)
            return std::nullopt;
        out += static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
        i += 2;
    }
    return out;
}

// The value of the href attribute of one tag's text (after "<a"), or nothing.
std::optional<std::string_view> HrefOf(std::string_view tag)
{
    std::size_t i = 0;
    while (i < tag.size()) {
        while (i < tag.size() && IsSpace(tag[i]))
            ++i;
        const std::size_t nameStart = i;
        while (i < tag.size() && !IsSpace(tag[i]) && tag[i] != '=')
            ++i;
        const std::string_view name = tag.substr(nameStart, i - nameStart);
        while (i < tag.size() && IsSpace(tag[i]))
            ++i;
        std::string_view value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && IsSpace(tag[i]))
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char quote = tag[i++];
                const auto end = tag.find(quote, i);
                if (end == std::string_view::npos)
                    return std::nullopt;
                value = tag.substr(i, end - i);
                i = end + 1;
            } else {
                const std::size_t start = i;
                while (i < tag.size() && !IsSpace(tag[i]))
                    ++i;
                value = tag.substr(start, i - start);
            }
        } else if (name.empty()) {
            ++i; // a stray character
        }
        if (name.size() == 4 && Lower(name[0]) == 'h' && Lower(name[1]) == 'r' && Lower(name[2]) == 'e' &&
            Lower(name[3]) == 'f')
            return value;
    }
    return std::nullopt;
}

// Text between <tag> and </tag> from `from`; nothing when absent.
std::optional<std::string_view> Element(std::string_view xml, std::string_view tag, std::size_t from = 0,
                                        std::size_t* end = nullptr)
{
    const std::string open = "<" + std::string(tag) + ">";
    const std::string close = "</" + std::string(tag) + ">";
    const auto a = xml.find(open, from);
    if (a == std::string_view::npos)
        return std::nullopt;
    const auto b = xml.find(close, a + open.size());
    if (b == std::string_view::npos)
        return std::nullopt;
    if (end)
        *end = b + close.size();
    return xml.substr(a + open.size(), b - a - open.size());
}

} // namespace

std::string DecodeEntities(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const auto semi = text.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += '&';
            continue;
        }
        const std::string_view name = text.substr(i + 1, semi - i - 1);
        if (name == "amp")
            out += '&';
        else if (name == "lt")
            out += '<';
        else if (name == "gt")
            out += '>';
        else if (name == "quot")
            out += '"';
        else if (name == "apos")
            out += '\'';
        else if (name.size() > 1 && name[0] == '#') {
            unsigned long cp = 0;
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), cp, hex ? 16 : 10);
            if (ec != std::errc() || p != digits.data() + digits.size() || digits.empty()) {
                out += '&';
                continue;
            }
            AppendUtf8(out, cp);
        } else {
            out += '&';
            continue;
        }
        i = semi;
    }
    return out;
}

std::vector<GdacEntry> ParseHtmlIndex(std::string_view html)
{
    std::vector<GdacEntry> entries;
    std::unordered_set<std::string> seen;
    std::size_t pos = 0;
    while ((pos = FindNoCase(html, "<a", pos)) != std::string_view::npos) {
        pos += 2;
        if (pos >= html.size() || !IsSpace(html[pos]))
            continue; // <abbr>, <address>
        const auto close = html.find('>', pos);
        if (close == std::string_view::npos)
            break;
        const auto href = HrefOf(html.substr(pos, close - pos));
        pos = close + 1;
        if (!href || href->empty())
            continue;
        const std::string raw = DecodeEntities(*href);
        // Sort links, fragments, absolute paths, other sites and schemes, "./x" forms.
        if (raw[0] == '?' || raw[0] == '#' || raw[0] == '/' || raw[0] == '.' ||
            raw.find_first_of("?#:") != std::string::npos)
            continue;
        auto name = PercentDecode(raw);
        if (!name)
            continue;
        bool folder = false;
        if (!name->empty() && name->back() == '/') {
            folder = true;
            name->pop_back();
        }
        if (!IsSafeLocalFileName(*name) || !seen.insert(*name).second)
            continue;
        entries.push_back({std::move(*name), folder, -1});
    }
    return entries;
}

std::optional<S3Page> ParseS3Listing(std::string_view xml, std::string_view prefix)
{
    if (xml.find("<ListBucketResult") == std::string_view::npos)
        return std::nullopt;
    S3Page page;
    std::unordered_set<std::string> seen;
    auto take = [&](std::string key, bool folder, std::int64_t size) {
        if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0)
            return; // not below the folder asked for (or the folder's own marker)
        std::string name = key.substr(prefix.size());
        if (folder) {
            if (name.back() != '/')
                return;
            name.pop_back();
        }
        if (IsSafeLocalFileName(name) && seen.insert(name).second)
            page.entries.push_back({std::move(name), folder, size});
    };
    std::size_t at = 0, end = 0;
    while (auto block = Element(xml, "CommonPrefixes", at, &end)) {
        if (auto p = Element(*block, "Prefix"))
            take(DecodeEntities(*p), true, -1);
        at = end;
    }
    at = 0;
    while (auto block = Element(xml, "Contents", at, &end)) {
        at = end;
        const auto key = Element(*block, "Key");
        if (!key)
            continue;
        std::int64_t size = -1;
        if (auto s = Element(*block, "Size")) {
            std::int64_t v = 0;
            auto [p, ec] = std::from_chars(s->data(), s->data() + s->size(), v);
            if (ec == std::errc() && p == s->data() + s->size() && v >= 0)
                size = v;
        }
        take(DecodeEntities(*key), false, size);
    }
    if (auto t = Element(xml, "IsTruncated"))
        page.truncated = *t == "true";
    if (auto token = Element(xml, "NextContinuationToken"))
        page.nextToken = DecodeEntities(*token);
    return page;
}
