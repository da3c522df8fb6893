#include "profile/per_profile_values.h"

#include <cmath>

#include <netcdf.h>

#include "profile/argo_time.h"

namespace {

double DefaultFill(nc_type type)
{
    switch (type) {
    case NC_BYTE: return NC_FILL_BYTE;
    case NC_SHORT: return NC_FILL_SHORT;
    case NC_INT: return NC_FILL_INT;
    case NC_FLOAT: return static_cast<double>(NC_FILL_FLOAT);
    case NC_DOUBLE: return NC_FILL_DOUBLE;
    case NC_UBYTE: return NC_FILL_UBYTE;
    case NC_USHORT: return NC_FILL_USHORT;
    case NC_UINT: return NC_FILL_UINT;
    case NC_INT64: return static_cast<double>(NC_FILL_INT64);
    case NC_UINT64: return static_cast<double>(NC_FILL_UINT64);
    default: return NC_FILL_DOUBLE;
    }
}

bool IsNumericType(nc_type type)
{
    switch (type) {
    case NC_BYTE:
    case NC_SHORT:
    case NC_INT:
    case NC_FLOAT:
    case NC_DOUBLE:
    case NC_UBYTE:
    case NC_USHORT:
    case NC_UINT:
    case NC_INT64:
    case NC_UINT64: return true;
    default: return false;
    }
}

} // namespace

bool PerProfileVariable::IsFill(double v) const
{
    return std::isnan(v) || v == fill;
}

PerProfileVariable FindPerProfileVariable(int ncid, const ProfileShape&, const char* name)
{
    PerProfileVariable v;
    int varid = -1;
    if (nc_inq_varid(ncid, name, &varid) != NC_NOERR)
        return v;
    nc_type type = NC_NAT;
    int ndims = 0;
    if (nc_inq_var(ncid, varid, nullptr, &type, &ndims, nullptr, nullptr) != NC_NOERR || ndims < 0 ||
        ndims > NC_MAX_VAR_DIMS)
        return v;
    v.dimids.resize(static_cast<std::size_t>(ndims));
    if (ndims > 0 && nc_inq_vardimid(ncid, varid, v.dimids.data()) != NC_NOERR)
        return v;
    for (int id : v.dimids) {
        std::size_t len = 0;
        if (nc_inq_dimlen(ncid, id, &len) != NC_NOERR)
            return v;
        v.dimLengths.push_back(len);
    }
    v.varid = varid;
    v.type = type;
    v.numeric = IsNumericType(type);
    v.fill = DefaultFill(type);
    nc_type attType = NC_NAT;
    std::size_t attLen = 0;
    double fill = 0.0;
    if (v.numeric && nc_inq_att(ncid, varid, "_FillValue", &attType, &attLen) == NC_NOERR && attLen == 1 &&
        IsNumericType(attType) && nc_get_att_double(ncid, varid, "_FillValue", &fill) == NC_NOERR)
        v.fill = fill;
    v.found = true;
    return v;
}

std::optional<std::vector<std::optional<double>>> ReadPerProfileNumbers(int ncid, const ProfileShape& shape,
                                                                        const char* name, ProfileRange range)
{
    const PerProfileVariable v = FindPerProfileVariable(ncid, shape, name);
    if (!v.PerProfile(shape) || v.dimids.size() != 1 || !v.numeric)
        return std::nullopt;
    const std::size_t start = range.Start(shape.prof.length), count = range.Size(shape.prof.length);
    std::vector<double> raw(count);
    if (!raw.empty() && nc_get_vara_double(ncid, v.varid, &start, &count, raw.data()) != NC_NOERR)
        return std::nullopt;
    std::vector<std::optional<double>> values(raw.size());
    for (std::size_t p = 0; p < raw.size(); ++p)
        if (!v.IsFill(raw[p]) && std::isfinite(raw[p]))
            values[p] = raw[p];
    return values;
}

std::optional<std::string> ReadPerProfileFlags(int ncid, const ProfileShape& shape, const char* name,
                                               ProfileRange range)
{
    const PerProfileVariable v = FindPerProfileVariable(ncid, shape, name);
    if (!v.PerProfile(shape) || v.dimids.size() != 1 || v.type != NC_CHAR)
        return std::nullopt;
    const std::size_t start = range.Start(shape.prof.length), count = range.Size(shape.prof.length);
    std::string flags(count, '\0');
    if (!flags.empty() && nc_get_vara_text(ncid, v.varid, &start, &count, flags.data()) != NC_NOERR)
        return std::nullopt;
    return flags;
}

std::optional<std::vector<std::string>> ReadPerProfileStrings(int ncid, const ProfileShape& shape, const char* name,
                                                              ProfileRange range)
{
    const PerProfileVariable v = FindPerProfileVariable(ncid, shape, name);
    if (!v.PerProfile(shape) || v.dimids.size() != 2 || v.type != NC_CHAR)
        return std::nullopt;
    const std::size_t length = v.dimLengths[1];
    if (length > 4096)
        return std::nullopt;
    const std::size_t first = range.Start(shape.prof.length), n = range.Size(shape.prof.length);
    const std::size_t start[2] = {first, 0}, count[2] = {n, length};
    std::string raw(n * length, '\0');
    if (!raw.empty() && nc_get_vara_text(ncid, v.varid, start, count, raw.data()) != NC_NOERR)
        return std::nullopt;
    std::vector<std::string> strings(n);
    for (std::size_t p = 0; p < strings.size(); ++p) {
        std::string s = raw.substr(p * length, length);
        strings[p] = s.substr(0, s.find('\0'));
    }
    return strings;
}

std::optional<std::string> UnreadableJuldUnits(int ncid)
{
    int varid = -1;
    nc_type type = NC_NAT;
    std::size_t len = 0;
    if (nc_inq_varid(ncid, "JULD", &varid) != NC_NOERR || nc_inq_att(ncid, varid, "units", &type, &len) != NC_NOERR ||
        type != NC_CHAR)
        return std::nullopt;
    if (len > 4096)
        return std::string("(") + std::to_string(len) + " characters)";
    std::string units(len, '\0');
    if (len > 0 && nc_get_att_text(ncid, varid, "units", units.data()) != NC_NOERR)
        return std::nullopt;
    if (JuldUnitsReadable(units))
        return std::nullopt;
    units = units.substr(0, units.find('\0')).substr(0, 64);
    for (char& c : units)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
            c = '?';
    return units;
}

std::string UnreadableJuldUnitsMessage(const std::string& units)
{
    return "the JULD units \"" + units + "\" cannot be read (days since a date are needed): no dates";
}

std::int64_t ReadReferenceDateTime(int ncid)
{
    int varid = -1;
    nc_type type = NC_NAT;
    int ndims = 0;
    int dimid = -1;
    std::size_t len = 0;
    if (nc_inq_varid(ncid, "REFERENCE_DATE_TIME", &varid) == NC_NOERR &&
        nc_inq_var(ncid, varid, nullptr, &type, &ndims, nullptr, nullptr) == NC_NOERR && type == NC_CHAR &&
        ndims == 1 && nc_inq_vardimid(ncid, varid, &dimid) == NC_NOERR &&
        nc_inq_dimlen(ncid, dimid, &len) == NC_NOERR && len >= 14 && len <= 64) {
        std::string text(len, '\0');
        if (nc_get_var_text(ncid, varid, text.data()) == NC_NOERR)
            if (const auto seconds = ParseReferenceDateTime(text))
                return *seconds;
    }
    return DefaultArgoReference();
}
