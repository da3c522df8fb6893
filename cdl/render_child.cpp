#include "cdl/render_child.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "core/JobControl.h"

namespace {

// A frame: one type byte, four length bytes (little-endian), the payload.
enum Frame : char {
    Text = 'T',
    Log = 'L',
    Notes = 'N',
    Dimensions = 'D',
    Variables = 'V',
    Structure = 'S',
    Cancelled = 'C',
    Extra = 'X',
    End = 'E'
};
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

// The header's structure as one payload: each text with a four-byte length before it.
void put_text(std::string& out, std::string_view text)
{
    const auto n = static_cast<std::uint32_t>(text.size());
    for (int k = 0; k < 4; ++k)
        out += static_cast<char>((n >> (8 * k)) & 0xFF);
    out.append(text);
}

std::string encode_structure(const CdlOutcome& o)
{
    std::string out;
    put_text(out, std::to_string(o.dimensions.size()));
    for (const CdlDimension& d : o.dimensions) {
        put_text(out, d.name);
        put_text(out, std::to_string(d.length));
        put_text(out, d.unlimited ? "1" : "0");
    }
    put_text(out, std::to_string(o.variables.size()));
    for (const CdlVariable& v : o.variables) {
        put_text(out, v.name);
        put_text(out, v.type);
        put_text(out, v.long_name);
        put_text(out, std::to_string(v.shape.size()));
        for (const std::string& dim : v.shape)
            put_text(out, dim);
    }
    put_text(out, std::to_string(o.global_attribute_names.size()));
    for (const std::string& a : o.global_attribute_names)
        put_text(out, a);
    return out;
}

// Reads what encode_structure wrote; false (and nothing kept) when it does not add up.
class StructureReader {
public:
    explicit StructureReader(std::string_view in) : m_in(in) {}

    bool decode(CdlOutcome& o)
    {
        CdlOutcome r;
        std::size_t n = 0;
        if (!count(n))
            return false;
        for (std::size_t i = 0; i < n; ++i) {
            CdlDimension d;
            std::string length, unlimited;
            if (!text(d.name) || !text(length) || !text(unlimited))
                return false;
            d.length = std::strtoull(length.c_str(), nullptr, 10);
            d.unlimited = unlimited == "1";
            r.dimensions.push_back(std::move(d));
        }
        if (!count(n))
            return false;
        for (std::size_t i = 0; i < n; ++i) {
            CdlVariable v;
            std::size_t dims = 0;
            if (!text(v.name) || !text(v.type) || !text(v.long_name) || !count(dims))
                return false;
            v.shape.resize(dims);
            for (std::string& dim : v.shape)
                if (!text(dim))
                    return false;
            r.variables.push_back(std::move(v));
        }
        if (!count(n))
            return false;
        r.global_attribute_names.resize(n);
        for (std::string& a : r.global_attribute_names)
            if (!text(a))
                return false;
        o.dimensions = std::move(r.dimensions);
        o.variables = std::move(r.variables);
        o.global_attribute_names = std::move(r.global_attribute_names);
        return true;
    }

private:
    bool text(std::string& out)
    {
        if (m_in.size() < 4)
            return false;
        const auto* b = reinterpret_cast<const unsigned char*>(m_in.data());
        const std::uint32_t n = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
        if (m_in.size() - 4 < n)
            return false;
        out.assign(m_in.substr(4, n));
        m_in.remove_prefix(4 + n);
        return true;
    }
    // A count, at most what the bytes left could hold (each entry takes 4 bytes or more).
    bool count(std::size_t& n)
    {
        std::string t;
        if (!text(t) || t.empty() || t.size() > 12)
            return false;
        n = std::strtoull(t.c_str(), nullptr, 10);
        return n <= m_in.size() / 4;
    }

    std::string_view m_in;
};

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
    {}

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
        case Notes: m_result.outcome.notes.assign(payload); break;
        case Structure:
            if (!StructureReader(payload).decode(m_result.outcome))
                m_bad = true;
            break;
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

int serve_render_child(const std::string& path, const std::function<std::string()>& extra, const CdlOptions& options)
{
    FrameSink sink;
    const CdlOutcome outcome = render_cdl(path, sink, nullptr, options);
    const std::string more = extra ? extra() : std::string();
    const bool sent = write_frame(Log, outcome.log) && write_frame(Notes, outcome.notes) &&
                      write_frame(Structure, encode_structure(outcome)) &&
                      write_frame(Dimensions, join_names(outcome.dimension_names)) &&
                      write_frame(Variables, join_names(outcome.variable_names)) && write_frame(Extra, more) &&
                      write_frame(End, {});
    return sent ? 0 : 3;
}

IsolatedRender render_cdl_isolated(const std::string& program, const std::string& path, CdlSink& sink,
                                   JobControl* control, const ChildLimits& limits, const CdlOptions& options)
{
    IsolatedRender result;
    FrameReader reader(sink, result, control);
    const ChildResult child =
        run_child(program, {"--render-child", path, "--text-limit", std::to_string(options.variable_text_limit)},
                  limits, control, [&](std::string_view bytes) { reader.feed(bytes); });
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
