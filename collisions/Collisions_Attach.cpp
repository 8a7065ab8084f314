// The commands of the collision tabs on the main window.
#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "collisions/CDEbyGroup.h"
#include "collisions/CDEtoExcel.h"
#include "collisions/Monthly_CDE.h"
#include "collisions/RateTable.h"
#include "collisions/SSA.h"
#include "collisions/WebRep.h"

void Collisions_Attach(MainForm& form) {
    MainForm* f = &form;
    form.AddTabCommand(MainForm::kTabCDE, "cmdCDErequirements", "View CDE file Requirements for Collision Diagrams",
                        [f] { cmdCDErequirements_Click(*f); });
    form.AddTabCommand(MainForm::kTabCDE, "cmdCDEtoExcel", "Open CDE file in Excel",
                        [f] { cmdCDEtoExcel_Click(*f); });
    form.AddTabCommand(MainForm::kTabCDE, "cmdSplitByMonth", "Split by Collision Month",
                        [f] { cmdSplitByMonth_Click(*f); });
    form.AddTabCommand(MainForm::kTabCDE, "cmdCDEaddGeoFields", "Add Geo Fields",
                        [f] { cmdCDEaddGeoFields_Click(*f); });
    // The tools behind these three live in the section-file and mapping
    // subsystems, which wire the buttons when they attach.
    form.AddTabCommand(MainForm::kTabCDE, "cmdAddSDFfields", "Add SDF Fields", [] {});
    form.AddTabCommand(MainForm::kTabCDE, "cmdClsnDiagram", "Create Collision Diagram ...", [] {});
    form.AddTabCommand(MainForm::kTabCDE, "cmdKML", "Create KML File", [] {});
    form.AddTabCommand(MainForm::kTabCDE, "cmdCDEsumByGroupAndQuarter", "Sum by Group and Quarter",
                        [f] { cmdCDEsumByGroupAndQuarter_Click(*f); })
        .SetToolTipText("... for Off-Road-Rt and HeadOn+Off-Road-Left collisions");
    form.AddTabCommand(MainForm::kTabClassRate, "cmdClassVol", "Specify Class Sets and Volume Ranges...",
                        [f] { cmdClassVol_Click(*f); })
        .SetToolTipText("Opens a form for specifying Class Sets and Volume Ranges.");
    form.AddTabCommand(MainForm::kTabClassRate, "cmdRateTable", "Create Published Format Rate Table CSV file",
                        [f] { cmdRateTable_Click(*f); });
    form.AddTabCommand(MainForm::kTabDetail, "cmdDetailSplit", "Split by Collision && Make HTML Indeces",
                        [f] { cmdDetailSplit_Click(*f); });
    form.AddTabCommand(MainForm::kTabDetail, "cmdOpenRTFinWord", "Open the RTF file in Word",
                        [f] { cmdOpenRTFinWord_Click(*f); });
    form.AddTabCommand(MainForm::kTabSSA, "cmdReformat_Orvel", "Reformat SSA File (22 Columns, with Highway)",
                        [f] { cmdReformat_Orvel_Click(*f); });
    form.AddTabCommand(MainForm::kTabSSA, "cmdCombineLocations", "Combine Intersection Locations",
                        [f] { cmdCombineLocations_Click(*f); });
    form.AddTabCommand(MainForm::kTabSSA, "cmdCombInt2KML", "Create KML from CPL or Combined Int. Locns", [] {});
    form.AddTabCommand(MainForm::kTabSSA, "cmdSSA_Help1", "?", [f] { cmdSSA_Help1_Click(*f); });
    form.AddTabCommand(MainForm::kTabSSA, "cmdCDEByMonth", "Break IN-SS CDE by Section && Month",
                        [f] { cmdCDEByMonth_Click(*f); })
        .SetToolTipText(
            "For each GroupID (section) in an IN_SSA subset CDE file, list clsn counts by month and severity.");
}
