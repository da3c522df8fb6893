// The graph viewer: set-up, list, settings, the plot's pixels and the level cursor.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QtTest>

#include <filesystem>

#include "uikit/MessageBox.h"
#include "reader/reader_table.h"
#include "display/AxisMapping.h"
#include "display/GraphDlg.h"
#include "display/GraphPainter.h"
#include "display/ParameterCurves.h"
#include "display/GridTable.h"
#include "display/RangeText.h"
#include "profile/level_records.h"
#include "profile/profile_qc.h"
#include "profile/reads.h"
#include "chooser/ProfileChooser.h"
#include "support/comma_locale.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kBlue = 0xFF0000FFu;
constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kGreen = 0xFF00FF00u;

// Loads a file into `levels` and shows a graph viewer on it.
struct Viewer {
    explicit Viewer(const std::string& path)
    {
        const LevelLoadResult r = LoadLevelArray(path, levels);
        if (!r.ok)
            qFatal("cannot load %s", path.c_str());
        dlg.m_pLevels = &levels;
        dlg.show();
        if (!QTest::qWaitForWindowExposed(&dlg))
            qFatal("not exposed");
    }
    QRgb Pixel(int x, int y) const { return dlg.Surface().pixel(x, y); }
    // Does the box contain a pixel that is clearly darker than the background?
    bool HasInk(int x0, int y0, int x1, int y1, QRgb like = 0) const
    {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const QRgb p = Pixel(x, y);
                if (like ? p == like : qGray(p) < 110)
                    return true;
            }
        return false;
    }
    void SetRange(int i, const QString& text) { dlg.RangeCombo(i)->setEditText(text); }
    void Review() { qobject_cast<QPushButton*>(dlg.Control(CGraphDlg::IDC_REVIEW))->click(); }

    CLevelArray levels;
    CGraphDlg dlg;
};

// Three levels 100, 500, 1000 dbar; the middle temperature is missing.
std::string ThreeLevels(bool adjusted)
{
    ProfileColumns p;
    p.pres = {100, 500, 1000};
    p.temp = {20, 99999, 10};
    p.psal = {35, 34, 36};
    if (adjusted) {
        p.presAdj = {101, 501, 1001};
        p.tempAdj = {21, 11, 99999};
        p.psalAdj = {35.5f, 34.5f, 36.5f};
    }
    return WriteProfile(SharedTempDir().file(adjusted ? "three-adj.nc" : "three.nc"), p);
}

} // namespace

class GraphDlgTest : public QObject {
    Q_OBJECT
private slots:
    void setUpDefaults();
    void listRunsInFileOrder();
    void adjustedOnlyWithAdjustedData();
    void frameAndVerticalAxis();
    void curvesAtMappedPoints();
    void missingLevelIsJoinedOver();
    void noHorizontalCurvesLeavesFrameAndAxis();
    void cursorLineDrawnAndRestored();
    void cursorFollowsListAndReversedAxis();
    void typedRangesAndReview();
    void dropDownSelectionRedrawsLater();
    void degenerateRangesDoNotHang();
    void setUpRunsOnlyOnce();
    void unreadableFileShowsMessage();
    void numbersIgnoreCommaLocale();
    void qualityFlagsMarkedAndLeftOut();
    void fitTsDiagramAndSaveImage();
    void resizingGrowsPlotAndList();
    void parameterCurvesOfEveryLevelParameter();
};

