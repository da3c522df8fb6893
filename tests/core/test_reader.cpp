// The channel to the reading helper and the readers through it: frames survive any
// cut of the stream, every reader gives in the helper exactly what it gives in this
// process, a helper that dies or is killed mid-reading becomes a message naming the
// file (and the next reading starts another), and Cancel stops a reading without
// losing the helper.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <utility>

#include "cdl/reads.h"
#include "core/JobControl.h"
#include "display/reads.h"
#include "overview/reads.h"
#include "profile/reads.h"
#include "reader/caching_reader.h"
#include "reader/frames.h"
#include "reader/isolated_reader.h"
#include "reader/reader_table.h"
#include "support/file_text.h"
#include "support/temp_dir.h"

namespace {

const std::string kData = BW_TEST_DATA_DIR;

TEST(Frames, EveryTypeSurvivesAnyCutOfTheStream)
{
    const std::pair<FrameType, std::string> frames[] = {
        {FrameType::Request, to_wire(ReadRequest{"levels", std::string("\0args", 5)})},
        {FrameType::Cancel, ""},
        {FrameType::Progress, to_wire(ReadProgress{12, 34})},
        {FrameType::Text, std::string(70000, 'x') + "\r\n"},
        {FrameType::Log, "a line\n"},
        {FrameType::ResultPart, "first half"},
        {FrameType::Result, std::string("\0\1\2", 3)},
        {FrameType::Refused, ""},
    };
    std::string stream;
    for (const auto& [type, payload] : frames)
        stream += encode_frame(type, payload);
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::vector<std::pair<FrameType, std::string>> got;
        FrameParser parser([&](FrameType t, std::string_view p) { got.emplace_back(t, std::string(p)); });
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t n = std::min<std::size_t>(stream.size() - at, 1 + random() % 9000);
            parser.feed(std::string_view(stream).substr(at, n));
            at += n;
        }
        ASSERT_FALSE(parser.bad());
        ASSERT_FALSE(parser.pending());
        ASSERT_EQ(got.size(), std::size(frames));
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(got[i] == frames[i]) << i;
    }
    // An unknown type, or a length over the limit, ends the stream: nothing after it.
    for (const std::string& bad :
         {std::string("Z\0\0\0\0", 5), encode_frame(FrameType::Text, "").replace(1, 4, "\xff\xff\xff\x7f", 4)}) {
        int taken = 0;
        FrameParser parser([&](FrameType, std::string_view) { ++taken; });
        parser.feed(bad + encode_frame(FrameType::Result, "r"));
        EXPECT_TRUE(parser.bad());
        EXPECT_EQ(taken, 0);
    }
}

// The arguments each reader of the table gets for `path`: a reader added to the table
// without a line here fails the test below.
std::optional<std::string> ArgsFor(const std::string& name, const std::string& path, const std::string& csv)
{
    const ProfileExtent extent = ReadProfileToolsInfo(path).extent;
    const ShownProfilesArgs shown{path, extent, {0, extent.profiles > 1 ? 1u : 0u}};
    CsvSaveSettings settings;
    settings.items = {0, 1};
    settings.columns = {};
    settings.outputPath = csv;
    const std::map<std::string, std::string> args = {
        {TextRead::kName, to_wire(TextRead::Args{path, CdlOptions()})},
        {HeaderRead::kName, to_wire(HeaderRead::Args{path})},
        {ToolsInfoRead::kName, to_wire(PathArgs{path})},
        {SummariesRead::kName, to_wire(SummariesRead::Args{path, {}})},
        {CsvVariablesRead::kName, to_wire(PathArgs{path})},
        {LevelArrayRead::kName, to_wire(PathArgs{path})},
        {ProfileLevelsRead::kName, to_wire(shown)},
        {ProfileFlagsRead::kName, to_wire(shown)},
        {ParameterSeriesRead::kName,
         to_wire(ParameterSeriesRead::Args{path, extent, shown.profiles, {"DOXY", "TEMP", "NONE"}})},
        {CsvWriteRead::kName, to_wire(CsvWriteRead::Args{path, settings})},
        {CsvTextRead::kName, to_wire(CsvTextRead::Args{path, settings, false})},
        {ProfileTableRead::kName, to_wire(ProfileTableRead::Args{path, 0})},
        {AxisTitlesRead::kName, to_wire(AxisTitlesRead::Args{path, {"P", "T", "S"}})},
        {TrackRead::kName, to_wire(TrackArgs{path})},
        {SectionVariablesRead::kName, to_wire(TrackArgs{path})},
        {SectionRead::kName, to_wire(SectionRead::Args{path, "TEMP", {true, true}})},
    };
    const auto it = args.find(name);
    return it == args.end() ? std::nullopt : std::optional(it->second);
}

