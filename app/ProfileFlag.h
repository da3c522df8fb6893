#pragma once
// Whether a netCDF file holds one profile: a dimension named exactly "N_PROF" of
// length 1 and one named exactly "N_LEVELS" longer than 1. The test lives with the
// profile readers (IsSingleProfileFile), so the flag and the profile commands agree.
#include "profile/profile_shape.h"
