// Writes Jet 4 (Access 2000) .mdb files: tables of plain columns and their
// rows, without indexes or relations. Enough for mdbtools and for our own
// database layer to read back; used to build test fixtures.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace jet {

// Column types, by their Jet type codes.
enum class Type : std::uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,  // 16 bits
    Long = 0x04,     // 32 bits
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Text = 0x0A,
    Memo = 0x0C,
};

struct Column {
    std::string name;
    Type type = Type::Text;
    int length = 255;  // Text only: the most characters a value may have (1..255)
};

// A value as given: Null, a whole number, a real number or a text.
//   Boolean   whole number (0 is No, anything else Yes)
//   Byte, Integer, Long   whole number in range, or a real with no fraction
//   Currency  whole or real number, or a decimal text (exact to 4 places)
//   Single, Double        number, or a decimal text
//   DateTime  real: days since 1899-12-30 (Jet's stored value); text:
//             "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS"
//   Text, Memo            UTF-8 text
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Days since 1899-12-30 for a calendar date and time, as Jet stores it
// (before 1899-12-30 the time of day counts away from zero).
double date_serial(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Builds one file. Rows go to disk as their pages fill, so tables of millions
// of rows need little memory. The file appears under its name only when
// finish() succeeds; until then it is written to a temporary name beside it.
class Writer {
public:
    explicit Writer(const std::string& path);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Returns the table's number for add_row. Names are unique without regard
    // to case; a table needs at least one column.
    int add_table(const std::string& name, const std::vector<Column>& columns);
    const std::vector<Column>& columns(int table) const;
    int find_table(const std::string& name) const;  // -1 when none

    // One value per column, in column order.
    void add_row(int table, const std::vector<Value>& values);

    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace jet
