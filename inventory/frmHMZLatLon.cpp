#include "inventory/frmHMZLatLon.h"

#include <cfloat>
#include <cmath>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/DecimalFormat.h"
#include "common/Excel_Util.h"
#include "common/FormSettings.h"
#include "common/HMZ_util_noDB.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
#include "inventory/LatLon_to_SegKm.h"
#include "inventory/Locn_LatLon.h"
#include "inventory/Worksheet_Run.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* kSection = "HMZ_LatLon";

// The cell's number, when it holds one a single can carry; false for an
// empty cell, a text that is no number and a cell that cannot be read.
bool cell_number(office::Worksheet& ws, int32_t row, int32_t col, double& value) {
    try {
        const office::CellValue v = ws.Cells(row, col).Value();
        if (v.kind == office::CellValue::Empty) return false;
        if (v.kind == office::CellValue::Text && TrimSpaces(v.text).empty()) return false;
        value = v.ToNumber();
        return std::isfinite(value);
    } catch (const office::Error&) {
        return false;
    }
}

// The km's landmark key (hm or dam) has a whole number of its width.
bool km_key_fits(float km, int16_t ndp) {
    const long double x = std::nearbyintl(static_cast<long double>(km) * (ndp == 1 ? 10 : 100) + 0.001L);
    return ndp == 1 ? (x >= -32768 && x <= 32767) : (x >= -2147483648.0L && x <= 2147483647.0L);
}

}  // namespace

frmHMZLatLon& The_frmHMZLatLon() {
    static frmHMZLatLon form;
    return form;
}

frmHMZLatLon::frmHMZLatLon() : ui::Form("frmHMZLatLon", "HMZ to/from LatLon in Excel") {
    Layout();
    optActiveSheet.OnClick = [this] { optActiveSheet_Click(); };
    optExcelFile.OnClick = [this] { optExcelFile_Click(); };
    cmdBrowse.OnClick = [this] { cmdBrowse_Click(); };
    cmdClose.OnClick = [this] { cmdClose_Click(); };
    cmdCancel.OnClick = [this] { cmdCancel_Click(); };
    cmdHMZ_version_help.OnClick = [this] { cmdHMZ_version_help_Click(); };
    cmdSegKmtoLatLon.OnClick = [this] { cmdSegKmtoLatLon_Click(); };
    cmdLatLontoSegKm.OnClick = [this] { cmdLatLontoSegKm_Click(); };
}

void frmHMZLatLon::Layout() {
    Move(2400, 1800, 9600, 7440);
    lblIntro.SetCaption("One or Two conversions can be done in each Excel row.  Leave Seg 2 blank to do just one.");
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

    auto row = [&](ui::Label& l, const std::string& caption, ui::TextBox& box, int y, int w) {
        l.SetCaption(caption);
        l.Move(240, y + 45, 2600, 255);
        box.Move(2900, y, w, 315);
    };
    row(lblVersion, "HMZ Version:", txtLL_HMZversion, 2340, 1200);
    cmdHMZ_version_help.SetCaption("?");
    cmdHMZ_version_help.Move(4200, 2325, 375, 345);
    row(lblNdp, "# Decimal Places for km output:", txtLL_ndp, 2760, 450);
    row(lblRange, "Range (m):", txtLL_Range, 3180, 900);
    txtLL_Range.SetToolTipText("Range for selecting hwy geometry inflection points.");
    row(lblFirstRow, "First Row:", txtFirstRow, 3600, 900);
    row(lblLastRow, "Last Row:", txtLastRow, 4020, 900);
    txtLastRow.SetToolTipText("Leave blank for end of data");

    lblColumns.SetCaption("Columns (number or letter):");
    lblColumns.Move(240, 4500, 4000, 255);
    const int x0 = 1800, dx = 1200;
    int x = x0;
    for (ui::Label* l : {&lblSeg, &lblKm, &lblLat, &lblLon}) {
        l->Move(x, 4800, 1000, 255);
        x += dx;
    }
    lblSeg.SetCaption("Seg");
    lblKm.SetCaption("Km");
    lblLat.SetCaption("Lat");
    lblLon.SetCaption("Lon");
    lblLocn1.SetCaption("Location 1:");
    lblLocn1.Move(240, 5145, 1500, 255);
    lblLocn2.SetCaption("Location 2:");
    lblLocn2.Move(240, 5565, 1500, 255);
    x = x0;
    for (ui::TextBox* b : {&txtColSeg1, &txtColKm1, &txtColLat1, &txtColLon1}) {
        b->Move(x, 5100, 900, 315);
        x += dx;
    }
    x = x0;
    for (ui::TextBox* b : {&txtColSeg2, &txtColKm2, &txtColLat2, &txtColLon2}) {
        b->Move(x, 5520, 900, 315);
        x += dx;
    }

    cmdSegKmtoLatLon.SetCaption(">>>>");
    cmdSegKmtoLatLon.SetToolTipText("Convert HMZ Segment and Km to Latitude Longitude");
    cmdSegKmtoLatLon.Move(6840, 5040, 1200, 375);
    cmdLatLontoSegKm.SetCaption("<<<<");
    cmdLatLontoSegKm.SetToolTipText("Convert Latitude Longitude to HMZ Segment Km");
    cmdLatLontoSegKm.Move(6840, 5460, 1200, 375);
    cmdClose.SetCaption("Save and Close");
    cmdClose.Move(5400, 6300, 1800, 420);
    cmdCancel.SetCaption("Cancel");
    cmdCancel.Move(7440, 6300, 1800, 420);
    cmdCancel.SetCancel(true);
}

