#include "display/AxisTitles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <netcdf.h>

#include "cdl/checked_open.h"
#include "display/AutoScale.h"
#include "display/AxisMapping.h"
#include "profile/seawater.h"

namespace {

// A text attribute of at most 200 characters, empty when absent or not text.
std::string TextAttribute(int ncid, int varid, const char* name)
{
    nc_type type = NC_NAT;
    std::size_t len = 0;
    if (nc_inq_att(ncid, varid, name, &type, &len) != NC_NOERR || type != NC_CHAR || len == 0 || len > 200)
        return {};
    std::string text(len, '\0');
    if (nc_get_att_text(ncid, varid, name, text.data()) != NC_NOERR)
        return {};
    text.resize(std::strlen(text.c_str()));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

bool Printable(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x20; });
}

} // namespace

std::string AxisTitleOf(const std::string& longName, const std::string& units, const std::string& fallback)
{
    if (longName.empty() || !Printable(longName))
        return fallback;
    if (units.empty() || !Printable(units))
        return longName;
    return longName + " (" + units + ")";
}

void ReadAxisTitles(const std::string& path, GraphSettings& settings)
{
    int ncid = -1;
    std::string reason;
    if (open_netcdf_checked(path, &ncid, &reason) != NC_NOERR)
        return;
    std::string* titles[3] = {&settings.pressureTitle, &settings.temperatureTitle, &settings.salinityTitle};
    const char* names[3] = {"PRES", "TEMP", "PSAL"};
    for (int i = 0; i < 3; ++i) {
        int varid = -1;
        if (nc_inq_varid(ncid, names[i], &varid) == NC_NOERR)
            *titles[i] =
                AxisTitleOf(TextAttribute(ncid, varid, "long_name"), TextAttribute(ncid, varid, "units"), *titles[i]);
    }
    nc_close(ncid);
}

std::array<double, 12> FitRanges(const GraphSettings& settings, std::span<const CLevelArray* const> profiles)
{
    // Pressure, density, temperature, salinity: the smallest and largest values shown.
    constexpr double kInf = std::numeric_limits<double>::infinity();
    double lo[4] = {kInf, kInf, kInf, kInf}, hi[4] = {-kInf, -kInf, -kInf, -kInf};
    const bool adj = settings.adjusted;
    for (const CLevelArray* levels : profiles) {
        if (!levels)
            continue;
        for (int i = 0; i < levels->GetSize(); ++i) {
            const CLevelRecord& r = (*levels)[i];
            const double v[4] = {VerticalValue(r, VerticalQuantity::Pressure, adj, settings.sigmaTheta),
                                 VerticalValue(r, VerticalQuantity::Density, adj, settings.sigmaTheta),
                                 VerticalValue(r, VerticalQuantity::Temperature, adj, settings.sigmaTheta),
                                 CurveValue(r, CurveQuantity::Salinity, adj, settings.sigmaTheta)};
            for (int k = 0; k < 4; ++k)
                if (v[k] != kMissingValue && std::isfinite(v[k])) {
                    lo[k] = std::min(lo[k], v[k]);
                    hi[k] = std::max(hi[k], v[k]);
                }
        }
    }
    std::array<double, 12> range = settings.range;
    auto fit = [&](int k, int index) {
        if (!(lo[k] <= hi[k]))
            return;
        double a = lo[k], b = hi[k];
        if (a == b) {
            a -= 1;
            b += 1;
        }
        if (!CanAutoScale(a, b))
            return;
        AutoScaleParam p;
        p.ndiv = 5;
        p.vvi = a;
        p.vva = b;
        AutoScale(&p);
        range[static_cast<std::size_t>(index)] = p.smin;
        range[static_cast<std::size_t>(index) + 1] = p.smax;
    };
    fit(0, 0);  // vertical pressure
    fit(1, 2);  // vertical density
    fit(2, 4);  // vertical temperature
    fit(2, 6);  // horizontal temperature
    fit(3, 8);  // salinity
    fit(1, 10); // horizontal density
    return range;
}
