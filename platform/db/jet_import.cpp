#include "platform/db/jet_import.h"

#include <mdbtools.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/db/jet_pages.h"
#include "platform/db/jet_values.h"

namespace db::detail {

namespace {

// Row offsets carry two flags in their top bits.
constexpr int kDeletedRow = 0x8000;
constexpr int kOverflowRow = 0x4000;
constexpr int kOffsetMask = 0x1FFF;

std::uint32_t le32(const void* p) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::string quote_name(const std::string& name) {
    std::string q = "\"";
    for (char c : name) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

const char* sqlite_type(int col_type) {
    switch (col_type) {
        case MDB_BOOL:
            return "BOOLEAN";
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
        case MDB_COMPLEX:
            return "INTEGER";
        case MDB_FLOAT:
            return "FLOAT";
        case MDB_DOUBLE:
            return "DOUBLE";
        case MDB_MONEY:
        case MDB_NUMERIC:
            return "REAL";
        case MDB_DATETIME:
            return "DATETIME";
        case MDB_TEXT:
        case MDB_MEMO:
            return "TEXT COLLATE NOCASE";
        case MDB_REPID:
            return "TEXT";
        default:
            return "BLOB";
    }
}

class Sqlite {
public:
    explicit Sqlite(const std::string& path) {
        // One thread writes the copy; SQLite need not lock against others.
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK)
            fail_ = "cannot create the copy " + path + ": " + sqlite3_errmsg(db_);
    }
    ~Sqlite() {
        if (insert_) sqlite3_finalize(insert_);
        sqlite3_close(db_);
    }
    const std::string& failure() const { return fail_; }
    bool exec(const std::string& sql) {
        char* msg = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
            fail_ = std::string("cannot write the copy: ") + (msg ? msg : "?");
            sqlite3_free(msg);
            return false;
        }
        return true;
    }
    sqlite3_stmt* prepare_insert(const std::string& sql) {
        if (insert_) sqlite3_finalize(insert_);
        insert_ = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert_, nullptr) != SQLITE_OK) {
            fail_ = std::string("cannot write the copy: ") + sqlite3_errmsg(db_);
            return nullptr;
        }
        return insert_;
    }
    bool step_insert() {
        int rc = sqlite3_step(insert_);
        sqlite3_reset(insert_);
        if (rc != SQLITE_DONE) {
            fail_ = std::string("cannot write the copy: ") + sqlite3_errmsg(db_);
            return false;
        }
        return true;
    }
    bool close() {
        if (insert_) sqlite3_finalize(insert_);
        insert_ = nullptr;
        if (sqlite3_close(db_) != SQLITE_OK) {
            fail_ = std::string("cannot write the copy: ") + sqlite3_errmsg(db_);
            return false;
        }
        db_ = nullptr;
        return true;
    }

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    std::string fail_;
};

struct MdbCloser {
    MdbHandle* mdb;
    ~MdbCloser() {
        if (mdb) mdb_close(mdb);
    }
};
struct TableFreer {
    MdbTableDef* t;
    ~TableFreer() {
        if (t) mdb_free_tabledef(t);
    }
};

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Stored size of a fixed-length value; 0 for Yes/No, whose value is its bit
// in the null mask.
int fixed_value_size(const MdbColumn& c) {
    switch (c.col_type) {
        case MDB_BOOL:
            return 0;
        case MDB_BYTE:
            return 1;
        case MDB_INT:
            return 2;
        case MDB_LONGINT:
        case MDB_COMPLEX:
        case MDB_FLOAT:
            return 4;
        case MDB_MONEY:
        case MDB_DOUBLE:
        case MDB_DATETIME:
            return 8;
        case MDB_REPID:
            return 16;
        case MDB_NUMERIC:
            return 17;
        default:
            return c.col_size;
    }
}

// One value of a row as stored: where it lies and how long it is.
struct Field {
    const std::uint8_t* value = nullptr;
    int siz = 0;
    bool is_null = true;
};

// A scaled decimal: a sign byte, then a 128-bit whole number as four 32-bit
// words, the most significant first, each stored low byte first.
std::string numeric_text(const std::uint8_t* v, int scale) {
    unsigned __int128 n = 0;
    for (int w = 0; w < 4; ++w) n = (n << 32) | le32(v + 1 + 4 * w);
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
        n /= 10;
    } while (n);
    if (scale > 0) {
        if (digits.size() <= static_cast<std::size_t>(scale))
            digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(scale), ".");
    }
    return (v[0] & 0x80 ? "-" : "") + digits;
}

