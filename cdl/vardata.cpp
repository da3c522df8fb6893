#include "cdl/vardata.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <netcdf.h>

#include "cdl/attributes.h"
#include "cdl/cdl_names.h"
#include "cdl/cdl_output.h"
#include "cdl/typed_values.h"

namespace {

constexpr std::size_t kChunk = 1000;

// How a value compares with the variable's fill value.
struct FillTest {
    bool has_fill = false;
    double fill = 0.0;
    double tolerance = 0.0;      // |epsilon * fill| for float and double
    unsigned long long bits = 0; // the fill of an extended integer type

    bool exact(double v) const { return has_fill && v == fill; }
    bool near(double v) const
    {
        if (!has_fill)
            return false;
        // A non-finite fill matches only itself (NaN matches NaN): its tolerance would
        // be infinite or NaN.
        if (!std::isfinite(fill))
            return std::isnan(fill) ? std::isnan(v) : v == fill;
        return ((v > 0) == (fill > 0)) && std::fabs(v - fill) <= tolerance;
    }
};

template <typename T>
bool is_fill(T v, const FillTest& ft, int type)
{
    switch (type) {
    case NC_FLOAT:
    case NC_DOUBLE: return ft.near(static_cast<double>(v));
    case NC_INT:
        // The fill truncated toward zero; a fill outside the int range never matches.
        return ft.has_fill && ft.fill > -2147483649.0 && ft.fill < 2147483648.0 &&
               static_cast<long long>(v) == static_cast<long long>(ft.fill);
    case NC_UBYTE:
    case NC_USHORT:
    case NC_UINT:
    case NC_INT64:
    case NC_UINT64:
        if constexpr (std::is_integral_v<T>)
            return ft.has_fill && static_cast<unsigned long long>(v) == ft.bits;
        else
            return false;
    default: return ft.exact(static_cast<double>(v));
    }
}

// Writes the bytes a %c conversion made (from `from` up to `to`) that would not show
// as themselves as octal escapes, like the string form's. The format's own text around
// the conversion is written as it stands.
void escape_unprintable(std::string& text, std::size_t from, std::size_t to)
{
    auto bad = [](unsigned char c) { return c < 0x20 || c >= 0x7F; };
    std::size_t i = from;
    while (i < to && !bad(static_cast<unsigned char>(text[i])))
        ++i;
    if (i == to)
        return;
    std::string out = text.substr(0, i);
    for (; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (i < to && bad(c)) {
            out += '\\';
            out += static_cast<char>('0' + ((c >> 6) & 7));
            out += static_cast<char>('0' + ((c >> 3) & 7));
            out += static_cast<char>('0' + (c & 7));
        } else {
            out += static_cast<char>(c);
        }
    }
    text.swap(out);
}

template <typename T>
void format_one(const CdlWriter& w, std::string& out, T v, const CFormat& fmt, int type)
{
    const std::size_t from = out.size();
    if constexpr (std::is_floating_point_v<T>) {
        append_float(w, out, static_cast<double>(v), fmt, type == NC_FLOAT);
    } else {
        fmt.append(out, static_cast<long long>(v));
        if (fmt.spec().conv == 'c')
            escape_unprintable(out, from + fmt.prefix_length(), out.size() - fmt.suffix_length());
    }
}

template <typename T>
void put_numeric(CdlWriter& w, const T* values, std::size_t n, const CFormat& fmt, const FillTest& ft, int type,
                 bool more, bool last_row)
{
    std::string text;
    text.reserve(64);
    for (std::size_t i = 0; i < n; ++i) {
        text.clear();
        if (is_fill(values[i], ft, type))
            text += '_';
        else
            format_one(w, text, values[i], fmt, type);
        if (i + 1 < n)
            text += ", ";
        put_unbroken(w, text);
    }
    end_chunk(w, more, last_row);
}

// Escape texts of the bytes of a data string.
const std::array<std::string, 256>& string_escapes()
{
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> t;
        for (int b = 0; b < 256; ++b) {
            if (b >= 0x20 && b <= 0x7E) {
                t[static_cast<std::size_t>(b)] = std::string(1, static_cast<char>(b));
            } else {
                char oct[5] = {'\\', static_cast<char>('0' + ((b >> 6) & 7)), static_cast<char>('0' + ((b >> 3) & 7)),
                               static_cast<char>('0' + (b & 7)), 0};
                t[static_cast<std::size_t>(b)] = oct;
            }
        }
        t['\b'] = "\\b";
        t['\t'] = "\\t";
        t['\n'] = "\\n\",\n    \"";
        t['\v'] = "\\v";
        t['\f'] = "\\f";
        t['\r'] = "\\r";
        t['"'] = "\\\"";
        t['\''] = "\\'";
        t['\\'] = "\\\\";
        return t;
    }();
    return table;
}

