#include "platform/office/spreadsheet.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <limits>
#include <map>

#include "platform/shell/shell.h"
#include "tests/support/workbook_test.h"
#include "tests/support/xlsx_fixture.h"

namespace {

namespace fs = std::filesystem;
using office::CellValue;

// Every entry of a zip package, by name.
std::map<std::string, std::string> package_parts(const std::string& path) {
    std::map<std::string, std::string> out;
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!z) return out;
    const zip_int64_t n = zip_get_num_entries(z, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
        std::string data(static_cast<size_t>(st.size), '\0');
        zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
        zip_fread(f, data.data(), st.size);
        zip_fclose(f);
        out[st.name] = data;
    }
    zip_close(z);
    return out;
}

using SpreadsheetTest = testsupport::WorkbookTest<>;

// ---- text assigned to a cell -------------------------------------------------

struct Conversion {
    const char* format;
    const char* text;
    CellValue::Kind kind;
    double number;  // for numbers and dates
};

const Conversion kConversions[] = {
    {"@", "0550", CellValue::Text, 0},
    {"@", "12.5", CellValue::Text, 0},
    {"General", "0550", CellValue::Number, 550},
    {"General", "-12.5", CellValue::Number, -12.5},
    {"General", "+3", CellValue::Number, 3},
    {"General", "12.", CellValue::Number, 12},
    {"General", ".25", CellValue::Number, 0.25},
    {"General", "1e5", CellValue::Text, 0},
    {"General", "1,000", CellValue::Text, 0},
    {"General", " 12", CellValue::Text, 0},
    {"General", ".", CellValue::Text, 0},
    {"General", "1.2.3", CellValue::Text, 0},
    {"General", "OFF ", CellValue::Text, 0},
    {"General", "2015-01-03", CellValue::Text, 0},
    {"General", "", CellValue::Empty, 0},
    {"0.0", "12.34", CellValue::Number, 12.34},
    {"yyyy-mm-dd;@", "2015-01-03", CellValue::Date, 42007},
    {"yyyy-mm-dd;@", "1900-03-01", CellValue::Date, 61},
    {"yyyy-mm-dd;@", "2016-02-29", CellValue::Date, 42429},
    {"yyyy-mm-dd;@", "2015-02-29", CellValue::Text, 0},
    {"yyyy-mm-dd;@", "2015-1-3", CellValue::Text, 0},
    {"yyyy-mm-dd;@", "44", CellValue::Date, 44},  // a number, shown as a date
};

void expect_converted(const CellValue& v, const Conversion& c) {
    EXPECT_EQ(v.kind, c.kind);
    if (c.kind == CellValue::Text) {
        EXPECT_EQ(v.text, c.text);
    }
    if (c.kind == CellValue::Number || c.kind == CellValue::Date) {
        EXPECT_DOUBLE_EQ(v.number, c.number);
    }
}

class TextToCell : public SpreadsheetTest, public ::testing::WithParamInterface<Conversion> {};

TEST_P(TextToCell, ConvertsAsTheSpreadsheetDoes) {
    const Conversion& c = GetParam();
    auto app = office::Application::Start();
    auto ws = app->WorkbooksAdd()->Worksheets(1);
    ws->SetColumnNumberFormat(2, c.format);
    ws->Cells(3, 2).SetValue(c.text);
    CellValue v = ws->Cells(3, 2).Value();
    expect_converted(v, c);

    // the same after the workbook has been written and opened again
    const std::string path = scratch_.file("conv.xlsx");
    ws->Parent()->SaveAs(path);
    app->Quit();
    auto again = office::Application::Start();
    v = again->WorkbooksOpen(path)->Worksheets(1)->Cells(3, 2).Value();
    expect_converted(v, c);
    again->Quit();
}

INSTANTIATE_TEST_SUITE_P(Rules, TextToCell, ::testing::ValuesIn(kConversions));

TEST_F(SpreadsheetTest, TextInAnOpenedWorkbookFollowsTheCellsOwnFormat) {
    auto app = office::Application::Start();
    auto ws = app->WorkbooksOpen(fixture())->Worksheets(1);
    ws->Cells(3, 1).SetValue("0550");        // style "@"
    ws->Cells(9, 6).SetValue("2015-01-03");  // column F has the date style
    ws->Cells(9, 7).SetValue("2015-01-03");  // column G has none
    ws->Cells(9, 8).SetValue("0550");
    EXPECT_EQ(ws->Cells(3, 1).Value().kind, CellValue::Text);
    EXPECT_EQ(ws->Cells(3, 1).Value().text, "0550");
    EXPECT_EQ(ws->Cells(9, 6).Value().kind, CellValue::Date);
    EXPECT_EQ(ws->Cells(9, 6).Value().ToText(), "2015-01-03");
    EXPECT_EQ(ws->Cells(9, 7).Value().kind, CellValue::Text);
    EXPECT_EQ(ws->Cells(9, 8).Value().kind, CellValue::Number);
    EXPECT_EQ(ws->Cells(9, 8).Value().ToText(), "550");
    app->Quit();
}

// ---- values as text ----------------------------------------------------------

