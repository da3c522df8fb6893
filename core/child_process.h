#pragma once
// Runs a helper process (this program in a hidden mode) whose standard output comes
// back through a pipe, under limits of memory and processor time, so that a library
// that crashes, aborts or runs away on a bad file takes only the helper down.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class JobControl;

struct ChildLimits {
    unsigned long long address_space_bytes = 0; // 0: no limit
    unsigned long cpu_seconds = 0;              // 0: no limit
    // A cancel closes the child's standard input and waits for it to end (a child that
    // must tidy up, such as removing a half-written file); only if it is still running
    // after this many milliseconds is it killed. 0: a cancel kills at once.
    int cancel_grace_ms = 0;
};

struct ChildResult {
    bool started = false;
    bool cancelled = false; // the job was cancelled and the child killed
    int exit_code = -1;     // when it exited
    int signal = 0;         // when a signal ended it
    std::string problem;    // why it could not start or be read
    bool exited_cleanly() const { return started && !cancelled && signal == 0 && exit_code == 0; }
};

// The limits the window and the command line use: memory well under the machine's
// (half of it, at most 16 GiB), and ten minutes of processor time.
ChildLimits default_render_limits();

// Starts `program` with `args` (argv[1..]), hands everything it writes to standard output
// to `on_output` as it arrives, and waits for it to end. A cancel of `control` kills the
// child. Standard error is shared with this process, and so is standard output when
// `on_output` is empty.
ChildResult run_child(const std::string& program, const std::vector<std::string>& args, const ChildLimits& limits,
                      JobControl* control, const std::function<void(std::string_view)>& on_output);

// The exit status of a helper that ran out of memory (its address space is limited).
inline constexpr int kOutOfMemoryExit = 86;

// What a child's end says, for a message: "signal 11 (Segmentation fault)", "exit code 3",
// "the memory limit", "the time limit".
std::string describe_child_end(const ChildResult& result);
