#include "app/MainForm.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "app/SelFile.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/FormSettings.h"
#include "common/TessawinMod.h"
#include "common/winlib.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* kSection = "mainform";
constexpr const char* kDesignCaption = "Tessawin";
constexpr const char* CRLF = "\r\n";
// The default batch folder (where latlon.csv lies): the sample's collision files.
std::string DefaultBatchFolder() {
    return Sample_Folder() + "collisions";
}

// The status box is cut to its last kStatusKeep characters when it holds
// more than kStatusLimit.
constexpr size_t kStatusLimit = 60000;
constexpr size_t kStatusKeep = 1000;

std::function<void()>& end_process_slot() {
    static std::function<void()> end = [] {
        std::fflush(nullptr);
        std::exit(0);
    };
    return end;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string Get(const std::string& key, const std::string& def) {
    return settings::GetSetting(kSettingsApp, kSection, key, def);
}

// A remembered window coordinate: a number that fits a twip coordinate, else
// the default.
int CoordinateOr(const std::string& text, int def) {
    const std::string t = TrimSpaces(text);
    if (t.empty()) return def;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return def;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return def;
    return static_cast<int>(std::lround(v));
}

// A remembered tab: a whole number of an existing tab, else the first tab.
int TabOr(const std::string& text) {
    const std::string t = TrimSpaces(text);
    if (t.empty()) return 0;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || *end != '\0' || v != std::floor(v) || v < 0 || v >= MainForm::kTabCount) return 0;
    return static_cast<int>(v);
}

// A truth value as stored: "True"/"False" in any case, or a number (non-zero
// is true); anything else gives the default.
bool TruthOr(const std::string& text, bool def) {
    const std::string t = Upper(TrimSpaces(text));
    if (t == "TRUE") return true;
    if (t == "FALSE") return false;
    if (t.empty()) return def;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || *end != '\0') return def;
    return v != 0.0;
}

// Cuts at a character boundary, so a kept tail never starts inside a
// multi-byte character.
std::string LastChars(const std::string& s, size_t n) {
    size_t start = s.size() - n;
    while (start < s.size() && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) ++start;
    return s.substr(start);
}

}  // namespace

std::string VersionText() {
    return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." + std::to_string(kVersionRevision);
}

MainForm& TheMainForm() {
    static MainForm form;
    return form;
}

void MainForm::SetEndProcess(std::function<void()> end_process) {
    end_process_slot() = std::move(end_process);
}

std::string MainForm::TabCaptionOf(int i) {
    static const char* const captions[kTabCount] = {
        "CDE Files", "Detail Reports", "MapCase", "Class Rate", "SSA", "HMZ", "SDF", "Volume"};
    return i >= 0 && i < kTabCount ? captions[i] : "";
}

std::string MainForm::TabDescription(int i) {
    switch (i) {
        case kTabCDE:
            return "Process Collision Data Extract files.";
        case kTabDetail:
            return "Process Detail Reports in RTF format.";
        case kTabMapCase:
            return "Collision location validation utilities.";
        case kTabClassRate:
            return "Generate a Rate Table in Published Format from a VRQ Class-Rate CSV report "
                   "file.";
        case kTabSSA:
            return std::string("Modify a Specified Sections Analysis CSV file.") + CRLF +
                   "or Analyse an SSA output subset CDE file.";
        case kTabSDF:
            return "Process Section Definition Files.";
        default:
            return "";
    }
}

MainForm::MainForm() : ui::Form("MainForm", kDesignCaption) {
    Layout();

    SSTab1.OnClick = [this](int) { SSTab1_Click(); };
    cmdClearStatus.OnClick = [this] { cmdClearStatus_Click(); };
    cmdReadMe.OnClick = [this] { cmdReadMe_Click(); };
    cmdAbout.OnClick = [this] { cmdAbout_Click(); };
    cmdTest.OnClick = [this] { cmdTest_Click(); };
    cmdClose.OnClick = [this] { cmdClose_Click(); };
    cmdCDEBrowse.OnClick = [this] { cmdCDEBrowse_Click(); };
    cmdBrowseSDF.OnClick = [this] { cmdBrowseSDF_Click(); };
    cmdDetailBrowse.OnClick = [this] { cmdDetailBrowse_Click(); };
    cmdCLRbrowse.OnClick = [this] { cmdCLRbrowse_Click(); };
    cmdSSAbrowse.OnClick = [this] { cmdSSAbrowse_Click(); };
    cmdSDFbrowse.OnClick = [this] { cmdSDFbrowse_Click(); };
}

