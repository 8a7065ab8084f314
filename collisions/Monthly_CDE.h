// The monthly split of a collision data extract: one workbook per collision
// month and an index page linking them ("Split by Collision Month" on the CDE
// tab), and the two spreadsheet helpers it uses.
#pragma once

#include <cstdint>
#include <string>

class MainForm;

// Status values of Monthly_CDE.
enum : int16_t {
    kSplitFinished = 0,
    kSplitEmptyInput = 1,    // no line after the heading
    kSplitInputOpen = 2,     // the input or the sorted file would not open, or the sort failed
    kSplitScratchOpen = 3,   // the scratch file or folder would not open
    kSplitPageOpen = 4,      // the index page would not open
    kSplitDateOrder = 5,     // the data are not in date order
    kSplitBadMonthKey = 6,   // a line does not begin with a quoted "yyyy-mm"
    kSplitWorkbook = 7,      // a month's workbook could not be written
};

void cmdSplitByMonth_Click(MainForm& form);
void Monthly_CDE(const std::string& inFile, const std::string& outFolder, int16_t& status);
void Excel_Start();
void Excel_SaveCsvAsWorkbook(const std::string& csvFile, const std::string& bookFile);
