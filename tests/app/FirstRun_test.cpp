// The program as a new user meets it: nothing remembered, every command
// button of every tab and option window pressed in turn on the first-run
// inputs, every box answered with its affirmative button.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "platform/settings/settings.h"
#include "platform/shell/browser_pages.h"
#include "platform/shell/shell.h"
#include "tests/support/headless.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file under a folder with its content.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files[fs::relative(e.path(), folder).string()] = ReadFile(e.path());
    return files;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The sample's stand-in of the collision records system's validation page,
// open in the user's browser.
struct ValidationPage : shell::BrowserPage {
    std::string Title() override { return "VRQ860 - Collision Validation"; }
    bool IsHtml() override { return true; }
    std::vector<std::string> TextsOfTag(const std::string& tag) override {
        return tag == "th" ? std::vector<std::string>{"Collision Validation 10004321"} : std::vector<std::string>{};
    }
    std::optional<std::string> ValueOfFirstNamed(const std::string& name) override {
        if (name == "workingLatLong") return "49.107129, -122.857581";
        return std::nullopt;
    }
};
struct Browser : shell::BrowserPages {
    std::vector<std::unique_ptr<shell::BrowserPage>> Pages() override {
        std::vector<std::unique_ptr<shell::BrowserPage>> out;
        out.push_back(std::make_unique<ValidationPage>());
        return out;
    }
};

// What one command is expected to do on the first-run inputs.
struct Expected {
    std::string window;  // "MainForm" or the option window's name
    std::string button;
    // The last status line begins with this ("" when the command writes no
    // status); "*" takes any.
    std::string status;
    // Names (or the beginnings of names) of files it writes into the output
    // folder; none for a command that writes no file there.
    std::vector<std::string> writes;
    // Program (or document's file name) handed to the launcher, if any.
    std::string launches;
    // Warnings it may show (an exclamation box); any other is a failure.
    std::vector<std::string> warnings;
    // The sample file to choose through the tab's Browse button first: the
    // tab's one file box holds another kind of file for this command.
    std::string browse, choose;
};

const std::string kDiffer = "The output folder is not the same as the input folder.";

