// The command line as a user types it: the program's one parser refuses what it cannot
// run with one line naming the problem and the mode's synopsis, whatever the order of
// the words; and a mode that needs no window writes nothing of the toolkit's own.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

struct ProgramRun {
    int status = -1;
    std::string out, err;
};

// Runs the program with `args` and `XDG_RUNTIME_DIR` and `QT_QPA_PLATFORM` unset, as
// from a bare root shell.
ProgramRun RunProgram(const std::vector<std::string>& args, const TempDir& scratch)
{
    const std::string outName = scratch.file("out"), errName = scratch.file("err");
    const pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen(outName.c_str(), "w", stdout) || !std::freopen(errName.c_str(), "w", stderr))
            _exit(127);
        unsetenv("XDG_RUNTIME_DIR");
        unsetenv("QT_QPA_PLATFORM");
        std::vector<char*> argv{const_cast<char*>(BW_BINARY)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(BW_BINARY, argv.data());
        _exit(127);
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    ProgramRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream o(outName, std::ios::binary), e(errName, std::ios::binary);
    r.out.assign(std::istreambuf_iterator<char>(o), {});
    r.err.assign(std::istreambuf_iterator<char>(e), {});
    return r;
}

const std::string kOne = BW_TEST_DATA_DIR "/D5900446_001.nc";
const std::string kMany = BW_TEST_DATA_DIR "/2902696_prof.nc";

} // namespace

// Each refusal: status 2, its first line, and the synopsis of the mode it was meant for
// ("" where the mode's command itself refuses, after reading the file: no synopsis).
TEST(CommandLine, ErrorsComeFromTheOneTable)
{
    TempDir dir;
    const std::string png = dir.file("never.png");
    const struct {
        std::vector<std::string> args;
        std::string line;  // the first line of standard error, after "brinewick: "
        std::string usage; // the synopsis's start, after "Usage: "
    } cases[] = {
        // Unknown options, in the window's mode and in a command's.
        {{"--frobnicate"}, "unknown option --frobnicate", "brinewick [FILE]\n"},
        {{"--dump", kOne, "--bogus"}, "unknown option --bogus", "brinewick --dump FILE [--lf] [--limit BYTES]\n"},
        {{"-x", "--levels", kOne}, "unknown option -x", "brinewick --levels FILE"},
        // An option of another mode, or of none.
        {{"--csv", kOne, "--lf"}, "--lf is not an option of --csv", "brinewick --csv FILE"},
        {{"--lf", kOne}, "--lf belongs to a mode (such as --dump); give the mode", "brinewick [FILE]\n"},
        {{"--search", "--max-size", "10"}, "--max-size is not an option of --search", "brinewick --search"},
        // Missing values, whichever option is last.
        {{"--dump", kOne, "--limit"}, "--limit needs a value: BYTES", "brinewick --dump"},
        {{"--search", "--wmo"}, "--wmo needs a value: N[,N...]", "brinewick --search"},
        {{kOne, "--plot", "-o"}, "-o needs a value: OUT", "brinewick --plot"},
        // Bad numbers and choices.
        {{"--dump", kOne, "--limit", "10k"}, "--limit takes a number of bytes", "brinewick --dump"},
        {{"--dump", kOne, "--limit", "-1"}, "--limit takes a number of bytes", "brinewick --dump"},
        {{"--fetch", "a/b.nc", "--max-size", "0"}, "--max-size takes a number of bytes", "brinewick --fetch"},
        {{"--section", kMany, "--var", "TEMP", "-o", png, "--range", "1,1"},
         "--range needs MIN,MAX: two different numbers",
         "brinewick --section"},
        {{"--search", "--wmo", "12a"}, "--wmo takes WMO numbers separated by commas", "brinewick --search"},
        {{"--search", "--from", "2020-02-30"}, "--from takes a date YYYY-MM-DD", "brinewick --search"},
        {{"--plot", kOne, "-o", png, "--vertical", "depth"},
         "unknown vertical quantity depth (pressure, density or temperature)",
         "brinewick --plot"},
        {{"--plot", kOne, "-o", png, "--curves", "T,S,D,DOXY,CHLA"},
         "--curves takes at most four curves",
         "brinewick --plot"},
        {{"--plot", kOne, "-o", dir.file("x.txt")}, "OUT must end in .png, .svg or .pdf", "brinewick --plot"},
        // Conflicting modes and options, an option given twice.
        {{"--csv", kOne, "--dump"}, "--dump and --csv are two modes; give one", "brinewick --dump"},
        {{"--levels", kOne, "--best", "--adjusted"}, "give one of --adjusted and --best", "brinewick --levels"},
        {{"--csv", kOne, "--items", "A", "--items", "B"}, "--items is given more than once", "brinewick --csv"},
        {{"--csv", kMany, "--items", "A", "--profile", "all"},
         "--items cannot be used with --profile all (use --columns)",
         "brinewick --csv"},
        // Files and required options missing, or too many.
        {{"--dump"}, "--dump needs FILE", "brinewick --dump"},
        {{"--dump", "a.nc", "b.nc"}, "--dump takes one file; more than one given: b.nc", "brinewick --dump"},
        {{"a.nc", "b.nc"}, "the window takes one file; more than one given: b.nc", "brinewick [FILE]\n"},
        {{"--search", "extra"}, "--search takes no file: extra", "brinewick --search"},
        {{"--fetch"}, "--fetch needs at least one PATH", "brinewick --fetch"},
        {{"--fetch", "../x.nc"},
         "unusable path \"../x.nc\" (write it as in the index: DAC/WMO/profiles/NAME.nc)",
         "brinewick --fetch"},
        {{"--plot", kOne}, "--plot needs -o OUT", "brinewick --plot"},
        {{"-o", png, "--section", kMany}, "--section needs --var NAME", "brinewick --section"},
        {{"--csv", kOne}, "--csv needs --items or --columns", "brinewick --csv"},
        // Refused by the command once the file is read: the message names the file
        // wherever it stands among the words.
        {{"--levels", "--profile", "99", kMany},
         kMany + ": --profile 99 is beyond the file's profiles; use 0 to 50 (the file has 51 profiles)",
         ""},
        {{"--plot", "--profile", "x", "-o", png, kMany}, kMany + ": --profile x is not a profile number", ""},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& a : c.args)
            shown += a + " ";
        const ProgramRun r = RunProgram(c.args, dir);
        EXPECT_EQ(r.status, 2) << shown << "\n" << r.err;
        EXPECT_EQ(r.out, "") << shown;
        const std::string first = r.err.substr(0, r.err.find('\n'));
        if (c.line.back() == ')' || c.usage.empty())
            EXPECT_EQ(first.rfind("brinewick: " + c.line, 0), 0u) << shown << "\n" << r.err;
        else
            EXPECT_EQ(first, "brinewick: " + c.line) << shown;
        if (c.usage.empty())
            EXPECT_EQ(r.err.find("Usage:"), std::string::npos) << shown;
        else
            EXPECT_EQ(r.err.substr(first.size() + 1, 7 + c.usage.size()), "Usage: " + c.usage) << shown << "\n"
                                                                                               << r.err;
    }
}

