// Brellinlib: scan settings, field scanner, words, character sets, CSV
// splitting and line reading.
#include "common/Brellinlib.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/ui/ui.h"

ScanSettings Scan_Settings;

namespace {

ScanAbortHandler& AbortHandler() {
    static ScanAbortHandler handler;
    return handler;
}

// Ends the running command after a strict-mode error.
[[noreturn]] void StrictAbort(const std::string& message) {
    if (AbortHandler())
        AbortHandler()(message);
    else
        ui::MsgBox(message, ui::vbOKOnly, "");
    throw ui::CommandAbandoned(message);
}

// Columns are 16-bit. Only the first 32766 characters of a line are scanned,
// so the column after the last scanned one (32767) still fits, every found
// field moves Col forward, and a caller scanning to the end always stops.
constexpr int32_t kScanMax = std::numeric_limits<int16_t>::max() - 1;

int32_t ScanLength(const std::string& Line) {
    return static_cast<int32_t>(std::min<std::size_t>(Line.size(), kScanMax));
}

bool IsIn(const std::string& set, char c) {
    return set.find(c) != std::string::npos;
}

// The quote and separator take effect only as one character.
struct CsvChars {
    bool has_quote;
    char quote;
    bool has_sep;
    char sep;
};

CsvChars CurrentCsvChars() {
    const ScanSettings& s = Scan_Settings;
    CsvChars c{};
    c.has_quote = s.ScanQuoting && s.ScanQuote.size() == 1;
    c.quote = c.has_quote ? s.ScanQuote[0] : '\0';
    c.has_sep = s.ScanSeparator.size() == 1;
    c.sep = c.has_sep ? s.ScanSeparator[0] : '\0';
    return c;
}

void AssignLeftTrimmed(std::string& out, const char* p, std::size_t start, std::size_t end) {
    while (start < end && p[start] == ' ') ++start;
    out.clear();
    out.append(p + start, end - start);
}

// Bits k set where p[k] is a, and where it is b, for k < n <= 16.
inline void MatchMasks(const char* p, std::size_t n, char a, char b, uint32_t& ma, uint32_t& mb) {
#if defined(__SSE2__)
    char tail[16];
    if (n < 16) {  // the last few: looked at in a copy, never past the line
        std::memcpy(tail, p, n);
        std::memset(tail + n, 0, 16 - n);
        p = tail;
    }
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const uint32_t keep = n < 16 ? (uint32_t{1} << n) - 1 : 0xFFFF;
    ma = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(a)))) & keep;
    mb = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(b)))) & keep;
#else
    ma = mb = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (p[k] == a) ma |= uint32_t{1} << k;
        if (p[k] == b) mb |= uint32_t{1} << k;
    }
#endif
}

// Bit k: the parity of the bits 0..k of m (16 bits).
inline uint32_t PrefixParity(uint32_t m) {
    m ^= m << 1;
    m ^= m << 2;
    m ^= m << 4;
    m ^= m << 8;
    return m & 0xFFFF;
}

}  // namespace

void set_scan_abort_handler(ScanAbortHandler handler) {
    AbortHandler() = std::move(handler);
}

// ---------------------------------------------------------------------------
// Settings

void Scan_Init() {
    Scan_Settings = ScanSettings{};
}

void Set_CSV_Separator(const std::string& Sep) {
    Scan_Settings.ScanSeparator = Sep;
}

void Set_Scan_Blanks(const std::string& Blanks) {
    Scan_Settings.ScanBlanks = Blanks;
}

void Set_CSV_Quote(const std::string& Q) {
    Scan_Settings.ScanQuote = Q;
    Scan_Settings.ScanQuoting = Q.find_first_not_of(' ') != std::string::npos;
}

// ---------------------------------------------------------------------------
// Scanner

