#pragma once
// Per-parameter data modes: a synthetic or BGC file records a mode for each parameter
// of each profile (PARAMETER_DATA_MODE, matched by position with STATION_PARAMETERS);
// a core file records one DATA_MODE for the whole profile.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profile/per_profile_values.h"
#include "profile/profile_shape.h"

// The mode of one parameter of one profile: 'R', 'A', 'D', or ' ' when absent.
struct ParameterMode {
    std::string name; // trimmed, as in STATION_PARAMETERS
    char mode = ' ';
};

// The per-parameter modes of the profiles of `range` (every profile unless given), in
// file order; none when the file has no PARAMETER_DATA_MODE shaped (N_PROF, N_PARAM)
// beside a STATION_PARAMETERS shaped (N_PROF, N_PARAM, STRINGn), or cannot read them.
std::optional<std::vector<std::vector<ParameterMode>>> ReadParameterModes(int ncid, const ProfileShape& shape,
                                                                          ProfileRange range = {});

// The names in STATION_PARAMETERS (N_PROF, N_PARAM, STRINGn) over every profile,
// trimmed, each once, in the order they first appear; none when the file has no such
// variable or cannot read it.
std::vector<std::string> ReadStationParameterNames(int ncid, const ProfileShape& shape);

// The mode of parameter `name`: its own in `modes` when listed there, else `dataMode`.
char ModeOfParameter(const std::vector<ParameterMode>& modes, std::string_view name, char dataMode);

// The modes of a profile as the chooser and the CSV show them: `dataMode` alone for a
// file without per-parameter modes; else the mode most parameters share, followed by
// the parameters that differ from it ("D (DOXY A, CHLA R)"), or "PRES D" for one.
std::string ModesText(const std::vector<ParameterMode>& modes, char dataMode);
