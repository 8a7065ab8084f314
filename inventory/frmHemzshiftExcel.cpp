#include "inventory/frmHemzshiftExcel.h"

#include <cfloat>
#include <cmath>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/DecimalFormat.h"
#include "common/Excel_Util.h"
#include "common/FormSettings.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_Dates.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
#include "inventory/Worksheet_Run.h"
#include "platform/ui/ui.h"

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool numeric(const std::string& text) {
    double v = 0;
    return decimal::ParseDouble(text, v);
}

// Serial days of 1900-01-01 and 9999-12-31.
constexpr double kFirstSerial = 1;
constexpr double kLastSerial = 2958465;

bool serial_date(double serial, std::string& Normal) {
    if (!(serial >= kFirstSerial && serial < kLastSerial + 1)) return false;
    office::CellValue d;
    d.kind = office::CellValue::Date;
    d.number = std::floor(serial);
    Normal = d.ToText().substr(0, 10);
    return true;
}

}  // namespace

bool Cell_Date(const office::CellValue& v, std::string& Normal) {
    Normal.clear();
    switch (v.kind) {
        case office::CellValue::Date:
        case office::CellValue::Number:
            return serial_date(v.number, Normal);
        case office::CellValue::Text: {
            const std::string t = TrimSpaces(v.text);
            if (t.empty()) return false;
            if (Normal_HMZ_Date(t, Normal)) return !Normal.empty();
            double serial = 0;
            return decimal::ParseDouble(t, serial) && serial == std::floor(serial) && serial_date(serial, Normal);
        }
        default:
            return false;
    }
}

frmHemzshiftExcel& The_frmHemzshiftExcel() {
    static frmHemzshiftExcel form;
    return form;
}

frmHemzshiftExcel::frmHemzshiftExcel() : ui::Form("frmHemzshiftExcel", "HMZ Version Transforms in Excel") {
    Layout();
    optActiveSheet.OnClick = [this] { optActiveSheet_Click(); };
    optExcelFile.OnClick = [this] { optExcelFile_Click(); };
    cmdBrowse.OnClick = [this] { cmdBrowse_Click(); };
    cmdClose.OnClick = [this] { cmdClose_Click(); };
    cmdCancel.OnClick = [this] { cmdCancel_Click(); };
    cmdTransform.OnClick = [this] { cmdTransform_Click(); };
}

