#include "inventory/HMZ_SegAllVersions.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Dates.h"
#include "platform/ui/forms.h"
#include "platform/ui/ui.h"

db::Database sav_DB;
std::string sav_DBfilename;

namespace {

const std::string CRLF = "\r\n";
constexpr const char* kFileName = "segallversions.mdb";

// One SegmentAllVersions row as the lookups read it; a Null is "" or nullopt.
struct SAV_Row {
    std::string Segment, HMZVersion;
    std::optional<float> Length;
    std::optional<db::DateTime> Effective_Date;
    std::string Highway_Number, Highway_Letter, Nway, Direction;
    std::string Begin_Node, End_Node, Opposite_Segment, Description;
};

struct Segment_Cache {
    std::string last_segment;
    std::vector<SAV_Row> rows;  // oldest version first
    int32_t row_count = 0;
    std::string latest_version;
    bool failed = false;  // the last load met a database error

    std::string one_segment, one_version;
    SAV_Row one_row;
    bool found = false;
};
Segment_Cache SAV_Segment_Cache;

// Every row of the table, read in one pass and kept in the order the
// segment queries give them, so that a segment's rows cost no query. The
// pass is made once the segment queries of the open database have cost
// about as much as it does, so a few lookups never wait for it and a long
// run pays at most twice what the better way would have cost it. Only the
// cached copy of a Jet file whose Segment and HMZVersion values are all
// text (or Null) is read so: there both compare as their ASCII case-folded
// texts do. Anything else, or a pass that fails, is left to the queries,
// which report it as before.
struct SAV_Table {
    enum class State { Unread, Read, Queries };
    long queries = 0;     // segment queries run while unread
    long pass_after = 0;  // that many make the pass; 0: not known yet
    // The texts of a row, in this order, one after another in `texts`.
    enum Text { Segment, HMZVersion, Highway_Number, Highway_Letter, Nway, Direction, Begin_Node, End_Node,
                Opposite_Segment, Description, kTexts };
    struct Row {
        uint32_t text;  // where its texts start
        uint16_t size[kTexts];
        bool has_length, has_date, version_null;
        float length;
        int16_t date[6];  // year, month, day, hour, minute, second
    };
    State state = State::Unread;
    std::string texts;
    std::vector<Row> rows;
    // A segment's folded text: its rows, [first, last).
    std::unordered_map<std::string, std::pair<uint32_t, uint32_t>> segments;
};
SAV_Table SAV_All_Rows;

long g_queries = 0;
// The command in which the user gave up on the file, or its open failed.
bool g_gave_up = false;
unsigned long g_gave_up_serial = 0;

void give_up() {
    g_gave_up = true;
    g_gave_up_serial = ui::CommandSerial();
}

// Where the columns the lookups read stand in a result (-1: not there),
// found once per query rather than by name on every row.
struct SAV_Columns {
    int Segment, HMZVersion, Length, Effective_Date, Highway_Number, Highway_Letter, Nway, Direction, Begin_Node,
        End_Node, Opposite_Segment, Description;

