#include "translation/Scan_Utils.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "translation/Lib_Units.h"
#include "translation/Text_Utils.h"

namespace hemzshift {

namespace {
std::string delimiter_set = fixed(" \t", 20);
int delimiter_count = 2;
int uerr = 0;

bool is_delim(char c) {
    for (int i = 0; i < delimiter_count; ++i)
        if (delimiter_set[static_cast<std::size_t>(i)] == c) return true;
    return false;
}

std::string_view rest_of(std::string_view line, int from) {
    if (from < 1) from = 1;
    if (static_cast<std::size_t>(from) > line.size()) return {};
    return line.substr(static_cast<std::size_t>(from - 1));
}

// The abort line, then the rest of the line list-directed; then the stop.
[[noreturn]] void scan_stop(const std::string& abort_line, std::string_view rest) {
    write_message(message_unit(), abort_line);
    std::string line2 = " ";
    line2.append(rest);
    write_message(message_unit(), line2);
    LIBRARY_STOP(ERR_SCAN_STRICT, abort_line);
}

// The scan shared by the text and the bounds form. EMPTY_QUOTED tells the
// text form to leave FIELD blank; HAS_LAST is false when only FIRST is set.
void scan(std::string_view line, int& first, int& last, int ml, int& col, int& status, bool& empty_quoted,
          bool& has_last) {
    empty_quoted = false;
    has_last = true;
    bool strict = status == -1;
    if (!strict) status = 0;
    const int len = static_cast<int>(line.size());
    // The blank padding of LINE counts as delimiters, whatever the set.
    const int text_len = TRMLEN(line);
    auto delim_at = [&](int i) { return i > text_len || is_delim(line[static_cast<std::size_t>(i - 1)]); };
    int p = 0;
    if (col <= len) {
        for (int i = std::max(col, 1); i <= len; ++i)
            if (!delim_at(i)) {
                p = i;
                break;
            }
    }
    if (p == 0) {
        if (strict) {
            char buf[80];
            std::snprintf(buf, sizeof buf, "*** ABORT IN SCAN_S - NO FIELD FOUND AFTER COL %3d ***", col);
            scan_stop(buf, line);
        }
        status = 1;
        has_last = false;
        empty_quoted = true;
        return;
    }
    const char q = GET_QUOTE();
    if (quoting_on() && line[static_cast<std::size_t>(p - 1)] == q) {
        int close = 0;
        for (int i = p + 1; i <= len; ++i)
            if (line[static_cast<std::size_t>(i - 1)] == q) {
                close = i;
                break;
            }
        if (close == 0) {
            if (strict) {
                scan_stop(" *** ABORT IN SCAN_S - NO CLOSING QUOTE ***", rest_of(line, p));
            }
            status = 2;
            int d = len + 1;
            for (int i = p + 1; i <= len; ++i)
                if (delim_at(i)) {
                    d = i;
                    break;
                }
            col = d;
            first = p + 1;
            has_last = false;
            empty_quoted = true;
            return;
        }
        if (close == p + 1) {
            col = close + 1;
            first = p;
            last = close;
            empty_quoted = true;
            return;
        }
        first = p + 1;
        last = close - 1;
        col = close + 1;
    } else {
        int d = len + 1;
        for (int i = p + 1; i <= len; ++i)
            if (delim_at(i)) {
                d = i;
                break;
            }
        col = d;
        first = p;
        last = col - 1;
    }
    if (last - first + 1 > ml) {
        if (strict) {
            char buf[80];
            std::snprintf(buf, sizeof buf, "*** ABORT IN SCAN_S - FIELD TOO LONG.  ML = %3d ***", ml);
            scan_stop(buf, rest_of(line, first));
        }
        status = 3;
    }
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool all_digits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void decode_stop(const char* routine, std::string_view field) {
    std::string msg = std::string("*** ABORT IN ") + routine + " - DECODE ERROR *** ";
    msg.append(field);
    write_message(message_unit(), msg);
    LIBRARY_STOP(ERR_SCAN_STRICT, msg);
}
}  // namespace

void SET_SEPARATORS(std::string_view list, int n) {
    n = std::clamp(n, 0, std::min(20, static_cast<int>(list.size())));
    delimiter_set = fixed(list.substr(0, static_cast<std::size_t>(n)), 20);
    delimiter_count = n;
}

void SET_UERR(int n) {
    uerr = n;
}
int message_unit() {
    return uerr;
}

void scanner_separators(std::string& set, int& count) {
    assign(set, delimiter_set);
    count = delimiter_count;
}

void SCAN_S(std::string_view line, std::string& field, int ml, int& col, int& status) {
    std::fill(field.begin(), field.end(), ' ');
    if (col < 1) col = 1;
    int first = 0, last = -1;
    bool empty_quoted, has_last;
    scan(line, first, last, ml, col, status, empty_quoted, has_last);
    if (empty_quoted || !has_last) return;
    assign(field, line.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1)));
}

