// Hwy_Seg_Table_mod: every segment of one inventory version in highway order
// (numbered highways without a letter, then lettered ones, then those from
// 900 up; within a highway by search sequence), and the position of a
// segment in that list, on which section positions, node lists and search
// paths are built.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Hwy_Seg_Record {
    std::string Hwy4;  // exactly 4: "097 ", "097A"
    std::string Segment;
    float Length = 0;
    int16_t Length_hm = 0;
    std::string Begin_Node, End_Node;
    std::string Begin_Continuity, End_Continuity;  // exactly 1
    int16_t Nway = 0;
    std::string Opposite_Segment, Description;
};

// Records 1..Hwy_Seg_Count (element 0 unused); 0 = not loaded. Only
// Load_Hwy_Seg_Table fills them; everyone else reads.
extern const std::vector<Hwy_Seg_Record>& Hwy_Seg_Table;
extern const int32_t& Hwy_Seg_Count;

// Replaces the table by the segments of the version (its first six
// characters, as HMZ_Version_Valid reads a version).
void Load_Hwy_Seg_Table(const std::string& version);
// The 1-based position of the first record of the segment (exact,
// case-sensitive), 0 when absent; a box when the table is not loaded.
int32_t HwySet_Index(const std::string& segment);
