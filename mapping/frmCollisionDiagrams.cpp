#include "mapping/frmCollisionDiagrams.h"

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "mapping/CollisionDiagram.h"
#include "mapping/CollisionDiagramDoc.h"
#include "platform/ui/ui.h"

frmCollisionDiagrams::frmCollisionDiagrams() : ui::Form("frmCollisionDiagrams", "Create a Collision Diagram in MS-Word") {
    Move(0, 0, 9720, 7260);
    Frame4.SetCaption("Display Collisions From:");
    Frame4.Move(120, 120, 4200, 4560);
    optAll.SetCaption("ALL Locations");
    optAll.Move(120, 300, 3900, 300);
    optSelect.SetCaption("Selected  Location(s):");
    optSelect.Move(120, 600, 3900, 300);
    lstLocations.Move(120, 960, 3960, 3000);
    lstLocations.SetMultiSelect(true);
    lstLocations.SetFontName("Courier New");
    Label3.SetCaption("... on one diagram.");
    Label3.Move(120, 4020, 3900, 300);
    chkAddTables.SetCaption("Append Data Tables.");
    chkAddTables.Move(240, 4800, 3900, 300);

    Frame1.SetCaption("Diagram  Type");
    Frame1.Move(4440, 120, 5040, 1500);
    for (int i = 1; i <= 7; ++i) optType(i).Move(120 + (i - 1) * 690, 360, 660, 660);
    Frame2.SetCaption("Accident Count Labels");
    Frame2.Move(4440, 1740, 5040, 1260);
    optNoCount.SetCaption("None");
    optNoCount.Move(120, 300, 2400, 300);
    optTotalCount.SetCaption("Total ");
    optTotalCount.Move(120, 600, 2400, 300);
    optFIPCount.SetCaption("Separate Fatal, Injury and PDO");
    optFIPCount.Move(120, 900, 4700, 300);
    Frame3.SetCaption("Collision Subset Date Range Title");
    Frame3.Move(4440, 3120, 5040, 2040);
    txtMinDate.Move(120, 300, 1500, 315);
    Label5.SetCaption("to");
    Label5.Move(1740, 330, 300, 300);
    txtMaxDate.Move(2160, 300, 1500, 315);
    Label4.SetCaption("(These dates are for titles only - not for collision selection).");
    Label4.Move(120, 720, 4800, 300);
    Label6.SetCaption(
        "These are initialized to the min && max collision dates in the CDE file.  Adjust them to the subset query "
        "date range if desired. ");
    Label6.Move(120, 1080, 4800, 840);

    Label2.SetCaption("From Collision Data Extract:");
    Label2.Move(120, 5280, 4200, 300);
    lblCDEname.Move(120, 5580, 9360, 300);
    Frame5.SetCaption("Status");
    Frame5.Move(120, 5940, 6840, 780);
    lblStatus.Move(120, 300, 6600, 360);
    cmdOK.SetCaption("Create Diagram");
    cmdOK.Move(7080, 6060, 1260, 480);
    cmdOK.SetDefault(true);
    cmdClose.SetCaption("Close");
    cmdClose.Move(8460, 6060, 1020, 480);
    cmdClose.SetCancel(true);

    cmdOK.OnClick = [this] { cmdOK_Click(); };
    cmdClose.OnClick = [this] { cmdClose_Click(); };
}

void frmCollisionDiagrams::Form_Load() {
    MainForm& main = TheMainForm();
    SetLeft(main.Left() + 300);
    SetTop(main.Top() + 300);
    optNoCount.SetValue(false);
    optTotalCount.SetValue(false);
    optFIPCount.SetValue(true);
    for (int i = 1; i <= 7; ++i) {
        optType(i).SetPicture(AppFolder + "cd_type" + std::to_string(i) + ".bmp");
        optType(i).SetValue(i == 1);
    }
    cde_folder_ = collisions::Trimmed(main.CDE_folder.Text());
    cde_file_ = collisions::Trimmed(main.CDE_file.Text());
    cde_path_ = AddBackslash(cde_folder_) + cde_file_;
    lblCDEname.SetCaption(cde_path_);
    txtMinDate.SetText(CDE_MinDate);
    txtMaxDate.SetText(CDE_MaxDate);
    LoadLocations();
}

void frmCollisionDiagrams::LoadLocations() {
    lstLocations.Clear();
    LocationKeys.assign(1, "");
    for (size_t i = 1; i < CDE_LocationKeys.size(); ++i) {
        const std::string& key = CDE_LocationKeys[i];
        if (i > 1 && key == CDE_LocationKeys[i - 1]) continue;
        lstLocations.AddItem(LocationKeyLabel(key));
        LocationKeys.push_back(key);
    }
}

void frmCollisionDiagrams::cmdOK_Click() {
    std::vector<std::string> selected{""};
    if (optSelect.Value()) {
        for (int i = 0; i < lstLocations.ListCount(); ++i)
            if (lstLocations.Selected(i)) selected.push_back(LocationKeys[static_cast<size_t>(i) + 1]);
        if (selected.size() == 1 && lstLocations.ListCount() > 0) {
            ui::MsgBox("Select at least one location, or select the ALL locations option", ui::vbExclamation,
                       "No locations selected.");
            return;
        }
    }
    int16_t type = 1;
    for (int i = 1; i <= 7; ++i) {
        if (optType(i).Value()) {
            type = static_cast<int16_t>(i);
            break;
        }
    }
    const int16_t countMode = optNoCount.Value() ? 0 : optTotalCount.Value() ? 1 : 2;
    // The diagram goes into the output folder, where every other output
    // goes, never beside the extract (which may be a read-only share).
    std::string out;
    if (!TheMainForm().Check_OutFolder(out)) return;
    const std::string written = CreateCollisionDiagram(*this, AppFolder, out, cde_path_, selected, type, countMode,
                                                       chkAddTables.Value() == ui::vbChecked, txtMinDate.Text(),
                                                       txtMaxDate.Text());
    if (!written.empty()) Written.push_back(written);
}

void frmCollisionDiagrams::cmdClose_Click() {
    Unload();
}

frmCollisionDiagrams& TheCollisionDiagramsForm() {
    static frmCollisionDiagrams form;
    return form;
}

namespace mapping {

void cmdClsnDiagram_Click(MainForm& form) {
    form.ShowStatus("", false);
    if (!form.GetCDEfilename()) return;
    {
        ui::Hourglass wait;
        form.ShowStatus("Reading CDE file...");
        Read_CDE(form.cde_fullname);
        if (CDE_RecordCount < 1) {
            form.ShowStatus("No collision data found in CDE file", true);
            return;
        }
        form.ShowStatus("Opening Collision Diagram form...", true);
    }
    frmCollisionDiagrams& window = TheCollisionDiagramsForm();
    window.Written.clear();
    window.Show(ui::vbModal);
    form.ShowStatus("", false);
    for (const std::string& file : window.Written) form.ShowStatus("Collision diagram written to " + file, true);
}

}  // namespace mapping
