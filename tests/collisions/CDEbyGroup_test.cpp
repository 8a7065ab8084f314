#include "collisions/CDEbyGroup.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

const std::string kList =
    "Section\r\n"
    "\"1-1\"\r\n"
    "1-2\r\n"
    "2\r\n"
    "3-1\r\n"
    "3-2\r\n";

const std::string kExtract =
    "\"CLSNDATE\",\"GROUP_ID\",\"SEVERITY_TYPE\",\"ACCASE\"\r\n"
    "\"2010-01-05\",\"1-1\",\"1\",\"A1\"\r\n"
    "\"2010-01-20\",\"1-2\",\"2\",\"A2\"\r\n"
    "\"2010-03-01\",\"1-1\",\"3\",\"A3\"\r\n"
    "\"2010-12-31\",\"2\",\"3\",\"A4\"\r\n"
    "\"2011-01-01\",\"3-1\",\"2\",\"A5\"\r\n"
    "   \r\n"
    "\"2010-02-14\",\"3-2\",\"3\",\"A6\"\r\n"
    "\"2010-02-15\",\"3-2\",\"3\",\"A7\"\r\n";

// A table line of 2010 (12 months): its name, total and the cells given as
// {month, severity} -> count.
std::string Row(const std::string& name, std::map<std::pair<int, int>, int> cells, int months = 12) {
    int total = 0;
    std::string text;
    for (int m = 1; m <= months; ++m)
        for (int s = 1; s <= 3; ++s) {
            const int n = cells.count({m, s}) ? cells[{m, s}] : 0;
            total += n;
            text += "," + std::to_string(n);
        }
    return name + "," + std::to_string(total) + text;
}

class SumBySectionTest : public CollisionsTest {
protected:
    void Run(const std::string& list, const std::string& extract, int16_t y1, int16_t y2) {
        WriteFile(data_ + "sections.csv", list);
        WriteFile(data_ + "inss.csv", extract);
        CDE_Sum_by_Group(data_, "inss.csv", "sections.csv", out_, y1, y2);
    }
    std::string OutPath() const { return out_ + "inss_bySecMonSev.csv"; }
    std::vector<std::string> Out() const { return Lines(ReadFile(OutPath())); }
    // First column of every table line.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        const auto lines = Out();
        for (size_t i = 2; i < lines.size(); ++i) names.push_back(lines[i].substr(0, lines[i].find(',')));
        return names;
    }
};

TEST_F(SumBySectionTest, CountsBySectionMonthAndSeverityWithASumLineAfterEachGroup) {
    Run(kList, kExtract, 2010, 2010);
    const std::string text = ReadFile(OutPath());
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    const auto lines = Out();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0],
              "Section,Total,2010-01,,,2010-02,,,2010-03,,,2010-04,,,2010-05,,,2010-06,,,2010-07,,,2010-08,,,"
              "2010-09,,,2010-10,,,2010-11,,,2010-12,,,");
    std::string head2 = ",,";
    for (int i = 0; i < 12; ++i) head2 += "Fatal,Injury,PDO,";
    EXPECT_EQ(lines[1], head2);
    EXPECT_EQ(lines[2], Row("1-1", {{{1, 1}, 1}, {{3, 3}, 1}}));
    EXPECT_EQ(lines[3], Row("1-2", {{{1, 2}, 1}}));
    EXPECT_EQ(lines[4], Row("1-SUM", {{{1, 1}, 1}, {{1, 2}, 1}, {{3, 3}, 1}}));
    EXPECT_EQ(lines[5], Row("2", {{{12, 3}, 1}}));
    // the 2011 collision is counted but lies beyond the columns written
    EXPECT_EQ(lines[6], Row("3-1", {}));
    EXPECT_EQ(lines[7], Row("3-2", {{{2, 3}, 2}}));
    EXPECT_EQ(lines[8], Row("3-SUM", {{{2, 3}, 2}}));

    const auto status = StatusLines();
    const std::vector<std::string> tail(status.end() - 4, status.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Opened output csv file " + OutPath(), "5 non-sum records written.",
                                              "2 sum records written.", "7 total data records written."}));
    // the blank line is no record
    EXPECT_NE(Status().find("\r\n7 input data records read."), std::string::npos);
    EXPECT_EQ(cdebygroup::SectionCount(), 5);
}

