// Writing the sample data set: Jet databases through our writer, and the
// translation library's text tables.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tools/jet_writer.h"
#include "tools/sample/sample_collisions.h"
#include "tools/sample/sample_geometry.h"
#include "tools/sample/sample_network.h"
#include "tools/sample/sample_sections.h"
#include "tools/sample/sample_volume.h"

namespace sample {

namespace fs = std::filesystem;

// A text file written beside its final name, then renamed into place.
void write_text_file(const fs::path& path, const std::string& content) {
    const fs::path tmp = path.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << content;
        out.close();
        if (!out) throw std::runtime_error("cannot write " + tmp.string());
    }
    fs::rename(tmp, path);
}

namespace {

using jet::Column;
using jet::Type;
using jet::Value;

const Value kNull{};

Value text(const std::string& s) {
    return s.empty() ? kNull : Value(s);
}
Value whole(std::int64_t v) {
    return Value(v);
}
Value real(double v) {
    return Value(v);
}
Value single(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(v));
    return Value(std::string(buf));
}
Value date(const std::string& d) {
    return d.empty() ? kNull : Value(d);
}

std::string km2(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(v));
    return buf;
}

const HighwayDef& highway_of(const Network& net, const Segment& s) {
    return net.desc.highways[static_cast<std::size_t>(s.highway)];
}

std::string inventory_name(const std::string& v) {
    return "HMZ_Data_" + v + ".mdb";
}
std::string geometry_name(const std::string& v) {
    return "TRgeo_HMZ" + v + "_SegGeometry.mdb";
}

bool from_2018(const std::string& v) {
    return v >= "201807";
}

