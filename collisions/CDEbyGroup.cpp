#include "collisions/CDEbyGroup.h"

#include <array>
#include <vector>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* kByGroup = "CDE_Sum_by_Group";
constexpr const char* kByQuarter = "CDE_Sum_by_Group_and_Quarter";
constexpr int kCounterMax = 32767;

// The section list and its parts, kept from one run to the next.
std::vector<std::string> Sec_List(cdebygroup::kMaxSections + 1);
std::vector<std::string> Sec_Main(cdebygroup::kMaxSections + 1);
std::vector<std::string> Sec_Sub(cdebygroup::kMaxSections + 1);
int16_t N_Sec = 0;

void Status(const std::string& mes) {
    TheMainForm().ShowStatus(mes, true, CRLF);
}

void Warn(const std::string& mes, const char* title) {
    ui::MsgBox(mes, ui::vbExclamation, title);
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string Pad(int v, int width) {
    std::string s = std::to_string(v < 0 ? -v : v);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
    return v < 0 ? "-" + s : s;
}

// Splits a line into at most n fields, each stripped of quotes and blanks.
int16_t SplitStripped(const std::string& line, std::vector<std::string>& fields) {
    int16_t n = 0;
    CSV_Split(line, fields, n);
    for (int16_t i = 1; i <= n; ++i) fields[static_cast<size_t>(i)] = StripQuotes(fields[static_cast<size_t>(i)]);
    return n;
}

// 1-based position of the first field equal to one of the names, else 0.
int16_t FindColumn(const std::vector<std::string>& names, int16_t n, std::initializer_list<const char*> wanted) {
    for (const char* w : wanted) {
        int16_t idx = 0;
        if (Find_Str(w, names, n, idx)) return idx;
    }
    return 0;
}

std::string Field(const std::vector<std::string>& fields, int16_t n, int16_t col) {
    return col >= 1 && col <= n ? fields[static_cast<size_t>(col)] : std::string();
}

// Year and month of a "yyyy-mm-dd" text: four digits, "-", two digits.
bool YearMonth(const std::string& date, int& year, int& month) {
    if (date.size() < 7 || date[4] != '-') return false;
    for (int i : {0, 1, 2, 3, 5, 6})
        if (date[static_cast<size_t>(i)] < '0' || date[static_cast<size_t>(i)] > '9') return false;
    year = std::stoi(date.substr(0, 4));
    month = std::stoi(date.substr(5, 2));
    return true;
}

bool DifferentFolders(const std::string& a, const std::string& b) {
    return Upper(a) != Upper(b);
}

// Refuses an output that would replace one of the command's inputs.
bool OutputIsAnInput(const std::string& out, std::initializer_list<std::string> inputs, const char* title) {
    for (const std::string& in : inputs) {
        if (in.empty()) continue;
        if (collisions::SameFile(out, in)) {
            Warn("The output file " + out + CRLF + "is the input file " + in + "." + CRLF +
                     "Nothing was written.",
                 title);
            return true;
        }
    }
    return false;
}

}  // namespace

namespace cdebygroup {
const std::vector<std::string>& SectionList() {
    return Sec_List;
}
int16_t SectionCount() {
    return N_Sec;
}
}  // namespace cdebygroup

// ---------------------------------------------------------------------------
// Sums by section, month and severity

void cmdCDEByMonth_Click(MainForm& form) {
    int16_t Year1 = 0, Year2 = 0;
    if (!collisions::ToInt16(form.txtYear1.Text(), Year1) || !collisions::ToInt16(form.txtYear2.Text(), Year2) ||
        Year1 < 1 || Year1 > 9999 || Year2 < 1 || Year2 > 9999) {
        ui::MsgBox("Enter the first and last years as 4-digit years, for example 2010 and 2015.", ui::vbExclamation,
                   "Bad Year");
        form.txtYear1.SetFocus();
        return;
    }
    if (!form.GetFileName(form.SSA_Folder, form.SSA_File, form.ssa_folder, form.ssa_file, form.ssa_fullname)) return;
    std::string out;
    if (!form.Check_OutFolder(out)) return;
    CDE_Sum_by_Group(form.ssa_folder, form.ssa_file, TrimSpaces(form.txtSectionListFile.Text()), out, Year1, Year2);
}

