#include "inventory/Hemzshifts8.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/inventory/inventory_support.h"
#include "tests/support/child_test.h"

namespace {

using invtest::CRLF;
namespace fs = std::filesystem;

class Hemzshifts8Test : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(library_in_program_folder());
        write_translation_data(data());
        set_data_folder(DataKind::Translation, data());
    }
    static std::string label() { return TheMainForm().lblLastTarget.Caption(); }
    static std::string label_for(const std::string& v) {
        return "Latest HMZ version in the provided transformation data files: " + v;
    }
};

TEST_F(Hemzshifts8Test, InitTakesTheProgramFolderWhenItHoldsTheGroupTable) {
    Hemzshift_Init(2);
    EXPECT_EQ(label(), label_for("201807")) << "the data folder";
    EXPECT_EQ(Hemzshift_InitNdp, 2);

    write_translation_data(app(), "1,201901,'Main',1900-01-01,2018-06-30,1000,0\n");
    Hemzshift_LastTarget.clear();
    Hemzshift_Init(2);
    EXPECT_EQ(label(), label_for("201901"));
    EXPECT_EQ(Hemzshift_LastTarget, "201901");
}

TEST_F(Hemzshifts8Test, InitAgainOnlyForOtherDecimals) {
    Hemzshift_Init(2);
    EXPECT_EQ(Hemzshift_LastTarget, "201807");
    // Tables that changed since are not read by an initialisation with the
    // same decimals: none is made.
    write_translation_data(data(), "1,202001,'Main',1900-01-01,2018-06-30,1000,0\n");
    TheMainForm().lblLastTarget.SetCaption("untouched");
    Hemzshift_Init(2);
    EXPECT_EQ(label(), "untouched");
    Hemzshift_Init(1);
    EXPECT_EQ(label(), label_for("202001"));
    EXPECT_EQ(Hemzshift_InitNdp, 1);
}

TEST_F(Hemzshifts8Test, TranslationsTakeFixedWidthTextsAndKeepSentinelBlanks) {
    Hemzshift_InitDLL(2, " ", data() + "/");
    struct Case {
        const char* date;
        const char* segment;
        float km;
        const char* out_segment;
        float out_km;
    } cases[] = {
        {"2015-01-01", "1000", 5.0f, "1000", 5.36f},
        {"2015/01/01", "1000", 5.0f, "1000", 5.36f},   // read as 2015-01-01
        {"2015.01.01", "10005", 5.0f, "1000", 5.36f},  // a longer segment loses its tail
        {"2015-01-01", "4000", 1.0f, "DEL ", -3.0f},
        {"2015-01-01", "7777", 1.0f, "7777", 1.0f},  // no group moves it
    };
    for (const Case& c : cases) {
        std::string seg = "x";
        float km = 0;
        bool obs = true, split = true;
        int32_t steps = -1;
        Hemzshift_Translate(c.date, c.segment, " ", c.km, seg, km, obs, steps, split);
        EXPECT_EQ(seg, c.out_segment) << c.date << " " << c.segment;
        EXPECT_FLOAT_EQ(km, c.out_km) << c.date << " " << c.segment;
        EXPECT_FALSE(split);
    }
    std::string seg;
    float km = 0;
    bool obs = false, split = false;
    int32_t steps = 0;
    Hemzshift_ToVersion("", "1000", " ", 11.25f, "201001", seg, km, obs, steps, split);
    EXPECT_EQ(seg, "1000");
    EXPECT_FLOAT_EQ(km, 10.5f);
    Hemzshift_ToVersion("2015-01-01", "7777", " ", 1.0f, "201807", seg, km, obs, steps, split);
    EXPECT_EQ(seg, "OFF ");
    EXPECT_FLOAT_EQ(km, -1.0f);

    int32_t status = 9;
    Hemzshift_CheckLocn("201807", "1000", 11.25f, status);
    EXPECT_EQ(status, 2) << "at the end";
    Hemzshift_CheckLocn("201807", "4000", 1.0f, status);
    EXPECT_EQ(status, -1);
}

