#include "cdl/vardata.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include <netcdf.h>

#include "cdl/attributes.h"
#include "cdl/cdl_output.h"

namespace {

constexpr std::size_t kChunk = 1000;

// How a value compares with the variable's fill value.
struct FillTest {
    bool has_fill = false;
    double fill = 0.0;
    double tolerance = 0.0; // |epsilon * fill| for float and double

    bool exact(double v) const { return has_fill && v == fill; }
    bool near(double v) const
    {
        return has_fill && ((v > 0) == (fill > 0)) && std::fabs(v - fill) <= tolerance;
    }
};

template <typename T>
bool is_fill(T v, const FillTest& ft, int type)
{
    switch (type) {
    case NC_FLOAT:
    case NC_DOUBLE:
        return ft.near(static_cast<double>(v));
    case NC_INT:
        // The fill truncated toward zero; a fill outside the int range never matches.
        return ft.has_fill && ft.fill > -2147483649.0 && ft.fill < 2147483648.0 &&
               static_cast<long long>(v) == static_cast<long long>(ft.fill);
    default:
        return ft.exact(static_cast<double>(v));
    }
}

template <typename T>
void format_one(std::string& out, T v, const CFormat& fmt)
{
    if constexpr (std::is_floating_point_v<T>)
        fmt.append(out, static_cast<double>(v));
    else
        fmt.append(out, static_cast<long long>(v));
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
            format_one(text, values[i], fmt);
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
                char oct[5] = {'\\', static_cast<char>('0' + ((b >> 6) & 7)),
                               static_cast<char>('0' + ((b >> 3) & 7)), static_cast<char>('0' + (b & 7)), 0};
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
    if (nc_inq_att(ncid, varid, "_FillValue", &att_type, &att_len) == NC_NOERR && att_type == type &&
        att_len == 1) {
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

} // namespace

void set_line_pos(CdlWriter& w, int pos) { w.line_pos = pos; }

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

int vardata(CdlWriter& w, const var_desc& vp, const std::vector<std::size_t>& sizes, int ncid, int varid)
{
    ValueFormat vf = value_format(w, ncid, varid, vp.type);
    FillTest ft;
    ft.has_fill = vp.has_fill;
    ft.fill = vp.fill;
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

    if (nd >= 2) {
        cdl_printf(w, "\n %s =\n  ", vp.name.c_str());
        set_line_pos(w, 2);
    } else {
        cdl_printf(w, "\n %s = ", vp.name.c_str());
        set_line_pos(w, static_cast<int>(vp.name.size()) + 4);
    }

    // One buffer of 1000 values of the widest type.
    alignas(double) unsigned char buffer[kChunk * sizeof(double)];
    const std::size_t last = nd > 0 ? static_cast<std::size_t>(nd - 1) : 0;
    for (std::size_t row = 0; row < rows; ++row) {
        if (w.cancelled())
            return 0; // the text is thrown away: no need to finish the entry
        const bool last_row = (row + 1 == rows);
        const std::size_t mark = corner[last];
        std::size_t left = row_length;
        while (left > 0) {
            const std::size_t n = std::min(left, kChunk);
            const bool more = left > n;
            counts[last] = n;
            int status = NC_NOERR;
            switch (vp.type) {
            case NC_BYTE: status = nc_get_vara_schar(ncid, varid, corner.data(), counts.data(), reinterpret_cast<signed char*>(buffer)); break;
            case NC_CHAR: status = nc_get_vara_text(ncid, varid, corner.data(), counts.data(), reinterpret_cast<char*>(buffer)); break;
            case NC_SHORT: status = nc_get_vara_short(ncid, varid, corner.data(), counts.data(), reinterpret_cast<short*>(buffer)); break;
            case NC_INT: status = nc_get_vara_int(ncid, varid, corner.data(), counts.data(), reinterpret_cast<int*>(buffer)); break;
            case NC_FLOAT: status = nc_get_vara_float(ncid, varid, corner.data(), counts.data(), reinterpret_cast<float*>(buffer)); break;
            case NC_DOUBLE: status = nc_get_vara_double(ncid, varid, corner.data(), counts.data(), reinterpret_cast<double*>(buffer)); break;
            default: cdl_error(w, "vardata: bad type"); status = NC_EBADTYPE; break;
            }
            if (status != NC_NOERR) {
                // A chunk that could not be read shows no values: never stale bytes.
                if (status != NC_EBADTYPE)
                    cdl_error_nc(w, status);
                end_chunk(w, more, last_row);
            } else if (vp.type == NC_CHAR && vf.form == ValueFormat::Form::String) {
                put_string(w, reinterpret_cast<const char*>(buffer), n, more, last_row);
            } else if (vf.numeric) {
                const CFormat& fmt = *vf.numeric;
                switch (vp.type) {
                case NC_BYTE: put_numeric(w, reinterpret_cast<const signed char*>(buffer), n, fmt, ft, vp.type, more, last_row); break;
                case NC_CHAR: put_numeric(w, reinterpret_cast<const signed char*>(buffer), n, fmt, FillTest{}, vp.type, more, last_row); break;
                case NC_SHORT: put_numeric(w, reinterpret_cast<const short*>(buffer), n, fmt, ft, vp.type, more, last_row); break;
                case NC_INT: put_numeric(w, reinterpret_cast<const int*>(buffer), n, fmt, ft, vp.type, more, last_row); break;
                case NC_FLOAT: put_numeric(w, reinterpret_cast<const float*>(buffer), n, fmt, ft, vp.type, more, last_row); break;
                default: put_numeric(w, reinterpret_cast<const double*>(buffer), n, fmt, ft, vp.type, more, last_row); break;
                }
            } else {
                end_chunk(w, more, last_row);
            }
            corner[last] += n;
            left -= n;
        }
        corner[last] = mark;
        if (!last_row && !advance_corner(sizes.data(), nd, corner.data(), step.data()))
            cdl_error(w, "vardata: odometer overflowed!");
        set_line_pos(w, 2);
    }
    return 0;
}

void write_data_section(CdlWriter& w, int ncid, int nvars, int unlimited_dimid, const std::vector<dim_desc>& dims)
{
    if (nvars > 0)
        cdl_put(w, "data:\n");
    std::vector<int> dimids(NC_MAX_VAR_DIMS);
    for (int varid = 0; varid < nvars; ++varid) {
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
        vp.name = name;
        vp.type = type;
        vp.dims.assign(dimids.begin(), dimids.begin() + vp.ndims);

        std::vector<std::size_t> sizes;
        bool usable = true;
        std::size_t total = 1;
        for (int d : vp.dims) {
            if (d < 0 || static_cast<std::size_t>(d) >= dims.size()) {
                usable = false;
                break;
            }
            std::size_t size = dims[static_cast<std::size_t>(d)].size;
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
        (void)unlimited_dimid;

        if (vp.type != NC_CHAR) {
            FillTest ft = fill_of(w, ncid, varid, vp.type);
            vp.has_fill = ft.has_fill;
            vp.fill = ft.fill;
        }
        vardata(w, vp, sizes, ncid, varid);
    }
}
