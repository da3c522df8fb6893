#pragma once
// What every CSV writer of the program shares: the number format of a float or double
// variable, and the quoting of a field.
#include <string>
#include <string_view>

#include <netcdf.h>

#include "cdl/c_format.h"

// A float or double variable's format: its C_format when that is a text attribute of
// at most 255 characters holding one floating conversion, else "%.6f" ("%.6lf").
CFormat CsvFloatingFormat(int ncid, int varid, nc_type type);

// Appends a field; one that would split or corrupt the row is quoted, its quotes doubled.
void AppendCsvField(std::string& out, std::string_view field);