TEST(Readers, GiveInTheHelperWhatTheyGiveHereByteForByte)
{
    TempDir dir;
    IsolatedReader helper(BW_BINARY, default_render_limits());
    InProcessReader here(AllReaders());
    const std::string files[] = {
        kData + "/2902696_prof.nc",           // many profiles
        kData + "/D5900446_001.nc",           // one profile
        kData + "/13857_meta.nc",             // no profiles
        kData + "/malformed/hang_in_open.nc", // a header the library would loop on
        "/nonexistent/file.nc",
    };
    for (const std::string& file : files) {
        for (const std::string& name : AllReaders().Names()) {
            const std::string hereCsv = dir.file("here.csv"), thereCsv = dir.file("there.csv");
            const std::optional<std::string> hereArgs = ArgsFor(name, file, hereCsv);
            ASSERT_TRUE(hereArgs) << "no arguments for the reader " << name;
            StringSink hereText, thereText;
            const ReadAnswer a = here.Call(name, *hereArgs, {nullptr, &hereText});
            const ReadAnswer b = helper.Call(name, *ArgsFor(name, file, thereCsv), {nullptr, &thereText});
            ASSERT_TRUE(a.done() && b.done()) << name << " of " << file << ": " << b.what;
            EXPECT_EQ(a.bytes, b.bytes) << name << " of " << file;
            EXPECT_EQ(hereText.text, thereText.text) << name << " of " << file;
            if (std::filesystem::exists(hereCsv))
                EXPECT_EQ(ReadWholeFile(hereCsv), ReadWholeFile(thereCsv)) << file;
            std::filesystem::remove(hereCsv);
            std::filesystem::remove(thereCsv);
        }
    }
    EXPECT_EQ(helper.Starts(), 1); // one helper served every reading
    EXPECT_EQ(helper.Call("no-such-reader", "", {}).end, ReadAnswer::End::Refused);
    EXPECT_EQ(helper.Call(TextRead::kName, "not wire", {}).end, ReadAnswer::End::Refused);
    EXPECT_EQ(helper.Starts(), 1);
}

TEST(Readers, AHelperThatDiesIsAMessageAndTheNextReadingStartsAnother)
{
    const std::string file = kData + "/2902696_prof.nc";
    IsolatedReader reader(BW_BINARY, default_render_limits());

    // A crash as a reading starts (the helper raises the signal it is told to).
    setenv("BRINEWICK_TEST_CHILD_SIGNAL", "11", 1);
    const ProfileToolsInfo crashed = ReadProfileToolsInfo(reader, file);
    unsetenv("BRINEWICK_TEST_CHILD_SIGNAL");
    EXPECT_EQ(crashed.reason, file + ": the netCDF library stopped on this file: signal 11 (Segmentation fault)");
    EXPECT_FALSE(crashed.offered);
    EXPECT_EQ(ShownFileProblem(file, crashed, {51, 115}), crashed.reason);

    // Killed halfway through its text: the text so far arrived, then the message.
    class KillingSink : public CdlSink {
    public:
        explicit KillingSink(IsolatedReader& r) : m_reader(r) {}
        void write(std::string_view bytes) override
        {
            if (text.empty())
                kill(pid = m_reader.HelperPid(), SIGKILL);
            text.append(bytes);
        }
        std::string text;
        pid_t pid = 0;

    private:
        IsolatedReader& m_reader;
    } sink(reader);
    const CdlOutcome killed = Read<TextRead>(reader, {file, CdlOptions()}, {nullptr, &sink});
    EXPECT_GT(sink.pid, 0);
    EXPECT_FALSE(sink.text.empty());
    EXPECT_EQ(killed.log, file + ": the netCDF library stopped on this file: signal 9 (Killed)\n");

    // The next reading starts a helper of its own and is whole.
    EXPECT_TRUE(ReadProfileToolsInfo(reader, file).offered);
    EXPECT_EQ(reader.Starts(), 3);
    EXPECT_NE(reader.HelperPid(), sink.pid);
}

