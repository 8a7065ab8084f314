// vol_SearchPath: building, reading and searching the volume search path.
#include "sections/vol_SearchPath.h"

#include <chrono>
#include <cmath>
#include <unordered_set>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Dates.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "platform/ui/ui.h"

std::vector<PathRec> vol_Path(1);
int32_t vol_PathCount = 0;
std::string vol_PathSource;
VolDate vol_StartDate, vol_EndDate;
int16_t vol_StartMonth = 0, vol_EndMonth = 0;

namespace {

const std::string CRLF = "\r\n";

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

int16_t month_of(const std::string& text) {
    double v = 0;
    if (!decimal::ParseDouble(trim(text), v) || v < -32768 || v > 32767) return 0;
    return static_cast<int16_t>(std::nearbyint(v));
}

// The period on the Volume tab.
void read_period() {
    MainForm& f = TheMainForm();
    vol_StartDate = VolDate{};
    vol_EndDate = VolDate{};
    Vol_Parse_Date(f.vol_StartDate.Text(), vol_StartDate);
    Vol_Parse_Date(f.vol_EndDate.Text(), vol_EndDate);
    vol_StartMonth = month_of(f.vol_StartMonth.Text());
    vol_EndMonth = month_of(f.vol_EndMonth.Text());
}

// A word of a record as a number; false when it is not one.
bool number_word(const std::string& line, int16_t n, double& v) {
    const std::string w = Nth_Word(line, n);
    return w != " " && decimal::ParseDouble(w, v) && std::isfinite(v);
}

bool hm_of_km(double km, int16_t& hm) {
    const double h = std::nearbyint(km * 10);
    if (h < -32768 || h > 32767) return false;
    hm = static_cast<int16_t>(h);
    return true;
}

bool whole_word(const std::string& line, int16_t n, int16_t& v) {
    double d = 0;
    if (!number_word(line, n, d)) return false;
    d = std::nearbyint(d);
    if (d < -32768 || d > 32767) return false;
    v = static_cast<int16_t>(d);
    return true;
}

}  // namespace

bool Vol_Parse_Date(const std::string& text, VolDate& date) {
    std::string normal;
    if (!Normal_HMZ_Date(text, normal) || normal.empty()) return false;
    int16_t y = 0, m = 0, d = 0;
    if (!Parse_Date_YMD(normal, y, m, d)) return false;
    date = VolDate{y, m, d};
    return true;
}

int32_t Vol_Days_Between(const VolDate& a, const VolDate& b) {
    using namespace std::chrono;
    const sys_days da{year{a.Year} / month{static_cast<unsigned>(a.Month)} / day{static_cast<unsigned>(a.Day)}};
    const sys_days db{year{b.Year} / month{static_cast<unsigned>(b.Month)} / day{static_cast<unsigned>(b.Day)}};
    return static_cast<int32_t>((db - da).count());
}

void Erase_Search_Path() {
    vol_Path.assign(1, PathRec{});
    vol_PathCount = 0;
}

void Add_Path_Item(const PathRec& item) {
    vol_Path.push_back(item);
    ++vol_PathCount;
}

void Build_HMZ_Search_Path(const std::string& startSeg, const std::string& endSeg, const std::string& version) {
    Load_Hwy_Seg_Table(version);
    read_period();
    vol_PathSource = "HMZ";
    int32_t start = 0;
    for (int32_t i = 1; i <= Hwy_Seg_Count; ++i) {
        if (Hwy_Seg_Table[static_cast<std::size_t>(i)].Segment == startSeg) {
            start = i;
            break;
        }
    }
    if (start == 0) return;

    // an empty name counts as placed already: a segment end without a node adds no item
    std::unordered_set<std::string> nodes{""};
    bool after_break = false;
    for (int32_t i = start; i <= Hwy_Seg_Count; ++i) {
        const Hwy_Seg_Record& r = Hwy_Seg_Table[static_cast<std::size_t>(i)];
        if ((vol_PathCount == 0 || after_break) && nodes.insert(r.Begin_Node).second)
            Add_Path_Item({"NODE", r.Begin_Node, 0, 0, 0});
        after_break = false;
        Add_Path_Item({"SEG", r.Segment, 1, static_cast<int16_t>(r.Length_hm - 1), 0});
        if (nodes.insert(r.End_Node).second) Add_Path_Item({"NODE", r.End_Node, 0, 0, 0});
        if (r.End_Continuity == "D") {
            Add_Path_Item({"----", "", 0, 0, 0});
            after_break = true;
        }
        if (r.Segment == endSeg) break;
    }
    if (vol_PathCount > 0 && vol_Path[static_cast<std::size_t>(vol_PathCount)].Type == "----") {
        vol_Path.pop_back();
        --vol_PathCount;
    }
}

