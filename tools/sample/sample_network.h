// The sample highway network: read from its description (sample/network.txt),
// carried through its inventory versions, and written out as the sample data
// set (inventory databases, all-versions database, translation tables,
// legs file, segment geometry).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <filesystem>
#include <string>
#include <vector>

namespace sample {

class DescriptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---- The description as written ----------------------------------------

struct VersionDef {
    std::string code;       // yyyymm
    std::string effective;  // yyyy-mm-dd
};

struct HighwayDef {
    int number = 0;
    std::string letter;       // "" when none
    std::string after;        // starts at the end of this segment; "" when start is given
    double lat = 0, lon = 0;  // start, when not after a segment
    double heading = 0, wiggle = 0;
    std::string name;
};

struct AreaBreak {
    float from_km = 0;
    int area = 0;
};

struct SegmentDef {
    std::string code;
    std::string length;  // km as written ("12.40")
    int nway = 2;
    std::string dir;
    std::vector<AreaBreak> areas;
    std::string classes;    // 6 codes, "." for none
    std::string effective;  // "" when the oldest row has no date
    std::string since;      // first version; "" for the first version
    std::string description;
    int highway = 0;  // index into highways
};

struct IntersectionRef {
    int id = 0;
    std::optional<int> legs;
};

struct LandmarkDef {
    std::string segment;
    float km = 0;
    std::string type, side, description;
    std::vector<IntersectionRef> intersections;
    int source = 0;
    bool coordinates = true;
};

struct IntersectionDef {
    int id = 0;
    std::string road1, road2, road3, place;
};

struct ClassAt {
    std::string segment;
    float from_km = 0;
    int category = 0;
    char code = ' ';
};

struct ClassFrom {
    std::string segment, date;
    int category = 0;
    char code = ' ';
    std::string since;
};

struct ChangeDef {
    enum Kind { Remap, Renumber, Devolve, Cut, Split } kind = Remap;
    std::string segment, version;
    float old_from = 0, old_to = 0, new_from = 0, new_to = 0;  // remap
    std::string new_code;                                      // renumber, cut
    float km = 0;                                              // cut
    std::string code1, dirs1, length1, code2, dirs2, length2;  // split
    int line = 0;
};

struct Description {
    std::vector<VersionDef> versions;
    std::vector<std::string> geometry_versions;
    std::map<int, std::string> regions;
    std::map<int, std::pair<int, std::string>> districts;  // code -> region, name
    std::map<int, std::pair<int, std::string>> areas;      // code -> district, name
    std::map<int, std::string> categories;
    std::vector<HighwayDef> highways;
    std::vector<SegmentDef> segments;
    std::vector<LandmarkDef> landmarks;
    std::vector<IntersectionDef> intersections;
    std::vector<ClassAt> class_at;
    std::vector<ClassFrom> class_from;
    std::vector<ChangeDef> changes;
};

// Errors name the line: "line N: ...".
Description parse_description(const std::string& text);

// ---- The network in one version -----------------------------------------

struct ClassRow {
    int category = 0;
    char code = ' ';
    std::string from_date, to_date;
    float start_km = 0, end_km = 0;
};

struct AreaRow {
    float start_km = 0, end_km = 0;
    int area = 0;
};

struct Landmark {
    std::int32_t id = 0;
    std::string segment;
    float km = 0;
    int lmnum = 0;
    std::string type, side, description;
    bool coordinates = true;
    double lat = 0, lon = 0;
    int source = 0;
    std::vector<IntersectionRef> intersections;
    int def = -1;  // index into the description's landmarks; -1 for node landmarks
};

struct Segment {
    std::string code;
    std::string length;  // km as text, 2 decimals
    int nway = 2;
    std::string dir;
    std::string opposite;
    std::string description;
    std::string effective;  // "" = none
    int highway = 0;        // index into highways
    int sequence = 0;       // search sequence
    std::string begin_node, end_node;
    char begin_cont = 'C', end_cont = 'C';
    std::vector<AreaRow> areas;
    std::vector<ClassRow> classes;
    std::vector<Landmark> landmarks;  // other than the node landmarks
    // Placement along the highway's path (ground km).
    double path_from = 0, path_to = 0;
    double lateral_m = 0;  // offset to the right of the highway's direction
    bool filler = false;   // generated only to scale the network up
    // Internal bookkeeping.
    std::string begin_key, end_key;
    bool parallel = false;  // runs beside the previous segment, the other way
};

struct Point {
    std::int32_t row = 0;
    float km_scaled = 0, km_calc = 0;
    double lat = 0, lon = 0;
};

struct Version {
    std::string code, effective;
    std::vector<Segment> segments;  // highway order, then search sequence
    std::vector<Landmark> node_landmarks;
    std::vector<std::pair<double, double>> path_start;  // per highway: where its path begins
};

// One transformation group with its match points.
struct MatchPoint {
    float from_km = 0;
    std::string to_segment;  // "" = off the inventory
    float to_km = 0;
    bool obs = false;
};

struct Group {
    int number = 0;
    std::string target, text, from_date, to_date, segment, codes;
    bool devolved = false;
    std::vector<MatchPoint> points;
};

struct Network {
    Description desc;
    std::vector<Version> versions;
    std::vector<Group> groups;
    int filler_segments = 0;
    int filler_points = 100;  // geometry points of each added segment
};

struct ScaleOptions {
    int segments = 0;              // total segments wanted; 0 = the description only
    int points_per_segment = 100;  // geometry points of each added segment
    // At scale only the greatest geometry version is written (the program
    // opens no other), unless this is set.
    bool all_geometry = false;
    int collisions = 3000;  // collisions of the sample extract (collisions/)
};

Network build_network(const Description& desc, const ScaleOptions& scale = {});

// Which files to write.
struct FileKinds {
    bool inventories = true;   // HMZ_Data_<version>.mdb
    bool all_versions = true;  // segallversions.mdb
    bool geometry = true;      // TRgeo_HMZ<version>_SegGeometry.mdb
    bool tables = true;        // HMZ_Transform_Group.csv, HMZ_Transform_Match.csv, SegAllVersions.csv
    bool legs = true;          // Landmark-Intersection_Legs_Pre2018.csv
    bool volume = true;        // Volume_for_Tessawin.mdb and the search-path sample (sample_volume.h)
    bool collisions = true;    // collisions/: the extract and the reports made from it
};

// Writes the data set into folder (created when missing). Each file is
// written under a temporary name and renamed into place.
void write_data_set(const Network& net, const std::string& folder, const FileKinds& kinds = {});

// The files write_data_set writes, without folder.
std::vector<std::string> data_set_files(const Network& net, const FileKinds& kinds = {});

// The section definition files and their collision extract (in sdf/),
// written with the tables.
void write_sdf_samples(const std::string& folder);

// A text file written beside its final name, then renamed into place.
void write_text_file(const std::filesystem::path& path, const std::string& content);

// For benchmarks: the network of the description file, filled up as scale
// says, written into folder. Throws DescriptionError or jet::WriteError.
void write_scaled_sample(const std::string& description_file, const std::string& folder, const ScaleOptions& scale,
                         const FileKinds& kinds = {});

}  // namespace sample
