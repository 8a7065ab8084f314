// The MapCase tab's commands: a case's latitude/longitude from the case
// location table or the validation page, shown in the globe viewer or a map.
#pragma once

class MainForm;

void cmdMapLatLon_Click(MainForm& form);
void cmdGetLatLonMap_Click(MainForm& form);
void cmdGetCaseLatlon_Click(MainForm& form);
void cmdGetCaseMap_Click(MainForm& form);
void cmdMapCase_Click(MainForm& form);
void cmdLookupLatLon_Click(MainForm& form);
void txtBatchFolder_Change(MainForm& form);
void txtAccase_Change(MainForm& form);

// Adds the tab's buttons and text-change handlers to the main window.
void MapCase_Attach(MainForm& form);
