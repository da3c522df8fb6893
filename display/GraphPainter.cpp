#include "display/GraphPainter.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "cdl/c_format.h"
#include "display/AxisMapping.h"
#include "display/RoundTicks.h"
#include "profile/figure_title.h"
#include "profile/level_records.h"
#include "profile/profile_qc.h"
#include "profile/seawater.h"
#include "uikit/MenuColor.h"

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

// Lengths of the plot's furniture in pixels.
constexpr int kTick = 10;       // tick marks
constexpr int kLeftMargin = 60; // the vertical axis's labels
constexpr int kRightMargin = 25;

// A one-pixel pen with flat ends: aliased on an image it leaves out a line's end pixel.
QPen LinePen(QRgb color)
{
    QPen pen{QColor(color)};
    pen.setWidth(1);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void Line(QPainter& p, int x1, int y1, int x2, int y2)
{
    p.drawLine(x1, y1, x2, y2);
}

// Text placed by its top-left corner.
void TextAt(QPainter& p, int x, int y, const QString& text)
{
    p.drawText(x, y + p.fontMetrics().ascent(), text);
}

QSize Extent(const QPainter& p, const QString& text)
{
    const QFontMetrics fm = p.fontMetrics();
    return QSize(fm.horizontalAdvance(text), fm.height());
}

// The height of one horizontal axis: ticks, a row of labels and a row for its title.
int AxisHeight(int textHeight)
{
    return kTick + 2 * textHeight + 2;
}

// A cross over the point at (x, y): the mark of a value flagged 3 or 4.
void AddBadMark(QPainterPath& path, int x, int y)
{
    path.moveTo(x - 4, y - 4);
    path.lineTo(x + 5, y + 5);
    path.moveTo(x - 4, y + 4);
    path.lineTo(x + 5, y - 5);
}

// Draws one curve: a line through its points and a hollow 3 x 3 square on each, in
// one path; adds each drawn point to `drawn`. Returns whether a point flagged 3 or 4
// was marked.
bool DrawCurve(QPainter& p, const PixelRect& plot, const GraphSettings& s, const CLevelArray& levels,
               CurveQuantity curve, const ProfileFlags* flags, std::vector<QPoint>& drawn)
{
    const CAxisMap vertical(plot.top, plot.bottom, s.VerticalMin(), s.VerticalMax());
    const CAxisMap horizontal(plot.left, plot.right, s.CurveMin(curve), s.CurveMax(curve));
    // A range with equal ends (or one that is not finite) gives no value a place.
    if (!vertical.IsUsable() || !horizontal.IsUsable())
        return false;
    const VerticalQuantity vq = s.Vertical();
    QPainterPath line, marks, bad;
    std::optional<QPoint> previous;
    for (int i = 0; i < levels.GetSize(); ++i) {
        const double v = VerticalValue(levels[i], vq, s.adjusted, s.sigmaTheta);
        const double h = CurveValue(levels[i], curve, s.adjusted, s.sigmaTheta);
        if (v == kMissingValue || h == kMissingValue)
            continue;
        const auto x = horizontal.Map(h);
        const auto y = vertical.Map(v);
        if (!x || !y) // NaN in the file
            continue;
        const QPoint at(*x, *y);
        if (!previous)
            line.moveTo(at);
        else if (*previous != at)
            line.lineTo(at);
        if (!previous || *previous != at) {
            marks.moveTo(*x - 1, *y - 1);
            marks.lineTo(*x - 1, *y + 1);
            marks.lineTo(*x + 1, *y + 1);
            marks.lineTo(*x + 1, *y - 1);
            marks.lineTo(*x - 1, *y - 1);
            drawn.push_back(at);
        }
        if (flags && PointFlaggedBad(FlagsOfLevel(*flags, levels[i].no, s.adjusted), vq, curve))
            AddBadMark(bad, *x, *y);
        previous = at;
    }
    p.setPen(LinePen(ColorOf(curve)));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    p.drawPath(marks);
    if (!bad.isEmpty()) {
        p.setPen(LinePen(kBadFlagColor));
        p.drawPath(bad);
    }
    return !bad.isEmpty();
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
// the profile's shade (fraction shade[k] of the run of shades), the profiles in file
// order.
void DrawOverlayCurves(QPainter& p, const OverlayPoints& points, CurveQuantity curve, const std::vector<double>& shade)
{
    for (std::size_t k = 0; k < points.size(); ++k) {
        const std::vector<QPoint>& line = points[k][static_cast<std::size_t>(curve)];
        if (line.empty())
            continue;
        p.setPen(LinePen(OverlayShadeAt(ColorOf(curve), shade[k])));
        // The first point is drawn too, so that a profile of one level still shows.
        Line(p, line[0].x(), line[0].y(), line[0].x() + 1, line[0].y());
        if (line.size() > 1)
            p.drawPolyline(line.data(), static_cast<int>(line.size()));
    }
}

// The segments where a field sampled on a grid crosses `level` (marching squares with
// linear interpolation), as one path. at(i, j) is the value at node (i, j), nx x ny
// nodes, node (i, j) at pixel (x0 + xs[i], y0 + ys[j]).
QPainterPath Contour(const std::vector<double>& field, int nx, int ny, const std::vector<int>& xs,
                     const std::vector<int>& ys, int x0, int y0, double level, QPointF& rightmost)
{
    QPainterPath path;
    auto at = [&](int i, int j) {
        return field[static_cast<std::size_t>(i) * static_cast<std::size_t>(ny) + static_cast<std::size_t>(j)] - level;
    };
    auto cross = [&](int i1, int j1, int i2, int j2) {
        const double a = at(i1, j1), b = at(i2, j2);
        const double t = a / (a - b);
        return QPointF(x0 + xs[i1] + t * (xs[i2] - xs[i1]), y0 + ys[j1] + t * (ys[j2] - ys[j1]));
    };
    rightmost = QPointF(-1e9, 0);
    for (int i = 0; i + 1 < nx; ++i)
        for (int j = 0; j + 1 < ny; ++j) {
            const double c[4] = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
            if (std::isnan(c[0] + c[1] + c[2] + c[3]))
                continue;
            std::vector<QPointF> hits;
            const int corner[5][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}, {i, j}};
            for (int e = 0; e < 4; ++e)
                if ((c[e] <= 0) != (c[(e + 1) % 4] <= 0))
                    hits.push_back(cross(corner[e][0], corner[e][1], corner[e + 1][0], corner[e + 1][1]));
            for (std::size_t h = 0; h + 1 < hits.size(); h += 2) {
                path.moveTo(hits[h]);
                path.lineTo(hits[h + 1]);
                for (const QPointF& q : {hits[h], hits[h + 1]})
                    if (q.x() > rightmost.x() || (q.x() == rightmost.x() && q.y() < rightmost.y()))
                        rightmost = q;
            }
        }
    return path;
}

// Isopycnals of a T-S diagram: lines of equal density (sigma-t of the salinity and
// temperature at each point, which at the surface is also sigma-theta of S and theta,
// the potential temperature a theta-S diagram plots), at round values of the density
// range of the plot, each labelled with its symbol and value at its right end.
void DrawIsopycnals(QPainter& p, const PixelRect& plot, const GraphSettings& s)
{
    const double sMin = s.CurveMin(CurveQuantity::Salinity), sMax = s.CurveMax(CurveQuantity::Salinity);
    const double tTop = s.VerticalMin(), tBottom = s.VerticalMax();
    const int w = plot.right - plot.left, h = plot.bottom - plot.top;
    if (w < 2 || h < 2 || w > 20000 || h > 20000 || !std::isfinite(sMin + sMax + tTop + tBottom) || sMin == sMax ||
        tTop == tBottom)
        return;
    // Nodes every few pixels, the last on the frame's far edge.
    constexpr int kStep = 4;
    std::vector<int> xs, ys;
    for (int x = 0; x < w; x += kStep)
        xs.push_back(x);
    xs.push_back(w);
    for (int y = 0; y < h; y += kStep)
        ys.push_back(y);
    ys.push_back(h);
    const int nx = static_cast<int>(xs.size()), ny = static_cast<int>(ys.size());
    std::vector<double> sigma(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
    double lo = 1e300, hi = -1e300;
    for (int i = 0; i < nx; ++i) {
        const double sal = sMin + (sMax - sMin) * xs[i] / w;
        for (int j = 0; j < ny; ++j) {
            const double t = tTop + (tBottom - tTop) * ys[j] / h;
            const double v = SigmaT(sal, t);
            const double value = v == kMissingValue || !std::isfinite(v) ? std::nan("") : v;
            sigma[static_cast<std::size_t>(i) * static_cast<std::size_t>(ny) + static_cast<std::size_t>(j)] = value;
            if (!std::isnan(value)) {
                lo = std::min(lo, value);
                hi = std::max(hi, value);
            }
        }
    }
    if (!(lo < hi))
        return;
    p.setPen(LinePen(qRgb(150, 150, 150)));
    const QFontMetrics fm = p.fontMetrics();
    for (double d : RoundTicks(lo, hi, 5)) {
        QPointF end;
        const QPainterPath path = Contour(sigma, nx, ny, xs, ys, plot.left, plot.top, d, end);
        if (path.isEmpty())
            continue;
        p.setPen(LinePen(qRgb(150, 150, 150)));
        p.drawPath(path);
        const QString text =
            (s.sigmaTheta ? QStringLiteral("\u03C3\u03B8 ") : QStringLiteral("\u03C3t ")) + AxisLabel(d);
        const int tx = std::max(plot.left + 2, static_cast<int>(end.x()) - fm.horizontalAdvance(text) - 2);
        const int ty = std::clamp(static_cast<int>(end.y()) - fm.height(), plot.top + 2, plot.bottom - fm.height() - 2);
        p.setPen(QColor(110, 110, 110));
        TextAt(p, tx, ty, text);
    }
}

// Of the plot's four corners, the box of `size` that covers the fewest of `points`
// (top right, top left, bottom right, bottom left on a tie), leaving out `taken`.
QRect QuietCorner(const PixelRect& plot, QSize size, const std::vector<QPoint>& points,
                  const std::optional<QRect>& taken = std::nullopt)
{
    constexpr int kInset = 6;
    const int left = plot.left + kInset, right = plot.right - kInset - size.width();
    const int top = plot.top + kInset, bottom = plot.bottom - kInset - size.height();
    const QRect corners[4] = {QRect(QPoint(right, top), size), QRect(QPoint(left, top), size),
                              QRect(QPoint(right, bottom), size), QRect(QPoint(left, bottom), size)};
    QRect best = corners[0];
    std::size_t fewest = SIZE_MAX;
    for (const QRect& c : corners) {
        if (taken && c.intersects(*taken))
            continue;
        const auto n = static_cast<std::size_t>(
            std::count_if(points.begin(), points.end(), [&](const QPoint& q) { return c.contains(q); }));
        if (n < fewest) {
            fewest = n;
            best = c;
        }
    }
    return best;
}

// The legend of the marks.
void DrawQcLegend(QPainter& p, const PixelRect& plot, const std::vector<QPoint>& points,
                  const std::optional<QRect>& taken)
{
    const QString text = QStringLiteral("QC flag 3/4: probably bad / bad");
    const QSize size = Extent(p, text);
    const QRect box = QuietCorner(plot, QSize(size.width() + 23, size.height() + 4), points, taken);
    p.fillRect(box, QColor(255, 255, 255));
    QPainterPath mark;
    AddBadMark(mark, box.left() + 9, box.center().y());
    p.setPen(LinePen(kBadFlagColor));
    p.drawPath(mark);
    p.setPen(QColor(0, 0, 0));
    TextAt(p, box.left() + 20, box.top() + 2, text);
}

// The legend of the overlaid profiles: a line per profile in its shades, or (more than
// kMaxLegendLines) the first profile and a ramp of the shades by date with its scale.
std::optional<QRect> DrawProfileLegend(QPainter& p, const PixelRect& plot, const GraphSettings& s, const GraphKey& key,
                                       const std::vector<double>& shade, bool byDate, const std::vector<QPoint>& points)
{
    std::vector<QRgb> colors;
    for (CurveQuantity c : kCurves)
        if (s.horizontal[static_cast<int>(c)])
            colors.push_back(ColorOf(c));
    if (colors.empty())
        return std::nullopt;
    const QFontMetrics fm = p.fontMetrics();
    const int h = fm.height();
    constexpr int kSample = 16;
    const int samples = static_cast<int>(colors.size()) * (kSample + 2);
    // "cycle 12", with the profile's index when another drawn profile has that cycle.
    auto cycleText = [&](std::size_t k) {
        const GraphProfileKey& profile = key.profiles[k];
        if (profile.cycle.empty())
            return QStringLiteral("profile %1").arg(profile.index);
        const bool shared = std::count_if(key.profiles.begin(), key.profiles.end(),
                                          [&](const GraphProfileKey& o) { return o.cycle == profile.cycle; }) > 1;
        return QStringLiteral("cycle ") + QString::fromStdString(profile.cycle) +
               (shared ? QStringLiteral(" (profile %1)").arg(profile.index) : QString());
    };
    const std::size_t n = key.profiles.size();
    const std::size_t rows = byDate ? 1 : n;
    int textWidth = 0;
    for (std::size_t k = 0; k < rows; ++k)
        textWidth = std::max(textWidth, fm.horizontalAdvance(cycleText(k) + (k == 0 ? QStringLiteral(" \u25A1") : "")));
    // The ramp: the first and last dates under its ends.
    QString from, to;
    if (byDate) {
        double lo = 1e300, hi = -1e300;
        for (std::size_t k = 1; k < n; ++k)
            if (key.profiles[k].juld) {
                if (*key.profiles[k].juld < lo) {
                    lo = *key.profiles[k].juld;
                    from = QString::fromStdString(key.profiles[k].date.substr(0, 10));
                }
                if (*key.profiles[k].juld > hi) {
                    hi = *key.profiles[k].juld;
                    to = QString::fromStdString(key.profiles[k].date.substr(0, 10));
                }
            }
        textWidth = std::max(textWidth, fm.horizontalAdvance(from + QStringLiteral("   ") + to) - samples);
    }
    // An eighth more room for the text: an SVG viewer may set it in a wider font.
    const int width = samples + 6 + textWidth + textWidth / 8 + 8;
    const int height = static_cast<int>(rows) * h + (byDate ? 2 * h + static_cast<int>(colors.size()) * 6 + 4 : 0) + 6;
    const QRect box = QuietCorner(plot, QSize(width, height), points);
    p.fillRect(box, QColor(255, 255, 255));
    p.setPen(LinePen(qRgb(160, 160, 160)));
    p.drawRect(box.adjusted(0, 0, -1, -1));
    int y = box.top() + 3;
    for (std::size_t k = 0; k < rows; ++k, y += h) {
        int x = box.left() + 4;
        for (QRgb c : colors) {
            p.setPen(LinePen(k == 0 ? c : OverlayShadeAt(c, shade[k - 1])));
            Line(p, x, y + h / 2, x + kSample, y + h / 2);
            x += kSample + 2;
        }
        p.setPen(QColor(0, 0, 0));
        TextAt(p, box.left() + 4 + samples + 4, y, cycleText(k) + (k == 0 ? QStringLiteral(" \u25A1") : ""));
    }
    if (byDate) {
        p.setPen(QColor(0, 0, 0));
        TextAt(p, box.left() + 4, y, QStringLiteral("others by date:"));
        y += h + 2;
        const QRect ramp(box.left() + 4, y, box.width() - 8, 5);
        for (QRgb c : colors) {
            QLinearGradient gradient(ramp.topLeft(), ramp.topRight());
            gradient.setColorAt(0, QColor(OverlayShadeAt(c, 0)));
            gradient.setColorAt(1, QColor(OverlayShadeAt(c, 1)));
            p.fillRect(QRect(ramp.left(), y, ramp.width(), 5), gradient);
            y += 6;
        }
        p.setPen(QColor(0, 0, 0));
        TextAt(p, ramp.left(), y + 1, from);
        TextAt(p, ramp.right() - fm.horizontalAdvance(to), y + 1, to);
    }
    return box;
}

} // namespace

GraphKey GraphKeyOf(const std::string& floatNumber, std::span<const ProfileSummary> shown)
{
    GraphKey key;
    key.title = FigureTitle(floatNumber, shown);
    for (const ProfileSummary& s : shown)
        key.profiles.push_back({s.index, s.cycle ? std::to_string(*s.cycle) : std::string(), s.juld, s.date});
    return key;
}

QRgb OverlayShadeAt(QRgb color, double f)
{
    const double t = 0.25 + 0.5 * std::clamp(std::isnan(f) ? 0.0 : f, 0.0, 1.0);
    auto mix = [t](int c) { return static_cast<int>(c + (255 - c) * t + 0.5); };
    return qRgb(mix(qRed(color)), mix(qGreen(color)), mix(qBlue(color)));
}

QRgb OverlayShade(QRgb color, std::size_t k, std::size_t n)
{
    return OverlayShadeAt(color, n > 1 ? static_cast<double>(k) / static_cast<double>(n - 1) : 0.0);
}

PixelRect PlotRectOf(const PixelRect& area, const GraphSettings& plotSettings, const QFont& labelFont)
{
    const GraphSettings s = PlottedSettings(plotSettings);
    const int h = QFontMetrics(labelFont).height();
    int axes = 0;
    for (CurveQuantity c : kCurves)
        axes += s.horizontal[static_cast<int>(c)] ? 1 : 0;
    const int top = area.top + 2 * h + 10;
    const int bottom = area.bottom - std::max(h + 6, axes * AxisHeight(h) + 4);
    return PixelRect{area.left + kLeftMargin, top, area.right - kRightMargin, bottom};
}

PixelRect DrawGraph(QPainter& p, const PixelRect& area, const GraphSettings& plotSettings,
                    const CLevelArray& shownLevels, const QFont& labelFont,
                    std::span<const CLevelArray* const> shownOverlay, const GraphQc& qc, const GraphKey& key,
                    QRgb background)
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
    const QRect areaRect(area.left, area.top, area.Width(), area.Height());
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    // Long labels of extreme ranges must not spill over the rest of the dialog.
    p.setClipRect(areaRect);
    p.setFont(labelFont);
    p.fillRect(areaRect, QColor(background ? background : MenuColor()));
    const QFontMetrics fm = p.fontMetrics();

    const bool titled = !key.title.empty();
    const PixelRect plot = PlotRectOf(area, plotSettings, labelFont);
    if (titled) {
        QFont bold = labelFont;
        bold.setBold(true);
        p.setFont(bold);
        const QString title =
            p.fontMetrics().elidedText(QString::fromStdString(key.title), Qt::ElideRight, area.Width() - 8);
        p.setPen(QColor(0, 0, 0));
        TextAt(p, (area.left + area.right - p.fontMetrics().horizontalAdvance(title)) / 2, area.top + 2, title);
        p.setFont(labelFont);
    }
    p.setPen(LinePen(qRgb(0, 0, 0)));
    Line(p, plot.left, plot.top, plot.right, plot.top);
    Line(p, plot.right, plot.top, plot.right, plot.bottom);
    Line(p, plot.right, plot.bottom, plot.left, plot.bottom);
    Line(p, plot.left, plot.bottom, plot.left, plot.top);

    DrawVerticalAxis(p, plot, settings.VerticalMin(), settings.VerticalMax());
    // The vertical axis's title above the frame, right of the labels.
    const std::string verticalTitles[3] = {settings.pressureTitle, settings.DensityTitle(), settings.temperatureTitle};
    p.setPen(QColor(0, 0, 0));
    TextAt(p, plot.left + 4, plot.top - fm.height() - 4,
           QString::fromStdString(verticalTitles[static_cast<int>(settings.Vertical())]));
    const std::string curveTitles[3] = {settings.temperatureTitle, settings.salinityTitle, settings.DensityTitle()};
    int y = plot.bottom;
    for (CurveQuantity c : kCurves)
        if (settings.horizontal[static_cast<int>(c)])
            y = DrawHorizontalAxis(p, plot, y, settings.CurveMin(c), settings.CurveMax(c), ColorOf(c),
                                   QString::fromStdString(curveTitles[static_cast<int>(c)]));

    p.setClipRect(QRect(plot.left, plot.top, plot.Width(), plot.Height()).intersected(areaRect));
    if (settings.tsDiagram)
        DrawIsopycnals(p, plot, settings);
    const OverlayPoints overlayPoints = MapOverlay(plot, settings, overlay, qc.overlayAdjusted);
    // Each overlay profile's place in the run of shades: by file order, or by date
    // when the legend keys more profiles than it can list by a ramp of dates.
    const bool keyed = !overlay.empty() && key.profiles.size() == overlay.size() + 1;
    std::vector<double> shade(overlay.size());
    for (std::size_t k = 0; k < shade.size(); ++k)
        shade[k] = shade.size() > 1 ? static_cast<double>(k) / static_cast<double>(shade.size() - 1) : 0.0;
    const bool byDate = keyed && overlay.size() + 1 > kMaxLegendLines;
    if (byDate) {
        double lo = 1e300, hi = -1e300;
        for (std::size_t k = 1; k < key.profiles.size(); ++k)
            if (key.profiles[k].juld) {
                lo = std::min(lo, *key.profiles[k].juld);
                hi = std::max(hi, *key.profiles[k].juld);
            }
        for (std::size_t k = 0; k < shade.size(); ++k)
            if (const auto& j = key.profiles[k + 1].juld; j && hi > lo)
                shade[k] = (*j - lo) / (hi - lo);
    }
    std::vector<QPoint> drawn;
    bool marked = false;
    for (CurveQuantity c : kCurves)
        if (settings.horizontal[static_cast<int>(c)]) {
            DrawOverlayCurves(p, overlayPoints, c, shade);
            marked = DrawCurve(p, plot, settings, levels, c, qc.flags, drawn) || marked;
        }
    for (const auto& profile : overlayPoints)
        for (const auto& line : profile)
            drawn.insert(drawn.end(), line.begin(), line.end());
    std::optional<QRect> legend;
    if (keyed)
        legend = DrawProfileLegend(p, plot, settings, key, shade, byDate, drawn);
    if (marked)
        DrawQcLegend(p, plot, drawn, legend);
    // Points beyond the ranges are not drawn: the plot says how many there are.
    std::vector<const CLevelArray*> all{&levels};
    all.insert(all.end(), overlay.begin(), overlay.end());
    if (const std::size_t outside = CountCurvePoints(settings, all).outside; outside > 0) {
        const QString text = QString::fromStdString(OutsideAxesText(outside));
        p.setPen(QColor(0, 0, 0));
        TextAt(p, plot.right - p.fontMetrics().horizontalAdvance(text), area.top + 2, text); // above the frame
    }
    p.restore();
    return plot;
}