void SCAN_S_BOUNDS(std::string_view line, int& first, int& last, int ml, int& col, int& status) {
    bool empty_quoted, has_last;
    int f = first, l = last;
    scan(line, f, l, ml, col, status, empty_quoted, has_last);
    if (status == 1) return;
    first = f;
    if (has_last) last = l;
}

void SCAN_S(std::string_view line, int& first, int& last, int ml, int& col, int& status) {
    SCAN_S_BOUNDS(line, first, last, ml, col, status);
}

bool decode_I15(std::string_view text, int32_t& value) {
    const std::string s = without_blanks(text.substr(0, std::min<std::size_t>(15, text.size())));
    if (s.empty()) {
        value = 0;
        return true;
    }
    std::size_t i = 0;
    bool neg = false;
    if (s[0] == '+' || s[0] == '-') {
        neg = s[0] == '-';
        i = 1;
    }
    std::string_view digits = std::string_view(s).substr(i);
    if (!all_digits(digits)) return false;
    int64_t v = 0;
    for (char c : digits) {
        v = v * 10 + (c - '0');
        if (v > 2147483648LL) return false;
    }
    if (neg) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool decode_F20(std::string_view text, float& value) {
    const std::string s = without_blanks(text.substr(0, std::min<std::size_t>(20, text.size())));
    if (s.empty()) {
        value = 0.0f;
        return true;
    }
    std::size_t i = 0;
    std::string norm;
    if (s[i] == '+' || s[i] == '-') norm.push_back(s[i++]);
    std::size_t mant_digits = 0;
    while (i < s.size() && is_digit(s[i])) norm.push_back(s[i++]), ++mant_digits;
    if (i < s.size() && s[i] == '.') {
        norm.push_back(s[i++]);
        while (i < s.size() && is_digit(s[i])) norm.push_back(s[i++]), ++mant_digits;
    }
    if (mant_digits == 0) return false;
    if (i < s.size()) {
        char c = s[i];
        if (c == 'e' || c == 'E' || c == 'd' || c == 'D')
            ++i;
        else if (c != '+' && c != '-')
            return false;
        std::string exp;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) exp.push_back(s[i++]);
        std::string_view rest = std::string_view(s).substr(i);
        if (!all_digits(rest)) return false;
        norm += "e" + exp + std::string(rest);
    }
    const char* b = norm.data();
    if (*b == '+') ++b;
    float v = 0.0f;
    auto [ptr, ec] = std::from_chars(b, norm.data() + norm.size(), v);
    if (ec != std::errc() || ptr != norm.data() + norm.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

namespace {

// The next field as a number: a field DECODE cannot read is status 2, or in
// strict mode (status -1 on entry) the stop of ROUTINE.
template <class T>
void scan_number(std::string_view line, T& value, int ml, int& col, int& status, bool (*decode)(std::string_view, T&),
                 const char* routine) {
    int first = 0, last = -1;
    SCAN_S_BOUNDS(line, first, last, ml, col, status);
    if (status > 0) return;
    std::string_view f =
        line.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(std::max(0, last - first + 1)));
    if (!decode(f, value)) {
        if (status == -1) decode_stop(routine, f);
        status = 2;
    }
}

}  // namespace

void SCAN_I(std::string_view line, int32_t& ival, int ml, int& col, int& status) {
    scan_number(line, ival, ml, col, status, decode_I15, "SCAN_I");
}

void SCAN_F4(std::string_view line, float& rval, int ml, int& col, int& status) {
    scan_number(line, rval, ml, col, status, decode_F20, "SCAN_F4");
}

void UNQUOTE(std::string_view s, std::string& dest) {
    std::size_t a = 0, b = s.size();
    auto bt = [](char c) { return c == ' ' || c == '\t'; };
    while (a < b && bt(s[a])) ++a;
    while (b > a && bt(s[b - 1])) --b;
    std::string_view t = s.substr(a, b - a);
    if (!t.empty() && (t.front() == '\'' || t.front() == '"') && t.back() == t.front())
        t = t.size() >= 2 ? t.substr(1, t.size() - 2) : std::string_view{};
    assign(dest, t.substr(0, std::min<std::size_t>(256, t.size())));
}

float ROUND(float x, int ndp) {
    if (x == 0.0f || ndp >= 9 || !std::isfinite(x)) return x;
    // The logarithm of a single is a single: just below a power of ten it
    // already reads as that power, and the value keeps its digits.
    int k = static_cast<int>(std::trunc(std::log10(std::fabs(x))));
    if (ndp >= 6 - k) return x;
    // 10 to a whole power is exact in single precision up to 10^10.
    static constexpr float kPowers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f};
    float p = ndp >= 0 && ndp <= 8 ? kPowers[ndp] : std::pow(10.0f, static_cast<float>(ndp));
    volatile float prod = p * x;  // the product in single precision, as the rule asks
    float n = std::round(static_cast<float>(prod));
    return n / p;
}

