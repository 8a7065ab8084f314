// CSV splitting, StripQuotes, Read_Line and the text files it reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/Brellinlib.h"
#include "tests/support/headless.h"

namespace {

namespace fs = std::filesystem;

class CsvTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        Scan_Init();
    }
    void TearDown() override {
        Scan_Init();
        HeadlessTest::TearDown();
    }
};

std::vector<std::string> Split(const std::string& line, std::size_t upper, bool keep = false) {
    std::vector<std::string> arr(upper + 1, "stale");
    arr[0] = "element zero";
    int16_t n = -1;
    CSV_Split(line, arr, n, keep);
    EXPECT_EQ(arr[0], "element zero");
    for (std::size_t i = static_cast<std::size_t>(n) + 1; i < arr.size(); ++i)
        EXPECT_EQ(arr[i], "") << "unused element " << i << " of [" << line << "]";
    return std::vector<std::string>(arr.begin() + 1, arr.begin() + 1 + n);
}

using Fields = std::vector<std::string>;

TEST_F(CsvTest, SplitCases) {
    struct Case {
        std::string line;
        std::size_t upper;
        bool keep;
        Fields expected;
    };
    const Case cases[] = {
        {"a, b ,,c", 10, false, {"a", "b ", "", "c"}},
        {"a,b,", 10, false, {"a", "b"}},
        {"a,b,", 10, true, {"a", "b", ""}},
        {"a,b,   ", 10, false, {"a", "b"}},
        {"a,b,   ", 10, true, {"a", "b", ""}},
        {"\"x,y\",z", 10, false, {"\"x,y\"", "z"}},
        {"ab\"c,d\"e,f", 10, false, {"ab\"c,d\"e", "f"}},
        {"\"\",x", 10, false, {"\"\"", "x"}},
        {"1,2,3,4,5", 2, false, {"1", "2"}},
        {"1,2", 2, false, {"1", "2"}},
        {"1,", 1, true, {"1"}},
        {"", 10, true, {}},
        {"     ", 10, true, {}},
        {",", 10, false, {""}},
        {",", 10, true, {"", ""}},
        {"a\t,b", 10, false, {"a\t", "b"}},
        {"  lead,  x  ", 10, false, {"lead", "x"}},
        {"one", 0, false, {}},
        // Lines longer than the sixteen characters looked at together, with
        // quotes and separators either side of their edges.
        {"0123456789abcde,0123456789abcdef,\"quoted, over the 32nd,\",x", 10, false,
         {"0123456789abcde", "0123456789abcdef", "\"quoted, over the 32nd,\"", "x"}},
        {"\"0123456789abcd\",\"0123456789abcde,\",,   ,z,,,,,,,,,,,,,,,", 6, false,
         {"\"0123456789abcd\"", "\"0123456789abcde,\"", "", "", "z", ""}},
        {"a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,", 20, true,
         {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o", "p", ""}},
        {"\"an open quote, never closed, 0123456789", 10, false, {"\"an open quote, never closed, 0123456789"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Split(c.line, c.upper, c.keep), c.expected) << "[" << c.line << "] upper " << c.upper;
}

TEST_F(CsvTest, ALineThatIsAnElementOfTheArrayIsEmptiedFirst) {
    std::vector<std::string> arr = {"", "stale", "a,b"};
    int16_t n = -1;
    CSV_Split(arr[2], arr, n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(arr, (std::vector<std::string>{"", "", ""}));
}

TEST_F(CsvTest, SplitFollowsTheSeparatorAndQuoteSettings) {
    Set_CSV_Separator(";");
    EXPECT_EQ(Split("a;b,c;'d;e'", 10), (Fields{"a", "b,c", "'d", "e'"}));
    Set_CSV_Quote("'");
    EXPECT_EQ(Split("a;b,c;'d;e'", 10), (Fields{"a", "b,c", "'d;e'"}));
    Set_CSV_Quote("");
    Set_CSV_Separator(",");
    EXPECT_EQ(Split("\"x,y\",z", 10), (Fields{"\"x", "y\"", "z"}));
    Set_CSV_Separator("\t");
    EXPECT_EQ(Split("a b\tc", 10), (Fields{"a b", "c"}));
}

TEST_F(CsvTest, SplitTrimTrimsBothSides) {
    std::vector<std::string> arr(6);
    int16_t n = 0;
    CSV_SplitTrim(" a , b,  ,c  ,", arr, n);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(Fields(arr.begin() + 1, arr.begin() + 5), (Fields{"a", "b", "", "c"}));
}

TEST_F(CsvTest, SplitTrimOfAsManyFieldsAsA16BitCountHolds) {
    std::string line;
    for (int i = 0; i < 32800; ++i) line += " f ,";
    std::vector<std::string> arr(32768);
    int16_t n = 0;
    CSV_SplitTrim(line, arr, n);
    ASSERT_EQ(n, 32767);
    EXPECT_EQ(arr[1], "f");
    EXPECT_EQ(arr[32767], "f");
}

TEST_F(CsvTest, FieldCountAndGetField) {
    struct Case {
        std::string line;
        int16_t count;
        std::vector<std::pair<int16_t, std::string>> fields;
    };
    const Case cases[] = {
        {"a, b ,,c", 4, {{1, "a"}, {2, "b "}, {3, ""}, {4, "c"}, {5, ""}, {0, ""}, {-1, ""}}},
        {"a,b,", 2, {{2, "b"}, {3, ""}}},
        {"a,b, ", 3, {{3, ""}}},
        {"a,b,  x  ", 3, {{3, "x  "}}},
        {"\"x,y\",z", 2, {{1, "\"x,y\""}, {2, "z"}}},
        {"", 0, {{1, ""}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CSV_FieldCount(c.line), c.count) << "[" << c.line << "]";
        for (const auto& [n, text] : c.fields) {
            EXPECT_EQ(CSV_Field(c.line, n), text) << "[" << c.line << "] field " << n;
            std::string f = "stale";
            CSV_GetField(c.line, n, f);
            EXPECT_EQ(f, text) << "[" << c.line << "] field " << n;
        }
    }
}

TEST_F(CsvTest, StripQuotes) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"\"abc\"", "abc"},   {"  'abc'  ", "abc"}, {"\" a \"", " a "}, {"\"\"x\"\"", "\"x\""},
        {"\"abc'", "\"abc'"}, {"  abc ", "abc"},    {"", ""},           {"   ", ""},
        {"\"", ""},           {"  '  ", ""},        {"''", ""},         {"\"ab", "\"ab"},
    };
    for (const auto& c : cases) EXPECT_EQ(StripQuotes(c.in), c.out) << "[" << c.in << "]";
}

// Files made by the tests in a folder of their own.
class LineFileTest : public CsvTest {
protected:
    void SetUp() override {
        CsvTest::SetUp();
        std::string tmpl = (fs::temp_directory_path() / "tw_readline_XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        fs::remove_all(dir_);
        CsvTest::TearDown();
    }
    std::string Make(const std::string& name, const std::string& bytes) {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // Every line Read_Line gives with the flag after it, until the flag is set.
    std::vector<std::pair<std::string, bool>> ReadAll(const std::string& path) {
        InputFile f(path);
        EXPECT_TRUE(f.is_open());
        std::vector<std::pair<std::string, bool>> out;
        bool eof = false;
        for (int guard = 0; guard < 1000 && !eof; ++guard) {
            std::string line = "stale";
            Read_Line(f, line, eof);
            out.emplace_back(line, eof);
        }
        return out;
    }
    fs::path dir_;
};

using Lines = std::vector<std::pair<std::string, bool>>;

TEST_F(LineFileTest, LineEndsReadAlike) {
    struct Case {
        const char* name;
        std::string bytes;
        Lines expected;
    };
    const Case cases[] = {
        {"crlf", "a,b\r\nc\r\n", {{"a,b", false}, {"c", true}}},
        {"lf", "a,b\nc\n", {{"a,b", false}, {"c", true}}},
        {"no final line feed", "a\nlast", {{"a", false}, {"last", true}}},
        {"empty file", "", {{"", true}}},
        {"two final line feeds", "a\n\n", {{"a", false}, {"", true}}},
        {"blank line inside", "a\n\nb\n", {{"a", false}, {"", false}, {"b", true}}},
        {"stray carriage returns", "a\rb\r\n\r\rc", {{"ab", false}, {"c", true}}},
        {"ctrl-z ends reading",
         "a\nb\x1a"
         "after\n",
         {{"a", false}, {"b", true}}},
        {"ctrl-z at the start",
         "\x1a"
         "x\n",
         {{"", true}}},
        {"only a line feed", "\n", {{"", true}}},
        {"carriage return alone", "\r", {{"", true}}},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadAll(Make(c.name, c.bytes)), c.expected) << c.name;
}

TEST_F(LineFileTest, LinesLongerThanTheReadBlock) {
    std::string big(3 * 1024 * 1024 + 17, 'x');
    big[1024 * 1024 - 1] = '\r';  // a CR right at a block boundary
    std::string expected = big;
    expected.erase(1024 * 1024 - 1, 1);
    Lines got = ReadAll(Make("big", big + "\r\nshort\r\n" + big));
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].first.size(), expected.size());
    EXPECT_EQ(got[0].first, expected);
    EXPECT_EQ(got[1], (std::pair<std::string, bool>{"short", false}));
    EXPECT_EQ(got[2].first.size(), expected.size());
    EXPECT_TRUE(got[2].second);
}

TEST_F(LineFileTest, FlagIsNeverCleared) {
    InputFile f(Make("two", "a\nb\n"));
    bool eof = true;
    std::string line;
    Read_Line(f, line, eof);
    EXPECT_EQ(line, "a");
    EXPECT_TRUE(eof);
}

TEST_F(LineFileTest, MissingFileDoesNotOpenAndReadsAsEnded) {
    InputFile f((dir_ / "absent.csv").string());
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(f.error(), ENOENT);
    bool eof = false;
    std::string line = "stale";
    Read_Line(f, line, eof);
    EXPECT_EQ(line, "");
    EXPECT_TRUE(eof);

    InputFile folder(dir_.string());
    EXPECT_FALSE(folder.is_open());
    EXPECT_EQ(folder.error(), EISDIR);
}

TEST_F(LineFileTest, OutputAppearsOnlyWhenClosed) {
    const std::string path = (dir_ / "out.csv").string();
    Make("out.csv", "old contents\n");
    {
        OutputFile out(path);
        ASSERT_TRUE(out.is_open());
        out.Write("new,");
        out.Write("line\n");
        EXPECT_EQ(ReadAll(path), (Lines{{"old contents", true}}));
    }  // dropped without Close: the old file stands
    EXPECT_EQ(ReadAll(path), (Lines{{"old contents", true}}));
    {
        OutputFile out(path);
        out.Write(std::string(200000, 'y'));
        out.Write("\nend\n");
        EXPECT_TRUE(out.Close());
    }
    Lines got = ReadAll(path);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].first.size(), 200000u);
    EXPECT_EQ(got[1], (std::pair<std::string, bool>{"end", true}));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
    EXPECT_EQ(files, 1u) << "no temporary file is left behind";
}

TEST_F(LineFileTest, OutputInAMissingFolderFailsToOpen) {
    OutputFile out((dir_ / "nowhere" / "out.csv").string());
    EXPECT_FALSE(out.is_open());
    EXPECT_EQ(out.error(), ENOENT);
    EXPECT_FALSE(out.Close());
}

}  // namespace
