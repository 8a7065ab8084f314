#include "inventory/HMZ_Tab.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/Subsystems.h"
#include "tests/inventory/inventory_support.h"

namespace {

namespace fs = std::filesystem;
using invtest::CRLF;

class HMZTabTest : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(library_in_program_folder());
        fs::copy_file(SEGALLVERSIONS_FIXTURE, data() + "/segallversions.mdb");
        set_data_folder(DataKind::AllVersions, data());
        write_translation_data(data());
        set_data_folder(DataKind::Translation, data());
        load_form();
        Inventory_Attach(f());
        set_inputs("1000", "5", "", "2");
    }
    static MainForm& f() { return TheMainForm(); }
    static void set_inputs(const std::string& seg, const std::string& km, const std::string& date,
                           const std::string& ndp) {
        f().txtHMZ_Segment.SetText(seg);
        f().txtHMZ_km.SetText(km);
        f().txtHMZ_date.SetText(date);
        f().txtHMZ_NDP.SetText(ndp);
        f().txtHMZ_Direction.SetText("");
    }
    static ui::CommandButton& button(const std::string& name) {
        ui::CommandButton* b = f().Find<ui::CommandButton>(name);
        if (!b) throw std::runtime_error("no button " + name);
        return *b;
    }
    static void click(const std::string& name) { ui::ClickButton(button(name)); }
    static const ui::Control* focus() { return f().ActiveControl(); }
};

TEST_F(HMZTabTest, ButtonsOnTheHMZTab) {
    Inventory_Attach(f());  // a second attach adds nothing
    struct Case {
        const char* name;
        const char* caption;
        const char* tip;
    } cases[] = {
        {"cmdShowSeg", "Show", "Show all HMZ versions containing this segment number."},
        {"cmdGetSegDate", "Lookup a valid date for Segment",
         "Gets the last Transform  End_Date or if no transform, the segment effective date."},
        {"cmdHMZ_ShowTrans", "Show Transformations", "Transform the location to previous and following HMZ versions."},
        {"cmdHMZhelp", "Help", ""},
    };
    int top = -1;
    for (const Case& c : cases) {
        ui::CommandButton& b = button(c.name);
        EXPECT_EQ(b.Caption(), c.caption);
        EXPECT_EQ(b.ToolTipText(), c.tip);
        EXPECT_EQ(b.ContainerTab(), MainForm::kTabHMZ);
        EXPECT_GT(b.Top(), top) << c.name << " below the one before";
        top = b.Top();
    }
    int n = 0;
    for (const auto& c : f().Controls()) n += c->Name() == "cmdShowSeg";
    EXPECT_EQ(n, 1);
}

TEST_F(HMZTabTest, ShowListsTheHistory) {
    click("cmdShowSeg");
    const auto lines = status_lines();
    ASSERT_GE(lines.size(), 6u) << status();
    EXPECT_EQ(lines[0], "Segment 1000 Highway 97  2-way  Dir: N  Opposite 1001");
    EXPECT_EQ(lines[5], " 201807     2018-07-01   11.25");
}

TEST_F(HMZTabTest, EnterInTheSegmentBoxShows) {
    f().txtHMZ_Segment.SetText("200");
    f().txtHMZ_Segment.Type("0");
    EXPECT_EQ(status(), "") << "other keys do nothing";
    int16_t enter = 13;
    f().txtHMZ_Segment.KeyPress(enter);
    EXPECT_EQ(status_lines()[0], "Segment 2000 Highway 16  4-way  Dir: E");
}

TEST_F(HMZTabTest, SegmentMustHaveFourCharacters) {
    for (const char* seg : {"100", " 1000", "1000 ", ""}) {
        for (const char* cmd : {"cmdShowSeg", "cmdGetSegDate", "cmdHMZ_ShowTrans"}) {
            f().txtHMZ_Segment.SetText(seg);
            f().txtHMZ_km.SetFocus();
            ui_->ExpectMsgBox(ui::vbOK, "Enter a 4-digit HMZ segment number");
            click(cmd);
            EXPECT_EQ(focus(), &f().txtHMZ_Segment) << cmd << " \"" << seg << "\"";
        }
    }
    EXPECT_EQ(status(), "");
}