void GraphDlgTest::setUpDefaults()
{
    Viewer v(BW_TEST_DATA_DIR "/D5900446_001.nc");
    QCOMPARE(v.dlg.windowTitle(), QStringLiteral("Graph viewer"));
    QCOMPARE(v.dlg.size(), QSize(v.dlg.Units().x(534), v.dlg.Units().y(350)));
    const char* expected[12] = {"0.0",  "2000.0", "20.0", "28.0", "-5.0", "35.0",
                                "-5.0", "35.0",   "30.0", "38.0", "20.0", "28.0"};
    for (int i = 0; i < 12; ++i) {
        QComboBox* combo = v.dlg.RangeCombo(i);
        QCOMPARE(combo->objectName(), QString::number(1005 + i));
        QCOMPARE(combo->currentText(), QString::fromLatin1(expected[i]));
        QCOMPARE(combo->count(), 9);
        QVERIFY(combo->isEditable());
        QCOMPARE(combo->insertPolicy(), QComboBox::NoInsert);
    }
    QCOMPARE(v.dlg.RangeCombo(0)->itemText(1), QStringLiteral("250"));
    QCOMPARE(v.dlg.RangeCombo(1)->itemText(8), QStringLiteral("0"));
    QCOMPARE(v.dlg.RangeCombo(4)->itemText(0), QStringLiteral("-5"));
    QCOMPARE(v.dlg.RangeCombo(9)->itemText(1), QStringLiteral("37"));
    auto radio = [&](int id) { return qobject_cast<QRadioButton*>(v.dlg.Control(id)); };
    auto check = [&](int id) { return qobject_cast<QCheckBox*>(v.dlg.Control(id)); };
    QVERIFY(radio(1019)->isChecked());
    QVERIFY(!radio(1021)->isChecked() && !radio(1022)->isChecked());
    QCOMPARE(radio(1022)->text(), QStringLiteral("Temperature"));
    QVERIFY(check(1023)->isChecked() && check(1024)->isChecked() && check(1025)->isChecked());
    QCOMPARE(check(1024)->text(), QStringLiteral("Salinity"));
    QCOMPARE(check(1018)->text(), QStringLiteral("ADJUSTED"));
    QVERIFY(!check(1018)->isChecked());
    // No., Prs, Tmp, Sal, Sig, then sigma-theta and the three flags.
    QCOMPARE(v.dlg.Grid().ColumnCount(), 7);
    QCOMPARE(v.dlg.Grid().ColumnWidth(0), 30);
    QCOMPARE(v.dlg.Grid().ColumnWidth(4), 60);
    QCOMPARE(v.dlg.Grid().RowCount(), 56);
    QCOMPARE(qobject_cast<QPushButton*>(v.dlg.Control(2))->text(), QStringLiteral("close"));
    // No default button until a range field is used: Enter neither closes nor redraws.
    auto* review = qobject_cast<QPushButton*>(v.dlg.Control(CGraphDlg::IDC_REVIEW));
    QVERIFY(!review->isDefault());
    QTest::keyClick(&v.dlg, Qt::Key_Return);
    QVERIFY(v.dlg.isVisible());
}

void GraphDlgTest::listRunsInFileOrder()
{
    Viewer v(ThreeLevels(false));
    CGridTable& g = v.dlg.Grid();
    QCOMPARE(g.RowCount(), 3);
    QCOMPARE(g.CellText(0, 0), QStringLiteral("3"));
    QCOMPARE(g.CellText(1, 0), QStringLiteral("2"));
    QCOMPARE(g.CellText(2, 0), QStringLiteral("1"));
    QCOMPARE(g.CellText(0, 1), QStringLiteral("100.0"));
    QCOMPARE(g.CellText(1, 2), QStringLiteral("-----"));
}

void GraphDlgTest::adjustedOnlyWithAdjustedData()
{
    {
        Viewer v(ThreeLevels(false));
        QVERIFY(!v.dlg.Control(CGraphDlg::IDC_ADJUSTED)->isEnabled());
    }
    Viewer v(ThreeLevels(true));
    auto* adjusted = qobject_cast<QCheckBox*>(v.dlg.Control(CGraphDlg::IDC_ADJUSTED));
    QVERIFY(adjusted->isEnabled());
    adjusted->click();
    CGridTable& g = v.dlg.Grid();
    QCOMPARE(g.RowCount(), 3);
    QCOMPARE(g.CellText(0, 1), QStringLiteral("101.0"));
    QCOMPARE(g.CellText(1, 2), QStringLiteral("11.000"));
    QCOMPARE(g.CellText(2, 2), QStringLiteral("-----"));
    QCOMPARE(g.CellText(2, 4), QStringLiteral("-----"));
    QVERIFY(v.dlg.Settings().adjusted);
    // The plot follows: the adjusted temperature of level 2 (11 at 501 dbar) is drawn.
    const PixelRect plot = v.dlg.PlotRect();
    const CAxisMap h(plot.left, plot.right, -5, 35), vert(plot.top, plot.bottom, 0, 2000);
    QCOMPARE(v.Pixel(*h.Map(11) - 1, *vert.Map(501) - 1), kBlue);
}