TEST(CellValueText, NumbersDatesAndErrors) {
    struct Case {
        CellValue value;
        const char* text;
    } cases[] = {
        {{CellValue::Number, 12.43, ""}, "12.43"},
        {{CellValue::Number, 550, ""}, "550"},
        {{CellValue::Number, 0.1 + 0.2, ""}, "0.3"},
        {{CellValue::Number, 0.00001, ""}, "1E-05"},
        {{CellValue::Number, 1234567890123456.0, ""}, "1.23456789012346E+15"},
        {{CellValue::Number, -2, ""}, "-2"},
        {{CellValue::Date, 42007, ""}, "2015-01-03"},
        {{CellValue::Date, 60, ""}, "1900-02-29"},
        {{CellValue::Date, 42007.5, ""}, "2015-01-03 12:00:00"},
        {{CellValue::Boolean, 1, ""}, "True"},
        {{CellValue::Empty, 0, ""}, ""},
        {{CellValue::Text, 0, " padded "}, " padded "},
    };
    for (const auto& c : cases) EXPECT_EQ(c.value.ToText(), c.text) << c.text;
    EXPECT_THROW(CellValue({CellValue::ErrorValue, 0, "#N/A"}).ToText(), office::Error);
    EXPECT_THROW(CellValue({CellValue::Text, 0, "abc"}).ToNumber(), office::Error);
    EXPECT_DOUBLE_EQ(CellValue({CellValue::Text, 0, " 12.5 "}).ToNumber(), 12.5);
    EXPECT_DOUBLE_EQ(CellValue{}.ToNumber(), 0);
}

// ---- existing workbooks -------------------------------------------------------

TEST_F(SpreadsheetTest, ReadsTheCellsOfAnExistingWorkbook) {
    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(fixture());
    ASSERT_EQ(book->WorksheetCount(), 2);  // the chart sheet is no worksheet
    EXPECT_EQ(book->Worksheets(1)->Name(), "Data");
    EXPECT_EQ(book->Worksheets(2)->Name(), "Results");
    EXPECT_EQ(book->Worksheets(2)->Index(), 2);
    EXPECT_THROW(book->Worksheets(3), office::Error);
    EXPECT_EQ(book->Worksheets("rEsUlTs"), book->Worksheets(2));
    EXPECT_THROW(book->Worksheets("Chart1"), office::Error);
    EXPECT_THROW(book->ActiveWorksheet(), office::Error);  // the chart sheet is active
    EXPECT_THROW(app->ActiveWorksheet(), office::Error);

    auto ws = book->Worksheets(1);
    EXPECT_EQ(ws->Cells(1, 1).Value().text, "Segment");
    EXPECT_EQ(ws->Cells(1, 2).Value().text, "Km");
    EXPECT_EQ(ws->Cells(2, 1).Value().ToText(), "550");
    EXPECT_FLOAT_EQ(static_cast<float>(ws->Cells(2, 2).Value().ToNumber()), 12.43f);
    EXPECT_EQ(ws->Cells(2, 3).Value().kind, CellValue::Date);
    EXPECT_EQ(ws->Cells(2, 3).Value().ToText(), "2015-01-03");
    EXPECT_EQ(ws->Cells(2, 3).NumberFormat(), "yyyy-mm-dd;@");
    EXPECT_EQ(ws->Cells(2, 4).Value().kind, CellValue::ErrorValue);
    EXPECT_THROW(ws->Cells(2, 4).Value().ToText(), office::Error);
    EXPECT_EQ(ws->Cells(2, 5).Value().text, " padded ");
    EXPECT_EQ(ws->Cells(3, 1).Value().text, "0550");
    EXPECT_EQ(ws->Cells(3, 1).NumberFormat(), "@");
    EXPECT_EQ(ws->Cells(4, 2).Value().ToText(), "True");
    EXPECT_EQ(ws->Cells(4, 1).Value().kind, CellValue::Empty);
    EXPECT_EQ(ws->Cells(500, 30).Value().kind, CellValue::Empty);
    EXPECT_THROW(ws->Cells(0, 1).Value(), office::Error);
    EXPECT_THROW(ws->Cells(1, office::kMaxColumns + 1).Value(), office::Error);
    EXPECT_TRUE(book->Saved());
    app->Quit();
}

TEST_F(SpreadsheetTest, FilesThatAreNoWorkbookAreRefused) {
    auto app = office::Application::Start();
    EXPECT_THROW(app->WorkbooksOpen(scratch_.file("missing.xlsx")), office::Error);
    testsupport::write_bytes(scratch_.file("text.xlsx"), "not a zip");
    EXPECT_THROW(app->WorkbooksOpen(scratch_.file("text.xlsx")), office::Error);
    testsupport::write_bytes(scratch_.file("empty.xlsx"), testsupport::make_zip({{"readme.txt", "x"}}));
    EXPECT_THROW(app->WorkbooksOpen(scratch_.file("empty.xlsx")), office::Error);
    // a directory that claims a part of 4 GB
    std::string claims = testsupport::make_zip(testsupport::fixture_workbook_parts());
    for (size_t at = claims.find("PK\x01\x02"); at != std::string::npos; at = claims.find("PK\x01\x02", at + 4))
        if (claims.compare(at + 46, 15, "xl/workbook.xml") == 0) claims.replace(at + 24, 4, "\xF0\xFF\xFF\xFF");
    testsupport::write_bytes(scratch_.file("claims.xlsx"), claims);
    EXPECT_THROW(app->WorkbooksOpen(scratch_.file("claims.xlsx")), office::Error);
    EXPECT_EQ(app->WorkbookCount(), 0);
    app->Quit();
}

