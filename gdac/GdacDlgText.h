#pragma once
// What the Argo Data window's two source files share: its settings, text conversion and
// messages.
#include <QRegularExpression>
#include <QString>

#include <cmath>
#include <string_view>

#include "uikit/AppSettings.h"
#include "uikit/MessageBox.h"

namespace gdac_dlg {

constexpr int kMaxReasonsShown = 10;

inline QString ReadSetting(const char* name, const QString& fallback = {})
{
    auto settings = OpenAppSettings();
    settings->beginGroup(QStringLiteral("Brinewick"));
    return settings->value(QLatin1String(name), fallback).toString();
}

inline void WriteSetting(const char* name, const QString& value)
{
    auto settings = OpenAppSettings();
    settings->beginGroup(QStringLiteral("Brinewick"));
    settings->setValue(QLatin1String(name), value);
}

inline QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

inline void InputError(QWidget* parent, const QString& text)
{
    BwMessageBox(parent, text, QStringLiteral("Input error."), MbIcon::Stop);
}

// The region's bounds as the fields show them: two decimals, no trailing zeros.
inline QString Degrees(double value)
{
    return QString::number(std::round(value * 100.0) / 100.0, 'f', 2)
        .remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

} // namespace gdac_dlg
