// The short-sections module's state: the run's parameters, the primary
// sections, the output records and the working lists of the breaking. Set
// by the run's steps, erased at the start of every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sections/ShortSections.h"

namespace ShortSections {

// Run parameters.
extern std::string RunID;
extern std::string HMZversion;
extern std::string OutFolder;
extern std::string PrimType;  // "Highway", "HMZSegment", "UTVS", "SDF"
extern std::string InputSDF;
extern bool OnNumbered, OnLettered, OnUnNumbered, OnSegments;
extern std::string SegmentList;
extern bool DoIntersections;
extern std::vector<std::string> IntLmkTypes;  // 1-based
extern int16_t IntLmkTypeCount;
extern std::string IntLmkTypeSQL;
extern int16_t Radius;
extern int16_t MinInterIsecLen;
extern int32_t IntNIDoffset;
extern std::string IntSIDprefix;
extern bool DoSections;
extern float MinLen, MaxLen;
extern int16_t MinLen_hm, MaxLen_hm;
extern bool BreakAtLmkTypes;
extern std::vector<std::string> BreakLmkTypes;  // 1-based, priority order
extern int16_t BreakLmkTypeCount;
extern std::string BreakLmkTypeSQL;
extern bool BreakAtHwyClass;
extern std::string HwyClassCategories;  // rebuilt from the parsed numbers: "2,3,4,5"
extern bool BreakAtADR;
extern std::string ADRLevel;  // "Area", "District", "Region"
extern int32_t SecNIDoffset;
extern std::string SecSIDprefix;
extern bool IncludeADT;
extern int16_t ADTyear1, ADTyear2;
extern bool IncludeLatLons;
extern bool Extend50m;
extern bool WriteTransformed;
extern std::string TransHMZversion;
// Set by any failed check or step; the run stops after the step.
extern bool Abort;

// Primary sections.
extern std::vector<PsecRec> Psec;
extern int32_t PsecCount;
extern std::string PsecKind;  // "HMZ_Segment", "UTVS", "SDF_Section"

// Output records and their translated copy.
extern std::vector<SSRec> SS;
extern int32_t SSCount;
extern std::vector<SSRec> SSTrans;
extern int32_t SSTransCount;

// The segment list that filters the primary sections.
extern std::vector<std::string> SegList;
extern int16_t SegListCount;
extern std::string SegListSQL;

// Intersection list of the current primary section.
extern std::vector<IntersectionEntry> IntList;
extern int16_t IntCount;
extern int32_t IntTotal;  // entries over the run

// Piece lists of the breaking: the working list and the boundary list.
extern std::vector<SSPiece> WorkPieces;
extern int16_t WorkCount;
extern std::vector<SSPiece> SubPieces;
extern int16_t SubCount;

// The current primary section and its section counter.
extern int32_t CurPsec;  // index into Psec; 0 = a section set by the caller (tests)
extern PsecRec CurPsecRec;
extern int16_t SecCounter;

// Breaking statistics.
extern std::vector<int32_t> BreakTypeCount;  // 1..BreakLmkTypeCount
extern int32_t MiddleSplitCount;
extern int32_t NoBreakTypeCount;

// Output file names of the last run ("" when not written).
extern std::string OutputFile;
extern std::string OutputFileTrans;

// Run log file number while the run is active (0 otherwise).
extern int16_t LogFileNo;

// Records whose attributes are looked up; a later call goes on after them.
extern int32_t AttrDone;

}  // namespace ShortSections
