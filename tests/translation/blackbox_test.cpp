// The entry points checked against a second, independent data set: three
// version steps, a split group whose ends are both walked back, a stretch off
// the inventory, a group without points, and kms whose rounding depends on
// single precision. Every expected value was worked out by hand.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "tests/translation/tr_library.h"
#include "tests/translation/tr_support.h"
#include "translation/Hemzshift8.h"

namespace {

// Groups, in file order:
//   1  1000 -> 201601  0..8 stretched to 0..8.805, observed end point
//   2  2000 -> 201601  split "NE" to 2001
//   3  2000 -> 201601  split "SW" to 2002, reversed
//   4  5000 -> 201601  0..4 to 0..10.7 (1 km gives 2.675)
//   5  6000 -> 201601  0..2 to 0..0.9 (1 km gives 0.45)
//  11  6100 -> 201601  0..3 to 0..0.9 (needs the wide intermediate)
//   6  1000 -> 201701  0..3 kept, 3.5..5 off the inventory, 5.5..8.8 to 3000
//   7  2001 -> 201701  devolved
//   8  1000 -> 201801  0..3 to 0..3.3
//   9  3000 -> 201801  unchanged
//  10  7000 -> 201801  no match points
//  12  8000 -> 201801  ends on 2016-02-28
//  13  8001 -> 201801  ends on a day that does not exist
//  14  9000 -> 201801  0..1 to 0..100000 (too large to round to 2 decimals)
//  15  4000 -> 201801  to 4001, 4002, 4002, 4001
//  16  4500 -> 201801  from 2016-01-01 with an open end
//  17  6200 -> 201801  0..0.9 to 6201 0..3 (walked back, needs the wide intermediate)
const char* const kGroups =
    "1,201601,'Main',1900-01-01,2015-12-31,1000,0\n"
    "2,201601,'Split',1900-01-01,2015-12-31,2000,0,NE\n"
    "3,201601,'Split',1900-01-01,2015-12-31,2000,0,'SW'\n"
    "4,201601,'Rate',1900-01-01,2015-12-31,5000,0\n"
    "5,201601,'Half',1900-01-01,2015-12-31,6000,0\n"
    "11,201601,'Third',1900-01-01,2015-12-31,6100,0\n"
    "6,201701,'Main street, north of the river',1900-01-01,2016-12-31,1000,0\n"
    "7,201701,'North',1900-01-01,2016-12-31,2001,1\n"
    "8,201801,'Main',1900-01-01,2017-12-31,1000,0\n"
    "9,201801,'East',1900-01-01,2017-12-31,3000,0\n"
    "10,201801,'Empty',1900-01-01,2017-12-31,7000,0\n"
    "12,201801,'Leap',1900-01-01,2016-02-28,8000,0\n"
    "13,201801,'Bad date',1900-01-01,2015-02-29,8001,0\n"
    "14,201801,'Long',1900-01-01,2017-12-31,9000,0\n"
    "15,201801,'Braid',1900-01-01,2017-12-31,4000,0\n"
    "16,201801,'Open',2016-01-01,2050-01-01,4500,0\n"
    "17,201801,'Third',1900-01-01,2017-12-31,6200,0\n";

const char* const kMatches =
    "M,1,x,0.0,1000,0.0,0\n"
    "M,1,x,4.0,1000,4.4,0\n"
    "M,1,x,8.0,1000,8.805,1\n"
    "M,2,x,0.0,2001,0.0,0\n"
    "M,2,x,5.0,2001,5.0,0\n"
    "M,3,x,0.0,2002,5.0,0\n"
    "M,3,x,5.0,2002,0.0,0\n"
    "M,4,x,0.0,5000,0.0,0\n"
    "M,4,x,4.0,5000,10.7,0\n"
    "M,5,x,0.0,6000,0.0,0\n"
    "M,5,x,2.0,6000,0.9,0\n"
    "M,11,x,0.0,6100,0.0,0\n"
    "M,11,x,3.0,6100,0.9,0\n"
    "M,6,x,0.0,1000,0.0,0\n"
    "M,6,x,3.0,1000,3.0,0\n"
    "M,6,x,3.5,'',0.0,0\n"
    "M,6,x,5.0,'',0.0,0\n"
    "M,6,x,5.5,3000,0.0,0\n"
    "M,6,x,8.8,3000,3.3,0\n"
    "M,8,x,0.0,1000,0.0,0\n"
    "M,8,x,3.0,1000,3.3,0\n"
    "M,9,x,0.0,3000,0.0,0\n"
    "M,9,x,3.3,3000,3.3,0\n"
    "M,12,x,0.0,8000,0.0,0\n"
    "M,12,x,1.0,8000,1.5,0\n"
    "M,13,x,0.0,8001,0.0,0\n"
    "M,13,x,1.0,8001,1.5,0\n"
    "M,14,x,0.0,9000,0.0,0\n"
    "M,14,x,1.0,9000,100000,0\n"
    "M,15,x,0.0,4001,0.0,0\n"
    "M,15,x,1.0,4002,0.0,0\n"
    "M,15,x,2.0,4002,1.0,0\n"
    "M,15,x,3.0,4001,1.0,0\n"
    "M,16,x,0.0,4500,0.0,0\n"
    "M,16,x,1.0,4500,2.0,0\n"
    "M,17,x,0.0,6201,0.0,0\n"
    "M,17,x,0.9,6201,3.0,0\n";

const char* const kLengths =
    "HMZ_Version,Segment, Length,Name\n"
    "201501,1000, 8.0,Main\n"
    "\n"
    "201501,2000,5.0,Split\n"
    "201501,4000,3.0,Braid\n"
    "201501,5000,6.0,Rate\n"
    "201501,6000,2.05,Half\n"
    "201501,6100,3.0,Third\n"
    "201501,6200,0.9,Third\n"
    "201501,7000,1.0,Empty\n"
    "201601,1000,8.805,Main\n"
    "201601,2001,5.0,North\n"
    "201601,2002,5.0,South\n"
    "201601,5000,10.7,Rate\n"
    "201601,6000,0.9,Half\n"
    "201701,1000,3.0,Main\n"
    "201701,3000,3.3,East\n"
    "201801,1000,3.3,Main\n"
    "201801,3000,3.3,East\n"
    "201801,4001,1.0,Braid\n"
    "201801,4002,1.0,Braid\n"
    "201801,4500,2.0,Open\n"
    "201801,6201,3.0,Third\n";

const char* const kNoDate = "          ";

std::string fixed(const char* s, std::size_t width) {
    std::string t(s);
    t.resize(width, ' ');
    return t;
}

using trtest::Library;

class Blackbox : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        trtest::work_dir();
        ASSERT_NO_FATAL_FAILURE(trtest::load_library(HEMZSHIFT8_LIBRARY, lib_));
        trtest::fs::path d = trtest::fresh_folder("blackbox");
        trtest::write_file(d / "HMZ_Transform_Group.csv", kGroups);
        trtest::write_file(d / "HMZ_Transform_Match.csv", kMatches);
        trtest::write_file(d / "SegAllVersions.csv", kLengths);
        data_ = new std::string(d.string());
    }
    static void TearDownTestSuite() {
        delete data_;
        data_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(lib_.handle, nullptr); }

    static void init(int32_t ndp, const char* target = nullptr) {
        const int32_t len = target ? static_cast<int32_t>(std::strlen(target)) : 0;
        lib_.init(&ndp, target, len, data_->data(), static_cast<int32_t>(data_->size()));
        int32_t number = -1;
        char msg[80];
        lib_.error(&number, msg, sizeof msg);
        ASSERT_EQ(number, 0) << std::string(msg, sizeof msg);
    }
    static std::string report() { return trtest::read_file(trtest::work_dir() / "Hemzshift_Detail.txt"); }

    static Library lib_;
    static std::string* data_;
};
Library Blackbox::lib_;
std::string* Blackbox::data_ = nullptr;

