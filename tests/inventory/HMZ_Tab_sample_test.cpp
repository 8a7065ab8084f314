// The HMZ tab's commands on the installed sample data set, with nothing
// configured: the program folder is the build's, which holds the library
// and the sample beside it.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/Subsystems.h"
#include "common/FileNumbers.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_Tab.h"
#include "inventory/Locn_LatLon.h"
#include "inventory/frmHMZLatLon.h"
#include "inventory/frmHemzshiftExcel.h"
#include "tests/inventory/inventory_support.h"

namespace {

using invtest::CRLF;

class HMZTabSample : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        load_form();
        AppFolder = PROGRAM_FOLDER;
        Inventory_Attach(f());
        f().txtHMZ_Direction.SetText("");
        f().txtHMZ_NDP.SetText("2");
    }
    static MainForm& f() { return TheMainForm(); }
    static void click(const char* name) { ui::ClickButton(*f().Find<ui::CommandButton>(name)); }
    static void location(const std::string& seg, const std::string& km, const std::string& date) {
        f().txtHMZ_Segment.SetText(seg);
        f().txtHMZ_km.SetText(km);
        f().txtHMZ_date.SetText(date);
    }
    static bool has_line(const std::string& part) {
        for (const std::string& l : status_lines())
            if (l.find(part) != std::string::npos) return true;
        return false;
    }
};

TEST_F(HMZTabSample, ShowTheHistoryOfASegment) {
    location("0020", "", "");
    click("cmdShowSeg");
    const auto lines = status_lines();
    ASSERT_GE(lines.size(), 7u) << status();
    EXPECT_EQ(lines[0], "Segment 0020 Highway 1  2-way  Dir: E");
    EXPECT_EQ(lines[1], "Hwy 1: Jct Hwy 905 to Lakeview");
    EXPECT_EQ(lines[2], "HMZ Version  Eff. Date   Length");
    EXPECT_EQ(lines[3], " 200704     2003-05-01   11.20");
    EXPECT_EQ(lines[4], " 201404     2014-04-01   12.00");
    EXPECT_EQ(lines[6], " 202004     2014-04-01   12.00");
}

TEST_F(HMZTabSample, ShowOfASegmentLastSeenBefore200806) {
    location("9060", "", "");
    click("cmdShowSeg");
    EXPECT_EQ(status(), "Segment 9060 Highway 905  2-way  Dir: S" + CRLF + "Border Rd: Church St to the old crossing" +
                            CRLF + "HMZ Version  Eff. Date   Length" + CRLF + " 200704                   2.45");
}

TEST_F(HMZTabSample, LookupAValidDate) {
    struct Case {
        const char* segment;
        const char* date;
    } cases[] = {
        {"9060", "2014-03-31"},  // devolved: the end of its last group
        {"0510", "2020-03-31"},  // renumbered
        {"0530", "2014-04-01"},  // in no group: its effective date
        {"0010", "1990-01-01"},  // in no group and never dated
    };
    for (const Case& c : cases) {
        location(c.segment, "", "");
        click("cmdGetSegDate");
        EXPECT_EQ(f().txtHMZ_date.Text(), c.date) << c.segment;
    }
    EXPECT_EQ(f().lblLastTarget.Caption(), "Latest HMZ version in the provided transformation data files: 202004");
}

TEST_F(HMZTabSample, ShowTransformations) {
    location("0020", "5", "2010-01-01");
    click("cmdHMZ_ShowTrans");
    EXPECT_TRUE(has_line("201404")) << status();
    EXPECT_TRUE(has_line("0020   5.40")) << status();

    f().ShowStatus("");
    location("9060", "1", "2010/01/01");
    click("cmdHMZ_ShowTrans");
    EXPECT_EQ(status_lines().back(), "The segment was devolved.") << status();

    location("0050", "1", "2005-01-01");
    ui_->ExpectMsgBox(ui::vbOK, "There was no segment 0050 in effect on 2005-01-01");
    click("cmdHMZ_ShowTrans");
    location("0975", "9.6", "");
    ui_->ExpectMsgBox(ui::vbOK, "Km is greater than the segment length 6");
    click("cmdHMZ_ShowTrans");
}

// The latitude/longitude commands, with the geometry database open (opened
// here with a log, so nothing asks to confirm the file).
class HMZTabGeoSample : public HMZTabSample {
protected:
    void SetUp() override {
        HMZTabSample::SetUp();
        GeoDB_Close();
        GeoDB_DataSource.clear();
        log_ = FreeFile();
        ASSERT_TRUE(Open_FileNo(log_, file("run.log")));
        GeoDB_Init("TRgeo", log_);
        ASSERT_TRUE(GeoDB_db.is_open());
        f().txtHMZ_HMZversion.SetText("202004");
        f().txtHMZ_Range.SetText("200");
        f().txtHMZ_ShowRange.SetText("100");
    }
    void TearDown() override {
        GeoDB_Close();
        GeoDB_DataSource.clear();
        hmz_DB.close();
        Close_FileNo(log_);
        HMZTabSample::TearDown();
    }
    int16_t log_ = 0;
};

