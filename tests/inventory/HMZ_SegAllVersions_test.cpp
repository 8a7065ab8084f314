#include "inventory/HMZ_SegAllVersions.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ui/forms.h"
#include "tests/inventory/inventory_support.h"

namespace {

namespace fs = std::filesystem;
using invtest::CRLF;

class SegAllVersionsTest : public invtest::InventoryTest {
protected:
    // The fixture as the all-versions data folder's file.
    void fixture_in_data_folder() {
        fs::copy_file(SEGALLVERSIONS_FIXTURE, data() + "/segallversions.mdb", fs::copy_options::overwrite_existing);
        set_data_folder(DataKind::AllVersions, data());
    }
    // Where nothing is found: the data folder points at an empty folder.
    void nothing_anywhere() { set_data_folder(DataKind::AllVersions, file("empty")); }
    // Runs f as one command of its own.
    static void command(const std::function<void()>& f) { ui::RaiseEvent(f); }
    static bool mentions(const ui::ShownBox& b, const std::string& s) { return b.prompt.find(s) != std::string::npos; }
};

TEST_F(SegAllVersionsTest, FoundInTheProgramFolderFirstThenTheDataFolder) {
    fixture_in_data_folder();
    EXPECT_TRUE(HMZ_Version_Valid("201807"));
    EXPECT_EQ(sav_DBfilename, data() + "/segallversions.mdb");

    SAV_Forget_Database();
    fs::copy_file(SEGALLVERSIONS_FIXTURE, app() + "/segallversions.mdb");
    EXPECT_TRUE(HMZ_Version_Valid("201807"));
    EXPECT_EQ(sav_DBfilename, app() + "/segallversions.mdb");
    const db::Database* d = nullptr;
    ASSERT_TRUE(SAV_Get_Database(d));
    EXPECT_EQ(d, &sav_DB);
}

TEST_F(SegAllVersionsTest, AMissingFileIsAskedForByName) {
    nothing_anywhere();
    const std::string typed = file("elsewhere/segallversions.mdb");
    fs::create_directories(file("elsewhere"));
    fs::copy_file(SEGALLVERSIONS_FIXTURE, typed);
    ui_->ExpectMsgBox(ui::vbOK, "File does not exist:" + CRLF + CRLF + file("empty") + "/segallversions.mdb" + CRLF +
                                    CRLF + "Click OK to enter a new full segallversions.mdb filename." + CRLF +
                                    "Click Cancel to kill this process.");
    ui_->ExpectInput(file("elsewhere/wrong.mdb"), "Enter full segallversions.mdb filename");
    ui_->ExpectMsgBox(ui::vbOK, file("elsewhere/wrong.mdb"));
    ui_->ExpectInput(typed, "Enter full segallversions.mdb filename");
    EXPECT_EQ(SAV_Latest_Version("1000"), "201807");
    ASSERT_EQ(ui_->shown.size(), 4u);
    EXPECT_EQ(ui_->shown[0].title, "Error");
    EXPECT_EQ(ui_->shown[0].buttons, ui::vbExclamation | ui::vbOKCancel);
    EXPECT_EQ(ui_->shown[1].title, "SegAllVersions");
    EXPECT_EQ(sav_DBfilename, typed);
}

TEST_F(SegAllVersionsTest, GivingUpIsNotAskedAgainInTheSameCommand) {
    nothing_anywhere();
    struct Case {
        const char* how;
        bool cancel_box;
    } cases[] = {{"Cancel in the first box", true}, {"no name typed", false}};
    for (const Case& c : cases) {
        SAV_Forget_Database();
        ui_->shown.clear();
        command([&] {
            ui_->ExpectMsgBox(c.cancel_box ? ui::vbCancel : ui::vbOK, "File does not exist:");
            if (!c.cancel_box) ui_->ExpectInput("", "Enter full segallversions.mdb filename");
            // A row of a worksheet after another: one question in all.
            EXPECT_FALSE(HMZ_Version_Valid("201807"));
            EXPECT_EQ(SAV_Length_at_Date("1000", "", 2), 0.0f);
            EXPECT_EQ(SAV_Effective_Date("1000"), "");
            EXPECT_EQ(SAV_Length("1000", "201807"), -1.0f);
            EXPECT_EQ(SAV_Begin_Node("1000", "201807"), "");
        });
        EXPECT_EQ(ui_->shown.size(), c.cancel_box ? 1u : 2u) << c.how;
        // The next command asks again.
        command([&] {
            ui_->ExpectMsgBox(ui::vbCancel, "File does not exist:");
            EXPECT_EQ(SAV_Latest_Version("1000"), "");
        });
    }
    EXPECT_EQ(sav_DBfilename, "") << "after Cancel";
}

TEST_F(SegAllVersionsTest, AFileTheEngineCannotOpenIsNamedWithItsCause) {
    write(data() + "/segallversions.mdb", "not a database at all\n");
    set_data_folder(DataKind::AllVersions, data());
    command([&] {
        ui_->ExpectMsgBox(ui::vbOK, data() + "/segallversions.mdb");
        EXPECT_FALSE(HMZ_Version_Valid("201807"));
        EXPECT_EQ(SAV_Latest_Version("1000"), "") << "not asked again in this command";
    });
    ASSERT_EQ(ui_->shown.size(), 1u);
    EXPECT_EQ(ui_->shown[0].title, "SegAllVersions_Open");
    EXPECT_TRUE(mentions(ui_->shown[0], "Error 3343")) << ui_->shown[0].prompt;
}

TEST_F(SegAllVersionsTest, AFailingQueryIsNamedAndGivesTheNoneValue) {
    // A table without the version column: every query on it fails.
    write_mdb(data() + "/segallversions.mdb",
              "CREATE TABLE SegmentAllVersions (Segment TEXT(4), Length SINGLE);\n"
              "INSERT INTO SegmentAllVersions VALUES ('1000', 1.0);\n");
    set_data_folder(DataKind::AllVersions, data());
    ui_->ExpectMsgBox(ui::vbOK, data() + "/segallversions.mdb");
    ShowSegHistory("1000");
    ASSERT_EQ(ui_->shown.size(), 1u) << "no second box saying the segment never existed";
    EXPECT_EQ(ui_->shown[0].title, "SAV_Load_Segment");
    EXPECT_TRUE(mentions(ui_->shown[0], "HMZVersion")) << ui_->shown[0].prompt;
    ui_->ExpectMsgBox(ui::vbOK, "Error");
    EXPECT_FALSE(HMZ_Version_Valid("201807"));
    EXPECT_EQ(ui_->shown.back().title, "HMZ_Version_Valid");
}

TEST_F(SegAllVersionsTest, VersionsAreTheirFirstSixCharacters) {
    fixture_in_data_folder();
    struct Case {
        const char* version;
        bool valid;
    } cases[] = {{"201807", true}, {"201807-extra", true}, {"200601", true}, {"209901", false},
                 {"2018", false},  {"20'807", false},      {"", false}};
    for (const Case& c : cases) EXPECT_EQ(HMZ_Version_Valid(c.version), c.valid) << c.version;
}

TEST_F(SegAllVersionsTest, SegmentRowsAreKeptUntilAnotherSegmentOrACount) {
    fixture_in_data_folder();
    EXPECT_EQ(SAV_Latest_Version("1000"), "201807");
    const long after_first = SAV_Queries_Run();
    EXPECT_EQ(SAV_Effective_Date("1000"), "2018-07-01");
    EXPECT_EQ(SAV_Length_at_Date("1000", "", 2), 11.25f);
    EXPECT_EQ(SAV_Queries_Run(), after_first) << "one query for the same segment";
    EXPECT_TRUE(HMZ_Version_Valid("201001"));
    EXPECT_EQ(SAV_Latest_Version("1000"), "201807");
    EXPECT_EQ(SAV_Queries_Run(), after_first + 2) << "the count, then the segment again";
    // A text with a quote is a literal, not a broken query.
    EXPECT_EQ(SAV_Latest_Version("1'00"), "");
    EXPECT_EQ(SAV_Length("1'00", "2018'7"), -1.0f);
}

// Once the segment queries have cost about what reading the whole table
// costs, it is read and answers every later lookup without a query, just as
// the queries did: segments compare without regard to case, a row without a
// version sorts first and matches no version, rows of one version keep their
// order. A table whose segments are numbers stays with the queries (there
// "01000" finds segment 1000).
TEST_F(SegAllVersionsTest, AfterManySegmentQueriesTheTableIsReadAndAnswersAlike) {
    auto table = [&](const char* segment_type, const std::string& rows) {
        SAV_Forget_Database();
        write_mdb(data() + "/segallversions.mdb",
                  "CREATE TABLE SegmentAllVersions (Segment " + std::string(segment_type) +
                      ", HMZVersion TEXT(6), Length SINGLE, Effective_Date DATETIME, Begin_Node TEXT(8),"
                      " End_Node TEXT(8));\nINSERT INTO SegmentAllVersions VALUES\n" + rows);
        set_data_folder(DataKind::AllVersions, data());
    };
    const char* const segments[] = {"AB12", "ab12", "aB12", "0001", "AB1", "ab12 ", "1000", "01000"};
    // Per segment: its lengths at four dates, begin node and length in
    // three versions, latest version and effective date.
    auto answers = [&](const char* history) {
        std::vector<std::string> all;
        for (const char* seg : segments) {
            std::string a;
            for (const char* date : {"", "2012-01-01", "2009-06-01", "2018-07-01"})
                a += std::to_string(SAV_Length_at_Date(seg, date, 2)) + " ";
            for (const char* version : {"201001", "201807", ""})
                a += SAV_Begin_Node(seg, version) + "/" + std::to_string(SAV_Length(seg, version)) + " ";
            all.push_back(a + SAV_Latest_Version(seg) + " " + SAV_Effective_Date(seg));
        }
        ShowSegHistory(history);
        all.push_back(status());
        return all;
    };
    auto many_segments = [] {
        for (int i = 0; i < 1000; ++i) SAV_Latest_Version("Z" + std::to_string(i));
    };

    table("TEXT(4)",
          "  ('ab12', '201807', 2.0, #2018-07-01#, 'N1', 'N2'),\n"
          "  ('0001', '201807', 7.0, #2018-07-01#, 'M1', 'M2'),\n"
          "  ('AB12', '201001', 1.0, #2010-01-01#, 'N0', 'N1'),\n"
          "  ('Ab12', NULL, 9.0, NULL, 'X0', 'X1'),\n"
          "  ('AB12', '201001', 1.5, #2010-01-01#, 'P0', 'P1');\n");
    const std::vector<std::string> queried = answers("aB12");
    EXPECT_EQ(queried[2],
              "2.000000 1.500000 9.000000 2.000000 N0/1.000000 N1/2.000000 /-1.000000 201807 2018-07-01");
    EXPECT_EQ(queried[5], "0.000000 0.000000 0.000000 0.000000 /-1.000000 /-1.000000 /-1.000000  ");
    EXPECT_EQ(queried.back(), "Segment aB12 Highway   -way  Dir: " + CRLF + CRLF + "HMZ Version  Eff. Date   Length" +
                                  CRLF + std::string(26, ' ') + "9.00" + CRLF + " 201001     2010-01-01    1.00" +
                                  CRLF + " 201001     2010-01-01    1.50" + CRLF + " 201807     2018-07-01    2.00");
    many_segments();
    const long after = SAV_Queries_Run();
    EXPECT_EQ(answers("aB12"), queried);
    EXPECT_EQ(SAV_Queries_Run(), after) << "the table was read";

    table("LONG", "  (1000, '201807', 3.0, #2018-07-01#, 'N1', 'N2');\n");
    const std::vector<std::string> numbers = answers("01000");
    EXPECT_EQ(numbers[7], "3.000000 0.000000 0.000000 3.000000 /-1.000000 N1/3.000000 /-1.000000 201807 2018-07-01");
    many_segments();
    EXPECT_EQ(answers("01000"), numbers);
}

TEST_F(SegAllVersionsTest, LengthAtDate) {
    fixture_in_data_folder();
    struct Case {
        const char* segment;
        const char* date;
        int16_t ndp;
        float length;
    } cases[] = {
        {"1000", "", 2, 11.25f},
        {"1000", "  ", 2, 11.25f},
        {"1000", "2018-07-01", 2, 11.25f},
        {"1000", "2018-06-30", 2, 10.5f},
        {"1000", "2018/06/30", 2, 10.5f},
        {"1000", "2018.07.01", 2, 11.25f},
        {"1000", "2010-01-01", 2, 10.5f},
        {"1000", "2005-06-01", 2, 10.0f},  // before every date: the oldest row has none
        {"2000", "2005-06-01", 2, 0.0f},   // before every date, all present
        {"2000", "2010-01-01", 2, 5.0f},
        {"3000", "2005-06-01", 2, 3.125f},  // the latest row has no date: always in effect
        {"1000", "", 1, 11.3f},
        {"3000", "", 1, 3.1f},
        {"1000", "2018-02-30", 2, 0.0f},  // no such day
        {"1000", "30/06/2018", 2, 0.0f},
        {"9999", "", 2, 0.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(SAV_Length_at_Date(c.segment, c.date, c.ndp), c.length)
            << c.segment << " at \"" << c.date << "\", ndp " << c.ndp;
}

TEST_F(SegAllVersionsTest, LatestRowLookups) {
    fixture_in_data_folder();
    struct Case {
        const char* segment;
        const char* effective;
        const char* highway;
        const char* latest;
    } cases[] = {
        {"1000", "2018-07-01", "97", "201807"},
        {"1200", "2018-07-01", "97A", "201807"},
        {"3000", "1990-01-01", "16", "201807"},
        {"8000", "1990-01-01", "", "201807"},
        {"9999", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SAV_Effective_Date(c.segment), c.effective) << c.segment;
        EXPECT_EQ(SAV_Highway(c.segment), c.highway) << c.segment;
        EXPECT_EQ(SAV_Latest_Version(c.segment), c.latest) << c.segment;
    }
}

TEST_F(SegAllVersionsTest, OneVersionLookups) {
    fixture_in_data_folder();
    struct Case {
        const char* segment;
        const char* version;
        const char* begin;
        const char* end;
        float length;
    } cases[] = {
        {"1000", "201001", "N100", "N102", 10.5f},
        {"1000", "201807", "N100", "N103", 11.25f},
        {"1000", "201001 and more", "N100", "N102", 10.5f},
        {"1000", "209901", "", "", -1.0f},
        {"8000", "201807", "", "", 1.0f},  // Null nodes read as empty
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SAV_Begin_Node(c.segment, c.version), c.begin) << c.segment << " " << c.version;
        EXPECT_EQ(SAV_End_Node(c.segment, c.version), c.end) << c.segment << " " << c.version;
        EXPECT_FLOAT_EQ(SAV_Length(c.segment, c.version), c.length) << c.segment << " " << c.version;
    }
}

TEST_F(SegAllVersionsTest, ShowSegHistoryListsEveryVersionOldestFirst) {
    fixture_in_data_folder();
    TheMainForm().ShowStatus("replaced");
    ShowSegHistory("1000");
    EXPECT_EQ(status(), "Segment 1000 Highway 97  2-way  Dir: N  Opposite 1001" + CRLF + "Main St to River Rd" + CRLF +
                            "HMZ Version  Eff. Date   Length" + CRLF + " 200601                  10.00" + CRLF +
                            " 201001     2010-01-01   10.50" + CRLF + " 201807     2018-07-01   11.25");
    ShowSegHistory("8000");
    EXPECT_EQ(status(), "Segment 8000 Highway   -way  Dir: " + CRLF + CRLF + "HMZ Version  Eff. Date   Length" + CRLF +
                            " 201807                   1.00");
}

TEST_F(SegAllVersionsTest, ShowSegHistoryOfASegmentThatNeverWas) {
    fixture_in_data_folder();
    load_form();
    MainForm& f = TheMainForm();
    f.ShowStatus("kept");
    ui_->ExpectMsgBox(ui::vbOK, "There is no record of 9999 ever being a valid segment number!");
    ShowSegHistory("9999");
    EXPECT_EQ(ui_->shown.back().title, "ShowSegHistory");
    EXPECT_EQ(ui_->shown.back().buttons, ui::vbExclamation);
    EXPECT_EQ(status(), "kept");
    EXPECT_TRUE(f.txtHMZ_Segment.HasFocus());
}

TEST_F(SegAllVersionsTest, CheckVersionText) {
    fixture_in_data_folder();
    MainForm& f = TheMainForm();
    f.txtHMZ_HMZversion.SetText(" 201807 ");
    EXPECT_EQ(Check_HMZ_Version_Text(f.txtHMZ_HMZversion), "201807");
    f.txtHMZ_HMZversion.SetText("   ");
    ui_->ExpectMsgBox(ui::vbOK, "Enter the HMZ version to use");
    EXPECT_EQ(Check_HMZ_Version_Text(f.txtHMZ_HMZversion), "");
    f.txtHMZ_HMZversion.SetText("209901");
    ui_->ExpectMsgBox(ui::vbOK,
                      "HMZ version 209901 is not a valid HMZ version (i.e. is not in the SegAllVersions database).");
    EXPECT_EQ(Check_HMZ_Version_Text(f.txtHMZ_HMZversion), "");
    EXPECT_EQ(ui_->shown.back().title, "Tessawin");
}

TEST_F(SegAllVersionsTest, CheckVersionTextAfterGivingUpOnTheFile) {
    nothing_anywhere();
    MainForm& f = TheMainForm();
    f.txtHMZ_HMZversion.SetText("201807");
    ui_->ExpectMsgBox(ui::vbCancel, "File does not exist:");
    ui_->ExpectMsgBox(ui::vbOK, "HMZ version 201807 is not a valid HMZ version");
    EXPECT_EQ(Check_HMZ_Version_Text(f.txtHMZ_HMZversion), "");
}

}  // namespace
