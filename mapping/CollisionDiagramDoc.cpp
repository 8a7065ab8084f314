#include "mapping/CollisionDiagramDoc.h"

#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "mapping/CollisionDiagram.h"
#include "mapping/frmCollisionDiagrams.h"
#include "platform/ui/ui.h"

std::shared_ptr<office::WordApplication> DiagramWordApp;

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* kLetters = "ZNSEW";
constexpr const char* kBoxTitle = "CreateCollisionDiagram";

int16_t SelectedCount(const std::vector<std::string>& keys) {
    return static_cast<int16_t>(keys.empty() ? 0 : keys.size() - 1);
}

std::string Two(int value) {
    return decimal::Format(decimal::Value(value), "0#");
}

std::string DirectionLetter(int direction) {
    return std::string(1, kLetters[direction]);
}

// A key as part of a file name: only letters, digits, "-" and "_" stay.
std::string SafeForFileName(const std::string& key) {
    std::string out = key;
    for (char& c : out) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
                        c == '_';
        if (!ok) c = '_';
    }
    return out;
}

office::WordDocument& Doc() {
    office::WordDocument* d = DiagramWordApp ? DiagramWordApp->ActiveDocument() : nullptr;
    if (!d) throw office::Error(91, "No document is open.");
    return *d;
}

// The shortest text that reads back as the same single-precision number.
std::string ShortestNumber(float v) {
    for (int decimals = 0; decimals <= 9; ++decimals) {
        std::string t = decimal::Fixed(decimal::Value(v), decimals);
        double back = 0;
        if (decimal::ParseDouble(t, back) && static_cast<float>(back) == v) return t;
    }
    return decimal::Fixed(decimal::Value(v), 9);
}

// The km of a segment key: its hectometres are everything after the segment.
std::string KeyKmText(const std::string& key) {
    double hm = 0;
    if (key.size() > 5) decimal::ParseDouble(key.substr(5), hm);
    return decimal::Format(decimal::Value(hm / 10), "##0.0");
}

std::string Mid(const std::string& s, size_t start, size_t len) {
    return start - 1 < s.size() ? s.substr(start - 1, len) : std::string();
}

std::string Right(const std::string& s, size_t len) {
    return s.size() <= len ? s : s.substr(s.size() - len);
}

const char* const kTextBoxes[] = {"Textbox_Unplottable", "Textbox_SegNode", "Textbox_CountKey", "Textbox_CDEname",
                                  "Textbox_Dates"};

// Everything this diagram will touch must be in the template: false after a
// box that names what is missing.
bool CheckDiagramTemplate(const std::string& templateFile, int16_t type, int16_t countMode, bool addTables) {
    std::unique_ptr<office::WordDocument> doc;
    try {
        doc = office::WordDocument::Open(templateFile);
    } catch (const office::Error& e) {
        ui::MsgBox("The collision diagram template cannot be read:" + std::string(CRLF) + e.description(),
                   ui::vbExclamation, kBoxTitle);
        return false;
    }
    std::vector<std::string> missing;
    auto need = [&](const std::string& name) {
        if (!doc->HasShape(name)) missing.push_back("drawing object \"" + name + "\"");
    };
    for (const std::string& n : HideList(type)) need(n);
    for (const char* n : kTextBoxes) need(n);
    for (int d = 1; d <= kDiagramCodes; ++d) {
        for (int dir = 0; dir < kDirections; ++dir) {
            if (DiagramCounts[1][dir][d] + DiagramCounts[2][dir][d] + DiagramCounts[3][dir][d] == 0) continue;
            const std::string cell = DirectionLetter(dir) + "_" + Two(d);
            need("Asym_" + cell);
            if (countMode == 2)
                for (const char* b : {"f", "i", "p"}) need("Tbox_" + cell + b);
            if (countMode == 1) need("Tbox_" + cell + "i");
        }
    }
    if (addTables)
        for (const char* s : {"Heading 1", "Normal"})
            if (!doc->HasParagraphStyle(s)) missing.push_back("paragraph style \"" + std::string(s) + "\"");
    if (missing.empty()) return true;
    std::string list;
    for (size_t i = 0; i < missing.size() && i < 8; ++i) list += CRLF + missing[i];
    if (missing.size() > 8) list += CRLF + std::string("and ") + std::to_string(missing.size() - 8) + " more";
    ui::MsgBox("The collision diagram template " + templateFile + CRLF + "does not have the" + list + CRLF + CRLF +
                   "Collision diagram cannot be created.",
               ui::vbExclamation, kBoxTitle);
    return false;
}

