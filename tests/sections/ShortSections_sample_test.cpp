// The short-sections window on the installed sample data set, with nothing
// configured: runs over every kind of primary section, their outputs and
// log, and the inputs it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

#include "common/FileNumbers.h"
#include "inventory/HMZ_Database.h"
#include "sections/ShortSections.h"
#include "sections/SS_State.h"
#include "sections/ShortSections_Attach.h"
#include "sections/frmShortSections.h"
#include "tests/inventory/inventory_support.h"

namespace {

namespace S = ShortSections;
namespace fs = std::filesystem;

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string l;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
    }
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    bool q = false;
    for (char c : line) {
        if (c == '"') q = !q;
        if (c == ',' && !q) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

class ShortSectionsSample : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        load_form();
        AppFolder = PROGRAM_FOLDER;
        ShortSections_Attach(TheMainForm());
        fs::create_directories(out());
        TheMainForm().SDF_HMZversion.SetText("201807");
        TheMainForm().Out_Folder.SetText(out());
        ui::ClickButton(*TheMainForm().Find<ui::CommandButton>("cmdShortSections"));
        ASSERT_TRUE(w().Visible());
    }
    void TearDown() override {
        if (w().Loaded()) w().Unload();
        HMZ_Close_Database();
        InventoryTest::TearDown();
    }
    static frmShortSections& w() { return TheShortSectionsForm(); }
    std::string out() const { return file("out") + "/"; }
    std::string log() const { return file("temp") + "/short_sections_log_test1.txt"; }
    void run() { ui::ClickButton(w().cmdRun); }
    // The output's rows by heading name.
    struct Table {
        std::vector<std::string> heading;
        std::vector<std::vector<std::string>> rows;
        int col(const std::string& name) const {
            for (std::size_t i = 0; i < heading.size(); ++i)
                if (heading[i] == name) return static_cast<int>(i);
            ADD_FAILURE() << "no column " << name;
            return 0;
        }
        const std::vector<std::string>* find(const std::string& sid) const {
            for (const auto& r : rows)
                if (r[1] == sid) return &r;
            return nullptr;
        }
    };
    static Table read(const std::string& path) {
        Table t;
        const auto lines = ReadLines(path);
        if (lines.empty()) return t;
        t.heading = Fields(lines[0]);
        for (std::string& h : t.heading) h.erase(0, h.find_first_not_of(' '));
        for (std::size_t i = 1; i < lines.size(); ++i) t.rows.push_back(Fields(lines[i]));
        return t;
    }
};

