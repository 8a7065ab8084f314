// Workbooks kept whole in memory: a new workbook, or a comma-separated file
// opened as one. They are written anew with libxlsxwriter.
#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <tuple>

#include "platform/office/book_impl.h"
#include "platform/office/cell_format.h"

namespace office {

namespace {

namespace fs = std::filesystem;

constexpr double kDefaultWidth = LXW_DEF_COL_WIDTH;

struct MemCell {
    CellValue value;
    int16_t color = 0;
    bool used() const { return value.kind != CellValue::Empty || color != 0; }
};

struct MemorySheet : Worksheet::Impl {
    std::map<int32_t, std::vector<MemCell>> rows;  // a row's cells by column - 1
    std::map<int32_t, std::string> column_formats;
    std::map<int32_t, double> widths;
    std::string pending_csv;  // the file still to be read, on first use

    void load();

    MemCell* find(int32_t row, int32_t column) {
        load();
        auto r = rows.find(row);
        if (r == rows.end() || r->second.size() < static_cast<size_t>(column)) return nullptr;
        return &r->second[static_cast<size_t>(column - 1)];
    }

    MemCell& cell(int32_t row, int32_t column) {
        auto& cells = rows[row];
        if (cells.size() < static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column));
        return cells[static_cast<size_t>(column - 1)];
    }

    CellValue get(int32_t row, int32_t column) override {
        const MemCell* c = find(row, column);
        if (!c) return CellValue{};
        CellValue v = c->value;
        // a number under a date format is a date, as in a workbook read back
        if (v.kind == CellValue::Number && detail::serial_in_calendar(v.number) &&
            detail::is_date_format(format_at(row, column)))
            v.kind = CellValue::Date;
        return v;
    }

    void put(int32_t row, int32_t column, const CellValue& value) override {
        load();
        CellValue v = value;
        if (v.kind == CellValue::Text) v.text = detail::cut_to_cell(detail::xml_safe(v.text));
        if (v.kind == CellValue::Empty) {
            if (MemCell* c = find(row, column)) c->value = v;
            return;
        }
        cell(row, column).value = std::move(v);
    }

    std::string format_at(int32_t, int32_t column) override {
        auto f = column_formats.find(column);
        return f == column_formats.end() ? "General" : f->second;
    }

    int16_t color_at(int32_t row, int32_t column) override {
        const MemCell* c = find(row, column);
        return c ? c->color : 0;
    }

    void set_color(int32_t row, int32_t column, int16_t index) override {
        load();
        if (index == 0 && !find(row, column)) return;
        cell(row, column).color = index;
    }

    void set_column_format(int32_t column, const std::string& format) override {
        load();
        column_formats[column] = detail::xml_safe(format);
    }

    void autofit(int32_t column) override {
        load();
        const std::string format = format_at(1, column);
        size_t widest = 0;
        for (const auto& [r, cells] : rows) {
            if (cells.size() < static_cast<size_t>(column)) continue;
            const std::string shown = detail::shown_text(cells[static_cast<size_t>(column - 1)].value, format);
            size_t chars = 0;
            for (unsigned char ch : shown)
                if ((ch & 0xC0) != 0x80) ++chars;
            widest = std::max(widest, chars);
        }
        if (widest == 0)
            widths.erase(column);
        else
            widths[column] = static_cast<double>(widest) + 1.0;  // a little room either side, as the fit leaves
    }

