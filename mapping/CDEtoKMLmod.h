// CDEtoKMLmod: a collision data extract as KML, one placemark per run of
// consecutive collisions at the same latitude/longitude text, named by the
// number of collisions, styled by the worst severity, its description
// listing the counts and every other column of every collision of the run.
#pragma once

#include <cstdint>
#include <string>

// Writes AddBackslash(OutFolder) & Name & ".kml" from CdeFile; Name is also
// the document name. -1 on success, 0 after the problem was reported.
int16_t Make_KML(const std::string& CdeFile, const std::string& OutFolder, const std::string& Name);

// Writes the placemark being gathered, at that latitude/longitude text.
void WriteKmlPlacemark(const std::string& Lat, const std::string& Lon);

class MainForm;
namespace mapping {
// The CDE tab's "Create KML File".
void cmdKML_Click(MainForm& form);
}  // namespace mapping
