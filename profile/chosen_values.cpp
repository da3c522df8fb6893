#include "profile/chosen_values.h"

#include <algorithm>

#include "profile/seawater.h"

namespace {

char FlagAt(const std::vector<char>& v, std::size_t j)
{
    return j < v.size() ? v[j] : kNoFlag;
}

double ValueAt(const std::vector<double>& v, std::size_t j)
{
    return j < v.size() ? v[j] : kMissingValue;
}

// Under "Good data only" a flagged value is blank; a value is good when present and
// not so flagged.
struct LevelVerdict {
    bool good = false, bad = false;
    void Add(ChosenValue& v, bool goodOnly)
    {
        if (goodOnly && IsDroppedFlag(v.flag)) {
            v.value = kMissingValue;
            bad = true;
        } else if (v.value != kMissingValue) {
            good = true;
        }
    }
};

} // namespace

ChosenValue ChooseValue(ValueChoice choice, char mode, double raw, double adjusted, char rawFlag, char adjustedFlag)
{
    if (UsesAdjusted(choice, mode))
        return ChosenValue{adjusted, adjustedFlag};
    return ChosenValue{raw, rawFlag};
}

ResolvedProfile ResolveProfile(const CLevelArray& levels, const ProfileFlags& flags, ValueChoice choice, bool goodOnly,
                               std::span<const ParameterSeries> params)
{
    ResolvedProfile out;
    out.flags.dataMode = flags.dataMode;
    out.flags.parameterModes = flags.parameterModes;
    std::size_t n = 0;
    for (int i = 0; i < levels.GetSize(); ++i)
        n = std::max(n, static_cast<std::size_t>(std::max(levels[i].no, 0)));
    for (std::vector<char>* v : {&out.flags.pres, &out.flags.temp, &out.flags.psal, &out.flags.presAdj,
                                 &out.flags.tempAdj, &out.flags.psalAdj})
        v->assign(n, kNoFlag);
    for (const ParameterSeries& p : params)
        out.params.push_back(
            ChosenSeries{p.name, std::vector<double>(n, kMissingValue), std::vector<char>(n, kNoFlag)});

    const char presMode = flags.ModeOf("PRES"), tempMode = flags.ModeOf("TEMP"), psalMode = flags.ModeOf("PSAL");
    std::vector<ChosenValue> extra(params.size());
    for (int i = 0; i < levels.GetSize(); ++i) {
        const CLevelRecord& r = levels[i];
        const std::size_t j = FileIndexOfLevel(r.no, n);
        if (j >= n)
            continue;
        ChosenValue pres =
            ChooseValue(choice, presMode, r.pres, r.presAdj, FlagAt(flags.pres, j), FlagAt(flags.presAdj, j));
        ChosenValue temp =
            ChooseValue(choice, tempMode, r.temp, r.tempAdj, FlagAt(flags.temp, j), FlagAt(flags.tempAdj, j));
        ChosenValue psal =
            ChooseValue(choice, psalMode, r.psal, r.psalAdj, FlagAt(flags.psal, j), FlagAt(flags.psalAdj, j));
        if (goodOnly && IsDroppedFlag(pres.flag))
            continue;
        LevelVerdict verdict;
        verdict.Add(temp, goodOnly);
        verdict.Add(psal, goodOnly);
        for (std::size_t k = 0; k < params.size(); ++k) {
            const ParameterSeries& p = params[k];
            extra[k] = ChooseValue(choice, p.mode, ValueAt(p.raw, j), ValueAt(p.adjusted, j), FlagAt(p.qc, j),
                                   FlagAt(p.adjustedQc, j));
            verdict.Add(extra[k], goodOnly);
        }
        if (goodOnly && verdict.bad && !verdict.good)
            continue;
        const double values[6] = {pres.value, temp.value, psal.value, pres.value, temp.value, psal.value};
        out.levels.Add(LevelRecordFromValues(r.no, values));
        out.flags.pres[j] = out.flags.presAdj[j] = pres.flag;
        out.flags.temp[j] = out.flags.tempAdj[j] = temp.flag;
        out.flags.psal[j] = out.flags.psalAdj[j] = psal.flag;
        for (std::size_t k = 0; k < params.size(); ++k) {
            out.params[k].values[j] = extra[k].value;
            out.params[k].flags[j] = extra[k].flag;
        }
    }
    return out;
}

std::vector<ShownLevel> ShownLevels(const CLevelArray& levels, const ProfileFlags& flags, ValueChoice choice,
                                    bool goodOnly, std::span<const ParameterSeries> params)
{
    const ResolvedProfile resolved = ResolveProfile(levels, flags, choice, goodOnly, params);
    std::vector<ShownLevel> shown;
    shown.reserve(static_cast<std::size_t>(resolved.levels.GetSize()));
    // Records run in ascending number, the first level in the file being the highest.
    for (int i = resolved.levels.GetSize(); i-- > 0;) {
        const CLevelRecord& r = resolved.levels[i];
        ShownLevel s;
        s.no = r.no;
        s.flags = FlagsOfLevel(resolved.flags, r.no, false);
        s.pres = static_cast<double>(r.pres);
        s.temp = static_cast<double>(r.temp);
        s.psal = static_cast<double>(r.psal);
        s.sigmaT = static_cast<double>(r.sigma);
        s.theta = PotentialTemperature(s.psal, s.temp, s.pres);
        s.sigmaTheta = SigmaTheta(s.psal, s.temp, s.pres);
        const std::size_t j = FileIndexOfLevel(r.no, resolved.flags.pres.size());
        for (const ChosenSeries& c : resolved.params)
            s.params.push_back(j < c.values.size() ? ChosenValue{c.values[j], c.flags[j]} : ChosenValue{});
        shown.push_back(std::move(s));
    }
    return shown;
}
