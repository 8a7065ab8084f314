#include "sections/vol_Run.h"

#include <gtest/gtest.h>

#include "app/Subsystems.h"
#include "common/DataFolders.h"
#include "sections/vol_SearchPath.h"
#include "tests/sections/volume_support.h"

namespace {

using namespace voltest;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The Volume tab on the sample data set, with nothing configured.
class VolRunTest : public VolumeTest {
protected:
    void SetUp() override {
        VolumeTest::SetUp();
        for (DataKind k : {DataKind::AllVersions, DataKind::Volume, DataKind::Inventory}) set_data_folder(k, "");
        SAV_Forget_Database();
        load_form();
        Sections_Attach(TheMainForm());
        MainForm& f = TheMainForm();
        out_ = file("out");
        fs::create_directories(out_);
        f.Out_Folder.SetText(out_);
        f.vol_StartSeg.SetText("0010");
        f.vol_EndSeg.SetText("0030");
        f.vol_StartKm.SetText("");
        f.vol_EndKm.SetText("");
        f.vol_StartDate.SetText("2015-01-01");
        f.vol_EndDate.SetText("2016-12-31");
        f.vol_StartMonth.SetText("");
        f.vol_EndMonth.SetText("");
        f.vol_HMZversion.SetText("202004");
        f.vol_outFile.SetText("volumes.csv");
        f.vol_optionHMZ.SetValue(true);
        f.vol_outputDetailed.SetValue(true);
    }
    void run() { ui::ClickButton(*TheMainForm().Find<ui::CommandButton>("cmdVOL_Run")); }
    std::string report() const { return read_file(out_ + "/volumes.csv"); }
    std::string out_;
};

TEST_F(VolRunTest, TheTabsButtonsAndTheSearchPathBox) {
    MainForm& f = TheMainForm();
    for (const auto& [name, caption] : std::vector<std::pair<std::string, std::string>>{
             {"cmdVOL_Run", "Run"}, {"vol_openInExcel", "Open Output File in Excel"}, {"vol_help", "Help"}}) {
        auto* b = f.Find<ui::CommandButton>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->Caption(), caption);
        EXPECT_EQ(b->Placement().tab, MainForm::kTabVolume);
    }
    f.vol_optionVRQ.Click();
    EXPECT_TRUE(f.vol_searchFilepath.Enabled());
    f.vol_optionHMZ.Click();
    EXPECT_FALSE(f.vol_searchFilepath.Enabled());

    // the report in the spreadsheet program
    write(out_ + "/volumes.csv", "a,b\r\n");
    ui::ClickButton(*f.Find<ui::CommandButton>("vol_openInExcel"));
    EXPECT_NE(status().find("Loading file " + out_ + "/volumes.csv in Excel...\r\nFile opened in Excel."),
              std::string::npos)
        << status();

    // the help document of the program folder
    fs::copy_file(std::string(PROGRAM_FOLDER) + kVolumeHelpFile, app() + "/" + kVolumeHelpFile);
    ui::ClickButton(*f.Find<ui::CommandButton>("vol_help"));
    ASSERT_FALSE(launcher_->calls.empty());
    EXPECT_EQ(launcher_->calls.back().argv.back(), app() + "/" + kVolumeHelpFile);
}

