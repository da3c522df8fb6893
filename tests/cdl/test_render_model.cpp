// The netCDF-4 and CDF-5 data model in the CDL text (extended integers, strings,
// user-defined types, groups), and the bounds on files whose headers lie or whose
// variables are too big to list.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>

#include "cdl/render_cdl.h"
#include "render_helpers.h"
#include "support/file_text.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"

namespace {

std::string run_output(const std::string& command)
{
    std::string out;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

// Each CDL text is made into a file by ncgen and must render as itself, which is
// also what ncdump prints for it (the texts hold no floating-point values whose
// exponents differ).
struct ModelCase {
    const char* kind; // ncgen's -k
    const char* cdl;
};

const ModelCase kModelCases[] = {
    {"nc4", R"(netcdf types {
dimensions:
	n = 2 ;
variables:
	ubyte ub(n) ;
		ub:a = 1UB, 255UB ;
	ushort us(n) ;
		us:a = 65535US ;
		us:C_format = "%5u" ;
	uint ui(n) ;
		ui:a = 4294967295U ;
	int64 i64(n) ;
		i64:a = -9223372036854775807LL ;
		i64:_FillValue = -1LL ;
	uint64 u64(n) ;
		u64:a = 18446744073709551615ULL ;
	string s(n) ;
		string s:a = "x\"y", "z\n\001\\" ;
	char c(n) ;
		c:a = "line\nnext" ;

// global attributes:
		:g = 1s ;
		string :h = "" ;
data:

 ub = 0, 255 ;

 us =     1, _ ;

 ui = 2, _ ;

 i64 = _, 9223372036854775807 ;

 u64 = _, 18446744073709551615 ;

 s = "hello", "a\tb\"c\n\'" ;

 c = "ab" ;
}
)"},
    {"nc4", R"(netcdf user {
types:
  ubyte enum cloud_t {Clear = 0, Cumulonimbus = 1, Stratus = 2} ;
  opaque(3) blob_t ;
  int(*) vlen_t ;
  compound pt_t {
    int x ;
    double y ;
    char name(4) ;
    short pair(2) ;
  }; // pt_t
dimensions:
	n = 2 ;
variables:
	cloud_t c(n) ;
		cloud_t c:_FillValue = Clear ;
		cloud_t c:a = Stratus, Cumulonimbus ;
	blob_t b(n) ;
		blob_t b:a = 0X0A0B0C ;
	vlen_t v(n) ;
		vlen_t v:a = {1, 2}, {} ;
	pt_t p(n) ;
		pt_t p:a = {1, 0.5, {"ab"}, {3, 4}} ;
data:

 c = _, Stratus ;

 b = 0XABCDEF, 0X010203 ;

 v = {1, 2, 3}, {} ;

 p = {1, 2, {"ab"}, {5, 6}}, {3, 4.25, {"cdef"}, {7, 8}} ;
}
)"},
    {"nc4", R"(netcdf groups {
dimensions:
	n = 2 ;
	t = UNLIMITED ; // (2 currently)
	u = UNLIMITED ; // (0 currently)
variables:
	int PLATFORM_NUMBER(t, n) ;
	int a\ b\=c\;(n) ;
		a\ b\=c\;:x\:y = "q" ;
data:

 PLATFORM_NUMBER =
  1, 2,
  3, 4 ;

 a\ b\=c\; = 5, 6 ;

group: sub {
  types:
    opaque(1) one_t ;
  dimensions:
  	m = 3 ;
  variables:
  	int sv(n, m) ;
  		sv:_FillValue = -1 ;
  	one_t o ;

  // group attributes:
  		:ga = "in sub" ;
  data:

   sv =
  1, 2, 3,
  4, 5, _ ;

   o = 0X7F ;

  group: deeper\ one {
    dimensions:
    	k = UNLIMITED ; // (1 currently)
    variables:
    	ubyte d(k, m) ;
    data:

     d =
  1, 2, 3 ;
    } // group deeper\ one
  } // group sub

group: empty {
  } // group empty
}
)"},
    {"cdf5", R"(netcdf cdf5 {
dimensions:
	n = 2 ;
	r = UNLIMITED ; // (3 currently)
variables:
	ubyte ub(n) ;
	ushort us(n) ;
		us:a = 7US ;
	uint ui(n) ;
	int i(n) ;
		i:b = 5 ;
	uint64 u(n) ;
		u:x = 3ULL, 4ULL ;
	uint64 ur(r) ;
	byte b(n) ;
	char c(n) ;
		c:a = "l\n",
			"m" ;
data:

 ub = 1, 255 ;

 us = 3, _ ;

 ui = 4, _ ;

 i = 5, _ ;

 u = 6, _ ;

 ur = 1, 2, 3 ;

 b = -1, -127 ;

 c = "ab" ;
}
)"},
    {"nc7", R"(netcdf classic4 {
dimensions:
	n = 4 ;
variables:
	char ch(n) ;
		ch:a = "l1\n",
			"l2\001" ;
data:

 ch = "a\n",
    "b\001" ;
}
)"},
};

