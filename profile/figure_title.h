#pragma once
// The title line of a figure (graph, map, section): the float, the cycle or cycle range
// and the date or date range of the profiles it shows.
#include <span>
#include <string>

#include "profile/profile_summary.h"

// The float number an Argo file name carries: the digits after an optional prefix of
// capital letters (R, D, BR, SD, ...) and before "_" ("D5900446_001.nc",
// "2902696_prof.nc"), with any folders before it. Empty when the name has none.
std::string FloatNumberOfFileName(const std::string& path);

// "Float 2902696, cycles 1-51, 2018-01-02 to 2019-06-30": the float is the first
// PLATFORM_NUMBER of the profiles shown, else `floatNumber` (FloatNumberOfFileName for a
// file without one); the cycle and date parts from the profiles shown (in any order; those without a cycle or a date
// add nothing), a single value where first and last agree; parts without a value are left out.
std::string FigureTitle(const std::string& floatNumber, std::span<const ProfileSummary> shown);