// ---------------------------------------------------------------- forward

struct Forward {
    int32_t ndp;
    const char* target;  // at initialisation, or null
    const char* date;
    const char* seg;
    const char* code;
    float km;
    const char* out_seg;
    float out_km;
    int32_t steps;
    bool obs;
    bool split;
};

void PrintTo(const Forward& c, std::ostream* os) {
    *os << "ndp " << c.ndp << " target " << (c.target ? c.target : "-") << " '" << c.date << "' " << c.seg << " '"
        << c.code << "' " << c.km;
}

class ForwardCases : public Blackbox, public ::testing::WithParamInterface<Forward> {};

TEST_P(ForwardCases, Translate) {
    const Forward& c = GetParam();
    init(c.ndp, c.target);
    char seg[4];
    float km = 99;
    uint8_t obs = 0x55, split = 0x55;
    int32_t steps = -1;
    lib_.forward(c.date, 10, c.seg, 4, c.code, 1, &c.km, seg, 4, &km, &obs, &steps, &split);
    EXPECT_EQ(std::string(seg, 4), c.out_seg);
    EXPECT_EQ(km, c.out_km);
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(obs, c.obs ? 0xFF : 0x00);
    EXPECT_EQ(split, c.split ? 0xFF : 0x00);
}

const char* const D15 = "2015-06-01";
const char* const D16 = "2016-06-01";
const char* const D18 = "2018-06-01";

