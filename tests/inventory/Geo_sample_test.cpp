// Geometry, latitude/longitude and nearest locations on the installed sample
// data set with nothing configured: the program folder is the build's, with
// the library and the sample beside it.
#include <gtest/gtest.h>

#include "common/DataFolders.h"
#include "common/FileNumbers.h"
#include "inventory/GeoDBmod.h"
#include "inventory/LatLon_to_SegKm.h"
#include "inventory/Locn_LatLon.h"
#include "tests/inventory/inventory_support.h"

namespace {

class GeoSample : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        AppFolder = PROGRAM_FOLDER;
        GeoDB_Close();
        GeoDB_DataSource.clear();
        log_ = FreeFile();
        ASSERT_TRUE(Open_FileNo(log_, file("run.log")));
        GeoDB_Init("TRgeo", log_);
        ASSERT_TRUE(GeoDB_db.is_open());
    }
    void TearDown() override {
        GeoDB_Close();
        GeoDB_DataSource.clear();
        Close_FileNo(log_);
        InventoryTest::TearDown();
    }
    int16_t log_ = 0;
};

TEST_F(GeoSample, TheGreatestGeometryVersionIsOpened) {
    EXPECT_EQ(GeoDB_HMZversion, "202004");
    EXPECT_EQ(GeoDB_Folder, Sample_Folder());
    EXPECT_EQ(GeoDB_ShortName, "TRgeo_HMZ202004_SegGeometry.mdb");
}

TEST_F(GeoSample, LookupsAlongASegment) {
    struct Case {
        float km;
        int16_t status;
    };
    const Case cases[] = {{0.0f, 0}, {5.0f, 1}, {12.40f, 1}, {12.45f, 2}, {12.6f, -2}, {-1.0f, -1}};
    for (const auto& c : cases) {
        double lat = 0, lon = 0;
        int16_t status = 9;
        GeoDB_LookupLatLon(true, "0010", c.km, lat, lon, status);
        EXPECT_EQ(status, c.status) << c.km;
        if (status >= 0) {
            EXPECT_GE(lat, 49.1);
            EXPECT_LE(lat, 50.7);
            EXPECT_LE(lon, -119.3);
            EXPECT_GE(lon, -123.2);
        }
    }
}

// A point looked up on a segment is found again on that segment at its km.
TEST_F(GeoSample, NearestLocationsFindThePointAgain) {
    for (const char* seg : {"0010", "0030", "0515", "0971"}) {
        for (float km : {0.5f, 2.25f, 4.0f}) {
            double lat = 0, lon = 0;
            int16_t status = 0;
            GeoDB_LookupLatLon(true, seg, km, lat, lon, status);
            ASSERT_EQ(status, 1) << seg << " " << km;
            int16_t n = 0;
            std::string s;
            float k = 0;
            int32_t dist = -1;
            Closest_HMZ_Locn(lat, lon, 200, n, s, k, dist);
            ASSERT_GE(n, 1) << seg << " " << km;
            EXPECT_EQ(s, seg);
            EXPECT_NEAR(k, km, 0.01) << seg;
            EXPECT_LE(dist, 1);
        }
    }
}

// Locations of older versions are translated to 202004 when not valid there.
TEST_F(GeoSample, LocationsOfOtherVersions) {
    struct Case {
        const char* version;
        const char* seg;
        float km;
        int16_t src;
        int32_t trans;
    };
    const Case cases[] = {
        {"202004", "0010", 3.0f, -3, 0}, {"201404", "0020", 5.0f, -3, 0},  // valid in 202004 as it stands
        {"201404", "0600", 2.0f, -8, 1},  // split by direction: a blank code applies to neither part
        {"201807", "0510", 1.0f, -3, 1},  // renumbered 0515
        {"200704", "9060", 1.0f, -8, 1},  // devolved
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + " " + c.seg);
        Init_LocnLatLon(c.version, 2, 0, log_);
        double lat = 0, lon = 0;
        int16_t src = 0;
        GetLocnLatLon_Km(c.seg, c.km, lat, lon, src);
        EXPECT_EQ(src, c.src);
        EXPECT_EQ(NLL_trans, c.trans);
    }
}

}  // namespace