void GraphDlgTest::frameAndVerticalAxis()
{
    Viewer v(ThreeLevels(false));
    const PixelRect area = v.dlg.AreaRect();
    const PixelRect plot = v.dlg.PlotRect();
    const int cy = QFontMetrics(DialogFont()).height();
    QCOMPARE(plot, PlotRectOf(area, v.dlg.Settings(), DialogFont()));
    QCOMPARE(plot.left, area.left + 60);
    // Below the frame three axes, each of ticks, a row of labels and a row for its title.
    const int axisHeight = 10 + 2 * cy + 2;
    QCOMPARE(plot.bottom, area.bottom - (3 * axisHeight + 4));
    // Frame: all four edges, both corners included.
    for (int x = plot.left; x <= plot.right; x += 7) {
        QCOMPARE(v.Pixel(x, plot.top), kBlack);
    }
    for (int y = plot.top; y <= plot.bottom; y += 7) {
        QCOMPARE(v.Pixel(plot.left, y), kBlack);
        QCOMPARE(v.Pixel(plot.right, y), kBlack);
    }
    QCOMPARE(v.Pixel(plot.right, plot.bottom - 1), kBlack);

    // Ticks and labels on round values, 500 .. 1500; none at the ends, labels there.
    const CAxisMap map(plot.top, plot.bottom, 0, 2000);
    for (int value : {500, 1000, 1500}) {
        const int y = *map.Map(value);
        QCOMPARE(v.Pixel(plot.left + 9, y), kBlack);
        QVERIFY(v.Pixel(plot.left + 10, y) != kBlack);
        QCOMPARE(v.Pixel(plot.right - 9, y), kBlack);
        QVERIFY(v.HasInk(area.left, y - cy / 2, plot.left - 1, y + cy / 2));
    }
    QVERIFY(v.HasInk(area.left, plot.top - cy / 2, plot.left - 1, plot.top + cy / 2));
    QVERIFY(v.HasInk(area.left, plot.bottom - cy / 2, plot.left - 1, plot.bottom + cy / 2 - 1));
    // Nothing between the labels.
    const int gap = (*map.Map(500) + *map.Map(1000)) / 2;
    QVERIFY(!v.HasInk(area.left, gap - 3, plot.left - 1, gap + 3));
    // Three coloured axes below the frame, one after the other.
    QCOMPARE(v.Pixel(plot.left + 5, plot.bottom), kBlue);
    int next = plot.bottom + axisHeight;
    QCOMPARE(v.Pixel(plot.left + 5, next), kRed);
    next += axisHeight;
    QCOMPARE(v.Pixel(plot.left + 5, next), kGreen);
    QCOMPARE(v.Pixel(plot.left, next + 9), kGreen);
}

void GraphDlgTest::curvesAtMappedPoints()
{
    Viewer v(ThreeLevels(false));
    const PixelRect plot = v.dlg.PlotRect();
    const CAxisMap vert(plot.top, plot.bottom, 0, 2000);
    const CAxisMap temp(plot.left, plot.right, -5, 35);
    const CAxisMap sal(plot.left, plot.right, 30, 38);
    const int y = *vert.Map(1000);
    const int x = *temp.Map(10);
    // The hollow 3 x 3 marker around the point, in the curve's colour.
    QCOMPARE(v.Pixel(x - 1, y - 1), kBlue);
    QCOMPARE(v.Pixel(x + 1, y + 1), kBlue);
    QCOMPARE(v.Pixel(x - 1, y + 1), kBlue);
    const int xs = *sal.Map(36);
    QCOMPARE(v.Pixel(xs + 1, y - 1), kRed);
    QCOMPARE(v.Pixel(xs - 1, y), kRed);
    // The density curve is green wherever it has a point.
    const CLevelRecord& deep = v.levels[0];
    QCOMPARE(deep.no, 1);
    const CAxisMap dens(plot.left, plot.right, 20, 28);
    QCOMPARE(v.Pixel(*dens.Map(deep.sigma) - 1, y - 1), kGreen);
}

void GraphDlgTest::missingLevelIsJoinedOver()
{
    Viewer v(ThreeLevels(false));
    const PixelRect plot = v.dlg.PlotRect();
    const CAxisMap vert(plot.top, plot.bottom, 0, 2000);
    const CAxisMap temp(plot.left, plot.right, -5, 35);
    const CAxisMap sal(plot.left, plot.right, 30, 38);
    // The temperature line runs straight from 10 at 1000 dbar to 20 at 100 dbar.
    const int ym = *vert.Map(500);
    const double t = 10 + (20 - 10) * (1000.0 - 500.0) / 900.0;
    const int xm = *temp.Map(t);
    QVERIFY(v.HasInk(xm - 2, ym - 2, xm + 2, ym + 2, kBlue));
    // No marker of its own there, but the salinity curve has one.
    const int xs = *sal.Map(34);
    QCOMPARE(v.Pixel(xs - 1, ym - 1), kRed);
    QCOMPARE(v.Pixel(xs + 1, ym + 1), kRed);
}

void GraphDlgTest::noHorizontalCurvesLeavesFrameAndAxis()
{
    Viewer v(ThreeLevels(false));
    for (int id : {1023, 1024, 1025})
        qobject_cast<QCheckBox*>(v.dlg.Control(id))->click();
    const PixelRect plot = v.dlg.PlotRect();
    for (QRgb c : {kBlue, kRed, kGreen})
        QVERIFY(!v.HasInk(v.dlg.AreaRect().left, v.dlg.AreaRect().top, v.dlg.AreaRect().right - 1,
                          v.dlg.AreaRect().bottom - 1, c));
    QCOMPARE(v.Pixel(plot.left, plot.top), kBlack);
    QCOMPARE(v.Pixel(plot.left + 9, *CAxisMap(plot.top, plot.bottom, 0, 2000).Map(1000)), kBlack);
}

