#pragma once
// A locale with a decimal comma, to show that a text does not depend on the process locale.
#include <memory>
#include <string>

class TempDir;

// Switches the C library's locale (LC_ALL) to a German one for the object's lifetime,
// building it with localedef in a folder of its own when the system has none installed.
// active() is false when no such locale can be had or it does not write "1,5"; the
// previous locale comes back when the object goes.
class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool active() const { return m_active; }
    // Puts the locale into LC_ALL (and LOCPATH, for one built here) of the environment,
    // for code that takes its locale from there: QApplication's constructor, a child
    // process. The object must outlive that use.
    void exportToEnvironment() const;

private:
    std::string m_saved;
    std::string m_name;
    std::unique_ptr<TempDir> m_built; // the localedef output, when the system had no locale
    bool m_active = false;
};
