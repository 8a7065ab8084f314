// Jet files laid out as Access leaves them after years of edits, read through
// the database layer and compared with what mdbtools reads from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>

#include "platform/db/db.h"
#include "tests/tools/test_files.h"
#include "tools/jet_writer.h"

namespace {

using testfiles::TempDir;
using Rows = std::vector<std::vector<std::string>>;

// How a column's values are compared: text as it is, numbers by value
// (decimals to a double's every digit), Yes/No as 0 or 1.
enum class Kind { Text, Number, Decimal, YesNo };

struct TableSpec {
    std::string name;
    std::vector<std::pair<std::string, Kind>> columns;  // as the readers list them
    Rows rows;                                          // the live rows, each as the columns
};

std::string number_text(double d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.10g", d);
    return buf;
}

std::string decimal_text(double d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", d);
    return buf;
}

std::string normal(const std::string& v, Kind k) {
    if (v.empty()) return "";
    if (k == Kind::Number) return number_text(std::strtod(v.c_str(), nullptr));
    if (k == Kind::Decimal) return decimal_text(std::strtod(v.c_str(), nullptr));
    if (k == Kind::YesNo) return std::strtod(v.c_str(), nullptr) != 0 ? "1" : "0";
    return v;
}

// mdb-export's CSV: quoted texts (quotes doubled inside), Null and "" both
// empty.
Rows parse_csv(const std::string& s, std::vector<std::string>& header) {
    Rows rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (quoted) {
            if (c == '"' && i + 1 < s.size() && s[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = any = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
        } else if (c == '\n') {
            row.push_back(field);
            field.clear();
            rows.push_back(row);
            row.clear();
        } else {
            field += c;
            any = true;
        }
    }
    (void)any;
    if (!rows.empty()) {
        header = rows.front();
        rows.erase(rows.begin());
    }
    return rows;
}

Rows sorted(Rows r) {
    std::sort(r.begin(), r.end());
    return r;
}

Rows mdb_export_rows(const std::string& file, const TableSpec& t, std::vector<std::string>& header) {
    auto r = testfiles::run({"mdb-export", file, t.name});
    EXPECT_EQ(r.status, 0) << t.name;
    Rows rows = parse_csv(r.out, header);
    for (auto& row : rows)
        for (std::size_t c = 0; c < row.size() && c < t.columns.size(); ++c) row[c] = normal(row[c], t.columns[c].second);
    return rows;
}

Rows layer_rows(const db::Database& d, const TableSpec& t, std::vector<std::string>& header) {
    auto rs = d.open_recordset("SELECT * FROM [" + t.name + "]");
    header = rs.field_names();
    Rows rows;
    for (; !rs.eof(); rs.move_next()) {
        std::vector<std::string> row;
        for (std::size_t c = 0; c < t.columns.size() && c < header.size(); ++c) {
            auto f = rs.field(static_cast<int>(c));
            Kind k = t.columns[c].second;
            row.push_back(f.is_null()        ? ""
                          : k == Kind::Text   ? f.as_text()
                          : k == Kind::YesNo  ? (f.as_bool() ? "1" : "0")
                          : k == Kind::Decimal ? decimal_text(f.as_double())
                                              : number_text(f.as_double()));
        }
        rows.push_back(row);
    }
    return rows;
}

class JetLayouts : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CACHE_HOME");
        had_old_ = old != nullptr;
        if (old) old_ = old;
        ::setenv("XDG_CACHE_HOME", dir_.file("cache").c_str(), 1);
    }
    void TearDown() override {
        if (had_old_)
            ::setenv("XDG_CACHE_HOME", old_.c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
    }

    static std::string error_of(const std::function<void()>& f, int* number = nullptr) {
        try {
            f();
        } catch (const db::Error& e) {
            if (number) *number = e.number();
            return e.description();
        }
        return "";
    }

    TempDir dir_;

private:
    bool had_old_ = false;
    std::string old_;
};

using jet::RowForm;
using jet::Type;
using jet::Value;

Value n(std::int64_t v) {
    return v;
}
Value s(const std::string& v) {
    return v;
}

// One file with every layout; returns what each table holds.
std::vector<TableSpec> write_layouts(const std::string& path) {
    std::vector<TableSpec> specs;
    jet::Writer w(path);
    const std::string euro = "\xE2\x82\xAC", e_acute = "\xC3\xA9";

    {  // Deleted rows first on a page, among live ones, last, and a page of nothing else.
        int t = w.add_table("Deleted", {{"ID", Type::Long}, {"Name", Type::Text, 60}, {"Km", Type::Double}});
        TableSpec spec{"Deleted", {{"ID", Kind::Number}, {"Name", Kind::Text}, {"Km", Kind::Number}}, {}};
        auto row = [&](std::int64_t id, const std::string& name, double km, RowForm form) {
            w.add_row(t, {n(id), s(name), km}, form);
            if (form == RowForm::Live) spec.rows.push_back({std::to_string(id), name, number_text(km)});
        };
        row(900, "deleted first", 0.5, RowForm::DeletedAtPageEnd);
        row(901, "deleted second", 0.5, RowForm::DeletedAtPageEnd);
        row(1, "one", 1.25, RowForm::Live);
        row(902, "deleted with its data left in place", 2.5, RowForm::Deleted);
        row(2, "two, somewhat longer", -3.5, RowForm::Live);
        row(903, "deleted, its space taken back", 0, RowForm::DeletedEmptied);
        row(3, "three", 1e6, RowForm::Live);
        row(904, "deleted last", 0, RowForm::DeletedAtPageEnd);
        w.new_page(t);
        row(905, "a page", 0, RowForm::Deleted);
        row(906, "of deleted", 0, RowForm::DeletedAtPageEnd);
        row(907, "rows", 0, RowForm::DeletedEmptied);
        w.new_page(t);
        row(4, "four", 0.125, RowForm::Live);
        specs.push_back(spec);
    }
    {  // Rows moved to another page, and moved rows deleted since.
        int t = w.add_table("Moved", {{"ID", Type::Long}, {"Name", Type::Text, 200}, {"Note", Type::Memo}});
        TableSpec spec{"Moved", {{"ID", Kind::Number}, {"Name", Kind::Text}, {"Note", Kind::Text}}, {}};
        for (int i = 1; i <= 40; ++i) {
            RowForm form = i % 5 == 2 ? RowForm::Moved : i % 7 == 3 ? RowForm::MovedThenDeleted : RowForm::Live;
            std::string name = "row " + std::to_string(i) + std::string(static_cast<std::size_t>(i * 4), 'x');
            std::string note = i % 3 ? "note " + std::to_string(i) : std::string(3000, 'm');
            w.add_row(t, {n(i), s(name), s(note)}, form);
            if (form != RowForm::MovedThenDeleted) spec.rows.push_back({std::to_string(i), name, note});
        }
        specs.push_back(spec);
    }
    {  // Compressed and uncompressed text side by side.
        int t = w.add_table("Texts", {{"ID", Type::Long},
                                      {"Latin", Type::Text, 60, jet::Compression::Latin},
                                      {"Mixed", Type::Text, 60, jet::Compression::Mixed},
                                      {"Wide", Type::Text, 60, jet::Compression::None},
                                      {"Note", Type::Memo, 0, jet::Compression::Mixed}});
        TableSpec spec{"Texts",
                       {{"ID", Kind::Number},
                        {"Latin", Kind::Text},
                        {"Mixed", Kind::Text},
                        {"Wide", Kind::Text},
                        {"Note", Kind::Text}},
                       {}};
        const std::vector<std::string> texts = {
            "plain ascii text", "Montr" + e_acute + "al", "12 " + euro + " and " + euro + " 13", "ab", "",
            "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 omega", euro + "x" + euro,
        };
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const std::string& a = texts[i];
            const std::string& b = texts[(i + 1) % texts.size()];
            const std::string& c = texts[(i + 2) % texts.size()];
            std::string memo = a + " / " + b + " / " + c;
            w.add_row(t, {n(static_cast<std::int64_t>(i)), s(a), s(b), s(c), s(memo)});
            spec.rows.push_back({std::to_string(i), a, b, c, memo});
        }
        specs.push_back(spec);
    }
    {  // Memos in the row, on one long-value page and on a chain of them.
        int t = w.add_table("Memos", {{"ID", Type::Long}, {"M", Type::Memo}});
        TableSpec spec{"Memos", {{"ID", Kind::Number}, {"M", Kind::Text}}, {}};
        std::string wide;
        for (int k = 0; k < 700; ++k) wide += euro;
        const std::vector<std::string> memos = {"x", std::string(40, 'i'), std::string(2000, 'p'),
                                                std::string(50000, 'c'), wide, ""};
        for (std::size_t i = 0; i < memos.size(); ++i) {
            w.add_row(t, {n(static_cast<std::int64_t>(i)), s(memos[i])});
            spec.rows.push_back({std::to_string(i), memos[i]});
        }
        w.add_row(t, {n(99), {}});
        spec.rows.push_back({"99", ""});
        specs.push_back(spec);
    }
    {  // Many pages, mapped through a reference map.
        int t = w.add_table("Wide", {{"ID", Type::Long}, {"Seg", Type::Text, 4}, {"Filler", Type::Text, 255}});
        w.use_reference_map(t);
        TableSpec spec{"Wide", {{"ID", Kind::Number}, {"Seg", Kind::Text}, {"Filler", Kind::Text}}, {}};
        for (int i = 0; i < 3000; ++i) {
            char seg[8];
            std::snprintf(seg, sizeof seg, "%04d", i % 97);
            std::string filler(static_cast<std::size_t>(100 + i % 150), static_cast<char>('a' + i % 26));
            w.add_row(t, {n(i), s(seg), s(filler)});
            spec.rows.push_back({std::to_string(i), seg, filler});
        }
        specs.push_back(spec);
    }
    {  // Columns deleted and inserted after rows were written.
        int t = w.add_table("Columns", {{"A", Type::Long},
                                        {"B", Type::Text, 10},
                                        {"C", Type::Double},
                                        {"D", Type::Text, 10},
                                        {"Y", Type::Boolean}});
        w.add_row(t, {n(1), s("b1"), 1.5, s("d1"), n(-1)});
        w.add_row(t, {n(2), {}, {}, s("d2"), n(0)});
        w.delete_column(t, "B");
        w.add_row(t, {n(3), 3.5, s("d3"), n(-1)});
        w.delete_column(t, "C");
        w.insert_column(t, 1, {"E", Type::Integer});
        w.add_row(t, {n(4), n(44), s("d4"), n(0)});
        w.insert_column(t, 0, {"F", Type::Text, 10});
        w.insert_column(t, 2, {"G", Type::Double});
        w.add_row(t, {s("f5"), n(5), -0.25, n(-55), s("d5"), n(-1)});
        w.add_row(t, {{}, n(6), {}, {}, {}, n(0)});
        // Listed by column number, as mdbtools lists them.
        TableSpec spec{"Columns",
                       {{"A", Kind::Number},
                        {"D", Kind::Text},
                        {"Y", Kind::YesNo},
                        {"E", Kind::Number},
                        {"F", Kind::Text},
                        {"G", Kind::Number}},
                       {{"1", "d1", "1", "", "", ""},
                        {"2", "d2", "0", "", "", ""},
                        {"3", "d3", "1", "", "", ""},
                        {"4", "d4", "0", "44", "", ""},
                        {"5", "d5", "1", "-55", "f5", "-0.25"},
                        {"6", "", "0", "", "", ""}}};
        specs.push_back(spec);
    }
    {  // Numeric columns of several precisions and scales.
        auto numeric = [](const char* name, int precision, int scale) {
            return jet::Column{.name = name, .type = Type::Numeric, .precision = precision, .scale = scale};
        };
        int t = w.add_table("Numeric", {{"ID", Type::Long}, numeric("Whole", 18, 0), numeric("Cents", 10, 2),
                                        numeric("Fine", 12, 4), numeric("Big", 28, 4)});
        TableSpec spec{"Numeric",
                       {{"ID", Kind::Number},
                        {"Whole", Kind::Decimal},
                        {"Cents", Kind::Decimal},
                        {"Fine", Kind::Decimal},
                        {"Big", Kind::Decimal}},
                       {}};
        const std::vector<std::vector<Value>> rows = {
            {n(1), s("12.34"), s("3.1416"), s("123456789012345678901234.5678")},
            {n(0), s("-0.05"), s("-0.0001"), s("-999999999999999999999999.9999")},
            {n(4), s("1.5"), s("12345678.9999"), {}},
            {n(-1), s("99999999.99"), s("-12345678.9999"), n(0)},
            {n(123456789012345678), n(0), s("0.5"), s("0.0001")},
            {n(-999999999999999999), {}, n(7), n(-42)},
        };
        for (std::size_t i = 0; i < rows.size(); ++i) {
            std::vector<Value> values = {n(static_cast<std::int64_t>(i))};
            values.insert(values.end(), rows[i].begin(), rows[i].end());
            w.add_row(t, values);
            std::vector<std::string> expected = {std::to_string(i)};
            for (const Value& v : rows[i]) {
                std::string text;
                if (auto whole = std::get_if<std::int64_t>(&v)) text = std::to_string(*whole);
                if (auto decimal = std::get_if<std::string>(&v)) text = *decimal;
                expected.push_back(normal(text, Kind::Decimal));
            }
            spec.rows.push_back(expected);
        }
        specs.push_back(spec);
    }
    {
        w.add_table("Empty", {{"ID", Type::Long}, {"Name", Type::Text, 10}});
        specs.push_back({"Empty", {{"ID", Kind::Number}, {"Name", Kind::Text}}, {}});
    }
    w.finish();
    return specs;
}

