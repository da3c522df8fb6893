#pragma once
// Density anomaly of seawater (EOS-80 at one atmosphere) and the missing-value rule.

// A measured or computed value exactly equal to this is missing.
inline constexpr double kMissingValue = 99999.0;

// sigma-t in kg/m^3 from practical salinity and ITS-90 temperature (degrees C):
// the one-atmosphere density minus 1000. Returns kMissingValue when either input is
// missing, or when the result is not a finite number (a negative salinity).
double SigmaT(double salinity, double temperature);
