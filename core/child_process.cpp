#include "core/child_process.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <unistd.h>

ChildLimits default_render_limits()
{
    ChildLimits limits;
    const long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
    unsigned long long half = pages > 0 && page > 0
                                  ? static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(page) / 2
                                  : 4ull << 30;
    const unsigned long long cap = 16ull << 30;
    // Address space is more than memory used (libraries, thread stacks): keep a floor.
    limits.address_space_bytes = std::max(std::min(half, cap), 2ull << 30);
#if defined(__SANITIZE_ADDRESS__)
    // A sanitizer build reserves terabytes of address space for its shadow memory.
    limits.address_space_bytes = 0;
#endif
    limits.cpu_seconds = 600;
    return limits;
}

std::string describe_child_end(const ChildResult& result)
{
    if (!result.started)
        return result.problem;
    if (result.signal == SIGXCPU)
        return "the time limit";
    if (result.signal != 0) {
        const char* name = strsignal(result.signal);
        return "signal " + std::to_string(result.signal) + (name ? std::string(" (") + name + ")" : std::string());
    }
    if (result.exit_code == 127)
        return "the reading process could not be started";
    if (result.exit_code == kOutOfMemoryExit)
        return "the memory limit";
    return "exit code " + std::to_string(result.exit_code);
}