    double column_width(int32_t column) const override {
        auto w = widths.find(column);
        return w == widths.end() ? kDefaultWidth : w->second;
    }
};

// Fields of a comma-separated file as a spreadsheet reads them: a field that
// starts with a quote runs to the closing quote ("" is one quote) and may
// hold separators and line breaks; CR LF, LF and CR end a record.
void read_csv(const std::string& bytes, MemorySheet& sheet) {
    int32_t row = 1, column = 1;
    size_t i = 0;
    const size_t n = bytes.size();
    std::string field;
    bool any_in_record = false;
    auto end_field = [&]() {
        if (column <= kMaxColumns && row <= kMaxRows && !field.empty())
            sheet.put(row, column, detail::convert_text(field, "General"));
        field.clear();
        ++column;
    };
    while (i < n) {
        const char c = bytes[i];
        if (c == '"' && field.empty()) {
            ++i;
            while (i < n) {
                if (bytes[i] == '"') {
                    if (i + 1 < n && bytes[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += bytes[i++];
            }
            any_in_record = true;
            continue;
        }
        if (c == ',') {
            end_field();
            any_in_record = true;
            ++i;
        } else if (c == '\r' || c == '\n') {
            if (any_in_record || !field.empty()) end_field();
            field.clear();
            ++row;
            column = 1;
            any_in_record = false;
            i += (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ? 2 : 1;
        } else {
            field += c;
            any_in_record = true;
            ++i;
        }
    }
    if (any_in_record || !field.empty()) end_field();
}

void MemorySheet::load() {
    if (pending_csv.empty()) return;
    const std::string path = std::move(pending_csv);
    pending_csv.clear();
    std::string bytes = read_whole_file(path);
    // a UTF-8 byte order mark says how the file is written; it is no part of the first field
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    read_csv(bytes, *this);
}

struct MemoryBook : Workbook::Impl {
    int32_t active = 1;
    bool csv_source = false;

    int32_t active_worksheet() const override { return active; }
    void set_active(int32_t index) override { active = index; }
    bool saves_in_place() const override { return !csv_source; }
    void saved_as(const std::string& target) override {
        path = target;
        csv_source = false;
    }
    void write(const std::string& target) override;
};

void check_lxw(lxw_error err, const std::string& what) {
    if (err != LXW_NO_ERROR) throw Error(kErrDefined, what + ": " + lxw_strerror(err));
}

void MemoryBook::write(const std::string& target) {
    const std::string temp = temp_beside(target);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // rows are written in order
    lxw_workbook* wb = workbook_new_opt(temp.c_str(), &options);
    if (!wb) {
        std::remove(temp.c_str());
        throw Error(kErrDefined, "Cannot write workbook " + target);
    }
    try {
        std::map<std::tuple<std::string, int16_t, bool>, lxw_format*> formats;
        auto format_for = [&](const std::string& code, int16_t color, bool date) -> lxw_format* {
            const auto key = std::make_tuple(code, color, date);
            auto f = formats.find(key);
            if (f != formats.end()) return f->second;
            lxw_format* fmt = nullptr;
            if (code != "General" || color != 0 || date) {
                fmt = workbook_add_format(wb);
                if (date && !detail::is_date_format(code))
                    format_set_num_format(fmt, "yyyy-mm-dd");
                else if (code != "General")
                    format_set_num_format(fmt, code.c_str());
                if (color != 0) {
                    format_set_pattern(fmt, LXW_PATTERN_SOLID);
                    format_set_bg_color(fmt, static_cast<lxw_color_t>(PaletteColor(color)));
                }
            }
            formats[key] = fmt;
            return fmt;
        };
        for (size_t s = 0; s < sheets.size(); ++s) {
            auto& sheet = static_cast<MemorySheet&>(sheets[s]->impl());
            sheet.load();
            lxw_worksheet* ws = workbook_add_worksheet(wb, sheet.name.c_str());
            if (!ws) throw Error(kErrDefined, "Cannot add worksheet " + sheet.name);
            if (static_cast<int32_t>(s + 1) == active) worksheet_activate(ws);
            std::map<int32_t, bool> columns;
            for (const auto& [c, f] : sheet.column_formats) columns[c] = true;
            for (const auto& [c, w] : sheet.widths) columns[c] = true;
            for (const auto& [c, unused] : columns) {
                const auto col = static_cast<lxw_col_t>(c - 1);
                check_lxw(worksheet_set_column(ws, col, col, sheet.column_width(c),
                                               format_for(sheet.format_at(1, c), 0, false)),
                          "column format");
            }
            for (const auto& [r, cells] : sheet.rows) {
                const auto row = static_cast<lxw_row_t>(r - 1);
                for (size_t i = 0; i < cells.size(); ++i) {
                    const MemCell& cell = cells[i];
                    if (!cell.used()) continue;
                    const auto c = static_cast<int32_t>(i + 1);
                    const auto col = static_cast<lxw_col_t>(i);
                    const std::string code = sheet.format_at(r, c);
                    const CellValue& v = cell.value;
                    lxw_format* fmt = format_for(code, cell.color, v.kind == CellValue::Date);
                    lxw_error err = LXW_NO_ERROR;
                    switch (v.kind) {
                        case CellValue::Empty:
                            err = worksheet_write_blank(ws, row, col, fmt);
                            break;
                        case CellValue::Number:
                        case CellValue::Date:
                            err = worksheet_write_number(ws, row, col, v.number, fmt);
                            break;
                        case CellValue::Boolean:
                            err = worksheet_write_boolean(ws, row, col, v.number != 0, fmt);
                            break;
                        case CellValue::Text:
                        case CellValue::ErrorValue:
                            err = worksheet_write_string(ws, row, col, v.text.c_str(), fmt);
                            break;
                    }
                    check_lxw(err, "cell " + detail::column_letters(c) + std::to_string(r) + " of " + sheet.name);
                }
            }
        }
    } catch (...) {
        workbook_close(wb);
        std::remove(temp.c_str());
        throw;
    }
    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR) {
        std::remove(temp.c_str());
        check_lxw(err, "Cannot write workbook " + target);
    }
    commit_file(temp, target);
}

}  // namespace

WorkbookRef new_memory_book(const std::string& sheet_name) {
    auto impl = std::make_unique<MemoryBook>();
    auto sheet = std::make_unique<MemorySheet>();
    sheet->name = sheet_name;
    impl->sheets.push_back(std::make_shared<Worksheet>(std::move(sheet)));
    auto book = std::make_shared<Workbook>(std::move(impl));
    for (auto& s : book->impl().sheets) s->impl().book = book;
    return book;
}

WorkbookRef open_csv_book(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw Error(kErrDefined, "'" + path + "' could not be found.");
    auto book = new_memory_book("Sheet1");
    auto& impl = static_cast<MemoryBook&>(book->impl());
    impl.path = path;
    impl.csv_source = true;
    auto& sheet = static_cast<MemorySheet&>(impl.sheets[0]->impl());
    sheet.pending_csv = path;
    impl.sheets[0]->SetName(fs::path(path).stem().string());
    impl.dirty = false;
    return book;
}

}  // namespace office
