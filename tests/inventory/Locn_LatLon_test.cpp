#include "inventory/Locn_LatLon.h"

#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <stdexcept>

namespace {

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

}  // namespace
