#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"
#include "platform/ui/backend.h"

namespace fuzzing {

namespace {

namespace fs = std::filesystem;

std::shared_ptr<ui::HeadlessBackend> headless;
std::shared_ptr<shell::RecordingLauncher> launcher;

}  // namespace

const std::string& Scratch() {
    static const std::string folder = [] {
        std::string tmpl = (fs::temp_directory_path() / "tw-fuzz-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        if (!::mkdtemp(buf.data())) std::abort();
        return std::string(buf.data()) + "/";
    }();
    return folder;
}

std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = Scratch() + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return path;
}

std::string CleanFolder(const std::string& name) {
    const fs::path folder = fs::path(Scratch()) / name;
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    return folder.string() + "/";
}

void StartHeadless() {
    headless = std::make_shared<ui::HeadlessBackend>();
    ui::SetBackend(headless);
    launcher = std::make_shared<shell::RecordingLauncher>();
    shell::SetLauncher(launcher);
    Scan_Init();
    AppFolder = PROGRAM_FOLDER;
    const std::string temp = CleanFolder("temp");
    ::setenv("temp", temp.c_str(), 1);
    ::setenv("TMPDIR", temp.c_str(), 1);
    TempFolder = temp;
    ::setenv("XDG_CACHE_HOME", CleanFolder("cache").c_str(), 1);
    settings::SetStoreFolder(CleanFolder("store"));
}

void NewInput() {
    headless->shown.clear();
    headless->script.clear();
    launcher->calls.clear();
    Scan_Init();
}

}  // namespace fuzzing
