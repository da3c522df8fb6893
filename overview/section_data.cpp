#include "overview/section_data.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <netcdf.h>

#include "cdl/checked_open.h"
#include "overview/float_track.h"
#include "profile/per_profile_values.h"
#include "profile/profile_qc.h"
#include "profile/profile_shape.h"
#include "profile/seawater.h"

namespace {

// More values than this are not read for a section (a header can claim any size).
constexpr std::size_t kMaxValues = 16'000'000; // 128 MB a grid of doubles

bool IsLevelGrid(const PerProfileVariable& v, const ProfileShape& shape)
{
    return v.found && v.numeric && v.dimids.size() == 2 && v.dimids[0] == shape.prof.id &&
           v.dimids[1] == shape.levels.id;
}

// A (N_PROF, N_LEVELS) variable as doubles, NaN where fill; empty when it is not one.
std::vector<double> ReadGrid(int ncid, const ProfileShape& shape, const std::string& name, std::string* why)
{
    const PerProfileVariable v = FindPerProfileVariable(ncid, shape, name.c_str());
    if (!IsLevelGrid(v, shape)) {
        *why = "the file has no variable " + name + "(N_PROF, N_LEVELS) of numbers";
        return {};
    }
    std::vector<double> values(shape.prof.length * shape.levels.length);
    if (const int status = nc_get_var_double(ncid, v.varid, values.data()); status != NC_NOERR) {
        *why = name + ": " + nc_strerror(status);
        return {};
    }
    for (double& x : values)
        if (v.IsFill(x) || !std::isfinite(x) || std::abs(x) > 1.0e30)
            x = std::nan("");
    return values;
}

std::string TextAttribute(int ncid, int varid, const char* name)
{
    nc_type type = NC_NAT;
    std::size_t len = 0;
    if (nc_inq_att(ncid, varid, name, &type, &len) != NC_NOERR || type != NC_CHAR || len == 0 || len > 256)
        return {};
    std::string text(len, '\0');
    if (nc_get_att_text(ncid, varid, name, text.data()) != NC_NOERR)
        return {};
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string TitleOf(int ncid, const std::string& variable)
{
    if (variable == kSigmaT)
        return "sigma-t [kg/m3]";
    int varid = -1;
    if (nc_inq_varid(ncid, variable.c_str(), &varid) != NC_NOERR)
        return variable;
    const std::string longName = TextAttribute(ncid, varid, "long_name");
    const std::string units = TextAttribute(ncid, varid, "units");
    std::string title = longName.empty() ? variable : longName;
    if (!units.empty())
        title += " [" + units + "]";
    return title;
}

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::vector<std::string> SectionVariables(const std::string& path)
{
    std::vector<std::string> names;
    int ncid = -1;
    std::string message;
    if (open_netcdf_checked(path, &ncid, &message) != NC_NOERR)
        return names;
    const ProfileShape shape = ReadProfileShape(ncid);
    int nvars = 0;
    bool temp = false, psal = false;
    if (shape.ok() && shape.prof.present() && shape.levels.present() && nc_inq_nvars(ncid, &nvars) == NC_NOERR) {
        for (int id = 0; id < nvars; ++id) {
            char name[NC_MAX_NAME + 1] = {};
            if (nc_inq_varname(ncid, id, name) != NC_NOERR)
                continue;
            const std::string n = name;
            if (!IsLevelGrid(FindPerProfileVariable(ncid, shape, name), shape) || n == "PRES" ||
                n.rfind("PRES_", 0) == 0 || EndsWith(n, "_QC") || EndsWith(n, "_ERROR"))
                continue;
            temp = temp || n == "TEMP";
            psal = psal || n == "PSAL";
            names.push_back(n);
        }
    }
    nc_close(ncid);
    if (temp && psal)
        names.push_back(kSigmaT);
    // TEMP, PSAL and sigma-t lead; the rest keep the file's order.
    auto rank = [](const std::string& n) { return n == "TEMP" ? 0 : n == "PSAL" ? 1 : n == kSigmaT ? 2 : 3; };
    std::stable_sort(names.begin(), names.end(),
                     [&](const std::string& a, const std::string& b) { return rank(a) < rank(b); });
    return names;
}

void FinishSection(SectionData& section)
{
    auto& cols = section.columns;
    std::stable_sort(cols.begin(), cols.end(),
                     [](const SectionColumn& a, const SectionColumn& b) { return a.time < b.time; });
    // Each column reaches halfway to its neighbours' dates; across a gap of more than
    // three median cycles (a float that went silent) it reaches half a median cycle and
    // the gap stays empty. The outer columns reach half a median cycle outward.
    std::vector<double> gaps;
    for (std::size_t i = 1; i < cols.size(); ++i)
        if (cols[i].time > cols[i - 1].time)
            gaps.push_back(cols[i].time - cols[i - 1].time);
    double median = 1.0;
    if (!gaps.empty()) {
        std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2), gaps.end());
        median = gaps[gaps.size() / 2];
    }
    auto reach = [median](double gap) { return gap > 3.0 * median ? median / 2.0 : gap / 2.0; };
    for (std::size_t i = 0; i < cols.size(); ++i) {
        const double before = i > 0 ? reach(cols[i].time - cols[i - 1].time) : median / 2.0;
        const double after = i + 1 < cols.size() ? reach(cols[i + 1].time - cols[i].time) : median / 2.0;
        cols[i].left = cols[i].time - before;
        cols[i].right = cols[i].time + after;
    }
    std::vector<float> all;
    section.presMax = 0;
    for (const SectionColumn& c : cols) {
        all.insert(all.end(), c.value.begin(), c.value.end());
        if (!c.pres.empty())
            section.presMax = std::max(section.presMax, static_cast<double>(c.pres.back()));
    }
    if (!cols.empty()) {
        section.timeMin = cols.front().left;
        section.timeMax = cols.back().right;
    }
    if (!all.empty()) {
        const auto at = [&](double q) {
            const auto k = static_cast<std::ptrdiff_t>(std::lround(q * static_cast<double>(all.size() - 1)));
            std::nth_element(all.begin(), all.begin() + k, all.end());
            return static_cast<double>(all[static_cast<std::size_t>(k)]);
        };
        section.valueLow = at(0.01);
        section.valueHigh = at(0.99);
        if (!(section.valueHigh > section.valueLow)) {
            section.valueLow -= 0.5;
            section.valueHigh += 0.5;
        }
    }
}

