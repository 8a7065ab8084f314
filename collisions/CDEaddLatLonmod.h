// Geographic fields appended to a collision data extract: latitude and
// longitude of each collision's segment and km, its Nalt Albers X and Y, or
// both.
#pragma once

#include <string>

void CDEaddLatLon(const std::string& version, const std::string& inFile, const std::string& outFile, bool addLatLon,
                  bool addAlbers);
