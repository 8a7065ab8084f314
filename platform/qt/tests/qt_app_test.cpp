// The program's event loop: RunApplication makes its own application, so it
// has a test program of its own.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <cstdlib>

#include "platform/qt/QtApp.h"
#include "platform/ui/backend.h"
#include "platform/ui/forms.h"

namespace {

class MainWindow : public ui::Form {
public:
    MainWindow() : ui::Form("MainForm", "Tessawin") {
        cmdClose.SetCaption("Close");
        cmdClose.OnClick = [this] {
            window_existed = tw_qt::WindowOf(*this) != nullptr;
            Unload();
        };
    }
    ui::CommandButton& cmdClose = Add<ui::CommandButton>("cmdClose");
    ui::Form other{"frmOther", "Other"};
    bool window_existed = false;
    int unloads = 0;

protected:
    void Form_Load() override { other.Show(); }
    void Form_Unload(int16_t&) override { ++unloads; }
};

TEST(RunApplication, RunsUntilTheMainFormUnloads) {
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    MainWindow main;
    char name[] = "tessawin";
    char* argv[] = {name, nullptr};
    int rc = tw_qt::RunApplication(1, argv, [&]() -> ui::Form& {
        // The user presses Close once the loop runs.
        QTimer::singleShot(0, [&] { qobject_cast<QPushButton*>(tw_qt::WidgetOf(main.cmdClose))->click(); });
        return main;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(main.window_existed);
    EXPECT_EQ(main.unloads, 1);
    EXPECT_FALSE(main.Loaded());
    EXPECT_TRUE(main.other.Loaded()) << "other windows are not unloaded by the main one";
    // The services are headless again once the loop has ended.
    EXPECT_NE(dynamic_cast<ui::HeadlessBackend*>(&ui::CurrentBackend()), nullptr);
}

}  // namespace
