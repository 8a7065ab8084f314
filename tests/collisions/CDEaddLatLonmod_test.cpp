#include "collisions/CDEaddLatLonmod.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "collisions/CDEtoExcel.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

class CDEaddLatLonTest : public CollisionsTest {
protected:
    void SetUp() override {
        CollisionsTest::SetUp();
        saved_ = AppFolder;
        AppFolder = PROGRAM_FOLDER;
    }
    void TearDown() override {
        GeoDB_Close();
        SAV_Forget_Database();
        AppFolder = saved_;
        CollisionsTest::TearDown();
    }
    // The geometry file the first lookup proposes, confirmed.
    void ExpectGeometry() {
        ui_->ExpectInput(Sample_Folder() + "TRgeo_HMZ202004_SegGeometry.mdb", "Open HMZ Segment geometry database");
    }
    std::string saved_;
    std::vector<std::string> Run(const std::string& text, bool latLon, bool albers) {
        WriteFile(data_ + "in.csv", text);
        CDEaddLatLon("201404", data_ + "in.csv", out_ + "geo.csv", latLon, albers);
        return Lines(ReadFile(out_ + "geo.csv"));
    }
    static std::string Tail(const std::string& line, int fields) {
        size_t p = line.size();
        for (int i = 0; i < fields; ++i) p = line.rfind(',', p - 1);
        return line.substr(p + 1);
    }
};

TEST_F(CDEaddLatLonTest, EachDistinctLocationIsLookedUpOnceInARow) {
    ExpectGeometry();
    ui_->ExpectMsgBox(ui::vbOK, "Processing complete.");
    const auto out = Run(
        "\"SEGNUM\",\"KMMARK\",\"X\"\r\n"
        "\"030\",\"1.0\",\"a\"\r\n"     // read as 0030
        "\"0030\",\"1.0\",\"b\"\r\n"    // the same location: no new lookup
        "\"0030\",\"1.00\",\"b\"\r\n"   // the same km as a Single: no new lookup
        "\"0040\",\"2.0\",\"c\"\r\n"
        "\"0030\",\"1.0\",\"d\"\r\n"    // again after another
        "\"0030\",\"\",\"e\"\r\n"       // no km: not placed
        "\"0030\",\"x\",\"f\"\r\n"      // no number: not placed
        "\"0030\",\"1e39\",\"f\"\r\n"   // beyond a Single: not placed
        "\"Z999\",\"1.0\",\"g\"\r\n",   // not in the inventory
        true, true);
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out[0], "\"SEGNUM\",\"KMMARK\",\"X\",Latitude,Longitude,NaltalbersX,NaltalbersY");
    EXPECT_EQ(Tail(out[1], 4), Tail(out[2], 4));
    EXPECT_EQ(Tail(out[1], 4), Tail(out[3], 4));
    EXPECT_EQ(Tail(out[1], 4), Tail(out[5], 4));
    EXPECT_NE(Tail(out[1], 4), Tail(out[4], 4));
    EXPECT_NE(Tail(out[1], 4).substr(0, 3), ",,,");
    for (int i : {6, 7, 8, 9}) EXPECT_EQ(Tail(out[static_cast<size_t>(i)], 4), ",,,") << out[static_cast<size_t>(i)];
    EXPECT_NE(Status().find("4 Seg/Km to LatLon calculations were done."), std::string::npos) << Status();
    EXPECT_NE(Status().find("3 LatLon to Nalt Albers calculations were done."), std::string::npos);
    EXPECT_NE(Status().find("9 CDE collision records written to " + out_ + "geo.csv"), std::string::npos);
}

TEST_F(CDEaddLatLonTest, AlbersFromTheExtractsOwnCoordinates) {
    ui_->ExpectMsgBox(ui::vbYes, "already contains Lat & Lon fields (fields 2 and 3)");
    ui_->ExpectMsgBox(ui::vbOK, "Processing complete.");
    const auto out = Run("\"ACCASE\",\"LAT\",\"LON\"\r\n\"1\",\"49.5\",\"-117.4\"\r\n\"2\",\"\",\"-117.4\"\r\n"
                         "\"3\",\"49.5\",\"-117.4\"\r\n",
                         false, true);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], "\"ACCASE\",\"LAT\",\"LON\",NaltalbersX,NaltalbersY");
    EXPECT_EQ(Tail(out[2], 2), ",");
    EXPECT_EQ(Tail(out[1], 2), Tail(out[3], 2));
    EXPECT_NE(Status().find("1 LatLon to Nalt Albers calculations were done."), std::string::npos);
}

// Progress shows every 1000 lines read; the window repaints the status box
// but runs no events, so no other command can start meanwhile.
TEST_F(CDEaddLatLonTest, ProgressEveryThousandLinesWithoutRunningEvents) {
    std::string text = "\"LAT\",\"LON\"\r\n";
    for (int i = 0; i < 999; ++i) text += "\"49.5\",\"-117.4\"\r\n";
    ui_->ExpectMsgBox(ui::vbYes, "already contains");
    ui_->ExpectMsgBox(ui::vbOK, "Processing complete.");
    const auto out = Run(text, false, true);
    EXPECT_EQ(out.size(), 1000u);
    EXPECT_NE(Status().find("...Data,1000\r\n"), std::string::npos);
    EXPECT_EQ(ui_->do_events_calls, 0);
}

