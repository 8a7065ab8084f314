#include "sdf/SDF_KML.h"

#include <cerrno>
#include <cmath>
#include <fstream>
#include <iterator>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/HMZ_util_noDB.h"
#include "common/KML_Text.h"
#include "common/TessawinMod.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "platform/db/db.h"
#include "platform/ui/ui.h"
#include "sdf/SDF_Geometry.h"
#include "sdf/SDF_Utils.h"
#include "sdf/frmSDF_KML.h"

bool KmlEndpoints = false;
bool KmlKmMarks = false;
float KmlKmInterval = 0;
bool KmlTableBorders = false;
int32_t KmlSectionsWritten = 0;

namespace {

constexpr const char* kTitle = "SDF_KML_Linestrings";
constexpr const char* CRLF = "\r\n";
const std::string kIconServer = "http://maps.google.com";

// What the run writes to: the main document, and the two scratch files.
OutputFile* endpointsFile = nullptr;
OutputFile* kmMarksFile = nullptr;
std::string docName;

// A section's elements are gathered here and written only once the section
// is complete, so an abandoned section leaves nothing behind.
struct SectionText {
    std::string main, endpoints, kmMarks;
} pending;

void Show(const std::string& mes) {
    tessawin::WriteStatus(mes, true, CRLF);
}

void Main(const std::string& line) {
    pending.main += line;
    pending.main += CRLF;
}

std::string Coord(double lat, double lon) {
    return Format_Coord(lon) + "," + Format_Coord(lat) + ",0";
}

std::string IconLine(const std::string& path) {
    return "        <href>" + kIconServer + path + "</href>";
}

std::string Km2(float km) {
    return Format_Km2(km);
}

// The scratch file at TempFolder & name, or null after the error box.
bool OpenScratch(OutputFile& f, const std::string& name) {
    const std::string path = TempFolder + name;
    int err = 0;
    if (TempFolder.empty())
        err = ENOENT;
    else if (!f.Open(path))
        err = f.error();
    if (err == 0) return true;
    const tessawin::ErrorInfo e = tessawin::ErrorFromErrno(err);
    ui::MsgBox(std::to_string(e.number) + ": " + e.description + CRLF + "opening " + path, ui::vbExclamation,
               kTitle);
    return false;
}

// Closes a scratch file and gives back what it holds.
std::string ScratchText(OutputFile& f) {
    const std::string path = f.path();
    if (!f.Close()) return "";
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct RunFiles {
    OutputFile main, endpoints, kmMarks;
    ~RunFiles() {
        KmlMainFile = nullptr;
        KmlSectionText = nullptr;
        endpointsFile = nullptr;
        kmMarksFile = nullptr;
    }
};

void WriteHead(OutputFile& out) {
    const auto w = [&](const std::string& line) { out.Write(line + CRLF); };
    w("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    w("<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">");
    w("<Document>");
    w("<open>1</open>");
    w("<name>" + KML_Text(docName) + "</name>");
    w("<description>");
    w("Geometry from " + KML_Text(FileNamePart(GeoDB_FileName)));
    w("</description>");
    KML_Write_LineStyle("Redline", "ff0000ff");
    KML_Write_LineStyle("Greenline", "ff00ff00");
    KML_Write_LineStyle("Yellowline", "ff00ffff");
    w("<Style id='HMZNode'>");
    w("   <IconStyle>");
    w("      <Icon>");
    w(IconLine("/mapfiles/kml/paddle/N.png"));
    w("      </Icon>");
    w("      <hotSpot x='32' y='1' xunits='pixels' yunits='pixels'/> ");
    w("   </IconStyle>");
    w("   <BalloonStyle>");
    w("      <text>$[description]</text>");
    w("   </BalloonStyle>");
    w("</Style>");
    if (KmlEndpoints) {
        for (const auto& [id, path] : {std::pair<const char*, const char*>{"startpoint", "/mapfiles/kml/paddle/1-lv.png"},
                                       {"endpoint", "/mapfiles/kml/paddle/2-lv.png"}}) {
            w(std::string("<Style id=\"") + id + "\">");
            w("   <IconStyle>");
            w("      <Icon>");
            w(IconLine(path));
            w("      </Icon>");
            w("      <scale>0.5</scale>");
            w("   </IconStyle>");
            w("</Style>");
        }
    }
    w("<Folder>");
    w("  <name>Section Lines</name>");
    w("  <visibility>1</visibility>");
    w("  <open>0</open>");
}

// Reads the options; false (focus on the box) when the km interval is wrong.
bool ReadOptions(frmSDF_KML& f) {
    KmlEndpoints = f.chkSDF_label_endpoints.Value() == ui::vbChecked;
    KmlKmMarks = f.chkSDF_MarkKms.Value() == ui::vbChecked;
    if (KmlKmMarks) {
        const std::string t = collisions::Trimmed(f.txtSDF_KmInterval.Text());
        double v = 0;
        const char* message = nullptr;
        if (!decimal::ParseDouble(t, v))
            message = "Enter the interval, to one decimal place, for labelling HMZ segment Kms in each section";
        else if (static_cast<float>(v) < 0.0999f)
            message = "Enter the a km interval, to one decimal place, >= 0.1";
        else if (decimal::Format(static_cast<float>(v), "##0.00").back() != '0')
            message = "Enter the the km interval with just one decimal place.";
        if (message) {
            ui::MsgBox(message, ui::vbExclamation, kTitle);
            f.txtSDF_KmInterval.SetFocus();
            return false;
        }
        KmlKmInterval = static_cast<float>(v);
    }
    KmlTableBorders = f.chkSDF_tableborders.Value() == ui::vbChecked;
    return true;
}

// The extra description fields of the option boxes into SDF_AuxFields.
void SetAuxFields(frmSDF_KML& f) {
    std::string list;
    for (ui::TextBox* box : f.txtSDF_auxfield.Elements()) {
        std::string t = collisions::Trimmed(box->Text());
        if (!t.empty() && t.back() == ',') t.pop_back();
        if (t.empty()) continue;
        list += (list.empty() ? "" : ",") + t;
    }
    std::vector<std::string> names, labels;
    const int16_t n = CSV_FieldCount(list);
    if (n > 0) {
        std::vector<std::string> entries(static_cast<size_t>(n) + 1);
        int16_t got = 0;
        CSV_Split(list, entries, got);
        for (int16_t k = 1; k <= got; ++k) {
            const std::string& e = entries[static_cast<size_t>(k)];
            const size_t colon = e.find(':');
            if (colon == std::string::npos) {
                names.push_back(e);
                labels.push_back(e);
            } else {
                labels.push_back(collisions::Trimmed(e.substr(0, colon)));
                // a blank after the colon is not part of the column's name
                names.push_back(collisions::Trimmed(e.substr(colon + 1)));
            }
        }
    }
    SDF_Set_AuxFields(names, labels);
}

// Reads and completes the sections and carries them into the geometry's
// version; false when the run ends here (the steps said why).
bool PrepareSections() {
    int16_t status = 0;
    SDF_Read(status);
    if (status != 0 || SDF_Count() < 1) return false;
    if (!HMZ_Open_Database(SDF_Version)) {
        Show("Could not open HMZ database");
        ui::MsgBox("Could not open HMZ database", ui::vbExclamation, kTitle);
        return false;
    }
    Load_Hwy_Seg_Table(SDF_Version);
    if (Hwy_Seg_Count <= 0) return false;
    SDF_Set_hms_and_nodes(status);
    if (status != 0) return false;
    GeoDB_Init("TRgeo", 0);
    if (!GeoDB_db.is_open()) return false;
    SDF_Seg_gfields(status);
    return status == 0;
}

}  // namespace

void KML_Write_LineStyle(const std::string& name, const std::string& colour) {
    OutputFile& out = *KmlMainFile;
    const auto w = [&](const std::string& line) { out.Write(line + CRLF); };
    w("<Style id=\"" + name + "\">");
    w("   <LineStyle>");
    w("     <color>" + colour + "</color>");
    w("     <width>3</width>");
    w("     <gx:labelVisibility>1</gx:labelVisibility>");
    w("   </LineStyle>");
    w("      <LabelStyle>");
    w("       <color>" + colour + "</color>");
    w("   </LabelStyle>");
    w("   <IconStyle>");
    w("      <color>" + colour + "</color>");
    w("      <Icon>");
    w(IconLine("/mapfiles/kml/shapes/placemark_square.png"));
    w("      </Icon>");
    w("   </IconStyle>");
    w("   <BalloonStyle>");
    w("      <text>$[description]</text>");
    w("   </BalloonStyle>");
    w("</Style>");
    if (!KmlKmMarks) return;
    w("<Style id=\"" + name + "Km\">");
    w("   <IconStyle>");
    w("      <color>" + colour + "</color>");
    w("      <Icon>");
    w(IconLine("/mapfiles/kml/pushpin/wht-pushpin.png"));
    w("      </Icon>");
    w("      <hotSpot x='20' y='2' xunits='pixels' yunits='pixels'/>");
    w("      <scale>0.8</scale>");
    w("   </IconStyle>");
    w("   <LabelStyle>");
    w("       <color>" + colour + "</color>");
    w("      <scale>0.8</scale>");
    w("   </LabelStyle>");
    w("</Style>");
}

void KML_Write_EndpointPlacemark(const std::string& kind, const std::string& seg, float km, double lat, double lon) {
    std::string& t = pending.endpoints;
    t += "<Placemark>" + std::string(CRLF);
    t += "<styleUrl>#" + kind + "point</styleUrl>" + CRLF;
    t += "<name>" + KML_Text(seg + " " + Km2(km)) + "</name>" + CRLF;
    t += "<Point><coordinates>" + std::string(CRLF);
    t += Coord(lat, lon) + CRLF;
    t += "</coordinates></Point></Placemark>" + std::string(CRLF);
}

void KML_Write_KmMarker(const std::string& style, const std::string& seg, float kmFrom, float kmTo) {
    const float w = KmlKmInterval;
    if (w <= 0) return;
    int32_t k = static_cast<int32_t>(std::lrint(kmFrom / w));
    while (static_cast<float>(k) * w <= kmFrom) ++k;
    for (; k < 10001 && static_cast<float>(k) * w < kmTo; ++k) {
        const float km = static_cast<float>(k) * w;
        std::string gSeg = seg;
        float gKm = km;
        if (SDF_Version != GeoDB_HMZversion) {
            bool obs = false, split = false;
            int32_t steps = 0;
            Hemzshift_ToVersion("", seg, "", km, GeoDB_HMZversion, gSeg, gKm, obs, steps, split);
        }
        double lat = 0, lon = 0;
        int16_t status = 0;
        GeoDB_LookupLatLon(true, gSeg, gKm, lat, lon, status);
        if (status < 1) continue;
        std::string& t = pending.kmMarks;
        t += "<Placemark>" + std::string(CRLF);
        t += "<styleUrl>#" + style + "Km</styleUrl>" + CRLF;
        t += "<name>" + Format_Km1(km) + "</name>" + CRLF;
        t += "<Point><coordinates>" + std::string(CRLF);
        t += Coord(lat, lon) + CRLF;
        t += "</coordinates></Point></Placemark>" + std::string(CRLF);
    }
}

void Write_1_section_KML(frmSDF_KML& options, SDF_Section& s, const std::string& style) {
    pending = SectionText();
    KmlSectionText = &pending.main;
    struct Release {
        ~Release() { KmlSectionText = nullptr; }
    } release;
    Load_SegLatLonKm(s.GeoSeg1);
    if (SegLatLon_Count == 0) return;
    const auto ticked = [](const ui::CheckBox& c) { return c.Value() == ui::vbChecked; };

    Main("<Placemark>");
    Main("<name>" + KML_Text(s.ID) + "</name>");
    Main("<styleUrl>#" + style + "</styleUrl>");
    Main("<description> <![CDATA[");
    if (ticked(options.chkInclude_Section_ID)) Main("<h3>Section: " + KML_Text(s.ID) + "</h3>");
    Main(KmlTableBorders ? "<table width=300 border=1>" : "<table width=300>");
    if (ticked(options.chkInclude_SDF_name)) Main("<tr><td>SDF<td>" + KML_Text(docName) + "</tr>");
    if (ticked(options.chkInclude_HMZ_version))
        Main("<tr><td><b>SDF HMZ Version</b><td>" + KML_Text(SDF_Version) + "</tr>");
    const auto ends = [&](const std::string& seg1, float km1, const std::string& seg2, float km2) {
        Main("<tr><td>Seg1 Km1<td>" + KML_Text(seg1) + " " + Km2(km1) + "</tr>");
        Main("<tr><td>Seg2 Km2<td>" + KML_Text(seg2) + " " + Km2(km2) + "</tr>");
    };
    if (ticked(options.chkInclude_Endpoint_SegKm)) ends(s.Seg1, s.Km1, s.Seg2, s.Km2);
    if (ticked(options.chkInclude_Description)) Main("<tr><td>Description<td>" + KML_Text(s.Note) + "</tr>");
    for (int16_t k = 1; k <= SDF_AuxFields.AuxCount; ++k) {
        if (SDF_AuxFields.Cols[static_cast<size_t>(k)] <= 0) continue;
        const std::string v =
            static_cast<size_t>(k) < s.AuxValues.size() ? s.AuxValues[static_cast<size_t>(k)] : std::string();
        Main("<tr><td>" + KML_Text(SDF_AuxFields.Labels[static_cast<size_t>(k)]) + "<td>" + KML_Text(v) + "</tr>");
    }
    if (s.GeoSeg1 != s.Seg1 || s.GeoSeg2 != s.Seg2) {
        Main("<tr><td><b>Geo HMZ Version</b><td>" + KML_Text(GeoDB_HMZversion) + "</tr>");
        ends(s.GeoSeg1, s.GeoKm1, s.GeoSeg2, s.GeoKm2);
    }
    Main("</table>");
    Main("]]>");
    Main("</description>");
    Main("<MultiGeometry>");
    Main("<LineString>");
    Main("<coordinates>");

    const auto pt = [](int32_t i) -> const SegLatLonPoint& { return SegLatLon_Pts[static_cast<size_t>(i)]; };
    const auto coord = [](double lat, double lon) { KML_Write_Coord(lat, lon); };
    const auto points = [](int32_t i, int32_t j) { KML_Write_GeoPoints(i, j); };

    // The start on the first segment's polyline.
    const int32_t m = SegLatLon_Count;
    int32_t h = 1;
    while (h <= m && pt(h).Km < s.GeoKm1) ++h;
    int32_t from = 0;  // first polyline point written after the start
    if (h > m) {
        if (s.GeoKm1 - pt(m).Km >= 0.1f) {
            ui::MsgBox("Section " + s.ID + " km1 > max geo km for segment " + s.GeoSeg1, ui::vbExclamation, kTitle);
            pending = SectionText();
            return;
        }
        h = m;
    }
    if (h > 1 && pt(h).Km - s.GeoKm1 >= 0.002f) {
        Interp_SegLatLon(h - 1, h, s.GeoKm1, s.Lat1, s.Lon1);
        coord(s.Lat1, s.Lon1);
        from = h;
    } else {
        s.Lat1 = pt(h).Lat;
        s.Lon1 = pt(h).Lon;
        from = h;
    }
    if (KmlEndpoints) KML_Write_EndpointPlacemark("start", s.Seg1, s.Km1, s.Lat1, s.Lon1);

    bool reachedEnd = true;
    int32_t searchFrom = from;
    if (s.GeoSeg1 != s.GeoSeg2) {
        points(from, m);
        for (int32_t r = s.SegIdx1 + 1; r < s.SegIdx2; ++r) {
            const std::string& seg = Hwy_Seg_Table[static_cast<size_t>(r)].Segment;
            Load_SegLatLonKm(seg);
            if (SegLatLon_Count == 0)
                Show("*** No geometry found for segment " + seg + " in section " + s.ID);
            else
                points(2, SegLatLon_Count);
        }
        Load_SegLatLonKm(s.GeoSeg2);
        if (SegLatLon_Count == 0) {
            Show("*** Section " + s.ID + " KML ending at HMZ node.");
            reachedEnd = false;
        } else {
            searchFrom = 2;
        }
    }
    if (reachedEnd) {
        const int32_t n = SegLatLon_Count;
        int32_t b = searchFrom;
        while (b <= n && pt(b).Km < s.GeoKm2) ++b;
        if (b > n) b = n;
        // b may be the first point searched: the end then lies in the span
        // before it, and no point of the search is written
        if (b > 1 && pt(b).Km - s.GeoKm2 >= 0.002f) {
            points(searchFrom, b - 1);
            Interp_SegLatLon(b - 1, b, s.GeoKm2, s.Lat2, s.Lon2);
            coord(s.Lat2, s.Lon2);
        } else {
            // a one-point polyline past the first segment: the end is that point
            points(searchFrom, b);
            s.Lat2 = pt(b).Lat;
            s.Lon2 = pt(b).Lon;
        }
        if (KmlEndpoints) KML_Write_EndpointPlacemark("end", s.Seg2, s.Km2, s.Lat2, s.Lon2);
    }
    if (KmlKmMarks) {
        if (s.Seg1 == s.Seg2) {
            KML_Write_KmMarker(style, s.Seg1, s.Km1, s.Km2);
        } else {
            KML_Write_KmMarker(style, s.Seg1, s.Km1, SAV_Length_at_Date(s.Seg1, "", 2));
            for (int32_t r = s.SegIdx1 + 1; r < s.SegIdx2; ++r) {
                const Hwy_Seg_Record& row = Hwy_Seg_Table[static_cast<size_t>(r)];
                KML_Write_KmMarker(style, row.Segment, 0, row.Length);
            }
            KML_Write_KmMarker(style, s.Seg2, 0, s.Km2);
        }
    }
    Main("</coordinates>");
    Main("</LineString>");

    // The label point: the middle of the section.
    std::string labelSeg = s.GeoSeg1;
    float labelKm = (s.GeoKm1 + s.GeoKm2) / 2;
    if (s.GeoSeg1 != s.GeoSeg2) {
        struct Piece {
            std::string seg;
            float from, to;
        };
        std::vector<Piece> pieces{{s.GeoSeg1, s.GeoKm1, SAV_Length_at_Date(s.GeoSeg1, "", 2)}};
        for (int32_t r = s.SegIdx1 + 1; r < s.SegIdx2; ++r) {
            const Hwy_Seg_Record& row = Hwy_Seg_Table[static_cast<size_t>(r)];
            pieces.push_back({row.Segment, 0, row.Length});
        }
        pieces.push_back({s.GeoSeg2, 0, s.GeoKm2});
        float total = 0;
        for (const Piece& p : pieces) total += std::max(0.0f, p.to - p.from);
        float half = total / 2;
        labelSeg = pieces.front().seg;
        labelKm = pieces.front().from;
        for (const Piece& p : pieces) {
            const float len = std::max(0.0f, p.to - p.from);
            labelSeg = p.seg;
            if (half <= len) {
                labelKm = p.from + half;
                break;
            }
            half -= len;
            labelKm = p.to;
        }
    }
    double lat = 0, lon = 0;
    int16_t status = 0;
    GeoDB_LookupLatLon(true, labelSeg, labelKm, lat, lon, status);
    if (status < 0) {
        ui::MsgBox("*** GeoDB_LookupLatLon status = " + std::to_string(status) + " for " + labelSeg + " " +
                       Km2(labelKm),
                   ui::vbExclamation, "Write_1_section_KML");
        lat = s.Lat1;
        lon = s.Lon1;
    }
    Main("<Point><coordinates>");
    coord(lat, lon);
    Main("</coordinates></Point>");
    Main("</MultiGeometry>");
    Main("</Placemark>");

    // Node markers: only nodes with a position.
    for (int16_t k = 1; k <= s.NodeCount; ++k) {
        const std::string& node = s.Nodes[static_cast<size_t>(k)];
        HMZ_Load_Node(node);
        if (HMZ_Node.count < 1 || (HMZ_Node.Latitude == 0 && HMZ_Node.Longitude == 0)) continue;
        Main("<Placemark>");
        Main("<styleUrl>#HMZNode</styleUrl>");
        Main("<description> <![CDATA[");
        Main("<h3>HMZ Node " + KML_Text(node) + "</h3>");
        Main("<table width=300>");
        Main("<tr><td><b>SDF HMZ Version</b><td>" + KML_Text(SDF_Version) + "</tr>");
        for (int32_t e = 1; e <= HMZ_Node.count; ++e) {
            float km = 0;
            double v = 0;
            if (decimal::ParseDouble(HMZ_Node.Km[static_cast<size_t>(e)], v)) km = static_cast<float>(v);
            Main("<tr><td>Segment " + KML_Text(HMZ_Node.Segment[static_cast<size_t>(e)]) + "<td>Km " + Km2(km) +
                 "</tr>");
        }
        Main("</table>");
        Main("]]>");
        Main("</description>");
        Main("<name></name>");
        Main("<Point><coordinates>");
        coord(HMZ_Node.Latitude, HMZ_Node.Longitude);
        Main("</coordinates></Point></Placemark>");
    }

    KmlMainFile->Write(pending.main);
    if (endpointsFile) endpointsFile->Write(pending.endpoints);
    if (kmMarksFile) kmMarksFile->Write(pending.kmMarks);
    pending = SectionText();
    ++KmlSectionsWritten;
}

void SDF_KML_Linestrings(frmSDF_KML& options) {
    docName = FileNamePart(SDF_Path);
    KmlSectionsWritten = 0;
    MainForm& form = TheMainForm();
    form.ShowStatus(std::string("Starting sub ") + "SDF_KML_Linestrings" + " for SDF file " + docName, false);
    if (!ReadOptions(options)) return;
    SetAuxFields(options);

    RunFiles files;
    try {
        if (!PrepareSections()) return;
        const std::string outPath = AddBackslash(SDF_OutFolder) + FileBaseName(SDF_Path) + ".kml";
        Show("Opening KML file " + outPath);
        if (!files.main.Open(outPath)) {
            ui::MsgBox(FileOpenErrorMsg("output", outPath, files.main.error()), ui::vbExclamation, kTitle);
            return;
        }
        KmlMainFile = &files.main;
        if (KmlEndpoints && !OpenScratch(files.endpoints, "endpoints.kml")) KmlEndpoints = false;
        if (KmlKmMarks && !OpenScratch(files.kmMarks, "kmmarks.kml")) KmlKmMarks = false;
        endpointsFile = KmlEndpoints ? &files.endpoints : nullptr;
        kmMarksFile = KmlKmMarks ? &files.kmMarks : nullptr;
        WriteHead(files.main);

        static const char* const kStyles[3] = {"Redline", "Greenline", "Yellowline"};
        const int32_t n = SDF_Count();
        for (int32_t i = 1; i <= n; ++i) {
            form.lblSDFprogress.SetCaption("Processing section " + std::to_string(i) + " of " + std::to_string(n));
            options.Refresh();
            SDF_Section& s = SDF_Sections[static_cast<size_t>(i)];
            if (s.GeoOK)
                Write_1_section_KML(options, s, kStyles[i % 3]);
            else
                Show("Section " + s.ID + " does not transform to GeoDB_HMZversion " + GeoDB_HMZversion);
        }
        form.lblSDFprogress.SetCaption("");
        const auto w = [&](const std::string& line) { files.main.Write(line + CRLF); };
        w("</Folder>");
        const auto folder = [&](OutputFile& scratch, const char* status, const char* name) {
            Show(status);
            const std::string body = ScratchText(scratch);
            w("<Folder>");
            w(std::string("  <name>") + name + "</name>");
            w("  <visibility>1</visibility>");
            w("  <open>0</open>");
            files.main.Write(body);
            w("</Folder>");
        };
        if (KmlEndpoints) folder(files.endpoints, "Adding endpoint placemarks to KML", "Section Endpoint Labels");
        if (KmlKmMarks) folder(files.kmMarks, "Adding Km markers to KML", "HMZ Segment Km Markers");
        w("</Document></kml>");
        KmlMainFile = nullptr;
        if (!files.main.Close()) {
            ui::MsgBox(FileOpenErrorMsg("output", outPath, files.main.error()), ui::vbExclamation, kTitle);
            return;
        }
        Show(std::to_string(KmlSectionsWritten) + " sections written to KML file " + docName);
    } catch (const db::Error& e) {
        form.lblSDFprogress.SetCaption("");
        ui::MsgBox("Database error " + std::to_string(e.number()) + ":" + CRLF + e.description(), ui::vbExclamation,
                   kTitle);
    }
}
