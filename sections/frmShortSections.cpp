#include "sections/frmShortSections.h"

#include <cstdlib>

#include "app/MainForm.h"
#include "app/SelFile.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/FormSettings.h"
#include "common/TessawinMod.h"
#include "common/winlib.h"
#include "platform/settings/settings.h"
#include "platform/ui/ui.h"
#include "sections/ShortSections.h"
#include "sections/SS_State.h"

namespace {

constexpr const char* kSection = "shortsections";
constexpr const char* kPositionSection = "frmShortSections";
const std::string CRLF = "\r\n";

std::string Trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

int CoordinateOr(const std::string& text, int def) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < -1000000 || v > 1000000) return def;
    return static_cast<int>(v);
}

// Every remembered input, the window's own value as the default for a key
// not stored yet.
void Restore_With_Defaults(ui::Form& form) {
    for (const auto& owned : form.Controls()) {
        const std::string& name = owned->Name();
        if (auto* t = dynamic_cast<ui::TextBox*>(owned.get()); t && name.rfind("txt", 0) == 0) {
            t->SetText(settings::GetSetting(kSettingsApp, kSection, name, t->Text()));
        } else if (auto* c = dynamic_cast<ui::CheckBox*>(owned.get()); c && name.rfind("chk", 0) == 0) {
            const std::string v = settings::GetSetting(kSettingsApp, kSection, name, std::to_string(c->Value()));
            if (v == "0" || v == "1" || v == "2") c->SetValue(v[0] - '0');
        } else if (auto* o = dynamic_cast<ui::OptionButton*>(owned.get()); o && name.rfind("opt", 0) == 0) {
            const std::string v = settings::GetSetting(kSettingsApp, kSection, name, "");
            if (v == "True") o->SetValue(true);
        }
    }
}

}  // namespace

frmShortSections& TheShortSectionsForm() {
    static frmShortSections* form = new frmShortSections();
    return *form;
}

frmShortSections::frmShortSections() : ui::Form("frmShortSections", "Short Sections") {
    Layout();
    cmdRun.OnClick = [this] { cmdRun_Click(); };
    cmdOpenLog.OnClick = [this] { cmdOpenLog_Click(); };
    cmdOpenOutput.OnClick = [this] { cmdOpenOutput_Click(); };
    cmdHelp.OnClick = [this] { cmdHelp_Click(); };
    cmdBrowseSDF.OnClick = [this] { cmdBrowseSDF_Click(); };
    cmdClose.OnClick = [this] { cmdClose_Click(); };
}

