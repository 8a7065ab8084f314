// frmClassVol: the class sets and volume ranges window.
#include "sections/frmClassVol.h"

#include <string>

#include "app/MainForm.h"
#include "common/FormSettings.h"
#include "platform/settings/settings.h"

namespace {

constexpr const char* kSection = "ClassVol";

std::string key(const std::string& control, int index) {
    return control + "(" + std::to_string(index) + ")";
}

std::string get(const std::string& control, int index, const std::string& def) {
    return settings::GetSetting(kSettingsApp, kSection, key(control, index), def);
}

void put(const std::string& control, int index, const std::string& value) {
    settings::SaveSetting(kSettingsApp, kSection, key(control, index), value);
}

// A stored check value the box cannot take is passed over, as a failing control is.
void restore_check(ui::CheckBox& box, const std::string& stored) {
    try {
        const int v = std::stoi(stored);
        if (v >= 0 && v <= 2) box.SetValue(v);
    } catch (const std::exception&) {
    }
}

}  // namespace

frmClassVol::frmClassVol() : ui::Form("frmClassVol", "Class Sets and Volume Ranges") {
    Move(2000, 1500, 9000, 8100);
    Label1.SetCaption("Highway Classification Sets");
    Label1.Move(240, 120, 3600, 255);
    Label2.SetCaption("Volume Ranges");
    Label2.Move(4560, 120, 3600, 255);
    for (int i = 1; i <= kClassSetCount; ++i) {
        const int y = 480 + (i - 1) * 420;
        chkCS(i).Move(240, y, 300, 315);
        txtClassSet(i).Move(600, y, 2400, 315);
        txtClassSet(i).SetFontName("Courier New");
    }
    for (int j = 1; j <= kVolumeRangeCount; ++j) {
        const int y = 480 + (j - 1) * 420;
        chkVR(j).Move(4560, y, 300, 315);
        txtMinVol(j).Move(4920, y, 1200, 315);
        txtMaxVol(j).Move(6240, y, 1200, 315);
    }
    cmdStandardCS.SetCaption("Set Standard");
    cmdStandardCS.Move(600, 6480, 1800, 420);
    cmdStandardVR.SetCaption("Set Standard");
    cmdStandardVR.Move(4920, 3960, 1800, 420);
    cmdClose.SetCaption("Save and Close");
    cmdClose.Move(4920, 6960, 1800, 420);
    cmdCancel.SetCaption("Cancel");
    cmdCancel.Move(6840, 6960, 1800, 420);
    cmdCancel.SetCancel(true);
    cmdStandardCS.OnClick = [this] { cmdStandardCS_Click(); };
    cmdStandardVR.OnClick = [this] { cmdStandardVR_Click(); };
    cmdClose.OnClick = [this] { cmdClose_Click(); };
    cmdCancel.OnClick = [this] { cmdCancel_Click(); };
}

void frmClassVol::Form_Load() {
    for (int i = 1; i <= kClassSetCount; ++i) {
        restore_check(chkCS(i), get("chkCS", i, "0"));
        txtClassSet(i).SetText(get("txtClassSet", i, ""));
    }
    for (int j = 1; j <= kVolumeRangeCount; ++j) {
        restore_check(chkVR(j), get("chkVR", j, "0"));
        txtMinVol(j).SetText(get("txtMinVol", j, ""));
        txtMaxVol(j).SetText(get("txtMaxVol", j, ""));
    }
}

void frmClassVol::cmdStandardCS_Click() {
    static const char* const sets[] = {"* U A U 2", "* U A U 4", "* U A D 4", "* U E D 4", "* U F D 4",
                                       "* R A U 2", "* R A U 4", "* R A D 4", "* R E D 4", "* R F D 4"};
    for (int i = 1; i <= kClassSetCount; ++i) {
        const bool standard = i <= 10;
        txtClassSet(i).SetText(standard ? sets[i - 1] : "");
        chkCS(i).SetValue(standard ? 1 : 0);
    }
}

void frmClassVol::cmdStandardVR_Click() {
    static const char* const lows[] = {"1", "5001", "10001", "15001", "20001", "1"};
    static const char* const highs[] = {"5000", "10000", "15000", "20000", "999999", "999999"};
    for (int j = 1; j <= kVolumeRangeCount; ++j) {
        const bool standard = j <= 6;
        txtMinVol(j).SetText(standard ? lows[j - 1] : "");
        txtMaxVol(j).SetText(standard ? highs[j - 1] : "");
        chkVR(j).SetValue(standard ? 1 : 0);
    }
}

void frmClassVol::ClassVol_Save() {
    for (int i = 1; i <= kClassSetCount; ++i) {
        put("chkCS", i, std::to_string(chkCS(i).Value()));
        put("txtClassSet", i, txtClassSet(i).Text());
    }
    for (int j = 1; j <= kVolumeRangeCount; ++j) {
        put("chkVR", j, std::to_string(chkVR(j).Value()));
        put("txtMinVol", j, txtMinVol(j).Text());
        put("txtMaxVol", j, txtMaxVol(j).Text());
    }
}

void frmClassVol::cmdClose_Click() {
    ClassVol_Save();
    Hide();
}

void frmClassVol::cmdCancel_Click() {
    Hide();
}

frmClassVol& TheClassVolForm() {
    static frmClassVol form;
    return form;
}

void ClassVol_Attach(MainForm& form) {
    if (auto* b = form.Find<ui::CommandButton>("cmdClassVol")) b->OnClick = [] { TheClassVolForm().Show(ui::vbModal); };
}