// The rows of a data page, found from its table of row offsets. Rows are
// stored from the end of the page towards its start, so a row ends where
// the nearest row before it in the table begins; slots of deleted rows may
// point anywhere (Access leaves some at the end of the page), so the
// nearest start above this one is taken, not just the previous slot's.
class PageRows {
public:
    PageRows(const std::uint8_t* page, int page_size) : p_(page), size_(page_size) {}

    // False when the offset table does not fit the page.
    bool count(int row_count_offset) {
        rows_ = le16(p_ + row_count_offset);
        first_slot_ = row_count_offset + 2;
        if (first_slot_ + 2 * rows_ > size_) return false;
        ends_.resize(static_cast<std::size_t>(rows_));
        int lowest = size_;  // of the starts so far
        for (int r = 0; r < rows_; ++r) {
            const int begin = start(r);
            int end = lowest;
            if (begin >= lowest) {  // out of the usual order: look at every start before
                end = size_;
                for (int j = 0; j < r; ++j) {
                    int s = start(j);
                    if (s > begin && s < end) end = s;
                }
            }
            ends_[static_cast<std::size_t>(r)] = end;
            lowest = std::min(lowest, begin);
        }
        return true;
    }
    int rows() const { return rows_; }
    unsigned slot(int r) const { return le16(p_ + first_slot_ + 2 * r); }
    int start(int r) const { return std::min(static_cast<int>(slot(r) & kOffsetMask), size_); }

    // The bytes of row r; false when they do not lie within the page's rows.
    bool bounds(int r, int& begin, int& end) const {
        begin = start(r);
        end = ends_[static_cast<std::size_t>(r)];
        return begin >= first_slot_ + 2 * rows_ && begin <= end;
    }

private:
    const std::uint8_t* p_;
    int size_;
    int rows_ = 0;
    int first_slot_ = 0;
    std::vector<int> ends_;
};

class TableCopy {
public:
    TableCopy(MdbHandle* mdb, MdbTableDef* t, Sqlite& out, const std::function<void()>& progress)
        : mdb_(mdb), t_(t), out_(out), progress_(progress), jet3_(mdb->f->jet_version == MDB_VER_JET3) {}

    std::string run();

private:
    std::string read_page(guint32 page);
    std::string moved_row(guint32 page, int row, std::uint32_t to);
    bool crack(const std::uint8_t* row, std::size_t len);
    bool crack_jet3(const std::uint8_t* page, int begin, int end);
    std::string copy_row(const std::uint8_t* page, int begin, int end, int row, guint32 page_no);
    bool long_value(const Field& f, std::vector<std::uint8_t>& data, std::string& err);
    std::string bad(const std::string& what) const { return "table " + std::string(t_->name) + ": " + what; }
    std::string damaged(int row, guint32 page) const {
        return bad("row " + std::to_string(row) + " of page " + std::to_string(page) + " is damaged");
    }

    MdbHandle* mdb_;
    MdbTableDef* t_;
    Sqlite& out_;
    const std::function<void()>& progress_;
    bool jet3_;
    sqlite3_stmt* insert_ = nullptr;
    std::vector<MdbColumn*> cols_;
    std::vector<Field> fields_;
    std::vector<MdbField> mdb_fields_;
    std::vector<std::size_t> var_offsets_;
    std::vector<std::string> text_;
    std::vector<std::vector<std::uint8_t>> blob_;
    std::vector<std::uint8_t> page_, moved_;
    std::uint64_t rows_ = 0;
};

std::string TableCopy::run() {
    if (!mdb_read_columns(t_)) return bad("its columns cannot be read");
    const unsigned ncols = t_->num_cols;
    if (ncols == 0 || !t_->columns || t_->columns->len != ncols) return bad("it has no readable columns");

    std::string ddl = "CREATE TABLE " + quote_name(t_->name) + " (";
    std::string ins = "INSERT INTO " + quote_name(t_->name) + " VALUES (";
    for (unsigned i = 0; i < ncols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t_->columns, i));
        cols_.push_back(col);
        ddl += (i ? ", " : "") + quote_name(col->name) + " " + sqlite_type(col->col_type);
        ins += i ? ",?" : "?";
    }
    if (!out_.exec(ddl + ")")) return out_.failure();
    insert_ = out_.prepare_insert(ins + ")");
    if (!insert_) return out_.failure();

    fields_.assign(ncols, Field{});
    text_.assign(ncols, std::string());
    blob_.assign(ncols, std::vector<std::uint8_t>());
    mdb_rewind_table(t_);
    while (mdb_read_next_dpg(t_)) {
        progress_();
        std::string e = read_page(t_->cur_phys_pg);
        if (!e.empty()) return e;
    }
    if (rows_ != t_->num_rows)
        return bad(std::to_string(rows_) + " rows found, " + std::to_string(t_->num_rows) + " expected");
    return "";
}