TEST_F(SumBySectionTest, GroupsAndTheirSumLines) {
    struct Case {
        std::vector<std::string> list;
        std::vector<std::string> names;
        int same_main_boxes;
    };
    const Case cases[] = {
        {{"1-1", "1-2", "2", "3-1", "3-2"}, {"1-1", "1-2", "1-SUM", "2", "3-1", "3-2", "3-SUM"}, 0},
        {{"1-1", "2-1"}, {"1-1", "2-1"}, 0},
        {{"12", "12-1", "12-2", "13"}, {"12", "12-1", "12-2", "12-SUM", "13"}, 0},
        // 12 after 12-1: its own line, a warning, and no sum for a group of one
        {{"12-1", "12"}, {"12-1", "12"}, 1},
        {{"7"}, {"7"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list.front() + "... (" + std::to_string(c.list.size()) + ")");
        std::string list = "Section\r\n";
        for (const auto& s : c.list) list += s + "\r\n";
        for (int i = 0; i < c.same_main_boxes; ++i) ui_->ExpectMsgBox(ui::vbOK, "Same main sec, no sub sec: 12");
        Run(list, "\"CLSNDATE\",\"GROUP_ID\",\"SEVERITY_TYPE\"\r\n\"2010-01-01\",\"" + c.list.front() + "\",\"1\"\r\n",
            2010, 2010);
        EXPECT_EQ(Names(), c.names);
        EXPECT_TRUE(ui_->script.empty());
        ui_->shown.clear();
    }
}

TEST_F(SumBySectionTest, AnUnlistedSectionIsWarnedOnceAndListedAfterTheOthers) {
    ui_->ExpectMsgBox(ui::vbOK, "Section 9-1 was not in the Section List file!");
    Run("Section\r\n1\r\n2\r\n",
        "CLSNDATE,GROUP_ID,SEVERITY_TYPE\r\n2010-01-01,9-1,1\r\n2010-02-01,9-1,2\r\n2010-01-01,1,1\r\n", 2010, 2010);
    EXPECT_EQ(Names(), (std::vector<std::string>{"1", "2", "9-1"}));
    EXPECT_EQ(Out()[4], Row("9-1", {{{1, 1}, 1}, {{2, 2}, 1}}));
}

TEST_F(SumBySectionTest, LongTitlesAreAcceptedAndTheYearsSetTheColumns) {
    Run("Section\r\n1\r\n", "Collision Date,Group ID,Severity Type\r\n2015-12-01,1,2\r\n2016-01-01,1,1\r\n", 2010,
        2015);
    auto lines = Out();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 24), "Section,Total,2010-01,,,");
    EXPECT_EQ(lines[0].substr(lines[0].size() - 10), "2015-12,,,");
    EXPECT_EQ(lines[1].substr(lines[1].size() - 4), "PDO,");
    // 72 months; the 2016 collision is in no column and no total
    EXPECT_EQ(lines[2], Row("1", {{{72, 2}, 1}}, 72));

    // a last year before the first: no month columns
    Run("Section\r\n1\r\n2\r\n", "CLSNDATE,GROUP_ID,SEVERITY_TYPE\r\n2010-01-01,1,1\r\n", 2010, 2009);
    lines = Out();
    EXPECT_EQ(lines, (std::vector<std::string>{"Section,Total,", ",,", "1,0", "2,0"}));
}

