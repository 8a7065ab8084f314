// Shared pieces of the translation library's tests: a private working and
// temporary folder per test process (the library keeps its log in the
// current folder for the life of the process), file writers, and the
// synthetic transformation data set.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace trtest {

namespace fs = std::filesystem;

// Made once per process before any test runs.
inline const fs::path& work_dir() {
    static const fs::path dir = [] {
        std::string tmpl = (fs::temp_directory_path() / "hemzshift_test_XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        if (!::mkdtemp(buf.data())) std::abort();
        fs::path d(buf.data());
        fs::current_path(d);
        ::setenv("temp", d.c_str(), 1);
        ::unsetenv("HEMZSHIFT_DEFAULT_DATA");
        return d;
    }();
    return dir;
}

inline void remove_work_dir() {
    std::error_code ec;
    fs::remove_all(work_dir(), ec);
}

// Everything a test process writes goes with it. Registered after the folder's
// path exists, so the handler runs before that path is destroyed.
inline const bool work_dir_ready = (work_dir(), std::atexit(remove_work_dir), true);

inline void write_file(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A folder of its own for each data set.
inline fs::path fresh_folder(const std::string& name) {
    static int n = 0;
    fs::path d = work_dir() / (name + "_" + std::to_string(++n));
    fs::create_directories(d);
    return d;
}

// Groups, in file order (= version order):
//  10  0100 -> 201901, ordinary, with an observed point
//  20  0200 -> 201901, devolved
//  30  0300 -> 202001, split "NB" to 0301
//  31  0300 -> 202001, split "S" to 0302 (reversed)
//  40  0100 -> 202001, off-inventory points between km 3 and 4, km > 11 uncovered
//  50  0600 -> 202101, no match points
//  60  0500 -> 202101, reversed
//  70  0100 -> 202101, lengthens km 0..2
inline const char* const group_csv =
    "10,201901,'HWY 1',1900-01-01,2018-12-31,0100,0\n"
    "20 201901 'HWY 2' 1900-01-01 2018-12-31 0200 1\n"
    "\n"
    "30,202001,'HWY 3',1900-01-01,2019-12-31,0300,0,NB\n"
    "31,202001,'HWY 3',1900-01-01,2019-12-31,0300,0,'S'\n"
    "40,202001,'HWY 1',1900-01-01,2019-12-31,0100,0\n"
    "50,202101,'HWY 6',1900-01-01,2020-12-31,0600,0\n"
    "60,202101,'HWY 5',1900-01-01,2020-12-31,0500,0\n"
    "70,202101,'HWY 1',1900-01-01,2020-12-31,\"0100\",0\n";

inline std::string group_csv_text() {
    return group_csv;
}

inline const char* const match_csv =
    "M, 10, a, 0.0, 0100, 0.0, 0\n"
    "M, 10, a, 5.0, 0100, 5.5, 0\n"
    "M, 10, a, 10.0, 0100, 11.0, 1\n"
    "M, 30, a, 0.0, 0301, 0.0, 0\n"
    "M, 30, a, 6.0, 0301, 6.0, 0\n"
    "M, 31, a, 0.0, 0302, 6.0, 0\n"
    "M, 31, a, 6.0, 0302, 0.0, 0\n"
    "M, 40, a, 0.0, 0100, 0.0, 0\n"
    "M, 40, a, 2.0, 0100, 2.0, 0\n"
    "M, 40, a, 3.0, '', 0.0, 0\n"
    "M, 40, a, 4.0, '', 0.0, 0\n"
    "M, 40, a, 6.0, 0400, 0.0, 0\n"
    "M, 40, a, 11.0, 0400, 5.0, 0\n"
    "M, 60, a, 0.0, 0500, 10.0, 0\n"
    "M, 60, a, 10.0, 0500, 0.0, 0\n"
    "M, 70, a, 0.0, 0100, 0.0, 0\n"
    "M, 70, a, 2.0, 0100, 2.2, 0\n";

inline const char* const segall_csv =
    "HMZ_Version,Segment,Description,Length\r\n"
    "201801,0100,'Main, north',10.0\r\n"
    "201801,0200,Spur,4.0\r\n"
    "201801,0300,Divided,6.0\r\n"
    "201801,0500,Loop,10.0\r\n"
    "201801,0600,Stub,3.0\r\n"
    "201801,0700,Measured,12.345\r\n"
    "201901,0100,Main,11.0\r\n"
    "201901,0300,Divided,6.0\r\n"
    "201901,0500,Loop,10.0\r\n"
    "201901,0600,Stub,3.0\r\n"
    "202001,0100,Main,2.0\r\n"
    "202001,0301,North,6.0\r\n"
    "202001,0302,South,6.0\r\n"
    "202001,0400,New,5.0\r\n"
    "202001,0500,Loop,10.0\r\n"
    "202001,0600,Stub,3.0\r\n"
    "202101,0100,Main,2.2\r\n"
    "202101,0301,North,6.0\r\n"
    "202101,0302,South,6.0\r\n"
    "202101,0400,New,5.0\r\n"
    "202101,0500,Loop,10.0\r\n";

inline fs::path write_data_set(const std::string& name = "data") {
    fs::path d = fresh_folder(name);
    write_file(d / "HMZ_Transform_Group.csv", group_csv_text());
    write_file(d / "HMZ_Transform_Match.csv", match_csv);
    write_file(d / "SegAllVersions.csv", segall_csv);
    return d;
}

// Everything the library writes to its log from now on.
class LogTail {
public:
    // The log lies in the process's current folder, the test's work folder.
    LogTail() : path_((work_dir() / "Hemzshift8_mod_log.txt").string()) {
        std::error_code ec;
        start_ = static_cast<std::size_t>(fs::file_size(path_, ec));
        if (ec) start_ = 0;
    }
    std::string text() const {
        std::string all = read_file(path_);
        return start_ <= all.size() ? all.substr(start_) : all;
    }

private:
    std::string path_;
    std::size_t start_ = 0;
};

}  // namespace trtest
