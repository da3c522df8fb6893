#pragma once
// One line per profile of a profile file, for the profile chooser and the command
// line: cycle, direction, data mode, date, position, sampling scheme and the number of
// levels with a pressure. Variables are read whole (a few calls for any number of
// profiles); absent, fill or oddly shaped values leave their fields empty.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "profile/per_profile_values.h"
#include "profile/profile_shape.h"

struct ProfileSummary {
    std::size_t index = 0;           // 0-based, as stored
    std::string platform;            // PLATFORM_NUMBER without its padding; empty when blank
    std::optional<long long> cycle;  // CYCLE_NUMBER
    char direction = 0;              // DIRECTION: 'A', 'D', ...; 0 when absent or fill
    char dataMode = 0;               // DATA_MODE: 'R', 'A', 'D'; 0 when absent or fill
    std::string modes;               // the modes as shown: ModesText of PARAMETER_DATA_MODE or DATA_MODE
    std::optional<double> juld;      // JULD, days since the reference
    std::string date;                // JULD as UTC "YYYY-MM-DD HH:MM"; empty when fill
    std::optional<double> latitude;  // LATITUDE
    std::optional<double> longitude; // LONGITUDE
    std::string scheme;              // VERTICAL_SAMPLING_SCHEME up to its first ':'
    // PRES values that are not fill; none when not counted (more pressures in the
    // profiles read than are counted, kMaxCountedPressures).
    std::optional<std::size_t> levelsWithPressure;
};

struct ProfileSummaryList {
    bool ok = false;
    std::string message; // why the file could not be read, when !ok
    ProfileExtent extent;
    std::vector<ProfileSummary> profiles; // in file order, one per N_PROF
};

// The most PRES values a reading of summaries counts (about a second's work): beyond
// it the levels are not counted.
inline constexpr std::size_t kMaxCountedPressures = std::size_t{1} << 27;

// Reads the summaries of the profiles of `range` (every profile unless given; the
// list holds only those, each with its index in the file) of the file at `path`, from
// their rows alone. Not ok when the file cannot be opened or does not offer the
// profile tools.
ProfileSummaryList ReadProfileSummaries(const std::string& path, ProfileRange range = {});

// "profile 0 of 51 (cycle 1, ascending)": the profile a command line tool used.
std::string DescribeProfile(const ProfileSummary& profile, std::size_t total);
