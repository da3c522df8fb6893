#include "support/temp_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

TempDir::TempDir()
{
    std::string templ = (std::filesystem::temp_directory_path() / "bw-test-XXXXXX").string();
    if (!mkdtemp(templ.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + templ);
    m_path = templ;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

TempDir& SharedTempDir()
{
    static TempDir dir;
    return dir;
}
