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