TEST_F(SpreadsheetTest, AnEditedWorkbookKeepsEveryPartItDidNotChange) {
    const std::string path = fixture();
    const auto before = package_parts(path);
    const std::string original_bytes = testsupport::read_bytes(path);

    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(path);
    auto ws = book->Worksheets(1);
    ws->Cells(2, 1).SetValue("BAD");      // number becomes text
    ws->Cells(2, 2).SetValue(-2.0);       // stays a number
    ws->Cells(1, 2).ClearContents();      // inline text cleared
    ws->Cells(1, 3).SetValue("between");  // new cell after B1
    ws->Cells(10, 1).SetValue("12.30");   // new row at the end
    ws->Cells(6, 2).SetValue("6");        // new row between others
    ws->Cells(2, 4).SetValue("OFF ");     // the formula goes
    ws->Cells(2, 1).SetColorIndex(45);
    ws->Cells(2, 2).SetColorIndex(38);
    ws->Cells(6, 2).SetColorIndex(6);
    ws->Cells(2, 3).SetColorIndex(6);  // a date cell keeps its format
    ws->Cells(2, 3).SetColorIndex(0);  // and loses its fill again
    EXPECT_FALSE(book->Saved());
    book->Save();
    EXPECT_TRUE(book->Saved());
    app->Quit();

    EXPECT_EQ(testsupport::read_bytes(office::BackupName(path)), original_bytes);
    const auto after = package_parts(path);
    for (const char* untouched : {"_rels/.rels", "xl/workbook.xml", "xl/worksheets/sheet2.xml",
                                  "xl/chartsheets/sheet1.xml", "xl/sharedStrings.xml", "customXml/item1.xml"})
        EXPECT_EQ(after.at(untouched), before.at(untouched)) << untouched;
    // the cell that held a formula is no longer in the calculation chain
    EXPECT_EQ(after.count("xl/calcChain.xml"), 0u);
    EXPECT_EQ(after.at("[Content_Types].xml").find("calcChain"), std::string::npos);
    EXPECT_EQ(after.at("xl/_rels/workbook.xml.rels").find("calcChain"), std::string::npos);
    // the custom date format and the first fills stay where they were
    EXPECT_NE(after.at("xl/styles.xml").find("<numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd;@\"/>"),
              std::string::npos);
    EXPECT_NE(after.at("xl/styles.xml")
                  .find("<fills count=\"5\"><fill><patternFill patternType=\"none\"/></fill>"
                        "<fill><patternFill patternType=\"gray125\"/></fill>"),
              std::string::npos);
    // rows and cells stay in order
    const std::string& sheet = after.at("xl/worksheets/sheet1.xml");
    EXPECT_LT(sheet.find("r=\"B1\""), sheet.find("r=\"C1\""));
    EXPECT_LT(sheet.find("<row r=\"4\""), sheet.find("<row r=\"6\""));
    EXPECT_LT(sheet.find("<row r=\"6\""), sheet.find("<row r=\"10\""));
    EXPECT_NE(sheet.find("<dimension ref=\"A1:E10\"/>"), std::string::npos);
    EXPECT_NE(sheet.find("<pageMargins"), std::string::npos);

    auto again = office::Application::Start();
    auto ws2 = again->WorkbooksOpen(path)->Worksheets(1);
    EXPECT_EQ(ws2->Cells(2, 1).Value().text, "BAD");
    EXPECT_EQ(ws2->Cells(2, 2).Value().ToText(), "-2");
    EXPECT_EQ(ws2->Cells(1, 2).Value().kind, CellValue::Empty);
    EXPECT_EQ(ws2->Cells(1, 3).Value().text, "between");
    EXPECT_EQ(ws2->Cells(10, 1).Value().ToText(), "12.3");
    EXPECT_EQ(ws2->Cells(6, 2).Value().ToText(), "6");
    EXPECT_EQ(ws2->Cells(2, 4).Value().text, "OFF ");
    EXPECT_EQ(ws2->Cells(2, 1).ColorIndex(), 45);
    EXPECT_EQ(ws2->Cells(2, 2).ColorIndex(), 38);
    EXPECT_EQ(ws2->Cells(6, 2).ColorIndex(), 6);
    EXPECT_EQ(ws2->Cells(2, 3).ColorIndex(), 0);
    EXPECT_EQ(ws2->Cells(2, 3).Value().ToText(), "2015-01-03");
    EXPECT_EQ(ws2->Cells(1, 1).ColorIndex(), 0);
    EXPECT_EQ(ws2->Cells(1, 1).Value().text, "Segment");
    EXPECT_EQ(again->WorkbooksOpen(path)->Worksheets(2)->Cells(1, 1).Value().text, "kept");
    again->Quit();
}

// The fixture with its first sheet replaced.
std::string fixture_with_sheet(const std::string& path, const std::string& sheet_xml) {
    auto parts = testsupport::fixture_workbook_parts();
    for (auto& [name, data] : parts)
        if (name == "xl/worksheets/sheet1.xml") data = sheet_xml;
    testsupport::write_bytes(path, testsupport::make_zip(parts));
    return path;
}

const char* const kSheetHead =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";

