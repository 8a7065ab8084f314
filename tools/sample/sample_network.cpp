// Carrying the described network through its versions: each change between
// two versions becomes a transformation group, and the segments, their areas,
// classes and landmarks move with it, so every file tells the same story.
#include "tools/sample/sample_network.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "tools/sample/sample_geometry.h"

namespace sample {

namespace {

constexpr const char* kOpenEnd = "2050-01-01";
constexpr const char* kFirstClassDate = "1990-01-01";
constexpr const char* kGroupFrom = "1900-01-01";

[[noreturn]] void fail_line(int line, const std::string& what) {
    throw DescriptionError("line " + std::to_string(line) + ": " + what);
}

float kmf(const std::string& text) {
    return std::strtof(text.c_str(), nullptr);
}

std::string km2(double km) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", km + (km >= 0 ? 1e-9 : -1e-9));
    return buf;
}

// Days since 1970-01-01 and back (proleptic Gregorian).
long days_from_civil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string civil_from_days(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long y = yoe + era * 400;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const long d = doy - (153 * mp + 2) / 5 + 1;
    const long m = mp + (mp < 10 ? 3 : -9);
    y += m <= 2;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04ld-%02ld-%02ld", y, m, d);
    return buf;
}

std::string day_before(const std::string& date) {
    const int y = std::stoi(date.substr(0, 4)), m = std::stoi(date.substr(5, 2)), d = std::stoi(date.substr(8, 2));
    return civil_from_days(days_from_civil(y, m, d) - 1);
}

// A km map of one change, piecewise linear through (from, to) pairs.
struct KmMap {
    std::vector<std::pair<float, float>> pts;
    float operator()(float km) const {
        for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
            const auto [a0, b0] = pts[i];
            const auto [a1, b1] = pts[i + 1];
            if (km >= a0 && km <= a1) {
                if (a1 == a0) return b0;
                return static_cast<float>(b0 + (static_cast<double>(km) - a0) * (b1 - b0) / (a1 - a0));
            }
        }
        return pts.back().second;
    }
};

float round2(float v) {
    return static_cast<float>(std::round(static_cast<double>(v) * 100.0) / 100.0);
}

// Moves the interval attributes (areas, classes) through a map, keeping the
// pieces of [lo, hi] of the old segment, reversed when the map runs down.
template <class Row>
std::vector<Row> map_rows(const std::vector<Row>& rows, float lo, float hi, const KmMap& f) {
    std::vector<Row> out;
    for (Row r : rows) {
        const float a = std::max(r.start_km, lo), b = std::min(r.end_km, hi);
        if (!(a < b)) continue;
        float na = round2(f(a)), nb = round2(f(b));
        if (na > nb) std::swap(na, nb);
        if (!(na < nb)) continue;
        r.start_km = na;
        r.end_km = nb;
        out.push_back(r);
    }
    std::sort(out.begin(), out.end(), [](const Row& x, const Row& y) { return x.start_km < y.start_km; });
    return out;
}

std::vector<ClassRow> sort_classes(std::vector<ClassRow> rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const ClassRow& a, const ClassRow& b) {
        if (a.category != b.category) return a.category < b.category;
        if (a.start_km != b.start_km) return a.start_km < b.start_km;
        return a.from_date < b.from_date;
    });
    return rows;
}

std::string base36_code(int value) {
    static const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string s(4, '0');
    for (int i = 3; i >= 0; --i) {
        s[static_cast<std::size_t>(i)] = digits[value % 36];
        value /= 36;
    }
    return s;
}

// A small fixed-seed generator, so the scaled network is the same every time.
struct Rand {
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    double next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    }
    double range(double a, double b) { return a + (b - a) * next(); }
};

class Builder {
public:
    Builder(const Description& d, const ScaleOptions& scale) : scale_(scale) { net_.desc = d; }

