#pragma once
// Whether a netCDF file holds one profile: a dimension named exactly "N_PROF" of
// length 1 and one named exactly "N_LEVELS" longer than 1.
#include <string>

bool IsSingleProfileFile(const std::string& path);
