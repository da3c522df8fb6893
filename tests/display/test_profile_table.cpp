// The profile viewer's table read from real and made-up files.
#include <gtest/gtest.h>

#include <netcdf.h>

#include <filesystem>
#include <string>

#include "display/ProfileTable.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

int ColumnOf(const ProfileTable& t, const std::string& name)
{
    for (std::size_t c = 0; c < t.columns.size(); ++c)
        if (t.columns[c].name == name)
            return static_cast<int>(c);
    return -1;
}

TEST(ProfileTable, RealSingleProfileFile)
{
    const ProfileTable t = ReadProfileTable(BW_TEST_DATA_DIR "/D5900446_001.nc");
    ASSERT_EQ(t.rows.size(), 56u);
    const int pres = ColumnOf(t, "PRES");
    const int psalAdj = ColumnOf(t, "PSAL_ADJUSTED");
    const int presQc = ColumnOf(t, "PRES_QC");
    ASSERT_GE(pres, 0);
    ASSERT_GE(psalAdj, 0);
    ASSERT_GE(presQc, 0);
    EXPECT_EQ(t.columns[pres].width, 100);
    EXPECT_EQ(t.columns[psalAdj].width, 130);
    EXPECT_EQ(t.rows[0][pres], "    5.5"); // C_format %7.1f
    EXPECT_EQ(t.rows[55][pres], " 1806.0");
    EXPECT_EQ(t.rows[0][psalAdj], "   34.555"); // %9.3f
    EXPECT_EQ(t.rows[10][presQc], "1");
    for (const auto& row : t.rows)
        EXPECT_EQ(row.size(), t.columns.size());
}

// One variable of every kind the table distinguishes, over three levels.
std::string WriteMixedFile()
{
    const std::string path = SharedTempDir().file("mixed.nc");
    int ncid, prof, lev, x, rec;
    NcCheck(nc_create(path.c_str(), NC_CLOBBER, &ncid), "create");
    NcCheck(nc_def_dim(ncid, "N_PROF", 1, &prof), "dim");
    NcCheck(nc_def_dim(ncid, "N_LEVELS", 3, &lev), "dim");
    NcCheck(nc_def_dim(ncid, "X", 2, &x), "dim");
    NcCheck(nc_def_dim(ncid, "REC", NC_UNLIMITED, &rec), "dim");
    const int pl[2] = {prof, lev};
    const int lx[2] = {lev, x};
    const int rl[2] = {rec, lev};
    int plain, fmt, dbl, qc, ival, bval, sval, levFirst, badFmt, longFmt, numFmt, empty, huge;
    NcCheck(nc_def_var(ncid, "PLAIN", NC_FLOAT, 2, pl, &plain), "var");
    NcCheck(nc_def_var(ncid, "FMT", NC_FLOAT, 2, pl, &fmt), "var");
    NcCheck(nc_def_var(ncid, "DBL", NC_DOUBLE, 2, pl, &dbl), "var");
    NcCheck(nc_def_var(ncid, "QC", NC_CHAR, 2, pl, &qc), "var");
    NcCheck(nc_def_var(ncid, "IVAL", NC_INT, 2, pl, &ival), "var");
    NcCheck(nc_def_var(ncid, "BVAL", NC_BYTE, 2, pl, &bval), "var");
    NcCheck(nc_def_var(ncid, "SVAL", NC_SHORT, 2, pl, &sval), "var");
    NcCheck(nc_def_var(ncid, "LEVFIRST", NC_FLOAT, 2, lx, &levFirst), "var");
    NcCheck(nc_def_var(ncid, "BADFMT", NC_FLOAT, 2, pl, &badFmt), "var");
    NcCheck(nc_def_var(ncid, "LONGFMT", NC_FLOAT, 2, pl, &longFmt), "var");
    NcCheck(nc_def_var(ncid, "NUMFMT", NC_FLOAT, 2, pl, &numFmt), "var");
    NcCheck(nc_def_var(ncid, "EMPTY", NC_FLOAT, 2, rl, &empty), "var");
    NcCheck(nc_def_var(ncid, "HUGE", NC_DOUBLE, 2, pl, &huge), "var");
    // Stored without a terminating zero, as Argo files do.
    NcCheck(nc_put_att_text(ncid, fmt, "C_format", 5, "%7.3f"), "att");
    NcCheck(nc_put_att_text(ncid, badFmt, "C_format", 4, "%s%n"), "att");
    NcCheck(nc_put_att_text(ncid, longFmt, "C_format", 7, "%300.1f"), "att");
    const int number = 3;
    NcCheck(nc_put_att_int(ncid, numFmt, "C_format", NC_INT, 1, &number), "att");
    NcCheck(nc_enddef(ncid), "enddef");

    const float f[3] = {12.5f, -1.25f, 99999.0f};
    const double d[3] = {12.5, -0.5, 1e9};
    const int iv[3] = {7, -42, 2147483647};
    const signed char bv[3] = {-3, 0, 127};
    const short sv[3] = {-300, 0, 32767};
    const float lf[6] = {1, 2, 3, 4, 5, 6};
    const double hv[3] = {1e300, -1e300, 0};
    NcCheck(nc_put_var_float(ncid, plain, f), "put");
    NcCheck(nc_put_var_float(ncid, fmt, f), "put");
    NcCheck(nc_put_var_double(ncid, dbl, d), "put");
    NcCheck(nc_put_var_text(ncid, qc,
                            "1\0"
                            "4"),
            "put");
    NcCheck(nc_put_var_int(ncid, ival, iv), "put");
    NcCheck(nc_put_var_schar(ncid, bval, bv), "put");
    NcCheck(nc_put_var_short(ncid, sval, sv), "put");
    NcCheck(nc_put_var_float(ncid, levFirst, lf), "put");
    NcCheck(nc_put_var_float(ncid, badFmt, f), "put");
    NcCheck(nc_put_var_float(ncid, longFmt, f), "put");
    NcCheck(nc_put_var_float(ncid, numFmt, f), "put");
    NcCheck(nc_put_var_double(ncid, huge, hv), "put");
    NcCheck(nc_close(ncid), "close");
    return path;
}

