#include "cdl/dump_command.h"

#include <string>
#include <string_view>

#include "cdl/render_cdl.h"
#include "cdl/reads.h"

namespace {

// Writes the text to a stream as it is made, optionally turning every CR LF into LF.
// A CR at the end of one piece waits for the next, so the result is the same as
// converting the whole text at once. Memory stays bounded whatever the file's size.
class StreamSink : public CdlSink {
public:
    StreamSink(std::FILE* out, bool plain_line_feeds) : m_out(out), m_lf(plain_line_feeds) {}

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
        return m_ok && std::fflush(m_out) == 0;
    }

private:
    void put(std::string_view bytes)
    {
        if (m_ok && std::fwrite(bytes.data(), 1, bytes.size(), m_out) != bytes.size())
            m_ok = false;
    }

    std::FILE* m_out;
    bool m_lf;
    bool m_pending_cr = false;
    bool m_ok = true;
    std::string m_converted;
};

} // namespace

int run_dump_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err, FileReader* reader)
{
    std::string path;
    bool lf = false;
    for (const std::string& a : args) {
        if (a == "--lf") {
            lf = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            std::fprintf(err, "brinewick: unknown option for --dump: %s\n", a.c_str());
            return 2;
        } else if (path.empty()) {
            path = a;
        } else {
            std::fputs("brinewick: --dump takes one file\n", err);
            return 2;
        }
    }
    if (path.empty()) {
        std::fputs("Usage: brinewick --dump FILE [--lf]\n", err);
        return 2;
    }
    StreamSink sink(out, lf);
    const CdlOutcome outcome =
        reader ? Read<TextRead>(*reader, {path, CdlOptions()}, {nullptr, &sink}) : render_cdl(path, sink);
    if (!sink.finish()) {
        std::fputs("brinewick: could not write the text to standard output\n", err);
        return 1;
    }
    if (!outcome.log.empty()) {
        std::fputs(outcome.log.c_str(), err);
        return 1;
    }
    return 0;
}