TEST_F(HMZTabTest, LookupAValidDate) {
    struct Case {
        const char* segment;
        const char* date;
    } cases[] = {
        {"4000", "2018-06-30"},  // the end of its last transformation
        {"3000", "1990-01-01"},  // none: the effective date, which it lacks
        {"2000", "2018-07-01"},
    };
    for (const Case& c : cases) {
        f().txtHMZ_Segment.SetText(c.segment);
        f().txtHMZ_date.SetText("x");
        click("cmdGetSegDate");
        EXPECT_EQ(f().txtHMZ_date.Text(), c.date) << c.segment;
    }
    f().txtHMZ_Segment.SetText("9999");
    f().txtHMZ_date.SetText("2020-01-01");
    ui_->ExpectMsgBox(ui::vbOK, "There is no record of 9999 ever being a valid segment number!");
    click("cmdGetSegDate");
    EXPECT_EQ(ui_->shown.back().buttons, ui::vbInformation);
    EXPECT_EQ(f().txtHMZ_date.Text(), "");
}

TEST_F(HMZTabTest, ShowTransformationsRefusesBadInputs) {
    struct Case {
        const char* seg;
        const char* km;
        const char* date;
        const char* ndp;
        const char* message;
        const char* box;
    } cases[] = {
        {"1000", "5", "2020-02-30", "2", "Invalid date.  Enter a date in yyyy-mm-dd format", "txtHMZ_date"},
        {"1000", "5", "2020/13/01", "2", "Invalid date.", "txtHMZ_date"},
        {"1000", "5", "20200101", "2", "Invalid date.", "txtHMZ_date"},
        {"100", "5", "", "2", "Enter a 4-digit HMZ segment number", "txtHMZ_Segment"},
        {"1000", " ", "", "2", "Enter a Km.", "txtHMZ_km"},
        {"1000", "5 km", "", "2", "Invalid Km.", "txtHMZ_km"},
        {"1000", "-0.1", "", "2", "Km must be non-negative.", "txtHMZ_km"},
        {"1000", "5", "", "3", "Enter # Decimal Places as 1 or 2", "txtHMZ_NDP"},
        {"1000", "5", "", " 1", "Enter # Decimal Places as 1 or 2", "txtHMZ_NDP"},
        {"9999", "5", "", "2", "There is no record of 9999 ever being a valid segment number!", "txtHMZ_Segment"},
        {"2000", "1", "2005-06-01", "2", "There was no segment 2000 in effect on 2005-06-01", "txtHMZ_Segment"},
        {"2000", "1", "2005/06/01", "2", "There was no segment 2000 in effect on 2005-06-01", "txtHMZ_Segment"},
        {"1000", "11.26", "", "2", "Km is greater than the segment length 11.25", "txtHMZ_km"},
        {"1000", "10.6", "2018-06-30", "2", "Km is greater than the segment length 10.5", "txtHMZ_km"},
    };
    for (const Case& c : cases) {
        set_inputs(c.seg, c.km, c.date, c.ndp);
        f().txtHMZ_Direction.SetFocus();
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        click("cmdHMZ_ShowTrans");
        EXPECT_EQ(focus(), f().FindControl(c.box)) << c.message;
    }
    EXPECT_EQ(status(), "") << "nothing translated";
}

TEST_F(HMZTabTest, ShowTransformationsAppendsTheHistory) {
    // A km at the segment's length passes; a date typed with slashes goes to
    // the library as yyyy-mm-dd.
    set_inputs("1000", "10.5", "2015/01/01", "2");
    f().ShowStatus("before");
    click("cmdHMZ_ShowTrans");
    const auto lines = status_lines();
    ASSERT_EQ(lines.size(), 4u) << status();
    EXPECT_EQ(lines[0], "before");
    EXPECT_EQ(lines[1], "     Version  Eff Date    Seg    Km");
    EXPECT_NE(lines[2].find("2015-01-01  1000  10.50"), std::string::npos) << lines[2];
    EXPECT_NE(lines[3].find("201807"), std::string::npos) << lines[3];
    EXPECT_NE(lines[3].find("11.25"), std::string::npos) << lines[3];
    EXPECT_EQ(f().lblLastTarget.Caption(), "Latest HMZ version in the provided transformation data files: 201807");
}

TEST_F(HMZTabTest, HelpOpensTheTabsText) {
    fs::copy_file(std::string(PROGRAM_FOLDER) + "HMZhelp.txt", app() + "/HMZhelp.txt");
    click("cmdHMZhelp");
    ASSERT_EQ(launcher_->calls.size(), 1u);
    EXPECT_EQ(launcher_->calls[0].argv.back(), app() + "/HMZhelp.txt");
    EXPECT_TRUE(fs::exists(std::string(PROGRAM_FOLDER) + "HMZhelp.txt")) << "installed beside the program";
}

}  // namespace
