// Where the command modes write: never over their input, never through a link, never
// half a file; standard output that ends early or is a terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/replace_file.h"
#include "core/stdout_sink.h"
#include "support/file_text.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct ProgramRun {
    int status = -1; // the exit status, or 128 + the signal that ended it
    std::string out, err;
};

// Starts the program with `args`, its standard output to `outFd` (or the scratch file
// "stdout"), under a file-size limit of `fileLimit` bytes when not 0 (a disk that
// refuses the bytes: writes past it fail with EFBIG), with `env` ("NAME=value") added.
// Signals are as a shell leaves them.
pid_t StartProgram(const std::vector<std::string>& args, const TempDir& scratch, rlim_t fileLimit = 0, int outFd = -1,
                   const std::vector<std::string>& env = {})
{
    const std::string outName = scratch.file("stdout"), errName = scratch.file("stderr");
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = outFd >= 0 ? outFd : ::open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        for (int sig : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM})
            signal(sig, SIG_DFL);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        if (fileLimit > 0) {
            const struct rlimit limit = {fileLimit, fileLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv{const_cast<char*>(BW_BINARY)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(BW_BINARY, argv.data());
        _exit(127);
    }
    return pid;
}

// Waits for a program StartProgram started and gives what it wrote.
ProgramRun FinishProgram(pid_t pid, const TempDir& scratch, bool withOut = true)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ProgramRun r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (withOut)
        r.out = ReadWholeFile(scratch.file("stdout"));
    r.err = ReadWholeFile(scratch.file("stderr"));
    return r;
}

ProgramRun RunProgram(const std::vector<std::string>& args, const TempDir& scratch, rlim_t fileLimit = 0,
                      int outFd = -1)
{
    return FinishProgram(StartProgram(args, scratch, fileLimit, outFd), scratch, outFd < 0);
}

// The state letter of process `pid` (R, S, T, Z...), or 0 when there is none.
char ProcessState(pid_t pid)
{
    const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? 0 : stat[close + 2];
}

// The reader helper the program `parent` started, once it has stopped itself at its
// first reading (BRINEWICK_TEST_CHILD_SIGNAL=SIGSTOP); -1 when the program ended first.
pid_t StoppedHelperOf(pid_t parent)
{
    for (;;) {
        for (const auto& e : fs::directory_iterator("/proc")) {
            const std::string name = e.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            const std::string stat = ReadWholeFile(e.path().string() + "/stat");
            const std::size_t close = stat.rfind(')');
            if (close == std::string::npos || ProcessState(std::stoi(name)) != 'T')
                continue;
            if (std::stol(stat.substr(stat.find(' ', close + 3))) == parent)
                return std::stoi(name);
        }
        if (ProcessState(parent) == 'Z')
            return -1;
        usleep(2000);
    }
}

void WriteFileText(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
}

bool HasTemporaryFile(const fs::path& dir)
{
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename().string().rfind(".brinewick-save-", 0) == 0)
            return true;
    return false;
}

} // namespace

