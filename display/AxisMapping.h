#pragma once
// Mapping of an axis range onto pixels, and the tick values of an axis, made safe for
// any range a user can type or a file can hold.
#include <optional>
#include <vector>

// Mapped coordinates are clamped to this many pixels either side of zero before they
// become integers, so a far-off value (a fill value such as 9.97e36) cannot overflow.
inline constexpr double kPixelLimit = 1.0e6;

// v -> v * scale + offset with scale = (pixelTo - pixelFrom) / (max - min) and offset =
// pixelFrom - min * scale, so that min lands on pixelFrom and max on pixelTo.
class CAxisMap {
public:
    CAxisMap(int pixelFrom, int pixelTo, double min, double max);

    double Scale() const { return m_scale; }
    double Offset() const { return m_offset; }
    // False when the range has equal ends or is not finite: no value has a place then.
    bool IsUsable() const { return m_usable; }
    // The pixel of v, truncated toward zero after clamping; none when the mapping is
    // not usable or the result is not a number.
    std::optional<int> Map(double v) const;

private:
    double m_scale = 0.0;
    double m_offset = 0.0;
    bool m_usable = false;
};

// A pixel coordinate computed in double, clamped to +-kPixelLimit and truncated toward
// zero; none for NaN.
std::optional<int> ToPixel(double p);

// True when AutoScale can scale min .. max without an integer overflow or an endless
// tick loop: both ends finite and different, and the range not vanishingly narrow
// against the size of its ends.
bool CanAutoScale(double min, double max);

// The tick values of an axis from min to max: AutoScale's start, then one step more
// each time while the value does not exceed its end, at most sdiv + 1 values. Empty
// when CanAutoScale is false or the scale is reversed.
std::vector<double> AxisTicks(double min, double max);
