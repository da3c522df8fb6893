#include "overview/float_track.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include <netcdf.h>

#include "cdl/checked_open.h"
#include "profile/per_profile_values.h"
#include "profile/profile_shape.h"

double UnwrapLongitude(double previous, double longitude)
{
    const double turns = std::round((longitude - previous) / 360.0);
    return longitude - 360.0 * turns;
}

FloatTrack BuildTrack(std::span<const RawPosition> positions)
{
    FloatTrack track;
    track.ok = true;
    track.profiles = positions.size();
    std::vector<std::size_t> order;
    for (std::size_t p = 0; p < positions.size(); ++p) {
        const RawPosition& r = positions[p];
        const char qc = r.positionQc;
        const bool usable = r.latitude && r.longitude && std::abs(*r.latitude) <= 90.0 &&
                            std::abs(*r.longitude) <= 540.0 && qc != '3' && qc != '4' && qc != '9';
        if (usable)
            order.push_back(p);
        else
            ++track.leftOut;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const auto& ja = positions[a].juld;
        const auto& jb = positions[b].juld;
        if (ja && jb)
            return *ja < *jb;
        return ja.has_value() && !jb.has_value();
    });
    track.points.reserve(order.size());
    for (std::size_t p : order) {
        TrackPoint t;
        t.profile = p;
        t.latitude = *positions[p].latitude;
        t.longitude = *positions[p].longitude;
        // The first point lies in -180..180; each later one within 180° of its predecessor.
        t.longitude = track.points.empty() ? UnwrapLongitude(0.0, t.longitude)
                                           : UnwrapLongitude(track.points.back().longitude, t.longitude);
        t.juld = positions[p].juld;
        track.points.push_back(t);
    }
    return track;
}

std::string OverviewMissing(int ncid)
{
    const ProfileShape shape = ReadProfileShape(ncid);
    if (!shape.ok())
        return nc_strerror(shape.status);
    if (!shape.prof.present() || shape.prof.length < 2)
        return "the file holds fewer than two profiles (dimension N_PROF)";
    for (const char* name : {"LATITUDE", "LONGITUDE", "JULD"}) {
        const PerProfileVariable v = FindPerProfileVariable(ncid, shape, name);
        if (!v.PerProfile(shape) || v.dimids.size() != 1 || !v.numeric)
            return std::string("the file has no variable ") + name + "(N_PROF) of numbers";
    }
    return {};
}

FloatTrack ReadFloatTrack(const std::string& path)
{
    FloatTrack track;
    int ncid = -1;
    std::string message;
    if (open_netcdf_checked(path, &ncid, &message) != NC_NOERR) {
        track.message = message;
        return track;
    }
    track.message = OverviewMissing(ncid);
    if (track.message.empty()) {
        const ProfileShape shape = ReadProfileShape(ncid);
        const auto lat = ReadPerProfileNumbers(ncid, shape, "LATITUDE");
        const auto lon = ReadPerProfileNumbers(ncid, shape, "LONGITUDE");
        const auto juld = ReadPerProfileNumbers(ncid, shape, "JULD");
        const auto qc = ReadPerProfileFlags(ncid, shape, "POSITION_QC");
        if (!lat || !lon || !juld) {
            track.message = "LATITUDE, LONGITUDE or JULD could not be read";
        } else {
            std::vector<RawPosition> raw(shape.prof.length);
            for (std::size_t p = 0; p < raw.size(); ++p) {
                raw[p] = {(*lat)[p], (*lon)[p], (*juld)[p], qc ? (*qc)[p] : ' '};
                // JULD's fill is 999999.; a date beyond year 9999 is not one either.
                if (raw[p].juld && std::abs(*raw[p].juld) > 3.0e6)
                    raw[p].juld.reset();
            }
            track = BuildTrack(raw);
        }
    }
    nc_close(ncid);
    return track;
}
