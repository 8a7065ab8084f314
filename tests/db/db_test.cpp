#include "platform/db/db.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "tests/tools/test_files.h"
#include "tools/jet_writer.h"

namespace {

namespace fs = std::filesystem;
using testfiles::TempDir;

// Every test keeps its converted copies in a cache folder of its own.
class DbTest : public ::testing::Test {
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

    fs::path cache() const { return db::cache_folder(); }
    std::vector<std::string> cache_files() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(cache(), ec))
            if (!e.path().filename().string().ends_with(".lock")) names.push_back(e.path().filename().string());  // lock files stay
        return names;
    }

    // A file of one table.
    std::string write_mdb(const std::string& name, const std::string& table, const std::vector<jet::Column>& cols,
                          const std::vector<std::vector<jet::Value>>& rows) {
        std::string path = dir_.file(name);
        jet::Writer w(path);
        int t = w.add_table(table, cols);
        for (const auto& r : rows) w.add_row(t, r);
        w.finish();
        return path;
    }

    static int error_of(const std::function<void()>& f) {
        try {
            f();
        } catch (const db::Error& e) {
            return e.number();
        }
        return 0;
    }

    TempDir dir_;

private:
    bool had_old_ = false;
    std::string old_;
};

std::string one(const db::Database& d, const std::string& sql) {
    auto rs = d.open_recordset(sql);
    EXPECT_FALSE(rs.eof()) << sql;
    return rs.eof() ? "<none>" : rs.field(0).as_text();
}

jet::Value text(const std::string& s) {
    return s;
}
jet::Value num(std::int64_t n) {
    return n;
}

// ------------------------------------------------------------ round trips

class AllTypes : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        big_memo_.reserve(250000);
        for (int i = 0; big_memo_.size() < 250000; ++i) big_memo_ += "line " + std::to_string(i) + " \xC3\xA9\n";
        path_ = write_mdb("types.mdb", "Types",
                          {{"ID", jet::Type::Long},
                           {"T", jet::Type::Text, 50},
                           {"M", jet::Type::Memo},
                           {"B", jet::Type::Byte},
                           {"I", jet::Type::Integer},
                           {"L", jet::Type::Long},
                           {"Km", jet::Type::Single},
                           {"D", jet::Type::Double},
                           {"C", jet::Type::Currency},
                           {"DT", jet::Type::DateTime},
                           {"Y", jet::Type::Boolean}},
                          {
                              {num(1),
                               text("Montr\xC3\xA9"
                                    "al"),
                               text("short memo"), num(255), num(-32768), num(2147483647), text("12.35"),
                               3.141592653589793, text("-922337203685477.5808"), text("2020-01-31"), num(-1)},
                              {num(2), {}, {}, {}, {}, {}, {}, {}, {}, {}, num(0)},
                              {num(3), text(""), big_memo_, num(0), num(32767), num(-2147483647 - 1), text("-0.1"),
                               -1e-300, text("12.3456"), text("1850-03-04 06:30:15"), num(0)},
                              {num(4), text("x"), text(""), num(7), num(-1), num(0), text("12.345"), 1e300, num(0),
                               text("1899-12-29 18:00:00"), num(1)},
                          });
        d_ = db::Database::open(path_);
    }

    std::string path_, big_memo_;
    db::Database d_;
};

