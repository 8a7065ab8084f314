// frmSDF_KML: the options window of the section KML export. Its inputs are
// remembered in the settings section "SDFKML", its position in "frmSDF_KML".
#pragma once

#include "platform/ui/forms.h"

class MainForm;

class frmSDF_KML : public ui::Form {
public:
    frmSDF_KML();

    void cmdRun_Click();
    void cmdHelp_Click();
    void cmdClose_Click();

    ui::Frame& fraDescription = Add<ui::Frame>("fraDescription");
    ui::CheckBox& chkInclude_Section_ID = Add<ui::CheckBox>("chkInclude_Section_ID", ui::In(fraDescription));
    ui::CheckBox& chkSDF_tableborders = Add<ui::CheckBox>("chkSDF_tableborders", ui::In(fraDescription));
    ui::CheckBox& chkInclude_SDF_name = Add<ui::CheckBox>("chkInclude_SDF_name", ui::In(fraDescription));
    ui::CheckBox& chkInclude_HMZ_version = Add<ui::CheckBox>("chkInclude_HMZ_version", ui::In(fraDescription));
    ui::CheckBox& chkInclude_Endpoint_SegKm = Add<ui::CheckBox>("chkInclude_Endpoint_SegKm", ui::In(fraDescription));
    ui::CheckBox& chkInclude_Description = Add<ui::CheckBox>("chkInclude_Description", ui::In(fraDescription));
    ui::Label& lblAuxFields = Add<ui::Label>("lblAuxFields", ui::In(fraDescription));
    ui::ControlArray<ui::TextBox> txtSDF_auxfield =
        AddArray<ui::TextBox>("txtSDF_auxfield", 0, 4, ui::In(fraDescription));
    ui::CheckBox& chkSDF_label_endpoints = Add<ui::CheckBox>("chkSDF_label_endpoints");
    ui::CheckBox& chkSDF_MarkKms = Add<ui::CheckBox>("chkSDF_MarkKms");
    ui::Label& lblKmInterval = Add<ui::Label>("lblKmInterval");
    ui::TextBox& txtSDF_KmInterval = Add<ui::TextBox>("txtSDF_KmInterval");
    ui::CommandButton& cmdRun = Add<ui::CommandButton>("cmdRun");
    ui::CommandButton& cmdHelp = Add<ui::CommandButton>("cmdHelp");
    ui::CommandButton& cmdClose = Add<ui::CommandButton>("cmdClose");

protected:
    void Form_Load() override;
    void Save_Inputs();
    void Restore_Inputs();
    void Form_Unload(int16_t& Cancel) override;
};

// The one options window of the program.
frmSDF_KML& TheSDF_KMLForm();

// The SDF tab's "Create KML ..." and its button.
void cmdSDF_KML_Click(MainForm& form);
void SDF_KML_Attach(MainForm& form);
