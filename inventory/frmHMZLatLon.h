// The window "HMZ to/from LatLon in Excel": segment + km cells of a worksheet
// to latitude/longitude cells (">>>>"), or latitude/longitude cells to the
// nearest segment + km ("<<<<"), one or two locations a row. Its inputs are
// remembered in the settings section "HMZ_LatLon".
#pragma once

#include <cstdint>
#include <string>

#include "platform/office/spreadsheet.h"
#include "platform/ui/forms.h"

class frmHMZLatLon : public ui::Form {
public:
    frmHMZLatLon();

    ui::Label& lblIntro = Add<ui::Label>("lblIntro");
    ui::Frame& fraWorksheet = Add<ui::Frame>("fraWorksheet");
    ui::OptionButton& optActiveSheet = Add<ui::OptionButton>("optActiveSheet", ui::In(fraWorksheet));
    ui::OptionButton& optExcelFile = Add<ui::OptionButton>("optExcelFile", ui::In(fraWorksheet));
    ui::TextBox& txtExcelFileName = Add<ui::TextBox>("txtExcelFileName", ui::In(fraWorksheet));
    ui::CommandButton& cmdBrowse = Add<ui::CommandButton>("cmdBrowse", ui::In(fraWorksheet));
    ui::Label& lblWorksheet = Add<ui::Label>("lblWorksheet", ui::In(fraWorksheet));
    ui::TextBox& txtWorksheet = Add<ui::TextBox>("txtWorksheet", ui::In(fraWorksheet));

    ui::Label& lblVersion = Add<ui::Label>("lblVersion");
    ui::TextBox& txtLL_HMZversion = Add<ui::TextBox>("txtLL_HMZversion");
    ui::CommandButton& cmdHMZ_version_help = Add<ui::CommandButton>("cmdHMZ_version_help");
    ui::Label& lblNdp = Add<ui::Label>("lblNdp");
    ui::TextBox& txtLL_ndp = Add<ui::TextBox>("txtLL_ndp");
    ui::Label& lblRange = Add<ui::Label>("lblRange");
    ui::TextBox& txtLL_Range = Add<ui::TextBox>("txtLL_Range");
    ui::Label& lblFirstRow = Add<ui::Label>("lblFirstRow");
    ui::TextBox& txtFirstRow = Add<ui::TextBox>("txtFirstRow");
    ui::Label& lblLastRow = Add<ui::Label>("lblLastRow");
    ui::TextBox& txtLastRow = Add<ui::TextBox>("txtLastRow");

    ui::Label& lblColumns = Add<ui::Label>("lblColumns");
    ui::Label& lblLocn1 = Add<ui::Label>("lblLocn1");
    ui::Label& lblLocn2 = Add<ui::Label>("lblLocn2");
    ui::Label& lblSeg = Add<ui::Label>("lblSeg");
    ui::Label& lblKm = Add<ui::Label>("lblKm");
    ui::Label& lblLat = Add<ui::Label>("lblLat");
    ui::Label& lblLon = Add<ui::Label>("lblLon");
    ui::TextBox& txtColSeg1 = Add<ui::TextBox>("txtColSeg1");
    ui::TextBox& txtColKm1 = Add<ui::TextBox>("txtColKm1");
    ui::TextBox& txtColLat1 = Add<ui::TextBox>("txtColLat1");
    ui::TextBox& txtColLon1 = Add<ui::TextBox>("txtColLon1");
    ui::TextBox& txtColSeg2 = Add<ui::TextBox>("txtColSeg2");
    ui::TextBox& txtColKm2 = Add<ui::TextBox>("txtColKm2");
    ui::TextBox& txtColLat2 = Add<ui::TextBox>("txtColLat2");
    ui::TextBox& txtColLon2 = Add<ui::TextBox>("txtColLon2");

    ui::CommandButton& cmdSegKmtoLatLon = Add<ui::CommandButton>("cmdSegKmtoLatLon");
    ui::CommandButton& cmdLatLontoSegKm = Add<ui::CommandButton>("cmdLatLontoSegKm");
    ui::CommandButton& cmdClose = Add<ui::CommandButton>("cmdClose");
    ui::CommandButton& cmdCancel = Add<ui::CommandButton>("cmdCancel");

    void optActiveSheet_Click();
    void optExcelFile_Click();
    void cmdBrowse_Click();
    void cmdClose_Click();
    void cmdCancel_Click();
    void cmdHMZ_version_help_Click();
    void cmdSegKmtoLatLon_Click();
    void cmdLatLontoSegKm_Click();

    // Every input into the window's state; false after a box named the input
    // at fault (its box has the focus).
    bool Validate_Inputs();
    // One column box: its number (0 when blank and not required); false after
    // a box.
    bool Check_ColNumber(ui::TextBox& box, bool required, int16_t& column);
    // One location of a row, converted in place; a row whose input cells
    // cannot be read, or a location without result, stays as it was.
    void Row_SegKm_to_LatLon(int16_t row, int16_t colSeg, int16_t colKm, int16_t colLat, int16_t colLon);
    void Row_LatLon_to_SegKm(int16_t row, int16_t colSeg, int16_t colKm, int16_t colLat, int16_t colLon);

protected:
    void Form_Load() override;

private:
    // Filled by Validate_Inputs.
    std::string file_, sheet_, version_;
    int16_t ndp_ = 0;
    int16_t colSeg1_ = 0, colKm1_ = 0, colLat1_ = 0, colLon1_ = 0;
    int16_t colSeg2_ = 0, colKm2_ = 0, colLat2_ = 0, colLon2_ = 0;
    int16_t firstRow_ = 0, lastRow_ = 0;
    int32_t range_ = 0;
    int16_t row_ = 0;
    office::WorksheetRef ws_;

    void Layout();
    void EnableFileBoxes();
};

// The one window of the program, made at the first call.
frmHMZLatLon& The_frmHMZLatLon();