void frmHMZLatLon::Form_Load() {
    // First run: the sample workbook's columns (segment and km in A:B and
    // E:F, latitude and longitude in C:D and G:H), in a copy of the user's own.
    Form_Restore_Settings(*this, kSection,
                          {{"txtExcelFileName", Sample_Working_Copy_Name("HMZ_LatLon_sample.xlsx")},
                           {"txtWorksheet", "Locations"},
                           {"txtLL_Range", "200"},
                           {"txtFirstRow", "2"},
                           {"txtColSeg1", "A"},
                           {"txtColKm1", "B"},
                           {"txtColLat1", "C"},
                           {"txtColLon1", "D"},
                           {"txtColSeg2", "E"},
                           {"txtColKm2", "F"},
                           {"txtColLat2", "G"},
                           {"txtColLon2", "H"}});
    MainForm& m = TheMainForm();
    if (txtLL_HMZversion.Text().empty()) txtLL_HMZversion.SetText(m.txtHMZ_HMZversion.Text());
    if (txtLL_ndp.Text().empty()) txtLL_ndp.SetText(m.txtHMZ_NDP.Text());
    Default_Workbook_Choice(optActiveSheet, optExcelFile);
    EnableFileBoxes();
}

void frmHMZLatLon::EnableFileBoxes() {
    Enable_Workbook_Boxes(optExcelFile, txtExcelFileName, txtWorksheet);
}

void frmHMZLatLon::optActiveSheet_Click() {
    EnableFileBoxes();
}

void frmHMZLatLon::optExcelFile_Click() {
    EnableFileBoxes();
}

void frmHMZLatLon::cmdBrowse_Click() {
    Browse_Workbook(txtExcelFileName);
}

void frmHMZLatLon::cmdClose_Click() {
    Form_Save_Settings(*this, kSection);
    Hide();
}

void frmHMZLatLon::cmdCancel_Click() {
    Hide();
}

void frmHMZLatLon::cmdHMZ_version_help_Click() {
    ui::MsgBox(std::string("For converting TO Seg-Km, this is the target HMZ version.") + "\r\n\r\n" +
                   "For convting FROM Seg-Km, this is the HMZ version of the source Seg-Kms." + "\r\n" +
                   "If the HMZ version of the source Seg-Kms is unknown, or is mixed, first use " +
                   "the 'HMZ Transforms in Excel' function (on the HMZ tab) to transfrom all " +
                   "Seg-Kms to a recent HMZ version.",
               ui::vbInformation, "HMZ Version");
}

bool frmHMZLatLon::Check_ColNumber(ui::TextBox& box, bool required, int16_t& column) {
    return Check_Column(box, required, column);
}

bool frmHMZLatLon::Validate_Inputs() {
    file_.clear();
    sheet_.clear();
    version_.clear();
    ndp_ = 0;
    colSeg1_ = colKm1_ = colLat1_ = colLon1_ = 0;
    colSeg2_ = colKm2_ = colLat2_ = colLon2_ = 0;
    firstRow_ = lastRow_ = 0;
    range_ = 0;

    if (!Check_Workbook_Choice(optActiveSheet.Value(), txtExcelFileName, txtWorksheet, file_, sheet_)) return false;
    version_ = Check_HMZ_Version_Text(txtLL_HMZversion);
    if (version_.empty()) return false;
    version_ = version_.substr(0, 6);
    const std::string ndp = TrimSpaces(txtLL_ndp.Text());
    if (ndp != "1" && ndp != "2") {
        Refuse_Input("Number of km decimal places must be 1 or 2.", txtLL_ndp);
        return false;
    }
    ndp_ = static_cast<int16_t>(ndp[0] - '0');
    if (!Check_Rows(txtFirstRow, txtLastRow, firstRow_, lastRow_)) return false;

    if (!Check_Location_Columns({txtColSeg1, txtColKm1, txtColLat1, txtColLon1, colSeg1_, colKm1_, colLat1_, colLon1_},
                                {txtColSeg2, txtColKm2, txtColLat2, txtColLon2, colSeg2_, colKm2_, colLat2_, colLon2_}))
        return false;
    double range = 0;
    if (decimal::ParseDouble(txtLL_Range.Text(), range) && std::fabs(range) < 2147483647.0)
        range_ = static_cast<int32_t>(std::nearbyint(range));
    return true;
}

