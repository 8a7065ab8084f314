#include "sdf/SDF_Fields_to_CDE.h"

#include <gtest/gtest.h>

#include "tests/sdf/sdf_support.h"

namespace {

using namespace sdftest;

class SdfFieldsTest : public SdfTest {
protected:
    // Copies the fields of the SDF's sections into the extract; the output's lines.
    std::vector<std::string> Run(const std::string& sdf, const std::string& cde, const std::string& fields = "Route") {
        WriteFile(data_ + "s.csv", sdf);
        WriteFile(data_ + "c.csv", cde);
        fs::remove(out_ + "o.csv");
        SDF_Fields_to_CDE("201807", data_ + "c.csv", data_ + "s.csv", out_ + "o.csv", fields);
        return Lines(ReadFile(out_ + "o.csv"));
    }
    static std::vector<std::string> Tails(const std::vector<std::string>& lines) {
        std::vector<std::string> t;
        for (std::size_t i = 1; i < lines.size(); ++i) t.push_back(lines[i].substr(lines[i].rfind(',') + 1));
        return t;
    }
};

// The sample's extract and section file, through the collision tab's command
// with nothing configured.
TEST_F(SdfFieldsTest, SampleThroughTheCommand) {
    const std::string folder = Sample_Folder() + "sdf/";
    form().CDE_folder.SetText(folder);
    form().CDE_file.SetText("CDE_sections_201807.csv");
    form().CDE_SDF_file.SetText("SDF_fields_201807.csv");
    form().CDE_SDF_fields.SetText("Route, SpeedZone,Missing");
    form().CDE_HMZversion.SetText("201807");
    form().outCDE_file.SetText("with_fields");
    form().Out_Folder.SetText(out_);
    ui_->ExpectMsgBox(ui::vbOK, "Processing complete.");
    Click("cmdAddSDFfields");
    const auto out = Lines(ReadFile(out_ + "with_fields.csv"));
    const auto in = Lines(ReadFile(folder + "CDE_sections_201807.csv"));
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(out[0], in[0] + ",Route,SpeedZone,Missing");
    const char* tails[] = {",R1,80,", ",R1,90,", ",R1,90,", ",R1,80,", ",R1,90,",
                           ",,,",     ",,,",     ",R2,100,", ",R97A,80,", ",,,"};
    for (std::size_t i = 1; i < out.size(); ++i) EXPECT_EQ(out[i], in[i] + tails[i - 1]) << i;
    EXPECT_TRUE(StatusHas("CDE record 7 locn 0020 2.0 not in any section." + CRLF + "CDE record 11 locn 0040 4.4"));
    EXPECT_EQ(ui_->shown.back().prompt,
              "Processing complete." + CRLF + CRLF + "4 sections read from section file " + folder +
                  "SDF_fields_201807.csv" + CRLF + "10 CDE collision records read from " + folder +
                  "CDE_sections_201807.csv" + CRLF + "10 CDE collision records written to " + out_ +
                  "with_fields.csv" + CRLF + "2 CDE collision locations were not in any section." + CRLF +
                  "3 CDE collisions were not in any section.");
    EXPECT_EQ(ui_->shown.back().title, "SDF_Fields_to_CDE");
}

TEST_F(SdfFieldsTest, CollisionsInSections) {
    const std::string sdf =
        "ID,Seg1,Km1,Seg2,Km2,Route\r\n"
        "A,0030,1.0,0030,1.2,a\r\n"   // hm 10..12
        "B,0030,1.3,0030,2.0,b\r\n"   // hm 13..20
        "C,0030,2.0,0030,3.0,c\r\n"   // shares hm 20 with B
        "D,0010,9.0,0010,12.4,d\r\n"  // ends at node 10002
        "E,0020,0.0,0020,1.0,e\r\n";  // begins there
    ui_->ExpectMsgBox(ui::vbYes, "2 overlaps found in file " + data_ + "s.csv\r\nDo you want to continue?");
    ui_->ExpectMsgBox(ui::vbOK, "Processing complete.");
    const auto out = Run(sdf,
                         "SEGNUM,KMMARK,NODE\r\n"
                         "030,1.25,\r\n"       // hm 13
                         "0030,1.24,\r\n"      // hm 12
                         "0030,2.0,\r\n"       // the earlier section at a shared position
                         "9050,0.0,10002\r\n"  // a crossing road at a node two sections share: the later
                         "9050,0.5,\r\n"
                         "9050,0.5,10002\r\n"  // the same location as before: the node is not looked at
                         "0030,9.0,0000001\r\n");
    EXPECT_EQ(Tails(out), (std::vector<std::string>{"b", "a", "b", "e", "", "", ""}));
    EXPECT_NE(ui_->shown.back().prompt.find("2 CDE collision locations were not in any section." + CRLF +
                                            "3 CDE collisions were not in any section."),
              std::string::npos);
}

TEST_F(SdfFieldsTest, StopsAndTheirMessages) {
    const std::string sdf = "ID,Seg,Km1,Km2,Route\r\nA,0030,1,2,a\r\n";
    struct Case {
        const char* cde;
        const char* message;
    } cases[] = {
        {"SEGNUM,KMMARK,NODE\r\n", "is empty."},
        {"SEG,KMMARK,NODE\r\n0030,1,\r\n", "No 'SEGNUM' or 'Segment Number' field found in the heading record of "},
        {"\"Segment Number\",KM,NODE\r\n0030,1,\r\n", "No 'KMMARK' or 'Km Mark' field found in the heading record"},
        {"\"Segment Number\",\"Km Mark\",N\r\n0030,1,\r\n", "No Node field found in the heading record of "},
        {"SEGNUM,KMMARK,NODE\r\n0030,1,\r\n0030,1\r\n", "CDE file has 3 header fields but 2 fields on record 3"},
        {"SEGNUM,KMMARK,NODE\r\n0030,1,\r\n\r\n0030,1,\r\n", "CDE file has 3 header fields but 0 fields on record 3"},
        {"SEGNUM,KMMARK,NODE\r\n0030,,\r\n", "Invalid km '' on CDE record 2"},
        {"SEGNUM,KMMARK,NODE\r\n0030,1.x,\r\n", "Invalid km '1.x' on CDE record 2"},
        {"SEGNUM,KMMARK,NODE\r\nZZZZ,1,\r\n", "CDE Segment ZZZZ not found for HMZ version 201807"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        EXPECT_TRUE(Run(sdf, c.cde).empty());
        EXPECT_EQ(ui_->shown.back().title, "SDF_Fields_to_CDE");
    }
    // blank lines at the end are no records
    ui_->ExpectMsgBox(ui::vbOK, "1 CDE collision records read from");
    EXPECT_EQ(Run(sdf, "SEGNUM,KMMARK,NODE\r\n0030,1.5,\r\n\r\n \r\n").size(), 2u);
    // No at the overlap question: nothing written
    ui_->ExpectMsgBox(ui::vbNo, "1 overlaps found in file");
    EXPECT_TRUE(Run("ID,Seg,Km1,Km2,Route\r\nA,0030,1,2,a\r\nB,0030,2,3,b\r\n", "SEGNUM,KMMARK,NODE\r\n0030,1,\r\n")
                    .empty());
}

// Every 1000 records the count goes to the status box and the window's
// events run; no command button acts meanwhile.
TEST_F(SdfFieldsTest, ProgressLetsTheWindowRepaintWithOtherCommandsRefused) {
    EventsBackend& events = UseEventsBackend();
    std::vector<bool> enabled;
    events.on_events = [&](int) {
        for (const char* b : {"cmdAddSDFfields", "cmdSDF_transform", "cmdClose"})
            enabled.push_back(form().Find<ui::CommandButton>(b)->Enabled());
    };
    std::string cde = "SEGNUM,KMMARK,NODE\r\n";
    for (int i = 0; i < 2500; ++i) cde += "0030,1.5,\r\n";
    ui_->ExpectMsgBox(ui::vbOK, "2500 CDE collision records read from");
    EXPECT_EQ(Run("ID,Seg,Km1,Km2,Route\r\nA,0030,1,2,a\r\n", cde).size(), 2501u);
    EXPECT_EQ(events.do_events_calls, 2);
    EXPECT_EQ(enabled, std::vector<bool>(6, false));
    EXPECT_TRUE(StatusHas("Header,1000,2000" + CRLF));
    for (const char* b : {"cmdAddSDFfields", "cmdSDF_transform", "cmdClose"})
        EXPECT_TRUE(form().Find<ui::CommandButton>(b)->Enabled()) << b;
}

TEST_F(SdfFieldsTest, CommandChecks) {
    WriteFile(data_ + "c.csv", "SEGNUM,KMMARK,NODE\r\n0030,1,\r\n");
    WriteFile(data_ + "s.csv", "ID,Seg,Km1,Km2,Route\r\nA,0030,1,2,a\r\n");
    form().CDE_folder.SetText(data_);
    form().CDE_file.SetText("c.csv");
    form().CDE_HMZversion.SetText("201807");
    form().Out_Folder.SetText(data_);
    struct Case {
        const char* sdf;
        const char* fields;
        const char* out;
        const char* message;
    } cases[] = {
        {"/no/such/s.csv", "Route", "o", "File: /no/such/s.csv\r\nNot found."},
        {"t.csv", "Route", "o", "File: "},
        {"s.csv", " ", "o", "Specify the names of fields to copy from SDF to CDE. (Comma-separated)"},
        {"s.csv", "Route", "", "Specify the name of the output CDE csv file."},
        {"s.csv", "Route", "c", "is the input CDE file itself."},
        {"s.csv", "Route", "s", "is the SDF file itself."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        form().CDE_SDF_file.SetText(c.sdf);
        form().CDE_SDF_fields.SetText(c.fields);
        form().outCDE_file.SetText(c.out);
        if (std::string(c.out) == "s") ui_->ExpectMsgBox(ui::vbOK, "exists.  Do you want to replace it?");
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        Click("cmdAddSDFfields");
    }
    EXPECT_EQ(ReadFile(data_ + "s.csv"), "ID,Seg,Km1,Km2,Route\r\nA,0030,1,2,a\r\n");
}

}  // namespace
