#include "inventory/HMZ_Tab.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "common/WholeNumber.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Dates.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
#include "inventory/LatLon_to_SegKm.h"
#include "inventory/Locn_LatLon.h"
#include "inventory/frmHMZLatLon.h"
#include "inventory/frmHemzshiftExcel.h"
#include "platform/ui/ui.h"

// The region, district and area lines come from the inventory database of
// one version, in a module of its own.
#if __has_include("inventory/ShowSegRegDistArea.h")
#include "inventory/ShowSegRegDistArea.h"
#define HAVE_SHOW_SEG_REG_DIST_AREA 1
#endif

namespace {

void refuse(const std::string& message, ui::TextBox& box) {
    ui::MsgBox(message, ui::vbExclamation | ui::vbOKOnly);
    box.SetFocus();
}

bool segment_given(MainForm& f) {
    if (f.txtHMZ_Segment.Text().size() == 4) return true;
    refuse("Enter a 4-digit HMZ segment number", f.txtHMZ_Segment);
    return false;
}

// "1" or "2" exactly.
bool decimals_given(MainForm& f, int16_t& ndp) {
    const std::string& t = f.txtHMZ_NDP.Text();
    if (t == "1" || t == "2") {
        ndp = static_cast<int16_t>(t[0] - '0');
        return true;
    }
    refuse("Enter # Decimal Places as 1 or 2 to indicate accuracy of calculations and results.", f.txtHMZ_NDP);
    return false;
}

// A single as plain number text (7 significant digits, no trailing zeros).
std::string plain_number(float v) {
    std::string t = decimal::Format(v, "0.#######");
    if (!t.empty() && t.back() == '.') t.pop_back();
    return t;
}

constexpr const char* kFindTitle = "cmdFindClosestHMZLocations_Click";

void refuse_find(const std::string& message, ui::TextBox& box) {
    ui::MsgBox(message, ui::vbExclamation | ui::vbOKOnly, kFindTitle);
    box.SetFocus();
}

// The km in whole hectometres, when it has a 16-bit count of them.
bool hm_of(float km, int16_t& hm) {
    const long double r = std::nearbyintl(static_cast<long double>(km) * 10 + 0.001L);
    if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max())) return false;
    hm = Km_to_hm(km);
    return true;
}

// Commas become blanks and degree signs go, in UTF-8 or in Windows-1252.
std::string latlon_words(const std::string& text) {
    std::string t = Replace_All(text, ",", " ");
    t = Replace_All(t, "\xC2\xB0", "");
    t = Replace_All(t, "\xB0", "");
    return t;
}

}  // namespace

void Get_HMZ_Location_Inputs(std::string& Segment, float& Km, std::string& DateText, bool& Valid) {
    MainForm& f = TheMainForm();
    Valid = false;
    // A date the database and the library would compare wrongly, or a day
    // that does not exist, is refused here rather than answered.
    if (!Normal_HMZ_Date(f.txtHMZ_date.Text(), DateText)) {
        refuse("Invalid date.  Enter a date in yyyy-mm-dd format", f.txtHMZ_date);
        return;
    }
    if (!segment_given(f)) return;
    Segment = f.txtHMZ_Segment.Text();
    const std::string km = f.txtHMZ_km.Text();
    if (TrimSpaces(km).empty()) {
        refuse("Enter a Km.", f.txtHMZ_km);
        return;
    }
    double k = 0;
    // A km a single cannot hold would reach the lookups as infinity.
    if (!decimal::ParseDouble(km, k) || !(std::fabs(k) <= FLT_MAX)) {
        refuse("Invalid Km.", f.txtHMZ_km);
        return;
    }
    if (k < 0) {
        refuse("Km must be non-negative.", f.txtHMZ_km);
        return;
    }
    Km = static_cast<float>(k);
    Valid = true;
}

void cmdShowSeg_Click() {
    MainForm& f = TheMainForm();
    if (!segment_given(f)) return;
    const std::string seg = f.txtHMZ_Segment.Text();
    ShowSegHistory(seg);
#ifdef HAVE_SHOW_SEG_REG_DIST_AREA
    ShowSegRegDistArea(seg);
#endif
    // Until the inventory database module is built, Show ends with the
    // history: ShowSegRegDistArea(seg) is called here once it exists.
}

