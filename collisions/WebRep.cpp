#include "collisions/WebRep.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "common/winlib.h"
#include "inventory/HMZ_Database.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* CRLF = "\r\n";
constexpr int kHeaderLines = 20;
const std::string kMarker1 = "{{\\pard \\phpg\\pvpg\\posx0";
const std::string kMarker2 = "{\\pard \\phpg\\pvpg\\posx0";
const std::string kBreak1 = "{\\sect \\sbkpage";
const std::string kBreak2 = "\\sect \\sbkpage";

std::vector<DetailIndexEntry>& Index() {
    static std::vector<DetailIndexEntry> list;
    return list;
}

void Show(const std::string& mes, bool append) {
    TheMainForm().ShowStatus(mes, append, CRLF);
}

bool StartsWith(const std::string& s, const std::string& p) {
    return s.compare(0, p.size(), p) == 0;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

const std::string& BreakLine(int16_t style) {
    return style == 1 ? kBreak1 : kBreak2;
}

// `len` characters after the colour switch of a value line; "" when the line
// has none.
std::string ValueAfterSwitch(const std::string& line, size_t len) {
    const size_t p = line.find("\\cf1");
    if (p == std::string::npos || p + 5 > line.size()) return "";
    return line.substr(p + 5, len);
}

// The first scanned field after the colour switch, at most `len` characters.
std::string ScannedAfterSwitch(const std::string& line, int16_t len) {
    const size_t p = line.find("\\cf1");
    if (p == std::string::npos || p + 5 > line.size()) return "";
    int16_t col = static_cast<int16_t>(std::min<size_t>(p + 5, 32766));
    int16_t status = 0;
    std::string field;
    SCAN_S(line, field, len, col, status);
    if (status != 0 && status != 3) return "";
    return field.substr(0, static_cast<size_t>(len));
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A real "yyyy-mm-dd" (month 1 to 12, day 1 to 31).
bool ReadableDate(const std::string& d) {
    if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!IsDigit(d[static_cast<size_t>(i)])) return false;
    const int m = std::stoi(d.substr(5, 2)), day = std::stoi(d.substr(8, 2));
    return m >= 1 && m <= 12 && day >= 1 && day <= 31;
}

std::string FileOf(const DetailIndexEntry& e) {
    return e.CaseNo + "_" + e.ClsnDate + ".rtf";
}

// Positions of `keys` in ascending character-code order, equal keys in
// their first order.
std::vector<size_t> SortedOrder(const std::vector<std::string>& keys) {
    std::vector<size_t> idx(keys.size());
    std::iota(idx.begin(), idx.end(), size_t{0});
    std::stable_sort(idx.begin(), idx.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    return idx;
}

void WriteHead(OutputFile& out, const std::string& title) {
    for (const std::string& s : {std::string("<HTML>"), std::string("<HEAD>"), std::string("    <TITLE>"),
                                 "        " + title, std::string("    </TITLE>"), std::string("</HEAD>"),
                                 std::string("<BODY>"), std::string("<H3>Vorquist</H3>"), std::string("<p>"),
                                 "<H3>" + title + "</H3>",
                                 "<p>(Report files generated " + collisions::HTML_Escape(collisions::TodayShortDate()) +
                                     ")",
                                 std::string("<p>")})
        out.Write(s + CRLF);
}

std::string Link(const std::string& href, const std::string& text) {
    return "<A HREF=\"" + collisions::HTML_Escape(href) + "\">" + collisions::HTML_Escape(text) + "</A>";
}

bool ClosePage(OutputFile& out) {
    if (out.Close()) return true;
    ui::MsgBox(FileOpenErrorMsg("output", out.path(), out.error()), ui::vbExclamation, "MakeHTMLIndeces");
    Show("MakeHTMLIndeces failed.", true);
    return false;
}

}  // namespace

std::vector<RDA_Code>& RDA_Areas() {
    static std::vector<RDA_Code> table;
    return table;
}

const std::vector<DetailIndexEntry>& DetailIndex() {
    return Index();
}

std::string SafeNamePart(const std::string& s) {
    std::string out;
    for (char c : s)
        if (IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-') out += c;
    return out;
}

void cmdDetailSplit_Click(MainForm& form) {
    form.ShowStatus("", false);
    if (!form.GetFileName(form.Detail_Folder, form.Detail_File, form.detail_folder, form.detail_file,
                          form.detail_fullname))
        return;
    std::string out;
    if (!form.Check_OutFolder(out)) return;
    if (Upper(AddBackslash(out)) != Upper(AddBackslash(form.detail_folder))) {
        if (ui::MsgBox("The output folder is not the same as the input folder.", ui::vbOKCancel + ui::vbExclamation,
                       "Warning") == ui::vbCancel)
            return;
    }
    int16_t status = 0;
    SplitDetailReport(form.detail_fullname, out, status);
    // the files written before an overlong page are indexed too
    if (status == kDetailDone || (status == kDetailPageTooLong && !Index().empty())) MakeHTMLIndeces(out);
}

void cmdOpenRTFinWord_Click(MainForm& form) {
    form.ShowStatus("", false);
    if (!form.GetFileName(form.Detail_Folder, form.Detail_File, form.detail_folder, form.detail_file,
                          form.detail_fullname))
        return;
    ui::Hourglass wait;
    form.ShowStatus("Opening RTF file in Word...");
    Word_OpenDocument(form.detail_fullname);
    form.ShowStatus("RTF file opened in Word.");
}

void ReadRtfPage(InputFile& file, RtfPage& page, int16_t braceStyle) {
    page = RtfPage();
    const std::string& brk = BreakLine(braceStyle);
    bool eof = false;
    std::string line;
    bool caseFound = false, prevLabel = false;
    while (true) {
        Read_Line(file, line, eof);
        if (line == "}}" || (eof && line.empty())) {
            page.Last = true;
            break;
        }
        if (StartsWith(line, brk)) break;
        if (page.Lines.size() >= static_cast<size_t>(kRtfPageLines)) {
            page.TooLong = true;
            break;
        }
        page.Lines.push_back(line);
        if (!caseFound) {
            if (prevLabel) {
                page.CaseNo = ValueAfterSwitch(line, 8);
                caseFound = true;
            }
            prevLabel = line.find("Collision Case No:") != std::string::npos;
        }
        if (eof) {
            page.Last = true;
            break;
        }
    }
    page.Count = static_cast<int16_t>(page.Lines.size());
    if (page.TooLong || page.CaseNo.empty()) return;
    Set_Scan_Blanks(" }\\");
    const size_t n = page.Lines.size();
    size_t i = 0;
    while (i < n) {
        const std::string& l = page.Lines[i];
        // a label whose value lines lie past the page gives no value
        if (l.find("Collision Date") != std::string::npos) {
            if (i + 1 < n) page.ClsnDate = ValueAfterSwitch(page.Lines[i + 1], 10);
            i += 2;
        } else if (l.find("Contract Mgmnt. Area") != std::string::npos) {
            if (i + 1 < n) {
                page.Area = ScannedAfterSwitch(page.Lines[i + 1], 2);
                if (page.Area.size() == 1) page.Area = "0" + page.Area;
            }
            i += 2;
        } else if (l.find("Highway:") != std::string::npos) {
            if (i + 9 < n)
                page.Location = "Hwy " + ScannedAfterSwitch(page.Lines[i + 7], 4) + " Seg " +
                                ScannedAfterSwitch(page.Lines[i + 8], 4) + " Km " +
                                ScannedAfterSwitch(page.Lines[i + 9], 7);
            i += 10;
        } else {
            ++i;
        }
    }
}

void SplitDetailReport(const std::string& rtfFile, const std::string& outFolder, int16_t& status) {
    constexpr const char* kTitle = "SplitDetailReport";
    status = kDetailDone;
    Index().clear();
    ui::Hourglass wait;
    for (const char* page : {"FatalReportsByDate.html", "FatalReportsByArea.html"}) {
        if (collisions::SameFile(rtfFile, AddBackslash(outFolder) + page)) {
            ui::MsgBox("The input file " + rtfFile + CRLF + "is an index page the split writes. Nothing was written.",
                       ui::vbExclamation, kTitle);
            status = kDetailOutputOpen;
            return;
        }
    }
    InputFile in;
    if (!in.Open(rtfFile)) {
        ui::MsgBox(FileOpenErrorMsg("input", rtfFile, in.error()), ui::vbExclamation, kTitle);
        status = kDetailInputOpen;
        return;
    }
    std::vector<std::string> header;
    int16_t style = 0;
    bool eof = false;
    std::string line;
    while (style == 0 && !eof && header.size() < static_cast<size_t>(kHeaderLines)) {
        Read_Line(in, line, eof);
        if (eof && line.empty()) break;
        header.push_back(line);
        if (StartsWith(line, kMarker1))
            style = 1;
        else if (StartsWith(line, kMarker2))
            style = 2;
    }
    if (style == 0) {
        ui::MsgBox("End of file reached, or more than " + std::to_string(kHeaderLines) +
                       " records read before finding the first Collision Detail page." + CRLF +
                       "(Make sure you have named a VRQ Details Report file.)",
                   ui::vbExclamation, kTitle);
        status = kDetailNoMarker;
        return;
    }

    std::vector<RtfPage> pending;
    long pagesRead = 0, filesWritten = 0;
    auto write_pending = [&]() -> bool {
        if (pending.empty()) return true;
        const RtfPage& first = pending.front();
        DetailIndexEntry e{SafeNamePart(first.CaseNo), SafeNamePart(first.ClsnDate), first.Area, first.Location};
        const std::string name = AddBackslash(outFolder) + FileOf(e);
        if (collisions::SameFile(name, rtfFile)) {
            ui::MsgBox("The input file " + rtfFile + CRLF + "is the file of collision " + e.CaseNo +
                           ". Nothing more was written.",
                       ui::vbExclamation, kTitle);
            status = kDetailOutputOpen;
            return false;
        }
        OutputFile out;
        if (!out.Open(name)) {
            ui::MsgBox(FileOpenErrorMsg("output", name, out.error()), ui::vbExclamation, kTitle);
            status = kDetailOutputOpen;
            return false;
        }
        for (const std::string& h : header) out.Write(h + CRLF);
        for (size_t p = 0; p < pending.size(); ++p) {
            if (p > 0) out.Write(BreakLine(style) + CRLF);
            for (const std::string& l : pending[p].Lines) out.Write(l + CRLF);
        }
        out.Write(std::string("}}") + CRLF);
        if (!out.Close()) {
            ui::MsgBox(FileOpenErrorMsg("output", name, out.error()), ui::vbExclamation, kTitle);
            status = kDetailOutputOpen;
            return false;
        }
        Index().push_back(e);
        ++filesWritten;
        pending.clear();
        return true;
    };
    auto report = [&] {
        Show(std::to_string(pagesRead) + " RTF pages read, " + std::to_string(filesWritten) +
                 " collision RTF files written.",
             true);
    };

    RtfPage page;
    bool last = false;
    while (true) {
        if (last) page = RtfPage();  // nothing follows the end of the document
        else ReadRtfPage(in, page, style);
        if (page.TooLong) {
            // the collisions before a new one are whole; one whose page is cut is not
            if (!page.CaseNo.empty() && !write_pending()) return;
            ui::MsgBox("Error: no end-of-page found after " + std::to_string(kRtfPageLines) + " rtf records" + CRLF +
                           "(page " + std::to_string(pagesRead + 1) + "). The split stops here; the " +
                           std::to_string(filesWritten) + " collision files before it are kept.",
                       ui::vbCritical, "ReadRtfPage");
            status = kDetailPageTooLong;
            report();
            return;
        }
        if (!page.CaseNo.empty() || page.Lines.empty()) {
            if (!write_pending()) return;
        }
        if (page.Lines.empty()) {
            report();
            return;
        }
        ++pagesRead;
        last = page.Last;
        pending.push_back(std::move(page));
        Show("page: " + std::to_string(pagesRead), false);
    }
}

int16_t GetAreaTable() {
    std::vector<RDA_Code>& table = RDA_Areas();
    if (RDA_UBound(table) == 0) {
        if (HMZ_Open_Database()) Load_RDA_Table("Area", table);
    }
    return RDA_UBound(table);
}

void MakeHTMLIndeces(const std::string& outFolder) {
    constexpr const char* kTitle = "MakeHTMLIndeces";
    Show("Creating HTML indeces...", true);
    const std::vector<DetailIndexEntry>& list = Index();
    if (list.empty()) {
        ui::MsgBox("Error: Naklist = 0", ui::vbExclamation, kTitle);
        Show("MakeHTMLIndeces failed.", true);
        return;
    }

    // By date.
    std::vector<std::string> keys;
    for (const DetailIndexEntry& e : list)
        keys.push_back(e.ClsnDate + " " + e.CaseNo + " Area " + e.Area + " " + e.Location);
    const std::vector<size_t> order = SortedOrder(keys);
    int y1 = 9999, y2 = 0, m1 = 99, m2 = 0;
    std::set<std::pair<int, int>> cell;  // year and month of some collision
    for (const DetailIndexEntry& e : list) {
        if (!ReadableDate(e.ClsnDate)) continue;
        const int y = std::stoi(e.ClsnDate.substr(0, 4)), m = std::stoi(e.ClsnDate.substr(5, 2));
        y1 = std::min(y1, y);
        y2 = std::max(y2, y);
        m1 = std::min(m1, m);
        m2 = std::max(m2, m);
        cell.insert({y, m});
    }
    const std::string dateName = AddBackslash(outFolder) + "FatalReportsByDate.html";
    OutputFile out;
    if (!out.Open(dateName)) {
        ui::MsgBox(FileOpenErrorMsg("output", dateName, out.error()), ui::vbExclamation, kTitle);
        return;
    }
    WriteHead(out, "Index by Date to Fatal Collision Detail Reports");
    out.Write(std::string("<TABLE>") + CRLF + "<TR>" + CRLF + "<TH>" + CRLF);
    for (int y = y1; y <= y2; ++y) out.Write("<TH> " + std::to_string(y) + CRLF);
    auto two = [](int m) { return std::string(m < 10 ? "0" : "") + std::to_string(m); };
    for (int m = m1; m <= m2; ++m) {
        out.Write(std::string("<TR>") + CRLF + "<TD>" + two(m) + CRLF);
        for (int y = y1; y <= y2; ++y) {
            std::string td = "<TD>";
            if (cell.count({y, m}))
                td += "<A HREF=\"#month" + std::to_string(y) + two(m) + "\">" + collisions::MonthName(m) + "</A>";
            out.Write(td + CRLF);
        }
    }
    out.Write(std::string("</TABLE>") + CRLF + "<p>" + CRLF);
    std::string month;
    for (size_t i : order) {
        const DetailIndexEntry& e = list[i];
        if (!ReadableDate(e.ClsnDate)) continue;
        const std::string ym = e.ClsnDate.substr(0, 4) + e.ClsnDate.substr(5, 2);
        if (ym != month) {
            if (!month.empty()) out.Write(std::string("</UL>") + CRLF);
            month = ym;
            out.Write("<p><A NAME=\"month" + ym + "\">" + e.ClsnDate.substr(0, 7) + " " +
                      collisions::MonthName(std::stoi(ym.substr(4, 2))) + "</A>" + CRLF + "<p>" + CRLF + "<UL>" +
                      CRLF);
        }
        out.Write("<LI>" + Link(FileOf(e), keys[i]) + "<BR>" + CRLF);
    }
    if (!month.empty()) out.Write(std::string("</UL>") + CRLF);
    bool undated = false;
    for (size_t i : order) {
        const DetailIndexEntry& e = list[i];
        if (ReadableDate(e.ClsnDate)) continue;
        if (!undated)
            out.Write(std::string("<p><A NAME=\"nodate\">Collisions without a readable date</A>") + CRLF + "<p>" +
                      CRLF + "<UL>" + CRLF);
        undated = true;
        out.Write("<LI>" + Link(FileOf(e), keys[i]) + "<BR>" + CRLF);
    }
    if (undated) out.Write(std::string("</UL>") + CRLF);
    out.Write(std::string("</BODY>") + CRLF + "</HTML>" + CRLF);
    if (!ClosePage(out)) return;

    // By area.
    keys.clear();
    for (const DetailIndexEntry& e : list)
        keys.push_back(e.Area + " " + e.ClsnDate + " " + e.CaseNo + " " + e.Location);
    const std::vector<size_t> byArea = SortedOrder(keys);
    const std::string areaName = AddBackslash(outFolder) + "FatalReportsByArea.html";
    if (!out.Open(areaName)) {
        ui::MsgBox(FileOpenErrorMsg("output", areaName, out.error()), ui::vbExclamation, kTitle);
        return;
    }
    WriteHead(out, "Index by Area to Fatal Collision Detail Reports");
    const int areas = GetAreaTable();
    const std::vector<RDA_Code>& table = RDA_Areas();
    auto areaText = [&](const RDA_Code& a) {
        return std::to_string(a.Code) + " - " + collisions::HTML_Escape(a.Name);
    };
    out.Write(std::string("<TABLE>") + CRLF);
    const int half = (areas + 1) / 2;
    for (int r = 1; r <= half; ++r) {
        out.Write(std::string("<TR>") + CRLF);
        for (int k : {r, r + half}) {
            if (k > areas) continue;
            const RDA_Code& a = table[static_cast<size_t>(k)];
            out.Write("<TD><A HREF=\"#area" + std::to_string(a.Code) + "\">" + areaText(a) + "</A>" + CRLF);
        }
    }
    out.Write(std::string("</TABLE>") + CRLF + "<p>" + CRLF);
    auto areaNumber = [](const std::string& area, int& n) {
        if (area.empty() || !std::all_of(area.begin(), area.end(), IsDigit)) return false;
        n = std::stoi(area);
        return true;
    };
    std::vector<bool> placed(list.size(), false);
    for (int k = 1; k <= areas; ++k) {
        const RDA_Code& a = table[static_cast<size_t>(k)];
        out.Write("<p><A NAME=\"area" + std::to_string(a.Code) + "\">" + areaText(a) + "</A>" + CRLF);
        bool any = false;
        for (size_t i : byArea) {
            int n = 0;
            if (!areaNumber(list[i].Area, n) || n != a.Code) continue;
            if (!any) out.Write(std::string("<UL>") + CRLF);
            any = true;
            placed[i] = true;
            out.Write("<LI>" + Link(FileOf(list[i]), keys[i]) + "</LI>" + CRLF);
        }
        out.Write(std::string(any ? "</UL>" : "    (none)") + CRLF);
    }
    // collisions of areas the table does not hold are not lost
    bool unknown = false;
    for (size_t i : byArea) {
        if (placed[i]) continue;
        if (!unknown)
            out.Write(std::string("<p><A NAME=\"areaunknown\">Collisions in an area not in the Area table</A>") +
                      CRLF + "<UL>" + CRLF);
        unknown = true;
        out.Write("<LI>" + Link(FileOf(list[i]), keys[i]) + "</LI>" + CRLF);
    }
    if (unknown) out.Write(std::string("</UL>") + CRLF);
    out.Write(std::string("</BODY>") + CRLF + "</HTML>" + CRLF);
    if (!ClosePage(out)) return;
    Show("HTML indeces complete.", true);
}
