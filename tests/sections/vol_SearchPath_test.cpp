#include "sections/vol_SearchPath.h"

#include <gtest/gtest.h>

#include "inventory/Hwy_Seg_Table_mod.h"
#include "tests/sections/volume_support.h"

namespace {

using namespace voltest;

std::string path_text() {
    std::string s;
    for (int32_t i = 1; i <= vol_PathCount; ++i) {
        const PathRec& p = vol_Path[static_cast<std::size_t>(i)];
        if (!s.empty()) s += " ";
        s += p.Type + (p.Name.empty() ? "" : ":" + p.Name);
        if (p.Type == "SEG") s += "(" + std::to_string(p.Hm1) + "-" + std::to_string(p.Hm2) + ")";
    }
    return s;
}

class VolSearchPathTest : public VolumeTest {
protected:
    void SetUp() override {
        VolumeTest::SetUp();
        load_form();
        Erase_Search_Path();
    }
};

TEST_F(VolSearchPathTest, TheHighwayTablesPath) {
    struct Case {
        const char *start, *end, *path;
    };
    const Case cases[] = {
        // a discontinuity, then the next segment's begin node; a loop back to N1 adds no second N1
        {"0100", "0300",
         "NODE:N1 SEG:0100(1-9) NODE:N2 SEG:0200(1-20) NODE:N3 ---- NODE:N4 SEG:0300(1-4)"},
        // one segment; the "----" at the very end is dropped
        {"0200", "0200", "NODE:N2 SEG:0200(1-20) NODE:N3"},
        // an end segment never met: to the table's end
        {"0200", "9999", "NODE:N2 SEG:0200(1-20) NODE:N3 ---- NODE:N4 SEG:0300(1-4) NODE:N1"},
        {"7777", "0300", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " to " + c.end);
        Erase_Search_Path();
        Build_HMZ_Search_Path(c.start, c.end, "202004");
        EXPECT_EQ(path_text(), c.path);
        EXPECT_EQ(vol_PathSource, "HMZ");
    }
}

TEST_F(VolSearchPathTest, LongPathsKeepEveryRowAndNode) {
    // 700 segments in a line, 701 nodes: beyond any fixed table of rows or nodes
    std::string sql = invtest::kSegmentAllVersionsTable;
    for (int i = 1; i <= 700; ++i) {
        char row[200];
        std::snprintf(row, sizeof row,
                      "INSERT INTO SegmentAllVersions VALUES ('%04d', '202004', 1.0, NULL, 8, NULL, 2, 'N', %d, "
                      "'M%d', 'M%d', 'C', 'C', NULL, 'x');\n",
                      1000 + i, i, i, i + 1);
        sql += row;
    }
    write_mdb(data() + "/segallversions.mdb", sql);
    SAV_Forget_Database();
    Build_HMZ_Search_Path("1001", "1700", "202004");
    ASSERT_EQ(vol_PathCount, 1401);
    EXPECT_EQ(vol_Path[1400].Name, "1700");
    EXPECT_EQ(vol_Path[1401].Name, "M701");
}

TEST_F(VolSearchPathTest, FindingAPointOnThePath) {
    Build_HMZ_Search_Path("0100", "0300", "202004");
    // 1 N1, 2 0100, 3 N2, 4 0200, 5 N3, 6 ----, 7 N4, 8 0300
    struct Case {
        int32_t from;
        const char* seg;
        int16_t hm;
        int32_t item;
    };
    const Case cases[] = {
        {1, "0100", 0, 1},   // hm 0 of the first segment: its begin node
        {1, "0100", 5, 2},   // inside
        {1, "0100", 10, 3},  // its length: the end node
        {1, "0200", 0, 3},   // the begin node is the node before
        {1, "0200", 21, 5},
        {1, "0300", 5, 0},   // its end node N1 was a duplicate: nothing on that segment
        {3, "0100", 10, 3},  // from a node, the segment before it is searched too
        {4, "0100", 5, 0},
        {1, "0400", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.seg) + " hm " + std::to_string(c.hm));
        EXPECT_EQ(Find_Path_Item(c.from, c.seg, c.hm), c.item);
    }
}

