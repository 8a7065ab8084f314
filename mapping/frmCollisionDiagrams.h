// The collision diagram window: the locations of the loaded extract, the
// intersection layout, the count labels, the title dates and the data-table
// option; "Create Diagram" builds one diagram and the window stays open.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/forms.h"

class MainForm;

class frmCollisionDiagrams : public ui::Form {
public:
    frmCollisionDiagrams();

    // Fills lstLocations with one entry per run of equal location keys.
    void LoadLocations();

    void cmdOK_Click();
    void cmdClose_Click();

    // The 1-based keys of lstLocations' entries, in list order.
    std::vector<std::string> LocationKeys{""};
    // The diagrams written since the window opened, for the status box.
    std::vector<std::string> Written;

    ui::Frame& Frame4 = Add<ui::Frame>("Frame4");
    ui::OptionButton& optAll = Add<ui::OptionButton>("optAll", ui::In(Frame4));
    ui::OptionButton& optSelect = Add<ui::OptionButton>("optSelect", ui::In(Frame4));
    ui::ListBox& lstLocations = Add<ui::ListBox>("lstLocations", ui::In(Frame4));
    ui::Label& Label3 = Add<ui::Label>("Label3", ui::In(Frame4));
    ui::CheckBox& chkAddTables = Add<ui::CheckBox>("chkAddTables");
    ui::Frame& Frame3 = Add<ui::Frame>("Frame3");
    ui::TextBox& txtMinDate = Add<ui::TextBox>("txtMinDate", ui::In(Frame3));
    ui::Label& Label5 = Add<ui::Label>("Label5", ui::In(Frame3));
    ui::TextBox& txtMaxDate = Add<ui::TextBox>("txtMaxDate", ui::In(Frame3));
    ui::Label& Label4 = Add<ui::Label>("Label4", ui::In(Frame3));
    ui::Label& Label6 = Add<ui::Label>("Label6", ui::In(Frame3));
    ui::Frame& Frame2 = Add<ui::Frame>("Frame2");
    ui::OptionButton& optNoCount = Add<ui::OptionButton>("optNoCount", ui::In(Frame2));
    ui::OptionButton& optTotalCount = Add<ui::OptionButton>("optTotalCount", ui::In(Frame2));
    ui::OptionButton& optFIPCount = Add<ui::OptionButton>("optFIPCount", ui::In(Frame2));
    ui::Frame& Frame1 = Add<ui::Frame>("Frame1");
    ui::ControlArray<ui::OptionButton> optType = AddArray<ui::OptionButton>("optType", 1, 7, ui::In(Frame1));
    ui::Label& Label2 = Add<ui::Label>("Label2");
    ui::Label& lblCDEname = Add<ui::Label>("lblCDEname");
    ui::Frame& Frame5 = Add<ui::Frame>("Frame5");
    ui::Label& lblStatus = Add<ui::Label>("lblStatus", ui::In(Frame5));
    ui::CommandButton& cmdOK = Add<ui::CommandButton>("cmdOK");
    ui::CommandButton& cmdClose = Add<ui::CommandButton>("cmdClose");

protected:
    void Form_Load() override;

private:
    std::string cde_folder_, cde_file_, cde_path_;
};

// The one diagram window of the program.
frmCollisionDiagrams& TheCollisionDiagramsForm();

namespace mapping {
// "Create Collision Diagram ..." on the collision-extract tab.
void cmdClsnDiagram_Click(MainForm& form);
}  // namespace mapping
