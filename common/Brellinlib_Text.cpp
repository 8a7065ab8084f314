// Brellinlib: text, SQL and XML literals, number and date text, small number
// helpers, lists and index sorts.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/Brellinlib.h"
#include "platform/text/text_case.h"
#include "platform/ui/ui.h"

namespace {

// The rightmost Width characters of text right-aligned in a 30-character field.
std::string RightInField(std::string text, int16_t Width) {
    constexpr std::size_t kField = 30;
    if (text.size() > kField) text.resize(kField);
    text.insert(0, kField - text.size(), ' ');
    if (Width <= 0) return "";
    std::size_t w = std::min<std::size_t>(static_cast<std::size_t>(Width), kField);
    return text.substr(kField - w);
}

// Digits only, as a whole number; false for anything else.
bool ReadDigits(const std::string& s, int16_t& out) {
    if (s.empty()) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = static_cast<int16_t>(v);
    return true;
}

bool IsDateSep(char c) {
    return c == '.' || c == '-' || c == '/';
}

}  // namespace

// ---------------------------------------------------------------------------
// Literals

std::string SQL_Str(const std::string& s) {
    return "'" + Replace_All(s, "'", "''") + "'";
}

std::string SQL_Date(const std::chrono::year_month_day& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "#%04d-%02u-%02u#", static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                  static_cast<unsigned>(d.day()));
    return buf;
}

std::string SQL_Date(const std::string& d) {
    int16_t y = 0, m = 0, day = 0;
    // An unreadable text goes to the database to be refused, but never with a
    // "#" of its own that would end the literal and let the rest into the SQL.
    if (!Parse_Date_YMD(d, y, m, day)) return "#" + Replace_All(d, "#", "") + "#";
    return SQL_Date(std::chrono::year{y} / std::chrono::month{static_cast<unsigned>(m)} /
                    std::chrono::day{static_cast<unsigned>(day)});
}

