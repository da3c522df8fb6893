#include "cdl/cdl_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <netcdf.h>

#include "core/JobControl.h"

namespace {

constexpr std::size_t kFlushAt = 256 * 1024;

CFormat build(const char* templ, int digits)
{
    char text[32];
    std::snprintf(text, sizeof text, templ, digits);
    return *CFormat::parse(text, ValueKind::Floating, sizeof text);
}

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

NumberFormats make_number_formats(int float_digits, int double_digits)
{
    return {build("%%.%dg", float_digits), build("%%.%dg", double_digits), build("%%#.%dgf", float_digits),
            build("%%#.%dg", double_digits)};
}

CdlWriter::CdlWriter(CdlSink& sink, JobControl* control)
    : formats(make_number_formats(7, 15)), m_sink(sink), m_control(control)
{
    m_buffer.reserve(kFlushAt + 4096);
}

CdlWriter::~CdlWriter() = default;

bool CdlWriter::cancelled() const
{
    return m_control && m_control->Cancelled();
}

void CdlWriter::flush()
{
    if (m_buffer.empty())
        return;
    m_written += m_buffer.size();
    m_sink.write(m_buffer);
    m_buffer.clear();
    if (m_control)
        m_control->SetDone(m_written);
}

void CdlWriter::put(std::string_view text)
{
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        if (!lf) {
            m_buffer.append(p, static_cast<std::size_t>(end - p));
            break;
        }
        const char* at = static_cast<const char*>(lf);
        m_buffer.append(p, static_cast<std::size_t>(at - p));
        m_buffer.append("\r\n", 2);
        p = at + 1;
    }
    if (m_buffer.size() >= kFlushAt)
        flush();
}

void cdl_printf(CdlWriter& w, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    w.put(text);
}

void cdl_error(CdlWriter& w, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    w.error_log += text;
    w.error_log += '\n';
}

void cdl_note(CdlWriter& w, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = vformat(format, args);
    va_end(args);
    w.error_log += text;
    w.error_log += '\n';
    w.note_log += text;
    w.note_log += '\n';
}

void cdl_error_nc(CdlWriter& w, int status)
{
    if (w.path.empty())
        cdl_error(w, "%s", nc_strerror(status));
    else if (w.variable.empty())
        cdl_error(w, "%s: %s", w.path.c_str(), nc_strerror(status));
    else
        cdl_error(w, "%s: variable %s: %s", w.path.c_str(), w.variable.c_str(), nc_strerror(status));
}
