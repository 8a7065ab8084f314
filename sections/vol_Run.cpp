// vol_Run: the Volume tab's run and report, and its other buttons.
#include "sections/vol_Run.h"

#include <chrono>
#include <cmath>
#include <filesystem>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "common/HMZ_util_noDB.h"
#include "common/LocalTime.h"
#include "common/TessawinMod.h"
#include "common/TextFile.h"
#include "common/winlib.h"
#include "common/winlib_Excel.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "platform/ui/ui.h"
#include "sections/frmClassVol.h"
#include "sections/vol_Calculation.h"
#include "sections/vol_Database.h"
#include "sections/vol_SearchPath.h"

namespace {

const std::string CRLF = "\r\n";

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

void warn(const std::string& prompt, const std::string& title = "Tessawin") {
    ui::MsgBox(prompt, ui::vbExclamation | ui::vbOKOnly, title);
}

bool same_file(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code e1, e2;
    const fs::path pa = fs::weakly_canonical(a, e1), pb = fs::weakly_canonical(b, e2);
    return !e1 && !e2 && pa == pb;
}

// A km box as hectometres (km x 10, half to even); false when it is not a number.
bool hm_of_box(const std::string& text, int16_t& hm) {
    double km = 0;
    if (!decimal::ParseDouble(trim(text), km) || !std::isfinite(km)) return false;
    const double h = std::nearbyint(km * 10);
    if (h < 0 || h > 32767) return false;
    hm = static_cast<int16_t>(h);
    return true;
}

// A month box: blank is 0; otherwise a whole number 0..12.
bool month_of_box(const std::string& text, int16_t& month) {
    const std::string t = trim(text);
    if (t.empty()) {
        month = 0;
        return true;
    }
    double v = 0;
    if (!decimal::ParseDouble(t, v) || v != std::floor(v) || v < 0 || v > 12) return false;
    month = static_cast<int16_t>(v);
    return true;
}

// The run's report and volume database, put away on every path.
struct RunGuard {
    OutputFile report;
    ~RunGuard() {
        vol_ReportFile = nullptr;
        if (report.is_open()) report.Discard();
        Close_Volume_DB();
    }
};

// End hectometre when the end km was defaulted from the segment's length.
int16_t g_default_end_hm = -1;

}  // namespace

bool Vol_Safe_File_Name(const std::string& name) {
    if (trim(name).empty()) return false;
    if (name.find("..") != std::string::npos) return false;
    for (unsigned char c : name) {
        if (c < 32 || c == 127) return false;
        if (std::string("/\\<>:\"|?*").find(static_cast<char>(c)) != std::string::npos) return false;
    }
    return true;
}

void Vol_Default_Range(const std::string& version) {
    MainForm& f = TheMainForm();
    g_default_end_hm = -1;
    std::string notes;
    if (trim(f.vol_EndSeg.Text()).empty() && !trim(f.vol_StartSeg.Text()).empty()) {
        f.vol_EndSeg.SetText(trim(f.vol_StartSeg.Text()));
        notes += CRLF + "Default End Segment " + trim(f.vol_StartSeg.Text()) + " used.";
    }
    if (trim(f.vol_StartKm.Text()).empty()) {
        f.vol_StartKm.SetText("0");
        notes += CRLF + "Default Start KM '0' used.";
    }
    if (trim(f.vol_EndKm.Text()).empty()) {
        const float length = SAV_Length(trim(f.vol_EndSeg.Text()), version);
        if (length >= 0) {
            // The segment's own end, its last hectometre.
            g_default_end_hm = Km_to_hm(length);
            f.vol_EndKm.SetText(hm_to_KmText(g_default_end_hm));
            notes += CRLF + "Default End KM used. Set to segment length.";
        }
    }
    if (!notes.empty()) f.ShowStatus(notes, true, "");
}

void Print_Search_Path(const std::string& source) {
    OutputFile& o = *vol_ReportFile;
    if (source == "VRQ") {
        o.Write("VRQ Subset History Search Path:" + CRLF);
    } else {
        o.Write("HMZ Search Path:,,Notes: Duplicate nodes are excluded. [----] represents a discontinuity. HMs are not "
                "restricted by KM range here." +
                CRLF);
    }
    o.Write("Type,Name,Start_HM,End_HM" + CRLF);
    for (int32_t i = 1; i <= vol_PathCount; ++i) {
        const PathRec& p = vol_Path[static_cast<std::size_t>(i)];
        if (p.Type == "SEG")
            o.Write(p.Type + "," + p.Name + "," + std::to_string(p.Hm1) + "," + std::to_string(p.Hm2) + CRLF);
        else
            o.Write(p.Type + "," + p.Name + CRLF);
    }
    o.Write(CRLF + CRLF);
}

