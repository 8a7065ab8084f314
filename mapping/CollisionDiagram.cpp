#include "mapping/CollisionDiagram.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "common/TessawinMod.h"
#include "platform/ui/ui.h"

std::vector<CDE_DiagramRecord> CDE_Records;
std::vector<std::string> CDE_LocationKeys;
int16_t CDE_RecordCount = 0;
std::string CDE_MinDate, CDE_MaxDate;
int16_t DiagramCounts[4][kDirections][kDiagramCodes + 1];

namespace {

constexpr const char* CRLF = "\r\n";
constexpr int16_t kMaxHeadings = 200;

// The columns in the order they are looked up.
enum Column {
    cACCASE,
    cCLSNDATE,
    cSEGNUM,
    cKMMARK,
    cNODE,
    cVEHDIR1,
    cVEHDIR2,
    cTOTALINJ,
    cTOTALKLD,
    cTOTALVEH,
    cPREACTN1,
    cPREACTN2,
    cDIAGRAM,
    cTYPE2ND1,
    cLOCN1ST,
    kColumns
};
constexpr const char* kColumnNames[kColumns] = {"ACCASE",   "CLSNDATE", "SEGNUM",   "KMMARK",   "NODE",
                                                "VEHDIR1",  "VEHDIR2",  "TOTALINJ", "TOTALKLD", "TOTALVEH",
                                                "PREACTN1", "PREACTN2", "DIAGRAM",  "TYPE2ND1", "LOCN1ST"};

int16_t column_pos[kColumns] = {};

void ReportBadExtract(const std::string& path, const std::string& why) {
    ui::MsgBox("File " + path + CRLF + why + CRLF + CRLF + "Collision diagram cannot be created.", ui::vbExclamation,
               "Read_CDE");
}

std::string NumberProblem(int32_t line_no, const char* column, const std::string& text) {
    return "Line " + std::to_string(line_no) + ": " + column + " \"" + text + "\" is not a number.";
}

bool IsNumber(const std::string& text, double& value) {
    return !collisions::Trimmed(text).empty() && decimal::ParseDouble(text, value);
}

// A field without its quotes and without blanks inside them.
std::string Unquoted(const std::string& field) {
    return collisions::Trimmed(StripQuotes(field));
}

// One data line into a record; false with the reason when a number is bad.
bool ParseRecord(const std::string& line, int32_t line_no, CDE_DiagramRecord& r, std::string& why) {
    std::string f[kColumns];
    for (int c = 0; c < kColumns; ++c) f[c] = Unquoted(CSV_Field(line, column_pos[c]));
    r = CDE_DiagramRecord{};
    r.ACCASE = f[cACCASE];
    r.CLSNDATE = f[cCLSNDATE];
    r.SEGNUM = f[cSEGNUM].size() == 3 ? "0" + f[cSEGNUM] : f[cSEGNUM];
    r.NODE = f[cNODE];
    r.VEHDIR1 = f[cVEHDIR1];
    r.VEHDIR2 = f[cVEHDIR2];
    r.PREACTN1 = f[cPREACTN1];
    r.PREACTN2 = f[cPREACTN2];
    r.TYPE2ND1 = f[cTYPE2ND1];
    r.LOCN1ST = f[cLOCN1ST];
    double km = 0;
    // a km beyond a Single's range is no km either
    if (!IsNumber(f[cKMMARK], km) || !(std::fabs(km) <= FLT_MAX)) {
        why = NumberProblem(line_no, "KMMARK", f[cKMMARK]);
        return false;
    }
    r.KMMARK = static_cast<float>(km);
    const std::pair<Column, int16_t*> ints[] = {
        {cTOTALINJ, &r.TOTALINJ}, {cTOTALKLD, &r.TOTALKLD}, {cTOTALVEH, &r.TOTALVEH}, {cDIAGRAM, &r.DIAGRAM}};
    for (const auto& [c, out] : ints) {
        if (!collisions::ToInt16(f[c], *out)) {
            why = NumberProblem(line_no, kColumnNames[c], f[c]);
            return false;
        }
    }
    return true;
}

// Characters from 1-based start, at most len of them; and the last len.
std::string Mid(const std::string& s, size_t start, size_t len) {
    return start - 1 < s.size() ? s.substr(start - 1, len) : std::string();
}
std::string Right(const std::string& s, size_t len) {
    return s.size() <= len ? s : s.substr(s.size() - len);
}

bool IsDiagram17(const CDE_DiagramRecord& r) {
    double type2 = 0;
    return IsNumber(r.TYPE2ND1, type2) && type2 == 5 && r.LOCN1ST == "Y" && r.TOTALVEH == 1;
}

}  // namespace

