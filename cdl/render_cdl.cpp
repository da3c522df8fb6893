#include "cdl/render_cdl.h"

// Placeholder until the renderer lands.
static std::string g_log;
std::string render_cdl(const std::string& path, std::vector<std::string>*, std::vector<std::string>*)
{
    g_log = path + ": not rendered yet\n";
    return {};
}
std::string cdl_error_log() { return g_log; }
