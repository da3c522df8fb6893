#include "overview/OverviewPlots.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>
#include <tuple>

#include "profile/argo_time.h"

namespace {

constexpr int kClickSlop = 3;     // pixels a click may move and stay a click
constexpr double kPickRadius = 8; // pixels around a position that pick it

} // namespace

CTrackMap::CTrackMap(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TrackMap"));
    setMinimumSize(200, 160);
    setCursor(Qt::OpenHandCursor);
    setMouseTracking(true);
}

void CTrackMap::SetTitle(const QString& title)
{
    m_scene.title = title;
    Redraw();
}

void CTrackMap::SetProfileNames(std::vector<QString> cycleOf, std::vector<QString> dateOf)
{
    m_cycleOf = std::move(cycleOf);
    m_dateOf = std::move(dateOf);
}

QString CTrackMap::DescribeAt(QPointF at) const
{
    if (!m_scene.track)
        return {};
    const QPointF inPlot = at - QPointF(MapPlotRect(rect()).topLeft());
    const int i = PointAtPixel(m_scene.view, m_scene.track->points, inPlot.x(), inPlot.y(), kPickRadius);
    if (i < 0)
        return {};
    const TrackPoint& t = m_scene.track->points[static_cast<std::size_t>(i)];
    QStringList parts;
    if (t.profile < m_cycleOf.size() && !m_cycleOf[t.profile].isEmpty())
        parts << QStringLiteral("cycle ") + m_cycleOf[t.profile];
    else
        parts << QStringLiteral("profile %1").arg(t.profile);
    if (t.profile < m_dateOf.size() && !m_dateOf[t.profile].isEmpty())
        parts << m_dateOf[t.profile];
    double lon = std::fmod(t.longitude, 360.0);
    if (lon > 180.0)
        lon -= 360.0;
    if (lon <= -180.0)
        lon += 360.0;
    parts << QStringLiteral("%1\u00b0 %2 %3\u00b0 %4")
                 .arg(std::abs(t.latitude), 0, 'f', 3)
                 .arg(t.latitude < 0 ? QLatin1Char('S') : QLatin1Char('N'))
                 .arg(std::abs(lon), 0, 'f', 3)
                 .arg(lon < 0 ? QLatin1Char('W') : QLatin1Char('E'));
    return parts.join(QStringLiteral(", "));
}

void CTrackMap::SetTrack(const FloatTrack* track, const Coastline* coast)
{
    m_scene.track = track;
    m_scene.coast = coast;
    FitView();
}

void CTrackMap::SetChosen(std::optional<std::size_t> profile)
{
    m_scene.chosen = profile;
    Redraw();
}

void CTrackMap::SizeView()
{
    // The centre stays where it is; the new area shows more or less around it.
    const QRect plot = MapPlotRect(rect());
    m_scene.view.width = std::max(1, plot.width());
    m_scene.view.height = std::max(1, plot.height());
}

void CTrackMap::FitView()
{
    const QRect plot = MapPlotRect(rect());
    if (m_scene.track)
        m_scene.view = FitTrack(m_scene.track->points, plot.width(), plot.height());
    else
        m_scene.view = FitTrack({}, plot.width(), plot.height());
    m_fitted = true;
    Redraw();
}

std::optional<QPointF> CTrackMap::PixelOf(std::size_t profile) const
{
    if (!m_scene.track)
        return std::nullopt;
    const QPoint origin = MapPlotRect(rect()).topLeft();
    for (const TrackPoint& t : m_scene.track->points)
        if (t.profile == profile) {
            const MapPoint m = m_scene.view.ToPixel(t.longitude, t.latitude);
            return QPointF(origin.x() + m.x, origin.y() + m.y);
        }
    return std::nullopt;
}

void CTrackMap::Redraw()
{
    if (m_image.size() != size())
        m_image = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter painter(&m_image);
    PaintMap(painter, m_image.rect(), m_scene);
    painter.end();
    update();
}

void CTrackMap::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void CTrackMap::resizeEvent(QResizeEvent*)
{
    if (!m_fitted) {
        FitView();
        return;
    }
    SizeView();
    Redraw();
}

void CTrackMap::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    const QPointF at = event->position() - QPointF(MapPlotRect(rect()).topLeft());
    m_scene.view.ZoomAbout(at.x(), at.y(), std::pow(1.25, notches));
    Redraw();
    event->accept();
}

void CTrackMap::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressAt = event->position().toPoint();
    m_lastDrag = *m_pressAt;
    m_dragged = false;
}

