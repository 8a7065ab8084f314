// A finished diagram rendered by LibreOffice: the texts drawn, and the
// severity colours only where the counts put them.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "mapping/CollisionDiagram.h"
#include "mapping/CollisionDiagramDoc.h"
#include "mapping/frmCollisionDiagrams.h"
#include "platform/shell/shell.h"
#include "tests/mapping/diagram_support.h"
#include "tests/support/soffice.h"
#include "tools/cd_template/cd_layout.h"

namespace {

using diagram_test::Clsn;
namespace fs = std::filesystem;

constexpr int kDpi = 50;

struct Image {
    int w = 0, h = 0;
    std::string px;
    const unsigned char* at(int x, int y) const {
        return reinterpret_cast<const unsigned char*>(px.data()) + (static_cast<size_t>(y) * w + x) * 3;
    }
};

Image ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Image img;
    in >> magic >> img.w >> img.h >> maxval;
    in.get();
    img.px.resize(static_cast<size_t>(img.w) * img.h * 3);
    in.read(img.px.data(), static_cast<std::streamsize>(img.px.size()));
    return img;
}

bool Near(const unsigned char* p, int r, int g, int b) {
    return std::abs(p[0] - r) < 60 && std::abs(p[1] - g) < 60 && std::abs(p[2] - b) < 60;
}

bool Inside(const cdlayout::Object& o, int x, int y, int margin = 2) {
    return x >= o.x * kDpi - margin && x <= (o.x + o.w) * kDpi + margin && y >= o.y * kDpi - margin &&
           y <= (o.y + o.h) * kDpi + margin;
}

class DiagramInterop : public diagram_test::DiagramTest {
protected:
    void SetUp() override {
        DiagramTest::SetUp();
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
    }
    void TearDown() override {
        shell::SetLauncher(nullptr);
        DiagramTest::TearDown();
    }
    std::shared_ptr<shell::RecordingLauncher> launcher_;
};

TEST_F(DiagramInterop, RendersOnlyWhatTheCountsShow) {
    Clsn fatal;  // from the north, diagram 1
    fatal.dir2 = "";
    fatal.kld = "1";
    Clsn injury;  // from the east, diagram 4
    injury.dir1 = "E";
    injury.dir2 = "";
    injury.inj = "1";
    injury.diagram = "4";
    Clsn pdo = injury;  // from the south, diagram 4
    pdo.dir1 = "S";
    pdo.inj = "0";
    const std::string cde = Write("run1.csv", diagram_test::Extract({fatal, injury, pdo}));
    Read_CDE(cde);
    ASSERT_EQ(CDE_RecordCount, 3);
    CreateCollisionDiagram(TheCollisionDiagramsForm(), PROGRAM_FOLDER, dir_.string(), cde, {""}, 2, 2, false,
                           "2020-01-01", "2020-12-31");
    const std::string docx = Path("ClsnDiag_run1.docx");
    ASSERT_TRUE(fs::exists(docx));

    shell::SetLauncher(nullptr);
    testsupport::soffice_convert(docx, "pdf", dir_.string(), (dir_ / "profile").string());
    const std::string pdf = Path("ClsnDiag_run1.pdf");
    ASSERT_TRUE(fs::exists(pdf));
    ASSERT_TRUE(shell::RunAndWait({"pdftotext", "-layout", pdf, Path("d.txt")}).started);
    ASSERT_TRUE(shell::RunAndWait({"pdftoppm", "-r", std::to_string(kDpi), "-f", "1", "-l", "1", pdf, Path("pg")})
                    .started);

    const std::string text = diagram_test::ReadFile(Path("d.txt"));
    for (const char* shown : {"All Collisions", "run1", "2020-01-01 - 2020-12-31", "3 Collisions", "All Plotted",
                              "Fatal", "Injury", "PDO", "D01", "D04"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown;
    for (const char* hidden : {"D02", "D03", "D17"}) EXPECT_EQ(text.find(hidden), std::string::npos) << hidden;

    std::string page;
    for (const auto& e : fs::directory_iterator(dir_))
        if (e.path().filename().string().rfind("pg", 0) == 0) page = e.path().string();
    ASSERT_FALSE(page.empty());
    const Image img = ReadPpm(page);
    ASSERT_GT(img.w, 300);

    // where each colour may appear: its symbol, the count boxes of its
    // severity, and the legend
    const std::vector<std::string> shown_symbols = {"Asym_N_01", "Asym_E_04", "Asym_S_04"};
    struct Colour {
        const char* name;
        int r, g, b;
        std::vector<std::string> allowed;
        std::string symbol;
    } colours[] = {
        {"red", 255, 0, 0, {"Asym_N_01", "Tbox_N_01f", "Tbox_E_04f", "Tbox_S_04f", "Textbox_CountKey"}, "Asym_N_01"},
        {"orange", 255, 128, 0, {"Asym_E_04", "Tbox_N_01i", "Tbox_E_04i", "Tbox_S_04i", "Textbox_CountKey"},
         "Asym_E_04"},
        {"blue", 0, 0, 191, {"Asym_S_04", "Tbox_N_01p", "Tbox_E_04p", "Tbox_S_04p", "Textbox_CountKey"}, "Asym_S_04"},
    };
    for (const Colour& c : colours) {
        int stray = 0, on_symbol = 0;
        for (int y = 0; y < img.h; ++y) {
            for (int x = 0; x < img.w; ++x) {
                if (!Near(img.at(x, y), c.r, c.g, c.b)) continue;
                bool ok = false;
                for (const auto& name : c.allowed) ok = ok || Inside(*cdlayout::Find(name), x, y);
                if (!ok) ++stray;
                if (Inside(*cdlayout::Find(c.symbol), x, y)) ++on_symbol;
            }
        }
        EXPECT_EQ(stray, 0) << c.name << " pixels outside their objects";
        EXPECT_GT(on_symbol, 5) << c.name << " symbol not drawn";
    }

    // hidden symbols and boxes away from everything shown draw nothing
    std::vector<const cdlayout::Object*> shown;
    for (const auto& o : cdlayout::Objects())
        if (o.kind == cdlayout::Kind::TextBox || std::find(shown_symbols.begin(), shown_symbols.end(),
                                                            o.name.substr(0, 9)) != shown_symbols.end() ||
            (o.kind == cdlayout::Kind::CountBox &&
             std::find(shown_symbols.begin(), shown_symbols.end(), "Asym_" + o.name.substr(5, 4)) !=
                 shown_symbols.end()))
            shown.push_back(&o);
    int checked = 0;
    for (const auto& o : cdlayout::Objects()) {
        if (o.kind != cdlayout::Kind::Symbol && o.kind != cdlayout::Kind::CountBox) continue;
        if (o.letter == 'Z' || std::find(shown.begin(), shown.end(), &o) != shown.end()) continue;
        int dark = 0;
        for (int y = static_cast<int>(o.y * kDpi) + 1; y < (o.y + o.h) * kDpi - 1; ++y)
            for (int x = static_cast<int>(o.x * kDpi) + 1; x < (o.x + o.w) * kDpi - 1; ++x) {
                bool near_shown = false;
                for (const auto* s : shown) near_shown = near_shown || Inside(*s, x, y, 3);
                const unsigned char* p = img.at(x, y);
                if (!near_shown && (p[0] < 200 || p[1] < 200 || p[2] < 200)) ++dark;
            }
        EXPECT_EQ(dark, 0) << o.name << " draws although hidden";
        ++checked;
    }
    EXPECT_GT(checked, 200);
}

}  // namespace
