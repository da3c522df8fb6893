#include "app/ProfileFlag.h"

#include <netcdf.h>

#include "cdl/checked_open.h"

bool IsSingleProfileFile(const std::string& path)
{
    int ncid = -1;
    if (open_netcdf_checked(path, &ncid, nullptr) != NC_NOERR)
        return false;
    long long nProf = -1, nLevels = -1;
    int ndims = 0;
    if (nc_inq(ncid, &ndims, nullptr, nullptr, nullptr) == NC_NOERR) {
        for (int id = 0; id < ndims; ++id) {
            char name[NC_MAX_NAME + 1] = {};
            size_t len = 0;
            if (nc_inq_dim(ncid, id, name, &len) != NC_NOERR)
                continue;
            const std::string n(name);
            if (n == "N_PROF")
                nProf = static_cast<long long>(len);
            else if (n == "N_LEVELS")
                nLevels = static_cast<long long>(len);
        }
    }
    nc_close(ncid);
    return nProf == 1 && nLevels > 1;
}
