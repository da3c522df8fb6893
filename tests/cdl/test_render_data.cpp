// Layout of the data section: rows, chunks of 1000, line breaking at 78, strings,
// and the fill tests with their tolerances.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <sstream>

#include "cdl/render_cdl.h"
#include "render_helpers.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

std::string render_data(const std::string& path)
{
    std::string log;
    std::string text = render_lf(path, &log);
    EXPECT_EQ(log, "") << path;
    return data_section(text);
}

TEST(RenderData, RowsOfTwoDimensionalVariablesAndScalars)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("d.nc"));
        int one = nc.dim("ONE", 1), three = nc.dim("THREE", 3), two = nc.dim("TWO", 2);
        int f = nc.var("f", NC_FLOAT, {one, three});
        nc.att(f, "_FillValue", NC_FLOAT, {99999.0});
        int m = nc.var("m", NC_INT, {two, two});
        int s = nc.var("s", NC_INT);
        nc.end_define();
        nc.put_float(f, {5.1f, 10.0f, 99999.0f});
        nc.put_int(m, {1, 2, 3, 4});
        nc.put_int(s, {5});
    }
    EXPECT_EQ(render_data(dir.file("d.nc")), "\n f =\n  5.1, 10, _ ;\n"
                                             "\n m =\n  1, 2,\n  3, 4 ;\n"
                                             "\n s = 5 ;\n");
}

TEST(RenderData, CharRowsAreQuotedStrings)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("c.nc"));
        int n3 = nc.dim("N3", 3), s16 = nc.dim("S16", 16), s4 = nc.dim("S4", 4);
        int word = nc.var("word", NC_CHAR, {s16});
        int rows = nc.var("rows", NC_CHAR, {n3, s16});
        int esc = nc.var("esc", NC_CHAR, {s16});
        int blanks = nc.var("blanks", NC_CHAR, {s4});
        nc.end_define();
        nc.put_text(word, std::string("5900446\0\0\0\0\0\0\0\0\0", 16));
        nc.put_text(rows, "first           second          third           ");
        nc.put_text(esc, std::string("a\0b\xE9\n\"'\\\t\x7f"
                                     "cd\0\0\0",
                                     16));
        nc.put_text(blanks, "ab  ");
    }
    EXPECT_EQ(render_data(dir.file("c.nc")),
              "\n word = \"5900446\" ;\n"
              "\n rows =\n  \"first           \",\n  \"second          \",\n  \"third           \" ;\n"
              "\n esc = \"a\\000b\\351\\n\",\n    \"\\\"\\'\\\\\\t\\177cd\" ;\n"
              "\n blanks = \"ab  \" ;\n");
}

TEST(RenderData, LongRowsAreReadInChunksAndPrintedAsOneList)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("l.nc"));
        int n = nc.dim("N", 2500), c = nc.dim("C", 2000);
        int v = nc.var("v", NC_INT, {n});
        int s = nc.var("s", NC_CHAR, {c});
        nc.end_define();
        std::vector<int> values(2500);
        for (int i = 0; i < 2500; ++i)
            values[static_cast<std::size_t>(i)] = i;
        nc.put_int(v, values);
        nc.put_text(s, "hi" + std::string(1998, '\0'));
    }
    std::string data = render_data(dir.file("l.nc"));
    std::size_t send = data.find("\n s = ");
    std::string list = data.substr(0, send);
    // Joining the continuation lines gives one comma-separated run 0 .. 2499.
    std::string joined;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list.compare(i, 5, "\n    ") == 0) {
            i += 4;
            continue;
        }
        joined += list[i];
    }
    std::ostringstream expected;
    expected << "\n v = ";
    for (int i = 0; i < 2500; ++i)
        expected << i << (i + 1 < 2500 ? ", " : " ;\n");
    EXPECT_EQ(joined, expected.str());
    EXPECT_EQ(data.substr(send), "\n s = \"hi\", \"\" ;\n");
}

TEST(RenderData, LinesStayWithinTheLimit)
{
    TempDir dir;
    const std::string name75(75, 'N');
    {
        NcBuilder nc(dir.file("w.nc"));
        int n = nc.dim("N", 40), c = nc.dim("C", 100);
        int v = nc.var("v", NC_INT, {n});
        int longname = nc.var(name75.c_str(), NC_INT, {n});
        int text = nc.var((name75 + "C").c_str(), NC_CHAR, {c});
        nc.end_define();
        nc.put_int(v, std::vector<int>(40, 1000));
        nc.put_int(longname, std::vector<int>(40, 100));
        nc.put_text(text, std::string(100, 'x'));
    }
    std::string data = render_data(dir.file("w.nc"));
    std::istringstream lines(data);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line))
        all.push_back(line);
    // " v = " and twelve "1000, " fill 77 columns; continuation lines hold twelve more.
    ASSERT_GE(all.size(), 5u);
    EXPECT_EQ(
        all[1], " v = " + [] {
            std::string s;
            for (int i = 0; i < 12; ++i)
                s += "1000, ";
            return s;
        }());
    EXPECT_EQ(all[2].substr(0, 10), "    1000, ");
    for (const std::string& l : all)
        if (l.find('"') == std::string::npos)
            EXPECT_LE(l.size(), 80u) << l;
    // A 75-character name leaves no room on its line: the values start below it.
    std::size_t at = data.find("\n " + name75 + " = \n    100, ");
    EXPECT_NE(at, std::string::npos);
    // A string stays on the name line whatever its length.
    EXPECT_NE(data.find("\n " + name75 + "C = \"" + std::string(100, 'x') + "\" ;\n"), std::string::npos);
}

