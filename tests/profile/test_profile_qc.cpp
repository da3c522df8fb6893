// Quality flags and the choice of values: reading <PARAM>_QC, <PARAM>_ADJUSTED_QC and
// DATA_MODE, the "Best available" and "Good data only" rules, and when ADJUSTED is usable.
#include <gtest/gtest.h>

#include "profile/level_records.h"
#include "reader/reader_table.h"
#include "profile/levels_command.h"
#include "profile/profile_qc.h"
#include "profile/seawater.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

constexpr double kFill = 99999.0;
const std::string kR2901746 = std::string(BW_TEST_DATA_DIR) + "/R2901746_001.nc";

TEST(ProfileQc, ChoiceAndFlagRules)
{
    struct Case {
        ValueChoice choice;
        char mode;
        bool adjusted;
    } cases[] = {
        {ValueChoice::Raw, 'D', false},         {ValueChoice::Adjusted, 'R', true}, {ValueChoice::Best, 'R', false},
        {ValueChoice::Best, 'A', true},         {ValueChoice::Best, 'D', true},     {ValueChoice::Best, kNoFlag, false},
        {ValueChoice::Adjusted, kNoFlag, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UsesAdjusted(c.choice, c.mode), c.adjusted) << static_cast<int>(c.choice) << c.mode;

    const std::string bad = "34", dropped = "349";
    for (char f : std::string(" 0123456789"))
        EXPECT_EQ(IsBadFlag(f), bad.find(f) != std::string::npos) << f;
    for (char f : std::string(" 0123456789"))
        EXPECT_EQ(IsDroppedFlag(f), dropped.find(f) != std::string::npos) << f;
    EXPECT_TRUE(KeepsLevel({'4', '4', '4'}, false));
    EXPECT_TRUE(KeepsLevel({'1', '2', ' '}, true));
    EXPECT_TRUE(KeepsLevel({'5', '8', '0'}, true));
    EXPECT_FALSE(KeepsLevel({'1', '1', '9'}, true));
    EXPECT_FALSE(KeepsLevel({'3', '1', '1'}, true));
    EXPECT_FALSE(KeepsLevel({'1', '4', '1'}, true));

    EXPECT_EQ(FileIndexOfLevel(50, 50), 0u);
    EXPECT_EQ(FileIndexOfLevel(1, 50), 49u);
    EXPECT_EQ(FileIndexOfLevel(0, 50), 50u);
    EXPECT_EQ(FileIndexOfLevel(51, 50), 50u);
}

// R2901746_001.nc: real time, the level at 180 dbar flagged 3 in TEMP and PSAL (PSAL
// 0.0); PRES_ADJUSTED has values, but TEMP_ADJUSTED and PSAL_ADJUSTED are all fill.
TEST(ProfileQc, RealTimeFile)
{
    std::vector<ProfileFlags> flags;
    const std::size_t first[] = {0};
    const FlagLoadResult r = LoadProfileFlags(kR2901746, {1, 50}, first, flags);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(flags.size(), 1u);
    const ProfileFlags& f = flags[0];
    EXPECT_EQ(f.dataMode, 'R');
    ASSERT_EQ(f.psal.size(), 50u);
    EXPECT_EQ(std::string(f.pres.begin(), f.pres.end()), std::string(50, '1'));
    EXPECT_EQ(std::string(f.psal.begin(), f.psal.end()), std::string(16, '1') + "3" + std::string(33, '1'));
    EXPECT_EQ(std::string(f.tempAdj.begin(), f.tempAdj.end()), std::string(50, ' '));
    EXPECT_EQ(std::string(f.presAdj.begin(), f.presAdj.end()), std::string(50, '1'));

    CLevelArray levels;
    ASSERT_TRUE(LoadLevelArray(kR2901746, levels).ok);
    EXPECT_TRUE(levels.HasAdjustedData());
    EXPECT_FALSE(AdjustedUsable(std::span<const CLevelArray>(&levels, 1)));
    EXPECT_FALSE(AdjustedUsable({}));
    EXPECT_FALSE(AdjustedUnusableMessage().empty());

    const std::vector<ShownLevel> all = ShownLevels(levels, f, UsesAdjusted(ValueChoice::Best, f.dataMode), false);
    ASSERT_EQ(all.size(), 50u);
    EXPECT_EQ(all[0].no, 50);
    EXPECT_FLOAT_EQ(static_cast<float>(all[0].pres), 20.5f);
    EXPECT_FLOAT_EQ(static_cast<float>(all[16].pres), 180.0f);
    EXPECT_EQ(all[16].psal, 0.0);
    EXPECT_EQ(all[16].flags.psal, '3');
    EXPECT_EQ(all[16].flags.temp, '3');
    EXPECT_EQ(all[16].flags.pres, '1');
    EXPECT_NEAR(all[0].sigmaT, SigmaT(all[0].psal, all[0].temp), 1e-4);
    EXPECT_NEAR(all[49].theta, PotentialTemperature(all[49].psal, all[49].temp, all[49].pres), 1e-12);
    EXPECT_LT(all[49].theta, all[49].temp);
    EXPECT_NEAR(all[49].sigmaTheta, SigmaTheta(all[49].psal, all[49].temp, all[49].pres), 1e-12);

    const std::vector<ShownLevel> good = ShownLevels(levels, f, false, true);
    ASSERT_EQ(good.size(), 49u);
    for (const ShownLevel& s : good)
        EXPECT_GT(s.psal, 30.0) << s.no;
    const CLevelArray kept = GoodLevels(levels, f, false);
    ASSERT_EQ(kept.GetSize(), 49);
    EXPECT_EQ(kept.Find(34), -1); // the level at 180 dbar
    EXPECT_EQ(kept[48].no, 50);
    EXPECT_EQ(GoodLevels(levels, f, true).GetSize(), 50); // no adjusted flags
    // The adjusted values of this file: fill, derived values missing too.
    const std::vector<ShownLevel> adj = ShownLevels(levels, f, true, false);
    EXPECT_EQ(adj[0].temp, kFill);
    EXPECT_EQ(adj[0].sigmaT, kFill);
    EXPECT_EQ(adj[0].theta, kFill);
    EXPECT_EQ(adj[0].sigmaTheta, kFill);
}

// Two profiles of three levels with their own data modes; malformed flag variables
// read as no flags, and a changed file or a profile out of range is refused.
TEST(ProfileQc, GeneratedProfiles)
{
    TempDir dir;
    const std::string path = dir.file("qc.nc");
    FixtureVar mode{"DATA_MODE", NC_CHAR, {"N_PROF"}};
    mode.text = "DR";
    FixtureVar presQc{"PRES_QC", NC_CHAR, {"N_PROF", "N_LEVELS"}};
    presQc.text = std::string("14") + '\0' + "9 2";
    FixtureVar tempQc{"TEMP_QC", NC_INT, {"N_PROF", "N_LEVELS"}, {1, 1, 1, 1, 1, 1}}; // not text
    FixtureVar psalQc{"PSAL_QC", NC_CHAR, {"N_LEVELS"}};                              // not per profile
    psalQc.text = "111";
    FixtureVar psalAdjQc{"PSAL_ADJUSTED_QC", NC_CHAR, {"N_PROF", "N_LEVELS"}};
    psalAdjQc.text = "583   ";
    FixtureVar pres{"PRES", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {5, 10, 15, 5, 10, 15}};
    FixtureVar presAdj{"PRES_ADJUSTED", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {5, 10, 15, kFill, kFill, kFill}};
    FixtureVar tempAdj{"TEMP_ADJUSTED", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {kFill, 9, kFill, kFill, kFill, 3}};
    FixtureVar psalAdj{"PSAL_ADJUSTED", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {kFill, kFill, 35, kFill, kFill, 35}};
    ASSERT_TRUE(MakeNcFile(path, {{"N_PROF", 2}, {"N_LEVELS", 3}},
                           {mode, presQc, tempQc, psalQc, psalAdjQc, pres, presAdj, tempAdj, psalAdj}));

    std::vector<ProfileFlags> flags;
    const std::size_t both[] = {1, 0};
    ASSERT_TRUE(LoadProfileFlags(path, {2, 3}, both, flags).ok);
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_EQ(flags[0].dataMode, 'R');
    EXPECT_EQ(flags[1].dataMode, 'D');
    EXPECT_EQ(std::string(flags[1].pres.begin(), flags[1].pres.end()), "14 ");
    EXPECT_EQ(std::string(flags[0].pres.begin(), flags[0].pres.end()), "9 2");
    EXPECT_EQ(std::string(flags[1].temp.begin(), flags[1].temp.end()), "   ");
    EXPECT_EQ(std::string(flags[1].psal.begin(), flags[1].psal.end()), "   ");
    EXPECT_EQ(std::string(flags[1].psalAdj.begin(), flags[1].psalAdj.end()), "583");
    // Record 3 is the first level in the file.
    const LevelFlags first = FlagsOfLevel(flags[1], 3, true);
    EXPECT_EQ(first.psal, '5');
    EXPECT_EQ(first.pres, ' ');
    EXPECT_EQ(FlagsOfLevel(flags[1], 2, false).pres, '4');
    EXPECT_EQ(FlagsOfLevel(flags[1], 7, false).pres, kNoFlag);

    const std::size_t bad[] = {2};
    EXPECT_FALSE(LoadProfileFlags(path, {2, 3}, bad, flags).ok);
    EXPECT_FALSE(LoadProfileFlags(path, {2, 4}, both, flags).ok);
    EXPECT_FALSE(LoadProfileFlags(dir.file("none.nc"), {2, 3}, both, flags).ok);
    EXPECT_TRUE(flags.empty());

    // Profile 0 has every adjusted variable somewhere; profile 1 lacks PRES_ADJUSTED.
    CLevelArray p0, p1;
    const double l0[6] = {5, 0, 0, 5, kFill, kFill}, l1[6] = {10, 0, 0, 10, 9, kFill},
                 l2[6] = {15, 0, 0, 15, kFill, 35};
    p0.Add(LevelRecordFromValues(1, l0));
    p0.Add(LevelRecordFromValues(2, l1));
    EXPECT_FALSE(AdjustedUsable(std::span<const CLevelArray>(&p0, 1)));
    p0.Add(LevelRecordFromValues(3, l2));
    EXPECT_TRUE(AdjustedUsable(std::span<const CLevelArray>(&p0, 1)));
    const double m[6] = {15, 0, 0, kFill, 3, 35};
    p1.Add(LevelRecordFromValues(1, m));
    const CLevelArray* arrays[] = {&p0, &p1};
    std::vector<CLevelArray> two(2);
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < arrays[k]->GetSize(); ++i)
            two[static_cast<std::size_t>(k)].Add((*arrays[k])[i]);
    EXPECT_FALSE(AdjustedUsable(two));
}

} // namespace

