#include "common/TessawinMod.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string CRLF = "\r\n";

class TessawinModTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tessawinmod_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        for (const char* v : {"USERNAME", "COMPUTERNAME"}) {
            const char* old = std::getenv(v);
            saved_.push_back({v, old ? std::optional<std::string>(old) : std::nullopt});
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        tessawin::SetDeveloperSite(tessawin::DefaultDeveloperSite());
        tessawin::SetStatusWriter(nullptr);
        tessawin::SetTraceWriter(nullptr);
        Trace_FileNo = 0;
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(TessawinModTest, ProgramWideStateStartsEmpty) {
    EXPECT_EQ(AppFolder, "");
    EXPECT_EQ(TempFolder, "");
    EXPECT_FALSE(SDF_Cancel);
    EXPECT_EQ(Trace_FileNo, 0);
    EXPECT_FALSE(DevMode);
}

TEST_F(TessawinModTest, TracePrintWritesOnlyWhileTheTraceLogIsOpen) {
    std::vector<std::string> lines;
    Trace_Print("no writer, no log");
    Trace_FileNo = 3;
    Trace_Print("log number set, no writer yet");
    tessawin::SetTraceWriter([&](const std::string& line) { lines.push_back(line); });
    Trace_Print("HMZ A: fn: x");
    Trace_FileNo = 0;
    Trace_Print("log closed");
    EXPECT_EQ(lines, std::vector<std::string>{"HMZ A: fn: x"});
}

TEST_F(TessawinModTest, FileOpenErrorMsgGivesNumberKindNameAndDescription) {
    const std::string in_dir = (dir_ / "out.csv").string();
    const std::string no_dir = (dir_ / "missing" / "out.csv").string();
    struct Case {
        int err;
        std::string kind, file;
        int number;
        std::string description;
    } cases[] = {
        {EACCES, "output", in_dir, 70, "Permission denied"}, {EROFS, "output HTML", in_dir, 70, "Permission denied"},
        {ENOENT, "input", in_dir, 53, "File not found"},     {ENOENT, "input", no_dir, 76, "Path not found"},
        {ENOSPC, "output", in_dir, 61, "Disk full"},         {EMFILE, "input", in_dir, 67, "Too many files"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        EXPECT_EQ(FileOpenErrorMsg(c.kind, c.file, c.err), "Error " + std::to_string(c.number) +
                                                               " while trying to open " + c.kind + " file:" + CRLF +
                                                               c.file + CRLF + CRLF + c.description);
    }
}

TEST_F(TessawinModTest, FileOpenErrorMsgReportsTheOpenThatJustFailed) {
    const std::string name = (dir_ / "no such folder" / "x.csv").string();
    std::FILE* f = std::fopen(name.c_str(), "w");
    ASSERT_EQ(f, nullptr);
    EXPECT_EQ(FileOpenErrorMsg("output", name),
              "Error 76 while trying to open output file:" + CRLF + name + CRLF + CRLF + "Path not found");
}

TEST_F(TessawinModTest, AtBrellinRecognisesTheDevelopersMachines) {
    const std::string marker = (dir_ / "marker.txt").string();
    std::ofstream(marker) << "dev\n";
    const std::string no_marker = (dir_ / "none.txt").string();
    struct Case {
        std::string user, computer, marker_file;
        bool at;
    } cases[] = {
        {"devuser", "office-pc", marker, true},      // user and marker together
        {"devuser", "office-pc", no_marker, false},  // the user alone is not enough
        {"DevUser", "office-pc", marker, false},     // exact case
        {"someone", "DEV-A", no_marker, true},       // either computer alone
        {"someone", "DEV-B", no_marker, true},      {"someone", "dev-b", marker, false},
        {"someone", "office-pc", marker, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user + " " + c.computer + " " + c.marker_file);
        tessawin::SetDeveloperSite({"devuser", c.marker_file, "DEV-A", "DEV-B"});
        ::setenv("USERNAME", c.user.c_str(), 1);
        ::setenv("COMPUTERNAME", c.computer.c_str(), 1);
        EXPECT_EQ(AtBrellin(), c.at);
    }
}

TEST_F(TessawinModTest, AtBrellinTellsTheStatusBoxWhenTrue) {
    tessawin::SetDeveloperSite({"devuser", "", "DEV-A", "DEV-B"});
    std::string status;
    tessawin::SetStatusWriter([&](const std::string& mes, bool append, const std::string& sep) {
        status = append ? status + sep + mes : mes;
    });
    ::setenv("COMPUTERNAME", "office-pc", 1);
    EXPECT_FALSE(AtBrellin());
    EXPECT_EQ(status, "");
    ::setenv("COMPUTERNAME", "DEV-A", 1);
    EXPECT_TRUE(AtBrellin());
    EXPECT_EQ(status, CRLF + "AtBrellin");
    // Without a window, nothing is written and nothing fails.
    tessawin::SetStatusWriter(nullptr);
    EXPECT_TRUE(AtBrellin());
}

}  // namespace
