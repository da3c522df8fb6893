#pragma once
// The limits a reading helper process runs under, and how its end is worded, so that a
// library that crashes, aborts or runs away on a bad file takes only the helper down
// and the caller can say what happened (reader/isolated_reader.h starts the helper).
#include <string>

struct ChildLimits {
    unsigned long long address_space_bytes = 0; // 0: no limit
    unsigned long cpu_seconds = 0;              // 0: no limit
};

struct ChildResult {
    bool started = false;
    int exit_code = -1;  // when it exited
    int signal = 0;      // when a signal ended it
    std::string problem; // why it could not start or be read
};

// The limits the window and the command line use: memory well under the machine's
// (half of it, at most 16 GiB), and ten minutes of processor time.
ChildLimits default_render_limits();

// The exit status of a helper that ran out of memory (its address space is limited).
inline constexpr int kOutOfMemoryExit = 86;

// What a child's end says, for a message: "signal 11 (Segmentation fault)", "exit code 3",
// "the memory limit", "the time limit".
std::string describe_child_end(const ChildResult& result);
