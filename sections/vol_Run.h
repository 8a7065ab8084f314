// vol_Run: the Volume tab's commands. The run reads the tab's boxes, builds
// the search path, calculates the section volume and writes the volume
// report (a comma-separated text file in the output folder); the combined
// results go to the status box.
#pragma once

#include <cstdint>
#include <string>

class MainForm;

// The help document the tab's Help button opens, in the program folder.
inline constexpr const char* kVolumeHelpFile = "Tessawin_VolumeTab_Help.pdf";

void cmdVOL_Run_Click();
void Volume_Processing();
// Fills in a blank end segment, start km and end km, noting each in the status box.
void Vol_Default_Range(const std::string& version);
void Vol_Report_Header();
void Print_Search_Path(const std::string& source);
void Print_Combined_Results(int32_t adt, int32_t total, int32_t days, int32_t lengthHm);

void vol_optionVRQ_Click();
void vol_optionHMZ_Click();
void vol_help_Click();
void vol_openInExcel_Click();

// True when name can be a file in the output folder: not empty, no path
// separator, no "..", no control character and none of < > : " | ? *.
bool Vol_Safe_File_Name(const std::string& name);

// Puts the tab's buttons on the main window (once) and wires its options;
// the Class Rate tab's class sets button opens frmClassVol.
void Volume_Attach(MainForm& form);
