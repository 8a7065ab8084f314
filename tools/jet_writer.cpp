#include "tools/jet_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace jet {

namespace {

constexpr int kPageSize = 4096;
constexpr int kDataHeader = 14;  // type, flag, free space, owner, unknown, row count
constexpr int kRowCountOffset = 12;
constexpr int kMaxRowsPerPage = 255;  // a row pointer keeps the row number in one byte
constexpr int kMaxRowSize = kPageSize - kDataHeader - 2;
constexpr int kTdefColumnsStart = 63;
constexpr int kColumnEntrySize = 25;
constexpr int kInlineMemoMax = 64;  // encoded bytes kept in the row itself
constexpr int kSinglePageMemoMax = 4000;
constexpr int kLvalChunk = kPageSize - kDataHeader - 2 - 4;
constexpr std::uint32_t kCatalogPage = 2;
constexpr std::uint32_t kSystemFlags = 0x80000002u;
// A type 1 usage map points to bitmap pages that each cover this many pages.
constexpr std::uint32_t kPagesPerMapPage = (kPageSize - 4) * 8;

using Page = std::array<std::uint8_t, kPageSize>;

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void append16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void append32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// UTF-8 to UTF-16 code units; malformed input is an error, since a fixture
// that does not say what it means is of no use.
std::vector<std::uint16_t> utf16(const std::string& s) {
    std::vector<std::uint16_t> out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        std::uint32_t cp;
        int extra;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else
            throw WriteError("text is not valid UTF-8");
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size()) throw WriteError("text is not valid UTF-8");
            auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) throw WriteError("text is not valid UTF-8");
            cp = (cp << 6) | (cc & 0x3F);
        }
        i += 1 + extra;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<std::uint16_t>(cp));
        }
    }
    return out;
}

// Jet 4 text: UCS-2, or its compressed form (FF FE, then one byte a
// character) when every character fits in a byte and that is shorter. The
// mixed form switches to two-byte runs and back at a zero byte, so it cannot
// hold a character whose low byte is zero.
std::vector<std::uint8_t> encode_text(const std::vector<std::uint16_t>& units, bool allow_compression,
                                      Compression how = Compression::Latin) {
    std::vector<std::uint8_t> out;
    auto narrow = [](std::uint16_t u) { return u >= 1 && u <= 0xFF; };
    if (allow_compression && how == Compression::Mixed &&
        std::none_of(units.begin(), units.end(), [](std::uint16_t u) { return (u & 0xFF) == 0; })) {
        out.push_back(0xFF);
        out.push_back(0xFE);
        bool one_byte = true;
        for (auto u : units) {
            if (narrow(u) != one_byte) {
                out.push_back(0);
                one_byte = !one_byte;
            }
            if (one_byte)
                out.push_back(static_cast<std::uint8_t>(u));
            else
                append16(out, u);
        }
        if (out.size() < units.size() * 2) return out;
        out.clear();
    }
    bool compressible = allow_compression && how != Compression::None && units.size() > 2 &&
                        std::all_of(units.begin(), units.end(), narrow);
    if (compressible) {
        out.reserve(units.size() + 2);
        out.push_back(0xFF);
        out.push_back(0xFE);
        for (auto u : units) out.push_back(static_cast<std::uint8_t>(u));
    } else {
        out.reserve(units.size() * 2);
        for (auto u : units) append16(out, u);
    }
    return out;
}

std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool valid_date(int y, int m, int d) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

double parse_date_text(const std::string& s) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    char tail = 0;
    int n = std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &se, &tail);
    if (n == 7 || (n != 3 && n != 5 && n != 6)) throw WriteError("not a date: \"" + s + "\"");
    if (n == 3 && s.find_first_not_of("0123456789-") != std::string::npos)
        throw WriteError("not a date: \"" + s + "\"");
    if (!valid_date(y, mo, d) || h < 0 || h > 23 || mi < 0 || mi > 59 || se < 0 || se > 59)
        throw WriteError("not a date: \"" + s + "\"");
    return date_serial(y, mo, d, h, mi, se);
}

double parse_number(const std::string& s) {
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty()) throw WriteError("not a number: \"" + s + "\"");
    return v;
}

std::int64_t whole(const Value& v, std::int64_t lo, std::int64_t hi, const char* what) {
    std::int64_t n;
    if (auto i = std::get_if<std::int64_t>(&v)) {
        n = *i;
    } else if (auto d = std::get_if<double>(&v)) {
        if (std::trunc(*d) != *d || std::fabs(*d) > 9e15) throw WriteError(std::string(what) + " needs a whole number");
        n = static_cast<std::int64_t>(*d);
    } else {
        const auto& s = std::get<std::string>(v);
        auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
        if (ec != std::errc() || p != s.data() + s.size())
            throw WriteError(std::string(what) + " needs a whole number");
    }
    if (n < lo || n > hi) throw WriteError(std::string(what) + " value " + std::to_string(n) + " out of range");
    return n;
}

