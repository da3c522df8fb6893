#include "profile/open_profile_file.h"

#include <netcdf.h>

#include "cdl/checked_open.h"
#include "cdl/classic_header.h"

bool OpenProfileFile(const std::string& path, int* ncid, std::string& message)
{
    // Values are exported and plotted as read, so a file shorter than its header
    // says is refused: the library would hand out whatever lies past its end.
    const ClassicHeaderCheck check = check_classic_header(path);
    if (check.truncated()) {
        message = path + ": the file is shorter than its header says (truncated).";
        return false;
    }
    std::string reason;
    if (open_netcdf_checked(path, ncid, &reason) != NC_NOERR) {
        message = path + ": " + reason;
        return false;
    }
    return true;
}
