#include "translation/Lib_Units.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
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

// Unit 7 kept at hand: every log line would otherwise look it up.
struct Log_Unit_Cache {
    std::FILE* file = nullptr;
    bool writing = false;
};
Log_Unit_Cache& log_cache() {
    static Log_Unit_Cache c;
    return c;
}
void refresh_log_cache() {
    auto it = units().find(LOG_UNIT);
    const bool open = it != units().end() && it->second.file != nullptr;
    log_cache() = {open ? it->second.file : nullptr, open && it->second.writing};
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
    refresh_log_cache();
    return 0;
}

int unit_open_write(int unit, const std::string& file) {
    if (unit_is_open(unit)) unit_close(unit);
    std::string temp = file + ".part";
    errno = 0;
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return errno ? errno : 2;
    units()[unit] = Unit{f, true, file, temp};
    refresh_log_cache();
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
    refresh_log_cache();
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
    if (unit == LOG_UNIT && log_cache().writing) {
        std::FILE* f = log_cache().file;
        if (fwrite_unlocked(text.data(), 1, text.size(), f) != text.size() || fputc_unlocked('\n', f) == EOF)
            return errno ? errno : EIO;
        return 0;
    }
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
        // A translation writes a few kilobytes of lines: written out in large
        // blocks they cost the kernel less than a page at a time.
        static char buffer[std::size_t{1} << 20];  // the log's alone: it is opened once
        std::setvbuf(f, buffer, _IOFBF, sizeof buffer);
        units()[LOG_UNIT] = Unit{f, true, path, {}};
        refresh_log_cache();
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
    return log_cache().file != nullptr;
}

const std::string& log_path() {
    return the_log_path();
}

void LOG(std::string_view text) {
    log_parts(text);
}

namespace log_detail {

std::string* line() {
    static std::string text;
    return log_cache().writing ? &text : nullptr;
}

void put(std::string& line, int64_t value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    line.append(buf, res.ptr);
}

void put(std::string& line, float value) {
    char buf[40];
    auto [ptr, ec] = std::to_chars(buf, buf + 32, value);
    if (ec != std::errc()) return line.append("?"), void();
    // As list_num: a whole number keeps a decimal point.
    if (std::find_if(buf, ptr, [](char c) { return c == '.' || c == 'e'; }) == ptr && std::isfinite(value)) {
        *ptr++ = '.';
        *ptr++ = '0';
    }
    line.append(buf, ptr);
}

void write(std::string& line) {
    line.push_back('\n');
    fwrite_unlocked(line.data(), 1, line.size(), log_cache().file);
}

}  // namespace log_detail

void flush_units() {
    for (auto& [n, u] : units())
        if (u.file && u.writing) std::fflush(u.file);
}

}  // namespace hemzshift
