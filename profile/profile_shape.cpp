#include "profile/profile_shape.h"

#include <cstring>
#include <vector>

#include <netcdf.h>

#include "cdl/checked_open.h"

static_assert(NC_NOERR == 0, "ProfileShape::ok() compares its status with NC_NOERR");

ProfileShape ReadProfileShape(int ncid)
{
    ProfileShape shape;
    int ndims = 0;
    if ((shape.status = nc_inq_ndims(ncid, &ndims)) != NC_NOERR)
        return shape;
    if (ndims <= 0)
        return shape;
    // The root group's own dimension ids: in a netCDF-4 file with groups they need
    // not run from 0 to ndims - 1.
    std::vector<int> dimids(static_cast<std::size_t>(ndims));
    if ((shape.status = nc_inq_dimids(ncid, &ndims, dimids.data(), 0)) != NC_NOERR)
        return shape;
    dimids.resize(static_cast<std::size_t>(ndims));
    for (int id : dimids) {
        char name[NC_MAX_NAME + 1] = {};
        std::size_t len = 0;
        if (nc_inq_dim(ncid, id, name, &len) != NC_NOERR)
            continue;
        ProfileDimension* dim = std::strcmp(name, "N_PROF") == 0     ? &shape.prof
                                : std::strcmp(name, "N_LEVELS") == 0 ? &shape.levels
                                                                     : nullptr;
        if (dim && !dim->present()) {
            dim->id = id;
            dim->length = len;
        }
    }
    return shape;
}

bool IsSingleProfileFile(const std::string& path)
{
    int ncid = -1;
    if (open_netcdf_checked(path, &ncid, nullptr) != NC_NOERR)
        return false;
    const bool single = ReadProfileShape(ncid).IsSingleProfile();
    nc_close(ncid);
    return single;
}

std::string ProfileToolsReason(const ProfileShape& shape)
{
    if (shape.OffersProfileTools())
        return {};
    if (!shape.prof.present() || !shape.levels.present())
        return "Profile tools need the dimensions N_PROF and N_LEVELS";
    if (shape.prof.length == 0)
        return "Profile tools need at least one profile (N_PROF is 0)";
    return "Profile tools need more than one level (N_LEVELS is " + std::to_string(shape.levels.length) + ")";
}

ProfileToolsInfo ReadProfileToolsInfo(const std::string& path)
{
    ProfileToolsInfo info;
    int ncid = -1;
    if (open_netcdf_checked(path, &ncid, nullptr) != NC_NOERR) {
        info.reason = "Profile tools need a readable netCDF file";
        return info;
    }
    const ProfileShape shape = ReadProfileShape(ncid);
    nc_close(ncid);
    info.offered = shape.ok() && shape.OffersProfileTools();
    info.extent = {shape.prof.length, shape.levels.length};
    info.reason = shape.ok() ? ProfileToolsReason(shape) : "Profile tools need a readable netCDF file";
    return info;
}
