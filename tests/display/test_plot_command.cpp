// `brinewick --plot`: the graph viewer's plot written as a PNG without a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>

#include <filesystem>

#include "display/AxisMapping.h"
#include "reader/reader_table.h"
#include "display/AxisTitles.h"
#include "display/GraphSettings.h"
#include "display/ParameterCurves.h"
#include "display/PlotImage.h"
#include "profile/level_records.h"
#include "profile/seawater.h"
#include "display/GraphPainter.h"
#include "uikit/DialogUnits.h"
#include "display/PlotCommand.h"
#include "overview/OverviewCommand.h"
#include "support/command_words.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

char* ProgramArgs[] = {const_cast<char*>("brinewick"), nullptr};

int RunPlot(std::vector<std::string> args)
{
    return RunMode("--plot", std::move(args), LocalReader());
}

// Fonts (for the plot's layout in a test) need an application object.
void EnsureApplication()
{
    static int argc = 1;
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, ProgramArgs);
}

QByteArray ReadAll(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(PlotCommand, UsageErrorsAndUnreadableFiles)
{
    const std::string out = SharedTempDir().file("never.png");
    EXPECT_EQ(RunPlot({}), 2);
    EXPECT_EQ(RunPlot({BW_TEST_DATA_DIR "/D5900446_001.nc"}), 2);
    EXPECT_EQ(RunPlot({BW_TEST_DATA_DIR "/D5900446_001.nc", "-o", out, "--vertical", "depth"}), 2);
    EXPECT_EQ(RunPlot({BW_TEST_DATA_DIR "/D5900446_001.nc", "-o", out, "--curves", "T,X"}), 2);
    EXPECT_EQ(RunPlot({BW_TEST_DATA_DIR "/D5900446_001.nc", "-o", out, "--bogus"}), 2);
    EXPECT_EQ(RunPlot({SharedTempDir().file("missing.nc"), "-o", out}), 1);
    EXPECT_EQ(RunPlot({BW_TEST_DATA_DIR "/13857_meta.nc", "-o", out}), 1);
    // Adjusted values asked for where the file has none.
    EXPECT_EQ(RunPlot({BW_TEST_DATA_DIR "/R2901623_000.nc", "-o", out, "--adjusted"}), 1);
    // Adjusted pressure alone draws nothing: TEMP_ADJUSTED and PSAL_ADJUSTED are all fill.
    EXPECT_EQ(RunPlot({BW_TEST_DATA_DIR "/R2901746_001.nc", "-o", out, "--adjusted"}), 1);
    EXPECT_EQ(RunPlot({BW_TEST_DATA_DIR "/R2901746_001.nc", "-o", out, "--adjusted", "--best"}), 2);
    EXPECT_EQ(RunPlot({BW_TEST_DATA_DIR "/R2901746_001.nc", "-o", out, "--density", "sigma-0"}), 2);
    EXPECT_FALSE(std::filesystem::exists(out));
}

// Nothing is hidden silently: points beyond the axes are counted on standard error,
// and a file with no value of any chosen curve (PRES and DOXY only) is refused
// without an image, naming the curves that have none.
TEST(PlotCommand, SaysWhatIsNotDrawn)
{
    ProfileColumns p;
    p.pres = {100, 2500, 3000};
    p.temp = {10, 40, 5};
    p.psal = {35, 35, 35};
    const std::string deep = WriteProfile(SharedTempDir().file("deep.nc"), p);
    const std::string out = SharedTempDir().file("deep.png");
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunPlot({deep, "-o", out}), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("6 points lie outside the axes"), std::string::npos) << said;
    EXPECT_TRUE(std::filesystem::exists(out));

    const std::string bgc = SharedTempDir().file("bgc.nc");
    ASSERT_TRUE(MakeNcFile(bgc, {{"N_PROF", 1}, {"N_LEVELS", 2}},
                           {FixtureVar{"PRES", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {5, 10}},
                            FixtureVar{"DOXY", NC_FLOAT, {"N_PROF", "N_LEVELS"}, {200, 201}}}));
    const std::string empty = SharedTempDir().file("bgc.png");
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunPlot({bgc, "-o", empty}), 1);
    const std::string refused = testing::internal::GetCapturedStderr();
    EXPECT_NE(refused.find("nothing to plot"), std::string::npos) << refused;
    EXPECT_NE(refused.find("temperature, salinity, density"), std::string::npos) << refused;
    EXPECT_FALSE(std::filesystem::exists(empty));
}