void frmHemzshiftExcel::Layout() {
    Move(2400, 1800, 9600, 9000);
    lblIntro.SetCaption(
        "One or Two HMZ locations can be transformed in each Excel row.  Leave Seg 2 blank to do just one.");
    lblIntro.Move(240, 120, 9000, 255);

    fraWorksheet.SetCaption("Excel worksheet");
    fraWorksheet.Move(240, 480, 9000, 1680);
    optActiveSheet.SetCaption("Active Worksheet in the currently open Excel Workbook");
    optActiveSheet.Move(180, 300, 8600, 300);
    optExcelFile.SetCaption("Following Excel File (and sheet).  No Excel files may be open");
    optExcelFile.Move(180, 630, 8600, 300);
    txtExcelFileName.Move(480, 960, 7000, 315);
    cmdBrowse.SetCaption("Browse");
    cmdBrowse.Move(7600, 945, 1200, 345);
    lblWorksheet.SetCaption("Sheet:");
    lblWorksheet.Move(480, 1335, 700, 255);
    txtWorksheet.Move(1200, 1290, 2400, 315);
    txtWorksheet.SetToolTipText("Blank for first worksheet,  NOT case sensitive");

    fraDate.SetCaption("Date of the source locations");
    fraDate.Move(240, 2280, 9000, 1380);
    optLatestDate.SetCaption("Use last effective date for each segment");
    optLatestDate.Move(180, 300, 8600, 300);
    optUseDate.SetCaption("Use Date:");
    optUseDate.Move(180, 630, 2600, 300);
    txtOldHMZ_date.Move(2900, 615, 1400, 315);
    txtOldHMZ_date.SetToolTipText("1980-01-01 is the oldest date allowed");
    lblOldDate.SetCaption("(yyyy-mm-dd)");
    lblOldDate.Move(4400, 660, 2000, 255);
    optDateFromExcel.SetCaption("Use dates in excel column:");
    optDateFromExcel.Move(180, 960, 2600, 300);
    txtDateCol.Move(2900, 945, 700, 315);
    lblDateCol.SetCaption("(Blank for latest effective date.)");
    lblDateCol.Move(3700, 990, 4000, 255);

    auto row = [&](ui::Label& l, const std::string& caption, ui::TextBox& box, int y, int w) {
        l.SetCaption(caption);
        l.Move(240, y + 45, 2600, 255);
        box.Move(2900, y, w, 315);
    };
    row(lblTarget, "Target HMZ Version:", txtTarget_HMZversion, 3780, 1200);
    txtTarget_HMZversion.SetToolTipText("yyyymm; blank or latest for the latest version available");
    row(lblNdp, "# Decimal Places:", txtTarget_ndp, 4200, 450);
    row(lblFirstRow, "First Row:", txtFirstRow, 4620, 900);
    row(lblLastRow, "Last Row:", txtLastRow, 5040, 900);
    txtLastRow.SetToolTipText("Leave blank for end of data");

    lblColumns.SetCaption("Columns (number or letter):");
    lblColumns.Move(240, 5520, 4000, 255);
    const int x0 = 1800, dx = 1200;
    int x = x0;
    for (ui::Label* l : {&lblSrcSeg, &lblSrcKm, &lblTgtSeg, &lblTgtKm}) {
        l->Move(x, 5820, 1100, 255);
        x += dx;
    }
    lblSrcSeg.SetCaption("Src Seg");
    lblSrcKm.SetCaption("Src Km");
    lblTgtSeg.SetCaption("Tgt Seg");
    lblTgtKm.SetCaption("Tgt Km");
    lblLocn1.SetCaption("Location 1:");
    lblLocn1.Move(240, 6165, 1500, 255);
    lblLocn2.SetCaption("Location 2:");
    lblLocn2.Move(240, 6585, 1500, 255);
    x = x0;
    for (ui::TextBox* b : {&txtColSrcSeg1, &txtColSrcKm1, &txtColTgtSeg1, &txtColTgtKm1}) {
        b->Move(x, 6120, 900, 315);
        x += dx;
    }
    x = x0;
    for (ui::TextBox* b : {&txtColSrcSeg2, &txtColSrcKm2, &txtColTgtSeg2, &txtColTgtKm2}) {
        b->Move(x, 6540, 900, 315);
        x += dx;
    }
    lblColours.SetCaption(
        "Pink output means transformations were done.  BAD: the source location is not valid.  "
        "OFF: the location is not in the target version.");
    lblColours.Move(240, 7020, 9000, 510);

    cmdTransform.SetCaption("Transform");
    cmdTransform.SetToolTipText("Do the HMZ Transformation in the Excel worksheet");
    cmdTransform.Move(240, 7860, 1800, 420);
    cmdClose.SetCaption("Save and Close");
    cmdClose.Move(5400, 7860, 1800, 420);
    cmdCancel.SetCaption("Cancel");
    cmdCancel.Move(7440, 7860, 1800, 420);
    cmdCancel.SetCancel(true);
}

void frmHemzshiftExcel::Form_Load() {
    // First run: the sample workbook's columns (source in A:B and F:G, the
    // date in C, targets in D:E and H:I), in a copy of the user's own.
    Form_Restore_Settings(*this, Name(),
                          {{"txtExcelFileName", Sample_Working_Copy_Name("HMZ_Transforms_sample.xlsx")},
                           {"txtWorksheet", "Locations"},
                           {"optDateFromExcel", "True"},
                           {"txtDateCol", "C"},
                           {"txtTarget_ndp", "2"},
                           {"txtFirstRow", "2"},
                           {"txtColSrcSeg1", "A"},
                           {"txtColSrcKm1", "B"},
                           {"txtColTgtSeg1", "D"},
                           {"txtColTgtKm1", "E"},
                           {"txtColSrcSeg2", "F"},
                           {"txtColSrcKm2", "G"},
                           {"txtColTgtSeg2", "H"},
                           {"txtColTgtKm2", "I"}});
    if (!optLatestDate.Value() && !optUseDate.Value() && !optDateFromExcel.Value()) optLatestDate.SetValue(true);
    Default_Workbook_Choice(optActiveSheet, optExcelFile);
    if (txtTarget_HMZversion.Text().empty()) txtTarget_HMZversion.SetText(TheMainForm().txtHMZ_HMZversion.Text());
    EnableFileBoxes();
}

void frmHemzshiftExcel::EnableFileBoxes() {
    Enable_Workbook_Boxes(optExcelFile, txtExcelFileName, txtWorksheet);
}

void frmHemzshiftExcel::optActiveSheet_Click() {
    EnableFileBoxes();
}

void frmHemzshiftExcel::optExcelFile_Click() {
    EnableFileBoxes();
}

void frmHemzshiftExcel::cmdBrowse_Click() {
    Browse_Workbook(txtExcelFileName);
}

void frmHemzshiftExcel::cmdClose_Click() {
    Form_Save_Settings(*this, Name());
    Hide();
}