void DrawVerticalAxis(QPainter& p, const PixelRect& plot, double min, double max)
{
    const CAxisMap map(plot.top, plot.bottom, min, max);
    p.save();
    p.setPen(QColor(0, 0, 0));
    const QString minText = AxisLabel(min);
    const QSize minSize = Extent(p, minText);
    TextAt(p, plot.left - minSize.width(), plot.top - minSize.height() / 2, minText);
    const int lowLimit = plot.top + minSize.height();

    const QString maxText = AxisLabel(max);
    const QSize maxSize = Extent(p, maxText);
    TextAt(p, plot.left - maxSize.width(), plot.bottom - maxSize.height() / 2, maxText);
    const int highLimit = plot.bottom - maxSize.height();

    int lastLabel = -1000000; // the y of the last inner label, to keep them a line apart
    for (double value : RoundTicks(min, max, 5)) {
        const auto y = map.Map(value);
        if (!y || *y < lowLimit || *y > highLimit || std::abs(*y - lastLabel) < minSize.height())
            continue;
        const QString text = AxisLabel(value);
        const QSize size = Extent(p, text);
        p.setPen(QColor(0, 0, 0));
        TextAt(p, plot.left - size.width(), *y - size.height() / 2, text);
        lastLabel = *y;
        p.setPen(LinePen(qRgb(0, 0, 0)));
        Line(p, plot.left, *y, plot.left + kTick, *y);
        Line(p, plot.right, *y, plot.right - kTick, *y);
    }
    p.restore();
}