void GraphDlgTest::cursorLineDrawnAndRestored()
{
    Viewer v(BW_TEST_DATA_DIR "/D5900446_001.nc");
    const PixelRect plot = v.dlg.PlotRect();
    const QImage before = v.dlg.Surface().copy();
    const CAxisMap vert(plot.top, plot.bottom, 0, 2000);
    // Level 1 is the deepest, 1806 dbar.
    const int y1806 = *vert.Map(1806);
    v.dlg.OnMouseMoveAt(plot.left + 100, y1806);
    QCOMPARE(v.dlg.CursorLevel(), 1);
    const int line = v.dlg.SavedRow();
    QVERIFY(std::abs(line - y1806) <= 1);
    for (int x = plot.left; x < plot.right; ++x)
        QCOMPARE(v.Pixel(x, line), kBlack);
    // The list shows that level selected and framed.
    QVERIFY(v.dlg.Grid().IsSelected(55));
    QCOMPARE(v.dlg.Grid().FocusRow(), 55);
    QCOMPARE(v.dlg.Grid().FirstRow(), 50);

    // Moving within the same level changes nothing.
    v.dlg.OnMouseMoveAt(plot.left + 120, y1806 + 1);
    QCOMPARE(v.dlg.SavedRow(), line);

    // Another level: the old row gets exactly its previous pixels back.
    v.dlg.OnMouseMoveAt(plot.left + 100, *vert.Map(1000));
    QVERIFY(v.dlg.CursorLevel() != 1);
    for (int x = plot.left; x <= plot.right; ++x)
        QCOMPARE(v.Pixel(x, line), before.pixel(x, line));

    // Leaving the plot keeps the line; coming back on the same level draws it again.
    const int second = v.dlg.SavedRow();
    v.dlg.OnMouseMoveAt(plot.right + 5, second);
    QCOMPARE(v.dlg.CursorLevel(), -1);
    QCOMPARE(v.Pixel(plot.left + 3, second), kBlack);
    v.dlg.OnMouseMoveAt(plot.left + 50, second);
    QCOMPARE(v.dlg.SavedRow(), second);
    QCOMPARE(v.Pixel(plot.left + 3, second), kBlack);

    // A redraw wipes the line and forgets the saved row.
    v.Review();
    QCOMPARE(v.dlg.SavedRow(), -1);
    QCOMPARE(v.Pixel(plot.left + 3, second), before.pixel(plot.left + 3, second));
}

void GraphDlgTest::cursorFollowsListAndReversedAxis()
{
    Viewer v(ThreeLevels(false));
    const PixelRect plot = v.dlg.PlotRect();
    // Through the dialog's own mouse events, with mouse tracking.
    QMouseEvent move(QEvent::MouseMove, QPointF(plot.left + 30, plot.top + 2), QPointF(plot.left + 30, plot.top + 2),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&v.dlg, &move);
    QCOMPARE(v.dlg.CursorLevel(), 3); // 100 dbar, the first level of the file
    QVERIFY(v.dlg.Grid().IsSelected(0));

    // A reversed range still finds levels: 2000 at the top, 0 at the bottom.
    v.SetRange(0, QStringLiteral("2000"));
    v.SetRange(1, QStringLiteral("0"));
    v.Review();
    QCOMPARE(v.dlg.Settings().VerticalMin(), 2000.0);
    const CAxisMap vert(plot.top, plot.bottom, 2000, 0);
    v.dlg.OnMouseMoveAt(plot.left + 30, *vert.Map(1000));
    QCOMPARE(v.dlg.CursorLevel(), 1);
    QVERIFY(v.dlg.Grid().IsSelected(2));
    QVERIFY(std::abs(v.dlg.SavedRow() - *vert.Map(1000)) <= 1);
}

void GraphDlgTest::typedRangesAndReview()
{
    Viewer v(ThreeLevels(false));
    v.SetRange(0, QStringLiteral("letters"));
    v.SetRange(1, QStringLiteral(" 1500abc"));
    v.Review();
    QCOMPARE(v.dlg.Settings().range[0], 0.0);
    QCOMPARE(v.dlg.Settings().range[1], 1500.0);

    // Typing makes "Review" the default button: Enter in the field redraws.
    QComboBox* combo = v.dlg.RangeCombo(0);
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), QStringLiteral("500"));
    QVERIFY(qobject_cast<QPushButton*>(v.dlg.Control(CGraphDlg::IDC_REVIEW))->isDefault());
    QCOMPARE(v.dlg.Settings().range[0], 0.0);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCOMPARE(v.dlg.Settings().range[0], 500.0);
    QCOMPARE(combo->count(), 9); // nothing was added to the list
    QVERIFY(v.dlg.isVisible());
}

