// Intersections: which intersection each intersection landmark of one
// inventory version belongs to, with its number of legs, and a quick search
// of a landmark in that table. From 201807 on the relation comes from the
// inventory database's table [Landmark-Intersection]; older versions read
// "Landmark-Intersection_Legs_Pre2018.csv" (program folder, then the
// inventory data folder, then asked for).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// 1-based parallel arrays, ascending by landmark and then intersection.
extern std::vector<int32_t> LI_LandmarkID;
extern std::vector<int32_t> LI_IntersectionID;
extern std::vector<int16_t> LI_Legs;  // 0 when not given
extern int32_t LI_Count;

// Replaces the table with the relation of `version` (YYYYMM); n := rows
// loaded. A file or database that cannot be read, or a bad line, is reported
// in a box and leaves the table empty (n = 0).
void Load_Landmark_Intersection_IDs(const std::string& version, int32_t& n);

// The intersection and legs of a landmark; 0 and 0 when it is not in the table.
void Find_Landmark_Intersection(int32_t landmarkId, int32_t& intersectionId, int16_t& legs);
