#include "tools/jet_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "tests/tools/test_files.h"
#include "tools/jet_script.h"

namespace {

using testfiles::run;
using testfiles::TempDir;

std::string export_table(const std::string& file, const std::string& table) {
    auto r = run({"mdb-export", "-T", "%Y-%m-%d %H:%M:%S", file, table});
    EXPECT_EQ(r.status, 0) << table;
    return r.out;
}

// What every file written must pass: mdbtools knows it for Jet 4, lists
// exactly these tables and can print their definitions.
void expect_readable(const std::string& file, const std::vector<std::string>& tables) {
    EXPECT_EQ(run({"mdb-ver", file}).out, "JET4\n") << file;
    std::string list;
    for (const auto& t : tables) list += t + "\n";
    EXPECT_EQ(run({"mdb-tables", "-1", file}).out, list) << file;
    auto schema = run({"mdb-schema", file});
    EXPECT_EQ(schema.status, 0) << file;
    for (const auto& t : tables) EXPECT_NE(schema.out.find("CREATE TABLE [" + t + "]\n"), std::string::npos) << t;
}

std::string write_script(const TempDir& dir, const std::string& script) {
    std::string out = dir.file("script.mdb");
    std::istringstream in(script);
    jet::write_script(in, out);
    return out;
}

TEST(JetWriter, EveryColumnTypeAndNullReadBackByMdbtools) {
    TempDir dir;
    std::string file = dir.file("types.mdb");
    {
        jet::Writer w(file);
        int t = w.add_table("AllTypes", {{"T", jet::Type::Text, 20},
                                         {"M", jet::Type::Memo},
                                         {"B", jet::Type::Byte},
                                         {"I", jet::Type::Integer},
                                         {"L", jet::Type::Long},
                                         {"S", jet::Type::Single},
                                         {"D", jet::Type::Double},
                                         {"C", jet::Type::Currency},
                                         {"DT", jet::Type::DateTime},
                                         {"Y", jet::Type::Boolean}});
        w.add_row(t, {std::string("abc"), std::string("memo text"), std::int64_t{255}, std::int64_t{-32768},
                      std::int64_t{2147483647}, std::string("12.35"), 3.141592653589793, std::string("-12.3456"),
                      std::string("2020-01-31 06:30:15"), std::int64_t{-1}});
        w.add_row(t, {{}, {}, {}, {}, {}, {}, {}, {}, {}, std::int64_t{0}});
        w.add_row(t, {std::string("Montr\xC3\xA9"
                                  "al \xE2\x82\xAC"),
                      std::string(""), std::int64_t{0}, std::int64_t{32767}, std::int64_t{-2147483647 - 1}, -0.5,
                      1e-300, std::int64_t{5}, std::string("1999-12-31"), std::int64_t{1}});
        w.finish();
    }
    expect_readable(file, {"AllTypes"});
    std::string schema = run({"mdb-schema", file}).out;
    EXPECT_NE(schema.find("CREATE TABLE [AllTypes]\n (\n"
                          "\t[T]\t\t\tText (20), \n"
                          "\t[M]\t\t\tMemo/Hyperlink (255), \n"
                          "\t[B]\t\t\tByte, \n"
                          "\t[I]\t\t\tInteger, \n"
                          "\t[L]\t\t\tLong Integer, \n"
                          "\t[S]\t\t\tSingle, \n"
                          "\t[D]\t\t\tDouble, \n"
                          "\t[C]\t\t\tCurrency, \n"
                          "\t[DT]\t\t\tDateTime, \n"
                          "\t[Y]\t\t\tBoolean NOT NULL\n);"),
              std::string::npos)
        << schema;
    EXPECT_EQ(export_table(file, "AllTypes"),
              "T,M,B,I,L,S,D,C,DT,Y\n"
              "\"abc\",\"memo text\",255,-32768,2147483647,12.35,3.141592653589793,-12.3456,\"2020-01-31 06:30:15\",1\n"
              ",,,,,,,,,0\n"
              "\"Montr\xC3\xA9"
              "al \xE2\x82\xAC\",,0,32767,-2147483648,-0.5,1e-300,5.0000,\"1999-12-31 00:00:00\",1\n");
}

TEST(JetWriter, ManyPagesOfRowsInSeveralTablesWithHyphenatedNames) {
    TempDir dir;
    std::string file = dir.file("big.mdb");
    constexpr int kRows = 100000;
    std::string expected = "Seg,RowNum,Quarter,Note\n";
    {
        jet::Writer w(file);
        int big = w.add_table("Seg-Points", {{"Seg", jet::Type::Text, 4},
                                             {"RowNum", jet::Type::Long},
                                             {"Quarter", jet::Type::Double},
                                             {"Note", jet::Type::Memo}});
        int small = w.add_table("Landmark-Intersection", {{"Landmark_ID", jet::Type::Long}});
        for (int i = 0; i < kRows; ++i) {
            char seg[8];
            std::snprintf(seg, sizeof seg, "%04d", i % 9973);
            jet::Value note;
            std::string note_text;
            if (i % 1000 == 0) {
                note_text = std::string(static_cast<std::size_t>(i / 1000), 'n');
                note = note_text;
            }
            w.add_row(big, {std::string(seg), std::int64_t{i}, i / 4.0, note});
            // Rows of the two tables interleave on disk.
            if (i % 100 == 0) w.add_row(small, {std::int64_t{i}});
            char q[32];
            std::snprintf(q, sizeof q, "%.15g", i / 4.0);
            expected += "\"" + std::string(seg) + "\"," + std::to_string(i) + "," + q + "," +
                        (note_text.empty() ? "" : "\"" + note_text + "\"") + "\n";
        }
        w.finish();
    }
    expect_readable(file, {"Seg-Points", "Landmark-Intersection"});
    std::string out = export_table(file, "Seg-Points");
    EXPECT_EQ(out.size(), expected.size());
    EXPECT_TRUE(out == expected);
    auto lm = export_table(file, "Landmark-Intersection");
    EXPECT_EQ(std::count(lm.begin(), lm.end(), '\n'), kRows / 100 + 1);
}

// Memos are kept in the row, on one long-value page or on a chain of them,
// by their length; text is compressed when it can be.
TEST(JetWriter, MemosOfEveryStorageLengthReadBackWhole) {
    TempDir dir;
    std::string file = dir.file("memo.mdb");
    const std::vector<std::string> memos = {
        "x",
        std::string(40, 'i'),
        std::string(2000, 'p'),
        std::string(1500, 'u'),
        std::string(3000, 'm'),
        std::string(50000, 'c'),
        "\xC3\xA9t\xC3\xA9",
        std::string(700, '\xE2'),
    };
    {
        jet::Writer w(file);
        int t = w.add_table("Memos", {{"ID", jet::Type::Long}, {"M", jet::Type::Memo}});
        for (std::size_t i = 0; i < memos.size(); ++i) {
            std::string m = memos[i];
            if (i == memos.size() - 1) {  // 700 euro signs: three bytes each, not compressible
                m.clear();
                for (int k = 0; k < 700; ++k) m += "\xE2\x82\xAC";
            }
            w.add_row(t, {static_cast<std::int64_t>(i), m});
        }
        w.finish();
    }
    expect_readable(file, {"Memos"});
    std::string expected = "ID,M\n";
    for (std::size_t i = 0; i < memos.size(); ++i) {
        std::string m = memos[i];
        if (i == memos.size() - 1) {
            m.clear();
            for (int k = 0; k < 700; ++k) m += "\xE2\x82\xAC";
        }
        expected += std::to_string(i) + ",\"" + m + "\"\n";
    }
    EXPECT_TRUE(export_table(file, "Memos") == expected);
}

TEST(JetWriter, WideTableDefinitionGoesOnOverSeveralPages) {
    TempDir dir;
    std::string file = dir.file("wide.mdb");
    std::vector<jet::Column> cols;
    std::vector<jet::Value> row;
    std::string header, values;
    for (int i = 0; i < 200; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "A_rather_long_column_name_%03d", i);
        cols.push_back({name, i % 2 ? jet::Type::Long : jet::Type::Text, 10});
        row.push_back(i % 2 ? jet::Value(std::int64_t{i}) : jet::Value(std::to_string(i)));
        header += (i ? "," : "") + std::string(name);
        values += (i ? "," : "") + (i % 2 ? std::to_string(i) : "\"" + std::to_string(i) + "\"");
    }
    {
        jet::Writer w(file);
        w.add_row(w.add_table("Wide", cols), row);
        w.finish();
    }
    expect_readable(file, {"Wide"});
    EXPECT_EQ(export_table(file, "Wide"), header + "\n" + values + "\n");
}

