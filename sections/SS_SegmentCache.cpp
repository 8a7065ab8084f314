#include "sections/SS_SegmentCache.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "common/Brellinlib.h"
#include "inventory/HMZ_Database.h"
#include "platform/db/db.h"

namespace sscache {

namespace {

struct Entry {
    bool landmarks = false, areas = false, classes = false;
    std::vector<SSLandmarkRow> landmark_rows;
    std::vector<SSAreaRow> area_rows;
    std::vector<SSClassRow> class_rows;
};

struct Loaded {
    std::string db_key;  // database file and version
    std::map<std::string, Entry> segments;
};

Loaded& loaded() {
    static Loaded l;
    return l;
}

std::string DbKey() {
    return hmz_DBfilename + "|" + hmz_version_open;
}

Entry& For(const std::string& segment) {
    Loaded& l = loaded();
    if (l.db_key != DbKey()) {
        l = Loaded();
        l.db_key = DbKey();
    }
    return l.segments[segment];
}

bool JoinedVersion() {
    return hmz_version_open.substr(0, 6) >= "201807";
}

std::string LandmarkSql(const std::string& where, bool bySegment) {
    const bool joined = JoinedVersion();
    std::string sql = "SELECT L.*";
    if (joined)
        sql +=
            ", X.Intersection_ID AS X_Intersection_ID, X.Legs AS X_Legs FROM Landmark AS L"
            " LEFT JOIN [Landmark-Intersection] AS X ON L.ID = X.Landmark_ID";
    else
        sql += " FROM Landmark AS L";
    sql += " WHERE " + where + " ORDER BY " + std::string(bySegment ? "L.Segment, " : "") + "L.Km, L.rowid";
    if (joined) sql += ", X.rowid";
    return sql;
}

std::string AreaSql(const std::string& where, bool bySegment) {
    return "SELECT SegArea.Segment, SegArea.Start_Km, SegArea.End_km, Area.Area, District.District, District.Region"
           " FROM SegArea, Area, District WHERE SegArea.Area = Area.Area AND Area.District = District.District"
           " AND " +
           where + " ORDER BY " + (bySegment ? "SegArea.Segment, " : "") + "SegArea.Start_Km, SegArea.rowid;";
}

std::string ClassSql(const std::string& where, bool bySegment) {
    return "SELECT Segment, Cat_Number, Char_Code, From_Date, To_Date, Start_Km, End_Km FROM SegClass WHERE " + where +
           " ORDER BY " + (bySegment ? "Segment, " : "") + "rowid";
}

std::optional<std::string> OptText(const db::Recordset& rs, const char* name) {
    if (!rs.has_field(name)) return std::nullopt;
    db::Field f = rs.field(name);
    if (f.is_null()) return std::nullopt;
    return f.as_text();
}

std::string Text(const db::Recordset& rs, const char* name) {
    return OptText(rs, name).value_or("");
}

std::optional<int32_t> OptLong(const db::Recordset& rs, const char* name) {
    if (!rs.has_field(name)) return std::nullopt;
    db::Field f = rs.field(name);
    if (f.is_null()) return std::nullopt;
    return static_cast<int32_t>(f.as_long());
}

float Single(const db::Recordset& rs, const char* name) {
    db::Field f = rs.field(name);
    return f.is_null() ? 0.0f : f.as_single();
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

}  // namespace

int32_t CintHm(float km) {
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(km) * 10 + 0.001));
}

int64_t ClngDam(float km) {
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(km) * 100));
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

bool TypeIn(const std::string& type, const std::vector<std::string>& list, int16_t count) {
    for (int16_t i = 1; i <= count && static_cast<std::size_t>(i) < list.size(); ++i)
        if (SameText(type, list[static_cast<std::size_t>(i)])) return true;
    return false;
}

