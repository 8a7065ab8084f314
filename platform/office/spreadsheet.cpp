#include "platform/office/spreadsheet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/office/book_impl.h"
#include "platform/office/cell_format.h"
#include "platform/shell/shell.h"

namespace office {

namespace fs = std::filesystem;

// ---- cell values ------------------------------------------------------------

std::string CellValue::ToText() const {
    switch (kind) {
        case Empty:
            return "";
        case Text:
            return text;
        case Number:
            return detail::general_number_text(number);
        case Date:
            return detail::serial_to_iso(number);
        case Boolean:
            return number != 0 ? "True" : "False";
        case ErrorValue:
            break;
    }
    throw Error(kErrTypeMismatch, "Type mismatch: the cell holds the error value " + text);
}

double CellValue::ToNumber() const {
    switch (kind) {
        case Empty:
            return 0;
        case Number:
        case Date:
        case Boolean:
            return number;
        case Text: {
            std::string t = text;
            t.erase(0, t.find_first_not_of(' '));
            t.erase(t.find_last_not_of(' ') + 1);
            double v = 0;
            if (detail::parse_plain_decimal(t, v)) return v;
            break;
        }
        case ErrorValue:
            break;
    }
    throw Error(kErrTypeMismatch, "Type mismatch");
}

// ---- shared defaults of the kinds of sheet ---------------------------------

Workbook::Impl& Worksheet::Impl::owner() const {
    auto b = book.lock();
    if (!b || b->impl().closed) throw Error(kErrDisconnected, "The workbook of this worksheet has been closed.");
    return b->impl();
}

void Worksheet::Impl::set_column_format(int32_t, const std::string&) {
    throw Error(kErrDefined, "Column formats can only be set in a workbook that is written anew.");
}

void Worksheet::Impl::autofit(int32_t) {
    throw Error(kErrDefined, "Column widths can only be fitted in a workbook that is written anew.");
}

double Worksheet::Impl::column_width(int32_t) const {
    return 8.43;
}

// ---- Range ------------------------------------------------------------------

namespace {

void check_cell(int32_t row, int32_t column) {
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
        throw Error(kErrDefined, "Application-defined or object-defined error (cell " + std::to_string(row) + "," +
                                     std::to_string(column) + " is outside the sheet)");
}

}  // namespace

Range::Range(WorksheetRef sheet, int32_t row, int32_t column) : sheet_(std::move(sheet)), row_(row), column_(column) {}

CellValue Range::Value() const {
    check_cell(row_, column_);
    sheet_->impl().owner();
    return sheet_->impl().get(row_, column_);
}

void Range::SetValue(const std::string& text) {
    check_cell(row_, column_);
    auto& s = sheet_->impl();
    s.owner();
    s.put(row_, column_, detail::convert_text(text, s.format_at(row_, column_)));
    s.owner().dirty = true;
}

void Range::SetValue(double number) {
    check_cell(row_, column_);
    if (!std::isfinite(number)) throw Error(kErrDefined, "A cell cannot hold an infinite number or NaN.");
    auto& s = sheet_->impl();
    s.owner();
    CellValue v;
    v.kind = CellValue::Number;
    v.number = number;
    s.put(row_, column_, v);
    s.owner().dirty = true;
}

void Range::ClearContents() {
    check_cell(row_, column_);
    auto& s = sheet_->impl();
    s.owner();
    s.put(row_, column_, CellValue{});
    s.owner().dirty = true;
}

int16_t Range::ColorIndex() const {
    check_cell(row_, column_);
    sheet_->impl().owner();
    return sheet_->impl().color_at(row_, column_);
}

void Range::SetColorIndex(int16_t index) {
    check_cell(row_, column_);
    if (index != 0 && PaletteColor(index) < 0)
        throw Error(kErrDefined, "Unable to set the ColorIndex property: " + std::to_string(index) +
                                     " is not a colour of the palette.");
    auto& s = sheet_->impl();
    s.owner();
    if (s.color_at(row_, column_) == index) return;
    s.set_color(row_, column_, index);
    s.owner().dirty = true;
}

std::string Range::NumberFormat() const {
    check_cell(row_, column_);
    sheet_->impl().owner();
    return sheet_->impl().format_at(row_, column_);
}

void Range::Activate() {
    check_cell(row_, column_);
    sheet_->Activate();
}

// ---- Worksheet --------------------------------------------------------------

Worksheet::Worksheet(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Worksheet::~Worksheet() = default;

std::string Worksheet::Name() const {
    impl_->owner();
    return impl_->name;
}

void Worksheet::SetName(const std::string& name) {
    auto& book = impl_->owner();
    std::string n = detail::xml_safe(name);
    for (char& c : n)
        if (std::strchr(":\\/?*[]", c) != nullptr) c = '_';
    // at most 31 characters, not bytes
    size_t chars = 0, cut = n.size();
    for (size_t i = 0; i < n.size(); ++i) {
        if ((static_cast<unsigned char>(n[i]) & 0xC0) != 0x80) {
            if (chars == 31) {
                cut = i;
                break;
            }
            ++chars;
        }
    }
    n.resize(cut);
    // nor may it begin or end with an apostrophe
    if (!n.empty() && n.front() == '\'') n.front() = '_';
    if (!n.empty() && n.back() == '\'') n.back() = '_';
    if (n.empty()) throw Error(kErrDefined, "A sheet name cannot be empty.");
    for (const auto& other : book.sheets)
        if (other.get() != this && SheetNamesMatch(other->impl_->name, n))
            throw Error(kErrDefined, "The sheet name " + n + " is taken.");
    if (n != impl_->name) {
        impl_->name = n;
        book.dirty = true;
    }
}

int32_t Worksheet::Index() const {
    auto& book = impl_->owner();
    for (size_t i = 0; i < book.sheets.size(); ++i)
        if (book.sheets[i].get() == this) return static_cast<int32_t>(i + 1);
    return 0;
}

WorkbookRef Worksheet::Parent() const {
    impl_->owner();
    return impl_->book.lock();
}

Range Worksheet::Cells(int32_t row, int32_t column) {
    return Range(shared_from_this(), row, column);
}

void Worksheet::SetRow(int32_t row, int32_t first_column, const std::vector<std::string>& values) {
    auto self = shared_from_this();
    for (size_t i = 0; i < values.size(); ++i)
        Range(self, row, first_column + static_cast<int32_t>(i)).SetValue(values[i]);
}

void Worksheet::SetColumnNumberFormat(int32_t column, const std::string& format) {
    check_cell(1, column);
    impl_->owner();
    impl_->set_column_format(column, format);
    impl_->owner().dirty = true;
}

void Worksheet::AutoFitColumn(int32_t column) {
    check_cell(1, column);
    impl_->owner();
    impl_->autofit(column);
    impl_->owner().dirty = true;
}

double Worksheet::ColumnWidth(int32_t column) const {
    check_cell(1, column);
    impl_->owner();
    return impl_->column_width(column);
}

void Worksheet::Activate() {
    auto& book = impl_->owner();
    book.set_active(Index());
    if (auto app = book.app.lock()) app->MakeActive(impl_->book.lock().get());
}

// ---- Workbook ---------------------------------------------------------------

Workbook::Workbook(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Workbook::~Workbook() = default;

namespace {

void check_open(const Workbook::Impl& b) {
    if (b.closed) throw Error(kErrDisconnected, "The workbook has been closed.");
}

}  // namespace

std::string Workbook::Name() const {
    check_open(*impl_);
    return impl_->path.empty() ? impl_->new_name : fs::path(impl_->path).filename().string();
}

std::string Workbook::FullName() const {
    check_open(*impl_);
    return impl_->path;
}

int32_t Workbook::WorksheetCount() const {
    check_open(*impl_);
    return static_cast<int32_t>(impl_->sheets.size());
}

WorksheetRef Workbook::Worksheets(int32_t index) {
    check_open(*impl_);
    if (index < 1 || index > static_cast<int32_t>(impl_->sheets.size()))
        throw Error(kErrSubscript, "Subscript out of range: no worksheet " + std::to_string(index));
    return impl_->sheets[static_cast<size_t>(index - 1)];
}

WorksheetRef Workbook::Worksheets(const std::string& name) {
    check_open(*impl_);
    for (auto& s : impl_->sheets)
        if (SheetNamesMatch(s->impl().name, name)) return s;
    throw Error(kErrSubscript, "Subscript out of range: no worksheet " + name);
}

WorksheetRef Workbook::ActiveWorksheet() {
    check_open(*impl_);
    const int32_t i = impl_->active_worksheet();
    if (i < 1 || i > static_cast<int32_t>(impl_->sheets.size()))
        throw Error(kErrDefined, "The active sheet is not a worksheet.");
    return impl_->sheets[static_cast<size_t>(i - 1)];
}

bool Workbook::Saved() const {
    check_open(*impl_);
    return !impl_->dirty;
}

void Workbook::Save() {
    check_open(*impl_);
    if (impl_->path.empty() || !impl_->saves_in_place())
        throw Error(kErrDefined, "Workbook " + Name() + " has no workbook file of its own yet; save it with SaveAs.");
    if (fs::exists(impl_->path)) copy_file_atomic(impl_->path, BackupName(impl_->path));
    impl_->write(impl_->path);
    impl_->dirty = false;
}

void Workbook::SaveAs(const std::string& path, int32_t file_format) {
    check_open(*impl_);
    if (file_format != xlOpenXMLWorkbook)
        throw Error(kErrDefined, "Only the .xlsx workbook format (51) can be written.");
    const std::string target = fs::absolute(path).string();
    impl_->write(target);
    impl_->saved_as(target);
    impl_->dirty = false;
}

void Workbook::Close(bool save_changes) {
    if (impl_->closed) return;
    if (save_changes && impl_->dirty) Save();
    impl_->closed = true;
    if (auto app = impl_->app.lock()) app->Forget(this);
}

void Workbook::Activate() {
    check_open(*impl_);
    if (auto app = impl_->app.lock()) app->MakeActive(this);
}

// ---- Application ------------------------------------------------------------

ApplicationRef Application::GetRunning() {
    return nullptr;
}

ApplicationRef Application::Start() {
    return std::make_shared<Application>();
}

Application::Application() = default;

Application::~Application() {
    try {
        if (!ended_) Release();
    } catch (...) {
        // a destructor has no one to report to; Release() reports when called
    }
}

void Application::check_running() const {
    if (ended_) throw Error(kErrDisconnected, "The spreadsheet application has been let go of.");
}

namespace {

void adopt(WorkbookRef& book, const ApplicationRef& app) {
    book->impl().app = app;
    for (auto& s : book->impl().sheets) s->impl().book = book;
}

}  // namespace

WorkbookRef Application::WorkbooksAdd() {
    check_running();
    auto book = new_memory_book("Sheet1");
    book->impl().new_name = "Book" + std::to_string(++new_book_count_);
    adopt(book, shared_from_this());
    books_.push_back(book);
    active_ = book.get();
    return book;
}

WorkbookRef Application::WorkbooksOpen(const std::string& path) {
    check_running();
    const std::string full = fs::absolute(path).string();
    for (auto& b : books_)
        if (b->impl().path == full) {
            active_ = b.get();
            return b;
        }
    WorkbookRef book =
        detail::lower(fs::path(full).extension().string()) == ".csv" ? open_csv_book(full) : open_package_book(full);
    adopt(book, shared_from_this());
    books_.push_back(book);
    active_ = book.get();
    return book;
}

int32_t Application::WorkbookCount() const {
    check_running();
    return static_cast<int32_t>(books_.size());
}

WorkbookRef Application::Workbooks(int32_t index) {
    check_running();
    if (index < 1 || index > static_cast<int32_t>(books_.size()))
        throw Error(kErrSubscript, "Subscript out of range: no workbook " + std::to_string(index));
    return books_[static_cast<size_t>(index - 1)];
}

WorkbookRef Application::ActiveWorkbook() {
    check_running();
    for (auto& b : books_)
        if (b.get() == active_) return b;
    return books_.empty() ? nullptr : books_.back();
}

WorksheetRef Application::ActiveWorksheet() {
    auto book = ActiveWorkbook();
    if (!book) throw Error(kErrDefined, "No workbook is open.");
    return book->ActiveWorksheet();
}

void Application::Forget(const Workbook* book) {
    books_.erase(std::remove_if(books_.begin(), books_.end(), [&](const WorkbookRef& b) { return b.get() == book; }),
                 books_.end());
    if (active_ == book) active_ = books_.empty() ? nullptr : books_.back().get();
}

void Application::MakeActive(const Workbook* book) {
    active_ = book;
}

void Application::Release() {
    check_running();
    ended_ = true;
    auto books = books_;
    books_.clear();
    active_ = nullptr;
    // every workbook gets its save even when an earlier one fails; the first
    // failure is reported once all are done
    std::exception_ptr failure;
    std::vector<std::string> to_show;
    // a new workbook never takes the file of another one, nor one the user
    // still has open from an earlier run
    std::set<std::string> taken;
    auto free_name = [&](const std::string& stem) {
        const fs::path folder(NewWorkbookFolder());
        for (int n = 1;; ++n) {
            const std::string file =
                (folder / (n == 1 ? stem + ".xlsx" : stem + " (" + std::to_string(n) + ").xlsx")).string();
            if (!taken.count(file) && !WorkbookInUse(file)) {
                taken.insert(file);
                return file;
            }
        }
    };
    for (auto& b : books) {
        auto& impl = b->impl();
        if (impl.closed) continue;
        try {
            if (impl.saves_in_place() && !impl.path.empty()) {
                if (impl.dirty) b->Save();
            } else if (impl.dirty || (visible_ && impl.path.empty())) {
                const std::string name = b->WorksheetCount() > 0 ? b->Worksheets(1)->Name() : b->Name();
                b->SaveAs(free_name(name));
            }
            if (visible_) to_show.push_back(b->FullName());
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
        impl.closed = true;
    }
    for (const auto& file : to_show) {
        const auto r = shell::OpenDocument(file);
        if (!r.started && !failure)
            failure = std::make_exception_ptr(
                Error(kErrDefined, "The spreadsheet program could not be started for " + file + ": " + r.error_text));
    }
    if (failure) std::rethrow_exception(failure);
}

void Application::Quit() {
    check_running();
    ended_ = true;
    for (auto& b : books_) b->impl().closed = true;
    books_.clear();
    active_ = nullptr;
}

// ---- files ------------------------------------------------------------------

bool SheetNamesMatch(const std::string& a, const std::string& b) {
    return detail::fold_case(a) == detail::fold_case(b);
}

bool WorkbookInUse(const std::string& path) {
    const fs::path p(path);
    const std::string name = p.filename().string();
    const fs::path dir = p.parent_path();
    std::error_code ec;
    return fs::exists(dir / (".~lock." + name + "#"), ec) || fs::exists(dir / ("~$" + name), ec);
}

namespace {
std::string& new_book_folder() {
    static std::string folder;
    return folder;
}
}  // namespace

void SetNewWorkbookFolder(const std::string& folder) {
    new_book_folder() = folder;
}

std::string NewWorkbookFolder() {
    return new_book_folder().empty() ? shell::Environ("temp") : new_book_folder();
}

std::string BackupName(const std::string& path) {
    const fs::path p(path);
    return (p.parent_path() / (p.stem().string() + ".bak" + p.extension().string())).string();
}

std::string read_whole_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Error(kErrDefined, "'" + path + "' could not be opened: " + std::strerror(errno));
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) throw Error(kErrDefined, "'" + path + "' could not be read.");
    return ss.str();
}

std::string temp_beside(const std::string& target) {
    const fs::path p(target);
    std::string pattern = (p.parent_path() / ("." + p.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw Error(kErrDefined, "Cannot write in the folder of " + target + ": " + std::strerror(errno));
    close(fd);
    return pattern;
}

void commit_file(const std::string& temp, const std::string& target) {
    struct stat st {};
    mode_t mode;
    if (stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    chmod(temp.c_str(), mode);
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        std::remove(temp.c_str());
        throw Error(kErrDefined, "Cannot replace " + target + ": " + std::strerror(err));
    }
}

void copy_file_atomic(const std::string& source, const std::string& target) {
    const std::string bytes = read_whole_file(source);
    const std::string temp = temp_beside(target);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temp.c_str());
            throw Error(kErrDefined, "Cannot write " + target);
        }
    }
    commit_file(temp, target);
}

// ---- palette ----------------------------------------------------------------

namespace {
constexpr int32_t kPalette[56] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
                                  0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
                                  0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
                                  0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
                                  0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
                                  0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
                                  0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
}  // namespace

int32_t PaletteColor(int16_t index) {
    return index >= 1 && index <= 56 ? kPalette[index - 1] : -1;
}

int16_t nearest_palette_index(int32_t rgb) {
    int16_t best = 1;
    long best_d = -1;
    for (int16_t i = 1; i <= 56; ++i) {
        const int32_t c = kPalette[i - 1];
        const long dr = ((c >> 16) & 255) - ((rgb >> 16) & 255);
        const long dg = ((c >> 8) & 255) - ((rgb >> 8) & 255);
        const long db = (c & 255) - (rgb & 255);
        const long d = dr * dr + dg * dg + db * db;
        if (best_d < 0 || d < best_d) best = i, best_d = d;
    }
    return best;
}

}  // namespace office
