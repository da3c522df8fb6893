// The "Argo Data" window driven through its controls against the local HTTPS server.
#include "GdacTestServer.h"
#include "gdac/GdacDlg.h"
#include "gdac/GdacFetchQueue.h"
#include "gdac/GdacMatchMap.h"
#include "gdac/GdacResultModel.h"
#include "gdac/SearchMapCommand.h"
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
#include <QTreeWidget>
#include <QFileInfo>
#include <QSignalSpy>
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
    void fetchesChosenRowsThroughTheQueue();
    void browsesFoldersAndFetchesDoubleClickedFile();
    void refusesMissingSaveFolderAndBadInput();
    void queueCountsBytesCancelsAndKeepsBoth();
    void mapShowsMatchesAndChoosesBothWays();
    void floatFilesOpenWithTheOverview();
    void certificateFailureNamesTheRemedy();
    void searchMapFilesAreWritten();

private:
    std::unique_ptr<CGdacDlg> Open(bool trustTestServer = true);
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
    QStringList m_asked; // the same-name questions
    SameNameChoice m_sameName = SameNameChoice::Replace;
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
    m_asked.clear();
    m_sameName = SameNameChoice::Replace;
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

std::unique_ptr<CGdacDlg> TestGdacDlg::Open(bool trustTestServer)
{
    GdacOptions options;
    options.caFile = trustTestServer ? GdacTestServer::Certificate() : std::string();
    options.cacheDir = m_work->filePath(QStringLiteral("cache")).toStdString();
    options.connectMs = 3000;
    options.stallSeconds = 5;
    auto dlg = std::make_unique<CGdacDlg>(nullptr, options);
    dlg->Queue()->SetSameNameQuestion([this](const QString& path) {
        m_asked << QFileInfo(path).fileName();
        return m_sameName;
    });
    dlg->resize(1100, 760);
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

void TestGdacDlg::fetchesChosenRowsThroughTheQueue()
{
    auto dlg = Open();
    CGdacFetchQueue* queue = dlg->Queue();
    QSignalSpy opened(dlg.get(), &CGdacDlg::openRequested);
    Search(*dlg, QStringLiteral("13857"));
    auto* table = Control<QTableView>(*dlg, "results");
    table->selectAll();
    QTest::mouseClick(Control<QPushButton>(*dlg, "fetch"), Qt::LeftButton);
    QTRY_VERIFY(queue->Idle());
    QVERIFY(m_messages.empty());
    QVERIFY(dlg->isVisible());   // the window stays
    QCOMPARE(opened.count(), 0); // Fetch does not open; Open does
    QCOMPARE(Saved(), (QStringList{"R13857_001.nc", "R13857_002.nc"}));
    QCOMPARE(queue->Count(), 2);
    QCOMPARE(queue->TextOf(0), QStringLiteral("done, 16 bytes"));
    queue->Open(1);
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened[0][0].toString(), m_saveDir + QStringLiteral("/R13857_002.nc"));

    // One of two cut off: its row says so, the other arrives, the old copy of the failed one stays.
    GdacTestServer::WriteFile((m_saveDir + QStringLiteral("/cut_001.nc")).toStdString(), "old\n");
    Search(*dlg, QStringLiteral("6901929"));
    table->clearSelection();
    table->selectRow(0); // D6901929_075.nc
    table->selectionModel()->select(dlg->Results()->index(3, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows); // cut_001.nc
    QTest::mouseClick(Control<QPushButton>(*dlg, "fetch"), Qt::LeftButton);
    QTRY_VERIFY(queue->Idle());
    QCOMPARE(m_asked, QStringList{"cut_001.nc"}); // replaced, as the test answers
    QCOMPARE(queue->StateOf(2), CGdacFetchQueue::State::Done);
    QCOMPARE(queue->StateOf(3), CGdacFetchQueue::State::Failed);
    QVERIFY2(queue->TextOf(3).startsWith(QStringLiteral("failed (")), qPrintable(queue->TextOf(3)));
    QCOMPARE(GdacTestServer::ReadFile((m_saveDir + QStringLiteral("/cut_001.nc")).toStdString()), std::string("old\n"));
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

    // A double-clicked file is fetched and shown.
    QSignalSpy opened(dlg.get(), &CGdacDlg::openRequested);
    Activate(files, QStringLiteral("R13857_001.nc"));
    QTRY_COMPARE(opened.count(), 1);
    QCOMPARE(opened[0][0].toString(), m_saveDir + QStringLiteral("/R13857_001.nc"));
    QCOMPARE(opened[0][1].toBool(), false);
    QCOMPARE(GdacTestServer::ReadFile(opened[0][0].toString().toStdString()), GdacTestServer::Nc("profile one\n"));

    // A folder that cannot be listed keeps the lists.
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

void TestGdacDlg::queueCountsBytesCancelsAndKeepsBoth()
{
    GdacTestServer::WriteFile((m_saveDir + QStringLiteral("/slow_001.nc")).toStdString(), "kept\n");
    auto dlg = Open();
    CGdacFetchQueue* queue = dlg->Queue();
    Control<QTabWidget>(*dlg, "tabs")->setCurrentIndex(1);
    Enter(*dlg, {"dac", "coriolis", "6901929", "profiles"});
    auto* files = Control<QListWidget>(*dlg, "files");
    auto fetch = [&](const QStringList& names) {
        files->clearSelection();
        for (const QString& name : names)
            files->findItems(name, Qt::MatchExactly).first()->setSelected(true);
        QTest::mouseClick(Control<QPushButton>(*dlg, "fetch"), Qt::LeftButton);
    };
    // The trickled 4 MB file over a present one: "Keep both" gives it a name of its own;
    // bytes show per file and in total; Cancel stops it, keeps the old file, and the
    // file waiting behind it runs.
    m_sameName = SameNameChoice::KeepBoth;
    fetch({"slow_001.nc"});
    QCOMPARE(m_asked, QStringList{"slow_001.nc"});
    QCOMPARE(queue->LocalPathOf(0), m_saveDir + QStringLiteral("/slow_001 (2).nc"));
    QTRY_VERIFY(queue->TextOf(0).endsWith(QStringLiteral(" of 4194.3 KB")) && !queue->TextOf(0).contains("bytes"));
    fetch({"D6901929_075.nc"});
    QCOMPARE(queue->Count(), 2);
    QCOMPARE(queue->TextOf(1), QStringLiteral("waiting"));
    QVERIFY2(queue->TotalText().contains(QStringLiteral(" KB (0 of 2 files)")), qPrintable(queue->TotalText()));
    auto* list = Control<QTreeWidget>(*dlg, "transfers");
    auto* cancel = list->itemWidget(list->topLevelItem(0), 2)->findChild<QPushButton*>();
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_VERIFY(queue->Idle());
    QCOMPARE(queue->StateOf(0), CGdacFetchQueue::State::Cancelled);
    QCOMPARE(queue->StateOf(1), CGdacFetchQueue::State::Done);
    QCOMPARE(Saved(), (QStringList{"D6901929_075.nc", "slow_001.nc"}));
    QCOMPARE(GdacTestServer::ReadFile((m_saveDir + QStringLiteral("/slow_001.nc")).toStdString()),
             std::string("kept\n"));

    // Skip queues nothing; Cancel all stops the running file and those waiting.
    m_asked.clear();
    m_sameName = SameNameChoice::Skip;
    fetch({"D6901929_075.nc"});
    QCOMPARE(m_asked, QStringList{"D6901929_075.nc"});
    QCOMPARE(queue->Count(), 2);
    m_sameName = SameNameChoice::KeepBoth;
    fetch({"slow_001.nc", "wrongsize_001.nc"});
    QTRY_VERIFY(queue->StateOf(2) == CGdacFetchQueue::State::Running);
    QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("cancelAll")), Qt::LeftButton);
    QTRY_VERIFY(queue->Idle());
    QCOMPARE(queue->StateOf(2), CGdacFetchQueue::State::Cancelled);
    QCOMPARE(queue->StateOf(3), CGdacFetchQueue::State::Cancelled);
    QCOMPARE(Saved(), (QStringList{"D6901929_075.nc", "slow_001.nc"}));
    QVERIFY(m_messages.empty());
}

