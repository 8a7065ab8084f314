// RateTable: a class-rate report of the collision records system turned into
// the published rate table, and the commands of the "Class Rate" tab.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/TextFile.h"

class MainForm;

void cmdRateTable_Click(MainForm& form);
// Opens the class-sets window "frmClassVol" modally when its subsystem has
// loaded it; otherwise says in the status box that it is not available.
void cmdClassVol_Click(MainForm& form);

// Arrays are 1-based (element 0 unused); an array without elements means:
// take the list from the report. lows and highs come together.
void ClassRate_to_RateTable(const std::string& report, const std::string& output, const std::vector<std::string>& sets,
                            const std::vector<int32_t>& lows, const std::vector<int32_t>& highs);

std::string HwyClassCode(const std::string& description);
bool ClassInClassSet(int16_t n, const std::string& code);
// Reads lines until one begins with text and returns it; "" (after a box)
// when the file ends first. The line read with the end of the file is not
// tested.
std::string SkipToLine(InputFile& file, const std::string& text);

namespace ratetable {
inline constexpr int kMaxCodes = 6;
// Builds the class-set tables of a run from its sets (1-based); as a run does.
void SetClassSets(const std::vector<std::string>& sets);
}  // namespace ratetable
