// The Float Overview's core: the track (fill, QC, time order, the date line), the map's
// projection, the coastline file, the section model and its raster.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "float_fixture.h"
#include "overview/coastline.h"
#include "overview/colour_scale.h"
#include "overview/float_track.h"
#include "overview/map_view.h"
#include "overview/section_data.h"
#include "overview/section_raster.h"
#include "overview/density_section.h"
#include "profile/argo_time.h"
#include "profile/profile_summary.h"
#include "profile/seawater.h"
#include "support/temp_dir.h"

namespace {

TEST(FloatTrack, UnwrapsLongitudesAcrossTheDateLine)
{
    const struct {
        double previous, longitude, expected;
    } cases[] = {{179, -179, 181}, {-179, 179, -181}, {10, 20, 20},    {181, -178, 182},
                 {0, 360, 0},      {-170, 185, -175}, {540, -180, 540}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(UnwrapLongitude(c.previous, c.longitude), c.expected) << c.previous << " " << c.longitude;
}

TEST(FloatTrack, LeavesOutBadPositionsAndOrdersByDate)
{
    std::vector<RawPosition> raw{
        {10.0, 178.0, 3.0, '1'},           // third by date
        {11.0, -179.0, 4.0, '1'},          // across the date line: 181
        {12.0, 170.0, 1.0, '2'},           // first by date
        {std::nullopt, 5.0, 2.0, '1'},     // fill latitude
        {13.0, 5.0, 2.5, '4'},             // bad
        {14.0, 5.0, 2.6, '9'},             // missing
        {15.0, 5.0, 2.7, '3'},             // probably bad
        {95.0, 5.0, 2.8, '1'},             // not a latitude
        {16.0, -177.0, std::nullopt, '1'}, // no date: last
        {17.0, 179.5, 1.5, ' '},           // no flag: kept
    };
    const FloatTrack t = BuildTrack(raw);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.profiles, 10u);
    EXPECT_EQ(t.leftOut, 5u);
    EXPECT_EQ(t.outOfRange, 1u); // the latitude of 95, told apart from fill and flags
    const std::vector<std::size_t> order{2, 9, 0, 1, 8};
    const std::vector<double> lons{170, 179.5, 178, 181, 183};
    ASSERT_EQ(t.points.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(t.points[i].profile, order[i]);
        EXPECT_DOUBLE_EQ(t.points[i].longitude, lons[i]);
    }
}

TEST(FloatTrack, ReadsRealFilesAndRefusesFilesWithoutPositions)
{
    TempDir dir;
    for (const char* name : {"2902696_prof.nc", "3902131_Sprof.nc"}) {
        const std::string path = std::string(BW_TEST_DATA_DIR) + "/" + name;
        const FloatTrack t = ReadFloatTrack(path);
        ASSERT_TRUE(t.ok) << t.message;
        const ProfileSummaryList list = ReadProfileSummaries(path);
        ASSERT_TRUE(list.ok);
        EXPECT_EQ(t.profiles, list.profiles.size());
        EXPECT_EQ(t.points.size() + t.leftOut, t.profiles);
        EXPECT_GT(t.points.size(), t.profiles / 2);
        for (const TrackPoint& p : t.points) {
            const ProfileSummary& s = list.profiles[p.profile];
            EXPECT_DOUBLE_EQ(p.latitude, *s.latitude);
            EXPECT_NEAR(std::remainder(p.longitude - *s.longitude, 360.0), 0.0, 1e-9);
        }
        for (std::size_t i = 1; i < t.points.size(); ++i)
            if (t.points[i].juld && t.points[i - 1].juld)
                EXPECT_LE(*t.points[i - 1].juld, *t.points[i].juld);
    }
    const std::string noJuld = WriteFloat(dir.file("nojuld.nc"), TrackProfiles({{1, 1}, {2, 2}}), false);
    const FloatTrack t = ReadFloatTrack(noJuld);
    EXPECT_FALSE(t.ok);
    EXPECT_NE(t.message.find("JULD"), std::string::npos) << t.message;
    EXPECT_FALSE(ReadFloatTrack(BW_TEST_DATA_DIR "/D5900446_001.nc").ok); // one profile
    EXPECT_FALSE(ReadFloatTrack(dir.file("missing.nc")).ok);
}

// A trajectory file: the positions along N_MEASUREMENT (measurements without one
// belong to no track), flagged positions left out and counted, cycles kept; it has
// no section.
TEST(FloatTrack, TrajectoryFile)
{
    TempDir dir;
    const std::string path = dir.file("1234_Rtraj.nc");
    constexpr double kFill = 99999.0;
    FixtureVar qc{"POSITION_QC", NC_CHAR, {"N_MEASUREMENT"}};
    qc.text = "1 4 11";
    ASSERT_TRUE(MakeNcFile(
        path, {{"N_MEASUREMENT", 6}},
        {FixtureVar{"LATITUDE", NC_DOUBLE, {"N_MEASUREMENT"}, {10, kFill, 11, kFill, 12, 13}, {}, {}, kFill},
         FixtureVar{"LONGITUDE", NC_DOUBLE, {"N_MEASUREMENT"}, {179, kFill, -179, kFill, 20, -178}, {}, {}, kFill},
         FixtureVar{"JULD", NC_DOUBLE, {"N_MEASUREMENT"}, {100, 101, 110, 111, 120, 130}},
         FixtureVar{"CYCLE_NUMBER", NC_INT, {"N_MEASUREMENT"}, {1, 1, 2, 2, 3, 4}}, qc}));
    const FloatTrack t = ReadFloatTrack(path);
    ASSERT_TRUE(t.ok) << t.message;
    EXPECT_TRUE(t.trajectory);
    EXPECT_EQ(t.profiles, 4u);
    EXPECT_EQ(t.leftOut, 1u); // measurement 2, flagged 4
    ASSERT_EQ(t.points.size(), 3u);
    const long long cycles[] = {1, 3, 4}; // measurements 0, 4 and 5
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(t.points[i].profile, i);
        EXPECT_EQ(t.points[i].cycle, cycles[i]);
    }
    EXPECT_DOUBLE_EQ(t.points[0].longitude, 179.0);
    EXPECT_DOUBLE_EQ(t.points[2].longitude, 182.0); // unwrapped across the date line
    const SectionData section = ReadSection(path, "TEMP", {});
    EXPECT_FALSE(section.ok);
    EXPECT_NE(section.message.find("trajectory"), std::string::npos) << section.message;
}

