#include "sdf/SDF_Transform.h"

#include <gtest/gtest.h>

#include "sdf/SDF_Tab.h"
#include "tests/sdf/sdf_support.h"

namespace {

using namespace sdftest;

class SdfTransformTest : public SdfTest {
protected:
    void SetUp() override {
        SdfTest::SetUp();
        events_ = &UseEventsBackend();
    }
    std::vector<std::string> Run(const std::string& text, const std::string& version, const std::string& target,
                                 int16_t ndp) {
        UseSdf(text, version, "in.csv");
        SDF_Transform(target, ndp);
        return Lines(ReadFile(out_ + "in_HMZ" + target + ".csv"));
    }
    // The sample's translation tables with group 301 (0510 renumbered to
    // 0515 in 202004) given these match points instead, as the data folder.
    void Group301Matches(const std::string& points) {
        const std::string tables = dir_.file("tables") + "/";
        fs::create_directories(tables);
        for (const char* f : {"HMZ_Transform_Group.csv", "SegAllVersions.csv"})
            fs::copy_file(Sample_Folder() + f, tables + f, fs::copy_options::overwrite_existing);
        std::string match;
        for (const std::string& line : Lines(ReadFile(Sample_Folder() + "HMZ_Transform_Match.csv")))
            if (line.rfind("M,301,", 0) != 0) match += line + "\n";
        WriteFile(tables + "HMZ_Transform_Match.csv", match + points);
        settings::SaveSetting("Tessawin", "DataFolders", DataFolderKey(DataKind::Translation), tables);
    }
    EventsBackend* events_ = nullptr;
};

// The sample's sections on segments that change between 201404 and 202004.
TEST_F(SdfTransformTest, SampleSectionsAcrossTheChanges) {
    FillTab("", "201404");
    form().SDF_folder.SetText(Sample_Folder() + "sdf");
    form().SDF_file.SetText("SDF_versions_201404.csv");
    form().SDF_toHMZversion.SetText("202004");
    form().SDF_NDP.SetText("2");
    ui_->ExpectMsgBox(ui::vbOK, "5 sections written to file " + out_ + "SDF_versions_201404_HMZ202004.csv");
    Click("cmdSDF_transform");
    const auto out = Lines(ReadFile(out_ + "SDF_versions_201404_HMZ202004.csv"));
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[0], "Seg1,Km1,Seg2,Km2,Ntrans,ID,old_Segment,old_Km1,old_Km2,Note");
    EXPECT_EQ(out[1], "0010,1.00,0010,5.00,0,T1,0010,1.00,5.00,unchanged");
    // beyond 0975's new end, as at its last transformation date (none): off
    EXPECT_EQ(out[2], "0975,2.00,OFF ,-1.00,-1,T2,0975,2.00,8.00,cut in 201807");
    EXPECT_EQ(out[3], "0515,1.00,0515,5.00,1,T3,0510,1.00,5.00,renumbered in 202004");
    EXPECT_EQ(out[4], "OFF ,-1.00,OFF ,-1.00,-1,T4,0990,1.00,3.00,devolved in 202004");
    // no direction: neither one-way segment applies
    EXPECT_EQ(out[5], "OFF ,-1.00,OFF ,-1.00,-1,T5,0600,1.00,4.00,split by direction in 201807");
    EXPECT_TRUE(StatusHas("Beginning transform to HMZ version 202004 " + CRLF));
    EXPECT_TRUE(StatusHas("1 sections transformed (flagged with Ntrans > 0)" + CRLF +
                          "3 sections not in the target HMZ (flagged with Ntrans = -1)"));
    EXPECT_EQ(ui_->shown.back().title, "SDF_Transform");
    // the Cancel button shows only while the run lasts
    EXPECT_FALSE(form().Find<ui::CommandButton>("cmdSDFCancel")->Visible());
}

TEST_F(SdfTransformTest, HeadingAndKmFormat) {
    for (int16_t ndp : {1, 2}) {
        SCOPED_TRACE(ndp);
        ui_->ExpectMsgBox(ui::vbOK, "1 sections written");
        const auto out = Run("ID,Seg,Km1,Km2,Note\r\n\"A 1\",\"0030\",12.3,12.345,x\r\n", "201807", "202004", ndp);
        ASSERT_EQ(out.size(), 2u);
        EXPECT_EQ(out[0], "Seg1,Km1,Seg2,Km2,Ntrans,ID,old_Seg,old_Km1,old_Km2,Note");
        EXPECT_EQ(out[1], ndp == 1 ? "0030,12.3,0030,12.3,0,\"A 1\",\"0030\",12.3,12.345,x"
                                   : "0030,12.30,0030,12.35,0,\"A 1\",\"0030\",12.3,12.345,x");
    }
}

// Segment fields in quotes are translated as the segments they hold.
TEST_F(SdfTransformTest, QuotedSegments) {
    ui_->ExpectMsgBox(ui::vbOK, "1 sections not in the target HMZ (flagged with Ntrans = -1)");
    const auto out = Run(
        "ID,Seg1,Km1,Seg2,Km2\r\n"
        "A,\"0510\",1.0,'510',2.0\r\n"
        "C,0990,1.0,0990,2.0\r\n",
        "201807", "202004", 1);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1].substr(0, 20), "0515,1.0,0515,2.0,1,");
    EXPECT_EQ(out[2].substr(0, 21), "OFF ,-1.0,OFF ,-1.0,-");
    EXPECT_TRUE(StatusHas("1 sections transformed (flagged with Ntrans > 0)"));
}

