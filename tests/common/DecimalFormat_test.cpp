#include "common/DecimalFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FixedCase {
    decimal::Value value;
    int decimals;
    const char* expected;
};

TEST(DecimalFixed, SingleRoundsFromItsSevenDigitForm) {
    const FixedCase cases[] = {
        {0.25f, 1, "0.3"},      {12.45f, 1, "12.5"},      {0.125f, 2, "0.13"},   {12.35f, 1, "12.4"},
        {0.05f, 1, "0.1"},      {2.675f, 2, "2.68"},      {1.005f, 2, "1.01"},   {0.0f, 1, "0.0"},
        {5.0f, 2, "5.00"},      {-0.25f, 1, "-0.3"},      {-12.45f, 1, "-12.5"}, {9.95f, 1, "10.0"},
        {99.995f, 2, "100.00"}, {123456.7f, 0, "123457"}, {0.0004f, 3, "0.000"}, {1e-9f, 2, "0.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decimal::Fixed(c.value, c.decimals), c.expected)
            << c.value.value() << " with " << c.decimals << " decimals";
}

TEST(DecimalFixed, DoubleRoundsFromItsFifteenDigitForm) {
    const FixedCase cases[] = {
        {2.675, 2, "2.68"},
        {1.005, 2, "1.01"},
        {0.125, 2, "0.13"},
        {-49.1234565, 6, "-49.123457"},
        {123.4567895, 6, "123.456790"},
        {0.5, 0, "1"},
        {-0.5, 0, "-1"},
        {1e20, 1, "100000000000000000000.0"},
        {3, 0, "3"},
        {int64_t{-7}, 2, "-7.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decimal::Fixed(c.value, c.decimals), c.expected)
            << c.value.value() << " with " << c.decimals << " decimals";
}

TEST(DecimalFixed, NegativeValueThatRoundsToZeroHasNoSign) {
    EXPECT_EQ(decimal::Fixed(-0.04f, 1), "0.0");
    EXPECT_EQ(decimal::Fixed(-0.0, 2), "0.00");
}

struct MaskCase {
    decimal::Value value;
    const char* mask;
    const char* expected;
};

TEST(DecimalFormat, Masks) {
    const MaskCase cases[] = {
        {0.25f, "##0.0", "0.3"},
        {1234.5f, "##0.0", "1234.5"},
        {-1.25f, "##0.00", "-1.25"},
        {-79.123456789, "###0.000000", "-79.123457"},
        {0.0, "###0.000000", "0.000000"},
        {3.14159, "###########0.", "3."},
        {1.249f, "00000.00", "00001.25"},
        {2.5, "##########0", "3"},
        {-2.5, "##########0", "-3"},
        {0.5, "#.00", ".50"},
        {1.5, "0.0#", "1.5"},
        {1.456, "0.0#", "1.46"},
        {3.0, "0.##", "3."},
        {7, "00", "07"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decimal::Format(c.value, c.mask), c.expected) << c.value.value() << " mask " << c.mask;
}

TEST(DecimalParse, AcceptsNumbersOnly) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"12.5", true, 12.5}, {" -3 ", true, -3}, {"+4", true, 4},   {"1e3", true, 1000}, {".5", true, 0.5},
        {"5.", true, 5},      {"", false, 0},     {"  ", false, 0},  {"abc", false, 0},   {"12a", false, 0},
        {"inf", false, 0},    {"nan", false, 0},  {"+-1", false, 0}, {"1,5", false, 0},   {"1e999", false, 0},
    };
    for (const auto& c : cases) {
        double v = -99;
        EXPECT_EQ(decimal::ParseDouble(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

}  // namespace
