#include "collisions/RateTable.h"

#include <gtest/gtest.h>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "platform/settings/settings.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

const std::string kHead =
    "Report Title: Test rates\r\n"
    "Run time: 2016-02-01 10:15\r\n"
    "Subset: Test subset\r\n";
const std::string kLists =
    "Highway Classifications Sets:\r\n"
    "Primary + Urban + Arterial + Undivided + Up to 3 Lanes,\r\n"
    "\"Primary + Rural + Arterial + Undivided + Up to 3 Lanes\"\r\n"
    ",\r\n"
    "Traffic Volume Ranges:\r\n"
    "1 - 5000\r\n"
    "5001-10000\r\n"
    "\r\n";
const std::string kPeriod =
    "Collision Period From: 2015-01-01\r\n"
    "Collision Period To: 2015-01-10\r\n";
const std::string kData =
    "Region,District,Area,Segment,From,To,Length,Class,ADT,Fatal,Injury,PDO,Total\r\n"
    "1,1,1,\"0010\",0,150,150,\"PUAU2\",1000,0,1,2,3\r\n"
    "\r\n"
    "1,1,1,\"0020\",0,10,10.25,PRAU2,\"6000\",1,3,12,16\r\n"
    "1,1,1,\"0030\",0,5,5,PRAD4,3000,1,0,0,1\r\n"
    "========\r\n";

class RateTableTest : public CollisionsTest {
protected:
    std::string Report() const { return data_ + "rates.csv"; }
    std::string Output() const { return out_ + "PubRateTable_from_rates.csv"; }
    // Runs on the report's own lists, answering OK to both list boxes and No
    // to the last question.
    void Run(const std::string& report, bool expect_done = true) {
        WriteFile(Report(), report);
        ui_->ExpectMsgBox(ui::vbOK, "Class Sets found in csv file:");
        ui_->ExpectMsgBox(ui::vbOK, "Volume Ranges found in csv file:");
        if (expect_done) ui_->ExpectMsgBox(ui::vbNo, "File " + Output() + " is ready.\r\n\r\nOpen in Excel?");
        ClassRate_to_RateTable(Report(), Output(), {}, {}, {});
    }
    std::vector<std::string> Out() const { return Lines(ReadFile(Output())); }
};

TEST(HwyClassCode, ReducesADescriptionToItsCodes) {
    const std::pair<const char*, const char*> cases[] = {
        {"Primary + Urban + Arterial + Undivided + Up to 3 Lanes", "P  U  A  U  2"},
        {"Primary + Urban + Arterial + Divided + 4 or more Lanes", "P  U  A  D  4"},
        {"Secondary + Rural + Expressway + Divided + 4 or more Lanes", "S  R  E  D  4"},
        {"Major + Unknown + Freeway + Level", "M  X  F  L"},
        {"Rolling + Mountainous", "R  M"},
        {"Urban+Expressway", "UE"},
        {"primary", "primary"},
    };
    for (const auto& [description, code] : cases) EXPECT_EQ(HwyClassCode(description), code) << description;
    const std::string divided = HwyClassCode("Primary + Urban + Arterial + Divided + 4 or more Lanes");
    ASSERT_EQ(Word_Count(divided), 5);
    for (int16_t i = 1; i <= 5; ++i) EXPECT_EQ(Nth_Word(divided, i), std::string(1, "PUAD4"[i - 1]));
}

TEST(ClassInClassSet, MatchesCodePositionByPosition) {
    ratetable::SetClassSets({"", "* U A U 2", "* R A U 2", "P U AE", "* U A U 2 X Y"});
    struct Case {
        int16_t set;
        const char* code;
        bool in;
    };
    const Case cases[] = {
        {1, "PUAU2", true},   {2, "PUAU2", false}, {1, "SUAU2", true},  {1, "P AU2", true},
        {3, "PUA", true},     {3, "PUE", true},    {3, "PUF", false},   {1, "", false},
        {1, "   ", false},    {3, "PUAU2", true},  {1, "PUA", true},    {1, "PUAU4", false},
        {4, "PUAU2", true},   {1, "puau2", false},
    };
    for (const Case& c : cases) EXPECT_EQ(ClassInClassSet(c.set, c.code), c.in) << c.set << " " << c.code;
}