TEST(Readers, CancelStopsTheReadingAndKeepsTheHelper)
{
    TempDir dir;
    const std::string file = kData + "/3902131_Sprof.nc";
    IsolatedReader reader(BW_BINARY, default_render_limits());
    EXPECT_TRUE(ReadProfileToolsInfo(reader, file).offered);
    const pid_t pid = reader.HelperPid();

    // Cancel as the first text arrives: the rendering stops well before its end.
    JobControl job;
    class CancellingSink : public CdlSink {
    public:
        explicit CancellingSink(JobControl& j) : m_job(j) {}
        void write(std::string_view bytes) override
        {
            m_job.RequestCancel();
            size += bytes.size();
        }
        std::size_t size = 0;

    private:
        JobControl& m_job;
    } sink(job);
    const CdlOutcome cancelled = Read<TextRead>(reader, {file, CdlOptions()}, {&job, &sink});
    EXPECT_TRUE(cancelled.cancelled);
    StringSink whole;
    EXPECT_TRUE(Read<TextRead>(reader, {file, CdlOptions()}, {nullptr, &whole}).ok());
    EXPECT_LT(sink.size, whole.text.size() / 2);
    EXPECT_EQ(reader.HelperPid(), pid); // the same helper served on

    // A cancelled CSV file leaves nothing behind.
    JobControl stop;
    stop.RequestCancel();
    CsvSaveSettings settings;
    settings.ncPath = file;
    settings.columns = {ReadCsvVariables(reader, file).FindByName("PRES")->id};
    settings.outputPath = dir.file("out.csv");
    EXPECT_EQ(WriteCsvFile(reader, settings, &stop).status, CsvResult::Status::Cancelled);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(Readers, AHelperThatMisbehavesIsNamedForWhatItDid)
{
    TempDir dir;
    const std::string script = dir.file("helper");
    const std::string result = encode_frame(FrameType::Result, to_wire(std::string("hi")));
    std::string octal;
    for (unsigned char c : result)
        octal += "\\" + std::to_string(c >> 6) + std::to_string((c >> 3) & 7) + std::to_string(c & 7);
    struct Case {
        std::string body; // what the helper does after reading its request
        std::string what; // "" for a good answer
    };
    const Case cases[] = {
        {"printf '" + octal + "'", ""},
        {"printf '" + octal.substr(0, octal.size() - 8) + "'", "its output was cut short"},
        {"printf 'Zjunk'", "its output was malformed"},
        {"kill -SEGV $$", "signal 11 (Segmentation fault)"},
        {"exit 2", "exit code 2"},
        {"exit 86", "the memory limit"},
        {"kill -XCPU $$", "the time limit"},
        {"[ \"$1\" = --reader ] && [ \"$2\" = 7 ] || exit 5; printf '" + octal + "'", ""},
    };
    for (const Case& c : cases) {
        std::ofstream(script) << "#!/bin/sh\nhead -c 1 >/dev/null\n" << c.body << "\n";
        chmod(script.c_str(), 0755);
        ChildLimits limits;
        limits.cpu_seconds = 7;
        IsolatedReader reader(script, limits);
        const ReadAnswer answer = reader.Call("kind", to_wire(std::string("F.nc")), {});
        EXPECT_EQ(answer.done(), c.what.empty()) << c.body;
        EXPECT_EQ(answer.what, c.what) << c.body;
        std::string value;
        if (answer.done())
            EXPECT_TRUE(from_wire(answer.bytes, value) && value == "hi");
    }
}

TEST(Readers, TheDocumentsCacheGivesAReadingAgainUntilTheFileChanges)
{
    class CountingReader : public FileReader {
    public:
        ReadAnswer Call(const std::string& reader, const std::string& args, const ReadContext& context) override
        {
            ++calls;
            return LocalReader().Call(reader, args, context);
        }
        int calls = 0;
    } counting;
    TempDir dir;
    const std::string file = dir.file("float.nc");
    std::filesystem::copy_file(kData + "/D1900857_001.nc", file);
    CachingReader cache(counting, {SummariesRead::kName});
    const std::string first = to_wire(ReadProfileSummaries(cache, file));
    EXPECT_EQ(to_wire(ReadProfileSummaries(cache, file)), first);
    ReadProfileToolsInfo(cache, file); // not one of the kept readers
    ReadProfileToolsInfo(cache, file);
    EXPECT_EQ(counting.calls, 3);
    std::filesystem::copy_file(kData + "/D5900446_001.nc", file, std::filesystem::copy_options::overwrite_existing);
    EXPECT_NE(to_wire(ReadProfileSummaries(cache, file)), first);
    EXPECT_EQ(counting.calls, 4);
    cache.Clear();
    ReadProfileSummaries(cache, file);
    EXPECT_EQ(counting.calls, 5);
}

} // namespace
