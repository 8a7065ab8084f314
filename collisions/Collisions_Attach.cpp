// The commands of the collision tabs on the main window.
#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "collisions/CDEbyGroup.h"
#include "collisions/Monthly_CDE.h"
#include "collisions/RateTable.h"

void Collisions_Attach(MainForm& form) {
    MainForm* f = &form;
    form.AddTabCommand(MainForm::kTabCDE, "cmdSplitByMonth", "Split by Collision Month",
                        [f] { cmdSplitByMonth_Click(*f); });
    form.AddTabCommand(MainForm::kTabCDE, "cmdCDEsumByGroupAndQuarter", "Sum by Group and Quarter",
                        [f] { cmdCDEsumByGroupAndQuarter_Click(*f); })
        .SetToolTipText("... for Off-Road-Rt and HeadOn+Off-Road-Left collisions");
    form.AddTabCommand(MainForm::kTabClassRate, "cmdClassVol", "Specify Class Sets and Volume Ranges...",
                        [f] { cmdClassVol_Click(*f); })
        .SetToolTipText("Opens a form for specifying Class Sets and Volume Ranges.");
    form.AddTabCommand(MainForm::kTabClassRate, "cmdRateTable", "Create Published Format Rate Table CSV file",
                        [f] { cmdRateTable_Click(*f); });
    form.AddTabCommand(MainForm::kTabSSA, "cmdCDEByMonth", "Break IN-SS CDE by Section && Month",
                        [f] { cmdCDEByMonth_Click(*f); })
        .SetToolTipText(
            "For each GroupID (section) in an IN_SSA subset CDE file, list clsn counts by month and severity.");
}