// Positions in twips; controls on a tab page are placed from the strip's
// top-left corner, controls in a frame from the frame's.
ui::CommandButton& MainForm::AddTabCommand(int tab, const std::string& name, const std::string& caption,
                                           std::function<void()> click) {
    constexpr int kHeight = 420;
    constexpr int kPitch = 480;
    ui::CommandButton& b = Add<ui::CommandButton>(name, ui::OnTab(SSTab1, tab));
    b.SetCaption(caption);
    const int n = (tab >= 0 && tab < kTabCount) ? tab_commands_[tab]++ : 0;
    b.Move(kCommandLeft, kCommandTop + n * kPitch, kCommandWidth, kHeight);
    b.OnClick = std::move(click);
    return b;
}

void MainForm::Layout() {
    Move(kDesignLeft, kDesignTop, 12600, 11280);

    constexpr int kRow = 420;  // row pitch
    constexpr int kBoxH = 315;
    constexpr int kLabelX = 240;
    constexpr int kBoxX = 2400;
    constexpr int kFirstRow = 600;
    int label_no = 0;

    auto label = [&](ui::Where where, const std::string& caption, int x, int y, int w) {
        ui::Label& l = Add<ui::Label>("Label" + std::to_string(++label_no), where);
        l.SetCaption(caption);
        l.Move(x, y + 45, w, 255);
        return &l;
    };
    auto row = [&](ui::TextBox& box, const std::string& caption, int y, int w) {
        label(box.Placement(), caption, kLabelX, y, kBoxX - kLabelX - 60);
        box.Move(kBoxX, y, w, kBoxH);
    };
    auto browse = [&](ui::CommandButton& b, int y) {
        b.SetCaption("Browse");
        b.Move(kBoxX + 4500, y - 30, 1095, 375);
    };
    auto y_of = [&](int n) { return kFirstRow + n * kRow; };

    // Tab panel.
    SSTab1.SetTabs(kTabCount);
    for (int i = 0; i < kTabCount; ++i) SSTab1.SetTabCaption(i, TabCaptionOf(i));
    SSTab1.Move(120, 120, 12240, 5760);

    // Output folder and status box.
    lblOutFolder.SetCaption("Output Folder:");
    lblOutFolder.Move(240, 6045, 1500, 255);
    Out_Folder.Move(1800, 6000, 8400, kBoxH);
    Out_Folder.SetToolTipText("Path of output folder.");

    fraStatus.SetCaption("Status / Notes");
    fraStatus.Move(120, 6420, 10200, 4320);
    Status.Move(120, 300, 9960, 3900);
    Status.SetMultiLine(true);
    Status.SetScrollBars(ui::vbBoth);
    Status.SetFontName("Courier New");

    cmdClearStatus.SetCaption("Clear Status");
    cmdClearStatus.Move(10500, 6540, 1800, 420);
    cmdReadMe.SetCaption("ReadMe");
    cmdReadMe.Move(10500, 7080, 1800, 420);
    cmdAbout.SetCaption("About");
    cmdAbout.Move(10500, 7620, 1800, 420);
    cmdTest.SetCaption("Test");
    cmdTest.Move(10500, 8160, 1800, 420);
    cmdTest.SetVisible(false);
    cmdClose.SetCaption("Close");
    cmdClose.Move(10500, 10320, 1800, 420);

    // "CDE Files"
    row(CDE_folder, "CDE Folder:", y_of(0), 6600);
    row(CDE_file, "CDE File:", y_of(1), 4200);
    browse(cmdCDEBrowse, y_of(1));
    row(CDE_HMZversion, "HMZ Version:", y_of(2), 1200);
    row(outCDE_file, "Output CDE File:", y_of(3), 4200);
    row(CDE_SDF_file, "SDF File:", y_of(4), 4200);
    browse(cmdBrowseSDF, y_of(4));
    row(CDE_SDF_fields, "SDF Fields:", y_of(5), 6600);
    CDE_chkLatLon.SetCaption("LatLon");
    CDE_chkLatLon.Move(kBoxX, y_of(6), 1400, kBoxH);
    CDE_chkNaltAlbers.SetCaption("Nalt Albers");
    CDE_chkNaltAlbers.Move(kBoxX + 1500, y_of(6), 1800, kBoxH);

    // "Detail Reports"
    row(Detail_Folder, "Detail Folder:", y_of(0), 6600);
    row(Detail_File, "RTF File:", y_of(1), 4200);
    browse(cmdDetailBrowse, y_of(1));

    // "MapCase"
    row(txtAccase, "Case:", y_of(0), 2000);
    row(txtLatLon, "LatLon:", y_of(1), 3200);
    row(txtBatchFolder, "Folder:", y_of(2), 6600);
    txtBatchFolder.SetToolTipText("The folder containing file latlon.csv");
    chkClipboard.SetCaption("Put LatLon in Clipboard");
    chkClipboard.Move(kBoxX, y_of(3), 3200, kBoxH);
    Frame1.SetCaption("Map With");
    Frame1.Move(kBoxX, y_of(4), 3200, 1020);
    optEarth.SetCaption("Google Earth");
    optEarth.Move(180, 300, 2800, 300);
    optMaps.SetCaption("Google Maps");
    optMaps.Move(180, 630, 2800, 300);

    // "Class Rate"
    row(CLR_Folder, "Class-Rate Folder:", y_of(0), 6600);
    row(CLR_File, "Class-Rate CSV File:", y_of(1), 4200);
    browse(cmdCLRbrowse, y_of(1));
    Frame3.SetCaption("Class Sets and Volume Ranges");
    Frame3.Move(kLabelX, y_of(2) + 120, 8700, 1020);
    optUseClassRateClassVol.SetCaption("Use Class Sets and Volume Ranges from the input VRQ Class-Rate csv file");
    optUseClassRateClassVol.Move(180, 300, 8300, 300);
    optUseSpecifiedClassVol.SetCaption("Use Class Sets and Volume Ranges specified on form:");
    optUseSpecifiedClassVol.Move(180, 630, 8300, 300);

    // "SSA"
    row(SSA_Folder, "SSA Folder:", y_of(0), 6600);
    row(SSA_File, "SSA File:", y_of(1), 4200);
    browse(cmdSSAbrowse, y_of(1));
    row(SSA_HMZversion, "HMZ Version:", y_of(2), 1200);
    row(txtSectionListFile, "Using section list file:", y_of(3), 4200);
    txtSectionListFile.SetToolTipText("Defines the section order for the Break...by Section && Month process.");
    label(ui::OnTab(SSTab1, kTabSSA), "Years", kLabelX, y_of(4), kBoxX - kLabelX - 60);
    txtYear1.Move(kBoxX, y_of(4), 700, kBoxH);
    txtYear1.SetText("2010");
    txtYear2.Move(kBoxX + 800, y_of(4), 700, kBoxH);
    txtYear2.SetText("2015");

    // "HMZ"
    row(txtHMZ_Segment, "Segment:", y_of(0), 900);
    txtHMZ_Segment.SetToolTipText("4 digit HMZ segment number.  Enter = Show.");
    row(txtHMZ_km, "Km:", y_of(1), 900);
    row(txtHMZ_date, "Date:", y_of(2), 1400);
    txtHMZ_date.SetToolTipText("yyyy-mm-dd");
    row(txtHMZ_Direction, "Direction:", y_of(3), 450);
    txtHMZ_Direction.SetToolTipText("Single character, used only if a 2-way segment is split into 2 1-way segments");
    row(txtHMZ_NDP, "Decimal Places:", y_of(4), 450);
    txtHMZ_NDP.SetToolTipText("1 or 2, for calculations and results.");
    lblLastTarget.SetCaption("Latest HMZ version in the provided transformation data files: ");
    lblLastTarget.Move(kLabelX, y_of(5) + 45, 8700, 255);
    HMZ_Frame4.SetCaption("Closest HMZ Locations");
    HMZ_Frame4.Move(kLabelX, y_of(6), 8700, 1980);
    {
        auto frame_row = [&](ui::TextBox& box, const std::string& caption, int y, int w) {
            label(ui::In(HMZ_Frame4), caption, 180, y, 2000);
            box.Move(2220, y, w, kBoxH);
        };
        frame_row(txtHMZ_HMZversion, "HMZ Version:", 300, 1200);
        txtHMZ_HMZversion.SetToolTipText("HMZ version to use (yyyymm)");
        frame_row(txtHMZ_LatLon, "Lat, Lon:", 300 + kRow, 3600);
        txtHMZ_LatLon.SetToolTipText("Comma or space separated, decimal degrees Latitude and Longitude");
        frame_row(txtHMZ_Range, "Search Range (m):", 300 + 2 * kRow, 900);
        txtHMZ_Range.SetToolTipText("Range for selecting hwy geometry inflection points.");
        frame_row(txtHMZ_ShowRange, "Show within (m):", 300 + 3 * kRow, 900);
    }

    // "SDF"
    row(SDF_folder, "SDF Folder:", y_of(0), 6600);
    row(SDF_file, "SDF File:", y_of(1), 4200);
    browse(cmdSDFbrowse, y_of(1));
    row(SDF_HMZversion, "HMZ Version:", y_of(2), 1200);
    SDF_HMZversion.SetToolTipText("HMZ version used in the CDE and SDF files. (yyyymm)");
    row(SDF_toHMZversion, "To HMZ Version:", y_of(3), 1200);
    SDF_toHMZversion.SetToolTipText("Target HMZ version  (yyyymm)");
    row(SDF_NDP, "Decimal Places:", y_of(4), 450);
    SDF_NDP.SetToolTipText("1 or 2 Decimal PLaces, for calculations and results.");
    SDF_NodesOnce.SetCaption("Nodes once");
    SDF_NodesOnce.Move(kBoxX, y_of(5), 2400, kBoxH);
    lblSDFprogress.Move(kLabelX, y_of(7) + 45, 8700, 255);

    // "Volume": two columns of inputs, then the two option frames.
    {
        const ui::Where page = ui::OnTab(SSTab1, kTabVolume);
        auto cell = [&](ui::TextBox& box, const std::string& caption, int lx, int lw, int bx, int y, int w) {
            label(page, caption, lx, y, lw);
            box.Move(bx, y, w, kBoxH);
        };
        cell(vol_StartSeg, "Start Segment:", kLabelX, 1500, 1800, y_of(0), 900);
        cell(vol_EndSeg, "End Segment:", kLabelX, 1500, 1800, y_of(1), 900);
        cell(vol_StartKm, "Start KM:", kLabelX, 1500, 1800, y_of(2), 900);
        cell(vol_EndKm, "End KM:", kLabelX, 1500, 1800, y_of(3), 900);
        cell(vol_StartDate, "Start Date:", 3300, 1400, 4800, y_of(0), 1400);
        cell(vol_EndDate, "End Date:", 3300, 1400, 4800, y_of(1), 1400);
        cell(vol_StartMonth, "Months From:", 3300, 1400, 4800, y_of(2), 500);
        cell(vol_EndMonth, "To:", 5400, 400, 5800, y_of(2), 500);
        cell(vol_HMZversion, "HMZ Version:", 3300, 1400, 4800, y_of(3), 1400);
        cell(vol_outFile, "Output File:", kLabelX, 1500, 1800, y_of(4), 4400);

        vol_frame1.SetCaption("Search Path Source");
        vol_frame1.Move(kLabelX, y_of(5) + 60, 7400, 1380);
        vol_optionHMZ.SetCaption("Use HMZ search path (from selected HMZ Version)");
        vol_optionHMZ.Move(180, 300, 7000, 300);
        vol_optionVRQ.SetCaption("Use VRQ Subset History in file:");
        vol_optionVRQ.Move(180, 630, 7000, 300);
        label(ui::In(vol_frame1), "Full File Name:", 480, 960, 1400);
        vol_searchFilepath.Move(1920, 960, 5300, kBoxH);

        Frame4.SetCaption("Output Format");
        Frame4.Move(kLabelX, y_of(5) + 1560, 7400, 660);
        vol_outputDetailed.SetCaption("By Year / UTVS");
        vol_outputDetailed.Move(180, 300, 3000, 300);
        vol_outputVDE.SetCaption("By UTVS");
        vol_outputVDE.Move(3600, 300, 3000, 300);
    }
}

