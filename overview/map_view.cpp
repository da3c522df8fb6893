#include "overview/map_view.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kMinPixelsPerDegree = 0.05;
constexpr double kMaxPixelsPerDegree = 1.0e5;

double LonScaleAt(double lat)
{
    return std::max(0.2, std::cos(std::clamp(lat, -89.0, 89.0) * std::numbers::pi / 180.0));
}

} // namespace

MapPoint MapView::ToPixel(double lon, double lat) const
{
    return {width / 2.0 + (lon - centerLon) * pixelsPerDegree * lonScale,
            height / 2.0 - (lat - centerLat) * pixelsPerDegree};
}

MapPoint MapView::ToLonLat(double x, double y) const
{
    return {centerLon + (x - width / 2.0) / (pixelsPerDegree * lonScale),
            centerLat - (y - height / 2.0) / pixelsPerDegree};
}

void MapView::ZoomAbout(double x, double y, double factor)
{
    const MapPoint before = ToLonLat(x, y);
    pixelsPerDegree = std::clamp(pixelsPerDegree * factor, kMinPixelsPerDegree, kMaxPixelsPerDegree);
    const MapPoint after = ToLonLat(x, y);
    centerLon += before.x - after.x;
    centerLat += before.y - after.y;
}

void MapView::Pan(double dx, double dy)
{
    centerLon -= dx / (pixelsPerDegree * lonScale);
    centerLat = std::clamp(centerLat + dy / pixelsPerDegree, -90.0, 90.0);
}

MapView FitTrack(std::span<const TrackPoint> points, int width, int height, double margin)
{
    MapView view;
    view.width = std::max(1, width);
    view.height = std::max(1, height);
    double west = -180, east = 180, south = -80, north = 80;
    if (!points.empty()) {
        west = east = points.front().longitude;
        south = north = points.front().latitude;
        for (const TrackPoint& p : points) {
            west = std::min(west, p.longitude);
            east = std::max(east, p.longitude);
            south = std::min(south, p.latitude);
            north = std::max(north, p.latitude);
        }
    }
    view.centerLon = (west + east) / 2.0;
    view.centerLat = (south + north) / 2.0;
    view.lonScale = LonScaleAt(view.centerLat);
    const double usable = std::max(0.1, 1.0 - 2.0 * margin);
    const double spanLon = std::max(2.0, east - west) * view.lonScale;
    const double spanLat = std::max(2.0, north - south);
    view.pixelsPerDegree = std::clamp(std::min(view.width * usable / spanLon, view.height * usable / spanLat),
                                      kMinPixelsPerDegree, kMaxPixelsPerDegree);
    return view;
}

int PointAtPixel(const MapView& view, std::span<const TrackPoint> points, double x, double y, double radius)
{
    int best = -1;
    double bestDistance = radius * radius;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const MapPoint p = view.ToPixel(points[i].longitude, points[i].latitude);
        const double d = (p.x - x) * (p.x - x) + (p.y - y) * (p.y - y);
        if (d <= bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}
