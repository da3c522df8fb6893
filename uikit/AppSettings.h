#pragma once
// The user's settings, kept where the program's registry profile would be:
// organisation "Local AppWizard-Generated Applications", application "Brinewick".
#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

inline std::unique_ptr<QSettings> OpenAppSettings()
{
    return std::make_unique<QSettings>(QStringLiteral("Local AppWizard-Generated Applications"),
                                       QStringLiteral("Brinewick"));
}

// One setting: where it is kept and what it holds, read and written with its own type.
template <class T>
struct SettingKey {
    const char* name;
    T fallback;

    T Read() const
    {
        const QVariant v = OpenAppSettings()->value(QLatin1String(name));
        return v.isValid() && v.canConvert<T>() ? v.value<T>() : fallback;
    }
    void Write(const T& value) const { OpenAppSettings()->setValue(QLatin1String(name), value); }
};

namespace AppKey {
// The main window's size and place, and its bars and panels (QMainWindow's state).
inline const SettingKey<QByteArray> kWindowGeometry{"Settings/WindowGeometry", {}};
inline const SettingKey<QByteArray> kWindowState{"Settings/WindowState", {}};
inline const SettingKey<bool> kStatusBar{"Settings/StatusBar", true};
inline const SettingKey<bool> kStructurePanel{"Settings/StructurePanel", true};
// The text view's font (QFont::toString()); empty: the system's fixed-pitch font.
inline const SettingKey<QString> kViewFont{"Settings/ViewFont", {}};
// Find: match case, whole word.
inline const SettingKey<bool> kFindMatchCase{"Settings/FindMatchCase", true};
inline const SettingKey<bool> kFindWholeWord{"Settings/FindWholeWord", false};
// The most text (in MB) one variable may make in the window before it is summarised.
inline const SettingKey<int> kVariableTextLimitMB{"Settings/VariableTextLimitMB", 512};
} // namespace AppKey
