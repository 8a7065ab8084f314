// Literals, text, number and date text, small numbers, lists and index sorts.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/Brellinlib.h"
#include "tests/support/headless.h"

namespace {

using namespace std::chrono;

TEST(Literals, SqlStr) {
    EXPECT_EQ(SQL_Str("O'Brien Rd"), "'O''Brien Rd'");
    EXPECT_EQ(SQL_Str(""), "''");
    EXPECT_EQ(SQL_Str("''"), "''''''");
    EXPECT_EQ(SQL_Str("plain"), "'plain'");
}

TEST(Literals, SqlDate) {
    EXPECT_EQ(SQL_Date(year{2020} / January / 31), "#2020-01-31#");
    EXPECT_EQ(SQL_Date(year{1999} / December / 1), "#1999-12-01#");
    EXPECT_EQ(SQL_Date("2020/01/31"), "#2020-01-31#");
    EXPECT_EQ(SQL_Date(std::string("2020.01-31")), "#2020-01-31#");
    EXPECT_EQ(SQL_Date("31/01/2020"), "#31/01/2020#");
    EXPECT_EQ(SQL_Date("2020-01-01# OR 1=1 OR #2020-01-01"), "#2020-01-01 OR 1=1 OR 2020-01-01#")
        << "the text stays one literal";
}

TEST(Literals, XmlEscape) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"&lt;", "&amp;lt;"},
        {"   ", ""},
        {"", ""},
        {" a ", " a "},
        {"Hwy 1 & \"Main\" <N> 'W'", "Hwy 1 &amp; &quot;Main&quot; &lt;N&gt; &apos;W&apos;"},
        {"\xe9t\xe9", "\xe9t\xe9"},
    };
    for (const auto& c : cases) EXPECT_EQ(XML_Escape(c.in), c.out) << c.in;
}