// Start-up.

void MainForm::Form_Load() {
    const std::string exe = App_ExeFullName();
    DevMode = exe.size() >= kDevHostExe.size() &&
              exe.compare(exe.size() - kDevHostExe.size(), kDevHostExe.size(), kDevHostExe) == 0;

    std::string caption = std::string(kDesignCaption) + " " + VersionText();
    if (DevMode) caption += " - Development";
    SetCaption(caption);

    Scan_Init();

    AppFolder = AddBackslash(FolderPart(exe));
    TempFolder = AddBackslash(shell::Environ("temp"));
    if (!FolderExists(TempFolder)) TempFolder.clear();

    tessawin::SetStatusWriter(
        [this](const std::string& mes, bool append, const std::string& sep) { ShowStatus(mes, append, sep); });

    SetTop(CoordinateOr(Get("Top", ""), kDesignTop));
    SetLeft(CoordinateOr(Get("Left", ""), kDesignLeft));
    Form_KeepOnScreen(*this, -1, -1);

    lblLastTarget.SetCaption("");

    Restore_Settings();

    SSTab1.SetTab(TabOr(Get("Tab", "0")));
    SSTab1_Click();
}

void MainForm::Restore_Settings() {
    // First-run defaults: the sample data set, a working choice where the
    // built-in default is empty, and an output folder of the user's own.
    // A remembered value always wins.
    const std::string sample = Sample_Folder();
    const std::string collisions = sample + "collisions";
    const std::string sdf = sample + "sdf";
    SSA_Folder.SetText(Get("LastSSAfolder", collisions));
    SSA_File.SetText(Get("LastSSAfile", "SSA_locations_sample.csv"));
    CDE_folder.SetText(Get("LastCDEfolder", collisions));
    CDE_file.SetText(Get("LastCDEfile", "CDE_sample.csv"));
    CDE_SDF_file.SetText(Get("LastCDE_SDF_file", sdf + "/SDF_fields_201807.csv"));
    CDE_SDF_fields.SetText(Get("LastCDE_SDF_fields", "Route,SpeedZone"));
    outCDE_file.SetText(Get("LastoutCDEfile", "CDE_sample_added"));
    CDE_HMZversion.SetText(Get("LastCDE_HMZversion", "202004"));
    CDE_chkLatLon.SetValue(Get("LastCDE_chkLatLon", "True") == "True" ? ui::vbChecked : ui::vbUnchecked);
    CDE_chkNaltAlbers.SetValue(Get("LastCDE_chkNaltalbers", "False") == "True" ? ui::vbChecked : ui::vbUnchecked);
    txtHMZ_Segment.SetText(Get("LastHMZ_Segment", "0010"));
    txtHMZ_km.SetText(Get("LastHMZ_km", "3.2"));
    txtHMZ_date.SetText(Get("LastHMZ_date", "2015-06-01"));
    txtHMZ_ShowRange.SetText(Get("LastHMZ_ShowRange", "200"));
    txtHMZ_Range.SetText(Get("LastHMZ_Range", "200"));
    txtHMZ_LatLon.SetText(Get("LastHMZ_LatLon", "49.107129, -122.857581"));
    txtHMZ_HMZversion.SetText(Get("LastHMZ_HMZversion", "202004"));
    SSA_HMZversion.SetText(Get("LastSSA_HMZversion", "202004"));
    SDF_HMZversion.SetText(Get("LastSDF_HMZversion", "201807"));
    SDF_folder.SetText(Get("LastSDFfolder", sdf));
    SDF_file.SetText(Get("LastSDFfile", "SDF_overlaps_201807.csv"));
    SDF_NDP.SetText(Get("LastSDF_NDP", "1"));
    SDF_toHMZversion.SetText(Get("LastSDF_toHMZversion", "202004"));
    Detail_Folder.SetText(Get("LastDetailFolder", collisions));
    Detail_File.SetText(Get("LastDetailFile", "Detail_sample.rtf"));
    Out_Folder.SetText(Get("LastOutFolder", Default_Out_Folder()));
    txtBatchFolder.SetText(Get("BatchFolder", DefaultBatchFolder()));
    if (Get("MapApp", "Earth") == "Earth")
        optEarth.SetValue(true);
    else
        optMaps.SetValue(true);
    CLR_Folder.SetText(Get("LastCLRfolder", collisions));
    CLR_File.SetText(Get("LastCLRfile", "ClassRate_sample.csv"));
    if (TruthOr(Get("optUseClassRateClassVol", "1"), true))
        optUseClassRateClassVol.SetValue(true);
    else
        optUseSpecifiedClassVol.SetValue(true);
    // Highway 1 from Aldermoor to Jct Hwy 5 over years its counters counted
    // in full.
    vol_StartSeg.SetText(Get("LastVOLstartSeg", "0010"));
    vol_EndSeg.SetText(Get("LastVOLendSeg", "0050"));
    vol_StartKm.SetText(Get("LastVOLstartKM", ""));
    vol_EndKm.SetText(Get("LastVOLendKM", ""));
    vol_StartDate.SetText(Get("LastVOLstartDate", "2016-01-01"));
    vol_EndDate.SetText(Get("LastVOLendDate", "2018-12-31"));
    vol_HMZversion.SetText(Get("LastVOLhmzver", "202004"));
    vol_StartMonth.SetText(Get("LastVOLstartMonth", "1"));
    vol_EndMonth.SetText(Get("LastVOLendMonth", "12"));
    vol_searchFilepath.SetText(Get("LastVOLfp", sample + "SearchPath_Hwy1_202004.txt"));
    vol_outFile.SetText(Get("LastVOLoutfile", "Volume_Report.csv"));
    if (Get("VolOut", "Detailed") == "Detailed")
        vol_outputDetailed.SetValue(true);
    else
        vol_outputVDE.SetValue(true);
    if (Get("VolOpt", "HMZ") == "HMZ")
        vol_optionHMZ.SetValue(true);
    else
        vol_optionVRQ.SetValue(true);

    // Boxes that are never remembered start on the sample only on a first
    // run, when nothing is remembered at all (Close always writes "Tab").
    const bool first_run = Get("Tab", "").empty();
    auto first = [first_run](const char* text) { return std::string(first_run ? text : ""); };
    txtSectionListFile.SetText(first("Section_List.csv"));
    txtYear1.SetText(first("2010"));
    txtYear2.SetText(first("2015"));
    txtAccase.SetText(first("10004321"));
    txtLatLon.SetText(first("49.107129, -122.857581"));
    txtHMZ_NDP.SetText(first("2"));
}

