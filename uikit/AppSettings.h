#pragma once
// The user's settings, kept where the program's registry profile would be:
// organisation "Local AppWizard-Generated Applications", application "Brinewick".
#include <QSettings>
#include <memory>

inline std::unique_ptr<QSettings> OpenAppSettings()
{
    return std::make_unique<QSettings>(QStringLiteral("Local AppWizard-Generated Applications"),
                                       QStringLiteral("Brinewick"));
}
