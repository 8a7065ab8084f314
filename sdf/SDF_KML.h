// SDF_KML: the loaded section definition file as one KML document: a
// coloured line per section on the segment centrelines with a balloon
// describing it, a marker for every inventory node the section passes, and
// on request labelled end points and km markers along each section.
#pragma once

#include <cstdint>
#include <string>

// Run options, read from frmSDF_KML at the start of each run.
extern bool KmlEndpoints;
extern bool KmlKmMarks;
extern float KmlKmInterval;
extern bool KmlTableBorders;
// Sections whose placemark was completed in the run.
extern int32_t KmlSectionsWritten;

class frmSDF_KML;
struct SDF_Section;

// The whole export for the file SDF_init stored; options from the window.
void SDF_KML_Linestrings(frmSDF_KML& options);
void Write_1_section_KML(frmSDF_KML& options, SDF_Section& section, const std::string& style);
void KML_Write_LineStyle(const std::string& name, const std::string& colour);
void KML_Write_EndpointPlacemark(const std::string& kind, const std::string& seg, float km, double lat, double lon);
void KML_Write_KmMarker(const std::string& style, const std::string& seg, float kmFrom, float kmTo);
