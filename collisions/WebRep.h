// The "Detail Reports" tab: a detail report split into one RTF file per
// collision, and the two web pages indexing those files by date and by area.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collisions/RDA_Table.h"
#include "common/TextFile.h"

class MainForm;

inline constexpr int kRtfPageLines = 1000;

struct RtfPage {
    std::vector<std::string> Lines;
    int16_t Count = 0;
    std::string CaseNo, ClsnDate, Area, Location;
    bool Last = false;
    bool TooLong = false;  // no end of page within kRtfPageLines lines
};

struct DetailIndexEntry {
    std::string CaseNo, ClsnDate, Area, Location;
};

// Status values of SplitDetailReport.
enum : int16_t {
    kDetailDone = 0,
    kDetailNoMarker = 1,
    kDetailInputOpen = 2,
    kDetailOutputOpen = 3,  // also: an output would be the input itself
    kDetailPageTooLong = 4, // the files before that page are kept
};

void cmdDetailSplit_Click(MainForm& form);
void cmdOpenRTFinWord_Click(MainForm& form);

void SplitDetailReport(const std::string& rtfFile, const std::string& outFolder, int16_t& status);
void ReadRtfPage(InputFile& file, RtfPage& page, int16_t braceStyle);
void MakeHTMLIndeces(const std::string& outFolder);
int16_t GetAreaTable();

// The entries of the last split, in the order written.
const std::vector<DetailIndexEntry>& DetailIndex();
// The area table as loaded (element 0 unused); emptied for tests.
std::vector<RDA_Code>& RDA_Areas();

// Only letters, digits and "-" of a case number or date go into a file name.
std::string SafeNamePart(const std::string& s);