TEST(JetWriter, ScriptWritesTheSameAsTheLibrary) {
    TempDir dir;
    std::string file = write_script(dir,
                                    "-- comment\n"
                                    "CREATE TABLE [Landmark-Intersection] (Landmark_ID LONG, Intersection_ID INTEGER,"
                                    " Legs SHORT);\n"
                                    "INSERT INTO [Landmark-Intersection] VALUES (1, 10, 4), (2, NULL, 3);\n"
                                    "create table t (a text(10), b single, c currency, d date, e yesno, f memo);\n"
                                    "insert into t (f, a) values ('it''s', 'x');\n"
                                    "insert into t values ('y', -1.5e1, 1.25, #1900-03-01 12:00#, true, null);\n"
                                    "CREATE TABLE Empty (a LONG)");
    expect_readable(file, {"Landmark-Intersection", "t", "Empty"});
    EXPECT_EQ(export_table(file, "Empty"), "a\n");
    EXPECT_EQ(export_table(file, "Landmark-Intersection"), "Landmark_ID,Intersection_ID,Legs\n1,10,4\n2,,3\n");
    EXPECT_EQ(export_table(file, "t"),
              "a,b,c,d,e,f\n\"x\",,,,0,\"it's\"\n\"y\",-15,1.2500,\"1900-03-01 12:00:00\",1,\n");
}