// `--curves T,DOXY`: a level parameter drawn in its own colour beside temperature,
// its sparse levels joined; a parameter the file lacks is named when nothing is left.
TEST(PlotCommand, CurvesOfLevelParameters)
{
    const std::string path = SharedTempDir().file("doxy.nc");
    const std::vector<std::string> lv{"N_PROF", "N_LEVELS"};
    FixtureVar doxy{"DOXY", NC_FLOAT, lv, {200, 99999, 99999, 260}, {}, {}, 99999.0};
    ASSERT_TRUE(MakeNcFile(path, {{"N_PROF", 1}, {"N_LEVELS", 4}},
                           {FixtureVar{"PRES", NC_FLOAT, lv, {100, 500, 900, 1300}},
                            FixtureVar{"TEMP", NC_FLOAT, lv, {20, 10, 6, 4}}, doxy}));
    const std::string out = SharedTempDir().file("doxy.png");
    ASSERT_EQ(RunPlot({path, "-o", out, "--curves", "T,DOXY"}), 0);
    QImage image(QString::fromStdString(out));
    ASSERT_FALSE(image.isNull());
    // The line from 200 at 100 dbar to 260 at 1300 dbar passes the middle of its span.
    std::size_t coloured = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            coloured += (image.pixel(x, y) & 0xFFFFFFu) == (ParameterCurveColor(0) & 0xFFFFFFu);
    EXPECT_GT(coloured, 200u);

    // `--profile all`: every profile's curve on one axis spanning all their values, the
    // overlaid ones in their lighter shade; a chosen profile alone draws its own.
    const std::string two = SharedTempDir().file("doxy2.nc");
    FixtureVar doxy2{"DOXY", NC_FLOAT, lv, {200, 99999, 99999, 260, 300, 320, 99999, 340}, {}, {}, 99999.0};
    ASSERT_TRUE(MakeNcFile(two, {{"N_PROF", 2}, {"N_LEVELS", 4}},
                           {FixtureVar{"PRES", NC_FLOAT, lv, {100, 500, 900, 1300, 100, 500, 900, 1300}},
                            FixtureVar{"TEMP", NC_FLOAT, lv, {20, 10, 6, 4, 21, 11, 7, 5}}, doxy2}));
    auto count = [](const std::string& png, QRgb colour) {
        QImage picture(QString::fromStdString(png));
        std::size_t n = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                n += (picture.pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu);
        return n;
    };
    const QRgb shade = OverlayShade(ParameterCurveColor(0), 0, 1);
    const std::string all = SharedTempDir().file("doxy-all.png"), second = SharedTempDir().file("doxy-1.png");
    ASSERT_EQ(RunPlot({two, "-o", all, "--profile", "all", "--curves", "DOXY"}), 0);
    ASSERT_EQ(RunPlot({two, "-o", second, "--profile", "1", "--curves", "DOXY"}), 0);
    EXPECT_GT(count(all, ParameterCurveColor(0)), 100u);
    EXPECT_GT(count(all, shade), 100u); // profile 1 overlaid, unclipped on the shared axis
    EXPECT_GT(count(second, ParameterCurveColor(0)), 100u);
    EXPECT_EQ(count(second, shade), 0u);
    // With only the overlaid profile holding values, there is still something to plot.
    const std::string late = SharedTempDir().file("doxy-late.nc");
    FixtureVar doxy3{"DOXY", NC_FLOAT, lv, {99999, 99999, 99999, 99999, 300, 320, 330, 340}, {}, {}, 99999.0};
    ASSERT_TRUE(MakeNcFile(late, {{"N_PROF", 2}, {"N_LEVELS", 4}},
                           {FixtureVar{"PRES", NC_FLOAT, lv, {100, 500, 900, 1300, 100, 500, 900, 1300}}, doxy3}));
    EXPECT_EQ(RunPlot({late, "-o", all, "--profile", "all", "--curves", "DOXY"}), 0);
    EXPECT_GT(count(all, shade), 100u);

    testing::internal::CaptureStderr();
    EXPECT_EQ(RunPlot({path, "-o", SharedTempDir().file("chla.png"), "--curves", "CHLA"}), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("CHLA"), std::string::npos);
    EXPECT_EQ(RunPlot({path, "-o", out, "--curves", "T,S,D,DOXY,CHLA"}), 2);
}

