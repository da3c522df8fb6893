// The window's readers through the helper process: the same results as read in this
// process, bit for bit, and a helper that dies becomes a failure that names the file,
// with this process living on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "core/helper_read.h"
#include "display/helper_reads.h"
#include "overview/helper_reads.h"
#include "profile/helper_reads.h"

namespace {

// One reader's result in the wire's form, and the message it gives on failure.
struct Read {
    std::string bytes;
    std::string message;
};

using Reader = std::function<Read(const std::string& path)>;

template <class T>
Read Of(const T& result, const std::string& message)
{
    return {to_wire(result), message};
}

const std::vector<std::pair<const char*, Reader>>& Readers()
{
    static const std::vector<std::pair<const char*, Reader>> readers = {
        {"tools-info",
         [](const std::string& p) {
             const ProfileToolsInfo r = ReadProfileToolsInfo(p);
             return Of(r, r.reason);
         }},
        {"summaries",
         [](const std::string& p) {
             const ProfileSummaryList r = ReadProfileSummaries(p);
             return Of(r, r.message);
         }},
        {"csv-variables",
         [](const std::string& p) {
             const CsvVariableList r = ReadCsvVariables(p);
             return Of(r, r.message);
         }},
        {"level-array",
         [](const std::string& p) {
             CLevelArray levels;
             const LevelLoadResult r = LoadLevelArray(p, levels);
             return Of(std::make_pair(r, levels.GetSize() ? levels[0] : CLevelRecord()), r.message);
         }},
        {"levels",
         [](const std::string& p) {
             std::vector<CLevelArray> out;
             const std::size_t profiles[] = {0, ReadProfileToolsInfo(p).extent.profiles > 1 ? 1u : 0u};
             const LevelLoadResult r = LoadProfileLevels(p, ReadProfileToolsInfo(p).extent, profiles, out);
             return Of(std::make_pair(r, std::move(out)), r.message);
         }},
        {"flags",
         [](const std::string& p) {
             std::vector<ProfileFlags> out;
             const std::size_t profiles[] = {0};
             const FlagLoadResult r = LoadProfileFlags(p, ReadProfileToolsInfo(p).extent, profiles, out);
             return Of(std::make_pair(r, std::move(out)), r.message);
         }},
        {"table",
         [](const std::string& p) {
             const ProfileTable r = ReadProfileTable(p, 0);
             return Of(r, r.message);
         }},
        {"axis-titles",
         [](const std::string& p) {
             GraphSettings s;
             ReadAxisTitles(p, s);
             return Of(std::vector<std::string>{s.pressureTitle, s.temperatureTitle, s.salinityTitle}, "");
         }},
        {"track",
         [](const std::string& p) {
             const FloatTrack r = ReadFloatTrack(p);
             return Of(r, r.message);
         }},
        {"section-variables", [](const std::string& p) { return Of(SectionVariables(p), ""); }},
        {"section",
         [](const std::string& p) {
             const SectionData r = ReadSection(p, "TEMP", {true, true});
             return Of(r, r.message);
         }},
    };
    return readers;
}

class HelperReads : public ::testing::Test {
protected:
    void TearDown() override
    {
        set_helper_program("");
        unsetenv("BRINEWICK_TEST_CHILD_SIGNAL");
    }
};

TEST_F(HelperReads, GiveWhatThisProcessReads)
{
    const std::string files[] = {
        BW_TEST_DATA_DIR "/2902696_prof.nc", // many profiles
        BW_TEST_DATA_DIR "/D5900446_001.nc", // one profile
        BW_TEST_DATA_DIR "/13857_meta.nc",   // no profiles
        BW_TEST_DATA_DIR "/malformed/hang_in_open.nc",
        "/nonexistent/file.nc",
    };
    for (const std::string& file : files) {
        for (const auto& [kind, read] : Readers()) {
            set_helper_program("");
            const Read here = read(file);
            set_helper_program(BW_BINARY);
            const Read there = read(file);
            EXPECT_EQ(there.bytes, here.bytes) << kind << " of " << file << ": " << there.message;
        }
    }
}

TEST_F(HelperReads, AHelperThatDiesIsAFailureNamingTheFile)
{
    const std::string file = BW_TEST_DATA_DIR "/2902696_prof.nc";
    set_helper_program(BW_BINARY);
    setenv("BRINEWICK_TEST_CHILD_SIGNAL", "11", 1);
    const std::string expected = file + ": the netCDF library stopped on this file: signal 11 (Segmentation fault)";
    for (const auto& [kind, read] : Readers()) {
        const Read r = read(file);
        // The titles and the variable list have no message: they fall back as for a
        // file that cannot be read.
        if (std::string(kind) == "axis-titles" || std::string(kind) == "section-variables")
            EXPECT_EQ(r.bytes, (set_helper_program(""), read("/nonexistent/file.nc").bytes)) << kind;
        else
            EXPECT_EQ(r.message, expected) << kind;
        set_helper_program(BW_BINARY);
    }
}

} // namespace
