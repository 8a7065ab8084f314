#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/translation/tr_support.h"
#include "translation/Lib_Units.h"
#include "translation/Scan_Utils.h"
#include "translation/Text_Utils.h"

using namespace hemzshift;

namespace {

// Restores the process-wide scanner and splitter settings after each test.
class ScanSettings : public ::testing::Test {
protected:
    void SetUp() override {
        SET_SEPARATORS(" ,", 2);
        SET_QUOTE('\'');
        SET_DELIMITER(',');
        SET_UERR(0);
    }
    void TearDown() override { SetUp(); }
};

TEST(TextHelpers, LengthsAndSearches) {
    EXPECT_EQ(TRMLEN("ab\t"), 3);
    EXPECT_EQ(TRMLEN("   "), 0);
    EXPECT_EQ(TRMLEN1("   "), 1);
    EXPECT_EQ(INDNOT("   x", " "), 4);
    EXPECT_EQ(IND1ST_BAK("a,b,c", ","), 4);
    EXPECT_EQ(INDBAK("a,b,c", ','), 4);
    EXPECT_EQ(INDNOT_BAK("ab  ", " "), 2);
    EXPECT_EQ(IND1ST("abc", "xyz"), 0);
}

TEST(TextHelpers, CopiesAndComparisons) {
    std::string out(4, '?');
    RIGHT_JUST("ab", out);
    EXPECT_EQ(out, "  ab");
    RIGHT_JUST("abcdef", out);
    EXPECT_EQ(out, "cdef");
    LEFT_JUST(" \tab", out);
    EXPECT_EQ(out, "ab  ");
    std::string y = fixed("Y=", 10);
    APPEND(y, "2023");
    EXPECT_EQ(y, "Y=2023    ");
    EXPECT_TRUE(CMATCH("Month", "MONTH"));
    EXPECT_FALSE(CMATCH("MON", "MONTH"));
    EXPECT_TRUE(CMATCH("   ", ""));
    EXPECT_EQ(NINT4(0.49f), 0);
    EXPECT_EQ(NINT4(-0.5f), -1);
    EXPECT_EQ(NINT4(2.5f), 3);
    EXPECT_EQ(NINT4(-2.5f), -3);
}

TEST_F(ScanSettings, FieldSplitterWithAndWithoutQuotes) {
    const std::string line = "a, 'b,c' ,d";
    EXPECT_EQ(NFIELDS(line), 3);
    EXPECT_EQ(FIELD(line, 2, 8), "'b,c'   ");
    EXPECT_EQ(FIELD(line, 5, 4), "    ");
    EXPECT_EQ(FIELD(line, 0, 4), "    ");
    SET_QUOTE(' ');
    EXPECT_EQ(NFIELDS(line), 4);
    SET_QUOTE('\'');
    EXPECT_EQ(NFIELDS("a,b,,c"), 4);
    EXPECT_EQ(NFIELDS("a,b,"), 2);
    EXPECT_EQ(NFIELDS("   "), 0);
    int first = 0, last = 0;
    FIELD_FL("a,b,,c", 3, first, last);
    EXPECT_EQ(last, first - 1);  // an empty field
    EXPECT_EQ(NWORDS("  a   b  "), 2);
}

struct ScanCase {
    const char* line;
    int col_in;
    int ml;
    const char* field;  // 6 characters
    int status;
    int col_out;
};

class ScanTable : public ScanSettings, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(ScanTable, ReportMode) {
    const ScanCase& c = GetParam();
    std::string field(6, '?');
    int col = c.col_in, status = 0;
    SCAN_S(c.line, field, c.ml, col, status);
    EXPECT_EQ(field, c.field);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(col, c.col_out);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ScanTable,
    ::testing::Values(ScanCase{"ab, cd", 1, 6, "ab    ", 0, 3},  // comma and blank: one gap
                      ScanCase{"ab, cd", 3, 6, "cd    ", 0, 7},
                      ScanCase{"ab,,cd", 3, 6, "cd    ", 0, 7},  // no empty field between commas
                      ScanCase{"      ", 1, 6, "      ", 1, 1}, ScanCase{"ab", 5, 6, "      ", 1, 5},  // past the end
                      ScanCase{"'a,b' x", 1, 6, "a,b   ", 0, 6},
                      ScanCase{"'' x", 1, 6, "      ", 0, 3},        // empty quoted field
                      ScanCase{"\"ab\" x", 1, 6, "\"ab\"  ", 0, 5},  // double quotes are plain characters
                      ScanCase{"'abc x", 1, 6, "      ", 2, 5},      // no closing quote
                      ScanCase{"abcdefg x", 1, 6, "abcdef", 3, 8},   // too long: still returned
                      ScanCase{"ab", 0, 6, "ab    ", 0, 3}));

TEST_F(ScanSettings, BlankPaddingEndsAFieldWhateverTheDelimiters) {
    SET_SEPARATORS(",", 1);
    std::string field(6, '?');
    int col = 4, status = 0;
    SCAN_S("ab,cd     ", field, 2, col, status);
    EXPECT_EQ(field, "cd    ");
    EXPECT_EQ(status, 0);  // the padding is not part of the field
    EXPECT_EQ(col, 6);
    SCAN_S("ab,cd     ", field, 2, col, status);
    EXPECT_EQ(status, 1);
    SCAN_S("ab,c d    ", field, 6, col = 4, status);
    EXPECT_EQ(field, "c d   ");  // a blank inside the text is no delimiter here
    EXPECT_EQ(col, 7);
}

TEST_F(ScanSettings, BoundsFormUnderItsName) {
    int first = 0, last = 0, col = 1, status = 0;
    SCAN_S("  'ab' cd", first, last, 6, col, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(first, 4);
    EXPECT_EQ(last, 5);
    EXPECT_EQ(col, 7);
    first = last = -7;
    SCAN_S("      ", first, last, 6, col = 1, status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(first, -7);  // bounds not set when no field is left
}

TEST_F(ScanSettings, StrictModeStopsWithTheMessage) {
    struct {
        const char* line;
        int ml;
        const char* message;
    } cases[] = {{"   ", 6, "ABORT IN SCAN_S - NO FIELD FOUND AFTER COL   1 ***"},
                 {"abcdefg", 6, "ABORT IN SCAN_S - FIELD TOO LONG.  ML =   6 ***"},
                 {"'abc", 6, "NO CLOSING QUOTE"}};
    for (const auto& c : cases) {
        std::string field(6, ' ');
        int col = 1, status = -1;
        try {
            SCAN_S(c.line, field, c.ml, col, status);
            ADD_FAILURE() << "no stop for " << c.line;
        } catch (const Library_Stop& stop) {
            EXPECT_EQ(stop.number, ERR_SCAN_STRICT);
            EXPECT_NE(stop.message.find(c.message), std::string::npos) << stop.message;
        }
    }
    std::string field(6, ' ');
    int col = 1, status = -1;
    SCAN_S("ok", field, 6, col, status);
    EXPECT_EQ(status, -1);  // a good strict scan leaves the request in place
    int32_t iv = 0;
    col = 1;
    status = -1;
    EXPECT_THROW(SCAN_I("12.5", iv, 6, col, status), Library_Stop);
}

TEST_F(ScanSettings, NumberForms) {
    int32_t iv = 77;
    int col = 1, status = 0;
    SCAN_I("12.5", iv, 6, col, status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(iv, 77);
    col = 1;
    status = 0;
    SCAN_I("  -42,", iv, 6, col, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(iv, -42);

    struct {
        const char* text;
        float value;
        int status;
    } reals[] = {{"12", 12.0f, 0},    {"1.25", 1.25f, 0}, {"-.5", -0.5f, 0},  {"1E2", 100.0f, 0},
                 {"1.5D1", 15.0f, 0}, {"abc", 9.0f, 2},   {"1.2.3", 9.0f, 2}, {"nan", 9.0f, 2}};
    for (const auto& r : reals) {
        float v = 9.0f;
        col = 1;
        status = 0;
        SCAN_F4(r.text, v, 20, col, status);
        EXPECT_EQ(status, r.status) << r.text;
        EXPECT_EQ(v, r.value) << r.text;
    }
}

TEST(ScanHelpers, UnquoteUpCaseEdit) {
    std::string d(6, '?');
    UNQUOTE("  'ab'\t", d);
    EXPECT_EQ(d, "ab    ");
    UNQUOTE("\"0100\"", d);
    EXPECT_EQ(d, "0100  ");
    UNQUOTE("'ab\"", d);
    EXPECT_EQ(d, "'ab\"  ");
    UNQUOTE("    ", d);
    EXPECT_EQ(d, "      ");
    std::string u(6, ' ');
    UP_CASE("ab-c1", u);
    EXPECT_EQ(u, "AB-C1 ");
    std::string f(40, ' ');
    EDIT_STRING("(I3,F6.2,1X,F6.2)", "F6.2", "F5.1,1X", f);
    EXPECT_EQ(std::string(trimmed(f)), "(I3,F5.1,1X,1X,F5.1,1X)");
}

struct RoundCase {
    float x;
    int ndp;
    float expected;
};

class RoundTable : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundTable, SinglePrecisionHalvesAwayFromZero) {
    const RoundCase& c = GetParam();
    EXPECT_EQ(ROUND(c.x, c.ndp), c.expected) << c.x << " to " << c.ndp;
}

INSTANTIATE_TEST_SUITE_P(Cases, RoundTable,
                         ::testing::Values(RoundCase{2.675f, 2, 2.68f},  // in double the product is below 267.5
                                           RoundCase{0.45f, 1, 0.5f},    // in double 4.4999...
                                           RoundCase{12.345f, 2, 12.35f}, RoundCase{123456.7f, 1, 123456.7f},
                                           RoundCase{123456.7f, 2, 123456.7f}, RoundCase{0.05f, 1, 0.1f},
                                           RoundCase{-2.25f, 1, -2.3f}, RoundCase{1.25f, 1, 1.3f},
                                           RoundCase{-1.25f, 1, -1.3f}, RoundCase{0.0f, 1, 0.0f},
                                           RoundCase{12.34f, 1, 12.3f}, RoundCase{12.35f, 1, 12.4f},
                                           RoundCase{3.14159f, 9, 3.14159f},
                                           // logarithm 4 and 5 in single precision: no digits to spare
                                           RoundCase{9999.998f, 2, 9999.998f}, RoundCase{99999.99f, 1, 99999.99f}));

TEST(ScanHelpers, RoundLeavesNonFiniteValues) {
    EXPECT_TRUE(std::isnan(ROUND(std::nanf(""), 1)));
    EXPECT_EQ(ROUND(INFINITY, 2), INFINITY);
    EXPECT_EQ(ROUND(1e-30f, 2), 0.0f);
    EXPECT_EQ(ROUND(1e30f, 2), 1e30f);
}

TEST(ScanHelpers, RoundDiffersFromDoublePrecision) {
    // The point of the single-precision product: these come out lower in double.
    EXPECT_NE(static_cast<float>(std::round(2.675f * 100.0) / 100.0), ROUND(2.675f, 2));
    EXPECT_NE(static_cast<float>(std::round(0.45f * 10.0) / 10.0), ROUND(0.45f, 1));
}

TEST(ScanHelpers, EditDescriptors) {
    EXPECT_EQ(fmt_F(12.345f, 6, 2), " 12.35");
    EXPECT_EQ(fmt_F(-3.0f, 6, 2), " -3.00");
    EXPECT_EQ(fmt_F(1234.5f, 6, 2), "******");
    EXPECT_EQ(fmt_F(0.05f, 5, 1), "  0.1");
    EXPECT_EQ(fmt_F(-0.25f, 5, 1), " -0.3");
    EXPECT_EQ(fmt_F(0.5f, 3, 2), ".50");
    EXPECT_EQ(fmt_I(-5, 3), " -5");
    EXPECT_EQ(fmt_I(12345, 3), "***");
}

TEST(ScanHelpers, FilesUnitsAndEnvironment) {
    trtest::work_dir();
    EXPECT_EQ(FREEUNIT(300, 301), 300);
    ASSERT_EQ(unit_open_write(300, (trtest::work_dir() / "u300.txt").string()), 0);
    ASSERT_EQ(unit_open_write(301, (trtest::work_dir() / "u301.txt").string()), 0);
    EXPECT_EQ(FREEUNIT(300, 301), -9);
    EXPECT_EQ(unit_close(300), 0);
    EXPECT_EQ(unit_close(301), 0);
    EXPECT_TRUE(FILE_EXISTS((trtest::work_dir() / "u300.txt").string()));
    EXPECT_FALSE(FILE_EXISTS(trtest::work_dir().string()));  // a folder is no file
    int ierr = 0;
    OPENREAD2(1, (trtest::work_dir() / "missing.txt").string(), ierr);
    EXPECT_NE(ierr, 0);

    std::string v(8, '?');
    int len = 5;
    ::unsetenv("HEMZSHIFT_TEST_UNSET");
    GET_SYSVAR("HEMZSHIFT_TEST_UNSET", v, len);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(v, "        ");
    GET_SYSVAR("   ", v, len);
    EXPECT_EQ(len, -1);
    ::setenv("HEMZSHIFT_TEST_SET", "abc", 1);
    GET_SYSVAR("HEMZSHIFT_TEST_SET", v, len);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(v, "abc     ");

    std::string t(6, ' ');
    ENDWITH(t, '/');
    EXPECT_EQ(t, "/     ");
    t = "/a    ";
    ENDWITH(t, '/');
    EXPECT_EQ(t, "/a/   ");
    ENDWITH(t, '/');
    EXPECT_EQ(t, "/a/   ");
}

TEST(ScanHelpers, ParseFileSpecification) {
    struct {
        const char* spec;
        const char* style;
        const char* key;
        const char* part;
        int code;
    } cases[] = {{"/opt/tw/bin/tessawin", "UNIX", "PATH", "/opt/tw/bin/", 0},
                 {"/opt/tw/bin/tessawin", "UNIX", "NAMEXT", "tessawin", 0},
                 {"C:\\tw\\bin\\tw.exe", "    ", "PATH", "C:\\tw\\bin\\", 0},
                 {"C:\\tw\\bin\\tw.exe", "DOS ", "DRIVE", "C:", 0},
                 {"C:\\tw\\bin\\tw.exe", "DOS ", "NAME", "tw", 0},
                 {"C:\\tw\\bin\\tw.exe", "DOS ", "EXT", ".exe", 0},
                 {"/opt/tw/bin/x", "UNIX", "DIR:2", "tw", 0},
                 {"/opt/tw/bin/x", "UNIX", "DIR:0", "bin", 0},
                 {"tessawin", "UNIX", "PATH", "", 0},
                 {"/a/b", "MAC ", "PATH", "", -1},
                 {"/a/b", "UNIX", "SIZE", "", -2}};
    for (const auto& c : cases) {
        std::string out(20, '?');
        int code = 9;
        PARSE_FN(c.spec, c.style, c.key, out, code);
        EXPECT_EQ(std::string(trimmed(out)), c.part) << c.spec << " " << c.key;
        EXPECT_EQ(code, c.code) << c.spec << " " << c.key;
    }
}

TEST(WindowsHelpers, ShellExecuteStatuses) {
    int32_t status = 0;
    WinShellExecute("   ", "x", "", status);
    EXPECT_EQ(status, -1);
    WinShellExecute("true", "anything", "", status);
    EXPECT_GT(status, 32);
    WinShellExecute("/nonexistent/viewer", "x", "", status);
    EXPECT_LE(status, 32);
    EXPECT_GE(status, 0);

    std::string exe(512, ' ');
    int len = 0;
    Get_Module_Folder(exe, len);
    EXPECT_GT(len, 0);
    EXPECT_NE(std::string(trimmed(exe)).find("translation_text_scan_test"), std::string::npos);
}

TEST(WindowsHelpers, NulTerminatedCopy) {
    char buf[5];
    NULTERM2("ab   ", buf, sizeof buf);
    EXPECT_STREQ(buf, "ab");
    NULTERM2("abcdefg", buf, sizeof buf);
    EXPECT_STREQ(buf, "abcd");
}

}  // namespace
