#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "app/Subsystems.h"
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

}  // namespace