TEST(PlotCommand, WritesThePlotAsPng)
{
    EnsureApplication();
    ProfileColumns p;
    p.pres = {100, 500, 1000};
    p.temp = {20, 15, 10};
    p.psal = {35, 34, 36};
    const std::string in = WriteProfile(SharedTempDir().file("plot.nc"), p);
    const std::string out = SharedTempDir().file("plot.png");
    ASSERT_EQ(RunPlot({in, "-o", out, "--curves", "T"}), 0);

    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(out)));
    GraphSettings curves;
    curves.horizontal = {true, false, false};
    const PixelRect plot = PlotRectOf(PixelRect{0, 0, image.width(), image.height()}, curves, DialogFont());
    EXPECT_EQ(image.pixel(plot.left, plot.top), 0xFF000000u);
    EXPECT_EQ(image.pixel(plot.right, plot.bottom - 1), 0xFF000000u);
    const CAxisMap vert(plot.top, plot.bottom, 0, 2000);
    const CAxisMap temp(plot.left, plot.right, -5, 35);
    const CAxisMap sal(plot.left, plot.right, 30, 38);
    EXPECT_EQ(image.pixel(*temp.Map(15) - 1, *vert.Map(500) - 1), 0xFF0000FFu);
    // Only the temperature curve was asked for.
    EXPECT_NE(image.pixel(*sal.Map(34) - 1, *vert.Map(500) - 1), 0xFFFF0000u);
}

// R2901746_001.nc under the new options: the flagged level's mark, --good leaving it
// out, --fit, --ts and the vector formats.
TEST(PlotCommand, QualityFlagsFitAndFormats)
{
    const std::string in = BW_TEST_DATA_DIR "/R2901746_001.nc";
    const struct {
        std::vector<std::string> options;
        const char* name;
        bool marked;
    } runs[] = {
        {{}, "plain.png", true},
        {{"--good"}, "good.png", false},
        {{"--best", "--fit"}, "fit.png", true},
        {{"--ts", "--density", "sigma-theta"}, "ts.png", true},
    };
    for (const auto& r : runs) {
        const std::string out = SharedTempDir().file(r.name);
        std::vector<std::string> args{in, "-o", out};
        args.insert(args.end(), r.options.begin(), r.options.end());
        ASSERT_EQ(RunPlot(args), 0) << r.name;
        QImage image;
        ASSERT_TRUE(image.load(QString::fromStdString(out))) << r.name;
        bool marked = false;
        for (int y = 0; y < image.height() && !marked; ++y)
            for (int x = 0; x < image.width() && !marked; ++x)
                marked = image.pixel(x, y) == kBadFlagColor;
        EXPECT_EQ(marked, r.marked) << r.name;
    }
    EXPECT_EQ(ImageFormatOf(std::string("a.Svg")), PlotImageFormat::Svg);
    EXPECT_EQ(ImageFormatOf(std::string("a.svg.png")), PlotImageFormat::Png);
}

