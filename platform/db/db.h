// Read-only databases, in the manner of DAO: open a file, run a query, read the
// snapshot forward by field name or position.
//
// The engine is SQLite. A Jet (.mdb) file is copied into SQLite once, in a
// child process, and the copy is kept in a cache under
// $XDG_CACHE_HOME/Tessawin/ (~/.cache/Tessawin/ when unset) keyed by the
// file's path, size and modification time. A copy once in place is never
// written again (read as immutable), and processes that find no copy wait on
// a lock file beside it while one of them makes it. A file that is already
// SQLite is opened directly.
//
// Queries are SQLite's SQL. On top of it the layer accepts Jet's #yyyy-mm-dd#
// date literals (also #yyyy-mm-dd hh:mm:ss#) and registers CINT and CLNG
// (halves to even, error 6 "Overflow" beyond 16 / 32 bits; Null gives Null).
// [Bracketed names] are SQLite's own.
//
// How the copy of a Jet table looks:
//   Text, Memo        TEXT COLLATE NOCASE (UTF-8, memo whole), so = < LIKE
//                     ORDER BY GROUP BY ignore case as Jet does
//   Byte, Integer,    INTEGER
//   Long
//   Yes/No            BOOLEAN, -1 for Yes and 0 for No as Jet has them (test
//                     with <> 0 rather than = TRUE)
//   Single            FLOAT: the exact single-precision value widened to a
//                     double. Arithmetic then runs in double precision, as
//                     Jet's expression service does with Single fields, so
//                     CLNG(Km * 100 + 0.001) gives Jet's answer.
//   Double, Currency  DOUBLE, REAL
//   Numeric           REAL: the double nearest the stored decimal, scaled by
//                     the column's own scale
//   Date/Time         DATETIME holding text: "YYYY-MM-DD" when the time is
//                     midnight, else "YYYY-MM-DD HH:MM:SS" (to the second).
//                     Texts of this form sort as the dates do, and a
//                     #yyyy-mm-dd# literal becomes the same text, so
//                     comparisons and BETWEEN behave as in Jet. (A stored
//                     value outside the years 100..9999 stays a number.)
// Nulls stay null; every table keeps its columns in their stored order, and
// the rows copied are checked against the table's own row count. A SQLite
// file opened directly keeps its own column types and collations.
//
// Errors are thrown as db::Error with a Jet-style number and description.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// Error numbers the layer reports (those of Jet for the same failure).
enum ErrorNumber : int {
    kErrOverflow = 6,               // CINT / CLNG out of range
    kErrInvalidUseOfNull = 94,      // a Null read as a number or date
    kErrTypeMismatch = 13,          // a value that is not a number or date
    kErrNotOpen = 91,               // no database open
    kErrNoCurrentRecord = 3021,     // read past the last row
    kErrFileNotFound = 3024,        // "Could not find file '...'."
    kErrFileInUse = 3045,           // opened exclusive elsewhere in the program
    kErrNotValidPassword = 3031,    // a file protected by a database password
    kErrSyntax = 3075,              // a query that SQLite cannot parse or run
    kErrNoSuchTable = 3078,         // "cannot find the input table or query"
    kErrNoSuchColumn = 3061,        // an unknown field name in a query
    kErrItemNotFound = 3265,        // field name not in the result
    kErrUnrecognizedFormat = 3343,  // not a database, or one we cannot read
};

class Error : public std::runtime_error {
public:
    Error(int number, const std::string& description) : std::runtime_error(description), number_(number) {}
    int number() const { return number_; }
    std::string description() const { return what(); }

private:
    int number_;
};

// Both are read-only. Within the program an exclusive open keeps every other
// open of the same file out, and a shared one lets other shared ones in, as
// in Jet. Other programs are not kept out: nothing here writes, so their
// reading the file at the same time does no harm.
enum class OpenMode { Shared, Exclusive };

struct DateTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

class Recordset;

