// The GDAC client's parsing without a server: root URLs, paths, folder pages, bucket
// listings, the values a user types, and the index search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GdacTestServer.h"
#include "core/JobControl.h"
#include "gdac/GdacIndex.h"
#include "gdac/GdacListing.h"
#include "gdac/GdacRoot.h"
#include "gdac/float_files.h"
#include "gdac/match_points.h"

namespace {

std::vector<std::string> Names(const std::vector<GdacEntry>& entries)
{
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name + (e.isDirectory ? "/" : ""));
    return names;
}

} // namespace

TEST(GdacRoot, ReadsEveryKindOfRootAndRefusesTheRest)
{
    struct Case {
        const char* url;
        bool ok;
        GdacScheme scheme;
        const char* base;
        const char* endpoint;
        const char* path;
    } cases[] = {
        {"https://data-argo.ifremer.fr", true, GdacScheme::Http, "https://data-argo.ifremer.fr",
         "https://data-argo.ifremer.fr", ""},
        {"https://data-argo.ifremer.fr/", true, GdacScheme::Http, "https://data-argo.ifremer.fr",
         "https://data-argo.ifremer.fr", ""},
        {"https://argo-gdac-sandbox.s3-eu-west-3.amazonaws.com/pub", true, GdacScheme::S3,
         "https://argo-gdac-sandbox.s3-eu-west-3.amazonaws.com/pub",
         "https://argo-gdac-sandbox.s3-eu-west-3.amazonaws.com", "/pub"},
        {"s3+https://127.0.0.1:8443/pub/", true, GdacScheme::S3, "https://127.0.0.1:8443/pub", "https://127.0.0.1:8443",
         "/pub"},
        {"ftp://ftp.ifremer.fr/ifremer/argo", true, GdacScheme::Ftp, "ftp://ftp.ifremer.fr/ifremer/argo",
         "ftp://ftp.ifremer.fr", "/ifremer/argo"},
        {"file:///data/my%20mirror", true, GdacScheme::File, "file:///data/my%20mirror", "file://", "/data/my mirror"},
        {"HTTP://[::1]:8080/a", true, GdacScheme::Http, "http://[::1]:8080/a", "http://[::1]:8080", "/a"},
        {"data-argo.ifremer.fr", false, GdacScheme::Http, "", "", ""},
        {"gopher://x/y", false, GdacScheme::Http, "", "", ""},
        {"https://user:pw@host/x", false, GdacScheme::Http, "", "", ""},
        {"https://host/x?list-type=2", false, GdacScheme::Http, "", "", ""},
        {"https://host/a/../b", false, GdacScheme::Http, "", "", ""},
        {"https://host:99999/", false, GdacScheme::Http, "", "", ""},
        {"https://host/a b", false, GdacScheme::Http, "", "", ""},
        {"file://otherhost/x", false, GdacScheme::Http, "", "", ""},
        {"file:///", false, GdacScheme::Http, "", "", ""},
        {"https:///x", false, GdacScheme::Http, "", "", ""},
        {"https://host/%zz", false, GdacScheme::Http, "", "", ""},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto root = ParseGdacRoot(c.url, &error);
        ASSERT_EQ(root.has_value(), c.ok) << c.url << " " << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty()) << c.url;
            continue;
        }
        EXPECT_EQ(root->scheme, c.scheme) << c.url;
        EXPECT_EQ(root->base, c.base) << c.url;
        EXPECT_EQ(root->endpoint, c.endpoint) << c.url;
        EXPECT_EQ(root->path, c.path) << c.url;
    }
    const auto root = ParseGdacRoot("https://h/pub", nullptr);
    EXPECT_EQ(GdacUrlOf(*root, "dac/a b/x#1.nc"), "https://h/pub/dac/a%20b/x%231.nc");
    EXPECT_EQ(GdacUrlOf(*root, "", true), "https://h/pub/");
    EXPECT_EQ(DefaultGdacUrl(), "https://data-argo.ifremer.fr");
    for (const auto& server : DefaultGdacServers())
        EXPECT_TRUE(ParseGdacRoot(server.url, nullptr)) << server.url;
}

TEST(GdacRoot, SafeRelativePaths)
{
    for (const char* good : {"aoml/13857/profiles/R13857_001.nc", "x.nc", "dac/a", "a/.hidden"})
        EXPECT_TRUE(IsSafeRelativePath(good)) << good;
    for (const char* bad : {"", "/etc/passwd", "a//b", "a/../b", "..", "a/.", "a\\b", "a/b/", "a\x01/b", "\xff.nc"})
        EXPECT_FALSE(IsSafeRelativePath(bad)) << bad;
}

