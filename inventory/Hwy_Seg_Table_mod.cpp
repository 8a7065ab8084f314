#include "inventory/Hwy_Seg_Table_mod.h"

#include <cctype>
#include <limits>
#include <unordered_map>

#include "common/Brellinlib.h"
#include "common/HMZ_util_noDB.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "platform/ui/ui.h"

namespace {

std::vector<Hwy_Seg_Record> g_table(1);
int32_t g_count = 0;
// Segment -> its first position, so a lookup costs no scan of the table.
std::unordered_map<std::string, int32_t> g_first_index;

const std::string CRLF = "\r\n";

std::string fixed(const std::string& s, std::size_t width) {
    std::string r = s.substr(0, std::min(s.size(), width));
    r.resize(width, ' ');
    return r;
}

std::string text(const db::Recordset& rs, int field) {
    return rs.field(field).as_text();
}

int16_t small(const db::Recordset& rs, int field) {
    const db::Field f = rs.field(field);
    if (f.is_null()) return 0;
    const std::int64_t v = f.as_long();
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()) return 0;
    return static_cast<int16_t>(v);
}

void clear_table() {
    g_count = 0;
    g_table.assign(1, Hwy_Seg_Record{});
    g_first_index.clear();
}

// Jet's Format(Highway_Number,'000') & IIF(...): the number rounded (halves
// away from zero) with at least three digits, "" for Null, then the letter
// or a blank. An expression sorts without regard to case only when told.
const char* const kSelect =
    "SELECT * FROM (SELECT "
    "CASE WHEN Highway_Number >= 900 THEN 3 "
    "WHEN Highway_Letter IS NULL OR trim(Highway_Letter) = '' THEN 1 ELSE 2 END AS HwyGroup, "
    "coalesce(CASE WHEN Highway_Number IS NULL THEN NULL "
    "WHEN Highway_Number < 0 THEN '-' || printf('%03d', CAST(round(-Highway_Number) AS INTEGER)) "
    "ELSE printf('%03d', CAST(round(Highway_Number) AS INTEGER)) END, '') || "
    "CASE WHEN Highway_Letter IS NULL OR trim(Highway_Letter) = '' THEN ' ' ELSE Highway_Letter END AS hwy4, "
    "Segment, Direction, Search_Sequence, Length, Begin_Node, Begin_Continuity, End_Node, End_Continuity, Nway, "
    "Opposite_Segment, Description FROM SegmentAllVersions WHERE HMZversion = ";

}  // namespace

const std::vector<Hwy_Seg_Record>& Hwy_Seg_Table = g_table;
const int32_t& Hwy_Seg_Count = g_count;

void Load_Hwy_Seg_Table(const std::string& version) {
    clear_table();
    const db::Database* d = nullptr;
    if (!SAV_Get_Database(d)) {
        SegAllVersions_Open();
        if (!SAV_Get_Database(d)) return;
    }
    const std::string v = version.substr(0, std::min<std::size_t>(6, version.size()));
    const std::string sql =
        std::string(kSelect) + SQL_Str(v) + ") ORDER BY HwyGroup, hwy4 COLLATE NOCASE, Search_Sequence";
    try {
        db::Recordset rs = d->open_recordset(sql);
        if (rs.eof()) {
            ui::MsgBox("No segments found for HMZ version " + version, ui::vbExclamation | ui::vbOKOnly,
                       "Load_Hwy_Seg_Table");
            return;
        }
        const long n = rs.record_count();
        if (n > std::numeric_limits<int32_t>::max() - 1) {
            ui::MsgBox("HMZ version " + version + " has " + std::to_string(n) + " segments, more than the table holds.",
                       ui::vbExclamation | ui::vbOKOnly, "Load_Hwy_Seg_Table");
            return;
        }
        std::vector<Hwy_Seg_Record> table;
        table.reserve(static_cast<std::size_t>(n) + 1);
        table.emplace_back();
        // Columns by position, found once: a large version has 100,000 rows.
        const auto names = rs.field_names();
        auto col = [&](const std::string& name) {
            for (std::size_t i = 0; i < names.size(); ++i) {
                const std::string& n = names[i];
                bool same = n.size() == name.size();
                for (std::size_t k = 0; same && k < n.size(); ++k)
                    same = std::tolower(static_cast<unsigned char>(n[k])) ==
                           std::tolower(static_cast<unsigned char>(name[k]));
                if (same) return static_cast<int>(i);
            }
            throw db::Error(db::kErrItemNotFound, "Item not found in this collection: " + name);
        };
        const int c_hwy4 = col("hwy4"), c_seg = col("Segment"), c_len = col("Length"), c_bn = col("Begin_Node"),
                  c_en = col("End_Node"), c_bc = col("Begin_Continuity"), c_ec = col("End_Continuity"),
                  c_nway = col("Nway"), c_opp = col("Opposite_Segment"), c_desc = col("Description");
        for (rs.move_first(); !rs.eof(); rs.move_next()) {
            Hwy_Seg_Record r;
            r.Hwy4 = fixed(text(rs, c_hwy4), 4);
            r.Segment = text(rs, c_seg);
            const db::Field len = rs.field(c_len);
            r.Length = len.is_null() ? 0.0f : len.as_single();
            r.Length_hm = Km_to_hm(r.Length);
            r.Begin_Node = text(rs, c_bn);
            r.End_Node = text(rs, c_en);
            r.Begin_Continuity = fixed(text(rs, c_bc), 1);
            r.End_Continuity = fixed(text(rs, c_ec), 1);
            r.Nway = small(rs, c_nway);
            r.Opposite_Segment = text(rs, c_opp);
            r.Description = text(rs, c_desc);
            table.push_back(std::move(r));
        }
        std::unordered_map<std::string, int32_t> first;
        first.reserve(table.size());
        for (std::size_t i = 1; i < table.size(); ++i) first.emplace(table[i].Segment, static_cast<int32_t>(i));
        g_table = std::move(table);
        g_first_index = std::move(first);
        g_count = static_cast<int32_t>(g_table.size() - 1);
    } catch (const db::Error& e) {
        clear_table();
        ui::MsgBox("Error " + std::to_string(e.number()) + " reading the all-versions database:" + CRLF + CRLF +
                       d->path() + CRLF + CRLF + e.description(),
                   ui::vbExclamation | ui::vbOKOnly, "Load_Hwy_Seg_Table");
    }
}

int32_t HwySet_Index(const std::string& segment) {
    if (g_count == 0) {
        ui::MsgBox("Hwy_Seg_Table not loaded", ui::vbExclamation | ui::vbOKOnly, "HwySet_Index");
        return 0;
    }
    const auto it = g_first_index.find(segment);
    return it == g_first_index.end() ? 0 : it->second;
}
