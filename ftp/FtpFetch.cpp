#include "ftp/FtpFetch.h"

#include "cdl/number_format.h"
#include "ftp/FtpClient.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QSaveFile>

namespace {

QString Bytes(std::uint64_t n)
{
    std::string text;
    NumberSpec spec;
    spec.conv = 'd';
    spec.length = NumberSpec::Length::ll;
    append_integer(text, spec, static_cast<long long>(n));
    return QString::fromStdString(text);
}

} // namespace

FetchResult FetchToFile(FtpClient& client, const std::string& remoteName, const QString& localPath,
                        QWidget* parent)
{
    QSaveFile file(localPath);
    file.setDirectWriteFallback(false);  // always through a temporary file
    if (!file.open(QIODevice::WriteOnly))
        return FetchResult::Failed;

    const QString name = QString::fromStdString(remoteName);
    QProgressDialog progress(parent);
    progress.setWindowTitle(QStringLiteral("FTP"));
    progress.setLabelText(QStringLiteral("Receiving %1").arg(name));
    progress.setCancelButtonText(QStringLiteral("Cancel"));
    progress.setWindowModality(Qt::WindowModal);  // the dialog beneath takes no input meanwhile
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setRange(0, 1000);
    progress.setValue(0);

    bool arrowShown = false;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    auto sink = [&](const char* data, std::size_t size) {
        return file.write(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
    };
    auto onProgress = [&](std::uint64_t received, std::uint64_t total) {
        if (total > 0) {
            progress.setRange(0, 1000);
            progress.setValue(static_cast<int>(std::min<std::uint64_t>(received, total) * 1000 / total));
            progress.setLabelText(QStringLiteral("Receiving %1: %2 of %3 bytes")
                                      .arg(name, Bytes(received), Bytes(total)));
        }
        else {
            progress.setRange(0, 0);  // size unknown: a busy indicator
            progress.setLabelText(QStringLiteral("Receiving %1: %2 bytes").arg(name, Bytes(received)));
        }
        if (!arrowShown && progress.isVisible()) {
            // The caller's wait cursor would hide that Cancel can be pressed.
            QApplication::changeOverrideCursor(Qt::ArrowCursor);
            arrowShown = true;
        }
        if (sinceEvents.elapsed() >= 50) {
            QApplication::processEvents();
            sinceEvents.restart();
        }
        return !progress.wasCanceled();
    };

    FtpStatus status = client.Get(remoteName, sink, onProgress);
    const bool cancelled = status.kind == FtpErrorKind::Cancelled || progress.wasCanceled();
    progress.hide();  // (close() would count as pressing Cancel)
    if (arrowShown)
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    if (status && !cancelled && file.commit())
        return FetchResult::Done;
    file.cancelWriting();
    return cancelled ? FetchResult::Cancelled : FetchResult::Failed;
}