TEST_F(SumBySectionTest, RecordsOutsideTheTableStopTheRunNamingTheRecord) {
    struct Case {
        std::string record;
        std::string message;
    };
    const Case cases[] = {
        {"2009-12-31,1,1", "CLSNDATE 2009-12-31 lies outside January 2010"},
        {"2051-09-01,1,1", "CLSNDATE 2051-09-01 lies outside January 2010"},
        {"2010-13-01,1,1", "CLSNDATE 2010-13-01 is not a date"},
        {"20x0-01-01,1,1", "CLSNDATE 20x0-01-01 is not a date"},
        {",1,1", "CLSNDATE  is not a date"},
        {"2010-01-01,1,4", "SEVERITY_TYPE 4 is not 1, 2 or 3"},
        {"2010-01-01,1,0", "SEVERITY_TYPE 0 is not 1, 2 or 3"},
        {"2010-01-01,1,fatal", "SEVERITY_TYPE fatal is not 1, 2 or 3"},
        {"2010-01-01,1,", "SEVERITY_TYPE  is not 1, 2 or 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        std::error_code ec;
        fs::remove(OutPath(), ec);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        Run("Section\r\n1\r\n", "CLSNDATE,GROUP_ID,SEVERITY_TYPE\r\n2010-01-01,1,1\r\n" + c.record + "\r\n", 2010,
            2015);
        EXPECT_FALSE(fs::exists(OutPath()));
        ASSERT_EQ(ui_->shown.size(), 1u);
        EXPECT_NE(ui_->shown[0].prompt.find(" at record 2 of " + data_ + "inss.csv."), std::string::npos);
        EXPECT_EQ(ui_->shown[0].title, "CDE_Sum_by_Group");
        ui_->shown.clear();
    }
}

TEST_F(SumBySectionTest, FullCountersStopTheRun) {
    // 501 sections
    std::string extract = "CLSNDATE,GROUP_ID,SEVERITY_TYPE\r\n";
    for (int i = 1; i <= 501; ++i) extract += "2010-01-01,S" + std::to_string(i) + ",1\r\n";
    for (int i = 1; i <= 500; ++i) ui_->ExpectMsgBox(ui::vbOK, "was not in the Section List file!");
    ui_->ExpectMsgBox(ui::vbOK, "More than 500 sections at record 501 of ");
    Run("Section\r\n", extract, 2010, 2010);
    EXPECT_FALSE(fs::exists(OutPath()));

    // a cell beyond 32767, and a line total beyond it
    for (const auto& [spread, message] : {std::pair<bool, std::string>{false, "More than 32767 collisions"},
                                          std::pair<bool, std::string>{true, "The line of 1 has more than 32767"}}) {
        std::string big = "CLSNDATE,GROUP_ID,SEVERITY_TYPE\r\n";
        for (int i = 0; i < 32768; ++i) big += spread && i % 2 ? "2010-02-01,1,2\r\n" : "2010-01-01,1,1\r\n";
        ui_->ExpectMsgBox(ui::vbOK, message);
        Run("Section\r\n1\r\n", big, 2010, 2010);
        EXPECT_FALSE(fs::exists(OutPath()));
    }

    ui_->ExpectMsgBox(ui::vbOK, "span more than 41 years");
    Run("Section\r\n1\r\n", "CLSNDATE,GROUP_ID,SEVERITY_TYPE\r\n2010-01-01,1,1\r\n", 2010, 2051);
    EXPECT_FALSE(fs::exists(OutPath()));
}

TEST_F(SumBySectionTest, InputsThatStopTheRunBeforeAnythingIsWritten) {
    struct Case {
        std::string extract;
        std::string message;
    };
    const Case cases[] = {
        {"CLSNDATE,GROUP_ID,SEVERITY_TYPE\r\n", "is empty."},
        {"", "is empty."},
        {"CLSNDATE,group_id,SEVERITY_TYPE\r\n2010-01-01,1,1\r\n", "No 'Group ID' field found in the heading record of "},
        {"CLSNDATE,GROUP_ID,SEVERITY\r\n2010-01-01,1,1\r\n", "No SEVERITY_TYPE field found in the heading record of "},
        {"DATE,GROUP_ID,SEVERITY_TYPE\r\n2010-01-01,1,1\r\n", "No CLSNDATE field found in the heading record of "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        Run("Section\r\n1\r\n", c.extract, 2010, 2010);
        EXPECT_FALSE(fs::exists(OutPath()));
    }

    ui_->ExpectMsgBox(ui::vbOK, "while trying to open input file:\r\n" + data_ + "nolist.csv");
    WriteFile(data_ + "inss.csv", kExtract);
    CDE_Sum_by_Group(data_, "inss.csv", "nolist.csv", out_, 2010, 2010);
    EXPECT_FALSE(fs::exists(OutPath()));
}

TEST_F(SumBySectionTest, AnOutputThatIsItsOwnSectionListIsRefused) {
    WriteFile(data_ + "inss.csv", kExtract);
    WriteFile(data_ + "inss_bySecMonSev.csv", kList);
    ui_->ExpectMsgBox(ui::vbOK, "is the input file " + data_ + "inss_bySecMonSev.csv");
    CDE_Sum_by_Group(data_, "inss.csv", "inss_bySecMonSev.csv", data_, 2010, 2010);
    EXPECT_EQ(ReadFile(data_ + "inss_bySecMonSev.csv"), kList);
}

TEST_F(SumBySectionTest, ARerunReplacesTheTableWhole) {
    WriteFile(OutPath(), "old table\r\n");
    Run(kList, kExtract, 2010, 2010);
    EXPECT_EQ(Out().size(), 9u);
    EXPECT_EQ(Out()[0].substr(0, 14), "Section,Total,");
}

TEST_F(SumBySectionTest, TheButtonChecksTheYearsThenTheInputs) {
    MainForm& f = form();
    WriteFile(data_ + "sections.csv", kList);
    WriteFile(data_ + "inss.csv", kExtract);
    f.SSA_Folder.SetText(data_);
    f.SSA_File.SetText("inss.csv");
    f.txtSectionListFile.SetText(" sections.csv ");
    f.Out_Folder.SetText(out_);
    for (const auto& [y1, y2] : {std::pair<std::string, std::string>{"abc", "2015"}, {"2010", ""}, {"70000", "2015"}}) {
        f.txtYear1.SetText(y1);
        f.txtYear2.SetText(y2);
        f.txtSectionListFile.SetFocus();
        ui_->ExpectMsgBox(ui::vbOK);
        cmdCDEByMonth_Click(f);
        ASSERT_EQ(ui_->shown.back().title, "Bad Year");
        EXPECT_EQ(f.ActiveControl(), &f.txtYear1);
        EXPECT_FALSE(fs::exists(OutPath()));
    }
    f.txtYear1.SetText("2010");
    f.txtYear2.SetText("2010");
    f.SSA_File.SetText("absent.csv");
    ui_->ExpectMsgBox(ui::vbOK, "Not found.");
    cmdCDEByMonth_Click(f);
    EXPECT_FALSE(fs::exists(OutPath()));

    f.SSA_File.SetText("inss.csv");
    cmdCDEByMonth_Click(f);
    EXPECT_EQ(Out().size(), 9u);
    EXPECT_EQ(f.ssa_fullname, data_ + "inss.csv");
}

// ---------------------------------------------------------------------------

const std::string kQuarterExtract =
    "\"ACCASE\",\"GroupID\",\"Diagram\",\"CLSNDATE\"\r\n"
    "\"A1\",\"7\",\"14\",\"2010-03-31\"\r\n"
    "\"A2\",\"7\",\"2\",\"2010-04-01\"\r\n"
    "\"A3\",\"12\",\"15\",\"2010-12-01\"\r\n"
    "\"A4\",\"99\",\"1\",\"2009-06-01\"\r\n"
    "\r\n"
    "\"A5\",\"7\",\"1\",\"2010-01-15\"\r\n";

class SumByQuarterTest : public CollisionsTest {
protected:
    std::string OutPath() const { return out_ + "cde_byQuarter.csv"; }
    // Answers 2010 and groupid, then expects a box with `message` when given.
    void Run(const std::string& extract, const std::string& message = "") {
        WriteFile(data_ + "cde.csv", extract);
        ui_->ExpectInput("2010", "Enter the first year (4 digits)");
        ui_->ExpectInput("groupid", "Enter the name of the input section ID field:");
        if (!message.empty()) ui_->ExpectMsgBox(ui::vbOK, message);
        CDE_Sum_by_Group_and_Quarter(data_, "cde.csv", out_);
    }
};

TEST_F(SumByQuarterTest, CountsByGroupQuarterAndClass) {
    Run(kQuarterExtract);
    const auto lines = Lines(ReadFile(OutPath()));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "GroupID,Nclsns,2010Q1 All,2010Q1 ORR,2010Q1 HO+ORL,2010Q2 All,2010Q2 ORR,2010Q2 HO+ORL,"
              "2010Q3 All,2010Q3 ORR,2010Q3 HO+ORL,2010Q4 All,2010Q4 ORR,2010Q4 HO+ORL,");
    // the ORR and HO+ORL collisions count twice in the row total
    EXPECT_EQ(lines[1], "7,5,2,1,0,1,0,1,0,0,0,0,0,0");
    EXPECT_EQ(lines[2], "12,2,0,0,0,0,0,0,0,0,0,1,0,1");
    const auto status = StatusLines();
    EXPECT_NE(Status().find("\r\n5 input data records read."), std::string::npos);
    EXPECT_EQ(status.back(), "2 section records written.");
    EXPECT_EQ(ui_->shown[1].title, "Tessawin");
    EXPECT_EQ(ui_->shown[0].kind, ui::ShownBox::Input);
}

TEST_F(SumByQuarterTest, TheHighestQuarterMetSetsTheColumns) {
    Run("GROUPID,DIAGRAM,COLLISION DATE\r\n3,1,2012-05-02\r\n3,1,2010-01-01\r\n");
    const auto lines = Lines(ReadFile(OutPath()));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 36), "2012Q2 All,2012Q2 ORR,2012Q2 HO+ORL,");
    EXPECT_EQ(std::count(lines[1].begin(), lines[1].end(), ','), 31);
}

