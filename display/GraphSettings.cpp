#include "display/GraphSettings.h"

#include <algorithm>

#include "profile/seawater.h"

VerticalQuantity GraphSettings::Vertical() const
{
    if (vertical[0])
        return VerticalQuantity::Pressure;
    if (vertical[1])
        return VerticalQuantity::Density;
    if (vertical[2])
        return VerticalQuantity::Temperature;
    return VerticalQuantity::Pressure;
}

double VerticalValue(const CLevelRecord& r, VerticalQuantity q, bool adjusted, bool sigmaTheta)
{
    switch (q) {
    case VerticalQuantity::Pressure: return adjusted ? r.presAdj : r.pres;
    case VerticalQuantity::Density:
        if (sigmaTheta)
            return adjusted ? r.sigmaThetaAdj : r.sigmaTheta;
        return adjusted ? r.sigmaAdj : r.sigma;
    case VerticalQuantity::Temperature: return adjusted ? r.tempAdj : r.temp;
    }
    return 99999.0;
}

double CurveValue(const CLevelRecord& r, CurveQuantity q, bool adjusted, bool sigmaTheta)
{
    switch (q) {
    case CurveQuantity::Temperature: return adjusted ? r.tempAdj : r.temp;
    case CurveQuantity::Salinity: return adjusted ? r.psalAdj : r.psal;
    case CurveQuantity::Density:
        if (sigmaTheta)
            return adjusted ? r.sigmaThetaAdj : r.sigmaTheta;
        return adjusted ? r.sigmaAdj : r.sigma;
    }
    return 99999.0;
}

CurveColor CurveColorOf(CurveQuantity q)
{
    switch (q) {
    case CurveQuantity::Temperature: return {0, 0, 255};
    case CurveQuantity::Salinity: return {255, 0, 0};
    case CurveQuantity::Density: return {0, 255, 0};
    }
    return {0, 0, 0};
}

namespace {

bool QuantityFlaggedBad(const LevelFlags& f, bool pressure, bool temperature, bool salinity)
{
    return (pressure && IsBadFlag(f.pres)) || (temperature && IsBadFlag(f.temp)) || (salinity && IsBadFlag(f.psal));
}

} // namespace

bool PointFlaggedBad(const LevelFlags& flags, VerticalQuantity v, CurveQuantity c)
{
    const bool density = v == VerticalQuantity::Density || c == CurveQuantity::Density;
    return QuantityFlaggedBad(flags, v == VerticalQuantity::Pressure,
                              density || v == VerticalQuantity::Temperature || c == CurveQuantity::Temperature,
                              density || c == CurveQuantity::Salinity);
}

GraphSettings PlottedSettings(const GraphSettings& s)
{
    if (!s.tsDiagram)
        return s;
    GraphSettings ts = s;
    ts.vertical = {false, false, true};
    ts.horizontal = {false, true, false};
    ts.range[4] = std::max(s.range[4], s.range[5]);
    ts.range[5] = std::min(s.range[4], s.range[5]);
    if (s.sigmaTheta)
        ts.temperatureTitle = "Potential temperature (\u00B0C)";
    return ts;
}

bool PlotsPotentialTemperature(const GraphSettings& s)
{
    return s.tsDiagram && s.sigmaTheta;
}

CLevelArray WithPotentialTemperature(const CLevelArray& levels)
{
    CLevelArray out;
    for (int i = 0; i < levels.GetSize(); ++i) {
        const CLevelRecord& r = levels[i];
        const double values[6] = {r.pres,    PotentialTemperature(r.psal, r.temp, r.pres),          r.psal,
                                  r.presAdj, PotentialTemperature(r.psalAdj, r.tempAdj, r.presAdj), r.psalAdj};
        out.Add(LevelRecordFromValues(r.no, values));
    }
    return out;
}

CurvePointCount CountCurvePoints(const GraphSettings& settings, std::span<const CLevelArray* const> profiles)
{
    const GraphSettings s = PlottedSettings(settings);
    const double vMin = std::min(s.VerticalMin(), s.VerticalMax()), vMax = std::max(s.VerticalMin(), s.VerticalMax());
    CurvePointCount count;
    for (int c = 0; c < 3; ++c) {
        if (!s.horizontal[static_cast<std::size_t>(c)])
            continue;
        const auto q = static_cast<CurveQuantity>(c);
        const double hMin = std::min(s.CurveMin(q), s.CurveMax(q)), hMax = std::max(s.CurveMin(q), s.CurveMax(q));
        for (const CLevelArray* levels : profiles) {
            if (!levels)
                continue;
            for (int i = 0; i < levels->GetSize(); ++i) {
                const double v = VerticalValue((*levels)[i], s.Vertical(), s.adjusted, s.sigmaTheta);
                const double h = CurveValue((*levels)[i], q, s.adjusted, s.sigmaTheta);
                if (v == kMissingValue || h == kMissingValue)
                    continue;
                ++count.points[static_cast<std::size_t>(c)];
                if (v < vMin || v > vMax || h < hMin || h > hMax)
                    ++count.outside;
            }
        }
    }
    return count;
}

const char* CurveName(CurveQuantity q)
{
    switch (q) {
    case CurveQuantity::Temperature: return "temperature";
    case CurveQuantity::Salinity: return "salinity";
    case CurveQuantity::Density: return "density";
    }
    return "";
}

std::string OutsideAxesText(std::size_t outside)
{
    return std::to_string(outside) + (outside == 1 ? " point lies" : " points lie") + " outside the axes";
}
