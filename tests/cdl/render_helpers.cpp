#include "render_helpers.h"

#include "cdl/render_cdl.h"
#include "support/file_text.h"

std::string render_lf(const std::string& path, std::string* log)
{
    CdlOutcome outcome;
    std::string text = render_cdl_text(path, &outcome);
    if (log)
        *log = outcome.log;
    return lf(text);
}

std::string data_section(const std::string& lf_text)
{
    std::size_t at = lf_text.find("\ndata:\n");
    if (at == std::string::npos)
        return {};
    std::size_t from = at + 7;
    std::size_t to = lf_text.rfind("}\n");
    return lf_text.substr(from, to - from);
}
