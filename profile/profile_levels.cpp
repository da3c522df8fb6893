#include "profile/profile_levels.h"

#include "reader/file_reader.h"

#include <algorithm>

#include <cstring>
#include <new>

#include <netcdf.h>

#include "cdl/checked_open.h"
#include "profile/seawater.h"

namespace {

constexpr const char* kVariableNames[6] = {"PRES", "TEMP", "PSAL", "PRES_ADJUSTED", "TEMP_ADJUSTED", "PSAL_ADJUSTED"};

// The variable's id when it is shaped exactly (N_PROF, N_LEVELS), else -1.
int LevelSliceVariable(int ncid, const ProfileShape& shape, const char* name)
{
    int varid = -1, ndims = 0;
    nc_type type = NC_NAT;
    if (nc_inq_varid(ncid, name, &varid) != NC_NOERR ||
        nc_inq_var(ncid, varid, nullptr, &type, &ndims, nullptr, nullptr) != NC_NOERR || ndims != 2 ||
        type == NC_CHAR || type == NC_STRING || type > NC_STRING)
        return -1;
    int dimids[2] = {-1, -1};
    if (nc_inq_vardimid(ncid, varid, dimids) != NC_NOERR || dimids[0] != shape.prof.id || dimids[1] != shape.levels.id)
        return -1;
    return varid;
}

LevelLoadResult Failure(std::string message)
{
    LevelLoadResult r;
    r.ok = false;
    r.message = std::move(message);
    return r;
}

} // namespace

std::string ChangedFileMessage(const std::string& path)
{
    return path + ": the file has changed since it was shown (other N_PROF or N_LEVELS); open it again.";
}

std::string ShownFileProblem(const std::string& path, const ProfileToolsInfo& info, const ProfileExtent& shown)
{
    if (info.offered && info.extent == shown)
        return {};
    // A helper that died while reading says so, rather than blaming a change of file.
    if (info.reason.starts_with(reading_stopped_message(path, "")))
        return info.reason;
    return ChangedFileMessage(path);
}

bool OpenShownProfileFile(const std::string& path, const ProfileExtent& expected, std::span<const std::size_t> profiles,
                          int& ncid, ProfileShape& shape, std::string& message)
{
    std::string reason;
    if (open_netcdf_checked(path, &ncid, &reason) != NC_NOERR) {
        message = path + ": " + reason;
        return false;
    }
    shape = ReadProfileShape(ncid);
    if (!shape.ok())
        message = path + ": " + nc_strerror(shape.status);
    else if (!shape.OffersProfileTools() || ProfileExtent{shape.prof.length, shape.levels.length} != expected)
        message = ChangedFileMessage(path);
    else {
        const auto outside =
            std::find_if(profiles.begin(), profiles.end(), [&](std::size_t p) { return p >= shape.prof.length; });
        if (outside == profiles.end())
            return true;
        message = path + ": there is no profile " + std::to_string(*outside) + ".";
    }
    nc_close(ncid);
    ncid = -1;
    return false;
}

LevelLoadResult LoadProfileLevels(const std::string& path, const ProfileExtent& expected,
                                  std::span<const std::size_t> profiles, std::vector<CLevelArray>& out)
{
    out.clear();
    int ncid = -1;
    ProfileShape shape;
    std::string message;
    if (!OpenShownProfileFile(path, expected, profiles, ncid, shape, message))
        return Failure(message);

    if (shape.prof.length == 1) {
        nc_close(ncid);
        out.resize(profiles.size());
        for (CLevelArray& levels : out) {
            const LevelLoadResult r = LoadLevelArray(path, levels);
            if (!r.ok) {
                out.clear();
                return r;
            }
        }
        return {};
    }

    const std::size_t n = shape.levels.length;
    if (n > 1'000'000) {
        nc_close(ncid);
        return Failure(path + ": the file has too many levels to show (N_LEVELS is " + std::to_string(n) + ").");
    }
    LevelLoadResult result;
    try {
        int varids[6];
        for (int i = 0; i < 6; ++i)
            varids[i] = LevelSliceVariable(ncid, shape, kVariableNames[i]);
        out.resize(profiles.size());
        std::vector<double> values[6];
        for (std::size_t k = 0; k < profiles.size(); ++k) {
            const std::size_t start[2] = {profiles[k], 0};
            const std::size_t count[2] = {1, n};
            for (int i = 0; i < 6; ++i) {
                values[i].assign(n, kMissingValue);
                if (varids[i] >= 0 && nc_get_vara_double(ncid, varids[i], start, count, values[i].data()) != NC_NOERR)
                    values[i].assign(n, kMissingValue); // a partly read slice is never shown
            }
            // The first level of the file gets the highest number, n; adding from the
            // last level up appends each record.
            for (std::size_t j = n; j-- > 0;) {
                const double level[6] = {values[0][j], values[1][j], values[2][j],
                                         values[3][j], values[4][j], values[5][j]};
                out[k].Add(LevelRecordFromValues(static_cast<std::int32_t>(n - j), level));
            }
        }
    } catch (const std::bad_alloc&) {
        out.clear();
        result = Failure(path + ": out of memory while reading the levels.");
    }
    nc_close(ncid);
    return result;
}
