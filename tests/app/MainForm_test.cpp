#include "app/MainForm.h"
#include "common/DataFolders.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/SelFile.h"
#include "common/Brellinlib.h"
#include "common/FormSettings.h"
#include "common/TessawinMod.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"
#include "tests/support/child_test.h"
#include "tests/support/headless.h"

namespace fs = std::filesystem;

namespace {

const std::string CRLF = "\r\n";

// A window that another subsystem would own, recording its unload.
class OtherWindow : public ui::Form {
public:
    OtherWindow(std::string name, std::vector<std::string>& log) : ui::Form(std::move(name)), log_(log) {}

protected:
    void Form_Unload(int16_t&) override { log_.push_back(Name()); }

private:
    std::vector<std::string>& log_;
};

class MainFormTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        dir_ = fs::temp_directory_path() / ("mainform_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_ / "store");
        fs::create_directories(dir_ / "temp");
        fs::create_directories(dir_ / "data" / "sub");
        data_ = (dir_ / "data").string();
        settings::SetStoreFolder((dir_ / "store").string());
        ::setenv("temp", (dir_ / "temp").c_str(), 1);
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
        MainForm::SetEndProcess([this] {
            ++ends_;
            end_log_.push_back("end");
        });
        SelFileFilter.clear();
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
    static std::string Stored(const std::string& key) {
        return settings::GetSetting("Tessawin", "mainform", key, "<missing>");
    }
    void Touch(const std::string& path) { std::ofstream(path) << "data\n"; }

    // Every remembered text box with its key.
    struct Remembered {
        ui::TextBox* box;
        const char* key;
    };
    static std::vector<Remembered> RememberedBoxes() {
        MainForm& f = form();
        return {
            {&f.SSA_Folder, "LastSSAfolder"},
            {&f.SSA_File, "LastSSAfile"},
            {&f.CDE_folder, "LastCDEfolder"},
            {&f.CDE_file, "LastCDEfile"},
            {&f.CDE_SDF_file, "LastCDE_SDF_file"},
            {&f.CDE_SDF_fields, "LastCDE_SDF_fields"},
            {&f.outCDE_file, "LastoutCDEfile"},
            {&f.CDE_HMZversion, "LastCDE_HMZversion"},
            {&f.txtHMZ_Segment, "LastHMZ_Segment"},
            {&f.txtHMZ_km, "LastHMZ_km"},
            {&f.txtHMZ_date, "LastHMZ_date"},
            {&f.txtHMZ_ShowRange, "LastHMZ_ShowRange"},
            {&f.txtHMZ_Range, "LastHMZ_Range"},
            {&f.txtHMZ_LatLon, "LastHMZ_LatLon"},
            {&f.txtHMZ_HMZversion, "LastHMZ_HMZversion"},
            {&f.SSA_HMZversion, "LastSSA_HMZversion"},
            {&f.SDF_HMZversion, "LastSDF_HMZversion"},
            {&f.SDF_folder, "LastSDFfolder"},
            {&f.SDF_file, "LastSDFfile"},
            {&f.SDF_NDP, "LastSDF_NDP"},
            {&f.SDF_toHMZversion, "LastSDF_toHMZversion"},
            {&f.Detail_Folder, "LastDetailFolder"},
            {&f.Detail_File, "LastDetailFile"},
            {&f.Out_Folder, "LastOutFolder"},
            {&f.txtBatchFolder, "BatchFolder"},
            {&f.CLR_Folder, "LastCLRfolder"},
            {&f.CLR_File, "LastCLRfile"},
            {&f.vol_StartSeg, "LastVOLstartSeg"},
            {&f.vol_EndSeg, "LastVOLendSeg"},
            {&f.vol_StartKm, "LastVOLstartKM"},
            {&f.vol_EndKm, "LastVOLendKM"},
            {&f.vol_StartDate, "LastVOLstartDate"},
            {&f.vol_EndDate, "LastVOLendDate"},
            {&f.vol_HMZversion, "LastVOLhmzver"},
            {&f.vol_StartMonth, "LastVOLstartMonth"},
            {&f.vol_EndMonth, "LastVOLendMonth"},
            {&f.vol_searchFilepath, "LastVOLfp"},
            {&f.vol_outFile, "LastVOLoutfile"},
        };
    }

    // Fills every input with a value of its own, the opposite of the defaults.
    void FillInputs(const std::string& tag) {
        MainForm& f = form();
        for (const Remembered& r : RememberedBoxes()) r.box->SetText(" " + tag + r.key + " ");
        f.CDE_chkLatLon.SetValue(ui::vbChecked);
        f.CDE_chkNaltAlbers.SetValue(ui::vbChecked);
        f.optMaps.SetValue(true);
        f.optUseSpecifiedClassVol.SetValue(true);
        f.vol_outputVDE.SetValue(true);
        f.vol_optionVRQ.SetValue(true);
    }
    void ExpectInputs(const std::string& tag) {
        MainForm& f = form();
        for (const Remembered& r : RememberedBoxes()) EXPECT_EQ(r.box->Text(), " " + tag + r.key + " ") << r.key;
        EXPECT_EQ(f.CDE_chkLatLon.Value(), ui::vbChecked);
        EXPECT_EQ(f.CDE_chkNaltAlbers.Value(), ui::vbChecked);
        EXPECT_TRUE(f.optMaps.Value());
        EXPECT_FALSE(f.optEarth.Value());
        EXPECT_TRUE(f.optUseSpecifiedClassVol.Value());
        EXPECT_FALSE(f.optUseClassRateClassVol.Value());
        EXPECT_TRUE(f.vol_outputVDE.Value());
        EXPECT_FALSE(f.vol_outputDetailed.Value());
        EXPECT_TRUE(f.vol_optionVRQ.Value());
        EXPECT_FALSE(f.vol_optionHMZ.Value());
    }
    void Store(const std::string& key, const std::string& value) {
        settings::SaveSetting("Tessawin", "mainform", key, value);
    }

    fs::path dir_;
    std::string data_;
    std::shared_ptr<shell::RecordingLauncher> launcher_;
    int ends_ = 0;
    std::vector<std::string> end_log_;
};

TEST_F(MainFormTest, FirstStartOnAnEmptyStoreGivesTheDefaults) {
    MainForm& f = form();
    f.Show();
    // every box on the sample (a blank km is the segment's start or end),
    // the output folder in the user's home, not made yet
    for (const Remembered& r : RememberedBoxes()) {
        const std::string key = r.key;
        if (key == "LastHMZ_ShowRange" || key == "LastHMZ_Range")
            EXPECT_EQ(r.box->Text(), "200") << key;
        else if (key == "BatchFolder")
            EXPECT_EQ(r.box->Text(), Sample_Folder() + "collisions");
        else if (key == "LastOutFolder")
            EXPECT_EQ(r.box->Text(), Default_Out_Folder());
        else if (key == "LastVOLstartKM" || key == "LastVOLendKM")
            EXPECT_EQ(r.box->Text(), "") << key;
        else
            EXPECT_NE(r.box->Text(), "") << key;
    }
    EXPECT_EQ(Default_Out_Folder().find(Sample_Folder()), std::string::npos);
    for (auto [folder, file] : {std::pair{&f.CDE_folder, &f.CDE_file}, {&f.Detail_Folder, &f.Detail_File},
                                {&f.CLR_Folder, &f.CLR_File}, {&f.SSA_Folder, &f.SSA_File}, {&f.SDF_folder, &f.SDF_file}})
        EXPECT_TRUE(fs::is_regular_file(folder->Text() + "/" + file->Text())) << file->Name();
    EXPECT_EQ(f.CDE_chkLatLon.Value(), ui::vbChecked);
    EXPECT_EQ(f.CDE_chkNaltAlbers.Value(), ui::vbUnchecked);
    EXPECT_TRUE(f.optEarth.Value());
    EXPECT_FALSE(f.optMaps.Value());
    EXPECT_TRUE(f.optUseClassRateClassVol.Value());
    EXPECT_FALSE(f.optUseSpecifiedClassVol.Value());
    EXPECT_TRUE(f.vol_outputDetailed.Value());
    EXPECT_FALSE(f.vol_outputVDE.Value());
    EXPECT_TRUE(f.vol_optionHMZ.Value());
    EXPECT_FALSE(f.vol_optionVRQ.Value());

    EXPECT_EQ(f.SSTab1.Tab(), 0);
    EXPECT_EQ(f.Status.Text(), "Process Collision Data Extract files.");
    EXPECT_EQ(f.Top(), MainForm::kDesignTop);
    EXPECT_EQ(f.Left(), MainForm::kDesignLeft);
    EXPECT_EQ(f.Caption(), "Tessawin " + VersionText());
    EXPECT_EQ(f.lblLastTarget.Caption(), "");
    EXPECT_FALSE(DevMode);
    EXPECT_EQ(TempFolder, (dir_ / "temp").string() + "/");
    EXPECT_EQ(AppFolder, fs::path(shell::ExecutablePath()).parent_path().string() + "/");
    EXPECT_EQ(Form_Index("MainForm"), 0);
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(MainFormTest, HasEightTabsAndTheFrameControls) {
    MainForm& f = form();
    const char* captions[] = {"CDE Files", "Detail Reports", "MapCase", "Class Rate", "SSA", "HMZ", "SDF", "Volume"};
    ASSERT_EQ(f.SSTab1.Tabs(), 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.SSTab1.TabCaption(i), captions[i]);
    EXPECT_TRUE(f.Status.MultiLine());
    EXPECT_TRUE(f.Status.FixedPitch());
    EXPECT_EQ(f.Status.FontName(), "Courier New");
    EXPECT_EQ(f.fraStatus.Caption(), "Status / Notes");
    EXPECT_EQ(f.Out_Folder.ToolTipText(), "Path of output folder.");
    EXPECT_FALSE(f.cmdTest.Visible());
    for (ui::CommandButton* b : {&f.cmdClearStatus, &f.cmdReadMe, &f.cmdAbout, &f.cmdClose}) EXPECT_TRUE(b->Visible());
    EXPECT_EQ(f.cmdClearStatus.Caption(), "Clear Status");
    EXPECT_EQ(f.cmdReadMe.Caption(), "ReadMe");
    EXPECT_EQ(f.cmdAbout.Caption(), "About");
    EXPECT_EQ(f.cmdClose.Caption(), "Close");
    EXPECT_EQ(f.lblSDFprogress.ContainerTab(), MainForm::kTabSDF);
    EXPECT_EQ(f.lblLastTarget.ContainerTab(), MainForm::kTabHMZ);
}

TEST_F(MainFormTest, CloseThenANewStartRestoresEveryInput) {
    MainForm& f = form();
    f.Show();
    FillInputs("a");
    f.SSTab1.SetTab(MainForm::kTabHMZ);
    f.Move(2400, 1800, f.Width(), f.Height());
    ui::ClickButton(f.cmdClose);

    EXPECT_FALSE(f.Loaded());
    EXPECT_EQ(ends_, 1);
    EXPECT_EQ(Stored("LastOutfolder"), " aLastOutFolder ");
    EXPECT_EQ(Stored("LastSSA_HMZversion"), " aLastSSA_HMZversion ");
    EXPECT_EQ(Stored("MapApp"), "Maps");
    EXPECT_EQ(Stored("optUseClassRateClassVol"), "False");
    EXPECT_EQ(Stored("VolOut"), "VDE");
    EXPECT_EQ(Stored("VolOpt"), "VRQ");
    EXPECT_EQ(Stored("LastCDE_chkLatLon"), "True");
    EXPECT_EQ(Stored("Tab"), "5");
    EXPECT_EQ(Stored("Top"), "1800");
    EXPECT_EQ(Stored("Left"), "2400");

    f.Show();
    ExpectInputs("a");
    EXPECT_EQ(f.SSTab1.Tab(), MainForm::kTabHMZ);
    EXPECT_EQ(f.Status.Text(), "");
    EXPECT_EQ(f.Top(), 1800);
    EXPECT_EQ(f.Left(), 2400);
}

TEST_F(MainFormTest, ClosingAnotherWayKeepsTheInputsOfTheLastClose) {
    MainForm& f = form();
    f.Show();
    FillInputs("a");
    ui::ClickButton(f.cmdClose);

    f.Show();
    FillInputs("b");
    f.UserClosed();
    EXPECT_FALSE(f.Loaded());
    EXPECT_EQ(ends_, 2);

    f.Show();
    ExpectInputs("a");
}

TEST_F(MainFormTest, CloseAsksWhenTheInputsCannotBeSaved) {
    MainForm& f = form();
    f.Show();
    // A file where the store's folder should be: nothing can be written.
    const std::string blocker = (dir_ / "blocker").string();
    Touch(blocker);
    settings::SetStoreFolder(blocker);
    ui_->ExpectMsgBox(ui::vbCancel, "The inputs could not be saved in ");
    ui::ClickButton(f.cmdClose);
    EXPECT_TRUE(f.Loaded());
    EXPECT_EQ(ends_, 0);
    EXPECT_EQ(ui_->shown.back().buttons, ui::vbOKCancel + ui::vbExclamation);

    ui_->ExpectMsgBox(ui::vbOK, "OK closes without saving them");
    ui::ClickButton(f.cmdClose);
    EXPECT_FALSE(f.Loaded());
    EXPECT_EQ(ends_, 1);
}

TEST_F(MainFormTest, RememberedValuesThatCannotBeUsedFallBackToTheirDefaults) {
    struct Case {
        std::string top, left, tab;
        int want_top, want_left, want_tab;
    } cases[] = {
        {"abc", "12x", "x", MainForm::kDesignTop, MainForm::kDesignLeft, 0},
        {"1e40", "-1e40", "9", MainForm::kDesignTop, MainForm::kDesignLeft, 0},
        {"", " ", "-1", MainForm::kDesignTop, MainForm::kDesignLeft, 0},
        {"900", "1500.4", "3", 900, 1500, 3},
        {" 900 ", "0", " 7 ", 900, 0, 7},
        {"300", "450", "07", 300, 450, 7},
        {"0", "0", "2.5", 0, 0, 0},
        {"0", "0", "1e1", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.top + " | " + c.left + " | " + c.tab);
        Store("Top", c.top);
        Store("Left", c.left);
        Store("Tab", c.tab);
        form().Show();
        EXPECT_EQ(form().Top(), c.want_top);
        EXPECT_EQ(form().Left(), c.want_left);
        EXPECT_EQ(form().SSTab1.Tab(), c.want_tab);
        EXPECT_EQ(form().Status.Text(), MainForm::TabDescription(c.want_tab));
        form().Unload();
    }
}

TEST_F(MainFormTest, StoredTextsAreReadExactly) {
    Store("LastCDE_chkLatLon", "true");
    Store("LastCDE_chkNaltalbers", "True");
    Store("MapApp", "earth");
    Store("VolOut", "detailed");
    Store("VolOpt", "HMZ");
    Store("optUseClassRateClassVol", "0");
    form().Show();
    EXPECT_EQ(form().CDE_chkLatLon.Value(), ui::vbUnchecked);
    EXPECT_EQ(form().CDE_chkNaltAlbers.Value(), ui::vbChecked);
    EXPECT_TRUE(form().optMaps.Value());
    EXPECT_TRUE(form().vol_outputVDE.Value());
    EXPECT_TRUE(form().vol_optionHMZ.Value());
    EXPECT_TRUE(form().optUseSpecifiedClassVol.Value());
}

TEST_F(MainFormTest, APositionFromALargerScreenIsCentred) {
    ui_->screen_width_twips = 1280 * 15;
    ui_->screen_height_twips = 800 * 15;
    Store("Top", "20000");
    Store("Left", "30000");
    form().Show();
    EXPECT_EQ(form().Top(), (800 * 15 - form().Height()) / 2);
    EXPECT_EQ(form().Left(), (1280 * 15 - form().Width()) / 2);
}

TEST_F(MainFormTest, ATempFolderThatDoesNotExistLeavesTempFolderEmpty) {
    ::setenv("temp", (dir_ / "no such folder").c_str(), 1);
    form().Show();
    EXPECT_EQ(TempFolder, "");
}

TEST_F(MainFormTest, ShowStatusReplacesOrAppendsAndCutsAboveTheLimit) {
    MainForm& f = form();
    f.Show();
    f.ShowStatus("one", false, CRLF);
    EXPECT_EQ(f.Status.Text(), "one");
    f.ShowStatus("", false, CRLF);
    f.ShowStatus("first", true, CRLF);
    EXPECT_EQ(f.Status.Text(), CRLF + "first");
    f.ShowStatus("50", true, ",");
    EXPECT_EQ(f.Status.Text(), CRLF + "first,50");
    EXPECT_EQ(f.Status.SelStart(), static_cast<int>(f.Status.Text().size()));

    struct Case {
        size_t length;
        bool cut;
    } cases[] = {{59999, false}, {60000, false}, {60001, true}, {70000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string text;
        for (size_t i = 0; i < c.length; ++i) text += static_cast<char>('a' + i % 26);
        f.ShowStatus(text, false, CRLF);
        f.ShowStatus("new", true, CRLF);
        const std::string kept = c.cut ? text.substr(text.size() - 1000) : text;
        EXPECT_EQ(f.Status.Text(), kept + CRLF + "new");
        EXPECT_EQ(f.Status.SelStart(), static_cast<int>(f.Status.Text().size()));
    }
}

TEST_F(MainFormTest, TheCutNeverSplitsACharacter) {
    MainForm& f = form();
    f.Show();
    // 60001 bytes, the kept tail would start on the second byte of "é".
    std::string text(60001 - 1001, 'x');
    text += "\xC3\xA9";
    text += std::string(999, 'y');
    f.ShowStatus(text, false, CRLF);
    f.ShowStatus("z", true, CRLF);
    EXPECT_EQ(f.Status.Text(), std::string(999, 'y') + CRLF + "z");
}

TEST_F(MainFormTest, SelectingATabShowsItsDescriptionAndEmptiesTheProgressLabel) {
    MainForm& f = form();
    f.Show();
    struct Case {
        int tab;
        std::string status;
    } cases[] = {
        {1, "Process Detail Reports in RTF format."},
        {2, "Collision location validation utilities."},
        {3, "Generate a Rate Table in Published Format from a VRQ Class-Rate CSV report file."},
        {4, "Modify a Specified Sections Analysis CSV file." + CRLF + "or Analyse an SSA output subset CDE file."},
        {5, ""},
        {6, "Process Section Definition Files."},
        {7, ""},
        {0, "Process Collision Data Extract files."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        f.ShowStatus("left over", false, CRLF);
        f.lblSDFprogress.SetCaption("123 of 456");
        f.SSTab1.SetTab(c.tab);
        EXPECT_EQ(f.Status.Text(), c.status);
        EXPECT_EQ(f.lblSDFprogress.Caption(), "");
    }
}

TEST_F(MainFormTest, FrameButtons) {
    MainForm& f = form();
    f.Show();
    f.ShowStatus("something", false, CRLF);
    ui::ClickButton(f.cmdClearStatus);
    EXPECT_EQ(f.Status.Text(), "");

    AppFolder = data_ + "/";
    std::ofstream(AppFolder + "readme.txt") << "Tessawin - read me\n";
    ui::ClickButton(f.cmdReadMe);
    ASSERT_EQ(launcher_->calls.size(), 1u);
    EXPECT_EQ(launcher_->calls[0].argv.back(), AppFolder + "readme.txt");
    EXPECT_FALSE(launcher_->calls[0].wait);

    ui_->ExpectMsgBox(ui::vbOK, "Tessawin Version " + VersionText() + CRLF + CRLF);
    ui::ClickButton(f.cmdAbout);
    ASSERT_EQ(ui_->shown.size(), 1u);
    EXPECT_EQ(ui_->shown[0].title, "Tessawin");
    EXPECT_EQ(ui_->shown[0].buttons, ui::vbOKOnly);

    int tests_run = 0;
    f.developer_test = [&] { ++tests_run; };
    f.cmdTest_Click();
    EXPECT_EQ(tests_run, 1);
    f.developer_test = nullptr;
    f.cmdTest_Click();
}

TEST_F(MainFormTest, UntestLeavesTheApostropheAsQuote) {
    form().Show();
    form().untest();
    EXPECT_EQ(Scan_Settings.ScanQuote, "'");
    EXPECT_EQ(Scan_Settings.ScanSeparator, ",");
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(MainFormTest, UnloadClosesTheSectionWindowsThenEndsTheProcess) {
    std::vector<std::string> log;
    OtherWindow shorts("frmShortSections", log), kml("frmSDF_KML", log), sheet("frmHMZLatLon", log);
    form().Show();
    kml.Show();
    sheet.Show();
    shorts.Show();
    MainForm::SetEndProcess([&] { log.push_back("end"); });
    form().UserClosed();
    EXPECT_EQ(log, (std::vector<std::string>{"frmShortSections", "frmSDF_KML", "end"}));
    EXPECT_TRUE(sheet.Loaded());
    EXPECT_EQ(Form_Index("frmShortSections"), -99);
    sheet.Unload();
}

TEST_F(MainFormTest, InDevelopmentModeUnloadDoesNotEndTheProcess) {
    form().Show();
    DevMode = true;
    form().UserClosed();
    EXPECT_EQ(ends_, 0);
    DevMode = false;
}

// Run by the test below from a copy of this program named like the
// development host.
TEST_F(MainFormTest, DevModeChildWritesWhatItSaw) {
    const char* out = std::getenv("TW_DEVMODE_OUT");
    if (!out) GTEST_SKIP() << "run by InTheDevelopmentHostTheCaptionSaysSo";
    form().Show();
    const std::string caption = form().Caption();
    const bool dev = DevMode;
    form().UserClosed();
    std::ofstream(out) << caption << "\n" << dev << "\n" << ends_ << "\n";
}

TEST_F(MainFormTest, InTheDevelopmentHostTheCaptionSaysSo) {
    const fs::path copy = dir_ / ("app_mainform_" + std::string(MainForm::kDevHostExe));
    fs::copy_file(fs::read_symlink("/proc/self/exe"), copy);
    const fs::path out = dir_ / "devmode.txt";
    ASSERT_NO_FATAL_FAILURE(
        testsupport::RunChildTest(copy, "MainFormTest.DevModeChildWritesWhatItSaw", "TW_DEVMODE_OUT", out));
    std::ifstream in(out);
    std::string caption, dev, ends;
    std::getline(in, caption);
    std::getline(in, dev);
    std::getline(in, ends);
    EXPECT_EQ(caption, "Tessawin " + VersionText() + " - Development");
    EXPECT_EQ(dev, "1");
    EXPECT_EQ(ends, "0");  // unloading did not end the process
}

TEST_F(MainFormTest, ModulesReachTheStatusBoxOnlyWhileTheWindowIsLoaded) {
    form().Show();
    tessawin::WriteStatus("from a module", true);
    EXPECT_EQ(form().Status.Text(), "Process Collision Data Extract files." + CRLF + "from a module");
    form().Unload();
    EXPECT_FALSE(tessawin::HasStatusWriter());
}

TEST_F(MainFormTest, GetFileNameMessagesAndFocus) {
    Touch(data_ + "/a.csv");
    Touch(data_ + "/sub/c.csv");
    const std::string missing = data_ + "/nowhere";
    struct Case {
        std::string folder_text, file_text;
        bool ok;
        std::string message;   // "" when none
        bool focus_on_folder;  // where the focus goes after a message
        std::string folder, file;
        std::string fullname;  // after the check ("?" = left unchanged)
    } cases[] = {
        {"  ", "  ", false, "Enter an input folder", true, "", "", "?"},
        {"", "a.csv", false, "Enter an input folder", true, "", "a.csv", "?"},
        {missing, "", false, "Enter an input file", false, missing, "", "?"},
        {missing, "a.csv", false, "Folder: " + missing + CRLF + "Not found.", true, missing, "a.csv", "?"},
        {data_, "b.csv", false, "File: " + data_ + "/b.csv" + CRLF + "Not found.", false, data_, "b.csv",
         data_ + "/b.csv"},
        {" " + data_ + " ", " a.csv ", true, "", false, data_, "a.csv", data_ + "/a.csv"},
        {data_ + "/", "a.csv", true, "", false, data_ + "/", "a.csv", data_ + "/a.csv"},
        {data_, "*.CSV", true, "", false, data_, "*.CSV", data_ + "/*.CSV"},
        {data_, "sub/c.csv", true, "", false, data_, "sub/c.csv", data_ + "/sub/c.csv"},
    };
    MainForm& f = form();
    f.Show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder_text + " | " + c.file_text);
        f.SSA_Folder.SetText(c.folder_text);
        f.SSA_File.SetText(c.file_text);
        f.Out_Folder.SetFocus();
        if (!c.message.empty()) ui_->ExpectMsgBox(ui::vbOK, c.message);
        ui_->shown.clear();
        std::string folder = "?", file = "?", fullname = "?";
        EXPECT_EQ(f.GetFileName(f.SSA_Folder, f.SSA_File, folder, file, fullname), c.ok);
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(file, c.file);
        EXPECT_EQ(fullname, c.fullname);
        if (c.message.empty()) {
            EXPECT_TRUE(ui_->shown.empty());
            EXPECT_TRUE(f.Out_Folder.HasFocus());
        } else {
            ASSERT_EQ(ui_->shown.size(), 1u);
            EXPECT_EQ(ui_->shown[0].prompt, c.message);
            EXPECT_EQ(ui_->shown[0].title, "Tessawin");
            EXPECT_EQ(ui_->shown[0].buttons, ui::vbExclamation);
            EXPECT_TRUE((c.focus_on_folder ? f.SSA_Folder : f.SSA_File).HasFocus());
        }
    }
}

TEST_F(MainFormTest, GetCDEfilenameFillsTheWindowsCDEState) {
    Touch(data_ + "/x.csv");
    MainForm& f = form();
    f.Show();
    f.CDE_folder.SetText(data_);
    f.CDE_file.SetText("x.csv");
    EXPECT_TRUE(f.GetCDEfilename());
    EXPECT_EQ(f.cde_folder, data_);
    EXPECT_EQ(f.cde_file, "x.csv");
    EXPECT_EQ(f.cde_fullname, data_ + "/x.csv");
}

TEST_F(MainFormTest, CheckOutFolderMessagesAndFocus) {
    struct Case {
        std::string text;
        bool ok;
        std::string message, out;
    } cases[] = {
        {"   ", false, "Enter an output folder", ""},
        {data_ + "/none", false, "Folder: " + data_ + "/none" + CRLF + "Not found.", data_ + "/none"},
        {"  " + data_ + "  ", true, "", data_},
    };
    MainForm& f = form();
    f.Show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        f.Out_Folder.SetText(c.text);
        f.CDE_folder.SetFocus();
        if (!c.message.empty()) ui_->ExpectMsgBox(ui::vbOK, c.message);
        std::string out = "?";
        EXPECT_EQ(f.Check_OutFolder(out), c.ok);
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(f.Out_Folder.HasFocus(), !c.ok);
    }
}

// The first-run output folder is made when a command first uses it; any
// other missing folder stays missing.
TEST_F(MainFormTest, TheDefaultOutputFolderIsMadeOnFirstUse) {
    const char* home = std::getenv("HOME");
    const std::string saved = home ? home : "";
    ::setenv("HOME", (dir_ / "home").c_str(), 1);
    MainForm& f = form();
    f.Out_Folder.SetText(Default_Out_Folder());
    EXPECT_EQ(Default_Out_Folder(), (dir_ / "home").string() + "/Tessawin/output/");
    std::string out;
    EXPECT_TRUE(f.Check_OutFolder(out));
    EXPECT_TRUE(fs::is_directory(dir_ / "home" / "Tessawin" / "output"));
    EXPECT_TRUE(ui_->shown.empty());
    ::setenv("HOME", saved.c_str(), 1);
}

TEST_F(MainFormTest, ConfirmDeleteFile) {
    MainForm& f = form();
    f.Show();
    const std::string file = data_ + "/out.csv";
    EXPECT_TRUE(f.Confirm_Delete_File(file, true));  // nothing to delete, nothing asked

    Touch(file);
    ui_->ExpectMsgBox(ui::vbCancel, "File " + file + CRLF + "already exists." + CRLF + CRLF + "OK to delete it?");
    EXPECT_FALSE(f.Confirm_Delete_File(file, true));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(ui_->shown.back().title, "Delete/Replace File?");
    EXPECT_EQ(ui_->shown.back().buttons, ui::vbOKCancel + ui::vbExclamation);

    ui_->ExpectMsgBox(ui::vbOK, "OK to delete it?");
    f.ShowStatus("", false, CRLF);
    EXPECT_TRUE(f.Confirm_Delete_File(file, true));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(f.Status.Text(), CRLF + "Deleted file " + file);

    Touch(file);
    EXPECT_TRUE(f.Confirm_Delete_File(file, false));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(MainFormTest, ConfirmDeleteFileReportsAFileThatStays) {
    // A file the system will not let anyone delete.
    const std::string file = "/proc/self/status";
    if (!FileExists(file)) GTEST_SKIP() << "no undeletable file here";
    MainForm& f = form();
    f.Show();
    ui_->ExpectMsgBox(ui::vbOK, "occurred when trying to delete file" + CRLF + CRLF + file + CRLF + CRLF);
    EXPECT_FALSE(f.Confirm_Delete_File(file, false));
    EXPECT_EQ(ui_->shown.back().title, "Delete Error");
    EXPECT_NE(ui_->shown.back().prompt.find("The file may be in use by another process" + CRLF +
                                            "If so, close it, then retry the Dravnor operation."),
              std::string::npos);
}

TEST_F(MainFormTest, ConfirmDeleteFileKeepsAReadOnlyOrBusyFile) {
    MainForm& f = form();
    f.Show();
    const std::string file = data_ + "/out.xlsx";
    struct Case {
        const char* what;
        std::function<void()> hold;  // makes the file one that may not go
        std::string error;           // number and description in the box
    };
    int fd = -1;
    const Case cases[] = {
        {"read-only", [&] { fs::permissions(file, fs::perms::owner_read | fs::perms::group_read); },
         "Error 75 occurred when trying to delete file" + CRLF + CRLF + file + CRLF + CRLF + "Path/File access error"},
        {"LibreOffice lock file beside it", [&] { Touch(data_ + "/.~lock.out.xlsx#"); },
         "Error 70 occurred when trying to delete file" + CRLF + CRLF + file + CRLF + CRLF + "Permission denied"},
        {"Excel owner file beside it", [&] { Touch(data_ + "/~$out.xlsx"); }, "Error 70 occurred"},
        {"locked by another holder",
         [&] {
             fd = ::open(file.c_str(), O_RDWR);
             struct flock fl {};
             fl.l_type = F_WRLCK;
             fl.l_whence = SEEK_SET;
             ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &fl), 0);
         },
         "Error 70 occurred"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& e : fs::directory_iterator(data_))
            if (e.is_regular_file()) fs::remove(e.path());
        Touch(file);
        c.hold();
        ui_->shown.clear();
        ui_->ExpectMsgBox(ui::vbOK, "OK to delete it?");
        ui_->ExpectMsgBox(ui::vbOK, c.error);
        EXPECT_FALSE(f.Confirm_Delete_File(file, true));
        EXPECT_TRUE(fs::exists(file));
        ASSERT_EQ(ui_->shown.size(), 2u);
        EXPECT_EQ(ui_->shown[1].title, "Delete Error");
        EXPECT_EQ(ui_->shown[1].buttons, ui::vbExclamation);
        if (fd >= 0) ::close(fd);
        fd = -1;
        fs::permissions(file, fs::perms::owner_all);
    }
    // Freed again, it goes.
    EXPECT_TRUE(f.Confirm_Delete_File(file, false));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(MainFormTest, BrowseButtonsFillTheirBoxes) {
    MainForm& f = form();
    f.Show();
    struct Case {
        ui::CommandButton* button;
        ui::TextBox* folder;
        ui::TextBox* file;
        std::string title, filter;
    } cases[] = {
        {&f.cmdCDEBrowse, &f.CDE_folder, &f.CDE_file, "Specify the Collision Data Extract csv file", "CSV files|*.csv"},
        {&f.cmdDetailBrowse, &f.Detail_Folder, &f.Detail_File, "Specify the Detail Report RTF file", "RTF files|*.rtf"},
        {&f.cmdCLRbrowse, &f.CLR_Folder, &f.CLR_File, "Specify the Class-Rate csv file", "CSV files|*.csv"},
        {&f.cmdSSAbrowse, &f.SSA_Folder, &f.SSA_File, "Specify the Specified Section Analysis csv file",
         "CSV files|*.csv"},
        {&f.cmdSDFbrowse, &f.SDF_folder, &f.SDF_file, "Specify the Section Definition csv file", "CSV files|*.csv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        c.folder->SetText(data_ + "/");
        c.file->SetText("old.csv");
        ui::FileDialogRequest req;
        ui_->ExpectFile(data_ + "/sub/new.csv", &req);
        ui::ClickButton(*c.button);
        EXPECT_EQ(req.title, c.title);
        EXPECT_EQ(req.filter, c.filter);
        EXPECT_EQ(req.flags, 2060 + 4096);
        EXPECT_FALSE(req.save);
        EXPECT_EQ(req.initial_folder, data_ + "/");
        EXPECT_EQ(req.initial_file, "old.csv");
        EXPECT_EQ(c.folder->Text(), data_ + "/sub/");
        EXPECT_EQ(c.file->Text(), "new.csv");
        EXPECT_TRUE(c.file->HasFocus());
    }
}

TEST_F(MainFormTest, SdfBrowseOfTheCdeTabKeepsABareNameForTheCdeFolder) {
    MainForm& f = form();
    f.Show();
    f.CDE_folder.SetText(data_);
    f.CDE_SDF_file.SetText("old.csv");

    ui::FileDialogRequest req;
    ui_->ExpectFileCancel(&req);
    ui::ClickButton(f.cmdBrowseSDF);
    EXPECT_EQ(f.CDE_SDF_file.Text(), "old.csv");
    EXPECT_EQ(req.title, "Specify the Section Definition File");
    EXPECT_EQ(req.filter, "All Files (*.*)|*.*");
    EXPECT_EQ(req.initial_folder, data_);
    EXPECT_EQ(req.initial_file, "old.csv");
    EXPECT_EQ(req.flags, 2060 + 4096);

    ui_->ExpectFile(data_ + "/sdf.csv");
    ui::ClickButton(f.cmdBrowseSDF);
    EXPECT_EQ(f.CDE_SDF_file.Text(), "sdf.csv");

    ui_->ExpectFile(data_ + "/sub/sdf.csv");
    ui::ClickButton(f.cmdBrowseSDF);
    EXPECT_EQ(f.CDE_SDF_file.Text(), data_ + "/sub/sdf.csv");
}

}  // namespace
