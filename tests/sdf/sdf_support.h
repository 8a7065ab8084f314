// What the section-file suites share: the main window loaded in the headless
// backend with the SDF tab's commands, the program folder of the build (the
// translation library and the sample data set beside it), and a settings
// store, temporary folder, data and output folder of each test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"
#include "sdf/SDF_Utils.h"
#include "tests/support/headless.h"
#include "tests/tools/test_files.h"

namespace sdftest {

namespace fs = std::filesystem;

inline const std::string CRLF = "\r\n";

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Lines of a text, without their line ends; no entry after a final line end.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
        start = nl + 1;
    }
    return out;
}

// A headless backend whose event loop can act: on_events runs at every
// DoEvents with that call's number.
class EventsBackend : public ui::HeadlessBackend {
public:
    std::function<void(int call)> on_events;
    void DoEvents() override {
        HeadlessBackend::DoEvents();
        if (on_events) on_events(do_events_calls);
    }
};

class SdfTest : public testsupport::HeadlessTest {
protected:
    // Puts an EventsBackend in the place of the plain one.
    EventsBackend& UseEventsBackend() {
        auto b = std::make_shared<EventsBackend>();
        b->on_unexpected = ui_->on_unexpected;
        ui_ = b;
        ui::SetBackend(b);
        return *b;
    }

    void SetUp() override {
        HeadlessTest::SetUp();
        for (const char* sub : {"store", "temp", "data", "out"}) fs::create_directories(dir_.path() / sub);
        settings::SetStoreFolder(dir_.file("store"));
        const char* old = std::getenv("temp");
        had_temp_ = old != nullptr;
        if (old) old_temp_ = old;
        ::setenv("temp", dir_.file("temp").c_str(), 1);
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
        MainForm::SetEndProcess([] {});
        SAV_Forget_Database();
        form().Load();
        // the start-up sets the program folder: the build's, with the library
        saved_app_ = AppFolder;
        AppFolder = PROGRAM_FOLDER;
        if (!form().Find<ui::CommandButton>("cmdAddSDFfields")) Collisions_Attach(form());
        SDF_Attach(form());
        form().Status.SetText("");
        data_ = dir_.file("data") + "/";
        out_ = dir_.file("out") + "/";
    }
    void TearDown() override {
        if (form().Loaded()) form().Unload();
        MainForm::SetEndProcess(nullptr);
        SAV_Forget_Database();
        shell::SetLauncher(nullptr);
        settings::SetStoreFolder("");
        if (had_temp_)
            ::setenv("temp", old_temp_.c_str(), 1);
        else
            ::unsetenv("temp");
        AppFolder = saved_app_;
        HeadlessTest::TearDown();
    }

    static MainForm& form() { return TheMainForm(); }
    static std::string Status() { return form().Status.Text(); }
    static std::vector<std::string> StatusLines() {
        std::vector<std::string> lines;
        const std::string s = Status();
        std::size_t b = 0;
        for (;;) {
            const std::size_t e = s.find(CRLF, b);
            lines.push_back(s.substr(b, e == std::string::npos ? std::string::npos : e - b));
            if (e == std::string::npos) break;
            b = e + 2;
        }
        return lines;
    }
    static bool StatusHas(const std::string& text) { return Status().find(text) != std::string::npos; }

    // An SDF in the test's data folder, made the module's file in version v.
    std::string UseSdf(const std::string& text, const std::string& version = "201807",
                       const std::string& name = "sections.csv") {
        const std::string path = data_ + name;
        WriteFile(path, text);
        SDF_Set_HMZversion(version);
        SDF_Set_File(path);
        SDF_Set_OutFolder(out_);
        return path;
    }
    // The SDF tab's boxes filled for a file of the data folder.
    void FillTab(const std::string& name, const std::string& version = "201807") {
        form().SDF_folder.SetText(data_);
        form().SDF_file.SetText(name);
        form().SDF_HMZversion.SetText(version);
        form().Out_Folder.SetText(out_);
    }
    void Click(const std::string& button) {
        ui::CommandButton* b = form().Find<ui::CommandButton>(button);
        ASSERT_NE(b, nullptr) << button;
        ui::RunCommand([&] { b->OnClick(); });
    }

    testfiles::TempDir dir_;
    std::string data_, out_;
    std::shared_ptr<shell::RecordingLauncher> launcher_;

private:
    std::string saved_app_, old_temp_;
    bool had_temp_ = false;
};

}  // namespace sdftest
