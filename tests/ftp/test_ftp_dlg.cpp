// The FTP dialog driven through its controls against a real pyftpdlib server.
#include "FtpTestServer.h"
#include "uikit/AppSettings.h"
#include "uikit/MessageBox.h"
#include "ftp/FtpDlg.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {
struct Message {
    QString text;
    QString caption;
};
} // namespace

class TestFtpDlg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void offersDataCentres();
    void listsFilteredFoldersAndFiles();
    void movesIntoFolderAndBack();
    void fetchesFileAndRemembersSettings();
    void fetchReplacesExistingFile();
    void emptyMailAddress();
    void serverDown();
    void typedServerConnects();
    void refusedDirectory();
    void emptySiteEntryDisconnects();
    void emptySaveFolder();
    void missingFileKeepsConnection();
    void cutOffTransferKeepsOldFile();
    void tooLongLocalPath();
    void cancelledFetch();
    void cancelledConnectKeepsEarlierSite();
    void hostileServerCannotWriteOutside();
    void unusableSaveFolderIsNamedBeforeFetching();
    void lostConnectionClearsLists();

private:
    std::vector<FtpSite> Sites(int port) const;
    void Connect(CFtpDlg& dlg, int index = 1);
    static void ClickItem(QListWidget* list, const QString& text, bool twice = false);
    // Presses Cancel in the progress dialog as soon as it shows; true once it did.
    static void CancelWhenProgressShows(CFtpDlg& dlg, QTimer& poll, bool& pressed);
    template <class T>
    static T* Control(CFtpDlg& dlg, const char* id)
    {
        auto* w = dlg.findChild<T*>(QLatin1String(id));
        Q_ASSERT(w);
        return w;
    }
    QStringList SaveFolderEntries() const
    {
        return QDir(m_saveDir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_root;    // served tree
    QString m_saveDir; // the user's save folder
    FtpTestServer m_server;
    std::vector<Message> m_messages;
};

void TestFtpDlg::initTestCase()
{
    m_settingsDir = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir->path());
    SetMessageBoxHook([this](const QString& text, const QString& caption, MbIcon icon) {
        if (icon != MbIcon::Stop)
            qWarning("message box without the stop icon");
        m_messages.push_back({text, caption});
        return int(QMessageBox::Ok);
    });
}

void TestFtpDlg::init()
{
    m_messages.clear();
    OpenAppSettings()->remove(QStringLiteral("Brinewick"));
    m_work = std::make_unique<QTemporaryDir>();
    m_root = m_work->filePath(QStringLiteral("root"));
    m_saveDir = m_work->filePath(QStringLiteral("save"));
    QDir().mkpath(m_saveDir);
    FtpTestServer::MakeArgoTree(m_root.toStdString());
    const char* mode =
        QTest::currentTestFunction() == QByteArray("hostileServerCannotWriteOutside") ? "hostile" : "normal";
    if (!m_server.Start(m_root.toStdString(), mode))
        QSKIP("no /usr/bin/python3 with pyftpdlib");
    auto settings = OpenAppSettings();
    settings->setValue(QStringLiteral("Brinewick/mail_address"), QStringLiteral("argo@example.org"));
    settings->setValue(QStringLiteral("Brinewick/save_folder"), m_saveDir);
}

void TestFtpDlg::cleanup()
{
    m_server.Stop();
    m_work.reset();
}

std::vector<FtpSite> TestFtpDlg::Sites(int port) const
{
    return {{"", "", 21, ""},
            {"Local", "127.0.0.1", port, "/pub/argo"},
            {"Down", "127.0.0.1", FtpTestServer::UnusedPort(), "/pub/argo"}};
}

void TestFtpDlg::Connect(CFtpDlg& dlg, int index)
{
    // What the user's pick in the drop-down list delivers.
    auto* site = Control<QComboBox>(dlg, "1014");
    site->setCurrentIndex(index);
    emit site->activated(index);
}