// Every mode that writes a file, against every kind of target: a new file, an old
// file, a link to another file (replaced, never followed), a link or hard link to
// the input, the input itself, and a disk that refuses the bytes (a file-size limit).
TEST(OutputTargets, EveryWritingModeGuardsItsTarget)
{
    TempDir dir;
    const fs::path in = dir.path() / "in", out = dir.path() / "out", mirror = dir.path() / "mirror";
    const fs::path fetchedFolder = mirror / "dac" / "aoml" / "5900446" / "profiles";
    for (const fs::path& d : {in, out, fetchedFolder})
        fs::create_directories(d);
    fs::copy_file(BW_TEST_DATA_DIR "/D5900446_001.nc", in / "D5900446_001.nc");
    fs::copy_file(BW_TEST_DATA_DIR "/2902696_prof.nc", in / "2902696_prof.nc");
    fs::copy_file(BW_TEST_DATA_DIR "/D5900446_001.nc", fetchedFolder / "D5900446_001.nc");

    struct Mode {
        const char* name;
        fs::path input;
        std::vector<std::string> args; // IN, OUT and OUTDIR stand for the paths
        std::string target;            // the file written (a fetch's name is its source's)
        std::string begins;            // what a written file begins with
    };
    const std::string single = (in / "D5900446_001.nc").string(), multi = (in / "2902696_prof.nc").string();
    const Mode modes[] = {
        {"plot png", single, {"--plot", "IN", "-o", "OUT"}, "plot.png", "\x89PNG"},
        {"plot svg", single, {"--plot", "IN", "-o", "OUT"}, "plot.svg", "<?xml"},
        {"plot pdf", single, {"--plot", "IN", "-o", "OUT"}, "plot.pdf", "%PDF"},
        {"csv", single, {"--csv", "IN", "--columns", "PRES,TEMP,PSAL", "-o", "OUT"}, "levels.csv", "PRES"},
        {"map", multi, {"--map", "IN", "-o", "OUT"}, "track.svg", "<?xml"},
        {"section", multi, {"--section", "IN", "--var", "TEMP", "-o", "OUT"}, "section.pdf", "%PDF"},
        {"print", single, {"--print", "IN", "-o", "OUT"}, "text.pdf", "%PDF"},
        {"fetch",
         fetchedFolder / "D5900446_001.nc",
         {"--fetch", "aoml/5900446/profiles/D5900446_001.nc", "--gdac", "file://" + mirror.string(), "-o", "OUTDIR"},
         "D5900446_001.nc",
         "CDF"},
    };
    enum class Kind { New, Old, LinkElsewhere, LinkToInput, HardLinkToInput, Input, DiskFull };
    const struct {
        const char* name;
        Kind kind;
        int status;
    } targets[] = {
        {"new file", Kind::New, 0},
        {"old file", Kind::Old, 0},
        {"link to another file", Kind::LinkElsewhere, 0},
        {"link to the input", Kind::LinkToInput, 2},
        {"hard link to the input", Kind::HardLinkToInput, 2},
        {"the input itself", Kind::Input, 2},
        {"full disk", Kind::DiskFull, 1},
    };
    for (const Mode& mode : modes) {
        const std::string input = mode.input.string();
        const std::string original = ReadWholeFile(input);
        for (const auto& t : targets) {
            SCOPED_TRACE(std::string(mode.name) + ", " + t.name);
            const fs::path target = t.kind == Kind::Input ? mode.input : out / mode.target;
            const fs::path other = out / "other.txt";
            if (t.kind != Kind::Input)
                fs::remove(target);
            WriteFileText(other.string(), "other\n");
            switch (t.kind) {
            case Kind::New:
            case Kind::Input: break;
            case Kind::Old:
            case Kind::DiskFull: WriteFileText(target.string(), "old\n"); break;
            case Kind::LinkElsewhere: fs::create_symlink(other, target); break;
            case Kind::LinkToInput: fs::create_symlink(mode.input, target); break;
            case Kind::HardLinkToInput: fs::create_hard_link(mode.input, target); break;
            }
            std::vector<std::string> args;
            for (const std::string& a : mode.args)
                args.push_back(a == "IN"       ? input
                               : a == "OUT"    ? target.string()
                               : a == "OUTDIR" ? target.parent_path().string()
                                               : a);
            const ProgramRun r = RunProgram(args, dir, t.kind == Kind::DiskFull ? 200 : 0);
            EXPECT_EQ(r.status, t.status) << r.err;
            EXPECT_EQ(ReadWholeFile(input), original);
            EXPECT_FALSE(HasTemporaryFile(out) || HasTemporaryFile(mode.input.parent_path()));
            EXPECT_EQ(ReadWholeFile(other.string()), "other\n");
            if (t.status == 0) {
                EXPECT_FALSE(fs::is_symlink(target));
                EXPECT_EQ(ReadWholeFile(target.string()).rfind(mode.begins, 0), 0u);
            } else if (t.status == 2) {
                EXPECT_NE(r.err.find(target.string()), std::string::npos) << r.err;
                EXPECT_NE(r.err.find(input), std::string::npos) << r.err;
            } else {
                EXPECT_EQ(ReadWholeFile(target.string()), "old\n");
                EXPECT_NE(r.err.find(target.string() + ": File too large"), std::string::npos) << r.err;
            }
        }
    }
}

// A reader that goes away early ends the program quietly, with the status a tool
// ended by SIGPIPE has, whether the command writes itself or through its helper.
TEST(OutputTargets, ClosedPipeEndsQuietly)
{
    TempDir dir;
    const std::string file = BW_TEST_DATA_DIR "/D5900446_001.nc";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--levels", file}, {"--dump", file}, {"--csv", file, "--columns", "PRES"}}) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        close(fds[0]); // the reader is gone before the first byte
        const ProgramRun r = RunProgram(args, dir, 0, fds[1]);
        close(fds[1]);
        EXPECT_EQ(r.status, kBrokenPipeStatus) << args.front() << ": " << r.err;
        EXPECT_EQ(r.err, "") << args.front();
    }
}