// A location the library cannot place ("ERR ") is flagged like one off
// the inventory; off wins over a split, a split over steps.
TEST_F(SdfTransformTest, TranslationFlags) {
    struct Case {
        const char *seg1, *seg2;
        int32_t steps1, steps2;
        bool split1, split2;
        int32_t ntrans;
    } cases[] = {
        {"0010", "0010", 0, 0, false, false, 0},  {"0515", "0550", 1, 0, false, false, 1},
        {"0976", "0976", 1, 3, false, false, 3},  {"OFF ", "0010", 0, 0, false, false, -1},
        {"0010", "ERR ", 2, 2, false, false, -1}, {"OFF ", "0601", 0, 1, false, true, -1},
        {"0601", "0601", 1, 1, true, false, -2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ntrans_Of(c.seg1, c.seg2, c.steps1, c.steps2, c.split1, c.split2), c.ntrans)
            << c.seg1 << c.seg2 << c.steps1 << c.steps2;
}

// Translated onto one segment in reverse: the kms are exchanged when the
// section was translated, never otherwise. The tables here map 0510 onto
// 0515 backwards.
TEST_F(SdfTransformTest, ReversedEndsAreExchangedOnlyWhenTranslated) {
    Group301Matches("M,301,1,0.00,0515,8.75,0\nM,301,2,8.75,0515,0.00,0\n");
    ui_->ExpectMsgBox(ui::vbOK, "2 sections written");
    const auto out = Run("ID,Seg,Km1,Km2\r\nA,0510,1.0,5.0\r\nB,0550,5.0,1.0\r\n", "201807", "202004", 2);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1], "0515,3.75,0515,7.75,1,A,0510,1.0,5.0");
    EXPECT_EQ(out[2], "0550,5.00,0550,1.00,0,B,0550,5.0,1.0");
}

TEST_F(SdfTransformTest, BadKmStopsWithoutAnOutput) {
    struct Case {
        const char* record;
        const char* message;
    } cases[] = {{"B,0030,,2", "Missing km1 on record 2"},
                 {"B,0030,1,x", "Invalid km2 on record 2"},
                 {"B,0030", "Missing km1 on record 2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        WriteFile(out_ + "in_HMZ202004.csv", "an earlier result\r\n");
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        const auto out = Run(std::string("ID,Seg,Km1,Km2\r\nA,0030,1,2\r\n") + c.record + "\r\n", "201807",
                             "202004", 2);
        EXPECT_EQ(out, std::vector<std::string>{"an earlier result"});
        EXPECT_EQ(StatusLines().back(), "No output file written.");
        EXPECT_EQ(ui_->shown.back().title, "SDF_Transform");
    }
}

// Progress after every 50 records on the "Beginning" line; Cancel pressed
// between two progress points stops the run at the second, and only the
// Cancel button acts meanwhile.
TEST_F(SdfTransformTest, ProgressAndCancel) {
    std::string text = "ID,Seg,Km1,Km2\r\n";
    for (int i = 1; i <= 120; ++i) text += std::to_string(i) + ",0030,1,2\r\n" + (i == 60 ? "\r\n" : "");
    WriteFile(data_ + "long.csv", text);
    FillTab("long.csv");
    form().SDF_toHMZversion.SetText("202004");
    form().SDF_NDP.SetText("1");
    bool others_enabled = true, cancel_shown = false;
    events_->on_events = [&](int call) {
        auto* cancel = form().Find<ui::CommandButton>("cmdSDFCancel");
        cancel_shown = cancel->Visible();
        others_enabled = form().Find<ui::CommandButton>("cmdOverlaps")->Enabled();
        if (call == 1) cancel->OnClick();  // pressed after the 50th record
    };
    ui_->ExpectMsgBox(ui::vbOK, "Processing CANCELLED\r\n50 sections written to file ");
    Click("cmdSDF_transform");
    EXPECT_TRUE(cancel_shown);
    EXPECT_FALSE(others_enabled);
    EXPECT_TRUE(form().Find<ui::CommandButton>("cmdOverlaps")->Enabled());
    EXPECT_TRUE(StatusHas("Beginning transform to HMZ version 202004 ,50" + CRLF + "Processing CANCELLED" + CRLF +
                          "50 sections written"));
    EXPECT_EQ(Lines(ReadFile(out_ + "long_HMZ202004.csv")).size(), 51u);

    // not cancelled: 50 and 100, the blank line not counted
    events_->on_events = nullptr;
    ui_->ExpectMsgBox(ui::vbOK, "120 sections written");
    Click("cmdSDF_transform");
    EXPECT_TRUE(StatusHas("Beginning transform to HMZ version 202004 ,50,100" + CRLF + "120 sections written"));
    EXPECT_EQ(form().lblSDFprogress.Caption(), "");
}

TEST_F(SdfTransformTest, CommandChecks) {
    WriteFile(data_ + "s.csv", "ID,Seg,Km1,Km2\r\nA,0030,1,2\r\n");
    FillTab("s.csv");
    struct Case {
        const char* target;
        const char* ndp;
        const char* message;
    } cases[] = {
        {"  ", "2", "Enter the target HMZ version"},
        {"199001", "2", "HMZ version 199001 is not a valid HMZ version"},
        {"202004", "3", "Enter the number of km decimal places: 1 or 2"},
        {"202004", "", "Enter the number of km decimal places: 1 or 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        form().SDF_toHMZversion.SetText(c.target);
        form().SDF_NDP.SetText(c.ndp);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        Click("cmdSDF_transform");
        EXPECT_FALSE(fs::exists(out_ + "s_HMZ202004.csv"));
    }
}

}  // namespace
