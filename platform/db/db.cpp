#include "platform/db/db.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <vector>

#include "platform/db/isolate.h"
#include "platform/db/jet_import.h"
#include "platform/db/jet_values.h"
#include "platform/db/sql_rewrite.h"

namespace db {

namespace {

namespace fs = std::filesystem;

// A conversion that shows no progress for this long is taken to hang.
constexpr std::chrono::seconds kStallLimit{30};
// Far more than any real file needs (memos are the largest single values).
constexpr std::size_t kConversionMemory = std::size_t{4} << 30;

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string quote_name(std::string_view name) {
    std::string q = "\"";
    for (char c : name) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

std::uint64_t fnv1a(std::string_view s) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

[[noreturn]] void unrecognized(const std::string& path, const std::string& cause) {
    throw Error(kErrUnrecognizedFormat,
                "Unrecognized database format '" + path + "'." + (cause.empty() ? "" : " " + cause));
}

// SQLite's complaint in Jet's terms.
[[noreturn]] void query_error(sqlite3* db, std::string_view sql) {
    std::string msg = sqlite3_errmsg(db);
    auto after = [&](const char* prefix) { return msg.substr(std::strlen(prefix)); };
    if (msg == "Overflow") throw Error(kErrOverflow, "Overflow");
    if (msg == "Type mismatch") throw Error(kErrTypeMismatch, "Type mismatch");
    if (msg.rfind("no such table: ", 0) == 0)
        throw Error(kErrNoSuchTable, "Cannot find the input table or query '" + after("no such table: ") + "'.");
    if (msg.rfind("no such column: ", 0) == 0)
        throw Error(kErrNoSuchColumn, "Unknown field name: '" + after("no such column: ") + "'.");
    throw Error(kErrSyntax, "Error in query: " + msg + " in '" + std::string(sql) + "'.");
}

// CINT and CLNG: Jet's conversions, halves going to the even neighbour.
void convert_whole(sqlite3_context* ctx, sqlite3_value* arg, double lo, double hi) {
    int type = sqlite3_value_numeric_type(arg);
    if (type == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    double x;
    if (type == SQLITE_INTEGER) {
        x = static_cast<double>(sqlite3_value_int64(arg));
    } else if (type == SQLITE_FLOAT) {
        x = sqlite3_value_double(arg);
    } else {
        sqlite3_result_error(ctx, "Type mismatch", -1);
        return;
    }
    double r = detail::round_half_even(x);
    if (!(r >= lo && r <= hi)) {
        sqlite3_result_error(ctx, "Overflow", -1);
        return;
    }
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
}

void sql_cint(sqlite3_context* ctx, int, sqlite3_value** argv) {
    convert_whole(ctx, argv[0], -32768.0, 32767.0);
}
void sql_clng(sqlite3_context* ctx, int, sqlite3_value** argv) {
    convert_whole(ctx, argv[0], -2147483648.0, 2147483647.0);
}

void register_functions(sqlite3* db) {
    sqlite3_create_function(db, "CINT", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sql_cint, nullptr, nullptr);
    sqlite3_create_function(db, "CLNG", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sql_clng, nullptr, nullptr);
}

sqlite3* open_sqlite(const std::string& file, int flags, const std::string& shown_path) {
    sqlite3* db = nullptr;
    // A connection is used by one thread at a time, so SQLite's own locking
    // of every call is not needed.
    if (sqlite3_open_v2(file.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        unrecognized(shown_path, msg);
    }
    sqlite3_busy_timeout(db, 10000);
    return db;
}

// True when the file opens as SQLite and its schema can be read.
bool schema_readable(sqlite3* db, int* app_id = nullptr, int* version = nullptr) {
    auto one = [&](const char* sql, int* out) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) return false;
        bool ok = sqlite3_step(st) == SQLITE_ROW;
        if (ok && out) *out = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        return ok;
    };
    if (!one("SELECT count(*) FROM sqlite_master", nullptr)) return false;
    if (app_id && !one("PRAGMA application_id", app_id)) return false;
    if (version && !one("PRAGMA user_version", version)) return false;
    return true;
}

void prepare_connection(sqlite3* db) {
    // Pages are read through a memory map rather than a read call each: the
    // large geometry tables are read a segment at a time.
    sqlite3_exec(db, "PRAGMA query_only=1; PRAGMA mmap_size=2147418112", nullptr, nullptr, nullptr);
    register_functions(db);
}

enum class FileKind { Sqlite, Jet, Other };

FileKind sniff(int fd) {
    unsigned char head[32] = {};
    ssize_t n = ::pread(fd, head, sizeof head, 0);
    if (n >= 16 && std::memcmp(head, "SQLite format 3\0", 16) == 0) return FileKind::Sqlite;
    if (n >= 20 && head[0] == 0 &&
        (std::memcmp(head + 4, "Standard Jet DB", 15) == 0 || std::memcmp(head + 4, "Standard ACE DB", 15) == 0))
        return FileKind::Jet;
    return FileKind::Other;
}

// Number text as VB's CStr gives it: up to `digits` significant digits.
std::string number_text(double x, int digits) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, digits);
    std::string s(buf, r.ptr);
    for (char& c : s)
        if (c == 'e') c = 'E';
    return s;
}

}  // namespace

