#include "platform/ui/ui.h"
#include "tests/support/headless.h"

namespace {

using HeadlessBoxes = testsupport::HeadlessTest;

TEST_F(HeadlessBoxes, ScriptedAnswersAreGivenInOrderAndRecorded) {
    ui_->ExpectMsgBox(ui::vbYes, "Replace");
    ui_->ExpectInput("201804");
    EXPECT_EQ(ui::MsgBox("Replace the file?", ui::vbYesNo + ui::vbQuestion), ui::vbYes);
    EXPECT_EQ(ui::InputBox("Version?", "Ask"), "201804");
    ASSERT_EQ(ui_->shown.size(), 2u);
    EXPECT_EQ(ui_->shown[0].title, "Tessawin");
    EXPECT_EQ(ui_->shown[0].buttons, ui::vbYesNo + ui::vbQuestion);
    EXPECT_EQ(ui_->shown[1].title, "Ask");
}

TEST_F(HeadlessBoxes, AbandonedCommandEndsOnlyTheCommand) {
    int after = 0;
    bool done = ui::RunCommand([&] {
        throw ui::CommandAbandoned("scanner error");
        ++after;
    });
    EXPECT_FALSE(done);
    EXPECT_EQ(after, 0);
    {
        ui::Hourglass busy;
        EXPECT_EQ(ui_->busy_depth, 1);
    }
    EXPECT_EQ(ui_->busy_depth, 0);
}

}  // namespace