void write_inventory(const Network& net, const Version& v, const fs::path& path) {
    jet::Writer w(path.string());
    const auto& d = net.desc;

    const int seg = w.add_table("Segment", {{"Segment", Type::Text, 4},
                                            {"Length", Type::Single},
                                            {"Begin_Node", Type::Text, 10},
                                            {"End_Node", Type::Text, 10},
                                            {"Begin_Continuity", Type::Text, 1},
                                            {"End_Continuity", Type::Text, 1},
                                            {"nway", Type::Integer},
                                            {"Highway_Number", Type::Integer},
                                            {"Highway_Letter", Type::Text, 1},
                                            {"Direction", Type::Text, 1},
                                            {"Search_Sequence", Type::Long},
                                            {"Opposite_Segment", Type::Text, 4},
                                            {"Description", Type::Text, 100}});
    for (const Segment& s : v.segments) {
        const HighwayDef& h = highway_of(net, s);
        w.add_row(seg, {s.code, s.length, s.begin_node, s.end_node, std::string(1, s.begin_cont),
                        std::string(1, s.end_cont), whole(s.nway), whole(h.number), text(h.letter), s.dir,
                        whole(s.sequence), text(s.opposite), s.description});
    }

    const int sa = w.add_table(
        "SegArea",
        {{"Segment", Type::Text, 4}, {"Start_Km", Type::Single}, {"End_km", Type::Single}, {"Area", Type::Integer}});
    for (const Segment& s : v.segments)
        for (const AreaRow& r : s.areas) w.add_row(sa, {s.code, single(r.start_km), single(r.end_km), whole(r.area)});

    const int area =
        w.add_table("Area", {{"Area", Type::Integer}, {"District", Type::Integer}, {"Name", Type::Text, 50}});
    for (const auto& [code, a] : d.areas) w.add_row(area, {whole(code), whole(a.first), a.second});
    const int district =
        w.add_table("District", {{"District", Type::Integer}, {"Region", Type::Integer}, {"Name", Type::Text, 50}});
    for (const auto& [code, a] : d.districts) w.add_row(district, {whole(code), whole(a.first), a.second});
    const int region = w.add_table("Region", {{"Region", Type::Integer}, {"Name", Type::Text, 50}});
    for (const auto& [code, name] : d.regions) w.add_row(region, {whole(code), name});

    const int cat = w.add_table("Class_Category", {{"Cat_Number", Type::Integer}, {"Name", Type::Text, 50}});
    for (const auto& [n, name] : d.categories) w.add_row(cat, {whole(n), name});
    const int sc = w.add_table("SegClass", {{"Segment", Type::Text, 4},
                                            {"Cat_Number", Type::Integer},
                                            {"Char_Code", Type::Text, 1},
                                            {"From_Date", Type::DateTime},
                                            {"To_Date", Type::DateTime},
                                            {"Start_Km", Type::Single},
                                            {"End_Km", Type::Single}});
    for (const Segment& s : v.segments)
        for (const ClassRow& r : s.classes)
            w.add_row(sc, {s.code, whole(r.category), std::string(1, r.code), date(r.from_date), date(r.to_date),
                           single(r.start_km), single(r.end_km)});

    const int lm = w.add_table("Landmark", {{"ID", Type::Long},
                                            {"Segment", Type::Text, 4},
                                            {"Km", Type::Single},
                                            {"LMnum", Type::Integer},
                                            {"LMtype", Type::Text, 2},
                                            {"Side", Type::Text, 1},
                                            {"Description", Type::Text, 100},
                                            {"Latitude", Type::Double},
                                            {"Longitude", Type::Double},
                                            {"LatLon_Source_ID", Type::Integer}});
    std::vector<const Landmark*> all;
    for (const Landmark& l : v.node_landmarks) all.push_back(&l);
    for (const Segment& s : v.segments)
        for (const Landmark& l : s.landmarks) all.push_back(&l);
    std::sort(all.begin(), all.end(), [](const Landmark* a, const Landmark* b) { return a->id < b->id; });
    for (const Landmark* l : all) {
        w.add_row(lm, {whole(l->id), l->segment, single(l->km), whole(l->lmnum), l->type, text(l->side),
                       text(l->description), l->coordinates ? real(l->lat) : kNull,
                       l->coordinates ? real(l->lon) : kNull, l->coordinates && l->source ? whole(l->source) : kNull});
    }

    if (from_2018(v.code)) {
        // The intersections this version's landmarks meet, and those no
        // landmark locates.
        std::map<int, std::int32_t> source;
        std::set<int> ever;
        for (const auto& m : d.landmarks)
            for (const auto& r : m.intersections) ever.insert(r.id);
        for (const Landmark* l : all)
            for (const auto& r : l->intersections)
                if (!source.count(r.id)) source[r.id] = l->id;
        const int in = w.add_table("Intersection", {{"ID", Type::Long},
                                                    {"Source_Landmark_ID", Type::Long},
                                                    {"road1", Type::Text, 50},
                                                    {"road2", Type::Text, 50},
                                                    {"road3", Type::Text, 50},
                                                    {"Place", Type::Text, 50}});
        for (const IntersectionDef& i : d.intersections) {
            const auto it = source.find(i.id);
            if (it == source.end() && ever.count(i.id)) continue;
            w.add_row(in, {whole(i.id), it == source.end() ? kNull : whole(it->second), text(i.road1), text(i.road2),
                           text(i.road3), text(i.place)});
        }
        const int li =
            w.add_table("Landmark-Intersection",
                        {{"Landmark_ID", Type::Long}, {"Intersection_ID", Type::Long}, {"Legs", Type::Integer}});
        for (const Landmark* l : all)
            for (const auto& r : l->intersections)
                w.add_row(li, {whole(l->id), whole(r.id), r.legs ? whole(*r.legs) : kNull});
    }
    w.finish();
}