TEST_F(HMZTabGeoSample, GetLatLonOfALocation) {
    struct Case {
        const char* ndp;
        const char* km;
        const char* line;
    } cases[] = {{"2", "3.2", "0010 3.20 LatLon: "}, {"1", "3.2", "0010 3.2 LatLon: "}};
    for (const Case& c : cases) {
        f().ShowStatus("");
        location("0010", c.km, "");
        f().txtHMZ_NDP.SetText(c.ndp);
        click("cmdHMZ_LatLon");
        const auto lines = status_lines();
        ASSERT_EQ(lines.size(), 3u) << status();
        ASSERT_EQ(lines[1].rfind(c.line, 0), 0u) << lines[1];
        // the geometry puts the landmark Mill Rd within 2 m
        const std::string latlon = lines[1].substr(std::string(c.line).size());
        double lat = 0, lon = 0;
        ASSERT_EQ(std::sscanf(latlon.c_str(), "%lf,%lf", &lat, &lon), 2) << latlon;
        EXPECT_NEAR(lat, 49.107129, 0.00002);
        EXPECT_NEAR(lon, -122.857581, 0.00003);
        EXPECT_EQ(ui_->clipboard, latlon);
        int32_t Y = 0, X = 0;
        Naltalbers_XY(lat, lon, Y, X);
        EXPECT_EQ(lines[2], "   Nalt Albers X,Y: " + std::to_string(X) + "," + std::to_string(Y));
    }
}

TEST_F(HMZTabGeoSample, GetLatLonClipboardRetries) {
    location("0010", "3.2", "");
    struct Case {
        int clear_failures, set_failures;
        std::vector<ui::MsgBoxResult> answers;
        const char* box;
        const char* clipboard;
    } cases[] = {
        {1, 0, {ui::vbRetry}, "Clipboard Clear Failed", "copied"},
        {0, 2, {ui::vbRetry, ui::vbCancel}, "Clipboard SetText Failed", ""},
        {3, 0, {ui::vbCancel}, "Clipboard Clear Failed", "old"},
    };
    for (const Case& c : cases) {
        ui_->clipboard = "old";
        ui_->clipboard_clear_failures = c.clear_failures;
        ui_->clipboard_set_failures = c.set_failures;
        for (auto a : c.answers) ui_->ExpectMsgBox(a, c.box);
        const std::size_t before = ui_->shown.size();
        f().ShowStatus("");
        click("cmdHMZ_LatLon");
        ASSERT_EQ(ui_->shown.size(), before + c.answers.size()) << c.box;
        EXPECT_EQ(ui_->shown.back().prompt, c.box);
        EXPECT_EQ(ui_->shown.back().buttons, ui::vbRetryCancel + ui::vbExclamation);
        const std::string line = status_lines().at(1);
        const std::string latlon = line.substr(line.find("LatLon: ") + 8);
        EXPECT_EQ(ui_->clipboard, std::string(c.clipboard) == "copied" ? latlon : c.clipboard) << c.box;
    }
    ui_->clipboard_clear_failures = 0;
}

TEST_F(HMZTabGeoSample, GetLatLonWithoutAnAnswer) {
    struct Case {
        const char* seg;
        const char* km;
        const char* ndp;
        std::string message;
    } cases[] = {
        {"9060", "1", "2",
         "Location 9060 km 1.00 is not a valid location in HMZ version 202004." + CRLF +
             "Nor does it transform to a valid location in that version."},
        // with no version of its own a location is checked in the geometry's
        {"0010", "20", "2",
         "Location 0010 km 20.00 is not a valid location in HMZ version 202004." + CRLF +
             "Nor does it transform to a valid location in that version."},
        // more hectometres than the lookup counts: no position, no abandoned command
        {"0010", "5000", "1", "Latitude & longitude not available for segment 0010 km 5000"},
    };
    for (const Case& c : cases) {
        f().ShowStatus("");
        location(c.seg, c.km, "");
        f().txtHMZ_NDP.SetText(c.ndp);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        click("cmdHMZ_LatLon");
        EXPECT_EQ(status_lines().back(), c.message.substr(c.message.rfind(CRLF) == std::string::npos
                                                              ? 0
                                                              : c.message.rfind(CRLF) + 2))
            << c.seg;
    }
}

