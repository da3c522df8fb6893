// The CSV export and the level records of a netCDF-4 profile: the extended integer
// types are numbers; strings and user-defined types are refused by name.
#include <gtest/gtest.h>

#include <netcdf.h>

#include "support/nc_builder.h"
#include "support/temp_dir.h"
#include "profile/csv_variables.h"
#include "profile/csv_writer.h"
#include "profile/level_records.h"

namespace {

#define NC_OK(call) ASSERT_EQ((call), NC_NOERR)

// One profile of two levels: PRES uint, TEMP int64, PSAL uint64, NAME string, and
// BLOB an opaque type; `temp_as_string` makes TEMP a string instead.
void MakeProfile(const std::string& path, bool temp_as_string)
{
    int nc = -1, prof = -1, lev = -1, pres = -1, temp = -1, psal = -1, name = -1, blob = -1;
    nc_type opaque = NC_NAT;
    NC_OK(nc_create(path.c_str(), NC_CLOBBER | NC_NETCDF4, &nc));
    NC_OK(nc_def_dim(nc, "N_PROF", 1, &prof));
    NC_OK(nc_def_dim(nc, "N_LEVELS", 2, &lev));
    NC_OK(nc_def_opaque(nc, 2, "blob_t", &opaque));
    const int dims[2] = {prof, lev};
    NC_OK(nc_def_var(nc, "PRES", NC_UINT, 2, dims, &pres));
    NC_OK(nc_def_var(nc, "TEMP", temp_as_string ? NC_STRING : NC_INT64, 2, dims, &temp));
    NC_OK(nc_def_var(nc, "PSAL", NC_UINT64, 2, dims, &psal));
    NC_OK(nc_def_var(nc, "NAME", NC_STRING, 2, dims, &name));
    NC_OK(nc_def_var(nc, "BLOB", opaque, 2, dims, &blob));
    const unsigned int p[2] = {5, 4000000000u};
    const long long t[2] = {-3, 21};
    const unsigned long long s[2] = {35, 18446744073709551615ull};
    const char* names[2] = {"a", "b"};
    NC_OK(nc_put_var_uint(nc, pres, p));
    if (temp_as_string)
        NC_OK(nc_put_var_string(nc, temp, names));
    else
        NC_OK(nc_put_var_longlong(nc, temp, t));
    NC_OK(nc_put_var_ulonglong(nc, psal, s));
    NC_OK(nc_put_var_string(nc, name, names));
    NC_OK(nc_close(nc));
}

TEST(ExtendedTypes, CsvWritesExtendedIntegersAndRefusesStringsAndUserTypes)
{
    TempDir dir;
    const std::string path = dir.file("p.nc");
    MakeProfile(path, false);
    const CsvVariableList list = ReadCsvVariables(path);
    ASSERT_TRUE(list.ok) << list.message;
    auto id = [&](const char* n) { return list.FindByName(n)->id; };

    struct Case {
        std::vector<int> items, columns;
        const char* text;    // the CSV, or
        const char* refused; // the variable named in the refusal
    } cases[] = {
        {{id("PSAL")},
         {id("PRES"), id("TEMP"), id("PSAL")},
         "PSAL,35,18446744073709551615\r\nPRES,TEMP,PSAL\r\n5,-3,35\r\n4000000000,21,18446744073709551615\r\n",
         nullptr},
        {{}, {id("PRES"), id("NAME")}, nullptr, "NAME"},
        {{id("BLOB")}, {}, nullptr, "BLOB"},
    };
    for (const Case& c : cases) {
        CsvSaveSettings s;
        s.ncPath = path;
        s.items = c.items;
        s.columns = c.columns;
        std::string text;
        const CsvResult r = BuildCsvText(s, text);
        if (c.text) {
            EXPECT_TRUE(r.ok()) << r.message;
            EXPECT_EQ(text, c.text);
        } else {
            EXPECT_FALSE(r.ok());
            EXPECT_EQ(r.message, path + ": variable " + c.refused +
                                     " holds strings or values of a user-defined type, which a CSV file cannot show.");
        }
    }
}

TEST(ExtendedTypes, LevelRecordsReadExtendedIntegersAndRefuseStrings)
{
    TempDir dir;
    const std::string path = dir.file("p.nc");
    MakeProfile(path, false);
    CLevelArray levels;
    const LevelLoadResult loaded = LoadLevelArray(path, levels);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    ASSERT_EQ(levels.GetSize(), 2);
    EXPECT_EQ(levels[1].pres, 5.0f); // the file's first level is numbered highest
    EXPECT_EQ(levels[1].temp, -3.0f);
    EXPECT_EQ(levels[1].psal, 35.0f);

    MakeProfile(path, true);
    CLevelArray refused;
    const LevelLoadResult r = LoadLevelArray(path, refused);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, path + ": variable TEMP holds strings or values of a user-defined type, not numbers.");
}

} // namespace
