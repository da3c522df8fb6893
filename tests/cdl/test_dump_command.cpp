// `brinewick --dump` as a user runs it: bytes on standard output, the log on standard
// error, and the exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <vector>

#include "cdl/render_cdl.h"
#include "support/file_text.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun run_env(const std::string& env, const std::string& args)
{
    TempDir dir;
    std::string cmd = env + std::string(BW_BINARY) + " " + args + " >" + dir.file("out") + " 2>" + dir.file("err");
    CliRun r;
    int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream o(dir.file("out"), std::ios::binary), e(dir.file("err"), std::ios::binary);
    r.out.assign(std::istreambuf_iterator<char>(o), {});
    r.err.assign(std::istreambuf_iterator<char>(e), {});
    return r;
}

CliRun run(const std::string& args)
{
    return run_env("", args);
}

const std::string kSample = std::string(BW_TEST_DATA_DIR) + "/D5900446_001.nc";

TEST(DumpCommand, WritesTheRenderedBytes)
{
    CliRun r = run("--dump " + kSample);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, render_cdl_text(kSample));

    CliRun plain = run("--dump " + kSample + " --lf");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out, lf(r.out));
    EXPECT_EQ(plain.out.find('\r'), std::string::npos);
}

TEST(DumpCommand, ErrorsAndUsage)
{
    CliRun missing = run("--dump /nonexistent/x.nc");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "/nonexistent/x.nc: No such file or directory\n");

    EXPECT_EQ(run("--dump").status, 2);
    EXPECT_EQ(run("--dump " + kSample + " --bogus").status, 2);
    EXPECT_EQ(run("--dump a.nc b.nc").status, 2);
    EXPECT_EQ(run("--frobnicate").status, 2);

    CliRun version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("Brinewick Version 1.0\n", 0), 0u);
    EXPECT_NE(version.out.find("netCDF"), std::string::npos);
    EXPECT_EQ(run("--help").status, 0);
}

// --dump lists every variable in full, as the text streams out; --limit caps the text
// of one variable, which is then summarised and reported.
TEST(DumpCommand, VariablesAreListedInFullUnlessALimitIsAsked)
{
    TempDir dir;
    const std::string path = dir.file("unwritten.nc");
    {
        NcBuilder nc(path, NC_CLOBBER | NC_NETCDF4);
        nc.var("w", NC_FLOAT, {nc.dim("n", 5000)});
    }
    CliRun full = run("--dump " + path + " --lf");
    EXPECT_EQ(full.status, 0);
    EXPECT_EQ(full.err, "");
    EXPECT_EQ(std::count(full.out.begin(), full.out.end(), '_'), 5000); // every value, a fill mark each
    EXPECT_EQ(full.out, lf(render_cdl_text(path)));

    CliRun limited = run("--dump " + path + " --limit 1000 --lf");
    EXPECT_EQ(limited.status, 1);
    EXPECT_NE(limited.out.find("\n // w: 5000 values not listed: their text would pass the limit of 1000 bytes for "
                               "one variable\n}\n"),
              std::string::npos);
    EXPECT_EQ(limited.err, path + ": variable w is not listed: the text of its 5000 values would pass the limit of "
                                  "1000 bytes for one variable\n");
    for (const char* bad : {"--limit", "--limit x", "--limit -1", "--limit 10k"})
        EXPECT_EQ(run("--dump " + path + " " + bad).status, 2) << bad;
}

