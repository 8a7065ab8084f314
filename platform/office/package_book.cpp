// Workbooks edited in their .xlsx package. Parts are read when first needed;
// a save rewrites only the parts that changed and copies every other entry of
// the package unchanged.
#include <zip.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <sstream>

#include "platform/office/book_impl.h"
#include "platform/office/cell_format.h"
#include "platform/office/xml_names.h"
#include "platform/text/utf8.h"

namespace office {

namespace {

namespace fs = std::filesystem;

using xml::child;
using xml::kParseFlags;
using xml::local_name;
using xml::prefix_of;

template <class F>
void each_child(const pugi::xml_node& parent, std::string_view name, F&& f) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && local_name(c) == name) f(c);
}

pugi::xml_node root_element(const pugi::xml_document& doc) {
    for (pugi::xml_node c = doc.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) return c;
    return {};
}

// The attribute "r:id" whatever its prefix.
std::string rel_id(const pugi::xml_node& n) {
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute()) {
        std::string_view name = a.name();
        if (name.size() > 3 && name.substr(name.size() - 3) == ":id") return a.value();
    }
    return "";
}

bool ends_with(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string folder_of(const std::string& part) {
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string rels_of(const std::string& part) {
    const size_t slash = part.rfind('/');
    const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return folder_of(part) + "_rels/" + file + ".rels";
}

// A relationship target as a part name.
std::string resolve(const std::string& source_part, const std::string& target) {
    std::string joined = !target.empty() && target[0] == '/' ? target.substr(1) : folder_of(source_part) + target;
    std::vector<std::string> out;
    std::stringstream ss(joined);
    std::string piece;
    while (std::getline(ss, piece, '/')) {
        if (piece.empty() || piece == ".") continue;
        if (piece == "..") {
            if (!out.empty()) out.pop_back();
        } else {
            out.push_back(piece);
        }
    }
    std::string result;
    for (const auto& p : out) result += (result.empty() ? "" : "/") + p;
    return result;
}

bool is_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool escape_at(const std::string& s, size_t i) {
    if (i + 7 > s.size() || s[i] != '_' || s[i + 1] != 'x' || s[i + 6] != '_') return false;
    for (size_t k = i + 2; k < i + 6; ++k)
        if (!is_hex(s[k])) return false;
    return true;
}

// Cell text in a package writes characters XML cannot carry as "_xHHHH_".
std::string decode_escapes(const std::string& s) {
    if (s.find("_x") == std::string::npos) return s;
    std::string out;
    for (size_t i = 0; i < s.size();) {
        if (escape_at(s, i)) {
            ::text::append_utf8(out, static_cast<uint32_t>(std::stoul(s.substr(i + 2, 4), nullptr, 16)));
            i += 7;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// A text that looks like an escape keeps its underscore escaped.
std::string encode_escapes(const std::string& s) {
    if (s.find("_x") == std::string::npos) return s;
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (escape_at(s, i)) out += "_x005F";
        out += s[i];
    }
    return out;
}

bool truthy(const char* v) {
    return std::strcmp(v, "1") == 0 || std::strcmp(v, "true") == 0;
}

int to_int(const char* v, int fallback = 0) {
    int n = fallback;
    const size_t len = std::strlen(v);
    auto [p, ec] = std::from_chars(v, v + len, n);
    return ec == std::errc() && p == v + len ? n : fallback;
}

struct Part {
    pugi::xml_document doc;
    bool dirty = false;
};

struct PackageSheet;

struct PackageBook : Workbook::Impl {
    std::string bytes;  // the package as last read or written
    zip_t* zip = nullptr;
    std::map<std::string, std::unique_ptr<Part>> parts;
    std::set<std::string> removed;

    std::string workbook_part = "xl/workbook.xml";
    struct Entry {
        std::string name;
        std::string part;
        bool worksheet = false;
        WorksheetRef sheet;
    };
    std::vector<Entry> entries;  // every sheet, in workbook order
    int32_t active_tab = 0;
    bool date1904 = false;
    std::string styles_part, strings_part, calc_chain_part;
    bool formula_removed = false;

    bool strings_loaded = false;
    std::vector<std::string> strings;

    struct Xf {
        int num_fmt = 0;
        int fill = 0;
    };
    bool styles_loaded = false;
    std::vector<Xf> xfs;
    std::map<int, std::string> num_fmts;
    std::vector<int16_t> fill_colors;
    std::map<std::pair<int, int16_t>, int> recolored;
    std::map<int16_t, int> color_fills;

    ~PackageBook() override {
        if (zip) zip_discard(zip);
    }

    void open_bytes() {
        if (zip) zip_discard(zip);
        zip = nullptr;
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (src) {
            zip = zip_open_from_source(src, ZIP_RDONLY, &error);
            if (!zip) zip_source_free(src);
        }
        if (!zip) {
            const std::string why = zip_error_strerror(&error);
            zip_error_fini(&error);
            throw Error(kErrDefined, "'" + path + "' is not a workbook that can be read (" + why + ").");
        }
        zip_error_fini(&error);
    }

    bool has_part(const std::string& name) const {
        return !removed.count(name) && (parts.count(name) || zip_name_locate(zip, name.c_str(), 0) >= 0);
    }

    std::string read_part(const std::string& name) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(zip, name.c_str(), 0, &st) != 0)
            throw Error(kErrDefined, "'" + path + "' lacks its part " + name + ".");
        zip_file_t* f = zip_fopen(zip, name.c_str(), 0);
        if (!f) throw Error(kErrDefined, "'" + path + "': part " + name + " cannot be read.");
        // read as it comes: a damaged directory may claim any size
        std::string data;
        char buf[65536];
        zip_int64_t got = 0;
        while ((got = zip_fread(f, buf, sizeof buf)) > 0) data.append(buf, static_cast<size_t>(got));
        zip_fclose(f);
        if (got < 0 || ((st.valid & ZIP_STAT_SIZE) && data.size() != st.size))
            throw Error(kErrDefined, "'" + path + "': part " + name + " cannot be read.");
        return data;
    }

    Part& doc(const std::string& name) {
        auto it = parts.find(name);
        if (it != parts.end()) return *it->second;
        auto part = std::make_unique<Part>();
        const std::string data = read_part(name);
        const auto result = part->doc.load_buffer(data.data(), data.size(), kParseFlags);
        if (!result)
            throw Error(kErrDefined,
                        "'" + path + "': part " + name + " is not well-formed (" + result.description() + ").");
        return *parts.emplace(name, std::move(part)).first->second;
    }

    // Relationships of a part: id -> (type, target part).
    std::map<std::string, std::pair<std::string, std::string>> relationships(const std::string& part) {
        std::map<std::string, std::pair<std::string, std::string>> out;
        const std::string rels = rels_of(part);
        if (!has_part(rels)) return out;
        each_child(root_element(doc(rels).doc), "Relationship", [&](pugi::xml_node r) {
            if (std::strcmp(r.attribute("TargetMode").value(), "External") == 0) return;
            out[r.attribute("Id").value()] = {r.attribute("Type").value(),
                                              resolve(part, r.attribute("Target").value())};
        });
        return out;
    }

    void load();
    void load_strings();
    void load_styles();
    std::string format_of(int xf);
    int16_t color_of(int xf);
    int recolor(int xf, int16_t color);

    int32_t active_worksheet() const override {
        if (active_tab < 0 || active_tab >= static_cast<int32_t>(entries.size())) return 0;
        if (!entries[static_cast<size_t>(active_tab)].worksheet) return 0;
        int32_t index = 0;
        for (int32_t i = 0; i <= active_tab; ++i)
            if (entries[static_cast<size_t>(i)].worksheet) ++index;
        return index;
    }

    void set_active(int32_t index) override {
        int32_t n = 0;
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].worksheet && ++n == index) active_tab = static_cast<int32_t>(i);
    }

    bool saves_in_place() const override { return true; }
    void write(const std::string& target) override;
};

