// What the volume suites share: the inventory tests' private folders, a small
// all-versions database and a volume database laid out as Access leaves one
// after years of edits (deleted and moved rows, a column inserted later).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "sections/vol_Database.h"
#include "tests/inventory/inventory_support.h"
#include "tools/jet_writer.h"

namespace voltest {

using invtest::CRLF;
namespace fs = std::filesystem;

// Version 202004 of highway 7: 0100 (hm 10, N1 to N2), 0200 (2.05 km, so
// hm 21; N2 to N3, a discontinuity after it), 0300 (hm 5, N4 back to N1).
inline const char* const kAllVersions =
    "INSERT INTO SegmentAllVersions VALUES\n"
    "  ('0100', '202004', 1.0, NULL, 7, NULL, 2, 'N', 1, 'N1', 'N2', 'T', 'C', NULL, 'First'),\n"
    "  ('0200', '202004', 2.05, NULL, 7, NULL, 2, 'N', 2, 'N2', 'N3', 'C', 'D', NULL, 'Second'),\n"
    "  ('0300', '202004', 0.5, NULL, 7, NULL, 2, 'N', 3, 'N4', 'N1', 'T', 'C', NULL, 'Third'),\n"
    "  ('0100', '201807', 1.0, NULL, 7, NULL, 2, 'N', 1, 'N1', 'N2', 'T', 'C', NULL, 'First');\n";

// One row of a volume table, by column name; months absent are counted at 100.
struct VolRow {
    std::map<std::string, jet::Value> values;
    jet::RowForm form = jet::RowForm::Live;
};

inline std::vector<jet::Column> volume_columns(bool segment) {
    std::vector<jet::Column> c;
    if (segment) {
        c = {{"Seg", jet::Type::Text, 4}, {"Year", jet::Type::Integer}, {"Hm1", jet::Type::Integer},
             {"Hm2", jet::Type::Integer}};
    } else {
        c = {{"Node", jet::Type::Text, 10}, {"Year", jet::Type::Integer}};
    }
    c.push_back({"counter_type", jet::Type::Text, 2});
    c.push_back({"AADT", jet::Type::Long});
    for (int m = 1; m <= 12; ++m) c.push_back({(m < 10 ? "MADT_0" : "MADT_") + std::to_string(m), jet::Type::Long});
    return c;
}

// A segment row: every month at `madt` unless listed in `months`.
inline VolRow seg_row(const std::string& seg, int year, int hm1, int hm2, const std::string& type, jet::Value aadt,
                      std::int64_t madt = 100, const std::map<int, std::int64_t>& months = {},
                      jet::RowForm form = jet::RowForm::Live) {
    VolRow r;
    r.form = form;
    r.values = {{"Seg", seg}, {"Year", std::int64_t{year}}, {"Hm1", std::int64_t{hm1}}, {"Hm2", std::int64_t{hm2}},
                {"counter_type", type}, {"AADT", aadt}};
    for (int m = 1; m <= 12; ++m) {
        auto it = months.find(m);
        r.values[(m < 10 ? "MADT_0" : "MADT_") + std::to_string(m)] = it == months.end() ? madt : it->second;
    }
    return r;
}

inline VolRow node_row(const std::string& node, int year, const std::string& type, jet::Value aadt,
                       std::int64_t madt = 100, const std::map<int, std::int64_t>& months = {},
                       jet::RowForm form = jet::RowForm::Live) {
    VolRow r = seg_row("", year, 0, 0, type, aadt, madt, months, form);
    r.values.erase("Seg");
    r.values.erase("Hm1");
    r.values.erase("Hm2");
    r.values["Node"] = node;
    return r;
}

inline void add_rows(jet::Writer& w, int table, const std::vector<VolRow>& rows) {
    for (const VolRow& r : rows) {
        std::vector<jet::Value> v;
        for (const jet::Column& c : w.columns(table)) {
            auto it = r.values.find(c.name);
            v.push_back(it == r.values.end() ? jet::Value{} : it->second);
        }
        w.add_row(table, v, r.form);
    }
}

// The volume tables of a version, written as Access leaves them: the rows
// are split around a column inserted after the first of them, and `late`
// rows come after a page break.
inline void write_volume_db(const std::string& path, const std::string& version, const std::vector<VolRow>& seg,
                            const std::vector<VolRow>& nod, const std::vector<VolRow>& late_seg = {}) {
    fs::create_directories(fs::path(path).parent_path());
    jet::Writer w(path);
    const int s = w.add_table("ALL_" + version + "_SEGVOL", volume_columns(true));
    const int n = w.add_table("ALL_" + version + "_NODVOL", volume_columns(false));
    w.add_table("VRQ_" + version + "_UTVS_Definitions",
                {{"VRQ_UTVS_ID", jet::Type::Long}, {"Seg", jet::Type::Text, 4}, {"Hm1", jet::Type::Integer},
                 {"Hm2", jet::Type::Integer}, {"Km1", jet::Type::Single}, {"Desc1", jet::Type::Text, 50},
                 {"Desc2", jet::Type::Text, 50}});
    const std::size_t half = seg.size() / 2;
    add_rows(w, s, std::vector<VolRow>(seg.begin(), seg.begin() + static_cast<long>(half)));
    w.insert_column(s, 2, {"Comment", jet::Type::Text, 40});
    add_rows(w, s, std::vector<VolRow>(seg.begin() + static_cast<long>(half), seg.end()));
    if (!late_seg.empty()) {
        w.new_page(s);
        add_rows(w, s, late_seg);
    }
    add_rows(w, n, nod);
    w.finish();
}

class VolumeTest : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        Close_Volume_DB();
        write_mdb(data() + "/segallversions.mdb", std::string(invtest::kSegmentAllVersionsTable) + kAllVersions);
        set_data_folder(DataKind::AllVersions, data());
        set_data_folder(DataKind::Volume, data());
        set_data_folder(DataKind::Inventory, data());
    }
    void TearDown() override {
        Close_Volume_DB();
        InventoryTest::TearDown();
    }
    std::string volume_file() const { return data() + "/" + kVolumeDBName; }
};

}  // namespace voltest