void TestFtpDlg::ClickItem(QListWidget* list, const QString& text, bool twice)
{
    const auto items = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(text));
    const QPoint at = list->visualItemRect(items.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

void TestFtpDlg::CancelWhenProgressShows(CFtpDlg& dlg, QTimer& poll, bool& pressed)
{
    QObject::connect(&poll, &QTimer::timeout, &dlg, [&dlg, &poll, &pressed] {
        auto* progress = dlg.findChild<QProgressDialog*>();
        if (!progress || !progress->isVisible())
            return;
        if (auto* cancel = progress->findChild<QPushButton*>()) {
            QTest::mouseClick(cancel, Qt::LeftButton);
            pressed = true;
        }
        poll.stop();
    });
    poll.start(50);
}

static FtpTimeouts Short()
{
    return {3000, 5, 5};
}

void TestFtpDlg::offersDataCentres()
{
    CFtpDlg dlg; // the program's own table; nothing connects here
    auto* site = Control<QComboBox>(dlg, "1014");
    QCOMPARE(site->count(), 5);
    QCOMPARE(site->currentIndex(), -1);
    QCOMPARE(site->itemText(0), QString());
    QCOMPARE(site->itemText(1), QStringLiteral("TALVERA"));
    QCOMPARE(site->itemText(4), QStringLiteral("Coriolis GDAC"));
    const auto sites = DefaultFtpSites();
    for (std::size_t i = 1; i < sites.size(); ++i) {
        QCOMPARE(sites[i].host, std::string("ftp.ifremer.fr"));
        QCOMPARE(sites[i].startDir, std::string(i == 4 ? "/ifremer/argo" : "/pub/argo"));
    }
    QCOMPARE(Control<QLineEdit>(dlg, "1015")->text(), QStringLiteral("argo@example.org"));
}

void TestFtpDlg::listsFilteredFoldersAndFiles()
{
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("FTP"));
    QCOMPARE(Control<QComboBox>(dlg, "1014")->currentIndex(), -1);
    QVERIFY(!Control<QPushButton>(dlg, "1")->isEnabled());

    Connect(dlg);
    QVERIFY(dlg.IsConnected());
    QVERIFY(m_messages.empty());
    QCOMPARE(Control<QLineEdit>(dlg, "1022")->text(), QStringLiteral("/pub/argo"));

    const auto& folders = dlg.Folders();
    QVERIFY(!folders.empty());
    QCOMPARE(folders.front(), std::string(".."));
    for (const char* name : {"d", "locked", "link"})
        QVERIFY2(std::count(folders.begin(), folders.end(), name) == 1, name);
    QCOMPARE(folders.size(), std::size_t(4));

    // Only names ending exactly in ".nc", in the server's order.
    std::vector<std::string> files = dlg.Files();
    std::sort(files.begin(), files.end());
    QCOMPARE(files, (std::vector<std::string>{"D5900446_001.nc", "a.nc", "cut.nc", "slow.nc", "stall.nc"}));

    // The lists show the arrays one to one.
    auto* fileList = Control<QListWidget>(dlg, "1021");
    QCOMPARE(fileList->count(), int(dlg.Files().size()));
    for (int i = 0; i < fileList->count(); ++i)
        QCOMPARE(fileList->item(i)->text(), QString::fromStdString(dlg.Files()[std::size_t(i)]));
}

void TestFtpDlg::movesIntoFolderAndBack()
{
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Connect(dlg);
    auto* currentDir = Control<QLineEdit>(dlg, "1022");
    auto* folderList = Control<QListWidget>(dlg, "1020");

    ClickItem(folderList, QStringLiteral("d"));
    QTRY_COMPARE(currentDir->text(), QStringLiteral("/pub/argo/d"));
    QCOMPARE(dlg.Folders(), (std::vector<std::string>{".."}));
    QCOMPARE(dlg.Files(), (std::vector<std::string>{"deep.nc"}));
    QCOMPARE(folderList->selectedItems().size(), 0);

    ClickItem(folderList, QStringLiteral(".."));
    QTRY_COMPARE(currentDir->text(), QStringLiteral("/pub/argo"));
    QVERIFY(dlg.Files().size() == 5);

    ClickItem(folderList, QStringLiteral("link")); // a link to d
    QTRY_COMPARE(currentDir->text(), QStringLiteral("/pub/argo/link"));
    QCOMPARE(dlg.Files(), (std::vector<std::string>{"deep.nc"}));
    QVERIFY(m_messages.empty());
}

