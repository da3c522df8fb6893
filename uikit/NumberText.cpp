#include "uikit/NumberText.h"

#include <charconv>
#include <string>

#include "cdl/number_format.h"

QString IntegerText(long long v)
{
    std::string s;
    NumberSpec spec;
    spec.length = NumberSpec::Length::ll;
    append_integer(s, spec, v);
    return QString::fromStdString(s);
}

std::optional<int> ParseWholeInt(const QString& field)
{
    const std::string s = field.trimmed().toStdString();
    if (s.empty())
        return std::nullopt;
    const char* b = s.data();
    const char* e = b + s.size();
    if (*b == '+')
        ++b;
    int v = 0;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e || b == e)
        return std::nullopt;
    if (b != s.data() && (*b == '-' || *b == '+')) // "+-5"
        return std::nullopt;
    return v;
}
