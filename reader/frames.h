#pragma once
// The frames of the channel between a program and its reading helper: one type byte,
// the payload's length (four bytes, little-endian) and the payload. Requests, progress,
// text, log lines and results all travel as frames; their payloads are in the wire's
// form (core/wire.h) except text, which is raw bytes.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

enum class FrameType : char {
    Request = 'Q',    // to the helper: a ReadRequest
    Cancel = 'C',     // to the helper: stop the running request
    Progress = 'P',   // from the helper: done and total, in the reader's units
    Text = 'T',       // from the helper: text the reader made, in order
    Log = 'L',        // from the helper: one log line of the reader
    ResultPart = 'r', // from the helper: a piece of a result too long for one frame
    Result = 'R',     // from the helper: the reader's result (its last piece); the request is over
    Refused = 'X',    // from the helper: no reader of that name, or arguments it cannot take
};

// The largest payload a frame may carry; longer text goes in several frames.
inline constexpr std::uint32_t kMaxFramePayload = 16u << 20;

// A request: which reader, and its arguments in the wire's form.
struct ReadRequest {
    std::string reader;
    std::string args;
};
template <class Ar>
void wire_fields(Ar& ar, ReadRequest& r)
{
    ar(r.reader, r.args);
}

// Progress of the running request.
struct ReadProgress {
    std::uint64_t done = 0;
    std::uint64_t total = 0;
};
template <class Ar>
void wire_fields(Ar& ar, ReadProgress& p)
{
    ar(p.done, p.total);
}

// The bytes of one frame (payload at most kMaxFramePayload).
std::string encode_frame(FrameType type, std::string_view payload);

// Writes frames to a file descriptor, the whole frame or nothing else: false when the
// other end has gone. Never raises SIGPIPE on a socket.
bool write_frame(int fd, FrameType type, std::string_view payload);

// Cuts a stream of bytes, arriving in pieces of any size, into frames. A frame of an
// unknown type or a length over the limit marks the stream bad; nothing after it is
// taken.
class FrameParser {
public:
    using Handler = std::function<void(FrameType, std::string_view payload)>;
    explicit FrameParser(Handler handler) : m_handler(std::move(handler)) {}

    void feed(std::string_view bytes);
    bool bad() const { return m_bad; }
    // Whether bytes of an unfinished frame are waiting.
    bool pending() const { return !m_pending.empty(); }

private:
    Handler m_handler;
    std::string m_pending;
    bool m_bad = false;
};