void TestFtpDlg::fetchesFileAndRemembersSettings()
{
    OpenAppSettings()->remove(QStringLiteral("Brinewick"));
    {
        CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(Control<QLineEdit>(dlg, "1015")->text().isEmpty());
        QTest::keyClicks(Control<QLineEdit>(dlg, "1015"), QStringLiteral("me@example.org"));
        // A folder ending in "/" gives two separators in a row, which the system accepts.
        QTest::keyClicks(Control<QLineEdit>(dlg, "1016"), m_saveDir + QLatin1Char('/'));
        Connect(dlg);
        auto* ok = Control<QPushButton>(dlg, "1");
        ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("D5900446_001.nc"));
        QVERIFY(ok->isEnabled());
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.LocalPath(), m_saveDir + QStringLiteral("//D5900446_001.nc"));
        QVERIFY(!dlg.IsConnected());
        QVERIFY(m_messages.empty());
    }
    QCOMPARE(FtpTestServer::ReadFile((m_saveDir + QStringLiteral("/D5900446_001.nc")).toStdString()),
             FtpTestServer::ReadFile(m_root.toStdString() + "/pub/argo/D5900446_001.nc"));
    QCOMPARE(SaveFolderEntries(), QStringList{QStringLiteral("D5900446_001.nc")});

    auto settings = OpenAppSettings();
    QCOMPARE(settings->value(QStringLiteral("Brinewick/mail_address")).toString(), QStringLiteral("me@example.org"));
    QCOMPARE(settings->value(QStringLiteral("Brinewick/save_folder")).toString(), m_saveDir + QLatin1Char('/'));

    CFtpDlg again(nullptr, Sites(m_server.Port()), Short());
    QCOMPARE(Control<QLineEdit>(again, "1015")->text(), QStringLiteral("me@example.org"));
    QCOMPARE(Control<QLineEdit>(again, "1016")->text(), m_saveDir + QLatin1Char('/'));
}

void TestFtpDlg::fetchReplacesExistingFile()
{
    const QString target = m_saveDir + QStringLiteral("/a.nc");
    FtpTestServer::WriteFile(target.toStdString(), "an older and longer local file\n");
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Connect(dlg);
    ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("a.nc"), true); // double click
    QTRY_COMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.LocalPath(), target);
    QCOMPARE(FtpTestServer::ReadFile(target.toStdString()), std::string("served a.nc\n"));
    QCOMPARE(SaveFolderEntries(), QStringList{QStringLiteral("a.nc")});
}

void TestFtpDlg::emptyMailAddress()
{
    OpenAppSettings()->remove(QStringLiteral("Brinewick/mail_address"));
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    Connect(dlg);
    QCOMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(m_messages[0].text, QStringLiteral("Please input e-mail address."));
    QCOMPARE(m_messages[0].caption, QStringLiteral("error"));
    QVERIFY(!dlg.IsConnected());
    QCOMPARE(Control<QComboBox>(dlg, "1014")->currentIndex(), 0);
    QVERIFY(!OpenAppSettings()->contains(QStringLiteral("Brinewick/mail_address")));
}

void TestFtpDlg::serverDown()
{
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    Connect(dlg, 2);
    QCOMPARE(m_messages.size(), std::size_t(1));
    // The host and the reason follow.
    QVERIFY2(m_messages[0].text.startsWith(QStringLiteral("FTP connection was not possible.\n127.0.0.1, port ")) &&
                 m_messages[0].text.contains(QStringLiteral("connect to")),
             qPrintable(m_messages[0].text));
    QCOMPARE(m_messages[0].caption, QStringLiteral("connect error"));
    QVERIFY(!dlg.IsConnected());
    QCOMPARE(Control<QComboBox>(dlg, "1014")->currentIndex(), 0);
    // The address was saved before the attempt.
    QCOMPARE(OpenAppSettings()->value(QStringLiteral("Brinewick/mail_address")).toString(),
             QStringLiteral("argo@example.org"));
}

