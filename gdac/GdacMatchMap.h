#pragma once
// The Argo Data window's map of the matches: paints into a backing image when its
// contents change. Wheel zooms about the pointer, a drag with the right or middle
// button pans, a drag with the left button marks a region, a click picks a profile.
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <optional>
#include <vector>

#include "gdac/MatchMapPainter.h"

class CMatchMap : public QWidget {
    Q_OBJECT
public:
    explicit CMatchMap(QWidget* parent = nullptr);

    // The matches to show (the view is fitted to them) and the land (not owned).
    void SetPoints(std::vector<MatchPoint> points, const Coastline* coast);
    void SetBox(std::optional<MapRegion> box);
    void SetChosen(std::vector<std::uint32_t> lines);
    void SetTitle(const QString& title);
    void FitView();

    const std::vector<MatchPoint>& Points() const { return m_points; }
    const MapView& View() const { return m_scene.view; }
    MapView& ViewForTest() { return m_scene.view; }
    const QImage& Image() const { return m_image; }
    // The widget pixel of the marker of `line`; none when it has none.
    std::optional<QPointF> PixelOf(std::uint32_t line) const;
    // Redraws the backing image (the benchmark times it).
    void Redraw();

signals:
    void pointClicked(std::uint32_t line);
    void regionDragged(const MapRegion& region);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::vector<MatchPoint> m_points;
    MatchScene m_scene;
    QImage m_image;
    bool m_fitted = false;
    std::optional<QPoint> m_pressAt;
    Qt::MouseButton m_button = Qt::NoButton;
    QPoint m_lastDrag;
    QPoint m_dragTo;
    bool m_dragged = false;
};