void frmHemzshiftExcel::cmdCancel_Click() {
    Hide();
}

bool frmHemzshiftExcel::Check_ColNumber(ui::TextBox& box, bool required, int16_t& column) {
    return Check_Column(box, required, column);
}

bool frmHemzshiftExcel::Validate_Inputs() {
    file_.clear();
    sheet_.clear();
    target_.clear();
    lastTarget_.clear();
    useDate_.clear();
    ndp_ = dateCol_ = 0;
    colSrcSeg1_ = colSrcKm1_ = colTgtSeg1_ = colTgtKm1_ = 0;
    colSrcSeg2_ = colSrcKm2_ = colTgtSeg2_ = colTgtKm2_ = 0;
    firstRow_ = lastRow_ = 0;

    if (!Check_Workbook_Choice(optActiveSheet.Value(), txtExcelFileName, txtWorksheet, file_, sheet_)) return false;
    if (optUseDate.Value()) {
        // Passed on as "yyyy-mm-dd": the library compares date texts.
        if (!Normal_HMZ_Date(txtOldHMZ_date.Text(), useDate_) || useDate_.empty()) {
            Refuse_Input("Invalid date.  Enter a date in yyyy-mm-dd format", txtOldHMZ_date);
            return false;
        }
        if (useDate_ < "1980-01-01") {
            Refuse_Input("Date must be >= 1980-01-01", txtOldHMZ_date);
            return false;
        }
    }
    if (optDateFromExcel.Value() && !Check_ColNumber(txtDateCol, true, dateCol_)) return false;
    const std::string t = lower(TrimSpaces(txtTarget_HMZversion.Text()));
    if (!t.empty() && t != "latest") {
        target_ = Check_HMZ_Version_Text(txtTarget_HMZversion);
        if (target_.empty()) return false;
        target_ = target_.substr(0, 6);
    }
    const std::string ndp = TrimSpaces(txtTarget_ndp.Text());
    if (ndp != "1" && ndp != "2") {
        Refuse_Input("Number of km decimal places must be 1 or 2.", txtTarget_ndp);
        return false;
    }
    ndp_ = static_cast<int16_t>(ndp[0] - '0');
    if (!Check_Rows(txtFirstRow, txtLastRow, firstRow_, lastRow_)) return false;
    return Check_Location_Columns(
        {txtColSrcSeg1, txtColSrcKm1, txtColTgtSeg1, txtColTgtKm1, colSrcSeg1_, colSrcKm1_, colTgtSeg1_, colTgtKm1_},
        {txtColSrcSeg2, txtColSrcKm2, txtColTgtSeg2, txtColTgtKm2, colSrcSeg2_, colSrcKm2_, colTgtSeg2_, colTgtKm2_});
}

