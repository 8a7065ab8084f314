// The word processor as the program drives it: documents are .docx packages
// edited in place. Only the main document part is rewritten; every other part
// of the package is copied unchanged. Every save goes to a temporary file
// beside the target and is renamed into place.
//
// Drawing objects (shapes and text boxes) are found by the names of their
// wp:docPr elements, matched exactly. A hidden object draws nothing: the
// object is marked hidden, and the runs of its text box are hidden text too,
// as some word processors draw a hidden text box's text otherwise.
//
// What the application calls mean here:
// - No word processor on this desktop lends its open documents to us, so
//   GetRunning() never finds one.
// - SetVisible(true) asks for the documents to be shown to the user. They are
//   shown when the program lets go of the application (Release): each changed
//   one is written to its file first, then opened in the desktop's word
//   processor, where the user works on and saves it.
//
// Failures (a package that cannot be read or written, an object or style the
// document does not have) are thrown as office::Error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/office/spreadsheet.h"

namespace office {

// Colours as the word processor counts them: red + 256 * green + 65536 * blue.
inline constexpr int32_t WordColor(int red, int green, int blue) {
    return red + 256 * green + 65536 * blue;
}
// "RRGGBB" of a colour value.
std::string WordColorHex(int32_t color);

class WordDocument {
public:
    struct Impl;
    explicit WordDocument(std::unique_ptr<Impl> impl);
    ~WordDocument();
    WordDocument(const WordDocument&) = delete;
    WordDocument& operator=(const WordDocument&) = delete;

    // Reads a .docx package.
    static std::unique_ptr<WordDocument> Open(const std::string& path);

    std::string FullName() const;
    // True while nothing changed since it was opened or last saved.
    bool Saved() const;

    // Names of the drawing objects, in document order.
    std::vector<std::string> ShapeNames() const;
    bool HasShape(const std::string& name) const;
    bool ShapeVisible(const std::string& name) const;
    void SetShapeVisible(const std::string& name, bool visible);
    // The colour of the object's outline (-1 when it sets none of its own).
    int32_t ShapeLineColor(const std::string& name) const;
    void SetShapeLineColor(const std::string& name, int32_t color);
    // Replaces the text of the object's text box. Each line (CR LF, CR or LF
    // between) becomes a paragraph formatted as the box's first one was; a
    // colour of 0 or more becomes the font colour of the text.
    void SetShapeText(const std::string& name, const std::string& text, int32_t color = -1);
    // The text box's paragraphs, joined with CR.
    std::string ShapeText(const std::string& name) const;
    // The font colour of the text box's first run (-1 when it sets none).
    int32_t ShapeTextColor(const std::string& name) const;

    // Paragraph styles by name, without regard to case ("heading 1" as the
    // package stores it is "Heading 1").
    bool HasParagraphStyle(const std::string& name) const;

    // Appended at the end of the body, before its final section properties.
    // A style name of "" leaves the paragraph in the default style; an
    // unknown one throws.
    void AppendParagraph(const std::string& text, const std::string& style = "");
    void AppendPageBreak();
    // A table with a single-line grid, its columns fitted to their contents;
    // rows may have fewer cells than the widest one.
    void AppendTable(const std::vector<std::vector<std::string>>& rows);
    // The body's paragraphs outside drawings and tables, in order, with the
    // page breaks among them as "\f".
    std::vector<std::string> BodyParagraphs() const;
    // The rows of each table of the body, in order.
    std::vector<int32_t> TableRowCounts() const;

    void Save();
    // Writes the document to path and makes that its file.
    void SaveAs(const std::string& path);

private:
    std::unique_ptr<Impl> impl_;
};

class WordApplication {
public:
    // A word processor already running, to attach to: none here (nullptr).
    static std::shared_ptr<WordApplication> GetRunning();
    // Starts one, not visible, with no document.
    static std::shared_ptr<WordApplication> Start();

    WordApplication() = default;
    ~WordApplication();  // as Release(), errors ignored
    WordApplication(const WordApplication&) = delete;
    WordApplication& operator=(const WordApplication&) = delete;

    // Opens a document; it becomes the active one.
    WordDocument& DocumentsOpen(const std::string& path);
    WordDocument* ActiveDocument();
    int32_t DocumentCount() const { return static_cast<int32_t>(docs_.size()); }

    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool ScreenUpdating() const { return screen_updating_; }
    void SetScreenUpdating(bool on) { screen_updating_ = on; }

    // Lets go of the application: changed documents are written to their
    // files, and when the application is visible each is opened in the
    // desktop's word processor (office::Error when it cannot be started).
    // The application then holds no document.
    void Release();
    // Closes every document without writing it.
    void Quit() { docs_.clear(); }

private:
    std::vector<std::unique_ptr<WordDocument>> docs_;
    bool visible_ = false;
    bool screen_updating_ = true;
};

// True when another program has the document open: its lock file lies
// beside it.
bool DocumentInUse(const std::string& path);

// Copies a document file whole: the target appears only complete.
void CopyDocumentFile(const std::string& source, const std::string& target);

}  // namespace office
