#include "inventory/ShowSegRegDistArea.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "inventory/HMZ_Database.h"
#include "tests/inventory/inventory_support.h"

namespace {

namespace fs = std::filesystem;
using invtest::CRLF;

// Segments of the all-versions table: 0010 and 0030 last in 201807, 0070
// last in 200704 (before 200806), 0080 in 201807 without area rows.
const std::string kAllVersions = std::string(invtest::kSegmentAllVersionsTable) + R"sql(
INSERT INTO SegmentAllVersions (Segment, HMZVersion, Length, Effective_Date) VALUES
  ('0010', '200704', 12.4, #2007-04-01#), ('0010', '201807', 12.4, #2018-07-01#),
  ('0030', '201807', 14.65, #2018-07-01#),
  ('0070', '200704', 3.5, #2007-04-01#),
  ('0080', '201807', 2.0, #2018-07-01#),
  ('0090', '201901', 2.0, #2019-01-01#);
)sql";

const char* kInventory201807 = R"sql(
CREATE TABLE District (District SHORT, Region SHORT);
INSERT INTO District VALUES (1, 1), (2, 1);
CREATE TABLE Area (Area SHORT, District SHORT, Name TEXT(50));
INSERT INTO Area VALUES (11, 1, 'Aldermoor'), (12, 2, 'Brackenridge'), (13, 2, NULL);
CREATE TABLE SegArea (Segment TEXT(4), Start_Km SINGLE, End_km SINGLE, Area SHORT);
INSERT INTO SegArea VALUES
  ('0030', 5, 11.5, 12), ('0010', 0, 12.4, 11), ('0030', 0, 5, 11), ('0030', 11.5, 14.65, 13);
)sql";

class ShowSegRegDistAreaTest : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        write_mdb(data() + "/segallversions.mdb", kAllVersions);
        set_data_folder(DataKind::AllVersions, data());
        write_mdb(data() + "/HMZ_Data_201807.mdb", kInventory201807);
        set_data_folder(DataKind::Inventory, data() + "/");
        load_form();
    }
    void TearDown() override {
        HMZ_Close_Database();
        InventoryTest::TearDown();
    }
};

TEST_F(ShowSegRegDistAreaTest, OneAreaRowGivesTheShortLineAndSeveralTheirKmRanges) {
    struct Case {
        std::string seg;
        std::vector<std::string> lines;
    } cases[] = {
        {"0010", {"", "0010 : R1/D1/A11 Aldermoor"}},
        {"0030",
         {"", "0030   0.00 -   5.00 : R1/D1/A11 Aldermoor", "0030   5.00 -  11.50 : R1/D2/A12 Brackenridge",
          "0030  11.50 -  14.65 : R1/D2/A13 "}},  // an area without a name
        {"0080", {""}},                          // no area rows: no lines
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seg);
        TheMainForm().Status.SetText("");
        ShowSegRegDistArea(c.seg);
        EXPECT_EQ(status_lines(), c.lines);
        EXPECT_EQ(hmz_version_open, "201807");
    }
}

TEST_F(ShowSegRegDistAreaTest, NoVersionFrom200806OnLeavesTheOpenDatabaseAlone) {
    write_mdb(data() + "/HMZ_Data_200704.mdb", kInventory201807);
    ASSERT_TRUE(HMZ_Open_Database("200704"));
    for (const std::string seg : {"0070", "9999"}) {
        SCOPED_TRACE(seg);
        TheMainForm().Status.SetText("before");
        ShowSegRegDistArea(seg);
        EXPECT_EQ(status(), "before");
        EXPECT_EQ(hmz_version_open, "200704");
    }
}

TEST_F(ShowSegRegDistAreaTest, AnInventoryTheUserCannotFindShowsNothing) {
    ui_->ExpectInput("", "Enter full HMZ_Data file name");
    TheMainForm().Status.SetText("before");
    ShowSegRegDistArea("0090");
    EXPECT_EQ(status(), "before");
    EXPECT_FALSE(hmz_DB.is_open());
}

// The sample data set, with nothing configured.
class ShowSegRegDistAreaOnSample : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        load_form();
    }
    void TearDown() override {
        HMZ_Close_Database();
        InventoryTest::TearDown();
    }
};

TEST_F(ShowSegRegDistAreaOnSample, AreasOfSampleSegments) {
    struct Case {
        std::string seg;
        std::vector<std::string> lines;
        std::string version;
    } cases[] = {
        {"0010", {"", "0010 : R1/D1/A11 Aldermoor"}, "202004"},
        {"0030",
         {"", "0030   0.00 -   5.00 : R1/D1/A11 Aldermoor", "0030   5.00 -  14.65 : R1/D1/A12 Brackenridge"},
         "202004"},
        {"0975", {"", "0975 : R2/D4/A41 Eskerton"}, "202004"},  // cut to 6.00 km, inside area 41
        {"0990", {"", "0990 : R2/D4/A42 Fennick"}, "201807"},
        {"9060", {""}, "201807"},  // last in 200704: the open database stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seg);
        TheMainForm().Status.SetText("");
        ShowSegRegDistArea(c.seg);
        EXPECT_EQ(status_lines(), c.lines);
        EXPECT_EQ(hmz_version_open, c.version);
    }
    EXPECT_TRUE(ui_->shown.empty());
}

}  // namespace
