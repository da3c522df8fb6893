#pragma once
// The variables of a netCDF file as the CSV export offers them: every variable as an
// item, and those whose last dimension is N_LEVELS as level columns.
#include <string>
#include <vector>

#include "profile/profile_shape.h"

struct CsvVariable {
    int id = -1;
    std::string name;
    int type = 0;             // netCDF type code
    bool levelColumn = false; // last dimension is N_LEVELS
};

struct CsvVariableList {
    bool ok = false;
    std::string message;                // why the file could not be read, when !ok
    std::vector<CsvVariable> variables; // in variable-id order
    ProfileShape shape;                 // N_PROF and N_LEVELS, when present

    // N_PROF = 1 and N_LEVELS > 1: the file holds one profile of several levels.
    bool IsSingleProfile() const { return shape.IsSingleProfile(); }
    // The variable named exactly `name`, or nullptr.
    const CsvVariable* FindByName(const std::string& name) const;
};

// Opens the file read-only, lists its variables and closes it again.
CsvVariableList ReadCsvVariables(const std::string& ncPath);
