#include "sdf/SDF_1DP_Separate.h"

#include <gtest/gtest.h>

#include "sdf/SDF_Tab.h"
#include "tests/sdf/sdf_support.h"

namespace {

using namespace sdftest;

class SdfSeparateTest : public SdfTest {
protected:
    std::string LogPath() const { return dir_.file("temp") + "/SDF_1DP_Separate_Log.txt"; }
    // Separates the records (heading ID,Seg1,Km1,Seg2,Km2,Note) with option 1;
    // the output's records without their final comma.
    std::vector<std::string> Separate(const std::string& records, int16_t option = 1,
                                      const std::string& heading = "ID,Seg1,Km1,Seg2,Km2,Note") {
        UseSdf(heading + CRLF + records, "201807", "in.csv");
        ui_->ExpectMsgBox(ui::vbOK, "sections written to file " + out_ + "in_Sep1DP_opt" + std::to_string(option));
        SDF_1DP_Separate(option);
        auto lines = Lines(ReadFile(out_ + "in_Sep1DP_opt" + std::to_string(option) + ".csv"));
        for (std::size_t i = 1; i < lines.size(); ++i)
            if (!lines[i].empty() && lines[i].back() == ',' && option != 3) lines[i].pop_back();
        return lines;
    }
    std::string Summary() const { return ui_->shown.empty() ? "" : ui_->shown.back().prompt; }
};

TEST_F(SdfSeparateTest, SeparationsOnOneSegmentAndAtNodes) {
    struct Case {
        const char* name;
        const char* records;
        std::vector<std::string> out;
        const char* counts;
        bool caught_box = false;  // a node the node pass could not separate
    } cases[] = {
        {"exact start: the earlier gives way", "A,0030,1.0,0030,2.0,\r\nB,0030,2.0,0030,3.0,\r\n",
         {"A,0030,1.0,0030,1.9", "B,0030,2.0,0030,3.0"},
         "0 separations at nodes performed.\r\n1 mid-segment separations performed."},
        {"start rounded down: the later gives way", "A,0030,1.0,0030,2.04,\r\nB,0030,2.04,0030,3.0,\r\n",
         {"A,0030,1.0,0030,2.0", "B,0030,2.1,0030,3.0"}, "1 mid-segment separations performed."},
        {"start at another section's end node", "A,0020,3.0,0020,12.0,\r\nB,0030,0.0,0030,2.0,\r\n",
         {"A,0020,3.0,0020,12.0", "B,0030,0.1,0030,2.0"}, "1 separations at nodes performed."},
        {"end at an earlier section's start node", "A,0030,0.0,0030,2.0,\r\nB,0020,3.0,0020,12.0,\r\n",
         {"A,0030,0.0,0030,2.0", "B,0020,3.0,0020,11.9"}, "1 separations at nodes performed."},
        {"not in road order", "A,0030,5.0,0030,6.0,\r\nB,0030,1.0,0030,2.0,\r\n",
         {"A,0030,5.0,0030,6.0", "B,0030,1.0,0030,2.0"}, "1 separations not done due to overlaps."},
        {"too short to move at a node", "A,0020,3.0,0020,12.0,\r\nB,0030,0.0,0030,0.04,\r\n",
         {"A,0020,3.0,0020,12.0", "B,0030,0.0,0030,0.0"}, "\n2 separations not be done due to crowding.", true},
        {"an earlier section ending at km 0 gives no hm", "A,0040,9.0,0050,0.0,\r\nB,0050,0.0,0050,0.04,\r\n",
         {"A,0040,9.0,0050,0.0", "B,0050,0.0,0050,0.0"}, "2 separations not be done due to crowding."},
        {"nothing in common", "A,0030,1.04,0030,2.06,\r\nB,0040,1.55,0040,2.0,\r\n",
         {"A,0030,1.0,0030,2.1", "B,0040,1.6,0040,2.0"},
         "0 separations at nodes performed.\r\n0 mid-segment separations performed.\r\n2 sections written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form().Status.SetText("");
        if (c.caught_box) ui_->ExpectMsgBox(ui::vbOK, "This should have been caught earlier!");
        const auto out = Separate(c.records);
        ASSERT_EQ(out.size(), 3u);
        EXPECT_EQ(out[0], "ID,Seg1,Km1,Seg2,Km2");
        EXPECT_EQ(std::vector<std::string>(out.begin() + 1, out.end()), c.out);
        EXPECT_NE(Summary().find(c.counts), std::string::npos) << Summary();
        EXPECT_EQ(StatusLines().back(), "Log file: " + LogPath());
    }
}

// A section that can move neither at its start node nor on its segment is
// refused twice, and each refusal is a separation not done.
TEST_F(SdfSeparateTest, CrowdedSectionCountedAtEachPass) {
    const auto out = Separate("A,0040,9.0,0050,0.0,\r\nB,0050,0.04,0050,0.04,\r\n");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1], "A,0040,9.0,0050,0.0");
    EXPECT_EQ(out[2], "B,0050,0.0,0050,0.0");
    EXPECT_NE(Summary().find("\n2 separations not be done due to crowding."), std::string::npos) << Summary();
    EXPECT_TRUE(StatusHas("Warning: can't separate sections A and B at node 10005" + CRLF +
                          "Warning: can't separate sections A and B" + CRLF));
}

