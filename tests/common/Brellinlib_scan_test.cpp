// Field scanner, scan settings, words and character sets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Brellinlib.h"
#include "tests/support/headless.h"

namespace {

class ScanTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        Scan_Init();
    }
    void TearDown() override {
        set_scan_abort_handler(nullptr);
        Scan_Init();
        HeadlessTest::TearDown();
    }
};

struct Field {
    int16_t first, last, col, status;
};

// Scans a whole line in report mode, one entry per call up to Status 1.
std::vector<Field> ScanAll(const std::string& line, int16_t maxlen = 256) {
    std::vector<Field> out;
    int16_t col = 1, status = 0, first = 0, last = 0;
    for (int guard = 0; guard < 100; ++guard) {
        SCAN_SFL(line, first, last, maxlen, col, status);
        out.push_back({first, last, col, status});
        if (status == 1) break;
    }
    return out;
}

TEST_F(ScanTest, BlankDelimitedFieldsAndTheirBounds) {
    auto f = ScanAll("  abc  def");
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].first, 3);
    EXPECT_EQ(f[0].last, 5);
    EXPECT_EQ(f[0].col, 6);
    EXPECT_EQ(f[0].status, 0);
    EXPECT_EQ(f[1].first, 8);
    EXPECT_EQ(f[1].last, 10);
    EXPECT_EQ(f[1].col, 11);
    EXPECT_EQ(f[2].status, 1);
    EXPECT_EQ(f[2].col, 11) << "no field leaves Col as it was";
}

TEST_F(ScanTest, TabsAreBlanksToo) {
    auto f = ScanAll("a\t\tb");
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[1].first, 4);
}

TEST_F(ScanTest, ColumnBelowOneStartsAtOneAndBeyondEndFindsNothing) {
    struct Case {
        std::string line;
        int16_t col;
        int16_t status;
        int16_t first;
    };
    const Case cases[] = {
        {"xy z", 0, 0, 1}, {"xy z", -5, 0, 1}, {"xy z", 5, 1, -1}, {"   ", 1, 1, -1}, {"", 1, 1, -1},
    };
    for (const auto& c : cases) {
        int16_t col = c.col, status = 0, first = -1, last = -1;
        SCAN_SFL(c.line, first, last, 256, col, status);
        EXPECT_EQ(status, c.status) << "[" << c.line << "] col " << c.col;
        EXPECT_EQ(first, c.first) << "[" << c.line << "] col " << c.col;
    }
}

TEST_F(ScanTest, QuotedFieldsKeepTheirBlanks) {
    const std::string line = "x \"a b\" y";
    std::vector<std::string> fields;
    int16_t col = 1, status = 0;
    for (;;) {
        std::string f = "unchanged";
        SCAN_S(line, f, 256, col, status);
        if (status != 0) break;
        fields.push_back(f);
    }
    EXPECT_EQ(fields, (std::vector<std::string>{"x", "a b", "y"}));
    EXPECT_EQ(Word_Count(line), 3);
    EXPECT_EQ(Nth_Word(line, 2), "\"a");
}