void GraphDlgTest::dropDownSelectionRedrawsLater()
{
    Viewer v(ThreeLevels(false));
    QComboBox* combo = v.dlg.RangeCombo(1);
    combo->setCurrentIndex(4); // "1000", set by code: no redraw
    QCOMPARE(v.dlg.Settings().range[1], 2000.0);
    emit combo->activated(4); // as the user's choice reports it
    QCOMPARE(v.dlg.Settings().range[1], 2000.0);
    QTRY_COMPARE(v.dlg.Settings().range[1], 1000.0);
    const PixelRect plot = v.dlg.PlotRect();
    const CAxisMap vert(plot.top, plot.bottom, 0, 1000);
    QCOMPARE(v.Pixel(plot.left + 9, *vert.Map(200)), kBlack);
}

void GraphDlgTest::degenerateRangesDoNotHang()
{
    // A fill value far outside every range, next to ordinary levels.
    ProfileColumns p;
    p.pres = {100, 200, 300};
    p.temp = {10, 9.96921e36f, 12};
    p.psal = {35, 35, 35};
    const std::string path = WriteProfile(SharedTempDir().file("fill.nc"), p);
    Viewer v(path);
    const PixelRect plot = v.dlg.PlotRect();
    const PixelRect area = v.dlg.AreaRect();
    // Equal ends: end labels, but no ticks and no points.
    v.SetRange(0, QStringLiteral("200"));
    v.SetRange(1, QStringLiteral("200"));
    v.Review();
    QVERIFY(!v.HasInk(plot.left + 1, plot.top + 1, plot.right - 1, plot.bottom - 1));
    QVERIFY(v.HasInk(area.left, plot.top - 5, plot.left - 1, plot.top + 5));
    v.dlg.OnMouseMoveAt(plot.left + 20, plot.top + 20);

    for (const auto& [lo, hi] : {std::pair{"1e20", "100000000000010000000"},
                                 {"-inf", "inf"},
                                 {"nan", "5"},
                                 {"-1e308", "1e308"},
                                 {"1e-300", "2e-300"}}) {
        for (int i : {0, 6, 8, 10}) {
            v.SetRange(i, QString::fromLatin1(lo));
            v.SetRange(i + 1, QString::fromLatin1(hi));
        }
        v.Review();
        v.dlg.OnMouseMoveAt(plot.left + 20, plot.top + 30);
        QCOMPARE(v.Pixel(plot.left, plot.top), kBlack);
    }
}

void GraphDlgTest::setUpRunsOnlyOnce()
{
    Viewer v(ThreeLevels(false));
    v.SetRange(0, QStringLiteral("100"));
    v.Review();
    v.dlg.hide();
    v.dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v.dlg));
    QCOMPARE(v.dlg.Grid().ColumnCount(), 7);
    QCOMPARE(v.dlg.Grid().RowCount(), 3);
    QCOMPARE(v.dlg.Settings().range[0], 100.0);
}

void GraphDlgTest::unreadableFileShowsMessage()
{
    QString text, caption;
    MbIcon icon = MbIcon::Information;
    int calls = 0;
    SetMessageBoxHook([&](const QString& t, const QString& c, MbIcon i) {
        text = t;
        caption = c;
        icon = i;
        ++calls;
        return 0;
    });
    const QString path = QString::fromStdString(SharedTempDir().file("missing.nc"));
    RunGraphView(nullptr, LocalReader(), path);
    SetMessageBoxHook({});
    QCOMPARE(calls, 1);
    QCOMPARE(caption, QStringLiteral("File reading error"));
    QCOMPARE(icon, MbIcon::Stop);
    QVERIFY(text.contains(path));
    QVERIFY(text.contains(QStringLiteral("No such file")));
}

void GraphDlgTest::numbersIgnoreCommaLocale()
{
    CommaLocale comma;
    if (!comma.active())
        QSKIP("no decimal-comma locale available");
    {
        Viewer v(ThreeLevels(false));
        QCOMPARE(v.dlg.RangeCombo(1)->currentText(), QStringLiteral("2000.0"));
        QCOMPARE(v.dlg.Grid().CellText(0, 1), QStringLiteral("100.0"));
        v.SetRange(8, QStringLiteral("33.5"));
        v.SetRange(9, QStringLiteral("36,5")); // a comma ends the number: 36
        v.Review();
        QCOMPARE(v.dlg.Settings().range[8], 33.5);
        QCOMPARE(v.dlg.Settings().range[9], 36.0);
    }
}

QTEST_MAIN(GraphDlgTest)
#include "test_graph_dlg.moc"

