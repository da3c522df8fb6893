#include "uikit/MessageBox.h"

namespace {
MessageBoxHook& Hook()
{
    static MessageBoxHook hook;
    return hook;
}
} // namespace

void SetMessageBoxHook(MessageBoxHook hook)
{
    Hook() = std::move(hook);
}

int BwMessageBox(QWidget* parent, const QString& text, const QString& caption, MbIcon icon,
                 QMessageBox::StandardButtons buttons)
{
    if (Hook())
        return Hook()(text, caption, icon);
    QMessageBox::Icon qicon = QMessageBox::Critical;
    switch (icon) {
    case MbIcon::Stop: qicon = QMessageBox::Critical; break;
    case MbIcon::Exclamation: qicon = QMessageBox::Warning; break;
    case MbIcon::Information: qicon = QMessageBox::Information; break;
    case MbIcon::Question: qicon = QMessageBox::Question; break;
    }
    QMessageBox box(qicon, caption, text, buttons, parent);
    return box.exec();
}
