#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <string>

#include "tests/translation/tr_support.h"
#include "translation/Hemzshift8.h"
#include "translation/Hemzshift8_mod.h"
#include "translation/Lib_Units.h"
#include "translation/Text_Utils.h"

using namespace hemzshift;
using trtest::fs::path;

namespace {

std::string flushed_log() {
    flush_units();
    return trtest::read_file(log_path());
}

class Translation : public ::testing::Test {
protected:
    static void SetUpTestSuite() { data_ = new path(trtest::write_data_set()); }
    static void TearDownTestSuite() { delete data_; }
    void SetUp() override { init(2); }
    void init(int ndp, std::optional<std::string_view> target = std::nullopt) {
        HEMZSHIFT_INIT(ndp, target, data_->string());
        flush_units();
    }
    static path* data_;
};
path* Translation::data_ = nullptr;

struct Forward {
    const char* date;
    const char* seg;
    const char* code;
    float km;
    const char* out_seg;
    float out_km;
    int steps;
    bool obs;
    bool split;
};

void PrintTo(const Forward& c, std::ostream* os) {
    *os << c.date << " " << c.seg << " " << c.code << " " << c.km;
}

class ForwardTable : public Translation, public ::testing::WithParamInterface<Forward> {};

TEST_P(ForwardTable, WalksTheGroupsInFileOrder) {
    const Forward& c = GetParam();
    std::string seg;
    float km = 0;
    bool obs = true, split = true;
    int32_t steps = -1;
    HEMZSHIFT(fixed(c.date, 10), c.seg, c.code, c.km, seg, km, obs, steps, split);
    EXPECT_EQ(seg, c.out_seg);
    EXPECT_FLOAT_EQ(km, c.out_km);
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(obs, c.obs);
    EXPECT_EQ(split, c.split);
}

INSTANTIATE_TEST_SUITE_P(
    SyntheticSet, ForwardTable,
    ::testing::Values(
        Forward{"2018-06-01", "0100", " ", 1.0f, "0100", 1.21f, 3, false, false},   // three versions
        Forward{"2018-06-01", "0100", " ", 6.0f, "0400", 0.6f, 2, true, false},     // observed point, new segment
        Forward{"2018-06-01", "0100", " ", 3.0f, "OFF ", -1.0f, 2, false, false},   // off the inventory
        Forward{"2018-06-01", "0100", " ", 5.0f, "OFF ", -1.0f, 2, false, false},   // point taken unrounded, then off
        Forward{"2018-06-01", "0100", " ", -1.0f, "ERR ", -2.0f, 1, false, false},  // below the first point
        Forward{"2019-06-01", "0100", " ", 12.0f, "ERR ", -2.0f, 1, false, false},  // above the last point
        Forward{"2019-06-01", "0100", " ", 11.0f, "0400", 5.0f, 1, false, false},   // the last point itself
        Forward{"2018-05-01", "0200", " ", 2.0f, "DEL ", -3.0f, 1, false, false},   // devolved
        Forward{"          ", "0200", " ", 2.0f, "DEL ", -3.0f, 1, false, false},   // dated at its end date
        Forward{"2019-06-01", "0300", "N", 2.0f, "0301", 2.0f, 1, false, true},
        Forward{"2019-06-01", "0300", "n", 2.0f, "0301", 2.0f, 1, false, true},    // upper-cased
        Forward{"2019-06-01", "0300", " ", 2.0f, "0301", 2.0f, 1, false, true},    // blank counts as B
        Forward{"2019-06-01", "0300", "S", 2.0f, "0302", 4.0f, 1, false, true},    // reversed split half
        Forward{"2019-06-01", "0300", "E", 2.0f, "0300", 2.0f, 0, false, true},    // split seen, not applied
        Forward{"2020-06-01", "0600", " ", 1.0f, "ERR ", -2.0f, 1, false, false},  // group without points
        Forward{"2020-06-01", "0500", " ", 2.5f, "0500", 7.5f, 1, false, false},   // reversed group
        Forward{"2021-03-01", "0100", " ", 1.0f, "0100", 1.0f, 0, false, false},   // no group applies
        Forward{"2018-06-01", "0100", " ", 1.234f, "0100", 1.5f, 3, false, false}  // rounded at each step
        ));

struct ToVersion {
    const char* date;
    const char* seg;
    const char* code;
    float km;
    const char* target;
    const char* out_seg;
    float out_km;
    int steps;
    bool split;
};

void PrintTo(const ToVersion& c, std::ostream* os) {
    *os << c.date << " " << c.seg << " " << c.code << " " << c.km << " to " << c.target;
}

class ToVersionTable : public Translation, public ::testing::WithParamInterface<ToVersion> {};

TEST_P(ToVersionTable, PicksTheHistoryEntryOfTheTarget) {
    const ToVersion& c = GetParam();
    std::string seg;
    float km = 0;
    bool obs = false, split = true;
    int32_t steps = -1;
    HEMZSHIFT_TO_HMZVERSION(fixed(c.date, 10), c.seg, c.code, c.km, fixed(c.target, 10), seg, km, obs, steps, split);
    EXPECT_EQ(seg, c.out_seg);
    EXPECT_FLOAT_EQ(km, c.out_km);
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(split, c.split);
}

INSTANTIATE_TEST_SUITE_P(
    SyntheticSet, ToVersionTable,
    ::testing::Values(
        ToVersion{"2018-06-01", "0100", " ", 1.0f, "202001", "0100", 1.1f, 2, false},   // between forward steps
        ToVersion{"2018-06-01", "0100", " ", 1.0f, "202101", "0100", 1.21f, 3, false},  // the last step
        // After the last step, in a version the segment table does not know.
        ToVersion{"2018-06-01", "0100", " ", 1.0f, "209912", "OFF ", -1.0f, 3, false},
        ToVersion{"2018-06-01", "0100", " ", 1.0f, "201801", "0100", 1.0f, 0, false},   // the input itself
        ToVersion{"2021-03-01", "0100", " ", 1.21f, "201801", "0100", 1.0f, 3, false},  // back three steps
        ToVersion{"2021-03-01", "0100", " ", 1.21f, "201901", "0100", 1.1f, 2, false},
        ToVersion{"2021-03-01", "0100", " ", 1.21f, "202001", "0100", 1.1f, 1, false},
        ToVersion{"2018-05-01", "0200", " ", 2.0f, "201901", "OFF ", -1.0f, 1, false},  // devolved step chosen
        ToVersion{"2018-06-01", "0100", " ", 6.0f, "202001", "0400", 0.6f, 2, false},
        ToVersion{"2019-06-01", "0100", " ", 12.0f, "202001", "OFF ", -1.0f, 1, false},  // uncovered km chosen
        ToVersion{"2019-06-01", "0100", " ", 2.5f, "202101", "OFF ", -1.0f, 1, false},   // off-inventory chosen
        ToVersion{"          ", "0100", " ", 1.5f, "202001", "0100", 1.5f, 0, false},    // valid: no walk
        ToVersion{"          ", "0100", " ", 5.0f, "202001", "OFF ", -1.0f, 0, false},   // dated 2050-01-01
        ToVersion{"2021-02-01", "0500", " ", 7.5f, "202001", "0500", 2.5f, 1, false},    // back through reversal
        ToVersion{"2019-06-01", "0300", "S", 2.0f, "202001", "0302", 4.0f, 1, true},
        ToVersion{"2019-06-01", "    ", " ", 1.0f, "202001", "ERR ", -4.0f, 0, false},  // no result
        // A blank segment must not walk back through the off-inventory points.
        ToVersion{"2021-03-01", "    ", " ", 0.0f, "201901", "ERR ", -4.0f, 0, false}));

TEST_F(Translation, ForwardLogLineAndSystemDate) {
    trtest::LogTail tail;
    std::string seg;
    float km;
    bool obs, split;
    int32_t steps;
    HEMZSHIFT(fixed("2018-06-01", 10), "0100", " ", 1.0f, seg, km, obs, steps, split);
    HEMZSHIFT(fixed("", 10), "0500", " ", 2.5f, seg, km, obs, steps, split);
    EXPECT_EQ(seg, "0500");  // dated today: no group applies
    EXPECT_EQ(steps, 0);
    flush_units();
    const std::string log = tail.text();
    EXPECT_NE(log.find("  0100 B   1.00 ==> 0100   1.21   3 transformations"), std::string::npos) << log;
    EXPECT_NE(log.find("fromdate set to system date: "), std::string::npos);
}

TEST_F(Translation, TargetAtInitialisationStopsTheWalk) {
    init(2, "202001");
    std::string seg;
    float km;
    bool obs, split;
    int32_t steps;
    HEMZSHIFT(fixed("2018-06-01", 10), "0100", " ", 1.0f, seg, km, obs, steps, split);
    EXPECT_EQ(seg, "0100");
    EXPECT_FLOAT_EQ(km, 1.1f);
    EXPECT_EQ(steps, 2);
}

TEST_F(Translation, OneDecimalRoundsMatchPointsLengthsAndReport) {
    init(1);
    // 5.5 and 11.0 stay; the input km is rounded before the walk.
    std::string seg;
    float km;
    bool obs, split;
    int32_t steps;
    HEMZSHIFT(fixed("2018-06-01", 10), "0100", " ", 1.04f, seg, km, obs, steps, split);
    EXPECT_FLOAT_EQ(km, 1.2f);  // 1.0 -> 1.1 -> 1.1 -> 1.21 rounded to 1.2
    int32_t status = 9;
    HEMZSHIFT_CHECK_LOCN(fixed("201801", 10), "0700", 12.3f, status);
    EXPECT_EQ(status, 2);  // 12.345 is held as 12.3
    HEMZSHIFT_CHECK_LOCN(fixed("201801", 10), "0700", 12.34f, status);
    EXPECT_EQ(status, -2);
    HEMZSHIFT_ALL(-1, fixed("2021-03-01", 10), "0100", " ", 1.21f, status);
    EXPECT_EQ(status, 0);
    std::string report = trtest::read_file(trtest::work_dir() / "Hemzshift_Detail.txt");
    EXPECT_NE(report.find("  0: 202101   2021-01-01  0100   1.2 "), std::string::npos) << report;
}

TEST_F(Translation, DetailReportFile) {
    int32_t status = 77;
    HEMZSHIFT_ALL(-9, fixed("2021-03-01", 10), "0100", " ", 1.21f, status);
    EXPECT_EQ(status, 77);  // mode -9 writes no report and no status
    HEMZSHIFT_ALL(-1, fixed("2021-03-01", 10), "0100", " ", 1.21f, status);
    ASSERT_EQ(status, 0);
    const std::string report = trtest::read_file(trtest::work_dir() / "Hemzshift_Detail.txt");
    // Blank Obs and split columns; a blank text adds nothing, not even the
    // blank before column 49.
    const std::string tail(10, ' ');
    const std::string expected =
        "     Version  Eff Date    Seg    Km\n"
        " -3:                      0100   1.00" +
        tail + "\n" + " -2: 201901   2019-01-01  0100   1.10" + tail + "\n" + " -1: 202001   2020-01-01  0100   1.10" +
        tail + "\n" + "  0: 202101   2021-01-01  0100   1.21" + tail + "\n";
    EXPECT_EQ(report, expected);

    HEMZSHIFT_ALL(-1, fixed("2019-06-01", 10), "0300", "S", 2.0f, status);
    const std::string split = trtest::read_file(trtest::work_dir() / "Hemzshift_Detail.txt");
    EXPECT_NE(split.find("  0:          2019-06-01  0300   2.00           S\n"), std::string::npos) << split;
    EXPECT_NE(split.find("  1: 202001   2020-01-01  0302   4.00     split S\n"), std::string::npos) << split;

    HEMZSHIFT_ALL(-1, fixed("2018-06-01", 10), "0100", " ", 6.0f, status);
    const std::string obs = trtest::read_file(trtest::work_dir() / "Hemzshift_Detail.txt");
    EXPECT_NE(obs.find("  1: 201901   2019-01-01  0100   6.60 Obs"), std::string::npos) << obs;
}

TEST_F(Translation, DetailReportOnTheStandardUnits) {
    // Units 0 and 6 are always connected: the report is written, status 0.
    for (int32_t unit : {0, 6}) {
        flush_units();
        trtest::LogTail tail;
        int32_t status = 99;
        HEMZSHIFT_ALL(unit, fixed("2021-03-01", 10), "0100", " ", 1.21f, status);
        EXPECT_EQ(status, 0) << unit;
        flush_units();
        EXPECT_NE(tail.text().find(" -2: 201901   2019-01-01  0100   1.10" + std::string(10, ' ') + "\n"),
                  std::string::npos)
            << tail.text();
    }
}

TEST_F(Translation, GetDetailRoutine) {
    int32_t status = 0;
    HEMZSHIFT_ALL(-9, fixed("2019-06-01", 10), "0300", "S", 2.0f, status);
    flush_units();
    trtest::LogTail tail;
    bool present = false, obs = true, split = false;
    std::string version, eff, seg, text = "KEEP";
    float km = 0;
    HEMZSHIFT_GET_DETAIL(1, present, version, eff, seg, km, obs, split, text);
    EXPECT_TRUE(present);
    EXPECT_EQ(version, "202001    ");
    EXPECT_EQ(eff, "2020-01-01");
    EXPECT_EQ(seg, "0302");
    EXPECT_FLOAT_EQ(km, 4.0f);
    EXPECT_FALSE(obs);
    EXPECT_TRUE(split);
    EXPECT_EQ(text, "S     ");

    text = "KEEP";
    obs = split = true;
    HEMZSHIFT_GET_DETAIL(3, present, version, eff, seg, km, obs, split, text);
    EXPECT_FALSE(present);
    EXPECT_EQ(version + eff + seg, std::string(24, ' '));
    EXPECT_EQ(km, -9.0f);
    EXPECT_TRUE(obs && split);  // not written for an absent entry
    EXPECT_EQ(text, "KEEP");

    present = true;
    HEMZSHIFT_GET_DETAIL(-6, present, version, eff, seg, km, obs, split, text);
    EXPECT_TRUE(present);  // not written outside -5 to 5
    EXPECT_EQ(version, "* BAD i * ");
    EXPECT_EQ(km, -9.0f);
    flush_units();
    EXPECT_NE(tail.text().find(" HEMZSHIFT_GET_DETAIL Enter\n HEMZSHIFT_GET_DETAIL Exit\n"), std::string::npos)
        << tail.text();
}

TEST_F(Translation, DetailReportOpenDate2050SkipsTheForwardWalk) {
    int32_t status = 1;
    HEMZSHIFT_ALL(-9, fixed("2050-01-01", 10), "0100", " ", 1.21f, status);
    for (int i = 1; i <= MAXSTEP; ++i) EXPECT_FALSE(detail_entry(i).Present) << i;
    EXPECT_TRUE(detail_entry(0).Present);
    EXPECT_TRUE(detail_entry(-1).Present);
}

TEST_F(Translation, NoEarlierVersionIsLogged) {
    flush_units();
    trtest::LogTail tail;
    int32_t status = 0;
    HEMZSHIFT_ALL(7, fixed("2018-06-01", 10), "0100", " ", 1.0f, status);
    EXPECT_EQ(status, 0);
    const Detail_Entry& e0 = detail_entry(0);
    EXPECT_TRUE(e0.Present);
    EXPECT_EQ(e0.Version, "          ");
    EXPECT_EQ(e0.EffDate, "2018-06-01");
    flush_units();
    const std::string log = tail.text();
    EXPECT_NE(log.find("No previous HMZ version found."), std::string::npos);
    EXPECT_NE(log.find("     Version  Eff Date    Seg    Km"), std::string::npos);  // the report in the log
}

TEST_F(Translation, DetailReportInAMissingTemporaryFolder) {
    const char* saved = std::getenv("temp");
    std::string keep = saved ? saved : "";
    ::setenv("temp", "/nonexistent/hemzshift", 1);
    int32_t status = 0;
    HEMZSHIFT_ALL(-1, fixed("2018-06-01", 10), "0100", " ", 1.0f, status);
    ::setenv("temp", keep.c_str(), 1);
    EXPECT_NE(status, 0);
}

TEST_F(Translation, DetailReportInTheViewer) {
    ::setenv("HEMZSHIFT_VIEWER", "true", 1);
    int32_t status = 0;
    HEMZSHIFT_ALL(-2, fixed("2018-06-01", 10), "0100", " ", 1.0f, status);
    EXPECT_GT(status, 32);
    ::setenv("HEMZSHIFT_VIEWER", "/nonexistent/viewer", 1);
    HEMZSHIFT_ALL(-2, fixed("2018-06-01", 10), "0100", " ", 1.0f, status);
    EXPECT_LE(status, 32);
    ::unsetenv("HEMZSHIFT_VIEWER");
}

struct Check {
    const char* version;
    const char* seg;
    float km;
    int status;
};

void PrintTo(const Check& c, std::ostream* os) {
    *os << c.version << " " << c.seg << " " << c.km;
}

class CheckTable : public Translation, public ::testing::WithParamInterface<Check> {};

TEST_P(CheckTable, StatusAroundTheSegmentLength) {
    const Check& c = GetParam();
    int32_t status = 99;
    HEMZSHIFT_CHECK_LOCN(fixed(c.version, 10), c.seg, c.km, status);
    EXPECT_EQ(status, c.status) << c.seg << " " << c.km;
}

INSTANTIATE_TEST_SUITE_P(Lengths, CheckTable,
                         ::testing::Values(Check{"201801", "0700", 0.0f, 0}, Check{"201801", "0700", -0.5f, -2},
                                           Check{"201801", "0700", 12.3445f, 2}, Check{"201801", "0700", 12.3455f, 2},
                                           Check{"201801", "0700", 12.347f, -2}, Check{"201801", "0700", 12.3f, 1},
                                           Check{"201801", "0650", 1.0f, -1},  // scan stops at a greater segment
                                           Check{"201801", "0800", 1.0f, -1}, Check{"201801", "0100", 10.0f, 2},
                                           Check{"202101", "0100", 1.0f, 1}, Check{"209912", "0100", 0.0f, -1}));

TEST_F(Translation, SegmentLengthsAreCachedPerVersion) {
    int32_t status;
    const int before = segtab_loads();
    HEMZSHIFT_CHECK_LOCN(fixed("201801", 10), "0100", 1.0f, status);
    HEMZSHIFT_CHECK_LOCN(fixed("201801", 10), "0100", 2.0f, status);
    EXPECT_EQ(segtab_loads() - before, 1);
    HEMZSHIFT_CHECK_LOCN(fixed("201901", 10), "0100", 1.0f, status);
    HEMZSHIFT_CHECK_LOCN(fixed("201801", 10), "0100", 1.0f, status);
    EXPECT_EQ(segtab_loads() - before, 3);
    HEMZSHIFT_CHECK_LOCN(fixed("209912", 10), "0100", 1.0f, status);
    HEMZSHIFT_CHECK_LOCN(fixed("209912", 10), "0100", 1.0f, status);
    EXPECT_EQ(segtab_loads() - before, 5);  // an empty version is read again every time
}

TEST_F(Translation, EndDatesAndLastTarget) {
    struct {
        const char* seg;
        const char* end;
    } cases[] = {{"0200", "2018-12-31"},   // devolved
                 {"0100", "          "},   // its last group maps onto itself
                 {"0300", "2019-12-31"},   // split into other segments
                 {"0600", "          "},   // last group without points
                 {"0999", "          "}};  // in no group
    for (const auto& c : cases) {
        std::string end(10, '?');
        HEMZSHIFT_GET_END_DATE(c.seg, end);
        EXPECT_EQ(end, c.end) << c.seg;
    }
    EXPECT_NE(flushed_log().find("*** Error: for group id = 50 m1 = 0"), std::string::npos);
    std::string last(12, '?');
    HEMZSHIFT_GET_LAST_TARGET(last);
    EXPECT_EQ(last, "202101      ");
    std::string seg = "123 ";
    HEMZSHIFT_SEG34(seg);
    EXPECT_EQ(seg, "0123");
}

TEST_F(Translation, LoadedTablesAndLog) {
    trtest::LogTail tail;
    init(2);
    ASSERT_EQ(group_count(), 8);
    ASSERT_EQ(match_count(), 17);
    EXPECT_FALSE(group(1).Split);  // 7 fields: an ordinary group
    EXPECT_TRUE(group(2).Devolved);
    EXPECT_EQ(group(3).CodeList, "NB    ");
    EXPECT_EQ(group(4).CodeList, "S     ");
    EXPECT_EQ(group(8).Segment, "0100");  // double quotes removed
    EXPECT_EQ(group(6).M1, 0);
    EXPECT_EQ(group(6).M2, 0);
    EXPECT_EQ(group(5).M1, 8);
    EXPECT_EQ(group(5).M2, 13);
    EXPECT_EQ(match_point(10).ToSegment, "    ");
    EXPECT_TRUE(match_point(3).Obs);
    const std::string log = tail.text();
    for (const char* text : {"Hemzshift8_mod version 3.7", " HEMZSHIFT_INIT\n", "  in_NDP = 2",
                             "  in_Folder = ", "Opening ", "8 groups read", "17 match records read",
                             "    3   30  202001     1900-01-01 2019-12-31 0300 T NB     F     4     5"})
        EXPECT_NE(log.find(text), std::string::npos) << text << "\n" << log;
}

TEST(TranslationLoad, DefaultFolderIsTheBuildSettingUnlessOverridden) {
    ::unsetenv("HEMZSHIFT_DEFAULT_DATA");
    EXPECT_EQ(default_data_folder(), BUILT_IN_DATA_FOLDER);
    ::setenv("HEMZSHIFT_DEFAULT_DATA", "/elsewhere/match", 1);
    EXPECT_EQ(default_data_folder(), "/elsewhere/match");
    ::unsetenv("HEMZSHIFT_DEFAULT_DATA");
}

TEST(TranslationLoad, FolderChoice) {
    const path data = trtest::write_data_set("default");
    ::setenv("HEMZSHIFT_DEFAULT_DATA", data.c_str(), 1);
    HEMZSHIFT_INIT(2, std::nullopt, std::nullopt);
    EXPECT_EQ(data_folder(), data.string() + "/");
    EXPECT_EQ(group_count(), 8);

    // Without the group file there, the running program's own folder.
    ::setenv("HEMZSHIFT_DEFAULT_DATA", (trtest::work_dir() / "nothing_here").c_str(), 1);
    DLL_HEMZSHIFT_INIT(nullptr, nullptr, 0, nullptr, 0);
    std::string exe(4096, ' ');
    int len = 0;
    Get_Module_Folder(exe, len);
    std::string exe_dir = std::string(trimmed(exe));
    exe_dir = exe_dir.substr(0, exe_dir.rfind('/') + 1);
    EXPECT_EQ(data_folder(), exe_dir);
    ::unsetenv("HEMZSHIFT_DEFAULT_DATA");

    HEMZSHIFT_INIT(2, std::nullopt, data.string() + "/");
    EXPECT_EQ(data_folder(), data.string() + "/");  // exactly one slash
    HEMZSHIFT_INIT(2, std::nullopt, data.string() + "   ");
    EXPECT_EQ(data_folder(), data.string() + "/");
}

TEST(TranslationLoad, GroupAndMatchLimitsAndLinking) {
    const path d = trtest::fresh_folder("limits");
    std::string groups, matches;
    for (int g = 1; g <= MAXGROUP; ++g)
        groups += std::to_string(g) + ",202001,'x',1900-01-01,2019-12-31," + std::to_string(1000 + g) + ",0\n\n";
    // Group 7, then 8, then 7 again: 7 keeps only its last run.
    matches =
        "M,7,a,0.0,1007,0.0,0\nM,7,a,1.0,1007,1.0,0\nM,8,a,0.0,1008,0.0,0\nM,7,a,0.0,1007,0.0,0\n"
        "M,7,a,2.0,1007,2.0,0\n";
    trtest::write_file(d / "HMZ_Transform_Group.csv", groups);
    trtest::write_file(d / "HMZ_Transform_Match.csv", matches);
    HEMZSHIFT_INIT(2, std::string_view("202001"), d.string());
    EXPECT_FALSE(library_failed());
    EXPECT_EQ(group_count(), MAXGROUP);
    EXPECT_EQ(group(7).M1, 4);
    EXPECT_EQ(group(7).M2, 5);
    EXPECT_EQ(group(8).M1, 3);
}

TEST(TranslationLoad, OneDecimalRoundsMatchKmsAsTheyLoad) {
    const path d = trtest::fresh_folder("ndp1");
    trtest::write_file(d / "HMZ_Transform_Group.csv", "10,202001,'x',1900-01-01,2019-12-31,0100,0\n");
    trtest::write_file(d / "HMZ_Transform_Match.csv", "M,10,a,12.34,0100,12.35,0\nM,10,a,-2.25,0100,0.05,0\n");
    HEMZSHIFT_INIT(1, std::nullopt, d.string());
    EXPECT_EQ(match_point(1).FromKm, 12.3f);
    EXPECT_EQ(match_point(1).ToKm, 12.4f);
    EXPECT_EQ(match_point(2).FromKm, -2.3f);
    EXPECT_EQ(match_point(2).ToKm, 0.1f);
    HEMZSHIFT_INIT(2, std::nullopt, d.string());
    EXPECT_EQ(match_point(1).FromKm, 12.34f);
}

TEST(TranslationLoad, BadNumericFieldsReadAsZeroWithAWarning) {
    const path d = trtest::fresh_folder("badfields");
    trtest::write_file(d / "HMZ_Transform_Group.csv",
                       "10,202001,'x',1900-01-01,2019-12-31,0100,0\n"
                       "11,202001,'x',1900-01-01,2019-12-31,0200,1\n"
                       "12,202001,'x',1900-01-01,2019-12-31,0300\n"
                       "13,202001,'x',1900-01-01,2019-12-31,0400,0," +
                           std::string(80, ' ') + "NS\n");
    trtest::write_file(d / "HMZ_Transform_Match.csv",
                       "M,10,a,0.0,0100,0.0,1\n"
                       "M,10,a,5.0,0100,5.5\n"
                       "M,10,a,x,0100,7.7,0\r\n");
    flush_units();
    trtest::LogTail tail;
    HEMZSHIFT_INIT(2, std::nullopt, d.string());
    EXPECT_FALSE(library_failed());
    EXPECT_FALSE(match_point(2).Obs);  // not the line before's value
    EXPECT_EQ(match_point(3).FromKm, 0.0f);
    EXPECT_FALSE(group(3).Devolved);         // after a devolved line
    EXPECT_EQ(group(4).CodeList, "NS    ");  // the line is read whole
    flush_units();
    const std::string log = tail.text();
    EXPECT_NE(log.find("HMZ_Transform_Match.csv line 2 field 7 is missing or not a number; read as 0"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("HMZ_Transform_Match.csv line 3 field 4"), std::string::npos);
    EXPECT_NE(log.find("HMZ_Transform_Group.csv line 3 field 7"), std::string::npos);
}

TEST(TranslationLoad, NoMoreThanFiveStepsEachWay) {
    const path d = trtest::fresh_folder("chain");
    std::string groups, matches;
    for (int g = 1; g <= 6; ++g) {
        groups += std::to_string(g) + ",20" + std::to_string(10 + g) + "01,'x',1900-01-01,200" + std::to_string(g) +
                  "-12-31,0900,0\n";
        matches += "M," + std::to_string(g) + ",a,0.0,0900,1.0,0\nM," + std::to_string(g) + ",a,100.0,0900,101.0,0\n";
    }
    trtest::write_file(d / "HMZ_Transform_Group.csv", groups);
    trtest::write_file(d / "HMZ_Transform_Match.csv", matches);
    HEMZSHIFT_INIT(2, std::nullopt, d.string());
    flush_units();
    trtest::LogTail tail;
    std::string seg;
    float km;
    bool obs, split;
    int32_t steps;
    HEMZSHIFT(fixed("2000-06-01", 10), "0900", " ", 10.0f, seg, km, obs, steps, split);
    EXPECT_EQ(steps, 5);
    EXPECT_FLOAT_EQ(km, 15.0f);
    HEMZSHIFT_BACK(fixed("2010-01-01", 10), "0900", " ", 50.0f, seg, km, steps);
    EXPECT_EQ(steps, 5);
    EXPECT_FLOAT_EQ(km, 45.0f);
    EXPECT_FLOAT_EQ(detail_entry(-5).Km, 45.0f);
    flush_units();
    const std::string log = tail.text();
    EXPECT_NE(log.find("*** Transformation history full: walk ended after 5 steps"), std::string::npos) << log;
    EXPECT_NE(log.find("*** Transformation history full: back walk ended after 5 steps"), std::string::npos);
}

TEST(TranslationLoad, MoreThanAThousandSegmentRowsAreKept) {
    const path d = trtest::write_data_set("bigseg");
    std::string seg = "HMZ_Version,Segment,Length\n";
    for (int s = 1; s <= 1200; ++s) {
        char line[40];
        std::snprintf(line, sizeof line, "201801,%04d,%d.5\n", s, s % 50 + 1);
        seg += line;
    }
    trtest::write_file(d / "SegAllVersions.csv", seg);
    HEMZSHIFT_INIT(2, std::nullopt, d.string());
    int32_t status = 0;
    HEMZSHIFT_CHECK_LOCN(fixed("201801", 10), "1200", 1.0f, status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(segtab_rows(), 1200);
}

TEST(TranslationLoad, RowsAfterALaterVersionAreNotLoaded) {
    const path d = trtest::write_data_set("order");
    trtest::write_file(d / "SegAllVersions.csv", "V,Segment,Length\n201801,0100,5\n\n201901,0100,6\n201801,0200,4\n");
    HEMZSHIFT_INIT(2, std::nullopt, d.string());
    int32_t status = 0;
    HEMZSHIFT_CHECK_LOCN(fixed("201801", 10), "0200", 1.0f, status);
    EXPECT_EQ(status, -1);
    HEMZSHIFT_CHECK_LOCN(fixed("201801", 10), "0100", 5.0f, status);
    EXPECT_EQ(status, 2);
}

// Every data error that would have ended the process leaves the library
// failed instead: logged, remembered, tables dropped until a good start.
struct Fatal {
    const char* name;
    void (*spoil)(const path&);
    bool on_check;  // the error shows at the first location check
    int32_t number;
    const char* message;
    const char* log_lines = nullptr;  // the expected log lines exactly, when given
};

void spoil_nothing(const path&) {}

void PrintTo(const Fatal& c, std::ostream* os) {
    *os << c.name;
}

class FatalTable : public ::testing::TestWithParam<Fatal> {};

TEST_P(FatalTable, BecomesTheErrorExport) {
    const Fatal& c = GetParam();
    const path d = trtest::write_data_set(c.name);
    c.spoil(d);
    const std::string folder = d.string();
    const int32_t ndp = 2;
    const char* target = c.number == ERR_TARGET_NOT_FOUND ? "199901    " : nullptr;
    flush_units();
    trtest::LogTail tail;
    DLL_HEMZSHIFT_INIT(&ndp, target, target ? 10 : 0, folder.data(), static_cast<int32_t>(folder.size()));
    int32_t status = 99;
    const float km = 1.0f;
    if (c.on_check) DLL_HEMZSHIFT_CHECK_LOCN("201801    ", 10, "0100", 4, &km, &status);

    int32_t number = -1;
    char message[200];
    DLL_HEMZSHIFT_GET_ERROR(&number, message, sizeof message);
    EXPECT_EQ(number, c.number);
    const std::string msg(message, sizeof message);
    EXPECT_NE(msg.find(c.message), std::string::npos) << msg;
    EXPECT_NE(tail.text().find(c.message), std::string::npos) << tail.text();
    if (c.log_lines) {
        EXPECT_NE(tail.text().find(c.log_lines), std::string::npos) << tail.text();
    }

    char seg[4];
    float out_km = 0;
    uint8_t obs = 1, split = 1;
    int32_t steps = 9;
    DLL_HEMZSHIFT("2018-06-01", 10, "0100", 4, " ", 1, &km, seg, 4, &out_km, &obs, &steps, &split);
    EXPECT_EQ(std::string(seg, 4), "ERR ");
    EXPECT_EQ(out_km, -4.0f);
    DLL_HEMZSHIFT_TO_HMZVERSION("2018-06-01", 10, "0100", 4, " ", 1, &km, "202001    ", 10, seg, 4, &out_km, &obs,
                                &steps, &split);
    EXPECT_EQ(std::string(seg, 4), "ERR ");
    EXPECT_EQ(out_km, -4.0f);
    status = 99;
    DLL_HEMZSHIFT_CHECK_LOCN("201801    ", 10, "0100", 4, &km, &status);
    EXPECT_EQ(status, -1);
    char last[12];
    DLL_HEMZSHIFT_GET_LAST_TARGET(last, 12);
    EXPECT_EQ(std::string(last, 12), std::string(12, ' '));
    const int32_t mode = -1;
    status = 0;
    DLL_HEMZSHIFT_ALL(&mode, "2018-06-01", 10, "0100", 4, " ", 1, &km, &status);
    EXPECT_NE(status, 0);

    // A good start clears it.
    const path good = trtest::write_data_set("recovered");
    const std::string gf = good.string();
    DLL_HEMZSHIFT_INIT(&ndp, nullptr, 0, gf.data(), static_cast<int32_t>(gf.size()));
    DLL_HEMZSHIFT_GET_ERROR(&number, message, sizeof message);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(std::string(message, sizeof message), std::string(sizeof message, ' '));
    DLL_HEMZSHIFT("2018-06-01", 10, "0100", 4, " ", 1, &km, seg, 4, &out_km, &obs, &steps, &split);
    EXPECT_EQ(std::string(seg, 4), "0100");
    EXPECT_FLOAT_EQ(out_km, 1.21f);
}

INSTANTIATE_TEST_SUITE_P(
    DataErrors, FatalTable,
    ::testing::Values(
        Fatal{"nogroups", [](const path& d) { trtest::fs::remove(d / "HMZ_Transform_Group.csv"); }, false,
              ERR_TRANSFORM_OPEN, "*** Open Error: ", "HMZ_Transform_Group.csv\n *** Open Error: 2\n"},
        Fatal{"nomatches", [](const path& d) { trtest::fs::remove(d / "HMZ_Transform_Match.csv"); }, false,
              ERR_TRANSFORM_OPEN, "HMZ_Transform_Match.csv"},
        Fatal{"manygroups",
              [](const path& d) {
                  std::string g;
                  for (int i = 1; i <= MAXGROUP + 1; ++i) g += std::to_string(i) + ",202001,x,a,b,0100,0\n";
                  trtest::write_file(d / "HMZ_Transform_Group.csv", g);
              },
              false, ERR_GROUP_OVERFLOW, "*** Group array overflow. MAXGROUP= 2000"},
        Fatal{"notarget", spoil_nothing, false, ERR_TARGET_NOT_FOUND,
              "*** Error: No transform group has target HMZ = 199901"},
        Fatal{"manymatches",
              [](const path& d) {
                  std::string m;
                  for (int i = 1; i <= MAXMATCH + 1; ++i) m += "M,10,a,1.0,0100,1.0,0\n";
                  trtest::write_file(d / "HMZ_Transform_Match.csv", m);
              },
              false, ERR_MATCH_OVERFLOW, "*** Match array overflow. MAXMATCH= 50000"},
        Fatal{"unknowngroup",
              [](const path& d) {
                  trtest::write_file(d / "HMZ_Transform_Match.csv",
                                     std::string(trtest::match_csv) + "M,99,a,1.0,0100,1.0,0\n");
              },
              false, ERR_GROUP_NOT_FOUND, "*** Group ID 99 not found in group table!"},
        Fatal{"nosegall", [](const path& d) { trtest::fs::remove(d / "SegAllVersions.csv"); }, true, ERR_SEGTAB_OPEN,
              "*** Open Error: ", "SegAllVersions.csv\n *** Open Error: 2\n ABORT\n"},
        Fatal{"nolength",
              [](const path& d) { trtest::write_file(d / "SegAllVersions.csv", "V,Segment,length\n201801,0100,5\n"); },
              true, ERR_SEGTAB_NO_LENGTH, "*** Field Length not found in the SegAllVersionsheader record:"},
        Fatal{"badlength",
              [](const path& d) {
                  trtest::write_file(d / "SegAllVersions.csv", "V,Segment,Length\n201801,0100,5\n\n201801,0200,five\n");
              },
              true, ERR_SEGTAB_DECODE, "*** Error reading or decoding record 4 of file "},
        Fatal{"blanklength",
              [](const path& d) { trtest::write_file(d / "SegAllVersions.csv", "V,Segment,Length\n201801,0100,\n"); },
              true, ERR_SEGTAB_DECODE, "*** Error reading or decoding record 2 of file "},
        Fatal{"emptysegall", [](const path& d) { trtest::write_file(d / "SegAllVersions.csv", ""); }, true,
              ERR_SEGTAB_DECODE, "*** Error reading or decoding record 1 of file "}),
    [](const ::testing::TestParamInfo<Fatal>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// The log goes to the temporary folder when the current folder cannot take
// it. The log is opened once per process, so the check runs in a fresh copy
// of this test program.
TEST(TranslationLog, FallsBackToTheTemporaryFolder) {
    if (const char* alt_env = std::getenv("HEMZSHIFT_LOG_CHILD")) {
        const path alt(alt_env);
        const path data = trtest::write_data_set("fallback");
        const path gone = trtest::fresh_folder("gone");
        trtest::fs::current_path(gone);
        trtest::fs::remove(gone);  // the current folder no longer exists
        ::setenv("temp", alt.c_str(), 1);
        ASSERT_FALSE(log_is_open());
        HEMZSHIFT_INIT(2, std::nullopt, data.string());
        flush_units();
        EXPECT_EQ(log_path(), (alt / "Hemzshift8_mod_log.txt").string());
        EXPECT_NE(trtest::read_file(alt / "Hemzshift8_mod_log.txt").find("8 groups read"), std::string::npos);
        EXPECT_EQ(group_count(), 8);
        return;
    }
    const path alt = trtest::fresh_folder("alt_temp");
    std::string exe = "/proc/self/exe";
    std::string filter = "--gtest_filter=TranslationLog.FallsBackToTheTemporaryFolder";
    ::setenv("HEMZSHIFT_LOG_CHILD", alt.c_str(), 1);
    char* argv[] = {exe.data(), filter.data(), nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ);
    ::unsetenv("HEMZSHIFT_LOG_CHILD");
    ASSERT_EQ(rc, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(trtest::fs::exists(alt / "Hemzshift8_mod_log.txt"));
}

}  // namespace
