#include "cdl/dump_command.h"

#include "cdl/render_cdl.h"

int run_dump_command(const std::vector<std::string>& args, std::FILE* out, std::FILE* err)
{
    if (args.empty())
        return 2;
    std::string text = render_cdl(args[0]);
    std::fwrite(text.data(), 1, text.size(), out);
    std::string log = cdl_error_log();
    std::fputs(log.c_str(), err);
    return log.empty() ? 0 : 1;
}
