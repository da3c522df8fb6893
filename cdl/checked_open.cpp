#include "cdl/checked_open.h"

#include <netcdf.h>

#include "cdl/classic_header.h"

int open_netcdf_checked(const std::string& path, int* ncid, std::string* message)
{
    ClassicHeaderCheck check = check_classic_header(path);
    if (!check.header_ok) {
        if (message)
            *message = "not a valid netCDF file: " + check.problem;
        return NC_ENOTNC;
    }
    if (check.truncated()) {
        if (message)
            *message = "the file is truncated: it holds " + std::to_string(check.file_size) +
                       " bytes, its header describes " + std::to_string(check.implied_size);
        return NC_ETRUNC;
    }
    int status = nc_open(path.c_str(), NC_NOWRITE, ncid);
    if (status != NC_NOERR && message)
        *message = nc_strerror(status);
    return status;
}
