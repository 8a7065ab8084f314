#include "platform/settings/settings.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tw_settings_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        settings::SetStoreFolder(dir_.string());
    }
    void TearDown() override {
        settings::SetStoreFolder("");
        fs::remove_all(dir_);
    }
    std::string FileText() {
        std::ifstream in(settings::StoreFile("Tessawin"), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    fs::path dir_;
};

TEST_F(SettingsStore, EveryMissGivesTheDefault) {
    EXPECT_EQ(settings::GetSetting("Tessawin", "mainform", "Top", "1200"), "1200");  // no file
    ASSERT_TRUE(settings::SaveSetting("Tessawin", "mainform", "Top", "300"));
    EXPECT_EQ(settings::GetSetting("Tessawin", "mainform", "Left", "17"), "17");  // no key
    EXPECT_EQ(settings::GetSetting("Tessawin", "ClassVol", "Top", "x"), "x");     // no section
    EXPECT_EQ(settings::GetSetting("Other", "mainform", "Top", ""), "");          // other application
    EXPECT_EQ(settings::GetSetting("Tessawin", "mainform", "Top", "1200"), "300");
}

TEST_F(SettingsStore, SectionAndKeyMatchInAnyCaseAndKeepOneEntry) {
    ASSERT_TRUE(settings::SaveSetting("Tessawin", "mainform", "LastOutfolder", "/data/out"));
    EXPECT_EQ(settings::GetSetting("Tessawin", "MAINFORM", "LastOutFolder"), "/data/out");
    ASSERT_TRUE(settings::SaveSetting("Tessawin", "MainForm", "LASTOUTFOLDER", "/data/new"));
    EXPECT_EQ(settings::GetSetting("Tessawin", "mainform", "LastOutFolder"), "/data/new");
    std::string text = FileText();
    EXPECT_EQ(text.find("[MainForm]"), std::string::npos) << text;
    EXPECT_EQ(text.find("LASTOUTFOLDER"), std::string::npos) << text;
    EXPECT_NE(text.find("LastOutfolder=/data/new"), std::string::npos) << text;
}

TEST_F(SettingsStore, AwkwardNamesAndValuesRoundTrip) {
    struct Case {
        std::string section, key, value;
    };
    const Case cases[] = {
        {"mainform", "Tab", ""},
        {"mainform", "LastCDEfile", "  two leading and trailing blanks  "},
        {"s", "key=with=equals", "value=with=equals"},
        {"s", "[looks like a section]", "x"},
        {"s", ";comment-like", "#also"},
        {"s", " padded key ", "v"},
        {"brackets]in[name", "k", "v"},
        {"s", "multi", "line one\r\nline two\nthree"},
        {"s", "back\\slash", "C:\\data\\x41\\"},
        {"s", "tab", "a\tb"},
        {"s", "latin1",
         "Montr\xe9"
         "al"},
        {"ClassVol", "chkCS(14)", "1"},
    };
    for (const Case& c : cases) ASSERT_TRUE(settings::SaveSetting("Tessawin", c.section, c.key, c.value));
    for (const Case& c : cases)
        EXPECT_EQ(settings::GetSetting("Tessawin", c.section, c.key, "<miss>"), c.value)
            << "[" << c.section << "] " << c.key;
    // Each value is on one line of its own.
    std::string text = FileText();
    EXPECT_EQ(text.find("line one\r"), std::string::npos);
}

TEST_F(SettingsStore, WritesAtomicallyIntoTheApplicationsFile) {
    ASSERT_TRUE(settings::SaveSetting("Tessawin", "mainform", "Top", "1"));
    EXPECT_EQ(settings::StoreFile("Tessawin"), (dir_ / "Tessawin.ini").string());
    EXPECT_TRUE(fs::exists(dir_ / "Tessawin.ini"));
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename(), "Tessawin.ini") << "left behind: " << entry.path();
}

TEST_F(SettingsStore, FailedWriteReportsAndKeepsTheOldFile) {
    ASSERT_TRUE(settings::SaveSetting("Tessawin", "mainform", "Top", "1"));
    // A folder where the temporary file should go blocks the write.
    fs::create_directories(dir_ / ("Tessawin.ini.tmp" + std::to_string(::getpid())) / "x");
    EXPECT_FALSE(settings::SaveSetting("Tessawin", "mainform", "Top", "2"));
    EXPECT_EQ(settings::GetSetting("Tessawin", "mainform", "Top"), "1");
}

TEST_F(SettingsStore, UnreadableStoreIsNotReplacedByOneKey) {
    ASSERT_TRUE(settings::SaveSetting("Tessawin", "SDFKML", "chkSDF_MarkKms", "1"));
    ASSERT_TRUE(settings::SaveSetting("Tessawin", "mainform", "Top", "1"));
    const std::string before = FileText();
    // Others may write the folder but not read the file; as root that needs
    // another user, so the save is tried in a child that drops to nobody.
    fs::permissions(dir_, fs::perms::all);
    fs::permissions(dir_ / "Tessawin.ini", fs::perms::owner_write);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        ::_exit(settings::SaveSetting("Tessawin", "mainform", "Top", "2") ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save should have been refused";
    fs::permissions(dir_ / "Tessawin.ini", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FileText(), before);
}

TEST_F(SettingsStore, HandWrittenFileIsRead) {
    fs::create_directories(dir_);
    std::ofstream(dir_ / "Tessawin.ini", std::ios::binary)
        << "; remembered inputs\r\n[mainform]\r\nTop=450\r\nnot a pair\r\n\r\n[SDFKML]\r\nchkSDF_MarkKms=1\r\n";
    EXPECT_EQ(settings::GetSetting("Tessawin", "mainform", "Top"), "450");
    EXPECT_EQ(settings::GetSetting("Tessawin", "sdfkml", "chkSDF_MarkKms"), "1");
    EXPECT_EQ(settings::GetSetting("Tessawin", "mainform", "not a pair", "d"), "d");
}

TEST(SettingsFolder, FollowsXdgConfigHomeAtEachCall) {
    const char* old_xdg = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old_xdg ? old_xdg : "";
    settings::SetStoreFolder("");
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg-a", 1);
    EXPECT_EQ(settings::StoreFolder(), "/tmp/xdg-a/Tessawin");
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg-b", 1);
    EXPECT_EQ(settings::StoreFile("Tessawin"), "/tmp/xdg-b/Tessawin/Tessawin.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (home && *home) {
        EXPECT_EQ(settings::StoreFolder(), std::string(home) + "/.config/Tessawin");
    }
    if (old_xdg)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
