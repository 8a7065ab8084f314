#include "mapping/CDEtoKMLmod.h"

#include <gtest/gtest.h>

#include "tests/mapping/mapping_support.h"

namespace {

using namespace mapping_test;
using kmlcheck::ReadKml;

class CDEtoKMLTest : public MappingTest {
protected:
    // Writes the extract, converts it, and reads the KML back.
    std::vector<kmlcheck::Placemark> Convert(const std::string& cde, std::string* docName = nullptr) {
        WriteFile(data_ + "x.csv", cde);
        EXPECT_EQ(Make_KML(data_ + "x.csv", out_, "x"), -1);
        return ReadKml(out_ + "x.kml", docName);
    }
    static std::vector<std::string> DescLines(const kmlcheck::Placemark& p) {
        auto l = Lines(p.description);
        while (!l.empty() && l.front().empty()) l.erase(l.begin());
        while (!l.empty() && l.back().empty()) l.pop_back();
        return l;
    }
};

constexpr const char* kHead = "\"ACCASE\",\"LAT\",\"LON\",\"TOTALKLD\",\"TOTALINJ\",\"SEGNUM\",\"KMMARK\",\"HIGHNUM\",\"HIGHLET\"\r\n";

TEST_F(CDEtoKMLTest, RunsOfEqualCoordinateTextsBecomePlacemarks) {
    ui_->ExpectMsgBox(ui::vbOK, "2 input records were missing Lat or Lon data, so were ignored.");
    const auto pms = Convert(std::string(kHead) +
                             "\"1\",\"49.1\",\"-122.5\",\"0\",\"2\",\"0030\",\"5.6\",\"97\",\"C\"\r\n"
                             "\"2\",\"49.1\",\"-122.5\",\"1\",\"0\",\"0030\",\"5.7\",\"97\",\"C\"\r\n"
                             "\"3\",\"\",\"-122.5\",\"0\",\"0\",\"0030\",\"5.7\",\"97\",\"C\"\r\n"  // no LAT: skipped
                             "\r\n"                                                         // blank: skipped
                             "\"4\",\"49.1\",\"-122.5\",\"2\",\"1\",\"0030\",\"5.8\",\"97\",\"C\"\r\n"
                             "\"5\",\"49.10\",\"-122.5\",\"0\",\"0\",\"0030\",\"5.9\",\"97\",\"C\"\r\n"
                             "\"6\",\"49.2\",\"-122.6\",\"0\",\"3\",\"0040\",\"1.0\",\"97\",\"C\"\r\n",
                             nullptr);
    ASSERT_EQ(pms.size(), 3u);
    // records 1, 2 and 4 (the skipped ones do not break the run), then 49.10
    // as text differs from 49.1, then the last
    EXPECT_EQ(pms[0].name, "3");
    EXPECT_EQ(pms[0].style, "#FATplace");
    EXPECT_EQ(pms[0].coordinates, std::vector<std::string>{"-122.5,49.1,0"});
    const auto d = DescLines(pms[0]);
    ASSERT_GE(d.size(), 5u);
    EXPECT_EQ(d[0], "Hwy 97C Seg 0030 Km 5.6");
    EXPECT_EQ(d[1], "3 collisions.");
    EXPECT_EQ(d[2], "2 Fatal, 3 killed.");
    EXPECT_EQ(d[3], "1 Injury, 3 injured.");
    EXPECT_EQ(d[4], "---------------");
    EXPECT_EQ(std::vector<std::string>(d.begin() + 5, d.end()),
              (std::vector<std::string>{"ACCASE: 1", "---------------", "ACCASE: 2", "---------------", "ACCASE: 4"}));
    EXPECT_EQ(pms[1].name, "1");
    EXPECT_EQ(pms[1].style, "#PDOplace");
    EXPECT_EQ(DescLines(pms[1])[1], "1 collision.");
    EXPECT_EQ(DescLines(pms[1])[2], "1 PDO");
    EXPECT_EQ(pms[1].coordinates[0], "-122.5,49.10,0");
    EXPECT_EQ(pms[2].style, "#INJplace");
    EXPECT_EQ(DescLines(pms[2])[0], "Hwy 97C Seg 0040 Km 1.0");
    EXPECT_EQ(StatusLines().back(), "2 input records were missing Lat or Lon data, so were ignored.");
    EXPECT_EQ(StatusLines()[StatusLines().size() - 2], "File " + out_ + "x.kml Completed.");
}

TEST_F(CDEtoKMLTest, TheFirstLatLonPairIsUsedAndTheOtherIsListed) {
    const auto pms = Convert(
        "\"LAT\",\"LON\",\"TOTALKLD\",\"TOTALINJ\",\"Latitude\",\"Longitude\"\r\n"
        "\"49.5\",\"-120.1\",\"0\",\"0\",\"49.6\",\"-120.2\"\r\n");
    ASSERT_EQ(pms.size(), 1u);
    EXPECT_EQ(pms[0].coordinates[0], "-120.1,49.5,0");
    const auto d = DescLines(pms[0]);
    // no SEGNUM/KMMARK: no location line
    EXPECT_EQ(d, (std::vector<std::string>{"1 collision.", "1 PDO", "---------------", "Latitude: 49.6",
                                           "Longitude: -120.2"}));
}

TEST_F(CDEtoKMLTest, TheDescriptionHoldsAtMost200Lines) {
    std::string head = "\"LAT\",\"LON\",\"TOTALKLD\",\"TOTALINJ\"";
    for (int i = 1; i <= 100; ++i) head += ",\"C" + std::to_string(i) + "\"";
    std::string cde = head + "\r\n";
    for (int r = 0; r < 3; ++r) {
        std::string line = "\"49.5\",\"-120.1\",\"0\",\"0\"";
        for (int i = 1; i <= 100; ++i) line += ",\"v" + std::to_string(r) + "_" + std::to_string(i) + "\"";
        cde += line + "\r\n";
    }
    const auto pms = Convert(cde);
    ASSERT_EQ(pms.size(), 1u);
    const auto d = DescLines(pms[0]);
    // count, severity and separator lines, then the 200 description lines
    ASSERT_EQ(d.size(), 3u + 200);
    EXPECT_EQ(d[3], "C1: v0_1");
    EXPECT_EQ(d[3 + 99], "C100: v0_100");
    EXPECT_EQ(d[3 + 100], "---------------");
    EXPECT_EQ(d[3 + 198], "C98: v1_98");
    EXPECT_EQ(d[3 + 199], "...");
    EXPECT_EQ(pms[0].name, "3");
}

TEST_F(CDEtoKMLTest, EveryTextIsEscapedAndMadeUtf8) {
    std::string docName;
    const auto pms = Convert(
        "\"LAT\",\"LON\",\"TOTALKLD\",\"TOTALINJ\",\"SEGNUM\",\"KMMARK\",\"NOTE\"\r\n"
        "\"49.5\",\"-120.1\",\"0\",\"0\",\"A&B\",\"<1>\",\"Caf\xe9 ]]> \x01'x'\"\r\n",
        &docName);
    ASSERT_EQ(pms.size(), 1u);
    const auto d = DescLines(pms[0]);
    EXPECT_EQ(d[0], "Seg A&B Km <1>");
    EXPECT_EQ(d.back(), "NOTE: Caf\xc3\xa9 ]]> 'x'");
    EXPECT_EQ(docName, "x");
}

TEST_F(CDEtoKMLTest, ProblemsStopWithTheirMessagesAndWriteNothing) {
    struct Case {
        const char* cde;
        const char* message;
        const char* title;
    } cases[] = {
        {"\"LAT\",\"LON\",\"TOTALKLD\",\"TOTALINJ\"\r\n", "is empty.", "Make_KML"},
        {"", "is empty.", "Make_KML"},
        {"\"LT\",\"LON\",\"TOTALKLD\",\"TOTALINJ\"\r\n1,2,3,4\r\n", "No LAT field found in the heading record of ",
         "CDEtoKML"},
        {"\"LAT\",\"LNG\",\"TOTALKLD\",\"TOTALINJ\"\r\n1,2,3,4\r\n", "No LON field found", "CDEtoKML"},
        {"\"LAT\",\"LON\",\"TOTALINJ\"\r\n1,2,3\r\n", "No TOTALKLD field found", "CDEtoKML"},
        {"\"LAT\",\"LON\",\"TOTALKLD\"\r\n1,2,3\r\n", "No TOTALINJ field found", "CDEtoKML"},
        {"\"LAT\",\"LON\",\"TOTALKLD\",\"TOTALINJ\"\r\n1,2,0,0\r\n1,2,x,0\r\n",
         "Invalid TOTALKLD value \"x\" on line 3 of ", "Make_KML"},
        {"\"LAT\",\"LON\",\"TOTALKLD\",\"TOTALINJ\"\r\n1,2,0,\r\n", "Invalid TOTALINJ value \"\" on line 2 of ",
         "Make_KML"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cde);
        WriteFile(data_ + "x.csv", c.cde);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        EXPECT_EQ(Make_KML(data_ + "x.csv", out_, "x"), 0);
        EXPECT_EQ(ui_->shown.back().title, c.title);
        EXPECT_FALSE(fs::exists(out_ + "x.kml"));
    }
    ui_->ExpectMsgBox(ui::vbOK, "while trying to open input file:\r\n" + data_ + "none.csv");
    EXPECT_EQ(Make_KML(data_ + "none.csv", out_, "x"), 0);
}

TEST_F(CDEtoKMLTest, AMissingHeadTemplateIsNamedAndNothingIsWritten) {
    AppFolder = data_;
    WriteFile(data_ + "x.csv", "\"LAT\",\"LON\",\"TOTALKLD\",\"TOTALINJ\"\r\n1,2,0,0\r\n");
    ui_->ExpectMsgBox(ui::vbOK, data_ + "basekml.txt");
    EXPECT_EQ(Make_KML(data_ + "x.csv", out_, "x"), 0);
    EXPECT_FALSE(fs::exists(out_ + "x.kml"));
}

TEST_F(CDEtoKMLTest, TheCdeTabCommandWritesTheSampleExtractsKml) {
    form().CDE_folder.SetText(Sample_Folder() + "collisions/");
    form().CDE_file.SetText("CDE_sample.csv");
    form().Out_Folder.SetText(out_);
    ui_->ExpectMsgBox(ui::vbOK, "The output folder is not the same as the input folder.");
    ui_->ExpectMsgBox(ui::vbOK, "input records were missing Lat or Lon data, so were ignored.");
    Click("cmdKML");
    EXPECT_EQ(StatusLines().at(1), "Analysing header record.");
    EXPECT_NE(Status().find("File " + out_ + "CDE_sample.kml Completed."), std::string::npos) << Status();
    std::string docName;
    const auto pms = ReadKml(out_ + "CDE_sample.kml", &docName);
    EXPECT_EQ(docName, "CDE_sample");
    EXPECT_GT(pms.size(), 10u);
    for (const auto& p : pms) {
        ASSERT_EQ(p.coordinates.size(), 1u);
        EXPECT_NE(p.coordinates[0].find(",0"), std::string::npos);
    }
}

TEST_F(CDEtoKMLTest, CancellingTheFolderWarningWritesNothing) {
    form().CDE_folder.SetText(Sample_Folder() + "collisions/");
    form().CDE_file.SetText("CDE_sample.csv");
    form().Out_Folder.SetText(out_);
    ui_->ExpectMsgBox(ui::vbCancel, "The output folder is not the same as the input folder.");
    Click("cmdKML");
    EXPECT_EQ(Status(), "\r\nProblems!");
    EXPECT_FALSE(fs::exists(out_ + "CDE_sample.kml"));
}

}  // namespace
