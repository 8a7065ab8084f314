// The entry points as the program sees them: the shared library loaded by
// name, real fixed-width buffers, one-byte flags.
#include <dlfcn.h>
#include <unistd.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "tests/support/child_test.h"
#include "tests/translation/tr_library.h"
#include "tests/translation/tr_support.h"
#include "translation/Hemzshift8.h"

namespace {

using trtest::Library;

class Exports : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        trtest::work_dir();
        ASSERT_NO_FATAL_FAILURE(trtest::load_library(HEMZSHIFT8_LIBRARY, lib_));
        data_ = new std::string(trtest::write_data_set().string());
    }
    void SetUp() override {
        ASSERT_NE(lib_.handle, nullptr);
        init(2);
    }
    void init(int32_t ndp, const char* target = nullptr, int32_t target_len = 0) {
        lib_.init(&ndp, target, target_len, data_->data(), static_cast<int32_t>(data_->size()));
        int32_t number = -1;
        char msg[80];
        lib_.error(&number, msg, sizeof msg);
        ASSERT_EQ(number, 0) << std::string(msg, sizeof msg);
    }
    static Library lib_;
    static std::string* data_;
};
Library Exports::lib_;
std::string* Exports::data_ = nullptr;

TEST_F(Exports, OnlyTheEntryPointsAreExported) {
    std::string cmd = std::string(NM_PROGRAM) + " -D --defined-only " + HEMZSHIFT8_LIBRARY;
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, p)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        std::size_t sp = s.rfind(' ');
        std::string name = s.substr(sp + 1);
        std::size_t at = name.find('@');
        if (at != std::string::npos) name.erase(at);
        char kind = sp >= 1 ? s[sp - 1] : '?';
        if (kind == 'A') continue;  // version nodes
        names.insert(name);
    }
    ASSERT_EQ(::pclose(p), 0);
    const std::set<std::string> expected = {"DLL_HEMZSHIFT_INIT",          "DLL_HEMZSHIFT",
                                            "DLL_HEMZSHIFT_TO_HMZVERSION", "DLL_HEMZSHIFT_ALL",
                                            "DLL_HEMZSHIFT_GET_DETAIL",    "DLL_HEMZSHIFT_CHECK_LOCN",
                                            "DLL_HEMZSHIFT_SEG34",         "DLL_HEMZSHIFT_GET_LAST_TARGET",
                                            "DLL_HEMZSHIFT_GET_END_DATE",  "DLL_HEMZSHIFT_GET_ERROR"};
    EXPECT_EQ(names, expected);
}

TEST_F(Exports, ForwardWithFixedWidthBuffersAndOneByteFlags) {
    char seg[6] = {'#', '#', '#', '#', '#', '#'};
    float km_in = 6.0f, km = 0;
    uint16_t obs = 0, split = 0x1234;  // two-byte Booleans of the caller
    int32_t steps = -1;
    lib_.forward("2018-06-01", 10, "0100", 4, " ", 1, &km_in, seg, 6, &km, reinterpret_cast<uint8_t*>(&obs), &steps,
                 reinterpret_cast<uint8_t*>(&split));
    EXPECT_EQ(std::string(seg, 6), "0400##");  // four characters, the rest untouched
    EXPECT_FLOAT_EQ(km, 0.6f);
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(obs, 0x00FF);
    EXPECT_EQ(split, 0x1200);

    char shorter[4] = {'#', '#', '#', '#'};
    lib_.forward("2018-06-01", 10, "0100", 4, " ", 1, &km_in, shorter, 2, &km, reinterpret_cast<uint8_t*>(&obs), &steps,
                 reinterpret_cast<uint8_t*>(&split));
    EXPECT_EQ(std::string(shorter, 4), "04##");  // never past the caller's length

    // Inputs are read only within their lengths.
    char date[10];
    std::memcpy(date, "2018-06-01", 10);
    lib_.forward(date, 10, "020", 3, "", 0, &km_in, seg, 4, &km, reinterpret_cast<uint8_t*>(&obs), &steps,
                 reinterpret_cast<uint8_t*>(&split));
    EXPECT_EQ(std::string(seg, 4), "020 ");
    EXPECT_EQ(steps, 0);
}

