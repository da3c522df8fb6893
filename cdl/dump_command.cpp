#include "cdl/dump_command.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "cdl/render_cdl.h"
#include "cdl/reads.h"
#include "core/JobControl.h"
#include "core/stdout_sink.h"

namespace {

// Writes the text to a stream as it is made, optionally turning every CR LF into LF.
// A CR at the end of one piece waits for the next, so the result is the same as
// converting the whole text at once. Memory stays bounded whatever the file's size.
// A failed write asks `stop` to end the rendering: nobody reads the rest.
class StreamSink : public CdlSink {
public:
    StreamSink(std::FILE* out, bool plain_line_feeds, JobControl& stop)
        : m_out(out), m_lf(plain_line_feeds), m_stop(stop)
    {}

    void write(std::string_view bytes) override
    {
        if (!m_lf) {
            put(bytes);
            return;
        }
        m_converted.clear();
        std::size_t i = 0;
        if (m_pending_cr) {
            m_pending_cr = false;
            if (bytes.empty() || bytes[0] != '\n')
                m_converted += '\r';
        }
        while (i < bytes.size()) {
            const std::size_t cr = bytes.find('\r', i);
            if (cr == std::string_view::npos) {
                m_converted.append(bytes.substr(i));
                break;
            }
            m_converted.append(bytes.substr(i, cr - i));
            if (cr + 1 == bytes.size())
                m_pending_cr = true; // decided by the next piece
            else if (bytes[cr + 1] != '\n')
                m_converted += '\r';
            i = cr + 1;
        }
        put(m_converted);
    }

    // Writes a CR still held back; false when any write failed.
    bool finish()
    {
        if (m_pending_cr)
            put("\r");
        m_pending_cr = false;
        return m_out.Finish();
    }

    bool broken_pipe() const { return m_out.BrokenPipe(); }

private:
    void put(std::string_view bytes)
    {
        if (!m_out.Write(bytes))
            m_stop.RequestCancel();
    }

    StdoutSink m_out;
    bool m_lf;
    JobControl& m_stop;
    bool m_pending_cr = false;
    std::string m_converted;
};

} // namespace

int run_dump_command(const DumpRequest& request, std::FILE* out, std::FILE* err, FileReader* reader)
{
    const std::string& path = request.path;
    const bool lf = request.plainLineFeeds;
    // The text streams out, so the command line has no limit on a variable's text
    // unless one is asked for.
    CdlOptions options;
    options.variable_text_limit = request.limit;
    JobControl stop;
    StreamSink sink(out, lf, stop);
    const CdlOutcome outcome =
        reader ? Read<TextRead>(*reader, {path, options}, {&stop, &sink}) : render_cdl(path, sink, &stop, options);
    if (!sink.finish()) {
        if (sink.broken_pipe())
            return kBrokenPipeStatus; // the reader has all it wanted (as `head` does)
        std::fputs("brinewick: could not write the text to standard output\n", err);
        return 1;
    }
    if (!outcome.log.empty()) {
        std::fputs(outcome.log.c_str(), err);
        return 1;
    }
    return 0;
}
