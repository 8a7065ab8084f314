#include "common/HMZ_util_noDB.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "tests/support/headless.h"

namespace {

TEST(KmText, Formats) {
    struct Case {
        float km;
        const char* one;
        const char* two;
        const char* right6;
    };
    const Case cases[] = {
        {0.0f, "0.0", "0.00", "  0.00"},
        {5.0f, "5.0", "5.00", "  5.00"},
        {0.25f, "0.3", "0.25", "  0.25"},
        {12.45f, "12.5", "12.45", " 12.45"},
        {0.125f, "0.1", "0.13", "  0.13"},
        {12.35f, "12.4", "12.35", " 12.35"},
        {-1.0f, "-1.0", "-1.00", " -1.00"},
        {-3.0f, "-3.0", "-3.00", " -3.00"},
        {999.999f, "1000.0", "1000.00", "1000.00"},
        {123.456f, "123.5", "123.46", "123.46"},
        {-0.04f, "0.0", "-0.04", " -0.04"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Format_Km1(c.km), c.one) << c.km;
        EXPECT_EQ(Format_Km2(c.km), c.two) << c.km;
        EXPECT_EQ(Format_Km2_Right6(c.km), c.right6) << c.km;
        EXPECT_EQ(Format_Km(c.km, 1), c.one) << c.km;
        EXPECT_EQ(Format_Km(c.km, 2), c.two) << c.km;
        EXPECT_EQ(Format_Km(c.km, 0), c.two) << "any other Ndp gives two decimals";
    }
}

TEST(KmText, HectometresAsKm) {
    EXPECT_EQ(hm_to_KmText(0), "0.0");
    EXPECT_EQ(hm_to_KmText(123), "12.3");
    EXPECT_EQ(hm_to_KmText(5), "0.5");
    EXPECT_EQ(hm_to_KmText(-15), "-1.5");
    EXPECT_EQ(hm_to_KmText(32767), "3276.7");
}

class KmKeyTest : public testsupport::HeadlessTest {};

TEST_F(KmKeyTest, HectometresAndHundredths) {
    struct Case {
        float km;
        int16_t hm;
        int32_t dam;
    };
    const Case cases[] = {
        {0.05f, 1, 5},  {0.15f, 2, 15},           {12.34f, 123, 1234},
        {0.35f, 4, 35}, {12.25f, 123, 1225},      {12.45f, 125, 1245},
        {0.0f, 0, 0},   {-1.0f, -10, -100},       {0.125f, 1, 13},
        {0.005f, 0, 1}, {3276.7f, 32767, 327670}, {-0.25f, -2, -25},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Km_to_hm(c.km), c.hm) << c.km;
        EXPECT_EQ(Km_to_dam(c.km), c.dam) << c.km;
    }
}

TEST_F(KmKeyTest, OutOfRangeIsReportedAndAbandonsTheCommand) {
    struct Case {
        float km;
        bool dam;
        const char* title;
    };
    const Case cases[] = {
        {3276.8f, false, "Km_to_hm"},
        {-3276.9f, false, "Km_to_hm"},
        {1e30f, true, "Km_to_dam"},
        {std::numeric_limits<float>::quiet_NaN(), false, "Km_to_hm"},
    };
    for (const auto& c : cases) {
        ui_->shown.clear();
        ui_->ExpectMsgBox(ui::vbOK, "out of the range");
        EXPECT_THROW(c.dam ? (void)Km_to_dam(c.km) : (void)Km_to_hm(c.km), ui::CommandAbandoned) << c.km;
        ASSERT_EQ(ui_->shown.size(), 1u);
        EXPECT_EQ(ui_->shown[0].title, c.title);
        EXPECT_EQ(ui_->shown[0].buttons, ui::vbExclamation);
    }
}

TEST(CodePadding, Table) {
    EXPECT_EQ(Pad_Code4("123"), "0123");
    EXPECT_EQ(Pad_Code4("12"), "12");
    EXPECT_EQ(Pad_Code4("0123"), "0123");
    EXPECT_EQ(Pad_Code4(""), "");
    EXPECT_EQ(Pad_Code8("1234567"), "01234567");
    EXPECT_EQ(Pad_Code8("12345678"), "12345678");
    EXPECT_EQ(Pad_Code8("123"), "123");
}

TEST(LandmarkText, PositionWord) {
    struct Case {
        OptText point, side, type;
        bool bracket;
        const char* word;
    };
    const Case cases[] = {
        {"C", "A", "D1", false, "CENTRE"},   {" C ", std::nullopt, std::nullopt, true, "[CENTRE]"},
        {"N", "A", "D1", false, "N FACE"},   {"N", "B", "D1", false, "N END"},
        {"S", "A", "D2", false, "S END"},    {" S ", std::nullopt, "D1", true, "[S END]"},
        {std::nullopt, "A", "D1", true, ""}, {"   ", "A", "D1", true, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Locn_Position_Word(c.point, c.side, c.type, c.bracket), c.word);
}

TEST(LandmarkText, Description) {
    struct Case {
        OptText desc, type, side, point, text;
        const char* out;
    };
    const Case cases[] = {
        {"Bridge (old) over river", "D1", "A", "N", std::nullopt, "Bridge over river N FACE (old)"},
        {"Old (x) road (y", "C1", std::nullopt, std::nullopt, "5", "Old (x) road (y 5"},
        {"Culvert ) x (y", "C1", "B", std::nullopt, "7", "Culvert ) x (y 7"},
        {"Rest area", "F1", std::nullopt, std::nullopt, "7", "Rest area (7)"},
        {"Rest area", "F2", std::nullopt, "C", " 8 ", "Rest area (8) CENTRE"},
        {"Junction", "A3", std::nullopt, std::nullopt, "12", "Junction #12"},
        {"Junction (north)", "A3", "A", "S", "12", "Junction #12 S END (north)"},
        {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, ""},
        {"Plain", std::nullopt, std::nullopt, "   ", "", "Plain"},
        {"Sign (a) (b)", "B", std::nullopt, std::nullopt, std::nullopt, "Sign (a) (b)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Landmark_Description(c.desc, c.type, c.side, c.point, c.text), c.out) << c.desc.value_or("(null)");
}

TEST(LegLabels, ParseLeg) {
    struct Case {
        const char* text;
        int16_t n;
        const char* letter;
    };
    const Case cases[] = {
        {"3", 3, ""}, {"12b", 12, "B"}, {"7D", 7, "D"},    {"E", -1, ""},  {"A", -1, ""},
        {"", -1, ""}, {"x1", -1, ""},   {"99999", -1, ""}, {"2.5", 2, ""}, {"1e", -1, ""},
    };
    for (const auto& c : cases) {
        int16_t n = 77;
        std::string letter = "stale";
        Parse_Leg(c.text, n, letter);
        EXPECT_EQ(n, c.n) << c.text;
        EXPECT_EQ(letter, c.letter) << c.text;
    }
}

}  // namespace
