#include "overview/OverviewPainter.h"

#include <QFontMetrics>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "display/RoundTicks.h"
#include "overview/colour_scale.h"
#include "profile/argo_time.h"

namespace {

const QColor kSea(0xdd, 0xea, 0xf5);
const QColor kLand(0xe6, 0xdf, 0xc8);
const QColor kCoast(0x8a, 0x7f, 0x66);
const QColor kGrid(0xb8, 0xc4, 0xd0);
const QColor kTrack(0x30, 0x40, 0x60);
const QColor kPoint(0x1f, 0x4e, 0x9c);
const QColor kFirst(0x1a, 0x9a, 0x2a);
const QColor kLast(0xd0, 0x20, 0x20);
const QColor kChosen(0xff, 0x8c, 0x00);

// A round step for about `wanted` intervals over `span`: 1, 2 or 5 times a power of ten.
double NiceStep(double span, int wanted)
{
    const double raw = span / std::max(1, wanted);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * power)
            return m * power;
    return 10.0 * power;
}

QString Degrees(double value, bool longitude)
{
    if (longitude) {
        value = std::fmod(value, 360.0);
        if (value > 180.0)
            value -= 360.0;
        if (value <= -180.0)
            value += 360.0;
    }
    const QString hemi = longitude ? (value < 0   ? QStringLiteral("W")
                                      : value > 0 ? QStringLiteral("E")
                                                  : QString())
                                   : (value < 0   ? QStringLiteral("S")
                                      : value > 0 ? QStringLiteral("N")
                                                  : QString());
    return QString::number(std::abs(value), 'g', 6) + QChar(0x00b0) + hemi;
}

void PaintLand(QPainter& p, const MapView& view, const Coastline& coast)
{
    const double west = view.West(), east = view.East(), north = view.North(), south = view.South();
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (double offset : {-720.0, -360.0, 0.0, 360.0, 720.0}) {
        if (east < -180.0 + offset - 1 || west > 180.0 + offset + 1)
            continue;
        for (const LandRing& ring : coast.rings) {
            if (ring.east + offset < west || ring.west + offset > east || ring.south > north || ring.north < south)
                continue;
            // Vertices closer than half a pixel to the last one kept add nothing to the
            // picture: at the world's scale they are most of the coast.
            QPolygonF poly;
            poly.reserve(static_cast<qsizetype>(ring.lonLat.size() / 2));
            for (std::size_t i = 0; i < ring.lonLat.size(); i += 2) {
                const MapPoint m = view.ToPixel(ring.lonLat[i] + offset, ring.lonLat[i + 1]);
                if (!poly.isEmpty() && i + 2 < ring.lonLat.size() && std::abs(m.x - poly.back().x()) < 0.5 &&
                    std::abs(m.y - poly.back().y()) < 0.5)
                    continue;
                poly << QPointF(m.x, m.y);
            }
            path.addPolygon(poly);
            path.closeSubpath();
        }
    }
    p.setPen(QPen(kCoast, 0.8));
    p.setBrush(kLand);
    p.drawPath(path);
}

void PaintGraticule(QPainter& p, const MapView& view)
{
    const double lonStep = NiceStep(view.East() - view.West(), 5);
    const double latStep = NiceStep(view.North() - view.South(), 4);
    for (double lon = std::ceil(view.West() / lonStep) * lonStep; lon <= view.East(); lon += lonStep) {
        const double x = view.ToPixel(lon, 0).x;
        p.setPen(QPen(kGrid, 1, Qt::DotLine));
        p.drawLine(QPointF(x, 0), QPointF(x, view.height));
        p.setPen(Qt::darkGray);
        p.drawText(QPointF(x + 2, view.height - 3), Degrees(lon, true));
    }
    for (double lat = std::ceil(std::max(-90.0, view.South()) / latStep) * latStep; lat <= std::min(90.0, view.North());
         lat += latStep) {
        const double y = view.ToPixel(0, lat).y;
        p.setPen(QPen(kGrid, 1, Qt::DotLine));
        p.drawLine(QPointF(0, y), QPointF(view.width, y));
        p.setPen(Qt::darkGray);
        p.drawText(QPointF(3, y - 2), Degrees(lat, false));
    }
}

// The row of the title line at the top of a plot.
constexpr int kTitleRow = 22;

void PaintTitle(QPainter& p, const QRect& area, const QString& title)
{
    if (title.isEmpty())
        return;
    p.save();
    QFont bold = p.font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    const QRect row(area.left() + 4, area.top() + 2, area.width() - 8, kTitleRow - 4);
    p.drawText(row, Qt::AlignCenter, p.fontMetrics().elidedText(title, Qt::ElideRight, row.width()));
    p.restore();
}

