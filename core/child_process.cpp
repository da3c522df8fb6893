#include "core/child_process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/JobControl.h"

namespace {

// Sets a limit in the child between fork and exec (only async-signal-safe calls there).
void limit(int resource, rlim_t value)
{
    if (value == 0)
        return;
    struct rlimit rl = {value, value};
    setrlimit(resource, &rl);
}

} // namespace

ChildResult run_child(const std::string& program, const std::vector<std::string>& args, const ChildLimits& limits,
                      JobControl* control, const std::function<void(std::string_view)>& on_output)
{
    ChildResult result;
    // Everything the child needs is made before fork: after it, in a process with
    // several threads, the child may only make async-signal-safe calls until exec.
    std::vector<std::string> words;
    words.reserve(args.size() + 1);
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    int fds[2] = {-1, -1};
    int in[2] = {-1, -1}; // the child's standard input, closed to ask it to stop
    const bool piped = static_cast<bool>(on_output);
    if (limits.cancel_grace_ms > 0 && pipe2(in, O_CLOEXEC) != 0) {
        result.problem = std::string("cannot make a pipe: ") + std::strerror(errno);
        return result;
    }
    if (piped && pipe2(fds, O_CLOEXEC) != 0) {
        result.problem = std::string("cannot make a pipe: ") + std::strerror(errno);
        return result;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        result.problem = std::string("cannot start a process: ") + std::strerror(errno);
        if (piped) {
            close(fds[0]);
            close(fds[1]);
        }
        return result;
    }
    if (pid == 0) {
        if (piped)
            dup2(fds[1], STDOUT_FILENO); // dup2 clears close-on-exec on the copy
        if (in[0] >= 0)
            dup2(in[0], STDIN_FILENO);
        limit(RLIMIT_AS, static_cast<rlim_t>(limits.address_space_bytes));
        limit(RLIMIT_CPU, static_cast<rlim_t>(limits.cpu_seconds));
        limit(RLIMIT_CORE, 1); // a crash leaves no core file behind
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    result.started = true;
    if (in[0] >= 0)
        close(in[0]);
    // Asks the child to stop: by closing its input when it may tidy up first (killed
    // only after the grace time), else by killing it.
    bool asked = false;
    const auto stop = [&] {
        if (in[1] < 0) {
            kill(pid, SIGKILL);
            return;
        }
        if (!asked) {
            close(in[1]);
            asked = true;
            for (int waited = 0; waited < limits.cancel_grace_ms; waited += 20) {
                siginfo_t info{};
                // WNOWAIT: look without reaping, so the pid stays ours until waited for below.
                if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0)
                    return; // it ended by itself
                usleep(20000);
            }
        }
        kill(pid, SIGKILL);
    };
    if (!piped) {
        int status = 0;
        for (;;) {
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid || (done < 0 && errno != EINTR))
                break;
            if (control && control->Cancelled() && !result.cancelled) {
                stop();
                result.cancelled = true;
            }
            usleep(20000);
        }
        if (WIFEXITED(status))
            result.exit_code = WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            result.signal = WTERMSIG(status);
        return result;
    }
    close(fds[1]);

    std::vector<char> buffer(256 * 1024);
    for (;;) {
        if (control && control->Cancelled()) {
            stop();
            result.cancelled = true;
            break;
        }
        struct pollfd p = {fds[0], POLLIN, 0};
        const int ready = poll(&p, 1, 100);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        const ssize_t n = read(fds[0], buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // the child closed its end: it ended, or is about to
        on_output(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    }
    close(fds[0]);
    if (in[1] >= 0 && !asked)
        close(in[1]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        result.exit_code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

ChildLimits default_render_limits()
{
    ChildLimits limits;
    const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
    unsigned long long half = pages > 0 && page > 0
                                  ? static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(page) / 2
                                  : 4ull << 30;
    const unsigned long long cap = 16ull << 30;
    // Address space is more than memory used (libraries, thread stacks): keep a floor.
    limits.address_space_bytes = std::max(std::min(half, cap), 2ull << 30);
#if defined(__SANITIZE_ADDRESS__)
    // A sanitizer build reserves terabytes of address space for its shadow memory.
    limits.address_space_bytes = 0;
#endif
    limits.cpu_seconds = 600;
    return limits;
}

std::string describe_child_end(const ChildResult& result)
{
    if (!result.started)
        return result.problem;
    if (result.signal == SIGXCPU)
        return "the time limit";
    if (result.signal != 0) {
        const char* name = strsignal(result.signal);
        return "signal " + std::to_string(result.signal) + (name ? std::string(" (") + name + ")" : std::string());
    }
    if (result.exit_code == 127)
        return "the reading process could not be started";
    if (result.exit_code == kOutOfMemoryExit)
        return "the memory limit";
    return "exit code " + std::to_string(result.exit_code);
}
