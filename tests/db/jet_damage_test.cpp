// A Jet file whose pages are not all there, as an interrupted copy leaves
// it, or whose table definitions and usage maps point past its end: libmdb
// once read a null usage map in such a file and crashed in the reader's
// child process. The file is now named damaged or incomplete before libmdb
// walks it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/db/db.h"
#include "tests/tools/test_files.h"
#include "tools/jet_writer.h"

namespace {

constexpr std::size_t kPage = 4096;
const std::string kDamaged = "is damaged or incomplete; was its copy interrupted?";

class JetDamage : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CACHE_HOME");
        had_old_ = old != nullptr;
        if (old) old_ = old;
        ::setenv("XDG_CACHE_HOME", dir_.file("cache").c_str(), 1);
    }
    void TearDown() override {
        if (had_old_)
            ::setenv("XDG_CACHE_HOME", old_.c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
    }

    // The description of the error opening the bytes as a file gives.
    std::string OpenError(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.file(name);
        testfiles::write_text(path, bytes);
        try {
            db::Database::open(path);
        } catch (const db::Error& e) {
            EXPECT_EQ(e.number(), db::kErrUnrecognizedFormat) << name;
            return e.description();
        }
        return "opened";
    }

    testfiles::TempDir dir_;

private:
    bool had_old_ = false;
    std::string old_;
};

std::uint32_t Le32(const std::string& b, std::size_t at) {
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
           static_cast<std::uint8_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

TEST_F(JetDamage, TheSamplesAllVersionsFileCutShort) {
    const std::string whole = testfiles::read_text(std::string(SAMPLE_DIR) + "/segallversions.mdb");
    ASSERT_EQ(whole.size(), 9 * kPage);
    // After 8 of its 9 pages, as the interrupted copy was found; at every
    // other page; within a page.
    for (std::size_t pages = 8; pages >= 1; --pages) {
        const std::string msg = OpenError("cut.mdb", whole.substr(0, pages * kPage));
        EXPECT_NE(msg.find(kDamaged), std::string::npos) << pages << " pages: " << msg;
    }
    const std::string msg = OpenError("mid.mdb", whole.substr(0, 8 * kPage + 100));
    EXPECT_NE(msg.find(kDamaged), std::string::npos) << msg;
    EXPECT_EQ(OpenError("whole.mdb", whole), "opened");
}

TEST_F(JetDamage, ATablesPagesPointPastTheEnd) {
    const std::string path = dir_.file("t.mdb");
    {
        jet::Writer w(path);
        const int t = w.add_table("T", {{"A", jet::Type::Long}, {"B", jet::Type::Text}});
        for (int i = 0; i < 50; ++i) w.add_row(t, {jet::Value(std::int64_t{i}), jet::Value(std::string("row"))});
        w.finish();
    }
    const std::string good = testfiles::read_text(path);
    ASSERT_EQ(OpenError("good.mdb", good), "opened");
    // The only table's definition is on page 3; its usage map is the row
    // its pointer at offset 55 names, a map of type 0 (first page, bitmap).
    const std::size_t tdef = 3 * kPage;
    const std::uint32_t map_ref = Le32(good, tdef + 55);
    const std::size_t map_page = (map_ref >> 8) * kPage;
    const std::size_t slot = map_page + 14 + 2 * (map_ref & 0xFF);
    const std::size_t map = map_page + ((static_cast<std::uint8_t>(good[slot]) | static_cast<std::uint8_t>(good[slot + 1]) << 8) & 0x1FFF);
    ASSERT_EQ(good[map], 0);
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
    } cases[] = {
        {"its definition goes on past the end", [&](std::string& b) { Put32(b, tdef + 4, 900); }},
        {"its usage map is a row that is not there", [&](std::string& b) { Put32(b, tdef + 55, (map_ref & ~0xFFu) | 200); }},
        {"its usage map lies past the end", [&](std::string& b) { Put32(b, tdef + 55, 900u << 8); }},
        {"its usage map names pages past the end", [&](std::string& b) { Put32(b, map + 1, 900); }},
    };
    for (const Case& c : cases) {
        std::string bytes = good;
        c.damage(bytes);
        const std::string msg = OpenError("damaged.mdb", bytes);
        EXPECT_NE(msg.find(kDamaged), std::string::npos) << c.name << ": " << msg;
    }
}

}  // namespace
