#include "sections/vol_Database.h"

#include <gtest/gtest.h>

#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "tests/sections/volume_support.h"

namespace {

using namespace voltest;
using jet::RowForm;
using jet::Value;

class VolDatabaseTest : public VolumeTest {
protected:
    // Segment 0100 (hm 0..10) in two stretches meeting at hm 5, nodes N1 and
    // N2; rows Access deleted or moved along the way.
    void write_fixture() {
        write_volume_db(volume_file(), "202004",
                        {seg_row("0100", 2015, 0, 5, "P", Value{std::int64_t{1000}}),
                         seg_row("0100", 2015, 5, 10, "S", Value{std::int64_t{3000}}),
                         seg_row("0100", 2016, 0, 5, "P", Value{std::int64_t{2001}}),
                         seg_row("0100", 2030, 0, 10, "P", Value{std::int64_t{9}}, 100, {}, RowForm::Deleted),
                         seg_row("0100", 2017, 0, 10, "S", Value{}),  // Null AADT
                         seg_row("0100", 2018, 0, 10, "S", Value{std::int64_t{-1}}),
                         seg_row("0100", 2019, 0, 10, "P", Value{std::int64_t{4000}}, 100, {}, RowForm::Moved)},
                        {node_row("N1", 2015, "P", Value{std::int64_t{700}}),
                         node_row("N1", 2016, "P", Value{std::int64_t{800}}, 100, {}, RowForm::DeletedEmptied),
                         node_row("N2", 2015, "S", Value{std::int64_t{900}})},
                        {seg_row("0100", 2020, 0, 10, "P", Value{std::int64_t{5000}})});
    }
};

TEST_F(VolDatabaseTest, TheFileIsFoundInTheProgramFolderThenTheDataFolderThenAsked) {
    write_fixture();
    // The data folder's copy is taken without a question.
    ASSERT_TRUE(Open_Volume_DB());
    EXPECT_EQ(vol_DBpath, volume_file());
    EXPECT_TRUE(Open_Volume_DB()) << "a second open does nothing";
    Close_Volume_DB();
    EXPECT_EQ(vol_DBpath, "");

    // The program folder's copy comes first.
    fs::copy_file(volume_file(), app() + "/" + kVolumeDBName);
    ASSERT_TRUE(Open_Volume_DB());
    EXPECT_EQ(vol_DBpath, app() + "/" + kVolumeDBName);
    Close_Volume_DB();
    fs::remove(app() + "/" + kVolumeDBName);

    // Missing everywhere: asked for, until the user gives up.
    const std::string moved = file("elsewhere.mdb");
    fs::rename(volume_file(), moved);
    ui_->ExpectInput(file("nothing.mdb"), "Enter full Volume_for_Tessawin.mdb database file name");
    ui_->ExpectInput(moved, "Enter full Volume_for_Tessawin.mdb database file name");
    ASSERT_TRUE(Open_Volume_DB());
    EXPECT_EQ(vol_DBpath, moved);
    EXPECT_EQ(ui_->shown[0].title, "Can't find database");
    Close_Volume_DB();

    ui_->ExpectInput("", "Enter full Volume_for_Tessawin.mdb");
    EXPECT_FALSE(Open_Volume_DB());
    EXPECT_FALSE(vol_DB.is_open());
}

TEST_F(VolDatabaseTest, AFileTheEngineCannotOpenIsReportedAndLeftClosed) {
    write(volume_file(), "this is not a database");
    ui_->ExpectMsgBox(ui::vbOK, "attempting to open database " + volume_file());
    EXPECT_FALSE(Open_Volume_DB());
    EXPECT_EQ(ui_->shown.back().title, "Database open error");
    EXPECT_FALSE(vol_DB.is_open());
    EXPECT_EQ(vol_DBpath, "");
}

TEST_F(VolDatabaseTest, LatestYearReadsTheLiveRowsOnly) {
    write_fixture();
    ASSERT_TRUE(Open_Volume_DB());
    EXPECT_EQ(Vol_Max_Year("202004"), 2020) << "the deleted 2030 row does not count";
    EXPECT_EQ(Vol_Max_Year("202004xx"), 2020) << "the version is its first six characters";
    EXPECT_EQ(Vol_Max_Year("201807"), 0) << "a valid version without tables";
    EXPECT_EQ(Vol_Max_Year("209912"), 0) << "not a version";
    EXPECT_EQ(Vol_Max_Year("2020'4"), 0) << "never put into a table name";
}

TEST_F(VolDatabaseTest, AadtByYearAtSegmentsAndNodes) {
    write_fixture();
    ASSERT_TRUE(Open_Volume_DB());
    struct Case {
        float km;
        int16_t y1, y2;
        std::vector<int32_t> aadt;
        int32_t avg;
    };
    const Case cases[] = {
        // inside the first stretch: 1000 and 2001 average to 1500 (1500.5 to even)
        {0.2f, 2015, 2016, {1000, 2001}, 1500},
        // the shared boundary hm 5: both 2015 rows, the later kept, both averaged
        {0.5f, 2015, 2015, {3000}, 2000},
        // a Null AADT reads as missing, a stored -1 stays; 2019 from a moved row, 2020 after a page break
        {0.7f, 2016, 2020, {-1, -1, -1, 4000, 5000}, 4500},
        // km 0: the begin node N1 (its deleted 2016 row gone)
        {0.0f, 2015, 2016, {700, -1}, 700},
        // the segment's length: the end node N2
        {1.0f, 2014, 2015, {-1, 900}, 900},
        // no row at all
        {0.2f, 2010, 2011, {-1, -1}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "km " << c.km << " years " << c.y1 << "-" << c.y2);
        std::vector<int32_t> aadt;
        int32_t avg = 0;
        Lookup_AADT("202004", "0100", c.km, c.y1, c.y2, aadt, avg);
        EXPECT_EQ(aadt, c.aadt);
        EXPECT_EQ(avg, c.avg);
    }
}

TEST_F(VolDatabaseTest, AadtOfAVersionWithoutTablesGoesToTheCaller) {
    write_fixture();
    ASSERT_TRUE(Open_Volume_DB());
    std::vector<int32_t> aadt;
    int32_t avg = 0;
    EXPECT_THROW(Lookup_AADT("201807", "0100", 0.2f, 2015, 2016, aadt, avg), db::Error);
    EXPECT_EQ(aadt, (std::vector<int32_t>{-1, -1}));
    EXPECT_EQ(avg, -1);
    EXPECT_TRUE(ui_->shown.empty()) << "no message of its own";
}

TEST_F(VolDatabaseTest, TheOpenGoesToTheTraceLog) {
    write_fixture();
    std::vector<std::string> lines;
    tessawin::SetTraceWriter([&](const std::string& l) { lines.push_back(l); });
    Trace_FileNo = 7;
    EXPECT_TRUE(Open_Volume_DB());
    Trace_FileNo = 0;
    tessawin::SetTraceWriter(nullptr);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Opening database: " + volume_file());
}

// The sample data set holds the database for every version.
TEST_F(VolDatabaseTest, TheSampleHoldsVolumesOfEveryVersion) {
    settings::SaveSetting("Tessawin", "DataFolders", "Volume", "");
    settings::SaveSetting("Tessawin", "DataFolders", "AllVersions", "");
    SAV_Forget_Database();
    ASSERT_TRUE(Open_Volume_DB());
    EXPECT_EQ(vol_DBpath, Sample_Folder() + kVolumeDBName);
    for (const char* v : {"200704", "201404", "201807", "202004"}) EXPECT_EQ(Vol_Max_Year(v), 2021) << v;
    std::vector<int32_t> aadt;
    int32_t avg = 0;
    // 9010 was counted every year but its 2016 AADT is Null
    Lookup_AADT("202004", "9010", 2.0f, 2015, 2017, aadt, avg);
    EXPECT_GT(aadt[0], 0);
    EXPECT_EQ(aadt[1], -1);
    EXPECT_GT(aadt[2], 0);
    // 0040 has no 2012 row
    Lookup_AADT("202004", "0040", 2.0f, 2011, 2013, aadt, avg);
    EXPECT_EQ(aadt[1], -1);
    EXPECT_GT(aadt[0], 0);
    db::Recordset rs = vol_DB.open_recordset(
        "SELECT COUNT(*) FROM ALL_202004_SEGVOL WHERE counter_type = 'P' UNION ALL "
        "SELECT COUNT(*) FROM ALL_202004_SEGVOL WHERE counter_type = 'S' UNION ALL "
        "SELECT COUNT(*) FROM ALL_202004_SEGVOL WHERE MADT_01 = -1 OR MADT_02 = -1 OR MADT_03 = -1 UNION ALL "
        "SELECT COUNT(*) FROM VRQ_202004_UTVS_Definitions");
    for (; !rs.eof(); rs.move_next()) EXPECT_GT(rs.field(0).as_long(), 0);
}

}  // namespace