TEST(RenderModel, NetCdf4AndCdf5FilesRenderAsNcdumpDoes)
{
    TempDir dir;
    for (const ModelCase& c : kModelCases) {
        const std::string cdl = c.cdl;
        const std::string name = cdl.substr(7, cdl.find(' ', 7) - 7);
        const std::string source = dir.file(name + ".cdl");
        const std::string file = dir.file(name + ".nc");
        std::ofstream(source) << cdl;
        ASSERT_EQ(std::system(("ncgen -k " + std::string(c.kind) + " -o '" + file + "' '" + source + "'").c_str()), 0)
            << name;
        std::string log;
        EXPECT_EQ(render_lf(file, &log), cdl) << name;
        EXPECT_EQ(log, "") << name;
        EXPECT_EQ(run_output("ncdump '" + file + "'"), cdl) << name << " (ncdump)";
    }
}

// Texts where netCDF-4 CDL follows ncdump's layout, each made into a file by ncgen
// (or by the library, for names ncgen refuses) and rendered. Where ncdump's own text
// is unsound the case says why, and ncdump is not compared.
struct LayoutCase {
    const char* comment;
    const char* cdl; // the expected text; also ncgen's input unless `make` is given
    bool ncdump_agrees;
    void (*make)(const std::string& path) = nullptr;
};

const LayoutCase kLayoutCases[] = {
    {"a dimension hidden by a nearer one of the same name: the path of its group",
     R"(netcdf dims_hidden {
dimensions:
	n = 2 ;

group: g1 {
  dimensions:
  	m = 1 ;
  	n = 3 ;

  group: g3 {
    variables:
    	int deep(m, /n) ;
    data:

     deep =
  1, 2 ;
    } // group g3
  } // group g1
}
)",
     true},
    {"a dimension of a sibling group: ncdump writes /m and /n, paths in the root group that name no "
     "dimension or another one",
     R"(netcdf dims_sibling {
dimensions:
	n = 2 ;

group: g1 {
  dimensions:
  	m = 1 ;
  	n = 3 ;
  } // group g1

group: g2 {
  variables:
  	int s(/g1/m, /g1/n) ;
  data:

   s =
  1, 2, 3 ;
  } // group g2
}
)",
     false},
    {"a type of a sibling group, in the declaration and before the attribute",
     R"(netcdf types_sibling {
dimensions:
	n = 1 ;

group: g1 {
  types:
    byte enum en_t {one = 1, two = 2} ;
  } // group g1

group: g2 {
  variables:
  	/g1/en_t e(n) ;
  		/g1/en_t e:a = two ;
  data:

   e = one ;
  } // group g2
}
)",
     true},
    {"a type hidden by a nearer one of the same name: ncdump writes the plain name, which names the "
     "nearer type",
     R"(netcdf types_hidden {
types:
  int(*) vl_t ;
dimensions:
	n = 1 ;

group: g1 {
  types:
    short(*) vl_t ;
  variables:
  	/vl_t v(n) ;
  		/vl_t v:a = {1} ;
  	vl_t w(n) ;
  data:

   v = {7} ;

   w = {8} ;
  } // group g1
}
)",
     false},
    {"null strings, in data and attributes; the empty string is the default fill",
     R"(netcdf nil {
dimensions:
	n = 3 ;
variables:
	string s(n) ;
		string s:a = NIL, "q" ;
data:

 s = _, NIL, "x" ;
}
)",
     true},
    {"compound values equal to the fill",
     R"(netcdf compound_fill {
types:
  compound pt_t {
    int x ;
    double y ;
  }; // pt_t
dimensions:
	n = 3 ;
variables:
	pt_t p(n) ;
		pt_t p:_FillValue = {-1, -2.5} ;
data:

 p = _, {1, 2}, {-1, 2.5} ;
}
)",
     true},
    {"vlen values equal to the fill, alone and inside a compound: ncdump lists a vlen "
     "variable's fill as its values",
     R"(netcdf vlen_fill {
types:
  int(*) vl_t ;
  compound pv_t {
    int x ;
    vl_t v ;
  }; // pv_t
dimensions:
	n = 3 ;
variables:
	vl_t v(n) ;
		vl_t v:_FillValue = {1, 2} ;
	pv_t p(n) ;
		pv_t p:_FillValue = {0, {3}} ;
data:

 v = _, {1}, {} ;

 p = _, {0, {}}, {1, {3}} ;
}
)",
     false},
    {"float infinities and NaN carry the suffix f, whatever the C_format; doubles none",
     R"(netcdf infinities {
types:
  compound c_t {
    float f ;
    double d ;
  }; // c_t
dimensions:
	n = 3 ;
variables:
	float f(n) ;
		f:a = Infinityf, -Infinityf, NaNf ;
		f:C_format = "%.3f" ;
	double d(n) ;
		d:a = -Infinity ;
	c_t c ;
data:

 f = Infinityf, -Infinityf, NaNf ;

 d = Infinity, -Infinity, NaN ;

 c = {-Infinityf, Infinity} ;
}
)",
     true},
    {"variables named like section keywords are set apart from the colon of their attributes",
     R"(netcdf keywords {
dimensions:
	data = 1 ;
variables:
	int data(data) ;
		data :data = "x" ;
	int dimensions(data) ;
		dimensions :dimensions = "x" ;
	int variables(data) ;
		variables :variables = "x" ;
	int group(data) ;
		group :group = "x" ;
	int types(data) ;
		types :types = "x" ;
	int int(data) ;
		int:int = "x" ;

// global attributes:
		:data = "y" ;
data:

 data = _ ;

 dimensions = _ ;

 variables = _ ;

 group = _ ;

 types = _ ;

 int = _ ;
}
)",
     true,
     [](const std::string& path) {
         NcBuilder nc(path, NC_CLOBBER | NC_NETCDF4);
         const int d = nc.dim("data", 1);
         for (const char* name : {"data", "dimensions", "variables", "group", "types", "int"})
             nc.text_att(nc.var(name, NC_INT, {d}), name, "x");
         nc.text_att(NC_GLOBAL, "data", "y");
     }},
};

