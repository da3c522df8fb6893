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

// The range of the curve's values, rounded as the graph rounds fitted ranges.
std::pair<double, double> RangeOf(const ParameterCurve& c)
{
    double lo = 1e300, hi = -1e300;
    for (double v : c.series.values)
        if (v != kMissingValue && std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
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

QRgb ParameterCurveColor(std::size_t k)
{
    static const QRgb colors[] = {qRgb(128, 0, 160), qRgb(200, 120, 0), qRgb(0, 140, 140), qRgb(120, 80, 40)};
    return colors[k % std::size(colors)];
}

std::size_t ParameterPoints(const ParameterCurve& curve, const GraphSettings& settings, const CLevelArray& levels)
{
    std::size_t n = 0;
    const std::size_t count = curve.series.values.size();
    for (int i = 0; i < levels.GetSize(); ++i) {
        const std::size_t j = FileIndexOfLevel(levels[i].no, count);
        if (j < count && curve.series.values[j] != kMissingValue && VerticalOf(levels[i], settings) != kMissingValue)
            ++n;
    }
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
                         const std::vector<ParameterCurve>& curves)
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
        QPainterPath line, marks, bad;
        bool first = true;
        // Records run in ascending number: from the last level in the file up; a level
        // without a value is stepped over, so sparse levels join into one line.
        for (int i = levels.GetSize(); i-- > 0;) {
            const std::size_t j = FileIndexOfLevel(levels[i].no, c.series.values.size());
            if (j >= c.series.values.size() || c.series.values[j] == kMissingValue)
                continue;
            const double v = VerticalOf(levels[i], s);
            if (v == kMissingValue)
                continue;
            const auto px = horizontal.Map(c.series.values[j]);
            const auto py = vertical.Map(v);
            if (!px || !py)
                continue;
            if (first)
                line.moveTo(*px, *py);
            else
                line.lineTo(*px, *py);
            marks.addRect(*px - 1, *py - 1, 2, 2);
            if (IsBadFlag(c.series.flags[j])) {
                bad.moveTo(*px - 4, *py - 4);
                bad.lineTo(*px + 5, *py + 5);
                bad.moveTo(*px - 4, *py + 4);
                bad.lineTo(*px + 5, *py - 5);
            }
            first = false;
        }
        QPen pen{QColor(color)};
        pen.setWidth(1);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(line);
        p.drawPath(marks);
        pen.setColor(QColor(kBadFlagColor));
        p.setPen(pen);
        p.drawPath(bad);
    }
    p.restore();
}
