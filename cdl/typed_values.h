#pragma once
// The netCDF-4 and CDF-5 data model in CDL: the extended integer types, strings and
// user-defined types (enum, opaque, vlen, compound), their declarations in a
// "types:" section, and single values of any type as the library holds them in memory.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// Whether two values of `type` held in the library's memory layout are the same: the
// texts of strings (a null string equals only a null string), the members of vlens
// and the fields of compounds compared in depth, the bytes of anything else.
bool values_equal(int ncid, int type, const unsigned char* a, const unsigned char* b);

// One value of a type with no classic reading (a variable's fill value), in the
// library's memory layout; the memory its strings and vlens own is handed back when
// it goes.
class TypedValue {
public:
    TypedValue(int ncid, int type, std::size_t size) : m_ncid(ncid), m_type(type), m_bytes(size) {}
    ~TypedValue();
    TypedValue(const TypedValue&) = delete;
    TypedValue& operator=(const TypedValue&) = delete;

    // Reads attribute `name` of `varid` (one value) into the value.
    int read_att(int varid, const char* name);
    const unsigned char* data() const { return m_bytes.data(); }

private:
    int m_ncid;
    int m_type;
    std::vector<unsigned char> m_bytes;
    bool m_read = false;
};

// Appends a string value: quoted and escaped, or NIL for a null string.
void append_string_value(std::string& out, const char* text);

// Appends a float (is_float) or double value with `format`. In text that follows
// ncdump's, a value that is not finite is written as CDL reads it back, whatever the
// format: NaN, Infinity and -Infinity, with the suffix f for a float.
void append_float(const CdlWriter& w, std::string& out, double v, const CFormat& format, bool is_float);

// Writes the group's "types:" section, if it defines any type.
void print_types(CdlWriter& w, int ncid, const std::string& indent);
