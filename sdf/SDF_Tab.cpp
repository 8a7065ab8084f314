#include "sdf/SDF_Tab.h"

#include <string>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "platform/ui/ui.h"
#include "sdf/SDF_1DP_Separate.h"
#include "sdf/SDF_Transform.h"
#include "sdf/SDF_Utils.h"

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