void Status(frmCollisionDiagrams& window, const std::string& text, bool repaint) {
    window.lblStatus.SetCaption(text);
    if (repaint) window.Refresh();
}

}  // namespace

std::string ClsnDiag_FileName(const std::string& outFolder, const std::string& cdePath,
                              const std::vector<std::string>& selectedKeys) {
    const std::string base = RemoveExtension(FileNamePart(cdePath));
    std::string stem = AddBackslash(outFolder) + "ClsnDiag_" + base;
    if (SelectedCount(selectedKeys) >= 1) stem += "_" + SafeForFileName(selectedKeys[1]);
    std::string output = stem + ".docx";
    // an earlier diagram is never replaced
    for (int n = 1; FileExists(output); ++n) {
        if (n > 99) return "";
        output = stem + "#" + std::to_string(n) + ".docx";
    }
    return output;
}

std::string DiagramLocationLabel(const std::vector<std::string>& selectedKeys) {
    if (SelectedCount(selectedKeys) == 0) return "All Collisions";
    const std::string& k = selectedKeys[1];
    std::string label;
    if (!k.empty() && k[0] == 'N')
        label = "Node " + Mid(k, 2, 4) + "  " + Right(k, 4);
    else
        label = "Seg " + Mid(k, 2, 4) + "  " + KeyKmText(k) + " km";
    if (SelectedCount(selectedKeys) > 1) label += " +";
    return label;
}

int32_t WorstSeverityColour(int16_t fatal, int16_t injury, int16_t pdo) {
    (void)pdo;
    if (fatal >= 1) return kFatalColour;
    if (injury >= 1) return kInjuryColour;
    return kPDOColour;
}

std::vector<std::string> HideList(int16_t type) {
    static const char* const lists[] = {
        "N_Line S_Line E_Line W_Line",
        "SWcorner SEcorner N_Line E_Line W_Line",
        "NWcorner NEcorner W_Line E_Line S_Line",
        "NWcorner SWcorner N_Line S_Line E_Line",
        "NEcorner SEcorner N_Line S_Line W_Line",
        "NEcorner SEcorner NWcorner SWcorner E_Line W_Line",
        "NEcorner SEcorner NWcorner SWcorner N_Line S_Line",
    };
    std::vector<std::string> names;
    if (type < 1 || type > 7) return names;
    for (int16_t i = 1; i <= 10; ++i) {
        const std::string word = Nth_Word(lists[type - 1], i);
        if (word.find_first_not_of(' ') == std::string::npos) break;
        names.push_back(word);
    }
    return names;
}

std::string UnplottableText(int16_t plotted, int16_t unplottable) {
    const int32_t all = static_cast<int32_t>(plotted) + unplottable;
    if (unplottable < 1) return std::to_string(all) + " Collisions" + CRLF + "All Plotted";
    // right-aligned in three places; a wider number is written whole
    auto right3 = [](int32_t n) {
        std::string t = std::to_string(n);
        return t.size() < 3 ? std::string(3 - t.size(), ' ') + t : t;
    };
    return right3(all) + " Collisions" + CRLF + right3(plotted) + " Plotted" + CRLF + right3(unplottable) +
           " Unplottable";
}

bool CopyDiagramTemplate(const std::string& templateFile, const std::string& output) {
    std::string reason;
    if (!FileExists(templateFile))
        reason = "The template is not in the program folder.";
    else if (office::DocumentInUse(output))
        reason = "The document is open in another program.";
    else {
        try {
            office::CopyDocumentFile(templateFile, output);
        } catch (const office::Error& e) {
            reason = e.description();
        }
    }
    if (reason.empty()) return true;
    ui::MsgBox("Error copying " + templateFile + CRLF + "To " + output + CRLF + CRLF + reason, ui::vbExclamation);
    return false;
}

