// HMZ_Database: finding, opening and querying the inventory database of one version.
#include "inventory/HMZ_Database.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>
#include <stdexcept>

#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "platform/ui/ui.h"

db::Database hmz_DB;
std::string hmz_DBfilename;
std::string hmz_version_open;
HMZ_Node_Type HMZ_Node;

namespace {

const std::string CRLF = "\r\n";

// Database errors already shown since the last open, so a lookup run once a
// row of a large file shows its fault once, not once a row.
std::set<std::string>& reported() {
    static std::set<std::string> keys;
    return keys;
}

std::string database_line() {
    return "Database: " + (hmz_DBfilename.empty() ? std::string("(none)") : hmz_DBfilename);
}

void warn_once(const std::string& proc, const std::string& key, const std::string& prompt) {
    if (!reported().insert(proc + "|" + key).second) return;
    ui::MsgBox(prompt, ui::vbExclamation | ui::vbOKOnly, proc);
}

void report_error(const std::string& proc, const db::Error& e, const std::string& sql) {
    warn_once(proc, std::to_string(e.number()),
              "Error " + std::to_string(e.number()) + ": " + e.description() + CRLF + "running sql: " + sql + CRLF +
                  database_line());
}

// False (after saying so once) when no database is open.
bool database_open(const std::string& proc) {
    if (hmz_DB.is_open()) return true;
    warn_once(proc, "closed", "No HMZ database open.");
    return false;
}

// A data value the lookup cannot use; ends the lookup as an error would.
struct BadValue : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string text_or_empty(const db::Field& f) {
    return f.is_null() ? std::string() : f.as_text();
}

int16_t int16_of(const db::Field& f) {
    const std::int64_t v = f.as_long();
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
        throw BadValue("Overflow");
    return static_cast<int16_t>(v);
}

// A Single as VB's CStr writes it: up to 7 significant digits.
std::string single_text(float x) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(x), std::chars_format::general, 7);
    std::string s(buf, r.ptr);
    for (char& c : s)
        if (c == 'e') c = 'E';
    return s;
}

std::string number_sql(double x) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, x);
    return std::string(buf, r.ptr);
}

// Kms are Single in the inventory, so a stored 0.7 is not the 0.7 of a query
// text. Half a metre either way still separates kms given to the metre, and
// lets a km equal to a range end fall on that end.
constexpr double kKmSlack = 0.0005;

double km_value(const std::string& km_text) {
    double v = 0;
    decimal::ParseDouble(km_text, v);
    return v;
}

// Indexes on the columns the lookups filter on, made with the cached copy
// for the tables the file has.
const std::vector<db::Index>& lookup_indexes() {
    static const std::vector<db::Index> indexes = {
        {"SegArea", {"Segment"}, ""},
        {"Area", {"Area"}, ""},
        {"District", {"District"}, ""},
        {"SegClass", {"Segment"}, ""},
        {"Segment", {"Segment"}, ""},
        {"Segment", {"Begin_Node"}, ""},
        {"Segment", {"End_Node"}, ""},
        {"Landmark", {"Segment", "LMtype"}, ""},
        {"Landmark", {"ID"}, ""},
        {"Intersection", {"ID"}, ""},
        {"Landmark-Intersection", {"Landmark_ID"}, ""},
    };
    return indexes;
}

void trace(const std::string& line) {
    Trace_Print(line);
}

bool version_is_pattern_safe(const std::string& version) {
    return version.find_first_of("/*?") == std::string::npos;
}

}  // namespace

// ---------------------------------------------------------------------------
// Opening

