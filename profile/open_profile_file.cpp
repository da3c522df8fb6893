#include "profile/open_profile_file.h"

#include <netcdf.h>

#include "cdl/checked_open.h"

bool OpenProfileFile(const std::string& path, int* ncid, std::string& message)
{
    // The checked open also refuses a file shorter than its header says: values are
    // exported and plotted as read.
    std::string reason;
    if (open_netcdf_checked(path, ncid, &reason) != NC_NOERR) {
        message = path + ": " + reason;
        return false;
    }
    return true;
}
