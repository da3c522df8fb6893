#include "ftp/FtpDlg.h"

#include "core/JobControl.h"
#include "uikit/AppSettings.h"
#include "uikit/BackgroundTask.h"
#include "uikit/DialogUnits.h"
#include "uikit/MessageBox.h"
#include "ftp/FtpFetch.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>

namespace {

constexpr int kServerRows = 34; // dialog units of the host, port and path rows

constexpr int kMaxLocalPathBytes = 1023; // the document keeps paths of at most 1023 bytes

QString ReadSetting(const char* name)
{
    auto settings = OpenAppSettings();
    settings->beginGroup(QStringLiteral("Brinewick"));
    return settings->value(QLatin1String(name), QString()).toString();
}

void WriteSetting(const char* name, const QString& value)
{
    auto settings = OpenAppSettings();
    settings->beginGroup(QStringLiteral("Brinewick"));
    settings->setValue(QLatin1String(name), value);
}

bool EndsWithNc(const std::string& name)
{
    return name.size() >= 3 && name.compare(name.size() - 3, 3, ".nc") == 0;
}

// What a directory move and the listing after it brought back; the worker fills it,
// the dialog shows it once the worker is done.
struct Browse {
    FtpStatus move;
    FtpStatus list;
    std::vector<FtpEntry> entries; // empty when the listing failed
    bool Lost() const { return move.kind == FtpErrorKind::ConnectionLost || list.kind == FtpErrorKind::ConnectionLost; }
};

// Moves and lists where the client then is: a refused move lists the directory the
// client stayed in. Runs on the worker.
void MoveAndList(FtpClient& client, const std::string& path, JobControl& job, Browse& result)
{
    result.move = client.ChangeDirectory(path, &job);
    if (result.move.kind != FtpErrorKind::Cancelled && result.move.kind != FtpErrorKind::ConnectionLost)
        result.list = client.List(result.entries, &job); // a refused listing shows just ".."
}

void ShowConnectionLost(QWidget* parent)
{
    BwMessageBox(parent, QStringLiteral("The connection to the server was lost."), QStringLiteral("connect error"),
                 MbIcon::Stop);
}

void ShowDirectoryError(QWidget* parent)
{
    BwMessageBox(parent, QStringLiteral("I was not able to move to an appointed directory"),
                 QStringLiteral("directory error"), MbIcon::Stop);
}

} // namespace

