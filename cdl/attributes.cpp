#include "cdl/attributes.h"

#include <charconv>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <vector>

#include <netcdf.h>

#include "cdl/cdl_names.h"
#include "cdl/cdl_output.h"
#include "cdl/typed_values.h"

namespace {

// Out of memory while reading an attribute: the file is closed, so the rest of the
// rendering fails visibly rather than going on with a half-read header.
bool out_of_memory_close(CdlWriter& w, int ncid, const std::string& varname, const char* attname)
{
    if (varname.empty())
        cdl_error(w, "Out of memory! %s: global attribute %s could not be read", w.path.c_str(), attname);
    else
        cdl_error(w, "Out of memory! %s: attribute %s of variable %s could not be read", w.path.c_str(), attname,
                  varname.c_str());
    int status = nc_close(ncid);
    if (status != NC_NOERR)
        cdl_error_nc(w, status);
    return false;
}

// The double truncated toward zero; 0 for values with no long long counterpart.
long long truncate(double v)
{
    return (v > -9.2e18 && v < 9.2e18) ? static_cast<long long>(v) : 0;
}

void append_int(std::string& out, long long v)
{
    char buf[24];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

bool is_section_keyword(const std::string& name)
{
    return name == "data" || name == "dimensions" || name == "variables" || name == "group" || name == "types";
}

} // namespace

std::optional<std::string> c_format_of(CdlWriter& w, int ncid, int varid)
{
    nc_type type = NC_NAT;
    size_t len = 0;
    int status = nc_inq_att(ncid, varid, "C_format", &type, &len);
    if (status == NC_ENOTATT)
        return std::nullopt;
    if (status != NC_NOERR) {
        w.error_log += "Inquiring about 'C_format' attribute ";
        w.error_log += nc_strerror(status);
        w.error_log += '\n';
        return std::nullopt;
    }
    if (type != NC_CHAR || len < 1 || len >= 100)
        return std::nullopt;
    std::string text(len, '\0');
    status = nc_get_att_text(ncid, varid, "C_format", text.data());
    if (status != NC_NOERR) {
        w.error_log += "Getting 'C_format' attribute ";
        w.error_log += nc_strerror(status);
        w.error_log += '\n';
        text.assign(len, '\0'); // nothing read: an empty text, never stale bytes
    }
    return text;
}

ValueFormat value_format(CdlWriter& w, int ncid, int varid, int type)
{
    ValueFormat vf;
    std::optional<std::string> cf = c_format_of(w, ncid, varid);
    if (type == NC_CHAR) {
        // The string form serves "%s" and an empty format; any other usable C_format
        // prints each character through it as an int.
        vf.form = ValueFormat::Form::String;
        if (cf) {
            std::string_view text(*cf);
            text = text.substr(0, text.find('\0'));
            if (!text.empty() && text != "%s") {
                if (auto parsed = CFormat::parse(text, ValueKind::Integer)) {
                    vf.form = ValueFormat::Form::Numeric;
                    vf.numeric = std::move(parsed);
                }
            }
        }
        return vf;
    }
    bool floating = (type == NC_FLOAT || type == NC_DOUBLE);
    bool integer = (type == NC_BYTE || type == NC_SHORT || type == NC_INT || is_extended_integer(type));
    if (type == NC_STRING || is_user_type(type)) {
        vf.form = ValueFormat::Form::Typed;
        return vf;
    }
    if (!floating && !integer) {
        cdl_error(w, "pr_vals: bad type");
        return vf;
    }
    vf.form = ValueFormat::Form::Numeric;
    if (cf)
        vf.numeric = CFormat::parse(*cf, floating ? ValueKind::Floating : ValueKind::Integer);
    if (!vf.numeric) {
        if (type == NC_FLOAT)
            vf.numeric = w.formats.float_var;
        else if (type == NC_DOUBLE)
            vf.numeric = w.formats.double_var;
        else if (type == NC_INT64)
            vf.numeric = CFormat::parse("%lld", ValueKind::Integer);
        else if (type == NC_UINT64)
            vf.numeric = CFormat::parse("%llu", ValueKind::Integer);
        else if (is_extended_integer(type))
            vf.numeric = CFormat::parse("%u", ValueKind::Integer);
        else
            vf.numeric = CFormat::parse("%d", ValueKind::Integer);
    }
    return vf;
}

void print_att_text(CdlWriter& w, std::size_t len, const char* text)
{
    while (len > 0 && text[len - 1] == '\0')
        --len;
    std::string out;
    if (w.netcdf4) {
        append_quoted_string(out, std::string_view(text, len));
        cdl_put(w, out);
        return;
    }
    out.reserve(len + 2);
    out += '"';
    for (std::size_t i = 0; i < len; ++i) {
        char c = text[i];
        switch (c) {
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n\",\n\t\t\t\""; break;
        case '\v': out += "\\v"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\'': out += "\\'"; break;
        case '\\': out += "\\\\"; break;
        default:
            // A NUL inside the text is kept as an escape: dropping it would join the
            // bytes around it.
            if (c == '\0' || (w.netcdf4_classic && (static_cast<unsigned char>(c) < 0x20 || c == 0x7F))) {
                const unsigned char u = static_cast<unsigned char>(c);
                out += '\\';
                out += static_cast<char>('0' + ((u >> 6) & 7));
                out += static_cast<char>('0' + ((u >> 3) & 7));
                out += static_cast<char>('0' + (u & 7));
            } else {
                out += c;
            }
            break;
        }
    }
    out += '"';
    cdl_put(w, out);
}

void trim_zeros(std::string& number)
{
    std::size_t start = (!number.empty() && number[0] == '-') ? 1 : 0;
    std::size_t point = start;
    while (point < number.size() && ((number[point] >= '0' && number[point] <= '9') || number[point] == '.'))
        ++point;
    if (point == start || number[point - 1] == '.')
        return; // no number here (NaN, Infinity), or nothing after the point
    std::size_t zeros = point;
    while (zeros > start && number[zeros - 1] == '0')
        --zeros;
    number.erase(zeros, point - zeros);
}

void pr_att_vals(CdlWriter& w, int type, std::size_t count, const double* values)
{
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        bool last = (i + 1 == count);
        double v = values[i];
        switch (type) {
        case NC_BYTE:
            append_int(out, static_cast<signed char>(static_cast<unsigned char>(truncate(v) & 0xFF)));
            out += 'b';
            break;
        case NC_SHORT:
            append_int(out, static_cast<short>(static_cast<unsigned short>(truncate(v) & 0xFFFF)));
            out += 's';
            break;
        case NC_INT: append_int(out, static_cast<int>(static_cast<unsigned int>(truncate(v) & 0xFFFFFFFF))); break;
        case NC_FLOAT:
        case NC_DOUBLE: {
            std::string number = (type == NC_FLOAT ? w.formats.float_att : w.formats.double_att).format(v);
            trim_zeros(number);
            out += number;
            break;
        }
        default: cdl_error(w, "pr_att_vals: bad type"); continue;
        }
        if (!last)
            out += ", ";
    }
    cdl_put(w, out);
}

