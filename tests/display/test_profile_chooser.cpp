// The profile chooser and the three tools on files of several profiles: listing and
// sorting, the order of chosen profiles, Profile View and Graph View following the
// choice, the CSV dialog's profile, files changed since they were shown, and
// `--plot --profile`.
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include <filesystem>
#include <numeric>

#include "chooser/ProfileChooser.h"
#include "chooser/ProfileChooserModel.h"
#include "core/child_process.h"
#include "reader/isolated_reader.h"
#include "reader/reader_table.h"
#include "display/GraphDlg.h"
#include "display/GraphPainter.h"
#include "display/PlotCommand.h"
#include "display/ProfileTable.h"
#include "display/ProfileDlg.h"
#include "support/command_words.h"
#include "support/temp_dir.h"
#include "overview/FloatOverview.h"
#include "profile/CsvSaveDlg.h"
#include "profile/csv_writer.h"
#include "profile/profile_levels.h"
#include "profile/profile_summary.h"
#include "uikit/MessageBox.h"

namespace {

const std::string kArgo = BW_TEST_DATA_DIR;
const std::string kFloat = kArgo + "/2902696_prof.nc"; // 51 profiles of 115 levels
const std::string kCycle = kArgo + "/R6903247_072.nc"; // 6 profiles of 419 levels
const std::string kSingle = BW_TEST_DATA_DIR "/D5900446_001.nc";

std::vector<ProfileSummary> Summaries(const std::string& path)
{
    ProfileSummaryList list = ReadProfileSummaries(path);
    if (!list.ok)
        qFatal("cannot list %s", path.c_str());
    return std::move(list.profiles);
}

QString Cell(const QTableView* view, int row, int column)
{
    return view->model()->index(row, column).data().toString();
}

int ColumnNamed(const std::string& path, const std::string& name)
{
    const ProfileTable table = ReadProfileTable(path);
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        if (table.columns[c].name == name)
            return static_cast<int>(c);
    return -1;
}

CGraphDlg::ProfileLoader LoaderOf(const std::string& path)
{
    const ProfileExtent extent = ReadProfileToolsInfo(path).extent;
    return [path, extent](std::span<const std::size_t> p, std::vector<CLevelArray>& out, QString* why) {
        const LevelLoadResult r = LoadProfileLevels(path, extent, p, out);
        if (!r.ok && why)
            *why = QString::fromStdString(r.message);
        return r.ok;
    };
}

} // namespace

class ProfileChooserTest : public QObject {
    Q_OBJECT
private slots:
    void listsSortsAndKeepsTheOrderOfChoice();
    void profileViewFollowsTheChosenProfile();
    void graphViewDrawsChosenProfilesTogether();
    void csvDialogWritesTheChosenProfile();
    void changedFileGetsTheReadingErrorBox();
    void plotCommandTakesAProfile();
};

