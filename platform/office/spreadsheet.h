// The spreadsheet application as the program drives it: an application that
// holds workbooks, their worksheets and cells. Workbooks are .xlsx packages.
//
// - A new workbook (Add) and a comma-separated file opened as a workbook live
//   in memory and are written with libxlsxwriter when saved.
// - An existing .xlsx is read and edited in its package: only the parts that
//   change are rewritten, every other part is copied unchanged.
// - Every save goes to a temporary file beside the target and is renamed into
//   place.
//
// What the application calls mean here:
// - No spreadsheet program on this desktop lends its open workbooks to us, so
//   GetRunning() never finds one.
// - SetVisible(true) asks for the workbooks to be shown to the user. They are
//   shown when the program lets go of the application (Release): each is saved
//   first if it changed (a new one into NewWorkbookFolder(), named after its
//   sheet, " (2)" and on added while that name is taken by another workbook
//   or is open in another program) and then opened in the desktop's
//   spreadsheet program. Showing at
//   release means the user sees the finished result, never a stale copy.
// - Release() also saves every changed workbook that was not shown, so that no
//   result is lost: an existing file in place, its previous version kept
//   beside it as a backup (BackupName).
// - Quit() closes every workbook without saving.
// - Window state, interactive and default file path are kept as properties;
//   nothing on this desktop depends on them.
//
// Assigning text to a cell converts it as a spreadsheet does: under the text
// format "@" it stays text; otherwise a plain decimal number ("-12.5", "0550")
// becomes a number, and under a date format a valid "yyyy-mm-dd" becomes a
// date; anything else stays text.
//
// Failures of the application (a file that cannot be opened or written, a
// closed object, a cell outside the sheet) are thrown as office::Error.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace office {

// Window states.
inline constexpr int32_t xlNormal = -4143;
inline constexpr int32_t xlMaximized = -4137;
inline constexpr int32_t xlMinimized = -4140;

// The workbook file format every save writes.
inline constexpr int32_t xlOpenXMLWorkbook = 51;

// The largest sheet.
inline constexpr int32_t kMaxRows = 1048576;
inline constexpr int32_t kMaxColumns = 16384;

// An error of the application: a number and a description.
class Error : public std::runtime_error {
public:
    Error(int32_t number, const std::string& description) : std::runtime_error(description), number_(number) {}
    int32_t number() const { return number_; }
    std::string description() const { return what(); }

private:
    int32_t number_;
};

// A cell's value.
struct CellValue {
    enum Kind { Empty, Number, Text, Boolean, Date, ErrorValue };
    Kind kind = Empty;
    double number = 0;  // Number, Date (serial day, 1 = 1900-01-01), Boolean (0 or 1)
    std::string text;   // Text, ErrorValue ("#N/A", "#DIV/0!", ...)

    // The value as text: a number in up to 15 significant digits ("12.3",
    // "1E-05"), a date as "yyyy-mm-dd" (with " hh:mm:ss" when it has a time),
    // "True"/"False". An error value throws office::Error.
    std::string ToText() const;
    // The value as a number: empty is 0, a text must be a decimal number.
    // Anything else throws office::Error.
    double ToNumber() const;
};

class Application;
class Workbook;
class Worksheet;
using ApplicationRef = std::shared_ptr<Application>;
using WorkbookRef = std::shared_ptr<Workbook>;
using WorksheetRef = std::shared_ptr<Worksheet>;

// One cell of a worksheet (row and column from 1).
class Range {
public:
    Range(WorksheetRef sheet, int32_t row, int32_t column);

    int32_t Row() const { return row_; }
    int32_t Column() const { return column_; }
    WorksheetRef Worksheet() const { return sheet_; }

    CellValue Value() const;
    // Text, converted as the header explains, and cut to the 32767
    // characters a cell holds.
    void SetValue(const std::string& text);
    void SetValue(const char* text) { SetValue(std::string(text)); }
    // An infinite number or NaN throws office::Error.
    void SetValue(double number);
    // Empties the cell; its format and fill stay.
    void ClearContents();

    // Interior fill by palette index (1..56 of the standard palette); 0 is
    // no fill. Reading a fill that is not a palette colour gives the nearest.
    int16_t ColorIndex() const;
    void SetColorIndex(int16_t index);

    // The number format that applies to the cell ("General" when none).
    std::string NumberFormat() const;

    void Activate();

private:
    WorksheetRef sheet_;
    int32_t row_;
    int32_t column_;
};

class Worksheet : public std::enable_shared_from_this<Worksheet> {
public:
    struct Impl;
    explicit Worksheet(std::unique_ptr<Impl> impl);
    ~Worksheet();

    std::string Name() const;
    // A sheet name holds at most 31 characters and none of : \ / ? * [ ],
    // and neither begins nor ends with an apostrophe; a longer name is cut
    // and those characters become "_".
    void SetName(const std::string& name);
    // Position among the workbook's worksheets, from 1.
    int32_t Index() const;
    WorkbookRef Parent() const;

