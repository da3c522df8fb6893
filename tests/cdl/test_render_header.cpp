// Title line, dimensions, declarations, line breaks and name lists of the CDL text.
#include <gtest/gtest.h>

#include <unistd.h>

#include "cdl/render_cdl.h"
#include "render_helpers.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

TEST(RenderHeader, EmptyFileHasTitleAndClosingBraceOnly)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("empty.nc"));
    }
    std::string log;
    CdlOutcome outcome;
    EXPECT_EQ(render_cdl_text(dir.file("empty.nc"), &outcome), "netcdf empty {\r\n}\r\n");
    EXPECT_EQ(outcome.log, "");
}

TEST(RenderHeader, TitleNameComesFromThePath)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "a.b");
    {
        NcBuilder nc(dir.file("a.b/c"));
    }
    EXPECT_EQ(render_lf(dir.file("a.b/c")), "netcdf c {\n}\n");

    {
        NcBuilder nc(dir.file("two.dots.nc"));
    }
    EXPECT_EQ(render_lf(dir.file("two.dots.nc")).substr(0, 18), "netcdf two.dots {\n");

    // Without a '/', backslashes stay part of the name: a Windows-style path keeps
    // its folders, and the last '.' may sit in a folder name.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    {
        NcBuilder nc("D:\\x.y\\z");
    }
    std::string text = render_lf("D:\\x.y\\z");
    EXPECT_EQ(chdir(cwd), 0);
    EXPECT_EQ(text, "netcdf D:\\x {\n}\n");
}

TEST(RenderHeader, ScalarsOnlyHaveNoDimensionsSection)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("s.nc"));
        int s = nc.var("s", NC_INT);
        nc.end_define();
        nc.put_int(s, {5});
    }
    EXPECT_EQ(render_lf(dir.file("s.nc")), "netcdf s {\nvariables:\n\tint s ;\ndata:\n\n s = 5 ;\n}\n");
}

TEST(RenderHeader, DimensionsDeclarationsAndGlobalAttributes)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("h.nc"));
        int rec = nc.dim("N_HISTORY", NC_UNLIMITED);
        int prof = nc.dim("N_PROF", 1);
        int lev = nc.dim("N_LEVELS", 3);
        int h = nc.var("HISTORY", NC_FLOAT, {rec, lev});
        int p = nc.var("PRES", NC_FLOAT, {prof, lev});
        nc.text_att(p, "units", "decibar");
        nc.text_att(NC_GLOBAL, "title", "Argo float vertical profile");
        (void)h;
        nc.end_define();
        nc.put_float(p, {1.0f, 2.0f, 3.0f});
    }
    std::string log;
    std::string text = render_lf(dir.file("h.nc"), &log);
    EXPECT_EQ(log, "");
    EXPECT_EQ(text, "netcdf h {\n"
                    "dimensions:\n"
                    "\tN_HISTORY = UNLIMITED ; // (0 currently)\n"
                    "\tN_PROF = 1 ;\n"
                    "\tN_LEVELS = 3 ;\n"
                    "variables:\n"
                    "\tfloat HISTORY(N_HISTORY, N_LEVELS) ;\n"
                    "\tfloat PRES(N_PROF, N_LEVELS) ;\n"
                    "\t\tPRES:units = \"decibar\" ;\n"
                    "\n// global attributes:\n"
                    "\t\t:title = \"Argo float vertical profile\" ;\n"
                    "data:\n"
                    "\n PRES =\n  1, 2, 3 ;\n"
                    "}\n");
}

TEST(RenderHeader, EveryLineFeedFollowsACarriageReturn)
{
    std::string text = render_cdl_text(std::string(BW_TEST_DATA_DIR) + "/D5900446_001.nc");
    ASSERT_FALSE(text.empty());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
    for (const char* marker : {"\r\ndimensions:\r\n", "\r\nvariables:\r\n", "\r\ndata:\r\n"}) {
        std::size_t first = text.find(marker);
        EXPECT_NE(first, std::string::npos) << marker;
        EXPECT_EQ(text.find(marker, first + 1), std::string::npos) << marker;
    }
}

TEST(RenderHeader, NameListsAreFilledInIdOrder)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("n.nc"));
        int a = nc.dim("B_DIM", 2);
        nc.dim("A_DIM", 1);
        nc.var("ZETA", NC_INT, {a});
        nc.var("ALPHA", NC_CHAR, {a});
    }
    CdlOutcome outcome;
    render_cdl_text(dir.file("n.nc"), &outcome);
    const std::vector<std::string>& dims = outcome.dimension_names;
    const std::vector<std::string>& vars = outcome.variable_names;
    EXPECT_EQ(dims, (std::vector<std::string>{"B_DIM", "A_DIM"}));
    EXPECT_EQ(vars, (std::vector<std::string>{"ZETA", "ALPHA"}));
}

} // namespace
