#include "common/DecimalFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace decimal {

namespace {

// Decimal digits of |v| with the point after `int_digits` of them (which may be
// zero or negative: leading zeros of the fraction), rounded half away from zero
// at `decimals` places, from the value's 7- or 15-significant-digit form.
struct Digits {
    std::string digits;  // integer digits then exactly `decimals` fraction digits
    bool negative = false;
};

Digits Round(const Value& v, int decimals) {
    Digits out;
    double x = v.value();
    out.negative = std::signbit(x);
    const int sig = v.single() ? 7 : 15;
    char buf[64];
    std::to_chars_result r;
    if (v.single())
        r = std::to_chars(buf, buf + sizeof buf, std::fabs(static_cast<float>(x)), std::chars_format::scientific,
                          sig - 1);
    else
        r = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific, sig - 1);
    std::string text(buf, r.ptr);
    // text is d.dddddde[+-]XX
    std::size_t epos = text.find('e');
    std::string mant;
    for (std::size_t i = 0; i < epos; ++i)
        if (text[i] != '.') mant += text[i];
    int exp10 = std::atoi(text.c_str() + epos + 1);

    // Value = 0.mant * 10^(exp10 + 1): `point` digits of mant before the point.
    int point = exp10 + 1;
    int keep = point + decimals;  // digits of mant to keep
    std::string kept;
    bool up = false;
    if (keep < 0) {
        kept = "";
    } else if (keep >= static_cast<int>(mant.size())) {
        kept = mant + std::string(static_cast<std::size_t>(keep) - mant.size(), '0');
    } else {
        kept = mant.substr(0, static_cast<std::size_t>(keep));
        up = mant[static_cast<std::size_t>(keep)] >= '5';
    }
    if (up) {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') kept[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) {
            ++kept[static_cast<std::size_t>(i)];
        } else {
            kept.insert(kept.begin(), '1');
            ++point;
        }
    }
    // Put in the leading zeros so there are point integer digits (at least 0).
    int int_digits = static_cast<int>(kept.size()) - decimals;
    if (int_digits < 0) kept.insert(0, static_cast<std::size_t>(-int_digits), '0');
    out.digits = kept;
    return out;
}

bool AllZero(const std::string& s) {
    return s.find_first_not_of('0') == std::string::npos;
}

}  // namespace

std::string Fixed(const Value& v, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > 30) decimals = 30;
    double x = v.value();
    if (std::isnan(x)) return "NaN";
    if (std::isinf(x)) return x < 0 ? "-Infinity" : "Infinity";
    Digits d = Round(v, decimals);
    std::size_t n_int = d.digits.size() - static_cast<std::size_t>(decimals);
    std::string ip = d.digits.substr(0, n_int);
    std::string fp = d.digits.substr(n_int);
    std::size_t nz = ip.find_first_not_of('0');
    ip = nz == std::string::npos ? "0" : ip.substr(nz);
    std::string s;
    if (d.negative && !AllZero(d.digits)) s = "-";
    s += ip;
    if (decimals > 0) s += "." + fp;
    return s;
}

std::string Format(const Value& v, std::string_view mask) {
    std::size_t dot = mask.find('.');
    std::string_view ipart = mask.substr(0, dot);
    std::string_view fpart = dot == std::string_view::npos ? std::string_view() : mask.substr(dot + 1);
    std::size_t first_zero = ipart.find('0');
    int min_int = first_zero == std::string_view::npos ? 0 : static_cast<int>(ipart.size() - first_zero);
    int min_frac = 0, max_frac = 0;
    for (char c : fpart) {
        if (c == '0') {
            ++max_frac;
            min_frac = max_frac;
        } else if (c == '#') {
            ++max_frac;
        }
    }
    double x = v.value();
    if (std::isnan(x) || std::isinf(x)) return Fixed(v, 0);

    std::string s = Fixed(v, max_frac);
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.erase(0, 1);
    std::size_t p = s.find('.');
    std::string ip = s.substr(0, p);
    std::string fp = p == std::string::npos ? "" : s.substr(p + 1);
    while (static_cast<int>(fp.size()) > min_frac && fp.back() == '0') fp.pop_back();
    if (ip == "0" && min_int == 0) ip.clear();
    if (static_cast<int>(ip.size()) < min_int) ip.insert(0, static_cast<std::size_t>(min_int) - ip.size(), '0');
    std::string out = negative ? "-" : "";
    out += ip;
    if (dot != std::string_view::npos) out += "." + fp;
    return out;
}

bool ParseDouble(std::string_view text, double& out) {
    std::size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return false;
    std::size_t e = text.find_last_not_of(' ');
    text = text.substr(b, e - b + 1);
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text[0] == '+' || text[0] == '-')) return false;
    }
    if (text.empty()) return false;
    // Only digits and a point may start the number (no "inf", "nan").
    std::size_t lead = text[0] == '-' ? 1 : 0;
    if (lead >= text.size() || !((text[lead] >= '0' && text[lead] <= '9') || text[lead] == '.')) return false;
    double v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
    out = v;
    return true;
}

}  // namespace decimal