TEST(RenderModel, NetCdf4LayoutFollowsNcdumpWhereItIsSound)
{
    TempDir dir;
    for (const LayoutCase& c : kLayoutCases) {
        const std::string cdl = c.cdl;
        const std::string name = cdl.substr(7, cdl.find(' ', 7) - 7);
        const std::string file = dir.file(name + ".nc");
        if (c.make) {
            c.make(file);
        } else {
            std::ofstream(dir.file(name + ".cdl")) << cdl;
            ASSERT_EQ(std::system(("ncgen -k nc4 -o '" + file + "' '" + dir.file(name + ".cdl") + "'").c_str()), 0)
                << name;
        }
        std::string log;
        EXPECT_EQ(render_lf(file, &log), cdl) << c.comment;
        EXPECT_EQ(log, "") << name;
        if (c.ncdump_agrees)
            EXPECT_EQ(run_output("ncdump '" + file + "'"), cdl) << name << " (ncdump)";
    }
}

TEST(RenderModel, GroupsFillTheNameListsWithEscapedNames)
{
    TempDir dir;
    std::ofstream(dir.file("g.cdl")) << kModelCases[2].cdl;
    ASSERT_EQ(std::system(("ncgen -k nc4 -o '" + dir.file("g.nc") + "' '" + dir.file("g.cdl") + "'").c_str()), 0);
    CdlOutcome outcome;
    render_cdl_text(dir.file("g.nc"), &outcome);
    EXPECT_EQ(outcome.dimension_names, (std::vector<std::string>{"n", "t", "u", "m", "k"}));
    EXPECT_EQ(outcome.variable_names, (std::vector<std::string>{"PLATFORM_NUMBER", "a\\ b\\=c\\;", "sv", "o", "d"}));
}