void TestFtpDlg::typedServerConnects()
{
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    Control<QLineEdit>(dlg, "1015")->setText(QStringLiteral("argo@example.org"));
    // A site fills the server fields with its own.
    Connect(dlg, 1);
    QCOMPARE(Control<QLineEdit>(dlg, "host")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(Control<QLineEdit>(dlg, "port")->text(), QString::number(m_server.Port()));
    QCOMPARE(Control<QLineEdit>(dlg, "path")->text(), QStringLiteral("/pub/argo"));
    struct Case {
        const char* host;
        QString port;
        const char* path;
        const char* message; // the start of the message, "" for none
        const char* folder;  // the folder shown after it
    } cases[] = {
        {"", "21", "/", "Please input a host name", "/pub/argo"},
        {"ftp example", "21", "/", "Please input a host name", "/pub/argo"},
        {"127.0.0.1", "70000", "/", "The port is a number", "/pub/argo"},
        {"127.0.0.1", QString::number(m_server.Port()), "/pub/argo/d", "", "/pub/argo/d"},
        {"127.0.0.1", QString::number(FtpTestServer::UnusedPort()), "/", "FTP connection was not possible.\n127.0.0.1",
         ""},
    };
    for (const Case& c : cases) {
        m_messages.clear();
        Control<QLineEdit>(dlg, "host")->setText(QLatin1String(c.host));
        Control<QLineEdit>(dlg, "port")->setText(c.port);
        Control<QLineEdit>(dlg, "path")->setText(QLatin1String(c.path));
        QTest::mouseClick(Control<QPushButton>(dlg, "connect"), Qt::LeftButton);
        if (*c.message) {
            QCOMPARE(m_messages.size(), std::size_t(1));
            QVERIFY2(m_messages[0].text.startsWith(QLatin1String(c.message)), qPrintable(m_messages[0].text));
        } else {
            QVERIFY(m_messages.empty());
            QVERIFY(dlg.IsConnected());
        }
        QCOMPARE(Control<QLineEdit>(dlg, "1022")->text(), QLatin1String(c.folder));
    }
}

void TestFtpDlg::refusedDirectory()
{
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Connect(dlg);
    ClickItem(Control<QListWidget>(dlg, "1020"), QStringLiteral("locked"));
    QTRY_COMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(m_messages[0].text, QStringLiteral("I was not able to move to an appointed directory"));
    QCOMPARE(m_messages[0].caption, QStringLiteral("directory error"));
    QVERIFY(dlg.IsConnected());
    QCOMPARE(Control<QLineEdit>(dlg, "1022")->text(), QStringLiteral("/pub/argo"));
    QCOMPARE(dlg.Files().size(), std::size_t(5)); // listed again
}

void TestFtpDlg::emptySiteEntryDisconnects()
{
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    Connect(dlg);
    QVERIFY(dlg.IsConnected());
    Connect(dlg, 0);
    QVERIFY(!dlg.IsConnected());
    QVERIFY(m_messages.empty());
    // Nothing is left to click that would need the closed connection.
    QCOMPARE(Control<QListWidget>(dlg, "1020")->count(), 0);
    QCOMPARE(Control<QListWidget>(dlg, "1021")->count(), 0);
    QVERIFY(Control<QLineEdit>(dlg, "1022")->text().isEmpty());
}

void TestFtpDlg::emptySaveFolder()
{
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Control<QLineEdit>(dlg, "1016")->clear();
    Connect(dlg);
    ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("a.nc"));
    QTest::mouseClick(Control<QPushButton>(dlg, "1"), Qt::LeftButton);
    QCOMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(m_messages[0].text, QStringLiteral("Please input a folder of a destination."));
    QCOMPARE(m_messages[0].caption, QStringLiteral("error"));
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.IsConnected());
}

void TestFtpDlg::missingFileKeepsConnection()
{
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Connect(dlg);
    fs::remove(m_root.toStdString() + "/pub/argo/a.nc"); // gone since the listing
    ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("a.nc"));
    QTest::mouseClick(Control<QPushButton>(dlg, "1"), Qt::LeftButton);
    QCOMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(m_messages[0].text, QStringLiteral("I was not able to perform the acquisition of a file."));
    QCOMPARE(m_messages[0].caption, QStringLiteral("get error"));
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.IsConnected());
    QVERIFY(SaveFolderEntries().isEmpty());

    // The dialog still works over its connection.
    ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("D5900446_001.nc"));
    QTest::mouseClick(Control<QPushButton>(dlg, "1"), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
}