TEST_F(HMZTabGeoSample, RefusedInputs) {
    struct Case {
        const char* box;
        const char* text;
        const char* button;
        const char* message;
    } cases[] = {
        {"txtHMZ_km", "1e39", "cmdHMZ_LatLon", "Invalid Km."},
        {"txtHMZ_NDP", " 1", "cmdHMZ_LatLon", "Enter # Decimal Places as 1 or 2"},
        {"txtHMZ_LatLon", "49.1 -122.9 3", "cmdFindClosestHMZLocations", "Enter latitude and longitude"},
        {"txtHMZ_LatLon", "91 -122.9", "cmdFindClosestHMZLocations", "Invalid Latitude: 91"},
        {"txtHMZ_LatLon", "49.1 -180.5", "cmdFindClosestHMZLocations", "Invalid Longitude: -180.5"},
        {"txtHMZ_LatLon", "49.1 abc", "cmdFindClosestHMZLocations", "Invalid Longitude: abc"},
        {"txtHMZ_ShowRange", "40000", "cmdFindClosestHMZLocations", "Enter the maximum distance"},
        {"txtHMZ_Range", "x", "cmdFindClosestHMZLocations", "Enter the search range in metres."},
        {"txtHMZ_Range", "0", "cmdFindClosestHMZLocations", "Enter a positive number of metres."},
    };
    for (const Case& c : cases) {
        location("0010", "3.2", "");
        f().txtHMZ_NDP.SetText("2");
        f().txtHMZ_LatLon.SetText("49.1 -122.9");
        f().txtHMZ_Range.SetText("200");
        f().txtHMZ_ShowRange.SetText("100");
        auto* box = f().Find<ui::TextBox>(c.box);
        box->SetText(c.text);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        click(c.button);
        EXPECT_EQ(f().ActiveControl(), box) << c.text;
    }
}

// The point of landmark Mill Rd, written in every way the box reads.
TEST_F(HMZTabGeoSample, FindTheClosestLocations) {
    std::string first;
    for (const char* text : {"49.107129,-122.857581", "49.107129, -122.857581", " 49.107129   -122.857581",
                             "49.107129\xC2\xB0, -122.857581\xC2\xB0", "49.107129\xB0 -122.857581\xB0"}) {
        f().ShowStatus("");
        f().txtHMZ_LatLon.SetText(text);
        click("cmdFindClosestHMZLocations");
        if (first.empty()) first = status();
        EXPECT_EQ(status(), first) << text;
    }
    const auto lines = status_lines();
    ASSERT_GE(lines.size(), 3u) << first;
    EXPECT_EQ(lines[1], "1 HMZ segment found.");
    EXPECT_EQ(lines[2].substr(0, 31), "1:    0 metres to 0010   3.199 ") << lines[2];
    EXPECT_NE(lines[2].find(" at 49.1071"), std::string::npos) << lines[2];
}

TEST_F(HMZTabGeoSample, FindInAnotherVersionAndWithinAShowRange) {
    // Cedar Rd on 0515 km 3.00, which is 0510 before 202004
    f().txtHMZ_LatLon.SetText("49.377282 -122.126556");
    f().txtHMZ_HMZversion.SetText("201807");
    click("cmdFindClosestHMZLocations");
    auto lines = status_lines();
    ASSERT_GE(lines.size(), 3u) << status();
    EXPECT_EQ(lines[2].substr(0, 38), "1:    0 metres to 0510   3.000 (trans)") << lines[2];

    // 0601 and 0602 run 12 m apart: both found, only the one within 0 m listed
    f().ShowStatus("");
    f().txtHMZ_HMZversion.SetText("202004");
    f().txtHMZ_LatLon.SetText("49.716128 -123.150530");
    f().txtHMZ_ShowRange.SetText("5");
    click("cmdFindClosestHMZLocations");
    lines = status_lines();
    ASSERT_EQ(lines.size(), 3u) << status();
    EXPECT_EQ(lines[1], "2 HMZ segments found.");
    EXPECT_EQ(lines[2].substr(0, 30), "1:    0 metres to 0601   1.799") << lines[2];

    f().ShowStatus("");
    f().txtHMZ_LatLon.SetText("45 -126");
    click("cmdFindClosestHMZLocations");
    EXPECT_EQ(status_lines().back(), "No HMZ geometry inflection points found within 200 metres.");
}

TEST_F(HMZTabGeoSample, TheWindowButtonsAndTheTestButton) {
    click("cmdSegKmLatLonExcel");
    EXPECT_TRUE(The_frmHMZLatLon().Visible());
    EXPECT_EQ(The_frmHMZLatLon().Caption(), "HMZ to/from LatLon in Excel");
    click("cmdHMZTransformsInExcel");
    EXPECT_TRUE(The_frmHemzshiftExcel().Visible());
    EXPECT_EQ(The_frmHemzshiftExcel().Caption(), "HMZ Version Transforms in Excel");
    The_frmHMZLatLon().Unload();
    The_frmHemzshiftExcel().Unload();
    ASSERT_TRUE(f().developer_test);
    f().developer_test();
}

}  // namespace
