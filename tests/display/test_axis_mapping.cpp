// Axis mapping, tick values, range texts and the nearest level, for any range a user
// can type or a file can hold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/AxisMapping.h"
#include "display/NearestLevel.h"
#include "display/RangeText.h"
#include "display/RoundTicks.h"

namespace {

TEST(AxisTicks, DefaultRangesGiveAutoScaleSteps)
{
    EXPECT_EQ(AxisTicks(0, 2000), (std::vector<double>{0, 400, 800, 1200, 1600, 2000, 2400}));
    EXPECT_EQ(AxisTicks(-5, 35), (std::vector<double>{-10, 0, 10, 20, 30, 40}));
    EXPECT_EQ(AxisTicks(30, 38).size(), 10u);
    EXPECT_TRUE(AxisTicks(2000, 0).empty()); // reversed: no inner ticks
}

// Round ticks (1, 2, 5 x 10^n), at least `fewest` inside the range, in either order.
TEST(RoundTicks, RoundStepsWithEnoughTicks)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double a, b;
        int fewest;
        std::vector<double> ticks;
        int decimals;
    } rows[] = {
        {0, 2000, 5, {0, 500, 1000, 1500, 2000}, 0},
        {-5, 35, 5, {-5, 0, 5, 10, 15, 20, 25, 30, 35}, 0},
        {35, -5, 5, {-5, 0, 5, 10, 15, 20, 25, 30, 35}, 0},
        {33.2, 35.1, 4, {33.5, 34, 34.5, 35}, 1},
        {24, 28, 4, {24, 25, 26, 27, 28}, 0},
        {0.012, 0.019, 4, {0.012, 0.014, 0.016, 0.018}, 3},
        {5, 5, 4, {}, 0},
        {0, inf, 4, {}, 0},
    };
    for (const auto& r : rows) {
        const std::vector<double> ticks = RoundTicks(r.a, r.b, r.fewest);
        ASSERT_EQ(ticks.size(), r.ticks.size()) << r.a << " " << r.b;
        for (std::size_t k = 0; k < ticks.size(); ++k)
            EXPECT_NEAR(ticks[k], r.ticks[k], 1e-9) << r.a << " " << r.b;
        EXPECT_EQ(TickDecimals(ticks), r.decimals) << r.a << " " << r.b;
    }
}

TEST(AxisTicks, UnscalableRangesGiveNoTicks)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(AxisTicks(5, 5).empty());
    EXPECT_TRUE(AxisTicks(-inf, inf).empty());
    EXPECT_TRUE(AxisTicks(nan, 1).empty());
    EXPECT_TRUE(AxisTicks(-1e308, 1e308).empty());    // the width overflows
    EXPECT_TRUE(AxisTicks(1e20, 1e20 + 1e4).empty()); // steps would not change the value
    EXPECT_TRUE(AxisTicks(0, 1e-300).empty());
    EXPECT_FALSE(CanAutoScale(1e9, 1e9 + 1));
    EXPECT_TRUE(CanAutoScale(1e6, 1e6 + 1));
    EXPECT_TRUE(CanAutoScale(1000, 1001));
    EXPECT_GE(AxisTicks(1000, 1001).size(), 6u);
    // Wide ranges far from zero still scale.
    EXPECT_FALSE(AxisTicks(-1e300, 1e300).empty());
}

TEST(AxisMap, MapsEndsAndClampsFarValues)
{
    const CAxisMap map(100, 600, 0, 2000);
    EXPECT_EQ(map.Map(0), 100);
    EXPECT_EQ(map.Map(2000), 600);
    EXPECT_EQ(map.Map(400), 200);
    EXPECT_EQ(map.Map(9.96921e36), static_cast<int>(kPixelLimit));
    EXPECT_EQ(map.Map(-9.96921e36), -static_cast<int>(kPixelLimit));
    EXPECT_EQ(map.Map(std::numeric_limits<double>::infinity()), static_cast<int>(kPixelLimit));
    EXPECT_FALSE(map.Map(std::nan("")));
    // Reversed ranges map the larger value to the first pixel.
    EXPECT_EQ(CAxisMap(100, 600, 2000, 0).Map(2000), 100);
    // No place for any value when the ends are equal or not finite.
    EXPECT_FALSE(CAxisMap(100, 600, 5, 5).IsUsable());
    EXPECT_FALSE(CAxisMap(100, 600, 0, std::numeric_limits<double>::infinity()).IsUsable());
    EXPECT_FALSE(CAxisMap(100, 600, std::nan(""), 1).Map(0));
}

TEST(RangeText, ScansLikePercentLf)
{
    EXPECT_EQ(ScanRangeValue("500"), 500.0);
    EXPECT_EQ(ScanRangeValue("  -5.5"), -5.5);
    EXPECT_EQ(ScanRangeValue("+12abc"), 12.0);
    EXPECT_EQ(ScanRangeValue(".5"), 0.5);
    EXPECT_EQ(ScanRangeValue("1e3"), 1000.0);
    EXPECT_EQ(ScanRangeValue("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ScanRangeValue("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(ScanRangeValue("1e-999"), 0.0);
    EXPECT_TRUE(std::isnan(*ScanRangeValue("nan")));
    EXPECT_EQ(ScanRangeValue("-inf"), -std::numeric_limits<double>::infinity());
    EXPECT_FALSE(ScanRangeValue(""));
    EXPECT_FALSE(ScanRangeValue("letters"));
    EXPECT_FALSE(ScanRangeValue("-"));
    EXPECT_FALSE(ScanRangeValue("+-5"));
    EXPECT_FALSE(ScanRangeValue("e5"));
    EXPECT_EQ(FormatRangeValue(2000), "2000.0");
    EXPECT_EQ(FormatRangeValue(-5), "-5.0");
}

CLevelArray Levels(std::initializer_list<float> pressures)
{
    CLevelArray a;
    int no = 1;
    for (float p : pressures) {
        CLevelRecord r;
        r.no = no++;
        r.pres = p;
        a.Add(r);
    }
    return a;
}

TEST(NearestLevel, NearestInRangeFirstOnTies)
{
    const CLevelArray a = Levels({1000, 500, 99999, 100, 300});
    const auto q = VerticalQuantity::Pressure;
    EXPECT_EQ(FindNearestLevel(a, q, false, 0, 2000, 120), 3);
    EXPECT_EQ(FindNearestLevel(a, q, false, 0, 2000, 200), 3); // 100 and 300 tie: first wins
    EXPECT_EQ(FindNearestLevel(a, q, false, 0, 2000, 1e9), 0);
    EXPECT_EQ(FindNearestLevel(a, q, false, 0, 400, 900), 4);  // 1000 and 500 are outside
    EXPECT_EQ(FindNearestLevel(a, q, false, 2000, 0, 450), 1); // reversed range
    EXPECT_EQ(FindNearestLevel(a, q, false, 0, 50, 20), -1);
    EXPECT_EQ(FindNearestLevel(a, q, true, 0, 2000, 20), -1);   // no adjusted values
    EXPECT_EQ(FindNearestLevel(a, q, false, 0, 1e9, 99999), 0); // missing never matches
    EXPECT_EQ(FindNearestLevel(a, q, false, 0, 2000, std::nan("")), -1);
}

} // namespace
