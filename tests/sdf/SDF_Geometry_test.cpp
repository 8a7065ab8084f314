#include "sdf/SDF_Geometry.h"

#include <gtest/gtest.h>

#include "common/DataFolders.h"
#include "inventory/GeoDBmod.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

class SDFGeometryTest : public CollisionsTest {
protected:
    void TearDown() override {
        GeoDB_Close();
        CollisionsTest::TearDown();
    }
    static void OpenGeometry(const std::string& version) {
        GeoDB_FileName = Sample_Folder() + "TRgeo_HMZ" + version + "_SegGeometry.mdb";
        GeoDB_Open(true);
        ASSERT_TRUE(GeoDB_db.is_open());
    }
    size_t Count(const std::string& text) const {
        size_t n = 0;
        for (size_t p = Status().find(text); p != std::string::npos; p = Status().find(text, p + 1)) ++n;
        return n;
    }
};

TEST_F(SDFGeometryTest, ThePolylineCacheIsKeptPerGeometryDatabaseAndSegment) {
    OpenGeometry("202004");
    Load_SegLatLonKm("0990");  // devolved before 202004: no points
    Load_SegLatLonKm("0990");  // asked again: not queried, not said again
    EXPECT_EQ(SegLatLon_Count, 0);
    EXPECT_EQ(Count("No LatLon data for HMZ segment 0990"), 1u);

    OpenGeometry("201807");  // another database must not serve the cached answer
    Load_SegLatLonKm("0990");
    EXPECT_GT(SegLatLon_Count, 10);
    EXPECT_EQ(Count("No LatLon data for HMZ segment 0990"), 1u);

    Load_SegLatLonKm("0010");
    ASSERT_GT(SegLatLon_Count, 2);
    // points in km order from 0, every 0.2 km
    EXPECT_FLOAT_EQ(SegLatLon_Pts[1].Km, 0.0f);
    EXPECT_FLOAT_EQ(SegLatLon_Pts[2].Km, 0.2f);
    EXPECT_NEAR(SegLatLon_Pts[1].Lat, 49.1, 1e-6);
    double lat = 0, lon = 0;
    Interp_SegLatLon(1, 2, 0.05f, lat, lon);
    EXPECT_NEAR(lat, SegLatLon_Pts[1].Lat + 0.25 * (SegLatLon_Pts[2].Lat - SegLatLon_Pts[1].Lat), 1e-9);
    EXPECT_NEAR(lon, SegLatLon_Pts[1].Lon + 0.25 * (SegLatLon_Pts[2].Lon - SegLatLon_Pts[1].Lon), 1e-9);
}

TEST_F(SDFGeometryTest, CoordinateLinesAreLongitudeLatitudeAndZero) {
    OpenGeometry("202004");
    Load_SegLatLonKm("0010");
    WriteFile(out_ + "c.txt", "");
    OutputFile f;
    ASSERT_TRUE(f.Open(out_ + "c.txt"));
    KmlMainFile = &f;
    KML_Write_Coord(49.5, -123.5);
    KML_Write_GeoPoints(1, 2);
    KML_Write_GeoPoints(3, 2);  // nothing
    KmlMainFile = nullptr;
    ASSERT_TRUE(f.Close());
    const auto lines = Lines(ReadFile(out_ + "c.txt"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "-123.500000,49.500000,0");
    EXPECT_EQ(lines[1], "-122.900000,49.100000,0");
}

}  // namespace
