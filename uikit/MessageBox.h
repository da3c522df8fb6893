#pragma once
// The program's one way to show a message box (text, caption, icon). Tests install a
// hook that records the call instead of showing a modal box.
#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

enum class MbIcon { Stop, Exclamation, Information, Question };

// Shows the box modally and returns the button pressed (QMessageBox::Ok unless
// `buttons` offers others).
int BwMessageBox(QWidget* parent, const QString& text, const QString& caption, MbIcon icon,
                 QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// While a hook is set, BwMessageBox calls it instead of showing anything and returns
// what it returns. Pass an empty function to remove it.
using MessageBoxHook = std::function<int(const QString& text, const QString& caption, MbIcon icon)>;
void SetMessageBoxHook(MessageBoxHook hook);