namespace {

struct LevelsRun {
    int status = -1;
    std::string out, err;
};

LevelsRun RunLevels(const std::vector<std::string>& args)
{
    LevelsRun run;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    run.status = run_levels_command(args, out, err, LocalReader());
    for (auto [file, text] : {std::pair{out, &run.out}, std::pair{err, &run.err}}) {
        std::rewind(file);
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;)
            text->append(buf, n);
        std::fclose(file);
    }
    return run;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

TEST(LevelsCommand, TabSeparatedLevelList)
{
    EXPECT_EQ(ShortestFloatText(static_cast<double>(1024.07f)), "1024.07");
    EXPECT_EQ(ShortestFloatText(static_cast<double>(0.007f)), "0.007");
    EXPECT_EQ(ShortestFloatText(180.0), "180");
    EXPECT_EQ(ShortestFloatText(kFill), "");

    const LevelsRun raw = RunLevels({kR2901746});
    ASSERT_EQ(raw.status, 0) << raw.err;
    const std::vector<std::string> lines = Lines(raw.out);
    ASSERT_EQ(lines.size(), 51u);
    EXPECT_EQ(lines[0], "LEVEL\tPRES\tTEMP\tPSAL\tSIGMA_T\tTHETA\tSIGMA_THETA\tPRES_QC\tTEMP_QC\tPSAL_QC");
    EXPECT_EQ(lines[1], "0\t20.5\t15.365\t34.096\t25.1948\t15.3619\t25.1955\t1\t1\t1");
    EXPECT_EQ(lines[17], "16\t180\t0.007\t0\t-0.1569\t0.0121\t-0.1566\t1\t3\t3");
    EXPECT_EQ(RunLevels({kR2901746, "--best", "--profile", "0"}).out, raw.out); // real time: raw

    const struct {
        std::vector<std::string> args;
        int status;
        const char* err;
    } failures[] = {
        {{kR2901746, "--adjusted"}, 1, "ADJUSTED"},    {{kR2901746, "--adjusted", "--best"}, 2, "one of"},
        {{kR2901746, "--profile", "1"}, 2, "profile"}, {{}, 2, "no input file"},
        {{kR2901746, "--nope"}, 2, "unknown option"},  {{"/nonexistent.nc"}, 1, "nonexistent"},
    };
    for (const auto& f : failures) {
        const LevelsRun r = RunLevels(f.args);
        EXPECT_EQ(r.status, f.status) << r.err;
        EXPECT_NE(r.err.find(f.err), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }

    // Missing values and their derived values are empty fields; so are fill flags.
    TempDir dir;
    ProfileColumns p;
    p.pres = {5, 1024.07f};
    p.temp = {10, 99999};
    p.psal = {35, 35};
    const LevelsRun gen = RunLevels({WriteProfile(dir.file("gen.nc"), p)});
    ASSERT_EQ(gen.status, 0) << gen.err;
    const std::vector<std::string> g = Lines(gen.out);
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g[2], "1\t1024.07\t\t35\t\t\t\t\t\t");
    EXPECT_EQ(g[1].substr(0, 16), "0\t5\t10\t35\t26.952");
}

} // namespace
