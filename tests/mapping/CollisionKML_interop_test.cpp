// The collision KML files opened by a real KML reader (gpsbabel).
#include <gtest/gtest.h>

#include <cstdlib>

#include "mapping/CDEtoKMLmod.h"
#include "mapping/Comb_Int_to_KML.h"
#include "tests/mapping/mapping_support.h"

namespace {

using namespace mapping_test;

class CollisionKmlReaderTest : public MappingTest {
protected:
    // Every placemark of the file is a point the reader found, by name and
    // position.
    void ExpectReadBack(const std::string& kml) {
        const auto pms = kmlcheck::ReadKml(kml);
        const kmlcheck::Reading r = kmlcheck::Gpsbabel(kml);
        ASSERT_TRUE(r.ok);
        ASSERT_EQ(r.waypoints.size(), pms.size());
        ASSERT_FALSE(pms.empty());
        for (size_t i = 0; i < pms.size(); ++i) {
            SCOPED_TRACE(pms[i].coordinates[0]);
            EXPECT_EQ(r.waypoints[i].name, pms[i].name);
            const std::string& c = pms[i].coordinates[0];
            EXPECT_NEAR(r.waypoints[i].lon, std::atof(c.c_str()), 1e-9);
            EXPECT_NEAR(r.waypoints[i].lat, std::atof(c.c_str() + c.find(',') + 1), 1e-9);
        }
    }
};

TEST_F(CollisionKmlReaderTest, TheSampleExtractsKmlOpensInAKmlReader) {
    ui_->ExpectMsgBox(ui::vbOK, "input records were missing Lat or Lon data");
    ASSERT_EQ(Make_KML(Sample_Folder() + "collisions/CDE_sample.csv", out_, "CDE & <sample>"), -1);
    ExpectReadBack(out_ + "CDE & <sample>.kml");
}

TEST_F(CollisionKmlReaderTest, TheSampleLocationsKmlOpensInAKmlReader) {
    ASSERT_EQ(Comb_Int_to_KML("201404", Sample_Folder() + "collisions/Combined_Int_Locations_sample.csv", out_), -1);
    ExpectReadBack(out_ + "Combined_Int_Locations_sample.kml");
}

}  // namespace
