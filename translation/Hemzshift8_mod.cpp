#include "translation/Hemzshift8_mod.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "translation/Date_Lib.h"
#include "translation/Lib_Units.h"
#include "translation/Scan_Utils.h"
#include "translation/Text_Utils.h"

#ifndef HEMZSHIFT_DEFAULT_DATA_DIR
#define HEMZSHIFT_DEFAULT_DATA_DIR "/srv/hmz/match"
#endif

namespace hemzshift {

namespace {

constexpr int READ_UNIT = 1;
const std::string OPEN_END = "2050-01-01";

// A four-character segment code as one number that sorts as the text does.
inline uint32_t seg_key(std::string_view s) {
    uint32_t k = 0;
    for (std::size_t i = 0; i < 4; ++i)
        k = (k << 8) | static_cast<unsigned char>(i < s.size() ? s[i] : ' ');
    return k;
}

// A group under the segment it transforms, with its dates at hand so that
// the walk reads the group itself only when it applies.
struct Group_Key {
    uint32_t key;
    int g;
    std::array<char, 10> from_date;
    std::array<char, 10> to_date;
    // FromDate <= DATE <= ToDate, as the texts compare.
    bool covers(const std::string& date) const {
        return std::memcmp(from_date.data(), date.data(), 10) <= 0 && std::memcmp(date.data(), to_date.data(), 10) <= 0;
    }
    bool operator<(const Group_Key& o) const { return key != o.key ? key < o.key : g < o.g; }
};

// The first and last point of group G that lead to one target segment.
struct Target_Key {
    uint32_t key;
    int g;
    int first;
    int last;
    bool operator<(const Target_Key& o) const { return key != o.key ? key < o.key : g < o.g; }
};

// Where each key's entries lie in a vector sorted by key: [begin, end).
class Key_Runs {
public:
    template <class Keyed>
    void build(const std::vector<Keyed>& sorted) {
        runs_.clear();
        for (uint32_t i = 0; i < sorted.size(); ++i) {
            auto [it, added] = runs_.try_emplace(sorted[i].key, i, i + 1);
            if (!added) it->second.second = i + 1;
        }
    }
    void clear() { runs_.clear(); }
    std::pair<uint32_t, uint32_t> find(uint32_t key) const {
        auto it = runs_.find(key);
        return it == runs_.end() ? std::pair<uint32_t, uint32_t>{0, 0} : it->second;
    }

private:
    std::unordered_map<uint32_t, std::pair<uint32_t, uint32_t>> runs_;
};

struct Module_State {
    int32_t in_NDP = 2;
    std::string in_Target = std::string(10, ' ');
    bool target_given = false;
    std::string in_Folder;
    std::vector<Transform_Group> groups = std::vector<Transform_Group>(1);  // [0] unused
    std::vector<Match_Point> points = std::vector<Match_Point>(1);          // [0] unused
    std::vector<Seg_Row> segtab;
    std::string segtab_version = std::string(10, ' ');
    std::string cache_segment;
    std::size_t cache_row = 0;
    int segtab_loads = 0;
    // Built at load time so that a walk visits only the groups and points that
    // can apply, in the order a walk over every row would meet them.
    int walk_end = 1;                           // the forward walk stops before this group
    std::vector<Group_Key> groups_by_segment;   // every group, by Segment then index
    Key_Runs segment_runs;
    std::vector<Target_Key> points_by_target;   // non-devolved groups with points, by ToSegment then index
    Key_Runs target_runs;
    std::vector<int> groups_without_points;     // non-devolved, ascending
    std::vector<float> from_km;                 // FromKm of every point, side by side for the km search
    std::vector<float> to_km;                   // ToKm of every point, side by side for the back walk
    std::vector<char> km_ascending;             // per group: its FromKm never fall (and are numbers)
    std::vector<std::string> effective_dates;   // per group: the day after ToDate; blank when not a plain date
    std::vector<uint32_t> segtab_key;           // per row
    std::vector<uint32_t> segtab_reach;         // per row: the greatest key up to that row
    std::array<Detail_Entry, 2 * MAXSTEP + 1> history{};
    bool failed = false;
    int32_t error_number = 0;
    std::string error_message;
};

Module_State& st() {
    static Module_State s;
    return s;
}

int ngroup() {
    return static_cast<int>(st().groups.size()) - 1;
}
int nmatch() {
    return static_cast<int>(st().points.size()) - 1;
}

Detail_Entry& entry(int i) {
    return st().history[static_cast<std::size_t>(i + MAXSTEP)];
}

std::string L1(bool b) {
    return b ? "T" : "F";
}
std::string A(std::string_view s, int width) {
    if (static_cast<int>(s.size()) >= width) return std::string(s.substr(0, static_cast<std::size_t>(width)));
    return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + std::string(s);
}

// Logs the error's lines and stops; the remembered message also names FILE,
// which the log has in its "Opening" line just before.
[[noreturn]] void data_error(int32_t number, const std::string& message, const std::string& second = {},
                             const std::string& file = {}) {
    log_parts(message);
    if (!second.empty()) log_parts(second);
    unit_close(READ_UNIT);
    std::string remembered = message;
    if (!file.empty()) remembered += " (" + file + ")";
    if (!second.empty()) remembered += " " + second;
    LIBRARY_STOP(number, remembered);
}

std::string path_in_folder(const char* name) {
    return std::string(trimmed(st().in_Folder)) + name;
}

void warn_read_as_zero(const char* file, int line_no, int field_no) {
    log_parts("*** Warning: ", file, " line ", line_no, " field ", field_no, " is missing or not a number; read as 0");
}

// A numeric field of the transformation tables that is missing or does not
// decode reads as 0, with a warning, rather than keeping an older value.
void numeric_field(std::string_view line, int32_t& value, int ml, int& col, const char* file, int line_no,
                   int field_no) {
    int status = 0;
    int32_t v = 0;
    SCAN_I(line, v, ml, col, status);
    if (status != 0) {
        v = 0;
        warn_read_as_zero(file, line_no, field_no);
    }
    value = v;
}

void numeric_field(std::string_view line, float& value, int ml, int& col, const char* file, int line_no, int field_no) {
    int status = 0;
    float v = 0.0f;
    SCAN_F4(line, v, ml, col, status);
    if (status != 0) {
        v = 0.0f;
        warn_read_as_zero(file, line_no, field_no);
    }
    value = v;
}

std::string text_field(std::string_view line, int ml, int& col, std::size_t width, bool unquote) {
    std::string field(static_cast<std::size_t>(ml), ' ');
    int status = 0;
    SCAN_S(line, field, ml, col, status);
    std::string out(width, ' ');
    if (unquote) {
        std::string uq(256, ' ');
        UNQUOTE(field, uq);
        assign(out, uq);
    } else {
        assign(out, field);
    }
    return out;
}

void load_groups() {
    const char* file = "HMZ_Transform_Group.csv";
    std::string path = path_in_folder(file);
    log_parts("Opening ", path);
    int ierr = 0;
    OPENREAD2(READ_UNIT, path, ierr);
    if (ierr != 0) data_error(ERR_TRANSFORM_OPEN, "*** Open Error: " + list_num(ierr), {}, path);
    std::string line;
    int line_no = 0, count = 0;
    while (unit_read_line(READ_UNIT, line)) {
        ++line_no;
        if (is_blank(line)) continue;
        ++count;
        if (count > MAXGROUP)
            data_error(ERR_GROUP_OVERFLOW, "*** Group array overflow. MAXGROUP= " + list_num(MAXGROUP));
        Transform_Group g;
        int col = 1;
        numeric_field(line, g.GroupNo, 5, col, file, line_no, 1);
        g.TargetVersion = text_field(line, 10, col, 10, true);
        text_field(line, 20, col, 20, false);
        g.FromDate = text_field(line, 10, col, 10, false);
        g.ToDate = text_field(line, 10, col, 10, false);
        g.Segment = text_field(line, 10, col, 4, true);
        int32_t devolved = 0;
        numeric_field(line, devolved, 1, col, file, line_no, 7);
        g.Devolved = devolved == 1;
        g.CodeList = text_field(line, 10, col, 6, true);
        g.Split = !is_blank(g.CodeList);
        st().groups.push_back(std::move(g));
    }
    unit_close(READ_UNIT);
    log_parts(ngroup(), " groups read");
}

void load_matches() {
    const char* file = "HMZ_Transform_Match.csv";
    std::string path = path_in_folder(file);
    log_parts("Opening ", path);
    int ierr = 0;
    OPENREAD2(READ_UNIT, path, ierr);
    if (ierr != 0) data_error(ERR_TRANSFORM_OPEN, "*** Open Error: " + list_num(ierr), {}, path);
    auto& groups = st().groups;
    auto& points = st().points;
    std::string line;
    int line_no = 0, m = 0, current = 0;
    while (unit_read_line(READ_UNIT, line)) {
        ++line_no;
        if (is_blank(line)) continue;
        ++m;
        if (m > MAXMATCH) data_error(ERR_MATCH_OVERFLOW, "*** Match array overflow. MAXMATCH= " + list_num(MAXMATCH));
        Match_Point p;
        int col = 1;
        text_field(line, 3, col, 3, false);
        numeric_field(line, p.GroupNo, 5, col, file, line_no, 2);
        text_field(line, 3, col, 3, false);
        numeric_field(line, p.FromKm, 6, col, file, line_no, 4);
        p.ToSegment = text_field(line, 10, col, 4, true);
        numeric_field(line, p.ToKm, 6, col, file, line_no, 6);
        int32_t obs = 0;
        numeric_field(line, obs, 1, col, file, line_no, 7);
        p.Obs = obs == 1;
        if (m == 1 || p.GroupNo != points.back().GroupNo) {
            current = 0;
            for (int g = 1; g <= ngroup(); ++g)
                if (groups[static_cast<std::size_t>(g)].GroupNo == p.GroupNo) {
                    current = g;
                    break;
                }
            if (current == 0)
                data_error(ERR_GROUP_NOT_FOUND, "*** Group ID " + list_num(p.GroupNo) + " not found in group table!");
            groups[static_cast<std::size_t>(current)].M1 = m;
        }
        p.GroupIndex = current;
        groups[static_cast<std::size_t>(current)].M2 = m;
        points.push_back(std::move(p));
    }
    unit_close(READ_UNIT);
    log_parts(nmatch(), " match records read");
}

// "YYYY-MM-DD" with digits in place and a real day of the calendar.
bool plain_valid_date(std::string_view d) {
    if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
    int32_t y = 0, m = 0, day = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        if (i == 4 || i == 7) continue;
        if (d[i] < '0' || d[i] > '9') return false;
        int32_t& part = i < 4 ? y : i < 7 ? m : day;
        part = part * 10 + (d[i] - '0');
    }
    return VALID_DATE(y, m, day);
}

const std::string& effective_date(int g, std::string& computed) {
    const std::string& known = st().effective_dates[static_cast<std::size_t>(g)];
    if (!known.empty()) return known;
    computed = DATE_PLUS_1(st().groups[static_cast<std::size_t>(g)].ToDate);
    return computed;
}

void build_indexes() {
    Module_State& s = st();
    const int n = ngroup();
    s.walk_end = n + 1;
    if (s.target_given) {
        bool reached = false;
        for (int g = 1; g <= n; ++g) {
            if (s.groups[static_cast<std::size_t>(g)].TargetVersion == s.in_Target) {
                reached = true;
            } else if (reached) {
                s.walk_end = g;
                break;
            }
        }
    }
    s.groups_by_segment.clear();
    s.groups_by_segment.reserve(static_cast<std::size_t>(n));
    for (int g = 1; g <= n; ++g) {
        const Transform_Group& grp = s.groups[static_cast<std::size_t>(g)];
        Group_Key k{seg_key(grp.Segment), g, {}, {}};
        std::memcpy(k.from_date.data(), grp.FromDate.data(), 10);
        std::memcpy(k.to_date.data(), grp.ToDate.data(), 10);
        s.groups_by_segment.push_back(k);
    }
    std::sort(s.groups_by_segment.begin(), s.groups_by_segment.end());
    s.segment_runs.build(s.groups_by_segment);

    s.from_km.resize(s.points.size());
    s.to_km.resize(s.points.size());
    for (std::size_t m = 0; m < s.points.size(); ++m) {
        s.from_km[m] = s.points[m].FromKm;
        s.to_km[m] = s.points[m].ToKm;
    }
    s.km_ascending.assign(static_cast<std::size_t>(n) + 1, 0);
    for (int g = 1; g <= n; ++g) {
        const Transform_Group& grp = s.groups[static_cast<std::size_t>(g)];
        if (grp.M1 == 0) continue;
        bool ascending = !std::isnan(s.from_km[static_cast<std::size_t>(grp.M1)]);
        for (int m = grp.M1; m < grp.M2 && ascending; ++m)
            ascending = s.from_km[static_cast<std::size_t>(m)] <= s.from_km[static_cast<std::size_t>(m + 1)];
        s.km_ascending[static_cast<std::size_t>(g)] = ascending;
    }
    // Only a date in the plain form is worked out now: any other goes through
    // the date library at each step, which logs why it is not a date.
    s.effective_dates.assign(static_cast<std::size_t>(n) + 1, std::string());
    for (int g = 1; g <= n; ++g) {
        const std::string& to = s.groups[static_cast<std::size_t>(g)].ToDate;
        if (plain_valid_date(to)) s.effective_dates[static_cast<std::size_t>(g)] = DATE_PLUS_1(to);
    }

    s.groups_without_points.clear();
    std::vector<Target_Key> all;
    for (int g = 1; g <= n; ++g) {
        const Transform_Group& grp = s.groups[static_cast<std::size_t>(g)];
        if (grp.Devolved) continue;
        if (grp.M1 == 0) {
            s.groups_without_points.push_back(g);
            continue;
        }
        for (int m = grp.M1; m <= grp.M2; ++m)
            all.push_back({seg_key(s.points[static_cast<std::size_t>(m)].ToSegment), g, m, m});
    }
    std::stable_sort(all.begin(), all.end());
    s.points_by_target.clear();
    for (const Target_Key& t : all) {
        if (!s.points_by_target.empty() && s.points_by_target.back().key == t.key && s.points_by_target.back().g == t.g)
            s.points_by_target.back().last = t.last;
        else
            s.points_by_target.push_back(t);
    }
    s.target_runs.build(s.points_by_target);
}

void clear_tables() {
    Module_State& s = st();
    s.groups.assign(1, Transform_Group{});
    s.points.assign(1, Match_Point{});
    s.walk_end = 1;
    s.groups_by_segment.clear();
    s.segment_runs.clear();
    s.points_by_target.clear();
    s.target_runs.clear();
    s.groups_without_points.clear();
    s.from_km.clear();
    s.to_km.clear();
    s.km_ascending.clear();
    s.effective_dates.clear();
    s.segtab.clear();
    s.segtab_key.clear();
    s.segtab_reach.clear();
    s.segtab_version = std::string(10, ' ');
    s.cache_segment.clear();
    s.cache_row = 0;
}

std::string code_of(std::string_view code) {
    std::string c = fixed(code, 1);
    if (c == " ") return "B";
    std::string u(1, ' ');
    UP_CASE(c, u);
    return u;
}

bool folder_has_group_file(const std::string& folder) {
    std::string f = folder;
    if (f.empty() || f.back() != '/') f += '/';
    return FILE_EXISTS(f + "HMZ_Transform_Group.csv");
}

std::string executable_folder() {
    std::string exe(4096, ' ');
    int length = 0;
    Get_Module_Folder(exe, length);
    int first = 0, last = 0;
    PARSE_FN(exe, "UNIX", "PATH", first, last);
    if (first <= 0) return "";
    return exe.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
}

}  // namespace