// `out`: the output folder, where the combined locations come from.
std::vector<Expected> Commands(const std::string& out) {
    return {
        {"MainForm", "cmdClearStatus", "", {}, "", {}, "", ""},
        {"MainForm", "cmdReadMe", "", {}, "readme.txt", {}, "", ""},
        {"MainForm", "cmdAbout", "", {}, "", {}, "", ""},
        {"MainForm", "cmdCDEBrowse", "", {}, "", {}, "", ""},
        {"MainForm", "cmdBrowseSDF", "", {}, "", {}, "", ""},
        {"MainForm", "cmdDetailBrowse", "", {}, "", {}, "", ""},
        {"MainForm", "cmdCLRbrowse", "", {}, "", {}, "", ""},
        {"MainForm", "cmdSSAbrowse", "", {}, "", {}, "", ""},
        {"MainForm", "cmdSDFbrowse", "", {}, "", {}, "", ""},
        // HMZ
        {"MainForm", "cmdShowSeg", "0010 : R1/D1/A11 Aldermoor", {}, "", {}, "", ""},
        {"MainForm", "cmdGetSegDate", "", {}, "", {}, "", ""},
        {"MainForm", "cmdHMZ_ShowTrans", "  0:", {}, "", {}, "", ""},
        {"MainForm", "cmdHMZ_LatLon", "   Nalt Albers X,Y:", {}, "", {}, "", ""},
        {"MainForm", "cmdHMZhelp", "", {}, "HMZhelp.txt", {}, "", ""},
        {"MainForm", "cmdFindClosestHMZLocations", "1:    0 metres to 0010", {}, "", {}, "", ""},
        {"MainForm", "cmdSegKmLatLonExcel", "", {}, "", {}, "", ""},
        {"frmHMZLatLon", "cmdBrowse", "", {}, "", {}, "", ""},
        {"frmHMZLatLon", "cmdHMZ_version_help", "", {}, "", {}, "", ""},
        {"frmHMZLatLon", "cmdSegKmtoLatLon", "Finished processing rows 2 to 9", {"HMZ_LatLon_sample.xlsx"},
         "HMZ_LatLon_sample.xlsx", {}, "", ""},
        // back from C:D into A:B, where they came from
        {"frmHMZLatLon", "cmdLatLontoSegKm", "Finished processing rows 2 to", {}, "HMZ_LatLon_sample.xlsx", {}, "",
         ""},
        {"frmHMZLatLon", "cmdClose", "", {}, "", {}, "", ""},
        {"MainForm", "cmdHMZTransformsInExcel", "", {}, "", {}, "", ""},
        {"frmHemzshiftExcel", "cmdBrowse", "", {}, "", {}, "", ""},
        {"frmHemzshiftExcel", "cmdTransform", "Finished transforming rows 2 to 12 to HMZ version 202004",
         {"HMZ_Transforms_sample.xlsx"}, "HMZ_Transforms_sample.xlsx", {}, "", ""},
        {"frmHemzshiftExcel", "cmdClose", "", {}, "", {}, "", ""},
        // CDE Files
        {"MainForm", "cmdCDErequirements", "", {}, "CDE_for_CD.txt", {}, "", ""},
        {"MainForm", "cmdCDEtoExcel", "Workbook written to " + out + "CDE_sample.xlsx", {"CDE_sample.xlsx"}, "CDE_sample.xlsx", {}, "", ""},
        {"MainForm", "cmdSplitByMonth", "Finished CDE split by month.",
         {"FatalDataByMonth.html", "fatal_data_2010-01.xlsx"}, "", {kDiffer}, "", ""},
        {"MainForm", "cmdCDEaddGeoFields", "3000 CDE collision records written to", {"CDE_sample_added.csv"}, "", {},
         "", ""},
        {"MainForm", "cmdAddSDFfields", "2389 CDE collisions were not in any section.", {"CDE_sample_added.csv"}, "", {}, "", ""},
        {"MainForm", "cmdClsnDiagram", "Collision diagram written to " + out + "ClsnDiag_CDE_intersections_sample.docx", {"ClsnDiag_"}, "ClsnDiag_", {}, "cmdCDEBrowse",
         "collisions/CDE_intersections_sample.csv"},
        {"frmCollisionDiagrams", "cmdOK", "", {"ClsnDiag_"}, "ClsnDiag_", {}, "", ""},
        {"frmCollisionDiagrams", "cmdClose", "", {}, "", {}, "", ""},
        {"MainForm", "cmdKML", "1213 input records were missing Lat or Lon data", {"CDE_sample.kml"}, "", {kDiffer, "were missing Lat or Lon data"}, "", ""},
        {"MainForm", "cmdCDEsumByGroupAndQuarter", "7 section records written.", {"CDE_sample_byQuarter.csv"}, "", {kDiffer}, "", ""},
        // Class Rate
        {"MainForm", "cmdClassVol", "", {}, "", {}, "", ""},
        {"frmClassVol", "cmdStandardCS", "", {}, "", {}, "", ""},
        {"frmClassVol", "cmdStandardVR", "", {}, "", {}, "", ""},
        {"frmClassVol", "cmdClose", "", {}, "", {}, "", ""},
        {"MainForm", "cmdRateTable", "23 records written to", {"PubRateTable_from_ClassRate_sample.csv"},
         "PubRateTable_from_ClassRate_sample.csv", {kDiffer}, "", ""},
        // Detail Reports
        {"MainForm", "cmdDetailSplit", "HTML indeces complete.", {"FatalReportsByDate.html", "FatalReportsByArea.html", "10000044_"}, "",
         {kDiffer}, "", ""},
        {"MainForm", "cmdOpenRTFinWord", "RTF file opened in Word.", {}, "Detail_sample.rtf", {}, "", ""},
        // SSA
        {"MainForm", "cmdReformat_Orvel", "Complete. 17 records written to " + out + "SSA_locations_sample_Orvel.csv", {"SSA_locations_sample_Orvel.csv"}, "", {kDiffer}, "", ""},
        {"MainForm", "cmdCombineLocations", "7 combined group data records written.", {"SSA_locations_sample_COMBINED.csv"}, "", {kDiffer}, "", ""},
        {"MainForm", "cmdCombInt2KML", "7 placemarks written.", {"SSA_locations_sample_COMBINED.kml"}, "", {}, "cmdSSAbrowse",
         out + "SSA_locations_sample_COMBINED.csv"},
        {"MainForm", "cmdSSA_Help1", "", {}, "Process_for_creating_Combined_CPL_Stats.pdf", {}, "", ""},
        {"MainForm", "cmdCDEByMonth", "14 total data records written.", {"INSS_sample_bySecMonSev.csv"}, "", {}, "cmdSSAbrowse",
         "collisions/INSS_sample.csv"},
        // SDF
        {"MainForm", "cmdOverlaps", "5 overlaps found.", {}, "", {}, "", ""},
        {"MainForm", "cmdSDF_transform", "0 sections transformed", {"SDF_overlaps_201807_HMZ202004.csv"}, "", {}, "", ""},
        {"MainForm", "cmdSDF_KML", "", {}, "", {}, "", ""},
        {"frmSDF_KML", "cmdRun", "8 sections written to KML file", {"SDF_overlaps_201807.kml"}, "", {}, "", ""},
        {"frmSDF_KML", "cmdHelp", "", {}, "SDF_KML_help.txt", {}, "", ""},
        {"frmSDF_KML", "cmdClose", "", {}, "", {}, "", ""},
        {"MainForm", "cmdSDF1dpSep", "Log file: ", {"SDF_overlaps_201807_Sep1DP_opt1.csv"}, "", {}, "", ""},
        {"MainForm", "cmdShortSections", "", {}, "", {}, "", ""},
        {"frmShortSections", "cmdBrowseSDF", "", {}, "", {}, "", ""},
        {"frmShortSections", "cmdRun", "84 data records written to file " + out + "Short_MixedSections_test1.csv", {"Short_MixedSections_test1.csv"}, "", {}, "", ""},
        {"frmShortSections", "cmdOpenLog", "", {}, "short_sections_log_test1.txt", {}, "", ""},
        {"frmShortSections", "cmdOpenOutput", "", {}, "Short_MixedSections_test1.csv", {}, "", ""},
        {"frmShortSections", "cmdHelp", "", {}, "ShortSections_Help.txt", {}, "", ""},
        {"frmShortSections", "cmdClose", "", {}, "", {}, "", ""},
        // MapCase
        {"MainForm", "cmdMapLatLon", "", {}, "viewer", {}, "", ""},
        {"MainForm", "cmdGetLatLonMap", "Mapped 10004321", {}, "viewer", {}, "", ""},
        {"MainForm", "cmdGetCaseLatlon", "Loading case-latlon table from", {}, "", {}, "", ""},
        {"MainForm", "cmdLookupLatLon", "Case 10004321", {}, "", {}, "", ""},
        {"MainForm", "cmdMapCase", "Mapped.", {}, "viewer", {}, "", ""},
        {"MainForm", "cmdGetCaseMap", "Mapped.", {}, "viewer", {}, "", ""},
        // Volume
        {"MainForm", "cmdVOL_Run", out + "Volume_Report.csv", {"Volume_Report.csv"}, "", {}, "", ""},
        {"MainForm", "vol_openInExcel", "File opened in Excel.", {}, "Volume_Report.csv", {}, "", ""},
        {"MainForm", "vol_help", "", {}, "Tessawin_VolumeTab_Help.pdf", {}, "", ""},
    };
}

