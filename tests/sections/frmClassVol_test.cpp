#include "sections/frmClassVol.h"

#include <gtest/gtest.h>

#include "app/Subsystems.h"
#include "tests/sections/volume_support.h"

namespace {

using namespace voltest;

std::string stored(const std::string& key) {
    return settings::GetSetting("Tessawin", "ClassVol", key, "<none>");
}

class ClassVolTest : public invtest::InventoryTest {
protected:
    void SetUp() override {
        InventoryTest::SetUp();
        load_form();
        Collisions_Attach(TheMainForm());
        Sections_Attach(TheMainForm());
    }
    // Presses the Class Rate tab's button; `in_window` runs while the window is shown.
    void open_window(const std::function<void(frmClassVol&)>& in_window) {
        ui_->on_modal = [&](ui::Form& w) {
            ASSERT_EQ(w.Name(), "frmClassVol");
            in_window(static_cast<frmClassVol&>(w));
        };
        ui::ClickButton(*TheMainForm().Find<ui::CommandButton>("cmdClassVol"));
        ui_->on_modal = nullptr;
    }
};

// The window lives for the whole process, so one test walks its life.
TEST_F(ClassVolTest, TheWindowKeepsItsSetsAndRangesInTheSettings) {
    open_window([](frmClassVol& w) {
        EXPECT_EQ(w.Caption(), "Class Sets and Volume Ranges");
        EXPECT_TRUE(w.Modal());
        // nothing stored yet: every slot empty and cleared
        for (int i = 1; i <= kClassSetCount; ++i) {
            EXPECT_EQ(w.chkCS(i).Value(), 0);
            EXPECT_EQ(w.txtClassSet(i).Text(), "");
        }
        for (int j = 1; j <= kVolumeRangeCount; ++j) {
            EXPECT_EQ(w.chkVR(j).Value(), 0);
            EXPECT_EQ(w.txtMinVol(j).Text(), "");
            EXPECT_EQ(w.txtMaxVol(j).Text(), "");
        }
        EXPECT_TRUE(w.txtClassSet(1).FixedPitch());

        // the volume ranges' standard leaves the class sets alone, and saves nothing
        w.txtClassSet(12).SetText("* R A U 2  ");
        w.chkCS(12).SetValue(1);
        ui::ClickButton(w.cmdStandardVR);
        EXPECT_EQ(w.txtClassSet(12).Text(), "* R A U 2  ");
        const std::pair<const char*, const char*> ranges[] = {{"1", "5000"},      {"5001", "10000"},
                                                              {"10001", "15000"}, {"15001", "20000"},
                                                              {"20001", "999999"}, {"1", "999999"}};
        for (int j = 1; j <= 6; ++j) {
            EXPECT_EQ(w.txtMinVol(j).Text(), ranges[j - 1].first);
            EXPECT_EQ(w.txtMaxVol(j).Text(), ranges[j - 1].second);
            EXPECT_EQ(w.chkVR(j).Value(), 1);
        }
        EXPECT_EQ(w.chkVR(7).Value(), 0);
        EXPECT_EQ(stored("txtMinVol(1)"), "<none>");
        ui::ClickButton(w.cmdClose);
    });
    EXPECT_FALSE(TheClassVolForm().Visible());
    EXPECT_TRUE(TheClassVolForm().Loaded()) << "hidden, not unloaded";
    EXPECT_EQ(stored("txtClassSet(12)"), "* R A U 2  ") << "stored as typed, trailing blanks too";
    EXPECT_EQ(stored("chkCS(12)"), "1");
    EXPECT_EQ(stored("chkCS(1)"), "0");
    EXPECT_EQ(stored("txtMinVol(5)"), "20001");
    EXPECT_EQ(stored("txtMaxVol(8)"), "");
    EXPECT_EQ(stored("chkVR(6)"), "1");

    // the class sets' standard, then Cancel: nothing saved, the edits still shown next time
    open_window([](frmClassVol& w) {
        ui::ClickButton(w.cmdStandardCS);
        EXPECT_EQ(w.txtClassSet(1).Text(), "* U A U 2");
        EXPECT_EQ(w.txtClassSet(10).Text(), "* R F D 4");
        EXPECT_EQ(w.txtClassSet(12).Text(), "");
        EXPECT_EQ(w.chkCS(12).Value(), 0);
        EXPECT_EQ(w.chkCS(10).Value(), 1);
        EXPECT_EQ(w.txtMinVol(2).Text(), "5001") << "ranges untouched";
        ui::ClickButton(w.cmdCancel);
    });
    EXPECT_EQ(stored("txtClassSet(12)"), "* R A U 2  ");
    EXPECT_EQ(stored("txtClassSet(1)"), "");
    open_window([](frmClassVol& w) {
        EXPECT_EQ(w.txtClassSet(1).Text(), "* U A U 2");
        ui::ClickButton(w.cmdCancel);
    });

    // a new process's window reads what was saved
    frmClassVol fresh;
    fresh.Load();
    EXPECT_EQ(fresh.txtClassSet(12).Text(), "* R A U 2  ");
    EXPECT_EQ(fresh.chkCS(12).Value(), 1);
    EXPECT_EQ(fresh.txtMaxVol(5).Text(), "999999");
    fresh.Unload();
}

}  // namespace
