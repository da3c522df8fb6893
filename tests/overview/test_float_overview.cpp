// The Float Overview window and --map / --section: positions at their pixels, clicks
// that choose a profile everywhere, the section's columns in the colour bar's colours,
// a missing coastline, and the files the commands write or refuse.
#include <QComboBox>
#include <QImage>
#include <QSignalSpy>
#include <QtTest>

#include <filesystem>

#include "chooser/ProfileChooser.h"
#include "reader/reader_table.h"
#include "float_fixture.h"
#include "overview/FloatOverview.h"
#include "overview/OverviewCommand.h"
#include "overview/OverviewPlots.h"
#include "support/command_words.h"
#include "support/temp_dir.h"

namespace {

const std::string kArgo = BW_TEST_DATA_DIR;

int Run(bool section, std::vector<std::string> args)
{
    return RunMode(section ? "--section" : "--map", std::move(args), LocalReader());
}

// Colour distance, for antialiased marks.
int Distance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// The value whose colour bar row has this colour (the bar's centre column), none if absent.
std::optional<double> ValueFromColourBar(const QImage& image, const QRect& area, QRgb colour, double low, double high)
{
    const QRect bar = ColourBarRect(area);
    for (int y = bar.top(); y <= bar.bottom(); ++y)
        if (image.pixel(bar.center().x(), y) == colour)
            return low + (high - low) * (1.0 - (y - bar.top() + 0.5) / bar.height());
    return std::nullopt;
}

} // namespace

class TestFloatOverview : public QObject {
    Q_OBJECT
private slots:
    void mapDrawsEachPositionAtItsPixelAcrossTheDateLine();
    void clicksChooseAProfileEverywhere();
    void sectionColumnsTakeTheColourBarsColours();
    void realFilesOpenWithTheirVariables();
    void commandsWriteOrRefuse();
    void pointerValuesAndColourRange();
};