TEST_F(ShortSectionsSample, SegmentsWithEveryBreak) {
    w().chkIncludeLatLons.SetValue(ui::vbChecked);
    w().chkWriteTransformed.SetValue(ui::vbChecked);
    w().txtTransHMZversion.SetText("202004");
    run();
    EXPECT_EQ(Trace_FileNo, 0);
    const std::string csv = out() + "Short_MixedSections_test1.csv";
    ASSERT_EQ(S::OutputFile, csv);
    const Table t = read(csv);
    ASSERT_GT(t.rows.size(), 40u) << status();
    EXPECT_EQ(t.heading[2], "HMZ_Segment");
    for (const auto& r : t.rows) ASSERT_EQ(r.size(), t.heading.size()) << r[1];

    // The first intersection of 0010, Mill Rd at km 3.2.
    const auto* mill = t.find("INT_0010_02");
    ASSERT_NE(mill, nullptr);
    EXPECT_EQ((*mill)[t.col("KmInt")], "3.2");
    EXPECT_EQ((*mill)[t.col("Intersection_ID")], "5001");
    EXPECT_EQ((*mill)[t.col("Legs")], "4");
    EXPECT_EQ((*mill)[t.col("Km1")], "3.0");
    EXPECT_EQ((*mill)[t.col("Km2")], "3.4");
    EXPECT_EQ((*mill)[t.col("Desc1")], "\"Mill Rd\"");
    EXPECT_EQ((*mill)[t.col("LLsrc1")], "-3");
    EXPECT_EQ((*mill)[t.col("Region")], "1");
    EXPECT_EQ((*mill)[t.col("Area")], "11");

    // 0030: the terrain changes at km 7.00, the area at km 5.00, and the
    // segment's last hectometre (14.65 km: hm 147) is in a section.
    bool area_break = false, class_break = false;
    int last_hm = -1;
    for (const auto& r : t.rows) {
        if (r[4] != "0030") continue;
        const std::string type = r[t.col("EndBreakType")];
        if (type == "6" && r[t.col("Km2")] == "5.0") area_break = true;
        if (type == "1" && r[t.col("Km2")] == "7.0") class_break = true;
        last_hm = std::max(last_hm, static_cast<int>(std::lround(std::stod(r[t.col("Km2")]) * 10)));
    }
    EXPECT_TRUE(area_break);
    EXPECT_TRUE(class_break);
    EXPECT_EQ(last_hm, 147);

    // The translated copy holds every record; 0510 is 0515 in 202004.
    ASSERT_EQ(S::OutputFileTrans, out() + "Short_MixedSections_test1_HMZ202004.csv");
    const Table tr = read(S::OutputFileTrans);
    EXPECT_EQ(tr.rows.size(), t.rows.size());
    bool renumbered = false;
    for (const auto& r : tr.rows) renumbered = renumbered || r[4] == "0515";
    EXPECT_TRUE(renumbered);

    // The log, closed, in the temporary folder.
    const auto lines = ReadLines(log());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("Tessawin 1.0.0 ", 0), 0u) << lines[0];
    EXPECT_NE(std::find(lines.begin(), lines.end(), "--- Parameters on frmShortSections:"), lines.end());
    bool opened = false;
    for (const auto& l : lines) opened = opened || l.rfind("Opening", 0) == 0 || l.find("Opened file") == 0;
    EXPECT_TRUE(opened);
}

TEST_F(ShortSectionsSample, SectionsOnlyWithThe50mExtension) {
    w().chkIntersections.SetValue(ui::vbUnchecked);
    w().chkExtend50m.SetValue(ui::vbChecked);
    w().chkOnNumberedHwys.SetValue(ui::vbUnchecked);
    w().chkOnLetteredHwys.SetValue(ui::vbUnchecked);
    w().chkOnUnNumberedHwys.SetValue(ui::vbUnchecked);
    w().chkOnSegments.SetValue(ui::vbChecked);
    w().txtOnSegments.SetText("0030,H97A");
    run();
    const Table t = read(out() + "Short_Sections_test1.csv");
    ASSERT_FALSE(t.rows.empty()) << status();
    EXPECT_EQ(std::count(t.heading.begin(), t.heading.end(), "KmInt"), 0);
    std::set<std::string> segs;
    for (const auto& r : t.rows) segs.insert(r[4]);
    EXPECT_EQ(segs, (std::set<std::string>{"0030", "0971", "0972"}));
    // Neighbours meet at the half hectometre; the last ends at the segment's end.
    std::string prev_end;
    for (const auto& r : t.rows) {
        if (r[4] != "0030") continue;
        if (!prev_end.empty()) {
            EXPECT_EQ(r[t.col("Km1")], prev_end);
        }
        prev_end = r[t.col("Km2")];
    }
    EXPECT_EQ(prev_end, "14.65");
}

TEST_F(ShortSectionsSample, IntersectionsOnly) {
    w().chkSections.SetValue(ui::vbUnchecked);
    run();
    const Table t = read(out() + "Short_Intersections_test1.csv");
    ASSERT_FALSE(t.rows.empty()) << status();
    std::vector<std::string> on_0010;
    for (const auto& r : t.rows)
        if (r[4] == "0010") on_0010.push_back(r[1] + " " + r[t.col("KmInt")] + " " + r[t.col("EndBreakType")]);
    EXPECT_EQ(on_0010, (std::vector<std::string>{"INT_0010_01 3.2 -1", "INT_0010_02 12.4 -4"}));
    EXPECT_EQ(t.rows.front()[0], "20001");
}

