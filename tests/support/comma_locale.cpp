#include "support/comma_locale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "support/temp_dir.h"

namespace {

bool WritesDecimalComma()
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    return std::string(text) == "1,5";
}

} // namespace

CommaLocale::CommaLocale()
{
    const char* current = std::setlocale(LC_ALL, nullptr);
    m_saved = current ? current : "C";
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, name)) {
            m_name = name;
            break;
        }
    }
    if (m_name.empty()) {
        m_built = std::make_unique<TempDir>();
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + m_built->file("de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            // LOCPATH is read when the locale is loaded; its old value comes back after.
            const char* old = std::getenv("LOCPATH");
            const std::string saved = old ? old : "";
            setenv("LOCPATH", m_built->path().c_str(), 1);
            if (std::setlocale(LC_ALL, "de_DE.UTF-8"))
                m_name = "de_DE.UTF-8";
            if (old)
                setenv("LOCPATH", saved.c_str(), 1);
            else
                unsetenv("LOCPATH");
        }
    }
    m_active = !m_name.empty() && WritesDecimalComma();
    if (!m_name.empty() && !m_active)
        std::setlocale(LC_ALL, m_saved.c_str());
}

CommaLocale::~CommaLocale()
{
    std::setlocale(LC_ALL, m_saved.c_str());
}

void CommaLocale::exportToEnvironment() const
{
    if (!m_active)
        return;
    if (m_built)
        setenv("LOCPATH", m_built->path().c_str(), 1);
    setenv("LC_ALL", m_name.c_str(), 1);
}
