// The Argo Data window's handling of its results: rows and files fetched through the
// queue, a float's whole-float files, and the map and the table choosing for each other.
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>

#include "core/JobControl.h"
#include "gdac/GdacDlg.h"
#include "gdac/GdacDlgText.h"
#include "gdac/GdacFetchQueue.h"
#include "gdac/GdacMatchMap.h"
#include "gdac/GdacResultModel.h"
#include "gdac/float_files.h"
#include "uikit/BackgroundTask.h"

using namespace gdac_dlg;

void CGdacDlg::OnFileActivated()
{
    const int row = m_pFileList->currentRow();
    if (m_bBusy || row < 0 || row >= static_cast<int>(m_files.size()))
        return;
    const GdacEntry& e = m_files[static_cast<std::size_t>(row)];
    Fetch({{m_strFolder.empty() ? e.name : m_strFolder + "/" + e.name, e.size, e.name.ends_with(".nc"), false}});
}

void CGdacDlg::OnResultActivated()
{
    const QModelIndex current = m_pTable->currentIndex();
    if (m_bBusy || !current.isValid())
        return;
    Fetch({{"dac/" + m_pModel->FileOf(current.row()), -1, true, false}});
}

void CGdacDlg::OnFetch()
{
    if (m_bBusy)
        return;
    std::vector<QueuedFile> files;
    if (m_pTabs->currentIndex() == 0) {
        auto rows = m_pTable->selectionModel()->selectedRows();
        std::sort(rows.begin(), rows.end(),
                  [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
        for (const QModelIndex& r : rows)
            files.push_back({"dac/" + m_pModel->FileOf(r.row()), -1, false, false});
    } else {
        for (int row = 0; row < m_pFileList->count(); ++row)
            if (m_pFileList->item(row)->isSelected() && row < static_cast<int>(m_files.size())) {
                const GdacEntry& e = m_files[static_cast<std::size_t>(row)];
                files.push_back({m_strFolder.empty() ? e.name : m_strFolder + "/" + e.name, e.size, false, false});
            }
    }
    if (files.empty()) {
        BwMessageBox(this, QStringLiteral("Please choose the files to fetch."), QStringLiteral("error"), MbIcon::Stop);
        return;
    }
    Fetch(files);
}

void CGdacDlg::OnFetchFloat()
{
    const QModelIndex current = m_pTable->currentIndex();
    std::string dac, wmo;
    if (m_bBusy || !current.isValid() || !FloatOfIndexFile(m_pModel->FileOf(current.row()), dac, wmo)) {
        BwMessageBox(this, QStringLiteral("Please choose a result row of the float to fetch."), QStringLiteral("error"),
                     MbIcon::Stop);
        return;
    }
    auto client = Client();
    if (!client)
        return;
    std::vector<FloatFile> found;
    GdacStatus status;
    JobControl job;
    m_bBusy = true;
    const bool finished = RunInBackground(this, QStringLiteral("Listing dac/%1/%2").arg(Q(dac), Q(wmo)), job,
                                          [&] { status = ListFloatFiles(*client, dac, wmo, found, &job); });
    m_bBusy = false;
    if (!finished || status.kind == GdacErrorKind::Cancelled)
        return;
    if (!status) {
        ServerError(QStringLiteral("The float %1's files could not be found:\n").arg(Q(wmo)),
                    QStringLiteral("directory error"), status);
        return;
    }
    std::vector<QueuedFile> files;
    for (const FloatFile& f : found) // core first: it is the one shown
        files.push_back({f.remotePath, f.size, files.empty(), files.empty()});
    Fetch(files);
}

void CGdacDlg::OnMapRegion(const MapRegion& region)
{
    m_pLatMin->setText(Degrees(region.south));
    m_pLatMax->setText(Degrees(region.north));
    m_pLonWest->setText(Degrees(region.west));
    m_pLonEast->setText(Degrees(region.east));
    m_pMap->SetBox(region);
}

void CGdacDlg::OnMapPoint(std::uint32_t line)
{
    const int row = m_pModel->RowOfLine(line);
    if (row < 0)
        return;
    m_pTable->selectRow(row);
    m_pTable->scrollTo(m_pModel->index(row, 0));
}

void CGdacDlg::OnTableSelection()
{
    std::vector<std::uint32_t> lines;
    for (const QModelIndex& r : m_pTable->selectionModel()->selectedRows())
        lines.push_back(m_pModel->LineIndexOf(r.row()));
    m_pMap->SetChosen(std::move(lines));
}

void CGdacDlg::Fetch(const std::vector<QueuedFile>& files)
{
    const QString folder = m_pSaveFolder->text();
    if (folder.isEmpty()) {
        BwMessageBox(this, QStringLiteral("Please input a folder of a destination."), QStringLiteral("error"),
                     MbIcon::Stop);
        return;
    }
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isWritable()) {
        BwMessageBox(this,
                     info.exists() && info.isDir()
                         ? QStringLiteral("The save folder %1 cannot be written to.").arg(folder)
                         : QStringLiteral("The save folder %1 does not exist.").arg(folder),
                     QStringLiteral("error"), MbIcon::Stop);
        return;
    }
    WriteSetting("save_folder", folder);
    auto client = Client();
    if (!client)
        return;
    // Every remote name comes from a server: the queue refuses names that cannot be local files.
    const QStringList refused = m_pQueue->Enqueue(*client, folder, files);
    if (!refused.isEmpty())
        BwMessageBox(this,
                     QStringLiteral("%1 of %2 files could not be fetched.\n%3")
                         .arg(refused.size())
                         .arg(files.size())
                         .arg(refused.mid(0, kMaxReasonsShown).join(QLatin1Char('\n'))),
                     QStringLiteral("get error"), MbIcon::Stop);
}

void ShowArgoData(QWidget* parent, std::function<void(const QString& path, bool overview)> open)
{
    auto* dlg = parent ? parent->findChild<CGdacDlg*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!dlg) {
        dlg = new CGdacDlg(parent);
        if (!parent)
            dlg->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dlg, &CGdacDlg::openRequested, dlg, std::move(open));
    }
    dlg->show();
    dlg->raise();
    dlg->activateWindow();
}
