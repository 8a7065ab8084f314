#include "tests/support/headless.h"

#include <stdexcept>

#include "platform/ui/ui.h"

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

TEST_F(HeadlessBoxes, HourglassIsRestoredWhenTheCommandFails) {
    struct Case {
        const char* what;
        bool abandon;
    } cases[] = {{"abandoned after its message", true}, {"disk on fire", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.abandon) ui_->ExpectMsgBox(ui::vbOK, c.what);
        bool done = ui::RunCommand([&] {
            ui::Hourglass busy;
            ui::Hourglass nested;
            if (c.abandon) throw ui::CommandAbandoned(c.what);
            throw std::runtime_error(c.what);
        });
        EXPECT_FALSE(done);
        EXPECT_EQ(ui_->busy_depth, 0);
    }
}

}  // namespace