void UP_CASE(std::string_view in, std::string& out) {
    assign(out, in);
    int n = TRMLEN(out);
    for (int i = 0; i < n; ++i) {
        char& c = out[static_cast<std::size_t>(i)];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
}

void EDIT_STRING(std::string_view s, std::string_view old_text, std::string_view new_text, std::string& out) {
    if (old_text.empty()) {
        assign(out, s);
        return;
    }
    std::string r;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s.substr(i, old_text.size()) == old_text) {
            r.append(new_text);
            i += old_text.size();
        } else {
            r.push_back(s[i++]);
        }
    }
    assign(out, r);
}

bool FILE_EXISTS(std::string_view file) {
    std::string f(trimmed(file));
    struct stat st {};
    return !f.empty() && ::stat(f.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

void OPENREAD2(int unit, std::string_view file, int& ierr) {
    ierr = unit_open_read(unit, std::string(trimmed(file)));
}

void OPENOUT2(int unit, std::string_view file, int& ierr) {
    ierr = unit_open_write(unit, std::string(trimmed(file)));
}

int FREEUNIT(int lo, int hi) {
    for (int u = lo; u <= hi; ++u)
        if (!unit_is_open(u)) return u;
    return -9;
}

void GET_SYSVAR(std::string_view name, std::string& value, int& len) {
    std::string n(trimmed(name));
    if (n.empty()) {
        assign(value, "");
        len = -1;
        return;
    }
    const char* v = std::getenv(n.c_str());
    if (!v) {
        assign(value, "");
        len = 0;
        return;
    }
    assign(value, v);
    len = static_cast<int>(std::min(std::strlen(v), value.size()));
}

void ENDWITH(std::string& text, char sep) {
    int n = TRMLEN(text);
    if (n == 0) {
        assign(text, std::string(1, sep));
        return;
    }
    if (text[static_cast<std::size_t>(n - 1)] != sep && static_cast<std::size_t>(n) < text.size())
        text[static_cast<std::size_t>(n)] = sep;
}

void PARSE_FN(std::string_view spec, std::string_view style, std::string_view keyword, int& first, int& last) {
    first = 0;
    last = 0;
    std::string st = fixed(style, 4);
    std::string terminators, levels;
    if (st == "DOS " || st == "    ") {
        terminators = "\\:";
        levels = "\\";
    } else if (st == "UNIX") {
        terminators = "/";
        levels = "/";
    } else if (st == "VMS ") {
        terminators = "]:";
        levels = ".[]";
    } else {
        first = -1;
        return;
    }
    const int end = TRMLEN(spec);
    int start = 0;
    for (int i = 1; i <= end; ++i)
        if (spec[static_cast<std::size_t>(i - 1)] != ' ') {
            start = i;
            break;
        }
    if (start == 0) return;
    std::string_view s = spec.substr(0, static_cast<std::size_t>(end));
    auto last_of = [&](std::string_view set) {
        int p = 0;
        for (int i = start; i <= end; ++i)
            if (set.find(s[static_cast<std::size_t>(i - 1)]) != std::string_view::npos) p = i;
        return p;
    };
    int colon = 0;
    for (int i = start; i <= end; ++i)
        if (s[static_cast<std::size_t>(i - 1)] == ':') {
            colon = i;
            break;
        }
    const int path_end = last_of(terminators);
    int vers = (st == "VMS ") ? last_of(";") : 0;
    const int name_start = path_end ? path_end + 1 : start;
    const int ext_limit = vers ? vers - 1 : end;
    int dot = 0;
    for (int i = name_start; i <= ext_limit; ++i)
        if (s[static_cast<std::size_t>(i - 1)] == '.') dot = i;
    auto set = [&](int f, int l) {
        if (f == 0 || l < f) {
            first = 0;
            last = 0;
        } else {
            first = f;
            last = l;
        }
    };
    std::string key(trimmed(keyword));
    if (key == "DRIVE")
        set(colon ? start : 0, colon);
    else if (key == "PATH")
        set(path_end ? start : 0, path_end);
    else if (key == "NAME")
        set(name_start, dot ? dot - 1 : ext_limit);
    else if (key == "EXT")
        set(dot, dot ? ext_limit : 0);
    else if (key == "NAMEXT")
        set(name_start, ext_limit);
    else if (key == "VERS")
        set(vers, vers ? end : 0);
    else if (key.rfind("DIR:", 0) == 0) {
        int32_t n = 0;
        if (!decode_I15(key.substr(4), n) || key.size() == 4) {
            first = -2;
            return;
        }
        if (path_end == 0) return;
        // The levels between the terminators of the path part.
        std::string path(s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(path_end - start + 1)));
        std::string saved_set(20, ' ');
        int saved_count = 0;
        scanner_separators(saved_set, saved_count);
        SET_SEPARATORS(levels + terminators, static_cast<int>(levels.size() + terminators.size()));
        char saved_quote = GET_QUOTE();
        SET_QUOTE(' ');
        std::vector<std::pair<int, int>> found;
        int col = 1;
        for (;;) {
            int f = 0, l = 0, status = 0;
            SCAN_S_BOUNDS(path, f, l, static_cast<int>(path.size()), col, status);
            if (status == 1) break;
            if (status != 0) {
                found.clear();
                first = -3;
                break;
            }
            found.emplace_back(f + start - 1, l + start - 1);
        }
        SET_QUOTE(saved_quote);
        SET_SEPARATORS(saved_set, saved_count);
        if (first == -3) return;
        int idx = n > 0 ? n - 1 : static_cast<int>(found.size()) - 1 + n;
        if (idx >= 0 && idx < static_cast<int>(found.size()))
            set(found[static_cast<std::size_t>(idx)].first, found[static_cast<std::size_t>(idx)].second);
    } else {
        first = -2;
    }
}

void PARSE_FN(std::string_view spec, std::string_view style, std::string_view keyword, std::string& out, int& code) {
    int first = 0, last = 0;
    PARSE_FN(spec, style, keyword, first, last);
    code = first < 0 ? first : 0;
    if (first > 0)
        assign(out, spec.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1)));
    else
        assign(out, "");
}