struct PackageSheet : Worksheet::Impl {
    std::string part;
    bool loaded = false;
    std::string prefix;  // namespace prefix of the sheet's elements
    pugi::xml_node sheet_data, dimension;
    struct RowInfo {
        pugi::xml_node node;
        std::map<int32_t, pugi::xml_node> cells;
    };
    std::map<int32_t, RowInfo> rows;
    struct ColStyle {
        int32_t min, max;
        int style;
    };
    std::vector<ColStyle> col_styles;
    int32_t dim_r1 = 0, dim_c1 = 0, dim_r2 = 0, dim_c2 = 0;

    PackageBook& pbook() const { return static_cast<PackageBook&>(owner()); }
    Part& pdoc() const { return pbook().doc(part); }

    void load() {
        if (loaded) return;
        Part& p = pdoc();
        pugi::xml_node ws = root_element(p.doc);
        prefix = prefix_of(ws);
        sheet_data = child(ws, "sheetData");
        if (!sheet_data) {
            // sheetData comes after these, before everything else
            pugi::xml_node after;
            for (const char* name : {"dimension", "sheetViews", "sheetFormatPr", "cols"})
                if (pugi::xml_node n = child(ws, name)) after = n;
            sheet_data = after ? ws.insert_child_after((prefix + "sheetData").c_str(), after)
                               : ws.prepend_child((prefix + "sheetData").c_str());
        }
        dimension = child(ws, "dimension");
        if (dimension) {
            std::string ref = dimension.attribute("ref").value();
            const size_t colon = ref.find(':');
            const std::string a = ref.substr(0, colon), b = colon == std::string::npos ? a : ref.substr(colon + 1);
            if (!detail::parse_cell_ref(a, dim_r1, dim_c1) || !detail::parse_cell_ref(b, dim_r2, dim_c2))
                dim_r1 = dim_c1 = dim_r2 = dim_c2 = 0;
        }
        if (pugi::xml_node cols = child(ws, "cols"))
            each_child(cols, "col", [&](pugi::xml_node c) {
                if (c.attribute("style"))
                    col_styles.push_back({to_int(c.attribute("min").value()), to_int(c.attribute("max").value()),
                                          to_int(c.attribute("style").value())});
            });
        int32_t row_no = 0;
        each_child(sheet_data, "row", [&](pugi::xml_node r) {
            // a damaged row number stays off the sheet rather than overflow
            const int32_t next = row_no < kMaxRows ? row_no + 1 : kMaxRows + 1;
            row_no = r.attribute("r") ? to_int(r.attribute("r").value(), next) : next;
            RowInfo& info = rows[row_no];
            info.node = r;
            int32_t col_no = 0;
            each_child(r, "c", [&](pugi::xml_node c) {
                int32_t rr = 0, cc = 0;
                if (c.attribute("r") && detail::parse_cell_ref(c.attribute("r").value(), rr, cc))
                    col_no = cc;
                else
                    ++col_no;
                info.cells[col_no] = c;
            });
        });
        loaded = true;
    }

