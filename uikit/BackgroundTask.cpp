#include "uikit/BackgroundTask.h"

#include <QApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

#include "uikit/NumberText.h"

namespace {

BackgroundTaskHook& Hook()
{
    static BackgroundTaskHook hook;
    return hook;
}

// The netCDF library is not thread-safe: two files read at once on two threads can
// crash it. All background work therefore runs on one worker thread, one piece at a
// time; a piece started while another runs waits for it (a superseded load has been
// asked to stop, so the wait is short).
QThreadPool& Worker()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(1);
        p->setExpiryTimeout(-1);
        return p;
    }();
    return *pool;
}

constexpr int kShowAfterMs = 300; // quick work never flashes a dialog
constexpr int kRefreshMs = 100;

// The progress bar works in int; scale large counts down to fit.
int Scaled(std::uint64_t v, std::uint64_t total)
{
    if (total <= 1000000)
        return static_cast<int>(v);
    return static_cast<int>(v / (total / 1000000 + 1));
}

} // namespace

void SetBackgroundTaskHook(BackgroundTaskHook hook)
{
    Hook() = std::move(hook);
}

QString ProgressText(std::uint64_t done, std::uint64_t total, const QString& unit)
{
    if (unit == QLatin1String("bytes")) {
        const auto mb = [](std::uint64_t b) { return QString::number(static_cast<double>(b) / 1e6, 'f', 1); };
        return total ? QObject::tr("%1 of %2 MB").arg(mb(done), mb(total)) : QObject::tr("%1 MB").arg(mb(done));
    }
    return total ? QObject::tr("%1 of %2 %3")
                       .arg(IntegerText(static_cast<long long>(done)), IntegerText(static_cast<long long>(total)), unit)
                 : QObject::tr("%1 %2").arg(IntegerText(static_cast<long long>(done)), unit);
}

QFuture<void> StartInBackground(std::function<void()> work)
{
    return QtConcurrent::run(&Worker(), std::move(work));
}

bool RunInBackground(QWidget* parent, const QString& label, JobControl& control, const std::function<void()>& work,
                     const QString& unit)
{
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);

    // The dialog is made only when it is due: a QProgressDialog that exists shows itself
    // on its own timer or from setValue, and its setValue runs the event loop, user
    // input included, which must wait until the dialog keeps that input away.
    std::unique_ptr<QProgressDialog> dialog;
    const auto update = [&] {
        if (!dialog)
            return;
        const std::uint64_t total = control.Total(), done = control.Done();
        if (total && dialog->maximum() != Scaled(total, total))
            dialog->setRange(0, Scaled(total, total));
        if (total)
            dialog->setValue(Scaled(std::min(done, total), total));
        if (control.Cancelled())
            dialog->setLabelText(QObject::tr("Cancelling..."));
        else if (done || total) // nothing counted yet: the label alone
            dialog->setLabelText(label + QLatin1Char('\n') + ProgressText(done, total, unit));
    };

    QTimer show;
    show.setSingleShot(true);
    QObject::connect(&show, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, update);

    // The busy cursor (an arrow with a clock) keeps Cancel clickable; it is restored
    // however the call ends (the work's exception comes back through the future).
    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    watcher.setFuture(QtConcurrent::run(&Worker(), work));
    if (Hook())
        Hook()(control);
    show.start(kShowAfterMs);
    // Until the dialog shows, user input waits, so that no command starts beside the
    // work; from then on the window-modal dialog keeps it away from the window.
    if (!watcher.isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!watcher.isFinished()) {
        dialog = std::make_unique<QProgressDialog>(label, QObject::tr("Cancel"), 0, 0, parent);
        dialog->setWindowTitle(QObject::tr("Brinewick"));
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        dialog->setMinimumWidth(360);
        QObject::connect(dialog.get(), &QProgressDialog::canceled, [&] {
            control.RequestCancel();
            update();
        });
        update();
        dialog->show();
        refresh.start(kRefreshMs);
        loop.exec();
        refresh.stop();
        dialog->hide(); // (close() would count as pressing Cancel)
    }
    watcher.waitForFinished();
    return !control.Cancelled();
}
