#include "common/FileNumbers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class FileNumbersTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("filenumbers_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(FileNumbersTest, LinesReachTheFileWhenItIsClosed) {
    int16_t no = FreeFile();
    ASSERT_GT(no, 0);
    ASSERT_TRUE(Open_FileNo(no, (dir_ / "run.log").string()));
    EXPECT_TRUE(FileNo_IsOpen(no));
    EXPECT_NE(FreeFile(), no) << "a number in use is not free";
    Print_FileNo(no, "first");
    Print_FileNo(no, "second");
    EXPECT_TRUE(Close_FileNo(no));
    EXPECT_FALSE(FileNo_IsOpen(no));
    EXPECT_EQ(Slurp(dir_ / "run.log"), "first\nsecond\n");
    EXPECT_EQ(FreeFile(), no);
}

TEST_F(FileNumbersTest, NumbersWithoutAFileAreIgnored) {
    for (int16_t no : {int16_t{0}, int16_t{-1}, int16_t{77}}) {
        Print_FileNo(no, "lost");
        EXPECT_FALSE(FileNo_IsOpen(no));
        EXPECT_TRUE(Close_FileNo(no));
    }
    EXPECT_FALSE(Open_FileNo(0, (dir_ / "zero.log").string()));
    EXPECT_FALSE(Open_FileNo(3, (dir_ / "missing" / "x.log").string()));
    EXPECT_FALSE(FileNo_IsOpen(3));
}

}  // namespace
