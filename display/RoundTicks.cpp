#include "display/RoundTicks.h"

#include <algorithm>
#include <cmath>

std::vector<double> RoundTicks(double a, double b, int fewest)
{
    std::vector<double> ticks;
    const double lo = std::min(a, b), hi = std::max(a, b);
    const double span = hi - lo;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(span > 0) || !std::isfinite(span))
        return ticks;
    fewest = std::clamp(fewest, 2, 50);
    // From a step as wide as the range down: the first that gives `fewest` ticks.
    double power = std::pow(10.0, std::ceil(std::log10(span)));
    for (int guard = 0; guard < 40; ++guard, power /= 10.0)
        for (double m : {5.0, 2.0, 1.0}) {
            const double step = m * power;
            const double first = std::ceil(lo / step - 1e-9), last = std::floor(hi / step + 1e-9);
            if (last - first + 1 < fewest)
                continue;
            if (last - first > 1000)
                return ticks;
            for (double k = first; k <= last; ++k)
                ticks.push_back(k * step == 0 ? 0.0 : k * step); // no -0
            return ticks;
        }
    return ticks;
}

int TickDecimals(const std::vector<double>& ticks)
{
    if (ticks.size() < 2)
        return 0;
    const double step = ticks[1] - ticks[0];
    int decimals = 0;
    while (decimals < 6 && std::abs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) >
                               1e-6 * std::pow(10.0, decimals))
        ++decimals;
    return decimals;
}