CFtpDlg::CFtpDlg(QWidget* parent, std::vector<FtpSite> sites, FtpTimeouts timeouts)
    : QDialog(parent), m_sites(std::move(sites)), m_timeouts(timeouts)
{
    setObjectName(QStringLiteral("CFtpDlg"));
    setWindowTitle(QStringLiteral("FTP"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const QFont font = DialogFont();
    setFont(font);
    const DialogUnits du(font);
    setFixedSize(du.x(211), du.y(278 + kServerRows));

    auto label = [&](const char* text, int x, int y, int w, int h) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setGeometry(du.rect(x, y, w, h));
    };
    auto edit = [&](const char* id, int x, int y, int w, int h) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(id));
        e->setGeometry(du.rect(x, y, w, h));
        return e;
    };
    auto button = [&](const char* id, const char* text, int x, int y, int w, int h) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QLatin1String(id));
        b->setGeometry(du.rect(x, y, w, h));
        b->setAutoDefault(false);
        return b;
    };
    auto list = [&](const char* id, int x, int y, int w, int h) {
        auto* l = new QListWidget(this);
        l->setObjectName(QLatin1String(id));
        l->setGeometry(du.rect(x, y, w, h));
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        return l;
    };

    label("e-mail address:", 7, 10, 50, 8);
    m_pEditMail = edit("1015", 59, 7, 125, 14);
    label("save folder:", 7, 27, 37, 8);
    m_pEditFolder = edit("1016", 59, 24, 125, 14);
    m_pBrowse = button("1018", "...", 186, 24, 18, 14);
    label("FTP Site:", 7, 43, 31, 8);
    m_pSite = new QComboBox(this);
    m_pSite->setObjectName(QStringLiteral("1014"));
    m_pSite->setGeometry(du.rect(41, 41, 86, 14)); // the drop-down height is the list's
    for (const auto& site : m_sites)
        m_pSite->addItem(QString::fromStdString(site.label));
    m_pSite->setCurrentIndex(-1); // no initial selection
    // The server of the site chosen, editable: any host, port and start folder.
    label("Host:", 7, 60, 20, 8);
    m_pHost = edit("host", 30, 57, 110, 14);
    label("Port:", 144, 60, 18, 8);
    m_pPort = edit("port", 164, 57, 40, 14);
    label("Path:", 7, 76, 20, 8);
    m_pPath = edit("path", 30, 73, 174, 14);
    constexpr int d = kServerRows; // the rows below move down by the server's rows
    m_pCurrentDir = edit("1022", 7, 56 + d, 197, 14);
    m_pCurrentDir->setReadOnly(true);
    label("Folder:", 7, 73 + d, 23, 8);
    m_pFolderList = list("1020", 7, 83 + d, 78, 166);
    label("netCDF file:", 91, 73 + d, 40, 8);
    m_pFileList = list("1021", 92, 83 + d, 112, 166);
    m_pOK = button("1", "OK", 7, 257 + d, 50, 14);
    m_pOK->setDefault(true);
    m_pClose = button("2", "close", 61, 257 + d, 50, 14);
    m_pConnect = button("connect", "Connect", 154, 257 + d, 50, 14);

    // Only user actions drive the handlers: a combo box changed by code emits no
    // "activated", and the lists' own signals are blocked while the code refills them.
    // The list handlers run queued, after the click that triggered them has been
    // handled, because they refill the list that was clicked.
    connect(m_pSite, &QComboBox::activated, this, &CFtpDlg::OnSelchangeSite);
    connect(m_pFolderList, &QListWidget::itemSelectionChanged, this, &CFtpDlg::OnSelchangeFolderList,
            Qt::QueuedConnection);
    connect(m_pFileList, &QListWidget::itemSelectionChanged, this, &CFtpDlg::OnSelchangeFileList);
    connect(m_pFileList, &QListWidget::itemDoubleClicked, this, &CFtpDlg::OnOK, Qt::QueuedConnection);
    connect(m_pBrowse, &QPushButton::clicked, this, &CFtpDlg::OnBrowseFolder);
    connect(m_pOK, &QPushButton::clicked, this, &CFtpDlg::OnOK);
    connect(m_pClose, &QPushButton::clicked, this, &CFtpDlg::OnCancel);
    connect(m_pConnect, &QPushButton::clicked, this, &CFtpDlg::OnConnectTyped);

    OnInitDialog();
}

CFtpDlg::~CFtpDlg()
{
    Disconnect();
}

void CFtpDlg::OnInitDialog()
{
    m_pOK->setEnabled(false);
    m_pEditMail->setText(ReadSetting("mail_address"));
    m_pEditFolder->setText(ReadSetting("save_folder"));
}

void CFtpDlg::OnSelchangeSite()
{
    if (m_bBusy)
        return;
    const int index = m_pSite->currentIndex();
    if (index <= 0 || index >= static_cast<int>(m_sites.size()) ||
        m_sites[static_cast<std::size_t>(index)].host.empty()) {
        Disconnect();
        m_pSite->setCurrentIndex(0);
        m_nShownSite = 0;
        return;
    }
    const FtpSite& site = m_sites[static_cast<std::size_t>(index)];
    m_pHost->setText(QString::fromStdString(site.host));
    m_pPort->setText(QString::number(site.port));
    m_pPath->setText(QString::fromStdString(site.startDir));
    ConnectTo(site, index);
}

void CFtpDlg::OnConnectTyped()
{
    if (m_bBusy)
        return;
    FtpSite site;
    const QString host = m_pHost->text().trimmed();
    bool portOk = false;
    const int port = m_pPort->text().trimmed().isEmpty() ? 21 : m_pPort->text().trimmed().toInt(&portOk);
    if (m_pPort->text().trimmed().isEmpty())
        portOk = true;
    const QString path = m_pPath->text().trimmed();
    if (host.isEmpty() || host.contains(QRegularExpression(QStringLiteral("[\\s/@:\\\\]|[^\\x21-\\x7e]")))) {
        BwMessageBox(this, QStringLiteral("Please input a host name, such as ftp.ifremer.fr."), QStringLiteral("error"),
                     MbIcon::Stop);
        return;
    }
    if (!portOk || port < 1 || port > 65535) {
        BwMessageBox(this, QStringLiteral("The port is a number from 1 to 65535 (FTP: 21)."), QStringLiteral("error"),
                     MbIcon::Stop);
        return;
    }
    site.label = host.toStdString();
    site.host = host.toStdString();
    site.port = port;
    site.startDir = path.isEmpty() ? std::string("/") : path.toStdString();
    // The site list shows the entry whose server this is, else the empty entry.
    int index = 0;
    for (std::size_t i = 1; i < m_sites.size(); ++i)
        if (m_sites[i].host == site.host && m_sites[i].port == site.port && m_sites[i].startDir == site.startDir)
            index = static_cast<int>(i);
    m_pSite->setCurrentIndex(index);
    ConnectTo(site, index);
}