std::string cache_folder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    fs::path base;
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home && *home ? home : "/tmp") / ".cache";
    }
    return (base / "Tessawin").string();
}

// ---------------------------------------------------------------- Recordset

namespace {

struct Cell {
    enum Kind : std::uint8_t { Null, Int, Real, Text, Blob } kind = Null;
    std::int64_t i = 0;
    double d = 0;
    std::string s;
};

enum class ColumnKind : std::uint8_t { Plain, Single, Boolean };

}  // namespace

struct Recordset::Impl {
    std::vector<std::string> names;
    std::vector<ColumnKind> kinds;
    std::vector<Cell> cells;  // row after row
    long rows = 0;
    long pos = 0;

    const Cell& cell(int col) const {
        if (pos >= rows) throw Error(kErrNoCurrentRecord, "No current record.");
        return cells[static_cast<std::size_t>(pos) * names.size() + static_cast<std::size_t>(col)];
    }
};

Recordset::Recordset() : impl_(std::make_unique<Impl>()) {}
Recordset::Recordset(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

bool Recordset::eof() const {
    return impl_->pos >= impl_->rows;
}
bool Recordset::bof() const {
    return impl_->rows == 0;
}
void Recordset::move_next() {
    if (eof()) throw Error(kErrNoCurrentRecord, "No current record.");
    ++impl_->pos;
}
void Recordset::move_first() {
    impl_->pos = 0;
}
void Recordset::move_last() {
    impl_->pos = impl_->rows > 0 ? impl_->rows - 1 : 0;
}
long Recordset::record_count() const {
    return impl_->rows;
}
long Recordset::absolute_position() const {
    return eof() ? -1 : impl_->pos;
}
int Recordset::field_count() const {
    return static_cast<int>(impl_->names.size());
}

Field Recordset::field(int index) const {
    if (index < 0 || index >= field_count())
        throw Error(kErrItemNotFound, "Item not found in this collection (field " + std::to_string(index) + ").");
    return Field(this, index);
}

namespace {
int find_field(const std::vector<std::string>& names, std::string_view name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (iequals(names[i], name)) return static_cast<int>(i);
    // "Table.Field" names the field as the query gives it.
    auto dot = name.rfind('.');
    if (dot != std::string_view::npos) return find_field(names, name.substr(dot + 1));
    return -1;
}
}  // namespace

Field Recordset::field(std::string_view name) const {
    int i = find_field(impl_->names, name);
    if (i < 0) throw Error(kErrItemNotFound, "Item not found in this collection: '" + std::string(name) + "'.");
    return Field(this, i);
}

bool Recordset::has_field(std::string_view name) const {
    return find_field(impl_->names, name) >= 0;
}
std::vector<std::string> Recordset::field_names() const {
    return impl_->names;
}

// -------------------------------------------------------------------- Field

const std::string& Field::name() const {
    return rs_->impl_->names[static_cast<std::size_t>(index_)];
}

bool Field::is_null() const {
    return rs_->impl_->cell(index_).kind == Cell::Null;
}

std::string Field::as_text() const {
    const Cell& c = rs_->impl_->cell(index_);
    ColumnKind kind = rs_->impl_->kinds[static_cast<std::size_t>(index_)];
    switch (c.kind) {
        case Cell::Null:
            return "";
        case Cell::Int:
            if (kind == ColumnKind::Boolean) return c.i ? "True" : "False";
            return std::to_string(c.i);
        case Cell::Real:
            return number_text(c.d, kind == ColumnKind::Single ? 7 : 15);
        default:
            return c.s;
    }
}

namespace {
bool text_number(const std::string& s, double& out) {
    std::size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    if (b == std::string::npos) return false;
    const char* first = s.data() + b;
    const char* last = s.data() + e + 1;
    if (*first == '+') ++first;
    auto [p, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && p == last;
}
}  // namespace

double Field::as_double() const {
    const Cell& c = rs_->impl_->cell(index_);
    switch (c.kind) {
        case Cell::Null:
            throw Error(kErrInvalidUseOfNull, "Invalid use of Null");
        case Cell::Int:
            return static_cast<double>(c.i);
        case Cell::Real:
            return c.d;
        default: {
            double d;
            if (c.kind == Cell::Text && text_number(c.s, d)) return d;
            throw Error(kErrTypeMismatch, "Type mismatch");
        }
    }
}

std::int64_t Field::as_long() const {
    const Cell& c = rs_->impl_->cell(index_);
    if (c.kind == Cell::Int) return c.i;
    double r = detail::round_half_even(as_double());
    if (!(r >= -9.2e18 && r <= 9.2e18)) throw Error(kErrOverflow, "Overflow");
    return static_cast<std::int64_t>(r);
}

float Field::as_single() const {
    double d = as_double();
    if (std::fabs(d) > std::numeric_limits<float>::max() && std::isfinite(d)) throw Error(kErrOverflow, "Overflow");
    return static_cast<float>(d);
}

bool Field::as_bool() const {
    const Cell& c = rs_->impl_->cell(index_);
    if (c.kind == Cell::Text) {
        if (iequals(c.s, "true")) return true;
        if (iequals(c.s, "false")) return false;
    }
    return as_double() != 0;
}

DateTime Field::as_date() const {
    const Cell& c = rs_->impl_->cell(index_);
    DateTime d;
    switch (c.kind) {
        case Cell::Null:
            throw Error(kErrInvalidUseOfNull, "Invalid use of Null");
        case Cell::Text:
            if (detail::parse_date(c.s, d)) return d;
            break;
        case Cell::Int:
        case Cell::Real:
            if (detail::date_from_serial(c.kind == Cell::Int ? static_cast<double>(c.i) : c.d, d)) return d;
            break;
        default:
            break;
    }
    throw Error(kErrTypeMismatch, "Type mismatch");
}

// ----------------------------------------------------------------- Database

namespace {

// Who has which file open in this program. Every open is read-only, so other
// programs reading the same file do no harm and are not kept out; within the
// program an exclusive open stands alone, as Jet has it.
class OpenFiles {
public:
    using Key = std::pair<dev_t, ino_t>;
    bool take(Key k, OpenMode mode) {
        std::lock_guard<std::mutex> g(m_);
        auto& u = users_[k];
        if (u.exclusive || (mode == OpenMode::Exclusive && u.shared > 0)) {
            if (!u.exclusive && u.shared == 0) users_.erase(k);
            return false;
        }
        if (mode == OpenMode::Exclusive)
            u.exclusive = true;
        else
            ++u.shared;
        return true;
    }
    void give_back(Key k, OpenMode mode) {
        std::lock_guard<std::mutex> g(m_);
        auto it = users_.find(k);
        if (it == users_.end()) return;
        if (mode == OpenMode::Exclusive)
            it->second.exclusive = false;
        else
            --it->second.shared;
        if (!it->second.exclusive && it->second.shared <= 0) users_.erase(it);
    }

private:
    struct Users {
        int shared = 0;
        bool exclusive = false;
    };
    std::mutex m_;
    std::map<Key, Users> users_;
};

// Never destroyed: a database held in a static object may close after the
// other statics are gone at exit, and must still find the registry.
OpenFiles& open_files() {
    static OpenFiles* files = new OpenFiles;
    return *files;
}

}  // namespace

struct Database::Impl {
    std::string path;
    std::string cache;  // the copy's file, when the data come from a Jet file
    sqlite3* db = nullptr;
    int fd = -1;
    bool registered = false;
    OpenFiles::Key key{};
    OpenMode mode = OpenMode::Shared;

    ~Impl() {
        if (db) sqlite3_close(db);
        if (fd >= 0) ::close(fd);
        if (registered) open_files().give_back(key, mode);
    }
};

Database::Database() = default;
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

bool Database::is_open() const {
    return impl_ && impl_->db;
}
void Database::close() {
    impl_.reset();
}
const std::string& Database::path() const {
    static const std::string none;
    return impl_ ? impl_->path : none;
}
bool Database::is_cached_copy() const {
    return impl_ && !impl_->cache.empty();
}

namespace {

// The name an index is kept under in a copy.
std::string index_name(const Index& ix) {
    if (!ix.name.empty()) return ix.name;
    std::string name = "ix_" + ix.table;
    for (const auto& c : ix.columns) name += "_" + c;
    for (char& ch : name)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return name;
}

std::string index_sql(const Index& ix) {
    std::string cols;
    for (const auto& c : ix.columns) cols += (cols.empty() ? "" : ", ") + (ix.name.empty() ? quote_name(c) : c);
    return "CREATE INDEX IF NOT EXISTS " + quote_name(index_name(ix)) + " ON " + quote_name(ix.table) + " (" + cols +
           ")";
}

// Whether the index's table and columns are there, so that it can be made.
bool index_possible(sqlite3* db, const Index& ix) {
    std::string cols;
    for (const auto& c : ix.columns) cols += (cols.empty() ? "" : ", ") + (ix.name.empty() ? quote_name(c) : c);
    std::string sql = "SELECT " + cols + " FROM " + quote_name(ix.table) + " LIMIT 0";
    // A quoted name that is no column must not pass as a string.
    int dqs = 1;
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, -1, &dqs);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_stmt* st = nullptr;
    const bool ok = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK;
    sqlite3_finalize(st);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, dqs, nullptr);
    return ok;
}

bool has_index(sqlite3* db, const std::string& name) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?1", -1, &st, nullptr) !=
        SQLITE_OK)
        return false;
    sqlite3_bind_text(st, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    const bool found = sqlite3_step(st) == SQLITE_ROW;
    sqlite3_finalize(st);
    return found;
}