void write_all_versions(const Network& net, const fs::path& path) {
    jet::Writer w(path.string());
    const int t = w.add_table("SegmentAllVersions", {{"Segment", Type::Text, 4},
                                                     {"HMZVersion", Type::Text, 6},
                                                     {"Length", Type::Single},
                                                     {"Effective_Date", Type::DateTime},
                                                     {"Highway_Number", Type::Integer},
                                                     {"Highway_Letter", Type::Text, 1},
                                                     {"Nway", Type::Integer},
                                                     {"Direction", Type::Text, 1},
                                                     {"Search_Sequence", Type::Long},
                                                     {"Begin_Node", Type::Text, 10},
                                                     {"End_Node", Type::Text, 10},
                                                     {"Begin_Continuity", Type::Text, 1},
                                                     {"End_Continuity", Type::Text, 1},
                                                     {"Opposite_Segment", Type::Text, 4},
                                                     {"Description", Type::Text, 100}});
    for (const Version& v : net.versions) {
        std::vector<const Segment*> segs;
        for (const Segment& s : v.segments) segs.push_back(&s);
        std::sort(segs.begin(), segs.end(), [](const Segment* a, const Segment* b) { return a->code < b->code; });
        for (const Segment* s : segs) {
            const HighwayDef& h = highway_of(net, *s);
            w.add_row(t,
                      {s->code, v.code, s->length, date(s->effective), whole(h.number), text(h.letter), whole(s->nway),
                       s->dir, whole(s->sequence), s->begin_node, s->end_node, std::string(1, s->begin_cont),
                       std::string(1, s->end_cont), text(s->opposite), s->description});
        }
    }
    w.finish();
}

void write_geometry(const Network& net, const Version& v, const fs::path& path) {
    jet::Writer w(path.string());
    const int t = w.add_table("SegLatLonKm", {{"Segment", Type::Text, 4},
                                              {"RowNum", Type::Long},
                                              {"Km_Scaled", Type::Single},
                                              {"Km_Calc", Type::Single},
                                              {"Latitude", Type::Double},
                                              {"Longitude", Type::Double}});
    std::vector<const Segment*> segs;
    for (const Segment& s : v.segments) segs.push_back(&s);
    std::sort(segs.begin(), segs.end(), [](const Segment* a, const Segment* b) { return a->code < b->code; });
    Geometry geo(net, v);
    for (const Segment* s : segs)
        for (const Point& p : geo.points(*s))
            w.add_row(t, {s->code, whole(p.row), real(p.km_scaled), real(p.km_calc), real(p.lat), real(p.lon)});
    w.finish();
}

// The translation library's tables. At scale they describe the described
// network only: the library holds at most 1000 segments of one version.
void write_translation_tables(const Network& net, const fs::path& folder) {
    std::string groups, matches;
    for (const Group& g : net.groups) {
        groups += std::to_string(g.number) + "," + g.target + ",'" + g.text + "'," + g.from_date + "," + g.to_date +
                  "," + g.segment + "," + (g.devolved ? "1" : "0");
        if (!g.codes.empty()) groups += "," + g.codes;
        groups += "\n";
        int n = 0;
        for (const MatchPoint& p : g.points) {
            matches += "M," + std::to_string(g.number) + "," + std::to_string(++n) + "," + km2(p.from_km) + "," +
                       (p.to_segment.empty() ? "''" : p.to_segment) + "," + km2(p.to_km) + "," + (p.obs ? "1" : "0") +
                       "\n";
        }
    }
    write_text_file(folder / "HMZ_Transform_Group.csv", groups);
    write_text_file(folder / "HMZ_Transform_Match.csv", matches);

    std::string sav = "HMZVersion,Segment,Length,Effective_Date\n";
    for (const Version& v : net.versions) {
        std::vector<const Segment*> segs;
        for (const Segment& s : v.segments)
            if (!s.filler) segs.push_back(&s);
        std::sort(segs.begin(), segs.end(), [](const Segment* a, const Segment* b) { return a->code < b->code; });
        for (const Segment* s : segs) sav += v.code + "," + s->code + "," + s->length + "," + s->effective + "\n";
    }
    write_text_file(folder / "SegAllVersions.csv", sav);
}

