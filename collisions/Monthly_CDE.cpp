#include "collisions/Monthly_CDE.h"

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "platform/office/spreadsheet.h"
#include "platform/shell/line_sort.h"
#include "platform/shell/scratch.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* kTitle = "Monthly_CDE";

office::ApplicationRef& XlApp() {
    static office::ApplicationRef app;
    return app;
}

void Show(const std::string& mes, bool append = false) {
    TheMainForm().ShowStatus(mes, append, CRLF);
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Characters 2 to 8 of a data line: a real "yyyy-mm" after the opening quote.
bool MonthKey(const std::string& line, std::string& key) {
    if (line.size() < 9 || line[0] != '"') return false;
    for (int i : {1, 2, 3, 4, 6, 7})
        if (!IsDigit(line[static_cast<size_t>(i)])) return false;
    if (line[5] != '-') return false;
    const int month = (line[6] - '0') * 10 + (line[7] - '0');
    if (month < 1 || month > 12) return false;
    key = line.substr(1, 7);
    return true;
}

// A line as a message shows it: not more than its first 200 characters.
std::string Quoted(const std::string& line) {
    return line.size() > 200 ? line.substr(0, 200) + "..." : line;
}

}  // namespace

void cmdSplitByMonth_Click(MainForm& form) {
    form.ShowStatus("", false);
    if (!form.GetCDEfilename()) return;
    std::string out;
    if (!form.Check_OutFolder(out)) return;
    if (Upper(AddBackslash(out)) != Upper(AddBackslash(form.cde_folder))) {
        if (ui::MsgBox("The output folder is not the same as the input folder.", ui::vbOKCancel + ui::vbExclamation,
                       "Warning") == ui::vbCancel)
            return;
    }
    ui::Hourglass wait;
    int16_t status = 0;
    Monthly_CDE(form.cde_fullname, out, status);
}

void Excel_Start() {
    Show("Opening Excel.", true);
    office::ApplicationRef& app = XlApp();
    if (app) return;  // the one started before is kept
    app = office::Application::GetRunning();
    if (!app) app = office::Application::Start();
}

void Excel_SaveCsvAsWorkbook(const std::string& csvFile, const std::string& bookFile) {
    // The new workbook replaces the old one only when it is complete, so the
    // old one is not deleted first; one open in another program stays.
    if (FileExists(bookFile) && office::WorkbookInUse(bookFile))
        throw office::Error(1004, "The workbook " + bookFile + " is open in another program; close it and try again.");
    if (!XlApp()) Excel_Start();
    office::WorkbookRef book = XlApp()->WorkbooksOpen(csvFile);
    try {
        book->SaveAs(bookFile, office::xlOpenXMLWorkbook);
    } catch (...) {
        book->Close(false);
        throw;
    }
    book->Close(false);
}