TEST_F(SpreadsheetTest, OverwritingASharedFormulaLeavesItsOtherCellsTheirValues) {
    const std::string path = fixture_with_sheet(
        scratch_.file("shared.xlsx"),
        std::string(kSheetHead) +
            "<row r=\"2\"><c r=\"B2\"><v>4</v></c><c r=\"D2\"><f t=\"shared\" ref=\"D2:D3\" "
            "si=\"0\">B2*2</f><v>8</v></c></row>"
            "<row r=\"3\"><c r=\"B3\"><v>5</v></c><c r=\"D3\"><f t=\"shared\" si=\"0\"/><v>10</v></c></row>"
            "</sheetData></worksheet>");
    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(path);
    book->Worksheets(1)->Cells(2, 4).SetValue("BAD");
    book->Save();
    app->Quit();
    const auto parts = package_parts(path);
    EXPECT_EQ(parts.at("xl/worksheets/sheet1.xml").find("<f"), std::string::npos);
    EXPECT_EQ(parts.count("xl/calcChain.xml"), 0u);
    auto again = office::Application::Start();
    auto ws = again->WorkbooksOpen(path)->Worksheets(1);
    EXPECT_EQ(ws->Cells(2, 4).Value().text, "BAD");
    EXPECT_EQ(ws->Cells(3, 4).Value().ToText(), "10");
    again->Quit();
}

TEST_F(SpreadsheetTest, DamagedSheetsAreReadWithoutHarm) {
    // each sheet is read, a cell written and the workbook saved; what cannot
    // be read is an office::Error, never a crash
    const std::string cases[] = {
        "<row r=\"2147483647\"><c><v>1</v></c></row><row><c><v>2</v></c></row>",
        "<row r=\"-4\"><c r=\"A0\"><v>1</v></c><c r=\"XFE1\"><v>2</v></c><c r=\"\"><v>3</v></c></row>",
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>99</v></c><c r=\"B1\" t=\"s\"><v>x</v></c>"
        "<c r=\"C1\" s=\"99999999999\"><v>1</v></c><c r=\"D1\" s=\"-1\"><v>1</v></c></row>",
        "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>_xD800_</t></is></c><c r=\"B1\" t=\"d\"><v>x</v></c>"
        "<c r=\"C1\" t=\"b\"><v/></c><c r=\"D1\"><v></v></c><c r=\"E1\" t=\"n\"><v>1e999</v></c></row>",
    };
    for (const auto& rows : cases) {
        const std::string path = fixture_with_sheet(
            scratch_.file("damaged.xlsx"),
            "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
            "<dimension ref=\"\"/><cols><col min=\"-1\" max=\"99999999\" style=\"7\"/></cols><sheetData>" +
                rows + "</sheetData></worksheet>");
        auto app = office::Application::Start();
        auto ws = app->WorkbooksOpen(path)->Worksheets(1);
        for (int32_t col = 1; col <= 6; ++col) {
            try {
                ws->Cells(1, col).Value().ToText();
                ws->Cells(2, col).Value().ToText();
            } catch (const office::Error&) {
            }
        }
        ws->Cells(1, 1).SetValue("written");
        ws->Cells(1, 2).SetColorIndex(6);
        ws->Parent()->Save();
        app->Quit();
        auto again = office::Application::Start();
        EXPECT_EQ(again->WorkbooksOpen(path)->Worksheets(1)->Cells(1, 1).Value().text, "written") << rows;
        again->Quit();
    }
}

TEST_F(SpreadsheetTest, StoredNumbersOutsideTheCalendarOrNotFiniteAreNoDates) {
    // column C has the date style; Excel shows such values as numbers
    const std::string path = fixture_with_sheet(
        scratch_.file("odd.xlsx"),
        std::string(kSheetHead) +
            "<row r=\"1\"><c r=\"C1\" s=\"2\"><v>1E+300</v></c><c r=\"D1\" s=\"2\"><v>-5</v></c>"
            "<c r=\"E1\" s=\"2\"><v>2958466</v></c><c r=\"F1\" s=\"2\"><v>2958465.5</v></c>"
            "<c r=\"G1\"><v>inf</v></c><c r=\"H1\" s=\"2\"><v>nan</v></c></row></sheetData></worksheet>");
    auto app = office::Application::Start();
    auto ws = app->WorkbooksOpen(path)->Worksheets(1);
    struct Case {
        int32_t col;
        CellValue::Kind kind;
        const char* text;
    } cases[] = {
        {3, CellValue::Number, "1E+300"},
        {4, CellValue::Number, "-5"},
        {5, CellValue::Number, "2958466"},
        {6, CellValue::Date, "9999-12-31 12:00:00"},
    };
    for (const auto& c : cases) {
        const CellValue v = ws->Cells(1, c.col).Value();
        EXPECT_EQ(v.kind, c.kind) << c.col;
        EXPECT_EQ(v.ToText(), c.text) << c.col;
    }
    EXPECT_THROW(ws->Cells(1, 7).Value(), office::Error);
    EXPECT_THROW(ws->Cells(1, 8).Value(), office::Error);
    EXPECT_EQ(CellValue({CellValue::Date, -1e300, ""}).ToText(), "-1E+300");
    app->Quit();
}

