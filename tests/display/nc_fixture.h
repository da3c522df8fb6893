#pragma once
// Small netCDF files made on the spot for the display tests and benchmarks.
#include <netcdf.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace ncfixture {

inline void Check(int status, const char* what)
{
    if (status != NC_NOERR) {
        std::fprintf(stderr, "fixture: %s: %s\n", what, nc_strerror(status));
        std::abort();
    }
}

// A fresh path in a private temporary folder.
inline std::string TempPath(const std::string& name)
{
    static const std::filesystem::path dir = [] {
        std::string templ = (std::filesystem::temp_directory_path() / "bw-display-XXXXXX").string();
        if (!mkdtemp(templ.data()))
            std::abort();
        return std::filesystem::path(templ);
    }();
    return (dir / name).string();
}

// A single-profile Argo-like file: PRES, TEMP and PSAL (each with an _ADJUSTED twin)
// dimensioned (N_PROF, N_LEVELS). Empty adjusted vectors leave those variables out.
struct Profile {
    std::vector<float> pres, temp, psal;
    std::vector<float> presAdj, tempAdj, psalAdj;
};

inline std::string WriteProfile(const std::string& name, const Profile& p)
{
    const std::string path = TempPath(name);
    int ncid = 0, prof = 0, lev = 0;
    Check(nc_create(path.c_str(), NC_CLOBBER, &ncid), "create");
    Check(nc_def_dim(ncid, "N_PROF", 1, &prof), "dim");
    Check(nc_def_dim(ncid, "N_LEVELS", p.pres.size(), &lev), "dim");
    const int dims[2] = {prof, lev};
    struct Var {
        const char* name;
        const std::vector<float>* data;
        int id;
    };
    std::vector<Var> vars{{"PRES", &p.pres, 0},       {"TEMP", &p.temp, 0},
                          {"PSAL", &p.psal, 0},       {"PRES_ADJUSTED", &p.presAdj, 0},
                          {"TEMP_ADJUSTED", &p.tempAdj, 0}, {"PSAL_ADJUSTED", &p.psalAdj, 0}};
    for (auto& v : vars)
        if (!v.data->empty())
            Check(nc_def_var(ncid, v.name, NC_FLOAT, 2, dims, &v.id), "var");
    Check(nc_enddef(ncid), "enddef");
    for (auto& v : vars)
        if (!v.data->empty())
            Check(nc_put_var_float(ncid, v.id, v.data->data()), "put");
    Check(nc_close(ncid), "close");
    return path;
}

} // namespace ncfixture