std::string default_data_folder() {
    const char* env = std::getenv("HEMZSHIFT_DEFAULT_DATA");
    if (env && *env) return env;
    return HEMZSHIFT_DEFAULT_DATA_DIR;
}

void HEMZSHIFT_INIT(int32_t ndp, std::optional<std::string_view> target, std::optional<std::string_view> folder) {
    Module_State& s = st();
    s.failed = false;
    s.error_number = 0;
    s.error_message.clear();
    clear_tables();
    s.in_NDP = ndp;
    s.in_Target = fixed(target ? *target : std::string_view{}, 10);
    s.target_given = !is_blank(s.in_Target);

    std::string dir = folder ? std::string(trimmed(*folder)) : std::string();
    if (dir.empty()) {
        dir = default_data_folder();
        if (!folder_has_group_file(dir)) dir = executable_folder();
    }
    s.in_Folder = fixed(dir, dir.size() + 1);
    ENDWITH(s.in_Folder, '/');

    SET_SEPARATORS(" ,", 2);
    SET_ZERO_CONDAY("YMD", 1900, 1, 1);
    SET_DATE_FORMAT("YYYY-MM-DD");
    SET_UERR(LOG_UNIT);
    open_log();

    std::string stamp(19, ' ');
    SYSDATIM(stamp);
    log_parts(stamp, " Hemzshift8_mod version ", "3.7   ");
    log_parts("HEMZSHIFT_INIT");
    log_parts("  in_NDP = ", ndp);
    if (target) log_parts("  in_Target = ", *target);
    if (folder) log_parts("  in_Folder = ", trimmed(*folder));

    load_groups();
    if (s.target_given) {
        bool found = false;
        for (int g = 1; g <= ngroup() && !found; ++g)
            found = s.groups[static_cast<std::size_t>(g)].TargetVersion == s.in_Target;
        if (!found) data_error(ERR_TARGET_NOT_FOUND, "*** Error: No transform group has target HMZ = " + s.in_Target);
    }
    load_matches();
    if (s.in_NDP == 1)
        for (int m = 1; m <= nmatch(); ++m) {
            Match_Point& p = s.points[static_cast<std::size_t>(m)];
            p.FromKm = ROUND(p.FromKm, 1);
            p.ToKm = ROUND(p.ToKm, 1);
        }
    build_indexes();
    for (int g = 1; g <= ngroup(); ++g) {
        const Transform_Group& t = s.groups[static_cast<std::size_t>(g)];
        log_record(fmt_I(g, 5), fmt_I(t.GroupNo, 5), " ", A(t.TargetVersion, 11), A(t.FromDate, 11), A(t.ToDate, 11), " ", t.Segment, " ", L1(t.Split), " ", t.CodeList, " ", L1(t.Devolved), fmt_I(t.M1, 6), fmt_I(t.M2, 6));
    }
}