bool MainForm::Save_Settings() {
    std::vector<std::pair<std::string, std::string>> values = {
        {"Top", std::to_string(Top())},
        {"Left", std::to_string(Left())},
        {"LastSSAfolder", SSA_Folder.Text()},
        {"LastSSAfile", SSA_File.Text()},
        {"LastCDEfolder", CDE_folder.Text()},
        {"LastCDEfile", CDE_file.Text()},
        {"LastCDE_SDF_file", CDE_SDF_file.Text()},
        {"LastCDE_SDF_fields", CDE_SDF_fields.Text()},
        {"LastoutCDEfile", outCDE_file.Text()},
        {"LastCDE_HMZversion", CDE_HMZversion.Text()},
        {"LastCDE_chkLatLon", CDE_chkLatLon.Value() == ui::vbChecked ? "True" : "False"},
        {"LastCDE_chkNaltalbers", CDE_chkNaltAlbers.Value() == ui::vbChecked ? "True" : "False"},
        {"LastHMZ_Segment", txtHMZ_Segment.Text()},
        {"LastHMZ_km", txtHMZ_km.Text()},
        {"LastHMZ_date", txtHMZ_date.Text()},
        {"LastHMZ_ShowRange", txtHMZ_ShowRange.Text()},
        {"LastHMZ_Range", txtHMZ_Range.Text()},
        {"LastHMZ_LatLon", txtHMZ_LatLon.Text()},
        {"LastHMZ_HMZversion", txtHMZ_HMZversion.Text()},
        {"LastSSA_HMZversion", SSA_HMZversion.Text()},
        {"LastSDF_HMZversion", SDF_HMZversion.Text()},
        {"LastSDFfolder", SDF_folder.Text()},
        {"LastSDFfile", SDF_file.Text()},
        {"LastSDF_NDP", SDF_NDP.Text()},
        {"LastSDF_toHMZversion", SDF_toHMZversion.Text()},
        {"LastDetailFolder", Detail_Folder.Text()},
        {"LastDetailFile", Detail_File.Text()},
        {"LastOutfolder", Out_Folder.Text()},
        {"BatchFolder", txtBatchFolder.Text()},
        {"MapApp", optEarth.Value() ? "Earth" : "Maps"},
        {"LastCLRfolder", CLR_Folder.Text()},
        {"LastCLRfile", CLR_File.Text()},
        {"optUseClassRateClassVol", optUseClassRateClassVol.Value() ? "True" : "False"},
        {"LastVOLstartSeg", vol_StartSeg.Text()},
        {"LastVOLendSeg", vol_EndSeg.Text()},
        {"LastVOLstartKM", vol_StartKm.Text()},
        {"LastVOLendKM", vol_EndKm.Text()},
        {"LastVOLstartDate", vol_StartDate.Text()},
        {"LastVOLendDate", vol_EndDate.Text()},
        {"LastVOLhmzver", vol_HMZversion.Text()},
        {"LastVOLstartMonth", vol_StartMonth.Text()},
        {"LastVOLendMonth", vol_EndMonth.Text()},
        {"LastVOLfp", vol_searchFilepath.Text()},
        {"LastVOLoutfile", vol_outFile.Text()},
        {"VolOut", vol_outputDetailed.Value() ? "Detailed" : "VDE"},
        {"VolOpt", vol_optionHMZ.Value() ? "HMZ" : "VRQ"},
        {"Tab", std::to_string(SSTab1.Tab())},
    };
    bool all_saved = true;
    for (const auto& [key, value] : values) {
        if (!settings::SaveSetting(kSettingsApp, kSection, key, value)) all_saved = false;
    }
    return all_saved;
}

