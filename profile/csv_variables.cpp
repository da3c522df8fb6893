#include "profile/csv_variables.h"

#include <cstring>

#include <netcdf.h>

#include "profile/open_profile_file.h"

const CsvVariable* CsvVariableList::FindByName(const std::string& name) const
{
    for (const CsvVariable& v : variables)
        if (v.name == name)
            return &v;
    return nullptr;
}

CsvVariableList ReadCsvVariables(const std::string& ncPath)
{
    CsvVariableList list;
    int ncid = -1;
    if (!OpenProfileFile(ncPath, &ncid, list.message))
        return list;
    int ndims = 0, nvars = 0, ngatts = 0, unlimdim = -1;
    const int status = nc_inq(ncid, &ndims, &nvars, &ngatts, &unlimdim);
    if (status != NC_NOERR) {
        list.message = ncPath + ": " + nc_strerror(status);
        nc_close(ncid);
        return list;
    }

    int levelsDim = -1;
    for (int d = 0; d < ndims; ++d) {
        char name[NC_MAX_NAME + 1] = {};
        std::size_t len = 0;
        if (nc_inq_dim(ncid, d, name, &len) != NC_NOERR)
            continue;
        if (std::strcmp(name, "N_LEVELS") == 0 && levelsDim < 0) {
            levelsDim = d;
            list.nLevels = len;
        } else if (std::strcmp(name, "N_PROF") == 0 && !list.nProf) {
            list.nProf = len;
        }
    }

    for (int v = 0; v < nvars; ++v) {
        char name[NC_MAX_NAME + 1] = {};
        nc_type type = NC_NAT;
        int vdims = 0;
        if (nc_inq_var(ncid, v, name, &type, &vdims, nullptr, nullptr) != NC_NOERR
            || vdims < 0 || vdims > NC_MAX_VAR_DIMS)
            continue;
        int dimids[NC_MAX_VAR_DIMS];
        if (vdims > 0 && nc_inq_vardimid(ncid, v, dimids) != NC_NOERR)
            continue;
        CsvVariable var;
        var.id = v;
        var.name = name;
        var.type = type;
        var.levelColumn = levelsDim >= 0 && vdims >= 1 && dimids[vdims - 1] == levelsDim;
        list.variables.push_back(std::move(var));
    }
    nc_close(ncid);
    list.ok = true;
    return list;
}