void HEMZSHIFT_CLEAR_DETAIL(int first, int last) {
    // In place, as Detail_Entry{} has it, keeping the texts' storage.
    for (int i = std::max(first, -MAXSTEP); i <= std::min(last, MAXSTEP); ++i) {
        Detail_Entry& e = entry(i);
        e.Present = false;
        e.Version.assign(10, ' ');
        e.EffDate.assign(10, ' ');
        e.Segment.assign(4, ' ');
        e.Km = -999.0f;
        e.Obs = false;
        e.Split = false;
        e.Text.assign(6, ' ');
    }
}

void INTERPOLATE(int g, float km, std::string& out_segment, float& out_km, bool& obs) {
    const Module_State& s = st();
    const Transform_Group& grp = s.groups[static_cast<std::size_t>(g)];
    auto take_point = [&](int m) {
        const Match_Point& p = s.points[static_cast<std::size_t>(m)];
        if (is_blank(p.ToSegment)) {
            out_segment = "OFF ";
            out_km = -1.0f;
        } else {
            out_segment = p.ToSegment;
            out_km = p.ToKm;
            if (p.Obs) obs = true;
        }
    };
    auto between = [&](int m) {
        const Match_Point& a = s.points[static_cast<std::size_t>(m)];
        const Match_Point& b = s.points[static_cast<std::size_t>(m + 1)];
        if (is_blank(a.ToSegment) || is_blank(b.ToSegment)) {
            out_segment = "OFF ";
            out_km = -1.0f;
            return;
        }
        double v = (static_cast<double>(km) - a.FromKm) * (static_cast<double>(b.ToKm) - a.ToKm) /
                       (static_cast<double>(b.FromKm) - a.FromKm) +
                   a.ToKm;
        out_segment = a.ToSegment;
        out_km = ROUND(static_cast<float>(v), s.in_NDP);
        if (a.Obs || b.Obs) obs = true;
    };
    if (grp.M1 > 0) {
        const float* from = s.from_km.data();
        if (s.km_ascending[static_cast<std::size_t>(g)]) {
            // What the scan below finds, by halving: the first point whose km
            // is not below KM, taken when equal, else the pair that ends there.
            const int j = static_cast<int>(std::lower_bound(from + grp.M1, from + grp.M2 + 1, km) - from);
            if (j <= grp.M2 && from[j] == km) {
                take_point(j);
                return;
            }
            if (j > grp.M1 && j <= grp.M2) {
                between(j - 1);
                return;
            }
        } else {
            for (int m = grp.M1; m <= grp.M2; ++m) {
                if (km < from[m]) continue;
                if (km == from[m]) {
                    take_point(m);
                    return;
                }
                if (m >= grp.M2) continue;
                if (km == from[m + 1]) {
                    take_point(m + 1);
                    return;
                }
                if (km < from[m + 1]) {
                    between(m);
                    return;
                }
            }
        }
    }
    log_parts("*** No interpolation found: g,groupID, km: ", g, " ", grp.GroupNo, " ", km);
    out_segment = "ERR ";
    out_km = -2.0f;
}

