#include "display/NearestLevel.h"

#include <cmath>
#include <limits>
#include <utility>

#include "profile/seawater.h"

int FindNearestLevel(const CLevelArray& levels, VerticalQuantity q, bool adjusted, double min, double max, double u,
                     bool sigmaTheta)
{
    // A reversed axis (minimum above maximum) still has levels on it.
    if (min > max)
        std::swap(min, max);
    int best = -1;
    double bestDistance = std::numeric_limits<double>::max();
    for (int i = 0; i < levels.GetSize(); ++i) {
        const double v = VerticalValue(levels[i], q, adjusted, sigmaTheta);
        // Missing levels have no point on the plot, even in a range that reaches 99999.
        if (!(v >= min && v <= max) || v == kMissingValue)
            continue;
        const double distance = std::fabs(v - u);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}
