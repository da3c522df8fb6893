#pragma once
// Opening a netCDF file read-only without handing a malformed classic header to the
// library (which can crash or hang on some), for every reader in the program.
#include <string>

// Opens `path` read-only. Returns NC_NOERR and sets *ncid, or an error status with a
// message for the user in *message: the library's own, or what is wrong with the
// header (the status is then NC_ENOTNC). A classic file shorter than its header
// says is refused too (NC_ETRUNC): the library would hand out zeros for the
// missing values.
int open_netcdf_checked(const std::string& path, int* ncid, std::string* message);