bool OpenDiagramDocument(const std::string& output) {
    DiagramWordApp = office::WordApplication::GetRunning();
    if (!DiagramWordApp) DiagramWordApp = office::WordApplication::Start();
    try {
        if (!DiagramWordApp) throw office::Error(429, "no word processor");
        DiagramWordApp->DocumentsOpen(output);
    } catch (const office::Error& e) {
        ui::MsgBox("Error trying to open MS-Word" + std::string(CRLF) + CRLF + e.description(), ui::vbExclamation);
        DiagramWordApp.reset();
        return false;
    }
    DiagramWordApp->SetVisible(false);
    return true;
}

void FreezeWordProcessor() {
    DiagramWordApp->SetVisible(false);
    DiagramWordApp->SetScreenUpdating(false);
}

void ReleaseWordProcessor() {
    DiagramWordApp->SetVisible(true);
    DiagramWordApp->SetScreenUpdating(true);
    // written whole and shown to the user
    DiagramWordApp->Release();
}

void SetIntersectionType(int16_t type) {
    if (type < 1 || type > 7) {
        ui::MsgBox("Incorrect Intersection Type" + std::string(CRLF) + " Must Be Types 1 - 7 Only", ui::vbExclamation);
        return;
    }
    for (const std::string& name : HideList(type)) Doc().SetShapeVisible(name, false);
}

void HideAllSymbols() {
    DiagramWordApp->SetScreenUpdating(false);
    office::WordDocument& doc = Doc();
    for (const std::string& name : doc.ShapeNames())
        if (name.compare(0, 4, "Asym") == 0) doc.SetShapeVisible(name, false);
    DiagramWordApp->SetScreenUpdating(true);
}

void ShowSymbol(const std::string& name, int32_t colour) {
    Doc().SetShapeVisible(name, true);
    Doc().SetShapeLineColor(name, colour);
}

void SetCountBox(const std::string& name, const std::string& text, int32_t colour) {
    Doc().SetShapeVisible(name, true);
    Doc().SetShapeText(name, text, colour);
}

void PlaceDiagramSymbols(const std::string& label, int16_t countMode, int16_t plotted, int16_t unplottable) {
    for (int d = 1; d <= kDiagramCodes; ++d) {
        for (int dir = 0; dir < kDirections; ++dir) {
            const int16_t fatal = DiagramCounts[1][dir][d];
            const int16_t injury = DiagramCounts[2][dir][d];
            const int16_t pdo = DiagramCounts[3][dir][d];
            const int total = fatal + injury + pdo;
            if (total == 0) continue;
            const int32_t colour = WorstSeverityColour(fatal, injury, pdo);
            const std::string cell = DirectionLetter(dir) + "_" + Two(d);
            ShowSymbol("Asym_" + cell, colour);
            if (countMode == 2) {
                SetCountBox("Tbox_" + cell + "f", Two(fatal), kFatalColour);
                SetCountBox("Tbox_" + cell + "i", Two(injury), kInjuryColour);
                SetCountBox("Tbox_" + cell + "p", Two(pdo), kPDOColour);
            } else if (countMode == 1) {
                SetCountBox("Tbox_" + cell + "i", Two(total), colour);
            }
        }
    }
    Doc().SetShapeText("Textbox_Unplottable", UnplottableText(plotted, unplottable));
    Doc().SetShapeText("Textbox_SegNode", label);
    Doc().SetShapeVisible("Textbox_CountKey", countMode == 2);
}

void SetCDENameBox(const std::string& text) {
    Doc().SetShapeText("Textbox_CDEname", text);
    Doc().SetShapeVisible("Textbox_CDEname", true);
}

void SetDatesBox(const std::string& minDate, const std::string& maxDate) {
    Doc().SetShapeText("Textbox_Dates", minDate + " - " + maxDate);
    Doc().SetShapeVisible("Textbox_Dates", true);
}

void WriteLocationList(const std::vector<std::string>& selectedKeys) {
    office::WordDocument& doc = Doc();
    if (SelectedCount(selectedKeys) > 6) doc.AppendPageBreak();
    doc.AppendParagraph("Collisions were counted at the following locations in the Collision Data Extract:");
    for (int16_t i = 1; i <= SelectedCount(selectedKeys); ++i)
        doc.AppendParagraph(LocationKeyLabel(selectedKeys[static_cast<size_t>(i)]));
}

void WriteTableTitle(const std::string& title) {
    Doc().AppendParagraph(title, "Heading 1");
}

