// Writes a help document as a PDF from a plain-text source, so the program
// folder's PDF help is made at build time from text we can read and review.
//
//   text-pdf SOURCE.txt OUTPUT.pdf
//
// The source is ASCII, in blocks separated by blank lines:
//   "# " title, "## " heading, "1. " a numbered step, "- " a bullet item,
//   lines between two "```" lines kept as they are (fixed-pitch), and any
//   other block a paragraph. Lines that follow a step or item continue it.
// Pages are A4, in the standard Helvetica and Courier faces (no fonts are
// embedded), numbered at the foot.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Advance widths of the printable ASCII letters (32..126), in 1/1000 em.
constexpr int kHelvetica[95] = {278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,
                                556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,
                                1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,
                                667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,
                                333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
                                556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};
constexpr int kHelveticaBold[95] = {278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278,
                                    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611,
                                    975, 722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833, 722, 778,
                                    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333, 278, 333, 584, 556,
                                    333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611,
                                    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};

enum Font { kBody, kBold, kFixed };
const char* const kFontNames[] = {"Helvetica", "Helvetica-Bold", "Courier"};

constexpr double kPageW = 595, kPageH = 842, kMargin = 64, kFoot = 40;
constexpr double kBodySize = 10.5, kBodyLead = 14;

double TextWidth(const std::string& s, Font f, double size) {
    double w = 0;
    for (unsigned char c : s) {
        if (f == kFixed) {
            w += 600;
        } else {
            const int* table = f == kBold ? kHelveticaBold : kHelvetica;
            w += (c >= 32 && c <= 126) ? table[c - 32] : 556;
        }
    }
    return w * size / 1000;
}

std::string Escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '(' || c == ')' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

