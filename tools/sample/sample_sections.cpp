#include "tools/sample/sample_sections.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace sample {

void write_short_sections_sdf(const Network& net, const std::string& folder) {
    (void)net;
    // Sections of 201807: whole segments, parts of them, one running to the
    // segment's end (999.9) and one over two segments, which the run skips.
    const std::string text =
        "ID,Seg1,Km1,Seg2,Km2,Note\r\n"
        "S1,0010,0.00,0010,12.40,\"Hwy 1 west, to Jct Hwy 905\"\r\n"
        "S2,0030,2.00,0030,12.50,Lakeview to Ross Crossing\r\n"
        "S3,0975,0.10,0975,6.00,Hwy 97 to the cut\r\n"
        "S4,0970,1.00,0970,999.9,Eskerton to Jct Hwy 97A\r\n"
        "S5,0040,5.00,0050,3.00,Over two segments\r\n";
    write_text_file(std::filesystem::path(folder) / kShortSectionsSdf, text);
}

void add_short_section_features(Network& net) {
    std::vector<int> areas;
    for (const auto& [code, a] : net.desc.areas) areas.push_back(code);
    for (Version& v : net.versions) {
        int k = 0;
        for (Segment& s : v.segments) {
            if (!s.filler) continue;
            ++k;
            const float L = std::strtof(s.length.c_str(), nullptr);
            auto at = [&](double f) { return static_cast<float>(std::round(L * f * 100) / 100); };
            auto landmark = [&](int n, double f, const char* type, const char* side, const std::string& desc) {
                Landmark l;
                l.id = 10000000 + 4 * k + n;
                l.segment = s.code;
                l.km = at(f);
                l.lmnum = n + 1;
                l.type = type;
                l.side = side;
                l.description = desc;
                l.coordinates = false;
                return l;
            };
            Landmark a = landmark(0, 0.3, "A1", "B", "Cross Rd " + std::to_string(k));
            a.intersections.push_back({1000000 + 2 * k, 4});
            Landmark b = landmark(1, 0.5, "B3", "B", "Creek Bridge " + std::to_string(k));
            Landmark c = landmark(2, 0.7, "A2", "L", "Side Rd " + std::to_string(k));
            c.intersections.push_back({1000000 + 2 * k + 1, 3});
            s.landmarks = {a, b, c};
            const int first = s.areas.empty() ? areas[0] : s.areas[0].area;
            const int second = areas[(static_cast<std::size_t>(k) + 1) % areas.size()] == first
                                   ? areas[(static_cast<std::size_t>(k) + 2) % areas.size()]
                                   : areas[(static_cast<std::size_t>(k) + 1) % areas.size()];
            s.areas = {{0.0f, at(0.5), first}, {at(0.5), L, second}};
            std::vector<ClassRow> classes;
            for (const ClassRow& r : s.classes) {
                if (r.category != 2) {
                    classes.push_back(r);
                    continue;
                }
                ClassRow r1 = r, r2 = r;
                r1.end_km = at(0.4);
                r2.start_km = at(0.4);
                r2.code = 'M';
                classes.push_back(r1);
                classes.push_back(r2);
            }
            s.classes = classes;
        }
    }
}

}  // namespace sample
