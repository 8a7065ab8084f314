#include "platform/shell/shell.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace {

using Argv = std::vector<std::string>;

TEST(ProcessLauncher, WaitsAndReturnsTheExitCode) {
    shell::ProcessLauncher p;
    auto ok = p.Launch({"true"}, true);
    EXPECT_TRUE(ok.started);
    EXPECT_EQ(ok.exit_code, 0);
    auto fail = p.Launch({"false"}, true);
    EXPECT_TRUE(fail.started);
    EXPECT_EQ(fail.exit_code, 1);
}

TEST(ProcessLauncher, ArgumentsArriveUnsplitAndUninterpreted) {
    shell::ProcessLauncher p;
    EXPECT_EQ(p.Launch({"test", "a b; $HOME", "=", "a b; $HOME"}, true).exit_code, 0);
    EXPECT_EQ(p.Launch({"test", "a b", "=", "a"}, true).exit_code, 1);
}

TEST(ProcessLauncher, MissingProgramIsAStartFailure) {
    shell::ProcessLauncher p;
    for (const Argv& argv : {Argv{"no-such-program-tw"}, Argv{"/no/such/dir/prog"}, Argv{}, Argv{""}}) {
        auto r = p.Launch(argv, false);
        EXPECT_FALSE(r.started);
        EXPECT_EQ(r.error, ENOENT);
        EXPECT_FALSE(r.error_text.empty());
    }
}

TEST(ProcessLauncher, StartReturnsAtOnce) {
    shell::ProcessLauncher p;
    EXPECT_TRUE(p.Launch({"true"}, false).started);
    // A later start reaps the finished one; waiting must still work.
    EXPECT_EQ(p.Launch({"true"}, true).exit_code, 0);
}

class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        rec_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(rec_);
    }
    void TearDown() override { shell::SetLauncher(nullptr); }
    std::shared_ptr<shell::RecordingLauncher> rec_;
};

TEST_F(RecordingTest, DesktopRequestsGoThroughXdgOpen) {
    shell::OpenDocument("/out/fatal_data_202001.xlsx");
    shell::OpenInTextViewer("/opt/tw/readme.txt");
    shell::OpenWebPage("https://maps.example/?q=49.1,-123.2");
    shell::Start({"sort", "/in/x.csv"});
    auto r = shell::RunAndWait({"sort", "-o", "/out/y.csv"});
    EXPECT_TRUE(r.started);
    ASSERT_EQ(rec_->calls.size(), 5u);
    EXPECT_EQ(rec_->calls[0].argv, (Argv{"xdg-open", "/out/fatal_data_202001.xlsx"}));
    EXPECT_EQ(rec_->calls[1].argv, (Argv{"xdg-open", "/opt/tw/readme.txt"}));
    EXPECT_EQ(rec_->calls[2].argv, (Argv{"xdg-open", "https://maps.example/?q=49.1,-123.2"}));
    EXPECT_FALSE(rec_->calls[3].wait);
    EXPECT_TRUE(rec_->calls[4].wait);
}

TEST(Executable, FullPathOfTheRunningProgram) {
    std::string p = shell::ExecutablePath();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p[0], '/');
    EXPECT_EQ(p.substr(p.rfind('/') + 1), "shell_test");
}

// Sets variables for one test and puts them back after it.
class EnvTest : public ::testing::Test {
protected:
    void Set(const std::string& name, std::optional<std::string> value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    void TearDown() override {
        for (auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(EnvTest, Fallbacks) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    struct Case {
        std::map<std::string, std::optional<std::string>> env;
        std::string name, expected;
    };
    const Case cases[] = {
        {{{"temp", std::nullopt}, {"TMPDIR", "/var/tmp/me"}}, "temp", "/var/tmp/me"},
        {{{"temp", std::nullopt}, {"TMPDIR", std::nullopt}}, "temp", "/tmp"},
        {{{"temp", std::nullopt}, {"TMPDIR", ""}}, "temp", "/tmp"},
        {{{"temp", "/scratch"}, {"TMPDIR", "/var/tmp"}}, "temp", "/scratch"},
        {{{"TEMP", std::nullopt}, {"TMPDIR", "/t2"}}, "TEMP", "/t2"},
        {{{"USERNAME", std::nullopt}, {"USER", "analyst"}}, "USERNAME", "analyst"},
        {{{"USERNAME", "jdoe"}, {"USER", "analyst"}}, "USERNAME", "jdoe"},
        {{{"COMPUTERNAME", std::nullopt}}, "COMPUTERNAME", host},
        {{{"COMPUTERNAME", "WS-17"}}, "COMPUTERNAME", "WS-17"},
        {{{"TW_UNSET_VAR", std::nullopt}}, "TW_UNSET_VAR", ""},
        {{{"TW_SET_VAR", "v"}}, "TW_SET_VAR", "v"},
    };
    for (const auto& c : cases) {
        for (const auto& [n, v] : c.env) Set(n, v);
        EXPECT_EQ(shell::Environ(c.name), c.expected) << c.name;
    }
}

}  // namespace
