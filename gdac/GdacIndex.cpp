#include "gdac/GdacIndex.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "core/JobControl.h"

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool AllDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// A longitude in [-180, 180).
double WrapLongitude(double lon)
{
    while (lon >= 180)
        lon -= 360;
    while (lon < -180)
        lon += 360;
    return lon;
}

std::optional<double> FieldNumber(std::string_view s)
{
    if (s.empty())
        return std::nullopt;
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || v != v)
        return std::nullopt;
    return v;
}

constexpr std::uint64_t kProgressStep = 8u << 20;

} // namespace

const char* IndexFileName(GdacIndexKind kind)
{
    switch (kind) {
    case GdacIndexKind::Core: return "ar_index_global_prof.txt";
    case GdacIndexKind::Synthetic: return "argo_synthetic-profile_index.txt";
    case GdacIndexKind::Bio: return "argo_bio-profile_index.txt";
    }
    return "ar_index_global_prof.txt";
}

std::optional<GdacIndexKind> IndexKindByName(std::string_view name)
{
    if (name == "core")
        return GdacIndexKind::Core;
    if (name == "synthetic")
        return GdacIndexKind::Synthetic;
    if (name == "bio")
        return GdacIndexKind::Bio;
    return std::nullopt;
}

std::optional<std::vector<std::string>> ParseWmoList(std::string_view text)
{
    std::vector<std::string> wmos;
    while (true) {
        const auto comma = text.find(',');
        const std::string_view part = Trim(text.substr(0, comma));
        if (!AllDigits(part) || part.size() > 12)
            return std::nullopt;
        wmos.emplace_back(part);
        if (comma == std::string_view::npos)
            return wmos;
        text.remove_prefix(comma + 1);
    }
}

std::optional<double> ParseNumber(std::string_view text)
{
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto v = FieldNumber(text);
    if (!v || *v > 1e6 || *v < -1e6)
        return std::nullopt;
    return v;
}

bool ParseBox(std::string_view text, IndexQuery& query)
{
    double v[4];
    for (int i = 0; i < 4; ++i) {
        const auto comma = text.find(',');
        if ((i < 3) == (comma == std::string_view::npos))
            return false;
        const auto n = ParseNumber(text.substr(0, comma));
        if (!n)
            return false;
        v[i] = *n;
        text = i < 3 ? text.substr(comma + 1) : std::string_view();
    }
    if (v[0] > v[1] || v[0] < -90 || v[1] > 90 || v[2] < -360 || v[2] > 360 || v[3] < -360 || v[3] > 360)
        return false;
    query.hasBox = true;
    query.latMin = v[0];
    query.latMax = v[1];
    query.lonWest = v[2];
    query.lonEast = v[3];
    return true;
}

std::optional<std::uint64_t> ParseDay(std::string_view text, bool endOfDay)
{
    text = Trim(text);
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const std::string_view y = text.substr(0, 4), m = text.substr(5, 2), d = text.substr(8, 2);
    if (!AllDigits(y) || !AllDigits(m) || !AllDigits(d))
        return std::nullopt;
    const int year = std::stoi(std::string(y)), month = std::stoi(std::string(m)), day = std::stoi(std::string(d));
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > days[month - 1] || (month == 2 && day == 29 && !leap))
        return std::nullopt;
    const std::uint64_t ymd = static_cast<std::uint64_t>(year) * 10000 + static_cast<std::uint64_t>(month) * 100 +
                              static_cast<std::uint64_t>(day);
    return ymd * 1000000 + (endOfDay ? 235959 : 0);
}

std::optional<IndexColumns> ParseColumnLine(std::string_view line)
{
    IndexColumns columns;
    const auto fields = SplitIndexLine(Trim(line));
    columns.count = static_cast<int>(fields.size());
    for (int i = 0; i < columns.count; ++i) {
        const std::string_view f = Trim(fields[static_cast<std::size_t>(i)]);
        if (f == "file")
            columns.file = i;
        else if (f == "date")
            columns.date = i;
        else if (f == "latitude")
            columns.latitude = i;
        else if (f == "longitude")
            columns.longitude = i;
    }
    if (columns.file < 0 || columns.date < 0 || columns.latitude < 0 || columns.longitude < 0)
        return std::nullopt;
    return columns;
}

std::vector<std::string_view> SplitIndexLine(std::string_view line)
{
    std::vector<std::string_view> fields;
    while (true) {
        const auto comma = line.find(',');
        fields.push_back(line.substr(0, comma));
        if (comma == std::string_view::npos)
            return fields;
        line.remove_prefix(comma + 1);
    }
}

