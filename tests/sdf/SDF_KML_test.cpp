#include "sdf/SDF_KML.h"

#include <gtest/gtest.h>

#include "tests/sdf/sdf_kml_support.h"

namespace {

using namespace sdftest;

TEST_F(SdfKmlTest, SectionsDrawOnTheCentrelineWithTheirOptions) {
    WriteFile(data_ + "sections.csv", kSections);
    Open("sections.csv", "202004");
    Tick({&win().chkInclude_Section_ID, &win().chkSDF_tableborders, &win().chkInclude_SDF_name,
          &win().chkInclude_HMZ_version, &win().chkInclude_Endpoint_SegKm, &win().chkInclude_Description,
          &win().chkSDF_label_endpoints, &win().chkSDF_MarkKms});
    win().txtSDF_KmInterval.SetText("0.5");
    win().txtSDF_auxfield(0).SetText("Route,");
    win().txtSDF_auxfield(1).SetText("Road: Route");
    win().txtSDF_auxfield(2).SetText("Nope");
    ExpectGeometry();
    Run();
    EXPECT_EQ(StatusLines().back(), "4 sections written to KML file sections.csv") << Status();

    std::string docName;
    const auto all = kmlcheck::ReadKml(out_ + "sections.kml", &docName);
    EXPECT_EQ(docName, "sections.csv");
    const auto lines = Of(all, true);
    ASSERT_EQ(lines.size(), 4u);
    const char* styles[] = {"#Greenline", "#Yellowline", "#Redline", "#Greenline"};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(lines[i].style, styles[i]);
    EXPECT_EQ(lines[0].name, "A & 1");
    const std::string& d = lines[0].description;
    for (const char* row : {"<h3>Section: A &amp; 1</h3>", "<table width=300 border=1>", "<tr><td>SDF<td>sections.csv</tr>",
                            "<tr><td><b>SDF HMZ Version</b><td>202004</tr>", "<tr><td>Seg1 Km1<td>0010 1.00</tr>",
                            "<tr><td>Seg2 Km2<td>0010 3.05</tr>",
                            "<tr><td>Description<td>On one segment &lt;a&gt;</tr>", "<tr><td>Route<td>R1</tr>",
                            "<tr><td>Road<td>R1</tr>"})
        EXPECT_NE(d.find(row), std::string::npos) << row << "\n" << d;
    EXPECT_EQ(d.find("Nope"), std::string::npos);
    EXPECT_EQ(d.find("Geo HMZ Version"), std::string::npos);  // the file is in the geometry's version

    // the line and its label point; the line starts on a point when the km
    // is within 0.002 of it, else at the interpolated position
    Load_SegLatLonKm("0010");
    const auto at = [](int i) {
        return Format_Coord(SegLatLon_Pts[static_cast<size_t>(i)].Lon) + "," +
               Format_Coord(SegLatLon_Pts[static_cast<size_t>(i)].Lat) + ",0";
    };
    const auto first = [](const kmlcheck::Placemark& p) { return Lines(p.coordinates.at(0)).front(); };
    EXPECT_EQ(first(lines[0]), at(6));  // km 1.0
    EXPECT_EQ(first(lines[1]), at(6));  // km 0.999
    EXPECT_NE(first(lines[3]), at(6));  // km 1.05
    EXPECT_EQ(Lines(lines[3].coordinates.at(0)).at(1), at(7));
    double lat = 0, lon = 0;
    Interp_SegLatLon(6, 7, 1.05f, lat, lon);
    EXPECT_EQ(first(lines[3]), Format_Coord(lon) + "," + Format_Coord(lat) + ",0");
    // A: the points 1.0 .. 3.0, then 3.05 interpolated
    EXPECT_EQ(Lines(lines[0].coordinates.at(0)).size(), 11u + 1);
    for (const auto& p : lines) {
        ASSERT_EQ(p.coordinates.size(), 2u);
        for (const std::string& c : Lines(p.coordinates[0])) EXPECT_EQ(c.find("*"), std::string::npos) << c;
    }
    // C runs over 0020 into 0030: more points than 0010 alone holds past km 11
    EXPECT_GT(Lines(lines[2].coordinates.at(0)).size(), 8u + 56 + 10);

    const auto points = Of(all, false);
    int nodes = 0, starts = 0, ends = 0;
    std::vector<std::string> marksOfA;
    for (const auto& p : points) {
        EXPECT_NE(p.coordinates.at(0), "0.000000,0.000000,0");
        if (p.style == "#HMZNode") ++nodes;
        if (p.style == "#startpoint") ++starts;
        if (p.style == "#endpoint") ++ends;
        if (p.style == "#GreenlineKm" && marksOfA.size() < 4) marksOfA.push_back(p.name);
    }
    EXPECT_EQ(nodes, 2);  // C passes the nodes 0010/0020 and 0020/0030, each marked once
    EXPECT_EQ(starts, 4);
    EXPECT_EQ(ends, 4);
    EXPECT_EQ(marksOfA, (std::vector<std::string>{"1.5", "2.0", "2.5", "3.0"}));
    EXPECT_NE(ReadFile(out_ + "sections.kml").find("<name>0010 1.00</name>"), std::string::npos);
    // the scratch files stay in the temporary folder
    EXPECT_TRUE(fs::exists(TempFolder + "endpoints.kml"));
    EXPECT_TRUE(fs::exists(TempFolder + "kmmarks.kml"));

    // the options are remembered
    win().Unload();
    EXPECT_EQ(settings::GetSetting("Tessawin", "SDFKML", "txtSDF_KmInterval", ""), "0.5");
    EXPECT_EQ(settings::GetSetting("Tessawin", "SDFKML", "chkSDF_MarkKms", ""), "1");
}

// A line whose end lies before the first point searched ends in the span
// before that point, the end label with it: within one span of a segment, in
// the first span of the last segment, and at its node.
TEST_F(SdfKmlTest, ALineEndsInTheSpanBeforeTheFirstPointSearched) {
    WriteFile(data_ + "ends.csv",
              "ID,Seg1,Km1,Seg2,Km2\r\n"
              "E,0010,1.05,0010,1.10\r\n"
              "F,0010,12.0,0020,0.1\r\n"
              "G,0010,12.0,0020,0.0\r\n");
    Open("ends.csv", "202004");
    Tick({&win().chkSDF_label_endpoints});
    ExpectGeometry();
    Run();
    EXPECT_EQ(StatusLines().back(), "3 sections written to KML file ends.csv") << Status();

    const auto coord = [](double lat, double lon) { return Format_Coord(lon) + "," + Format_Coord(lat) + ",0"; };
    const auto interp = [&](const std::string& seg, int i, float km) {
        Load_SegLatLonKm(seg);
        double lat = 0, lon = 0;
        Interp_SegLatLon(i, i + 1, km, lat, lon);
        return coord(lat, lon);
    };
    Load_SegLatLonKm("0010");
    ASSERT_FLOAT_EQ(SegLatLon_Pts[6].Km, 1.0f);
    ASSERT_FLOAT_EQ(SegLatLon_Pts[7].Km, 1.2f);
    const std::string last0010 = coord(SegLatLon_Pts.back().Lat, SegLatLon_Pts.back().Lon);
    Load_SegLatLonKm("0020");
    ASSERT_GE(SegLatLon_Count, 2);
    ASSERT_FLOAT_EQ(SegLatLon_Pts[1].Km, 0.0f);
    ASSERT_GT(SegLatLon_Pts[2].Km, 0.102f);
    const std::string node = coord(SegLatLon_Pts[1].Lat, SegLatLon_Pts[1].Lon);

    const std::vector<std::vector<std::string>> tails = {
        {interp("0010", 6, 1.05f), interp("0010", 6, 1.10f)},
        {last0010, interp("0020", 1, 0.1f)},
        {last0010, node},
    };
    const auto all = kmlcheck::ReadKml(out_ + "ends.kml");
    const auto lines = Of(all, true);
    ASSERT_EQ(lines.size(), 3u);
    std::vector<std::string> endLabels;
    for (const auto& p : Of(all, false))
        if (p.style == "#endpoint") endLabels.push_back(p.coordinates.at(0));
    ASSERT_EQ(endLabels.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(lines[i].name);
        const auto coords = Lines(lines[i].coordinates.at(0));
        ASSERT_GE(coords.size(), 2u);
        if (i == 0) {
            EXPECT_EQ(coords.size(), 2u);  // no centreline point between its ends
        }
        EXPECT_EQ(std::vector<std::string>(coords.end() - 2, coords.end()), tails[i]);
        EXPECT_EQ(endLabels[i], tails[i].back());
    }
}

TEST_F(SdfKmlTest, SectionsAreCarriedIntoTheGeometrysVersion) {
    // 0510 is renumbered 0515 in 202004, 0990 leaves the inventory there
    WriteFile(data_ + "old.csv",
              "ID,Seg,Km1,Km2\r\n"
              "T1,0010,1.0,2.0\r\n"
              "T2,0510,1.0,3.0\r\n"
              "T3,0990,1.0,2.0\r\n"
              "T4,0990,2.5,3.0\r\n");
    for (ui::MsgBoxResult answer : {ui::vbOK, ui::vbCancel}) {
        SCOPED_TRACE(answer);
        fs::remove(out_ + "old.kml");
        Open("old.csv", "201404");
        win().chkInclude_Endpoint_SegKm.SetValue(ui::vbChecked);
        if (!GeoDB_db.is_open()) ExpectGeometry();
        ui_->ExpectMsgBox(answer, "Sections on the following HMZ segments will be omitted because they cannot be "
                                  "transformed to the the GeoDB HMZ version 202004:\r\n0990 ");
        Run();
        EXPECT_EQ(ui_->shown.back().title, "SDF_Seg_gfields");
        EXPECT_TRUE(StatusHas("Transforming section definitions to GeoDB_HMZversion 202004"));
        if (answer == ui::vbCancel) {
            EXPECT_FALSE(fs::exists(out_ + "old.kml"));
            continue;
        }
        EXPECT_TRUE(StatusHas("Section T3 does not transform to GeoDB_HMZversion 202004"));
        EXPECT_TRUE(StatusHas("Section T4 does not transform to GeoDB_HMZversion 202004"));
        EXPECT_EQ(StatusLines().back(), "2 sections written to KML file old.csv");
        const auto lines = Of(kmlcheck::ReadKml(out_ + "old.kml"), true);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1].name, "T2");
        EXPECT_NE(lines[1].description.find("<tr><td><b>Geo HMZ Version</b><td>202004</tr>"), std::string::npos);
        EXPECT_NE(lines[1].description.find("<tr><td>Seg1 Km1<td>0515 1.00</tr>"), std::string::npos);
        EXPECT_EQ(lines[0].description.find("Geo HMZ Version"), std::string::npos);
    }
}

