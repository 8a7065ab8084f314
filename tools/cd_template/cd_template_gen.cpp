// Writes the collision-diagram template cd_base.docx and the seven small
// pictures of the intersection types (cd_type1.bmp .. cd_type7.bmp) into the
// folder given, from the table of positions in cd_layout.
//
//   cd-template-gen OUTPUT_FOLDER
#include <zip.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/cd_template/cd_layout.h"

namespace {

using cdlayout::Kind;
using cdlayout::Object;

constexpr double kEmu = 914400;  // a DrawingML unit per inch
constexpr double kBezier = 0.5523;

long Emu(double inches) {
    return std::lround(inches * kEmu);
}

std::string N(double inches) {
    return std::to_string(Emu(inches));
}

struct Pt {
    double x, y;
};

// A DrawingML path in the shape's own coordinates (inches).
class Path {
public:
    Path(double w, double h, const char* attrs = "") : w_(w), h_(h), attrs_(attrs) {}
    Path& Move(Pt p) { return Add("moveTo", {p}); }
    Path& Line(Pt p) { return Add("lnTo", {p}); }
    Path& Curve(Pt a, Pt b, Pt c) { return Add("cubicBezTo", {a, b, c}); }
    Path& Close() {
        body_ += "<a:close/>";
        return *this;
    }
    std::string Xml() const {
        return "<a:path w=\"" + N(w_) + "\" h=\"" + N(h_) + "\"" + attrs_ + ">" + body_ + "</a:path>";
    }

private:
    Path& Add(const char* op, std::initializer_list<Pt> pts) {
        body_ += std::string("<a:") + op + ">";
        for (const Pt& p : pts) body_ += "<a:pt x=\"" + N(p.x) + "\" y=\"" + N(p.y) + "\"/>";
        body_ += std::string("</a:") + op + ">";
        return *this;
    }
    double w_, h_;
    std::string attrs_;
    std::string body_;
};

std::string CustGeom(const std::vector<Path>& paths) {
    std::string x = "<a:custGeom><a:avLst/><a:gdLst/><a:ahLst/><a:cxnLst/><a:rect l=\"0\" t=\"0\" r=\"r\" b=\"b\"/><a:pathLst>";
    for (const Path& p : paths) x += p.Xml();
    return x + "</a:pathLst></a:custGeom>";
}

std::string Line(const std::string& color, double points) {
    return "<a:ln w=\"" + std::to_string(std::lround(points * 12700)) + "\" cap=\"rnd\"><a:solidFill><a:srgbClr val=\"" +
           color + "\"/></a:solidFill><a:round/></a:ln>";
}

// Run properties of a text: size in points, optional colour, bold, hidden.
std::string RunProps(double points, const std::string& color, bool bold, bool hidden, const char* font = nullptr) {
    std::string x = "<w:rPr>";
    if (font) x += std::string("<w:rFonts w:ascii=\"") + font + "\" w:hAnsi=\"" + font + "\" w:cs=\"" + font + "\"/>";
    if (bold) x += "<w:b/>";
    if (hidden) x += "<w:vanish/>";
    if (!color.empty()) x += "<w:color w:val=\"" + color + "\"/>";
    const std::string half = std::to_string(std::lround(points * 2));
    x += "<w:sz w:val=\"" + half + "\"/><w:szCs w:val=\"" + half + "\"/>";
    return x + "</w:rPr>";
}

std::string ParaProps(const std::string& rpr) {
    return "<w:pPr><w:spacing w:before=\"0\" w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/>" + rpr + "</w:pPr>";
}

// One paragraph of runs (text, colour) in a text box.
std::string BoxParagraph(const std::vector<std::pair<std::string, std::string>>& runs, double points, bool bold,
                         bool hidden, const char* font = nullptr) {
    std::string x = "<w:p>" + ParaProps(RunProps(points, "", bold, hidden, font));
    for (const auto& [text, color] : runs)
        x += "<w:r>" + RunProps(points, color, bold, hidden, font) + "<w:t xml:space=\"preserve\">" + text +
             "</w:t></w:r>";
    return x + "</w:p>";
}

struct ShapeXml {
    std::string geometry;  // prstGeom or custGeom
    std::string fill = "<a:noFill/>";
    std::string line = "<a:ln><a:noFill/></a:ln>";
    std::string text;      // paragraphs of the text box, "" for none
    bool text_box = false;
    double inset_left = 0, inset_top = 0;
};

std::string Anchor(const Object& o, int id, const ShapeXml& s) {
    std::string x = "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing>";
    x += "<wp:anchor distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\" simplePos=\"0\" relativeHeight=\"" +
         std::to_string(1000 + id) +
         "\" behindDoc=\"0\" locked=\"0\" layoutInCell=\"1\" allowOverlap=\"1\">"
         "<wp:simplePos x=\"0\" y=\"0\"/>"
         "<wp:positionH relativeFrom=\"page\"><wp:posOffset>" +
         N(o.x) + "</wp:posOffset></wp:positionH><wp:positionV relativeFrom=\"page\"><wp:posOffset>" + N(o.y) +
         "</wp:posOffset></wp:positionV><wp:extent cx=\"" + N(o.w) + "\" cy=\"" + N(o.h) +
         "\"/><wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/><wp:wrapNone/>";
    x += "<wp:docPr id=\"" + std::to_string(id) + "\" name=\"" + o.name + "\"" + (o.hidden ? " hidden=\"1\"" : "") +
         "/><wp:cNvGraphicFramePr/>";
    x += "<a:graphic xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
         "<a:graphicData uri=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\"><wps:wsp>";
    x += s.text_box ? "<wps:cNvSpPr txBox=\"1\"/>" : "<wps:cNvSpPr/>";
    x += "<wps:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"" + N(o.w) + "\" cy=\"" + N(o.h) + "\"/></a:xfrm>" +
         s.geometry + s.fill + s.line + "</wps:spPr>";
    if (!s.text.empty()) x += "<wps:txbx><w:txbxContent>" + s.text + "</w:txbxContent></wps:txbx>";
    x += "<wps:bodyPr rot=\"0\" vert=\"horz\" wrap=\"square\" lIns=\"" + N(s.inset_left) + "\" tIns=\"" +
         N(s.inset_top) + "\" rIns=\"0\" bIns=\"0\" anchor=\"t\" anchorCtr=\"0\"><a:noAutofit/></wps:bodyPr>";
    x += "</wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing></mc:Choice></mc:AlternateContent></w:r>";
    return x;
}

const std::string kPrstRect = "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>";

// The road artwork, in the coordinates of the diagram square.
ShapeXml Road(const Object& o) {
    const double S = cdlayout::kDiagramSize, c = S / 2, h = cdlayout::kRoadHalfWidth, r = cdlayout::kCornerRadius;
    const double k = kBezier * r;
    ShapeXml s;
    s.line = Line("000000", 1.5);
    std::vector<Path> paths;
    auto seg = [&](Pt a, Pt b) { paths.push_back(Path(S, S, " fill=\"none\"").Move(a).Line(b)); };
    const std::string& n = o.name;
    if (n == "Edge_N_W") seg({c - h, 0}, {c - h, c - h - r});
    if (n == "Edge_N_E") seg({c + h, 0}, {c + h, c - h - r});
    if (n == "Edge_S_W") seg({c - h, c + h + r}, {c - h, S});
    if (n == "Edge_S_E") seg({c + h, c + h + r}, {c + h, S});
    if (n == "Edge_W_N") seg({0, c - h}, {c - h - r, c - h});
    if (n == "Edge_W_S") seg({0, c + h}, {c - h - r, c + h});
    if (n == "Edge_E_N") seg({c + h + r, c - h}, {S, c - h});
    if (n == "Edge_E_S") seg({c + h + r, c + h}, {S, c + h});
    auto curve = [&](Pt p0, Pt p1, Pt p2, Pt p3) { paths.push_back(Path(S, S, " fill=\"none\"").Move(p0).Curve(p1, p2, p3)); };
    if (n == "NWcorner") curve({c - h - r, c - h}, {c - h - r + k, c - h}, {c - h, c - h - r + k}, {c - h, c - h - r});
    if (n == "NEcorner") curve({c + h + r, c - h}, {c + h + r - k, c - h}, {c + h, c - h - r + k}, {c + h, c - h - r});
    if (n == "SWcorner") curve({c - h - r, c + h}, {c - h - r + k, c + h}, {c - h, c + h + r - k}, {c - h, c + h + r});
    if (n == "SEcorner") curve({c + h + r, c + h}, {c + h + r - k, c + h}, {c + h, c + h + r - k}, {c + h, c + h + r});
    // a closed leg: its stubs covered in white, the road edge drawn across its mouth
    auto cover = [&](double x0, double y0, double x1, double y1) {
        paths.push_back(Path(S, S, " stroke=\"0\"").Move({x0, y0}).Line({x1, y0}).Line({x1, y1}).Line({x0, y1}).Close());
    };
    const double m = 0.05;
    if (n == "N_Line") cover(c - h - m, 0, c + h + m, c - h - 0.03), seg({c - h - r, c - h}, {c + h + r, c - h});
    if (n == "S_Line") cover(c - h - m, c + h + 0.03, c + h + m, S), seg({c - h - r, c + h}, {c + h + r, c + h});
    if (n == "W_Line") cover(0, c - h - m, c - h - 0.03, c + h + m), seg({c - h, c - h - r}, {c - h, c + h + r});
    if (n == "E_Line") cover(c + h + 0.03, c - h - m, S, c + h + m), seg({c + h, c - h - r}, {c + h, c + h + r});
    if (o.kind == Kind::Closure) s.fill = "<a:solidFill><a:srgbClr val=\"FFFFFF\"/></a:solidFill>";
    s.geometry = CustGeom(paths);
    return s;
}

std::string Two(int code) {
    return (code < 10 ? "0" : "") + std::to_string(code);
}

// An arrow in the direction the vehicle travels, its code beside it.
ShapeXml Symbol(const Object& o) {
    const double w = o.w, h = o.h;
    ShapeXml s;
    s.line = Line("404040", 1.75);
    Path p(w, h, " fill=\"none\"");
    switch (o.letter) {
        case 'N':  // southbound
            p.Move({0.10, 0.03}).Line({0.10, 0.35}).Move({0.04, 0.27}).Line({0.10, 0.35}).Line({0.16, 0.27});
            s.inset_left = 0.19, s.inset_top = 0.12;
            break;
        case 'S':  // northbound
            p.Move({0.10, 0.35}).Line({0.10, 0.03}).Move({0.04, 0.11}).Line({0.10, 0.03}).Line({0.16, 0.11});
            s.inset_left = 0.19, s.inset_top = 0.12;
            break;
        case 'E':  // westbound
            p.Move({0.37, 0.09}).Line({0.03, 0.09}).Move({0.11, 0.03}).Line({0.03, 0.09}).Line({0.11, 0.15});
            s.inset_left = 0.10, s.inset_top = 0.19;
            break;
        case 'W':  // eastbound
            p.Move({0.03, 0.09}).Line({0.37, 0.09}).Move({0.29, 0.03}).Line({0.37, 0.09}).Line({0.29, 0.15});
            s.inset_left = 0.10, s.inset_top = 0.19;
            break;
        default: {  // no direction: a ring
            const double cx = 0.10, cy = 0.19, r = 0.07, k = kBezier * r;
            p.Move({cx + r, cy})
                .Curve({cx + r, cy + k}, {cx + k, cy + r}, {cx, cy + r})
                .Curve({cx - k, cy + r}, {cx - r, cy + k}, {cx - r, cy})
                .Curve({cx - r, cy - k}, {cx - k, cy - r}, {cx, cy - r})
                .Curve({cx + k, cy - r}, {cx + r, cy - k}, {cx + r, cy})
                .Close();
            s.inset_left = 0.19, s.inset_top = 0.12;
        }
    }
    s.geometry = CustGeom({p});
    s.text = BoxParagraph({{"D" + Two(o.code), ""}}, 6, false, o.hidden);
    return s;
}

ShapeXml TextBox(const Object& o) {
    ShapeXml s;
    s.geometry = kPrstRect;
    s.text_box = true;
    if (o.kind == Kind::CountBox) {
        s.text = "<w:p>" + ParaProps(RunProps(6, "", true, o.hidden)) + "</w:p>";
    } else if (o.name == "Textbox_SegNode") {
        s.text = "<w:p>" + ParaProps(RunProps(14, "", true, o.hidden)) + "</w:p>";
    } else if (o.name == "Textbox_Unplottable") {
        s.text = "<w:p>" + ParaProps(RunProps(9, "", false, o.hidden, "Courier New")) + "</w:p>";
    } else if (o.name == "Textbox_CountKey") {
        s.text = BoxParagraph({{"Counts:  ", ""}, {"Fatal", "FF0000"}, {"  Injury", "FF8000"}, {"  PDO", "0000BF"}}, 9,
                              true, o.hidden);
    } else {
        s.text = "<w:p>" + ParaProps(RunProps(10, "", false, o.hidden)) + "</w:p>";
    }
    return s;
}

std::string DocumentXml() {
    std::string x =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
        "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
        "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
        "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" "
        "xmlns:wp14=\"http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing\" "
        "mc:Ignorable=\"w14 wp14\"><w:body>";
    // The drawing is anchored to the page in the first paragraph, whose
    // height keeps the text that follows below the drawing.
    x += "<w:p><w:pPr><w:spacing w:before=\"0\" w:after=\"0\" w:line=\"10584\" w:lineRule=\"exact\"/></w:pPr>";
    int id = 1;
    for (const Object& o : cdlayout::Objects()) {
        ShapeXml s;
        switch (o.kind) {
            case Kind::Edge:
            case Kind::Closure:
            case Kind::Corner: s = Road(o); break;
            case Kind::Symbol: s = Symbol(o); break;
            case Kind::CountBox:
            case Kind::TextBox: s = TextBox(o); break;
        }
        x += Anchor(o, id++, s);
    }
    x += "</w:p>";
    x += "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/><w:pgMar w:top=\"1080\" w:right=\"1080\" w:bottom=\"1080\" "
         "w:left=\"1080\" w:header=\"720\" w:footer=\"720\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>";
    return x;
}

const char* kStyles =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Arial\" w:hAnsi=\"Arial\" w:cs=\"Arial\"/>"
    "<w:sz w:val=\"22\"/><w:szCs w:val=\"22\"/><w:lang w:val=\"en-CA\"/></w:rPr></w:rPrDefault>"
    "<w:pPrDefault><w:pPr><w:spacing w:after=\"60\"/></w:pPr></w:pPrDefault></w:docDefaults>"
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/><w:qFormat/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/>"
    "<w:next w:val=\"Normal\"/><w:qFormat/><w:pPr><w:keepNext/><w:spacing w:before=\"240\" w:after=\"120\"/>"
    "<w:outlineLvl w:val=\"0\"/></w:pPr><w:rPr><w:b/><w:bCs/><w:sz w:val=\"32\"/><w:szCs w:val=\"32\"/></w:rPr>"
    "</w:style>"
    "<w:style w:type=\"character\" w:default=\"1\" w:styleId=\"DefaultParagraphFont\">"
    "<w:name w:val=\"Default Paragraph Font\"/><w:uiPriority w:val=\"1\"/><w:semiHidden/></w:style>"
    "</w:styles>";

const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/word/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
    "</Types>";

const char* kRootRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/></Relationships>";

const char* kDocumentRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/></Relationships>";

bool WritePackage(const std::string& path) {
    const std::string temp = path + ".part";
    std::remove(temp.c_str());
    int err = 0;
    zip_t* z = zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z) return false;
    const std::string document = DocumentXml();
    const std::pair<const char*, std::string> entries[] = {{"[Content_Types].xml", kContentTypes},
                                                           {"_rels/.rels", kRootRels},
                                                           {"word/document.xml", document},
                                                           {"word/_rels/document.xml.rels", kDocumentRels},
                                                           {"word/styles.xml", kStyles}};
    for (const auto& [name, data] : entries) {
        zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
        if (!src || zip_file_add(z, name, src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            if (src) zip_source_free(src);
            zip_discard(z);
            return false;
        }
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

// A 24-bit picture of the legs of one intersection type.
bool WritePicture(const std::string& path, int type) {
    constexpr int S = 40, half = 6;
    const cdlayout::Legs legs = cdlayout::LegsOf(type);
    auto road = [&](int x, int y) {
        const bool ns = x >= S / 2 - half && x < S / 2 + half;
        const bool ew = y >= S / 2 - half && y < S / 2 + half;
        if (ns && ew) return true;
        if (ns) return y < S / 2 ? legs.n : legs.s;
        if (ew) return x < S / 2 ? legs.w : legs.e;
        return false;
    };
    std::string px;
    for (int row = S - 1; row >= 0; --row) {  // bottom-up
        for (int x = 0; x < S; ++x) {
            const bool on = road(x, row);
            const bool edge = on && (!road(x - 1, row) || !road(x + 1, row) || !road(x, row - 1) || !road(x, row + 1));
            const unsigned char v = edge ? 40 : on ? 150 : 255;
            px += static_cast<char>(v);
            px += static_cast<char>(v);
            px += static_cast<char>(v);
        }
    }
    auto le = [](std::string& s, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 255);
    };
    std::string bmp = "BM";
    le(bmp, 54 + static_cast<uint32_t>(px.size()), 4);
    le(bmp, 0, 4);
    le(bmp, 54, 4);
    le(bmp, 40, 4);
    le(bmp, S, 4);
    le(bmp, S, 4);
    le(bmp, 1, 2);
    le(bmp, 24, 2);
    le(bmp, 0, 4);
    le(bmp, static_cast<uint32_t>(px.size()), 4);
    le(bmp, 2835, 4);
    le(bmp, 2835, 4);
    le(bmp, 0, 4);
    le(bmp, 0, 4);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bmp << px;
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cd-template-gen OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    if (!WritePackage(folder + "cd_base.docx")) {
        std::fprintf(stderr, "cd-template-gen: cannot write %scd_base.docx\n", folder.c_str());
        return 1;
    }
    for (int type = 1; type <= 7; ++type) {
        const std::string name = folder + "cd_type" + std::to_string(type) + ".bmp";
        if (!WritePicture(name, type)) {
            std::fprintf(stderr, "cd-template-gen: cannot write %s\n", name.c_str());
            return 1;
        }
    }
    return 0;
}
