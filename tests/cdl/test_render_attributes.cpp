// Attribute lines (text escapes, typed suffixes, trimmed zeros) and the choice of a
// variable's value format from its C_format, hostile texts included.
#include <gtest/gtest.h>

#include <cfloat>

#include "cdl/attributes.h"
#include "cdl/render_cdl.h"
#include "render_helpers.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

// The value part of attribute `name` of variable `var` in the rendered header.
std::string att_line(const std::string& text, const std::string& var, const std::string& name)
{
    std::string key = "\t\t" + var + ":" + name + " = ";
    std::size_t at = text.find(key);
    if (at == std::string::npos)
        return "<missing>";
    std::size_t from = at + key.size();
    return text.substr(from, text.find(" ;\n", from) - from);
}

TEST(RenderAttributes, NumbersCarryTypeSuffixesAndTrimmedZeros)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("a.nc"));
        int v = nc.var("v", NC_INT);
        nc.att(v, "f_fill", NC_FLOAT, {99999.0});
        nc.att(v, "f_tenth", NC_FLOAT, {static_cast<float>(0.1)});
        nc.att(v, "f_zero", NC_FLOAT, {0.0});
        nc.att(v, "f_three", NC_FLOAT, {1.0, 2.5, -3.0});
        nc.att(v, "f_hundred", NC_FLOAT, {100.0});
        nc.att(v, "d_tenth", NC_DOUBLE, {0.1});
        nc.att(v, "d_ten", NC_DOUBLE, {10.0});
        nc.att(v, "d_big", NC_DOUBLE, {1e20});
        nc.att(v, "d_half", NC_DOUBLE, {12.5});
        nc.att(v, "d_tiny", NC_DOUBLE, {1e-5});
        nc.att(v, "s_minus", NC_SHORT, {-1.0});
        nc.att(v, "b_minus", NC_BYTE, {-1.0});
        nc.att(v, "i_five", NC_INT, {5.0});
        nc.att(v, "i_two", NC_INT, {5.0, -7.0});
    }
    std::string log;
    std::string text = render_lf(dir.file("a.nc"), &log);
    EXPECT_EQ(log, "");
    EXPECT_EQ(att_line(text, "v", "f_fill"), "99999.f");
    EXPECT_EQ(att_line(text, "v", "f_tenth"), "0.1f");
    EXPECT_EQ(att_line(text, "v", "f_zero"), "0.f");
    EXPECT_EQ(att_line(text, "v", "f_three"), "1.f, 2.5f, -3.f");
    EXPECT_EQ(att_line(text, "v", "f_hundred"), "100.f");
    EXPECT_EQ(att_line(text, "v", "d_tenth"), "0.1");
    EXPECT_EQ(att_line(text, "v", "d_ten"), "10.");
    EXPECT_EQ(att_line(text, "v", "d_big"), "1.e+020");
    EXPECT_EQ(att_line(text, "v", "d_half"), "12.5");
    EXPECT_EQ(att_line(text, "v", "d_tiny"), "1.e-005");
    EXPECT_EQ(att_line(text, "v", "s_minus"), "-1s");
    EXPECT_EQ(att_line(text, "v", "b_minus"), "-1b");
    EXPECT_EQ(att_line(text, "v", "i_five"), "5");
    EXPECT_EQ(att_line(text, "v", "i_two"), "5, -7");
}

TEST(RenderAttributes, TextsAreQuotedAndEscaped)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("t.nc"));
        int v = nc.var("v", NC_INT);
        nc.text_att(v, "empty", "");
        nc.text_att(v, "nuls", std::string("abc\0\0\0", 6));
        nc.text_att(v, "only_nuls", std::string("\0\0", 2));
        nc.text_att(v, "inner_nul", std::string("a\0b", 3));
        nc.text_att(v, "two_lines", "first\nsecond");
        nc.text_att(v, "escapes", "q\"s'b\\t\tr\r");
        nc.text_att(v, "latin1", "caf\xE9");
        nc.text_att(v, "control", "x\x01y");
    }
    std::string text = render_lf(dir.file("t.nc"));
    EXPECT_EQ(att_line(text, "v", "empty"), "\"\"");
    EXPECT_EQ(att_line(text, "v", "nuls"), "\"abc\"");
    EXPECT_EQ(att_line(text, "v", "only_nuls"), "\"\"");
    EXPECT_EQ(att_line(text, "v", "inner_nul"), "\"a\\000b\"");
    EXPECT_EQ(att_line(text, "v", "two_lines"), "\"first\\n\",\n\t\t\t\"second\"");
    EXPECT_EQ(att_line(text, "v", "escapes"), "\"q\\\"s\\'b\\\\t\\tr\\r\"");
    EXPECT_EQ(att_line(text, "v", "latin1"), "\"caf\xE9\"");
    EXPECT_EQ(att_line(text, "v", "control"), "\"x\x01y\"");
}

