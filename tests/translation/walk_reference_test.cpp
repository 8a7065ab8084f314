// The translations against a plain reference: every walk written out as a
// scan over all groups and all match points, run side by side with the
// library on generated tables (many segments, ties, overlapping groups, split
// and devolved groups, off-inventory points, groups without points, unsorted
// km, broken match runs, out-of-order rows) and random locations.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/translation/tr_support.h"
#include "translation/Date_Lib.h"
#include "translation/Hemzshift8.h"
#include "translation/Hemzshift8_mod.h"
#include "translation/Scan_Utils.h"
#include "translation/Text_Utils.h"

using namespace hemzshift;

namespace {

const std::string kOpenEnd = "2050-01-01";
const std::string kBlank4(4, ' '), kBlank10(10, ' ');

// ----------------------------------------------------------- the reference

class Reference {
public:
    Reference(int ndp, std::string target, std::map<std::string, std::vector<Seg_Row>> rows)
        : ndp_(ndp), target_(fixed(target, 10)), target_given_(!is_blank(target_)), rows_(std::move(rows)) {
        groups_.resize(1);
        for (int g = 1; g <= group_count(); ++g) groups_.push_back(group(g));
        points_.resize(1);
        for (int m = 1; m <= match_count(); ++m) points_.push_back(match_point(m));
        for (int i = -MAXSTEP; i <= MAXSTEP; ++i) h(i) = detail_entry(i);
        if (ndp_ == 1)
            for (auto& [version, list] : rows_)
                for (Seg_Row& r : list) r.Length = ROUND(r.Length, 1);
    }

    Detail_Entry& h(int i) { return history_[static_cast<std::size_t>(i + MAXSTEP)]; }

    std::string end_date(const std::string& segment) const {
        for (int g = ngroup(); g >= 1; --g) {
            const Transform_Group& grp = groups_[static_cast<std::size_t>(g)];
            if (grp.Segment != segment) continue;
            if (grp.Devolved) return grp.ToDate;
            if (grp.M1 == 0) return kBlank10;
            for (int m = grp.M1; m <= grp.M2; ++m)
                if (point(m).ToSegment == segment) return kBlank10;
            return grp.ToDate;
        }
        return kBlank10;
    }

    void interpolate(int g, float km, std::string& seg, float& out_km, bool& obs) const {
        const Transform_Group& grp = groups_[static_cast<std::size_t>(g)];
        auto take = [&](const Match_Point& p) {
            if (is_blank(p.ToSegment)) {
                seg = "OFF ";
                out_km = -1.0f;
            } else {
                seg = p.ToSegment;
                out_km = p.ToKm;
                if (p.Obs) obs = true;
            }
        };
        for (int m = grp.M1; grp.M1 > 0 && m <= grp.M2; ++m) {
            const Match_Point& a = point(m);
            if (km < a.FromKm) continue;
            if (km == a.FromKm) return take(a);
            if (m == grp.M2) continue;
            const Match_Point& b = point(m + 1);
            if (km == b.FromKm) return take(b);
            if (km < b.FromKm) {
                if (is_blank(a.ToSegment) || is_blank(b.ToSegment)) {
                    seg = "OFF ";
                    out_km = -1.0f;
                    return;
                }
                const double v = (static_cast<double>(km) - a.FromKm) * (static_cast<double>(b.ToKm) - a.ToKm) /
                                     (static_cast<double>(b.FromKm) - a.FromKm) +
                                 a.ToKm;
                seg = a.ToSegment;
                out_km = ROUND(static_cast<float>(v), ndp_);
                if (a.Obs || b.Obs) obs = true;
                return;
            }
        }
        seg = "ERR ";
        out_km = -2.0f;
    }