void HEMZSHIFT(std::string_view date_in, std::string_view segment_in, std::string_view code_in, float km_in,
               std::string& out_segment, float& out_km, bool& obs, int32_t& steps, bool& split) {
    Module_State& s = st();
    std::string date = fixed(date_in, 10);
    const std::string segment = fixed(segment_in, 4);
    if (is_blank(date)) {
        HEMZSHIFT_GET_END_DATE(segment, date);
        if (is_blank(date)) {
            SYSDATE(date);
            log_parts("fromdate set to system date: ", date);
        }
    }
    const std::string code = code_of(code_in);
    const float km = s.in_NDP == 1 ? ROUND(km_in, 1) : km_in;

    out_km = km;
    out_segment = segment;
    obs = false;
    split = false;
    steps = 0;

    HEMZSHIFT_CLEAR_DETAIL(0, MAXSTEP);
    Detail_Entry& e0 = entry(0);
    e0.EffDate = date;
    e0.Segment = segment;
    e0.Km = km;
    e0.Text = fixed(code_in, 1) + "     ";

    // Only the groups of the current segment can apply; after each step the
    // walk goes on with the groups of the new segment that come later.
    const Group_Key* const by_segment = s.groups_by_segment.data();
    int g = 0;
    bool walking = true;
    while (walking) {
        const auto [begin, end] = s.segment_runs.find(seg_key(out_segment));
        const Group_Key* it = std::lower_bound(by_segment + begin, by_segment + end, g + 1,
                                               [](const Group_Key& k, int after) { return k.g < after; });
        bool stepped = false;
        for (; it != by_segment + end && it->g < s.walk_end && !stepped; ++it) {
            g = it->g;
            if (!it->covers(date)) continue;
            const Transform_Group& grp = s.groups[static_cast<std::size_t>(g)];
            if (grp.Split) {
                split = true;
                if (trimmed(grp.CodeList).find(code[0]) == std::string_view::npos) continue;
            }
            if (steps >= MAXSTEP) {
                log_parts("*** Transformation history full: walk ended after ", MAXSTEP, " steps at group ", g);
                walking = false;
                break;
            }
            std::string eff_computed;
            const std::string& eff = effective_date(g, eff_computed);
            if (grp.Devolved) {
                int n = ++steps;
                out_segment = "DEL ";
                out_km = -3.0f;
                Detail_Entry& e = entry(n);
                e.Present = true;
                e.Version = grp.TargetVersion;
                e.EffDate = eff;
                e.Segment = "DEL ";
                e.Km = -3.0f;
                e.Obs = false;
                e.Split = false;
                e.Text = std::string(6, ' ');
                walking = false;
                break;
            }
            std::string new_segment;
            float new_km = 0.0f;
            INTERPOLATE(g, out_km, new_segment, new_km, obs);
            int n = ++steps;
            Detail_Entry& e = entry(n);
            e.Present = true;
            e.Version = grp.TargetVersion;
            e.EffDate = eff;
            e.Segment = new_segment;
            e.Km = new_km;
            e.Obs = obs;
            e.Split = grp.Split;
            e.Text = grp.CodeList;
            out_segment = new_segment;
            out_km = new_km;
            stepped = true;
        }
        if (!stepped) walking = false;
    }
    log_record("  ", segment, " ", code, fmt_F(km, 7, 2), " ==> ", out_segment, fmt_F(out_km, 7, 2), fmt_I(steps, 4), " transformations");
}

