// The sample data set as the build wrote it: every file there, every database
// readable by mdb-export, the lengths the same in every file, the geometry on
// the segments' lengths, and the translation library telling the changes
// between the versions as sample/README.md describes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/tools/sample/sample_tables.h"
#include "tests/translation/tr_library.h"
#include "tests/translation/tr_support.h"

namespace {

using namespace sampletest;

const std::vector<std::string> kVersions = {"200704", "201404", "201807", "202004"};
const std::vector<std::string> kGeometryVersions = {"201807", "202004"};

std::string inventory(const std::string& v) {
    return "HMZ_Data_" + v + ".mdb";
}
std::string geometry(const std::string& v) {
    return "TRgeo_HMZ" + v + "_SegGeometry.mdb";
}

TEST(SampleFiles, EveryFileIsWritten) {
    std::vector<std::string> names = {"segallversions.mdb", "HMZ_Transform_Group.csv", "HMZ_Transform_Match.csv",
                                      "SegAllVersions.csv", "Landmark-Intersection_Legs_Pre2018.csv"};
    for (const auto& v : kVersions) names.push_back(inventory(v));
    for (const auto& v : kGeometryVersions) names.push_back(geometry(v));
    for (const auto& n : names) {
        const std::filesystem::path p = sample_file(n);
        ASSERT_TRUE(std::filesystem::is_regular_file(p)) << p;
        EXPECT_GT(std::filesystem::file_size(p), 0u) << p;
    }
}

// Every table of every database, read whole by mdb-export.
TEST(SampleFiles, MdbExportReadsEveryTable) {
    const std::vector<std::string> inventory_tables = {"Segment", "SegArea",        "Area",     "District",
                                                       "Region",  "Class_Category", "SegClass", "Landmark"};
    struct Case {
        std::string file;
        std::vector<std::string> tables;
    };
    std::vector<Case> cases = {{"segallversions.mdb", {"SegmentAllVersions"}}};
    for (const auto& v : kVersions) {
        auto tables = inventory_tables;
        if (v >= "201807") tables.insert(tables.end(), {"Intersection", "Landmark-Intersection"});
        cases.push_back({inventory(v), tables});
    }
    for (const auto& v : kGeometryVersions) cases.push_back({geometry(v), {"SegLatLonKm"}});
    for (const auto& c : cases) {
        auto names = table_names(c.file);
        auto wanted = c.tables;
        std::sort(names.begin(), names.end());
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(names, wanted) << c.file;
        for (const auto& t : c.tables) EXPECT_FALSE(export_table(c.file, t).empty()) << c.file << " " << t;
    }
}

// version -> segment -> length, as each file has it.
using Lengths = std::map<std::string, std::map<std::string, double>>;

Lengths csv_lengths() {
    Lengths out;
    for (const auto& r : csv_rows(read_sample_text("SegAllVersions.csv")))
        out[r.at("HMZVersion")][r.at("Segment")] = number(r.at("Length"));
    return out;
}

void expect_same_lengths(const Lengths& a, const Lengths& b, const std::string& what) {
    ASSERT_EQ(a.size(), b.size()) << what;
    for (const auto& [v, segs] : a) {
        ASSERT_TRUE(b.count(v)) << what << " lacks version " << v;
        const auto& other = b.at(v);
        ASSERT_EQ(segs.size(), other.size()) << what << " version " << v;
        for (const auto& [s, len] : segs) {
            ASSERT_TRUE(other.count(s)) << what << " lacks " << v << " " << s;
            EXPECT_NEAR(len, other.at(s), 1e-4) << what << " " << v << " " << s;
        }
    }
}

TEST(SampleLengths, AgreeInEveryFile) {
    const Lengths csv = csv_lengths();
    ASSERT_EQ(csv.size(), kVersions.size());

    Lengths all_versions;
    for (const auto& r : export_table("segallversions.mdb", "SegmentAllVersions"))
        all_versions[r.at("HMZVersion")][r.at("Segment")] = number(r.at("Length"));
    expect_same_lengths(csv, all_versions, "segallversions.mdb");

    Lengths inventories;
    for (const auto& v : kVersions)
        for (const auto& r : export_table(inventory(v), "Segment"))
            inventories[v][r.at("Segment")] = number(r.at("Length"));
    expect_same_lengths(csv, inventories, "the inventory databases");
}

// A segment's points start at km 0 and end at its length, in row order, and
// lie in the mapped region; every segment of the version has them.
TEST(SampleGeometry, PointsLieOnEverySegmentsLength) {
    const Lengths csv = csv_lengths();
    for (const auto& v : kGeometryVersions) {
        std::map<std::string, std::vector<Row>> points;
        for (const auto& r : export_table(geometry(v), "SegLatLonKm")) points[r.at("Segment")].push_back(r);
        ASSERT_EQ(points.size(), csv.at(v).size()) << v;
        for (const auto& [seg, len] : csv.at(v)) {
            ASSERT_TRUE(points.count(seg)) << v << " " << seg;
            const auto& rows = points.at(seg);
            ASSERT_GE(rows.size(), 2u) << seg;
            EXPECT_EQ(number(rows.front().at("Km_Scaled")), 0.0) << seg;
            EXPECT_NEAR(number(rows.back().at("Km_Scaled")), len, 1e-4) << seg;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                EXPECT_EQ(number(rows[i].at("RowNum")), static_cast<double>(i + 1)) << seg;
                if (i > 0) {
                    EXPECT_GT(number(rows[i].at("Km_Scaled")), number(rows[i - 1].at("Km_Scaled"))) << seg;
                }
                const double lat = number(rows[i].at("Latitude")), lon = number(rows[i].at("Longitude"));
                EXPECT_TRUE(lat > 49 && lat < 52 && lon > -124 && lon < -118) << seg << " " << lat << "," << lon;
            }
            // The measured length stays within a few metres per km of the inventory's.
            EXPECT_NEAR(number(rows.back().at("Km_Calc")), len, len * 0.01) << seg;
        }
    }
}

