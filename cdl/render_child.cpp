#include "cdl/render_child.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <unistd.h>

#include "core/JobControl.h"

namespace {

// A frame: one type byte, four length bytes (little-endian), the payload.
enum Frame : char { Text = 'T', Log = 'L', Dimensions = 'D', Variables = 'V', Cancelled = 'C', Extra = 'X', End = 'E' };
constexpr std::uint32_t kMaxFrame = 64u << 20;

bool write_all(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool write_frame(char type, std::string_view payload)
{
    const auto n = static_cast<std::uint32_t>(payload.size());
    const char head[5] = {type, static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF),
                          static_cast<char>((n >> 16) & 0xFF), static_cast<char>((n >> 24) & 0xFF)};
    return write_all(STDOUT_FILENO, head, sizeof head) && write_all(STDOUT_FILENO, payload.data(), payload.size());
}

std::string join_names(const std::vector<std::string>& names)
{
    std::string joined;
    for (const std::string& n : names) {
        joined += n;
        joined += '\0';
    }
    return joined;
}

std::vector<std::string> split_names(const std::string& joined)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < joined.size()) {
        const std::size_t nul = joined.find('\0', start);
        const std::size_t end = nul == std::string::npos ? joined.size() : nul;
        names.push_back(joined.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// Sends the text as it is made, in frames of at most the writer's buffer size.
class FrameSink : public CdlSink {
public:
    void write(std::string_view bytes) override
    {
        while (!bytes.empty()) {
            const std::string_view piece = bytes.substr(0, kMaxFrame);
            if (!write_frame(Text, piece))
                _exit(3); // the caller went away: nobody is left to read the text
            bytes.remove_prefix(piece.size());
        }
    }
};

// Reads frames from the helper's output as it arrives, in pieces of any size.
class FrameReader {
public:
    FrameReader(CdlSink& sink, IsolatedRender& result, JobControl* control)
        : m_sink(sink), m_result(result), m_control(control)
    {
    }

    void feed(std::string_view bytes)
    {
        m_pending.append(bytes);
        std::size_t at = 0;
        while (!m_bad && m_pending.size() - at >= 5) {
            const auto* h = reinterpret_cast<const unsigned char*>(m_pending.data() + at);
            const std::uint32_t n = h[1] | (h[2] << 8) | (h[3] << 16) | (static_cast<std::uint32_t>(h[4]) << 24);
            if (n > kMaxFrame) {
                m_bad = true;
                break;
            }
            if (m_pending.size() - at - 5 < n)
                break;
            take(static_cast<char>(h[0]), std::string_view(m_pending).substr(at + 5, n));
            at += 5 + n;
        }
        m_pending.erase(0, at);
    }

    bool ended() const { return m_ended && !m_bad; }

private:
    void take(char type, std::string_view payload)
    {
        switch (type) {
        case Text:
            m_sink.write(payload);
            m_bytes += payload.size();
            if (m_control)
                m_control->SetDone(m_bytes);
            break;
        case Log: m_result.outcome.log.assign(payload); break;
        case Dimensions: m_result.outcome.dimension_names = split_names(std::string(payload)); break;
        case Variables: m_result.outcome.variable_names = split_names(std::string(payload)); break;
        case Cancelled: m_result.outcome.cancelled = true; break;
        case Extra: m_result.extra.assign(payload); break;
        case End: m_ended = true; break;
        default: m_bad = true; break;
        }
    }

    CdlSink& m_sink;
    IsolatedRender& m_result;
    JobControl* m_control;
    std::string m_pending;
    std::uint64_t m_bytes = 0;
    bool m_ended = false;
    bool m_bad = false;
};

} // namespace

int serve_render_child(const std::string& path, const std::function<std::string()>& extra)
{
    FrameSink sink;
    const CdlOutcome outcome = render_cdl(path, sink);
    const std::string more = extra ? extra() : std::string();
    const bool sent = write_frame(Log, outcome.log) && write_frame(Dimensions, join_names(outcome.dimension_names)) &&
                      write_frame(Variables, join_names(outcome.variable_names)) && write_frame(Extra, more) &&
                      write_frame(End, {});
    return sent ? 0 : 3;
}

IsolatedRender render_cdl_isolated(const std::string& program, const std::string& path, CdlSink& sink,
                                   JobControl* control, const ChildLimits& limits)
{
    IsolatedRender result;
    FrameReader reader(sink, result, control);
    const ChildResult child = run_child(program, {"--render-child", path}, limits, control,
                                        [&](std::string_view bytes) { reader.feed(bytes); });
    if (child.cancelled) {
        result.outcome.cancelled = true;
        return result;
    }
    if (!child.exited_cleanly() || !reader.ended()) {
        const std::string what = child.exited_cleanly() ? "its output was cut short" : describe_child_end(child);
        result.outcome.log += path + ": the netCDF library stopped on this file: " + what + "\n";
        result.extra.clear();
    }
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