// R2901746_001.nc: the level at 180 dbar is flagged 3 in TEMP and PSAL; its adjusted
// TEMP and PSAL are all fill, so ADJUSTED is not offered.
void GraphDlgTest::qualityFlagsMarkedAndLeftOut()
{
    const std::string path = BW_TEST_DATA_DIR "/R2901746_001.nc";
    std::vector<ProfileFlags> flags;
    const std::size_t first[] = {0};
    QVERIFY(LoadProfileFlags(path, {1, 50}, first, flags).ok);
    CLevelArray levels;
    QVERIFY(LoadLevelArray(path, levels).ok);
    CGraphDlg dlg;
    dlg.m_pLevels = &levels;
    dlg.m_pFlags = &flags[0];
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto check = [&](int id) { return qobject_cast<QCheckBox*>(dlg.Control(id)); };
    QVERIFY(!check(CGraphDlg::IDC_ADJUSTED)->isEnabled());
    QVERIFY(!check(CGraphDlg::IDC_ADJUSTED)->toolTip().isEmpty());
    QVERIFY(!check(CGraphDlg::IDC_GOOD_ONLY)->isChecked());
    QVERIFY(!check(CGraphDlg::IDC_BEST)->isChecked());
    CGridTable& g = dlg.Grid();
    QCOMPARE(g.RowCount(), 50);
    const struct {
        int row;
        const char* no;
        const char* sal;
        const char* qc;
    } rows[] = {{0, "50", "34.0960", "111"}, {16, "34", "0.0000", "133"}, {17, "33", "34.2370", "111"}};
    for (const auto& r : rows) {
        QCOMPARE(g.CellText(r.row, 0), QString::fromLatin1(r.no));
        QCOMPARE(g.CellText(r.row, 3), QString::fromLatin1(r.sal));
        QCOMPARE(g.CellText(r.row, 6), QString::fromLatin1(r.qc));
    }
    QCOMPARE(g.CellText(0, 5), QStringLiteral("25.1955")); // sigma-theta beside sigma-t
    // The flagged temperature (0.007 at 180 dbar) carries the mark of a bad value.
    const PixelRect plot = dlg.PlotRect();
    const GraphSettings s = dlg.Settings();
    const int x =
        *CAxisMap(plot.left, plot.right, s.CurveMin(CurveQuantity::Temperature), s.CurveMax(CurveQuantity::Temperature))
             .Map(0.007);
    const int y = *CAxisMap(plot.top, plot.bottom, s.VerticalMin(), s.VerticalMax()).Map(180.0);
    auto marked = [&] {
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx)
                if (dlg.Surface().pixel(x + dx, y + dy) == kBadFlagColor)
                    return true;
        return false;
    };
    QVERIFY(marked());

    check(CGraphDlg::IDC_GOOD_ONLY)->click();
    QCOMPARE(g.RowCount(), 49);
    QCOMPARE(g.CellText(16, 0), QStringLiteral("33"));
    QVERIFY(dlg.Settings().goodOnly);
    QVERIFY(!marked());
    // Best available of a real-time profile: the raw values.
    check(CGraphDlg::IDC_BEST)->click();
    QVERIFY(!dlg.Settings().adjusted);
    QCOMPARE(g.CellText(0, 1), QStringLiteral("20.5"));
}

// "Fit" sets the ranges from the data; the T-S diagram puts warm water at the top with
// the cursor still following; "Save Image..." writes PNG and SVG at a chosen size.
void GraphDlgTest::fitTsDiagramAndSaveImage()
{
    Viewer v(BW_TEST_DATA_DIR "/R2901746_001.nc");
    qobject_cast<QPushButton*>(v.dlg.Control(CGraphDlg::IDC_FIT))->click();
    GraphSettings s = v.dlg.Settings();
    QVERIFY(s.range[1] >= 800.4 && s.range[1] <= 1000.0);
    QVERIFY(s.range[0] <= 20.5 && s.range[0] >= 0.0);
    QCOMPARE(v.dlg.RangeCombo(1)->currentText(), QString::fromStdString(FormatRangeValue(s.range[1])));

    auto check = [&](int id) { return qobject_cast<QCheckBox*>(v.dlg.Control(id)); };
    check(CGraphDlg::IDC_SIGMA_THETA)->click();
    QVERIFY(v.dlg.Settings().sigmaTheta);
    check(CGraphDlg::IDC_TS_DIAGRAM)->click();
    s = v.dlg.Settings();
    QVERIFY(s.tsDiagram);
    const PixelRect plot = v.dlg.PlotRect();
    // Near the top of the plot: the warmest level, the first in the file (row 0).
    v.dlg.OnMouseMoveAt(plot.left + 20, plot.top + 1);
    QCOMPARE(v.dlg.CursorLevel(), 50);
    v.dlg.OnMouseMoveAt(plot.left + 20, plot.bottom - 1);
    QVERIFY(v.dlg.CursorLevel() != 50 && v.dlg.CursorLevel() > 0);

    TempDir dir;
    const QString png = QString::fromStdString(dir.file("g.png"));
    QVERIFY(v.dlg.SaveImage(png, QSize(400, 300)));
    QImage image;
    QVERIFY(image.load(png));
    QCOMPARE(image.size(), QSize(400, 300));
    const QString svg = QString::fromStdString(dir.file("g.svg"));
    QVERIFY(v.dlg.SaveImage(svg, QSize(400, 300)));
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().contains("<svg"));
    QString error;
    QVERIFY(!v.dlg.SaveImage(QString::fromStdString(dir.file("no/such/dir.png")), QSize(400, 300), &error));
    QVERIFY(!error.isEmpty());
    // Never over the file the graph was read from, also through a link to it.
    const std::string input = dir.file("input.nc"), link = dir.file("link.png");
    std::filesystem::copy_file(BW_TEST_DATA_DIR "/R2901746_001.nc", input);
    std::filesystem::create_symlink(input, link);
    v.dlg.m_inputPath = input;
    QVERIFY(!v.dlg.SaveImage(QString::fromStdString(link), QSize(400, 300), &error));
    QVERIFY(error.contains(QString::fromStdString(link)) && error.contains(QString::fromStdString(input)));
    QVERIFY(std::filesystem::is_symlink(link));
    QCOMPARE(std::filesystem::file_size(input), std::filesystem::file_size(BW_TEST_DATA_DIR "/R2901746_001.nc"));
}

