#pragma once
// The map's projection: longitude and latitude to pixels of a plot area and back, an
// equirectangular projection whose east-west scale is fixed where the view was fitted
// (the cosine of that latitude), so panning north or south does not stretch the land.
#include <span>

#include "overview/float_track.h"

struct MapPoint {
    double x = 0.0;
    double y = 0.0;
};

struct MapView {
    int width = 1; // plot area in pixels
    int height = 1;
    double centerLon = 0.0; // degrees at the area's centre (unwrapped like the track)
    double centerLat = 0.0;
    double pixelsPerDegree = 1.0; // north-south
    double lonScale = 1.0;        // east-west pixels per degree / north-south

    MapPoint ToPixel(double lon, double lat) const;
    MapPoint ToLonLat(double x, double y) const; // x: longitude, y: latitude
    // Zooms by `factor` (> 1 in) keeping the place under pixel (x, y) where it is.
    void ZoomAbout(double x, double y, double factor);
    // Moves the map with the pointer by (dx, dy) pixels.
    void Pan(double dx, double dy);
    // The visible longitudes and latitudes.
    double West() const { return ToLonLat(0, 0).x; }
    double East() const { return ToLonLat(width, 0).x; }
    double North() const { return ToLonLat(0, 0).y; }
    double South() const { return ToLonLat(0, height).y; }
};

// The view of a width x height area that shows every point with a margin of `margin`
// of the area on each side; at least 2° across; the whole world for no points.
MapView FitTrack(std::span<const TrackPoint> points, int width, int height, double margin = 0.1);

// Index into `points` of the point nearest pixel (x, y) within `radius` pixels; -1 when none.
int PointAtPixel(const MapView& view, std::span<const TrackPoint> points, double x, double y, double radius);