INSTANTIATE_TEST_SUITE_P(Blackbox, ForwardCases,
                         ::testing::Values(
                             // three steps, each interpolated: 2.0 -> 2.2 -> 2.2 -> 2.42
                             Forward{2, nullptr, D15, "1000", " ", 2.0f, "1000", 2.42f, 3, false, false},
                             Forward{2, nullptr, D15, "1000", " ", 0.0f, "1000", 0.0f, 3, false, false},
                             // on a point: 4.4, which lies inside the off-inventory stretch of group 6
                             Forward{2, nullptr, D15, "1000", " ", 4.0f, "OFF ", -1.0f, 2, false, false},
                             Forward{2, nullptr, D15, "1000", " ", 6.0f, "3000", 1.1f, 3, true, false},
                             // the segment's end point gives 8.805 (observed), just past group 6's last point
                             Forward{2, nullptr, D15, "1000", " ", 8.0f, "ERR ", -2.0f, 2, true, false},
                             // just past the end, and below the start
                             Forward{2, nullptr, D15, "1000", " ", 8.01f, "ERR ", -2.0f, 1, false, false},
                             Forward{2, nullptr, D15, "1000", " ", -0.5f, "ERR ", -2.0f, 1, false, false},
                             // later dates start later in the chain
                             Forward{2, nullptr, D16, "1000", " ", 3.0f, "1000", 3.3f, 2, false, false},
                             Forward{2, nullptr, D16, "1000", " ", 3.2f, "OFF ", -1.0f, 1, false, false},
                             Forward{2, nullptr, D16, "1000", " ", 3.5f, "OFF ", -1.0f, 1, false, false},
                             Forward{2, nullptr, D16, "1000", " ", 5.5f, "3000", 0.0f, 2, false, false},
                             Forward{2, nullptr, D16, "1000", " ", 7.15f, "3000", 1.65f, 2, false, false},
                             Forward{2, nullptr, "2017-12-31", "1000", " ", 2.0f, "1000", 2.2f, 1, false, false},
                             Forward{2, nullptr, "2018-01-01", "1000", " ", 2.0f, "1000", 2.0f, 0, false, false},
                             // both ends of the split group
                             Forward{2, nullptr, D15, "2000", "n", 1.0f, "DEL ", -3.0f, 2, false, true},
                             Forward{2, nullptr, D15, "2000", "e", 5.0f, "DEL ", -3.0f, 2, false, true},
                             Forward{2, nullptr, D15, "2000", "S", 1.0f, "2002", 4.0f, 1, false, true},
                             Forward{2, nullptr, D15, "2000", "W", 5.0f, "2002", 0.0f, 1, false, true},
                             Forward{2, nullptr, D15, "2000", " ", 1.0f, "2000", 1.0f, 0, false, true},
                             Forward{2, nullptr, D16, "2000", "N", 1.0f, "2000", 1.0f, 0, false, false},
                             // single-precision rounding: 2.675 to 2.68, 0.45 to 0.5
                             Forward{2, nullptr, D15, "5000", " ", 1.0f, "5000", 2.68f, 1, false, false},
                             Forward{1, nullptr, D15, "5000", " ", 1.0f, "5000", 2.7f, 1, false, false},
                             Forward{2, nullptr, D15, "6000", " ", 1.0f, "6000", 0.45f, 1, false, false},
                             Forward{1, nullptr, D15, "6000", " ", 1.0f, "6000", 0.5f, 1, false, false},
                             Forward{2, nullptr, D15, "6000", " ", 0.95f, "6000", 0.43f, 1, false, false},
                             Forward{1, nullptr, D15, "6000", " ", 0.95f, "6000", 0.5f, 1, false, false},
                             // 0.225 and 0.345, the single-precision inputs combined without loss
                             Forward{2, nullptr, D15, "6100", " ", 0.75f, "6100", 0.23f, 1, false, false},
                             Forward{2, nullptr, D15, "6100", " ", 1.15f, "6100", 0.34f, 1, false, false},
                             // 12345.678 has no digits to spare for 2 decimals
                             Forward{2, nullptr, D15, "9000", " ", 0.12345678f, "9000", 12345.6787109375f, 1, false,
                                     false},
                             // one decimal rounds the input km even when no group applies
                             Forward{1, nullptr, D15, "9999", " ", 0.05f, "9999", 0.1f, 0, false, false},
                             Forward{1, nullptr, D15, "9999", " ", -2.25f, "9999", -2.3f, 0, false, false},
                             Forward{1, nullptr, D15, "9999", " ", 12.35f, "9999", 12.4f, 0, false, false},
                             Forward{1, nullptr, D15, "9999", " ", 12345.67f, "9999", 12345.7f, 0, false, false},
                             Forward{1, nullptr, D15, "9999", " ", 123456.7f, "9999", 123456.7f, 0, false, false},
                             Forward{1, nullptr, D15, "9999", " ", 99999.99f, "9999", 99999.99f, 0, false, false},
                             Forward{2, nullptr, D15, "9999", " ", 12.345f, "9999", 12.345f, 0, false, false},
                             // one decimal: 8.805 loads as 8.8, now group 6's last point
                             Forward{1, nullptr, D15, "1000", " ", 8.0f, "3000", 3.3f, 3, true, false},
                             Forward{1, nullptr, D15, "1000", " ", 1.96f, "1000", 2.4f, 3, false, false},
                             // the point after m may lie on another segment
                             Forward{2, nullptr, D15, "4000", " ", 0.5f, "4001", 0.0f, 1, false, false},
                             Forward{2, nullptr, D15, "4000", " ", 2.5f, "4002", 1.0f, 1, false, false},
                             // dates before a group's first date
                             Forward{2, nullptr, D15, "4500", " ", 0.5f, "4500", 0.5f, 0, false, false},
                             Forward{2, nullptr, D18, "4500", " ", 0.5f, "4500", 1.0f, 1, false, false},
                             Forward{2, nullptr, "2050-01-01", "4500", " ", 0.5f, "4500", 1.0f, 1, false, false},
                             // a group without points
                             Forward{2, nullptr, D15, "7000", " ", 0.5f, "ERR ", -2.0f, 1, false, false},
                             // blank date: the segment's end date, else today (after every group)
                             Forward{2, nullptr, kNoDate, "2000", "S", 1.0f, "2002", 4.0f, 1, false, true},
                             Forward{2, nullptr, kNoDate, "2001", " ", 1.0f, "DEL ", -3.0f, 1, false, false},
                             Forward{2, nullptr, kNoDate, "1000", " ", 2.0f, "1000", 2.0f, 0, false, false},
                             // a target at initialisation ends the walk after its groups
                             Forward{2, "201601", D15, "2000", "N", 1.0f, "2001", 1.0f, 1, false, true},
                             Forward{2, "201601", D15, "1000", " ", 2.0f, "1000", 2.2f, 1, false, false},
                             Forward{2, "201701", D15, "1000", " ", 2.0f, "1000", 2.2f, 2, false, false},
                             Forward{2, "201701", D15, "2000", "N", 1.0f, "DEL ", -3.0f, 2, false, true},
                             Forward{1, "201801", D15, "1000", " ", 8.0f, "3000", 3.3f, 3, true, false}));

