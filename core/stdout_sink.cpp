#include "core/stdout_sink.h"

#include <cerrno>

#include <unistd.h>

std::string EscapeForTerminal(std::string_view bytes, bool& pendingCr)
{
    std::string shown;
    shown.reserve(bytes.size() + (pendingCr ? 4 : 0));
    auto escape = [&shown](unsigned char c) {
        shown += '\\';
        shown += static_cast<char>('0' + (c >> 6));
        shown += static_cast<char>('0' + ((c >> 3) & 7));
        shown += static_cast<char>('0' + (c & 7));
    };
    if (pendingCr && !bytes.empty()) {
        pendingCr = false;
        if (bytes[0] == '\n')
            shown += '\r';
        else
            escape('\r');
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') {
            if (i + 1 == bytes.size())
                pendingCr = true; // decided by the next piece
            else if (bytes[i + 1] == '\n')
                shown += '\r';
            else
                escape(c);
        } else if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7f) {
            escape(c);
        } else {
            shown += static_cast<char>(c);
        }
    }
    return shown;
}

StdoutSink::StdoutSink(std::FILE* out) : m_out(out), m_terminal(::isatty(::fileno(out)) == 1) {}

void StdoutSink::Put(std::string_view bytes)
{
    if (!m_ok || bytes.empty())
        return;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_out) != bytes.size()) {
        m_ok = false;
        m_brokenPipe = errno == EPIPE;
    }
}

bool StdoutSink::Write(std::string_view bytes)
{
    if (m_terminal)
        Put(EscapeForTerminal(bytes, m_pendingCr));
    else
        Put(bytes);
    return m_ok;
}

bool StdoutSink::Finish()
{
    if (m_pendingCr) {
        m_pendingCr = false;
        Put("\\015"); // a lone CR at the very end
    }
    if (m_ok) {
        errno = 0;
        if (std::fflush(m_out) != 0) {
            m_ok = false;
            m_brokenPipe = errno == EPIPE;
        }
    }
    return m_ok;
}

int WriteStdout(std::FILE* out, std::FILE* err, std::string_view bytes, const char* what)
{
    StdoutSink sink(out);
    sink.Write(bytes);
    if (sink.Finish())
        return 0;
    if (sink.BrokenPipe())
        return kBrokenPipeStatus;
    std::fprintf(err, "brinewick: %s\n", what);
    return 1;
}
