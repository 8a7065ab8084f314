// vol_Database: finding and opening the traffic-volume database, and the
// latest year and AADT lookups.
#include "sections/vol_Database.h"

#include <cmath>
#include <iterator>
#include <map>
#include <set>

#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "platform/ui/ui.h"

db::Database vol_DB;
std::string vol_DBpath;

namespace {

const std::string CRLF = "\r\n";

// Versions already checked against the all-versions database, and their
// tables given their indexes, since the database was opened.
std::set<std::string>& checked_versions() {
    static std::set<std::string> s;
    return s;
}

bool six_digits(const std::string& v) {
    if (v.size() != 6) return false;
    for (char c : v)
        if (c < '0' || c > '9') return false;
    return true;
}

// The lookups filter segment rows by Seg and Year, node rows by Node and Year.
void ensure_indexes(const std::string& v) {
    try {
        vol_DB.create_index("ALL_" + v + "_SEGVOL", {"Seg", "Year"});
    } catch (const db::Error&) {
        // a missing table: the query that needs it says so
    }
    try {
        vol_DB.create_index("ALL_" + v + "_NODVOL", {"Node", "Year"});
    } catch (const db::Error&) {
    }
}

}  // namespace

namespace {

db::Database& VolDB() {
    return vol_DB;
}

struct VolRow {
    int32_t Year = 0, Hm1 = 0, Hm2 = 0;
    int32_t AADT = -1;
};

struct Cache {
    std::string version;
    int16_t year1 = 0, year2 = -1;
    std::map<std::string, std::vector<VolRow>> segments;  // by Year, then storage order
    std::map<std::string, std::vector<VolRow>> nodes;
};

Cache& cache() {
    static Cache c;
    return c;
}

Vol_SegmentInfo& segment_info() {
    static Vol_SegmentInfo f;
    return f;
}

std::string V6(const std::string& version) {
    return version.substr(0, 6);
}

int32_t AadtOf(const db::Field& f) {
    return f.is_null() ? -1 : static_cast<int32_t>(f.as_long());
}

std::vector<VolRow> Query(const std::string& sql, bool withHm) {
    std::vector<VolRow> rows;
    db::Recordset rs = VolDB().open_recordset(sql);
    for (; !rs.eof(); rs.move_next()) {
        VolRow r;
        r.Year = static_cast<int32_t>(rs.field("Year").as_long());
        if (withHm) {
            r.Hm1 = rs.field("Hm1").is_null() ? 0 : static_cast<int32_t>(rs.field("Hm1").as_long());
            r.Hm2 = rs.field("Hm2").is_null() ? -1 : static_cast<int32_t>(rs.field("Hm2").as_long());
        }
        r.AADT = AadtOf(rs.field("AADT"));
        rows.push_back(r);
    }
    return rows;
}

}  // namespace

int64_t Vol_Round(double x) {
    return static_cast<int64_t>(std::nearbyint(x));  // the default rounding mode: half to even
}

bool Open_Volume_DB() {
    if (vol_DB.is_open()) return true;
    std::string ffn = AppFolder + kVolumeDBName;
    if (!FileExists(ffn)) {
        ffn = Data_Folder(DataKind::Volume) + kVolumeDBName;
        while (!FileExists(ffn)) {
            ffn = ui::InputBox("Enter full Volume_for_Tessawin.mdb database file name", "Can't find database", ffn);
            if (ffn.empty()) return false;
        }
    }
    Trace_Print("Opening database: " + ffn);
    try {
        vol_DB = db::Database::open(ffn, db::OpenMode::Exclusive);
    } catch (const db::Error& e) {
        const std::string mes = "Error " + std::to_string(e.number()) + " attempting to open database " + ffn + CRLF +
                                CRLF + e.description();
        Trace_Print(mes);
        ui::MsgBox(mes, ui::vbExclamation | ui::vbOKOnly, "Database open error");
        vol_DB = db::Database();
        vol_DBpath.clear();
        return false;
    }
    vol_DBpath = ffn;
    checked_versions().clear();
    return true;
}

void Close_Volume_DB() {
    cache() = Cache();
    segment_info() = nullptr;
    if (!vol_DB.is_open()) return;
    vol_DB.close();
    vol_DB = db::Database();
    vol_DBpath.clear();
    checked_versions().clear();
}

std::string Vol_Table_Version(const std::string& version) {
    const std::string v = version.substr(0, std::min<std::size_t>(6, version.size()));
    if (!six_digits(v)) return "";
    if (checked_versions().count(v)) return v;
    if (!HMZ_Version_Valid(v)) return "";
    checked_versions().insert(v);
    if (vol_DB.is_open()) ensure_indexes(v);
    return v;
}

