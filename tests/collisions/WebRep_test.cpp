#include "collisions/WebRep.h"

#include <gtest/gtest.h>

#include "common/DataFolders.h"
#include "inventory/HMZ_Database.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

struct Page {
    std::string caseNo;  // "" for a continuation page
    std::string date = "2015-03-04";
    std::string area = "11";
    int extraLines = 0;
};

std::string Value(const std::string& v) {
    return "{\\pard \\plain \\f1\\cf1 " + v + "\\par}";
}

// A detail report of these pages in brace style 1 or 2.
std::string Report(const std::vector<Page>& pages, int style = 1, bool oneLineHeader = false) {
    std::vector<std::string> l;
    if (!oneLineHeader) l = {"{\\rtf1\\ansi", "{\\fonttbl{\\f0 Arial;}}"};
    l.push_back(style == 1 ? "{{\\pard \\phpg\\pvpg\\posx0\\posy0" : "{\\pard \\phpg\\pvpg\\posx0\\posy0");
    for (size_t i = 0; i < pages.size(); ++i) {
        const Page& p = pages[i];
        if (i > 0) l.push_back(style == 1 ? "{\\sect \\sbkpage\\pgw}" : "\\sect \\sbkpage\\pgw");
        if (!p.caseNo.empty()) {
            for (const std::string& s :
                 {std::string("Collision Case No:"), Value(p.caseNo), std::string("Collision Date"), Value(p.date),
                  std::string("Contract Mgmnt. Area"), Value(p.area + "}"), std::string("Highway:"),
                  std::string("a"), std::string("b"), std::string("c"), std::string("d"), std::string("e"),
                  std::string("f"), Value("97"), Value("0975"), Value("12.5")})
                l.push_back(s);
        } else {
            l.push_back("continued");
        }
        for (int k = 0; k < p.extraLines; ++k) l.push_back("line " + std::to_string(k));
    }
    l.push_back("}}");
    std::string text;
    for (const auto& s : l) text += s + "\r\n";
    return text;
}