// Names that CDL would read as punctuation are escaped in classic files too; the
// title keeps a leading digit as it was.
TEST(RenderModel, ClassicNamesAreEscaped)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("1names.nc"));
        int d = nc.dim("1d", 1);
        int v = nc.var("a b;c", NC_INT, {d});
        nc.text_att(v, "x=y", "z");
        nc.end_define();
        nc.put_int(v, {3});
    }
    EXPECT_EQ(render_lf(dir.file("1names.nc")), "netcdf 1names {\ndimensions:\n\t\\1d = 1 ;\nvariables:\n"
                                                "\tint a\\ b\\;c(\\1d) ;\n\t\ta\\ b\\;c:x\\=y = \"z\" ;\n"
                                                "data:\n\n a\\ b\\;c = 3 ;\n}\n");
}

// A refused header's message names the file and reads as English.
TEST(RenderModel, RefusedHeaderMessagesNameTheFile)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("att.nc"));
        nc.text_att(NC_GLOBAL, "units", "m");
    }
    patch_bytes(dir.file("att.nc"), std::string("\0\0\0\005units", 9), std::string("\0\0\0\0units", 9));
    std::string log;
    render_lf(dir.file("att.nc"), &log);
    EXPECT_EQ(log, dir.file("att.nc") + ": not a valid netCDF file: an attribute name has a bad length\n");
}

// A fill value that is not finite matches only values equal to it; values of the
// same sign print as numbers.
TEST(RenderModel, NonFiniteFillMatchesOnlyItself)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float fill;
        const char* listed;
    } cases[] = {
        {inf, "1, 3e+038, _, -Infinity, NaN"},
        {-inf, "1, 3e+038, Infinity, _, NaN"},
        {nan, "1, 3e+038, Infinity, -Infinity, _"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        {
            NcBuilder nc(dir.file("f.nc"));
            int d = nc.dim("n", 5);
            int v = nc.var("v", NC_FLOAT, {d});
            nc.att_float(v, "_FillValue", {c.fill});
            nc.end_define();
            nc.put_float(v, {1.0f, 3e38f, inf, -inf, nan});
        }
        EXPECT_EQ(data_section(render_lf(dir.file("f.nc"))), std::string("\n v = ") + c.listed + " ;\n") << c.fill;
    }
}

// A %c conversion writes bytes that do not print as octal escapes, as strings do; the
// format's own text is written as it stands.
TEST(RenderModel, CharConversionEscapesUnprintableBytes)
{
    TempDir dir;
    {
        NcBuilder nc(dir.file("c.nc"));
        int d = nc.dim("n", 4);
        int c = nc.var("c", NC_CHAR, {d});
        nc.text_att(c, "C_format", "%c");
        int b = nc.var("b", NC_BYTE, {d});
        nc.text_att(b, "C_format", "<%c>\t\n");
        nc.end_define();
        nc.put_text(c, std::string("a\001\351\n", 4));
        nc.put_schar(b, {65, 9, -1, 127});
    }
    EXPECT_EQ(data_section(render_lf(dir.file("c.nc"))),
              "\n c = a, \\001, \\351, \\012 ;\n\n b = <A>\t\n, <\\011>\t\n, <\\377>\t\n, <\\177>\t\n ;\n");
}