TEST_F(SdfKmlTest, TheKmIntervalIsCheckedOnlyWhenKmsAreMarked) {
    WriteFile(data_ + "sections.csv", kSections);
    Open("sections.csv", "202004");
    win().chkSDF_MarkKms.SetValue(ui::vbChecked);
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"x", "Enter the interval, to one decimal place, for labelling HMZ segment Kms in each section"},
        {"", "Enter the interval, to one decimal place, for labelling HMZ segment Kms in each section"},
        {"0.05", "Enter the a km interval, to one decimal place, >= 0.1"},
        {"0.25", "Enter the the km interval with just one decimal place."},
    };
    for (const auto& c : cases) {
        win().txtSDF_KmInterval.SetText(c.text);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        Run();
        EXPECT_EQ(ui_->shown.back().title, "SDF_KML_Linestrings");
        EXPECT_TRUE(win().txtSDF_KmInterval.HasFocus());
        EXPECT_FALSE(fs::exists(out_ + "sections.kml"));
    }
    win().txtSDF_KmInterval.SetText("0.1");
    ExpectGeometry();
    Run();
    EXPECT_TRUE(fs::exists(out_ + "sections.kml"));
    // not ticked: not looked at
    win().chkSDF_MarkKms.SetValue(ui::vbUnchecked);
    win().txtSDF_KmInterval.SetText("x");
    Run();
    EXPECT_EQ(StatusLines().back(), "4 sections written to KML file sections.csv");
}

