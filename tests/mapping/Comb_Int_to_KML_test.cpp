#include "mapping/Comb_Int_to_KML.h"

#include <gtest/gtest.h>

#include "tests/mapping/mapping_support.h"

namespace {

using namespace mapping_test;
using kmlcheck::ReadKml;

class CombIntTest : public MappingTest {};

constexpr const char* kHead =
    "Group ID,Reg,Dist,Area,Hwy,Seg,Km,Node,Lmk Type,Class,ADT,#Clsn,Fat #Clsn,Inj #Clsn,PDO #Clsn\r\n";

TEST_F(CombIntTest, TheSampleLocationsAreMappedFromTheSsaTab) {
    form().SSA_Folder.SetText(Sample_Folder() + "collisions/");
    form().SSA_File.SetText("Combined_Int_Locations_sample.csv");
    form().SSA_HMZversion.SetText("201404");
    form().Out_Folder.SetText(out_);
    Click("cmdCombInt2KML");
    const auto lines = StatusLines();
    ASSERT_GE(lines.size(), 2u) << Status();
    EXPECT_EQ(lines[lines.size() - 2], "File " + out_ + "Combined_Int_Locations_sample.kml Completed.");
    EXPECT_EQ(lines.back(), "5 placemarks written.");
    std::string docName;
    const auto pms = ReadKml(out_ + "Combined_Int_Locations_sample.kml", &docName);
    EXPECT_EQ(docName, "Combined_Int_Locations_sample");
    ASSERT_EQ(pms.size(), 5u);
    EXPECT_EQ(pms[0].name, "12 - 1/4/7");
    EXPECT_EQ(pms[0].style, "#FATplace");
    EXPECT_EQ(pms[0].coordinates, std::vector<std::string>{"-122.857581,49.107129,0"});  // Mill Rd
    EXPECT_EQ(pms[1].style, "#INJplace");
    EXPECT_EQ(pms[1].coordinates, std::vector<std::string>{"-122.670510,49.151705,0"});  // Lakeview Dr
    EXPECT_EQ(pms[3].style, "#PDOplace");
    EXPECT_NE(pms[2].description.find("<tr><td>HMZ Segment<td>0600/0610</tr>"), std::string::npos);
    EXPECT_NE(pms[2].description.find("<tr><td>HMZ Km<td>7.50/0.00</tr>"), std::string::npos);
    EXPECT_NE(pms[4].description.find("<tr><td>Description<td>Ross Rd &amp; Ross Crossing</tr>"),
              std::string::npos)
        << pms[4].description;
    EXPECT_NE(pms[0].description.find("<tr><td> #Collisions<td>12 - 1/4/7 (Total-Fat/Inj/PDO)</tr>"),
              std::string::npos);
    EXPECT_NE(pms[0].description.find("<tr><td>HMZ Version<td>201404</tr>"), std::string::npos);
}

TEST_F(CombIntTest, ReportLinesBeforeTheHeadingAndTheEndMarkerBoundTheData) {
    WriteFile(data_ + "cpl.csv",
              std::string("\"Collision-Prone Locations\"\r\nReport of 2015-01-15\r\n") + kHead +
                  "1,1,1,11,1,0020/0030,5.4/0.0,,A1,AFR2UP,8327,9,0,3,6\r\n"
                  "\r\n"
                  "2,1,1,11,1,0999,1.0,,A1,AFR2UP,1,1,0,0,1\r\n"
                  "========\r\n"
                  "3,1,1,11,1,0010,3.2,,A1,AFS4DP,1,1,1,0,0\r\n");
    ExpectGeometry();
    ui_->ExpectMsgBox(ui::vbOK, "No Lat Lon found for ID 2 Locn 0999 1.0");
    EXPECT_EQ(Comb_Int_to_KML("201404", data_ + "cpl.csv", out_), -1);
    EXPECT_EQ(ui_->shown.back().title, "Comb_Int_to_KML");
    const auto pms = ReadKml(out_ + "cpl.kml");
    ASSERT_EQ(pms.size(), 1u);
    // the first segment and km of each pair; the description from the
    // landmark of that type there
    EXPECT_EQ(pms[0].coordinates, std::vector<std::string>{"-122.670510,49.151705,0"});
    EXPECT_NE(pms[0].description.find("<tr><td>Description<td>Lakeview Dr"), std::string::npos)
        << pms[0].description;
    EXPECT_EQ(pms[0].description.find("HMZ Node"), std::string::npos);
    EXPECT_EQ(StatusLines().back(), "Could not find LatLon for 1");
}

TEST_F(CombIntTest, CancelAtAnUnfoundLocationKeepsThePlacemarksBeforeIt) {
    WriteFile(data_ + "cpl.csv", std::string(kHead) +
                                     "1,1,1,11,1,0010,3.2,10001,A1,AFS4DP,1,1,1,0,0\r\n"
                                     "2,1,1,11,1,0999,1.0,,A1,AFR2UP,1,1,0,0,1\r\n"
                                     "3,1,1,11,1,0020,5.4,,A1,AFR2UP,1,1,0,0,1\r\n");
    ExpectGeometry();
    ui_->ExpectMsgBox(ui::vbCancel, "No Lat Lon found for ID 2");
    EXPECT_EQ(Comb_Int_to_KML("201404", data_ + "cpl.csv", out_), -1);
    EXPECT_EQ(StatusLines().back(), "Process Cancelled");
    const auto pms = ReadKml(out_ + "cpl.kml");
    ASSERT_EQ(pms.size(), 1u);
    EXPECT_NE(pms[0].description.find("<tr><td>HMZ Node<td>10001</tr>"), std::string::npos);
}

TEST_F(CombIntTest, ProblemsStopWithTheirMessagesAndWriteNothing) {
    struct Case {
        std::string text;
        const char* message;
    } cases[] = {
        {"no heading here\r\n1,2,3\r\n", "No heading record found in input file."},
        {std::string(kHead), "No heading record found in input file."},
        {"Group ID,Reg,Dist,Area,Seg,Km,Node,Lmk Type,Class,ADT,#Clsn,Fat #Clsn,Inj #Clsn,PDO #Clsn\r\n1\r\n",
         "No HIGHWAY or HWY field found in the heading record of "},
        {"Group ID,Reg,Dist,Area,Hwy,Seg,Km,Node,Lmk Type,Class,ADT,#Clsn,Inj #Clsn,PDO #Clsn\r\n1\r\n",
         "No FAT#CLSN field found"},
        {std::string(kHead) + "1,1,1,11,1,0020,x,,A1,AFR2UP,8327,9,0,3,6\r\n",
         "Invalid KM value \"x\" for ID 1 on data line 1 of "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile(data_ + "cpl.csv", c.text);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        EXPECT_EQ(Comb_Int_to_KML("201404", data_ + "cpl.csv", out_), 0);
        EXPECT_EQ(ui_->shown.back().title, "Comb_Int_to_KML");
        EXPECT_FALSE(fs::exists(out_ + "cpl.kml"));
    }
}

TEST_F(CombIntTest, TheSsaTabChecksItsInputsFirst) {
    form().SSA_Folder.SetText(Sample_Folder() + "collisions/");
    form().SSA_File.SetText("Combined_Int_Locations_sample.csv");
    form().Out_Folder.SetText(out_);
    form().SSA_HMZversion.SetText("");
    ui_->ExpectMsgBox(ui::vbOK, "Enter the HMZ version to use");
    Click("cmdCombInt2KML");
    EXPECT_FALSE(fs::exists(out_ + "Combined_Int_Locations_sample.kml"));
}

}  // namespace
