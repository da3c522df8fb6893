#pragma once
// Opening a netCDF file read-only for the profile commands: through the program's
// checked open (malformed classic headers never reach the library), and refusing a
// classic file that is shorter than its header says.
#include <string>

// Opens `path` read-only into *ncid. Returns false, with the reason in `message`,
// when the header is refused, the file is truncated, or the library cannot open it.
bool OpenProfileFile(const std::string& path, int* ncid, std::string& message);
