// Cell values as text and text as cell values: the conversion rules of the
// spreadsheet, number formats, date serials and text safe for XML.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/office/spreadsheet.h"

namespace office::detail {

// "12", "-0.5", "+3.", ".25": optional sign, digits with at most one point,
// nothing else (no blanks, exponent, separators).
bool parse_plain_decimal(std::string_view text, double& value);

// A valid calendar date "yyyy-mm-dd" from 1900-01-01 on, as a serial day of
// the 1900 date system (1 = 1900-01-01; serial 60 is the 1900-02-29 that
// system counts).
bool parse_iso_date(std::string_view text, double& serial);
// Serial day to "yyyy-mm-dd", with " hh:mm:ss" when it has a time of day.
// A serial outside the calendar (before 1900, after 9999) gives its number.
std::string serial_to_iso(double serial);
// A serial the calendar can show: 1900-01-00 up to 9999-12-31 23:59:59.
bool serial_in_calendar(double serial);

// The format code of a built-in number format id ("" when unknown).
std::string builtin_format(int id);
// A date or time format (built-in 14-22, 45-47, or a code with date or time
// parts outside quotes and brackets).
bool is_date_format(std::string_view code);
bool is_text_format(std::string_view code);

// The value a text becomes when assigned to a cell with this format.
CellValue convert_text(const std::string& text, const std::string& format);

// Up to 15 significant digits, as a spreadsheet shows a number as text.
std::string general_number_text(double value);
// The shortest text that reads back as the same double (for stored values).
std::string exact_number_text(double value);
// The value as the cell shows it under its format (for fitting widths).
std::string shown_text(const CellValue& value, const std::string& format);

// UTF-8 text for an XML document: bytes that are not valid UTF-8 are read as
// Windows-1252, control characters XML cannot carry are dropped.
std::string xml_safe(std::string_view text);

// The most characters a cell holds.
inline constexpr size_t kMaxCellChars = 32767;
// UTF-8 text cut to kMaxCellChars characters.
std::string cut_to_cell(std::string text);

// Column letters to number and back ("A" = 1); 0 when not a reference.
int32_t column_from_letters(std::string_view letters);
std::string column_letters(int32_t column);
// "AB12" -> row 12, column 28; false when it is not a cell reference.
bool parse_cell_ref(std::string_view ref, int32_t& row, int32_t& column);

// ASCII lower case.
std::string lower(std::string_view text);
// Lower case for comparing names (text::lower_case): ASCII and the accented
// Latin, Greek and Cyrillic capitals; everything else unchanged.
std::string fold_case(std::string_view text);

}  // namespace office::detail