void TestGdacDlg::mapShowsMatchesAndChoosesBothWays()
{
    auto dlg = Open();
    Search(*dlg, QString());
    CMatchMap* map = dlg->Map();
    CGdacResultModel* model = dlg->Results();
    // Every line with a position has one marker (the compressed index adds meds' line).
    QCOMPARE(model->rowCount(), 11);
    QCOMPARE(int(map->Points().size()), 8);
    auto* table = Control<QTableView>(*dlg, "results");
    table->sortByColumn(1, Qt::DescendingOrder); // the map follows lines, not the order shown

    struct Case {
        const char* file;
    } cases[] = {{"aoml/13857/profiles/R13857_002.nc"}, {"jma/2901623/profiles/R2901623_000.nc"}};
    for (const Case& c : cases) {
        int row = 0;
        while (row < model->rowCount() && model->FileOf(row) != c.file)
            ++row;
        QVERIFY(row < model->rowCount());
        const std::uint32_t line = model->LineIndexOf(row);
        // A click on its marker chooses its row ...
        table->clearSelection();
        const auto at = map->PixelOf(line);
        QVERIFY(at);
        QTest::mouseClick(map, Qt::LeftButton, {}, at->toPoint());
        QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(table->selectionModel()->selectedRows().first().row(), row);
        // ... and choosing the row rings its marker (orange on the map).
        QImage image = map->Image();
        const QColor ring = image.pixelColor(at->toPoint() + QPoint(7, 0));
        QVERIFY2(ring.red() > 200 && ring.green() > 100 && ring.blue() < 80, qPrintable(ring.name()));
    }

    // A rectangle dragged from 20°W 5°N to 5°E 5°S sets the region.
    const MapView& view = map->View();
    const QPoint origin = map->rect().topLeft() + QPoint(4, 26); // the plot below the title line
    const MapPoint a = view.ToPixel(-20, 5), b = view.ToPixel(5, -5);
    QTest::mousePress(map, Qt::LeftButton, {}, origin + QPoint(int(a.x), int(a.y)));
    QTest::mouseMove(map, origin + QPoint(int(a.x + b.x) / 2, int(a.y + b.y) / 2));
    QTest::mouseMove(map, origin + QPoint(int(b.x), int(b.y)));
    QTest::mouseRelease(map, Qt::LeftButton, {}, origin + QPoint(int(b.x), int(b.y)));
    const double degree = 1.5 / view.pixelsPerDegree + 0.01;
    for (auto [name, want] : {std::pair{"latMin", -5.0}, {"latMax", 5.0}, {"lonWest", -20.0}, {"lonEast", 5.0}})
        QVERIFY2(std::abs(Control<QLineEdit>(*dlg, name)->text().toDouble() - want) < degree, name);
    Search(*dlg, QString());
    QCOMPARE(model->rowCount(), 2); // R13857_001 and _002 lie in it

    // Another server: the results, the map and the listing go.
    auto* url = Control<QLineEdit>(*dlg, "url");
    url->setText(QString::fromStdString(m_server.Url("/other")));
    emit url->editingFinished();
    QCOMPARE(model->rowCount(), 0);
    QVERIFY(map->Points().empty());
    QCOMPARE(Control<QLabel>(*dlg, "count")->text(), QString());
}

