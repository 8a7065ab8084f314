// vol_Database: the traffic-volume database "Volume_for_Tessawin.mdb" and
// its two small lookups, the AADT one keeping what it read. Per inventory version v (yyyymm) it holds
// ALL_<v>_SEGVOL (Seg, Year, Hm1, Hm2, counter_type, AADT, MADT_01..MADT_12),
// ALL_<v>_NODVOL (Node, Year, counter_type, AADT, MADT_01..MADT_12) and
// VRQ_<v>_UTVS_Definitions (VRQ_UTVS_ID, Seg, Hm1, Hm2, Km1, Desc1, Desc2).
//
// The file is looked for in the program folder, then in the volume data
// folder (Data_Folder), then asked for. One connection per process, opened
// exclusive and read-only; it stays open until Close_Volume_DB.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/db/db.h"

inline constexpr const char* kVolumeDBName = "Volume_for_Tessawin.mdb";

// The open database, or none.
extern db::Database vol_DB;
// Its full name; "" when closed.
extern std::string vol_DBpath;

// True when the database is open (also when it already was); False when the
// user gave up looking for it or the engine could not open it (said in a box
// titled "Database open error" and in the trace log).
bool Open_Volume_DB();
void Close_Volume_DB();

// The version as the table names use it: its first six characters, when they
// are six digits and a version of the all-versions database; else "". A
// version is checked once per open database.
std::string Vol_Table_Version(const std::string& version);

// The greatest Year of ALL_<v>_SEGVOL; 0 when the version is not valid, the
// table is missing or empty, or the query fails.
int16_t Vol_Max_Year(const std::string& version);

// AADT per year at a location: aadt[y - year1] for year1..year2 (-1 when a
// year has no row or its AADT is Null) and their rounded average (-1 when no
// year has one). A location at either end of the segment reads its node's
// volumes. Each segment's rows are read once and kept until Close_Volume_DB;
// a failing query throws db::Error to the caller.
void Lookup_AADT(const std::string& version, const std::string& segment, float km, int16_t year1, int16_t year2,
                 std::vector<int32_t>& aadt, int32_t& avgAADT);
// Reads the volume rows of these segments at once, in place of those held.
void Vol_Prefetch(const std::string& version, const std::vector<std::string>& segments, int16_t year1, int16_t year2);
// Where Lookup_AADT may take a segment's length and end nodes in the version
// it is asked about without a query (the run's highway segment table); the
// function says False for a segment it does not hold. Cleared by
// Close_Volume_DB.
using Vol_SegmentInfo =
    std::function<bool(const std::string& segment, float& length, std::string& begin_node, std::string& end_node)>;
void Vol_Set_Segment_Info(Vol_SegmentInfo info);

// Rounds half to even, as the volume arithmetic does everywhere.
int64_t Vol_Round(double x);
