#include "sdf/SDF_Geometry.h"

#include <algorithm>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
#include "platform/ui/ui.h"
#include "sdf/SDF_Utils.h"

std::string SegLatLon_Seg;
std::string SegLatLon_GeoDB;
int32_t SegLatLon_Count = 0;
std::vector<SegLatLonPoint> SegLatLon_Pts;
OutputFile* KmlMainFile = nullptr;
std::string* KmlSectionText = nullptr;

namespace {
bool cache_filled = false;
}

void Load_SegLatLonKm(const std::string& seg) {
    // keyed by database too: a point list of another geometry file is stale
    if (cache_filled && seg == SegLatLon_Seg && GeoDB_FileName == SegLatLon_GeoDB) return;
    SegLatLon_Pts.assign(1, SegLatLonPoint{});
    SegLatLon_Count = 0;
    SegLatLon_Seg = seg;
    SegLatLon_GeoDB = GeoDB_FileName;
    cache_filled = false;
    db::Recordset rs = GeoDB_db.open_recordset(
        "SELECT Latitude, Longitude, KM_Scaled FROM SegLatLonKm"
        " WHERE Segment = " +
        SQL_Str(seg) + " ORDER BY RowNum");
    cache_filled = true;
    if (rs.eof()) {
        tessawin::WriteStatus("No LatLon data for HMZ segment " + seg, true);
        return;
    }
    while (!rs.eof()) {
        SegLatLonPoint p;
        p.Km = rs.field("KM_Scaled").as_single();
        p.Lat = rs.field("Latitude").as_double();
        p.Lon = rs.field("Longitude").as_double();
        SegLatLon_Pts.push_back(p);
        rs.move_next();
    }
    SegLatLon_Count = static_cast<int32_t>(SegLatLon_Pts.size()) - 1;
}

void Interp_SegLatLon(int32_t i, int32_t j, float km, double& lat, double& lon) {
    const SegLatLonPoint& a = SegLatLon_Pts[static_cast<size_t>(i)];
    const SegLatLonPoint& b = SegLatLon_Pts[static_cast<size_t>(j)];
    const double x = (static_cast<double>(km) - a.Km) / (static_cast<double>(b.Km) - a.Km);
    lat = a.Lat + x * (b.Lat - a.Lat);
    lon = a.Lon + x * (b.Lon - a.Lon);
}

void KML_Write_GeoPoints(int32_t i, int32_t j) {
    for (int32_t k = i; k <= j; ++k) {
        const SegLatLonPoint& p = SegLatLon_Pts[static_cast<size_t>(k)];
        KML_Write_Coord(p.Lat, p.Lon);
    }
}

void KML_Write_Coord(double lat, double lon) {
    const std::string line = Format_Coord(lon) + "," + Format_Coord(lat) + ",0\r\n";
    if (KmlSectionText)
        *KmlSectionText += line;
    else if (KmlMainFile)
        KmlMainFile->Write(line);
}

namespace {

constexpr int16_t kMaxUntranslatable = 500;

// Translation failures come back as these segment texts.
bool IsFailureSegment(const std::string& seg) {
    const std::string t = seg.substr(0, seg.find_last_not_of(' ') + 1);
    return t.empty() || t == "ERR" || t == "OFF" || t == "DEL";
}

void RepaintOptionsWindow() {
    if (ui::Form* w = ui::FindForm("frmSDF_KML")) w->Refresh();
}

}  // namespace

float SDF_Clamp_GeoKm(const std::string& seg, float km) {
    const float length = SAV_Length(seg, SDF_Version);
    if (length == -1.0f) return -1.0f;
    if (km <= length) return km;
    if (km - length < 0.1f) return length;
    return 0.0f;
}

void SDF_Seg_gfields(int16_t& status) {
    status = 0;
    const int32_t n = SDF_Count();
    if (SDF_Version == GeoDB_HMZversion) {
        for (int32_t j = 1; j <= n; ++j) {
            SDF_Section& s = SDF_Sections[static_cast<size_t>(j)];
            s.GeoSeg1 = s.Seg1;
            s.GeoKm1 = s.Km1;
            s.GeoSeg2 = s.Seg2;
            s.GeoKm2 = s.Km2;
            s.GeoOK = true;
        }
        return;
    }
    tessawin::WriteStatus("Transforming section definitions to GeoDB_HMZversion " + GeoDB_HMZversion, true);
    std::string last;
    Hemzshift_GetLastTarget(last);
    if (last.empty()) Hemzshift_InitDLL(2, "", "");

    std::vector<std::string> bad(1);
    int16_t nBad = 0;
    int32_t notListed = 0;  // distinct failing segments beyond the list's room
    int32_t translated = 0;
    ui::Label& progress = TheMainForm().lblSDFprogress;
    // One end into the geometry's version; false when it cannot be carried.
    auto carry = [&](const std::string& seg, float km, std::string& geoSeg, float& geoKm) {
        int32_t st = 0;
        Hemzshift_CheckLocn(GeoDB_HMZversion, seg, SDF_Clamp_GeoKm(seg, km), st);
        if (st >= 0) {
            geoSeg = seg;
            geoKm = km;
            return true;
        }
        bool obs = false, split = false;
        int32_t steps = 0;
        Hemzshift_ToVersion("", seg, "", km, GeoDB_HMZversion, geoSeg, geoKm, obs, steps, split);
        if (steps >= 1) ++translated;
        if (!IsFailureSegment(geoSeg)) return true;
        int16_t idx = 0;
        if (!Find_Str(seg, bad, nBad, idx)) {
            if (nBad < kMaxUntranslatable) {
                bad.push_back(seg);
                ++nBad;
            } else if (std::find(bad.begin() + kMaxUntranslatable + 1, bad.end(), seg) == bad.end()) {
                bad.push_back(seg);  // kept past the listed ones only to count each once
                ++notListed;
            }
        }
        return false;
    };
    for (int32_t j = 1; j <= n; ++j) {
        progress.SetCaption("Processing section " + std::to_string(j) + " of " + std::to_string(n));
        RepaintOptionsWindow();
        SDF_Section& s = SDF_Sections[static_cast<size_t>(j)];
        s.GeoOK = carry(s.Seg1, s.Km1, s.GeoSeg1, s.GeoKm1);
        if (s.GeoOK) s.GeoOK = carry(s.Seg2, s.Km2, s.GeoSeg2, s.GeoKm2);
    }
    progress.SetCaption("");
    tessawin::WriteStatus(std::to_string(translated) + " section endpoints transformed.", true);
    if (nBad == 0) return;
    std::string text =
        "Sections on the following HMZ segments will be omitted because they cannot be transformed to the the GeoDB "
        "HMZ version " +
        GeoDB_HMZversion + ":" + "\r\n";
    for (int16_t k = 1; k <= nBad; ++k) text += bad[static_cast<size_t>(k)] + " ";
    if (notListed > 0) text += "\xE2\x80\xA6 and " + std::to_string(notListed) + " more";
    tessawin::WriteStatus(text, true);
    if (ui::MsgBox(text, ui::vbOKCancel + ui::vbExclamation, "SDF_Seg_gfields") == ui::vbCancel) status = -1;
}
