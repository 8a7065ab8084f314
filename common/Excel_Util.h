// Spreadsheet helpers of the batch windows: column letters to numbers, the
// last data row of a column, cell text that never fails, and the worksheet a
// run works on, opened by the rules that keep the user's workbooks safe.
#pragma once

#include <cstdint>
#include <string>

#include "platform/office/spreadsheet.h"

// Highest row the last-row search looks at.
inline constexpr int16_t XL_MaxRow = 5000;

// Column number of a decimal number ("7") or of one or two letters ("b" = 2,
// "AA" = 27, "zz" = 702); 0 for no column. A blank text, a lone character
// that is not a letter and a number below 1 give 0 quietly; any other text,
// and a number beyond the 16-bit range, gives a box titled "ColNumber" and 0.
int16_t ColNumber(const std::string& Col);

// Last data row of column Col from FirstRow on, or -1 ("Last row not found!").
// "end" (any case) ends the data; so do three blank cells in a row. Rows past
// 5000 are not looked at.
int16_t XL_lastrow(const office::WorksheetRef& Ws, int16_t FirstRow, int16_t Col);

// The cell's value as text, trimmed of blanks; "error" when it cannot be read.
std::string XL_CellText(const office::Range& Cell);
bool XL_CellIsEmpty(const office::Range& Cell);

// The worksheet to work on: Sheet "active" attaches to the active worksheet of
// a running spreadsheet application; otherwise the workbook File is opened in
// a new application and the worksheet named Sheet (the first when blank) is
// taken. On refusal a box says why and XlApp and Ws are both empty. Errors of
// opening the file are thrown (office::Error), the new application closed.
void XL_GetWorksheet(const std::string& File, const std::string& Sheet, office::ApplicationRef& XlApp,
                     office::WorksheetRef& Ws);

// Index (from 1) of the worksheet called Name, without regard to case (accented
// letters included); 0 when there is none. Chart sheets are not counted.
int16_t XL_SheetIndex(const office::WorkbookRef& Wb, const std::string& Name);
