// The grid table on a dialog surface: geometry, text fitting, column resizing, row
// selection, scroll ranges; and the profile viewer built on it.
#include <QFontMetrics>
#include <QFrame>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "display/GridTable.h"
#include "display/ProfileDlg.h"
#include "uikit/ScrollBarInfo.h"
#include "uikit/SurfaceDialog.h"

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kCyan = 0xFF00FFFFu;
constexpr QRgb kBlack = 0xFF000000u;

// A dialog holding one drawing area (id 100) with its two bars (101, 102), sized in
// pixels so that the area has exactly `slotCount` row slots of 18 pixels.
class GridHost : public CSurfaceDialog {
public:
    explicit GridHost(int slotCount) : CSurfaceDialog(nullptr, QStringLiteral("grid"), 300, 250)
    {
        const int areaHeight = 18 * (slotCount + 1) + 5;
        AddFrame(100, 0, 0, 10, 10, false)->setGeometry(10, 10, 404, areaHeight + 4);
        vbar = Place(new QScrollBar(Qt::Vertical, this), 101, 0, 0, 5, 5);
        vbar->setGeometry(414, 10, 16, areaHeight + 4);
        hbar = Place(new QScrollBar(Qt::Horizontal, this), 102, 0, 0, 5, 5);
        hbar->setGeometry(10, areaHeight + 14, 404, 16);
        grid.Attach(this, 100, 101, 102);
        grid.LoadCursors();
    }
    void Fill(int rows)
    {
        grid.AddColumn(QStringLiteral("No."), 60);
        grid.AddColumn(QStringLiteral("Name"), 100);
        for (int i = 0; i < rows; ++i) {
            grid.AddRow(false, kWhite);
            grid.AddCell(QString::number(i), kWhite);
            grid.AddCell(QStringLiteral("row"), kWhite);
            grid.EndRow();
        }
        grid.RedrawAll();
    }
    QRgb Pixel(int x, int y) const { return Surface().pixel(x, y); }
    // y of the middle of row i (as shown with firstRow 0).
    int RowMid(int i) const { return grid.Area().top + grid.RowHeight() * (i + 1) + 9; }

    CGridTable grid;
    QScrollBar* vbar = nullptr;
    QScrollBar* hbar = nullptr;
};

} // namespace

class GridTableTest : public QObject {
    Q_OBJECT
private slots:
    void rowHeightAndArea();
    void textFitsOnlyBelowWidthMinusFour();
    void truncationKeepsWholeCharacters();
    void verticalRangesFollowRowCount();
    void verticalScrollStopsAtLastRow();
    void clickSelectsOnlyOnSameRow();
    void headerPressOnEmptyBandClearsSelection();
    void resizeKeepsTenPixelMinimum();
    void titlePressPopsUpWhenLeft();
    void columnsWithoutRowsShowWhiteBody();
    void horizontalScrollMovesContent();
    void profileViewerShowsRealFile();
    void profileViewerEmptyForUnreadableFile();
};

void GridTableTest::rowHeightAndArea()
{
    GridHost host(15);
    host.Fill(3);
    QCOMPARE(host.grid.RowHeight(), 18);
    QCOMPARE(QFontMetrics(GridFont()).height(), 14);
    QCOMPARE(host.grid.Area(), (PixelRect{12, 12, 412, 12 + 18 * 16 + 5}));
    QCOMPARE(host.grid.PageRows(), 15);
    // Grid lines: below the header band and at the right edge of each column.
    const int y = host.grid.Area().top + 18;
    QCOMPARE(host.Pixel(200, y), kBlack);
    QCOMPARE(host.Pixel(12 + 60 - 1, y + 5), kBlack);
    QCOMPARE(host.Pixel(12 + 160 - 1, y + 5), kBlack);
    QCOMPARE(host.Pixel(300, y + 5), kWhite);
}