void CFtpDlg::ConnectTo(const FtpSite& site, int index)
{
    const QString mail = m_pEditMail->text();
    if (mail.isEmpty()) {
        Disconnect();
        BwMessageBox(this, QStringLiteral("Please input e-mail address."), QStringLiteral("error"), MbIcon::Stop);
        m_pSite->setCurrentIndex(0);
        m_nShownSite = 0;
        return;
    }
    WriteSetting("mail_address", mail);

    // Log in, move to the start folder and list it, all on the worker. The earlier
    // connection stays until the new one is there, so that a cancel changes nothing.
    const std::string password = mail.toStdString();
    auto client = std::make_unique<FtpClient>(m_timeouts);
    FtpStatus login;
    Browse browse;
    JobControl job;
    m_bBusy = true;
    const bool finished =
        RunInBackground(this, QStringLiteral("Connecting to %1").arg(QString::fromStdString(site.host)), job, [&] {
            login = client->Connect(site.host, site.port, "anonymous", password, &job);
            if (login)
                MoveAndList(*client, site.startDir, job, browse);
        });
    m_bBusy = false;
    if (!finished) {
        m_pSite->setCurrentIndex(m_nShownSite); // the new client logs out as it goes
        return;
    }

    Disconnect();
    if (!login) {
        BwMessageBox(this,
                     QStringLiteral("FTP connection was not possible.\n%1, port %2: %3")
                         .arg(QString::fromStdString(site.host))
                         .arg(site.port)
                         .arg(QString::fromStdString(login.message)),
                     QStringLiteral("connect error"), MbIcon::Stop);
        m_pSite->setCurrentIndex(0);
        m_nShownSite = 0;
        return;
    }
    if (browse.Lost()) {
        ShowConnectionLost(this);
        m_pSite->setCurrentIndex(0);
        m_nShownSite = 0;
        return;
    }
    m_pConnection = std::move(client);
    m_nShownSite = index;
    if (!browse.move)
        ShowDirectoryError(this);
    ShowListing(std::move(browse.entries));
}

void CFtpDlg::LoseConnection()
{
    // Nothing of the old listing is left to click: the lists go with the connection.
    Disconnect();
    ShowConnectionLost(this);
    m_pSite->setCurrentIndex(0);
    m_nShownSite = 0;
}

void CFtpDlg::Disconnect()
{
    if (m_pConnection) {
        m_pConnection->Close();
        m_pConnection.reset();
    }
    // A listing of a closed connection must not be acted on: clear what is shown.
    ClearLists();
    FillLists();
    m_pCurrentDir->clear();
}

void CFtpDlg::ShowListing(std::vector<FtpEntry> entries)
{
    ClearLists();
    if (m_pConnection) {
        m_astrFolders.push_back("..");
        for (auto& entry : entries) {
            if (entry.isDirectory) {
                // A folder name goes back to the server in a CWD command.
                if (entry.name != "." && IsSafeCommandArgument(entry.name) && entry.name.find('/') == std::string::npos)
                    m_astrFolders.push_back(std::move(entry.name));
            } else if (EndsWithNc(entry.name) && IsSafeLocalFileName(entry.name)) {
                // A file name becomes a local file name: names that could leave the
                // save folder are never offered.
                m_astrFiles.push_back(std::move(entry.name));
            }
        }
    }
    FillLists();
    ShowCurrentDirectory();
}

void CFtpDlg::ClearLists()
{
    m_astrFolders.clear();
    m_astrFiles.clear();
}

void CFtpDlg::FillLists()
{
    auto fill = [](QListWidget* list, const std::vector<std::string>& names) {
        const QSignalBlocker block(list);
        list->clear();
        for (std::size_t i = 0; i < names.size(); ++i) {
            auto* item = new QListWidgetItem(QString::fromStdString(names[i]), list);
            item->setData(Qt::UserRole, static_cast<qulonglong>(i));
        }
    };
    fill(m_pFolderList, m_astrFolders);
    fill(m_pFileList, m_astrFiles);
    m_pOK->setEnabled(false);
}

void CFtpDlg::ShowCurrentDirectory()
{
    m_pCurrentDir->setText(m_pConnection ? QString::fromStdString(m_pConnection->CurrentDirectory()) : QString());
}