void HEMZSHIFT_BACK(std::string_view date_in, std::string_view segment_in, std::string_view code_in, float km_in,
                    std::string& out_segment, float& out_km, int32_t& steps) {
    Module_State& s = st();
    const std::string date = fixed(date_in, 10);
    const std::string segment = fixed(segment_in, 4);
    log_parts("");
    log_parts("HEMZSHIFT_BACK: ", date, " ", segment, " ", fixed(code_in, 1), " ", km_in);
    const std::string code = code_of(code_in);
    out_segment = "    ";
    out_km = -1.0f;
    steps = 0;

    float cur_km = s.in_NDP == 1 ? ROUND(km_in, 1) : km_in;
    std::string cur_date = is_blank(date) ? OPEN_END : date;
    std::string cur_segment = segment;
    log_parts(0, " ", cur_segment, " ", cur_km, " ", cur_date);

    HEMZSHIFT_CLEAR_DETAIL(-MAXSTEP, 0);
    Detail_Entry& e0 = entry(0);
    e0.Present = true;
    e0.EffDate = cur_date;
    e0.Segment = cur_segment;
    e0.Km = cur_km;
    e0.Text = fixed(code_in, 1) + "     ";

    // The groups that can matter, from the last down: those without points
    // (only logged) and those with a point leading to the current segment.
    const std::vector<int>& pointless = s.groups_without_points;
    const std::vector<Target_Key>& by_target = s.points_by_target;
    std::size_t next_pointless = pointless.size();  // pointless[next_pointless - 1] comes next
    std::ptrdiff_t next_target = -1;                // by_target[next_target] comes next
    std::ptrdiff_t target_begin = 0;                // where the current segment's entries begin
    auto targets_below = [&](int g_limit) {
        next_target = -1;
        // A blank segment never matches the blank target of an off-inventory point.
        if (is_blank(cur_segment)) return;
        const auto [begin, end] = s.target_runs.find(seg_key(cur_segment));
        auto it = std::upper_bound(by_target.begin() + begin, by_target.begin() + end, g_limit,
                                   [](int limit, const Target_Key& k) { return limit < k.g; });
        target_begin = begin;
        next_target = (it - by_target.begin()) - 1;
        if (next_target < target_begin) next_target = -1;
    };
    targets_below(ngroup());
    for (;;) {
        const int a = next_pointless > 0 ? pointless[next_pointless - 1] : 0;
        const int b = next_target >= 0 ? by_target[static_cast<std::size_t>(next_target)].g : 0;
        if (a == 0 && b == 0) break;
        if (a > b) {
            --next_pointless;
            if (s.groups[static_cast<std::size_t>(a)].ToDate < cur_date)
                log_parts("*** group ", a, " m1 == 0 !!!");
            continue;
        }
        const Target_Key& t = by_target[static_cast<std::size_t>(next_target)];
        --next_target;
        if (next_target < target_begin) next_target = -1;
        const int g = t.g;
        const Transform_Group& grp = s.groups[static_cast<std::size_t>(g)];
        if (!(grp.ToDate < cur_date)) continue;
        const int first = t.first, last = t.last;
        int pair = 0;
        for (int m = first; m < last; ++m) {
            const float k1 = s.to_km[static_cast<std::size_t>(m)];
            const float k2 = s.to_km[static_cast<std::size_t>(m + 1)];
            const float lo = std::min(k1, k2), hi = std::max(k1, k2);
            if (lo <= cur_km && cur_km <= hi) {
                pair = m;
                break;
            }
        }
        if (pair == 0) continue;
        if (steps >= MAXSTEP) {
            log_parts("*** Transformation history full: back walk ended after ", MAXSTEP, " steps at group ", g);
            break;
        }
        const Match_Point& pm = s.points[static_cast<std::size_t>(pair)];
        const Match_Point& pn = s.points[static_cast<std::size_t>(pair + 1)];
        log_parts("# interpolating. g,m: ", g, " ", pair);
        float earlier;
        if (pn.ToKm == pm.ToKm) {
            earlier = pm.FromKm;
        } else {
            double v = (static_cast<double>(cur_km) - pm.ToKm) * (static_cast<double>(pn.FromKm) - pm.FromKm) /
                           (static_cast<double>(pn.ToKm) - pm.ToKm) +
                       pm.FromKm;
            earlier = static_cast<float>(v);
        }
        earlier = ROUND(earlier, s.in_NDP);
        const std::string& earlier_segment = grp.Segment;
        int n = ++steps;
        log_parts("km1s: ", pm.FromKm, " ", pn.FromKm, " diff1: ", pn.FromKm - pm.FromKm);
        log_parts("km2s: ", pm.ToKm, " ", pn.ToKm, " diff2: ", pn.ToKm - pm.ToKm);
        log_parts("SegP,kmP: ", earlier_segment, " ", earlier);
        log_parts(n, " ", earlier_segment, " ", earlier, " ", grp.ToDate, " ", grp.CodeList, " <-- ", cur_segment, " ", cur_km, " ", grp.TargetVersion, " ", cur_date, " ", code);
        Detail_Entry& back = entry(-n);
        back.Present = true;
        back.Segment = earlier_segment;
        back.Km = earlier;
        back.Obs = false;
        Detail_Entry& later = entry(1 - n);
        later.Version = grp.TargetVersion;
        std::string eff_computed;
        later.EffDate = effective_date(g, eff_computed);
        later.Split = grp.Split;
        later.Text = grp.CodeList;

        cur_segment = grp.Segment;
        cur_km = earlier;
        cur_date = grp.ToDate;
        out_segment = earlier_segment;
        out_km = earlier;
        targets_below(g - 1);
    }
    if (steps == 0)
        log_parts("No previous HMZ version found.");
    else
        log_parts("Transformed back to ", out_segment, " ", out_km);
}

