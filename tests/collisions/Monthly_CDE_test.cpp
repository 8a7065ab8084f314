#include "collisions/Monthly_CDE.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "platform/office/spreadsheet.h"
#include "platform/shell/scratch.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

const std::string kHeading = "\"CLSNDATE\",\"ACCASE\",\"SEGNUM\",\"KMMARK\"";
const std::string kExtract = kHeading +
                             "\r\n"
                             "\"2015-04-02\",\"A4\",\"0010\",\"1.5\"\r\n"
                             "\"2015-01-15\",\"A1\",\"0020\",\"2.0\"\r\n"
                             "\r\n"
                             "\"2015-02-01\",\"A2\",\"0010\",\"3.5\"\r\n"
                             "\"2015-01-03\",\"A0\",\"0030\",\"0.5\"";

// Column B of every row of a month's workbook.
std::vector<std::string> CaseColumn(const std::string& book) {
    office::ApplicationRef app = office::Application::Start();
    office::WorksheetRef ws = app->WorkbooksOpen(book)->Worksheets(1);
    std::vector<std::string> cases;
    for (int32_t row = 1; row <= 20; ++row) {
        const std::string v = ws->Cells(row, 2).Value().ToText();
        if (v.empty()) break;
        cases.push_back(v);
    }
    app->Quit();
    return cases;
}

class MonthlySplitTest : public CollisionsTest {
protected:
    int16_t Split(const std::string& extract) {
        WriteFile(data_ + "fatals.csv", extract);
        int16_t status = -1;
        Monthly_CDE(data_ + "fatals.csv", out_, status);
        return status;
    }
    std::string Page() const { return out_ + "FatalDataByMonth.html"; }
    std::string Book(const std::string& month) const { return out_ + "fatal_data_" + month + ".xlsx"; }
    // The HREF targets of the page, in order.
    std::vector<std::string> Links() const {
        std::vector<std::string> links;
        const std::string page = ReadFile(Page());
        const std::regex href("<A HREF=\"([^\"]*)\">");
        for (auto it = std::sregex_iterator(page.begin(), page.end(), href); it != std::sregex_iterator(); ++it)
            links.push_back((*it)[1]);
        return links;
    }
};

TEST_F(MonthlySplitTest, OneWorkbookPerMonthAndAPageLinkingThemInOrder) {
    EXPECT_EQ(Split(kExtract), kSplitFinished);
    EXPECT_EQ(CaseColumn(Book("2015-01")), (std::vector<std::string>{"ACCASE", "A0", "A1"}));
    EXPECT_EQ(CaseColumn(Book("2015-02")), (std::vector<std::string>{"ACCASE", "A2"}));
    EXPECT_EQ(CaseColumn(Book("2015-04")), (std::vector<std::string>{"ACCASE", "A4"}));
    EXPECT_FALSE(fs::exists(Book("2015-03")));

    const std::string page = ReadFile(Page());
    const std::string expected = std::string("<HTML>\r\n<HEAD>\r\n    <TITLE>\r\n") +
                                 "        Fatal Collision Data by Month in Excel\r\n    </TITLE>\r\n</HEAD>\r\n"
                                 "<BODY>\r\n<H3>Vorquist</H3>\r\n<p><H3>Fatal Collision Data by Month in Excel</H3>\r\n"
                                 "<p>(Data files generated " +
                                 collisions::TodayShortDate() +
                                 ")\r\n<p>\r\n"
                                 "<A HREF=\"fatal_data_2015-01.xlsx\">2015-01 January</A><BR>\r\n"
                                 "<A HREF=\"fatal_data_2015-02.xlsx\">2015-02 February</A><BR>\r\n"
                                 "<A HREF=\"fatal_data_2015-04.xlsx\">2015-04 April</A><BR>\r\n"
                                 "</BODY>\r\n</HTML>\r\n";
    EXPECT_EQ(page, expected);
    // every link names a file beside the page, exactly
    for (const std::string& link : Links()) EXPECT_TRUE(fs::exists(out_ + link)) << link;

    EXPECT_EQ(StatusLines().back(), "Finished CDE split by month.");
}