void TestFtpDlg::cutOffTransferKeepsOldFile()
{
    const QString target = m_saveDir + QStringLiteral("/cut.nc");
    FtpTestServer::WriteFile(target.toStdString(), "old\n");
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Connect(dlg);
    ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("cut.nc"));
    QTest::mouseClick(Control<QPushButton>(dlg, "1"), Qt::LeftButton);
    QCOMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(m_messages[0].caption, QStringLiteral("get error"));
    QCOMPARE(FtpTestServer::ReadFile(target.toStdString()), std::string("old\n"));
    QCOMPARE(SaveFolderEntries(), QStringList{QStringLiteral("cut.nc")}); // no half file beside it
    QVERIFY(dlg.IsConnected());
}

void TestFtpDlg::tooLongLocalPath()
{
    const QString longFolder = m_saveDir + QLatin1Char('/') + QString(1010, QLatin1Char('x'));
    OpenAppSettings()->setValue(QStringLiteral("Brinewick/save_folder"), longFolder);
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Connect(dlg);
    ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("a.nc"));
    QTest::mouseClick(Control<QPushButton>(dlg, "1"), Qt::LeftButton);
    QCOMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(m_messages[0].caption, QStringLiteral("get error"));
    QVERIFY(dlg.IsConnected());
}

void TestFtpDlg::cancelledFetch()
{
    const QString target = m_saveDir + QStringLiteral("/slow.nc");
    FtpTestServer::WriteFile(target.toStdString(), "kept\n");
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Connect(dlg);
    ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("slow.nc"));

    // Press Cancel once the progress dialog shows; the dialog keeps handling events
    // during the transfer, or this timer would never fire.
    bool sawProgress = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* progress = dlg.findChild<QProgressDialog*>();
        if (!progress || !progress->isVisible() || progress->value() <= 0)
            return;
        sawProgress = progress->labelText().contains(QStringLiteral("of 4194304 bytes"));
        if (auto* cancel = progress->findChild<QPushButton*>())
            QTest::mouseClick(cancel, Qt::LeftButton);
        poll.stop();
    });
    poll.start(50);
    QTest::mouseClick(Control<QPushButton>(dlg, "1"), Qt::LeftButton);
    QVERIFY(sawProgress);
    QVERIFY(m_messages.empty());
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.IsConnected());
    QCOMPARE(FtpTestServer::ReadFile(target.toStdString()), std::string("kept\n"));
    QCOMPARE(SaveFolderEntries(), QStringList{QStringLiteral("slow.nc")});

    // Still connected: another fetch goes through.
    ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("a.nc"));
    QTest::mouseClick(Control<QPushButton>(dlg, "1"), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
}