void Vol_Report_Header() {
    MainForm& f = TheMainForm();
    OutputFile& o = *vol_ReportFile;
    o.Write("Tessawin Version:," + VersionText() + ",Report Created:," + Local_Now_Text() + CRLF);
    o.Write(CRLF);
    o.Write("Start Segment,End Segment,Start KM,End KM,Start Date,End Date,Start Month,End Month,HMZ Version" + CRLF);
    o.Write(f.vol_StartSeg.Text() + "," + f.vol_EndSeg.Text() + "," + f.vol_StartKm.Text() + "," + f.vol_EndKm.Text() +
            "," + f.vol_StartDate.Text() + "," + f.vol_EndDate.Text() + "," + f.vol_StartMonth.Text() + "," +
            f.vol_EndMonth.Text() + "," + f.vol_HMZversion.Text() + CRLF);
    o.Write(CRLF);
    Print_Search_Path(vol_PathSource);
    o.Write("Data Column Descriptions:" + CRLF);
    o.Write("Hm1/Hm2:,The hectometre start/end points in the SubSegment" + CRLF);
    o.Write("Days:,The number of days in the selected months" + CRLF);
    o.Write("VolDays:,The accumulation of each month's MADT multiplied by the number of days in the month" + CRLF);
    o.Write("K:,The distance (km) used to create VDK. 50m is added to each end of a SubSegment to account for gaps" +
            CRLF);
    o.Write("ADT:,The Average Daily Traffic for the subSegment" + CRLF);
    o.Write(CRLF + CRLF);
    o.Write("Seg/Node,Year(s),Hm1,Hm2,Days,VolDays,K,VDK,ADT" + CRLF);
}

void Print_Combined_Results(int32_t adt, int32_t total, int32_t days, int32_t lengthHm) {
    OutputFile& o = *vol_ReportFile;
    o.Write(CRLF);
    o.Write("Combined Results:" + CRLF);
    o.Write("ADT,Total Volume,Days in Period,Section Length" + CRLF);
    o.Write(std::to_string(adt) + "," + std::to_string(total) + "," + std::to_string(days) + "," +
            decimal::Format(lengthHm / 10.0, "##0.0") + "Km" + CRLF);
    o.Write(CRLF);
    o.Write("Note:,Total Volume is recalculated as a multiple of ADT * Days" + CRLF);
}

