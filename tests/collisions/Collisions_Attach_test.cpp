#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "collisions/CDEbyGroup.h"
#include "collisions/Monthly_CDE.h"
#include "common/DataFolders.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "common/TessawinMod.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

class CollisionsAttachTest : public CollisionsTest {
protected:
    // The geographic fields look locations up through the translation
    // library of the build's program folder.
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
    std::string saved_;
};

TEST_F(CollisionsAttachTest, TheCommandsSitOnTheirTabs) {
    MainForm& f = form();
    Collisions_Attach(f);
    struct Button {
        const char* name;
        int tab;
        const char* caption;
    };
    const Button buttons[] = {
        {"cmdSplitByMonth", MainForm::kTabCDE, "Split by Collision Month"},
        {"cmdCDEsumByGroupAndQuarter", MainForm::kTabCDE, "Sum by Group and Quarter"},
        {"cmdClassVol", MainForm::kTabClassRate, "Specify Class Sets and Volume Ranges..."},
        {"cmdRateTable", MainForm::kTabClassRate, "Create Published Format Rate Table CSV file"},
        {"cmdCDEByMonth", MainForm::kTabSSA, "Break IN-SS CDE by Section && Month"},
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.name);
        auto* button = f.Find<ui::CommandButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->Caption(), b.caption);
        EXPECT_EQ(button->Placement().tab, b.tab);
        EXPECT_TRUE(static_cast<bool>(button->OnClick));
    }

    EXPECT_EQ(f.Find<ui::CommandButton>("cmdClassVol")->ToolTipText(),
              "Opens a form for specifying Class Sets and Volume Ranges.");

    // a press with nothing filled in stops at the first check
    f.CDE_folder.SetText("");
    ui_->ExpectMsgBox(ui::vbOK, "Enter an input folder");
    ui::ClickButton(*f.Find<ui::CommandButton>("cmdCDEsumByGroupAndQuarter"));
    EXPECT_EQ(Status(), "\r\nProblems!");
}

// Fields of a line of the sample's files, quotes removed (none holds a
// comma inside quotes).
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> f{""};
    for (char c : line) {
        if (c == ',')
            f.emplace_back();
        else if (c != '"')
            f.back() += c;
    }
    return f;
}

std::vector<std::vector<std::string>> Records(const std::string& path) {
    std::vector<std::vector<std::string>> out;
    for (const auto& l : Lines(ReadFile(path))) out.push_back(Fields(l));
    return out;
}

int Column(const std::vector<std::string>& heading, const std::string& name) {
    const auto it = std::find(heading.begin(), heading.end(), name);
    return it == heading.end() ? -1 : static_cast<int>(it - heading.begin());
}

