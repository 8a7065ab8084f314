// The main window in the Qt backend, offscreen: it builds with its eight tabs,
// a tab change and Clear Status reach the widgets, and Close writes the store.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "app/MainForm.h"
#include "platform/qt/QtApp.h"
#include "platform/settings/settings.h"

namespace fs = std::filesystem;

TEST(MainFormQt, WindowTabsStatusAndClose) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const fs::path dir = fs::temp_directory_path() / ("mainform_qt_" + std::to_string(::getpid()));
    fs::create_directories(dir / "store");
    fs::create_directories(dir / "temp");
    settings::SetStoreFolder((dir / "store").string());
    ::setenv("temp", (dir / "temp").c_str(), 1);
    int ends = 0;
    MainForm::SetEndProcess([&] { ++ends; });

    int argc = 1;
    char name[] = "app_mainform_qt_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    tw_qt::InstallBackend();
    tw_qt::SetMessageBoxHook([](const std::string& prompt, int, const std::string& title) {
        ADD_FAILURE() << "unexpected box: [" << title << "] " << prompt;
        return std::optional<ui::MsgBoxResult>(ui::vbOK);
    });

    MainForm& form = TheMainForm();
    form.Show();
    ASSERT_NE(tw_qt::WindowOf(form), nullptr);

    auto* tabs = qobject_cast<QTabWidget*>(tw_qt::WidgetOf(form.SSTab1));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 8);
    const char* captions[] = {"CDE Files", "Detail Reports", "MapCase", "Class Rate", "SSA", "HMZ",
                              "SDF",       "Volume"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(tabs->tabText(i).toStdString(), captions[i]);

    auto* status = qobject_cast<QPlainTextEdit*>(tw_qt::WidgetOf(form.Status));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->toPlainText().toStdString(), "Process Collision Data Extract files.");

    // The user picks the SSA tab: its two-line description shows.
    tabs->setCurrentIndex(MainForm::kTabSSA);
    app.processEvents();
    EXPECT_EQ(form.SSTab1.Tab(), MainForm::kTabSSA);
    EXPECT_EQ(form.Status.Text(), MainForm::TabDescription(MainForm::kTabSSA));
    EXPECT_NE(status->toPlainText().toStdString().find("or Analyse an SSA output subset CDE file."),
              std::string::npos);

    auto* clear = qobject_cast<QAbstractButton*>(tw_qt::WidgetOf(form.cmdClearStatus));
    ASSERT_NE(clear, nullptr);
    clear->click();
    app.processEvents();
    EXPECT_EQ(form.Status.Text(), "");
    EXPECT_TRUE(status->toPlainText().isEmpty());

    auto* out = tw_qt::WidgetOf(form.Out_Folder);
    ASSERT_NE(out, nullptr);
    form.Out_Folder.SetText("/data/out");

    auto* close = qobject_cast<QAbstractButton*>(tw_qt::WidgetOf(form.cmdClose));
    ASSERT_NE(close, nullptr);
    close->click();
    app.processEvents();
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