    Network run() {
        const Description& d = net_.desc;
        net_.filler_points = std::max(2, scale_.points_per_segment);
        validate();
        std::vector<Segment> cur;
        for (std::size_t vi = 0; vi < d.versions.size(); ++vi) {
            const VersionDef& v = d.versions[vi];
            group_count_ = 0;
            for (const ChangeDef& c : d.changes)
                if (c.version == v.code) apply_change(cur, c, static_cast<int>(vi));
            for (std::size_t si = 0; si < d.segments.size(); ++si) {
                const SegmentDef& s = d.segments[si];
                const bool starts_here = s.since.empty() ? vi == 0 : s.since == v.code;
                if (starts_here) cur.push_back(make_segment(s, static_cast<int>(si), vi == 0 ? "" : v.effective));
            }
            if (vi == 0 && scale_.segments > 0) add_filler(cur);
            std::stable_sort(cur.begin(), cur.end(), [](const Segment& a, const Segment& b) {
                if (a.highway != b.highway) return a.highway < b.highway;
                return a.sequence < b.sequence;
            });
            net_.versions.push_back(finish_version(cur, v));
        }
        auto& geo = net_.desc.geometry_versions;
        if (scale_.segments > 0 && !scale_.all_geometry && !geo.empty())
            geo = {*std::max_element(geo.begin(), geo.end())};
        return std::move(net_);
    }

private:
    void validate() {
        const Description& d = net_.desc;
        std::set<std::string> versions;
        for (const auto& v : d.versions) versions.insert(v.code);
        for (const auto& g : d.geometry_versions)
            if (!versions.count(g)) throw DescriptionError("geometry version " + g + " is not a version");
        for (const auto& s : d.segments)
            if (!s.since.empty() && !versions.count(s.since))
                throw DescriptionError("segment " + s.code + ": since=" + s.since + " is not a version");
        for (const auto& c : d.changes) {
            if (!versions.count(c.version)) fail_line(c.line, c.version + " is not a version");
            if (c.version == d.versions.front().code) fail_line(c.line, "a change leads to a later version");
        }
        for (const auto& c : d.class_from)
            if (!versions.count(c.since))
                throw DescriptionError("classfrom " + c.segment + ": " + c.since + " is not a version");
        std::set<int> ints;
        for (const auto& i : d.intersections) ints.insert(i.id);
        for (const auto& m : d.landmarks)
            for (const auto& r : m.intersections)
                if (!ints.count(r.id))
                    throw DescriptionError("landmark on " + m.segment + ": intersection " + std::to_string(r.id) +
                                           " is not described");
        for (const auto& s : d.segments) used_codes_.insert(s.code);
        for (const auto& c : d.changes) {
            if (!c.new_code.empty()) used_codes_.insert(c.new_code);
            if (!c.code1.empty()) used_codes_.insert(c.code1), used_codes_.insert(c.code2);
        }
    }

    Segment make_segment(const SegmentDef& s, int def_index, const std::string& since_date) {
        const Description& d = net_.desc;
        Segment g;
        g.code = s.code;
        g.length = s.length;
        g.nway = s.nway;
        g.dir = s.dir;
        g.description = s.description;
        g.effective = !s.effective.empty() ? s.effective : since_date;
        g.highway = s.highway;
        int seq = 0;
        for (int i = 0; i <= def_index; ++i)
            if (d.segments[static_cast<std::size_t>(i)].highway == s.highway) seq += 10;
        g.sequence = seq;
        g.end_key = "E" + s.code;
        const float L = kmf(s.length);
        for (std::size_t k = 0; k < s.areas.size(); ++k) {
            AreaRow r;
            r.start_km = s.areas[k].from_km;
            r.end_km = k + 1 < s.areas.size() ? s.areas[k + 1].from_km : L;
            r.area = s.areas[k].area;
            if (!(r.start_km < r.end_km))
                throw DescriptionError("segment " + s.code + ": an area break lies beyond its end");
            g.areas.push_back(r);
        }
        const std::string class_start = since_date.empty() ? kFirstClassDate : since_date;
        for (int cat = 1; cat <= 6; ++cat) {
            const char code = s.classes[static_cast<std::size_t>(cat - 1)];
            if (code == '.') continue;
            g.classes.push_back({cat, code, class_start, kOpenEnd, 0.0f, L});
        }
        for (const ClassAt& ca : d.class_at) {
            if (ca.segment != s.code) continue;
            std::vector<ClassRow> rows;
            bool split = false;
            for (const ClassRow& r : g.classes) {
                if (r.category == ca.category && ca.from_km > r.start_km && ca.from_km < r.end_km) {
                    ClassRow a = r, b = r;
                    a.end_km = ca.from_km;
                    b.start_km = ca.from_km;
                    b.code = ca.code;
                    rows.push_back(a);
                    rows.push_back(b);
                    split = true;
                } else {
                    rows.push_back(r);
                }
            }
            if (!split) throw DescriptionError("classat " + ca.segment + ": no class row of that category to break");
            g.classes = sort_classes(rows);
        }
        for (std::size_t i = 0; i < d.landmarks.size(); ++i) {
            const LandmarkDef& m = d.landmarks[i];
            if (m.segment != s.code) continue;
            if (m.km > L) throw DescriptionError("landmark on " + m.segment + " lies beyond the segment's end");
            Landmark l;
            l.id = 1001 + static_cast<std::int32_t>(i);
            l.segment = s.code;
            l.km = m.km;
            l.type = m.type;
            l.side = m.side;
            l.description = m.description;
            l.coordinates = m.coordinates;
            l.source = m.source;
            l.intersections = m.intersections;
            l.def = static_cast<int>(i);
            g.landmarks.push_back(l);
        }
        return g;
    }

