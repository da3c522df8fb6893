#pragma once
// Where a float went: the usable positions of a profile file's profiles, in time order,
// with longitudes unwrapped so that a track across the 180° meridian is one line.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// One profile's position as read: none where fill or not finite.
struct RawPosition {
    std::optional<double> latitude;
    std::optional<double> longitude;
    std::optional<double> juld; // days since the file's reference date
    char positionQc = ' ';      // POSITION_QC, ' ' when absent
};

struct TrackPoint {
    std::size_t profile = 0; // 0-based, as stored (a trajectory's: the point's place in the track)
    double longitude = 0.0;  // unwrapped: within 180° of the previous point's
    double latitude = 0.0;
    std::optional<double> juld;
    std::optional<long long> cycle; // CYCLE_NUMBER of a trajectory's position
};

struct FloatTrack {
    bool ok = false;
    std::string message; // why the file offers no track, when !ok
    std::size_t profiles = 0;
    std::vector<TrackPoint> points; // the usable positions, earliest first
    std::size_t leftOut = 0;        // positions that are fill, out of range or flagged 3, 4 or 9
    std::size_t outOfRange = 0;     // of those: latitude beyond ±90° or longitude beyond ±540°
    // A trajectory file (positions along N_MEASUREMENT): `profiles` counts its
    // measurements with a position, and leftOut only those out of range or flagged.
    bool trajectory = false;
    std::int64_t reference = 0; // a trajectory's REFERENCE_DATE_TIME, seconds since 1970
};

// The track of these positions (one per profile, in file order). Profiles with a date
// come first in date order (the file's order among equal dates); those without follow
// in file order. Each longitude is moved by whole turns to lie within 180° of the one
// before.
FloatTrack BuildTrack(std::span<const RawPosition> positions);

// `longitude` moved by whole turns to within 180° of `previous`.
double UnwrapLongitude(double previous, double longitude);

// Whether the file has what the overview needs: N_PROF > 1 and per-profile LATITUDE,
// LONGITUDE and JULD. Empty when it has; else the reason.
std::string OverviewMissing(int ncid);

// Reads LATITUDE, LONGITUDE, JULD and POSITION_QC of the file at `path` and builds its
// track; not ok (with the reason) when the file lacks them or cannot be read. A
// trajectory file (*_Rtraj.nc, *_Dtraj.nc: those variables and CYCLE_NUMBER along
// N_MEASUREMENT) gives the track of its measurements that have a position.
FloatTrack ReadFloatTrack(const std::string& path);