void GridTableTest::textFitsOnlyBelowWidthMinusFour()
{
    QFontMetrics fm(GridFont());
    const QString text = QStringLiteral("PSAL_ADJUSTED");
    const int cx = fm.horizontalAdvance(text);
    FittedCellText fit = FitCellText(fm, text, cx + 5);
    QVERIFY(fit.centred);
    QCOMPARE(fit.text, text);
    fit = FitCellText(fm, text, cx + 4); // extent exactly width - 4
    QVERIFY(!fit.centred);
    QVERIFY(fit.text.endsWith(QStringLiteral("..")));
    QVERIFY(fm.horizontalAdvance(fit.text) < cx);
    QVERIFY(text.startsWith(fit.text.chopped(2)));
    // When not even ".." fits, nothing is drawn.
    QCOMPARE(FitCellText(fm, text, 4).text, QString());
}

void GridTableTest::truncationKeepsWholeCharacters()
{
    QFontMetrics fm(GridFont());
    const QString text = QStringLiteral("T\u00e9mp\u00e9rature \U0001D70F\U0001D70F\U0001D70F");
    for (int width = 5; width < fm.horizontalAdvance(text) + 5; ++width) {
        const FittedCellText fit = FitCellText(fm, text, width);
        if (fit.text.isEmpty() || fit.centred)
            continue;
        const QString kept = fit.text.chopped(2);
        QVERIFY(text.startsWith(kept));
        QVERIFY2(kept.isEmpty() || !kept.back().isHighSurrogate(), "split a character");
    }
}

void GridTableTest::verticalRangesFollowRowCount()
{
    GridHost few(15);
    few.Fill(6);
    WinScrollInfo info = GetScrollInfo(few.vbar);
    QCOMPARE(info.nMin, 0);
    QCOMPARE(info.nMax, 14);
    QCOMPARE(info.nPage, 15);

    GridHost many(15);
    many.Fill(40);
    info = GetScrollInfo(many.vbar);
    QCOMPARE(info.nMax, 40);
    QCOMPARE(info.nPage, 15);
    QCOMPARE(many.vbar->maximum(), 26); // Windows: nMax - nPage + 1
}

void GridTableTest::verticalScrollStopsAtLastRow()
{
    GridHost host(15);
    host.Fill(40);
    CGridTable& g = host.grid;
    g.OnVScroll(SB_PAGEDOWN, 0, host.vbar);
    QCOMPARE(g.FirstRow(), 5);
    QCOMPARE(GetScrollPos(host.vbar), 5);
    g.OnVScroll(SB_LINEUP, 0, host.vbar);
    QCOMPARE(g.FirstRow(), 4);
    g.OnVScroll(SB_THUMBTRACK, 26, host.vbar);
    QCOMPARE(g.FirstRow(), 25); // the last row sits in the bottom slot
    g.OnVScroll(SB_LINEDOWN, 0, host.vbar);
    QCOMPARE(g.FirstRow(), 25);
    g.OnVScroll(SB_PAGEUP, 0, host.vbar);
    g.OnVScroll(SB_THUMBPOSITION, -7, host.vbar);
    QCOMPARE(g.FirstRow(), 0);
    QCOMPARE(GetScrollPos(host.vbar), 0);
    // Messages from another bar are ignored.
    g.OnVScroll(SB_PAGEDOWN, 0, host.hbar);
    QCOMPARE(g.FirstRow(), 0);
    // A user's page click moves five rows, not Qt's page.
    host.vbar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(g.FirstRow(), 0); // the host does not forward: nothing moves
    g.ScrollToRow(12);
    QCOMPARE(g.FirstRow(), 12);
    QCOMPARE(GetScrollPos(host.vbar), 12);
    // The wheel scrolls three rows a notch over the table, nothing elsewhere.
    g.OnMouseWheel(100, host.RowMid(3), -1);
    QCOMPARE(g.FirstRow(), 15);
    g.OnMouseWheel(100, host.RowMid(3), 2);
    QCOMPARE(g.FirstRow(), 9);
    g.OnMouseWheel(g.Area().right + 5, host.RowMid(3), 1);
    QCOMPARE(g.FirstRow(), 9);
}

