// HMZ_Database: the inventory database of one version ("HMZ_Data_" + version
// + ".mdb"), the program's one shared inventory connection, and the lookups
// the rest of the program makes in it.
//
// The file is looked for in the program folder, then in the inventory data
// folder (Data_Folder), then asked for. Lookups expect the caller to have
// opened it. A database error never escapes a lookup: it is shown once per
// open database and procedure, naming the file and the cause, and the lookup
// gives its "none" value.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/db.h"

// The open inventory database (exclusive, read-only), or none.
extern db::Database hmz_DB;
// The file chosen by the last open (set even when that open failed); "" after a close.
extern std::string hmz_DBfilename;
// The version of the open database: the text after the last "_" of its base
// name; "" while an open runs and after a failed one.
extern std::string hmz_version_open;

// The segment ends at one node, filled by HMZ_Load_Node. Arrays are 1-based.
struct HMZ_Node_Type {
    std::string Node;
    double Latitude = 0;   // of the node's landmark, 0 when none
    double Longitude = 0;
    int32_t count = 0;     // ends at the node; 0 none; -1 the query failed
    std::vector<std::string> Segment;
    std::vector<std::string> BegEnd;  // "B" begin node, "E" end node
    std::vector<std::string> Km;      // "0" for a begin, the segment length for an end
    std::vector<int16_t> Nway;
};
// When count is 0 or -1 the other fields keep what the previous load left.
extern HMZ_Node_Type HMZ_Node;

// Opens the database of `version` (asks only when it cannot be found), or,
// with no version, the newest one found after the user confirmed it. False
// when cancelled, refused or the engine could not open the file (said in a
// box). An open database is closed first.
bool HMZ_Open_Database(const std::string& version = "");
// Closes hmz_DB and clears hmz_DBfilename; nothing when none is open.
void HMZ_Close_Database();

// Region, district and area of the first area row holding the km; 0, 0, 0 when none.
void HMZ_Get_RegDistArea(const std::string& segment, float km, int16_t& region, int16_t& district, int16_t& area);
// The 6-character class string at the km and date, "" when no class row applies.
std::string HMZ_Get_SegClass(const std::string& segment, float km, const std::chrono::year_month_day& date);
// The same with the date as text ("yyyy-mm-dd"; "/" and "." read as "-").
std::string HMZ_Get_SegClass(const std::string& segment, float km, const std::string& date);

// The segment ends at a node ("" = every node), ordered by node and segment,
// positioned on the first row: columns Node, Segment, BegEnd, Cont, nway,
// LENGTH. count is the row count, -1 when the query failed (said in a box).
void hmz_NodeSeg_Recordset(const std::string& node, db::Recordset& rs, int32_t& count);
// The area rows of a segment ("" = every segment), ordered by segment and
// Start_Km: Segment, Start_Km, End_km, Area, District, Region, Area_Name.
void hmz_SegRegDistArea_Recordset(const std::string& segment, db::Recordset& rs, int32_t& count);

void HMZ_Load_Node(const std::string& node);

// "road1 at road2[ and road3] in Place" and the coordinates of the
// intersection's source landmark (0 when none); a failure text otherwise.
void hmz_Get_Int_Desc_LatLon(int32_t id, std::string& description, double& latitude, double& longitude);

// Highway number followed by its letter, or "".
std::string HMZ_Get_Highway(const std::string& segment);
// The begin node at km 0, the end node at the segment's length (to 0.01,
// the length rounded to one decimal when ndp is 1), else "".
std::string GetNodeName(const std::string& segment, float km, int16_t ndp);
// The segment's length in km, -1 when the segment (or its length) is not there.
float HMZ_Get_SegLength(const std::string& segment);
