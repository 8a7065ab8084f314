// The section file the short-sections window's SDF run reads on the sample.
#pragma once

#include <string>

#include "tools/sample/sample_network.h"

namespace sample {

// "SDF_ShortSections_sample.csv": sections of version 201807 in the folder.
inline constexpr const char* kShortSectionsSdf = "SDF_ShortSections_sample.csv";
void write_short_sections_sdf(const Network& net, const std::string& folder);

// For benchmarks at scale: gives every added segment of every version two
// intersection landmarks (with their intersections), a bridge, an area
// boundary at its middle and a terrain change, so a short-sections run
// meets every kind of break on them.
void add_short_section_features(Network& net);

}  // namespace sample
