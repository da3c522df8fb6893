#pragma once
// Reading of named level parameters beside PRES, TEMP and PSAL (the BGC parameters
// DOXY, CHLA, NITRATE, ...) for chosen profiles: values, adjusted values, both flag
// sets, the parameter's data mode, and its long_name and units.
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "profile/chosen_values.h"
#include "profile/profile_shape.h"

// Names and units of one parameter, read once for the file.
struct ParameterInfo {
    std::string name;
    bool present = false; // a numeric variable shaped (N_PROF, N_LEVELS) in the file
    std::string longName, units;
};

struct ParameterLoad {
    bool ok = true;
    std::string message;                              // why not, when !ok
    std::vector<ParameterInfo> info;                  // one per name asked for
    std::vector<std::vector<ParameterSeries>> series; // per profile, one per name
    // The file's level parameters: the names of STATION_PARAMETERS that are numeric
    // variables shaped (N_PROF, N_LEVELS), in their order (PRES, TEMP and PSAL too).
    std::vector<std::string> available;
};

// Reads `names` for each of `profiles` (0-based). A parameter that is absent or of
// another shape reads as missing everywhere (info says which); a fill or non-finite
// value is kMissingValue. Not ok when the file cannot be read, its extent differs
// from `expected`, or a profile is out of range.
ParameterLoad LoadParameterSeries(const std::string& path, const ProfileExtent& expected,
                                  std::span<const std::size_t> profiles, std::span<const std::string> names);

// The names of a comma-separated list ("DOXY,CHLA", "PRES,TEMP"), without empty items.
std::vector<std::string> SplitNameList(const std::string& list);
