#include "cdl/dump_command.h"

#include "cdl/render_cdl.h"

namespace {

// Turns every CR LF into LF, in place.
void to_plain_line_feeds(std::string& text)
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        text[out++] = text[i];
    }
    text.resize(out);
}

} // namespace

int run_dump_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
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
    std::string text = render_cdl(path);
    std::string log = cdl_error_log();
    if (lf)
        to_plain_line_feeds(text);
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
        std::fputs("brinewick: could not write the text to standard output\n", err);
        return 1;
    }
    if (!log.empty()) {
        std::fputs(log.c_str(), err);
        return 1;
    }
    return 0;
}