TEST(Text, ReplaceAll) {
    struct Case {
        std::string s, find, repl, out;
    };
    const Case cases[] = {
        {"aaa", "aa", "b", "ba"}, {"aaa", "a", "aa", "aaaaaa"},    {"abc", "", "x", "abc"},     {"", "a", "b", ""},
        {"aAa", "a", "", "A"},    {"x,y,z", ",", ", ", "x, y, z"}, {"abc", "abcd", "x", "abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Replace_All(c.s, c.find, c.repl), c.out) << c.s << " / " << c.find;
        std::string r = "stale";
        Replace_Str(c.s, c.find, c.repl, r);
        EXPECT_EQ(r, c.out);
    }
}

TEST(Text, InStrLastAndSqueezeUpper) {
    EXPECT_EQ(InStrLast("HMZ_Data_201904", "_"), 9);
    EXPECT_EQ(InStrLast("abcabc", "abc"), 4);
    EXPECT_EQ(InStrLast("ab", "abc"), 0);
    EXPECT_EQ(InStrLast("abc", "x"), 0);
    EXPECT_EQ(Squeeze_Upper("  Fat #Clsn\t x "), "FAT#CLSNX");
    EXPECT_EQ(Squeeze_Upper(""), "");
}

TEST(Text, SqueezeUpperCasesAccentedLetters) {
    struct Case {
        const char* what;
        std::string heading, squeezed;
    };
    const Case cases[] = {
        {"UTF-8", "D\xC3\xA9" "bit moyen", "D\xC3\x89" "BITMOYEN"},
        {"Windows-1252", "D\xE9" "bit moyen", "D\xC9" "BITMOYEN"},
        {"Cyrillic", "\xD0\xB4\xD1\x91 km", "\xD0\x94\xD0\x81KM"},
        {"already upper", "D\xC3\x89" "BIT", "D\xC3\x89" "BIT"},
    };
    for (const auto& c : cases) EXPECT_EQ(Squeeze_Upper(c.heading), c.squeezed) << c.what;
}

TEST(NumberText, FormatRight) {
    struct Case {
        std::optional<decimal::Value> v;
        int16_t width, decimals;
        std::string out;
    };
    const Case cases[] = {
        {3.14159, 8, 2, "    3.14"},
        {3.14159, 8, 0, "      3."},
        {std::nullopt, 5, 2, "     "},
        {-2.5, 6, 0, "   -3."},
        {12.345f, 6, 2, " 12.35"},
        {1234567.0, 4, 1, "67.0"},
        {1.0, 40, 1, std::string(27, ' ') + "1.0"},
        {1.0, 3, 14, "000"},
        {1.5, 0, 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Format_Right(c.v, c.width, c.decimals), c.out) << c.width << "/" << c.decimals;
    EXPECT_EQ(Format_Right(std::optional<double>(2.0), 5, 1), "  2.0");
    EXPECT_EQ(Format_Right(std::optional<double>(), 3, 1), "   ");
}

TEST(NumberText, FormatRightI) {
    EXPECT_EQ(Format_Right_I(42, 5), "   42");
    EXPECT_EQ(Format_Right_I(-7, 3), " -7");
    EXPECT_EQ(Format_Right_I(12345, 3), "345") << "the rightmost characters";
    EXPECT_EQ(Format_Right_I(2.5, 3), "  3");
}

TEST(NumberText, Round1) {
    struct Case {
        float in, out;
    };
    const Case cases[] = {
        {0.049f, 0.1f},          {12.35f, 12.4f}, {7.0f, 7.0f},          {1.249f, 1.3f},  {1.24f, 1.2f},
        {0.25f, 0.3f},           {0.0f, 0.0f},    {99999.94f, 99999.9f}, {12.45f, 12.5f}, {-1.249f, -1.3f},
        {123456.75f, 123456.8f},
    };
    for (const auto& c : cases) EXPECT_EQ(Round_1(c.in), c.out) << c.in;
}

TEST(DateText, ParseDateYMD) {
    struct Case {
        std::string s;
        bool ok;
        int16_t y, m, d;
    };
    const Case cases[] = {
        {"2020-01-31", true, 2020, 1, 31},
        {"2021/02/31", true, 2021, 2, 31},
        {"2019.12-01", true, 2019, 12, 1},
        {"2020-13-01", false, 2020, 13, -1},
        {"2020-00-10", false, 2020, 0, -1},
        {"2020-05-32", false, 2020, 5, 32},
        {"2020-05-00", false, 2020, 5, 0},
        {"2020-1-01", false, -1, -1, -1},
        {"2020-01-011", false, -1, -1, -1},
        {"2020-01501", false, -1, -1, -1},
        {"20x0-01-01", false, -1, -1, -1},
        {"2020-ab-01", false, 2020, -1, -1},
        {"", false, -1, -1, -1},
    };
    for (const auto& c : cases) {
        int16_t y = -1, m = -1, d = -1;
        EXPECT_EQ(Parse_Date_YMD(c.s, y, m, d), c.ok) << c.s;
        EXPECT_EQ(y, c.y) << c.s;
        EXPECT_EQ(m, c.m) << c.s;
        EXPECT_EQ(d, c.d) << c.s;
    }
}

class FloorTest : public testsupport::HeadlessTest {};

TEST_F(FloorTest, WholePartAndOverflow) {
    EXPECT_EQ(Floor_I(-1.5f), -2);
    EXPECT_EQ(Floor_I(-2.0f), -2);
    EXPECT_EQ(Floor_I(2.7f), 2);
    EXPECT_EQ(Floor_I(32767.9f), 32767);
    EXPECT_EQ(Floor_I(-32768.0f), -32768);
    ui_->ExpectMsgBox(ui::vbOK, "Overflow");
    EXPECT_THROW(Floor_I(40000.0f), ui::CommandAbandoned);
    ASSERT_EQ(ui_->shown.size(), 1u);
    EXPECT_EQ(ui_->shown[0].title, "Floor_I");
}

TEST(SmallNumbers, MinMaxAndNz) {
    EXPECT_EQ(Min_I(3, -4), -4);
    EXPECT_EQ(Max_I(3, -4), 3);
    EXPECT_EQ(Min_IV(5, 5), 5);
    EXPECT_EQ(Max_IV(-1, 2), 2);
    EXPECT_EQ(Max_LV(100000, 99999), 100000);
    EXPECT_EQ(Min_IV2(7, 2), 2);
    EXPECT_EQ(Max_IV2(7, 2), 7);
    EXPECT_EQ(Nz(std::optional<std::string>(), std::string("none")), "none");
    EXPECT_EQ(Nz(std::optional<std::string>("x"), std::string("none")), "x");
    EXPECT_EQ(Nz2(std::optional<double>(), 0), 0.0);
    EXPECT_EQ(Nz2(std::optional<double>(2.5), 0), 2.5);
}

TEST(Lists, FindAndAddUnique) {
    std::vector<std::string> s{"", "ab", "XYZ", "ab"};
    int16_t idx = -1;
    EXPECT_TRUE(Find_Str("ab", s, 3, idx));
    EXPECT_EQ(idx, 1);
    EXPECT_FALSE(Find_Str("ab", s, 0, idx));
    EXPECT_EQ(idx, 0);
    EXPECT_FALSE(Find_Str("xyz", s, 3, idx));

    std::vector<int32_t> l{0, 7, 9, 7};
    EXPECT_TRUE(Find_L(7, l, 3, idx));
    EXPECT_EQ(idx, 1);
    EXPECT_FALSE(Find_L(9, l, 1, idx)) << "only elements 1..N are searched";
    EXPECT_EQ(idx, 0);

    int16_t n = 2;
    s = {"", "ABC", "XYZ"};
    EXPECT_TRUE(Add_Unique_S("xyz", s, n, idx));
    EXPECT_EQ(n, 3);
    EXPECT_EQ(idx, 3);
    EXPECT_EQ(s.at(3), "xyz") << "the list grows when full";
    EXPECT_FALSE(Add_Unique_S("XYZ", s, n, idx));
    EXPECT_EQ(idx, 2);
    EXPECT_EQ(n, 3);

    std::vector<int16_t> i16(10, 0);
    n = 0;
    EXPECT_TRUE(Add_Unique_I(4, i16, n, idx));
    EXPECT_TRUE(Add_Unique_I(0, i16, n, idx)) << "0 in unused slots is not a member";
    EXPECT_FALSE(Add_Unique_I(4, i16, n, idx));
    EXPECT_EQ(idx, 1);
    EXPECT_EQ(n, 2);

    std::vector<int32_t> i32;
    n = 0;
    EXPECT_TRUE(Add_Unique_L(123456, i32, n, idx));
    EXPECT_EQ(i32.size(), 2u);
    EXPECT_EQ(i32[1], 123456);
}

// A list may fill the whole 16-bit count.
class FullListTest : public testsupport::HeadlessTest {};

TEST_F(FullListTest, SearchAndAddAtThe16BitLimit) {
    constexpr int16_t kMax = 32767;
    std::vector<int32_t> l(kMax + 1);
    std::vector<int16_t> i16(kMax + 1);
    std::vector<std::string> s(kMax + 1);
    for (int32_t i = 1; i <= kMax; ++i) {
        l[static_cast<std::size_t>(i)] = i;
        i16[static_cast<std::size_t>(i)] = static_cast<int16_t>(i);
        s[static_cast<std::size_t>(i)] = std::to_string(i);
    }
    int16_t idx = -1;
    EXPECT_TRUE(Find_L(kMax, l, kMax, idx));
    EXPECT_EQ(idx, kMax);
    EXPECT_FALSE(Find_L(0, l, kMax, idx));
    EXPECT_EQ(idx, 0);
    EXPECT_FALSE(Find_Str("x", s, kMax, idx));

    struct Case {
        const char* title;
        std::function<bool(int16_t&, int16_t&)> add;
    };
    const Case cases[] = {
        {"Add_Unique_I", [&](int16_t& n, int16_t& i) { return Add_Unique_I(0, i16, n, i); }},
        {"Add_Unique_L", [&](int16_t& n, int16_t& i) { return Add_Unique_L(0, l, n, i); }},
        {"Add_Unique_S", [&](int16_t& n, int16_t& i) { return Add_Unique_S("x", s, n, i); }},
    };
    for (const auto& c : cases) {
        ui_->shown.clear();
        int16_t n = kMax;
        ui_->ExpectMsgBox(ui::vbOK, "Overflow");
        EXPECT_THROW(c.add(n, idx), ui::CommandAbandoned) << c.title;
        EXPECT_EQ(n, kMax) << c.title;
        ASSERT_EQ(ui_->shown.size(), 1u) << c.title;
        EXPECT_EQ(ui_->shown[0].title, c.title);
        n = kMax - 1;
        EXPECT_TRUE(c.add(n, idx)) << c.title << ": room for one more";
        EXPECT_EQ(n, kMax) << c.title;
        EXPECT_EQ(idx, kMax) << c.title;
    }
}

TEST(Lists, SafeUBoundAndMin) {
    EXPECT_EQ(Safe_UBound(std::vector<std::string>{}), -1);
    EXPECT_EQ(Safe_UBound(std::vector<std::string>(6)), 5);
    EXPECT_EQ(Min_Of_Array(std::vector<double>{3, 1.5, 2, 1.5}), 1.5);
    EXPECT_EQ(Min_Of_Array(std::vector<int>{0, -1}), -1);
}

TEST(Lists, MinOfArrayIgnoresElementZero) {
    struct Case {
        std::vector<int> v;
        int min;
    };
    const Case cases[] = {
        {{-9, 4, 2, 7}, 2},  // the unused element 0 holds the smallest value
        {{0, 5, 6}, 5},      // an unused 0 is not taken for a member
        {{0, 8}, 8},
        {{-3}, 0},           // no element 1
    };
    for (const auto& c : cases) EXPECT_EQ(Min_Of_Array(c.v), c.min) << c.v.size() << " elements";

    // Of equal smallest ones the first wins.
    struct Keyed {
        int key;
        char tag;
        bool operator<(const Keyed& o) const { return key < o.key; }
    };
    EXPECT_EQ(Min_Of_Array(std::vector<Keyed>{{1, 'z'}, {3, 'a'}, {2, 'b'}, {2, 'c'}}).tag, 'b');
}

// The keys are given from element 1; the result is Idx(1..N).
template <class K, class I>
std::vector<I> Sorted(const std::vector<K>& keys_from_1, void (*sort)(I, const std::vector<K>&, std::vector<I>&)) {
    std::vector<K> keys(1);
    keys.insert(keys.end(), keys_from_1.begin(), keys_from_1.end());
    std::vector<I> idx(keys.size(), 0);
    sort(static_cast<I>(keys_from_1.size()), keys, idx);
    for (std::size_t i = 1; i + 1 < idx.size(); ++i)
        EXPECT_LE(keys[static_cast<std::size_t>(idx[i])], keys[static_cast<std::size_t>(idx[i + 1])]);
    return std::vector<I>(idx.begin() + 1, idx.end());
}

TEST(IndexSort, FixedOrderIncludingTies) {
    using V = std::vector<int16_t>;
    struct Case {
        V keys, idx;
    };
    const Case cases[] = {
        {{3, 1, 2}, {2, 3, 1}},
        {{2, 1}, {2, 1}},
        {{5}, {1}},
        {{7, 7, 7, 7, 7}, {2, 3, 4, 5, 1}},
        {{1, 1, 2}, {2, 1, 3}},
        {{2, 2, 1, 1}, {4, 3, 2, 1}},
        {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
        {{-3, 10, 0, -3, 8, 2, 2, 9, -1}, {}},
    };
    for (const auto& c : cases) {
        V got = Sorted<int16_t, int16_t>(c.keys, Index_Sort_I);
        if (!c.idx.empty()) {
            EXPECT_EQ(got, c.idx);
        }
        std::vector<int32_t> keys32(c.keys.begin(), c.keys.end());
        std::vector<int32_t> got32 = Sorted<int32_t, int32_t>(keys32, Index_Sort_L);
        EXPECT_EQ(std::vector<int16_t>(got32.begin(), got32.end()), got) << "the same steps for 32-bit keys";
    }
}

TEST(IndexSort, AFull16BitList) {
    constexpr int16_t kMax = 32767;
    std::vector<int16_t> keys(kMax + 1), idx;
    for (int32_t i = 1; i <= kMax; ++i) keys[static_cast<std::size_t>(i)] = static_cast<int16_t>(-i);
    Index_Sort_I(kMax, keys, idx);
    ASSERT_EQ(idx.size(), static_cast<std::size_t>(kMax) + 1);
    for (int32_t k = 1; k <= kMax; ++k) ASSERT_EQ(idx[static_cast<std::size_t>(k)], kMax + 1 - k) << k;
}

TEST(IndexSort, EmptyListLeavesIndexAlone) {
    std::vector<int16_t> keys{0, 4}, idx{0, 9, 9};
    Index_Sort_I(0, keys, idx);
    EXPECT_EQ(idx, (std::vector<int16_t>{0, 9, 9}));
}

TEST(IndexSort, TextKeysByCharacterCode) {
    std::vector<std::string> keys{"b", "B", "a", "1", "A", "b"};
    std::vector<int16_t> idx = Sorted<std::string, int16_t>(keys, Index_Sort_S);
    std::vector<std::string> order;
    for (int16_t i : idx) order.push_back(keys[static_cast<std::size_t>(i - 1)]);
    EXPECT_EQ(order, (std::vector<std::string>{"1", "A", "B", "a", "b", "b"}));
    EXPECT_EQ(keys[0], "b") << "keys are not moved";
}

TEST(IndexSort, GrowsASmallIndexArray) {
    std::vector<int32_t> keys{0, 30, 10, 20}, idx;
    Index_Sort_L(3, keys, idx);
    EXPECT_EQ(idx, (std::vector<int32_t>{0, 2, 3, 1}));
}

}  // namespace