TEST_F(VolSearchPathTest, TheSearchPathFile) {
    const std::string f = file("path.txt");
    // headings until the second SEARCH PATH line; the last record has no line end
    write(f,
          "SEARCH PATH FILE for a subset\r\n"
          "junk before the list\r\n"
          "\r\n"
          "SEARCH PATH\r\n"
          "NODE 100 T 01 1\r\n"
          "SEG 0100 0.1 0.9 1\r\n"
          "node 100 C 02 0\r\n"
          "----\r\n"
          "SEG 0200 0.25 0.35 1");
    TheMainForm().vol_StartDate.SetText("2015-01-01");
    TheMainForm().vol_EndMonth.SetText("8");
    ASSERT_TRUE(Read_Search_Path_File(f));
    EXPECT_EQ(path_text(), "NODE:10001 SEG:0100(1-9) NODE:10002 ---- SEG:0200(2-4)") << "0.25 and 0.35 round to even";
    EXPECT_EQ(vol_PathSource, "VRQ");
    EXPECT_EQ(vol_StartDate.Year, 2015);
    EXPECT_EQ(vol_EndMonth, 8);

    // a blank line or "====" ends the list
    Erase_Search_Path();
    write(f, "SEARCH PATH\nSEARCH PATH\nSEG 0100 0.1 0.9 1\n====\nSEG 0200 0.1 0.9 1\n");
    ASSERT_TRUE(Read_Search_Path_File(f));
    EXPECT_EQ(path_text(), "SEG:0100(1-9) ====");
    Erase_Search_Path();
    write(f, "SEARCH PATH\nSEARCH PATH\nSEG 0100 0.1 0.9 1\n  \nSEG 0200 0.1 0.9 1\n");
    ASSERT_TRUE(Read_Search_Path_File(f));
    EXPECT_EQ(path_text(), "SEG:0100(1-9)");
}

// A SEG or NODE record that does not read ends the reading; the path keeps
// the records before it and the run goes on with them.
TEST_F(VolSearchPathTest, ARecordThatDoesNotReadEndsTheReadingNamingTheLine) {
    const std::string f = file("path.txt");
    for (const char* record :
         {"SEG 0200 0.1 0.9", "SEG 0200 0.1 x 1", "SEG 0200 0.1 0.9 x", "NODE 100 C 02", "NODE 100 C"}) {
        SCOPED_TRACE(record);
        Erase_Search_Path();
        write(f, std::string("SEARCH PATH\r\nSEARCH PATH\r\nSEG 0100 0.1 0.9 1\r\n") + record +
                     "\r\nSEG 0300 0.1 0.4 1\r\n\r\n");
        ui_->ExpectMsgBox(ui::vbOK, std::string("Line 4: ") + record);
        EXPECT_TRUE(Read_Search_Path_File(f));
        EXPECT_EQ(ui_->shown.back().title, "Read_Search_Path_File");
        EXPECT_EQ(path_text(), "SEG:0100(1-9)");
        EXPECT_EQ(vol_PathSource, "VRQ");
    }
}

// A record of an unknown type is shown whole and stays on the path; the
// reading goes on.
TEST_F(VolSearchPathTest, ARecordOfAnUnknownTypeIsShownAndKept) {
    const std::string f = file("path.txt");
    write(f, "SEARCH PATH\r\nSEARCH PATH\r\nSEG 0100 0.1 0.9 1\r\nsegx 0200 0.1 0.9 1\r\nSEG 0300 0.1 0.4 1\r\n\r\n");
    ui_->ExpectMsgBox(ui::vbOK, "segx 0200 0.1 0.9 1");
    EXPECT_TRUE(Read_Search_Path_File(f));
    EXPECT_EQ(ui_->shown.back().prompt, "segx 0200 0.1 0.9 1");
    EXPECT_EQ(ui_->shown.back().title, "Unrecognized Path record");
    EXPECT_EQ(path_text(), "SEG:0100(1-9) SEGX SEG:0300(1-4)");
}

// A segment end without a node name adds no NODE item.
TEST_F(VolSearchPathTest, ASegmentEndWithoutANodeAddsNoNodeItem) {
    write_mdb(data() + "/segallversions.mdb",
              std::string(invtest::kSegmentAllVersionsTable) +
                  "INSERT INTO SegmentAllVersions VALUES\n"
                  "  ('0100', '202004', 1.0, NULL, 7, NULL, 2, 'N', 1, '', NULL, 'T', 'D', NULL, 'First'),\n"
                  "  ('0200', '202004', 2.05, NULL, 7, NULL, 2, 'N', 2, '', 'N3', 'C', 'C', NULL, 'Second');\n");
    SAV_Forget_Database();
    Build_HMZ_Search_Path("0100", "0200", "202004");
    EXPECT_EQ(path_text(), "SEG:0100(1-9) ---- SEG:0200(1-20) NODE:N3");
}

}  // namespace
