// Quality flags and the choice of values: reading <PARAM>_QC, <PARAM>_ADJUSTED_QC and
// DATA_MODE, the "Best available" and "Good data only" rules, and when ADJUSTED is usable.
#include <gtest/gtest.h>

#include "profile/chosen_values.h"
#include "profile/level_records.h"
#include "profile/parameter_series.h"
#include "profile/profile_levels.h"
#include "reader/reader_table.h"
#include "profile/levels_command.h"
#include "profile/profile_qc.h"
#include "profile/seawater.h"
#include "support/command_words.h"
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
    EXPECT_TRUE(AdjustedUsable(std::span<const CLevelArray>(&levels, 1))); // PRES_ADJUSTED
    EXPECT_FALSE(AdjustedUsable({}));
    EXPECT_FALSE(AdjustedUnusableMessage().empty());

    const std::vector<ShownLevel> all = ShownLevels(levels, f, ValueChoice::Best, false);
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

    // The level at 180 dbar has both TEMP and PSAL flagged 3: nothing good is left.
    const std::vector<ShownLevel> good = ShownLevels(levels, f, ValueChoice::Raw, true);
    ASSERT_EQ(good.size(), 49u);
    for (const ShownLevel& s : good)
        EXPECT_GT(s.psal, 30.0) << s.no;
    const CLevelArray kept = ResolveProfile(levels, f, ValueChoice::Raw, true).levels;
    ASSERT_EQ(kept.GetSize(), 49);
    EXPECT_EQ(kept.Find(34), -1);
    EXPECT_EQ(kept[48].no, 50);
    EXPECT_EQ(ResolveProfile(levels, f, ValueChoice::Adjusted, true).levels.GetSize(), 50); // no adjusted flags
    // The adjusted values of this file: fill, derived values missing too.
    const std::vector<ShownLevel> adj = ShownLevels(levels, f, ValueChoice::Adjusted, false);
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

    // ADJUSTED is offered while every profile has one adjusted value: profile 1 has
    // none at first, then an adjusted temperature alone.
    CLevelArray p0, p1;
    const double l0[6] = {5, 0, 0, 5, kFill, kFill}, none[6] = {15, 0, 0, kFill, kFill, kFill},
                 m[6] = {15, 0, 0, kFill, 3, kFill};
    p0.Add(LevelRecordFromValues(1, l0));
    p1.Add(LevelRecordFromValues(1, none));
    EXPECT_TRUE(AdjustedUsable(std::span<const CLevelArray>(&p0, 1)));
    EXPECT_FALSE(AdjustedUsable(std::span<const CLevelArray>(&p1, 1)));
    std::vector<CLevelArray> two(2);
    two[0].Add(LevelRecordFromValues(1, l0));
    two[1].Add(LevelRecordFromValues(1, none));
    EXPECT_FALSE(AdjustedUsable(two));
    two[1].Add(LevelRecordFromValues(2, m));
    EXPECT_TRUE(AdjustedUsable(two));
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
    run.status = RunMode("--levels", args, LocalReader(), out, err);
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
        {{kR2901746, "--params"}, 2, "--params"},      {{kR2901746, "--adjusted", "--best"}, 2, "one of"},
        {{kR2901746, "--profile", "1"}, 2, "profile"}, {{}, 2, "--levels needs FILE"},
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