TEST(MapView, FitsTheTrackAndZoomsAndPansAboutThePointer)
{
    std::vector<TrackPoint> pts{{0, 178, -10, {}, {}}, {1, 181, -12, {}, {}}, {2, 185, -11, {}, {}}};
    MapView v = FitTrack(pts, 400, 300);
    for (const TrackPoint& p : pts) {
        const MapPoint m = v.ToPixel(p.longitude, p.latitude);
        EXPECT_GE(m.x, 400 * 0.1 - 1e-6);
        EXPECT_LE(m.x, 400 * 0.9 + 1e-6);
        EXPECT_GE(m.y, 300 * 0.1 - 1e-6);
        EXPECT_LE(m.y, 300 * 0.9 + 1e-6);
    }
    const MapPoint back = v.ToLonLat(v.ToPixel(183.5, -11.5).x, v.ToPixel(183.5, -11.5).y);
    EXPECT_NEAR(back.x, 183.5, 1e-9);
    EXPECT_NEAR(back.y, -11.5, 1e-9);
    const MapPoint under = v.ToLonLat(100, 50);
    v.ZoomAbout(100, 50, 2.0);
    EXPECT_NEAR(v.ToLonLat(100, 50).x, under.x, 1e-9);
    EXPECT_NEAR(v.ToLonLat(100, 50).y, under.y, 1e-9);
    const MapPoint before = v.ToPixel(180, -11);
    v.Pan(25, -10);
    EXPECT_NEAR(v.ToPixel(180, -11).x, before.x + 25, 1e-9);
    EXPECT_NEAR(v.ToPixel(180, -11).y, before.y - 10, 1e-9);
    EXPECT_EQ(PointAtPixel(v, pts, v.ToPixel(181, -12).x + 3, v.ToPixel(181, -12).y, 5), 1);
    EXPECT_EQ(PointAtPixel(v, pts, v.ToPixel(181, -12).x + 6, v.ToPixel(181, -12).y, 5), -1);
    // One point: at least 2 degrees across, centred on it; none: the world.
    const MapView one = FitTrack(std::span(pts).first(1), 400, 300);
    EXPECT_NEAR(one.ToPixel(178, -10).x, 200, 1e-9);
    EXPECT_NEAR(one.ToPixel(178, -10).y, 150, 1e-9);
    EXPECT_LT(FitTrack({}, 400, 300).West(), -170);
}

