#include "mapping/CollisionDiagram.h"

#include <gtest/gtest.h>

#include "tests/mapping/diagram_support.h"

namespace {

using diagram_test::Clsn;
using diagram_test::Extract;

class ReadCdeTest : public diagram_test::DiagramTest {};

TEST_F(ReadCdeTest, LoadsEveryRecordWithKeysDatesAndFlags) {
    Clsn a;  // segment written without its leading zero
    a.accase = "A1";
    a.date = "2021-05-03";
    Clsn b;
    b.accase = "A2";
    b.date = "2019-12-31";
    b.node = "10002000";
    b.km = "0";
    Clsn c;  // single vehicle leaving the road first
    c.accase = "A3";
    c.date = "2020-02-02";
    c.seg = "0456";
    c.km = "0";
    c.veh = "1";
    c.type2 = "05";
    c.locn = "Y ";
    c.inj = "2";
    c.kld = "1";
    c.diagram = "4";
    // an extra column in front, and the last line without its line break
    std::string out = "\"X\"," + std::string(diagram_test::kDiagramHeading) + "\r\n";
    for (const Clsn* r : {&a, &b, &c}) out += "x," + r->Line() + (r == &c ? "" : "\r\n");
    Read_CDE(Write("run1.csv", out));

    ASSERT_EQ(CDE_RecordCount, 3);
    EXPECT_EQ(CDE_Records[0].ACCASE, "A1");
    EXPECT_EQ(CDE_Records[0].SEGNUM, "0123");
    EXPECT_FLOAT_EQ(CDE_Records[0].KMMARK, 12.3f);
    EXPECT_EQ(CDE_Records[2].TOTALINJ, 2);
    EXPECT_EQ(CDE_Records[2].TOTALKLD, 1);
    EXPECT_EQ(CDE_Records[2].DIAGRAM, 4);
    EXPECT_EQ(CDE_Records[2].LOCN1ST, "Y");
    ASSERT_EQ(CDE_LocationKeys.size(), 4u);
    EXPECT_EQ(CDE_LocationKeys[1], "S01230123");
    EXPECT_EQ(CDE_LocationKeys[2], "N10002000");
    EXPECT_EQ(CDE_LocationKeys[3], "S04560000");
    EXPECT_EQ(CDE_MinDate, "2019-12-31");
    EXPECT_EQ(CDE_MaxDate, "2021-05-03");
    EXPECT_FALSE(CDE_Records[0].Diagram17);
    EXPECT_TRUE(CDE_Records[2].Diagram17);
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(ReadCdeTest, SingleVehicleFlagNeedsTypeFiveFirstOffRoadAndOneVehicle) {
    struct Case {
        const char* type2;
        const char* locn;
        const char* veh;
        bool flag;
    } cases[] = {{"5", "Y", "1", true},  {"05", "Y", "1", true}, {"5.0", "Y", "1", true}, {"5", "y", "1", false},
                 {"4", "Y", "1", false}, {"5", "Y", "2", false}, {"", "Y", "1", false},   {"x", "Y", "1", false}};
    std::vector<Clsn> rows;
    for (const auto& k : cases) {
        Clsn r;
        r.type2 = k.type2;
        r.locn = k.locn;
        r.veh = k.veh;
        rows.push_back(r);
    }
    Read_CDE(Write("flags.csv", Extract(rows)));
    ASSERT_EQ(CDE_RecordCount, static_cast<int16_t>(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(CDE_Records[i].Diagram17, cases[i].flag) << cases[i].type2 << "/" << cases[i].locn << "/" << cases[i].veh;
}

TEST_F(ReadCdeTest, EmptyFilesAndMissingColumnsLeaveNothing) {
    Clsn one;
    Read_CDE(Write("good.csv", Extract({one})));
    ASSERT_EQ(CDE_RecordCount, 1);

    struct Case {
        const char* text;
        const char* title;
        const char* says;
    } cases[] = {
        {"", "Read_CDE", "is empty."},
        {"\"ACCASE\",\"CLSNDATE\"\r\n", "Read_CDE", "is empty."},
        // the first missing one is named; later ones are not looked up
        {"ACCASE,CLSNDATE,SEGNUM,kmmark,NODE\r\n\"1\"\r\n", "FindCDEField",
         "Field KMMARK not found in Collision Data Extract file.    \r\n\r\nCollision diagram cannot be created."},
    };
    for (const auto& k : cases) {
        ui_->ExpectMsgBox(ui::vbOK, k.says);
        Read_CDE(Write("bad.csv", k.text));
        EXPECT_EQ(CDE_RecordCount, 0) << k.says;
        ASSERT_FALSE(ui_->shown.empty());
        EXPECT_EQ(ui_->shown.back().title, k.title);
    }
}

TEST_F(ReadCdeTest, HeadingOfMoreThan200FieldsUsesTheFirst200) {
    auto heading = [](int fillers, const std::string& tail) {
        std::string h = std::string(diagram_test::kDiagramHeading);
        for (int i = 0; i < fillers; ++i) h += ",F" + std::to_string(i);
        return h + tail + "\r\n";
    };
    Clsn r;
    // 15 + 185 = 200 fields: no box
    Read_CDE(Write("200.csv", heading(185, "") + r.Line() + "\r\n"));
    EXPECT_EQ(CDE_RecordCount, 1);
    EXPECT_TRUE(ui_->shown.empty());

    // 201 fields: the box names 201, and a column in place 201 is not found
    ui_->ExpectMsgBox(ui::vbOK, "201 fields found in file ");
    ui_->ExpectMsgBox(ui::vbOK, "Field ACCASE not found");
    std::string h = heading(185, "");
    h.replace(0, std::string("\"ACCASE\"").size(), "\"OTHER\"");
    h.insert(h.size() - 2, ",ACCASE");
    Read_CDE(Write("201.csv", h + r.Line() + "\r\n"));
    EXPECT_EQ(CDE_RecordCount, 0);
    EXPECT_NE(ui_->shown[0].prompt.find(".  Only the first 200 will be used."), std::string::npos);
}

TEST_F(ReadCdeTest, FirstOfTwoEqualColumnsIsUsed) {
    Clsn r;
    r.accase = "FIRST";
    Read_CDE(Write("dup.csv", std::string(diagram_test::kDiagramHeading) + ",\"ACCASE\"\r\n" + r.Line() +
                                  ",\"SECOND\"\r\n"));
    ASSERT_EQ(CDE_RecordCount, 1);
    EXPECT_EQ(CDE_Records[0].ACCASE, "FIRST");
}

TEST_F(ReadCdeTest, EmptyDateIsTheSmallest) {
    Clsn a, b;
    b.date = "";
    Read_CDE(Write("d.csv", Extract({a, b})));
    EXPECT_EQ(CDE_MinDate, "");
    EXPECT_EQ(CDE_MaxDate, "2020-01-01");
}

TEST_F(ReadCdeTest, TrailingBlankLinesAreNoRecords) {
    Clsn a;
    Read_CDE(Write("t.csv", Extract({a, a}) + "\r\n  \r\n"));
    EXPECT_EQ(CDE_RecordCount, 2);
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(ReadCdeTest, BadNumbersAndTooManyRecordsRejectTheExtractNamingTheLine) {
    Clsn good;
    Clsn bad_km = good;
    bad_km.km = "";
    Clsn huge_km = good;
    huge_km.km = "1e39";
    Clsn bad_veh = good;
    bad_veh.veh = "two";
    Clsn big_inj = good;
    big_inj.inj = "40000";
    struct Case {
        std::string text;
        const char* says;
    } cases[] = {
        {Extract({good, bad_km}), "Line 3: KMMARK \"\" is not a number."},
        {Extract({huge_km}), "Line 2: KMMARK \"1e39\" is not a number."},
        {Extract({good, good, bad_veh}), "Line 4: TOTALVEH \"two\" is not a number."},
        {Extract({big_inj}), "Line 2: TOTALINJ \"40000\" is not a number."},
        // a blank line inside the extract is a record without numbers
        {std::string(diagram_test::kDiagramHeading) + "\r\n\r\n" + good.Line() + "\r\n", "Line 2: KMMARK"},
        {Extract(std::vector<Clsn>(1001, good)), "more than 1000 collisions (line 1002 is one too many)"},
    };
    for (const auto& k : cases) {
        Read_CDE(Write("ok.csv", Extract({good})));
        ASSERT_EQ(CDE_RecordCount, 1);
        ui_->ExpectMsgBox(ui::vbOK, k.says);
        Read_CDE(Write("bad.csv", k.text));
        EXPECT_EQ(CDE_RecordCount, 0) << k.says;
        EXPECT_EQ(ui_->shown.back().title, "Read_CDE");
        EXPECT_NE(ui_->shown.back().prompt.find("Collision diagram cannot be created."), std::string::npos);
    }
    // exactly 1000 is fine
    Read_CDE(Write("1000.csv", Extract(std::vector<Clsn>(1000, good))));
    EXPECT_EQ(CDE_RecordCount, 1000);
}

TEST(LocationKeyTest, KeysAndLabels) {
    struct Case {
        const char* seg;
        float km;
        const char* node;
        const char* key;
        const char* label;
    } cases[] = {
        {"0123", 12.3f, "", "S01230123", "Seg  0123  12.3"},
        {"0123", 0.0f, "", "S01230000", "Seg  0123   0.0"},
        {"0123", 0.04f, "", "S01230000", "Seg  0123   0.0"},
        {"0123", 0.05f, "", "S01230001", "Seg  0123   0.1"},
        {"0123", 123.4f, "", "S01231234", "Seg  0123 123.4"},
        {"0123", 1234.5f, "", "S012312345", "Seg  0123 1234.5"},
        {"0123", 5.0f, "10002000", "N10002000", "Node 1000 2000"},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(MakeLocationKey(k.seg, k.km, k.node), k.key);
        EXPECT_EQ(LocationKeyLabel(k.key), k.label);
    }
}

// ---------------------------------------------------------------------------
// Classification

TEST(DiagramDirectionTest, DirectionByDiagramCode) {
    struct Case {
        int16_t diagram;
        const char* d1;
        const char* d2;
        const char* p1;
        const char* p2;
        bool plottable;
        int16_t direction;
    } cases[] = {
        {1, "N", "S", "", "", false, 0},   {1, "N", "N", "", "", true, 1},   {1, "N", "", "", "", true, 1},
        {16, "", "W", "", "", true, 4},    {6, "", "", "", "", false, 0},    {2, "S", "N", "", "", true, 1},
        {2, "W", "", "", "", true, 3},     {2, "N", "N", "", "", false, 0},  {3, "", "S", "", "", true, 1},
        {5, "W", "S", "", "", true, 4},    {5, "N", "S", "", "", false, 0},  {5, "N", "W", "", "", true, 1},
        {5, "E", "N", "", "", true, 3},    {5, "S", "E", "", "", true, 2},   {9, "N", "E", "03", "01", true, 3},
        {9, "N", "E", "01", "01", true, 1}, {9, "N", "E", "", "", false, 0}, {9, "", "E", "01", "01", true, 3},
        {4, "", "S", "", "", false, 0},    {14, "E", "", "", "", true, 3},   {17, "", "", "", "", true, 0},
        {17, "W", "", "", "", true, 4},    {0, "N", "", "", "", false, 0},   {18, "N", "", "", "", false, 0},
        // a text that occurs in "NSEW" counts by its place; anything else is none
        {4, "SE", "", "", "", true, 2},    {4, "n", "", "", "", false, 0},
    };
    for (const auto& k : cases) {
        int16_t direction = -1;
        EXPECT_EQ(DiagramDirection(k.d1, k.d2, k.diagram, k.p1, k.p2, direction), k.plottable)
            << k.diagram << " " << k.d1 << "/" << k.d2;
        if (k.plottable) {
            EXPECT_EQ(direction, k.direction) << k.diagram << " " << k.d1 << "/" << k.d2;
        }
    }
}

TEST(DiagramDirectionTest, VehicleCountFitsDiagram) {
    struct Case {
        int16_t veh, diagram;
        bool fits;
    } cases[] = {{1, 4, true}, {3, 17, true}, {1, 14, true}, {2, 14, false}, {1, 15, true},
                 {1, 3, false}, {2, 3, true}, {0, 1, false}};
    for (const auto& k : cases) EXPECT_EQ(VehCountFitsDiagram(k.veh, k.diagram), k.fits) << k.veh << " " << k.diagram;
}

class CountDiagramTest : public diagram_test::DiagramTest {
protected:
    int16_t plotted = -1, unplottable = -1;
    void Count(const std::vector<std::string>& keys) {
        std::vector<std::string> selected{""};
        selected.insert(selected.end(), keys.begin(), keys.end());
        CountDiagramCollisions("x.csv", selected, plotted, unplottable);
    }
};

TEST_F(CountDiagramTest, CountsBySeverityDirectionAndCode) {
    Clsn fatal;  // diagram 1 northbound
    fatal.kld = "1";
    fatal.inj = "3";
    fatal.dir2 = "";
    Clsn injury = fatal;
    injury.kld = "0";
    Clsn pdo = injury;
    pdo.inj = "0";
    Clsn off_road;  // single vehicle, first off the road: diagram 17, no direction
    off_road.veh = "1";
    off_road.type2 = "5";
    off_road.locn = "Y";
    off_road.diagram = "4";
    off_road.dir1 = "";
    Clsn flagged_one = off_road;  // flagged, but its own code wants two vehicles
    flagged_one.diagram = "1";
    Clsn elsewhere = pdo;
    elsewhere.km = "50";
    Read_CDE(Write("c.csv", Extract({fatal, injury, pdo, off_road, flagged_one, elsewhere, pdo})));
    ASSERT_EQ(CDE_RecordCount, 7);

    Count({});
    EXPECT_EQ(plotted, 6);
    EXPECT_EQ(unplottable, 1);
    EXPECT_EQ(DiagramCounts[1][1][1], 1);
    EXPECT_EQ(DiagramCounts[2][1][1], 1);
    EXPECT_EQ(DiagramCounts[3][1][1], 3);
    EXPECT_EQ(DiagramCounts[3][0][17], 1);
    EXPECT_EQ(DiagramCounts[3][0][4], 0);
    const int16_t statuses[] = {1, 1, 1, 1, 2, 1, 1};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(CDE_Records[static_cast<size_t>(i)].PlotStatus, statuses[i]) << i;

    // one location whose records are not one run: all of them count
    Count({"S01230123"});
    EXPECT_EQ(plotted, 5);
    EXPECT_EQ(unplottable, 1);
    EXPECT_EQ(DiagramCounts[3][1][1], 2);
    EXPECT_EQ(CDE_Records[5].PlotStatus, 0);
    EXPECT_EQ(CDE_Records[6].PlotStatus, 1);

    // the same key twice still counts each collision once
    Count({"S01230123", "S01230123"});
    EXPECT_EQ(plotted, 5);
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(CountDiagramTest, NothingPlottableSaysWhy) {
    Clsn none;  // opposite directions on diagram 1
    Read_CDE(Write("n.csv", Extract({none, none})));
    ui_->ExpectMsgBox(ui::vbOK,
                      "2 collisions were found at selected locations\r\nin file x.csv\r\nbut none were plottable.\r\n"
                      "(I.e. they all had either a null direction, or null diagram code.)");
    Count({});
    EXPECT_EQ(plotted, 0);
    EXPECT_EQ(unplottable, 2);
    ui_->ExpectMsgBox(ui::vbOK, "No collisions were found at any of the selected location(s)\r\nin file x.csv");
    Count({"N999"});
    EXPECT_EQ(unplottable, 0);
    for (const auto& b : ui_->shown) EXPECT_EQ(b.title, "No diagram produced.");
}

}  // namespace