    Segment* find(std::vector<Segment>& cur, const std::string& code, int line) {
        for (Segment& s : cur)
            if (s.code == code) return &s;
        fail_line(line, "segment " + code + " is not in the version before");
    }

    Group& new_group(int vi, const std::string& segment, const std::string& text) {
        const VersionDef& v = net_.desc.versions[static_cast<std::size_t>(vi)];
        Group g;
        g.number = vi * 100 + ++group_count_;
        g.target = v.code;
        g.text = text.substr(0, 20);
        g.from_date = kGroupFrom;
        g.to_date = day_before(v.effective);
        g.segment = segment;
        net_.groups.push_back(g);
        return net_.groups.back();
    }

    void apply_change(std::vector<Segment>& cur, const ChangeDef& c, int vi) {
        const std::string& date = net_.desc.versions[static_cast<std::size_t>(vi)].effective;
        Segment& s = *find(cur, c.segment, c.line);
        const float L = kmf(s.length);
        switch (c.kind) {
            case ChangeDef::Remap: {
                if (c.old_to > L) fail_line(c.line, "the remapped range runs past the segment's end");
                const float newL = round2(L + (c.new_to - c.new_from) - (c.old_to - c.old_from));
                KmMap f;
                f.pts.push_back({0.0f, 0.0f});
                if (c.old_from > 0) f.pts.push_back({c.old_from, c.new_from});
                f.pts.push_back({c.old_to, c.new_to});
                if (c.old_to < L) f.pts.push_back({L, newL});
                Group& g = new_group(vi, s.code, "Remap " + s.code);
                for (const auto& [a, b] : f.pts)
                    g.points.push_back({a, s.code, b, (a == c.old_from && a > 0) || a == c.old_to});
                s.length = km2(newL);
                s.effective = date;
                for (Landmark& l : s.landmarks) l.km = round2(f(l.km));
                s.areas = map_rows(s.areas, 0, L, f);
                s.classes = sort_classes(map_rows(s.classes, 0, L, f));
                break;
            }
            case ChangeDef::Renumber: {
                Group& g = new_group(vi, s.code, "Renumber " + s.code + ">" + c.new_code);
                g.points.push_back({0.0f, c.new_code, 0.0f, false});
                g.points.push_back({L, c.new_code, L, false});
                s.code = c.new_code;
                s.effective = date;
                for (Landmark& l : s.landmarks) l.segment = c.new_code;
                break;
            }
            case ChangeDef::Devolve: {
                Group& g = new_group(vi, s.code, "Devolve " + s.code);
                g.devolved = true;
                cur.erase(cur.begin() + (&s - cur.data()));
                break;
            }
            case ChangeDef::Cut: {
                if (!(c.km > 0 && c.km < L)) fail_line(c.line, "the cut lies outside the segment");
                const float rest = round2(L - c.km);
                Group& g = new_group(vi, s.code, "Cut " + s.code + ">" + c.new_code);
                g.points.push_back({0.0f, s.code, 0.0f, false});
                g.points.push_back({c.km, s.code, c.km, false});
                g.points.push_back({c.km, c.new_code, 0.0f, false});
                g.points.push_back({L, c.new_code, rest, false});
                Segment after = s;
                after.code = c.new_code;
                after.length = km2(rest);
                after.sequence = s.sequence + 5;
                after.end_key = s.end_key;
                after.effective = date;
                KmMap keep{{{0.0f, 0.0f}, {c.km, c.km}}};
                KmMap shift{{{c.km, 0.0f}, {L, rest}}};
                after.areas = map_rows(s.areas, c.km, L, shift);
                after.classes = sort_classes(map_rows(s.classes, c.km, L, shift));
                after.landmarks.clear();
                std::vector<Landmark> kept;
                for (Landmark l : s.landmarks) {
                    if (l.km <= c.km) {
                        kept.push_back(l);
                    } else {
                        l.segment = c.new_code;
                        l.km = round2(l.km - c.km);
                        after.landmarks.push_back(l);
                    }
                }
                s.landmarks = kept;
                s.areas = map_rows(s.areas, 0, c.km, keep);
                s.classes = sort_classes(map_rows(s.classes, 0, c.km, keep));
                s.length = km2(c.km);
                s.end_key = "C" + s.code;
                s.effective = date;
                const std::size_t at = static_cast<std::size_t>(&s - cur.data()) + 1;
                cur.insert(cur.begin() + static_cast<long>(at), after);
                break;
            }
            case ChangeDef::Split: {
                const float L1 = kmf(c.length1), L2 = kmf(c.length2);
                Group& g1 = new_group(vi, s.code, "Split " + s.code + " " + c.dirs1);
                g1.codes = c.dirs1;
                g1.points.push_back({0.0f, c.code1, 0.0f, false});
                g1.points.push_back({L, c.code1, L1, false});
                Group& g2 = new_group(vi, s.code, "Split " + s.code + " " + c.dirs2);
                g2.codes = c.dirs2;
                g2.points.push_back({0.0f, c.code2, L2, false});
                g2.points.push_back({L, c.code2, 0.0f, false});
                const KmMap f1{{{0.0f, 0.0f}, {L, L1}}};
                const KmMap f2{{{0.0f, L2}, {L, 0.0f}}};
                Segment a = s, b = s;
                a.code = c.code1;
                a.length = c.length1;
                a.nway = 1;
                a.dir = c.dirs1.substr(0, 1);
                a.opposite = c.code2;
                a.effective = date;
                a.areas = map_rows(s.areas, 0, L, f1);
                a.classes = sort_classes(map_rows(s.classes, 0, L, f1));
                for (Landmark& l : a.landmarks) l.segment = c.code1, l.km = round2(f1(l.km));
                b.code = c.code2;
                b.length = c.length2;
                b.nway = 1;
                b.dir = c.dirs2.substr(0, 1);
                b.opposite = c.code1;
                b.effective = date;
                b.parallel = true;
                b.sequence = s.sequence + 1;
                b.areas = map_rows(s.areas, 0, L, f2);
                b.classes = sort_classes(map_rows(s.classes, 0, L, f2));
                for (Landmark& l : b.landmarks) {
                    l.segment = c.code2;
                    l.km = round2(f2(l.km));
                    l.id = next_copy_id_++;
                    if (l.side == "L")
                        l.side = "R";
                    else if (l.side == "R")
                        l.side = "L";
                }
                std::reverse(b.landmarks.begin(), b.landmarks.end());
                const std::size_t at = static_cast<std::size_t>(&s - cur.data());
                cur[at] = a;
                cur.insert(cur.begin() + static_cast<long>(at) + 1, b);
                break;
            }
        }
    }

