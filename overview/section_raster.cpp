#include "overview/section_raster.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kMaxHalfBand = 50.0f; // dbar, beyond a column's first and last level

// First and one-past-last pixel of [a, b) clamped to [0, limit); a band narrower than a
// pixel still gets one.
std::pair<int, int> PixelSpan(double a, double b, int limit)
{
    int first = static_cast<int>(std::floor(a));
    int last = static_cast<int>(std::floor(b));
    if (last <= first)
        last = first + 1;
    return {std::clamp(first, 0, limit), std::clamp(last, 0, limit)};
}

} // namespace

SectionAxes FitSection(const SectionData& section, int width, int height)
{
    SectionAxes axes;
    axes.width = std::max(1, width);
    axes.height = std::max(1, height);
    axes.timeMin = section.timeMin;
    axes.timeMax = section.timeMax > section.timeMin ? section.timeMax : section.timeMin + 1.0;
    axes.presTop = 0.0;
    axes.presBottom = section.presMax > 0 ? section.presMax * 1.02 : 1.0;
    return axes;
}

std::vector<SectionCell> SectionCells(const SectionColumn& c)
{
    std::vector<SectionCell> cells;
    const std::size_t n = c.pres.size();
    cells.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        // Halfway to the levels above and below; the outer ends reach as far as the
        // next level's half spacing (at most kMaxHalfBand), the top no higher than 0.
        const float up = k > 0
                             ? (c.pres[k] - c.pres[k - 1]) / 2
                             : std::min(c.pres[k], n > 1 ? std::min((c.pres[1] - c.pres[0]) / 2, kMaxHalfBand) : 5.0f);
        const float down = k + 1 < n ? (c.pres[k + 1] - c.pres[k]) / 2
                                     : (n > 1 ? std::min((c.pres[k] - c.pres[k - 1]) / 2, kMaxHalfBand) : 5.0f);
        cells.push_back({c.pres[k] - std::max(up, 0.0f), c.pres[k] + std::max(down, 0.0f), c.value[k]});
    }
    return cells;
}

void RasterSection(const SectionData& section, const ColourScale& scale, const SectionAxes& axes, SectionRaster& out)
{
    out.width = axes.width;
    out.height = axes.height;
    out.pixels.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height), 0u);
    for (const SectionColumn& c : section.columns) {
        const auto [x0, x1] = PixelSpan(axes.XOf(c.left), axes.XOf(c.right), out.width);
        if (x0 >= x1)
            continue;
        for (const SectionCell& cell : SectionCells(c)) {
            const auto [y0, y1] = PixelSpan(axes.YOf(cell.top), axes.YOf(cell.bottom), out.height);
            const std::uint32_t colour = scale.ColourOf(cell.value);
            for (int y = y0; y < y1; ++y) {
                std::uint32_t* row = out.pixels.data() + static_cast<std::size_t>(y) * out.width;
                std::fill(row + x0, row + x1, colour);
            }
        }
    }
}

int ColumnAtPixel(const SectionData& section, const SectionAxes& axes, double x)
{
    const double t = axes.TimeAt(x + 0.5);
    const auto& cols = section.columns;
    auto it = std::lower_bound(cols.begin(), cols.end(), t,
                               [](const SectionColumn& c, double time) { return c.right < time; });
    if (it == cols.end() || it->left > t)
        return -1;
    return static_cast<int>(it - cols.begin());
}
