#include "inventory/Hwy_Seg_Table_mod.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/inventory/inventory_support.h"

namespace {

namespace fs = std::filesystem;

class HwySegTableTest : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        fs::copy_file(SEGALLVERSIONS_FIXTURE, data() + "/segallversions.mdb");
        set_data_folder(DataKind::AllVersions, data());
    }
    static std::vector<std::string> segments() {
        std::vector<std::string> s;
        for (int32_t i = 1; i <= Hwy_Seg_Count; ++i) s.push_back(Hwy_Seg_Table[static_cast<std::size_t>(i)].Segment);
        return s;
    }
};

TEST_F(HwySegTableTest, HighwayOrder) {
    Load_Hwy_Seg_Table("201807");
    // Unnumbered and lettered-blank highways sort as group 1; "097A" and
    // "097a" are one highway, in search-sequence order; highways from 900 up
    // come last, compared as their codes.
    EXPECT_EQ(segments(), (std::vector<std::string>{"8000", "0550", "2000", "3000", "1100", "1000", "1300", "1400",
                                                    "1400", "1200", "1205", "1210", "9020", "9010"}));
    struct Case {
        std::size_t i;
        const char* hwy4;
    } cases[] = {{1, "    "},  {2, "005 "},  {3, "016 "},  {5, "097 "}, {7, "097 "},
                 {10, "097A"}, {11, "097a"}, {13, "1234"}, {14, "901B"}};
    for (const Case& c : cases) EXPECT_EQ(Hwy_Seg_Table[c.i].Hwy4, c.hwy4) << c.i;
}

TEST_F(HwySegTableTest, RecordFields) {
    Load_Hwy_Seg_Table("201807");
    ASSERT_EQ(Hwy_Seg_Count, 14);
    const Hwy_Seg_Record& r = Hwy_Seg_Table[6];
    EXPECT_EQ(r.Segment, "1000");
    EXPECT_FLOAT_EQ(r.Length, 11.25f);
    EXPECT_EQ(r.Length_hm, 113);
    EXPECT_EQ(r.Begin_Node, "N100");
    EXPECT_EQ(r.End_Node, "N103");
    EXPECT_EQ(r.Begin_Continuity, "C");
    EXPECT_EQ(r.End_Continuity, "E");
    EXPECT_EQ(r.Nway, 2);
    EXPECT_EQ(r.Opposite_Segment, "1001");
    EXPECT_EQ(r.Description, "Main St to River Rd");
    // Nulls read as empty texts (continuity codes keep their one character).
    const Hwy_Seg_Record& n = Hwy_Seg_Table[1];
    EXPECT_EQ(n.Segment, "8000");
    EXPECT_EQ(n.Begin_Node, "");
    EXPECT_EQ(n.Begin_Continuity, " ");
    EXPECT_EQ(n.Nway, 0);
    EXPECT_EQ(n.Opposite_Segment, "");
    EXPECT_EQ(n.Description, "");
}

TEST_F(HwySegTableTest, VersionIsItsFirstSixCharacters) {
    Load_Hwy_Seg_Table("201001 (January)");
    EXPECT_EQ(segments(), (std::vector<std::string>{"2000", "3000", "1000"}));
}

TEST_F(HwySegTableTest, IndexAnswersAsTheLinearSearch) {
    Load_Hwy_Seg_Table("201807");
    for (int32_t i = 1; i <= Hwy_Seg_Count; ++i) {
        const std::string& seg = Hwy_Seg_Table[static_cast<std::size_t>(i)].Segment;
        int32_t first = 0;
        for (int32_t j = 1; j <= Hwy_Seg_Count && first == 0; ++j)
            if (Hwy_Seg_Table[static_cast<std::size_t>(j)].Segment == seg) first = j;
        EXPECT_EQ(HwySet_Index(seg), first) << seg;
    }
    EXPECT_EQ(HwySet_Index("1400"), 8) << "the first of two";
    for (const char* absent : {"1000 ", " 1000", "100", "9999", ""}) EXPECT_EQ(HwySet_Index(absent), 0) << absent;
}

TEST_F(HwySegTableTest, UnknownVersionLeavesTheTableEmpty) {
    Load_Hwy_Seg_Table("201807");
    ui_->ExpectMsgBox(ui::vbOK, "No segments found for HMZ version 209901");
    Load_Hwy_Seg_Table("209901");
    EXPECT_EQ(ui_->shown.back().title, "Load_Hwy_Seg_Table");
    EXPECT_EQ(Hwy_Seg_Count, 0);
    ui_->ExpectMsgBox(ui::vbOK, "Hwy_Seg_Table not loaded");
    EXPECT_EQ(HwySet_Index("1000"), 0);
    EXPECT_EQ(ui_->shown.back().title, "HwySet_Index");
}

TEST_F(HwySegTableTest, NoDatabaseNoMessageOfItsOwn) {
    set_data_folder(DataKind::AllVersions, file("empty"));
    fs::remove(data() + "/segallversions.mdb");
    ui_->ExpectMsgBox(ui::vbCancel, "File does not exist:");
    Load_Hwy_Seg_Table("201807");
    EXPECT_EQ(Hwy_Seg_Count, 0);
    EXPECT_EQ(ui_->shown.size(), 1u);
}

TEST_F(HwySegTableTest, HighwayCodesAsJetFormatsThem) {
    // Format(n,'000') rounds and keeps the sign; & takes Null as "".
    SAV_Forget_Database();
    write_mdb(data() + "/segallversions.mdb",
              "CREATE TABLE SegmentAllVersions (Segment TEXT(4), HMZVersion TEXT(6), Length DOUBLE,\n"
              "  Highway_Number DOUBLE, Highway_Letter TEXT(1), Search_Sequence LONG, Nway BYTE, Direction TEXT(1),\n"
              "  Begin_Node TEXT(4), End_Node TEXT(4), Begin_Continuity TEXT(1), End_Continuity TEXT(1),\n"
              "  Opposite_Segment TEXT(4), Description TEXT(10));\n"
              "INSERT INTO SegmentAllVersions (Segment, HMZVersion, Length, Highway_Number, Highway_Letter,\n"
              "  Search_Sequence) VALUES\n"
              "  ('0001', '201807', 1, 7.5, NULL, 1), ('0002', '201807', 1, 12.4, 'C', 1),\n"
              "  ('0003', '201807', 1, -5, NULL, 1), ('0004', '201807', 1, NULL, 'D', 1);\n");
    Load_Hwy_Seg_Table("201807");
    ASSERT_EQ(Hwy_Seg_Count, 4);
    std::vector<std::pair<std::string, std::string>> got;
    for (int32_t i = 1; i <= Hwy_Seg_Count; ++i)
        got.emplace_back(Hwy_Seg_Table[static_cast<std::size_t>(i)].Segment,
                         Hwy_Seg_Table[static_cast<std::size_t>(i)].Hwy4);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::string>>{
                       {"0003", "-005"}, {"0001", "008 "}, {"0002", "012C"}, {"0004", "D   "}}));
}

}  // namespace
