// What the inventory suites share: a private program folder, settings store,
// database cache and temporary folder per test; the headless backend; the
// main window's status box; small files and Jet fixtures.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"
#include "tests/support/headless.h"
#include "tests/tools/test_files.h"
#include "tools/jet_script.h"

namespace invtest {

namespace fs = std::filesystem;

inline const std::string CRLF = "\r\n";

// The all-versions table as the inventory has it.
inline const char* const kSegmentAllVersionsTable =
    "CREATE TABLE SegmentAllVersions (Segment TEXT(4), HMZVersion TEXT(6), Length SINGLE, Effective_Date DATETIME,\n"
    "  Highway_Number SHORT, Highway_Letter TEXT(1), Nway BYTE, Direction TEXT(2), Search_Sequence LONG,\n"
    "  Begin_Node TEXT(8), End_Node TEXT(8), Begin_Continuity TEXT(1), End_Continuity TEXT(1),\n"
    "  Opposite_Segment TEXT(4), Description TEXT(60));\n";

// Transformation data of two versions: segment 1000 grows from 10.5 to
// 11.25 km on 2018-07-01, segment 4000 is devolved then.
inline const char* const kGroups =
    "1,201807,'Main',1900-01-01,2018-06-30,1000,0\n"
    "2,201807,'Gone',1900-01-01,2018-06-30,4000,1\n";
inline const char* const kMatches =
    "M,1,x,0.0,1000,0.0,0\n"
    "M,1,x,10.5,1000,11.25,0\n";
inline const char* const kLengths =
    "HMZ_Version,Segment,Length\n"
    "201001,1000,10.5\n"
    "201001,4000,3.0\n"
    "201807,1000,11.25\n";

class InventoryTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        for (const char* sub : {"app", "store", "cache", "temp", "data"}) fs::create_directories(dir_.path() / sub);
        saved_app_ = AppFolder;
        AppFolder = app() + "/";
        settings::SetStoreFolder(file("store"));
        keep_env("XDG_CACHE_HOME", file("cache"));
        keep_env("temp", file("temp"));
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
        MainForm::SetEndProcess([] {});
        SAV_Forget_Database();
        Hemzshift_LastTarget.clear();
        Hemzshift_InitNdp = 0;
        TheMainForm().Status.SetText("");
    }
    // Loads the main window, as the program shows it; its start-up sets the
    // program folder, which goes back to the test's.
    void load_form() {
        TheMainForm().Load();
        AppFolder = app() + "/";
        TheMainForm().Status.SetText("");
    }
    void TearDown() override {
        if (TheMainForm().Loaded()) TheMainForm().Unload();
        MainForm::SetEndProcess(nullptr);
        SAV_Forget_Database();
        Hemzshift_LastTarget.clear();
        Hemzshift_InitNdp = 0;
        shell::SetLauncher(nullptr);
        for (auto it = env_.rbegin(); it != env_.rend(); ++it) {
            if (it->had)
                ::setenv(it->name.c_str(), it->old.c_str(), 1);
            else
                ::unsetenv(it->name.c_str());
        }
        settings::SetStoreFolder("");
        AppFolder = saved_app_;
        HeadlessTest::TearDown();
    }

    std::string file(const std::string& rel) const { return dir_.file(rel); }
    std::string app() const { return file("app"); }
    std::string data() const { return file("data"); }

    static void write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    // A Jet file from a script of CREATE TABLE and INSERT statements.
    static void write_mdb(const std::string& path, const std::string& script) {
        fs::create_directories(fs::path(path).parent_path());
        std::istringstream in(script);
        jet::write_script(in, path);
    }
    static void set_data_folder(DataKind kind, const std::string& folder) {
        settings::SaveSetting("Tessawin", "DataFolders", DataFolderKey(kind), folder);
    }
    // The transformation tables in a folder.
    static void write_translation_data(const std::string& folder, const std::string& groups = kGroups,
                                       const std::string& matches = kMatches, const std::string& lengths = kLengths) {
        write(folder + "/HMZ_Transform_Group.csv", groups);
        write(folder + "/HMZ_Transform_Match.csv", matches);
        write(folder + "/SegAllVersions.csv", lengths);
    }
    // The program folder holds the library, as an installed program's does.
    void library_in_program_folder() const {
        std::error_code ec;
        fs::create_symlink(HEMZSHIFT8_LIBRARY, fs::path(app()) / kHemzshiftLibraryFile, ec);
        ASSERT_FALSE(ec) << ec.message();
    }

    static std::string status() { return TheMainForm().Status.Text(); }
    static std::vector<std::string> status_lines() {
        std::vector<std::string> lines;
        const std::string s = status();
        std::size_t b = 0;
        for (;;) {
            const std::size_t e = s.find(CRLF, b);
            lines.push_back(s.substr(b, e == std::string::npos ? std::string::npos : e - b));
            if (e == std::string::npos) break;
            b = e + 2;
        }
        return lines;
    }

    testfiles::TempDir dir_;
    std::shared_ptr<shell::RecordingLauncher> launcher_;

private:
    struct SavedEnv {
        std::string name;
        bool had;
        std::string old;
    };
    void keep_env(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        env_.push_back({name, old != nullptr, old ? old : ""});
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<SavedEnv> env_;
    std::string saved_app_;
};

}  // namespace invtest
