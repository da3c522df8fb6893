// sigma-t, the level records and their reading from real and made-up profile files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

#include "support/comma_locale.h"
#include "support/file_text.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"
#include "profile/level_records.h"
#include "profile/seawater.h"

namespace {

std::string Cell(LevelColumn column, const CLevelRecord& r, bool adjusted = false)
{
    char buf[64];
    return FormatLevelCell(column, r, adjusted, buf, sizeof buf);
}

TEST(SigmaT, PublishedCheckValues)
{
    EXPECT_NEAR(SigmaT(35, 15), 25.971963, 5e-7);
    EXPECT_NEAR(SigmaT(35, 25), 23.341235, 5e-7);
    EXPECT_NEAR(SigmaT(0, 0), -0.157406, 5e-7);
}

// The report's check values for the lapse rate and theta, and sigma-theta from them;
// missing inputs give missing results.
TEST(PotentialDensity, PublishedCheckValuesAndMissingInputs)
{
    EXPECT_NEAR(AdiabaticLapseRate(40, 40, 10000), 3.255976e-4, 5e-11);
    EXPECT_NEAR(PotentialTemperature68(40, 40, 10000, 0), 36.89073, 5e-6);
    EXPECT_NEAR(SigmaTheta(35, 15, 1000), 26.0059, 5e-5);
    EXPECT_NEAR(SigmaTheta(35, 15, 0), SigmaT(35, 15), 1e-12); // at the surface theta is t
    EXPECT_LT(PotentialTemperature(35, 15, 1000), 15.0);
    for (double missing : {PotentialTemperature(99999, 10, 100), PotentialTemperature(35, 99999, 100),
                           PotentialTemperature(35, 10, 99999), SigmaTheta(-1, 10, 100)})
        EXPECT_EQ(missing, kMissingValue);
}

TEST(SigmaT, MissingAndNegativeInputsGiveMissing)
{
    EXPECT_EQ(SigmaT(99999, 10), kMissingValue);
    EXPECT_EQ(SigmaT(35, 99999), kMissingValue);
    EXPECT_EQ(SigmaT(-1, 10), kMissingValue); // no S^1.5, never a NaN
    EXPECT_EQ(SigmaT(std::nan(""), 10), kMissingValue);
    // Close to the sentinel is not the sentinel.
    EXPECT_NE(SigmaT(35, 99998.9), kMissingValue);
}

TEST(LevelCells, FormatsAndMissingMarks)
{
    CLevelRecord r;
    EXPECT_EQ(Cell(LevelColumn::Prs, r), "-----");
    EXPECT_EQ(Cell(LevelColumn::Sig, r, true), "-----");
    r.no = 123;
    r.pres = 99998.9f;
    r.temp = 15.0f;
    r.psal = 35.0f;
    r.tempAdj = 25.0f;
    r.psalAdj = 35.0f;
    r.ComputeSigmas();
    EXPECT_EQ(Cell(LevelColumn::No, r), "123");
    EXPECT_EQ(Cell(LevelColumn::Prs, r), "99998.9");
    EXPECT_EQ(Cell(LevelColumn::Prs, r, true), "-----");
    EXPECT_EQ(Cell(LevelColumn::Tmp, r), "15.000");
    EXPECT_EQ(Cell(LevelColumn::Sal, r), "35.0000");
    EXPECT_EQ(Cell(LevelColumn::Sig, r), "25.9720");
    EXPECT_EQ(Cell(LevelColumn::Sig, r, true), "23.3412");
    r.psal = 0.0f;
    r.temp = 0.0f;
    r.ComputeSigmas();
    EXPECT_EQ(Cell(LevelColumn::Sig, r), "-0.1574");
    r.psal = -2.0f;
    r.ComputeSigmas();
    EXPECT_EQ(r.sigma, 99999.0f);
    EXPECT_EQ(Cell(LevelColumn::Sig, r), "-----");

    // The longest text of a float with "%.4f" fits the documented 46 bytes; a short
    // buffer is cut, never overrun.
    r.pres = -3.4028235e38f;
    char big[46];
    EXPECT_EQ(std::string(FormatLevelCell(LevelColumn::Sal, CLevelRecord(), false, big, sizeof big)), "-----");
    r.psal = -3.4028235e38f;
    EXPECT_EQ(std::strlen(FormatLevelCell(LevelColumn::Sal, r, false, big, sizeof big)), 45u);
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_STREQ(FormatLevelCell(LevelColumn::Tmp, r, true, small, sizeof small), "25.");
}

TEST(LevelCells, DigitsIgnoreTheProcessLocale)
{
    TempDir dir;
    CommaLocale comma;
    if (!comma.active())
        GTEST_SKIP() << "no decimal-comma locale available";
    CLevelRecord r;
    r.pres = 12.25f;
    r.psal = 35.0f;
    r.temp = 15.0f;
    r.ComputeSigmas();
    EXPECT_EQ(Cell(LevelColumn::Prs, r), "12.2");
    EXPECT_EQ(Cell(LevelColumn::Sig, r), "25.9720");
}

TEST(LevelRecord, CopyRecomputesSigmasFromTheFloats)
{
    CLevelRecord r;
    r.no = 4;
    r.psal = 35.0f;
    r.temp = 15.0f;
    r.sigma = 1.0f; // stale value a copy must not keep
    CLevelRecord c(r);
    EXPECT_EQ(c.no, 4);
    EXPECT_FLOAT_EQ(c.sigma, static_cast<float>(SigmaT(35.0, 15.0)));
    EXPECT_EQ(c.sigmaAdj, 99999.0f);
    CLevelRecord d;
    d = r;
    EXPECT_EQ(d.sigma, c.sigma);
}

TEST(LevelArray, KeepsAscendingNumbersAndAddingOrderForEqualOnes)
{
    CLevelArray a;
    auto make = [](int no, float pres) {
        CLevelRecord r;
        r.no = no;
        r.pres = pres;
        return r;
    };
    a.Add(make(3, 30));
    a.Add(make(1, 10));
    a.Add(make(2, 20));
    a.Add(make(2, 21));
    a.Add(make(5, 50));
    a.Add(make(0, 0));
    ASSERT_EQ(a.GetSize(), 6);
    const float expected[] = {0, 10, 20, 21, 30, 50};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(a[i].pres, expected[i]) << i;
    EXPECT_EQ(a.Find(2), 2);
    EXPECT_EQ(a.Find(5), 5);
    EXPECT_EQ(a.Find(4), -1);
    EXPECT_EQ(a.Find(-7), -1);
    EXPECT_FALSE(a.HasAdjustedData());
    a.RemoveAll();
    EXPECT_EQ(a.GetSize(), 0);
}

TEST(LoadLevelArray, NumbersLevelsDownFromNInFileOrder)
{
    TempDir dir;
    const std::filesystem::path path = dir.file("three.nc");
    ASSERT_TRUE((MakeNcFile(path, {{"N_PROF", 1}, {"N_LEVELS", 3}},
                            {{"PRES", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {5, 10, 20}},
                             {"TEMP", NC_DOUBLE, {"N_PROF", "N_LEVELS"}, {15, 25, 99999}},
                             {"PSAL", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {35, 99999, 35}},
                             {"PRES_ADJUSTED", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {99999, 99999.5, 99999}},
                             {"TEMP_ADJUSTED", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {15, 25, 0}},
                             {"PSAL_ADJUSTED", NC_SHORT, {"N_PROF", "N_LEVELS"}, {35, 35, 0}}})));
    CLevelArray a;
    const LevelLoadResult res = LoadLevelArray(path.string(), a);
    ASSERT_TRUE(res.ok) << res.message;
    ASSERT_EQ(a.GetSize(), 3);
    // Array order 1, 2, 3 is reverse file order.
    EXPECT_EQ(a[0].no, 1);
    EXPECT_EQ(a[0].pres, 20.0f);
    EXPECT_EQ(a[2].no, 3);
    EXPECT_EQ(a[2].pres, 5.0f);
    EXPECT_NEAR(a[2].sigma, 25.97196, 1e-4);
    EXPECT_EQ(a[1].sigma, 99999.0f);            // PSAL missing at level 2
    EXPECT_NEAR(a[1].sigmaAdj, 23.34123, 1e-4); // adjusted values computed normally
    EXPECT_EQ(a[0].sigma, 99999.0f);            // TEMP missing at level 1
    EXPECT_NEAR(a[0].sigmaAdj, -0.157406, 1e-5);
    // 99999.5 is not the missing value, so adjusted data are present.
    EXPECT_EQ(a[1].presAdj, 99999.5f);
    EXPECT_TRUE(a.HasAdjustedData());
}

TEST(LoadLevelArray, AbsentMisshapenOrNonFiniteValuesLoadAsMissing)
{
    TempDir dir;
    const std::filesystem::path path = dir.file("odd.nc");
    ASSERT_TRUE((MakeNcFile(path, {{"N_PROF", 1}, {"N_LEVELS", 4}, {"N_OTHER", 2}, {"N_REC", 0}},
                            {{"PRES", NC_FLOAT, {"N_PROF", "N_OTHER"}, {1, 2}},                     // too few
                             {"TEMP", NC_FLOAT, {"N_LEVELS", "N_OTHER"}, {1, 2, 3, 4, 5, 6, 7, 8}}, // too many
                             {"PRES_ADJUSTED", NC_FLOAT, {"N_REC", "N_LEVELS"}, {}},                // zero records
                             {"TEMP_ADJUSTED", NC_CHAR, {"N_PROF", "N_LEVELS"}, {}, "abcd"},        // text
                             {"PSAL_ADJUSTED", NC_INT, {"N_LEVELS"}, {30, 31, 32, 33}}})));
    CLevelArray a;
    const LevelLoadResult res = LoadLevelArray(path.string(), a);
    ASSERT_TRUE(res.ok) << res.message;
    ASSERT_EQ(a.GetSize(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a[i].pres, 99999.0f);
        EXPECT_EQ(a[i].temp, 99999.0f);
        EXPECT_EQ(a[i].psal, 99999.0f); // no PSAL in the file
        EXPECT_EQ(a[i].presAdj, 99999.0f);
        EXPECT_EQ(a[i].tempAdj, 99999.0f);
        EXPECT_EQ(a[i].sigma, 99999.0f);
        EXPECT_EQ(a[i].sigmaAdj, 99999.0f);
    }
    EXPECT_EQ(a[0].psalAdj, 33.0f);
    EXPECT_FALSE(a.HasAdjustedData());

    // Values that are no finite float are missing too; FLT_MAX itself is a value.
    const std::filesystem::path nonFinite = dir.file("nonfinite.nc");
    ASSERT_TRUE((MakeNcFile(nonFinite, {{"N_LEVELS", 4}},
                            {{"PSAL", NC_DOUBLE, {"N_LEVELS"}, {NAN, INFINITY, 1e300, 3.4028235e38}},
                             {"TEMP", NC_FLOAT, {"N_LEVELS"}, {1, 2, 3, 4}}})));
    CLevelArray b;
    ASSERT_TRUE(LoadLevelArray(nonFinite.string(), b).ok);
    ASSERT_EQ(b.GetSize(), 4);
    EXPECT_EQ(b[0].psal, 3.4028235e38f);
    EXPECT_EQ(b[0].sigma, 99999.0f); // a density beyond the float range
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(b[i].psal, 99999.0f);
        EXPECT_EQ(b[i].sigma, 99999.0f);
    }
}

