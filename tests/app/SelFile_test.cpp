#include "app/SelFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/headless.h"

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

class BrowseForm : public ui::Form {
public:
    BrowseForm() : ui::Form("frmBrowseTest") {}
    ui::TextBox& txtFolder = Add<ui::TextBox>("txtFolder");
    ui::TextBox& txtFile = Add<ui::TextBox>("txtFile");
    ui::TextBox& txtOther = Add<ui::TextBox>("txtOther");
};

class SelFileTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        SelFileFilter.clear();
        SelFileExtraFlags = 0;
        dir_ = fs::temp_directory_path() / ("selfile_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        folder_ = dir_.string() + "/";
        std::ofstream(folder_ + "a.csv") << "x\n";
    }
    void TearDown() override {
        form_.Unload();
        std::error_code ec;
        fs::remove_all(dir_, ec);
        HeadlessTest::TearDown();
    }
    // Runs one GetFileFn answered by `chosen` (cancel when empty) and returns the request.
    ui::FileDialogRequest RunGetFile(const std::string& deffn, const std::string& title, const std::string& initdir,
                                     const std::string& mode, const std::string& chosen = "") {
        ui::FileDialogRequest req;
        if (chosen.empty())
            ui_->ExpectFileCancel(&req);
        else
            ui_->ExpectFile(chosen, &req);
        std::string out = "unchanged";
        GetFileFn(deffn, title, initdir, mode, out);
        return req;
    }

    fs::path dir_;
    std::string folder_;
    BrowseForm form_;
};

TEST_F(SelFileTest, TitlesOfTheTwoFileChoices) {
    struct Case {
        std::string noun, get_file_title, path_file_title;
    } cases[] = {
        {"output", "Specify the output file", "Specify the output file"},
        {"Section Definition File", "Specify the Section Definition File", "Specify the Section Definition File"},
        {"Collision Data Extract csv file", "Specify the Collision Data Extract csv file",
         "Specify the Collision Data Extract csv file"},
        {"notes file.", "Specify the notes file.", "Specify the notes file."},
        {"Report.", "Specify the Report. file", "Specify the Report."},
    };
    form_.Load();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.noun);
        EXPECT_EQ(RunGetFile("", c.noun, "", "Read").title, c.get_file_title);
        ui::FileDialogRequest req;
        ui_->ExpectFileCancel(&req);
        SelectPathFileFn(form_.txtFolder, form_.txtFile, c.noun, "Read");
        EXPECT_EQ(req.title, c.path_file_title);
    }
}

TEST_F(SelFileTest, FlagsAndDialogKindFollowTheMode) {
    struct Case {
        std::string mode;
        int flags;
        bool save;
    } cases[] = {
        {"READ", 2060 + 4096, false},
        {"Read", 2060 + 4096, false},
        {"WRITE", 2060 + 32768, true},
        {"write", 2060 + 32768, true},
        {"", 2060, true},
        {"Append", 2060, true},
    };
    form_.Load();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ui::FileDialogRequest req = RunGetFile("", "x", "", c.mode);
        EXPECT_EQ(req.flags, c.flags);
        EXPECT_EQ(req.save, c.save);
        // The folder-and-file choice always opens, with the same flags.
        ui_->ExpectFileCancel(&req);
        SelectPathFileFn(form_.txtFolder, form_.txtFile, "x", c.mode);
        EXPECT_EQ(req.flags, c.flags);
        EXPECT_FALSE(req.save);
    }
}

TEST_F(SelFileTest, ExtraFlagsAndFilterLastForOneDialogEvenWhenCancelled) {
    SelFileExtraFlags = 512;
    SelFileFilter = "CSV files|*.csv";
    ui::FileDialogRequest first = RunGetFile("", "x", "", "Read");
    EXPECT_EQ(first.flags, 2060 + 4096 + 512);
    EXPECT_EQ(first.filter, "CSV files|*.csv");
    EXPECT_EQ(SelFileFilter, "");
    EXPECT_EQ(SelFileExtraFlags, 0);

    ui::FileDialogRequest second = RunGetFile("", "x", "", "Read");
    EXPECT_EQ(second.flags, 2060 + 4096);
    EXPECT_EQ(second.filter, "All Files (*.*)|*.*");

    std::string path;
    SelFileExtraFlags = 1;
    SelFileFilter = "RTF files|*.rtf";
    ui::FileDialogRequest folder_req;
    ui_->ExpectFileCancel(&folder_req);
    EXPECT_FALSE(GetPathFn("output", folder_, "Read", path));
    EXPECT_EQ(folder_req.flags, 12 + 1);
    EXPECT_EQ(folder_req.filter, "RTF files|*.rtf");
    ui::FileDialogRequest after = RunGetFile("", "x", "", "Read");
    EXPECT_EQ(after.filter, "All Files (*.*)|*.*");
}

