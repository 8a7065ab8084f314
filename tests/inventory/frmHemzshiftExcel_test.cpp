// The translation window on the sample workbook and the sample data set,
// with nothing configured.
#include "inventory/frmHemzshiftExcel.h"

#include <gtest/gtest.h>

#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "platform/settings/settings.h"
#include "tests/inventory/worksheet_window_support.h"

namespace {

class HemzshiftExcelWindow : public invtest::WorksheetWindowTest {
protected:
    void SetUp() override {
        WorksheetWindowTest::SetUp();
        TheMainForm().txtHMZ_HMZversion.SetText("");
        book_path_ = sample_copy("HMZ_Transforms_sample.xlsx");
        w().Show();
        w().txtExcelFileName.SetText(book_path_);
        w().txtTarget_ndp.SetText("2");
        w().txtFirstRow.SetText("2");
        w().optDateFromExcel.SetValue(true);
        w().txtDateCol.SetText("C");
        w().txtColSrcSeg1.SetText("A");
        w().txtColSrcKm1.SetText("B");
        w().txtColTgtSeg1.SetText("D");
        w().txtColTgtKm1.SetText("E");
        w().txtColSrcSeg2.SetText("F");
        w().txtColSrcKm2.SetText("G");
        w().txtColTgtSeg2.SetText("H");
        w().txtColTgtKm2.SetText("I");
    }
    void TearDown() override {
        w().Unload();
        WorksheetWindowTest::TearDown();
    }
    static frmHemzshiftExcel& w() { return The_frmHemzshiftExcel(); }
    // Without a target the newest inventory database is opened once the
    // user has confirmed it.
    void confirm_latest() { ui_->ExpectInput(Sample_Folder() + "HMZ_Data_202004.mdb", "Confirm full HMZ_Data"); }
    std::string book_path_;
};

TEST_F(HemzshiftExcelWindow, LoadSetsTheDefaults) {
    w().Unload();
    w().Show();
    // first run: the sample workbook's dates in C, in a copy of the user's own
    EXPECT_TRUE(w().optDateFromExcel.Value());
    EXPECT_EQ(w().txtDateCol.Text(), "C");
    EXPECT_EQ(w().txtExcelFileName.Text(), Sample_Working_Copy_Name("HMZ_Transforms_sample.xlsx"));
    EXPECT_TRUE(w().optExcelFile.Value());
    EXPECT_TRUE(w().txtWorksheet.Enabled());
    w().txtTarget_HMZversion.SetText("latest");
    ui::ClickButton(w().cmdClose);
    EXPECT_EQ(settings::GetSetting("Tessawin", "frmHemzshiftExcel", "txtTarget_HMZversion", ""), "latest");
}

TEST_F(HemzshiftExcelWindow, TransformTheSampleToTheLatestVersion) {
    confirm_latest();
    ui::ClickButton(w().cmdTransform);
    EXPECT_EQ(status_lines().back(), "Finished transforming rows 2 to 12 to HMZ version 202004") << status();
    EXPECT_TRUE(shown(book_path_));
    auto ws = read_back(book_path_);
    struct Row {
        int row;
        const char* seg;
        const char* km;
        int colour;
    } rows[] = {
        {2, "550", "3", 0},            // 550 is 0550, dated 2011-01-01, valid as it stands
        {3, "20", "5.4", 38},          // the remap of 201404
        {4, "515", "8.75", 38},        // END of 0510: its length, renumbered
        {5, "976", "1.7", 38},         // cut in 201807
        {6, "10", "", 0},              // blank km: the segment only
        {7, "Segment", "", 0},         // a heading row inside the range
        {8, "10", "12.4", 0},          // 0.03 past the end: at the end
        {9, "BAD", "-2", 45},          // 0.3 past: not valid
        {10, "DEL ", "-3", 38},        // devolved: a step, to no segment
        {11, "BAD", "", 45},           // a split whose direction a blank code does not say
        {12, "12A4", "", 0},           // not a segment number: copied
    };
    for (const Row& r : rows) {
        EXPECT_EQ(text(ws, r.row, 4), r.seg) << "row " << r.row;
        EXPECT_EQ(text(ws, r.row, 5), r.km) << "row " << r.row;
        EXPECT_EQ(ws->Cells(r.row, 4).ColorIndex(), r.colour) << "row " << r.row;
    }
    // second locations of rows 2 and 3
    EXPECT_EQ(text(ws, 2, 8), "515");
    EXPECT_EQ(text(ws, 2, 9), "3");
    EXPECT_EQ(text(ws, 3, 8), "976");
    EXPECT_EQ(text(ws, 3, 9), "1.7");
    EXPECT_EQ(ws->Cells(10, 5).ColorIndex(), 6);
    EXPECT_EQ(text(ws, 14, 4), "");  // after the end marker
}

TEST_F(HemzshiftExcelWindow, ADateTheRunRefusesEndsIt) {
    struct Case {
        const char* first;
        const char* message;
    } cases[] = {
        {"15", "Date invalid or earlier than 1980-01-01 in cell 15,3. Aborting."},
        {"16", "Invalid date at cell 16,3. Aborting."},
        {"17", "Invalid date at cell 17,3. Aborting."},
    };
    for (const Case& c : cases) {
        book_path_ = sample_copy("HMZ_Transforms_sample.xlsx");
        w().txtFirstRow.SetText(c.first);
        w().txtLastRow.SetText("17");
        confirm_latest();
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        ui::ClickButton(w().cmdTransform);
        EXPECT_EQ(status_lines().back(), std::string("*** Transform aborted at row ") + c.first + " ***");
        EXPECT_TRUE(SDF_Cancel);
        auto ws = read_back(book_path_);
        EXPECT_EQ(text(ws, std::stoi(c.first), 4), "") << "nothing written for the refused location";
    }
}

TEST_F(HemzshiftExcelWindow, TheUseDateBoxAndATarget) {
    struct Case {
        const char* date;
        const char* message;
    } cases[] = {
        {"2019-02-30", "Invalid date.  Enter a date in yyyy-mm-dd format"},
        {"19-01-01", "Invalid date.  Enter a date in yyyy-mm-dd format"},
        {"1975-01-01", "Date must be >= 1980-01-01"},
    };
    w().optUseDate.SetValue(true);
    for (const Case& c : cases) {
        w().txtOldHMZ_date.SetText(c.date);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        ui::ClickButton(w().cmdTransform);
        EXPECT_EQ(w().ActiveControl(), &w().txtOldHMZ_date);
    }
    // "/" accepted, passed on as 2010-01-01: 0020 km 5 of then is 5.40 in 201807
    w().txtOldHMZ_date.SetText("2010/01/01");
    w().txtTarget_HMZversion.SetText("201807");
    w().txtLastRow.SetText("3");
    ui::ClickButton(w().cmdTransform);
    EXPECT_EQ(status_lines().back(), "Finished transforming rows 2 to 3 to HMZ version 201807") << status();
    auto ws = read_back(book_path_);
    EXPECT_EQ(text(ws, 3, 4), "20");
    EXPECT_EQ(text(ws, 3, 5), "5.4");
    EXPECT_EQ(text(ws, 2, 8), "510");  // valid in 201807 as it stands
}

}  // namespace