// The landmark-intersection relation of the versions before 201807, in
// intersection order, as it was kept by hand.
void write_legs(const Network& net, const fs::path& path) {
    std::set<std::tuple<int, std::int32_t, std::string>> rows;
    for (const Version& v : net.versions) {
        if (from_2018(v.code)) continue;
        for (const Segment& s : v.segments)
            for (const Landmark& l : s.landmarks)
                for (const auto& r : l.intersections)
                    rows.insert({r.id, l.id, r.legs ? std::to_string(*r.legs) : std::string()});
    }
    std::string out = "Landmark_ID,Intersection_ID,Legs\n";
    for (const auto& [inter, lmk, legs] : rows)
        out += std::to_string(lmk) + "," + std::to_string(inter) + "," + legs + "\n";
    write_text_file(path, out);
}

}  // namespace

std::vector<std::string> data_set_files(const Network& net, const FileKinds& kinds) {
    std::vector<std::string> files;
    if (kinds.inventories)
        for (const Version& v : net.versions) files.push_back(inventory_name(v.code));
    if (kinds.all_versions) files.push_back("segallversions.mdb");
    if (kinds.geometry)
        for (const auto& g : net.desc.geometry_versions) files.push_back(geometry_name(g));
    if (kinds.tables) {
        files.push_back("HMZ_Transform_Group.csv");
        files.push_back("HMZ_Transform_Match.csv");
        files.push_back("SegAllVersions.csv");
    }
    if (kinds.legs) files.push_back("Landmark-Intersection_Legs_Pre2018.csv");
    if (kinds.volume) files.insert(files.end(), {kVolumeDatabaseName, kSearchPathSampleName});
    return files;
}

void write_data_set(const Network& net, const std::string& folder_name, const FileKinds& kinds) {
    const fs::path folder(folder_name);
    fs::create_directories(folder);
    // Databases of versions no longer described would be found by the
    // program's own searches, so they go.
    const auto keep = data_set_files(net);
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        const bool ours = (name.rfind("HMZ_Data_", 0) == 0 || name.rfind("TRgeo_HMZ", 0) == 0) && name.size() > 4 &&
                          name.substr(name.size() - 4) == ".mdb";
        if (ours && std::find(keep.begin(), keep.end(), name) == keep.end()) fs::remove(e.path());
    }
    if (kinds.inventories)
        for (const Version& v : net.versions) write_inventory(net, v, folder / inventory_name(v.code));
    if (kinds.all_versions) write_all_versions(net, folder / "segallversions.mdb");
    if (kinds.geometry)
        for (const auto& g : net.desc.geometry_versions)
            for (const Version& v : net.versions)
                if (v.code == g) write_geometry(net, v, folder / geometry_name(g));
    if (kinds.tables) write_translation_tables(net, folder);
    if (kinds.tables) write_sdf_samples(folder.string());
    if (kinds.legs) write_legs(net, folder / "Landmark-Intersection_Legs_Pre2018.csv");
    if (kinds.volume) write_volume_sample(net, folder.string());
    if (kinds.inventories && net.filler_segments == 0) write_short_sections_sdf(net, folder_name);
}

void write_scaled_sample(const std::string& description_file, const std::string& folder, const ScaleOptions& scale,
                         const FileKinds& kinds) {
    std::ifstream in(description_file, std::ios::binary);
    if (!in) throw DescriptionError("cannot read " + description_file);
    std::stringstream text;
    text << in.rdbuf();
    const Network net = build_network(parse_description(text.str()), scale);
    write_data_set(net, folder, kinds);
    if (kinds.collisions) {
        CollisionOptions c;
        c.count = scale.collisions;
        c.reports = net.filler_segments == 0;
        write_collision_files(net, (fs::path(folder) / "collisions").string(), c);
    }
}

}  // namespace sample