TEST(RenderData, RowEndsAreCheckedWithoutTheirComma)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("e.nc"));
        int n = nc.dim("N", 10);
        int v = nc.var("vvvvvv", NC_INT, {n});
        nc.end_define();
        nc.put_int(v, std::vector<int>(10, 12345));
    }
    // The last value starts at column 73 and fits as 5 characters; " ;" follows, so
    // the line ends at 80.
    std::string line = " vvvvvv = ";
    for (int i = 0; i < 9; ++i)
        line += "12345, ";
    line += "12345 ;";
    ASSERT_EQ(line.size(), 80u);
    EXPECT_EQ(render_data(dir.file("e.nc")), "\n" + line + "\n");
}

TEST(RenderData, FloatFillToleranceAndDefaults)
{
    TempDir dir;
    const float above = std::nextafter(99999.0f, 1e6f); // 99999.0078125
    {
        NcBuilder nc(dir.file("f.nc"));
        int n = nc.dim("N", 4);
        int f = nc.var("f", NC_FLOAT, {n});
        nc.att(f, "_FillValue", NC_FLOAT, {99999.0});
        int g = nc.var("g", NC_FLOAT, {n}); // no _FillValue: the default fill
        int d = nc.var("d", NC_DOUBLE, {n});
        nc.att(d, "_FillValue", NC_DOUBLE, {999999.0});
        int neg = nc.var("neg", NC_FLOAT, {n});
        nc.att(neg, "_FillValue", NC_FLOAT, {-99.0});
        nc.end_define();
        nc.put_float(f, {99999.0f, above, 99999.1f, 0.0f});
        nc.put_float(g, {NC_FILL_FLOAT, 1.0f, -NC_FILL_FLOAT, 2.0f});
        nc.put_double(d, {999999.0, std::nextafter(999999.0, 1e7), 999999.0000001, 1.0});
        nc.put_float(neg, {-99.0f, 99.0f, 0.0f, -99.00001f});
    }
    EXPECT_EQ(render_data(dir.file("f.nc")), "\n f = _, _, 99999.1, 0 ;\n"
                                             "\n g = _, 1, -9.96921e+036, 2 ;\n"
                                             "\n d = _, _, 999999.0000001, 1 ;\n"
                                             "\n neg = _, 99, 0, _ ;\n");
}

TEST(RenderData, IntegerFillsAndForeignFillAttributes)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("i.nc"));
        int n = nc.dim("N", 3);
        int b = nc.var("b", NC_BYTE, {n}); // no fill test at all
        int i = nc.var("i", NC_INT, {n});
        nc.att(i, "_FillValue", NC_INT, {-999.0});
        int s = nc.var("s", NC_SHORT, {n});           // default fill -32767
        int foreign = nc.var("foreign", NC_INT, {n}); // a double _FillValue is ignored
        nc.att(foreign, "_FillValuX", NC_DOUBLE, {7.0});
        int two = nc.var("two", NC_INT, {n}); // two values: ignored
        nc.att(two, "_FillValuX", NC_INT, {7.0, 8.0});
        int bf = nc.var("bf", NC_BYTE, {n});
        nc.att(bf, "_FillValue", NC_BYTE, {-1.0});
        nc.end_define();
        nc.put_schar(b, {-127, 0, 127});
        nc.put_int(i, {-999, -998, NC_FILL_INT});
        nc.put_short(s, {-32767, 1, -32768});
        nc.put_int(foreign, {7, NC_FILL_INT, 8});
        nc.put_int(two, {7, 8, NC_FILL_INT});
        nc.put_schar(bf, {-1, 1, -127});
    }
    patch_bytes(dir.file("i.nc"), "_FillValuX", "_FillValue");
    EXPECT_EQ(render_data(dir.file("i.nc")), "\n b = -127, 0, 127 ;\n"
                                             "\n i = _, -998, -2147483647 ;\n"
                                             "\n s = _, 1, -32768 ;\n"
                                             "\n foreign = 7, _, 8 ;\n"
                                             "\n two = 7, 8, _ ;\n"
                                             "\n bf = _, 1, -127 ;\n");
}

TEST(RenderData, RecordVariablesWithoutRecordsAreLeftOut)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("r.nc"));
        int rec = nc.dim("T", NC_UNLIMITED), n = nc.dim("N", 2);
        nc.var("history", NC_FLOAT, {rec, n});
        int keep = nc.var("keep", NC_FLOAT, {n});
        nc.end_define();
        nc.put_float(keep, {1.0f, 2.0f});
    }
    EXPECT_EQ(render_data(dir.file("r.nc")), "\n keep = 1, 2 ;\n");

    {
        NcBuilder nc(dir.file("r2.nc"));
        int rec = nc.dim("T", NC_UNLIMITED), n = nc.dim("N", 2);
        int h = nc.var("history", NC_FLOAT, {rec, n});
        nc.end_define();
        nc.put_float_record(h, 0, {1.0f, 2.0f});
        nc.put_float_record(h, 1, {3.0f, 4.0f});
    }
    std::string text = render_lf(dir.file("r2.nc"));
    EXPECT_NE(text.find("\tT = UNLIMITED ; // (2 currently)\n"), std::string::npos);
    EXPECT_EQ(data_section(text), "\n history =\n  1, 2,\n  3, 4 ;\n");
}

TEST(RenderData, NonFiniteValuesHaveClearTexts)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("n.nc"));
        int n = nc.dim("N", 3);
        int f = nc.var("f", NC_FLOAT, {n});
        nc.att_float(f, "valid_max", {INFINITY});
        nc.end_define();
        nc.put_float(f, {NAN, INFINITY, -INFINITY});
    }
    std::string text = render_lf(dir.file("n.nc"));
    EXPECT_NE(text.find("f:valid_max = Infinityf ;"), std::string::npos);
    EXPECT_EQ(data_section(text), "\n f = NaN, Infinity, -Infinity ;\n");
}

} // namespace