TEST_F(SdfSeparateTest, TheSampleFileAndItsLog) {
    FillTab("", "201807");
    form().SDF_folder.SetText(Sample_Folder() + "sdf");
    form().SDF_file.SetText("SDF_1dp_201807.csv");
    ui_->ExpectInput("1", "1 - Just ID, seg & new km fields.\r\n2 - Add Description (or Note) field.");
    ui_->ExpectMsgBox(ui::vbOK, "Error: section S7 node1 10005 = section S6 node2 10005\r\nThis should have");
    ui_->ExpectMsgBox(ui::vbOK, "Note that mid-segment separation only works between adjacent same-segment sections,");
    Click("cmdSDF1dpSep");
    EXPECT_EQ(ui_->shown[0].title, "Enter option number for output fields:");
    const auto out = Lines(ReadFile(out_ + "SDF_1dp_201807_Sep1DP_opt1.csv"));
    EXPECT_EQ(out, (std::vector<std::string>{
                       "ID,Seg1,Km1,Seg2,Km2", "S1,0030,1.0,0030,1.9,", "S2,0030,2.0,0030,3.0,",
                       "S3,0030,3.1,0030,4.4,", "S4,0030,4.5,0030,14.7,", "S5,0040,0.1,0040,1.9,",
                       "S6,0040,2.0,0040,9.9,", "S7,0050,0.0,0050,0.0,"}));
    const auto log = Lines(ReadFile(LogPath()));
    ASSERT_GE(log.size(), 8u);
    EXPECT_EQ(log[0].rfind("Tessawin SDF_1DP_Separate_Log 20", 0), 0u) << log[0];
    EXPECT_EQ(log[1], "Option: 1");
    EXPECT_EQ(log[2], "Load_Hwy_Seg_Table HMZ version: 201807");
    EXPECT_EQ(log[3], "SDF_Read");
    EXPECT_EQ(log[4], " 7 sections read.");
    EXPECT_EQ(log[5], "Set_hms_and_nodes");
    EXPECT_EQ(log[6], "--- Node separations ---");
    const std::string text = ReadFile(LogPath());
    for (const char* line : {"S5 nod1 and S4 node 1 = 10004", "section S5 hm1 increased to 1",
                             "Warning: can't separate sections S6 and S7 at node 10005",
                             "1 separations at nodes performed.", "S2 and S1 collide at hm 20",
                             "Case 1: section S1 hm2 reduced to 19", "Case 1: section S3 hm1 increased to 31",
                             "Opening: ", "Writing header record",
                             "1 separations at nodes performed.\r\n4 mid-segment separations performed.\r\n"
                             "2 separations not be done due to crowding.\r\n7 sections written to file"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(SdfSeparateTest, OutputLayouts) {
    const std::string records = "\"A 1\",0030,1.0,0030,2.0,first\r\nB ,0030,3.0,0030,4.0,\"x, y\"\r\n";
    auto two = Separate(records, 2);
    EXPECT_EQ(two[0], "ID,Seg1,Km1,Seg2,Km2,Note");
    EXPECT_EQ(two[1], "A 1,0030,1.0,0030,2.0,first");
    EXPECT_EQ(two[2], "B,0030,3.0,0030,4.0,\"x, y\"");
    // option 2 without a note column: option 1's layout under option 2's name
    two = Separate("A,0030,1.0,0030,2.0\r\n", 2, "ID,Seg1,Km1,Seg2,Km2");
    EXPECT_EQ(two, (std::vector<std::string>{"ID,Seg1,Km1,Seg2,Km2", "A,0030,1.0,0030,2.0"}));
    // any other number: option 1
    EXPECT_EQ(Separate("A,0030,1.0,0030,2.0\r\n", 7, "ID,Seg1,Km1,Seg2,Km2")[1], "A,0030,1.0,0030,2.0");
    // option 3: every input field, IDs matched unquoted and trimmed
    const auto three = Separate(records + "\r\n", 3);
    EXPECT_EQ(three, (std::vector<std::string>{
                         "Seg1,Km1,Seg2,Km2,ID,old_Seg1,old_Km1,old_Seg2,old_Km2,Note",
                         "0030,1.0,0030,2.0,\"A 1\",0030,1.0,0030,2.0,first",
                         "0030,3.0,0030,4.0,B ,0030,3.0,0030,4.0,\"x, y\""}));
}

// Without an ID column the record number stands in, for every option.
TEST_F(SdfSeparateTest, RecordNumbersAsIds) {
    ui_->ExpectMsgBox(ui::vbYes, "Do you want to use the section record number as the ID?");
    auto out = Separate("0030,1.0,2.0\r\n\r\n0030,3.0,4.0\r\n", 1, "Seg,Km1,Km2");
    EXPECT_EQ(out, (std::vector<std::string>{"ID,Seg1,Km1,Seg2,Km2", "1,0030,1.0,0030,2.0", "2,0030,3.0,0030,4.0"}));
    ui_->ExpectMsgBox(ui::vbYes, "Do you want to use the section record number as the ID?");
    out = Separate("0030,1.0,2.0\r\n\r\n0030,3.0,4.0\r\n", 3, "Seg,Km1,Km2");
    EXPECT_EQ(out, (std::vector<std::string>{"Seg1,Km1,Seg2,Km2,old_Seg,old_Km1,old_Km2", "0030,1.0,0030,2.0,0030,1.0,2.0",
                                             "0030,3.0,0030,4.0,0030,3.0,4.0"}));
}

TEST_F(SdfSeparateTest, FailuresEndTheRunWithTheirMessages) {
    // the log cannot be opened: nothing else runs
    ::setenv("temp", (dir_.file("temp") + "/missing").c_str(), 1);
    UseSdf("ID,Seg,Km1,Km2\r\nA,0030,1,2\r\n");
    ui_->ExpectMsgBox(ui::vbOK, "while trying to open output file:");
    SDF_1DP_Separate(1);
    EXPECT_FALSE(fs::exists(out_ + "sections_Sep1DP_opt1.csv"));
    EXPECT_EQ(ui_->shown.back().title, "SDF_1DP_Separate");
    ::setenv("temp", dir_.file("temp").c_str(), 1);
    // a failed read: its own messages, then the log's name
    UseSdf("ID,Seg,Km1,Km2\r\nA,0030,x,2\r\n");
    ui_->ExpectMsgBox(ui::vbOK, "Invalid km1 on record 1");
    SDF_1DP_Separate(1);
    EXPECT_EQ(StatusLines().back(), "Log file: " + LogPath());
    EXPECT_EQ(Lines(ReadFile(LogPath())).back(), "SDF_Read");
}

}  // namespace
