#include "display/AxisMapping.h"

#include <algorithm>
#include <cmath>

#include "display/AutoScale.h"

CAxisMap::CAxisMap(int pixelFrom, int pixelTo, double min, double max)
{
    m_scale = static_cast<double>(pixelTo - pixelFrom) / (max - min);
    m_offset = pixelFrom - min * m_scale;
    m_usable = std::isfinite(m_scale) && std::isfinite(m_offset) && m_scale != 0.0;
}

std::optional<int> CAxisMap::Map(double v) const
{
    if (!m_usable)
        return std::nullopt;
    return ToPixel(v * m_scale + m_offset);
}

std::optional<int> ToPixel(double p)
{
    if (std::isnan(p))
        return std::nullopt;
    return static_cast<int>(std::clamp(p, -kPixelLimit, kPixelLimit));
}

bool CanAutoScale(double min, double max)
{
    if (!std::isfinite(min) || !std::isfinite(max) || min == max)
        return false;
    const double range = std::fabs(max - min);
    if (!std::isfinite(range) || range < 1e-290)
        return false;
    // AutoScale's step is at least range / 15 for ten divisions, so the multiples of
    // the step it counts stay below 15 * |end| / range: keep that well inside an int.
    const double largest = std::max(std::fabs(min), std::fabs(max));
    return 15.0 * (largest / range) < 1.0e9;
}

std::vector<double> AxisTicks(double min, double max)
{
    std::vector<double> ticks;
    if (!CanAutoScale(min, max))
        return ticks;
    AutoScaleParam p;
    p.type = 1;
    p.ndiv = 10;
    p.vvi = min;
    p.vva = max;
    AutoScale(&p);
    if (p.sdiv <= 0)
        return ticks;
    const double step = (p.smax - p.smin) / p.sdiv;
    double value = p.smin;
    for (int k = 0; k <= p.sdiv && value <= p.smax; ++k, value += step)
        ticks.push_back(value);
    return ticks;
}
