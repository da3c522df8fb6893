#include "cdl/cdl_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <netcdf.h>

CdlState g_cdl_state;

void cdl_put(std::string_view text)
{
    std::string& piece = cdl_state().pieces[cdl_state().current];
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (!lf) {
            piece.append(p, static_cast<std::size_t>(end - p));
            return;
        }
        const char* at = static_cast<const char*>(lf);
        piece.append(p, static_cast<std::size_t>(at - p));
        piece.append("\r\n", 2);
        p = at + 1;
    }
}

namespace {

std::string vformat(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0)
        return {};
    if (static_cast<std::size_t>(n) < sizeof small)
        return std::string(small, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(big.data(), big.size(), format, args);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

} // namespace

void cdl_printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    cdl_put(text);
}

void cdl_error(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    cdl_state().error_log += text;
    cdl_state().error_log += '\n';
}

void cdl_error_nc(int status)
{
    cdl_error("%s", nc_strerror(status));
}