int DrawHorizontalAxis(QPainter& p, const PixelRect& plot, int axisY, double min, double max, QRgb color,
                       const QString& title)
{
    p.save();
    const CAxisMap map(plot.left, plot.right, min, max);
    const int h = p.fontMetrics().height();
    const int labelY = axisY + kTick;
    p.setPen(QColor(color));
    const QString minText = AxisLabel(min);
    const QSize minSize = Extent(p, minText);
    TextAt(p, plot.left - minSize.width() / 2, labelY, minText);
    const QString maxText = AxisLabel(max);
    const QSize maxSize = Extent(p, maxText);
    TextAt(p, plot.right - maxSize.width() / 2, labelY, maxText);
    // The title on a row of its own, so that it hides no tick label.
    if (!title.isEmpty()) {
        const QString shown = p.fontMetrics().elidedText(title, Qt::ElideRight, plot.right - plot.left);
        TextAt(p, (plot.left + plot.right - p.fontMetrics().horizontalAdvance(shown)) / 2, labelY + h, shown);
    }
    // Every inner tick label that keeps clear of the labels already there.
    struct Span {
        int left, right;
    };
    constexpr int kGap = 8;
    std::vector<Span> taken{{plot.left - minSize.width() / 2, plot.left - minSize.width() / 2 + minSize.width()},
                            {plot.right - maxSize.width() / 2, plot.right - maxSize.width() / 2 + maxSize.width()}};
    QPainterPath ticks;
    ticks.moveTo(plot.left, axisY);
    ticks.lineTo(plot.right, axisY);
    ticks.lineTo(plot.right, axisY + kTick);
    ticks.moveTo(plot.left, axisY);
    ticks.lineTo(plot.left, axisY + kTick);
    for (double value : RoundTicks(min, max, 5)) {
        const auto x = map.Map(value);
        if (!x || *x < plot.left || *x > plot.right)
            continue;
        ticks.moveTo(*x, axisY);
        ticks.lineTo(*x, axisY + kTick);
        const QString text = AxisLabel(value);
        const int width = Extent(p, text).width();
        const Span span{*x - width / 2, *x - width / 2 + width};
        if (std::none_of(taken.begin(), taken.end(),
                         [&](const Span& t) { return span.left < t.right + kGap && t.left < span.right + kGap; })) {
            TextAt(p, span.left, labelY, text);
            taken.push_back(span);
        }
    }
    p.setPen(LinePen(color));
    p.drawPath(ticks);
    p.restore();
    return axisY + AxisHeight(h);
}
