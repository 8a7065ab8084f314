// The inventory tab's commands on the main window.
#include "app/MainForm.h"
#include "app/Subsystems.h"

void Inventory_Attach(MainForm& form) {
    (void)form;
}