TEST_F(JetLayouts, EveryLayoutReadAsWrittenAndAsMdbtoolsReadsIt) {
    std::string path = dir_.file("layouts.mdb");
    auto specs = write_layouts(path);
    auto d = db::Database::open(path);
    for (const auto& t : specs) {
        std::vector<std::string> ours_header, theirs_header, names;
        for (const auto& c : t.columns) names.push_back(c.first);
        Rows ours = layer_rows(d, t, ours_header);
        Rows theirs = mdb_export_rows(path, t, theirs_header);
        EXPECT_EQ(theirs_header, names) << t.name;
        EXPECT_EQ(ours_header, names) << t.name;
        EXPECT_EQ(ours.size(), t.rows.size()) << t.name;
        // mdbtools finds a moved row on the page it went to, so only the
        // order of the rows may differ.
        EXPECT_TRUE(sorted(theirs) == sorted(t.rows)) << t.name << ": mdb-export does not read what was written";
        EXPECT_TRUE(sorted(ours) == sorted(theirs)) << t.name << ": the layer and mdb-export disagree";
    }
    // Moved rows keep their place in the table.
    auto rs = d.open_recordset("SELECT ID FROM Moved");
    std::vector<std::int64_t> ids;
    for (; !rs.eof(); rs.move_next()) ids.push_back(rs.field(0).as_long());
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
}

