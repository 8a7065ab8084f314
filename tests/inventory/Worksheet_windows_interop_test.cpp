// A converted and a transformed sample workbook read back by a real
// spreadsheet program (LibreOffice, headless).
#include <gtest/gtest.h>

#include <fstream>

#include "inventory/frmHMZLatLon.h"
#include "inventory/frmHemzshiftExcel.h"
#include "tests/inventory/worksheet_window_support.h"
#include "tests/support/soffice.h"

namespace {

namespace fs = std::filesystem;

class WorksheetWindowsInterop : public invtest::WorksheetWindowTest {
protected:
    void SetUp() override {
        WorksheetWindowTest::SetUp();
        fs::create_directories(file("profile"));
        fs::create_directories(file("converted"));
        TheMainForm().txtHMZ_HMZversion.SetText("202004");
        TheMainForm().txtHMZ_NDP.SetText("2");
    }
    void TearDown() override {
        The_frmHMZLatLon().Unload();
        The_frmHemzshiftExcel().Unload();
        WorksheetWindowTest::TearDown();
    }
    // The workbook as LibreOffice reads it, one comma-separated line a row.
    std::vector<std::string> as_csv(const std::string& book) {
        shell::SetLauncher(nullptr);
        testsupport::soffice_convert(book, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false",
                                     file("converted"), file("profile"));
        std::ifstream in(file("converted") + "/" + fs::path(book).stem().string() + ".csv", std::ios::binary);
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) {
            if (!l.empty() && l.back() == '\r') l.pop_back();
            lines.push_back(l);
        }
        return lines;
    }
};

TEST_F(WorksheetWindowsInterop, ConvertedAndTransformedWorkbooksReadBack) {
    const std::string latlon = sample_copy("HMZ_LatLon_sample.xlsx");
    frmHMZLatLon& a = The_frmHMZLatLon();
    a.Show();
    a.txtExcelFileName.SetText(latlon);
    a.txtFirstRow.SetText("2");
    a.txtColSeg1.SetText("A");
    a.txtColKm1.SetText("B");
    a.txtColLat1.SetText("C");
    a.txtColLon1.SetText("D");
    ui::ClickButton(a.cmdSegKmtoLatLon);
    ASSERT_EQ(status(), "Finished processing rows 2 to 9");

    const std::string trans = sample_copy("HMZ_Transforms_sample.xlsx");
    frmHemzshiftExcel& b = The_frmHemzshiftExcel();
    b.Show();
    b.txtExcelFileName.SetText(trans);
    b.txtTarget_HMZversion.SetText("latest");
    b.txtTarget_ndp.SetText("2");
    b.txtFirstRow.SetText("2");
    b.optDateFromExcel.SetValue(true);
    b.txtDateCol.SetText("C");
    b.txtColSrcSeg1.SetText("A");
    b.txtColSrcKm1.SetText("B");
    b.txtColTgtSeg1.SetText("D");
    b.txtColTgtKm1.SetText("E");
    ui_->ExpectInput(Sample_Folder() + "HMZ_Data_202004.mdb", "Confirm full HMZ_Data");
    ui::ClickButton(b.cmdTransform);
    ASSERT_EQ(status_lines().back(), "Finished transforming rows 2 to 12 to HMZ version 202004");

    const auto l = as_csv(latlon);
    ASSERT_GE(l.size(), 8u);
    EXPECT_EQ(l[1].substr(0, 30), "10,3.2,49.107129,-122.857581,6") << l[1];
    EXPECT_EQ(l[5].substr(0, 13), "10,,kept,kept") << l[5];
    const auto t = as_csv(trans);
    ASSERT_GE(t.size(), 9u);
    EXPECT_EQ(t[2].substr(0, 22), "20,5,2010-01-01,20,5.4") << t[2];
    EXPECT_EQ(t[3].substr(0, 24), "510,END,2019-01-01,515,8") << t[3];
    EXPECT_EQ(t[8].substr(0, 14), "10,12.7,,BAD,-") << t[8];
}

}  // namespace
