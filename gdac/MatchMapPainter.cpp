#include "gdac/MatchMapPainter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>

#include "overview/OverviewPainter.h"
#include "overview/colour_scale.h"

namespace {

const QColor kUndated(0x80, 0x80, 0x80);
const QColor kBox(0xb0, 0x20, 0x30);
const QColor kChosen(0xff, 0x8c, 0x00);
constexpr int kColourBins = 48; // markers are drawn in runs of one colour each
constexpr double kMarker = 5.0; // marker diameter in pixels

// A longitude moved by whole turns to within 180° of `centre`.
double Near(double lon, double centre)
{
    return lon + 360.0 * std::round((centre - lon) / 360.0);
}

void PaintBox(QPainter& p, const MapView& view, const MapRegion& box)
{
    const double east = box.east < box.west ? box.east + 360.0 : box.east;
    const double west = Near(box.west, view.centerLon - (east - box.west) / 2.0);
    const MapPoint a = view.ToPixel(west, box.north);
    const MapPoint b = view.ToPixel(west + (east - box.west), box.south);
    p.setPen(QPen(kBox, 2, Qt::DashLine));
    p.setBrush(QColor(kBox.red(), kBox.green(), kBox.blue(), 20));
    p.drawRect(QRectF(QPointF(a.x, a.y), QPointF(b.x, b.y)));
}

} // namespace

MapView FitMatches(const std::vector<MatchPoint>& points, int width, int height)
{
    // The longitudes span the circle but for its widest empty gap: the view starts
    // after that gap, so that matches on both sides of 180° lie side by side.
    std::vector<double> lons;
    lons.reserve(points.size());
    for (const MatchPoint& m : points)
        lons.push_back(m.longitude);
    std::sort(lons.begin(), lons.end());
    double start = -180.0;
    if (!lons.empty()) {
        double gap = lons.front() + 360.0 - lons.back();
        start = lons.front();
        for (std::size_t i = 0; i + 1 < lons.size(); ++i)
            if (lons[i + 1] - lons[i] > gap) {
                gap = lons[i + 1] - lons[i];
                start = lons[i + 1];
            }
    }
    std::vector<TrackPoint> track;
    track.reserve(points.size());
    for (const MatchPoint& m : points) {
        TrackPoint t;
        t.longitude = m.longitude < start ? m.longitude + 360.0 : m.longitude;
        t.latitude = m.latitude;
        track.push_back(t);
    }
    return FitTrack(track, width, height);
}

MapPoint MatchPixel(const MapView& view, const MatchPoint& point)
{
    return view.ToPixel(Near(point.longitude, view.centerLon), point.latitude);
}

