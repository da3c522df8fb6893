// Helper processes: output, ends by exit and by signal, limits set in the child, and
// a cancel that kills a child which would otherwise run on.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "core/JobControl.h"
#include "core/child_process.h"

namespace {

struct ChildRun {
    ChildResult result;
    std::string out;
};

ChildRun run(const std::vector<std::string>& args, ChildLimits limits = {}, JobControl* control = nullptr)
{
    ChildRun r;
    r.result = run_child(args[0], {args.begin() + 1, args.end()}, limits, control,
                         [&](std::string_view bytes) { r.out.append(bytes); });
    return r;
}

TEST(ChildProcess, OutputEndsAndLimits)
{
    struct Case {
        std::vector<std::string> args;
        ChildLimits limits;
        std::string out;
        int exit_code;
        int signal;
        std::string described;
    };
    const Case cases[] = {
        {{"/bin/sh", "-c", "printf 'a\\0b'"}, {}, std::string("a\0b", 3), 0, 0, "exit code 0"},
        {{"/bin/sh", "-c", "exit 3"}, {}, "", 3, 0, "exit code 3"},
        {{"/bin/sh", "-c", "kill -SEGV $$"}, {}, "", -1, SIGSEGV, "signal 11 (Segmentation fault)"},
        {{"/bin/sh", "-c", "ulimit -v; ulimit -t"}, {1ull << 30, 7}, "1048576\n7\n", 0, 0, "exit code 0"},
        {{"/nonexistent/program"}, {}, "", 127, 0, "the reading process could not be started"},
    };
    for (const Case& c : cases) {
        const ChildRun r = run(c.args, c.limits);
        EXPECT_TRUE(r.result.started) << c.args.back();
        EXPECT_EQ(r.out, c.out) << c.args.back();
        EXPECT_EQ(r.result.exit_code, c.exit_code) << c.args.back();
        EXPECT_EQ(r.result.signal, c.signal) << c.args.back();
        EXPECT_EQ(describe_child_end(r.result), c.described) << c.args.back();
    }
}

TEST(ChildProcess, CancelKillsTheChild)
{
    JobControl control;
    control.RequestCancel();
    const auto start = std::chrono::steady_clock::now();
    const ChildRun r = run({"/bin/sleep", "30"}, {}, &control);
    EXPECT_TRUE(r.result.cancelled);
    EXPECT_FALSE(r.result.exited_cleanly());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

} // namespace

namespace {

// With a grace time, a cancel closes the child's input and lets it end by itself (here
// it tidies up by writing a last word), killing it only when it does not.
TEST(ChildProcess, CancelWithGraceLetsTheChildEnd)
{
    JobControl control;
    control.RequestCancel();
    ChildLimits limits;
    limits.cancel_grace_ms = 5000;
    std::string out;
    const ChildResult tidy = run_child("/bin/sh", {"-c", "read line; echo tidied"}, limits, &control,
                                       [&](std::string_view bytes) { out.append(bytes); });
    EXPECT_TRUE(tidy.cancelled);
    EXPECT_EQ(tidy.signal, 0);
    limits.cancel_grace_ms = 100;
    const ChildResult stubborn = run_child("/bin/sleep", {"30"}, limits, &control, {});
    EXPECT_TRUE(stubborn.cancelled);
    EXPECT_EQ(stubborn.signal, SIGKILL);
}

} // namespace