TEST_F(AllTypes, EveryColumnTypeAndNullRoundTrip) {
    auto rs = d_.open_recordset("SELECT * FROM Types ORDER BY ID");
    ASSERT_EQ(rs.record_count(), 4);
    EXPECT_EQ(rs.field_names(), (std::vector<std::string>{"ID", "T", "M", "B", "I", "L", "Km", "D", "C", "DT", "Y"}));

    EXPECT_EQ(rs["T"].as_text(),
              "Montr\xC3\xA9"
              "al");
    EXPECT_EQ(rs["M"].as_text(), "short memo");
    EXPECT_EQ(rs["B"].as_long(), 255);
    EXPECT_EQ(rs["I"].as_long(), -32768);
    EXPECT_EQ(rs["L"].as_long(), 2147483647);
    EXPECT_EQ(rs["Km"].as_single(), 12.35f);
    EXPECT_EQ(rs["D"].as_double(), 3.141592653589793);
    EXPECT_EQ(rs["C"].as_double(), -922337203685477.5808);
    EXPECT_EQ(rs["DT"].as_text(), "2020-01-31");
    EXPECT_TRUE(rs["Y"].as_bool());
    EXPECT_EQ(rs["Y"].as_long(), -1);
    EXPECT_EQ(rs["Y"].as_text(), "True");

    rs.move_next();  // every column Null but the Yes/No, which cannot be
    for (const char* f : {"T", "M", "B", "I", "L", "Km", "D", "C", "DT"}) {
        EXPECT_TRUE(rs[f].is_null()) << f;
        EXPECT_EQ(rs[f].as_text(), "") << f;
        EXPECT_EQ(error_of([&] { rs[f].as_double(); }), db::kErrInvalidUseOfNull) << f;
    }
    EXPECT_EQ(error_of([&] { rs["DT"].as_date(); }), db::kErrInvalidUseOfNull);
    EXPECT_FALSE(rs["Y"].is_null());
    EXPECT_EQ(rs["Y"].as_text(), "False");

    rs.move_next();
    EXPECT_FALSE(rs["T"].is_null());  // a zero-length text is not Null
    EXPECT_EQ(rs["T"].as_text(), "");
    EXPECT_EQ(rs["M"].as_text().size(), big_memo_.size());
    EXPECT_TRUE(rs["M"].as_text() == big_memo_);
    EXPECT_EQ(rs["L"].as_long(), -2147483648LL);
    EXPECT_EQ(rs["Km"].as_text(), "-0.1");
    EXPECT_EQ(rs["D"].as_double(), -1e-300);
    EXPECT_EQ(rs["C"].as_text(), "12.3456");
    EXPECT_EQ(rs["DT"].as_text(), "1850-03-04 06:30:15");
    db::DateTime dt = rs["DT"].as_date();
    EXPECT_EQ(std::vector<int>({dt.year, dt.month, dt.day, dt.hour, dt.minute, dt.second}),
              std::vector<int>({1850, 3, 4, 6, 30, 15}));

    rs.move_next();
    EXPECT_EQ(rs["M"].as_text(), "");
    EXPECT_FALSE(rs["M"].is_null());
    EXPECT_EQ(rs["DT"].as_text(), "1899-12-29 18:00:00");
    EXPECT_EQ(rs["D"].as_text(), "1E+300");
    rs.move_next();
    EXPECT_TRUE(rs.eof());
}

// Row by row, each row reads as it does in the whole recordset.
TEST_F(AllTypes, RowByRowReadsAsTheRecordset) {
    const char* sql = "SELECT * FROM Types ORDER BY ID";
    auto whole = d_.open_recordset(sql);
    int rows = 0;
    d_.for_each_row(sql, [&](const db::Recordset& row) {
        ASSERT_FALSE(whole.eof());
        EXPECT_EQ(row.record_count(), 1);
        EXPECT_EQ(row.field_names(), whole.field_names());
        for (int i = 0; i < whole.field_count(); ++i) {
            EXPECT_EQ(row.field(i).is_null(), whole.field(i).is_null()) << rows << " " << i;
            EXPECT_TRUE(row.field(i).as_text() == whole.field(i).as_text()) << rows << " " << i;
        }
        whole.move_next();
        ++rows;
    });
    EXPECT_EQ(rows, 4);
    EXPECT_TRUE(whole.eof());
    EXPECT_EQ(error_of([&] { d_.for_each_row("SELECT * FROM SegClass", [](const db::Recordset&) {}); }),
              db::kErrNoSuchTable);
    db::Database closed;
    EXPECT_EQ(error_of([&] { closed.for_each_row("SELECT 1", [](const db::Recordset&) {}); }), db::kErrNotOpen);
}

