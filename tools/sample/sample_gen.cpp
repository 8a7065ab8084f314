// sample-gen DESCRIPTION FOLDER [--scale SEGMENTS] [--points PER-SEGMENT]
// Writes the sample data set described by DESCRIPTION into FOLDER. With
// --scale, the network is filled up with plain segments to that many
// segments (each with PER-SEGMENT geometry points, 100 by default), for
// benchmarks.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/sample/sample_network.h"

namespace {

int usage() {
    std::cerr << "usage: sample-gen DESCRIPTION FOLDER [--scale SEGMENTS] [--points PER-SEGMENT]\n";
    return 2;
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
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--scale" || a == "--points") {
            if (i + 1 >= argc) return usage();
            int v = 0;
            if (!whole_number(argv[++i], v)) return usage();
            (a == "--scale" ? scale.segments : scale.points_per_segment) = v;
        } else if (description.empty()) {
            description = a;
        } else if (folder.empty()) {
            folder = a;
        } else {
            return usage();
        }
    }
    if (folder.empty()) return usage();
    std::ifstream in(description, std::ios::binary);
    if (!in) {
        std::cerr << "sample-gen: cannot read " << description << "\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    try {
        const auto net = sample::build_network(sample::parse_description(text.str()), scale);
        sample::write_data_set(net, folder);
    } catch (const std::exception& e) {
        std::cerr << description << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
