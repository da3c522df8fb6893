#include "reader/reader_service.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

#include "cdl/cdl_output.h"
#include "core/JobControl.h"
#include "core/child_process.h"
#include "reader/frames.h"

namespace {

// The channel to the caller. Its frames are written whole, by one thread at a time;
// when the caller has gone, the helper has nobody to work for and ends.
class Channel {
public:
    explicit Channel(int fd) : m_fd(fd) {}
    void Send(FrameType type, std::string_view payload)
    {
        std::lock_guard lock(m_mutex);
        if (!write_frame(m_fd, type, payload))
            _exit(3);
    }

private:
    int m_fd;
    std::mutex m_mutex;
};

class FrameTextSink : public CdlSink {
public:
    explicit FrameTextSink(Channel& channel) : m_channel(channel) {}
    void write(std::string_view bytes) override
    {
        while (!bytes.empty()) {
            const std::string_view piece = bytes.substr(0, kMaxFramePayload);
            m_channel.Send(FrameType::Text, piece);
            bytes.remove_prefix(piece.size());
        }
    }

private:
    Channel& m_channel;
};

// What the input brings: requests, to run in turn, and Cancel, for the oldest request
// not yet answered (running, or still waiting); a Cancel after its answer is ignored.
class Inbox {
public:
    void Push(ReadRequest request)
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back({std::move(request), false});
        m_ready.notify_one();
    }
    void Cancel()
    {
        std::lock_guard lock(m_mutex);
        if (m_running)
            m_running->RequestCancel();
        else if (!m_requests.empty())
            m_requests.front().cancelled = true;
    }
    // The input closed: the running reading stops, and no other starts.
    void Close()
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        if (m_running)
            m_running->RequestCancel();
        m_ready.notify_one();
    }
    // The next request, with `job` as the one Cancel reaches; false once closed.
    bool Next(ReadRequest& request, JobControl* job)
    {
        std::unique_lock lock(m_mutex);
        m_running = nullptr;
        m_ready.wait(lock, [this] { return m_closed || !m_requests.empty(); });
        if (m_closed)
            return false;
        request = std::move(m_requests.front().request);
        if (m_requests.front().cancelled)
            job->RequestCancel();
        m_requests.pop_front();
        m_running = job;
        return true;
    }
    void Done()
    {
        std::lock_guard lock(m_mutex);
        m_running = nullptr;
    }

private:
    struct Waiting {
        ReadRequest request;
        bool cancelled;
    };
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Waiting> m_requests;
    JobControl* m_running = nullptr;
    bool m_closed = false;
};

void ReadInput(int fd, Inbox& inbox)
{
    FrameParser parser([&inbox](FrameType type, std::string_view payload) {
        if (type == FrameType::Cancel) {
            inbox.Cancel();
        } else if (type == FrameType::Request) {
            ReadRequest request;
            if (from_wire(payload, request))
                inbox.Push(std::move(request));
            else
                inbox.Push(ReadRequest{}); // answered as refused: the caller waits for an answer
        }
    });
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        parser.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (parser.bad())
            break;
    }
    inbox.Close();
}

// Gives each reading `seconds` of processor time from now: the soft limit sends
// SIGXCPU, the hard one a little later SIGKILL.
void LimitProcessorTime(unsigned long seconds)
{
    if (seconds == 0)
        return;
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const rlim_t used = static_cast<rlim_t>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1;
    struct rlimit rl {};
    getrlimit(RLIMIT_CPU, &rl);
    const rlim_t soft = used + seconds;
    if (rl.rlim_max != RLIM_INFINITY && soft >= rl.rlim_max)
        return; // a limit set from outside stays
    rl.rlim_cur = soft;
    setrlimit(RLIMIT_CPU, &rl);
}

// A test can make the helper die by a signal (BRINEWICK_TEST_CHILD_SIGNAL) when a
// reading starts, to check that the caller lives on and reports it.
void RaiseTestSignal()
{
    if (const char* sig = std::getenv("BRINEWICK_TEST_CHILD_SIGNAL")) {
        // The default action, as a crash in a library has it (not a sanitizer's report).
        std::signal(std::atoi(sig), SIG_DFL);
        std::raise(std::atoi(sig));
    }
}

} // namespace

int serve_reader(const ReaderTable& table, unsigned long cpu_seconds)
{
    // The channel gets its own descriptors, and standard output goes to standard error,
    // so that nothing a library prints can break a frame.
    const int in = dup(STDIN_FILENO);
    const int out = dup(STDOUT_FILENO);
    if (in < 0 || out < 0)
        return 2;
    fcntl(in, F_SETFD, FD_CLOEXEC);
    fcntl(out, F_SETFD, FD_CLOEXEC);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        close(null);
    }
    std::signal(SIGPIPE, SIG_IGN); // a caller that went away is seen as a failed write

    Channel channel(out);
    Inbox inbox;
    std::thread input(ReadInput, in, std::ref(inbox));
    input.detach(); // it may sit in read() until the process ends

    FrameTextSink sink(channel);
    for (;;) {
        JobControl job;
        ReadRequest request;
        if (!inbox.Next(request, &job))
            return 0;
        RaiseTestSignal();
        const ReaderEntry* entry = table.Find(request.reader);
        if (!entry) {
            inbox.Done();
            channel.Send(FrameType::Refused, {});
            continue;
        }
        LimitProcessorTime(cpu_seconds);
        // Progress goes out every tenth of a second while the reading runs; the end of
        // the reading wakes the thread at once, so a quick reading is not held up.
        std::mutex progressMutex;
        std::condition_variable progressWake;
        bool running = true;
        std::thread progress([&] {
            ReadProgress last;
            std::unique_lock<std::mutex> lock(progressMutex);
            while (!progressWake.wait_for(lock, std::chrono::milliseconds(100), [&] { return !running; })) {
                const ReadProgress now{job.Done(), job.Total()};
                if (now.done != last.done || now.total != last.total) {
                    channel.Send(FrameType::Progress, to_wire(now));
                    last = now;
                }
            }
        });
        std::optional<std::string> result;
        try {
            result = (*entry)(request.args, ReadContext{&job, &sink});
        } catch (const std::bad_alloc&) {
            _exit(kOutOfMemoryExit); // a reader that met the memory limit of the helper
        }
        {
            const std::lock_guard<std::mutex> lock(progressMutex);
            running = false;
        }
        progressWake.notify_one();
        progress.join();
        inbox.Done();
        if (!result) {
            channel.Send(FrameType::Refused, {});
            continue;
        }
        std::string_view rest = *result;
        while (rest.size() > kMaxFramePayload) {
            channel.Send(FrameType::ResultPart, rest.substr(0, kMaxFramePayload));
            rest.remove_prefix(kMaxFramePayload);
        }
        channel.Send(FrameType::Result, rest);
    }
}
