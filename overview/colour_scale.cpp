#include "overview/colour_scale.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Anchors of the ramp (viridis-like), evenly spaced.
constexpr std::array<std::array<int, 3>, 9> kAnchors{{{68, 1, 84},
                                                      {71, 44, 122},
                                                      {59, 81, 139},
                                                      {44, 113, 142},
                                                      {33, 144, 141},
                                                      {39, 173, 129},
                                                      {92, 200, 99},
                                                      {170, 220, 50},
                                                      {253, 231, 37}}};

std::array<std::uint32_t, 256> MakeTable()
{
    std::array<std::uint32_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        const double pos = i / 255.0 * (kAnchors.size() - 1);
        const auto k = std::min<std::size_t>(static_cast<std::size_t>(pos), kAnchors.size() - 2);
        const double t = pos - static_cast<double>(k);
        std::uint32_t c = 0xff000000u;
        for (int ch = 0; ch < 3; ++ch) {
            const double v = kAnchors[k][ch] * (1 - t) + kAnchors[k + 1][ch] * t;
            c |= static_cast<std::uint32_t>(std::lround(v)) << (16 - 8 * ch);
        }
        table[static_cast<std::size_t>(i)] = c;
    }
    return table;
}

const std::array<std::uint32_t, 256> kTable = MakeTable();

} // namespace

ColourScale::ColourScale(double low, double high) : m_low(low), m_high(high > low ? high : low + 1.0) {}

std::uint32_t ColourScale::ColourAt(double f)
{
    if (!(f > 0))
        f = 0;
    f = std::min(f, 1.0);
    return kTable[static_cast<std::size_t>(std::lround(f * 255.0))];
}

std::uint32_t ColourScale::ColourOf(double value) const
{
    return ColourAt((value - m_low) / (m_high - m_low));
}
