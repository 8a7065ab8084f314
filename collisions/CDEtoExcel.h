// The "CDE Files" tab: opening an extract formatted in the spreadsheet
// program.
#pragma once

#include <string>

class MainForm;

void cmdCDEtoExcel_Click(MainForm& form);
// Loads the extract last accepted on the tab into a new workbook, one column
// format per known heading. False (after saying why) when nothing was loaded.
bool CDEtoExcel(MainForm& form);

void cmdCDErequirements_Click(MainForm& form);
void cmdCDEaddGeoFields_Click(MainForm& form);

// Number format of an extract column by its heading name.
std::string CDE_ColumnFormat(const std::string& name);
