#include "inventory/Intersections.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/inventory/inventory_fixture.h"

namespace {

using invdb::InventoryTest;
using invdb::kInventoryScript;

const std::string kLegs = "Landmark-Intersection_Legs_Pre2018.csv";

struct Entry {
    int32_t landmark, intersection;
    int16_t legs;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> table() {
    std::vector<Entry> t;
    for (int32_t i = 1; i <= LI_Count; ++i) t.push_back({LI_LandmarkID[i], LI_IntersectionID[i], LI_Legs[i]});
    return t;
}

std::pair<int32_t, int16_t> find(int32_t landmark) {
    int32_t id = -1;
    int16_t legs = -1;
    Find_Landmark_Intersection(landmark, id, legs);
    return {id, legs};
}

class LegsTest : public InventoryTest {
protected:
    void TearDown() override {
        LI_Count = 0;
        InventoryTest::TearDown();
    }
};

TEST_F(LegsTest, OlderVersionsReadTheFileSortedByLandmarkAndIntersection) {
    testfiles::write_text(app() + kLegs,
                          "Landmark_ID,Intersection_ID,Legs\r\n"
                          "30,300,4\r\n"
                          "\r\n"
                          "10,101,3\r\n"
                          "   \r\n"
                          "20,200,\r\n"
                          "10,100,\"5\"\r\n");
    int32_t n = -1;
    Load_Landmark_Intersection_IDs("200806", n);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(table(), (std::vector<Entry>{{10, 100, 5}, {10, 101, 3}, {20, 200, 0}, {30, 300, 4}}));
    EXPECT_EQ(find(10), std::make_pair(100, int16_t{5}));  // the lower intersection of two
    EXPECT_EQ(find(20), std::make_pair(200, int16_t{0}));
    EXPECT_EQ(find(25), std::make_pair(0, int16_t{0}));
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(LegsTest, AFileWithNoRowsGivesAnEmptyTable) {
    for (const std::string text : {"", "Landmark_ID,Intersection_ID,Legs\n", "heading\n\n  \n"}) {
        SCOPED_TRACE(text);
        testfiles::write_text(app() + kLegs, text);
        int32_t n = -1;
        Load_Landmark_Intersection_IDs("201712", n);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(LI_Count, 0);
        EXPECT_EQ(find(1), std::make_pair(0, int16_t{0}));
    }
}

TEST_F(LegsTest, ABadLineIsReportedWithFileAndLineAndLeavesTheTableEmpty) {
    struct Case {
        std::string line;
        std::string says;
    } cases[] = {
        {"12,abc,4", "Field 2 (Intersection_ID) is not a whole number: \"abc\""},
        {",100,4", "Field 1 (Landmark_ID) is not a whole number: \"\""},
        {"12,100,99999", "Field 3 (Legs) is not a whole number: \"99999\""},
        {"12,100,4x", "Field 3 (Legs)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        testfiles::write_text(app() + kLegs, "heading\n1,10,3\n\n" + c.line + "\n5,50,3\n");
        ui_->ExpectMsgBox(ui::vbOK, "Line 4 of file " + app() + kLegs);
        int32_t n = -1;
        Load_Landmark_Intersection_IDs("200806", n);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(LI_Count, 0);
        EXPECT_EQ(ui_->shown.back().title, "Load_Landmark_Intersection_IDs");
        EXPECT_NE(ui_->shown.back().prompt.find(c.says), std::string::npos) << ui_->shown.back().prompt;
    }
}

TEST_F(LegsTest, TheFileIsLookedForInTheDataFolderThenAskedFor) {
    testfiles::write_text(data() + kLegs, "h\n7,70,3\n");
    int32_t n = 0;
    Load_Landmark_Intersection_IDs("200806", n);
    EXPECT_EQ(n, 1);

    std::remove((data() + kLegs).c_str());
    const std::string elsewhere = dir_.file("legs.csv");
    testfiles::write_text(elsewhere, "h\n8,80,4\n9,90,4\n");
    ui_->ExpectInput(elsewhere, "Enter full " + kLegs + " file name");
    Load_Landmark_Intersection_IDs("200806", n);
    EXPECT_EQ(n, 2);

    ui_->ExpectInput("", "Enter full " + kLegs + " file name");
    Load_Landmark_Intersection_IDs("200806", n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(LI_Count, 0);
}

TEST_F(LegsTest, From201807TheDatabaseTableIsRead) {
    write_mdb(app() + "HMZ_Data_201807.mdb", kInventoryScript);
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    testfiles::write_text(app() + kLegs, "h\n1,1,1\n");  // not read
    int32_t n = 0;
    Load_Landmark_Intersection_IDs("201807", n);
    EXPECT_EQ(n, 4);
    // A Null Legs reads as 0.
    EXPECT_EQ(table(), (std::vector<Entry>{{3, 99, 0}, {3, 100, 3}, {4, 101, 4}, {5, 103, 3}}));
    EXPECT_EQ(find(4), std::make_pair(101, int16_t{4}));
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(LegsTest, DatabaseFaultsAreReportedAndLeaveTheTableEmpty) {
    int32_t n = -1;
    ui_->ExpectMsgBox(ui::vbOK, "No HMZ database open.");
    Load_Landmark_Intersection_IDs("201807", n);
    EXPECT_EQ(n, 0);

    const std::string f = write_mdb(app() + "HMZ_Data_201807.mdb", "CREATE TABLE Intersection (ID LONG);");
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    ui_->ExpectMsgBox(ui::vbOK, "Database: " + f);
    Load_Landmark_Intersection_IDs("201807", n);
    EXPECT_EQ(n, 0);

    write_mdb(app() + "HMZ_Data_201901.mdb",
              "CREATE TABLE Intersection (ID LONG); "
              "CREATE TABLE [Landmark-Intersection] (Landmark_ID LONG, Intersection_ID LONG, Legs SHORT);");
    ASSERT_TRUE(HMZ_Open_Database("201901"));
    ui_->ExpectMsgBox(ui::vbOK, "No records found for SELECT Landmark_ID, Intersection_ID, Legs FROM");
    Load_Landmark_Intersection_IDs("201901", n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(ui_->shown.back().title, "Load_Landmark_Intersection_IDs");
}

TEST_F(LegsTest, TheSearchFindsEveryLandmarkOfATableBeyond16Bits) {
    // 40000 landmarks, even numbers only, written in descending order.
    std::string text = "Landmark_ID,Intersection_ID,Legs\n";
    for (int i = 40000; i >= 1; --i) text += std::to_string(2 * i) + "," + std::to_string(i) + ",3\n";
    testfiles::write_text(app() + kLegs, text);
    int32_t n = 0;
    Load_Landmark_Intersection_IDs("200806", n);
    ASSERT_EQ(n, 40000);
    for (int i = 1; i <= 40000; ++i) {
        int32_t id = 0;
        int16_t legs = 0;
        Find_Landmark_Intersection(2 * i, id, legs);
        ASSERT_EQ(id, i) << "landmark " << 2 * i;
        Find_Landmark_Intersection(2 * i - 1, id, legs);
        ASSERT_EQ(id, 0) << "landmark " << 2 * i - 1;
    }
    EXPECT_EQ(find(80001), std::make_pair(0, int16_t{0}));
    EXPECT_EQ(find(-5), std::make_pair(0, int16_t{0}));
}

TEST_F(LegsTest, TheSearchAgreesWithALinearScanAtEverySize) {
    // Landmarks with gaps and repeats, for tables of 1 to 40 rows.
    for (int size = 1; size <= 40; ++size) {
        std::string text = "h\n";
        std::map<int32_t, std::set<int32_t>> of;  // landmark -> its intersections
        for (int i = 1; i <= size; ++i) {
            const int32_t lm = (i * 3) / 2;
            const int32_t in = 1000 - i;
            text += std::to_string(lm) + "," + std::to_string(in) + ",2\n";
            of[lm].insert(in);
        }
        testfiles::write_text(app() + kLegs, text);
        int32_t n = 0;
        Load_Landmark_Intersection_IDs("200806", n);
        ASSERT_EQ(n, size);
        for (int32_t lm = 0; lm <= size * 2; ++lm) {
            const auto got = find(lm).first;
            SCOPED_TRACE("size " + std::to_string(size) + " landmark " + std::to_string(lm));
            if (!of.count(lm))
                ASSERT_EQ(got, 0);
            else if (size <= 11)  // a linear scan meets the lower intersection first
                ASSERT_EQ(got, *of[lm].begin());
            else
                ASSERT_TRUE(of[lm].count(got)) << got;
        }
    }
}

}  // namespace