bool HMZ_Open_Database(const std::string& version) {
    hmz_version_open.clear();
    HMZ_Close_Database();
    reported().clear();

    const std::string folder = Data_Folder(DataKind::Inventory);
    if (!FolderExists(folder)) trace("Warning: HMZ folder: " + CRLF + folder + CRLF + "not found.");

    std::string ffn;
    if (!version.empty()) {
        // The version becomes part of a file pattern: a separator or a
        // wildcard would let it pick a file of another name or folder.
        if (!version_is_pattern_safe(version)) {
            ui::MsgBox("Invalid HMZ version: " + version + CRLF + "A version may not hold \"/\", \"*\" or \"?\".",
                       ui::vbExclamation | ui::vbOKOnly, "HMZ_Open_Database");
            return false;
        }
        std::string fn = Last_File_Matching(AppFolder + "HMZ_Data_" + version + "*.mdb");
        trace("HMZ D: fn: " + fn);
        ffn = fn.empty() ? "" : AppFolder + fn;
        trace("HMZ E: ffn: " + ffn);
        if (FileExists(ffn)) {
            trace("HMZ F: ffn Exists");
        } else {
            trace("HMZ G: ffn: " + ffn);
            const std::string fspec = folder + "HMZ_Data_" + version + "*.mdb";
            trace("HMZ H: fspec: " + fspec);
            fn = Last_File_Matching(fspec);
            trace("HMZ I: fn: " + fn);
            if (!fn.empty()) {
                ffn = folder + fn;
                trace("HMZ J: ffn: " + ffn);
            } else {
                ffn = fspec;
            }
            while (!FileExists(ffn)) {
                ffn = ui::InputBox("Enter full HMZ_Data file name", "Can't find HMZ", ffn);
                trace("HMZ K: ffn: " + ffn);
                if (ffn.empty()) return false;
            }
        }
    } else {
        const std::string fn = Last_File_Matching(AppFolder + "HMZ_Data*.mdb");
        trace("HMZ A: fn: " + fn);
        if (!fn.empty()) {
            ffn = AppFolder + fn;
        } else {
            const std::string fspec = folder + "HMZ_Data_*.mdb";
            trace("HMZ B: fspec: " + fspec);
            ffn = folder + Last_File_Matching(fspec);
            trace("HMZ C: ffn: " + ffn);
        }
        trace("HMZ L: ffn: " + ffn);
        ffn = ui::InputBox("Confirm full HMZ_Data file name", "HMZ database", ffn);
        trace("HMZ M: ffn: " + ffn);
        if (ffn.empty()) return false;
        while (!FileExists(ffn)) {
            ffn = ui::InputBox("Enter full HMZ_Data file name", "Can't find HMZ", ffn);
            trace("HMZ N: ffn: " + ffn);
            if (ffn.empty()) return false;
        }
    }

    hmz_DBfilename = ffn;
    trace("HMZ O: hmz_DBfilename: " + hmz_DBfilename);
    try {
        hmz_DB = db::Database::open(ffn, db::OpenMode::Exclusive, lookup_indexes());
    } catch (const db::Error& e) {
        ui::MsgBox("Error " + std::to_string(e.number()) + " attempting to open database " + ffn + CRLF + CRLF +
                       e.description(),
                   ui::vbExclamation | ui::vbOKOnly, "Database open error");
        hmz_DB = db::Database();
        return false;
    }
    const std::string base = FileBaseName(ffn);
    hmz_version_open = base.substr(static_cast<std::size_t>(InStrLast(base, "_")));
    trace("HMZ P: hmz_version_open: " + hmz_version_open);
    return true;
}

void HMZ_Close_Database() {
    if (!hmz_DB.is_open()) return;
    hmz_DB.close();
    hmz_DB = db::Database();
    hmz_DBfilename.clear();
    reported().clear();
}

// ---------------------------------------------------------------------------
// Lookups

