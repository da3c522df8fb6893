#pragma once
// Axis scaling: turns a data range into a start, an end and a number of divisions whose
// step is 1, 2, 3, 4, 5 or 10 times a power of ten (linear), or into whole decades
// (logarithmic).
#include <cstdint>

struct AutoScaleParam {
    std::int32_t type = 1;  // in: 1 linear, 2 logarithmic
    std::int32_t ndiv = 10; // in: requested number of divisions (linear only)
    double vvi = 0.0;       // in: lower end of the data range
    double vva = 0.0;       // in: upper end of the data range
    double smin = 0.0;      // out: start of the scale
    double smax = 0.0;      // out: end of the scale
    std::int32_t sdiv = 0;  // out: number of divisions between smin and smax
    double sexp = 0.0;      // out: decimal exponent of the step (linear), 0 (logarithmic)
};

// Fills the output fields of *param. Diagnostics go to the standard error stream; an
// unknown type, a non-positive logarithmic range or an unscalable range ends the
// process with abort(). The input fields are left unchanged.
void AutoScale(AutoScaleParam* param);