// Numeric columns as Access keeps them: precision and scale in the column's
// definition, each value a whole number of units of its last decimal.
TEST(JetWriter, NumericColumnsOfSeveralPrecisionsAndScales) {
    TempDir dir;
    std::string file = write_script(dir,
                                    "CREATE TABLE N (Whole NUMERIC(18, 0), Cents DECIMAL(10, 2), Fine NUMERIC(12, 4),"
                                    " Big NUMERIC(28), Plain DECIMAL);\n"
                                    "INSERT INTO N VALUES (1, 12.34, 3.1416, 1234567890123456789012345678, 0),"
                                    " (0, -0.05, -0.0001, -9999999999999999999999999999, NULL),"
                                    " (4, 1.5, 12345678.9999, NULL, -1),"
                                    " (-1, 99999999.99, -12345678.9999, 0, 999999999999999999),"
                                    " (-999999999999999999, 0, 0.5, 1, 7)");
    expect_readable(file, {"N"});
    std::string schema = run({"mdb-schema", file}).out;
    EXPECT_NE(schema.find("\t[Whole]\t\t\tNumeric (18, 0), \n"
                          "\t[Cents]\t\t\tNumeric (10, 2), \n"
                          "\t[Fine]\t\t\tNumeric (12, 4), \n"
                          "\t[Big]\t\t\tNumeric (28, 0), \n"
                          "\t[Plain]\t\t\tNumeric (18, 0)\n"),
              std::string::npos)
        << schema;
    EXPECT_EQ(export_table(file, "N"),
              "Whole,Cents,Fine,Big,Plain\n"
              "1,12.34,3.1416,1234567890123456789012345678,0\n"
              "0,-0.05,-0.0001,-9999999999999999999999999999,\n"
              "4,1.50,12345678.9999,,-1\n"
              "-1,99999999.99,-12345678.9999,0,999999999999999999\n"
              "-999999999999999999,0.00,0.5000,1,7\n");
}

TEST(JetWriter, FixtureBuiltAtBuildTime) {
    expect_readable(SAMPLE_FIXTURE, {"Segment", "Landmark-Intersection"});
    EXPECT_EQ(export_table(SAMPLE_FIXTURE, "Segment"),
              "Segment,Length,Begin_Node,End_Node,nway,Highway_Number,Highway_Letter\n"
              "\"0010\",12.345,\"N001\",\"N002\",2,1,\n"
              "\"0020\",3.5,\"N002\",\"N003\",4,1,\"A\"\n");
    EXPECT_EQ(export_table(SAMPLE_FIXTURE, "Landmark-Intersection"), "Landmark_ID,Intersection_ID,Legs\n7,,4\n");
}

