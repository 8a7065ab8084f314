#include "sdf/SDF_Utils.h"

#include <gtest/gtest.h>

#include "inventory/Hwy_Seg_Table_mod.h"
#include "sdf/SDF_Tab.h"
#include "tests/sdf/sdf_support.h"

namespace {

using namespace sdftest;

class SdfReaderTest : public SdfTest {
protected:
    int16_t Read(const std::string& text, const std::string& version = "201807") {
        UseSdf(text, version);
        int16_t status = 99;
        SDF_Read(status);
        return status;
    }
    static const SDF_Section& Sec(int32_t i) { return SDF_Sections[static_cast<std::size_t>(i)]; }
};

TEST_F(SdfReaderTest, ColumnsByHeading) {
    struct Case {
        const char* heading;
        int16_t id, seg1, seg2, km1, km2, note;
    } cases[] = {
        // one segment column serves both ends; any case; quoted headings
        {"Seg,Km1,Km2,ID", 4, 1, 1, 2, 3, 0},
        {"\"Segment\",\"KM1\",\"km2\",\"Id\",\"Notes\"", 4, 1, 1, 2, 3, 5},
        // the first name of a role that is present wins
        {"seg,segment,kmmark1,km1,km2,projectid,groupid,description,note", 7, 2, 2, 4, 5, 9},
        {"ID,seg1,seg2,kmmark1,kmmark2, 'Description'", 1, 2, 3, 4, 5, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heading);
        UseSdf(std::string(c.heading) + CRLF + "x" + CRLF);
        InputFile f;
        int16_t status = 99;
        SDF_Open(f, status);
        ASSERT_EQ(status, 0);
        EXPECT_TRUE(f.is_open());
        EXPECT_EQ(SDF_Columns.ColID, c.id);
        EXPECT_EQ(SDF_Columns.ColSeg1, c.seg1);
        EXPECT_EQ(SDF_Columns.ColSeg2, c.seg2);
        EXPECT_EQ(SDF_Columns.ColKm1, c.km1);
        EXPECT_EQ(SDF_Columns.ColKm2, c.km2);
        EXPECT_EQ(SDF_Columns.ColNote, c.note);
        EXPECT_EQ(SDF_Columns.MinFields, std::max({c.id, c.seg1, c.seg2, c.km1, c.km2, c.note}));
    }
    EXPECT_EQ(SDF_HeadingTexts[6], "'Description'");  // left-trimmed, quotes kept
}

TEST_F(SdfReaderTest, HeadingFailures) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"ID,Seg,Km1,Km2", "No data in file "},
        {"ID,Road,Km1,Km2\r\n1,0010,1,2\r\n", "No Segment or Seg or Seg1 field heading found in file "},
        {"ID,Seg,Km,Km2\r\n1,0010,1,2\r\n", "No Km1 or KmMark1 field heading found in file "},
        {"ID,Seg,Km1,Kms\r\n1,0010,1,2\r\n", "No Km2 or KmMark2 field heading found in file "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string path = UseSdf(c.text);
        ui_->ExpectMsgBox(ui::vbOK, c.message + path);
        InputFile f;
        int16_t status = 0;
        SDF_Open(f, status);
        EXPECT_EQ(status, -1);
        EXPECT_FALSE(f.is_open());
        EXPECT_EQ(StatusLines().back(), c.message + path);
        EXPECT_EQ(ui_->shown.back().title, "SDF_Open");
    }
    // no ID column: the user decides
    const std::string path = UseSdf("Seg,Km1,Km2\r\n0010,1,2\r\n");
    ui_->ExpectMsgBox(ui::vbNo, "Do you want to use the section record number as the ID?");
    ui_->ExpectMsgBox(ui::vbOK, "No ID, GroupID, Project or ProjectID field heading found in file " + path);
    InputFile f;
    int16_t status = 0;
    SDF_Open(f, status);
    EXPECT_EQ(status, -1);
    UseSdf("\"C:\\x\\missing.csv\"");
    SDF_Set_File(data_ + "missing.csv");
    ui_->ExpectMsgBox(ui::vbOK, "while trying to open input file:");
    SDF_Open(f, status);
    EXPECT_EQ(status, -1);
}