std::string TableCopy::read_page(guint32 page) {
    const int size = static_cast<int>(mdb_->fmt->pg_size);
    // A copy: following a moved row reads other pages into libmdb's buffer.
    page_.assign(mdb_->pg_buf, mdb_->pg_buf + size);
    PageRows rows(page_.data(), size);
    if (!rows.count(mdb_->fmt->row_count_offset))
        return bad("page " + std::to_string(page) + " has more rows than it can hold");
    for (int r = 0; r < rows.rows(); ++r) {
        const unsigned slot = rows.slot(r);
        // A deleted row is skipped whatever its offset says; so is a row
        // moved here from another page, which is read through its pointer.
        if (slot & kDeletedRow) continue;
        int begin = 0, end = 0;
        if (!rows.bounds(r, begin, end) || begin == end) return damaged(r, page);
        if (slot & kOverflowRow) {
            if (end - begin < 4) return bad("a moved row of page " + std::to_string(page) + " points nowhere");
            std::string e = moved_row(page, r, le32(page_.data() + begin));
            if (!e.empty()) return e;
            continue;
        }
        std::string e = copy_row(page_.data(), begin, end, r, page);
        if (!e.empty()) return e;
    }
    return "";
}

// A row moved to another page when it grew: its slot holds the row number
// (low byte) and page it went to. That row is flagged deleted, so that a
// scan passes it by, and may itself have moved on.
std::string TableCopy::moved_row(guint32 page, int row, std::uint32_t to) {
    const int size = static_cast<int>(mdb_->fmt->pg_size);
    for (int hop = 0; hop < 8; ++hop) {
        const guint32 pg = to >> 8;
        const int r = static_cast<int>(to & 0xFF);
        if (pg == 0 || !mdb_read_pg(mdb_, pg) || mdb_->pg_buf[0] != MDB_PAGE_DATA ||
            le32(mdb_->pg_buf + 4) != t_->entry->table_pg)
            return bad("row " + std::to_string(row) + " of page " + std::to_string(page) +
                       " was moved to a page that does not hold rows of this table");
        moved_.assign(mdb_->pg_buf, mdb_->pg_buf + size);
        PageRows rows(moved_.data(), size);
        int begin = 0, end = 0;
        if (!rows.count(mdb_->fmt->row_count_offset) || r >= rows.rows() || !rows.bounds(r, begin, end) ||
            begin == end)
            return bad("row " + std::to_string(row) + " of page " + std::to_string(page) + " was moved to row " +
                       std::to_string(r) + " of page " + std::to_string(pg) + ", which is damaged");
        if (!(rows.slot(r) & kOverflowRow)) return copy_row(moved_.data(), begin, end, r, pg);
        if (end - begin < 4) break;
        to = le32(moved_.data() + begin);
    }
    return bad("row " + std::to_string(row) + " of page " + std::to_string(page) + " was moved round in a circle");
}

