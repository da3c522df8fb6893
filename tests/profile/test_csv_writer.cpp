// The CSV writer against made-up and real profile files, and its safe saving.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/JobControl.h"
#include "core/replace_file.h"
#include "support/comma_locale.h"
#include "support/file_text.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"
#include "profile/csv_variables.h"
#include "profile/csv_writer.h"

namespace fs = std::filesystem;

namespace {

// Ids of the named variables, in the order given.
std::vector<int> Ids(const CsvVariableList& list, std::initializer_list<const char*> names)
{
    std::vector<int> ids;
    for (const char* n : names) {
        const CsvVariable* v = list.FindByName(n);
        EXPECT_NE(v, nullptr) << n;
        if (v)
            ids.push_back(v->id);
    }
    return ids;
}

class CsvWriterTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path nc = dir.file("profile.nc");

    std::string Csv(std::initializer_list<const char*> items, std::initializer_list<const char*> columns)
    {
        const CsvVariableList list = ReadCsvVariables(nc.string());
        EXPECT_TRUE(list.ok) << list.message;
        CsvSaveSettings s;
        s.ncPath = nc.string();
        s.items = Ids(list, items);
        s.columns = Ids(list, columns);
        std::string text;
        const CsvResult r = BuildCsvText(s, text);
        EXPECT_TRUE(r.ok()) << r.message;
        return text;
    }
};

TEST_F(CsvWriterTest, WorkedExampleByteForByte)
{
    ASSERT_TRUE((MakeNcFile(nc, {{"N_PROF", 1}, {"N_LEVELS", 3}},
                            {{"PRES", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {5, 10, 20}},
                             {"TEMP", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {24.5, 24.25, 23.9}}})));
    EXPECT_EQ(Csv({"PRES"}, {"PRES", "TEMP"}), "PRES,5.000000,10.000000,20.000000\r\n"
                                               "PRES,TEMP\r\n"
                                               "5.000000,24.500000\r\n"
                                               "10.000000,24.250000\r\n"
                                               "20.000000,23.900000\r\n");

    const fs::path out = dir.file("out.csv");
    const CsvVariableList list = ReadCsvVariables(nc.string());
    const CsvResult r = WriteCsvFile({nc.string(), Ids(list, {"PRES"}), Ids(list, {"PRES", "TEMP"}), out.string()});
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(ReadWholeFile(out), Csv({"PRES"}, {"PRES", "TEMP"}));
}

TEST_F(CsvWriterTest, CharacterItemsAndColumns)
{
    std::string params = "PRES            TEMP            PSAL            ";
    std::string history = std::string("ab\0zz", 5);
    ASSERT_TRUE((MakeNcFile(nc, {{"N_PROF", 1}, {"N_PARAM", 3}, {"STRING16", 16}, {"N_LEVELS", 4}, {"S5", 5}},
                            {{"STATION_PARAMETERS", NC_CHAR, {"N_PROF", "N_PARAM", "STRING16"}, {}, params},
                             {"PRES_QC", NC_CHAR, {"N_PROF", "N_LEVELS"}, {}, "12,4"},
                             {"FLAGS", NC_CHAR, {"N_PROF", "N_LEVELS"}, {}, std::string("A\0\"B", 4)},
                             {"HISTORY", NC_CHAR, {"N_PROF", "S5"}, {}, history.substr(0, 5)},
                             {"ONE", NC_CHAR, {}, {}, "x"},
                             {"TEXT2", NC_CHAR, {"N_PARAM", "S5"}, {}, std::string("ab\0zzc,d\"e\r\nxyz", 15)}})));
    const std::string text = Csv({"STATION_PARAMETERS", "PRES_QC", "HISTORY", "ONE", "TEXT2"}, {"PRES_QC", "FLAGS"});
    EXPECT_EQ(text,
              // three 16-character fields with their trailing blanks
              "STATION_PARAMETERS,PRES            ,TEMP            ,PSAL            \r\n"
              // one string of all the flags; its comma makes it a quoted field
              "PRES_QC,\"12,4\"\r\n"
              "HISTORY,ab\r\n"
              "ONE,x\r\n"
              // strings cut at NUL; comma, quote and line breaks quoted
              "TEXT2,ab,\"c,d\"\"e\",\"\r\nxyz\"\r\n"
              "PRES_QC,FLAGS\r\n"
              "1,A\r\n"
              "2,\r\n" // NUL written as an empty cell
              "\",\",\"\"\"\"\r\n"
              "4,B\r\n");
    EXPECT_EQ(text.find('\0'), std::string::npos);
}