TEST_F(AllTypes, StoredTypesAreSqlitesNearest) {
    auto rs = d_.open_recordset(
        "SELECT typeof(T), typeof(M), typeof(B), typeof(I), typeof(L), typeof(Km), typeof(D), typeof(C), "
        "typeof(DT), typeof(Y) FROM Types WHERE ID = 1");
    std::vector<std::string> types;
    for (int i = 0; i < rs.field_count(); ++i) types.push_back(rs.field(i).as_text());
    EXPECT_EQ(types, (std::vector<std::string>{"text", "text", "integer", "integer", "integer", "real", "real", "real",
                                               "text", "integer"}));
}

// A Single keeps its single-precision value; arithmetic on it is done in
// double precision, as Jet does, so the usual rounding idiom gives Jet's answer.
TEST_F(AllTypes, SingleKeepsItsSingleValue) {
    struct Case {
        const char* sql;
        const char* expected;
    } cases[] = {
        {"SELECT CLNG(Km * 100 + 0.001) FROM Types WHERE ID = 1", "1235"},
        {"SELECT Km FROM Types WHERE ID = 1", "12.35"},
        {"SELECT Km = 12.35 FROM Types WHERE ID = 1", "0"},  // the Single is not the Double 12.35
        {"SELECT Km * 1 FROM Types WHERE ID = 1", "12.3500003814697"},
        {"SELECT CINT(Km * 100) FROM Types WHERE ID = 4", "1235"},  // 12.345 is stored as 12.3450002670288
        {"SELECT CINT(Km * 10 + 0.001) FROM Types WHERE ID = 3", "-1"},
        {"SELECT count(*) FROM Types WHERE 12.35 BETWEEN Km - 0.001 AND Km + 0.001", "1"},
    };
    for (const auto& c : cases) EXPECT_EQ(one(d_, c.sql), c.expected) << c.sql;
}

TEST_F(AllTypes, FieldsByNameWithoutRegardToCaseOrByPosition) {
    auto rs = d_.open_recordset("SELECT Types.ID, t AS Label, km FROM Types WHERE ID = 1");
    EXPECT_EQ(rs.field("id").as_long(), 1);
    EXPECT_EQ(rs.field("ID").as_long(), 1);
    EXPECT_EQ(rs.field("Types.ID").as_long(), 1);
    EXPECT_EQ(rs.field("LABEL").as_text(),
              "Montr\xC3\xA9"
              "al");
    EXPECT_EQ(rs.field(2).name(), "Km");  // as the table has it
    EXPECT_EQ(rs.field(2).as_text(), "12.35");
    EXPECT_TRUE(rs.has_field("Km"));
    EXPECT_FALSE(rs.has_field("Nowhere"));
    EXPECT_EQ(error_of([&] { rs.field("Nowhere"); }), db::kErrItemNotFound);
    EXPECT_EQ(error_of([&] { rs.field(3); }), db::kErrItemNotFound);
}

TEST_F(AllTypes, DateLiteralsCompareAsJetDates) {
    struct Case {
        const char* where;
        const char* ids;
    } cases[] = {
        {"DT = #2020-01-31#", "1"},
        {"DT >= #1850-03-04#", "1,3,4"},
        {"DT > #1850-03-04#", "1,3,4"},  // 06:30:15 on the day is after its midnight
        {"DT < #1850-03-04 06:30:15#", ""},
        {"DT <= #1850-03-04 06:30:15#", "3"},
        {"DT BETWEEN #1899-12-29# AND #1899-12-30#", "4"},
        {"#2020-01-31# BETWEEN DT AND #2021-01-01#", "1,3,4"},
        {"DT IS NULL", "2"},
    };
    for (const auto& c : cases) {
        auto rs = d_.open_recordset(std::string("SELECT ID FROM Types WHERE ") + c.where + " ORDER BY ID");
        std::string ids;
        for (; !rs.eof(); rs.move_next()) ids += (ids.empty() ? "" : ",") + rs["ID"].as_text();
        EXPECT_EQ(ids, c.ids) << c.where;
    }
    EXPECT_EQ(error_of([&] { d_.open_recordset("SELECT ID FROM Types WHERE DT = #2020-02-30#"); }), db::kErrSyntax);
}

