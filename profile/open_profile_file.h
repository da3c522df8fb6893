#pragma once
// Opening a netCDF file read-only for the profile commands, with the classic header
// checked first: some malformed headers crash or hang the library inside nc_open.
#include <string>

// Opens `path` read-only into *ncid. Returns false, with the reason in `message`,
// when the header is refused, the file is shorter than its header says, or the
// library cannot open it.
bool OpenProfileFile(const std::string& path, int* ncid, std::string& message);
