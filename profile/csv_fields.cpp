#include "profile/csv_fields.h"

namespace {
constexpr std::size_t kMaxCFormatLength = 255;
} // namespace

CFormat CsvFloatingFormat(int ncid, int varid, nc_type type)
{
    static const CFormat floatDefault = *CFormat::parse("%.6f", ValueKind::Floating);
    static const CFormat doubleDefault = *CFormat::parse("%.6lf", ValueKind::Floating);
    const CFormat& fallback = type == NC_DOUBLE ? doubleDefault : floatDefault;

    nc_type attType = NC_NAT;
    std::size_t attLen = 0;
    if (nc_inq_att(ncid, varid, "C_format", &attType, &attLen) != NC_NOERR || attType != NC_CHAR || attLen == 0 ||
        attLen > kMaxCFormatLength)
        return fallback;
    char buf[kMaxCFormatLength + 1] = {};
    if (nc_get_att_text(ncid, varid, "C_format", buf) != NC_NOERR)
        return fallback;
    auto parsed = CFormat::parse(std::string_view(buf, attLen), ValueKind::Floating, kMaxCFormatLength);
    return parsed ? *parsed : fallback;
}

void AppendCsvField(std::string& out, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(field);
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}
