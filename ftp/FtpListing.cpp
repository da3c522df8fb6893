#include "ftp/FtpListing.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool AllDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsMonth(std::string_view s)
{
    static constexpr std::array<std::string_view, 12> months = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                "jul", "aug", "sep", "oct", "nov", "dec"};
    return std::any_of(months.begin(), months.end(), [&](std::string_view m) { return EqualsNoCase(s, m); });
}

// "12:34" or "2024"
bool IsTimeOrYear(std::string_view s)
{
    auto colon = s.find(':');
    if (colon == std::string_view::npos)
        return s.size() == 4 && AllDigits(s);
    return AllDigits(s.substr(0, colon)) && AllDigits(s.substr(colon + 1)) && colon <= 2;
}

struct Token {
    std::string_view text;
    std::size_t end = 0; // offset just past the token in the line
};

std::vector<Token> Tokenize(std::string_view line, std::size_t maxTokens)
{
    std::vector<Token> tokens;
    std::size_t pos = 0;
    while (tokens.size() < maxTokens) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size())
            break;
        std::size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t')
            ++pos;
        tokens.push_back({line.substr(start, pos - start), pos});
    }
    return tokens;
}

std::string_view StripLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

std::optional<FtpEntry> ParseUnixListLine(std::string_view line)
{
    const char kind = line[0];
    if (kind != 'd' && kind != 'l' && kind != '-')
        return std::nullopt;
    // The date is "Mon DD HH:MM" or "Mon DD YYYY"; the name is everything after the
    // single blank that follows it. Owner and group columns vary between servers, so
    // look for the date rather than count columns.
    auto tokens = Tokenize(line, 12);
    for (std::size_t i = 3; i + 2 < tokens.size(); ++i) {
        if (!IsMonth(tokens[i].text) || !AllDigits(tokens[i + 1].text) || tokens[i + 1].text.size() > 2 ||
            !IsTimeOrYear(tokens[i + 2].text))
            continue;
        std::size_t start = tokens[i + 2].end + 1;
        if (start >= line.size())
            return std::nullopt;
        std::string_view name = line.substr(start);
        if (kind == 'l') {
            auto arrow = name.find(" -> ");
            if (arrow != std::string_view::npos)
                name = name.substr(0, arrow);
        }
        if (name.empty())
            return std::nullopt;
        return FtpEntry{std::string(name), kind != '-'};
    }
    return std::nullopt;
}

// "12-08-26  10:00AM       <DIR>          name" or "12-08-26  10:00AM   12345 name"
std::optional<FtpEntry> ParseDosListLine(std::string_view line)
{
    auto tokens = Tokenize(line, 3);
    if (tokens.size() < 3)
        return std::nullopt;
    const auto& date = tokens[0].text;
    if (date.size() < 8 || !std::isdigit(static_cast<unsigned char>(date[0])) || (date[2] != '-' && date[2] != '/'))
        return std::nullopt;
    bool dir = tokens[2].text == "<DIR>";
    if (!dir && !AllDigits(tokens[2].text))
        return std::nullopt;
    std::size_t pos = tokens[2].end;
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    if (pos >= line.size())
        return std::nullopt;
    return FtpEntry{std::string(line.substr(pos)), dir};
}

} // namespace

std::optional<FtpEntry> ParseMlsdLine(std::string_view line)
{
    line = StripLineEnd(line);
    auto space = line.find(' ');
    if (space == std::string_view::npos || space + 1 >= line.size())
        return std::nullopt;
    std::string_view facts = line.substr(0, space);
    std::string_view name = line.substr(space + 1);
    std::string_view type;
    while (!facts.empty()) {
        auto semi = facts.find(';');
        std::string_view fact = facts.substr(0, semi);
        facts = semi == std::string_view::npos ? std::string_view() : facts.substr(semi + 1);
        auto eq = fact.find('=');
        if (eq != std::string_view::npos && EqualsNoCase(fact.substr(0, eq), "type"))
            type = fact.substr(eq + 1);
    }
    if (EqualsNoCase(type, "file"))
        return FtpEntry{std::string(name), false};
    if (EqualsNoCase(type, "dir") || EqualsNoCase(type, "pdir"))
        return FtpEntry{std::string(name), true};
    // Links are offered among the folders: "OS.unix=slink:/target", "OS.unix=symlink".
    std::string lowered(type);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), Lower);
    if (lowered.rfind("os.unix=slink", 0) == 0 || lowered.rfind("os.unix=symlink", 0) == 0)
        return FtpEntry{std::string(name), true};
    return std::nullopt;
}

std::optional<FtpEntry> ParseListLine(std::string_view line)
{
    line = StripLineEnd(line);
    if (line.empty())
        return std::nullopt;
    if (auto unix = ParseUnixListLine(line))
        return unix;
    return ParseDosListLine(line);
}

std::vector<FtpEntry> ParseListing(std::string_view text, bool mlsd)
{
    std::vector<FtpEntry> entries;
    while (!text.empty()) {
        auto nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        auto entry = mlsd ? ParseMlsdLine(line) : ParseListLine(line);
        if (entry)
            entries.push_back(std::move(*entry));
    }
    return entries;
}

std::optional<std::string> ParsePwdReply(std::string_view line)
{
    line = StripLineEnd(line);
    if (line.size() < 5 || line.substr(0, 3) != "257")
        return std::nullopt;
    auto open = line.find('"');
    if (open == std::string_view::npos)
        return std::nullopt;
    std::string dir;
    for (std::size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] == '"') {
            if (i + 1 < line.size() && line[i + 1] == '"') {
                dir += '"';
                ++i;
                continue;
            }
            if (dir.empty())
                return std::nullopt;
            return dir;
        }
        dir += line[i];
    }
    return std::nullopt; // no closing quote
}

bool IsSafeCommandArgument(std::string_view name)
{
    return !name.empty() && name.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

namespace {
bool IsValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || i + len > s.size())
            return false;
        unsigned cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
            (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += len;
    }
    return true;
}
} // namespace

bool IsSafeLocalFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char ch : name) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || ch == '/' || ch == '\\')
            return false;
    }
    return IsValidUtf8(name);
}
