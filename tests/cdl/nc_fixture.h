#pragma once
// Builds small netCDF files for tests with the exact bytes and float bits wanted.
#include <netcdf.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// A temporary folder removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// A netCDF file in define mode; every call asserts success.
class NcBuilder {
public:
    explicit NcBuilder(const std::string& path, int mode = NC_CLOBBER);
    ~NcBuilder();
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

// Replaces every occurrence of `from` by `to` (same length) in the file's bytes: used
// to give an attribute a name the library would refuse to write (a _FillValue of
// another type than its variable, or with two values), as other writers can.
void patch_bytes(const std::string& path, const std::string& from, const std::string& to);

// CR LF to LF, for comparing with texts written with plain line feeds.
std::string lf(const std::string& text);

// Renders `path` and returns the text with LF line breaks; the log goes to *log.
std::string render_lf(const std::string& path, std::string* log = nullptr);

// The text of the data section, from the line after "data:" to the closing brace.
std::string data_section(const std::string& lf_text);