void GridTableTest::clickSelectsOnlyOnSameRow()
{
    GridHost host(15);
    host.Fill(6);
    CGridTable& g = host.grid;
    g.OnLButtonDown(100, host.RowMid(2));
    g.OnLButtonUp(100, host.RowMid(2));
    QVERIFY(g.IsSelected(2));
    QCOMPARE(g.FocusRow(), 2);
    QCOMPARE(host.Pixel(300, host.RowMid(2)), kCyan);
    // The focus frame: two black lines at the top of the row.
    const int top = g.Area().top + 18 * 3;
    QCOMPARE(host.Pixel(300, top + 1), kBlack);
    QCOMPARE(host.Pixel(300, top + 2), kCyan);

    // Press on one row, release on another: nothing changes.
    g.OnLButtonDown(100, host.RowMid(3));
    g.OnLButtonUp(100, host.RowMid(4));
    QVERIFY(g.IsSelected(2));
    QVERIFY(!g.IsSelected(3) && !g.IsSelected(4));
    QCOMPARE(g.FocusRow(), 2);

    // Clicking the selected row again keeps it.
    g.OnLButtonDown(100, host.RowMid(2));
    g.OnLButtonUp(100, host.RowMid(2));
    QVERIFY(g.IsSelected(2));

    // Another row takes over: one selected row at a time.
    g.OnLButtonDown(100, host.RowMid(5));
    g.OnLButtonUp(100, host.RowMid(5));
    QVERIFY(g.IsSelected(5));
    QVERIFY(!g.IsSelected(2));
    QCOMPARE(host.Pixel(300, host.RowMid(2)), kWhite);

    // Below the last row nothing is selected.
    g.OnLButtonDown(100, host.RowMid(9));
    g.OnLButtonUp(100, host.RowMid(9));
    QVERIFY(g.IsSelected(5));
}

void GridTableTest::headerPressOnEmptyBandClearsSelection()
{
    GridHost host(15);
    host.Fill(6);
    CGridTable& g = host.grid;
    g.OnLButtonDown(100, host.RowMid(1));
    g.OnLButtonUp(100, host.RowMid(1));
    QCOMPARE(g.FocusRow(), 1);
    const int headerY = g.Area().top + 9;
    g.OnLButtonDown(350, headerY); // right of the last column
    g.OnLButtonUp(350, headerY);
    QCOMPARE(g.FocusRow(), -1);
    QVERIFY(!g.IsSelected(1));
    QCOMPARE(host.Pixel(300, host.RowMid(1)), kWhite);
}

void GridTableTest::resizeKeepsTenPixelMinimum()
{
    GridHost host(15);
    host.Fill(3);
    CGridTable& g = host.grid;
    const int border = g.Area().left + 60; // right edge of "No."
    const int y = g.Area().top + 9;
    g.OnLButtonDown(border + 1, y);
    QVERIFY(g.IsResizing());
    QCOMPARE(host.cursor().shape(), Qt::SizeHorCursor);
    g.OnMouseMove(border + 40, y);
    QCOMPARE(g.ColumnWidth(0), 100);
    g.OnMouseMove(g.Area().left + 5, y);
    QCOMPARE(g.ColumnWidth(0), 10);
    g.OnLButtonUp(g.Area().left - 30, y);
    QCOMPARE(g.ColumnWidth(0), 10);
    QVERIFY(!g.IsResizing());
    QCOMPARE(host.cursor().shape(), Qt::ArrowCursor);
    // The body was redrawn with the narrow column: its line is at left + 9.
    QCOMPARE(host.Pixel(g.Area().left + 9, host.RowMid(0)), kBlack);
    QCOMPARE(g.ColumnWidth(1), 100);
}

void GridTableTest::titlePressPopsUpWhenLeft()
{
    GridHost host(15);
    host.Fill(3);
    CGridTable& g = host.grid;
    const int y = g.Area().top + 9;
    const int x = g.Area().left + 100;
    const QRgb raisedTopLeft = host.Pixel(g.Area().left + 61, g.Area().top + 1);
    g.OnLButtonDown(x, y);
    QVERIFY(g.IsHeaderPressed());
    QVERIFY(host.Pixel(g.Area().left + 61, g.Area().top + 1) != raisedTopLeft);
    g.OnMouseMove(x, y + 40); // leaves the title
    QVERIFY(!g.IsHeaderPressed());
    QCOMPARE(host.Pixel(g.Area().left + 61, g.Area().top + 1), raisedTopLeft);
    g.OnLButtonUp(x, y + 40);
    QCOMPARE(g.FocusRow(), -1);
}

