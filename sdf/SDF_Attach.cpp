// The commands of this subsystem's tabs on the main window.
#include "sdf/SDF_Attach.h"

#include <string>

#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "platform/ui/ui.h"
#include "collisions/collision_util.h"
#include "sdf/SDF_1DP_Separate.h"
#include "sdf/SDF_Fields_to_CDE.h"
#include "sdf/SDF_Transform.h"
#include "sdf/SDF_Utils.h"
#include "sdf/frmSDF_KML.h"

bool SDF_init(MainForm& form) {
    form.ShowStatus("", false);
    std::string folder, file, full, out;
    if (!form.GetFileName(form.SDF_folder, form.SDF_file, folder, file, full)) return false;
    if (!form.Check_OutFolder(out)) return false;
    const std::string version = Check_HMZ_Version_Text(form.SDF_HMZversion);
    if (version.empty()) return false;
    SDF_Set_HMZversion(version);
    SDF_Set_File(full);
    SDF_Set_OutFolder(out);
    form.sdf_fullname = full;
    return true;
}

void cmdOverlaps_Click(MainForm& form) {
    if (!SDF_init(form)) return;
    int16_t status = 0;
    SDF_Overlaps(status);
}

void cmdSDF_transform_Click(MainForm& form) {
    const std::string target = TrimSpaces(form.SDF_toHMZversion.Text());
    if (target.empty()) {
        ui::MsgBox("Enter the target HMZ version", ui::vbExclamation);
        form.SDF_toHMZversion.SetFocus();
        return;
    }
    // a version the inventory does not know would flag every section as off it
    if (!HMZ_Version_Valid(target)) {
        Check_HMZ_Version_Text(form.SDF_toHMZversion);
        return;
    }
    const std::string ndp_text = TrimSpaces(form.SDF_NDP.Text());
    if (ndp_text != "1" && ndp_text != "2") {
        ui::MsgBox("Enter the number of km decimal places: 1 or 2", ui::vbExclamation);
        form.SDF_NDP.SetFocus();
        return;
    }
    if (!SDF_init(form)) return;
    ui::CommandButton* cancel = form.Find<ui::CommandButton>("cmdSDFCancel");
    if (cancel) cancel->SetVisible(true);
    form.Refresh();
    SDF_Transform(target, static_cast<int16_t>(ndp_text == "1" ? 1 : 2));
    if (cancel) cancel->SetVisible(false);
    form.Refresh();
}

void cmdSDFCancel_Click(MainForm&) {
    SDF_Cancel = true;
}

void cmdSDF1dpSep_Click(MainForm& form) {
    int16_t option = 0;
    for (;;) {
        const std::string answer = TrimSpaces(ui::InputBox(std::string("1 - Just ID, seg & new km fields.") + "\r\n" +
                                                         "2 - Add Description (or Note) field." + "\r\n" +
                                                         "3 - Include all input fields.",
                                                     "Enter option number for output fields:", "1"));
        if (answer.empty()) return;
        if (collisions::ToInt16(answer, option)) break;
    }
    if (!SDF_init(form)) return;
    SDF_1DP_Separate(option);
}

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