// A char row in string form: quoted, trailing NULs dropped, not counted in the line
// position, so a string never causes a line break.
void put_string(CdlWriter& w, const char* chars, std::size_t n, bool more, bool last_row)
{
    while (n > 0 && chars[n - 1] == '\0')
        --n;
    const auto& esc = string_escapes();
    std::string out;
    out.reserve(n + 2);
    out += '"';
    for (std::size_t i = 0; i < n; ++i)
        out += esc[static_cast<unsigned char>(chars[i])];
    out += '"';
    cdl_put(w, out);
    end_chunk(w, more, last_row);
}

// The fill value a variable's values are tested against.
FillTest fill_of(CdlWriter& w, int ncid, int varid, int type)
{
    FillTest ft;
    ft.has_fill = true;
    nc_type att_type = NC_NAT;
    size_t att_len = 0;
    bool found = false;
    if (nc_inq_att(ncid, varid, "_FillValue", &att_type, &att_len) == NC_NOERR && att_type == type && att_len == 1) {
        double f = 0.0;
        int status = nc_get_att_double(ncid, varid, "_FillValue", &f);
        if (status == NC_NOERR) {
            ft.fill = f;
            found = true;
        } else {
            cdl_error_nc(w, status);
        }
    }
    if (!found) {
        switch (type) {
        case NC_BYTE: ft.has_fill = false; break;
        case NC_SHORT: ft.fill = NC_FILL_SHORT; break;
        case NC_INT: ft.fill = NC_FILL_INT; break;
        case NC_FLOAT: ft.fill = static_cast<double>(NC_FILL_FLOAT); break;
        default: ft.fill = NC_FILL_DOUBLE; break;
        }
    }
    return ft;
}