void HMZ_Get_RegDistArea(const std::string& segment, float km, int16_t& region, int16_t& district, int16_t& area) {
    static const std::string proc = "HMZ_Get_RegDistArea";
    region = district = area = 0;
    const double k = km_value(Format_Km2(km));
    const std::string sql =
        "SELECT SegArea.Segment, SegArea.Start_Km, SegArea.End_km, Area.Area, District.District, District.Region "
        "FROM SegArea, Area, District WHERE SegArea.Area = Area.Area AND Area.District = District.District AND "
        "Segment = " +
        SQL_Str(segment) + " AND Start_KM <= " + number_sql(k + kKmSlack) + " AND End_KM >= " +
        number_sql(k - kKmSlack);
    if (!database_open(proc)) return;
    try {
        db::Recordset rs = hmz_DB.open_recordset(sql);
        if (rs.eof()) return;
        region = int16_of(rs["Region"]);
        district = int16_of(rs["District"]);
        area = int16_of(rs["Area"]);
    } catch (const db::Error& e) {
        if (e.number() != db::kErrInvalidUseOfNull && e.number() != db::kErrTypeMismatch) report_error(proc, e, sql);
    } catch (const BadValue&) {
    }
}

std::string HMZ_Get_SegClass(const std::string& segment, float km, const std::string& date) {
    static const std::string proc = "HMZ_Get_SegClass";
    const double k = km_value(single_text(km)) + kKmSlack;
    // Within one category the later row of the table wins.
    const std::string sql = "SELECT Cat_Number, Char_Code FROM SegClass WHERE Segment = " + SQL_Str(segment) +
                            " AND " + SQL_Date(date) + " BETWEEN From_Date AND To_Date AND " + number_sql(k) +
                            " >= Start_Km AND " + number_sql(k) + " < End_Km ORDER BY Cat_Number, rowid";
    if (!database_open(proc)) return "";
    try {
        db::Recordset rs = hmz_DB.open_recordset(sql);
        if (rs.eof()) return "";
        std::string result(6, ' ');
        for (; !rs.eof(); rs.move_next()) {
            const std::int64_t cat = rs["Cat_Number"].as_long();
            if (cat < 1 || cat > 6) return "";
            const db::Field code = rs["Char_Code"];
            if (code.is_null()) return "";
            const std::string c = code.as_text();
            if (!c.empty()) result[static_cast<std::size_t>(cat - 1)] = c[0];
        }
        return result;
    } catch (const db::Error& e) {
        if (e.number() != db::kErrInvalidUseOfNull && e.number() != db::kErrTypeMismatch) report_error(proc, e, sql);
        return "";
    }
}

std::string HMZ_Get_SegClass(const std::string& segment, float km, const std::chrono::year_month_day& date) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return HMZ_Get_SegClass(segment, km, std::string(buf));
}

namespace {

// Runs a result-set query: count is the row count, -1 after a failure
// reported in a box titled proc.
void result_set(const std::string& proc, const std::string& sql, db::Recordset& rs, int32_t& count) {
    count = 0;
    rs = db::Recordset();
    if (!hmz_DB.is_open()) {
        ui::MsgBox("No HMZ database open." + CRLF + "running sql: " + sql, ui::vbExclamation | ui::vbOKOnly, proc);
        count = -1;
        return;
    }
    try {
        rs = hmz_DB.open_recordset(sql);
    } catch (const db::Error& e) {
        ui::MsgBox("Error " + std::to_string(e.number()) + ": " + e.description() + CRLF + "running sql: " + sql +
                       CRLF + database_line(),
                   ui::vbExclamation | ui::vbOKOnly, proc);
        count = -1;
        return;
    }
    if (rs.record_count() > std::numeric_limits<int32_t>::max()) {
        ui::MsgBox("Too many rows (" + std::to_string(rs.record_count()) + ") from sql: " + sql,
                   ui::vbExclamation | ui::vbOKOnly, proc);
        rs = db::Recordset();
        count = -1;
        return;
    }
    if (!rs.eof()) {
        rs.move_last();
        count = static_cast<int32_t>(rs.record_count());
        rs.move_first();
    }
}

}  // namespace

