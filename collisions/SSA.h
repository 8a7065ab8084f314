// The "SSA" tab: a section-analysis report reformatted into the 22-column
// section file, and its location records combined by group.
#pragma once

#include <string>

class MainForm;

void cmdReformat_Orvel_Click(MainForm& form);
void cmdCombineLocations_Click(MainForm& form);
void cmdSSA_Help1_Click(MainForm& form);

void SSA_Reformat(const std::string& inFile, const std::string& outFile);
void SSA_CombineLocations(const std::string& inFile, const std::string& outFile);
// Highway number and letter of the segment's latest inventory version.
std::string SSA_HighwayOfSeg(const std::string& segment);
