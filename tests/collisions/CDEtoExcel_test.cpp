#include "collisions/CDEtoExcel.h"

#include <gtest/gtest.h>

#include "app/Subsystems.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "platform/office/spreadsheet.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

class CDEtoExcelTest : public CollisionsTest {
protected:
    void SetUp() override {
        CollisionsTest::SetUp();
        office::SetNewWorkbookFolder(out_);
    }
    void TearDown() override {
        office::SetNewWorkbookFolder("");
        CollisionsTest::TearDown();
    }
    void Use(const std::string& name, const std::string& text) {
        WriteFile(data_ + name, text);
        form().CDE_folder.SetText(data_);
        form().CDE_file.SetText(name);
        form().Out_Folder.SetText(out_);
    }
    // The workbook the command left for the user, read back.
    office::WorksheetRef Shown(const std::string& sheet) {
        app_ = office::Application::Start();
        return app_->WorkbooksOpen(out_ + sheet + ".xlsx")->Worksheets(1);
    }
    office::ApplicationRef app_;
};

TEST_F(CDEtoExcelTest, ColumnFormatsByHeadingName) {
    struct Case {
        const char* name;
        const char* format;
    };
    const Case cases[] = {
        {"CLSNDATE", "yyyy-mm-dd;@"},  {"Collision Date", "yyyy-mm-dd;@"}, {"clsndate", "@"},
        {"KMMARK", "0.0"},             {"Km Mark", "0.0"},                 {"Latitude", "###0.000000"},
        {"LATITUDE", "@"},             {"DRIVER_WT", "0.00"},              {"Road causal factor weight (%)", "0.00"},
        {"AREA", "0"},                 {"Number of lanes", "0"},           {"Primary Occurence", "0"},
        {"SEGNUM", "@"},               {"ACCASE", "@"},                    {"SOMETHING_ELSE", "@"},
    };
    for (const Case& c : cases) EXPECT_EQ(CDE_ColumnFormat(c.name), c.format) << c.name;
}

TEST_F(CDEtoExcelTest, LoadsTheExtractFormattedIntoAWorkbook) {
    Use("small.csv",
        "\"CLSNDATE\",\"SEGNUM\",\"KMMARK\",\"Latitude\"\r\n"
        "\"2012-03-14\",\"0030\",\"11.4\",\"49.480551\"\r\n"
        "\r\n"
        "\"2013-01-02\",\"0040\",\"2.0\",\"49.1\",\"extra\",\"more\"\r\n");
    cmdCDEtoExcel_Click(form());
    EXPECT_EQ(Status(), "4 data rows loaded.\r\nCSV file ready in Excel\r\nWorkbook written to " + out_ + "small.xlsx");
    office::WorksheetRef sheet = Shown("small");
    EXPECT_EQ(sheet->Name(), "small");
    EXPECT_EQ(sheet->Cells(1, 1).Value().ToText(), "CLSNDATE");
    EXPECT_EQ(sheet->Cells(2, 1).Value().ToText(), "2012-03-14");
    EXPECT_EQ(sheet->Cells(2, 1).Value().kind, office::CellValue::Date);
    EXPECT_EQ(sheet->Cells(2, 2).Value().ToText(), "0030");  // text column keeps its zero
    EXPECT_EQ(sheet->Cells(2, 3).Value().kind, office::CellValue::Number);
    EXPECT_EQ(sheet->Cells(3, 1).Value().kind, office::CellValue::Empty);
    // only as many cells as headings
    EXPECT_EQ(sheet->Cells(4, 4).Value().ToText(), "49.1");
    EXPECT_EQ(sheet->Cells(4, 5).Value().kind, office::CellValue::Empty);
    EXPECT_EQ(sheet->Cells(2, 3).NumberFormat(), "0.0");
    ASSERT_FALSE(launcher_->calls.empty());  // shown to the user
}