TEST_F(Hemzshifts8Test, ImpossibleDatesNeverReachTheLibrary) {
    Hemzshift_InitDLL(2, " ", data() + "/");
    for (const char* date : {"2015-02-30", "2015-13-01", "15-01-01", "2015-01-0x"}) {
        ui_->ExpectMsgBox(ui::vbOK, std::string("Invalid date ") + date);
        std::string seg;
        float km = 0;
        bool obs = false, split = false;
        int32_t steps = 0;
        EXPECT_THROW(Hemzshift_Translate(date, "1000", " ", 1.0f, seg, km, obs, steps, split), ui::CommandAbandoned);
        EXPECT_EQ(ui_->shown.back().title, "Hemzshift_Translate");
    }
}

TEST_F(Hemzshifts8Test, EndDateAndLastTarget) {
    Hemzshift_InitDLL(2, " ", data() + "/");
    std::string d;
    Hemzshift_GetEndDate("4000", d);
    EXPECT_EQ(d, "2018-06-30");
    Hemzshift_GetEndDate("7777", d);
    EXPECT_EQ(d, std::string(10, ' '));
    std::string v;
    Hemzshift_GetLastTarget(v);
    EXPECT_EQ(v, "201807");
}

TEST_F(Hemzshifts8Test, GetSegDateTakesOnlyOneOrTwoDecimals) {
    struct Case {
        const char* box;
        int16_t before;
        int16_t used;
    } cases[] = {
        {"", 0, 2}, {"abc", 0, 2}, {"1", 0, 1}, {" 2 ", 1, 2}, {"3", 0, 2}, {"3", 1, 1}, {"-1", 0, 2}, {"0", 0, 2},
    };
    for (const Case& c : cases) {
        TheMainForm().txtHMZ_NDP.SetText(c.box);
        Hemzshift_LastTarget.clear();
        Hemzshift_InitNdp = c.before;
        EXPECT_EQ(Hemzshift_GetSegDate("4000"), "2018-06-30") << c.box;
        EXPECT_EQ(Hemzshift_InitNdp, c.used) << "box \"" << c.box << "\" after " << c.before;
    }
}

TEST(Pad_Seg4_0, OnlyThreeCharactersGetTheZero) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {{"550", "0550"}, {"0550", "0550"}, {"55", "55"}, {"", ""}, {"12345", "12345"}};
    for (const Case& c : cases) {
        std::string s = c.in;
        Pad_Seg4_0(s);
        EXPECT_EQ(s, c.out) << c.in;
    }
}

TEST_F(Hemzshifts8Test, ShowAllAppendsTheReportWithItsExplanations) {
    TheMainForm().ShowStatus("before");
    Hemzshift_ShowAll("2015-01-01", "4000", " ", 1.0f, 2);
    const auto lines = status_lines();
    ASSERT_GE(lines.size(), 4u) << status();
    EXPECT_EQ(lines[0], "before");
    EXPECT_EQ(lines[1], "     Version  Eff Date    Seg    Km");
    EXPECT_EQ(lines.back(), "The segment was devolved.");
    EXPECT_NE(lines[lines.size() - 2].find("-3.00"), std::string::npos) << lines[lines.size() - 2];
    EXPECT_TRUE(fs::exists(file("temp/Hemzshift_Detail.txt"))) << "written where it is read";
}

TEST_F(Hemzshifts8Test, ShowAllOfAReportThatCouldNotBeWrittenSaysOnlyTheError) {
    TheMainForm().ShowStatus("before");
    ::setenv("temp", file("no such folder").c_str(), 1);
    Hemzshift_ShowAll("2015-01-01", "1000", " ", 1.0f, 2);
    EXPECT_EQ(status(), "Error 2 returned from HEMZSHIFT dll. See file Hemzshift8_mod_log.txt for details.");
}