namespace {

std::string Padded(const std::vector<std::string>& names, std::size_t width)
{
    std::string text;
    for (const std::string& n : names)
        text += n + std::string(width - n.size(), ' ');
    return text;
}

// A synthetic file of two profiles whose parameters carry their own modes (no
// DATA_MODE), listed in another order in each profile.
std::string WriteSyntheticFile(const std::string& path)
{
    FixtureVar names{"STATION_PARAMETERS", NC_CHAR, {"N_PROF", "N_PARAM", "STRING16"}};
    names.text = Padded({"PRES", "TEMP", "PSAL", "DOXY"}, 16) + Padded({"DOXY", "PSAL", "TEMP", "PRES"}, 16);
    FixtureVar modes{"PARAMETER_DATA_MODE", NC_CHAR, {"N_PROF", "N_PARAM"}};
    modes.text = "DDDARARD";
    const std::vector<std::string> lv{"N_PROF", "N_LEVELS"};
    const bool ok =
        MakeNcFile(path, {{"N_PROF", 2}, {"N_LEVELS", 3}, {"N_PARAM", 4}, {"STRING16", 16}},
                   {names, modes, FixtureVar{"PRES", NC_FLOAT, lv, {5, 10, 15, 5, 10, 15}},
                    FixtureVar{"PRES_ADJUSTED", NC_FLOAT, lv, {5.5, 10.5, 15.5, 6, 11, 16}},
                    FixtureVar{"TEMP", NC_FLOAT, lv, {20, 19, 18, 21, 20, 19}},
                    FixtureVar{"TEMP_ADJUSTED", NC_FLOAT, lv, {20.1, kFill, 18.1, 21.1, 20.1, 19.1}},
                    FixtureVar{"PSAL", NC_FLOAT, lv, {35, 35.1, 35.2, 34, 34.1, 34.2}},
                    FixtureVar{"PSAL_ADJUSTED", NC_FLOAT, lv, {35.01, 35.11, 35.21, 34.01, 34.11, 34.21}},
                    FixtureVar{"DOXY", NC_FLOAT, lv, {200, 210, kFill, 220, 230, 240}, {}, {}, kFill},
                    FixtureVar{"DOXY_ADJUSTED", NC_FLOAT, lv, {201, 211, kFill, 221, 231, 241}, {}, {}, kFill}});
    if (!ok)
        throw std::runtime_error("cannot write " + path);
    return path;
}

// A BGC file: PRES and BGC parameters only, with DATA_MODE 'A' beside the
// parameters' own modes.
std::string WriteBgcFile(const std::string& path)
{
    FixtureVar names{"STATION_PARAMETERS", NC_CHAR, {"N_PROF", "N_PARAM", "STRING16"}};
    names.text = Padded({"PRES", "DOXY", "CHLA"}, 16);
    FixtureVar modes{"PARAMETER_DATA_MODE", NC_CHAR, {"N_PROF", "N_PARAM"}};
    modes.text = "RDA";
    FixtureVar dataMode{"DATA_MODE", NC_CHAR, {"N_PROF"}};
    dataMode.text = "A";
    FixtureVar chlaQc{"CHLA_QC", NC_CHAR, {"N_PROF", "N_LEVELS"}};
    chlaQc.text = "141";
    FixtureVar chlaAdjQc{"CHLA_ADJUSTED_QC", NC_CHAR, {"N_PROF", "N_LEVELS"}};
    chlaAdjQc.text = "141";
    const std::vector<std::string> lv{"N_PROF", "N_LEVELS"};
    const bool ok =
        MakeNcFile(path, {{"N_PROF", 1}, {"N_LEVELS", 3}, {"N_PARAM", 3}, {"STRING16", 16}},
                   {names, modes, dataMode, chlaQc, chlaAdjQc, FixtureVar{"PRES", NC_FLOAT, lv, {5, 10, 15}},
                    FixtureVar{"PRES_ADJUSTED", NC_FLOAT, lv, {5.2, 10.2, 15.2}},
                    FixtureVar{"DOXY", NC_FLOAT, lv, {200, 201, 202}},
                    FixtureVar{"DOXY_ADJUSTED", NC_FLOAT, lv, {kFill, 205, 206}},
                    FixtureVar{"CHLA", NC_FLOAT, lv, {0.1, kFill, 0.3}},
                    FixtureVar{"CHLA_ADJUSTED", NC_FLOAT, lv, {0.11, 0.21, 0.31}}});
    if (!ok)
        throw std::runtime_error("cannot write " + path);
    return path;
}

// The best available value of each parameter comes from its own data mode:
// PARAMETER_DATA_MODE matched by name in STATION_PARAMETERS, else DATA_MODE; a
// D-mode value whose adjusted value is fill stays missing.
TEST(ProfileQc, BestValuePerParameter)
{
    TempDir dir;
    const std::string s = WriteSyntheticFile(dir.file("S.nc"));
    const std::string b = WriteBgcFile(dir.file("B.nc"));
    const std::string real = std::string(BW_TEST_DATA_DIR) + "/3902131_Sprof.nc";
    const struct {
        std::string file;
        std::size_t profile, level;
        std::string param;
        double best; // kFill: missing
        char mode;
    } rows[] = {
        {s, 0, 0, "PRES", 5.5, 'D'},
        {s, 0, 1, "TEMP", kFill, 'D'},
        {s, 0, 0, "PSAL", 35.01, 'D'},
        {s, 0, 1, "DOXY", 211, 'A'},
        {s, 1, 0, "PRES", 6, 'D'},
        {s, 1, 0, "TEMP", 21, 'R'},
        {s, 1, 2, "PSAL", 34.21, 'A'},
        {s, 1, 1, "DOXY", 230, 'R'},
        {s, 0, 2, "DOXY", kFill, 'A'},
        {b, 0, 0, "PRES", 5, 'R'},
        {b, 0, 0, "DOXY", kFill, 'D'},
        {b, 0, 1, "DOXY", 205, 'D'},
        {b, 0, 1, "CHLA", 0.21, 'A'},
        {b, 0, 0, "TEMP", kFill, 'A'},
        {real, 0, 0, "PSAL", 35.7904, 'D'},
        {real, 0, 0, "PRES", 13.1, 'D'},
        {real, 0, 0, "DOXY", 193.05475, 'R'},
    };
    for (const auto& r : rows) {
        const std::string where = r.file + " " + std::to_string(r.profile) + " " + r.param;
        const ProfileToolsInfo info = ReadProfileToolsInfo(r.file);
        ASSERT_TRUE(info.offered) << where;
        const std::size_t chosen[] = {r.profile};
        std::vector<CLevelArray> levels;
        std::vector<ProfileFlags> flags;
        ASSERT_TRUE(LoadProfileLevels(r.file, info.extent, chosen, levels).ok) << where;
        ASSERT_TRUE(LoadProfileFlags(r.file, info.extent, chosen, flags).ok) << where;
        const bool core = r.param == "PRES" || r.param == "TEMP" || r.param == "PSAL";
        const std::vector<std::string> names{r.param};
        const ParameterLoad extra = LoadParameterSeries(r.file, info.extent, chosen, names);
        ASSERT_TRUE(extra.ok) << extra.message;
        const std::vector<ShownLevel> shown = ShownLevels(levels[0], flags[0], ValueChoice::Best, false,
                                                          core ? std::span<const ParameterSeries>() : extra.series[0]);
        ASSERT_GT(shown.size(), r.level) << where;
        const ShownLevel& l = shown[r.level];
        const double value = r.param == "PRES"   ? l.pres
                             : r.param == "TEMP" ? l.temp
                             : r.param == "PSAL" ? l.psal
                                                 : l.params.at(0).value;
        EXPECT_FLOAT_EQ(static_cast<float>(value), static_cast<float>(r.best)) << where;
        EXPECT_EQ(core ? flags[0].ModeOf(r.param) : extra.series[0][0].mode, r.mode) << where;
    }
}

TEST(LevelsCommand, ParamsOption)
{
    TempDir dir;
    const std::string b = WriteBgcFile(dir.file("B.nc"));
    const LevelsRun run = RunLevels({b, "--best", "--params", "DOXY,CHLA,NOPE"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0],
              "LEVEL\tPRES\tTEMP\tPSAL\tSIGMA_T\tTHETA\tSIGMA_THETA\tPRES_QC\tTEMP_QC\tPSAL_QC\tDOXY\tDOXY_QC\tCHLA\t"
              "CHLA_QC\tNOPE\tNOPE_QC");
    EXPECT_EQ(lines[1], "0\t5\t\t\t\t\t\t\t\t\t\t\t0.11\t1\t\t");
    EXPECT_EQ(lines[2], "1\t10\t\t\t\t\t\t\t\t\t205\t\t0.21\t4\t\t");
    EXPECT_NE(run.err.find("no level parameter NOPE"), std::string::npos) << run.err;
}

// --good blanks each value flagged 3, 4 or 9 and keeps a level while one chosen
// value of it is good; --adjusted shows empty only the variables without adjusted
// values.
TEST(LevelsCommand, GoodAndAdjustedOptions)
{
    TempDir dir;
    const std::string b = WriteBgcFile(dir.file("B.nc"));
    const std::vector<std::string> good = Lines(RunLevels({b, "--good", "--params", "CHLA"}).out);
    ASSERT_EQ(good.size(), 3u); // level 1: CHLA flagged 4 is its only value
    EXPECT_EQ(good[1], "0\t5\t\t\t\t\t\t\t\t\t0.1\t1");
    EXPECT_EQ(good[2].substr(0, 5), "1\t15\t"); // levels are counted as listed
    const std::vector<std::string> withDoxy = Lines(RunLevels({b, "--good", "--params", "CHLA,DOXY"}).out);
    ASSERT_EQ(withDoxy.size(), 4u);
    EXPECT_EQ(withDoxy[2], "1\t10\t\t\t\t\t\t\t\t\t\t4\t201\t");

    const std::string real = std::string(BW_TEST_DATA_DIR) + "/2902696_prof.nc";
    const std::vector<std::string> raw = Lines(RunLevels({real, "--profile", "30"}).out);
    const std::vector<std::string> kept = Lines(RunLevels({real, "--profile", "30", "--good"}).out);
    ASSERT_GT(raw.size(), 1u);
    EXPECT_EQ(raw[1].substr(0, 6), "0\t0.1\t");
    ASSERT_GT(kept.size(), 1u);
    EXPECT_EQ(kept[1].substr(0, 6), "0\t0.1\t") << kept[1]; // good TEMP, PSAL flagged 4
    EXPECT_NE(kept[1].find("\t\t\t\t"), std::string::npos) << kept[1];

    const LevelsRun adj = RunLevels({kR2901746, "--adjusted"});
    ASSERT_EQ(adj.status, 0) << adj.err;
    EXPECT_EQ(Lines(adj.out)[1].substr(0, 8), "0\t20.5\t\t");
}

} // namespace
