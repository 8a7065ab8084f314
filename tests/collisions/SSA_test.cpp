#include "collisions/SSA.h"

#include <gtest/gtest.h>

#include <map>

#include "common/DataFolders.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

// A location record: fields by position, the rest empty.
std::string Location(const std::map<int, std::string>& f, int count = 45) {
    std::string line;
    for (int i = 1; i <= count; ++i) {
        if (i > 1) line += ",";
        auto it = f.find(i);
        if (it != f.end()) line += it->second;
    }
    return line;
}

// Counts F, I, P into fields 25 to 32 (collisions, vehicles, fatal, fatalities,
// fatal injuries, injury, injured, PDO).
std::map<int, std::string> Record(const std::string& group, const std::string& seg, const std::string& km,
                                  long long fat, long long inj, long long pdo, long long volume) {
    std::map<int, std::string> f{{1, group}, {2, "1"}, {3, "2"}, {4, "11"}, {5, seg}, {6, km}, {16, "\"RAR2UR\""},
                                 {18, "1000"}, {20, std::to_string(volume)}, {22, "0.5"}, {42, "\"INT\""},
                                 {45, "\"Jct " + seg + "\""}};
    const long long c[8] = {fat + inj + pdo, 2 * (fat + inj + pdo), fat, fat, 0, inj, inj, pdo};
    for (int i = 0; i < 8; ++i) f[25 + i] = std::to_string(c[i]);
    return f;
}

const std::string kHeading = "GroupID,Reg,Dist,Area,Seg,Km\r\n";

class SSATest : public CollisionsTest {
protected:
    // the all-versions database is not left open at exit
    void TearDown() override {
        SAV_Forget_Database();
        CollisionsTest::TearDown();
    }
    std::vector<std::string> Combine(const std::vector<std::string>& records) {
        std::string text = "\"SSA report\"\r\n" + kHeading;
        for (const auto& r : records) text += r + "\r\n";
        text += "==========\r\n";
        WriteFile(data_ + "loc.csv", text);
        SSA_CombineLocations(data_ + "loc.csv", out_ + "loc_COMBINED.csv");
        return Lines(ReadFile(out_ + "loc_COMBINED.csv"));
    }
    static std::vector<std::string> Split(const std::string& line) {
        std::vector<std::string> v{""};
        size_t s = 0;
        while (true) {
            size_t c = line.find(',', s);
            v.push_back(line.substr(s, c == std::string::npos ? std::string::npos : c - s));
            if (c == std::string::npos) break;
            s = c + 1;
        }
        return v;
    }
};

TEST_F(SSATest, ReformatKeepsThePreambleAndReordersTheColumns) {
    std::map<int, std::string> a{{1, "7"},  {6, "1.5"},  {7, "0030"},  {8, "3.5"},  {12, "2.00"}, {13, "2010-2014"},
                                 {16, "PAFS4D"}, {18, "5000"}, {20, "1826000"}, {21, "1.1"}, {22, "1.2"},
                                 {23, "1.3"}, {24, "1.4"}, {25, "10"}, {26, "17"}, {27, "1"}, {28, "2"},
                                 {30, "4"},  {32, "5"}};
    std::map<int, std::string> b = a;
    b[1] = "8";
    b[16] = "NARR2";  // five characters: its last is class and terrain
    WriteFile(data_ + "sec.csv", "\"Specified Sections\"\r\n\r\n\"Period\"\r\n   \r\nGroupID,x\r\n" +
                                     Location(a, 50) + "\r\n\r\n" + Location(b, 50) + "\r\n=========\r\nignored\r\n");
    SSA_Reformat(data_ + "sec.csv", out_ + "sec_Orvel.csv");
    const auto out = Lines(ReadFile(out_ + "sec_Orvel.csv"));
    ASSERT_EQ(out.size(), 9u);
    EXPECT_EQ(out[0], "\"Specified Sections\"");
    EXPECT_EQ(out[1].rfind("\"Column selection, re-ordering and Highway lookup done by Tessawin \"", 0), 0u);
    EXPECT_EQ(out[2], "");
    EXPECT_EQ(out[3], "\"Period\"");
    EXPECT_EQ(out[4].rfind("\"Column selection", 0), 0u);
    EXPECT_EQ(out[5], "   ");
    EXPECT_EQ(out[6].substr(0, 20), "SecID,Year,Highway,S");
    EXPECT_EQ(out[7], "7,2010,1,0030,1.5,3.5,2.00,5000,1826000,10,1,2,4,5,17,1.1,1.2,1.3,1.4,P,AFS4,D");
    EXPECT_EQ(out[8], "8,2010,1,0030,1.5,3.5,2.00,5000,1826000,10,1,2,4,5,17,1.1,1.2,1.3,1.4,N,ARR2,2");
    EXPECT_EQ(StatusLines().back(), "Complete. 9 records written to " + out_ + "sec_Orvel.csv");
}