void frmHemzshiftExcel::Row_Transform(int16_t row, int16_t colSrcSeg, int16_t colSrcKm, int16_t colTgtSeg,
                                      int16_t colTgtKm) {
    office::Worksheet& ws = *ws_;
    std::string outSeg;
    float outKm = -1;
    int32_t steps = 0;
    bool kmBlank = false;

    if (!XL_CellIsEmpty(ws.Cells(row, colSrcSeg))) {
        std::string seg = XL_CellText(ws.Cells(row, colSrcSeg));
        if (!numeric(seg)) {
            outSeg = seg;
            outKm = -1;
        } else {
            try {
                seg = Cell_Segment(ws.Cells(row, colSrcSeg).Value());
            } catch (const office::Error&) {
            }
            Pad_Seg4_0(seg);
            float km = 0.1f;
            const std::string kmText = XL_CellText(ws.Cells(row, colSrcKm));
            double k = 0;
            if (lower(kmText) == "end") {
                km = SAV_Length_at_Date(seg, "", ndp_);
            } else if (kmText.empty() || !decimal::ParseDouble(kmText, k) || !(std::fabs(k) <= FLT_MAX)) {
                kmBlank = true;
            } else {
                km = static_cast<float>(k);
                if (km > 0.11f) {
                    // Snapped to the end only when the segment's length is known.
                    const float L = SAV_Length_at_Date(seg, "", ndp_);
                    if (L > 0 && km > L && km - L < 0.2f) km = L;
                }
            }

            std::string date;
            if (optUseDate.Value()) {
                date = useDate_;
            } else if (optDateFromExcel.Value()) {
                const office::Range cell = ws.Cells(row, dateCol_);
                if (!XL_CellIsEmpty(cell)) {
                    const std::string where = std::to_string(row) + "," + std::to_string(dateCol_);
                    bool good = false;
                    try {
                        good = Cell_Date(cell.Value(), date);
                    } catch (const office::Error&) {
                    }
                    if (!good) {
                        ui::MsgBox("Invalid date at cell " + where + ". Aborting.", ui::vbExclamation, "Error");
                        SDF_Cancel = true;
                        return;
                    }
                    if (date < "1980-01-01") {
                        ui::MsgBox("Date invalid or earlier than 1980-01-01 in cell " + where + ". Aborting.",
                                   ui::vbExclamation, "Error");
                        SDF_Cancel = true;
                        return;
                    }
                }
            }
            if (date.empty() && seg == "0550") date = "2011-01-01";

            bool obs = false, split = false;
            std::string checkVersion;
            if (!target_.empty()) {
                Hemzshift_ToVersion(date, seg, " ", km, target_, outSeg, outKm, obs, steps, split);
                checkVersion = target_;
            } else {
                Hemzshift_Translate(date, seg, " ", km, outSeg, outKm, obs, steps, split);
                checkVersion = lastTarget_;
            }
            if (steps == 0) {
                int32_t status = 0;
                Hemzshift_CheckLocn(checkVersion, outSeg, outKm, status);
                if (status < 0) {
                    outSeg = "BAD";
                    outKm = static_cast<float>(status);
                }
            }
        }
    }

    office::Range segCell = ws.Cells(row, colTgtSeg);
    office::Range kmCell = ws.Cells(row, colTgtKm);
    if (outSeg.empty())
        segCell.ClearContents();
    else
        segCell.SetValue(outSeg);
    if (outKm == -1.0f || kmBlank)
        kmCell.ClearContents();
    else
        kmCell.SetValue(Format_Km2(outKm));

    const std::string head = outSeg.substr(0, 3);
    const bool bad = head == "ERR" || head == "BAD";
    if (steps < 1) {
        segCell.SetColorIndex(bad ? 45 : 0);
        kmCell.SetColorIndex(bad ? 45 : 0);
    } else {
        segCell.SetColorIndex(bad ? 6 : 38);
        kmCell.SetColorIndex(outKm < 0 ? 6 : 38);
    }
}

void frmHemzshiftExcel::cmdTransform_Click() {
    Scan_Init();
    if (!Validate_Inputs()) return;
    if (!HMZ_Open_Database(target_)) return;
    WorksheetRun run;
    if (!run.Open(file_, sheet_)) {
        if (run.ReadFailed) return;
        const std::string why = sheet_ == "active" ? std::string("Unable to find an active instance of Excel.") +
                                                         "\r\n" + "Make sure there is just one instance of Excel running."
                                                   : std::string("Unable to create an Excel instance.") + "\r\n" +
                                                         "Make sure there are no instances of Excel running.";
        ui::MsgBox(why + "\r\n\r\n" + "(Use the Windows task manager to check for and kill hidden Excel processes.)",
                   ui::vbExclamation, "Excel open error");
        return;
    }
    ws_ = run.Ws;
    if (lastRow_ == 0) {
        lastRow_ = XL_lastrow(ws_, firstRow_, colSrcSeg1_);
        if (lastRow_ < firstRow_) {
            ws_ = nullptr;
            run.Abandon();
            return;
        }
    }
    Hemzshift_InitDLL(ndp_, "", Data_Folder(DataKind::Translation));
    if (target_.empty()) Hemzshift_GetLastTarget(lastTarget_);
    run.BeginRows();
    SDF_Cancel = false;
    MainForm& m = TheMainForm();
    try {
        for (row_ = firstRow_; row_ <= lastRow_ && row_ > 0; ++row_) {
            m.ShowStatus("Processing Excel row " + std::to_string(row_));
            Row_Transform(row_, colSrcSeg1_, colSrcKm1_, colTgtSeg1_, colTgtKm1_);
            if (SDF_Cancel) break;
            if (colSrcSeg2_ > 0) {
                Row_Transform(row_, colSrcSeg2_, colSrcKm2_, colTgtSeg2_, colTgtKm2_);
                if (SDF_Cancel) break;
            }
            if (row_ == 32767) break;
        }
    } catch (const ui::CommandAbandoned&) {
        ws_ = nullptr;
        throw;
    } catch (const std::exception& e) {
        ws_ = nullptr;
        Show_Row_Error(row_, e);
        return;
    }
    ws_ = nullptr;
    if (SDF_Cancel)
        m.ShowStatus("*** Transform aborted at row " + std::to_string(row_) + " ***", true);
    else
        m.ShowStatus("Finished transforming rows " + std::to_string(firstRow_) + " to " + std::to_string(lastRow_) +
                         " to HMZ version " + (target_.empty() ? lastTarget_ : target_),
                     true);
    run.Finish();
}
