#include "app/DocController.h"

#include <QDir>
#include <QTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <memory>

#include "app/BrinewickDoc.h"
#include "app/BrinewickView.h"
#include "app/TextLoad.h"
#include "cdl/reads.h"
#include "profile/reads.h"
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

CDocController::~CDocController()
{
    m_load.reset(); // a load still running is cancelled and waited for
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
    // A newer load ends the one in progress: its text stops where it had come.
    CancelLoad();
    const unsigned serial = ++m_opens;
    // Whether the library opens the file, its structure and its profile tools: quick
    // readings, after which the file becomes the document's and its text streams in.
    const std::string file = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
    HeaderRead::Result header;
    ProfileToolsInfo profile;
    JobControl control;
    const bool finished = RunInBackground(m_window, tr("Reading %1").arg(QFileInfo(path).fileName()), control,
                                          [&header, &profile, &file, &control, &reader = m_doc->Reader()] {
                                              header = Read<HeaderRead>(reader, {file}, {&control, nullptr});
                                              if (header.opened && !control.Cancelled())
                                                  profile = ReadProfileToolsInfo(reader, file);
                                          });
    if (!finished || header.outcome.cancelled || serial != m_opens)
        return; // cancelled or overtaken by a newer open: nothing the user sees changes
    if (!header.opened) {
        // Nothing changes: title, path, recent list, text and tools stay those of the
        // file shown. The message names the file that failed.
        QString message =
            tr("%1 cannot be shown:\n%2").arg(QDir::toNativeSeparators(path), ShortenedLog(header.outcome.log));
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
    DropLoad();
    emit documentReplaced();
    SetPathName(path);
    m_view->BeginText(std::move(header.outcome), profile);
    CdlOptions options;
    options.variable_text_limit = static_cast<std::size_t>(AppKey::kVariableTextLimitMB.Read()) << 20;
    m_load = std::make_unique<TextLoad>(m_doc->Reader(), file, options);
    m_loadPath = path;
    m_loadFetched = fetched;
    m_loadDone = false;
    connect(m_load.get(), &TextLoad::textReady, this, &CDocController::TakeLoadedText);
    connect(m_load.get(), &TextLoad::finished, this, &CDocController::EndLoad);
    emit loadStateChanged();
}

void CDocController::TakeLoadedText()
{
    if (!m_load)
        return;
    // A megabyte at a time, so that the window answers between the pieces
    // however fast the text comes.
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    std::string bytes;
    std::vector<std::size_t> starts;
    const bool more = m_load->TakeText(bytes, starts, kPiece);
    m_view->AppendText(bytes, starts);
    emit loadStateChanged();
    if (more && !m_takeQueued) {
        m_takeQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_takeQueued = false;
            TakeLoadedText();
        });
    } else if (!more && !m_load->Running()) {
        FinishLoad();
    }
}

void CDocController::EndLoad()
{
    if (m_load && sender() == m_load.get()) // not a load that another has replaced
        TakeLoadedText();                   // the rest, then FinishLoad
}

void CDocController::FinishLoad()
{
    if (m_loadDone)
        return;
    m_loadDone = true;
    const CdlOutcome& outcome = m_load->Outcome();
    emit loadStateChanged();
    if (outcome.cancelled) {
        // The text shown so far stays; its last line says why it ends there.
        std::string last = m_view->Buffer().bytes().empty() || m_view->Buffer().bytes().back() == '\n'
                               ? std::string()
                               : std::string("\r\n");
        last += tr("// The text stops here because the load was cancelled.").toStdString() + "\r\n";
        std::vector<std::size_t> starts;
        const std::size_t size = m_view->Buffer().size();
        for (std::size_t i = 0; i < last.size(); ++i)
            if (last[i] == '\n')
                starts.push_back(size + i + 1);
        m_view->AppendText(last, starts);
        return;
    }
    const QString shown = QDir::toNativeSeparators(m_loadPath);
    if (outcome.truncated && outcome.complete_but_for_notes()) {
        // A cut file: what it holds is shown, and the tools work on it as on any file.
        BwMessageBox(m_window,
                     tr("%1 is cut short (truncated): its header and the values it holds are shown.\n%2")
                         .arg(shown, ShortenedLog(outcome.notes)),
                     tr("Brinewick"), MbIcon::Exclamation);
    } else if (outcome.complete_but_for_notes()) {
        // A text shown in part on purpose (a variable over the limit, a streaming
        // record count): its notes are said after it.
        BwMessageBox(m_window,
                     tr("%1 is shown in part:\n%2\nView > Text Limit per Variable... raises the limit.")
                         .arg(shown, ShortenedLog(outcome.notes)),
                     tr("Brinewick"), MbIcon::Exclamation);
    } else if (!outcome.ok()) {
        // The file opened, so what could be read stays shown; the message says what failed.
        QString message = tr("%1 cannot be shown in full:\n%2").arg(shown, ShortenedLog(outcome.log));
        if (m_loadFetched)
            message += tr("\nThe fetched file is kept at %1.").arg(shown);
        BwMessageBox(m_window, message, tr("File reading error"), MbIcon::Stop);
    }
}

bool CDocController::IsLoading() const
{
    return m_load && !m_loadDone;
}

QString CDocController::LoadStatus() const
{
    if (!IsLoading())
        return QString();
    const QString name = QFileInfo(m_loadPath).fileName();
    if (m_load->Control().Cancelled())
        return tr("Cancelling the reading of %1...").arg(name);
    return tr("Reading %1: %2").arg(name, ProgressText(m_load->Control().Done(), 0, QStringLiteral("bytes")));
}

void CDocController::CancelLoad()
{
    if (IsLoading()) {
        m_load->Cancel();
        emit loadStateChanged();
    }
}

void CDocController::DropLoad()
{
    if (!m_load)
        return;
    disconnect(m_load.get(), nullptr, this, nullptr);
    m_load.reset(); // a load still running is cancelled and waited for
    m_loadDone = true;
    emit loadStateChanged();
}

void CDocController::WaitForLoad()
{
    if (!IsLoading())
        return;
    QEventLoop loop;
    const QMetaObject::Connection ended = connect(this, &CDocController::loadStateChanged, &loop, [this, &loop] {
        if (!IsLoading())
            loop.quit();
    });
    loop.exec();
    disconnect(ended);
}

void CDocController::FileOpen()
{
    const QString path = AskOpenPath(m_window, m_pathName);
    if (!path.isEmpty())
        OpenDocument(path);
}

void CDocController::NewDocument()
{
    DropLoad();
    emit documentReplaced();
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