void HEMZSHIFT_ALL(int32_t mode, std::string_view date_in, std::string_view segment, std::string_view code, float km,
                   int32_t& status) {
    const std::string date = fixed(date_in, 10);
    log_parts("HEMZSHIFT_ALL Enter ", date, " ", fixed(segment, 4), " ", fixed(code, 1), " ", km);
    HEMZSHIFT_CLEAR_DETAIL(-MAXSTEP, MAXSTEP);
    std::string oseg;
    float okm = 0.0f;
    if (date != OPEN_END) {
        bool obs = false, split = false;
        int32_t n = 0;
        HEMZSHIFT(date, segment, code, km, oseg, okm, obs, n, split);
    }
    int32_t back_steps = 0;
    HEMZSHIFT_BACK(date, segment, code, km, oseg, okm, back_steps);
    if (mode != -9) HEMZSHIFT_SHOW_DETAIL(mode, status);
    log_parts("HEMZSHIFT_ALL Exit");
}

void HEMZSHIFT_TO_HMZVERSION(std::string_view date_in, std::string_view segment_in, std::string_view code, float km,
                             std::string_view target_in, std::string& out_segment, float& out_km, bool& obs,
                             int32_t& steps, bool& split) {
    std::string date = fixed(date_in, 10);
    const std::string segment = fixed(segment_in, 4);
    const std::string target = fixed(target_in, 10);
    log_parts("HEMZSHIFT_TO_HMZVERSION Enter: ", date, " ", segment, " ", fixed(code, 1), " ", km, " ", target);
    out_segment = "    ";
    out_km = -1.0f;
    obs = false;
    steps = 0;
    split = false;

    bool done = false;
    if (is_blank(date)) {
        int32_t status = 0;
        HEMZSHIFT_CHECK_LOCN(target, segment, km, status);
        if (status >= 0) {
            out_segment = segment;
            out_km = km;
            done = true;
        } else {
            HEMZSHIFT_GET_END_DATE(segment, date);
            if (is_blank(date)) date = OPEN_END;
        }
    }
    if (!done) {
        int32_t report_status = 0;
        HEMZSHIFT_ALL(LOG_UNIT, date, segment, code, km, report_status);
        for (int i = MAXSTEP; i >= -MAXSTEP; --i) {
            const Detail_Entry& e = entry(i);
            if (e.Present && (is_blank(e.Version) || e.Version <= target)) {
                out_segment = e.Segment;
                out_km = e.Km;
                obs = e.Obs;
                split = e.Split;
                steps = std::abs(i);
                break;
            }
        }
        if (is_blank(out_segment)) {
            log_parts("*** No results found in Hemzshift_detail for: ");
            log_parts(date, " ", segment, " ", km, " ", fixed(code, 1), " ", target);
            HEMZSHIFT_SHOW_DETAIL(LOG_UNIT, report_status);
            out_segment = "ERR ";
            out_km = -4.0f;
        } else {
            int32_t status = 0;
            HEMZSHIFT_CHECK_LOCN(target, out_segment, out_km, status);
            if (status < 0) {
                out_segment = "OFF ";
                out_km = -1.0f;
            }
        }
    }
    log_parts("HEMZSHIFT_TO_HMZVERSION Exit: ", out_segment, " ", out_km, " ", steps);
}