// The wanted indexes a copy lacks and could have.
std::vector<Index> missing_indexes(sqlite3* db, const std::vector<Index>& wanted) {
    std::vector<Index> missing;
    for (const Index& ix : wanted)
        if (!has_index(db, index_name(ix)) && index_possible(db, ix)) missing.push_back(ix);
    return missing;
}

// A copy is opened as immutable: once in place it is never written again, so
// SQLite need neither lock it nor look for a journal beside it.
sqlite3* open_copy(const std::string& file, const std::string& shown_path) {
    std::string uri = "file:";
    for (char c : file) {
        if (c == '%' || c == '?' || c == '#') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            uri += hex;
        } else {
            uri += c;
        }
    }
    uri += "?immutable=1";
    return open_sqlite(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, shown_path);
}

// True when `copy` is a whole copy in the current format.
bool copy_good(const fs::path& copy) {
    std::error_code ec;
    if (!fs::exists(copy, ec)) return false;
    sqlite3* probe = nullptr;
    bool good = false;
    try {
        probe = open_copy(copy.string(), copy.string());
        int app = 0, version = 0;
        good = schema_readable(probe, &app, &version) && app == detail::kCacheApplicationId &&
               version == detail::kCacheFormat;
    } catch (const Error&) {
    }
    sqlite3_close(probe);
    return good;
}

