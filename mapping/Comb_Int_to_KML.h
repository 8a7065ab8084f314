// The collision-prone locations of a combined-locations file (or a CPL
// report of the same columns) as KML: one placemark per location, placed at
// its segment and km in the given inventory version, with an HTML table of
// the location's figures.
#pragma once

#include <cstdint>
#include <string>

// Writes AddBackslash(OutFolder) & FileBaseName(InFile) & ".kml". -1 when
// the run ended (completed or cancelled by the user), 0 after a problem it
// reported.
int16_t Comb_Int_to_KML(const std::string& HMZversion, const std::string& InFile, const std::string& OutFolder);

class MainForm;
namespace mapping {
// The SSA tab's "Create KML from CPL or Combined Int. Locns".
void cmdCombInt2KML_Click(MainForm& form);
}  // namespace mapping
