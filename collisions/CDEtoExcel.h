// The "CDE Files" tab: opening an extract formatted in the spreadsheet
// program, and the checks of the tab's commands.
#pragma once

#include <string>

class MainForm;

void cmdCDEtoExcel_Click(MainForm& form);
// Loads the extract last accepted on the tab into a new workbook, one column
// format per known heading. False (after saying why) when nothing was loaded.
bool CDEtoExcel(MainForm& form);

void cmdCDErequirements_Click(MainForm& form);
void cmdCDEaddGeoFields_Click(MainForm& form);

// The output CDE name and HMZ version checks of the commands that write a
// new extract: the output's full name and the version, or false after saying
// what is wrong.
bool Check_outCDE_file(MainForm& form, const std::string& versionPrompt, std::string& outFull, std::string& version);

// The output folder check of the commands that write beside the extract:
// Out_Folder given and existing, and, when it is not the extract's folder,
// the user's OK. False when a check failed or the user cancelled.
bool SameFolderOrConfirmed(MainForm& form, std::string& out);

// Number format of an extract column by its heading name.
std::string CDE_ColumnFormat(const std::string& name);