// TEXT right-aligned in WIDTH, or WIDTH stars when it does not fit.
static std::string right_aligned(const char* text, std::size_t n, int width) {
    const auto w = static_cast<std::size_t>(std::max(width, 0));
    if (n > w) return std::string(w, '*');
    std::string out(w, ' ');
    std::memcpy(out.data() + (w - n), text, n);
    return out;
}

std::string fmt_I(int64_t value, int width) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return right_aligned(buf, static_cast<std::size_t>(res.ptr - buf), width);
}

std::string fmt_F(float value, int width, int decimals) {
    if (!std::isfinite(value)) return std::string(static_cast<std::size_t>(std::max(width, 0)), '*');
    // Seven significant digits, whatever the process's locale.
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf - 1, static_cast<double>(value), std::chars_format::scientific, 6);
    *res.ptr = '\0';
    bool neg = buf[0] == '-';
    const char* p = buf + (neg ? 1 : 0);
    uint64_t digits = 0;
    for (; *p && *p != 'e'; ++p)
        if (*p != '.') digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    int exp = std::atoi(p + 1);
    int shift = exp - 6 + decimals;
    uint64_t n;
    if (shift >= 0) {
        if (shift > 12) return std::string(static_cast<std::size_t>(std::max(width, 0)), '*');
        n = digits;
        for (int i = 0; i < shift; ++i) n *= 10;
    } else if (-shift > 8) {
        n = 0;
    } else {
        uint64_t div = 1;
        for (int i = 0; i < -shift; ++i) div *= 10;
        n = digits / div + ((digits % div) * 2 >= div ? 1 : 0);
    }
    uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    // The text made in place: sign, whole part, point and fraction.
    char text[64];
    char* t = text;
    if (neg && n != 0) *t++ = '-';
    t = std::to_chars(t, text + 24, n / scale).ptr;
    if (decimals > 0) {
        char frac[24];
        const char* fe = std::to_chars(frac, frac + sizeof frac, n % scale).ptr;
        *t++ = '.';
        for (auto k = static_cast<std::ptrdiff_t>(decimals) - (fe - frac); k > 0; --k) *t++ = '0';
        std::memcpy(t, frac, static_cast<std::size_t>(fe - frac));
        t += fe - frac;
    }
    const char* s0 = text;
    auto len = static_cast<std::size_t>(t - text);
    if (static_cast<int>(len) > width) {
        // A leading zero goes before a point that would not fit.
        if (len >= 2 && text[0] == '0' && text[1] == '.') {
            ++s0;
            --len;
        } else if (len >= 3 && text[0] == '-' && text[1] == '0' && text[2] == '.') {
            text[1] = '-';
            ++s0;
            --len;
        }
    }
    return right_aligned(s0, len, width);
}

std::string list_num(int64_t value) {
    return std::to_string(value);
}

std::string list_num(float value) {
    char buf[32];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec != std::errc()) return "?";
    std::string s(buf, ptr);
    if (s.find_first_of(".e") == std::string::npos && std::isfinite(value)) s += ".0";
    return s;
}

}  // namespace hemzshift
