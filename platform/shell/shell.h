// Starting outside programs, opening documents and web pages with the
// desktop's programs, the running executable's path and the environment.
// Programs are always started from an argument vector, never through a shell.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace shell {

// What became of a start request.
struct LaunchResult {
    bool started = false;    // the program is running (or ran, when waited for)
    int error = 0;           // errno of a failed start
    std::string error_text;  // its description
    int exit_code = -1;      // exit code when waited for (-1: killed by a signal)
};

// Starts programs. Replace it in tests with a RecordingLauncher.
class Launcher {
public:
    virtual ~Launcher() = default;
    // argv[0] is the program, looked up on PATH when it holds no "/".
    virtual LaunchResult Launch(const std::vector<std::string>& argv, bool wait) = 0;
};

// The real launcher: posix_spawnp; a program not waited for is reaped later.
class ProcessLauncher : public Launcher {
public:
    LaunchResult Launch(const std::vector<std::string>& argv, bool wait) override;
};

// Records every request instead of starting anything, and answers each with
// `result` (a started program with exit code 0 unless a test changes it).
class RecordingLauncher : public Launcher {
public:
    struct Call {
        std::vector<std::string> argv;
        bool wait = false;
    };
    std::vector<Call> calls;
    LaunchResult result{true, 0, "", 0};

    LaunchResult Launch(const std::vector<std::string>& argv, bool wait) override {
        calls.push_back({argv, wait});
        return result;
    }
};

// Installs the launcher every start goes through; nullptr restores the real one.
void SetLauncher(std::shared_ptr<Launcher> launcher);
Launcher& CurrentLauncher();

// Starts a program and returns at once.
LaunchResult Start(const std::vector<std::string>& argv);
// Starts a program and waits for it to end, without a time limit.
LaunchResult RunAndWait(const std::vector<std::string>& argv);

// The program the desktop associates with a document opens it (xdg-open).
LaunchResult OpenDocument(const std::string& path);
// The desktop's text viewer opens a text file (read-me, help texts, logs).
LaunchResult OpenInTextViewer(const std::string& path);
// The desktop's browser shows a web page.
LaunchResult OpenWebPage(const std::string& url);

// The desktop globe viewer: the first of Google Earth Pro's install paths
// that is an executable file, else "google-earth-pro" found on PATH; "" when
// there is none.
std::string FindGlobeViewer();
// Tests put the install paths elsewhere; an empty list restores the real ones.
void SetGlobeViewerInstallPaths(std::vector<std::string> paths);

// Text made safe for a web address's query: every byte but the unreserved
// ones (letters, digits, "-", ".", "_", "~") as "%XX".
std::string PercentEncode(const std::string& text);

// Full path of the running executable, whatever its length ("" if unknown).
std::string ExecutablePath();

// An environment variable, with the fallbacks the program relies on:
// "temp" (any case, also "tmp") -> TMPDIR -> "/tmp"; "USERNAME" -> USER;
// "COMPUTERNAME" -> the host name. Any other name: its value or "".
std::string Environ(const std::string& name);

}  // namespace shell
