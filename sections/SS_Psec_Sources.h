// What the short-sections run reads from outside the inventory: the
// traffic-volume database (volume years, UTVS definitions, AADT by year at a
// location, each segment's volume rows read once) and the sections of an SDF.
#pragma once

#include <cstdint>
#include <functional>
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

// AADT per year at a location: aadt[y - year1] for year1..year2 (-1 when a
// year has no row or its AADT is Null) and their rounded average (-1 when no
// year has one). A location at either end of the segment reads its node's
// volumes. Each segment's rows are read once and kept until Close.
void Lookup_AADT(const std::string& version, const std::string& segment, float km, int16_t year1, int16_t year2,
                 std::vector<int32_t>& aadt, int32_t& avgAADT);
// Reads the volume rows of these segments at once, in place of those held.
void Prefetch(const std::string& version, const std::vector<std::string>& segments, int16_t year1, int16_t year2);
// Where Lookup_AADT may take a segment's length and end nodes in the version
// it is asked about without a query (the run's highway segment table); the
// function says False for a segment it does not hold. Cleared by Close.
using SegmentInfo = std::function<bool(const std::string& segment, float& length, std::string& begin_node,
                                       std::string& end_node)>;
void Set_Segment_Info(SegmentInfo info);

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
