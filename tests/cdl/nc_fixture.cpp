#include "nc_fixture.h"

#include <fstream>
#include <random>

#include "cdl/render_cdl.h"

#define NC_OK(call) ASSERT_EQ((call), NC_NOERR) << nc_strerror(call)

TempDir::TempDir()
{
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() / ("bw-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

NcBuilder::NcBuilder(const std::string& path, int mode)
{
    int status = nc_create(path.c_str(), mode, &m_ncid);
    EXPECT_EQ(status, NC_NOERR) << path << ": " << nc_strerror(status);
}

NcBuilder::~NcBuilder() { close(); }

int NcBuilder::dim(const char* name, size_t len)
{
    int id = -1;
    EXPECT_EQ(nc_def_dim(m_ncid, name, len, &id), NC_NOERR) << name;
    return id;
}

int NcBuilder::var(const char* name, nc_type type, std::vector<int> dims)
{
    int id = -1;
    EXPECT_EQ(nc_def_var(m_ncid, name, type, static_cast<int>(dims.size()), dims.data(), &id), NC_NOERR) << name;
    return id;
}

void NcBuilder::text_att(int varid, const char* name, const std::string& value)
{
    EXPECT_EQ(nc_put_att_text(m_ncid, varid, name, value.size(), value.data()), NC_NOERR) << name;
}

void NcBuilder::att(int varid, const char* name, nc_type type, std::vector<double> values)
{
    EXPECT_EQ(nc_put_att_double(m_ncid, varid, name, type, values.size(), values.data()), NC_NOERR) << name;
}

void NcBuilder::att_float(int varid, const char* name, std::vector<float> values)
{
    EXPECT_EQ(nc_put_att_float(m_ncid, varid, name, NC_FLOAT, values.size(), values.data()), NC_NOERR) << name;
}

void NcBuilder::end_define() { EXPECT_EQ(nc_enddef(m_ncid), NC_NOERR); }

void NcBuilder::put_float(int varid, const std::vector<float>& v) { EXPECT_EQ(nc_put_var_float(m_ncid, varid, v.data()), NC_NOERR); }
void NcBuilder::put_double(int varid, const std::vector<double>& v) { EXPECT_EQ(nc_put_var_double(m_ncid, varid, v.data()), NC_NOERR); }
void NcBuilder::put_int(int varid, const std::vector<int>& v) { EXPECT_EQ(nc_put_var_int(m_ncid, varid, v.data()), NC_NOERR); }
void NcBuilder::put_short(int varid, const std::vector<short>& v) { EXPECT_EQ(nc_put_var_short(m_ncid, varid, v.data()), NC_NOERR); }
void NcBuilder::put_schar(int varid, const std::vector<signed char>& v) { EXPECT_EQ(nc_put_var_schar(m_ncid, varid, v.data()), NC_NOERR); }
void NcBuilder::put_text(int varid, const std::string& v) { EXPECT_EQ(nc_put_var_text(m_ncid, varid, v.data()), NC_NOERR); }

void NcBuilder::put_float_record(int varid, size_t record, const std::vector<float>& v)
{
    size_t start[2] = {record, 0};
    size_t count[2] = {1, v.size()};
    EXPECT_EQ(nc_put_vara_float(m_ncid, varid, start, count, v.data()), NC_NOERR);
}

void NcBuilder::close()
{
    if (m_ncid >= 0) {
        EXPECT_EQ(nc_close(m_ncid), NC_NOERR);
        m_ncid = -1;
    }
}

void patch_bytes(const std::string& path, const std::string& from, const std::string& to)
{
    ASSERT_EQ(from.size(), to.size());
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    int replaced = 0;
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1)) {
        bytes.replace(at, from.size(), to);
        ++replaced;
    }
    ASSERT_GT(replaced, 0) << from;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string lf(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

std::string render_lf(const std::string& path, std::string* log)
{
    CdlOutcome outcome;
    std::string text = render_cdl_text(path, &outcome);
    if (log)
        *log = outcome.log;
    return lf(text);
}

std::string data_section(const std::string& lf_text)
{
    std::size_t at = lf_text.find("\ndata:\n");
    if (at == std::string::npos)
        return {};
    std::size_t from = at + 7;
    std::size_t to = lf_text.rfind("}\n");
    return lf_text.substr(from, to - from);
}
