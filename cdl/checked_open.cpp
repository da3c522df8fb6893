#include "cdl/checked_open.h"

#include <netcdf.h>

#include "cdl/classic_header.h"

std::string CheckedOpen::truncation_message() const
{
    return "the file is truncated: it holds " + std::to_string(file_size) + " bytes, its header describes " +
           std::to_string(implied_size);
}

CheckedOpen open_netcdf_checked(const std::string& path, bool allow_truncated)
{
    CheckedOpen result;
    ClassicHeaderCheck check = check_classic_header(path);
    if (!check.header_ok) {
        result.status = NC_ENOTNC;
        result.message = "not a valid netCDF file: " + check.problem;
        return result;
    }
    result.truncated = check.truncated();
    result.file_size = check.file_size;
    result.implied_size = check.implied_size;
    result.streaming = check.streaming;
    result.streaming_records = check.streaming_records;
    if (result.truncated)
        for (std::uint64_t end : check.data_ends)
            result.readable_variables.push_back(end <= check.file_size);
    if (result.truncated && !allow_truncated) {
        result.status = NC_ETRUNC;
        result.message = result.truncation_message();
        return result;
    }
    result.status = nc_open(path.c_str(), NC_NOWRITE, &result.ncid);
    if (result.status != NC_NOERR) {
        result.message = nc_strerror(result.status);
        result.ncid = -1;
    }
    return result;
}

int open_netcdf_checked(const std::string& path, int* ncid, std::string* message)
{
    CheckedOpen opened = open_netcdf_checked(path);
    if (opened.status == NC_NOERR)
        *ncid = opened.ncid;
    else if (message)
        *message = opened.message;
    return opened.status;
}
