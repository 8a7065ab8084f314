// CollisionKML: what the collision KML files share. Each begins with the head
// template basekml.txt of the program folder (the XML declaration, the kml
// and Document start tags and the three severity styles FATplace, INJplace
// and PDOplace), then the document name, the placemarks and the closing
// "</Document></kml>". Files are written whole: nothing appears under the
// output name until the last line is written.
#pragma once

#include <cstdint>
#include <string>

#include "common/TextFile.h"

// Severity classes 1 (fatal) to 3 (property damage only); index 0 unused.
extern const char* const SevName[4];   // "Fatal", "Injury", "PDO"
extern const char* const SevStyle[4];  // "FAT", "INJ", "PDO"

// The severity class of a set of collisions.
int16_t KML_Severity(int32_t fatal, int32_t injury);

// "<styleUrl>#" & style code & "place</styleUrl>".
std::string KML_StyleUrl(int16_t severityClass);

// Opens outPath for writing and copies the head template into it. False,
// after a box titled `writer`, when the template cannot be read (the box
// names it) or the output cannot be created.
bool KML_Start(OutputFile& out, const std::string& outPath, const std::string& writer);

// Writes "</Document></kml>" and puts the file in place. False after a box
// titled `writer` when it could not be written.
bool KML_Finish(OutputFile& out, const std::string& writer);

// One output line, ended by CR LF.
void KML_Line(OutputFile& out, const std::string& line);
