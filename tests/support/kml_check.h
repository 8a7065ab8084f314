// Reading back the KML the program writes: parsed as XML (pugixml), and read
// by a real KML reader (gpsbabel, converting to GPX).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <pugixml.hpp>
#include <string>
#include <vector>

namespace kmlcheck {

struct Placemark {
    std::string name, style, description;
    std::vector<std::string> coordinates;  // every <coordinates> text, in order
    bool has_line = false;
};

// Every Placemark of a KML file. The file must parse as well-formed XML and
// have the kml root in the KML 2.2 namespace; every prefix used is declared.
inline std::vector<Placemark> ReadKml(const std::string& path, std::string* docName = nullptr) {
    std::vector<Placemark> out;
    pugi::xml_document doc;
    const pugi::xml_parse_result r = doc.load_file(path.c_str(), pugi::parse_default | pugi::parse_declaration);
    EXPECT_TRUE(r) << path << ": " << r.description() << " at byte " << r.offset;
    if (!r) return out;
    const pugi::xml_node kml = doc.child("kml");
    EXPECT_STREQ(kml.attribute("xmlns").value(), "http://www.opengis.net/kml/2.2");
    // every prefixed element's namespace is declared on the root
    for (const pugi::xpath_node& n : doc.select_nodes("//*[contains(name(), ':')]")) {
        const std::string name = n.node().name();
        const std::string prefix = name.substr(0, name.find(':'));
        EXPECT_FALSE(kml.attribute(("xmlns:" + prefix).c_str()).empty()) << name << " undeclared in " << path;
    }
    if (docName) *docName = kml.child("Document").child_value("name");
    for (const pugi::xpath_node& n : doc.select_nodes("//Placemark")) {
        Placemark p;
        p.name = n.node().child_value("name");
        p.style = n.node().child_value("styleUrl");
        p.description = n.node().child("description").text().get();
        for (const pugi::xpath_node& c : n.node().select_nodes(".//coordinates")) {
            std::string t = c.node().text().get();
            const size_t b = t.find_first_not_of(" \r\n\t");
            const size_t e = t.find_last_not_of(" \r\n\t");
            p.coordinates.push_back(b == std::string::npos ? "" : t.substr(b, e - b + 1));
        }
        p.has_line = !n.node().select_nodes(".//LineString").empty();
        out.push_back(p);
    }
    return out;
}

// What gpsbabel reads from a KML file: points (Placemarks with a Point) and
// tracks (LineStrings).
struct Reading {
    struct Point {
        std::string name;
        double lat = 0, lon = 0;
    };
    std::vector<Point> waypoints;
    struct Track {
        std::string name;
        std::vector<Point> points;
    };
    std::vector<Track> tracks;
    bool ok = false;
};

inline Reading Gpsbabel(const std::string& path) {
    Reading r;
    const std::string cmd = "gpsbabel -i kml -f '" + path + "' -o gpx -F - 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    EXPECT_NE(p, nullptr) << cmd;
    if (!p) return r;
    std::string gpx;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) gpx.append(buf, n);
    const int rc = ::pclose(p);
    EXPECT_EQ(rc, 0) << "gpsbabel could not read " << path << " (is gpsbabel installed?):\n" << gpx;
    if (rc != 0) return r;
    pugi::xml_document doc;
    const pugi::xml_parse_result pr = doc.load_string(gpx.c_str());
    EXPECT_TRUE(pr) << gpx;
    for (pugi::xml_node w : doc.child("gpx").children("wpt"))
        r.waypoints.push_back({w.child_value("name"), w.attribute("lat").as_double(), w.attribute("lon").as_double()});
    for (pugi::xml_node t : doc.child("gpx").children("trk")) {
        Reading::Track tr;
        tr.name = t.child_value("name");
        for (pugi::xml_node pt : t.child("trkseg").children("trkpt"))
            tr.points.push_back({"", pt.attribute("lat").as_double(), pt.attribute("lon").as_double()});
        r.tracks.push_back(tr);
    }
    r.ok = pr;
    return r;
}

}  // namespace kmlcheck