    void forward(std::string date, const std::string& segment, const std::string& code_in, float km_in,
                 std::string& seg, float& km, bool& obs, int32_t& steps, bool& split) {
        if (is_blank(date)) {
            date = end_date(segment);
            if (is_blank(date)) SYSDATE(date);
        }
        const char code = code_of(code_in);
        km = ndp_ == 1 ? ROUND(km_in, 1) : km_in;
        seg = segment;
        obs = split = false;
        steps = 0;
        clear(0, MAXSTEP);
        h(0).EffDate = date;
        h(0).Segment = segment;
        h(0).Km = km;
        h(0).Text = code_in + "     ";
        bool reached = false;
        for (int g = 1; g <= ngroup(); ++g) {
            const Transform_Group& grp = groups_[static_cast<std::size_t>(g)];
            if (target_given_) {
                if (grp.TargetVersion == target_)
                    reached = true;
                else if (reached)
                    break;
            }
            if (grp.Segment != seg || !(grp.FromDate <= date && date <= grp.ToDate)) continue;
            if (grp.Split) {
                split = true;
                if (std::string(trimmed(grp.CodeList)).find(code) == std::string::npos) continue;
            }
            if (steps >= MAXSTEP) break;
            Detail_Entry& e = h(++steps);
            e.Present = true;
            e.Version = grp.TargetVersion;
            e.EffDate = DATE_PLUS_1(grp.ToDate);
            if (grp.Devolved) {
                seg = e.Segment = "DEL ";
                km = e.Km = -3.0f;
                break;
            }
            interpolate(g, km, seg, km, obs);
            e.Segment = seg;
            e.Km = km;
            e.Obs = obs;
            e.Split = grp.Split;
            e.Text = grp.CodeList;
        }
    }

    void back(const std::string& date, const std::string& segment, const std::string& code_in, float km_in) {
        float km = ndp_ == 1 ? ROUND(km_in, 1) : km_in;
        std::string cur_date = is_blank(date) ? kOpenEnd : date, seg = segment;
        clear(-MAXSTEP, 0);
        h(0).Present = true;
        h(0).EffDate = cur_date;
        h(0).Segment = seg;
        h(0).Km = km;
        h(0).Text = code_in + "     ";
        int steps = 0;
        for (int g = ngroup(); g >= 1; --g) {
            const Transform_Group& grp = groups_[static_cast<std::size_t>(g)];
            if (grp.Devolved || !(grp.ToDate < cur_date) || grp.M1 == 0 || is_blank(seg)) continue;
            int first = 0, last = 0;
            for (int m = grp.M1; m <= grp.M2; ++m)
                if (point(m).ToSegment == seg) {
                    if (first == 0) first = m;
                    last = m;
                }
            int pair = 0;
            for (int m = first; first > 0 && m < last && pair == 0; ++m) {
                const float lo = std::min(point(m).ToKm, point(m + 1).ToKm);
                const float hi = std::max(point(m).ToKm, point(m + 1).ToKm);
                if (lo <= km && km <= hi) pair = m;
            }
            if (pair == 0) continue;
            if (steps >= MAXSTEP) break;
            const Match_Point &pm = point(pair), &pn = point(pair + 1);
            float earlier = pm.FromKm;
            if (pn.ToKm != pm.ToKm)
                earlier = static_cast<float>((static_cast<double>(km) - pm.ToKm) *
                                                 (static_cast<double>(pn.FromKm) - pm.FromKm) /
                                                 (static_cast<double>(pn.ToKm) - pm.ToKm) +
                                             pm.FromKm);
            earlier = ROUND(earlier, ndp_);
            ++steps;
            Detail_Entry& older = h(-steps);
            older.Present = true;
            older.Segment = grp.Segment;
            older.Km = earlier;
            older.Obs = false;
            Detail_Entry& later = h(1 - steps);
            later.Version = grp.TargetVersion;
            later.EffDate = DATE_PLUS_1(grp.ToDate);
            later.Split = grp.Split;
            later.Text = grp.CodeList;
            seg = grp.Segment;
            km = earlier;
            cur_date = grp.ToDate;
        }
    }

    void all(const std::string& date, const std::string& segment, const std::string& code, float km) {
        clear(-MAXSTEP, MAXSTEP);
        if (date != kOpenEnd) {
            std::string s;
            float k;
            bool o, sp;
            int32_t n;
            forward(date, segment, code, km, s, k, o, n, sp);
        }
        back(date, segment, code, km);
    }

    int check(const std::string& version, const std::string& segment, float km) const {
        auto it = rows_.find(version);
        if (it == rows_.end()) return -1;
        for (const Seg_Row& r : it->second) {
            if (r.Segment == segment) {
                const float L = r.Length;
                if (km == 0.0f) return 0;
                if (km > L + 0.001f || km < 0.0f) return -2;
                return km >= L - 0.001f ? 2 : 1;
            }
            if (r.Segment > segment) break;
        }
        return -1;
    }

