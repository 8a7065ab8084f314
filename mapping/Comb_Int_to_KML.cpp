#include "mapping/Comb_Int_to_KML.h"

#include <vector>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/HMZ_util_noDB.h"
#include "common/KML_Text.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/LatLon_to_SegKm.h"
#include "inventory/Locn_LatLon.h"
#include "mapping/CollisionKML.h"
#include "platform/db/db.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* kTitle = "Comb_Int_to_KML";
constexpr int16_t kMaxFields = 200;

void Show(const std::string& mes) {
    tessawin::WriteStatus(mes, true, "\r\n");
}

// The number a count field starts with; 0 when it holds none.
double Val(const std::string& s) {
    double v = 0;
    return decimal::ParseDouble(s, v) ? v : 0;
}

std::string UpTo(const std::string& s, char c) {
    return s.substr(0, s.find(c));
}

}  // namespace

int16_t Comb_Int_to_KML(const std::string& HMZversion, const std::string& InFile, const std::string& OutFolder) {
    InputFile in;
    if (!in.Open(InFile)) {
        ui::MsgBox(FileOpenErrorMsg("input", InFile, in.error()), ui::vbExclamation, kTitle);
        return 0;
    }
    std::string line;
    bool eof = false, heading = false;
    while (!eof) {
        Read_Line(in, line, eof);
        if (line.compare(0, 5, "Group") == 0) {
            heading = true;
            break;
        }
    }
    if (!heading || eof) {
        ui::MsgBox("No heading record found in input file.", ui::vbExclamation, kTitle);
        return 0;
    }
    Show("Analysing header record.");
    Set_CSV_Quote("\"");
    Set_CSV_Separator(",");
    std::vector<std::string> heads(kMaxFields + 1);
    int16_t nHeads = 0;
    CSV_Split(line, heads, nHeads);
    for (int16_t i = 1; i <= nHeads; ++i) heads[i] = Squeeze_Upper(StripQuotes(heads[i]));
    auto col = [&](const char* name) {
        int16_t c = 0;
        Find_Str(name, heads, nHeads, c);
        return c;
    };
    const int16_t cGroup = col("GROUPID"), cSeg = col("SEG"), cKm = col("KM"), cReg = col("REG"),
                  cDist = col("DIST"), cArea = col("AREA"), cN = col("#CLSN"), cFat = col("FAT#CLSN"),
                  cInj = col("INJ#CLSN"), cPdo = col("PDO#CLSN"), cDesc = col("DESCRIPTION"),
                  cLmType = col("LMKTYPE"), cAdt = col("ADT"), cClass = col("CLASS"), cNode = col("NODE");
    int16_t cHwy = col("HIGHWAY");
    if (cHwy == 0) cHwy = col("HWY");
    const std::pair<int16_t, const char*> required[] = {
        {cGroup, "GROUPID"}, {cHwy, "HIGHWAY or HWY"}, {cSeg, "SEG"},         {cKm, "KM"},
        {cReg, "REG"},       {cDist, "DIST"},          {cArea, "AREA"},       {cN, "#CLSN"},
        {cFat, "FAT#CLSN"},  {cInj, "INJ#CLSN"},       {cPdo, "PDO#CLSN"},    {cLmType, "LMKTYPE"},
        {cAdt, "ADT"},       {cClass, "CLASS"},        {cNode, "NODE"}};
    for (const auto& [c, name] : required) {
        if (c > 0) continue;
        ui::MsgBox(std::string("No ") + name + " field found in the heading record of " + InFile, ui::vbExclamation,
                   kTitle);
        return 0;
    }

    const std::string outPath = AddBackslash(OutFolder) + FileBaseName(InFile) + ".kml";
    OutputFile out;
    if (!KML_Start(out, outPath, kTitle)) return 0;
    if (!HMZ_Open_Database(HMZversion)) return 0;  // the unfinished output is dropped
    Init_LocnLatLon(HMZversion, 1, 1, 0);

    KML_Line(out, "<name>" + KML_Text(FileBaseName(InFile)) + "</name>");
    KML_Line(out, "<description>");
    KML_Line(out, "Created " + collisions::NowGeneralDate().substr(0, 16) + " by Tessawin ");
    KML_Line(out, " from file " + KML_Text(InFile));
    KML_Line(out, "</description>");
    Show("Converting to KML.");

    std::vector<std::string> f(kMaxFields + 1);
    int32_t placed = 0, unfound = 0, lineNo = 0;
    bool cancelled = false;
    auto stop = [&](const std::string& message) {
        out.Discard();
        HMZ_Close_Database();
        ui::MsgBox(message, ui::vbExclamation, kTitle);
        return static_cast<int16_t>(0);
    };
    try {
        while (!eof) {
            Read_Line(in, line, eof);
            ++lineNo;
            if (line.compare(0, 8, "========") == 0) break;
            if (collisions::IsBlankLine(line)) continue;  // not a location
            for (auto& s : f) s.clear();
            int16_t n = 0;
            CSV_Split(line, f, n);
            for (int16_t i = 1; i <= n; ++i) f[i] = StripQuotes(f[i]);
            const std::string seg = Pad_Code4(UpTo(f[cSeg], '/'));
            const std::string kmText = UpTo(f[cKm], '/');
            double km = 0;
            if (!decimal::ParseDouble(kmText, km) || km < 0 || km > 3276)
                return stop("Invalid KM value \"" + f[cKm] + "\" for ID " + f[cGroup] + " on data line " +
                            std::to_string(lineNo) + " of " + InFile);
            const int16_t hm = Km_to_hm(static_cast<float>(km));
            const std::string lmType = collisions::Trimmed(f[cLmType]);
            std::string description;
            if (cDesc > 0) {
                description = f[cDesc];
            } else if (!lmType.empty()) {
                db::Recordset rs = hmz_DB.open_recordset(
                    "SELECT Description FROM Landmark WHERE Segment = " + SQL_Str(seg) +
                    " AND Cint((Km * 10) + 0.001) = " + std::to_string(hm) + " AND LmType = " + SQL_Str(lmType));
                if (!rs.eof()) description = rs.field("Description").as_text();
            }
            double lat = 0, lon = 0;
            int16_t src = 0;
            GetLocnLatLon_Hm(seg, hm, lat, lon, src);
            if (lat == 0) {
                if (ui::MsgBox("No Lat Lon found for ID " + f[cGroup] + " Locn " + seg + " " + f[cKm],
                               ui::vbOKCancel, kTitle) == ui::vbCancel) {
                    cancelled = true;
                    break;
                }
                ++unfound;
                continue;
            }
            const int16_t sev = KML_Severity(Val(f[cFat]) > 0 ? 1 : 0, Val(f[cInj]) > 0 ? 1 : 0);
            const std::string name = f[cN] + " - " + f[cFat] + "/" + f[cInj] + "/" + f[cPdo];
            auto row = [&](const std::string& label, const std::string& value) {
                KML_Line(out, "<tr><td>" + label + "<td>" + KML_Text(value) + "</tr>");
            };
            KML_Line(out, "<Placemark>");
            KML_Line(out, KML_StyleUrl(sev));
            KML_Line(out, "<name>" + KML_Text(name) + "</name>");
            KML_Line(out, "<description> <![CDATA[");
            KML_Line(out, "<h2>Collision-Prone Location</h2>");
            KML_Line(out, "<table width=400>");
            row("ID", f[cGroup]);
            row("Highway", f[cHwy]);
            row("HMZ Segment", f[cSeg]);
            row("HMZ Km", f[cKm]);
            if (!description.empty()) row("Description", description);
            if (!f[cNode].empty()) row("HMZ Node", f[cNode]);
            row("Landmark Type", lmType);
            row("ADT", f[cAdt]);
            row("Hwy Class", f[cClass]);
            row("Reg/Dist/Area", f[cReg] + " / " + f[cDist] + " / " + f[cArea]);
            KML_Line(out, "<tr><td> #Collisions<td>" + KML_Text(name) + " (Total-Fat/Inj/PDO)</tr>");
            row("HMZ Version", HMZversion);
            KML_Line(out, "</table>");
            KML_Line(out, "]]>");
            KML_Line(out, "</description><Point><coordinates>");
            KML_Line(out, Format_Coord(lon) + "," + Format_Coord(lat) + ",0</coordinates></Point></Placemark>");
            ++placed;
        }
    } catch (const db::Error& e) {
        return stop("Database error " + std::to_string(e.number()) + " at data line " + std::to_string(lineNo) +
                    " of " + InFile + ":\r\n" + e.description());
    }
    in.Close();
    HMZ_Close_Database();
    if (!KML_Finish(out, kTitle)) return 0;
    if (cancelled) {
        Show("Process Cancelled");
    } else {
        Show("File " + outPath + " Completed.");
        Show(std::to_string(placed) + " placemarks written.");
    }
    if (unfound > 0) Show("Could not find LatLon for " + std::to_string(unfound));
    return -1;
}

namespace mapping {

void cmdCombInt2KML_Click(MainForm& form) {
    form.ShowStatus("", false);
    if (!form.GetFileName(form.SSA_Folder, form.SSA_File, form.ssa_folder, form.ssa_file, form.ssa_fullname))
        return;
    std::string out;
    if (!form.Check_OutFolder(out)) return;
    const std::string version = Check_HMZ_Version_Text(form.SSA_HMZversion);
    if (version.empty()) return;
    ui::Hourglass wait;
    Comb_Int_to_KML(version, form.ssa_fullname, out);
}

}  // namespace mapping
