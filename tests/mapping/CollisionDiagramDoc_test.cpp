#include "mapping/CollisionDiagramDoc.h"

#include <gtest/gtest.h>
#include <zip.h>

#include "common/TessawinMod.h"
#include "mapping/CollisionDiagram.h"
#include "mapping/frmCollisionDiagrams.h"
#include "platform/shell/shell.h"
#include "tests/mapping/diagram_support.h"

namespace {

using diagram_test::Clsn;
using diagram_test::Extract;
namespace fs = std::filesystem;

// Rewrites one text in the template's document part (a template of our own
// that lacks something).
void EditTemplate(const std::string& from, const std::string& to, const std::string& find,
                  const std::string& replace) {
    std::string bytes = diagram_test::ReadFile(from);
    diagram_test::WriteFile(to, bytes);
    int err = 0;
    zip_t* z = zip_open(to.c_str(), 0, &err);
    ASSERT_NE(z, nullptr);
    zip_file_t* f = zip_fopen(z, "word/document.xml", 0);
    std::string xml;
    char buf[65536];
    zip_int64_t got;
    while ((got = zip_fread(f, buf, sizeof buf)) > 0) xml.append(buf, static_cast<size_t>(got));
    zip_fclose(f);
    const size_t at = xml.find(find);
    ASSERT_NE(at, std::string::npos);
    xml.replace(at, find.size(), replace);
    zip_source_t* src = zip_source_buffer(z, xml.data(), xml.size(), 0);
    zip_file_add(z, "word/document.xml", src, ZIP_FL_OVERWRITE);
    ASSERT_EQ(zip_close(z), 0);
}

class DiagramDocTest : public diagram_test::DiagramTest {
protected:
    void SetUp() override {
        DiagramTest::SetUp();
        launcher_ = std::make_shared<shell::RecordingLauncher>();
        shell::SetLauncher(launcher_);
        program_ = PROGRAM_FOLDER;
    }
    void TearDown() override {
        shell::SetLauncher(nullptr);
        DiagramTest::TearDown();
    }
    // Loads rows as run1.csv.
    void Load(const std::vector<Clsn>& rows) {
        cde_ = Write("run1.csv", Extract(rows));
        Read_CDE(cde_);
        ASSERT_EQ(CDE_RecordCount, static_cast<int16_t>(rows.size()));
    }
    void Build(const std::vector<std::string>& keys, int16_t type, int16_t mode, bool tables) {
        std::vector<std::string> selected{""};
        selected.insert(selected.end(), keys.begin(), keys.end());
        CreateCollisionDiagram(TheCollisionDiagramsForm(), program_, dir_.string(), cde_, selected, type, mode, tables,
                               "2020-01-01", "2020-12-31");
    }
    std::unique_ptr<office::WordDocument> Open(const std::string& name) {
        return office::WordDocument::Open(Path(name));
    }
    std::string StatusText() { return TheCollisionDiagramsForm().lblStatus.Caption(); }