// The fill of a type that a double cannot hold, into vp: extended integers compare
// their bits, strings their text, enum and opaque values their bytes. A ubyte, like a
// byte, has no default fill, nor do vlens and compounds.
void typed_fill_of(CdlWriter& w, int ncid, int varid, var_desc& vp)
{
    nc_type att_type = NC_NAT;
    size_t att_len = 0;
    const bool has_att =
        nc_inq_att(ncid, varid, "_FillValue", &att_type, &att_len) == NC_NOERR && att_type == vp.type && att_len == 1;
    vp.has_fill = false;
    int status = NC_NOERR;
    if (is_extended_integer(vp.type)) {
        if (has_att) {
            if (vp.type == NC_INT64) {
                long long f = 0;
                status = nc_get_att_longlong(ncid, varid, "_FillValue", &f);
                vp.fill_bits = static_cast<unsigned long long>(f);
            } else {
                status = nc_get_att_ulonglong(ncid, varid, "_FillValue", &vp.fill_bits);
            }
            vp.has_fill = status == NC_NOERR;
        }
        if (!vp.has_fill) {
            vp.has_fill = vp.type != NC_UBYTE;
            switch (vp.type) {
            case NC_USHORT: vp.fill_bits = NC_FILL_USHORT; break;
            case NC_UINT: vp.fill_bits = NC_FILL_UINT; break;
            case NC_INT64: vp.fill_bits = static_cast<unsigned long long>(NC_FILL_INT64); break;
            default: vp.fill_bits = NC_FILL_UINT64; break;
            }
        }
    } else if (vp.type == NC_STRING) {
        vp.has_fill = true; // the default fill is the empty string
        if (has_att) {
            char* text = nullptr;
            status = nc_get_att_string(ncid, varid, "_FillValue", &text);
            if (status == NC_NOERR && text)
                vp.fill_bytes = text;
            vp.fill_nil = status == NC_NOERR && !text;
            if (status == NC_NOERR)
                nc_free_string(1, &text);
        }
    } else if (has_att) {
        // Enum, opaque, vlen and compound values: compared with the fill in depth.
        NcTypeInfo info;
        if (describe_type(ncid, vp.type, info) && info.size > 0 && info.size <= 65536) {
            auto fill = std::make_shared<TypedValue>(ncid, vp.type, info.size);
            status = fill->read_att(varid, "_FillValue");
            vp.has_fill = status == NC_NOERR;
            if (vp.has_fill)
                vp.fill_value = std::move(fill);
        }
    }
    if (status != NC_NOERR)
        cdl_error_nc(w, status);
}

// Values of strings and user-defined types, each written by append_value, with "_"
// for a value equal to the fill.
void put_typed(CdlWriter& w, int ncid, const var_desc& vp, const unsigned char* values, std::size_t n, std::size_t size,
               bool more, bool last_row)
{
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
        text.clear();
        const unsigned char* p = values + i * size;
        bool fill = false;
        if (vp.has_fill) {
            if (vp.type == NC_STRING) {
                // A null string (NIL) is not the empty string.
                const char* s = nullptr;
                std::memcpy(&s, p, sizeof s);
                fill = s ? !vp.fill_nil && std::string_view(s) == vp.fill_bytes : vp.fill_nil;
            } else {
                fill = vp.fill_value && values_equal(ncid, vp.type, p, vp.fill_value->data());
            }
        }
        if (fill)
            text += '_';
        else
            append_value(w, ncid, vp.type, p, text);
        if (i + 1 < n)
            text += ", ";
        put_unbroken(w, text);
    }
    end_chunk(w, more, last_row);
}

// The entry of a variable too big to list: a comment in place of its values, and a
// message.
void summarise(CdlWriter& w, const var_desc& vp, std::size_t total)
{
    cdl_printf(w, "\n%s // %s: %zu values not listed: their text would pass the limit of %zu bytes for one variable\n",
               vp.indent.c_str(), vp.name.c_str(), total, w.variable_text_limit);
    cdl_note(w,
             "%s: variable %s is not listed: the text of its %zu values would pass the limit of %zu bytes for one "
             "variable",
             w.path.c_str(), vp.name.c_str(), total, w.variable_text_limit);
}

} // namespace

void set_line_pos(CdlWriter& w, int pos)
{
    w.line_pos = pos;
}

void put_unbroken(CdlWriter& w, std::string_view piece)
{
    int n = static_cast<int>(piece.size());
    if (w.line_pos + n > w.line_limit && n > 2) {
        w.put("\n    ");
        w.line_pos = 4;
    }
    w.put(piece);
    w.line_pos += n;
}

void end_chunk(CdlWriter& w, bool more, bool last_row)
{
    if (more) {
        put_unbroken(w, ", ");
    } else if (last_row) {
        put_unbroken(w, " ;");
        put_unbroken(w, "\n");
    } else {
        put_unbroken(w, ",\n");
        put_unbroken(w, "  ");
    }
}

