#include "profile/open_profile_file.h"

#include <netcdf.h>

#include "cdl/classic_header.h"

bool OpenProfileFile(const std::string& path, int* ncid, std::string& message)
{
    const ClassicHeaderCheck check = check_classic_header(path);
    if (!check.header_ok) {
        message = path + ": not a valid netCDF file: " + check.problem;
        return false;
    }
    if (check.truncated()) {
        // The library would read the missing data as whatever lies past the end.
        message = path + ": the file is shorter than its header says (truncated).";
        return false;
    }
    const int status = nc_open(path.c_str(), NC_NOWRITE, ncid);
    if (status != NC_NOERR) {
        message = path + ": " + nc_strerror(status);
        return false;
    }
    return true;
}
