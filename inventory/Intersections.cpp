// Intersections: the landmark-to-intersection table of one version and its search.
#include "inventory/Intersections.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Database.h"
#include "platform/ui/ui.h"

std::vector<int32_t> LI_LandmarkID;
std::vector<int32_t> LI_IntersectionID;
std::vector<int16_t> LI_Legs;
int32_t LI_Count = 0;

namespace {

const std::string CRLF = "\r\n";
const std::string kProc = "Load_Landmark_Intersection_IDs";
const std::string kLegsFile = "Landmark-Intersection_Legs_Pre2018.csv";

void warn(const std::string& prompt) {
    ui::MsgBox(prompt, ui::vbExclamation | ui::vbOKOnly, kProc);
}

struct Row {
    int32_t landmark = 0;
    int32_t intersection = 0;
    int16_t legs = 0;
};

void clear_table() {
    LI_Count = 0;
    LI_LandmarkID.assign(1, 0);
    LI_IntersectionID.assign(1, 0);
    LI_Legs.assign(1, 0);
}

// Sorted by landmark, then intersection, so the search finds every landmark
// and meets a landmark's lower intersection first, whatever the source's order.
void fill_table(std::vector<Row>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.landmark != b.landmark ? a.landmark < b.landmark : a.intersection < b.intersection;
    });
    clear_table();
    LI_LandmarkID.reserve(rows.size() + 1);
    LI_IntersectionID.reserve(rows.size() + 1);
    LI_Legs.reserve(rows.size() + 1);
    for (const Row& r : rows) {
        LI_LandmarkID.push_back(r.landmark);
        LI_IntersectionID.push_back(r.intersection);
        LI_Legs.push_back(r.legs);
    }
    LI_Count = static_cast<int32_t>(rows.size());
}

// A whole number as CLng reads one (halves to even) within [lo, hi].
bool whole_number(const std::string& field, int64_t lo, int64_t hi, int64_t& out) {
    const std::string s = StripQuotes(field);
    double v = 0;
    if (!decimal::ParseDouble(s, v) || !std::isfinite(v)) return false;
    const double r = std::nearbyint(v);
    if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) return false;
    out = static_cast<int64_t>(r);
    return true;
}

bool blank(const std::string& s) {
    return s.find_first_not_of(' ') == std::string::npos;
}

// The program folder, then the inventory data folder, then the user's answer;
// "" when the user gives up.
std::string find_legs_file() {
    std::string ffn = AppFolder + kLegsFile;
    if (FileExists(ffn)) return ffn;
    ffn = Data_Folder(DataKind::Inventory) + kLegsFile;
    while (!FileExists(ffn)) {
        ffn = ui::InputBox("Enter full " + kLegsFile + " file name", "Can't find " + kLegsFile, ffn);
        if (ffn.empty()) return "";
    }
    return ffn;
}

bool load_from_file(std::vector<Row>& rows) {
    const std::string ffn = find_legs_file();
    if (ffn.empty()) return false;
    InputFile in;
    if (!in.Open(ffn)) {
        warn(FileOpenErrorMsg("input", ffn, in.error()));
        return false;
    }
    std::string line;
    bool at_eof = false;
    long line_no = 0;
    Read_Line(in, line, at_eof);  // the heading, whatever it holds
    ++line_no;
    static const char* names[] = {"", "Landmark_ID", "Intersection_ID", "Legs"};
    while (!at_eof) {
        Read_Line(in, line, at_eof);
        ++line_no;
        if (blank(line)) continue;
        int64_t v[4] = {0, 0, 0, 0};
        for (int16_t f = 1; f <= 3; ++f) {
            const std::string field = CSV_Field(line, f);
            if (f == 3 && blank(StripQuotes(field))) continue;
            const int64_t lo = f == 3 ? std::numeric_limits<int16_t>::min() : std::numeric_limits<int32_t>::min();
            const int64_t hi = f == 3 ? std::numeric_limits<int16_t>::max() : std::numeric_limits<int32_t>::max();
            if (!whole_number(field, lo, hi, v[f])) {
                warn("Line " + std::to_string(line_no) + " of file " + ffn + CRLF + "Field " + std::to_string(f) +
                     " (" + names[f] + ") is not a whole number: \"" + field + "\"" + CRLF + line);
                return false;
            }
        }
        rows.push_back({static_cast<int32_t>(v[1]), static_cast<int32_t>(v[2]), static_cast<int16_t>(v[3])});
    }
    return true;
}

