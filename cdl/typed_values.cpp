#include "cdl/typed_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include <netcdf.h>

#include "cdl/cdl_names.h"
#include "cdl/scoped_names.h"

namespace {

// Nesting of vlens and compounds deeper than this is not followed.
constexpr int kMaxDepth = 32;

template <typename T>
T load(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
void append_int(std::string& out, T v)
{
    char buf[24];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// The integer held by an enum's base type.
long long enum_integer(int base, const unsigned char* p)
{
    switch (base) {
    case NC_BYTE: return load<signed char>(p);
    case NC_UBYTE: return load<unsigned char>(p);
    case NC_SHORT: return load<short>(p);
    case NC_USHORT: return load<unsigned short>(p);
    case NC_INT: return load<int>(p);
    case NC_UINT: return load<unsigned int>(p);
    case NC_UINT64: return static_cast<long long>(load<unsigned long long>(p));
    default: return load<long long>(p);
    }
}

void append_value_at(CdlWriter& w, int ncid, int type, const unsigned char* p, std::string& out, int depth);

void append_compound(CdlWriter& w, int ncid, const NcTypeInfo& info, const unsigned char* p, std::string& out,
                     int depth)
{
    out += '{';
    for (std::size_t f = 0; f < info.nfields; ++f) {
        char name[NC_MAX_NAME + 1] = {0};
        size_t offset = 0;
        nc_type ftype = NC_NAT;
        int ndims = 0;
        std::vector<int> sizes(NC_MAX_VAR_DIMS);
        if (f > 0)
            out += ", ";
        if (nc_inq_compound_field(ncid, info.type, static_cast<int>(f), name, &offset, &ftype, &ndims, sizes.data()) !=
                NC_NOERR ||
            offset >= info.size) {
            out += '?';
            continue;
        }
        NcTypeInfo field;
        if (!describe_type(ncid, ftype, field) || field.size == 0) {
            out += '?';
            continue;
        }
        std::size_t count = 1;
        for (int d = 0; d < ndims; ++d)
            count *= static_cast<std::size_t>(std::max(sizes[static_cast<std::size_t>(d)], 0));
        if (ndims > 0 && (count > (info.size - offset) / field.size)) {
            out += '?';
            continue;
        }
        const unsigned char* at = p + offset;
        if (ndims == 0) {
            append_value_at(w, ncid, ftype, at, out, depth + 1);
        } else if (ftype == NC_CHAR) {
            std::size_t n = count;
            while (n > 0 && at[n - 1] == 0)
                --n;
            out += '{';
            append_quoted_string(out, std::string_view(reinterpret_cast<const char*>(at), n));
            out += '}';
        } else {
            out += '{';
            for (std::size_t i = 0; i < count; ++i) {
                if (i > 0)
                    out += ", ";
                append_value_at(w, ncid, ftype, at + i * field.size, out, depth + 1);
            }
            out += '}';
        }
    }
    out += '}';
}

void append_value_at(CdlWriter& w, int ncid, int type, const unsigned char* p, std::string& out, int depth)
{
    switch (type) {
    case NC_BYTE: append_int(out, static_cast<int>(load<signed char>(p))); return;
    case NC_CHAR: append_quoted_string(out, std::string_view(reinterpret_cast<const char*>(p), 1)); return;
    case NC_SHORT: append_int(out, load<short>(p)); return;
    case NC_INT: append_int(out, load<int>(p)); return;
    case NC_FLOAT: append_float(w, out, static_cast<double>(load<float>(p)), w.formats.float_var, true); return;
    case NC_DOUBLE: append_float(w, out, load<double>(p), w.formats.double_var, false); return;
    case NC_UBYTE: append_int(out, static_cast<unsigned>(load<unsigned char>(p))); return;
    case NC_USHORT: append_int(out, static_cast<unsigned>(load<unsigned short>(p))); return;
    case NC_UINT: append_int(out, load<unsigned int>(p)); return;
    case NC_INT64: append_int(out, load<long long>(p)); return;
    case NC_UINT64: append_int(out, load<unsigned long long>(p)); return;
    case NC_STRING: append_string_value(out, load<const char*>(p)); return;
    default: break;
    }
    NcTypeInfo info;
    if (depth > kMaxDepth || !describe_type(ncid, type, info)) {
        out += '?';
        return;
    }
    switch (info.cls) {
    case NC_ENUM: {
        long long v = enum_integer(info.base, p);
        char ident[NC_MAX_NAME + 1] = {0};
        if (nc_inq_enum_ident(ncid, type, v, ident) == NC_NOERR)
            out += cdl_name(ident);
        else
            append_int(out, v); // a value with no member name: shown as its number
        return;
    }
    case NC_OPAQUE: {
        static constexpr char kHex[] = "0123456789ABCDEF";
        out += "0X";
        for (std::size_t i = 0; i < info.size; ++i) {
            out += kHex[p[i] >> 4];
            out += kHex[p[i] & 15];
        }
        return;
    }
    case NC_VLEN: {
        const nc_vlen_t vl = load<nc_vlen_t>(p);
        NcTypeInfo base;
        out += '{';
        if (vl.len > 0 && vl.p && describe_type(ncid, info.base, base) && base.size > 0) {
            const unsigned char* items = static_cast<const unsigned char*>(vl.p);
            for (std::size_t i = 0; i < vl.len; ++i) {
                if (i > 0)
                    out += ", ";
                append_value_at(w, ncid, info.base, items + i * base.size, out, depth + 1);
            }
        }
        out += '}';
        return;
    }
    case NC_COMPOUND: append_compound(w, ncid, info, p, out, depth); return;
    default: out += '?'; return;
    }
}

bool values_equal_at(int ncid, int type, const unsigned char* a, const unsigned char* b, int depth)
{
    if (type == NC_STRING) {
        const char* x = load<const char*>(a);
        const char* y = load<const char*>(b);
        return (x && y) ? std::strcmp(x, y) == 0 : x == y;
    }
    NcTypeInfo info;
    if (depth > kMaxDepth || !describe_type(ncid, type, info))
        return false;
    if (info.cls == NC_VLEN) {
        const nc_vlen_t x = load<nc_vlen_t>(a);
        const nc_vlen_t y = load<nc_vlen_t>(b);
        if (x.len != y.len)
            return false;
        if (x.len == 0)
            return true;
        NcTypeInfo base;
        if (!x.p || !y.p || !describe_type(ncid, info.base, base) || base.size == 0)
            return x.p == y.p;
        for (std::size_t i = 0; i < x.len; ++i)
            if (!values_equal_at(ncid, info.base, static_cast<const unsigned char*>(x.p) + i * base.size,
                                 static_cast<const unsigned char*>(y.p) + i * base.size, depth + 1))
                return false;
        return true;
    }
    if (info.cls != NC_COMPOUND)
        return std::memcmp(a, b, info.size) == 0;
    // Field by field: the padding between fields holds no value.
    for (std::size_t f = 0; f < info.nfields; ++f) {
        size_t offset = 0;
        nc_type ftype = NC_NAT;
        int ndims = 0;
        std::vector<int> sizes(NC_MAX_VAR_DIMS);
        NcTypeInfo field;
        if (nc_inq_compound_field(ncid, info.type, static_cast<int>(f), nullptr, &offset, &ftype, &ndims,
                                  sizes.data()) != NC_NOERR ||
            offset >= info.size || !describe_type(ncid, ftype, field) || field.size == 0)
            return false;
        std::size_t count = 1;
        for (int d = 0; d < ndims; ++d)
            count *= static_cast<std::size_t>(std::max(sizes[static_cast<std::size_t>(d)], 0));
        if (count > (info.size - offset) / field.size)
            return false;
        for (std::size_t i = 0; i < count; ++i)
            if (!values_equal_at(ncid, ftype, a + offset + i * field.size, b + offset + i * field.size, depth + 1))
                return false;
    }
    return true;
}

} // namespace

bool values_equal(int ncid, int type, const unsigned char* a, const unsigned char* b)
{
    return values_equal_at(ncid, type, a, b, 0);
}

TypedValue::~TypedValue()
{
    if (m_read && type_owns_memory(m_ncid, m_type))
        nc_reclaim_data(m_ncid, m_type, m_bytes.data(), 1);
}

int TypedValue::read_att(int varid, const char* name)
{
    const int status = nc_get_att(m_ncid, varid, name, m_bytes.data());
    m_read = status == NC_NOERR;
    return status;
}

bool is_classic_type(int type)
{
    return type >= NC_BYTE && type <= NC_DOUBLE;
}
bool is_extended_integer(int type)
{
    return type >= NC_UBYTE && type <= NC_UINT64;
}
bool is_user_type(int type)
{
    return type > NC_MAX_ATOMIC_TYPE;
}

bool describe_type(int ncid, int type, NcTypeInfo& info)
{
    info = NcTypeInfo{};
    info.type = type;
    char name[NC_MAX_NAME + 1] = {0};
    if (!is_user_type(type)) {
        if (type < NC_BYTE || nc_inq_type(ncid, type, name, &info.size) != NC_NOERR)
            return false;
        info.cls = type;
        info.name = name;
        return true;
    }
    nc_type base = NC_NAT;
    int cls = 0;
    if (nc_inq_user_type(ncid, type, name, &info.size, &base, &info.nfields, &cls) != NC_NOERR)
        return false;
    info.cls = cls;
    info.base = base;
    info.name = name;
    if (cls == NC_VLEN)
        info.size = sizeof(nc_vlen_t);
    return true;
}

bool type_owns_memory(int ncid, int type)
{
    if (type == NC_STRING)
        return true;
    NcTypeInfo info;
    if (!is_user_type(type) || !describe_type(ncid, type, info))
        return false;
    if (info.cls == NC_VLEN)
        return true;
    if (info.cls != NC_COMPOUND)
        return false;
    for (std::size_t f = 0; f < info.nfields; ++f) {
        nc_type ftype = NC_NAT;
        if (nc_inq_compound_fieldtype(ncid, type, static_cast<int>(f), &ftype) == NC_NOERR && ftype != type &&
            type_owns_memory(ncid, ftype))
            return true;
    }
    return false;
}

std::string type_name(CdlWriter& w, int ncid, int type)
{
    switch (type) {
    case NC_BYTE: return "byte";
    case NC_CHAR: return "char";
    case NC_SHORT: return "short";
    case NC_INT: return "int";
    case NC_FLOAT: return "float";
    case NC_DOUBLE: return "double";
    case NC_UBYTE: return "ubyte";
    case NC_USHORT: return "ushort";
    case NC_UINT: return "uint";
    case NC_INT64: return "int64";
    case NC_UINT64: return "uint64";
    case NC_STRING: return "string";
    default: break;
    }
    char name[NC_MAX_NAME + 1] = {0};
    if (is_user_type(type) && nc_inq_user_type(ncid, type, name, nullptr, nullptr, nullptr, nullptr) == NC_NOERR) {
        // A type declared out of the group's sight, or hidden by a nearer one of the
        // same name, is written with its group's path.
        std::string scoped = w.scoped_names ? w.scoped_names->type(ncid, type) : std::string();
        return scoped.empty() ? cdl_name(name) : scoped;
    }
    cdl_error(w, "type_name: bad type %d", type);
    return "bogus";
}

void append_value(CdlWriter& w, int ncid, int type, const unsigned char* value, std::string& out)
{
    append_value_at(w, ncid, type, value, out, 0);
}

void append_float(const CdlWriter& w, std::string& out, double v, const CFormat& format, bool is_float)
{
    if (!w.follows_ncdump() || std::isfinite(v)) {
        format.append(out, v);
        return;
    }
    out += std::isnan(v) ? "NaN" : (v < 0 ? "-Infinity" : "Infinity");
    if (is_float)
        out += 'f';
}

void append_string_value(std::string& out, const char* text)
{
    if (text)
        append_quoted_string(out, text);
    else
        out += "NIL";
}

void append_quoted_string(std::string& out, std::string_view text)
{
    out += '"';
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\b': out += "\\b"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\v': out += "\\v"; break;
        case '\f': out += "\\f"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\'': out += "\\'"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char oct[5] = {'\\', static_cast<char>('0' + ((c >> 6) & 7)), static_cast<char>('0' + ((c >> 3) & 7)),
                               static_cast<char>('0' + (c & 7)), 0};
                out += oct;
            } else {
                out += static_cast<char>(c);
            }
            break;
        }
    }
    out += '"';
}

