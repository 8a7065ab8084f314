// Paths, file and folder tests, newest-by-name lookups and Shell_Command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/Brellinlib.h"
#include "platform/shell/shell.h"
#include "tests/support/headless.h"

namespace {

namespace fs = std::filesystem;

TEST(PathParts, Table) {
    struct Case {
        std::string path, add_backslash, file_name, folder, no_ext, base;
    };
    const Case cases[] = {
        {"", "", "", "", "", ""},
        {"   ", "", "   ", "", "   ", "   "},
        {"  /data/in", "/data/in/", "in", "  /data/", "  /data/in", "in"},
        {"/data/in/", "/data/in/", "", "/data/in/", "/data/in/", ""},
        {"/data/in/x.csv", "/data/in/x.csv/", "x.csv", "/data/in/", "/data/in/x", "x"},
        {"report.v2.csv", "report.v2.csv/", "report.v2.csv", "", "report.v2", "report.v2"},
        {"/my.data/readme", "/my.data/readme/", "readme", "/my.data/", "/my", "readme"},
        {"c:name", "c:name/", "c:name", "", "c:name", "c:name"},
        {"a\\b.txt", "a\\b.txt/", "a\\b.txt", "", "a\\b", "a\\b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AddBackslash(c.path), c.add_backslash) << "[" << c.path << "]";
        EXPECT_EQ(FileNamePart(c.path), c.file_name) << "[" << c.path << "]";
        EXPECT_EQ(FolderPart(c.path), c.folder) << "[" << c.path << "]";
        EXPECT_EQ(RemoveExtension(c.path), c.no_ext) << "[" << c.path << "]";
        EXPECT_EQ(FileBaseName(c.path), c.base) << "[" << c.path << "]";
    }
}

class DiskTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        std::string tmpl = (fs::temp_directory_path() / "tw_files_XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = AddBackslash(tmpl);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        HeadlessTest::TearDown();
    }
    std::string Make(const std::string& name, const std::string& text = "x\n") {
        std::ofstream(dir_ + name) << text;
        return dir_ + name;
    }
    std::string Folder(const std::string& name) {
        fs::create_directories(dir_ + name);
        return dir_ + name;
    }
    std::string dir_;
};

TEST_F(DiskTest, ExistenceTests) {
    Make("HMZ_Data_201904.mdb");
    Make(".hidden.csv");
    Folder("sub");
    struct Case {
        std::string path;
        bool file, folder;
    };
    const Case cases[] = {
        {dir_ + "HMZ_Data_201904.mdb", true, false},
        {dir_ + "hmz_data_*.MDB", true, false},
        {dir_ + "HMZ_Data_2019??.mdb", true, false},
        {dir_ + "*.*", true, false},
        {dir_ + "*.csv", false, false},
        {dir_ + ".hidden.csv", true, false},
        {dir_ + "hmz_data_201904.mdb", false, false},
        {dir_ + "sub", false, true},
        {dir_ + "sub/", false, true},
        {dir_ + "missing", false, false},
        {dir_ + "missing/*.mdb", false, false},
        {"", false, true},
        {"   ", false, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileExists(c.path), c.file) << c.path;
        EXPECT_EQ(FolderExists(c.path), c.folder) << c.path;
    }
}

TEST_F(DiskTest, FolderWritable) {
    EXPECT_TRUE(FolderWritable(dir_));
    EXPECT_TRUE(FolderWritable(dir_.substr(0, dir_.size() - 1))) << "without its slash";
    EXPECT_FALSE(fs::exists(dir_ + "temp$$.tmp"));
    Make("temp$$.tmp", "left behind");
    EXPECT_TRUE(FolderWritable(dir_));
    EXPECT_FALSE(fs::exists(dir_ + "temp$$.tmp"));
    EXPECT_FALSE(FolderWritable(dir_ + "missing"));
}

TEST_F(DiskTest, NewestByName) {
    for (const char* n : {"HMZ_Data_201804.mdb", "HMZ_Data_201904.mdb", "HMZ_Data_201712.MDB", "HMZ_Data_2019.txt"})
        Make(n);
    Folder("HMZ_Data_202104.mdb");  // a folder is not a file
    Folder("Data_2018");
    Folder("data_2020");
    Folder("Data_2019");
    Make("Data_2099");  // a file is not a folder

    EXPECT_EQ(Last_File_Matching(dir_ + "HMZ_Data_*.mdb"), "HMZ_Data_201904.mdb");
    EXPECT_EQ(Last_File_Matching(dir_ + "hmz_data_2017*"), "HMZ_Data_201712.MDB");
    EXPECT_EQ(Last_File_Matching(dir_ + "*.none"), "");
    EXPECT_EQ(Last_File_Matching(dir_ + "missing/*.mdb"), "");
    EXPECT_EQ(Last_File_Matching(""), "");
    EXPECT_EQ(Last_Folder_Matching(dir_ + "Data_*"), "data_2020");
    EXPECT_EQ(Last_Folder_Matching(dir_ + "DATA_2018"), "Data_2018") << "the name on disk";
    EXPECT_EQ(Last_File_Matching(dir_ + "hmz_data_201804.MDB"), "HMZ_Data_201804.mdb");
    EXPECT_EQ(Last_File_Matching(dir_ + "data_2018"), "") << "a folder is not a file";
    EXPECT_EQ(Last_Folder_Matching(dir_ + "Data_2018"), "Data_2018");
    EXPECT_EQ(Last_Folder_Matching(dir_ + "*.zip"), "");
}

// Every match, with the name as it is on disk, whatever the pattern's case.
TEST_F(DiskTest, EveryFileMatching) {
    for (const char* n : {"TRgeo_HMZ201807_SegGeometry.mdb", "trgeo_hmz200806_seggeometry.MDB", "TRgeo_HMZ.txt"})
        Make(n);
    Folder("TRgeo_HMZ209901_SegGeometry.mdb");  // a folder is not a file
    EXPECT_EQ(Files_Matching(dir_ + "TRgeo_HMZ*_SegGeometry.mdb"),
              (std::vector<std::string>{"TRgeo_HMZ201807_SegGeometry.mdb", "trgeo_hmz200806_seggeometry.MDB"}));
    EXPECT_TRUE(Files_Matching(dir_ + "*.none").empty());
    EXPECT_TRUE(Files_Matching(dir_ + "missing/*.mdb").empty());
    EXPECT_TRUE(Files_Matching("").empty());
}

// Windows patterns know only "*" and "?": brackets and backslashes are
// characters of the name like any other.
TEST_F(DiskTest, PatternsHaveNoCharacterClassesOrEscapes) {
    for (const char* n : {"seg[1].csv", "seg1.csv", "segs.csv", "back\\slash.txt"}) Make(n);
    struct Case {
        std::string pattern, last;
        bool exists;
    };
    const Case cases[] = {
        {"seg[1]*", "seg[1].csv", true},
        {"SEG[1].*", "seg[1].csv", true},
        {"seg[s]*", "", false},
        {"seg[a-z]*", "", false},
        {"back\\s*", "back\\slash.txt", true},
        {"seg?.csv", "segs.csv", true},
        {"s*g*1*", "seg[1].csv", true},
        {"*", "segs.csv", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Last_File_Matching(dir_ + c.pattern), c.last) << c.pattern;
        EXPECT_EQ(FileExists(dir_ + c.pattern), c.exists) << c.pattern;
    }
}

// A child process that holds a lock on a file until it is told to go.
class LockHolder {
public:
    enum Kind { Fcntl, Flock };
    LockHolder(const std::string& path, Kind kind) {
        int ready[2], go[2];
        EXPECT_EQ(pipe(ready), 0);
        EXPECT_EQ(pipe(go), 0);
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(go[1]);
            int fd = open(path.c_str(), O_RDWR);
            bool ok = fd >= 0;
            if (ok && kind == Fcntl) {
                struct flock fl {};
                fl.l_type = F_WRLCK;
                fl.l_whence = SEEK_SET;
                ok = fcntl(fd, F_SETLK, &fl) == 0;
            } else if (ok) {
                ok = flock(fd, LOCK_EX) == 0;
            }
            char c = ok ? 'y' : 'n';
            (void)!write(ready[1], &c, 1);
            (void)!read(go[0], &c, 1);
            _exit(0);
        }
        close(ready[1]);
        close(go[0]);
        go_ = go[1];
        char c = 'n';
        EXPECT_EQ(read(ready[0], &c, 1), 1);
        close(ready[0]);
        locked_ = c == 'y';
    }
    ~LockHolder() {
        close(go_);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    bool locked() const { return locked_; }

private:
    pid_t pid_ = -1;
    int go_ = -1;
    bool locked_ = false;
};

TEST_F(DiskTest, FileStatusOfFreeMissingAndLockedFiles) {
    const std::string f = Make("volumes.xlsx");
    EXPECT_EQ(FileStatus(dir_ + "absent.xlsx"), -1);
    EXPECT_EQ(FileStatus(""), -1);
    EXPECT_EQ(FileStatus(dir_), -1) << "a folder is no file";
    EXPECT_EQ(FileStatus(f), 0);
    for (auto kind : {LockHolder::Fcntl, LockHolder::Flock}) {
        {
            LockHolder holder(f, kind);
            ASSERT_TRUE(holder.locked());
            EXPECT_EQ(FileStatus(f), 1) << (kind == LockHolder::Fcntl ? "fcntl" : "flock");
        }
        EXPECT_EQ(FileStatus(f), 0) << "free again once the holder is gone";
    }
}

TEST_F(DiskTest, FileStatusSeesOfficeLockFiles) {
    const std::string f = Make("report.xlsx");
    for (const char* lock : {".~lock.report.xlsx#", "~$report.xlsx"}) {
        Make(lock);
        EXPECT_EQ(FileStatus(f), 1) << lock;
        fs::remove(dir_ + lock);
        EXPECT_EQ(FileStatus(f), 0) << lock;
    }
}

TEST_F(DiskTest, FileStatusOfAFileThatCannotBeOpenedForWriting) {
    const std::string f = Make("readonly.csv");
    fs::permissions(f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (geteuid() != 0) {
        EXPECT_EQ(FileStatus(f), 1);
        return;
    }
    // Permissions do not bind root: ask as an ordinary user in a child.
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        int16_t st = FileStatus(f);
        _exit(st == 1 ? 0 : st == -1 ? 3 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "the temporary folder is out of an ordinary user's reach";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: could not become an ordinary user";
}

TEST_F(DiskTest, FileStatusWarnsOfOtherErrorsAndCountsTheFileLocked) {
    Make("report.xlsx");
    const std::string pattern = dir_ + "*.XLSX";
    ui_->ExpectMsgBox(ui::vbOK, "Error 2: No such file or directory\nencountered in function FileStatus for file:\n" +
                                    pattern + "\n(Setting status to 1 (Locked).");
    EXPECT_EQ(FileStatus(pattern), 1);
    ASSERT_EQ(ui_->shown.size(), 1u);
    EXPECT_EQ(ui_->shown[0].title, "FileStatus Error");
    EXPECT_EQ(ui_->shown[0].buttons, ui::vbExclamation);
}

class ShellCommandTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
    }
    void TearDown() override {
        shell::SetLauncher(nullptr);
        HeadlessTest::TearDown();
    }
    std::shared_ptr<shell::RecordingLauncher> launcher_;
};

TEST_F(ShellCommandTest, ArgumentVectors) {
    using Argv = std::vector<std::string>;
    struct Case {
        std::string program, args;
        Argv argv;
    };
    const Case cases[] = {
        {"Notepad", "/opt/tessawin/readme.txt", {"xdg-open", "/opt/tessawin/readme.txt"}},
        {"notepad.exe", " /my docs/HMZhelp.txt ", {"xdg-open", "/my docs/HMZhelp.txt"}},
        {"sort", "\"/a b/x.csv\"", {"sort", "/a b/x.csv"}},
        {"cmd.exe /C \"/opt/google earth/googleearth\"", "/out/x.kml", {"/opt/google earth/googleearth", "/out/x.kml"}},
        {"viewer -q", "", {"viewer", "-q"}},
        {"echo", "a; rm -rf /", {"echo", "a; rm -rf /"}},
    };
    for (const auto& c : cases) {
        launcher_->calls.clear();
        Shell_Command(c.program, c.args, vbNormalFocus);
        ASSERT_EQ(launcher_->calls.size(), 1u) << c.program;
        EXPECT_EQ(launcher_->calls[0].argv, c.argv) << c.program;
        EXPECT_FALSE(launcher_->calls[0].wait) << c.program;
    }
}

TEST_F(ShellCommandTest, StartFailureIsReported) {
    launcher_->result = shell::LaunchResult{false, ENOENT, "No such file or directory", -1};
    ui_->ExpectMsgBox(ui::vbOK,
                      "Error: 2 - No such file or directory\nwhen shelling command: nosuchprog x.txt\n\n"
                      "This probably means the program file cannot be found.\n"
                      "Note that unless the program is an EXE file, its extension\n(e.g. .com or .bat) must be "
                      "included.");
    Shell_Command("nosuchprog", "x.txt", vbNormalFocus);
    ASSERT_EQ(ui_->shown.size(), 1u);
    EXPECT_EQ(ui_->shown[0].buttons, ui::vbExclamation);
    EXPECT_EQ(ui_->shown[0].title, ui::kProgramTitle);
}

TEST_F(ShellCommandTest, EmptyProgramIsReportedWithoutStartingAnything) {
    ui_->ExpectMsgBox(ui::vbOK, "when shelling command:");
    Shell_Command("  ", "x.txt", vbNormalFocus);
    EXPECT_TRUE(launcher_->calls.empty());
}

TEST_F(DiskTest, ShellCommandStartsARealProgramWithoutAShell) {
    // The argument holds shell syntax; a shell would create the file.
    const std::string marker = dir_ + "made_by_a_shell";
    Shell_Command("true", "; touch " + marker, vbHide);
    auto r = shell::RunAndWait({"true"});
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(fs::exists(marker));
}

}  // namespace
