// The commands of this subsystem's tabs on the main window, and the
// collision tabs' buttons whose tools live here.
#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "mapping/CDEtoKMLmod.h"
#include "mapping/Comb_Int_to_KML.h"
#include "mapping/frmCollisionDiagrams.h"
#include "mapping/MapCase_Tab.h"

namespace {

// Points a button another tab made at its tool here; nothing when the
// button is not on the window.
void Wire(MainForm& form, const char* button, void (*handler)(MainForm&)) {
    if (auto* b = form.Find<ui::CommandButton>(button)) {
        MainForm* f = &form;
        b->OnClick = [f, handler] { handler(*f); };
    }
}

}  // namespace

void Mapping_Attach(MainForm& form) {
    Wire(form, "cmdKML", mapping::cmdKML_Click);
    Wire(form, "cmdCombInt2KML", mapping::cmdCombInt2KML_Click);
    Wire(form, "cmdClsnDiagram", mapping::cmdClsnDiagram_Click);
    MapCase_Attach(form);
}
