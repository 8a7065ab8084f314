// Letter case of UTF-8 and Windows-1252 texts.
#include "platform/text/text_case.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Pair {
    const char* what;
    std::string lower;
    std::string upper;
};

// Each pair maps both ways.
const Pair kPairs[] = {
    {"ASCII", "fat#clsn 12", "FAT#CLSN 12"},
    {"e acute, UTF-8", "d\xC3\xA9" "bit", "D\xC3\x89" "BIT"},
    {"Latin-1 range, UTF-8", "\xC3\xA0\xC3\xB1\xC3\xBE", "\xC3\x80\xC3\x91\xC3\x9E"},
    {"y diaeresis, UTF-8", "\xC3\xBF", "\xC5\xB8"},
    {"s caron, oe, z caron, UTF-8", "\xC5\xA1\xC5\x93\xC5\xBE", "\xC5\xA0\xC5\x92\xC5\xBD"},
    {"l stroke, l caron, UTF-8", "\xC5\x82\xC4\xBE", "\xC5\x81\xC4\xBD"},
    {"Greek", "\xCE\xB4\xCE\xB5\xCE\xBB\xCF\x84\xCE\xB1", "\xCE\x94\xCE\x95\xCE\x9B\xCE\xA4\xCE\x91"},
    {"Cyrillic de, yo", "\xD0\xB4\xD1\x91", "\xD0\x94\xD0\x81"},
    {"e acute, Windows-1252", "d\xE9" "bit", "D\xC9" "BIT"},
    {"s caron, oe, z caron, y diaeresis, Windows-1252", "\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"},
    {"both encodings in one text", "\xE9-\xC3\xA9", "\xC9-\xC3\x89"},
};

TEST(TextCase, LettersMapBothWaysInTheirOwnEncoding) {
    for (const auto& p : kPairs) {
        EXPECT_EQ(text::upper_case(p.lower), p.upper) << p.what;
        EXPECT_EQ(text::lower_case(p.upper), p.lower) << p.what;
    }
}

TEST(TextCase, FinalSigmaUpperCasesToSigma) {
    EXPECT_EQ(text::upper_case("\xCF\x82"), "\xCE\xA3");
    EXPECT_EQ(text::lower_case("\xCE\xA3"), "\xCF\x83");
}

TEST(TextCase, WhatHasNoPartnerIsLeftAlone) {
    const std::string unchanged[] = {
        "\xC3\x9F",                  // sharp s
        "\xDF",                      // sharp s, Windows-1252
        "\xC2\xB5\xB5",              // micro sign, both encodings
        "\xC3\xB7\xC3\x97\xF7\xD7",  // division and multiplication signs, both encodings
        "\xC4\xB1\xC4\xB0",          // dotless small i, dotted capital I
        "\x81\x8D",                  // bytes Windows-1252 leaves undefined
        "\xE2\x80\x9C\xE2\x82\xAC",  // quote and euro in UTF-8: their bytes are no Windows-1252 letters
        "\xF0\x9F\x98\x80",          // beyond the basic plane
        "1-2 #",
    };
    for (const auto& s : unchanged) {
        EXPECT_EQ(text::upper_case(s), s);
        EXPECT_EQ(text::lower_case(s), s);
    }
}

TEST(TextCase, LengthAndOtherBytesAreKept) {
    EXPECT_EQ(text::upper_case(std::string("a\0b", 3)), std::string("A\0B", 3));
    // A lead byte without its continuation is a Windows-1252 letter (A tilde).
    EXPECT_EQ(text::lower_case("x\xC3"), "x\xE3");
    EXPECT_EQ(text::upper_case(""), "");
}

}  // namespace