bool advance_corner(const std::size_t* sizes, int ndims, std::size_t* corner, const std::size_t* step)
{
    for (int i = ndims - 1; i > 0; --i) {
        corner[i] += step[i];
        if (corner[i] >= sizes[i]) {
            corner[i - 1] += 1;
            corner[i] -= sizes[i];
        }
    }
    corner[0] += step[0];
    return corner[0] < sizes[0];
}

namespace {

// Reads one chunk of a classic or extended numeric variable into `buffer` with the
// library call of its type.
int read_numeric(int ncid, int varid, int type, const std::size_t* corner, const std::size_t* counts, void* buffer)
{
    switch (type) {
    case NC_BYTE: return nc_get_vara_schar(ncid, varid, corner, counts, static_cast<signed char*>(buffer));
    case NC_CHAR: return nc_get_vara_text(ncid, varid, corner, counts, static_cast<char*>(buffer));
    case NC_SHORT: return nc_get_vara_short(ncid, varid, corner, counts, static_cast<short*>(buffer));
    case NC_INT: return nc_get_vara_int(ncid, varid, corner, counts, static_cast<int*>(buffer));
    case NC_FLOAT: return nc_get_vara_float(ncid, varid, corner, counts, static_cast<float*>(buffer));
    case NC_DOUBLE: return nc_get_vara_double(ncid, varid, corner, counts, static_cast<double*>(buffer));
    case NC_UBYTE: return nc_get_vara_uchar(ncid, varid, corner, counts, static_cast<unsigned char*>(buffer));
    case NC_USHORT: return nc_get_vara_ushort(ncid, varid, corner, counts, static_cast<unsigned short*>(buffer));
    case NC_UINT: return nc_get_vara_uint(ncid, varid, corner, counts, static_cast<unsigned int*>(buffer));
    case NC_INT64: return nc_get_vara_longlong(ncid, varid, corner, counts, static_cast<long long*>(buffer));
    case NC_UINT64: return nc_get_vara_ulonglong(ncid, varid, corner, counts, static_cast<unsigned long long*>(buffer));
    default: return NC_EBADTYPE;
    }
}

void put_numeric_chunk(CdlWriter& w, int type, const void* buffer, std::size_t n, const CFormat& fmt,
                       const FillTest& ft, bool more, bool last_row)
{
    switch (type) {
    case NC_BYTE: put_numeric(w, static_cast<const signed char*>(buffer), n, fmt, ft, type, more, last_row); break;
    case NC_CHAR:
        put_numeric(w, static_cast<const signed char*>(buffer), n, fmt, FillTest{}, type, more, last_row);
        break;
    case NC_SHORT: put_numeric(w, static_cast<const short*>(buffer), n, fmt, ft, type, more, last_row); break;
    case NC_INT: put_numeric(w, static_cast<const int*>(buffer), n, fmt, ft, type, more, last_row); break;
    case NC_FLOAT: put_numeric(w, static_cast<const float*>(buffer), n, fmt, ft, type, more, last_row); break;
    case NC_DOUBLE: put_numeric(w, static_cast<const double*>(buffer), n, fmt, ft, type, more, last_row); break;
    case NC_UBYTE: put_numeric(w, static_cast<const unsigned char*>(buffer), n, fmt, ft, type, more, last_row); break;
    case NC_USHORT: put_numeric(w, static_cast<const unsigned short*>(buffer), n, fmt, ft, type, more, last_row); break;
    case NC_UINT: put_numeric(w, static_cast<const unsigned int*>(buffer), n, fmt, ft, type, more, last_row); break;
    case NC_INT64: put_numeric(w, static_cast<const long long*>(buffer), n, fmt, ft, type, more, last_row); break;
    default: put_numeric(w, static_cast<const unsigned long long*>(buffer), n, fmt, ft, type, more, last_row); break;
    }
}

} // namespace