    Range Cells(int32_t row, int32_t column);
    // Writes values into one row from first_column on, each as SetValue(text).
    void SetRow(int32_t row, int32_t first_column, const std::vector<std::string>& values);

    // Whole-column number format and width fitted to the widest shown value.
    // Only for workbooks that are written anew (Add, or opened from a CSV);
    // others throw office::Error.
    void SetColumnNumberFormat(int32_t column, const std::string& format);
    void AutoFitColumn(int32_t column);
    // Width in characters (the default width when never set).
    double ColumnWidth(int32_t column) const;

    void Activate();

    Impl& impl() { return *impl_; }
    const Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

class Workbook : public std::enable_shared_from_this<Workbook> {
public:
    struct Impl;
    explicit Workbook(std::unique_ptr<Impl> impl);
    ~Workbook();

    // File name without folder ("Book1" for a new one never saved).
    std::string Name() const;
    // Full path of its file; "" for a new one never saved.
    std::string FullName() const;

    int32_t WorksheetCount() const;
    // The worksheet at index (from 1, worksheets only: chart sheets are not
    // counted). Out of range throws office::Error.
    WorksheetRef Worksheets(int32_t index);
    // The worksheet called name, without regard to case; office::Error when
    // there is none.
    WorksheetRef Worksheets(const std::string& name);
    // The active sheet as a worksheet; throws office::Error when the active
    // sheet is not a worksheet.
    WorksheetRef ActiveWorksheet();

    // True while nothing changed since it was opened or last saved.
    bool Saved() const;
    // Saves in place, keeping the previous file as a backup. A new workbook
    // never saved throws office::Error (use SaveAs).
    void Save();
    // Writes the workbook to path (replacing a file there) and makes it the
    // workbook's file.
    void SaveAs(const std::string& path, int32_t file_format = xlOpenXMLWorkbook);
    // Closes it, saving first when asked and it changed.
    void Close(bool save_changes = false);
    void Activate();

    Impl& impl() { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

class Application : public std::enable_shared_from_this<Application> {
public:
    // A spreadsheet application that is already running, to attach to. No
    // program here lends its workbooks to another, so: none (nullptr).
    static ApplicationRef GetRunning();
    // Starts a new application, not visible, with no workbook.
    static ApplicationRef Start();

    Application();
    ~Application();  // as Release(), errors ignored
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // A new workbook with one empty worksheet "Sheet1"; it becomes active.
    WorkbookRef WorkbooksAdd();
    // Opens a workbook file: .csv as comma-separated values (one worksheet
    // named after the file), anything else as an .xlsx package. It becomes
    // active. A file that cannot be read throws office::Error.
    WorkbookRef WorkbooksOpen(const std::string& path);
    int32_t WorkbookCount() const;
    WorkbookRef Workbooks(int32_t index);  // from 1
    WorkbookRef ActiveWorkbook();          // nullptr when none is open
    // The active workbook's active worksheet; office::Error when no workbook
    // is open or the active sheet is not a worksheet.
    WorksheetRef ActiveWorksheet();

    int32_t WindowState() const { return window_state_; }
    void SetWindowState(int32_t state) { window_state_ = state; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool Interactive() const { return interactive_; }
    void SetInteractive(bool interactive) { interactive_ = interactive; }
    std::string DefaultFilePath() const { return default_file_path_; }
    void SetDefaultFilePath(const std::string& path) { default_file_path_ = path; }

    // Lets go of the application: changed workbooks are saved, and when the
    // application is visible every workbook is opened in the desktop's
    // spreadsheet program. The application then holds no workbook.
    void Release();
    // Closes every workbook without saving.
    void Quit();

    // Used by Workbook::Close and Activate.
    void Forget(const Workbook* book);
    void MakeActive(const Workbook* book);

private:
    void check_running() const;

    std::vector<WorkbookRef> books_;
    const Workbook* active_ = nullptr;
    int32_t window_state_ = xlNormal;
    bool visible_ = false;
    bool interactive_ = true;
    bool ended_ = false;
    std::string default_file_path_;
    int new_book_count_ = 0;
};

// Sheet names are the same without regard to case, accented capitals
// included, as the spreadsheet program compares them.
bool SheetNamesMatch(const std::string& a, const std::string& b);

// True when another program has the workbook open: its lock file lies beside
// it (".~lock.NAME#" of LibreOffice, "~$NAME" of Microsoft Office).
bool WorkbookInUse(const std::string& path);

// The folder new workbooks are saved into when they are shown or released
// without a name of their own. Default: the temporary folder of the shell.
void SetNewWorkbookFolder(const std::string& folder);
std::string NewWorkbookFolder();

// Where the previous file is kept when a workbook is saved in place:
// "Book.xlsx" -> "Book.bak.xlsx".
std::string BackupName(const std::string& path);

// Palette colour of an index (1..56) as 0xRRGGBB; -1 outside the palette.
int32_t PaletteColor(int16_t index);

}  // namespace office
