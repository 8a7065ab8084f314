// The MapCase tab's tests: the main window loaded in the headless backend
// with a settings store, temporary and batch folders of the test's own, a
// recording launcher, a globe viewer of the test's own and fixture browser
// pages.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "common/TessawinMod.h"
#include "mapping/Case_LatLon.h"
#include "platform/settings/settings.h"
#include "platform/shell/browser_pages.h"
#include "platform/shell/scratch.h"
#include "platform/shell/shell.h"
#include "tests/support/headless.h"
#include "tests/tools/test_files.h"

namespace mapcase_test {

namespace fs = std::filesystem;

inline const std::string CRLF = "\r\n";

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One page of the fixture browser.
struct FixturePage : shell::BrowserPage {
    std::string title;
    bool html = true;
    std::vector<std::string> th;
    std::optional<std::string> working;  // the workingLatLong element's value
    std::string Title() override { return title; }
    bool IsHtml() override { return html; }
    std::vector<std::string> TextsOfTag(const std::string& tag) override {
        return tag == "th" ? th : std::vector<std::string>{};
    }
    std::optional<std::string> ValueOfFirstNamed(const std::string& name) override {
        return name == "workingLatLong" ? working : std::nullopt;
    }
};

struct FixtureBrowser : shell::BrowserPages {
    std::vector<FixturePage> pages;
    std::vector<std::unique_ptr<shell::BrowserPage>> Pages() override {
        std::vector<std::unique_ptr<shell::BrowserPage>> out;
        for (const auto& p : pages) out.push_back(std::make_unique<FixturePage>(p));
        return out;
    }
};

inline FixturePage ValidationPage(const std::string& th, std::optional<std::string> working) {
    FixturePage p;
    p.title = "VRQ860 Collision Validation";
    p.th = {"Date", th};
    p.working = std::move(working);
    return p;
}

class MapCaseTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        for (const char* sub : {"store", "temp", "batch", "viewer"}) fs::create_directories(dir_.path() / sub);
        settings::SetStoreFolder(dir_.file("store"));
        ::setenv("temp", dir_.file("temp").c_str(), 1);
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
        viewer_ = dir_.file("viewer/google-earth-pro");
        std::ofstream(viewer_) << "#!/bin/sh\n";
        ::chmod(viewer_.c_str(), 0755);
        shell::SetGlobeViewerInstallPaths({viewer_});
        browser_ = std::make_shared<FixtureBrowser>();
        shell::SetBrowserPages(browser_);
        MainForm::SetEndProcess([] {});
        if (!attached_) {
            Mapping_Attach(form());
            attached_ = true;
        }
        form().Load();
        form().txtBatchFolder.SetText(batch());
        form().txtAccase.SetText("");
        form().txtLatLon.SetText("");
        form().chkClipboard.SetValue(ui::vbUnchecked);
        form().optEarth.SetValue(true);
        form().Status.SetText("");
        CaseLatLon_Forget();
    }
    void TearDown() override {
        form().Unload();
        MainForm::SetEndProcess(nullptr);
        shell::SetBrowserPages(nullptr);
        shell::SetGlobeViewerInstallPaths({});
        shell::SetLauncher(nullptr);
        settings::SetStoreFolder("");
        ::unsetenv("temp");
        CaseLatLon_Forget();
        HeadlessTest::TearDown();
    }

    static MainForm& form() { return TheMainForm(); }
    static void click(const char* name) { ui::ClickButton(*form().Find<ui::CommandButton>(name)); }
    std::string batch() const { return dir_.file("batch"); }
    std::string status() const { return form().Status.Text(); }
    std::string status_lines_last() const {
        const std::string s = status();
        const auto nl = s.rfind('\n');
        return nl == std::string::npos ? s : s.substr(nl + 1);
    }
    void write_table(const std::string& text) const { std::ofstream(batch() + "/latlon.csv", std::ios::binary) << text; }
    // The one-placemark file the globe viewer was given, and its text.
    std::string kml_file(const std::string& label) const { return shell::PrivateTempFolder() + label + ".kml"; }
    std::vector<std::string> last_argv() const {
        return launcher_->calls.empty() ? std::vector<std::string>{} : launcher_->calls.back().argv;
    }

    testfiles::TempDir dir_;
    std::shared_ptr<shell::RecordingLauncher> launcher_;
    std::shared_ptr<FixtureBrowser> browser_;
    std::string viewer_;
    static inline bool attached_ = false;
};

}  // namespace mapcase_test