void txtHMZ_Segment_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii == 13) cmdShowSeg_Click();
}

void cmdGetSegDate_Click() {
    MainForm& f = TheMainForm();
    if (!segment_given(f)) return;
    const std::string seg = f.txtHMZ_Segment.Text();
    std::string d = Hemzshift_GetSegDate(seg);
    if (TrimSpaces(d).empty()) d = SAV_Effective_Date(seg);
    if (TrimSpaces(d).empty())
        ui::MsgBox("There is no record of " + seg + " ever being a valid segment number!",
                   ui::vbInformation | ui::vbOKOnly);
    f.txtHMZ_date.SetText(d);
}

void cmdHMZ_ShowTrans_Click() {
    MainForm& f = TheMainForm();
    std::string seg, date;
    float km = 0;
    bool valid = false;
    Get_HMZ_Location_Inputs(seg, km, date, valid);
    if (!valid) return;
    const std::string code = f.txtHMZ_Direction.Text();
    int16_t ndp = 0;
    if (!decimals_given(f, ndp)) return;
    const float length = SAV_Length_at_Date(seg, date, ndp);
    if (length == 0.0f) {
        f.txtHMZ_Segment.SetFocus();
        if (date.empty())
            ui::MsgBox("There is no record of " + seg + " ever being a valid segment number!",
                       ui::vbExclamation | ui::vbOKOnly);
        else
            ui::MsgBox("There was no segment " + seg + " in effect on " + date, ui::vbExclamation | ui::vbOKOnly);
        return;
    }
    if (length < km) {
        refuse("Km is greater than the segment length " + plain_number(length), f.txtHMZ_km);
        return;
    }
    Hemzshift_ShowAll(date, seg, code, km, ndp);
}

void cmdHMZ_LatLon_Click() {
    MainForm& f = TheMainForm();
    std::string seg, date;
    float km = 0;
    bool valid = false;
    Get_HMZ_Location_Inputs(seg, km, date, valid);
    if (!valid) return;
    int16_t ndp = 0;
    if (!decimals_given(f, ndp)) return;
    Init_LocnLatLon("", ndp, 0, 0);

    double lat = 0, lon = 0;
    int16_t src = -9;
    if (ndp == 1) {
        // A km of more hectometres than the lookup counts has no position.
        int16_t hm = 0;
        if (hm_of(km, hm)) GetLocnLatLon_Hm(seg, hm, lat, lon, src);
    } else {
        GetLocnLatLon_Km(seg, km, lat, lon, src);
    }

    if (src == -8) {
        const std::string mes = "Location " + seg + " km " + Format_Km(km, ndp) +
                                " is not a valid location in HMZ version " + GeoDB_HMZversion + "." + "\r\n" +
                                "Nor does it transform to a valid location in that version.";
        f.ShowStatus(mes, true);
        ui::MsgBox(mes, ui::vbExclamation | ui::vbOKOnly);
        return;
    }
    if (src == -9) {
        const std::string mes = "Latitude & longitude not available for segment " + seg + " km " + plain_number(km);
        f.ShowStatus(mes, true);
        ui::MsgBox(mes, ui::vbExclamation | ui::vbOKOnly);
        return;
    }
    const std::string latlon = Format_Coord(lat) + "," + Format_Coord(lon);
    f.ShowStatus(seg + " " + Format_Km(km, ndp) + " LatLon: " + latlon, true);
    int32_t Y = 0, X = 0;
    Naltalbers_XY(lat, lon, Y, X);
    f.ShowStatus("   Nalt Albers X,Y: " + std::to_string(X) + "," + std::to_string(Y), true);
    while (!ui::Clipboard_Clear())
        if (ui::MsgBox("Clipboard Clear Failed", ui::vbRetryCancel + ui::vbExclamation) == ui::vbCancel) return;
    while (!ui::Clipboard_SetText(latlon))
        if (ui::MsgBox("Clipboard SetText Failed", ui::vbRetryCancel + ui::vbExclamation) == ui::vbCancel) return;
}