bool FindCDEField(const std::vector<std::string>& headings, int16_t count, const std::string& name,
                  int16_t& position) {
    if (Find_Str(name, headings, count, position)) return true;
    ui::MsgBox("Field " + name + " not found in Collision Data Extract file.    " + CRLF + CRLF +
                   "Collision diagram cannot be created.",
               ui::vbExclamation, "FindCDEField");
    return false;
}

void Read_CDE(const std::string& path) {
    CDE_RecordCount = 0;
    InputFile in;
    if (!in.Open(path)) {
        ui::MsgBox(FileOpenErrorMsg("input", path, in.error()), ui::vbExclamation, "Read_CDE");
        return;
    }
    std::string line;
    bool at_end = false;
    Read_Line(in, line, at_end);
    if (at_end) {
        ui::MsgBox("File " + path + CRLF + "is empty.", ui::vbExclamation, "Read_CDE");
        return;
    }
    Set_CSV_Quote("\"");
    Set_CSV_Separator(",");
    std::vector<std::string> headings(kMaxHeadings + 1);
    int16_t count = 0;
    CSV_Split(line, headings, count);
    const int16_t in_heading = CSV_FieldCount(line);
    if (in_heading > kMaxHeadings) {
        ui::MsgBox(std::to_string(in_heading) + " fields found in file " + path + ".  Only the first 200 will be used.",
                   ui::vbInformation);
    }
    for (int16_t i = 1; i <= count; ++i) headings[static_cast<size_t>(i)] = Unquoted(headings[static_cast<size_t>(i)]);
    for (int c = 0; c < kColumns; ++c)
        if (!FindCDEField(headings, count, kColumnNames[c], column_pos[c])) return;

    std::vector<std::string> lines;
    while (!at_end) {
        Read_Line(in, line, at_end);
        lines.push_back(line);
    }
    in.Close();
    // blank lines at the end of a file are no collisions
    while (!lines.empty() && collisions::IsBlankLine(lines.back())) lines.pop_back();
    if (lines.size() > static_cast<size_t>(kMaxDiagramRecords)) {
        ReportBadExtract(path, "holds more than " + std::to_string(kMaxDiagramRecords) +
                                   " collisions (line " + std::to_string(kMaxDiagramRecords + 2) +
                                   " is one too many).");
        return;
    }
    std::vector<CDE_DiagramRecord> records(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string why;
        if (!ParseRecord(lines[i], static_cast<int32_t>(i) + 2, records[i], why)) {
            ReportBadExtract(path, why);
            return;
        }
    }

    CDE_Records = std::move(records);
    CDE_MinDate = "9999-99-99";
    CDE_MaxDate = "0000-00-00";
    CDE_LocationKeys.assign(CDE_Records.size() + 1, "");
    for (size_t i = 0; i < CDE_Records.size(); ++i) {
        CDE_DiagramRecord& r = CDE_Records[i];
        CDE_LocationKeys[i + 1] = MakeLocationKey(r.SEGNUM, r.KMMARK, r.NODE);
        if (r.CLSNDATE < CDE_MinDate) CDE_MinDate = r.CLSNDATE;
        if (r.CLSNDATE > CDE_MaxDate) CDE_MaxDate = r.CLSNDATE;
        r.Diagram17 = IsDiagram17(r);
    }
    CDE_RecordCount = static_cast<int16_t>(CDE_Records.size());
}

std::string MakeLocationKey(const std::string& segment, float km, const std::string& node) {
    if (!node.empty()) return "N" + node;
    std::string hm = decimal::Fixed(decimal::Value(km), 1);
    hm.erase(hm.find('.'), 1);
    const bool negative = hm[0] == '-';
    if (negative) hm.erase(0, 1);
    hm.erase(0, std::min(hm.find_first_not_of('0'), hm.size()));
    if (hm.size() < 4) hm.insert(0, 4 - hm.size(), '0');
    return "S" + segment + (negative ? "-" : "") + hm;
}

std::string LocationKeyLabel(const std::string& key) {
    const std::string middle = Mid(key, 2, 4);
    if (!key.empty() && key[0] == 'N') return "Node " + middle + " " + Right(key, 4);
    // the hectometres are everything after the segment
    double hm = 0;
    if (key.size() > 5) decimal::ParseDouble(key.substr(5), hm);
    std::string km = decimal::Format(decimal::Value(hm / 10), "##0.0");
    if (km.size() < 5) km.insert(0, 5 - km.size(), ' ');
    return "Seg  " + middle + " " + km;
}

// ---------------------------------------------------------------------------
// Classification

int16_t DirectionNumber(const std::string& vehdir) {
    if (vehdir.empty()) return 0;
    const size_t at = std::string("NSEW").find(vehdir);
    return at == std::string::npos ? 0 : static_cast<int16_t>(at + 1);
}