bool Read_Search_Path_File(const std::string& path) {
    Scan_Init();
    read_period();
    vol_PathSource = "VRQ";
    InputFile in;
    if (!in.Open(path)) {
        ui::MsgBox(FileOpenErrorMsg("input", path, in.error()), ui::vbExclamation | ui::vbOKOnly,
                   "Read_Search_Path_File");
        return false;
    }
    // A record that does not read ends the reading; the run goes on with the
    // path read so far.
    auto bad_record = [&](long n, const std::string& line, const std::string& why) {
        ui::MsgBox(why + CRLF + "File: " + path + CRLF + "Line " + std::to_string(n) + ": " + line,
                   ui::vbExclamation | ui::vbOKOnly, "Read_Search_Path_File");
        return true;
    };
    int headings = 0;
    long n = 0;
    bool at_end = false;
    while (!at_end) {
        std::string line;
        Read_Line(in, line, at_end);
        ++n;
        if (at_end && line.empty()) break;  // the line end after the last line
        if (headings < 2) {
            if (line.compare(0, 11, "SEARCH PATH") == 0) ++headings;
            continue;
        }
        if (trim(line).empty()) break;
        PathRec item;
        item.Type = upper(trim(line.substr(0, 4)));
        if (item.Type == "SEG") {
            double km1 = 0, km2 = 0;
            item.Name = line.size() > 4 ? line.substr(4, 4) : "";
            if (!number_word(line, 3, km1) || !number_word(line, 4, km2) || !hm_of_km(km1, item.Hm1) ||
                !hm_of_km(km2, item.Hm2) || !whole_word(line, 5, item.Flag))
                return bad_record(n, line, "A SEG record needs its segment, two kms and a flag.");
        } else if (item.Type == "NODE") {
            const std::string w2 = Nth_Word(line, 2), w4 = Nth_Word(line, 4);
            if (w2 == " " || w4 == " " || !whole_word(line, 5, item.Flag))
                return bad_record(n, line, "A NODE record needs its node name in words 2 and 4, and a flag.");
            item.Name = w2 + w4;
        } else if (item.Type == "----") {
        } else if (item.Type == "====") {
            Add_Path_Item(item);
            break;
        } else {
            // kept on the path: the calculation warns of it when it lies in the stretch
            ui::MsgBox(line, ui::vbExclamation | ui::vbOKOnly, "Unrecognized Path record");
        }
        Add_Path_Item(item);
    }
    return true;
}

int32_t Find_Path_Item(int32_t fromIndex, const std::string& segment, int16_t hm) {
    if (fromIndex < 1) fromIndex = 1;
    int32_t i = fromIndex;
    // From a node, the segment before it may hold the point too.
    if (fromIndex > 1 && fromIndex <= vol_PathCount && vol_Path[static_cast<std::size_t>(fromIndex)].Type == "NODE")
        i = fromIndex - 1;
    for (; i <= vol_PathCount; ++i) {
        const PathRec& p = vol_Path[static_cast<std::size_t>(i)];
        if (p.Type != "SEG" || p.Name != segment) continue;
        if (p.Hm1 <= hm && hm <= p.Hm2) return i;
        const bool at_begin = hm == 0 && i > 1 && p.Hm1 == 1;
        if (!at_begin) {
            if (hm == p.Hm2 + 1 && i < vol_PathCount && vol_Path[static_cast<std::size_t>(i + 1)].Type == "NODE")
                return i + 1;
        } else {
            return vol_Path[static_cast<std::size_t>(i - 1)].Type == "NODE" ? i - 1 : i;
        }
    }
    return 0;
}
