#include "translation/Lib_Units.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace hemzshift {

namespace {

struct Unit {
    std::FILE* file = nullptr;
    bool writing = false;
    std::string path;       // the name asked for
    std::string temp_path;  // where the text is written until the close
};

std::map<int, Unit>& units() {
    static std::map<int, Unit> table;
    return table;
}

std::string& the_log_path() {
    static std::string path;
    return path;
}

}  // namespace

void LIBRARY_STOP(int32_t number, std::string message) {
    throw Library_Stop{number, std::move(message)};
}

int unit_open_read(int unit, const std::string& file) {
    if (unit_is_open(unit)) unit_close(unit);
    errno = 0;
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return errno ? errno : 2;
    struct stat st {};
    if (::fstat(::fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return EISDIR;
    }
    units()[unit] = Unit{f, false, file, {}};
    return 0;
}

int unit_open_write(int unit, const std::string& file) {
    if (unit_is_open(unit)) unit_close(unit);
    std::string temp = file + ".part";
    errno = 0;
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return errno ? errno : 2;
    units()[unit] = Unit{f, true, file, temp};
    return 0;
}

bool unit_is_open(int unit) {
    auto it = units().find(unit);
    return it != units().end() && it->second.file != nullptr;
}

int unit_close(int unit) {
    auto it = units().find(unit);
    if (it == units().end()) return 0;
    Unit u = it->second;
    units().erase(it);
    if (!u.file) return 0;
    bool failed = std::ferror(u.file) != 0;
    int err = failed ? (errno ? errno : EIO) : 0;
    if (std::fclose(u.file) != 0 && !err) err = errno ? errno : EIO;
    if (u.writing && !u.temp_path.empty()) {
        if (err) {
            std::remove(u.temp_path.c_str());
        } else if (std::rename(u.temp_path.c_str(), u.path.c_str()) != 0) {
            err = errno ? errno : EIO;
            std::remove(u.temp_path.c_str());
        }
    }
    return err;
}

bool unit_read_line(int unit, std::string& line) {
    line.clear();
    auto it = units().find(unit);
    if (it == units().end() || !it->second.file || it->second.writing) return false;
    std::FILE* f = it->second.file;
    int c;
    bool any = false;
    while ((c = std::getc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

int unit_write_line(int unit, std::string_view text) {
    auto it = units().find(unit);
    if (it == units().end() || !it->second.file || !it->second.writing) return EBADF;
    std::FILE* f = it->second.file;
    if (std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fputc('\n', f) == EOF)
        return errno ? errno : EIO;
    return 0;
}

void write_message(int unit, std::string_view text) {
    if (unit == LOG_UNIT || unit == 0 || unit == STDOUT_UNIT || unit == DEFAULT_OUTPUT_UNIT) {
        if (log_is_open()) {
            unit_write_line(LOG_UNIT, text);
        } else {
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fputc('\n', stderr);
        }
        return;
    }
    unit_write_line(unit, text);
}

std::string temp_folder() {
    for (const char* name : {"temp", "TMPDIR"}) {
        const char* v = std::getenv(name);
        if (v && *v) {
            std::string s = v;
            while (s.size() > 1 && s.back() == '/') s.pop_back();
            return s;
        }
    }
    return "/tmp";
}

void open_log() {
    if (log_is_open()) return;
    const std::string name = "Hemzshift8_mod_log.txt";
    std::string candidates[2] = {name, temp_folder() + "/" + name};
    for (const std::string& path : candidates) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) continue;
        units()[LOG_UNIT] = Unit{f, true, path, {}};
        char cwd[4096];
        if (path == name && ::getcwd(cwd, sizeof cwd)) {
            the_log_path() = std::string(cwd) + "/" + name;
        } else {
            the_log_path() = path;
        }
        return;
    }
    // Without any log the library still works; its lines are dropped.
}

bool log_is_open() {
    return unit_is_open(LOG_UNIT);
}

const std::string& log_path() {
    return the_log_path();
}

void LOG(std::string_view text) {
    if (!log_is_open()) return;
    std::string line;
    line.reserve(text.size() + 1);
    line.push_back(' ');
    line.append(text);
    unit_write_line(LOG_UNIT, line);
}

void flush_units() {
    for (auto& [n, u] : units())
        if (u.file && u.writing) std::fflush(u.file);
}

}  // namespace hemzshift
