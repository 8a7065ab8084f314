// vol_Database: finding and opening the traffic-volume database, and the
// latest year and AADT lookups.
#include "sections/vol_Database.h"

#include <cmath>
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

// Versions already checked against the all-versions database, and the
// tables already given their indexes, since the database was opened.
std::set<std::string>& checked_versions() {
    static std::set<std::string> s;
    return s;
}
std::set<std::string>& reported() {
    static std::set<std::string> s;
    return s;
}

void warn_once(const std::string& proc, const std::string& key, const std::string& prompt) {
    if (!reported().insert(proc + "|" + key).second) return;
    ui::MsgBox(prompt, ui::vbExclamation | ui::vbOKOnly, proc);
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
    reported().clear();
    return true;
}

void Close_Volume_DB() {
    if (!vol_DB.is_open()) return;
    vol_DB.close();
    vol_DB = db::Database();
    vol_DBpath.clear();
    checked_versions().clear();
    reported().clear();
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

bool Lookup_AADT(const std::string& version, const std::string& segment, float km, int16_t year1, int16_t year2,
                 std::vector<int32_t>& aadt, int32_t& avgAADT) {
    aadt.assign(year2 >= year1 ? static_cast<std::size_t>(year2 - year1 + 1) : 0u, -1);
    avgAADT = -1;
    const std::string v = Vol_Table_Version(version);
    if (v.empty()) {
        warn_once("Lookup_AADT", "version " + version,
                  "HMZ version " + version + " is not a valid HMZ version (i.e. is not in the SegAllVersions database).");
        return false;
    }
    if (!vol_DB.is_open()) {
        warn_once("Lookup_AADT", "closed", "No volume database open.");
        return false;
    }
    const int64_t hm = Vol_Round(static_cast<double>(km) * 10);
    std::string node;
    if (hm == 0) {
        node = SAV_Begin_Node(segment, v);
    } else {
        const float length = SAV_Length(segment, v);
        if (length >= 0 && hm == Km_to_hm(length)) node = SAV_End_Node(segment, v);
    }
    const std::string years = " AND Year BETWEEN " + std::to_string(year1) + " AND " + std::to_string(year2);
    const std::string sql =
        !node.empty()
            ? "SELECT Year, AADT FROM ALL_" + v + "_NODVOL WHERE Node = " + SQL_Str(node) + years + " ORDER BY Year"
            : "SELECT Year, AADT FROM ALL_" + v + "_SEGVOL WHERE Seg = " + SQL_Str(segment) + years + " AND " +
                  std::to_string(hm) + " BETWEEN Hm1 AND Hm2 ORDER BY Year";
    try {
        db::Recordset rs = vol_DB.open_recordset(sql);
        int64_t sum = 0, count = 0;
        for (; !rs.eof(); rs.move_next()) {
            const int64_t year = rs.field(0).as_long();
            // A Null AADT is a year without a count.
            const int64_t value = rs.field(1).is_null() ? -1 : rs.field(1).as_long();
            if (year >= year1 && year <= year2) aadt[static_cast<std::size_t>(year - year1)] = static_cast<int32_t>(value);
            if (value >= 0) {
                sum += value;
                ++count;
            }
        }
        if (count > 0) avgAADT = static_cast<int32_t>(Vol_Round(static_cast<double>(sum) / static_cast<double>(count)));
    } catch (const db::Error& e) {
        aadt.assign(aadt.size(), -1);
        avgAADT = -1;
        warn_once("Lookup_AADT", std::to_string(e.number()),
                  "Error " + std::to_string(e.number()) + ": " + e.description() + CRLF + "running sql: " + sql + CRLF +
                      "Database: " + vol_DBpath);
        return false;
    }
    return true;
}