TEST(GdacListing, HtmlPagesGiveTheFolderEntriesOnly)
{
    const std::string apache = R"(<html><body><h1>Index of /dac/aoml</h1><table>
<tr><th><a href="?C=N;O=D">Name</a></th><th><a href="?C=M;O=A">Last modified</a></th></tr>
<tr><td><a href="/dac/">Parent Directory</a></td></tr>
<tr><td><a href="13857/">13857/</a></td><td>2024-05-01 10:00</td><td>-</td></tr>
<tr><td><A HREF='1900857/'>1900857/</A></td></tr>
<tr><td><a class="x" href=R13857_001.nc>R13857_001.nc</a></td><td>3.4M</td></tr>
<tr><td><a href="a%20b.nc">a b.nc</a> <a href="a%20b.nc">again</a></td></tr>
<tr><td><a href="x&amp;y.nc">x&amp;y.nc</a><abbr title="a"></abbr><a name="anchor">no link</a></td></tr>
</table><address>Apache</address></body></html>)";
    EXPECT_EQ(Names(ParseHtmlIndex(apache)),
              (std::vector<std::string>{"13857/", "1900857/", "R13857_001.nc", "a b.nc", "x&y.nc"}));

    const std::string hostile = R"html(<a href="../evil.nc">.</a><a href="..%2Fevil.nc">.</a><a href="%2e%2e/">.</a>
<a href="a/b.nc">.</a><a href="/etc/passwd">.</a><a href="..\evil.nc">.</a><a href="bad%01.nc">.</a>
<a href="https://elsewhere.example/x.nc">.</a><a href="javascript:alert(1)">.</a><a href="#top">.</a>
<a href="./x.nc">.</a><a href="%zz.nc">.</a><a href="ok.nc">ok</a><a href="broken)html";
    EXPECT_EQ(Names(ParseHtmlIndex(hostile)), (std::vector<std::string>{"ok.nc"}));
    EXPECT_TRUE(ParseHtmlIndex("").empty());
    EXPECT_EQ(DecodeEntities("&lt;&#65;&#x42;&unknown;&amp"), "<AB&unknown;&amp");
}

TEST(GdacListing, S3PagesGiveEntriesSizesAndTheNextToken)
{
    const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<ListBucketResult xmlns="http://s3.amazonaws.com/doc/2006-03-01/"><Name>b</Name><Prefix>pub/dac/</Prefix>
<Contents><Key>pub/dac/</Key><Size>0</Size></Contents>
<Contents><Key>pub/dac/a&amp;b.nc</Key><Size>1234</Size></Contents>
<Contents><Key>pub/dac/nosize.nc</Key><Size>-4</Size></Contents>
<Contents><Key>pub/dac/x/y.nc</Key><Size>1</Size></Contents>
<Contents><Key>pub/other/z.nc</Key><Size>1</Size></Contents>
<Contents><Key>pub/dac/../evil.nc</Key><Size>1</Size></Contents>
<CommonPrefixes><Prefix>pub/dac/aoml/</Prefix></CommonPrefixes>
<CommonPrefixes><Prefix>pub/dac/..</Prefix></CommonPrefixes>
<IsTruncated>true</IsTruncated><NextContinuationToken>1x&amp;2</NextContinuationToken></ListBucketResult>)";
    const auto page = ParseS3Listing(xml, "pub/dac/");
    ASSERT_TRUE(page);
    EXPECT_EQ(Names(page->entries), (std::vector<std::string>{"aoml/", "a&b.nc", "nosize.nc"}));
    EXPECT_EQ(page->entries[1].size, 1234);
    EXPECT_EQ(page->entries[2].size, -1);
    EXPECT_TRUE(page->truncated);
    EXPECT_EQ(page->nextToken, "1x&2");
    EXPECT_FALSE(ParseS3Listing("<html>Access denied</html>", ""));
}