// Splits a stored row into its values, by each column's number (its bit in
// the null mask, deleted columns counted), its place among the fixed-length
// values and its entry in the row's table of variable-length ones. A row
// written before a column was added has fewer columns: that column is Null
// in it. False when the row does not hold together.
bool TableCopy::crack(const std::uint8_t* row, std::size_t len) {
    const std::size_t count_size = 2;
    if (len < count_size) return false;
    const unsigned row_cols = le16(row);
    const std::size_t mask_size = (row_cols + 7) / 8;
    if (len < count_size + mask_size) return false;
    const std::uint8_t* mask = row + len - mask_size;
    std::size_t data_end = len - mask_size;
    std::vector<std::size_t>& var = var_offsets_;
    var.clear();
    if (t_->num_var_cols > 0) {
        if (data_end < count_size + 2) return false;
        const unsigned nvar = le16(row + data_end - 2);
        // Offsets stand last to first before the count; the end of the data
        // comes before them.
        if (data_end < count_size + 2 + 2 * (nvar + std::size_t{1})) return false;
        for (unsigned i = 0; i <= nvar; ++i) var.push_back(le16(row + data_end - 4 - 2 * i));
        data_end = var.back();
        if (data_end > len - mask_size) return false;
    }
    for (std::size_t i = 0; i < cols_.size(); ++i) {
        const MdbColumn& c = *cols_[i];
        Field& f = fields_[i];
        const unsigned n = static_cast<unsigned>(c.col_num);
        f.is_null = n >= row_cols || !(mask[n / 8] & (1u << (n % 8)));
        f.value = nullptr;
        f.siz = 0;
        if (f.is_null || c.col_type == MDB_BOOL) continue;
        if (c.is_fixed) {
            const std::size_t at = count_size + static_cast<std::size_t>(c.fixed_offset);
            const std::size_t size = static_cast<std::size_t>(fixed_value_size(c));
            if (c.fixed_offset < 0 || at + size > data_end) return false;
            f.value = row + at;
            f.siz = static_cast<int>(size);
        } else {
            if (c.var_col_num + 1 >= var.size()) {
                f.is_null = true;
                continue;
            }
            const std::size_t from = var[c.var_col_num], to = var[c.var_col_num + 1];
            if (from > to || to > data_end) return false;
            f.value = row + from;
            f.siz = static_cast<int>(to - from);
        }
    }
    return true;
}
// Jet 3 rows keep their offsets in a jump table; libmdb reads those.
bool TableCopy::crack_jet3(const std::uint8_t* page, int begin, int end) {
    const int size = static_cast<int>(mdb_->fmt->pg_size);
    if (page != mdb_->pg_buf) std::memcpy(mdb_->pg_buf, page, static_cast<std::size_t>(size));
    mdb_fields_.assign(cols_.size(), MdbField{});
    if (mdb_crack_row(t_, begin, static_cast<std::size_t>(end - begin), mdb_fields_.data()) < 0) return false;
    for (std::size_t i = 0; i < cols_.size(); ++i) {
        const MdbField& m = mdb_fields_[i];
        fields_[i].is_null = m.is_null;
        fields_[i].value = static_cast<const std::uint8_t*>(m.value);
        fields_[i].siz = m.siz;
        if (m.value && (m.siz < 0 || m.start < begin || m.start + m.siz > end)) return false;
    }
    return true;
}

bool TableCopy::long_value(const Field& f, std::vector<std::uint8_t>& data, std::string& err) {
    data.clear();
    if (f.siz < MDB_MEMO_OVERHEAD) {
        err = bad("a memo field is damaged");
        return false;
    }
    const auto* hdr = static_cast<const std::uint8_t*>(f.value);
    const std::uint32_t word = le32(hdr);
    const std::uint32_t len = word & 0x3FFFFFFF;
    if (word & 0x80000000u) {
        data.assign(hdr + MDB_MEMO_OVERHEAD, hdr + f.siz);
        return true;
    }
    guint32 pg_row = le32(hdr + 4);
    void* buf = nullptr;
    int off = 0;
    std::size_t n = 0;
    if (word & 0x40000000u) {
        if (mdb_find_pg_row(mdb_, static_cast<int>(pg_row), &buf, &off, &n)) {
            err = bad("a memo points to a page that does not hold it");
            return false;
        }
        const auto* p = static_cast<const std::uint8_t*>(buf) + off;
        data.assign(p, p + n);
        return true;
    }
    // A chain of pages, each piece led by the pointer to the next; every
    // piece adds at least a byte, so the walk ends.
    while (pg_row && data.size() < len) {
        if (mdb_find_pg_row(mdb_, static_cast<int>(pg_row), &buf, &off, &n) || n < 4) {
            err = bad("a memo's chain of pages is broken");
            return false;
        }
        const auto* p = static_cast<const std::uint8_t*>(buf) + off;
        pg_row = le32(p);
        if (n == 4) break;
        data.insert(data.end(), p + 4, p + n);
    }
    if (data.size() > len) data.resize(len);
    return true;
}

