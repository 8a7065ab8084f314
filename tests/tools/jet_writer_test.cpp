#include "tools/jet_writer.h"

#include <gtest/gtest.h>

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
