// vol_SearchPath: the ordered segments and nodes between the start and the
// end of a stretch of highway, built from the highway segment table of an
// inventory version or read from a search-path file of the collision records
// system; and the run's period, read from the Volume tab by either builder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A calendar date; Year 0 means none.
struct VolDate {
    int16_t Year = 0, Month = 0, Day = 0;
    bool IsSet() const { return Year > 0; }
};
// "yyyy-mm-dd" (or with "/" or "."), a real calendar day; false otherwise.
bool Vol_Parse_Date(const std::string& text, VolDate& date);
// Days from a to b (b - a).
int32_t Vol_Days_Between(const VolDate& a, const VolDate& b);

// One item of the path.
struct PathRec {
    std::string Type;  // "SEG", "NODE", "----", or another code read from a file
    std::string Name;  // segment or node; "" for "----"
    int16_t Hm1 = 0, Hm2 = 0;
    int16_t Flag = 0;  // a file record's fifth word; unused
};

// Items 1..vol_PathCount (element 0 unused).
extern std::vector<PathRec> vol_Path;
extern int32_t vol_PathCount;
// "HMZ" after Build_HMZ_Search_Path, "VRQ" after Read_Search_Path_File.
extern std::string vol_PathSource;
// The period on the Volume tab when the path was built (a date that does not
// read stays unset; a blank month is 0).
extern VolDate vol_StartDate, vol_EndDate;
extern int16_t vol_StartMonth, vol_EndMonth;

void Erase_Search_Path();
void Add_Path_Item(const PathRec& item);

// Every row of the version's highway table from the start segment's first
// row on to the end segment's row (or the table's end); each node once;
// "----" after a segment whose end continuity is "D". An empty path when the
// start segment is not in the table.
void Build_HMZ_Search_Path(const std::string& startSeg, const std::string& endSeg, const std::string& version);

// Reads a search-path file (records after the second "SEARCH PATH" line, up
// to a blank line, a "====" record or the end of the file). A record of an
// unknown type is shown in a box and kept on the path; a SEG or NODE record
// that does not read ends the reading after a box naming the file and line,
// the path holding the records before it. False only when the file cannot be
// opened.
bool Read_Search_Path_File(const std::string& path);

// Index of the item holding segment/hm, searching from fromIndex; 0 when none.
int32_t Find_Path_Item(int32_t fromIndex, const std::string& segment, int16_t hm);