TEST_F(VolRunTest, ADetailedRunOnTheSampleWritesEverySectionOfTheReport) {
    run();
    const std::string s = status();
    EXPECT_NE(s.find("Default Start KM '0' used."), std::string::npos) << s;
    EXPECT_NE(s.find("Default End KM used. Set to segment length."), std::string::npos);
    EXPECT_EQ(TheMainForm().vol_EndKm.Text(), "14.7") << "0030 is 14.65 km: its last hectometre is 147";
    EXPECT_NE(s.find("========Results========"), std::string::npos) << s;
    EXPECT_NE(s.find("Full results printed to file:\r\n" + out_ + "/volumes.csv"), std::string::npos);
    const std::string r = report();
    for (const char* part :
         {"Tessawin Version:,1.0.0,Report Created:,", "\r\n\r\nStart Segment,End Segment,Start KM,End KM,",
          "0010,0030,0,14.7,2015-01-01,2016-12-31,,,202004\r\n", "HMZ Search Path:,,Notes: Duplicate nodes",
          "Type,Name,Start_HM,End_HM\r\nNODE,10001\r\nSEG,0010,1,123\r\nNODE,10002\r\n",
          "Data Column Descriptions:", "Seg/Node,Year(s),Hm1,Hm2,Days,VolDays,K,VDK,ADT\r\n",
          "\r\n0010,2015,1,62,365,", "\r\n0030,2016,1,100,366,", "\r\nCombined Results:\r\nADT,Total Volume,",
          "Note:,Total Volume is recalculated as a multiple of ADT * Days\r\n"}) {
        EXPECT_NE(r.find(part), std::string::npos) << part << "\n---\n" << r;
    }
    // every count of the stretch is complete in 2015-2016
    const auto at = r.find("ADT,Total Volume,Days in Period,Section Length\r\n");
    ASSERT_NE(at, std::string::npos) << r;
    const long adt = std::stol(r.substr(at + 46));
    EXPECT_GT(adt, 0) << r;
    EXPECT_NE(r.find(std::to_string(adt) + "," + std::to_string(adt * 731) + ",731,39.2Km\r\n"), std::string::npos)
        << r;
    EXPECT_NE(s.find("ADT: " + std::to_string(adt) + "\r\nTotal Volume: " + std::to_string(adt * 731)),
              std::string::npos)
        << s;
}

// The request sample/README.md documents: highway 1 in 2019 meets 0030's
// uncounted June and July.
TEST_F(VolRunTest, AnUncountedMonthGivesMinusOne) {
    MainForm& f = TheMainForm();
    f.vol_EndSeg.SetText("0050");
    f.vol_StartDate.SetText("2019-01-01");
    f.vol_EndDate.SetText("2019-12-31");
    run();
    // the report carries -1 for both; the status keeps the total as calculated
    const std::string head = "ADT: -1\r\nTotal Volume: ";
    const auto shown = status().find(head);
    ASSERT_NE(shown, std::string::npos) << status();
    EXPECT_GT(std::stol(status().substr(shown + head.size())), 0) << status();
    EXPECT_NE(report().find("-1,-1,365,"), std::string::npos) << report();
    f.vol_EndSeg.SetText("0020");
    f.vol_EndKm.SetText("");
    ui_->ExpectMsgBox(ui::vbOK, "OK to overwrite?");
    run();
    EXPECT_EQ(status().find("ADT: -1"), std::string::npos) << "0010 and 0020 are complete in 2019: " << status();
}

// 0010's first stretch is a permanent count, complete in 2015 and 2016.
TEST_F(VolRunTest, AFullyCountedStretchGivesItsAdtAndTotal) {
    MainForm& f = TheMainForm();
    f.vol_EndSeg.SetText("0010");
    f.vol_StartKm.SetText("0.1");
    f.vol_EndKm.SetText("6.2");
    run();
    const std::string s = status();
    const auto at = s.find("ADT: ");
    ASSERT_NE(at, std::string::npos) << s;
    const long adt = std::stol(s.substr(at + 5));
    EXPECT_GT(adt, 0);
    EXPECT_NE(s.find("Total Volume: " + std::to_string(adt * 731) + "\r\n"), std::string::npos) << s;
    EXPECT_NE(report().find("\r\n" + std::to_string(adt) + "," + std::to_string(adt * 731) + ",731,6.2Km\r\n"),
              std::string::npos)
        << report();
}

TEST_F(VolRunTest, ByUtvsOnTheSearchPathFileOfTheSample) {
    MainForm& f = TheMainForm();
    f.vol_optionVRQ.SetValue(true);
    f.vol_searchFilepath.SetText(Sample_Folder() + "SearchPath_Hwy1_202004.txt");
    f.vol_outputVDE.SetValue(true);
    f.vol_EndSeg.SetText("0020");
    f.vol_StartKm.SetText("2.0");
    f.vol_EndKm.SetText("5.0");
    f.vol_StartMonth.SetText("6");
    f.vol_EndMonth.SetText("8");
    run();
    const std::string r = report();
    EXPECT_NE(r.find("VRQ Subset History Search Path:\r\nType,Name,Start_HM,End_HM\r\nNODE,10001\r\nSEG,0010,1,123\r\n"),
              std::string::npos)
        << r;
    // By UTVS: one row per range over both years; June to August is 184 days
    EXPECT_NE(r.find("\r\n0010,2015-2016,20,62,184,"), std::string::npos) << r;
    EXPECT_NE(r.find("\r\n10002,2015-2016,,,184,"), std::string::npos) << r;
    EXPECT_NE(r.find("\r\n0020,2015-2016,1,50,184,"), std::string::npos) << r;
    EXPECT_NE(status().find("Days in Period: 184"), std::string::npos) << status();
}