void SCAN_SFL(const std::string& Line, int16_t& First, int16_t& Last, int16_t MaxLen, int16_t& Col, int16_t& Status) {
    const bool strict = Status == -1;
    if (Col < 1) Col = 1;
    if (!strict) Status = 0;
    const ScanSettings& set = Scan_Settings;
    const int32_t len = ScanLength(Line);

    int32_t f = 0;
    for (int32_t i = Col; i <= len; ++i) {
        if (!IsIn(set.ScanBlanks, Line[static_cast<std::size_t>(i - 1)])) {
            f = i;
            break;
        }
    }
    if (f == 0) {
        if (strict) StrictAbort("ABORT IN SCAN_SFL - NO FIELD FOUND AFTER COL " + std::to_string(Col));
        Status = 1;
        return;
    }
    auto blank_after = [&](int32_t from) {
        for (int32_t i = from; i <= len; ++i)
            if (IsIn(set.ScanBlanks, Line[static_cast<std::size_t>(i - 1)])) return i;
        return len + 1;
    };

    int32_t first = 0, last = 0, col = 0;
    const bool quoted =
        set.ScanQuoting && set.ScanQuote.size() == 1 && Line[static_cast<std::size_t>(f - 1)] == set.ScanQuote[0];
    if (quoted) {
        const char q = set.ScanQuote[0];
        int32_t close = 0;
        for (int32_t i = f + 1; i <= len; ++i) {
            if (Line[static_cast<std::size_t>(i - 1)] == q) {
                close = i;
                break;
            }
        }
        if (close == f + 1) {  // empty quoted field: both quotes are its bounds
            First = static_cast<int16_t>(f);
            Last = static_cast<int16_t>(f + 1);
            Col = static_cast<int16_t>(f + 2);
            return;
        }
        if (close == 0) {
            if (strict)
                StrictAbort("*** ABORT IN SCAN_S - NO CLOSING QUOTE ***" +
                            Line.substr(static_cast<std::size_t>(f - 1)));
            Status = 2;
            First = static_cast<int16_t>(f + 1);
            Col = static_cast<int16_t>(blank_after(f + 1));
            return;
        }
        first = f + 1;
        last = close - 1;
        col = close + 1;
    } else {
        first = f;
        col = blank_after(f + 1);
        last = col - 1;
    }
    First = static_cast<int16_t>(first);
    Last = static_cast<int16_t>(last);
    Col = static_cast<int16_t>(col);
    if (last - first + 1 > MaxLen) {
        if (strict)
            StrictAbort("ABORT IN SCAN_S - FIELD TOO LONG.  ML = " + std::to_string(MaxLen) +
                        ", string: " + Line.substr(static_cast<std::size_t>(first - 1)));
        Status = 3;
    }
}

void SCAN_S(const std::string& Line, std::string& Field, int16_t MaxLen, int16_t& Col, int16_t& Status) {
    int16_t first = 0, last = 0;
    SCAN_SFL(Line, first, last, MaxLen, Col, Status);
    if (Status > 0) return;
    Field = SS(Line, first, last);
    const ScanSettings& set = Scan_Settings;
    if (set.ScanQuoting && set.ScanQuote.size() == 1 && Field == set.ScanQuote + set.ScanQuote) Field.clear();
}

void SCAN_I4(const std::string& Line, int32_t& Value, int16_t MaxLen, int16_t& Col, int16_t& Status) {
    if (Status != -1) Status = 0;
    std::string field;
    SCAN_S(Line, field, MaxLen, Col, Status);
    if (Status > 0) return;
    double v = 0;
    bool ok = decimal::ParseDouble(field, v);
    double r = 0;
    if (ok) {
        r = std::nearbyint(v);  // halves to even
        ok = r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max();
    }
    if (!ok) {
        if (Status == -1) StrictAbort("ABORT IN SCAN_I4 - Error converting <" + field + "> to Long Integer.");
        Value = 0;
        Status = 2;
        return;
    }
    Value = static_cast<int32_t>(r);
}

// ---------------------------------------------------------------------------
// Substrings and words

std::string SS(const std::string& s, int32_t b, int32_t e) {
    if (e < b || e <= 0) {
        ui::MsgBox("Warning: in call to Brellinlib function SS\ne < b: " + std::to_string(e) + " < " +
                       std::to_string(b) + " s=" + s + "\n(substring will be set null)",
                   ui::vbExclamation | ui::vbOKOnly, "");
        return "";
    }
    if (b < 1) b = 1;
    if (static_cast<std::size_t>(b) > s.size()) return "";
    return s.substr(static_cast<std::size_t>(b - 1), static_cast<std::size_t>(e - b + 1));
}