TEST(ProfileTable, CellTextsByTypeAndFormat)
{
    const ProfileTable t = ReadProfileTable(WriteMixedFile());
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(ColumnOf(t, "LEVFIRST"), -1); // N_LEVELS is not its last dimension

    const auto cell = [&](int row, const char* name) {
        const int c = ColumnOf(t, name);
        EXPECT_GE(c, 0) << name;
        return c < 0 ? std::string("?") : t.rows[row][c];
    };
    EXPECT_EQ(cell(0, "PLAIN"), "12.500000000");
    EXPECT_EQ(cell(2, "PLAIN"), "99999.000000000"); // fill values are shown as stored
    EXPECT_EQ(cell(0, "FMT"), " 12.500");
    EXPECT_EQ(cell(1, "FMT"), " -1.250");
    EXPECT_EQ(cell(0, "DBL"), "12.500000");
    EXPECT_EQ(cell(2, "DBL"), "1000000000.000000");
    EXPECT_EQ(cell(0, "QC"), "1");
    EXPECT_EQ(cell(1, "QC"), ""); // a zero byte
    EXPECT_EQ(cell(2, "QC"), "4");
    EXPECT_EQ(cell(1, "IVAL"), "-42");
    EXPECT_EQ(cell(2, "IVAL"), "2147483647");
    // Byte and short values keep to their own columns.
    EXPECT_EQ(cell(0, "BVAL"), "-3");
    EXPECT_EQ(cell(2, "BVAL"), "127");
    EXPECT_EQ(cell(0, "SVAL"), "-300");
    EXPECT_EQ(cell(2, "SVAL"), "32767");
    // Unusable C_format texts fall back to the default float format.
    EXPECT_EQ(cell(0, "BADFMT"), "12.500000000");
    EXPECT_EQ(cell(0, "NUMFMT"), "12.500000000");
    // Texts are cut to 255 characters.
    EXPECT_EQ(cell(0, "LONGFMT").size(), 255u);
    EXPECT_EQ(cell(0, "LONGFMT"), std::string(255, ' '));
    EXPECT_EQ(cell(0, "HUGE").size(), 255u);
    EXPECT_EQ(cell(0, "HUGE").substr(0, 2), "10");
    EXPECT_EQ(cell(1, "HUGE").substr(0, 3), "-10");
    // A record variable without records has no values: its cells stay empty.
    EXPECT_EQ(cell(0, "EMPTY"), "");
    EXPECT_EQ(cell(2, "EMPTY"), "");
    for (const auto& row : t.rows)
        EXPECT_EQ(row.size(), t.columns.size());
}

