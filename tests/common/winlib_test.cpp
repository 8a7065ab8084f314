#include "common/winlib.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/shell/shell.h"
#include "tests/support/child_test.h"
#include "tests/support/headless.h"

namespace fs = std::filesystem;

namespace {

const std::string CRLF = "\r\n";

class WinlibTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        dir_ = fs::temp_directory_path() / ("winlib_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        doc_ = (dir_ / "report.rtf").string();
        std::ofstream(doc_) << "{\\rtf1}";
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
    }
    void TearDown() override {
        shell::SetLauncher(nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
        HeadlessTest::TearDown();
    }
    fs::path dir_;
    std::string doc_;
    std::shared_ptr<shell::RecordingLauncher> launcher_;
};

TEST_F(WinlibTest, OpenfileOfAMissingFileSaysSoAndStartsNothing) {
    const std::string missing = (dir_ / "help.pdf").string();
    ui_->ExpectMsgBox(ui::vbOK, "File: " + missing + " not found.");
    win_Openfile(missing);
    EXPECT_EQ(ui_->shown.back().title, "win_Openfile");
    EXPECT_EQ(ui_->shown.back().buttons, ui::vbExclamation);
    EXPECT_TRUE(launcher_->calls.empty());
}

TEST_F(WinlibTest, OpenfileOpensWithTheAssociatedProgram) {
    win_Openfile(doc_);
    ASSERT_EQ(launcher_->calls.size(), 1u);
    EXPECT_EQ(launcher_->calls[0].argv.back(), doc_);
    EXPECT_FALSE(launcher_->calls[0].wait);
}

TEST_F(WinlibTest, WordOpenDocumentOfAMissingFileBeepsAndSaysSo) {
    const std::string missing = (dir_ / "none.rtf").string();
    ui_->ExpectMsgBox(ui::vbOK, "File not found:" + CRLF + CRLF + missing);
    Word_OpenDocument(missing);
    EXPECT_EQ(ui_->beeps, 1);
    EXPECT_EQ(ui_->shown.back().title, "Tessawin");
    EXPECT_TRUE(launcher_->calls.empty());
}

TEST_F(WinlibTest, WordOpenDocumentShowsTheDocumentOrReportsTheFailedStart) {
    Word_OpenDocument(doc_);
    ASSERT_EQ(launcher_->calls.size(), 1u);
    EXPECT_EQ(launcher_->calls[0].argv.back(), doc_);

    launcher_->result = shell::LaunchResult{false, ENOENT, "No such file or directory", -1};
    ui_->ExpectMsgBox(ui::vbOK, "Error 53 trying to open MS-Word" + CRLF + CRLF + "File not found");
    Word_OpenDocument(doc_);
    EXPECT_EQ(ui_->beeps, 0);
}

TEST(SplitCommandLine, WordsAndQuotes) {
    struct Case {
        std::string line;
        std::vector<std::string> words;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"sort in.csv", {"sort", "in.csv"}},
        {"  sort   in.csv  ", {"sort", "in.csv"}},
        {"sort \"/data/my file.csv\" -o out.csv", {"sort", "/data/my file.csv", "-o", "out.csv"}},
        {"prog \"\"", {"prog", ""}},
        {"prog \"say \"\"hi\"\"\"", {"prog", "say \"hi\""}},
        {"prog a\"b c\"d", {"prog", "ab cd"}},
        {"prog\ttab", {"prog", "tab"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(tessawin::SplitCommandLine(c.line), c.words);
    }
}

TEST_F(WinlibTest, ShellAndWaitStartsTheCommandAndWaits) {
    Shell_And_Wait("sort \"" + doc_ + "\" /O out.csv", 0);
    ASSERT_EQ(launcher_->calls.size(), 1u);
    EXPECT_EQ(launcher_->calls[0].argv, (std::vector<std::string>{"sort", doc_, "/O", "out.csv"}));
    EXPECT_TRUE(launcher_->calls[0].wait);
}

TEST_F(WinlibTest, ShellAndWaitReturnsOnlyWhenTheProgramHasEnded) {
    shell::SetLauncher(nullptr);
    const std::string marker = (dir_ / "done.txt").string();
    // The program writes its file as its last act; it is there when the call returns.
    Shell_And_Wait("sh -c \"sleep 0.2; echo done > '" + marker + "'\"", 1);
    std::ifstream in(marker);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "done");
}

TEST_F(WinlibTest, ShellAndWaitOfAProgramThatCannotStartRaisesAnError) {
    shell::SetLauncher(nullptr);
    EXPECT_THROW(Shell_And_Wait((dir_ / "no-such-program").string() + " x", 1), std::system_error);
    EXPECT_THROW(Shell_And_Wait("   ", 1), std::system_error);
}

// Run by the test below from a copy of this program at a long path.
TEST(AppExeFullNameChild, WritesItsPath) {
    const char* out = std::getenv("TW_EXE_PATH_OUT");
    if (!out) GTEST_SKIP() << "run by AppExeFullName.WholePathHoweverLong";
    std::ofstream(out) << App_ExeFullName();
}

TEST(AppExeFullName, WholePathHoweverLong) {
    const fs::path base = fs::temp_directory_path() / ("winlib_exe_" + std::to_string(::getpid()));
    fs::path deep = base;
    for (int i = 0; i < 6; ++i) deep /= std::string(60, static_cast<char>('a' + i));
    fs::create_directories(deep);
    const fs::path copy = deep / "winlib_copy";
    fs::copy_file(fs::read_symlink("/proc/self/exe"), copy);
    ASSERT_GT(copy.string().size(), 360u);
    const fs::path out = base / "path.txt";

    ASSERT_NO_FATAL_FAILURE(
        testsupport::RunChildTest(copy, "AppExeFullNameChild.WritesItsPath", "TW_EXE_PATH_OUT", out));
    std::ifstream in(out);
    std::string path((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(path, copy.string());
    std::error_code ec;
    fs::remove_all(base, ec);
}

}  // namespace
