// The word-processor stand-in on the collision-diagram template the build
// generates.
#include "platform/office/word_document.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/shell/shell.h"

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Entries(const std::string& path) {
    std::map<std::string, std::string> out;
    int err = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!z) return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        const char* name = zip_get_name(z, static_cast<zip_uint64_t>(i), 0);
        zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0);
        std::string data;
        char buf[8192];
        zip_int64_t got;
        while ((got = zip_fread(f, buf, sizeof buf)) > 0) data.append(buf, static_cast<size_t>(got));
        zip_fclose(f);
        out[name] = data;
    }
    zip_close(z);
    return out;
}

class WordDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("wd_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "d.docx").string();
        fs::copy_file(CD_TEMPLATE, path_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
    std::string path_;
};

TEST_F(WordDocumentTest, ObjectsShownHiddenColouredAndFilled) {
    auto doc = office::WordDocument::Open(path_);
    EXPECT_TRUE(doc->HasShape("Asym_N_01"));
    EXPECT_FALSE(doc->HasShape("Asym_X_01"));
    EXPECT_FALSE(doc->ShapeVisible("Tbox_N_01i"));
    EXPECT_TRUE(doc->ShapeVisible("N_Line"));

    doc->SetShapeVisible("Tbox_N_01i", true);
    doc->SetShapeText("Tbox_N_01i", "04", office::WordColor(255, 128, 0));
    doc->SetShapeVisible("Asym_N_01", true);
    doc->SetShapeLineColor("Asym_N_01", 12517376);
    doc->SetShapeVisible("N_Line", false);
    doc->SetShapeText("Textbox_Unplottable", "  7 Collisions\r\n  5 Plotted\r\n  2 Unplottable");
    doc->AppendParagraph("Plotted Collisions", "Heading 1");
    doc->AppendTable({{"Case      ", "Km"}, {"A1", "12.3"}});
    EXPECT_FALSE(doc->Saved());
    doc->Save();
    EXPECT_TRUE(doc->Saved());

    auto back = office::WordDocument::Open(path_);
    EXPECT_TRUE(back->ShapeVisible("Tbox_N_01i"));
    EXPECT_EQ(back->ShapeText("Tbox_N_01i"), "04");
    EXPECT_EQ(back->ShapeTextColor("Tbox_N_01i"), 33023);
    EXPECT_EQ(back->ShapeLineColor("Asym_N_01"), 12517376);
    EXPECT_FALSE(back->ShapeVisible("N_Line"));
    EXPECT_EQ(back->ShapeText("Textbox_Unplottable"), "  7 Collisions\r  5 Plotted\r  2 Unplottable");
    const auto paragraphs = back->BodyParagraphs();
    ASSERT_GE(paragraphs.size(), 2u);
    EXPECT_EQ(paragraphs[1], "Plotted Collisions");

    const auto before = Entries(CD_TEMPLATE);
    const auto after = Entries(path_);
    ASSERT_EQ(before.size(), after.size());
    for (const auto& [name, data] : before)
        if (name != "word/document.xml") {
            EXPECT_EQ(after.at(name), data) << name;
        }
    const std::string& xml = after.at("word/document.xml");
    // appended before the section properties, the heading in its style
    EXPECT_LT(xml.find("Plotted Collisions"), xml.rfind("<w:sectPr"));
    EXPECT_NE(xml.find("<w:pStyle w:val=\"Heading1\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<a:srgbClr val=\"0000BF\"/>"), std::string::npos);
}

TEST_F(WordDocumentTest, HiddenTextBoxHidesItsText) {
    auto doc = office::WordDocument::Open(path_);
    doc->SetShapeText("Textbox_CountKey", "legend");
    doc->SetShapeVisible("Textbox_CountKey", false);
    doc->Save();
    std::string xml = Entries(path_).at("word/document.xml");
    const size_t at = xml.find("name=\"Textbox_CountKey\"");
    ASSERT_NE(at, std::string::npos);
    const size_t text = xml.find(">legend<", at);
    const size_t run = xml.rfind("<w:r>", text);
    EXPECT_NE(xml.substr(run, text - run).find("<w:vanish/>"), std::string::npos);

    doc->SetShapeVisible("Textbox_CountKey", true);
    doc->Save();
    xml = Entries(path_).at("word/document.xml");
    const size_t run2 = xml.rfind("<w:r>", xml.find(">legend<"));
    EXPECT_EQ(xml.substr(run2, xml.find(">legend<") - run2).find("<w:vanish/>"), std::string::npos);
}

TEST_F(WordDocumentTest, StylesByNameWithoutCase) {
    auto doc = office::WordDocument::Open(path_);
    EXPECT_TRUE(doc->HasParagraphStyle("Heading 1"));
    EXPECT_TRUE(doc->HasParagraphStyle("Normal"));
    EXPECT_FALSE(doc->HasParagraphStyle("Heading 7"));
    EXPECT_THROW(doc->AppendParagraph("x", "Heading 7"), office::Error);
    EXPECT_THROW(doc->SetShapeVisible("Nothing", true), office::Error);
}

TEST_F(WordDocumentTest, FailedWriteLeavesNothingBehind) {
    auto doc = office::WordDocument::Open(path_);
    doc->SetShapeVisible("N_Line", false);
    // a folder where the file should go: the rename into place fails
    const fs::path in_the_way = dir_ / "taken.docx";
    fs::create_directories(in_the_way / "x");
    EXPECT_THROW(doc->SaveAs(in_the_way.string()), office::Error);
    EXPECT_TRUE(fs::is_directory(in_the_way / "x"));
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir_)) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"d.docx", "taken.docx"}));
    EXPECT_EQ(doc->FullName(), path_);
    EXPECT_FALSE(doc->Saved());
}

TEST_F(WordDocumentTest, ReleaseWritesAndShowsTheDocument) {
    auto launcher = std::make_shared<shell::RecordingLauncher>();
    shell::SetLauncher(launcher);
    auto app = office::WordApplication::Start();
    app->DocumentsOpen(path_).SetShapeVisible("N_Line", false);
    app->SetVisible(true);
    app->Release();
    shell::SetLauncher(nullptr);
    EXPECT_EQ(app->DocumentCount(), 0);
    EXPECT_FALSE(office::WordDocument::Open(path_)->ShapeVisible("N_Line"));
    ASSERT_EQ(launcher->calls.size(), 1u);
    EXPECT_EQ(launcher->calls[0].argv.back(), path_);
}

}  // namespace
