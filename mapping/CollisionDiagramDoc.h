// The collision diagram document: a copy of the template cd_base.docx beside
// the extract, in which the intersection layout is drawn by hiding road-edge
// objects, one symbol is shown per used approach direction and diagram code
// in the colour of its worst collision, count boxes and title boxes are
// filled, and lists and tables of the collisions are appended. The document
// is then shown in the word processor for the user to keep or not.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/office/word_document.h"

class frmCollisionDiagrams;

// Severity colours of the word processor.
inline constexpr int32_t kFatalColour = 255;
inline constexpr int32_t kInjuryColour = 33023;
inline constexpr int32_t kPDOColour = 12517376;

// The word processor, held while a diagram is built.
extern std::shared_ptr<office::WordApplication> DiagramWordApp;

// selectedKeys: 1-based location keys (element 0 unused), none for all. The
// diagram is written into outFolder; the result is its name, "" when none
// was finished.
std::string CreateCollisionDiagram(frmCollisionDiagrams& window, const std::string& programFolder,
                                   const std::string& outFolder, const std::string& cdePath,
                                   const std::vector<std::string>& selectedKeys, int16_t intersectionType,
                                   int16_t countMode, bool addTables, const std::string& minDate,
                                   const std::string& maxDate);

// The document's name in outFolder: "ClsnDiag_" + the extract's base name
// [+ "_" + first key] + ".docx", numbered "#1".."#99" while taken. "" when
// all are taken.
std::string ClsnDiag_FileName(const std::string& outFolder, const std::string& cdePath,
                              const std::vector<std::string>& selectedKeys);

// The diagram's title for the selected keys.
std::string DiagramLocationLabel(const std::vector<std::string>& selectedKeys);

bool CopyDiagramTemplate(const std::string& templateFile, const std::string& output);
bool OpenDiagramDocument(const std::string& output);
void FreezeWordProcessor();
void ReleaseWordProcessor();
void SetIntersectionType(int16_t type);
void HideAllSymbols();
void PlaceDiagramSymbols(const std::string& label, int16_t countMode, int16_t plotted, int16_t unplottable);
void ShowSymbol(const std::string& name, int32_t colour);
void SetCountBox(const std::string& name, const std::string& text, int32_t colour);
void SetCDENameBox(const std::string& text);
void SetDatesBox(const std::string& minDate, const std::string& maxDate);
void WriteLocationList(const std::vector<std::string>& selectedKeys);
void AppendDataTables(int16_t plotted, int16_t unplottable);
void WriteTableTitle(const std::string& title);
void WriteTableHeader(std::vector<std::vector<std::string>>& rows);
void WriteTableRows(std::vector<std::vector<std::string>>& rows, int16_t status, int16_t count);

// The colour of a symbol: fatal when it has a fatal collision, else injury
// when it has an injury collision, else PDO.
int32_t WorstSeverityColour(int16_t fatal, int16_t injury, int16_t pdo);

// The objects of the type's hide list (none for a type outside 1..7).
std::vector<std::string> HideList(int16_t type);

// The text of the collision totals box.
std::string UnplottableText(int16_t plotted, int16_t unplottable);
