// The profile shape reader against files of every shape: which dimensions it finds,
// the single-profile rule, and how it classes each variable.
#include <gtest/gtest.h>

#include <netcdf.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/nc_builder.h"
#include "support/temp_dir.h"
#include "profile/profile_shape.h"

namespace {

struct ShapeVar {
    std::string name;
    std::vector<std::string> dims;
    char expected; // 'L' level variable only, 'P' per-profile only, 'B' both, '-' neither
};

struct ShapeCase {
    const char* what;
    FixtureDims dims; // in definition order, so dimension ids follow it
    std::vector<ShapeVar> vars;
    std::optional<std::size_t> prof, levels; // expected lengths; nullopt: absent
    bool single;
    bool groupDimFirst = false; // netCDF-4, a subgroup's dimension defined before the root's
};

// Writes the case's file: dimensions and variables without values.
void MakeShapeFile(const std::string& path, const ShapeCase& c)
{
    int ncid = -1;
    ASSERT_EQ(nc_create(path.c_str(), NC_CLOBBER | (c.groupDimFirst ? NC_NETCDF4 : 0), &ncid), NC_NOERR);
    if (c.groupDimFirst) {
        int grp = -1, dim = -1;
        ASSERT_EQ(nc_def_grp(ncid, "sub", &grp), NC_NOERR);
        ASSERT_EQ(nc_def_dim(grp, "N_SUB", 7, &dim), NC_NOERR);
    }
    std::map<std::string, int> ids;
    for (const auto& [name, len] : c.dims)
        ASSERT_EQ(nc_def_dim(ncid, name.c_str(), len, &ids[name]), NC_NOERR) << name;
    for (const ShapeVar& v : c.vars) {
        std::vector<int> dimids;
        for (const std::string& d : v.dims)
            dimids.push_back(ids.at(d));
        int varid = -1;
        ASSERT_EQ(nc_def_var(ncid, v.name.c_str(), NC_FLOAT, static_cast<int>(dimids.size()), dimids.data(), &varid),
                  NC_NOERR)
            << v.name;
    }
    ASSERT_EQ(nc_close(ncid), NC_NOERR);
}

TEST(ProfileShape, ReadsDimensionsAndClassesVariables)
{
    const std::vector<ShapeCase> cases = {
        {"one profile of three levels",
         {{"N_LEVELS", 3}, {"STRING4", 4}, {"N_CALIB", 1}, {"N_PROF", 1}, {"N_REC", 2}},
         {{"PRES", {"N_PROF", "N_LEVELS"}, 'B'},
          {"DEPTH", {"N_LEVELS"}, 'L'},
          {"RECS", {"N_REC", "N_LEVELS"}, 'L'},
          {"CALIB", {"N_LEVELS", "N_CALIB"}, '-'},
          {"CYCLE", {"N_PROF"}, 'P'},
          {"PLATFORM", {"N_PROF", "STRING4"}, 'P'},
          {"SCALAR", {}, '-'}},
         1,
         3,
         true},
        {"no N_PROF", {{"N_LEVELS", 5}}, {{"PRES", {"N_LEVELS"}, 'L'}}, std::nullopt, 5, false},
        {"one level", {{"N_PROF", 1}, {"N_LEVELS", 1}}, {{"PRES", {"N_PROF", "N_LEVELS"}, 'B'}}, 1, 1, false},
        {"two profiles",
         {{"N_PROF", 2}, {"N_LEVELS", 4}},
         {{"PRES", {"N_PROF", "N_LEVELS"}, 'B'}, {"CYCLE", {"N_PROF"}, 'P'}},
         2,
         4,
         false},
        {"no N_LEVELS",
         {{"N_PROF", 1}, {"n_levels", 4}, {"N_LEVELS2", 4}},
         {{"PRES", {"N_PROF", "n_levels"}, 'P'}, {"TEMP", {"N_LEVELS2"}, '-'}},
         1,
         std::nullopt,
         false},
        {"no dimensions", {}, {{"SCALAR", {}, '-'}}, std::nullopt, std::nullopt, false},
        {"netCDF-4, root dimension ids after a subgroup's",
         {{"N_PROF", 1}, {"N_LEVELS", 2}},
         {{"PRES", {"N_PROF", "N_LEVELS"}, 'B'}},
         1,
         2,
         true,
         true},
    };

    TempDir dir;
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("shape.nc");
        ASSERT_NO_FATAL_FAILURE(MakeShapeFile(path, c));
        int ncid = -1;
        ASSERT_EQ(nc_open(path.c_str(), NC_NOWRITE, &ncid), NC_NOERR);
        const ProfileShape shape = ReadProfileShape(ncid);
        EXPECT_TRUE(shape.ok());
        EXPECT_EQ(shape.prof.present(), c.prof.has_value());
        EXPECT_EQ(shape.prof.length, c.prof.value_or(0));
        EXPECT_EQ(shape.levels.present(), c.levels.has_value());
        EXPECT_EQ(shape.levels.length, c.levels.value_or(0));
        EXPECT_EQ(shape.IsSingleProfile(), c.single);
        for (std::size_t v = 0; v < c.vars.size(); ++v) {
            int ndims = 0;
            int dimids[NC_MAX_VAR_DIMS];
            ASSERT_EQ(nc_inq_var(ncid, static_cast<int>(v), nullptr, nullptr, &ndims, dimids, nullptr), NC_NOERR);
            const std::span<const int> dims(dimids, static_cast<std::size_t>(ndims));
            const char expected = c.vars[v].expected;
            EXPECT_EQ(shape.IsLevelVariable(dims), expected == 'L' || expected == 'B') << c.vars[v].name;
            EXPECT_EQ(shape.IsPerProfileVariable(dims), expected == 'P' || expected == 'B') << c.vars[v].name;
        }
        nc_close(ncid);
        EXPECT_EQ(IsSingleProfileFile(path), c.single);
    }
    EXPECT_FALSE(IsSingleProfileFile(dir.file("missing.nc")));
}

} // namespace