namespace {

// One measured parameter of the section: its raw and adjusted values and their flags,
// each (N_PROF, N_LEVELS); the adjusted ones and the flags only when asked for and
// present.
struct ParamGrids {
    std::string name;
    std::vector<double> raw, adjusted;
    std::string rawQc, adjustedQc;

    double Value(std::size_t i, bool useAdjusted) const { return useAdjusted ? adjusted[i] : raw[i]; }
    char Flag(std::size_t i, bool useAdjusted) const
    {
        const std::string& qc = useAdjusted ? adjustedQc : rawQc;
        return qc.empty() ? kNoFlag : qc[i];
    }
};

// A (N_PROF, N_LEVELS) character variable, or empty when absent or of another shape.
std::string ReadFlagGrid(int ncid, const ProfileShape& shape, const std::string& name)
{
    const PerProfileVariable v = FindPerProfileVariable(ncid, shape, name.c_str());
    if (!v.found || v.type != NC_CHAR || v.dimids.size() != 2 || v.dimids[0] != shape.prof.id ||
        v.dimids[1] != shape.levels.id)
        return {};
    std::string flags(shape.prof.length * shape.levels.length, kNoFlag);
    if (nc_get_var_text(ncid, v.varid, flags.data()) != NC_NOERR)
        return {};
    return flags;
}

bool ReadParam(int ncid, const ProfileShape& shape, const std::string& name, const SectionOptions& options,
               ParamGrids& out, std::string* why)
{
    out.name = name;
    out.raw = ReadGrid(ncid, shape, name, why);
    if (out.raw.empty())
        return false;
    std::string ignored;
    if (options.bestAvailable)
        out.adjusted = ReadGrid(ncid, shape, name + "_ADJUSTED", &ignored);
    if (options.goodOnly) {
        out.rawQc = ReadFlagGrid(ncid, shape, name + "_QC");
        if (!out.adjusted.empty())
            out.adjustedQc = ReadFlagGrid(ncid, shape, name + "_ADJUSTED_QC");
    }
    return true;
}

} // namespace