TEST(GdacIndex, TypedValues)
{
    EXPECT_EQ(ParseWmoList("13857, 2901623"), (std::vector<std::string>{"13857", "2901623"}));
    for (const char* bad : {"", "12a", "1,,2", "-5", "1.5"})
        EXPECT_FALSE(ParseWmoList(bad)) << bad;
    IndexQuery q;
    EXPECT_TRUE(ParseBox("-50,-40,170,-170", q));
    EXPECT_TRUE(q.hasBox);
    EXPECT_EQ(q.lonWest, 170);
    EXPECT_EQ(q.lonEast, -170);
    for (const char* bad : {"1,2,3", "1,2,3,4,5", "10,5,0,1", "-91,0,0,1", "a,b,c,d", "1,2,3,400"}) {
        IndexQuery r;
        EXPECT_FALSE(ParseBox(bad, r)) << bad;
        EXPECT_FALSE(r.hasBox) << bad;
    }
    EXPECT_EQ(ParseDay("2020-01-31", false), 20200131000000u);
    EXPECT_EQ(ParseDay("2020-01-31", true), 20200131235959u);
    EXPECT_EQ(ParseDay("2020-02-29", false), 20200229000000u);
    for (const char* bad : {"2021-02-29", "2020-13-01", "2020-1-01", "20200101", "2020-01-00", "x"})
        EXPECT_FALSE(ParseDay(bad, false)) << bad;
    EXPECT_EQ(IndexKindByName("bio"), GdacIndexKind::Bio);
    EXPECT_FALSE(IndexKindByName("all"));
}

TEST(GdacIndex, SearchFindsTheLinesEveryBoundAllows)
{
    const std::string text = std::string("# comment\n# another\n") +
                             "file,date,latitude,longitude,ocean,profiler_type,institution,date_update\r\n" +
                             GdacTestServer::CoreIndexRows();
    struct Case {
        const char* what;
        std::vector<std::string> wmos;
        const char* dac;
        const char* box;
        const char* from;
        const char* to;
        std::vector<std::string> names; // the last part of each matching file
    } cases[] = {
        {"one WMO", {"13857"}, "", "", "", "", {"R13857_001.nc", "R13857_002.nc"}},
        {"two WMOs", {"2901623", "13857"}, "", "", "", "", {"R13857_001.nc", "R13857_002.nc", "R2901623_000.nc"}},
        {"a short line still has its file", {"1"}, "", "", "", "", {"x.nc"}},
        {"DAC in any case",
         {},
         "CORIOLIS",
         "",
         "",
         "",
         {"D6901929_075.nc", "R6901929_076.nc", "R6901929_077.nc", "cut_001.nc"}},
        {"box across 180", {}, "", "-50,-40,170,-170", "", "", {"D6901929_075.nc", "R6901929_076.nc"}},
        {"box across 180 written past it", {}, "", "-50,-40,170,190", "", "", {"D6901929_075.nc", "R6901929_076.nc"}},
        {"box short of 180", {}, "", "-50,-40,-170,170", "", "", {}},
        {"whole world skips empty positions",
         {},
         "",
         "-90,90,-180,180",
         "",
         "",
         {"R13857_001.nc", "R13857_002.nc", "D6901929_075.nc", "R6901929_076.nc", "D5900446_001.nc", "R2901623_000.nc",
          "cut_001.nc"}},
        {"whole days, ends included", {}, "", "", "2020-01-01", "2020-01-31", {"D6901929_075.nc", "R6901929_076.nc"}},
        {"from only, empty date never", {}, "", "", "2020-02-01", "", {"R6901929_077.nc"}},
        {"to only", {}, "", "", "", "1997-07-29", {"R13857_001.nc"}},
        {"all bounds",
         {"6901929"},
         "coriolis",
         "-50,-40,179,-179",
         "2020-01-01",
         "2020-12-31",
         {"D6901929_075.nc", "R6901929_076.nc"}},
        {"no match", {"99"}, "", "", "", "", {}},
    };
    for (const auto& c : cases) {
        IndexQuery q;
        q.wmos = c.wmos;
        q.dac = c.dac;
        if (*c.box) {
            ASSERT_TRUE(ParseBox(c.box, q)) << c.what;
        }
        if (*c.from)
            q.dateFrom = *ParseDay(c.from, false);
        if (*c.to)
            q.dateTo = *ParseDay(c.to, true);
        std::vector<std::string> names;
        std::string columns;
        const auto result = SearchIndexText(
            text, q,
            [&](std::string_view line) {
                EXPECT_FALSE(line.empty() || line.back() == '\r' || line.back() == '\n') << c.what;
                names.emplace_back(LastPart(line.substr(0, line.find(','))));
            },
            nullptr, [&](std::string_view line) { columns = line; });
        ASSERT_TRUE(result.ok) << c.what << result.error;
        EXPECT_EQ(names, c.names) << c.what;
        EXPECT_EQ(result.matches, c.names.size()) << c.what;
        EXPECT_EQ(result.lines, 10u) << c.what;
        EXPECT_EQ(columns, "file,date,latitude,longitude,ocean,profiler_type,institution,date_update") << c.what;
        EXPECT_EQ(result.columnLine, columns) << c.what;
    }

    // Not an index; cancelled.
    for (const char* bad : {"", "# only comments\n", "<html>not found</html>\n", "date,latitude\n"})
        EXPECT_FALSE(SearchIndexText(bad, {}, {}).ok) << bad;
    JobControl job;
    job.RequestCancel();
    std::string big = text;
    while (big.size() < (20u << 20))
        big += GdacTestServer::CoreIndexRows();
    const auto cancelled = SearchIndexText(big, {}, {}, &job);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(SearchIndexFile("/nonexistent/index.txt", {}, {}).ok);
}