// Tabs and the status box.

void MainForm::SSTab1_Click() {
    ShowStatus(TabDescription(SSTab1.Tab()), false, CRLF);
    lblSDFprogress.SetCaption("");
}

void MainForm::ShowStatus(const std::string& mes, bool Append, const std::string& sep) {
    if (!Append) {
        Status.SetText(mes);
    } else if (Status.Text().size() > kStatusLimit) {
        Status.SetText(LastChars(Status.Text(), kStatusKeep) + sep + mes);
    } else {
        // Only what is added goes to the box, so a long run of lines costs
        // no more per line than a short one.
        Status.AppendText(sep + mes);
    }
    Status.SetSelStart(static_cast<int>(Status.Text().size()));
    Status.Refresh();
}

// Frame buttons.

void MainForm::cmdClearStatus_Click() {
    Status.SetText("");
}

void MainForm::cmdReadMe_Click() {
    if (Help_File_Found(AppFolder + "readme.txt")) Shell_Command("Notepad", AppFolder + "readme.txt", vbNormalFocus);
}

void MainForm::cmdAbout_Click() {
    ui::MsgBox(std::string("Tessawin Version ") + VersionText() + CRLF + CRLF +
                   "This application processes data of the Vorquist collision records system (VRQ)" + CRLF +
                   "and of the Hemzolar highway location inventory (HMZ).",
               ui::vbOKOnly);
}

