#include "platform/db/jet_values.h"

#include <cfenv>
#include <cmath>
#include <cstdio>

#include "platform/text/utf8.h"

namespace db::detail {

namespace {

std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civil_from_days(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0));
}

const std::int64_t kEpoch = days_from_civil(1899, 12, 30);

bool valid(const DateTime& d) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < 100 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    if (d.day > kDays[d.month - 1] + (d.month == 2 && leap ? 1 : 0)) return false;
    return d.hour >= 0 && d.hour < 24 && d.minute >= 0 && d.minute < 60 && d.second >= 0 && d.second < 60;
}

// Code units to UTF-8; a surrogate without its partner becomes U+FFFD.
class Utf16Sink {
public:
    explicit Utf16Sink(std::string& out) : out_(out) {}
    void put(std::uint16_t u) {
        if (high_) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                ::text::append_utf8(out_,
                                    0x10000 + ((static_cast<std::uint32_t>(high_) - 0xD800) << 10) + (u - 0xDC00));
                high_ = 0;
                return;
            }
            ::text::append_utf8(out_, 0xFFFD);
            high_ = 0;
        }
        if (u >= 0xD800 && u <= 0xDBFF)
            high_ = u;
        else if (u >= 0xDC00 && u <= 0xDFFF)
            ::text::append_utf8(out_, 0xFFFD);
        else
            ::text::append_utf8(out_, u);
    }
    ~Utf16Sink() {
        if (high_) ::text::append_utf8(out_, 0xFFFD);
    }

private:
    std::string& out_;
    std::uint16_t high_ = 0;
};

}  // namespace

bool date_from_serial(double serial, DateTime& out) {
    if (!std::isfinite(serial) || serial < -657434.0 - 1 || serial > 2958466.0) return false;
    double day = std::trunc(serial);
    double frac = std::fabs(serial - day);
    auto secs = static_cast<std::int64_t>(std::llround(frac * 86400.0));
    auto calendar_day = static_cast<std::int64_t>(day);
    if (secs >= 86400) {
        secs -= 86400;
        calendar_day += 1;
    }
    DateTime d;
    civil_from_days(calendar_day + kEpoch, d.year, d.month, d.day);
    d.hour = static_cast<int>(secs / 3600);
    d.minute = static_cast<int>(secs / 60 % 60);
    d.second = static_cast<int>(secs % 60);
    if (!valid(d)) return false;
    out = d;
    return true;
}

double serial_from_date(const DateTime& d) {
    double days = static_cast<double>(
        days_from_civil(d.year, static_cast<unsigned>(d.month), static_cast<unsigned>(d.day)) - kEpoch);
    double frac = (d.hour * 3600.0 + d.minute * 60.0 + d.second) / 86400.0;
    return days < 0 ? days - frac : days + frac;
}

std::string date_text(const DateTime& d) {
    char buf[32];
    if (d.hour == 0 && d.minute == 0 && d.second == 0)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute,
                      d.second);
    return buf;
}

bool parse_date(std::string_view text, DateTime& out) {
    std::size_t i = 0;
    auto skip_spaces = [&] {
        while (i < text.size() && text[i] == ' ') ++i;
    };
    auto number = [&](int min_digits, int max_digits, int& v) {
        int n = 0;
        v = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && n < max_digits) {
            v = v * 10 + (text[i] - '0');
            ++i;
            ++n;
        }
        return n >= min_digits;
    };
    DateTime d;
    skip_spaces();
    if (!number(4, 4, d.year)) return false;
    if (i >= text.size() || (text[i] != '-' && text[i] != '/')) return false;
    char sep = text[i++];
    if (!number(1, 2, d.month) || i >= text.size() || text[i++] != sep || !number(1, 2, d.day)) return false;
    skip_spaces();
    if (i < text.size()) {
        if (!number(1, 2, d.hour) || i >= text.size() || text[i++] != ':' || !number(2, 2, d.minute)) return false;
        if (i < text.size() && text[i] == ':') {
            ++i;
            if (!number(2, 2, d.second)) return false;
        }
        skip_spaces();
        if (i != text.size()) return false;
    }
    if (!valid(d)) return false;
    out = d;
    return true;
}

double round_half_even(double x) {
    // nearbyint follows the rounding mode, which nobody here changes from
    // round-to-nearest-even; say so rather than rely on it.
    const int mode = std::fegetround();
    if (mode != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    double r = std::nearbyint(x);
    if (mode != FE_TONEAREST) std::fesetround(mode);
    return r;
}

void append_jet4_text(const std::uint8_t* p, std::size_t n, std::string& out) {
    Utf16Sink sink(out);
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        // Compressed: one byte a character, a zero byte switches to two and back.
        bool compressed = true;
        for (std::size_t i = 2; i < n;) {
            if (p[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                sink.put(p[i]);
                ++i;
            } else {
                if (i + 1 >= n) break;
                sink.put(static_cast<std::uint16_t>(p[i] | (p[i + 1] << 8)));
                i += 2;
            }
        }
        return;
    }
    for (std::size_t i = 0; i + 1 < n; i += 2) sink.put(static_cast<std::uint16_t>(p[i] | (p[i + 1] << 8)));
}

void append_cp1252_text(const std::uint8_t* p, std::size_t n, std::string& out) {
    static constexpr std::uint16_t k80[32] = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
    };
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t c = p[i];
        ::text::append_utf8(out, c >= 0x80 && c < 0xA0 ? k80[c - 0x80] : c);
    }
}

}  // namespace db::detail