    pugi::xml_node find(int32_t row, int32_t column) {
        load();
        auto r = rows.find(row);
        if (r == rows.end()) return {};
        auto c = r->second.cells.find(column);
        return c == r->second.cells.end() ? pugi::xml_node() : c->second;
    }

    int style_at(int32_t row, int32_t column) {
        if (pugi::xml_node c = find(row, column)) return to_int(c.attribute("s").value());
        auto r = rows.find(row);
        if (r != rows.end() && truthy(r->second.node.attribute("customFormat").value()))
            return to_int(r->second.node.attribute("s").value());
        for (const auto& cs : col_styles)
            if (column >= cs.min && column <= cs.max) return cs.style;
        return 0;
    }

    pugi::xml_node make(int32_t row, int32_t column) {
        if (pugi::xml_node c = find(row, column)) return c;
        const int style = style_at(row, column);
        auto r = rows.find(row);
        if (r == rows.end()) {
            auto next = rows.upper_bound(row);
            pugi::xml_node node = next == rows.end()
                                      ? sheet_data.append_child((prefix + "row").c_str())
                                      : sheet_data.insert_child_before((prefix + "row").c_str(), next->second.node);
            node.append_attribute("r") = row;
            r = rows.emplace(row, RowInfo{node, {}}).first;
        }
        RowInfo& info = r->second;
        info.node.remove_attribute("spans");
        auto next = info.cells.upper_bound(column);
        pugi::xml_node c = next == info.cells.end()
                               ? info.node.append_child((prefix + "c").c_str())
                               : info.node.insert_child_before((prefix + "c").c_str(), next->second);
        c.append_attribute("r") = (detail::column_letters(column) + std::to_string(row)).c_str();
        if (style != 0) c.append_attribute("s") = style;
        info.cells[column] = c;
        if (dimension) {
            if (dim_r1 == 0) {
                dim_r1 = dim_r2 = row;
                dim_c1 = dim_c2 = column;
            }
            const int32_t r1 = std::min(dim_r1, row), c1 = std::min(dim_c1, column);
            const int32_t r2 = std::max(dim_r2, row), c2 = std::max(dim_c2, column);
            if (r1 != dim_r1 || c1 != dim_c1 || r2 != dim_r2 || c2 != dim_c2 ||
                std::string(dimension.attribute("ref").value()).find(':') == std::string::npos) {
                dim_r1 = r1, dim_c1 = c1, dim_r2 = r2, dim_c2 = c2;
                const std::string ref = detail::column_letters(c1) + std::to_string(r1) + ":" +
                                        detail::column_letters(c2) + std::to_string(r2);
                if (!dimension.attribute("ref")) dimension.append_attribute("ref");
                dimension.attribute("ref") = ref.c_str();
            }
        }
        return c;
    }

