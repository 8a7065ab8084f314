// A test fixture for the Qt backend, offscreen: one application for the test
// program, the Qt backend installed for each test, and message boxes answered
// from a script instead of shown; an unscripted box fails the test.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/qt/QtApp.h"
#include "platform/ui/backend.h"

namespace testsupport {

class QtTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { tw_qt::EnsureApplication(); }
    void SetUp() override {
        tw_qt::InstallBackend();
        tw_qt::SetMessageBoxHook([this](const std::string& prompt, int buttons, const std::string& title) {
            shown_.push_back(ui::ShownBox{ui::ShownBox::Message, prompt, title, buttons, ""});
            if (answers_.empty() ||
                (!answers_.front().second.empty() && prompt.find(answers_.front().second) == std::string::npos)) {
                ADD_FAILURE() << "unexpected box: [" << title << "] " << prompt;
                return std::optional<ui::MsgBoxResult>(ui::vbOK);
            }
            ui::MsgBoxResult r = answers_.front().first;
            answers_.pop_front();
            return std::optional<ui::MsgBoxResult>(r);
        });
    }
    void TearDown() override {
        EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answers left unused";
        tw_qt::SetMessageBoxHook(nullptr);
        ui::SetBackend(nullptr);
    }
    void ExpectMsgBox(ui::MsgBoxResult answer, std::string prompt_contains = "") {
        answers_.emplace_back(answer, std::move(prompt_contains));
    }

    std::vector<ui::ShownBox> shown_;

private:
    std::deque<std::pair<ui::MsgBoxResult, std::string>> answers_;
};

}  // namespace testsupport