// Pages as Access leaves them that mdbtools does not read right: a deleted
// row pointing at the end of the page between live rows, and a row flagged
// deleted (without the flag mdbtools looks for) whose data are still there.
TEST_F(JetLayouts, DeletedRowsThatMdbtoolsMisreads) {
    std::string path = dir_.file("deleted.mdb");
    {
        jet::Writer w(path);
        int t = w.add_table("T", {{"ID", Type::Long}, {"Name", Type::Text, 60}});
        w.add_row(t, {n(1), s("one")});
        w.add_row(t, {n(900), s("gone")}, RowForm::DeletedAtPageEnd);
        w.add_row(t, {n(2), s("a second row, longer than the first")});
        w.add_row(t, {n(901), s("flagged deleted, data left")}, RowForm::Deleted);
        w.add_row(t, {n(3), s("three")});
        w.finish();
    }
    // Leave only the deleted flag on the slot of row 3.
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    const std::streamoff slot = 4 * 4096 + 14 + 2 * 3;
    f.seekg(slot + 1);
    char high = 0;
    f.get(high);
    ASSERT_EQ(static_cast<unsigned char>(high) & 0xC0, 0xC0);
    f.seekp(slot + 1);
    f.put(static_cast<char>(high & ~0x40));
    f.close();

    auto d = db::Database::open(path);
    auto rs = d.open_recordset("SELECT ID, Name FROM T ORDER BY ID");
    std::vector<std::string> got;
    for (; !rs.eof(); rs.move_next()) got.push_back(rs["ID"].as_text() + " " + rs["Name"].as_text());
    EXPECT_EQ(got, (std::vector<std::string>{"1 one", "2 a second row, longer than the first", "3 three"}));
}

