#pragma once
// `brinewick --csv FILE --profile all --columns A,B`: every profile's levels as one tidy
// table. The header is N_PROF,CYCLE_NUMBER,DIRECTION,DATA_MODE,JULD,LATITUDE,LONGITUDE
// and the chosen level columns; then one line per profile and level, in file order,
// leaving out a level only where every chosen column holds its fill value, and
// writing any other fill value as an empty cell. JULD is
// written as ISO 8601 UTC, the other per-profile values as their CSV cells are.
#include <string>
#include <vector>

#include "profile/csv_writer.h"

// Appends the table of the level columns `columns` (variable ids) of the file at
// `ncPath` to `out`. With `job`, counts profiles and stops soon after a cancel.
CsvResult BuildAllProfilesCsv(const std::string& ncPath, const std::vector<int>& columns, std::string& out,
                              JobControl* job = nullptr);

// Builds the table and saves it at `outputPath` through a temporary file.
CsvResult WriteAllProfilesCsv(const std::string& ncPath, const std::vector<int>& columns, const std::string& outputPath,
                              JobControl* job = nullptr);