TEST_F(ScanTest, EmptyQuotedFieldReadsAsEmpty) {
    std::string field = "old";
    int16_t col = 1, status = 0;
    SCAN_S("\"\"", field, 256, col, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(field, "");
    EXPECT_EQ(col, 3);
}

TEST_F(ScanTest, QuoteWithoutItsCloseReportsStatus2) {
    std::string field = "old";
    int16_t col = 1, status = 0;
    SCAN_S("\"abc", field, 256, col, status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(field, "old");
    EXPECT_EQ(col, 5);

    int16_t first = 0, last = 77;
    col = 1;
    SCAN_SFL("\"ab cd", first, last, 256, col, status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 77);
    EXPECT_EQ(col, 4) << "Col moves to the first blank after the quote";
}

TEST_F(ScanTest, TooLongFieldIsReportedButNotCut) {
    const std::string word(300, 'w');
    std::string field = "old";
    int16_t col = 1, status = 0;
    SCAN_S(word, field, 256, col, status);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(field, "old");
    EXPECT_EQ(Nth_Word(word, 1), word);
}

// Columns are 16-bit: a line longer than 32766 characters is scanned over its
// first 32766, and scanning to its end stops there instead of finding the
// last field again and again.
TEST_F(ScanTest, ScanningALongLineToItsEndStops) {
    std::string words;
    while (words.size() < 40000) words += "ab ";
    struct Case {
        const char* name;
        std::string line;
        int16_t fields;  // calls before Status 1
        int16_t last_first, last_last, last_col, last_status;
    };
    const Case cases[] = {
        {"one long word", std::string(40000, 'w'), 1, 1, 32766, 32767, 3},
        {"words", words, 10922, 32764, 32765, 32766, 0},
        {"word across the limit", std::string(32760, ' ') + std::string(100, 'w'), 1, 32761, 32766, 32767, 0},
        {"quote closed past the limit", std::string(32760, ' ') + "\"" + std::string(100, 'q') + "\"", 1, 32762, 0,
         32767, 2},
        {"exactly 32767", std::string(32766, ' ') + "z", 0, 0, 0, 1, 1},
    };
    for (const auto& c : cases) {
        int16_t col = 1, status = 0, first = 0, last = 0, count = 0;
        Field at_last{0, 0, 1, 1};
        for (int guard = 0; guard < 50000; ++guard) {
            SCAN_SFL(c.line, first, last, 256, col, status);
            if (status == 1) break;
            ++count;
            at_last = {first, last, col, status};
        }
        EXPECT_EQ(status, 1) << c.name;
        EXPECT_EQ(count, c.fields) << c.name;
        EXPECT_EQ(at_last.first, c.last_first) << c.name;
        EXPECT_EQ(at_last.last, c.last_last) << c.name;
        EXPECT_EQ(at_last.col, c.last_col) << c.name;
        EXPECT_EQ(at_last.status, c.last_status) << c.name;
        EXPECT_EQ(Word_Count(c.line), c.fields) << c.name;
    }
    EXPECT_EQ(Nth_Word(words, 10922), "ab");
    EXPECT_EQ(Nth_Word(words, 10923), " ");
}

TEST_F(ScanTest, TextRightAfterAClosingQuoteStartsTheNextField) {
    auto f = ScanAll("\"ab\"cd");
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].first, 2);
    EXPECT_EQ(f[0].last, 3);
    EXPECT_EQ(f[1].first, 5);
    EXPECT_EQ(f[1].last, 6);
}

TEST_F(ScanTest, WholeNumbers) {
    struct Case {
        const char* line;
        int32_t value;
        int16_t status;
    };
    const Case cases[] = {
        {"12.5", 12, 0},   {"13.5", 14, 0},  {"-7", -7, 0},        {"2147483647", 2147483647, 0},
        {"abc", 0, 2},     {"1e3", 1000, 0}, {"2147483648", 0, 2}, {"-2147483649", 0, 2},
        {"\"42\"", 42, 0}, {"   ", 55, 1},
    };
    for (const auto& c : cases) {
        int32_t value = 55;
        int16_t col = 1, status = 3;
        SCAN_I4(c.line, value, 256, col, status);
        EXPECT_EQ(value, c.value) << c.line;
        EXPECT_EQ(status, c.status) << c.line;
    }
}

TEST_F(ScanTest, QuoteSettings) {
    Set_CSV_Quote(" ");
    EXPECT_FALSE(Scan_Settings.ScanQuoting);
    EXPECT_EQ(Word_Count("\"a b\""), 2);

    Set_CSV_Quote("'");
    EXPECT_TRUE(Scan_Settings.ScanQuoting);
    EXPECT_EQ(Word_Count("'a b' \"c d\""), 3);

    Set_CSV_Quote("");
    EXPECT_FALSE(Scan_Settings.ScanQuoting);

    Set_Scan_Blanks(";");
    Set_CSV_Separator("\t");
    Scan_Init();
    EXPECT_EQ(Scan_Settings.ScanQuote, "\"");
    EXPECT_TRUE(Scan_Settings.ScanQuoting);
    EXPECT_EQ(Scan_Settings.ScanBlanks, " \t");
    EXPECT_EQ(Scan_Settings.ScanSeparator, ",");
}

TEST_F(ScanTest, SettingsStayUntilChanged) {
    Set_Scan_Blanks(";");
    EXPECT_EQ(Word_Count("a;b c;d"), 3);
    EXPECT_EQ(Nth_Word("a;b c;d", 2), "b c");
}

TEST_F(ScanTest, WordsOutsideTheLineAreOneBlank) {
    EXPECT_EQ(Nth_Word("a b", 3), " ");
    EXPECT_EQ(Nth_Word("a b", 0), " ");
    EXPECT_EQ(Nth_Word("a b", -1), " ");
    std::string w = "x";
    Get_Word("a b", 2, w);
    EXPECT_EQ(w, "b");
    EXPECT_TRUE(Scan_Settings.ScanQuoting) << "Get_Word restores quote handling";
}