TEST(LoadLevelArray, UnreadableFilesAreReported)
{
    TempDir dir;
    CLevelArray a;
    LevelLoadResult res = LoadLevelArray(dir.file("absent.nc"), a);
    EXPECT_FALSE(res.ok);
    EXPECT_FALSE(res.message.empty());

    const std::filesystem::path garbage = dir.file("garbage.nc");
    {
        std::FILE* f = std::fopen(garbage.c_str(), "wb");
        std::fputs("CDF\x01 not really", f);
        std::fclose(f);
    }
    res = LoadLevelArray(garbage.string(), a);
    EXPECT_FALSE(res.ok);

    // A real profile cut short: its data would be read from past the end.
    const std::string whole = ReadWholeFile(BW_TEST_DATA_DIR "/D5900446_001.nc");
    const std::filesystem::path cut = dir.file("cut.nc");
    {
        std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() - 100);
    }
    res = LoadLevelArray(cut.string(), a);
    EXPECT_FALSE(res.ok);
    EXPECT_NE(res.message.find("truncated"), std::string::npos) << res.message;
    EXPECT_EQ(a.GetSize(), 0);

    const std::filesystem::path noLevels = dir.file("nolevels.nc");
    ASSERT_TRUE((MakeNcFile(noLevels, {{"N_PROF", 1}}, {{"PRES", NC_FLOAT, {"N_PROF"}, {1}}})));
    res = LoadLevelArray(noLevels.string(), a);
    EXPECT_FALSE(res.ok);
    EXPECT_NE(res.message.find("N_LEVELS"), std::string::npos);
    EXPECT_EQ(a.GetSize(), 0);
}