TEST_F(RateTableTest, APerSectionReportGivesRatesPerMillionVehicleKm) {
    Run(kHead + kLists + kPeriod + "Sections:\r\n" + kData);
    const auto lines = Out();
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[0].rfind("Section Rate Table (in Published Format) generated at ", 0), 0u);
    const std::vector<std::string> rest(lines.begin() + 1, lines.end());
    EXPECT_EQ(rest, (std::vector<std::string>{
                        "by Tessawin procedure ClassRate_to_RateTable",
                        "from Class-Rate file: " + Report(),
                        "     created by VRQ at: 2016-02-01 10:15",
                        "     titled: Test rates",
                        "     from collision subset: Test subset",
                        "Collision date range 2015-01-01 to 2015-01-10",
                        "",
                        "RATE TABLE",
                        "Traffic Volume (ADT),,P  U  A  U  2,,,P  R  A  U  2,,",
                        "From,To,(C/MVK),(# km),(# clsn),(C/MVK),(# km),(# clsn)",
                        // 3 collisions over 150 km x 1000 x 10 days: 2.00
                        "1,5000,2.00,150.0,3,0.00,0.0,0",
                        "5001,10000,0.00,0.0,0,26.02,10.3,16",
                        "",
                        "COLLISION COUNTS TABLE",
                        "Traffic Volume (ADT),,P  U  A  U  2,,,,,,P  R  A  U  2,,,,,",
                        "From,To,FAT,%,INJ,%,PDO,%,FAT,%,INJ,%,PDO,%",
                        "1,5000,0,0.0,1,33.3,2,66.7,0,,0,,0,",
                        // 1 of 16 is 6.25%: a decimal half, written 6.3
                        "5001,10000,0,,0,,0,,1,6.3,3,18.8,12,75.0",
                    }));
    EXPECT_NE(ReadFile(Output()).find("\r\n"), std::string::npos);
    const auto status = StatusLines();
    EXPECT_EQ(status, (std::vector<std::string>{"Opened input file.", "Extracting Class Sets.",
                                                "Extracting Volume ranges.", "Re-opened input file.",
                                                "Extracting collision date range.", "Type: Section",
                                                "2015-01-012015-01-1010 days", "Re-opened input file.",
                                                "Reading class-rate data", "nin:3", "Opened output file.",
                                                "19 records written to " + Output()}));
}

TEST_F(RateTableTest, APerLocationReportCountsLocationsAndOverlappingRangesCountTwice) {
    WriteFile(Report(), kHead + "Locations:\r\n" + kPeriod + kData);
    ui_->ExpectMsgBox(ui::vbOK, "Class Sets found in csv file:\r\n* U A U 2\r\n* R A U 2");
    ui_->ExpectMsgBox(ui::vbOK, "Volume Ranges found in csv file:\r\n1 - 5000\r\n1 - 999999\r\n\r\n");
    ui_->ExpectMsgBox(ui::vbNo, "is ready.");
    ClassRate_to_RateTable(Report(), Output(), {"", "* U A U 2", "* R A U 2"}, {0, 1, 1}, {0, 5000, 999999});
    const auto lines = Out();
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[0].rfind("Location Rate Table", 0), 0u);
    EXPECT_EQ(lines[10], "From,To,(C/MV),(# int),(# clsn),(C/MV),(# int),(# clsn)");
    // 3 collisions over 1000 x 10 vehicles: 300 per million
    EXPECT_EQ(lines[11], "1,5000,300.00,1,3,0.00,0,0");
    EXPECT_EQ(lines[12], "1,999999,300.00,1,3,266.67,1,16");
}

TEST_F(RateTableTest, DataEndingWithoutItsEndLineAreStillUsed) {
    std::string data = kData.substr(0, kData.size() - 10);
    WriteFile(Report(), kHead + kLists + kPeriod + data);
    ui_->ExpectMsgBox(ui::vbOK, "Class Sets found");
    ui_->ExpectMsgBox(ui::vbOK, "Volume Ranges found");
    ui_->ExpectMsgBox(ui::vbOK, "Unexpected end of file encountered reading class-rate data");
    ui_->ExpectMsgBox(ui::vbNo, "is ready.");
    ClassRate_to_RateTable(Report(), Output(), {}, {}, {});
    EXPECT_EQ(Out()[12], "5001,10000,0.00,0.0,0,26.02,10.3,16");
    EXPECT_NE(Status().find("nin:3"), std::string::npos);
}

