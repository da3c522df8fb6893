#include "display/RangeText.h"

#include <charconv>
#include <limits>

#include "cdl/c_format.h"

std::optional<double> ScanRangeValue(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    if (rest.empty() || rest[0] == '+' || rest[0] == '-')
        return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (end == rest.data())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Too large reads as infinity and too small as zero, as strtod gives them.
        const std::string_view number = rest.substr(0, static_cast<std::size_t>(end - rest.data()));
        const std::size_t e = number.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

std::string FormatRangeValue(double value)
{
    static const CFormat format = *CFormat::parse("%.1lf", ValueKind::Floating);
    return format.format(value);
}