double real(const Value& v) {
    if (auto i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    if (auto d = std::get_if<double>(&v)) return *d;
    return parse_number(std::get<std::string>(v));
}

float single(const Value& v) {
    if (auto s = std::get_if<std::string>(&v)) {
        // Straight from the decimal text, so "12.35" is the Single nearest 12.35.
        float f = 0;
        auto [p, ec] = std::from_chars(s->data(), s->data() + s->size(), f);
        if (ec != std::errc() || p != s->data() + s->size() || s->empty())
            throw WriteError("not a number: \"" + *s + "\"");
        return f;
    }
    double d = real(v);
    if (std::fabs(d) > std::numeric_limits<float>::max()) throw WriteError("Single value out of range");
    return static_cast<float>(d);
}

std::int64_t currency(const Value& v) {
    if (auto i = std::get_if<std::int64_t>(&v)) {
        if (*i > 922337203685477 || *i < -922337203685477) throw WriteError("Currency value out of range");
        return *i * 10000;
    }
    if (auto d = std::get_if<double>(&v)) {
        if (std::fabs(*d) > 9.2e14) throw WriteError("Currency value out of range");
        return std::llround(*d * 10000.0);
    }
    // Exact decimal: sign, digits, up to four decimals.
    const auto& s = std::get<std::string>(v);
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    std::uint64_t units = 0;
    int digits = 0, decimals = -1;
    const std::uint64_t limit = neg ? 9223372036854775808ull : 9223372036854775807ull;
    auto push = [&](unsigned d) {
        if (units > (limit - d) / 10) throw WriteError("Currency value out of range");
        units = units * 10 + d;
    };
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9') throw WriteError("not a number: \"" + s + "\"");
        if (decimals >= 0 && ++decimals > 4) throw WriteError("Currency has at most 4 decimals: \"" + s + "\"");
        ++digits;
        push(static_cast<unsigned>(c - '0'));
    }
    if (digits == 0) throw WriteError("not a number: \"" + s + "\"");
    for (int k = std::max(decimals, 0); k < 4; ++k) push(0);
    return neg ? static_cast<std::int64_t>(0 - units) : static_cast<std::int64_t>(units);
}

// A Numeric value: the sign byte, then the whole number of units of the
// scale's last decimal as four 32-bit words, the most significant first, each
// stored low byte first.
std::array<std::uint8_t, 17> numeric(const Value& v, int precision, int scale) {
    std::string text;
    if (auto i = std::get_if<std::int64_t>(&v)) {
        text = std::to_string(*i);
    } else if (auto d = std::get_if<double>(&v)) {
        if (!std::isfinite(*d)) throw WriteError("not a number");
        char buf[400];
        auto [p, ec] = std::to_chars(buf, buf + sizeof buf, *d, std::chars_format::fixed);
        if (ec != std::errc()) throw WriteError("Numeric value out of range");
        text.assign(buf, p);
    } else {
        text = std::get<std::string>(v);
    }
    std::size_t i = 0;
    bool neg = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
    unsigned __int128 units = 0;
    int digits = 0, decimals = -1;
    bool any = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9') throw WriteError("not a number: \"" + text + "\"");
        any = true;
        if (decimals >= 0 && ++decimals > scale)
            throw WriteError("Numeric (" + std::to_string(precision) + ", " + std::to_string(scale) + ") has at most " +
                             std::to_string(scale) + " decimals: \"" + text + "\"");
        if (units == 0 && c == '0') continue;  // leading zeros are no digits
        if (++digits > precision) break;
        units = units * 10 + static_cast<unsigned>(c - '0');
    }
    if (!any) throw WriteError("not a number: \"" + text + "\"");
    for (int k = std::max(decimals, 0); k < scale && units != 0 && digits <= precision; ++k, ++digits) units *= 10;
    if (digits > precision)
        throw WriteError("Numeric (" + std::to_string(precision) + ", " + std::to_string(scale) +
                         ") value out of range: \"" + text + "\"");
    std::array<std::uint8_t, 17> out{};
    out[0] = neg && units != 0 ? 0x80 : 0x00;
    for (int w = 0; w < 4; ++w) put32(out.data() + 1 + 4 * w, static_cast<std::uint32_t>(units >> (32 * (3 - w))));
    return out;
}

double date_value(const Value& v) {
    if (auto s = std::get_if<std::string>(&v)) {
        double d = 0;
        auto [p, ec] = std::from_chars(s->data(), s->data() + s->size(), d);
        if (ec == std::errc() && p == s->data() + s->size() && !s->empty()) return d;
        return parse_date_text(*s);
    }
    return real(v);
}

// Long binary: only the catalog has one, and it is always Null.
constexpr Type kOle = static_cast<Type>(0x0B);

bool is_fixed(Type t) {
    return t != Type::Text && t != Type::Memo && t != kOle;
}

bool supported(Type t) {
    const int code = static_cast<int>(t);
    return t == Type::Numeric || (code >= 1 && code <= 0x0C && code != 0x09 && t != kOle);
}

int fixed_size(Type t) {
    switch (t) {
        case Type::Boolean:
            return 0;  // kept in the null mask
        case Type::Byte:
            return 1;
        case Type::Integer:
            return 2;
        case Type::Long:
        case Type::Single:
            return 4;
        case Type::Currency:
        case Type::Double:
        case Type::DateTime:
            return 8;
        case Type::Numeric:
            return 17;
        default:
            return 0;
    }
}

