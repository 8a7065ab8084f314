// Where everything of the collision-diagram template lies on its page: the
// road artwork, the symbols with their count boxes, and the text boxes. The
// template generator draws from this table, and the rendering tests check
// the finished diagram against it.
#pragma once

#include <string>
#include <vector>

namespace cdlayout {

// Letter paper, inches.
inline constexpr double kPageWidth = 8.5;
inline constexpr double kPageHeight = 11.0;
// The square of the intersection drawing.
inline constexpr double kDiagramLeft = 1.05;
inline constexpr double kDiagramTop = 1.6;
inline constexpr double kDiagramSize = 6.4;
inline constexpr double kRoadHalfWidth = 0.6;
inline constexpr double kCornerRadius = 0.35;

enum class Kind {
    Edge,     // a road edge that is always drawn
    Closure,  // "N_Line" ..: closes an absent leg (covers it and draws its mouth)
    Corner,   // "NWcorner" ..: a kerb curve
    Symbol,   // "Asym_N_01" ..
    CountBox, // "Tbox_N_01f" ..
    TextBox,  // "Textbox_..."
};

struct Object {
    std::string name;
    Kind kind = Kind::Edge;
    // Page position and size, inches.
    double x = 0, y = 0, w = 0, h = 0;
    char letter = 0;  // symbols and count boxes: "ZNSEW"
    int code = 0;     // diagram code 1..17
    char box = 0;     // count boxes: 'f', 'i' or 'p'
    bool hidden = false;  // hidden in the template
};

// Every drawing object of the template, in drawing order (later ones on top).
const std::vector<Object>& Objects();
// The object of that name; nullptr when there is none.
const Object* Find(const std::string& name);

// The legs of each intersection type 1..7: N, S, E, W present.
struct Legs {
    bool n, s, e, w;
};
Legs LegsOf(int type);

}  // namespace cdlayout
