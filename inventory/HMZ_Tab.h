// The inventory tab's commands: a segment's history, a valid date for a
// segment, the transformation history of a location, its latitude/longitude,
// the inventory locations nearest to a latitude/longitude, the two worksheet
// windows and the tab's help.
#pragma once

#include <cstdint>
#include <string>

// The tab's location: segment (exactly 4 characters), km (0 or more) and the
// date ("yyyy-mm-dd", or "" for none). Valid is false after a box has said
// which input is wrong and the focus went back to it.
void Get_HMZ_Location_Inputs(std::string& Segment, float& Km, std::string& DateText, bool& Valid);

void cmdShowSeg_Click();
void txtHMZ_Segment_KeyPress(int16_t& KeyAscii);
void cmdGetSegDate_Click();
void cmdHMZ_ShowTrans_Click();
void cmdHMZ_LatLon_Click();
void cmdFindClosestHMZLocations_Click();
void cmdSegKmLatLonExcel_Click();
void cmdHMZTransformsInExcel_Click();
void cmdHMZhelp_Click();
