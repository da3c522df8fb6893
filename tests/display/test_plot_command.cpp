// `brinewick --plot`: the graph viewer's plot written as a PNG without a display.
#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>

#include "display/AxisMapping.h"
#include "display/GraphPainter.h"
#include "display/PlotCommand.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

int RunPlot(std::vector<std::string> args)
{
    static char name[] = "brinewick";
    static char* argv[] = {name, nullptr};
    return RunPlotCommand(1, argv, args);
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
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(PlotCommand, WritesThePlotAsPng)
{
    ProfileColumns p;
    p.pres = {100, 500, 1000};
    p.temp = {20, 15, 10};
    p.psal = {35, 34, 36};
    const std::string in = WriteProfile(SharedTempDir().file("plot.nc"), p);
    const std::string out = SharedTempDir().file("plot.png");
    ASSERT_EQ(RunPlot({in, "-o", out, "--curves", "T"}), 0);

    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(out)));
    const PixelRect plot = PlotRectOf(PixelRect{0, 0, image.width(), image.height()});
    EXPECT_EQ(image.pixel(plot.left, plot.top), 0xFF000000u);
    EXPECT_EQ(image.pixel(plot.right, plot.bottom - 1), 0xFF000000u);
    const CAxisMap vert(plot.top, plot.bottom, 0, 2000);
    const CAxisMap temp(plot.left, plot.right, -5, 35);
    const CAxisMap sal(plot.left, plot.right, 30, 38);
    EXPECT_EQ(image.pixel(*temp.Map(15) - 1, *vert.Map(500) - 1), 0xFF0000FFu);
    // Only the temperature curve was asked for.
    EXPECT_NE(image.pixel(*sal.Map(34) - 1, *vert.Map(500) - 1), 0xFFFF0000u);
}

} // namespace