TEST_F(ShortSectionsSample, SDFSections) {
    w().optPrimSec_SDF.SetValue(true);
    w().txtInputSDF.SetText(std::string(PROGRAM_FOLDER) + "sample/SDF_ShortSections_sample.csv");
    run();
    const Table t = read(out() + "Short_MixedSections_test1.csv");
    ASSERT_FALSE(t.rows.empty()) << status();
    EXPECT_EQ(t.heading[2], "SDF_Section");
    std::set<std::string> ids;
    for (const auto& r : t.rows) ids.insert(r[2]);
    EXPECT_EQ(ids, (std::set<std::string>{"S1", "S2", "S3", "S4"}));
    EXPECT_NE(status().find("1 SDF sections spanning more than one segment were skipped"), std::string::npos);
}

TEST_F(ShortSectionsSample, TrafficVolumeSectionsWithVolumes) {
    w().optPrimSec_UTVS.SetValue(true);
    w().chkIncludeADT.SetValue(ui::vbChecked);
    w().txtADTyear1.SetText("2019");
    w().txtADTyear2.SetText("2019");  // one year passes
    run();
    const Table t = read(out() + "Short_MixedSections_test1.csv");
    ASSERT_FALSE(t.rows.empty()) << status();
    EXPECT_EQ(t.heading[2], "UTVS");
    EXPECT_EQ(t.heading.back(), "avgAADT");
    EXPECT_EQ(t.heading[t.heading.size() - 2], "AADT_2019");
    int with_volume = 0;
    for (const auto& r : t.rows)
        if (!r.back().empty()) {
            ++with_volume;
            EXPECT_EQ(r.back(), r[r.size() - 2]) << r[1];
        }
    EXPECT_GT(with_volume, 0);

    w().txtADTyear2.SetText("2030");
    ui_->ExpectMsgBox(ui::vbOK, "Traffic volume is not available after year 2021");
    run();
}

