#include "profile/csv_child.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

#include "cdl/render_child.h"
#include "core/JobControl.h"
#include "core/child_process.h"

namespace {

std::string join_ids(const std::vector<int>& ids)
{
    std::string text;
    for (int id : ids)
        text += (text.empty() ? "" : ",") + std::to_string(id);
    return text.empty() ? "-" : text;
}

bool split_ids(const std::string& text, std::vector<int>& ids)
{
    ids.clear();
    if (text == "-")
        return true;
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        int id = 0;
        const auto [next, ec] = std::from_chars(p, end, id);
        if (ec != std::errc() || (next < end && *next != ','))
            return false;
        ids.push_back(id);
        p = next < end ? next + 1 : next;
    }
    return true;
}

// Reads "P done total" and "R status message" lines as they come.
class ReportReader {
public:
    explicit ReportReader(JobControl* control) : m_control(control) {}

    void feed(std::string_view bytes)
    {
        m_pending.append(bytes);
        std::size_t nl;
        while ((nl = m_pending.find('\n')) != std::string::npos) {
            line(m_pending.substr(0, nl));
            m_pending.erase(0, nl + 1);
        }
        if (m_pending.size() > 1 << 20)
            m_pending.clear(); // no line is that long: it is not a report
    }

    bool finished = false;
    CsvResult result;

private:
    void line(const std::string& l)
    {
        unsigned long long done = 0, total = 0;
        if (l.size() > 2 && l[0] == 'P' && std::sscanf(l.c_str() + 2, "%llu %llu", &done, &total) == 2) {
            if (m_control) {
                m_control->SetTotal(total);
                m_control->SetDone(done);
            }
        } else if (l.size() > 2 && l[0] == 'R' && l[1] == ' ') {
            const int status = l[2] - '0';
            if (status < 0 || status > 3)
                return;
            result.status = static_cast<CsvResult::Status>(status);
            result.message = l.size() > 4 ? l.substr(4) : std::string();
            finished = true;
        }
    }

    JobControl* m_control;
    std::string m_pending;
};

} // namespace

int serve_csv_child(const std::vector<std::string>& args)
{
    if (args.size() != 6 || (args[5] != "blank-fill" && args[5] != "fill"))
        return 2;
    CsvSaveSettings settings;
    settings.ncPath = args[0];
    settings.outputPath = args[1];
    if (std::from_chars(args[2].data(), args[2].data() + args[2].size(), settings.profile).ec != std::errc() ||
        !split_ids(args[3], settings.items) || !split_ids(args[4], settings.columns))
        return 2;
    settings.blankFill = args[5] == "blank-fill";

    JobControl job;
    std::atomic<bool> done{false};
    // The caller closes our input to ask us to stop.
    std::thread watch([&job] {
        char c;
        while (::read(STDIN_FILENO, &c, 1) > 0) {
        }
        job.RequestCancel();
    });
    watch.detach(); // it may sit in read() until we exit
    std::thread report([&] {
        while (!done.load()) {
            std::printf("P %llu %llu\n", static_cast<unsigned long long>(job.Done()),
                        static_cast<unsigned long long>(job.Total()));
            std::fflush(stdout);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    const CsvResult result = WriteCsvFile(settings, &job);
    done = true;
    report.join();
    std::string message = result.message;
    for (char& c : message)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::printf("R %d %s\n", static_cast<int>(result.status), message.c_str());
    std::fflush(stdout);
    return 0;
}

CsvResult write_csv_isolated(const std::string& program, const CsvSaveSettings& settings, JobControl* control)
{
    ReportReader reader(control);
    ChildLimits limits = default_render_limits();
    limits.cancel_grace_ms = 5000; // time to remove the half-written file
    const ChildResult child =
        run_child(program,
                  {"--csv-child", settings.ncPath, settings.outputPath, std::to_string(settings.profile),
                   join_ids(settings.items), join_ids(settings.columns), settings.blankFill ? "blank-fill" : "fill"},
                  limits, control, [&](std::string_view bytes) { reader.feed(bytes); });
    if (child.cancelled) {
        CsvResult cancelled;
        cancelled.status = CsvResult::Status::Cancelled;
        return cancelled;
    }
    if (reader.finished && child.exited_cleanly())
        return reader.result;
    CsvResult failed;
    failed.status = CsvResult::Status::InputError;
    failed.message = settings.ncPath + ": the netCDF library stopped on this file: " +
                     (child.exited_cleanly() ? std::string("its output was cut short") : describe_child_end(child));
    return failed;
}