namespace {

// The suffix CDL gives an attribute value of an extended integer type.
const char* integer_suffix(int type)
{
    switch (type) {
    case NC_UBYTE: return "UB";
    case NC_USHORT: return "US";
    case NC_UINT: return "U";
    case NC_INT64: return "LL";
    default: return "ULL";
    }
}

// Values of a type without a classic reading: read as the library holds them, written
// one by one, and the memory they own handed back.
int print_typed_att_vals(CdlWriter& w, int ncid, int varid, const char* name, int type, std::size_t len)
{
    NcTypeInfo info;
    if (!describe_type(ncid, type, info) || info.size == 0) {
        type_name(w, ncid, type); // logs the bad type
        return NC_NOERR;
    }
    std::vector<unsigned char> values(len * info.size);
    int status = nc_get_att(ncid, varid, name, values.data());
    if (status != NC_NOERR)
        return status;
    std::string out;
    for (std::size_t i = 0; i < len; ++i) {
        if (i > 0)
            out += ", ";
        append_value(w, ncid, type, values.data() + i * info.size, out);
        if (is_extended_integer(type))
            out += integer_suffix(type);
    }
    if (type_owns_memory(ncid, type))
        nc_reclaim_data(ncid, type, values.data(), len);
    cdl_put(w, out);
    return NC_NOERR;
}

} // namespace