// The viewer can be resized: the plot grows both ways, the list in height, the controls
// keep to the right and bottom edges, and the plot is drawn again at its new size.
void GraphDlgTest::resizingGrowsPlotAndList()
{
    Viewer v(ThreeLevels(false));
    const QSize opened = v.dlg.size();
    const PixelRect plot = v.dlg.PlotRect();
    const PixelRect list = v.dlg.ControlRect(CGraphDlg::IDC_LIST_AREA);
    const PixelRect close = v.dlg.ControlRect(2);
    QVERIFY(v.dlg.minimumSize().width() < opened.width());
    v.dlg.resize(opened + QSize(200, 100));
    QTRY_COMPARE(v.dlg.Surface().size(), opened + QSize(200, 100));
    const PixelRect grown = v.dlg.PlotRect();
    QCOMPARE(grown.Width(), plot.Width() + 200);
    QCOMPARE(grown.Height(), plot.Height() + 100);
    QCOMPARE(v.dlg.ControlRect(CGraphDlg::IDC_LIST_AREA).Height(), list.Height() + 100);
    QCOMPARE(v.dlg.ControlRect(CGraphDlg::IDC_LIST_AREA).left, list.left + 200);
    QCOMPARE(v.dlg.ControlRect(2).top, close.top + 100);
    QCOMPARE(v.Pixel(grown.right, grown.bottom - 1), kBlack); // the frame at its new corner
    QCOMPARE(v.dlg.Grid().Area().left, list.left + 200 + 2);

    // A viewer the program opens keeps within the screen's available area.
    CLevelArray levels;
    CGraphDlg opened2;
    opened2.m_pLevels = &levels;
    opened2.SetOpenWithinScreen(true);
    opened2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&opened2));
    const QSize room = opened2.screen()->availableGeometry().size();
    QVERIFY(opened2.width() <= std::max(room.width(), opened2.minimumWidth()));
    QVERIFY(opened2.height() <= std::max(room.height(), opened2.minimumHeight()));
    QCOMPARE(opened2.Surface().size(), opened2.size());
}

