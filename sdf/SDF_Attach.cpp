// The SDF subsystem's buttons on the main window: the SDF tab's commands,
// the section KML window's, and the collision-extract tab's that copies
// section fields.
#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "sdf/SDF_Fields_to_CDE.h"
#include "sdf/SDF_Tab.h"
#include "sdf/frmSDF_KML.h"

void SDF_Attach(MainForm& form) {
    // Attached once; a second call (tests) finds the buttons in place.
    if (form.Find<ui::CommandButton>("cmdOverlaps")) return;
    MainForm* f = &form;
    const int tab = MainForm::kTabSDF;
    form.AddTabCommand(tab, "cmdOverlaps", "Check for Overlaps", [f] { cmdOverlaps_Click(*f); })
        .SetToolTipText("Reports all section overlaps (with kms rounded to 1 dp).");
    form.AddTabCommand(tab, "cmdSDF_transform", "Transform to HMZ Version", [f] { cmdSDF_transform_Click(*f); })
        .SetToolTipText("Transform an SDF to the specified HMZ version");
    ui::CommandButton& cancel = form.AddTabCommand(tab, "cmdSDFCancel", "Cancel", [f] { cmdSDFCancel_Click(*f); });
    cancel.SetVisible(false);
    SDF_KML_Attach(form);
    form.AddTabCommand(tab, "cmdSDF1dpSep", "Reduce to 1DP Separated", [f] { cmdSDF1dpSep_Click(*f); })
        .SetToolTipText("Round Kms to 1 decimal place and separate sections by 0.1");
    // the collision-extract tab's command that copies section fields
    if (auto* add = form.Find<ui::CommandButton>("cmdAddSDFfields"))
        add->OnClick = [f] { sdf::cmdAddSDFfields_Click(*f); };
}
