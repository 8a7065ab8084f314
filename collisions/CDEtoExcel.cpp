#include "collisions/CDEtoExcel.h"

#include <vector>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "collisions/CDEaddLatLonmod.h"
#include "collisions/collision_util.h"
#include "common/TessawinMod.h"
#include "platform/office/spreadsheet.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* CRLF = "\r\n";
constexpr int16_t kMaxHeadings = 200;

bool OneOf(const std::string& name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

}  // namespace

std::string CDE_ColumnFormat(const std::string& name) {
    if (OneOf(name, {"TOTALKLD", "Total number of people killed", "TOTALINJ", "Total number of people injured",
                     "TOTALVEH", "Total number of vehicles involved", "DIAGRAM", "Primary Occurence", "HIGHNUM",
                     "Highway Number", "WEEKDAY", "Weekday", "REGION", "DISTRICT", "AREA", "Region", "District",
                     "Area", "GROUP_ID", "Group ID", "NUMLANES", "Number of lanes"}))
        return "0";
    if (OneOf(name, {"KMMARK", "Km Mark"})) return "0.0";
    if (OneOf(name, {"Latitude", "Longitude"})) return "###0.000000";
    if (OneOf(name, {"DRIVER_WT", "ROAD_WT", "VEH_WT", "Driver causal factor weight (%)",
                     "Vehicle causal factor weight (%)", "Road causal factor weight (%)"}))
        return "0.00";
    if (OneOf(name, {"CLSNDATE", "Collision Date"})) return "yyyy-mm-dd;@";
    return "@";
}

namespace {
// The file the last "Open CDE file in Excel" saved its workbook in.
std::string g_workbook_written;
}  // namespace

void cmdCDEtoExcel_Click(MainForm& form) {
    if (!form.GetCDEfilename()) return;
    // The workbook is saved into the output folder, where the user looks,
    // not into the shared temporary folder.
    std::string out;
    if (!form.Check_OutFolder(out)) return;
    form.out_folder = out;
    form.ShowStatus("Loading " + form.cde_fullname + " in Excel...");
    form.ShowStatus("Loading and formatting the CDE file...");
    ui::Hourglass wait;
    g_workbook_written.clear();
    if (CDEtoExcel(form)) {
        form.ShowStatus("CSV file ready in Excel", true);
        if (!g_workbook_written.empty()) form.ShowStatus("Workbook written to " + g_workbook_written, true);
    } else {
        form.ShowStatus("Problems!", true);
    }
}

bool CDEtoExcel(MainForm& form) {
    const std::string& fullname = form.cde_fullname;
    InputFile in;
    if (!in.Open(fullname)) {
        ui::MsgBox(FileOpenErrorMsg("input", fullname, in.error()), ui::vbExclamation, "CDE_to_Excel");
        return false;
    }
    std::string line;
    bool eof = false;
    Read_Line(in, line, eof);
    if (eof) {
        ui::MsgBox("File " + fullname + CRLF + "is empty.", ui::vbExclamation, "CDE_to_Excel");
        return false;
    }
    Set_CSV_Quote("\"");
    Set_CSV_Separator(",");
    std::vector<std::string> fields(kMaxHeadings + 1);
    int16_t n = 0;
    CSV_Split(line, fields, n);
    std::vector<std::string> names;
    for (int16_t i = 1; i <= n; ++i) names.push_back(StripQuotes(fields[static_cast<size_t>(i)]));

    office::ApplicationRef app = office::Application::GetRunning();
    int32_t row = 1;
    try {
        if (!app) app = office::Application::Start();
        office::WorkbookRef book = app->WorkbooksAdd();
        office::WorksheetRef sheet = book->ActiveWorksheet();
        std::string base = form.cde_file;
        const size_t slash = base.find_last_of('/');
        if (slash != std::string::npos) base.erase(0, slash + 1);
        sheet->SetName(RemoveExtension(base));
        int32_t dateCol = 0, latCol = 0, lonCol = 0;
        for (int32_t i = 1; i <= n; ++i) {
            const std::string& name = names[static_cast<size_t>(i - 1)];
            sheet->SetColumnNumberFormat(i, CDE_ColumnFormat(name));
            if (name == "CLSNDATE" || name == "Collision Date") dateCol = i;
            if (name == "Latitude") latCol = i;
            if (name == "Longitude") lonCol = i;
        }
        sheet->SetRow(1, 1, names);
        std::vector<std::string> rowFields(static_cast<size_t>(n) + 1);
        std::vector<std::string> values;
        while (!eof) {
            Read_Line(in, line, eof);
            if (eof && line.empty()) break;  // a final line break ends the file, not a row
            ++row;
            if (row > office::kMaxRows)
                throw office::Error(1004, "The CDE file has more lines than a worksheet holds (" +
                                              std::to_string(office::kMaxRows) + " rows).");
            int16_t m = 0;
            CSV_Split(line, rowFields, m);
            values.clear();
            for (int16_t i = 1; i <= m; ++i) values.push_back(StripQuotes(rowFields[static_cast<size_t>(i)]));
            if (!values.empty()) sheet->SetRow(row, 1, values);
        }
        in.Close();
        for (int32_t c : {dateCol, latCol, lonCol})
            if (c > 0) sheet->AutoFitColumn(c);
        form.ShowStatus(std::to_string(row) + " data rows loaded.");
        sheet->Cells(1, 1).Activate();
        app->SetWindowState(office::xlNormal);
        app->SetVisible(true);
        if (!form.out_folder.empty()) {
            // named after the sheet, " (2)" and on while the user has that one open
            const std::string stem = AddBackslash(form.out_folder) + sheet->Name();
            std::string path = stem + ".xlsx";
            for (int k = 2; office::WorkbookInUse(path); ++k) path = stem + " (" + std::to_string(k) + ").xlsx";
            book->SaveAs(path);
            g_workbook_written = path;
        }
        app->Release();
    } catch (const office::Error& e) {
        ui::MsgBox("Error " + std::to_string(e.number()) + " loading " + fullname + " in Excel:" + CRLF +
                       e.description(),
                   ui::vbExclamation, "CDE_to_Excel");
        if (app) app->Quit();
        return false;
    }
    return true;
}

void cmdCDErequirements_Click(MainForm&) {
    const std::string help = AppFolder + "CDE_for_CD.txt";
    if (Help_File_Found(help)) Shell_Command("Notepad", help, vbNormalFocus);
}

void cmdCDEaddGeoFields_Click(MainForm& form) {
    form.ShowStatus("", false);
    if (!form.CDE_chkLatLon.Value() && !form.CDE_chkNaltAlbers.Value()) {
        ui::MsgBox("Select LatLon and/or Nalt Albers options.", ui::vbExclamation);
        form.CDE_chkLatLon.SetFocus();
        return;
    }
    if (!form.GetCDEfilename()) return;
    std::string outFull, version;
    if (!Check_outCDE_file(form, "Enter the HMZ version used in the CDE file, in form YYYYMM.", outFull, version))
        return;
    ui::Hourglass wait;
    CDEaddLatLon(version, form.cde_fullname, outFull, form.CDE_chkLatLon.Value() != 0,
                 form.CDE_chkNaltAlbers.Value() != 0);
}