    void add_filler(std::vector<Segment>& cur) {
        Description& d = net_.desc;
        int have = 0;
        for (const auto& s : d.segments) have += s.since.empty() ? 1 : 0;
        int wanted = scale_.segments - have;
        if (wanted <= 0) return;
        std::vector<int> areas;
        for (const auto& [code, a] : d.areas) areas.push_back(code);
        Rand rnd;
        int code_value = 10 * 36 * 36 * 36;
        const int per_highway = 12;
        for (int h = 0; wanted > 0; ++h) {
            HighwayDef hw;
            hw.number = 100 + h % 800;
            hw.letter = h / 800 == 0 ? "" : std::string(1, static_cast<char>('A' + (h / 800 - 1) % 26));
            hw.lat = rnd.range(49.4, 51.6);
            hw.lon = rnd.range(-123.6, -118.4);
            const double toward =
                std::atan2((-121.0 - hw.lon) * std::cos(50.5 * M_PI / 180), 50.5 - hw.lat) * 180 / M_PI;
            hw.heading = toward + rnd.range(-50, 50);
            hw.wiggle = 5;
            hw.name = "Filler road " + std::to_string(h + 1);
            d.highways.push_back(hw);
            const int hi = static_cast<int>(d.highways.size()) - 1;
            for (int k = 0; k < per_highway && wanted > 0; ++k, --wanted) {
                std::string code;
                do code = base36_code(code_value++);
                while (used_codes_.count(code));
                Segment s;
                s.code = code;
                s.length = km2(std::round(rnd.range(2.0, 8.0) * 100) / 100);
                s.nway = 2;
                s.dir = "N";
                s.description = hw.name + ", part " + std::to_string(k + 1);
                s.highway = hi;
                s.sequence = 10 * (k + 1);
                s.end_key = "E" + code;
                s.filler = true;
                const float L = kmf(s.length);
                s.areas.push_back({0.0f, L, areas[static_cast<std::size_t>(h) % areas.size()]});
                const char* classes = "CRR2UP";
                for (int cat = 1; cat <= 6; ++cat)
                    s.classes.push_back({cat, classes[cat - 1], kFirstClassDate, kOpenEnd, 0.0f, L});
                cur.push_back(s);
                ++net_.filler_segments;
            }
        }
    }

