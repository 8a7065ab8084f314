#include "platform/office/cell_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

#include "platform/text/text_case.h"
#include "platform/text/xml_text.h"

namespace office::detail {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civil_from_days(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

const int64_t kEpoch1899 = days_from_civil(1899, 12, 30);

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string fold_case(std::string_view text) {
    return ::text::lower_case(text);
}

bool parse_plain_decimal(std::string_view text, double& value) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0, points = 0;
    for (size_t j = i; j < text.size(); ++j) {
        if (is_digit(text[j]))
            ++digits;
        else if (text[j] == '.')
            ++points;
        else
            return false;
    }
    if (digits == 0 || points > 1) return false;
    std::string_view body = text.substr(text[0] == '+' ? 1 : 0);
    // from_chars takes neither a leading "+" nor a bare trailing or leading point
    std::string s(body);
    if (!s.empty() && s.back() == '.') s.pop_back();
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || p != s.data() + s.size()) return false;
    value = v;
    return true;
}

bool parse_iso_date(std::string_view text, double& serial) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!is_digit(text[i])) return false;
    const int y = std::stoi(std::string(text.substr(0, 4)));
    const unsigned m = static_cast<unsigned>(std::stoi(std::string(text.substr(5, 2))));
    const unsigned d = static_cast<unsigned>(std::stoi(std::string(text.substr(8, 2))));
    if (y < 1900 || m < 1 || m > 12 || d < 1) return false;
    static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (d > kDays[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
    int64_t n = days_from_civil(y, m, d) - kEpoch1899;
    if (n < 61) --n;  // before the 1900-02-29 the 1900 system counts
    serial = static_cast<double>(n);
    return true;
}

bool serial_in_calendar(double serial) {
    return serial >= 0 && serial < 2958466;
}

std::string serial_to_iso(double serial) {
    if (!serial_in_calendar(serial)) return general_number_text(serial);
    double day = std::floor(serial);
    double secs = std::round((serial - day) * 86400.0);
    if (secs >= 86400) {
        day += 1;
        secs = 0;
    }
    int64_t n = static_cast<int64_t>(day);
    char buf[40];
    int64_t y;
    unsigned m, d;
    if (n == 60) {
        y = 1900, m = 2, d = 29;
    } else {
        if (n < 60) ++n;
        civil_from_days(n + kEpoch1899, y, m, d);
    }
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", static_cast<long long>(y), m, d);
    std::string out = buf;
    if (secs > 0) {
        const int s = static_cast<int>(secs);
        std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
        out += buf;
    }
    return out;
}

std::string builtin_format(int id) {
    static const std::map<int, std::string> kFormats = {
        {0, "General"},
        {1, "0"},
        {2, "0.00"},
        {3, "#,##0"},
        {4, "#,##0.00"},
        {9, "0%"},
        {10, "0.00%"},
        {11, "0.00E+00"},
        {12, "# ?/?"},
        {13, "# ?\?/??"},
        {14, "mm-dd-yy"},
        {15, "d-mmm-yy"},
        {16, "d-mmm"},
        {17, "mmm-yy"},
        {18, "h:mm AM/PM"},
        {19, "h:mm:ss AM/PM"},
        {20, "h:mm"},
        {21, "h:mm:ss"},
        {22, "m/d/yy h:mm"},
        {37, "#,##0 ;(#,##0)"},
        {38, "#,##0 ;[Red](#,##0)"},
        {39, "#,##0.00;(#,##0.00)"},
        {40, "#,##0.00;[Red](#,##0.00)"},
        {45, "mm:ss"},
        {46, "[h]:mm:ss"},
        {47, "mmss.0"},
        {48, "##0.0E+0"},
        {49, "@"},
    };
    auto it = kFormats.find(id);
    return it == kFormats.end() ? std::string() : it->second;
}

bool is_date_format(std::string_view code) {
    bool quoted = false, bracket = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            if (c == '"') quoted = false;
            continue;
        }
        if (bracket) {
            if (c == ']') bracket = false;
            continue;
        }
        switch (c) {
            case '"':
                quoted = true;
                break;
            case '[': {
                // [h], [mm], [ss] are elapsed times; colours and conditions are not
                const size_t end = code.find(']', i);
                const std::string inner = lower(code.substr(i + 1, end == std::string_view::npos ? 0 : end - i - 1));
                if (!inner.empty() && inner.find_first_not_of("hms") == std::string::npos) return true;
                bracket = true;
                break;
            }
            case '\\':
            case '_':
            case '*':
                ++i;
                break;
            case 'y':
            case 'Y':
            case 'm':
            case 'M':
            case 'd':
            case 'D':
            case 'h':
            case 'H':
            case 's':
            case 'S':
                return true;
            default:
                break;
        }
    }
    return false;
}

