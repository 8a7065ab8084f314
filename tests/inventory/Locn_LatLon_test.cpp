#include "inventory/Locn_LatLon.h"

#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "common/FileNumbers.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/Hemzshifts8.h"
#include "tests/inventory/geo_fixture.h"
#include "tests/inventory/inventory_support.h"
#include "tests/support/child_test.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kAlbers =
    "+proj=aea +lat_0=45 +lon_0=-126 +lat_1=50 +lat_2=58.5 +x_0=1000000 +y_0=0 +ellps=GRS80";

class AlbersVsProj : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = proj_context_create();
        pj_ = proj_create(ctx_, kAlbers);
        ASSERT_NE(pj_, nullptr);
    }
    void TearDown() override {
        proj_destroy(pj_);
        proj_context_destroy(ctx_);
    }
    void Proj(double lat, double lon, double& Y, double& X) const {
        PJ_COORD c = proj_coord(proj_torad(lon), proj_torad(lat), 0, 0);
        PJ_COORD r = proj_trans(pj_, PJ_FWD, c);
        X = r.xy.x;
        Y = r.xy.y;
    }
    PJ_CONTEXT* ctx_ = nullptr;
    PJ* pj_ = nullptr;
};

// Across the mapped region (45-60 N, 114-139 W) and well beyond it.
TEST_F(AlbersVsProj, AgreesWithinAMillimetre) {
    int checked = 0;
    for (double lat = 35.0; lat <= 72.0; lat += 0.37) {
        for (double lon = -155.0; lon <= -95.0; lon += 0.41) {
            double y = 0, x = 0, py = 0, px = 0;
            Albers_Grid(lat, lon, y, x);
            Proj(lat, lon, py, px);
            ASSERT_NEAR(x, px, 1e-3) << lat << " " << lon;
            ASSERT_NEAR(y, py, 1e-3) << lat << " " << lon;
            int32_t Y = 0, X = 0;
            Naltalbers_XY(lat, lon, Y, X);
            // Whole metres, halves to even, from the unrounded grid.
            EXPECT_EQ(X, static_cast<int32_t>(std::nearbyint(x)));
            EXPECT_EQ(Y, static_cast<int32_t>(std::nearbyint(y)));
            // And PROJ's metres wherever its value is not within a millimetre of a half.
            if (std::fabs(std::fabs(px - std::trunc(px)) - 0.5) > 1e-3) {
                EXPECT_EQ(X, std::lround(px));
            }
            if (std::fabs(std::fabs(py - std::trunc(py)) - 0.5) > 1e-3) {
                EXPECT_EQ(Y, std::lround(py));
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 10000);
}

TEST(Albers, OriginAndDirections) {
    struct Case {
        double lat, lon;
        int y_sign, x_sign;  // against the origin's 0 and 1000000
    };
    const Case cases[] = {
        {45.0, -126.0, 0, 0},  {45.0, -120.0, 1, 1},  // east: X above the false easting
        {45.0, -130.0, 1, -1},                        // west (the cone curves north either way)
        {55.0, -126.0, 1, 0},                         // north on the central meridian
        {40.0, -126.0, -1, 0},                        // south of the origin
    };
    for (const auto& c : cases) {
        int32_t Y = -7, X = -7;
        Naltalbers_XY(c.lat, c.lon, Y, X);
        SCOPED_TRACE(std::to_string(c.lat) + " " + std::to_string(c.lon));
        EXPECT_EQ((Y > 0) - (Y < 0), c.y_sign) << Y;
        EXPECT_EQ((X > 1000000) - (X < 1000000), c.x_sign) << X;
    }
    int32_t Y = 0, X = 0;
    Naltalbers_XY(45.0, -126.0, Y, X);
    EXPECT_EQ(X, 1000000);
    EXPECT_EQ(Y, 0);
}

TEST(Albers, NoNumberIsAnError) {
    int32_t Y = 0, X = 0;
    EXPECT_THROW(Naltalbers_XY(std::nan(""), -126.0, Y, X), std::overflow_error);
    EXPECT_THROW(Naltalbers_XY(50.0, INFINITY, Y, X), std::overflow_error);
}

// ------------------------------------------------------------ locations

// Geometry of 201807: segment 1000 (11.25 km) and 3000 (4 km) run north,
// a hundredth of a degree a km. In 201001 segment 1000 was 10.5 km, 2000
// became 3000 on 2018-07-01 and 4000 was devolved then.
class LocnTest : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        library_in_program_folder();
        const std::string tables = file("data/translation");
        write_translation_data(tables,
                               std::string(invtest::kGroups) + "3,201807,'Renum',1900-01-01,2018-06-30,2000,0\n",
                               std::string(invtest::kMatches) + "M,3,x,0.0,3000,0.0,0\nM,3,x,4.0,3000,4.0,0\n",
                               std::string(invtest::kLengths) + "201001,2000,4.0\n201807,3000,4.0\n");
        set_data_folder(DataKind::Translation, tables);
        set_data_folder(DataKind::Geometry, data());
        geotest::WriteGeometry(fs::path(data()) / "TRgeo_HMZ201807_SegGeometry.mdb",
                               {{"1000", 1, 0.0, 0.0, 50.0, -122.0},
                                {"1000", 2, 11.25, 11.25, 50.1125, -122.0},
                                {"3000", 1, 0.0, 0.0, 51.0, -121.0},
                                {"3000", 2, 4.0, 4.0, 51.04, -121.0}});
        write_mdb(app() + "/HMZ_Data_201001.mdb",
                  "CREATE TABLE Landmark (ID LONG, Segment TEXT(4), Km SINGLE, LMtype TEXT(2), Latitude DOUBLE,"
                  " Longitude DOUBLE, LatLon_Source_ID LONG);\n"
                  "INSERT INTO Landmark VALUES (1, '1000', 5.67, 'Z2', 49.5, -123.5, 7),"
                  " (2, '1000', 3.0, 'Z2', 49.3, -123.3, 5), (3, '1000', 8.0, 'Z2', 49.8, -123.8, NULL);\n");
        GeoDB_Close();
        GeoDB_DataSource.clear();
        log_ = FreeFile();
        ASSERT_TRUE(Open_FileNo(log_, file("run.log")));
        if (init_library_) Hemzshift_InitDLL(2, " ", tables);
    }
    void TearDown() override {
        GeoDB_Close();
        GeoDB_DataSource.clear();
        HMZ_Close_Database();
        Close_FileNo(log_);
        InventoryTest::TearDown();
    }
    struct Counts {
        int32_t atLmk, trans, success, fail;
        bool operator==(const Counts&) const = default;
    };
    static Counts counts() { return {NLL_atLmk, NLL_trans, NLL_success, NLL_fail}; }

    bool init_library_ = true;
    int16_t log_ = 0;
};