// ---------------------------------------------------------- to a version

struct ToVersion {
    int32_t ndp;
    const char* date;
    const char* seg;
    const char* code;
    float km;
    const char* target;
    const char* out_seg;
    float out_km;
    int32_t steps;
    bool obs;
    bool split;
};

void PrintTo(const ToVersion& c, std::ostream* os) {
    *os << "ndp " << c.ndp << " '" << c.date << "' " << c.seg << " '" << c.code << "' " << c.km << " to " << c.target;
}

class ToVersionCases : public Blackbox, public ::testing::WithParamInterface<ToVersion> {};

TEST_P(ToVersionCases, Translate) {
    const ToVersion& c = GetParam();
    init(c.ndp);
    const std::string target = fixed(c.target, 10);
    char seg[4];
    float km = 99;
    uint8_t obs = 0x55, split = 0x55;
    int32_t steps = -1;
    lib_.to_version(c.date, 10, c.seg, 4, c.code, 1, &c.km, target.data(), 10, seg, 4, &km, &obs, &steps, &split);
    EXPECT_EQ(std::string(seg, 4), c.out_seg);
    EXPECT_EQ(km, c.out_km);
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(obs, c.obs ? 0xFF : 0x00);
    EXPECT_EQ(split, c.split ? 0xFF : 0x00);
}

