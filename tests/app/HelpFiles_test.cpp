// The help and read-me buttons of every window open files of the program
// folder, and each of those files is installed there; a help file that is
// missing anyway gets a box that names it, and nothing is started.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "common/TessawinMod.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"
#include "sdf/frmSDF_KML.h"
#include "sections/frmShortSections.h"
#include "tests/support/headless.h"

namespace fs = std::filesystem;

namespace {

struct HelpButton {
    const char* button;  // the window and the button, for the messages
    const char* file;    // what it opens, in the program folder
    std::function<ui::CommandButton&()> find;
};

ui::CommandButton& MainButton(const char* name) {
    auto* b = TheMainForm().Find<ui::CommandButton>(name);
    if (!b) throw std::runtime_error(std::string("no button ") + name);
    return *b;
}

const std::vector<HelpButton>& Buttons() {
    static const std::vector<HelpButton> buttons = {
        {"MainForm.cmdReadMe", "readme.txt", []() -> ui::CommandButton& { return TheMainForm().cmdReadMe; }},
        {"MainForm.cmdCDErequirements", "CDE_for_CD.txt",
         []() -> ui::CommandButton& { return MainButton("cmdCDErequirements"); }},
        {"MainForm.cmdSSA_Help1", "Process_for_creating_Combined_CPL_Stats.pdf",
         []() -> ui::CommandButton& { return MainButton("cmdSSA_Help1"); }},
        {"MainForm.cmdHMZhelp", "HMZhelp.txt", []() -> ui::CommandButton& { return MainButton("cmdHMZhelp"); }},
        {"MainForm.vol_help", "Tessawin_VolumeTab_Help.pdf",
         []() -> ui::CommandButton& { return MainButton("vol_help"); }},
        {"frmSDF_KML.cmdHelp", "SDF_KML_help.txt", []() -> ui::CommandButton& { return TheSDF_KMLForm().cmdHelp; }},
        {"frmShortSections.cmdHelp", "ShortSections_Help.txt",
         []() -> ui::CommandButton& { return TheShortSectionsForm().cmdHelp; }},
    };
    return buttons;
}

class HelpFilesTest : public testsupport::HeadlessTest {
protected:
    static void SetUpTestSuite() {
        MainForm& f = TheMainForm();
        Inventory_Attach(f);
        Collisions_Attach(f);
        SDF_Attach(f);
        Mapping_Attach(f);
        Sections_Attach(f);
    }
    void SetUp() override {
        HeadlessTest::SetUp();
        dir_ = fs::temp_directory_path() / ("helpfiles_" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "store");
        fs::create_directories(dir_ / "temp");
        fs::create_directories(dir_ / "empty");
        settings::SetStoreFolder((dir_ / "store").string());
        ::setenv("temp", (dir_ / "temp").c_str(), 1);
        MainForm::SetEndProcess([] {});
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
        TheMainForm().Show();
        TheSDF_KMLForm().Load();
        TheShortSectionsForm().Load();
    }
    void TearDown() override {
        TheShortSectionsForm().Unload();
        TheSDF_KMLForm().Unload();
        TheMainForm().Unload();
        shell::SetLauncher(nullptr);
        MainForm::SetEndProcess(nullptr);
        settings::SetStoreFolder("");
        ::unsetenv("temp");
        std::error_code ec;
        fs::remove_all(dir_, ec);
        HeadlessTest::TearDown();
    }
    fs::path dir_;
    std::shared_ptr<shell::RecordingLauncher> launcher_;
};

TEST_F(HelpFilesTest, EveryHelpButtonOpensAFileOfTheProgramFolder) {
    AppFolder = PROGRAM_FOLDER;
    for (const HelpButton& b : Buttons()) {
        SCOPED_TRACE(b.button);
        launcher_->calls.clear();
        ui::ClickButton(b.find());
        ASSERT_EQ(launcher_->calls.size(), 1u);
        const std::string opened = launcher_->calls[0].argv.back();
        EXPECT_EQ(opened, std::string(PROGRAM_FOLDER) + b.file);
        EXPECT_TRUE(fs::is_regular_file(opened)) << opened << " is not installed";
        EXPECT_GT(fs::file_size(opened), 500u) << opened;
    }
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(HelpFilesTest, AMissingHelpFileIsNamedInABox) {
    AppFolder = (dir_ / "empty").string() + "/";
    for (const HelpButton& b : Buttons()) {
        SCOPED_TRACE(b.button);
        launcher_->calls.clear();
        const std::string missing = AppFolder + b.file;
        ui_->ExpectMsgBox(ui::vbOK, missing + " not found.");
        ui::ClickButton(b.find());
        EXPECT_TRUE(launcher_->calls.empty()) << "nothing is started";
    }
}

// The section-analysis help is written at build time from its text source: a
// PDF that a reader takes, with the steps of the combine in it.
TEST(HelpDocuments, TheCombineProcessPdfReads) {
    const std::string pdf = std::string(PROGRAM_FOLDER) + "Process_for_creating_Combined_CPL_Stats.pdf";
    const fs::path txt = fs::temp_directory_path() / ("cpl_help_" + std::to_string(::getpid()) + ".txt");
    const shell::LaunchResult r = shell::RunAndWait({"pdftotext", "-layout", pdf, txt.string()});
    ASSERT_TRUE(r.started) << r.error_text;
    EXPECT_EQ(r.exit_code, 0);
    std::stringstream text;
    text << std::ifstream(txt).rdbuf();
    fs::remove(txt);
    for (const char* shown : {"Process for creating Combined CPL Stats", "1. Prepare the SSA report",
                              "Press \"Combine Intersection Locations\".", "_COMBINED.csv",
                              "\"Create KML from CPL or Combined Int. Locns\"", "Page 1 of 2", "Page 2 of 2"})
        EXPECT_NE(text.str().find(shown), std::string::npos) << shown;
}

}  // namespace