const char* type_name(Type t) {
    switch (t) {
        case Type::Boolean:
            return "Yes/No";
        case Type::Byte:
            return "Byte";
        case Type::Integer:
            return "Integer";
        case Type::Long:
            return "Long";
        case Type::Currency:
            return "Currency";
        case Type::Single:
            return "Single";
        case Type::Double:
            return "Double";
        case Type::DateTime:
            return "Date/Time";
        case Type::Text:
            return "Text";
        case Type::Memo:
            return "Memo";
        case Type::Numeric:
            return "Numeric";
        default:
            return "long binary";
    }
}

// A data page being filled.
struct OpenPage {
    std::uint32_t number = 0;
    Page bytes{};
    int rows = 0;
    int low = kPageSize;  // where the last row added begins

    int free_space() const { return low - (kDataHeader + 2 * rows); }
    bool fits(std::size_t row_size) const {
        return rows < kMaxRowsPerPage && static_cast<int>(row_size) + 2 <= free_space();
    }
    // Adds a row and returns its number on the page; `flags` go in the top
    // bits of its offset.
    int add(const std::uint8_t* data, std::size_t size, std::uint32_t flags = 0) {
        low -= static_cast<int>(size);
        std::memcpy(bytes.data() + low, data, size);
        return add_slot(static_cast<std::uint32_t>(low) | flags);
    }
    int add_slot(std::uint32_t offset) {
        put16(bytes.data() + kDataHeader + 2 * rows, offset);
        ++rows;
        put16(bytes.data() + kRowCountOffset, static_cast<std::uint32_t>(rows));
        put16(bytes.data() + 2, static_cast<std::uint32_t>(free_space()));
        return rows - 1;
    }
};

void start_data_page(OpenPage& pg, std::uint32_t number, std::uint32_t owner, bool lval) {
    pg = OpenPage{};
    pg.number = number;
    pg.bytes[0] = 0x01;
    pg.bytes[1] = 0x01;
    if (lval)
        std::memcpy(pg.bytes.data() + 4, "LVAL", 4);
    else
        put32(pg.bytes.data() + 4, owner);
    put16(pg.bytes.data() + 2, static_cast<std::uint32_t>(pg.free_space()));
}

constexpr std::uint32_t kDeletedFlag = 0x8000;
constexpr std::uint32_t kMovedFlag = 0x4000;

struct ColumnLayout {
    Column def;
    int number = 0;
    bool fixed = false;
    int fixed_offset = 0;
    int var_index = 0;
    bool deleted = false;
};

struct TableState {
    std::string name;
    bool system = false;
    std::vector<ColumnLayout> cols;  // every column ever made, by number
    std::vector<int> listed;         // the live ones as the definition lists them
    std::vector<Column> defs;        // their definitions, in that order
    int num_var = 0;                 // variable-length columns ever made
    int fixed_end = 0;               // fixed-length bytes of a row
    std::vector<std::uint32_t> tdef_pages;  // reserved before any row is written
    std::vector<std::uint8_t> tdef_tail;    // column entries and names
    std::vector<std::uint32_t> data_pages;
    bool page_open = false;
    OpenPage page;
    bool spill_open = false;
    OpenPage spill;  // where moved rows go
    bool reference_map = false;
    std::uint32_t rows = 0;
    std::uint32_t used_map = 0, free_map = 0;  // page << 8 | row
};

void rc4(const std::uint8_t* key, int keylen, std::uint8_t* data, int len) {
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keylen]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < len; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

}  // namespace

double date_serial(int year, int month, int day, int hour, int minute, int second) {
    if (!valid_date(year, month, day)) throw WriteError("not a valid date");
    double days = static_cast<double>(days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                                      days_from_civil(1899, 12, 30));
    double frac = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return days < 0 ? days - frac : days + frac;
}

struct Writer::Impl {
    std::string path, temp;
    Version version = Version::Jet4;
    std::string password;
    std::uint32_t key = 0;
    int fd = -1;
    bool finished = false;
    std::uint32_t next_page = 3;  // 0 header, 1 global usage map, 2 catalog
    std::vector<TableState> tables;
    bool lval_open = false;
    OpenPage lval;
    std::vector<std::uint8_t> row;  // scratch

    std::uint32_t reserve() {
        if (next_page >= 0xFFFFFF) throw WriteError("file too large for Jet");
        return next_page++;
    }

    void write_page(std::uint32_t number, const std::uint8_t* bytes) {
        off_t at = static_cast<off_t>(number) * kPageSize;
        std::size_t done = 0;
        while (done < kPageSize) {
            ssize_t n = ::pwrite(fd, bytes + done, kPageSize - done, at + static_cast<off_t>(done));
            if (n < 0) {
                if (errno == EINTR) continue;
                throw WriteError("cannot write " + temp + ": " + std::strerror(errno));
            }
            done += static_cast<std::size_t>(n);
        }
    }

    void flush_table_page(TableState& t) {
        if (t.page_open) {
            write_page(t.page.number, t.page.bytes.data());
            t.data_pages.push_back(t.page.number);
            t.page_open = false;
        }
    }
    void flush_spill(TableState& t) {
        if (t.spill_open) {
            write_page(t.spill.number, t.spill.bytes.data());
            t.data_pages.push_back(t.spill.number);
            t.spill_open = false;
        }
    }

    void flush_lval() {
        if (!lval_open) return;
        write_page(lval.number, lval.bytes.data());
        lval_open = false;
    }