TEST(Coastline, ReadsTheShippedLandAndSkipsMalformedLines)
{
    const Coastline shipped = ReadCoastline(BW_SOURCE_DIR "/resources/coastline.txt");
    ASSERT_TRUE(shipped.ok) << shipped.message;
    EXPECT_GT(shipped.rings.size(), 1000u);
    bool africa = false; // a ring around 20E 10N
    for (const LandRing& r : shipped.rings)
        africa = africa || (r.west < 20 && r.east > 20 && r.south < 10 && r.north > 10);
    EXPECT_TRUE(africa);

    TempDir dir;
    std::ofstream(dir.file("c.txt")) << "# comment\n0,0 1,0 1,1\nx,1 2,2 3,3\n0,0 1,95 2,2\n5,5 6,5\n";
    const Coastline c = ReadCoastline(dir.file("c.txt"));
    ASSERT_TRUE(c.ok);
    ASSERT_EQ(c.rings.size(), 1u);
    EXPECT_EQ(c.rings[0].east, 1.0f);
    std::ofstream(dir.file("empty.txt")) << "# nothing\n";
    EXPECT_FALSE(ReadCoastline(dir.file("empty.txt")).ok);
    EXPECT_FALSE(ReadCoastline(dir.file("none.txt")).ok);
    EXPECT_FALSE(ReadCoastline("").message.empty());
}

// Profiles out of time order, one without a date, one with fill values and a deeper
// level first: the section orders them and skips what has no value.
std::string SectionFile(const TempDir& dir)
{
    std::vector<FixtureProfile> p(4);
    p[0].juld = 102;
    p[0].pres = {30, 10, 20};
    p[0].temp = {3, 1, 2};
    p[0].psal = {35, 35, 35};
    p[0].dataMode = 'D';
    p[0].tempAdj = {3.5f, 1.5f, 2.5f};
    p[0].tempQc = "114"; // the level at 20 dbar is bad
    p[1].juld = 100;
    p[1].pres = {10, 20};
    p[1].temp = {5, 99999};
    p[1].psal = {34, 34};
    p[1].tempAdj = {9, 9}; // data mode R: never the best available
    p[2].pres = {10};      // no date
    p[2].temp = {7};
    p[3].juld = 101;
    p[3].pres = {10};
    p[3].temp = {99999}; // no value
    for (auto& q : p) {
        q.lat = 1;
        q.lon = 1;
    }
    return WriteFloat(dir.file("section.nc"), p);
}

