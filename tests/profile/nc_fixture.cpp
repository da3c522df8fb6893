#include "nc_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <unistd.h>

namespace {

bool Check(int status, const char* what)
{
    if (status != NC_NOERR) {
        ADD_FAILURE() << what << ": " << nc_strerror(status);
        return false;
    }
    return true;
}

} // namespace

bool MakeNcFile(const std::filesystem::path& path, const FixtureDims& dims,
                const std::vector<FixtureVar>& vars)
{
    int ncid = -1;
    if (!Check(nc_create(path.c_str(), NC_CLOBBER, &ncid), "nc_create"))
        return false;
    std::map<std::string, int> dimIds;
    for (const auto& [name, len] : dims) {
        int id = -1;
        if (!Check(nc_def_dim(ncid, name.c_str(), len == 0 ? NC_UNLIMITED : len, &id), "nc_def_dim"))
            return nc_close(ncid), false;
        dimIds[name] = id;
    }
    std::vector<int> varIds;
    for (const auto& v : vars) {
        std::vector<int> ids;
        for (const auto& d : v.dims)
            ids.push_back(dimIds.at(d));
        int id = -1;
        if (!Check(nc_def_var(ncid, v.name.c_str(), v.type, static_cast<int>(ids.size()), ids.data(), &id),
                   "nc_def_var"))
            return nc_close(ncid), false;
        if (v.cFormat)
            Check(nc_put_att_text(ncid, id, "C_format", v.cFormat->size(), v.cFormat->data()), "C_format");
        if (v.fill)
            Check(nc_put_att_double(ncid, id, "_FillValue", v.type, 1, &*v.fill), "_FillValue");
        varIds.push_back(id);
    }
    Check(nc_enddef(ncid), "nc_enddef");
    for (std::size_t i = 0; i < vars.size(); ++i) {
        const auto& v = vars[i];
        if (v.type == NC_CHAR && !v.text.empty()) {
            std::vector<std::size_t> start(v.dims.size(), 0), count;
            for (const auto& d : v.dims) {
                std::size_t len = 0;
                nc_inq_dimlen(ncid, dimIds.at(d), &len);
                count.push_back(len);
            }
            Check(nc_put_vara_text(ncid, varIds[i], start.data(), count.data(), v.text.data()), "put_text");
        } else if (!v.values.empty()) {
            std::vector<std::size_t> start(v.dims.size(), 0), count;
            for (const auto& d : v.dims) {
                std::size_t len = 0;
                nc_inq_dimlen(ncid, dimIds.at(d), &len);
                count.push_back(len);
            }
            Check(nc_put_vara_double(ncid, varIds[i], start.data(), count.data(), v.values.data()),
                  "put_double");
        }
    }
    return Check(nc_close(ncid), "nc_close");
}

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() /
             ("bw-profile-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
              std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CommaLocale::CommaLocale(const std::filesystem::path& dir)
{
    const char* current = std::setlocale(LC_ALL, nullptr);
    m_saved = current ? current : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, name)) {
            m_active = true;
            return;
        }
    }
    const std::filesystem::path locales = dir / "locales";
    std::filesystem::create_directories(locales);
    const std::string command = "localedef -i de_DE -f UTF-8 '" + (locales / "de_DE.UTF-8").string() +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return;
    setenv("LOCPATH", locales.c_str(), 1);
    m_active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    unsetenv("LOCPATH");
    if (m_active) {
        char text[16];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        m_active = std::string(text) == "1,5";
    }
}

CommaLocale::~CommaLocale()
{
    std::setlocale(LC_ALL, m_saved.c_str());
}