// Each group's match points run over its segment's whole length in the version
// before and land on lengths of the target version; a devolved segment is gone
// from its target and a segment that goes on keeps a point on itself.
TEST(SampleTables, MatchPointsLieOnTheLengths) {
    const Lengths len = csv_lengths();
    std::map<std::string, std::string> before;
    for (std::size_t i = 1; i < kVersions.size(); ++i) before[kVersions[i]] = kVersions[i - 1];
    std::map<std::string, std::vector<std::vector<std::string>>> points;
    std::istringstream matches(read_sample_text("HMZ_Transform_Match.csv"));
    for (std::string line; std::getline(matches, line);) points[csv_fields(line).at(1)].push_back(csv_fields(line));
    std::istringstream groups(read_sample_text("HMZ_Transform_Group.csv"));
    int n = 0;
    for (std::string line; std::getline(groups, line); ++n) {
        const auto g = csv_fields(line);
        const std::string number = g.at(0), target = g.at(1), seg = g.at(5);
        ASSERT_TRUE(before.count(target)) << line;
        const auto& from = len.at(before.at(target));
        const auto& to = len.at(target);
        ASSERT_TRUE(from.count(seg)) << line;
        if (g.at(6) == "1") {
            EXPECT_FALSE(to.count(seg)) << line;
            EXPECT_FALSE(points.count(number)) << line;
            continue;
        }
        const auto& pts = points.at(number);
        EXPECT_EQ(number_of(pts.front().at(3)), 0.0) << line;
        EXPECT_NEAR(number_of(pts.back().at(3)), from.at(seg), 1e-4) << line;
        for (const auto& p : pts) {
            ASSERT_TRUE(to.count(p.at(4))) << line << " to " << p.at(4);
            EXPECT_GE(number_of(p.at(5)), 0.0) << line;
            EXPECT_LE(number_of(p.at(5)), to.at(p.at(4)) + 1e-4) << line;
        }
        const bool goes_on = to.count(seg) > 0;
        const bool maps_to_itself =
            std::any_of(pts.begin(), pts.end(), [&](const std::vector<std::string>& p) { return p.at(4) == seg; });
        EXPECT_EQ(goes_on, maps_to_itself) << line;
    }
    EXPECT_EQ(n, 7);
}

