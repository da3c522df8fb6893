#include "profile/profile_qc.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <netcdf.h>

#include "cdl/c_format.h"
#include "cdl/checked_open.h"
#include "profile/profile_levels.h"
#include "profile/seawater.h"

namespace {

// The flag variables in the order of ProfileFlags' members.
constexpr const char* kFlagNames[6] = {"PRES_QC",          "TEMP_QC",          "PSAL_QC",
                                       "PRES_ADJUSTED_QC", "TEMP_ADJUSTED_QC", "PSAL_ADJUSTED_QC"};

std::vector<char>& FlagVector(ProfileFlags& f, int i)
{
    switch (i) {
    case 0: return f.pres;
    case 1: return f.temp;
    case 2: return f.psal;
    case 3: return f.presAdj;
    case 4: return f.tempAdj;
    default: return f.psalAdj;
    }
}

// The id of the NC_CHAR variable `name` when its dimensions are exactly `dims`
// (a single-profile file may also drop N_PROF: `alt`), else -1.
int CharVariable(int ncid, const char* name, std::span<const int> dims, std::span<const int> alt = {})
{
    int varid = -1, ndims = 0;
    nc_type type = NC_NAT;
    if (nc_inq_varid(ncid, name, &varid) != NC_NOERR ||
        nc_inq_var(ncid, varid, nullptr, &type, &ndims, nullptr, nullptr) != NC_NOERR || type != NC_CHAR || ndims < 1 ||
        ndims > 2)
        return -1;
    int ids[2] = {-1, -1};
    if (nc_inq_vardimid(ncid, varid, ids) != NC_NOERR)
        return -1;
    const std::span<const int> found(ids, static_cast<std::size_t>(ndims));
    auto same = [&](std::span<const int> want) {
        return !want.empty() && want.size() == found.size() && std::equal(want.begin(), want.end(), found.begin());
    };
    return same(dims) || same(alt) ? varid : -1;
}

char CleanFlag(char c)
{
    return c == '\0' ? kNoFlag : c;
}

FlagLoadResult Failure(std::string message)
{
    return FlagLoadResult{false, std::move(message)};
}

} // namespace

FlagLoadResult LoadProfileFlags(const std::string& path, const ProfileExtent& expected,
                                std::span<const std::size_t> profiles, std::vector<ProfileFlags>& out)
{
    out.clear();
    int ncid = -1;
    ProfileShape shape;
    std::string message;
    if (!OpenShownProfileFile(path, expected, profiles, ncid, shape, message))
        return Failure(message);
    const std::size_t n = shape.levels.length;
    if (n > 1'000'000) {
        nc_close(ncid);
        return Failure(path + ": the file has too many levels to show (N_LEVELS is " + std::to_string(n) + ").");
    }

    FlagLoadResult result;
    try {
        const int both[2] = {shape.prof.id, shape.levels.id};
        const int levelsOnly[1] = {shape.levels.id};
        const std::span<const int> alt =
            shape.prof.length == 1 ? std::span<const int>(levelsOnly) : std::span<const int>();
        int varids[6];
        for (int i = 0; i < 6; ++i)
            varids[i] = CharVariable(ncid, kFlagNames[i], both, alt);
        const int profOnly[1] = {shape.prof.id};
        const int modeId = CharVariable(ncid, "DATA_MODE", profOnly);

        out.resize(profiles.size());
        std::string text;
        for (std::size_t k = 0; k < profiles.size(); ++k) {
            ProfileFlags& f = out[k];
            for (int i = 0; i < 6; ++i) {
                std::vector<char>& v = FlagVector(f, i);
                v.assign(n, kNoFlag);
                if (varids[i] < 0)
                    continue;
                int ndims = 0;
                nc_inq_varndims(ncid, varids[i], &ndims);
                text.assign(n, kNoFlag);
                const std::size_t start2[2] = {profiles[k], 0}, count2[2] = {1, n};
                const std::size_t start1[1] = {0}, count1[1] = {n};
                const int status = ndims == 2 ? nc_get_vara_text(ncid, varids[i], start2, count2, text.data())
                                              : nc_get_vara_text(ncid, varids[i], start1, count1, text.data());
                if (status != NC_NOERR)
                    continue; // a partly read slice is never shown
                for (std::size_t j = 0; j < n; ++j)
                    v[j] = CleanFlag(text[j]);
            }
            if (modeId >= 0) {
                const std::size_t start[1] = {profiles[k]}, count[1] = {1};
                char mode = kNoFlag;
                if (nc_get_vara_text(ncid, modeId, start, count, &mode) == NC_NOERR)
                    f.dataMode = CleanFlag(mode);
            }
            // Each chosen profile's own row of the modes, not the whole variable.
            if (auto modes = ReadParameterModes(ncid, shape, {profiles[k], 1}); modes && !modes->empty())
                f.parameterModes = std::move(modes->front());
        }
    } catch (const std::bad_alloc&) {
        out.clear();
        result = Failure(path + ": out of memory while reading the quality flags.");
    }
    nc_close(ncid);
    return result;
}

