// A test fixture that puts the headless backend in place: every box shown
// must have been scripted, else the test fails.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/backend.h"

namespace testsupport {

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_ = std::make_shared<ui::HeadlessBackend>();
        ui_->on_unexpected = [](const ui::ShownBox& box) {
            ADD_FAILURE() << "unexpected box: [" << box.title << "] " << box.prompt;
        };
        ui::SetBackend(ui_);
    }
    void TearDown() override {
        EXPECT_TRUE(ui_->script.empty()) << ui_->script.size() << " scripted answers left unused";
        EXPECT_EQ(ui_->busy_depth, 0) << "hourglass not restored";
        ui::SetBackend(nullptr);
    }
    std::shared_ptr<ui::HeadlessBackend> ui_;
};

}  // namespace testsupport