TEST_F(SpreadsheetTest, ValuesNoWorkbookCanHoldAreRefusedOrCut) {
    auto app = office::Application::Start();
    auto book = app->WorkbooksAdd();
    auto ws = book->Worksheets(1);
    for (double bad : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                       std::numeric_limits<double>::quiet_NaN()})
        EXPECT_THROW(ws->Cells(1, 1).SetValue(bad), office::Error);
    EXPECT_EQ(ws->Cells(1, 1).Value().kind, CellValue::Empty);
    // a cell holds at most 32767 characters, as in the spreadsheet program
    const std::string longest(32767, 'a');
    ws->Cells(1, 1).SetValue(longest + "bc");
    ws->Cells(1, 2).SetValue(std::string(32766, 'a') + "\xC3\xA9\xC3\xA9");
    ws->SetName("'quoted'");
    ws->AutoFitColumn(1);
    const std::string path = scratch_.file("limits.xlsx");
    book->SaveAs(path);
    app->Quit();
    auto again = office::Application::Start();
    auto rs = again->WorkbooksOpen(path)->Worksheets(1);
    EXPECT_EQ(rs->Name(), "_quoted_");
    EXPECT_EQ(rs->Cells(1, 1).Value().text, longest);
    EXPECT_EQ(rs->Cells(1, 2).Value().text, std::string(32766, 'a') + "\xC3\xA9");
    rs->Cells(2, 1).SetValue(longest + "x");
    rs->Parent()->Save();
    again->Quit();
    auto third = office::Application::Start();
    EXPECT_EQ(third->WorkbooksOpen(path)->Worksheets(1)->Cells(2, 1).Value().text, longest);
    third->Quit();
}

TEST_F(SpreadsheetTest, ALongFieldOfACommaSeparatedFileIsCut) {
    const std::string csv = scratch_.file("long.csv");
    testsupport::write_bytes(csv, "a," + std::string(40000, 'x') + "\r\n");
    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(csv);
    const std::string xlsx = scratch_.file("long.xlsx");
    book->SaveAs(xlsx);
    app->Quit();
    auto again = office::Application::Start();
    EXPECT_EQ(again->WorkbooksOpen(xlsx)->Worksheets(1)->Cells(1, 2).Value().text, std::string(32767, 'x'));
    again->Quit();
}

TEST_F(SpreadsheetTest, EscapedCharactersInCellTextAreReadAndKept) {
    const std::string path = fixture_with_sheet(
        scratch_.file("escapes.xlsx"),
        std::string(kSheetHead) +
            "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a_x000D_b</t></is></c></row></sheetData></worksheet>");
    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(path);
    auto ws = book->Worksheets(1);
    EXPECT_EQ(ws->Cells(1, 1).Value().text, "a\rb");
    ws->Cells(1, 2).SetValue("_x0041_ stays");
    book->Save();
    app->Quit();
    auto again = office::Application::Start();
    auto rs = again->WorkbooksOpen(path)->Worksheets(1);
    EXPECT_EQ(rs->Cells(1, 1).Value().text, "a\rb");
    EXPECT_EQ(rs->Cells(1, 2).Value().text, "_x0041_ stays");
    again->Quit();
}

TEST_F(SpreadsheetTest, ReleaseSavesEveryWorkbookBeforeReportingAFailure) {
    fs::create_directory(scratch_.path() / "gone");
    const std::string lost = fixture("gone/lost.xlsx");
    const std::string kept = fixture("kept.xlsx");
    auto app = office::Application::Start();
    app->WorkbooksOpen(lost)->Worksheets(1)->Cells(1, 1).SetValue("x");
    app->WorkbooksOpen(kept)->Worksheets(1)->Cells(1, 1).SetValue("y");
    fs::remove_all(scratch_.path() / "gone");
    EXPECT_THROW(app->Release(), office::Error);
    auto again = office::Application::Start();
    EXPECT_EQ(again->WorkbooksOpen(kept)->Worksheets(1)->Cells(1, 1).Value().text, "y");
    again->Quit();
}

TEST_F(SpreadsheetTest, OnlyAnUnknownPaletteIndexIsRefused) {
    auto app = office::Application::Start();
    auto ws = app->WorkbooksOpen(fixture())->Worksheets(1);
    EXPECT_THROW(ws->Cells(1, 1).SetColorIndex(57), office::Error);
    EXPECT_THROW(ws->Cells(1, 1).SetColorIndex(-3), office::Error);
    EXPECT_TRUE(ws->Parent()->Saved());
    app->Quit();
}

TEST_F(SpreadsheetTest, EditsKeepTheFormulaChainWhenNoFormulaIsTouched) {
    const std::string path = fixture();
    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(path);
    book->Worksheets(1)->Cells(5, 1).SetValue("x");
    book->Save();
    app->Quit();
    const auto parts = package_parts(path);
    EXPECT_EQ(parts.count("xl/calcChain.xml"), 1u);
    EXPECT_EQ(parts.at("xl/styles.xml"), testsupport::fixture_workbook_parts()[7].second);
}

TEST_F(SpreadsheetTest, RenamedWorksheetIsWrittenToTheWorkbook) {
    const std::string path = fixture();
    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(path);
    book->Worksheets(2)->SetName("Out: a/b");
    EXPECT_THROW(book->Worksheets(2)->SetName("data"), office::Error);  // names are unique in any case
    book->Save();
    app->Quit();
    auto again = office::Application::Start();
    EXPECT_EQ(again->WorkbooksOpen(path)->Worksheets(2)->Name(), "Out_ a_b");
    again->Quit();
}