TEST_F(ScanTest, Substrings) {
    EXPECT_EQ(SS("abcdef", 2, 4), "bcd");
    EXPECT_EQ(SS("abc", 2, 10), "bc");
    EXPECT_EQ(SS("abc", 5, 6), "");
    ui_->ExpectMsgBox(ui::vbOK,
                      "Warning: in call to Brellinlib function SS\ne < b: 2 < 3 s=abc\n(substring "
                      "will be set null)");
    EXPECT_EQ(SS("abc", 3, 2), "");
    ASSERT_EQ(ui_->shown.size(), 1u);
    EXPECT_EQ(ui_->shown[0].buttons, ui::vbExclamation);
    EXPECT_EQ(ui_->shown[0].title, ui::kProgramTitle);
}

TEST_F(ScanTest, CharacterSets) {
    EXPECT_EQ(PosIn("abc", "c"), 3);
    EXPECT_EQ(PosIn("abc", "C"), 0);
    EXPECT_EQ(PosIn("abc", ""), 0);
    EXPECT_EQ(FindFirstNotIn("  x ", " "), 3);
    EXPECT_EQ(FindFirstNotIn("   ", " "), 0);
    EXPECT_EQ(FindFirstNotIn("", " "), 0);
    EXPECT_EQ(FindFirstIn("ab:c/d", "/:"), 3);
    EXPECT_EQ(FindFirstIn("abc", "/:"), 0);
    EXPECT_EQ(FindLastIn("ab:c/d", "/:"), 5);
    EXPECT_EQ(FindLastIn("abc", "."), 0);
}

// Strict mode: the message, then the running command is abandoned.
struct StrictCase {
    const char* name;
    std::string line;
    int16_t col;
    bool number;
    std::string message;
};

TEST_F(ScanTest, StrictModeErrorsAbandonTheCommandWithTheirMessage) {
    const StrictCase cases[] = {
        {"no field", "ab   ", 3, false, "ABORT IN SCAN_SFL - NO FIELD FOUND AFTER COL 3"},
        {"col below one", "   ", -2, false, "ABORT IN SCAN_SFL - NO FIELD FOUND AFTER COL 1"},
        {"no closing quote", "x \"ab c", 2, false, "*** ABORT IN SCAN_S - NO CLOSING QUOTE ***\"ab c"},
        {"too long", "abcdefgh tail", 1, false, "ABORT IN SCAN_S - FIELD TOO LONG.  ML = 4, string: abcdefgh tail"},
        {"not a number", "12x", 1, true, "ABORT IN SCAN_I4 - Error converting <12x> to Long Integer."},
    };
    for (const auto& c : cases) {
        std::vector<std::string> seen;
        set_scan_abort_handler([&](const std::string& m) { seen.push_back(m); });
        int16_t col = c.col, status = -1;
        bool abandoned = false;
        try {
            if (c.number) {
                int32_t v = 0;
                SCAN_I4(c.line, v, 4, col, status);
            } else {
                std::string f;
                SCAN_S(c.line, f, 4, col, status);
            }
        } catch (const ui::CommandAbandoned& e) {
            abandoned = true;
            EXPECT_EQ(std::string(e.what()), c.message) << c.name;
        }
        EXPECT_TRUE(abandoned) << c.name;
        EXPECT_EQ(seen, std::vector<std::string>{c.message}) << c.name;
    }
}

TEST_F(ScanTest, StrictModeSuccessKeepsStatusStrict) {
    int16_t col = 1, status = -1;
    std::string f;
    SCAN_S("ab cd", f, 10, col, status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(f, "ab");
    SCAN_S("ab cd", f, 10, col, status);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(f, "cd");
}

TEST_F(ScanTest, StrictModeByDefaultShowsAPlainBoxAndTheCommandEnds) {
    ui_->ExpectMsgBox(ui::vbOK, "ABORT IN SCAN_SFL - NO FIELD FOUND AFTER COL 1");
    bool ran_on = false;
    bool completed = ui::RunCommand([&] {
        int16_t col = 1, status = -1, first = 0, last = 0;
        SCAN_SFL("", first, last, 10, col, status);
        ran_on = true;
    });
    EXPECT_FALSE(completed);
    EXPECT_FALSE(ran_on);
    ASSERT_EQ(ui_->shown.size(), 1u);
    EXPECT_EQ(ui_->shown[0].buttons, ui::vbOKOnly) << "OK only, no icon";
    EXPECT_EQ(ui_->shown[0].title, ui::kProgramTitle);
}

}  // namespace
