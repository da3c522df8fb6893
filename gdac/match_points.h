#pragma once
// The positions of matched index lines, for the map of a search: where each profile
// is and when it was taken; and the region a rectangle dragged on the map stands for.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gdac/GdacIndex.h"

struct MatchPoint {
    double longitude = 0; // as the index gives it, -180..180
    double latitude = 0;
    double day = 0;         // days since 1970-01-01 (UTC), from the date field
    bool dated = false;     // false when the line has no readable date
    std::uint32_t line = 0; // the line's place among the matches (index order)
};

// One point per line of `text` (lines each ended by '\n', as a search gathers them)
// whose latitude and longitude are readable and in range; lines without are left out.
std::vector<MatchPoint> MatchPointsOf(std::string_view columnLine, std::string_view text);

// YYYYMMDDHHMISS as days since 1970-01-01; false when it is no such date.
bool DayOfIndexDate(std::string_view field, double& day);
// A day number as "YYYY-MM-DD".
std::string DayText(double day);

// The region between two corners (longitude, latitude) of a rectangle on the map:
// latitudes clamped to -90..90, longitudes brought to -180..180 (west greater than
// east when the rectangle crosses 180°; the whole circle when it spans 360° or more).
struct MapRegion {
    double south = -90, north = 90, west = -180, east = 180;
};
MapRegion RegionBetween(double lon0, double lat0, double lon1, double lat1);

// A short description of a search for a map title: "core index, WMO 6901929, latitude
// -50 to -40, longitude 170 to -170, from 2020-01-31".
std::string QueryText(GdacIndexKind kind, const IndexQuery& query);