// Holds the lock file beside a copy: the process that makes or replaces the
// copy holds it, and another that wants the same copy waits for it.
class CopyLock {
public:
    explicit CopyLock(const fs::path& copy) {
        fd_ = ::open((copy.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return;  // a folder we cannot write: the copy cannot be made either, which says why
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~CopyLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    CopyLock(const CopyLock&) = delete;
    CopyLock& operator=(const CopyLock&) = delete;

private:
    int fd_ = -1;
};

std::string temp_beside(const fs::path& copy, const std::string& path) {
    std::string tmpl = copy.string() + ".part-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    int fd = ::mkstemp(buf.data());
    if (fd < 0)
        unrecognized(path, "The copy cannot be made in " + copy.parent_path().string() + ": " + std::strerror(errno) +
                               ".");
    ::close(fd);
    return buf.data();
}

// Adds the indexes to a file not yet in place; "" or what went wrong.
std::string add_indexes(const std::string& file, const std::vector<Index>& indexes) {
    if (indexes.empty()) return "";
    sqlite3* rw = nullptr;
    if (sqlite3_open_v2(file.c_str(), &rw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        std::string msg = rw ? sqlite3_errmsg(rw) : "out of memory";
        sqlite3_close(rw);
        return msg;
    }
    std::string failure;
    sqlite3_db_config(rw, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    // No journal: the file is not in place yet, and is thrown away on failure.
    std::string sql = "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN; ";
    for (const Index& ix : indexes)
        if (index_possible(rw, ix)) sql += index_sql(ix) + "; ";
    sql += "COMMIT";
    char* err = nullptr;
    if (sqlite3_exec(rw, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) failure = err ? err : "unknown error";
    sqlite3_free(err);
    sqlite3_close(rw);
    return failure;
}

// Syncs `temp` and renames it to `copy`; "" or what went wrong.
std::string put_in_place(const std::string& temp, const fs::path& copy) {
    int tfd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (tfd < 0 || ::fsync(tfd) != 0) {
        std::string failure = std::string("The copy cannot be written: ") + std::strerror(errno);
        if (tfd >= 0) ::close(tfd);
        return failure;
    }
    ::close(tfd);
    if (std::rename(temp.c_str(), copy.c_str()) != 0) return std::string("The copy cannot be kept: ") + std::strerror(errno);
    return "";
}

[[noreturn]] void copy_failed(const std::string& path, const std::string& temp, std::string failure) {
    ::unlink(temp.c_str());
    if (failure.back() != '.' && failure.back() != '?') failure += '.';
    failure[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(failure[0])));
    unrecognized(path, failure);
}

// Replaces a copy in place by one that also has `missing`. Connections open
// on the old copy keep reading it. False when it cannot be done (a cache
// folder that is not ours to write, say): the indexes only speed lookups up.
bool replace_with_indexes(const fs::path& copy, const std::vector<Index>& missing) {
    std::string temp;
    try {
        temp = temp_beside(copy, copy.string());
    } catch (const Error&) {
        return false;
    }
    std::error_code ec;
    fs::copy_file(copy, temp, fs::copy_options::overwrite_existing, ec);
    if (ec || !add_indexes(temp, missing).empty() || !put_in_place(temp, copy).empty()) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

// Finds or makes the copy of a Jet file with the wanted indexes; returns the
// copy's file name. A copy in place is never written: a copy that lacks an
// index is replaced by a whole new one, under the lock.
std::string cached_copy(const std::string& path, const struct stat& st, const std::vector<Index>& indexes) {
    std::error_code ec;
    fs::path real = fs::canonical(path, ec);
    std::string key = ec ? fs::absolute(path).string() : real.string();
    fs::path folder = cache_folder();
    fs::create_directories(folder, ec);
    if (ec) unrecognized(path, "The cache folder " + folder.string() + " cannot be made: " + ec.message() + ".");

    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv1a(key)));
    std::string stem = fs::path(path).stem().string();
    std::string prefix = stem + "-" + hash + "-";
    std::string name = prefix + std::to_string(st.st_size) + "-" +
                       std::to_string(static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec) +
                       ".sqlite";
    fs::path copy = folder / name;

    auto lacking = [&] {
        sqlite3* db = open_copy(copy.string(), path);
        auto missing = missing_indexes(db, indexes);
        sqlite3_close(db);
        return missing;
    };
    // The usual case: the copy is there, whole and complete, and no lock is needed.
    if (copy_good(copy) && lacking().empty()) return copy.string();

    CopyLock lock(copy);
    if (copy_good(copy)) {
        // Made by another process while this one waited, or made earlier
        // without an index now wanted.
        auto missing = lacking();
        if (!missing.empty()) replace_with_indexes(copy, missing);
        return copy.string();
    }

    // Made under a temporary name and renamed when complete, so a copy that
    // is there is always whole.
    std::string temp = temp_beside(copy, path);
    std::string failure = detail::run_isolated(
        [&](const std::function<void()>& progress) { return detail::import_jet(path, temp, progress); }, kStallLimit,
        kConversionMemory);
    if (failure.empty()) failure = add_indexes(temp, indexes);
    struct stat after {};
    if (failure.empty() && (::stat(path.c_str(), &after) != 0 || after.st_size != st.st_size ||
                            after.st_mtim.tv_sec != st.st_mtim.tv_sec || after.st_mtim.tv_nsec != st.st_mtim.tv_nsec))
        failure = "The file changed while it was being read.";
    if (failure.empty()) failure = put_in_place(temp, copy);
    if (!failure.empty()) copy_failed(path, temp, failure);
    // Copies of earlier states of the same file are of no further use, nor
    // are pieces and locks left by a program that ended while copying (a day
    // old, so as not to take one in use now).
    const auto day_ago = fs::file_time_type::clock::now() - std::chrono::hours(24);
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::string n = entry.path().filename().string();
        if (n.rfind(name, 0) == 0 || n.rfind(prefix, 0) != 0) continue;
        bool part = n.find(".part-") != std::string::npos || n.ends_with(".lock");
        if (!part || entry.last_write_time(ec) < day_ago) fs::remove(entry.path(), ec);
    }
    return copy.string();
}

}  // namespace

Database Database::open(const std::string& path, OpenMode mode, const std::vector<Index>& indexes) {
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) throw Error(kErrFileNotFound, "Could not find file '" + path + "'.");
        unrecognized(path, std::string("It cannot be read: ") + std::strerror(errno) + ".");
    }
    if (!S_ISREG(st.st_mode)) unrecognized(path, "It is not a file.");
    impl->key = {st.st_dev, st.st_ino};
    impl->mode = mode;
    if (!open_files().take(impl->key, mode))
        throw Error(kErrFileInUse, "Could not use '" + path + "'; file already in use.");
    impl->registered = true;
    impl->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (impl->fd < 0) unrecognized(path, std::string("It cannot be read: ") + std::strerror(errno) + ".");

