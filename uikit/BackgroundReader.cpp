#include "uikit/BackgroundReader.h"

#include <QApplication>
#include <QThread>

#include "core/JobControl.h"
#include "uikit/BackgroundTask.h"

ReadAnswer BackgroundReader::Call(const std::string& reader, const std::string& args, const ReadContext& context)
{
    if (!qApp || QThread::currentThread() != qApp->thread())
        return m_inner.Call(reader, args, context);
    JobControl own;
    JobControl& control = context.control ? *context.control : own;
    ReadAnswer answer;
    answer.end = ReadAnswer::End::Cancelled;
    // The progress shows over the window the user is in (a tool's window, or the main one).
    QWidget* over = QApplication::activeWindow() ? QApplication::activeWindow() : m_parent.data();
    RunInBackground(over, QObject::tr("Reading the file"), control, [&] {
        answer = m_inner.Call(reader, args, {&control, context.text});
    });
    return answer;
}

bool ReadingWasCancelled(const std::string& message)
{
    return message == kReadCancelled;
}
