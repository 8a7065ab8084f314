// What the worksheet window suites share: the sample data set as the
// installed program sees it, the geometry database open, and a copy of a
// sample workbook whose cells are read back after a run.
#pragma once

#include <filesystem>
#include <string>

#include "app/Subsystems.h"
#include "common/DataFolders.h"
#include "common/FileNumbers.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "platform/office/spreadsheet.h"
#include "tests/inventory/inventory_support.h"

namespace invtest {

class WorksheetWindowTest : public InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        load_form();
        AppFolder = PROGRAM_FOLDER;
        Inventory_Attach(TheMainForm());
        office::SetNewWorkbookFolder(file("temp"));
        GeoDB_Close();
        GeoDB_DataSource.clear();
        log_ = FreeFile();
        ASSERT_TRUE(Open_FileNo(log_, file("run.log")));
        GeoDB_Init("TRgeo", log_);
        ASSERT_TRUE(GeoDB_db.is_open());
    }
    void TearDown() override {
        book_ = nullptr;
        if (app_) app_->Quit();
        app_ = nullptr;
        GeoDB_Close();
        GeoDB_DataSource.clear();
        hmz_DB.close();
        Close_FileNo(log_);
        office::SetNewWorkbookFolder("");
        InventoryTest::TearDown();
    }
    // A copy of the sample workbook to work on.
    std::string sample_copy(const std::string& name) {
        const std::string path = file(name);
        fs::copy_file(Sample_Folder() + name, path, fs::copy_options::overwrite_existing);
        return path;
    }
    // The first worksheet of the workbook as it is on disk now.
    office::WorksheetRef read_back(const std::string& path) {
        if (app_) app_->Quit();
        app_ = office::Application::Start();
        book_ = app_->WorkbooksOpen(path);
        return book_->Worksheets(1);
    }
    static std::string text(const office::WorksheetRef& ws, int r, int c) {
        return ws->Cells(r, c).Value().ToText();
    }
    // Opened in the desktop's spreadsheet program.
    bool shown(const std::string& path) const {
        for (const auto& call : launcher_->calls)
            for (const auto& a : call.argv)
                if (a.find(fs::path(path).filename().string()) != std::string::npos) return true;
        return false;
    }

    int16_t log_ = 0;
    office::ApplicationRef app_;
    office::WorkbookRef book_;
};

}  // namespace invtest