TEST_F(Exports, ToVersionAllAndDetail) {
    char seg[4];
    float km_in = 1.21f, km = 0;
    uint8_t obs = 7, split = 7;
    int32_t steps = -1;
    lib_.to_version("2021-03-01", 10, "0100", 4, " ", 1, &km_in, "201901    ", 10, seg, 4, &km, &obs, &steps, &split);
    EXPECT_EQ(std::string(seg, 4), "0100");
    EXPECT_FLOAT_EQ(km, 1.1f);
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(obs, 0);
    EXPECT_EQ(split, 0);

    int32_t mode = -1, status = 99;
    lib_.all(&mode, "2021-03-01", 10, "0100", 4, " ", 1, &km_in, &status);
    EXPECT_EQ(status, 0);
    const std::string report = trtest::read_file(trtest::work_dir() / "Hemzshift_Detail.txt");
    EXPECT_NE(report.find(" -2: 201901   2019-01-01  0100   1.10"), std::string::npos) << report;

    int32_t i = -2;
    uint8_t present = 0;
    char version[12], eff[12], dseg[4], text[6];
    std::memset(version, '#', sizeof version);
    std::memset(eff, '#', sizeof eff);
    float dkm = 0;
    lib_.detail(&i, &present, version, 12, eff, 12, dseg, 4, &dkm, &obs, &split, text, 6);
    EXPECT_EQ(present, 0xFF);
    EXPECT_EQ(std::string(version, 12), "201901    ##");  // exactly 10 written
    EXPECT_EQ(std::string(eff, 12), "2019-01-01##");
    EXPECT_EQ(std::string(dseg, 4), "0100");
    EXPECT_FLOAT_EQ(dkm, 1.1f);

    i = 6;
    present = 0x55;
    dkm = 0;
    lib_.detail(&i, &present, version, 12, eff, 12, dseg, 4, &dkm, &obs, &split, text, 6);
    EXPECT_EQ(std::string(version, 10), "* BAD i * ");
    EXPECT_EQ(dkm, -9.0f);
    EXPECT_EQ(present, 0x55);  // left as it was

    i = 4;  // no such step
    std::memcpy(text, "KEEPME", 6);
    lib_.detail(&i, &present, version, 12, eff, 12, dseg, 4, &dkm, &obs, &split, text, 6);
    EXPECT_EQ(present, 0);
    EXPECT_EQ(std::string(version, 10), std::string(10, ' '));
    EXPECT_EQ(dkm, -9.0f);
    EXPECT_EQ(std::string(text, 6), "KEEPME");

    ::setenv("HEMZSHIFT_VIEWER", "true", 1);
    mode = -2;
    lib_.all(&mode, "2021-03-01", 10, "0100", 4, " ", 1, &km_in, &status);
    EXPECT_GT(status, 32);
    ::unsetenv("HEMZSHIFT_VIEWER");

    mode = -9;
    status = 1234;
    lib_.all(&mode, "2021-03-01", 10, "0100", 4, " ", 1, &km_in, &status);
    EXPECT_EQ(status, 1234);
}

