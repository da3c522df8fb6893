#pragma once
// The Float Overview's two plots as widgets: each paints into a backing image when its
// contents change and copies that image in paintEvent. A click on a position or a
// column reports its profile.
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "overview/OverviewPainter.h"

// The map: wheel zooms about the pointer, drag pans, a click picks a position.
class CTrackMap : public QWidget {
    Q_OBJECT
public:
    explicit CTrackMap(QWidget* parent = nullptr);

    void SetTrack(const FloatTrack* track, const Coastline* coast); // not owned
    void SetChosen(std::optional<std::size_t> profile);
    void SetTitle(const QString& title);
    // "cycle 12, 2019-03-04 10:20, 12.345° N 45.678° W" for the position within the pick
    // radius of pixel `at` (widget pixels); empty when none. `cycleOf` names a profile.
    QString DescribeAt(QPointF at) const;
    void SetProfileNames(std::vector<QString> cycleOf, std::vector<QString> dateOf);
    // Fits the view to the track with a margin.
    void FitView();
    const MapView& View() const { return m_scene.view; }
    MapView& ViewForTest() { return m_scene.view; }
    const QImage& Image() const { return m_image; }
    // The position of `profile` in widget pixels; none when it is not on the track.
    std::optional<QPointF> PixelOf(std::size_t profile) const;
    // Redraws the backing image (the benchmark times it).
    void Redraw();

signals:
    void profileClicked(std::size_t profile);
    // A double-click on a position: the user wants that profile's graph.
    void profileOpened(std::size_t profile);
    // What lies under the pointer (DescribeAt), or empty.
    void hovered(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The profile whose position lies within the pick radius of widget pixel `at`.
    std::optional<std::size_t> ProfileAt(QPointF at) const;
    void SizeView();

    MapScene m_scene;
    QImage m_image;
    std::vector<QString> m_cycleOf, m_dateOf; // by profile index
    bool m_fitted = false;
    std::optional<QPoint> m_pressAt;
    QPoint m_lastDrag;
    bool m_dragged = false;
};

// The section: time against pressure, a click picks a column.
class CSectionPlot : public QWidget {
    Q_OBJECT
public:
    explicit CSectionPlot(QWidget* parent = nullptr);

    void SetSection(SectionData section);
    void SetChosen(std::optional<std::size_t> profile);
    void SetTitle(const QString& title);
    // The user's colour range (none: the section's own), drawn at once.
    void SetColourRange(std::optional<std::pair<double, double>> range);
    double ColourLow() const { return m_scene.low; }
    double ColourHigh() const { return m_scene.high; }
    // "2019-03-04, 1250 dbar, 4.123" for widget pixel `at` over a cell; empty elsewhere.
    QString DescribeAt(QPointF at) const;
    const SectionData& Section() const { return m_section; }
    const SectionAxes& Axes() const { return m_scene.axes; }
    const QImage& Image() const { return m_image; }
    QRect PlotRect() const { return SectionPlotRect(rect()); }
    // Lays the section out again and paints it (the benchmark times it).
    void Redraw();

signals:
    void profileClicked(std::size_t profile);
    void profileOpened(std::size_t profile); // a double-click on a column
    void hovered(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The profile of the column at widget pixel `at`; none outside the plot.
    std::optional<std::size_t> ProfileAt(QPoint at) const;
    void Repaint(); // paints the laid-out section (the chosen column moved)

    std::optional<std::pair<double, double>> m_range;
    SectionData m_section;
    SectionRaster m_raster;
    SectionScene m_scene;
    QImage m_image;
};