class FirstRun : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        ui_->affirmative = true;
        dir_ = fs::temp_directory_path() / ("tw_firstrun_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        for (const char* sub : {"home", "temp", "viewer"}) fs::create_directories(dir_ / sub);
        // The converted databases stay where they were, so nothing is converted again.
        if (const char* h = std::getenv("HOME")) {
            saved_home_ = h;
            if (!std::getenv("XDG_CACHE_HOME")) ::setenv("XDG_CACHE_HOME", (fs::path(h) / ".cache").c_str(), 1);
        }
        ::setenv("HOME", (dir_ / "home").c_str(), 1);
        ::setenv("temp", (dir_ / "temp").c_str(), 1);
        settings::SetStoreFolder((dir_ / "store").string());
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
        viewer_ = (dir_ / "viewer" / "google-earth-pro").string();
        std::ofstream(viewer_) << "#!/bin/sh\n";
        ::chmod(viewer_.c_str(), 0755);
        shell::SetGlobeViewerInstallPaths({viewer_});
        shell::SetBrowserPages(std::make_shared<Browser>());
        MainForm::SetEndProcess([] {});
        sample_before_ = Snapshot(Sample_Folder());
        ASSERT_FALSE(sample_before_.empty());

        MainForm& f = TheMainForm();
        static bool attached = false;
        if (!attached) {
            Inventory_Attach(f);
            Collisions_Attach(f);
            SDF_Attach(f);
            Mapping_Attach(f);
            Sections_Attach(f);
            attached = true;
        }
        f.Load();
        // Help files, templates and the translation library of the build's
        // program folder, as the installed program finds them beside itself.
        AppFolder = PROGRAM_FOLDER;
    }
    void TearDown() override {
        for (ui::Form* w : std::vector<ui::Form*>(ui::LoadedForms()))
            if (w != &TheMainForm()) w->Unload();
        if (TheMainForm().Loaded()) TheMainForm().Unload();
        MainForm::SetEndProcess(nullptr);
        shell::SetBrowserPages(nullptr);
        shell::SetGlobeViewerInstallPaths({});
        shell::SetLauncher(nullptr);
        settings::SetStoreFolder("");
        ::unsetenv("temp");
        if (saved_home_.empty())
            ::unsetenv("HOME");
        else
            ::setenv("HOME", saved_home_.c_str(), 1);
        std::error_code ec;
        fs::remove_all(dir_, ec);
        HeadlessTest::TearDown();
    }

    std::string out() const { return (dir_ / "home" / "Tessawin" / "output").string() + "/"; }

    fs::path dir_;
    std::string saved_home_, viewer_;
    std::shared_ptr<shell::RecordingLauncher> launcher_;
    std::map<std::string, std::string> sample_before_;
};

