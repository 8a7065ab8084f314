// Brellinlib: paths, files and folders, and starting outside programs.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/Brellinlib.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"

namespace {

bool Blank(const std::string& s) {
    return s.find_first_not_of(' ') == std::string::npos;
}

bool HasWildcards(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string s) {
    for (char& c : s) c = LowerChar(c);
    return s;
}

bool IsRegular(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A file-name pattern as the Windows listing reads it: "*" any run, "?" any
// one character, everything else (brackets, backslashes) itself, without
// regard to case. A leading "." of the name is matched only by a "." in the
// pattern.
bool WildMatch(const std::string& pattern, const std::string& name) {
    if (!name.empty() && name[0] == '.' && (pattern.empty() || pattern[0] != '.')) return false;
    std::size_t p = 0, n = 0, star = std::string::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || LowerChar(pattern[p]) == LowerChar(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// The names in Pattern's folder that its last part matches, without regard to
// case. A name without wildcards is looked up as it stands unless
// `fold_literal`, when it too matches whatever its case and the names come as
// they are on disk. Names starting with "." (hidden ones) match only a
// pattern that starts with ".".
std::vector<std::string> ListNames(const std::string& Pattern, bool fold_literal = false) {
    std::vector<std::string> names;
    std::string folder = FolderPart(Pattern);
    std::string pattern = FileNamePart(Pattern);
    if (pattern.empty()) return names;
    const bool literal = !HasWildcards(pattern);
    if (literal && !fold_literal) {
        struct stat st {};
        if (::stat(Pattern.c_str(), &st) == 0) names.push_back(pattern);
        return names;
    }
    if (pattern == "*.*") pattern = "*";  // every name, with or without a dot
    const std::string lower_pattern = Lower(pattern);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (literal ? Lower(name) == lower_pattern : WildMatch(pattern, name)) names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

std::vector<std::string> ListFiles(const std::string& Pattern, bool fold_literal = false) {
    std::vector<std::string> files;
    const std::string folder = FolderPart(Pattern);
    for (auto& name : ListNames(Pattern, fold_literal))
        if (IsRegular(folder + name)) files.push_back(std::move(name));
    return files;
}

std::string GreatestName(const std::vector<std::string>& names) {
    std::string best;
    for (const auto& n : names)
        if (n > best) best = n;
    return best;
}

void FileStatusWarning(int err, const std::string& Path) {
    ui::MsgBox("Error " + std::to_string(err) + ": " + std::strerror(err) +
                   "\nencountered in function FileStatus for file:\n" + Path + "\n(Setting status to 1 (Locked).",
               ui::vbExclamation | ui::vbOKOnly, "FileStatus Error");
}

// Open for reading and writing but refused: another program holds the file.
bool InUseError(int err) {
    return err == EACCES || err == EPERM || err == EROFS || err == ETXTBSY || err == EBUSY;
}

bool LockUnsupported(int err) {
    return err == ENOLCK || err == EINVAL || err == EOPNOTSUPP;
}

// True when another holder's advisory lock (fcntl or flock) stands on fd.
bool LockedByOther(int fd) {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;  // the whole file
    int cmd = F_OFD_SETLK;   // also sees locks this process holds elsewhere
    int rc = ::fcntl(fd, cmd, &fl);
    if (rc != 0 && errno == EINVAL) {
        cmd = F_SETLK;
        rc = ::fcntl(fd, cmd, &fl);
    }
    if (rc == 0) {
        fl.l_type = F_UNLCK;
        ::fcntl(fd, cmd, &fl);
    } else if (!LockUnsupported(errno)) {
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    ::flock(fd, LOCK_UN);
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// Path parts

std::string AddBackslash(const std::string& Path) {
    std::size_t b = Path.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    std::string p = Path.substr(b, Path.find_last_not_of(' ') - b + 1);
    if (p.back() != '/') p += '/';
    return p;
}

std::string FileNamePart(const std::string& Path) {
    std::size_t p = Path.rfind('/');
    return p == std::string::npos ? Path : Path.substr(p + 1);
}

std::string FolderPart(const std::string& Path) {
    std::size_t p = Path.rfind('/');
    return p == std::string::npos ? "" : Path.substr(0, p + 1);
}

std::string RemoveExtension(const std::string& Path) {
    int32_t p = FindLastIn(Path, ".");
    return p == 0 ? Path : Path.substr(0, static_cast<std::size_t>(p - 1));
}

std::string FileBaseName(const std::string& Path) {
    return RemoveExtension(FileNamePart(Path));
}

// ---------------------------------------------------------------------------
// Tests on disk

bool FileExists(const std::string& Path) {
    if (Blank(Path)) return false;
    return !ListFiles(Path).empty();
}

bool FolderExists(const std::string& Path) {
    if (Blank(Path)) return true;
    return IsDirectory(Path);
}

bool FolderWritable(const std::string& Folder) {
    const std::string path = AddBackslash(Folder) + "temp$$.tmp";
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = ::close(fd) == 0;
    return ::unlink(path.c_str()) == 0 && ok;
}

int16_t FileStatus(const std::string& Path) {
    if (Blank(Path) || ListFiles(Path).empty()) return -1;
    const std::string folder = FolderPart(Path);
    const std::string name = FileNamePart(Path);
    // Office programs mark a document they hold open with a lock file beside it.
    if (IsRegular(folder + ".~lock." + name + "#") || IsRegular(folder + "~$" + name)) return 1;
    int fd = ::open(Path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        if (!InUseError(err)) FileStatusWarning(err, Path);
        return 1;
    }
    bool locked = LockedByOther(fd);
    ::close(fd);
    return locked ? 1 : 0;
}

bool FileReadOnly(const std::string& Path) {
    struct stat st {};
    if (Blank(Path) || ::stat(Path.c_str(), &st) != 0) return false;
    // The bits first: the superuser's access() ignores them.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(Path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS || errno == EPERM);
}

std::string Last_File_Matching(const std::string& Pattern) {
    if (Blank(Pattern)) return "";
    return GreatestName(ListFiles(Pattern, true));
}

std::vector<std::string> Files_Matching(const std::string& Pattern) {
    if (Blank(Pattern)) return {};
    std::vector<std::string> names = ListFiles(Pattern, true);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Last_Folder_Matching(const std::string& Pattern) {
    if (Blank(Pattern)) return "";
    const std::string folder = FolderPart(Pattern);
    std::vector<std::string> folders;
    for (auto& name : ListNames(Pattern, true))
        if (FolderExists(folder + name)) folders.push_back(std::move(name));
    return GreatestName(folders);
}

// ---------------------------------------------------------------------------
// Outside programs

namespace {

// Words of a command text; double quotes group words and are removed.
std::vector<std::string> CommandWords(const std::string& text) {
    std::vector<std::string> words;
    std::string cur;
    bool inside = false, have = false;
    for (char c : text) {
        if (c == '"') {
            inside = !inside;
            have = true;
        } else if ((c == ' ' || c == '\t') && !inside) {
            if (have) words.push_back(cur);
            cur.clear();
            have = false;
        } else {
            cur += c;
            have = true;
        }
    }
    if (have) words.push_back(cur);
    return words;
}

}  // namespace

bool Help_File_Found(const std::string& File) {
    if (FileExists(File)) return true;
    ui::MsgBox("File: " + File + " not found.\r\n\r\nIt belongs in the program folder, beside the program.",
               ui::vbExclamation, "");
    return false;
}

bool Shell_Command(const std::string& Program, const std::string& Args, int16_t WindowStyle) {
    (void)WindowStyle;  // the desktop places the window
    std::vector<std::string> argv = CommandWords(Program);
    if (argv.size() >= 2 && (Lower(argv[0]) == "cmd.exe" || Lower(argv[0]) == "cmd") && Lower(argv[1]) == "/c")
        argv.erase(argv.begin(), argv.begin() + 2);

    std::string arg;
    if (std::size_t b = Args.find_first_not_of(' '); b != std::string::npos)
        arg = Args.substr(b, Args.find_last_not_of(' ') - b + 1);
    if (arg.size() >= 2 && arg.front() == '"' && arg.back() == '"') arg = arg.substr(1, arg.size() - 2);

    shell::LaunchResult r;
    if (argv.size() == 1 && (Lower(argv[0]) == "notepad" || Lower(argv[0]) == "notepad.exe")) {
        r = shell::OpenInTextViewer(arg);
    } else if (argv.empty()) {
        r.error = ENOENT;
        r.error_text = std::strerror(ENOENT);
    } else {
        if (!arg.empty()) argv.push_back(arg);
        r = shell::Start(argv);
    }
    if (r.started) return true;
    ui::MsgBox("Error: " + std::to_string(r.error) + " - " + r.error_text + "\nwhen shelling command: " + Program +
                   " " + Args +
                   "\n\nThis probably means the program file cannot be found.\n"
                   "Note that unless the program is an EXE file, its extension\n"
                   "(e.g. .com or .bat) must be included.",
               ui::vbExclamation | ui::vbOKOnly, "");
    return false;
}
