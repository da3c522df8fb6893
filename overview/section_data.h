#pragma once
// How the water column changed along the way: each profile's levels (pressure, value of
// one variable) placed at the profile's date, for the section plot.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SectionColumn {
    std::size_t profile = 0; // 0-based, as stored
    double time = 0.0;       // JULD, days
    double left = 0.0;       // the column's extent in days
    double right = 0.0;
    std::vector<float> pres; // increasing, levels where both pressure and value are numbers
    std::vector<float> value;
};

struct SectionOptions {
    bool bestAvailable = false; // adjusted values where the profile's data mode offers them
    bool goodOnly = false;      // only values (and pressures) flagged 1, 2, 5 or 8
};

struct SectionData {
    bool ok = false;
    std::string message; // why there is no section, when !ok
    std::string variable;
    std::string title;                  // "long_name [units]", else the variable's name
    std::vector<SectionColumn> columns; // in time order, only profiles with a date and a value
    std::size_t skipped = 0;            // profiles with no date or no usable level
    double timeMin = 0, timeMax = 0;    // the columns' extent
    double presMax = 0;                 // deepest level drawn
    double valueLow = 0, valueHigh = 0; // colour range: 1st to 99th percentile of the values
    std::int64_t reference = 0;         // JULD 0 as seconds since 1970
};

// The name the list offers for sigma-t, computed from TEMP and PSAL.
inline constexpr const char* kSigmaT = "sigma-t";

// The variables a section can show: numeric variables shaped (N_PROF, N_LEVELS) other
// than PRES and the QC and error twins, then sigma-t when TEMP and PSAL are there.
// TEMP, PSAL and sigma-t first. Empty when the file cannot be read.
std::vector<std::string> SectionVariables(const std::string& path);

// Reads the section of `variable` (or kSigmaT) from the file at `path`.
SectionData ReadSection(const std::string& path, const std::string& variable, const SectionOptions& options);

// Orders columns by time and sets their extents (halfway to each neighbour; half the
// median spacing across a gap of more than three median spacings and at both ends;
// half a day for a single column), the time and pressure extents and the colour
// range. Used by ReadSection; public for tests.
void FinishSection(SectionData& section);
