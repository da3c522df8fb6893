#pragma once
// Writing a CSV file in a helper process, so that a netCDF library that crashes on a
// damaged file takes the helper down rather than the window. The helper reports its
// progress and result on its standard output and stops, leaving the target as it
// was, when its standard input closes.
#include <string>
#include <vector>

#include "profile/csv_settings.h"
#include "profile/csv_writer.h"

class JobControl;

// The helper's side: `args` are the words after "--csv-child". Returns its exit status.
int serve_csv_child(const std::vector<std::string>& args);

// The caller's side: WriteCsvFile run by `program --csv-child ...`, with the same result;
// a helper that dies becomes an input error naming the file and what happened.
CsvResult write_csv_isolated(const std::string& program, const CsvSaveSettings& settings, JobControl* control);