void CDE_Sum_by_Group(const std::string& folder, const std::string& file, const std::string& listName,
                      const std::string& outFolder, int16_t Year1, int16_t Year2) {
    using cdebygroup::kMaxMonths;
    using cdebygroup::kMaxSections;
    for (auto& s : Sec_List) s.clear();
    N_Sec = 0;
    Set_CSV_Quote("\"");
    Set_CSV_Separator(",");

    const std::string cdePath = AddBackslash(folder) + file;
    const std::string listPath = AddBackslash(folder) + listName;
    const std::string outPath = AddBackslash(outFolder) + RemoveExtension(file) + "_bySecMonSev.csv";
    const int N_M = (Year2 - Year1 + 1) * 12;
    if (N_M > kMaxMonths) {
        Warn("The years " + std::to_string(Year1) + " to " + std::to_string(Year2) +
                 " span more than 41 years; the table has room for 500 months.",
             kByGroup);
        return;
    }
    if (OutputIsAnInput(outPath, {cdePath, listPath}, kByGroup)) return;

    // The section list.
    {
        InputFile list;
        if (!list.Open(listPath)) {
            Warn(FileOpenErrorMsg("input", listPath, list.error()), kByGroup);
            return;
        }
        std::vector<std::string> fields(201);
        std::string line;
        bool eof = false;
        Read_Line(list, line, eof);
        Status("Reading Section List file " + listPath);
        while (!eof) {
            Read_Line(list, line, eof);
            if (collisions::IsBlankLine(line)) continue;
            if (N_Sec >= kMaxSections) {
                Warn("The Section List file " + listPath + " holds more than 500 sections." + CRLF +
                         "Nothing was written.",
                     kByGroup);
                return;
            }
            SplitStripped(line, fields);
            Sec_List[static_cast<size_t>(++N_Sec)] = fields[1];
        }
    }

    InputFile cde;
    if (!cde.Open(cdePath)) {
        Warn(FileOpenErrorMsg("input", cdePath, cde.error()), kByGroup);
        return;
    }
    Status("Opened input CDE file " + cdePath);
    Status("Analysing header record.");
    std::string line;
    bool eof = false;
    Read_Line(cde, line, eof);
    if (eof) {
        Warn("File " + cdePath + CRLF + "is empty.", kByGroup);
        return;
    }
    std::vector<std::string> fields(201);
    const int16_t nHead = SplitStripped(line, fields);
    const int16_t cGroup = FindColumn(fields, nHead, {"GROUP_ID", "Group ID"});
    if (cGroup == 0) {
        Warn("No 'Group ID' field found in the heading record of " + cdePath, kByGroup);
        return;
    }
    const int16_t cSev = FindColumn(fields, nHead, {"SEVERITY_TYPE", "Severity Type"});
    if (cSev == 0) {
        Warn("No SEVERITY_TYPE field found in the heading record of " + cdePath, kByGroup);
        return;
    }
    const int16_t cDate = FindColumn(fields, nHead, {"CLSNDATE", "Collision Date"});
    if (cDate == 0) {
        Warn("No CLSNDATE field found in the heading record of " + cdePath, kByGroup);
        return;
    }

    // counts[section][month][severity], 1-based
    auto at = [](int s, int m, int v) { return (static_cast<size_t>(s) * (kMaxMonths + 1) + m) * 4 + v; };
    std::vector<int16_t> counts((kMaxSections + 1) * (kMaxMonths + 1) * 4, 0);
    Status("Reading input CDE file.");
    int32_t nRead = 0;
    while (!eof) {
        Read_Line(cde, line, eof);
        if (collisions::IsBlankLine(line)) continue;
        ++nRead;
        const int16_t n = SplitStripped(line, fields);
        const std::string rec = " at record " + std::to_string(nRead) + " of " + cdePath;
        auto stop = [&](const std::string& why) {
            Warn(why + rec + "." + CRLF + "Nothing was written.", kByGroup);
        };

        const std::string group = Field(fields, n, cGroup);
        int16_t s = 0;
        if (!Find_Str(group, Sec_List, N_Sec, s)) {
            if (N_Sec >= kMaxSections) return stop("More than 500 sections");
            Sec_List[static_cast<size_t>(++N_Sec)] = group;
            s = N_Sec;
            Warn("Section " + group + " was not in the Section List file!", kByGroup);
        }
        const std::string date = Field(fields, n, cDate);
        int year = 0, month = 0;
        if (!YearMonth(date, year, month) || month < 1 || month > 12)
            return stop("CLSNDATE " + date + " is not a date yyyy-mm-dd");
        const int m = (year - Year1) * 12 + month;
        if (m < 1 || m > kMaxMonths)
            return stop("CLSNDATE " + date + " lies outside January " + std::to_string(Year1) +
                        " and the 500 months after it");
        int16_t sev = 0;
        const std::string sevText = Field(fields, n, cSev);
        if (!collisions::ToInt16(sevText, sev) || sev < 1 || sev > 3)
            return stop("SEVERITY_TYPE " + sevText + " is not 1, 2 or 3");
        int16_t& c = counts[at(s, m, sev)];
        if (c >= kCounterMax) return stop("More than 32767 collisions of one section, month and severity");
        ++c;
    }
    cde.Close();
    Status(std::to_string(nRead) + " input data records read.");

    for (int16_t i = 1; i <= N_Sec; ++i) {
        const std::string& t = Sec_List[static_cast<size_t>(i)];
        const size_t dash = t.find('-');
        Sec_Main[static_cast<size_t>(i)] = dash == std::string::npos ? t : t.substr(0, dash);
        Sec_Sub[static_cast<size_t>(i)] = dash == std::string::npos ? "" : t.substr(dash + 1);
    }

    // One table line: its name, total and month cells, summed over sections
    // first..last. False when a cell or the total passes the counters' range.
    auto line_of = [&](const std::string& name, int first, int last, std::string& text) {
        int32_t total = 0;
        std::string cells;
        for (int i = 1; i <= N_M; ++i) {
            for (int v = 1; v <= 3; ++v) {
                int32_t sum = 0;
                for (int sec = first; sec <= last; ++sec) sum += counts[at(sec, i, v)];
                if (sum > kCounterMax) return false;
                total += sum;
                cells += "," + std::to_string(sum);
            }
        }
        if (total > kCounterMax) return false;
        text = name + "," + std::to_string(total) + cells + CRLF;
        return true;
    };

    // Build every line before anything is written, so a table that does not
    // fit its counters is never half written.
    std::string body;
    int32_t nNonSum = 0, nSum = 0;
    int first = 1, last = 0;
    auto add = [&](const std::string& name, int a, int b) {
        std::string text;
        if (!line_of(name, a, b, text)) {
            Warn("The line of " + name + " has more than 32767 collisions in a cell or in its total." + CRLF +
                     "Nothing was written.",
                 kByGroup);
            return false;
        }
        body += text;
        return true;
    };
    for (int s = 1; s <= N_Sec; ++s) {
        if (s > 1) {
            if (Sec_Main[static_cast<size_t>(s)] != Sec_Main[static_cast<size_t>(s - 1)]) {
                if (last > first) {
                    if (!add(Sec_Main[static_cast<size_t>(first)] + "-SUM", first, last)) return;
                    ++nSum;
                }
                first = s;
                last = 0;
            } else if (!Sec_Sub[static_cast<size_t>(s)].empty()) {
                last = s;
            } else {
                ui::MsgBox("Same main sec, no sub sec: " + Sec_Main[static_cast<size_t>(s)], ui::vbExclamation);
            }
        }
        if (!add(Sec_List[static_cast<size_t>(s)], s, s)) return;
        ++nNonSum;
    }
    if (last > first) {
        if (!add(Sec_Main[static_cast<size_t>(first)] + "-SUM", first, last)) return;
        ++nSum;
    }

    OutputFile out;
    if (!out.Open(outPath)) {
        Warn(FileOpenErrorMsg("output", outPath, out.error()), kByGroup);
        return;
    }
    Status("Opened output csv file " + outPath);
    std::string head1 = "Section,Total,", head2 = ",,";
    for (int i = 1; i <= N_M; ++i) {
        head1 += Pad(Year1 + (i - 1) / 12, 4) + "-" + Pad(i - 12 * ((i - 1) / 12), 2) + ",,,";
        head2 += "Fatal,Injury,PDO,";
    }
    out.Write(head1 + CRLF + head2 + CRLF);
    out.Write(body);
    if (!out.Close()) {
        Warn(FileOpenErrorMsg("output", outPath, out.error()), kByGroup);
        return;
    }
    Status(std::to_string(nNonSum) + " non-sum records written.");
    Status(std::to_string(nSum) + " sum records written.");
    Status(std::to_string(nNonSum + nSum) + " total data records written.");
}