void MainForm::cmdTest_Click() {
    if (developer_test) developer_test();
}

void MainForm::untest() {
    Scan_Init();
    Set_CSV_Quote("'");
    Set_CSV_Separator(",");
    std::vector<std::string> fields(11);
    int16_t n = 0;
    CSV_Split("one,'a,b,c',three,", fields, n, false);
    CSV_Split("one,'a,b,c',three,", fields, n, true);
}

// Shutdown.

void MainForm::cmdClose_Click() {
    if (!Save_Settings()) {
        const ui::MsgBoxResult answer =
            ui::MsgBox("The inputs could not be saved in " + settings::StoreFile(kSettingsApp) + CRLF + CRLF +
                           "OK closes without saving them; Cancel keeps the window open.",
                       ui::vbOKCancel + ui::vbExclamation);
        if (answer == ui::vbCancel) return;
    }
    Unload();
}

void MainForm::Form_Unload(int16_t& Cancel) {
    (void)Cancel;
    for (const char* name : {"frmShortSections", "frmSDF_KML"}) {
        if (Form_Index(name) >= 0) {
            if (ui::Form* f = ui::FindForm(name)) f->Unload();
        }
    }
    tessawin::SetStatusWriter(nullptr);
    if (!DevMode && end_process_slot()) end_process_slot()();
}