std::string XML_Escape(const std::string& s) {
    if (s.find_first_not_of(' ') == std::string::npos) return "";
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// Text

std::string Replace_All(const std::string& s, const std::string& Find, const std::string& Repl) {
    if (Find.empty()) return s;  // nothing to look for
    std::string out;
    std::size_t from = 0;
    for (;;) {
        std::size_t p = s.find(Find, from);
        if (p == std::string::npos) break;
        out.append(s, from, p - from);
        out += Repl;
        from = p + Find.size();
    }
    out.append(s, from, std::string::npos);
    return out;
}

void Replace_Str(const std::string& s, const std::string& Find, const std::string& Repl, std::string& Result) {
    Result = Replace_All(s, Find, Repl);
}

int32_t InStrLast(const std::string& s, const std::string& Sub) {
    if (Sub.size() > s.size()) return 0;
    std::size_t p = s.rfind(Sub);
    return p == std::string::npos ? 0 : static_cast<int32_t>(p + 1);
}

std::string Squeeze_Upper(const std::string& v) {
    std::string out;
    for (char c : v)
        if (c != ' ' && c != '\t') out += c;
    return text::upper_case(out);
}

// ---------------------------------------------------------------------------
// Numbers as text

std::string Format_Right(const std::optional<decimal::Value>& v, int16_t Width, int16_t Decimals) {
    if (!v) return std::string(Width > 0 ? static_cast<std::size_t>(Width) : 0, ' ');
    int dec = std::clamp<int>(Decimals, 0, 10);
    std::string mask = "###########0." + std::string(static_cast<std::size_t>(dec), '0');
    return RightInField(decimal::Format(*v, mask), Width);
}

std::string Format_Right_I(const decimal::Value& v, int16_t Width) {
    return RightInField(decimal::Format(v, "##########0"), Width);
}

float Round_1(float x) {
    // Two decimals first, then one, both halves away from zero.
    std::string two = decimal::Fixed(x, 2);
    double d = 0;
    decimal::ParseDouble(two, d);
    std::string one = decimal::Fixed(d, 1);
    double r = 0;
    decimal::ParseDouble(one, r);
    return static_cast<float>(r);
}

bool Parse_Date_YMD(const std::string& s, int16_t& Y, int16_t& M, int16_t& D) {
    if (s.size() != 10 || !IsDateSep(s[4]) || !IsDateSep(s[7])) return false;
    if (!ReadDigits(s.substr(0, 4), Y)) return false;
    if (!ReadDigits(s.substr(5, 2), M)) return false;
    if (M < 1 || M > 12) return false;
    if (!ReadDigits(s.substr(8, 2), D)) return false;
    return D >= 1 && D <= 31;
}

int16_t Floor_I(float x) {
    double f = std::floor(static_cast<double>(x));
    if (!(f >= std::numeric_limits<int16_t>::min() && f <= std::numeric_limits<int16_t>::max())) {
        std::string msg = "Overflow: " + decimal::Fixed(x, 3) + " has no whole part in the range -32768 to 32767.";
        ui::MsgBox(msg, ui::vbExclamation | ui::vbOKOnly, "Floor_I");
        throw ui::CommandAbandoned(msg);
    }
    return static_cast<int16_t>(f);
}

int16_t Min_I(int16_t a, int16_t b) {
    return a < b ? a : b;
}
int16_t Max_I(int16_t a, int16_t b) {
    return b < a ? a : b;
}
int16_t Min_IV(int16_t a, int16_t b) {
    return a >= b ? b : a;
}
int16_t Max_IV(int16_t a, int16_t b) {
    return b >= a ? b : a;
}
int32_t Max_LV(int32_t a, int32_t b) {
    return b >= a ? b : a;
}
int16_t Min_IV2(int16_t a, int16_t b) {
    return Min_IV(a, b);
}
int16_t Max_IV2(int16_t a, int16_t b) {
    return Max_IV(a, b);
}

// ---------------------------------------------------------------------------
// Lists

namespace {

template <class T>
bool FindIn(const T& value, const std::vector<T>& Arr, int16_t N, int16_t& Idx) {
    const int16_t n = static_cast<int16_t>(std::min<std::size_t>(N > 0 ? N : 0, Arr.empty() ? 0 : Arr.size() - 1));
    for (int32_t i = 1; i <= n; ++i) {
        if (Arr[static_cast<std::size_t>(i)] == value) {
            Idx = static_cast<int16_t>(i);
            return true;
        }
    }
    Idx = 0;
    return false;
}

template <class T>
bool AddUnique(const T& value, std::vector<T>& Arr, int16_t& N, int16_t& Idx, const char* name) {
    if (FindIn(value, Arr, N, Idx)) return false;
    if (N < 0) N = 0;
    if (N == std::numeric_limits<int16_t>::max()) {
        const std::string msg = "Overflow: the list already holds 32767 entries.";
        ui::MsgBox(msg, ui::vbExclamation | ui::vbOKOnly, name);
        throw ui::CommandAbandoned(msg);
    }
    ++N;
    if (Arr.size() <= static_cast<std::size_t>(N)) Arr.resize(static_cast<std::size_t>(N) + 1);
    Arr[static_cast<std::size_t>(N)] = value;
    Idx = N;
    return true;
}

}  // namespace

bool Find_Str(const std::string& s, const std::vector<std::string>& Arr, int16_t N, int16_t& Idx) {
    return FindIn(s, Arr, N, Idx);
}

bool Find_L(int32_t Value, const std::vector<int32_t>& Arr, int16_t N, int16_t& Idx) {
    return FindIn(Value, Arr, N, Idx);
}

bool Add_Unique_I(int16_t Value, std::vector<int16_t>& Arr, int16_t& N, int16_t& Idx) {
    return AddUnique(Value, Arr, N, Idx, "Add_Unique_I");
}

bool Add_Unique_L(int32_t Value, std::vector<int32_t>& Arr, int16_t& N, int16_t& Idx) {
    return AddUnique(Value, Arr, N, Idx, "Add_Unique_L");
}

bool Add_Unique_S(const std::string& Value, std::vector<std::string>& Arr, int16_t& N, int16_t& Idx) {
    return AddUnique(Value, Arr, N, Idx, "Add_Unique_S");
}

void Index_Sort_I(int16_t N, const std::vector<int16_t>& Keys, std::vector<int16_t>& Idx) {
    Index_Sort_Heap(N, Keys, Idx);
}

void Index_Sort_L(int32_t N, const std::vector<int32_t>& Keys, std::vector<int32_t>& Idx) {
    Index_Sort_Heap(N, Keys, Idx);
}

void Index_Sort_S(int16_t N, const std::vector<std::string>& Keys, std::vector<int16_t>& Idx) {
    Index_Sort_Heap(N, Keys, Idx);
}