void Get_Word(const std::string& Line, int16_t N, std::string& Word) {
    Word = " ";
    if (N <= 0) return;
    struct QuotingOff {
        bool saved = Scan_Settings.ScanQuoting;
        QuotingOff() { Scan_Settings.ScanQuoting = false; }
        ~QuotingOff() { Scan_Settings.ScanQuoting = saved; }
    } guard;
    int16_t col = 1, status = 0, first = 0, last = 0;
    for (int32_t i = 1; i <= N; ++i) {
        SCAN_SFL(Line, first, last, 256, col, status);
        if (status == 1) return;
    }
    Word = SS(Line, first, last);
}

std::string Nth_Word(const std::string& Line, int16_t N) {
    std::string w;
    Get_Word(Line, N, w);
    return w;
}

int16_t Word_Count(const std::string& Line) {
    int16_t col = 1, status = 0, first = 0, last = 0, count = 0;
    for (;;) {
        SCAN_SFL(Line, first, last, 256, col, status);
        if (status == 1) break;
        ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------
// Character sets

int32_t PosIn(const std::string& CharSet, const std::string& c) {
    if (c.size() != 1) return 0;
    std::size_t p = CharSet.find(c[0]);
    return p == std::string::npos ? 0 : static_cast<int32_t>(p + 1);
}

int32_t FindFirstNotIn(const std::string& s, const std::string& CharSet) {
    std::size_t p = s.find_first_not_of(CharSet);
    return p == std::string::npos ? 0 : static_cast<int32_t>(p + 1);
}

int32_t FindFirstIn(const std::string& s, const std::string& CharSet) {
    std::size_t p = s.find_first_of(CharSet);
    return p == std::string::npos ? 0 : static_cast<int32_t>(p + 1);
}

int32_t FindLastIn(const std::string& s, const std::string& CharSet) {
    std::size_t p = s.find_last_of(CharSet);
    return p == std::string::npos ? 0 : static_cast<int32_t>(p + 1);
}

// ---------------------------------------------------------------------------
// CSV

void CSV_Split(const std::string& Line, std::vector<std::string>& Arr, int16_t& N, bool KeepTrailingEmpty) {
    std::size_t n = 0;
    // A line that is itself an element of Arr (past element 0) is emptied
    // with the rest before it is split.
    const bool in_arr = std::less<>()(Arr.data(), &Line) && std::less<>()(&Line, Arr.data() + Arr.size());
    std::size_t L = in_arr ? 0 : Line.size();
    while (L > 0 && Line[L - 1] == ' ') --L;
    const CsvChars c = CurrentCsvChars();
    if (L > 0 && Arr.size() >= 2) {
        const std::size_t upper = std::min<std::size_t>(Arr.size() - 1, std::numeric_limits<int16_t>::max());
        const char* p = Line.data();
        std::size_t start = 0;
        bool full = false;
        if (c.has_sep) {
            // Sixteen characters at a time: whether each is inside quotes is
            // the parity of the quotes up to it, so only the separators
            // outside quotes are visited.
            bool inside = false;
            for (std::size_t base = 0; base < L && !full; base += 16) {
                const std::size_t len = std::min<std::size_t>(16, L - base);
                uint32_t quotes = 0, seps = 0;
                MatchMasks(p + base, len, c.quote, c.sep, quotes, seps);
                if (!c.has_quote) quotes = 0;
                uint32_t in = PrefixParity(quotes);
                if (inside) in ^= 0xFFFF;
                inside = (in >> (len - 1)) & 1;
                for (uint32_t m = seps & ~quotes & ~in; m; m &= m - 1) {
                    const std::size_t i = base + static_cast<std::size_t>(__builtin_ctz(m));
                    AssignLeftTrimmed(Arr[++n], p, start, i);
                    start = i + 1;
                    if (n == upper) {
                        full = true;
                        break;
                    }
                }
            }
        }
        if (!full) {
            if (!c.has_sep || p[L - 1] != c.sep)
                AssignLeftTrimmed(Arr[++n], p, start, L);
            else if (KeepTrailingEmpty)
                Arr[++n].clear();
        }
    }
    // Every other element is empty; those of the fields were just set. Most
    // are empty already: eight at a time are looked at.
    std::size_t i = n + 1;
    std::string* a = Arr.data();
    for (; i + 8 <= Arr.size(); i += 8) {
        if ((a[i].size() | a[i + 1].size() | a[i + 2].size() | a[i + 3].size() | a[i + 4].size() | a[i + 5].size() |
             a[i + 6].size() | a[i + 7].size()) == 0)
            continue;
        for (std::size_t k = i; k < i + 8; ++k) a[k].clear();
    }
    for (; i < Arr.size(); ++i) a[i].clear();
    N = static_cast<int16_t>(n);
}

void CSV_SplitTrim(const std::string& Line, std::vector<std::string>& Arr, int16_t& N) {
    CSV_Split(Line, Arr, N, false);
    for (int32_t i = 1; i <= N; ++i) {
        std::string& s = Arr[static_cast<std::size_t>(i)];
        std::size_t b = s.find_first_not_of(' ');
        if (b == std::string::npos) {
            s.clear();
            continue;
        }
        s.erase(s.find_last_not_of(' ') + 1);
        s.erase(0, b);
    }
}

int16_t CSV_FieldCount(const std::string& Line) {
    if (Line.empty()) return 0;
    const CsvChars c = CurrentCsvChars();
    int32_t count = 0;
    if (c.has_sep) {
        bool inside = false;
        for (char ch : Line) {
            if (ch == c.quote && c.has_quote)
                inside = !inside;
            else if (ch == c.sep && !inside)
                ++count;
        }
    }
    if (!c.has_sep || Line.back() != c.sep) ++count;
    return static_cast<int16_t>(std::min<int32_t>(count, std::numeric_limits<int16_t>::max()));
}

void CSV_GetField(const std::string& Line, int16_t N, std::string& Field) {
    Field.clear();
    if (Line.empty() || N <= 0) return;
    const CsvChars c = CurrentCsvChars();
    const char* p = Line.data();
    std::size_t start = 0;
    int32_t count = 0;
    if (c.has_sep) {
        bool inside = false;
        for (std::size_t i = 0; i < Line.size(); ++i) {
            const char ch = p[i];
            if (ch == c.quote && c.has_quote) {
                inside = !inside;
            } else if (ch == c.sep && !inside) {
                if (++count == N) {
                    AssignLeftTrimmed(Field, p, start, i);
                    return;
                }
                start = i + 1;
            }
        }
    }
    if ((!c.has_sep || Line.back() != c.sep) && count + 1 == N) AssignLeftTrimmed(Field, p, start, Line.size());
}

std::string CSV_Field(const std::string& Line, int16_t N) {
    std::string f;
    CSV_GetField(Line, N, f);
    return f;
}

std::string TrimSpaces(const std::string& s) {
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string StripQuotes(const std::string& s) {
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(' ');
    std::string t = s.substr(b, e - b + 1);
    const char q = t[0];
    if (q != '"' && q != '\'') return t;
    if (t.size() == 1) return "";  // a lone quote holds nothing
    if (t.back() == q) return t.substr(1, t.size() - 2);
    return t;
}

// ---------------------------------------------------------------------------
// Line reading

void Read_Line(InputFile& FileNum, std::string& Line, bool& AtEOF) {
    Line.clear();
    bool ctrl_z = false;
    for (;;) {
        if (FileNum.pos_ >= FileNum.end_ && !FileNum.Fill()) break;
        const char* b = FileNum.buf_.data() + FileNum.pos_;
        const char* e = FileNum.buf_.data() + FileNum.end_;
        const char* stop = static_cast<const char*>(std::memchr(b, '\n', static_cast<std::size_t>(e - b)));
        if (!stop) stop = e;
        if (const void* z = std::memchr(b, 26, static_cast<std::size_t>(stop - b))) stop = static_cast<const char*>(z);
        // Append b..stop without carriage returns.
        const char* run = b;
        while (run < stop) {
            const char* cr = static_cast<const char*>(std::memchr(run, '\r', static_cast<std::size_t>(stop - run)));
            const char* piece_end = cr ? cr : stop;
            Line.append(run, static_cast<std::size_t>(piece_end - run));
            run = cr ? cr + 1 : stop;
        }
        if (stop < e) {
            ctrl_z = *stop == 26;
            FileNum.pos_ = static_cast<std::size_t>(stop - FileNum.buf_.data()) + 1;
            break;
        }
        FileNum.pos_ = FileNum.end_;
    }
    if (ctrl_z || FileNum.AtEnd()) AtEOF = true;
}
