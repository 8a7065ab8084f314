#include "platform/db/jet_values.h"

#include <gtest/gtest.h>

#include "platform/db/sql_rewrite.h"

namespace {

using db::DateTime;
using namespace db::detail;

TEST(JetDates, StoredValueToTextAndBack) {
    struct Case {
        double serial;
        const char* text;
    } cases[] = {
        {0.0, "1899-12-30"},
        {2.0, "1900-01-01"},
        {60.0, "1900-02-28"},  // Jet has no 1900-02-29
        {61.0, "1900-03-01"},
        {-1.25, "1899-12-29 06:00:00"},  // before 1899-12-30 the time counts away from zero
        {-1.75, "1899-12-29 18:00:00"},
        {0.75, "1899-12-30 18:00:00"},
        {-18198.0, "1850-03-04"},
        {43861.5, "2020-01-31 12:00:00"},
        {43861.999999999, "2020-02-01"},  // rounds to the next midnight
        {-1.9999999999, "1899-12-30"},
        {-657434.0, "0100-01-01"},
        {2958465.0, "9999-12-31"},
        {36525.0 + 45015.0 / 86400.0, "1999-12-31 12:30:15"},
    };
    for (const auto& c : cases) {
        DateTime d;
        ASSERT_TRUE(date_from_serial(c.serial, d)) << c.serial;
        EXPECT_EQ(date_text(d), c.text) << c.serial;
        DateTime back;
        ASSERT_TRUE(parse_date(c.text, back));
        DateTime again;
        ASSERT_TRUE(date_from_serial(serial_from_date(back), again));
        EXPECT_EQ(date_text(again), c.text);
    }
    DateTime d;
    EXPECT_FALSE(date_from_serial(-657435.0, d));
    EXPECT_FALSE(date_from_serial(2958466.5, d));
    EXPECT_FALSE(date_from_serial(std::numeric_limits<double>::quiet_NaN(), d));
}

TEST(JetDates, TextForms) {
    struct Case {
        const char* in;
        const char* out;  // nullptr: not a date
    } cases[] = {
        {"2020-01-31", "2020-01-31"},
        {"2020-1-5", "2020-01-05"},
        {"2020/01/31", "2020-01-31"},
        {"2020-01-31 06:30", "2020-01-31 06:30:00"},
        {"2020-01-31 6:30:15", "2020-01-31 06:30:15"},
        {"2020-01-31 00:00:00", "2020-01-31"},
        {" 1850-03-04 ", "1850-03-04"},
        {"2021-02-29", nullptr},
        {"2020-13-01", nullptr},
        {"2020-01-31 24:00", nullptr},
        {"2020-01/31", nullptr},
        {"31-01-2020", nullptr},
        {"2020-01-31x", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        DateTime d;
        bool ok = parse_date(c.in, d);
        EXPECT_EQ(ok, c.out != nullptr) << c.in;
        if (ok && c.out) {
            EXPECT_EQ(date_text(d), c.out) << c.in;
        }
    }
}

TEST(JetNumbers, HalvesGoToEven) {
    struct Case {
        double in, out;
    } cases[] = {{0.5, 0},   {1.5, 2},    {2.5, 2},    {-0.5, -0.0},   {-1.5, -2},
                 {-2.5, -2}, {2.4999, 2}, {2.5001, 3}, {1234.5, 1234}, {1235.5, 1236}};
    for (const auto& c : cases) EXPECT_EQ(round_half_even(c.in), c.out) << c.in;
}

TEST(JetText, StoredFormsToUtf8) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        const char* utf8;
    } cases[] = {
        {{'a', 0, 'b', 0}, "ab"},
        {{0xE9, 0, 0xAC, 0x20}, "\xC3\xA9\xE2\x82\xAC"},  // é €
        {{0xFF, 0xFE, 'a', 'b', 'c'}, "abc"},             // compressed
        {{0xFF, 0xFE, 'a', 0, 0xAC, 0x20, 0, 'b'},
         "a\xE2\x82\xAC"
         "b"},                                           // switching out of it and back
        {{0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},  // a surrogate pair
        {{0x3D, 0xD8, 'x', 0}, "\xEF\xBF\xBDx"},         // half a pair
        {{}, ""},
    };
    for (const auto& c : cases) {
        std::string out;
        append_jet4_text(c.bytes.data(), c.bytes.size(), out);
        EXPECT_EQ(out, c.utf8);
    }
    std::string old;
    const std::uint8_t cp1252[] = {'M', 'o', 'n', 't', 'r', 0xE9, 'a', 'l', ' ', 0x80};
    append_cp1252_text(cp1252, sizeof cp1252, old);
    EXPECT_EQ(old,
              "Montr\xC3\xA9"
              "al \xE2\x82\xAC");
}

TEST(JetSql, DateLiteralsBecomeDateTexts) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"SELECT * FROM t WHERE d = #2020-01-31#", "SELECT * FROM t WHERE d = '2020-01-31'"},
        {"WHERE #2020-1-5# BETWEEN From_Date AND To_Date", "WHERE '2020-01-05' BETWEEN From_Date AND To_Date"},
        {"WHERE d < #2020-01-31 06:30#", "WHERE d < '2020-01-31 06:30:00'"},
        {"WHERE s = 'no #2020-01-31# here' AND x = 'it''s #'", "WHERE s = 'no #2020-01-31# here' AND x = 'it''s #'"},
        {"SELECT [a#b], \"c#d\" FROM [Landmark-Intersection]", "SELECT [a#b], \"c#d\" FROM [Landmark-Intersection]"},
        {"SELECT 1 -- #not a date\n", "SELECT 1 -- #not a date\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(rewrite_jet_sql(c.in), c.out) << c.in;

    for (const char* bad : {"WHERE d = #2020-02-30#", "WHERE d = #2020-01-31", "WHERE d = #yesterday#"}) {
        try {
            rewrite_jet_sql(bad);
            ADD_FAILURE() << bad;
        } catch (const db::Error& e) {
            EXPECT_EQ(e.number(), db::kErrSyntax) << bad;
        }
    }
}

}  // namespace