namespace {

SSLandmarkRow LandmarkRow(const db::Recordset& rs) {
    SSLandmarkRow r;
    r.ID = OptLong(rs, "ID").value_or(0);
    r.Km = Single(rs, "Km");
    r.hm = CintHm(r.Km);
    r.dam = ClngDam(r.Km);
    r.LMtype = Text(rs, "LMtype");
    r.Side = Text(rs, "Side");
    r.Description = OptText(rs, "Description");
    r.Point = OptText(rs, "Point");
    r.Text = OptText(rs, "Text");
    if (rs.has_field("X_Intersection_ID")) {
        r.Intersection_ID = OptLong(rs, "X_Intersection_ID");
        r.Legs = OptLong(rs, "X_Legs");
    }
    return r;
}

SSAreaRow AreaRow(const db::Recordset& rs) {
    SSAreaRow r;
    r.Start_Km = Single(rs, "Start_Km");
    r.End_km = Single(rs, "End_km");
    r.Area = OptLong(rs, "Area").value_or(0);
    r.District = OptLong(rs, "District").value_or(0);
    r.Region = OptLong(rs, "Region").value_or(0);
    return r;
}

SSClassRow ClassRow(const db::Recordset& rs) {
    SSClassRow r;
    r.Cat_Number = OptLong(rs, "Cat_Number").value_or(0);
    r.Char_Code = Text(rs, "Char_Code");
    r.From_Date = Text(rs, "From_Date").substr(0, 10);
    r.To_Date = Text(rs, "To_Date").substr(0, 10);
    r.Start_Km = Single(rs, "Start_Km");
    r.End_Km = Single(rs, "End_Km");
    return r;
}

}  // namespace

const std::vector<SSLandmarkRow>& Landmarks(const std::string& segment) {
    Entry& e = For(segment);
    if (!e.landmarks) {
        e.landmarks = true;
        db::Recordset rs = hmz_DB.open_recordset(LandmarkSql("L.Segment = " + SQL_Str(segment), false));
        for (; !rs.eof(); rs.move_next()) e.landmark_rows.push_back(LandmarkRow(rs));
    }
    return e.landmark_rows;
}

const std::vector<SSAreaRow>& AreaRows(const std::string& segment) {
    Entry& e = For(segment);
    if (!e.areas) {
        e.areas = true;
        db::Recordset rs = hmz_DB.open_recordset(AreaSql("SegArea.Segment = " + SQL_Str(segment), false));
        for (; !rs.eof(); rs.move_next()) e.area_rows.push_back(AreaRow(rs));
    }
    return e.area_rows;
}

const std::vector<SSClassRow>& ClassRows(const std::string& segment) {
    Entry& e = For(segment);
    if (!e.classes) {
        e.classes = true;
        db::Recordset rs = hmz_DB.open_recordset(ClassSql("Segment = " + SQL_Str(segment), false));
        for (; !rs.eof(); rs.move_next()) e.class_rows.push_back(ClassRow(rs));
    }
    return e.class_rows;
}

bool Has(const std::string& segment) {
    Loaded& l = loaded();
    return l.db_key == DbKey() && l.segments.count(segment) != 0;
}

void Prefetch(const std::vector<std::string>& segments) {
    Loaded& l = loaded();
    l = Loaded();
    l.db_key = DbKey();
    if (segments.empty()) return;
    std::string list = "(";
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0) list += ",";
        list += SQL_Str(segments[i]);
        Entry& e = l.segments[segments[i]];
        e.landmarks = e.areas = e.classes = true;
    }
    list += ")";
    // Rows of a segment whose stored code differs from the one asked for
    // (case) are found by the single-segment load instead.
    auto put = [&](const std::string& seg, auto member, auto row) {
        auto it = l.segments.find(seg);
        if (it != l.segments.end()) (it->second.*member).push_back(row);
    };
    {
        db::Recordset rs = hmz_DB.open_recordset(LandmarkSql("L.Segment IN " + list, true));
        for (; !rs.eof(); rs.move_next()) put(Text(rs, "Segment"), &Entry::landmark_rows, LandmarkRow(rs));
    }
    {
        db::Recordset rs = hmz_DB.open_recordset(AreaSql("SegArea.Segment IN " + list, true));
        for (; !rs.eof(); rs.move_next()) put(Text(rs, "Segment"), &Entry::area_rows, AreaRow(rs));
    }
    {
        db::Recordset rs = hmz_DB.open_recordset(ClassSql("Segment IN " + list, true));
        for (; !rs.eof(); rs.move_next()) put(Text(rs, "Segment"), &Entry::class_rows, ClassRow(rs));
    }
    for (auto& [seg, e] : l.segments) {
        bool any = !e.landmark_rows.empty() || !e.area_rows.empty() || !e.class_rows.empty();
        if (!any) e.landmarks = e.areas = e.classes = false;  // perhaps stored in another case: ask alone
    }
}

void Clear() {
    loaded() = Loaded();
}

}  // namespace sscache
