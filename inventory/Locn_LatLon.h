// Locn_LatLon: the latitude/longitude of an inventory location (a landmark of
// the open inventory database, else interpolated on the segment's centreline
// in the geometry database, translated to the geometry's version first when
// it is not valid there), and the regional Albers grid.
#pragma once

#include <cstdint>
#include <string>

// Albers equal-area conic grid (GRS80; standard parallels 50 N and 58.5 N,
// origin 45 N 126 W, false easting 1000000 m) in metres, unrounded. Throws
// std::overflow_error when the result is not a finite number.
void Albers_Grid(double lat, double lon, double& Y, double& X);

// The same rounded to whole metres, halves to even; northing first. Throws
// std::overflow_error beyond the 32-bit range.
void Naltalbers_XY(double lat, double lon, int32_t& Y, int32_t& X);
