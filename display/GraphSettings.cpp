#include "display/GraphSettings.h"

#include <algorithm>

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
    return ts;
}
