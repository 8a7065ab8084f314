// The sample traffic-volume database and search-path file: yearly counts by
// segment stretch and by node for every inventory version of the network,
// with monthly volumes (some months not counted), and the traffic-volume
// section definitions.
#pragma once

#include <string>

#include "tools/sample/sample_network.h"

namespace sample {

struct VolumeOptions {
    int first_year = 2008;
    int last_year = 2021;
    // Versions to write ("" = every version of the network).
    std::string only_version;
    // Segments of each version written, in highway order (0 = all).
    int max_segments = 0;
};

inline constexpr const char* kVolumeDatabaseName = "Volume_for_Tessawin.mdb";
inline constexpr const char* kSearchPathSampleName = "SearchPath_Hwy1_202004.txt";

// Volume_for_Tessawin.mdb: ALL_<v>_SEGVOL, ALL_<v>_NODVOL and
// VRQ_<v>_UTVS_Definitions for each version v.
void write_volume_database(const Network& net, const std::string& path, const VolumeOptions& options = {});

// A search-path file of highway 1 in 202004, as the collision records system
// writes one.
void write_search_path_sample(const Network& net, const std::string& path);

// Both files into folder. At scale the database holds version 202004 only,
// years 2011 to 2020, for the first 5000 segments in highway order.
void write_volume_sample(const Network& net, const std::string& folder);

}  // namespace sample
