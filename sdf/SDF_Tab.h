// The SDF tab's commands on the main window, and the check every SDF command
// (and the section KML window) makes of the tab's inputs first.
#pragma once

class MainForm;

// Takes the SDF folder, file, output folder and HMZ version from the main
// window; when all pass, hands them to SDF_Utils and returns True.
bool SDF_init(MainForm& form);

void cmdOverlaps_Click(MainForm& form);
void cmdSDF_transform_Click(MainForm& form);
void cmdSDFCancel_Click(MainForm& form);
void cmdSDF1dpSep_Click(MainForm& form);
