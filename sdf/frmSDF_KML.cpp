#include "sdf/frmSDF_KML.h"

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/FormSettings.h"
#include "common/TessawinMod.h"
#include "platform/settings/settings.h"
#include "platform/ui/ui.h"
#include "sdf/SDF_KML.h"
#include "sdf/SDF_Tab.h"
#include "sdf/SDF_Utils.h"

namespace {

constexpr const char* kInputs = "SDFKML";
constexpr const char* kPosition = "frmSDF_KML";

int PositionOr(const std::string& key, int def) {
    const std::string v = settings::GetSetting(kSettingsApp, kPosition, key, "");
    double d = 0;
    return decimal::ParseDouble(v, d) ? static_cast<int>(d) : def;
}

// The generic settings keep one key per control name, which the elements of
// the extra-field array share: each element gets a key of its own.
std::string ElementKey(const ui::TextBox& t) {
    return t.Name() + "(" + std::to_string(t.Index()) + ")";
}

}  // namespace

void frmSDF_KML::Save_Inputs() {
    Form_Save_Settings(*this, kInputs);
    for (ui::TextBox* t : txtSDF_auxfield.Elements())
        settings::SaveSetting(kSettingsApp, kInputs, ElementKey(*t), t->Text());
}

void frmSDF_KML::Restore_Inputs() {
    // First run: every description row, and an interval ready for km marks.
    Form_Restore_Settings(*this, kInputs,
                          {{"chkInclude_Section_ID", "1"},
                           {"chkInclude_SDF_name", "1"},
                           {"chkInclude_HMZ_version", "1"},
                           {"chkInclude_Endpoint_SegKm", "1"},
                           {"chkInclude_Description", "1"},
                           {"txtSDF_KmInterval", "1.0"}});
    for (ui::TextBox* t : txtSDF_auxfield.Elements())
        t->SetText(settings::GetSetting(kSettingsApp, kInputs, ElementKey(*t), ""));
}

frmSDF_KML::frmSDF_KML() : ui::Form("frmSDF_KML", "KML of Section Definition File") {
    Move(2400, 1800, 6300, 6600);
    fraDescription.SetCaption("Section description");
    fraDescription.Move(120, 120, 6000, 3900);
    const struct {
        ui::CheckBox* box;
        const char* caption;
    } checks[] = {
        {&chkInclude_Section_ID, "Heading with the section ID"},
        {&chkSDF_tableborders, "Table borders"},
        {&chkInclude_SDF_name, "SDF file name"},
        {&chkInclude_HMZ_version, "SDF HMZ version"},
        {&chkInclude_Endpoint_SegKm, "End point segments and kms"},
        {&chkInclude_Description, "Section description (note)"},
    };
    int top = 300;
    for (const auto& c : checks) {
        c.box->SetCaption(c.caption);
        c.box->Move(240, top, 5500, 300);
        top += 330;
    }
    lblAuxFields.SetCaption("Extra fields (Label:Field or Field):");
    lblAuxFields.Move(240, top, 5500, 300);
    top += 300;
    int left = 240;
    for (ui::TextBox* t : txtSDF_auxfield.Elements()) {
        t->Move(left, top, 1050, 300);
        left += 1110;
    }
    chkSDF_label_endpoints.SetCaption("Label section end points");
    chkSDF_label_endpoints.Move(240, 4200, 5500, 300);
    chkSDF_MarkKms.SetCaption("Mark HMZ segment kms");
    chkSDF_MarkKms.Move(240, 4560, 3000, 300);
    lblKmInterval.SetCaption("Interval (km):");
    lblKmInterval.Move(3360, 4580, 1300, 300);
    txtSDF_KmInterval.Move(4700, 4540, 900, 315);
    cmdRun.SetCaption("Run");
    cmdRun.SetDefault(true);
    cmdRun.Move(240, 5400, 1500, 420);
    cmdHelp.SetCaption("Help");
    cmdHelp.Move(2400, 5400, 1500, 420);
    cmdClose.SetCaption("Close");
    cmdClose.SetCancel(true);
    cmdClose.Move(4560, 5400, 1500, 420);
    cmdRun.OnClick = [this] { cmdRun_Click(); };
    cmdHelp.OnClick = [this] { cmdHelp_Click(); };
    cmdClose.OnClick = [this] { cmdClose_Click(); };
}

void frmSDF_KML::Form_Load() {
    Restore_Inputs();
    SetTop(PositionOr("Top", Top()));
    SetLeft(PositionOr("Left", Left()));
    Form_KeepOnScreen(*this, -1, -1);
}

void frmSDF_KML::Form_Unload(int16_t& Cancel) {
    (void)Cancel;
    Save_Inputs();
    settings::SaveSetting(kSettingsApp, kPosition, "Top", std::to_string(Top()));
    settings::SaveSetting(kSettingsApp, kPosition, "Left", std::to_string(Left()));
}

void frmSDF_KML::cmdRun_Click() {
    Save_Inputs();
    if (!SDF_init(TheMainForm())) return;
    ui::Hourglass wait;
    SDF_KML_Linestrings(*this);
}

void frmSDF_KML::cmdHelp_Click() {
    if (Help_File_Found(AppFolder + "SDF_KML_help.txt"))
        Shell_Command("Notepad", AppFolder + "SDF_KML_help.txt", vbNormalFocus);
}

void frmSDF_KML::cmdClose_Click() {
    Unload();
}

frmSDF_KML& TheSDF_KMLForm() {
    static frmSDF_KML* form = new frmSDF_KML();  // lives to the end, as the window registry expects
    return *form;
}

void cmdSDF_KML_Click(MainForm& form) {
    if (!SDF_init(form)) return;
    TheSDF_KMLForm().Show(ui::vbModeless);
}

void SDF_KML_Attach(MainForm& form) {
    MainForm* f = &form;
    form.AddTabCommand(MainForm::kTabSDF, "cmdSDF_KML", "Create KML ...", [f] { cmdSDF_KML_Click(*f); })
        .SetToolTipText("1 KML linestring per section");
}
