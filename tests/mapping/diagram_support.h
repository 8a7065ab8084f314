// Small collision extracts for the diagram tests, written into a folder of
// the test's own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/headless.h"

namespace diagram_test {

namespace fs = std::filesystem;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The columns the diagram reads, in a heading line of their own.
inline const char* kDiagramHeading =
    "\"ACCASE\",\"CLSNDATE\",\"SEGNUM\",\"KMMARK\",\"NODE\",\"VEHDIR1\",\"VEHDIR2\",\"TOTALINJ\",\"TOTALKLD\","
    "\"TOTALVEH\",\"PREACTN1\",\"PREACTN2\",\"DIAGRAM\",\"TYPE2ND1\",\"LOCN1ST\"";

// One collision as the extract writes it.
struct Clsn {
    std::string accase = "C1";
    std::string date = "2020-01-01";
    std::string seg = "123";
    std::string km = "12.3";
    std::string node;
    std::string dir1 = "N";
    std::string dir2 = "S";
    std::string inj = "0";
    std::string kld = "0";
    std::string veh = "2";
    std::string pre1 = "01";
    std::string pre2 = "01";
    std::string diagram = "1";
    std::string type2 = "";
    std::string locn = "N";

    std::string Line() const {
        auto q = [](const std::string& s) { return "\"" + s + "\""; };
        return q(accase) + "," + q(date) + "," + q(seg) + "," + km + "," + q(node) + "," + q(dir1) + "," + q(dir2) +
               "," + inj + "," + kld + "," + veh + "," + q(pre1) + "," + q(pre2) + "," + diagram + "," + q(type2) +
               "," + q(locn);
    }
};

inline std::string Extract(const std::vector<Clsn>& rows) {
    std::string text = std::string(kDiagramHeading) + "\r\n";
    for (const auto& r : rows) text += r.Line() + "\r\n";
    return text;
}

// A headless test with a folder of its own.
class DiagramTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        dir_ = fs::temp_directory_path() / ("map_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
        HeadlessTest::TearDown();
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Write(const std::string& name, const std::string& text) const {
        WriteFile(Path(name), text);
        return Path(name);
    }

    fs::path dir_;
};

}  // namespace diagram_test
