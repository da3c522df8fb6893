// The "Argo Data" window driven through its controls against the local HTTPS server.
#include "GdacTestServer.h"
#include "gdac/GdacDlg.h"
#include "gdac/GdacResultModel.h"
#include "uikit/AppSettings.h"
#include "uikit/MessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
struct Message {
    QString text;
    QString caption;
};
} // namespace

class TestGdacDlg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void searchFillsSortableTable();
    void fetchesChosenRowsAndShowsTheLast();
    void browsesFoldersAndFetchesDoubleClickedFile();
    void refusesMissingSaveFolderAndBadInput();
    void cancelledFetchKeepsWindowAndFiles();

private:
    std::unique_ptr<CGdacDlg> Open();
    void Search(CGdacDlg& dlg, const QString& wmo, const QString& dac = {});
    static void Activate(QListWidget* list, const QString& text);
    // Moves the browser into each folder in turn, waiting for each listing.
    static void Enter(CGdacDlg& dlg, const QStringList& steps);
    template <class T>
    static T* Control(CGdacDlg& dlg, const char* name)
    {
        auto* w = dlg.findChild<T*>(QLatin1String(name));
        Q_ASSERT(w);
        return w;
    }
    QStringList Saved() const { return QDir(m_saveDir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot); }

    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_saveDir;
    GdacTestServer m_server;
    std::vector<Message> m_messages;
};

void TestGdacDlg::initTestCase()
{
    m_settingsDir = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir->path());
    SetMessageBoxHook([this](const QString& text, const QString& caption, MbIcon) {
        m_messages.push_back({text, caption});
        return int(QMessageBox::Ok);
    });
}

void TestGdacDlg::init()
{
    m_messages.clear();
    OpenAppSettings()->remove(QStringLiteral("Brinewick"));
    m_work = std::make_unique<QTemporaryDir>();
    m_saveDir = m_work->filePath(QStringLiteral("save"));
    QDir().mkpath(m_saveDir);
    GdacTestServer::MakeGdacTree(m_work->filePath(QStringLiteral("root")).toStdString());
    if (!m_server.Start(m_work->filePath(QStringLiteral("root")).toStdString()))
        QSKIP("no /usr/bin/python3 or openssl");
    auto settings = OpenAppSettings();
    settings->setValue(QStringLiteral("Brinewick/save_folder"), m_saveDir);
    settings->setValue(QStringLiteral("Brinewick/gdac_url"), QString::fromStdString(m_server.Url("/gdac")));
}

void TestGdacDlg::cleanup()
{
    m_server.Stop();
    m_work.reset();
}

std::unique_ptr<CGdacDlg> TestGdacDlg::Open()
{
    GdacOptions options;
    options.caFile = GdacTestServer::Certificate();
    options.cacheDir = m_work->filePath(QStringLiteral("cache")).toStdString();
    options.connectMs = 3000;
    options.stallSeconds = 5;
    auto dlg = std::make_unique<CGdacDlg>(nullptr, options);
    dlg->show();
    if (!QTest::qWaitForWindowExposed(dlg.get()))
        qWarning("window not exposed");
    return dlg;
}

void TestGdacDlg::Search(CGdacDlg& dlg, const QString& wmo, const QString& dac)
{
    Control<QLineEdit>(dlg, "wmo")->setText(wmo);
    Control<QLineEdit>(dlg, "dac")->setText(dac);
    QTest::mouseClick(Control<QPushButton>(dlg, "search"), Qt::LeftButton);
}

void TestGdacDlg::Activate(QListWidget* list, const QString& text)
{
    const auto items = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(text));
    list->setCurrentItem(items.first());
    emit list->itemActivated(items.first()); // what a double click or Enter delivers
}

void TestGdacDlg::Enter(CGdacDlg& dlg, const QStringList& steps)
{
    for (const QString& step : steps) {
        const std::string before = dlg.BrowsedFolder();
        Activate(Control<QListWidget>(dlg, "folders"), step);
        QTRY_VERIFY(dlg.BrowsedFolder() != before);
    }
}