bool UsesAdjusted(ValueChoice choice, char mode)
{
    switch (choice) {
    case ValueChoice::Raw: return false;
    case ValueChoice::Adjusted: return true;
    case ValueChoice::Best: return mode == 'A' || mode == 'D';
    }
    return false;
}

bool IsBadFlag(char flag)
{
    return flag == '3' || flag == '4';
}

bool IsDroppedFlag(char flag)
{
    return IsBadFlag(flag) || flag == '9';
}

std::size_t FileIndexOfLevel(int no, std::size_t levels)
{
    if (no < 1 || static_cast<std::size_t>(no) > levels)
        return levels; // no such level: an index past the end
    return levels - static_cast<std::size_t>(no);
}

LevelFlags FlagsOfLevel(const ProfileFlags& flags, int no, bool adjusted)
{
    const std::vector<char>& p = adjusted ? flags.presAdj : flags.pres;
    const std::vector<char>& t = adjusted ? flags.tempAdj : flags.temp;
    const std::vector<char>& s = adjusted ? flags.psalAdj : flags.psal;
    auto at = [no](const std::vector<char>& v) {
        const std::size_t j = FileIndexOfLevel(no, v.size());
        return j < v.size() ? v[j] : kNoFlag;
    };
    return LevelFlags{at(p), at(t), at(s)};
}

bool AdjustedUsable(std::span<const CLevelArray> levels)
{
    if (levels.empty())
        return false;
    const auto present = [](float v) { return static_cast<double>(v) != kMissingValue; };
    for (const CLevelArray& array : levels) {
        bool pres = false, temp = false, psal = false;
        for (int i = 0; i < array.GetSize(); ++i) {
            pres = pres || present(array[i].presAdj);
            temp = temp || present(array[i].tempAdj);
            psal = psal || present(array[i].psalAdj);
        }
        if (!(pres || temp || psal))
            return false;
    }
    return true;
}

bool AdjustedPlottable(const CLevelArray& levels)
{
    const auto present = [](float v) { return static_cast<double>(v) != kMissingValue; };
    for (int i = 0; i < levels.GetSize(); ++i)
        if (present(levels[i].presAdj) && (present(levels[i].tempAdj) || present(levels[i].psalAdj)))
            return true;
    return false;
}

std::string AdjustedUnusableMessage()
{
    return "There are no ADJUSTED values to show: PRES_ADJUSTED, TEMP_ADJUSTED and PSAL_ADJUSTED hold no value in "
           "the profile. Use the raw values or \"Best available\" (--best).";
}

const char* FormatSigmaThetaCell(const CLevelRecord& record, bool adjusted, char* buf, std::size_t cap)
{
    const double p = adjusted ? record.presAdj : record.pres;
    const double t = adjusted ? record.tempAdj : record.temp;
    const double s = adjusted ? record.psalAdj : record.psal;
    const double v = SigmaTheta(s, t, p);
    if (v == kMissingValue) {
        const CLevelRecord missing; // the level list's own text for a missing value
        return FormatLevelCell(LevelColumn::Sig, missing, false, buf, cap);
    }
    static const CFormat format = *CFormat::parse("%.4f", ValueKind::Floating);
    const std::string text = format.format(v);
    if (buf != nullptr && cap > 0) {
        const std::size_t len = std::min(text.size(), cap - 1);
        std::memcpy(buf, text.data(), len);
        buf[len] = '\0';
    }
    return buf;
}