void TestGdacDlg::floatFilesOpenWithTheOverview()
{
    auto dlg = Open();
    QSignalSpy opened(dlg.get(), &CGdacDlg::openRequested);
    QTest::mouseClick(Control<QPushButton>(*dlg, "floatFiles"), Qt::LeftButton); // no row chosen
    QCOMPARE(m_messages.size(), std::size_t(1));
    Search(*dlg, QStringLiteral("13857"));
    Control<QTableView>(*dlg, "results")->selectRow(1);
    QTest::mouseClick(Control<QPushButton>(*dlg, "floatFiles"), Qt::LeftButton);
    QTRY_COMPARE(opened.count(), 1);
    QTRY_VERIFY(dlg->Queue()->Idle());
    QCOMPARE(dlg->Queue()->Count(), 2);
    QCOMPARE(dlg->Queue()->TextOf(1), QStringLiteral("done, 14 bytes"));
    QCOMPARE(opened[0][0].toString(), m_saveDir + QStringLiteral("/13857_prof.nc"));
    QCOMPARE(opened[0][1].toBool(), true);
    QCOMPARE(opened.count(), 1); // the synthetic file arrives without being shown
    QCOMPARE(Saved(), (QStringList{"13857_prof.nc", "13857_Sprof.nc"}));
    QCOMPARE(m_messages.size(), std::size_t(1));
}

void TestGdacDlg::certificateFailureNamesTheRemedy()
{
    auto dlg = Open(false);
    Search(*dlg, QStringLiteral("13857"));
    QCOMPARE(m_messages.size(), std::size_t(1));
    QVERIFY2(m_messages[0].text.contains(QStringLiteral("choose its certificate authority's file (PEM) in \"CA "
                                                        "certificates\"")),
             qPrintable(m_messages[0].text));
    // The CA file typed is used at once and kept.
    auto* ca = Control<QLineEdit>(*dlg, "caFile");
    ca->setText(QString::fromStdString(GdacTestServer::Certificate()));
    emit ca->editingFinished();
    Search(*dlg, QStringLiteral("13857"));
    QCOMPARE(m_messages.size(), std::size_t(1));
    QCOMPARE(dlg->Results()->rowCount(), 2);
    QCOMPARE(OpenAppSettings()->value(QStringLiteral("Brinewick/gdac_cacert")).toString(), ca->text());
}

void TestGdacDlg::searchMapFilesAreWritten()
{
    SearchMap map;
    map.points = MatchPointsOf("file,date,latitude,longitude", GdacTestServer::CoreIndexRows());
    map.title = "core index: 10 profiles";
    struct Case {
        const char* name;
        QByteArray head;
    } cases[] = {{"m.png", "\x89PNG"}, {"m.svg", "<?xml"}, {"m.pdf", "%PDF"}};
    for (const Case& c : cases) {
        map.output = m_work->filePath(QLatin1String(c.name)).toStdString();
        QCOMPARE(SearchMapFileWriter()(map), 0);
        QFile file(QString::fromStdString(map.output));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.read(c.head.size()) == c.head, c.name);
    }
    map.output = m_work->filePath(QStringLiteral("missing/m.png")).toStdString();
    QCOMPARE(SearchMapFileWriter()(map), 1);
    // Matches on both sides of 180° lie side by side, not at both edges of the world.
    const MapView across = FitMatches({{179.5, -45.5}, {-179.5, -45.1}}, 400, 300);
    QVERIFY2(across.East() - across.West() < 20, qPrintable(QString::number(across.East() - across.West())));
    for (double lon : {179.5, -179.5}) {
        const double x = MatchPixel(across, {lon, -45.5}).x;
        QVERIFY2(x > 0 && x < 400, qPrintable(QString::number(x)));
    }
}

QTEST_MAIN(TestGdacDlg)
#include "test_gdac_dlg.moc"
