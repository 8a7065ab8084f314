// What the inventory tests share: a program folder and an inventory data
// folder of their own, converted database copies in a cache of their own, the
// headless ui backend, and .mdb files written by our Jet writer from a script.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/TessawinMod.h"
#include "inventory/HMZ_Database.h"
#include "platform/settings/settings.h"
#include "tests/support/headless.h"
#include "tests/tools/test_files.h"
#include "tools/jet_script.h"

namespace invdb {

class InventoryTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        const char* old = std::getenv("XDG_CACHE_HOME");
        had_cache_ = old != nullptr;
        if (old) old_cache_ = old;
        ::setenv("XDG_CACHE_HOME", dir_.file("cache").c_str(), 1);
        std::filesystem::create_directories(dir_.path() / "app");
        std::filesystem::create_directories(dir_.path() / "data");
        settings::SetStoreFolder(dir_.file("store"));
        set_data_folder(data());
        saved_app_ = AppFolder;
        AppFolder = app();
    }
    void TearDown() override {
        HMZ_Close_Database();
        Trace_FileNo = 0;
        tessawin::SetTraceWriter(nullptr);
        AppFolder = saved_app_;
        settings::SetStoreFolder("");
        if (had_cache_)
            ::setenv("XDG_CACHE_HOME", old_cache_.c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
        HeadlessTest::TearDown();
    }

    std::string app() const { return dir_.file("app") + "/"; }
    std::string data() const { return dir_.file("data") + "/"; }
    void set_data_folder(const std::string& folder) {
        ASSERT_TRUE(settings::SaveSetting("Tessawin", "DataFolders", "Inventory", folder));
    }

    // Writes a Jet file from a script of CREATE TABLE and INSERT statements.
    static std::string write_mdb(const std::string& path, const std::string& script) {
        std::istringstream in(script);
        jet::write_script(in, path);
        return path;
    }

    // Collects the trace lines while a trace log is "open".
    void trace_on() {
        Trace_FileNo = 7;
        tessawin::SetTraceWriter([this](const std::string& line) { trace_.push_back(line); });
    }

    // The boxes shown so far, as "[title] prompt".
    std::vector<std::string> boxes() const {
        std::vector<std::string> out;
        for (const auto& b : ui_->shown) out.push_back("[" + b.title + "] " + b.prompt);
        return out;
    }

    testfiles::TempDir dir_;
    std::vector<std::string> trace_;

private:
    bool had_cache_ = false;
    std::string old_cache_, saved_app_;
};

// A small inventory of one version: four segments meeting at nodes N1..N3,
// their areas and classes, node landmarks and intersections. Kms are Single,
// as in the real files.
inline const char* kInventoryScript = R"sql(
CREATE TABLE District (District SHORT, Region SHORT, Name TEXT(50));
INSERT INTO District VALUES (11, 1, 'North'), (12, 1, 'South'), (21, 2, 'East');
CREATE TABLE Area (Area SHORT, District SHORT, Name TEXT(50));
INSERT INTO Area VALUES (111, 11, 'Alder'), (112, 11, 'Birch'), (121, 12, 'Cedar'), (211, 21, 'Dogwood');
CREATE TABLE SegArea (Segment TEXT(4), Start_Km SINGLE, End_km SINGLE, Area SHORT);
INSERT INTO SegArea VALUES
  ('0010', 4.7, 12.34, 112), ('0010', 0, 4.7, 111),
  ('0020', 0, 0.7, 121),
  ('0030', 0, 5, 999),
  ('0005', 0, 3.5, 211);
CREATE TABLE SegClass (Segment TEXT(4), Cat_Number BYTE, Char_Code TEXT(2), From_Date DATETIME,
                       To_Date DATETIME, Start_Km SINGLE, End_Km SINGLE);
INSERT INTO SegClass VALUES
  ('0010', 2, 'U', #2000-01-01#, #2099-12-31#, 0, 12.34),
  ('0010', 5, 'D4', #2000-01-01#, #2099-12-31#, 0, 4.7),
  ('0010', 5, 'X', #2000-01-01#, #2010-12-31#, 0, 4.7),
  ('0010', 1, 'R', #2020-01-01#, #2020-12-31#, 4.7, 12.34),
  ('0020', 3, 'A', #2000-01-01#, #2099-12-31#, 0, 0.7),
  ('0040', 7, 'Z', #2000-01-01#, #2099-12-31#, 0, 9),
  ('0050', NULL, 'Z', #2000-01-01#, #2099-12-31#, 0, 9);
CREATE TABLE Segment (Segment TEXT(4), Length SINGLE, Begin_Node TEXT(8), End_Node TEXT(8),
                      Begin_Continuity TEXT(1), End_Continuity TEXT(1), nway BYTE,
                      Highway_Number SHORT, Highway_Letter TEXT(1));
INSERT INTO Segment VALUES
  ('0010', 12.34, 'N1', 'N2', 'C', 'C', 2, 1, NULL),
  ('0020', 0.7, 'N2', 'N3', 'C', 'E', 1, 1, 'A'),
  ('0030', 5, 'N2', NULL, 'C', NULL, NULL, NULL, NULL),
  ('0005', 3.5, 'N3', 'N2', 'C', 'C', 4, 97, 'C');
CREATE TABLE Landmark (ID LONG, Segment TEXT(4), Km SINGLE, LMtype TEXT(2), Latitude DOUBLE,
                       Longitude DOUBLE, LatLon_Source_ID LONG);
INSERT INTO Landmark VALUES
  (1, '0005', 3.5, 'Z3', NULL, NULL, NULL),
  (2, '0005', 3.5, 'Z3', 50.5, -120.25, 4),
  (3, '0010', 0, 'Z2', 50.1, -121.0, 4),
  (4, '0020', 0, 'Z2', 50.2, -121.1, 4),
  (5, '0030', 0, 'Z2', 50.3, -121.2, 4);
CREATE TABLE Intersection (ID LONG, Source_Landmark_ID LONG, road1 TEXT(50), road2 TEXT(50),
                           road3 TEXT(50), Place TEXT(50));
INSERT INTO Intersection VALUES
  (100, 3, 'Main St', 'Hwy 1', NULL, 'Alderton'),
  (101, 4, 'Main St', 'Hwy 1', 'Oak Rd', 'Alderton'),
  (102, NULL, 'Elm', NULL, '', NULL),
  (103, 1, 'Pine', 'Fir', NULL, 'Cedarvale');
CREATE TABLE [Landmark-Intersection] (Landmark_ID LONG, Intersection_ID LONG, Legs SHORT);
INSERT INTO [Landmark-Intersection] VALUES (4, 101, 4), (3, 100, 3), (3, 99, NULL), (5, 103, 3);
)sql";

}  // namespace invdb
