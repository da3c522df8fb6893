#include "overview/float_track.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <vector>

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
        const bool outside =
            r.latitude && r.longitude && (std::abs(*r.latitude) > 90.0 || std::abs(*r.longitude) > 540.0);
        const bool usable = r.latitude && r.longitude && !outside && qc != '3' && qc != '4' && qc != '9';
        if (usable)
            order.push_back(p);
        else
            ++track.leftOut;
        if (outside)
            ++track.outOfRange;
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
    int measurement = -1;
    if (!shape.prof.present() && nc_inq_dimid(ncid, "N_MEASUREMENT", &measurement) == NC_NOERR)
        return "a trajectory file holds positions, not profiles: it has no section";
    if (!shape.prof.present() || shape.prof.length < 2)
        return "the file holds fewer than two profiles (dimension N_PROF)";
    for (const char* name : {"LATITUDE", "LONGITUDE", "JULD"}) {
        const PerProfileVariable v = FindPerProfileVariable(ncid, shape, name);
        if (!v.PerProfile(shape) || v.dimids.size() != 1 || !v.numeric)
            return std::string("the file has no variable ") + name + "(N_PROF) of numbers";
    }
    return {};
}

namespace {

// A variable shaped exactly (N_MEASUREMENT), or none.
std::optional<int> MeasurementVariable(int ncid, int dimid, const char* name)
{
    int varid = -1, ndims = 0, dim = -1;
    if (nc_inq_varid(ncid, name, &varid) != NC_NOERR || nc_inq_varndims(ncid, varid, &ndims) != NC_NOERR ||
        ndims != 1 || nc_inq_vardimid(ncid, varid, &dim) != NC_NOERR || dim != dimid)
        return std::nullopt;
    return varid;
}

// The values of a numeric (N_MEASUREMENT) variable, none where fill or not finite.
std::optional<std::vector<std::optional<double>>> ReadMeasurementNumbers(int ncid, int dimid, std::size_t n,
                                                                         const char* name)
{
    const auto varid = MeasurementVariable(ncid, dimid, name);
    nc_type type = NC_NAT;
    if (!varid || nc_inq_vartype(ncid, *varid, &type) != NC_NOERR || type == NC_CHAR || type == NC_STRING ||
        type > NC_MAX_ATOMIC_TYPE)
        return std::nullopt;
    std::vector<double> values(n);
    if (n > 0 && nc_get_var_double(ncid, *varid, values.data()) != NC_NOERR)
        return std::nullopt;
    double fill = 0.0;
    const bool hasFill = nc_get_att_double(ncid, *varid, "_FillValue", &fill) == NC_NOERR;
    std::vector<std::optional<double>> out(n);
    for (std::size_t i = 0; i < n; ++i)
        if (std::isfinite(values[i]) && !(hasFill && values[i] == fill) && values[i] != 99999.0 &&
            values[i] != 999999.0)
            out[i] = values[i];
    return out;
}

// The track of a trajectory file, or nullopt when the file is not one.
std::optional<FloatTrack> ReadTrajectoryTrack(int ncid)
{
    int dimid = -1;
    std::size_t n = 0;
    if (nc_inq_dimid(ncid, "N_MEASUREMENT", &dimid) != NC_NOERR || nc_inq_dimlen(ncid, dimid, &n) != NC_NOERR)
        return std::nullopt;
    FloatTrack track;
    if (n > (std::size_t{1} << 26)) {
        track.message = "the trajectory is too long to draw";
        return track;
    }
    const auto lat = ReadMeasurementNumbers(ncid, dimid, n, "LATITUDE");
    const auto lon = ReadMeasurementNumbers(ncid, dimid, n, "LONGITUDE");
    const auto juld = ReadMeasurementNumbers(ncid, dimid, n, "JULD");
    const auto cycle = ReadMeasurementNumbers(ncid, dimid, n, "CYCLE_NUMBER");
    if (!lat || !lon || !juld) {
        track.message = "the trajectory file has no variables LATITUDE, LONGITUDE and JULD (N_MEASUREMENT) of numbers";
        return track;
    }
    std::string qc(n, ' ');
    if (const auto qcId = MeasurementVariable(ncid, dimid, "POSITION_QC")) {
        nc_type type = NC_NAT;
        if (nc_inq_vartype(ncid, *qcId, &type) != NC_NOERR || type != NC_CHAR ||
            (n > 0 && nc_get_var_text(ncid, *qcId, qc.data()) != NC_NOERR))
            qc.assign(n, ' ');
    }
    // Only the measurements with a position (surface fixes) belong to the track.
    std::vector<RawPosition> raw;
    std::vector<std::size_t> index;
    for (std::size_t i = 0; i < n; ++i) {
        if (!(*lat)[i] || !(*lon)[i])
            continue;
        raw.push_back({(*lat)[i], (*lon)[i], (*juld)[i], qc[i] == '\0' ? ' ' : qc[i]});
        index.push_back(i);
    }
    track = BuildTrack(raw);
    track.trajectory = true;
    track.reference = ReadReferenceDateTime(ncid);
    // Points are numbered in track order: the rows of the overview's chooser.
    for (std::size_t k = 0; k < track.points.size(); ++k) {
        TrackPoint& p = track.points[k];
        const std::size_t i = index[p.profile];
        p.profile = k;
        if (cycle && (*cycle)[i] && std::abs(*(*cycle)[i]) < 1.0e9)
            p.cycle = static_cast<long long>(*(*cycle)[i]);
    }
    if (track.points.empty()) {
        track.ok = false;
        track.message = "the trajectory has no usable position";
    }
    return track;
}

} // namespace

FloatTrack ReadFloatTrack(const std::string& path)
{
    FloatTrack track;
    int ncid = -1;
    std::string message;
    if (open_netcdf_checked(path, &ncid, &message) != NC_NOERR) {
        track.message = message;
        return track;
    }
    if (std::optional<FloatTrack> trajectory = ReadTrajectoryTrack(ncid)) {
        nc_close(ncid);
        return std::move(*trajectory);
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
            const bool dated = !UnreadableJuldUnits(ncid); // else no order by date is made up
            for (std::size_t p = 0; p < raw.size(); ++p) {
                raw[p] = {(*lat)[p], (*lon)[p], (*juld)[p], qc ? (*qc)[p] : ' '};
                // JULD's fill is 999999.; a date beyond year 9999 is not one either.
                if (raw[p].juld && (std::abs(*raw[p].juld) > 3.0e6 || !dated))
                    raw[p].juld.reset();
            }
            track = BuildTrack(raw);
        }
    }
    nc_close(ncid);
    return track;
}
