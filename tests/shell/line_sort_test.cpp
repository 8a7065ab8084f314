#include "platform/shell/line_sort.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>

#include "platform/shell/scratch.h"
#include "tests/tools/test_files.h"

namespace {

using namespace std::string_literals;
using testfiles::read_text;
using testfiles::write_text;

// What the C locale's sort utility makes of a file.
std::string SystemSort(const std::string& path) {
    testfiles::RunResult r = testfiles::run({"env", "LC_ALL=C", "sort", path});
    EXPECT_EQ(r.status, 0);
    return r.out;
}

// CR-LF and LF ends, lines that are prefixes of others, bytes above 127 (which
// sort after ASCII only when compared unsigned), blanks and tabs that sort
// below digits, an empty line, a NUL, duplicates, and no LF at the end.
const std::string kFixture =
    "\"2015-03-02\",\"0010\",1.5\r\n"
    "\"2015-03-02\",\"0010\",1.5\r\n"
    "\"2015-03-02\",\"0010\"\r\n"
    "\"2015-03-02\",\"0010\",1.5\n"
    "\"CLSNDATE\",\"SEGNUM\",\"KMMARK\"\r\n"
    "\"2015-01-15\",\"0020\",\xc3\xa9t\xc3\xa9\r\n"
    "\"2015-01-15\",\"0020\",ete\r\n"
    "\"2015-01-15\",\"0020\",\xff\r\n"
    "\"2015-01-15\",\"0020\",\x7f\r\n"
    "\r\n"
    "\n"
    "\"2015-01-15\" \r\n"
    "\"2015-01-15\"\t\r\n"
    "abc\0def\n"
    "abc\n"
    "\"2014-12-31\",\"0030\",9.9"s;

class LineSortTest : public ::testing::Test {
protected:
    testfiles::TempDir dir_;
};

TEST_F(LineSortTest, TheFixtureSortsAsTheCLocaleSortUtilitySortsIt) {
    ASSERT_NE(kFixture.find('\0'), std::string::npos);
    const std::string in = dir_.file("in.csv");
    write_text(in, kFixture);
    const std::string expected = SystemSort(in);
    ASSERT_FALSE(expected.empty());
    // all in memory; then a budget so small that every line or two is a run
    for (std::size_t budget : {std::size_t{1} << 20, std::size_t{64}, std::size_t{1}}) {
        SCOPED_TRACE("budget " + std::to_string(budget));
        const std::string out = dir_.file("out.csv");
        shell::SortOptions options;
        options.memory_budget = budget;
        shell::SortResult r = shell::SortLines(in, out, options);
        ASSERT_TRUE(r.ok) << r.error_text;
        EXPECT_EQ(read_text(out), expected);
        EXPECT_EQ(r.lines, 16u);
        if (budget == 1) {
            EXPECT_GT(r.runs, 1u);
        }
        if (budget == std::size_t{1} << 20) {
            EXPECT_EQ(r.runs, 0u);
        }
    }
}

// Enough lines and a small enough budget for more runs than are merged at
// once, so the runs are merged in rounds.
TEST_F(LineSortTest, ManyRunsMergedInRoundsGiveTheSameResult) {
    std::mt19937 rng(13);
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += "\"20" + std::to_string(10 + rng() % 10) + "-0" + std::to_string(1 + rng() % 9) + "-1" +
                std::to_string(rng() % 10) + "\",";
        const int extra = static_cast<int>(rng() % 12);
        for (int k = 0; k < extra; ++k) text += static_cast<char>(rng() % 2 ? 'a' + rng() % 3 : 0x80 + rng() % 128);
        text += (rng() % 2) ? "\r\n" : "\n";
    }
    const std::string in = dir_.file("big.csv");
    write_text(in, text);
    const std::string expected = SystemSort(in);
    shell::SortOptions options;
    options.memory_budget = 4096;
    options.scratch_folder = dir_.path().string();
    const std::string out = dir_.file("sorted.csv");
    shell::SortResult r = shell::SortLines(in, out, options);
    ASSERT_TRUE(r.ok) << r.error_text;
    EXPECT_GT(r.runs, 64u);
    EXPECT_EQ(r.lines, 20000u);
    EXPECT_TRUE(read_text(out) == expected);
    // the runs leave nothing behind in their folder
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 2u);
}

// A file large enough to be read, indexed, sorted and written in pieces side
// by side: many equal lines (which fall across the pieces' cuts), lines
// alike in far more than their first 16 bytes, and no LF at the end.
TEST_F(LineSortTest, ALargeFileSortedInPiecesSideBySide) {
    std::mt19937 rng(7);
    std::string text;
    for (int i = 0; i < 120000; ++i) {
        switch (rng() % 4) {
            case 0:
                text += "\"2015-03-02\",\"0010\",1.5\r\n";  // the same line, again and again
                break;
            case 1:
                text += "\"2015-03-02\",\"0010\",1.5,\"" + std::to_string(rng() % 50) + "\"\r\n";
                break;
            default:
                text += "\"20" + std::to_string(10 + rng() % 10) + "-0" + std::to_string(1 + rng() % 9) + "\"," +
                        std::to_string(rng() % 100000) + "\n";
        }
    }
    text += "\"2015-03-02\",\"0010\"";
    const std::string in = dir_.file("large.csv");
    write_text(in, text);
    const std::string out = dir_.file("large.out");
    shell::SortResult r = shell::SortLines(in, out);
    ASSERT_TRUE(r.ok) << r.error_text;
    EXPECT_EQ(r.runs, 0u);
    EXPECT_EQ(r.lines, 120001u);
    EXPECT_TRUE(read_text(out) == SystemSort(in));
}

TEST_F(LineSortTest, EmptyInputGivesAnEmptyOutputAndTheOutputMayBeTheInput) {
    const std::string empty = dir_.file("empty.csv");
    write_text(empty, "");
    shell::SortResult r = shell::SortLines(empty, dir_.file("e.out"));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(read_text(dir_.file("e.out")), "");
    EXPECT_EQ(r.lines, 0u);

    const std::string same = dir_.file("same.csv");
    write_text(same, "b\r\na\r\nc");
    ASSERT_TRUE(shell::SortLines(same, same).ok);
    EXPECT_EQ(read_text(same), "a\r\nb\r\nc\n");
}

TEST_F(LineSortTest, AFailureLeavesTheOutputAsItWas) {
    const std::string out = dir_.file("out.csv");
    write_text(out, "kept\n");
    shell::SortResult missing = shell::SortLines(dir_.file("absent.csv"), out);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_NE(missing.error_text.find("absent.csv"), std::string::npos);
    EXPECT_EQ(read_text(out), "kept\n");

    const std::string in = dir_.file("in.csv");
    write_text(in, "b\na\n");
    shell::SortResult no_folder = shell::SortLines(in, dir_.file("no/such/folder/out.csv"));
    EXPECT_FALSE(no_folder.ok);
    EXPECT_EQ(no_folder.error, ENOENT);
}

TEST(PrivateTempFolder, IsOursAloneUnderTheTemporaryFolder) {
    const std::string folder = shell::PrivateTempFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    struct stat st {};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());
    EXPECT_EQ(shell::PrivateTempFolder(), folder);
    // made again when something removed it
    ::rmdir(folder.c_str());
    const std::string again = shell::PrivateTempFolder();
    ASSERT_FALSE(again.empty());
    ASSERT_EQ(::lstat(again.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

}  // namespace