TEST(Section, OrdersColumnsAndAppliesTheBestAvailableAndGoodChoices)
{
    TempDir dir;
    const std::string path = SectionFile(dir);
    const struct {
        const char* variable;
        SectionOptions options;
        std::vector<float> first;  // profile 1 (earliest)
        std::vector<float> second; // profile 0
    } cases[] = {
        {"TEMP", {}, {5}, {1, 2, 3}},
        {"TEMP", {true, false}, {5}, {1.5f, 2.5f, 3.5f}},
        {"TEMP", {false, true}, {5}, {1, 3}},
        {"TEMP", {true, true}, {5}, {1.5f, 2.5f, 3.5f}}, // TEMP_ADJUSTED_QC absent: no flag
    };
    for (const auto& c : cases) {
        const SectionData s = ReadSection(path, c.variable, c.options);
        ASSERT_TRUE(s.ok) << s.message;
        ASSERT_EQ(s.columns.size(), 2u);
        EXPECT_EQ(s.skipped, 2u);
        EXPECT_EQ(s.columns[0].profile, 1u);
        EXPECT_EQ(s.columns[1].profile, 0u);
        EXPECT_EQ(s.columns[0].value, c.first);
        EXPECT_EQ(s.columns[1].value, c.second);
        EXPECT_DOUBLE_EQ(s.columns[0].right, 101); // halfway to the neighbour
        EXPECT_DOUBLE_EQ(s.columns[1].left, 101);
        EXPECT_DOUBLE_EQ(s.timeMin, 99); // half the median gap (2) outward
        EXPECT_DOUBLE_EQ(s.presMax, 30);
    }
    const SectionData sigma = ReadSection(path, kSigmaT, {});
    ASSERT_TRUE(sigma.ok);
    EXPECT_NEAR(sigma.columns[0].value[0], SigmaT(34, 5), 1e-4);
    EXPECT_EQ(sigma.title, "sigma-t [kg/m3]");
    const std::vector<std::string> vars = SectionVariables(path);
    EXPECT_EQ(vars, (std::vector<std::string>{"TEMP", "PSAL", "sigma-t", "TEMP_ADJUSTED"}));
    EXPECT_EQ(SectionChoices(vars),
              (std::vector<std::string>{"TEMP", "PSAL", "SIGMA_T", "SIGMA_THETA", "TEMP_ADJUSTED"}));
    // The densities from TEMP and PSAL: sigma-theta of each level at its own pressure.
    for (const char* name : {"SIGMA_T", "SIGMA_THETA"}) {
        const SectionData d = ReadSectionOf(path, name, {});
        ASSERT_TRUE(d.ok) << d.message;
        ASSERT_EQ(d.columns.size(), 2u);
        const SectionColumn& c = d.columns[0];
        const double expected = std::string(name) == "SIGMA_THETA" ? SigmaTheta(34, 5, c.pres[0]) : SigmaT(34, 5);
        EXPECT_NEAR(c.value[0], expected, 1e-4) << name;
        EXPECT_EQ(d.variable, name);
    }
    const SectionData none = ReadSection(path, "LATITUDE", {});
    EXPECT_FALSE(none.ok);
    EXPECT_NE(none.message.find("LATITUDE"), std::string::npos);

    // One usable profile: one column half a day each way.
    std::vector<FixtureProfile> single = TrackProfiles({{1, 1}, {2, 2}});
    single[1].juld.reset();
    const SectionData one = ReadSection(WriteFloat(dir.file("one.nc"), single), "TEMP", {});
    ASSERT_TRUE(one.ok);
    ASSERT_EQ(one.columns.size(), 1u);
    EXPECT_DOUBLE_EQ(one.columns[0].right - one.columns[0].left, 1.0);
}

TEST(Section, RealFilesOfferTheirLevelVariables)
{
    for (const char* name : {"2902696_prof.nc", "3902131_Sprof.nc"}) {
        const std::string path = std::string(BW_TEST_DATA_DIR) + "/" + name;
        const std::vector<std::string> vars = SectionVariables(path);
        ASSERT_GE(vars.size(), 3u);
        EXPECT_EQ(vars[0], "TEMP");
        EXPECT_EQ(vars[2], kSigmaT);
        const SectionData s = ReadSection(path, "TEMP", {true, true});
        ASSERT_TRUE(s.ok) << s.message;
        EXPECT_GT(s.columns.size(), 10u);
        EXPECT_GT(s.presMax, 900);
        EXPECT_GT(s.valueHigh, 20); // warm surface water
        EXPECT_LT(s.valueLow, 6);
        EXPECT_NE(s.title.find("degree_Celsius"), std::string::npos) << s.title;
    }
}