TEST(JetWriter, ScriptErrorsNameTheLine) {
    struct Case {
        const char* script;
        const char* message;
    } cases[] = {
        {"CREATE TABLE t (a WIDGET);", "line 1: unknown column type WIDGET"},
        {"CREATE TABLE t (a TEXT(99999999999));", "line 1: expected a whole length, not 99999999999"},
        {"CREATE TABLE t (a TEXT(2.5));", "line 1: expected a whole length, not 2.5"},
        {"CREATE TABLE t (a TEXT);\nINSERT INTO t VALUES ('open);", "line 2: text not closed"},
        {"CREATE TABLE t (a LONG, b LONG);\n\nINSERT INTO t VALUES (1);", "line 3: fewer values than columns"},
        {"CREATE TABLE t (a BYTE);\nINSERT INTO t VALUES (256);",
         "line 2: table t, column a (Byte): Byte value 256 out of range"},
        {"CREATE TABLE t (a TEXT(2));\nINSERT INTO t VALUES ('abc');",
         "line 2: table t, column a (Text): text longer than 2 characters"},
        {"INSERT INTO nowhere VALUES (1);", "line 1: no table nowhere"},
        {"CREATE TABLE t (a DATE);\nINSERT INTO t VALUES (#2021-02-29#);",
         "line 2: table t, column a (Date/Time): not a date: \"2021-02-29\""},
        {"CREATE TABLE t (a YESNO);\nINSERT INTO t VALUES (NULL);",
         "line 2: table t, column a (Yes/No): a Yes/No column cannot hold Null"},
        {"CREATE TABLE t (a LONG);\nCREATE TABLE T (b LONG);", "line 2: table T defined twice"},
        {"CREATE TABLE t (a CURRENCY);\nINSERT INTO t VALUES (1.23456);",
         "line 2: table t, column a (Currency): Currency has at most 4 decimals: \"1.23456\""},
        {"CREATE TABLE t (a NUMERIC(10, 2));\nINSERT INTO t VALUES (1.234);",
         "line 2: table t, column a (Numeric): Numeric (10, 2) has at most 2 decimals: \"1.234\""},
        {"CREATE TABLE t (a NUMERIC(4, 2));\nINSERT INTO t VALUES (-123);",
         "line 2: table t, column a (Numeric): Numeric (4, 2) value out of range: \"-123\""},
        {"CREATE TABLE t (a NUMERIC(28));\nINSERT INTO t VALUES (12345678901234567890123456789);",
         "line 2: table t, column a (Numeric): Numeric (28, 0) value out of range: "
         "\"12345678901234567890123456789\""},
        {"CREATE TABLE t (a NUMERIC(29));",
         "line 1: numeric column a must have a precision of 1 to 28 and a scale of 0 to it"},
        {"CREATE TABLE t (a NUMERIC(4, 5));",
         "line 1: numeric column a must have a precision of 1 to 28 and a scale of 0 to it"},
        {"CREATE TABLE t (a NUMERIC(4, x));", "line 1: expected a scale"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        try {
            write_script(dir, c.script);
            ADD_FAILURE() << "no error for: " << c.script;
        } catch (const jet::WriteError& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.script;
        }
        // Nothing is left behind under the name, nor under a temporary one.
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << c.script;
    }
}

// The layouts a file takes on as Access edits it. mdbtools passes deleted
// rows by and finds a moved row on the page it went to (so after the rows
// written later on the first page).
TEST(JetWriter, RowLayoutsReadBackByMdbtools) {
    TempDir dir;
    std::string file = dir.file("rows.mdb");
    {
        jet::Writer w(file);
        int t = w.add_table("T", {{"ID", jet::Type::Long}, {"Name", jet::Type::Text, 50}});
        auto row = [&](std::int64_t id, const char* name, jet::RowForm form) {
            w.add_row(t, {id, std::string(name)}, form);
        };
        row(100, "gone", jet::RowForm::DeletedAtPageEnd);
        row(101, "gone too", jet::RowForm::DeletedAtPageEnd);
        row(1, "one", jet::RowForm::Live);
        row(102, "kept in place", jet::RowForm::Deleted);
        row(2, "two", jet::RowForm::Live);
        row(103, "emptied", jet::RowForm::DeletedEmptied);
        row(3, "three, moved", jet::RowForm::Moved);
        row(104, "moved, then deleted", jet::RowForm::MovedThenDeleted);
        row(4, "four", jet::RowForm::Live);
        row(105, "last", jet::RowForm::DeletedAtPageEnd);
        w.new_page(t);
        row(106, "a page", jet::RowForm::Deleted);
        row(107, "of deleted rows", jet::RowForm::DeletedAtPageEnd);
        w.new_page(t);
        row(5, "five", jet::RowForm::Live);
        w.finish();
    }
    expect_readable(file, {"T"});
    EXPECT_EQ(export_table(file, "T"), "ID,Name\n1,\"one\"\n2,\"two\"\n4,\"four\"\n3,\"three, moved\"\n5,\"five\"\n");
}

TEST(JetWriter, ColumnsDeletedAndInsertedAfterRowsWereWritten) {
    TempDir dir;
    std::string file = dir.file("columns.mdb");
    {
        jet::Writer w(file);
        int t = w.add_table("C", {{"A", jet::Type::Long},
                                  {"B", jet::Type::Text, 10},
                                  {"C", jet::Type::Double},
                                  {"D", jet::Type::Text, 10},
                                  {"Y", jet::Type::Boolean}});
        w.add_row(t, {std::int64_t{1}, std::string("b1"), 1.5, std::string("d1"), std::int64_t{-1}});
        w.delete_column(t, "b");
        w.delete_column(t, "C");
        w.add_row(t, {std::int64_t{2}, std::string("d2"), std::int64_t{0}});
        w.insert_column(t, 1, {"E", jet::Type::Integer});
        w.insert_column(t, 0, {"F", jet::Type::Text, 10});
        EXPECT_EQ(w.columns(t).size(), 5u);
        EXPECT_EQ(w.columns(t)[0].name, "F");
        EXPECT_EQ(w.columns(t)[2].name, "E");
        w.add_row(t, {std::string("f3"), std::int64_t{3}, std::int64_t{33}, std::string("d3"), std::int64_t{-1}});
        w.finish();
    }
    expect_readable(file, {"C"});
    // mdbtools lists the columns by their numbers: the inserted ones last.
    EXPECT_EQ(export_table(file, "C"), "A,D,Y,E,F\n1,\"d1\",1,,\n2,\"d2\",0,,\n3,\"d3\",1,33,\"f3\"\n");
}

TEST(JetWriter, TextInEachStoredForm) {
    TempDir dir;
    std::string file = dir.file("text.mdb");
    const std::string euro = "\xE2\x82\xAC";
    {
        jet::Writer w(file);
        int t = w.add_table("T", {{"Latin", jet::Type::Text, 40, jet::Compression::Latin},
                                  {"Mixed", jet::Type::Text, 40, jet::Compression::Mixed},
                                  {"Wide", jet::Type::Text, 40, jet::Compression::None},
                                  {"Note", jet::Type::Memo, 0, jet::Compression::Mixed}});
        w.add_row(t, {std::string("abc " + euro + " def"), std::string("ghi " + euro + " jkl"),
                      std::string("mno pqr"), std::string("memo " + euro + " text")});
        w.add_row(t, {std::string("ab"), std::string(euro + euro + euro), std::string(""), {}});
        w.finish();
    }
    std::string bytes = testfiles::read_text(file);
    auto has = [&](const std::string& b) { return bytes.find(b) != std::string::npos; };
    using namespace std::string_literals;
    EXPECT_TRUE(has("\xFF\xFEghi \0\xAC\x20\0 jkl"s));     // one byte a character, two for the euro sign
    EXPECT_TRUE(has("\xFF\xFEmemo \0\xAC\x20\0 text"s));  // memos too
    EXPECT_TRUE(has("m\0n\0o\0 \0p\0q\0r\0"s));           // never compressed
    EXPECT_TRUE(has("a\0b\0c\0 \0\xAC\x20"s));            // compressed only when every character fits a byte
    EXPECT_TRUE(has("\xAC\x20\xAC\x20\xAC\x20"s));        // not shorter compressed
    EXPECT_EQ(export_table(file, "T"),
              "Latin,Mixed,Wide,Note\n"
              "\"abc " + euro + " def\",\"ghi " + euro + " jkl\",\"mno pqr\",\"memo " + euro + " text\"\n"
              "\"ab\",\"" + euro + euro + euro + "\",,\n");
}

TEST(JetWriter, ReferenceUsageMapWhereAskedFor) {
    TempDir dir;
    std::string file = dir.file("map.mdb");
    std::string expected = "ID\n";
    {
        jet::Writer w(file);
        int t = w.add_table("T", {{"ID", jet::Type::Long}});
        w.use_reference_map(t);
        for (int i = 0; i < 3000; ++i) {
            w.add_row(t, {std::int64_t{i}});
            expected += std::to_string(i) + "\n";
        }
        w.finish();
    }
    std::string bytes = testfiles::read_text(file);
    bool map_page = false;
    for (std::size_t p = 0; p + 4096 <= bytes.size(); p += 4096) map_page |= bytes[p] == 0x05;
    EXPECT_TRUE(map_page);
    EXPECT_TRUE(export_table(file, "T") == expected);
}

TEST(JetWriter, HeadersOfLaterAccessVersions) {
    struct Case {
        jet::Version version;
        const char* mdb_ver;
    } cases[] = {{jet::Version::Jet4, "JET4\n"},
                 {jet::Version::Ace2007, "ACE12\n"},
                 {jet::Version::Ace2010, "ACE14\n"},
                 {jet::Version::Ace2013, "ACE15\n"},
                 {jet::Version::Ace2016, "ACE16\n"}};
    for (const auto& c : cases) {
        TempDir dir;
        std::string file = dir.file("v.accdb");
        jet::Writer w(file, c.version);
        w.add_row(w.add_table("T", {{"ID", jet::Type::Long}}), {std::int64_t{7}});
        w.finish();
        EXPECT_EQ(run({"mdb-ver", file}).out, c.mdb_ver);
        EXPECT_EQ(export_table(file, "T"), "ID\n7\n") << c.mdb_ver;
    }
}

TEST(JetWriter, LayoutErrors) {
    struct Case {
        const char* what;
        std::function<void(jet::Writer&, int)> act;
        const char* message;
    } cases[] = {
        {"unknown column", [](jet::Writer& w, int t) { w.delete_column(t, "Z"); }, "no column Z in table T"},
        {"last column",
         [](jet::Writer& w, int t) {
             w.delete_column(t, "A");
             w.delete_column(t, "B");
         },
         "table T would have no columns"},
        {"position", [](jet::Writer& w, int t) { w.insert_column(t, 3, {"C", jet::Type::Long}); },
         "no position 3 among the columns of table T"},
        {"name taken", [](jet::Writer& w, int t) { w.insert_column(t, 0, {"a", jet::Type::Long}); },
         "column a twice in table T"},
        {"password", [](jet::Writer& w, int) { w.set_password(std::string(21, 'p')); },
         "a database password has at most 20 characters"},
        {"row after a column went",
         [](jet::Writer& w, int t) {
             w.delete_column(t, "B");
             w.add_row(t, {std::int64_t{1}, std::int64_t{2}});
         },
         "table T has 1 columns, row has 2 values"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        jet::Writer w(dir.file("e.mdb"));
        int t = w.add_table("T", {{"A", jet::Type::Long}, {"B", jet::Type::Long}});
        try {
            c.act(w, t);
            ADD_FAILURE() << "no error: " << c.what;
        } catch (const jet::WriteError& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.what;
        }
    }
}

TEST(JetWriter, DateSerialsAreJetsStoredValues) {
    struct Case {
        int y, mo, d, h, mi, s;
        double serial;
    } cases[] = {
        {1899, 12, 30, 0, 0, 0, 0.0},    {1900, 1, 1, 0, 0, 0, 2.0},         {1899, 12, 29, 6, 0, 0, -1.25},
        {1899, 12, 30, 18, 0, 0, 0.75},  {2020, 1, 31, 12, 0, 0, 43861.5},   {1850, 3, 4, 0, 0, 0, -18198.0},
        {100, 1, 1, 0, 0, 0, -657434.0}, {9999, 12, 31, 0, 0, 0, 2958465.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(jet::date_serial(c.y, c.mo, c.d, c.h, c.mi, c.s), c.serial)
            << c.y << "-" << c.mo << "-" << c.d;
    EXPECT_THROW(jet::date_serial(2021, 2, 29), jet::WriteError);
}

}  // namespace