    CellValue get(int32_t row, int32_t column) override {
        CellValue v;
        pugi::xml_node c = find(row, column);
        if (!c) return v;
        const std::string t = c.attribute("t").value();
        pugi::xml_node val = child(c, "v");
        auto inline_text = [&]() {
            std::string out;
            pugi::xml_node is = child(c, "is");
            if (pugi::xml_node tt = child(is, "t")) out += tt.text().get();
            each_child(is, "r", [&](pugi::xml_node r) { out += child(r, "t").text().get(); });
            return out;
        };
        if (t == "inlineStr") {
            v.kind = CellValue::Text;
            v.text = decode_escapes(inline_text());
        } else if (!val) {
            return v;
        } else if (t == "s") {
            auto& book = pbook();
            book.load_strings();
            const int i = to_int(val.text().get(), -1);
            if (i < 0 || i >= static_cast<int>(book.strings.size()))
                throw Error(kErrDefined, "Cell " + detail::column_letters(column) + std::to_string(row) +
                                             " refers to a missing shared string.");
            v.kind = CellValue::Text;
            v.text = book.strings[static_cast<size_t>(i)];
        } else if (t == "str") {
            v.kind = CellValue::Text;
            v.text = val.text().get();
        } else if (t == "b") {
            v.kind = CellValue::Boolean;
            v.number = to_int(val.text().get()) != 0 ? 1 : 0;
        } else if (t == "e") {
            v.kind = CellValue::ErrorValue;
            v.text = val.text().get();
        } else if (t == "d") {
            v.kind = CellValue::Date;
            if (!detail::parse_iso_date(std::string(val.text().get()).substr(0, 10), v.number)) {
                v.kind = CellValue::Text;
                v.text = val.text().get();
            }
        } else {
            const char* s = val.text().get();
            double d = 0;
            const size_t len = std::strlen(s);
            auto [p, ec] = std::from_chars(s, s + len, d);
            if (ec != std::errc() || p != s + len || !std::isfinite(d))
                throw Error(kErrDefined, "Cell " + detail::column_letters(column) + std::to_string(row) +
                                             " holds no readable number.");
            v.kind = CellValue::Number;
            v.number = d;
            if (pbook().date1904) d += 1462;
            if (detail::serial_in_calendar(d) && detail::is_date_format(format_at(row, column))) {
                v.kind = CellValue::Date;
                v.number = d;
            }
        }
        return v;
    }

