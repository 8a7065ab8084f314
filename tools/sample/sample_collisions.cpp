#include "tools/sample/sample_collisions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <stdexcept>

#include "tools/sample/sample_geometry.h"

namespace sample {

namespace {

namespace fs = std::filesystem;

// splitmix64: the same numbers on every platform, unlike the standard
// library's distributions.
struct Rng {
    std::uint64_t s;
    explicit Rng(std::uint64_t seed) : s(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    bool chance(double p) { return uniform() < p; }
    template <class T>
    const T& pick(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(below(static_cast<int>(v.size())))];
    }
};

std::uint64_t hash_text(const std::string& s) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

long days_from_civil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp + (mp < 10 ? 3 : -9));
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

std::string fmt(const char* f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

std::string km1(int hm) {
    return std::to_string(hm / 10) + "." + std::to_string(hm % 10);
}

char opposite(char d) {
    switch (d) {
        case 'N': return 'S';
        case 'S': return 'N';
        case 'E': return 'W';
        default: return 'E';
    }
}

char crossing(char d, Rng& r) {
    if (d == 'N' || d == 'S') return r.chance(0.5) ? 'E' : 'W';
    return r.chance(0.5) ? 'N' : 'S';
}

// What a collision's record needs to know of its segment.
struct SegInfo {
    const Segment* s = nullptr;
    double length = 0;
    int hm_max = 0;
    int adt = 0;
    int highway_number = 0;
    std::string highway_letter;
    int main = 0;         // section group
    std::string section;  // "1-2", or "2" for a group of one section
    bool analysed = false;
    double weight = 0;
};

// Analysed sections of the described network: group, sub-section, segments
// (of any version: a code missing from the version is skipped).
struct SectionDef {
    int main;
    const char* sub;
    std::vector<std::string> codes;
    bool analysed;
};
const std::vector<SectionDef>& section_defs() {
    static const std::vector<SectionDef> defs = {
        {1, "1", {"0010"}, true},         {1, "2", {"0020"}, true},
        {1, "3", {"0030"}, true},         {1, "4", {"0040", "0050"}, true},
        {2, "", {"9050", "9060"}, true},  {3, "1", {"0500"}, true},
        {3, "2", {"0510", "0515", "0550"}, true}, {3, "3", {"0530"}, true},
        {4, "1", {"0600", "0601", "0602"}, false}, {4, "2", {"0610"}, false},
        {5, "1", {"0970"}, true},         {5, "2", {"0975", "0976"}, true},
        {5, "3", {"0980", "0990"}, false}, {6, "", {"0971", "0972"}, true},
        {7, "", {"9010"}, false},
    };
    return defs;
}

// The class code of a segment at a km in the period: of the row of the
// category that covers the km on the period's last day.
char class_at(const Segment& s, int category, double km, const std::string& day) {
    char code = '.';
    for (const ClassRow& r : s.classes) {
        if (r.category != category || km < r.start_km - 1e-4 || km > r.end_km + 1e-4) continue;
        if (r.from_date > day || (!r.to_date.empty() && r.to_date < day)) continue;
        code = r.code;
    }
    return code;
}

int area_at(const Segment& s, double km) {
    int area = s.areas.empty() ? 0 : s.areas.front().area;
    for (const AreaRow& a : s.areas)
        if (km >= a.start_km - 1e-4) area = a.area;
    return area;
}

// Class-rate class: primary/secondary, urban/rural, arterial/expressway/
// freeway, divided/undivided, up to 3 lanes (2) or 4 or more (4).
std::string rate_class(const Segment& s, int highway_number, double km, const std::string& day) {
    std::string c;
    c += highway_number < 900 ? 'P' : 'S';
    const char env = class_at(s, 3, km, day);
    c += env == 'U' || env == 'S' ? 'U' : 'R';
    const char fn = class_at(s, 1, km, day);
    c += fn == 'F' ? 'F' : fn == 'E' ? 'E' : 'A';
    c += class_at(s, 5, km, day) == 'D' ? 'D' : 'U';
    const char lanes = class_at(s, 4, km, day);
    c += lanes == '.' ? (s.nway >= 4 ? '4' : '2') : (lanes >= '4' ? '4' : '2');
    return c;
}

char terrain_at(const Segment& s, double km, const std::string& day) {
    const char t = class_at(s, 2, km, day);
    return t == 'M' ? 'M' : t == 'R' ? 'R' : 'L';
}

int lanes_at(const Segment& s, double km, const std::string& day) {
    const char lanes = class_at(s, 4, km, day);
    return lanes >= '1' && lanes <= '9' ? lanes - '0' : s.nway;
}

std::string class_words(const std::string& c) {
    std::string w = c[0] == 'P' ? "Primary" : "Secondary";
    w += c[1] == 'U' ? " + Urban" : " + Rural";
    w += c[2] == 'F' ? " + Freeway" : c[2] == 'E' ? " + Expressway" : " + Arterial";
    w += c[3] == 'D' ? " + Divided" : " + Undivided";
    w += c[4] == '4' ? " + 4 or more Lanes" : " + Up to 3 Lanes";
    return w;
}

// An intersection where collisions happen: a landmark of the version that
// belongs to one, or the node where it meets segment ends.
struct Site {
    int seg = 0;  // index into the segment infos
    int hm = 0;
    std::string node;
    int intersection = 0;
    std::string type, description;
    bool has_coordinates = false;
    double lat = 0, lon = 0;
    double weight = 1;
};

struct Collision {
    long day = 0;
    int seg = 0;
    int hm = 0;
    int site = -1;
    std::string node;
    int killed = 0, injured = 0, vehicles = 1, diagram = 1;
    std::string dir1, dir2, pre1, pre2, type2nd, locn;
    bool coordinates = false;
    double lat = 0, lon = 0;
    double driver = 0, vehicle = 0, road = 0;
    std::string date, caseno;
    int severity() const { return killed > 0 ? 1 : injured > 0 ? 2 : 3; }
};

// The extract carries the section group as GroupID, the field the group and
// quarter sums ask for first; the in-section subset carries the section as
// GROUP_ID, as the collision records system writes it.
std::string heading_with_group(const char* group_field) {
    return std::string(
               "\"CLSNDATE\",\"ACCASE\",\"SEGNUM\",\"KMMARK\",\"NODE\",\"VEHDIR1\",\"VEHDIR2\",\"TOTALINJ\","
               "\"TOTALKLD\",\"TOTALVEH\",\"PREACTN1\",\"PREACTN2\",\"DIAGRAM\",\"TYPE2ND1\",\"LOCN1ST\",\"LAT\",\"LON\","
               "\"HIGHNUM\",\"HIGHLET\",\"") +
           group_field +
           "\",\"SEVERITY_TYPE\",\"WEEKDAY\",\"REGION\",\"DISTRICT\",\"AREA\",\"NUMLANES\",\"DRIVER_WT\",\"VEH_WT\","
           "\"ROAD_WT\"\r\n";
}
const std::string kHeading = heading_with_group("GroupID");
const std::string kSubsetHeading = heading_with_group("GROUP_ID");

class Writer {
public:
    Writer(const Network& net, const CollisionOptions& o) : net_(net), o_(o), v_(net.versions.back()), rng_(o.seed) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d-12-31", o.last_year);
        last_day_text_ = buf;
        first_day_ = days_from_civil(o.first_year, 1, 1);
        last_day_ = days_from_civil(o.last_year, 12, 31);
        days_ = last_day_ - first_day_ + 1;
        build_segments();
        build_sites();
    }

    void write(const fs::path& folder) {
        fs::create_directories(folder);
        make_collisions();
        std::string cde = kHeading, inss = kSubsetHeading;
        for (const Collision& c : all_) {
            const std::string line = record(c, std::to_string(segs_[static_cast<std::size_t>(c.seg)].main));
            cde += line;
            const SegInfo& si = segs_[static_cast<std::size_t>(c.seg)];
            if (si.analysed) inss += record(c, si.section);
        }
        write_text_file(folder / "CDE_sample.csv", cde);
        write_text_file(folder / "INSS_sample.csv", inss);
        write_text_file(folder / "Section_List.csv", section_list());
        if (!o_.reports) return;
        std::string fatal = kHeading;
        for (const Collision& c : all_)
            if (c.killed > 0) fatal += record(c, std::to_string(segs_[static_cast<std::size_t>(c.seg)].main));
        write_text_file(folder / "CDE_fatal_sample.csv", fatal);
        write_text_file(folder / "CDE_intersections_sample.csv", intersections());
        write_text_file(folder / "Detail_sample.rtf", detail_report());
        write_text_file(folder / "ClassRate_sample.csv", class_rate());
        write_text_file(folder / "SSA_sections_sample.csv", ssa_sections());
        write_text_file(folder / "SSA_locations_sample.csv", ssa_locations());
        write_text_file(folder / "latlon.csv", case_table());
    }

private:
    // The MapCase tab's case location table: the validation page's case, then
    // every case of the extract with its position (empty when it has none).
    std::string case_table() const {
        std::string t = "10004321,2020-06-14,49.107129,-122.857581\r\n";
        for (const Collision& c : all_)
            t += c.caseno + "," + c.date + "," + (c.coordinates ? fmt("%.6f", c.lat) : "") + "," +
                 (c.coordinates ? fmt("%.6f", c.lon) : "") + "\r\n";
        return t;
    }

    void build_segments() {
        std::map<std::string, std::pair<int, std::string>> described;
        std::set<std::string> analysed;
        for (const SectionDef& d : section_defs())
            for (const auto& code : d.codes) {
                described[code] = {d.main, *d.sub ? std::to_string(d.main) + "-" + d.sub : std::to_string(d.main)};
                if (d.analysed) analysed.insert(code);
            }
        const int first_filler_highway = [&] {
            int n = static_cast<int>(net_.desc.highways.size());
            for (const Segment& s : v_.segments)
                if (s.filler) n = std::min(n, s.highway);
            return n;
        }();
        for (const Segment& s : v_.segments) {
            SegInfo i;
            i.s = &s;
            i.length = std::strtod(s.length.c_str(), nullptr);
            i.hm_max = static_cast<int>(std::floor(i.length * 10 + 1e-6));  // a km mark never lies past the end
            const HighwayDef& h = net_.desc.highways[static_cast<std::size_t>(s.highway)];
            i.highway_number = h.number;
            i.highway_letter = h.letter;
            Rng r(hash_text(s.code));
            const char env = class_at(s, 3, 0, last_day_text_);
            double adt = s.nway >= 4 ? 14000 + r.uniform() * 9000 : 2500 + r.uniform() * 6500;
            if (env == 'U' || env == 'S') adt *= 1.4;
            if (s.nway == 1) adt *= 0.5;
            if (s.filler) adt = 800 + r.uniform() * 4000;
            i.adt = static_cast<int>(std::lround(adt / 10) * 10);
            const auto it = described.find(s.code);
            if (it != described.end()) {
                i.main = it->second.first;
                i.section = it->second.second;
                i.analysed = analysed.count(s.code) > 0;
            } else {
                // Added segments: 400 sections in 200 groups, all analysed.
                const int fh = s.highway - first_filler_highway;
                i.main = 10 + fh % 200;
                i.section = std::to_string(i.main) + "-" + std::to_string(1 + (fh / 200) % 2);
                i.analysed = true;
            }
            i.weight = i.length * i.adt;
            index_[s.code] = static_cast<int>(segs_.size());
            segs_.push_back(i);
        }
    }

    // Busy intersections get most of their collisions: enough at each for
    // a diagram.
    static bool busy(int intersection) {
        return intersection == 5001 || intersection == 5004 || intersection == 5011 || intersection == 5018;
    }

    void build_sites() {
        for (std::size_t k = 0; k < segs_.size(); ++k) {
            const Segment& s = *segs_[k].s;
            for (const Landmark& l : s.landmarks) {
                if (l.intersections.empty()) continue;
                Site site;
                site.seg = static_cast<int>(k);
                site.hm = std::min(segs_[k].hm_max, static_cast<int>(std::lround(l.km * 10)));
                if (site.hm == 0) site.node = s.begin_node;
                if (site.hm == segs_[k].hm_max) site.node = s.end_node;
                site.intersection = l.intersections.front().id;
                site.type = l.type;
                site.description = l.description;
                site.has_coordinates = l.coordinates;
                site.lat = l.lat;
                site.lon = l.lon;
                site.weight = busy(site.intersection) ? 10 : 1;
                sites_.push_back(site);
            }
        }
    }

    void make_collisions() {
        std::vector<double> seg_cum, site_cum;
        double t = 0;
        for (const SegInfo& i : segs_) seg_cum.push_back(t += i.weight);
        t = 0;
        for (const Site& s : sites_) site_cum.push_back(t += s.weight);
        auto draw = [this](const std::vector<double>& cum) {
            const double x = rng_.uniform() * cum.back();
            return static_cast<int>(std::upper_bound(cum.begin(), cum.end(), x) - cum.begin());
        };
        // Intersections of the described network take a share that does
        // not shrink the scaled extract's spread.
        const double at_sites = sites_.empty() ? 0 : std::min(0.35, 1000.0 / std::max(1, o_.count));
        all_.reserve(static_cast<std::size_t>(o_.count));
        for (int n = 0; n < o_.count; ++n) {
            Collision c;
            do c.day = first_day_ + rng_.below(static_cast<int>(days_));
            while (!rng_.chance(0.75 + 0.25 * std::cos(2 * M_PI * ((c.day - first_day_) % 365) / 365.0)));
            if (rng_.chance(at_sites)) {
                c.site = std::min(static_cast<int>(sites_.size()) - 1, draw(site_cum));
                const Site& s = sites_[static_cast<std::size_t>(c.site)];
                c.seg = s.seg;
                c.hm = s.hm;
                c.node = s.node;
            } else {
                c.seg = std::min(static_cast<int>(segs_.size()) - 1, draw(seg_cum));
                c.hm = rng_.below(segs_[static_cast<std::size_t>(c.seg)].hm_max + 1);
            }
            describe(c);
            all_.push_back(c);
        }
        place();
        std::sort(all_.begin(), all_.end(), [](const Collision& a, const Collision& b) { return a.day < b.day; });
        long caseno = 10000000;
        for (Collision& c : all_) {
            caseno += 3 + rng_.below(5);
            c.caseno = std::to_string(caseno);
            int y = 0, m = 0, d = 0;
            civil_from_days(c.day, y, m, d);
            char buf[16];
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
            c.date = buf;
        }
    }

    // Severity, vehicles, directions and codes, consistent with each other
    // the way the diagrams read them.
    void describe(Collision& c) {
        const SegInfo& si = segs_[static_cast<std::size_t>(c.seg)];
        const bool at_site = c.site >= 0;
        const double u = rng_.uniform();
        if (u < 0.016) {
            c.killed = rng_.chance(0.85) ? 1 : 2 + rng_.below(2);
            c.injured = rng_.below(3);
        } else if (u < (at_site ? 0.38 : 0.31)) {
            c.injured = 1 + (rng_.chance(0.7) ? 0 : 1 + rng_.below(3));
        }
        static const std::vector<int> midblock = {1, 1, 1, 1, 2, 3, 3, 4, 4, 4, 6, 6, 14, 14, 14, 14, 14, 15, 15, 15, 16};
        static const std::vector<int> junction = {1, 1, 1, 1, 5, 5, 5, 5, 5, 6, 7, 8, 9, 10, 11, 12, 13, 4, 14};
        c.diagram = rng_.pick(at_site ? junction : midblock);
        if (c.diagram == 14 || c.diagram == 15)
            c.vehicles = 1;
        else if (c.diagram == 4)
            c.vehicles = rng_.chance(0.8) ? 1 : 2;
        else
            c.vehicles = rng_.chance(0.75) ? 2 : rng_.chance(0.8) ? 3 : 4;
        const char seg_dir = si.s->dir.empty() ? 'N' : si.s->dir[0];
        const char along = si.s->nway == 1 || rng_.chance(0.5) ? seg_dir : opposite(seg_dir);
        char d2 = 0;
        switch (c.diagram) {
            case 1: case 6: case 16: d2 = along; break;
            case 2: case 3: d2 = opposite(along); break;
            case 5: d2 = crossing(along, rng_); break;
            case 4: d2 = c.vehicles > 1 ? opposite(along) : 0; break;
            case 14: case 15: break;
            default: d2 = rng_.chance(0.5) ? opposite(along) : crossing(along, rng_); break;
        }
        c.dir1 = rng_.chance(0.03) ? "" : std::string(1, along);
        c.dir2 = d2 ? std::string(1, d2) : "";
        static const std::vector<std::string> moving = {"01", "01", "01", "05", "06", "07", "08", "09", "10", "11"};
        static const std::vector<std::string> waiting = {"01", "02", "03", "04"};
        c.pre1 = rng_.pick(moving);
        c.pre2 = c.vehicles > 1 ? rng_.pick(waiting) : "";
        if (c.diagram >= 7 && c.diagram <= 13 && rng_.chance(0.25)) std::swap(c.pre1, c.pre2);
        c.type2nd = fmt("%02.0f", 1 + rng_.below(29));
        c.locn = fmt("%02.0f", 1 + rng_.below(9));
        if (c.vehicles == 1 && (c.diagram == 4 || c.diagram == 14 || c.diagram == 15) && rng_.chance(0.08)) {
            c.type2nd = "05";  // drawn as a diagram of its own
            c.locn = "Y";
        }
        c.coordinates = rng_.chance(0.6);
        c.driver = std::round((40 + rng_.uniform() * 55) * 100) / 100;
        c.vehicle = std::round(rng_.uniform() * (100 - c.driver) / 2 * 100) / 100;
        c.road = std::round(rng_.uniform() * (100 - c.driver - c.vehicle) * 100) / 100;
    }

    // Coordinates, worked out along each highway in order so that the
    // path walks forward only.
    void place() {
        Geometry geo(net_, v_);
        std::vector<std::size_t> order(all_.size());
        std::iota(order.begin(), order.end(), 0);
        auto ground = [this](const Collision& c) {
            const SegInfo& si = segs_[static_cast<std::size_t>(c.seg)];
            const double t = si.length > 0 ? c.hm / 10.0 / si.length : 0;
            return si.s->path_from + t * (si.s->path_to - si.s->path_from);
        };
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const int ha = segs_[static_cast<std::size_t>(all_[a].seg)].s->highway;
            const int hb = segs_[static_cast<std::size_t>(all_[b].seg)].s->highway;
            return ha != hb ? ha < hb : ground(all_[a]) < ground(all_[b]);
        });
        for (std::size_t k : order) {
            Collision& c = all_[k];
            if (!c.coordinates) continue;
            if (c.site >= 0) {
                const Site& s = sites_[static_cast<std::size_t>(c.site)];
                c.coordinates = s.has_coordinates;
                c.lat = s.lat;
                c.lon = s.lon;
                continue;
            }
            const SegInfo& si = segs_[static_cast<std::size_t>(c.seg)];
            const auto [lat, lon] = geo.at(*si.s, std::min(si.length, c.hm / 10.0));
            c.lat = lat + (rng_.uniform() - 0.5) * 0.0003;
            c.lon = lon + (rng_.uniform() - 0.5) * 0.0004;
        }
    }

    static std::string q(const std::string& s) { return "\"" + s + "\""; }

    std::string record(const Collision& c, const std::string& group) const {
        const SegInfo& si = segs_[static_cast<std::size_t>(c.seg)];
        const double km = c.hm / 10.0;
        const int area = area_at(*si.s, km);
        const auto ai = net_.desc.areas.find(area);
        const int district = ai == net_.desc.areas.end() ? 0 : ai->second.first;
        const auto di = net_.desc.districts.find(district);
        const int region = di == net_.desc.districts.end() ? 0 : di->second.first;
        int y = 0, m = 0, d = 0;
        civil_from_days(c.day, y, m, d);
        const int weekday = static_cast<int>((c.day + 4) % 7) + 1;  // 1970-01-01 was a Thursday; Sunday is 1
        std::string line;
        line.reserve(256);
        auto add = [&line](const std::string& v) {
            if (!line.empty()) line += ',';
            line += '"';
            line += v;
            line += '"';
        };
        add(c.date);
        add(c.caseno);
        add(si.s->code);
        add(km1(c.hm));
        add(c.node);
        add(c.dir1);
        add(c.dir2);
        add(std::to_string(c.injured));
        add(std::to_string(c.killed));
        add(std::to_string(c.vehicles));
        add(c.pre1);
        add(c.pre2);
        add(std::to_string(c.diagram));
        add(c.type2nd);
        add(c.locn);
        add(c.coordinates ? fmt("%.6f", c.lat) : "");
        add(c.coordinates ? fmt("%.6f", c.lon) : "");
        add(std::to_string(si.highway_number));
        add(si.highway_letter);
        add(group);
        add(std::to_string(c.severity()));
        add(std::to_string(weekday));
        add(std::to_string(region));
        add(std::to_string(district));
        add(std::to_string(area));
        add(std::to_string(lanes_at(*si.s, km, last_day_text_)));
        add(fmt("%.2f", c.driver));
        add(fmt("%.2f", c.vehicle));
        add(fmt("%.2f", c.road));
        return line + "\r\n";
    }

    std::string section_list() const {
        std::vector<std::pair<int, std::string>> order;  // main, section; in network order
        std::set<std::string> seen;
        for (const SegInfo& i : segs_)
            if (i.analysed && seen.insert(i.section).second) order.push_back({i.main, i.section});
        std::stable_sort(order.begin(), order.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::string out = "Section,Description\r\n";
        for (const auto& [main, sec] : order) {
            std::string desc;
            for (const SegInfo& i : segs_)
                if (i.section == sec) desc += (desc.empty() ? "Hwy " + std::to_string(i.highway_number) +
                                                                  i.highway_letter + " segments "
                                                            : std::string("/")) +
                                              i.s->code;
            out += q(sec) + "," + q(desc) + "\r\n";
        }
        return out;
    }

    // The busy intersections' collisions, by location key and date: the
    // subset an analyst pulls for collision diagrams.
    std::string intersections() const {
        std::vector<const Collision*> rows;
        for (const Collision& c : all_)
            if (c.site >= 0 && busy(sites_[static_cast<std::size_t>(c.site)].intersection)) rows.push_back(&c);
        auto key = [this](const Collision* c) {
            if (!c->node.empty()) return "N" + c->node;
            char buf[32];
            std::snprintf(buf, sizeof buf, "S%s%04d", segs_[static_cast<std::size_t>(c->seg)].s->code.c_str(), c->hm);
            return std::string(buf);
        };
        std::stable_sort(rows.begin(), rows.end(),
                         [&](const Collision* a, const Collision* b) { return key(a) < key(b); });
        std::string out = kHeading;
        for (const Collision* c : rows) out += record(*c, std::to_string(segs_[static_cast<std::size_t>(c->seg)].main));
        return out;
    }

    // ---- The outside system's reports -----------------------------------

    std::string detail_report() const {
        std::vector<const Collision*> fatal;
        for (const Collision& c : all_)
            if (c.killed > 0) fatal.push_back(&c);
        // Eight collisions spread evenly over the period.
        std::vector<const Collision*> chosen;
        for (std::size_t k = 0; k < 8 && k < fatal.size(); ++k) chosen.push_back(fatal[k * fatal.size() / 8]);
        std::sort(chosen.begin(), chosen.end(), [](const Collision* a, const Collision* b) { return a->day < b->day; });
        auto label = [](const std::string& t) { return "{\\pard \\plain \\f0\\fs18 " + t + "\\par}\r\n"; };
        auto value = [](const std::string& t) { return "{\\pard \\plain \\f1\\fs20\\cf1 " + t + "\\par}\r\n"; };
        const std::string page_break = "{\\sect \\sbkpage\\pgwsxn12240\\pghsxn15840}\r\n";
        std::string out =
            "{\\rtf1\\ansi\\ansicpg1252\\deff0\r\n"
            "{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}\r\n"
            "{\\colortbl;\\red0\\green0\\blue128;}\r\n"
            "\\paperw12240\\paperh15840\\margl720\\margr720\r\n"
            "{{\\pard \\phpg\\pvpg\\posx0\\posy0\\absw12240\\absh-15840\r\n";
        for (std::size_t k = 0; k < chosen.size(); ++k) {
            const Collision& c = *chosen[k];
            const SegInfo& si = segs_[static_cast<std::size_t>(c.seg)];
            if (k > 0) out += page_break;
            out += label("VRQ Details Report");
            out += label("Collision Case No:");
            out += value(c.caseno);
            out += label("Collision Date");
            out += value(c.date);
            out += label("Collision Time");
            char time[8];
            std::snprintf(time, sizeof time, "%02d:%02d", static_cast<int>(hash_text(c.caseno) % 24),
                          static_cast<int>(hash_text(c.caseno) / 24 % 60));
            out += value(time);
            out += label("Contract Mgmnt. Area");
            out += "{\\pard \\plain \\f1\\fs20\\cf1 " + std::to_string(area_at(*si.s, c.hm / 10.0)) + "}\\par}\r\n";
            out += label("Highway:");
            out += label("Segment:");
            out += label("Km:");
            out += label("Location type");
            out += value(c.site >= 0 ? "Intersection" : "Non-intersection");
            out += label("Road surface");
            out += value(c.day % 3 == 0 ? "Wet" : "Dry");
            out += value(std::to_string(si.highway_number) + si.highway_letter);
            out += value(si.s->code);
            out += value(km1(c.hm));
            out += label("Number of vehicles");
            out += value(std::to_string(c.vehicles));
            out += label("Persons killed");
            out += value(std::to_string(c.killed));
            if (k == 2) {  // this one runs over two pages
                out += page_break;
                out += label("Narrative (continued)");
                out += value("Vehicle " + std::to_string(c.vehicles) + " left the roadway and came to rest in the ditch.");
                out += label("Witness statements");
                out += value("Two witnesses; statements on file.");
            }
        }
        out += "}}\r\n";
        return out;
    }

    // Pieces of the analysed network of one class and area, with their
    // collisions of the period.
    struct Piece {
        int seg = 0;
        int from_hm = 0, to_hm = 0;
        std::string cls;
        char terrain = 'L';
        int area = 0;
        int fatal = 0, injury = 0, pdo = 0, vehicles = 0, killed = 0, injured = 0, fatal_injured = 0;
        int total() const { return fatal + injury + pdo; }
    };

    std::vector<Piece> pieces() const {
        std::vector<Piece> out;
        for (std::size_t k = 0; k < segs_.size(); ++k) {
            const SegInfo& si = segs_[k];
            if (si.s->filler) continue;
            Piece cur;
            for (int hm = 0; hm < std::max(1, si.hm_max); ++hm) {
                const double km = std::min(si.length, (hm + 0.5) / 10.0);  // the middle of each 100 m
                const std::string cls = rate_class(*si.s, si.highway_number, km, last_day_text_);
                const char ter = terrain_at(*si.s, km, last_day_text_);
                const int area = area_at(*si.s, km);
                if (hm == 0 || cls != cur.cls || ter != cur.terrain || area != cur.area) {
                    if (hm > 0) {
                        cur.to_hm = hm;
                        out.push_back(cur);
                    }
                    cur = Piece{};
                    cur.seg = static_cast<int>(k);
                    cur.from_hm = hm;
                    cur.cls = cls;
                    cur.terrain = ter;
                    cur.area = area;
                }
            }
            cur.to_hm = si.hm_max;
            out.push_back(cur);
        }
        for (const Collision& c : all_)
            for (Piece& p : out)
                if (p.seg == c.seg && c.hm >= p.from_hm && (c.hm < p.to_hm || (c.hm == p.to_hm && p.to_hm == segs_[static_cast<std::size_t>(p.seg)].hm_max))) {
                    count(p, c);
                    break;
                }
        return out;
    }

    static void count(Piece& p, const Collision& c) {
        (c.killed ? p.fatal : c.injured ? p.injury : p.pdo) += 1;
        p.vehicles += c.vehicles;
        p.killed += c.killed;
        p.injured += c.injured;
        if (c.killed) p.fatal_injured += c.injured;
    }

    int region_of(int area) const {
        const auto ai = net_.desc.areas.find(area);
        if (ai == net_.desc.areas.end()) return 0;
        const auto di = net_.desc.districts.find(ai->second.first);
        return di == net_.desc.districts.end() ? 0 : di->second.first;
    }
    int district_of(int area) const {
        const auto ai = net_.desc.areas.find(area);
        return ai == net_.desc.areas.end() ? 0 : ai->second.first;
    }

    std::string period() const {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%04d-01-01 to %04d-12-31", o_.first_year, o_.last_year);
        return buf;
    }

    std::string class_rate() const {
        const auto ps = pieces();
        std::vector<std::string> classes;
        for (const Piece& p : ps)
            if (std::find(classes.begin(), classes.end(), p.cls) == classes.end()) classes.push_back(p.cls);
        std::sort(classes.begin(), classes.end());
        std::string out = "Report Title: Collision Rates by Highway Class - Sample Network\r\n";
        out += "Run time: " + std::to_string(o_.last_year + 1) + "-02-01 10:15:42\r\n";
        out += "Subset: Sample network, all collisions " + std::to_string(o_.first_year) + "-" +
               std::to_string(o_.last_year) + "\r\n\r\nHighway Classifications Sets:\r\n";
        for (const auto& c : classes) out += class_words(c) + ",\r\n";
        out += "\r\nTraffic Volume Ranges:\r\n1 - 5000\r\n5001 - 10000\r\n10001 - 20000\r\n20001 - 999999\r\n\r\n";
        out += "Collision Period From: " + std::to_string(o_.first_year) + "-01-01\r\n";
        out += "Collision Period To: " + std::to_string(o_.last_year) + "-12-31\r\n";
        out += "Sections:\r\n\r\nRegion,District,Area,Segment,From Km,To Km,Length,Class,ADT,Fatal,Injury,PDO,Total\r\n";
        std::vector<const Piece*> order;
        for (const Piece& p : ps) order.push_back(&p);
        std::stable_sort(order.begin(), order.end(), [this](const Piece* a, const Piece* b) {
            return std::make_pair(region_of(a->area), district_of(a->area)) <
                   std::make_pair(region_of(b->area), district_of(b->area));
        });
        for (const Piece* p : order) {
            const SegInfo& si = segs_[static_cast<std::size_t>(p->seg)];
            out += std::to_string(region_of(p->area)) + "," + std::to_string(district_of(p->area)) + "," +
                   std::to_string(p->area) + "," + q(si.s->code) + "," + km1(p->from_hm) + "," + km1(p->to_hm) + "," +
                   km1(p->to_hm - p->from_hm) + "," + q(p->cls) + "," + std::to_string(si.adt) + "," +
                   std::to_string(p->fatal) + "," + std::to_string(p->injury) + "," + std::to_string(p->pdo) + "," +
                   std::to_string(p->total()) + "\r\n";
        }
        out += "========\r\nEnd of report\r\n";
        return out;
    }

    // Average rates of a class over the described network: collisions per
    // million vehicle-km (RW: the same, SW: severity-weighted).
    struct Averages {
        double rate = 0, rw = 0, sw = 0;
    };
    std::map<std::string, Averages> class_averages(const std::vector<Piece>& ps) const {
        std::map<std::string, std::array<double, 3>> sums;  // collisions, weighted, exposure
        for (const Piece& p : ps) {
            const SegInfo& si = segs_[static_cast<std::size_t>(p.seg)];
            auto& s = sums[p.cls];
            s[0] += p.total();
            s[1] += 100.0 * p.fatal + 10.0 * p.injury + p.pdo;
            s[2] += (p.to_hm - p.from_hm) / 10.0 * si.adt * static_cast<double>(days_);
        }
        std::map<std::string, Averages> out;
        for (const auto& [cls, s] : sums)
            if (s[2] > 0) out[cls] = {s[0] * 1e6 / s[2], s[0] * 0.9e6 / s[2], s[1] * 1e6 / s[2]};
        return out;
    }

    // Fields 1 to 50 of one section-analysis record.
    static std::string fields(const std::map<int, std::string>& f, int n) {
        std::string out;
        for (int k = 1; k <= n; ++k) {
            if (k > 1) out += ',';
            const auto it = f.find(k);
            if (it != f.end()) out += it->second;
        }
        return out + "\r\n";
    }

    static std::string heading(int n) {
        std::string out = "GroupID";
        for (int k = 2; k <= n; ++k) out += ",F" + std::to_string(k);
        return out + "\r\n";
    }

    std::string ssa_sections() const {
        const auto ps = pieces();
        const auto avg = class_averages(ps);
        std::string out = "\"Specified Sections Analysis\"\r\n\"Region: all   Period: " + period() +
                          "\"\r\n\r\n\"Severity weights: fatal 100, injury 10, PDO 1\"\r\n\r\n" + heading(50);
        int id = 0;
        for (const Piece& p : ps) {
            const SegInfo& si = segs_[static_cast<std::size_t>(p.seg)];
            if (!si.analysed) continue;
            const double len = (p.to_hm - p.from_hm) / 10.0;
            const double vol = static_cast<double>(si.adt) * static_cast<double>(days_);
            const double mvk = vol * len / 1e6;
            const double rate = mvk > 0 ? p.total() / mvk : 0;
            const double sw = mvk > 0 ? (100.0 * p.fatal + 10.0 * p.injury + p.pdo) / mvk : 0;
            const Averages a = avg.count(p.cls) ? avg.at(p.cls) : Averages{};
            std::map<int, std::string> f;
            f[1] = std::to_string(++id);
            f[2] = std::to_string(region_of(p.area));
            f[3] = std::to_string(district_of(p.area));
            f[4] = std::to_string(p.area);
            f[6] = km1(p.from_hm);
            f[7] = si.s->code;
            f[8] = km1(p.to_hm);
            f[12] = fmt("%.2f", len);
            f[13] = std::to_string(o_.first_year) + "-" + std::to_string(o_.last_year);
            f[16] = std::string(si.adt > 10000 ? "Y" : "N") + p.cls.substr(1) + p.terrain;
            f[18] = std::to_string(si.adt);
            f[20] = fmt("%.0f", vol);
            f[21] = fmt("%.2f", rate);
            f[22] = fmt("%.2f", rate * 0.9);
            f[23] = fmt("%.2f", sw);
            f[24] = fmt("%.2f", a.sw > 0 ? sw / a.sw : 0);
            f[25] = std::to_string(p.total());
            f[26] = std::to_string(p.vehicles);
            f[27] = std::to_string(p.fatal);
            f[28] = std::to_string(p.killed);
            f[29] = std::to_string(p.fatal_injured);
            f[30] = std::to_string(p.injury);
            f[31] = std::to_string(p.injured);
            f[32] = std::to_string(p.pdo);
            f[36] = fmt("%.2f", a.rate);
            f[38] = fmt("%.2f", a.rw);
            f[40] = fmt("%.2f", a.sw);
            out += fields(f, 50);
        }
        return out + "========================================\r\n";
    }

    // Intersections as sets of inventory locations, one group each: the
    // junctions of two highways, the divided highway's two carriageways and
    // the node where three segments meet.
    std::string ssa_locations() const {
        const auto ps = pieces();
        const auto avg = class_averages(ps);
        std::map<int, std::vector<const Site*>> groups;  // intersection -> its sites
        for (const Site& s : sites_) groups[s.intersection].push_back(&s);
        std::string out = "\"Specified Sections Analysis - locations\"\r\n\"Period: " + period() + "\"\r\n\r\n" +
                          heading(45);
        int group = 100;
        for (const auto& [inter, sites] : groups) {
            if (sites.size() < 2 && !busy(inter)) continue;
            ++group;
            for (const Site* s : sites) {
                const SegInfo& si = segs_[static_cast<std::size_t>(s->seg)];
                Piece p;
                for (const Collision& c : all_)
                    if (c.seg == s->seg && c.hm == s->hm) count(p, c);
                const std::string cls = rate_class(*si.s, si.highway_number, s->hm / 10.0, last_day_text_);
                const char ter = terrain_at(*si.s, s->hm / 10.0, last_day_text_);
                const int area = area_at(*si.s, s->hm / 10.0);
                const double vol = static_cast<double>(si.adt) * static_cast<double>(days_);
                const double mv = vol / 1e6;
                const Averages a = avg.count(cls) ? avg.at(cls) : Averages{};
                std::map<int, std::string> f;
                f[1] = std::to_string(group);
                f[2] = std::to_string(region_of(area));
                f[3] = std::to_string(district_of(area));
                f[4] = std::to_string(area);
                f[5] = si.s->code;
                f[6] = fmt("%.2f", s->hm / 10.0);
                f[16] = q(cls.substr(1) + ter);
                f[18] = std::to_string(si.adt);
                f[20] = fmt("%.0f", vol);
                f[22] = fmt("%.2f", mv > 0 ? p.total() * 0.9 / mv : 0);
                f[25] = std::to_string(p.total());
                f[26] = std::to_string(p.vehicles);
                f[27] = std::to_string(p.fatal);
                f[28] = std::to_string(p.killed);
                f[29] = std::to_string(p.fatal_injured);
                f[30] = std::to_string(p.injury);
                f[31] = std::to_string(p.injured);
                f[32] = std::to_string(p.pdo);
                // intersections see a fifth of the section rate per million entering vehicles
                f[36] = fmt("%.2f", a.rate * 0.2);
                f[38] = fmt("%.2f", a.rw * 0.2);
                f[40] = fmt("%.2f", a.sw * 0.2);
                f[42] = q("INT");
                f[45] = q(s->description);
                out += fields(f, 45);
            }
        }
        return out + "========================================\r\n";
    }

    const Network& net_;
    CollisionOptions o_;
    const Version& v_;
    Rng rng_;
    std::string last_day_text_;
    long first_day_ = 0, last_day_ = 0, days_ = 0;
    std::vector<SegInfo> segs_;
    std::map<std::string, int> index_;
    std::vector<Site> sites_;
    std::vector<Collision> all_;
};

}  // namespace

void write_collision_files(const Network& net, const std::string& folder, const CollisionOptions& options) {
    if (net.versions.empty()) throw std::runtime_error("the network has no version");
    Writer(net, options).write(fs::path(folder));
}

}  // namespace sample
