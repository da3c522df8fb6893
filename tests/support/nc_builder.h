#pragma once
// Small netCDF files made by the tests themselves with nc_create, with the exact bytes
// and float bits wanted. A call the library refuses throws std::runtime_error with the
// library's message: GoogleTest and Qt Test report it as a failure of the running test,
// and a benchmark stops with it.
#include <netcdf.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Throws std::runtime_error("what: <the library's message>") unless status is NC_NOERR.
void NcCheck(int status, const std::string& what);

// A netCDF file in define mode, closed when the object goes.
class NcBuilder {
public:
    explicit NcBuilder(const std::string& path, int mode = NC_CLOBBER);
    ~NcBuilder();
    NcBuilder(const NcBuilder&) = delete;
    NcBuilder& operator=(const NcBuilder&) = delete;

    int dim(const char* name, size_t len);
    int var(const char* name, nc_type type, std::vector<int> dims = {});
    void text_att(int varid, const char* name, const std::string& value);
    void att(int varid, const char* name, nc_type type, std::vector<double> values);
    void att_float(int varid, const char* name, std::vector<float> values);
    void end_define();
    void put_float(int varid, const std::vector<float>& v);
    void put_double(int varid, const std::vector<double>& v);
    void put_int(int varid, const std::vector<int>& v);
    void put_short(int varid, const std::vector<short>& v);
    void put_schar(int varid, const std::vector<signed char>& v);
    void put_text(int varid, const std::string& v);
    void put_float_record(int varid, size_t record, const std::vector<float>& v);
    void close();
    int id() const { return m_ncid; }

private:
    int m_ncid = -1;
};

// One variable of a file described whole for MakeNcFile.
struct FixtureVar {
    FixtureVar(std::string name_, nc_type type_, std::vector<std::string> dims_, std::vector<double> values_ = {},
               std::string text_ = {}, std::optional<std::string> cFormat_ = {}, std::optional<double> fill_ = {})
        : name(std::move(name_)), type(type_), dims(std::move(dims_)), values(std::move(values_)),
          text(std::move(text_)), cFormat(std::move(cFormat_)), fill(fill_)
    {}
    std::string name;
    nc_type type = NC_FLOAT;
    std::vector<std::string> dims;
    std::vector<double> values;         // written with nc_put_vara_double (numbers)
    std::string text;                   // written with nc_put_vara_text (NC_CHAR)
    std::optional<std::string> cFormat; // C_format attribute, as text
    std::optional<double> fill;         // _FillValue attribute of the variable's type
};

using FixtureDims = std::vector<std::pair<std::string, std::size_t>>;

// Creates a classic netCDF file at `path`; a dimension of length 0 is unlimited.
// Returns false, with the library's message on standard error, when it refuses.
bool MakeNcFile(const std::filesystem::path& path, const FixtureDims& dims, const std::vector<FixtureVar>& vars);

// The level variables of a single-profile Argo-like file: PRES, TEMP and PSAL, each
// with an _ADJUSTED twin, dimensioned (N_PROF, N_LEVELS). An empty vector leaves that
// variable out.
struct ProfileColumns {
    std::vector<float> pres, temp, psal;
    std::vector<float> presAdj, tempAdj, psalAdj;
};

// Writes `p` to `path` (throws when the library refuses) and returns the path.
std::string WriteProfile(const std::string& path, const ProfileColumns& p);

// Replaces every occurrence of `from` by `to` (same length) in the file's bytes: used
// to give an attribute a name the library would refuse to write (a _FillValue of
// another type than its variable, or with two values), as other writers can. Throws
// when the lengths differ or `from` is not there.
void patch_bytes(const std::string& path, const std::string& from, const std::string& to);
