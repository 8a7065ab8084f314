// Documents edited in their .docx package: the main document part is parsed,
// changed and written back; every other entry is copied as it was.
#include "platform/office/word_document.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <pugixml.hpp>
#include <sstream>

#include "platform/office/book_impl.h"
#include "platform/office/cell_format.h"
#include "platform/office/xml_names.h"
#include "platform/shell/shell.h"

namespace office {

namespace {

namespace fs = std::filesystem;

using xml::child;
using xml::kParseFlags;
using xml::local_name;
using xml::prefix_of;

// The attribute of that local name whatever its prefix.
pugi::xml_attribute attr(const pugi::xml_node& n, std::string_view name) {
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
        std::string_view an = a.name();
        const size_t colon = an.find(':');
        if ((colon == std::string_view::npos ? an : an.substr(colon + 1)) == name) return a;
    }
    return {};
}

template <class F>
void each_descendant(const pugi::xml_node& root, std::string_view name, F&& f) {
    for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        if (local_name(c) == name) f(c);
        each_descendant(c, name, f);
    }
}

pugi::xml_node first_descendant(const pugi::xml_node& root, std::string_view name) {
    pugi::xml_node found;
    for (pugi::xml_node c = root.first_child(); c && !found; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        if (local_name(c) == name) return c;
        found = first_descendant(c, name);
    }
    return found;
}

pugi::xml_node root_element(const pugi::xml_document& doc) {
    for (pugi::xml_node c = doc.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) return c;
    return {};
}

bool truthy(const char* v) {
    return std::string_view(v) == "1" || std::string_view(v) == "true" || std::string_view(v) == "on";
}

// Inserts a new child called prefix + name where the schema's sequence
// `order` puts it; an existing one is returned as it is.
pugi::xml_node ordered_child(pugi::xml_node parent, const std::string& prefix, std::string_view name,
                             const std::vector<std::string_view>& order) {
    if (pugi::xml_node c = child(parent, name)) return c;
    const auto rank = [&](std::string_view n) {
        const auto it = std::find(order.begin(), order.end(), n);
        return it == order.end() ? order.size() : static_cast<size_t>(it - order.begin());
    };
    const size_t mine = rank(name);
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && rank(local_name(c)) > mine)
            return parent.insert_child_before((prefix + std::string(name)).c_str(), c);
    }
    return parent.append_child((prefix + std::string(name)).c_str());
}

const std::vector<std::string_view> kRunPropertyOrder = {
    "rStyle", "rFonts",  "b",        "bCs",     "i",      "iCs",    "caps",       "smallCaps", "strike",
    "dstrike", "outline", "shadow",  "emboss",  "imprint", "noProof", "snapToGrid", "vanish",    "webHidden",
    "color",  "spacing", "w",        "kern",    "position", "sz",    "szCs",       "highlight", "u",
    "effect", "bdr",     "shd",      "fitText", "vertAlign", "rtl",  "cs",         "em",        "lang",
    "eastAsianLayout", "specVanish", "oMath"};

const std::vector<std::string_view> kShapePropertyOrder = {
    "xfrm", "custGeom", "prstGeom", "noFill", "solidFill", "gradFill", "blipFill", "pattFill", "grpFill",
    "ln",   "effectLst", "effectDag", "scene3d", "sp3d",   "extLst"};

const std::vector<std::string_view> kLineFills = {"noFill", "solidFill", "gradFill", "pattFill"};

