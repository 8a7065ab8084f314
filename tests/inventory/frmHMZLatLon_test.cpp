// The segment/km and latitude/longitude window on the sample workbook and
// the sample data set, with nothing configured.
#include "inventory/frmHMZLatLon.h"

#include <gtest/gtest.h>

#include "platform/settings/settings.h"
#include "tests/inventory/worksheet_window_support.h"

namespace {

namespace fs = std::filesystem;

class HMZLatLonWindow : public invtest::WorksheetWindowTest {
protected:
    void SetUp() override {
        WorksheetWindowTest::SetUp();
        TheMainForm().txtHMZ_HMZversion.SetText("202004");
        TheMainForm().txtHMZ_NDP.SetText("2");
        book_path_ = sample_copy("HMZ_LatLon_sample.xlsx");
        w().Show();
        w().txtExcelFileName.SetText(book_path_);
        w().txtFirstRow.SetText("2");
        w().txtLL_Range.SetText("200");
    }
    void TearDown() override {
        w().Unload();
        WorksheetWindowTest::TearDown();
    }
    static frmHMZLatLon& w() { return The_frmHMZLatLon(); }
    static void columns(const char* seg1, const char* km1, const char* lat1, const char* lon1, const char* seg2 = "",
                        const char* km2 = "", const char* lat2 = "", const char* lon2 = "") {
        w().txtColSeg1.SetText(seg1);
        w().txtColKm1.SetText(km1);
        w().txtColLat1.SetText(lat1);
        w().txtColLon1.SetText(lon1);
        w().txtColSeg2.SetText(seg2);
        w().txtColKm2.SetText(km2);
        w().txtColLat2.SetText(lat2);
        w().txtColLon2.SetText(lon2);
    }
    std::string book_path_;
};

TEST_F(HMZLatLonWindow, LoadTakesTheTabsVersionAndTheFileOption) {
    EXPECT_EQ(w().txtLL_HMZversion.Text(), "202004");
    EXPECT_EQ(w().txtLL_ndp.Text(), "2");
    EXPECT_TRUE(w().optExcelFile.Value());
    EXPECT_TRUE(w().txtExcelFileName.Enabled());
    w().optActiveSheet.Click();
    EXPECT_FALSE(w().txtWorksheet.Enabled());
    w().txtLL_ndp.SetText("1");
    ui::ClickButton(w().cmdClose);
    EXPECT_FALSE(w().Visible());
    EXPECT_EQ(settings::GetSetting("Tessawin", "HMZ_LatLon", "txtLL_ndp", ""), "1");
    EXPECT_EQ(settings::GetSetting("Tessawin", "HMZ_LatLon", "optActiveSheet", ""), "True");
}

TEST_F(HMZLatLonWindow, SegKmToLatLon) {
    columns("A", "B", "C", "D", "E", "F", "G", "H");
    ui::ClickButton(w().cmdSegKmtoLatLon);
    EXPECT_EQ(status(), "Finished processing rows 2 to 9");
    EXPECT_TRUE(fs::exists(office::BackupName(book_path_)));
    EXPECT_TRUE(shown(book_path_));

    auto ws = read_back(book_path_);
    // landmarks of 202004: Mill Rd, Alpine Way on 0601 and on 0602
    EXPECT_EQ(text(ws, 2, 3), "49.107129");
    EXPECT_EQ(text(ws, 2, 4), "-122.857581");
    EXPECT_EQ(text(ws, 2, 7), "49.716128");
    EXPECT_EQ(text(ws, 3, 7), "49.716126");
    EXPECT_EQ(text(ws, 3, 8), "-123.150697");
    EXPECT_EQ(text(ws, 5, 7), "49.1");  // 0010 km 0, its node
    // 550 is 0550; 0515 km 3 is Cedar Rd
    EXPECT_EQ(ws->Cells(3, 3).Value().kind, office::CellValue::Number);
    EXPECT_EQ(text(ws, 5, 3), "49.377282");
    // unchanged: a blank km, the heading row inside the range, km 20 off the
    // segment, the row after the end marker
    EXPECT_EQ(text(ws, 6, 3), "kept");
    EXPECT_EQ(text(ws, 7, 3), "Latitude");
    EXPECT_EQ(text(ws, 8, 3), "kept");
    EXPECT_EQ(text(ws, 11, 3), "after the end");
    EXPECT_EQ(text(ws, 2, 1), "10");  // the input cells are left as they were
}

TEST_F(HMZLatLonWindow, LatLonToSegKmInTheGeometrysVersionAndAnother) {
    columns("L", "M", "J", "K");
    ui::ClickButton(w().cmdLatLontoSegKm);
    EXPECT_EQ(status(), "Finished processing rows 2 to 9");
    auto ws = read_back(book_path_);
    struct Cell {
        int row;
        const char* seg;
        const char* km;
    } cells[] = {{2, "10", "3.2"}, {3, "515", "3"}, {4, "976", "1.7"}, {5, "601", "1.8"},
                 {6, "kept", "kept"}, {7, "Segment", "Km"}, {8, "kept", "kept"}, {9, "10", "0"}};
    for (const Cell& c : cells) {
        EXPECT_EQ(text(ws, c.row, 12), c.seg) << c.row;
        EXPECT_EQ(text(ws, c.row, 13), c.km) << c.row;
    }

    // in 201807 Cedar Rd is 0510
    book_path_ = sample_copy("HMZ_LatLon_sample.xlsx");
    w().txtLL_HMZversion.SetText("201807");
    w().txtLL_ndp.SetText("1");
    ui::ClickButton(w().cmdLatLontoSegKm);
    ws = read_back(book_path_);
    EXPECT_EQ(text(ws, 3, 12), "510");
    EXPECT_EQ(text(ws, 3, 13), "3");
    EXPECT_EQ(text(ws, 2, 12), "10");
}

// Each run reads every input again: a second location given once is not
// remembered once its column is blank.
TEST_F(HMZLatLonWindow, ColumnsAreReadAgainOnEveryRun) {
    columns("A", "B", "C", "D", "E", "F", "G", "H");
    w().txtLastRow.SetText("2");
    ui::ClickButton(w().cmdSegKmtoLatLon);
    book_path_ = sample_copy("HMZ_LatLon_sample.xlsx");
    columns("A", "B", "C", "D", "", "F", "G", "H");
    w().txtLastRow.SetText("3");
    ui::ClickButton(w().cmdSegKmtoLatLon);
    EXPECT_EQ(status(), "Finished processing rows 2 to 3");
    auto ws = read_back(book_path_);
    EXPECT_EQ(text(ws, 2, 3), "49.107129");
    EXPECT_EQ(text(ws, 2, 7), "");
    EXPECT_EQ(text(ws, 3, 7), "");
}

TEST_F(HMZLatLonWindow, RefusedInputs) {
    struct Case {
        const char* box;
        const char* text;
        const char* message;
        const char* first_box = nullptr;  // a box of its own before
    } cases[] = {
        {"txtExcelFileName", "", "Enter the full Excel file name."},
        {"txtExcelFileName", "/no/such.xlsx", "File /no/such.xlsx NOT FOUND."},
        {"txtLL_ndp", "3", "Number of km decimal places must be 1 or 2."},
        {"txtFirstRow", "", "Enter the first row to process."},
        {"txtFirstRow", "0", "Invalid first row.  Enter a positive integer."},
        {"txtFirstRow", "abc", "Invalid first row.  Enter a positive integer."},
        {"txtLastRow", "x", "Invalid last row.  Enter an integer or blank for last data row."},
        {"txtColKm1", "", "Enter the number or letter of a column in the Excel worksheet."},
        {"txtColLat1", "AAA", "Enter a valid Excel column number or letter.", "Error converting <AAA>"},
        {"txtLL_Range", "0", "Enter a range in metres to define how far"},
    };
    for (const Case& c : cases) {
        columns("A", "B", "C", "D");
        w().txtExcelFileName.SetText(book_path_);
        w().txtLL_ndp.SetText("2");
        w().txtFirstRow.SetText("2");
        w().txtLastRow.SetText("");
        w().txtLL_Range.SetText("200");
        auto* box = w().Find<ui::TextBox>(c.box);
        box->SetText(c.text);
        if (c.first_box) ui_->ExpectMsgBox(ui::vbOK, c.first_box);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        ui::ClickButton(w().cmdLatLontoSegKm);
        EXPECT_EQ(w().ActiveControl(), box) << c.box << " " << c.text;
    }
    EXPECT_FALSE(fs::exists(office::BackupName(book_path_)));
}

TEST_F(HMZLatLonWindow, AWorkbookThatCannotBeRead) {
    const std::string bad = file("broken.xlsx");
    write(bad, "not a workbook");
    w().txtExcelFileName.SetText(bad);
    columns("A", "B", "C", "D");
    ui_->ExpectMsgBox(ui::vbOK, "Cannot read the Excel file " + bad);
    ui::ClickButton(w().cmdSegKmtoLatLon);
    EXPECT_EQ(status(), "");
}

// The column A reads as the 27th with "AA": a column beyond the data leaves
// every row as it was, and nothing is saved.
TEST_F(HMZLatLonWindow, NothingToConvertSavesNothing) {
    columns("AA", "B", "C", "D");
    ui_->ExpectMsgBox(ui::vbOK, "Last row not found!");
    ui::ClickButton(w().cmdSegKmtoLatLon);
    EXPECT_FALSE(fs::exists(office::BackupName(book_path_)));
    EXPECT_FALSE(shown(book_path_));
}

}  // namespace