void TestFloatOverview::mapDrawsEachPositionAtItsPixelAcrossTheDateLine()
{
    TempDir dir;
    // Across 180°, with a fill position and a bad one left out and counted.
    std::vector<FixtureProfile> p = TrackProfiles({{178, -15}, {179.5, -16}, {-179, -17}, {-177, -16}, {0, 0}, {5, 5}});
    p[4].lat.reset();
    p[5].positionQc = '4';
    const std::string path = WriteFloat(dir.file("dateline.nc"), p);
    const Coastline none;
    CFloatOverview window;
    QString why;
    QVERIFY2(window.Load(QString::fromStdString(path), &none, &why), qPrintable(why));
    window.Map()->resize(400, 300);
    window.Map()->FitView();
    const FloatTrack& t = window.Track();
    QCOMPARE(t.points.size(), 4u);
    QCOMPARE(t.leftOut, 2u);
    QCOMPARE(t.points[2].longitude, 181.0);
    const QImage& image = window.Map()->Image();
    // One continuous track: all four within the plot, east of each other in order.
    double lastX = -1;
    for (std::size_t i = 0; i < 4; ++i) {
        const QPointF at = *window.Map()->PixelOf(i);
        QVERIFY(image.rect().contains(at.toPoint()));
        QVERIFY(at.x() > lastX);
        lastX = at.x();
    }
    // The first is a green disc, the last a red square, the middle ones blue dots
    // (profile 0 is also chosen: its ring lies outside the disc).
    const struct {
        std::size_t profile;
        QRgb colour;
    } marks[] = {{0, qRgb(0x1a, 0x9a, 0x2a)},
                 {1, qRgb(0x1f, 0x4e, 0x9c)},
                 {2, qRgb(0x1f, 0x4e, 0x9c)},
                 {3, qRgb(0xd0, 0x20, 0x20)}};
    for (const auto& m : marks) {
        const QPoint at = window.Map()->PixelOf(m.profile)->toPoint();
        QVERIFY2(Distance(image.pixel(at), m.colour) < 40, qPrintable(QString::number(m.profile)));
    }
    // The note says what was left out and that there is no land.
    MapScene scene;
    scene.track = &t;
    scene.coast = &none;
    QVERIFY(MapNote(scene).contains(QStringLiteral("2 of 6 positions left out")));
    QVERIFY(MapNote(scene).contains(QStringLiteral("no land")));
    // Zooming keeps the place under the pointer.
    const QPointF before = *window.Map()->PixelOf(1);
    QWheelEvent wheel(before, window.Map()->mapToGlobal(before), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(window.Map(), &wheel);
    QVERIFY((*window.Map()->PixelOf(1) - before).manhattanLength() < 0.01);
    QVERIFY((*window.Map()->PixelOf(3) - *window.Map()->PixelOf(2)).x() > (lastX - before.x()) / 2);
}

void TestFloatOverview::clicksChooseAProfileEverywhere()
{
    TempDir dir;
    const std::string path = WriteFloat(dir.file("track.nc"), TrackProfiles({{-30, 10}, {-29, 11}, {-28, 12}}));
    CFloatOverview window;
    QVERIFY(window.Load(QString::fromStdString(path), nullptr, nullptr));
    window.resize(1000, 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy chosen(&window, &CFloatOverview::profileChosen);
    // A click on a position.
    QTest::mouseClick(window.Map(), Qt::LeftButton, {}, window.Map()->PixelOf(1)->toPoint());
    QCOMPARE(window.Chosen(), 1u);
    QCOMPARE(window.Chooser()->Chosen(), std::vector<std::size_t>{1});
    QCOMPARE(chosen.size(), 1);
    const QPoint ring = window.Map()->PixelOf(1)->toPoint() + QPoint(9, 0);
    QVERIFY(Distance(window.Map()->Image().pixel(ring), qRgb(0xff, 0x8c, 0x00)) < 60);
    // A click on the section's last column; its frame is drawn.
    CSectionPlot* section = window.Section();
    const QRect plot = section->PlotRect();
    const int x = plot.left() + static_cast<int>(section->Axes().XOf(25002));
    QTest::mouseClick(section, Qt::LeftButton, {}, QPoint(x, plot.center().y()));
    QCOMPARE(window.Chosen(), 2u);
    QVERIFY(Distance(section->Image().pixel(plot.left() + static_cast<int>(section->Axes().XOf(25001.5)) - 2,
                                            plot.center().y()),
                     qRgb(0xff, 0x8c, 0x00)) < 60);
    // The chooser's choice reaches both plots.
    window.Chooser()->Choose({0});
    QCOMPARE(chosen.size(), 3);
    QVERIFY(Distance(window.Map()->Image().pixel(window.Map()->PixelOf(0)->toPoint() + QPoint(9, 0)),
                     qRgb(0xff, 0x8c, 0x00)) < 60);
    // A drag pans and chooses nothing.
    const QPoint from = window.Map()->PixelOf(0)->toPoint();
    QTest::mousePress(window.Map(), Qt::LeftButton, {}, from);
    QTest::mouseMove(window.Map(), from + QPoint(40, 10));
    QTest::mouseRelease(window.Map(), Qt::LeftButton, {}, from + QPoint(40, 10));
    QCOMPARE(window.Chosen(), 0u);
    QVERIFY((*window.Map()->PixelOf(0) - QPointF(from + QPoint(40, 10))).manhattanLength() < 2);
}

void TestFloatOverview::sectionColumnsTakeTheColourBarsColours()
{
    TempDir dir;
    // Profile 1 comes first in time; each column's top level is 20 - index.
    std::vector<FixtureProfile> p = TrackProfiles({{1, 1}, {2, 2}, {3, 3}});
    std::swap(p[0].juld, p[1].juld);
    const std::string path = WriteFloat(dir.file("section.nc"), p);
    const std::string out = dir.file("section.png");
    QCOMPARE(Run(true, {path, "--var", "TEMP", "-o", out}), 0);
    QImage image;
    QVERIFY(image.load(QString::fromStdString(out)));
    const QRect area = image.rect();
    const QRect plot = SectionPlotRect(area);
    const SectionData s = ReadSection(path, "TEMP", {});
    const SectionAxes axes = FitSection(s, plot.width(), plot.height());
    for (const SectionColumn& c : s.columns) {
        const QPoint at(plot.left() + static_cast<int>(axes.XOf(c.time)), plot.top() + static_cast<int>(axes.YOf(12)));
        const auto value = ValueFromColourBar(image, area, image.pixel(at), s.valueLow, s.valueHigh);
        QVERIFY2(value, qPrintable(QString::number(c.profile)));
        QVERIFY2(std::abs(*value - c.value[0]) <= (s.valueHigh - s.valueLow) / 40, qPrintable(QString::number(*value)));
    }
    // The earliest column is profile 1 (19 degrees), then 0 (20), then 2 (18).
    QCOMPARE(s.columns[0].profile, 1u);
    QCOMPARE(s.columns[0].value[0], 19.0f);
}

void TestFloatOverview::realFilesOpenWithTheirVariables()
{
    for (const char* name : {"2902696_prof.nc", "3902131_Sprof.nc"}) {
        CFloatOverview window;
        QString why;
        QVERIFY2(window.Load(QString::fromStdString(kArgo + "/" + name), nullptr, &why), qPrintable(why));
        QCOMPARE(window.Variables()->itemText(0), QStringLiteral("TEMP"));
        QVERIFY(window.Section()->Section().ok);
        window.ShowVariable(QStringLiteral("PSAL"));
        QCOMPARE(window.Section()->Section().variable, std::string("PSAL"));
        QVERIFY(window.Section()->Section().valueHigh < 40);
        QVERIFY(window.Chooser()->ProfileCount() > 10);
    }
    CFloatOverview window;
    QString why;
    QVERIFY(!window.Load(QStringLiteral(BW_TEST_DATA_DIR "/D5900446_001.nc"), nullptr, &why));
    QVERIFY(why.contains(QStringLiteral("N_PROF")));
}

void TestFloatOverview::commandsWriteOrRefuse()
{
    TempDir dir;
    const std::string noJuld = WriteFloat(dir.file("nojuld.nc"), TrackProfiles({{1, 1}, {2, 2}}), false);
    const std::string file = kArgo + "/2902696_prof.nc";
    const std::string never = dir.file("never.png");
    const struct {
        bool section;
        std::vector<std::string> args;
        int status;
    } refused[] = {
        {false, {}, 2},
        {false, {file}, 2},
        {false, {file, "-o", dir.file("x.gif")}, 2},
        {true, {file, "-o", never}, 2},
        {false, {file, "-o", never, "--var", "TEMP"}, 2},
        {false, {noJuld, "-o", never}, 1},
        {true, {noJuld, "--var", "TEMP", "-o", never}, 1},
        {true, {file, "--var", "NOPE", "-o", never}, 1},
        {false, {BW_TEST_DATA_DIR "/D5900446_001.nc", "-o", never}, 1},
        {false, {dir.file("missing.nc"), "-o", never}, 1},
    };
    for (const auto& r : refused)
        QCOMPARE(Run(r.section, r.args), r.status);
    QVERIFY(!std::filesystem::exists(never));
    for (const char* ext : {"png", "svg", "pdf"}) {
        const std::string map = dir.file(std::string("map.") + ext), sec = dir.file(std::string("sec.") + ext);
        QCOMPARE(Run(false, {file, "-o", map}), 0);
        QCOMPARE(Run(true, {file, "--var", "sigma-t", "--best", "--good", "-o", sec}), 0);
        QVERIFY(std::filesystem::file_size(map) > 1000);
        QVERIFY(std::filesystem::file_size(sec) > 1000);
    }
    QImage map;
    QVERIFY(map.load(QString::fromStdString(dir.file("map.png"))));
    QCOMPARE(map.size(), QSize(1000, 700));
}

// The value under the pointer on both plots, SIGMA_THETA in the list, and a colour
// range of the user's own that falls back to the section's on anything but numbers.
void TestFloatOverview::pointerValuesAndColourRange()
{
    CFloatOverview window;
    QString why;
    QVERIFY2(window.Load(QString::fromStdString(kArgo + "/2902696_prof.nc"), nullptr, &why), qPrintable(why));
    window.resize(1200, 760);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.Variables()->findText(QStringLiteral("SIGMA_THETA")) >= 0);
    const QString onMap = window.Map()->DescribeAt(*window.Map()->PixelOf(0));
    QVERIFY2(onMap.startsWith(QStringLiteral("cycle 1, 2016-09-22 14:37, 12.014\u00b0 N 114.521\u00b0 E")),
             qPrintable(onMap));
    QVERIFY(window.Map()->DescribeAt(QPointF(1, 1)).isEmpty());
    CSectionPlot* section = window.Section();
    const QRect plot = section->PlotRect();
    const SectionColumn& first = section->Section().columns.front();
    const QPointF at(plot.left() + section->Axes().XOf(first.time), plot.top() + section->Axes().YOf(first.pres[0]));
    const QString cell = section->DescribeAt(at);
    QVERIFY2(cell.startsWith(QStringLiteral("2016-09-22 14:37, ")) && cell.contains(QStringLiteral(" dbar, ")) &&
                 cell.endsWith(QString::number(first.value[0], 'g', 6)),
             qPrintable(cell));
    QVERIFY(section->DescribeAt(QPointF(2, 2)).isEmpty());
    const double low = section->ColourLow(), high = section->ColourHigh();
    window.SetColourRange(QStringLiteral("28"), QStringLiteral(" 24 "));
    QCOMPARE(section->ColourLow(), 24.0);
    QCOMPARE(section->ColourHigh(), 28.0);
    for (const char* text : {"", "24,5", "abc", "inf"}) {
        window.SetColourRange(QStringLiteral("24"), QString::fromLatin1(text));
        QCOMPARE(section->ColourLow(), low);
        QCOMPARE(section->ColourHigh(), high);
    }
}

QTEST_MAIN(TestFloatOverview)
#include "test_float_overview.moc"
