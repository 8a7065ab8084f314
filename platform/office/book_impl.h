// The inside of workbooks and worksheets: one kind kept in memory and written
// anew (new workbooks, comma-separated files), one edited in its .xlsx package.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/office/spreadsheet.h"

namespace office {

inline constexpr int32_t kErrDefined = 1004;
inline constexpr int32_t kErrSubscript = 9;
inline constexpr int32_t kErrTypeMismatch = 13;
inline constexpr int32_t kErrDisconnected = -2147417848;

struct Worksheet::Impl {
    virtual ~Impl() = default;

    std::weak_ptr<Workbook> book;
    std::string name;

    // The workbook, which must still be open.
    Workbook::Impl& owner() const;

    virtual CellValue get(int32_t row, int32_t column) = 0;
    virtual void put(int32_t row, int32_t column, const CellValue& value) = 0;
    virtual std::string format_at(int32_t row, int32_t column) = 0;
    virtual int16_t color_at(int32_t row, int32_t column) = 0;
    virtual void set_color(int32_t row, int32_t column, int16_t index) = 0;
    virtual void set_column_format(int32_t column, const std::string& format);
    virtual void autofit(int32_t column);
    virtual double column_width(int32_t column) const;
};

struct Workbook::Impl {
    virtual ~Impl() = default;

    std::weak_ptr<Application> app;
    std::vector<WorksheetRef> sheets;  // the worksheets, in order
    std::string path;                  // its file; "" for a new one
    std::string new_name;              // "Book1" while it has no file
    bool closed = false;
    bool dirty = false;

    // Index (from 1) of the active worksheet; 0 when the active sheet is no worksheet.
    virtual int32_t active_worksheet() const = 0;
    virtual void set_active(int32_t index) = 0;
    // Saving in place keeps the format of its file (false for a CSV or a new one).
    virtual bool saves_in_place() const = 0;
    // Writes the whole workbook to target, through a temporary file beside it.
    virtual void write(const std::string& target) = 0;
    // After a save under a new name: that file is the workbook's from now on.
    virtual void saved_as(const std::string& target) { path = target; }
};

// Kept in memory, written with libxlsxwriter.
WorkbookRef new_memory_book(const std::string& sheet_name);
WorkbookRef open_csv_book(const std::string& path);
// Edited in its package.
WorkbookRef open_package_book(const std::string& path);

// Files, all through temporary names beside their targets.
std::string read_whole_file(const std::string& path);
// Creates an empty file with a unique name beside target and returns its name.
std::string temp_beside(const std::string& target);
// Gives temp the mode target has (or a new file's mode) and renames it onto target.
void commit_file(const std::string& temp, const std::string& target);
// Copies source to target atomically.
void copy_file_atomic(const std::string& source, const std::string& target);

// Standard palette: index 1..56 to 0xRRGGBB.
int16_t nearest_palette_index(int32_t rgb);

}  // namespace office