void TestGdacDlg::searchFillsSortableTable()
{
    auto dlg = Open();
    QCOMPARE(dlg->windowTitle(), QStringLiteral("Argo Data"));
    // The remembered server is a typed URL, so "Other URL" is chosen.
    auto* server = Control<QComboBox>(*dlg, "server");
    QCOMPARE(server->currentText(), QStringLiteral("Other URL"));
    QCOMPARE(server->count(), int(DefaultGdacServers().size()) + 1);

    Search(*dlg, QStringLiteral("6901929"));
    QVERIFY(m_messages.empty());
    QCOMPARE(Control<QLabel>(*dlg, "count")->text(), QStringLiteral("4 profiles"));
    CGdacResultModel* model = dlg->Results();
    QCOMPARE(model->rowCount(), 4);
    QCOMPARE(model->columnCount(), 8);
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("latitude"));
    auto files = [&] {
        QStringList names;
        for (int r = 0; r < model->rowCount(); ++r)
            names << QString::fromStdString(std::string(LastPart(model->FileOf(r))));
        return names;
    };
    QCOMPARE(files(), (QStringList{"D6901929_075.nc", "R6901929_076.nc", "R6901929_077.nc", "cut_001.nc"}));
    QCOMPARE(model->data(model->index(0, 3)).toString(), QStringLiteral("179.5"));

    // Numbers sort by value, empty ones last; a header click sorts.
    auto* table = Control<QTableView>(*dlg, "results");
    table->sortByColumn(2, Qt::AscendingOrder);
    QCOMPARE(files(), (QStringList{"D6901929_075.nc", "R6901929_076.nc", "cut_001.nc", "R6901929_077.nc"}));
    table->sortByColumn(1, Qt::DescendingOrder);
    QCOMPARE(files(), (QStringList{"R6901929_077.nc", "R6901929_076.nc", "D6901929_075.nc", "cut_001.nc"}));
    QCOMPARE(std::string(model->LineOf(0)),
             std::string("coriolis/6901929/profiles/R6901929_077.nc,20200201000000,,,P,836,IF,20210101000000"));

    // A box across 180° with dates; the cached index serves the second search.
    Control<QLineEdit>(*dlg, "latMin")->setText(QStringLiteral("-50"));
    Control<QLineEdit>(*dlg, "latMax")->setText(QStringLiteral("-40"));
    Control<QLineEdit>(*dlg, "lonWest")->setText(QStringLiteral("170"));
    Control<QLineEdit>(*dlg, "lonEast")->setText(QStringLiteral("-170"));
    Control<QLineEdit>(*dlg, "from")->setText(QStringLiteral("2020-01-31"));
    Search(*dlg, QString());
    QCOMPARE(Control<QLabel>(*dlg, "count")->text(), QStringLiteral("1 profiles"));
    QCOMPARE(files(), QStringList{"R6901929_076.nc"});

    // The synthetic index has its own columns.
    Control<QComboBox>(*dlg, "index")->setCurrentIndex(1);
    for (const char* name : {"latMin", "latMax", "lonWest", "lonEast", "from"})
        Control<QLineEdit>(*dlg, name)->clear();
    Search(*dlg, QStringLiteral("6901929"));
    QCOMPARE(model->columnCount(), 10);
    QCOMPARE(model->headerData(7, Qt::Horizontal).toString(), QStringLiteral("parameters"));
    QVERIFY(m_messages.empty());
}

