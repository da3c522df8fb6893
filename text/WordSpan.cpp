#include "text/WordSpan.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether line[i] is part of a number though not a word byte: a point next to a digit,
// or a sign right after the exponent letter of a number.
bool NumberPart(std::string_view line, std::size_t i)
{
    const char c = line[i];
    const bool digitBefore = i > 0 && IsDigit(line[i - 1]);
    const bool digitAfter = i + 1 < line.size() && IsDigit(line[i + 1]);
    if (c == '.')
        return digitBefore || digitAfter;
    if ((c == '+' || c == '-') && i > 0 && (line[i - 1] == 'e' || line[i - 1] == 'E') && digitAfter) {
        // The letter must close a number's mantissa: "1.5e+3", not "name-3".
        return i >= 2 && (IsDigit(line[i - 2]) || line[i - 2] == '.');
    }
    return false;
}

} // namespace

std::pair<std::size_t, std::size_t> WordAt(std::string_view line, std::size_t at)
{
    const std::size_t n = line.size();
    if (at > n)
        at = n;
    auto inToken = [&](std::size_t i) { return IsWordByte(line[i]) || NumberPart(line, i); };
    // On the minus sign of a number: the number.
    if (at + 1 < n && line[at] == '-' && (IsDigit(line[at + 1]) || line[at + 1] == '.'))
        ++at;
    if (at == n || !inToken(at)) {
        if (at > 0 && inToken(at - 1))
            --at;
        else
            return {at, at};
    }
    std::size_t b = at, e = at;
    while (b > 0 && inToken(b - 1))
        --b;
    while (e < n && inToken(e))
        ++e;
    // A minus sign before a number belongs to it, unless it joins two words ("a-1").
    if (b > 0 && line[b - 1] == '-' && (IsDigit(line[b]) || line[b] == '.') && (b < 2 || !IsWordByte(line[b - 2])))
        --b;
    // A point that ends the token is a full stop, not part of it ("end." but "1.").
    while (e > b + 1 && line[e - 1] == '.' && !IsDigit(line[b]) && line[b] != '-')
        --e;
    return {b, e};
}
