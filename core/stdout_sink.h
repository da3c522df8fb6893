#pragma once
// Standard output as the command modes write it: unchanged to a file or a pipe, made
// safe to show on a terminal, and quiet when the reader of a pipe goes away.
#include <cstdio>
#include <string>
#include <string_view>

// The exit status of a command whose reader closed the pipe (as a tool ended by
// SIGPIPE reports it in the shell): the output was cut short, quietly.
constexpr int kBrokenPipeStatus = 141;

// Control bytes as a terminal would act on them, shown as three-digit octal escapes
// ("\033" for ESC): every byte below 0x20 but tab and line feed, and DEL. A CR is kept
// where a LF follows it (CR LF line ends); `pendingCr` carries a CR at the end of one
// piece over to the next, so pieces give what the whole text would.
std::string EscapeForTerminal(std::string_view bytes, bool& pendingCr);

// Writes a command's output to `out`. When `out` is a terminal the bytes go through
// EscapeForTerminal, so text from a file or a server cannot move the cursor, retitle
// the window or worse; to a file or a pipe they stay exactly as given.
class StdoutSink {
public:
    explicit StdoutSink(std::FILE* out);
    // Appends bytes; false once any write failed.
    bool Write(std::string_view bytes);
    // Writes what is held back and flushes; false when any write failed.
    bool Finish();
    // The reader of the pipe went away (EPIPE): the command ends quietly.
    bool BrokenPipe() const { return m_brokenPipe; }
    bool Ok() const { return m_ok; }

private:
    void Put(std::string_view bytes);

    std::FILE* m_out;
    bool m_terminal = false;
    bool m_pendingCr = false;
    bool m_ok = true;
    bool m_brokenPipe = false;
};

// Writes all of `bytes` to `out` through a StdoutSink and flushes. Returns 0, or
// kBrokenPipeStatus when the reader went away, or 1 after writing "brinewick: `what`"
// to `err` when the write failed otherwise.
int WriteStdout(std::FILE* out, std::FILE* err, std::string_view bytes, const char* what);
