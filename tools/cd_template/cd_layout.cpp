#include "tools/cd_template/cd_layout.h"

#include <map>

namespace cdlayout {

namespace {

constexpr double kCx = kDiagramLeft + kDiagramSize / 2;
constexpr double kCy = kDiagramTop + kDiagramSize / 2;
constexpr double kCellW = 0.84;
constexpr double kCellH = 0.42;
constexpr double kGap = 0.08;  // between the cells and the road
constexpr int kCols = 3;
constexpr int kRows = 6;

std::string Two(int code) {
    return (code < 10 ? "0" : "") + std::to_string(code);
}

Object Road(const std::string& name, Kind kind) {
    Object o;
    o.name = name;
    o.kind = kind;
    o.x = kDiagramLeft;
    o.y = kDiagramTop;
    o.w = o.h = kDiagramSize;
    return o;
}

// The symbol and its three count boxes in the cell at (x, y).
void AddCell(std::vector<Object>& out, char letter, int code, double x, double y) {
    Object s;
    s.name = std::string("Asym_") + letter + "_" + Two(code);
    s.kind = Kind::Symbol;
    s.x = x + 0.02;
    s.y = y + 0.02;
    s.w = 0.40;
    s.h = 0.38;
    s.letter = letter;
    s.code = code;
    s.hidden = true;
    out.push_back(s);
    const char boxes[] = {'f', 'i', 'p'};
    for (int k = 0; k < 3; ++k) {
        Object b;
        b.name = std::string("Tbox_") + letter + "_" + Two(code) + boxes[k];
        b.kind = Kind::CountBox;
        b.x = x + 0.44;
        b.y = y + 0.02 + k * 0.127;
        b.w = 0.38;
        b.h = 0.127;
        b.letter = letter;
        b.code = code;
        b.box = boxes[k];
        b.hidden = true;
        out.push_back(b);
    }
}

// The 17 cells of one approach, in the quadrant beside its leg; the cell at
// the kerb curve stays empty. inner_right / inner_bottom: the quadrant's
// corner nearest the crossing.
void AddQuadrant(std::vector<Object>& out, char letter, bool inner_right, bool inner_bottom) {
    const double left = inner_right ? kCx - kRoadHalfWidth - kGap - kCols * kCellW : kCx + kRoadHalfWidth + kGap;
    const double top = inner_bottom ? kCy - kRoadHalfWidth - kGap - kRows * kCellH : kCy + kRoadHalfWidth + kGap;
    int code = 1;
    // rows from the road outwards, columns likewise
    for (int r = 0; r < kRows; ++r) {
        const int row = inner_bottom ? kRows - 1 - r : r;
        for (int c = 0; c < kCols; ++c) {
            const int col = inner_right ? kCols - 1 - c : c;
            if (r == 0 && c == 0) continue;
            if (code > 17) return;
            AddCell(out, letter, code++, left + col * kCellW, top + row * kCellH);
        }
    }
}

Object Text(const std::string& name, double x, double y, double w, double h, bool hidden) {
    Object o;
    o.name = name;
    o.kind = Kind::TextBox;
    o.x = x;
    o.y = y;
    o.w = w;
    o.h = h;
    o.hidden = hidden;
    return o;
}

std::vector<Object> Build() {
    std::vector<Object> out;
    for (const char* e : {"Edge_N_W", "Edge_N_E", "Edge_S_W", "Edge_S_E", "Edge_E_N", "Edge_E_S", "Edge_W_N",
                          "Edge_W_S"})
        out.push_back(Road(e, Kind::Edge));
    for (const char* e : {"N_Line", "S_Line", "E_Line", "W_Line"}) out.push_back(Road(e, Kind::Closure));
    for (const char* e : {"NWcorner", "NEcorner", "SWcorner", "SEcorner"}) out.push_back(Road(e, Kind::Corner));
    // vehicles keep right: those from the north pass west of the centre line
    AddQuadrant(out, 'N', true, true);
    AddQuadrant(out, 'E', false, true);
    AddQuadrant(out, 'W', true, false);
    AddQuadrant(out, 'S', false, false);
    // no direction: only a single vehicle off the road is drawn so, in the crossing
    for (int code = 1; code <= 17; ++code) AddCell(out, 'Z', code, kCx - kCellW / 2, kCy - kCellH / 2);
    out.push_back(Text("Textbox_SegNode", 0.75, 0.55, 4.6, 0.4, false));
    out.push_back(Text("Textbox_CDEname", 0.75, 0.98, 4.6, 0.25, true));
    out.push_back(Text("Textbox_Dates", 0.75, 1.25, 4.6, 0.25, true));
    out.push_back(Text("Textbox_Unplottable", 5.45, 0.55, 2.3, 0.5, false));
    out.push_back(Text("Textbox_CountKey", 5.45, 1.1, 2.3, 0.4, true));
    return out;
}

}  // namespace

const std::vector<Object>& Objects() {
    static const std::vector<Object> objects = Build();
    return objects;
}

const Object* Find(const std::string& name) {
    static const std::map<std::string, const Object*> by_name = [] {
        std::map<std::string, const Object*> m;
        for (const Object& o : Objects()) m.emplace(o.name, &o);
        return m;
    }();
    const auto it = by_name.find(name);
    return it == by_name.end() ? nullptr : it->second;
}

Legs LegsOf(int type) {
    switch (type) {
        case 2: return {true, false, true, true};
        case 3: return {false, true, true, true};
        case 4: return {true, true, true, false};
        case 5: return {true, true, false, true};
        case 6: return {false, false, true, true};
        case 7: return {true, true, false, false};
        default: return {true, true, true, true};
    }
}

}  // namespace cdlayout
