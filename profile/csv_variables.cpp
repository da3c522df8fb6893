#include "profile/csv_variables.h"

#include <span>

#include <netcdf.h>

#include "cdl/checked_open.h"

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
    std::string reason;
    if (open_netcdf_checked(ncPath, &ncid, &reason) != NC_NOERR) {
        list.message = ncPath + ": " + reason;
        return list;
    }
    list.shape = ReadProfileShape(ncid);
    int nvars = 0;
    const int status = list.shape.ok() ? nc_inq_nvars(ncid, &nvars) : list.shape.status;
    if (status != NC_NOERR) {
        list.message = ncPath + ": " + nc_strerror(status);
        nc_close(ncid);
        return list;
    }

    for (int v = 0; v < nvars; ++v) {
        char name[NC_MAX_NAME + 1] = {};
        nc_type type = NC_NAT;
        int vdims = 0;
        if (nc_inq_var(ncid, v, name, &type, &vdims, nullptr, nullptr) != NC_NOERR || vdims < 0 ||
            vdims > NC_MAX_VAR_DIMS)
            continue;
        int dimids[NC_MAX_VAR_DIMS];
        if (vdims > 0 && nc_inq_vardimid(ncid, v, dimids) != NC_NOERR)
            continue;
        CsvVariable var;
        var.id = v;
        var.name = name;
        var.type = type;
        var.levelColumn = list.shape.IsLevelVariable({dimids, static_cast<std::size_t>(vdims)});
        list.variables.push_back(std::move(var));
    }
    nc_close(ncid);
    list.ok = true;
    return list;
}
