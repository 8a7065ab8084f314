// Writes Jet 4 (Access 2000) .mdb files: tables of plain columns and their
// rows, without indexes or relations. Enough for mdbtools and for our own
// database layer to read back; used to build test fixtures.
//
// Besides the plain layout it can write the ones a file takes on as Access
// edits it over the years (deleted and moved rows, columns deleted and
// inserted, reference usage maps, text in mixed compressed form), and the
// headers of the later Access versions and of protected files, so readers
// can be tested on each.
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
    Numeric = 0x10,  // Access's Decimal: a scaled whole number of up to 28 digits
};

// How Text and Memo values are stored.
enum class Compression : std::uint8_t {
    Latin,  // one byte a character (FF FE form) when every character fits a byte
    Mixed,  // FF FE form, switching to two-byte runs for other characters, as Access does
    None,   // two bytes a character always
};

struct Column {
    std::string name;
    Type type = Type::Text;
    int length = 255;  // Text only: the most characters a value may have (1..255)
    Compression compression = Compression::Latin;
    int precision = 18;  // Numeric only: digits in all (1..28)
    int scale = 0;       // and of them after the point (0..precision)
};

// How a row is laid out on its page.
enum class RowForm : std::uint8_t {
    Live,              // in place
    Moved,             // on another page of the table; its slot here holds a pointer there
    Deleted,           // deleted, its data left in place
    DeletedEmptied,    // deleted and its space taken back: length 0 where the row before it begins
    DeletedAtPageEnd,  // deleted, its slot pointing at the end of the page with length 0
    MovedThenDeleted,  // moved, then deleted: the pointer and the moved data both flagged deleted
};

// The Access version the header names; the pages are Jet 4's in every one.
enum class Version : std::uint8_t {
    Jet4 = 0x01,     // Access 2000-2003 .mdb
    Ace2007 = 0x02,  // Access 2007 .accdb
    Ace2010 = 0x03,
    Ace2013 = 0x04,
    Ace2016 = 0x05,
};

// A value as given: Null, a whole number, a real number or a text.
//   Boolean   whole number (0 is No, anything else Yes)
//   Byte, Integer, Long   whole number in range, or a real with no fraction
//   Currency  whole or real number, or a decimal text (exact to 4 places)
//   Numeric   whole or real number, or a decimal text, with at most the
//             column's scale of decimals and precision of digits
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
    explicit Writer(const std::string& path, Version version = Version::Jet4);
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
    void add_row(int table, const std::vector<Value>& values, RowForm form);

    // The table's next row starts on a page of its own.
    void new_page(int table);
    // The table's map of its pages points to map pages even when its pages
    // lie close enough together for the map to hold them itself.
    void use_reference_map(int table);

    // Changes to a table after rows were written, as Access makes them: a
    // deleted column leaves the definition but keeps its place (and the
    // values already written) in the rows; an inserted column takes the
    // next column number and the space after all others, and is listed at
    // `position` among the columns. Rows already written keep their shape.
    void delete_column(int table, const std::string& name);
    void insert_column(int table, int position, const Column& column);

    // Header fields of a protected file. A database password is stored as
    // Jet 4 keeps it; a non-zero key marks the file as encrypted (the pages
    // themselves are written plain).
    void set_password(const std::string& password);
    void set_encryption_key(std::uint32_t key);

    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace jet