TEST_F(FirstRun, TheInputsStartOnTheSampleAndAnOutputFolderOfTheUsersOwn) {
    MainForm& f = TheMainForm();
    const std::string collisions = Sample_Folder() + "collisions";
    EXPECT_EQ(f.Out_Folder.Text(), out());
    EXPECT_FALSE(fs::exists(out())) << "made on first use only";
    EXPECT_EQ(f.CDE_folder.Text(), collisions);
    EXPECT_EQ(f.CDE_file.Text(), "CDE_sample.csv");
    EXPECT_EQ(f.CDE_chkLatLon.Value(), ui::vbChecked);
    EXPECT_EQ(f.SDF_toHMZversion.Text(), "202004");
    EXPECT_EQ(f.txtHMZ_Range.Text(), "200");
    EXPECT_TRUE(f.optEarth.Value());
    for (ui::TextBox* box : {&f.CDE_folder, &f.CDE_file, &f.Detail_Folder, &f.Detail_File, &f.CLR_Folder,
                             &f.CLR_File, &f.SSA_Folder, &f.SSA_File, &f.SDF_folder, &f.SDF_file})
        EXPECT_FALSE(box->Text().empty()) << box->Name();
    EXPECT_TRUE(fs::exists(f.vol_searchFilepath.Text()));

    // remembered inputs win, an empty one too
    settings::SaveSetting("Tessawin", "mainform", "LastCDEfile", "mine.csv");
    settings::SaveSetting("Tessawin", "mainform", "LastOutfolder", "/data/out");
    settings::SaveSetting("Tessawin", "mainform", "LastSDF_toHMZversion", "");
    settings::SaveSetting("Tessawin", "mainform", "LastCDE_chkLatLon", "False");
    settings::SaveSetting("Tessawin", "mainform", "Tab", "2");
    f.Unload();
    f.Load();
    EXPECT_EQ(f.CDE_file.Text(), "mine.csv");
    EXPECT_EQ(f.Out_Folder.Text(), "/data/out");
    EXPECT_EQ(f.SDF_toHMZversion.Text(), "");
    EXPECT_EQ(f.CDE_chkLatLon.Value(), ui::vbUnchecked);
    EXPECT_EQ(f.CDE_folder.Text(), collisions) << "a key not stored yet takes its first-run default";
    EXPECT_EQ(f.txtSectionListFile.Text(), "") << "not remembered: the sample only on a first run";
}