// Every level parameter of STATION_PARAMETERS beside PRES, TEMP and PSAL is offered in
// the Parameters menu; each chosen one is drawn with its own axis below the plot (at
// most four), for every chosen profile, in the window and in the saved image.
void GraphDlgTest::parameterCurvesOfEveryLevelParameter()
{
    const std::string path = SharedTempDir().file("bgc.nc");
    const std::vector<std::string> lv{"N_PROF", "N_LEVELS"};
    const std::string names = "PRES    TEMP    PSAL    DOXY    CHLA    BBP700  NITRATE CDOM    NOVAR   ";
    auto level = [&](const char* name, std::vector<double> values) {
        return FixtureVar{name, NC_FLOAT, lv, std::move(values), {}, {}, 99999.0};
    };
    QVERIFY(MakeNcFile(
        path, {{"N_PROF", 2}, {"N_LEVELS", 4}, {"N_PARAM", 9}, {"STRING8", 8}},
        {FixtureVar{"STATION_PARAMETERS", NC_CHAR, {"N_PROF", "N_PARAM", "STRING8"}, {}, names + names},
         level("PRES", {100, 500, 900, 1300, 100, 500, 900, 1300}), level("TEMP", {20, 10, 6, 4, 21, 11, 7, 5}),
         level("PSAL", {35, 34.8, 34.7, 34.6, 35, 35, 35, 35}), level("DOXY", {200, 220, 240, 260, 300, 320, 330, 340}),
         level("CHLA", {0.1, 0.5, 99999, 0.05, 0.2, 0.4, 0.3, 0.1}), level("BBP700", {1, 2, 3, 4, 2, 3, 4, 5}),
         level("NITRATE", {5, 10, 20, 30, 6, 11, 21, 31}), level("CDOM", {1, 1.5, 2, 2.5, 1, 1, 1, 1})}));
    const ProfileExtent extent = ReadProfileToolsInfo(path).extent;
    CGraphDlg dlg;
    QVERIFY(dlg.SetProfiles(ReadProfileSummaries(path).profiles,
                            [&](std::span<const std::size_t> p, std::vector<CLevelArray>& out, QString*) {
                                return LoadProfileLevels(path, extent, p, out).ok;
                            }));
    dlg.SetParameterLoader(ParameterLoaderOf(LocalReader(), path, extent));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.OfferedParameters(), (std::vector<std::string>{"DOXY", "CHLA", "BBP700", "NITRATE", "CDOM"}));
    auto* button = qobject_cast<QToolButton*>(dlg.Control(CGraphDlg::IDC_PARAMETERS));
    QVERIFY(button && button->isEnabled());
    auto action = [&](int k) { return button->menu()->actions().at(k); };
    QCOMPARE(button->menu()->actions().size(), 5);
    QCOMPARE(action(3)->text(), QStringLiteral("NITRATE"));

    // Pixels of a colour inside the plot frame.
    auto inPlot = [&](QRgb colour) {
        const PixelRect r = dlg.PlotRect();
        int n = 0;
        for (int y = r.top; y <= r.bottom; ++y)
            for (int x = r.left; x <= r.right; ++x)
                n += dlg.Surface().valid(x, y) && (dlg.Surface().pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu);
        return n;
    };
    const PixelRect alone = dlg.PlotRect();
    QCOMPARE(inPlot(ParameterCurveColor(0)), 0);
    action(0)->trigger();
    QCOMPARE(dlg.ChosenParameters(), std::vector<std::string>{"DOXY"});
    QCOMPARE(button->text(), QStringLiteral("Parameters (1)"));
    QVERIFY(dlg.PlotRect().bottom < alone.bottom); // its axis row below the plot
    QVERIFY(inPlot(ParameterCurveColor(0)) > 30);
    const QRgb shade = OverlayShade(ParameterCurveColor(0), 0, 1);
    QCOMPARE(inPlot(shade), 0);

    // Two profiles: the second one's curve in the lighter shade, on the same axis.
    dlg.Chooser()->Choose({0, 1});
    QCOMPARE(dlg.ParameterCurves().size(), std::size_t{1});
    QCOMPARE(dlg.ParameterCurves()[0].overlay.size(), std::size_t{1});
    QVERIFY(inPlot(ParameterCurveColor(0)) > 30);
    QVERIFY(inPlot(shade) > 30);

    // At most four: the fifth is refused and its entry greyed; names not offered too.
    for (int k = 1; k < 4; ++k)
        action(k)->trigger();
    QCOMPARE(dlg.ChosenParameters(), (std::vector<std::string>{"DOXY", "CHLA", "BBP700", "NITRATE"}));
    QVERIFY(!action(4)->isEnabled());
    QVERIFY(!dlg.ChooseParameter("CDOM", true));
    QVERIFY(!dlg.ChooseParameter("NOVAR", true));
    QVERIFY(!dlg.ChooseParameter("TEMP", true));
    for (std::size_t k = 0; k < 4; ++k)
        QVERIFY2(inPlot(ParameterCurveColor(k)) > 10, qPrintable(QString::number(k)));
    const QString image = QString::fromStdString(SharedTempDir().file("bgc-graph.png"));
    QVERIFY(dlg.SaveImage(image, QSize(700, 900)));
    QImage saved(image);
    int lastColour = 0;
    for (int y = 0; y < saved.height(); ++y)
        for (int x = 0; x < saved.width(); ++x)
            lastColour += (saved.pixel(x, y) & 0xFFFFFFu) == (ParameterCurveColor(3) & 0xFFFFFFu);
    QVERIFY(lastColour > 30);

    // Unchosen again: the plot as it was.
    action(2)->trigger();
    QCOMPARE(dlg.ChosenParameters(), (std::vector<std::string>{"DOXY", "CHLA", "NITRATE"}));
    QVERIFY(action(4)->isEnabled());
    for (int k : {0, 1, 3})
        action(k)->trigger();
    QVERIFY(dlg.ChosenParameters().empty());
    QCOMPARE(dlg.PlotRect().bottom, alone.bottom);
    QCOMPARE(inPlot(ParameterCurveColor(0)), 0);

    // A core file has none to offer.
    Viewer core(BW_TEST_DATA_DIR "/D5900446_001.nc");
    core.dlg.SetParameterLoader(ParameterLoaderOf(LocalReader(), BW_TEST_DATA_DIR "/D5900446_001.nc",
                                                  ReadProfileToolsInfo(BW_TEST_DATA_DIR "/D5900446_001.nc").extent));
    QVERIFY(core.dlg.OfferedParameters().empty());
    QVERIFY(!core.dlg.Control(CGraphDlg::IDC_PARAMETERS)->isEnabled());
}
