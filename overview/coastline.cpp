#include "overview/coastline.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace {

bool ParseRing(const std::string& line, LandRing& ring)
{
    const char* p = line.data();
    const char* end = p + line.size();
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r'))
            ++p;
        if (p == end)
            break;
        float lon = 0, lat = 0;
        auto r1 = std::from_chars(p, end, lon);
        if (r1.ec != std::errc() || r1.ptr == end || *r1.ptr != ',')
            return false;
        auto r2 = std::from_chars(r1.ptr + 1, end, lat);
        if (r2.ec != std::errc() || !std::isfinite(lon) || !std::isfinite(lat) || std::abs(lat) > 90.f ||
            std::abs(lon) > 540.f)
            return false;
        p = r2.ptr;
        ring.lonLat.push_back(lon);
        ring.lonLat.push_back(lat);
    }
    if (ring.lonLat.size() < 6)
        return false;
    ring.west = ring.east = ring.lonLat[0];
    ring.south = ring.north = ring.lonLat[1];
    for (std::size_t i = 0; i < ring.lonLat.size(); i += 2) {
        ring.west = std::min(ring.west, ring.lonLat[i]);
        ring.east = std::max(ring.east, ring.lonLat[i]);
        ring.south = std::min(ring.south, ring.lonLat[i + 1]);
        ring.north = std::max(ring.north, ring.lonLat[i + 1]);
    }
    return true;
}

} // namespace

Coastline ReadCoastline(const std::string& path)
{
    Coastline coast;
    std::ifstream in(path);
    if (!in) {
        coast.message = "no coastline file (" + (path.empty() ? std::string("not installed") : path) + ")";
        return coast;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        LandRing ring;
        if (ParseRing(line, ring))
            coast.rings.push_back(std::move(ring));
    }
    coast.ok = !coast.rings.empty();
    if (!coast.ok)
        coast.message = "the coastline file " + path + " holds no land";
    return coast;
}

std::string FindCoastlineFile(const std::string& exeDir)
{
    namespace fs = std::filesystem;
    if (const char* env = std::getenv("BRINEWICK_COASTLINE"))
        return fs::exists(env) ? std::string(env) : std::string();
    std::error_code ec;
    for (const fs::path& candidate : {fs::path(exeDir) / ".." / "share" / "brinewick" / "coastline.txt",
                                      fs::path(BW_RESOURCE_DIR) / "coastline.txt"})
        if (fs::is_regular_file(candidate, ec))
            return candidate.string();
    return {};
}

const Coastline& SharedCoastline(const std::string& exeDir)
{
    static std::once_flag once;
    static Coastline coast;
    std::call_once(once, [&] { coast = ReadCoastline(FindCoastlineFile(exeDir)); });
    return coast;
}