TEST(ProfileTable, FilesWithoutTableAreEmpty)
{
    EXPECT_TRUE(ReadProfileTable(SharedTempDir().file("does-not-exist.nc")).columns.empty());
    EXPECT_TRUE(ReadProfileTable(BW_TEST_DATA_DIR "/README.md").columns.empty());
    EXPECT_TRUE(ReadProfileTable(BW_TEST_DATA_DIR "/13857_meta.nc").columns.empty());

    // A truncated copy of a real profile is refused before the library reads it.
    const std::string cut = SharedTempDir().file("cut.nc");
    std::filesystem::copy_file(BW_TEST_DATA_DIR "/D5900446_001.nc", cut,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, 12000);
    EXPECT_TRUE(ReadProfileTable(cut).columns.empty());

    // "n_levels" is not the levels dimension; N_LEVELS without level variables gives
    // neither columns nor rows.
    const std::string path = SharedTempDir().file("nolevels.nc");
    int ncid, lower, lev, other, v;
    NcCheck(nc_create(path.c_str(), NC_CLOBBER, &ncid), "create");
    NcCheck(nc_def_dim(ncid, "n_levels", 4, &lower), "dim");
    NcCheck(nc_def_dim(ncid, "N_LEVELS", 4, &lev), "dim");
    NcCheck(nc_def_dim(ncid, "OTHER", 2, &other), "dim");
    NcCheck(nc_def_var(ncid, "A", NC_FLOAT, 1, &lower, &v), "var");
    NcCheck(nc_def_var(ncid, "B", NC_FLOAT, 1, &other, &v), "var");
    NcCheck(nc_close(ncid), "close");
    const ProfileTable t = ReadProfileTable(path);
    EXPECT_TRUE(t.columns.empty());
    EXPECT_TRUE(t.rows.empty());
}

TEST(ProfileTable, TooManyCellsGiveColumnsWithoutRows)
{
    const std::string path = SharedTempDir().file("huge.nc");
    int ncid, lev, v;
    NcCheck(nc_create(path.c_str(), NC_CLOBBER, &ncid), "create");
    int old = 0;
    NcCheck(nc_set_fill(ncid, NC_NOFILL, &old), "nofill");
    NcCheck(nc_def_dim(ncid, "N_LEVELS", 1000000, &lev), "dim");
    for (const char* name : {"A", "B", "C", "D", "E", "F"})
        NcCheck(nc_def_var(ncid, name, NC_CHAR, 1, &lev, &v), "var");
    NcCheck(nc_close(ncid), "close");
    const ProfileTable t = ReadProfileTable(path);
    EXPECT_EQ(t.columns.size(), 6u);
    EXPECT_TRUE(t.rows.empty());
}

TEST(ProfileTable, RealArgoFilesKeepCellsInTheirColumns)
{
    const std::filesystem::path dir(BW_TEST_DATA_DIR);
    int tables = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".nc")
            continue;
        const ProfileTable t = ReadProfileTable(entry.path().string());
        for (const auto& row : t.rows) {
            ASSERT_EQ(row.size(), t.columns.size()) << entry.path();
            for (const auto& cell : row)
                ASSERT_LE(cell.size(), kMaxCellText);
        }
        tables += t.rows.empty() ? 0 : 1;
    }
    EXPECT_GT(tables, 0);
}

TEST(ProfileTable, ColumnWidthFollowsNameLength)
{
    ProfileColumns p;
    p.pres = {1, 2};
    p.temp = {3, 4};
    p.psal = {5, 6};
    p.psalAdj = {7, 8};
    const ProfileTable t = ReadProfileTable(WriteProfile(SharedTempDir().file("widths.nc"), p));
    ASSERT_EQ(t.columns.size(), 4u);
    EXPECT_EQ(t.columns[0].width, 100);
    EXPECT_EQ(t.columns[3].name, "PSAL_ADJUSTED");
    EXPECT_EQ(t.columns[3].width, 130);
    EXPECT_EQ(t.rows.size(), 2u);
}

// A netCDF-4 profile: extended integers are numbers; a string column stays empty and
// the table says which variable it is.
TEST(ProfileTable, ExtendedIntegersAndRefusedStrings)
{
    const std::string path = SharedTempDir().file("ext.nc");
    int ncid = -1, prof = -1, lev = -1, big = -1, name = -1;
    NcCheck(nc_create(path.c_str(), NC_CLOBBER | NC_NETCDF4, &ncid), "create");
    NcCheck(nc_def_dim(ncid, "N_PROF", 1, &prof), "dim");
    NcCheck(nc_def_dim(ncid, "N_LEVELS", 2, &lev), "dim");
    const int pl[2] = {prof, lev};
    NcCheck(nc_def_var(ncid, "BIG", NC_UINT64, 2, pl, &big), "var");
    NcCheck(nc_def_var(ncid, "NAME", NC_STRING, 2, pl, &name), "var");
    const unsigned long long b[2] = {1, 18446744073709551615ull};
    const char* n[2] = {"x", "y"};
    NcCheck(nc_put_var_ulonglong(ncid, big, b), "put");
    NcCheck(nc_put_var_string(ncid, name, n), "put");
    NcCheck(nc_close(ncid), "close");

    const ProfileTable t = ReadProfileTable(path);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[1][static_cast<std::size_t>(ColumnOf(t, "BIG"))], "18446744073709551615");
    EXPECT_EQ(t.rows[0][static_cast<std::size_t>(ColumnOf(t, "NAME"))], "");
    EXPECT_EQ(t.message, "Variable NAME holds strings or values of a user-defined type: its column stays empty.");
}

} // namespace