// A landmark lies on its segment's centreline where the geometry puts its km.
TEST(SampleGeometry, LandmarksLieOnTheCentreline) {
    for (const auto& v : kGeometryVersions) {
        std::map<std::string, std::vector<Row>> points;
        for (const auto& r : export_table(geometry(v), "SegLatLonKm")) points[r.at("Segment")].push_back(r);
        int checked = 0;
        for (const auto& l : export_table(inventory(v), "Landmark")) {
            if (l.at("Latitude").empty()) continue;
            const auto& pts = points.at(l.at("Segment"));
            const double km = number(l.at("Km"));
            std::size_t i = 1;
            while (i + 1 < pts.size() && number(pts[i].at("Km_Scaled")) < km) ++i;
            const double k0 = number(pts[i - 1].at("Km_Scaled")), k1 = number(pts[i].at("Km_Scaled"));
            const double f = k1 > k0 ? (km - k0) / (k1 - k0) : 0;
            const double lat = number(pts[i - 1].at("Latitude")) +
                               f * (number(pts[i].at("Latitude")) - number(pts[i - 1].at("Latitude")));
            const double lon = number(pts[i - 1].at("Longitude")) +
                               f * (number(pts[i].at("Longitude")) - number(pts[i - 1].at("Longitude")));
            // Within 2 m: the points are 200 m apart on a gently winding line.
            EXPECT_NEAR(number(l.at("Latitude")), lat, 2e-5) << v << " landmark " << l.at("ID");
            EXPECT_NEAR(number(l.at("Longitude")), lon, 3e-5) << v << " landmark " << l.at("ID");
            ++checked;
        }
        EXPECT_GT(checked, 60) << v;
    }
}

// The facts the read-me promises and other tests build on.
TEST(SampleAllVersions, SpecialSegmentsAreThere) {
    std::map<std::string, std::vector<Row>> by_segment;
    for (const auto& r : export_table("segallversions.mdb", "SegmentAllVersions"))
        by_segment[r.at("Segment")].push_back(r);
    for (auto& [s, rows] : by_segment)
        std::sort(rows.begin(), rows.end(),
                  [](const Row& a, const Row& b) { return a.at("HMZVersion") < b.at("HMZVersion"); });
    auto latest = [&](const std::string& s) { return by_segment.at(s).back().at("HMZVersion"); };

    ASSERT_TRUE(by_segment.count("0550"));
    EXPECT_EQ(latest("9060"), "200704");  // devolved before 200806
    EXPECT_EQ(latest("0990"), "201807");
    EXPECT_EQ(latest("0510"), "201807");
    EXPECT_EQ(by_segment.at("0515").front().at("HMZVersion"), "202004");
    EXPECT_EQ(by_segment.at("0515").front().at("Effective_Date"), "2020-04-01");
    EXPECT_EQ(by_segment.at("0010").front().at("Effective_Date"), "");
    EXPECT_EQ(by_segment.at("0530").front().at("Effective_Date"), "2014-04-01");
    EXPECT_EQ(by_segment.at("0601").front().at("Opposite_Segment"), "0602");

    // Numbered, lettered and unnumbered (900 and up) highways.
    std::set<std::string> highways;
    for (const auto& [s, rows] : by_segment)
        highways.insert(rows.back().at("Highway_Number") + rows.back().at("Highway_Letter"));
    for (const char* h : {"1", "5", "97", "97A", "99", "901B", "905"}) EXPECT_TRUE(highways.count(h)) << h;
}

TEST(SampleLegs, EveryRowNamesALandmarkOfTheOlderVersions) {
    std::set<std::string> landmarks;
    for (const auto& v : kVersions) {
        if (v >= "201807") continue;
        for (const auto& r : export_table(inventory(v), "Landmark")) landmarks.insert(r.at("ID"));
    }
    const auto rows = csv_rows(read_sample_text("Landmark-Intersection_Legs_Pre2018.csv"));
    ASSERT_GT(rows.size(), 11u);  // enough that a search narrows before it scans
    int empty_legs = 0;
    bool unsorted = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_TRUE(landmarks.count(rows[i].at("Landmark_ID"))) << rows[i].at("Landmark_ID");
        empty_legs += rows[i].at("Legs").empty();
        if (i > 0 && number(rows[i].at("Landmark_ID")) < number(rows[i - 1].at("Landmark_ID"))) unsorted = true;
    }
    EXPECT_EQ(empty_legs, 1);
    EXPECT_TRUE(unsorted);
}