// Cells meet their neighbours halfway, in pressure and in time; a gap of more than
// three median cycles stays empty.
TEST(SectionRaster, ColoursEachLevelFromTheColourScale)
{
    SectionData s;
    s.columns = {{0, 10, 0, 0, {0, 40}, {1, 2}},
                 {1, 12, 0, 0, {0, 50, 250}, {3, 4, 5}},
                 {2, 14, 0, 0, {0, 40}, {1, 2}},
                 {3, 30, 0, 0, {0}, {6}}};
    FinishSection(s);
    const double extents[4][2] = {{9, 11}, {11, 13}, {13, 15}, {29, 31}};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_DOUBLE_EQ(s.columns[k].left, extents[k][0]) << k;
        EXPECT_DOUBLE_EQ(s.columns[k].right, extents[k][1]) << k;
    }
    const SectionAxes axes = FitSection(s, 350, 102);
    const ColourScale scale(1, 6);
    SectionRaster r;
    RasterSection(s, scale, axes, r);
    ASSERT_EQ(r.pixels.size(), 350u * 102u);
    auto at = [&](double t, double p) {
        return r.pixels[static_cast<std::size_t>(axes.YOf(p)) * 350 + static_cast<std::size_t>(axes.XOf(t))];
    };
    const struct {
        double time, pres, value;
    } cells[] = {{10, 10, 1},  {10, 30, 2},  {12, 10, 3},   {12, 40, 4}, {12, 140, 4},
                 {12, 160, 5}, {12, 245, 5}, {14.9, 10, 1}, {30, 2, 6}};
    for (const auto& c : cells)
        EXPECT_EQ(at(c.time, c.pres), scale.ColourOf(c.value)) << c.time << " " << c.pres;
    EXPECT_EQ(at(10, 90), 0u); // below the column's deepest level
    EXPECT_EQ(at(22, 10), 0u); // the long gap
    EXPECT_EQ(ColumnAtPixel(s, axes, axes.XOf(10)), 0);
    EXPECT_EQ(ColumnAtPixel(s, axes, axes.XOf(12.5)), 1);
    EXPECT_EQ(ColumnAtPixel(s, axes, axes.XOf(22)), -1);
    EXPECT_EQ(scale.ColourOf(-100), ColourScale::ColourAt(0));
    EXPECT_EQ(scale.ColourOf(100), ColourScale::ColourAt(1));
    EXPECT_EQ(ColourScale::ColourAt(std::nan("")), ColourScale::ColourAt(0));
}

} // namespace

// Files the section, the track and the chooser cannot use as they stand say what is
// wrong with them: no levels, JULD units that are not days since a date.
TEST(Section, MessagesSayWhatIsWrong)
{
    TempDir dir;
    const auto make = [&](const std::string& name, std::size_t levels, const std::string& units) {
        const std::string path = dir.file(name);
        NcBuilder b(path, NC_NETCDF4 | NC_CLOBBER); // N_LEVELS of 0 is unlimited: not first
        const int prof = b.dim("N_PROF", 2), lev = b.dim("N_LEVELS", levels);
        const int juld = b.var("JULD", NC_DOUBLE, {prof});
        b.text_att(juld, "units", units);
        const int lat = b.var("LATITUDE", NC_DOUBLE, {prof}), lon = b.var("LONGITUDE", NC_DOUBLE, {prof});
        b.var("PRES", NC_FLOAT, {prof, lev});
        b.var("TEMP", NC_FLOAT, {prof, lev});
        b.end_define();
        b.put_double(juld, {1.5, 2.5});
        b.put_double(lat, {10, 11});
        b.put_double(lon, {20, 21});
        return path;
    };
    const std::string good = "days since 1950-01-01 00:00:00 UTC";
    const struct {
        std::string path;
        std::string section; // the section's message
        bool dated;          // the tracks's points and the chooser's rows have dates
    } cases[] = {
        {make("good.nc", 3, good), "", true},
        {make("levels.nc", 0, good), "the file has no levels (N_LEVELS is 0)", true},
        {make("units.nc", 3, "days since 99999-99-99"),
         "the JULD units \"days since 99999-99-99\" cannot be read (days since a date are needed): no dates", false},
        {make("hours.nc", 3, "hours since 1950-01-01"), "cannot be read", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const SectionData section = ReadSection(c.path, "TEMP", {});
        if (c.section.empty())
            EXPECT_EQ(section.message.find("JULD"), std::string::npos) << section.message;
        else
            EXPECT_NE(section.message.find(c.section), std::string::npos) << section.message;
        const FloatTrack track = ReadFloatTrack(c.path);
        ASSERT_EQ(track.points.size(), 2u) << track.message;
        EXPECT_EQ(track.points[0].juld.has_value(), c.dated);
        const ProfileSummaryList list = ReadProfileSummaries(c.path);
        if (list.ok)
            EXPECT_EQ(list.profiles[0].date.empty(), !c.dated);
    }
    EXPECT_TRUE(JuldUnitsReadable("days since 1950-01-01T00:00:00Z"));
    EXPECT_TRUE(JuldUnitsReadable("days since 2000-02-29"));
    EXPECT_FALSE(JuldUnitsReadable("days since 2001-02-29 00:00:00 UTC"));
}