TEST_F(AllTypes, CintAndClngRoundHalvesToEvenAndStopAtTheirRange) {
    struct Case {
        const char* expr;
        const char* result;  // nullptr: Null
        int error;
    } cases[] = {
        {"CINT(2.5)", "2", 0},
        {"CINT(3.5)", "4", 0},
        {"CINT(-2.5)", "-2", 0},
        {"CINT(-3.5)", "-4", 0},
        {"CINT(0.5)", "0", 0},
        {"CINT(1.4999)", "1", 0},
        {"Cint(12)", "12", 0},
        {"CINT('7.5')", "8", 0},
        {"CINT(NULL)", nullptr, 0},
        {"CINT(32767.4)", "32767", 0},
        {"CINT(-32768.5)", "-32768", 0},
        {"CINT(32767.5)", "", db::kErrOverflow},
        {"CINT(-32768.6)", "", db::kErrOverflow},
        {"CINT(40000)", "", db::kErrOverflow},
        {"CLNG(1234.5)", "1234", 0},
        {"CLNG(1235.5)", "1236", 0},
        {"clng(2147483647.4)", "2147483647", 0},
        {"CLNG(2147483647.5)", "", db::kErrOverflow},
        {"CLNG(-2147483648.5)", "-2147483648", 0},
        {"CLNG(-2147483649)", "", db::kErrOverflow},
        {"CINT('abc')", "", db::kErrTypeMismatch},
    };
    for (const auto& c : cases) {
        std::string sql = std::string("SELECT ") + c.expr;
        if (c.error) {
            EXPECT_EQ(error_of([&] { d_.open_recordset(sql); }), c.error) << c.expr;
            continue;
        }
        auto rs = d_.open_recordset(sql);
        if (!c.result) {
            EXPECT_TRUE(rs.field(0).is_null()) << c.expr;
        } else {
            EXPECT_EQ(rs.field(0).as_text(), c.result) << c.expr;
        }
    }
    // Over a table the error stops the whole query.
    EXPECT_EQ(error_of([&] { d_.open_recordset("SELECT CINT(L) FROM Types"); }), db::kErrOverflow);
}

// ------------------------------------------------------------ text and names

class Inventory : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        path_ = dir_.file("HMZ_Data_201807.mdb");
        jet::Writer w(path_);
        int seg = w.add_table("Segment", {{"Segment", jet::Type::Text, 4},
                                          {"Begin_Node", jet::Type::Text, 8},
                                          {"End_Node", jet::Type::Text, 8},
                                          {"Length", jet::Type::Single}});
        w.add_row(seg, {text("00A1"), text("n1"), text("N2"), text("1.5")});
        w.add_row(seg, {text("00a2"), text("N2"), text("n3"), text("2.25")});
        w.add_row(seg, {text("00B1"), text("N3"), text("N1"), text("0.5")});
        int li = w.add_table(
            "Landmark-Intersection",
            {{"Landmark_ID", jet::Type::Long}, {"Intersection_ID", jet::Type::Long}, {"Legs", jet::Type::Integer}});
        w.add_row(li, {num(1), num(10), num(4)});
        w.add_row(li, {num(2), {}, num(3)});
        w.add_table("Empty", {{"A", jet::Type::Long}});
        w.finish();
        d_ = db::Database::open(path_);
    }
    std::string path_;
    db::Database d_;
};