TEST_F(SelFileTest, InitialFolderAndFileOfAFileChoice) {
    const std::string file = folder_ + "a.csv";
    const std::string bare_dir = dir_.string();
    struct Case {
        std::string deffn, initdir, folder, name;
    } cases[] = {
        {"", "", "", ""},
        {bare_dir, "", bare_dir, ""},                     // an existing folder: no file name
        {file, "", folder_, "a.csv"},                     // split into its folder and name
        {file, "  ", folder_, "a.csv"},                   // a blank initdir is none
        {file, folder_, folder_, "a.csv"},                // the same folder keeps the name
        {file, Upper(folder_), Upper(folder_), "a.csv"},  // compared in upper case
        {file, bare_dir, bare_dir, ""},                   // without its separator it differs
        {file, "/elsewhere/", "/elsewhere/", ""},
        {"b.csv", folder_, folder_, "b.csv"},  // a bare name is kept
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deffn + " | " + c.initdir);
        ui::FileDialogRequest req = RunGetFile(c.deffn, "x", c.initdir, "Read");
        EXPECT_EQ(req.initial_folder, c.folder);
        EXPECT_EQ(req.initial_file, c.name);
    }
}

TEST_F(SelFileTest, GetFileFnGivesTheChoiceOrLeavesTheOutputAlone) {
    std::string out = "before";
    ui_->ExpectFileCancel();
    EXPECT_FALSE(GetFileFn("", "x", "", "Read", out));
    EXPECT_EQ(out, "before");
    ui_->ExpectFile(folder_ + "a.csv");
    EXPECT_TRUE(GetFileFn("", "x", "", "Read", out));
    EXPECT_EQ(out, folder_ + "a.csv");
}

TEST_F(SelFileTest, SelectPathFileFillsBothBoxesAndFocusesTheFileBox) {
    form_.Show();
    form_.txtFolder.SetText("/start/");
    form_.txtFile.SetText("old.csv");
    form_.txtOther.SetFocus();

    ui::FileDialogRequest req;
    ui_->ExpectFileCancel(&req);
    EXPECT_FALSE(SelectPathFileFn(form_.txtFolder, form_.txtFile, "x", "Read"));
    EXPECT_EQ(req.initial_folder, "/start/");
    EXPECT_EQ(req.initial_file, "old.csv");
    EXPECT_EQ(form_.txtFolder.Text(), "/start/");
    EXPECT_EQ(form_.txtFile.Text(), "old.csv");
    EXPECT_TRUE(form_.txtOther.HasFocus());

    ui_->ExpectFile(folder_ + "a.csv");
    SelectPathFile(form_.txtFolder, form_.txtFile, "x", "Read");
    EXPECT_EQ(form_.txtFolder.Text(), folder_);
    EXPECT_EQ(form_.txtFile.Text(), "a.csv");
    EXPECT_TRUE(form_.txtFile.HasFocus());
}

TEST_F(SelFileTest, SelectFileFillsTheBoxAndFocusesItOnlyWhenItCanTakeIt) {
    form_.Show();
    form_.txtOther.SetFocus();
    form_.txtFile.SetEnabled(false);
    ui::FileDialogRequest req;
    ui_->ExpectFile(folder_ + "a.csv", &req);
    SelectFile(form_.txtFile, "workbook", "", "Read");
    EXPECT_EQ(form_.txtFile.Text(), folder_ + "a.csv");
    EXPECT_TRUE(form_.txtOther.HasFocus());
    EXPECT_EQ(req.title, "Specify the workbook file");

    form_.txtFile.SetEnabled(true);
    ui_->ExpectFile(folder_ + "b.csv");
    EXPECT_TRUE(SelectFileFn(form_.txtFile, "workbook", "", "Write"));
    EXPECT_EQ(form_.txtFile.Text(), folder_ + "b.csv");
    EXPECT_TRUE(form_.txtFile.HasFocus());
}

TEST_F(SelFileTest, FolderChoiceRefusesMissingAndUnwritableFoldersAndAsksAgain) {
    std::string path = "before";
    ui::FileDialogRequest req;
    ui_->ExpectFile(folder_ + "missing/dummy", &req);
    ui_->ExpectMsgBox(ui::vbOK, "Folder " + folder_ + "missing/ does not exist!");
    ui_->ExpectFile("/proc/dummy");
    ui_->ExpectMsgBox(ui::vbOK, "You do not have write access to folder /proc/");
    ui_->ExpectFileCancel();
    EXPECT_FALSE(GetPathFn("output", folder_, "WRITE", path));
    EXPECT_EQ(path, "");
    EXPECT_EQ(req.title, "Specify any file in the output folder");
    EXPECT_EQ(req.initial_folder, folder_);
    EXPECT_EQ(req.initial_file, "dummy");
    ASSERT_EQ(ui_->shown.size(), 5u);
    EXPECT_EQ(ui_->shown[1].title, "Pelmor Shell");
    EXPECT_EQ(ui_->shown[1].buttons, ui::vbExclamation);
    EXPECT_EQ(ui_->shown[3].title, "Pelmor Shell");
}

TEST_F(SelFileTest, FolderChoiceTestsWritabilityOnlyForUpperCaseWrite) {
    std::string path;
    ui_->ExpectFile("/proc/dummy");
    EXPECT_TRUE(GetPathFn("output", "", "write", path));
    EXPECT_EQ(path, "/proc/");

    form_.Show();
    form_.txtFolder.SetText(folder_);
    ui::FileDialogRequest req;
    ui_->ExpectFile(folder_ + "anything.txt", &req);
    SelectPath(form_.txtFolder, "data", "WRITE");
    EXPECT_EQ(req.initial_folder, folder_);
    EXPECT_EQ(form_.txtFolder.Text(), folder_);
    EXPECT_TRUE(form_.txtFolder.HasFocus());
}

}  // namespace
