#include "mapping/Case_LatLon.h"

#include <string_view>
#include <vector>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/FormSettings.h"
#include "common/KML_Text.h"
#include "common/TessawinMod.h"
#include "common/TextFile.h"
#include "mapping/CollisionKML.h"
#include "platform/settings/settings.h"
#include "platform/shell/browser_pages.h"
#include "platform/shell/scratch.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* kValidationPage = "VRQ860";
constexpr const char* kNoViewer = "Cannot find Google Earth executable";

std::vector<CaseLatLonEntry>& Table() {
    static std::vector<CaseLatLonEntry> table(1);
    return table;
}

// The last n characters (not bytes) of a UTF-8 text.
std::string LastChars(const std::string& s, std::size_t n) {
    std::size_t pos = s.size();
    while (n > 0 && pos > 0) {
        --pos;
        while (pos > 0 && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) --pos;
        --n;
    }
    return s.substr(pos);
}

bool Qualifies(shell::BrowserPage& page) {
    return page.Title().find(kValidationPage) != std::string::npos && page.IsHtml();
}

// Writes the one-placemark file; "" and a box when it cannot be written.
std::string WritePlacemarkFile(const std::string& Label, const std::string& Lat, const std::string& Lon,
                               std::string& Status) {
    const std::string folder = shell::PrivateTempFolder();
    const std::string name = SafeFileLabel(Label) + ".kml";
    if (folder.empty()) {
        Status = FileOpenErrorMsg("output", AddBackslash(shell::Environ("temp")) + name);
        ui::MsgBox(Status, ui::vbExclamation, "GoogleMapLatLon");
        return "";
    }
    const std::string file = folder + name;
    OutputFile out(file);
    if (out.is_open()) {
        KML_Line(out, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
        KML_Line(out, "<kml xmlns=\"http://www.opengis.net/kml/2.2\">");
        KML_Line(out, "<Placemark>");
        KML_Line(out, "<name>" + KML_Text(Label) + "</name>");
        KML_Line(out, "<Point>");
        KML_Line(out, "   <coordinates>" + KML_Text(Lon) + "," + KML_Text(Lat) + ",0" + "</coordinates>");
        KML_Line(out, "</Point>");
        KML_Line(out, "</Placemark>");
        KML_Line(out, "</kml>");
        if (out.Close()) return file;
    }
    Status = FileOpenErrorMsg("output", file, out.error());
    ui::MsgBox(Status, ui::vbExclamation, "GoogleMapLatLon");
    return "";
}

}  // namespace

int32_t CaseLatLon_Count() {
    return static_cast<int32_t>(Table().size()) - 1;
}

const CaseLatLonEntry& CaseLatLon_Entry(int32_t i) {
    return Table().at(static_cast<std::size_t>(i));
}

void CaseLatLon_Forget() {
    Table().assign(1, CaseLatLonEntry{});
}

int Browser_DebuggingPort() {
    const std::string text = TrimSpaces(settings::GetSetting(kSettingsApp, "Browser", "DebuggingPort", ""));
    int port = 0;
    if (text.empty() || text.size() > 5) return shell::kDefaultDebuggingPort;
    for (char c : text) {
        if (c < '0' || c > '9') return shell::kDefaultDebuggingPort;
        port = port * 10 + (c - '0');
    }
    return port >= 1 && port <= 65535 ? port : shell::kDefaultDebuggingPort;
}

std::string SafeFileLabel(const std::string& Label) {
    std::string out;
    out.reserve(Label.size());
    for (char c : Label) {
        const auto u = static_cast<unsigned char>(c);
        const bool bad = u < 0x20 || u == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
        out += bad ? '_' : c;
    }
    return out;
}

// Every non-blank line is kept, however many there are.
void LoadLatLon() {
    MainForm& form = TheMainForm();
    const std::string File = AddBackslash(form.txtBatchFolder.Text()) + "latlon.csv";
    if (!FileExists(File)) {
        const std::string mes = "File " + File + " not found.";
        ui::MsgBox(mes, ui::vbExclamation, "LoadLatLon");
        form.ShowStatus(mes, true, CRLF);
        return;
    }
    form.ShowStatus("Loading case-latlon table from " + File, true, CRLF);
    InputFile in(File);
    if (!in.is_open()) {
        const std::string mes = FileOpenErrorMsg("input", File, in.error());
        ui::MsgBox(mes, ui::vbExclamation, "LoadLatLon");
        form.ShowStatus(mes, true, CRLF);
        return;
    }
    std::vector<CaseLatLonEntry> table(1);
    bool at_end = false;
    while (!at_end && !in.AtEnd()) {
        std::string line;
        Read_Line(in, line, at_end);
        if (TrimSpaces(line).empty()) continue;
        CaseLatLonEntry e;
        CSV_GetField(line, 1, e.Case);
        CSV_GetField(line, 3, e.Lat);
        CSV_GetField(line, 4, e.Lon);
        table.push_back(std::move(e));
    }
    Table() = std::move(table);
}