TEST_F(CsvWriterTest, NumericTypesFormatsAndFillValues)
{
    ASSERT_TRUE((MakeNcFile(nc, {{"N_PROF", 1}, {"N_LEVELS", 2}, {"N_REC", 0}},
                            {{"CYCLE", NC_INT, {"N_PROF"}, {-7}},
                             {"COUNTS", NC_INT, {"N_PROF", "N_LEVELS"}, {1, 2147483647}},
                             {"SHORTS", NC_SHORT, {"N_PROF", "N_LEVELS"}, {1, 2}},
                             {"BYTES", NC_BYTE, {"N_LEVELS"}, {1, 2}},
                             {"PRES", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {12.25, 99999}, "", "%7.1f"},
                             {"TEMP", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {1.5, -0.25}, "", "%d"}, // not floating
                             {"JULD", NC_DOUBLE, {"N_PROF"}, {23456.5}},
                             {"TINY", NC_DOUBLE, {"N_LEVELS"}, {1.5e-7, 2e120}, "", "%.3e"},
                             {"UNIT", NC_DOUBLE, {"N_LEVELS"}, {1, 2}, "", "%.1f dbar, approx"},
                             {"LONGF", NC_FLOAT, {"N_LEVELS"}, {1, 2}, "", std::string(250, ' ') + "%.2f      "},
                             {"EMPTY", NC_FLOAT, {"N_REC", "N_LEVELS"}, {}},
                             {"SCALAR", NC_DOUBLE, {}, {3}}})));
    EXPECT_EQ(Csv({"CYCLE", "SHORTS", "BYTES", "PRES", "TEMP", "JULD", "EMPTY", "SCALAR"}, {}),
              "CYCLE,-7\r\n"
              "SHORTS,\r\n"
              "BYTES,\r\n"
              "PRES,   12.2,99999.0\r\n"
              "TEMP,1.500000,-0.250000\r\n"
              "JULD,23456.500000\r\n"
              "EMPTY,\r\n"
              "SCALAR,3.000000\r\n"
              "\r\n"
              "\r\n"
              "\r\n");
    EXPECT_EQ(Csv({}, {"COUNTS", "SHORTS", "PRES", "TINY", "UNIT", "EMPTY", "BYTES"}),
              "COUNTS,SHORTS,PRES,TINY,UNIT,EMPTY,BYTES\r\n"
              "1,,   12.2,1.500e-007,\"1.0 dbar, approx\",,\r\n"
              "2147483647,,99999.0,2.000e+120,\"2.0 dbar, approx\",,\r\n");
    // A C_format over 255 characters falls back to the default.
    EXPECT_EQ(Csv({"LONGF"}, {}), "LONGF,1.000000,2.000000\r\n\r\n\r\n\r\n");
}

TEST_F(CsvWriterTest, NumbersIgnoreTheProcessLocale)
{
    ASSERT_TRUE((MakeNcFile(
        nc, {{"N_PROF", 1}, {"N_LEVELS", 2}},
        {{"PRES", NC_FLOAT, {"N_LEVELS"}, {1.5, 2.25}}, {"TINY", NC_DOUBLE, {"N_LEVELS"}, {1.5e-7, 2}, "", "%.2e"}})));
    CommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no decimal-comma locale available";
    EXPECT_EQ(Csv({"PRES"}, {"TINY"}), "PRES,1.500000,2.250000\r\nTINY\r\n1.50e-007\r\n2.00e+000\r\n");
}

