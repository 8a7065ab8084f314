#include "common/winlib_Excel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/office/spreadsheet.h"
#include "platform/shell/shell.h"
#include "tests/support/headless.h"
#include "tests/support/xlsx_fixture.h"

namespace {

namespace fs = std::filesystem;

// Notes the pointer each box was shown under.
class PointerAwareBackend : public ui::HeadlessBackend {
public:
    std::vector<int> busy_at_box;
    ui::MsgBoxResult MsgBox(const std::string& prompt, int buttons, const std::string& title) override {
        busy_at_box.push_back(busy_depth);
        return HeadlessBackend::MsgBox(prompt, buttons, title);
    }
};

class ExcelOpenWorkbook : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        backend_ = std::make_shared<PointerAwareBackend>();
        backend_->on_unexpected = ui_->on_unexpected;
        ui_ = backend_;
        ui::SetBackend(ui_);
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
    }
    void TearDown() override {
        shell::SetLauncher(nullptr);
        HeadlessTest::TearDown();
    }
    testsupport::ScratchFolder scratch_;
    std::shared_ptr<PointerAwareBackend> backend_;
    std::shared_ptr<shell::RecordingLauncher> launcher_;
};

TEST_F(ExcelOpenWorkbook, AMissingFileIsReportedUnderTheNormalPointer) {
    const std::string file = scratch_.file("rates.csv");
    ui_->ExpectMsgBox(ui::vbOK);
    Excel_OpenWorkbook(file);
    ASSERT_EQ(ui_->shown.size(), 1u);
    EXPECT_EQ(ui_->shown[0].prompt, "File " + file + "\r\ndoes not exist.");
    EXPECT_EQ(ui_->shown[0].title, "File not found.");
    EXPECT_EQ(ui_->shown[0].buttons, ui::vbExclamation);
    EXPECT_EQ(backend_->busy_at_box, std::vector<int>{0});
    EXPECT_TRUE(launcher_->calls.empty());
}

TEST_F(ExcelOpenWorkbook, TheFileItselfIsShownInTheDesktopProgramAndLeftUnchanged) {
    const std::string csv = scratch_.file("PubRateTable_from_x.csv");
    testsupport::write_bytes(csv, "Class,Rate\n* U A U 2,0.52\n");
    const std::string xlsx = scratch_.file("book.xlsx");
    testsupport::write_fixture_workbook(xlsx);
    for (const std::string& file : {csv, xlsx}) {
        launcher_->calls.clear();
        const std::string before = testsupport::read_bytes(file);
        Excel_OpenWorkbook(file);
        ASSERT_EQ(launcher_->calls.size(), 1u) << file;
        EXPECT_EQ(launcher_->calls[0].argv, (std::vector<std::string>{"xdg-open", file}));
        EXPECT_FALSE(launcher_->calls[0].wait);
        EXPECT_EQ(testsupport::read_bytes(file), before);
        EXPECT_FALSE(fs::exists(office::BackupName(file)));
    }
    EXPECT_TRUE(ui_->shown.empty());
    // the pointer is back to normal: HeadlessTest checks it on tear-down
}

}  // namespace
