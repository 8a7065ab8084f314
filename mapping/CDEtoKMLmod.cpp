#include "mapping/CDEtoKMLmod.h"

#include <vector>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/KML_Text.h"
#include "common/TessawinMod.h"
#include "mapping/CollisionKML.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* kTitle = "Make_KML";
constexpr int16_t kMaxFields = 200;
constexpr int16_t kMaxDesc = 200;

void Show(const std::string& mes) {
    tessawin::WriteStatus(mes, true, "\r\n");
}

// The placemark being gathered and the open output.
struct Placemark {
    int16_t count = 0;
    int16_t killed = 0, injured = 0;
    int16_t sev[4] = {};
    std::string location;
    std::vector<std::string> desc;  // at most kMaxDesc
} pm;
OutputFile* kml = nullptr;

// Adds v to a 16-bit counter; false when it would pass 32767.
bool Add16(int16_t& total, int32_t v) {
    const int32_t t = total + v;
    if (t > 32767 || t < -32768) return false;
    total = static_cast<int16_t>(t);
    return true;
}

}  // namespace

void WriteKmlPlacemark(const std::string& Lat, const std::string& Lon) {
    OutputFile& out = *kml;
    KML_Line(out, "<Placemark>");
    KML_Line(out, KML_StyleUrl(pm.sev[1] > 0 ? 1 : pm.sev[2] > 0 ? 2 : 3));
    KML_Line(out, "<name>" + std::to_string(pm.count) + "</name>");
    KML_Line(out, "<description>");
    if (!pm.location.empty()) KML_Line(out, KML_Text(pm.location));
    KML_Line(out, std::to_string(pm.count) + (pm.count == 1 ? " collision." : " collisions."));
    for (int k = 1; k <= 3; ++k) {
        if (pm.sev[k] <= 0) continue;
        std::string t = std::to_string(pm.sev[k]) + " " + SevName[k];
        if (k == 1) t += ", " + std::to_string(pm.killed) + " killed.";
        if (k == 2) t += ", " + std::to_string(pm.injured) + " injured.";
        KML_Line(out, t);
    }
    KML_Line(out, "---------------");
    for (const std::string& d : pm.desc) KML_Line(out, KML_Text(d));
    KML_Line(out, "</description>");
    KML_Line(out, "<Point><coordinates>");
    KML_Line(out, KML_Text(Lon) + "," + KML_Text(Lat) + ",0");
    KML_Line(out, "</coordinates></Point></Placemark>");
}

