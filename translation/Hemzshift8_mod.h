// The translation module: transformation tables, forward and back walks,
// translation to a version, the detail report, the location check against a
// version's segment lengths, and the library's failure state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hemzshift {

constexpr int MAXGROUP = 2000;
constexpr int MAXMATCH = 50000;
constexpr int MAXSTEP = 5;

struct Transform_Group {
    int32_t GroupNo = 0;
    std::string TargetVersion = std::string(10, ' ');
    std::string FromDate = std::string(10, ' ');
    std::string ToDate = std::string(10, ' ');
    std::string Segment = std::string(4, ' ');
    std::string CodeList = std::string(6, ' ');
    bool Devolved = false;
    bool Split = false;
    int32_t M1 = 0;
    int32_t M2 = 0;
};

struct Match_Point {
    int32_t GroupIndex = 0;
    int32_t GroupNo = 0;
    float FromKm = 0.0f;
    float ToKm = 0.0f;
    std::string ToSegment = std::string(4, ' ');
    bool Obs = false;
};

struct Detail_Entry {
    bool Present = false;
    std::string Version = std::string(10, ' ');
    std::string EffDate = std::string(10, ' ');
    std::string Segment = std::string(4, ' ');
    float Km = -999.0f;
    bool Obs = false;
    bool Split = false;
    std::string Text = std::string(6, ' ');
};

struct Seg_Row {
    std::string Segment = std::string(4, ' ');
    float Length = 0.0f;
};

// Texts passed to these routines are blank-padded to their fixed widths:
// date and version 10, segment 4, code 1.
void HEMZSHIFT_INIT(int32_t ndp, std::optional<std::string_view> target, std::optional<std::string_view> folder);
void HEMZSHIFT(std::string_view date, std::string_view segment, std::string_view code, float km,
               std::string& out_segment, float& out_km, bool& obs, int32_t& steps, bool& split);
void INTERPOLATE(int g, float km, std::string& out_segment, float& out_km, bool& obs);
void HEMZSHIFT_CLEAR_DETAIL(int first, int last);
void HEMZSHIFT_ALL(int32_t mode, std::string_view date, std::string_view segment, std::string_view code, float km,
                   int32_t& status);
void HEMZSHIFT_BACK(std::string_view date, std::string_view segment, std::string_view code, float km,
                    std::string& out_segment, float& out_km, int32_t& steps);
void HEMZSHIFT_TO_HMZVERSION(std::string_view date, std::string_view segment, std::string_view code, float km,
                             std::string_view target, std::string& out_segment, float& out_km, bool& obs,
                             int32_t& steps, bool& split);
void HEMZSHIFT_SHOW_DETAIL(int32_t mode, int32_t& status);
void HEMZSHIFT_CHECK_LOCN(std::string_view version, std::string_view segment, float km, int32_t& status);
void LOAD_SEGTAB(std::string_view version);
void HEMZSHIFT_GET_END_DATE(std::string_view segment, std::string& end_date);
void HEMZSHIFT_GET_LAST_TARGET(std::string& buffer);
void HEMZSHIFT_SEG34(std::string& segment);
// One entry of the history. I from -5 to 5 writes PRESENT; a present entry
// also writes OBS, SPLIT and TEXT; outside -5 to 5 VERSION is "* BAD i * ".
void HEMZSHIFT_GET_DETAIL(int32_t i, bool& present, std::string& version, std::string& eff_date, std::string& segment,
                          float& km, bool& obs, bool& split, std::string& text);

// Read access for the boundary and the tests.
const Detail_Entry& detail_entry(int i);  // i from -5 to 5
int group_count();
int match_count();
const Transform_Group& group(int g);    // g from 1
const Match_Point& match_point(int m);  // m from 1
int segtab_rows();
int segtab_loads();         // how many times the segment-length file was read
std::string data_folder();  // with its trailing slash
int32_t decimal_places();

// The failure state that replaces ending the process: the message is already
// in the log; the tables are dropped until the next good initialisation.
void enter_failed_state(int32_t number, const std::string& message);
bool library_failed();
int32_t last_error_number();
const std::string& last_error_message();

// The default data folder: HEMZSHIFT_DEFAULT_DATA when set, else the build's.
std::string default_data_folder();

}  // namespace hemzshift
