#include "gdac/match_points.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace {

bool Digits(std::string_view s, std::size_t at, std::size_t n, int& value)
{
    value = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

std::string Number(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}

std::string DateOf(std::uint64_t stamp)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", static_cast<int>(stamp / 10000000000ULL),
                  static_cast<int>(stamp / 100000000ULL % 100), static_cast<int>(stamp / 1000000ULL % 100));
    return buffer;
}

} // namespace

bool DayOfIndexDate(std::string_view field, double& day)
{
    using namespace std::chrono;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (field.size() < 8 || !Digits(field, 0, 4, y) || !Digits(field, 4, 2, mo) || !Digits(field, 6, 2, d))
        return false;
    if (field.size() >= 14 && (!Digits(field, 8, 2, h) || !Digits(field, 10, 2, mi) || !Digits(field, 12, 2, s)))
        return false;
    const year_month_day ymd{year(y), month(static_cast<unsigned>(mo)), std::chrono::day(static_cast<unsigned>(d))};
    if (!ymd.ok())
        return false;
    day = static_cast<double>(sys_days(ymd).time_since_epoch().count()) + (h * 3600.0 + mi * 60.0 + s) / 86400.0;
    return true;
}

std::string DayText(double day)
{
    using namespace std::chrono;
    const year_month_day ymd{sys_days(days(static_cast<long>(std::floor(day))))};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return buffer;
}

std::vector<MatchPoint> MatchPointsOf(std::string_view columnLine, std::string_view text)
{
    std::vector<MatchPoint> points;
    const auto columns = ParseColumnLine(columnLine);
    if (!columns)
        return points;
    std::uint32_t line = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::vector<std::string_view> fields = SplitIndexLine(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        MatchPoint p;
        p.line = line++;
        const auto field = [&](int i) { return i < static_cast<int>(fields.size()) ? fields[i] : std::string_view(); };
        const auto lat = ParseNumber(field(columns->latitude));
        const auto lon = ParseNumber(field(columns->longitude));
        if (!lat || !lon || std::abs(*lat) > 90 || std::abs(*lon) > 180)
            continue;
        p.latitude = *lat;
        p.longitude = *lon;
        p.dated = DayOfIndexDate(field(columns->date), p.day);
        points.push_back(p);
    }
    return points;
}

MapRegion RegionBetween(double lon0, double lat0, double lon1, double lat1)
{
    MapRegion r;
    r.south = std::clamp(std::min(lat0, lat1), -90.0, 90.0);
    r.north = std::clamp(std::max(lat0, lat1), -90.0, 90.0);
    const double west = std::min(lon0, lon1), east = std::max(lon0, lon1);
    if (east - west >= 360.0)
        return r;
    auto wrap = [](double lon) {
        lon = std::fmod(lon + 180.0, 360.0);
        if (lon < 0)
            lon += 360.0;
        return lon - 180.0;
    };
    r.west = wrap(west);
    r.east = wrap(east);
    if (r.east == -180.0 && east > west)
        r.east = 180.0; // a rectangle ending on the meridian keeps its east side there
    return r;
}

std::string QueryText(GdacIndexKind kind, const IndexQuery& query)
{
    std::string text = kind == GdacIndexKind::Core        ? "core index"
                       : kind == GdacIndexKind::Synthetic ? "synthetic index"
                                                          : "bio index";
    if (!query.wmos.empty()) {
        text += ", WMO ";
        for (std::size_t i = 0; i < query.wmos.size(); ++i)
            text += (i ? "," : "") + query.wmos[i];
    }
    if (!query.dac.empty())
        text += ", DAC " + query.dac;
    if (query.hasBox)
        text += ", latitude " + Number(query.latMin) + " to " + Number(query.latMax) + ", longitude " +
                Number(query.lonWest) + " to " + Number(query.lonEast);
    if (query.dateFrom)
        text += ", from " + DateOf(query.dateFrom);
    if (query.dateTo)
        text += ", to " + DateOf(query.dateTo);
    return text;
}
