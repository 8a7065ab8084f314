// A test fixture for the spreadsheet layer: new workbooks are made in a
// scratch folder, what would be opened in the desktop program is recorded,
// and fixture() writes the fixture workbook. BASE is the fixture it builds on.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/office/spreadsheet.h"
#include "platform/shell/shell.h"
#include "tests/support/xlsx_fixture.h"

namespace testsupport {

template <class Base = ::testing::Test>
class WorkbookTest : public Base {
protected:
    void SetUp() override {
        Base::SetUp();
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
        office::SetNewWorkbookFolder(scratch_.path().string());
    }
    void TearDown() override {
        office::SetNewWorkbookFolder("");
        shell::SetLauncher(nullptr);
        Base::TearDown();
    }
    std::string fixture(const std::string& name = "book.xlsx") {
        const std::string path = scratch_.file(name);
        write_fixture_workbook(path);
        return path;
    }

    ScratchFolder scratch_;
    std::shared_ptr<shell::RecordingLauncher> launcher_;
};

}  // namespace testsupport