void Volume_Processing() {
    MainForm& f = TheMainForm();
    Scan_Init();
    f.ShowStatus("Tessawin Volume Processing" + CRLF + "--------------------------");

    const std::string vtext = trim(f.vol_HMZversion.Text());
    const std::string version = vtext.substr(0, std::min<std::size_t>(6, vtext.size()));
    if (version.empty()) {
        warn("Enter the HMZ version used, in format YYYYMM.");
        f.vol_HMZversion.SetFocus();
        return;
    }
    if (!HMZ_Version_Valid(version) || Vol_Table_Version(version).empty()) {
        warn("HMZ version " + version + " is not a valid HMZ version (i.e. is not in the SegAllVersions database).");
        f.vol_HMZversion.SetFocus();
        return;
    }

    Erase_Search_Path();
    const std::string out_folder = trim(f.Out_Folder.Text());
    const std::string out_name = trim(f.vol_outFile.Text());
    if (out_name.empty()) {
        warn("Enter an output file name");
        f.vol_outFile.SetFocus();
        return;
    }
    if (!Vol_Safe_File_Name(out_name)) {
        warn("The output file name " + out_name +
             " may not hold a folder separator, \"..\" or any of the characters < > : \" | ? *.");
        f.vol_outFile.SetFocus();
        return;
    }
    const std::string full = AddBackslash(out_folder) + out_name;
    const std::string path_file = trim(f.vol_searchFilepath.Text());
    if (f.vol_optionVRQ.Value() && !path_file.empty() && same_file(full, path_file)) {
        warn("The output file " + full + CRLF + "is the search-path file the run reads. Choose another output name.");
        f.vol_outFile.SetFocus();
        return;
    }
    const int16_t status = FileStatus(full);
    if (status == 1) {
        warn("Output File already exists and is locked. Close file before running.", "Output File Locked");
        return;
    }
    if (status == 0 && ui::MsgBox("Output File already exists... OK to overwrite?", ui::vbOKCancel | ui::vbQuestion,
                                  "Overwrite File?") == ui::vbCancel)
        return;

    RunGuard run;
    while (!run.report.Open(full)) {
        const tessawin::ErrorInfo e = tessawin::ErrorFromErrno(run.report.error());
        if (ui::MsgBox("Error " + std::to_string(e.number) + " opening file " + full + CRLF + CRLF +
                           "Do you have it open (e.g. in Excel)?" + CRLF + CRLF +
                           "If so, close it, and click Yes, and we'll try again.",
                       ui::vbYesNo | ui::vbExclamation, "File open error") != ui::vbYes)
            return;
    }
    vol_ReportFile = &run.report;

    if (!Open_Volume_DB()) {
        warn("Error opening volume database.");
        return;
    }
    // The report is put in place at the end; it may not take a database's place.
    for (const std::string& input : {vol_DBpath, sav_DBfilename}) {
        if (!input.empty() && same_file(full, input)) {
            warn("The output file " + full + CRLF + "is a database the run reads. Choose another output name.");
            f.vol_outFile.SetFocus();
            return;
        }
    }
    const std::string end_date = trim(f.vol_EndDate.Text());
    double end_year = 0;
    decimal::ParseDouble(end_date.substr(0, std::min<std::size_t>(4, end_date.size())), end_year);
    if (Vol_Max_Year(version) < end_year) {
        const std::string mes = "To Date is greater than the latest year of volume data in HMZ Version.";
        f.ShowStatus(mes);
        warn(mes);
        return;
    }

    Vol_Default_Range(version);
    const std::string startSeg = Pad_Code4(trim(f.vol_StartSeg.Text()));
    const std::string endSeg = Pad_Code4(trim(f.vol_EndSeg.Text()));
    if (trim(f.vol_EndKm.Text()).empty() && g_default_end_hm < 0) {
        warn("Segment " + endSeg + " is not in HMZ version " + version + ".");
        f.vol_EndSeg.SetFocus();
        return;
    }

    VolDate start, end;
    const VolDate lo{1987, 1, 1}, hi{2099, 12, 31};
    auto in_range = [&](const VolDate& d) { return Vol_Days_Between(lo, d) >= 0 && Vol_Days_Between(d, hi) >= 0; };
    if (!Vol_Parse_Date(f.vol_StartDate.Text(), start) || !Vol_Parse_Date(f.vol_EndDate.Text(), end) ||
        !in_range(start) || !in_range(end)) {
        warn("Enter valid dates");
        return;
    }
    if (Vol_Days_Between(start, end) < 0) {
        warn("The Start Date is after the End Date.");
        f.vol_StartDate.SetFocus();
        return;
    }
    int16_t m1 = 0, m2 = 0;
    if (!month_of_box(f.vol_StartMonth.Text(), m1) || !month_of_box(f.vol_EndMonth.Text(), m2)) {
        warn("Enter months from 1 to 12 (blank or 0: from January, to December).");
        f.vol_StartMonth.SetFocus();
        return;
    }

    int16_t startHm = 0, endHm = 0;
    if (!hm_of_box(f.vol_StartKm.Text(), startHm)) {
        warn("Enter a valid Start KM.");
        f.vol_StartKm.SetFocus();
        return;
    }
    if (g_default_end_hm >= 0) {
        endHm = g_default_end_hm;
    } else if (!hm_of_box(f.vol_EndKm.Text(), endHm)) {
        warn("Enter a valid End KM.");
        f.vol_EndKm.SetFocus();
        return;
    }

    if (!f.vol_outputVDE.Value() && !f.vol_outputDetailed.Value()) {
        warn("Select output format: VDE or Detailed");
        return;
    }

    if (f.vol_optionVRQ.Value()) {
        if (path_file.empty() || !FileExists(path_file)) {
            warn("Enter a valid filepath for VRQ searchpath csv file.");
            f.vol_searchFilepath.SetFocus();
            return;
        }
        f.ShowStatus("Search Path Source File:" + CRLF + path_file, true);
        if (!Read_Search_Path_File(path_file)) {
            f.ShowStatus("The search-path file could not be read; no report written.", true);
            return;
        }
    } else if (f.vol_optionHMZ.Value()) {
        f.ShowStatus("Search Path Source: HMZ " + version, true);
        Build_HMZ_Search_Path(startSeg, endSeg, version);
    } else {
        warn("Select search path source option.");
        return;
    }

    try {
        Vol_Report_Header();
        if (vol_PathCount > 0) {
            const PathRec& last = vol_Path[static_cast<std::size_t>(vol_PathCount)];
            if (last.Type == "SEG" && last.Hm2 < endHm) {
                endHm = static_cast<int16_t>(endHm - 1);
                f.ShowStatus("Subtracting 1 from End Km due to duplicated start/end node.", true);
            }
        }
        f.ShowStatus("Calculating volumes...", true);
        int32_t total = 0, adt = 0, days = 0, lengthHm = 0;
        std::string types;
        float missing = 0;
        Vol_Set_Period(start, end, m1, m2);
        // The calculation reads the months from the path's period.
        vol_StartMonth = m1;
        vol_EndMonth = m2;
        if (!GetSectionVolume(startSeg, startHm, endSeg, endHm, start, end, total, adt, days, types, missing,
                              lengthHm, f.vol_outputDetailed.Value() ? int16_t{1} : int16_t{0}, version)) {
            f.ShowStatus("No volumes calculated; no report written.", true);
            return;
        }
        // the status shows the total as calculated; only the report marks it missing
        const std::string text = "========Results========" + CRLF + "ADT: " + std::to_string(adt) + CRLF +
                                 "Total Volume: " + std::to_string(total) + CRLF + "Days in Period: " +
                                 std::to_string(days) + CRLF + "Section Length: " +
                                 decimal::Format(lengthHm / 10.0, "##0.0") + "Km" + CRLF + CRLF +
                                 "Full results printed to file:" + CRLF + full;
        if (missing > 0) {
            adt = -1;
            total = -1;
        }
        Print_Combined_Results(adt, total, days, lengthHm);
        vol_ReportFile = nullptr;
        if (!run.report.Close()) {
            warn(FileOpenErrorMsg("output", full, run.report.error()));
            return;
        }
        f.ShowStatus(text, true);
    } catch (const VolDataError& e) {
        f.ShowStatus("Volume data error: " + std::string(e.what()) + CRLF + "No report written.", true);
        warn(std::string("Volume data error: ") + e.what(), "GetSectionVolume");
    } catch (const db::Error& e) {
        const std::string mes = "Error " + std::to_string(e.number()) + ": " + e.description() + CRLF +
                                "Database: " + vol_DBpath;
        f.ShowStatus(mes + CRLF + "No report written.", true);
        warn(mes, "Volume_Processing");
    }
}