TEST(SheetNames, MatchWithoutRegardToCase) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"Data", "dATA", true},
        {"Donn\xC3\xA9"
         "es",
         "DONN\xC3\x89"
         "ES",
         true},                                          // e acute
        {"\xC3\x85land", "\xC3\xA5LAND", true},          // A ring
        {"\xC5\x92uvre", "\xC5\x93UVRE", true},          // OE ligature
        {"\xC5\xB8", "\xC3\xBF", true},                  // Y diaeresis
        {"\xC4\xBD", "\xC4\xBE", true},                  // L caron
        {"\xCE\x94", "\xCE\xB4", true},                  // Greek delta
        {"\xD0\x94\xD0\x81", "\xD0\xB4\xD1\x91", true},  // Cyrillic de, yo
        {"\xC3\x97", "\xC3\xB7", false},                 // times is no capital of divide
        {"Donn\xC3\xA9"
         "es",
         "Donnees", false},
        {"\xC4\xB0", "\xC4\xB1", false},  // dotted and dotless I stay apart
    };
    for (const auto& c : cases) EXPECT_EQ(office::SheetNamesMatch(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST_F(SpreadsheetTest, SheetNamesWithAccentsAreFoundAndKeptUnique) {
    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(fixture());
    book->Worksheets(2)->SetName("R\xC3\xA9sultats");
    EXPECT_EQ(book->Worksheets("R\xC3\x89SULTATS"), book->Worksheets(2));
    EXPECT_THROW(book->Worksheets(1)->SetName("R\xC3\x89SULTATS"), office::Error);
    app->Quit();
}

// ---- new workbooks ------------------------------------------------------------

TEST_F(SpreadsheetTest, NewWorkbookWithColumnFormatsAndFittedWidths) {
    auto app = office::Application::Start();
    auto book = app->WorkbooksAdd();
    auto ws = book->Worksheets(1);
    EXPECT_EQ(ws->Name(), "Sheet1");
    ws->SetName("a_name_longer_than_thirty_one_characters");
    EXPECT_EQ(ws->Name(), "a_name_longer_than_thirty_one_c");
    ws->SetName("extract");
    const std::vector<std::string> formats = {"@", "0", "0.0", "0.00", "###0.000000", "yyyy-mm-dd;@"};
    for (size_t i = 0; i < formats.size(); ++i) ws->SetColumnNumberFormat(static_cast<int32_t>(i + 1), formats[i]);
    ws->SetRow(1, 1, {"ACCASE", "TOTALKLD", "KMMARK", "ROAD_WT", "Latitude", "CLSNDATE"});
    ws->SetRow(2, 1, {"0012", "1", "12.35", "0.5", "49.1", "2015-01-03"});
    ws->SetRow(3, 1, {"A-9", "x", "", "", "-123.4567891", "not a date"});
    for (int32_t c = 5; c <= 6; ++c) ws->AutoFitColumn(c);
    EXPECT_DOUBLE_EQ(ws->ColumnWidth(1), 8.43);  // not fitted
    EXPECT_DOUBLE_EQ(ws->ColumnWidth(5), 12.0);  // "-123.456789"
    EXPECT_DOUBLE_EQ(ws->ColumnWidth(6), 11.0);  // "not a date"

    const std::string path = scratch_.file("new.xlsx");
    book->SaveAs(path);
    EXPECT_EQ(book->FullName(), fs::absolute(path).string());
    app->Quit();

    auto again = office::Application::Start();
    auto rs = again->WorkbooksOpen(path)->Worksheets(1);
    EXPECT_EQ(rs->Name(), "extract");
    for (size_t i = 0; i < formats.size(); ++i) {
        EXPECT_EQ(rs->Cells(2, static_cast<int32_t>(i + 1)).NumberFormat(), formats[i]);
        EXPECT_EQ(rs->Cells(50, static_cast<int32_t>(i + 1)).NumberFormat(), formats[i]) << "whole column";
    }
    EXPECT_EQ(rs->Cells(2, 1).Value().text, "0012");
    EXPECT_EQ(rs->Cells(2, 2).Value().kind, CellValue::Number);
    EXPECT_EQ(rs->Cells(2, 3).Value().ToText(), "12.35");
    EXPECT_EQ(rs->Cells(2, 5).Value().ToText(), "49.1");
    EXPECT_EQ(rs->Cells(2, 6).Value().kind, CellValue::Date);
    EXPECT_EQ(rs->Cells(2, 6).Value().ToText(), "2015-01-03");
    EXPECT_EQ(rs->Cells(3, 2).Value().text, "x");
    EXPECT_EQ(rs->Cells(3, 3).Value().kind, CellValue::Empty);
    EXPECT_EQ(rs->Cells(3, 6).Value().text, "not a date");
    const auto parts = package_parts(path);
    EXPECT_NE(parts.at("xl/worksheets/sheet1.xml").find("width=\"12"), std::string::npos);
    again->Quit();
}

TEST_F(SpreadsheetTest, CommaSeparatedFileOpenedAndSavedAsWorkbook) {
    const std::string csv = scratch_.file("fatal onemonth.csv");
    testsupport::write_bytes(csv,
                             "\"CLSNDATE\",\"ACCASE\",KM\r\n"
                             "\"2015-01-03\",\"0012\",12.5\r\n"
                             "2015-01-09,\"a, \"\"quoted\"\" one\",\r\n"
                             "\r\n"
                             "\"two\nlines\",x\xE9,-1");
    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(csv);
    EXPECT_EQ(book->FullName(), csv);
    auto ws = app->ActiveWorksheet();
    EXPECT_EQ(ws->Name(), "fatal onemonth");
    EXPECT_THROW(book->Save(), office::Error);  // a CSV is saved as a workbook only
    const std::string xlsx = scratch_.file("fatal_data_2015-01.xlsx");
    app->ActiveWorkbook()->SaveAs(xlsx, office::xlOpenXMLWorkbook);
    book->Close();
    EXPECT_EQ(app->WorkbookCount(), 0);
    app->Quit();

    auto again = office::Application::Start();
    auto rs = again->WorkbooksOpen(xlsx)->Worksheets(1);
    struct Cell {
        int32_t row, col;
        const char* text;
        CellValue::Kind kind;
    } cells[] = {
        {1, 1, "CLSNDATE", CellValue::Text},
        {2, 1, "2015-01-03", CellValue::Text},
        {2, 2, "12", CellValue::Number},
        {2, 3, "12.5", CellValue::Number},
        {3, 2, "a, \"quoted\" one", CellValue::Text},
        {3, 3, "", CellValue::Empty},
        {4, 1, "", CellValue::Empty},
        {5, 1, "two\nlines", CellValue::Text},
        {5, 2, "x\xC3\xA9", CellValue::Text},
        {5, 3, "-1", CellValue::Number},
    };
    for (const auto& c : cells) {
        const CellValue v = rs->Cells(c.row, c.col).Value();
        EXPECT_EQ(v.kind, c.kind) << c.row << "," << c.col;
        EXPECT_EQ(v.ToText(), c.text) << c.row << "," << c.col;
    }
    again->Quit();
}

TEST_F(SpreadsheetTest, AByteOrderMarkIsNoPartOfTheFirstField) {
    const std::string csv = scratch_.file("marked.csv");
    testsupport::write_bytes(csv, "\xEF\xBB\xBF\"CLSNDATE\",KM\r\n2015-01-03,12.5\r\n");
    auto app = office::Application::Start();
    auto ws = app->WorkbooksOpen(csv)->Worksheets(1);
    EXPECT_EQ(ws->Cells(1, 1).Value().text, "CLSNDATE");
    EXPECT_EQ(ws->Cells(2, 2).Value().ToText(), "12.5");
    app->Quit();
}

TEST_F(SpreadsheetTest, FillsOfANewWorkbookReadBackAsTheirPaletteIndex) {
    auto app = office::Application::Start();
    auto book = app->WorkbooksAdd();
    auto ws = book->Worksheets(1);
    for (int16_t i : {45, 38, 6}) ws->Cells(i, 1).SetColorIndex(i);
    const std::string path = scratch_.file("fills.xlsx");
    book->SaveAs(path);
    app->Quit();
    auto again = office::Application::Start();
    auto rs = again->WorkbooksOpen(path)->Worksheets(1);
    for (int16_t i : {45, 38, 6}) EXPECT_EQ(rs->Cells(i, 1).ColorIndex(), i);
    EXPECT_EQ(rs->Cells(1, 1).ColorIndex(), 0);
    again->Quit();
}

TEST_F(SpreadsheetTest, ColumnFormatsAreOnlyForWorkbooksWrittenAnew) {
    auto app = office::Application::Start();
    auto ws = app->WorkbooksOpen(fixture())->Worksheets(1);
    EXPECT_THROW(ws->SetColumnNumberFormat(1, "@"), office::Error);
    EXPECT_THROW(ws->AutoFitColumn(1), office::Error);
    app->Quit();
}

// ---- the application ----------------------------------------------------------

TEST_F(SpreadsheetTest, NoRunningApplicationIsEverFound) {
    EXPECT_EQ(office::Application::GetRunning(), nullptr);
}

TEST_F(SpreadsheetTest, ReleaseSavesAChangedWorkbookInPlaceWithABackup) {
    const std::string path = fixture();
    const std::string original = testsupport::read_bytes(path);
    auto app = office::Application::Start();
    app->SetWindowState(office::xlNormal);
    app->SetInteractive(false);
    auto ws = app->WorkbooksOpen(path)->Worksheets(1);
    ws->Cells(2, 7).SetValue("0550");
    app->SetInteractive(true);
    app->Release();
    EXPECT_TRUE(launcher_->calls.empty());  // not visible: nothing shown
    EXPECT_EQ(testsupport::read_bytes(office::BackupName(path)), original);
    EXPECT_THROW(ws->Cells(2, 7).Value(), office::Error);  // let go of
    EXPECT_THROW(app->WorkbooksAdd(), office::Error);

    auto again = office::Application::Start();
    EXPECT_EQ(again->WorkbooksOpen(path)->Worksheets(1)->Cells(2, 7).Value().ToText(), "550");
    again->Quit();
    // no temporary files are left beside it
    int files = 0;
    for (const auto& e : fs::directory_iterator(scratch_.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 2);
}

TEST_F(SpreadsheetTest, ReleaseOfAnUnchangedWorkbookWritesNothing) {
    const std::string path = fixture();
    const auto stamp = fs::last_write_time(path);
    auto app = office::Application::Start();
    app->WorkbooksOpen(path)->Worksheets(1)->Cells(1, 1).Value();
    app->Release();
    EXPECT_EQ(fs::last_write_time(path), stamp);
    EXPECT_FALSE(fs::exists(office::BackupName(path)));
}

TEST_F(SpreadsheetTest, VisibleWorkbooksAreShownInTheDesktopProgramWhenReleased) {
    const std::string path = fixture();
    auto app = office::Application::Start();
    app->WorkbooksOpen(path);
    auto fresh = app->WorkbooksAdd();
    fresh->Worksheets(1)->SetName("cde_extract");
    fresh->Worksheets(1)->Cells(1, 1).SetValue("ACCASE");
    app->SetVisible(true);
    EXPECT_TRUE(launcher_->calls.empty());
    app->Release();

    const std::string saved = (scratch_.path() / "cde_extract.xlsx").string();
    ASSERT_EQ(launcher_->calls.size(), 2u);
    EXPECT_EQ(launcher_->calls[0].argv, (std::vector<std::string>{"xdg-open", fs::absolute(path).string()}));
    EXPECT_EQ(launcher_->calls[1].argv, (std::vector<std::string>{"xdg-open", saved}));
    EXPECT_FALSE(fs::exists(office::BackupName(path)));  // unchanged: not saved
    auto again = office::Application::Start();
    EXPECT_EQ(again->WorkbooksOpen(saved)->Worksheets(1)->Cells(1, 1).Value().text, "ACCASE");
    again->Quit();
}

TEST_F(SpreadsheetTest, ANewWorkbookTakesNoFileStillInUse) {
    // an earlier result is still open in the desktop program
    const std::string earlier = scratch_.file("cde_extract.xlsx");
    testsupport::write_bytes(earlier, "earlier result");
    testsupport::write_bytes(scratch_.file(".~lock.cde_extract.xlsx#"), "user");
    auto app = office::Application::Start();
    for (const char* text : {"first", "second"}) {
        auto book = app->WorkbooksAdd();
        book->Worksheets(1)->SetName("cde_extract");
        book->Worksheets(1)->Cells(1, 1).SetValue(text);
    }
    app->SetVisible(true);
    app->Release();
    EXPECT_EQ(testsupport::read_bytes(earlier), "earlier result");
    const std::string second = scratch_.file("cde_extract (2).xlsx"), third = scratch_.file("cde_extract (3).xlsx");
    ASSERT_EQ(launcher_->calls.size(), 2u);
    EXPECT_EQ(launcher_->calls[0].argv, (std::vector<std::string>{"xdg-open", second}));
    EXPECT_EQ(launcher_->calls[1].argv, (std::vector<std::string>{"xdg-open", third}));
    auto again = office::Application::Start();
    EXPECT_EQ(again->WorkbooksOpen(second)->Worksheets(1)->Cells(1, 1).Value().text, "first");
    EXPECT_EQ(again->WorkbooksOpen(third)->Worksheets(1)->Cells(1, 1).Value().text, "second");
    again->Quit();
}

TEST_F(SpreadsheetTest, AProgramThatCannotBeStartedIsReported) {
    launcher_->result = shell::LaunchResult{false, 2, "No such file or directory", -1};
    auto app = office::Application::Start();
    app->WorkbooksOpen(fixture());
    app->SetVisible(true);
    EXPECT_THROW(app->Release(), office::Error);
}

TEST_F(SpreadsheetTest, QuitDiscardsChanges) {
    const std::string path = fixture();
    const std::string original = testsupport::read_bytes(path);
    auto app = office::Application::Start();
    auto book = app->WorkbooksOpen(path);
    book->Worksheets(1)->Cells(1, 1).SetValue("changed");
    app->SetVisible(true);
    app->Quit();
    EXPECT_EQ(testsupport::read_bytes(path), original);
    EXPECT_TRUE(launcher_->calls.empty());
    EXPECT_THROW(book->Worksheets(1), office::Error);
}

TEST_F(SpreadsheetTest, SecondOpenOfTheSameFileGivesTheSameWorkbook) {
    const std::string path = fixture();
    auto app = office::Application::Start();
    auto a = app->WorkbooksOpen(path);
    auto b = app->WorkbooksOpen(path);
    EXPECT_EQ(a, b);
    EXPECT_EQ(app->WorkbookCount(), 1);
    app->Quit();
}

TEST_F(SpreadsheetTest, LockFileOfAnotherProgramMeansInUse) {
    const std::string path = fixture("Book One.xlsx");
    struct Case {
        const char* lock;
        bool in_use;
    } cases[] = {
        {nullptr, false},          {".~lock.Book One.xlsx#", true},
        {"~$Book One.xlsx", true}, {".~lock.Other.xlsx#", false},
        {"~$Other.xlsx", false},
    };
    for (const auto& c : cases) {
        const std::string lock = c.lock ? scratch_.file(c.lock) : "";
        if (c.lock) testsupport::write_bytes(lock, "user");
        EXPECT_EQ(office::WorkbookInUse(path), c.in_use) << (c.lock ? c.lock : "no lock");
        if (c.lock) fs::remove(lock);
    }
}

TEST(BackupNames, SitBesideTheWorkbook) {
    EXPECT_EQ(office::BackupName("/d/Book.xlsx"), "/d/Book.bak.xlsx");
    EXPECT_EQ(office::BackupName("/d/a.b.xlsx"), "/d/a.b.bak.xlsx");
}

}  // namespace