bool print_att(CdlWriter& w, int ncid, int varid, const std::string& varname, int attnum, const std::string& indent)
{
    char name[NC_MAX_NAME + 1] = {0};
    // A failed read names the file, the attribute and its variable.
    auto att_error = [&](int failed) {
        const std::string att = name[0] ? cdl_name(name) : "number " + std::to_string(attnum);
        if (varname.empty())
            cdl_error(w, "%s: global attribute %s: %s", w.path.c_str(), att.c_str(), nc_strerror(failed));
        else
            cdl_error(w, "%s: attribute %s of variable %s: %s", w.path.c_str(), att.c_str(), varname.c_str(),
                      nc_strerror(failed));
    };
    int status = nc_inq_attname(ncid, varid, attnum, name);
    if (status != NC_NOERR)
        att_error(status);

    nc_type type = NC_NAT;
    size_t len = 0;
    status = nc_inq_att(ncid, varid, name, &type, &len);
    // Strings and user-defined types are named before the attribute: their values
    // alone do not tell the type.
    std::string prefix;
    if (status == NC_NOERR && (type == NC_STRING || is_user_type(type)))
        prefix = type_name(w, ncid, type) + " ";
    // A variable named like a section keyword is set apart from the colon, as ncdump
    // does, so that "data:" is never read as the start of the data section.
    const char* apart = w.follows_ncdump() && is_section_keyword(varname) ? " " : "";
    cdl_printf(w, "%s\t\t%s%s%s:%s = ", indent.c_str(), prefix.c_str(), varname.c_str(), apart, cdl_name(name).c_str());

    if (status != NC_NOERR) {
        att_error(status);
    } else if (len == 0) {
        cdl_put(w, "\"\"");
    } else {
        try {
            if (type == NC_CHAR) {
                std::string text(len, '\0');
                status = nc_get_att_text(ncid, varid, name, text.data());
                if (status != NC_NOERR)
                    att_error(status);
                else
                    print_att_text(w, len, text.data());
            } else if (type == NC_STRING) {
                std::vector<char*> strings(len, nullptr);
                status = nc_get_att_string(ncid, varid, name, strings.data());
                if (status != NC_NOERR) {
                    att_error(status);
                } else {
                    std::string out;
                    for (std::size_t i = 0; i < len; ++i) {
                        if (i > 0)
                            out += ", ";
                        append_string_value(out, strings[i]);
                    }
                    nc_free_string(len, strings.data());
                    cdl_put(w, out);
                }
            } else if (is_classic_type(type)) {
                std::vector<double> values(len);
                status = nc_get_att_double(ncid, varid, name, values.data());
                if (status != NC_NOERR)
                    att_error(status);
                else
                    pr_att_vals(w, type, len, values.data());
            } else {
                status = print_typed_att_vals(w, ncid, varid, name, type, len);
                if (status != NC_NOERR)
                    att_error(status);
            }
        } catch (const std::bad_alloc&) {
            return out_of_memory_close(w, ncid, varname, name);
        } catch (const std::length_error&) {
            return out_of_memory_close(w, ncid, varname, name);
        }
    }
    cdl_put(w, " ;\n");
    return true;
}
