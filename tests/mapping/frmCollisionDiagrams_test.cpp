// The diagram window through the CDE tab's button, on the sample extract.
#include "mapping/frmCollisionDiagrams.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "mapping/CollisionDiagram.h"
#include "platform/office/word_document.h"
#include "tests/mapping/mapping_support.h"

namespace {

namespace fs = std::filesystem;
using collisions_test::WriteFile;

class DiagramWindowTest : public mapping_test::MappingTest {
protected:
    // The sample extract copied into the test's data folder.
    void UseSample() {
        fs::copy_file(Sample_Folder() + "collisions/CDE_intersections_sample.csv", data_ + "CDE_intersections_sample.csv");
        form().CDE_folder.SetText(data_);
        form().CDE_file.SetText("CDE_intersections_sample.csv");
        form().Out_Folder.SetText(out_);
    }
};

TEST_F(DiagramWindowTest, RunsOnTheSampleExtract) {
    UseSample();
    int shown = 0;
    std::string one;
    ui_->on_modal = [&](ui::Form& f) {
        ++shown;
        auto& w = dynamic_cast<frmCollisionDiagrams&>(f);
        EXPECT_EQ(w.Caption(), "Create a Collision Diagram in MS-Word");
        EXPECT_EQ(w.lblCDEname.Caption(), data_ + "CDE_intersections_sample.csv");
        EXPECT_EQ(w.txtMinDate.Text(), CDE_MinDate);
        EXPECT_TRUE(w.optFIPCount.Value());
        EXPECT_TRUE(w.optType(1).Value());
        EXPECT_NE(w.optType(3).Picture().find("cd_type3.bmp"), std::string::npos);
        ASSERT_GT(w.lstLocations.ListCount(), 0);
        EXPECT_EQ(static_cast<int>(w.LocationKeys.size()), w.lstLocations.ListCount() + 1);
        EXPECT_EQ(w.lstLocations.List(0), LocationKeyLabel(w.LocationKeys[1]));

        // selected locations, but none chosen
        w.optSelect.Click();
        ui_->ExpectMsgBox(ui::vbOK, "Select at least one location, or select the ALL locations option");
        ui::ClickButton(w.cmdOK);

        // all collisions, tables appended
        w.optAll.Click();
        w.chkAddTables.Click();
        ui::ClickButton(w.cmdOK);
        EXPECT_EQ(w.lblStatus.Caption(), "Collision Diagram complete.");
        // into the output folder, not beside the extract
        EXPECT_TRUE(fs::exists(out_ + "ClsnDiag_CDE_intersections_sample.docx"));
        EXPECT_FALSE(fs::exists(data_ + "ClsnDiag_CDE_intersections_sample.docx"));

        // the busiest location alone, T intersection without its south leg
        int busiest = 0;
        long most = 0;
        for (int i = 0; i < w.lstLocations.ListCount(); ++i) {
            const long n = std::count(CDE_LocationKeys.begin(), CDE_LocationKeys.end(), w.LocationKeys[i + 1]);
            if (n > most) most = n, busiest = i;
        }
        w.optSelect.Click();
        w.lstLocations.ClickItem(busiest);
        w.optType(2).Click();
        ui::ClickButton(w.cmdOK);
        one = out_ + "ClsnDiag_CDE_intersections_sample_" + w.LocationKeys[busiest + 1] + ".docx";
        ASSERT_TRUE(fs::exists(one)) << w.lblStatus.Caption();
        EXPECT_FALSE(office::WordDocument::Open(one)->ShapeVisible("SWcorner"));
        ui::ClickButton(w.cmdClose);
    };
    Click("cmdClsnDiagram");
    EXPECT_EQ(shown, 1);
    // the window's box is emptied when it closes; then what it wrote
    EXPECT_EQ(Status(), "\r\nCollision diagram written to " + out_ + "ClsnDiag_CDE_intersections_sample.docx" +
                            "\r\nCollision diagram written to " + one);
    auto doc = office::WordDocument::Open(out_ + "ClsnDiag_CDE_intersections_sample.docx");
    EXPECT_EQ(doc->ShapeText("Textbox_SegNode"), "All Collisions");
    EXPECT_FALSE(doc->TableRowCounts().empty());
    EXPECT_EQ(launcher_->calls.size(), 2u);
}

TEST_F(DiagramWindowTest, AnExtractWithoutCollisionsOpensNoWindow) {
    WriteFile(data_ + "empty.csv", "\"ACCASE\"\r\n");
    form().CDE_folder.SetText(data_);
    form().CDE_file.SetText("empty.csv");
    ui_->ExpectMsgBox(ui::vbOK, "is empty.");
    ui_->on_modal = [](ui::Form&) { ADD_FAILURE() << "window shown"; };
    Click("cmdClsnDiagram");
    EXPECT_EQ(StatusLines(), (std::vector<std::string>{"Reading CDE file...", "No collision data found in CDE file"}));
}

}  // namespace