TEST_F(Hemzshifts8Test, ALibraryStoppedByItsDataAbandonsTheCommand) {
    // The match table is missing: the initialisation fails.
    fs::remove(data() + "/HMZ_Transform_Match.csv");
    ui_->ExpectMsgBox(ui::vbOK, "HMZ_Transform_Match.csv");
    EXPECT_THROW(Hemzshift_Init(2), ui::CommandAbandoned);
    EXPECT_EQ(ui_->shown.back().title, "Hemzshift_InitDLL");
    EXPECT_NE(ui_->shown.back().prompt.find("See file Hemzshift8_mod_log.txt for details."), std::string::npos);
    EXPECT_EQ(Hemzshift_LastTarget, "");

    // The segment lengths are missing: the first location check fails, and
    // the next Hemzshift_Init initialises again.
    write_translation_data(data());
    fs::remove(data() + "/SegAllVersions.csv");
    Hemzshift_Init(2);
    int32_t status = 0;
    ui_->ExpectMsgBox(ui::vbOK, "SegAllVersions.csv");
    EXPECT_THROW(Hemzshift_CheckLocn("201807", "1000", 1.0f, status), ui::CommandAbandoned);
    EXPECT_EQ(ui_->shown.back().title, "Hemzshift_CheckLocn");
    EXPECT_EQ(Hemzshift_LastTarget, "");
    write_translation_data(data());
    Hemzshift_Init(2);
    Hemzshift_CheckLocn("201807", "1000", 1.0f, status);
    EXPECT_EQ(status, 1);
}

// ------------------------------------------------ libraries that fall short
// Each runs in a child process of its own: a loaded library stays loaded.

class Hemzshifts8Child : public invtest::InventoryTest {
protected:
    void SetUp() override {
        folder_ = std::getenv("TW_TEST_PROGRAM_FOLDER");
        if (!folder_) GTEST_SKIP() << "run by Hemzshifts8Loading";
        InventoryTest::SetUp();
        AppFolder = folder_;
        write_translation_data(data());
        set_data_folder(DataKind::Translation, data());
    }
    void TearDown() override {
        if (folder_) InventoryTest::TearDown();
    }
    const char* folder_ = nullptr;
};

TEST_F(Hemzshifts8Child, MissingLibrary) {
    ui_->ExpectMsgBox(ui::vbOK, "libHemzshift8.so could not be loaded");
    EXPECT_THROW(Hemzshift_Init(2), ui::CommandAbandoned);
    EXPECT_EQ(ui_->shown.back().title, "Hemzshift_InitDLL");
    // Asked again at the next call, and still missing.
    ui_->ExpectMsgBox(ui::vbOK, "libHemzshift8.so could not be loaded");
    std::string d;
    EXPECT_THROW(Hemzshift_GetEndDate("1000", d), ui::CommandAbandoned);
}

TEST_F(Hemzshifts8Child, MissingEntryPoint) {
    ui_->ExpectMsgBox(ui::vbOK, "has no entry point DLL_HEMZSHIFT_GET_ERROR");
    EXPECT_THROW(Hemzshift_Init(2), ui::CommandAbandoned);
    EXPECT_NE(ui_->shown.back().prompt.find(std::string(folder_) + "libHemzshift8.so"), std::string::npos)
        << "the program folder's copy: " << ui_->shown.back().prompt;
}

TEST_F(Hemzshifts8Child, MissingReport) {
    TheMainForm().ShowStatus("before");
    Hemzshift_ShowAll("2015-01-01", "1000", " ", 1.0f, 2);
    const auto lines = status_lines();
    ASSERT_EQ(lines.size(), 2u) << status();
    EXPECT_EQ(lines[0], "before");
    EXPECT_EQ(lines[1], "The transformation detail report " + file("temp") +
                            "/Hemzshift_Detail.txt could not be read: No such file or directory");
}

class Hemzshifts8Loading : public ::testing::Test {
protected:
    static void run(const std::string& test, const std::string& folder) {
        ASSERT_NO_FATAL_FAILURE(testsupport::RunChildTest(
            fs::read_symlink("/proc/self/exe"), "Hemzshifts8Child." + test, "TW_TEST_PROGRAM_FOLDER", folder));
    }
    testfiles::TempDir empty_;
};

TEST_F(Hemzshifts8Loading, MissingLibraryIsNamedAndTheProgramStaysUp) {
    run("MissingLibrary", empty_.path().string() + "/");
}
TEST_F(Hemzshifts8Loading, MissingEntryPointIsNamed) {
    run("MissingEntryPoint", STUB_BARE_FOLDER);
}
TEST_F(Hemzshifts8Loading, MissingReportIsSaidInTheStatusBox) {
    run("MissingReport", STUB_FULL_FOLDER);
}

}  // namespace