int16_t Vol_Max_Year(const std::string& version) {
    const std::string v = Vol_Table_Version(version);
    if (v.empty() || !vol_DB.is_open()) return 0;
    try {
        db::Recordset rs = vol_DB.open_recordset("SELECT MAX(Year) FROM ALL_" + v + "_SEGVOL");
        if (rs.eof() || rs.field(0).is_null()) return 0;
        const int64_t y = rs.field(0).as_long();
        return (y < 0 || y > 32767) ? int16_t{0} : static_cast<int16_t>(y);
    } catch (const db::Error&) {
        return 0;
    }
}

void Vol_Set_Segment_Info(Vol_SegmentInfo info) {
    segment_info() = std::move(info);
}

namespace {

Cache& CacheFor(const std::string& v, int16_t year1, int16_t year2) {
    Cache& c = cache();
    if (c.version != v || c.year1 != year1 || c.year2 != year2) {
        c = Cache();
        c.version = v;
        c.year1 = year1;
        c.year2 = year2;
    }
    return c;
}

std::string Years(int16_t year1, int16_t year2) {
    return " AND Year BETWEEN " + std::to_string(year1) + " AND " + std::to_string(year2);
}

}  // namespace

void Vol_Prefetch(const std::string& version, const std::vector<std::string>& segments, int16_t year1, int16_t year2) {
    const std::string v = V6(version);
    Cache& c = CacheFor(v, year1, year2);
    c.segments.clear();
    if (segments.empty()) return;
    std::string list = "(";
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0) list += ",";
        list += SQL_Str(segments[i]);
        c.segments[segments[i]];
    }
    list += ")";
    db::Recordset rs = VolDB().open_recordset("SELECT Seg, Year, Hm1, Hm2, AADT FROM ALL_" + v + "_SEGVOL WHERE Seg IN " +
                                              list + Years(year1, year2) + " ORDER BY Seg, Year, rowid");
    for (; !rs.eof(); rs.move_next()) {
        auto it = c.segments.find(rs.field("Seg").as_text());
        if (it == c.segments.end()) continue;
        VolRow r;
        r.Year = static_cast<int32_t>(rs.field("Year").as_long());
        r.Hm1 = rs.field("Hm1").is_null() ? 0 : static_cast<int32_t>(rs.field("Hm1").as_long());
        r.Hm2 = rs.field("Hm2").is_null() ? -1 : static_cast<int32_t>(rs.field("Hm2").as_long());
        r.AADT = AadtOf(rs.field("AADT"));
        it->second.push_back(r);
    }
    // A segment without rows here may be stored under another case: asked alone.
    for (auto it = c.segments.begin(); it != c.segments.end();)
        it = it->second.empty() ? c.segments.erase(it) : std::next(it);
}

void Lookup_AADT(const std::string& version, const std::string& segment, float km, int16_t year1, int16_t year2,
                 std::vector<int32_t>& aadt, int32_t& avgAADT) {
    aadt.assign(year2 >= year1 ? static_cast<std::size_t>(year2 - year1 + 1) : 0, -1);
    avgAADT = -1;
    const std::string v = V6(version);
    const int32_t hm = static_cast<int32_t>(std::nearbyint(static_cast<double>(km) * 10));
    float len = -1;
    std::string begin_node, end_node;
    const bool known = hm != 0 && segment_info() && segment_info()(segment, len, begin_node, end_node);
    std::string node;
    if (hm == 0) {
        node = SAV_Begin_Node(segment, version);
    } else {
        if (!known) len = SAV_Length(segment, version);
        if (len >= 0 && hm == Km_to_hm(len)) node = known ? end_node : SAV_End_Node(segment, version);
    }
    Cache& c = CacheFor(v, year1, year2);
    const std::vector<VolRow>* rows = nullptr;
    if (!node.empty()) {
        auto it = c.nodes.find(node);
        if (it == c.nodes.end())
            it = c.nodes
                     .emplace(node, Query("SELECT Year, AADT FROM ALL_" + v + "_NODVOL WHERE Node = " + SQL_Str(node) +
                                              Years(year1, year2) + " ORDER BY Year, rowid",
                                          false))
                     .first;
        rows = &it->second;
    } else {
        auto it = c.segments.find(segment);
        if (it == c.segments.end())
            it = c.segments
                     .emplace(segment, Query("SELECT Year, Hm1, Hm2, AADT FROM ALL_" + v + "_SEGVOL WHERE Seg = " +
                                                 SQL_Str(segment) + Years(year1, year2) + " ORDER BY Year, rowid",
                                             true))
                     .first;
        rows = &it->second;
    }
    int64_t sum = 0;
    int32_t n = 0;
    for (const VolRow& r : *rows) {
        if (node.empty() && !(r.Hm1 <= hm && hm <= r.Hm2)) continue;
        if (r.Year < year1 || r.Year > year2) continue;
        aadt[static_cast<std::size_t>(r.Year - year1)] = r.AADT;
        if (r.AADT >= 0) {
            sum += r.AADT;
            ++n;
        }
    }
    if (n > 0) avgAADT = static_cast<int32_t>(std::nearbyint(static_cast<double>(sum) / n));
}
