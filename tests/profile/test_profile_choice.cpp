// Files of several profiles: which files offer the profile tools, Argo dates, the
// per-profile summaries, one profile's level records and table, and the CSV export of
// one profile or of all (--profile N|all).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "display/ProfileTable.h"
#include "reader/reader_table.h"
#include "support/command_words.h"
#include "support/file_text.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"
#include "profile/argo_time.h"
#include "profile/csv_command.h"
#include "profile/profile_choice.h"
#include "profile/figure_title.h"
#include "profile/profile_levels.h"
#include "profile/profile_shape.h"
#include "profile/profile_summary.h"

namespace {

constexpr double kFill = 99999.0;
const std::string kArgo = BW_TEST_DATA_DIR;

// Two profiles of three levels. Profile 1 has fill for its cycle, date and position,
// and one pressure; LONGITUDE has the wrong shape and SCALE runs along N_LEVELS only.
std::string TwoProfiles(const TempDir& dir)
{
    const std::string path = dir.file("two.nc");
    FixtureVar ref{"REFERENCE_DATE_TIME", NC_CHAR, {"DATE_TIME"}};
    ref.text = "20000101000000";
    FixtureVar cycle{"CYCLE_NUMBER", NC_INT, {"N_PROF"}, {7, kFill}};
    cycle.fill = kFill;
    FixtureVar dir_{"DIRECTION", NC_CHAR, {"N_PROF"}};
    dir_.text = "AD";
    FixtureVar mode{"DATA_MODE", NC_CHAR, {"N_PROF"}};
    mode.text = "RD";
    FixtureVar juld{"JULD", NC_DOUBLE, {"N_PROF"}, {1.5, 999999.0}};
    juld.fill = 999999.0;
    FixtureVar lat{"LATITUDE", NC_DOUBLE, {"N_PROF"}, {-12.5, kFill}};
    lat.fill = kFill;
    FixtureVar lon{"LONGITUDE", NC_DOUBLE, {"N_LEVELS"}, {1, 2, 3}};
    FixtureVar vss{"VERTICAL_SAMPLING_SCHEME", NC_CHAR, {"N_PROF", "STRING32"}};
    vss.text = std::string("Primary sampling: 1 dbar").append(8, '\0') + "Near-surface sampling: unpumped ";
    FixtureVar pres{"PRES", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {5, 10, kFill, 1, kFill, kFill}};
    pres.fill = kFill;
    FixtureVar temp{"TEMP", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {20, 19, kFill, 25, kFill, kFill}};
    temp.fill = kFill;
    FixtureVar platform{"PLATFORM", NC_CHAR, {"N_PROF", "STRING8"}};
    platform.text = "1234    5678    ";
    FixtureVar scale{"SCALE", NC_INT, {"N_LEVELS"}, {1, 2, 3}};
    EXPECT_TRUE(MakeNcFile(path, {{"DATE_TIME", 14}, {"STRING32", 32}, {"STRING8", 8}, {"N_PROF", 2}, {"N_LEVELS", 3}},
                           {ref, cycle, dir_, mode, juld, lat, lon, vss, pres, temp, platform, scale}));
    return path;
}

struct CommandRun {
    int status = -1;
    std::string out, err;
};

CommandRun RunCsv(const TempDir& dir, const std::vector<std::string>& args)
{
    CommandRun r;
    const auto outPath = dir.file("stdout.txt"), errPath = dir.file("stderr.txt");
    std::FILE* out = std::fopen(outPath.c_str(), "wb");
    std::FILE* err = std::fopen(errPath.c_str(), "wb");
    r.status = RunMode("--csv", args, LocalReader(), out, err);
    std::fclose(out);
    std::fclose(err);
    r.out = ReadWholeFile(outPath);
    r.err = ReadWholeFile(errPath);
    return r;
}

TEST(ProfileChoice, WhichFilesOfferTheProfileTools)
{
    TempDir dir;
    struct Case {
        FixtureDims dims;
        bool offered;
        const char* reason; // part of the reason when not offered
    } cases[] = {
        {{{"N_PROF", 1}, {"N_LEVELS", 3}}, true, ""},
        {{{"N_PROF", 51}, {"N_LEVELS", 115}}, true, ""},
        {{{"N_PROF", 0}, {"N_LEVELS", 3}}, false, "at least one profile"},
        {{{"N_PROF", 2}, {"N_LEVELS", 1}}, false, "more than one level"},
        {{{"N_LEVELS", 5}}, false, "need the dimensions N_PROF and N_LEVELS"},
        {{{"N_PROF", 3}}, false, "need the dimensions N_PROF and N_LEVELS"},
    };
    int k = 0;
    for (const Case& c : cases) {
        const std::string path = dir.file("shape" + std::to_string(k++) + ".nc");
        ASSERT_TRUE(MakeNcFile(path, c.dims, {}));
        const ProfileToolsInfo info = ReadProfileToolsInfo(path);
        EXPECT_EQ(info.offered, c.offered) << path;
        EXPECT_NE(info.reason.find(c.reason), std::string::npos) << info.reason;
        EXPECT_EQ(info.reason.empty(), c.offered);
    }
    EXPECT_FALSE(ReadProfileToolsInfo(dir.file("absent.nc")).offered);
    EXPECT_EQ(ReadProfileToolsInfo(kArgo + "/2902696_prof.nc").extent, (ProfileExtent{51, 115}));
}

TEST(ProfileChoice, ArgoDatesAsUtcText)
{
    EXPECT_FALSE(ParseReferenceDateTime("19501301000000"));
    EXPECT_FALSE(ParseReferenceDateTime("19500230000000"));
    EXPECT_FALSE(ParseReferenceDateTime("1950010100000"));
    EXPECT_FALSE(ParseReferenceDateTime("1950010100000x"));
    EXPECT_EQ(ParseReferenceDateTime("19500101000000  "), DefaultArgoReference());
    EXPECT_EQ(*ParseReferenceDateTime("19700101000001"), 1);
    EXPECT_EQ(*ParseReferenceDateTime("20200229235959"), 1583020799);

    const struct {
        double days;
        const char* iso;
        const char* minutes;
    } cases[] = {
        {0.0, "1950-01-01T00:00:00Z", "1950-01-01 00:00"},
        {25395.402083, "2019-07-13T09:39:00Z", "2019-07-13 09:39"},
        {0.5 / 86400.0, "1950-01-01T00:00:01Z", "1950-01-01 00:00"}, // half a second rounds up
        {-1.0, "1949-12-31T00:00:00Z", "1949-12-31 00:00"},
        {25626.5, "2020-02-29T12:00:00Z", "2020-02-29 12:00"},      // a leap day
        {25627.999999, "2020-03-02T00:00:00Z", "2020-03-02 00:00"}, // 0.09 s before midnight
    };
    for (const auto& c : cases) {
        const auto s = JuldToSeconds(c.days, DefaultArgoReference());
        ASSERT_TRUE(s) << c.days;
        EXPECT_EQ(FormatUtcIso(*s), c.iso);
        EXPECT_EQ(FormatUtcMinutes(*s), c.minutes);
    }
    EXPECT_FALSE(JuldToSeconds(NAN, 0));
    EXPECT_FALSE(JuldToSeconds(INFINITY, 0));
    EXPECT_FALSE(JuldToSeconds(9.0e6, 0));
}

TEST(ProfileChoice, SummariesOfEveryProfile)
{
    TempDir dir;
    const ProfileSummaryList two = ReadProfileSummaries(TwoProfiles(dir));
    ASSERT_TRUE(two.ok) << two.message;
    ASSERT_EQ(two.profiles.size(), 2u);
    const ProfileSummary& p0 = two.profiles[0];
    EXPECT_EQ(p0.cycle, 7);
    EXPECT_EQ(p0.direction, 'A');
    EXPECT_EQ(p0.dataMode, 'R');
    EXPECT_EQ(p0.date, "2000-01-02 12:00");
    EXPECT_EQ(p0.latitude, -12.5);
    EXPECT_FALSE(p0.longitude); // shaped (N_LEVELS), not per profile
    EXPECT_EQ(p0.scheme, "Primary sampling");
    EXPECT_EQ(p0.levelsWithPressure, 2u);
    const ProfileSummary& p1 = two.profiles[1];
    EXPECT_EQ(p1.index, 1u);
    EXPECT_FALSE(p1.cycle); // fill
    EXPECT_EQ(p1.direction, 'D');
    EXPECT_EQ(p1.date, "");
    EXPECT_FALSE(p1.latitude);
    EXPECT_EQ(p1.scheme, "Near-surface sampling");
    EXPECT_EQ(p1.levelsWithPressure, 1u);
    EXPECT_EQ(DescribeProfile(p0, 2), "profile 0 of 2 (cycle 7, ascending)");
    EXPECT_EQ(DescribeProfile(p1, 2), "profile 1 of 2 (descending)");

    // Real files: a float's history, and cycle files with secondary profiles.
    const ProfileSummaryList prof = ReadProfileSummaries(kArgo + "/2902696_prof.nc");
    ASSERT_EQ(prof.profiles.size(), 51u);
    EXPECT_EQ(prof.profiles[0].cycle, 1);
    EXPECT_EQ(prof.profiles[0].date, "2016-09-22 14:37");
    EXPECT_EQ(prof.profiles[0].latitude, 12.014);
    EXPECT_EQ(prof.profiles[0].scheme, "Primary sampling");
    EXPECT_EQ(prof.profiles[0].levelsWithPressure, 113u);
    EXPECT_EQ(prof.profiles[50].cycle, 51);
    const ProfileSummaryList cycle = ReadProfileSummaries(kArgo + "/R6903247_072.nc");
    ASSERT_EQ(cycle.profiles.size(), 6u);
    EXPECT_EQ(cycle.profiles[1].scheme, "Near-surface sampling");
    EXPECT_EQ(cycle.profiles[1].levelsWithPressure, 3u);
    EXPECT_EQ(cycle.profiles[1].date, "2019-07-13 09:39");
    const ProfileSummaryList delayed = ReadProfileSummaries(kArgo + "/D1900857_001.nc");
    ASSERT_EQ(delayed.profiles.size(), 2u);
    EXPECT_EQ(delayed.profiles[1].longitude, 9.738);
    EXPECT_EQ(delayed.profiles[1].dataMode, 'D');
    EXPECT_EQ(delayed.profiles[1].date, "2008-03-09 01:23");

    EXPECT_FALSE(ReadProfileSummaries(BW_TEST_DATA_DIR "/13857_meta.nc").ok);
}

TEST(ProfileChoice, LevelRecordsOfChosenProfiles)
{
    TempDir dir;
    const std::string two = TwoProfiles(dir);
    std::vector<CLevelArray> out;
    const std::size_t chosen[] = {1, 0};
    ASSERT_TRUE(LoadProfileLevels(two, {2, 3}, chosen, out).ok);
    ASSERT_EQ(out.size(), 2u);
    // Numbered n (first level) down to 1, as the single-profile reader numbers them.
    EXPECT_EQ(out[0][2].no, 3);
    EXPECT_EQ(out[0][2].pres, 1.0f);
    EXPECT_EQ(out[0][2].temp, 25.0f);
    EXPECT_EQ(out[0][1].pres, 99999.0f);
    EXPECT_EQ(out[0][2].psal, 99999.0f); // no PSAL in the file
    EXPECT_EQ(out[1][1].pres, 10.0f);

    // A changed file, and a profile beyond N_PROF, are refused.
    const LevelLoadResult changed = LoadProfileLevels(two, {3, 3}, chosen, out);
    EXPECT_FALSE(changed.ok);
    EXPECT_NE(changed.message.find("changed"), std::string::npos);
    EXPECT_TRUE(out.empty());
    const std::size_t beyond[] = {2};
    EXPECT_FALSE(LoadProfileLevels(two, {2, 3}, beyond, out).ok);

    // One profile: exactly the records the single-profile reader gives.
    const std::string single = BW_TEST_DATA_DIR "/D5900446_001.nc";
    CLevelArray direct;
    ASSERT_TRUE(LoadLevelArray(single, direct).ok);
    const std::size_t first[] = {0};
    ASSERT_TRUE(LoadProfileLevels(single, ReadProfileToolsInfo(single).extent, first, out).ok);
    ASSERT_EQ(out[0].GetSize(), direct.GetSize());
    for (int i = 0; i < direct.GetSize(); ++i) {
        EXPECT_EQ(out[0][i].no, direct[i].no);
        EXPECT_EQ(std::memcmp(&out[0][i], &direct[i], sizeof(CLevelRecord)), 0) << i;
    }
}

// A small netCDF-4 file that declares N_PROF = 2·10^5, N_LEVELS = 10^6 and holds one
// written profile (3): every reading of one profile reads that profile's rows alone,
// and a list of every profile does not count 2·10^11 pressures. (Reading whole variables
// would take hours: the test would not end.)
TEST(ProfileChoice, HugeDeclaredFileReadsOnlyTheRowsShown)
{
    TempDir dir;
    const std::string path = dir.file("huge.nc");
    const std::size_t kProfiles = 200'000, kHuge = 1'000'000;
    {
        NcBuilder b(path, NC_NETCDF4 | NC_CLOBBER);
        const int prof = b.dim("N_PROF", kProfiles), levels = b.dim("N_LEVELS", kHuge);
        const int cycle = b.var("CYCLE_NUMBER", NC_INT, {prof});
        const int pres = b.var("PRES", NC_FLOAT, {prof, levels});
        b.att_float(pres, "_FillValue", {99999.0f});
        const std::size_t chunk[2] = {1, 65536}; // one profile's piece of levels a chunk
        NcCheck(nc_def_var_chunking(b.id(), pres, NC_CHUNKED, chunk), "chunking");
        b.end_define();
        const std::size_t one[1] = {3}, count1[1] = {1};
        const int nine = 9;
        NcCheck(nc_put_vara_int(b.id(), cycle, one, count1, &nine), "cycle");
        const std::size_t start[2] = {3, 0}, count[2] = {1, 3};
        const float values[3] = {5, 10, 99999};
        NcCheck(nc_put_vara_float(b.id(), pres, start, count, values), "pres");
    }
    const ProfileSummaryList one = ReadProfileSummaries(path, {3, 1});
    ASSERT_TRUE(one.ok) << one.message;
    ASSERT_EQ(one.profiles.size(), 1u);
    EXPECT_EQ(one.profiles[0].index, 3u);
    EXPECT_EQ(one.profiles[0].cycle, 9);
    EXPECT_EQ(one.profiles[0].levelsWithPressure, 2u);
    EXPECT_EQ(one.extent.profiles, kProfiles);
    EXPECT_EQ(DescribeChosenProfile(LocalReader(), path, 3), "profile 3 of 200000 (cycle 9)");

    const ProfileSummaryList all = ReadProfileSummaries(path);
    ASSERT_TRUE(all.ok) << all.message;
    ASSERT_EQ(all.profiles.size(), kProfiles);
    EXPECT_EQ(all.profiles[3].cycle, 9);
    EXPECT_FALSE(all.profiles[3].levelsWithPressure); // not counted: too many pressures

    std::vector<CLevelArray> levels;
    const std::size_t chosen[] = {3};
    const LevelLoadResult loaded = LoadProfileLevels(path, {kProfiles, kHuge}, chosen, levels);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    ASSERT_EQ(levels.size(), 1u);
    ASSERT_EQ(static_cast<std::size_t>(levels[0].GetSize()), kHuge);
    EXPECT_EQ(levels[0][levels[0].GetSize() - 1].pres, 5.0f); // the file's first level, last added
}

TEST(ProfileChoice, ProfileTableOfChosenProfile)
{
    TempDir dir;
    const std::string two = TwoProfiles(dir);
    const ProfileTable t = ReadProfileTable(two, 1);
    ASSERT_EQ(t.rows.size(), 3u);
    // Columns: LONGITUDE, PRES, TEMP, SCALE (last dimension N_LEVELS).
    ASSERT_EQ(t.columns.size(), 4u);
    EXPECT_EQ(t.rows[0][1], "1.000000000");
    EXPECT_EQ(t.rows[1][1], "99999.000000000");
    EXPECT_EQ(t.rows[0][2], "25.000000000");
    EXPECT_EQ(t.rows[2][3], "3"); // not along N_PROF: the same for every profile
    EXPECT_EQ(ReadProfileTable(two, 0).rows[1][1], "10.000000000");
    EXPECT_TRUE(ReadProfileTable(two, 2).rows.empty());

    // The near-surface profile of a cycle file: three pressures, then fill.
    const ProfileTable nearSurface = ReadProfileTable(kArgo + "/R6903247_072.nc", 1);
    std::size_t pres = 0;
    while (pres < nearSurface.columns.size() && nearSurface.columns[pres].name != "PRES")
        ++pres;
    ASSERT_LT(pres, nearSurface.columns.size());
    EXPECT_EQ(nearSurface.rows[2][pres].find("99999"), std::string::npos);
    EXPECT_NE(nearSurface.rows[3][pres].find("99999"), std::string::npos);
    EXPECT_NE(nearSurface.rows[0][pres], ReadProfileTable(kArgo + "/R6903247_072.nc", 0).rows[0][pres]);
}

TEST(ProfileChoice, CsvOfOneProfile)
{
    TempDir dir;
    const std::string two = TwoProfiles(dir);
    const CommandRun r =
        RunCsv(dir, {two, "--items", "CYCLE_NUMBER,PLATFORM,SCALE", "--columns", "PRES,SCALE", "--profile", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "CYCLE_NUMBER,99999\r\nPLATFORM,5678    \r\nSCALE,1,2,3\r\nPRES,SCALE\r\n"
                     "1.000000,1\r\n99999.000000,2\r\n99999.000000,3\r\n");
    EXPECT_EQ(r.err, "profile 1 of 2 (descending)\n");
    const CommandRun first = RunCsv(dir, {two, "--items", "PLATFORM", "--columns", "TEMP"});
    EXPECT_EQ(first.out, "PLATFORM,1234    \r\nTEMP\r\n20.000000\r\n19.000000\r\n99999.000000\r\n");
    EXPECT_EQ(first.err, "profile 0 of 2 (cycle 7, ascending)\n");
}

TEST(ProfileChoice, CsvOfAllProfilesAsOneTable)
{
    TempDir dir;
    const std::string two = TwoProfiles(dir);
    const char* header = "N_PROF,CYCLE_NUMBER,DIRECTION,DATA_MODE,JULD,LATITUDE,LONGITUDE,";
    // Levels where every chosen column is fill are left out.
    const CommandRun r = RunCsv(dir, {two, "--columns", "TEMP,PRES", "--profile", "all"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(header) + "PRES,TEMP\r\n"
                                           "0,7,A,R,2000-01-02T12:00:00Z,-12.500000,,5.000000,20.000000\r\n"
                                           "0,7,A,R,2000-01-02T12:00:00Z,-12.500000,,10.000000,19.000000\r\n"
                                           "1,,D,D,,,,1.000000,25.000000\r\n");
    EXPECT_EQ(r.err, "");
    // A column without fill keeps every level; the other's fill values are empty cells.
    const CommandRun all = RunCsv(dir, {two, "--columns", "PRES,SCALE", "--profile", "all", "-o", dir.file("all.csv")});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(ReadWholeFile(dir.file("all.csv")), std::string(header) +
                                                      "PRES,SCALE\r\n"
                                                      "0,7,A,R,2000-01-02T12:00:00Z,-12.500000,,5.000000,1\r\n"
                                                      "0,7,A,R,2000-01-02T12:00:00Z,-12.500000,,10.000000,2\r\n"
                                                      "0,7,A,R,2000-01-02T12:00:00Z,-12.500000,,,3\r\n"
                                                      "1,,D,D,,,,1.000000,1\r\n1,,D,D,,,,,2\r\n1,,D,D,,,,,3\r\n");
    // One profile keeps the stored fill numbers, or writes empty cells when asked.
    const CommandRun one = RunCsv(dir, {two, "--columns", "PRES,SCALE", "--profile", "1"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, "PRES,SCALE\r\n1.000000,1\r\n99999.000000,2\r\n99999.000000,3\r\n");
    const CommandRun blank = RunCsv(dir, {two, "--columns", "PRES,SCALE", "--profile", "1", "--blank-fill"});
    ASSERT_EQ(blank.status, 0) << blank.err;
    EXPECT_EQ(blank.out, "PRES,SCALE\r\n1.000000,1\r\n,2\r\n,3\r\n");
    // A synthetic file's DATA_MODE: the parameters' modes.
    const CommandRun s = RunCsv(dir, {kArgo + "/3902131_Sprof.nc", "--columns", "PSAL", "--profile", "all"});
    ASSERT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(s.out.substr(s.out.find("\r\n") + 2, 18), "0,1,D,D (DOXY R),2") << s.out.substr(0, 200);

    // A real float file: 51 profiles, JULD to the second.
    const CommandRun prof = RunCsv(dir, {kArgo + "/2902696_prof.nc", "--columns", "PRES", "--profile", "all"});
    ASSERT_EQ(prof.status, 0);
    EXPECT_EQ(prof.out.substr(0, prof.out.find("\r\n", prof.out.find("\r\n") + 2)),
              std::string(header) + "PRES\r\n0,1,A,D,2016-09-22T14:37:00Z,12.014000,114.521000,    1.3");
}

TEST(ProfileChoice, CsvProfileUsageErrors)
{
    TempDir dir;
    const std::string two = TwoProfiles(dir);
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{two, "--columns", "PRES", "--profile", "2"}, 2, "use 0 to 1 (the file has 2 profiles) or all"},
        {{two, "--columns", "PRES", "--profile", "-1"}, 2, "not a profile number"},
        {{two, "--columns", "PRES", "--profile", "1x"}, 2, "not a profile number"},
        {{two, "--columns", "PRES", "--profile"}, 2, "--profile needs"},
        {{two, "--items", "PRES", "--profile", "all"}, 2, "--items cannot be used with --profile all"},
        {{BW_TEST_DATA_DIR "/13857_meta.nc", "--columns", "X", "--profile", "all"},
         1,
         "need the dimensions N_PROF and N_LEVELS"},
        {{BW_TEST_DATA_DIR "/D5900446_001.nc", "--columns", "PRES", "--profile", "1"},
         2,
         "use 0 (the file has 1 profile)"},
    };
    for (const auto& c : cases) {
        const CommandRun r = RunCsv(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

} // namespace

namespace {

// The title line of a figure: the float (PLATFORM_NUMBER, else the file name), cycles and days shown.
TEST(FigureTitle, FloatCyclesAndDates)
{
    const struct {
        const char* path;
        const char* number;
    } names[] = {{"/data/D5900446_001.nc", "5900446"},
                 {"2902696_prof.nc", "2902696"},
                 {"BR6903247_072.nc", "6903247"},
                 {"x/R2901623_000.nc", "2901623"},
                 {"profile.nc", ""},
                 {"D59_001.nc", ""},
                 {"5900446.nc", ""}};
    for (const auto& n : names)
        EXPECT_EQ(FloatNumberOfFileName(n.path), n.number) << n.path;

    auto summary = [](std::optional<long long> cycle, const char* date) {
        ProfileSummary s;
        s.cycle = cycle;
        s.date = date;
        return s;
    };
    const struct {
        std::vector<ProfileSummary> shown;
        const char* title;
    } rows[] = {
        {{summary(1, "2004-04-30 10:00")}, "Float 5900446, cycle 1, 2004-04-30"},
        {{summary(3, "2016-10-02 15:16"), summary(1, "2016-09-22 14:37"), summary(2, "2016-09-22 23:00")},
         "Float 5900446, cycles 1-3, 2016-09-22 to 2016-10-02"},
        {{summary(std::nullopt, ""), summary(7, "")}, "Float 5900446, cycle 7"},
        {{}, "Float 5900446"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(FigureTitle("5900446", r.shown), r.title);
    const std::vector<ProfileSummary> unnamed{summary(2, "2020-01-01 00:00")};
    EXPECT_EQ(FigureTitle("", unnamed), "cycle 2, 2020-01-01");
    // The file's own PLATFORM_NUMBER wins over the file name's, padding and all.
    const ProfileSummaryList real = ReadProfileSummaries(BW_TEST_DATA_DIR "/D5900446_001.nc");
    ASSERT_TRUE(real.ok);
    EXPECT_EQ(real.profiles[0].platform, "5900446"); // stored as "5900446\0"
    EXPECT_EQ(FigureTitle("123", real.profiles), "Float 5900446, cycle 1, 2004-04-30");
}

} // namespace