TEST_F(SSATest, CombineSumsAGroupAndListsEachSegmentOnce) {
    auto r1 = Record("5", "0030", "1.0", 1, 2, 3, 1000000);
    r1[36] = "1.5";
    auto r2 = Record("5", "0030", "2.0", 1, 1, 1, 500000);
    auto r3 = Record("5", "0040", "3.0", 0, 0, 1, 500000);
    auto r4 = Record("6", "012", "0.5", 0, 0, 0, 0);  // "012" is no part of "0123"
    auto r5 = Record("6", "0123", "0.7", 0, 0, 0, 0);
    const auto out = Combine({Location(r1), Location(r2), Location(r3), Location(r4), Location(r5)});
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[2].substr(0, 27), "Group ID,Reg,Dist,Area,Hwy,");
    auto g = Split(out[3]);
    ASSERT_EQ(g.size(), 40u);
    EXPECT_EQ(g[1], "5");
    EXPECT_EQ(g[5], " 1/1");
    EXPECT_EQ(g[6], "0030/0040");
    EXPECT_EQ(g[7], "1.0/3.0");
    EXPECT_EQ(g[8], "\"Jct 0030\"");
    EXPECT_EQ(g[18], "\"RAR2UR\"");
    EXPECT_EQ(g[19], "3000");
    EXPECT_EQ(g[20], "2000000");
    EXPECT_EQ(g[21], "10");
    EXPECT_EQ(g[23], "2");
    // CSR (200 + 30 + 5) / 10; M = 2; rate 10 / 2; critical 1.5 + 3.09 * sqrt(0.75) + 0.25
    EXPECT_EQ(g[17], "23.50");
    EXPECT_EQ(g[35], "5.00");
    EXPECT_EQ(g[32], "4.43");
    EXPECT_EQ(g[29], "1.130");  // 5 / 4.426
    EXPECT_EQ(g[36], "0.50");   // volume-weighted RW rate
    EXPECT_EQ(g[38], "117.50");  // (200 + 30 + 5) / 2
    EXPECT_EQ(g[33], "0.00");   // no RW average: no critical rate
    auto h = Split(out[4]);
    EXPECT_EQ(h[6], "012/0123");
    for (int i : {17, 32, 33, 34, 35, 36, 38}) EXPECT_EQ(h[static_cast<size_t>(i)], "0.00") << i;
    for (int i : {29, 30, 31}) EXPECT_EQ(h[static_cast<size_t>(i)], "0.000") << i;
    const auto st = StatusLines();
    ASSERT_GE(st.size(), 3u);
    EXPECT_EQ(st[st.size() - 2], "5 SSA data records read.");
    EXPECT_EQ(st.back(), "2 combined group data records written.");
}

TEST_F(SSATest, AClassChangeInsideAGroupIsReported) {
    auto a = Record("9", "0030", "1.0", 0, 1, 1, 100);
    auto b = a;
    b[16] = "\"RAR4DR\"";
    const auto out = Combine({Location(a), Location(b), Location(a)});
    EXPECT_EQ(out.size(), 4u);
    EXPECT_NE(Status().find("** Inconsistent HwyClass in group 9"), std::string::npos);
}

// Sums past 16 bits, and more than ten thousand records.
TEST_F(SSATest, CombineHasNoLineLimitAndSumsIn64Bits) {
    std::vector<std::string> recs;
    for (int i = 0; i < 10050; ++i) recs.push_back(Location(Record(std::to_string(i / 2), "0030", "1.0", 0, 0, 30000,
                                                                   3000000000LL)));
    const auto out = Combine(recs);
    ASSERT_EQ(out.size(), 3u + 5025);
    const auto last = Split(out.back());
    EXPECT_EQ(last[1], "5024");
    EXPECT_EQ(last[21], "60000");
    EXPECT_EQ(last[20], "6000000000");
}