void print_types(CdlWriter& w, int ncid, const std::string& indent)
{
    int ntypes = 0;
    if (nc_inq_typeids(ncid, &ntypes, nullptr) != NC_NOERR || ntypes <= 0)
        return;
    std::vector<int> ids(static_cast<std::size_t>(ntypes));
    int status = nc_inq_typeids(ncid, &ntypes, ids.data());
    if (status != NC_NOERR) {
        cdl_error_nc(w, status);
        return;
    }
    std::string out = indent + "types:\n";
    for (int type : ids) {
        NcTypeInfo info;
        if (!describe_type(ncid, type, info)) {
            cdl_error(w, "%s: type %d could not be read", w.path.c_str(), type);
            continue;
        }
        const std::string name = cdl_name(info.name);
        out += indent + "  ";
        switch (info.cls) {
        case NC_ENUM: {
            out += type_name(w, ncid, info.base) + " enum " + name + " {";
            std::vector<unsigned char> value(8);
            for (std::size_t m = 0; m < info.nfields; ++m) {
                char member[NC_MAX_NAME + 1] = {0};
                std::fill(value.begin(), value.end(), 0);
                if (nc_inq_enum_member(ncid, type, static_cast<int>(m), member, value.data()) != NC_NOERR)
                    continue;
                if (m > 0)
                    out += ", ";
                out += cdl_name(member) + " = ";
                append_value(w, ncid, info.base, value.data(), out);
            }
            out += "} ;\n";
            break;
        }
        case NC_OPAQUE: out += "opaque(" + std::to_string(info.size) + ") " + name + " ;\n"; break;
        case NC_VLEN: out += type_name(w, ncid, info.base) + "(*) " + name + " ;\n"; break;
        case NC_COMPOUND: {
            out += "compound " + name + " {\n";
            for (std::size_t f = 0; f < info.nfields; ++f) {
                char field[NC_MAX_NAME + 1] = {0};
                nc_type ftype = NC_NAT;
                int ndims = 0;
                std::vector<int> sizes(NC_MAX_VAR_DIMS);
                if (nc_inq_compound_field(ncid, type, static_cast<int>(f), field, nullptr, &ftype, &ndims,
                                          sizes.data()) != NC_NOERR)
                    continue;
                out += indent + "    " + type_name(w, ncid, ftype) + " " + cdl_name(field);
                for (int d = 0; d < ndims; ++d)
                    out += (d == 0 ? "(" : ", ") + std::to_string(sizes[static_cast<std::size_t>(d)]);
                out += ndims > 0 ? ") ;\n" : " ;\n";
            }
            out += indent + "  }; // " + name + "\n";
            break;
        }
        default: out += "// " + name + ": a type of unknown class\n"; break;
        }
    }
    w.put(out);
}