void cmdVOL_Run_Click() {
    std::string out_folder;
    if (!TheMainForm().Check_OutFolder(out_folder)) return;
    Volume_Processing();
}

void vol_optionVRQ_Click() {
    TheMainForm().vol_searchFilepath.SetEnabled(true);
}

void vol_optionHMZ_Click() {
    TheMainForm().vol_searchFilepath.SetEnabled(false);
}

void vol_help_Click() {
    win_Openfile(AppFolder + kVolumeHelpFile);
}

void vol_openInExcel_Click() {
    MainForm& f = TheMainForm();
    const std::string file = AddBackslash(trim(f.Out_Folder.Text())) + trim(f.vol_outFile.Text());
    f.ShowStatus("Loading file " + file + " in Excel...", true);
    Excel_OpenWorkbook(file);
    f.ShowStatus("File opened in Excel.", true);
}

void Volume_Attach(MainForm& form) {
    auto command = [&form](const std::string& name, const std::string& caption, std::function<void()> click) {
        if (auto* b = form.Find<ui::CommandButton>(name)) {
            b->OnClick = std::move(click);
            return;
        }
        form.AddTabCommand(MainForm::kTabVolume, name, caption, std::move(click));
    };
    command("cmdVOL_Run", "Run", [] { cmdVOL_Run_Click(); });
    command("vol_openInExcel", "Open Output File in Excel", [] { vol_openInExcel_Click(); });
    command("vol_help", "Help", [] { vol_help_Click(); });
    form.vol_optionVRQ.OnClick = [] { vol_optionVRQ_Click(); };
    form.vol_optionHMZ.OnClick = [] { vol_optionHMZ_Click(); };
    form.vol_searchFilepath.SetEnabled(form.vol_optionVRQ.Value());
    ClassVol_Attach(form);
}