TEST_F(CDEaddLatLonTest, FailuresLeaveNoOutput) {
    struct Case {
        std::string text;
        bool albersOnly;
        const char* message;
    };
    const Case cases[] = {
        {"\"SEGNUM\",\"KMMARK\"\r\n", false, "is empty."},
        {"\"ACCASE\",\"KMMARK\"\r\n\"1\",\"2.0\"\r\n", false, "No 'SEGNUM' or 'Segment Number' field"},
        {"\"Segment Number\",\"KM\"\r\n\"0030\",\"2.0\"\r\n", false, "No 'KMMARK' or 'Km Mark' field"},
        {"\"LAT\",\"LON\"\r\n\"49.5\",\"-117.4\"\r\n\"north\",\"-117.4\"\r\n", true,
         "Error decoding Latitude or Longitude from fields 1, 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        form().Status.SetText("");
        if (c.albersOnly) ui_->ExpectMsgBox(ui::vbYes, "already contains");
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        const auto out = Run(c.text, !c.albersOnly, true);
        EXPECT_TRUE(out.empty());
        EXPECT_EQ(StatusLines().back(), "*** Failed ***");
    }
}

TEST_F(CDEaddLatLonTest, TheButtonChecksTheOutputNameAndVersion) {
    WriteFile(data_ + "in.csv", "\"SEGNUM\",\"KMMARK\"\r\n\"0030\",\"1.0\"\r\n");
    form().CDE_folder.SetText(data_);
    form().CDE_file.SetText("in.csv");
    form().Out_Folder.SetText(out_);
    form().CDE_chkLatLon.SetValue(1);
    struct Case {
        const char* name;
        const char* version;
        const char* message;
    };
    const Case cases[] = {{"", "201404", "Specify the name of the output CDE csv file."},
                          {"sub/x.csv", "201404", "No path allowed on the output CDE csv file."},
                          {"x.txt", "", "Enter the HMZ version used in the CDE file, in form YYYYMM."},
                          {"x.txt", "199901", "HMZ version 199901 is not a valid HMZ version"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        form().outCDE_file.SetText(c.name);
        form().CDE_HMZversion.SetText(c.version);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        cmdCDEaddGeoFields_Click(form());
    }
    // the extension typed is replaced; the old file stays until the new one is whole
    WriteFile(out_ + "x.csv", "old");
    form().CDE_HMZversion.SetText("201404");
    ui_->ExpectMsgBox(ui::vbCancel, "exists.  Do you want to replace it?");
    cmdCDEaddGeoFields_Click(form());
    EXPECT_EQ(ReadFile(out_ + "x.csv"), "old");
    ui_->ExpectMsgBox(ui::vbOK, "exists.  Do you want to replace it?");
    ExpectGeometry();
    ui_->ExpectMsgBox(ui::vbOK, "Processing complete.");
    cmdCDEaddGeoFields_Click(form());
    EXPECT_EQ(Lines(ReadFile(out_ + "x.csv")).size(), 2u);
    // the input itself is refused
    form().Out_Folder.SetText(data_);
    form().outCDE_file.SetText("in.csv");
    ui_->ExpectMsgBox(ui::vbOK, "is the input CDE file itself");
    cmdCDEaddGeoFields_Click(form());
}

TEST_F(CDEaddLatLonTest, TheSampleExtractGetsItsFields) {
    ExpectGeometry();
    ui_->ExpectMsgBox(ui::vbOK, "Processing complete.");
    const std::string in = Sample_Folder() + "collisions/CDE_sample.csv";
    CDEaddLatLon("202004", in, out_ + "geo.csv", true, true);
    const auto rows = Lines(ReadFile(in));
    const auto out = Lines(ReadFile(out_ + "geo.csv"));
    ASSERT_EQ(out.size(), rows.size());
    EXPECT_NE(Status().find(std::to_string(rows.size() - 1) + " CDE collision records read from"), std::string::npos);
    // every collision lies on the greatest version's network, so each one is
    // placed, within the sample's bounds, and its grid values follow
    for (size_t i = 1; i < out.size(); ++i) {
        SCOPED_TRACE(out[i]);
        ASSERT_EQ(out[i].substr(0, rows[i].size()), rows[i]);
        const std::string added = out[i].substr(rows[i].size());
        double lat = 0, lon = 0;
        long x = 0, y = 0;
        ASSERT_EQ(std::sscanf(added.c_str(), ",%lf,%lf,%ld,%ld", &lat, &lon, &x, &y), 4);
        EXPECT_TRUE(lat > 49.0 && lat < 50.8 && lon > -123.3 && lon < -119.2);
    }
}

}  // namespace