TEST_F(CsvWriterTest, NonTextCFormatAttributeIsIgnored)
{
    ASSERT_TRUE((MakeNcFile(nc, {{"N_PROF", 1}, {"N_LEVELS", 2}}, {{"PRES", NC_FLOAT, {"N_LEVELS"}, {1, 2}}})));
    int ncid = -1;
    ASSERT_EQ(nc_open(nc.c_str(), NC_WRITE, &ncid), NC_NOERR);
    nc_redef(ncid);
    const int v = 7;
    nc_put_att_int(ncid, 0, "C_format", NC_INT, 1, &v);
    nc_close(ncid);
    EXPECT_EQ(Csv({"PRES"}, {}), "PRES,1.000000,2.000000\r\n\r\n\r\n\r\n");
}

TEST_F(CsvWriterTest, RealProfileFile)
{
    nc = BW_TEST_DATA_DIR "/D5900446_001.nc";
    const std::string text =
        Csv({"PLATFORM_NUMBER", "CYCLE_NUMBER", "DATA_MODE"}, {"PRES", "PRES_QC", "TEMP_ADJUSTED"});
    // 3 Item rows, the header and 56 level rows.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3 + 1 + 56);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(text.rfind("PLATFORM_NUMBER,5900446", 0), 0u) << text.substr(0, 40);
    EXPECT_NE(text.find("\r\nPRES,PRES_QC,TEMP_ADJUSTED\r\n"), std::string::npos);

    // A file of two profiles is listed but not single-profile.
    const CsvVariableList two = ReadCsvVariables(BW_TEST_DATA_DIR "/D1900857_001.nc");
    ASSERT_TRUE(two.ok);
    EXPECT_FALSE(two.IsSingleProfile());
    EXPECT_TRUE(ReadCsvVariables(BW_TEST_DATA_DIR "/D5900446_001.nc").IsSingleProfile());
}

TEST_F(CsvWriterTest, VariableListMarksLevelColumns)
{
    ASSERT_TRUE((MakeNcFile(nc, {{"N_PROF", 1}, {"N_LEVELS", 2}, {"N_CALIB", 1}},
                            {{"A", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {}},
                             {"B", NC_FLOAT, {"N_LEVELS", "N_CALIB"}, {}},
                             {"C", NC_INT, {}, {}},
                             {"D", NC_CHAR, {"N_LEVELS"}, {}}})));
    const CsvVariableList list = ReadCsvVariables(nc.string());
    ASSERT_EQ(list.variables.size(), 4u);
    EXPECT_TRUE(list.variables[0].levelColumn);
    EXPECT_FALSE(list.variables[1].levelColumn);
    EXPECT_FALSE(list.variables[2].levelColumn);
    EXPECT_TRUE(list.variables[3].levelColumn);
    EXPECT_EQ(list.variables[3].id, 3);
    EXPECT_FALSE(ReadCsvVariables(dir.file("missing.nc")).ok);
}

