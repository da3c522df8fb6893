#include "cdl/scoped_names.h"

#include <algorithm>

#include <netcdf.h>

#include "cdl/cdl_names.h"

namespace {

// The ids a group declares itself, by an inquiry of the form f(grp, &n, ids); none when
// it fails.
template <typename Inquiry>
std::vector<int> own_ids(int grpid, Inquiry inquire)
{
    int n = 0;
    if (inquire(grpid, &n, nullptr) != NC_NOERR || n <= 0)
        return {};
    std::vector<int> ids(static_cast<std::size_t>(n));
    if (inquire(grpid, &n, ids.data()) != NC_NOERR)
        return {};
    ids.resize(static_cast<std::size_t>(std::max(n, 0)));
    return ids;
}

} // namespace

ScopedNames::ScopedNames(int root, int max_depth)
{
    index(root, -1, "", 0, max_depth);
}

void ScopedNames::index(int grpid, int parent, const std::string& path, int depth, int max_depth)
{
    if (m_groups.count(grpid))
        return;
    Group& group = m_groups[grpid];
    group.parent = parent;
    group.path = path;
    for (int d : own_ids(grpid, [](int g, int*n, int*ids) { return nc_inq_dimids(g, n, ids, 0); })) {
        char name[NC_MAX_NAME + 1] = {0};
        if (nc_inq_dimname(grpid, d, name) != NC_NOERR)
            continue;
        group.dims.emplace(name, d);
        m_dims[d] = {grpid, name};
    }
    for (int t : own_ids(grpid, nc_inq_typeids)) {
        char name[NC_MAX_NAME + 1] = {0};
        if (nc_inq_user_type(grpid, t, name, nullptr, nullptr, nullptr, nullptr) != NC_NOERR)
            continue;
        group.types.emplace(name, t);
        m_types[t] = {grpid, name};
    }
    if (depth >= max_depth)
        return;
    for (int child : own_ids(grpid, nc_inq_grps)) {
        char name[NC_MAX_NAME + 1] = {0};
        if (nc_inq_grpname(child, name) == NC_NOERR)
            index(child, grpid, path + "/" + cdl_name(name), depth + 1, max_depth);
    }
}

std::string ScopedNames::name_of(int grpid, int id, const std::map<int, Declared>& declared,
                                 std::map<std::string, int> Group::*table) const
{
    auto found = declared.find(id);
    if (found == declared.end())
        return {};
    const Declared& d = found->second;
    // The first group outwards that declares the name decides what the plain name means.
    for (auto g = m_groups.find(grpid); g != m_groups.end(); g = m_groups.find(g->second.parent)) {
        const auto& names = g->second.*table;
        auto same = names.find(d.name);
        if (same != names.end()) {
            if (same->second == id)
                return cdl_name(d.name);
            break;
        }
    }
    auto owner = m_groups.find(d.group);
    return (owner != m_groups.end() ? owner->second.path : std::string()) + "/" + cdl_name(d.name);
}

std::string ScopedNames::dimension(int grpid, int dimid) const
{
    return name_of(grpid, dimid, m_dims, &Group::dims);
}

std::string ScopedNames::type(int grpid, int type_id) const
{
    return name_of(grpid, type_id, m_types, &Group::types);
}