void ProfileChooserTest::listsSortsAndKeepsTheOrderOfChoice()
{
    CProfileChooser chooser;
    QSignalSpy spy(&chooser, &CProfileChooser::chosenChanged);
    chooser.SetProfiles(Summaries(kCycle));
    chooser.resize(800, 300);
    chooser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chooser));
    const QTableView* view = chooser.View();
    QCOMPARE(chooser.ProfileCount(), 6);
    QCOMPARE(chooser.Chosen(), std::vector<std::size_t>{0});
    QCOMPARE(spy.count(), 1);
    using M = CProfileChooserModel;
    const struct {
        int column;
        const char* text;
    } row1[] = {{M::Index, "1"},
                {M::Cycle, "72"},
                {M::Direction, "A"},
                {M::DataMode, "R"},
                {M::Date, "2019-07-13 09:39"},
                {M::Scheme, "Near-surface sampling"},
                {M::Levels, "3"}};
    for (const auto& c : row1)
        QCOMPARE(Cell(view, 1, c.column), QString::fromLatin1(c.text));

    // Sorted by levels, largest first, then by date (all equal: file order kept).
    chooser.View()->sortByColumn(M::Levels, Qt::DescendingOrder);
    QCOMPARE(Cell(view, 0, M::Index), QStringLiteral("4"));
    QCOMPARE(Cell(view, 5, M::Index), QStringLiteral("1"));
    QCOMPARE(chooser.Chosen(), std::vector<std::size_t>{0}); // sorting chooses nothing

    // Several at once: the first chosen stays first as others come and go.
    chooser.SetMultipleChoice(true);
    chooser.Choose({3, 1});
    QCOMPARE(chooser.Chosen(), (std::vector<std::size_t>{3, 1}));
    auto rowOf = [&](int profile) {
        for (int r = 0; r < view->model()->rowCount(); ++r)
            if (Cell(view, r, M::Index).toInt() == profile)
                return r;
        return -1;
    };
    QItemSelectionModel* sel = view->selectionModel();
    sel->select(view->model()->index(rowOf(5), 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(chooser.Chosen(), (std::vector<std::size_t>{3, 1, 5}));
    sel->select(view->model()->index(rowOf(3), 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    QCOMPARE(chooser.Chosen(), (std::vector<std::size_t>{1, 5}));
    // Taking the last one away keeps a profile chosen.
    sel->clearSelection();
    QCOMPARE(chooser.Chosen(), (std::vector<std::size_t>{1, 5}));
    QVERIFY(sel->isRowSelected(rowOf(1), {}));
}

void ProfileChooserTest::profileViewFollowsTheChosenProfile()
{
    // One profile: the dialog as it always was, without a chooser.
    CProfileDlg single;
    const QSize size = single.size();
    single.SetProfiles(Summaries(kSingle), ReadProfileToolsInfo(kSingle).extent);
    QCOMPARE(single.Chooser(), nullptr);
    QCOMPARE(single.size(), size);

    CProfileDlg dlg;
    dlg.SetFilePath(QString::fromStdString(kCycle));
    dlg.SetProfiles(Summaries(kCycle), ReadProfileToolsInfo(kCycle).extent);
    QVERIFY(dlg.Chooser());
    QVERIFY(dlg.height() > size.height());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const int pres = ColumnNamed(kCycle, "PRES");
    QVERIFY(pres >= 0);
    QCOMPARE(dlg.Grid().RowCount(), 419);
    const QString primary = dlg.Grid().CellText(0, pres);
    dlg.Chooser()->Choose({1});
    QCOMPARE(dlg.Profile(), std::size_t{1});
    QCOMPARE(dlg.Grid().RowCount(), 419);
    QVERIFY(dlg.Grid().CellText(0, pres) != primary);
    QCOMPARE(dlg.Grid().CellText(3, pres), QStringLiteral("99999.0")); // past its three levels
    dlg.Chooser()->Choose({0});
    QCOMPARE(dlg.Grid().CellText(0, pres), primary);
}

void ProfileChooserTest::graphViewDrawsChosenProfilesTogether()
{
    CGraphDlg dlg;
    std::size_t read = 0; // profiles read from the file
    const auto loader = LoaderOf(kFloat);
    QVERIFY(dlg.SetProfiles(Summaries(kFloat),
                            [&](std::span<const std::size_t> p, std::vector<CLevelArray>& out, QString* why) {
                                read += p.size();
                                return loader(p, out, why);
                            }));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QVERIFY(dlg.m_overlay.empty());
    QCOMPARE(dlg.Grid().RowCount(), 115);
    const QImage alone = dlg.Surface().copy();

    std::vector<std::size_t> all(51);
    std::iota(all.begin(), all.end(), std::size_t{0});
    std::rotate(all.begin(), all.begin() + 7, all.end()); // profile 7 chosen first
    dlg.Chooser()->Choose(all);
    QCOMPARE(dlg.m_overlay.size(), std::size_t{50});
    QCOMPARE(read, std::size_t{51}); // each profile read once
    dlg.Chooser()->Choose({7, 3});
    dlg.Chooser()->Choose(all);
    QCOMPARE(read, std::size_t{51});
    std::vector<CLevelArray> seventh;
    const std::size_t seven[] = {7};
    QVERIFY(LoaderOf(kFloat)(seven, seventh, nullptr));
    QCOMPARE(dlg.m_pLevels->GetSize(), seventh[0].GetSize());
    for (int i = 0; i < seventh[0].GetSize(); ++i)
        QCOMPARE((*dlg.m_pLevels)[i].pres, seventh[0][i].pres);
    QCOMPARE(dlg.Grid().CellText(0, 1), QString::fromUtf8(FormatLevelCell(LevelColumn::Prs, seventh[0][114], false,
                                                                          std::array<char, 64>{}.data(), 64)));

    // The other profiles are drawn in lighter shades of each curve's colour; the
    // first chosen keeps the pure colour.
    const PixelRect plot = dlg.PlotRect();
    int shades = 0, pureBlue = 0;
    for (int y = plot.top + 1; y < plot.bottom; ++y)
        for (int x = plot.left + 1; x < plot.right; ++x) {
            const QRgb p = dlg.Surface().pixel(x, y) | 0xFF000000u;
            for (std::size_t k = 0; k < 50; k += 7)
                shades += p == (OverlayShade(qRgb(0, 0, 255), k, 50) | 0xFF000000u);
            pureBlue += p == 0xFF0000FFu;
        }
    QVERIFY(shades > 100);
    QVERIFY(pureBlue > 50);
    QVERIFY(dlg.Surface() != alone);

    // The cursor follows the first chosen profile.
    dlg.OnMouseMoveAt(plot.left + 40, plot.top + (plot.bottom - plot.top) / 4);
    QVERIFY(dlg.CursorLevel() > 0);
    QVERIFY(seventh[0].Find(dlg.CursorLevel()) >= 0);

    // One profile again: the overlay goes.
    dlg.Chooser()->Choose({0});
    QVERIFY(dlg.m_overlay.empty());
    QCOMPARE(dlg.CursorLevel(), -1);
}

void ProfileChooserTest::csvDialogWritesTheChosenProfile()
{
    CCsvSaveDlg single;
    single.m_szPath = QString::fromStdString(kSingle);
    QVERIFY(single.OnInitDialog());
    const QSize size = single.size();
    single.SetProfiles(Summaries(kSingle), ReadProfileToolsInfo(kSingle).extent);
    QCOMPARE(single.chooser(), nullptr);
    QCOMPARE(single.size(), size);
    QCOMPARE(single.Settings().profile, std::size_t{0});

    CCsvSaveDlg dlg;
    dlg.m_szPath = QString::fromStdString(kFloat);
    QVERIFY(dlg.OnInitDialog());
    dlg.SetProfiles(Summaries(kFloat), ReadProfileToolsInfo(kFloat).extent);
    QVERIFY(dlg.chooser());
    QCOMPARE(dlg.Settings().profile, std::size_t{0});
    dlg.chooser()->Choose({12});
    QCOMPARE(dlg.Settings().profile, std::size_t{12});

    const QString out = QString::fromStdString(SharedTempDir().file("chosen.csv"));
    dlg.fileEdit()->setText(out);
    for (int row = 0; row < dlg.levelList()->count(); ++row)
        if (dlg.levelList()->item(row)->text() == QStringLiteral("PRES"))
            dlg.levelList()->item(row)->setSelected(true);
    dlg.openFileBox()->setChecked(false);
    dlg.accept();
    QFile written(out);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    std::string expected;
    CsvSaveSettings s = dlg.Settings();
    QVERIFY(BuildCsvText(s, expected).ok());
    QCOMPARE(text, QByteArray::fromStdString(expected));
    s.profile = 0;
    std::string first;
    QVERIFY(BuildCsvText(s, first).ok());
    QVERIFY(expected != first);
}

void ProfileChooserTest::changedFileGetsTheReadingErrorBox()
{
    // A file that changed since it was shown, and a helper that the library kills while
    // it reads: each tool says so in the reading error box, and this process lives on.
    struct Case {
        ProfileExtent shown;
        const char* helperSignal; // nullptr: read in this process
        QString says;
    };
    const Case cases[] = {
        {{50, 115}, nullptr, QStringLiteral("changed")}, // the file had one profile less when shown
        {{51, 115}, "11", QStringLiteral(": the netCDF library stopped on this file: signal 11")},
    };
    const QString path = QString::fromStdString(kFloat);
    for (const Case& c : cases) {
        QStringList captions, texts;
        SetMessageBoxHook([&](const QString& text, const QString& caption, MbIcon) {
            captions << caption;
            texts << text;
            return 0;
        });
        if (c.helperSignal)
            setenv("BRINEWICK_TEST_CHILD_SIGNAL", c.helperSignal, 1);
        IsolatedReader helper(BW_BINARY, default_render_limits());
        FileReader& reader = c.helperSignal ? static_cast<FileReader&>(helper) : LocalReader();
        RunProfileView(nullptr, reader, path, &c.shown);
        RunGraphView(nullptr, reader, path, &c.shown);
        RunCsvSave(nullptr, reader, path, &c.shown);
        QCOMPARE(RunFloatOverview(nullptr, reader, path, &c.shown), nullptr);
        unsetenv("BRINEWICK_TEST_CHILD_SIGNAL");
        SetMessageBoxHook({});
        QCOMPARE(captions, QStringList(4, QStringLiteral("File reading error")));
        for (const QString& t : texts)
            QVERIFY2(t.contains(c.says) && t.startsWith(path), qPrintable(t));
    }
}

void ProfileChooserTest::plotCommandTakesAProfile()
{
    const std::string all = SharedTempDir().file("all.png"), one = SharedTempDir().file("one.png");
    QCOMPARE(RunMode("--plot", {kFloat, "--profile", "all", "-o", all, "--curves", "T"}, LocalReader()), 0);
    QCOMPARE(RunMode("--plot", {kFloat, "--profile", "3", "-o", one, "--curves", "T"}, LocalReader()), 0);
    QCOMPARE(RunMode("--plot", {kFloat, "--profile", "51", "-o", one}, LocalReader()), 2);
    QCOMPARE(RunMode("--plot", {kFloat, "--profile", "all", "--profile", "1", "-o", one}, LocalReader()), 2);
    QCOMPARE(RunMode("--plot", {BW_TEST_DATA_DIR "/13857_meta.nc", "--profile", "all", "-o", one}, LocalReader()), 1);
    QImage a, b;
    QVERIFY(a.load(QString::fromStdString(all)));
    QVERIFY(b.load(QString::fromStdString(one)));
    int shaded = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (std::size_t k = 0; k < 50; k += 7)
                shaded += (a.pixel(x, y) | 0xFF000000u) == (OverlayShade(qRgb(0, 0, 255), k, 50) | 0xFF000000u);
    QVERIFY(shaded > 10);
    QVERIFY(a != b);
}

QTEST_MAIN(ProfileChooserTest)
#include "test_profile_chooser.moc"