// Control bytes from a file reach a terminal as octal escapes and a file unchanged.
TEST(OutputTargets, TerminalSeesControlBytesEscaped)
{
    // The filter itself, fed in pieces that split a CR LF.
    struct {
        std::vector<std::string> pieces;
        std::string shown;
    } cases[] = {
        {{"plain\ttext\n"}, "plain\ttext\n"},
        {{"title \x1b]0;owned\x07 end\r\n"}, "title \\033]0;owned\\007 end\r\n"},
        {{"a\r", "\nb\r", "c\x7f"}, "a\r\nb\\015c\\177"},
        {{std::string("nul\0", 4), "\x01\x1f"}, "nul\\000\\001\\037"},
        {{"caf\xc3\xa9 \x9b"}, "caf\xc3\xa9 \x9b"}, // UTF-8 and other high bytes pass
    };
    for (const auto& c : cases) {
        bool pendingCr = false;
        std::string shown;
        for (const std::string& piece : c.pieces)
            shown += EscapeForTerminal(piece, pendingCr);
        EXPECT_EQ(shown, c.shown);
    }

    // The program: --dump to a pseudo-terminal and to a file.
    TempDir dir;
    const std::string nc = dir.file("escape.nc");
    {
        NcBuilder b(nc);
        b.text_att(NC_GLOBAL, "title", "before\x1b[2Jafter");
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int terminal = ::open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    const ProgramRun shown = RunProgram({"--dump", nc, "--lf"}, dir, 0, terminal);
    close(terminal);
    std::string screen;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) // EIO once the writer is gone
        screen.append(buffer, static_cast<std::size_t>(n));
    close(master);
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(screen.find("before\\033[2Jafter"), std::string::npos) << screen;
    EXPECT_EQ(screen.find('\x1b'), std::string::npos);
    const ProgramRun piped = RunProgram({"--dump", nc, "--lf"}, dir);
    EXPECT_NE(piped.out.find("before\x1b[2Jafter"), std::string::npos) << piped.out;
}

// A command killed while it works leaves no output and no temporary file, and its
// helper does not outlive it (its parent-death signal), whatever signal ends it: while
// the helper reads (stopped there by the test, so that the kill lands mid-work) and
// while the output is written (a writer killed between two writes).
TEST(OutputTargets, KilledCommandLeavesNothing)
{
    TempDir dir;
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    const std::string single = BW_TEST_DATA_DIR "/D5900446_001.nc", multi = BW_TEST_DATA_DIR "/2902696_prof.nc";
    const struct {
        const char* name;
        std::vector<std::string> args; // OUT stands for the output file
    } modes[] = {
        {"csv", {"--csv", multi, "--profile", "all", "--columns", "PRES,TEMP", "-o", "OUT.csv"}},
        {"plot", {"--plot", single, "-o", "OUT.svg"}},
        {"map", {"--map", multi, "-o", "OUT.png"}},
        {"section", {"--section", multi, "--var", "TEMP", "-o", "OUT.pdf"}},
        {"print", {"--print", single, "-o", "OUT.pdf"}},
    };
    for (const auto& mode : modes) {
        for (int sig : {SIGKILL, SIGTERM, SIGINT}) {
            SCOPED_TRACE(std::string(mode.name) + ", " + strsignal(sig));
            std::vector<std::string> args;
            for (const std::string& a : mode.args)
                args.push_back(a.rfind("OUT", 0) == 0 ? (out / ("target" + a.substr(3))).string() : a);
            const pid_t parent =
                StartProgram(args, dir, 0, -1, {"BRINEWICK_TEST_CHILD_SIGNAL=" + std::to_string(SIGSTOP)});
            const pid_t helper = StoppedHelperOf(parent);
            ASSERT_GT(helper, 0) << FinishProgram(parent, dir).err;
            ASSERT_EQ(kill(parent, sig), 0);
            EXPECT_EQ(FinishProgram(parent, dir).status, 128 + sig);
            // The helper, stopped, goes with its parent (a zombie until someone reaps it).
            while (ProcessState(helper) != 0 && ProcessState(helper) != 'Z')
                usleep(2000);
            EXPECT_TRUE(fs::is_empty(out));
        }
    }

    // A writer killed halfway through its file.
    const std::string target = (out / "half.csv").string();
    const pid_t writer = fork();
    if (writer == 0) {
        ReplacingFile file;
        if (!file.Open(target, nullptr) || !file.Write("PRES,TEMP\n", 10))
            _exit(1);
        raise(SIGKILL);
        _exit(2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_TRUE(fs::is_empty(out));
}
