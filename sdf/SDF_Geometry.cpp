#include "sdf/SDF_Geometry.h"

#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "inventory/GeoDBmod.h"
#include "platform/text/xml_text.h"

std::string SegLatLon_Seg;
std::string SegLatLon_GeoDB;
int32_t SegLatLon_Count = 0;
std::vector<SegLatLonPoint> SegLatLon_Pts;
OutputFile* KmlMainFile = nullptr;

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
    if (!KmlMainFile) return;
    KmlMainFile->Write(Format_Coord(lon) + "," + Format_Coord(lat) + ",0\r\n");
}

std::string KML_Text(const std::string& s) {
    return XML_Escape(text::xml_safe(s));
}

std::string KML_CData(const std::string& s) {
    return Replace_All(text::xml_safe(s), "]]>", "]]]]><![CDATA[>");
}
