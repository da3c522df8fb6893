#include "core/helper_read.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr char kMagic[4] = {'B', 'W', 'R', '1'};
constexpr std::size_t kHeader = sizeof(kMagic) + sizeof(std::uint64_t);

} // namespace

bool reads_in_helper()
{
    return !helper_program().empty();
}

std::string helper_stopped_message(const std::string& path, const std::string& what)
{
    return path + ": the netCDF library stopped on this file: " + what;
}

std::optional<std::string> read_in_helper(const std::string& kind, const std::vector<std::string>& args,
                                          const std::string& path, std::string& failure, JobControl* control)
{
    std::vector<std::string> words = {"--read-child", kind};
    words.insert(words.end(), args.begin(), args.end());
    std::string answer;
    const ChildResult child = run_child(helper_program(), words, default_render_limits(), control,
                                        [&answer](std::string_view bytes) { answer.append(bytes); });
    if (child.cancelled) {
        failure = "cancelled";
        return std::nullopt;
    }
    if (!child.exited_cleanly()) {
        failure = helper_stopped_message(path, describe_child_end(child));
        return std::nullopt;
    }
    std::uint64_t size = 0;
    if (answer.size() >= kHeader)
        std::memcpy(&size, answer.data() + sizeof(kMagic), sizeof(size));
    if (answer.size() < kHeader || std::memcmp(answer.data(), kMagic, sizeof(kMagic)) != 0 ||
        size != answer.size() - kHeader) {
        failure = helper_stopped_message(path, "its output was cut short");
        return std::nullopt;
    }
    return answer.substr(kHeader);
}

int serve_read_child(const std::vector<std::string>& args, const std::vector<ReadServer>& servers)
{
    if (args.empty())
        return 2;
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const ReadServer& serve : servers) {
        std::optional<std::string> answer;
        try {
            answer = serve(args[0], rest);
        } catch (const std::bad_alloc&) {
            return kOutOfMemoryExit; // a reader that met the memory limit of the helper
        }
        if (!answer)
            continue;
        const std::uint64_t size = answer->size();
        char header[kHeader];
        std::memcpy(header, kMagic, sizeof(kMagic));
        std::memcpy(header + sizeof(kMagic), &size, sizeof(size));
        const bool written = std::fwrite(header, 1, kHeader, stdout) == kHeader &&
                             std::fwrite(answer->data(), 1, answer->size(), stdout) == answer->size() &&
                             std::fflush(stdout) == 0;
        return written ? 0 : 1;
    }
    return 2;
}

std::string size_list_arg(const std::vector<std::size_t>& values)
{
    std::string text;
    for (std::size_t v : values)
        text += (text.empty() ? "" : ",") + std::to_string(v);
    return text.empty() ? "-" : text;
}

bool parse_size_arg(const std::string& text, std::size_t& value)
{
    const char* end = text.data() + text.size();
    const auto [next, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && next == end && !text.empty();
}

bool parse_size_list_arg(const std::string& text, std::vector<std::size_t>& values)
{
    values.clear();
    if (text == "-")
        return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        std::size_t v = 0;
        if (!parse_size_arg(text.substr(start, comma - start), v))
            return false;
        values.push_back(v);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}
