// The workbooks the layer writes, opened in a real spreadsheet program
// (LibreOffice, headless): what it reads must be what was written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/office/spreadsheet.h"
#include "platform/shell/shell.h"
#include "tests/support/soffice.h"
#include "tests/support/xlsx_fixture.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ScratchFolder;
using Rows = std::vector<std::vector<std::string>>;

Rows parse_csv(const std::string& text) {
    Rows rows(1);
    std::string field;
    bool quoted = false, any = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.empty()) rows.back().push_back(field);
    if (rows.back().empty()) rows.pop_back();
    return rows;
}

class Interop : public ::testing::Test {
protected:
    void SetUp() override { shell::SetLauncher(nullptr); }

    // Converts a file with LibreOffice into the output folder; returns the result's path.
    std::string convert(const std::string& file, const std::string& to, const std::string& extension) {
        const fs::path out = work_.path() / ("out_" + std::to_string(++conversions_));
        fs::create_directories(out);
        testsupport::soffice_convert(file, to, out.string(), profile_.path().string());
        const fs::path result = out / (fs::path(file).stem().string() + "." + extension);
        EXPECT_TRUE(fs::exists(result)) << "soffice did not convert " << file;
        return result.string();
    }

    Rows as_csv(const std::string& workbook) {
        // comma, double quote, UTF-8, from line 1, cells as shown (with their number formats)
        return parse_csv(testsupport::read_bytes(
            convert(workbook, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true", "csv")));
    }

    ScratchFolder work_, profile_;
    int conversions_ = 0;
};

TEST_F(Interop, FormattedNewWorkbookShowsItsValuesAsWritten) {
    auto app = office::Application::Start();
    auto book = app->WorkbooksAdd();
    auto ws = book->Worksheets(1);
    ws->SetName("extract");
    const std::vector<std::string> formats = {"@", "0", "0.0", "0.00", "###0.000000", "yyyy-mm-dd;@", "General"};
    for (size_t i = 0; i < formats.size(); ++i) ws->SetColumnNumberFormat(static_cast<int32_t>(i + 1), formats[i]);
    ws->SetRow(1, 1, {"ACCASE", "TOTALKLD", "KMMARK", "ROAD_WT", "Latitude", "CLSNDATE", "Other"});
    ws->SetRow(2, 1, {"0012", "2", "12.34", "0.5", "49.1", "2015-01-03", "0550"});
    ws->SetRow(3, 1, {"12.5", "x", "7", "", "-123.4567891", "not a date", "OFF "});
    ws->AutoFitColumn(5);
    ws->AutoFitColumn(6);
    const std::string path = work_.file("formatted.xlsx");
    book->SaveAs(path);
    app->Quit();

    const Rows expected = {
        {"ACCASE", "TOTALKLD", "KMMARK", "ROAD_WT", "Latitude", "CLSNDATE", "Other"},
        {"0012", "2", "12.3", "0.50", "49.100000", "2015-01-03", "550"},
        {"12.5", "x", "7.0", "", "-123.456789", "not a date", "OFF "},
    };
    EXPECT_EQ(as_csv(path), expected);
}

TEST_F(Interop, CommaSeparatedFileSavedAsWorkbookReadsTheSame) {
    const std::string csv = work_.file("onemonth.csv");
    testsupport::write_bytes(csv,
                             "\"CLSNDATE\",\"ACCASE\",\"KMMARK\",\"NOTE\"\r\n"
                             "\"2015-01-03\",\"0012\",\"12.5\",\"a, \"\"quoted\"\" one\"\r\n"
                             "\"2015-01-09\",\"A-9\",\"-1\",\"\"\r\n");
    auto app = office::Application::Start();
    app->WorkbooksOpen(csv);
    const std::string xlsx = work_.file("fatal_data_2015-01.xlsx");
    app->ActiveWorkbook()->SaveAs(xlsx);
    app->ActiveWorkbook()->Close();
    app->Quit();

    const Rows expected = {
        {"CLSNDATE", "ACCASE", "KMMARK", "NOTE"},
        {"2015-01-03", "12", "12.5", "a, \"quoted\" one"},
        {"2015-01-09", "A-9", "-1", ""},
    };
    EXPECT_EQ(as_csv(xlsx), expected);
}

// Edits with fills in a workbook written by the layer and in one written by
// LibreOffice itself; the fills come back as the same palette indexes.
TEST_F(Interop, EditedWorkbooksKeepTheirEditsAndFills) {
    const std::string ours = work_.file("ours.xlsx");
    {
        auto app = office::Application::Start();
        auto book = app->WorkbooksAdd();
        book->Worksheets(1)->SetRow(1, 1, {"Seg", "Km", "TgtSeg", "TgtKm"});
        book->Worksheets(1)->SetRow(2, 1, {"0550", "12.43", "", ""});
        book->Worksheets(1)->SetRow(3, 1, {"1234", "0.5", "old", "9"});
        book->SaveAs(ours);
        app->Quit();
    }
    const std::string source_csv = work_.file("theirs.csv");
    testsupport::write_bytes(source_csv, "Seg,Km,TgtSeg,TgtKm\n550,12.43,,\n1234,0.5,old,9\n");
    const std::string theirs = convert(source_csv, "xlsx", "xlsx");

    for (const std::string& path : {ours, theirs}) {
        SCOPED_TRACE(path);
        auto app = office::Application::Start();
        auto ws = app->WorkbooksOpen(path)->Worksheets(1);
        ws->Cells(2, 3).SetValue("0550");
        ws->Cells(2, 4).SetValue("12.30");
        ws->Cells(3, 3).SetValue("BAD");
        ws->Cells(3, 4).ClearContents();
        ws->Cells(4, 3).SetValue("OFF ");
        ws->Cells(2, 3).SetColorIndex(38);
        ws->Cells(2, 4).SetColorIndex(38);
        ws->Cells(3, 3).SetColorIndex(45);
        ws->Cells(3, 4).SetColorIndex(45);
        ws->Cells(4, 3).SetColorIndex(6);
        app->Release();  // saved in place

        const Rows expected = {
            {"Seg", "Km", "TgtSeg", "TgtKm"},
            {"550", "12.43", "550", "12.3"},
            {"1234", "0.5", "BAD", ""},
            {"", "", "OFF ", ""},
        };
        EXPECT_EQ(as_csv(path), expected);

        const std::string resaved = convert(path, "xlsx", "xlsx");
        auto check = office::Application::Start();
        auto rs = check->WorkbooksOpen(resaved)->Worksheets(1);
        EXPECT_EQ(rs->Cells(2, 3).ColorIndex(), 38);
        EXPECT_EQ(rs->Cells(2, 4).ColorIndex(), 38);
        EXPECT_EQ(rs->Cells(3, 3).ColorIndex(), 45);
        EXPECT_EQ(rs->Cells(3, 4).ColorIndex(), 45);
        EXPECT_EQ(rs->Cells(4, 3).ColorIndex(), 6);
        EXPECT_EQ(rs->Cells(2, 1).ColorIndex(), 0);
        EXPECT_EQ(rs->Cells(3, 3).Value().text, "BAD");
        check->Quit();
    }
}

}  // namespace
