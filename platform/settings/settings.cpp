#include "settings.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace settings {

namespace {

namespace fs = std::filesystem;

std::string& folder_override() {
    static std::string folder;
    return folder;
}

bool same_name(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Names and values are stored one to a line; the characters that would
// break a line or the INI syntax are written as \xHH (backslash as \\).
std::string escape(const std::string& s, bool is_name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char ch = static_cast<unsigned char>(s[i]);
        bool special = ch < 0x20 || ch == 0x7f;
        if (is_name) {
            special = special || ch == '=' || ch == '[' || ch == ']' || ch == ';' || ch == '#' ||
                      (ch == ' ' && (i == 0 || i + 1 == s.size()));
        }
        if (ch == '\\') {
            out += "\\\\";
        } else if (special) {
            out += "\\x";
            out += hex[ch >> 4];
            out += hex[ch & 15];
        } else {
            out += static_cast<char>(ch);
        }
    }
    return out;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string unescape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            if (s[i + 1] == '\\') {
                out += '\\';
                ++i;
                continue;
            }
            if (s[i + 1] == 'x' && i + 3 < s.size()) {
                int hi = hex_digit(s[i + 2]), lo = hex_digit(s[i + 3]);
                if (hi >= 0 && lo >= 0) {
                    out += static_cast<char>(hi * 16 + lo);
                    i += 3;
                    continue;
                }
            }
        }
        out += s[i];
    }
    return out;
}

struct Entry {
    std::string key, value;
};
struct Section {
    std::string name;
    std::vector<Entry> entries;
};

// Finds the '=' that ends a key: the first one not written as an escape.
size_t key_end(const std::string& line) {
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\') {
            ++i;
            continue;
        }
        if (line[i] == '=') return i;
    }
    return std::string::npos;
}

// `readable` turns false when the store exists but cannot be read, so that a
// save does not replace it with the one key being written.
std::vector<Section> read_store(const std::string& path, bool* readable = nullptr) {
    std::vector<Section> sections;
    if (readable) *readable = true;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        if (readable && fs::exists(path, ec)) *readable = false;
        return sections;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t close = line.rfind(']');
            if (close == std::string::npos || close == 0) continue;
            sections.push_back(Section{unescape(line.substr(1, close - 1)), {}});
            continue;
        }
        size_t eq = key_end(line);
        if (eq == std::string::npos || sections.empty()) continue;
        sections.back().entries.push_back(Entry{unescape(line.substr(0, eq)), unescape(line.substr(eq + 1))});
    }
    return sections;
}

bool write_store(const std::string& path, const std::vector<Section>& sections) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::ostringstream text;
    for (const Section& s : sections) {
        text << '[' << escape(s.name, true) << "]\n";
        for (const Entry& e : s.entries) text << escape(e.key, true) << '=' << escape(e.value, false) << '\n';
        text << '\n';
    }
    std::string tmp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << text.str();
        out.flush();
        if (!out) {
            out.close();
            fs::remove(tmp, ec);
            return false;
        }
    }
    fs::rename(tmp, path, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

}  // namespace

std::string StoreFolder() {
    if (!folder_override().empty()) return folder_override();
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    // Only an absolute XDG_CONFIG_HOME counts; a relative one is ignored.
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/Tessawin";
}

void SetStoreFolder(const std::string& folder) {
    folder_override() = folder;
}

std::string StoreFile(const std::string& app) {
    return StoreFolder() + "/" + app + ".ini";
}

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& default_value) {
    for (const Section& s : read_store(StoreFile(app))) {
        if (!same_name(s.name, section)) continue;
        for (const Entry& e : s.entries)
            if (same_name(e.key, key)) return e.value;
    }
    return default_value;
}

bool SaveSetting(const std::string& app, const std::string& section, const std::string& key, const std::string& value) {
    std::string path = StoreFile(app);
    bool readable = true;
    std::vector<Section> sections = read_store(path, &readable);
    if (!readable) return false;
    Section* target = nullptr;
    for (Section& s : sections)
        if (same_name(s.name, section)) {
            target = &s;
            break;
        }
    if (!target) {
        sections.push_back(Section{section, {}});
        target = &sections.back();
    }
    bool found = false;
    for (Entry& e : target->entries)
        if (same_name(e.key, key)) {
            e.value = value;
            found = true;
            break;
        }
    if (!found) target->entries.push_back(Entry{key, value});
    return write_store(path, sections);
}

}  // namespace settings