TEST_F(Exports, CheckEndDateLastTargetAndSeg34) {
    float km = 12.3455f;
    int32_t status = 0;
    lib_.check("201801    ", 10, "0700", 4, &km, &status);
    EXPECT_EQ(status, 2);

    char end[12];
    std::memset(end, '#', sizeof end);
    lib_.end_date("0200", 4, end, 12);
    EXPECT_EQ(std::string(end, 12), "2018-12-31##");

    char last[12];
    lib_.last_target(last, 12);
    EXPECT_EQ(std::string(last, 12), "202101      ");
    char six[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
    lib_.last_target(six, 6);
    EXPECT_EQ(std::string(six, 8), "202101##");

    struct {
        const char* in;
        const char* out;
    } cases[] = {{"123 ", "0123"}, {"1234", "1234"}, {"12  ", "012 "}};
    for (const auto& c : cases) {
        char s[4];
        std::memcpy(s, c.in, 4);
        lib_.seg34(s, 4);
        EXPECT_EQ(std::string(s, 4), c.out) << c.in;
    }
}

TEST_F(Exports, NotANumberKmIsUncovered) {
    char seg[4];
    float km_in = std::nanf(""), km = 0;
    uint8_t obs, split;
    int32_t steps;
    lib_.forward("2018-06-01", 10, "0100", 4, " ", 1, &km_in, seg, 4, &km, &obs, &steps, &split);
    EXPECT_EQ(std::string(seg, 4), "ERR ");
    EXPECT_EQ(km, -2.0f);
    int32_t status = 0;
    lib_.check("201801    ", 10, "0100", 4, &km_in, &status);
    EXPECT_EQ(status, -2);
}

TEST_F(Exports, TargetFromALongerBuffer) {
    init(2, "202001      ", 12);
    char seg[4];
    float km_in = 1.0f, km = 0;
    uint8_t obs, split;
    int32_t steps;
    lib_.forward("2018-06-01", 10, "0100", 4, " ", 1, &km_in, seg, 4, &km, &obs, &steps, &split);
    EXPECT_FLOAT_EQ(km, 1.1f);
    EXPECT_EQ(steps, 2);
}

TEST_F(Exports, NullArgumentsDoNoHarm) {
    lib_.forward(nullptr, 10, nullptr, 4, nullptr, 1, nullptr, nullptr, 4, nullptr, nullptr, nullptr, nullptr);
    lib_.to_version(nullptr, 10, nullptr, 4, nullptr, 1, nullptr, nullptr, 10, nullptr, 4, nullptr, nullptr, nullptr,
                    nullptr);
    lib_.all(nullptr, nullptr, 10, nullptr, 4, nullptr, 1, nullptr, nullptr);
    lib_.detail(nullptr, nullptr, nullptr, 10, nullptr, 10, nullptr, 4, nullptr, nullptr, nullptr, nullptr, 6);
    lib_.check(nullptr, -5, nullptr, -1, nullptr, nullptr);
    lib_.seg34(nullptr, 4);
    lib_.last_target(nullptr, 12);
    lib_.end_date(nullptr, 4, nullptr, 10);
    lib_.error(nullptr, nullptr, 10);
    int32_t number = -1;
    lib_.error(&number, nullptr, 0);
    EXPECT_EQ(number, 0);
}

TEST_F(Exports, MissingTablesComeBackThroughTheErrorExport) {
    const std::string missing = (trtest::work_dir() / "no_tables_here").string();
    int32_t ndp = 2;
    lib_.init(&ndp, nullptr, 0, missing.data(), static_cast<int32_t>(missing.size()));
    int32_t number = 0;
    char msg[120];
    lib_.error(&number, msg, sizeof msg);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(std::string(msg, 17), "*** Open Error: 2");
    EXPECT_NE(std::string(msg, sizeof msg).find("HMZ_Transform_Group.csv"), std::string::npos);

    char seg[4];
    float km_in = 1.0f, km = 0;
    uint8_t obs, split;
    int32_t steps;
    lib_.forward("2018-06-01", 10, "0100", 4, " ", 1, &km_in, seg, 4, &km, &obs, &steps, &split);
    EXPECT_EQ(std::string(seg, 4), "ERR ");
    EXPECT_EQ(km, -4.0f);
    int32_t status = 5;
    lib_.check("201801    ", 10, "0100", 4, &km_in, &status);
    EXPECT_EQ(status, -1);
    const std::string log = trtest::read_file(trtest::work_dir() / "Hemzshift8_mod_log.txt");
    EXPECT_NE(log.find("*** Open Error: 2"), std::string::npos);
}

// The log is not written out after every call, but nothing of it is lost: a
// process that makes many calls and exits has every call in its log. The
// child links its log where the parent reads it, since its own folder goes
// with it.
TEST_F(Exports, TheLogHoldsEveryCallAtExit) {
    const trtest::fs::path link = trtest::fs::temp_directory_path() / ("tw_log_" + std::to_string(::getpid()));
    ASSERT_NO_FATAL_FAILURE(testsupport::RunChildTest(trtest::fs::read_symlink("/proc/self/exe"),
                                                      "Exports.ChildMakesManyCallsAndExits", "TW_LOG_LINK", link));
    const std::string log = trtest::read_file(link);
    trtest::fs::remove(link);
    std::size_t n = 0;
    for (std::size_t at = log.find("CHECK_LOCN Enter: 201888"); at != std::string::npos;
         at = log.find("CHECK_LOCN Enter: 201888", at + 1))
        ++n;
    EXPECT_EQ(n, 500u);
}

TEST_F(Exports, ChildMakesManyCallsAndExits) {
    const char* link = std::getenv("TW_LOG_LINK");
    if (!link) GTEST_SKIP() << "run by TheLogHoldsEveryCallAtExit";
    float km = 1.0f;
    int32_t status = 0;
    for (int i = 0; i < 500; ++i) lib_.check("201888    ", 10, "0100", 4, &km, &status);
    ASSERT_EQ(::link((trtest::work_dir() / "Hemzshift8_mod_log.txt").c_str(), link), 0);
}

}  // namespace
