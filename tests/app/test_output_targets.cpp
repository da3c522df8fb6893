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
#include <filesystem>
#include <string>
#include <vector>

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

// Runs the program with `args`, its standard output to `outFd` (or a file whose text it
// returns), under a file-size limit of `fileLimit` bytes when not 0 (a disk that
// refuses the bytes: writes past it fail with EFBIG). Signals are as a shell leaves them.
ProgramRun RunProgram(const std::vector<std::string>& args, const TempDir& scratch, rlim_t fileLimit = 0,
                      int outFd = -1)
{
    const std::string outName = scratch.file("stdout"), errName = scratch.file("stderr");
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = outFd >= 0 ? outFd : ::open(outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        signal(SIGPIPE, SIG_DFL);
        signal(SIGXFSZ, SIG_DFL);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
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
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ProgramRun r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (outFd < 0)
        r.out = ReadWholeFile(outName);
    r.err = ReadWholeFile(errName);
    return r;
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
