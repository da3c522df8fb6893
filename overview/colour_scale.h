#pragma once
// The section's colours: values from low to high along a perceptually even ramp (dark
// blue through green to yellow), clamped at both ends. Colours are 0xAARRGGBB.
#include <cstdint>

class ColourScale {
public:
    ColourScale(double low, double high);
    double Low() const { return m_low; }
    double High() const { return m_high; }
    // The colour of a value (clamped to the range).
    std::uint32_t ColourOf(double value) const;
    // The colour at fraction f (0: low, 1: high) of the bar.
    static std::uint32_t ColourAt(double f);

private:
    double m_low, m_high;
};
