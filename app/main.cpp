// The program: the main window in the Qt backend's event loop.
#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "platform/qt/QtApp.h"

int main(int argc, char** argv) {
    // The event loop ends when the main window unloads, and returning from
    // here ends the process.
    MainForm::SetEndProcess(nullptr);
    return tw_qt::RunApplication(argc, argv, []() -> ui::Form& {
        MainForm& form = TheMainForm();
#ifdef TW_HAS_INVENTORY
        Inventory_Attach(form);
#endif
#ifdef TW_HAS_COLLISIONS
        Collisions_Attach(form);
#endif
#ifdef TW_HAS_SDF
        SDF_Attach(form);
#endif
#ifdef TW_HAS_MAPPING
        Mapping_Attach(form);
#endif
#ifdef TW_HAS_SECTIONS
        Sections_Attach(form);
#endif
        return form;
    });
}