TEST_F(Inventory, TextComparesWithoutRegardToCase) {
    struct Case {
        const char* sql;
        const char* result;
    } cases[] = {
        {"SELECT group_concat(Segment) FROM Segment WHERE Segment = '00a1'", "00A1"},
        {"SELECT group_concat(Segment) FROM (SELECT Segment FROM Segment ORDER BY Segment)", "00A1,00a2,00B1"},
        {"SELECT count(*) FROM Segment WHERE Segment LIKE '00A%'", "2"},
        {"SELECT count(*) FROM Segment WHERE Segment BETWEEN '00a1' AND '00A2'", "2"},
        {"SELECT count(DISTINCT Begin_Node) FROM Segment", "3"},
        {"SELECT count(*) FROM Segment WHERE Segment NOT LIKE '00a%'", "1"},
        // joins match their text keys without regard to case too
        {"SELECT group_concat(x) FROM (SELECT a.Segment || '>' || b.Segment AS x FROM Segment AS a LEFT JOIN "
         "Segment AS b ON a.End_Node = b.Begin_Node ORDER BY a.Segment)",
         "00A1>00a2,00a2>00B1,00B1>00A1"},
        {"SELECT count(*) FROM Segment, [Landmark-Intersection] AS LI WHERE LI.Legs = 4 AND Segment.Length > 1", "2"},
        // The node query of the inventory: a union of both ends, then one node.
        {"SELECT group_concat(Segment || BegEnd) FROM (SELECT * FROM(SELECT Begin_Node AS Node, Segment, 'B' as BegEnd "
         "From segment UNION SELECT End_Node AS Node, Segment, 'E' as BegEnd From segment) WHERE Node = 'N2' "
         "ORDER BY Node, Segment)",
         "00A1E,00a2B"},
    };
    for (const auto& c : cases) EXPECT_EQ(one(d_, c.sql), c.result) << c.sql;
}

TEST_F(Inventory, BracketedNamesWithHyphens) {
    auto rs = d_.open_recordset(
        "SELECT Landmark_ID, Intersection_ID, Legs FROM [Landmark-Intersection] AS LI ORDER BY Landmark_ID, "
        "Intersection_ID;");
    ASSERT_EQ(rs.record_count(), 2);
    EXPECT_EQ(rs["Legs"].as_long(), 4);
    rs.move_next();
    EXPECT_TRUE(rs["Intersection_ID"].is_null());
    EXPECT_EQ(rs["LI.Legs"].as_long(), 3);
}

TEST_F(Inventory, SnapshotCountsAndMoves) {
    auto rs = d_.open_recordset("SELECT Segment FROM Segment ORDER BY Segment");
    EXPECT_EQ(rs.record_count(), 3);
    EXPECT_FALSE(rs.bof());
    rs.move_last();
    EXPECT_EQ(rs["Segment"].as_text(), "00B1");
    EXPECT_EQ(rs.absolute_position(), 2);
    rs.move_next();
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(error_of([&] { rs["Segment"].as_text(); }), db::kErrNoCurrentRecord);
    EXPECT_EQ(error_of([&] { rs.move_next(); }), db::kErrNoCurrentRecord);
    rs.move_first();
    EXPECT_EQ(rs["Segment"].as_text(), "00A1");

    auto none = d_.open_recordset("SELECT Segment FROM Segment WHERE Segment = 'zzzz'");
    EXPECT_TRUE(none.eof());
    EXPECT_TRUE(none.bof());
    EXPECT_EQ(none.record_count(), 0);
    EXPECT_EQ(none.field_count(), 1);

    db::Recordset empty;
    EXPECT_TRUE(empty.eof());
    EXPECT_EQ(one(d_, "SELECT count(*) FROM Empty"), "0");
}

TEST_F(Inventory, QueryErrorsHaveJetNumbers) {
    struct Case {
        const char* sql;
        int error;
    } cases[] = {
        {"SELECT * FROM SegClass", db::kErrNoSuchTable},
        {"SELECT Cat_Number FROM Segment", db::kErrNoSuchColumn},
        {"SELECT FROM WHERE", db::kErrSyntax},
        {"", db::kErrSyntax},
        {"SELECT MAX(Year) FROM ALL_201807_SEGVOL", db::kErrNoSuchTable},
    };
    for (const auto& c : cases) EXPECT_EQ(error_of([&] { d_.open_recordset(c.sql); }), c.error) << c.sql;
    try {
        d_.open_recordset("SELECT * FROM SegClass");
    } catch (const db::Error& e) {
        EXPECT_EQ(e.description(), "Cannot find the input table or query 'SegClass'.");
    }
    db::Database closed;
    EXPECT_FALSE(closed.is_open());
    EXPECT_EQ(error_of([&] { closed.open_recordset("SELECT 1"); }), db::kErrNotOpen);
}

