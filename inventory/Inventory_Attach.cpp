// The inventory tab's commands on the main window.
#include "app/MainForm.h"
#include "app/Subsystems.h"
#include "inventory/HMZ_Tab.h"
#include "inventory/LatLon_to_SegKm.h"

void Inventory_Attach(MainForm& form) {
    // Attached once; a second call (tests) finds the buttons in place.
    if (form.Find<ui::CommandButton>("cmdShowSeg")) return;
    const int tab = MainForm::kTabHMZ;
    form.AddTabCommand(tab, "cmdShowSeg", "Show", [] { cmdShowSeg_Click(); })
        .SetToolTipText("Show all HMZ versions containing this segment number.");
    form.AddTabCommand(tab, "cmdGetSegDate", "Lookup a valid date for Segment", [] { cmdGetSegDate_Click(); })
        .SetToolTipText("Gets the last Transform  End_Date or if no transform, the segment effective date.");
    form.AddTabCommand(tab, "cmdHMZ_ShowTrans", "Show Transformations", [] { cmdHMZ_ShowTrans_Click(); })
        .SetToolTipText("Transform the location to previous and following HMZ versions.");
    form.AddTabCommand(tab, "cmdHMZ_LatLon", "Get Lat Lon", [] { cmdHMZ_LatLon_Click(); })
        .SetToolTipText("Look up Lat,Lon & Nalt Albers X,Y.  Put Lat,Lon in clipboard.");
    form.AddTabCommand(tab, "cmdHMZhelp", "Help", [] { cmdHMZhelp_Click(); });
    form.AddTabCommand(tab, "cmdFindClosestHMZLocations", "Find", [] { cmdFindClosestHMZLocations_Click(); })
        .SetToolTipText(
            "Find the closest HMZ locations, looked up on the best of Trevane and GeoNalt HMZ Segment geometry.");
    form.AddTabCommand(tab, "cmdSegKmLatLonExcel", "Seg Km <--> LatLon Conversions in Excel ...",
                       [] { cmdSegKmLatLonExcel_Click(); });
    form.AddTabCommand(tab, "cmdHMZTransformsInExcel", "HMZ Transforms in Excel ...",
                       [] { cmdHMZTransformsInExcel_Click(); })
        .SetToolTipText("Transform 1 or 2 HMZ locations per row to a target HMZ version.");
    form.developer_test = [] { Test_Perp_Foot_Dist(); };
    form.txtHMZ_Segment.OnKeyPress = [](int16_t& KeyAscii) { txtHMZ_Segment_KeyPress(KeyAscii); };
}
