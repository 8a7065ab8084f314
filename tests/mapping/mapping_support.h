// The main window in the headless backend with the collision tabs' commands
// and this subsystem's attached, the program folder of the build, and the
// folders of collisions_support.h.
#pragma once

#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "tests/collisions/collisions_support.h"
#include "tests/support/kml_check.h"

namespace mapping_test {

using namespace collisions_test;

class MappingTest : public CollisionsTest {
protected:
    void SetUp() override {
        CollisionsTest::SetUp();
        static bool attached = false;
        if (!attached) {
            Collisions_Attach(form());
            Mapping_Attach(form());
            attached = true;
        }
        saved_ = AppFolder;
        AppFolder = PROGRAM_FOLDER;
    }
    void TearDown() override {
        HMZ_Close_Database();
        GeoDB_Close();
        SAV_Forget_Database();
        AppFolder = saved_;
        CollisionsTest::TearDown();
    }
    void Click(const char* button) {
        auto* b = form().Find<ui::CommandButton>(button);
        ASSERT_NE(b, nullptr) << button;
        ui::ClickButton(*b);
    }
    // The geometry file the first lookup proposes, confirmed.
    void ExpectGeometry() {
        ui_->ExpectInput(Sample_Folder() + "TRgeo_HMZ202004_SegGeometry.mdb", "Open HMZ Segment geometry database");
    }
    std::string saved_;
};

}  // namespace mapping_test