void hmz_NodeSeg_Recordset(const std::string& node, db::Recordset& rs, int32_t& count) {
    // One node is picked inside each half of the union, where the node
    // indexes serve; filtering the whole union would read every segment.
    const std::string begin_where = node.empty() ? "" : " WHERE Begin_Node = " + SQL_Str(node);
    const std::string end_where = node.empty() ? "" : " WHERE End_Node = " + SQL_Str(node);
    const std::string sql =
        "SELECT * FROM(SELECT Begin_Node AS Node, Segment, 'B' as BegEnd, Begin_Continuity As Cont, nway , LENGTH "
        "From segment" +
        begin_where +
        " UNION SELECT End_Node AS Node, Segment, 'E' as BegEnd, End_Continuity AS Cont, nway , LENGTH From "
        "segment" +
        end_where + ") ORDER BY Node, Segment";
    result_set("hmz_NodeSeg_Recordset", sql, rs, count);
}

void hmz_SegRegDistArea_Recordset(const std::string& segment, db::Recordset& rs, int32_t& count) {
    std::string sql =
        "SELECT SegArea.Segment, SegArea.Start_Km, SegArea.End_km, Area.Area, District.District, District.Region, "
        "Area.Name AS Area_Name FROM SegArea, Area, District";
    if (!segment.empty())
        sql += " WHERE SegArea.Segment = " + SQL_Str(segment) + " AND";
    else
        sql += " WHERE ";
    sql += " SegArea.Area = Area.Area AND Area.District = District.District ORDER BY Segment, Start_Km";
    result_set("hmz_SegRegDistArea_Recordset", sql, rs, count);
}

void HMZ_Load_Node(const std::string& node) {
    static const std::string proc = "HMZ_Load_Node";
    HMZ_Node.Node = node;
    db::Recordset rs;
    int32_t count = 0;
    hmz_NodeSeg_Recordset(node, rs, count);
    HMZ_Node.count = count;
    if (count <= 0) return;
    std::string sql;
    try {
        HMZ_Node.Segment.assign(static_cast<std::size_t>(count) + 1, "");
        HMZ_Node.BegEnd.assign(static_cast<std::size_t>(count) + 1, "");
        HMZ_Node.Km.assign(static_cast<std::size_t>(count) + 1, "");
        HMZ_Node.Nway.assign(static_cast<std::size_t>(count) + 1, 0);
        for (int32_t i = 1; i <= count && !rs.eof(); ++i, rs.move_next()) {
            const auto k = static_cast<std::size_t>(i);
            HMZ_Node.Segment[k] = text_or_empty(rs["Segment"]);
            HMZ_Node.BegEnd[k] = text_or_empty(rs["BegEnd"]);
            const db::Field nway = rs["nway"];
            HMZ_Node.Nway[k] = nway.is_null() ? int16_t{0} : int16_of(nway);
            const db::Field len = rs["LENGTH"];
            // The union loses the column's type, so the Single is written here.
            HMZ_Node.Km[k] = HMZ_Node.BegEnd[k] == "B" ? "0" : len.is_null() ? "" : single_text(len.as_single());
        }
        // A landmark without coordinates is no landmark.
        sql = "SELECT Latitude, Longitude FROM Landmark WHERE Segment = " + SQL_Str(HMZ_Node.Segment[1]) +
              (HMZ_Node.BegEnd[1] == "B" ? " AND LMtype = 'Z2'" : " AND LMtype = 'Z3'") +
              " AND Latitude IS NOT NULL AND Longitude IS NOT NULL";
        db::Recordset ll = hmz_DB.open_recordset(sql);
        if (ll.eof()) {
            HMZ_Node.Latitude = 0;
            HMZ_Node.Longitude = 0;
        } else {
            HMZ_Node.Latitude = ll["Latitude"].as_double();
            HMZ_Node.Longitude = ll["Longitude"].as_double();
        }
    } catch (const db::Error& e) {
        report_error(proc, e, sql);
        HMZ_Node.count = -1;
    } catch (const BadValue&) {
        HMZ_Node.count = -1;
    }
}

