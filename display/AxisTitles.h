#pragma once
// The graph's axis titles, from the long_name and units attributes of PRES, TEMP and
// PSAL, and the plot ranges that fit the data shown.
#include <array>
#include <span>
#include <string>

#include "display/GraphSettings.h"

// The title of a variable: "long_name (units)", "long_name" without units, or
// `fallback` without a long name (or with text that is not printable).
std::string AxisTitleOf(const std::string& longName, const std::string& units, const std::string& fallback);

// Reads the titles of PRES, TEMP and PSAL of the file at `path` into `settings`; the
// fallbacks stay where the file has none or cannot be read.
void ReadAxisTitles(const std::string& path, GraphSettings& settings);

// The twelve ranges set from the data of `profiles` (null entries skipped), each
// quantity's smallest and largest value rounded outward to a readable scale; a quantity
// without values keeps its range from `settings`. The density ranges follow the
// settings' choice of sigma-t or sigma-theta.
std::array<double, 12> FitRanges(const GraphSettings& settings, std::span<const CLevelArray* const> profiles);
