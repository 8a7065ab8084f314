// What the short-sections run reads from outside the inventory: the
// traffic-volume database (volume years, UTVS definitions; the AADT lookup is
// the database module's) and the sections of an SDF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ss_vol {

// Opens the traffic-volume database (True when open); Close closes it.
bool Open();
void Close();
// The greatest Year of ALL_<v>_SEGVOL; 0 when none or the query fails.
int16_t Max_Year(const std::string& version);

struct UTVS_Row {
    std::string ID, Seg;
    int32_t Hm1 = 0, Hm2 = 0;
    std::string Desc1, Desc2;
};
// The rows of VRQ_<v>_UTVS_Definitions by segment and Hm1; False after a
// message when the table cannot be read.
bool Load_UTVS(const std::string& version, std::vector<UTVS_Row>& rows);

}  // namespace ss_vol

namespace ss_sdf {

struct Section {
    std::string ID, Seg1, Seg2;
    int16_t hm1 = 0, hm2 = 0;
    std::string Hwy1;
};
// Reads the SDF through the section-file module, in the run's version, and
// checks it for overlaps; False (after the module's messages) when it cannot
// be read or has overlaps.
bool Load(const std::string& version, const std::string& path, std::vector<Section>& sections);

}  // namespace ss_sdf