INSTANTIATE_TEST_SUITE_P(Blackbox, ToVersionCases,
                         ::testing::Values(
                             // blank date, valid in the target: the input as passed, no walk
                             ToVersion{2, kNoDate, "1000", " ", 2.004f, "201801", "1000", 2.004f, 0, false, false},
                             ToVersion{1, kNoDate, "1000", " ", 2.04f, "201801", "1000", 2.04f, 0, false, false},
                             ToVersion{2, kNoDate, "2000", " ", 0.0f, "201501", "2000", 0.0f, 0, false, false},
                             ToVersion{2, kNoDate, "1000", " ", 3.3f, "201801", "1000", 3.3f, 0, false, false},
                             // blank date, not valid: dated at the segment's end date (2015-12-31)
                             ToVersion{2, kNoDate, "2000", "N", 1.0f, "201601", "2001", 1.0f, 1, false, true},
                             // ... at its devolving date, the devolved step is not in the target
                             ToVersion{2, kNoDate, "2001", " ", 6.0f, "201701", "OFF ", -1.0f, 1, false, false},
                             // ... no end date: 2050-01-01, so only the back walk
                             ToVersion{2, kNoDate, "1000", " ", 3.2f, "201701", "1000", 2.91f, 1, false, false},
                             // back walk from the latest version
                             ToVersion{2, D18, "1000", " ", 3.2f, "201501", "1000", 2.65f, 3, false, false},
                             ToVersion{1, D18, "1000", " ", 3.2f, "201501", "1000", 2.6f, 3, false, false},
                             ToVersion{2, D18, "1000", " ", 3.2f, "201601", "1000", 2.91f, 2, false, false},
                             ToVersion{2, D18, "1000", " ", 3.2f, "201801", "1000", 3.2f, 0, false, false},
                             ToVersion{1, D18, "1000", " ", 3.24f, "201801", "1000", 3.2f, 0, false, false},
                             // forward, to each step and between them
                             ToVersion{2, D15, "1000", " ", 2.0f, "201501", "1000", 2.0f, 0, false, false},
                             ToVersion{2, D15, "1000", " ", 2.0f, "201701", "1000", 2.2f, 2, false, false},
                             ToVersion{2, D15, "1000", " ", 2.0f, "201801", "1000", 2.42f, 3, false, false},
                             // a version without segment rows: nothing is valid in it
                             ToVersion{2, D15, "1000", " ", 2.0f, "201750", "OFF ", -1.0f, 2, false, false},
                             ToVersion{2, D15, "1000", " ", 2.0f, "209912", "OFF ", -1.0f, 3, false, false},
                             // observed steps; the uncovered one is not valid anywhere
                             ToVersion{2, D15, "1000", " ", 8.0f, "201601", "1000", 8.805f, 1, true, false},
                             ToVersion{2, D15, "1000", " ", 8.0f, "201701", "OFF ", -1.0f, 2, true, false},
                             // both ends of the split group walked back
                             ToVersion{2, D16, "2002", "S", 4.0f, "201501", "2000", 1.0f, 1, false, false},
                             ToVersion{2, D16, "2002", "S", 4.0f, "201601", "2002", 4.0f, 0, false, true},
                             ToVersion{2, D16, "2001", " ", 2.5f, "201501", "2000", 2.5f, 1, false, false},
                             ToVersion{2, D16, "2001", " ", 2.5f, "201701", "OFF ", -1.0f, 1, false, false},
                             // back pairs run through points of other segments; equal ends give the first from-km
                             ToVersion{2, D18, "4001", " ", 0.5f, "201501", "4000", 1.5f, 1, false, false},
                             ToVersion{2, D18, "4001", " ", 0.0f, "201501", "4000", 0.0f, 1, false, false},
                             ToVersion{2, D18, "4500", " ", 0.5f, "201801", "4500", 1.0f, 1, false, false},
                             // 0.225 and 0.345 walked back
                             ToVersion{2, D18, "6201", " ", 0.75f, "201501", "6200", 0.23f, 1, false, false},
                             ToVersion{2, D18, "6201", " ", 1.15f, "201501", "6200", 0.34f, 1, false, false},
                             // nothing to pick
                             ToVersion{2, D15, "    ", " ", 1.0f, "201601", "ERR ", -4.0f, 0, false, false}));

// ------------------------------------------------------------ the check

struct Check {
    int32_t ndp;
    const char* version;
    const char* seg;
    float km;
    int32_t status;
};

void PrintTo(const Check& c, std::ostream* os) {
    *os << "ndp " << c.ndp << " " << c.version << " " << c.seg << " " << c.km;
}

class CheckCases : public Blackbox, public ::testing::WithParamInterface<Check> {};

TEST_P(CheckCases, Status) {
    const Check& c = GetParam();
    init(c.ndp);
    const std::string version = fixed(c.version, 10);
    int32_t status = 99;
    lib_.check(version.data(), 10, c.seg, 4, &c.km, &status);
    EXPECT_EQ(status, c.status);
}

INSTANTIATE_TEST_SUITE_P(Blackbox, CheckCases,
                         ::testing::Values(Check{2, "201501", "1000", 8.0f, 2}, Check{2, "201501", "1000", 8.0005f, 2},
                                           Check{2, "201501", "1000", 8.0015f, -2},
                                           Check{2, "201501", "1000", 7.9995f, 2},
                                           Check{2, "201501", "1000", 7.998f, 1}, Check{2, "201501", "1000", 0.0f, 0},
                                           Check{2, "201501", "1000", -0.1f, -2}, Check{2, "201501", "1500", 1.0f, -1},
                                           Check{2, "201501", "3000", 1.0f, -1}, Check{2, "209912", "1000", 1.0f, -1},
                                           Check{2, "201601", "1000", 8.805f, 2}, Check{2, "201801", "3000", 0.5f, 1},
                                           // 2.05 is read as 2.1 with one decimal
                                           Check{2, "201501", "6000", 2.08f, -2}, Check{1, "201501", "6000", 2.08f, 1},
                                           Check{1, "201501", "6000", 2.1f, 2}, Check{2, "201501", "6000", 2.05f, 2}));

TEST_F(Blackbox, ChecksAcrossVersionsInOneRun) {
    init(2);
    const Check sequence[] = {
        {2, "201501", "2000", 1.0f, 1},  {2, "201501", "2000", 5.0f, 2},  // the second from the cache
        {2, "201601", "2000", 1.0f, -1},                                  // another version: the old row is not reused
        {2, "201601", "2001", 5.0f, 2},  {2, "201601", "2001", 5.2f, -2}, {2, "201501", "2001", 1.0f, -1},
        {2, "201501", "2000", 5.0f, 2},  {2, "209912", "2000", 0.0f, -1}, {2, "201501", "1000", 8.0f, 2},
    };
    for (const Check& c : sequence) {
        SCOPED_TRACE(std::string(c.version) + " " + c.seg + " " + std::to_string(c.km));
        const std::string version = fixed(c.version, 10);
        int32_t status = 99;
        lib_.check(version.data(), 10, c.seg, 4, &c.km, &status);
        EXPECT_EQ(status, c.status);
    }
}