// ------------------------------------------------------------ the cache

TEST_F(Inventory, CopyIsKeptReusedAndMadeAgainWhenTheFileChanges) {
    EXPECT_TRUE(d_.is_cached_copy());
    auto files = cache_files();
    ASSERT_EQ(files.size(), 1u);
    std::string copy = (cache() / files[0]).string();
    d_.close();

    // Mark the copy: a second open that reads the marker used the copy.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(copy.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "CREATE TABLE marker (x)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    {
        auto again = db::Database::open(path_);
        EXPECT_EQ(one(again, "SELECT count(*) FROM sqlite_master WHERE name = 'marker'"), "1");
    }

    // A new state of the file (other rows, later time) is copied afresh and
    // the old copy goes.
    {
        jet::Writer w(path_);
        int seg = w.add_table("Segment", {{"Segment", jet::Type::Text, 4}});
        w.add_row(seg, {text("0999")});
        w.finish();
    }
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += 10;
    ASSERT_EQ(::utimensat(AT_FDCWD, path_.c_str(), times, 0), 0);
    auto changed = db::Database::open(path_);
    EXPECT_EQ(one(changed, "SELECT group_concat(Segment) FROM Segment"), "0999");
    EXPECT_EQ(one(changed, "SELECT count(*) FROM sqlite_master WHERE name = 'marker'"), "0");
    files = cache_files();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE((cache() / files[0]).string(), copy);
}

TEST_F(Inventory, DamagedCopyIsMadeAgain) {
    d_.close();
    auto files = cache_files();
    ASSERT_EQ(files.size(), 1u);
    testfiles::write_text((cache() / files[0]).string(), "not a database any more");
    auto again = db::Database::open(path_);
    EXPECT_EQ(one(again, "SELECT count(*) FROM Segment"), "3");
}

TEST_F(Inventory, IndexesAreKeptInTheCopy) {
    d_.create_index("Segment", {"Segment", "Length"});
    d_.create_index("segment", {"segment", "length"});  // the same one again
    d_.create_index("Landmark-Intersection", {"Landmark_ID"});
    const char* list =
        "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name)";
    EXPECT_EQ(one(d_, list), "ix_landmark-intersection_landmark_id,ix_segment_segment_length");
    EXPECT_EQ(one(d_, "SELECT count(*) FROM Segment WHERE Segment = '00A2' AND Length > 2"), "1");
    d_.close();
    auto again = db::Database::open(path_);
    EXPECT_EQ(one(again, list), "ix_landmark-intersection_landmark_id,ix_segment_segment_length");
    EXPECT_EQ(error_of([&] { again.create_index("Nowhere", {"x"}); }), db::kErrNoSuchTable);
}

