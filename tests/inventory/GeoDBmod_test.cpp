#include "inventory/GeoDBmod.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/inventory/geo_fixture.h"

namespace {

namespace fs = std::filesystem;
using geotest::GeoTest;
using geotest::Pt;
using geotest::Line;
using geotest::WriteGeometry;

const std::vector<Pt> kOnePoint = {{"0010", 1, 0, 0, 50, -122}, {"0010", 2, 1, 1, 50.01, -122}};

class GeoDBFind : public GeoTest {};

// Which file the finder takes, with a log open so that nothing is asked.
TEST_F(GeoDBFind, GreatestVersionOfTheFirstFolderThatHasOne) {
    struct Case {
        const char* what;
        std::vector<std::string> app, data;
        std::string version, short_name;
        bool in_app;
    };
    const Case cases[] = {
        {"greatest of the program folder",
         {"TRgeo_HMZ200806_SegGeometry.mdb", "TRgeo_HMZ201807_SegGeometry.mdb"},
         {},
         "201807",
         "TRgeo_HMZ201807_SegGeometry.mdb",
         true},
        {"the program folder hides a newer data folder",
         {"TRgeo_HMZ200806_SegGeometry.mdb"},
         {"TRgeo_HMZ202001_SegGeometry.mdb"},
         "200806",
         "TRgeo_HMZ200806_SegGeometry.mdb",
         true},
        {"data folder, name kept as on disk",
         {},
         {"trgeo_hmz201807_seggeometry.MDB"},
         "201807",
         "trgeo_hmz201807_seggeometry.MDB",
         false},
        {"a name without six digits after _HMZ is no version",
         {"TRgeo_HMZ201807_SegGeometry.mdb", "TRgeo_HMZ_new_SegGeometry.mdb", "TRgeo_HMZ9_SegGeometry.mdb"},
         {},
         "201807",
         "TRgeo_HMZ201807_SegGeometry.mdb",
         true},
        {"another key's files do not match",
         {"Other_HMZ209901_SegGeometry.mdb", "TRgeo_HMZ201004_SegGeometry.mdb"},
         {},
         "201004",
         "TRgeo_HMZ201004_SegGeometry.mdb",
         true},
    };
    int16_t log = OpenLog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_ / "app");
        fs::remove_all(dir_ / "data");
        for (const auto& n : c.app) WriteGeometry(dir_ / "app" / n, kOnePoint);
        for (const auto& n : c.data) WriteGeometry(dir_ / "data" / n, kOnePoint);
        GeoDB_Close();
        GeoDB_Init("TRgeo", log);
        EXPECT_EQ(GeoDB_Failed, 0);
        EXPECT_TRUE(GeoDB_db.is_open());
        EXPECT_EQ(GeoDB_HMZversion, c.version);
        EXPECT_EQ(GeoDB_ShortName, c.short_name);
        EXPECT_EQ(GeoDB_Folder, c.in_app ? App() : Data());
        EXPECT_EQ(GeoDB_FileName, GeoDB_Folder + c.short_name);
        EXPECT_EQ(GeoDB_DataSource, "TRgeo");
    }
}

TEST_F(GeoDBFind, WithoutALogTheUserConfirmsTheFileFound) {
    WriteGeometry(dir_ / "app" / "TRgeo_HMZ201807_SegGeometry.mdb", kOnePoint);
    WriteGeometry(dir_ / "app" / "elsewhere.mdb", kOnePoint);
    ui_->ExpectInput(App() + "elsewhere.mdb", "Open HMZ Segment geometry database: ");
    GeoDB_Init("TRgeo", 0);
    ASSERT_EQ(ui_->shown.size(), 1u);
    EXPECT_EQ(ui_->shown[0].title, "GeoDB_FindFile");
    EXPECT_TRUE(GeoDB_db.is_open());
    EXPECT_EQ(GeoDB_FileName, App() + "elsewhere.mdb");
    EXPECT_EQ(GeoDB_ShortName, "TRgeo_HMZ201807_SegGeometry.mdb") << "version and short name of the file found";
    EXPECT_EQ(GeoDB_HMZversion, "201807");

    // An empty answer ends the search without a file.
    GeoDB_Close();
    ui_->ExpectInput("", "Open HMZ Segment geometry database: ");
    GeoDB_Init("TRgeo", 0);
    EXPECT_EQ(GeoDB_Failed, -1);
    EXPECT_FALSE(GeoDB_db.is_open());
    EXPECT_EQ(GeoDB_FileName, "");
}