// ---- The translation library on the sample's tables ---------------------

class SampleTranslation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        trtest::work_dir();
        ASSERT_NO_FATAL_FAILURE(trtest::load_library(HEMZSHIFT8_LIBRARY, lib_));
        const int32_t ndp = 2;
        const std::string folder = SAMPLE_DIR;
        lib_.init(&ndp, " ", 1, folder.c_str(), static_cast<int32_t>(folder.size()));
    }

    static std::string pad(std::string s, std::size_t n) {
        s.resize(n, ' ');
        return s;
    }

    struct Result {
        std::string segment;
        float km = 0;
        int32_t steps = 0;
        bool obs = false, split = false;
    };

    static Result forward(const std::string& date, const std::string& seg, const std::string& code, float km) {
        const std::string d = pad(date, 10), s = pad(seg, 4), c = pad(code, 1);
        char out[4];
        Result r;
        uint8_t obs = 0, split = 0;
        lib_.forward(d.data(), 10, s.data(), 4, c.data(), 1, &km, out, 4, &r.km, &obs, &r.steps, &split);
        r.segment.assign(out, 4);
        r.obs = obs != 0;
        r.split = split != 0;
        return r;
    }

    static Result to_version(const std::string& date, const std::string& seg, const std::string& code, float km,
                             const std::string& target) {
        const std::string d = pad(date, 10), s = pad(seg, 4), c = pad(code, 1), t = pad(target, 10);
        char out[4];
        Result r;
        uint8_t obs = 0, split = 0;
        lib_.to_version(d.data(), 10, s.data(), 4, c.data(), 1, &km, t.data(), 10, out, 4, &r.km, &obs, &r.steps,
                        &split);
        r.segment.assign(out, 4);
        r.obs = obs != 0;
        r.split = split != 0;
        return r;
    }

    static trtest::Library lib_;
};

trtest::Library SampleTranslation::lib_;

TEST_F(SampleTranslation, InitialisesWithoutError) {
    int32_t number = -1;
    char message[200];
    lib_.error(&number, message, sizeof message);
    EXPECT_EQ(number, 0) << std::string(message, sizeof message);
    char last[12];
    lib_.last_target(last, sizeof last);
    EXPECT_EQ(std::string(last, 12), pad("202004", 12));
}

TEST_F(SampleTranslation, ForwardThroughEachChange) {
    struct Case {
        const char* what;
        const char* date;
        const char* seg;
        const char* code;
        float km;
        const char* out_seg;
        float out_km;
        int steps;
        bool obs, split;
    };
    const Case cases[] = {
        {"remapped range", "2010-06-01", "0020", " ", 5.00f, "0020", 5.40f, 1, true, false},
        {"before the remapped range", "2010-06-01", "0020", " ", 3.00f, "0020", 3.00f, 1, true, false},
        {"after the remapped range", "2010-06-01", "0020", " ", 8.00f, "0020", 8.80f, 1, true, false},
        {"the segment's begin", "2010-06-01", "0020", " ", 0.00f, "0020", 0.00f, 1, false, false},
        {"devolved before 200806", "2010-06-01", "9060", " ", 1.20f, "DEL ", -3.0f, 1, false, false},
        {"cut, first part", "2015-01-01", "0975", " ", 3.30f, "0975", 3.30f, 1, false, false},
        {"cut, at the cut", "2015-01-01", "0975", " ", 6.00f, "0975", 6.00f, 1, false, false},
        {"cut, second part", "2015-01-01", "0975", " ", 7.70f, "0976", 1.70f, 1, false, false},
        {"split northbound", "2015-01-01", "0600", "N", 1.80f, "0601", 1.80f, 1, false, true},
        {"split southbound", "2015-01-01", "0600", "s", 1.80f, "0602", 5.67f, 1, false, true},
        {"split, no direction", "2015-01-01", "0600", " ", 1.80f, "0600", 1.80f, 0, false, true},
        {"renumbered", "2019-01-01", "0510", " ", 3.00f, "0515", 3.00f, 1, false, false},
        {"renumbered, from the oldest version", "2008-01-01", "0510", " ", 8.75f, "0515", 8.75f, 1, false, false},
        {"devolved in 202004", "2019-01-01", "0990", " ", 2.40f, "DEL ", -3.0f, 1, false, false},
        {"unchanged", "2010-06-01", "0550", " ", 2.20f, "0550", 2.20f, 0, false, false},
    };
    for (const auto& c : cases) {
        const Result r = forward(c.date, c.seg, c.code, c.km);
        EXPECT_EQ(r.segment, c.out_seg) << c.what;
        EXPECT_FLOAT_EQ(r.km, c.out_km) << c.what;
        EXPECT_EQ(r.steps, c.steps) << c.what;
        EXPECT_EQ(r.obs, c.obs) << c.what;
        EXPECT_EQ(r.split, c.split) << c.what;
    }
}