// Other processes read a copy in place while this one works, so a copy once
// there is never written: indexes are made with it, and a copy without an
// index wanted later gives way to a new one.
TEST_F(Inventory, CopyInPlaceIsNeverWritten) {
    d_.close();
    for (const auto& f : cache_files()) fs::remove(cache() / f);
    const std::vector<db::Index> wanted = {{"Segment", {"Begin_Node"}, ""},
                                           {"Segment", {"No_Such_Column"}, ""},  // left out quietly
                                           {"Nowhere", {"x"}, ""},
                                           {"Segment", {"upper(Segment)"}, "ix_upper"}};
    auto first = db::Database::open(path_, db::OpenMode::Shared, wanted);
    const char* list =
        "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY name)";
    EXPECT_EQ(one(first, list), "ix_segment_begin_node,ix_upper");
    auto files = cache_files();
    ASSERT_EQ(files.size(), 1u);
    const fs::path copy = cache() / files[0];
    struct stat before {};
    ASSERT_EQ(::stat(copy.c_str(), &before), 0);

    auto second = db::Database::open(path_, db::OpenMode::Shared, wanted);
    EXPECT_EQ(one(second, "SELECT count(*) FROM Segment WHERE Begin_Node = 'N2'"), "1");
    struct stat after {};
    ASSERT_EQ(::stat(copy.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // Wanted later: a new copy takes the old one's place; the connection on
    // the old one reads on, the one asking moves to the new one.
    second.create_index("Segment", {"End_Node"});
    ASSERT_EQ(::stat(copy.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(one(second, list), "ix_segment_begin_node,ix_segment_end_node,ix_upper");
    EXPECT_EQ(one(first, list), "ix_segment_begin_node,ix_upper");
    EXPECT_EQ(one(first, "SELECT count(*) FROM Segment"), "3");
    for (const auto& f : cache_files()) EXPECT_FALSE(f.ends_with("-journal")) << f;
}

TEST_F(DbTest, SqliteFileIsOpenedDirectly) {
    std::string path = dir_.file("volumes.sqlite");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "CREATE TABLE v (Seg TEXT, AADT INTEGER); INSERT INTO v VALUES ('0010', 1500)", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    auto d = db::Database::open(path, db::OpenMode::Exclusive);
    EXPECT_FALSE(d.is_cached_copy());
    EXPECT_EQ(one(d, "SELECT CINT(AADT / 2.0 + 0.5) FROM v"), "750");  // 750.5 goes to the even 750
    d.create_index("v", {"Seg"});                                      // the caller's own file stays as it is
    EXPECT_EQ(one(d, "SELECT count(*) FROM sqlite_master WHERE type = 'index'"), "0");
    EXPECT_TRUE(cache_files().empty());
}

TEST_F(Inventory, ExclusiveOpenKeepsOthersOut) {
    d_.close();
    auto mine = db::Database::open(path_, db::OpenMode::Exclusive);
    EXPECT_EQ(error_of([&] { db::Database::open(path_); }), db::kErrFileInUse);
    EXPECT_EQ(error_of([&] { db::Database::open(path_, db::OpenMode::Exclusive); }), db::kErrFileInUse);
    mine.close();
    auto shared1 = db::Database::open(path_);
    auto shared2 = db::Database::open(path_);
    EXPECT_EQ(error_of([&] { db::Database::open(path_, db::OpenMode::Exclusive); }), db::kErrFileInUse);
}

TEST_F(DbTest, CacheFolderFollowsTheXdgRule) {
    const char* home = std::getenv("HOME");
    std::string saved_home = home ? home : "";
    struct Case {
        const char* xdg;  // nullptr: unset
        const char* home;
        const char* folder;
    } cases[] = {
        {"/var/cache/me", "/home/me", "/var/cache/me/Tessawin"},
        {nullptr, "/home/me", "/home/me/.cache/Tessawin"},
        {"", "/home/me", "/home/me/.cache/Tessawin"},
        {"relative/cache", "/home/me", "/home/me/.cache/Tessawin"},  // only an absolute path counts
    };
    for (const auto& c : cases) {
        if (c.xdg)
            ::setenv("XDG_CACHE_HOME", c.xdg, 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
        ::setenv("HOME", c.home, 1);
        EXPECT_EQ(db::cache_folder(), c.folder) << (c.xdg ? c.xdg : "(unset)");
    }
    if (home)
        ::setenv("HOME", saved_home.c_str(), 1);
    else
        ::unsetenv("HOME");
}

// ------------------------------------------------------------ bad files

TEST_F(DbTest, FilesThatCannotBeReadGiveAnError) {
    std::string good = write_mdb("good.mdb", "T", {{"A", jet::Type::Long}, {"B", jet::Type::Memo}},
                                 {{num(1), text(std::string(5000, 'b'))}, {num(2), {}}});
    std::string bytes = testfiles::read_text(good);
    std::mt19937 rng(42);
    auto random_bytes = [&](std::size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = static_cast<char>(rng());
        return s;
    };
    struct Case {
        const char* name;
        std::string content;
    } cases[] = {
        {"empty.mdb", ""},
        {"text.mdb", "Segment,Km\n0010,1.5\n"},
        {"random.mdb", random_bytes(20000)},
        {"header_only.mdb", bytes.substr(0, 4096)},
        {"truncated.mdb", bytes.substr(0, bytes.size() / 2)},
        {"cut_mid_page.mdb", bytes.substr(0, 3 * 4096 + 100)},
        {"random_after_header.mdb", bytes.substr(0, 4096) + random_bytes(bytes.size() - 4096)},
        {"random_pages.mdb", bytes.substr(0, 3 * 4096) + random_bytes(bytes.size() - 3 * 4096)},
    };
    for (const auto& c : cases) {
        std::string path = dir_.file(c.name);
        testfiles::write_text(path, c.content);
        int err = error_of([&] { db::Database::open(path); });
        EXPECT_EQ(err, db::kErrUnrecognizedFormat) << c.name;
    }
    // No half-made copy is left behind, and a good file still opens.
    for (const auto& f : cache_files()) EXPECT_EQ(f.find(".part-"), std::string::npos) << f;
    auto d = db::Database::open(good);
    EXPECT_EQ(one(d, "SELECT length(B) FROM T WHERE A = 1"), "5000");

    EXPECT_EQ(error_of([&] { db::Database::open(dir_.file("missing.mdb")); }), db::kErrFileNotFound);
    EXPECT_EQ(error_of([&] { db::Database::open(dir_.path().string()); }), db::kErrUnrecognizedFormat);
}

TEST_F(DbTest, RowCountIsCheckedAgainstTheTablesOwn) {
    std::string path = write_mdb("count.mdb", "T", {{"A", jet::Type::Long}}, {{num(1)}, {num(2)}, {num(3)}});
    // The only table's definition is on page 3; its row count at offset 16.
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(3 * 4096 + 16);
    f.put(4);
    f.close();
    try {
        db::Database::open(path);
        ADD_FAILURE() << "no error";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.number(), db::kErrUnrecognizedFormat);
        EXPECT_NE(e.description().find("Table T: 3 rows found, 4 expected."), std::string::npos) << e.description();
    }
}

TEST_F(DbTest, LargeTableConvertsWhole) {
    constexpr int kRows = 100000;
    std::string path = dir_.file("geometry.mdb");
    {
        jet::Writer w(path);
        int t = w.add_table("SegLatLonKm", {{"Segment", jet::Type::Text, 4},
                                            {"RowNum", jet::Type::Long},
                                            {"Km_Scaled", jet::Type::Single},
                                            {"Km_Calc", jet::Type::Single},
                                            {"Latitude", jet::Type::Double},
                                            {"Longitude", jet::Type::Double}});
        for (int i = 0; i < kRows; ++i) {
            char seg[8];
            std::snprintf(seg, sizeof seg, "%04d", i / 100);
            double km = (i % 100) * 0.05;
            w.add_row(t, {std::string(seg), std::int64_t{i % 100}, km, km * 1.01, 45.0 + i * 1e-5, -75.0 - i * 1e-5});
        }
        w.finish();
    }
    auto d = db::Database::open(path);
    d.create_index("SegLatLonKm", {"Segment", "Km_Scaled"});
    EXPECT_EQ(one(d, "SELECT count(*) FROM SegLatLonKm"), std::to_string(kRows));
    EXPECT_EQ(one(d, "SELECT sum(RowNum) FROM SegLatLonKm"), std::to_string(kRows / 100 * 4950));
    auto rs = d.open_recordset(
        "SELECT RowNum, Km_Scaled, Latitude, Longitude FROM SegLatLonKm WHERE Segment = '0997' ORDER BY Km_Scaled");
    ASSERT_EQ(rs.record_count(), 100);
    rs.move_last();
    EXPECT_EQ(rs["RowNum"].as_long(), 99);
    EXPECT_EQ(rs["Km_Scaled"].as_single(), static_cast<float>(99 * 0.05));
    EXPECT_EQ(rs["Latitude"].as_double(), 45.0 + 99799 * 1e-5);
}

}  // namespace