void Monthly_CDE(const std::string& inFile, const std::string& outFolder, int16_t& status) {
    status = kSplitFinished;
    const std::string pageName = AddBackslash(outFolder) + "FatalDataByMonth.html";
    std::string sortedName, scratchName;

    OutputFile page;
    bool pageOpen = false;
    auto finish = [&] {
        if (pageOpen) {
            // a split that stopped part-way still leaves a whole page of the
            // months converted so far
            page.Write(std::string("</BODY>") + CRLF + "</HTML>" + CRLF);
            if (!page.Close() && status == kSplitFinished) {
                ui::MsgBox(FileOpenErrorMsg("output HTML", pageName, page.error()), ui::vbExclamation, kTitle);
                status = kSplitPageOpen;
            }
        }
        Show(status == kSplitFinished ? "Finished CDE split by month." : "CDE split by month failed.");
    };
    auto fail = [&](int16_t st, const std::string& message, int icon = ui::vbExclamation) {
        ui::MsgBox(message, icon, kTitle);
        status = st;
        finish();
    };

    Show("Reading csv heading.");
    std::string heading;
    {
        InputFile in;
        if (!in.Open(inFile)) return fail(kSplitInputOpen, FileOpenErrorMsg("input", inFile, in.error()));
        bool eof = false;
        Read_Line(in, heading, eof);
        if (eof) return fail(kSplitEmptyInput, "End of file on first CDE file read.");
    }
    if (collisions::SameFile(inFile, pageName))
        return fail(kSplitPageOpen, "The input file " + inFile + CRLF + "is the index page the split writes." + CRLF +
                                        "Nothing was written.");

    const std::string scratch = shell::PrivateTempFolder();
    if (scratch.empty())
        return fail(kSplitScratchOpen, FileOpenErrorMsg("scratch folder", AddBackslash(shell::Environ("temp"))));
    sortedName = scratch + "CDEsorted.csv";
    scratchName = scratch + "onemonth.csv";

    Show("Sorting file.");
    const shell::SortResult sorted = shell::SortLines(inFile, sortedName);
    if (!sorted.ok) return fail(kSplitInputOpen, "The CDE file could not be sorted:" + std::string(CRLF) + sorted.error_text);
    Show("File " + sortedName + " created.", true);

    Excel_Start();

    Show("Opening HTML file.");
    if (!page.Open(pageName)) return fail(kSplitPageOpen, FileOpenErrorMsg("output HTML", pageName, page.error()));
    pageOpen = true;
    for (const char* line : {"<HTML>", "<HEAD>", "    <TITLE>", "        Fatal Collision Data by Month in Excel",
                             "    </TITLE>", "</HEAD>", "<BODY>", "<H3>Vorquist</H3>",
                             "<p><H3>Fatal Collision Data by Month in Excel</H3>"})
        page.Write(std::string(line) + CRLF);
    page.Write("<p>(Data files generated " + collisions::HTML_Escape(collisions::TodayShortDate()) + ")" + CRLF);
    page.Write(std::string("<p>") + CRLF);

    Show("Processing the CDE csv data...");
    InputFile in;
    if (!in.Open(sortedName)) return fail(kSplitInputOpen, FileOpenErrorMsg("input", sortedName, in.error()));

    std::string current = "0000-00";
    OutputFile month;
    bool monthOpen = false;
    // Converts the month gathered in the scratch file and links it; false
    // when the split has to stop.
    auto close_month = [&]() -> bool {
        if (!monthOpen) return true;
        monthOpen = false;
        if (!month.Close()) {
            fail(kSplitScratchOpen, FileOpenErrorMsg("output", scratchName, month.error()));
            return false;
        }
        const std::string bookName = "fatal_data_" + current + ".xlsx";
        const std::string bookFile = AddBackslash(outFolder) + bookName;
        if (collisions::SameFile(bookFile, inFile)) {
            fail(kSplitWorkbook, "The input file " + inFile + CRLF + "is the workbook of month " + current + ".");
            return false;
        }
        try {
            Excel_SaveCsvAsWorkbook(scratchName, bookFile);
        } catch (const office::Error& e) {
            fail(kSplitWorkbook, "The workbook " + bookFile + " could not be written:" + CRLF + e.description());
            return false;
        }
        const int m = std::stoi(current.substr(5, 2));
        page.Write("<A HREF=\"" + collisions::HTML_Escape(bookName) + "\">" + collisions::HTML_Escape(current) + " " +
                   collisions::MonthName(m) + "</A><BR>" + CRLF);
        return true;
    };

    std::string line;
    bool eof = false;
    while (!eof) {
        Read_Line(in, line, eof);
        // The data end at the quoted heading, which sorts after every quoted
        // date, or at the file's last line, whatever that holds (an unquoted
        // heading, a footer); blank lines are no records.
        if (eof || (line.size() >= 9 && line.compare(1, 8, "CLSNDATE") == 0)) break;
        if (collisions::IsBlankLine(line)) continue;
        std::string key;
        if (!MonthKey(line, key)) {
            // the lines of the open month all sort before this one: it is whole
            if (!close_month()) return;
            fail(kSplitBadMonthKey, "Error: this line does not begin with a quoted collision date yyyy-mm-dd:" +
                                        std::string(CRLF) + Quoted(line) + CRLF + CRLF +
                                        "The first column of the CDE file must be \"CLSNDATE\".");
            return;
        }
        if (key < current) {
            fail(kSplitDateOrder, "Error: By Month specified, but input data not in date order.", ui::vbCritical);
            return;
        }
        if (key > current) {
            if (!close_month()) return;
            Show(key);
            current = key;
            if (!month.Open(scratchName)) {
                fail(kSplitScratchOpen, FileOpenErrorMsg("output", scratchName, month.error()));
                return;
            }
            monthOpen = true;
            month.Write(heading + CRLF);
        }
        month.Write(line + CRLF);
    }
    if (!close_month()) return;
    finish();
}
