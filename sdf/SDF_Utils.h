// SDF_Utils: the one section definition file (SDF) the program holds at a
// time. Finds the file's columns by their headings, reads every record into
// an SDF_Section, checks both ends against the file's inventory version and
// derives hectometre positions, ordering keys and the nodes each section
// touches; the overlap check works on the sections so derived. Every SDF tool
// and the short-sections run read section files through this module.
//
// Lists are 1-based std::vectors whose element 0 is unused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/TextFile.h"

namespace ui {
class CommandButton;
}

struct SDF_Section {
    std::string ID;
    std::string Seg1;
    float Km1 = 0;
    std::string Seg2;
    float Km2 = 0;
    int16_t hm1 = 0, hm2 = 0;
    // Rows of the segments in Hwy_Seg_Table; 32-bit, since a network may
    // hold more segments than a 16-bit row number reaches.
    int32_t SegIdx1 = 0, SegIdx2 = 0;
    int32_t Pos1 = 0, Pos2 = 0;  // SegIdx * 10000 + hm
    std::string Node1, Node2;
    std::vector<std::string> Nodes;  // 1..NodeCount
    int16_t NodeCount = 0;
    std::string Note;
    double Lat1 = 0, Lon1 = 0, Lat2 = 0, Lon2 = 0;
    std::vector<std::string> AuxValues;  // 1..AuxCount
    std::string GeoSeg1;
    float GeoKm1 = 0;
    std::string GeoSeg2;
    float GeoKm2 = 0;
    bool GeoOK = false;
};

struct SDF_ColumnSet {
    int16_t ColID = 0;  // -1: the record number is the ID
    int16_t ColSeg1 = 0, ColSeg2 = 0, ColKm1 = 0, ColKm2 = 0;
    int16_t ColNote = 0;  // 0: no note column
    int16_t MinFields = 0;
};

// The extra fields a tool copies from each section (AuxValues).
struct SDF_AuxFieldSet {
    int16_t AuxCount = 0;
    std::vector<std::string> Names;   // 1..AuxCount, as the caller gave them
    std::vector<std::string> Labels;  // 1..AuxCount
    std::vector<int16_t> Cols;        // 1..AuxCount; 0 = not in the heading
};

inline constexpr int16_t kSDF_MaxFields = 100;

// Module state, shared by every SDF tool.
extern std::string SDF_Version;    // yyyymm of the file's locations
extern std::string SDF_Path;       // full name of the file
extern std::string SDF_OutFolder;  // where the tools write their outputs
extern std::vector<SDF_Section> SDF_Sections;  // 1..SDF_Count()
extern SDF_ColumnSet SDF_Columns;
extern SDF_AuxFieldSet SDF_AuxFields;
// The heading line of the last SDF_Open: as split (left-trimmed, quotes
// kept) and lower-cased without quotes; 1..SDF_HeadingCount.
extern std::vector<std::string> SDF_HeadingTexts;
extern std::vector<std::string> SDF_HeadingsLower;
extern int16_t SDF_HeadingCount;

void SDF_Set_HMZversion(const std::string& version);
void SDF_Set_File(const std::string& path);
void SDF_Set_OutFolder(const std::string& folder);

// The extra fields the next SDF_Read copies into AuxValues (labels default
// to the names). Each read takes the list set since the read before; a read
// with no list set copies none, so one tool's fields never reach another's.
void SDF_Set_AuxFields(const std::vector<std::string>& names, const std::vector<std::string>& labels = {});

// Opens SDF_Path, reads the heading and finds the columns. Status 0 with the
// file open after the heading, else -1 with it closed.
void SDF_Open(InputFile& FileNo, int16_t& Status);
// Reads the whole file into SDF_Sections. Status 0, else -1.
void SDF_Read(int16_t& Status);
// Checks one end in SDF_Version; Km may be snapped to the segment's length.
// Status 0, -1 (reported, go on) or -2 (the user cancelled).
void SDF_ValidateLocn(const SDF_Section& Section, const std::string& Seg, float& Km, bool Snap, int16_t& Status);
// Fills hm1..NodeCount of every section (Hwy_Seg_Table loaded for
// SDF_Version). Status 0 or -1.
void SDF_Set_hms_and_nodes(int16_t& Status);

void Add_Unique_Str(const std::string& Value, std::vector<std::string>& List, int16_t& Count);

int32_t SDF_Count();
void SDF_Get_Section(int32_t i, std::string& ID, std::string& Seg1, std::string& Seg2, int16_t& hm1, int16_t& hm2);
void SDF_Get_Section_Hwys(int32_t i, std::string& Hwy1, std::string& Hwy2);

// Overlap check: read, derive and check. Status 0 no overlaps, the number
// found (9999 from 32768 on), or a negative status of the step that failed
// (-1 too when the user cancelled the check).
void SDF_Overlaps(int16_t& Status);
// The check on sections already derived: one status line per overlap and a
// total line. A long check lets the window repaint and shows the Cancel
// button ("cmdSDFCancel"); a cancelled one ends with "Processing CANCELLED"
// instead of the total line, and Count -1.
void SDF_Find_Overlaps(int32_t& Count);

// While a long run lets the window's events in, only the Cancel button
// acts: every other command shares the state the run works on.
class OnlyCancelActs {
public:
    OnlyCancelActs();
    ~OnlyCancelActs();
    OnlyCancelActs(const OnlyCancelActs&) = delete;
    OnlyCancelActs& operator=(const OnlyCancelActs&) = delete;

private:
    std::vector<ui::CommandButton*> disabled_;
};