bool MatchIndexLine(std::string_view line, const IndexColumns& columns, const IndexQuery& query)
{
    // Only the fields up to the last one a bound needs are found.
    int needed = columns.file;
    if (query.dateFrom || query.dateTo)
        needed = std::max(needed, columns.date);
    if (query.hasBox)
        needed = std::max({needed, columns.latitude, columns.longitude});
    std::string_view fields[64];
    if (needed >= 64)
        return false;
    const char* p = line.data();
    const char* const end = p + line.size();
    for (int i = 0; i <= needed; ++i) {
        if (p > end)
            return false; // fewer fields than the column line
        const char* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<std::size_t>(end - p)));
        const char* stop = comma ? comma : end;
        fields[i] = std::string_view(p, static_cast<std::size_t>(stop - p));
        p = stop + 1;
    }

    if (!query.dac.empty() || !query.wmos.empty()) {
        const std::string_view file = fields[columns.file];
        const auto first = file.find('/');
        if (first == std::string_view::npos)
            return false;
        if (!query.dac.empty() && !EqualNoCase(file.substr(0, first), query.dac))
            return false;
        if (!query.wmos.empty()) {
            const auto second = file.find('/', first + 1);
            if (second == std::string_view::npos)
                return false;
            const std::string_view wmo = file.substr(first + 1, second - first - 1);
            if (std::find(query.wmos.begin(), query.wmos.end(), wmo) == query.wmos.end())
                return false;
        }
    }
    if (query.dateFrom || query.dateTo) {
        const std::string_view date = fields[columns.date];
        if (date.size() != 14 || !AllDigits(date))
            return false;
        std::uint64_t value = 0;
        std::from_chars(date.data(), date.data() + date.size(), value);
        if ((query.dateFrom && value < query.dateFrom) || (query.dateTo && value > query.dateTo))
            return false;
    }
    if (query.hasBox) {
        const auto lat = FieldNumber(fields[columns.latitude]);
        const auto lon = FieldNumber(fields[columns.longitude]);
        if (!lat || !lon || *lat < query.latMin || *lat > query.latMax)
            return false;
        const double west = WrapLongitude(query.lonWest), east = WrapLongitude(query.lonEast);
        const double x = WrapLongitude(*lon);
        // A box of 360° or more takes every longitude.
        const bool whole = query.lonEast - query.lonWest >= 360;
        if (!whole && (west <= east ? (x < west || x > east) : (x < west && x > east)))
            return false;
    }
    return true;
}

namespace {

IndexSearchResult SearchImpl(std::string_view text, const IndexQuery& query, const IndexLineFn& onMatch,
                             JobControl* job, const IndexLineFn& onColumnLine,
                             const std::function<void(std::size_t offset)>& onStep)
{
    IndexSearchResult result;
    if (job)
        job->SetTotal(text.size());
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin;
    // Comment lines, then the column line.
    std::optional<IndexColumns> columns;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* stop = nl ? nl : end;
        std::string_view line(p, static_cast<std::size_t>(stop - p));
        p = nl ? nl + 1 : end;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && line.front() == '#')
            continue;
        columns = ParseColumnLine(line);
        if (!columns) {
            result.error =
                "the file is not an Argo profile index (no column line with file, date, latitude, longitude)";
            return result;
        }
        result.columnLine = std::string(line);
        if (onColumnLine)
            onColumnLine(line);
        break;
    }
    if (!columns) {
        result.error = "the index holds no column line";
        return result;
    }
    const char* nextReport = p + kProgressStep;
    while (p < end) {
        if (p >= nextReport) {
            nextReport = p + kProgressStep;
            if (onStep)
                onStep(static_cast<std::size_t>(p - begin));
            if (job) {
                job->SetDone(static_cast<std::uint64_t>(p - begin));
                if (job->Cancelled()) {
                    result.cancelled = true;
                    result.error = "cancelled";
                    return result;
                }
            }
        }
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* stop = nl ? nl : end;
        std::string_view line(p, static_cast<std::size_t>(stop - p));
        p = nl ? nl + 1 : end;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        ++result.lines;
        if (MatchIndexLine(line, *columns, query)) {
            ++result.matches;
            if (onMatch)
                onMatch(line);
        }
    }
    if (job)
        job->SetDone(text.size());
    result.ok = true;
    return result;
}

} // namespace

IndexSearchResult SearchIndexText(std::string_view text, const IndexQuery& query, const IndexLineFn& onMatch,
                                  JobControl* job, const IndexLineFn& onColumnLine)
{
    return SearchImpl(text, query, onMatch, job, onColumnLine, {});
}

IndexSearchResult SearchIndexFile(const std::string& path, const IndexQuery& query, const IndexLineFn& onMatch,
                                  JobControl* job, const IndexLineFn& onColumnLine)
{
    IndexSearchResult result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = path + ": " + std::strerror(errno);
        return result;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.error = path + ": not a regular file";
        return result;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size == 0) {
        ::close(fd);
        result.error = path + ": the index is empty";
        return result;
    }
    void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) {
        result.error = path + ": " + std::strerror(errno);
        return result;
    }
    madvise(map, size, MADV_SEQUENTIAL);
    // Pages already searched are given back as the search moves on, so the memory it
    // holds stays a small part of the index whatever its size.
    auto* base = static_cast<char*>(map);
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::size_t released = 0;
    result = SearchImpl(std::string_view(base, size), query, onMatch, job, onColumnLine, [&](std::size_t offset) {
        const std::size_t upTo = offset > kProgressStep ? (offset - kProgressStep) / page * page : 0;
        if (upTo > released) {
            madvise(base + released, upTo - released, MADV_DONTNEED);
            released = upTo;
        }
    });
    munmap(map, size);
    return result;
}
