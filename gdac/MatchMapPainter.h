#pragma once
// The map of a search's matches: the overview's world map (sea, land, graticule,
// title) with one marker per matched profile coloured by its date, the search's box
// and the chosen profiles ringed. One routine for the window and the --map files.
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

#include "gdac/match_points.h"
#include "overview/coastline.h"
#include "overview/map_view.h"

class QPainter;

struct MatchScene {
    const std::vector<MatchPoint>* points = nullptr; // not owned
    const Coastline* coast = nullptr;                // not owned; null: no land, with a note
    MapView view;                                    // sized to MapPlotRect's size
    bool hasBox = false;                             // the search's region, drawn as a frame
    MapRegion box;
    std::vector<std::uint32_t> chosen; // lines (MatchPoint::line) ringed, ascending
    QString title;
};

// The view that shows every point with a margin (the world when there are none).
MapView FitMatches(const std::vector<MatchPoint>& points, int width, int height);
// Where a point lies in the plot area: its longitude moved by whole turns to the view's side.
MapPoint MatchPixel(const MapView& view, const MatchPoint& point);
// Index into the points of the one nearest plot pixel (x, y) within `radius`; -1 when none.
int MatchAtPixel(const MatchScene& scene, double x, double y, double radius);
void PaintMatchMap(QPainter& painter, const QRect& area, const MatchScene& scene);