    switch (sniff(impl->fd)) {
        case FileKind::Sqlite:
            impl->db = open_sqlite(path, SQLITE_OPEN_READONLY, path);
            if (!schema_readable(impl->db)) unrecognized(path, sqlite3_errmsg(impl->db));
            break;
        case FileKind::Jet: {
            // Read no further than the header when the file is protected.
            std::vector<std::uint8_t> header(4096);
            ssize_t n = ::pread(impl->fd, header.data(), header.size(), 0);
            switch (detail::jet_protection(header.data(), n > 0 ? static_cast<std::size_t>(n) : 0)) {
                case detail::Protection::Password:
                    throw Error(kErrNotValidPassword, "Not a valid password. The database '" + path +
                                                          "' is protected by a password; remove the password "
                                                          "in Access to read it here.");
                case detail::Protection::Encrypted:
                    unrecognized(path, "It is encrypted; decrypt it in Access to read it here.");
                case detail::Protection::None:
                    break;
            }
            impl->cache = cached_copy(path, st, indexes);
            impl->db = open_copy(impl->cache, path);
            break;
        }
        case FileKind::Other:
            unrecognized(path, "");
    }
    prepare_connection(impl->db);
    Database d;
    d.impl_ = std::move(impl);
    return d;
}

namespace {

// Runs a query, handing each row's cells to `row` in turn; `rs` receives the
// column names and kinds first.
template <typename RowFn>
void run_query(sqlite3* db, std::string_view sql, Recordset::Impl& rs, RowFn&& row) {
    std::string text = detail::rewrite_jet_sql(sql);
    const char* tail = text.c_str();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, tail, static_cast<int>(text.size()), &st, &tail) != SQLITE_OK) query_error(db, sql);
    if (!st) throw Error(kErrSyntax, "Error in query: no statement in '" + std::string(sql) + "'.");
    struct Finalizer {
        sqlite3_stmt* st;
        ~Finalizer() { sqlite3_finalize(st); }
    } fin{st};

    const int ncols = sqlite3_column_count(st);
    for (int i = 0; i < ncols; ++i) {
        const char* n = sqlite3_column_name(st, i);
        rs.names.emplace_back(n ? n : "");
        const char* decl = sqlite3_column_decltype(st, i);
        ColumnKind k = ColumnKind::Plain;
        if (decl && iequals(decl, "FLOAT"))
            k = ColumnKind::Single;
        else if (decl && iequals(decl, "BOOLEAN"))
            k = ColumnKind::Boolean;
        rs.kinds.push_back(k);
    }
    for (;;) {
        int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) query_error(db, sql);
        Cell* cells = row();
        for (int i = 0; i < ncols; ++i) {
            Cell& c = cells[i];
            c.kind = Cell::Null;
            switch (sqlite3_column_type(st, i)) {
                case SQLITE_INTEGER:
                    c.kind = Cell::Int;
                    c.i = sqlite3_column_int64(st, i);
                    break;
                case SQLITE_FLOAT:
                    c.kind = Cell::Real;
                    c.d = sqlite3_column_double(st, i);
                    break;
                case SQLITE_TEXT: {
                    c.kind = Cell::Text;
                    auto p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                    c.s.assign(p, static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
                    break;
                }
                case SQLITE_BLOB: {
                    c.kind = Cell::Blob;
                    auto p = static_cast<const char*>(sqlite3_column_blob(st, i));
                    c.s.assign(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
                    break;
                }
                default:
                    break;
            }
        }
        row.done();
    }
}

}  // namespace