    void put(int32_t row, int32_t column, const CellValue& value) override {
        load();
        if (value.kind == CellValue::Empty && !find(row, column)) return;
        pugi::xml_node c = make(row, column);
        if (pugi::xml_node f = child(c, "f")) {
            pbook().formula_removed = true;
            // the cells that shared this cell's formula keep their last values
            if (std::strcmp(f.attribute("t").value(), "shared") == 0 && f.attribute("ref"))
                drop_shared_formula(f.attribute("si").value());
        }
        for (const char* name : {"f", "v", "is"})
            while (pugi::xml_node n = child(c, name)) c.remove_child(n);
        c.remove_attribute("t");
        auto set_t = [&](const char* t) { c.append_attribute("t") = t; };
        auto add_v = [&](const std::string& text) { c.append_child((prefix + "v").c_str()).text() = text.c_str(); };
        switch (value.kind) {
            case CellValue::Empty:
                break;
            case CellValue::Number:
                add_v(detail::exact_number_text(value.number));
                break;
            case CellValue::Date:
                add_v(detail::exact_number_text(value.number - (pbook().date1904 ? 1462 : 0)));
                break;
            case CellValue::Boolean:
                set_t("b");
                add_v(value.number != 0 ? "1" : "0");
                break;
            case CellValue::ErrorValue:
                set_t("e");
                add_v(value.text);
                break;
            case CellValue::Text: {
                set_t("inlineStr");
                const std::string text = encode_escapes(detail::cut_to_cell(detail::xml_safe(value.text)));
                pugi::xml_node t = c.append_child((prefix + "is").c_str()).append_child((prefix + "t").c_str());
                if (!text.empty() &&
                    (text.front() == ' ' || text.back() == ' ' || text.find('\n') != std::string::npos))
                    t.append_attribute("xml:space") = "preserve";
                t.text() = text.c_str();
                break;
            }
        }
        pdoc().dirty = true;
    }

    void drop_shared_formula(const std::string& si) {
        for (auto& [r, info] : rows)
            for (auto& [col, cell] : info.cells) {
                pugi::xml_node f = child(cell, "f");
                if (f && std::strcmp(f.attribute("t").value(), "shared") == 0 && si == f.attribute("si").value())
                    cell.remove_child(f);
            }
    }

    std::string format_at(int32_t row, int32_t column) override { return pbook().format_of(style_at(row, column)); }

    int16_t color_at(int32_t row, int32_t column) override { return pbook().color_of(style_at(row, column)); }

    void set_color(int32_t row, int32_t column, int16_t index) override {
        const int xf = pbook().recolor(style_at(row, column), index);
        pugi::xml_node c = make(row, column);
        c.remove_attribute("s");
        if (xf != 0) {
            // s comes right after r, as spreadsheet programs write it
            pugi::xml_attribute r = c.attribute("r");
            (r ? c.insert_attribute_after("s", r) : c.prepend_attribute("s")) = xf;
        }
        pdoc().dirty = true;
    }
};

void PackageBook::load() {
    open_bytes();
    {
        const auto root = relationships("");
        for (const auto& [id, rel] : root)
            if (ends_with(rel.first, "/officeDocument")) workbook_part = rel.second;
    }
    // relationships("") looks for "_rels/.rels": the package's own
    const auto rels = relationships(workbook_part);
    for (const auto& [id, rel] : rels) {
        if (ends_with(rel.first, "/styles")) styles_part = rel.second;
        if (ends_with(rel.first, "/sharedStrings")) strings_part = rel.second;
        if (ends_with(rel.first, "/calcChain")) calc_chain_part = rel.second;
    }
    pugi::xml_node wb = root_element(doc(workbook_part).doc);
    if (local_name(wb) != "workbook") throw Error(kErrDefined, "'" + path + "' holds no workbook.");
    date1904 = truthy(child(wb, "workbookPr").attribute("date1904").value());
    active_tab = to_int(child(child(wb, "bookViews"), "workbookView").attribute("activeTab").value());
    each_child(child(wb, "sheets"), "sheet", [&](pugi::xml_node s) {
        Entry e;
        e.name = s.attribute("name").value();
        auto rel = rels.find(rel_id(s));
        if (rel != rels.end()) {
            e.part = rel->second.second;
            e.worksheet = ends_with(rel->second.first, "/worksheet") && has_part(e.part);
        }
        entries.push_back(std::move(e));
    });
    for (auto& e : entries) {
        if (!e.worksheet) continue;
        auto impl = std::make_unique<PackageSheet>();
        impl->name = e.name;
        impl->part = e.part;
        e.sheet = std::make_shared<Worksheet>(std::move(impl));
        sheets.push_back(e.sheet);
    }
}

void PackageBook::load_strings() {
    if (strings_loaded) return;
    strings_loaded = true;
    if (strings_part.empty() || !has_part(strings_part)) return;
    each_child(root_element(doc(strings_part).doc), "si", [&](pugi::xml_node si) {
        std::string s;
        if (pugi::xml_node t = child(si, "t")) s += t.text().get();
        each_child(si, "r", [&](pugi::xml_node r) { s += child(r, "t").text().get(); });
        strings.push_back(decode_escapes(s));
    });
}