// Input checks.

bool MainForm::GetFileName(ui::TextBox& txtFolder, ui::TextBox& txtFile, std::string& folder, std::string& file,
                           std::string& fullname) {
    folder = TrimSpaces(txtFolder.Text());
    file = TrimSpaces(txtFile.Text());
    if (folder.empty()) {
        ui::MsgBox("Enter an input folder", ui::vbExclamation);
        txtFolder.SetFocus();
        return false;
    }
    if (file.empty()) {
        ui::MsgBox("Enter an input file", ui::vbExclamation);
        txtFile.SetFocus();
        return false;
    }
    if (!FolderExists(folder)) {
        ui::MsgBox("Folder: " + folder + CRLF + "Not found.", ui::vbExclamation);
        txtFolder.SetFocus();
        return false;
    }
    fullname = AddBackslash(folder) + file;
    if (FileExists(fullname)) return true;
    ui::MsgBox("File: " + fullname + CRLF + "Not found.", ui::vbExclamation);
    txtFile.SetFocus();
    return false;
}

bool MainForm::GetCDEfilename() {
    return GetFileName(CDE_folder, CDE_file, cde_folder, cde_file, cde_fullname);
}

bool MainForm::Check_OutFolder(std::string& OutFolder) {
    OutFolder = TrimSpaces(Out_Folder.Text());
    if (OutFolder.empty()) {
        ui::MsgBox("Enter an output folder", ui::vbExclamation);
        Out_Folder.SetFocus();
        return false;
    }
    if (Make_Out_Folder_On_First_Use(OutFolder)) return true;
    ui::MsgBox("Folder: " + OutFolder + CRLF + "Not found.", ui::vbExclamation);
    Out_Folder.SetFocus();
    return false;
}

