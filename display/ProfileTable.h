#pragma once
// The profile viewer's table: every variable whose last dimension is N_LEVELS as a
// column, one row of cell texts per level, read from a netCDF file.
#include <cstddef>
#include <string>
#include <vector>

struct ProfileColumn {
    std::string name; // the variable's name (the column title)
    int width = 100;  // pixels: 10 per character of the name, at least 100
};

struct ProfileTable {
    std::vector<ProfileColumn> columns;
    // rows[level][column]; every row has one text per column. There are no rows
    // when there are no columns.
    std::vector<std::vector<std::string>> rows;
    // Columns that hold strings or user-defined types stay empty; this says which.
    std::string message;
};

// Longest cell text (and longest C_format text that is used) in bytes.
inline constexpr std::size_t kMaxCellText = 255;
// Tables of more cells than this are not filled: their texts would not fit in memory
// (real profiles have a few thousand levels of a few dozen variables).
inline constexpr std::size_t kMaxProfileCells = 5000000;

// Reads the table of profile `profile` (0-based) of the file at `path`: a variable
// whose first dimension is N_PROF gives that profile's slice, others their first
// N_LEVELS values. A profile beyond N_PROF gives an empty table. A file that cannot be opened (a malformed or
// truncated one included) or has no
// dimension named exactly "N_LEVELS" gives an empty table; one whose levels times
// columns exceed kMaxProfileCells gives the columns without rows. A value that cannot
// be read leaves its cell empty.
ProfileTable ReadProfileTable(const std::string& path, std::size_t profile = 0);
