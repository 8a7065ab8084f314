// frmClassVol: the class sets and volume ranges the published rate table
// groups its figures by, kept in the settings section "ClassVol" (one key
// per control-array element, "chkCS(1)" .. "txtMaxVol(8)"). A settings editor
// only: what it stores is stored as typed.
#pragma once

#include <cstdint>

#include "platform/ui/forms.h"

inline constexpr int kClassSetCount = 14;
inline constexpr int kVolumeRangeCount = 8;

class frmClassVol : public ui::Form {
public:
    frmClassVol();

    void cmdStandardCS_Click();
    void cmdStandardVR_Click();
    void cmdClose_Click();
    void cmdCancel_Click();
    void ClassVol_Save();

    ui::Label& Label1 = Add<ui::Label>("Label1");
    ui::Label& Label2 = Add<ui::Label>("Label2");
    ui::ControlArray<ui::CheckBox> chkCS = AddArray<ui::CheckBox>("chkCS", 1, kClassSetCount);
    ui::ControlArray<ui::TextBox> txtClassSet = AddArray<ui::TextBox>("txtClassSet", 1, kClassSetCount);
    ui::ControlArray<ui::CheckBox> chkVR = AddArray<ui::CheckBox>("chkVR", 1, kVolumeRangeCount);
    ui::ControlArray<ui::TextBox> txtMinVol = AddArray<ui::TextBox>("txtMinVol", 1, kVolumeRangeCount);
    ui::ControlArray<ui::TextBox> txtMaxVol = AddArray<ui::TextBox>("txtMaxVol", 1, kVolumeRangeCount);
    ui::CommandButton& cmdStandardCS = Add<ui::CommandButton>("cmdStandardCS");
    ui::CommandButton& cmdStandardVR = Add<ui::CommandButton>("cmdStandardVR");
    ui::CommandButton& cmdClose = Add<ui::CommandButton>("cmdClose");
    ui::CommandButton& cmdCancel = Add<ui::CommandButton>("cmdCancel");

protected:
    void Form_Load() override;
};

// The one window, created at the first call; it stays until the process ends.
frmClassVol& TheClassVolForm();

// The Class Rate tab's "Specify Class Sets and Volume Ranges..." button: the
// window, shown modally.
void ClassVol_Attach(class MainForm& form);