TEST_F(Blackbox, ReinitialisationEmptiesTheLengthsAndRereadsThePoints) {
    const float km = 2.08f, one = 1.0f;
    int32_t status = 99;
    char seg[4];
    float out = 0;
    uint8_t obs, split;
    int32_t steps;
    struct {
        int32_t ndp;
        int32_t status;
        float km;
    } rounds[] = {{2, -2, 0.45f}, {1, 1, 0.5f}, {2, -2, 0.45f}};
    for (const auto& r : rounds) {
        SCOPED_TRACE(r.ndp);
        init(r.ndp);
        lib_.check("201501    ", 10, "6000", 4, &km, &status);
        EXPECT_EQ(status, r.status);
        lib_.forward(D15, 10, "6000", 4, " ", 1, &one, seg, 4, &out, &obs, &steps, &split);
        EXPECT_EQ(out, r.km);
    }
}

// ------------------------------------------ end date and last target

TEST_F(Blackbox, EndDatesWithinTheCallersLength) {
    init(2);
    struct {
        const char* seg;
        int32_t len;
        const char* out;
    } cases[] = {
        {"2000", 10, "2015-12-31##"},  // last group maps it elsewhere
        {"2001", 12, "2016-12-31##"},  // devolved; never more than 10 written
        {"1000", 10, "          ##"},  // goes on existing
        {"3000", 10, "          ##"},  //
        {"7000", 10, "          ##"},  // group without points
        {"2002", 10, "          ##"},  // in no group
        {"9999", 10, "          ##"},  //
        {"2000", 4, "2015########"},   // cut to the caller's length
        {"2000", 0, "############"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.seg) + " " + std::to_string(c.len));
        char buf[12];
        std::memset(buf, '#', sizeof buf);
        lib_.end_date(c.seg, 4, buf, c.len);
        EXPECT_EQ(std::string(buf, sizeof buf), c.out);
    }
}

TEST_F(Blackbox, LastTargetPaddedOrCut) {
    init(2);
    struct {
        int32_t len;
        const char* out;
    } cases[] = {{12, "201801      ##"},
                 {10, "201801    ####"},
                 {14, "201801        "},
                 {3, "201###########"},
                 {0, "##############"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.len);
        char buf[14];
        std::memset(buf, '#', sizeof buf);
        lib_.last_target(buf, c.len);
        EXPECT_EQ(std::string(buf, sizeof buf), std::string(c.out, sizeof buf));
    }

    // a failed initialisation leaves no group
    const std::string missing = (trtest::work_dir() / "no_such_folder").string();
    int32_t ndp = 2;
    lib_.init(&ndp, nullptr, 0, missing.data(), static_cast<int32_t>(missing.size()));
    char buf[12];
    std::memset(buf, '#', sizeof buf);
    lib_.last_target(buf, 12);
    EXPECT_EQ(std::string(buf, 12), std::string(12, ' '));
}

// ------------------------------------------- all versions and the report

struct Report {
    int32_t ndp;
    const char* date;
    const char* seg;
    const char* code;
    float km;
    std::vector<std::string> rows;  // trailing blanks not included
};

void PrintTo(const Report& c, std::ostream* os) {
    *os << "ndp " << c.ndp << " '" << c.date << "' " << c.seg << " '" << c.code << "' " << c.km;
}

class ReportCases : public Blackbox, public ::testing::WithParamInterface<Report> {};