// The map's points: one per line with a usable position, dated where the date reads;
// a dragged rectangle's corners in any order give the region, across 180° too.
TEST(GdacMatchMap, PointsOfLinesAndRegionsOfRectangles)
{
    const std::string columns = "file,date,latitude,longitude,ocean,profiler_type,institution,date_update";
    const std::vector<MatchPoint> points = MatchPointsOf(columns, GdacTestServer::CoreIndexRows());
    std::vector<std::uint32_t> lines;
    for (const MatchPoint& p : points)
        lines.push_back(p.line);
    // Line 4 has no position, 8 and 9 none that reads.
    EXPECT_EQ(lines, (std::vector<std::uint32_t>{0, 1, 2, 3, 5, 6, 7}));
    EXPECT_DOUBLE_EQ(points[2].longitude, 179.5);
    EXPECT_DOUBLE_EQ(points[2].day, 18262.0); // 2020-01-01
    EXPECT_NEAR(points[3].day, 18292.99999, 1e-4);
    EXPECT_FALSE(points[4].dated);                   // D5900446_001: no date
    EXPECT_EQ(DayText(points[5].day), "2010-06-01"); // the line ends in CR LF
    EXPECT_TRUE(MatchPointsOf("no,columns", GdacTestServer::CoreIndexRows()).empty());

    struct Case {
        double lon0, lat0, lon1, lat1;
        MapRegion want;
    } cases[] = {
        {-20, 10, 10, -10, {-10, 10, -20, 10}},
        {10, -10, -20, 10, {-10, 10, -20, 10}},      // corners the other way
        {170, -50, 190, -40, {-50, -40, 170, -170}}, // across 180°: west > east
        {-190, 0, -170, 5, {0, 5, 170, -170}},
        {-100, -95, 300, 95, {-90, 90, -180, 180}}, // a whole turn and beyond the poles
        {0, 0, 180, 1, {0, 1, 0, 180}},
    };
    for (const Case& c : cases) {
        const MapRegion r = RegionBetween(c.lon0, c.lat0, c.lon1, c.lat1);
        EXPECT_DOUBLE_EQ(r.south, c.want.south) << c.lon0;
        EXPECT_DOUBLE_EQ(r.north, c.want.north) << c.lon0;
        EXPECT_DOUBLE_EQ(r.west, c.want.west) << c.lon0;
        EXPECT_DOUBLE_EQ(r.east, c.want.east) << c.lon0;
    }

    IndexQuery query;
    ASSERT_TRUE(ParseBox("-50,-40,170,-170", query));
    query.wmos = {"6901929", "13857"};
    query.dateFrom = *ParseDay("2020-01-31", false);
    EXPECT_EQ(QueryText(GdacIndexKind::Core, query),
              "core index, WMO 6901929,13857, latitude -50 to -40, longitude 170 to -170, from 2020-01-31");

    std::string dac, wmo;
    EXPECT_TRUE(FloatOfIndexFile("coriolis/6901929/profiles/R6901929_076.nc", dac, wmo));
    EXPECT_EQ(dac + " " + wmo, "coriolis 6901929");
    for (const char* bad : {"coriolis", "coriolis/69a/profiles/x.nc", "../1/x.nc", "/1/x.nc"})
        EXPECT_FALSE(FloatOfIndexFile(bad, dac, wmo)) << bad;
}
