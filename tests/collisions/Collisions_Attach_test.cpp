#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "collisions/CDEbyGroup.h"
#include "collisions/Monthly_CDE.h"
#include "common/DataFolders.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

class CollisionsAttachTest : public CollisionsTest {};

TEST_F(CollisionsAttachTest, TheCommandsSitOnTheirTabs) {
    MainForm& f = form();
    Collisions_Attach(f);
    struct Button {
        const char* name;
        int tab;
        const char* caption;
    };
    const Button buttons[] = {
        {"cmdSplitByMonth", MainForm::kTabCDE, "Split by Collision Month"},
        {"cmdCDEsumByGroupAndQuarter", MainForm::kTabCDE, "Sum by Group and Quarter"},
        {"cmdClassVol", MainForm::kTabClassRate, "Specify Class Sets and Volume Ranges..."},
        {"cmdRateTable", MainForm::kTabClassRate, "Create Published Format Rate Table CSV file"},
        {"cmdCDEByMonth", MainForm::kTabSSA, "Break IN-SS CDE by Section && Month"},
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.name);
        auto* button = f.Find<ui::CommandButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->Caption(), b.caption);
        EXPECT_EQ(button->Placement().tab, b.tab);
        EXPECT_TRUE(static_cast<bool>(button->OnClick));
    }

    EXPECT_EQ(f.Find<ui::CommandButton>("cmdClassVol")->ToolTipText(),
              "Opens a form for specifying Class Sets and Volume Ranges.");

    // a press with nothing filled in stops at the first check
    f.CDE_folder.SetText("");
    ui_->ExpectMsgBox(ui::vbOK, "Enter an input folder");
    ui::ClickButton(*f.Find<ui::CommandButton>("cmdCDEsumByGroupAndQuarter"));
    EXPECT_EQ(Status(), "\r\nProblems!");
}

TEST_F(CollisionsAttachTest, TheSampleDataSetHoldsTheCollisionFiles) {
    for (const char* name : {"CDE_sample.csv", "INSS_sample.csv", "Section_List.csv", "ClassRate_sample.csv"}) {
        EXPECT_TRUE(fs::exists(Sample_Folder() + "collisions/" + name)) << name;
    }
}

// The split and the two sums on the sample data set, with nothing configured.
TEST_F(CollisionsAttachTest, TheCommandsRunOnTheSample) {
    const std::string folder = Sample_Folder() + "collisions/";
    int16_t status = -1;
    Monthly_CDE(folder + "CDE_sample.csv", out_, status);
    EXPECT_EQ(status, kSplitFinished);
    int books = 0;
    for (const auto& e : fs::directory_iterator(out_)) books += e.path().extension() == ".xlsx";
    EXPECT_EQ(books, 60);
    const std::string page = ReadFile(out_ + "FatalDataByMonth.html");
    EXPECT_NE(page.find("<A HREF=\"fatal_data_2010-01.xlsx\">2010-01 January</A><BR>"), std::string::npos);
    EXPECT_NE(page.find("<A HREF=\"fatal_data_2014-12.xlsx\">2014-12 December</A><BR>"), std::string::npos);

    CDE_Sum_by_Group(folder, "INSS_sample.csv", "Section_List.csv", out_, 2010, 2014);
    const auto bySection = Lines(ReadFile(out_ + "INSS_sample_bySecMonSev.csv"));
    ASSERT_EQ(bySection.size(), 2u + 9 + 2);  // two sums: 1-SUM and 3-SUM
    EXPECT_EQ(bySection[4].substr(0, 6), "1-SUM,");
    EXPECT_NE(Status().find("250 input data records read."), std::string::npos);

    ui_->ExpectInput("2010", "first year");
    ui_->ExpectInput("GROUP_ID", "section ID field");
    CDE_Sum_by_Group_and_Quarter(folder, "CDE_sample.csv", out_);
    const auto byQuarter = Lines(ReadFile(out_ + "CDE_sample_byQuarter.csv"));
    EXPECT_EQ(byQuarter.size(), 1u + 6);
    EXPECT_NE(Status().find("400 input data records read."), std::string::npos);
}

}  // namespace
