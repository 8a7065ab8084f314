// The sample generator: a description it cannot read is refused with its
// line, and the network written at scale keeps the described one whole.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/tools/test_files.h"
#include "tools/sample/sample_network.h"

namespace {

std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const char* const kHead =
    "version 200704 2007-04-01\n"
    "version 201807 2018-07-01\n"
    "region 1 \"R\"\n"
    "district 1 1 \"D\"\n"
    "area 11 1 \"A\"\n"
    "highway 1 - start=49.5,-121 heading=0 \"H\"\n"
    "segment 0010 5.00 nway=2 dir=N area=11 class=AFR2UP \"S\"\n";

TEST(SampleGenerator, RefusesADescriptionItCannotRead) {
    struct Case {
        const char* line;
        const char* message;
    };
    const Case cases[] = {
        {"segment 0020 4.125 nway=2 dir=N area=11 class=AFR2UP \"x\"", "line 8: a km has more than two decimals"},
        {"segment 020 4.00 nway=2 dir=N area=11 class=AFR2UP \"x\"", "line 8: a segment code has 4 characters"},
        {"segment 0010 4.00 nway=2 dir=N area=11 class=AFR2UP \"x\"", "line 8: segment 0010 is described twice"},
        {"segment 0020 4.00 nway=2 dir=N area=99 class=AFR2UP \"x\"", "line 8: unknown area 99"},
        {"landmark 0010 1.00 A1 B \"x\" int=7000:4", "intersection 7000 is not described"},
        {"remap 0010 200704 1.00-2.00 1.00-2.50", "line 8: a change leads to a later version"},
        {"devolve 0099 201807", "line 8: segment 0099 is not in the version before"},
        {"cut 0010 201807 5.00 0011", "line 8: the cut lies outside the segment"},
        {"version 200001 2000-01-01", "line 8: versions must be in ascending order"},
        {"highway 2 - start=after:0999 heading=0 \"x\"", "line 8: start=after: names a segment not described"},
        {"frobnicate 1", "line 8: unknown statement"},
        {"landmark 0010 1.00 A1 B \"unclosed", "line 8: a text has no closing quote"},
    };
    for (const auto& c : cases) {
        try {
            sample::build_network(sample::parse_description(std::string(kHead) + c.line + "\n"));
            ADD_FAILURE() << "accepted: " << c.line;
        } catch (const sample::DescriptionError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
}

// Filled up to 300 segments: the described ones stay as they are, the rest are
// new codes present in every version; the library's tables keep to the
// described network.
TEST(SampleGenerator, WritesTheNetworkAtScale) {
    const auto desc = sample::parse_description(read(SAMPLE_DESCRIPTION));
    const auto plain = sample::build_network(desc);
    sample::ScaleOptions scale;
    scale.segments = 300;
    scale.points_per_segment = 7;
    const auto big = sample::build_network(desc, scale);
    ASSERT_EQ(big.versions.size(), plain.versions.size());
    EXPECT_EQ(big.versions.front().segments.size(), 300u);
    for (std::size_t i = 0; i < big.versions.size(); ++i) {
        std::set<std::string> codes;
        for (const auto& s : big.versions[i].segments) EXPECT_TRUE(codes.insert(s.code).second) << s.code;
        for (const auto& s : plain.versions[i].segments) EXPECT_TRUE(codes.count(s.code)) << s.code;
        EXPECT_EQ(codes.size(), plain.versions[i].segments.size() + static_cast<std::size_t>(big.filler_segments));
    }

    testfiles::TempDir dir;
    sample::write_data_set(big, dir.path().string());
    for (const auto& f : sample::data_set_files(big)) EXPECT_TRUE(std::filesystem::exists(dir.path() / f)) << f;

    std::size_t csv_rows = 0, plain_rows = 0;
    std::istringstream csv(read(dir.file("SegAllVersions.csv")));
    for (std::string line; std::getline(csv, line);) csv_rows += !line.empty();
    for (const auto& v : plain.versions) plain_rows += v.segments.size();
    EXPECT_EQ(csv_rows, plain_rows + 1);  // and the heading

    const auto all = testfiles::run({"mdb-export", dir.file("segallversions.mdb"), "SegmentAllVersions"});
    ASSERT_EQ(all.status, 0);
    std::size_t rows = 0;
    for (const char c : all.out) rows += c == '\n';
    std::size_t wanted = 1;
    for (const auto& v : big.versions) wanted += v.segments.size();
    EXPECT_EQ(rows, wanted);

    // An added segment has exactly the points asked for.
    const std::string filler = big.versions.back().segments.back().code;
    const auto geo = testfiles::run({"mdb-export", dir.file("TRgeo_HMZ202004_SegGeometry.mdb"), "SegLatLonKm"});
    ASSERT_EQ(geo.status, 0);
    std::size_t points = 0;
    std::istringstream in(geo.out);
    for (std::string line; std::getline(in, line);) points += line.rfind("\"" + filler + "\"", 0) == 0;
    EXPECT_EQ(points, 7u);
}

}  // namespace