    // Appends a memo field to the row: its 12-byte header, followed by the
    // data when that is short, else the data go to long-value pages.
    void store_memo(const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& out) {
        std::uint32_t len = static_cast<std::uint32_t>(data.size());
        if (len >= 0x1000000) throw WriteError("memo too long");
        if (len <= kInlineMemoMax) {
            append32(out, len | 0x80000000u);
            append32(out, 0);
            append32(out, 0);
            out.insert(out.end(), data.begin(), data.end());
            return;
        }
        if (len <= kSinglePageMemoMax) {
            if (!lval_open || !lval.fits(len)) {
                flush_lval();
                start_data_page(lval, reserve(), 0, true);
                lval_open = true;
            }
            int r = lval.add(data.data(), len);
            append32(out, len | 0x40000000u);
            append32(out, (lval.number << 8) | static_cast<std::uint32_t>(r));
            append32(out, 0);
            return;
        }
        // A chain of whole pages, each row led by the pointer to the next.
        std::size_t chunks = (len + kLvalChunk - 1) / kLvalChunk;
        std::vector<std::uint32_t> pages(chunks);
        for (auto& p : pages) p = reserve();
        std::vector<std::uint8_t> piece;
        for (std::size_t k = 0; k < chunks; ++k) {
            OpenPage pg;
            start_data_page(pg, pages[k], 0, true);
            std::size_t from = k * kLvalChunk;
            std::size_t n = std::min<std::size_t>(kLvalChunk, len - from);
            piece.clear();
            append32(piece, k + 1 < chunks ? (pages[k + 1] << 8) : 0);
            piece.insert(piece.end(), data.begin() + static_cast<std::ptrdiff_t>(from),
                         data.begin() + static_cast<std::ptrdiff_t>(from + n));
            pg.add(piece.data(), piece.size());
            write_page(pg.number, pg.bytes.data());
        }
        append32(out, len);
        append32(out, pages[0] << 8);
        append32(out, 0);
    }

    // `values` are those of the live columns, in the order they are listed.
    void encode_row(TableState& t, const std::vector<Value>& values, std::vector<std::uint8_t>& out) {
        const int ncols = static_cast<int>(t.cols.size());
        static const Value kNull;
        std::vector<const Value*> by_number(t.cols.size(), &kNull);
        for (std::size_t k = 0; k < t.listed.size(); ++k)
            by_number[static_cast<std::size_t>(t.listed[k])] = &values[k];
        out.assign(2 + static_cast<std::size_t>(t.fixed_end), 0);
        put16(out.data(), static_cast<std::uint32_t>(ncols));
        std::vector<std::uint8_t> mask(static_cast<std::size_t>((ncols + 7) / 8), 0);
        std::vector<std::uint16_t> var_offsets;
        var_offsets.reserve(static_cast<std::size_t>(t.num_var));

        for (const auto& c : t.cols) {
            const Value& v = *by_number[static_cast<std::size_t>(c.number)];
            bool null = std::holds_alternative<std::monostate>(v);
            auto set_bit = [&] {
                mask[static_cast<std::size_t>(c.number / 8)] |= static_cast<std::uint8_t>(1u << (c.number % 8));
            };
            try {
                if (c.fixed) {
                    std::uint8_t* p = out.data() + 2 + c.fixed_offset;
                    if (c.def.type == Type::Boolean) {
                        if (c.deleted) continue;
                        if (null) throw WriteError("a Yes/No column cannot hold Null");
                        if (whole(v, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                                  "Yes/No") != 0)
                            set_bit();
                        continue;
                    }
                    if (null) continue;
                    set_bit();
                    switch (c.def.type) {
                        case Type::Byte:
                            p[0] = static_cast<std::uint8_t>(whole(v, 0, 255, "Byte"));
                            break;
                        case Type::Integer:
                            put16(p, static_cast<std::uint32_t>(whole(v, -32768, 32767, "Integer")));
                            break;
                        case Type::Long:
                            put32(p,
                                  static_cast<std::uint32_t>(whole(v, std::numeric_limits<std::int32_t>::min(),
                                                                   std::numeric_limits<std::int32_t>::max(), "Long")));
                            break;
                        case Type::Single: {
                            float f = single(v);
                            std::uint32_t bits;
                            std::memcpy(&bits, &f, 4);
                            put32(p, bits);
                            break;
                        }
                        case Type::Double:
                        case Type::DateTime: {
                            double d = c.def.type == Type::Double ? real(v) : date_value(v);
                            std::uint64_t bits;
                            std::memcpy(&bits, &d, 8);
                            put32(p, static_cast<std::uint32_t>(bits));
                            put32(p + 4, static_cast<std::uint32_t>(bits >> 32));
                            break;
                        }
                        case Type::Currency: {
                            auto bits = static_cast<std::uint64_t>(currency(v));
                            put32(p, static_cast<std::uint32_t>(bits));
                            put32(p + 4, static_cast<std::uint32_t>(bits >> 32));
                            break;
                        }
                        case Type::Numeric: {
                            const auto bytes = numeric(v, c.def.precision, c.def.scale);
                            std::memcpy(p, bytes.data(), bytes.size());
                            break;
                        }
                        default:
                            break;
                    }
                } else {
                    var_offsets.push_back(static_cast<std::uint16_t>(out.size()));
                    if (null) continue;
                    const std::string* s = std::get_if<std::string>(&v);
                    if (c.def.type == kOle) throw WriteError("only Null is written here");
                    if (!s) throw WriteError("text expected");
                    set_bit();
                    auto units = utf16(*s);
                    if (c.def.type == Type::Text) {
                        if (units.size() > static_cast<std::size_t>(c.def.length))
                            throw WriteError("text longer than " + std::to_string(c.def.length) + " characters");
                        auto enc = encode_text(units, true, c.def.compression);
                        out.insert(out.end(), enc.begin(), enc.end());
                    } else {
                        store_memo(encode_text(units, units.size() <= 1024, c.def.compression), out);
                    }
                }
            } catch (const WriteError& e) {
                throw WriteError("table " + t.name + ", column " + c.def.name + " (" + type_name(c.def.type) +
                                 "): " + e.what());
            }
        }
        if (t.num_var > 0) {
            if (out.size() > 0xFFFF) throw WriteError("row too long in table " + t.name);
            std::uint16_t eod = static_cast<std::uint16_t>(out.size());
            append16(out, eod);
            for (auto it = var_offsets.rbegin(); it != var_offsets.rend(); ++it) append16(out, *it);
            append16(out, static_cast<std::uint32_t>(t.num_var));
        }
        out.insert(out.end(), mask.begin(), mask.end());
    }