// Titles, fitted ranges, the T-S settings and which flags mark a point.
// The three kinds of plot as SVG and PDF pages: paths and text, no embedded image, the
// title line, round tick labels that no axis title hides, within the size budget.
TEST(PlotFiles, VectorPagesOfEveryPlotKind)
{
    const std::string one = BW_TEST_DATA_DIR "/D5900446_001.nc";
    const std::string many = BW_TEST_DATA_DIR "/2902696_prof.nc";
    const struct {
        const char* name;
        const char* mode;
        std::vector<std::string> args;
        std::vector<const char*> texts; // in the SVG's text
        int paths;                      // at least this many paths in the SVG
        qint64 svgLimit, pdfLimit;      // bytes
    } cases[] = {
        {"graph",
         "--plot",
         {one},
         {"Float 5900446, cycle 1, ", "5.00", "10.00", "15.00", "20.00", "34.00"},
         8,
         200'000,
         300'000},
        {"overlay",
         "--plot",
         {many, "--profile", "all", "--fit"},
         {"Float 2902696, cycles ", " to ", "cycle 1", "others by date:"},
         20,
         5'000'000,
         5'000'000},
        {"map", "--map", {many}, {"Float 2902696, cycles "}, 2, 5'000'000, 5'000'000},
        {"section",
         "--section",
         {many, "--var", "SIGMA_THETA", "--range", "24,28"},
         {"Float 2902696, cycles ", ">24<", ">25<", ">26<", ">27<", ">28<", "sigma-theta"},
         50,
         20'000'000,
         20'000'000},
    };
    for (const auto& c : cases)
        for (const char* ext : {".svg", ".pdf"}) {
            const std::string out = SharedTempDir().file(std::string("kinds_") + c.name + ext);
            std::vector<std::string> args = c.args;
            args.insert(args.end(), {"-o", out});
            ASSERT_EQ(RunMode(c.mode, args, LocalReader()), 0) << c.name << ext;
            const QByteArray bytes = ReadAll(out);
            if (ext[1] == 's') {
                EXPECT_FALSE(bytes.contains("<image")) << c.name;
                EXPECT_GE(bytes.count("<path") + bytes.count("<polyline") + bytes.count("<rect"), c.paths) << c.name;
                EXPECT_TRUE(bytes.contains("<text")) << c.name;
                for (const char* text : c.texts)
                    EXPECT_TRUE(bytes.contains(text)) << c.name << ": " << text;
                EXPECT_LT(bytes.size(), c.svgLimit) << c.name;
            } else {
                EXPECT_TRUE(bytes.startsWith("%PDF")) << c.name;
                EXPECT_FALSE(bytes.contains("/Subtype /Image")) << c.name;
                EXPECT_TRUE(bytes.contains("/FontFile")) << c.name; // text, with its font
                EXPECT_LT(bytes.size(), c.pdfLimit) << c.name;
            }
        }
    // A colour range must be two different numbers.
    const std::string bad = SharedTempDir().file("never.svg");
    for (const char* range : {"1", "1,1", "a,2", "1,2,3"})
        EXPECT_EQ(RunMode("--section", {many, "--var", "TEMP", "--range", range, "-o", bad}, LocalReader()), 2)
            << range;
}

TEST(GraphSettingsRules, TitlesFitTsAndBadPoints)
{
    EXPECT_EQ(AxisTitleOf("Sea pressure", "decibar", "Pressure (dbar)"), "Sea pressure (decibar)");
    EXPECT_EQ(AxisTitleOf("Sea pressure", "", "Pressure (dbar)"), "Sea pressure");
    EXPECT_EQ(AxisTitleOf("", "decibar", "Pressure (dbar)"), "Pressure (dbar)");
    EXPECT_EQ(AxisTitleOf("bad\x01name", "x", "Salinity (PSS-78)"), "Salinity (PSS-78)");
    GraphSettings s;
    ReadAxisTitles(BW_TEST_DATA_DIR "/R2901746_001.nc", s);
    EXPECT_EQ(s.pressureTitle, "SEA PRESSURE (decibar)");
    EXPECT_EQ(s.salinityTitle, "PRACTICAL SALINITY (psu)");
    GraphSettings none;
    ReadAxisTitles(SharedTempDir().file("absent.nc"), none);
    EXPECT_EQ(none.temperatureTitle, "Temperature (\u00B0C)");
    EXPECT_EQ(none.DensityTitle(), "Sigma-t (kg/m\u00B3)");

    // Two levels; a quantity without values keeps its range.
    CLevelArray levels;
    const double a[6] = {5, 20, 34.2, 99999, 99999, 99999}, b[6] = {1987, 2.5, 34.9, 99999, 99999, 99999};
    levels.Add(LevelRecordFromValues(1, a));
    levels.Add(LevelRecordFromValues(2, b));
    const CLevelArray* shown[] = {&levels, nullptr};
    const std::array<double, 12> fit = FitRanges(GraphSettings{}, shown);
    EXPECT_LE(fit[0], 5.0);
    EXPECT_GE(fit[1], 1987.0);
    EXPECT_LT(fit[1], 2200.0);
    EXPECT_LE(fit[6], 2.5);
    EXPECT_GE(fit[7], 20.0);
    EXPECT_EQ(fit[4], fit[6]);
    EXPECT_LE(fit[8], 34.2);
    EXPECT_GE(fit[9], 34.9);
    EXPECT_LT(fit[9] - fit[8], 2.0);
    EXPECT_LE(fit[10], levels[0].sigma);
    GraphSettings adjusted;
    adjusted.adjusted = true;
    EXPECT_EQ(FitRanges(adjusted, shown), adjusted.range);

    GraphSettings ts;
    ts.tsDiagram = true;
    const GraphSettings plotted = PlottedSettings(ts);
    EXPECT_EQ(plotted.Vertical(), VerticalQuantity::Temperature);
    EXPECT_EQ(plotted.VerticalMin(), 35.0); // warm at the top
    EXPECT_EQ(plotted.VerticalMax(), -5.0);
    EXPECT_EQ(plotted.horizontal, (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(PlottedSettings(GraphSettings{}).range, kDefaultGraphRanges);
    // With sigma-theta the T-S diagram is a theta-S diagram.
    EXPECT_FALSE(PlotsPotentialTemperature(ts));
    ts.sigmaTheta = true;
    EXPECT_TRUE(PlotsPotentialTemperature(ts));
    EXPECT_EQ(PlottedSettings(ts).temperatureTitle.rfind("Potential temperature", 0), 0u);
    const CLevelArray theta = WithPotentialTemperature(levels);
    EXPECT_NEAR(theta[1].temp, PotentialTemperature(levels[1].psal, levels[1].temp, levels[1].pres), 1e-5);
    EXPECT_LT(theta[1].temp, levels[1].temp);

    const LevelFlags badTemp{'1', '4', '1'};
    EXPECT_FALSE(PointFlaggedBad(badTemp, VerticalQuantity::Pressure, CurveQuantity::Salinity));
    EXPECT_TRUE(PointFlaggedBad(badTemp, VerticalQuantity::Pressure, CurveQuantity::Temperature));
    EXPECT_TRUE(PointFlaggedBad(badTemp, VerticalQuantity::Pressure, CurveQuantity::Density));
    EXPECT_TRUE(PointFlaggedBad(badTemp, VerticalQuantity::Density, CurveQuantity::Salinity));
    EXPECT_TRUE(PointFlaggedBad({'3', '1', '1'}, VerticalQuantity::Pressure, CurveQuantity::Salinity));
    EXPECT_FALSE(PointFlaggedBad({'3', '1', '1'}, VerticalQuantity::Temperature, CurveQuantity::Salinity));
    EXPECT_FALSE(PointFlaggedBad({'9', '2', '5'}, VerticalQuantity::Density, CurveQuantity::Density));

    // sigma-theta of a record and the density it is drawn as.
    EXPECT_NEAR(levels[1].sigmaTheta, SigmaTheta(34.9f, 2.5f, 1987.0f), 1e-4);
    EXPECT_EQ(CurveValue(levels[1], CurveQuantity::Density, false, true), levels[1].sigmaTheta);
    EXPECT_EQ(VerticalValue(levels[1], VerticalQuantity::Density, false), levels[1].sigma);
    EXPECT_EQ(levels[1].sigmaThetaAdj, 99999.0f);
}

} // namespace
