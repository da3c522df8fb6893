#include "app/DocController.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <memory>

#include "app/BrinewickDoc.h"
#include "app/BrinewickView.h"
#include "uikit/FileDialogs.h"
#include "uikit/MessageBox.h"
#include "uikit/AppSettings.h"
#include "uikit/BackgroundTask.h"
#include "uikit/NumberText.h"

namespace {

// A damaged file can log one message per chunk of data: show the first ones and say
// how many more there were.
QString ShortenedLog(const std::string& log)
{
    constexpr int kShown = 20;
    const QStringList lines =
        QString::fromUtf8(log.data(), static_cast<qsizetype>(log.size())).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() <= kShown)
        return lines.join(QLatin1Char('\n'));
    return lines.mid(0, kShown).join(QLatin1Char('\n')) +
           QObject::tr("\n... and %1 more messages").arg(IntegerText(lines.size() - kShown));
}

} // namespace

CDocController::CDocController(CBrinewickDoc* doc, CBrinewickView* view, QWidget* window)
    : QObject(window), m_doc(doc), m_view(view), m_window(window)
{
    m_recent.Load();
}

QString CDocController::Title() const
{
    const QString name = m_pathName.isEmpty() ? tr("Untitled") : QFileInfo(m_pathName).fileName();
    return name + QStringLiteral(" - ") + tr("Brinewick");
}

void CDocController::SetPathName(const QString& path)
{
    m_pathName = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (!m_pathName.isEmpty())
        m_recent.Add(m_pathName);
    emit documentChanged();
}

bool CDocController::OpenDocument(const QString& path)
{
    const QFileInfo info(path);
    QFile file(path);
    QString problem;
    if (!info.exists())
        problem = tr("%1 was not found.").arg(path);
    else if (info.isDir() || !file.open(QIODevice::ReadOnly))
        problem = info.isDir() || !info.isReadable() ? tr("Access to %1 was denied.").arg(path)
                                                     : tr("Failed to open document.");
    if (problem.isEmpty()) {
        file.close();
        if (CBrinewickDoc::CheckPathLength(path, &problem)) {
            LoadAndShow(path);
            return true;
        }
    }
    BwMessageBox(m_window, problem, tr("Brinewick"), MbIcon::Exclamation);
    return false;
}

void CDocController::LoadAndShow(const QString& path, bool fetched)
{
    // A newer load makes an older one pointless: stop it, and never show its result.
    if (m_loading)
        m_loading->RequestCancel();
    auto control = std::make_shared<JobControl>();
    m_loading = control;
    const std::string file = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
    BuiltText built;
    CdlOptions options;
    options.variable_text_limit = static_cast<std::size_t>(AppKey::kVariableTextLimitMB.Read()) << 20;
    const bool finished = RunInBackground(m_window, tr("Reading %1").arg(QFileInfo(path).fileName()), *control,
                                          [&built, &file, control, options, &reader = m_doc->Reader()] {
                                              built = CBrinewickDoc::BuildText(reader, file, control.get(), options);
                                          });
    const bool current = m_loading == control;
    if (current)
        m_loading.reset();
    if (!finished || !current || built.outcome.cancelled)
        return; // cancelled or overtaken: nothing the user sees changes

    // A text shown in part on purpose (a variable over the limit, a streaming record
    // count) is shown, and its notes said after it.
    const QString notes = built.outcome.complete_but_for_notes() ? ShortenedLog(built.outcome.notes) : QString();
    if (!built.outcome.ok() && notes.isEmpty()) {
        // Nothing changes: title, path, recent list, text and tools stay those of the
        // file shown. The message names the file that failed.
        QString message =
            tr("%1 cannot be shown:\n%2").arg(QDir::toNativeSeparators(path), ShortenedLog(built.outcome.log));
        if (fetched)
            message += tr("\nThe fetched file is kept at %1.").arg(QDir::toNativeSeparators(path));
        BwMessageBox(m_window, message, tr("File reading error"), MbIcon::Stop);
        return;
    }
    QString problem;
    if (!m_doc->SetFilePath(path, &problem)) {
        BwMessageBox(m_window, problem, tr("Brinewick"), MbIcon::Exclamation);
        return;
    }
    SetPathName(path);
    m_view->ShowBuiltText(std::move(built));
    if (!notes.isEmpty())
        BwMessageBox(m_window,
                     tr("%1 is shown in part:\n%2\nView > Text Limit per Variable... raises the limit.")
                         .arg(QDir::toNativeSeparators(path), notes),
                     tr("Brinewick"), MbIcon::Exclamation);
}

void CDocController::FileOpen()
{
    const QString path = AskOpenPath(m_window, m_pathName);
    if (!path.isEmpty())
        OpenDocument(path);
}

void CDocController::NewDocument()
{
    m_doc->OnNewDocument();
    m_view->OnNewDocument();
    m_pathName.clear();
    emit documentChanged();
}

bool CDocController::SaveTextFile()
{
    const QString proposed = m_doc->m_bFilePresent ? m_doc->ProposedTextPath() : m_pathName;
    const QString target =
        AskSavePath(m_window, proposed, [this](const QString& t) { return m_doc->TargetRefusal(t); });
    return !target.isEmpty() && SaveTextTo(target);
}

bool CDocController::Save()
{
    if (m_pathName.isEmpty())
        return SaveTextFile();
    return SaveTextTo(m_pathName);
}

bool CDocController::SaveTextTo(const QString& target)
{
    QString message;
    CBrinewickDoc::SaveResult result = CBrinewickDoc::SaveResult::Cancelled;
    JobControl control;
    RunInBackground(m_window, tr("Saving %1").arg(QFileInfo(target).fileName()), control,
                    [&] { result = m_doc->SaveText(target, &message, &control); });
    switch (result) {
    case CBrinewickDoc::SaveResult::Cancelled: return false;
    case CBrinewickDoc::SaveResult::Saved: SetPathName(target); return true;
    case CBrinewickDoc::SaveResult::RenderFailed:
        BwMessageBox(m_window, message, tr("File reading error"), MbIcon::Stop);
        return false;
    case CBrinewickDoc::SaveResult::Refused:
    case CBrinewickDoc::SaveResult::WriteFailed:
        BwMessageBox(m_window, message, tr("Brinewick"), MbIcon::Stop);
        return false;
    }
    return false;
}

void CDocController::ShowFetchedFile(const QString& path)
{
    QString problem;
    if (!CBrinewickDoc::CheckPathLength(path, &problem)) {
        BwMessageBox(m_window, problem + tr("\nThe fetched file is kept at %1.").arg(QDir::toNativeSeparators(path)),
                     tr("Brinewick"), MbIcon::Exclamation);
        return;
    }
    LoadAndShow(path, true);
}