TEST_F(CDEtoExcelTest, AThousandLinesGiveTheRowCountWithTheHeading) {
    std::string text = "\"CLSNDATE\",\"ACCASE\"\n";
    for (int i = 0; i < 1000; ++i) text += "\"2012-03-14\",\"" + std::to_string(1000000 + i) + "\"\n";
    Use("big.csv", text);
    cmdCDEtoExcel_Click(form());
    EXPECT_EQ(StatusLines().front(), "1001 data rows loaded.");
}

// An extract of only a heading is empty, and the tab says the load failed.
TEST_F(CDEtoExcelTest, AnEmptyExtractIsReportedAsAFailure) {
    for (const char* text : {"\"CLSNDATE\",\"ACCASE\"\r\n", "\"CLSNDATE\",\"ACCASE\"", ""}) {
        SCOPED_TRACE(text);
        Use("empty.csv", text);
        ui_->ExpectMsgBox(ui::vbOK, "is empty.");
        cmdCDEtoExcel_Click(form());
        EXPECT_EQ(Status().find("CSV file ready"), std::string::npos);
        EXPECT_NE(Status().find("Problems!"), std::string::npos);
        EXPECT_FALSE(fs::exists(out_ + "empty.xlsx"));
    }
}

TEST_F(CDEtoExcelTest, TheTabHoldsEveryCommand) {
    // attached once: the window keeps its buttons from one test to the next
    Collisions_Attach(form());
    struct Case {
        const char* name;
        const char* caption;
    };
    const Case cases[] = {{"cmdCDErequirements", "View CDE file Requirements for Collision Diagrams"},
                          {"cmdCDEtoExcel", "Open CDE file in Excel"},
                          {"cmdSplitByMonth", "Split by Collision Month"},
                          {"cmdCDEaddGeoFields", "Add Geo Fields"},
                          {"cmdAddSDFfields", "Add SDF Fields"},
                          {"cmdClsnDiagram", "Create Collision Diagram ..."},
                          {"cmdKML", "Create KML File"}};
    for (const Case& c : cases) {
        auto* b = form().Find<ui::CommandButton>(c.name);
        ASSERT_NE(b, nullptr) << c.name;
        EXPECT_EQ(b->Caption(), c.caption);
        EXPECT_EQ(b->Placement().tab, MainForm::kTabCDE);
    }
    const std::string app_folder = AppFolder;
    AppFolder = PROGRAM_FOLDER;
    ui::ClickButton(*form().Find<ui::CommandButton>("cmdCDErequirements"));
    AppFolder = app_folder;
    ASSERT_EQ(launcher_->calls.size(), 1u);
    EXPECT_EQ(launcher_->calls[0].argv.back(), std::string(PROGRAM_FOLDER) + "CDE_for_CD.txt");
}

TEST_F(CDEtoExcelTest, GeoFieldsNeedAnOptionTicked) {
    Use("small.csv", "\"CLSNDATE\"\r\n\"2012-03-14\"\r\n");
    form().CDE_chkLatLon.SetValue(0);
    form().CDE_chkNaltAlbers.SetValue(0);
    ui_->ExpectMsgBox(ui::vbOK, "Select LatLon and/or Nalt Albers options.");
    cmdCDEaddGeoFields_Click(form());
    EXPECT_EQ(Status(), "");
}

TEST_F(CDEtoExcelTest, TheSampleExtractLoads) {
    form().CDE_folder.SetText(Sample_Folder() + "collisions/");
    form().CDE_file.SetText("CDE_sample.csv");
    form().Out_Folder.SetText(out_);
    cmdCDEtoExcel_Click(form());
    // every line of the extract is a row, the heading included
    const size_t rows = Lines(ReadFile(Sample_Folder() + "collisions/CDE_sample.csv")).size();
    EXPECT_GT(rows, 2000u);
    EXPECT_EQ(Status(), std::to_string(rows) + " data rows loaded.\r\nCSV file ready in Excel\r\nWorkbook written to " +
                            out_ + "CDE_sample.xlsx");
    EXPECT_TRUE(fs::exists(out_ + "CDE_sample.xlsx"));
}

}  // namespace
