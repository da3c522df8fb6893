#pragma once
// The land under the map: closed rings of longitude/latitude read from the coastline
// file (resources/coastline.txt, Natural Earth land made by scripts/make_coastline.py).
#include <string>
#include <vector>

struct LandRing {
    std::vector<float> lonLat; // lon0, lat0, lon1, lat1, ...
    float west = 0, east = 0, south = 0, north = 0;
};

struct Coastline {
    bool ok = false;
    std::string message; // why there is no land, when !ok
    std::vector<LandRing> rings;
};

// Reads a coastline file: '#' comment lines, then one ring per line of "lon,lat" pairs
// separated by blanks. A malformed line is skipped; a file with no ring is not ok.
Coastline ReadCoastline(const std::string& path);

// Where the coastline file is: $BRINEWICK_COASTLINE when set, else
// <exeDir>/../share/brinewick/coastline.txt, else the source tree's resources/ folder.
// Empty when none of them exists.
std::string FindCoastlineFile(const std::string& exeDir);

// The coastline found by FindCoastlineFile, read once per process and kept.
const Coastline& SharedCoastline(const std::string& exeDir);
