#include "support/nc_builder.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "support/file_text.h"

void NcCheck(int status, const std::string& what)
{
    if (status != NC_NOERR)
        throw std::runtime_error(what + ": " + nc_strerror(status));
}

NcBuilder::NcBuilder(const std::string& path, int mode)
{
    NcCheck(nc_create(path.c_str(), mode, &m_ncid), "nc_create " + path);
}

NcBuilder::~NcBuilder()
{
    // No throwing here: the destructor also runs while an earlier failure unwinds.
    if (m_ncid >= 0)
        nc_close(m_ncid);
}

int NcBuilder::dim(const char* name, size_t len)
{
    int id = -1;
    NcCheck(nc_def_dim(m_ncid, name, len, &id), std::string("nc_def_dim ") + name);
    return id;
}

int NcBuilder::var(const char* name, nc_type type, std::vector<int> dims)
{
    int id = -1;
    NcCheck(nc_def_var(m_ncid, name, type, static_cast<int>(dims.size()), dims.data(), &id),
            std::string("nc_def_var ") + name);
    return id;
}

void NcBuilder::text_att(int varid, const char* name, const std::string& value)
{
    NcCheck(nc_put_att_text(m_ncid, varid, name, value.size(), value.data()), std::string("nc_put_att_text ") + name);
}

void NcBuilder::att(int varid, const char* name, nc_type type, std::vector<double> values)
{
    NcCheck(nc_put_att_double(m_ncid, varid, name, type, values.size(), values.data()),
            std::string("nc_put_att_double ") + name);
}

void NcBuilder::att_float(int varid, const char* name, std::vector<float> values)
{
    NcCheck(nc_put_att_float(m_ncid, varid, name, NC_FLOAT, values.size(), values.data()),
            std::string("nc_put_att_float ") + name);
}

void NcBuilder::end_define()
{
    NcCheck(nc_enddef(m_ncid), "nc_enddef");
}

void NcBuilder::put_float(int varid, const std::vector<float>& v)
{
    NcCheck(nc_put_var_float(m_ncid, varid, v.data()), "nc_put_var_float");
}

void NcBuilder::put_double(int varid, const std::vector<double>& v)
{
    NcCheck(nc_put_var_double(m_ncid, varid, v.data()), "nc_put_var_double");
}

void NcBuilder::put_int(int varid, const std::vector<int>& v)
{
    NcCheck(nc_put_var_int(m_ncid, varid, v.data()), "nc_put_var_int");
}

void NcBuilder::put_short(int varid, const std::vector<short>& v)
{
    NcCheck(nc_put_var_short(m_ncid, varid, v.data()), "nc_put_var_short");
}

void NcBuilder::put_schar(int varid, const std::vector<signed char>& v)
{
    NcCheck(nc_put_var_schar(m_ncid, varid, v.data()), "nc_put_var_schar");
}

void NcBuilder::put_text(int varid, const std::string& v)
{
    NcCheck(nc_put_var_text(m_ncid, varid, v.data()), "nc_put_var_text");
}

void NcBuilder::put_float_record(int varid, size_t record, const std::vector<float>& v)
{
    size_t start[2] = {record, 0};
    size_t count[2] = {1, v.size()};
    NcCheck(nc_put_vara_float(m_ncid, varid, start, count, v.data()), "nc_put_vara_float");
}

void NcBuilder::close()
{
    if (m_ncid >= 0) {
        const int ncid = m_ncid;
        m_ncid = -1;
        NcCheck(nc_close(ncid), "nc_close");
    }
}

namespace {

void WriteNcFile(const std::filesystem::path& path, const FixtureDims& dims, const std::vector<FixtureVar>& vars)
{
    NcBuilder nc(path.string());
    std::map<std::string, int> dimIds;
    for (const auto& [name, len] : dims)
        dimIds[name] = nc.dim(name.c_str(), len == 0 ? NC_UNLIMITED : len);
    std::vector<int> varIds;
    for (const auto& v : vars) {
        std::vector<int> ids;
        for (const auto& d : v.dims)
            ids.push_back(dimIds.at(d));
        const int id = nc.var(v.name.c_str(), v.type, ids);
        if (v.cFormat)
            nc.text_att(id, "C_format", *v.cFormat);
        if (v.fill)
            nc.att(id, "_FillValue", v.type, {*v.fill});
        varIds.push_back(id);
    }
    nc.end_define();
    for (std::size_t i = 0; i < vars.size(); ++i) {
        const auto& v = vars[i];
        // The whole variable, with as many records as the file has so far.
        std::vector<std::size_t> start(v.dims.size(), 0), count;
        for (const auto& d : v.dims) {
            std::size_t len = 0;
            NcCheck(nc_inq_dimlen(nc.id(), dimIds.at(d), &len), "nc_inq_dimlen " + d);
            count.push_back(len);
        }
        if (v.type == NC_CHAR && !v.text.empty())
            NcCheck(nc_put_vara_text(nc.id(), varIds[i], start.data(), count.data(), v.text.data()),
                    "nc_put_vara_text " + v.name);
        else if (!v.values.empty())
            NcCheck(nc_put_vara_double(nc.id(), varIds[i], start.data(), count.data(), v.values.data()),
                    "nc_put_vara_double " + v.name);
    }
    nc.close();
}

} // namespace

bool MakeNcFile(const std::filesystem::path& path, const FixtureDims& dims, const std::vector<FixtureVar>& vars)
{
    try {
        WriteNcFile(path, dims, vars);
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "MakeNcFile %s: %s\n", path.c_str(), e.what());
        return false;
    }
}

std::string WriteProfile(const std::string& path, const ProfileColumns& p)
{
    NcBuilder nc(path);
    const int prof = nc.dim("N_PROF", 1);
    const int lev = nc.dim("N_LEVELS", p.pres.size());
    struct Var {
        const char* name;
        const std::vector<float>* data;
        int id;
    };
    std::vector<Var> vars{{"PRES", &p.pres, 0},
                          {"TEMP", &p.temp, 0},
                          {"PSAL", &p.psal, 0},
                          {"PRES_ADJUSTED", &p.presAdj, 0},
                          {"TEMP_ADJUSTED", &p.tempAdj, 0},
                          {"PSAL_ADJUSTED", &p.psalAdj, 0}};
    for (auto& v : vars)
        if (!v.data->empty())
            v.id = nc.var(v.name, NC_FLOAT, {prof, lev});
    nc.end_define();
    for (auto& v : vars)
        if (!v.data->empty())
            nc.put_float(v.id, *v.data);
    nc.close();
    return path;
}

void patch_bytes(const std::string& path, const std::string& from, const std::string& to)
{
    if (from.size() != to.size())
        throw std::invalid_argument("patch_bytes: '" + from + "' and '" + to + "' differ in length");
    std::string bytes = ReadWholeFile(path);
    int replaced = 0;
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1)) {
        bytes.replace(at, from.size(), to);
        ++replaced;
    }
    if (replaced == 0)
        throw std::runtime_error("patch_bytes: '" + from + "' not in " + path);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
