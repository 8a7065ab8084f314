// Geometry databases for the tests: real Jet files written by our writer into
// a folder of the test's own, with the program folder, the settings store and
// the database cache pointed into it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/FileNumbers.h"
#include "common/TessawinMod.h"
#include "inventory/GeoDBmod.h"
#include "platform/settings/settings.h"
#include "tests/support/headless.h"
#include "tools/jet_script.h"

namespace geotest {

namespace fs = std::filesystem;

// One row of SegLatLonKm.
struct Pt {
    std::string seg;
    int row;
    double km_scaled, km_calc, lat, lon;
};

inline std::string Num(double v) {
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o.precision(17);
    o << v;
    return o.str();
}

// Writes a geometry database holding `points` (none: an empty table).
inline void WriteGeometry(const fs::path& file, const std::vector<Pt>& points) {
    std::ostringstream s;
    s << "CREATE TABLE SegLatLonKm (Segment TEXT(4), RowNum LONG, Km_Scaled SINGLE, Km_Calc SINGLE,"
         " Latitude DOUBLE, Longitude DOUBLE);\n";
    for (const auto& p : points)
        s << "INSERT INTO SegLatLonKm VALUES ('" << p.seg << "', " << p.row << ", " << Num(p.km_scaled) << ", "
          << Num(p.km_calc) << ", " << Num(p.lat) << ", " << Num(p.lon) << ");\n";
    std::istringstream in(s.str());
    fs::create_directories(file.parent_path());
    jet::write_script(in, file.string());
}

// A segment along a straight line: `n` points from (lat0, lon0), each `step`
// km further, at the given degree offsets.
inline std::vector<Pt> Line(const std::string& seg, int n, double step, double lat0, double lon0, double dlat,
                            double dlon) {
    std::vector<Pt> pts;
    for (int i = 0; i < n; ++i) pts.push_back({seg, i + 1, i * step, i * step, lat0 + i * dlat, lon0 + i * dlon});
    return pts;
}

// The test's folders: app/ (AppFolder), data/ (the geometry data folder),
// and a cache and settings store of its own. The geometry module is closed
// before and after.
class GeoTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        dir_ = fs::temp_directory_path() / ("tw_geo_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "app");
        fs::create_directories(dir_ / "data");
        const char* old = std::getenv("XDG_CACHE_HOME");
        had_cache_ = old != nullptr;
        if (old) old_cache_ = old;
        ::setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
        settings::SetStoreFolder((dir_ / "store").string());
        settings::SaveSetting("Tessawin", "DataFolders", "Geometry", Data());
        saved_app_ = AppFolder;
        AppFolder = App();
        GeoDB_Close();
        GeoDB_DataSource.clear();
    }
    void TearDown() override {
        GeoDB_Close();
        GeoDB_DataSource.clear();
        if (log_ > 0) Close_FileNo(log_);
        AppFolder = saved_app_;
        settings::SetStoreFolder("");
        if (had_cache_)
            ::setenv("XDG_CACHE_HOME", old_cache_.c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
        fs::remove_all(dir_);
        HeadlessTest::TearDown();
    }
    std::string App() const { return (dir_ / "app").string() + "/"; }
    std::string Data() const { return (dir_ / "data").string() + "/"; }

    // A log open under a number, so that the finder asks nothing.
    int16_t OpenLog() {
        if (log_ > 0) Close_FileNo(log_);
        log_ = FreeFile();
        EXPECT_TRUE(Open_FileNo(log_, (dir_ / "geo.log").string()));
        return log_;
    }
    std::string LogText() {
        Close_FileNo(log_);
        log_ = 0;
        std::ifstream in(dir_ / "geo.log");
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path dir_;
    int16_t log_ = 0;

private:
    std::string saved_app_, old_cache_;
    bool had_cache_ = false;
};

}  // namespace geotest
