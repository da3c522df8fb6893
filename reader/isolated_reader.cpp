#include "reader/isolated_reader.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "cdl/cdl_output.h"
#include "core/JobControl.h"
#include "reader/frames.h"

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

IsolatedReader::IsolatedReader(std::string program, ChildLimits limits)
    : m_program(std::move(program)), m_limits(limits)
{}

IsolatedReader::~IsolatedReader()
{
    Stop();
}

bool IsolatedReader::Start(std::string* why)
{
    std::lock_guard lock(m_mutex);
    return m_pid > 0 || StartLocked(why);
}

void IsolatedReader::Stop()
{
    std::lock_guard lock(m_mutex);
    StopLocked();
}

bool IsolatedReader::StartLocked(std::string* why)
{
    // Everything the child needs is made before fork: after it, in a process with
    // several threads, the child may only make async-signal-safe calls until exec.
    std::vector<std::string> words = {m_program, "--reader", std::to_string(m_limits.cpu_seconds)};
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    int pair[2] = {-1, -1};
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        if (why)
            *why = std::string("cannot make a socket pair: ") + std::strerror(errno);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        if (why)
            *why = std::string("cannot start a process: ") + std::strerror(errno);
        close(pair[0]);
        close(pair[1]);
        return false;
    }
    if (pid == 0) {
        // The helper ends when this process does, however it ends, and a terminal's
        // signals to our process group do not reach it halfway through a reading.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        setpgid(0, 0);
        dup2(pair[1], STDIN_FILENO); // dup2 clears close-on-exec on the copies
        dup2(pair[1], STDOUT_FILENO);
        limit(RLIMIT_AS, static_cast<rlim_t>(m_limits.address_space_bytes));
        limit(RLIMIT_CORE, 1); // a crash leaves no core file behind
        execv(m_program.c_str(), argv.data());
        _exit(127);
    }
    close(pair[1]);
    m_fd = pair[0];
    m_pid = pid;
    ++m_starts;
    return true;
}

std::string IsolatedReader::ReapLocked()
{
    ChildResult result;
    result.started = true;
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        result.exit_code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    close(m_fd);
    m_fd = -1;
    m_pid = 0;
    return describe_child_end(result);
}

void IsolatedReader::KillLocked()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGKILL);
    ReapLocked();
}

void IsolatedReader::StopLocked()
{
    if (m_pid <= 0)
        return;
    // Its input closed, an idle helper ends by itself; a busy one is not waited for.
    shutdown(m_fd, SHUT_WR);
    for (int waited = 0; waited < 200; waited += 10) {
        if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            close(m_fd);
            m_fd = -1;
            m_pid = 0;
            return;
        }
        usleep(10000);
    }
    KillLocked();
}

ReadAnswer IsolatedReader::Call(const std::string& reader, const std::string& args, const ReadContext& context)
{
    std::lock_guard lock(m_mutex);
    ReadAnswer answer;
    const std::string request = to_wire(ReadRequest{reader, args});
    if (request.size() > kMaxFramePayload) {
        answer.end = ReadAnswer::End::Refused;
        return answer;
    }
    // A helper that died while idle is found when the request cannot be sent: start
    // another once.
    bool sent = false;
    for (int attempt = 0; attempt < 2 && !sent; ++attempt) {
        if (m_pid <= 0 && !StartLocked(&answer.what))
            return answer;
        sent = write_frame(m_fd, FrameType::Request, request);
        if (!sent)
            answer.what = ReapLocked();
    }
    if (!sent)
        return answer;

    bool finished = false;
    FrameParser parser([&](FrameType type, std::string_view payload) {
        if (finished)
            return;
        switch (type) {
        case FrameType::Text:
            if (context.text)
                context.text->write(payload);
            break;
        case FrameType::Progress: {
            ReadProgress p;
            if (context.control && from_wire(payload, p)) {
                context.control->SetTotal(p.total);
                context.control->SetDone(p.done);
            }
            break;
        }
        case FrameType::ResultPart: answer.bytes.append(payload); break;
        case FrameType::Result:
            answer.end = ReadAnswer::End::Done;
            answer.bytes.append(payload);
            finished = true;
            break;
        case FrameType::Refused:
            answer.end = ReadAnswer::End::Refused;
            finished = true;
            break;
        default: break; // log lines and anything else the caller has no use for
        }
    });

    using Clock = std::chrono::steady_clock;
    bool cancelSent = false;
    Clock::time_point cancelAt;
    std::vector<char> buffer(256 * 1024);
    try {
        while (!finished) {
            if (context.control && context.control->Cancelled() && !cancelSent) {
                cancelSent = true;
                cancelAt = Clock::now();
                write_frame(m_fd, FrameType::Cancel, {});
            }
            if (cancelSent && Clock::now() - cancelAt > std::chrono::milliseconds(kCancelGraceMs)) {
                KillLocked();
                answer.end = ReadAnswer::End::Cancelled;
                return answer;
            }
            struct pollfd p = {m_fd, POLLIN, 0};
            const int ready = poll(&p, 1, 100);
            if (ready < 0 && errno != EINTR)
                break;
            if (ready <= 0)
                continue;
            const ssize_t n = read(m_fd, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break; // the helper closed its end: it ended
            parser.feed(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
            if (parser.bad()) {
                KillLocked();
                answer.end = ReadAnswer::End::Stopped;
                answer.what = "its output was malformed";
                return answer;
            }
        }
    } catch (...) {
        KillLocked(); // the stream is somewhere in the middle: it cannot be taken up again
        throw;
    }
    if (finished)
        return answer;
    answer.end = ReadAnswer::End::Stopped;
    answer.what = ReapLocked();
    if (answer.what == "exit code 0")
        answer.what = "its output was cut short";
    return answer;
}
