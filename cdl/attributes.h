#pragma once
// Type names, number formats, value formats and attribute lines of the CDL text.
#include <optional>
#include <string>

#include "cdl/c_format.h"
#include "cdl/cdl_output.h"

// How a variable's values are written.
struct ValueFormat {
    // Typed: strings and user-defined types, each value written by append_value.
    enum class Form { Numeric, String, Typed, None };
    Form form = Form::None;
    std::optional<CFormat> numeric; // for Form::Numeric (char values in C_format form too)
};

// The variable's C_format attribute text (exactly its stored characters), or nothing.
std::optional<std::string> c_format_of(CdlWriter& w, int ncid, int varid);

// The format of the variable's values: a usable C_format, else the type's default.
ValueFormat value_format(CdlWriter& w, int ncid, int varid, int type);

// Appends the attribute line of attribute number `attnum` of variable `varid`
// (NC_GLOBAL with an empty name for a global attribute); `varname` is the name as
// written (escaped) and `indent` the group's indentation. Returns false when it ran
// out of memory and closed the file.
bool print_att(CdlWriter& w, int ncid, int varid, const std::string& varname, int attnum,
               const std::string& indent = std::string());

// Appends `len` bytes as a quoted, escaped text: a line feed continues the text on the
// next line, a NUL inside the text is written "\000", other bytes stay as they are
// (classic files; netCDF-4 files of the classic model escape control bytes in octal);
// in a netCDF-4 file of the enhanced model the text is escaped as its strings are, on
// one line. Trailing NULs are dropped.
void print_att_text(CdlWriter& w, std::size_t len, const char* text);

// Appends `count` values (held as doubles) of the netCDF type as a comma-separated list.
void pr_att_vals(CdlWriter& w, int type, std::size_t count, const double* values);

// Removes trailing zeros of a formatted number's fraction, keeping the point and any
// suffix or exponent ("1.000000f" -> "1.f", "1.00000000000000e+020" -> "1.e+020").
void trim_zeros(std::string& number);
