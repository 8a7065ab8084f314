// ShortSections: cuts primary sections (inventory segments, traffic-volume
// sections or the sections of an SDF) into intersection sections and short
// sections, adds their positions, attributes and volumes, and writes them as
// a CSV in section-file shape, with a run log in the temporary folder.
//
// Positions are whole hectometres on one segment. Arrays are 1-based
// (element 0 unused) with their own counts, as the rest of the program has
// them. All run state lives in the module (SS_State.h) and is erased at the
// start of every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {
class Form;
class TextBox;
}  // namespace ui

// One primary section.
struct PsecRec {
    std::string ID;
    std::string Highway;
    std::string Seg1;
    int16_t hm1 = 0;
    std::string Desc1;
    std::string Seg2;  // always Seg1
    int16_t hm2 = 0;
    std::string Desc2;
};

// One output record.
struct SSRec {
    int32_t NID = 0;
    std::string SID;
    std::string PsecID;
    std::string Highway;
    std::string Segment;
    int16_t EndBreakType = 0;
    int16_t KmInt = 0;
    int16_t IntPos = 0;
    int32_t Intersection_ID = 0;
    int16_t Legs = 0;
    int16_t NintLoc1dp = 0, NintLoc2dp = 0;
    int16_t hm1 = 0, hm2 = 0;
    int16_t Length = 0;  // hm
    std::string LMtype1, Desc1;
    std::string LMtype2, Desc2;
    // Filled by the output steps.
    float Km1 = 0, Km2 = 0, LengthKm = 0;  // the 50 m extension
    double Latitude1 = 0, Longitude1 = 0;
    int16_t LLsrc1 = 0;
    double Latitude2 = 0, Longitude2 = 0;
    int16_t LLsrc2 = 0;
    int16_t Region = 0, District = 0, Area = 0;
    std::string HwyClass;         // 6 characters
    std::vector<int32_t> AADT;    // AADT[y - ADTyear1] for the years ADTyear1..ADTyear2; -1 missing
    int32_t avgAADT = -1;
    bool Delete = false;
};

// One entry of the intersection list of a primary section.
struct IntersectionEntry {
    int32_t IntersectionID = 0;
    int32_t LmkID = 0;
    std::string Segment;
    int16_t hm = 0;
    // Kept wider than 16 bits until clipped to the primary section.
    int32_t hmFrom = 0, hmTo = 0;
    std::string LMtype1, LMtype2;
    std::string Desc1, Desc2;
    int16_t EndCode = 0;
    int16_t NintLoc1dp = 0, NintLoc2dp = 0;
    int16_t IntPos = 0;
    int16_t Legs = 0;
};

// A piece of a stretch being broken into sections.
struct SSPiece {
    std::string Segment;
    int16_t hm1 = 0, hm2 = 0;
    int16_t EndBreakType = 0;
};

// The whole run; count := records written (0 when it stopped early). The
// window passes itself: the run reads its controls by name and its log name
// (the ShortSectionsLogFileName property of frmShortSections).
void Run_ShortSections(ui::Form& form, int32_t& count);

void GetParametersFromForm();
std::string Get_Text_Param(ui::TextBox& box, bool required);
int16_t Get_Int_Param(ui::TextBox& box);
int32_t Get_Long_Param(ui::TextBox& box, bool required);
float Get_Real_Param(ui::TextBox& box, bool required);
// At most 6 comma-separated category numbers 1 to 6, digits only; Rebuilt
// := the numbers joined by "," (what goes into a query).
bool Valid_HwyClass_Categories(const std::string& text, std::string& Rebuilt);
// The run ID names files: no path separator, no "..", no character a file
// name cannot hold.
bool Valid_RunID(const std::string& id);

void Break_Main();
void Reset_SS_Arrays();
void MakeSegList();
void Add_Highway_Segments(const std::string& highway, std::vector<std::string>& list, int16_t& count);

void psec_Load_Segments();
void psec_Load_UTVS();
void psec_Load_SDF();

// Intersection list.
void Make_Intersection_List(const std::string& Segment, int16_t hm1, int16_t hm2);
void Split_At_Midpoint(int32_t a, int32_t b, int32_t& end1, int32_t& start2);
void Add_Intersection_Record(int16_t n, const std::string& SID);

// Section breaking.
void Break_Section(const std::string& Segment, int16_t hm1, int16_t hm2, int16_t EndType);
void Break_by_HwyClass(const std::string& Segment, int16_t hm1, int16_t hm2, int16_t type);
void Break_into_ADR_Sections(const SSPiece& piece);
void Add_SubSection(const std::string& Segment, int16_t hm1, int16_t hm2, int16_t type);
void Break_by_MaxLen_and_LMtype(const std::string& Segment, int16_t hm1, int16_t hm2, int16_t type);
void Add_Section_Record(const std::string& SID, const std::string& Segment, int16_t hm1, int16_t hm2,
                        int16_t EndBreakType);
void Get_Landmark_At_Hm(const std::string& Segment, int16_t hm, std::string& LMtype, std::string& Desc);

// Output steps.
void Extend_Endpoints_50m(std::vector<SSRec>& records, int32_t count, const std::string& version);
void Set_SS_LatLons();
void Lookup_SS_Attributes();
void Convert_to_TransHMZversion();
void Purge_sections(std::vector<SSRec>& records, int32_t& count);
void Write_SS_CSV(const std::vector<SSRec>& records, int32_t count, bool withIntersections,
                  const std::string& fileName);

// The run log (nothing while no run is active).
void SS_Log(const std::string& line);
