// What the two worksheet windows share: the worksheet of one run, opened by
// the spreadsheet helpers and let go of on every path, the checks of their
// row and column boxes, and their workbook boxes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/office/spreadsheet.h"
#include "platform/ui/forms.h"

// The spreadsheet side of one run. The application is put back to
// interactive and let go of when the run ends, however it ends: a workbook
// the rows changed is then saved in place (its previous file kept as a
// backup) and shown in the desktop's spreadsheet program. An application the
// run attached to is never told to quit.
class WorksheetRun {
public:
    WorksheetRun() = default;
    ~WorksheetRun();
    WorksheetRun(const WorksheetRun&) = delete;
    WorksheetRun& operator=(const WorksheetRun&) = delete;

    // The worksheet of file and sheet ("active" for the active sheet); false
    // when there is none (the helpers said why) or, after a box saying so,
    // when the workbook cannot be read.
    bool Open(const std::string& file, const std::string& sheet);
    office::WorksheetRef Ws;
    // The last Open failed on a workbook that could not be read.
    bool ReadFailed = false;

    // Normal window state, visible, not interactive while the rows run.
    void BeginRows();
    // Interactive again and let go of; a failed save is shown in a box.
    void Finish();
    // Ends a run before any row: a started application quits, an attached
    // one is let go of.
    void Abandon();

private:
    office::ApplicationRef app_;
    bool attached_ = false;
    bool rows_begun_ = false;
};

// A box with the exclamation icon titled "Tessawin", then the focus to box.
void Refuse_Input(const std::string& message, ui::TextBox& box);

// A whole number written as one ("12", " -3 ") within the 16-bit range.
bool Int16_Text(const std::string& text, int16_t& value);

// The first and last row boxes: false after the box at fault was named.
bool Check_Rows(ui::TextBox& txtFirstRow, ui::TextBox& txtLastRow, int16_t& firstRow, int16_t& lastRow);

// A column box: its number, 0 when blank and optional; false after a box
// saying what is wrong (blank and required, or not a column).
bool Check_Column(ui::TextBox& box, bool required, int16_t& column);

// The column boxes of one location a row: its segment and km, then the two
// columns the other side of the conversion goes to or comes from.
struct LocationColumns {
    ui::TextBox &Seg, &Km, &Out1, &Out2;
    int16_t &colSeg, &colKm, &colOut1, &colOut2;
};
// The first location's four boxes are required. The second location is
// there when its segment and km boxes are both given (a blank second km
// leaves one location a row, colSeg then 0), and its other two are then
// required. False after a box said what is wrong.
bool Check_Location_Columns(const LocationColumns& first, const LocationColumns& second);

// The workbook choice of the option buttons: file and sheet ("active" for the
// active worksheet); false after a box when the file is not given or not there.
bool Check_Workbook_Choice(bool activeSheet, ui::TextBox& txtExcelFileName, ui::TextBox& txtWorksheet,
                           std::string& file, std::string& sheet);
// The file boxes enabled only when a file is the choice.
void Enable_Workbook_Boxes(const ui::OptionButton& optExcelFile, ui::TextBox& txtExcelFileName,
                           ui::TextBox& txtWorksheet);
// Restored windows with neither choice made get the file.
void Default_Workbook_Choice(ui::OptionButton& optActiveSheet, ui::OptionButton& optExcelFile);
// The open dialog for the file box, Excel files shown.
void Browse_Workbook(ui::TextBox& txtExcelFileName);

// The segment code of a cell. The spreadsheet keeps a typed 0010 as the
// number 10, so a whole number below 10000 gets its leading zeros back; a
// text of 3 characters gets a leading "0" (Pad_Code4); other texts stay.
std::string Cell_Segment(const office::CellValue& v);

// The row loop's error: shown with the row; the run then ends.
void Show_Row_Error(int32_t row, const std::exception& e);
