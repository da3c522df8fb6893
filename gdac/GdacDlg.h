#pragma once
// The "Argo Data" window: a GDAC server (HTTPS, S3, FTP or a typed URL), a search over
// its profile index with a sortable result table, a browser of its folders, and Fetch
// for the chosen files with per-file and total progress and Cancel. Every server step
// runs on the worker; a cancelled step leaves the window as it was.
#include <QDialog>
#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "gdac/GdacClient.h"

class CGdacResultModel;
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

    // Full local path of the file to show: the last one fetched, or the one double-clicked.
    const QString& LocalPath() const { return m_strLocalPath; }
    CGdacResultModel* Results() const { return m_pModel; }
    // The browser's folder below the root ("" for the root), and what it shows.
    const std::string& BrowsedFolder() const { return m_strFolder; }
    const std::vector<GdacEntry>& BrowsedFiles() const { return m_files; }

public slots:
    void reject() override;

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

    // The client for the URL shown, or nothing (a message has been shown).
    std::optional<GdacClient> Client();
    // Lists `folder` and shows it; false (the lists as they were) when it failed.
    bool ShowFolder(const std::string& folder);
    // Fetches the files (path below the root, size from a listing or -1) into the
    // save folder; on success the window closes with the last one to show.
    void Fetch(const std::vector<std::pair<std::string, std::int64_t>>& files);
    void SaveUrl();

    GdacOptions m_options;
    std::vector<GdacServer> m_servers;
    std::string m_strFolder;          // the browser's folder below the root
    std::vector<GdacEntry> m_folders; // the browser's lists as shown
    std::vector<GdacEntry> m_files;
    std::string m_strListedUrl; // the root the browser lists belong to
    QString m_strLocalPath;
    bool m_bBusy = false;

    QComboBox* m_pServer = nullptr;
    QLineEdit* m_pUrl = nullptr;
    QLineEdit* m_pSaveFolder = nullptr;
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
    QListWidget* m_pTransfers = nullptr;
    QPushButton* m_pFetch = nullptr;
    QPushButton* m_pClose = nullptr;
};

// Argo Data: runs the window (one per parent, kept between runs so its search stays);
// returns the local path of the file to show when the user fetched one.
std::optional<QString> RunArgoData(QWidget* parent);
