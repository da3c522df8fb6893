#include "cdl/render_cdl.h"

#include <new>
#include <stdexcept>

#include <netcdf.h>

#include "cdl/attributes.h"
#include "cdl/cdl_output.h"
#include "cdl/classic_header.h"
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

void fill_name_lists(int ncid, std::vector<std::string>* dimension_names, std::vector<std::string>* variable_names)
{
    int ndims = 0, nvars = 0, ngatts = 0, unlimid = -1;
    bool counted = nc_inq(ncid, &ndims, &nvars, &ngatts, &unlimid) == NC_NOERR;
    if (dimension_names) {
        dimension_names->clear();
        for (int i = 0; counted && i < ndims; ++i) {
            char name[NC_MAX_NAME + 1] = {0};
            if (nc_inq_dimname(ncid, i, name) == NC_NOERR)
                dimension_names->emplace_back(name);
        }
    }
    if (variable_names) {
        variable_names->clear();
        for (int i = 0; counted && i < nvars; ++i) {
            char name[NC_MAX_NAME + 1] = {0};
            if (nc_inq_varname(ncid, i, name) == NC_NOERR)
                variable_names->emplace_back(name);
        }
    }
}

void render(const std::string& path, std::vector<std::string>* dimension_names,
            std::vector<std::string>* variable_names)
{
    CdlState& st = cdl_state();

    // A classic file's header is checked before the library reads it: some malformed
    // headers crash or hang the library. The same reading tells a truncated file.
    ClassicHeaderCheck check = check_classic_header(path);
    if (!check.header_ok) {
        cdl_error("%s: not a valid netCDF file: %s", path.c_str(), check.problem.c_str());
        return;
    }
    int ncid = -1;
    int status = nc_open(path.c_str(), NC_NOWRITE, &ncid);
    if (status != NC_NOERR) {
        cdl_error("%s: %s", path.c_str(), nc_strerror(status));
        return;
    }
    fill_name_lists(ncid, dimension_names, variable_names);

    cdl_printf("netcdf %s {\n", cdl_name_of_path(path).c_str());

    int ndims = 0, nvars = 0, ngatts = 0, unlimid = -1;
    status = nc_inq(ncid, &ndims, &nvars, &ngatts, &unlimid);
    if (status != NC_NOERR) {
        cdl_error_nc(status);
        ndims = nvars = ngatts = 0;
    }
    st.pieces.resize(static_cast<std::size_t>(ndims) + static_cast<std::size_t>(nvars) + 2);
    st.first_var_piece = 1 + static_cast<std::size_t>(ndims);
    const std::size_t tail = st.pieces.size() - 1;

    std::vector<dim_desc> dims(static_cast<std::size_t>(ndims));
    if (ndims > 0)
        cdl_put("dimensions:\n");
    for (int i = 0; i < ndims; ++i) {
        st.current = 1 + static_cast<std::size_t>(i);
        char name[NC_MAX_NAME + 1] = {0};
        size_t size = 0;
        status = nc_inq_dim(ncid, i, name, &size);
        if (status != NC_NOERR)
            cdl_error_nc(status);
        dims[static_cast<std::size_t>(i)] = {name, size};
        if (i == unlimid)
            cdl_printf("\t%s = %s ; // (%zu currently)\n", name, "UNLIMITED", size);
        else
            cdl_printf("\t%s = %zu ;\n", name, size);
    }

    if (nvars > 0)
        cdl_put("variables:\n");
    std::vector<int> dimids(NC_MAX_VAR_DIMS);
    for (int varid = 0; varid < nvars; ++varid) {
        char name[NC_MAX_NAME + 1] = {0};
        nc_type type = NC_NAT;
        int nd = 0, natts = 0;
        status = nc_inq_var(ncid, varid, name, &type, &nd, dimids.data(), &natts);
        if (status != NC_NOERR) {
            cdl_error_nc(status);
            nd = natts = 0;
        }
        cdl_printf("\t%s %s", type_name(type), name);
        if (nd > 0) {
            std::string list = "(";
            for (int k = 0; k < nd; ++k) {
                int d = dimids[static_cast<std::size_t>(k)];
                list += (d >= 0 && d < ndims) ? dims[static_cast<std::size_t>(d)].name : std::string("?");
                list += (k + 1 < nd) ? ", " : ")";
            }
            cdl_put(list);
        }
        cdl_put(" ;\n");
        for (int a = 0; a < natts; ++a)
            print_att(ncid, varid, name, a);
    }

    if (ngatts > 0) {
        cdl_put("\n// global attributes:\n");
        for (int a = 0; a < ngatts; ++a)
            print_att(ncid, NC_GLOBAL, "", a);
    }

    if (check.truncated()) {
        // The library would return zeros for the missing bytes: list no values at all.
        cdl_error("%s: the file is truncated: it holds %llu bytes, its header describes %llu",
                  path.c_str(), static_cast<unsigned long long>(check.file_size),
                  static_cast<unsigned long long>(check.implied_size));
    } else {
        write_data_section(ncid, nvars, unlimid, dims);
    }

    st.current = tail;
    cdl_put("}\n");
    status = nc_close(ncid);
    if (status != NC_NOERR)
        cdl_error_nc(status);
}

// Joins the pieces into one text, releasing each piece as it is copied so that the
// text is not held twice.
std::string join_pieces()
{
    CdlState& st = cdl_state();
    std::size_t total = 0;
    for (const std::string& p : st.pieces)
        total += p.size();
    std::string text = std::move(st.pieces.front());
    text.reserve(total);
    for (std::size_t i = 1; i < st.pieces.size(); ++i) {
        text += st.pieces[i];
        std::string().swap(st.pieces[i]);
    }
    st.pieces.clear();
    return text;
}

} // namespace

std::string render_cdl(const std::string& path, std::vector<std::string>* dimension_names,
                       std::vector<std::string>* variable_names)
{
    CdlState& st = cdl_state();
    set_number_formats(7, 15);
    st.line_limit = 80 - 2;
    st.line_pos = 0;
    st.error_log.clear();
    st.pieces.assign(1, std::string());
    st.current = 0;
    st.first_var_piece = 1;
    try {
        render(path, dimension_names, variable_names);
        return join_pieces();
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    st.pieces.clear();
    st.pieces.shrink_to_fit();
    cdl_error("Out of memory!");
    return {};
}

std::string cdl_error_log()
{
    return cdl_state().error_log;
}