void HEMZSHIFT_SHOW_DETAIL(int32_t mode, int32_t& status) {
    log_parts("HEMZSHIFT_Show_Detail Enter");
    const bool one_decimal = st().in_NDP == 1;
    std::string file;
    int unit = mode;
    if (mode < 0) {
        file = temp_folder() + "/Hemzshift_Detail.txt";
        unit = FREEUNIT(100, 500);
        log_parts("HEMZSHIFT_Show_Detail opening file ", unit, " ", file);
        int ierr = unit < 0 ? 24 : 0;
        if (ierr == 0) OPENOUT2(unit, file, ierr);
        if (ierr != 0) {
            log_parts("*** ERROR ", ierr, " opening ", file);
            status = ierr;
            return;
        }
    }
    // Units 0 and 6 are always connected, as the original's standard error
    // and output; they lead where the library's other messages on them go.
    auto write_record = [unit](std::string_view text) {
        if (unit == 0 || unit == STDOUT_UNIT) {
            write_message(unit, text);
            return 0;
        }
        return unit_write_line(unit, text);
    };
    status = write_record("     Version  Eff Date    Seg    Km");
    if (status == 0) {
        std::string row;
        row.reserve(64);
        for (int i = -MAXSTEP; i <= MAXSTEP; ++i) {
            const Detail_Entry& e = entry(i);
            if (!e.Present) continue;
            row.assign(fmt_I(i, 3));
            row.append(": ").append(std::string_view(e.Version).substr(0, 8)).append(" ").append(e.EffDate);
            row.append("  ").append(e.Segment).append(" ");
            row.append(one_decimal ? fmt_F(e.Km, 5, 1) + " " : fmt_F(e.Km, 6, 2)).append(" ");
            row.append(e.Obs ? "Obs" : "   ").append(" ").append(e.Split ? "split" : "     ");
            // The text from column 49, only when it is not blank: the 1X
            // before it writes nothing at the end of a record.
            if (!is_blank(e.Text)) row.append(" ").append(trimmed(e.Text));
            status = write_record(row);
            if (status != 0) {
                log_record(fmt_I(i, 3), " *** Error encoding transformation detail ***");
                break;
            }
        }
    }
    if (mode < 0) {
        int close_status = unit_close(unit);
        if (status == 0) status = close_status;
        if (status == 0 && mode == -2) {
            const char* viewer = std::getenv("HEMZSHIFT_VIEWER");
            WinShellExecute((viewer && *viewer) ? viewer : "xdg-open", file, "", status);
        }
    }
    log_parts("HEMZSHIFT_Show_Detail Exit");
}

void LOAD_SEGTAB(std::string_view version_in) {
    Module_State& s = st();
    const std::string version = fixed(version_in, 10);
    log_parts("Load_Segtab, HMZversion: ", version);
    const std::string path = path_in_folder("SegAllVersions.csv");
    s.cache_segment.clear();
    s.segtab.clear();
    s.segtab_key.clear();
    s.segtab_reach.clear();
    ++s.segtab_loads;
    log_parts("Opening ", path);
    int ierr = 0;
    OPENREAD2(READ_UNIT, path, ierr);
    if (ierr != 0) data_error(ERR_SEGTAB_OPEN, "*** Open Error: " + list_num(ierr), "ABORT", path);
    std::string heading;
    auto decode_error = [&](int record) {
        data_error(ERR_SEGTAB_DECODE, "*** Error reading or decoding record " + list_num(record) + " of file " + path,
                   "ABORT");
    };
    if (!unit_read_line(READ_UNIT, heading)) decode_error(1);
    int length_col = 0;
    for (int k = 1, n = NFIELDS(heading); k <= n && length_col == 0; ++k)
        if (FIELD(heading, k, 10) == "Length    ") length_col = k;
    if (length_col == 0)
        data_error(ERR_SEGTAB_NO_LENGTH,
                   "*** Field Length not found in the SegAllVersionsheader record:", std::string(trimmed(heading)));
    std::string line;
    int record = 1;
    while (unit_read_line(READ_UNIT, line)) {
        ++record;
        if (is_blank(line)) continue;
        std::string v = FIELD(line, 1, 10);
        if (v < version) continue;
        if (v > version) break;
        Seg_Row row;
        row.Segment = FIELD(line, 2, 10).substr(0, 4);
        std::string len = FIELD(line, length_col, 10).substr(0, 8);
        // A blank length would read as 0 and make every km of the segment
        // look outside it; it is a data error like any other.
        if (is_blank(len) || !decode_F20(len, row.Length)) decode_error(record);
        if (s.in_NDP == 1) row.Length = ROUND(row.Length, 1);
        const uint32_t key = seg_key(row.Segment);
        s.segtab_key.push_back(key);
        s.segtab_reach.push_back(s.segtab_reach.empty() ? key : std::max(key, s.segtab_reach.back()));
        s.segtab.push_back(row);
    }
    unit_close(READ_UNIT);
    s.segtab_version = version;
    log_parts(static_cast<int64_t>(s.segtab.size()), " version ", version, " segment records loaded into segtab.");
    if (s.in_NDP == 1) log_parts("  segment lengths rounded to 1 decimal place.");
}