TEST_F(SdfReaderTest, RecordsAndTheirFields) {
    ui_->ExpectMsgBox(ui::vbYes, "Do you want to use the section record number as the ID?");
    ui_->ExpectMsgBox(ui::vbOK, "Not enough fields on section data record 3");  // asked once only
    const int16_t st = Read(
        "Seg,Km1,Km2,Note\r\n"
        "010,1.0,2.5,\"on, the bridge\"\r\n"
        "\r\n"
        "   \r\n"
        "0020,\"0.5\",'1.25', plain \r\n"
        "0030,0,1\r\n"
        "0040,2,3");
    ASSERT_EQ(st, 0);
    ASSERT_EQ(SDF_Count(), 4);
    EXPECT_EQ(Sec(1).ID, "1");
    EXPECT_EQ(Sec(1).Seg1, "0010");
    EXPECT_EQ(Sec(1).Seg2, "0010");
    EXPECT_FLOAT_EQ(Sec(1).Km2, 2.5f);
    EXPECT_EQ(Sec(1).Note, "\"on, the bridge\"");  // a field with a comma keeps its quotes
    EXPECT_EQ(Sec(2).ID, "2");                       // blank lines do not count
    EXPECT_FLOAT_EQ(Sec(2).Km1, 0.5f);
    EXPECT_FLOAT_EQ(Sec(2).Km2, 1.25f);
    EXPECT_EQ(Sec(2).Note, "plain");
    EXPECT_EQ(Sec(3).Note, "");
    EXPECT_EQ(Sec(4).ID, "4");
    EXPECT_EQ(StatusLines().back(), "4 sections read.");
}

TEST_F(SdfReaderTest, ExtraFieldsBelongToOneReadOnly) {
    const std::string text = "ID,Seg,Km1,Km2,Route,Speed\r\n\"A\",0030,1,2,R1,80\r\nB,0030,3,4\r\n";
    SDF_Set_AuxFields({"ROUTE", "Speed", "Missing"}, {"Route label"});
    ui_->ExpectMsgBox(ui::vbOK, "Not enough fields on section data record 2");
    ASSERT_EQ(Read(text), 0);
    EXPECT_EQ(SDF_AuxFields.AuxCount, 3);
    EXPECT_EQ(SDF_AuxFields.Labels[1], "Route label");
    EXPECT_EQ(SDF_AuxFields.Labels[2], "Speed");
    EXPECT_EQ(SDF_AuxFields.Cols[1], 5);
    EXPECT_EQ(SDF_AuxFields.Cols[3], 0);
    EXPECT_EQ(Sec(1).ID, "A");
    EXPECT_EQ(Sec(1).AuxValues, (std::vector<std::string>{"", "R1", "80", ""}));
    EXPECT_EQ(Sec(2).AuxValues, (std::vector<std::string>{"", "", "", ""}));
    // the next read without fields of its own: none, and no question about
    // the short record, which has every column it needs now
    ASSERT_EQ(Read(text), 0);
    EXPECT_EQ(SDF_AuxFields.AuxCount, 0);
    EXPECT_EQ(SDF_Columns.MinFields, 4);
    EXPECT_TRUE(Sec(1).AuxValues.empty());
}