TEST_F(GeoDBFind, NothingFoundTheUserTypesANameAndAVersion) {
    WriteGeometry(dir_ / "elsewhere" / "geo.mdb", kOnePoint);
    const std::string typed = (dir_ / "elsewhere" / "geo.mdb").string();
    ui_->ExpectMsgBox(ui::vbOK,
                      "Cannot find a geometry database file matching: " + Data() + "TRgeo_HMZ*_SegGeometry.mdb");
    ui_->ExpectInput(typed, "Enter fule file name of HMZ Segment geometry database: ");
    ui_->ExpectInput("201904", "Enter HMZ version of that geometry: ");
    GeoDB_Init("TRgeo", 0);
    EXPECT_EQ(GeoDB_Failed, 0);
    EXPECT_TRUE(GeoDB_db.is_open());
    EXPECT_EQ(GeoDB_Folder, "");
    EXPECT_EQ(GeoDB_ShortName, "geo.mdb");
    EXPECT_EQ(GeoDB_HMZversion, "201904");
    EXPECT_EQ(ui_->shown[0].title, "Error");
    EXPECT_EQ(ui_->shown[0].buttons & 7, ui::vbOKCancel);
}

// Every way the search ends without a file leaves the module failed and closed.
TEST_F(GeoDBFind, SearchesThatEndWithoutAFile) {
    struct Case {
        const char* what;
        std::vector<std::string> app;
        std::vector<ui::ScriptedAnswer> answers;
    };
    auto msg = [](ui::MsgBoxResult r, std::string p) {
        ui::ScriptedAnswer a;
        a.kind = ui::ShownBox::Message;
        a.result = r;
        a.prompt_contains = std::move(p);
        return a;
    };
    auto input = [](std::string text, std::string p) {
        ui::ScriptedAnswer a;
        a.kind = ui::ShownBox::Input;
        a.text = std::move(text);
        a.prompt_contains = std::move(p);
        return a;
    };
    const std::string missing = (dir_ / "missing.mdb").string();
    const std::string present = (dir_ / "app" / "geo.mdb").string();
    const Case cases[] = {
        {"cancel when nothing matches", {}, {msg(ui::vbCancel, "Cannot find a geometry database file matching: ")}},
        {"no name typed", {}, {msg(ui::vbOK, "Cannot find"), input("", "Enter fule file name")}},
        {"no version typed",
         {"geo.mdb"},
         {msg(ui::vbOK, "Cannot find"), input(present, "Enter fule file name"), input("", "Enter HMZ version")}},
        {"a typed version that is not YYYYMM",
         {"geo.mdb"},
         {msg(ui::vbOK, "Cannot find"), input(present, "Enter fule file name"), input("2019-04", "Enter HMZ version"),
          msg(ui::vbOK, "Invalid HMZ version: 2019-04")}},
        {"a typed file that does not exist, then cancel",
         {},
         {msg(ui::vbOK, "Cannot find"), input(missing, "Enter fule file name"), input("201904", "Enter HMZ version"),
          msg(ui::vbCancel, "File does not exist:\r\n\r\n" + missing)}},
        {"matches without a version",
         {"TRgeo_HMZ_SegGeometry.mdb", "TRgeo_HMZabcdef_SegGeometry.mdb"},
         {msg(ui::vbOK, "Error: could not find GeoDB file for " + App() + "TRgeo_HMZ*_SegGeometry.mdb")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_ / "app");
        fs::create_directories(dir_ / "app");
        for (const auto& n : c.app) WriteGeometry(dir_ / "app" / n, kOnePoint);
        for (const auto& a : c.answers) ui_->script.push_back(a);
        GeoDB_Init("TRgeo", 0);
        EXPECT_TRUE(ui_->script.empty());
        ui_->script.clear();
        EXPECT_EQ(GeoDB_Failed, -1);
        EXPECT_FALSE(GeoDB_db.is_open());
        EXPECT_EQ(GeoDB_FileName, "");
    }
}

TEST_F(GeoDBFind, AMissingFileWithOkSearchesAgain) {
    const std::string missing = (dir_ / "missing.mdb").string();
    const std::string present = (dir_ / "app" / "geo.mdb").string();
    WriteGeometry(present, kOnePoint);
    ui_->ExpectMsgBox(ui::vbOK, "Cannot find");
    ui_->ExpectInput(missing, "Enter fule file name");
    ui_->ExpectInput("201904", "Enter HMZ version");
    ui_->ExpectMsgBox(ui::vbOK, "File does not exist:");
    ui_->ExpectMsgBox(ui::vbOK, "Cannot find");
    ui_->ExpectInput(present, "Enter fule file name");
    ui_->ExpectInput("201905", "Enter HMZ version");
    GeoDB_Init("TRgeo", 0);
    EXPECT_TRUE(GeoDB_db.is_open());
    EXPECT_EQ(GeoDB_HMZversion, "201905");
}

TEST_F(GeoDBFind, AnOpenDatabaseIsKeptForItsKeyAndLeftForAnother) {
    WriteGeometry(dir_ / "app" / "TRgeo_HMZ201807_SegGeometry.mdb", kOnePoint);
    int16_t log = OpenLog();
    GeoDB_Init("TRgeo", log);
    ASSERT_TRUE(GeoDB_db.is_open());
    // A newer file is not taken up while the key stays the same.
    WriteGeometry(dir_ / "app" / "TRgeo_HMZ202001_SegGeometry.mdb", kOnePoint);
    GeoDB_Failed = -1;
    GeoDB_Init("TRgeo", 0);
    EXPECT_TRUE(ui_->shown.empty()) << "nothing asked";
    EXPECT_EQ(GeoDB_Failed, 0);
    EXPECT_EQ(GeoDB_LogFileNo, 0);
    EXPECT_EQ(GeoDB_HMZversion, "201807");
    // Another key closes it and searches for that key.
    ui_->ExpectMsgBox(ui::vbCancel,
                      "Cannot find a geometry database file matching: " + Data() + "Other_HMZ*_SegGeometry.mdb");
    GeoDB_Init("Other", 0);
    EXPECT_FALSE(GeoDB_db.is_open());
    EXPECT_EQ(GeoDB_Failed, -1);
    EXPECT_EQ(GeoDB_DataSource, "Other");
}

TEST_F(GeoDBFind, TheLogGetsTheOpenLines) {
    const std::string file = App() + "TRgeo_HMZ201807_SegGeometry.mdb";
    WriteGeometry(file, kOnePoint);
    GeoDB_Init("TRgeo", OpenLog());
    EXPECT_TRUE(GeoDB_db.is_open());
    EXPECT_EQ(LogText(), "Opening database: " + file + "\n" + file + " opened.\n");
}

TEST_F(GeoDBFind, AnEmptyTableOrAnUnreadableFileLeavesItClosed) {
    const std::string file = App() + "TRgeo_HMZ201807_SegGeometry.mdb";
    WriteGeometry(file, {});
    int16_t log = OpenLog();
    const std::string empty_text = "Error: Table SegLatLonKm is empty in database " + file;
    ui_->ExpectMsgBox(ui::vbOK, empty_text);
    GeoDB_Init("TRgeo", log);
    EXPECT_EQ(GeoDB_Failed, -1);
    EXPECT_FALSE(GeoDB_db.is_open());
    EXPECT_EQ(ui_->shown.back().title, "GeoDB");
    EXPECT_EQ(LogText(), "Opening database: " + file + "\n" + file + " opened.\n" + empty_text + "\n");

    // Not a database at all.
    fs::remove(file);
    { std::ofstream(file) << "not a database"; }
    ui_->ExpectMsgBox(ui::vbOK, "Error 3343 opening " + file + "\r\n");
    GeoDB_Init("TRgeo", OpenLog());
    EXPECT_EQ(GeoDB_Failed, -1);
    EXPECT_FALSE(GeoDB_db.is_open());
    EXPECT_NE(LogText().find("Error 3343 opening " + file), std::string::npos);
}

TEST(GeoDBVersion, SixDigitsAfterTheLastHMZ) {
    struct Case {
        std::string name, version;
    };
    const Case cases[] = {
        {"TRgeo_HMZ201807_SegGeometry.mdb", "201807"},
        {"trgeo_hmz200806_seggeometry.mdb", "200806"},
        {"A_HMZ199901_B_HMZ201807_SegGeometry.mdb", "201807"},
        {"TRgeo_HMZ_SegGeometry.mdb", ""},
        {"TRgeo_HMZ2018_SegGeometry.mdb", ""},
        {"TRgeo_HMZ201807", "201807"},
        {"TRgeo_HMZ20180", ""},
        {"TRgeo_SegGeometry.mdb", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(GeoDB_VersionOfFile(c.name), c.version) << c.name;
}

// ------------------------------------------------------------ lookups

class GeoDBLookup : public GeoTest {
protected:
    void SetUp() override {
        GeoTest::SetUp();
        std::vector<Pt> pts = {
            // A straight segment; Km_Calc differs from Km_Scaled.
            {"0010", 1, 0.0, 0.0, 50.0, -122.0},
            {"0010", 2, 1.0, 1.2, 50.01, -122.0},
            {"0010", 3, 2.0, 2.4, 50.01, -122.02},
            // No point at km 0.
            {"0020", 1, 0.5, 0.5, 51.0, -121.0},
            {"0020", 2, 1.5, 1.5, 51.01, -121.0},
            // Two points at one km.
            {"0030", 1, 0.0, 0.0, 52.0, -120.0},
            {"0030", 2, 1.0, 1.0, 52.01, -120.0},
            {"0030", 3, 1.0, 1.0, 52.02, -120.0},
            {"0030", 4, 2.0, 2.0, 52.03, -120.0},
            // The first two points at one km (and none at km 0).
            {"0050", 1, 0.5, 0.5, 54.0, -118.0},
            {"0050", 2, 0.5, 0.5, 54.01, -118.0},
            {"0050", 3, 1.5, 1.5, 54.02, -118.0},
            // A lone point.
            {"0040", 1, 0.0, 0.0, 53.0, -119.0},
        };
        WriteGeometry(dir_ / "app" / "TRgeo_HMZ201807_SegGeometry.mdb", pts);
        GeoDB_Init("TRgeo", OpenLog());
        ASSERT_TRUE(GeoDB_db.is_open());
    }
};

TEST_F(GeoDBLookup, InterpolationTable) {
    struct Case {
        bool scaled;
        std::string seg;
        float km;
        int16_t status;
        double lat, lon;
    };
    const Case cases[] = {
        {true, "0010", 0.0f, 0, 50.0, -122.0},                 // the km-0 point
        {true, "0010", 0.5f, 1, 50.005, -122.0},               // between
        {true, "0010", 1.0f, 1, 50.01, -122.0},                // a point's own km
        {true, "0010", 1.5f, 1, 50.01, -122.01},               // second piece
        {true, "0010", 2.0f, 1, 50.01, -122.02},               // the last point's km
        {true, "0010", 2.05f, 2, 50.01, -122.02},              // just past the end
        {true, "0010", 2.099f, 2, 50.01, -122.02},             // still inside 0.1
        {true, "0010", 2.1f, 2, 50.01, -122.02},               // 2.1f - 2.0f falls short of 0.1f
        {true, "0010", std::nextafter(2.1f, 3.0f), -2, 0, 0},  // at 0.1 past
        {true, "0010", 3.0f, -2, 0, 0},                        // beyond
        {true, "0010", -0.5f, -1, 0, 0},                       // a negative km has no point
        {false, "0010", 0.6f, 1, 50.005, -122.0},              // on Km_Calc
        {false, "0010", 2.45f, 2, 50.01, -122.02},             // past Km_Calc's end
        {true, "0020", 0.0f, -1, 0, 0},                        // no point at km 0
        {true, "0020", 1.0f, 1, 51.005, -121.0},               // its points still serve
        {true, "0030", 1.0f, 1, 52.01, -120.0},                // the first point reaching the km
        {true, "0030", 1.5f, 1, 52.025, -120.0},               // the walk goes on from the second
        {true, "0050", 0.3f, 1, 54.01, -118.0},                // two points at one km: the later
        {true, "0050", 0.5f, 1, 54.01, -118.0},
        {true, "0050", 1.0f, 1, 54.015, -118.0},
        {true, "0040", 0.0f, 0, 53.0, -119.0},   // a lone point at km 0
        {true, "0040", 0.05f, 2, 53.0, -119.0},  // and just past it
        {true, "0099", 1.0f, -1, 0, 0},          // no such segment
        {true, "0099", 0.0f, -1, 0, 0},
    };
    for (const auto& c : cases) {
        double lat = 99, lon = 99;
        int16_t status = 99;
        GeoDB_LookupLatLon(c.scaled, c.seg, c.km, lat, lon, status);
        SCOPED_TRACE(c.seg + " km " + std::to_string(c.km) + (c.scaled ? " scaled" : " calc"));
        EXPECT_EQ(status, c.status);
        EXPECT_NEAR(lat, c.lat, 1e-7);
        EXPECT_NEAR(lon, c.lon, 1e-7);
    }
}

// The interpolation factor is held in single precision.
TEST_F(GeoDBLookup, FactorInSinglePrecision) {
    double lat = 0, lon = 0;
    int16_t status = 0;
    GeoDB_LookupLatLon(true, "0010", 0.3f, lat, lon, status);
    const float f = (0.3f - 0.0f) / (1.0f - 0.0f);
    EXPECT_EQ(status, 1);
    EXPECT_DOUBLE_EQ(lat, 50.0 + (50.01 - 50.0) * f);
}

TEST_F(GeoDBLookup, RepeatedLookupsGiveTheSameAnswer) {
    for (int i = 0; i < 3; ++i) {
        double lat = 0, lon = 0;
        int16_t status = 0;
        GeoDB_LookupLatLon(true, "0010", 1.5f, lat, lon, status);
        EXPECT_EQ(status, 1);
        EXPECT_NEAR(lon, -122.01, 1e-9);
        GeoDB_LookupLatLon(false, "0010", 1.8f, lat, lon, status);
        EXPECT_NEAR(lon, -122.01, 1e-6);
    }
}

TEST_F(GeoDBLookup, WithoutAnOpenDatabase) {
    GeoDB_Close();
    ui_->ExpectMsgBox(ui::vbOK, "GeoDB is not open.  Call GeoDB_Init(datasource) first.");
    double lat = 1, lon = 1;
    int16_t status = 0;
    GeoDB_LookupLatLon(true, "0010", 1.0f, lat, lon, status);
    EXPECT_EQ(status, -3);
    EXPECT_EQ(lat, 0);
    EXPECT_EQ(lon, 0);
    EXPECT_EQ(ui_->shown.back().title, "GeoDB_LookupLatLon");
}

// A run that reads many segments reads the rest of the table in one pass;
// the answers are the same whichever way a segment's points were read.
TEST_F(GeoDBFind, ReadingTheWholeTableGivesTheAnswersOfTheSegmentQuery) {
    std::vector<Pt> pts;
    constexpr int kSegments = 3000, kPoints = 80;
    auto code = [](int i) {
        std::string c = std::to_string(i);
        return std::string(4 - c.size(), '0') + c;
    };
    for (int i = 0; i < kSegments; ++i) {
        std::vector<Pt> line = Line(code(i), kPoints, 0.1, 49 + i * 1e-3, -120 - i * 1e-3, 1e-4, 2e-4);
        if (i % 7 == 0) {
            // Stored out of order, rows 69 and 70 at one km.
            std::reverse(line.begin(), line.end());
            line[10].km_scaled = line[11].km_scaled;
        }
        pts.insert(pts.end(), line.begin(), line.end());
    }
    // Segment 0001's last rows stored at the end of the table.
    std::rotate(pts.begin() + kPoints + kPoints / 2, pts.begin() + 2 * kPoints, pts.end());
    WriteGeometry(dir_ / "app" / "TRgeo_HMZ201807_SegGeometry.mdb", pts);
    struct Answer {
        int16_t status;
        double lat, lon;
        bool operator==(const Answer& o) const { return status == o.status && lat == o.lat && lon == o.lon; }
    };
    const float kms[] = {0.0f, 0.05f, 0.75f, 6.8f, 6.85f, 7.9f, 7.95f, 9.0f};
    // Every segment once, in the given order.
    auto run = [&](bool reversed) {
        GeoDB_Close();
        GeoDB_Init("TRgeo", OpenLog());
        EXPECT_TRUE(GeoDB_db.is_open());
        std::vector<Answer> out(static_cast<std::size_t>(kSegments) * std::size(kms));
        for (int n = 0; n < kSegments; ++n) {
            const int i = reversed ? kSegments - 1 - n : n;
            for (std::size_t k = 0; k < std::size(kms); ++k) {
                Answer& a = out[static_cast<std::size_t>(i) * std::size(kms) + k];
                GeoDB_LookupLatLon(true, code(i), kms[k], a.lat, a.lon, a.status);
            }
        }
        return out;
    };
    // Each end of the list is read one segment at a time in one run and from
    // the whole table in the other.
    const std::vector<Answer> forward = run(false), backward = run(true);
    ASSERT_EQ(forward.size(), backward.size());
    for (std::size_t j = 0; j < forward.size(); ++j)
        ASSERT_TRUE(forward[j] == backward[j]) << code(static_cast<int>(j / std::size(kms))) << " km "
                                               << kms[j % std::size(kms)];
    // Past two points at one km the walk goes on from the later one, however
    // the rows were stored.
    const Answer& twin = forward[4];  // segment 0000 at 6.85
    EXPECT_EQ(twin.status, 1);
    EXPECT_NEAR(twin.lat, 49 + 69.25e-4, 1e-9);
}

}  // namespace