TEST_F(SdfKmlTest, TheSdfTabOpensTheWindowOnlyAfterItsChecks) {
    auto* b = form().Find<ui::CommandButton>("cmdSDF_KML");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Placement().tab, MainForm::kTabSDF);
    FillTab("none.csv", "202004");
    form().SDF_folder.SetText("");
    ui_->ExpectMsgBox(ui::vbOK, "Enter an input folder");
    Click("cmdSDF_KML");
    EXPECT_FALSE(win().Visible());

    // the window keeps its place and inputs between sessions
    WriteFile(data_ + "sections.csv", kSections);
    Open("sections.csv", "202004");
    win().Move(3000, 2000, win().Width(), win().Height());
    win().txtSDF_auxfield(3).SetText("Route");
    form().Unload();  // the main window takes the options window with it
    EXPECT_FALSE(win().Loaded());
    EXPECT_EQ(settings::GetSetting("Tessawin", "frmSDF_KML", "Top", ""), "2000");
    EXPECT_EQ(settings::GetSetting("Tessawin", "frmSDF_KML", "Left", ""), "3000");
    form().Load();
    Open("sections.csv", "202004");
    EXPECT_EQ(win().txtSDF_auxfield(3).Text(), "Route");
    EXPECT_EQ(win().Top(), 2000);
}

TEST_F(SdfKmlTest, NoOptionsGiveAnEmptyDescriptionTable) {
    WriteFile(data_ + "sections.csv", "ID,Seg,Km1,Km2\r\nS,0010,1.0,2.0\r\n");
    Open("sections.csv", "202004");
    // a first run ticks every row; all off here
    for (ui::CheckBox* c : {&win().chkInclude_Section_ID, &win().chkInclude_SDF_name, &win().chkInclude_HMZ_version,
                            &win().chkInclude_Endpoint_SegKm, &win().chkInclude_Description})
        c->SetValue(ui::vbUnchecked);
    ExpectGeometry();
    Run();
    const auto lines = Of(kmlcheck::ReadKml(out_ + "sections.kml"), true);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Lines(lines[0].description), (std::vector<std::string>{"", "<table width=300>", "</table>"}));
}

}  // namespace
