#include "display/GraphPainter.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "cdl/c_format.h"
#include "display/AxisMapping.h"
#include "uikit/SurfaceDC.h"
#include "profile/level_records.h"
#include "profile/profile_qc.h"
#include "profile/seawater.h"

namespace {

QString AxisLabel(double value)
{
    static const CFormat format = *CFormat::parse("%.2f", ValueKind::Floating);
    return QString::fromStdString(format.format(value));
}

QRgb ColorOf(CurveQuantity q)
{
    const CurveColor c = CurveColorOf(q);
    return qRgb(c.red, c.green, c.blue);
}

constexpr CurveQuantity kCurves[3] = {CurveQuantity::Temperature, CurveQuantity::Salinity, CurveQuantity::Density};

// A cross over the point at (x, y): the mark of a value flagged 3 or 4.
void DrawBadMark(CSurfaceDC& dc, int x, int y)
{
    const QRgb old = dc.SetPenColor(kBadFlagColor);
    dc.MoveTo(x - 4, y - 4);
    dc.LineTo(x + 5, y + 5);
    dc.MoveTo(x - 4, y + 4);
    dc.LineTo(x + 5, y - 5);
    dc.SetPenColor(old);
}

// Draws one curve; returns whether a point flagged 3 or 4 was marked.
bool DrawCurve(CSurfaceDC& dc, const PixelRect& plot, const GraphSettings& s, const CLevelArray& levels,
               CurveQuantity curve, const ProfileFlags* flags)
{
    const CAxisMap vertical(plot.top, plot.bottom, s.VerticalMin(), s.VerticalMax());
    const CAxisMap horizontal(plot.left, plot.right, s.CurveMin(curve), s.CurveMax(curve));
    // A range with equal ends (or one that is not finite) gives no value a place.
    if (!vertical.IsUsable() || !horizontal.IsUsable())
        return false;
    bool marked = false;
    const QRgb oldPen = dc.SetPenColor(ColorOf(curve));
    const VerticalQuantity vq = s.Vertical();
    bool first = true;
    int px = 0, py = 0;
    for (int i = 0; i < levels.GetSize(); ++i) {
        const double v = VerticalValue(levels[i], vq, s.adjusted, s.sigmaTheta);
        const double h = CurveValue(levels[i], curve, s.adjusted, s.sigmaTheta);
        if (v == kMissingValue || h == kMissingValue)
            continue;
        const auto x = horizontal.Map(h);
        const auto y = vertical.Map(v);
        if (!x || !y) // NaN in the file
            continue;
        if (first) {
            dc.MoveTo(*x, *y);
            first = false;
        } else {
            dc.MoveTo(px, py);
            dc.LineTo(*x, *y);
        }
        dc.MoveTo(*x - 1, *y - 1);
        dc.LineTo(*x - 1, *y + 1);
        dc.LineTo(*x + 1, *y + 1);
        dc.LineTo(*x + 1, *y - 1);
        dc.LineTo(*x - 1, *y - 1);
        if (flags && PointFlaggedBad(FlagsOfLevel(*flags, levels[i].no, s.adjusted), vq, curve)) {
            DrawBadMark(dc, *x, *y);
            marked = true;
        }
        px = *x;
        py = *y;
    }
    dc.SetPenColor(oldPen);
    return marked;
}

// The legend of the marks, in the plot's top right corner.
void DrawQcLegend(CSurfaceDC& dc, const PixelRect& plot)
{
    const QString text = QStringLiteral("QC flag 3/4: probably bad / bad");
    const QSize size = dc.GetTextExtent(text);
    const int right = plot.right - 6;
    const int left = right - size.width() - 16;
    const int top = plot.top + 5;
    dc.FillSolidRect(PixelRect{left - 4, top - 2, right + 3, top + size.height() + 2}, qRgb(255, 255, 255));
    DrawBadMark(dc, left + 5, top + size.height() / 2);
    const QRgb oldText = dc.SetTextColor(qRgb(0, 0, 0));
    dc.TextOut(left + 16, top, text);
    dc.SetTextColor(oldText);
}

// The curves of the overlay profiles as pixel points: points[k][c] for profile k and
// curve c, consecutive levels on one pixel kept once. One pass over each profile's
// records maps the vertical value once for all three curves, which keeps hundreds of
// profiles of a thousand levels quick to draw.
using OverlayPoints = std::vector<std::array<std::vector<QPoint>, 3>>;

// The record field VerticalValue and CurveValue read, as a member pointer, so that
// the loop over every level of every profile makes no call per value.
using LevelField = float CLevelRecord::*;
LevelField DensityField(bool adjusted, bool sigmaTheta)
{
    if (sigmaTheta)
        return adjusted ? &CLevelRecord::sigmaThetaAdj : &CLevelRecord::sigmaTheta;
    return adjusted ? &CLevelRecord::sigmaAdj : &CLevelRecord::sigma;
}
LevelField VerticalField(VerticalQuantity q, bool adjusted, bool sigmaTheta)
{
    switch (q) {
    case VerticalQuantity::Density: return DensityField(adjusted, sigmaTheta);
    case VerticalQuantity::Temperature: return adjusted ? &CLevelRecord::tempAdj : &CLevelRecord::temp;
    case VerticalQuantity::Pressure: break;
    }
    return adjusted ? &CLevelRecord::presAdj : &CLevelRecord::pres;
}
LevelField CurveField(CurveQuantity q, bool adjusted, bool sigmaTheta)
{
    switch (q) {
    case CurveQuantity::Salinity: return adjusted ? &CLevelRecord::psalAdj : &CLevelRecord::psal;
    case CurveQuantity::Density: return DensityField(adjusted, sigmaTheta);
    case CurveQuantity::Temperature: break;
    }
    return adjusted ? &CLevelRecord::tempAdj : &CLevelRecord::temp;
}

// v * scale + offset as a pixel, as CAxisMap::Map computes it; false for NaN.
inline bool MapPixel(double v, double scale, double offset, int& pixel)
{
    const double p = v * scale + offset;
    if (std::isnan(p))
        return false;
    pixel = static_cast<int>(std::clamp(p, -kPixelLimit, kPixelLimit));
    return true;
}

OverlayPoints MapOverlay(const PixelRect& plot, const GraphSettings& s, std::span<const CLevelArray* const> overlay,
                         const std::vector<bool>& overlayAdjusted)
{
    OverlayPoints points(overlay.size());
    const CAxisMap vertical(plot.top, plot.bottom, s.VerticalMin(), s.VerticalMax());
    if (overlay.empty() || !vertical.IsUsable())
        return points;
    struct Curve {
        std::size_t index;
        LevelField field, adjustedField;
        double scale, offset;
    };
    std::vector<Curve> curves;
    for (CurveQuantity c : kCurves) {
        const CAxisMap map(plot.left, plot.right, s.CurveMin(c), s.CurveMax(c));
        if (s.horizontal[static_cast<int>(c)] && map.IsUsable())
            curves.push_back({static_cast<std::size_t>(c), CurveField(c, false, s.sigmaTheta),
                              CurveField(c, true, s.sigmaTheta), map.Scale(), map.Offset()});
    }
    const double vScale = vertical.Scale(), vOffset = vertical.Offset();
    constexpr float kMissing = static_cast<float>(kMissingValue);
    for (std::size_t k = 0; k < overlay.size(); ++k) {
        if (!overlay[k])
            continue;
        const CLevelArray& levels = *overlay[k];
        const bool adjusted = k < overlayAdjusted.size() ? overlayAdjusted[k] : s.adjusted;
        const LevelField vField = VerticalField(s.Vertical(), adjusted, s.sigmaTheta);
        for (const Curve& c : curves)
            points[k][c.index].reserve(static_cast<std::size_t>(levels.GetSize()));
        for (int i = 0; i < levels.GetSize(); ++i) {
            const CLevelRecord& r = levels[i];
            int y = 0;
            if (r.*vField == kMissing || !MapPixel(r.*vField, vScale, vOffset, y))
                continue;
            for (const Curve& c : curves) {
                int x = 0;
                const LevelField field = adjusted ? c.adjustedField : c.field;
                if (r.*field == kMissing || !MapPixel(r.*field, c.scale, c.offset, x))
                    continue;
                std::vector<QPoint>& line = points[k][c.index];
                if (line.empty() || line.back() != QPoint(x, y))
                    line.emplace_back(x, y);
            }
        }
    }
    return points;
}

// One curve of each overlay profile: a line through its points without markers, in
// the profile's shade, the profiles in file order.
void DrawOverlayCurves(CSurfaceDC& dc, const OverlayPoints& points, CurveQuantity curve)
{
    const QRgb oldPen = dc.GetPenColor();
    for (std::size_t k = 0; k < points.size(); ++k) {
        const std::vector<QPoint>& line = points[k][static_cast<std::size_t>(curve)];
        if (line.empty())
            continue;
        dc.SetPenColor(OverlayShade(ColorOf(curve), k, points.size()));
        // The first point is drawn too, so that a profile of one level still shows.
        dc.MoveTo(line[0].x(), line[0].y());
        dc.LineTo(line[0].x() + 1, line[0].y());
        dc.Polyline(line.data(), line.size());
    }
    dc.SetPenColor(oldPen);
}

// Isopycnals of a T-S diagram: lines of equal density (sigma-t of the salinity and
// temperature of each pixel, which at the surface is also sigma-theta of S and theta,
// the potential temperature a theta-S diagram plots), at the tick values of the
// density range of the plot's corners, each labelled with its symbol and value at its
// right end.
void DrawIsopycnals(CSurfaceDC& dc, const PixelRect& plot, const GraphSettings& s)
{
    const double sMin = s.CurveMin(CurveQuantity::Salinity), sMax = s.CurveMax(CurveQuantity::Salinity);
    const double tTop = s.VerticalMin(), tBottom = s.VerticalMax();
    const int w = plot.right - plot.left + 1, h = plot.bottom - plot.top + 1;
    if (w < 2 || h < 2 || w > 20000 || h > 20000 || !std::isfinite(sMin + sMax + tTop + tBottom) || sMin == sMax ||
        tTop == tBottom)
        return;
    std::vector<double> sigma(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    double lo = 1e300, hi = -1e300;
    for (int x = 0; x < w; ++x) {
        const double sal = sMin + (sMax - sMin) * x / (w - 1);
        for (int y = 0; y < h; ++y) {
            const double t = tTop + (tBottom - tTop) * y / (h - 1);
            const double v = SigmaT(sal, t);
            const double value = v == kMissingValue || !std::isfinite(v) ? std::nan("") : v;
            sigma[static_cast<std::size_t>(x) * static_cast<std::size_t>(h) + static_cast<std::size_t>(y)] = value;
            if (!std::isnan(value)) {
                lo = std::min(lo, value);
                hi = std::max(hi, value);
            }
        }
    }
    if (!(lo < hi))
        return;
    const QRgb oldPen = dc.SetPenColor(qRgb(150, 150, 150));
    const QRgb oldText = dc.SetTextColor(qRgb(110, 110, 110));
    auto at = [&](int x, int y) {
        return sigma[static_cast<std::size_t>(x) * static_cast<std::size_t>(h) + static_cast<std::size_t>(y)];
    };
    std::vector<double> levels = AxisTicks(lo, hi);
    for (double d : levels) {
        int labelX = -1, labelY = -1;
        for (int x = 0; x + 1 < w; ++x)
            for (int y = 0; y + 1 < h; ++y) {
                const double a = at(x, y) - d, b = at(x, y + 1) - d, c = at(x + 1, y) - d;
                if ((a <= 0) != (b <= 0) || (a <= 0) != (c <= 0)) {
                    dc.SetPixel(plot.left + x, plot.top + y, qRgb(150, 150, 150));
                    if (x > labelX || (x == labelX && y < labelY)) {
                        labelX = x;
                        labelY = y;
                    }
                }
            }
        if (labelX < 0)
            continue;
        const QString text =
            (s.sigmaTheta ? QStringLiteral("\u03C3\u03B8 ") : QStringLiteral("\u03C3t ")) + AxisLabel(d);
        const QSize size = dc.GetTextExtent(text);
        const int tx = std::max(plot.left + 2, plot.left + labelX - size.width() - 2);
        const int ty = std::clamp(plot.top + labelY - size.height(), plot.top + 2, plot.bottom - size.height() - 2);
        dc.TextOut(tx, ty, text);
    }
    dc.SetPenColor(oldPen);
    dc.SetTextColor(oldText);
}

} // namespace

QRgb OverlayShade(QRgb color, std::size_t k, std::size_t n)
{
    const double t = 0.25 + (n > 1 ? 0.5 * static_cast<double>(k) / static_cast<double>(n - 1) : 0.0);
    auto mix = [t](int c) { return static_cast<int>(c + (255 - c) * t + 0.5); };
    return qRgb(mix(qRed(color)), mix(qGreen(color)), mix(qBlue(color)));
}

PixelRect PlotRectOf(const PixelRect& area)
{
    return PixelRect{area.left + 60, area.top + 20, area.right - 25, area.bottom - 100};
}

PixelRect DrawGraph(CSurfaceDC& dc, const PixelRect& area, const GraphSettings& settings, const CLevelArray& levels,
                    const QFont& labelFont)
{
    return DrawGraph(dc, area, settings, levels, labelFont, {});
}

PixelRect DrawGraph(CSurfaceDC& dc, const PixelRect& area, const GraphSettings& plotSettings,
                    const CLevelArray& shownLevels, const QFont& labelFont,
                    std::span<const CLevelArray* const> shownOverlay, const GraphQc& qc)
{
    const GraphSettings settings = PlottedSettings(plotSettings);
    // A theta-S diagram draws the potential temperature of each level.
    const bool theta = PlotsPotentialTemperature(settings);
    CLevelArray thetaLevels;
    std::vector<CLevelArray> thetaOverlay;
    std::vector<const CLevelArray*> thetaOverlayOf;
    if (theta) {
        thetaLevels = WithPotentialTemperature(shownLevels);
        thetaOverlay.reserve(shownOverlay.size());
        for (const CLevelArray* o : shownOverlay) {
            thetaOverlay.push_back(o ? WithPotentialTemperature(*o) : CLevelArray());
            thetaOverlayOf.push_back(&thetaOverlay.back());
        }
    }
    const CLevelArray& levels = theta ? thetaLevels : shownLevels;
    const std::span<const CLevelArray* const> overlay =
        theta ? std::span<const CLevelArray* const>(thetaOverlayOf) : shownOverlay;
    // Long labels of extreme ranges must not spill over the rest of the dialog.
    dc.SelectClipRect(area);
    dc.SelectFont(labelFont);
    dc.SetPenColor(qRgb(0, 0, 0));
    dc.SetTextColor(qRgb(0, 0, 0));
    dc.FillSolidRect(area, MenuColor());

    const PixelRect plot = PlotRectOf(area);
    dc.MoveTo(plot.left, plot.top);
    dc.LineTo(plot.right, plot.top);
    dc.LineTo(plot.right, plot.bottom);
    dc.LineTo(plot.left, plot.bottom);
    dc.LineTo(plot.left, plot.top);

    DrawVerticalAxis(dc, plot, settings.VerticalMin(), settings.VerticalMax());
    // The vertical axis's title above the frame, right of the labels.
    const std::string verticalTitles[3] = {settings.pressureTitle, settings.DensityTitle(), settings.temperatureTitle};
    dc.TextOut(plot.left + 4, area.top + 2,
               QString::fromStdString(verticalTitles[static_cast<int>(settings.Vertical())]));
    const std::string curveTitles[3] = {settings.temperatureTitle, settings.salinityTitle, settings.DensityTitle()};
    int y = plot.bottom;
    for (CurveQuantity c : kCurves)
        if (settings.horizontal[static_cast<int>(c)])
            y = DrawHorizontalAxis(dc, plot, y, settings.CurveMin(c), settings.CurveMax(c), ColorOf(c),
                                   QString::fromStdString(curveTitles[static_cast<int>(c)]));

    dc.SelectClipRect(plot.Intersected(area));
    if (settings.tsDiagram)
        DrawIsopycnals(dc, plot, settings);
    const OverlayPoints overlayPoints = MapOverlay(plot, settings, overlay, qc.overlayAdjusted);
    bool marked = false;
    for (CurveQuantity c : kCurves)
        if (settings.horizontal[static_cast<int>(c)]) {
            DrawOverlayCurves(dc, overlayPoints, c);
            marked = DrawCurve(dc, plot, settings, levels, c, qc.flags) || marked;
        }
    if (marked)
        DrawQcLegend(dc, plot);
    // Points beyond the ranges are not drawn: the plot says how many there are.
    std::vector<const CLevelArray*> all{&levels};
    all.insert(all.end(), overlay.begin(), overlay.end());
    if (const std::size_t outside = CountCurvePoints(settings, all).outside; outside > 0) {
        const QString text = QString::fromStdString(OutsideAxesText(outside));
        dc.SelectClipRect(area);
        dc.SetTextColor(qRgb(0, 0, 0));
        dc.TextOut(plot.right - dc.GetTextExtent(text).width(), area.top + 2, text); // above the frame
    }
    dc.SelectClipRect(area);
    return plot;
}

void DrawVerticalAxis(CSurfaceDC& dc, const PixelRect& plot, double min, double max)
{
    const CAxisMap map(plot.top, plot.bottom, min, max);

    const QString minText = AxisLabel(min);
    const QSize minSize = dc.GetTextExtent(minText);
    dc.TextOut(plot.left - minSize.width(), plot.top - minSize.height() / 2, minText);
    const int lowLimit = plot.top + minSize.height() / 2;

    const QString maxText = AxisLabel(max);
    const QSize maxSize = dc.GetTextExtent(maxText);
    dc.TextOut(plot.left - maxSize.width(), plot.bottom - maxSize.height() / 2, maxText);
    const int highLimit = plot.bottom - maxSize.height() / 2;

    for (double value : AxisTicks(std::min(min, max), std::max(min, max))) {
        const auto y = map.Map(value);
        if (!y || *y < lowLimit || *y > highLimit)
            continue;
        const QString text = AxisLabel(value);
        const QSize size = dc.GetTextExtent(text);
        dc.TextOut(plot.left - size.width(), *y - size.height() / 2, text);
        dc.MoveTo(plot.left, *y);
        dc.LineTo(plot.left + 10, *y);
        dc.MoveTo(plot.right, *y);
        dc.LineTo(plot.right - 10, *y);
    }
}

int DrawHorizontalAxis(CSurfaceDC& dc, const PixelRect& plot, int axisY, double min, double max, QRgb color,
                       const QString& title)
{
    const QRgb oldPen = dc.SetPenColor(color);
    const QRgb oldText = dc.SetTextColor(color);
    const CAxisMap map(plot.left, plot.right, min, max);

    const QString minText = AxisLabel(min);
    const QSize minSize = dc.GetTextExtent(minText);
    dc.TextOut(plot.left - minSize.width() / 2, axisY + 10, minText);
    const QString maxText = AxisLabel(max);
    const QSize maxSize = dc.GetTextExtent(maxText);
    dc.TextOut(plot.right - maxSize.width() / 2, axisY + 10, maxText);
    // The title in the middle of the label row, then every inner tick label that keeps
    // clear of the labels already there.
    struct Span {
        int left, right;
    };
    constexpr int kGap = 8;
    std::vector<Span> taken{{plot.left - minSize.width() / 2, plot.left - minSize.width() / 2 + minSize.width()},
                            {plot.right - maxSize.width() / 2, plot.right - maxSize.width() / 2 + maxSize.width()}};
    if (!title.isEmpty()) {
        const int width = dc.GetTextExtent(title).width();
        const int left = std::max((plot.left + plot.right - width) / 2, taken[0].right + kGap);
        if (left + width + kGap <= taken[1].left) {
            dc.TextOut(left, axisY + 10, title);
            taken.push_back({left, left + width});
        }
    }

    dc.MoveTo(plot.left, axisY);
    dc.LineTo(plot.right, axisY);
    dc.MoveTo(plot.left, axisY);
    dc.LineTo(plot.left, axisY + 10);
    dc.MoveTo(plot.right, axisY);
    dc.LineTo(plot.right, axisY + 10);
    for (double value : AxisTicks(min, max)) {
        const auto x = map.Map(value);
        if (!x || *x < plot.left || *x > plot.right)
            continue;
        dc.MoveTo(*x, axisY);
        dc.LineTo(*x, axisY + 10);
        const QString text = AxisLabel(value);
        const int width = dc.GetTextExtent(text).width();
        const Span span{*x - width / 2, *x - width / 2 + width};
        if (std::none_of(taken.begin(), taken.end(),
                         [&](const Span& t) { return span.left < t.right + kGap && t.left < span.right + kGap; })) {
            dc.TextOut(span.left, axisY + 10, text);
            taken.push_back(span);
        }
    }

    dc.SetPenColor(oldPen);
    dc.SetTextColor(oldText);
    return axisY + 10 + maxSize.height();
}
