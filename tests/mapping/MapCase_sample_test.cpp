// Every MapCase command on the installed sample with nothing configured:
// the batch folder is the sample's collision folder, the validation page the
// sample's stand-in (served here by the fixture browser).
#include <gtest/gtest.h>

#include <string>

#include "common/DataFolders.h"
#include "tests/mapping/mapcase_support.h"

namespace {

using namespace mapcase_test;

class MapCaseSample : public MapCaseTest {
protected:
    void SetUp() override {
        MapCaseTest::SetUp();
        form().Unload();
        form().Load();  // the remembered inputs' defaults, from an empty store
        form().Status.SetText("");
        browser_->pages = {ValidationPage("Collision Validation 10004321", "49.107129, -122.857581")};
    }
};

TEST_F(MapCaseSample, EveryCommandRuns) {
    ASSERT_EQ(form().txtBatchFolder.Text(), Sample_Folder() + "collisions");
    ASSERT_TRUE(form().optEarth.Value());

    form().txtAccase.SetText("10004321");
    click("cmdLookupLatLon");
    EXPECT_EQ(form().txtLatLon.Text(), "49.107129, -122.857581");
    EXPECT_GT(CaseLatLon_Count(), 3000);

    form().txtAccase.SetText("10000014");
    click("cmdMapCase");
    EXPECT_EQ(status_lines_last(), "Mapped.");
    EXPECT_NE(ReadFile(kml_file("10000014")).find("<coordinates>-119.541637,49.854300,0</coordinates>"),
              std::string::npos);

    form().txtAccase.SetText("10000007");  // in the extract without a position
    ui_->ExpectMsgBox(ui::vbOK, "No LatLon found for 10000007");
    click("cmdMapCase");
    EXPECT_EQ(status_lines_last(), "No LatLon found for 10000007");

    form().txtLatLon.SetText("49.5 -121.25");
    click("cmdMapLatLon");
    EXPECT_EQ(last_argv().back(), kml_file("10000007"));

    click("cmdGetCaseLatlon");
    EXPECT_EQ(form().txtAccase.Text(), "10004321");
    click("cmdGetCaseMap");
    EXPECT_EQ(status_lines_last(), "Mapped.");
    click("cmdGetLatLonMap");
    EXPECT_EQ(status_lines_last(), "Mapped 10004321");
    EXPECT_EQ(last_argv(), (std::vector<std::string>{viewer_, kml_file("10004321")}));
}

}  // namespace