TEST_F(SampleTranslation, ToVersionForwardsAndBack) {
    struct Case {
        const char* what;
        const char* date;
        const char* seg;
        const char* code;
        float km;
        const char* target;
        const char* out_seg;
        float out_km;
    };
    const Case cases[] = {
        {"renumbered, back", "", "0515", " ", 3.00f, "201807", "0510", 3.00f},
        {"renumbered, forward", "", "0510", " ", 3.00f, "202004", "0515", 3.00f},
        {"remapped, back", "2019-01-01", "0020", " ", 5.40f, "200704", "0020", 5.00f},
        {"remapped, valid as it is", "", "0020", " ", 5.40f, "200704", "0020", 5.40f},
        {"cut, back", "", "0976", " ", 1.70f, "200704", "0975", 7.70f},
        {"split southbound, back", "", "0602", " ", 5.67f, "201404", "0600", 1.80f},
        {"split northbound, forward", "", "0600", "N", 2.00f, "202004", "0601", 2.00f},
        {"split without a direction", "", "0600", " ", 2.00f, "202004", "OFF ", -1.0f},
        {"devolved", "", "9060", " ", 1.20f, "202004", "OFF ", -1.0f},
        {"devolved, its own version", "", "9060", " ", 1.20f, "200704", "9060", 1.20f},
    };
    for (const auto& c : cases) {
        const Result r = to_version(c.date, c.seg, c.code, c.km, c.target);
        EXPECT_EQ(r.segment, c.out_seg) << c.what;
        EXPECT_FLOAT_EQ(r.km, c.out_km) << c.what;
    }
}

// Every segment of every version is known to the library with its length.
TEST_F(SampleTranslation, ChecksEveryLocationAgainstItsVersion) {
    for (const auto& [v, segs] : csv_lengths()) {
        const std::string ver = pad(v, 10);
        for (const auto& [s, len] : segs) {
            struct Probe {
                float km;
                int32_t status;
            };
            const Probe probes[] = {{0.0f, 0},
                                    {static_cast<float>(len / 2), 1},
                                    {static_cast<float>(len), 2},
                                    {static_cast<float>(len + 0.01), -2}};
            for (const auto& p : probes) {
                int32_t status = 99;
                float km = p.km;
                lib_.check(ver.data(), 10, s.data(), 4, &km, &status);
                EXPECT_EQ(status, p.status) << v << " " << s << " km " << p.km;
            }
        }
    }
    int32_t status = 99;
    float km = 1.0f;
    lib_.check(pad("202004", 10).data(), 10, "0510", 4, &km, &status);
    EXPECT_EQ(status, -1);  // renumbered away
}

TEST_F(SampleTranslation, EndDates) {
    struct Case {
        const char* seg;
        const char* end;
    };
    const Case cases[] = {{"0510", "2020-03-31"}, {"9060", "2014-03-31"}, {"0990", "2020-03-31"},
                          {"0600", "2018-06-30"}, {"0020", "          "}, {"0975", "          "},
                          {"0010", "          "}};
    for (const auto& c : cases) {
        char out[10];
        lib_.end_date(c.seg, 4, out, 10);
        EXPECT_EQ(std::string(out, 10), c.end) << c.seg;
    }
}

}  // namespace
