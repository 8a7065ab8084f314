// The monthly workbooks opened in a real spreadsheet program (LibreOffice,
// headless): each holds the heading and that month's collisions.
#include <gtest/gtest.h>

#include "collisions/Monthly_CDE.h"
#include "tests/collisions/collisions_support.h"
#include "tests/support/soffice.h"

namespace {

using namespace collisions_test;

class MonthlySplitInterop : public CollisionsTest {
protected:
    void SetUp() override {
        CollisionsTest::SetUp();
        shell::SetLauncher(nullptr);  // soffice runs for real
        fs::create_directories(dir_ / "profile");
        fs::create_directories(dir_ / "converted");
    }
    // The workbook as LibreOffice shows it, as comma-separated lines.
    std::vector<std::string> AsCsv(const std::string& book) {
        testsupport::soffice_convert(book, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true",
                                     (dir_ / "converted").string(), (dir_ / "profile").string());
        return Lines(ReadFile((dir_ / "converted" / (fs::path(book).stem().string() + ".csv")).string()));
    }
};

TEST_F(MonthlySplitInterop, EachMonthsWorkbookReadsBackWithItsCollisions) {
    WriteFile(data_ + "fatals.csv",
              "\"CLSNDATE\",\"ACCASE\",\"SEGNUM\",\"KMMARK\"\r\n"
              "\"2015-02-01\",\"A2\",\"0010\",\"3.5\"\r\n"
              "\"2015-01-15\",\"A1\",\"0020\",\"2.0\"\r\n"
              "\"2015-01-03\",\"A0\",\"0030\",\"0.5\"\r\n");
    int16_t status = -1;
    Monthly_CDE(data_ + "fatals.csv", out_, status);
    ASSERT_EQ(status, kSplitFinished);
    const auto jan = AsCsv(out_ + "fatal_data_2015-01.xlsx");
    ASSERT_EQ(jan.size(), 3u);
    EXPECT_EQ(jan[0], "CLSNDATE,ACCASE,SEGNUM,KMMARK");
    EXPECT_NE(jan[1].find("A0"), std::string::npos);
    EXPECT_NE(jan[2].find("A1"), std::string::npos);
    const auto feb = AsCsv(out_ + "fatal_data_2015-02.xlsx");
    ASSERT_EQ(feb.size(), 2u);
    EXPECT_NE(feb[1].find("A2"), std::string::npos);
}

}  // namespace
