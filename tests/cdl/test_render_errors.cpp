// Files that cannot be rendered cleanly: each gives a logged message and never a
// crash, made-up values or a stale log; real Argo files render with an empty log.
#include <gtest/gtest.h>

#include <clocale>
#include <fstream>

#include "cdl/render_cdl.h"
#include "core/JobControl.h"
#include "support/file_text.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

const std::string kData = BW_TEST_DATA_DIR;

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

void expect_good_file_renders_cleanly()
{
    CdlOutcome outcome;
    std::string text = render_cdl_text(kData + "/D5900446_001.nc", &outcome);
    EXPECT_EQ(outcome.log, "");
    EXPECT_NE(text.find("\r\n PRES =\r\n"), std::string::npos);
}

TEST(RenderErrors, MissingAndForeignFilesAreLogged)
{
    TempDir dir;
    CdlOutcome outcome;
    std::string text = render_cdl_text(dir.file("nothing.nc"), &outcome);
    EXPECT_EQ(outcome.log, dir.file("nothing.nc") + ": No such file or directory\n");
    EXPECT_EQ(text, "");
    expect_good_file_renders_cleanly();

    write_file(dir.file("plain.txt"), "just some text, not netCDF\n");
    render_cdl_text(dir.file("plain.txt"), &outcome);
    EXPECT_EQ(outcome.log, dir.file("plain.txt") + ": NetCDF: Unknown file format\n");
    expect_good_file_renders_cleanly();
}

TEST(RenderErrors, MalformedHeadersNeverReachTheLibrary)
{
    // Mutated real files on which the netCDF library itself crashes or hangs.
    for (const char* name : {"segv_in_open.nc", "fpe_in_open.nc", "hang_in_open.nc"}) {
        std::string path = kData + "/malformed/" + name;
        CdlOutcome outcome;
        render_cdl_text(path, &outcome);
        std::string log = outcome.log;
        EXPECT_EQ(log.rfind(path + ": not a valid netCDF file: ", 0), 0u) << log;
    }
    TempDir dir;
    std::string whole = read_file(kData + "/D5900446_001.nc");
    std::string bad = whole;
    bad[7] = '\x7f'; // numrecs stays, but the dimension tag after it breaks
    bad[8] = '\x7f';
    write_file(dir.file("bad_tag.nc"), bad);
    CdlOutcome outcome;
    render_cdl_text(dir.file("bad_tag.nc"), &outcome);
    EXPECT_NE(outcome.log.find("not a valid netCDF file"), std::string::npos);
    expect_good_file_renders_cleanly();
}

TEST(RenderErrors, RealArgoFilesRenderWithAnEmptyLog)
{
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(kData))
        if (e.path().extension() == ".nc")
            files.push_back(e.path().string());
    ASSERT_GE(files.size(), 9u);
    for (const std::string& f : files) {
        CdlOutcome outcome;
        std::string text = render_cdl_text(f, &outcome);
        EXPECT_EQ(outcome.log, "") << f;
        EXPECT_GT(text.size(), 1000u) << f;
    }
}

TEST(RenderErrors, TextDoesNotDependOnTheLocale)
{
    std::string c_text = render_cdl_text(kData + "/D5900446_001.nc");
    const char* comma = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!comma)
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/setup.sh generates it)";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", 1.5);
    EXPECT_STREQ(buf, "1,5"); // the locale really writes decimal commas
    std::string comma_text = render_cdl_text(kData + "/D5900446_001.nc");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(comma_text, c_text);
}

} // namespace

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Running out of memory while building a large text is logged, never a crash: a
// child process renders under an address-space limit just above what it uses.
TEST(RenderErrors, OutOfMemoryIsLogged)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("big.nc"));
        int n = nc.dim("N", 4000000);
        int v = nc.var("v", NC_FLOAT, {n});
        nc.end_define();
        std::vector<float> values(4000000);
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = static_cast<float>(i) * 1.25f;
        nc.put_float(v, values);
    }
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        long pages = 0;
        if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(f);
        }
        rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (24u << 20);
        struct rlimit rl = {limit, limit};
        setrlimit(RLIMIT_AS, &rl);
        CdlOutcome outcome;
        std::string text = render_cdl_text(dir.file("big.nc"), &outcome);
        std::string log = outcome.log;
        _exit(log.find("Out of memory!") != std::string::npos ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the log did not say Out of memory!";
}

} // namespace

namespace {

// A rendering asked to stop says so and stops between variables; one not asked
// reports its progress in bytes of text.
TEST(RenderErrors, CancelStopsTheRenderingAndProgressCountsBytes)
{
    JobControl cancelled;
    cancelled.RequestCancel();
    StringSink stopped;
    const CdlOutcome outcome = render_cdl(kData + "/D5900446_001.nc", stopped, &cancelled);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.ok());
    EXPECT_EQ(stopped.text.find("\r\n PRES ="), std::string::npos);

    JobControl running;
    StringSink whole;
    EXPECT_TRUE(render_cdl(kData + "/D5900446_001.nc", whole, &running).ok());
    EXPECT_EQ(running.Done(), whole.text.size());
    EXPECT_EQ(whole.text, render_cdl_text(kData + "/D5900446_001.nc"));
}

} // namespace
