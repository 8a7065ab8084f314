// Showing a workbook or comma-separated file in the spreadsheet program.
#pragma once

#include <string>

// Shows File in the desktop's spreadsheet program, in a normal window. A
// missing file is reported in a box titled "File not found." and nothing
// else happens. Failures of the spreadsheet layer are thrown (office::Error).
void Excel_OpenWorkbook(const std::string& File);
