// GeoDBmod: the segment-geometry database (the centreline points of every
// segment of one inventory version, table SegLatLonKm), found, opened
// read-only and kept open, and the latitude/longitude of a segment + km by
// interpolation between its points.
//
// The file of the greatest version found is the one opened; callers with
// locations of another version translate them to GeoDB_HMZversion first.
#pragma once

#include <cstdint>
#include <string>

#include "platform/db/db.h"

// The open geometry database; not open when closed. Other modules query it.
// It lives to the end of the process (never destroyed), so a database still
// open at exit is not torn down after the database layer's own state.
extern db::Database& GeoDB_db;
// The datasource key of the file looked for last ("TRgeo").
extern std::string GeoDB_DataSource;
// Folder the file was found in; "" after the user typed a full name.
extern std::string GeoDB_Folder;
// The file's name without folder, as found on disk or as typed.
extern std::string GeoDB_ShortName;
// Full name of the file opened (or to be opened).
extern std::string GeoDB_FileName;
// Inventory version (YYYYMM) of the open geometry.
extern std::string GeoDB_HMZversion;
// 0 after a good GeoDB_Init; -1 when no file was chosen, the open failed or
// SegLatLonKm is empty.
extern int16_t GeoDB_Failed;
// Log file number (common/FileNumbers.h); 0 or less: no log, and the user
// confirms the file found.
extern int16_t GeoDB_LogFileNo;

// The nearest-location search finds its points by latitude cells of
// 1/kGeoLatCellsPerDegree degree: the cell of a point is this expression,
// indexed with Longitude and the columns the search reads in the cached copy.
inline constexpr int kGeoLatCellsPerDegree = 200;
inline constexpr const char* kGeoLatCell = "CAST(Latitude * 200 AS INTEGER)";

// Makes sure the geometry database of `datasource` is open; costs a string
// comparison when it is.
void GeoDB_Init(const std::string& datasource, int16_t logFileNo);
// Chooses the file: the program folder first, then the geometry data folder,
// then asks the user.
void GeoDB_FindFile(const std::string& datasource);
// Opens GeoDB_FileName; when one is open already, only closeFirst reopens.
void GeoDB_Open(bool closeFirst);
void GeoDB_Close();
// A number that changes whenever the database is opened or closed, so that
// what was read from it can be known to be of the database now open.
uint64_t GeoDB_Generation();
// The six digits after the last "_HMZ" of the name (any case); "" when the
// name has no "_HMZ" or six digits do not follow it.
std::string GeoDB_VersionOfFile(const std::string& fileName);

// Latitude/longitude of seg at km, interpolated on Km_Scaled (useScaled) or
// Km_Calc. status: 0 km 0 at the segment's km-0 point; 1 interpolated; 2 past
// the last point by less than 0.1 km (the last point); -1 no point (a
// negative km, or km 0 without a km-0 point); -2 past the last point by 0.1
// km or more; -3 no database open. lat, lon are 0 whenever status < 0.
// A database error (a missing table or column) is thrown as db::Error.
void GeoDB_LookupLatLon(bool useScaled, const std::string& seg, float km, double& lat, double& lon, int16_t& status);
