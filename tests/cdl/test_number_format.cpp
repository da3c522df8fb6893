// The number formatter against the C library's printf in the "C" locale, and the
// C_format parser's acceptance rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <limits>

#include "cdl/c_format.h"

namespace {

// printf's text with its two-digit exponents widened to three, as the program writes them.
std::string printf_widened(const char* fmt, double v)
{
    char buf[2000];
    int n = std::snprintf(buf, sizeof buf - 1, fmt, v);
    return std::string(buf, widen_exponent(buf, static_cast<std::size_t>(n)));
}

std::string printf_int(const char* fmt, long long v)
{
    char buf[2000];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

TEST(NumberFormat, FloatingConversionsMatchPrintf)
{
    const char* formats[] = {"%.7g",    "%.15g", "%#.7g", "%#.15g", "%7.1f", "%9.3f", "%10.3f",
                             "%e",      "%.0e",  "%#.0e", "%E",     "%G",    "%#g",   "%-12.4f|",
                             "%+08.2f", "% .3f", "%#.0f", "%.0f",   "%g",    "%.1g",  "%#.1g"};
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             0.1,
                             99999.0,
                             99999.0078125,
                             1e-5,
                             1e20,
                             123456789.0,
                             1.5e-300,
                             2.5,
                             0.5,
                             9.999999e6,
                             1e15,
                             1e16,
                             3.4028234663852886e38,
                             9.969209968386869e36,
                             5e-324,
                             0.0001,
                             0.00001234,
                             1234567.0,
                             12345678.0};
    for (const char* f : formats) {
        auto cf = CFormat::parse(f, ValueKind::Floating, 99);
        ASSERT_TRUE(cf.has_value()) << f;
        for (double v : values)
            EXPECT_EQ(cf->format(v), printf_widened(f, v)) << f << " " << v;
    }
}

TEST(NumberFormat, ExponentsHaveThreeDigits)
{
    auto g7 = CFormat::parse("%.7g", ValueKind::Floating);
    EXPECT_EQ(g7->format(1e-5), "1e-005");
    EXPECT_EQ(g7->format(1e100), "1e+100");
    // The width counts the widened exponent.
    EXPECT_EQ(CFormat::parse("%012.3e", ValueKind::Floating)->format(1.0), "001.000e+000");
    auto alt15 = CFormat::parse("%#.15g", ValueKind::Floating);
    EXPECT_EQ(alt15->format(1e20), "1.00000000000000e+020");
}

TEST(NumberFormat, NonFiniteValuesHaveFixedTexts)
{
    auto g7 = CFormat::parse("%.7g", ValueKind::Floating);
    EXPECT_EQ(g7->format(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(g7->format(std::numeric_limits<double>::infinity()), "Infinity");
    EXPECT_EQ(g7->format(-std::numeric_limits<double>::infinity()), "-Infinity");
    auto f7 = CFormat::parse("%010.1f", ValueKind::Floating);
    EXPECT_EQ(f7->format(std::numeric_limits<double>::infinity()), "  Infinity");
}

TEST(NumberFormat, IntegerConversionsMatchPrintf)
{
    struct Case {
        const char* ours;
        const char* printf_fmt;
    };
    const Case cases[] = {{"%d", "%lld"},   {"%5d", "%5lld"}, {"%-5d|", "%-5lld|"}, {"%05d", "%05lld"},
                          {"%+d", "%+lld"}, {"% d", "% lld"}, {"%.3d", "%.3lld"},   {"%8.3d", "%8.3lld"},
                          {"%ld", "%lld"},  {"%lld", "%lld"}};
    const long long values[] = {0, 1, -1, 42, -32767, 2147483647, -2147483647, 99999};
    for (const auto& c : cases) {
        auto cf = CFormat::parse(c.ours, ValueKind::Integer);
        ASSERT_TRUE(cf.has_value()) << c.ours;
        for (long long v : values)
            EXPECT_EQ(cf->format(v), printf_int(c.printf_fmt, v)) << c.ours << " " << v;
    }
    EXPECT_EQ(CFormat::parse("%x", ValueKind::Integer)->format(255LL), "ff");
    EXPECT_EQ(CFormat::parse("%#X", ValueKind::Integer)->format(255LL), "0XFF");
    EXPECT_EQ(CFormat::parse("%#o", ValueKind::Integer)->format(8LL), "010");
    EXPECT_EQ(CFormat::parse("%u", ValueKind::Integer)->format(-1LL), "4294967295");
    EXPECT_EQ(CFormat::parse("%hd", ValueKind::Integer)->format(70000LL), "4464");
    EXPECT_EQ(CFormat::parse("%hhd", ValueKind::Integer)->format(255LL), "-1");
    EXPECT_EQ(CFormat::parse("%.0d", ValueKind::Integer)->format(0LL), "");
    EXPECT_EQ(CFormat::parse("%c", ValueKind::Integer)->format(65LL), "A");
}

TEST(CFormatParse, LiteralTextAndPercentSigns)
{
    auto f = CFormat::parse("T=%6.2f%% ok", ValueKind::Floating);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->format(3.14159), "T=  3.14% ok");
    auto cut = CFormat::parse(std::string_view("%7.1f\0\0junk", 11), ValueKind::Floating);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->format(2.0), "    2.0");
}

TEST(CFormatParse, HostileOrUnsuitedTextsAreRefused)
{
    const char* refused_float[] = {"%s",  "%n",  "%*d", "%*.*f",   "%.*f", "%f%f",    "%d",
                                   "%x",  "%p",  "%",   "abc",     "",     "%10000f", "%.600f",
                                   "%hf", "%lc", "%ls", "%7.1f%s", "%1$f", "%q",      "%a"};
    for (const char* t : refused_float)
        EXPECT_FALSE(CFormat::parse(t, ValueKind::Floating)) << t;
    const char* refused_int[] = {"%f", "%s", "%Ld", "%lc", "%n", "%d%d", "%e"};
    for (const char* t : refused_int)
        EXPECT_FALSE(CFormat::parse(t, ValueKind::Integer)) << t;
    EXPECT_FALSE(CFormat::parse(std::string(100, 'x') + "%d", ValueKind::Integer, 99));
    EXPECT_TRUE(CFormat::parse(std::string(100, 'x') + "%d", ValueKind::Integer, 255));
    EXPECT_TRUE(CFormat::parse("%Lf", ValueKind::Floating));
    EXPECT_TRUE(CFormat::parse("%lf", ValueKind::Floating));
}

} // namespace

namespace {

// Fixed-point digits come from an exact integer path for ordinary magnitudes; compare
// it with printf over many values, ties and float-widened values included.
TEST(NumberFormat, FixedConversionsMatchPrintfOnRandomValues)
{
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    char fmt[16];
    for (int i = 0; i < 200000; ++i) {
        int p = static_cast<int>(next() % 18);
        double v;
        switch (i % 4) {
        case 0:
            v = static_cast<double>(static_cast<float>(static_cast<double>(next() % 20000000) / 1000.0 - 5000.0));
            break;
        case 1: v = static_cast<double>(next() % 1000000) / 8.0 - 50000.0; break; // exact ties
        case 2: {
            std::uint64_t bits = next();
            std::memcpy(&v, &bits, sizeof v);
            break;
        }
        default: v = static_cast<double>(next() % 100000000000ULL) * 1e-7; break;
        }
        if (!std::isfinite(v))
            continue;
        std::snprintf(fmt, sizeof fmt, "%%.%df", p);
        auto cf = CFormat::parse(fmt, ValueKind::Floating);
        ASSERT_EQ(cf->format(v), printf_widened(fmt, v)) << fmt << " " << v;
    }
}

} // namespace
