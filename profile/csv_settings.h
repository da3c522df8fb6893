#pragma once
// What the CSV export writes: the choices of the Csv File Save dialog or of
// `brinewick --csv`, as plain data.
#include <string>
#include <vector>

struct CsvSaveSettings {
    std::string ncPath;       // the netCDF file to export
    std::vector<int> items;   // variable ids written as Item rows, in this order
    std::vector<int> columns; // variable ids written as level columns, in this order
    std::string outputPath;   // the CSV file to write
};
