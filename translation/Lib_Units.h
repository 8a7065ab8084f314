// I/O units of the translation library: numbered files in the manner of the
// library's original I/O model, the log on unit 7, and the library stop that
// replaces ending the process.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hemzshift {

// Where a data error would have ended the process, the library throws this
// instead; the export boundary catches it, drops the tables and remembers it.
struct Library_Stop {
    int32_t number;
    std::string message;
};

enum Error_Number : int32_t {
    ERR_NONE = 0,
    ERR_TRANSFORM_OPEN = 1,
    ERR_GROUP_OVERFLOW = 2,
    ERR_TARGET_NOT_FOUND = 3,
    ERR_MATCH_OVERFLOW = 4,
    ERR_GROUP_NOT_FOUND = 5,
    ERR_SEGTAB_OPEN = 6,
    ERR_SEGTAB_NO_LENGTH = 7,
    ERR_SEGTAB_DECODE = 8,
    ERR_SCAN_STRICT = 9,
    ERR_DAY_OF_YEAR = 10,
    ERR_INTERNAL = 11,
};

[[noreturn]] void LIBRARY_STOP(int32_t number, std::string message);

constexpr int LOG_UNIT = 7;
constexpr int STDOUT_UNIT = 6;
constexpr int DEFAULT_OUTPUT_UNIT = -1;  // the "*" unit

// Opens FILE for reading on UNIT; returns 0 or an errno value.
int unit_open_read(int unit, const std::string& file);
// Opens FILE for writing on UNIT; the text goes to a temporary file beside it
// that replaces FILE when the unit is closed.
int unit_open_write(int unit, const std::string& file);
bool unit_is_open(int unit);
// Closes UNIT; returns 0 or an errno value (a write that failed shows here).
int unit_close(int unit);
// Reads the next line without its line end; false at end of file.
bool unit_read_line(int unit, std::string& line);
// Writes one record; returns 0 or an errno value (9 when the unit is not open).
int unit_write_line(int unit, std::string_view text);

// A message line for units 0 and 6 and the default output: the log when it is
// open, else standard error.
void write_message(int unit, std::string_view text);

// The log, "Hemzshift8_mod_log.txt": opened once per process in the current
// folder, else in the temporary folder.
void open_log();
bool log_is_open();
const std::string& log_path();
// One list-directed log line: a leading blank, then the text.
void LOG(std::string_view text);

// The same line made of pieces, with no text built in between: texts as
// they stand, integers and singles as list-directed output gives them.
namespace log_detail {
std::string* line();  // the line being made while the log is open for writing, else null
inline void put(std::string& line, std::string_view text) {
    line.append(text);
}
void put(std::string& line, int64_t value);
void put(std::string& line, float value);
inline void put(std::string& line, int32_t value) {
    put(line, static_cast<int64_t>(value));
}
void write(std::string& line);
}  // namespace log_detail

template <class... Parts>
void log_parts(const Parts&... parts) {
    if (std::string* line = log_detail::line()) {
        line->assign(1, ' ');
        (log_detail::put(*line, parts), ...);
        log_detail::write(*line);
    }
}
// A formatted record: the pieces without the leading blank.
template <class... Parts>
void log_record(const Parts&... parts) {
    if (std::string* line = log_detail::line()) {
        line->clear();
        (log_detail::put(*line, parts), ...);
        log_detail::write(*line);
    }
}
// Pushes buffered output of every unit to its file.
void flush_units();

// The temporary folder: "temp", else TMPDIR, else /tmp; no trailing slash.
std::string temp_folder();

}  // namespace hemzshift
