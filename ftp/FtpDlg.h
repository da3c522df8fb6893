#pragma once
// The "FTP" dialog: logs in anonymously to a data centre (a site of the list, or any
// host, port and start folder typed), browses its folders and fetches one netCDF file
// into the save folder. Every server step runs on a worker
// while the window stays live, with a progress dialog and Cancel when it takes a
// while; a cancelled step leaves the dialog as it was.
#include <QDialog>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ftp/FtpClient.h"
#include "ftp/FtpSites.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

class CFtpDlg : public QDialog {
    Q_OBJECT
public:
    // `sites` fills the site list (index 0 the empty entry); tests pass their own.
    explicit CFtpDlg(QWidget* parent = nullptr, std::vector<FtpSite> sites = DefaultFtpSites(),
                     FtpTimeouts timeouts = {});
    ~CFtpDlg() override;

    // Full local path of the last successful fetch.
    const QString& LocalPath() const { return m_strLocalPath; }
    bool IsConnected() const { return m_pConnection != nullptr; }
    const std::vector<std::string>& Folders() const { return m_astrFolders; }
    const std::vector<std::string>& Files() const { return m_astrFiles; }

public slots:
    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

private:
    void OnInitDialog();
    void OnSelchangeSite();
    // Connects to the host, port and path typed.
    void OnConnectTyped();
    // Logs in to `site` (shown as entry `index` of the site list) and lists its start folder.
    void ConnectTo(const FtpSite& site, int index);
    void OnSelchangeFolderList();
    void OnSelchangeFileList();
    void OnBrowseFolder();
    void OnOK();
    void OnCancel();

    void Disconnect();
    // The server went away: close, clear the lists and say so.
    void LoseConnection();
    // Shows a listing of the connection's current directory (a failed one as "..").
    void ShowListing(std::vector<FtpEntry> entries);
    void ClearLists();
    void FillLists();
    void ShowCurrentDirectory();

    std::vector<FtpSite> m_sites;
    FtpTimeouts m_timeouts;
    std::unique_ptr<FtpClient> m_pConnection; // the open anonymous login, or none
    std::vector<std::string> m_astrFolders;   // ".." first, then the server's folders
    std::vector<std::string> m_astrFiles;     // the ".nc" files, in the server's order
    QString m_strLocalPath;
    int m_nShownSite = -1; // the site entry the lists belong to
    bool m_bBusy = false;  // a server operation is running

    QLineEdit* m_pEditMail = nullptr;
    QLineEdit* m_pEditFolder = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QComboBox* m_pSite = nullptr;
    QLineEdit* m_pHost = nullptr;
    QLineEdit* m_pPort = nullptr;
    QLineEdit* m_pPath = nullptr;
    QPushButton* m_pConnect = nullptr;
    QLineEdit* m_pCurrentDir = nullptr;
    QListWidget* m_pFolderList = nullptr;
    QListWidget* m_pFileList = nullptr;
    QPushButton* m_pOK = nullptr;
    QPushButton* m_pClose = nullptr;
};

// FTP Transmit: runs the FTP dialog; returns the local path of the file it fetched
// when the user fetched one, nothing otherwise.
std::optional<QString> RunFtpTransmit(QWidget* parent);
