// Section fields into collision extracts: a collision data extract copied
// line by line, each collision followed by the named fields of the SDF
// section that holds its location.
#pragma once

#include <string>

class MainForm;

// version: the inventory version of both files; fieldList: comma-separated
// SDF headings. Reports in the status box and in boxes titled with its name.
void SDF_Fields_to_CDE(const std::string& version, const std::string& cdeIn, const std::string& sdfFile,
                       const std::string& cdeOut, const std::string& fieldList);

namespace sdf {
// The collision-extract tab's "Add SDF Fields" command: the tab's checks,
// then SDF_Fields_to_CDE. Put on the tab's button by the SDF subsystem.
void cmdAddSDFfields_Click(MainForm& form);
}  // namespace sdf