void cmdFindClosestHMZLocations_Click() {
    MainForm& f = TheMainForm();
    const std::string words = latlon_words(f.txtHMZ_LatLon.Text());
    if (Word_Count(words) != 2) {
        refuse_find("Enter latitude and longitude, comma or space separated, in decimal degrees.", f.txtHMZ_LatLon);
        return;
    }
    const std::string w1 = Nth_Word(words, 1), w2 = Nth_Word(words, 2);
    double lat = 0, lon = 0;
    // Beyond the poles or round the globe the flat-earth distances mean nothing.
    if (!decimal::ParseDouble(w1, lat) || !(std::fabs(lat) <= 90)) {
        refuse_find("Invalid Latitude: " + w1, f.txtHMZ_LatLon);
        return;
    }
    if (!decimal::ParseDouble(w2, lon) || !(std::fabs(lon) <= 180)) {
        refuse_find("Invalid Longitude: " + w2, f.txtHMZ_LatLon);
        return;
    }
    int16_t showRange = 0;
    if (!Whole_Number(f.txtHMZ_ShowRange.Text(), showRange)) {
        refuse_find("Enter the maximum distance of close HMZ Locations to show.", f.txtHMZ_ShowRange);
        return;
    }
    int32_t range = 0;
    if (!Whole_Number(f.txtHMZ_Range.Text(), range)) {
        refuse_find("Enter the search range in metres.", f.txtHMZ_Range);
        return;
    }
    if (range <= 0) {
        refuse_find("Enter a positive number of metres.", f.txtHMZ_Range);
        return;
    }
    const std::string version = Check_HMZ_Version_Text(f.txtHMZ_HMZversion);
    if (version.empty()) return;
    const std::string shortVersion = version.substr(0, 6);

    GeoDB_Init("TRgeo", 0);
    if (!GeoDB_db.is_open()) return;

    int16_t n = 0;
    std::vector<std::string> segs;
    std::vector<float> kms;
    std::vector<int32_t> dists;
    Closest_HMZ_Locns(lat, lon, range, n, segs, kms, dists);
    if (n == 0) {
        f.ShowStatus("No HMZ geometry inflection points found within " + std::to_string(range) + " metres.", true);
        return;
    }
    f.ShowStatus(std::to_string(n) + (n > 1 ? " HMZ segments found." : " HMZ segment found."), true);
    Init_LocnLatLon(version, 2, 0, 0);
    for (int16_t i = 1; i <= n; ++i) {
        if (dists[i] > showRange) break;
        std::string seg = segs[i];
        float km = kms[i];
        if (shortVersion != GeoDB_HMZversion) {
            int32_t status = 0;
            Hemzshift_CheckLocn(version, seg, km, status);
            if (status < 0) {
                bool obs = false, split = false;
                int32_t steps = 0;
                Hemzshift_ToVersion("", segs[i], " ", kms[i], shortVersion, seg, km, obs, steps, split);
            }
        }
        std::string line = std::to_string(i) + ":" + Format_Right_I(dists[i], 5) + " metres to " + seg +
                           Format_Right(decimal::Value(km), 8, 3);
        if (seg != segs[i]) line += " (trans)";
        double la = 0, lo = 0;
        int16_t src = 0;
        GetLocnLatLon_Geo(seg, km, la, lo, src);
        if (la != 0) line += " at " + decimal::Format(la, "#0.000000") + " " + decimal::Format(lo, "###0.000000");
        f.ShowStatus(line, true);
    }
}

void cmdSegKmLatLonExcel_Click() {
    The_frmHMZLatLon().Show(ui::vbModeless);
}

void cmdHMZTransformsInExcel_Click() {
    The_frmHemzshiftExcel().Show(ui::vbModeless);
}

void cmdHMZhelp_Click() {
    if (Help_File_Found(AppFolder + "HMZhelp.txt")) Shell_Command("Notepad", AppFolder + "HMZhelp.txt", vbNormalFocus);
}
