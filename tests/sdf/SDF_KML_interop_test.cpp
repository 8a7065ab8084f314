// The section KML opened by a real KML reader (gpsbabel).
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/Brellinlib.h"
#include "tests/sdf/sdf_kml_support.h"

namespace {

using namespace sdftest;

TEST_F(SdfKmlTest, TheSectionKmlOpensInAKmlReader) {
    WriteFile(data_ + "sections.csv", kSections);
    Open("sections.csv", "202004");
    Tick({&win().chkSDF_label_endpoints});
    ExpectGeometry();
    Run();
    const auto all = kmlcheck::ReadKml(out_ + "sections.kml");
    const kmlcheck::Reading r = kmlcheck::Gpsbabel(out_ + "sections.kml");
    ASSERT_TRUE(r.ok);
    const auto lines = Of(all, true);
    ASSERT_EQ(r.tracks.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(r.tracks[i].name, lines[i].name);
        const auto coords = Lines(lines[i].coordinates[0]);
        ASSERT_EQ(r.tracks[i].points.size(), coords.size());
        EXPECT_NEAR(r.tracks[i].points[0].lon, std::atof(coords[0].c_str()), 1e-9);
        EXPECT_NEAR(r.tracks[i].points[0].lat, std::atof(coords[0].c_str() + coords[0].find(',') + 1), 1e-9);
        EXPECT_GT(r.tracks[i].points[0].lat, 49.0);
    }
    EXPECT_EQ(r.waypoints.size(), Of(all, false).size());
}

TEST_F(SdfKmlTest, TheSampleSectionFilesRunWithNothingConfigured) {
    const struct {
        const char* file;
        const char* version;
        const char* warning;  // the untranslatable-segment box, when the file has such sections
    } files[] = {
        {"SDF_fields_201807.csv", "201807", nullptr},
        {"SDF_versions_201404.csv", "201404", "0990 "},
        {"SDF_overlaps_201807.csv", "201807", nullptr},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.file);
        form().SDF_folder.SetText(Sample_Folder() + "sdf/");
        form().SDF_file.SetText(f.file);
        form().SDF_HMZversion.SetText(f.version);
        form().Out_Folder.SetText(out_);
        Click("cmdSDF_KML");
        win().txtSDF_auxfield(0).SetText("Route");
        win().txtSDF_auxfield(1).SetText("Speed: SpeedZone");
        Tick({&win().chkSDF_label_endpoints, &win().chkSDF_MarkKms});
        win().txtSDF_KmInterval.SetText("1.0");
        if (!GeoDB_db.is_open()) ExpectGeometry();
        if (f.warning) ui_->ExpectMsgBox(ui::vbOK, f.warning);
        Run();
        const std::string kml = out_ + FileBaseName(f.file) + ".kml";
        const auto lines = Of(kmlcheck::ReadKml(kml), true);
        ASSERT_FALSE(lines.empty()) << Status();
        EXPECT_EQ(StatusLines().back(),
                  std::to_string(lines.size()) + " sections written to KML file " + f.file);
        const kmlcheck::Reading r = kmlcheck::Gpsbabel(kml);
        EXPECT_EQ(r.tracks.size(), lines.size());
        if (std::string(f.file) == "SDF_fields_201807.csv") {
            EXPECT_NE(lines[0].description.find("<tr><td>Speed<td>"), std::string::npos) << lines[0].description;
        }
    }
}

}  // namespace
