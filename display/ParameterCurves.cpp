#include "display/ParameterCurves.h"

#include <algorithm>
#include <cmath>

#include "display/AutoScale.h"
#include "display/AxisMapping.h"
#include "display/GraphPainter.h"
#include "profile/profile_qc.h"
#include "profile/seawater.h"
#include <QPainter>
#include <QPainterPath>

namespace {

// The vertical value of the level numbered `no`, or missing.
double VerticalOf(const CLevelRecord& r, const GraphSettings& s)
{
    return VerticalValue(r, s.Vertical(), false, s.sigmaTheta);
}

// The range of the curve's values over every profile, rounded as the graph rounds
// fitted ranges. Values flagged 3 or 4 count only when no other value is there: one
// bad spike in one of many profiles would otherwise squeeze every curve flat.
std::pair<double, double> RangeOf(const ParameterCurve& c)
{
    double lo = 1e300, hi = -1e300;
    auto take = [&](const ChosenSeries& series, bool withBad) {
        for (std::size_t j = 0; j < series.values.size(); ++j) {
            const double v = series.values[j];
            if (v == kMissingValue || !std::isfinite(v) ||
                (!withBad && j < series.flags.size() && IsBadFlag(series.flags[j])))
                continue;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    };
    for (bool withBad : {false, true}) {
        take(c.series, withBad);
        for (const ChosenSeries& o : c.overlay)
            take(o, withBad);
        if (lo <= hi)
            break;
    }
    if (!(lo <= hi))
        return {0.0, 1.0};
    if (lo == hi) {
        lo -= 1;
        hi += 1;
    }
    if (!CanAutoScale(lo, hi))
        return {lo, hi};
    AutoScaleParam p;
    p.ndiv = 5;
    p.vvi = lo;
    p.vva = hi;
    AutoScale(&p);
    return {p.smin, p.smax};
}

} // namespace

std::string ParameterTitle(const ParameterInfo& info)
{
    std::string title = info.longName.empty() ? info.name : info.longName;
    if (!info.units.empty())
        title += " (" + info.units + ")";
    return title;
}

QRgb ParameterCurveColor(std::size_t k)
{
    static const QRgb colors[] = {qRgb(128, 0, 160), qRgb(200, 120, 0), qRgb(0, 140, 140), qRgb(120, 80, 40)};
    return colors[k % std::size(colors)];
}

namespace {

std::size_t SeriesPoints(const ChosenSeries& series, const GraphSettings& settings, const CLevelArray& levels)
{
    std::size_t n = 0;
    const std::size_t count = series.values.size();
    for (int i = 0; i < levels.GetSize(); ++i) {
        const std::size_t j = FileIndexOfLevel(levels[i].no, count);
        if (j < count && series.values[j] != kMissingValue && VerticalOf(levels[i], settings) != kMissingValue)
            ++n;
    }
    return n;
}

// The series' points from the last level in the file up (records run in ascending
// number); a level without a value is stepped over, so sparse levels join into one
// line. `mark` is called for each point with its index in the file.
template <class Mark>
QPainterPath SeriesLine(const ChosenSeries& series, const GraphSettings& s, const CLevelArray& levels,
                        const CAxisMap& horizontal, const CAxisMap& vertical, Mark mark)
{
    QPainterPath line;
    bool first = true;
    for (int i = levels.GetSize(); i-- > 0;) {
        const std::size_t j = FileIndexOfLevel(levels[i].no, series.values.size());
        if (j >= series.values.size() || series.values[j] == kMissingValue)
            continue;
        const double v = VerticalOf(levels[i], s);
        if (v == kMissingValue)
            continue;
        const auto px = horizontal.Map(series.values[j]);
        const auto py = vertical.Map(v);
        if (!px || !py)
            continue;
        if (first)
            line.moveTo(*px, *py);
        else
            line.lineTo(*px, *py);
        mark(*px, *py, j);
        first = false;
    }
    return line;
}

} // namespace

std::size_t ParameterPoints(const ParameterCurve& curve, const GraphSettings& settings, const CLevelArray& levels,
                            std::span<const CLevelArray* const> overlay)
{
    std::size_t n = SeriesPoints(curve.series, settings, levels);
    for (std::size_t k = 0; k < curve.overlay.size() && k < overlay.size(); ++k)
        if (overlay[k])
            n += SeriesPoints(curve.overlay[k], settings, *overlay[k]);
    return n;
}

int ParameterAxisHeight(const QPainter& p)
{
    // As each of DrawGraph's axes: 10 pixels of ticks, a row of labels, a row for the title.
    return 10 + 2 * p.fontMetrics().height() + 2;
}

int BelowCurveAxes(const QPainter& p, const PixelRect& plot, const GraphSettings& plotSettings)
{
    const GraphSettings s = PlottedSettings(plotSettings);
    const auto axes = std::count(s.horizontal.begin(), s.horizontal.end(), true);
    return plot.bottom + static_cast<int>(axes) * ParameterAxisHeight(p);
}

void DrawParameterCurves(QPainter& p, const PixelRect& area, const PixelRect& plot, int axisY,
                         const GraphSettings& plotSettings, const CLevelArray& levels,
                         const std::vector<ParameterCurve>& curves, std::span<const CLevelArray* const> overlay)
{
    const GraphSettings s = PlottedSettings(plotSettings);
    const CAxisMap vertical(plot.top, plot.bottom, s.VerticalMin(), s.VerticalMax());
    const QRect areaRect(area.left, area.top, area.Width(), area.Height());
    const QRect plotRect = QRect(plot.left, plot.top, plot.Width(), plot.Height()).intersected(areaRect);
    int y = axisY;
    p.save();
    for (std::size_t k = 0; k < curves.size(); ++k) {
        const ParameterCurve& c = curves[k];
        const auto [lo, hi] = RangeOf(c);
        const QRgb color = ParameterCurveColor(k);
        p.setClipRect(areaRect);
        y = DrawHorizontalAxis(p, plot, y, lo, hi, color, QString::fromStdString(c.title));
        const CAxisMap horizontal(plot.left, plot.right, lo, hi);
        if (!vertical.IsUsable() || !horizontal.IsUsable())
            continue;
        p.setClipRect(plotRect);
        p.setBrush(Qt::NoBrush);
        QPen pen;
        pen.setWidth(1);
        // The overlaid profiles first, each a line in its own lighter shade.
        const std::size_t shades = std::min(c.overlay.size(), overlay.size());
        for (std::size_t o = 0; o < shades; ++o) {
            if (!overlay[o])
                continue;
            pen.setColor(QColor(OverlayShade(color, o, shades)));
            p.setPen(pen);
            p.drawPath(SeriesLine(c.overlay[o], s, *overlay[o], horizontal, vertical, [](int, int, std::size_t) {}));
        }
        QPainterPath marks, bad;
        const QPainterPath line =
            SeriesLine(c.series, s, levels, horizontal, vertical, [&](int px, int py, std::size_t j) {
                marks.addRect(px - 1, py - 1, 2, 2);
                if (IsBadFlag(c.series.flags[j])) {
                    bad.moveTo(px - 4, py - 4);
                    bad.lineTo(px + 5, py + 5);
                    bad.moveTo(px - 4, py + 4);
                    bad.lineTo(px + 5, py - 5);
                }
            });
        pen.setColor(QColor(color));
        p.setPen(pen);
        p.drawPath(line);
        p.drawPath(marks);
        pen.setColor(QColor(kBadFlagColor));
        p.setPen(pen);
        p.drawPath(bad);
    }
    p.restore();
}