    std::shared_ptr<shell::RecordingLauncher> launcher_;
    std::string program_;
    std::string cde_;
};

// Northbound... from the north: 1 fatal and 3 PDO on diagram 1; one
// unplottable (opposite directions).
std::vector<Clsn> FourAtOneSymbol() {
    Clsn fatal;
    fatal.dir2 = "";
    fatal.kld = "1";
    Clsn pdo = fatal;
    pdo.kld = "0";
    Clsn bad;  // N and S on diagram 1
    return {fatal, pdo, pdo, pdo, bad};
}

TEST_F(DiagramDocTest, SeparateCountsTitlesAndTables) {
    Load(FourAtOneSymbol());
    Build({}, 2, 2, true);
    EXPECT_TRUE(ui_->shown.empty());
    EXPECT_EQ(StatusText(), "Collision Diagram complete.");
    auto doc = Open("ClsnDiag_run1.docx");

    // no south leg
    for (const char* hidden : {"SWcorner", "SEcorner", "N_Line", "E_Line", "W_Line"})
        EXPECT_FALSE(doc->ShapeVisible(hidden)) << hidden;
    for (const char* shown : {"NWcorner", "NEcorner", "S_Line"}) EXPECT_TRUE(doc->ShapeVisible(shown)) << shown;

    // the one symbol, red, with its three counts
    for (const std::string& name : doc->ShapeNames())
        if (name.rfind("Asym", 0) == 0) {
            EXPECT_EQ(doc->ShapeVisible(name), name == "Asym_N_01") << name;
        }
    EXPECT_EQ(doc->ShapeLineColor("Asym_N_01"), kFatalColour);
    const std::tuple<const char*, const char*, int32_t> boxes[] = {
        {"Tbox_N_01f", "01", kFatalColour}, {"Tbox_N_01i", "00", kInjuryColour}, {"Tbox_N_01p", "03", kPDOColour}};
    for (const auto& [name, text, colour] : boxes) {
        EXPECT_TRUE(doc->ShapeVisible(name)) << name;
        EXPECT_EQ(doc->ShapeText(name), text) << name;
        EXPECT_EQ(doc->ShapeTextColor(name), colour) << name;
    }
    EXPECT_FALSE(doc->ShapeVisible("Tbox_N_02i"));

    EXPECT_EQ(doc->ShapeText("Textbox_Unplottable"), "  5 Collisions\r  4 Plotted\r  1 Unplottable");
    EXPECT_EQ(doc->ShapeText("Textbox_SegNode"), "All Collisions");
    EXPECT_EQ(doc->ShapeText("Textbox_CDEname"), "run1");
    EXPECT_EQ(doc->ShapeText("Textbox_Dates"), "2020-01-01 - 2020-12-31");
    for (const char* shown : {"Textbox_CDEname", "Textbox_Dates", "Textbox_CountKey"})
        EXPECT_TRUE(doc->ShapeVisible(shown)) << shown;

    // a table of each group, a row per collision below the heading row
    EXPECT_EQ(doc->TableRowCounts(), (std::vector<int32_t>{5, 2}));
    const auto p = doc->BodyParagraphs();
    EXPECT_NE(std::find(p.begin(), p.end(), "Plotted Collisions"), p.end());
    EXPECT_NE(std::find(p.begin(), p.end(), "Unplottable Collisions"), p.end());

    // shown to the user
    ASSERT_EQ(launcher_->calls.size(), 1u);
    EXPECT_EQ(launcher_->calls[0].argv.back(), Path("ClsnDiag_run1.docx"));
}

TEST_F(DiagramDocTest, TotalAndNoCounts) {
    Load(FourAtOneSymbol());
    Build({}, 1, 1, false);
    auto total = Open("ClsnDiag_run1.docx");
    EXPECT_EQ(total->ShapeText("Tbox_N_01i"), "04");
    EXPECT_EQ(total->ShapeTextColor("Tbox_N_01i"), kFatalColour);
    EXPECT_FALSE(total->ShapeVisible("Tbox_N_01f"));
    EXPECT_FALSE(total->ShapeVisible("Tbox_N_01p"));
    EXPECT_FALSE(total->ShapeVisible("Textbox_CountKey"));
    EXPECT_TRUE(total->TableRowCounts().empty());
    for (const char* line : {"N_Line", "S_Line", "E_Line", "W_Line"}) EXPECT_FALSE(total->ShapeVisible(line));

    Build({}, 1, 0, false);
    auto none = Open("ClsnDiag_run1#1.docx");
    for (const char* box : {"Tbox_N_01f", "Tbox_N_01i", "Tbox_N_01p"}) EXPECT_FALSE(none->ShapeVisible(box));
    EXPECT_FALSE(none->ShapeVisible("Textbox_CountKey"));
    EXPECT_TRUE(none->ShapeVisible("Asym_N_01"));
}

TEST_F(DiagramDocTest, NamesAreNumberedAndNeverOverwritten) {
    Clsn a;
    a.dir2 = "";
    Load({a});
    EXPECT_EQ(ClsnDiag_FileName(dir_.string(), cde_, {""}), Path("ClsnDiag_run1.docx"));
    EXPECT_EQ(ClsnDiag_FileName(dir_.string(), cde_, {"", "S01230123", "N1"}), Path("ClsnDiag_run1_S01230123.docx"));
    // a key that would leave the folder stays in it
    EXPECT_EQ(ClsnDiag_FileName(dir_.string(), cde_, {"", "N../x"}), Path("ClsnDiag_run1_N___x.docx"));
    Write("ClsnDiag_run1.docx", "earlier");
    EXPECT_EQ(ClsnDiag_FileName(dir_.string(), cde_, {""}), Path("ClsnDiag_run1#1.docx"));
    for (int n = 1; n <= 99; ++n) Write("ClsnDiag_run1#" + std::to_string(n) + ".docx", "earlier");
    EXPECT_EQ(ClsnDiag_FileName(dir_.string(), cde_, {""}), "");

    ui_->ExpectMsgBox(ui::vbOK, "and #1 to #99 of it exist already");
    Build({}, 1, 2, false);
    EXPECT_EQ(diagram_test::ReadFile(Path("ClsnDiag_run1#99.docx")), "earlier");
    EXPECT_TRUE(launcher_->calls.empty());
}

TEST_F(DiagramDocTest, SelectedLocationsLabelTheDiagramAndAreListed) {
    std::vector<Clsn> rows;
    for (int i = 0; i < 7; ++i) {
        Clsn r;
        r.dir2 = "";
        r.km = std::to_string(i) + ".5";
        rows.push_back(r);
    }
    Load(rows);
    std::vector<std::string> keys;
    for (size_t i = 1; i < CDE_LocationKeys.size(); ++i) keys.push_back(CDE_LocationKeys[i]);
    EXPECT_EQ(DiagramLocationLabel({"", keys[0]}), "Seg 0123  0.5 km");
    EXPECT_EQ(DiagramLocationLabel({"", "N10002000", "S01230005"}), "Node 1000  2000 +");

    Build({keys.begin(), keys.begin() + 6}, 1, 2, false);
    auto six = Open("ClsnDiag_run1_S01230005.docx");
    EXPECT_EQ(six->ShapeText("Textbox_SegNode"), "Seg 0123  0.5 km +");
    std::vector<std::string> p = six->BodyParagraphs();
    ASSERT_EQ(p.size(), 8u);  // the drawing's paragraph, the heading, six locations
    EXPECT_EQ(p[1], "Collisions were counted at the following locations in the Collision Data Extract:");
    EXPECT_EQ(p[2], "Seg  0123   0.5");
    EXPECT_EQ(six->ShapeText("Textbox_Unplottable"), "6 Collisions\rAll Plotted");

    Build(keys, 1, 2, false);
    p = Open("ClsnDiag_run1_S01230005#1.docx")->BodyParagraphs();
    ASSERT_EQ(p.size(), 10u);
    EXPECT_EQ(p[1], "\f");  // seven locations start a new page
}

TEST_F(DiagramDocTest, WhatTheTemplateLacksIsNamedBeforeAnythingIsWritten) {
    Load(FourAtOneSymbol());
    program_ = Path("prog");
    fs::create_directories(program_);
    EditTemplate(std::string(PROGRAM_FOLDER) + "cd_base.docx", program_ + "/cd_base.docx", "name=\"Tbox_N_01p\"",
                 "name=\"Tbox_N_01q\"");
    ui_->ExpectMsgBox(ui::vbOK, "drawing object \"Tbox_N_01p\"");
    Build({}, 1, 2, false);
    EXPECT_FALSE(fs::exists(Path("ClsnDiag_run1.docx")));

    // total counts do not need it
    Build({}, 1, 1, false);
    EXPECT_TRUE(fs::exists(Path("ClsnDiag_run1.docx")));
}

TEST_F(DiagramDocTest, CopyFailuresStopTheBuild) {
    Load(FourAtOneSymbol());
    // the target open in another program
    Write(".~lock.ClsnDiag_run1.docx#", "user");
    ui_->ExpectMsgBox(ui::vbOK, "\r\n\r\nThe document is open in another program.");
    Build({}, 1, 2, false);
    EXPECT_FALSE(fs::exists(Path("ClsnDiag_run1.docx")));
    fs::remove(Path(".~lock.ClsnDiag_run1.docx#"));
    // no template
    program_ = Path("empty");
    ui_->ExpectMsgBox(ui::vbOK, "cd_base.docx\r\nTo " + Path("ClsnDiag_run1.docx") +
                                    "\r\n\r\nThe template is not in the program folder.");
    Build({}, 1, 2, false);
    EXPECT_FALSE(fs::exists(Path("ClsnDiag_run1.docx")));
    EXPECT_TRUE(launcher_->calls.empty());
}

TEST_F(DiagramDocTest, NothingPlottableMakesNoFile) {
    Clsn bad;
    Load({bad});
    ui_->ExpectMsgBox(ui::vbOK, "but none were plottable.");
    Build({}, 1, 2, false);
    EXPECT_FALSE(fs::exists(Path("ClsnDiag_run1.docx")));
}

TEST_F(DiagramDocTest, TypeOutsideTheSevenKeepsTheRoadAsDrawn) {
    Load(FourAtOneSymbol());
    ui_->ExpectMsgBox(ui::vbOK, "Incorrect Intersection Type\r\n Must Be Types 1 - 7 Only");
    Build({}, 8, 2, false);
    auto doc = Open("ClsnDiag_run1.docx");
    for (const char* o : {"N_Line", "S_Line", "NWcorner", "SEcorner"}) EXPECT_TRUE(doc->ShapeVisible(o)) << o;
}

TEST(DiagramColourTest, WorstSeverityAndHexValues) {
    EXPECT_EQ(WorstSeverityColour(1, 5, 5), 255);
    EXPECT_EQ(WorstSeverityColour(0, 1, 5), 33023);
    EXPECT_EQ(WorstSeverityColour(0, 0, 1), 12517376);
    EXPECT_EQ(office::WordColorHex(255), "FF0000");
    EXPECT_EQ(office::WordColorHex(33023), "FF8000");
    EXPECT_EQ(office::WordColorHex(12517376), "0000BF");
    EXPECT_EQ(UnplottableText(5, 0), "5 Collisions\r\nAll Plotted");
    EXPECT_EQ(UnplottableText(5, 2), "  7 Collisions\r\n  5 Plotted\r\n  2 Unplottable");
    EXPECT_EQ(UnplottableText(995, 5), "1000 Collisions\r\n995 Plotted\r\n  5 Unplottable");
}

}  // namespace