TEST_F(SumByQuarterTest, FirstYearAnswersOutsideTheRangeAreAskedAgain) {
    WriteFile(data_ + "cde.csv", kQuarterExtract);
    const std::string next = std::to_string(collisions::CurrentYear() + 1);
    for (const std::string a : {"abcd", "201", "1986", "20100", next.c_str()}) ui_->ExpectInput(a, "first year");
    ui_->ExpectInput("1987", "first year");
    ui_->ExpectInput("GroupID", "section ID field");
    CDE_Sum_by_Group_and_Quarter(data_, "cde.csv", out_);
    EXPECT_TRUE(fs::exists(OutPath()));
    EXPECT_EQ(Lines(ReadFile(OutPath()))[0].substr(0, 26), "GroupID,Nclsns,1987Q1 All,");

    // this year is accepted; an empty answer ends the run without a word
    fs::remove(OutPath());
    form().Status.SetText("");
    ui_->ExpectInput(std::to_string(collisions::CurrentYear()), "first year");
    ui_->ExpectInput("", "section ID field");
    CDE_Sum_by_Group_and_Quarter(data_, "cde.csv", out_);
    ui_->ExpectInput("", "first year");
    CDE_Sum_by_Group_and_Quarter(data_, "cde.csv", out_);
    EXPECT_FALSE(fs::exists(OutPath()));
    EXPECT_EQ(Status(), "");
}