// The words of s into lines no wider than width.
std::vector<std::string> Wrap(const std::string& s, Font f, double size, double width) {
    std::vector<std::string> lines;
    std::istringstream words(s);
    std::string word, line;
    while (words >> word) {
        const std::string tried = line.empty() ? word : line + " " + word;
        if (!line.empty() && TextWidth(tried, f, size) > width) {
            lines.push_back(line);
            line = word;
        } else {
            line = tried;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

struct Block {
    enum Kind { kTitle, kHeading, kStep, kItem, kPara, kCode } kind;
    std::string marker;  // "3." of a step
    std::string text;    // joined words, or the code lines with '\n'
};

bool ReadBlocks(std::istream& in, std::vector<Block>& blocks, std::string& error) {
    std::string line;
    bool in_code = false, open = false;
    int line_no = 0;
    while (std::getline(in, line)) {
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (unsigned char c : line) {
            if (c < 32 || c > 126) {
                error = "line " + std::to_string(line_no) + ": only printable ASCII is written";
                return false;
            }
        }
        if (line == "```") {
            if (!in_code) blocks.push_back({Block::kCode, "", ""});
            in_code = !in_code;
            open = false;
            continue;
        }
        if (in_code) {
            blocks.back().text += line + "\n";
            continue;
        }
        const size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos) {
            open = false;
            continue;
        }
        const std::string t = line.substr(first);
        size_t digits = 0;
        while (digits < t.size() && t[digits] >= '0' && t[digits] <= '9') ++digits;
        if (first == 0 && t.rfind("# ", 0) == 0) {
            blocks.push_back({Block::kTitle, "", t.substr(2)});
            open = false;
        } else if (first == 0 && t.rfind("## ", 0) == 0) {
            blocks.push_back({Block::kHeading, "", t.substr(3)});
            open = false;
        } else if (first == 0 && digits > 0 && t.compare(digits, 2, ". ") == 0) {
            blocks.push_back({Block::kStep, t.substr(0, digits + 1), t.substr(digits + 2)});
            open = true;
        } else if (first == 0 && t.rfind("- ", 0) == 0) {
            blocks.push_back({Block::kItem, "", t.substr(2)});
            open = true;
        } else if (open) {
            blocks.back().text += " " + t;
        } else {
            blocks.push_back({Block::kPara, "", t});
            open = true;
        }
    }
    if (in_code) {
        error = "a \"```\" block is not closed";
        return false;
    }
    return true;
}

// Places the blocks on pages: one content stream per page.
class Layout {
public:
    std::vector<std::string> pages;

    void Run(const std::vector<Block>& blocks) {
        NewPage();
        const double width = kPageW - 2 * kMargin;
        for (size_t i = 0; i < blocks.size(); ++i) {
            const Block& b = blocks[i];
            switch (b.kind) {
                case Block::kTitle:
                    Lines(Wrap(b.text, kBold, 17, width), kBold, 17, 22, kMargin, 4);
                    y_ -= 10;
                    break;
                case Block::kHeading: {
                    // a heading is not left alone at the foot of a page
                    Space(10, 2 * kBodyLead + 16);
                    Lines(Wrap(b.text, kBold, 12.5, width), kBold, 12.5, 17, kMargin, 3);
                    break;
                }
                case Block::kStep:
                case Block::kItem: {
                    const double indent = 20;
                    std::vector<std::string> lines = Wrap(b.text, kBody, kBodySize, width - indent);
                    Space(4, kBodyLead);
                    Text(b.kind == Block::kStep ? b.marker : "-", kBody, kBodySize, kMargin + 4, y_ - kBodySize);
                    Lines(lines, kBody, kBodySize, kBodyLead, kMargin + indent, 0);
                    break;
                }
                case Block::kPara:
                    Space(6, kBodyLead);
                    Lines(Wrap(b.text, kBody, kBodySize, width), kBody, kBodySize, kBodyLead, kMargin, 0);
                    break;
                case Block::kCode: {
                    std::vector<std::string> lines;
                    std::istringstream in(b.text);
                    for (std::string l; std::getline(in, l);) lines.push_back(l);
                    Space(6, 11);
                    Lines(lines, kFixed, 8.5, 11, kMargin + 8, 0);
                    break;
                }
            }
        }
    }

private:
    double y_ = 0;

    void NewPage() {
        pages.emplace_back();
        y_ = kPageH - kMargin;
    }
    // Leaves `gap` points, or starts a new page unless `need` still fits.
    void Space(double gap, double need) {
        if (y_ == kPageH - kMargin) return;
        if (y_ - gap - need < kMargin) {
            NewPage();
            return;
        }
        y_ -= gap;
    }
    void Text(const std::string& s, Font f, double size, double x, double baseline) {
        char head[96];
        std::snprintf(head, sizeof head, "BT /F%d %.1f Tf %.2f %.2f Td (", static_cast<int>(f) + 1, size, x, baseline);
        pages.back() += head + Escaped(s) + ") Tj ET\n";
    }
    void Lines(const std::vector<std::string>& lines, Font f, double size, double lead, double x, double after) {
        for (const std::string& l : lines) {
            if (y_ - lead < kMargin) NewPage();
            Text(l, f, size, x, y_ - size);
            y_ -= lead;
        }
        y_ -= after;
    }
};

std::string Pdf(const std::string& title, std::vector<std::string> pages) {
    const size_t n = pages.size();
    for (size_t i = 0; i < n; ++i) {
        const std::string foot = "Page " + std::to_string(i + 1) + " of " + std::to_string(n);
        char line[128];
        std::snprintf(line, sizeof line, "BT /F1 8.5 Tf %.2f %.2f Td (%s) Tj ET\n",
                      (kPageW - TextWidth(foot, kBody, 8.5)) / 2, kFoot, foot.c_str());
        pages[i] += line;
    }
    // 1 catalog, 2 pages, 3 info, 4-6 fonts, then a page and its contents each.
    std::vector<std::string> objects;
    std::string kids;
    for (size_t i = 0; i < n; ++i) kids += std::to_string(7 + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(n) + " >>");
    objects.push_back("<< /Title (" + Escaped(title) + ") /Producer (Tessawin text-pdf) >>");
    for (const char* name : kFontNames)
        objects.push_back(std::string("<< /Type /Font /Subtype /Type1 /BaseFont /") + name +
                          " /Encoding /WinAnsiEncoding >>");
    for (size_t i = 0; i < n; ++i) {
        objects.push_back(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R /F2 5 0 R "
            "/F3 6 0 R >> >> /Contents " +
            std::to_string(8 + 2 * i) + " 0 R >>");
        objects.push_back("<< /Length " + std::to_string(pages[i].size()) + " >>\nstream\n" + pages[i] + "endstream");
    }
    std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t off : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", off);
        out += entry;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: text-pdf SOURCE.txt OUTPUT.pdf\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "text-pdf: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<Block> blocks;
    std::string error;
    if (!ReadBlocks(in, blocks, error)) {
        std::fprintf(stderr, "text-pdf: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    Layout layout;
    layout.Run(blocks);
    const std::string title = !blocks.empty() && blocks[0].kind == Block::kTitle ? blocks[0].text : "";
    const std::string pdf = Pdf(title, layout.pages);
    // Written beside the target and renamed, so a failed run leaves no half file.
    const std::string tmp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << pdf;
        if (!out.flush()) {
            std::fprintf(stderr, "text-pdf: cannot write %s\n", tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "text-pdf: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