// The modes that need no window, from a shell without XDG_RUNTIME_DIR or a display:
// their output, and not one line of the toolkit's on standard error.
TEST(CommandLine, ModesWithoutAWindowWriteNothingOfTheToolkit)
{
    TempDir dir;
    const std::vector<std::vector<std::string>> runs = {
        {"--version"},
        {"--help"},
        {"--dump", kOne, "--lf"},
        {"--csv", kOne, "--columns", "PRES"},
        {"--levels", kOne},
        {"--plot", kOne, "-o", dir.file("p.png")},
        {"--plot", "--profile", "all", kMany, "-o", dir.file("p.svg"), "--curves", "T", "--fit"},
        {"--map", kMany, "-o", dir.file("m.png")},
        {"--section", kMany, "--var", "TEMP", "-o", dir.file("s.pdf")},
        {"--print", kOne, "-o", dir.file("t.pdf")},
    };
    for (const auto& args : runs) {
        const ProgramRun r = RunProgram(args, dir);
        EXPECT_EQ(r.status, 0) << args.front() << "\n" << r.err;
        const bool picture = args.front() == "--plot" || args.front() == "--map" || args.front() == "--section";
        EXPECT_EQ(r.out.empty(), picture) << args.front();
        EXPECT_EQ(r.err, "") << args.front();
    }
    for (const char* written : {"p.png", "p.svg", "m.png", "s.pdf", "t.pdf"})
        EXPECT_GT(std::filesystem::file_size(dir.file(written)), 1000u) << written;
}