// ---------------------------------------------------------------------------
// Sums by group and quarter

void cmdCDEsumByGroupAndQuarter_Click(MainForm& form) {
    form.ShowStatus("", false);
    bool go = false;
    std::string out;
    if (form.GetCDEfilename() && form.Check_OutFolder(out)) {
        go = !DifferentFolders(form.cde_folder, out) ||
             ui::MsgBox("The output folder is not the same as the input folder.", ui::vbOKCancel + ui::vbExclamation,
                        "Warning") != ui::vbCancel;
    }
    if (!go) {
        form.ShowStatus("Problems!", true, CRLF);
        return;
    }
    ui::Hourglass wait;
    form.out_folder = out;
    CDE_Sum_by_Group_and_Quarter(form.cde_folder, form.cde_file, out);
}

void CDE_Sum_by_Group_and_Quarter(const std::string& folder, const std::string& file, const std::string& outFolder) {
    using cdebygroup::kMaxGroups;
    using cdebygroup::kMaxQuarters;
    Scan_Init();
    Set_CSV_Quote("\"");
    Set_CSV_Separator(",");
    const std::string cdePath = AddBackslash(folder) + file;
    const std::string outPath = AddBackslash(outFolder) + RemoveExtension(file) + "_byQuarter.csv";

    int firstYear = 0;
    for (;;) {
        const std::string answer =
            ui::InputBox("Enter the first year (4 digits) (data of prior years will be ignored):", "", "2010");
        if (answer.empty()) return;
        bool digits = answer.size() == 4;
        for (char c : answer) digits = digits && c >= '0' && c <= '9';
        if (!digits) continue;
        firstYear = std::stoi(answer);
        if (firstYear >= 1987 && firstYear <= collisions::CurrentYear()) break;
    }
    const std::string groupName = Upper(TrimSpaces(ui::InputBox("Enter the name of the input section ID field:", "", "GroupID")));
    if (groupName.empty()) return;
    if (OutputIsAnInput(outPath, {cdePath}, kByQuarter)) return;

    InputFile cde;
    if (!cde.Open(cdePath)) {
        Warn(FileOpenErrorMsg("input", cdePath, cde.error()), kByQuarter);
        return;
    }
    Status("Opened input CDE file " + cdePath);
    Status("Analysing header record.");
    std::string line;
    bool eof = false;
    Read_Line(cde, line, eof);
    if (eof) {
        Warn("File " + cdePath + CRLF + "is empty.", kByQuarter);
        return;
    }
    std::vector<std::string> fields(501);
    const int16_t nHead = SplitStripped(Upper(line), fields);
    const int16_t cGroup = FindColumn(fields, nHead, {groupName.c_str()});
    if (cGroup == 0) {
        Warn("No " + groupName + " field found in the heading record of " + cdePath, kByQuarter);
        return;
    }
    const int16_t cDiagram = FindColumn(fields, nHead, {"DIAGRAM"});
    if (cDiagram == 0) {
        Warn("No DIAGRAM field found in the heading record of " + cdePath, kByQuarter);
        return;
    }
    const int16_t cDate = FindColumn(fields, nHead, {"CLSNDATE", "COLLISION DATE"});
    if (cDate == 0) {
        Warn("No CLSNDATE field found in the heading record of " + cdePath, kByQuarter);
        return;
    }

    auto at = [](int g, int q, int c) { return (static_cast<size_t>(g) * (kMaxQuarters + 1) + q) * 4 + c; };
    std::vector<int16_t> counts((kMaxGroups + 1) * (kMaxQuarters + 1) * 4, 0);
    std::vector<int32_t> groups(kMaxGroups + 1);
    int16_t nGroups = 0;
    int Q = 0;
    Status("Reading input CDE file.");
    ui::Hourglass wait;
    int32_t nRead = 0;
    while (!eof) {
        Read_Line(cde, line, eof);
        if (collisions::IsBlankLine(line)) continue;
        ++nRead;
        const int16_t n = SplitStripped(line, fields);
        const std::string rec = std::to_string(nRead);
        auto stop = [&](const std::string& why) {
            Warn(why + " at record " + rec + " of " + cdePath + "." + CRLF + "Nothing was written.", kByQuarter);
        };
        auto invalid = [&] {
            ui::MsgBox("Invalid or missing " + groupName + ", DIAGRAM or CLSNDATE at record " + rec, ui::vbOKOnly);
        };
        const std::string date = Field(fields, n, cDate);
        int16_t year = 0;
        if (!collisions::ToInt16(date.substr(0, 4), year)) return invalid();
        if (year < firstYear) continue;
        int32_t group = 0;
        int16_t diagram = 0, month = 0;
        if (!collisions::ToInt32(Field(fields, n, cGroup), group) ||
            !collisions::ToInt16(Field(fields, n, cDiagram), diagram) ||
            !collisions::ToInt16(date.size() >= 7 ? date.substr(5, 2) : "", month))
            return invalid();
        if (month < 1 || month > 12) return stop("The month of CLSNDATE " + date + " is not 01 to 12");

        int16_t g = 0;
        if (!Find_L(group, groups, nGroups, g)) {
            if (nGroups >= kMaxGroups) return stop("More than 500 groups");
            groups[static_cast<size_t>(++nGroups)] = group;
            g = nGroups;
        }
        const int quarter = month <= 3 ? 1 : month <= 6 ? 2 : month <= 9 ? 3 : 4;
        const int i = (year - firstYear) * 4 + quarter;
        if (i > kMaxQuarters)
            return stop("CLSNDATE " + date + " lies more than 25 years after the first year " +
                        std::to_string(firstYear));
        Q = std::max(Q, i);
        const int cls = diagram == 14 ? 2 : (diagram == 2 || diagram == 15) ? 3 : 0;
        for (int c : {1, cls}) {
            if (c == 0) continue;
            int16_t& cell = counts[at(g, i, c)];
            if (cell >= kCounterMax) return stop("More than 32767 collisions in one cell");
            ++cell;
        }
    }
    cde.Close();
    Status(std::to_string(nRead) + " input data records read.");

    static const char* const kClass[] = {"", "All", "ORR", "HO+ORL"};
    std::string text = "GroupID,Nclsns,";
    for (int i = 1; i <= Q; ++i)
        for (int c = 1; c <= 3; ++c)
            text += Pad(firstYear + (i - 1) / 4, 4) + "Q" + std::to_string(i - 4 * ((i - 1) / 4)) + " " + kClass[c] + ",";
    text += CRLF;
    for (int g = 1; g <= nGroups; ++g) {
        int32_t total = 0;
        std::string cells;
        for (int i = 1; i <= Q; ++i)
            for (int c = 1; c <= 3; ++c) {
                total += counts[at(g, i, c)];
                cells += "," + std::to_string(counts[at(g, i, c)]);
            }
        if (total > kCounterMax) {
            Warn("Group " + std::to_string(groups[static_cast<size_t>(g)]) +
                     " has a row total above 32767." + CRLF + "Nothing was written.",
                 kByQuarter);
            return;
        }
        text += std::to_string(groups[static_cast<size_t>(g)]) + "," + std::to_string(total) + cells + CRLF;
    }

    OutputFile out;
    if (!out.Open(outPath)) {
        Warn(FileOpenErrorMsg("output", outPath, out.error()), kByQuarter);
        return;
    }
    Status("Opened output csv file " + outPath);
    out.Write(text);
    if (!out.Close()) {
        Warn(FileOpenErrorMsg("output", outPath, out.error()), kByQuarter);
        return;
    }
    Status(std::to_string(nGroups) + " section records written.");
}