class WebRepTest : public CollisionsTest {
protected:
    void SetUp() override {
        CollisionsTest::SetUp();
        RDA_Areas() = {{}, {11, 1, "Aldermoor"}, {12, 1, "Bracken & Ridge"}, {41, 4, "Eskerton"}};
    }
    void TearDown() override {
        RDA_Areas().clear();
        CollisionsTest::TearDown();
    }
    int16_t Split(const std::string& text) {
        WriteFile(data_ + "report.rtf", text);
        int16_t status = -1;
        SplitDetailReport(data_ + "report.rtf", out_, status);
        return status;
    }
    std::vector<std::string> Written() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(out_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(WebRepTest, AContinuationPageStaysWithItsCollision) {
    ASSERT_EQ(Split(Report({{"10000001"}, {""}, {"10000002", "2015-05-06", "7"}})), kDetailDone);
    EXPECT_EQ(Written(), (std::vector<std::string>{"10000001_2015-03-04.rtf", "10000002_2015-05-06.rtf"}));
    const auto first = Lines(ReadFile(out_ + "10000001_2015-03-04.rtf"));
    ASSERT_EQ(first.size(), 3u + 16 + 1 + 1 + 1);
    EXPECT_EQ(first[2], "{{\\pard \\phpg\\pvpg\\posx0\\posy0");
    EXPECT_EQ(first[19], "{\\sect \\sbkpage");
    EXPECT_EQ(first[20], "continued");
    EXPECT_EQ(first.back(), "}}");
    ASSERT_EQ(DetailIndex().size(), 2u);
    EXPECT_EQ(DetailIndex()[1].Area, "07");
    EXPECT_EQ(DetailIndex()[0].Location, "Hwy 97 Seg 0975 Km 12.5");
    EXPECT_EQ(StatusLines().back(), "3 RTF pages read, 2 collision RTF files written.");
}

TEST_F(WebRepTest, BraceStyleTwoWithAOneLineHeader) {
    ASSERT_EQ(Split(Report({{"10000001"}, {""}}, 2, true)), kDetailDone);
    const auto lines = Lines(ReadFile(out_ + "10000001_2015-03-04.rtf"));
    EXPECT_EQ(lines[0], "{\\pard \\phpg\\pvpg\\posx0\\posy0");
    EXPECT_EQ(lines[17], "\\sect \\sbkpage");
}

TEST_F(WebRepTest, WithoutAPageMarkerNothingIsWritten) {
    std::string text;
    for (int i = 0; i < 25; ++i) text += "{\\rtf1 line}\r\n";
    ui_->ExpectMsgBox(ui::vbOK, "records read before finding the first Collision Detail page.");
    EXPECT_EQ(Split(text), kDetailNoMarker);
    EXPECT_TRUE(Written().empty());
}

// Case numbers and dates come from the document: only letters, digits and
// "-" go into the name, so no file lands outside the output folder.
TEST_F(WebRepTest, FileNamesFromTheReportAreMadeSafe) {
    ASSERT_EQ(Split(Report({{"../../x1", "2015/03/0"}, {"A1 B2*:?", "2015-03-04"}})), kDetailDone);
    EXPECT_EQ(Written(), (std::vector<std::string>{"A1B2_2015-03-04.rtf", "x1_2015030.rtf"}));
    EXPECT_FALSE(fs::exists(dir_ / "x1_2015030.rtf"));
}

TEST_F(WebRepTest, APageOverAThousandLinesEndsTheSplitKeepingTheFilesWritten) {
    ui_->ExpectMsgBox(ui::vbOK, "no end-of-page found after 1000 rtf records");
    EXPECT_EQ(Split(Report({{"10000001"}, {"10000002", "2015-03-05", "11", 1000}, {"10000003"}})),
              kDetailPageTooLong);
    EXPECT_EQ(Written(), (std::vector<std::string>{"10000001_2015-03-04.rtf"}));
    // a page of exactly 1000 lines is whole
    fs::remove_all(out_);
    fs::create_directories(out_);
    EXPECT_EQ(Split(Report({{"10000001", "2015-03-04", "11", 1000 - 16}})), kDetailDone);
}

TEST_F(WebRepTest, TheDateIndexSpansTheYearsAndMonthsFound) {
    ASSERT_EQ(Split(Report({{"10000001", "2015-03-04"}, {"10000002", "2016-05-09"}, {"10000003", "2015-13-45"}})),
              kDetailDone);
    MakeHTMLIndeces(out_);
    const std::string page = ReadFile(out_ + "FatalReportsByDate.html");
    const auto l = Lines(page);
    auto at = [&](const std::string& s) { return std::find(l.begin(), l.end(), s) - l.begin(); };
    const auto grid = at("<TABLE>");
    ASSERT_LT(grid + 20, static_cast<long>(l.size()));
    const std::vector<std::string> expected = {
        "<TABLE>", "<TR>", "<TH>", "<TH> 2015", "<TH> 2016",
        "<TR>", "<TD>03", "<TD><A HREF=\"#month201503\">March</A>", "<TD>",
        "<TR>", "<TD>04", "<TD>", "<TD>",
        "<TR>", "<TD>05", "<TD>", "<TD><A HREF=\"#month201605\">May</A>",
        "</TABLE>"};
    EXPECT_EQ(std::vector<std::string>(l.begin() + grid, l.begin() + grid + 18), expected);
    EXPECT_NE(page.find("<p><A NAME=\"month201503\">2015-03 March</A>\r\n<p>\r\n<UL>\r\n<LI><A "
                        "HREF=\"10000001_2015-03-04.rtf\">2015-03-04 10000001 Area 11 Hwy 97 Seg 0975 Km 12.5</A><BR>"),
              std::string::npos);
    // a date that cannot be read stays out of the grid, listed apart
    const auto apart = page.find("Collisions without a readable date");
    ASSERT_NE(apart, std::string::npos);
    EXPECT_NE(page.find("10000003_2015-13-45.rtf", apart), std::string::npos);
}

TEST_F(WebRepTest, TheAreaIndexGoesOnPastAnAreaNotInTheTable) {
    ASSERT_EQ(Split(Report({{"10000001", "2015-03-04", "11"},
                            {"10000002", "2015-03-05", "7"},
                            {"10000003", "2015-03-06", "41"},
                            {"10000004", "2015-03-07", "<b"}})),
              kDetailDone);
    MakeHTMLIndeces(out_);
    const std::string page = ReadFile(out_ + "FatalReportsByArea.html");
    EXPECT_NE(page.find("<TR>\r\n<TD><A HREF=\"#area11\">11 - Aldermoor</A>\r\n<TD><A HREF=\"#area41\">41 - "
                        "Eskerton</A>\r\n<TR>\r\n<TD><A HREF=\"#area12\">12 - Bracken &amp; Ridge</A>\r\n</TABLE>"),
              std::string::npos);
    const auto a12 = page.find("<A NAME=\"area12\">");
    const auto a41 = page.find("<A NAME=\"area41\">");
    ASSERT_NE(a41, std::string::npos);
    EXPECT_NE(page.find("    (none)", a12), std::string::npos);
    EXPECT_NE(page.find("10000003_2015-03-06.rtf", a41), std::string::npos);
    const auto unknown = page.find("Collisions in an area not in the Area table");
    ASSERT_NE(unknown, std::string::npos);
    EXPECT_GT(unknown, a41);
    EXPECT_NE(page.find("10000002_2015-03-05.rtf", unknown), std::string::npos);
    EXPECT_NE(page.find("&lt;b 2015-03-07", unknown), std::string::npos);  // escaped
    EXPECT_EQ(page.find("<b 2015"), std::string::npos);
    EXPECT_EQ(StatusLines().back(), "HTML indeces complete.");
}

TEST_F(WebRepTest, NoCollisionNoIndex) {
    ASSERT_EQ(Split(Report({})), kDetailDone);
    ui_->ExpectMsgBox(ui::vbOK, "Error: Naklist = 0");
    MakeHTMLIndeces(out_);
    EXPECT_EQ(StatusLines().back(), "MakeHTMLIndeces failed.");
    EXPECT_FALSE(fs::exists(out_ + "FatalReportsByDate.html"));
}

TEST_F(WebRepTest, TheInputIsNeverOverwritten) {
    const std::string text = Report({{"10000001"}});
    WriteFile(out_ + "10000001_2015-03-04.rtf", text);
    int16_t status = -1;
    ui_->ExpectMsgBox(ui::vbOK, "is the file of collision 10000001");
    SplitDetailReport(out_ + "10000001_2015-03-04.rtf", out_, status);
    EXPECT_EQ(status, kDetailOutputOpen);
    EXPECT_EQ(ReadFile(out_ + "10000001_2015-03-04.rtf"), text);
}

TEST_F(WebRepTest, TheTabSplitsTheSampleReport) {
    RDA_Areas().clear();  // from the sample inventory
    form().Detail_Folder.SetText(Sample_Folder() + "collisions/");
    form().Detail_File.SetText("Detail_sample.rtf");
    form().Out_Folder.SetText(out_);
    ui_->ExpectMsgBox(ui::vbOK, "The output folder is not the same as the input folder.");
    ui_->ExpectInput(Sample_Folder() + "HMZ_Data_201404.mdb", "Confirm full HMZ_Data file name");
    cmdDetailSplit_Click(form());
    HMZ_Close_Database();
    // eight collisions on nine pages: one runs over two
    EXPECT_NE(Status().find("9 RTF pages read, 8 collision RTF files written."), std::string::npos) << Status();
    EXPECT_EQ(StatusLines().back(), "HTML indeces complete.");
    const std::string byArea = ReadFile(out_ + "FatalReportsByArea.html");
    const std::string byDate = ReadFile(out_ + "FatalReportsByDate.html");
    int files = 0, twoPages = 0;
    for (const auto& e : fs::directory_iterator(out_)) {
        if (e.path().extension() != ".rtf") continue;
        ++files;
        const auto lines = Lines(ReadFile(e.path().string()));
        twoPages += std::count(lines.begin(), lines.end(), "{\\sect \\sbkpage") == 1;
        EXPECT_EQ(lines.back(), "}}");
        // listed on both pages, under the area of its report
        const std::string name = e.path().filename().string();
        EXPECT_NE(byDate.find("<LI><A HREF=\"" + name + "\">"), std::string::npos) << name;
        const size_t at = byArea.find("<LI><A HREF=\"" + name + "\">");
        ASSERT_NE(at, std::string::npos) << name;
        const std::string area = byArea.substr(at + 13 + name.size() + 2, 2);
        EXPECT_LT(byArea.find("<A NAME=\"area" + area + "\">"), at) << name;
    }
    EXPECT_EQ(files, 8);
    EXPECT_EQ(twoPages, 1);
    EXPECT_EQ(byArea.find("not in the Area table"), std::string::npos);
}

}  // namespace
