#include "inventory/HMZ_Database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/inventory/inventory_fixture.h"
#include "tools/jet_writer.h"

namespace {

namespace fs = std::filesystem;
using invdb::InventoryTest;
using invdb::kInventoryScript;

const std::string CRLF = "\r\n";

// ------------------------------------------------------------------ opening

class OpenTest : public InventoryTest {
protected:
    std::string put(const std::string& folder, const std::string& name) {
        return write_mdb(folder + name, "CREATE TABLE Segment (Segment TEXT(4)); INSERT INTO Segment VALUES ('" +
                                            name.substr(0, 4) + "');");
    }
};

TEST_F(OpenTest, AVersionInTheProgramFolderOpensWithoutAskingAndTheGreaterNameWins) {
    put(app(), "HMZ_Data_201807.mdb");
    const std::string reissue = put(app(), "HMZ_Data_201807_r2.mdb");
    put(app(), "HMZ_Data_201901.mdb");
    put(data(), "HMZ_Data_201807_r9.mdb");
    trace_on();
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    EXPECT_TRUE(ui_->shown.empty());
    EXPECT_EQ(hmz_DBfilename, reissue);
    EXPECT_EQ(hmz_DB.path(), reissue);
    // The version is the text after the file name's last underscore.
    EXPECT_EQ(hmz_version_open, "r2");
    EXPECT_EQ(trace_, (std::vector<std::string>{
                          "HMZ D: fn: HMZ_Data_201807_r2.mdb",
                          "HMZ E: ffn: " + reissue,
                          "HMZ F: ffn Exists",
                          "HMZ O: hmz_DBfilename: " + reissue,
                          "HMZ P: hmz_version_open: r2",
                      }));
}

TEST_F(OpenTest, AVersionNotInTheProgramFolderIsTakenFromTheDataFolder) {
    const std::string f = put(data(), "HMZ_Data_201807.mdb");
    trace_on();
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    EXPECT_TRUE(ui_->shown.empty());
    EXPECT_EQ(hmz_version_open, "201807");
    EXPECT_EQ(trace_, (std::vector<std::string>{
                          "HMZ D: fn: ",
                          "HMZ E: ffn: ",
                          "HMZ G: ffn: ",
                          "HMZ H: fspec: " + data() + "HMZ_Data_201807*.mdb",
                          "HMZ I: fn: HMZ_Data_201807.mdb",
                          "HMZ J: ffn: " + f,
                          "HMZ O: hmz_DBfilename: " + f,
                          "HMZ P: hmz_version_open: 201807",
                      }));
}

TEST_F(OpenTest, AVersionFoundNowhereIsAskedForUntilItExistsOrTheUserGivesUp) {
    const std::string elsewhere = put(dir_.file("") , "HMZ_Data_201901_copy.mdb");
    trace_on();
    ui_->ExpectInput(dir_.file("nothing.mdb"), "Enter full HMZ_Data file name");
    ui_->ExpectInput(elsewhere, "Enter full HMZ_Data file name");
    ASSERT_TRUE(HMZ_Open_Database("201901"));
    EXPECT_EQ(hmz_version_open, "copy");
    ASSERT_EQ(ui_->shown.size(), 2u);
    EXPECT_EQ(ui_->shown[0].title, "Can't find HMZ");
    EXPECT_EQ(trace_[5], "HMZ K: ffn: " + dir_.file("nothing.mdb"));

    // Cancel: no database, no message.
    ui_->ExpectInput("", "Enter full HMZ_Data file name");
    EXPECT_FALSE(HMZ_Open_Database("201902"));
    EXPECT_FALSE(hmz_DB.is_open());
    EXPECT_EQ(hmz_version_open, "");
    EXPECT_EQ(ui_->shown.size(), 3u);
}

TEST_F(OpenTest, WithoutAVersionTheNewestFileIsProposedForConfirmation) {
    struct Case {
        std::vector<std::pair<bool, std::string>> files;  // in the program folder?, name
        std::string proposed;                             // relative to the test folder
    } cases[] = {
        {{{true, "HMZ_Data_201807.mdb"}, {true, "HMZ_Data_201901.mdb"}, {false, "HMZ_Data_202001.mdb"}},
         "app/HMZ_Data_201901.mdb"},
        {{{false, "HMZ_Data_201807.mdb"}, {false, "HMZ_Data_202001.mdb"}}, "data/HMZ_Data_202001.mdb"},
        {{}, "data/"},  // nothing matched: the folder alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proposed);
        for (const auto& e : fs::directory_iterator(dir_.path() / "app")) fs::remove(e.path());
        for (const auto& e : fs::directory_iterator(dir_.path() / "data")) fs::remove(e.path());
        for (const auto& [in_app, name] : c.files) put(in_app ? app() : data(), name);
        trace_.clear();
        trace_on();
        ui_->ExpectInput("", "Confirm full HMZ_Data file name");
        EXPECT_FALSE(HMZ_Open_Database());
        ASSERT_FALSE(ui_->shown.empty());
        EXPECT_EQ(ui_->shown.back().title, "HMZ database");
        EXPECT_NE(std::find(trace_.begin(), trace_.end(), "HMZ L: ffn: " + dir_.file(c.proposed)), trace_.end());
    }
}

TEST_F(OpenTest, AConfirmedFolderIsNoFileAndIsAskedForAgain) {
    const std::string f = put(dir_.file(""), "HMZ_Data_201807.mdb");
    ui_->ExpectInput(data(), "Confirm full HMZ_Data file name");
    ui_->ExpectInput(f, "Enter full HMZ_Data file name");
    ASSERT_TRUE(HMZ_Open_Database());
    EXPECT_EQ(hmz_DBfilename, f);
    EXPECT_EQ(ui_->shown[1].title, "Can't find HMZ");
}

TEST_F(OpenTest, AVersionThatWouldMakeAnotherPatternIsRefused) {
    put(app(), "HMZ_Data_201807.mdb");
    for (const std::string v : {"2018*", "20180?", "../201807", "*"}) {
        SCOPED_TRACE(v);
        ui_->ExpectMsgBox(ui::vbOK, "Invalid HMZ version: " + v);
        EXPECT_FALSE(HMZ_Open_Database(v));
        EXPECT_EQ(ui_->shown.back().title, "HMZ_Open_Database");
        EXPECT_FALSE(hmz_DB.is_open());
    }
}

TEST_F(OpenTest, AFileTheEngineCannotOpenIsReportedWithItsNameAndCause) {
    const std::string bad = app() + "HMZ_Data_201807.mdb";
    testfiles::write_text(bad, "this is not a database\n");
    put(app(), "HMZ_Data_201712.mdb");
    ASSERT_TRUE(HMZ_Open_Database("201712"));
    ui_->ExpectMsgBox(ui::vbOK, "Error 3343 attempting to open database " + bad + CRLF + CRLF);
    EXPECT_FALSE(HMZ_Open_Database("201807"));
    EXPECT_EQ(ui_->shown.back().title, "Database open error");
    // The previous database was closed first; the chosen file is remembered.
    EXPECT_FALSE(hmz_DB.is_open());
    EXPECT_EQ(hmz_DBfilename, bad);
    EXPECT_EQ(hmz_version_open, "");
}

TEST_F(OpenTest, OpeningAnotherVersionClosesTheFirstAndClosingTwiceDoesNothing) {
    const std::string a = put(app(), "HMZ_Data_201712.mdb");
    const std::string b = put(app(), "HMZ_Data_201807.mdb");
    ASSERT_TRUE(HMZ_Open_Database("201712"));
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    EXPECT_EQ(hmz_DB.path(), b);
    // The first file is free again: an exclusive open of it succeeds.
    EXPECT_NO_THROW(db::Database::open(a, db::OpenMode::Exclusive));
    HMZ_Close_Database();
    EXPECT_FALSE(hmz_DB.is_open());
    EXPECT_EQ(hmz_DBfilename, "");
    HMZ_Close_Database();
    EXPECT_FALSE(hmz_DB.is_open());
}

TEST_F(OpenTest, AMissingDataFolderIsTracedAsAWarning) {
    const std::string gone = dir_.file("gone") + "/";
    set_data_folder(gone);
    put(app(), "HMZ_Data_201807.mdb");
    trace_on();
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    ASSERT_FALSE(trace_.empty());
    EXPECT_EQ(trace_[0], "Warning: HMZ folder: " + CRLF + gone + CRLF + "not found.");
}

TEST_F(OpenTest, NoTraceLinesWithoutATraceLog) {
    put(app(), "HMZ_Data_201807.mdb");
    tessawin::SetTraceWriter([this](const std::string& line) { trace_.push_back(line); });
    Trace_FileNo = 0;
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    EXPECT_TRUE(trace_.empty());
}

// ------------------------------------------------------------------ lookups

class LookupTest : public InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        write_mdb(app() + "HMZ_Data_201807.mdb", kInventoryScript);
        ASSERT_TRUE(HMZ_Open_Database("201807"));
    }
};

