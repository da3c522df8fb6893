#pragma once
// What the CSV export writes: the choices of the Csv File Save dialog or of
// `brinewick --csv`, as plain data.
#include <cstddef>
#include <string>
#include <vector>

struct CsvSaveSettings {
    std::string ncPath;       // the netCDF file to export
    std::vector<int> items;   // variable ids written as Item rows, in this order
    std::vector<int> columns; // variable ids written as level columns, in this order
    std::string outputPath;   // the CSV file to write
    // The profile written (0-based): variables whose first dimension is N_PROF give
    // this profile's slice when the file holds more than one profile.
    std::size_t profile = 0;
    // Fill values (the variable's _FillValue, else the library's default fill) as
    // empty cells rather than their stored numbers.
    bool blankFill = false;
};
