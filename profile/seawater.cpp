#include "profile/seawater.h"

#include <cmath>

double SigmaT(double salinity, double temperature)
{
    if (salinity == kMissingValue || temperature == kMissingValue)
        return kMissingValue;

    const double S = salinity;
    const double t = 1.00024 * temperature; // ITS-90 to IPTS-68

    // One-atmosphere EOS-80 (UNESCO 1983, after Millero and Poisson 1981).
    const double rhoW =
        999.842594 + t * (6.793952e-2 + t * (-9.095290e-3 + t * (1.001685e-4 + t * (-1.120083e-6 + t * 6.536332e-9))));
    const double A = 8.24493e-1 + t * (-4.0899e-3 + t * (7.6438e-5 + t * (-8.2467e-7 + t * 5.3875e-9)));
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

double AdiabaticLapseRate(double salinity, double temperature68, double pressure)
{
    const double ds = salinity - 35.0;
    const double t = temperature68, p = pressure;
    return 3.5803e-5 + t * (8.5258e-6 + t * (-6.836e-8 + t * 6.6228e-10)) + (1.8932e-6 - 4.2393e-8 * t) * ds +
           (1.8741e-8 + t * (-6.7795e-10 + t * (8.733e-12 - t * 5.4481e-14)) + (-1.1351e-10 + 2.7759e-12 * t) * ds) *
               p +
           (-4.6206e-13 + t * (1.8676e-14 - t * 2.1687e-16)) * p * p;
}

double PotentialTemperature68(double salinity, double temperature68, double pressure, double reference)
{
    const double s = salinity, h = reference - pressure;
    const double r2 = std::sqrt(2.0);
    double dt = h * AdiabaticLapseRate(s, temperature68, pressure);
    double th = temperature68 + 0.5 * dt;
    double q = dt;
    dt = h * AdiabaticLapseRate(s, th, pressure + 0.5 * h);
    th += (1.0 - 1.0 / r2) * (dt - q);
    q = (2.0 - r2) * dt + (-2.0 + 3.0 / r2) * q;
    dt = h * AdiabaticLapseRate(s, th, pressure + 0.5 * h);
    th += (1.0 + 1.0 / r2) * (dt - q);
    q = (2.0 + r2) * dt + (-2.0 - 3.0 / r2) * q;
    dt = h * AdiabaticLapseRate(s, th, pressure + h);
    return th + (dt - 2.0 * q) / 6.0;
}

double PotentialTemperature(double salinity, double temperature, double pressure)
{
    if (salinity == kMissingValue || temperature == kMissingValue || pressure == kMissingValue)
        return kMissingValue;
    const double theta = PotentialTemperature68(salinity, 1.00024 * temperature, pressure, 0.0) / 1.00024;
    return std::isfinite(theta) ? theta : kMissingValue;
}

double SigmaTheta(double salinity, double temperature, double pressure)
{
    const double theta = PotentialTemperature(salinity, temperature, pressure);
    if (theta == kMissingValue)
        return kMissingValue;
    return SigmaT(salinity, theta);
}
