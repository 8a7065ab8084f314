#include "inventory/Worksheet_Run.h"

#include <cmath>

#include "app/SelFile.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/Excel_Util.h"
#include "common/HMZ_util_noDB.h"
#include "platform/ui/ui.h"

WorksheetRun::~WorksheetRun() {
    if (!app_) return;
    if (rows_begun_)
        Finish();
    else
        Abandon();
}

bool WorksheetRun::Open(const std::string& file, const std::string& sheet) {
    attached_ = sheet == "active";
    ReadFailed = false;
    try {
        XL_GetWorksheet(file, sheet, app_, Ws);
    } catch (const office::Error& e) {
        app_ = nullptr;
        Ws = nullptr;
        ReadFailed = true;
        ui::MsgBox("Cannot read the Excel file " + file + "\r\n" + e.description(), ui::vbExclamation,
                   ui::kProgramTitle);
        return false;
    }
    if (!Ws) app_ = nullptr;
    return Ws != nullptr;
}

void WorksheetRun::BeginRows() {
    rows_begun_ = true;
    app_->SetWindowState(office::xlNormal);
    app_->SetVisible(true);
    app_->SetInteractive(false);
}

void WorksheetRun::Finish() {
    if (!app_) return;
    office::ApplicationRef app = std::move(app_);
    Ws = nullptr;
    try {
        app->SetInteractive(true);
        app->Release();
    } catch (const std::exception& e) {
        ui::MsgBox(std::string("The Excel workbook could not be saved or shown:\r\n") + e.what(), ui::vbExclamation,
                   ui::kProgramTitle);
    }
}

void WorksheetRun::Abandon() {
    if (!app_) return;
    office::ApplicationRef app = std::move(app_);
    Ws = nullptr;
    try {
        if (attached_)
            app->Release();
        else
            app->Quit();
    } catch (const std::exception&) {
        // nothing was changed; there is nothing to report
    }
}

void Refuse_Input(const std::string& message, ui::TextBox& box) {
    ui::MsgBox(message, ui::vbExclamation, ui::kProgramTitle);
    box.SetFocus();
}

bool Int16_Text(const std::string& text, int16_t& value) {
    const std::string t = TrimSpaces(text);
    std::size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    if (i >= t.size()) return false;
    long v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
        if (v > 32768) return false;
    }
    if (t[0] == '-') v = -v;
    if (v > 32767 || v < -32768) return false;
    value = static_cast<int16_t>(v);
    return true;
}

bool Check_Rows(ui::TextBox& txtFirstRow, ui::TextBox& txtLastRow, int16_t& firstRow, int16_t& lastRow) {
    firstRow = 0;
    lastRow = 0;
    if (TrimSpaces(txtFirstRow.Text()).empty()) {
        Refuse_Input("Enter the first row to process.", txtFirstRow);
        return false;
    }
    if (!Int16_Text(txtFirstRow.Text(), firstRow) || firstRow <= 0) {
        firstRow = 0;
        Refuse_Input("Invalid first row.  Enter a positive integer.", txtFirstRow);
        return false;
    }
    if (TrimSpaces(txtLastRow.Text()).empty()) return true;
    if (!Int16_Text(txtLastRow.Text(), lastRow)) {
        lastRow = 0;
        Refuse_Input("Invalid last row.  Enter an integer or blank for last data row.", txtLastRow);
        return false;
    }
    return true;
}

bool Check_Column(ui::TextBox& box, bool required, int16_t& column) {
    column = 0;
    const std::string text = TrimSpaces(box.Text());
    if (!text.empty()) {
        column = ColNumber(text);
        if (column < 1) {
            column = 0;
            Refuse_Input("Enter a valid Excel column number or letter.", box);
            return false;
        }
        return true;
    }
    if (required) {
        Refuse_Input("Enter the number or letter of a column in the Excel worksheet.", box);
        return false;
    }
    return true;
}

bool Check_Location_Columns(const LocationColumns& first, const LocationColumns& second) {
    if (!Check_Column(first.Seg, true, first.colSeg)) return false;
    if (!Check_Column(first.Km, true, first.colKm)) return false;
    if (!Check_Column(second.Seg, false, second.colSeg)) return false;
    if (second.colSeg > 0) {
        if (!Check_Column(second.Km, false, second.colKm)) return false;
        if (second.colKm == 0) second.colSeg = 0;  // a blank second km: one location a row
    }
    if (!Check_Column(first.Out1, true, first.colOut1)) return false;
    if (!Check_Column(first.Out2, true, first.colOut2)) return false;
    if (second.colSeg > 0) {
        if (!Check_Column(second.Out1, true, second.colOut1)) return false;
        if (!Check_Column(second.Out2, true, second.colOut2)) return false;
    }
    return true;
}

bool Check_Workbook_Choice(bool activeSheet, ui::TextBox& txtExcelFileName, ui::TextBox& txtWorksheet,
                           std::string& file, std::string& sheet) {
    if (activeSheet) {
        sheet = "active";
        file.clear();
        return true;
    }
    file = TrimSpaces(txtExcelFileName.Text());
    if (file.empty()) {
        Refuse_Input("Enter the full Excel file name.", txtExcelFileName);
        return false;
    }
    // The first-run workbook is the user's own copy of the sample's, made at
    // its first use.
    if (!Make_Sample_Working_Copy(file) || !FileExists(file)) {
        Refuse_Input("File " + file + " NOT FOUND.", txtExcelFileName);
        return false;
    }
    sheet = TrimSpaces(txtWorksheet.Text());
    return true;
}

std::string Cell_Segment(const office::CellValue& v) {
    if (v.kind == office::CellValue::Number && v.number >= 0 && v.number < 10000 && v.number == std::floor(v.number)) {
        std::string code = std::to_string(static_cast<int>(v.number));
        return std::string(4 - code.size(), '0') + code;
    }
    return Pad_Code4(TrimSpaces(v.ToText()));
}

void Show_Row_Error(int32_t row, const std::exception& e) {
    ui::MsgBox("Error at Excel row " + std::to_string(row) + ":\r\n" + e.what(), ui::vbExclamation,
               ui::kProgramTitle);
}

void Enable_Workbook_Boxes(const ui::OptionButton& optExcelFile, ui::TextBox& txtExcelFileName,
                           ui::TextBox& txtWorksheet) {
    const bool on = optExcelFile.Value();
    txtExcelFileName.SetEnabled(on);
    txtWorksheet.SetEnabled(on);
}

void Default_Workbook_Choice(ui::OptionButton& optActiveSheet, ui::OptionButton& optExcelFile) {
    // No spreadsheet program here lends its active worksheet, so a file is
    // the choice that works.
    if (!optActiveSheet.Value() && !optExcelFile.Value()) optExcelFile.SetValue(true);
}

void Browse_Workbook(ui::TextBox& txtExcelFileName) {
    SelFileFilter = "Excel files|*.xls*";
    SelectFile(txtExcelFileName, "Excel file", "", "Read");
}