TEST_F(CsvWriterTest, FailedSavesLeaveTheTargetAlone)
{
    ASSERT_TRUE((MakeNcFile(nc, {{"N_PROF", 1}, {"N_LEVELS", 2}}, {{"PRES", NC_FLOAT, {"N_LEVELS"}, {1, 2}}})));
    const fs::path target = dir.file("keep.csv");
    {
        std::ofstream(target) << "old contents";
    }

    // Unreadable input: nothing written.
    CsvResult r = WriteCsvFile({dir.file("absent.nc"), {0}, {}, target.string()});
    EXPECT_EQ(r.status, CsvResult::Status::InputError);
    r = WriteCsvFile({nc.string(), {42}, {}, target.string()});
    EXPECT_EQ(r.status, CsvResult::Status::InputError);
    const std::string whole = ReadWholeFile(nc);
    const fs::path cut = dir.file("cut.nc");
    {
        std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() - 4);
    }
    r = WriteCsvFile({cut.string(), {0}, {}, target.string()});
    EXPECT_EQ(r.status, CsvResult::Status::InputError);
    fs::remove(cut);
    EXPECT_EQ(ReadWholeFile(target), "old contents");

    // Unwritable targets.
    r = WriteCsvFile({nc.string(), {0}, {}, dir.file("no/such/dir.csv")});
    EXPECT_EQ(r.status, CsvResult::Status::OutputError);
    r = WriteCsvFile({nc.string(), {0}, {}, dir.path().string()});
    EXPECT_EQ(r.status, CsvResult::Status::OutputError);
    r = WriteCsvFile({nc.string(), {0}, {}, ""});
    EXPECT_EQ(r.status, CsvResult::Status::OutputError);

    // A path over 1023 bytes is refused, not cut short and written elsewhere.
    fs::path longDir = dir.path();
    while (longDir.string().size() < 1024)
        longDir /= std::string(100, 'd');
    fs::create_directories(longDir);
    r = WriteCsvFile({nc.string(), {0}, {}, (longDir / "x.csv").string()});
    EXPECT_EQ(r.status, CsvResult::Status::OutputError);
    EXPECT_FALSE(fs::exists(longDir / "x.csv"));
    EXPECT_TRUE(fs::is_empty(longDir));

    // Replacing works and leaves no temporary file behind.
    r = WriteCsvFile({nc.string(), {0}, {}, target.string()});
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(ReadWholeFile(target), "PRES,1.000000,2.000000\r\n\r\n\r\n\r\n");
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 2); // profile.nc and keep.csv
}

TEST_F(CsvWriterTest, JobCountsRowsAndACancelSavesNothing)
{
    ASSERT_TRUE((MakeNcFile(nc, {{"N_PROF", 1}, {"N_LEVELS", 3}},
                            {{"PRES", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {5, 10, 20}},
                             {"TEMP", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {24.5, 24.25, 23.9}}})));
    const CsvVariableList list = ReadCsvVariables(nc.string());
    const fs::path target = dir.file("keep.csv");
    const CsvSaveSettings settings{nc.string(), Ids(list, {"PRES", "TEMP"}), Ids(list, {"PRES"}), target.string()};
    auto folder = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };

    // A whole export counts every row: two Item rows, the header and three levels.
    JobControl job;
    CsvResult r = WriteCsvFile(settings, &job);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(job.Total(), 6u);
    EXPECT_EQ(job.Done(), 6u);
    const std::string written = ReadWholeFile(target);

    // Cancelled while building the text, and while writing it (the temporary file
    // already open): the target keeps its bytes and no temporary is left beside it.
    {
        std::ofstream(target, std::ios::binary) << "old contents";
    }
    JobControl cancelled;
    cancelled.RequestCancel();
    r = WriteCsvFile(settings, &cancelled);
    EXPECT_EQ(r.status, CsvResult::Status::Cancelled);
    std::string error;
    EXPECT_FALSE(WriteFileReplacing(target.string(), written, &error, &cancelled));
    EXPECT_EQ(error, "cancelled");
    EXPECT_EQ(ReadWholeFile(target), "old contents");
    EXPECT_EQ(folder(), (std::vector<std::string>{"keep.csv", "profile.nc"}));

    // A cancelled export to a new name creates nothing.
    r = WriteCsvFile({nc.string(), {0}, {}, dir.file("new.csv")}, &cancelled);
    EXPECT_EQ(r.status, CsvResult::Status::Cancelled);
    EXPECT_EQ(folder(), (std::vector<std::string>{"keep.csv", "profile.nc"}));
}

} // namespace
