// The sample's collision files: a collision data extract on the network's
// segments in its greatest version, its in-section subset with the section
// list, the fatal and intersection subsets, and the reports of the outside
// records system made from the same collisions (detail report, class-rate
// report, section-analysis reports). Deterministic: the same network and
// options give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sample/sample_network.h"

namespace sample {

struct CollisionOptions {
    int count = 3000;  // collisions of the extract
    int first_year = 2010, last_year = 2015;
    std::uint64_t seed = 20160201;
    bool reports = true;  // the reports and the fatal and intersection subsets
};

// Writes the collision files of the sample into folder (created when
// missing): the extract and its subsets, and with `reports` the reports.
void write_collision_files(const Network& net, const std::string& folder, const CollisionOptions& options = {});

}  // namespace sample
