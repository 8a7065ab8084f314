#include "inventory/LatLon_to_SegKm.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <sstream>

#include "platform/db/db.h"
#include "tools/jet_script.h"
#include "tests/inventory/geo_fixture.h"

namespace {

namespace fs = std::filesystem;
using geotest::GeoTest;
using geotest::Pt;
using geotest::WriteGeometry;

constexpr double kM = 111193;  // metres a degree of latitude
constexpr double kPi = 3.14159265358979323846;

// A point `east` and `north` metres from (lat0, lon0) in the flat plane.
void Offset(double lat0, double lon0, double east, double north, double& lat, double& lon) {
    lat = lat0 + north / kM;
    lon = lon0 + east / (kM * std::cos(lat0 * 0.01745329));
}

TEST(LatLonDist, FlatEarth) {
    struct Case {
        double latA, lonA, latB, lonB;
        float km;
    };
    const Case cases[] = {
        {0, 0, 0.01, 0, 1.11193f},
        {0, 0, 0, -0.01, 1.11193f},
        {50, -122, 50, -122.01, static_cast<float>(0.01 * std::cos(50 * 0.01745329) * 111.193)},
        {49.99, -122, 50.01, -122, 2.22386f},
        {50, -122, 50, -122, 0.0f},
    };
    for (const auto& c : cases) EXPECT_FLOAT_EQ(LatLon_Dist_Km(c.latA, c.lonA, c.latB, c.lonB), c.km);
}

// On the equator a degree is 111193 m both ways, so the feet are easy to see.
TEST(PerpFoot, PiecesOfEachKind) {
    struct Case {
        const char* what;
        double latA, lonA, latB, lonB, lat, lon;
        int32_t perp, along;
        int16_t pos;
    };
    const Case cases[] = {
        {"east-west, between", 0, 0, 0, 0.01, 0.001, 0.005, 111, 556, 0},
        {"east-west, before", 0, 0, 0, 0.01, 0.001, -0.002, 111, -222, -1},
        {"east-west, beyond", 0, 0, 0, 0.01, 0.001, 0.02, 111, 2224, 1},
        {"east-west, foot on the first point", 0, 0, 0, 0.01, 0.001, 0.0, 111, 0, -1},
        {"east-west, piece going west", 0, 0, 0, -0.01, -0.001, -0.005, 111, 556, 0},
        {"north-south, between", 0, 0, 0.01, 0, 0.005, 0.001, 111, 556, 0},
        {"north-south, before", 0, 0, 0.01, 0, -0.003, 0.001, 111, -334, -1},
        {"north-south, beyond", 0, 0, 0.01, 0, 0.012, 0.001, 111, 1334, 1},
        {"diagonal, between", 0, 0, 0.01, 0.01, 0.01, 0, 786, 786, 0},
        {"diagonal, beyond", 0, 0, 0.01, 0.01, 0.02, 0.02, 0, 3145, 1},
        {"diagonal, before", 0, 0, 0.01, 0.01, -0.01, 0, 786, -786, -1},
        {"diagonal, on the piece", 0, 0, 0.01, 0.01, 0.008, 0.008, 0, 1258, 0},
    };
    for (const auto& c : cases) {
        int32_t perp = -9, along = -9;
        int16_t pos = -9;
        Perp_Foot_Dist(c.latA, c.lonA, c.latB, c.lonB, c.lat, c.lon, perp, along, pos);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(perp, c.perp);
        EXPECT_EQ(along, c.along);
        EXPECT_EQ(pos, c.pos);
    }
}

TEST(FormatCoord, SixDecimals) {
    struct Case {
        double x;
        const char* text;
    };
    const Case cases[] = {
        {0.0, "0.000000"},         {49.2827, "49.282700"},    {-123.1207, "-123.120700"},
        {0.5, "0.500000"},         {-0.25, "-0.250000"},      {1234.5678901, "1234.567890"},
        {12345.1, "12345.100000"}, {49.0000005, "49.000001"}, {-122.9999996, "-123.000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(Format_Coord(c.x), c.text) << c.x;
}

// ------------------------------------------------------------ searches

constexpr double kLat = 50.0, kLon = -122.0;  // the search point

class Nearest : public GeoTest {
protected:
    void Open(const std::vector<Pt>& pts) {
        static int generation = 0;
        GeoDB_Close();
        fs::remove_all(dir_ / "app");
        WriteGeometry(dir_ / "app" / ("TRgeo_HMZ20" + std::to_string(1000 + ++generation) + "_SegGeometry.mdb"), pts);
        GeoDB_Init("TRgeo", OpenLog());
        ASSERT_TRUE(GeoDB_db.is_open());
    }
    void Find(int32_t range) {
        segs_.clear();
        kms_.clear();
        dists_.clear();
        Closest_HMZ_Locns(kLat, kLon, range, n_, segs_, kms_, dists_);
    }
    // A point of segment seg, `east` and `north` metres from the search point.
    static Pt At(const std::string& seg, int row, double km, double east, double north) {
        Pt p{seg, row, km, km, 0, 0};
        Offset(kLat, kLon, east, north, p.lat, p.lon);
        return p;
    }
    int16_t n_ = -1;
    std::vector<std::string> segs_;
    std::vector<float> kms_;
    std::vector<int32_t> dists_;
};

// A straight piece passing 50 m from the point, both its ends 300 m away,
// in several directions.
TEST_F(Nearest, FiftyMetresOffAPieceWhoseEndsAre300MetresAway) {
    const double half = std::sqrt(300.0 * 300.0 - 50.0 * 50.0);
    for (double deg : {0.0, 90.0, 30.0, 135.0, 200.0}) {
        SCOPED_TRACE(deg);
        const double a = deg * kPi / 180;
        // The foot 50 m from the point, square to the piece's direction (cos a, sin a).
        const double fe = -50 * std::sin(a), fn = 50 * std::cos(a);
        Open({At("0100", 1, 2.0, fe - half * std::cos(a), fn - half * std::sin(a)),
              At("0100", 2, 2.6, fe + half * std::cos(a), fn + half * std::sin(a))});
        Find(200);
        EXPECT_EQ(n_, 0) << "both points must lie within the range";
        EXPECT_TRUE(segs_.empty());
        Find(400);
        ASSERT_EQ(n_, 1);
        EXPECT_EQ(segs_[1], "0100");
        EXPECT_EQ(dists_[1], 50);
        EXPECT_NEAR(kms_[1], 2.0f + half / 1000, 0.002);
        EXPECT_EQ(Closest_HMZ_Candidate[1].PosFlag, 0);
    }
}

// Feet that fall off the piece give the point itself.
TEST_F(Nearest, FeetBeforeTheFirstAndBeyondTheLastPoint) {
    // An east-west segment from 100 m east to 300 m east, one piece.
    Open({At("0200", 1, 0.0, 100, 20), At("0200", 2, 0.2, 300, 20),
          // Another from 300 m west to 120 m west; the point lies beyond its end.
          At("0300", 1, 5.0, -300, -10), At("0300", 2, 5.18, -120, -10)});
    Find(1000);
    ASSERT_EQ(n_, 2);
    EXPECT_EQ(segs_[1], "0200");
    EXPECT_EQ(dists_[1], 102);  // the first point: sqrt(100^2 + 20^2)
    EXPECT_FLOAT_EQ(kms_[1], 0.0f);
    EXPECT_EQ(segs_[2], "0300");
    EXPECT_EQ(dists_[2], 120);  // the last point
    EXPECT_FLOAT_EQ(kms_[2], 5.18f);
    EXPECT_EQ(Closest_HMZ_Candidate[1].PosFlag, -1);
    EXPECT_EQ(Closest_HMZ_Candidate[3].PosFlag, 1);
}

TEST_F(Nearest, ThePointOnASegmentsFirstPoint) {
    Open({At("0200", 1, 0.0, 0, 0), At("0200", 2, 0.5, 500, 0)});
    Find(600);
    ASSERT_EQ(n_, 1);
    EXPECT_EQ(dists_[1], 0);
    EXPECT_FLOAT_EQ(kms_[1], 0.0f);
}

TEST_F(Nearest, OnlyTheLastPointInRange) {
    Open({At("0400", 1, 0.0, -2000, 40), At("0400", 2, 1.9, -100, 40)});
    Find(200);
    ASSERT_EQ(n_, 1);
    EXPECT_EQ(dists_[1], 108);
    EXPECT_FLOAT_EQ(kms_[1], 1.9f);
}

TEST_F(Nearest, AGapInRowNumbersIsNoPiece) {
    // Rows 1 and 3 in range on either side; row 2 far away. Both at the same
    // distance: the lower RowNum is chosen.
    Open({At("0500", 1, 1.0, -60, 80), At("0500", 2, 3.0, 0, 5000), At("0500", 3, 5.0, 60, 80)});
    Find(150);
    ASSERT_EQ(n_, 1);
    EXPECT_EQ(Closest_HMZ_Candidate[1].PosFlag, 9);
    EXPECT_EQ(dists_[1], 100);
    EXPECT_FLOAT_EQ(kms_[1], 1.0f);
}

TEST_F(Nearest, NearestSegmentFirstAndTies) {
    Open({At("0600", 1, 0.0, -50, 300), At("0600", 2, 0.1, 50, 300),    // 300 m
          At("0700", 1, 0.0, -50, -100), At("0700", 2, 0.1, 50, -100),  // 100 m
          At("0800", 1, 0.0, -50, 200), At("0800", 2, 0.1, 50, 200),    // 200 m, tied with 0900
          At("0900", 1, 0.0, 200, -50), At("0900", 2, 0.1, 200, 50)});
    Find(500);
    ASSERT_EQ(n_, 4);
    EXPECT_EQ(segs_[1], "0700");
    EXPECT_EQ(dists_[1], 100);
    EXPECT_FLOAT_EQ(kms_[1], 0.05f);
    EXPECT_EQ(dists_[2], 200);
    EXPECT_EQ(dists_[3], 200);
    EXPECT_NE(segs_[2], segs_[3]);
    for (int i : {2, 3}) EXPECT_TRUE(segs_[i] == "0800" || segs_[i] == "0900") << segs_[i];
    EXPECT_EQ(segs_[4], "0600");
    EXPECT_EQ(dists_[4], 300);
}

// Every segment in range counts, not only the first hundred in segment order.
TEST_F(Nearest, MoreThanAHundredSegments) {
    std::vector<Pt> pts;
    for (int s = 1; s <= 120; ++s) {
        char seg[8];
        std::snprintf(seg, sizeof seg, "%04d", s);
        const double north = s == 115 ? 10.0 : 200.0 + s;
        pts.push_back(At(seg, 1, 0.0, -100, north));
        pts.push_back(At(seg, 2, 0.2, 100, north));
    }
    Open(pts);
    Find(500);
    ASSERT_EQ(n_, 120);
    EXPECT_EQ(segs_[1], "0115");
    EXPECT_EQ(dists_[1], 10);
    EXPECT_EQ(segs_[2], "0001");
    EXPECT_EQ(segs_[120], "0120");
}

TEST_F(Nearest, NothingInRangeSaysNothing) {
    Open({At("0100", 1, 0.0, 5000, 5000), At("0100", 2, 0.1, 5100, 5000)});
    segs_ = {"", "keep"};
    Closest_HMZ_Locns(kLat, kLon, 300, n_, segs_, kms_, dists_);
    EXPECT_EQ(n_, 0);
    EXPECT_EQ(segs_.size(), 2u) << "outputs untouched";
    EXPECT_EQ(segs_[1], "keep");

    int16_t n = -1;
    std::string seg = "x";
    float km = 0;
    int32_t dist = 0;
    Closest_HMZ_Locn(kLat, kLon, 300, n, seg, km, dist);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(seg, "");
    EXPECT_FLOAT_EQ(km, -1.0f);
    EXPECT_EQ(dist, 999);
}

// Points in range but every one too far to count (distances of 9999999 m or
// more are none): the warning.
TEST_F(Nearest, NoSegmentWithAResultIsWarnedAbout) {
    std::vector<Pt> pts = {{"0100", 1, 0, 0, 50, -122}, {"0100", 2, 0.1, 0.1, 50.001, -122}};
    Open(pts);
    ui_->ExpectMsgBox(ui::vbOK,
                      "Warning: no HMZ segments found with two adjacent inflection points in range"
                      " with a perpendicular line passing through the provided point.");
    Closest_HMZ_Locns(0.0, 0.0, 20000000, n_, segs_, kms_, dists_);
    EXPECT_EQ(n_, 0);
    EXPECT_EQ(ui_->shown.back().title, "Closest_HMZ_Locns");
}

TEST_F(Nearest, TheNearestAlone) {
    Open({At("0700", 1, 3.0, -50, -100), At("0700", 2, 3.1, 50, -100), At("0600", 1, 0.0, -50, 300),
          At("0600", 2, 0.1, 50, 300)});
    int16_t n = 0;
    std::string seg;
    float km = 0;
    int32_t dist = 0;
    Closest_HMZ_Locn(kLat, kLon, 500, n, seg, km, dist);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(seg, "0700");
    EXPECT_FLOAT_EQ(km, 3.05f);
    EXPECT_EQ(dist, 100);
}

// What a search gives, down to its candidates.
std::string Answers(double lat, double lon, int32_t range) {
    int16_t n = 0;
    std::vector<std::string> segs;
    std::vector<float> kms;
    std::vector<int32_t> dists;
    Closest_HMZ_Locns(lat, lon, range, n, segs, kms, dists);
    std::ostringstream o;
    o << n << ":";
    for (int i = 1; i <= n; ++i) o << " " << segs[i] << "/" << kms[i] << "/" << dists[i];
    o << " |";
    for (std::size_t i = 1; i < Closest_HMZ_Candidate.size(); ++i) {
        const Closest_HMZ_Candidate_Type& c = Closest_HMZ_Candidate[i];
        o << " " << c.Segment << "#" << c.RowNum << "@" << c.KmScaled << ":" << c.Dist << "," << c.PosFlag << ","
          << c.Along << "," << c.PerpDist;
    }
    return o.str();
}

// The text the search puts in its query for a bound, read back.
double Bound(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    double out = 0;
    std::from_chars(buf, r.ptr, out);
    return out;
}

// Once the grid of points is built, every search answers as its query did:
// segments that differ in case alone, points of one segment and RowNum twice
// (their order decides which piece counts), points on a band's very edge and
// just past it, boxes over several latitude cells, and a box too wide for
// the cells.
TEST_F(Nearest, TheGridAnswersAsTheQueries) {
    const double dLat = 0.3 / 111.193;
    const double edge = Bound(kLat + dLat);
    std::vector<Pt> pts = {At("0a10", 1, 1.0, -80, 20), At("0A10", 2, 1.1, -20, 25), At("0a10", 3, 1.2, 40, 20),
                           At("0A10", 3, 1.25, 60, -30), At("0b20", 5, 2.0, -100, -100), At("0b20", 5, 2.1, 100, -90),
                           At("0b20", 6, 2.2, 150, -80), At("0c30", 1, 3.0, 0, 0)};
    // 300 m north, so in range either way: the band alone decides.
    pts.push_back({"0d40", 1, 4.0, 4.0, edge, kLon});
    pts.push_back({"0d40", 2, 4.1, 4.1, std::nextafter(edge, 90.0), kLon});
    pts.push_back({"0d40", 3, 4.2, 4.2, edge, kLon - 0.0005});
    // Across the cells either side of the point and far off.
    for (int i = 0; i < 40; ++i) pts.push_back(At("0e50", i + 1, 5 + i * 0.05, -2000 + i * 100, -1500 + i * 75));
    pts.push_back(At("0f60", 1, 6.0, 30000, 30000));
    Open(pts);
    struct Search {
        double lat, lon;
        int32_t range;
    } searches[] = {{kLat, kLon, 300}, {kLat, kLon, 120}, {kLat + 0.004, kLon - 0.002, 2500}, {kLat, kLon, 60000},
                    {kLat - 0.01, kLon + 0.01, 1000}, {51.0, -121.0, 300}};
    std::vector<std::string> queried;
    for (const Search& q : searches) queried.push_back(Answers(q.lat, q.lon, q.range));
    EXPECT_NE(queried[0].find("0d40#1"), std::string::npos) << "the point on the edge is in: " << queried[0];
    EXPECT_EQ(queried[0].find("0d40#2"), std::string::npos) << "the point past it is not: " << queried[0];
    ASSERT_TRUE(BuildNearestGrid());
    EXPECT_GT(NearestGridBytes(), 0u);
    for (std::size_t i = 0; i < std::size(searches); ++i)
        EXPECT_EQ(Answers(searches[i].lat, searches[i].lon, searches[i].range), queried[i]) << "search " << i;
}

// A value of a kind its column does not hold leaves the search to its query.
TEST_F(Nearest, ATableWithAMissingRowNumHasNoGrid) {
    GeoDB_Close();
    fs::remove_all(dir_ / "app");
    fs::create_directories(dir_ / "app");
    std::istringstream script(
        "CREATE TABLE SegLatLonKm (Segment TEXT(4), RowNum LONG, Km_Scaled SINGLE, Km_Calc SINGLE,"
        " Latitude DOUBLE, Longitude DOUBLE);\n"
        "INSERT INTO SegLatLonKm VALUES ('0100', NULL, 1.0, 1.0, 50.0, -122.0);\n");
    jet::write_script(script, (dir_ / "app" / "TRgeo_HMZ209901_SegGeometry.mdb").string());
    GeoDB_Init("TRgeo", OpenLog());
    ASSERT_TRUE(GeoDB_db.is_open());
    EXPECT_FALSE(BuildNearestGrid());
    EXPECT_THROW(Closest_HMZ_Locns(kLat, kLon, 300, n_, segs_, kms_, dists_), db::Error);
}

TEST_F(Nearest, WithoutAGeometryDatabaseTheErrorReachesTheCaller) {
    GeoDB_Close();
    EXPECT_THROW(Closest_HMZ_Locns(kLat, kLon, 300, n_, segs_, kms_, dists_), db::Error);
}

TEST(PerpFoot, TheDevelopersTestRuns) {
    EXPECT_NO_THROW(Test_Perp_Foot_Dist());
}

}  // namespace