// 1,025 values just under 9e15 do not fit a 64-bit sum; nor does a volume
// weighted RW rate beyond a double.
TEST_F(SSATest, ASumThatDoesNotFitStopsNamingTheGroup) {
    struct Case {
        int field;
        const char* value;
        int records;
        const char* message;
    } cases[] = {
        {25, "8999999999999999", 1025, "record 1026: the sum of field 25 (#Clsn) of group 7 is too large."},
        {32, "8999999999999999", 1025, "record 1026: the sum of field 32 (PDO #Clsn) of group 7 is too large."},
        {18, "8999999999999999", 1025, "record 1026: the sum of field 18 (ADT) of group 7 is too large."},
        {20, "8999999999999999", 1025, "record 1026: the sum of field 20 (Volume (5 yrs)) of group 7 is too large."},
        {22, "1e303", 1, "record 2: the sum of field 22 (RW Rate) of group 7 is too large."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        auto first = Record("6", "0030", "1.0", 0, 1, 1, 100);
        auto big = Record("7", "0030", "1.0", 0, 1, 1, 1000000);
        big[c.field] = c.value;
        std::vector<std::string> recs{Location(first)};
        for (int i = 0; i < c.records; ++i) recs.push_back(Location(big));
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        EXPECT_TRUE(Combine(recs).empty());
        EXPECT_EQ(ui_->shown.back().title, "SSA_CombineLocations");
        EXPECT_FALSE(fs::exists(out_ + "loc_COMBINED.csv"));
    }
}

TEST_F(SSATest, ANonNumericFieldStopsNamingRecordAndField) {
    auto good = Record("1", "0030", "1.0", 0, 1, 1, 100);
    auto bad = good;
    bad[27] = "x";
    ui_->ExpectMsgBox(ui::vbOK, "record 2: field 27");
    const auto out = Combine({Location(good), Location(bad)});
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(fs::exists(out_ + "loc_COMBINED.csv"));
}

TEST_F(SSATest, FailuresLeaveNoOutput) {
    struct Case {
        const char* name;
        std::string text;
        const char* message;
    };
    const Case cases[] = {{"noheading.csv", "\"SSA\"\r\n1,2,3\r\n", "No SSA headings record found"},
                          {"missing.csv", "", "not found."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.text.empty()) WriteFile(data_ + c.name, c.text);
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        SSA_Reformat(data_ + c.name, out_ + "r.csv");
        ui_->ExpectMsgBox(ui::vbOK, c.message);
        SSA_CombineLocations(data_ + c.name, out_ + "c.csv");
        EXPECT_FALSE(fs::exists(out_ + "r.csv"));
        EXPECT_FALSE(fs::exists(out_ + "c.csv"));
    }
}

TEST_F(SSATest, TheOutputIsNeverTheInput) {
    const std::string text = "\"SSA\"\r\n" + kHeading + Location(Record("1", "0030", "1.0", 0, 1, 1, 100)) + "\r\n";
    WriteFile(data_ + "same.csv", text);
    ui_->ExpectMsgBox(ui::vbOK, "is the input file itself");
    SSA_Reformat(data_ + "same.csv", data_ + "same.csv");
    ui_->ExpectMsgBox(ui::vbOK, "is the input file itself");
    SSA_CombineLocations(data_ + "same.csv", data_ + "./same.csv");
    EXPECT_EQ(ReadFile(data_ + "same.csv"), text);
}

TEST_F(SSATest, TheTabCommandsRunOnTheSample) {
    form().SSA_Folder.SetText(Sample_Folder() + "collisions/");
    form().Out_Folder.SetText(out_);
    form().SSA_File.SetText("SSA_sections_sample.csv");
    ui_->ExpectMsgBox(ui::vbOK, "The output folder is not the same as the input folder.");
    cmdReformat_Orvel_Click(form());
    const auto sec = Lines(ReadFile(out_ + "SSA_sections_sample_Orvel.csv"));
    // five free lines, two of them blank (each gets a comment line before
    // it), the heading, then one line per section record
    const auto in = Lines(ReadFile(Sample_Folder() + "collisions/SSA_sections_sample.csv"));
    const size_t records = in.size() - 7;  // not the free lines, the heading and the closing line
    ASSERT_EQ(sec.size(), 5u + 2 + 1 + records);
    const std::map<std::string, std::string> highway = {
        {"0010", "1"},  {"0020", "1"},  {"0030", "1"},  {"0040", "1"},  {"0050", "1"},
        {"9050", "905"}, {"0500", "5"},  {"0515", "5"},  {"0550", "5"},  {"0530", "5"},
        {"0970", "97"}, {"0975", "97"}, {"0976", "97"}, {"0971", "97A"}, {"0972", "97A"}};
    for (size_t i = 8; i < sec.size(); ++i) {
        const auto f = Split(sec[i]), g = Split(in[i - 2]);
        SCOPED_TRACE(sec[i]);
        EXPECT_EQ(f[4], g[7]);
        EXPECT_EQ(f[3], highway.at(f[4]));
        EXPECT_EQ(f[10], g[25]);  // collisions
    }

    form().SSA_File.SetText("SSA_locations_sample.csv");
    ui_->ExpectMsgBox(ui::vbOK, "The output folder is not the same as the input folder.");
    cmdCombineLocations_Click(form());
    const auto loc = Lines(ReadFile(out_ + "SSA_locations_sample_COMBINED.csv"));
    // a group per intersection; the counts are the sums of its locations'
    std::map<std::string, long> clsn;
    std::vector<std::string> groups;
    for (const auto& l : Lines(ReadFile(Sample_Folder() + "collisions/SSA_locations_sample.csv"))) {
        const auto f = Split(l);
        if (f.size() < 26 || f[1] == "GroupID") continue;
        if (!clsn.count(f[1])) groups.push_back(f[1]);
        clsn[f[1]] += std::stol(f[25]);
    }
    ASSERT_GE(groups.size(), 5u);
    ASSERT_EQ(loc.size(), 3u + groups.size());
    for (size_t i = 0; i < groups.size(); ++i) {
        const auto f = Split(loc[3 + i]);
        EXPECT_EQ(f[1], groups[i]);
        EXPECT_EQ(std::stol(f[21]), clsn[groups[i]]) << groups[i];
    }
    // the junction of highways 1 and 905: two segments, two highways
    EXPECT_EQ(Split(loc[4])[6], "0010/9050");
    EXPECT_EQ(Split(loc[4])[5], " 1/905");
    EXPECT_EQ(StatusLines().back(), std::to_string(groups.size()) + " combined group data records written.");
}

}  // namespace
