// Every window of the program built through the Qt backend, offscreen: each
// button, label, check box and option button shows its whole caption in the
// font the backend gives it, and that font is the one scripts/install-deps
// installs (so a fresh machine shows the same).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "inventory/frmHMZLatLon.h"
#include "inventory/frmHemzshiftExcel.h"
#include "mapping/frmCollisionDiagrams.h"
#include "platform/qt/QtProbe.h"
#include "platform/settings/settings.h"
#include "sdf/frmSDF_KML.h"
#include "sections/frmClassVol.h"
#include "sections/frmShortSections.h"
#include "tests/support/qt.h"

namespace fs = std::filesystem;
namespace probe = tw_qt::probe;

namespace {

class CaptionsQt : public testsupport::QtTest {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("captions_qt_" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "store");
        fs::create_directories(dir_ / "temp");
        settings::SetStoreFolder((dir_ / "store").string());
        ::setenv("temp", (dir_ / "temp").c_str(), 1);
        MainForm::SetEndProcess([] {});
        testsupport::QtTest::SetUp();
    }
    void TearDown() override {
        testsupport::QtTest::TearDown();
        MainForm::SetEndProcess(nullptr);
        settings::SetStoreFolder("");
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST_F(CaptionsQt, EveryCaptionOfEveryWindowFits) {
    MainForm& main = TheMainForm();
    Inventory_Attach(main);
    Collisions_Attach(main);
    SDF_Attach(main);
    Mapping_Attach(main);
    Sections_Attach(main);
    main.Show();

    const std::vector<ui::Form*> windows = {&main,
                                            &TheCollisionDiagramsForm(),
                                            &TheSDF_KMLForm(),
                                            &TheShortSectionsForm(),
                                            &TheClassVolForm(),
                                            &The_frmHMZLatLon(),
                                            &The_frmHemzshiftExcel()};
    for (ui::Form* f : windows) {
        if (f != &main) f->Show();
        probe::ProcessEvents();
        ASSERT_TRUE(probe::HasWindow(*f)) << f->Name();
        for (const probe::CutCaption& c : probe::CutCaptions(*f))
            ADD_FAILURE() << f->Name() << "." << c.control << " \"" << c.text << "\" needs " << c.needed << " px of "
                          << (c.height ? "height" : "width") << ", has " << c.available << " (" << c.font << ")";
    }

    EXPECT_EQ(probe::FontOf(main.cmdClose).rfind("Liberation Sans ", 0), 0u)
        << probe::FontOf(main.cmdClose) << ": is fonts-liberation2 installed (scripts/install-deps)?";

    for (auto it = windows.rbegin(); it != windows.rend(); ++it) (*it)->Unload();
}

}  // namespace
