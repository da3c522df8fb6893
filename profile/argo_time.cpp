#include "profile/argo_time.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// 0001-01-01 and 10000-01-01 as seconds since 1970: the years a date text can hold.
constexpr std::int64_t kFirstSecond = -62135596800;
constexpr std::int64_t kEndSecond = 253402300800;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month, day, hour, minute, second;
};

Civil CivilFromSeconds(std::int64_t s)
{
    std::int64_t days = s / kSecondsPerDay;
    std::int64_t rest = s % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    Civil c{};
    c.day = doy - (153 * mp + 2) / 5 + 1;
    c.month = mp < 10 ? mp + 3 : mp - 9;
    c.year = static_cast<std::int64_t>(yoe) + era * 400 + (c.month <= 2);
    c.hour = static_cast<unsigned>(rest / 3600);
    c.minute = static_cast<unsigned>(rest / 60 % 60);
    c.second = static_cast<unsigned>(rest % 60);
    return c;
}

bool IsLeap(std::int64_t y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

} // namespace

std::optional<std::int64_t> ParseReferenceDateTime(std::string_view text)
{
    if (text.size() < 14)
        return std::nullopt;
    int v[14];
    for (int i = 0; i < 14; ++i) {
        if (text[static_cast<std::size_t>(i)] < '0' || text[static_cast<std::size_t>(i)] > '9')
            return std::nullopt;
        v[i] = text[static_cast<std::size_t>(i)] - '0';
    }
    for (char c : text.substr(14))
        if (c != ' ' && c != '\0')
            return std::nullopt;
    const int year = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
    const unsigned month = static_cast<unsigned>(v[4] * 10 + v[5]);
    const unsigned day = static_cast<unsigned>(v[6] * 10 + v[7]);
    const int hour = v[8] * 10 + v[9], minute = v[10] * 10 + v[11], second = v[12] * 10 + v[13];
    static const unsigned kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    if (day > kMonthDays[month - 1] + (month == 2 && IsLeap(year) ? 1u : 0u))
        return std::nullopt;
    return DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

std::int64_t DefaultArgoReference()
{
    return DaysFromCivil(1950, 1, 1) * kSecondsPerDay;
}

std::optional<std::int64_t> JuldToSeconds(double days, std::int64_t reference)
{
    if (!std::isfinite(days) || std::fabs(days) > 4.0e6) // about 11 000 years either way
        return std::nullopt;
    const std::int64_t s = reference + static_cast<std::int64_t>(std::llround(days * kSecondsPerDay));
    if (s < kFirstSecond || s >= kEndSecond)
        return std::nullopt;
    return s;
}

std::string FormatUtcMinutes(std::int64_t seconds)
{
    const Civil c = CivilFromSeconds(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02u:%02u", static_cast<long long>(c.year), c.month, c.day, c.hour,
                  c.minute);
    return buf;
}

std::string FormatUtcIso(std::int64_t seconds)
{
    const Civil c = CivilFromSeconds(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02u:%02u:%02uZ", static_cast<long long>(c.year), c.month, c.day,
                  c.hour, c.minute, c.second);
    return buf;
}

bool JuldUnitsReadable(std::string_view units)
{
    while (!units.empty() && (units.back() == ' ' || units.back() == '\0'))
        units.remove_suffix(1);
    constexpr std::string_view kDays = "days since ";
    if (!units.starts_with(kDays))
        return false;
    units.remove_prefix(kDays.size());
    // The date and time as "YYYYMMDDHHMISS", checked as REFERENCE_DATE_TIME is.
    std::string digits;
    const auto take = [&](std::size_t n, char after) {
        for (std::size_t i = 0; i < n; ++i) {
            if (units.empty() || units.front() < '0' || units.front() > '9')
                return false;
            digits += units.front();
            units.remove_prefix(1);
        }
        if (after == 0)
            return true;
        if (units.empty() || units.front() != after)
            return false;
        units.remove_prefix(1);
        return true;
    };
    if (!take(4, '-') || !take(2, '-') || !take(2, 0))
        return false;
    if (!units.empty() && (units.front() == ' ' || units.front() == 'T') && units.size() >= 9 && units[1] >= '0' &&
        units[1] <= '9') {
        units.remove_prefix(1);
        if (!take(2, ':') || !take(2, ':') || !take(2, 0))
            return false;
    } else {
        digits += "000000";
    }
    if (units == " UTC" || units == "Z" || units == " Z")
        units = {};
    return units.empty() && ParseReferenceDateTime(digits).has_value();
}