    void to_version(std::string date, const std::string& segment, const std::string& code, float km,
                    const std::string& target, std::string& seg, float& out_km, bool& obs, int32_t& steps,
                    bool& split) {
        seg = kBlank4;
        out_km = -1.0f;
        obs = split = false;
        steps = 0;
        if (is_blank(date)) {
            if (check(target, segment, km) >= 0) {
                seg = segment;
                out_km = km;
                return;
            }
            date = end_date(segment);
            if (is_blank(date)) date = kOpenEnd;
        }
        all(date, segment, code, km);
        for (int i = MAXSTEP; i >= -MAXSTEP; --i) {
            const Detail_Entry& e = h(i);
            if (e.Present && (is_blank(e.Version) || e.Version <= target)) {
                seg = e.Segment;
                out_km = e.Km;
                obs = e.Obs;
                split = e.Split;
                steps = std::abs(i);
                break;
            }
        }
        if (is_blank(seg)) {
            seg = "ERR ";
            out_km = -4.0f;
        } else if (check(target, seg, out_km) < 0) {
            seg = "OFF ";
            out_km = -1.0f;
        }
    }

private:
    int ngroup() const { return static_cast<int>(groups_.size()) - 1; }
    const Match_Point& point(int m) const { return points_[static_cast<std::size_t>(m)]; }
    void clear(int first, int last) {
        for (int i = first; i <= last; ++i) h(i) = Detail_Entry{};
    }
    static char code_of(const std::string& code) {
        if (code == " ") return 'B';
        std::string up(1, ' ');
        UP_CASE(code, up);
        return up[0];
    }

    int ndp_;
    std::string target_;
    bool target_given_;
    std::map<std::string, std::vector<Seg_Row>> rows_;
    std::vector<Transform_Group> groups_;
    std::vector<Match_Point> points_;
    std::array<Detail_Entry, 2 * MAXSTEP + 1> history_{};
};

// ----------------------------------------------------------- the tables

constexpr int kVersions = 6;

std::string version_of(int k) {
    return std::to_string(2011 + k) + "01";
}

struct Gen_Point {
    float from;
    std::string to_segment;  // "" for off the inventory
    float to;
    int obs;
};

struct Gen_Group {
    int number;
    int version;
    std::string from_date, to_date, segment, codes;
    int devolved;
    std::vector<Gen_Point> points;
};

struct Data_Set {
    trtest::fs::path folder;
    std::vector<std::string> segments;  // the pool the groups were made from
    std::map<std::string, std::vector<Seg_Row>> rows;
};

float two_decimals(float x) {
    return std::round(x * 100.0f) / 100.0f;
}

Data_Set generate(unsigned seed) {
    std::mt19937 rng(seed);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    Data_Set data;
    for (int i = 1; i <= 24; ++i) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04d", i * 7 % 97);
        data.segments.push_back(buf);
    }
    data.segments.push_back("A100");
    data.segments.push_back("B200");
    auto any_segment = [&] { return data.segments[static_cast<std::size_t>(pick(0, 25))]; };

