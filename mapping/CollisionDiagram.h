// The collision-diagram record table: one collision data extract loaded for
// the diagram window and the diagram builder, kept until the next load, and
// the classification of its collisions into diagram symbols.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The most collisions one diagram extract may hold.
inline constexpr int16_t kMaxDiagramRecords = 1000;

// One collision of the extract, its texts without outer quotes and blanks.
struct CDE_DiagramRecord {
    std::string ACCASE;
    std::string CLSNDATE;
    std::string SEGNUM;  // four characters when the extract gave three
    float KMMARK = 0;
    std::string NODE;
    std::string VEHDIR1, VEHDIR2;
    int16_t TOTALINJ = 0, TOTALKLD = 0, TOTALVEH = 0;
    std::string PREACTN1, PREACTN2;
    int16_t DIAGRAM = 0;
    std::string TYPE2ND1;
    std::string LOCN1ST;

    // A single vehicle leaving the road first: drawn as diagram 17.
    bool Diagram17 = false;
    // 0 not at a selected location, 1 plotted, 2 not plottable.
    int16_t PlotStatus = 0;
};

// The table, in file order (index 0 .. CDE_RecordCount - 1).
extern std::vector<CDE_DiagramRecord> CDE_Records;
// The location key of every record, 1-based: [i + 1] belongs to CDE_Records[i].
extern std::vector<std::string> CDE_LocationKeys;
extern int16_t CDE_RecordCount;
// Smallest and largest collision date, compared as text.
extern std::string CDE_MinDate, CDE_MaxDate;

// Loads the extract at path into the table. CDE_RecordCount is 0 when nothing
// could be read; the reason has been shown in a box.
void Read_CDE(const std::string& path);

// The 1-based position of the first of headings[1..count] equal to name;
// False after the missing-field box when there is none.
bool FindCDEField(const std::vector<std::string>& headings, int16_t count, const std::string& name,
                  int16_t& position);

// "N" + node when the node is given, else "S" + segment + the hectometre
// position in at least four digits ("S01230000" at km 0).
std::string MakeLocationKey(const std::string& segment, float km, const std::string& node);

// The label of a key in the diagram window's list: "Node 1234 5678" or
// "Seg  0123  12.3".
std::string LocationKeyLabel(const std::string& key);

// ---------------------------------------------------------------------------
// Classification

// Direction numbers: 0 none, 1 N, 2 S, 3 E, 4 W.
inline constexpr int kDirections = 5;
inline constexpr int kDiagramCodes = 17;

// Collision counts by severity (1 fatal, 2 injury, 3 PDO), direction (0..4)
// and diagram code (1..17); index 0 of severity and code unused.
extern int16_t DiagramCounts[4][kDirections][kDiagramCodes + 1];

// The direction number of a vehicle direction text: its place in "NSEW".
int16_t DirectionNumber(const std::string& vehdir);
int16_t OppositeDirection(int16_t direction);
// 1 fatal, 2 injury, 3 property damage only.
int16_t CollisionSeverity(const CDE_DiagramRecord& r);

// Classifies every collision at the selected locations (selectedKeys 1-based,
// element 0 unused; no element beyond 0 means all collisions): each record's
// PlotStatus, DiagramCounts, and the plotted and unplottable totals. When
// nothing is plottable the "No diagram produced." box says why.
void CountDiagramCollisions(const std::string& cdePath, const std::vector<std::string>& selectedKeys,
                            int16_t& plotted, int16_t& unplottable);

// Whether the number of vehicles fits the diagram code.
bool VehCountFitsDiagram(int16_t totalVeh, int16_t diagram);

// Whether a collision with this diagram code and these directions and
// pre-collision actions can be drawn, and in which direction.
bool DiagramDirection(const std::string& vehdir1, const std::string& vehdir2, int16_t diagram,
                      const std::string& preactn1, const std::string& preactn2, int16_t& direction);