int16_t Make_KML(const std::string& CdeFile, const std::string& OutFolder, const std::string& Name) {
    InputFile in;
    if (!in.Open(CdeFile)) {
        ui::MsgBox(FileOpenErrorMsg("input", CdeFile, in.error()), ui::vbExclamation, kTitle);
        return 0;
    }
    Show("Analysing header record.");
    std::string line;
    bool eof = false;
    Read_Line(in, line, eof);
    if (eof) {
        ui::MsgBox("File " + CdeFile + "\r\n" + "is empty.", ui::vbExclamation, kTitle);
        return 0;
    }
    Set_CSV_Quote("\"");
    Set_CSV_Separator(",");
    std::vector<std::string> heads(kMaxFields + 1), head3(kMaxFields + 1);
    std::vector<bool> listed(kMaxFields + 1, false);
    int16_t nHeads = 0;
    CSV_Split(line, heads, nHeads);
    for (int16_t i = 1; i <= nHeads; ++i) {
        heads[i] = StripQuotes(heads[i]);
        std::string h3 = heads[i].substr(0, 3);
        for (char& c : h3)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        head3[i] = h3;
        listed[i] = true;
    }
    auto need = [&](const std::vector<std::string>& arr, const std::string& key, const std::string& field,
                    int16_t& col) {
        if (Find_Str(key, arr, nHeads, col)) return true;
        ui::MsgBox("No " + field + " field found in the heading record of " + CdeFile, ui::vbExclamation,
                   "CDEtoKML");
        return false;
    };
    int16_t colLat = 0, colLon = 0, colKld = 0, colInj = 0;
    if (!need(head3, "LAT", "LAT", colLat) || !need(head3, "LON", "LON", colLon) ||
        !need(heads, "TOTALKLD", "TOTALKLD", colKld) || !need(heads, "TOTALINJ", "TOTALINJ", colInj))
        return 0;
    int16_t colHwy = 0, colLet = 0, colSeg = 0, colKm = 0;
    Find_Str("HIGHNUM", heads, nHeads, colHwy);
    Find_Str("HIGHLET", heads, nHeads, colLet);
    Find_Str("SEGNUM", heads, nHeads, colSeg);
    Find_Str("KMMARK", heads, nHeads, colKm);
    for (int16_t c : {colLat, colLon, colKld, colInj, colHwy, colLet, colSeg, colKm})
        if (c > 0) listed[c] = false;
    int16_t others = 0;
    for (int16_t i = 1; i <= nHeads; ++i)
        if (listed[i]) ++others;

    const std::string outPath = AddBackslash(OutFolder) + Name + ".kml";
    OutputFile out;
    if (!KML_Start(out, outPath, kTitle)) return 0;
    kml = &out;
    KML_Line(out, "<name>" + KML_Text(Name) + "</name>");
    pm = Placemark();
    std::string prevLat, prevLon;
    int32_t missing = 0, lineNo = 1;

    Show("Converting to KML.");
    std::vector<std::string> f(kMaxFields + 1);
    auto fail = [&](const std::string& message) {
        out.Discard();
        kml = nullptr;
        ui::MsgBox(message, ui::vbExclamation, kTitle);
        return static_cast<int16_t>(0);
    };
    while (!eof) {
        Read_Line(in, line, eof);
        ++lineNo;
        // a line break after the last record ends the file, it is not a record
        if (eof && collisions::IsBlankLine(line)) break;
        for (auto& s : f) s.clear();
        int16_t n = 0;
        CSV_Split(line, f, n);
        for (int16_t i = 1; i <= n; ++i) f[i] = StripQuotes(f[i]);
        const std::string& lat = f[colLat];
        const std::string& lon = f[colLon];
        if (lat.empty() || lon.empty()) {
            ++missing;
            continue;
        }
        if ((lat != prevLat || lon != prevLon) && pm.count > 0) {
            WriteKmlPlacemark(prevLat, prevLon);
            pm = Placemark();
        }
        int16_t killed = 0, injured = 0;
        if (!collisions::ToInt16(f[colKld], killed))
            return fail("Invalid TOTALKLD value \"" + f[colKld] + "\" on line " + std::to_string(lineNo) + " of " +
                        CdeFile);
        if (!collisions::ToInt16(f[colInj], injured))
            return fail("Invalid TOTALINJ value \"" + f[colInj] + "\" on line " + std::to_string(lineNo) + " of " +
                        CdeFile);
        const int16_t sev = KML_Severity(killed >= 1 ? 1 : 0, injured >= 1 ? 1 : 0);
        if (!Add16(pm.count, 1) || !Add16(pm.killed, killed) || !Add16(pm.injured, injured) ||
            !Add16(pm.sev[sev], 1))
            return fail("More than 32767 collisions, killed or injured at one location, at line " +
                        std::to_string(lineNo) + " of " + CdeFile);
        if (pm.count == 1) {
            pm.location.clear();
            if (colSeg > 0 && colKm > 0) {
                if (colHwy > 0) pm.location = "Hwy " + f[colHwy] + (colLet > 0 ? f[colLet] : "") + " ";
                pm.location += "Seg " + f[colSeg] + " Km " + f[colKm];
            }
        }
        if (others > 0 && static_cast<int16_t>(pm.desc.size()) < kMaxDesc) {
            bool full = false;
            auto add = [&](const std::string& d) {
                if (static_cast<int16_t>(pm.desc.size()) >= kMaxDesc) {
                    pm.desc[kMaxDesc - 1] = "...";
                    full = true;
                    return;
                }
                pm.desc.push_back(d);
            };
            if (pm.count > 1) add("---------------");
            const int16_t last = std::min(n, nHeads);
            for (int16_t i = 1; i <= last && !full; ++i)
                if (listed[i]) add(heads[i] + ": " + StripQuotes(f[i]));
        }
        prevLat = lat;
        prevLon = lon;
    }
    in.Close();
    if (pm.count > 0) WriteKmlPlacemark(prevLat, prevLon);
    kml = nullptr;
    if (!KML_Finish(out, kTitle)) return 0;
    Show("File " + outPath + " Completed.");
    if (missing > 0) {
        const std::string t = std::to_string(missing) + " input records were missing Lat or Lon data, so were ignored.";
        ui::MsgBox(t, ui::vbExclamation, ui::kProgramTitle);
        Show(t);
    }
    return -1;
}

namespace mapping {

void cmdKML_Click(MainForm& form) {
    form.ShowStatus("", false);
    std::string out;
    if (!form.GetCDEfilename() || !SameFolderOrConfirmed(form, out)) {
        form.ShowStatus("Problems!", true);
        return;
    }
    ui::Hourglass wait;
    if (Make_KML(form.cde_fullname, out, RemoveExtension(form.cde_file)) == 0) form.ShowStatus("Problems!", true);
}

}  // namespace mapping