// Only live rows are checked for damage; a deleted one may point anywhere.
TEST_F(JetLayouts, OnlyLiveRowsAreCheckedForDamage) {
    struct Case {
        const char* what;
        int slot;               // on the table's first data page (page 4)
        std::uint16_t value;    // written there
        const char* message;    // "" when the file reads
    } cases[] = {
        {"deleted row beyond the page", 1, 0x9FFF, ""},
        {"deleted row inside the header", 1, 0x8002, ""},
        {"live row beyond the page", 0, 0x1FFF, "Table T: row 0 of page 4 is damaged."},
        {"live row inside the offset table", 2, 0x0010, "Table T: row 2 of page 4 is damaged."},
        {"moved row pointing past the file", 3, 0, "Table T: row 3 of page 4 was moved to a page that does not hold rows"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string path = dir.file("t.mdb");
        {
            jet::Writer w(path);
            int t = w.add_table("T", {{"ID", Type::Long}});
            w.add_row(t, {n(1)});
            w.add_row(t, {n(900)}, RowForm::Deleted);
            w.add_row(t, {n(2)});
            w.add_row(t, {n(3)}, RowForm::Moved);
            w.finish();
        }
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        if (c.value) {
            f.seekp(4 * 4096 + 14 + 2 * c.slot);
            f.put(static_cast<char>(c.value & 0xFF));
            f.put(static_cast<char>(c.value >> 8));
        } else {
            // Point the moved row at a page number far past the end.
            f.seekg(4 * 4096 + 14 + 2 * c.slot);
            unsigned char lo = static_cast<unsigned char>(f.get()), hi = static_cast<unsigned char>(f.get());
            f.seekp(4 * 4096 + ((lo | (hi << 8)) & 0x1FFF) + 1);
            f.put('\x7F');
        }
        f.close();
        std::string message = error_of([&] {
            auto d = db::Database::open(path);
            EXPECT_EQ(d.open_recordset("SELECT ID FROM T").record_count(), 3) << c.what;
        });
        if (*c.message)
            EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
        else
            EXPECT_EQ(message, "") << c.what;
    }
}

TEST_F(JetLayouts, AccessVersionsFrom2000To2016AreRead) {
    for (auto v : {jet::Version::Jet4, jet::Version::Ace2007, jet::Version::Ace2010, jet::Version::Ace2013,
                   jet::Version::Ace2016}) {
        std::string path = dir_.file("v" + std::to_string(static_cast<int>(v)) + ".accdb");
        {
            jet::Writer w(path, v);
            int t = w.add_table("Segment", {{"Segment", Type::Text, 4}, {"Length", Type::Single}});
            w.add_row(t, {s("0010"), s("12.35")});
            w.add_row(t, {s("0020"), {}});
            w.finish();
        }
        auto d = db::Database::open(path);
        auto rs = d.open_recordset("SELECT Segment, Length FROM Segment ORDER BY Segment");
        ASSERT_EQ(rs.record_count(), 2) << path;
        EXPECT_EQ(rs["Length"].as_single(), 12.35f);
    }
}

TEST_F(JetLayouts, ProtectedFilesAreNamedAsSuch) {
    struct Case {
        const char* what;
        jet::Version version;
        std::string password;
        std::uint32_t key;
        int number;
        const char* message;
    } cases[] = {
        {"Jet 4 with a password", jet::Version::Jet4, "secret", 0, db::kErrNotValidPassword,
         "is protected by a password"},
        {"Access 2007 with a password", jet::Version::Ace2007, "p\xC3\xA4ss", 0, db::kErrNotValidPassword,
         "is protected by a password"},
        {"Access 2010 encrypted with a password", jet::Version::Ace2010, "secret", 0x5A17C3E1,
         db::kErrNotValidPassword, "is protected by a password"},
        {"Jet 4 encrypted", jet::Version::Jet4, "", 0x12345678, db::kErrUnrecognizedFormat, "It is encrypted"},
        {"Access 2016 encrypted", jet::Version::Ace2016, "", 0x1, db::kErrUnrecognizedFormat, "It is encrypted"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string path = dir.file("p.mdb");
        {
            jet::Writer w(path, c.version);
            w.add_row(w.add_table("T", {{"ID", Type::Long}}), {n(1)});
            if (!c.password.empty()) w.set_password(c.password);
            if (c.key) w.set_encryption_key(c.key);
            w.finish();
        }
        int number = 0;
        std::string message = error_of([&] { db::Database::open(path); }, &number);
        EXPECT_EQ(number, c.number) << c.what;
        EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
        EXPECT_NE(message.find(path), std::string::npos) << c.what << ": " << message;
    }
}

}  // namespace
