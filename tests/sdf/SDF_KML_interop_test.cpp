// The section KML opened by a real KML reader (gpsbabel).
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/sdf/sdf_kml_support.h"

namespace {

using namespace sdftest;

TEST_F(SdfKmlTest, TheSectionKmlOpensInAKmlReader) {
    WriteFile(data_ + "sections.csv", kSections);
    Open("sections.csv", "202004");
    Tick({&win().chkSDF_label_endpoints});
    ExpectGeometry();
    Run();
    const auto all = kmlcheck::ReadKml(out_ + "sections.kml");
    const kmlcheck::Reading r = kmlcheck::Gpsbabel(out_ + "sections.kml");
    ASSERT_TRUE(r.ok);
    const auto lines = Of(all, true);
    ASSERT_EQ(r.tracks.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(r.tracks[i].name, lines[i].name);
        const auto coords = Lines(lines[i].coordinates[0]);
        ASSERT_EQ(r.tracks[i].points.size(), coords.size());
        EXPECT_NEAR(r.tracks[i].points[0].lon, std::atof(coords[0].c_str()), 1e-9);
        EXPECT_NEAR(r.tracks[i].points[0].lat, std::atof(coords[0].c_str() + coords[0].find(',') + 1), 1e-9);
        EXPECT_GT(r.tracks[i].points[0].lat, 49.0);
    }
    EXPECT_EQ(r.waypoints.size(), Of(all, false).size());
}

}  // namespace
