#include "sections/SS_Psec_Sources.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>

#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "platform/db/db.h"
#include "platform/ui/ui.h"

#include "sections/vol_Database.h"
#include "sdf/SDF_Utils.h"

namespace ss_vol {

namespace {

const std::string CRLF = "\r\n";

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

SegmentInfo& segment_info() {
    static SegmentInfo f;
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

bool Open() {
    return Open_Volume_DB();
}

void Close() {
    Close_Volume_DB();
    cache() = Cache();
    segment_info() = nullptr;
}

int16_t Max_Year(const std::string& version) {
    return Vol_Max_Year(version);
}

bool Load_UTVS(const std::string& version, std::vector<UTVS_Row>& rows) {
    rows.clear();
    const std::string table = "VRQ_" + V6(version) + "_UTVS_Definitions";
    try {
        db::Recordset rs = VolDB().open_recordset("SELECT * FROM [" + table + "] ORDER BY Seg, Hm1, rowid");
        for (; !rs.eof(); rs.move_next()) {
            UTVS_Row u;
            u.ID = rs.field("VRQ_UTVS_ID").as_text();
            u.Seg = Pad_Code4(rs.field("Seg").as_text());
            u.Hm1 = static_cast<int32_t>(rs.field("Hm1").as_long());
            u.Hm2 = static_cast<int32_t>(rs.field("Hm2").as_long());
            u.Desc1 = rs.field("Desc1").as_text();
            u.Desc2 = rs.field("Desc2").as_text();
            rows.push_back(std::move(u));
        }
    } catch (const db::Error& e) {
        ui::MsgBox("Error " + std::to_string(e.number()) + " reading table " + table + ":" + CRLF + e.description(),
                   ui::vbExclamation, "psec_Load_UTVS");
        return false;
    }
    return true;
}

void Set_Segment_Info(SegmentInfo info) {
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

void Prefetch(const std::string& version, const std::vector<std::string>& segments, int16_t year1, int16_t year2) {
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

}  // namespace ss_vol

namespace ss_sdf {

bool Load(const std::string& version, const std::string& path, std::vector<Section>& sections) {
    sections.clear();
    SDF_Set_HMZversion(version);
    SDF_Set_File(path);
    SDF_Set_AuxFields({});
    int16_t status = 0;
    SDF_Overlaps(status);
    if (status != 0) return false;
    const int32_t n = SDF_Count();
    for (int32_t i = 1; i <= n; ++i) {
        Section s;
        SDF_Get_Section(i, s.ID, s.Seg1, s.Seg2, s.hm1, s.hm2);
        std::string hwy2;
        SDF_Get_Section_Hwys(i, s.Hwy1, hwy2);
        sections.push_back(std::move(s));
    }
    return true;
}

}  // namespace ss_sdf
