// The main window loaded in the headless backend, with a settings store,
// a temporary folder and a data folder of the test's own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"
#include "tests/support/headless.h"

namespace collisions_test {

namespace fs = std::filesystem;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Lines of a text, without their CR LF.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        start = nl + 1;
    }
    return out;
}

class CollisionsTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        dir_ = fs::temp_directory_path() / ("coll_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "store");
        fs::create_directories(dir_ / "temp");
        fs::create_directories(dir_ / "data");
        fs::create_directories(dir_ / "out");
        data_ = (dir_ / "data").string() + "/";
        out_ = (dir_ / "out").string() + "/";
        settings::SetStoreFolder((dir_ / "store").string());
        ::setenv("temp", (dir_ / "temp").c_str(), 1);
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
        MainForm::SetEndProcess([] {});
        form().Load();
        form().Status.SetText("");
    }
    void TearDown() override {
        form().Unload();
        MainForm::SetEndProcess(nullptr);
        shell::SetLauncher(nullptr);
        settings::SetStoreFolder("");
        ::unsetenv("temp");
        std::error_code ec;
        fs::remove_all(dir_, ec);
        HeadlessTest::TearDown();
    }

    static MainForm& form() { return TheMainForm(); }
    std::string Status() const { return form().Status.Text(); }
    std::vector<std::string> StatusLines() const { return Lines(Status()); }
    // Titles and prompts of the boxes shown, in order.
    std::vector<std::string> Prompts() const {
        std::vector<std::string> p;
        for (const auto& b : ui_->shown) p.push_back(b.prompt);
        return p;
    }

    fs::path dir_;
    std::string data_;
    std::string out_;
    std::shared_ptr<shell::RecordingLauncher> launcher_;
};

}  // namespace collisions_test