void hmz_Get_Int_Desc_LatLon(int32_t id, std::string& description, double& latitude, double& longitude) {
    static const std::string proc = "hmz_Get_Int_Desc_LatLon";
    latitude = longitude = 0;
    description = "hmz_Get_Int_Desc_LatLon failed";
    if (hmz_version_open.empty()) {
        ui::MsgBox("No HMZ database open.", ui::vbExclamation | ui::vbOKOnly, proc);
        return;
    }
    if (hmz_version_open < "201807") {
        ui::MsgBox("Routine requires HMZ version 201807 or later.", ui::vbExclamation | ui::vbOKOnly, proc);
        return;
    }
    const std::string sql =
        "SELECT i.*, L.Latitude, L.Longitude FROM Intersection AS i LEFT JOIN Landmark AS L ON i.Source_Landmark_ID "
        "= L.ID WHERE i.ID = " +
        std::to_string(id);
    try {
        db::Recordset rs = hmz_DB.open_recordset(sql);
        if (rs.eof()) {
            description = "Intersection ID " + std::to_string(id) + " not found.";
            return;
        }
        std::string d = text_or_empty(rs["road1"]) + " at " + text_or_empty(rs["road2"]);
        const std::string road3 = text_or_empty(rs["road3"]);
        if (!road3.empty()) d += " and " + road3;
        d += " in " + text_or_empty(rs["Place"]);
        const db::Field lat = rs["Latitude"], lon = rs["Longitude"];
        if (!lat.is_null() && !lon.is_null()) {
            latitude = lat.as_double();
            longitude = lon.as_double();
        }
        description = d;
    } catch (const db::Error& e) {
        report_error(proc, e, sql);
    }
}

std::string HMZ_Get_Highway(const std::string& segment) {
    static const std::string proc = "HMZ_Get_Highway";
    const std::string sql = "SELECT Highway_Number, Highway_Letter FROM Segment WHERE Segment = " + SQL_Str(segment);
    if (!database_open(proc)) return "";
    try {
        db::Recordset rs = hmz_DB.open_recordset(sql);
        if (rs.eof()) return "";
        return text_or_empty(rs["Highway_Number"]) + text_or_empty(rs["Highway_Letter"]);
    } catch (const db::Error& e) {
        report_error(proc, e, sql);
        return "";
    }
}

std::string GetNodeName(const std::string& segment, float km, int16_t ndp) {
    static const std::string proc = "GetNodeName";
    const std::string sql = "SELECT Length, Begin_Node, End_Node FROM Segment WHERE Segment = " + SQL_Str(segment);
    if (!database_open(proc)) return "";
    try {
        db::Recordset rs = hmz_DB.open_recordset(sql);
        if (rs.eof()) {
            ui::MsgBox("Segment " + segment + " not found in Segment table", ui::vbExclamation | ui::vbOKOnly, proc);
            return "";
        }
        if (km == 0) return text_or_empty(rs["Begin_Node"]);
        const db::Field len = rs["Length"];
        if (len.is_null()) return "";
        float length = len.as_single();
        if (ndp == 1) length = Round_1(length);
        if (std::fabs(km - length) < 0.01f) return text_or_empty(rs["End_Node"]);
        return "";
    } catch (const db::Error& e) {
        report_error(proc, e, sql);
        return "";
    }
}

float HMZ_Get_SegLength(const std::string& segment) {
    static const std::string proc = "HMZ_Get_SegLength";
    const std::string sql = "SELECT Length FROM Segment WHERE Segment = " + SQL_Str(segment);
    if (!database_open(proc)) return -1;
    try {
        db::Recordset rs = hmz_DB.open_recordset(sql);
        if (rs.eof() || rs["Length"].is_null()) return -1;
        return rs["Length"].as_single();
    } catch (const db::Error& e) {
        report_error(proc, e, sql);
        return -1;
    }
}