TEST(RenderAttributes, TrimZerosNeverReadsOutsideItsText)
{
    const char* cases[][2] = {{"1.000000f", "1.f"},
                              {"0.1000000f", "0.1f"},
                              {"12.5000000000000", "12.5"},
                              {"10.0000000000000", "10."},
                              {"1.00000000000000e+020", "1.e+020"},
                              {"100.0000f", "100.f"},
                              {"-2.500000f", "-2.5f"},
                              {"NaNf", "NaNf"},
                              {"Infinityf", "Infinityf"},
                              {"-Infinity", "-Infinity"},
                              {"", ""},
                              {"-", "-"}};
    for (auto& c : cases) {
        std::string s = c[0];
        trim_zeros(s);
        EXPECT_EQ(s, c[1]) << c[0];
    }
}

// The data line of a 1-D float variable named `name` holding `values`.
std::string float_values_with_format(const std::string& c_format, std::vector<float> values, nc_type type = NC_FLOAT)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("f.nc"));
        int d = nc.dim("N", values.size());
        int v = nc.var("v", type, {d});
        nc.text_att(v, "C_format", c_format);
        nc.end_define();
        if (type == NC_FLOAT)
            nc.put_float(v, values);
        else
            nc.put_int(v, std::vector<int>(values.begin(), values.end()));
    }
    std::string log;
    std::string text = render_lf(dir.file("f.nc"), &log);
    EXPECT_EQ(log, "") << c_format;
    std::string data = data_section(text);
    std::size_t eq = data.find(" = ");
    return data.substr(eq + 3, data.find(" ;\n") - eq - 3);
}

TEST(RenderCFormat, UsableFormatsApplyToEachVariableAlone)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("c.nc"));
        int d = nc.dim("N", 2);
        int a = nc.var("A", NC_FLOAT, {d});
        nc.text_att(a, "C_format", "%10.3f");
        int b = nc.var("B", NC_FLOAT, {d});
        nc.text_att(b, "C_format", "%5.1f");
        int c = nc.var("C", NC_FLOAT, {d});
        nc.end_define();
        nc.put_float(a, {1.5f, -2.25f});
        nc.put_float(b, {1.5f, -2.25f});
        nc.put_float(c, {1.5f, 0.1f});
    }
    std::string data = data_section(render_lf(dir.file("c.nc")));
    EXPECT_EQ(data, "\n A =      1.500,     -2.250 ;\n\n B =   1.5,  -2.2 ;\n\n C = 1.5, 0.1 ;\n");
}

TEST(RenderCFormat, HostileOrUnsuitedFormatsFallBackToTheDefault)
{
    const char* hostile[] = {"%s",  "%n", "%*d",    "%d%d", "%f%f", "%1000f", "%.600f", "%p",
                             "abc", "%",  "%7.1f%", "%ls",  "%lc",  "%hf",    "%1$f",   "%%"};
    for (const char* f : hostile)
        EXPECT_EQ(float_values_with_format(f, {1.5f, 1e-5f}), "1.5, 1e-005") << f;
    // Integer formats on an int variable are used; a float conversion is not.
    EXPECT_EQ(float_values_with_format("%5d", {42, -7}, NC_INT), "   42,    -7");
    EXPECT_EQ(float_values_with_format("%7.1f", {42, -7}, NC_INT), "42, -7");
    EXPECT_EQ(float_values_with_format("%x", {255, 16}, NC_INT), "ff, 10");
    // The format's own characters are written as they stand, a line feed included.
    EXPECT_EQ(float_values_with_format("%d\n", {1, 22}, NC_INT), "1\n, 22\n");
    // Literal text and "%%" around one conversion are kept.
    EXPECT_EQ(float_values_with_format("%.2f%%", {1.5f}), "1.50%");
}

TEST(RenderCFormat, LongOrNonTextFormatsAreIgnored)
{
    // 99 characters are usable; the long value goes to a continuation line.
    EXPECT_EQ(float_values_with_format(std::string(95, ' ') + "%.1f", {2.0f}), "\n    " + std::string(95, ' ') + "2.0");
    EXPECT_EQ(float_values_with_format(std::string(96, ' ') + "%.1f", {2.0f}), "2");
    TempDir dir;
    {
        NcBuilder nc(dir.file("n.nc"));
        int d = nc.dim("N", 1);
        int v = nc.var("v", NC_FLOAT, {d});
        nc.att(v, "C_format", NC_FLOAT, {1.0});
        nc.end_define();
        nc.put_float(v, {0.25f});
    }
    EXPECT_EQ(data_section(render_lf(dir.file("n.nc"))), "\n v = 0.25 ;\n");
}

TEST(RenderCFormat, CharVariablesUseTheStringFormUnlessAnotherFormatIsGiven)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("ch.nc"));
        int d = nc.dim("S", 2);
        int a = nc.var("A", NC_CHAR, {d});
        nc.text_att(a, "C_format", "%s");
        int b = nc.var("B", NC_CHAR, {d});
        nc.text_att(b, "C_format", "%d");
        int c = nc.var("C", NC_CHAR, {d});
        nc.text_att(c, "C_format", "%f"); // unusable: the string form
        int e = nc.var("E", NC_CHAR, {d});
        nc.text_att(e, "C_format", std::string("\0", 1)); // empty as a C string
        nc.end_define();
        for (int v : {a, b, c, e})
            nc.put_text(v, "ab");
    }
    EXPECT_EQ(data_section(render_lf(dir.file("ch.nc"))),
              "\n A = \"ab\" ;\n\n B = 97, 98 ;\n\n C = \"ab\" ;\n\n E = \"ab\" ;\n");
}

} // namespace
