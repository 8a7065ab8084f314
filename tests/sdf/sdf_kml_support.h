// The section KML window opened from the SDF tab, and a small section file
// on segments whose geometry is the same in every version.
#pragma once

#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "sdf/SDF_Geometry.h"
#include "sdf/SDF_KML.h"
#include "sdf/frmSDF_KML.h"
#include "tests/sdf/sdf_support.h"
#include "tests/support/kml_check.h"

namespace sdftest {

class SdfKmlTest : public SdfTest {
protected:
    void TearDown() override {
        HMZ_Close_Database();
        GeoDB_Close();
        SdfTest::TearDown();
    }
    frmSDF_KML& win() { return TheSDF_KMLForm(); }
    // The tab filled for the file, the window opened from the tab.
    void Open(const std::string& name, const std::string& version) {
        FillTab(name, version);
        Click("cmdSDF_KML");
        ASSERT_TRUE(win().Visible());
    }
    void Tick(std::initializer_list<ui::CheckBox*> boxes) {
        for (ui::CheckBox* b : boxes) b->SetValue(ui::vbChecked);
    }
    void ExpectGeometry() {
        ui_->ExpectInput(Sample_Folder() + "TRgeo_HMZ202004_SegGeometry.mdb", "Open HMZ Segment geometry database");
    }
    void Run() { ui::RunCommand([&] { win().cmdRun.OnClick(); }); }
    static std::vector<kmlcheck::Placemark> Of(const std::vector<kmlcheck::Placemark>& all, bool lines) {
        std::vector<kmlcheck::Placemark> out;
        for (const auto& p : all)
            if (p.has_line == lines) out.push_back(p);
        return out;
    }
};

// 0010 has a centreline point every 0.2 km from km 0 in every version.
inline constexpr const char* kSections =
    "ID,Segment1,Km1,Segment2,Km2,Description,Route\r\n"
    "A & 1,0010,1.0,0010,3.05,On one segment <a>,R1\r\n"
    "B,0010,0.999,0010,2.0,Just short of a point,R2\r\n"
    "C,0010,11.0,0030,2.0,Across 0020,R3\r\n"
    "D,0010,1.05,0010,2.0,Between points,R4\r\n";

}  // namespace sdftest