bool is_text_format(std::string_view code) {
    return code == "@";
}

CellValue convert_text(const std::string& text, const std::string& format) {
    CellValue v;
    if (text.empty()) return v;
    v.kind = CellValue::Text;
    v.text = text;
    if (is_text_format(format)) return v;
    double number = 0;
    if (parse_plain_decimal(text, number)) {
        v.kind = CellValue::Number;
        v.number = number;
        v.text.clear();
    } else if (is_date_format(format) && parse_iso_date(text, number)) {
        v.kind = CellValue::Date;
        v.number = number;
        v.text.clear();
    }
    return v;
}

std::string general_number_text(double value) {
    if (value == 0) return "0";
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string out(buf, ec == std::errc() ? p : buf);
    for (char& c : out)
        if (c == 'e') c = 'E';
    return out;
}

std::string exact_number_text(double value) {
    if (value == 0) return "0";
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, ec == std::errc() ? p : buf);
}

namespace {

// value rounded to `decimals` places from its 15-digit decimal form, halves away from zero
std::string fixed_text(double value, int decimals) {
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string sci(buf, ec == std::errc() ? p : buf);
    const size_t e = sci.find('e');
    const int exp10 = std::stoi(sci.substr(e + 1));
    std::string digits = sci.substr(0, 1) + sci.substr(2, e - 2);  // d.ddd... x 10^exp10
    int point = exp10 + 1;                                         // integer digits
    if (point < 1) {
        digits.insert(0, static_cast<size_t>(1 - point), '0');
        point = 1;
    }
    const size_t keep = static_cast<size_t>(point + decimals);
    if (digits.size() < keep + 1) digits.append(keep + 1 - digits.size(), '0');
    std::string kept = digits.substr(0, keep);
    if (digits[keep] >= '5') {
        size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
        if (i == 0) {
            kept.insert(kept.begin(), '1');
            ++point;
        } else {
            ++kept[i - 1];
        }
    }
    std::string out = kept.substr(0, static_cast<size_t>(point));
    out.erase(0, std::min(out.find_first_not_of('0'), out.size() - 1));
    if (decimals > 0) out += "." + kept.substr(static_cast<size_t>(point));
    const bool zero = out.find_first_not_of("0.") == std::string::npos;
    return (value < 0 && !zero ? "-" : "") + out;
}

}  // namespace

std::string shown_text(const CellValue& value, const std::string& format) {
    switch (value.kind) {
        case CellValue::Empty:
            return "";
        case CellValue::Text:
        case CellValue::ErrorValue:
            return value.text;
        case CellValue::Boolean:
            return value.number != 0 ? "TRUE" : "FALSE";
        case CellValue::Date:
            return serial_to_iso(value.number);
        case CellValue::Number:
            break;
    }
    if (is_date_format(format)) return serial_to_iso(value.number);
    // a fixed-point mask: the digits after its point
    const std::string code = format.substr(0, format.find(';'));
    if (!code.empty() && code.find_first_not_of("#0.,") == std::string::npos) {
        const size_t point = code.find('.');
        const int decimals = point == std::string::npos ? 0 : static_cast<int>(code.size() - point - 1);
        return fixed_text(value.number, decimals);
    }
    return general_number_text(value.number);
}

std::string xml_safe(std::string_view text) {
    return ::text::xml_safe(text);
}

std::string cut_to_cell(std::string text) {
    if (text.size() <= kMaxCellChars) return text;
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++chars > kMaxCellChars) {
            text.resize(i);
            break;
        }
    return text;
}

int32_t column_from_letters(std::string_view letters) {
    if (letters.empty() || letters.size() > 3) return 0;
    int32_t n = 0;
    for (char c : letters) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') return 0;
        n = n * 26 + (c - 'A' + 1);
    }
    return n <= kMaxColumns ? n : 0;
}

std::string column_letters(int32_t column) {
    std::string out;
    while (column > 0) {
        const int32_t r = (column - 1) % 26;
        out.insert(out.begin(), static_cast<char>('A' + r));
        column = (column - 1) / 26;
    }
    return out;
}

bool parse_cell_ref(std::string_view ref, int32_t& row, int32_t& column) {
    size_t i = 0;
    while (i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z'))) ++i;
    column = column_from_letters(ref.substr(0, i));
    if (column == 0 || i == ref.size()) return false;
    int64_t r = 0;
    for (size_t j = i; j < ref.size(); ++j) {
        if (!is_digit(ref[j])) return false;
        r = r * 10 + (ref[j] - '0');
        if (r > kMaxRows) return false;
    }
    row = static_cast<int32_t>(r);
    return row >= 1;
}

}  // namespace office::detail
