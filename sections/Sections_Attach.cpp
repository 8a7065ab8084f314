// The commands of this subsystem's tabs on the main window.
#include "app/MainForm.h"
#include "app/Subsystems.h"

void Sections_Attach(MainForm& form) {
    (void)form;
}