    void place_row(TableState& t, const std::vector<std::uint8_t>& bytes, RowForm form = RowForm::Live) {
        if (bytes.size() > kMaxRowSize)
            throw WriteError("row of " + std::to_string(bytes.size()) + " bytes does not fit a page in table " +
                             t.name);
        std::vector<std::uint8_t> pointer;
        const std::vector<std::uint8_t>* here = &bytes;
        if (form == RowForm::Moved || form == RowForm::MovedThenDeleted) {
            // The data go to a page of the table's own, as when a row grew
            // too long for the page it was on.
            if (!t.spill_open || !t.spill.fits(bytes.size())) {
                flush_spill(t);
                start_data_page(t.spill, reserve(), t.tdef_pages.front(), false);
                t.spill_open = true;
            }
            std::uint32_t flags = form == RowForm::Moved ? kDeletedFlag : kDeletedFlag | kMovedFlag;
            int r = t.spill.add(bytes.data(), bytes.size(), flags);
            append32(pointer, (t.spill.number << 8) | static_cast<std::uint32_t>(r));
            here = &pointer;
        }
        const bool empty = form == RowForm::DeletedEmptied || form == RowForm::DeletedAtPageEnd;
        if (!t.page_open || !t.page.fits(empty ? 0 : here->size())) {
            flush_table_page(t);
            start_data_page(t.page, reserve(), t.tdef_pages.front(), false);
            t.page_open = true;
        }
        switch (form) {
            case RowForm::Live:
                t.page.add(here->data(), here->size());
                ++t.rows;
                break;
            case RowForm::Moved:
                t.page.add(here->data(), here->size(), kMovedFlag);
                ++t.rows;
                break;
            case RowForm::Deleted:
            case RowForm::MovedThenDeleted:
                t.page.add(here->data(), here->size(), kDeletedFlag | kMovedFlag);
                break;
            case RowForm::DeletedEmptied:
                t.page.add_slot(static_cast<std::uint32_t>(t.page.low) | kDeletedFlag | kMovedFlag);
                break;
            case RowForm::DeletedAtPageEnd:
                t.page.add_slot(kPageSize | kDeletedFlag);
                break;
        }
    }

    void add_table(const std::string& name, const std::vector<Column>& columns, bool system, std::uint32_t fixed_tdef);
    void check_column(const TableState& t, const Column& c) const;
    void add_column(TableState& t, const Column& c, int position);
    void build_tail(TableState& t);
    std::vector<std::uint8_t> usage_map(const std::vector<std::uint32_t>& pages, bool reference = false);
    void write_tdef(const TableState& t);
    void finish();
};

void Writer::Impl::check_column(const TableState& t, const Column& c) const {
    if (c.name.empty() || c.name.size() > 64)
        throw WriteError("column name must have 1 to 64 characters in table " + t.name);
    for (const auto& d : t.defs)
        if (lower(d.name) == lower(c.name)) throw WriteError("column " + c.name + " twice in table " + t.name);
    if (c.type == Type::Text && (c.length < 1 || c.length > 255))
        throw WriteError("text column " + c.name + " must hold 1 to 255 characters");
    if (c.type == Type::Numeric && (c.precision < 1 || c.precision > 28 || c.scale < 0 || c.scale > c.precision))
        throw WriteError("numeric column " + c.name + " must have a precision of 1 to 28 and a scale of 0 to it");
    if (t.cols.size() >= 255) throw WriteError("table " + t.name + " has more than 255 columns");
}

// A new column takes the next number and the room after every other.
void Writer::Impl::add_column(TableState& t, const Column& c, int position) {
    ColumnLayout l;
    l.def = c;
    l.number = static_cast<int>(t.cols.size());
    l.fixed = is_fixed(c.type);
    if (l.fixed) {
        l.fixed_offset = t.fixed_end;
        t.fixed_end += fixed_size(c.type);
    } else {
        l.var_index = t.num_var++;
    }
    t.cols.push_back(l);
    t.listed.insert(t.listed.begin() + position, l.number);
    t.defs.insert(t.defs.begin() + position, c);
}