TEST_P(ReportCases, DetailFile) {
    const Report& c = GetParam();
    init(c.ndp);
    int32_t mode = -1, status = 99;
    lib_.all(&mode, c.date, 10, c.seg, 4, c.code, 1, &c.km, &status);
    EXPECT_EQ(status, 0);
    std::vector<std::string> lines;
    std::istringstream in(report());
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
        lines.push_back(line);
    }
    std::vector<std::string> expected{"     Version  Eff Date    Seg    Km"};
    expected.insert(expected.end(), c.rows.begin(), c.rows.end());
    EXPECT_EQ(lines, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Blackbox, ReportCases,
    ::testing::Values(
        // three steps back; the oldest has no version and no date
        Report{2,
               D18,
               "1000",
               " ",
               3.2f,
               {" -3:                      1000   2.65", " -2: 201601   2016-01-01  1000   2.91",
                " -1: 201701   2017-01-01  1000   2.91", "  0: 201801   2018-01-01  1000   3.20"}},
        // the code as passed, a split step with its codes, a devolved step
        Report{2,
               D15,
               "2000",
               "e",
               1.0f,
               {"  0:          2015-06-01  2000   1.00           e",
                "  1: 201601   2016-01-01  2001   1.00     split NE", "  2: 201701   2017-01-01  DEL   -3.00"}},
        // observed, and carried on through the uncovered step
        Report{2,
               D15,
               "1000",
               " ",
               8.0f,
               {"  0:          2015-06-01  1000   8.00", "  1: 201601   2016-01-01  1000   8.81 Obs",
                "  2: 201701   2017-01-01  ERR   -2.00 Obs"}},
        // one decimal: a 5-column km and a blank
        Report{1,
               D15,
               "1000",
               " ",
               8.0f,
               {"  0:          2015-06-01  1000   8.0", "  1: 201601   2016-01-01  1000   8.8  Obs",
                "  2: 201701   2017-01-01  3000   3.3  Obs", "  3: 201801   2018-01-01  3000   3.3  Obs"}},
        // open date: no forward walk; one step back from the reversed split end
        Report{2,
               "2050-01-01",
               "2002",
               "S",
               4.0f,
               {" -1:                      2000   1.00", "  0: 201601   2016-01-01  2002   4.00     split SW"}},
        // blank date: forward from the end date, the input dated 2050-01-01
        Report{2,
               kNoDate,
               "2000",
               "S",
               1.0f,
               {"  0:          2050-01-01  2000   1.00           S",
                "  1: 201601   2016-01-01  2002   4.00     split SW"}},
        // the open end is not walked forward
        Report{2,
               D18,
               "4500",
               " ",
               0.5f,
               {"  0:          2018-06-01  4500   0.50", "  1: 201801   2050-01-02  4500   1.00"}},
        Report{2, "2050-01-01", "4500", " ", 0.5f, {"  0:          2050-01-01  4500   0.50"}},
        // the day after a year's last day of February, and after a day that does not exist
        Report{2,
               "2016-01-01",
               "8000",
               " ",
               0.5f,
               {"  0:          2016-01-01  8000   0.50", "  1: 201801   2016-02-29  8000   0.75"}},
        Report{2,
               "2015-01-01",
               "8001",
               " ",
               0.5f,
               {"  0:          2015-01-01  8001   0.50", "  1: 201801   ERROR       8001   0.75"}},
        Report{2,
               D18,
               "8001",
               " ",
               0.75f,
               {" -1:                      8001   0.50", "  0: 201801   ERROR       8001   0.75"}},
        // kms too wide for their columns
        Report{2, D15, "9999", " ", 1234.5f, {"  0:          2015-06-01  9999 ******"}},
        Report{1, D15, "9999", " ", 1234.5f, {"  0:          2015-06-01  9999 *****"}},
        Report{2, D15, "9999", " ", -10.5f, {"  0:          2015-06-01  9999 -10.50"}}));

TEST_F(Blackbox, DetailFileInTmpdirWithoutTemp) {
    init(2);
    const std::string keep = std::getenv("temp") ? std::getenv("temp") : "";
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string keep_tmpdir = tmpdir ? tmpdir : "";
    const trtest::fs::path alt = trtest::fresh_folder("tmpdir");
    ::unsetenv("temp");
    ::setenv("TMPDIR", alt.c_str(), 1);
    const float km = 1.0f;
    int32_t mode = -1, status = 99;
    lib_.all(&mode, D15, 10, "6000", 4, " ", 1, &km, &status);
    ::setenv("temp", keep.c_str(), 1);
    if (tmpdir) {
        ::setenv("TMPDIR", keep_tmpdir.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
    EXPECT_EQ(status, 0);
    EXPECT_NE(trtest::read_file(alt / "Hemzshift_Detail.txt").find("  1: 201601   2016-01-01  6000   0.45"),
              std::string::npos);
}

TEST_F(Blackbox, AllVersionsStatusByMode) {
    init(2);
    const float km = 2.0f;
    int32_t mode = 7, status = 99;
    lib_.all(&mode, D15, 10, "1000", 4, " ", 1, &km, &status);
    EXPECT_EQ(status, 0);
    mode = -9;
    status = 99;
    lib_.all(&mode, D15, 10, "1000", 4, " ", 1, &km, &status);
    EXPECT_EQ(status, 99);
}

// --------------------------------------------------- history entries

struct Entry {
    int32_t i;
    bool present;
    const char* version;
    const char* eff;
    const char* seg;
    float km;
    bool obs;
    bool split;
    const char* text;
};

void expect_entries(const Library& lib, const std::vector<Entry>& entries) {
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.i);
        uint8_t present = 0x55, obs = 0x55, split = 0x55;
        char version[10], eff[10], seg[4], text[6];
        std::memset(text, '#', sizeof text);
        float km = 99;
        lib.detail(&e.i, &present, version, 10, eff, 10, seg, 4, &km, &obs, &split, text, 6);
        EXPECT_EQ(present, e.present ? 0xFF : 0x00);
        EXPECT_EQ(std::string(version, 10), fixed(e.version, 10));
        EXPECT_EQ(std::string(eff, 10), fixed(e.eff, 10));
        EXPECT_EQ(std::string(seg, 4), fixed(e.seg, 4));
        EXPECT_EQ(km, e.km);
        if (e.present) {
            EXPECT_EQ(obs, e.obs ? 0xFF : 0x00);
            EXPECT_EQ(split, e.split ? 0xFF : 0x00);
            EXPECT_EQ(std::string(text, 6), fixed(e.text, 6));
        } else {
            EXPECT_EQ(std::string(text, 6), "######");
        }
    }
}

