#pragma once
// Density anomaly of seawater (EOS-80 at one atmosphere), potential temperature and
// potential density, and the missing-value rule.

// A measured or computed value exactly equal to this is missing.
inline constexpr double kMissingValue = 99999.0;

// sigma-t in kg/m^3 from practical salinity and ITS-90 temperature (degrees C):
// the one-atmosphere density minus 1000. Returns kMissingValue when either input is
// missing, or when the result is not a finite number (a negative salinity).
double SigmaT(double salinity, double temperature);

// Adiabatic lapse rate (Bryden 1973) in degrees C per decibar, from practical salinity,
// IPTS-68 temperature and pressure in decibars.
double AdiabaticLapseRate(double salinity, double temperature68, double pressure);

// Potential temperature (IPTS-68) of water at `pressure` brought adiabatically to the
// reference pressure, by Fofonoff's fourth-order Runge-Kutta integration of the lapse rate.
double PotentialTemperature68(double salinity, double temperature68, double pressure, double reference);

// Potential temperature theta (ITS-90, degrees C) at reference pressure 0 from practical
// salinity, ITS-90 temperature and pressure (decibars). kMissingValue when an input is
// missing or the result is not finite.
double PotentialTemperature(double salinity, double temperature, double pressure);

// Potential density anomaly sigma-theta (reference pressure 0) in kg/m^3: the
// one-atmosphere density of water at its potential temperature, minus 1000.
// kMissingValue when an input is missing.
double SigmaTheta(double salinity, double temperature, double pressure);