void WriteTableHeader(std::vector<std::vector<std::string>>& rows) {
    rows.push_back({"Case      ", "Date      ", "Seg", "Km", "Node", "Inj", "Kld", "Veh", "Dir1", "Dir2", "Diag",
                    "Type2nd1"});
}

void WriteTableRows(std::vector<std::vector<std::string>>& rows, int16_t status, int16_t count) {
    int16_t written = 0;
    for (int16_t i = 0; i < CDE_RecordCount && written < count; ++i) {
        const CDE_DiagramRecord& r = CDE_Records[static_cast<size_t>(i)];
        if (r.PlotStatus != status) continue;
        rows.push_back({r.ACCASE, r.CLSNDATE, r.SEGNUM, ShortestNumber(r.KMMARK), r.NODE, std::to_string(r.TOTALINJ),
                        std::to_string(r.TOTALKLD), std::to_string(r.TOTALVEH), r.VEHDIR1, r.VEHDIR2,
                        std::to_string(r.DIAGRAM), r.TYPE2ND1});
        ++written;
    }
}

void AppendDataTables(int16_t plotted, int16_t unplottable) {
    const std::pair<const char*, int16_t> groups[] = {{"Plotted Collisions", plotted},
                                                      {"Unplottable Collisions", unplottable}};
    for (int16_t status = 1; status <= 2; ++status) {
        const auto& [title, count] = groups[status - 1];
        if (count <= 0) continue;
        office::WordDocument& doc = Doc();
        doc.AppendPageBreak();
        doc.AppendParagraph("");
        WriteTableTitle(title);
        std::vector<std::vector<std::string>> rows;
        WriteTableHeader(rows);
        WriteTableRows(rows, status, count);
        doc.AppendTable(rows);
    }
}

std::string CreateCollisionDiagram(frmCollisionDiagrams& window, const std::string& programFolder,
                                   const std::string& outFolder, const std::string& cdePath,
                                   const std::vector<std::string>& selectedKeys, int16_t intersectionType,
                                   int16_t countMode, bool addTables, const std::string& minDate,
                                   const std::string& maxDate) {
    const std::string templateFile = AddBackslash(programFolder) + "cd_base.docx";
    const std::string base = RemoveExtension(FileNamePart(cdePath));
    const std::string output = ClsnDiag_FileName(outFolder, cdePath, selectedKeys);
    ui::Hourglass wait;
    if (output.empty()) {
        ui::MsgBox("Collision diagrams ClsnDiag_" + base + " and #1 to #99 of it exist already in " + outFolder +
                       CRLF + "Move or remove some of them to make another.",
                   ui::vbExclamation, kBoxTitle);
        return "";
    }
    Status(window, "Finding and counting collisions...", true);
    int16_t plotted = 0, unplottable = 0;
    CountDiagramCollisions(cdePath, selectedKeys, plotted, unplottable);
    if (plotted == 0) return "";
    const std::string label = DiagramLocationLabel(selectedKeys);
    Status(window, "Preparing the base document in Word...", true);
    if (FileExists(templateFile) && !CheckDiagramTemplate(templateFile, intersectionType, countMode, addTables))
        return "";
    if (!CopyDiagramTemplate(templateFile, output)) return "";
    if (!OpenDiagramDocument(output)) return "";
    try {
        FreezeWordProcessor();
        SetIntersectionType(intersectionType);
        HideAllSymbols();
        SetCDENameBox(base);
        Status(window, "Processing collision symbols and count textboxes...", false);
        PlaceDiagramSymbols(label, countMode, plotted, unplottable);
        SetDatesBox(minDate, maxDate);
        if (SelectedCount(selectedKeys) > 1) WriteLocationList(selectedKeys);
        if (addTables) {
            Status(window, "Inserting the data tables...", true);
            AppendDataTables(plotted, unplottable);
        }
        ReleaseWordProcessor();
    } catch (const office::Error& e) {
        DiagramWordApp->Quit();
        DiagramWordApp.reset();
        ui::MsgBox("Error while making the collision diagram " + output + CRLF + CRLF + e.description(),
                   ui::vbExclamation, kBoxTitle);
        return "";
    }
    Status(window, "Collision Diagram complete.", false);
    DiagramWordApp.reset();
    return output;
}