TEST_F(SumByQuarterTest, RecordsThatCannotBeCountedStopTheRunWithoutOutput) {
    struct Case {
        std::string record;
        std::string message;
    };
    const Case cases[] = {
        {"12-1,1,2010-01-01", "Invalid or missing GROUPID, DIAGRAM or CLSNDATE at record 2"},
        {"12,,2010-01-01", "Invalid or missing GROUPID, DIAGRAM or CLSNDATE at record 2"},
        {"12,1,", "Invalid or missing GROUPID, DIAGRAM or CLSNDATE at record 2"},
        {"12,1,2010", "Invalid or missing GROUPID, DIAGRAM or CLSNDATE at record 2"},
        {"12,1,2010-00-01", "The month of CLSNDATE 2010-00-01 is not 01 to 12 at record 2"},
        {"12,1,2010-13-01", "The month of CLSNDATE 2010-13-01 is not 01 to 12 at record 2"},
        {"12,1,2035-01-01", "CLSNDATE 2035-01-01 lies more than 25 years after the first year 2010 at record 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record);
        Run("GroupID,DIAGRAM,CLSNDATE\r\n7,1,2010-01-01\r\n" + c.record + "\r\n", c.message);
        EXPECT_FALSE(fs::exists(OutPath()));
    }
    // a record of an earlier year is read and passed over
    Run("GroupID,DIAGRAM,CLSNDATE\r\n12-1,x,2009-01-01\r\n7,1,2010-01-01\r\n");
    EXPECT_EQ(Lines(ReadFile(OutPath())).size(), 2u);

    std::string many = "GroupID,DIAGRAM,CLSNDATE\r\n";
    for (int g = 1; g <= 501; ++g) many += std::to_string(g) + ",1,2010-01-01\r\n";
    fs::remove(OutPath());
    Run(many, "More than 500 groups at record 501");
    EXPECT_FALSE(fs::exists(OutPath()));
}

TEST_F(SumByQuarterTest, MissingHeadingsAndEmptyExtracts) {
    struct Case {
        std::string extract;
        std::string message;
    };
    const Case cases[] = {
        {"GroupID,DIAGRAM,CLSNDATE\r\n", "is empty."},
        {"Group,DIAGRAM,CLSNDATE\r\n1,1,2010-01-01\r\n", "No GROUPID field found in the heading record of "},
        {"GroupID,DIAG,CLSNDATE\r\n1,1,2010-01-01\r\n", "No DIAGRAM field found in the heading record of "},
        {"GroupID,DIAGRAM,DATE\r\n1,1,2010-01-01\r\n", "No CLSNDATE field found in the heading record of "},
    };
    for (const Case& c : cases) {
        Run(c.extract, c.message);
        EXPECT_FALSE(fs::exists(OutPath()));
        EXPECT_EQ(ui_->shown.back().title, "CDE_Sum_by_Group_and_Quarter");
    }
}

TEST_F(SumByQuarterTest, TheButtonWarnsAboutFoldersAndSaysProblemsWhenStopped) {
    MainForm& f = form();
    WriteFile(data_ + "cde.csv", kQuarterExtract);
    f.CDE_folder.SetText(data_);
    f.CDE_file.SetText("cde.csv");
    f.Out_Folder.SetText("");
    ui_->ExpectMsgBox(ui::vbOK, "Enter an output folder");
    cmdCDEsumByGroupAndQuarter_Click(f);
    EXPECT_EQ(Status(), "\r\nProblems!");

    f.Out_Folder.SetText(out_);
    ui_->ExpectMsgBox(ui::vbCancel, "The output folder is not the same as the input folder.");
    cmdCDEsumByGroupAndQuarter_Click(f);
    EXPECT_EQ(ui_->shown.back().title, "Warning");
    EXPECT_EQ(Status(), "\r\nProblems!");
    EXPECT_FALSE(fs::exists(OutPath()));

    ui_->ExpectMsgBox(ui::vbOK, "The output folder is not the same as the input folder.");
    ui_->ExpectInput("2010");
    ui_->ExpectInput("GroupID");
    cmdCDEsumByGroupAndQuarter_Click(f);
    EXPECT_TRUE(fs::exists(OutPath()));
    EXPECT_EQ(f.out_folder, out_);
    EXPECT_EQ(f.cde_file, "cde.csv");

    // the same folder asks nothing
    f.Out_Folder.SetText(data_);
    ui_->ExpectInput("2010");
    ui_->ExpectInput("GroupID");
    cmdCDEsumByGroupAndQuarter_Click(f);
    EXPECT_TRUE(fs::exists(data_ + "cde_byQuarter.csv"));
}

}  // namespace
