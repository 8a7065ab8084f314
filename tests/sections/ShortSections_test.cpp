// The breaking rules of the short-sections run on a small inventory of one
// version: the intersection areas, the cuts by landmark type, length, class
// and area, and the output file's columns.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/TessawinMod.h"
#include "inventory/HMZ_Database.h"
#include "platform/db/db.h"
#include "sections/SS_Psec_Sources.h"
#include "sections/vol_Database.h"
#include "sections/SS_SegmentCache.h"
#include "sections/ShortSections.h"
#include "sections/SS_State.h"
#include "tests/support/headless.h"
#include "tests/tools/test_files.h"
#include "tools/jet_script.h"

namespace {

namespace fs = std::filesystem;
namespace S = ShortSections;

const char* const kInventory = R"(
CREATE TABLE Segment (Segment TEXT(4), Length SINGLE, Begin_Node TEXT(10), End_Node TEXT(10),
  Highway_Number SHORT, Highway_Letter TEXT(1), Search_Sequence LONG, Description TEXT(100));
CREATE TABLE SegArea (Segment TEXT(4), Start_Km SINGLE, End_km SINGLE, Area SHORT);
CREATE TABLE Area (Area SHORT, District SHORT, Name TEXT(50));
CREATE TABLE District (District SHORT, Region SHORT, Name TEXT(50));
CREATE TABLE SegClass (Segment TEXT(4), Cat_Number SHORT, Char_Code TEXT(1), From_Date DATETIME, To_Date DATETIME,
  Start_Km SINGLE, End_Km SINGLE);
CREATE TABLE Landmark (ID LONG, Segment TEXT(4), Km SINGLE, LMnum SHORT, LMtype TEXT(2), Side TEXT(1),
  Description TEXT(100));
CREATE TABLE [Landmark-Intersection] (Landmark_ID LONG, Intersection_ID LONG, Legs SHORT);
CREATE TABLE Intersection (ID LONG);
INSERT INTO Area VALUES (11, 1, 'A'), (12, 1, 'B'), (21, 2, 'C');
INSERT INTO District VALUES (1, 1, 'D1'), (2, 1, 'D2');
-- 0002: landmarks one hectometre apart
INSERT INTO Landmark VALUES (201, '0002', 5.0, 1, 'A1', 'B', 'First Rd'), (202, '0002', 5.1, 2, 'A1', 'B', 'Second Rd');
-- 0003: areas 10..14 and 19..23
INSERT INTO Landmark VALUES (301, '0003', 1.2, 1, 'A1', 'B', 'One'), (302, '0003', 2.1, 2, 'A2', 'L', 'Two');
-- 0004: two landmarks at one place, no intersection
INSERT INTO Landmark VALUES (401, '0004', 3.0, 1, 'A1', 'L', 'West Rd'), (402, '0004', 3.0, 2, 'A2', 'R', 'East Rd');
-- 0005: a landmark before the section start; 0006: one near its end
INSERT INTO Landmark VALUES (501, '0005', 0.8, 1, 'A1', 'B', 'Before');
INSERT INTO Landmark VALUES (601, '0006', 9.7, 1, 'A1', 'B', 'Near End');
-- 0010: intersections of the inventory, one landmark in two of them
INSERT INTO Landmark VALUES (1001, '0010', 2.0, 1, 'A1', 'B', 'Mill Rd'), (1002, '0010', 6.0, 2, 'A1', 'B', 'Ross Rd');
INSERT INTO [Landmark-Intersection] VALUES (1001, 5001, 4), (1002, 5002, 4), (1002, 5003, 3);
INSERT INTO Intersection VALUES (5001), (5002), (5003);
-- 0007: 12.36 km in two areas of one district
INSERT INTO Segment VALUES ('0007', 12.36, '1', '2', 7, NULL, 1, 'Seven');
INSERT INTO SegArea VALUES ('0007', 0, 5.0, 11), ('0007', 5.0, 12.36, 12);
-- 0008: class changes at hm 100 and 101, one in the past, one not listed
INSERT INTO SegClass VALUES ('0008', 2, 'R', #1990-01-01#, #2050-01-01#, 0, 10.0),
  ('0008', 2, 'M', #1990-01-01#, #2050-01-01#, 10.0, 10.1), ('0008', 2, 'R', #1990-01-01#, #2050-01-01#, 10.1, 30),
  ('0008', 4, '4', #1990-01-01#, #2000-01-01#, 20.0, 30), ('0008', 1, 'A', #1990-01-01#, #2050-01-01#, 25.0, 30);
-- 0009: break landmarks of two types
INSERT INTO Landmark VALUES (901, '0009', 6.0, 1, 'A5', 'B', 'Bridge "Old" Rd'), (902, '0009', 8.0, 2, 'B3', 'B', 'Creek');
)";

class Breaking : public testsupport::HeadlessTest {
protected:
    static void SetUpTestSuite() {
        dir_ = new testfiles::TempDir();
        ::setenv("XDG_CACHE_HOME", dir_->file("cache").c_str(), 1);
        std::istringstream in(kInventory);
        jet::write_script(in, dir_->file("HMZ_Data_201807.mdb"));
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        HeadlessTest::SetUp();
        hmz_DB = db::Database::open(dir_->file("HMZ_Data_201807.mdb"), db::OpenMode::Exclusive);
        hmz_DBfilename = dir_->file("HMZ_Data_201807.mdb");
        hmz_version_open = "201807";
        S::HMZversion = "201807";
        Reset_SS_Arrays();
        S::IntLmkTypes = {"", "A1", "A2", "A3", "A5", "A8"};
        S::IntLmkTypeCount = 5;
        S::Radius = 2;
        S::MinInterIsecLen = 2;
        S::IntNIDoffset = 20000;
        S::IntSIDprefix = "INT_";
        S::SecSIDprefix = "SEC_";
        S::SecNIDoffset = 0;
        S::MinLen_hm = 10;
        S::MaxLen_hm = 100;
        S::BreakAtLmkTypes = false;
        S::BreakAtHwyClass = false;
        S::BreakAtADR = false;
        S::ADRLevel = "Area";
        S::IncludeADT = S::IncludeLatLons = S::Extend50m = false;
        S::PsecKind = "HMZ_Segment";
    }
    void TearDown() override {
        hmz_DB.close();
        hmz_DBfilename.clear();
        hmz_version_open.clear();
        sscache::Clear();
        HeadlessTest::TearDown();
    }
    static void Primary(const std::string& seg, int16_t hm1, int16_t hm2) {
        S::CurPsecRec = PsecRec{seg, "7", seg, hm1, "", seg, hm2, ""};
        S::SecCounter = 0;
    }
    struct Rec {
        int hm1, hm2, type;
    };
    static std::vector<Rec> Records() {
        std::vector<Rec> out;
        for (int32_t i = 1; i <= S::SSCount; ++i) out.push_back({S::SS[i].hm1, S::SS[i].hm2, S::SS[i].EndBreakType});
        return out;
    }
    static std::string Show(const std::vector<Rec>& v) {
        std::string s;
        for (const Rec& r : v)
            s += std::to_string(r.hm1) + ".." + std::to_string(r.hm2) + "(" + std::to_string(r.type) + ") ";
        return s;
    }
    static testfiles::TempDir* dir_;
};
testfiles::TempDir* Breaking::dir_ = nullptr;

TEST(SplitAtMidpoint, EndsBelowTheMiddle) {
    struct Case {
        int a, b, end1, start2;
    } cases[] = {{10, 14, 11, 12}, {10, 13, 11, 12}, {10, 15, 12, 13}, {50, 51, 50, 51}};
    for (const Case& c : cases) {
        int32_t e = 0, s = 0;
        Split_At_Midpoint(c.a, c.b, e, s);
        EXPECT_EQ(e, c.end1) << c.a << " " << c.b;
        EXPECT_EQ(s, c.start2) << c.a << " " << c.b;
    }
}

TEST_F(Breaking, IntersectionAreas) {
    struct Entry {
        int hmFrom, hmTo, end, pos;
    };
    struct Case {
        const char* seg;
        int hm1, hm2, gap;
        std::vector<Entry> want;
    } cases[] = {
        {"0002", 0, 200, 2, {{48, 50, -2, 0}, {51, 53, 0, 0}}},
        {"0003", 0, 200, 5, {{10, 16, -3, 0}, {17, 23, 0, 0}}},
        {"0003", 0, 200, 4, {{10, 14, -1, 0}, {19, 23, 0, 0}}},
        {"0005", 10, 100, 2, {{10, 10, 0, -1}}},
        {"0006", 0, 100, 2, {{95, 100, -5, 0}}},
        {"0006", 0, 98, 2, {{95, 98, -4, 0}}},
        {"0006", 0, 95, 2, {{95, 95, -4, 1}}},
        {"0006", 0, 40, 2, {}},
    };
    for (const Case& c : cases) {
        S::MinInterIsecLen = static_cast<int16_t>(c.gap);
        Make_Intersection_List(c.seg, static_cast<int16_t>(c.hm1), static_cast<int16_t>(c.hm2));
        ASSERT_FALSE(S::Abort) << c.seg;
        ASSERT_EQ(S::IntCount, static_cast<int16_t>(c.want.size())) << c.seg << " " << c.hm1 << ".." << c.hm2;
        for (std::size_t i = 0; i < c.want.size(); ++i) {
            const IntersectionEntry& e = S::IntList[i + 1];
            EXPECT_EQ(e.hmFrom, c.want[i].hmFrom) << c.seg << " entry " << i + 1;
            EXPECT_EQ(e.hmTo, c.want[i].hmTo) << c.seg << " entry " << i + 1;
            EXPECT_EQ(e.EndCode, c.want[i].end) << c.seg << " entry " << i + 1;
            EXPECT_EQ(e.IntPos, c.want[i].pos) << c.seg << " entry " << i + 1;
        }
    }
}

TEST_F(Breaking, LandmarksAtOnePlaceAndTheirIntersections) {
    Make_Intersection_List("0004", 0, 100);
    ASSERT_EQ(S::IntCount, 1);
    const IntersectionEntry& e = S::IntList[1];
    EXPECT_EQ(e.LMtype1, "A1");
    EXPECT_EQ(e.LMtype2, "A2");
    EXPECT_EQ(e.Desc2, "East Rd");
    EXPECT_EQ(e.IntersectionID, -401);
    EXPECT_EQ(e.Legs, 4);  // L then R: 3, then one more
    EXPECT_EQ(e.NintLoc1dp, 1);
    EXPECT_EQ(e.NintLoc2dp, 1);

    Make_Intersection_List("0010", 0, 100);
    ASSERT_EQ(S::IntCount, 2);
    EXPECT_EQ(S::IntList[1].IntersectionID, 5001);
    EXPECT_EQ(S::IntList[1].Legs, 4);
    EXPECT_EQ(S::IntList[2].IntersectionID, 5002);  // the first of its two
    EXPECT_EQ(S::IntList[2].Legs, 4);
    EXPECT_EQ(S::IntList[2].LMtype2, "A1");

    Primary("0010", 0, 100);
    Add_Intersection_Record(2, "INT_0010_02");
    ASSERT_EQ(S::SSCount, 1);
    EXPECT_EQ(S::SS[1].NID, 20001);
    EXPECT_EQ(S::SS[1].KmInt, 60);
    EXPECT_EQ(S::SS[1].Length, 5);
    EXPECT_EQ(S::SS[1].EndBreakType, S::IntList[2].EndCode);
}

TEST_F(Breaking, MaximumLengthAndMiddle) {
    Primary("0001", 0, 250);
    Break_by_MaxLen_and_LMtype("0001", 0, 250, 5);
    EXPECT_EQ(Show(Records()), "0..100(3) 101..175(4) 176..250(5) ");
    EXPECT_EQ(S::SS[1].SID, "SEC_0001_01");
    EXPECT_EQ(S::SS[3].SID, "SEC_0001_03");
    EXPECT_EQ(S::SS[3].Length, 75);

    // A piece of exactly the maximum stays whole and keeps the bare ID.
    Reset_SS_Arrays();
    Primary("0001", 0, 99);
    Break_by_MaxLen_and_LMtype("0001", 0, 99, 5);
    EXPECT_EQ(Show(Records()), "0..99(5) ");
    EXPECT_EQ(S::SS[1].SID, "SEC_0001");
}

TEST_F(Breaking, BreakLandmarksInPriorityOrder) {
    S::BreakAtLmkTypes = true;
    S::BreakLmkTypes = {"", "A5", "B3"};
    S::BreakLmkTypeCount = 2;
    Primary("0009", 0, 200);
    Break_by_MaxLen_and_LMtype("0009", 0, 200, 5);
    EXPECT_EQ(Show(Records()), "0..60(2) 61..80(2) 81..140(4) 141..200(5) ");
    EXPECT_EQ(S::SS[1].Desc2, "Bridge \"Old\" Rd");
    EXPECT_EQ(S::SS[1].LMtype2, "A5");

    Reset_SS_Arrays();
    S::BreakLmkTypes = {"", "B3", "A5"};
    Primary("0009", 0, 200);
    Break_by_MaxLen_and_LMtype("0009", 0, 200, 5);
    EXPECT_EQ(S::SS[1].hm2, 80);
}

TEST_F(Breaking, ClassChanges) {
    S::BreakAtHwyClass = true;
    S::HwyClassCategories = "2,4";
    S::MaxLen_hm = 1000;
    Primary("0008", 0, 300);
    Break_Section("0008", 0, 300, 5);
    EXPECT_EQ(Show(Records()), "0..100(1) 101..300(5) ");

    // Three hectometres or less run no class query.
    Reset_SS_Arrays();
    Primary("0008", 99, 101);
    Break_Section("0008", 99, 101, 5);
    EXPECT_EQ(Show(Records()), "99..101(5) ");
}

TEST_F(Breaking, AreaBoundariesKeepTheLastHectometre) {
    S::BreakAtADR = true;
    S::MaxLen_hm = 1000;
    Primary("0007", 0, 124);
    Break_Section("0007", 0, 124, 5);
    EXPECT_EQ(Show(Records()), "0..50(6) 51..124(5) ");

    Reset_SS_Arrays();
    S::ADRLevel = "District";
    Primary("0007", 0, 124);
    Break_Section("0007", 0, 124, 5);
    EXPECT_EQ(Show(Records()), "0..124(5) ");

    // A boundary at the stretch's end makes no break.
    Reset_SS_Arrays();
    S::ADRLevel = "Area";
    Primary("0007", 0, 50);
    Break_Section("0007", 0, 50, 5);
    EXPECT_EQ(Show(Records()), "0..50(5) ");

    // With class pieces, each piece is cut and none is lost.
    Reset_SS_Arrays();
    S::BreakAtHwyClass = true;
    S::HwyClassCategories = "2";
    Primary("0007", 0, 124);
    Break_Section("0007", 0, 124, 5);
    EXPECT_EQ(Show(Records()), "0..50(6) 51..124(5) ");
}

TEST_F(Breaking, ASegmentWithoutAreaRowsStaysWhole) {
    S::BreakAtADR = true;
    S::MaxLen_hm = 1000;
    ui_->ExpectMsgBox(ui::vbOK, "No segArea records for section 0001 0 80");
    Primary("0001", 0, 80);
    Break_Section("0001", 0, 80, 5);
    EXPECT_EQ(Show(Records()), "0..80(5) ");
}

// The output file's columns.
class Output : public Breaking {};

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

TEST_F(Output, Columns) {
    SSRec a;
    a.NID = 1;
    a.SID = "SEC_0007_01";
    a.PsecID = "0007";
    a.Highway = "7";
    a.Segment = "0007";
    a.hm1 = 0;
    a.hm2 = 50;
    a.Length = 51;
    a.LMtype1 = "Z2";
    a.Desc1 = "Say \"when\"";
    a.EndBreakType = 6;
    a.Region = 1;
    a.District = 1;
    a.Area = 11;
    a.HwyClass = "ARR2UP";
    a.AADT = {1200, -1, 0};
    a.avgAADT = 600;
    SSRec b = a;
    b.NID = 20002;
    b.SID = "INT_0007_02";
    b.Intersection_ID = 5001;
    b.KmInt = 52;
    b.Legs = 4;
    b.IntPos = 0;
    b.NintLoc1dp = 1;
    b.NintLoc2dp = 2;
    b.Desc1 = "";
    b.AADT = {-1, -1, -1};
    b.avgAADT = -1;
    b.HwyClass = "";
    S::SS = {SSRec(), a, b};
    S::SSCount = 2;
    S::IncludeADT = true;
    S::ADTyear1 = 2017;
    S::ADTyear2 = 2019;
    const std::string file = dir_->file("out.csv");
    Write_SS_CSV(S::SS, S::SSCount, true, file);
    const auto lines = ReadLines(file);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "GroupID,SID,HMZ_Segment,Highway,Segment,Km1,Km2,KmInt,Intersection_ID,Legs,IntPos,NintLoc1dp,"
              "NintLoc2dp,Length,LMtype1,LMtype2,Desc1,Desc2,EndBreakType,Region,District,Area,PriSecMaj,UrbRur,"
              "ArtExpFre,DivUnd,LaneClass,Terrain,HwyClass2345,AADT_2017,AADT_2018,AADT_2019,avgAADT");
    EXPECT_EQ(lines[1], "1,SEC_0007_01,0007,7,0007,0.0,5.0,,,,,,,5.1,Z2,,\"Say \"\"when\"\"\",,6,1,1,11,A,R,R,2,U,P,RR2U,"
                        "1200,,0,600");
    EXPECT_EQ(lines[2], "20002,INT_0007_02,0007,7,0007,0.0,5.0,5.2,5001,4,0,1,2,5.1,Z2,,,,6,1,1,11,,,,,,,,,,,");

    // The 50 m extension and the positions.
    S::IncludeADT = false;
    S::Extend50m = true;
    S::IncludeLatLons = true;
    Extend_Endpoints_50m(S::SS, S::SSCount, "201807");
    S::SS[1].Latitude1 = 49.107129;
    S::SS[1].Longitude1 = -122.857581;
    S::SS[1].LLsrc1 = -3;
    Write_SS_CSV(S::SS, 1, false, file);
    const auto ext = ReadLines(file);
    ASSERT_EQ(ext.size(), 2u);
    EXPECT_EQ(ext[0].substr(0, 64), "GroupID,SID,HMZ_Segment,Highway,Segment,Km1,Km2,Length,LMtype1,L");
    EXPECT_NE(ext[0].find("EndBreakType,Latitude1, Longitude1, LLsrc1, Latitude2, Longitude2, LLsrc2,Region"),
              std::string::npos);
    EXPECT_EQ(ext[1].substr(0, 48), "1,SEC_0007_01,0007,7,0007,0.00,5.05,5.05,Z2,,\"Sa");
    EXPECT_NE(ext[1].find(",6,49.107129,-122.857581,-3,0,0,0,1,1,11,"), std::string::npos) << ext[1];

    // The class string one character a field, a blank one as a blank field,
    // then characters 2 to 5; no class row gives empty fields.
    S::Extend50m = false;
    S::IncludeLatLons = false;
    const struct {
        const char *cls, *fields;
    } classes[] = {
        {"ARR2UP", ",1,1,11,A,R,R,2,U,P,RR2U"},
        {"A  2  ", ",1,1,11,A, , ,2, , ,  2 "},
        {"      ", ",1,1,11, , , , , , ,    "},
        {"", ",1,1,11,,,,,,,"},
    };
    for (const auto& c : classes) {
        SCOPED_TRACE(std::string("'") + c.cls + "'");
        S::SS[1].HwyClass = c.cls;
        Write_SS_CSV(S::SS, 1, false, file);
        const auto one = ReadLines(file);
        ASSERT_EQ(one.size(), 2u);
        const std::string fields = c.fields;
        ASSERT_GE(one[1].size(), fields.size());
        EXPECT_EQ(one[1].substr(one[1].size() - fields.size()), fields);
    }
}

// Volumes read once per segment: a Null AADT is a missing year; the average
// halves to even. Traffic-volume sections are not capped at 1000.
TEST_F(Breaking, VolumesAndVolumeSections) {
    std::string script =
        "CREATE TABLE ALL_201807_SEGVOL (Seg TEXT(4), [Year] SHORT, Hm1 SHORT, Hm2 SHORT, counter_type TEXT(2), "
        "AADT LONG);\n"
        "INSERT INTO ALL_201807_SEGVOL VALUES ('0007', 2017, 0, 124, 'P', 1000), ('0007', 2018, 0, 124, 'P', NULL),"
        " ('0007', 2019, 0, 60, 'P', 2001), ('0007', 2019, 61, 124, 'S', 7000);\n"
        "CREATE TABLE ALL_201807_NODVOL (Node TEXT(10), [Year] SHORT, counter_type TEXT(2), AADT LONG);\n"
        "CREATE TABLE VRQ_201807_UTVS_Definitions (VRQ_UTVS_ID LONG, Seg TEXT(4), Hm1 SHORT, Hm2 SHORT, Km1 SINGLE, "
        "Desc1 TEXT(100), Desc2 TEXT(100));\n";
    for (int i = 0; i < 1200; ++i)
        script += "INSERT INTO VRQ_201807_UTVS_Definitions VALUES (" + std::to_string(100001 + i) + ", '0010', " +
                  std::to_string(i % 100) + ", " + std::to_string(i % 100 + 1) + ", 0, 'From', 'To');\n";
    const std::string folder = dir_->file("vol") + "/";
    fs::create_directories(folder);
    std::istringstream in(script);
    jet::write_script(in, folder + "Volume_for_Tessawin.mdb");
    const std::string saved = AppFolder;
    AppFolder = folder;
    ASSERT_TRUE(ss_vol::Open());
    std::vector<int32_t> aadt;
    int32_t avg = 0;
    Lookup_AADT("201807", "0007", 3.0f, 2017, 2019, aadt, avg);
    EXPECT_EQ(aadt, (std::vector<int32_t>{1000, -1, 2001}));
    EXPECT_EQ(avg, 1500);
    Lookup_AADT("201807", "0007", 9.0f, 2017, 2019, aadt, avg);
    EXPECT_EQ(aadt, (std::vector<int32_t>{1000, -1, 7000}));
    EXPECT_EQ(avg, 4000);
    Lookup_AADT("201807", "0007", 3.0f, 2020, 2021, aadt, avg);
    EXPECT_EQ(aadt, (std::vector<int32_t>{-1, -1}));
    EXPECT_EQ(avg, -1);

    S::OnNumbered = true;
    psec_Load_UTVS();
    EXPECT_FALSE(S::Abort);
    EXPECT_EQ(S::PsecCount, 1200);
    EXPECT_EQ(S::PsecKind, "UTVS");
    EXPECT_EQ(S::Psec[1200].Desc2, "To");
    ss_vol::Close();
    AppFolder = saved;
}

TEST(Checks, ClassCategoriesAndRunIDs) {
    struct Cat {
        const char* text;
        bool ok;
        const char* rebuilt;
    } cats[] = {{"2,3,4,5", true, "2,3,4,5"}, {" 2 , 5", true, "2,5"}, {"7", false, ""},
                {"2,3)", false, ""},          {"1,2,3,4,5,6,1", false, ""}, {"2' OR 1=1", false, ""},
                {"", false, ""},              {"02", false, ""}};
    for (const Cat& c : cats) {
        std::string rebuilt = "x";
        EXPECT_EQ(Valid_HwyClass_Categories(c.text, rebuilt), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(rebuilt, c.rebuilt) << c.text;
        }
    }
    struct Id {
        const char* id;
        bool ok;
    } ids[] = {{"test1", true}, {"run 2020-06", true}, {"../x", false}, {"a/b", false},
               {"a\\b", false}, {"..", false},         {"a:b", false},  {"a*", false}};
    for (const Id& c : ids) EXPECT_EQ(Valid_RunID(c.id), c.ok) << c.id;
}

}  // namespace