TEST_F(RateTableTest, ErrorEndingsWriteNothingAndAskNothing) {
    struct Case {
        std::string report;
        std::string message;
    };
    const Case cases[] = {
        {kHead + "Highway Classifications Sets:\r\nPrimary + Urban", "Unexpected end-of-file while reading class-sets"},
        {kHead + kLists.substr(0, kLists.size() - 2), "Unexpected end-of-file while reading volume ranges"},
        {kHead + "Highway Classifications Sets:\r\nPrimary\r\n\r\nTraffic Volume Ranges:\r\n1 - many\r\n\r\n",
         "Error reading a volume range from:\r\n1 - many"},
        {kHead + kLists + "Collision Period From: 2015-01-01\r\n" + kData,
         "Collision date range not found in input file\r\n========"},
        {kHead + kLists + "Collision Period From: 2015-01-01\r\nCollision Period To: 2015-02-30\r\n" + kData,
         "Collision date range not found"},
        {kHead + kLists + "Collision Period From: 2015-02-01\r\nCollision Period To: 2015-01-01\r\n" + kData,
         "The collision period ends before it begins."},
        {kHead + kLists + kPeriod + "Region,District\r\n========\r\n", "No Class-Rate data lines found."},
        {kHead + kLists + kPeriod + "Region,District\r\n1,1,1,0010,0,1,1,PUAU2,many,0,0,0,0\r\n========\r\n",
         "Data line 1, field 9 (ADT): \"many\" is not a whole number."},
        {kHead + kLists + kPeriod + "Region,District\r\n1,1,1,0010,0,1,1,PUAU2,100,0,0,0\r\n========\r\n",
         "Data line 1, field 13 (all collisions): \"\" is not a whole number."},
        {kHead + kLists + kPeriod + "Region,District\r\n1,1,1,0010,0,1,x,PUAU2,100,0,0,0,0\r\n========\r\n",
         "Data line 1, field 7 (length): \"x\" is not a number."},
        {kHead + kLists + kPeriod + "Region,District\r\n1,1,1,0010,0,1,1e39,PUAU2,100,0,0,0,0\r\n========\r\n",
         "Data line 1, field 7 (length): \"1e39\" is not a number."},
        // ADT times 10 days beyond 32 bits
        {kHead + kLists + kPeriod + "Region,District\r\n1,1,1,0010,0,1,1,PUAU2,300000000,0,0,0,0\r\n========\r\n",
         "Data line 1: ADT 300000000 times 10 days is beyond the 32-bit range.\r\n"
         "1,1,1,0010,0,1,1,PUAU2,300000000,0,0,0,0"},
        {kHead + kLists + kPeriod + "Region,District\r\n1,1,1,0010,0,1,1,PUAU2,100,0,0,0,2000000000\r\n"
             "1,1,1,0011,0,1,1,PUAU2,200,0,0,0,2000000000\r\n========\r\n",
         "Data line 2: the sum of all collisions of class set P  U  A  U  2, volume range 1 - 5000 is beyond the "
         "32-bit range.\r\n1,1,1,0011,0,1,1,PUAU2,200,0,0,0,2000000000"},
        {kHead + "Highway Classifications Sets:\r\n\r\nTraffic Volume Ranges:\r\n1-5\r\n\r\n" + kPeriod + kData,
         "No class sets to make a rate table for."},
        {kHead +
             "Highway Classifications Sets:\r\nP U A U 2 X Y\r\n\r\nTraffic Volume Ranges:\r\n1-5\r\n\r\n" + kPeriod +
             kData,
         "The class set P U A U 2 X Y has more than 6 codes."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        WriteFile(Report(), c.report);
        const bool lists_read = c.report.find("Traffic Volume Ranges:\r\n1") != std::string::npos &&
                                c.message.find("reading a volume range") == std::string::npos &&
                                c.message.find("reading volume ranges") == std::string::npos;
        if (c.message.find("class-sets") == std::string::npos) ui_->ExpectMsgBox(ui::vbOK, "Class Sets found");
        if (lists_read) ui_->ExpectMsgBox(ui::vbOK, "Volume Ranges found");
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        ClassRate_to_RateTable(Report(), Output(), {}, {}, {});
        EXPECT_EQ(ui_->shown.back().title, "ClassRate Error");
        EXPECT_NE(Status().find("\r\nError: " + c.message), std::string::npos);
        EXPECT_FALSE(fs::exists(Output()));
        EXPECT_TRUE(ui_->script.empty());
        ui_->script.clear();
    }
}

TEST_F(RateTableTest, CancelInEitherListBoxEndsTheRun) {
    for (int which : {0, 1}) {
        WriteFile(Report(), kHead + kLists + kPeriod + kData);
        ui_->ExpectMsgBox(which == 0 ? ui::vbCancel : ui::vbOK, "Class Sets found");
        if (which == 1) ui_->ExpectMsgBox(ui::vbCancel, "Volume Ranges found");
        ui_->ExpectMsgBox(ui::vbOK, "Process cancelled by user.");
        ClassRate_to_RateTable(Report(), Output(), {}, {}, {});
        EXPECT_FALSE(fs::exists(Output()));
    }
}

TEST_F(RateTableTest, MissingLinesEndWithTheirOwnBoxAndNoQuestion) {
    struct Case {
        std::string report;
        std::string searched;
        int list_boxes;
    };
    const Case cases[] = {
        {"Run time: x\r\nSubset: y\r\n", "Report Title:", 0},
        {"Report Title: t\r\nSubset: y\r\nRun time: x\r\nEnd\r\n", "Subset:", 0},
        {kHead + "Traffic Volume Ranges:\r\n1-5\r\n\r\n", "Highway Classifications Sets:", 0},
        {kHead + "Highway Classifications Sets:\r\nPrimary\r\n\r\n", "Traffic Volume Ranges:", 1},
        {kHead + kLists + kPeriod + "1,1,1\r\n", "Region,District", 2},
        // the line that arrives with the end of the file is not looked at
        {"Report Title: t", "Report Title:", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.searched);
        WriteFile(Report(), c.report);
        if (c.list_boxes >= 1) ui_->ExpectMsgBox(ui::vbOK, "Class Sets found");
        if (c.list_boxes >= 2) ui_->ExpectMsgBox(ui::vbOK, "Volume Ranges found");
        ui_->ExpectMsgBox(ui::vbOK, c.searched + " - not found in input file.");
        ClassRate_to_RateTable(Report(), Output(), {}, {}, {});
        EXPECT_EQ(ui_->shown.back().title, "ClassRate");
        EXPECT_EQ(StatusLines().back(), "0 records written to " + Output());
        EXPECT_FALSE(fs::exists(Output()));
    }
    ui_->ExpectMsgBox(ui::vbOK, "while trying to open input file:");
    ClassRate_to_RateTable(data_ + "absent.csv", Output(), {}, {}, {});
    EXPECT_EQ(ui_->shown.back().title, "Rate Table");
}

TEST_F(RateTableTest, TheScanSettingsOfEarlierCommandsDoNotMatter) {
    Set_CSV_Quote("'");
    Set_CSV_Separator(";");
    Set_Scan_Blanks("U");
    Run(kHead + kLists + kPeriod + "Sections:\r\n" + kData);
    EXPECT_EQ(Out()[11], "1,5000,2.00,150.0,3,0.00,0.0,0");
}

TEST_F(RateTableTest, TheButtonTakesTheListsOfTheClassSetsFormWhenAsked) {
    MainForm& f = form();
    WriteFile(Report(), kHead + kLists + kPeriod + kData);
    f.CLR_Folder.SetText(data_);
    f.CLR_File.SetText("rates.csv");
    f.Out_Folder.SetText(out_);
    auto save = [](const std::string& key, const std::string& value) {
        settings::SaveSetting("Tessawin", "ClassVol", key, value);
    };
    save("chkCS(1)", "1");
    save("txtClassSet(1)", " * * A U 2 ");
    save("chkCS(2)", "0");
    save("txtClassSet(2)", "* R A U 2");
    save("chkCS(3)", "1");
    save("txtClassSet(3)", "  ");
    save("chkVR(8)", "1");
    save("txtMinVol(8)", "1");
    save("txtMaxVol(8)", "999999");

    f.optUseSpecifiedClassVol.SetValue(true);
    ui_->ExpectMsgBox(ui::vbOK, "The output folder is not the same as the input folder.");
    ui_->ExpectMsgBox(ui::vbOK, "Class Sets found in csv file:\r\n* * A U 2");
    ui_->ExpectMsgBox(ui::vbOK, "Volume Ranges found in csv file:\r\n1 - 999999\r\n\r\n");
    ui_->ExpectMsgBox(ui::vbNo, "is ready.");
    cmdRateTable_Click(f);
    auto lines = Out();
    EXPECT_EQ(lines[9], "Traffic Volume (ADT),,* * A U 2,,");
    // both lines of class * * A U 2: 19 collisions over 2,115,000 vehicle-km
    EXPECT_EQ(lines[11], "1,999999,8.98,160.3,19");
    EXPECT_EQ(f.out_folder, out_);

    // nothing ticked: the report's own lists
    save("chkCS(1)", "0");
    save("chkVR(8)", "0");
    ui_->ExpectMsgBox(ui::vbOK, "The output folder is not the same");
    ui_->ExpectMsgBox(ui::vbOK, "Class Sets found in csv file:\r\nP  U  A  U  2\r\nP  R  A  U  2");
    ui_->ExpectMsgBox(ui::vbOK, "Volume Ranges found in csv file:\r\n1 - 5000\r\n5001 - 10000");
    ui_->ExpectMsgBox(ui::vbNo, "is ready.");
    cmdRateTable_Click(f);

    // a bound the form would not hold stops before anything is read
    save("chkVR(2)", "1");
    save("txtMinVol(2)", "5001");
    save("txtMaxVol(2)", "ten thousand");
    ui_->ExpectMsgBox(ui::vbOK, "The output folder is not the same");
    ui_->ExpectMsgBox(ui::vbOK, "Volume range 2 of the Class Sets and Volume Ranges form");
    cmdRateTable_Click(f);

    // the report's lists whatever the form holds
    f.optUseClassRateClassVol.SetValue(true);
    ui_->ExpectMsgBox(ui::vbCancel, "The output folder is not the same");
    cmdRateTable_Click(f);
}

TEST_F(RateTableTest, YesOpensTheTableInTheSpreadsheetProgram) {
    WriteFile(Report(), kHead + kLists + kPeriod + kData);
    ui_->ExpectMsgBox(ui::vbOK, "Class Sets found");
    ui_->ExpectMsgBox(ui::vbOK, "Volume Ranges found");
    ui_->ExpectMsgBox(ui::vbYes, "is ready.");
    ClassRate_to_RateTable(Report(), Output(), {}, {}, {});
    ASSERT_FALSE(launcher_->calls.empty());
    EXPECT_EQ(launcher_->calls.back().argv.front(), "xdg-open");
}

TEST_F(RateTableTest, TheSampleReportRuns) {
    const std::string sample = Sample_Folder() + "collisions/ClassRate_sample.csv";
    ASSERT_TRUE(fs::exists(sample));
    ui_->ExpectMsgBox(ui::vbOK, "Class Sets found");
    ui_->ExpectMsgBox(ui::vbOK, "Volume Ranges found");
    ui_->ExpectMsgBox(ui::vbNo, "is ready.");
    ClassRate_to_RateTable(sample, out_ + "PubRateTable_from_ClassRate_sample.csv", {}, {}, {});
    const auto lines = Lines(ReadFile(out_ + "PubRateTable_from_ClassRate_sample.csv"));
    // four disjoint volume ranges and one set per class of the report: every
    // collision of the report is in exactly one cell
    ASSERT_EQ(lines.size(), 11u + 4 + 4 + 4);
    EXPECT_EQ(lines[9].substr(0, 33), "Traffic Volume (ADT),,P  R  A  U ");
    long reported = 0, tabled = 0;
    bool data = false;
    for (const auto& l : Lines(ReadFile(sample))) {
        if (l.rfind("========", 0) == 0) break;
        if (data) reported += std::stol(l.substr(l.rfind(',') + 1));
        data = data || l.rfind("Region,District", 0) == 0;
    }
    for (size_t i = 11; i < 15; ++i) {
        std::vector<std::string> f;
        std::string cell;
        for (char c : lines[i] + ",") {
            if (c == ',') f.push_back(cell), cell.clear();
            else cell += c;
        }
        for (size_t k = 4; k < f.size(); k += 3) tabled += std::stol(f[k]);
    }
    EXPECT_GT(reported, 2000);
    EXPECT_EQ(tabled, reported);
}

}  // namespace