// An index the program's queries need in the cached copy of a Jet file: on
// these columns of the table, or, when it has a name, on these expressions of
// its columns in SQLite's SQL ("CAST(Latitude * 200 AS INTEGER)").
struct Index {
    std::string table;
    std::vector<std::string> columns;
    std::string name;
};

// One value of the current row. It reads its Recordset, so it is good for
// as long as that Recordset stays where it is.
class Field {
public:
    const std::string& name() const;
    bool is_null() const;

    // The value as text: "" for Null; numbers in the C locale, a Single with
    // 7 significant digits and a Double with 15 (as VB's CStr); Yes/No as
    // "True" / "False"; dates as stored.
    std::string as_text() const;
    // Numbers; text that holds a number is converted. Null: error 94.
    std::int64_t as_long() const;  // rounded half to even, as CLng
    double as_double() const;
    float as_single() const;
    bool as_bool() const;  // non-zero is true
    // A date column or date text. Null: error 94; other text: error 13.
    DateTime as_date() const;

private:
    friend class Recordset;
    Field(const Recordset* rs, int index) : rs_(rs), index_(index) {}
    const Recordset* rs_;
    int index_;
};

// A read-only snapshot of a query's result, read forward. The whole result is
// taken when the query runs, so the record count is known at once and the
// database may be used for other queries meanwhile.
class Recordset {
public:
    Recordset();  // an empty result
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset();

    bool eof() const;  // past the last row (at once when empty)
    bool bof() const;  // before the first row (only when empty)
    void move_next();  // past the end: error 3021
    void move_first();
    void move_last();
    long record_count() const;
    long absolute_position() const;  // 0-based current row, -1 at eof

    int field_count() const;
    Field field(int index) const;              // 0-based; out of range: 3265
    Field field(std::string_view name) const;  // without regard to case; 3265
    Field operator[](std::string_view name) const { return field(name); }
    bool has_field(std::string_view name) const;
    std::vector<std::string> field_names() const;

    struct Impl;

private:
    friend class Database;
    friend class Field;
    explicit Recordset(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

class Database {
public:
    Database();
    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    ~Database();

    // Opens a Jet or SQLite file read-only. A Jet file is converted on the
    // first open (or when it changed since); a corrupt file gives error 3343
    // with the cause, an encrypted one 3343 saying so, one with a database
    // password 3031. Missing file: 3024; held exclusive by another open, or
    // asked for exclusive while open elsewhere here: 3045.
    // The copy of a Jet file is made with `indexes` (those whose table and
    // columns the file has); a copy made before without one of them is
    // replaced by one with it. A copy in place is never written, so any
    // number of processes can read and make it at once.
    static Database open(const std::string& path, OpenMode mode = OpenMode::Shared,
                         const std::vector<Index>& indexes = {});

    bool is_open() const;
    void close();
    const std::string& path() const;  // the file asked for
    // True when the data come from a cached copy of a Jet file.
    bool is_cached_copy() const;

    // Runs a query and takes its result.
    Recordset open_recordset(std::string_view sql) const;
    // Runs a query and calls `row` for each row of its result in turn, with a
    // recordset holding that row alone: for results too large to hold whole.
    void for_each_row(std::string_view sql, const std::function<void(const Recordset&)>& row) const;

    // Makes sure an index on these columns of the table exists in the cached
    // copy (a new copy with it replaces the old one, for later opens too); a
    // missing table or column is an error as in a query. A SQLite file
    // opened directly is the caller's own and is left as it is. Indexes known
    // at open are better passed to open(): the copy is then made once.
    void create_index(std::string_view table, const std::vector<std::string>& columns) const;
    // The same for an index named `name` on expressions of the table's
    // columns, written in SQLite's SQL ("CAST(Latitude * 200 AS INTEGER)");
    // a query whose condition names the same expression can use it.
    void create_expression_index(std::string_view table, std::string_view name,
                                 const std::vector<std::string>& expressions) const;

    struct Impl;

private:
    void ensure_index(const Index& ix) const;
    std::unique_ptr<Impl> impl_;
};

// The folder the converted copies are kept in.
std::string cache_folder();

}  // namespace db
