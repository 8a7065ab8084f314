// The sample data set's section definition files (sdf/): sections on the
// described network for the SDF tab's commands, and a small collision
// extract on the same roads for copying section fields into it.
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/sample/sample_network.h"

namespace sample {

namespace {

namespace fs = std::filesystem;

struct SdfFile {
    const char* name;
    const char* text;
};

// Lines end in CR LF, as the files users bring from Windows do.
const SdfFile kSdfFiles[] = {
    // Overlaps in 201807: OV2 starts inside OV1, OV7 starts where OV6 ends,
    // and OV3, OV4 and OV5 meet at node 10002 (the end of 0010, where 0020
    // and 9050 begin).
    {"SDF_overlaps_201807.csv",
     "ID,Seg1,Km1,Seg2,Km2,Note\r\n"
     "OV1,0010,2.0,0010,5.0,Mill Rd approaches\r\n"
     "OV2,0010,4.5,0010,6.0,starts inside OV1\r\n"
     "OV3,0010,9.0,0010,12.4,ends at node 10002\r\n"
     "OV4,0020,0.0,0020,3.0,begins at node 10002\r\n"
     "OV5,9050,0.0,9050,1.9,begins at node 10002\r\n"
     "OV6,0030,1.0,0030,2.0,ends where OV7 starts\r\n"
     "OV7,0030,2.0,0030,4.0,\r\n"
     "OV8,0040,1.0,0040,3.0,clear of the others\r\n"},
    // Sections in 201807 that meet: S1/S2 on hm 20 (S1 gives way), S2/S3 on
    // hm 30 where S3 really starts later (S3 gives way), S3/S4 on hm 45,
    // S4/S5 at node 10004, S5/S6 on hm 20 of 0040, S6/S7 at node 10005,
    // where S7 is too short to move.
    {"SDF_1dp_201807.csv",
     "ID,Seg1,Km1,Seg2,Km2,Description\r\n"
     "S1,0030,1.0,0030,2.0,Old Yale Rd\r\n"
     "S2,0030,2.0,0030,3.04,\r\n"
     "S3,0030,3.04,0030,4.5,\r\n"
     "S4,0030,4.5,0030,14.65,to Ross Crossing\r\n"
     "S5,0040,0.0,0040,2.0,from Ross Crossing\r\n"
     "S6,0040,2.0,0040,9.85,to Sumas Flats\r\n"
     "S7,0050,0.0,0050,0.04,at Sumas Flats\r\n"},
    // Sections in 201404 on segments that change later: to 202004, T1 stays,
    // T2 ends on 0976 (0975 was cut), T3 is on 0515 (0510 renumbered), T4 is
    // off the inventory (0990 devolved), T5 lies on 0600, split by direction.
    {"SDF_versions_201404.csv",
     "ID,Segment,Km1,Km2,Note\r\n"
     "T1,0010,1.00,5.00,unchanged\r\n"
     "T2,0975,2.00,8.00,cut in 201807\r\n"
     "T3,0510,1.00,5.00,renumbered in 202004\r\n"
     "T4,0990,1.00,3.00,devolved in 202004\r\n"
     "T5,0600,1.00,4.00,split by direction in 201807\r\n"},
    // Sections in 201807 with fields to copy into the extract below.
    {"SDF_fields_201807.csv",
     "ID,Seg1,Km1,Seg2,Km2,Route,SpeedZone,Note\r\n"
     "F1,0010,0.0,0010,5.9,R1,80,Aldermoor west\r\n"
     "F2,0010,6.0,0010,12.4,R1,90,to Jct Hwy 905\r\n"
     "F3,0030,1.0,0030,10.0,R2,100,Lakeview to the pit\r\n"
     "F4,0971,0.0,0971,7.35,R97A,80,\"Orchard Rd, east branch\"\r\n"},
    // Collisions in 201807 on the sections above: 5.95 km lies on hm 60 (F2);
    // the one on 9050 at node 10002 belongs to F2 through the node; two on
    // 0020 km 2.0 lie in no section.
    {"CDE_sections_201807.csv",
     "\"ACCASE\",\"CLSNDATE\",\"SEGNUM\",\"KMMARK\",\"NODE\",\"TOTALINJ\"\r\n"
     "\"2001001\",\"2019-02-11\",\"0010\",\"3.2\",\"\",\"1\"\r\n"
     "\"2001002\",\"2019-03-02\",\"010\",\"7.0\",\"\",\"0\"\r\n"
     "\"2001003\",\"2019-03-17\",\"0010\",\"5.95\",\"\",\"2\"\r\n"
     "\"2001004\",\"2019-04-09\",\"0010\",\"5.94\",\"\",\"0\"\r\n"
     "\"2001005\",\"2019-05-21\",\"9050\",\"0.0\",\"10002\",\"1\"\r\n"
     "\"2001006\",\"2019-06-30\",\"0020\",\"2.0\",\"\",\"0\"\r\n"
     "\"2001007\",\"2019-07-04\",\"0020\",\"2.0\",\"\",\"3\"\r\n"
     "\"2001008\",\"2019-08-15\",\"0030\",\"6.25\",\"\",\"0\"\r\n"
     "\"2001009\",\"2019-09-01\",\"0971\",\"3.65\",\"\",\"1\"\r\n"
     "\"2001010\",\"2019-10-12\",\"0040\",\"4.4\",\"\",\"0\"\r\n"},
};

}  // namespace

void write_sdf_samples(const std::string& folder) {
    const fs::path dir = fs::path(folder) / "sdf";
    fs::create_directories(dir);
    for (const SdfFile& f : kSdfFiles) write_text_file(dir / f.name, f.text);
}

}  // namespace sample
