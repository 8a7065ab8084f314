#include "translation/Date_Lib.h"

#include <sys/time.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "translation/Lib_Units.h"
#include "translation/Scan_Utils.h"
#include "translation/Text_Utils.h"

namespace hemzshift {

namespace {

std::string date_mask = fixed("YYYY/MM/DD", 80);
int32_t day_zero = 0;
int32_t last_quarter = 0;
// Set while JULIAN_DAY formats its own message, so that a weekday token in
// the mask does not ask JULIAN_DAY again.
bool in_julian_message = false;

const char* const month_names[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
const char* const day_names[7] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
constexpr int32_t days_in[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int32_t days_before[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
constexpr std::string_view abbreviations = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";

void unit6(const std::string& text) {
    write_message(STDOUT_UNIT, " " + text);
}
void uerr_line(const std::string& text) {
    write_message(message_unit(), " " + text);
}

std::string upper(std::string_view s) {
    std::string u(s.size(), ' ');
    UP_CASE(s, u);
    return u;
}

// An integer right-justified in WIDTH places, asterisks when it does not fit.
std::string right_int(int64_t v, int width) {
    return fmt_I(v, width);
}

// Zero-filled in WIDTH places; asterisks for a negative or too wide number.
std::string zero_int(int64_t v, int width) {
    std::string s = std::to_string(v);
    if (v < 0 || static_cast<int>(s.size()) > width) return std::string(static_cast<std::size_t>(width), '*');
    return std::string(static_cast<std::size_t>(width) - s.size(), '0') + s;
}

// Reads an integer from TOKEN, blanks ignored, an optional sign; a blank token is 0.
bool read_int(std::string_view token, int32_t& v) {
    const std::string s = without_blanks(token);
    if (s.empty()) {
        v = 0;
        return true;
    }
    return decode_I15(s, v) && s.size() <= 11;
}

void sdate_failure(std::string_view mask, const std::string& third, int32_t& y, int32_t& m, int32_t& d) {
    write_message(message_unit(), " *** ERROR in PelmorLIB routine SDATE_to_YMD ***");
    write_message(message_unit(), "");
    write_message(message_unit(), third);
    uerr_line(" Mask: " + std::string(trimmed(mask)));
    y = m = d = 0;
}

std::string weekday_name(int32_t y, int32_t m, int32_t d) {
    if (in_julian_message) return DAY_NAME(0);
    return DAY_NAME(DAY_OF_WEEK(y, m, d));
}

int32_t weekday_number(int32_t y, int32_t m, int32_t d) {
    if (in_julian_message) return 0;
    return DAY_OF_WEEK(y, m, d);
}

}  // namespace

void SET_DATE_FORMAT(std::string_view mask) {
    date_mask = fixed(mask, 80);
}
void GET_DATE_FORMAT(std::string& out) {
    assign(out, date_mask);
}

bool LEAP(int32_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int32_t DAYS_IN_MONTH(int32_t y, int32_t m) {
    if (m < 1 || m > 12) {
        unit6("Month number: " + list_num(m) + " invalid");
        return 0;
    }
    return (m == 2 && LEAP(y)) ? 29 : days_in[m - 1];
}

bool VALID_DATE(int32_t y, int32_t m, int32_t d) {
    if (m < 1 || m > 12 || d < 1) return false;
    return d <= DAYS_IN_MONTH(y, m);
}

int32_t JULIAN_DAY(int32_t y, int32_t m, int32_t d) {
    if (!VALID_DATE(y, m, d)) {
        bool outer = !in_julian_message;
        in_julian_message = true;
        std::string text = DATE_STRING(y, m, d);
        if (outer) in_julian_message = false;
        unit6("Invalid date " + text + " in function JULIAN_DAY");
        return 0;
    }
    int64_t a = (m - 14) / 12;
    int64_t r = d - 32075 + 1461 * (y + 4800 + a) / 4 + 367 * (m - 2 - 12 * a) / 12 - 3 * ((y + 4900 + a) / 100) / 4;
    return static_cast<int32_t>(r);
}

void JULDAY_TO_YMD(int32_t j, int32_t& y, int32_t& m, int32_t& d) {
    int64_t l = static_cast<int64_t>(j) + 68569;
    int64_t n = 4 * l / 146097;
    l = l - (146097 * n + 3) / 4;
    int64_t i = 4000 * (l + 1) / 1461001;
    l = l - 1461 * i / 4 + 31;
    int64_t k = 80 * l / 2447;
    d = static_cast<int32_t>(l - 2447 * k / 80);
    l = k / 11;
    m = static_cast<int32_t>(k + 2 - 12 * l);
    y = static_cast<int32_t>(100 * (n - 49) + i + l);
}

int32_t DAY_OF_YEAR(int32_t y, int32_t m, int32_t d) {
    if (!VALID_DATE(y, m, d)) {
        unit6("Invalid Year, Month, Day " + list_num(y) + " " + list_num(m) + " " + list_num(d) +
              " in routine DAY_OF_YEAR");
        unit6("DAY_OF_YEAR set to 0");
        return 0;
    }
    return d + days_before[m - 1] + ((m >= 3 && LEAP(y)) ? 1 : 0);
}

void YDOY_TO_MD(int32_t y, int32_t n, int32_t& m, int32_t& d) {
    int32_t total = LEAP(y) ? 366 : 365;
    if (n < 1 || n > total) {
        std::string l1 = " *** YDOY_TO_MD: Invalid Day of Year: " + list_num(n);
        std::string l2 = " ***             for year: " + list_num(y);
        write_message(DEFAULT_OUTPUT_UNIT, l1);
        write_message(DEFAULT_OUTPUT_UNIT, l2);
        LIBRARY_STOP(ERR_DAY_OF_YEAR,
                     "*** YDOY_TO_MD: Invalid Day of Year: " + list_num(n) + " for year: " + list_num(y));
    }
    int32_t run = 0;
    for (int32_t k = 1; k <= 12; ++k) {
        int32_t len = days_in[k - 1] + ((k == 2 && LEAP(y)) ? 1 : 0);
        if (run + len >= n) {
            m = k;
            d = n - run;
            return;
        }
        run += len;
    }
}

void YDOY_TO_JULDAY(int32_t y, int32_t n, int32_t& j) {
    int32_t m = 0, d = 0;
    YDOY_TO_MD(y, n, m, d);
    j = JULIAN_DAY(y, m, d);
}

void JULDAY_TO_YDOY(int32_t j, int32_t& y, int32_t& n) {
    int32_t m, d;
    JULDAY_TO_YMD(j, y, m, d);
    n = DAY_OF_YEAR(y, m, d);
}

int32_t DAY_OF_WEEK(int32_t y, int32_t m, int32_t d) {
    int32_t j = JULIAN_DAY(y, m, d);
    if (j == 0) return 0;
    return (j % 7) + 1;
}

std::string DAY_NAME(int32_t k) {
    if (k < 1 || k > 7) return fixed("Bad Day #", 9);
    return fixed(day_names[k - 1], 9);
}

std::string MONTH_NAME(int32_t m) {
    if (m < 1 || m > 12) {
        unit6("Month number out of range in routine MONTH_NAME");
        return fixed("Unknown", 9);
    }
    return fixed(month_names[m - 1], 9);
}

int32_t MONTH_NUMBER(std::string_view name) {
    std::string three = upper(fixed(name, 3));
    for (int32_t k = 0; k < 12; ++k)
        if (abbreviations.substr(static_cast<std::size_t>(3 * k), 3) == three) return k + 1;
    unit6("Month name " + std::string(name) + " not recognised in function MONTH_NUMBER");
    return 0;
}

void SET_ZERO_CONDAY(std::string_view option, int32_t i1, int32_t i2, int32_t i3) {
    std::string opt = fixed(option, 3);
    if (opt == "YMD") {
        day_zero = JULIAN_DAY(i1, i2, i3);
    } else if (opt == "DOY") {
        YDOY_TO_JULDAY(i1, i3, day_zero);
    } else if (opt == "JUL") {
        day_zero = i3;
    } else {
        unit6("Unknown descriptor " + opt + " in routine SET_ZERO_CONDAY. Valid options are YMD, DOY, JUL");
        day_zero = 0;
    }
}

void GET_ZERO_CONDAY(std::string_view option, int32_t& i1, int32_t& i2, int32_t& i3) {
    std::string opt = fixed(option, 3);
    if (opt == "YMD") {
        JULDAY_TO_YMD(day_zero, i1, i2, i3);
    } else if (opt == "DOY") {
        JULDAY_TO_YDOY(day_zero, i1, i3);
    } else if (opt == "JUL") {
        i3 = day_zero;
    } else {
        unit6("**Unknown descriptor " + opt + " in routine GET_ZERO_CONDAY. Valid options are YMD, DOY, JUL");
        unit6("Setting zero consecutive day to 0, i.e. Nov 24 4713 B.C.");
        i3 = 0;
    }
}

int32_t CONSEC_DAY(int32_t y, int32_t m, int32_t d) {
    if (!VALID_DATE(y, m, d)) {
        uerr_line("Invalid date " + DATE_STRING(y, m, d) + " in function CONSEC_DAY");
        return 0;
    }
    return JULIAN_DAY(y, m, d) - day_zero;
}

void CONDAY_TO_YMD(int32_t n, int32_t& y, int32_t& m, int32_t& d) {
    JULDAY_TO_YMD(n + day_zero, y, m, d);
}

bool PelmorLIB_VMASK(std::string_view mask, char& separator) {
    std::string_view um = mask.substr(0, static_cast<std::size_t>(TRMLEN1(mask)));
    if (um.find("DOY") != std::string_view::npos || um.find("MON") != std::string_view::npos) return false;
    if (std::count(um.begin(), um.end(), 'D') != 1 || std::count(um.begin(), um.end(), 'M') != 1) return false;
    std::size_t p = um.find('M');
    if (p == 0)
        separator = um.size() > 1 ? um[1] : ' ';
    else
        separator = um[p - 1];
    return true;
}

void SDATE_TO_YMD(std::string_view date, int32_t& y, int32_t& m, int32_t& d) {
    std::string mask = date_mask;
    std::string um = upper(mask);
    char sep = ' ';
    if (PelmorLIB_VMASK(um, sep)) {
        char saved = GET_DELIMITER();
        SET_DELIMITER(sep);
        int32_t vy = 0, vm = 0, vd = 0;
        for (int k = 1; k <= 3; ++k) {
            std::string letter = FIELD(um, k, 1);
            std::string token = FIELD(date, k, 4);
            if (k == 3) {
                std::size_t b = token.find(' ', 1);
                if (b != std::string::npos) token.replace(b, std::string::npos, token.size() - b, ' ');
            }
            std::string rj(4, ' ');
            RIGHT_JUST(token, rj);
            const char* item = letter == "M" ? "Month " : letter == "D" ? "Day   " : "Year  ";
            if (letter != "M" && letter != "D" && letter != "Y") {
                uerr_line("Invalid variable length numeric date mask.");
                uerr_line(" Mask: " + std::string(trimmed(mask)));
                y = m = d = 0;
                SET_DELIMITER(saved);
                return;
            }
            int32_t v = 0;
            if (!read_int(rj, v)) {
                SET_DELIMITER(saved);
                sdate_failure(mask, " Error decoding " + std::string(item) + " from date: " + std::string(date), y, m,
                              d);
                return;
            }
            if (letter == "M")
                vm = v;
            else if (letter == "D")
                vd = v;
            else
                vy = v < 100 ? (v < 51 ? v + 2000 : v + 1900) : v;
        }
        SET_DELIMITER(saved);
        y = vy;
        m = vm;
        d = vd;
        return;
    }

    auto token_at = [&](std::size_t p, std::size_t width) {
        if (p >= date.size()) return std::string_view{};
        return date.substr(p, std::min(width, date.size() - p));
    };
    auto fail_decode = [&](const char* item) {
        sdate_failure(mask, " Error decoding " + std::string(item) + " from date: " + std::string(date), y, m, d);
    };
    auto fail_missing = [&](const char* item) {
        sdate_failure(mask, " Could not find " + std::string(item) + " in the date mask.", y, m, d);
    };

    std::size_t p = um.find("MONTH");
    if (p != std::string::npos) {
        int32_t mon = MONTH_NUMBER(token_at(p, 3));
        int L = TRMLEN(MONTH_NAME(mon));
        std::string after = um.substr(p + 5);
        std::fill(um.begin() + static_cast<std::ptrdiff_t>(p + 3), um.end(), ' ');
        for (std::size_t i = 0; i < after.size() && p + static_cast<std::size_t>(L) + i < um.size(); ++i)
            um[p + static_cast<std::size_t>(L) + i] = after[i];
    }

    int32_t vy = 0, vm = 0, vd = 0;
    if ((p = um.find("YYYY")) != std::string::npos) {
        if (!read_int(token_at(p, 4), vy)) return fail_decode("Year  ");
    } else if ((p = um.find("YYY")) != std::string::npos) {
        if (!read_int(token_at(p, 3), vy)) return fail_decode("Year  ");
        vy += vy < 901 ? 2000 : 1000;
    } else if ((p = um.find("YY")) != std::string::npos) {
        if (!read_int(token_at(p, 2), vy)) return fail_decode("Year  ");
        vy += vy < 51 ? 2000 : 1900;
    } else {
        return fail_missing("Year  ");
    }
    if ((p = um.find("DOY")) != std::string::npos) {
        int32_t doy = 0;
        if (!read_int(token_at(p, 3), doy)) return fail_decode("DOY   ");
        YDOY_TO_MD(vy, doy, vm, vd);
        y = vy;
        m = vm;
        d = vd;
        return;
    }
    if ((p = um.find("MM")) != std::string::npos) {
        if (!read_int(token_at(p, 2), vm)) return fail_decode("MONTH ");
    } else if ((p = um.find("MON")) != std::string::npos) {
        vm = MONTH_NUMBER(token_at(p, 3));
    } else {
        return fail_missing("MONTH ");
    }
    if ((p = um.find("DD")) != std::string::npos) {
        if (!read_int(token_at(p, 2), vd)) return fail_decode("DAY   ");
    } else {
        return fail_missing("DAY   ");
    }
    y = vy;
    m = vm;
    d = vd;
}

std::string DATE_STRING(int32_t y, int32_t m, int32_t d) {
    std::string result(80, ' ');
    const std::string mask = date_mask;
    const int n = TRMLEN(mask);
    std::string um = upper(mask);
    char sep = ' ';
    if (PelmorLIB_VMASK(um, sep)) {
        char saved = GET_DELIMITER();
        SET_DELIMITER(sep);
        std::string piece;
        for (int k = 1; k <= 3; ++k) {
            std::string field = FIELD(um, k, 80);
            char letter = field[0];
            if (letter == 'M')
                piece = right_int(m, 2);
            else if (letter == 'D')
                piece = right_int(d, 4);
            else if (letter == 'Y') {
                piece = right_int(y, 4);
                if (std::string_view(trimmed(field)) == "YY") piece = piece.substr(2);
            }
            std::string lj(piece.size(), ' ');
            LEFT_JUST(piece, lj);
            APPEND(result, trimmed(lj));
            if (k < 3) APPEND(result, std::string(1, sep));
        }
        SET_DELIMITER(saved);
        return result;
    }

    std::string out;
    auto starts = [&](int i, std::string_view tok) {
        return std::string_view(mask).substr(static_cast<std::size_t>(i), tok.size()) == tok;
    };
    auto starts_any_case = [&](int i, std::string_view tok) {
        return std::string_view(um).substr(static_cast<std::size_t>(i), tok.size()) == tok;
    };
    auto spelled = [&](int i, std::size_t len) {
        return std::string_view(mask).substr(static_cast<std::size_t>(i), len);
    };
    const std::string year4 = right_int(y, 4);
    int i = 0;
    while (i < n) {
        char c = mask[static_cast<std::size_t>(i)];
        if (c == '"') {
            std::size_t close = mask.find('"', static_cast<std::size_t>(i + 1));
            std::size_t end =
                (close == std::string::npos || static_cast<int>(close) >= n) ? static_cast<std::size_t>(n) : close;
            out.append(mask, static_cast<std::size_t>(i + 1), end - static_cast<std::size_t>(i + 1));
            i = static_cast<int>(end) + 1;
        } else if (starts(i, "YYYY")) {
            out += year4;
            i += 4;
        } else if (starts(i, "YYY")) {
            out += year4.substr(1);
            i += 3;
        } else if (starts(i, "YY")) {
            out += year4.substr(2);
            i += 2;
        } else if (starts(i, "Y")) {
            out += year4.substr(3);
            i += 1;
        } else if (starts_any_case(i, "MM")) {
            std::string s = zero_int(m, 2);
            if (c == 'm' && s[0] == '0') s[0] = ' ';
            out += s;
            i += 2;
        } else if (starts_any_case(i, "MONTH")) {
            if (m >= 1 && m <= 12) {
                std::string name = month_names[m - 1];
                std::string_view sp = spelled(i, 5);
                if (sp == "MONTH")
                    name = upper(name);
                else if (sp == "month")
                    LOW_CASE(std::string(name), name);
                out += name;
            } else {
                out += "*****";
            }
            i += 5;
        } else if (starts_any_case(i, "MON")) {
            if (m >= 1 && m <= 12) {
                std::string name = std::string(month_names[m - 1]).substr(0, 3);
                std::string_view sp = spelled(i, 3);
                if (sp == "MON")
                    name = upper(name);
                else if (sp == "mon")
                    LOW_CASE(std::string(name), name);
                out += name;
            } else {
                out += "***";
            }
            i += 3;
        } else if (starts(i, "DD")) {
            out += zero_int(d, 2);
            i += 2;
        } else if (starts(i, "dd")) {
            out += right_int(d, 2);
            i += 2;
        } else if (starts(i, "DOY")) {
            out += zero_int(DAY_OF_YEAR(y, m, d), 3);
            i += 3;
        } else if (starts(i, "doy")) {
            out += right_int(DAY_OF_YEAR(y, m, d), 3);
            i += 3;
        } else if (starts_any_case(i, "WEEKDAY")) {
            std::string name(trimmed(weekday_name(y, m, d)));
            std::string_view sp = spelled(i, 7);
            if (sp == "Weekday")
                out += name;
            else if (sp == "WEEKDAY")
                out += upper(name);
            else if (sp == "weekday") {
                std::string low(name.size(), ' ');
                LOW_CASE(name, low);
                out += low;
            } else
                out += std::string(name.size(), ' ');
            i += 7;
        } else if (starts_any_case(i, "WDA")) {
            std::string name = weekday_name(y, m, d).substr(0, 3);
            std::string_view sp = spelled(i, 3);
            if (sp == "Wda")
                out += name;
            else if (sp == "WDA")
                out += upper(name);
            else if (sp == "wda") {
                std::string low(3, ' ');
                LOW_CASE(name, low);
                out += low;
            } else
                out += "   ";
            i += 3;
        } else if (c == 'W' || c == 'w') {
            out += right_int(weekday_number(y, m, d), 1);
            i += 1;
        } else if (c == 'q') {
            if (m >= 1 && m <= 12) last_quarter = (m - 1) / 3 + 1;
            out += right_int(last_quarter, 1);
            i += 1;
        } else {
            out.push_back(c);
            i += 1;
        }
    }
    assign(result, out);
    return result;
}

void YMD_TO_SDATE(int32_t y, int32_t m, int32_t d, std::string& text) {
    assign(text, DATE_STRING(y, m, d));
}

void SYSTEM_DATE(int32_t& y, int32_t& m, int32_t& d) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&t, &tm);
    y = tm.tm_year + 1900;
    m = tm.tm_mon + 1;
    d = tm.tm_mday;
}

void SYSTEM_TIME(int32_t& hour, int32_t& minute, float& seconds) {
    timeval tv{};
    ::gettimeofday(&tv, nullptr);
    std::time_t t = tv.tv_sec;
    std::tm tm{};
    ::localtime_r(&t, &tm);
    hour = tm.tm_hour;
    minute = tm.tm_min;
    seconds = static_cast<float>(tm.tm_sec) + static_cast<float>(tv.tv_usec / 1000) / 1000.0f;
}

std::string format_systime(int32_t hour, int32_t minute, float seconds) {
    std::string s = zero_int(hour, 2) + ":" + zero_int(minute, 2) + ":" + fmt_F(seconds, 6, 3);
    if (s[6] == ' ') s[6] = '0';
    return s;
}

void SYSTIME(std::string& text) {
    int32_t h, mi;
    float s;
    SYSTEM_TIME(h, mi, s);
    assign(text, format_systime(h, mi, s));
}

void SYSDATE(std::string& date) {
    int32_t y, m, d;
    SYSTEM_DATE(y, m, d);
    YMD_TO_SDATE(y, m, d, date);
}

void SYSDATIM(std::string& text) {
    int32_t y, m, d;
    SYSTEM_DATE(y, m, d);
    std::string s = zero_int(y, 4) + "/" + zero_int(m, 2) + "/" + zero_int(d, 2) + " ";
    if (text.size() >= 12) {
        std::string t(12, ' ');
        SYSTIME(t);
        s += t;
    }
    assign(text, s);
}

std::string DATE_PLUS_1(std::string_view date) {
    int32_t y = 0, m = 0, d = 0;
    SDATE_TO_YMD(date, y, m, d);
    if (!VALID_DATE(y, m, d)) return "ERROR     ";
    int32_t n = CONSEC_DAY(y, m, d);
    CONDAY_TO_YMD(n + 1, y, m, d);
    std::string out(10, ' ');
    YMD_TO_SDATE(y, m, d, out);
    return out;
}

}  // namespace hemzshift
