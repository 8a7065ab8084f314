// The sample traffic-volume database and search-path file.
#include "tools/sample/sample_volume.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>

#include "tools/jet_writer.h"

namespace sample {

namespace {

using jet::Column;
using jet::Type;
using jet::Value;

// Months relative to the year's average daily traffic.
constexpr double kSeason[12] = {0.78, 0.82, 0.90, 0.97, 1.03, 1.10, 1.22, 1.25, 1.08, 0.98, 0.90, 0.85};

std::uint32_t hash_of(const std::string& s) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

int length_hm(const Segment& s) {
    return static_cast<int>(std::lround(std::strtod(s.length.c_str(), nullptr) * 10 + 0.001));
}

struct Stretch {
    int hm1, hm2;
};

// The stretches of uniform traffic of a segment in a year. A few segments
// show what real tables hold: a break that moved (0030), a hectometre no
// stretch covers (0980) and two stretches sharing their boundary (0500).
std::vector<Stretch> stretches(const Segment& s, int year) {
    const int L = length_hm(s);
    if (s.code == "0030" && L > 101) return year < 2015 ? std::vector<Stretch>{{0, 62}, {63, L}} : std::vector<Stretch>{{0, 100}, {101, L}};
    if (s.code == "0980" && L > 52) return {{0, 50}, {52, L}};
    if (s.code == "0500" && L > 50) return {{0, 50}, {50, L}};
    if (L >= 80) return {{0, L / 2}, {L / 2 + 1, L}};
    return {{0, L}};
}

struct Counts {
    std::int64_t madt[12];
    std::int64_t aadt;
};

// The months a short count missed: a few gaps of the kind real tables hold,
// each named in sample/README.md. Every other count is complete.
struct Gap {
    const char* count;  // segment "/" stretch, or "N" and a node
    int year;
    std::vector<int> months;  // 1-12
};
const std::vector<Gap>& gaps() {
    static const std::vector<Gap> g = {
        {"0030/1", 2019, {6, 7}},  // a counter out of service over the summer
        {"0610/0", 2014, {12}},
        {"0980/1", 2017, {2}},
    };
    return g;
}

// Monthly volumes of one count: a base that grows 2 % a year, the season's
// shape, and the months the count missed.
Counts counts(std::uint32_t h, int year, const std::string& count) {
    Counts c{};
    const double base = 1500 + static_cast<double>(h % 18000);
    const double year_aadt = base * std::pow(1.02, year - 2008);
    double sum = 0;
    int n = 0;
    for (int m = 0; m < 12; ++m) {
        bool missing = false;
        for (const Gap& g : gaps())
            if (count == g.count && year == g.year)
                for (int gm : g.months) missing = missing || gm == m + 1;
        if (missing) {
            c.madt[m] = -1;
        } else {
            c.madt[m] = std::lround(year_aadt * kSeason[m]);
            sum += static_cast<double>(c.madt[m]);
            ++n;
        }
    }
    c.aadt = n ? std::lround(sum / n) : -1;
    return c;
}

std::vector<Column> month_columns() {
    std::vector<Column> cols;
    char name[16];
    for (int m = 1; m <= 12; ++m) {
        std::snprintf(name, sizeof name, "MADT_%02d", m);
        cols.push_back({name, Type::Long});
    }
    return cols;
}

void write_version(jet::Writer& w, const Network& net, const Version& v, const VolumeOptions& o) {
    std::vector<const Segment*> segs;
    for (const Segment& s : v.segments) {
        if (o.max_segments > 0 && static_cast<int>(segs.size()) >= o.max_segments) break;
        segs.push_back(&s);
    }

    std::vector<Column> sc = {{"Seg", Type::Text, 4},
                              {"Year", Type::Integer},
                              {"Hm1", Type::Integer},
                              {"Hm2", Type::Integer},
                              {"counter_type", Type::Text, 2},
                              {"AADT", Type::Long}};
    for (const Column& c : month_columns()) sc.push_back(c);
    const int segvol = w.add_table("ALL_" + v.code + "_SEGVOL", sc);

    std::vector<Column> nc = {
        {"Node", Type::Text, 10}, {"Year", Type::Integer}, {"counter_type", Type::Text, 2}, {"AADT", Type::Long}};
    for (const Column& c : month_columns()) nc.push_back(c);
    const int nodvol = w.add_table("ALL_" + v.code + "_NODVOL", nc);

    const int utvs = w.add_table("VRQ_" + v.code + "_UTVS_Definitions", {{"VRQ_UTVS_ID", Type::Long},
                                                                         {"Seg", Type::Text, 4},
                                                                         {"Hm1", Type::Integer},
                                                                         {"Hm2", Type::Integer},
                                                                         {"Km1", Type::Single},
                                                                         {"Desc1", Type::Text, 100},
                                                                         {"Desc2", Type::Text, 100}});

    // A segment new in a later version has no counts before that version.
    std::map<std::string, int> opened;
    std::set<std::string> first_codes;
    for (const Segment& s : net.versions.front().segments) first_codes.insert(s.code);
    for (std::size_t i = 1; i < net.versions.size(); ++i)
        for (const Segment& s : net.versions[i].segments)
            if (!first_codes.count(s.code) && !opened.count(s.code))
                opened[s.code] = std::stoi(net.versions[i].effective.substr(0, 4));
    std::map<std::string, char> nodes;  // node -> continuity
    std::int64_t next_id = 100001;
    for (const Segment* s : segs) {
        nodes.emplace(s->begin_node, s->begin_cont);
        nodes.emplace(s->end_node, s->end_cont);
        const int hwy = net.desc.highways[static_cast<std::size_t>(s->highway)].number;
        const bool major = hwy == 1 || hwy == 5 || hwy == 97;
        const auto op = opened.find(s->code);
        const int from = op == opened.end() ? o.first_year : std::max(o.first_year, op->second);
        for (int year = from; year <= o.last_year; ++year) {
            if (s->code == "0040" && year == 2012) continue;  // a year the segment was not counted
            const auto parts = stretches(*s, year);
            for (std::size_t i = 0; i < parts.size(); ++i) {
                const bool permanent = major && i == 0;
                const std::string count = s->code + "/" + std::to_string(i);
                const Counts c = counts(hash_of(s->code + std::to_string(i)), year, count);
                std::vector<Value> row = {s->code,
                                          std::int64_t{year},
                                          std::int64_t{parts[i].hm1},
                                          std::int64_t{parts[i].hm2},
                                          std::string(permanent ? "P" : "S"),
                                          (s->code == "9010" && year == 2016) ? Value{} : Value{c.aadt}};
                for (std::int64_t m : c.madt) row.emplace_back(m);
                w.add_row(segvol, row);
            }
        }
        const auto parts = stretches(*s, o.last_year);
        for (const Stretch& p : parts) {
            char d1[64], d2[64];
            std::snprintf(d1, sizeof d1, "%s km %.1f", s->code.c_str(), p.hm1 / 10.0);
            std::snprintf(d2, sizeof d2, "%s km %.1f", s->code.c_str(), p.hm2 / 10.0);
            char km[16];
            std::snprintf(km, sizeof km, "%.1f", p.hm1 / 10.0);
            w.add_row(utvs, {next_id++, s->code, std::int64_t{p.hm1}, std::int64_t{p.hm2}, std::string(km),
                             p.hm1 == 0 ? "Node " + s->begin_node : std::string(d1),
                             p.hm2 == length_hm(*s) ? "Node " + s->end_node : std::string(d2)});
        }
    }

    std::string no_count_node;  // the begin node of 0970 was not counted in 2013
    for (const Segment* s : segs)
        if (s->code == "0970") no_count_node = s->begin_node;
    for (const auto& [node, cont] : nodes) {
        for (int year = o.first_year; year <= o.last_year; ++year) {
            if (node == no_count_node && year == 2013) continue;
            const bool permanent = cont == 'J';
            const Counts c = counts(hash_of("N" + node), year, "N" + node);
            std::vector<Value> row = {node, std::int64_t{year}, std::string(permanent ? "P" : "S"), Value{c.aadt}};
            for (std::int64_t m : c.madt) row.emplace_back(m);
            w.add_row(nodvol, row);
        }
    }
}

}  // namespace

void write_volume_database(const Network& net, const std::string& path, const VolumeOptions& options) {
    jet::Writer w(path);
    for (const Version& v : net.versions)
        if (options.only_version.empty() || options.only_version == v.code) write_version(w, net, v, options);
    w.finish();
}

void write_volume_sample(const Network& net, const std::string& folder) {
    const std::string dir = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    VolumeOptions o;
    if (net.filler_segments > 0) o = {2011, 2020, "202004", 5000};
    write_volume_database(net, dir + kVolumeDatabaseName, o);
    write_search_path_sample(net, dir + kSearchPathSampleName);
}

void write_search_path_sample(const Network& net, const std::string& path) {
    const Version* v = nullptr;
    for (const Version& x : net.versions)
        if (x.code == "202004") v = &x;
    if (!v) throw std::runtime_error("the search-path sample needs version 202004");
    std::string out =
        "VRQ Subset History\r\n"
        "SEARCH PATH FILE: Hwy 1 Aldermoor west limit to Jct Hwy 5, HMZ 202004\r\n"
        "NODE records: NODE, node prefix, continuity, node suffix, flag. SEG records: SEG, segment, from km, to km, "
        "flag.\r\n"
        "\r\n"
        "SEARCH PATH\r\n";
    std::set<std::string> seen;
    auto node = [&](const std::string& n, char cont) {
        if (!seen.insert(n).second || n.size() < 4) return;
        out += "NODE " + n.substr(0, 3) + " " + std::string(1, cont) + " " + n.substr(3) + " 1\r\n";
    };
    bool first = true;
    for (const Segment& s : v->segments) {
        if (net.desc.highways[static_cast<std::size_t>(s.highway)].number != 1 ||
            !net.desc.highways[static_cast<std::size_t>(s.highway)].letter.empty())
            continue;
        if (first) node(s.begin_node, s.begin_cont);
        first = false;
        char line[96];
        const int L = length_hm(s);
        std::snprintf(line, sizeof line, "SEG %s %6.1f %6.1f 1\r\n", s.code.c_str(), 0.1, (L - 1) / 10.0);
        out += line;
        node(s.end_node, s.end_cont);
    }
    out += "====\r\n";
    write_text_file(path, out);
}

}  // namespace sample
