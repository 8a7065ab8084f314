// LatLon_to_SegKm: the inventory locations nearest to a latitude/longitude,
// found on the centreline points of the open geometry database (GeoDBmod).
// Kms are in the geometry's version, GeoDB_HMZversion.
//
// Distances are flat-earth: 111.193 km a degree of latitude, times the cosine
// of the latitude (0.01745329 degrees to radians) a degree of longitude.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One centreline point kept by a search.
struct Closest_HMZ_Candidate_Type {
    double Latitude = 0;
    double Longitude = 0;
    std::string Segment;
    int32_t RowNum = 0;
    float KmScaled = 0;
    // The foot of the perpendicular on the piece to the next point: -1 before
    // this point, 0 between, 1 beyond the next one; 9 no piece starts here.
    int16_t PosFlag = 9;
    int32_t Dist = 0;      // metres from the search point
    int32_t Along = 0;     // metres from this point to the foot, signed
    int32_t PerpDist = 0;  // metres from the search point to the foot
};

// The candidates of the last search, 1-based.
extern std::vector<Closest_HMZ_Candidate_Type> Closest_HMZ_Candidate;

// Kilometres between two points.
float LatLon_Dist_Km(double latA, double lonA, double latB, double lonB);

// Foot of the perpendicular from P (lat, lon) on the piece A to B.
void Perp_Foot_Dist(double latA, double lonA, double latB, double lonB, double lat, double lon, int32_t& perpDist,
                    int32_t& along, int16_t& posFlag);

// One location per segment passing within rangeM metres of the point, nearest
// first: segs, kms and dists are made 1..n when n > 0 and left alone when n
// is 0. Every segment in range is considered. The geometry database must be
// open (GeoDB_Init); otherwise the query's db::Error reaches the caller.
void Closest_HMZ_Locns(double lat, double lon, int32_t rangeM, int16_t& n, std::vector<std::string>& segs,
                       std::vector<float>& kms, std::vector<int32_t>& dists);

// The search reads its box from an in-memory grid of the geometry's points
// once its queries have cost about as much as building the grid does; this
// builds it now. False when the table holds a value of a kind its columns
// do not (the queries go on reading it then).
bool BuildNearestGrid();
// What the grid of the open database takes in memory (0 when not built).
std::size_t NearestGridBytes();

// The nearest of those: n > 0 with its segment, km and distance; otherwise n
// 0, seg "", km -1 and dist 999.
void Closest_HMZ_Locn(double lat, double lon, int32_t rangeM, int16_t& n, std::string& seg, float& km, int32_t& dist);

// "###0.000000": at least one digit before the point, six after.
std::string Format_Coord(double x);

// The development build's Test button: runs the distance routines on fixed
// points near 50 N 122 W.
void Test_Perp_Foot_Dist();
