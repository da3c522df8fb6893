#include "cdl/c_format.h"

namespace {

constexpr int kMaxWidth = 512;
constexpr int kMaxPrecision = 512;

// Reads a run of decimal digits into *value, refusing values above `limit`.
bool read_number(std::string_view text, std::size_t& i, int limit, int* value)
{
    long long n = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        n = n * 10 + (text[i] - '0');
        if (n > limit)
            return false;
        ++i;
    }
    *value = static_cast<int>(n);
    return true;
}

bool length_suits(NumberSpec::Length length, char conv, ValueKind kind)
{
    using L = NumberSpec::Length;
    if (kind == ValueKind::Floating)
        return length == L::None || length == L::l || length == L::L;
    if (conv == 'c')
        return length == L::None;
    return length != L::L;
}

} // namespace

std::optional<CFormat> CFormat::parse(std::string_view text, ValueKind kind, std::size_t max_length)
{
    if (auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    if (text.empty() || text.size() > max_length)
        return std::nullopt;

    CFormat f;
    f.m_kind = kind;
    bool have_conversion = false;
    std::string* literal = &f.m_prefix;

    for (std::size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c != '%') {
            literal->push_back(c);
            ++i;
            continue;
        }
        ++i;
        if (i < text.size() && text[i] == '%') {
            literal->push_back('%');
            ++i;
            continue;
        }
        if (have_conversion)
            return std::nullopt; // a second conversion

        NumberSpec spec;
        for (; i < text.size(); ++i) {
            char flag = text[i];
            if (flag == '-')
                spec.left = true;
            else if (flag == '+')
                spec.plus = true;
            else if (flag == ' ')
                spec.space = true;
            else if (flag == '#')
                spec.alt = true;
            else if (flag == '0')
                spec.zero = true;
            else
                break;
        }
        if (!read_number(text, i, kMaxWidth, &spec.width))
            return std::nullopt;
        if (i < text.size() && text[i] == '.') {
            ++i;
            if (!read_number(text, i, kMaxPrecision, &spec.precision))
                return std::nullopt;
        }
        using L = NumberSpec::Length;
        if (i < text.size() && text[i] == 'h') {
            ++i;
            spec.length = L::h;
            if (i < text.size() && text[i] == 'h') {
                ++i;
                spec.length = L::hh;
            }
        } else if (i < text.size() && text[i] == 'l') {
            ++i;
            spec.length = L::l;
            if (i < text.size() && text[i] == 'l') {
                ++i;
                spec.length = L::ll;
            }
        } else if (i < text.size() && text[i] == 'L') {
            ++i;
            spec.length = L::L;
        }
        if (i >= text.size())
            return std::nullopt; // '%' with no conversion letter
        spec.conv = text[i++];
        bool suits = kind == ValueKind::Floating ? is_floating_conversion(spec.conv) : is_integer_conversion(spec.conv);
        if (!suits || !length_suits(spec.length, spec.conv, kind))
            return std::nullopt;
        f.m_spec = spec;
        have_conversion = true;
        literal = &f.m_suffix;
    }
    if (!have_conversion)
        return std::nullopt;
    return f;
}

void CFormat::append(std::string& out, double v) const
{
    out.append(m_prefix);
    if (m_kind == ValueKind::Floating)
        append_floating(out, m_spec, v);
    else // a double outside the range of long long (or NaN) has no integer value
        append_integer(out, m_spec, (v >= -9.2e18 && v <= 9.2e18) ? static_cast<long long>(v) : 0);
    out.append(m_suffix);
}

void CFormat::append(std::string& out, long long v) const
{
    out.append(m_prefix);
    if (m_kind == ValueKind::Integer)
        append_integer(out, m_spec, v);
    else
        append_floating(out, m_spec, static_cast<double>(v));
    out.append(m_suffix);
}
