#include "profile/parameter_series.h"

#include <algorithm>
#include <cmath>
#include <new>

#include <netcdf.h>

#include "profile/parameter_modes.h"
#include "profile/per_profile_values.h"
#include "profile/profile_levels.h"

namespace {

// A variable shaped (N_PROF, N_LEVELS), or (N_LEVELS) in a file of one profile, of a
// numeric type or (for flags) NC_CHAR.
PerProfileVariable LevelVariable(int ncid, const ProfileShape& shape, const std::string& name, bool flags)
{
    PerProfileVariable v = FindPerProfileVariable(ncid, shape, name.c_str());
    const bool typeOk = flags ? v.type == NC_CHAR : v.numeric;
    const bool shaped = (v.dimids.size() == 2 && v.dimids[0] == shape.prof.id && v.dimids[1] == shape.levels.id) ||
                        (v.dimids.size() == 1 && shape.prof.length == 1 && v.dimids[0] == shape.levels.id);
    v.found = v.found && typeOk && shaped;
    return v;
}

std::string TextAttribute(int ncid, int varid, const char* name)
{
    nc_type type = NC_NAT;
    std::size_t len = 0;
    if (nc_inq_att(ncid, varid, name, &type, &len) != NC_NOERR || type != NC_CHAR || len > 4096)
        return {};
    std::string text(len, '\0');
    if (len > 0 && nc_get_att_text(ncid, varid, name, text.data()) != NC_NOERR)
        return {};
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

void ReadValues(int ncid, const PerProfileVariable& v, std::size_t profile, std::size_t n, std::vector<double>& out)
{
    out.assign(n, kMissingValue);
    if (!v.found || n == 0)
        return;
    const std::size_t start2[2] = {profile, 0}, count2[2] = {1, n};
    const std::size_t start1[1] = {0}, count1[1] = {n};
    const bool two = v.dimids.size() == 2;
    if (nc_get_vara_double(ncid, v.varid, two ? start2 : start1, two ? count2 : count1, out.data()) != NC_NOERR) {
        out.assign(n, kMissingValue); // a partly read slice is never shown
        return;
    }
    for (double& x : out)
        if (v.IsFill(x) || x == kMissingValue || !std::isfinite(static_cast<float>(x)))
            x = kMissingValue;
}

void ReadFlags(int ncid, const PerProfileVariable& v, std::size_t profile, std::size_t n, std::vector<char>& out)
{
    out.assign(n, kNoFlag);
    if (!v.found || n == 0)
        return;
    std::string text(n, kNoFlag);
    const std::size_t start2[2] = {profile, 0}, count2[2] = {1, n};
    const std::size_t start1[1] = {0}, count1[1] = {n};
    const bool two = v.dimids.size() == 2;
    if (nc_get_vara_text(ncid, v.varid, two ? start2 : start1, two ? count2 : count1, text.data()) != NC_NOERR)
        return;
    for (std::size_t j = 0; j < n; ++j)
        out[j] = text[j] == '\0' ? kNoFlag : text[j];
}

} // namespace

std::vector<std::string> SplitNameList(const std::string& list)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        if (end > start)
            names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

ParameterLoad LoadParameterSeries(const std::string& path, const ProfileExtent& expected,
                                  std::span<const std::size_t> profiles, std::span<const std::string> names)
{
    ParameterLoad load;
    int ncid = -1;
    ProfileShape shape;
    if (!OpenShownProfileFile(path, expected, profiles, ncid, shape, load.message)) {
        load.ok = false;
        return load;
    }
    const std::size_t n = shape.levels.length;
    try {
        if (n > 1'000'000)
            throw std::bad_alloc();
        for (std::string& name : ReadStationParameterNames(ncid, shape))
            if (LevelVariable(ncid, shape, name, false).found)
                load.available.push_back(std::move(name));
        const auto modes = ReadParameterModes(ncid, shape);
        const auto dataModes = ReadPerProfileFlags(ncid, shape, "DATA_MODE");
        struct Vars {
            PerProfileVariable raw, adjusted, qc, adjustedQc;
        };
        std::vector<Vars> vars;
        for (const std::string& name : names) {
            Vars v{LevelVariable(ncid, shape, name, false), LevelVariable(ncid, shape, name + "_ADJUSTED", false),
                   LevelVariable(ncid, shape, name + "_QC", true),
                   LevelVariable(ncid, shape, name + "_ADJUSTED_QC", true)};
            ParameterInfo info{name, v.raw.found, {}, {}};
            if (v.raw.found) {
                info.longName = TextAttribute(ncid, v.raw.varid, "long_name");
                info.units = TextAttribute(ncid, v.raw.varid, "units");
            }
            load.info.push_back(std::move(info));
            vars.push_back(std::move(v));
        }
        for (std::size_t p : profiles) {
            std::vector<ParameterSeries>& row = load.series.emplace_back();
            const char dataMode =
                dataModes && p < dataModes->size() && (*dataModes)[p] != '\0' ? (*dataModes)[p] : kNoFlag;
            for (std::size_t k = 0; k < names.size(); ++k) {
                ParameterSeries s;
                s.name = names[k];
                ReadValues(ncid, vars[k].raw, p, n, s.raw);
                ReadValues(ncid, vars[k].adjusted, p, n, s.adjusted);
                ReadFlags(ncid, vars[k].qc, p, n, s.qc);
                ReadFlags(ncid, vars[k].adjustedQc, p, n, s.adjustedQc);
                s.mode = ModeOfParameter(modes ? (*modes)[p] : std::vector<ParameterMode>{}, s.name, dataMode);
                row.push_back(std::move(s));
            }
        }
    } catch (const std::bad_alloc&) {
        load = ParameterLoad{};
        load.ok = false;
        load.message = path + ": out of memory while reading the parameters.";
    }
    nc_close(ncid);
    return load;
}
