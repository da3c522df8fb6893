#include "app/DocController.h"

#include <QFile>
#include <QFileInfo>

#include "app/BrinewickDoc.h"
#include "app/BrinewickView.h"
#include "uikit/FileDialogs.h"
#include "uikit/MessageBox.h"
#include "uikit/WaitCursor.h"

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
        if (m_doc->SetFilePath(path, &problem)) {
            SetPathName(path);
            m_view->OnInitialUpdate();
            return true;
        }
    }
    BwMessageBox(m_window, problem, tr("Brinewick"), MbIcon::Exclamation);
    return false;
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
    const QString target = AskSavePath(m_window, m_pathName);
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
    CBrinewickDoc::SaveResult result;
    {
        CWaitCursor wait;
        result = m_doc->SaveText(target, &message);
    }
    switch (result) {
    case CBrinewickDoc::SaveResult::Saved:
        SetPathName(target);
        return true;
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
    if (!m_doc->SetFilePath(path, &problem)) {
        BwMessageBox(m_window, problem, tr("Brinewick"), MbIcon::Exclamation);
        return;
    }
    SetPathName(path);
    m_view->OnInitialUpdate();
}