    std::vector<Gen_Group> groups;
    int number = 0;
    auto points_for = [&](const std::string& segment) {
        std::vector<Gen_Point> pts;
        const int n = pick(1, 8);
        const std::string main = chance(0.7) ? segment : any_segment(), other = any_segment();
        const float scale = std::array<float, 4>{0.9f, 1.0f, 1.1f, -1.0f}[static_cast<std::size_t>(pick(0, 3))];
        const float base = scale < 0 ? two_decimals(static_cast<float>(pick(5, 20))) : 0.0f;
        float from = chance(0.2) ? two_decimals(pick(0, 300) / 100.0f) : 0.0f;
        for (int i = 0; i < n; ++i) {
            if (i > 0 && !chance(0.08)) from = two_decimals(from + pick(25, 300) / 100.0f);  // else a repeated km
            Gen_Point p{from, main, two_decimals(base + scale * from), chance(0.1) ? 1 : 0};
            if (chance(0.15)) p.to_segment = other;  // a point leading elsewhere, inside the group's run
            if (chance(0.05)) p.to_segment = "";
            if (i > 0 && chance(0.08)) p.to = pts.back().to;  // a pair with equal km at both ends
            pts.push_back(p);
        }
        if (n > 2 && chance(0.05)) std::swap(pts[1].from, pts[2].from);  // km out of order
        return pts;
    };
    for (int k = 0; k < kVersions; ++k) {
        char to_date[16], late_from[16];
        std::snprintf(to_date, sizeof to_date, "%d-12-31", 2010 + k);
        std::snprintf(late_from, sizeof late_from, "%d-07-01", 2008 + k);
        for (const std::string& segment : data.segments) {
            if (!chance(0.6)) continue;
            Gen_Group g{++number, k, chance(0.8) ? "1900-01-01" : late_from, to_date, segment, "", 0, {}};
            if (chance(0.08)) g.to_date = std::to_string(2010 + k) + "-06-30";
            if (chance(0.03)) g.to_date = std::to_string(2010 + k) + "-02-30";  // not a day of the calendar
            if (chance(0.03)) g.to_date = std::to_string(2010 + k) + "-XX-15";  // not a date at all
            const double kind = std::uniform_real_distribution<double>(0, 1)(rng);
            if (kind < 0.55) {
                g.points = points_for(segment);
                groups.push_back(g);
            } else if (kind < 0.65) {
                static const std::array<std::pair<const char*, const char*>, 3> codes{
                    {{"NB", "S"}, {"N", "SB"}, {"'E W'", "'B'"}}};
                const auto& [first, second] = codes[static_cast<std::size_t>(pick(0, 2))];
                g.codes = first;
                g.points = points_for(segment);
                groups.push_back(g);
                g.number = ++number;
                g.codes = second;
                g.points = points_for(segment);
                groups.push_back(g);
            } else if (kind < 0.72) {
                g.devolved = 1;
                if (chance(0.3)) g.points = points_for(segment);
                groups.push_back(g);
            } else if (kind < 0.77) {
                groups.push_back(g);  // no match points
            } else {
                // Two groups for one segment and version whose dates overlap.
                g.points = points_for(segment);
                groups.push_back(g);
                g.number = ++number;
                g.from_date = late_from;
                g.points = points_for(segment);
                groups.push_back(g);
            }
        }
    }
    // A few groups out of their version's place, and a group number used twice.
    for (int i = pick(0, 2); i > 0; --i) {
        const std::size_t from = static_cast<std::size_t>(pick(0, static_cast<int>(groups.size()) - 1));
        const std::size_t to = static_cast<std::size_t>(pick(0, static_cast<int>(groups.size()) - 1));
        Gen_Group moved = groups[from];
        groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(from));
        groups.insert(groups.begin() + static_cast<std::ptrdiff_t>(std::min(to, groups.size())), moved);
    }
    if (chance(0.5)) groups[groups.size() / 2].number = groups[groups.size() / 3].number;

    std::ostringstream group_csv, match_csv;
    auto km_text = [](float v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(v));
        return std::string(buf);
    };
    auto write_points = [&](const Gen_Group& g, std::size_t first, std::size_t last) {
        for (std::size_t i = first; i < last; ++i) {
            const Gen_Point& p = g.points[i];
            match_csv << "M," << g.number << ",a," << km_text(p.from) << ",'" << p.to_segment << "',"
                      << km_text(p.to) << "," << p.obs << "\n";
        }
    };
    for (std::size_t i = 0; i < groups.size(); ++i) {
        const Gen_Group& g = groups[i];
        group_csv << g.number << "," << version_of(g.version) << ",'Hwy'," << g.from_date << "," << g.to_date << ","
                  << g.segment << "," << g.devolved << (g.codes.empty() ? "" : "," + g.codes) << "\n";
        if (i > 0 && g.points.size() > 2 && groups[i - 1].points.size() > 0 && chance(0.05)) {
            // The group's points in two runs with the previous group's between.
            write_points(g, 0, 1);
            write_points(groups[i - 1], 0, groups[i - 1].points.size());
            write_points(g, 1, g.points.size());
        } else {
            write_points(g, 0, g.points.size());
        }
    }

    std::ostringstream lengths;
    lengths << "HMZ_Version,Segment,Length\n";
    std::vector<std::string> sorted = data.segments;
    std::sort(sorted.begin(), sorted.end());
    for (int k = -1; k <= kVersions; ++k) {
        std::vector<Seg_Row> list;
        for (const std::string& segment : sorted)
            if (chance(0.75)) list.push_back({segment, static_cast<float>(pick(4, 80)) * 0.25f});
        for (std::size_t i = 1; i < list.size(); ++i)
            if (chance(0.05)) std::swap(list[i - 1], list[i]);  // a row out of order ends the search early
        for (const Seg_Row& r : list) lengths << version_of(k) << "," << r.Segment << "," << km_text(r.Length) << "\n";
        data.rows[fixed(version_of(k), 10)] = list;
    }

    data.folder = trtest::fresh_folder("walks");
    trtest::write_file(data.folder / "HMZ_Transform_Group.csv", group_csv.str());
    trtest::write_file(data.folder / "HMZ_Transform_Match.csv", match_csv.str());
    trtest::write_file(data.folder / "SegAllVersions.csv", lengths.str());
    return data;
}

