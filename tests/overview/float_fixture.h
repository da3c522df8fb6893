#pragma once
// Small float files (_prof.nc-like) for the overview tests: per-profile JULD, LATITUDE,
// LONGITUDE, POSITION_QC, DATA_MODE and level variables PRES, TEMP, PSAL, TEMP_ADJUSTED
// and TEMP_QC shaped (N_PROF, N_LEVELS), padded with fill.
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "support/nc_builder.h"

struct FixtureProfile {
    std::optional<double> juld, lat, lon; // none: fill
    char positionQc = '1';
    char dataMode = 'R';
    std::vector<float> pres, temp, psal, tempAdj; // tempAdj empty: fill
    std::string tempQc;                           // one flag a level; empty: all '1'
};

inline std::string WriteFloat(const std::string& path, const std::vector<FixtureProfile>& profiles,
                              bool withJuld = true)
{
    std::size_t levels = 1;
    for (const auto& p : profiles)
        levels = std::max(levels, p.pres.size());
    const double fillF = 99999.0, fillJ = 999999.0;
    std::vector<double> juld, lat, lon, pres, temp, psal, tempAdj;
    std::string posQc, modes, tempQc;
    for (const auto& p : profiles) {
        juld.push_back(p.juld.value_or(fillJ));
        lat.push_back(p.lat.value_or(fillJ));
        lon.push_back(p.lon.value_or(fillJ));
        posQc += p.positionQc;
        modes += p.dataMode;
        for (std::size_t k = 0; k < levels; ++k) {
            const bool has = k < p.pres.size();
            pres.push_back(has ? p.pres[k] : fillF);
            temp.push_back(has && k < p.temp.size() ? p.temp[k] : fillF);
            psal.push_back(has && k < p.psal.size() ? p.psal[k] : fillF);
            tempAdj.push_back(has && k < p.tempAdj.size() ? p.tempAdj[k] : fillF);
            tempQc += has ? (k < p.tempQc.size() ? p.tempQc[k] : '1') : ' ';
        }
    }
    const std::vector<std::string> grid{"N_PROF", "N_LEVELS"};
    std::vector<FixtureVar> vars{
        {"LATITUDE", NC_DOUBLE, {"N_PROF"}, lat, {}, {}, fillJ},
        {"LONGITUDE", NC_DOUBLE, {"N_PROF"}, lon, {}, {}, fillJ},
        {"POSITION_QC", NC_CHAR, {"N_PROF"}, {}, posQc},
        {"DATA_MODE", NC_CHAR, {"N_PROF"}, {}, modes},
        {"PRES", NC_FLOAT, grid, pres, {}, {}, fillF},
        {"TEMP", NC_FLOAT, grid, temp, {}, {}, fillF},
        {"TEMP_QC", NC_CHAR, grid, {}, tempQc},
        {"TEMP_ADJUSTED", NC_FLOAT, grid, tempAdj, {}, {}, fillF},
        {"PSAL", NC_FLOAT, grid, psal, {}, {}, fillF},
    };
    if (withJuld)
        vars.insert(vars.begin(), FixtureVar{"JULD", NC_DOUBLE, {"N_PROF"}, juld, {}, {}, fillJ});
    if (!MakeNcFile(path, {{"N_PROF", profiles.size()}, {"N_LEVELS", levels}}, vars))
        throw std::runtime_error("cannot write " + path);
    return path;
}

// Profiles at these positions, a day apart, each with levels 10, 20, 30 dbar.
inline std::vector<FixtureProfile> TrackProfiles(const std::vector<std::pair<double, double>>& lonLat)
{
    std::vector<FixtureProfile> out;
    for (std::size_t i = 0; i < lonLat.size(); ++i) {
        FixtureProfile p;
        p.juld = 25000.0 + static_cast<double>(i);
        p.lon = lonLat[i].first;
        p.lat = lonLat[i].second;
        p.pres = {10, 20, 30};
        p.temp = {20.0f - static_cast<float>(i), 15, 10};
        p.psal = {35, 35, 35};
        out.push_back(p);
    }
    return out;
}