int vardata(CdlWriter& w, const var_desc& vp, const std::vector<std::size_t>& sizes, int ncid, int varid)
{
    ValueFormat vf = value_format(w, ncid, varid, vp.type);
    FillTest ft;
    ft.has_fill = vp.has_fill;
    ft.fill = vp.fill;
    ft.bits = vp.fill_bits;
    ft.tolerance = std::fabs((vp.type == NC_FLOAT ? FLT_EPSILON : DBL_EPSILON) * vp.fill);

    const int nd = vp.ndims;
    std::vector<std::size_t> corner(static_cast<std::size_t>(std::max(nd, 1)), 0);
    std::vector<std::size_t> counts(corner.size(), 1);
    std::vector<std::size_t> step(corner.size(), 0);
    if (nd >= 2)
        step[static_cast<std::size_t>(nd - 2)] = 1;
    std::size_t row_length = nd > 0 ? sizes[static_cast<std::size_t>(nd - 1)] : 1;
    std::size_t total = 1;
    for (int i = 0; i < nd; ++i)
        total *= sizes[static_cast<std::size_t>(i)]; // the caller made sure it fits
    std::size_t rows = total / row_length;

    // Strings and user-defined types are read in their memory layout, fewer at a time
    // when their values are large.
    NcTypeInfo info;
    std::size_t chunk = kChunk;
    const bool typed = vf.form == ValueFormat::Form::Typed;
    if (typed) {
        if (!describe_type(ncid, vp.type, info) || info.size == 0) {
            type_name(w, ncid, vp.type); // logs the bad type
            return 0;
        }
        chunk = std::clamp<std::size_t>((std::size_t{16} << 20) / info.size, 1, kChunk);
    }
    const bool owns_memory = typed && type_owns_memory(ncid, vp.type);

    // Every value makes at least one character and its delimiter (a character of a
    // string at least one): a variable whose text must pass the limit is summarised
    // before anything is read, so an unwritten variable of 10^12 values costs nothing.
    const std::size_t least_per_value = (vf.form == ValueFormat::Form::String) ? 1 : 3;
    if (total > w.variable_text_limit / least_per_value) {
        summarise(w, vp, total);
        return 0;
    }
    const std::size_t start = w.written();

    if (nd >= 2) {
        cdl_printf(w, "\n%s %s =\n  ", vp.indent.c_str(), vp.name.c_str());
        set_line_pos(w, 2);
    } else {
        cdl_printf(w, "\n%s %s = ", vp.indent.c_str(), vp.name.c_str());
        set_line_pos(w, static_cast<int>(vp.indent.size() + vp.name.size()) + 4);
    }

    // One buffer of 1000 values of the widest numeric type; strings and user-defined
    // types get their own.
    alignas(double) unsigned char buffer[kChunk * sizeof(double)];
    std::vector<unsigned char> typed_buffer(typed ? chunk * info.size : 0);
    const std::size_t last = nd > 0 ? static_cast<std::size_t>(nd - 1) : 0;
    for (std::size_t row = 0; row < rows; ++row) {
        if (w.cancelled())
            return 0; // the text is thrown away: no need to finish the entry
        const bool last_row = (row + 1 == rows);
        const std::size_t mark = corner[last];
        std::size_t left = row_length;
        while (left > 0) {
            if (w.cancelled())
                return 0; // a long row (a 1-D variable is one row) stops between chunks too
            const std::size_t n = std::min(left, chunk);
            const bool more = left > n;
            counts[last] = n;
            int status = NC_NOERR;
            if (typed)
                status = nc_get_vara(ncid, varid, corner.data(), counts.data(), typed_buffer.data());
            else if (vf.form != ValueFormat::Form::None)
                status = read_numeric(ncid, varid, vp.type, corner.data(), counts.data(), buffer);
            else
                status = NC_EBADTYPE;
            if (status == NC_EBADTYPE && !typed) {
                cdl_error(w, "vardata: bad type");
                end_chunk(w, more, last_row);
            } else if (status != NC_NOERR) {
                // The first failed read ends the variable: a damaged variable gives one
                // message, not one per chunk, and never shows stale bytes.
                cdl_error(w, "%s: the values of variable %s could not be read: %s", w.path.c_str(), vp.name.c_str(),
                          nc_strerror(status));
                end_chunk(w, false, true);
                return 0;
            } else if (typed) {
                put_typed(w, ncid, vp, typed_buffer.data(), n, info.size, more, last_row);
                if (owns_memory)
                    nc_reclaim_data(ncid, vp.type, typed_buffer.data(), n);
            } else if (vp.type == NC_CHAR && vf.form == ValueFormat::Form::String) {
                put_string(w, reinterpret_cast<const char*>(buffer), n, more, last_row);
            } else if (vf.numeric) {
                put_numeric_chunk(w, vp.type, buffer, n, *vf.numeric, ft, more, last_row);
            } else {
                end_chunk(w, more, last_row);
            }
            corner[last] += n;
            left -= n;
            if (w.written() - start > w.variable_text_limit) {
                cdl_printf(w, "\n%s // %s: listing stopped: its text passed the limit of %zu bytes for one variable\n",
                           vp.indent.c_str(), vp.name.c_str(), w.variable_text_limit);
                cdl_note(w,
                         "%s: variable %s is listed only in part: its text passed the limit of %zu bytes for one "
                         "variable",
                         w.path.c_str(), vp.name.c_str(), w.variable_text_limit);
                return 0;
            }
        }
        corner[last] = mark;
        if (!last_row && !advance_corner(sizes.data(), nd, corner.data(), step.data()))
            cdl_error(w, "vardata: odometer overflowed!");
        set_line_pos(w, 2);
    }
    return 0;
}