std::string serialise(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

int32_t hex_color(const char* hex) {
    const std::string_view h(hex);
    if (h.size() != 6) return -1;
    int32_t rgb = 0;
    for (char c : h) {
        int v = 0;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else return -1;
        rgb = rgb * 16 + v;
    }
    return WordColor((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

// The text of a paragraph's runs (w:t, tabs and breaks as characters).
std::string paragraph_text(const pugi::xml_node& p) {
    std::string out;
    each_descendant(p, "t", [&](pugi::xml_node t) { out += t.text().get(); });
    return out;
}

}  // namespace

std::string WordColorHex(int32_t color) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", color & 255, (color >> 8) & 255, (color >> 16) & 255);
    return buf;
}

struct WordDocument::Impl {
    std::string path;
    std::string bytes;  // the package as last read or written
    std::string document_part = "word/document.xml";
    pugi::xml_document doc;
    pugi::xml_document styles;
    bool has_styles = false;
    bool dirty = false;
    std::string w;  // the prefix of the main document's elements ("w:")

    std::string read_entry(zip_t* z, const std::string& name) {
        zip_file_t* f = zip_fopen(z, name.c_str(), 0);
        if (!f) return {};
        std::string data;
        char buf[65536];
        zip_int64_t got = 0;
        while ((got = zip_fread(f, buf, sizeof buf)) > 0) data.append(buf, static_cast<size_t>(got));
        zip_fclose(f);
        return data;
    }

    void load() {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        zip_t* z = src ? zip_open_from_source(src, ZIP_RDONLY, &error) : nullptr;
        if (!z) {
            if (src) zip_source_free(src);
            const std::string why = zip_error_strerror(&error);
            zip_error_fini(&error);
            throw Error(kErrDefined, "'" + path + "' is not a document package: " + why);
        }
        zip_error_fini(&error);
        // the main part and its styles, as the relationships name them
        std::string styles_part = "word/styles.xml";
        pugi::xml_document rels;
        const std::string root_rels = read_entry(z, "_rels/.rels");
        if (rels.load_buffer(root_rels.data(), root_rels.size(), kParseFlags)) {
            for (pugi::xml_node r = root_element(rels).first_child(); r; r = r.next_sibling()) {
                const std::string type = r.attribute("Type").value();
                if (type.size() >= 15 && type.compare(type.size() - 15, 15, "/officeDocument") == 0) {
                    std::string target = r.attribute("Target").value();
                    if (!target.empty() && target[0] == '/') target.erase(0, 1);
                    document_part = target;
                }
            }
        }
        const size_t slash = document_part.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : document_part.substr(0, slash + 1);
        const std::string doc_rels_name =
            folder + "_rels/" + (slash == std::string::npos ? document_part : document_part.substr(slash + 1)) + ".rels";
        const std::string doc_rels = read_entry(z, doc_rels_name);
        pugi::xml_document drels;
        if (drels.load_buffer(doc_rels.data(), doc_rels.size(), kParseFlags)) {
            for (pugi::xml_node r = root_element(drels).first_child(); r; r = r.next_sibling()) {
                const std::string type = r.attribute("Type").value();
                if (type.size() >= 7 && type.compare(type.size() - 7, 7, "/styles") == 0) {
                    std::string target = r.attribute("Target").value();
                    styles_part = !target.empty() && target[0] == '/' ? target.substr(1) : folder + target;
                }
            }
        }
        const std::string main = read_entry(z, document_part);
        const std::string style_text = read_entry(z, styles_part);
        zip_discard(z);
        if (main.empty() || !doc.load_buffer(main.data(), main.size(), kParseFlags))
            throw Error(kErrDefined, "'" + path + "' holds no readable document part.");
        has_styles = !style_text.empty() && styles.load_buffer(style_text.data(), style_text.size(), kParseFlags);
        w = prefix_of(root_element(doc));
    }

    pugi::xml_node body() const {
        pugi::xml_node b = child(root_element(doc), "body");
        if (!b) throw Error(kErrDefined, "'" + path + "' has no document body.");
        return b;
    }

    // The wp:docPr of the named object.
    pugi::xml_node doc_pr(const std::string& name) const {
        pugi::xml_node found;
        each_descendant(root_element(doc), "docPr", [&](pugi::xml_node d) {
            if (!found && name == d.attribute("name").value()) found = d;
        });
        if (!found) throw Error(kErrDefined, "The item with the name \"" + name + "\" was not found.");
        return found;
    }

    // The anchor or inline element that holds the object.
    static pugi::xml_node holder(const pugi::xml_node& docpr) { return docpr.parent(); }

    static pugi::xml_node shape_properties(const pugi::xml_node& docpr) {
        return first_descendant(holder(docpr), "spPr");
    }

    static pugi::xml_node text_content(const pugi::xml_node& docpr) {
        return first_descendant(holder(docpr), "txbxContent");
    }

    static bool hidden(const pugi::xml_node& docpr) { return truthy(docpr.attribute("hidden").value()); }

    // Text of a hidden object is hidden text, so that nothing of it is drawn.
    void mark_runs(const pugi::xml_node& content, bool vanish) const {
        if (!content) return;
        each_descendant(content, "r", [&](pugi::xml_node r) {
            pugi::xml_node rpr = child(r, "rPr");
            if (!rpr && !vanish) return;
            if (!rpr) rpr = r.prepend_child((w + "rPr").c_str());
            if (vanish)
                ordered_child(rpr, w, "vanish", kRunPropertyOrder);
            else if (pugi::xml_node v = child(rpr, "vanish"))
                rpr.remove_child(v);
        });
    }

    std::string style_id(const std::string& name) const {
        if (!has_styles) return {};
        const std::string want = detail::lower(name);
        std::string id;
        for (pugi::xml_node s = root_element(styles).first_child(); s && id.empty(); s = s.next_sibling()) {
            if (local_name(s) != "style") continue;
            const pugi::xml_attribute type = attr(s, "type");
            if (type && std::string_view(type.value()) != "paragraph") continue;
            const pugi::xml_attribute sid = attr(s, "styleId");
            const pugi::xml_node n = child(s, "name");
            if ((n && detail::lower(attr(n, "val").value()) == want) || detail::lower(sid.value()) == want)
                id = sid.value();
        }
        return id;
    }

    // A new body element, placed before the final section properties.
    pugi::xml_node append_body(const char* local) {
        pugi::xml_node b = body();
        dirty = true;
        pugi::xml_node last = b.last_child();
        while (last && last.type() != pugi::node_element) last = last.previous_sibling();
        if (last && local_name(last) == "sectPr") return b.insert_child_before((w + local).c_str(), last);
        return b.append_child((w + local).c_str());
    }

    void add_text_run(pugi::xml_node p, const std::string& text) const {
        pugi::xml_node r = p.append_child((w + "r").c_str());
        pugi::xml_node t = r.append_child((w + "t").c_str());
        t.append_attribute("xml:space") = "preserve";
        t.text() = detail::xml_safe(text).c_str();
    }

    void write(const std::string& target) {
        const std::string main = serialise(doc);
        const std::string temp = temp_beside(target);
        try {
            {
                std::ofstream out(temp, std::ios::binary | std::ios::trunc);
                out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
                out.close();
                if (!out) throw Error(kErrDefined, "Cannot write " + target);
            }
            int err = 0;
            zip_t* z = zip_open(temp.c_str(), 0, &err);
            if (!z) throw Error(kErrDefined, "Cannot write " + target + " (zip error " + std::to_string(err) + ")");
            zip_source_t* src = zip_source_buffer(z, main.data(), main.size(), 0);
            const zip_int64_t index =
                src ? zip_file_add(z, document_part.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) : -1;
            if (index < 0) {
                if (src) zip_source_free(src);
                const std::string why = zip_strerror(z);
                zip_discard(z);
                throw Error(kErrDefined, "Cannot write " + target + ": " + why);
            }
            if (zip_close(z) != 0) {
                const std::string why = zip_strerror(z);
                zip_discard(z);
                throw Error(kErrDefined, "Cannot write " + target + ": " + why);
            }
            commit_file(temp, target);
        } catch (...) {
            std::remove(temp.c_str());
            throw;
        }
        bytes = read_whole_file(target);
        dirty = false;
    }
};

WordDocument::WordDocument(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
WordDocument::~WordDocument() = default;

std::unique_ptr<WordDocument> WordDocument::Open(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw Error(kErrDefined, "'" + path + "' could not be found.");
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    impl->bytes = read_whole_file(path);
    impl->load();
    return std::make_unique<WordDocument>(std::move(impl));
}

std::string WordDocument::FullName() const {
    return impl_->path;
}

bool WordDocument::Saved() const {
    return !impl_->dirty;
}

std::vector<std::string> WordDocument::ShapeNames() const {
    std::vector<std::string> names;
    each_descendant(root_element(impl_->doc), "docPr",
                    [&](pugi::xml_node d) { names.push_back(d.attribute("name").value()); });
    return names;
}

bool WordDocument::HasShape(const std::string& name) const {
    bool found = false;
    each_descendant(root_element(impl_->doc), "docPr", [&](pugi::xml_node d) {
        found = found || name == d.attribute("name").value();
    });
    return found;
}

bool WordDocument::ShapeVisible(const std::string& name) const {
    return !Impl::hidden(impl_->doc_pr(name));
}

void WordDocument::SetShapeVisible(const std::string& name, bool visible) {
    pugi::xml_node d = impl_->doc_pr(name);
    if (visible) {
        d.remove_attribute("hidden");
    } else {
        if (!d.attribute("hidden")) d.append_attribute("hidden");
        d.attribute("hidden") = "1";
    }
    impl_->mark_runs(Impl::text_content(d), !visible);
    impl_->dirty = true;
}

int32_t WordDocument::ShapeLineColor(const std::string& name) const {
    pugi::xml_node ln = child(Impl::shape_properties(impl_->doc_pr(name)), "ln");
    pugi::xml_node clr = child(child(ln, "solidFill"), "srgbClr");
    return clr ? hex_color(clr.attribute("val").value()) : -1;
}

void WordDocument::SetShapeLineColor(const std::string& name, int32_t color) {
    pugi::xml_node sppr = Impl::shape_properties(impl_->doc_pr(name));
    if (!sppr) throw Error(kErrDefined, "The object \"" + name + "\" has no outline.");
    // DrawingML elements take the prefix the shape's own ones have
    std::string a = "a:";
    if (pugi::xml_node first = sppr.find_child([](pugi::xml_node c) { return c.type() == pugi::node_element; }))
        a = prefix_of(first);
    pugi::xml_node ln = ordered_child(sppr, a, "ln", kShapePropertyOrder);
    for (pugi::xml_node c = ln.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (c.type() == pugi::node_element &&
            std::find(kLineFills.begin(), kLineFills.end(), local_name(c)) != kLineFills.end())
            ln.remove_child(c);
        c = next;
    }
    pugi::xml_node fill = ln.prepend_child((a + "solidFill").c_str());
    fill.append_child((a + "srgbClr").c_str()).append_attribute("val") = WordColorHex(color).c_str();
    impl_->dirty = true;
}

void WordDocument::SetShapeText(const std::string& name, const std::string& text, int32_t color) {
    pugi::xml_node d = impl_->doc_pr(name);
    pugi::xml_node content = Impl::text_content(d);
    if (!content) throw Error(kErrDefined, "The object \"" + name + "\" has no text frame.");
    const std::string& w = impl_->w;
    // the first paragraph and run give the formatting
    pugi::xml_document model;
    pugi::xml_node first_p = child(content, "p");
    pugi::xml_node ppr = child(first_p, "pPr");
    pugi::xml_node rpr = child(first_descendant(first_p, "r"), "rPr");
    if (!rpr) rpr = child(ppr, "rPr");
    pugi::xml_node model_ppr = ppr ? model.append_copy(ppr) : pugi::xml_node();
    pugi::xml_node model_rpr = rpr ? model.append_copy(rpr) : model.append_child((w + "rPr").c_str());
    if (color >= 0) {
        pugi::xml_node c = ordered_child(model_rpr, w, "color", kRunPropertyOrder);
        c.remove_attributes();
        c.append_attribute((w + "val").c_str()) = WordColorHex(color).c_str();
    }
    while (pugi::xml_node c = content.first_child()) content.remove_child(c);
    for (const std::string& line : split_lines(text)) {
        pugi::xml_node p = content.append_child((w + "p").c_str());
        if (model_ppr) p.append_copy(model_ppr);
        pugi::xml_node r = p.append_child((w + "r").c_str());
        if (model_rpr.first_child()) r.append_copy(model_rpr);
        pugi::xml_node t = r.append_child((w + "t").c_str());
        t.append_attribute("xml:space") = "preserve";
        t.text() = detail::xml_safe(line).c_str();
    }
    impl_->mark_runs(content, Impl::hidden(d));
    impl_->dirty = true;
}

std::string WordDocument::ShapeText(const std::string& name) const {
    pugi::xml_node content = Impl::text_content(impl_->doc_pr(name));
    std::string out;
    bool first = true;
    for (pugi::xml_node p = content.first_child(); p; p = p.next_sibling()) {
        if (local_name(p) != "p") continue;
        if (!first) out += '\r';
        first = false;
        out += paragraph_text(p);
    }
    return out;
}

int32_t WordDocument::ShapeTextColor(const std::string& name) const {
    pugi::xml_node content = Impl::text_content(impl_->doc_pr(name));
    pugi::xml_node c = child(child(first_descendant(content, "r"), "rPr"), "color");
    return c ? hex_color(attr(c, "val").value()) : -1;
}

bool WordDocument::HasParagraphStyle(const std::string& name) const {
    return !impl_->style_id(name).empty();
}

void WordDocument::AppendParagraph(const std::string& text, const std::string& style) {
    std::string id;
    if (!style.empty()) {
        id = impl_->style_id(style);
        if (id.empty()) throw Error(kErrDefined, "The style \"" + style + "\" does not exist.");
    }
    pugi::xml_node p = impl_->append_body("p");
    const std::string& w = impl_->w;
    if (!id.empty())
        p.append_child((w + "pPr").c_str()).append_child((w + "pStyle").c_str()).append_attribute((w + "val").c_str()) =
            id.c_str();
    if (!text.empty()) impl_->add_text_run(p, text);
}

void WordDocument::AppendPageBreak() {
    pugi::xml_node p = impl_->append_body("p");
    const std::string& w = impl_->w;
    p.append_child((w + "r").c_str()).append_child((w + "br").c_str()).append_attribute((w + "type").c_str()) =
        "page";
}

void WordDocument::AppendTable(const std::vector<std::vector<std::string>>& rows) {
    size_t columns = 0;
    for (const auto& row : rows) columns = std::max(columns, row.size());
    if (columns == 0) return;
    // widths fitted to the longest text of each column (twips, about 10 points a character)
    std::vector<size_t> chars(columns, 1);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c) chars[c] = std::max(chars[c], row[c].size());
    const std::string& w = impl_->w;
    pugi::xml_node tbl = impl_->append_body("tbl");
    pugi::xml_node pr = tbl.append_child((w + "tblPr").c_str());
    pugi::xml_node tw = pr.append_child((w + "tblW").c_str());
    tw.append_attribute((w + "w").c_str()) = "0";
    tw.append_attribute((w + "type").c_str()) = "auto";
    pugi::xml_node borders = pr.append_child((w + "tblBorders").c_str());
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
        pugi::xml_node b = borders.append_child((w + side).c_str());
        b.append_attribute((w + "val").c_str()) = "single";
        b.append_attribute((w + "sz").c_str()) = "4";
        b.append_attribute((w + "space").c_str()) = "0";
        b.append_attribute((w + "color").c_str()) = "000000";
    }
    pr.append_child((w + "tblLayout").c_str()).append_attribute((w + "type").c_str()) = "autofit";
    pugi::xml_node grid = tbl.append_child((w + "tblGrid").c_str());
    std::vector<std::string> widths;
    for (size_t c = 0; c < columns; ++c) {
        widths.push_back(std::to_string(chars[c] * 120 + 220));
        grid.append_child((w + "gridCol").c_str()).append_attribute((w + "w").c_str()) = widths.back().c_str();
    }
    for (const auto& row : rows) {
        pugi::xml_node tr = tbl.append_child((w + "tr").c_str());
        for (size_t c = 0; c < columns; ++c) {
            pugi::xml_node tc = tr.append_child((w + "tc").c_str());
            pugi::xml_node tcw = tc.append_child((w + "tcPr").c_str()).append_child((w + "tcW").c_str());
            tcw.append_attribute((w + "w").c_str()) = widths[c].c_str();
            tcw.append_attribute((w + "type").c_str()) = "dxa";
            pugi::xml_node p = tc.append_child((w + "p").c_str());
            if (c < row.size() && !row[c].empty()) impl_->add_text_run(p, row[c]);
        }
    }
    // a table is followed by a paragraph, as word processors keep it
    impl_->append_body("p");
}

std::vector<std::string> WordDocument::BodyParagraphs() const {
    std::vector<std::string> out;
    for (pugi::xml_node p = impl_->body().first_child(); p; p = p.next_sibling()) {
        if (local_name(p) != "p") continue;
        std::string text = paragraph_text(p);
        each_descendant(p, "br", [&](pugi::xml_node b) {
            if (std::string_view(attr(b, "type").value()) == "page") text += "\f";
        });
        out.push_back(text);
    }
    return out;
}

std::vector<int32_t> WordDocument::TableRowCounts() const {
    std::vector<int32_t> out;
    for (pugi::xml_node t = impl_->body().first_child(); t; t = t.next_sibling()) {
        if (local_name(t) != "tbl") continue;
        int32_t rows = 0;
        for (pugi::xml_node r = t.first_child(); r; r = r.next_sibling()) rows += local_name(r) == "tr";
        out.push_back(rows);
    }
    return out;
}

void WordDocument::Save() {
    impl_->write(impl_->path);
}

void WordDocument::SaveAs(const std::string& path) {
    impl_->write(path);
    impl_->path = path;
}

// ---- application -------------------------------------------------------------

std::shared_ptr<WordApplication> WordApplication::GetRunning() {
    return nullptr;
}

std::shared_ptr<WordApplication> WordApplication::Start() {
    return std::make_shared<WordApplication>();
}

WordApplication::~WordApplication() {
    try {
        Release();
    } catch (...) {
    }
}

WordDocument& WordApplication::DocumentsOpen(const std::string& path) {
    docs_.push_back(WordDocument::Open(path));
    return *docs_.back();
}

WordDocument* WordApplication::ActiveDocument() {
    return docs_.empty() ? nullptr : docs_.back().get();
}

void WordApplication::Release() {
    std::vector<std::unique_ptr<WordDocument>> docs = std::move(docs_);
    docs_.clear();
    for (auto& d : docs) {
        if (!d->Saved()) d->Save();
        if (!visible_) continue;
        const shell::LaunchResult r = shell::OpenDocument(d->FullName());
        if (!r.started) throw Error(kErrDefined, "The word processor could not be started: " + r.error_text);
    }
}

bool DocumentInUse(const std::string& path) {
    return WorkbookInUse(path);
}

void CopyDocumentFile(const std::string& source, const std::string& target) {
    copy_file_atomic(source, target);
}

}  // namespace office