// Column entries and names, so the definition's size is known and its
// pages can be set aside before any row is written.
void Writer::Impl::build_tail(TableState& t) {
    auto& b = t.tdef_tail;
    b.clear();
    for (int n : t.listed) {
        const ColumnLayout& l = t.cols[static_cast<std::size_t>(n)];
        std::uint8_t e[kColumnEntrySize] = {};
        e[0] = static_cast<std::uint8_t>(l.def.type);
        put16(e + 5, static_cast<std::uint32_t>(l.number));
        put16(e + 7, static_cast<std::uint32_t>(l.fixed ? 0 : l.var_index));
        put16(e + 9, static_cast<std::uint32_t>(l.number));
        if (l.def.type == Type::Text || l.def.type == Type::Memo) {
            put16(e + 11, 0x0409);  // General sort order
            e[16] = l.def.compression == Compression::None ? 0x00 : 0x01;  // values may be compressed
        }
        if (l.def.type == Type::Numeric) {
            e[11] = static_cast<std::uint8_t>(l.def.precision);
            e[12] = static_cast<std::uint8_t>(l.def.scale);
        }
        e[15] = static_cast<std::uint8_t>((l.fixed ? 0x01 : 0x00) | 0x02);
        put16(e + 21, static_cast<std::uint32_t>(l.fixed_offset));
        int len = l.def.type == Type::Text                         ? 2 * l.def.length
                  : l.def.type == Type::Memo || l.def.type == kOle ? 0
                  : l.def.type == Type::Boolean                    ? 1
                                                                   : fixed_size(l.def.type);
        put16(e + 23, static_cast<std::uint32_t>(len));
        b.insert(b.end(), e, e + kColumnEntrySize);
    }
    for (int n : t.listed) {
        auto units = utf16(t.cols[static_cast<std::size_t>(n)].def.name);
        append16(b, static_cast<std::uint32_t>(units.size() * 2));
        for (auto u : units) append16(b, u);
    }
    append16(b, 0xFFFF);

    std::size_t total = kTdefColumnsStart + b.size();
    std::size_t npages = total <= kPageSize ? 1 : 1 + (total - kPageSize + (kPageSize - 8) - 1) / (kPageSize - 8);
    if (t.system) {
        if (npages > 1) throw WriteError("catalog definition too long");
        return;
    }
    while (t.tdef_pages.size() < npages) t.tdef_pages.push_back(reserve());
}

void Writer::Impl::add_table(const std::string& name, const std::vector<Column>& columns, bool system,
                             std::uint32_t fixed_tdef) {
    if (name.empty() || name.size() > 64) throw WriteError("table name must have 1 to 64 characters: \"" + name + "\"");
    for (const auto& t : tables)
        if (lower(t.name) == lower(name)) throw WriteError("table " + name + " defined twice");
    if (columns.empty()) throw WriteError("table " + name + " has no columns");
    if (columns.size() > 255) throw WriteError("table " + name + " has more than 255 columns");

    TableState t;
    t.name = name;
    t.system = system;
    for (const Column& c : columns) {
        check_column(t, c);
        add_column(t, c, static_cast<int>(t.defs.size()));
    }
    if (fixed_tdef) t.tdef_pages.push_back(fixed_tdef);
    build_tail(t);
    tables.push_back(std::move(t));
}

