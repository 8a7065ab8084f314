// The window "HMZ Version Transforms in Excel": the segment + km locations of
// a worksheet's rows translated to a target inventory version (the latest
// when none is given), written into target columns of the same rows and
// coloured by outcome. Its inputs are remembered in the settings section
// named after the window.
#pragma once

#include <cstdint>
#include <string>

#include "platform/office/spreadsheet.h"
#include "platform/ui/forms.h"

class frmHemzshiftExcel : public ui::Form {
public:
    frmHemzshiftExcel();

    ui::Label& lblIntro = Add<ui::Label>("lblIntro");
    ui::Frame& fraWorksheet = Add<ui::Frame>("fraWorksheet");
    ui::OptionButton& optActiveSheet = Add<ui::OptionButton>("optActiveSheet", ui::In(fraWorksheet));
    ui::OptionButton& optExcelFile = Add<ui::OptionButton>("optExcelFile", ui::In(fraWorksheet));
    ui::TextBox& txtExcelFileName = Add<ui::TextBox>("txtExcelFileName", ui::In(fraWorksheet));
    ui::CommandButton& cmdBrowse = Add<ui::CommandButton>("cmdBrowse", ui::In(fraWorksheet));
    ui::Label& lblWorksheet = Add<ui::Label>("lblWorksheet", ui::In(fraWorksheet));
    ui::TextBox& txtWorksheet = Add<ui::TextBox>("txtWorksheet", ui::In(fraWorksheet));

    ui::Frame& fraDate = Add<ui::Frame>("fraDate");
    ui::OptionButton& optLatestDate = Add<ui::OptionButton>("optLatestDate", ui::In(fraDate));
    ui::OptionButton& optUseDate = Add<ui::OptionButton>("optUseDate", ui::In(fraDate));
    ui::TextBox& txtOldHMZ_date = Add<ui::TextBox>("txtOldHMZ_date", ui::In(fraDate));
    ui::Label& lblOldDate = Add<ui::Label>("lblOldDate", ui::In(fraDate));
    ui::OptionButton& optDateFromExcel = Add<ui::OptionButton>("optDateFromExcel", ui::In(fraDate));
    ui::TextBox& txtDateCol = Add<ui::TextBox>("txtDateCol", ui::In(fraDate));
    ui::Label& lblDateCol = Add<ui::Label>("lblDateCol", ui::In(fraDate));

    ui::Label& lblTarget = Add<ui::Label>("lblTarget");
    ui::TextBox& txtTarget_HMZversion = Add<ui::TextBox>("txtTarget_HMZversion");
    ui::Label& lblNdp = Add<ui::Label>("lblNdp");
    ui::TextBox& txtTarget_ndp = Add<ui::TextBox>("txtTarget_ndp");
    ui::Label& lblFirstRow = Add<ui::Label>("lblFirstRow");
    ui::TextBox& txtFirstRow = Add<ui::TextBox>("txtFirstRow");
    ui::Label& lblLastRow = Add<ui::Label>("lblLastRow");
    ui::TextBox& txtLastRow = Add<ui::TextBox>("txtLastRow");

    ui::Label& lblColumns = Add<ui::Label>("lblColumns");
    ui::Label& lblLocn1 = Add<ui::Label>("lblLocn1");
    ui::Label& lblLocn2 = Add<ui::Label>("lblLocn2");
    ui::Label& lblSrcSeg = Add<ui::Label>("lblSrcSeg");
    ui::Label& lblSrcKm = Add<ui::Label>("lblSrcKm");
    ui::Label& lblTgtSeg = Add<ui::Label>("lblTgtSeg");
    ui::Label& lblTgtKm = Add<ui::Label>("lblTgtKm");
    ui::TextBox& txtColSrcSeg1 = Add<ui::TextBox>("txtColSrcSeg1");
    ui::TextBox& txtColSrcKm1 = Add<ui::TextBox>("txtColSrcKm1");
    ui::TextBox& txtColTgtSeg1 = Add<ui::TextBox>("txtColTgtSeg1");
    ui::TextBox& txtColTgtKm1 = Add<ui::TextBox>("txtColTgtKm1");
    ui::TextBox& txtColSrcSeg2 = Add<ui::TextBox>("txtColSrcSeg2");
    ui::TextBox& txtColSrcKm2 = Add<ui::TextBox>("txtColSrcKm2");
    ui::TextBox& txtColTgtSeg2 = Add<ui::TextBox>("txtColTgtSeg2");
    ui::TextBox& txtColTgtKm2 = Add<ui::TextBox>("txtColTgtKm2");
    ui::Label& lblColours = Add<ui::Label>("lblColours");

    ui::CommandButton& cmdTransform = Add<ui::CommandButton>("cmdTransform");
    ui::CommandButton& cmdClose = Add<ui::CommandButton>("cmdClose");
    ui::CommandButton& cmdCancel = Add<ui::CommandButton>("cmdCancel");

    void optActiveSheet_Click();
    void optExcelFile_Click();
    void cmdBrowse_Click();
    void cmdClose_Click();
    void cmdCancel_Click();
    void cmdTransform_Click();

    bool Validate_Inputs();
    bool Check_ColNumber(ui::TextBox& box, bool required, int16_t& column);
    // One location of a row: translated, written and coloured.
    void Row_Transform(int16_t row, int16_t colSrcSeg, int16_t colSrcKm, int16_t colTgtSeg, int16_t colTgtKm);

protected:
    void Form_Load() override;

private:
    std::string file_, sheet_, target_, lastTarget_, useDate_;
    int16_t ndp_ = 0, dateCol_ = 0;
    int16_t colSrcSeg1_ = 0, colSrcKm1_ = 0, colTgtSeg1_ = 0, colTgtKm1_ = 0;
    int16_t colSrcSeg2_ = 0, colSrcKm2_ = 0, colTgtSeg2_ = 0, colTgtKm2_ = 0;
    int16_t firstRow_ = 0, lastRow_ = 0, row_ = 0;
    office::WorksheetRef ws_;

    void Layout();
    void EnableFileBoxes();
};

frmHemzshiftExcel& The_frmHemzshiftExcel();

// A date as the translation library takes it: Normal := "yyyy-mm-dd" and true
// for a cell holding a date value, a date serial or a "yyyy-mm-dd" text (also
// with "/" or "." between); false for anything else.
bool Cell_Date(const office::CellValue& v, std::string& Normal);