// A classic file whose record count is the "streaming" marker lists the whole
// records the file holds, and says so.
TEST(RenderModel, StreamingRecordCountIsResolvedFromTheFileSize)
{
    TempDir dir;
    const std::string path = dir.file("stream.nc");
    {
        NcBuilder nc(path);
        int r = nc.dim("r", NC_UNLIMITED);
        int n = nc.dim("n", 2);
        int v = nc.var("v", NC_SHORT, {r, n});
        nc.end_define();
        const short values[6] = {1, 2, 3, 4, 5, 6};
        size_t start[2] = {0, 0}, count[2] = {3, 2};
        ASSERT_EQ(nc_put_vara_short(nc.id(), v, start, count, values), NC_NOERR);
    }
    patch_bytes(path, std::string("CDF\001\0\0\0\003", 8), std::string("CDF\001\377\377\377\377", 8));
    const auto started = std::chrono::steady_clock::now();
    for (int records : {3, 2}) {
        std::string log;
        std::string text = render_lf(path, &log);
        EXPECT_NE(text.find("\tr = UNLIMITED ; // (" + std::to_string(records) + " currently)\n"), std::string::npos);
        EXPECT_EQ(data_section(text),
                  records == 3 ? "\n v =\n  1, 2,\n  3, 4,\n  5, 6 ;\n" : "\n v =\n  1, 2,\n  3, 4 ;\n");
        EXPECT_EQ(log, path + ": the header gives the number of records as \"streaming\" (0xFFFFFFFF); the " +
                           std::to_string(records) + " whole records the file holds are shown\n");
        std::filesystem::resize_file(path, std::filesystem::file_size(path) - 2); // the last record is cut
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

// Unwritten netCDF-4 variables of 10^12 values are summarised at once, and a
// variable whose text passes a lower limit stops there; both say so.
TEST(RenderModel, HugeVariablesAreSummarisedInBoundedTime)
{
    TempDir dir;
    const std::string path = dir.file("huge.nc");
    {
        NcBuilder nc(path, NC_CLOBBER | NC_NETCDF4);
        int a = nc.dim("a", 1000000);
        int b = nc.dim("b", 1000000);
        nc.var("f", NC_FLOAT, {a, b});
        nc.var("c", NC_CHAR, {a, b});
        nc.var("s", NC_STRING, {a, b});
        int small = nc.var("small", NC_INT, {a});
        nc.end_define();
        nc.put_int(small, std::vector<int>(1000000, 7));
    }
    const auto started = std::chrono::steady_clock::now();
    std::string log;
    const std::string text = render_lf(path, &log);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    for (const char* name : {"f", "c", "s"}) {
        EXPECT_NE(text.find(std::string("\n // ") + name +
                            ": 1000000000000 values not listed: their text would pass "
                            "the limit of 536870912 bytes for one variable\n"),
                  std::string::npos)
            << name;
        EXPECT_NE(log.find(path + ": variable " + name +
                           " is not listed: the text of its 1000000000000 values would "
                           "pass the limit of 536870912 bytes for one variable\n"),
                  std::string::npos)
            << name;
    }
    EXPECT_NE(text.find("\n small = 7, 7, 7,"), std::string::npos);

    // Under a lower limit, a variable whose text passes it while listed stops there.
    {
        NcBuilder nc(dir.file("wide.nc"));
        int n = nc.dim("n", 3000);
        int wide = nc.var("wide", NC_INT, {n});
        nc.text_att(wide, "C_format", "%20d");
        nc.end_define();
        nc.put_int(wide, std::vector<int>(3000, 1));
    }
    StringSink sink;
    CdlOptions options;
    options.variable_text_limit = 9000;
    const CdlOutcome limited = render_cdl(dir.file("wide.nc"), sink, nullptr, options);
    EXPECT_NE(lf(sink.text).find(" // wide: listing stopped: its text passed the limit of 9000 bytes for one "
                                 "variable\n}\n"),
              std::string::npos);
    EXPECT_EQ(limited.log, dir.file("wide.nc") + ": variable wide is listed only in part: its text passed the limit "
                                                 "of 9000 bytes for one variable\n");
    EXPECT_LT(sink.text.size(), 30000u); // the first chunk of 1000 values, not all 3000
}

// A variable whose compressed data is damaged gives one message naming the file and
// the variable, not one per chunk, and its entry ends there.
TEST(RenderModel, FirstReadErrorEndsTheVariable)
{
    TempDir dir;
    const std::string path = dir.file("z.nc");
    {
        NcBuilder nc(path, NC_CLOBBER | NC_NETCDF4);
        int n = nc.dim("n", 40000);
        int z = nc.var("z", NC_INT, {n});
        size_t chunk = 2000;
        ASSERT_EQ(nc_def_var_chunking(nc.id(), z, NC_CHUNKED, &chunk), NC_NOERR);
        ASSERT_EQ(nc_def_var_deflate(nc.id(), z, 0, 1, 1), NC_NOERR);
        nc.end_define();
        std::vector<int> values(40000);
        for (int i = 0; i < 40000; ++i)
            values[static_cast<std::size_t>(i)] = i;
        nc.put_int(z, values);
    }
    // Spoil every deflate stream (level 1 starts with the bytes 78 01).
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    int spoiled = 0;
    for (std::size_t at = bytes.find("\x78\x01"); at != std::string::npos && at + 40 < bytes.size();
         at = bytes.find("\x78\x01", at + 1), ++spoiled)
        for (std::size_t k = 4; k < 40; ++k)
            bytes[at + k] = static_cast<char>(bytes[at + k] ^ 0x55);
    ASSERT_GE(spoiled, 20);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;

    std::string log;
    const std::string text = render_lf(path, &log);
    EXPECT_EQ(log, path + ": the values of variable z could not be read: NetCDF: HDF error\n");
    EXPECT_EQ(data_section(text), "\n z =  ;\n");
}

} // namespace
