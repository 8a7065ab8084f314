// The MapCase tab's commands through the headless backend.
#include "mapping/MapCase_Tab.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/mapping/mapcase_support.h"

namespace {

using namespace mapcase_test;

class MapCaseTab : public MapCaseTest {
protected:
    void SetUp() override {
        MapCaseTest::SetUp();
        write_table("10004321,2020-06-14,49.107129,-122.857581\n1004,x,,\n");
    }
};

TEST_F(MapCaseTab, ButtonsOnTheTab) {
    const char* names[] = {"cmdMapLatLon", "cmdGetLatLonMap", "cmdGetCaseLatlon",
                           "cmdLookupLatLon", "cmdMapCase", "cmdGetCaseMap"};
    for (const char* n : names) {
        auto* b = form().Find<ui::CommandButton>(n);
        ASSERT_NE(b, nullptr) << n;
    }
    EXPECT_EQ(form().Find<ui::CommandButton>("cmdMapLatLon")->ToolTipText(),
              "Enter LatLon, optional label in Case, Folder ignored.");
}

TEST_F(MapCaseTab, MapLatLonAcceptsACommaOrABlank) {
    struct Case {
        const char* typed;
        const char* label;
        const char* file_label;
        const char* coordinates;
    } cases[] = {
        {"49.1 -123.1", "", "NoCase", "-123.1,49.1,0"},
        {" 49.1,  -123.1 ", "C1", "C1", "-123.1,49.1,0"},
        {"49.1  -123.1", "  ", "NoCase", "-123.1,49.1,0"},  // the first blank becomes the comma
    };
    for (const Case& c : cases) {
        form().txtLatLon.SetText(c.typed);
        form().txtAccase.SetText(c.label);
        form().Status.SetText("old");
        click("cmdMapLatLon");
        EXPECT_EQ(status(), "");
        const std::string kml = ReadFile(kml_file(c.file_label));
        EXPECT_NE(kml.find(std::string("<coordinates>") + c.coordinates + "</coordinates>"), std::string::npos)
            << c.typed << "\n" << kml;
        EXPECT_EQ(last_argv().back(), kml_file(c.file_label));
    }
    form().optMaps.SetValue(true);
    form().txtLatLon.SetText("49.1 -123.1");
    click("cmdMapLatLon");
    EXPECT_EQ(last_argv().back(), "https://www.google.com/maps?q=49.1%2C-123.1");

    launcher_->calls.clear();
    for (const char* bad : {"", "   ", "49.1"}) {
        form().txtLatLon.SetText(bad);
        ui_->ExpectMsgBox(ui::vbOK, *bad && bad[0] != ' ' ? "Lat and Lon must be separated by a comma or a space"
                                                          : "Enter a latitude and longitude in the LatLon field.");
        click("cmdMapLatLon");
        EXPECT_EQ(ui_->shown.back().title, "cmdMapLatLon_Click");
        EXPECT_TRUE(form().txtLatLon.HasFocus());
    }
    EXPECT_TRUE(launcher_->calls.empty());
}

TEST_F(MapCaseTab, MapCaseAndLookUp) {
    form().txtAccase.SetText(" 10004321 ");
    click("cmdMapCase");
    EXPECT_EQ(status(), "Case 10004321" + CRLF + "Loading case-latlon table from " + batch() + "/latlon.csv" + CRLF +
                            "Mapped.");
    EXPECT_EQ(form().txtLatLon.Text(), "49.107129, -122.857581");
    EXPECT_EQ(last_argv(), (std::vector<std::string>{viewer_, kml_file("10004321")}));

    form().chkClipboard.SetValue(ui::vbChecked);
    click("cmdLookupLatLon");
    EXPECT_EQ(status(), "Case 10004321" + CRLF + "49.107129, -122.857581 copied to clipboard.");
    EXPECT_EQ(ui_->clipboard, "49.107129, -122.857581");

    launcher_->calls.clear();
    form().txtAccase.SetText("1004");
    ui_->ExpectMsgBox(ui::vbOK, "No LatLon found for 1004");
    click("cmdMapCase");
    EXPECT_EQ(status(), "Case 1004" + CRLF + "No LatLon found for 1004");
    ui_->ExpectMsgBox(ui::vbOK, "No LatLon found for 1004");
    click("cmdLookupLatLon");
    EXPECT_EQ(status(), "Case 1004" + CRLF + "No LatLon found for 1004");
    EXPECT_TRUE(launcher_->calls.empty());

    for (const char* cmd : {"cmdMapCase", "cmdLookupLatLon"}) {
        form().txtAccase.SetText("  ");
        ui_->ExpectMsgBox(ui::vbOK, "Enter a collision case number.");
        click(cmd);
        EXPECT_TRUE(form().txtAccase.HasFocus());
    }
    EXPECT_TRUE(launcher_->calls.empty());
}

TEST_F(MapCaseTab, CommandsThatReadTheValidationPage) {
    browser_->pages = {ValidationPage("Collision Validation 10004321", "49.107129, -122.857581")};

    click("cmdGetCaseLatlon");
    EXPECT_EQ(form().txtAccase.Text(), "10004321");
    EXPECT_EQ(form().txtLatLon.Text(), "49.107129, -122.857581");
    EXPECT_EQ(status(), "Case 10004321" + CRLF + CRLF + "Loading case-latlon table from " + batch() + "/latlon.csv");
    EXPECT_TRUE(launcher_->calls.empty());

    click("cmdGetCaseMap");
    EXPECT_EQ(status(), "Case 10004321" + CRLF + "Mapped.");
    EXPECT_EQ(last_argv().back(), kml_file("10004321"));

    form().txtLatLon.SetText("");
    form().optMaps.SetValue(true);
    click("cmdGetLatLonMap");
    EXPECT_EQ(status(), CRLF + "Mapped 10004321");
    EXPECT_EQ(form().txtLatLon.Text(), "49.107129, -122.857581");
    EXPECT_EQ(last_argv().back(), "https://www.google.com/maps?q=49.107129%2C%20-122.857581");
}

TEST_F(MapCaseTab, WithoutAValidationPage) {
    browser_->pages = {};
    form().txtAccase.SetText("1001");
    for (const char* cmd : {"cmdGetCaseMap", "cmdGetCaseLatlon"}) {
        ui_->ExpectMsgBox(ui::vbOK, "Could not find VRQ860 window");
        click(cmd);
        EXPECT_EQ(status(), "Failed to get case from screen VRQ860.");
        EXPECT_EQ(form().txtAccase.Text(), "");
    }

    form().txtLatLon.SetText("49.1,-123.1");
    ui_->ExpectMsgBox(ui::vbOK, "Could not find VRQ860 window");
    ui_->ExpectMsgBox(ui::vbOK, "Could not an html element with name=workingLatLong");
    ui_->ExpectMsgBox(ui::vbOK, "Could not find VRQ860 window");
    click("cmdGetLatLonMap");
    EXPECT_EQ(status(), CRLF + "No LatLon obtained.");
    EXPECT_EQ(form().txtLatLon.Text(), "");
    EXPECT_TRUE(launcher_->calls.empty());
}

}  // namespace