bool load_from_database(std::vector<Row>& rows) {
    const std::string sql =
        "SELECT Landmark_ID, Intersection_ID, Legs FROM [Landmark-Intersection] AS LI LEFT JOIN Intersection AS I "
        "ON LI.Intersection_ID = I.ID ORDER BY Landmark_ID, Intersection_ID;";
    if (!hmz_DB.is_open()) {
        warn("No HMZ database open." + CRLF + "running sql: " + sql);
        return false;
    }
    try {
        db::Recordset rs = hmz_DB.open_recordset(sql);
        if (rs.eof()) {
            warn("No records found for " + sql);
            return false;
        }
        rows.reserve(static_cast<std::size_t>(rs.record_count()));
        for (; !rs.eof(); rs.move_next()) {
            Row r;
            int64_t v = 0;
            const db::Field lm = rs.field(0), in = rs.field(1), legs = rs.field(2);
            // Nulls read as 0; a value beyond the column's range is refused.
            auto take = [&](const db::Field& f, int64_t lo, int64_t hi) {
                v = f.is_null() ? 0 : f.as_long();
                if (v < lo || v > hi)
                    throw db::Error(db::kErrOverflow, "Overflow: " + f.name() + " " + std::to_string(v));
                return v;
            };
            r.landmark = static_cast<int32_t>(
                take(lm, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
            r.intersection = static_cast<int32_t>(
                take(in, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
            r.legs = static_cast<int16_t>(
                take(legs, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
            rows.push_back(r);
        }
    } catch (const db::Error& e) {
        warn("Error " + std::to_string(e.number()) + ": " + e.description() + CRLF + "running sql: " + sql + CRLF +
             "Database: " + hmz_DBfilename);
        return false;
    }
    return true;
}

}  // namespace

void Load_Landmark_Intersection_IDs(const std::string& version, int32_t& n) {
    clear_table();
    n = 0;
    std::vector<Row> rows;
    const bool ok = version < "201807" ? load_from_file(rows) : load_from_database(rows);
    if (!ok) return;
    fill_table(rows);
    n = LI_Count;
}

void Find_Landmark_Intersection(int32_t landmarkId, int32_t& intersectionId, int16_t& legs) {
    intersectionId = 0;
    legs = 0;
    int32_t hi = LI_Count;
    int32_t lo = 1;
    int32_t k = 0;
    while (hi - lo > 10) {
        // (lo + hi) / 2 to the nearest whole number, halves to even.
        const int64_t sum = static_cast<int64_t>(lo) + hi;
        int32_t mid = static_cast<int32_t>(sum / 2);
        if (sum % 2 != 0 && mid % 2 != 0) ++mid;
        if (LI_LandmarkID[static_cast<std::size_t>(mid)] == landmarkId) {
            k = mid;
            break;
        }
        if (LI_LandmarkID[static_cast<std::size_t>(mid)] < landmarkId)
            lo = mid + 1;
        else
            hi = mid;
    }
    for (int32_t i = lo; k == 0 && i <= hi; ++i)
        if (LI_LandmarkID[static_cast<std::size_t>(i)] == landmarkId) k = i;
    if (k == 0) return;
    intersectionId = LI_IntersectionID[static_cast<std::size_t>(k)];
    legs = LI_Legs[static_cast<std::size_t>(k)];
}
