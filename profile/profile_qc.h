#pragma once
// Argo quality flags of the levels of chosen profiles, DATA_MODE, and which values a
// viewer shows: raw, ADJUSTED, or the best available for the profile's data mode.
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "profile/level_records.h"
#include "profile/parameter_modes.h"
#include "profile/profile_shape.h"

// Which of a level's values are shown.
enum class ValueChoice {
    Raw,      // PRES, TEMP, PSAL
    Adjusted, // PRES_ADJUSTED, TEMP_ADJUSTED, PSAL_ADJUSTED
    Best,     // per parameter: adjusted where that parameter's mode is 'A' or 'D', raw otherwise
};

// A flag that is absent or fill (the file's " ", or no variable) reads as this.
inline constexpr char kNoFlag = ' ';

// The quality flags of one profile, each vector in file order (index 0 is the first
// level in the file) and N_LEVELS long; kNoFlag where the file has none.
struct ProfileFlags {
    char dataMode = kNoFlag;                     // DATA_MODE: 'R', 'A', 'D', or kNoFlag
    std::vector<ParameterMode> parameterModes;   // PARAMETER_DATA_MODE, when the file has it
    std::vector<char> pres, temp, psal;          // <PARAM>_QC
    std::vector<char> presAdj, tempAdj, psalAdj; // <PARAM>_ADJUSTED_QC

    // The mode of parameter `name`: from PARAMETER_DATA_MODE where the file has it,
    // else DATA_MODE.
    char ModeOf(std::string_view name) const { return ModeOfParameter(parameterModes, name, dataMode); }
};

// The three flags of one level that go with the values shown.
struct LevelFlags {
    char pres = kNoFlag, temp = kNoFlag, psal = kNoFlag;
};

struct FlagLoadResult {
    bool ok = true;
    std::string message; // why not, when !ok
};

// Fills `out` with the flags of each of `profiles` (0-based), in that order. A flag
// variable that is absent, not NC_CHAR, or not shaped (N_PROF, N_LEVELS) (or (N_LEVELS)
// in a file of one profile) leaves its flags kNoFlag; so does a NUL byte. Not ok when
// the file cannot be read, its extent differs from `expected`, or an index is out of
// range.
FlagLoadResult LoadProfileFlags(const std::string& path, const ProfileExtent& expected,
                                std::span<const std::size_t> profiles, std::vector<ProfileFlags>& out);

// Whether the adjusted values are the ones shown for a parameter of data mode `mode`.
bool UsesAdjusted(ValueChoice choice, char mode);

// Flags 3 (probably bad) and 4 (bad): drawn with their own mark.
bool IsBadFlag(char flag);
// Flags 3, 4 and 9 (missing): left out under "Good data only".
bool IsDroppedFlag(char flag);

// The file index of the level record numbered `no` in a profile of `levels` levels
// (records are numbered from `levels` at the first level in the file down to 1).
std::size_t FileIndexOfLevel(int no, std::size_t levels);

// The flags of the record numbered `no`, of the adjusted or raw variables; kNoFlag
// where `flags` holds none for it.
LevelFlags FlagsOfLevel(const ProfileFlags& flags, int no, bool adjusted);

// Whether ADJUSTED can be offered: in every one of `levels` (at least one) one of
// PRES_ADJUSTED, TEMP_ADJUSTED and PSAL_ADJUSTED has a value that is not missing (a
// variable without adjusted values is then shown empty).
bool AdjustedUsable(std::span<const CLevelArray> levels);

// Whether the adjusted values of `levels` draw a curve: one level has an adjusted
// pressure beside an adjusted temperature or salinity.
bool AdjustedPlottable(const CLevelArray& levels);

// The message of a request for ADJUSTED values where AdjustedUsable is false.
std::string AdjustedUnusableMessage();

// The level list's sigma-theta cell of `record`: "%.4f", or "-----" when missing (as
// FormatLevelCell writes its cells).
const char* FormatSigmaThetaCell(const CLevelRecord& record, bool adjusted, char* buf, std::size_t cap);