void CFtpDlg::OnSelchangeFolderList()
{
    const int row = m_pFolderList->currentRow();
    if (m_bBusy || !m_pConnection || row < 0 || row >= static_cast<int>(m_astrFolders.size()) ||
        m_pFolderList->selectedItems().isEmpty())
        return;
    const std::string folder = m_astrFolders[static_cast<std::size_t>(row)];
    const std::string before = m_pConnection->CurrentDirectory();
    FtpClient& client = *m_pConnection;
    Browse browse;
    JobControl job;
    m_bBusy = true;
    const bool finished = RunInBackground(this, QStringLiteral("Opening %1").arg(QString::fromStdString(folder)), job,
                                          [&] { MoveAndList(client, folder, job, browse); });
    m_bBusy = false;
    if (!finished) {
        // The lists still show `before`: undo a move whose listing was cancelled, and
        // let the same folder be picked again.
        m_pConnection->ReturnToDirectory(before);
        const QSignalBlocker block(m_pFolderList);
        m_pFolderList->clearSelection();
        return;
    }
    if (browse.Lost())
        return LoseConnection();
    if (!browse.move)
        ShowDirectoryError(this);
    ShowListing(std::move(browse.entries));
}

void CFtpDlg::OnSelchangeFileList()
{
    if (!m_pFileList->selectedItems().isEmpty())
        m_pOK->setEnabled(true);
}

void CFtpDlg::OnBrowseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(this);
    if (folder.isEmpty())
        return;
    m_pEditFolder->setText(folder);
    WriteSetting("save_folder", folder);
}

void CFtpDlg::OnOK()
{
    if (m_bBusy)
        return;
    const QString folder = m_pEditFolder->text();
    if (folder.isEmpty()) {
        BwMessageBox(this, QStringLiteral("Please input a folder of a destination."), QStringLiteral("error"),
                     MbIcon::Stop);
        return;
    }
    WriteSetting("save_folder", folder);
    const int row = m_pFileList->currentRow();
    if (!m_pConnection || row < 0 || row >= static_cast<int>(m_astrFiles.size()) ||
        m_pFileList->selectedItems().isEmpty())
        return; // nothing selected, or no connection to fetch it over
    const std::string remote = m_astrFiles[static_cast<std::size_t>(row)];

    const QString localPath = folder + QLatin1Char('/') + QString::fromStdString(remote);
    FtpStatus status{FtpErrorKind::LocalFile, "unusable local path"};
    if (IsSafeLocalFileName(remote) && localPath.toUtf8().size() <= kMaxLocalPathBytes) {
        // A folder that cannot take the file is said as such, before the server is asked.
        const QFileInfo folderInfo(folder);
        if (!folderInfo.isDir() || !folderInfo.isWritable()) {
            BwMessageBox(this,
                         folderInfo.isDir() ? QStringLiteral("The save folder %1 cannot be written to.").arg(folder)
                                            : QStringLiteral("The save folder %1 does not exist.").arg(folder),
                         QStringLiteral("error"), MbIcon::Stop);
            return;
        }
        const std::string local = QFile::encodeName(localPath).toStdString();
        FtpClient& client = *m_pConnection;
        JobControl job;
        m_bBusy = true;
        // Exact byte counts, as this dialog has always shown them (the runner's
        // "bytes" would show MB).
        RunInBackground(
            this, QStringLiteral("Receiving %1").arg(QString::fromStdString(remote)), job,
            [&] { status = FetchToFile(client, remote, local, &job); }, QStringLiteral("bytes received"));
        m_bBusy = false;
        // A cancel that came after the file was put in place changes nothing: it is there.
        if (!status && job.Cancelled())
            return;
    }
    if (status) {
        m_strLocalPath = localPath;
        Disconnect();
        ClearLists();
        done(QDialog::Accepted);
    } else if (status.kind == FtpErrorKind::ConnectionLost) {
        LoseConnection();
    } else if (status.kind != FtpErrorKind::Cancelled) {
        BwMessageBox(this, QStringLiteral("I was not able to perform the acquisition of a file."),
                     QStringLiteral("get error"), MbIcon::Stop);
    }
}

void CFtpDlg::OnCancel()
{
    if (m_bBusy)
        return; // the progress dialog's Cancel stops a running fetch
    Disconnect();
    ClearLists();
    done(QDialog::Rejected);
}

std::optional<QString> RunFtpTransmit(QWidget* parent)
{
    CFtpDlg dlg(parent);
    if (dlg.exec() == QDialog::Accepted)
        return dlg.LocalPath();
    return std::nullopt;
}