void frmShortSections::Layout() {
    Move(1500, 900, 11400, 10200);
    int label_no = 0;
    auto label = [&](ui::Where where, const std::string& caption, int x, int y, int w) {
        ui::Label& l = Add<ui::Label>("Label" + std::to_string(++label_no), where);
        l.SetCaption(caption);
        l.Move(x, y + 45, w, 255);
    };
    auto box = [&](ui::TextBox& b, const std::string& caption, int lx, int lw, int x, int y, int w,
                   const std::string& text, const std::string& tip = "") {
        label(b.Placement(), caption, lx, y, lw);
        b.Move(x, y, w, 315);
        b.SetText(text);
        if (!tip.empty()) b.SetToolTipText(tip);
    };
    auto check = [](ui::CheckBox& c, const std::string& caption, int x, int y, int w, int value) {
        c.SetCaption(caption);
        c.Move(x, y, w, 300);
        c.SetValue(value);
    };
    auto option = [](ui::OptionButton& o, const std::string& caption, int x, int y, int w) {
        o.SetCaption(caption);
        o.Move(x, y, w, 300);
    };

    box(txtRunID, "Run ID:", 240, 1200, 1500, 180, 2400, "test1",
        "Names the output files and the log: Short_<kind>_<Run ID>.csv");

    fraPrimSec.SetCaption("Primary Sections");
    fraPrimSec.Move(120, 600, 5400, 3000);
    option(optPrimSec_HMZsegment, "HMZ Segments", 180, 300, 2400);
    option(optPrimSec_UTVS, "Traffic Volume Sections (UTVS)", 180, 600, 3600);
    option(optPrimSec_SDF, "SDF Sections:", 180, 900, 1700);
    option(optPrimSec_Highway, "Highways", 180, 1200, 2400);
    optPrimSec_HMZsegment.SetValue(true);
    txtInputSDF.Move(1900, 900, 2500, 315);
    txtInputSDF.SetToolTipText("Full name of the input SDF");
    cmdBrowseSDF.SetCaption("Browse");
    cmdBrowseSDF.Move(4450, 870, 850, 375);
    label(ui::In(fraPrimSec), "On:", 180, 1560, 600);
    check(chkOnNumberedHwys, "Numbered Hwys", 780, 1560, 2000, ui::vbChecked);
    check(chkOnLetteredHwys, "Lettered Hwys", 2900, 1560, 2000, ui::vbChecked);
    check(chkOnUnNumberedHwys, "Unnumbered Hwys (900 up)", 780, 1890, 3000, ui::vbChecked);
    check(chkOnSegments, "Segments:", 780, 2220, 1300, ui::vbUnchecked);
    txtOnSegments.Move(2100, 2220, 3200, 315);
    txtOnSegments.SetToolTipText("Comma-separated segments; H followed by a highway (e.g. H97A) adds its segments");

    fraIntersections.SetCaption("Intersections");
    fraIntersections.Move(120, 3720, 5400, 2460);
    check(chkIntersections, "Create Intersections", 180, 300, 3000, ui::vbChecked);
    box(txtIntSecLmkTypes, "LM Types:", 180, 1500, 1800, 660, 3400, "A1,A2,A3,A5,A8",
        "Landmark types of intersections");
    box(txtRadius, "Radius (hm):", 180, 1500, 1800, 1020, 800, "2", "Influence radius of an intersection, hm");
    box(txtMinInterIsecLen, "Min gap (hm):", 2700, 1500, 4300, 1020, 800, "2",
        "Shortest section between two intersection areas, hm");
    box(txtIntNIDoffset, "NID offset:", 180, 1500, 1800, 1380, 1200, "20000");
    box(txtIntSIDprefix, "SID prefix:", 180, 1500, 1800, 1740, 1200, "INT_");

    fraSections.SetCaption("Sections");
    fraSections.Move(5640, 600, 5640, 4560);
    check(chkSections, "Create Sections", 180, 300, 3000, ui::vbChecked);
    box(txtMinLen, "Min length (km):", 180, 1700, 2000, 660, 800, "1");
    box(txtMaxLen, "Max length (km):", 2900, 1700, 4700, 660, 800, "10");
    check(chkBreakAtLandmarkTypes, "Break at LM Types (in priority order):", 180, 1020, 5000, ui::vbChecked);
    txtBreakLandmarkTypes.Move(180, 1350, 5280, 315);
    txtBreakLandmarkTypes.SetText("A5,A2,A8,B3,B4,L1,L2,G1,A1,A3,G4,G5,G6,R1,R2,R3,R4");
    check(chkBreakAtHwyClass, "Break at Hwy Class categories:", 180, 1740, 3400, ui::vbChecked);
    txtHwyClassCategories.Move(3700, 1740, 1600, 315);
    txtHwyClassCategories.SetText("2,3,4,5");
    txtHwyClassCategories.SetToolTipText("Class_Category numbers, e.g. 2,3,4,5");
    check(chkBreakAtADR, "Break at boundaries of:", 180, 2130, 3000, ui::vbChecked);
    fraADR.SetCaption("");
    fraADR.Move(180, 2460, 5280, 480);
    option(optArea, "Area", 120, 150, 1400);
    option(optDistrict, "District", 1700, 150, 1400);
    option(optRegion, "Region", 3300, 150, 1400);
    optArea.SetValue(true);
    box(txtSecNIDoffset, "NID offset:", 180, 1500, 1800, 3060, 1200, "0");
    box(txtSecSIDprefix, "SID prefix:", 180, 1500, 1800, 3420, 1200, "SEC_");

    fraOutput.SetCaption("Output");
    fraOutput.Move(5640, 5280, 5640, 2280);
    check(chkIncludeADT, "Include AADT, years:", 180, 300, 2400, ui::vbUnchecked);
    txtADTyear1.Move(2700, 300, 700, 315);
    txtADTyear1.SetText("2015");
    label(ui::In(fraOutput), "to", 3480, 300, 300);
    txtADTyear2.Move(3840, 300, 700, 315);
    txtADTyear2.SetText("2019");
    check(chkIncludeLatLons, "Include Lats && Lons", 180, 690, 3000, ui::vbUnchecked);
    check(chkExtend50m, "Extend end points by 50 m (kms to 2 decimals)", 180, 1050, 5000, ui::vbUnchecked);
    check(chkWriteTransformed, "Also write in HMZ version:", 180, 1410, 3000, ui::vbUnchecked);
    txtTransHMZversion.Move(3300, 1410, 1200, 315);

    cmdRun.SetCaption("Run");
    cmdRun.SetDefault(true);
    cmdRun.Move(120, 6360, 1500, 420);
    cmdOpenLog.SetCaption("Open Log");
    cmdOpenLog.Move(1740, 6360, 1500, 420);
    cmdOpenOutput.SetCaption("Open Output");
    cmdOpenOutput.Move(3360, 6360, 1500, 420);
    cmdHelp.SetCaption("Help");
    cmdHelp.Move(120, 6900, 1500, 420);
    cmdClose.SetCaption("Close");
    cmdClose.SetCancel(true);
    cmdClose.Move(3360, 6900, 1500, 420);
    lblResult.Move(120, 7500, 5400, 600);
    lblResult.SetCaption("");
}