int16_t OppositeDirection(int16_t direction) {
    switch (direction) {
        case 1: return 2;
        case 2: return 1;
        case 3: return 4;
        case 4: return 3;
        default: return 0;
    }
}

int16_t CollisionSeverity(const CDE_DiagramRecord& r) {
    if (r.TOTALKLD >= 1) return 1;
    if (r.TOTALINJ >= 1) return 2;
    return 3;
}

bool VehCountFitsDiagram(int16_t totalVeh, int16_t diagram) {
    if (diagram == 4 || diagram == 17) return true;
    if (diagram == 14 || diagram == 15) return totalVeh == 1;
    return totalVeh > 1;
}

namespace {

// A pre-collision action that does not count as the vehicle's own manoeuvre.
bool PreActionListed(const std::string& preaction) {
    return std::string("02 03 04").find(preaction) != std::string::npos;
}

}  // namespace

bool DiagramDirection(const std::string& vehdir1, const std::string& vehdir2, int16_t diagram,
                      const std::string& preactn1, const std::string& preactn2, int16_t& direction) {
    const int16_t d1 = DirectionNumber(vehdir1);
    const int16_t d2 = DirectionNumber(vehdir2);
    direction = 0;
    switch (diagram) {
        case 1:
        case 6:
        case 16:
            if (d1 >= 1 && (d2 == 0 || d2 == d1)) {
                direction = d1;
                return true;
            }
            if (d1 == 0 && d2 >= 1) {
                direction = d2;
                return true;
            }
            return false;
        case 2:
        case 3: {
            int16_t d = 0;
            if (d1 >= 1 && (d2 == 0 || d2 == OppositeDirection(d1)))
                d = d1;
            else if (d1 == 0 && d2 >= 1)
                d = d2;
            else
                return false;
            direction = d <= 2 ? 1 : 3;  // one symbol per road axis
            return true;
        }
        case 4:
        case 14:
        case 15:
            if (d1 < 1) return false;
            direction = d1;
            return true;
        case 5: {
            auto pair = [&](int16_t a, int16_t b) { return (d1 == a && d2 == b) || (d1 == b && d2 == a); };
            if (pair(1, 4)) direction = 1;
            else if (pair(1, 3)) direction = 3;
            else if (pair(2, 3)) direction = 2;
            else if (pair(2, 4)) direction = 4;
            else return false;
            return true;
        }
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
        case 12:
        case 13:
            if (!PreActionListed(preactn1) && d1 >= 1) {
                direction = d1;
                return true;
            }
            if (!PreActionListed(preactn2) && d2 >= 1) {
                direction = d2;
                return true;
            }
            return false;
        case 17:
            direction = d1;
            return true;
        default:
            return false;
    }
}

void CountDiagramCollisions(const std::string& cdePath, const std::vector<std::string>& selectedKeys,
                            int16_t& plotted, int16_t& unplottable) {
    plotted = 0;
    unplottable = 0;
    std::memset(DiagramCounts, 0, sizeof DiagramCounts);
    const int16_t selected_count = static_cast<int16_t>(selectedKeys.empty() ? 0 : selectedKeys.size() - 1);
    // Every record at a selected location counts, wherever it lies in the
    // extract: a location need not be one run of lines.
    for (int16_t i = 0; i < CDE_RecordCount; ++i) {
        CDE_DiagramRecord& r = CDE_Records[static_cast<size_t>(i)];
        r.PlotStatus = 0;
        int16_t at = 0;
        if (selected_count > 0 && !Find_Str(CDE_LocationKeys[static_cast<size_t>(i) + 1], selectedKeys, selected_count, at))
            continue;
        const int16_t d = r.Diagram17 ? 17 : r.DIAGRAM;
        int16_t direction = 0;
        if (!VehCountFitsDiagram(r.TOTALVEH, r.DIAGRAM) ||
            !DiagramDirection(r.VEHDIR1, r.VEHDIR2, d, r.PREACTN1, r.PREACTN2, direction)) {
            r.PlotStatus = 2;
            ++unplottable;
            continue;
        }
        r.PlotStatus = 1;
        ++DiagramCounts[CollisionSeverity(r)][direction][d];
        ++plotted;
    }
    if (plotted > 0) return;
    if (unplottable > 0) {
        ui::MsgBox(std::to_string(unplottable) + " collisions were found at selected locations" + CRLF + "in file " +
                       cdePath + CRLF + "but none were plottable." + CRLF +
                       "(I.e. they all had either a null direction, or null diagram code.)",
                   ui::vbExclamation, "No diagram produced.");
    } else {
        ui::MsgBox("No collisions were found at any of the selected location(s)" + std::string(CRLF) + "in file " +
                       cdePath,
                   ui::vbExclamation, "No diagram produced.");
    }
}