// The centreline path, translated or not.
TEST_F(LocnTest, GeometryPath) {
    struct Case {
        const char* what;
        std::string version, seg;
        float km;
        int16_t src;
        double lat;
        Counts after;
    };
    const Case cases[] = {
        {"same version: straight to the geometry", "201807", "1000", 5.0f, -3, 50.05, {0, 0, 1, 0}},
        {"same version, 0.1 km past the end", "201807", "1000", 11.36f, -9, 0, {0, 0, 0, 1}},
        {"same version, segment unknown there", "201807", "4000", 1.0f, -9, 0, {0, 0, 0, 1}},
        {"valid in the geometry's version: not translated", "201001", "1000", 5.0f, -3, 50.05, {0, 0, 1, 0}},
        {"not valid there: translated", "201001", "2000", 2.0f, -3, 51.02, {0, 1, 1, 0}},
        {"devolved: cannot be translated", "201001", "4000", 1.0f, -8, 0, {0, 1, 0, 1}},
        {"the first six characters are the version", "201807xx", "1000", 0.0f, -3, 50.0, {0, 0, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Init_LocnLatLon(c.version, 2, 0, log_);
        double lat = 9, lon = 9;
        int16_t src = 9;
        GetLocnLatLon_Km(c.seg, c.km, lat, lon, src);
        EXPECT_EQ(src, c.src);
        EXPECT_NEAR(lat, c.lat, 1e-6);
        EXPECT_EQ(counts(), c.after);
        EXPECT_EQ(GeoDB_HMZversion, "201807");
    }
}

TEST_F(LocnTest, LandmarksFirst) {
    ASSERT_TRUE(HMZ_Open_Database("201001"));
    struct Case {
        int32_t ndp;
        float km;
        int16_t src;
        double lat;
        int32_t atLmk;
    };
    const Case cases[] = {
        {1, 5.7f, 7, 49.5, 1},     // hm 57 either way
        {2, 5.7f, -3, 50.057, 0},  // dam 570 is not 567: the centreline
        {2, 5.67f, 7, 49.5, 1},   {1, 3.0f, 5, 49.3, 1}, {1, 4.0f, -3, 50.04, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.ndp) + " " + std::to_string(c.km));
        Init_LocnLatLon("201001", c.ndp, 1, log_);
        double lat = 0, lon = 0;
        int16_t src = 0;
        GetLocnLatLon_Km("1000", c.km, lat, lon, src);
        EXPECT_EQ(src, c.src);
        EXPECT_NEAR(lat, c.lat, 1e-6);
        EXPECT_EQ(NLL_atLmk, c.atLmk);
    }
    // Landmarks off: the centreline even where a landmark is.
    Init_LocnLatLon("201001", 1, 0, log_);
    double lat = 0, lon = 0;
    int16_t src = 0;
    GetLocnLatLon_Km("1000", 5.7f, lat, lon, src);
    EXPECT_EQ(src, -3);

    // A null source is the database's error.
    Init_LocnLatLon("201001", 1, 1, log_);
    EXPECT_THROW(GetLocnLatLon_Km("1000", 8.0f, lat, lon, src), db::Error);
}

TEST_F(LocnTest, HectometresFindLandmarksWithoutCountingThem) {
    ASSERT_TRUE(HMZ_Open_Database("201001"));
    Init_LocnLatLon("201001", 2, 1, log_);
    double lat = 0, lon = 0;
    int16_t src = 0;
    GetLocnLatLon_Hm("1000", 57, lat, lon, src);
    EXPECT_EQ(src, 7);
    EXPECT_EQ(lat, 49.5);
    EXPECT_EQ(NLL_atLmk, 0);
    // hm 0 without a landmark: the segment's first point.
    GetLocnLatLon_Hm("1000", 0, lat, lon, src);
    EXPECT_EQ(src, -3);
    EXPECT_EQ(lat, 50.0);
    GetLocnLatLon_Hm("1000", 45, lat, lon, src);
    EXPECT_EQ(src, -3);
    EXPECT_NEAR(lat, 50.045, 1e-6);
}

TEST_F(LocnTest, InvalidDecimalsLookUpNothing) {
    ASSERT_TRUE(HMZ_Open_Database("201001"));
    Init_LocnLatLon("201001", 3, 1, log_);
    ui_->ExpectMsgBox(ui::vbOK, "Invalid LL_ndp = 3 in Sub GetLocnLatLon_Km");
    double lat = 1, lon = 1;
    int16_t src = 1;
    GetLocnLatLon_Km("1000", 5.0f, lat, lon, src);
    EXPECT_EQ(src, 0);
    EXPECT_EQ(lat, 0);
    EXPECT_EQ(lon, 0);
    EXPECT_EQ(ui_->shown.back().title, "Tessawin");
    EXPECT_THROW(Init_LocnLatLon("201001", 40000, 1, log_), std::overflow_error);
}

TEST_F(LocnTest, NoGeometryDatabase) {
    fs::remove(fs::path(data()) / "TRgeo_HMZ201807_SegGeometry.mdb");
    Init_LocnLatLon("201807", 2, 0, log_);
    ui_->ExpectMsgBox(ui::vbCancel, "Cannot find a geometry database file matching: ");
    double lat = 1, lon = 1;
    int16_t src = 0;
    GetLocnLatLon_Geo("1000", 1.0f, lat, lon, src);
    EXPECT_EQ(src, -9);
    EXPECT_EQ(lat, 0);
    EXPECT_EQ(counts(), (Counts{0, 0, 0, 1}));
}

TEST_F(LocnTest, CountsToTheLog) {
    Init_LocnLatLon("201001", 2, 0, log_);
    double lat = 0, lon = 0;
    int16_t src = 0;
    GetLocnLatLon_Km("2000", 1.0f, lat, lon, src);
    GetLocnLatLon_Km("4000", 1.0f, lat, lon, src);
    GetLocnLatLon_Km("1000", 1.0f, lat, lon, src);
    Print_NLL_Counts(log_);
    Close_FileNo(log_);
    std::ifstream in(file("run.log"));
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    const std::string counts_text = "NLL_atLmk:    0\nNLL_trans:    2\nNLL_success:  2\nNLL_fail:     1\n";
    ASSERT_GE(text.size(), counts_text.size());
    EXPECT_EQ(text.substr(text.size() - counts_text.size()), counts_text);
}

// A run started before the library was ever initialised initialises it with
// the translation data folder; one started after leaves it as it is. Runs in
// a process of its own, where the library is still untouched.
class LocnFresh : public LocnTest {
protected:
    void SetUp() override {
        init_library_ = false;
        LocnTest::SetUp();
    }
};

TEST_F(LocnFresh, ChildInitialisesTheLibraryOnce) {
    if (!std::getenv("TW_LOCN_CHILD")) GTEST_SKIP() << "run by InitialisesTheLibraryOnce";
    std::string last = "x";
    Hemzshift_GetLastTarget(last);
    ASSERT_EQ(last, "");
    Init_LocnLatLon("201001", 2, 0, log_);
    Hemzshift_GetLastTarget(last);
    EXPECT_EQ(last, "201807");
    // Now initialised, it is left alone: a folder without tables is not read.
    set_data_folder(DataKind::Translation, file("empty"));
    Init_LocnLatLon("201001", 1, 0, log_);
    double lat = 0, lon = 0;
    int16_t src = 0;
    GetLocnLatLon_Km("2000", 2.0f, lat, lon, src);
    EXPECT_EQ(src, -3);
}

TEST(LocnFreshProcess, InitialisesTheLibraryOnce) {
    ASSERT_NO_FATAL_FAILURE(testsupport::RunChildTest(
        fs::read_symlink("/proc/self/exe"), "LocnFresh.ChildInitialisesTheLibraryOnce", "TW_LOCN_CHILD", "1"));
}

}  // namespace
