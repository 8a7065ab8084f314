// Conversions shared by the copy of Jet files and the query layer: Jet's
// stored dates, the text form they are kept in, rounding as CInt / CLng do,
// and Jet text to UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db/db.h"

namespace db::detail {

// A Jet date/time value (days since 1899-12-30; before it the time of day
// counts away from zero) to its calendar date, rounded to the second.
// False when it lies outside the years 100..9999.
bool date_from_serial(double serial, DateTime& out);
double serial_from_date(const DateTime& d);

// "YYYY-MM-DD" at midnight, else "YYYY-MM-DD HH:MM:SS".
std::string date_text(const DateTime& d);

// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (month and
// day may have one digit, "/" may stand for "-"). False when it is not a
// valid date of the years 100..9999.
bool parse_date(std::string_view text, DateTime& out);

// Nearest whole number, halves to the even one.
double round_half_even(double x);

// Jet 4 text (UCS-2, or its compressed form starting FF FE) to UTF-8.
void append_jet4_text(const std::uint8_t* p, std::size_t n, std::string& out);
// Jet 3 text (Windows-1252) to UTF-8.
void append_cp1252_text(const std::uint8_t* p, std::size_t n, std::string& out);

}  // namespace db::detail
