// `brinewick --csv`: argument handling, exit codes and the bytes it writes.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/command_words.h"
#include "support/file_text.h"
#include "reader/reader_table.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"
#include "profile/csv_command.h"
#include "profile/csv_variables.h"
#include "profile/csv_writer.h"

namespace {

struct CommandRun {
    int status = -1;
    std::string out, err;
};

std::string Drain(std::FILE* f)
{
    std::rewind(f);
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    std::fclose(f);
    return text;
}

CommandRun Csv(const std::vector<std::string>& args)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    CommandRun r;
    r.status = RunMode("--csv", args, LocalReader(), out, err);
    r.out = Drain(out);
    r.err = Drain(err);
    return r;
}

class CsvCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE((MakeNcFile(nc, {{"N_PROF", 1}, {"N_LEVELS", 3}, {"STRING4", 4}},
                                {{"PLATFORM", NC_CHAR, {"N_PROF", "STRING4"}, {}, "59\0\0"},
                                 {"PRES", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {5, 10, 20}},
                                 {"TEMP", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {24.5, 24.25, 23.9}},
                                 {"CYCLE", NC_INT, {"N_PROF"}, {3}}})));
    }
    TempDir dir;
    std::filesystem::path nc = dir.file("p.nc");
};

TEST_F(CsvCommandTest, WritesTheDialogsBytesInVariableIdOrder)
{
    const CommandRun r = Csv({nc.string(), "--items", "PRES,PLATFORM", "--columns", "TEMP,PRES"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "PLATFORM,59\r\n"
                     "PRES,5.000000,10.000000,20.000000\r\n"
                     "PRES,TEMP\r\n"
                     "5.000000,24.500000\r\n"
                     "10.000000,24.250000\r\n"
                     "20.000000,23.900000\r\n");

    const std::filesystem::path out = dir.file("x.csv");
    const CommandRun w = Csv({nc.string(), "--columns", "TEMP,PRES", "--items", "PLATFORM,PRES", "-o", out.string()});
    ASSERT_EQ(w.status, 0) << w.err;
    EXPECT_TRUE(w.out.empty());
    EXPECT_EQ(ReadWholeFile(out), r.out);

    const CommandRun onlyItems = Csv({nc.string(), "--items", "CYCLE"});
    EXPECT_EQ(onlyItems.out, "CYCLE,3\r\n\r\n\r\n\r\n\r\n");
}

TEST_F(CsvCommandTest, UsageErrors)
{
    CommandRun r = Csv({nc.string(), "--items", "PRES,NOPE,ALSO_NOT"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("NOPE, ALSO_NOT"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());

    r = Csv({nc.string(), "--columns", "PRES,CYCLE,PLATFORM"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("CYCLE, PLATFORM"), std::string::npos) << r.err;

    r = Csv({nc.string(), "--columns", "CYCLE,XX"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("XX"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("CYCLE"), std::string::npos) << r.err;

    EXPECT_EQ(Csv({}).status, 2);
    EXPECT_EQ(Csv({nc.string()}).status, 2);
    EXPECT_EQ(Csv({nc.string(), "--items"}).status, 2);
    EXPECT_EQ(Csv({nc.string(), "--items", "PRES", "--items", "TEMP"}).status, 2);
    EXPECT_EQ(Csv({nc.string(), "--items", "PRES", "--bogus"}).status, 2);
    EXPECT_EQ(Csv({nc.string(), "other.nc", "--items", "PRES"}).status, 2);
}

TEST_F(CsvCommandTest, FilesThatCannotBeUsed)
{
    // Files of several profiles are used (see test_profile_choice); one without the
    // profile dimensions, or of one level, is not.
    CommandRun r = Csv({BW_TEST_DATA_DIR "/13857_meta.nc", "--items", "PRES"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Profile tools need the dimensions N_PROF and N_LEVELS"), std::string::npos) << r.err;
    r = Csv({BW_TEST_DATA_DIR "/D6901929_075.nc", "--items", "PRES"});
    EXPECT_EQ(r.status, 1);
    r = Csv({dir.file("absent.nc"), "--items", "PRES"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());

    r = Csv({nc.string(), "--items", "PRES", "-o", dir.file("no/dir/x.csv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File can not open."), std::string::npos) << r.err;
}

TEST(CsvCommandReal, ArgoProfile)
{
    const CommandRun r = Csv(
        {BW_TEST_DATA_DIR "/R2901623_000.nc", "--items", "PRES_ADJUSTED", "--columns", "PRES,PRES_ADJUSTED,PSAL_QC"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1 + 1 + 91);
    // All-fill adjusted pressure is written as the stored fill value, in its C_format.
    EXPECT_EQ(r.out.rfind("PRES_ADJUSTED,99999.0,99999.0,", 0), 0u) << r.out.substr(0, 60);
}

TEST_F(CsvCommandTest, ProgramDispatchesToTheCommand)
{
    if (!std::filesystem::exists(BW_BINARY))
        GTEST_SKIP() << "brinewick is not built";
    const std::string command =
        std::string("'") + BW_BINARY + "' --csv '" + nc.string() + "' --items PLATFORM --columns PRES 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(out, Csv({nc.string(), "--items", "PLATFORM", "--columns", "PRES"}).out);
    EXPECT_EQ(out, "PLATFORM,59\r\nPRES\r\n5.000000\r\n10.000000\r\n20.000000\r\n");
}

} // namespace