TEST_F(MonthlySplitTest, ScratchFilesLieInAPrivateFolder) {
    ASSERT_EQ(Split(kExtract), kSplitFinished);
    const std::string scratch = shell::PrivateTempFolder();
    EXPECT_EQ(scratch.rfind((dir_ / "temp").string() + "/", 0), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(scratch.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(fs::exists(scratch + "CDEsorted.csv"));
    EXPECT_FALSE(fs::exists(dir_ / "temp" / "CDEsorted.csv"));
    EXPECT_FALSE(fs::exists(dir_ / "temp" / "onemonth.csv"));
    // the sorted file holds every line, the heading last
    const auto sorted = Lines(ReadFile(scratch + "CDEsorted.csv"));
    ASSERT_EQ(sorted.size(), 6u);
    EXPECT_EQ(sorted.back(), kHeading);
}

TEST_F(MonthlySplitTest, AHeadingAloneEndsBeforeTheSort) {
    ui_->ExpectMsgBox(ui::vbOK, "End of file on first CDE file read.");
    EXPECT_EQ(Split(kHeading + "\r\n"), kSplitEmptyInput);
    EXPECT_EQ(ui_->shown.back().title, "Monthly_CDE");
    EXPECT_FALSE(fs::exists(Page()));
    EXPECT_EQ(Status(), "CDE split by month failed.");

    ui_->ExpectMsgBox(ui::vbOK, "while trying to open input file:");
    int16_t status = -1;
    Monthly_CDE(data_ + "absent.csv", out_, status);
    EXPECT_EQ(status, kSplitInputOpen);
}

// A line before the end of the data whose first field is no quoted date
// sorts after the months (a quote and a digit sort before it); the split
// stops there, naming it, and the page lists the months converted.
TEST_F(MonthlySplitTest, ALineWithoutARealMonthStopsTheSplitWithAClosedPage) {
    const std::string unquoted = "CLSNDATE,ACCASE,SEGNUM,KMMARK" + kExtract.substr(kHeading.size());
    struct Case {
        std::string extract, line;
    } cases[] = {
        {kExtract, "\"2015-13-01\",\"B1\",\"0010\",\"1.0\""},
        {kExtract, "\"2015-1x-01\",\"B1\",\"0010\",\"1.0\""},
        {kExtract, "\"ACCIDENT\",\"B1\""},
        // unquoted, it sorts before an unquoted heading
        {unquoted, "2015-03-01,B1,0010,1.0"},
        // a footer after an unquoted heading leaves the heading inside the data
        {unquoted, "Total collisions: 4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string refused = c.line[0] == 'T' ? "CLSNDATE,ACCASE,SEGNUM,KMMARK" : c.line;
        ui_->ExpectMsgBox(ui::vbOK, "does not begin with a quoted collision date yyyy-mm-dd:\r\n" + refused);
        const int16_t status = Split(c.extract + "\r\n" + c.line + "\r\n");
        EXPECT_EQ(status, kSplitBadMonthKey);
        const std::string page = ReadFile(Page());
        EXPECT_EQ(page.substr(page.size() - 18), "</BODY>\r\n</HTML>\r\n");
        EXPECT_EQ(Links(), (std::vector<std::string>{"fatal_data_2015-01.xlsx", "fatal_data_2015-02.xlsx",
                                                     "fatal_data_2015-04.xlsx"}));
        EXPECT_EQ(StatusLines().back(), "CDE split by month failed.");
        fs::remove_all(out_);
        fs::create_directories(out_);
    }
}

// The data end at a quoted CLSNDATE heading or at the sorted file's last
// line, whatever that holds: nothing after them is an error.
TEST_F(MonthlySplitTest, TheDataEndAtTheQuotedHeadingOrAtTheLastLine) {
    const std::string data = kExtract.substr(kHeading.size());
    const std::string cases[] = {
        "CLSNDATE,ACCASE,SEGNUM,KMMARK" + data,             // unquoted heading: the last line
        kExtract + "\r\nTotal collisions: 4\r\n",          // a footer after the quoted heading
        kExtract + "\r\n\"Total collisions\",\"4\"\r\n",  // a quoted one sorts after it too
        kExtract + "\r\n\"SEGNUM\",\"B1\"\r\n",
    };
    for (const std::string& extract : cases) {
        SCOPED_TRACE(extract);
        EXPECT_EQ(Split(extract), kSplitFinished);
        EXPECT_EQ(Links(), (std::vector<std::string>{"fatal_data_2015-01.xlsx", "fatal_data_2015-02.xlsx",
                                                     "fatal_data_2015-04.xlsx"}));
        EXPECT_EQ(CaseColumn(Book("2015-01")), (std::vector<std::string>{"ACCASE", "A0", "A1"}));
        EXPECT_EQ(CaseColumn(Book("2015-04")), (std::vector<std::string>{"ACCASE", "A4"}));
        EXPECT_EQ(StatusLines().back(), "Finished CDE split by month.");
        fs::remove_all(out_);
        fs::create_directories(out_);
    }
}

TEST_F(MonthlySplitTest, ARerunReplacesTheWorkbooksAndThePage) {
    ASSERT_EQ(Split(kExtract), kSplitFinished);
    ASSERT_EQ(Split(kHeading + "\r\n\"2015-01-09\",\"C1\",\"0010\",\"1.0\"\r\n"), kSplitFinished);
    EXPECT_EQ(CaseColumn(Book("2015-01")), (std::vector<std::string>{"ACCASE", "C1"}));
    EXPECT_EQ(Links(), (std::vector<std::string>{"fatal_data_2015-01.xlsx"}));
}

TEST_F(MonthlySplitTest, AWorkbookOpenElsewhereStopsTheSplitAndStays) {
    ASSERT_EQ(Split(kExtract), kSplitFinished);
    const std::string before = ReadFile(Book("2015-02"));
    WriteFile(out_ + ".~lock.fatal_data_2015-02.xlsx#", "someone");
    ui_->ExpectMsgBox(ui::vbOK, "is open in another program");
    EXPECT_EQ(Split(kExtract), kSplitWorkbook);
    EXPECT_EQ(ReadFile(Book("2015-02")), before);
    EXPECT_EQ(Links(), (std::vector<std::string>{"fatal_data_2015-01.xlsx"}));
}

TEST_F(MonthlySplitTest, TheInputIsNeverAnOutput) {
    WriteFile(Page(), kExtract);
    ui_->ExpectMsgBox(ui::vbOK, "is the index page the split writes.");
    int16_t status = -1;
    Monthly_CDE(Page(), out_, status);
    EXPECT_EQ(status, kSplitPageOpen);
    EXPECT_EQ(ReadFile(Page()), kExtract);

    WriteFile(Book("2015-01"), kExtract);
    ui_->ExpectMsgBox(ui::vbOK, "is the workbook of month 2015-01.");
    Monthly_CDE(Book("2015-01"), out_, status);
    EXPECT_EQ(status, kSplitWorkbook);
    EXPECT_EQ(ReadFile(Book("2015-01")), kExtract);
}

TEST_F(MonthlySplitTest, TheButtonWarnsWhenTheFoldersDiffer) {
    MainForm& f = form();
    WriteFile(data_ + "fatals.csv", kExtract);
    f.CDE_folder.SetText(data_);
    f.CDE_file.SetText("fatals.csv");
    f.Out_Folder.SetText(out_);
    ui_->ExpectMsgBox(ui::vbCancel, "The output folder is not the same as the input folder.");
    cmdSplitByMonth_Click(f);
    EXPECT_FALSE(fs::exists(Page()));

    ui_->ExpectMsgBox(ui::vbOK, "The output folder is not the same as the input folder.");
    cmdSplitByMonth_Click(f);
    EXPECT_EQ(Links().size(), 3u);

    // same folder, written with another case and a trailing separator: no question
    f.Out_Folder.SetText(data_.substr(0, data_.size() - 1));
    cmdSplitByMonth_Click(f);
    EXPECT_TRUE(fs::exists(data_ + "FatalDataByMonth.html"));
}

}  // namespace