std::string TableCopy::copy_row(const std::uint8_t* page, int begin, int end, int row, guint32 page_no) {
    bool whole = jet3_ ? crack_jet3(page, begin, end) : crack(page + begin, static_cast<std::size_t>(end - begin));
    if (!whole) return damaged(row, page_no);
    const unsigned ncols = t_->num_cols;
    std::string err;
    for (unsigned i = 0; i < ncols; ++i) {
        MdbColumn* col = cols_[i];
        const Field& f = fields_[i];
        const int p = static_cast<int>(i) + 1;
        const auto* v = static_cast<const std::uint8_t*>(f.value);
        if (col->col_type == MDB_BOOL) {
            // A Yes/No value is its bit in the null mask.
            sqlite3_bind_int(insert_, p, f.is_null ? 0 : -1);
            continue;
        }
        if (f.is_null || !v) {
            sqlite3_bind_null(insert_, p);
            continue;
        }
        auto need = [&](int size) {
            if (f.siz < size) err = bad("column " + std::string(col->name) + " is damaged");
            return f.siz >= size;
        };
        switch (col->col_type) {
            case MDB_BYTE:
                if (!need(1)) return err;
                sqlite3_bind_int(insert_, p, v[0]);
                break;
            case MDB_INT:
                if (!need(2)) return err;
                sqlite3_bind_int(insert_, p, static_cast<std::int16_t>(v[0] | (v[1] << 8)));
                break;
            case MDB_LONGINT:
            case MDB_COMPLEX:
                if (!need(4)) return err;
                sqlite3_bind_int(insert_, p, static_cast<std::int32_t>(le32(v)));
                break;
            case MDB_FLOAT: {
                if (!need(4)) return err;
                std::uint32_t bits = le32(v);
                float x;
                std::memcpy(&x, &bits, 4);
                sqlite3_bind_double(insert_, p, static_cast<double>(x));
                break;
            }
            case MDB_DOUBLE:
            case MDB_DATETIME:
            case MDB_MONEY: {
                if (!need(8)) return err;
                std::uint64_t bits = le32(v) | (static_cast<std::uint64_t>(le32(v + 4)) << 32);
                if (col->col_type == MDB_MONEY) {
                    sqlite3_bind_double(insert_, p, static_cast<double>(static_cast<std::int64_t>(bits)) / 10000.0);
                    break;
                }
                double x;
                std::memcpy(&x, &bits, 8);
                DateTime d;
                if (col->col_type == MDB_DATETIME && date_from_serial(x, d)) {
                    text_[i] = date_text(d);
                    sqlite3_bind_text(insert_, p, text_[i].data(), static_cast<int>(text_[i].size()), SQLITE_STATIC);
                } else {
                    // A date outside Jet's years keeps its stored number.
                    sqlite3_bind_double(insert_, p, x);
                }
                break;
            }
            case MDB_TEXT:
            case MDB_MEMO: {
                const std::uint8_t* data = v;
                std::size_t n = static_cast<std::size_t>(f.siz);
                if (col->col_type == MDB_MEMO) {
                    if (!long_value(f, blob_[i], err)) return err;
                    data = blob_[i].data();
                    n = blob_[i].size();
                }
                text_[i].clear();
                if (jet3_)
                    append_cp1252_text(data, n, text_[i]);
                else
                    append_jet4_text(data, n, text_[i]);
                sqlite3_bind_text(insert_, p, text_[i].data(), static_cast<int>(text_[i].size()), SQLITE_STATIC);
                break;
            }
            case MDB_OLE:
                if (!long_value(f, blob_[i], err)) return err;
                sqlite3_bind_blob(insert_, p, blob_[i].data(), static_cast<int>(blob_[i].size()), SQLITE_STATIC);
                break;
            case MDB_BINARY:
                sqlite3_bind_blob(insert_, p, v, f.siz, SQLITE_STATIC);
                break;
            case MDB_REPID: {
                if (!need(16)) return err;
                char g[40];
                std::snprintf(g, sizeof g, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", le32(v),
                              v[4] | (v[5] << 8), v[6] | (v[7] << 8), v[8], v[9], v[10], v[11], v[12], v[13], v[14],
                              v[15]);
                text_[i] = g;
                sqlite3_bind_text(insert_, p, text_[i].data(), static_cast<int>(text_[i].size()), SQLITE_STATIC);
                break;
            }
            case MDB_NUMERIC: {
                if (!need(17)) return err;
                // libmdb names the definition's two bytes the other way
                // round: the scale is the byte it calls the precision.
                text_[i] = numeric_text(v, col->col_prec);
                sqlite3_bind_double(insert_, p, std::strtod(text_[i].c_str(), nullptr));
                break;
            }
            default:
                sqlite3_bind_null(insert_, p);
                break;
        }
    }
    if (!out_.step_insert()) return out_.failure();
    ++rows_;
    return "";
}

}  // namespace