TEST_F(CollisionsAttachTest, TheSampleExtractLiesOnTheSampleNetwork) {
    const std::string folder = Sample_Folder() + "collisions/";
    const auto cde = Records(folder + "CDE_sample.csv");
    ASSERT_GT(cde.size(), 2001u);
    const auto& h = cde[0];
    // the columns the collision, section and mapping tools read
    for (const char* name : {"CLSNDATE", "ACCASE", "SEGNUM", "KMMARK", "NODE", "VEHDIR1", "VEHDIR2", "TOTALINJ",
                             "TOTALKLD", "TOTALVEH", "PREACTN1", "PREACTN2", "DIAGRAM", "TYPE2ND1", "LOCN1ST", "LAT",
                             "LON", "HIGHNUM", "HIGHLET", "GroupID", "SEVERITY_TYPE", "WEEKDAY", "REGION", "DISTRICT",
                             "AREA", "NUMLANES", "DRIVER_WT", "VEH_WT", "ROAD_WT"})
        EXPECT_GE(Column(h, name), 0) << name;
    ASSERT_EQ(Column(h, "CLSNDATE"), 0);
    EXPECT_EQ(ReadFile(folder + "CDE_sample.csv").substr(0, 10), "\"CLSNDATE\"");

    // segment lengths of the greatest version
    std::map<std::string, double> length;
    for (const auto& r : Records(Sample_Folder() + "SegAllVersions.csv"))
        if (r.size() >= 3 && r[0] == "202004") length[r[1]] = std::stod(r[2]);
    const int seg = Column(h, "SEGNUM"), km = Column(h, "KMMARK"), sev = Column(h, "SEVERITY_TYPE"),
              kld = Column(h, "TOTALKLD"), inj = Column(h, "TOTALINJ"), lat = Column(h, "LAT");
    std::set<std::string> severities, years, cases;
    int withCoordinates = 0;
    const auto lines = Lines(ReadFile(folder + "CDE_sample.csv"));
    for (size_t i = 1; i < cde.size(); ++i) {
        const auto& r = cde[i];
        SCOPED_TRACE(lines[i]);
        ASSERT_EQ(r.size(), h.size());
        ASSERT_TRUE(length.count(r[static_cast<size_t>(seg)]));
        const double k = std::stod(r[static_cast<size_t>(km)]);
        EXPECT_TRUE(k >= 0 && k <= length[r[static_cast<size_t>(seg)]]);
        const int s = std::stoi(r[static_cast<size_t>(sev)]);
        EXPECT_EQ(s, std::stoi(r[static_cast<size_t>(kld)]) > 0 ? 1 : std::stoi(r[static_cast<size_t>(inj)]) > 0 ? 2 : 3);
        severities.insert(r[static_cast<size_t>(sev)]);
        years.insert(r[0].substr(0, 4));
        EXPECT_TRUE(cases.insert(r[1]).second);
        if (i > 1) {
            EXPECT_LE(cde[i - 1][0], r[0]);  // in date order
        }
        withCoordinates += !r[static_cast<size_t>(lat)].empty();
    }
    EXPECT_EQ(severities.size(), 3u);
    EXPECT_GE(years.size(), 5u);
    EXPECT_GT(withCoordinates, 0);
    EXPECT_LT(withCoordinates, static_cast<int>(cde.size()) - 1);

    // the in-section subset: every record's section is in the list
    std::set<std::string> listed;
    for (const auto& r : Records(folder + "Section_List.csv")) listed.insert(r[0]);
    const auto inss = Records(folder + "INSS_sample.csv");
    ASSERT_GT(inss.size(), 100u);
    for (size_t i = 1; i < inss.size(); ++i) EXPECT_TRUE(listed.count(inss[i][19])) << inss[i][19];

    // the diagram subset: at most 1000 collisions, each location's together,
    // several locations with enough of them for a diagram
    const auto diag = Records(folder + "CDE_intersections_sample.csv");
    ASSERT_LE(diag.size(), 1001u);
    std::vector<std::string> runs;
    std::map<std::string, int> count;
    for (size_t i = 1; i < diag.size(); ++i) {
        const std::string key = diag[i][4].empty() ? "S" + diag[i][2] + diag[i][3] : "N" + diag[i][4];
        if (runs.empty() || runs.back() != key) runs.push_back(key);
        ++count[key];
    }
    EXPECT_EQ(runs.size(), count.size());
    int busy = 0;
    for (const auto& [key, n] : count) busy += n >= 50;
    EXPECT_GE(busy, 3);
    EXPECT_GE(count.size(), 4u);

    // the case location table: the validation page's case first, then every
    // case of the extract with its own position
    const auto table = Records(folder + "latlon.csv");
    ASSERT_EQ(table.size(), cde.size());
    EXPECT_EQ(table[0], (std::vector<std::string>{"10004321", "2020-06-14", "49.107129", "-122.857581"}));
    const int lon = Column(h, "LON");
    for (size_t i = 1; i < cde.size(); ++i)
        EXPECT_EQ(table[i], (std::vector<std::string>{cde[i][1], cde[i][0], cde[i][static_cast<size_t>(lat)],
                                                      cde[i][static_cast<size_t>(lon)]}))
            << i;
}

