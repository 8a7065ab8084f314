// The commands of this subsystem's tabs on the main window.
#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "sections/ShortSections_Attach.h"
#include "sections/vol_Run.h"

void Sections_Attach(MainForm& form) {
    ShortSections_Attach(form);
    Volume_Attach(form);
}