TEST(LoadLevelArray, RealArgoProfiles)
{
    CLevelArray a;
    LevelLoadResult res = LoadLevelArray(BW_TEST_DATA_DIR "/D5900446_001.nc", a);
    ASSERT_TRUE(res.ok) << res.message;
    ASSERT_EQ(a.GetSize(), 56);
    EXPECT_TRUE(a.HasAdjustedData());
    for (int i = 0; i < a.GetSize(); ++i) {
        EXPECT_EQ(a[i].no, i + 1);
        EXPECT_TRUE(std::isfinite(a[i].sigma));
        EXPECT_TRUE(std::isfinite(a[i].sigmaAdj));
    }
    // Surface water of a real profile is somewhere between fresh and dense brine.
    const CLevelRecord& top = a[a.GetSize() - 1];
    EXPECT_LT(top.pres, 20.0f);
    EXPECT_GT(top.sigma, 15.0f);
    EXPECT_LT(top.sigma, 30.0f);

    CLevelArray b;
    res = LoadLevelArray(BW_TEST_DATA_DIR "/R2901623_000.nc", b);
    ASSERT_TRUE(res.ok) << res.message;
    EXPECT_EQ(b.GetSize(), 91);
    EXPECT_FALSE(b.HasAdjustedData());
}

} // namespace
