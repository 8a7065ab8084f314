// Locn_LatLon: the latitude/longitude of an inventory location (a landmark of
// the open inventory database, else interpolated on the segment's centreline
// in the geometry database, translated to the geometry's version first when
// it is not valid there), and the regional Albers grid.
//
// Init_LocnLatLon starts every run; with landmarks on, the inventory database
// of the locations' version must be open (HMZ_Database).
#pragma once

#include <cstdint>
#include <string>

// Version (YYYYMM) of the locations looked up.
extern std::string LL_TargetVersion;
// Km decimals of the locations: 1 (hm) or 2 (dam).
extern int16_t LL_ndp;
// Non-zero: a landmark at the location is looked for first.
extern int16_t LL_UseLandmarks;
// Log number handed to GeoDB_Init; 0 = none.
extern int16_t LL_LogFileNo;
// Counters of the run.
extern int32_t NLL_atLmk;    // found at a landmark (GetLocnLatLon_Km only)
extern int32_t NLL_trans;    // translated to the geometry's version
extern int32_t NLL_success;  // interpolated on the centreline
extern int32_t NLL_fail;     // left without latitude/longitude

// Starts a run: counters to 0, the settings kept, and the translation library
// initialised when it has not been yet. An ndp outside the 16-bit range
// throws std::overflow_error.
void Init_LocnLatLon(const std::string& version, int32_t ndp, int16_t useLandmarks, int16_t logFileNo);
// The four counters, one line each, to the numbered file (common/FileNumbers.h).
void Print_NLL_Counts(int16_t fileNo);

// srcId: the landmark's LatLon_Source_ID; -3 interpolated on the centreline;
// -8 not translatable to the geometry's version; -9 not found; 0 after the
// invalid-decimals message. Database errors of the landmark query (no
// inventory database open, a missing column, a null source) are thrown.
void GetLocnLatLon_Km(const std::string& seg, float km, double& lat, double& lon, int16_t& srcId);
void GetLocnLatLon_Hm(const std::string& seg, int16_t hm, double& lat, double& lon, int16_t& srcId);
// The centreline path alone.
void GetLocnLatLon_Geo(const std::string& seg, float km, double& lat, double& lon, int16_t& srcId);

// Albers equal-area conic grid (GRS80; standard parallels 50 N and 58.5 N,
// origin 45 N 126 W, false easting 1000000 m) in metres, unrounded. Throws
// std::overflow_error when the result is not a finite number.
void Albers_Grid(double lat, double lon, double& Y, double& X);

// The same rounded to whole metres, halves to even; northing first. Throws
// std::overflow_error beyond the 32-bit range.
void Naltalbers_XY(double lat, double lon, int32_t& Y, int32_t& X);