TEST_F(Blackbox, HistoryOfABlankDateTranslation) {
    init(2);
    const float km_in = 1.0f;
    char seg[4];
    float km;
    uint8_t obs, split;
    int32_t steps;
    lib_.to_version(kNoDate, 10, "2000", 4, "N", 1, &km_in, "201601    ", 10, seg, 4, &km, &obs, &steps, &split);
    expect_entries(lib_, {
                             {-1, false, "", "", "", -9.0f, false, false, ""},
                             {0, true, "", "2015-12-31", "2000", 1.0f, false, false, "N"},
                             {1, true, "201601", "2016-01-01", "2001", 1.0f, false, true, "NE"},
                             {2, true, "201701", "2017-01-01", "DEL", -3.0f, false, false, ""},
                             {3, false, "", "", "", -9.0f, false, false, ""},
                         });
}

TEST_F(Blackbox, HistoryOfABackStepFromASplitEnd) {
    init(2);
    const float km_in = 4.0f;
    char seg[4];
    float km;
    uint8_t obs, split;
    int32_t steps;
    lib_.to_version(D16, 10, "2002", 4, "s", 1, &km_in, "201601    ", 10, seg, 4, &km, &obs, &steps, &split);
    expect_entries(lib_, {
                             {-2, false, "", "", "", -9.0f, false, false, ""},
                             {-1, true, "", "", "2000", 1.0f, false, false, ""},
                             {0, true, "201601", "2016-01-01", "2002", 4.0f, false, true, "SW"},
                             {1, false, "", "", "", -9.0f, false, false, ""},
                         });
}

TEST_F(Blackbox, ForwardKeepsTheBackEntriesAndLeavesTheInputUnmarked) {
    init(2);
    const float back_km = 3.2f, km_in = 2.0f;
    int32_t mode = -9, status = 0;
    lib_.all(&mode, D18, 10, "1000", 4, " ", 1, &back_km, &status);
    char seg[4];
    float km;
    uint8_t obs, split;
    int32_t steps;
    lib_.forward(D15, 10, "1000", 4, " ", 1, &km_in, seg, 4, &km, &obs, &steps, &split);
    expect_entries(lib_, {
                             {-3, true, "", "", "1000", 2.65f, false, false, ""},
                             {-1, true, "201701", "2017-01-01", "1000", 2.91f, false, false, ""},
                             {0, false, "", "", "", -9.0f, false, false, ""},
                             {1, true, "201601", "2016-01-01", "1000", 2.2f, false, false, ""},
                             {3, true, "201801", "2018-01-01", "1000", 2.42f, false, false, ""},
                             {4, false, "", "", "", -9.0f, false, false, ""},
                         });
}

// ------------------------------------------------------------- the log

TEST_F(Blackbox, LogLines) {
    init(2);
    trtest::LogTail tail;
    char seg[4];
    float km;
    uint8_t obs, split;
    int32_t steps;
    const float two = 2.0f, eight = 8.01f, one = 1.0f;
    lib_.forward(D15, 10, "1000", 4, " ", 1, &two, seg, 4, &km, &obs, &steps, &split);
    lib_.forward(D15, 10, "1000", 4, " ", 1, &eight, seg, 4, &km, &obs, &steps, &split);
    lib_.to_version(D15, 10, "    ", 4, " ", 1, &one, "201601    ", 10, seg, 4, &km, &obs, &steps, &split);
    const std::string log = tail.text();
    EXPECT_NE(log.find("  1000 B   2.00 ==> 1000   2.42   3 transformations"), std::string::npos) << log;
    EXPECT_NE(log.find("*** No interpolation found: g,groupID, km:"), std::string::npos) << log;
    EXPECT_NE(log.find("dll_HEMZSHIFT_TO_HMZVERSION Enter:"), std::string::npos) << log;
    EXPECT_NE(log.find("*** No results found in Hemzshift_detail for: "), std::string::npos) << log;
    EXPECT_NE(log.find("No previous HMZ version found."), std::string::npos) << log;
    EXPECT_NE(log.find("     Version  Eff Date    Seg    Km"), std::string::npos) << log;
}

std::string today() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&t, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    return buf;
}

TEST_F(Blackbox, BlankDateWithoutEndDateIsToday) {
    init(2);
    trtest::LogTail tail;
    const float km_in = 2.0f;
    char seg[4];
    float km;
    uint8_t obs, split;
    int32_t steps;
    const std::string before = today();
    lib_.forward(kNoDate, 10, "1000", 4, " ", 1, &km_in, seg, 4, &km, &obs, &steps, &split);
    const std::string after = today();
    const std::string log = tail.text();
    EXPECT_TRUE(log.find("fromdate set to system date: " + before) != std::string::npos ||
                log.find("fromdate set to system date: " + after) != std::string::npos)
        << log;
}

}  // namespace
