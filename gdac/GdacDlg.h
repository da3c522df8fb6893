#pragma once
// The "Argo Data" window: a GDAC server (HTTPS, S3, FTP or a typed URL) and the
// certificate authority to trust, a search over its profile index with a sortable
// result table beside a map of the matches, a browser of its folders, and a fetch queue
// (bytes per file and in total, Cancel, Open). The window stays open; a fetched file
// is shown in the main window through openRequested. Listings and searches run on the
// worker with a progress dialog; a cancelled step leaves the window as it was.
#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gdac/GdacClient.h"

class CGdacFetchQueue;
class CGdacResultModel;
class CMatchMap;
struct MapRegion;
struct QueuedFile;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableView;

class CGdacDlg : public QDialog {
    Q_OBJECT
public:
    // `options` carry the certificate authority, cache folder and time-outs (tests
    // pass their own); `servers` fill the server list, "Other URL" comes last.
    explicit CGdacDlg(QWidget* parent = nullptr, GdacOptions options = {},
                      std::vector<GdacServer> servers = DefaultGdacServers());
    ~CGdacDlg() override;

    CGdacResultModel* Results() const { return m_pModel; }
    CMatchMap* Map() const { return m_pMap; }
    CGdacFetchQueue* Queue() const { return m_pQueue; }
    // The browser's folder below the root ("" for the root), and what it shows.
    const std::string& BrowsedFolder() const { return m_strFolder; }
    const std::vector<GdacEntry>& BrowsedFiles() const { return m_files; }

public slots:
    void reject() override;
    // Queues the whole-float files of the current result row's float; the core file
    // (else the synthetic one) opens with the Float Overview once it has arrived.
    void OnFetchFloat();

signals:
    // A fetched file to show in the main window, with the Float Overview when `overview`.
    void openRequested(const QString& path, bool overview);

private:
    void OnServerChosen(int index);
    void OnUrlEdited();
    void OnBrowseSaveFolder();
    void OnSearch();
    void OnTabChanged(int index);
    void OnFolderActivated();
    void OnFileActivated();
    void OnResultActivated();
    void OnFetch();
    void OnBrowseCaFile();
    void OnCaFileEdited();
    void OnMapRegion(const MapRegion& region);
    void OnMapPoint(std::uint32_t line);
    void OnTableSelection();
    // Forgets the listing and the results when they belong to another server than the one shown.
    void ForgetOtherServer();
    // Says a server step failed; a certificate failure says how to trust the server.
    void ServerError(const QString& text, const QString& caption, const GdacStatus& status);

    // The client for the URL shown, or nothing (a message has been shown).
    std::optional<GdacClient> Client();
    // Lists `folder` and shows it; false (the lists as they were) when it failed.
    bool ShowFolder(const std::string& folder);
    // Queues the files (path below the root, size from a listing or -1) for the save folder.
    void Fetch(const std::vector<QueuedFile>& files);
    void SaveUrl();

    GdacOptions m_options;
    std::vector<GdacServer> m_servers;
    std::string m_strFolder;          // the browser's folder below the root
    std::vector<GdacEntry> m_folders; // the browser's lists as shown
    std::vector<GdacEntry> m_files;
    std::string m_strListedUrl;   // the root the browser lists belong to
    std::string m_strSearchedUrl; // the root the results belong to
    bool m_bBusy = false;

    QComboBox* m_pServer = nullptr;
    QLineEdit* m_pUrl = nullptr;
    QLineEdit* m_pSaveFolder = nullptr;
    QLineEdit* m_pCaFile = nullptr;
    QTabWidget* m_pTabs = nullptr;
    QComboBox* m_pIndex = nullptr;
    QLineEdit* m_pWmo = nullptr;
    QLineEdit* m_pLatMin = nullptr;
    QLineEdit* m_pLatMax = nullptr;
    QLineEdit* m_pLonWest = nullptr;
    QLineEdit* m_pLonEast = nullptr;
    QLineEdit* m_pFrom = nullptr;
    QLineEdit* m_pTo = nullptr;
    QLineEdit* m_pDac = nullptr;
    QCheckBox* m_pFresh = nullptr;
    QPushButton* m_pSearch = nullptr;
    QLabel* m_pCount = nullptr;
    QTableView* m_pTable = nullptr;
    CGdacResultModel* m_pModel = nullptr;
    QLineEdit* m_pFolderPath = nullptr;
    QListWidget* m_pFolderList = nullptr;
    QListWidget* m_pFileList = nullptr;
    QPushButton* m_pFloat = nullptr;
    CMatchMap* m_pMap = nullptr;
    CGdacFetchQueue* m_pQueue = nullptr;
    QPushButton* m_pFetch = nullptr;
    QPushButton* m_pClose = nullptr;
};

// Argo Data: shows the window (one per parent, kept between runs so its search and
// queue stay) without blocking; `open` gets each fetched file the user asks to see.
void ShowArgoData(QWidget* parent, std::function<void(const QString& path, bool overview)> open);
