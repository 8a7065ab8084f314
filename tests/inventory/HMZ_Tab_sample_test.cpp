// The HMZ tab's commands on the installed sample data set, with nothing
// configured: the program folder is the build's, which holds the library
// and the sample beside it.
#include <gtest/gtest.h>

#include "app/Subsystems.h"
#include "inventory/HMZ_Tab.h"
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

}  // namespace