// ----------------------------------------------------------- comparing

std::string describe(const Detail_Entry& e) {
    std::ostringstream os;
    os << (e.Present ? "present" : "absent") << " [" << e.Version << "] [" << e.EffDate << "] [" << e.Segment << "] "
       << e.Km << (e.Obs ? " obs" : "") << (e.Split ? " split" : "") << " [" << e.Text << "]";
    return os.str();
}

bool same(const Detail_Entry& a, const Detail_Entry& b) {
    return a.Present == b.Present && a.Version == b.Version && a.EffDate == b.EffDate && a.Segment == b.Segment &&
           a.Km == b.Km && a.Obs == b.Obs && a.Split == b.Split && a.Text == b.Text;
}

// The entries that differ, empty when the histories agree.
std::string history_difference(Reference& ref) {
    std::string out;
    for (int i = -MAXSTEP; i <= MAXSTEP; ++i)
        if (!same(detail_entry(i), ref.h(i)))
            out += "entry " + std::to_string(i) + ": library " + describe(detail_entry(i)) + ", reference " +
                   describe(ref.h(i)) + "\n";
    return out;
}

struct Result {
    std::string segment;
    float km;
    bool obs;
    int32_t steps;
    bool split;
    bool operator==(const Result& o) const {
        return segment == o.segment && km == o.km && obs == o.obs && steps == o.steps && split == o.split;
    }
};

std::ostream& operator<<(std::ostream& os, const Result& r) {
    return os << "[" << r.segment << "] " << r.km << (r.obs ? " obs" : "") << " steps " << r.steps
              << (r.split ? " split" : "");
}

struct Case {
    unsigned seed;
    int ndp;
    int target;  // the version given at initialisation, or -1 for none
};

class WalkReference : public ::testing::TestWithParam<Case> {};

