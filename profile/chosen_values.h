#pragma once
// The one rule by which every tool picks the values of a profile it shows: raw,
// ADJUSTED, or the best available per parameter (the parameter's own data mode), and
// under "Good data only" each value whose own flag is 3, 4 or 9 left blank.
#include <span>
#include <string>
#include <vector>

#include "profile/level_records.h"
#include "profile/profile_qc.h"
#include "profile/seawater.h"

// One parameter of one profile beside PRES, TEMP and PSAL (DOXY, CHLA, ...), each
// vector in file order and N_LEVELS long; kMissingValue and kNoFlag where none.
struct ParameterSeries {
    std::string name;
    std::vector<double> raw, adjusted;
    std::vector<char> qc, adjustedQc;
    char mode = kNoFlag; // the parameter's data mode in this profile
};

// The chosen value of a parameter at one level, with the flag that goes with it.
struct ChosenValue {
    double value = kMissingValue;
    char flag = kNoFlag;
};

// The value shown for a parameter of data mode `mode`: the adjusted one (missing when
// the adjusted value is fill, whatever the raw one) where UsesAdjusted, else the raw.
ChosenValue ChooseValue(ValueChoice choice, char mode, double raw, double adjusted, char rawFlag, char adjustedFlag);

// The values of one parameter as shown, in file order: chosen, and blanked where
// `goodOnly` and their flag is 3, 4 or 9.
struct ChosenSeries {
    std::string name;
    std::vector<double> values;
    std::vector<char> flags;
};

// A profile's shown values. `levels` holds the chosen PRES, TEMP and PSAL in both its
// measured and its adjusted fields (so a reader of either sees them) with the sigmas
// computed from them, and `flags` the matching flags likewise; under "Good data only"
// a level whose PRES flag is 3, 4 or 9 is left out, and so is a level where every
// chosen value is so flagged or missing while one of them is flagged.
struct ResolvedProfile {
    CLevelArray levels;
    ProfileFlags flags;
    std::vector<ChosenSeries> params; // in the order of the `params` given
};

ResolvedProfile ResolveProfile(const CLevelArray& levels, const ProfileFlags& flags, ValueChoice choice, bool goodOnly,
                               std::span<const ParameterSeries> params = {});

// The shown values of one level: measured and derived, kMissingValue where missing.
struct ShownLevel {
    int no = 0;
    double pres = 0, temp = 0, psal = 0;
    double sigmaT = 0, theta = 0, sigmaTheta = 0;
    LevelFlags flags;
    std::vector<ChosenValue> params; // in the order of the `params` given
};

// The shown values of every level of one profile in file order (first level first),
// as ResolveProfile chooses and keeps them.
std::vector<ShownLevel> ShownLevels(const CLevelArray& levels, const ProfileFlags& flags, ValueChoice choice,
                                    bool goodOnly, std::span<const ParameterSeries> params = {});
