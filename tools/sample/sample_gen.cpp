// sample-gen DESCRIPTION FOLDER [--scale SEGMENTS] [--points PER-SEGMENT]
//            [--all-geometry] [--collisions COUNT] [--only KIND,...]
// Writes the sample data set described by DESCRIPTION into FOLDER. With
// --scale, the network is filled up with plain segments to that many
// segments (each with PER-SEGMENT geometry points, 100 by default), for
// benchmarks; only the greatest geometry version is written then, unless
// --all-geometry. --only writes some of the files: inventory, allversions,
// geometry, tables, legs, volume, collisions. --collisions sets the number
// of collisions in collisions/CDE_sample.csv (3000 by default).
#include <cstdlib>
#include <iostream>
#include <string>

#include "tools/sample/sample_network.h"

namespace {

int usage() {
    std::cerr << "usage: sample-gen DESCRIPTION FOLDER [--scale SEGMENTS] [--points PER-SEGMENT] [--all-geometry]\n"
                 "                  [--collisions COUNT] [--only inventory,allversions,geometry,tables,legs,volume,collisions]\n";
    return 2;
}

bool file_kinds(const std::string& list, sample::FileKinds& kinds) {
    kinds = {false, false, false, false, false, false, false};
    std::size_t pos = 0;
    while (pos <= list.size()) {
        auto comma = list.find(',', pos);
        if (comma == std::string::npos) comma = list.size();
        const std::string k = list.substr(pos, comma - pos);
        if (k == "inventory")
            kinds.inventories = true;
        else if (k == "allversions")
            kinds.all_versions = true;
        else if (k == "geometry")
            kinds.geometry = true;
        else if (k == "tables")
            kinds.tables = true;
        else if (k == "legs")
            kinds.legs = true;
        else if (k == "volume")
            kinds.volume = true;
        else if (k == "collisions")
            kinds.collisions = true;
        else
            return false;
        pos = comma + 1;
    }
    return true;
}

bool whole_number(const char* s, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (!*s || *end || v < 0 || v > 10'000'000) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string description, folder;
    sample::ScaleOptions scale;
    sample::FileKinds kinds;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--all-geometry") {
            scale.all_geometry = true;
        } else if (a == "--only") {
            if (i + 1 >= argc || !file_kinds(argv[++i], kinds)) return usage();
        } else if (a == "--scale" || a == "--points" || a == "--collisions") {
            if (i + 1 >= argc) return usage();
            int v = 0;
            if (!whole_number(argv[++i], v)) return usage();
            (a == "--scale" ? scale.segments : a == "--points" ? scale.points_per_segment : scale.collisions) = v;
        } else if (description.empty()) {
            description = a;
        } else if (folder.empty()) {
            folder = a;
        } else {
            return usage();
        }
    }
    if (folder.empty()) return usage();
    try {
        sample::write_scaled_sample(description, folder, scale, kinds);
    } catch (const std::exception& e) {
        std::cerr << description << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