    explicit SAV_Columns(const db::Recordset& rs) {
        const std::vector<std::string> names = rs.field_names();
        auto at = [&](const char* name) {
            for (std::size_t i = 0; i < names.size(); ++i)
                if (db_name_equal(names[i], name)) return static_cast<int>(i);
            return -1;
        };
        Segment = at("Segment");
        HMZVersion = at("HMZversion");
        Length = at("Length");
        Effective_Date = at("Effective_Date");
        Highway_Number = at("Highway_Number");
        Highway_Letter = at("Highway_Letter");
        Nway = at("Nway");
        Direction = at("Direction");
        Begin_Node = at("Begin_Node");
        End_Node = at("End_Node");
        Opposite_Segment = at("Opposite_Segment");
        Description = at("Description");
    }
    static bool db_name_equal(const std::string& a, const char* b) {
        std::size_t i = 0;
        for (; i < a.size() && b[i]; ++i)
            if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
                return false;
        return i == a.size() && !b[i];
    }
};

std::string text_at(const db::Recordset& rs, int column) {
    return column < 0 ? std::string() : rs.field(column).as_text();
}

SAV_Row read_row(const db::Recordset& rs, const SAV_Columns& c) {
    SAV_Row r;
    r.Segment = text_at(rs, c.Segment);
    r.HMZVersion = text_at(rs, c.HMZVersion);
    if (c.Length >= 0 && !rs.field(c.Length).is_null()) r.Length = rs.field(c.Length).as_single();
    if (c.Effective_Date >= 0 && !rs.field(c.Effective_Date).is_null())
        r.Effective_Date = rs.field(c.Effective_Date).as_date();
    r.Highway_Number = text_at(rs, c.Highway_Number);
    r.Highway_Letter = text_at(rs, c.Highway_Letter);
    r.Nway = text_at(rs, c.Nway);
    r.Direction = text_at(rs, c.Direction);
    r.Begin_Node = text_at(rs, c.Begin_Node);
    r.End_Node = text_at(rs, c.End_Node);
    r.Opposite_Segment = text_at(rs, c.Opposite_Segment);
    r.Description = text_at(rs, c.Description);
    return r;
}

std::string fold_case(std::string_view s) {
    std::string r(s);
    for (char& ch : r)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return r;
}

bool same_folded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Texts as the table's NOCASE collation orders them: ASCII letters folded,
// then byte by byte, a text before any longer one it begins.
int compare_folded(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string_view kept_text(const SAV_Table& t, const SAV_Table::Row& row, SAV_Table::Text which) {
    std::size_t at = row.text;
    for (int i = 0; i < which; ++i) at += row.size[i];
    return std::string_view(t.texts).substr(at, row.size[which]);
}

// The one pass over the table, in its stored order; each segment's rows are
// then put in the order of the segment query (by HMZVersion, a Null first,
// rows of one version as stored). Leaves the table to the queries when it
// cannot be read faithfully.
void read_all_rows() {
    SAV_Table& t = SAV_All_Rows;
    t = SAV_Table{};
    t.state = SAV_Table::State::Queries;
    if (!sav_DB.is_cached_copy()) return;
    SAV_Table read;
    std::vector<uint32_t> group_of;  // per row read: its segment's place in `keys`
    std::vector<std::string> keys;
    std::unordered_map<std::string, uint32_t> group;
    bool faithful = true;
    std::optional<SAV_Columns> columns;
    std::string key;
    try {
        ++g_queries;
        // 1, 2: Segment text or Null; 4, 8: HMZVersion text or Null.
        sav_DB.for_each_row(
            "SELECT *, (typeof(Segment) = 'text') + 2 * (typeof(Segment) = 'null') + "
            "4 * (typeof(HMZVersion) = 'text') + 8 * (typeof(HMZVersion) = 'null') AS sav_kinds "
            "FROM SegmentAllVersions",
            [&](const db::Recordset& rs) {
                if (!faithful) return;
                if (!columns) columns.emplace(rs);
                const auto kinds = rs.field(rs.field_count() - 1).as_long();
                if (!(kinds & 3) || !(kinds & 12)) {
                    faithful = false;
                    return;
                }
                // No segment text ever equals a Null.
                if (kinds & 2) return;
                const SAV_Row r = read_row(rs, *columns);
                SAV_Table::Row row{};
                row.text = static_cast<uint32_t>(read.texts.size());
                const std::string* texts[SAV_Table::kTexts] = {
                    &r.Segment,   &r.HMZVersion, &r.Highway_Number, &r.Highway_Letter,   &r.Nway,
                    &r.Direction, &r.Begin_Node, &r.End_Node,       &r.Opposite_Segment, &r.Description};
                for (int i = 0; i < SAV_Table::kTexts; ++i) {
                    if (texts[i]->size() > UINT16_MAX) faithful = false;
                    row.size[i] = static_cast<uint16_t>(texts[i]->size());
                    read.texts += *texts[i];
                }
                if (read.texts.size() > UINT32_MAX) faithful = false;
                row.version_null = (kinds & 8) != 0;
                row.has_length = r.Length.has_value();
                row.length = r.Length.value_or(0.0f);
                row.has_date = r.Effective_Date.has_value();
                if (const auto& d = r.Effective_Date) {
                    const int parts[6] = {d->year, d->month, d->day, d->hour, d->minute, d->second};
                    for (int i = 0; i < 6; ++i) {
                        if (parts[i] < INT16_MIN || parts[i] > INT16_MAX) faithful = false;
                        row.date[i] = static_cast<int16_t>(parts[i]);
                    }
                }
                read.rows.push_back(row);
                key = fold_case(r.Segment);
                const auto [it, added] = group.try_emplace(key, static_cast<uint32_t>(keys.size()));
                if (added) keys.push_back(key);
                group_of.push_back(it->second);
            });
    } catch (const db::Error&) {
        return;
    }
    if (!faithful) return;

    // The rows by segment, each segment's in stored order, then by version.
    std::vector<uint32_t> first(keys.size() + 1, 0);
    for (uint32_t g : group_of) ++first[g + 1];
    for (std::size_t g = 0; g < keys.size(); ++g) first[g + 1] += first[g];
    std::vector<uint32_t> order(read.rows.size());
    {
        std::vector<uint32_t> next(first.begin(), first.end() - 1);
        for (uint32_t i = 0; i < group_of.size(); ++i) order[next[group_of[i]]++] = i;
    }
    const auto version_before = [&](uint32_t a, uint32_t b) {
        const SAV_Table::Row &x = read.rows[a], &y = read.rows[b];
        if (x.version_null || y.version_null) return x.version_null && !y.version_null;
        return compare_folded(kept_text(read, x, SAV_Table::HMZVersion), kept_text(read, y, SAV_Table::HMZVersion)) <
               0;
    };
    std::vector<SAV_Table::Row> rows;
    rows.reserve(read.rows.size());
    read.segments.reserve(keys.size());
    for (std::size_t g = 0; g < keys.size(); ++g) {
        const auto b = order.begin() + first[g], e = order.begin() + first[g + 1];
        std::stable_sort(b, e, version_before);
        for (auto i = b; i != e; ++i) rows.push_back(read.rows[*i]);
        read.segments.emplace(std::move(keys[g]), std::make_pair(first[g], first[g + 1]));
    }
    read.rows = std::move(rows);
    read.texts.shrink_to_fit();
    read.state = SAV_Table::State::Read;
    t = std::move(read);
}

// Segment queries before the table's rows are counted, and the rows a pass
// reads in the time of one segment query (some 2.5 us a row against 50 us).
constexpr long kQueriesBeforeCount = 1000;
constexpr long kRowsPerQuery = 20;

// Whether the segment query about to run is the one after which a pass
// costs less than the queries so far.
bool time_for_pass() {
    SAV_Table& t = SAV_All_Rows;
    if (++t.queries < kQueriesBeforeCount) return false;
    if (t.pass_after == 0) {
        try {
            ++g_queries;
            const db::Recordset n = sav_DB.open_recordset("SELECT COUNT(*) FROM SegmentAllVersions");
            t.pass_after = std::max(kQueriesBeforeCount, static_cast<long>(n.field(0).as_long() / kRowsPerQuery));
        } catch (const db::Error&) {
            t.state = SAV_Table::State::Queries;
            return false;
        }
    }
    return t.queries >= t.pass_after;
}

// The kept rows of a segment, or null when they are to be queried; an empty
// range when the segment has no row.
const std::pair<uint32_t, uint32_t>* kept_rows(const std::string& segment) {
    SAV_Table& t = SAV_All_Rows;
    if (t.state == SAV_Table::State::Unread && time_for_pass()) read_all_rows();
    if (t.state != SAV_Table::State::Read) return nullptr;
    static const std::pair<uint32_t, uint32_t> none{0, 0};
    const auto it = t.segments.find(fold_case(segment));
    return it == t.segments.end() ? &none : &it->second;
}

SAV_Row kept_row(const SAV_Table::Row& row) {
    SAV_Row r;
    r.Segment = kept_text(SAV_All_Rows, row, SAV_Table::Segment);
    r.HMZVersion = kept_text(SAV_All_Rows, row, SAV_Table::HMZVersion);
    if (row.has_length) r.Length = row.length;
    if (row.has_date)
        r.Effective_Date = db::DateTime{row.date[0], row.date[1], row.date[2], row.date[3], row.date[4], row.date[5]};
    r.Highway_Number = kept_text(SAV_All_Rows, row, SAV_Table::Highway_Number);
    r.Highway_Letter = kept_text(SAV_All_Rows, row, SAV_Table::Highway_Letter);
    r.Nway = kept_text(SAV_All_Rows, row, SAV_Table::Nway);
    r.Direction = kept_text(SAV_All_Rows, row, SAV_Table::Direction);
    r.Begin_Node = kept_text(SAV_All_Rows, row, SAV_Table::Begin_Node);
    r.End_Node = kept_text(SAV_All_Rows, row, SAV_Table::End_Node);
    r.Opposite_Segment = kept_text(SAV_All_Rows, row, SAV_Table::Opposite_Segment);
    r.Description = kept_text(SAV_All_Rows, row, SAV_Table::Description);
    return r;
}

std::string date_text(const db::DateTime& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::string pad_left(const std::string& s, std::size_t width) {
    std::string r = s;
    if (r.size() < width) r.resize(width, ' ');
    return r;
}

void report_db_error(const db::Error& e, const char* procedure) {
    ui::MsgBox("Error " + std::to_string(e.number()) + " reading the all-versions database:" + CRLF + CRLF +
                   sav_DBfilename + CRLF + CRLF + e.description(),
               ui::vbExclamation | ui::vbOKOnly, procedure);
}

// Runs a query; a database error is shown and gives nullopt.
std::optional<db::Recordset> query(const std::string& sql, const char* procedure) {
    try {
        ++g_queries;
        return sav_DB.open_recordset(sql);
    } catch (const db::Error& e) {
        report_db_error(e, procedure);
        return std::nullopt;
    }
}

bool ensure_open() {
    if (!sav_DB.is_open()) SegAllVersions_Open();
    return sav_DB.is_open();
}

const SAV_Row* latest_row(const std::string& segment) {
    SAV_Load_Segment(segment);
    if (SAV_Segment_Cache.row_count == 0) return nullptr;
    return &SAV_Segment_Cache.rows.back();
}

}  // namespace

void SegAllVersions_Open() {
    if (sav_DB.is_open()) return;
    // Asked once per command: a batch asks for every row otherwise.
    if (g_gave_up && g_gave_up_serial == ui::CommandSerial()) return;
    g_gave_up = false;
    sav_DBfilename = AddBackslash(AppFolder) + kFileName;
    if (AppFolder.empty() || !FileExists(sav_DBfilename))
        sav_DBfilename = Data_Folder(DataKind::AllVersions) + kFileName;
    for (;;) {
        if (FileExists(sav_DBfilename)) {
            try {
                // The lookups filter on these; made with the converted copy.
                sav_DB = db::Database::open(sav_DBfilename, db::OpenMode::Shared,
                                            {{"SegmentAllVersions", {"Segment", "HMZVersion"}, ""},
                                             {"SegmentAllVersions", {"HMZVersion"}, ""}});
                SAV_All_Rows = SAV_Table{};
            } catch (const db::Error& e) {
                ui::MsgBox("Error " + std::to_string(e.number()) + " opening the all-versions database:" + CRLF + CRLF +
                               sav_DBfilename + CRLF + CRLF + e.description(),
                           ui::vbExclamation | ui::vbOKOnly, "SegAllVersions_Open");
                give_up();
                return;
            }
            return;
        }
        const ui::MsgBoxResult r = ui::MsgBox("File does not exist:" + CRLF + CRLF + sav_DBfilename + CRLF + CRLF +
                                                  "Click OK to enter a new full segallversions.mdb filename." + CRLF +
                                                  "Click Cancel to kill this process.",
                                              ui::vbExclamation | ui::vbOKCancel, "Error");
        if (r == ui::vbCancel) {
            sav_DBfilename.clear();
            give_up();
            return;
        }
        const std::string answer =
            ui::InputBox("Enter full segallversions.mdb filename", "SegAllVersions", sav_DBfilename);
        if (answer.empty()) {
            give_up();
            return;
        }
        sav_DBfilename = answer;
    }
}

bool SAV_Get_Database(const db::Database*& Database) {
    Database = sav_DB.is_open() ? &sav_DB : nullptr;
    return Database != nullptr;
}

bool HMZ_Version_Valid(const std::string& version) {
    const std::string v = version.substr(0, std::min<std::size_t>(6, version.size()));
    if (!ensure_open()) return false;
    bool valid = false;
    if (auto rs =
            query("SELECT COUNT(*) FROM SegmentAllVersions WHERE HMZVersion = " + SQL_Str(v), "HMZ_Version_Valid")) {
        try {
            valid = !rs->eof() && rs->field(0).as_long() > 0;
        } catch (const db::Error&) {
            valid = false;
        }
    }
    // The count took the segment rows' place.
    SAV_Segment_Cache.last_segment.clear();
    SAV_Segment_Cache.rows.clear();
    SAV_Segment_Cache.row_count = 0;
    SAV_Segment_Cache.latest_version.clear();
    return valid;
}

void SAV_Load_Segment(const std::string& segment) {
    Segment_Cache& c = SAV_Segment_Cache;
    if (!c.last_segment.empty() && segment == c.last_segment) return;
    c.failed = false;
    c.rows.clear();
    c.row_count = 0;
    c.last_segment.clear();
    c.latest_version.clear();
    if (!ensure_open()) return;
    if (const auto* kept = kept_rows(segment)) {
        if (kept->first == kept->second) return;
        for (uint32_t i = kept->first; i < kept->second; ++i) c.rows.push_back(kept_row(SAV_All_Rows.rows[i]));
        c.row_count = static_cast<int32_t>(c.rows.size());
        c.last_segment = segment;
        c.latest_version = c.rows.back().HMZVersion;
        return;
    }
    auto rs = query("SELECT * FROM SegmentAllVersions WHERE Segment = " + SQL_Str(segment) + " ORDER BY HMZVersion",
                    "SAV_Load_Segment");
    if (!rs) {
        c.failed = true;
        return;
    }
    try {
        std::vector<SAV_Row> rows;
        const SAV_Columns columns(*rs);
        for (; !rs->eof(); rs->move_next()) rows.push_back(read_row(*rs, columns));
        if (rows.empty()) return;
        c.rows = std::move(rows);
        c.row_count = static_cast<int32_t>(c.rows.size());
        c.last_segment = segment;
        c.latest_version = c.rows.back().HMZVersion;
    } catch (const db::Error& e) {
        report_db_error(e, "SAV_Load_Segment");
        c.rows.clear();
        c.failed = true;
    }
}

void SAV_Load_SegVersion(const std::string& segment, const std::string& version) {
    Segment_Cache& c = SAV_Segment_Cache;
    const std::string v = version.substr(0, std::min<std::size_t>(6, version.size()));
    if (!c.one_segment.empty() && segment == c.one_segment && v == c.one_version) return;
    c.found = false;
    c.one_segment.clear();
    c.one_version.clear();
    c.one_row = SAV_Row{};
    if (!ensure_open()) return;
    if (const auto* kept = kept_rows(segment)) {
        for (uint32_t i = kept->first; i < kept->second; ++i) {
            const SAV_Table::Row& row = SAV_All_Rows.rows[i];
            if (row.version_null || !same_folded(kept_text(SAV_All_Rows, row, SAV_Table::HMZVersion), v)) continue;
            c.one_row = kept_row(row);
            c.found = true;
            c.one_segment = segment;
            c.one_version = v;
            return;
        }
        return;
    }
    auto rs = query(
        "SELECT * FROM SegmentAllVersions WHERE Segment = " + SQL_Str(segment) + " AND HMZVersion = " + SQL_Str(v),
        "SAV_Load_SegVersion");
    if (!rs || rs->eof()) return;
    try {
        c.one_row = read_row(*rs, SAV_Columns(*rs));
    } catch (const db::Error& e) {
        report_db_error(e, "SAV_Load_SegVersion");
        return;
    }
    c.found = true;
    c.one_segment = segment;
    c.one_version = v;
}

float SAV_Length_at_Date(const std::string& segment, const std::string& date, int16_t ndp) {
    SAV_Load_Segment(segment);
    const Segment_Cache& c = SAV_Segment_Cache;
    if (c.row_count == 0) return 0.0f;
    float length = 0.0f;
    std::string normal;
    if (TrimSpaces(date).empty()) {
        length = c.rows.back().Length.value_or(0.0f);
    } else {
        if (!Normal_HMZ_Date(date, normal)) return 0.0f;
        const db::DateTime at{std::stoi(normal.substr(0, 4)), std::stoi(normal.substr(5, 2)),
                              std::stoi(normal.substr(8, 2))};
        auto key = [](const db::DateTime& d) {
            return std::make_tuple(d.year, d.month, d.day, d.hour, d.minute, d.second);
        };
        bool found = false;
        for (auto it = c.rows.rbegin(); it != c.rows.rend(); ++it) {
            if (!it->Effective_Date || key(*it->Effective_Date) <= key(at)) {
                length = it->Length.value_or(0.0f);
                found = true;
                break;
            }
        }
        if (!found) return 0.0f;
    }
    if (ndp == 1) length = Round_1(length);
    return length;
}

std::string SAV_Effective_Date(const std::string& segment) {
    const SAV_Row* r = latest_row(segment);
    if (!r) return "";
    return r->Effective_Date ? date_text(*r->Effective_Date) : "1990-01-01";
}

std::string SAV_Highway(const std::string& segment) {
    const SAV_Row* r = latest_row(segment);
    if (!r) return "";
    return r->Highway_Number + r->Highway_Letter;
}

std::string SAV_Latest_Version(const std::string& segment) {
    SAV_Load_Segment(segment);
    return SAV_Segment_Cache.latest_version;
}

void ShowSegHistory(const std::string& segment) {
    MainForm& form = TheMainForm();
    SAV_Load_Segment(segment);
    const Segment_Cache& c = SAV_Segment_Cache;
    if (c.failed) return;  // the error has been shown
    if (c.row_count == 0) {
        ui::MsgBox("There is no record of " + segment + " ever being a valid segment number!",
                   ui::vbExclamation | ui::vbOKOnly, "ShowSegHistory");
        form.txtHMZ_Segment.SetFocus();
        return;
    }
    const SAV_Row& last = c.rows.back();
    std::string line = "Segment " + segment + " Highway " + last.Highway_Number + last.Highway_Letter + "  " +
                       last.Nway + "-way" + "  Dir: " + last.Direction;
    if (!last.Opposite_Segment.empty()) line += "  Opposite " + last.Opposite_Segment;
    form.ShowStatus(line);
    form.ShowStatus(last.Description, true);
    form.ShowStatus("HMZ Version  Eff. Date   Length", true);
    for (const SAV_Row& r : c.rows) {
        const std::string eff = r.Effective_Date ? date_text(*r.Effective_Date) : "";
        std::optional<decimal::Value> len;
        if (r.Length) len = decimal::Value(*r.Length);
        form.ShowStatus(" " + pad_left(r.HMZVersion, 10) + " " + pad_left(eff, 10) + "  " + Format_Right(len, 6, 2),
                        true);
    }
}

std::string SAV_Begin_Node(const std::string& segment, const std::string& version) {
    SAV_Load_SegVersion(segment, version);
    return SAV_Segment_Cache.found ? SAV_Segment_Cache.one_row.Begin_Node : "";
}

std::string SAV_End_Node(const std::string& segment, const std::string& version) {
    SAV_Load_SegVersion(segment, version);
    return SAV_Segment_Cache.found ? SAV_Segment_Cache.one_row.End_Node : "";
}

float SAV_Length(const std::string& segment, const std::string& version) {
    SAV_Load_SegVersion(segment, version);
    if (!SAV_Segment_Cache.found) return -1.0f;
    return SAV_Segment_Cache.one_row.Length.value_or(0.0f);
}

std::string Check_HMZ_Version_Text(ui::TextBox& box) {
    const std::string v = TrimSpaces(box.Text());
    if (v.empty()) {
        ui::MsgBox("Enter the HMZ version to use", ui::vbExclamation | ui::vbOKOnly);
        box.SetFocus();
        return "";
    }
    if (!HMZ_Version_Valid(v)) {
        ui::MsgBox("HMZ version " + v + " is not a valid HMZ version (i.e. is not in the SegAllVersions database).",
                   ui::vbExclamation | ui::vbOKOnly, "Tessawin");
        box.SetFocus();
        return "";
    }
    return v;
}

long SAV_Queries_Run() {
    return g_queries;
}

void SAV_Forget_Database() {
    sav_DB.close();
    sav_DBfilename.clear();
    SAV_Segment_Cache = Segment_Cache{};
    SAV_All_Rows = SAV_Table{};
    g_gave_up = false;
}