// The section's cells as rectangles of the page, for SVG and PDF: one per run of
// levels of a column in the same colour, each reaching a pixel into the next (which
// paints over it) so that no seam shows where a viewer smooths their edges.
void PaintSectionCells(QPainter& p, const QRect& plot, const SectionData& s, const SectionAxes& axes,
                       const ColourScale& scale)
{
    constexpr double kOverlap = 1.0; // painted over by the next cell
    p.save();
    p.setClipRect(plot);
    p.setPen(Qt::NoPen);
    for (const SectionColumn& c : s.columns) {
        const double x0 = plot.left() + axes.XOf(c.left), x1 = plot.left() + axes.XOf(c.right);
        const std::vector<SectionCell> cells = SectionCells(c);
        for (std::size_t k = 0; k < cells.size();) {
            const std::uint32_t colour = scale.ColourOf(cells[k].value);
            std::size_t end = k + 1;
            while (end < cells.size() && scale.ColourOf(cells[end].value) == colour &&
                   cells[end].top <= cells[end - 1].bottom)
                ++end;
            const double y0 = plot.top() + axes.YOf(cells[k].top), y1 = plot.top() + axes.YOf(cells[end - 1].bottom);
            p.fillRect(QRectF(x0, y0, x1 - x0 + kOverlap, y1 - y0 + kOverlap), QColor::fromRgb(colour));
            k = end;
        }
    }
    p.restore();
}

// Ticks on the first day of every 1, 2, 3, 6 or 12 months (or of every 2, 5 or 10
// years), the shortest run that gives at most `most` ticks between days t0 and t1
// (JULD, reference as seconds since 1970), labelled "YYYY-MM" (or "YYYY").
std::vector<std::pair<double, QString>> MonthTicks(double t0, double t1, std::int64_t reference, int most)
{
    using namespace std::chrono;
    std::vector<std::pair<double, QString>> ticks;
    const auto s0 = JuldToSeconds(t0, reference), s1 = JuldToSeconds(t1, reference);
    if (!s0 || !s1 || *s1 <= *s0)
        return ticks;
    const year_month_day first{floor<days>(sys_seconds(seconds(*s0)))};
    const year_month_day last{floor<days>(sys_seconds(seconds(*s1)))};
    const int m0 = static_cast<int>(first.year()) * 12 + static_cast<int>(static_cast<unsigned>(first.month())) - 1;
    const int m1 = static_cast<int>(last.year()) * 12 + static_cast<int>(static_cast<unsigned>(last.month())) - 1;
    for (int step : {1, 2, 3, 6, 12, 24, 60, 120}) {
        if ((m1 - m0) / step + 1 > most + 1)
            continue;
        for (int m = (m0 / step + 1) * step; m <= m1; m += step) {
            const year_month_day day{year(m / 12), month(static_cast<unsigned>(m % 12 + 1)), std::chrono::day(1)};
            const double t = (static_cast<double>(sys_seconds(sys_days(day)).time_since_epoch().count()) -
                              static_cast<double>(reference)) /
                             86400.0;
            if (t < t0 || t > t1)
                continue;
            const QString label = step >= 12
                                      ? QString::number(m / 12)
                                      : QStringLiteral("%1-%2").arg(m / 12).arg(m % 12 + 1, 2, 10, QLatin1Char('0'));
            ticks.emplace_back(t, label);
        }
        return ticks;
    }
    return ticks;
}

} // namespace

std::pair<double, double> ColourRangeOf(const SectionData& section, std::optional<std::pair<double, double>> own)
{
    if (own && std::isfinite(own->first) && std::isfinite(own->second) && own->first != own->second)
        return {std::min(own->first, own->second), std::max(own->first, own->second)};
    return {section.valueLow, section.valueHigh};
}

QRect MapPlotRect(const QRect& area)
{
    return area.adjusted(4, 4 + kTitleRow, -4, -4);
}

QString MapNote(const MapScene& scene)
{
    QStringList parts;
    if (scene.track && scene.track->leftOut > 0) {
        const std::size_t outside = scene.track->outOfRange, others = scene.track->leftOut - outside;
        QString why = others > 0 ? QStringLiteral("fill, or POSITION_QC 3, 4 or 9") : QString();
        if (outside > 0) // values beyond ±90° or ±540°, which no flag explains
            why = others > 0 ? QStringLiteral("%1 out of range; the others %2").arg(outside).arg(why)
                             : QStringLiteral("out of range");
        parts << QStringLiteral("%1 of %2 positions left out (%3)")
                     .arg(scene.track->leftOut)
                     .arg(scene.track->profiles)
                     .arg(why);
    }
    if (!scene.coast || !scene.coast->ok)
        parts << QStringLiteral("no land drawn: %1")
                     .arg(scene.coast ? QString::fromStdString(scene.coast->message)
                                      : QStringLiteral("no coastline file"));
    return parts.join(QStringLiteral("; "));
}

