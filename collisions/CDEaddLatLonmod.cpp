#include "collisions/CDEaddLatLonmod.h"

#include <cfloat>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/LatLon_to_SegKm.h"
#include "inventory/Locn_LatLon.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* kTitle = "CDEaddLatLon";
constexpr int16_t kMaxHeadings = 500;

void Show(const std::string& mes) {
    TheMainForm().ShowStatus(mes, true, CRLF);
}

std::string Upper3(const std::string& s) {
    std::string u = s.substr(0, 3);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

void Fail(const std::string& message) {
    Show(message);
    Show("*** Failed ***");
    ui::MsgBox(message, ui::vbExclamation, kTitle);
}

}  // namespace

void CDEaddLatLon(const std::string& version, const std::string& inFile, const std::string& outFile, bool addLatLon,
                  bool addAlbers) {
    Scan_Init();
    Show("Processing CDE file");
    Show("...Header");
    if (collisions::SameFile(inFile, outFile))
        return Fail("The output file " + outFile + CRLF + "is the input file itself.");
    InputFile in;
    if (!in.Open(inFile)) return Fail(FileOpenErrorMsg("input", inFile, in.error()));
    std::string heading;
    bool eof = false;
    Read_Line(in, heading, eof);
    if (eof) return Fail("File " + inFile + CRLF + "is empty.");
    std::vector<std::string> names(kMaxHeadings + 1);
    int16_t n = 0;
    CSV_Split(heading, names, n);
    for (int16_t i = 1; i <= n; ++i) names[static_cast<size_t>(i)] = StripQuotes(names[static_cast<size_t>(i)]);

    bool fromSegKm = true;
    int16_t latCol = 0, lonCol = 0;
    if (!addLatLon && addAlbers) {
        for (int16_t i = 1; i <= n; ++i) {
            if (Upper3(names[static_cast<size_t>(i)]) == "LAT") latCol = i;
            if (Upper3(names[static_cast<size_t>(i)]) == "LON") lonCol = i;
        }
        if (latCol > 0 && lonCol > 0) {
            const ui::MsgBoxResult r = ui::MsgBox(
                "The CDE file already contains Lat & Lon fields (fields " + std::to_string(latCol) + " and " +
                    std::to_string(lonCol) + ")" + CRLF + CRLF +
                    "Do you want Nalt Albers X & Y calculated from those fields?" + CRLF +
                    "(Otherwise new LatLons will be determined from Segment & Km.)",
                ui::vbYesNoCancel + ui::vbQuestion);
            if (r == ui::vbCancel) return;
            fromSegKm = r != ui::vbYes;
        }
    }
    int16_t segCol = 0, kmCol = 0;
    if (fromSegKm) {
        if (!Find_Str("SEGNUM", names, n, segCol) && !Find_Str("Segment Number", names, n, segCol))
            return Fail("No 'SEGNUM' or 'Segment Number' field found in the heading record of " + inFile);
        if (!Find_Str("KMMARK", names, n, kmCol) && !Find_Str("Km Mark", names, n, kmCol))
            return Fail("No 'KMMARK' or 'Km Mark' field found in the heading record of " + inFile);
    }

    OutputFile out;
    if (!out.Open(outFile)) return Fail(FileOpenErrorMsg("output", outFile, out.error()));
    out.Write(heading + (addLatLon ? ",Latitude,Longitude" : "") + (addAlbers ? ",NaltalbersX,NaltalbersY" : "") +
              CRLF);
    if (fromSegKm) Init_LocnLatLon(version, 1, 0, 0);
    Show("...Data");

    long long read = 1, written = 1, lookups = 0, projections = 0;
    // The last location asked for: its segment and its km as a Single; an
    // empty km, or one that is no number a Single holds, cannot be placed.
    std::string cacheSeg;
    float cacheKm = 0;
    bool cacheKmRead = false, cacheUsed = false;
    double lat = 0, lon = 0;
    bool placed = false;
    double projLat = -1, projLon = -1;
    int32_t X = 0, Y = 0;
    std::vector<std::string> fields(kMaxHeadings + 1);
    std::string line;
    try {
        while (!eof) {
            Read_Line(in, line, eof);
            if (eof && line.empty()) break;
            if (collisions::IsBlankLine(line)) continue;  // not a record
            ++read;
            if (read % 1000 == 0) {
                // the status box repaints; no other command can start meanwhile
                TheMainForm().ShowStatus("," + std::to_string(read), true, "");
                TheMainForm().Status.Refresh();
            }
            int16_t m = 0;
            CSV_Split(line, fields, m);
            auto field = [&](int16_t c) {
                return c <= m ? collisions::Trimmed(StripQuotes(fields[static_cast<size_t>(c)])) : std::string();
            };
            if (fromSegKm) {
                const std::string seg = Pad_Code4(field(segCol));
                const std::string kmText = field(kmCol);
                double d = 0;
                const bool kmRead = !kmText.empty() && decimal::ParseDouble(kmText, d) && std::fabs(d) <= FLT_MAX;
                const float km = kmRead ? static_cast<float>(d) : 0.0f;
                if (!cacheUsed || seg != cacheSeg || kmRead != cacheKmRead || km != cacheKm) {
                    cacheUsed = true;
                    cacheSeg = seg;
                    cacheKm = km;
                    cacheKmRead = kmRead;
                    placed = kmRead;
                    if (placed) {
                        int16_t src = 0;
                        lat = lon = 0;
                        GetLocnLatLon_Km(seg, km, lat, lon, src);
                        ++lookups;
                        placed = !(lat == 0 && lon == 0);
                    }
                }
            } else {
                const std::string a = field(latCol), b = field(lonCol);
                placed = !a.empty() && !b.empty();
                if (placed && (!decimal::ParseDouble(a, lat) || !decimal::ParseDouble(b, lon))) {
                    const std::string mes = "Error decoding Latitude or Longitude from fields " +
                                            std::to_string(latCol) + ", " + std::to_string(lonCol) + CRLF +
                                            "on input record " + std::to_string(read);
                    out.Discard();
                    return Fail(mes);
                }
            }
            std::string t = line;
            if (addLatLon) t += placed ? "," + Format_Coord(lat) + "," + Format_Coord(lon) : std::string(",,");
            if (addAlbers) {
                // a location not placed gets no grid values, not those of (0, 0)
                if (placed) {
                    if (lat != projLat || lon != projLon) {
                        Naltalbers_XY(lat, lon, Y, X);
                        ++projections;
                        projLat = lat;
                        projLon = lon;
                    }
                    t += "," + std::to_string(X) + "," + std::to_string(Y);
                } else {
                    t += ",,";
                }
            }
            out.Write(t + CRLF);
            ++written;
        }
    } catch (const std::exception& e) {
        out.Discard();
        return Fail("Error on input record " + std::to_string(read) + " of " + inFile + ":" + CRLF + e.what());
    }
    in.Close();
    if (!out.Close()) return Fail(FileOpenErrorMsg("output", outFile, out.error()));
    std::string sum = std::string("Processing complete.") + CRLF + CRLF + std::to_string(read - 1) +
                      " CDE collision records read from " + inFile + CRLF + std::to_string(lookups) +
                      " Seg/Km to LatLon calculations were done." + CRLF;
    if (addAlbers) sum += std::to_string(projections) + " LatLon to Nalt Albers calculations were done." + CRLF;
    sum += std::to_string(written - 1) + " CDE collision records written to " + outFile;
    Show(sum);
    ui::MsgBox(sum, ui::vbInformation, kTitle);
}