Recordset Database::open_recordset(std::string_view sql) const {
    if (!is_open()) throw Error(kErrNotOpen, "No database is open.");
    auto rs = std::make_unique<Recordset::Impl>();
    struct Append {
        Recordset::Impl& rs;
        Cell* operator()() {
            rs.cells.resize(rs.cells.size() + rs.names.size());
            return rs.cells.data() + rs.cells.size() - rs.names.size();
        }
        void done() { ++rs.rows; }
    };
    run_query(impl_->db, sql, *rs, Append{*rs});
    return Recordset(std::move(rs));
}

void Database::for_each_row(std::string_view sql, const std::function<void(const Recordset&)>& row) const {
    if (!is_open()) throw Error(kErrNotOpen, "No database is open.");
    Recordset one(std::make_unique<Recordset::Impl>());
    Recordset::Impl& rs = *one.impl_;
    struct Reuse {
        Recordset::Impl& rs;
        const Recordset& one;
        const std::function<void(const Recordset&)>& row;
        Cell* operator()() {
            rs.cells.resize(rs.names.size());
            rs.rows = 1;
            rs.pos = 0;
            return rs.cells.data();
        }
        void done() { row(one); }
    };
    run_query(impl_->db, sql, rs, Reuse{rs, one, row});
}

void Database::create_index(std::string_view table, const std::vector<std::string>& columns) const {
    if (!is_open()) throw Error(kErrNotOpen, "No database is open.");
    if (impl_->cache.empty() || columns.empty()) return;
    ensure_index(Index{std::string(table), columns, ""});
}