void PackageBook::load_styles() {
    if (styles_loaded) return;
    styles_loaded = true;
    if (styles_part.empty() || !has_part(styles_part)) return;
    pugi::xml_node ss = root_element(doc(styles_part).doc);
    each_child(child(ss, "numFmts"), "numFmt", [&](pugi::xml_node n) {
        num_fmts[to_int(n.attribute("numFmtId").value())] = n.attribute("formatCode").value();
    });
    each_child(child(ss, "fills"), "fill", [&](pugi::xml_node f) {
        int16_t color = 0;
        pugi::xml_node pf = child(f, "patternFill");
        const std::string type = pf.attribute("patternType").value();
        if (pf && !type.empty() && type != "none") {
            pugi::xml_node fg = child(pf, "fgColor");
            if (fg.attribute("indexed")) {
                const int i = to_int(fg.attribute("indexed").value());
                color = i >= 8 && i <= 63 ? static_cast<int16_t>(i - 7)
                        : i >= 0 && i < 8 ? static_cast<int16_t>(i + 1)
                                          : 1;
            } else if (fg.attribute("rgb")) {
                const std::string argb = fg.attribute("rgb").value();
                const std::string hex = argb.size() >= 6 ? argb.substr(argb.size() - 6) : argb;
                color = nearest_palette_index(static_cast<int32_t>(std::strtol(hex.c_str(), nullptr, 16)));
            }
        }
        fill_colors.push_back(color);
    });
    each_child(child(ss, "cellXfs"), "xf", [&](pugi::xml_node x) {
        xfs.push_back({to_int(x.attribute("numFmtId").value()), to_int(x.attribute("fillId").value())});
    });
}

std::string PackageBook::format_of(int xf) {
    load_styles();
    if (xf < 0 || xf >= static_cast<int>(xfs.size())) return "General";
    const int id = xfs[static_cast<size_t>(xf)].num_fmt;
    auto custom = num_fmts.find(id);
    if (custom != num_fmts.end()) return custom->second;
    const std::string code = detail::builtin_format(id);
    return code.empty() ? "General" : code;
}

int16_t PackageBook::color_of(int xf) {
    load_styles();
    if (xf < 0 || xf >= static_cast<int>(xfs.size())) return 0;
    const int fill = xfs[static_cast<size_t>(xf)].fill;
    return fill >= 0 && fill < static_cast<int>(fill_colors.size()) ? fill_colors[static_cast<size_t>(fill)] : 0;
}

int PackageBook::recolor(int xf, int16_t color) {
    load_styles();
    if (xfs.empty()) throw Error(kErrDefined, "'" + path + "' has no cell styles to colour cells with.");
    if (xf < 0 || xf >= static_cast<int>(xfs.size())) xf = 0;
    if (color_of(xf) == color) return xf;
    auto done = recolored.find({xf, color});
    if (done != recolored.end()) return done->second;

    Part& styles = doc(styles_part);
    pugi::xml_node ss = root_element(styles.doc);
    const std::string px = prefix_of(ss);
    int fill_id = 0;
    if (color != 0) {
        auto known = color_fills.find(color);
        if (known != color_fills.end()) {
            fill_id = known->second;
        } else {
            pugi::xml_node fills = child(ss, "fills");
            if (!fills) throw Error(kErrDefined, "'" + path + "' has no fill table.");
            pugi::xml_node pf = fills.append_child((px + "fill").c_str()).append_child((px + "patternFill").c_str());
            pf.append_attribute("patternType") = "solid";
            pf.append_child((px + "fgColor").c_str()).append_attribute("indexed") = color + 7;
            pf.append_child((px + "bgColor").c_str()).append_attribute("indexed") = 64;
            fill_id = static_cast<int>(fill_colors.size());
            fill_colors.push_back(color);
            if (!fills.attribute("count")) fills.append_attribute("count");
            fills.attribute("count") = static_cast<int>(fill_colors.size());
            color_fills[color] = fill_id;
        }
    }
    pugi::xml_node cell_xfs = child(ss, "cellXfs");
    pugi::xml_node source;
    int i = 0;
    each_child(cell_xfs, "xf", [&](pugi::xml_node x) {
        if (i++ == xf) source = x;
    });
    pugi::xml_node copy = cell_xfs.append_copy(source);
    if (!copy.attribute("fillId")) copy.append_attribute("fillId");
    copy.attribute("fillId") = fill_id;
    if (!copy.attribute("applyFill")) copy.append_attribute("applyFill");
    copy.attribute("applyFill") = 1;
    const int new_xf = static_cast<int>(xfs.size());
    xfs.push_back({xfs[static_cast<size_t>(xf)].num_fmt, fill_id});
    if (!cell_xfs.attribute("count")) cell_xfs.append_attribute("count");
    cell_xfs.attribute("count") = static_cast<int>(xfs.size());
    styles.dirty = true;
    recolored[{xf, color}] = new_xf;
    return new_xf;
}

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

