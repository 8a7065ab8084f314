#include "sections/vol_Calculation.h"

#include <gtest/gtest.h>

#include "common/TextFile.h"
#include "tests/sections/volume_support.h"

namespace {

using namespace voltest;
using jet::Value;

VolDate D(int16_t y, int16_t m, int16_t d) {
    return VolDate{y, m, d};
}

TEST(VolMonths, WindowsAndDays) {
    MonthFlags f{};
    Month_Flags(11, 2, f);
    EXPECT_EQ(std::vector<bool>(f.begin() + 1, f.end()),
              (std::vector<bool>{true, true, false, false, false, false, false, false, false, false, true, true}));
    Month_Flags(0, 0, f);
    for (int m = 1; m <= 12; ++m) EXPECT_TRUE(f[static_cast<std::size_t>(m)]);

    EXPECT_EQ(Days_In_Month(2016, 2), 29);
    EXPECT_EQ(Days_In_Month(2015, 2), 28);
    EXPECT_EQ(Days_In_Month(2015, 12), 31);
    struct Case {
        int16_t year, month, days;
    };
    // the period 2015-11-15 to 2016-02-10
    const Case cases[] = {{2014, 12, 0}, {2015, 10, 0}, {2015, 11, 16}, {2015, 12, 31},
                          {2016, 1, 31},  {2016, 2, 10}, {2016, 3, 0},   {2017, 1, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(Days_In_Range(c.year, c.month, 2015, 11, 15, 2016, 2, 10), c.days) << c.year << "-" << c.month;

    // months across a year end: November to February over two years
    Vol_Set_Period(D(2015, 1, 1), D(2016, 12, 31), 11, 2);
    EXPECT_EQ(Days_In_Period(), (31 + 28 + 30 + 31) + (31 + 29 + 30 + 31));
    EXPECT_EQ(Merge_Counter_Types("S", "PS"), "PS");
    EXPECT_EQ(Merge_Counter_Types("", "S"), "S");
    EXPECT_EQ(Vol_Number_Text(12.0), "12");
    EXPECT_EQ(Vol_Number_Text(0.1), "0.1");
    EXPECT_EQ(Vol_Number_Text(0.1 * 3), "0.3");
}

class VolCalculationTest : public VolumeTest {
protected:
    void SetUp() override {
        VolumeTest::SetUp();
        load_form();
        report_.Open(file("report.csv"));
        vol_ReportFile = &report_;
    }
    void TearDown() override {
        vol_ReportFile = nullptr;
        report_.Discard();
        VolumeTest::TearDown();
    }
    void open(const std::vector<VolRow>& seg, const std::vector<VolRow>& nod = {}) {
        write_volume_db(volume_file(), "202004", seg, nod);
        ASSERT_TRUE(Open_Volume_DB());
    }
    std::string rows() {
        report_.Close();
        std::ifstream in(file("report.csv"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    struct Result {
        int32_t total = 0, adt = 0, days = 0;
        double volDays = 0;
        std::string types;
        float missing = 0;
    };
    Result seg(int16_t a, int16_t b, VolDate s, VolDate e, int16_t m1 = 0, int16_t m2 = 0, int16_t detailed = 1) {
        Result r;
        Seg_Volumes("0100", a, b, s, e, m1, m2, r.total, r.adt, r.days, r.volDays, r.types, r.missing, detailed,
                    "202004");
        return r;
    }
    OutputFile report_;
};

TEST_F(VolCalculationTest, AStretchFullyCountedIsNotScaled) {
    open({seg_row("0100", 2015, 0, 4, "P", Value{std::int64_t{100}}, 100),
          seg_row("0100", 2015, 5, 10, "S", Value{std::int64_t{200}}, 200)});
    const Result r = seg(0, 10, D(2015, 1, 1), D(2015, 12, 31));
    EXPECT_EQ(r.missing, 0);
    EXPECT_EQ(r.days, 365);
    EXPECT_EQ(r.types, "PS");
    EXPECT_DOUBLE_EQ(r.volDays, 100.0 * 365 + 200.0 * 365);
    // sumVDK = 36500 * 0.5 + 73000 * 0.6 = 62050; / L 1.1 = 56409.09 -> 56410 with the half added
    EXPECT_EQ(r.total, 56410);
    EXPECT_EQ(r.adt, 155);
    EXPECT_EQ(rows(), "0100,2015,0,4,365,36500,0.5,18250,100\r\n0100,2015,5,10,365,73000,0.6,43800,200\r\n");
}

TEST_F(VolCalculationTest, AMonthNotCountedScalesTheTotalAndIsItsShareOfTheDays) {
    open({seg_row("0100", 2015, 0, 10, "S", Value{std::int64_t{100}}, 100, {{2, -1}})});
    const Result r = seg(0, 10, D(2015, 1, 1), D(2015, 12, 31));
    // February's 28 of 365 days missing
    EXPECT_NEAR(r.missing, 28.0 / 365 * 100, 1e-4);
    // covered 337 days at 100, scaled by 365 / 337 to 36500
    EXPECT_NEAR(r.total, 36500, 1);
    EXPECT_EQ(r.adt, 100);
    EXPECT_EQ(rows(), "0100,2015,0,10,337,-1,1.1,-1,-1\r\n");
}

TEST_F(VolCalculationTest, AYearWithoutRowsCountsAsMissingDays) {
    open({seg_row("0100", 2015, 0, 10, "P", Value{std::int64_t{100}}, 100)});
    const Result r = seg(0, 10, D(2015, 1, 1), D(2016, 12, 31));
    EXPECT_EQ(r.days, 731);
    EXPECT_NEAR(r.missing, 366.0 / 731 * 100, 1e-4) << "2016 has no row";
    EXPECT_EQ(r.adt, 100);
    const Result none = seg(0, 10, D(2017, 1, 1), D(2017, 12, 31));
    EXPECT_EQ(none.missing, 100);
    EXPECT_EQ(none.total, 0);
    EXPECT_EQ(none.days, 365);
}

TEST_F(VolCalculationTest, TheTotalAddsAHalfAndRoundsToEven) {
    // one point (K 0.1), one day: sumVDK / L is the day's volume
    open({seg_row("0100", 2015, 3, 3, "P", Value{std::int64_t{2}}, 2),
          seg_row("0100", 2016, 3, 3, "P", Value{std::int64_t{3}}, 3)});
    EXPECT_EQ(seg(3, 3, D(2015, 6, 1), D(2015, 6, 1)).total, 2) << "2.5 rounds to even";
    EXPECT_EQ(seg(3, 3, D(2016, 6, 1), D(2016, 6, 1)).total, 4) << "3.5 rounds to even";
}

TEST_F(VolCalculationTest, NodesByMonthAndBadRowsNamedWithTheirYear) {
    open({seg_row("0100", 2015, 0, 10, "P", Value{std::int64_t{1}}, 100, {{7, -5}})},
         {node_row("N1", 2015, "P", Value{std::int64_t{1}}, 100, {{6, -1}, {7, 200}, {8, 300}}),
          node_row("N2", 2015, "S", Value{std::int64_t{1}}, 100)});
    Result r;
    Node_Volumes("N1", D(2015, 1, 1), D(2015, 12, 31), 5, 8, r.total, r.adt, r.days, r.types, r.missing, 1, "202004");
    EXPECT_EQ(r.missing, 25) << "one of four months";
    // May 31 x 100, July 31 x 200, August 31 x 300 over 93 days
    EXPECT_EQ(r.adt, 200);
    EXPECT_EQ(r.days, 123);
    EXPECT_EQ(r.total, 200 * 123);
    EXPECT_EQ(r.types, "P");
    // a node and a year without any row: every month missing
    Node_Volumes("N2", D(2015, 1, 1), D(2016, 12, 31), 0, 0, r.total, r.adt, r.days, r.types, r.missing, 0, "202004");
    EXPECT_EQ(r.missing, 50);
    EXPECT_EQ(r.days, 731);
    EXPECT_EQ(r.adt, 100);
    EXPECT_EQ(rows(), "N1,2015,,,93,-1,0.1,-1,-1\r\nN2,2015-2016,,,365,36500,0.1,3650,-1\r\n");

    try {
        seg(0, 10, D(2015, 1, 1), D(2015, 12, 31), 0, 0, 0);
        ADD_FAILURE() << "a month below -1 is a data error";
    } catch (const VolDataError& e) {
        EXPECT_STREQ(e.what(), "Segment 0100, year 2015: MADT_07 is -5.");
    }
}

TEST_F(VolCalculationTest, UtvsRangesAcrossYearsWithTheirGaps) {
    open({seg_row("0100", 2014, 0, 3, "P", Value{}), seg_row("0100", 2014, 4, 10, "P", Value{}),
          seg_row("0100", 2015, 0, 6, "P", Value{}), seg_row("0100", 2015, 8, 10, "P", Value{}),
          seg_row("0100", 2016, 0, 6, "P", Value{}), seg_row("0100", 2016, 6, 10, "P", Value{})});
    std::vector<HmRange> r;
    int32_t n = 0;
    auto text = [&] {
        std::string s;
        for (int32_t i = 1; i <= n; ++i)
            s += std::to_string(r[static_cast<std::size_t>(i)].Hm1) + "-" +
                 std::to_string(r[static_cast<std::size_t>(i)].Hm2) + (r[static_cast<std::size_t>(i)].Gap ? "g " : " ");
        return s;
    };
    Seg_Hm_Breaks(2015, 2015, "0100", "202004", r, n);
    EXPECT_EQ(text(), "0-6 8-10g ");
    Seg_Hm_Breaks(2014, 2015, "0100", "202004", r, n);
    EXPECT_EQ(text(), "0-3 4-6 7-10 ") << "the break moved; the later ranges start after the earlier";
    Seg_Hm_Breaks(2016, 2016, "0100", "202004", r, n);
    EXPECT_EQ(text(), "0-6 7-10 ") << "a shared boundary belongs to the first range";
}

TEST_F(VolCalculationTest, TheWholeStretchAlongThePath) {
    open({seg_row("0100", 2015, 0, 10, "P", Value{std::int64_t{100}}, 100)},
         {node_row("N1", 2015, "S", Value{std::int64_t{100}}, 300), node_row("N2", 2015, "S", Value{std::int64_t{100}}, 300)});
    Build_HMZ_Search_Path("0100", "0100", "202004");
    vol_StartMonth = vol_EndMonth = 0;
    int32_t total = 0, adt = 0, days = 0, length = 0;
    std::string types;
    float missing = 0;
    ASSERT_TRUE(GetSectionVolume("0100", 0, "0100", 10, D(2015, 1, 1), D(2015, 12, 31), total, adt, days, types,
                                 missing, length, 1, "202004"));
    // nodes 300 (one point each), segment 100 over hm 1-9: (600 + 900) / 11
    EXPECT_EQ(length, 11);
    EXPECT_EQ(adt, 136);
    EXPECT_EQ(days, 365);
    EXPECT_EQ(total, 136 * 365);
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(types, "PS");

    // an end before the start measures nothing: the message, not a division by zero
    Erase_Search_Path();
    Add_Path_Item({"SEG", "0100", 1, 9, 0});
    ui_->ExpectMsgBox(ui::vbOK, "ERROR: LENGTH and/or N = 0 ***");
    EXPECT_FALSE(GetSectionVolume("0100", 6, "0100", 5, D(2015, 1, 1), D(2015, 12, 31), total, adt, days, types,
                                  missing, length, 1, "202004"));
    ui_->ExpectMsgBox(ui::vbOK, "Can't find start point in the search path");
    EXPECT_FALSE(GetSectionVolume("0200", 4, "0100", 4, D(2015, 1, 1), D(2015, 12, 31), total, adt, days, types,
                                  missing, length, 1, "202004"));
}

}  // namespace
