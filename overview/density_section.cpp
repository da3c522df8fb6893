#include "overview/density_section.h"

#include <cmath>
#include <map>

#include "profile/seawater.h"

std::vector<std::string> SectionChoices(std::vector<std::string> names)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == kSigmaT) {
            names[i] = kSigmaTVariable;
            names.insert(names.begin() + static_cast<std::ptrdiff_t>(i) + 1, kSigmaThetaVariable);
            break;
        }
    return names;
}

SectionData DensitySection(const SectionData& temp, const SectionData& psal, bool theta)
{
    SectionData out;
    out.variable = theta ? kSigmaThetaVariable : kSigmaTVariable;
    out.title = theta ? "sigma-theta [kg/m3]" : "sigma-t [kg/m3]";
    out.reference = temp.reference;
    out.skipped = temp.skipped;
    std::map<std::size_t, const SectionColumn*> salinity;
    for (const SectionColumn& c : psal.columns)
        salinity[c.profile] = &c;
    for (const SectionColumn& t : temp.columns) {
        const auto it = salinity.find(t.profile);
        SectionColumn column;
        column.profile = t.profile;
        column.time = t.time;
        if (it != salinity.end()) {
            const SectionColumn& s = *it->second;
            // Both are in increasing pressure: walk them together.
            std::size_t j = 0;
            for (std::size_t k = 0; k < t.pres.size(); ++k) {
                while (j < s.pres.size() && s.pres[j] < t.pres[k])
                    ++j;
                if (j == s.pres.size())
                    break;
                if (s.pres[j] != t.pres[k])
                    continue;
                const double v = theta ? SigmaTheta(s.value[j], t.value[k], t.pres[k]) : SigmaT(s.value[j], t.value[k]);
                if (std::isfinite(v) && v != 99999.0) {
                    column.pres.push_back(t.pres[k]);
                    column.value.push_back(static_cast<float>(v));
                }
                ++j;
            }
        }
        if (column.pres.empty())
            ++out.skipped;
        else
            out.columns.push_back(std::move(column));
    }
    if (out.columns.empty()) {
        out.message = "no profile has a temperature and a salinity at the same pressure";
        return out;
    }
    FinishSection(out);
    out.ok = true;
    return out;
}

SectionData ReadSectionOf(const SectionOfVariable& read, const std::string& variable)
{
    const bool sigmaT = variable == kSigmaTVariable || variable == kSigmaT;
    if (!sigmaT && variable != kSigmaThetaVariable)
        return read(variable);
    const SectionData temp = read("TEMP");
    if (!temp.ok)
        return temp;
    const SectionData psal = read("PSAL");
    if (!psal.ok)
        return psal;
    return DensitySection(temp, psal, !sigmaT);
}

SectionData ReadSectionOf(const std::string& path, const std::string& variable, const SectionOptions& options)
{
    return ReadSectionOf([&](const std::string& v) { return ReadSection(path, v, options); }, variable);
}
