#include "uikit/OffscreenApplication.h"

#include <QApplication>

namespace {

QtMessageHandler s_previous = nullptr;

void DropAllButCritical(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if ((type == QtCriticalMsg || type == QtFatalMsg) && s_previous)
        s_previous(type, context, text);
}

} // namespace

void QuietToolkitMessages()
{
    const QtMessageHandler previous = qInstallMessageHandler(DropAllButCritical);
    if (previous != DropAllButCritical)
        s_previous = previous;
}

std::unique_ptr<QApplication> OffscreenApplication()
{
    if (QCoreApplication::instance())
        return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "brinewick";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}
