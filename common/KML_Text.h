// KML_Text: the text of every KML file of the program, section and collision
// KML alike.
#pragma once

#include <string>

// Text for a KML element: bytes that are not UTF-8 read as Windows-1252,
// characters XML forbids dropped, then XML_Escape.
std::string KML_Text(const std::string& s);
// Text for inside a CDATA section: the same repair, and every "]]>" split
// across two sections so none ends early.
std::string KML_CData(const std::string& s);