TEST_F(FirstRun, EveryCommandRunsOnTheSampleAndWritesIntoTheOutputFolder) {
    MainForm& f = TheMainForm();
    const std::vector<Expected> table = Commands(out());
    std::set<std::string> pressed;

    auto press = [&](ui::Form& w, ui::CommandButton& b) {
        const std::string key = w.Name() + "." + b.Name();
        SCOPED_TRACE(key + " [" + b.Caption() + "]");
        pressed.insert(key);
        const Expected* e = nullptr;
        for (const Expected& x : table)
            if (x.window == w.Name() && x.button == b.Name()) e = &x;
        if (!e) {
            ADD_FAILURE() << "a command the test does not know";
            return;
        }
        std::string restore;
        ui::TextBox* box = nullptr;
        if (!e->browse.empty()) {
            box = e->browse == "cmdCDEBrowse" ? &f.CDE_file : &f.SSA_File;
            restore = box->Text();
            ui_->ExpectFile(StartsWith(e->choose, "/") ? e->choose : Sample_Folder() + e->choose);
            ui::ClickButton(*f.Find<ui::CommandButton>(e->browse));
        }
        const size_t boxes = ui_->shown.size(), calls = launcher_->calls.size();
        const auto before = Snapshot(out());
        f.Status.SetText("");
        ui::ClickButton(b);

        std::string report;
        for (size_t i = boxes; i < ui_->shown.size(); ++i) {
            const ui::ShownBox& x = ui_->shown[i];
            report += "\n  box [" + x.title + "] " + x.prompt;
            const int icon = x.buttons & 0x70;
            if (x.kind != ui::ShownBox::Message || (icon != ui::vbExclamation && icon != ui::vbCritical)) continue;
            bool allowed = false;
            for (const std::string& warning : e->warnings) allowed = allowed || x.prompt.find(warning) != std::string::npos;
            EXPECT_TRUE(allowed) << "a warning or error box: [" << x.title << "] " << x.prompt;
        }
        std::set<std::string> written;
        for (const auto& [name, text] : Snapshot(out())) {
            const auto it = before.find(name);
            if (it == before.end() || it->second != text) written.insert(name);
        }
        for (const std::string& want : e->writes) {
            bool found = false;
            for (const std::string& name : written) found = found || StartsWith(name, want);
            EXPECT_TRUE(found) << "no " << want << " written into " << out() << report;
        }
        bool launched = e->launches.empty();
        for (size_t i = calls; i < launcher_->calls.size(); ++i)
            for (const std::string& arg : launcher_->calls[i].argv)
                launched = launched || arg.find(e->launches == "viewer" ? viewer_ : e->launches) != std::string::npos;
        EXPECT_TRUE(launched) << "nothing handed to " << e->launches;
        const auto lines = Lines(f.Status.Text());
        const std::string last = lines.empty() ? "" : lines.back();
        if (e->status.empty()) {
            EXPECT_EQ(last, "") << f.Status.Text();
        } else if (e->status != "*") {
            EXPECT_TRUE(StartsWith(last, e->status)) << f.Status.Text() << report;
        }
        if (key == "MainForm.cmdVOL_Run") {
            // a real volume, not the -1 of an uncounted month
            const std::string text = f.Status.Text();
            const auto at = text.find("\nADT: ");
            ASSERT_NE(at, std::string::npos) << text;
            EXPECT_GT(std::atol(text.c_str() + at + 6), 0) << text;
            EXPECT_EQ(text.find("Total Volume: -1"), std::string::npos) << text;
        }
        for (const char* failure : {"Problems!", "rror", "not found", "Not found", "could not", "Could not"})
            EXPECT_EQ(last.find(failure), std::string::npos) << f.Status.Text() << report;
        if (box) box->SetText(restore);
    };

    // An option window's buttons, its closing button last.
    auto press_window = [&](ui::Form& w) {
        ui::CommandButton* close = nullptr;
        for (const auto& c : w.Controls()) {
            auto* b = dynamic_cast<ui::CommandButton*>(c.get());
            if (!b || !b->Visible() || b->Name() == "cmdCancel") continue;
            if (b->Name() == "cmdClose")
                close = b;
            else
                press(w, *b);
        }
        if (close) press(w, *close);
        if (w.Visible()) w.Hide();
    };
    ui_->on_modal = press_window;

    std::vector<ui::CommandButton*> buttons;
    for (const auto& c : f.Controls())
        if (auto* b = dynamic_cast<ui::CommandButton*>(c.get()); b && b->Visible() && b->Name() != "cmdClose")
            buttons.push_back(b);
    std::set<ui::Form*> seen{&f};
    for (ui::CommandButton* b : buttons) {
        press(f, *b);
        for (ui::Form* w : std::vector<ui::Form*>(ui::LoadedForms()))
            if (!seen.count(w) && w->Visible()) {
                seen.insert(w);
                press_window(*w);
            }
    }
    for (const Expected& e : table) EXPECT_TRUE(pressed.count(e.window + "." + e.button)) << e.window << "." << e.button;

    // what the first run remembers
    ui::ClickButton(f.cmdClose);
    EXPECT_EQ(settings::GetSetting("Tessawin", "mainform", "LastOutFolder"), out());
    const auto sample_after = Snapshot(Sample_Folder());
    std::set<std::string> changed;
    for (const auto& [name, text] : sample_after)
        if (!sample_before_.count(name) || sample_before_.at(name) != text) changed.insert(name);
    for (const auto& [name, text] : sample_before_)
        if (!sample_after.count(name)) changed.insert(name);
    for (const std::string& name : changed) ADD_FAILURE() << "the installed sample's " << name << " was written";
}

}  // namespace
