#include "platform/shell/scratch.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/shell/shell.h"

namespace shell {

namespace {

std::string& Current() {
    static std::string folder;
    return folder;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

void RemoveAtExit() {
    const std::string& folder = Current();
    if (!folder.empty()) ::nftw(folder.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// Still ours: a real folder (not a link), owned by us, closed to others.
bool StillPrivate(const std::string& folder) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

}  // namespace

std::string PrivateTempFolder() {
    static std::once_flag registered;
    std::string& folder = Current();
    if (!folder.empty() && StillPrivate(folder)) return folder + "/";
    std::string base = Environ("temp");
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    std::string tmpl = base + "/tessawin-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) {  // mkdtemp makes it with mode 0700
        folder.clear();
        return "";
    }
    folder = buf.data();
    std::call_once(registered, [] { std::atexit(RemoveAtExit); });
    return folder + "/";
}

}  // namespace shell
