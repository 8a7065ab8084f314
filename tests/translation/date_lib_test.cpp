#include "translation/Date_Lib.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/translation/tr_support.h"
#include "translation/Lib_Units.h"
#include "translation/Scan_Utils.h"
#include "translation/Text_Utils.h"

using namespace hemzshift;
namespace chr = std::chrono;

namespace {

class DateLib : public ::testing::Test {
protected:
    void SetUp() override {
        SET_DATE_FORMAT("YYYY-MM-DD");
        SET_ZERO_CONDAY("YMD", 1900, 1, 1);
        SET_DELIMITER(',');
        SET_QUOTE('\'');
    }
    void TearDown() override { SetUp(); }
    static std::string fmt(const char* mask, int y, int m, int d) {
        SET_DATE_FORMAT(mask);
        return std::string(trimmed(DATE_STRING(y, m, d)));
    }
};

TEST_F(DateLib, EveryDayFrom1600To2100AgreesWithChrono) {
    const chr::sys_days first = chr::year{1600} / 1 / 1;
    const chr::sys_days last = chr::year{2100} / 12 / 31;
    const int32_t jd_epoch = JULIAN_DAY(1970, 1, 1);
    ASSERT_EQ(jd_epoch, 2440588);
    for (chr::sys_days day = first; day <= last; day += chr::days{1}) {
        const chr::year_month_day ymd{day};
        const int y = static_cast<int>(ymd.year());
        const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
        const int d = static_cast<int>(static_cast<unsigned>(ymd.day()));
        const int32_t jd = JULIAN_DAY(y, m, d);
        ASSERT_EQ(jd - jd_epoch, day.time_since_epoch().count()) << y << "-" << m << "-" << d;
        int32_t yy, mm, dd;
        JULDAY_TO_YMD(jd, yy, mm, dd);
        ASSERT_TRUE(yy == y && mm == m && dd == d) << jd;
        ASSERT_EQ(DAY_OF_WEEK(y, m, d), static_cast<int>(chr::weekday{day}.iso_encoding()));
        const chr::sys_days jan1 = ymd.year() / 1 / 1;
        ASSERT_EQ(DAY_OF_YEAR(y, m, d), (day - jan1).count() + 1);
        int32_t mo, da;
        YDOY_TO_MD(y, DAY_OF_YEAR(y, m, d), mo, da);
        ASSERT_TRUE(mo == m && da == d);
        ASSERT_EQ(CONSEC_DAY(y, m, d), jd - JULIAN_DAY(1900, 1, 1));
        CONDAY_TO_YMD(CONSEC_DAY(y, m, d), yy, mm, dd);
        ASSERT_TRUE(yy == y && mm == m && dd == d);
        if (d == 1) {
            ASSERT_EQ(LEAP(y), ymd.year().is_leap());
            ASSERT_EQ(DAYS_IN_MONTH(y, m), static_cast<int>(static_cast<unsigned>(
                                               chr::year_month_day_last{ymd.year() / ymd.month() / chr::last}.day())));
            for (int probe = 28; probe <= 32; ++probe)
                ASSERT_EQ(VALID_DATE(y, m, probe), (ymd.year() / ymd.month() / probe).ok());
        }
        // The day after, decoded and formatted in the library's own mask.
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
        const chr::year_month_day next{day + chr::days{1}};
        char expected[32];
        std::snprintf(expected, sizeof expected, "%04d-%02u-%02u", static_cast<int>(next.year()),
                      static_cast<unsigned>(next.month()), static_cast<unsigned>(next.day()));
        ASSERT_EQ(DATE_PLUS_1(text), expected);
    }
}

TEST_F(DateLib, DayAfterEdgesAndBadDates) {
    EXPECT_EQ(DATE_PLUS_1("2023-02-28"), "2023-03-01");
    EXPECT_EQ(DATE_PLUS_1("2024-02-28"), "2024-02-29");
    EXPECT_EQ(DATE_PLUS_1("1900-02-28"), "1900-03-01");
    EXPECT_EQ(DATE_PLUS_1("2000-02-28"), "2000-02-29");
    EXPECT_EQ(DATE_PLUS_1("2023-02-29"), "ERROR     ");
    EXPECT_EQ(DATE_PLUS_1("          "), "ERROR     ");
    EXPECT_EQ(DATE_PLUS_1("20x3-01-01"), "ERROR     ");
    int32_t y = 9, m = 9, d = 9;
    SDATE_TO_YMD("          ", y, m, d);
    EXPECT_TRUE(y == 0 && m == 0 && d == 0);
}

TEST_F(DateLib, CalendarAnswers) {
    EXPECT_EQ(DAY_OF_WEEK(1900, 1, 1), 1);
    EXPECT_EQ(DAY_OF_WEEK(2000, 1, 1), 6);
    EXPECT_EQ(DAY_OF_WEEK(2024, 2, 29), 4);
    EXPECT_EQ(DAY_OF_WEEK(2023, 2, 29), 0);
    EXPECT_EQ(DAY_OF_YEAR(2024, 2, 29), 60);
    EXPECT_EQ(DAY_OF_YEAR(2023, 2, 28), 59);
    EXPECT_EQ(CONSEC_DAY(1900, 1, 1), 0);
    EXPECT_EQ(CONSEC_DAY(1900, 1, 2), 1);
    EXPECT_EQ(CONSEC_DAY(2023, 2, 29), 0);
    EXPECT_EQ(DAYS_IN_MONTH(2023, 13), 0);
    EXPECT_EQ(std::string(trimmed(DAY_NAME(8))), "Bad Day #");
    EXPECT_EQ(std::string(trimmed(MONTH_NAME(0))), "Unknown");
    EXPECT_EQ(MONTH_NUMBER("september"), 9);
    EXPECT_EQ(MONTH_NUMBER("Sept"), 9);
    EXPECT_EQ(MONTH_NUMBER("SEP"), 9);
    EXPECT_EQ(MONTH_NUMBER("Ju"), 0);
    int32_t j = 0;
    JULDAY_TO_YMD(0, j, j, j);
    int32_t y, m, d;
    JULDAY_TO_YMD(0, y, m, d);
    EXPECT_TRUE(y == -4713 && m == 11 && d == 24);
}

TEST_F(DateLib, DayZeroOptions) {
    int32_t i1 = 0, i2 = 0, i3 = 0;
    SET_ZERO_CONDAY("DOY", 1900, 77, 1);
    GET_ZERO_CONDAY("JUL", i1, i2, i3);
    EXPECT_EQ(i3, JULIAN_DAY(1900, 1, 1));
    GET_ZERO_CONDAY("YMD", i1, i2, i3);
    EXPECT_TRUE(i1 == 1900 && i2 == 1 && i3 == 1);
    i2 = 55;
    GET_ZERO_CONDAY("DOY", i1, i2, i3);
    EXPECT_TRUE(i1 == 1900 && i2 == 55 && i3 == 1);
    SET_ZERO_CONDAY("ymd", 1900, 1, 1);
    GET_ZERO_CONDAY("JUL", i1, i2, i3);
    EXPECT_EQ(i3, 0);
    SET_ZERO_CONDAY("JUL", 0, 0, 2415021);
    EXPECT_EQ(CONSEC_DAY(1900, 1, 1), 0);
}

struct FormatCase {
    const char* mask;
    const char* text;  // without trailing blanks
};

class DateFormat : public DateLib, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(DateFormat, FormatsSunday5March2023) {
    EXPECT_EQ(fmt(GetParam().mask, 2023, 3, 5), GetParam().text) << GetParam().mask;
}

INSTANTIATE_TEST_SUITE_P(
    Masks, DateFormat,
    ::testing::Values(FormatCase{"YYYY-MM-DD", "2023-03-05"}, FormatCase{"DD MONTH YYYY", "05 MARCH 2023"},
                      FormatCase{"DD Month YYYY", "05 March 2023"}, FormatCase{"dd mon yyyy", " 5 mar yyyy"},
                      FormatCase{"mm/dd/YYYY", " 3/ 5/2023"}, FormatCase{"Weekday, DD Mon YYYY", "Sunday, 05 Mar 2023"},
                      FormatCase{"WeekDay|", "      |"}, FormatCase{"W", "7"}, FormatCase{"YYYY-DOY", "2023-064"},
                      FormatCase{"q", "1"}, FormatCase{"\"Date:\" YYYY-MM-DD", "Date: 2023-03-05"},
                      FormatCase{"Y/M/D", "2023/3/5"}, FormatCase{"D.M.YY", "5.3.23"},
                      FormatCase{"YY-MM-DD", "23-03-05"}, FormatCase{"WDA DD", "SUN 05"}));

TEST_F(DateLib, FormatsInvalidAndWideValues) {
    EXPECT_EQ(fmt("YYYY-MM-DD", 2023, 13, 45), "2023-13-45");
    EXPECT_EQ(fmt("YYYY-MM-DD", 12345, -1, 5), "****-**-05");
    EXPECT_EQ(fmt("YYYY MONTH", 2023, 13, 1), "2023 *****");
    // A weekday token with an invalid date must not loop through JULIAN_DAY's message.
    EXPECT_EQ(fmt("Weekday W", 2023, 2, 30), "Bad Day # 0");
}

struct DecodeCase {
    const char* mask;
    const char* text;
    int y, m, d;
};

class DateDecode : public DateLib, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(DateDecode, Decodes) {
    const DecodeCase& c = GetParam();
    SET_DATE_FORMAT(c.mask);
    int32_t y = -1, m = -1, d = -1;
    SDATE_TO_YMD(c.text, y, m, d);
    EXPECT_EQ(y, c.y) << c.mask << " " << c.text;
    EXPECT_EQ(m, c.m) << c.mask << " " << c.text;
    EXPECT_EQ(d, c.d) << c.mask << " " << c.text;
    EXPECT_EQ(GET_DELIMITER(), ',');
}

INSTANTIATE_TEST_SUITE_P(Masks, DateDecode,
                         ::testing::Values(DecodeCase{"YYYY-MM-DD", "2023-02-28", 2023, 2, 28},
                                           DecodeCase{"YY/MM/DD", "50/01/02", 2050, 1, 2},
                                           DecodeCase{"YY/MM/DD", "51/01/02", 1951, 1, 2},
                                           DecodeCase{"YYY-MM-DD", "900-01-02", 2900, 1, 2},
                                           DecodeCase{"YYY-MM-DD", "901-01-02", 1901, 1, 2},
                                           DecodeCase{"Y/M/D", "23/3/5", 2023, 3, 5},
                                           DecodeCase{"Y/M/D", "2023/12/31 10:15:00", 2023, 12, 31},
                                           DecodeCase{"DD MONTH YYYY", "05 February 2023", 2023, 2, 5},
                                           DecodeCase{"DD MONTH YYYY", "05 May 2023", 2023, 5, 5},
                                           DecodeCase{"DD MON YYYY", "05 sep 2023", 2023, 9, 5},
                                           DecodeCase{"YYYY-DOY", "2024-060", 2024, 2, 29},
                                           DecodeCase{"YYYY-MM-DD", "2023-x2-01", 0, 0, 0},  // decode error
                                           DecodeCase{"MM-DD", "02-01", 0, 0, 0},            // no year in the mask
                                           DecodeCase{"Y/M/X", "1/2/3", 0, 0, 0}));

TEST_F(DateLib, DecodeErrorsAreReported) {
    testing::internal::CaptureStderr();
    SET_UERR(0);
    SET_DATE_FORMAT("YYYY-MM-DD");
    int32_t y, m, d;
    SDATE_TO_YMD("2023-x2-01", y, m, d);
    std::string out = testing::internal::GetCapturedStderr();
    if (!log_is_open()) {
        EXPECT_NE(out.find("*** ERROR in PelmorLIB routine SDATE_to_YMD ***"), std::string::npos);
        EXPECT_NE(out.find("Error decoding MONTH  from date: 2023-x2-01"), std::string::npos);
        EXPECT_NE(out.find("Mask: YYYY-MM-DD"), std::string::npos);
    }
}

TEST_F(DateLib, ImpossibleDayOfYearStopsTheLibrary) {
    SET_DATE_FORMAT("YYYY-DOY");
    int32_t y, m, d;
    try {
        SDATE_TO_YMD("2023-366", y, m, d);
        FAIL() << "no stop";
    } catch (const Library_Stop& stop) {
        EXPECT_EQ(stop.number, ERR_DAY_OF_YEAR);
        EXPECT_NE(stop.message.find("Invalid Day of Year: 366"), std::string::npos);
    }
}

TEST_F(DateLib, ClockTexts) {
    EXPECT_EQ(format_systime(9, 5, 7.25f), "09:05:07.250");
    EXPECT_EQ(format_systime(23, 59, 59.999f), "23:59:59.999");
    std::string stamp(23, ' ');
    SYSDATIM(stamp);
    EXPECT_EQ(stamp[4], '/');
    EXPECT_EQ(stamp[7], '/');
    EXPECT_EQ(stamp[10], ' ');
    EXPECT_EQ(stamp[13], ':');
    std::string short_stamp(11, '?');
    SYSDATIM(short_stamp);
    EXPECT_EQ(short_stamp.substr(10), " ");
    std::string today(10, ' ');
    SYSDATE(today);
    int32_t y, m, d;
    SDATE_TO_YMD(today, y, m, d);
    EXPECT_TRUE(VALID_DATE(y, m, d));
}

TEST_F(DateLib, VariableMaskDetection) {
    char sep = '?';
    EXPECT_TRUE(PelmorLIB_VMASK("Y/M/D", sep));
    EXPECT_EQ(sep, '/');
    EXPECT_TRUE(PelmorLIB_VMASK("M-D-YYYY", sep));
    EXPECT_EQ(sep, '-');
    sep = '?';
    EXPECT_FALSE(PelmorLIB_VMASK("YYYY-MM-DD", sep));
    EXPECT_FALSE(PelmorLIB_VMASK("YYYY-DOY", sep));
    EXPECT_EQ(sep, '?');
}

}  // namespace
