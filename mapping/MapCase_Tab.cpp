#include "mapping/MapCase_Tab.h"

#include <string>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "mapping/Case_LatLon.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* CRLF = "\r\n";

}  // namespace

void cmdMapLatLon_Click(MainForm& form) {
    form.ShowStatus("", false);
    std::string Text = TrimSpaces(form.txtLatLon.Text());
    if (Text.empty()) {
        ui::MsgBox("Enter a latitude and longitude in the LatLon field.", ui::vbExclamation, "cmdMapLatLon_Click");
        form.txtLatLon.SetFocus();
        return;
    }
    if (Text.find(',') == std::string::npos) {
        const auto blank = Text.find(' ');
        if (blank == std::string::npos) {
            ui::MsgBox("Lat and Lon must be separated by a comma or a space", ui::vbExclamation, "cmdMapLatLon_Click");
            form.txtLatLon.SetFocus();
            return;
        }
        Text[blank] = ',';
    }
    std::string squeezed;
    for (char c : Text)
        if (c != ' ') squeezed += c;
    std::string Label = form.txtAccase.Text();
    if (TrimSpaces(Label).empty()) Label = "NoCase";
    std::string Status;
    GoogleMapLatLon(Label, squeezed, Status);
}

void cmdGetLatLonMap_Click(MainForm& form) {
    form.ShowStatus("", false);
    const std::string Case = GetCaseFromVRQ860();
    form.txtAccase.SetText(Case);
    const std::string LatLon = GetLatLonFromVRQ860();
    form.txtLatLon.SetText(LatLon);
    if (LatLon.empty()) {
        form.ShowStatus("No LatLon obtained.", true, CRLF);
        return;
    }
    std::string Status;
    GoogleMapLatLon(Case, LatLon, Status);
    form.ShowStatus(Status.empty() ? "Mapped " + Case : Status, true, CRLF);
}

void cmdGetCaseLatlon_Click(MainForm& form) {
    form.ShowStatus("", false);
    const std::string Case = GetCaseFromVRQ860();
    form.ShowStatus(Case.empty() ? std::string("Failed to get case from screen VRQ860.") : "Case " + Case + CRLF, false);
    form.txtAccase.SetText(Case);
    if (Case.empty()) return;
    std::string Lat, Lon, Status;
    LookupCaseLatLon(Case, Lat, Lon, Status);
    if (!Status.empty()) form.ShowStatus(Status, true, CRLF);
}

// Maps only a case it was given: without one there is nothing to look up.
void cmdGetCaseMap_Click(MainForm& form) {
    form.ShowStatus("", false);
    const std::string Case = GetCaseFromVRQ860();
    form.ShowStatus(Case.empty() ? std::string("Failed to get case from screen VRQ860.") : "Case " + Case, false);
    form.txtAccase.SetText(Case);
    if (Case.empty()) return;
    std::string Status;
    MapCase(Case, Status);
    form.ShowStatus(Status.empty() ? std::string("Mapped.") : Status, true, CRLF);
}

void cmdMapCase_Click(MainForm& form) {
    const std::string Case = TrimSpaces(form.txtAccase.Text());
    if (Case.empty()) {
        ui::MsgBox("Enter a collision case number.", ui::vbOKOnly);
        form.txtAccase.SetFocus();
        return;
    }
    form.ShowStatus("Case " + Case, false);
    std::string Status;
    MapCase(Case, Status);
    form.ShowStatus(Status.empty() ? std::string("Mapped.") : Status, true, CRLF);
}

void cmdLookupLatLon_Click(MainForm& form) {
    const std::string Case = TrimSpaces(form.txtAccase.Text());
    if (Case.empty()) {
        ui::MsgBox("Enter a collision case number.", ui::vbOKOnly);
        form.txtAccase.SetFocus();
        return;
    }
    form.ShowStatus("Case " + Case, false);
    std::string Lat, Lon, Status;
    LookupCaseLatLon(Case, Lat, Lon, Status);
    if (!Status.empty()) form.ShowStatus(Status, true, CRLF);
}

void txtBatchFolder_Change(MainForm& form) {
    (void)form;
    CaseLatLon_Forget();
}

void txtAccase_Change(MainForm& form) {
    (void)form;
}

void MapCase_Attach(MainForm& form) {
    MainForm* f = &form;
    form.AddTabCommand(MainForm::kTabMapCase, "cmdMapLatLon", "Map LatLon", [f] { cmdMapLatLon_Click(*f); })
        .SetToolTipText("Enter LatLon, optional label in Case, Folder ignored.");
    form.AddTabCommand(MainForm::kTabMapCase, "cmdGetLatLonMap", "Get LatLon from VRQ860 and Map It",
                       [f] { cmdGetLatLonMap_Click(*f); });
    form.AddTabCommand(MainForm::kTabMapCase, "cmdGetCaseLatlon", "Get Case from VRQ860 and look up LatLon",
                       [f] { cmdGetCaseLatlon_Click(*f); });
    form.AddTabCommand(MainForm::kTabMapCase, "cmdLookupLatLon", "Look up LatLon from Case",
                       [f] { cmdLookupLatLon_Click(*f); });
    form.AddTabCommand(MainForm::kTabMapCase, "cmdMapCase", "Map Case", [f] { cmdMapCase_Click(*f); });
    form.AddTabCommand(MainForm::kTabMapCase, "cmdGetCaseMap", "Get Case from VRQ860 and Map It",
                       [f] { cmdGetCaseMap_Click(*f); });
    form.txtBatchFolder.OnChange = [f] { txtBatchFolder_Change(*f); };
    form.txtAccase.OnChange = [f] { txtAccase_Change(*f); };
}