Protection jet_protection(const std::uint8_t* header, std::size_t size) {
    // From 0x18 the header is scrambled with RC4 under a fixed key.
    constexpr std::size_t kStart = 0x18, kLength = 128;
    if (size < kStart + kLength) return Protection::None;
    std::uint8_t h[kLength];
    std::memcpy(h, header + kStart, kLength);
    static const std::uint8_t kKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
    std::uint8_t st[256];
    for (int i = 0; i < 256; ++i) st[i] = static_cast<std::uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + st[i] + kKey[i % 4]) & 0xFF;
        std::swap(st[i], st[j]);
    }
    for (std::size_t n = 0, i = 0, j = 0; n < kLength; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + st[i]) & 0xFF;
        std::swap(st[i], st[j]);
        h[n] ^= st[(st[i] + st[j]) & 0xFF];
    }
    auto at = [&](std::size_t offset) { return h + (offset - kStart); };
    const bool jet3 = header[0x14] == MDB_VER_JET3;
    // The password: 20 bytes in Jet 3; in later versions 40, masked with the
    // whole days of the creation date kept at 0x72.
    std::uint8_t mask[4] = {0, 0, 0, 0};
    if (!jet3) {
        double created;
        std::memcpy(&created, at(0x72), 8);
        if (std::isfinite(created) && std::fabs(created) < 2e9) {
            const auto days = static_cast<std::uint32_t>(static_cast<std::int32_t>(created));
            for (int k = 0; k < 4; ++k) mask[k] = static_cast<std::uint8_t>(days >> (8 * k));
        }
    }
    const std::size_t password_size = jet3 ? 20 : 40;
    for (std::size_t k = 0; k < password_size; ++k)
        if ((at(0x42)[k] ^ mask[k % 4]) != 0) return Protection::Password;
    if (le32(at(0x3E)) != 0) return Protection::Encrypted;
    return Protection::None;
}

std::string import_jet(const std::string& mdb_path, const std::string& sqlite_path,
                       const std::function<void()>& progress) {
    // libmdb follows the catalog's and each table's pages without asking
    // whether they are there.
    JetPages pages;
    std::string damage = pages.open(mdb_path);
    if (damage.empty()) damage = pages.table(kJetCatalogPage);
    if (!damage.empty()) return damage;
    MdbCloser mdb{mdb_open(mdb_path.c_str(), MDB_NOFLAGS)};
    if (!mdb.mdb) return "it is not a Jet database, or its first page cannot be read";
    if (!mdb_read_catalog(mdb.mdb, MDB_ANY)) return "its list of tables cannot be read";
    // The catalog is a table too; all of it must be there.
    if (!mdb_read_pg(mdb.mdb, 2) || mdb.mdb->pg_buf[0] != MDB_PAGE_TABLE) return "its list of tables cannot be read";
    const std::uint32_t catalog_rows = le32(mdb.mdb->pg_buf + mdb.mdb->fmt->tab_num_rows_offset);
    if (mdb.mdb->num_catalog != catalog_rows)
        return "its list of tables is damaged: " + std::to_string(mdb.mdb->num_catalog) + " entries found, " +
               std::to_string(catalog_rows) + " expected";

    Sqlite out(sqlite_path);
    if (!out.failure().empty()) return out.failure();
    // Rows are appended in order, so a few megabytes of pages suffice: a
    // cache the size of the copy costs more in fresh memory than it saves.
    if (!out.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
                  "PRAGMA cache_size=-4096; BEGIN"))
        return out.failure();
    // A sign of life every tenth of a second is enough for the watchdog;
    // one a page costs a write each.
    auto last = std::chrono::steady_clock::now();
    const std::function<void()> beat = [&] {
        const auto now = std::chrono::steady_clock::now();
        if (now - last < std::chrono::milliseconds(100)) return;
        last = now;
        progress();
    };
    progress();
    for (unsigned i = 0; i < mdb.mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb.mdb->catalog, i));
        if (!mdb_is_user_table(entry)) continue;
        damage = pages.table(static_cast<std::uint32_t>(entry->table_pg));
        if (!damage.empty()) return damage;
        TableFreer t{mdb_read_table(entry)};
        if (!t.t) return "the definition of table " + std::string(entry->object_name) + " cannot be read";
        std::string e = TableCopy(mdb.mdb, t.t, out, beat).run();
        if (!e.empty()) return e;
    }
    if (!out.exec("PRAGMA cache_size=-65536")) return out.failure();
    if (!out.exec("PRAGMA application_id=" + std::to_string(kCacheApplicationId) +
                  "; PRAGMA user_version=" + std::to_string(kCacheFormat) + "; COMMIT"))
        return out.failure();
    if (!out.close()) return out.failure();
    return "";
}

}  // namespace db::detail
