#include "gdac/GdacMatchMap.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "overview/OverviewPainter.h"

namespace {

constexpr int kClickSlop = 3;     // pixels a click may move and stay a click
constexpr double kPickRadius = 8; // pixels around a marker that pick it

} // namespace

CMatchMap::CMatchMap(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("matchMap"));
    setMinimumSize(240, 180);
    setCursor(Qt::CrossCursor);
    m_scene.points = &m_points;
}

void CMatchMap::SetPoints(std::vector<MatchPoint> points, const Coastline* coast)
{
    m_points = std::move(points);
    m_scene.points = &m_points;
    m_scene.coast = coast;
    m_scene.chosen.clear();
    FitView();
}

void CMatchMap::SetBox(std::optional<MapRegion> box)
{
    m_scene.hasBox = box.has_value();
    m_scene.box = box.value_or(MapRegion{});
    Redraw();
}

void CMatchMap::SetChosen(std::vector<std::uint32_t> lines)
{
    std::sort(lines.begin(), lines.end());
    m_scene.chosen = std::move(lines);
    Redraw();
}

void CMatchMap::SetTitle(const QString& title)
{
    m_scene.title = title;
    Redraw();
}

void CMatchMap::FitView()
{
    const QRect plot = MapPlotRect(rect());
    m_scene.view = FitMatches(m_points, plot.width(), plot.height());
    m_fitted = isVisible(); // a map fitted before it is shown is fitted again to its first size
    Redraw();
}

std::optional<QPointF> CMatchMap::PixelOf(std::uint32_t line) const
{
    const QPoint origin = MapPlotRect(rect()).topLeft();
    for (const MatchPoint& m : m_points)
        if (m.line == line) {
            const MapPoint px = MatchPixel(m_scene.view, m);
            return QPointF(origin.x() + px.x, origin.y() + px.y);
        }
    return std::nullopt;
}

void CMatchMap::Redraw()
{
    if (m_image.size() != size())
        m_image = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter painter(&m_image);
    PaintMatchMap(painter, m_image.rect(), m_scene);
    painter.end();
    update();
}

void CMatchMap::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
    if (m_pressAt && m_button == Qt::LeftButton && m_dragged) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.setBrush(QColor(40, 80, 160, 40));
        painter.drawRect(QRect(*m_pressAt, m_dragTo).normalized());
    }
}

void CMatchMap::resizeEvent(QResizeEvent*)
{
    if (!m_fitted || m_points.empty()) {
        FitView();
        return;
    }
    const QRect plot = MapPlotRect(rect());
    m_scene.view.width = std::max(1, plot.width());
    m_scene.view.height = std::max(1, plot.height());
    Redraw();
}

void CMatchMap::wheelEvent(QWheelEvent* event)
{
    const QPointF at = event->position() - QPointF(MapPlotRect(rect()).topLeft());
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    m_scene.view.ZoomAbout(at.x(), at.y(), std::pow(1.25, steps));
    Redraw();
    event->accept();
}

void CMatchMap::mousePressEvent(QMouseEvent* event)
{
    m_pressAt = event->position().toPoint();
    m_button = event->button();
    m_lastDrag = m_dragTo = *m_pressAt;
    m_dragged = false;
    if (m_button != Qt::LeftButton)
        setCursor(Qt::ClosedHandCursor);
}

void CMatchMap::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressAt)
        return;
    const QPoint at = event->position().toPoint();
    if ((at - *m_pressAt).manhattanLength() > kClickSlop)
        m_dragged = true;
    if (!m_dragged)
        return;
    if (m_button == Qt::LeftButton) {
        m_dragTo = at;
        update();
        return;
    }
    m_scene.view.Pan(at.x() - m_lastDrag.x(), at.y() - m_lastDrag.y());
    m_lastDrag = at;
    Redraw();
}

void CMatchMap::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pressAt)
        return;
    const QPoint origin = MapPlotRect(rect()).topLeft();
    const QPoint start = *m_pressAt - origin, end = event->position().toPoint() - origin;
    const bool dragged = m_dragged;
    const Qt::MouseButton button = m_button;
    m_pressAt.reset();
    m_dragged = false;
    setCursor(Qt::CrossCursor);
    if (button != Qt::LeftButton)
        return;
    update();
    if (!dragged) {
        const int i = MatchAtPixel(m_scene, start.x(), start.y(), kPickRadius);
        if (i >= 0)
            emit pointClicked(m_points[static_cast<std::size_t>(i)].line);
        return;
    }
    const MapPoint a = m_scene.view.ToLonLat(start.x(), start.y());
    const MapPoint b = m_scene.view.ToLonLat(end.x(), end.y());
    emit regionDragged(RegionBetween(a.x, a.y, b.x, b.y));
}
