#pragma once
// Writes chosen variables of a single-profile netCDF file as CSV: one row per Item
// variable holding all its values, a header naming the level columns, then one row
// per level. Lines end in CR LF; numbers are printed locale-free.
#include <cstddef>
#include <string>

#include "profile/csv_settings.h"

class JobControl;

// Longest CSV file path accepted, in bytes; a longer one is refused, never cut short.
inline constexpr std::size_t kMaxCsvPathBytes = 1023;

struct CsvResult {
    enum class Status {
        Ok,
        OutputError, // the CSV file cannot be created or written
        InputError,  // the netCDF file or one of its variables cannot be read
        Cancelled,   // the job was cancelled; nothing was saved
    };
    Status status = Status::Ok;
    std::string message; // the reason, when not Ok

    bool ok() const { return status == Status::Ok; }
};

// Appends the CSV text for `settings` to `out` (settings.outputPath is not used).
// On an input error or a cancel `out` holds an unfinished text that must not be saved.
// With `job`, counts CSV rows (its total is every row the text will hold) and stops,
// returning Cancelled, soon after the job is cancelled.
CsvResult BuildCsvText(const CsvSaveSettings& settings, std::string& out, JobControl* job = nullptr);

// Builds the text and saves it at settings.outputPath through a temporary file that
// replaces the target only when complete; on any error or a cancel the target is
// untouched and no temporary file is left.
CsvResult WriteCsvFile(const CsvSaveSettings& settings, JobControl* job = nullptr);