void PaintMap(QPainter& p, const QRect& area, const MapScene& scene)
{
    p.save();
    p.fillRect(area, Qt::white);
    PaintTitle(p, area, scene.title);
    const QRect plot = MapPlotRect(area);
    p.setClipRect(plot);
    p.translate(plot.topLeft());
    p.fillRect(QRect(QPoint(0, 0), plot.size()), kSea);
    const MapView& view = scene.view;
    if (scene.coast && scene.coast->ok)
        PaintLand(p, view, *scene.coast);
    PaintGraticule(p, view);
    if (scene.track && !scene.track->points.empty()) {
        const auto& pts = scene.track->points;
        QPolygonF line;
        line.reserve(static_cast<qsizetype>(pts.size()));
        for (const TrackPoint& t : pts) {
            const MapPoint m = view.ToPixel(t.longitude, t.latitude);
            line << QPointF(m.x, m.y);
        }
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(kTrack, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line);
        p.setPen(Qt::NoPen);
        p.setBrush(kPoint);
        for (const QPointF& q : line)
            p.drawEllipse(q, 2.5, 2.5);
        p.setPen(QPen(Qt::white, 1.5));
        p.setBrush(kFirst);
        p.drawEllipse(line.front(), 6, 6);
        p.setBrush(kLast);
        p.drawRect(QRectF(line.back() - QPointF(5.5, 5.5), QSizeF(11, 11)));
        if (scene.chosen) {
            for (std::size_t i = 0; i < pts.size(); ++i) {
                if (pts[i].profile != *scene.chosen)
                    continue;
                p.setBrush(Qt::NoBrush);
                p.setPen(QPen(kChosen, 3));
                p.drawEllipse(line[static_cast<qsizetype>(i)], 9, 9);
            }
        }
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    p.restore();
    const QString note = MapNote(scene);
    if (!note.isEmpty()) {
        const QFontMetrics fm(p.font());
        const QRect box(plot.left() + 4, plot.top() + 4, fm.horizontalAdvance(note) + 8, fm.height() + 4);
        p.fillRect(box, QColor(255, 255, 255, 220));
        p.setPen(Qt::black);
        p.drawText(box, Qt::AlignCenter, note);
    }
}

QRect SectionPlotRect(const QRect& area)
{
    return QRect(area.left() + 60, area.top() + 12 + kTitleRow, std::max(10, area.width() - 60 - 110),
                 std::max(10, area.height() - 12 - kTitleRow - 40));
}

QRect ColourBarRect(const QRect& area)
{
    const QRect plot = SectionPlotRect(area);
    return QRect(plot.right() + 16, plot.top(), 18, plot.height());
}

void PaintSection(QPainter& p, const QRect& area, const SectionScene& scene)
{
    p.save();
    p.fillRect(area, Qt::white);
    PaintTitle(p, area, scene.title);
    const QRect plot = SectionPlotRect(area);
    p.fillRect(plot, QColor(0xf0, 0xf0, 0xf0));
    const QFontMetrics fm(p.font());
    if (!scene.section || !scene.section->ok || !scene.raster) {
        p.setPen(Qt::black);
        p.drawText(plot, Qt::AlignCenter | Qt::TextWordWrap,
                   scene.section ? QString::fromStdString(scene.section->message) : QString());
        p.restore();
        return;
    }
    const SectionData& s = *scene.section;
    const SectionAxes& axes = scene.axes;
    // On an image the raster made for it; on SVG and PDF pages rectangles, no bitmap.
    const bool raster = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster;
    if (raster) {
        const QImage image(reinterpret_cast<const uchar*>(scene.raster->pixels.data()), scene.raster->width,
                           scene.raster->height, scene.raster->width * 4, QImage::Format_ARGB32);
        p.drawImage(plot.topLeft(), image);
    } else {
        PaintSectionCells(p, plot, s, axes, ColourScale(scene.low, scene.high));
    }
    // Chosen column: a frame around it.
    if (scene.chosen) {
        for (const SectionColumn& c : s.columns) {
            if (c.profile != *scene.chosen)
                continue;
            const double x0 = std::floor(axes.XOf(c.left)), x1 = std::max(x0 + 1, std::floor(axes.XOf(c.right)));
            p.setPen(QPen(kChosen, 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(plot.left() + x0 - 2, plot.top() + 1, x1 - x0 + 4, plot.height() - 2));
        }
    }
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot.adjusted(0, 0, -1, -1));
    // Pressure axis: surface at the top.
    const double presStep = NiceStep(axes.presBottom - axes.presTop, 6);
    for (double pr = 0; pr <= axes.presBottom; pr += presStep) {
        const int y = plot.top() + static_cast<int>(std::lround(axes.YOf(pr)));
        p.drawLine(plot.left() - 4, y, plot.left(), y);
        const QString label = QString::number(pr, 'g', 6);
        p.drawText(plot.left() - 6 - fm.horizontalAdvance(label), y + fm.ascent() / 2, label);
    }
    p.save();
    p.translate(area.left() + fm.height(), plot.center().y());
    p.rotate(-90);
    p.drawText(QRect(-plot.height() / 2, -fm.height(), plot.height(), fm.height() + 2), Qt::AlignCenter,
               QStringLiteral("pressure [dbar]"));
    p.restore();
    // Time axis: the first days of round runs of months, as many as fit; a section of
    // a few weeks keeps dates at five even steps.
    const int most = std::max(2, plot.width() / (fm.horizontalAdvance(QStringLiteral("0000-00")) + 24));
    std::vector<std::pair<double, QString>> dates = MonthTicks(axes.timeMin, axes.timeMax, s.reference, most);
    if (dates.size() < 3) {
        dates.clear();
        for (int i = 0; i <= 4; ++i) {
            const double t = axes.timeMin + (axes.timeMax - axes.timeMin) * (0.04 + 0.92 * i / 4.0);
            const auto seconds = JuldToSeconds(t, s.reference);
            dates.emplace_back(t,
                               seconds ? QString::fromStdString(FormatUtcMinutes(*seconds).substr(0, 10)) : QString());
        }
    }
    for (const auto& [t, label] : dates) {
        const int x = plot.left() + static_cast<int>(std::lround(axes.XOf(t)));
        p.drawLine(x, plot.bottom(), x, plot.bottom() + 4);
        p.drawText(x - fm.horizontalAdvance(label) / 2, plot.bottom() + 6 + fm.ascent(), label);
    }
    // Colour bar, high at the top, labelled at both ends and the middle, titled alongside.
    const QRect bar = ColourBarRect(area);
    if (raster) {
        for (int y = 0; y < bar.height(); ++y) {
            const double f = 1.0 - (y + 0.5) / bar.height();
            p.fillRect(QRect(bar.left(), bar.top() + y, bar.width(), 1), QColor::fromRgb(ColourScale::ColourAt(f)));
        }
    } else { // one gradient on a page, not a strip per row
        QLinearGradient ramp(bar.bottomLeft(), bar.topLeft());
        constexpr int kStops = 32;
        for (int k = 0; k <= kStops; ++k)
            ramp.setColorAt(static_cast<double>(k) / kStops,
                            QColor::fromRgb(ColourScale::ColourAt(double(k) / kStops)));
        p.fillRect(bar, ramp);
    }
    p.drawRect(bar.adjusted(-1, -1, 0, 0)); // around the bar, every row of it in colour
    // Ticks on round values of the colour range, at least four labelled.
    const std::vector<double> ticks = RoundTicks(scene.low, scene.high, 4);
    const int decimals = TickDecimals(ticks);
    for (double value : ticks) {
        const double f = (value - scene.low) / (scene.high - scene.low);
        const int y = bar.bottom() - static_cast<int>(std::lround(f * (bar.height() - 1)));
        p.drawLine(bar.right() + 1, y, bar.right() + 4, y);
        p.drawText(bar.right() + 6, y + fm.ascent() / 2, QString::number(value, 'f', decimals));
    }
    p.save();
    p.translate(area.right() - 4, bar.center().y());
    p.rotate(90);
    p.drawText(QRect(-bar.height() / 2, 0, bar.height(), fm.height() + 2), Qt::AlignCenter,
               fm.elidedText(QString::fromStdString(s.title), Qt::ElideRight, bar.height()));
    p.restore();
    if (s.skipped > 0) {
        const QString note = QStringLiteral("%1 profiles without a date or a value").arg(s.skipped);
        p.drawText(area.right() - 4 - fm.horizontalAdvance(note), area.bottom() - 2, note);
    }
    p.restore();
}
