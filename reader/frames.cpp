#include "reader/frames.h"

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kHeader = 5;

bool known(char type)
{
    switch (static_cast<FrameType>(type)) {
    case FrameType::Request:
    case FrameType::Cancel:
    case FrameType::Progress:
    case FrameType::Text:
    case FrameType::Log:
    case FrameType::ResultPart:
    case FrameType::Result:
    case FrameType::Refused: return true;
    }
    return false;
}

bool is_socket(int fd)
{
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

} // namespace

std::string encode_frame(FrameType type, std::string_view payload)
{
    const auto n = static_cast<std::uint32_t>(payload.size());
    std::string frame;
    frame.reserve(kHeader + payload.size());
    frame += static_cast<char>(type);
    for (int k = 0; k < 4; ++k)
        frame += static_cast<char>((n >> (8 * k)) & 0xFF);
    frame.append(payload);
    return frame;
}

bool write_frame(int fd, FrameType type, std::string_view payload)
{
    if (payload.size() > kMaxFramePayload)
        return false;
    const std::string frame = encode_frame(type, payload);
    const bool socket = is_socket(fd);
    const char* p = frame.data();
    std::size_t left = frame.size();
    while (left > 0) {
        const ssize_t w = socket ? ::send(fd, p, left, MSG_NOSIGNAL) : ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    return true;
}

void FrameParser::feed(std::string_view bytes)
{
    if (m_bad)
        return;
    m_pending.append(bytes);
    std::size_t at = 0;
    while (m_pending.size() - at >= kHeader) {
        const auto* h = reinterpret_cast<const unsigned char*>(m_pending.data() + at);
        const std::uint32_t n = h[1] | (h[2] << 8) | (h[3] << 16) | (static_cast<std::uint32_t>(h[4]) << 24);
        if (!known(static_cast<char>(h[0])) || n > kMaxFramePayload) {
            m_bad = true;
            m_pending.clear();
            return;
        }
        if (m_pending.size() - at - kHeader < n)
            break;
        m_handler(static_cast<FrameType>(h[0]), std::string_view(m_pending).substr(at + kHeader, n));
        at += kHeader + n;
    }
    m_pending.erase(0, at);
}
