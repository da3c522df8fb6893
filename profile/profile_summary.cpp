#include "profile/profile_summary.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include <netcdf.h>

#include "cdl/checked_open.h"
#include "profile/argo_time.h"
#include "profile/parameter_modes.h"
#include "profile/per_profile_values.h"

namespace {

// Pressures are read this many values at a time, whatever the file's size.
constexpr std::size_t kPressureBlock = std::size_t{1} << 22;

// The scheme's first words: the text before its first ':' (the whole text when it has
// none), blanks trimmed, at most 40 characters.
std::string SchemeWords(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    text = text.substr(0, text.find(':'));
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    text = text.substr(first);
    text = text.substr(0, text.find_last_not_of(' ') + 1);
    std::string s(text.substr(0, 40));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return s;
}

char FlagOf(const std::optional<std::string>& cells, std::size_t p)
{
    if (!cells || p >= cells->size())
        return 0;
    const char c = (*cells)[p];
    return c == ' ' || static_cast<unsigned char>(c) < 0x20 ? 0 : c;
}

// Counts, per profile of `out` (the profiles from `first`), the PRES values that are
// not fill (nor 99999, nor NaN), reading the variable in blocks of whole profiles;
// nothing when there are more than kMaxCountedPressures.
void CountPressures(int ncid, const ProfileShape& shape, std::size_t first, std::vector<ProfileSummary>& out)
{
    const PerProfileVariable pres = FindPerProfileVariable(ncid, shape, "PRES");
    if (!pres.found || pres.dimLengths.size() != 2 || pres.dimids[1] != shape.levels.id || !pres.numeric)
        return;
    const std::size_t n = shape.levels.length;
    if (n == 0 || out.size() > kMaxCountedPressures / n)
        return;
    const std::size_t rowsPerBlock = std::max<std::size_t>(1, kPressureBlock / n);
    std::vector<double> block;
    for (std::size_t p0 = 0; p0 < out.size(); p0 += rowsPerBlock) {
        const std::size_t rows = std::min(rowsPerBlock, out.size() - p0);
        block.resize(rows * n);
        const std::size_t start[2] = {first + p0, 0};
        const std::size_t count[2] = {rows, n};
        if (nc_get_vara_double(ncid, pres.varid, start, count, block.data()) != NC_NOERR)
            return;
        for (std::size_t r = 0; r < rows; ++r) {
            std::size_t levels = 0;
            for (std::size_t k = 0; k < n; ++k)
                if (!pres.IsFill(block[r * n + k]))
                    ++levels;
            out[p0 + r].levelsWithPressure = levels;
        }
    }
}

// PLATFORM_NUMBER as a title shows it: printable characters only, without the blanks
// and NULs that pad it.
std::string PlatformText(const std::string& raw)
{
    std::string text;
    for (char c : raw)
        if (c > ' ' && c < 127)
            text += c;
        else if (c == ' ' && !text.empty())
            text += c;
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

ProfileSummaryList ReadProfileSummaries(const std::string& path, ProfileRange range)
{
    ProfileSummaryList list;
    int ncid = -1;
    std::string reason;
    if (open_netcdf_checked(path, &ncid, &reason) != NC_NOERR) {
        list.message = path + ": " + reason;
        return list;
    }
    const ProfileShape shape = ReadProfileShape(ncid);
    if (!shape.ok() || !shape.OffersProfileTools()) {
        list.message = path + ": " + (shape.ok() ? ProfileToolsReason(shape) : nc_strerror(shape.status));
        nc_close(ncid);
        return list;
    }
    list.extent = {shape.prof.length, shape.levels.length};
    try {
        const std::size_t first = range.Start(shape.prof.length), np = range.Size(shape.prof.length);
        list.profiles.resize(np);
        for (std::size_t p = 0; p < np; ++p)
            list.profiles[p].index = first + p;

        const auto cycles = ReadPerProfileNumbers(ncid, shape, "CYCLE_NUMBER", range);
        const auto juld = ReadPerProfileNumbers(ncid, shape, "JULD", range);
        const auto lat = ReadPerProfileNumbers(ncid, shape, "LATITUDE", range);
        const auto lon = ReadPerProfileNumbers(ncid, shape, "LONGITUDE", range);
        const auto direction = ReadPerProfileFlags(ncid, shape, "DIRECTION", range);
        const auto mode = ReadPerProfileFlags(ncid, shape, "DATA_MODE", range);
        const auto parameterModes = ReadParameterModes(ncid, shape, range);
        const auto schemes = ReadPerProfileStrings(ncid, shape, "VERTICAL_SAMPLING_SCHEME", range);
        const auto platforms = ReadPerProfileStrings(ncid, shape, "PLATFORM_NUMBER", range);
        const std::int64_t reference = ReadReferenceDateTime(ncid);
        const bool dated = !UnreadableJuldUnits(ncid); // else no date is made up

        for (std::size_t p = 0; p < np; ++p) {
            ProfileSummary& s = list.profiles[p];
            if (cycles && (*cycles)[p] && std::fabs(*(*cycles)[p]) < 9.0e18)
                s.cycle = static_cast<long long>(*(*cycles)[p]);
            s.juld = juld ? (*juld)[p] : std::nullopt;
            if (s.juld && dated)
                if (const auto seconds = JuldToSeconds(*s.juld, reference))
                    s.date = FormatUtcMinutes(*seconds);
            s.latitude = lat ? (*lat)[p] : std::nullopt;
            s.longitude = lon ? (*lon)[p] : std::nullopt;
            s.direction = FlagOf(direction, p);
            s.dataMode = FlagOf(mode, p);
            s.modes = ModesText(parameterModes ? (*parameterModes)[p] : std::vector<ParameterMode>{},
                                s.dataMode == 0 ? ' ' : s.dataMode);
            if (schemes)
                s.scheme = SchemeWords((*schemes)[p]);
            if (platforms)
                s.platform = PlatformText((*platforms)[p]);
        }
        CountPressures(ncid, shape, first, list.profiles);
        list.ok = true;
    } catch (const std::bad_alloc&) {
        list.profiles.clear();
        list.message = path + ": not enough memory to list the profiles.";
    }
    nc_close(ncid);
    return list;
}

std::string DescribeProfile(const ProfileSummary& profile, std::size_t total)
{
    std::string text = "profile " + std::to_string(profile.index) + " of " + std::to_string(total);
    std::string details;
    if (profile.cycle)
        details = "cycle " + std::to_string(*profile.cycle);
    const char* direction = profile.direction == 'A' ? "ascending" : profile.direction == 'D' ? "descending" : nullptr;
    if (direction)
        details += (details.empty() ? "" : ", ") + std::string(direction);
    if (!details.empty())
        text += " (" + details + ")";
    return text;
}