// A table's map of the pages holding its rows, a 64-byte row as Access
// keeps it: the bitmap itself when the pages lie close enough together, else
// pointers to bitmap pages.
std::vector<std::uint8_t> Writer::Impl::usage_map(const std::vector<std::uint32_t>& pages, bool reference) {
    constexpr std::size_t kMapRow = 64;
    constexpr std::uint32_t kInlineBits = (kMapRow - 5) * 8;
    constexpr std::uint32_t kMaxMapPages = (kMapRow - 1) / 4;
    std::vector<std::uint8_t> m(kMapRow, 0);
    if (pages.empty()) return m;
    auto [lo_it, hi_it] = std::minmax_element(pages.begin(), pages.end());
    std::uint32_t lo = *lo_it, hi = *hi_it;
    if (hi - lo < kInlineBits && !reference) {
        put32(m.data() + 1, lo);
        for (auto p : pages) m[5 + (p - lo) / 8] |= static_cast<std::uint8_t>(1u << ((p - lo) % 8));
        return m;
    }
    std::uint32_t nmaps = hi / kPagesPerMapPage + 1;
    if (nmaps > kMaxMapPages) throw WriteError("file too large for Jet");
    std::vector<Page> maps(nmaps);
    std::vector<std::uint32_t> numbers(nmaps, 0);
    for (auto p : pages) {
        std::uint32_t k = p / kPagesPerMapPage, bit = p % kPagesPerMapPage;
        if (!numbers[k]) {
            numbers[k] = reserve();
            maps[k].fill(0);
            maps[k][0] = 0x05;
            maps[k][1] = 0x01;
        }
        maps[k][4 + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
    }
    m[0] = 0x01;
    for (std::uint32_t k = 0; k < nmaps; ++k) {
        put32(m.data() + 1 + 4 * k, numbers[k]);
        if (numbers[k]) write_page(numbers[k], maps[k].data());
    }
    return m;
}

void Writer::Impl::write_tdef(const TableState& t) {
    std::vector<std::uint8_t> def(kTdefColumnsStart, 0);
    put32(def.data() + 16, t.rows);
    def[40] = t.system ? 0x53 : 0x4E;
    // Columns a row may have (deleted ones included), variable-length ones
    // among them, and the columns the table has now.
    put16(def.data() + 41, static_cast<std::uint32_t>(t.cols.size()));
    put16(def.data() + 43, static_cast<std::uint32_t>(t.num_var));
    put16(def.data() + 45, static_cast<std::uint32_t>(t.listed.size()));
    put32(def.data() + 55, t.used_map);
    put32(def.data() + 59, t.free_map);
    def.insert(def.end(), t.tdef_tail.begin(), t.tdef_tail.end());
    put32(def.data() + 8, static_cast<std::uint32_t>(def.size() - 8));

    // A long definition goes on over further pages, each after its 8-byte header.
    std::size_t pos = 0;
    for (std::size_t k = 0; k < t.tdef_pages.size(); ++k) {
        Page pg{};
        std::size_t n;
        if (k == 0) {
            n = std::min<std::size_t>(def.size(), kPageSize);
            std::memcpy(pg.data(), def.data(), n);
            pos = n;
        } else {
            n = std::min<std::size_t>(def.size() - pos, kPageSize - 8);
            std::memcpy(pg.data() + 8, def.data() + pos, n);
            pos += n;
            n += 8;
        }
        pg[0] = 0x02;
        pg[1] = 0x01;
        put32(pg.data() + 4, k + 1 < t.tdef_pages.size() ? t.tdef_pages[k + 1] : 0);
        put16(pg.data() + 2, static_cast<std::uint32_t>(kPageSize - n >= 8 ? kPageSize - n - 8 : 0));
        write_page(t.tdef_pages[k], pg.data());
    }
}

void Writer::Impl::finish() {
    for (auto& t : tables) {
        flush_table_page(t);
        flush_spill(t);
    }
    flush_lval();

    // The catalog: one row per table, itself included.
    std::vector<std::pair<std::string, std::pair<std::uint32_t, std::uint32_t>>> entries;
    entries.push_back({"MSysObjects", {kCatalogPage, kSystemFlags}});
    for (const auto& t : tables) entries.push_back({t.name, {t.tdef_pages.front(), 0}});
    add_table("MSysObjects",
              {{"Id", Type::Long, 0},
               {"Name", Type::Text, 128},
               {"Type", Type::Integer, 0},
               {"Flags", Type::Long, 0},
               {"LvProp", kOle, 0}},
              true, kCatalogPage);
    TableState& cat = tables.back();
    for (const auto& e : entries) {
        std::vector<Value> v = {static_cast<std::int64_t>(e.second.first), e.first, static_cast<std::int64_t>(1),
                                static_cast<std::int64_t>(static_cast<std::int32_t>(e.second.second)),
                                std::monostate{}};
        encode_row(cat, v, row);
        place_row(cat, row);
    }
    flush_table_page(cat);

    // Usage maps, gathered on map pages of their own.
    std::vector<std::vector<std::uint8_t>> maps;
    for (auto& t : tables) {
        maps.push_back(usage_map(t.data_pages, t.reference_map));
        maps.push_back(usage_map({}));
    }
    OpenPage mp;
    bool mp_open = false;
    for (std::size_t i = 0; i < maps.size(); ++i) {
        if (!mp_open || !mp.fits(maps[i].size())) {
            if (mp_open) write_page(mp.number, mp.bytes.data());
            start_data_page(mp, reserve(), 0, false);
            mp_open = true;
        }
        int r = mp.add(maps[i].data(), maps[i].size());
        std::uint32_t ref = (mp.number << 8) | static_cast<std::uint32_t>(r);
        if (i % 2 == 0)
            tables[i / 2].used_map = ref;
        else
            tables[i / 2].free_map = ref;
    }
    if (mp_open) write_page(mp.number, mp.bytes.data());

    for (const auto& t : tables) write_tdef(t);

    // Page 1: the file's own page map, every page in use.
    {
        OpenPage g;
        start_data_page(g, 1, 0, false);
        std::uint32_t covered = std::min<std::uint32_t>(next_page, (kMaxRowSize - 2 - 5) * 8);
        std::vector<std::uint8_t> m(5 + (covered + 7) / 8, 0);
        for (std::uint32_t p = 0; p < covered; ++p) m[5 + p / 8] |= static_cast<std::uint8_t>(1u << (p % 8));
        g.add(m.data(), m.size());
        write_page(1, g.bytes.data());
    }

    // Page 0: the header. The block from 0x18 is stored scrambled with RC4.
    Page h{};
    h[1] = 0x01;
    std::memcpy(h.data() + 4, version == Version::Jet4 ? "Standard Jet DB" : "Standard ACE DB", 15);
    h[0x14] = static_cast<std::uint8_t>(version);
    put16(h.data() + 0x3C, 1252);
    put32(h.data() + 0x3E, key);
    put16(h.data() + 0x6E, 0x0409);
    if (!password.empty()) {
        // Two bytes a character, masked with the whole days of the file's
        // creation date (kept beside it).
        const double created = date_serial(2005, 6, 1, 9, 30);
        std::uint64_t bits;
        std::memcpy(&bits, &created, 8);
        put32(h.data() + 0x72, static_cast<std::uint32_t>(bits));
        put32(h.data() + 0x76, static_cast<std::uint32_t>(bits >> 32));
        std::uint8_t mask[4];
        put32(mask, static_cast<std::uint32_t>(static_cast<std::int32_t>(created)));
        auto units = utf16(password);
        for (std::size_t i = 0; i < units.size(); ++i) put16(h.data() + 0x42 + 2 * i, units[i]);
        for (int i = 0; i < 40; ++i) h[0x42 + i] ^= mask[i % 4];
    }
    static const std::uint8_t kKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(kKey, 4, h.data() + 0x18, 128);
    write_page(0, h.data());

    if (::fsync(fd) != 0) throw WriteError("cannot write " + temp + ": " + std::strerror(errno));
    if (::close(fd) != 0) {
        fd = -1;
        throw WriteError("cannot write " + temp + ": " + std::strerror(errno));
    }
    fd = -1;
    if (std::rename(temp.c_str(), path.c_str()) != 0)
        throw WriteError("cannot rename " + temp + " to " + path + ": " + std::strerror(errno));
    finished = true;
}

Writer::Writer(const std::string& path, Version version) : impl_(std::make_unique<Impl>()) {
    impl_->path = path;
    impl_->version = version;
    impl_->temp = path + ".tmp" + std::to_string(::getpid());
    impl_->fd = ::open(impl_->temp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (impl_->fd < 0) throw WriteError("cannot create " + impl_->temp + ": " + std::strerror(errno));
}

Writer::~Writer() {
    if (impl_->fd >= 0) ::close(impl_->fd);
    if (!impl_->finished) ::unlink(impl_->temp.c_str());
}

int Writer::add_table(const std::string& name, const std::vector<Column>& columns) {
    if (impl_->finished) throw WriteError("file already finished");
    if (lower(name) == "msysobjects") throw WriteError("table name MSysObjects is reserved");
    for (const auto& c : columns)
        if (!supported(c.type)) throw WriteError("unsupported type for column " + c.name);
    impl_->add_table(name, columns, false, 0);
    return static_cast<int>(impl_->tables.size()) - 1;
}

const std::vector<Column>& Writer::columns(int table) const {
    return impl_->tables.at(static_cast<std::size_t>(table)).defs;
}

int Writer::find_table(const std::string& name) const {
    for (std::size_t i = 0; i < impl_->tables.size(); ++i)
        if (lower(impl_->tables[i].name) == lower(name)) return static_cast<int>(i);
    return -1;
}

void Writer::add_row(int table, const std::vector<Value>& values) {
    add_row(table, values, RowForm::Live);
}

void Writer::add_row(int table, const std::vector<Value>& values, RowForm form) {
    if (impl_->finished) throw WriteError("file already finished");
    auto& t = impl_->tables.at(static_cast<std::size_t>(table));
    if (values.size() != t.defs.size())
        throw WriteError("table " + t.name + " has " + std::to_string(t.defs.size()) + " columns, row has " +
                         std::to_string(values.size()) + " values");
    impl_->encode_row(t, values, impl_->row);
    impl_->place_row(t, impl_->row, form);
}

void Writer::new_page(int table) {
    if (impl_->finished) throw WriteError("file already finished");
    impl_->flush_table_page(impl_->tables.at(static_cast<std::size_t>(table)));
}

void Writer::use_reference_map(int table) {
    impl_->tables.at(static_cast<std::size_t>(table)).reference_map = true;
}

void Writer::delete_column(int table, const std::string& name) {
    if (impl_->finished) throw WriteError("file already finished");
    auto& t = impl_->tables.at(static_cast<std::size_t>(table));
    for (std::size_t k = 0; k < t.defs.size(); ++k) {
        if (lower(t.defs[k].name) != lower(name)) continue;
        if (t.defs.size() == 1) throw WriteError("table " + t.name + " would have no columns");
        t.cols[static_cast<std::size_t>(t.listed[k])].deleted = true;
        t.listed.erase(t.listed.begin() + static_cast<std::ptrdiff_t>(k));
        t.defs.erase(t.defs.begin() + static_cast<std::ptrdiff_t>(k));
        impl_->build_tail(t);
        return;
    }
    throw WriteError("no column " + name + " in table " + t.name);
}

void Writer::insert_column(int table, int position, const Column& column) {
    if (impl_->finished) throw WriteError("file already finished");
    auto& t = impl_->tables.at(static_cast<std::size_t>(table));
    if (!supported(column.type)) throw WriteError("unsupported type for column " + column.name);
    if (position < 0 || position > static_cast<int>(t.defs.size()))
        throw WriteError("no position " + std::to_string(position) + " among the columns of table " + t.name);
    impl_->check_column(t, column);
    impl_->add_column(t, column, position);
    impl_->build_tail(t);
}

void Writer::set_password(const std::string& password) {
    if (utf16(password).size() > 20) throw WriteError("a database password has at most 20 characters");
    impl_->password = password;
}

void Writer::set_encryption_key(std::uint32_t key) {
    impl_->key = key;
}

void Writer::finish() {
    if (impl_->finished) return;
    impl_->finish();
}

}  // namespace jet
