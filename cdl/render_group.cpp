#include "cdl/render_group.h"

#include <algorithm>

#include <netcdf.h>

#include "cdl/attributes.h"
#include "cdl/cdl_names.h"
#include "cdl/scoped_names.h"
#include "cdl/typed_values.h"
#include "cdl/vardata.h"

namespace {

// The text of attribute long_name of `varid`, if it has one of type char (at most a
// screenful: the panel shows one line of it).
std::string long_name_of(int ncid, int varid)
{
    nc_type type = NC_NAT;
    size_t len = 0;
    if (nc_inq_att(ncid, varid, "long_name", &type, &len) != NC_NOERR || type != NC_CHAR || len == 0 || len > 4096)
        return {};
    std::string text(len, '\0');
    if (nc_get_att_text(ncid, varid, "long_name", text.data()) != NC_NOERR)
        return {};
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

// Groups nested deeper than this are named but not opened.
constexpr int kMaxDepth = 64;

// Ids of the group's dimensions (with its parents' when asked), variables, unlimited
// dimensions or subgroups; a failure is logged and gives none.
std::vector<int> dim_ids(CdlWriter& w, int grpid, bool include_parents)
{
    int n = 0;
    int status = nc_inq_dimids(grpid, &n, nullptr, include_parents);
    std::vector<int> ids(static_cast<std::size_t>(std::max(n, 0)));
    if (status == NC_NOERR && n > 0)
        status = nc_inq_dimids(grpid, &n, ids.data(), include_parents);
    if (status != NC_NOERR) {
        cdl_error_nc(w, status);
        ids.clear();
    }
    return ids;
}

std::vector<int> var_ids(CdlWriter& w, int grpid)
{
    int n = 0;
    int status = nc_inq_varids(grpid, &n, nullptr);
    std::vector<int> ids(static_cast<std::size_t>(std::max(n, 0)));
    if (status == NC_NOERR && n > 0)
        status = nc_inq_varids(grpid, &n, ids.data());
    if (status != NC_NOERR) {
        cdl_error_nc(w, status);
        ids.clear();
    }
    return ids;
}

std::vector<int> unlimited_ids(int grpid)
{
    int n = 0;
    if (nc_inq_unlimdims(grpid, &n, nullptr) != NC_NOERR || n <= 0)
        return {};
    std::vector<int> ids(static_cast<std::size_t>(n));
    if (nc_inq_unlimdims(grpid, &n, ids.data()) != NC_NOERR)
        return {};
    return ids;
}

std::vector<int> group_ids(CdlWriter& w, int grpid)
{
    int n = 0;
    int status = nc_inq_grps(grpid, &n, nullptr);
    std::vector<int> ids(static_cast<std::size_t>(std::max(n, 0)));
    if (status == NC_NOERR && n > 0)
        status = nc_inq_grps(grpid, &n, ids.data());
    if (status != NC_NOERR) {
        cdl_error_nc(w, status);
        ids.clear();
    }
    return ids;
}

// A variable's dimension as written from group `grpid` (a path where the plain name
// would mean another one). A dimension the group does not see (one of a sibling group)
// joins `visible`, so that the data section finds its size.
std::string dimension_ref(CdlWriter& w, int grpid, int dimid, DimTable& visible)
{
    std::string name = w.scoped_names ? w.scoped_names->dimension(grpid, dimid) : std::string();
    auto known = visible.find(dimid);
    if (name.empty() && known != visible.end())
        name = known->second.name;
    if (known == visible.end()) {
        char raw[NC_MAX_NAME + 1] = {0};
        size_t size = 0;
        const int status = nc_inq_dim(grpid, dimid, raw, &size);
        if (status != NC_NOERR) {
            cdl_error_nc(w, status);
            return name.empty() ? "dimension " + std::to_string(dimid) : name;
        }
        if (name.empty())
            name = cdl_name(raw);
        visible[dimid] = {name, size};
    }
    return name;
}

} // namespace

void render_group(CdlWriter& w, int grpid, int depth, GroupRenderState& state)
{
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    print_types(w, grpid, indent);

    // Every dimension the group sees, by id: its variables may use its parents'.
    DimTable visible;
    for (int d : dim_ids(w, grpid, true)) {
        char name[NC_MAX_NAME + 1] = {0};
        size_t size = 0;
        if (nc_inq_dim(grpid, d, name, &size) == NC_NOERR)
            visible[d] = {cdl_name(name), size};
    }
    const std::vector<int> unlimited = unlimited_ids(grpid);
    if (depth == 0 && state.root_records && !unlimited.empty() && visible.count(unlimited[0]))
        visible[unlimited[0]].size = static_cast<std::size_t>(*state.root_records);

    const std::vector<int> own_dims = dim_ids(w, grpid, false);
    if (!own_dims.empty())
        cdl_printf(w, "%sdimensions:\n", indent.c_str());
    for (int d : own_dims) {
        char name[NC_MAX_NAME + 1] = {0};
        size_t size = 0;
        int status = nc_inq_dim(grpid, d, name, &size);
        if (status != NC_NOERR)
            cdl_error_nc(w, status);
        auto known = visible.find(d);
        if (known != visible.end())
            size = known->second.size;
        const std::string escaped = cdl_name(name);
        state.dimension_names.push_back(escaped);
        const bool isUnlimited = std::find(unlimited.begin(), unlimited.end(), d) != unlimited.end();
        if (depth == 0)
            state.dimensions.push_back({escaped, size, isUnlimited});
        if (isUnlimited)
            cdl_printf(w, "%s\t%s = %s ; // (%zu currently)\n", indent.c_str(), escaped.c_str(), "UNLIMITED", size);
        else
            cdl_printf(w, "%s\t%s = %zu ;\n", indent.c_str(), escaped.c_str(), size);
    }

    const std::vector<int> vars = var_ids(w, grpid);
    if (!vars.empty())
        cdl_printf(w, "%svariables:\n", indent.c_str());
    std::vector<int> dimids(NC_MAX_VAR_DIMS);
    for (int varid : vars) {
        char name[NC_MAX_NAME + 1] = {0};
        nc_type type = NC_NAT;
        int nd = 0, natts = 0;
        int status = nc_inq_var(grpid, varid, name, &type, &nd, dimids.data(), &natts);
        if (status != NC_NOERR) {
            cdl_error_nc(w, status);
            nd = natts = 0;
        }
        const std::string escaped = cdl_name(name);
        state.variable_names.push_back(escaped);
        CdlVariable declared{escaped, type_name(w, grpid, type), {}, depth == 0 ? long_name_of(grpid, varid) : ""};
        std::string line = indent + "\t" + declared.type + " " + escaped;
        for (int k = 0; k < nd; ++k) {
            const int d = dimids[static_cast<std::size_t>(k)];
            line += k == 0 ? "(" : ", ";
            declared.shape.push_back(dimension_ref(w, grpid, d, visible));
            line += declared.shape.back();
        }
        line += nd > 0 ? ") ;\n" : " ;\n";
        w.put(line);
        if (depth == 0)
            state.variables.push_back(std::move(declared));
        w.variable = escaped;
        for (int a = 0; a < natts; ++a)
            print_att(w, grpid, varid, escaped, a, indent);
        w.variable.clear();
    }

    int ngatts = 0;
    int status = nc_inq_natts(grpid, &ngatts);
    if (status != NC_NOERR)
        cdl_error_nc(w, status);
    if (ngatts > 0) {
        if (depth == 0)
            w.put("\n// global attributes:\n");
        else
            cdl_printf(w, "\n%s// group attributes:\n", indent.c_str());
        for (int a = 0; a < ngatts; ++a) {
            char attname[NC_MAX_NAME + 1] = {0};
            if (depth == 0 && nc_inq_attname(grpid, NC_GLOBAL, a, attname) == NC_NOERR)
                state.global_attribute_names.emplace_back(cdl_name(attname));
            print_att(w, grpid, NC_GLOBAL, "", a, indent);
        }
    }

    if (state.list_data)
        write_data_section(w, grpid, vars, visible, indent, depth == 0 ? &state.readable_variables : nullptr);

    for (int child : group_ids(w, grpid)) {
        if (w.cancelled())
            return;
        char name[NC_MAX_NAME + 1] = {0};
        status = nc_inq_grpname(child, name);
        if (status != NC_NOERR)
            cdl_error_nc(w, status);
        const std::string escaped = cdl_name(name);
        cdl_printf(w, "\n%sgroup: %s {\n", indent.c_str(), escaped.c_str());
        if (depth + 1 < kMaxDepth)
            render_group(w, child, depth + 1, state);
        else
            cdl_error(w, "%s: group %s is nested too deeply to be shown", w.path.c_str(), escaped.c_str());
        cdl_printf(w, "%s  } // group %s\n", indent.c_str(), escaped.c_str());
    }
}