// Every refused input stops the run before any output, says why, and leaves
// the log closed.
TEST_F(ShortSectionsSample, RefusedInputs) {
    struct Case {
        std::function<void()> set;
        const char* prompt;
        bool logged;  // the run started (the log exists)
    };
    auto txt = [](ui::TextBox& b, const char* v) { return [&b, v] { b.SetText(v); }; };
    const std::string sdf_copy = out() + "Short_Sections_test1.csv";
    invtest::InventoryTest::write(sdf_copy, "ID,Seg,Km1,Km2\r\n1,0010,0,1\r\n");
    Case cases[] = {
        {txt(w().txtRunID, "../up"), "The Run ID names the output files", false},
        {txt(w().txtMaxLen, "0"), "Enter a maximum length from 0.1 to 3000 (km) in MaxLen", true},
        {txt(w().txtMinLen, "12"), "Enter a minimum length from 0 up to the maximum length in MinLen", true},
        {txt(w().txtMinLen, ""), "Enter a real value in MinLen", true},
        {txt(w().txtRadius, "2.5"), "Enter a positive integer value in Radius", true},
        {txt(w().txtRadius, "-1"), "Enter a positive integer value in Radius", true},
        {txt(w().txtRadius, "30000"), "Enter a radius of at most 1000 (hm) in Radius", true},
        {txt(w().txtHwyClassCategories, "2,3) OR (1=1"), "Highway Classification Category numbers", true},
        {txt(TheMainForm().SDF_HMZversion, "2018';"), "is not a valid HMZ version", true},
        {txt(TheMainForm().SDF_HMZversion, ""), "Enter a value in _HMZversion", true},
        {[&] {
             w().chkWriteTransformed.SetValue(ui::vbChecked);
             w().txtTransHMZversion.SetText("../../x");
         },
         "is not a valid HMZ version", true},
        {[&] {
             w().chkIncludeADT.SetValue(ui::vbChecked);
             w().txtADTyear1.SetText("1980");
         },
         "Enter a start year >= 1987", true},
        {[&] {
             w().chkIntersections.SetValue(ui::vbUnchecked);
             w().chkSections.SetValue(ui::vbUnchecked);
         },
         "Select one or both of Create Intersections or Create Sections.", true},
        {[&] {
             w().chkIntersections.SetValue(ui::vbUnchecked);
             w().optPrimSec_SDF.SetValue(true);
             w().txtInputSDF.SetText(sdf_copy);
         },
         "would replace the input SDF", true},
    };
    for (const Case& c : cases) {
        w().Unload();
        settings::SetStoreFolder(file("store"));
        fs::remove_all(file("store"));
        fs::create_directories(file("store"));
        TheMainForm().SDF_HMZversion.SetText("201807");
        w().Show();
        std::error_code ec;
        fs::remove(log(), ec);
        c.set();
        ui_->ExpectMsgBox(ui::vbOK, c.prompt);
        run();
        EXPECT_TRUE(ui_->script.empty()) << c.prompt;
        ui_->script.clear();
        EXPECT_EQ(Trace_FileNo, 0) << c.prompt;
        EXPECT_EQ(fs::exists(log()), c.logged) << c.prompt;
        EXPECT_FALSE(fs::exists(out() + "Short_MixedSections_test1.csv")) << c.prompt;
    }
    EXPECT_TRUE(fs::exists(sdf_copy));
    EXPECT_EQ(ReadLines(sdf_copy).size(), 2u);
}

// An inventory the run cannot read (no SegArea table here) stops it with
// the database's error; the log is closed and the trace number cleared.
TEST_F(ShortSectionsSample, ADatabaseErrorClosesTheLog) {
    const std::string folder = file("inv") + "/";
    write_mdb(folder + "HMZ_Data_201807.mdb",
              "CREATE TABLE Segment (Segment TEXT(4), Length SINGLE);\n"
              "CREATE TABLE Landmark (ID LONG, Segment TEXT(4), Km SINGLE, LMtype TEXT(2), Side TEXT(1));\n"
              "CREATE TABLE [Landmark-Intersection] (Landmark_ID LONG, Intersection_ID LONG, Legs SHORT);\n"
              "CREATE TABLE Intersection (ID LONG);\n"
              "INSERT INTO [Landmark-Intersection] VALUES (1, 1, 4);\n");
    AppFolder = folder;
    ui_->ExpectMsgBox(ui::vbOK, "Error ");
    run();
    AppFolder = PROGRAM_FOLDER;
    EXPECT_EQ(Trace_FileNo, 0);
    EXPECT_EQ(S::LogFileNo, 0);
    const auto lines = ReadLines(log());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("Error ", 0), 0u) << lines.back();
    EXPECT_FALSE(fs::exists(out() + "Short_MixedSections_test1.csv"));
}

TEST_F(ShortSectionsSample, RemembersItsInputsAndPosition) {
    w().txtRunID.SetText("kept");
    w().chkIncludeLatLons.SetValue(ui::vbChecked);
    w().optPrimSec_UTVS.SetValue(true);
    w().SetLeft(2400);
    w().Unload();
    w().Show();
    EXPECT_EQ(w().txtRunID.Text(), "kept");
    EXPECT_EQ(w().chkIncludeLatLons.Value(), ui::vbChecked);
    EXPECT_TRUE(w().optPrimSec_UTVS.Value());
    EXPECT_EQ(w().Left(), 2400);
    EXPECT_EQ(w().txtRadius.Text(), "2");
}

}  // namespace