void TestFtpDlg::cancelledConnectKeepsEarlierSite()
{
    // A server that takes connections but never greets, so the login waits.
    SilentServer silent;
    QVERIFY(silent.Port() != 0);
    auto sites = Sites(m_server.Port());
    sites.push_back({"Silent", "127.0.0.1", silent.Port(), "/pub/argo"});

    CFtpDlg dlg(nullptr, sites, Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Connect(dlg);
    QVERIFY(dlg.IsConnected());
    const auto folders = dlg.Folders();
    const auto files = dlg.Files();

    bool pressed = false;
    QTimer poll;
    CancelWhenProgressShows(dlg, poll, pressed);
    QElapsedTimer waited;
    waited.start();
    Connect(dlg, 3);
    QVERIFY(pressed);
    QVERIFY2(waited.elapsed() < 4000, "the cancel must end the login before its time-out");
    // No error box, and the dialog shows the earlier site as before.
    QVERIFY(m_messages.empty());
    QVERIFY(dlg.IsConnected());
    QCOMPARE(Control<QComboBox>(dlg, "1014")->currentIndex(), 1);
    QCOMPARE(Control<QLineEdit>(dlg, "1022")->text(), QStringLiteral("/pub/argo"));
    QCOMPARE(dlg.Folders(), folders);
    QCOMPARE(dlg.Files(), files);
    QCOMPARE(Control<QListWidget>(dlg, "1021")->count(), int(files.size()));

    // The earlier connection still works.
    ClickItem(Control<QListWidget>(dlg, "1020"), QStringLiteral("d"));
    QTRY_COMPARE(Control<QLineEdit>(dlg, "1022")->text(), QStringLiteral("/pub/argo/d"));
    QCOMPARE(dlg.Files(), (std::vector<std::string>{"deep.nc"}));
}

void TestFtpDlg::hostileServerCannotWriteOutside()
{
    CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    Connect(dlg);
    QVERIFY(dlg.IsConnected());
    // "..", "a/b.nc", "../evil.nc", "..\\evil2.nc", "/tmp/abs.nc" and control bytes are not offered.
    QCOMPARE(dlg.Files(), (std::vector<std::string>{"ok.nc"}));
    QCOMPARE(dlg.Folders(), (std::vector<std::string>{"..", ".."}));
    ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("ok.nc"));
    QTest::mouseClick(Control<QPushButton>(dlg, "1"), Qt::LeftButton);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(SaveFolderEntries(), QStringList{QStringLiteral("ok.nc")});
    QCOMPARE(QDir(m_work->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             (QStringList{QStringLiteral("root"), QStringLiteral("save")}));
    QVERIFY(!QFile::exists(m_work->filePath(QStringLiteral("evil.nc"))));
}

void TestFtpDlg::unusableSaveFolderIsNamedBeforeFetching()
{
    const QString missing = m_saveDir + QStringLiteral("/not/there");
    const QString file = m_saveDir + QStringLiteral("/plain-file");
    FtpTestServer::WriteFile(file.toStdString(), "x");
    for (const QString& folder : {missing, file}) {
        m_messages.clear();
        OpenAppSettings()->setValue(QStringLiteral("Brinewick/save_folder"), folder);
        CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        Connect(dlg);
        ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("a.nc"));
        QTest::mouseClick(Control<QPushButton>(dlg, "1"), Qt::LeftButton);
        QCOMPARE(m_messages.size(), std::size_t(1));
        QCOMPARE(m_messages[0].text, QStringLiteral("The save folder %1 does not exist.").arg(folder));
        QCOMPARE(m_messages[0].caption, QStringLiteral("error"));
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.IsConnected());
    }
    QCOMPARE(SaveFolderEntries(), QStringList{QStringLiteral("plain-file")});
}

void TestFtpDlg::lostConnectionClearsLists()
{
    // The server goes away while the dialog shows its folder; then a folder click,
    // and on a fresh connection a fetch, find it gone.
    for (const bool fetch : {false, true}) {
        m_messages.clear();
        if (!m_server.Port())
            QVERIFY(m_server.Start(m_root.toStdString()));
        CFtpDlg dlg(nullptr, Sites(m_server.Port()), Short());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        Connect(dlg);
        QVERIFY(dlg.IsConnected());
        m_server.Stop();
        if (fetch) {
            ClickItem(Control<QListWidget>(dlg, "1021"), QStringLiteral("a.nc"));
            QTest::mouseClick(Control<QPushButton>(dlg, "1"), Qt::LeftButton);
        } else {
            ClickItem(Control<QListWidget>(dlg, "1020"), QStringLiteral("d"));
        }
        QTRY_COMPARE(m_messages.size(), std::size_t(1));
        QCOMPARE(m_messages[0].text, QStringLiteral("The connection to the server was lost."));
        QCOMPARE(m_messages[0].caption, QStringLiteral("connect error"));
        QVERIFY(!dlg.IsConnected());
        QVERIFY(dlg.Folders().empty());
        QVERIFY(dlg.Files().empty());
        QCOMPARE(Control<QListWidget>(dlg, "1020")->count(), 0);
        QCOMPARE(Control<QListWidget>(dlg, "1021")->count(), 0);
        QVERIFY(Control<QLineEdit>(dlg, "1022")->text().isEmpty());
        QCOMPARE(Control<QComboBox>(dlg, "1014")->currentIndex(), 0);
        QVERIFY(SaveFolderEntries().isEmpty());
    }
}

QTEST_MAIN(TestFtpDlg)
#include "test_ftp_dlg.moc"
