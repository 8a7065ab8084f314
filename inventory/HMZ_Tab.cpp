#include "inventory/HMZ_Tab.h"

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Dates.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
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

std::string trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
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
    return decimal::Format(v, "0.#######");
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
    if (trimmed(km).empty()) {
        refuse("Enter a Km.", f.txtHMZ_km);
        return;
    }
    double k = 0;
    if (!decimal::ParseDouble(km, k)) {
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
    if (trimmed(d).empty()) d = SAV_Effective_Date(seg);
    if (trimmed(d).empty())
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

void cmdHMZhelp_Click() {
    Shell_Command("Notepad", AppFolder + "HMZhelp.txt", vbNormalFocus);
}