void Database::create_expression_index(std::string_view table, std::string_view name,
                                       const std::vector<std::string>& expressions) const {
    if (!is_open()) throw Error(kErrNotOpen, "No database is open.");
    if (impl_->cache.empty() || expressions.empty()) return;
    ensure_index(Index{std::string(table), expressions, std::string(name)});
}

void Database::ensure_index(const Index& ix) const {
    if (has_index(impl_->db, index_name(ix))) return;
    // A missing table or column, in Jet's terms (the failed prepare's message).
    if (!index_possible(impl_->db, ix)) query_error(impl_->db, index_sql(ix));
    // The copy in place is never written; a new one with the index takes its
    // place, and this connection moves to it.
    const fs::path copy = impl_->cache;
    {
        CopyLock lock(copy);
        sqlite3* now = nullptr;
        bool there = false;
        try {
            now = open_copy(copy.string(), impl_->path);
            there = has_index(now, index_name(ix));
        } catch (const Error&) {
        }
        sqlite3_close(now);
        if (!there && !replace_with_indexes(copy, {ix})) return;
    }
    sqlite3* fresh = open_copy(copy.string(), impl_->path);
    prepare_connection(fresh);
    sqlite3_close(impl_->db);
    impl_->db = fresh;
}

}  // namespace db