// Every command of the four tabs, pressed as a user would on the sample with
// nothing configured: the files chosen through Browse, the output folder
// typed.
TEST_F(CollisionsAttachTest, EveryCommandRunsOnTheSample) {
    MainForm& f = form();
    Collisions_Attach(f);
    const std::string folder = Sample_Folder() + "collisions/";
    auto press = [&](const char* name) {
        SCOPED_TRACE(name);
        auto* b = f.Find<ui::CommandButton>(name);
        ASSERT_NE(b, nullptr);
        ui::ClickButton(*b);
    };
    // commands of other subsystems: they run and come back, whatever they show
    auto pressLeniently = [&](const char* name) {
        auto saved = ui_->on_unexpected;
        ui_->on_unexpected = nullptr;
        press(name);
        ui_->on_unexpected = saved;
        ui_->script.clear();
    };
    auto choose = [&](const char* button, const std::string& file) {
        ui_->ExpectFile(folder + file);
        press(button);
    };
    const std::string differ = "The output folder is not the same as the input folder.";
    f.Out_Folder.SetText(out_);

    // CDE Files
    choose("cmdCDEBrowse", "CDE_sample.csv");
    EXPECT_EQ(f.CDE_file.Text(), "CDE_sample.csv");
    const size_t rows = Lines(ReadFile(folder + "CDE_sample.csv")).size();
    press("cmdCDErequirements");
    EXPECT_FALSE(launcher_->calls.empty());
    press("cmdCDEtoExcel");
    EXPECT_EQ(Status(), std::to_string(rows) + " data rows loaded.\r\nCSV file ready in Excel\r\nWorkbook written to " +
                            out_ + "CDE_sample.xlsx");

    f.CDE_chkLatLon.SetValue(1);
    f.CDE_chkNaltAlbers.SetValue(1);
    f.outCDE_file.SetText("CDE_sample_geo");
    f.CDE_HMZversion.SetText("202004");
    ui_->ExpectInput(Sample_Folder() + "TRgeo_HMZ202004_SegGeometry.mdb", "Open HMZ Segment geometry database");
    ui_->ExpectMsgBox(ui::vbOK, "Processing complete.");
    press("cmdCDEaddGeoFields");
    EXPECT_EQ(Lines(ReadFile(out_ + "CDE_sample_geo.csv")).size(), rows);

    ui_->ExpectMsgBox(ui::vbOK, differ);
    ui_->ExpectInput("2010", "first year");
    ui_->ExpectInput("GroupID", "section ID field");  // the field the box proposes
    press("cmdCDEsumByGroupAndQuarter");
    const auto byQuarter = Lines(ReadFile(out_ + "CDE_sample_byQuarter.csv"));
    std::set<std::string> groups;
    for (const auto& r : Records(folder + "CDE_sample.csv")) groups.insert(r[19]);
    EXPECT_EQ(byQuarter.size(), groups.size());  // the heading and one line per group
    long all = 0;
    for (size_t i = 1; i < byQuarter.size(); ++i) {
        const auto r = Fields(byQuarter[i]);
        for (size_t k = 2; k < r.size(); k += 3) all += std::stol(r[k]);  // the "All" cells
    }
    EXPECT_EQ(all, static_cast<long>(rows) - 1);

    // the monthly split of the fatal collisions: a workbook and a link per month
    choose("cmdCDEBrowse", "CDE_fatal_sample.csv");
    std::set<std::string> months;
    for (const auto& r : Records(folder + "CDE_fatal_sample.csv"))
        if (r[0] != "CLSNDATE") months.insert(r[0].substr(0, 7));
    ui_->ExpectMsgBox(ui::vbOK, differ);
    press("cmdSplitByMonth");
    EXPECT_EQ(StatusLines().back(), "Finished CDE split by month.");
    const std::string page = ReadFile(out_ + "FatalDataByMonth.html");
    for (const auto& m : months) {
        EXPECT_TRUE(fs::exists(out_ + "fatal_data_" + m + ".xlsx")) << m;
        EXPECT_NE(page.find("<A HREF=\"fatal_data_" + m + ".xlsx\">" + m + " "), std::string::npos) << m;
    }

    choose("cmdCDEBrowse", "CDE_intersections_sample.csv");
    pressLeniently("cmdClsnDiagram");
    pressLeniently("cmdKML");
    f.CDE_SDF_fields.SetText("SecID");
    f.outCDE_file.SetText("CDE_sample_sdf");
    pressLeniently("cmdBrowseSDF");
    pressLeniently("cmdAddSDFfields");

    // Detail Reports
    choose("cmdDetailBrowse", "Detail_sample.rtf");
    ui_->ExpectMsgBox(ui::vbOK, differ);
    ui_->ExpectInput(Sample_Folder() + "HMZ_Data_202004.mdb", "Confirm full HMZ_Data file name");
    press("cmdDetailSplit");
    HMZ_Close_Database();
    EXPECT_EQ(StatusLines().back(), "HTML indeces complete.");
    EXPECT_TRUE(fs::exists(out_ + "FatalReportsByDate.html"));
    EXPECT_TRUE(fs::exists(out_ + "FatalReportsByArea.html"));
    const size_t launches = launcher_->calls.size();
    press("cmdOpenRTFinWord");
    EXPECT_EQ(launcher_->calls.size(), launches + 1);

    // Class Rate
    choose("cmdCLRbrowse", "ClassRate_sample.csv");
    pressLeniently("cmdClassVol");
    ui_->ExpectMsgBox(ui::vbOK, differ);
    ui_->ExpectMsgBox(ui::vbOK, "Class Sets found");
    ui_->ExpectMsgBox(ui::vbOK, "Volume Ranges found");
    ui_->ExpectMsgBox(ui::vbNo, "is ready.");
    press("cmdRateTable");
    EXPECT_TRUE(fs::exists(out_ + "PubRateTable_from_ClassRate_sample.csv"));

    // SSA
    choose("cmdSSAbrowse", "SSA_sections_sample.csv");
    ui_->ExpectMsgBox(ui::vbOK, differ);
    press("cmdReformat_Orvel");
    EXPECT_TRUE(fs::exists(out_ + "SSA_sections_sample_Orvel.csv"));
    choose("cmdSSAbrowse", "SSA_locations_sample.csv");
    ui_->ExpectMsgBox(ui::vbOK, differ);
    press("cmdCombineLocations");
    EXPECT_TRUE(fs::exists(out_ + "SSA_locations_sample_COMBINED.csv"));
    f.SSA_HMZversion.SetText("202004");
    f.SSA_File.SetText("SSA_locations_sample_COMBINED.csv");
    f.SSA_Folder.SetText(out_);
    pressLeniently("cmdCombInt2KML");
    const size_t before = launcher_->calls.size();
    press("cmdSSA_Help1");
    EXPECT_EQ(launcher_->calls.size(), before + 1);

    choose("cmdSSAbrowse", "INSS_sample.csv");
    f.txtSectionListFile.SetText("Section_List.csv");
    press("cmdCDEByMonth");
    const auto bySection = Lines(ReadFile(out_ + "INSS_sample_bySecMonSev.csv"));
    const auto list = Lines(ReadFile(folder + "Section_List.csv"));
    long total = 0;
    int sums = 0;
    for (size_t i = 2; i < bySection.size(); ++i) {
        const auto r = Fields(bySection[i]);
        if (r[0].find("-SUM") != std::string::npos)
            ++sums;
        else
            total += std::stol(r[1]);
    }
    EXPECT_EQ(bySection.size(), 2u + (list.size() - 1) + static_cast<size_t>(sums));
    EXPECT_EQ(sums, 3);  // groups 1, 3 and 5 have sub-sections
    EXPECT_EQ(total, static_cast<long>(Lines(ReadFile(folder + "INSS_sample.csv")).size()) - 1);
}

}  // namespace