void GridTableTest::columnsWithoutRowsShowWhiteBody()
{
    GridHost host(15);
    host.Fill(0);
    const PixelRect a = host.grid.Area();
    for (int y = a.top + 19; y < a.bottom; y += 7)
        for (int x = a.left; x < a.right; x += 13)
            QCOMPARE(host.Pixel(x, y), kWhite);
    QVERIFY(host.Pixel(a.left + 5, a.top + 5) != kWhite); // the header band
}

void GridTableTest::horizontalScrollMovesContent()
{
    GridHost host(15);
    for (int k = 0; k < 6; ++k)
        host.grid.AddColumn(QStringLiteral("C%1").arg(k), 120);
    host.grid.RedrawAll();
    WinScrollInfo info = GetScrollInfo(host.hbar);
    QCOMPARE(info.nMax, 720);
    QCOMPARE(info.nPage, 400);
    host.grid.OnHScroll(SB_LINERIGHT, 0, host.hbar);
    QCOMPARE(host.grid.HOffset(), 50);
    host.grid.OnHScroll(SB_THUMBTRACK, 1000, host.hbar);
    QCOMPARE(host.grid.HOffset(), 320);
    host.grid.OnHScroll(SB_PAGELEFT, 0, host.hbar);
    QCOMPARE(host.grid.HOffset(), 271); // the bar stopped at 321, then moved 50
}

void GridTableTest::profileViewerShowsRealFile()
{
    CProfileDlg dlg;
    dlg.SetFilePath(QStringLiteral(BW_TEST_DATA_DIR "/D5900446_001.nc"));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    CGridTable& g = dlg.Grid();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Profile viewer"));
    QCOMPARE(dlg.size(), QSize(dlg.Units().x(549), dlg.Units().y(362)));
    QCOMPARE(g.RowCount(), 56);
    QVERIFY(g.ColumnCount() > 10);
    QCOMPARE(g.CellText(0, 0).isEmpty(), false);
    auto* vbar = qobject_cast<QScrollBar*>(dlg.Control(CProfileDlg::IDC_GRID_VSCROLL));
    QVERIFY(vbar);
    QCOMPARE(GetScrollInfo(vbar).nMax, g.PageRows() > 56 ? g.PageRows() - 1 : 56);

    // A click through the dialog's own mouse events selects the row.
    const int y = g.Area().top + 18 * 3 + 9;
    QTest::mousePress(&dlg, Qt::LeftButton, {}, QPoint(g.Area().left + 30, y));
    QTest::mouseRelease(&dlg, Qt::LeftButton, {}, QPoint(g.Area().left + 30, y));
    QVERIFY(g.IsSelected(2));
    QCOMPARE(dlg.Surface().pixel(g.Area().left + 5, y), kCyan);

    // A user page-down on the bar moves five rows.
    vbar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(g.FirstRow(), 5);
    QCOMPARE(vbar->value(), 5);

    // Resized, the table grows with the dialog and shows more rows per page.
    const PixelRect area = g.Area();
    const int pageRows = g.PageRows();
    dlg.resize(dlg.size() + QSize(120, 180));
    QTRY_COMPARE(g.Area().Height(), area.Height() + 180);
    QCOMPARE(g.Area().Width(), area.Width() + 120);
    QVERIFY(g.PageRows() > pageRows);
    QCOMPARE(dlg.ControlRect(CProfileDlg::IDC_GRID_VSCROLL).left, area.right + 2 + 120);

    auto* close = qobject_cast<QPushButton*>(dlg.Control(2));
    QVERIFY(close);
    QCOMPARE(close->text(), QStringLiteral("close"));
    close->click();
    QVERIFY(!dlg.isVisible());
}

void GridTableTest::profileViewerEmptyForUnreadableFile()
{
    CProfileDlg dlg;
    dlg.SetFilePath(QStringLiteral(BW_TEST_DATA_DIR "/README.md"));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(dlg.Grid().ColumnCount(), 0);
    QCOMPARE(dlg.Grid().RowCount(), 0);
}

QTEST_MAIN(GridTableTest)
#include "test_grid_table.moc"
