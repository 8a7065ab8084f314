#include "platform/db/jet_import.h"

#include <mdbtools.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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

class TableCopy {
public:
    TableCopy(MdbHandle* mdb, MdbTableDef* t, Sqlite& out, const std::function<void()>& progress)
        : mdb_(mdb), t_(t), out_(out), progress_(progress), jet3_(mdb->f->jet_version == MDB_VER_JET3) {}

    std::string run();

private:
    std::string copy_row(int start, std::size_t len);
    bool long_value(const MdbField& f, std::vector<std::uint8_t>& data, std::string& err);
    std::string bad(const std::string& what) const { return "table " + std::string(t_->name) + ": " + what; }

    MdbHandle* mdb_;
    MdbTableDef* t_;
    Sqlite& out_;
    const std::function<void()>& progress_;
    bool jet3_;
    sqlite3_stmt* insert_ = nullptr;
    std::vector<MdbField> fields_;
    std::vector<std::string> text_;
    std::vector<std::vector<std::uint8_t>> blob_;
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
        ddl += (i ? ", " : "") + quote_name(col->name) + " " + sqlite_type(col->col_type);
        ins += i ? ",?" : "?";
    }
    if (!out_.exec(ddl + ")")) return out_.failure();
    insert_ = out_.prepare_insert(ins + ")");
    if (!insert_) return out_.failure();

    fields_.assign(ncols, MdbField{});
    text_.assign(ncols, std::string());
    blob_.assign(ncols, std::vector<std::uint8_t>());
    mdb_rewind_table(t_);
    const int count_offset = mdb_->fmt->row_count_offset;
    while (mdb_read_next_dpg(t_)) {
        progress_();
        const guint32 page = t_->cur_phys_pg;
        const int rows = mdb_get_int16(mdb_->pg_buf, count_offset);
        for (int r = 0; r < rows; ++r) {
            int start = 0;
            std::size_t len = 0;
            if (mdb_find_row(mdb_, r, &start, &len))
                return bad("row " + std::to_string(r) + " of page " + std::to_string(page) + " is damaged");
            if (start & kDeletedRow) continue;
            if (start & kOverflowRow) {
                // The row was moved: its slot holds the page and row it went to.
                if (len < 4) return bad("a moved row points nowhere");
                std::uint32_t to = le32(mdb_->pg_buf + (start & kOffsetMask));
                if ((to >> 8) == page || !mdb_read_pg(mdb_, to >> 8) || mdb_->pg_buf[0] != MDB_PAGE_DATA)
                    return bad("a moved row points to a page that holds no rows");
                int s2 = 0;
                std::size_t l2 = 0;
                if (mdb_find_row(mdb_, static_cast<int>(to & 0xFF), &s2, &l2)) return bad("a moved row is damaged");
                std::string e = copy_row(s2 & kOffsetMask, l2);
                if (!e.empty()) return e;
                if (!mdb_read_pg(mdb_, page)) return bad("page " + std::to_string(page) + " cannot be read again");
                continue;
            }
            std::string e = copy_row(start & kOffsetMask, len);
            if (!e.empty()) return e;
        }
    }
    if (rows_ != t_->num_rows)
        return bad(std::to_string(rows_) + " rows found, " + std::to_string(t_->num_rows) + " expected");
    return "";
}

bool TableCopy::long_value(const MdbField& f, std::vector<std::uint8_t>& data, std::string& err) {
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

std::string TableCopy::copy_row(int start, std::size_t len) {
    int found = mdb_crack_row(t_, start, len, fields_.data());
    if (found < 0) return bad("a row is damaged");
    const unsigned ncols = t_->num_cols;
    std::string err;
    for (unsigned i = 0; i < ncols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t_->columns, i));
        const MdbField& f = fields_[i];
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
                char* s = mdb_numeric_to_string(mdb_, f.start, col->col_scale, col->col_prec);
                if (s)
                    sqlite3_bind_double(insert_, p, std::strtod(s, nullptr));
                else
                    sqlite3_bind_null(insert_, p);
                g_free(s);
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

std::string import_jet(const std::string& mdb_path, const std::string& sqlite_path,
                       const std::function<void()>& progress) {
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
    if (!out.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
                  "PRAGMA cache_size=-65536; BEGIN"))
        return out.failure();
    for (unsigned i = 0; i < mdb.mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb.mdb->catalog, i));
        if (!mdb_is_user_table(entry)) continue;
        TableFreer t{mdb_read_table(entry)};
        if (!t.t) return "the definition of table " + std::string(entry->object_name) + " cannot be read";
        std::string e = TableCopy(mdb.mdb, t.t, out, progress).run();
        if (!e.empty()) return e;
    }
    if (!out.exec("PRAGMA application_id=" + std::to_string(kCacheApplicationId) +
                  "; PRAGMA user_version=" + std::to_string(kCacheFormat) + "; COMMIT"))
        return out.failure();
    if (!out.close()) return out.failure();
    return "";
}

}  // namespace db::detail