void HEMZSHIFT_CHECK_LOCN(std::string_view version_in, std::string_view segment_in, float km, int32_t& status) {
    Module_State& s = st();
    const std::string version = fixed(version_in, 10);
    const std::string segment = fixed(segment_in, 4);
    log_parts("HEMZSHIFT_CHECK_LOCN Enter: ", version, " ", segment, " ", km);
    if (s.segtab.empty()) LOAD_SEGTAB(version);
    if (s.segtab_version != version) LOAD_SEGTAB(version);
    bool found = false;
    std::size_t row = 0;
    if (!s.cache_segment.empty() && s.cache_segment == segment) {
        found = true;
        row = s.cache_row;
    } else {
        // A scan from the first row stops at the first row whose segment is
        // not below the one sought: the first row whose reach is not below it.
        const uint32_t key = seg_key(segment);
        auto it = std::lower_bound(s.segtab_reach.begin(), s.segtab_reach.end(), key);
        const std::size_t r = static_cast<std::size_t>(it - s.segtab_reach.begin());
        if (r < s.segtab.size() && s.segtab_key[r] == key) {
            found = true;
            row = r;
            s.cache_segment = segment;
            s.cache_row = r;
        }
    }
    if (!found) {
        status = -1;
    } else {
        const float L = s.segtab[row].Length;
        const float eps = 0.001f;
        if (km == 0.0f)
            status = 0;
        else if (!std::isfinite(km))
            status = -2;  // not a km at all: never "inside"
        else if (km > L + eps)
            status = -2;
        else if (km < 0.0f)
            status = -2;
        else if (km >= L - eps)
            status = 2;
        else
            status = 1;
    }
    log_parts("HEMZSHIFT_CHECK_LOCN Exit:  Stat: ", status);
}

void HEMZSHIFT_GET_END_DATE(std::string_view segment_in, std::string& end_date) {
    const Module_State& s = st();
    const std::string segment = fixed(segment_in, 4);
    log_parts("HEMZSHIFT_GET_END_DATE ", segment, " ngroup: ", ngroup());
    std::string end(10, ' ');
    const uint32_t key = seg_key(segment);
    const auto [run_begin, run_end] = s.segment_runs.find(key);
    if (run_end > run_begin) {
        const int g = s.groups_by_segment[run_end - 1].g;
        const Transform_Group& grp = s.groups[static_cast<std::size_t>(g)];
        end = grp.ToDate;
        if (!grp.Devolved) {
            if (grp.M1 == 0) {
                log_parts("*** Error: for group id = ", grp.GroupNo, " m1 = 0");
                end = std::string(10, ' ');
            } else if (const auto [tb, te] = s.target_runs.find(key);
                       std::binary_search(s.points_by_target.begin() + tb, s.points_by_target.begin() + te,
                                          Target_Key{key, g, 0, 0})) {
                end = std::string(10, ' ');  // the segment goes on existing
            }
        }
    }
    log_parts("            END_DATE ", end);
    end_date = end;
}

void HEMZSHIFT_GET_LAST_TARGET(std::string& buffer) {
    if (ngroup() == 0)
        assign(buffer, "");
    else
        assign(buffer, st().groups[static_cast<std::size_t>(ngroup())].TargetVersion);
}

void HEMZSHIFT_SEG34(std::string& segment) {
    if (segment.size() >= 4 && segment[3] == ' ') segment = "0" + segment.substr(0, 3) + segment.substr(4);
}

void HEMZSHIFT_GET_DETAIL(int32_t i, bool& present, std::string& version, std::string& eff_date, std::string& segment,
                          float& km, bool& obs, bool& split, std::string& text) {
    log_parts("HEMZSHIFT_GET_DETAIL Enter");
    if (i >= -MAXSTEP && i <= MAXSTEP) {
        const Detail_Entry& e = entry(i);
        present = e.Present;
        if (e.Present) {
            version = e.Version;
            eff_date = e.EffDate;
            segment = e.Segment;
            km = e.Km;
            obs = e.Obs;
            split = e.Split;
            text = e.Text;
        } else {
            version = std::string(10, ' ');
            eff_date = std::string(10, ' ');
            segment = std::string(4, ' ');
            km = -9.0f;
        }
    } else {
        version = "* BAD i * ";
        eff_date = std::string(10, ' ');
        segment = std::string(4, ' ');
        km = -9.0f;
    }
    log_parts("HEMZSHIFT_GET_DETAIL Exit");
}

const Detail_Entry& detail_entry(int i) {
    return entry(std::clamp(i, -MAXSTEP, MAXSTEP));
}
int group_count() {
    return ngroup();
}
int match_count() {
    return nmatch();
}
const Transform_Group& group(int g) {
    return st().groups.at(static_cast<std::size_t>(g));
}
const Match_Point& match_point(int m) {
    return st().points.at(static_cast<std::size_t>(m));
}
int segtab_rows() {
    return static_cast<int>(st().segtab.size());
}
int segtab_loads() {
    return st().segtab_loads;
}
std::string data_folder() {
    return std::string(trimmed(st().in_Folder));
}
int32_t decimal_places() {
    return st().in_NDP;
}

void enter_failed_state(int32_t number, const std::string& message) {
    unit_close(READ_UNIT);
    clear_tables();
    HEMZSHIFT_CLEAR_DETAIL(-MAXSTEP, MAXSTEP);
    Module_State& s = st();
    s.failed = true;
    s.error_number = number;
    s.error_message = message;
}

bool library_failed() {
    return st().failed;
}
int32_t last_error_number() {
    return st().error_number;
}
const std::string& last_error_message() {
    return st().error_message;
}

}  // namespace hemzshift
