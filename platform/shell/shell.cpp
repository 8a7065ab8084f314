#include "platform/shell/shell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace shell {

namespace {

std::shared_ptr<Launcher>& LauncherSlot() {
    static std::shared_ptr<Launcher> slot;
    return slot;
}

// Programs started without waiting; reaped at later starts so none stays a zombie.
std::vector<pid_t>& Unwaited() {
    static std::vector<pid_t> pids;
    return pids;
}

void ReapFinished() {
    auto& pids = Unwaited();
    for (std::size_t i = 0; i < pids.size();) {
        int status = 0;
        pid_t r = waitpid(pids[i], &status, WNOHANG);
        if (r == pids[i] || (r < 0 && errno == ECHILD)) {
            pids[i] = pids.back();
            pids.pop_back();
        } else {
            ++i;
        }
    }
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Get(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::vector<std::string>& GlobeViewerPaths() {
    static std::vector<std::string> paths;
    return paths;
}

const std::vector<std::string>& DefaultGlobeViewerPaths() {
    static const std::vector<std::string> paths = {
        "/opt/google/earth/pro/google-earth-pro",
        "/opt/google/earth/pro/googleearth",
        "/usr/bin/google-earth-pro",
    };
    return paths;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st{};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

LaunchResult ProcessLauncher::Launch(const std::vector<std::string>& argv, bool wait) {
    LaunchResult result;
    ReapFinished();
    if (argv.empty() || argv[0].empty()) {
        result.error = ENOENT;
        result.error_text = std::strerror(ENOENT);
        return result;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
    if (rc != 0) {
        result.error = rc;
        result.error_text = std::strerror(rc);
        return result;
    }
    result.started = true;
    if (!wait) {
        Unwaited().push_back(pid);
        return result;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            result.error = errno;
            result.error_text = std::strerror(errno);
            return result;
        }
    }
    // glibc reports a failed exec as exit code 127 of the child.
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    return result;
}

void SetLauncher(std::shared_ptr<Launcher> launcher) {
    LauncherSlot() = std::move(launcher);
}

Launcher& CurrentLauncher() {
    auto& slot = LauncherSlot();
    if (!slot) slot = std::make_shared<ProcessLauncher>();
    return *slot;
}

LaunchResult Start(const std::vector<std::string>& argv) {
    return CurrentLauncher().Launch(argv, false);
}

LaunchResult RunAndWait(const std::vector<std::string>& argv) {
    return CurrentLauncher().Launch(argv, true);
}

LaunchResult OpenDocument(const std::string& path) {
    return Start({"xdg-open", path});
}

LaunchResult OpenInTextViewer(const std::string& path) {
    return Start({"xdg-open", path});
}

LaunchResult OpenWebPage(const std::string& url) {
    return Start({"xdg-open", url});
}

void SetGlobeViewerInstallPaths(std::vector<std::string> paths) {
    GlobeViewerPaths() = std::move(paths);
}

std::string FindGlobeViewer() {
    const auto& paths = GlobeViewerPaths().empty() ? DefaultGlobeViewerPaths() : GlobeViewerPaths();
    for (const auto& p : paths)
        if (IsExecutableFile(p)) return p;
    const std::string path_list = Get("PATH");
    std::size_t start = 0;
    while (start <= path_list.size()) {
        std::size_t colon = path_list.find(':', start);
        if (colon == std::string::npos) colon = path_list.size();
        std::string dir = path_list.substr(start, colon - start);
        // An empty entry is the current folder, which is not searched: a
        // viewer is never taken from wherever the program was started.
        if (!dir.empty() && dir.front() == '/') {
            if (dir.back() != '/') dir += '/';
            if (IsExecutableFile(dir + "google-earth-pro")) return dir + "google-earth-pro";
        }
        start = colon + 1;
    }
    return "";
}

std::string PercentEncode(const std::string& text) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string ExecutablePath() {
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return "";
        if (static_cast<std::size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<std::size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

std::string Environ(const std::string& name) {
    std::string key = Lower(name);
    if (key == "temp" || key == "tmp") {
        std::string v = Get(name.c_str());
        if (v.empty()) v = Get("TMPDIR");
        if (v.empty()) v = "/tmp";
        return v;
    }
    if (key == "username") {
        std::string v = Get(name.c_str());
        if (v.empty()) v = Get("USER");
        if (v.empty()) v = Get("LOGNAME");
        return v;
    }
    if (key == "computername") {
        std::string v = Get(name.c_str());
        if (v.empty()) {
            char host[256] = {};
            if (gethostname(host, sizeof host - 1) == 0) v = host;
        }
        return v;
    }
    return Get(name.c_str());
}

}  // namespace shell
