#pragma once
// The netCDF-4 and CDF-5 data model in CDL: the extended integer types, strings and
// user-defined types (enum, opaque, vlen, compound), their declarations in a
// "types:" section, and single values of any type as the library holds them in memory.
#include <cstddef>
#include <string>
#include <string_view>

#include "cdl/cdl_output.h"

// What one type is and how big a value of it is in memory.
struct NcTypeInfo {
    int type = 0;         // the type id
    int cls = 0;          // NC_ENUM, NC_OPAQUE, NC_VLEN, NC_COMPOUND; the type itself when atomic
    std::size_t size = 0; // bytes of one value in memory
    int base = 0;         // base type of an enum or vlen
    std::size_t nfields = 0;
    std::string name; // as stored, unescaped
};

// Describes `type` as seen from group `ncid`; false for a type the library does not know.
bool describe_type(int ncid, int type, NcTypeInfo& info);

bool is_classic_type(int type);     // byte, char, short, int, float, double
bool is_extended_integer(int type); // ubyte, ushort, uint, int64, uint64
bool is_user_type(int type);
// Whether values of the type own memory that must be handed back (strings, vlens).
bool type_owns_memory(int ncid, int type);

// The CDL name of any type; "bogus" after logging for one the library does not know.
std::string type_name(CdlWriter& w, int ncid, int type);

// Appends one value of `type` held at `value` in the library's memory layout, as CDL
// data writes it: numbers plainly, strings quoted and escaped, enum values by name,
// opaque values in hexadecimal, vlens and compounds in braces.
void append_value(CdlWriter& w, int ncid, int type, const unsigned char* value, std::string& out);

// Appends a text quoted, with CDL's escapes for strings (control bytes as octal).
void append_quoted_string(std::string& out, std::string_view text);

// Writes the group's "types:" section, if it defines any type.
void print_types(CdlWriter& w, int ncid, const std::string& indent);
