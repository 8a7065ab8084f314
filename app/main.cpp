// The program: the main window in the Qt backend's event loop.
#include "app/MainForm.h"
#include "platform/qt/QtApp.h"

int main(int argc, char** argv) {
    // The event loop ends when the main window unloads, and returning from
    // here ends the process.
    MainForm::SetEndProcess(nullptr);
    return tw_qt::RunApplication(argc, argv, []() -> ui::Form& { return TheMainForm(); });
}