void write_data_section(CdlWriter& w, int ncid, const std::vector<int>& varids, const DimTable& dims,
                        const std::string& indent, const std::vector<bool>* readable)
{
    if (!varids.empty())
        cdl_printf(w, "%sdata:\n", indent.c_str());
    std::vector<int> dimids(NC_MAX_VAR_DIMS);
    for (int varid : varids) {
        if (w.cancelled())
            return;
        char name[NC_MAX_NAME + 1] = {0};
        var_desc vp;
        nc_type type = NC_NAT;
        int status = nc_inq_var(ncid, varid, name, &type, &vp.ndims, dimids.data(), &vp.natts);
        if (status != NC_NOERR) {
            cdl_error_nc(w, status);
            continue;
        }
        vp.name = cdl_name(name);
        vp.type = type;
        vp.indent = indent;
        vp.dims.assign(dimids.begin(), dimids.begin() + vp.ndims);

        std::vector<std::size_t> sizes;
        bool usable = true;
        std::size_t total = 1;
        for (int d : vp.dims) {
            auto found = dims.find(d);
            if (found == dims.end()) {
                usable = false;
                break;
            }
            std::size_t size = found->second.size;
            if (size != 0 && total > SIZE_MAX / size) {
                cdl_error(w, "vardata: odometer overflowed!");
                usable = false;
                break;
            }
            total *= size;
            sizes.push_back(size);
        }
        // A record variable without records, or any variable without values, has no
        // entry: there is nothing to list.
        if (!usable || total == 0)
            continue;
        if (readable && !readable->empty() &&
            (varid < 0 || static_cast<std::size_t>(varid) >= readable->size() || !(*readable)[varid]))
            continue; // past the end of a truncated file

        w.variable = vp.name;
        if (is_classic_type(vp.type) && vp.type != NC_CHAR) {
            FillTest ft = fill_of(w, ncid, varid, vp.type);
            vp.has_fill = ft.has_fill;
            vp.fill = ft.fill;
        } else if (vp.type != NC_CHAR) {
            typed_fill_of(w, ncid, varid, vp);
        }
        vardata(w, vp, sizes, ncid, varid);
        w.variable.clear();
    }
}
