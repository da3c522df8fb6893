#pragma once
// A FileReader whose readers run in a helper process: this program started once in
// its reading mode (`--reader`), kept for the calls that follow, and started again on
// the next call after it died. A netCDF library that crashes, or a reading that meets
// the helper's memory or time limit, ends the call with a message; the caller lives
// on. The helper ends with this object, and with this process.
#include <atomic>
#include <mutex>
#include <string>
#include <sys/types.h>

#include "core/child_process.h"
#include "reader/file_reader.h"

class IsolatedReader : public FileReader {
public:
    // `program` is this program's executable; `limits` apply to the helper, its time
    // limit to each reading.
    IsolatedReader(std::string program, ChildLimits limits);
    ~IsolatedReader() override;
    IsolatedReader(const IsolatedReader&) = delete;
    IsolatedReader& operator=(const IsolatedReader&) = delete;

    // One call at a time: calls from several threads wait for each other.
    ReadAnswer Call(const std::string& reader, const std::string& args, const ReadContext& context) override;

    // Starts the helper now (it is started by the first call otherwise); false with
    // `why` when it cannot be started.
    bool Start(std::string* why = nullptr);
    // Ends the helper, if it runs.
    void Stop();
    // The helper's process id while it runs, else 0 (for tests; also while a call runs).
    pid_t HelperPid() const { return m_pid.load(); }
    // How many helpers this reader has started (for tests and benchmarks).
    int Starts() const { return m_starts.load(); }

    // How long a cancelled reading may take to stop by itself before its helper is
    // killed (a reader that writes a file removes its half-written file meanwhile).
    static constexpr int kCancelGraceMs = 5000;

private:
    bool StartLocked(std::string* why);
    void StopLocked();
    // Kills the helper at once and reaps it.
    void KillLocked();
    // Waits for the helper, which has closed its end, and says how it ended.
    std::string ReapLocked();

    const std::string m_program;
    const ChildLimits m_limits;
    mutable std::mutex m_mutex;
    std::atomic<pid_t> m_pid{0};
    int m_fd = -1; // our end of the socket pair; the helper's standard input and output
    std::atomic<int> m_starts{0};
};
