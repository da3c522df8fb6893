#include "profile/seawater.h"

#include <cmath>

double SigmaT(double salinity, double temperature)
{
    if (salinity == kMissingValue || temperature == kMissingValue)
        return kMissingValue;

    const double S = salinity;
    const double t = 1.00024 * temperature; // ITS-90 to IPTS-68

    // One-atmosphere EOS-80 (UNESCO 1983, after Millero and Poisson 1981).
    const double rhoW = 999.842594
                      + t * (6.793952e-2
                      + t * (-9.095290e-3
                      + t * (1.001685e-4
                      + t * (-1.120083e-6
                      + t * 6.536332e-9))));
    const double A = 8.24493e-1
                   + t * (-4.0899e-3
                   + t * (7.6438e-5
                   + t * (-8.2467e-7
                   + t * 5.3875e-9)));
    const double B = -5.72466e-3 + t * (1.0227e-4 + t * -1.6546e-6);
    const double C = 4.8314e-4;

    const double s15 = std::sqrt(S * S * S);
    const double rho = rhoW + A * S + B * s15 + C * S * S;
    const double sigma = rho - 1000.0;
    // A negative salinity has no S^1.5; report it as missing so no NaN reaches a
    // plot or a cell.
    if (!std::isfinite(sigma))
        return kMissingValue;
    return sigma;
}