void frmShortSections::Form_Load() {
    // First run: the sample's section file for an SDF run.
    if (txtInputSDF.Text().empty()) txtInputSDF.SetText(Sample_Folder() + "SDF_ShortSections_sample.csv");
    if (txtTransHMZversion.Text().empty()) txtTransHMZversion.SetText("202004");
    Restore_With_Defaults(*this);
    SetTop(CoordinateOr(settings::GetSetting(kSettingsApp, kPositionSection, "Top", ""), Top()));
    SetLeft(CoordinateOr(settings::GetSetting(kSettingsApp, kPositionSection, "Left", ""), Left()));
    Form_KeepOnScreen(*this, -1, -1);
}

void frmShortSections::Form_Unload(int16_t& Cancel) {
    (void)Cancel;
    Form_Save_Settings(*this, kSection);
    settings::SaveSetting(kSettingsApp, kPositionSection, "Top", std::to_string(Top()));
    settings::SaveSetting(kSettingsApp, kPositionSection, "Left", std::to_string(Left()));
}

void frmShortSections::cmdRun_Click() {
    const std::string id = Trim(txtRunID.Text());
    // The ID becomes part of the log's file name before the run reads it.
    if (!id.empty() && !Valid_RunID(id)) {
        ui::MsgBox("The Run ID names the output files: enter one without a path separator, \"..\" or any of the "
                   "characters : * ? \" < > |",
                   ui::vbExclamation, "Invalid Run ID");
        txtRunID.SetFocus();
        return;
    }
    std::string folder = TempFolder;
    if (folder.empty()) folder = AddBackslash(Trim(TheMainForm().Out_Folder.Text()));
    ShortSectionsLogFileName = folder + "short_sections_log_" + id + ".txt";
    Form_Save_Settings(*this, kSection);
    lblResult.SetCaption("");
    TheMainForm().ShowStatus("Short sections run " + id + " started.");
    int32_t count = 0;
    {
        ui::Hourglass busy;
        Run_ShortSections(*this, count);
    }
    if (!ShortSections::OutputFile.empty() && count > 0) {
        std::string text = std::to_string(count) + " records written to " + ShortSections::OutputFile;
        if (!ShortSections::OutputFileTrans.empty()) text += CRLF + "and " + ShortSections::OutputFileTrans;
        lblResult.SetCaption(text);
    } else {
        lblResult.SetCaption("No output written; see the log.");
    }
}

void frmShortSections::cmdOpenLog_Click() {
    if (ShortSectionsLogFileName.empty() || !FileExists(ShortSectionsLogFileName)) {
        ui::MsgBox("No log yet: press Run first.", ui::vbInformation, "Open Log");
        return;
    }
    Shell_Command("Notepad", ShortSectionsLogFileName, vbNormalFocus);
}

void frmShortSections::cmdOpenOutput_Click() {
    if (ShortSections::OutputFile.empty() || !FileExists(ShortSections::OutputFile)) {
        ui::MsgBox("No output file yet: press Run first.", ui::vbInformation, "Open Output");
        return;
    }
    win_Openfile(ShortSections::OutputFile);
}

void frmShortSections::cmdHelp_Click() {
    if (Help_File_Found(AppFolder + kHelpFile)) Shell_Command("Notepad", AppFolder + kHelpFile, vbNormalFocus);
}

void frmShortSections::cmdBrowseSDF_Click() {
    SelFileFilter = "CSV files|*.csv";
    SelectFile(txtInputSDF, "Section Definition csv file", FolderPart(Trim(txtInputSDF.Text())), "Read");
}

void frmShortSections::cmdClose_Click() {
    Unload();
}
