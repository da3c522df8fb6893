// Writes an Argo-like multi-profile netCDF file for benchmarks:
//   bench_make_file OUT.nc [N_PROF N_LEVELS]      (default 2000 x 1000)
// PRES, TEMP, PSAL and their _ADJUSTED twins as floats with C_format "%7.1f" /
// "%9.3f" and 99999 fills at the deepest levels, three QC char variables, and a
// double JULD. The values are deterministic, so every run writes the same file.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <netcdf.h>

namespace {

void check(int status, const char* what)
{
    if (status != NC_NOERR) {
        std::fprintf(stderr, "bench_make_file: %s: %s\n", what, nc_strerror(status));
        std::exit(1);
    }
}

int define_float(int ncid, const char* name, const int* dims, const char* c_format, const char* units)
{
    int varid = -1;
    check(nc_def_var(ncid, name, NC_FLOAT, 2, dims, &varid), name);
    float fill = 99999.f;
    check(nc_put_att_float(ncid, varid, "_FillValue", NC_FLOAT, 1, &fill), name);
    check(nc_put_att_text(ncid, varid, "units", std::string(units).size(), units), name);
    check(nc_put_att_text(ncid, varid, "C_format", std::string(c_format).size(), c_format), name);
    return varid;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: bench_make_file OUT.nc [N_PROF N_LEVELS]\n");
        return 2;
    }
    std::size_t nprof = argc == 4 ? std::strtoul(argv[2], nullptr, 10) : 2000;
    std::size_t nlev = argc == 4 ? std::strtoul(argv[3], nullptr, 10) : 1000;
    if (nprof == 0 || nlev == 0)
        return 2;

    int ncid = -1;
    check(nc_create(argv[1], NC_CLOBBER | NC_64BIT_OFFSET, &ncid), argv[1]);
    int dprof = -1, dlev = -1;
    check(nc_def_dim(ncid, "N_PROF", nprof, &dprof), "N_PROF");
    check(nc_def_dim(ncid, "N_LEVELS", nlev, &dlev), "N_LEVELS");
    const int dims[2] = {dprof, dlev};

    int juld = -1;
    check(nc_def_var(ncid, "JULD", NC_DOUBLE, 1, &dprof, &juld), "JULD");
    double juld_fill = 999999.;
    check(nc_put_att_double(ncid, juld, "_FillValue", NC_DOUBLE, 1, &juld_fill), "JULD");
    const char* names[6] = {"PRES", "PRES_ADJUSTED", "TEMP", "TEMP_ADJUSTED", "PSAL", "PSAL_ADJUSTED"};
    const char* formats[6] = {"%7.1f", "%7.1f", "%9.3f", "%9.3f", "%9.3f", "%9.3f"};
    const char* units[6] = {"decibar", "decibar", "degree_Celsius", "degree_Celsius", "psu", "psu"};
    int vars[6];
    for (int i = 0; i < 6; ++i)
        vars[i] = define_float(ncid, names[i], dims, formats[i], units[i]);
    const char* qc_names[3] = {"PRES_QC", "TEMP_QC", "PSAL_QC"};
    int qc[3];
    for (int i = 0; i < 3; ++i) {
        check(nc_def_var(ncid, qc_names[i], NC_CHAR, 2, dims, &qc[i]), qc_names[i]);
        check(nc_put_att_text(ncid, qc[i], "_FillValue", 1, " "), qc_names[i]);
    }
    check(nc_enddef(ncid), "enddef");

    std::vector<double> days(nprof);
    for (std::size_t p = 0; p < nprof; ++p)
        days[p] = 25000.0 + 10.0 * static_cast<double>(p) + 0.123456789;
    check(nc_put_var_double(ncid, juld, days.data()), "JULD");

    std::vector<float> row(nlev);
    std::vector<char> qc_row(nlev);
    for (std::size_t p = 0; p < nprof; ++p) {
        std::size_t valid = nlev - (p * 37) % (nlev / 4 + 1); // the deepest levels are fill
        std::size_t start[2] = {p, 0};
        std::size_t count[2] = {1, nlev};
        for (int v = 0; v < 6; ++v) {
            for (std::size_t k = 0; k < nlev; ++k) {
                double z = static_cast<double>(k);
                double value = v < 2   ? 2.0 + 2.0 * z + 0.1 * static_cast<double>(p % 10)
                               : v < 4 ? 25.0 - 0.02 * z + 0.001 * static_cast<double>(p % 100)
                                       : 34.5 + 0.0007 * z + 0.0001 * static_cast<double>(p % 50);
                row[k] = k < valid ? static_cast<float>(value) : 99999.f;
            }
            check(nc_put_vara_float(ncid, vars[v], start, count, row.data()), names[v]);
        }
        for (int q = 0; q < 3; ++q) {
            for (std::size_t k = 0; k < nlev; ++k)
                qc_row[k] = k < valid ? ((k + p) % 17 == 0 ? '3' : '1') : ' ';
            check(nc_put_vara_text(ncid, qc[q], start, count, qc_row.data()), qc_names[q]);
        }
    }
    check(nc_close(ncid), "close");
    return 0;
}
