// Reading the network description: one statement per line, words separated
// by blanks, "double quotes" around texts, key=value options, # comments.
#include <charconv>
#include <cmath>
#include <set>
#include <sstream>

#include "tools/sample/sample_network.h"

namespace sample {

namespace {

struct Line {
    int number = 0;
    std::vector<std::string> words;   // bare words, in order
    std::vector<std::string> quoted;  // quoted texts, in order
    std::map<std::string, std::string> options;
};

[[noreturn]] void fail(int line, const std::string& what) {
    throw DescriptionError("line " + std::to_string(line) + ": " + what);
}

Line split_line(const std::string& text, int number) {
    Line line;
    line.number = number;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            const auto end = text.find('"', i + 1);
            if (end == std::string::npos) fail(number, "a text has no closing quote");
            line.quoted.push_back(text.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            std::size_t end = i;
            while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\r') ++end;
            std::string word = text.substr(i, end - i);
            const auto eq = word.find('=');
            if (eq != std::string::npos && eq > 0) {
                line.options[word.substr(0, eq)] = word.substr(eq + 1);
            } else {
                line.words.push_back(word);
            }
            i = end;
        }
    }
    return line;
}

double to_double(const std::string& s, int line, const char* what) {
    double v = 0;
    const auto* b = s.data();
    const auto* e = s.data() + s.size();
    const auto r = std::from_chars(b, e, v);
    if (s.empty() || r.ec != std::errc() || r.ptr != e || !std::isfinite(v))
        fail(line, std::string(what) + " is not a number: \"" + s + "\"");
    return v;
}

int to_int(const std::string& s, int line, const char* what) {
    int v = 0;
    const auto* b = s.data();
    const auto* e = s.data() + s.size();
    const auto r = std::from_chars(b, e, v);
    if (s.empty() || r.ec != std::errc() || r.ptr != e)
        fail(line, std::string(what) + " is not a whole number: \"" + s + "\"");
    return v;
}

// A km as written: digits with at most two decimals, so that the same text
// goes into every file.
std::string km_text(const std::string& s, int line) {
    const double v = to_double(s, line, "a km");
    if (v < 0) fail(line, "a km is negative: " + s);
    const auto dot = s.find('.');
    if (dot != std::string::npos && s.size() - dot - 1 > 2) fail(line, "a km has more than two decimals: " + s);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

bool is_date(const std::string& s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (s[i] < '0' || s[i] > '9') return false;
    const int m = std::stoi(s.substr(5, 2));
    const int d = std::stoi(s.substr(8, 2));
    return m >= 1 && m <= 12 && d >= 1 && d <= 31;
}

std::string date_arg(const std::string& s, int line) {
    if (!is_date(s)) fail(line, "not a yyyy-mm-dd date: \"" + s + "\"");
    return s;
}

std::string segment_code(const std::string& s, int line) {
    if (s.size() != 4) fail(line, "a segment code has 4 characters: \"" + s + "\"");
    return s;
}

void need_words(const Line& l, std::size_t n, const char* usage) {
    if (l.words.size() != n) fail(l.number, std::string("expected: ") + usage);
}

std::string quoted(const Line& l, std::size_t i, const char* what) {
    if (i >= l.quoted.size()) fail(l.number, std::string("missing the quoted ") + what);
    return l.quoted[i];
}

std::string option(const Line& l, const std::string& key, bool required) {
    const auto it = l.options.find(key);
    if (it == l.options.end()) {
        if (required) fail(l.number, "missing " + key + "=");
        return "";
    }
    return it->second;
}

void check_options(const Line& l, std::initializer_list<const char*> known) {
    for (const auto& [k, v] : l.options) {
        bool ok = false;
        for (const char* n : known) ok = ok || k == n;
        if (!ok) fail(l.number, "unknown option " + k + "=");
    }
}

// "4.00-6.00"
std::pair<float, float> km_range(const std::string& s, int line) {
    const auto dash = s.find('-');
    if (dash == std::string::npos || dash == 0) fail(line, "not a km range: \"" + s + "\"");
    const float a = static_cast<float>(to_double(km_text(s.substr(0, dash), line), line, "a km"));
    const float b = static_cast<float>(to_double(km_text(s.substr(dash + 1), line), line, "a km"));
    if (!(a < b)) fail(line, "a km range must go up: \"" + s + "\"");
    return {a, b};
}

}  // namespace

Description parse_description(const std::string& text) {
    Description d;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    int current_highway = -1;
    std::set<std::string> codes;
    while (std::getline(in, raw)) {
        ++number;
        const Line l = split_line(raw, number);
        if (l.words.empty()) {
            if (!l.quoted.empty() || !l.options.empty()) fail(number, "a statement begins with its keyword");
            continue;
        }
        const std::string& kw = l.words[0];
        if (kw == "version") {
            need_words(l, 3, "version <yyyymm> <yyyy-mm-dd>");
            const std::string& v = l.words[1];
            if (v.size() != 6 || v.find_first_not_of("0123456789") != std::string::npos)
                fail(number, "a version is six digits: \"" + v + "\"");
            if (!d.versions.empty() && !(d.versions.back().code < v))
                fail(number, "versions must be in ascending order");
            const std::string eff = date_arg(l.words[2], number);
            if (!d.versions.empty() && !(d.versions.back().effective < eff))
                fail(number, "effective dates must be in ascending order");
            d.versions.push_back({v, eff});
        } else if (kw == "geometry") {
            if (l.words.size() < 2) fail(number, "expected: geometry <version>...");
            for (std::size_t i = 1; i < l.words.size(); ++i) d.geometry_versions.push_back(l.words[i]);
        } else if (kw == "region") {
            need_words(l, 2, "region <code> \"<name>\"");
            d.regions[to_int(l.words[1], number, "a region")] = quoted(l, 0, "name");
        } else if (kw == "district") {
            need_words(l, 3, "district <code> <region> \"<name>\"");
            const int region = to_int(l.words[2], number, "a region");
            if (!d.regions.count(region)) fail(number, "unknown region " + l.words[2]);
            d.districts[to_int(l.words[1], number, "a district")] = {region, quoted(l, 0, "name")};
        } else if (kw == "area") {
            need_words(l, 3, "area <code> <district> \"<name>\"");
            const int district = to_int(l.words[2], number, "a district");
            if (!d.districts.count(district)) fail(number, "unknown district " + l.words[2]);
            d.areas[to_int(l.words[1], number, "an area")] = {district, quoted(l, 0, "name")};
        } else if (kw == "category") {
            need_words(l, 2, "category <1-6> \"<name>\"");
            const int c = to_int(l.words[1], number, "a category");
            if (c < 1 || c > 6) fail(number, "a class category is 1 to 6");
            d.categories[c] = quoted(l, 0, "name");
        } else if (kw == "highway") {
            need_words(l, 3, "highway <number> <letter or -> start=... heading=... \"<name>\"");
            check_options(l, {"start", "heading", "wiggle"});
            HighwayDef h;
            h.number = to_int(l.words[1], number, "a highway number");
            if (h.number < 0 || h.number > 999) fail(number, "a highway number has at most three digits");
            h.letter = l.words[2] == "-" ? "" : l.words[2];
            if (h.letter.size() > 1) fail(number, "a highway letter is one character");
            const std::string start = option(l, "start", true);
            if (start.rfind("after:", 0) == 0) {
                h.after = segment_code(start.substr(6), number);
                if (!codes.count(h.after)) fail(number, "start=after: names a segment not described before");
            } else {
                const auto comma = start.find(',');
                if (comma == std::string::npos) fail(number, "start=<lat>,<lon> or start=after:<segment>");
                h.lat = to_double(start.substr(0, comma), number, "a latitude");
                h.lon = to_double(start.substr(comma + 1), number, "a longitude");
            }
            h.heading = to_double(option(l, "heading", true), number, "a heading");
            const std::string w = option(l, "wiggle", false);
            h.wiggle = w.empty() ? 0 : to_double(w, number, "a wiggle");
            h.name = quoted(l, 0, "name");
            d.highways.push_back(h);
            current_highway = static_cast<int>(d.highways.size()) - 1;
        } else if (kw == "segment") {
            need_words(l, 3, "segment <code> <km> nway=... dir=... area=... class=... \"<description>\"");
            check_options(l, {"nway", "dir", "area", "class", "eff", "since"});
            if (current_highway < 0) fail(number, "a segment follows its highway's line");
            SegmentDef s;
            s.code = segment_code(l.words[1], number);
            if (!codes.insert(s.code).second) fail(number, "segment " + s.code + " is described twice");
            s.length = km_text(l.words[2], number);
            if (to_double(s.length, number, "a length") <= 0) fail(number, "a segment length is above 0");
            s.nway = to_int(option(l, "nway", true), number, "nway");
            s.dir = option(l, "dir", true);
            if (s.dir.size() != 1) fail(number, "dir= is one character");
            const std::string areas = option(l, "area", true);
            std::size_t pos = 0;
            while (pos <= areas.size()) {
                auto comma = areas.find(',', pos);
                if (comma == std::string::npos) comma = areas.size();
                const std::string item = areas.substr(pos, comma - pos);
                AreaBreak b;
                const auto colon = item.find(':');
                if (colon == std::string::npos) {
                    if (!s.areas.empty()) fail(number, "area=<area>,<from km>:<area>...");
                    b.area = to_int(item, number, "an area");
                } else {
                    if (s.areas.empty()) fail(number, "area= begins with the area at km 0");
                    b.from_km = static_cast<float>(to_double(km_text(item.substr(0, colon), number), number, "a km"));
                    b.area = to_int(item.substr(colon + 1), number, "an area");
                    if (!(b.from_km > s.areas.back().from_km)) fail(number, "area breaks must go up");
                }
                if (!d.areas.count(b.area)) fail(number, "unknown area " + std::to_string(b.area));
                s.areas.push_back(b);
                pos = comma + 1;
            }
            s.classes = option(l, "class", true);
            if (s.classes.size() != 6) fail(number, "class= has 6 codes");
            s.effective = option(l, "eff", false);
            if (!s.effective.empty()) date_arg(s.effective, number);
            s.since = option(l, "since", false);
            s.description = quoted(l, 0, "description");
            s.highway = current_highway;
            d.segments.push_back(s);
        } else if (kw == "landmark") {
            const bool nocoord = l.words.size() == 6 && l.words[5] == "nocoord";
            if (!nocoord)
                need_words(l, 5, "landmark <segment> <km> <type> <side> \"<description>\" [int=..] [src=..] [nocoord]");
            LandmarkDef m;
            m.segment = segment_code(l.words[1], number);
            if (!codes.count(m.segment)) fail(number, "landmark on a segment not described: " + m.segment);
            m.km = static_cast<float>(to_double(km_text(l.words[2], number), number, "a km"));
            m.type = l.words[3];
            m.side = l.words[4];
            m.description = quoted(l, 0, "description");
            check_options(l, {"int", "src"});
            const std::string ints = option(l, "int", false);
            std::size_t pos = 0;
            while (!ints.empty() && pos <= ints.size()) {
                auto comma = ints.find(',', pos);
                if (comma == std::string::npos) comma = ints.size();
                const std::string item = ints.substr(pos, comma - pos);
                const auto colon = item.find(':');
                if (colon == std::string::npos) fail(number, "int=<id>:<legs>, legs may be empty");
                IntersectionRef r;
                r.id = to_int(item.substr(0, colon), number, "an intersection");
                if (colon + 1 < item.size()) r.legs = to_int(item.substr(colon + 1), number, "legs");
                m.intersections.push_back(r);
                pos = comma + 1;
            }
            const std::string src = option(l, "src", false);
            m.source = src.empty() ? 0 : to_int(src, number, "src");
            m.coordinates = !nocoord;
            d.landmarks.push_back(m);
        } else if (kw == "intersection") {
            need_words(l, 2, "intersection <id> \"<road 1>\" \"<road 2>\" \"<road 3>\" \"<place>\"");
            if (l.quoted.size() != 4) fail(number, "an intersection has four quoted texts");
            d.intersections.push_back(
                {to_int(l.words[1], number, "an intersection"), l.quoted[0], l.quoted[1], l.quoted[2], l.quoted[3]});
        } else if (kw == "classat") {
            need_words(l, 5, "classat <segment> <from km> <category> <code>");
            ClassAt c;
            c.segment = segment_code(l.words[1], number);
            c.from_km = static_cast<float>(to_double(km_text(l.words[2], number), number, "a km"));
            c.category = to_int(l.words[3], number, "a category");
            if (l.words[4].size() != 1) fail(number, "a class code is one character");
            c.code = l.words[4][0];
            d.class_at.push_back(c);
        } else if (kw == "classfrom") {
            need_words(l, 6, "classfrom <segment> <date> <category> <code> <version>");
            ClassFrom c;
            c.segment = segment_code(l.words[1], number);
            c.date = date_arg(l.words[2], number);
            c.category = to_int(l.words[3], number, "a category");
            if (l.words[4].size() != 1) fail(number, "a class code is one character");
            c.code = l.words[4][0];
            c.since = l.words[5];
            d.class_from.push_back(c);
        } else if (kw == "remap" || kw == "renumber" || kw == "devolve" || kw == "cut" || kw == "split") {
            ChangeDef c;
            c.line = number;
            if (l.words.size() < 3) fail(number, "a change names its segment and version");
            c.segment = segment_code(l.words[1], number);
            c.version = l.words[2];
            if (kw == "remap") {
                need_words(l, 5, "remap <segment> <version> <old from>-<old to> <new from>-<new to>");
                c.kind = ChangeDef::Remap;
                std::tie(c.old_from, c.old_to) = km_range(l.words[3], number);
                std::tie(c.new_from, c.new_to) = km_range(l.words[4], number);
            } else if (kw == "renumber") {
                need_words(l, 4, "renumber <segment> <version> <new code>");
                c.kind = ChangeDef::Renumber;
                c.new_code = segment_code(l.words[3], number);
            } else if (kw == "devolve") {
                need_words(l, 3, "devolve <segment> <version>");
                c.kind = ChangeDef::Devolve;
            } else if (kw == "cut") {
                need_words(l, 5, "cut <segment> <version> <km> <new code>");
                c.kind = ChangeDef::Cut;
                c.km = static_cast<float>(to_double(km_text(l.words[3], number), number, "a km"));
                c.new_code = segment_code(l.words[4], number);
            } else {
                need_words(l, 9, "split <segment> <version> <code 1> <codes 1> <km 1> <code 2> <codes 2> <km 2>");
                c.kind = ChangeDef::Split;
                c.code1 = segment_code(l.words[3], number);
                c.dirs1 = l.words[4];
                c.length1 = km_text(l.words[5], number);
                c.code2 = segment_code(l.words[6], number);
                c.dirs2 = l.words[7];
                c.length2 = km_text(l.words[8], number);
                if (c.dirs1.size() > 6 || c.dirs2.size() > 6) fail(number, "direction codes are at most 6");
            }
            d.changes.push_back(c);
        } else {
            fail(number, "unknown statement \"" + kw + "\"");
        }
    }
    if (d.versions.empty()) throw DescriptionError("the description names no version");
    if (d.segments.empty()) throw DescriptionError("the description names no segment");
    return d;
}

}  // namespace sample