bool SameFolderOrConfirmed(MainForm& form, std::string& out) {
    if (!form.Check_OutFolder(out)) return false;
    if (Upper(AddBackslash(out)) != Upper(AddBackslash(form.cde_folder))) {
        if (ui::MsgBox("The output folder is not the same as the input folder.", ui::vbOKCancel + ui::vbExclamation,
                       "Warning") == ui::vbCancel)
            return false;
    }
    return true;
}

bool MainForm::Confirm_Delete_File(const std::string& FileName, bool Ask) {
    if (!FileExists(FileName)) return true;
    if (Ask) {
        const ui::MsgBoxResult answer =
            ui::MsgBox("File " + FileName + CRLF + "already exists." + CRLF + CRLF + "OK to delete it?",
                       ui::vbOKCancel + ui::vbExclamation, "Delete/Replace File?");
        if (answer == ui::vbCancel) return false;
    }
    // A read-only file and one another program holds stay, as on Windows,
    // where the deletion of either is refused.
    tessawin::ErrorInfo err;
    if (FileReadOnly(FileName)) {
        err = {75, "Path/File access error"};
    } else if (FileStatus(FileName) == 1) {
        err = tessawin::ErrorFromErrno(EACCES);
    } else if (std::remove(FileName.c_str()) == 0) {
        ShowStatus("Deleted file " + FileName, true, CRLF);
        return true;
    } else {
        err = tessawin::ErrorFromErrno(errno);
    }
    ui::MsgBox("Error " + std::to_string(err.number) + " occurred when trying to delete file" + CRLF + CRLF + FileName +
                   CRLF + CRLF + err.description + CRLF + CRLF + "The file may be in use by another process" + CRLF +
                   "If so, close it, then retry the Dravnor operation.",
               ui::vbExclamation, "Delete Error");
    return false;
}

// Browse buttons.

void MainForm::cmdCDEBrowse_Click() {
    SelFileFilter = "CSV files|*.csv";
    SelectPathFile(CDE_folder, CDE_file, "Collision Data Extract csv file", "Read");
}

void MainForm::cmdBrowseSDF_Click() {
    std::string chosen;
    if (!GetFileFn(CDE_SDF_file.Text(), "Section Definition File", CDE_folder.Text(), "Read", chosen)) return;
    const bool in_cde_folder = Upper(AddBackslash(FolderPart(chosen))) == Upper(AddBackslash(CDE_folder.Text()));
    CDE_SDF_file.SetText(in_cde_folder ? FileNamePart(chosen) : chosen);
}

void MainForm::cmdDetailBrowse_Click() {
    SelFileFilter = "RTF files|*.rtf";
    SelectPathFile(Detail_Folder, Detail_File, "Detail Report RTF file", "Read");
}

void MainForm::cmdCLRbrowse_Click() {
    SelFileFilter = "CSV files|*.csv";
    SelectPathFile(CLR_Folder, CLR_File, "Class-Rate csv file", "Read");
}

void MainForm::cmdSSAbrowse_Click() {
    SelFileFilter = "CSV files|*.csv";
    SelectPathFile(SSA_Folder, SSA_File, "Specified Section Analysis csv file", "Read");
}

void MainForm::cmdSDFbrowse_Click() {
    SelFileFilter = "CSV files|*.csv";
    SelectPathFile(SDF_folder, SDF_file, "Section Definition csv file", "Read");
}