int MatchAtPixel(const MatchScene& scene, double x, double y, double radius)
{
    if (!scene.points)
        return -1;
    int best = -1;
    double bestDistance = radius * radius;
    for (std::size_t i = 0; i < scene.points->size(); ++i) {
        const MapPoint m = MatchPixel(scene.view, (*scene.points)[i]);
        const double d = (m.x - x) * (m.x - x) + (m.y - y) * (m.y - y);
        if (d <= bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

void PaintMatchMap(QPainter& p, const QRect& area, const MatchScene& scene)
{
    MapScene base;
    base.coast = scene.coast;
    base.view = scene.view;
    base.title = scene.title;
    PaintMap(p, area, base);

    const QRect plot = MapPlotRect(area);
    const MapView& view = scene.view;
    double first = 0, last = 0;
    bool anyDate = false;
    p.save();
    p.setClipRect(plot);
    p.translate(plot.topLeft());
    p.setRenderHint(QPainter::Antialiasing, true);
    if (scene.hasBox)
        PaintBox(p, view, scene.box);
    if (scene.points && !scene.points->empty()) {
        for (const MatchPoint& m : *scene.points)
            if (m.dated) {
                first = anyDate ? std::min(first, m.day) : m.day;
                last = anyDate ? std::max(last, m.day) : m.day;
                anyDate = true;
            }
        // One polygon of marker centres per colour bin (and one for undated lines), each
        // drawn as round points: ten thousand markers in a few calls.
        std::array<QPolygonF, kColourBins + 1> bins;
        const double span = last > first ? last - first : 1.0;
        for (const MatchPoint& m : *scene.points) {
            const MapPoint px = MatchPixel(view, m);
            if (px.x < -kMarker || px.y < -kMarker || px.x > view.width + kMarker || px.y > view.height + kMarker)
                continue;
            const int bin = m.dated
                                ? std::clamp(static_cast<int>((m.day - first) / span * kColourBins), 0, kColourBins - 1)
                                : kColourBins;
            bins[static_cast<std::size_t>(bin)] << QPointF(px.x, px.y);
        }
        // On an image each marker is a small picture drawn once per colour; on SVG and
        // PDF pages round points.
        const bool raster = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster;
        for (int b = 0; b <= kColourBins; ++b) {
            const auto& pts = bins[static_cast<std::size_t>(b)];
            if (pts.isEmpty())
                continue;
            const QColor colour =
                b == kColourBins ? kUndated : QColor::fromRgb(ColourScale::ColourAt((b + 0.5) / kColourBins));
            if (!raster) {
                p.setPen(QPen(colour, kMarker, Qt::SolidLine, Qt::RoundCap));
                p.drawPoints(pts);
                continue;
            }
            constexpr int kSprite = 8;
            QImage sprite(kSprite, kSprite, QImage::Format_ARGB32_Premultiplied);
            sprite.fill(Qt::transparent);
            {
                QPainter s(&sprite);
                s.setRenderHint(QPainter::Antialiasing, true);
                s.setPen(Qt::NoPen);
                s.setBrush(colour);
                s.drawEllipse(QPointF(kSprite / 2.0, kSprite / 2.0), kMarker / 2.0, kMarker / 2.0);
            }
            for (const QPointF& q : pts)
                p.drawImage(QPointF(std::round(q.x()) - kSprite / 2.0, std::round(q.y()) - kSprite / 2.0), sprite);
        }
        if (!scene.chosen.empty()) {
            p.setPen(QPen(kChosen, 2.5));
            p.setBrush(Qt::NoBrush);
            for (const MatchPoint& m : *scene.points)
                if (std::binary_search(scene.chosen.begin(), scene.chosen.end(), m.line)) {
                    const MapPoint px = MatchPixel(view, m);
                    p.drawEllipse(QPointF(px.x, px.y), 7.0, 7.0);
                }
        }
    }
    p.restore();

    // The dates' colours: a bar at the lower right of the plot, the first and last date at its ends.
    if (anyDate) {
        const QFontMetrics fm(p.font());
        const QString from = QString::fromStdString(DayText(first)), to = QString::fromStdString(DayText(last));
        const int barWidth = 140;
        const int width = fm.horizontalAdvance(from) + fm.horizontalAdvance(to) + barWidth + 24;
        const QRect box(plot.right() - width - 6, plot.bottom() - fm.height() - 26, width, fm.height() + 8);
        p.fillRect(box, QColor(255, 255, 255, 225));
        p.setPen(Qt::black);
        const QRect bar(box.left() + 8 + fm.horizontalAdvance(from), box.top() + 5, barWidth, box.height() - 10);
        QLinearGradient ramp(bar.topLeft(), bar.topRight());
        for (int k = 0; k <= 16; ++k)
            ramp.setColorAt(k / 16.0, QColor::fromRgb(ColourScale::ColourAt(k / 16.0)));
        p.fillRect(bar, ramp);
        p.drawText(QRect(box.left() + 4, box.top(), bar.left() - box.left() - 6, box.height()),
                   Qt::AlignRight | Qt::AlignVCenter, from);
        p.drawText(QRect(bar.right() + 5, box.top(), box.right() - bar.right() - 5, box.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, to);
    }
}
