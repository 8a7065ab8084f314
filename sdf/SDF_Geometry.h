// SDF_Geometry: section ends carried into the geometry database's inventory
// version, the centreline polyline of one segment (a cache that lives for
// the whole process), interpolation on it, and the coordinate writers of the
// section KML.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/TextFile.h"
#include "inventory/LatLon_to_SegKm.h"  // Format_Coord

// One centreline point of the cached segment.
struct SegLatLonPoint {
    double Lat = 0;  // degrees
    double Lon = 0;
    float Km = 0;  // KM_Scaled
};

// The polyline cache: the segment last asked for, the geometry database it
// came from, and its points 1..SegLatLon_Count in RowNum order (increasing
// km). A count of 0 means the segment has no geometry.
extern std::string SegLatLon_Seg;
extern std::string SegLatLon_GeoDB;
extern int32_t SegLatLon_Count;
extern std::vector<SegLatLonPoint> SegLatLon_Pts;

// Fills GeoSeg1..GeoOK of every section read: the ends as they are when the
// file's version is the geometry's, else checked in the geometry's version
// and translated where they are not valid there. Status 0, or -1 when the
// user cancelled at the list of segments that cannot be translated.
void SDF_Seg_gfields(int16_t& status);
// The km at which an end is checked in the geometry's version: the km, the
// segment's length when the km lies less than 0.1 beyond it, else 0; -1 when
// the segment is not in the file's version.
float SDF_Clamp_GeoKm(const std::string& seg, float km);

// Loads the polyline of seg from the open geometry database, unless it is
// the one cached from that same database. A segment without rows says so in
// the status box once and leaves the cache empty. Database errors are thrown
// (db::Error).
void Load_SegLatLonKm(const std::string& seg);
// The position at km between cached points i and j.
void Interp_SegLatLon(int32_t i, int32_t j, float km, double& lat, double& lon);

// The file the coordinate writers write to while a section KML is built,
// and the text of the section being gathered; lines go to the text while it
// is set, so a section that cannot be completed leaves no trace in the file.
extern OutputFile* KmlMainFile;
extern std::string* KmlSectionText;
// Cached points i..j as coordinate lines (nothing when i > j).
void KML_Write_GeoPoints(int32_t i, int32_t j);
// "lon,lat,0" as one line.
void KML_Write_Coord(double lat, double lon);