// The file is read in a helper process: when the library takes the helper down (here a
// test hook raises the signal), --dump reports it and exits with 1 instead of dying.
TEST(DumpCommand, AHelperThatDiesIsReported)
{
    for (const char* sig : {"11", "6"}) {
        const std::string cmd = std::string("BRINEWICK_TEST_CHILD_SIGNAL=") + sig + " ";
        CliRun died = run_env(cmd, "--dump " + kSample);
        EXPECT_EQ(died.status, 1) << sig;
        EXPECT_EQ(died.out, "") << sig;
        EXPECT_EQ(died.err.rfind(kSample + ": the netCDF library stopped on this file: signal " + sig, 0), 0u)
            << died.err;
    }
    // The other commands that read a file run as a helper too.
    TempDir dir;
    for (const std::string& args :
         {"--csv " + kSample + " --columns PRES", "--plot " + kSample + " -o " + dir.file("p.png"),
          "--print " + kSample + " -o " + dir.file("p.pdf")}) {
        CliRun died = run_env("BRINEWICK_TEST_CHILD_SIGNAL=11 ", args);
        EXPECT_EQ(died.status, 1) << args;
        EXPECT_EQ(died.err, "brinewick: " + kSample +
                                ": the netCDF library stopped on this file: signal 11 "
                                "(Segmentation fault)\n")
            << args;
        EXPECT_EQ(run(args).status, 0) << args;
    }
}

} // namespace

// The entries of a CDL text's data section: each variable's name and its text.
std::map<std::string, std::string> DataEntries(const std::string& text)
{
    std::map<std::string, std::string> entries;
    const std::size_t data = text.find("\ndata:\n");
    if (data == std::string::npos)
        return entries;
    std::size_t at = data + 7;
    while (at < text.size() && text[at] == '\n')
        ++at;
    while (at < text.size() && text[at] == ' ') {
        const std::size_t end = std::min({text.find("\n\n", at), text.find("\n}", at), text.size()});
        entries[text.substr(at + 1, text.find(' ', at + 1) - at - 1)] = text.substr(at, end - at);
        at = end + 2;
    }
    return entries;
}

// A file cut anywhere shows its header and every variable whose values it still holds
// (never values made up for the missing bytes), then the error, with exit status 1.
TEST(DumpCommand, TruncatedFilesShowWhatTheyHold)
{
    TempDir dir;
    const std::string whole = ReadWholeFile(kSample);
    const std::string full = run("--dump " + kSample + " --lf").out;
    const std::size_t entries = DataEntries(full).size();
    ASSERT_GT(entries, 60u);
    const struct {
        std::size_t cut; // bytes kept
        bool header;
        std::vector<std::string> listed, missing; // variables whose values are or are not shown
        std::string error;
    } cases[] = {
        {whole.size(), true, {"DATA_TYPE", "HISTORY_QCTEST"}, {}, ""},
        {whole.size() - 3, true, {"DATA_TYPE", "PRES", "HISTORY_PREVIOUS_VALUE"}, {"HISTORY_QCTEST"}, "truncated"},
        {15000, true, {"DATA_TYPE", "PROFILE_PSAL_QC"}, {"PRES", "HISTORY_QCTEST"}, "truncated"},
        {14400, true, {"DATA_TYPE", "PLATFORM_NUMBER"}, {"PROJECT_NAME"}, "truncated"}, // just past the header
        {13000, false, {}, {"DATA_TYPE"}, "not a valid netCDF file"},                   // inside the header
        {200, false, {}, {"DATA_TYPE"}, "not a valid netCDF file: the header is cut short"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("cut at " + std::to_string(c.cut));
        const std::string path = dir.file("cut.nc");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << whole.substr(0, c.cut);
        const CliRun r = run("--dump " + path + " --lf");
        EXPECT_EQ(r.status, c.error.empty() ? 0 : 1);
        EXPECT_EQ(r.out.find("variables:\n") != std::string::npos, c.header);
        const auto shown = DataEntries(r.out);
        for (const auto& [name, text] : shown)
            EXPECT_NE(full.find(text), std::string::npos) << name << " shows other values than the whole file";
        for (const std::string& name : c.listed)
            EXPECT_TRUE(shown.count(name)) << name;
        for (const std::string& name : c.missing)
            EXPECT_FALSE(shown.count(name)) << name;
        if (c.error.empty())
            EXPECT_EQ(r.err, "");
        else
            EXPECT_EQ(r.err.rfind(path + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        if (c.header) // the text is whole: the error comes after it, in the log
            EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n");
    }
}