// The sample's search-path file with one record changed: an unknown type is
// warned of twice and stays on the path; a record that does not read ends the
// path there. Either way the report of 0010 km 2.0 to 0020 km 5.0 is written.
TEST_F(VolRunTest, ASearchPathFileWithAnOddRecordStillGivesItsReport) {
    MainForm& f = TheMainForm();
    const std::string sample = read_file(Sample_Folder() + "SearchPath_Hwy1_202004.txt");
    struct Case {
        const char *what, *find, *replace;
        std::vector<std::pair<std::string, std::string>> boxes;  // title, prompt
        const char* path_block;
    };
    const Case cases[] = {
        {"unknown type", "NODE 100 J 02 1\r\n", "XXXX 0015 on the way\r\nNODE 100 J 02 1\r\n",
         {{"Unrecognized Path record", "XXXX 0015 on the way"},
          {"GetSectionVolume", "*** Warning: invalid path type: XXXX"}},
         "SEG,0010,1,123\r\nXXXX,\r\nNODE,10002\r\nSEG,0020,1,119\r\nNODE,10003\r\n"},
        {"no fifth word", "NODE 100 C 03 1\r\n", "NODE 100 C 03\r\n",
         {{"Read_Search_Path_File", "Line 10: NODE 100 C 03"}},
         "SEG,0010,1,123\r\nNODE,10002\r\nSEG,0020,1,119\r\n\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string text = sample;
        const auto at = text.find(c.find);
        ASSERT_NE(at, std::string::npos);
        write(file("path.txt"), text.replace(at, std::string(c.find).size(), c.replace));
        f.vol_optionVRQ.SetValue(true);
        f.vol_searchFilepath.SetText(file("path.txt"));
        f.vol_EndSeg.SetText("0020");
        f.vol_StartKm.SetText("2.0");
        f.vol_EndKm.SetText("5.0");
        fs::remove(out_ + "/volumes.csv");
        const std::size_t shown = ui_->shown.size();
        for (const auto& [title, prompt] : c.boxes) ui_->ExpectMsgBox(ui::vbOK, prompt);
        run();
        ASSERT_EQ(ui_->shown.size(), shown + c.boxes.size());
        for (std::size_t i = 0; i < c.boxes.size(); ++i) EXPECT_EQ(ui_->shown[shown + i].title, c.boxes[i].first);
        EXPECT_NE(report().find(c.path_block), std::string::npos) << report();
        EXPECT_NE(status().find("========Results========"), std::string::npos) << status();
    }
}

TEST_F(VolRunTest, InputsThatStopTheRunBeforeAnyReport) {
    MainForm& f = TheMainForm();
    struct Case {
        const char* what;
        std::function<void()> set;
        const char* message;
    };
    const Case cases[] = {
        {"no version", [&] { f.vol_HMZversion.SetText(""); }, "Enter the HMZ version used, in format YYYYMM."},
        {"unknown version", [&] { f.vol_HMZversion.SetText("209901"); }, "is not a valid HMZ version"},
        {"no name", [&] { f.vol_outFile.SetText(""); }, "Enter an output file name"},
        {"a folder in the name", [&] { f.vol_outFile.SetText("../up.csv"); }, "may not hold a folder separator"},
        {"a separator", [&] { f.vol_outFile.SetText("a/b.csv"); }, "may not hold a folder separator"},
        {"a wildcard", [&] { f.vol_outFile.SetText("a*.csv"); }, "may not hold a folder separator"},
        {"beyond the data", [&] { f.vol_EndDate.SetText("2022-01-31"); }, "To Date is greater than the latest year"},
        {"before 1987", [&] { f.vol_StartDate.SetText("1986-12-31"); }, "Enter valid dates"},
        {"not a day", [&] { f.vol_StartDate.SetText("2015-02-30"); }, "Enter valid dates"},
        {"start after end", [&] { f.vol_StartDate.SetText("2016-06-01"); f.vol_EndDate.SetText("2016-05-31"); },
         "The Start Date is after the End Date."},
        {"month 13", [&] { f.vol_EndMonth.SetText("13"); }, "Enter months from 1 to 12"},
        {"km not a number", [&] { f.vol_StartKm.SetText("x"); }, "Enter a valid Start KM."},
        {"no output format", [&] { f.vol_outputDetailed.SetValue(false); f.vol_outputVDE.SetValue(false); },
         "Select output format: VDE or Detailed"},
        {"no path file", [&] { f.vol_optionVRQ.SetValue(true); f.vol_searchFilepath.SetText(file("none.txt")); },
         "Enter a valid filepath for VRQ searchpath csv file."},
        {"the output is the path file",
         [&] {
             write(out_ + "/path.txt", "SEARCH PATH\r\n");
             f.vol_optionVRQ.SetValue(true);
             f.vol_searchFilepath.SetText(out_ + "/path.txt");
             f.vol_outFile.SetText("path.txt");
         },
         "is the search-path file the run reads"},
        {"the output is the volume database",
         [&] {
             fs::copy_file(Sample_Folder() + kVolumeDBName, out_ + "/" + kVolumeDBName);
             set_data_folder(DataKind::Volume, out_);
             f.vol_outFile.SetText(kVolumeDBName);
             ui_->ExpectMsgBox(ui::vbOK, "Output File already exists... OK to overwrite?");
         },
         "is a database the run reads"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.set();
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        run();
        EXPECT_FALSE(fs::exists(out_ + "/volumes.csv"));
        EXPECT_TRUE(ui_->script.empty());
        EXPECT_FALSE(fs::exists(out_ + "/" + kVolumeDBName) && fs::file_size(out_ + "/" + kVolumeDBName) < 1000);
        TearDown();
    }
    SetUp();
}

TEST_F(VolRunTest, AnExistingReportIsReplacedOnlyWhenTheUserAgrees) {
    write(out_ + "/volumes.csv", "old");
    ui_->ExpectMsgBox(ui::vbCancel, "Output File already exists... OK to overwrite?");
    run();
    EXPECT_EQ(report(), "old");
    ui_->ExpectMsgBox(ui::vbOK, "Output File already exists... OK to overwrite?");
    run();
    EXPECT_NE(report().find("Combined Results:"), std::string::npos);
}

// On a small database of the test's own: errors met once the report began.
class VolRunErrorTest : public VolumeTest {
protected:
    void SetUp() override {
        VolumeTest::SetUp();
        load_form();
        Sections_Attach(TheMainForm());
        MainForm& f = TheMainForm();
        f.Out_Folder.SetText(file("out"));
        fs::create_directories(file("out"));
        f.vol_StartSeg.SetText("0100");
        f.vol_EndSeg.SetText("");
        f.vol_StartKm.SetText("");
        f.vol_EndKm.SetText("");
        f.vol_StartDate.SetText("2015-01-01");
        f.vol_EndDate.SetText("2015-12-31");
        f.vol_StartMonth.SetText("");
        f.vol_EndMonth.SetText("");
        f.vol_HMZversion.SetText("202004");
        f.vol_outFile.SetText("volumes.csv");
        f.vol_optionHMZ.SetValue(true);
        f.vol_outputDetailed.SetValue(true);
    }
    void run() { ui::ClickButton(*TheMainForm().Find<ui::CommandButton>("cmdVOL_Run")); }
};

TEST_F(VolRunErrorTest, ABadRowOrAMissingDatabaseStopsTheRunWithoutAReport) {
    write_volume_db(volume_file(), "202004",
                    {seg_row("0100", 2015, 0, 10, "P", jet::Value{std::int64_t{100}}, 100, {{7, -5}})},
                    {node_row("N1", 2015, "P", jet::Value{std::int64_t{100}})});
    ui_->ExpectMsgBox(ui::vbOK, "Volume data error: Segment 0100, year 2015: MADT_07 is -5.");
    run();
    EXPECT_NE(status().find("No report written."), std::string::npos) << status();
    EXPECT_EQ(status().find("========Results========"), std::string::npos);
    EXPECT_FALSE(fs::exists(file("out/volumes.csv")));
    EXPECT_FALSE(vol_DB.is_open()) << "closed at the end of the run";

    write(volume_file(), "not a database");
    ui_->ExpectMsgBox(ui::vbOK, "attempting to open database");
    ui_->ExpectMsgBox(ui::vbOK, "Error opening volume database.");
    run();
    EXPECT_FALSE(fs::exists(file("out/volumes.csv")));
}

}  // namespace
