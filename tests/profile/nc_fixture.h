#pragma once
// Small netCDF files made by the tests themselves with nc_create.
#include <netcdf.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct FixtureVar {
    std::string name;
    nc_type type = NC_FLOAT;
    std::vector<std::string> dims;
    std::vector<double> values;            // written with nc_put_var_double (numbers)
    std::string text;                      // written with nc_put_var_text (NC_CHAR)
    std::optional<std::string> cFormat;    // C_format attribute, as text
    std::optional<double> fill;            // _FillValue attribute of the variable's type
};

using FixtureDims = std::vector<std::pair<std::string, std::size_t>>;

// Creates a classic netCDF file at `path`; a dimension of length 0 is unlimited.
// Returns false (with a gtest failure) when the library refuses.
bool MakeNcFile(const std::filesystem::path& path, const FixtureDims& dims,
                const std::vector<FixtureVar>& vars);

// A fresh directory for one test, removed with its contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path file(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

std::string ReadWholeFile(const std::filesystem::path& path);

// Switches LC_ALL to a German locale (decimal comma) for the object's lifetime,
// building it with localedef in `dir` when the system has none installed. active()
// is false when no such locale can be had; the previous locale comes back on exit.
class CommaLocale {
public:
    explicit CommaLocale(const std::filesystem::path& dir);
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    bool active() const { return m_active; }

private:
    std::string m_saved;
    bool m_active = false;
};