void frmHMZLatLon::Row_SegKm_to_LatLon(int16_t row, int16_t colSeg, int16_t colKm, int16_t colLat, int16_t colLon) {
    office::Worksheet& ws = *ws_;
    std::string seg;
    try {
        seg = Cell_Segment(ws.Cells(row, colSeg).Value());
    } catch (const office::Error&) {
        return;
    }
    if (seg.empty()) return;
    // A blank km is no km 0.
    double k = 0;
    if (!cell_number(ws, row, colKm, k) || !(std::fabs(k) <= FLT_MAX)) return;
    const float km = static_cast<float>(k);
    if (!km_key_fits(km, ndp_)) return;
    double lat = 0, lon = 0;
    int16_t src = 0;
    GetLocnLatLon_Km(seg, km, lat, lon, src);
    if (lat > 0) {
        ws.Cells(row, colLat).SetValue(Format_Coord(lat));
        ws.Cells(row, colLon).SetValue(Format_Coord(lon));
    }
}

void frmHMZLatLon::Row_LatLon_to_SegKm(int16_t row, int16_t colSeg, int16_t colKm, int16_t colLat, int16_t colLon) {
    office::Worksheet& ws = *ws_;
    double lat = 0, lon = 0;
    if (!cell_number(ws, row, colLat, lat) || !cell_number(ws, row, colLon, lon)) return;
    if (!(std::fabs(lat) <= 90) || !(std::fabs(lon) <= 180)) return;
    int16_t n = 0;
    std::string seg;
    float km = -1;
    int32_t dist = 0;
    Closest_HMZ_Locn(lat, lon, range_, n, seg, km, dist);
    if (n == 0) return;
    if (version_ != GeoDB_HMZversion) {
        int32_t status = 0;
        Hemzshift_CheckLocn(version_, seg, km, status);
        if (status < 0) {
            std::string s;
            float k = 0;
            bool obs = false, split = false;
            int32_t steps = 0;
            Hemzshift_ToVersion("", seg, " ", km, version_, s, k, obs, steps, split);
            seg = s;
            km = k;
        }
    }
    ws.Cells(row, colSeg).SetValue(seg);
    ws.Cells(row, colKm).SetValue(ndp_ == 1 ? Format_Km1(km) : Format_Km2(km));
}

void frmHMZLatLon::cmdSegKmtoLatLon_Click() {
    if (!Validate_Inputs()) return;
    if (!HMZ_Open_Database(version_)) return;
    WorksheetRun run;
    if (!run.Open(file_, sheet_)) return;
    ws_ = run.Ws;
    if (lastRow_ == 0) {
        lastRow_ = XL_lastrow(ws_, firstRow_, colSeg1_);
        if (lastRow_ < firstRow_) {
            ws_ = nullptr;
            run.Abandon();
            return;
        }
    }
    GeoDB_Init("TRgeo", 0);
    if (!GeoDB_db.is_open()) {
        ws_ = nullptr;
        run.Abandon();
        return;
    }
    Init_LocnLatLon(version_, ndp_, -1, 0);
    run.BeginRows();
    MainForm& m = TheMainForm();
    try {
        for (row_ = firstRow_; row_ <= lastRow_ && row_ > 0; ++row_) {
            m.ShowStatus("Processing Excel row " + std::to_string(row_));
            Row_SegKm_to_LatLon(row_, colSeg1_, colKm1_, colLat1_, colLon1_);
            if (colSeg2_ > 0) Row_SegKm_to_LatLon(row_, colSeg2_, colKm2_, colLat2_, colLon2_);
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
    m.ShowStatus("Finished processing rows " + std::to_string(firstRow_) + " to " + std::to_string(lastRow_));
    run.Finish();
}

void frmHMZLatLon::cmdLatLontoSegKm_Click() {
    if (!Validate_Inputs()) return;
    if (range_ <= 0) {
        Refuse_Input("Enter a range in metres to define how far from a LatLon to look for HMZ segment centreline "
                     "inflection points.",
                     txtLL_Range);
        return;
    }
    WorksheetRun run;
    if (!run.Open(file_, sheet_)) return;
    ws_ = run.Ws;
    GeoDB_Init("TRgeo", 0);
    if (!GeoDB_db.is_open()) {
        ws_ = nullptr;
        run.Abandon();
        return;
    }
    Hemzshift_InitDLL(ndp_, "", Data_Folder(DataKind::Translation));
    // The data ends where the first latitude column does.
    if (lastRow_ == 0) {
        lastRow_ = XL_lastrow(ws_, firstRow_, colLat1_);
        if (lastRow_ < firstRow_) {
            ws_ = nullptr;
            run.Abandon();
            return;
        }
    }
    run.BeginRows();
    MainForm& m = TheMainForm();
    try {
        for (row_ = firstRow_; row_ <= lastRow_ && row_ > 0; ++row_) {
            m.ShowStatus("Processing Excel row " + std::to_string(row_));
            Row_LatLon_to_SegKm(row_, colSeg1_, colKm1_, colLat1_, colLon1_);
            if (colLat2_ > 0) Row_LatLon_to_SegKm(row_, colSeg2_, colKm2_, colLat2_, colLon2_);
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
    m.ShowStatus("Finished processing rows " + std::to_string(firstRow_) + " to " + std::to_string(lastRow_));
    run.Finish();
}