    Version finish_version(const std::vector<Segment>& cur, const VersionDef& vd) {
        const Description& d = net_.desc;
        Version v;
        v.code = vd.code;
        v.effective = vd.effective;
        v.segments = cur;
        // Classes known from a date on, in the versions published after it.
        for (Segment& s : v.segments) {
            for (const ClassFrom& cf : d.class_from) {
                if (cf.segment != s.code || v.code < cf.since) continue;
                std::vector<ClassRow> rows;
                for (const ClassRow& r : s.classes) {
                    if (r.category == cf.category && r.from_date < cf.date && cf.date <= r.to_date) {
                        ClassRow a = r, b = r;
                        a.to_date = day_before(cf.date);
                        b.from_date = cf.date;
                        b.code = cf.code;
                        rows.push_back(a);
                        rows.push_back(b);
                    } else {
                        rows.push_back(r);
                    }
                }
                s.classes = sort_classes(rows);
            }
        }
        // Nodes: a segment begins where the one before it on its highway ends.
        std::map<std::string, const Segment*> by_code;
        for (const Segment& s : v.segments) by_code[s.code] = &s;
        std::vector<std::string> last_end(d.highways.size());
        std::vector<bool> started(d.highways.size(), false);
        for (std::size_t i = 0; i < v.segments.size(); ++i) {
            Segment& s = v.segments[i];
            const HighwayDef& h = d.highways[static_cast<std::size_t>(s.highway)];
            if (s.parallel) {
                const Segment& partner = v.segments[i - 1];
                s.begin_key = partner.end_key;
                s.end_key = partner.begin_key;
                continue;
            }
            if (!started[static_cast<std::size_t>(s.highway)]) {
                started[static_cast<std::size_t>(s.highway)] = true;
                if (!h.after.empty()) {
                    const auto it = by_code.find(h.after);
                    if (it == by_code.end())
                        throw DescriptionError("highway " + std::to_string(h.number) + h.letter + " starts after " +
                                               h.after + ", which is not in version " + v.code);
                    s.begin_key = it->second->end_key;
                } else {
                    s.begin_key = "H" + std::to_string(s.highway);
                }
            } else {
                s.begin_key = last_end[static_cast<std::size_t>(s.highway)];
            }
            last_end[static_cast<std::size_t>(s.highway)] = s.end_key;
        }
        std::map<std::string, int> ends;
        for (Segment& s : v.segments) {
            s.begin_node = node_id(s.begin_key);
            s.end_node = node_id(s.end_key);
            ++ends[s.begin_node];
            ++ends[s.end_node];
        }
        auto cont = [&](const std::string& node) {
            const int n = ends[node];
            return n == 1 ? 'T' : n >= 3 ? 'J' : 'C';
        };
        for (Segment& s : v.segments) {
            s.begin_cont = cont(s.begin_node);
            s.end_cont = cont(s.end_node);
        }
        place(v);
        // Landmark positions and numbers along each segment.
        Geometry geo(net_, v);
        v.node_landmarks.reserve(2 * v.segments.size());
        for (Segment& s : v.segments) {
            const float L = kmf(s.length);
            Landmark z2, z3;
            z2.id = node_landmark_id("Z2:" + s.code + ":" + s.begin_node);
            z2.segment = s.code;
            z2.km = 0;
            z2.type = "Z2";
            z2.side = "B";
            z2.description = "Node " + s.begin_node;
            z2.source = 5;
            z3 = z2;
            z3.id = node_landmark_id("Z3:" + s.code + ":" + s.end_node);
            z3.km = L;
            z3.type = "Z3";
            z3.description = "Node " + s.end_node;
            std::vector<Landmark*> all;
            v.node_landmarks.push_back(z2);
            v.node_landmarks.push_back(z3);
            for (Landmark& l : s.landmarks) all.push_back(&l);
            Landmark* pz2 = &v.node_landmarks[v.node_landmarks.size() - 2];
            Landmark* pz3 = &v.node_landmarks.back();
            all.insert(all.begin(), pz2);
            all.push_back(pz3);
            std::stable_sort(all.begin(), all.end(),
                             [](const Landmark* a, const Landmark* b) { return a->km < b->km; });
            int n = 0;
            for (Landmark* l : all) {
                l->lmnum = ++n;
                const auto [lat, lon] = geo.at(s, l->km);
                l->lat = lat;
                l->lon = lon;
            }
        }
        return v;
    }