SectionData ReadSection(const std::string& path, const std::string& variable, const SectionOptions& options)
{
    SectionData section;
    section.variable = variable;
    int ncid = -1;
    std::string message;
    if (open_netcdf_checked(path, &ncid, &message) != NC_NOERR) {
        section.message = message;
        return section;
    }
    struct Closer {
        int id;
        ~Closer() { nc_close(id); }
    } closer{ncid};
    section.message = OverviewMissing(ncid);
    if (section.message.empty())
        if (const auto units = UnreadableJuldUnits(ncid)) // the time axis would be made up
            section.message = UnreadableJuldUnitsMessage(*units);
    if (!section.message.empty())
        return section;
    const ProfileShape shape = ReadProfileShape(ncid);
    const std::size_t nprof = shape.prof.length, nlev = shape.levels.length;
    if (!shape.levels.present() || nlev == 0 || nprof > kMaxValues / std::max<std::size_t>(1, nlev)) {
        section.message = !shape.levels.present() ? "the file has no dimension N_LEVELS"
                          : nlev == 0             ? "the file has no levels (N_LEVELS is 0)"
                                                  : "the file is too large for a section";
        return section;
    }
    section.title = TitleOf(ncid, variable);
    section.reference = ReadReferenceDateTime(ncid);
    // sigma-t comes from TEMP and PSAL; any other variable is read as it is.
    const bool sigma = variable == kSigmaT;
    std::string why;
    ParamGrids pres, first, second;
    if (!ReadParam(ncid, shape, "PRES", options, pres, &why) ||
        !ReadParam(ncid, shape, sigma ? "TEMP" : variable, options, first, &why) ||
        (sigma && !ReadParam(ncid, shape, "PSAL", options, second, &why))) {
        section.message = why;
        return section;
    }
    const auto juld = ReadPerProfileNumbers(ncid, shape, "JULD");
    const std::optional<std::string> modes = ReadPerProfileFlags(ncid, shape, "DATA_MODE");
    const auto parameterModes = ReadParameterModes(ncid, shape);
    const std::vector<ParameterMode> noModes;
    for (std::size_t p = 0; p < nprof; ++p) {
        const double t = juld && (*juld)[p] ? *(*juld)[p] : std::nan("");
        SectionColumn column;
        column.profile = p;
        // Best available: the adjusted values of each parameter whose own data mode
        // (PARAMETER_DATA_MODE, else DATA_MODE) is 'A' or 'D'.
        const char mode = modes && (*modes)[p] != '\0' ? (*modes)[p] : kNoFlag;
        const std::vector<ParameterMode>& own = parameterModes ? (*parameterModes)[p] : noModes;
        auto use = [&](const ParamGrids& g) {
            return options.bestAvailable && !g.adjusted.empty() &&
                   UsesAdjusted(ValueChoice::Best, ModeOfParameter(own, g.name, mode));
        };
        if (std::abs(t) <= 3.0e6) {
            column.time = t;
            std::vector<std::pair<float, float>> levels;
            for (std::size_t k = 0; k < nlev; ++k) {
                const std::size_t i = p * nlev + k;
                const double pr = pres.Value(i, use(pres));
                double v = first.Value(i, use(first));
                if (sigma) {
                    const double psal = second.Value(i, use(second));
                    v = std::isnan(v) || std::isnan(psal) ? std::nan("") : SigmaT(psal, v);
                }
                if (options.goodOnly &&
                    (IsDroppedFlag(pres.Flag(i, use(pres))) || IsDroppedFlag(first.Flag(i, use(first))) ||
                     (sigma && IsDroppedFlag(second.Flag(i, use(second))))))
                    continue;
                if (!std::isnan(pr) && !std::isnan(v) && pr >= -10.0 && pr < 20000.0)
                    levels.emplace_back(static_cast<float>(pr), static_cast<float>(v));
            }
            // Profiles in any order of pressure draw the same.
            std::stable_sort(levels.begin(), levels.end());
            for (const auto& [pr, v] : levels) {
                column.pres.push_back(pr);
                column.value.push_back(v);
            }
        }
        if (column.pres.empty())
            ++section.skipped;
        else
            section.columns.push_back(std::move(column));
    }
    if (section.columns.empty()) {
        section.message = "no profile has a date and a value of " + variable;
        return section;
    }
    FinishSection(section);
    section.ok = true;
    return section;
}
