// AutoScale: the linear and logarithmic scales, and the diagnostics and aborts.
#include <gtest/gtest.h>

#include <cmath>

#include "display/AutoScale.h"

namespace {

AutoScaleParam Scale(int type, int ndiv, double vvi, double vva)
{
    AutoScaleParam p;
    p.type = type;
    p.ndiv = ndiv;
    p.vvi = vvi;
    p.vva = vva;
    AutoScale(&p);
    return p;
}

struct LinearRow {
    double vvi, vva, smin, smax;
    int sdiv;
    double step;
};

class LinearScale : public ::testing::TestWithParam<LinearRow> {};

TEST_P(LinearScale, GivesStartEndDivisionsAndStep)
{
    const LinearRow row = GetParam();
    const AutoScaleParam p = Scale(1, 10, row.vvi, row.vva);
    EXPECT_NEAR(p.smin, row.smin, 1e-9);
    EXPECT_NEAR(p.smax, row.smax, 1e-9);
    EXPECT_EQ(p.sdiv, row.sdiv);
    if (p.sdiv > 0) // a reversed scale has a negative count: no tick step then
        EXPECT_NEAR((p.smax - p.smin) / p.sdiv, row.step, 1e-9);
    // The inputs are never changed, even where the range is widened internally.
    EXPECT_EQ(p.vvi, row.vvi);
    EXPECT_EQ(p.vva, row.vva);
    EXPECT_EQ(p.ndiv, 10);
}

INSTANTIATE_TEST_SUITE_P(TableRows, LinearScale,
                         ::testing::Values(LinearRow{0, 2000, 0, 2400, 6, 400}, LinearRow{20, 28, 20, 29, 9, 1},
                                           LinearRow{30, 38, 30, 39, 9, 1}, LinearRow{-5, 35, -10, 40, 5, 10},
                                           LinearRow{-10, 10, -12, 12, 6, 4}, LinearRow{0, 1, 0, 1.2, 6, 0.2},
                                           LinearRow{5, 5, 2, 8, 6, 1}, LinearRow{0, 0, -1.2, 1.2, 6, 0.4},
                                           LinearRow{2000, 0, 2000, 200, -8, 200}));

TEST(AutoScaleLinear, ExponentOfTheStep)
{
    EXPECT_EQ(Scale(1, 10, 0, 2000).sexp, 2.0);
    EXPECT_EQ(Scale(1, 10, 0, 1).sexp, -1.0);
    EXPECT_EQ(Scale(1, 10, 20, 28).sexp, -1.0); // d = 0.8: step 10 x 0.1
}

TEST(AutoScaleLinear, ZeroDivisionsAreResetToOneWithMessages)
{
    testing::internal::CaptureStderr();
    const AutoScaleParam p = Scale(1, 0, 0, 100);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "AutoScale:Number of dividinf scale is less than zero\nAutoScale:Reset to 1\n");
    EXPECT_DOUBLE_EQ(p.smin, 0);
    EXPECT_DOUBLE_EQ(p.smax, 200);
    EXPECT_EQ(p.sdiv, 2);
    EXPECT_EQ(p.ndiv, 0);
}

TEST(AutoScaleLinear, EqualNegativeEndsWidenReversedWithoutMessage)
{
    testing::internal::CaptureStderr();
    const AutoScaleParam p = Scale(1, 10, -3, -3);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NEAR(p.smin, -1.6, 1e-12);
    EXPECT_NEAR(p.smax, -4.4, 1e-12);
    EXPECT_EQ(p.sdiv, -13);
}

TEST(AutoScaleLog, WholeDecades)
{
    AutoScaleParam p = Scale(2, 10, 0.5, 250);
    EXPECT_DOUBLE_EQ(p.smin, 0.1);
    EXPECT_DOUBLE_EQ(p.smax, 1000);
    EXPECT_EQ(p.sdiv, 4);
    EXPECT_EQ(p.sexp, 0.0);
    p = Scale(2, 10, 1, 100);
    EXPECT_DOUBLE_EQ(p.smin, 1);
    EXPECT_DOUBLE_EQ(p.smax, 1000);
    EXPECT_EQ(p.sdiv, 3);
    p = Scale(2, 10, 0.001, 1);
    EXPECT_NEAR(p.smin, 0.0001, 1e-18);
    EXPECT_DOUBLE_EQ(p.smax, 10);
    EXPECT_EQ(p.sdiv, 5);
}

TEST(AutoScaleDeathTest, LogOfNonPositiveRangeAborts)
{
    EXPECT_DEATH(Scale(2, 10, 0, 10), "AutoScale:log scale value invalid\nAutoScale:vvi,vva=0\\.000000,10\\.000000\n");
}

TEST(AutoScaleDeathTest, UnknownTypeAborts)
{
    EXPECT_DEATH(Scale(3, 10, 0, 10), "AutoScale:Unknown sacle type\n");
}

} // namespace