void TestGdacDlg::fetchesChosenRowsAndShowsTheLast()
{
    auto dlg = Open();
    Search(*dlg, QStringLiteral("13857"));
    auto* table = Control<QTableView>(*dlg, "results");
    table->selectAll();
    QTest::mouseClick(Control<QPushButton>(*dlg, "fetch"), Qt::LeftButton);
    QVERIFY(m_messages.empty());
    QCOMPARE(dlg->result(), int(QDialog::Accepted));
    QCOMPARE(dlg->LocalPath(), m_saveDir + QStringLiteral("/R13857_002.nc"));
    QCOMPARE(Saved(), (QStringList{"R13857_001.nc", "R13857_002.nc"}));
    auto* transfers = Control<QListWidget>(*dlg, "transfers");
    QCOMPARE(transfers->count(), 2);
    QCOMPARE(transfers->item(0)->text(), QStringLiteral("R13857_001.nc: done"));

    // One of two cut off: said, the other shown, the old copy of the failed one kept.
    GdacTestServer::WriteFile((m_saveDir + QStringLiteral("/cut_001.nc")).toStdString(), "old\n");
    Search(*dlg, QStringLiteral("6901929"));
    table->clearSelection();
    table->selectRow(0); // D6901929_075.nc
    table->selectionModel()->select(dlg->Results()->index(3, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows); // cut_001.nc
    dlg->show();
    QTest::mouseClick(Control<QPushButton>(*dlg, "fetch"), Qt::LeftButton);
    QCOMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(m_messages[0].caption, QStringLiteral("get error"));
    QVERIFY(m_messages[0].text.startsWith(QStringLiteral("1 of 2 files could not be fetched.\ncut_001.nc: ")));
    QCOMPARE(dlg->LocalPath(), m_saveDir + QStringLiteral("/D6901929_075.nc"));
    QCOMPARE(GdacTestServer::ReadFile((m_saveDir + QStringLiteral("/cut_001.nc")).toStdString()), std::string("old\n"));
    QVERIFY(transfers->item(1)->text().startsWith(QStringLiteral("cut_001.nc: failed (")));
}

void TestGdacDlg::browsesFoldersAndFetchesDoubleClickedFile()
{
    auto dlg = Open();
    auto* tabs = Control<QTabWidget>(*dlg, "tabs");
    auto* folders = Control<QListWidget>(*dlg, "folders");
    auto* files = Control<QListWidget>(*dlg, "files");
    tabs->setCurrentIndex(1); // the root is listed when the browser first shows
    QCOMPARE(folders->count(), 1);
    QCOMPARE(folders->item(0)->text(), QStringLiteral("dac"));
    QCOMPARE(files->count(), 3);
    Enter(*dlg, {"dac", "aoml", "13857", "profiles"});
    QCOMPARE(dlg->BrowsedFolder(), std::string("dac/aoml/13857/profiles"));
    QCOMPARE(files->count(), 2);
    QCOMPARE(folders->item(0)->text(), QStringLiteral(".."));
    Enter(*dlg, {".."});
    QCOMPARE(dlg->BrowsedFolder(), std::string("dac/aoml/13857"));
    Enter(*dlg, {"profiles"});
    QCOMPARE(dlg->BrowsedFolder(), std::string("dac/aoml/13857/profiles"));
    QVERIFY(m_messages.empty());

    Activate(files, QStringLiteral("R13857_001.nc"));
    QTRY_COMPARE(dlg->result(), int(QDialog::Accepted));
    QCOMPARE(dlg->LocalPath(), m_saveDir + QStringLiteral("/R13857_001.nc"));
    QCOMPARE(GdacTestServer::ReadFile(dlg->LocalPath().toStdString()), GdacTestServer::Nc("profile one\n"));

    // A folder that cannot be listed keeps the lists; another server lists its own root.
    dlg->show();
    m_server.Stop();
    Activate(folders, QStringLiteral(".."));
    QTRY_COMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(m_messages[0].caption, QStringLiteral("directory error"));
    QCOMPARE(dlg->BrowsedFolder(), std::string("dac/aoml/13857/profiles"));
    QCOMPARE(files->count(), 2);
}

void TestGdacDlg::refusesMissingSaveFolderAndBadInput()
{
    auto dlg = Open();
    const QString missing = m_saveDir + QStringLiteral("/not/there");
    Control<QLineEdit>(*dlg, "saveFolder")->setText(missing);
    Search(*dlg, QStringLiteral("13857"));
    Control<QTableView>(*dlg, "results")->selectAll();
    QTest::mouseClick(Control<QPushButton>(*dlg, "fetch"), Qt::LeftButton);
    QCOMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(m_messages[0].text, QStringLiteral("The save folder %1 does not exist.").arg(missing));
    QVERIFY(dlg->isVisible());
    QVERIFY(Saved().isEmpty());

    struct Case {
        const char* field;
        const char* text;
    } cases[] = {{"wmo", "12a"}, {"latMin", "north"}, {"latMin", "95"}, {"from", "2020-13-01"}, {"dac", "a/b"}};
    for (const auto& c : cases) {
        m_messages.clear();
        Control<QLineEdit>(*dlg, c.field)->setText(QLatin1String(c.text));
        QTest::mouseClick(Control<QPushButton>(*dlg, "search"), Qt::LeftButton);
        QCOMPARE(m_messages.size(), std::size_t(1));
        QCOMPARE(m_messages[0].caption, QStringLiteral("Input error."));
        Control<QLineEdit>(*dlg, c.field)->clear();
    }
    m_messages.clear();
    auto* url = Control<QLineEdit>(*dlg, "url");
    url->setText(QStringLiteral("gopher://example.org"));
    emit url->editingFinished();
    Search(*dlg, QStringLiteral("13857"));
    QCOMPARE(m_messages.size(), std::size_t(1));
    QVERIFY(m_messages[0].text.startsWith(QStringLiteral("The server address is not usable")));
    // A preset fills the address and is remembered.
    auto* server = Control<QComboBox>(*dlg, "server");
    server->setCurrentIndex(0);
    emit server->activated(0);
    QCOMPARE(url->text(), QString::fromStdString(DefaultGdacUrl()));
    QCOMPARE(OpenAppSettings()->value(QStringLiteral("Brinewick/gdac_url")).toString(),
             QString::fromStdString(DefaultGdacUrl()));
}

void TestGdacDlg::cancelledFetchKeepsWindowAndFiles()
{
    GdacTestServer::WriteFile((m_saveDir + QStringLiteral("/slow_001.nc")).toStdString(), "kept\n");
    auto dlg = Open();
    Control<QTabWidget>(*dlg, "tabs")->setCurrentIndex(1);
    Enter(*dlg, {"dac", "coriolis", "6901929", "profiles"});
    QCOMPARE(dlg->BrowsedFolder(), std::string("dac/coriolis/6901929/profiles"));
    QTimer poll;
    bool pressed = false;
    QString shown;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* progress = dlg->findChild<QProgressDialog*>();
        auto* transfers = Control<QListWidget>(*dlg, "transfers");
        if (!progress || !progress->isVisible() || !transfers->count() ||
            !transfers->item(0)->text().contains(QStringLiteral(" of ")))
            return;
        shown = transfers->item(0)->text();
        if (auto* cancel = progress->findChild<QPushButton*>()) {
            QTest::mouseClick(cancel, Qt::LeftButton);
            pressed = true;
        }
        poll.stop();
    });
    poll.start(50);
    Activate(Control<QListWidget>(*dlg, "files"), QStringLiteral("slow_001.nc"));
    QTRY_VERIFY(pressed);
    QTRY_VERIFY(Control<QListWidget>(*dlg, "transfers")->item(0)->text().contains(QStringLiteral("failed")));
    QVERIFY2(shown.startsWith(QStringLiteral("slow_001.nc: ")) && shown.endsWith(QStringLiteral(" of 4194.3 KB")),
             qPrintable(shown));
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->result(), 0);
    QVERIFY(m_messages.empty());
    QCOMPARE(Saved(), QStringList{"slow_001.nc"});
    QCOMPARE(GdacTestServer::ReadFile((m_saveDir + QStringLiteral("/slow_001.nc")).toStdString()),
             std::string("kept\n"));
}

QTEST_MAIN(TestGdacDlg)
#include "test_gdac_dlg.moc"
