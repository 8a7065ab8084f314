// The main window in the Qt backend, offscreen: it builds with its eight tabs,
// a tab change and Clear Status reach the widgets, and Close writes the store.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "app/MainForm.h"
#include "platform/qt/QtApp.h"
#include "platform/qt/QtProbe.h"
#include "platform/settings/settings.h"

namespace fs = std::filesystem;
namespace probe = tw_qt::probe;

TEST(MainFormQt, WindowTabsStatusAndClose) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path dir = fs::temp_directory_path() / ("mainform_qt_" + std::to_string(::getpid()));
    fs::create_directories(dir / "store");
    fs::create_directories(dir / "temp");
    settings::SetStoreFolder((dir / "store").string());
    ::setenv("temp", (dir / "temp").c_str(), 1);
    int ends = 0;
    MainForm::SetEndProcess([&] { ++ends; });

    tw_qt::EnsureApplication();
    tw_qt::InstallBackend();
    tw_qt::SetMessageBoxHook([](const std::string& prompt, int, const std::string& title) {
        ADD_FAILURE() << "unexpected box: [" << title << "] " << prompt;
        return std::optional<ui::MsgBoxResult>(ui::vbOK);
    });

    MainForm& form = TheMainForm();
    form.Show();
    ASSERT_TRUE(probe::HasWindow(form));

    ASSERT_EQ(probe::TabCount(form.SSTab1), 8);
    const char* captions[] = {"CDE Files", "Detail Reports", "MapCase", "Class Rate", "SSA", "HMZ", "SDF", "Volume"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(probe::TabText(form.SSTab1, i), captions[i]);

    EXPECT_EQ(probe::WidgetText(form.Status), "Process Collision Data Extract files.");

    // The user picks the SSA tab: its two-line description shows.
    ASSERT_TRUE(probe::UserSelectTab(form.SSTab1, MainForm::kTabSSA));
    probe::ProcessEvents();
    EXPECT_EQ(form.SSTab1.Tab(), MainForm::kTabSSA);
    EXPECT_EQ(form.Status.Text(), MainForm::TabDescription(MainForm::kTabSSA));
    EXPECT_NE(probe::WidgetText(form.Status).find("or Analyse an SSA output subset CDE file."), std::string::npos);

    ASSERT_TRUE(probe::UserClick(form.cmdClearStatus));
    probe::ProcessEvents();
    EXPECT_EQ(form.Status.Text(), "");
    EXPECT_EQ(probe::WidgetText(form.Status), "");

    ASSERT_NE(tw_qt::WidgetOf(form.Out_Folder), nullptr);
    form.Out_Folder.SetText("/data/out");

    ASSERT_TRUE(probe::UserClick(form.cmdClose));
    probe::ProcessEvents();
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(fs::exists(settings::StoreFile("Tessawin")));
    EXPECT_EQ(settings::GetSetting("Tessawin", "mainform", "Tab", ""), "4");
    EXPECT_EQ(settings::GetSetting("Tessawin", "mainform", "LastOutFolder", ""), "/data/out");

    tw_qt::SetMessageBoxHook(nullptr);
    MainForm::SetEndProcess(nullptr);
    settings::SetStoreFolder("");
    std::error_code ec;
    fs::remove_all(dir, ec);
}
