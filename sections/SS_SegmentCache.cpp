#include "sections/SS_SegmentCache.h"

#include <algorithm>
#include <cmath>

#include "common/Brellinlib.h"
#include "inventory/HMZ_Database.h"
#include "platform/db/db.h"

namespace sscache {

namespace {

struct Loaded {
    std::string key;  // database file, version and segment
    bool landmarks = false, areas = false, classes = false;
    std::vector<SSLandmarkRow> landmark_rows;
    std::vector<SSAreaRow> area_rows;
    std::vector<SSClassRow> class_rows;
};

Loaded& loaded() {
    static Loaded l;
    return l;
}

Loaded& For(const std::string& segment) {
    Loaded& l = loaded();
    const std::string key = hmz_DBfilename + "|" + hmz_version_open + "|" + segment;
    if (l.key != key) {
        l = Loaded();
        l.key = key;
    }
    return l;
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

const std::vector<SSLandmarkRow>& Landmarks(const std::string& segment) {
    Loaded& l = For(segment);
    if (l.landmarks) return l.landmark_rows;
    l.landmarks = true;
    const bool joined = hmz_version_open.substr(0, 6) >= "201807";
    std::string sql = "SELECT L.*";
    if (joined)
        sql +=
            ", X.Intersection_ID AS X_Intersection_ID, X.Legs AS X_Legs FROM Landmark AS L"
            " LEFT JOIN [Landmark-Intersection] AS X ON L.ID = X.Landmark_ID";
    else
        sql += " FROM Landmark AS L";
    sql += " WHERE L.Segment = " + SQL_Str(segment) + " ORDER BY L.Km, L.rowid";
    if (joined) sql += ", X.rowid";
    db::Recordset rs = hmz_DB.open_recordset(sql);
    for (; !rs.eof(); rs.move_next()) {
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
        if (joined) {
            r.Intersection_ID = OptLong(rs, "X_Intersection_ID");
            r.Legs = OptLong(rs, "X_Legs");
        }
        l.landmark_rows.push_back(std::move(r));
    }
    return l.landmark_rows;
}

const std::vector<SSAreaRow>& AreaRows(const std::string& segment) {
    Loaded& l = For(segment);
    if (l.areas) return l.area_rows;
    l.areas = true;
    db::Recordset rs = hmz_DB.open_recordset(
        "SELECT SegArea.Segment, SegArea.Start_Km, SegArea.End_km, Area.Area, District.District, District.Region"
        " FROM SegArea, Area, District WHERE SegArea.Area = Area.Area AND Area.District = District.District"
        " AND SegArea.Segment = " +
        SQL_Str(segment) + " ORDER BY SegArea.Start_Km, SegArea.rowid;");
    for (; !rs.eof(); rs.move_next()) {
        SSAreaRow r;
        r.Start_Km = Single(rs, "Start_Km");
        r.End_km = Single(rs, "End_km");
        r.Area = OptLong(rs, "Area").value_or(0);
        r.District = OptLong(rs, "District").value_or(0);
        r.Region = OptLong(rs, "Region").value_or(0);
        l.area_rows.push_back(r);
    }
    return l.area_rows;
}

const std::vector<SSClassRow>& ClassRows(const std::string& segment) {
    Loaded& l = For(segment);
    if (l.classes) return l.class_rows;
    l.classes = true;
    db::Recordset rs = hmz_DB.open_recordset(
        "SELECT Cat_Number, Char_Code, From_Date, To_Date, Start_Km, End_Km FROM SegClass WHERE Segment = " +
        SQL_Str(segment) + " ORDER BY rowid");
    for (; !rs.eof(); rs.move_next()) {
        SSClassRow r;
        r.Cat_Number = OptLong(rs, "Cat_Number").value_or(0);
        r.Char_Code = Text(rs, "Char_Code");
        r.From_Date = Text(rs, "From_Date").substr(0, 10);
        r.To_Date = Text(rs, "To_Date").substr(0, 10);
        r.Start_Km = Single(rs, "Start_Km");
        r.End_Km = Single(rs, "End_Km");
        l.class_rows.push_back(std::move(r));
    }
    return l.class_rows;
}

void Clear() {
    loaded() = Loaded();
}

}  // namespace sscache
