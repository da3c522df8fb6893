#pragma once
// The data section of the CDL text: every value of every variable, row by row.
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cdl/cdl_output.h"
#include "cdl/typed_values.h"

struct dim_desc {
    std::string name;
    std::size_t size = 0; // for the record dimension, the current number of records
};

// The dimensions a group sees (its own and its parents'), by dimension id.
using DimTable = std::map<int, dim_desc>;

struct var_desc {
    std::string name; // as written (escaped)
    int type = 0;
    int ndims = 0;
    std::vector<int> dims;
    int natts = 0;
    bool has_fill = false;
    double fill = 0.0;
    // The fill of the types a double cannot hold: the bits of an extended integer, the
    // text of a string (or a null string), the value of a user-defined type.
    unsigned long long fill_bits = 0;
    std::string fill_bytes;
    bool fill_nil = false;
    std::shared_ptr<const TypedValue> fill_value;
    std::string indent; // the group's indentation
};

// Writes "data:" and the entries of the variables `varids` of group `ncid`, stopping
// between variables when cancelled. With `readable` not empty, only the variables it
// marks (by id) are listed.
void write_data_section(CdlWriter& w, int ncid, const std::vector<int>& varids, const DimTable& dims,
                        const std::string& indent, const std::vector<bool>* readable = nullptr);

// Writes one variable's entry, reading its values in chunks of at most 1000.
int vardata(CdlWriter& w, const var_desc& vp, const std::vector<std::size_t>& sizes, int ncid, int varid);

// Appends a piece that must stay on one line, first breaking the line when the piece
// (of more than two characters) would pass the line limit.
void put_unbroken(CdlWriter& w, std::string_view piece);

void set_line_pos(CdlWriter& w, int pos);

// The delimiter after a chunk: ", " within a row, " ;" and a line break after the
// last row, ",\n" and two blanks after any other row.
void end_chunk(CdlWriter& w, bool more, bool last_row);

// Moves the corner to the next row; false when it left the variable.
bool advance_corner(const std::size_t* sizes, int ndims, std::size_t* corner, const std::size_t* step);
