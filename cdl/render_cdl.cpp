#include "cdl/render_cdl.h"

#include <new>
#include <stdexcept>

#include <netcdf.h>

#include "cdl/attributes.h"
#include "cdl/cdl_output.h"
#include "cdl/checked_open.h"
#include "cdl/vardata.h"

namespace {

// The title name: the text after the last '/', cut at its last '.'. Backslashes are
// not separators, so a Windows path keeps its drive and folders.
std::string cdl_name_of_path(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}

void fill_name_lists(int ncid, CdlOutcome& outcome)
{
    int ndims = 0, nvars = 0, ngatts = 0, unlimid = -1;
    if (nc_inq(ncid, &ndims, &nvars, &ngatts, &unlimid) != NC_NOERR)
        return;
    for (int i = 0; i < ndims; ++i) {
        char name[NC_MAX_NAME + 1] = {0};
        if (nc_inq_dimname(ncid, i, name) == NC_NOERR)
            outcome.dimension_names.emplace_back(name);
    }
    for (int i = 0; i < nvars; ++i) {
        char name[NC_MAX_NAME + 1] = {0};
        if (nc_inq_varname(ncid, i, name) == NC_NOERR)
            outcome.variable_names.emplace_back(name);
    }
}

// The text of attribute long_name of `varid`, if it has one of type char (at most a
// screenful: the panel shows one line of it).
std::string long_name_of(int ncid, int varid)
{
    nc_type type = NC_NAT;
    size_t len = 0;
    if (nc_inq_att(ncid, varid, "long_name", &type, &len) != NC_NOERR || type != NC_CHAR || len == 0
        || len > 4096)
        return {};
    std::string text(len, '\0');
    if (nc_get_att_text(ncid, varid, "long_name", text.data()) != NC_NOERR)
        return {};
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

void render(CdlWriter& w, const std::string& path, CdlOutcome& outcome)
{
    // A classic file's header is checked before the library reads it: some malformed
    // headers crash or hang the library. The same reading tells a truncated file,
    // whose header is still shown.
    CheckedOpen opened = open_netcdf_checked(path, true);
    if (opened.status != NC_NOERR) {
        cdl_error(w, "%s: %s", path.c_str(), opened.message.c_str());
        return;
    }
    const int ncid = opened.ncid;
    fill_name_lists(ncid, outcome);

    cdl_printf(w, "netcdf %s {\n", cdl_name_of_path(path).c_str());

    int ndims = 0, nvars = 0, ngatts = 0, unlimid = -1;
    int status = nc_inq(ncid, &ndims, &nvars, &ngatts, &unlimid);
    if (status != NC_NOERR) {
        cdl_error_nc(w, status);
        ndims = nvars = ngatts = 0;
    }

    std::vector<dim_desc> dims(static_cast<std::size_t>(ndims));
    if (ndims > 0)
        w.put("dimensions:\n");
    for (int i = 0; i < ndims; ++i) {
        char name[NC_MAX_NAME + 1] = {0};
        size_t size = 0;
        status = nc_inq_dim(ncid, i, name, &size);
        if (status != NC_NOERR)
            cdl_error_nc(w, status);
        dims[static_cast<std::size_t>(i)] = {name, size};
        outcome.dimensions.push_back({name, size, i == unlimid});
        if (i == unlimid)
            cdl_printf(w, "\t%s = %s ; // (%zu currently)\n", name, "UNLIMITED", size);
        else
            cdl_printf(w, "\t%s = %zu ;\n", name, size);
    }

    if (nvars > 0)
        w.put("variables:\n");
    std::vector<int> dimids(NC_MAX_VAR_DIMS);
    for (int varid = 0; varid < nvars; ++varid) {
        char name[NC_MAX_NAME + 1] = {0};
        nc_type type = NC_NAT;
        int nd = 0, natts = 0;
        status = nc_inq_var(ncid, varid, name, &type, &nd, dimids.data(), &natts);
        if (status != NC_NOERR) {
            cdl_error_nc(w, status);
            nd = natts = 0;
        }
        CdlVariable declared{name, type_name(w, type), {}, long_name_of(ncid, varid)};
        cdl_printf(w, "\t%s %s", declared.type.c_str(), name);
        if (nd > 0) {
            std::string list = "(";
            for (int k = 0; k < nd; ++k) {
                int d = dimids[static_cast<std::size_t>(k)];
                declared.shape.push_back((d >= 0 && d < ndims) ? dims[static_cast<std::size_t>(d)].name
                                                               : std::string("?"));
                list += declared.shape.back();
                list += (k + 1 < nd) ? ", " : ")";
            }
            w.put(list);
        }
        w.put(" ;\n");
        outcome.variables.push_back(std::move(declared));
        for (int a = 0; a < natts; ++a)
            print_att(w, ncid, varid, name, a);
    }

    if (ngatts > 0) {
        w.put("\n// global attributes:\n");
        for (int a = 0; a < ngatts; ++a) {
            char attname[NC_MAX_NAME + 1] = {0};
            if (nc_inq_attname(ncid, NC_GLOBAL, a, attname) == NC_NOERR)
                outcome.global_attribute_names.emplace_back(attname);
            print_att(w, ncid, NC_GLOBAL, "", a);
        }
    }

    if (opened.truncated) {
        // The library would return zeros for the missing bytes: list no values at all.
        cdl_error(w, "%s: %s", path.c_str(), opened.truncation_message().c_str());
    } else {
        write_data_section(w, ncid, nvars, unlimid, dims);
    }

    w.put("}\n");
    status = nc_close(ncid);
    if (status != NC_NOERR)
        cdl_error_nc(w, status);
}

} // namespace

CdlOutcome render_cdl(const std::string& path, CdlSink& sink, JobControl* control)
{
    CdlOutcome outcome;
    CdlWriter w(sink, control);
    w.line_limit = 80 - 2;
    try {
        render(w, path, outcome);
        w.flush();
    } catch (const std::bad_alloc&) {
        cdl_error(w, "Out of memory!");
    } catch (const std::length_error&) {
        cdl_error(w, "Out of memory!");
    }
    outcome.cancelled = w.cancelled();
    outcome.log = std::move(w.error_log);
    return outcome;
}

std::string render_cdl_text(const std::string& path, CdlOutcome* outcome)
{
    StringSink sink;
    CdlOutcome result;
    try {
        result = render_cdl(path, sink);
    } catch (const std::bad_alloc&) {
        result.log += "Out of memory!\n";
    }
    if (result.log.find("Out of memory!\n") != std::string::npos)
        std::string().swap(sink.text);
    if (outcome)
        *outcome = std::move(result);
    return std::move(sink.text);
}