void LookupCaseLatLon(const std::string& Case, std::string& Lat, std::string& Lon, std::string& Status) {
    MainForm& form = TheMainForm();
    Lat.clear();
    Lon.clear();
    Status.clear();
    form.txtLatLon.SetText("");
    if (CaseLatLon_Count() == 0) LoadLatLon();
    if (CaseLatLon_Count() == 0) {
        Status = "LoadLatLon failed.";
        return;
    }
    const CaseLatLonEntry* found = nullptr;
    for (int32_t i = 1; i <= CaseLatLon_Count() && !found; ++i)
        if (Table()[static_cast<std::size_t>(i)].Case == Case) found = &Table()[static_cast<std::size_t>(i)];
    // A case listed without coordinates has no location either.
    if (!found || found->Lat.empty() || found->Lon.empty()) {
        Status = "No LatLon found for " + Case;
        ui::MsgBox(Status, ui::vbOKOnly);
        return;
    }
    Lat = found->Lat;
    Lon = found->Lon;
    const std::string text = Lat + ", " + Lon;
    form.txtLatLon.SetText(text);
    if (form.chkClipboard.Value() != ui::vbChecked) return;

    bool cancelled = false;
    while (!ui::Clipboard_Clear()) {
        Status = "Clipboard Clear Failed";
        if (ui::MsgBox(Status, ui::vbRetryCancel + ui::vbExclamation) == ui::vbCancel) {
            cancelled = true;
            break;
        }
    }
    while (!cancelled && !ui::Clipboard_SetText(text)) {
        Status = "Clipboard SetText Failed";
        if (ui::MsgBox(Status, ui::vbRetryCancel + ui::vbExclamation) == ui::vbCancel) cancelled = true;
    }
    if (cancelled)
        form.ShowStatus(Lat + ", " + Lon + " NOT copied to clipboard.", true, CRLF);
    else
        form.ShowStatus(text + " copied to clipboard.", true, CRLF);
}

void MapCase(const std::string& Case, std::string& Status) {
    Status.clear();
    std::string Lat, Lon;
    LookupCaseLatLon(Case, Lat, Lon, Status);
    if (!Lat.empty()) GoogleMapLatLon(Case, Lat + ", " + Lon, Status);
}

void GoogleMapLatLon(const std::string& Label, const std::string& LatLon, std::string& Status) {
    Status.clear();
    MainForm& form = TheMainForm();
    if (form.optEarth.Value()) {
        const std::string Lat = CSV_Field(LatLon, 1);
        const std::string Lon = CSV_Field(LatLon, 2);
        const std::string file = WritePlacemarkFile(Label, Lat, Lon, Status);
        if (file.empty()) return;
        const std::string viewer = shell::FindGlobeViewer();
        if (viewer.empty()) {
            ui::MsgBox(kNoViewer, ui::vbExclamation, "GoogleMapLatLon");
            Status = kNoViewer;  // so the command does not report the case as mapped
            return;
        }
        if (!Shell_Command("cmd.exe /C \"" + viewer + "\"", file, vbHide)) Status = "Google Earth was not started.";
        return;
    }
    // One argument, encoded: the location cannot become options of the
    // browser or a second address.
    const shell::LaunchResult r = shell::OpenWebPage(kMapSearchPage + shell::PercentEncode(LatLon));
    if (r.started) return;
    Status = "Error " + std::to_string(r.error) + CRLF + r.error_text;
    ui::MsgBox(Status, ui::vbOKOnly);
}

std::string GetCaseFromVRQ860() {
    ui::Hourglass busy;
    const auto provider = shell::CurrentBrowserPages(Browser_DebuggingPort());
    bool seen = false;
    for (const auto& page : provider->Pages()) {
        if (!Qualifies(*page)) continue;
        seen = true;
        for (const std::string& text : page->TextsOfTag("th"))
            if (text.compare(0, 20, "Collision Validation") == 0) return LastChars(text, 8);
    }
    if (!seen) ui::MsgBox("Could not find VRQ860 window", ui::vbExclamation, "GetCaseFromVRQ860");
    return "";
}

std::string GetLatLonFromVRQ860() {
    ui::Hourglass busy;
    const auto provider = shell::CurrentBrowserPages(Browser_DebuggingPort());
    bool seen = false;
    for (const auto& page : provider->Pages()) {
        if (!Qualifies(*page)) continue;
        seen = true;
        const auto value = page->ValueOfFirstNamed("workingLatLong");
        if (!value) continue;
        if (TrimSpaces(*value).empty() || value->compare(0, 4, "null") == 0) {
            ui::MsgBox("There is no working Latitude, Longitude on VRQ860", ui::vbExclamation, "GetLatLonFromVRQ860");
            return "";
        }
        return *value;
    }
    ui::MsgBox("Could not an html element with name=workingLatLong in the VRQ860 window", ui::vbExclamation,
               "GetLatLonFromVRQ860");
    if (!seen) ui::MsgBox("Could not find VRQ860 window", ui::vbExclamation, "GetLatLonFromVRQ860");
    return "";
}
