#pragma once
// A generated Argo-like file of many profiles for the chooser benchmark and tests:
// CYCLE_NUMBER, DIRECTION, DATA_MODE, JULD with REFERENCE_DATE_TIME, LATITUDE,
// LONGITUDE, VERTICAL_SAMPLING_SCHEME, and PRES, TEMP, PSAL with _ADJUSTED twins
// shaped (N_PROF, N_LEVELS); deeper levels of later profiles are fill, as in a
// float's _prof.nc file. Deterministic.
#include <netcdf.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace benchfile {

inline void Check(int status, const char* what)
{
    if (status != NC_NOERR) {
        std::fprintf(stderr, "bench file: %s: %s\n", what, nc_strerror(status));
        std::exit(1);
    }
}

inline void WriteArgoMultiFile(const std::string& path, std::size_t profiles, std::size_t levels)
{
    int ncid = 0, dProf = 0, dLev = 0, dDate = 0, dStr = 0;
    Check(nc_create(path.c_str(), NC_CLOBBER | NC_64BIT_OFFSET, &ncid), "create");
    Check(nc_def_dim(ncid, "DATE_TIME", 14, &dDate), "dim");
    Check(nc_def_dim(ncid, "STRING256", 256, &dStr), "dim");
    Check(nc_def_dim(ncid, "N_PROF", profiles, &dProf), "dim");
    Check(nc_def_dim(ncid, "N_LEVELS", levels, &dLev), "dim");
    int ref = 0, cycle = 0, dir = 0, mode = 0, juld = 0, lat = 0, lon = 0, vss = 0;
    Check(nc_def_var(ncid, "REFERENCE_DATE_TIME", NC_CHAR, 1, &dDate, &ref), "var");
    Check(nc_def_var(ncid, "CYCLE_NUMBER", NC_INT, 1, &dProf, &cycle), "var");
    Check(nc_def_var(ncid, "DIRECTION", NC_CHAR, 1, &dProf, &dir), "var");
    Check(nc_def_var(ncid, "DATA_MODE", NC_CHAR, 1, &dProf, &mode), "var");
    Check(nc_def_var(ncid, "JULD", NC_DOUBLE, 1, &dProf, &juld), "var");
    Check(nc_def_var(ncid, "LATITUDE", NC_DOUBLE, 1, &dProf, &lat), "var");
    Check(nc_def_var(ncid, "LONGITUDE", NC_DOUBLE, 1, &dProf, &lon), "var");
    const int dimsVss[2] = {dProf, dStr};
    Check(nc_def_var(ncid, "VERTICAL_SAMPLING_SCHEME", NC_CHAR, 2, dimsVss, &vss), "var");
    const double juldFill = 999999.0, posFill = 99999.0;
    const int cycleFill = 99999;
    Check(nc_put_att_double(ncid, juld, "_FillValue", NC_DOUBLE, 1, &juldFill), "att");
    Check(nc_put_att_double(ncid, lat, "_FillValue", NC_DOUBLE, 1, &posFill), "att");
    Check(nc_put_att_double(ncid, lon, "_FillValue", NC_DOUBLE, 1, &posFill), "att");
    Check(nc_put_att_int(ncid, cycle, "_FillValue", NC_INT, 1, &cycleFill), "att");
    const char* names[6] = {"PRES", "TEMP", "PSAL", "PRES_ADJUSTED", "TEMP_ADJUSTED", "PSAL_ADJUSTED"};
    const char* formats[6] = {"%7.1f", "%9.3f", "%9.3f", "%7.1f", "%9.3f", "%9.3f"};
    const int dims[2] = {dProf, dLev};
    int var[6];
    const float fill = 99999.f;
    for (int i = 0; i < 6; ++i) {
        Check(nc_def_var(ncid, names[i], NC_FLOAT, 2, dims, &var[i]), names[i]);
        Check(nc_put_att_float(ncid, var[i], "_FillValue", NC_FLOAT, 1, &fill), "att");
        Check(nc_put_att_text(ncid, var[i], "C_format", std::string(formats[i]).size(), formats[i]), "att");
    }
    Check(nc_enddef(ncid), "enddef");

    Check(nc_put_var_text(ncid, ref, "19500101000000"), "put");
    std::vector<int> cycles(profiles);
    std::string dirs(profiles, 'A'), modes(profiles, 'D'), schemes(profiles * 256, ' ');
    std::vector<double> days(profiles), lats(profiles), lons(profiles);
    for (std::size_t p = 0; p < profiles; ++p) {
        cycles[p] = static_cast<int>(p / 2 + 1);
        dirs[p] = p % 7 == 3 ? 'D' : 'A';
        modes[p] = p % 5 == 0 ? 'R' : 'D';
        days[p] = p % 97 == 50 ? juldFill : 24000.0 + 5.0 * static_cast<double>(p) + 0.6097;
        lats[p] = 12.0 + 0.01 * static_cast<double>(p % 500);
        lons[p] = 114.5 + 0.02 * static_cast<double>(p % 300);
        const std::string s =
            p % 2 ? "Near-surface sampling: averaged, unpumped" : "Primary sampling: averaged [10 dbar]";
        schemes.replace(p * 256, s.size(), s);
    }
    Check(nc_put_var_int(ncid, cycle, cycles.data()), "put");
    Check(nc_put_var_text(ncid, dir, dirs.data()), "put");
    Check(nc_put_var_text(ncid, mode, modes.data()), "put");
    Check(nc_put_var_double(ncid, juld, days.data()), "put");
    Check(nc_put_var_double(ncid, lat, lats.data()), "put");
    Check(nc_put_var_double(ncid, lon, lons.data()), "put");
    Check(nc_put_var_text(ncid, vss, schemes.data()), "put");

    std::vector<float> values(levels);
    for (std::size_t p = 0; p < profiles; ++p) {
        const std::size_t used = levels - (p % 10) * levels / 20; // later levels fill
        for (int i = 0; i < 6; ++i) {
            for (std::size_t k = 0; k < levels; ++k) {
                const float pres = 2.0f + 1950.0f * static_cast<float>(k) / static_cast<float>(levels);
                const float shift = 0.002f * static_cast<float>(p % 50);
                float v = 0;
                switch (i % 3) {
                case 0: v = pres + (i >= 3 ? 0.5f : 0.0f); break;
                case 1: v = 2.0f + 20.0f * std::exp(-pres / 400.0f) + shift * 10; break;
                default: v = 34.2f + 0.6f * std::exp(-pres / 600.0f) + shift; break;
                }
                values[k] = k < used ? v : fill;
            }
            const std::size_t start[2] = {p, 0}, count[2] = {1, levels};
            Check(nc_put_vara_float(ncid, var[i], start, count, values.data()), "put");
        }
    }
    Check(nc_close(ncid), "close");
}

} // namespace benchfile