    // Where each segment lies along its highway's path.
    void place(Version& v) {
        const Description& d = net_.desc;
        v.path_start.assign(d.highways.size(), {0.0, 0.0});
        std::vector<double> s_at(d.highways.size(), 0.0);
        std::vector<bool> started(d.highways.size(), false);
        for (std::size_t i = 0; i < v.segments.size(); ++i) {
            Segment& s = v.segments[i];
            const std::size_t h = static_cast<std::size_t>(s.highway);
            const HighwayDef& hw = d.highways[h];
            if (!started[h]) {
                started[h] = true;
                if (hw.after.empty()) {
                    v.path_start[h] = {hw.lat, hw.lon};
                } else {
                    for (const Segment& o : v.segments)
                        if (o.code == hw.after) {
                            Geometry geo(net_, v);
                            const auto [lat, lon] = geo.at(o, kmf(o.length));
                            v.path_start[h] = {lat, lon};
                        }
                }
            }
            if (s.parallel) {
                const Segment& partner = v.segments[i - 1];
                s.path_from = partner.path_to;
                s.path_to = partner.path_from;
                s.lateral_m = -12.0;
                continue;
            }
            s.path_from = s_at[h];
            s.path_to = s_at[h] + kmf(s.length) * (1.0 + ground_factor(s.highway));
            s_at[h] = s.path_to;
        }
    }

    std::string node_id(const std::string& key) {
        const auto it = nodes_.find(key);
        if (it != nodes_.end()) return it->second;
        char buf[16];
        std::snprintf(buf, sizeof buf, "%d", 10001 + static_cast<int>(nodes_.size()));
        return nodes_[key] = buf;
    }

    std::int32_t node_landmark_id(const std::string& key) {
        const auto it = node_landmarks_.find(key);
        if (it != node_landmarks_.end()) return it->second;
        const std::int32_t id = 20001 + static_cast<std::int32_t>(node_landmarks_.size());
        node_landmarks_[key] = id;
        return id;
    }

    ScaleOptions scale_;
    Network net_;
    std::set<std::string> used_codes_;
    std::map<std::string, std::string> nodes_;
    std::map<std::string, std::int32_t> node_landmarks_;
    std::int32_t next_copy_id_ = 3001;
    int group_count_ = 0;
};

}  // namespace

// The centreline is measured a little differently from the inventory: a few
// metres per km longer or shorter, the same along one highway.
double ground_factor(int highway) {
    return 0.003 * ((highway % 3) - 1);
}

Network build_network(const Description& desc, const ScaleOptions& scale) {
    return Builder(desc, scale).run();
}

}  // namespace sample