TEST_F(SdfReaderTest, RecordStops) {
    struct Case {
        const char* record;
        const char* message;
    } cases[] = {
        {" ,0030,1,2", "ID missing on section record 2"},
        {"B,0030,,2", "Missing km1 on record 2"},
        {"B,0030,1x,2", "Invalid km1 on record 2"},
        {"B,0030,1,  ", "Missing km2 on record 2"},
        {"B,0030,1,two", "Invalid km2 on record 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        EXPECT_EQ(Read(std::string("ID,Seg,Km1,Km2\r\nA,0030,1,2\r\n") + c.record + "\r\nC,0030,3,4\r\n"), -1);
        EXPECT_EQ(StatusLines().back(), c.message);
        EXPECT_EQ(ui_->shown.back().title, "SDF_Read");
        EXPECT_EQ(Status().find("sections read."), std::string::npos);
    }
    ui_->ExpectMsgBox(ui::vbCancel, "Not enough fields on section data record 1");
    ui_->ExpectMsgBox(ui::vbOK, "SDF_Read cancelled.");
    EXPECT_EQ(Read("ID,Seg,Km1,Km2,Note\r\nA,0030,1,2\r\n"), -1);
}

// 0010 is 12.40 km long in 201807.
TEST_F(SdfReaderTest, EndsCheckedAgainstTheVersion) {
    struct Case {
        const char* km2;
        float expected;
    } snaps[] = {{"999.9", 12.40f}, {"12.45", 12.40f}, {"12.40", 12.40f}, {"11", 11.0f}};
    for (const Case& c : snaps) {
        SCOPED_TRACE(c.km2);
        ASSERT_EQ(Read(std::string("ID,Seg,Km1,Km2\r\nA,0010,1,") + c.km2 + "\r\n"), 0);
        EXPECT_FLOAT_EQ(SDF_Sections[1].Km2, c.expected);
    }
    // every location error is reported, then the read gives up
    ui_->ExpectMsgBox(ui::vbOK, "Error: section A km 12.46 not valid for segment 0010 in HMZ version 202004");
    ui_->ExpectMsgBox(ui::vbOK, "Error: section B km -0.5 not valid for segment 0010 in HMZ version 202004");
    ui_->ExpectMsgBox(ui::vbOK, "Error: section C segment 0990 not valid for HMZ version 202004");
    ui_->ExpectMsgBox(ui::vbOK, "Error: section C segment 0990 not valid for HMZ version 202004");
    ui_->ExpectMsgBox(ui::vbOK, "Aborting due to 4 SDF errors.");
    EXPECT_EQ(Read("ID,Seg,Km1,Km2\r\nA,0010,1,12.46\r\nB,0010,-0.5,1\r\nC,0990,1,2\r\n", "202004"), -1);
    EXPECT_TRUE(StatusHas("3 sections read." + CRLF + "Aborting due to 4 SDF errors."));
    EXPECT_EQ(ui_->shown[0].title, "SDF_ValidateLocn");
    // Cancel at a location error ends the read there
    ui_->ExpectMsgBox(ui::vbCancel, "Error: section A km 12.46");
    ui_->ExpectMsgBox(ui::vbOK, "SDF read cancelled");
    EXPECT_EQ(Read("ID,Seg,Km1,Km2\r\nA,0010,1,12.46\r\nB,0010,-0.5,1\r\n"), -1);
}

class SdfDerivedTest : public SdfReaderTest {
protected:
    int16_t Derive(const std::string& text) {
        if (Read(text) != 0) return -9;
        Load_Hwy_Seg_Table(SDF_Version);
        int16_t st = 99;
        SDF_Set_hms_and_nodes(st);
        return st;
    }
    static const Hwy_Seg_Record& Row(const std::string& seg) {
        return Hwy_Seg_Table[static_cast<std::size_t>(HwySet_Index(seg))];
    }
};

TEST_F(SdfDerivedTest, PositionsAndNodes) {
    ASSERT_EQ(Derive("ID,Seg1,Km1,Seg2,Km2\r\n"
                     "A,0010,3.2,0030,0.0\r\n"
                     "B,0020,0,0020,999.9\r\n"
                     "C,0030,1.25,0030,1.24\r\n"),
              -1);  // C ends before it starts
    const SDF_Section& a = Sec(1);
    EXPECT_EQ(a.hm1, 32);
    EXPECT_EQ(a.SegIdx1, HwySet_Index("0010"));
    EXPECT_EQ(a.SegIdx2, HwySet_Index("0030"));
    EXPECT_EQ(a.Pos1, a.SegIdx1 * 10000 + 32);
    EXPECT_EQ(a.Pos2, a.SegIdx2 * 10000);
    EXPECT_EQ(a.Node1, "");
    EXPECT_EQ(a.Node2, "");
    // the end of 0010 (where 0020 begins), then 0020's end (where 0030 begins), each once
    ASSERT_EQ(Row("0010").End_Node, "10002");
    ASSERT_EQ(Row("0020").Begin_Node, "10002");
    ASSERT_EQ(Row("0030").Begin_Node, Row("0020").End_Node);
    EXPECT_EQ(a.NodeCount, 2);
    EXPECT_EQ(a.Nodes, (std::vector<std::string>{"", "10002", Row("0020").End_Node}));
    const SDF_Section& b = Sec(2);
    EXPECT_EQ(b.hm2, 120);
    EXPECT_EQ(b.Node1, "10002");
    EXPECT_EQ(b.Node2, Row("0020").End_Node);
    EXPECT_EQ(b.Nodes, a.Nodes);
    EXPECT_EQ(StatusLines().back(), "ERROR: Section 3 ID:C has endpoint prior to startpoint.");

    std::string id, s1, s2;
    int16_t h1 = 0, h2 = 0;
    SDF_Get_Section(2, id, s1, s2, h1, h2);
    EXPECT_EQ(id + s1 + s2, "B00200020");
    EXPECT_EQ(h2, 120);
    for (int32_t i : {0, 4}) {
        SDF_Get_Section(i, id, s1, s2, h1, h2);
        EXPECT_EQ(id, "Error");
        EXPECT_EQ(s1 + s2, "");
        EXPECT_EQ(h1, -1);
        EXPECT_EQ(h2, -1);
    }
    std::string hw1, hw2;
    SDF_Get_Section_Hwys(1, hw1, hw2);
    EXPECT_EQ(hw1, "001");
    EXPECT_EQ(hw2, "001");
}

TEST_F(SdfDerivedTest, AddUniqueStr) {
    std::vector<std::string> list{"", "stale", "old"};
    int16_t n = 0;
    Add_Unique_Str("a", list, n);
    EXPECT_EQ(list, (std::vector<std::string>{"", "a"}));
    Add_Unique_Str("b", list, n);
    Add_Unique_Str("a", list, n);
    Add_Unique_Str("A", list, n);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(list, (std::vector<std::string>{"", "a", "b", "A"}));
}

// Overlaps of a few sections on the 201807 network: status and report lines.
TEST_F(SdfDerivedTest, OverlapsByPositionAndNode) {
    Load_Hwy_Seg_Table("201807");
    struct Case {
        const char* name;
        const char* records;
        std::vector<std::string> report;
    } cases[] = {
        {"touching at one hm", "A,0030,0.0,0030,1.0\r\nB,0030,1.0,0030,2.0\r\n",
         {"Section 2 (B) overlaps section 1 (A)"}},
        {"a gap of one hm", "A,0030,0.0,0030,0.9\r\nB,0030,1.0,0030,2.0\r\n", {}},
        {"sorted by start", "A,0030,5.0,0030,6.0\r\nB,0030,1.0,0030,5.04\r\n",
         {"Section 1 (A) overlaps section 2 (B)"}},
        {"containment: only neighbours compared",
         "L,0030,1.0,0030,8.0\r\nS1,0030,2.0,0030,3.0\r\nS2,0030,5.0,0030,6.0\r\n",
         {"Section 2 (S1) overlaps section 1 (L)"}},
        {"shared node, every pair",
         "A,0010,11.0,0010,12.4\r\nB,0020,0.0,0020,1.0\r\nC,9050,0,9050,1\r\n",
         {"Section 1 (A) overlaps section 2 (B) at node 10002", "Section 1 (A) overlaps section 3 (C) at node 10002",
          "Section 2 (B) overlaps section 3 (C) at node 10002"}},
        {"by position and by node, each node of the pair",
         "A,0010,12.0,0030,0.5\r\nB,0020,0.0,0020,12.0\r\n",
         {"Section 2 (B) overlaps section 1 (A)", "Section 1 (A) overlaps section 2 (B) at node 10002",
          "Section 1 (A) overlaps section 2 (B) at node " + Row("0020").End_Node}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseSdf(std::string("ID,Seg1,Km1,Seg2,Km2\r\n") + c.records);
        form().Status.SetText("");
        int16_t status = 99;
        SDF_Overlaps(status);
        EXPECT_EQ(status, static_cast<int16_t>(c.report.size()));
        std::vector<std::string> lines = StatusLines();
        ASSERT_GE(lines.size(), c.report.size() + 2);
        EXPECT_EQ(lines.back(), std::to_string(c.report.size()) + " overlaps found.");
        EXPECT_EQ(lines[lines.size() - 2 - c.report.size()], "Hms and nodes set for " +
                                                                  std::to_string(SDF_Count()) + " sections.");
        EXPECT_EQ(std::vector<std::string>(lines.end() - 1 - static_cast<long>(c.report.size()), lines.end() - 1),
                  c.report);
    }
}

TEST_F(SdfDerivedTest, OverlapCheckFailures) {
    // a section that ends before it starts: nothing is checked
    UseSdf("ID,Seg,Km1,Km2\r\nA,0030,2,1\r\nB,0030,1,3\r\n");
    int16_t status = 0;
    SDF_Overlaps(status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(StatusLines().back(), "*** No overlap checking done ***");
    // no version: a failure, never "no overlaps"
    SDF_Set_HMZversion("");
    ui_->ExpectMsgBox(ui::vbOK, "Error: HMZ Version not set in module SDF_Utils");
    status = 0;
    SDF_Overlaps(status);
    EXPECT_EQ(status, -1);
    // a read that fails gives its status
    UseSdf("ID,Seg,Km1,Km2\r\n");
    ui_->ExpectMsgBox(ui::vbOK, "No data in file");
    SDF_Overlaps(status);
    EXPECT_EQ(status, -1);
}

// A node without a name is nobody's node.
TEST_F(SdfDerivedTest, EmptyNodeNamesNeverMeet) {
    SDF_Sections.assign(3, SDF_Section{});
    for (int i : {1, 2}) {
        SDF_Section& s = SDF_Sections[static_cast<std::size_t>(i)];
        s.ID = std::string(1, static_cast<char>('A' + i - 1));
        s.Pos1 = 10000 * i;
        s.Pos2 = 10000 * i + 5;
        s.Nodes = {"", "", "N1"};
        s.NodeCount = 2;
    }
    SDF_Sections[2].Nodes = {"", "N2", ""};
    int32_t count = -1;
    SDF_Find_Overlaps(count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(StatusLines().back(), "0 overlaps found.");
}

TEST_F(SdfDerivedTest, OverlapsCommand) {
    WriteFile(data_ + "touch.csv", "ID,Seg,Km1,Km2\r\nA,0030,0,1\r\nB,0030,1,2\r\n");
    FillTab("touch.csv");
    form().Status.SetText("earlier text");
    Click("cmdOverlaps");
    EXPECT_EQ(Status().find("earlier text"), std::string::npos);
    EXPECT_TRUE(StatusHas("Opening SDF: " + data_ + "touch.csv"));
    EXPECT_EQ(StatusLines().back(), "1 overlaps found.");
    EXPECT_EQ(SDF_Version, "201807");
    EXPECT_EQ(SDF_OutFolder, out_);
    // the version is checked first
    form().SDF_HMZversion.SetText("199901");
    ui_->ExpectMsgBox(ui::vbOK, "HMZ version 199901 is not a valid HMZ version");
    Click("cmdOverlaps");
    EXPECT_EQ(SDF_Version, "201807");
}

}  // namespace
