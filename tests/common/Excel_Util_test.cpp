#include "common/Excel_Util.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/shell/shell.h"
#include "tests/support/headless.h"
#include "tests/support/workbook_test.h"
#include "tests/support/xlsx_fixture.h"

namespace {

namespace fs = std::filesystem;

class ExcelUtilTest : public testsupport::WorkbookTest<testsupport::HeadlessTest> {
protected:
    void expect_one_box(const std::string& prompt, const std::string& title, int buttons) {
        ASSERT_EQ(ui_->shown.size(), 1u);
        EXPECT_EQ(ui_->shown[0].prompt, prompt);
        EXPECT_EQ(ui_->shown[0].title, title);
        EXPECT_EQ(ui_->shown[0].buttons, buttons);
    }
};

// ---- ColNumber ----------------------------------------------------------------

struct ColCase {
    const char* col;
    int16_t number;
    bool message;
};

// Numbers beyond the 16-bit range either way are refused; a lone accented
// letter is one character, not two.
const ColCase kColCases[] = {
    {"7", 7, false},        {"", 0, false},          {"   ", 0, false},    {"a", 1, false},     {"b", 2, false},
    {"Z", 26, false},       {"AA", 27, false},       {"AZ", 52, false},    {"zz", 702, false},  {"Ab", 28, false},
    {"#", 0, false},        {"AAA", 0, true},        {"A1", 0, true},      {"1A", 0, true},     {" A", 0, true},
    {"A ", 0, true},        {" 12 ", 12, false},     {"0", 0, false},      {"-3", 0, false},    {"2.5", 2, false},
    {"3.5", 4, false},      {"32767", 32767, false}, {"40000", 0, true},   {"1e3", 0, true},    {"&H1A", 0, true},
    {"1,000", 0, true},     {"+5", 5, false},        {"-32768", 0, false}, {"-40000", 0, true}, {"\xC3\xA9", 0, false},
    {"A\xC3\xA9", 0, true},
};

class ColNumberCases : public ExcelUtilTest, public ::testing::WithParamInterface<ColCase> {};

TEST_P(ColNumberCases, GivesTheColumnOrExplains) {
    const ColCase& c = GetParam();
    if (c.message) ui_->ExpectMsgBox(ui::vbOK);
    EXPECT_EQ(ColNumber(c.col), c.number) << "<" << c.col << ">";
    if (c.message)
        expect_one_box(std::string("Error converting <") + c.col + "> to a column number.", "ColNumber",
                       ui::vbExclamation);
    else
        EXPECT_TRUE(ui_->shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Table, ColNumberCases, ::testing::ValuesIn(kColCases));

// ---- XL_lastrow ---------------------------------------------------------------

// One column per case of a workbook the test writes and opens again.
class LastRowTest : public ExcelUtilTest {
protected:
    void SetUp() override {
        ExcelUtilTest::SetUp();
        auto app = office::Application::Start();
        auto book = app->WorkbooksAdd();
        auto ws = book->Worksheets(1);
        auto put = [&](int32_t col, std::initializer_list<int32_t> rows, const char* text = "x") {
            for (int32_t r : rows) ws->Cells(r, col).SetValue(text);
        };
        put(1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});  // data to row 10
        put(2, {2, 3, 4, 5, 7});                  // "END" in row 6
        ws->Cells(6, 2).SetValue("END");
        // column 3 stays empty
        put(4, {2, 3, 6});  // two blanks do not end it
        put(5, {2, 6});     // three blanks do
        for (int32_t r = 1; r <= 5001; ++r) ws->Cells(r, 6).SetValue(static_cast<double>(r));
        ws->Cells(2, 7).SetValue(" End ");  // end marker in any case, trimmed
        ws->Cells(2, 8).SetValue(12.5);     // numbers are data
        path_ = scratch_.file("rows.xlsx");
        book->SaveAs(path_);
        app->Quit();
        app_ = office::Application::Start();
        ws_ = app_->WorkbooksOpen(path_)->Worksheets(1);
    }
    void TearDown() override {
        app_->Quit();
        ExcelUtilTest::TearDown();
    }
    std::string path_;
    office::ApplicationRef app_;
    office::WorksheetRef ws_;
};

TEST_F(LastRowTest, FindsTheLastDataRow) {
    struct Case {
        int16_t first, col, last;
    } cases[] = {
        {2, 1, 10}, {1, 1, 10}, {10, 1, 10}, {2, 2, 5}, {7, 2, 7}, {2, 4, 6}, {2, 5, 2}, {6, 5, 6}, {2, 8, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XL_lastrow(ws_, c.first, c.col), c.last) << "first " << c.first << " column " << c.col;
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(LastRowTest, NoDataRowIsReported) {
    struct Case {
        int16_t first, col;
    } cases[] = {{1, 3}, {2, 7}, {11, 1}, {5001, 6}};
    for (const auto& c : cases) {
        ui_->shown.clear();
        ui_->ExpectMsgBox(ui::vbOK);
        EXPECT_EQ(XL_lastrow(ws_, c.first, c.col), -1) << "first " << c.first << " column " << c.col;
        expect_one_box("Last row not found!", "Tessawin", ui::vbOKOnly);
    }
}

TEST_F(LastRowTest, TheSearchEndsAtRow5000WithAWarning) {
    ui_->ExpectMsgBox(ui::vbOK);
    EXPECT_EQ(XL_lastrow(ws_, 2, 6), 5000);
    expect_one_box("Warning: search for last data row ended at maxrow = 5000", "Function XL_lastrow",
                   ui::vbExclamation);
}

TEST_F(ExcelUtilTest, UnreadableCellsCountAsData) {
    auto app = office::Application::Start();
    auto ws = app->WorkbooksOpen(fixture())->Worksheets(1);
    EXPECT_EQ(XL_lastrow(ws, 2, 4), 2);  // D2 holds an error value
    app->Quit();
}

// ---- XL_CellText ---------------------------------------------------------------

TEST_F(ExcelUtilTest, CellTextIsTrimmedAndNeverFails) {
    auto app = office::Application::Start();
    auto ws = app->WorkbooksOpen(fixture())->Worksheets(1);
    struct Case {
        int32_t row, col;
        const char* text;
    } cases[] = {{1, 1, "Segment"},    {2, 1, "550"},   {2, 2, "12.43"},
                 {2, 3, "2015-01-03"}, {2, 4, "error"}, {2, 5, "padded"},
                 {3, 1, "0550"},       {4, 2, "True"},  {9, 9, ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(XL_CellText(ws->Cells(c.row, c.col)), c.text) << c.row << "," << c.col;
        EXPECT_EQ(XL_CellIsEmpty(ws->Cells(c.row, c.col)), std::string(c.text).empty());
    }
    const office::Range kept = ws->Cells(1, 1);
    app->Quit();
    EXPECT_EQ(XL_CellText(kept), "error");  // its workbook is gone
    EXPECT_FALSE(XL_CellIsEmpty(kept));
}

// ---- XL_SheetIndex ---------------------------------------------------------------

TEST_F(ExcelUtilTest, SheetIndexCountsWorksheetsOnlyAndIgnoresCase) {
    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(fixture());
    struct Case {
        const char* name;
        int16_t index;
    } cases[] = {{"Data", 1}, {"data", 1}, {"RESULTS", 2}, {"Chart1", 0}, {"Dat", 0}, {"", 0}};
    for (const auto& c : cases) EXPECT_EQ(XL_SheetIndex(book, c.name), c.index) << c.name;
    // accented capitals too, but an accent is not dropped
    book->Worksheets(2)->SetName("R\xC3\xA9sultats");
    const Case accented[] = {{"R\xC3\x89SULTATS", 2}, {"r\xC3\xA9sultats", 2}, {"Resultats", 0}};
    for (const auto& c : accented) EXPECT_EQ(XL_SheetIndex(book, c.name), c.index) << c.name;
    app->Quit();
}

// ---- XL_GetWorksheet ---------------------------------------------------------------

TEST_F(ExcelUtilTest, TheActiveWorksheetIsNeverFound) {
    ui_->ExpectMsgBox(ui::vbOK);
    office::ApplicationRef app = office::Application::Start();
    office::WorksheetRef ws = app->WorkbooksAdd()->Worksheets(1);
    XL_GetWorksheet("", "active", app, ws);
    EXPECT_EQ(app, nullptr);
    EXPECT_EQ(ws, nullptr);
    expect_one_box("No active Excel worksheet found.", "Tessawin", ui::vbExclamation);
}

TEST_F(ExcelUtilTest, OpensTheNamedOrFirstWorksheet) {
    const std::string path = fixture();
    struct Case {
        const char* sheet;
        const char* name;
    } cases[] = {{"", "Data"}, {"results", "Results"}, {"DATA", "Data"}};
    for (const auto& c : cases) {
        office::ApplicationRef app;
        office::WorksheetRef ws;
        XL_GetWorksheet(path, c.sheet, app, ws);
        ASSERT_NE(app, nullptr) << c.sheet;
        ASSERT_NE(ws, nullptr) << c.sheet;
        EXPECT_EQ(ws->Name(), c.name);
        EXPECT_EQ(app->ActiveWorksheet(), ws);  // activated
        EXPECT_FALSE(app->Visible());
        app->Quit();
    }
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(ExcelUtilTest, AMissingWorksheetIsReportedAndTheApplicationClosed) {
    const std::string path = fixture();
    const std::string before = testsupport::read_bytes(path);
    for (const char* sheet : {"Chart1", "nowhere"}) {
        ui_->shown.clear();
        ui_->ExpectMsgBox(ui::vbOK);
        office::ApplicationRef app;
        office::WorksheetRef ws;
        XL_GetWorksheet(path, sheet, app, ws);
        EXPECT_EQ(app, nullptr);
        EXPECT_EQ(ws, nullptr);
        expect_one_box(std::string("Worksheet ") + sheet + " not found in Excel file " + path, "Tessawin",
                       ui::vbExclamation);
    }
    EXPECT_EQ(testsupport::read_bytes(path), before);
}

TEST_F(ExcelUtilTest, AWorkbookOpenInAnotherProgramIsRefused) {
    const std::string path = fixture();
    const std::string before = testsupport::read_bytes(path);
    for (const std::string lock : {".~lock.book.xlsx#", "~$book.xlsx"}) {
        testsupport::write_bytes(scratch_.file(lock), "someone,host,2026");
        ui_->shown.clear();
        ui_->ExpectMsgBox(ui::vbOK);
        office::ApplicationRef app;
        office::WorksheetRef ws;
        XL_GetWorksheet(path, "Data", app, ws);
        EXPECT_EQ(app, nullptr);
        EXPECT_EQ(ws, nullptr);
        expect_one_box("Please close all MS-Excel windows, then try again.", "Tessawin", ui::vbExclamation);
        fs::remove(scratch_.file(lock));
    }
    EXPECT_EQ(testsupport::read_bytes(path), before);
}

TEST_F(ExcelUtilTest, AFileThatWillNotOpenIsThrownAndLeavesNothingBehind) {
    const std::string bad = scratch_.file("bad.xlsx");
    testsupport::write_bytes(bad, "not a workbook");
    office::ApplicationRef app;
    office::WorksheetRef ws;
    EXPECT_THROW(XL_GetWorksheet(bad, "", app, ws), office::Error);
    EXPECT_EQ(app, nullptr);
    EXPECT_EQ(ws, nullptr);
    // the next run is not refused
    XL_GetWorksheet(fixture(), "", app, ws);
    ASSERT_NE(ws, nullptr);
    app->Quit();
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(ExcelUtilTest, ABatchRunLeavesItsResultsSavedInPlace) {
    const std::string path = fixture();
    const std::string before = testsupport::read_bytes(path);
    office::ApplicationRef app;
    office::WorksheetRef ws;
    XL_GetWorksheet(path, "Data", app, ws);
    ASSERT_NE(ws, nullptr);
    app->SetWindowState(office::xlNormal);
    app->SetVisible(true);
    app->SetInteractive(false);
    ws->Cells(2, 7).SetValue("0550");
    ws->Cells(2, 7).SetColorIndex(38);
    app->SetInteractive(true);
    app->Release();
    EXPECT_EQ(testsupport::read_bytes(office::BackupName(path)), before);
    ASSERT_EQ(launcher_->calls.size(), 1u);
    EXPECT_EQ(launcher_->calls[0].argv, (std::vector<std::string>{"xdg-open", fs::absolute(path).string()}));
    XL_GetWorksheet(path, "Data", app, ws);
    ASSERT_NE(ws, nullptr);
    EXPECT_EQ(XL_CellText(ws->Cells(2, 7)), "550");
    EXPECT_EQ(ws->Cells(2, 7).ColorIndex(), 38);
    app->Quit();
}

}  // namespace