TEST_P(WalkReference, EveryTranslationAgreesWithTheFullScan) {
    const Case c = GetParam();
    const Data_Set data = generate(c.seed);
    const std::string folder = data.folder.string();
    const std::string init_target = c.target < 0 ? "" : fixed(version_of(c.target), 10);
    const int32_t ndp = c.ndp;
    DLL_HEMZSHIFT_INIT(&ndp, c.target < 0 ? nullptr : init_target.data(), static_cast<int32_t>(init_target.size()),
                       folder.data(), static_cast<int32_t>(folder.size()));
    int32_t error = -1;
    DLL_HEMZSHIFT_GET_ERROR(&error, nullptr, 0);
    ASSERT_EQ(error, 0);
    ASSERT_GT(group_count(), 50);
    Reference ref(c.ndp, init_target, data.rows);

    std::mt19937 rng(c.seed * 7919u);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<std::string> segments = data.segments;
    segments.insert(segments.end(), {"0999", "    ", "OFF "});
    const std::array<const char*, 8> codes{" ", "N", "n", "S", "s", "B", "E", "W"};

    // Km values from the tables themselves, so that many land exactly on a point.
    auto km_for = [&](const std::string& segment) -> float {
        const int m = pick(1, match_count());
        const Match_Point& p = match_point(m);
        const double how = std::uniform_real_distribution<double>(0, 1)(rng);
        if (how < 0.3) {
            for (int g = 1; g <= group_count(); ++g)
                if (group(g).Segment == segment && group(g).M1 > 0 && chance(0.5))
                    return match_point(pick(group(g).M1, group(g).M2)).FromKm;
            return p.FromKm;
        }
        if (how < 0.5) {
            for (int n = 1; n <= match_count(); n += pick(1, 40))
                if (match_point(n).ToSegment == segment && chance(0.3)) return match_point(n).ToKm;
            return p.ToKm;
        }
        if (how < 0.65 && m < match_count()) return (p.FromKm + match_point(m + 1).FromKm) / 2;
        if (how < 0.8) return two_decimals(pick(-100, 2500) / 100.0f);
        if (how < 0.85) return 0.0f;
        if (how < 0.9) return -0.5f;
        return std::uniform_real_distribution<float>(0.0f, 25.0f)(rng);
    };
    auto date_for = [&]() -> std::string {
        const double how = std::uniform_real_distribution<double>(0, 1)(rng);
        char buf[16];
        if (how < 0.15) return kBlank10;
        if (how < 0.25) return kOpenEnd;
        if (how < 0.5) {
            std::snprintf(buf, sizeof buf, "%d-12-31", pick(2009, 2016));
        } else if (how < 0.6) {
            std::snprintf(buf, sizeof buf, "%d-01-01", pick(2010, 2017));
        } else {
            std::snprintf(buf, sizeof buf, "%d-%02d-%02d", pick(2008, 2017), pick(1, 12), pick(1, 28));
        }
        return buf;
    };

    int back_steps_seen = 0, forward_steps_seen = 0;
    for (int q = 0; q < 600; ++q) {
        const std::string segment = segments[static_cast<std::size_t>(pick(0, static_cast<int>(segments.size()) - 1))];
        const float km = km_for(segment);
        const std::string date = date_for();
        const std::string code = codes[static_cast<std::size_t>(pick(0, 7))];
        const std::string target = fixed(chance(0.05) ? "200001" : version_of(pick(-1, kVersions)), 10);
        std::ostringstream where;
        where << "query " << q << ": [" << date << "] [" << segment << "] [" << code << "] " << km << " to ["
              << target << "]";
        SCOPED_TRACE(where.str());

        Result lib{}, expect{};
        char seg[4];
        uint8_t obs = 0, split = 0;
        DLL_HEMZSHIFT(date.data(), 10, segment.data(), 4, code.data(), 1, &km, seg, 4, &lib.km, &obs, &lib.steps,
                      &split);
        lib.segment.assign(seg, 4);
        lib.obs = obs != 0;
        lib.split = split != 0;
        ref.forward(date, segment, code, km, expect.segment, expect.km, expect.obs, expect.steps, expect.split);
        ASSERT_EQ(lib, expect) << "forward";
        ASSERT_EQ(history_difference(ref), "") << "forward";
        forward_steps_seen += expect.steps;

        DLL_HEMZSHIFT_TO_HMZVERSION(date.data(), 10, segment.data(), 4, code.data(), 1, &km, target.data(), 10, seg, 4,
                                    &lib.km, &obs, &lib.steps, &split);
        lib.segment.assign(seg, 4);
        lib.obs = obs != 0;
        lib.split = split != 0;
        ref.to_version(date, segment, code, km, target, expect.segment, expect.km, expect.obs, expect.steps,
                       expect.split);
        ASSERT_EQ(lib, expect) << "to version";
        ASSERT_EQ(history_difference(ref), "") << "to version";

        const int32_t mode = -9;
        int32_t status = 0;
        DLL_HEMZSHIFT_ALL(&mode, date.data(), 10, segment.data(), 4, code.data(), 1, &km, &status);
        ref.all(date, segment, code, km);
        ASSERT_EQ(history_difference(ref), "") << "all versions";
        for (int i = 1; i <= MAXSTEP; ++i) back_steps_seen += ref.h(-i).Present ? 1 : 0;

        int32_t check = 9;
        DLL_HEMZSHIFT_CHECK_LOCN(target.data(), 10, segment.data(), 4, &km, &check);
        ASSERT_EQ(check, ref.check(target, segment, km)) << "location check";
    }
    for (const std::string& segment : segments) {
        char end[10];
        DLL_HEMZSHIFT_GET_END_DATE(segment.data(), 4, end, 10);
        EXPECT_EQ(std::string(end, 10), ref.end_date(segment)) << segment;
    }
    // The queries must have walked somewhere for the comparison to mean much.
    EXPECT_GT(forward_steps_seen, 200);
    EXPECT_GT(back_steps_seen, 200);
}

INSTANTIATE_TEST_SUITE_P(GeneratedTables, WalkReference,
                         ::testing::Values(Case{1, 2, -1}, Case{2, 1, -1}, Case{3, 2, 3}, Case{4, 1, 2}, Case{5, 2, 5},
                                           Case{6, 2, -1}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return "Seed" + std::to_string(info.param.seed) + "Ndp" +
                                    std::to_string(info.param.ndp) +
                                    (info.param.target < 0 ? std::string("NoTarget")
                                                           : "Target" + version_of(info.param.target));
                         });

}  // namespace
