#pragma once
// What the graph viewer plots: the vertical quantity, the horizontal curves, the twelve
// range values and the ADJUSTED switch, plus the choice of record fields they imply.
#include <array>
#include <cstddef>
#include <span>
#include <string>

#include "profile/level_records.h"
#include "profile/profile_qc.h"

enum class VerticalQuantity { Pressure = 0, Density = 1, Temperature = 2 };
enum class CurveQuantity { Temperature = 0, Salinity = 1, Density = 2 };

struct GraphSettings {
    // Pressure, density, temperature; the first one on is the vertical quantity.
    std::array<bool, 3> vertical{true, false, false};
    // Temperature, salinity, density curves.
    std::array<bool, 3> horizontal{true, true, true};
    // Minimum and maximum of: vertical pressure, vertical density, vertical
    // temperature, horizontal temperature, salinity, horizontal density.
    std::array<double, 12> range{0, 2000, 20, 28, -5, 35, -5, 35, 30, 38, 20, 28};
    bool adjusted = false;
    // "Best available": each profile shows its adjusted values when its DATA_MODE is
    // 'A' or 'D', its raw values otherwise (`adjusted` then holds the first profile's).
    bool best = false;
    // "Good data only": levels flagged 3, 4 or 9 are left out of curves and list.
    bool goodOnly = false;
    // The density curve and axis: sigma-t (false) or sigma-theta.
    bool sigmaTheta = false;
    // T-S diagram: temperature (vertical, warm at the top) against salinity, with
    // isopycnals of the chosen density.
    bool tsDiagram = false;
    // Axis titles; ReadAxisTitles puts the file's long_name and units here.
    std::string pressureTitle = "Pressure (dbar)";
    std::string temperatureTitle = "Temperature (\u00B0C)";
    std::string salinityTitle = "Salinity (PSS-78)";
    std::string DensityTitle() const { return sigmaTheta ? "Sigma-theta (kg/m\u00B3)" : "Sigma-t (kg/m\u00B3)"; }

    VerticalQuantity Vertical() const;
    double VerticalMin() const { return range[2 * static_cast<int>(Vertical())]; }
    double VerticalMax() const { return range[2 * static_cast<int>(Vertical()) + 1]; }
    double CurveMin(CurveQuantity c) const { return range[6 + 2 * static_cast<int>(c)]; }
    double CurveMax(CurveQuantity c) const { return range[7 + 2 * static_cast<int>(c)]; }
};

// The default range values, in the order of GraphSettings::range.
inline constexpr std::array<double, 12> kDefaultGraphRanges{0, 2000, 20, 28, -5, 35, -5, 35, 30, 38, 20, 28};

// The record's value of a quantity, adjusted or measured (99999 when missing).
// Density is sigma-t, or sigma-theta with `sigmaTheta`.
double VerticalValue(const CLevelRecord& r, VerticalQuantity q, bool adjusted, bool sigmaTheta = false);
double CurveValue(const CLevelRecord& r, CurveQuantity q, bool adjusted, bool sigmaTheta = false);

// The settings as plotted: for a T-S diagram, temperature vertical with the vertical
// temperature range turned over (warm at the top) and salinity the only curve, and
// with sigma-theta the vertical title "Potential temperature"; otherwise `s` itself.
GraphSettings PlottedSettings(const GraphSettings& s);

// Whether the plot is a theta-S diagram: a T-S diagram with sigma-theta chosen, which
// plots potential temperature (reference 0 dbar) against salinity.
bool PlotsPotentialTemperature(const GraphSettings& s);

// `levels` with each temperature, measured and adjusted, replaced by the potential
// temperature of its level (missing where pressure, temperature or salinity is).
CLevelArray WithPotentialTemperature(const CLevelArray& levels);

// Whether a plotted point carries flag 3 or 4 in a value it is drawn from: pressure,
// temperature, salinity, or (density) temperature or salinity.
bool PointFlaggedBad(const LevelFlags& flags, VerticalQuantity v, CurveQuantity c);

// The points of the plotted curves of `profiles` (values of the records' measured
// or adjusted fields, as `settings` says): per curve quantity, how many have both values, and in all how
// many of those lie outside the axis ranges.
struct CurvePointCount {
    std::array<std::size_t, 3> points{0, 0, 0};
    std::size_t outside = 0;
};
CurvePointCount CountCurvePoints(const GraphSettings& settings, std::span<const CLevelArray* const> profiles);

// The plot's note of points outside the axes: "12 points lie outside the axes".
std::string OutsideAxesText(std::size_t outside);

// The name of a curve quantity as the command line says it: "temperature", ...
const char* CurveName(CurveQuantity q);

// Curve colours as red, green, blue: blue, red, green.
struct CurveColor {
    int red, green, blue;
};
CurveColor CurveColorOf(CurveQuantity q);