std::string serialise(const pugi::xml_document& doc) {
    StringWriter w;
    doc.save(w, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return std::move(w.out);
}

void PackageBook::write(const std::string& target) {
    // renamed sheets
    pugi::xml_node wb = root_element(doc(workbook_part).doc);
    size_t e = 0;
    each_child(child(wb, "sheets"), "sheet", [&](pugi::xml_node s) {
        if (e < entries.size() && entries[e].sheet && entries[e].sheet->impl().name != s.attribute("name").value()) {
            s.attribute("name") = entries[e].sheet->impl().name.c_str();
            parts[workbook_part]->dirty = true;
        }
        ++e;
    });
    // a cell that lost its formula must not stay in the calculation chain
    if (formula_removed && !calc_chain_part.empty() && has_part(calc_chain_part)) {
        removed.insert(calc_chain_part);
        Part& rels = doc(rels_of(workbook_part));
        pugi::xml_node root = root_element(rels.doc);
        for (pugi::xml_node r = root.first_child(); r;) {
            pugi::xml_node next = r.next_sibling();
            if (ends_with(r.attribute("Type").value(), "/calcChain")) root.remove_child(r);
            r = next;
        }
        rels.dirty = true;
        Part& types = doc("[Content_Types].xml");
        pugi::xml_node troot = root_element(types.doc);
        for (pugi::xml_node o = troot.first_child(); o;) {
            pugi::xml_node next = o.next_sibling();
            if (local_name(o) == "Override" && o.attribute("PartName").value() == "/" + calc_chain_part)
                troot.remove_child(o);
            o = next;
        }
        types.dirty = true;
    }

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
        std::vector<std::string> keep;  // libzip reads the buffers at close
        keep.reserve(parts.size());
        for (auto& [name, part] : parts) {
            if (!part->dirty || removed.count(name)) continue;
            keep.push_back(serialise(part->doc));
            zip_source_t* src = zip_source_buffer(z, keep.back().data(), keep.back().size(), 0);
            const zip_int64_t index =
                src ? zip_file_add(z, name.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) : -1;
            if (index < 0) {
                if (src) zip_source_free(src);
                const std::string why = zip_strerror(z);
                zip_discard(z);
                throw Error(kErrDefined, "Cannot write " + target + ": " + why);
            }
            // fast deflate: large sheets are slow to pack at the best level (and
            // libzip ignores a level given with the entry's own method)
            zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_DEFAULT, 1);
        }
        for (const auto& name : removed) {
            const zip_int64_t index = zip_name_locate(z, name.c_str(), 0);
            if (index >= 0) zip_delete(z, static_cast<zip_uint64_t>(index));
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
    // the package as written is the base of the next save
    bytes = read_whole_file(target);
    open_bytes();
    for (auto& [name, part] : parts) part->dirty = false;
    for (const auto& name : removed) parts.erase(name);
    removed.clear();
    formula_removed = false;
}

}  // namespace

WorkbookRef open_package_book(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw Error(kErrDefined, "'" + path + "' could not be found.");
    auto impl = std::make_unique<PackageBook>();
    impl->path = path;
    impl->bytes = read_whole_file(path);
    impl->load();
    auto book = std::make_shared<Workbook>(std::move(impl));
    for (auto& s : book->impl().sheets) s->impl().book = book;
    return book;
}

}  // namespace office