TEST_F(LookupTest, TheColumnsLookupsFilterOnAreIndexed) {
    db::Recordset rs = hmz_DB.open_recordset("SELECT tbl_name, sql FROM sqlite_master WHERE type = 'index'");
    std::set<std::string> indexed;
    for (; !rs.eof(); rs.move_next()) indexed.insert(rs.field(1).as_text());
    for (const char* want : {"\"SegArea\" (\"Segment\")", "\"SegClass\" (\"Segment\")", "\"Segment\" (\"Segment\")",
                             "\"Segment\" (\"Begin_Node\")", "\"Segment\" (\"End_Node\")",
                             "\"Landmark\" (\"Segment\", \"LMtype\")", "\"Intersection\" (\"ID\")",
                             "\"Landmark-Intersection\" (\"Landmark_ID\")"}) {
        bool found = false;
        for (const auto& sql : indexed) found = found || sql.find(want) != std::string::npos;
        EXPECT_TRUE(found) << want;
    }
}

TEST_F(LookupTest, RegDistAreaOfTheRowHoldingTheKm) {
    struct Case {
        std::string seg;
        float km;
        std::set<int> areas;  // any of these; {0} for none
        int district, region;
    } cases[] = {
        {"0010", 2.0f, {111}, 11, 1},
        {"0010", 0.0f, {111}, 11, 1},
        {"0010", 4.7f, {111, 112}, 11, 1},  // where two ranges touch either may answer
        {"0010", 12.34f, {112}, 11, 1},
        {"0010", 12.344f, {112}, 11, 1},    // the km is taken to two decimals
        {"0020", 0.7f, {121}, 12, 1},       // the segment's end, a Single below 0.7
        {"0020", 0.71f, {0}, 0, 0},
        {"0030", 1.0f, {0}, 0, 0},          // area not in the Area table
        {"9999", 1.0f, {0}, 0, 0},
        {"0005", 3.5f, {211}, 21, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seg + " " + std::to_string(c.km));
        int16_t r = -1, d = -1, a = -1;
        HMZ_Get_RegDistArea(c.seg, c.km, r, d, a);
        EXPECT_TRUE(c.areas.count(a)) << a;
        EXPECT_EQ(d, c.district);
        EXPECT_EQ(r, c.region);
    }
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(LookupTest, SegClassPlacesEachCategoryAtItsPosition) {
    struct Case {
        std::string seg;
        float km;
        std::string date, expected;
    } cases[] = {
        {"0010", 1.0f, "2015-06-01", " U  D "},
        {"0010", 1.0f, "2005-06-01", " U  X "},  // same category: the later row wins
        {"0010", 4.7f, "2020-06-01", "RU    "},  // Start_Km included, End_Km not
        {"0010", 4.7f, "2020-12-31", "RU    "},  // both date ends included
        {"0010", 4.7f, "2021-01-01", " U    "},
        {"0010", 4.7f, "2020/01/01", "RU    "},
        {"0010", 12.34f, "2015-06-01", ""},      // no row: "", not six blanks
        {"0020", 0.0f, "2015-06-01", "  A   "},
        {"0020", 0.7f, "2015-06-01", ""},
        {"0040", 1.0f, "2015-06-01", ""},        // category 7
        {"0050", 1.0f, "2015-06-01", ""},        // no category
        {"9999", 1.0f, "2015-06-01", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seg + " " + std::to_string(c.km) + " " + c.date);
        EXPECT_EQ(HMZ_Get_SegClass(c.seg, c.km, c.date), c.expected);
    }
    using namespace std::chrono;
    EXPECT_EQ(HMZ_Get_SegClass("0010", 1.0f, year{2015} / June / 1), " U  D ");
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(LookupTest, NodeEndsAreOrderedBySegmentWithTheirKms) {
    HMZ_Load_Node("N2");
    ASSERT_EQ(HMZ_Node.count, 4);
    EXPECT_EQ(HMZ_Node.Node, "N2");
    const std::vector<std::string> segs{"", "0005", "0010", "0020", "0030"};
    const std::vector<std::string> ends{"", "E", "E", "B", "B"};
    const std::vector<std::string> kms{"", "3.5", "12.34", "0", "0"};
    const std::vector<int16_t> nway{0, 4, 2, 1, 0};  // a Null nway reads as 0
    EXPECT_EQ(HMZ_Node.Segment, segs);
    EXPECT_EQ(HMZ_Node.BegEnd, ends);
    EXPECT_EQ(HMZ_Node.Km, kms);
    EXPECT_EQ(HMZ_Node.Nway, nway);
    // The first end's landmark, skipping the one without coordinates.
    EXPECT_DOUBLE_EQ(HMZ_Node.Latitude, 50.5);
    EXPECT_DOUBLE_EQ(HMZ_Node.Longitude, -120.25);

    HMZ_Load_Node("n1");  // node names compare without regard to case
    ASSERT_EQ(HMZ_Node.count, 1);
    EXPECT_EQ(HMZ_Node.Segment[1], "0010");
    EXPECT_EQ(HMZ_Node.Km[1], "0");
    EXPECT_DOUBLE_EQ(HMZ_Node.Latitude, 50.1);

    HMZ_Load_Node("N9");  // none: the rest keeps the last load
    EXPECT_EQ(HMZ_Node.count, 0);
    EXPECT_EQ(HMZ_Node.Node, "N9");
    EXPECT_EQ(HMZ_Node.Segment[1], "0010");
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(LookupTest, NodeSegResultSetOfEveryNode) {
    db::Recordset rs;
    int32_t count = 0;
    hmz_NodeSeg_Recordset("", rs, count);
    ASSERT_EQ(count, 8);
    EXPECT_EQ(rs.absolute_position(), 0);
    // The end without a node comes first, as Null sorts first.
    EXPECT_TRUE(rs["Node"].is_null());
    EXPECT_EQ(rs["Segment"].as_text(), "0030");
    EXPECT_EQ(rs["BegEnd"].as_text(), "E");
    rs.move_next();
    EXPECT_EQ(rs["Node"].as_text(), "N1");
    for (const char* f : {"Node", "Segment", "BegEnd", "Cont", "nway", "LENGTH"}) EXPECT_TRUE(rs.has_field(f)) << f;
}

TEST_F(LookupTest, SegRegDistAreaResultSetOrderedBySegmentAndStartKm) {
    db::Recordset rs;
    int32_t count = 0;
    hmz_SegRegDistArea_Recordset("0010", rs, count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(rs["Area"].as_long(), 111);
    EXPECT_EQ(rs["Area_Name"].as_text(), "Alder");
    EXPECT_EQ(rs["Region"].as_long(), 1);
    rs.move_next();
    EXPECT_EQ(rs["Area"].as_long(), 112);
    EXPECT_FLOAT_EQ(rs["Start_Km"].as_single(), 4.7f);

    hmz_SegRegDistArea_Recordset("", rs, count);
    EXPECT_EQ(count, 4);  // "0030" has no area in the Area table
    EXPECT_EQ(rs["Segment"].as_text(), "0005");
    hmz_SegRegDistArea_Recordset("9999", rs, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(LookupTest, IntersectionDescriptionAndLandmarkCoordinates) {
    struct Case {
        int32_t id;
        std::string desc;
        double lat, lon;
    } cases[] = {
        {100, "Main St at Hwy 1 in Alderton", 50.1, -121.0},
        {101, "Main St at Hwy 1 and Oak Rd in Alderton", 50.2, -121.1},
        {102, "Elm at  in ", 0, 0},           // Null roads and place read as ""
        {103, "Pine at Fir in Cedarvale", 0, 0},  // its landmark has no coordinates
        {999, "Intersection ID 999 not found.", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        std::string d;
        double lat = -1, lon = -1;
        hmz_Get_Int_Desc_LatLon(c.id, d, lat, lon);
        EXPECT_EQ(d, c.desc);
        EXPECT_DOUBLE_EQ(lat, c.lat);
        EXPECT_DOUBLE_EQ(lon, c.lon);
    }
    EXPECT_TRUE(ui_->shown.empty());
}

TEST_F(LookupTest, IntersectionsNeedAnOpenDatabaseOf201807OrLater) {
    std::string d;
    double lat = 1, lon = 1;
    write_mdb(app() + "HMZ_Data_201712.mdb", kInventoryScript);
    ASSERT_TRUE(HMZ_Open_Database("201712"));
    ui_->ExpectMsgBox(ui::vbOK, "Routine requires HMZ version 201807 or later.");
    hmz_Get_Int_Desc_LatLon(100, d, lat, lon);
    EXPECT_EQ(d, "hmz_Get_Int_Desc_LatLon failed");
    EXPECT_EQ(lat, 0);

    ui_->ExpectInput("", "Enter full HMZ_Data file name");
    ui_->ExpectMsgBox(ui::vbOK, "No HMZ database open.");
    EXPECT_FALSE(HMZ_Open_Database("209901"));
    hmz_Get_Int_Desc_LatLon(100, d, lat, lon);
    EXPECT_EQ(d, "hmz_Get_Int_Desc_LatLon failed");
    EXPECT_EQ(ui_->shown.back().title, "hmz_Get_Int_Desc_LatLon");
}

TEST_F(LookupTest, HighwayNodeNameAndLength) {
    EXPECT_EQ(HMZ_Get_Highway("0010"), "1");
    EXPECT_EQ(HMZ_Get_Highway("0020"), "1A");
    EXPECT_EQ(HMZ_Get_Highway("0005"), "97C");
    EXPECT_EQ(HMZ_Get_Highway("0030"), "");
    EXPECT_EQ(HMZ_Get_Highway("9999"), "");

    struct Case {
        std::string seg;
        float km;
        int16_t ndp;
        std::string node;
    } cases[] = {
        {"0010", 0.0f, 2, "N1"},   {"0010", 12.34f, 2, "N2"}, {"0010", 12.335f, 2, "N2"},
        {"0010", 12.3f, 1, "N2"},  // the length rounds to 12.3
        {"0010", 12.3f, 2, ""},    {"0010", 5.0f, 2, ""},     {"0030", 5.0f, 2, ""},  // no end node
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seg + " " + std::to_string(c.km) + " " + std::to_string(c.ndp));
        EXPECT_EQ(GetNodeName(c.seg, c.km, c.ndp), c.node);
    }
    ui_->ExpectMsgBox(ui::vbOK, "Segment 9999 not found in Segment table");
    EXPECT_EQ(GetNodeName("9999", 0.0f, 2), "");
    EXPECT_EQ(ui_->shown.back().title, "GetNodeName");

    EXPECT_FLOAT_EQ(HMZ_Get_SegLength("0020"), 0.7f);
    EXPECT_FLOAT_EQ(HMZ_Get_SegLength("0010"), 12.34f);
    EXPECT_FLOAT_EQ(HMZ_Get_SegLength("9999"), -1.0f);
}

// ------------------------------------------------------------------ database errors

TEST_F(InventoryTest, ALookupInAFileWithoutItsTableSaysSoOnceAndGivesNone) {
    const std::string f = write_mdb(app() + "HMZ_Data_201807.mdb", "CREATE TABLE Other (X LONG);");
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    ui_->ExpectMsgBox(ui::vbOK, "running sql: SELECT SegArea.Segment");
    ui_->ExpectMsgBox(ui::vbOK, "Database: " + f);
    ui_->ExpectMsgBox(ui::vbOK, "Database: " + f);
    ui_->ExpectMsgBox(ui::vbOK, "Database: " + f);
    for (int i = 0; i < 3; ++i) {
        int16_t r = 9, d = 9, a = 9;
        HMZ_Get_RegDistArea("0010", 1.0f, r, d, a);
        EXPECT_EQ(r + d + a, 0);
        EXPECT_EQ(HMZ_Get_SegLength("0010"), -1.0f);
        EXPECT_EQ(HMZ_Get_Highway("0010"), "");
        EXPECT_EQ(GetNodeName("0010", 0.0f, 1), "");
    }
    EXPECT_EQ(boxes().size(), 4u);
    EXPECT_EQ(ui_->shown[0].title, "HMZ_Get_RegDistArea");

    // Opening again shows the fault again.
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    ui_->ExpectMsgBox(ui::vbOK, "Database: " + f);
    EXPECT_EQ(HMZ_Get_SegClass("0010", 1.0f, "2015-01-01"), "");
    EXPECT_EQ(HMZ_Get_SegClass("0010", 1.0f, "2015-01-01"), "");
    EXPECT_EQ(ui_->shown.back().title, "HMZ_Get_SegClass");
}

TEST_F(InventoryTest, ResultSetsReportAFailedQueryWithCountMinusOne) {
    const std::string f = write_mdb(app() + "HMZ_Data_201807.mdb", "CREATE TABLE Other (X LONG);");
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    db::Recordset rs;
    int32_t count = 0;
    ui_->ExpectMsgBox(ui::vbOK, "running sql: SELECT * FROM(SELECT Begin_Node AS Node");
    hmz_NodeSeg_Recordset("N1", rs, count);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(ui_->shown.back().title, "hmz_NodeSeg_Recordset");
    EXPECT_NE(ui_->shown.back().prompt.find("Error 3078: "), std::string::npos) << ui_->shown.back().prompt;

    ui_->ExpectMsgBox(ui::vbOK, "Database: " + f);
    hmz_SegRegDistArea_Recordset("", rs, count);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(ui_->shown.back().title, "hmz_SegRegDistArea_Recordset");

    ui_->ExpectMsgBox(ui::vbOK, "running sql: SELECT * FROM(SELECT Begin_Node");
    HMZ_Load_Node("N1");
    EXPECT_EQ(HMZ_Node.count, -1);
}

TEST_F(InventoryTest, LookupsWithNoDatabaseOpenSayItOnceAndGiveNone) {
    ui_->ExpectMsgBox(ui::vbOK, "No HMZ database open.");
    EXPECT_EQ(HMZ_Get_SegLength("0010"), -1.0f);
    EXPECT_EQ(HMZ_Get_SegLength("0010"), -1.0f);
    EXPECT_EQ(ui_->shown.back().title, "HMZ_Get_SegLength");
    ui_->ExpectMsgBox(ui::vbOK, "No HMZ database open.");
    EXPECT_EQ(GetNodeName("0010", 0.0f, 2), "");
}

// ------------------------------------------------------------------ files as Access leaves them

// A Segment table Access has edited: rows deleted (their data left in place,
// or their slot emptied), a row moved to another page, and a column added
// after the first rows were written.
TEST_F(InventoryTest, AnEditedFileAnswersFromItsLiveRowsOnly) {
    const std::string f = app() + "HMZ_Data_201807.mdb";
    {
        jet::Writer w(f);
        const int seg = w.add_table("Segment", {{"Segment", jet::Type::Text, 4},
                                                {"Length", jet::Type::Single},
                                                {"Begin_Node", jet::Type::Text, 8},
                                                {"End_Node", jet::Type::Text, 8},
                                                {"Highway_Number", jet::Type::Integer}});
        w.add_row(seg, {std::string("0010"), 99.0, std::string("X1"), std::string("X2"), std::int64_t{7}},
                  jet::RowForm::Deleted);
        w.add_row(seg, {std::string("0020"), 55.0, std::string("X3"), std::string("X4"), std::int64_t{7}},
                  jet::RowForm::DeletedAtPageEnd);
        w.add_row(seg, {std::string("0010"), 12.34, std::string("N1"), std::string("N2"), std::int64_t{1}},
                  jet::RowForm::Moved);
        w.add_row(seg, {std::string("0030"), 44.0, std::string("X5"), std::string("X6"), std::int64_t{7}},
                  jet::RowForm::MovedThenDeleted);
        w.insert_column(seg, 5, {"Highway_Letter", jet::Type::Text, 1});
        w.new_page(seg);
        w.add_row(seg, {std::string("0020"), 0.7, std::string("N2"), std::string("N3"), std::int64_t{1},
                        std::string("A")});
        w.add_row(seg, {std::string("0040"), 1.5, std::string("N3"), std::string("N4"), std::int64_t{3},
                        std::string("B")},
                  jet::RowForm::DeletedEmptied);
        w.finish();
    }
    ASSERT_TRUE(HMZ_Open_Database("201807"));
    EXPECT_FLOAT_EQ(HMZ_Get_SegLength("0010"), 12.34f);
    EXPECT_FLOAT_EQ(HMZ_Get_SegLength("0020"), 0.7f);
    EXPECT_FLOAT_EQ(HMZ_Get_SegLength("0030"), -1.0f);
    EXPECT_FLOAT_EQ(HMZ_Get_SegLength("0040"), -1.0f);
    EXPECT_EQ(HMZ_Get_Highway("0010"), "1");  // written before the letter column existed
    EXPECT_EQ(HMZ_Get_Highway("0020"), "1A");
    EXPECT_EQ(GetNodeName("0010", 12.34f, 2), "N2");
    EXPECT_TRUE(ui_->shown.empty());
}

}  // namespace