void CTrackMap::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressAt || !(event->buttons() & Qt::LeftButton)) {
        const QString text = DescribeAt(event->position());
        setToolTip(text);
        emit hovered(text);
        return;
    }
    const QPoint at = event->position().toPoint();
    if (!m_dragged && (at - *m_pressAt).manhattanLength() <= kClickSlop)
        return;
    if (!m_dragged)
        setCursor(Qt::ClosedHandCursor);
    m_dragged = true;
    m_scene.view.Pan(at.x() - m_lastDrag.x(), at.y() - m_lastDrag.y());
    m_lastDrag = at;
    Redraw();
}

void CTrackMap::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressAt)
        return;
    const bool click = !m_dragged;
    m_pressAt.reset();
    setCursor(Qt::OpenHandCursor);
    if (!click)
        return;
    if (const std::optional<std::size_t> profile = ProfileAt(event->position()))
        emit profileClicked(*profile);
}

void CTrackMap::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (const std::optional<std::size_t> profile = ProfileAt(event->position()))
        emit profileOpened(*profile);
}

std::optional<std::size_t> CTrackMap::ProfileAt(QPointF pixel) const
{
    if (!m_scene.track)
        return std::nullopt;
    const QPointF at = pixel - QPointF(MapPlotRect(rect()).topLeft());
    const int i = PointAtPixel(m_scene.view, m_scene.track->points, at.x(), at.y(), kPickRadius);
    if (i < 0)
        return std::nullopt;
    return m_scene.track->points[static_cast<std::size_t>(i)].profile;
}

CSectionPlot::CSectionPlot(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SectionPlot"));
    setMinimumSize(300, 160);
    setMouseTracking(true);
    m_scene.section = &m_section;
    m_scene.raster = &m_raster;
}

void CSectionPlot::SetTitle(const QString& title)
{
    m_scene.title = title;
    Repaint();
}

void CSectionPlot::SetColourRange(std::optional<std::pair<double, double>> range)
{
    m_range = range;
    Redraw();
}

QString CSectionPlot::DescribeAt(QPointF at) const
{
    const QRect plot = PlotRect();
    if (!m_section.ok || !plot.contains(at.toPoint()))
        return {};
    const int i = ColumnAtPixel(m_section, m_scene.axes, at.x() - plot.left());
    if (i < 0)
        return {};
    const SectionColumn& c = m_section.columns[static_cast<std::size_t>(i)];
    const double pres = m_scene.axes.presTop +
                        (at.y() - plot.top()) / m_scene.axes.height * (m_scene.axes.presBottom - m_scene.axes.presTop);
    for (const SectionCell& cell : SectionCells(c))
        if (pres >= cell.top && pres < cell.bottom) {
            const auto seconds = JuldToSeconds(c.time, m_section.reference);
            const QString date = seconds ? QString::fromStdString(FormatUtcMinutes(*seconds)) : QString();
            return QStringLiteral("%1, %2 dbar, %3")
                .arg(date)
                .arg(pres, 0, 'f', 0)
                .arg(QString::number(cell.value, 'g', 6));
        }
    return {};
}

void CSectionPlot::mouseMoveEvent(QMouseEvent* event)
{
    const QString text = DescribeAt(event->position());
    setToolTip(text);
    emit hovered(text);
}

void CSectionPlot::SetSection(SectionData section)
{
    m_section = std::move(section);
    Redraw();
}

void CSectionPlot::SetChosen(std::optional<std::size_t> profile)
{
    m_scene.chosen = profile;
    Repaint();
}

void CSectionPlot::Redraw()
{
    if (m_image.size() != size())
        m_image = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    const QRect plot = SectionPlotRect(m_image.rect());
    m_scene.axes = FitSection(m_section, plot.width(), plot.height());
    std::tie(m_scene.low, m_scene.high) = ColourRangeOf(m_section, m_range);
    if (m_section.ok)
        RasterSection(m_section, ColourScale(m_scene.low, m_scene.high), m_scene.axes, m_raster);
    Repaint();
}

void CSectionPlot::Repaint()
{
    QPainter painter(&m_image);
    PaintSection(painter, m_image.rect(), m_scene);
    painter.end();
    update();
}

void CSectionPlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void CSectionPlot::resizeEvent(QResizeEvent*)
{
    Redraw();
}

void CSectionPlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (const std::optional<std::size_t> profile = ProfileAt(event->position().toPoint()))
        emit profileClicked(*profile);
}

void CSectionPlot::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (const std::optional<std::size_t> profile = ProfileAt(event->position().toPoint()))
        emit profileOpened(*profile);
}

std::optional<std::size_t> CSectionPlot::ProfileAt(QPoint at) const
{
    const QRect plot = PlotRect();
    if (!m_section.ok || !plot.contains(at))
        return std::nullopt;
    const int i = ColumnAtPixel(m_section, m_scene.axes, at.x() - plot.left());
    if (i < 0)
        return std::nullopt;
    return m_section.columns[static_cast<std::size_t>(i)].profile;
}
