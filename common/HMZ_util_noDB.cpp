// HMZ_util_noDB: location helpers that need no inventory database.
#include "common/HMZ_util_noDB.h"

#include <cmath>
#include <limits>

#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "platform/ui/ui.h"

namespace {

std::string TrimOpt(const OptText& v) {
    return v ? TrimSpaces(*v) : std::string();
}

bool Is(const OptText& v, const char* text) {
    return v && *v == text;
}

// km * scale + 0.001 in extended precision, rounded halves to even; a result
// outside [lo, hi] shows its error and abandons the command.
long double KmKey(float Km, long double scale, long double lo, long double hi, const char* name) {
    long double x = static_cast<long double>(Km) * scale + static_cast<long double>(0.001);
    long double r = std::nearbyintl(x);
    if (!(r >= lo && r <= hi)) {
        std::string msg = std::string("Overflow: km ") + decimal::Fixed(Km, 3) + " is out of the range of whole " +
                          (scale == 10 ? "hectometres" : "hundredths of a km") + " (" +
                          decimal::Fixed(static_cast<double>(lo), 0) + " to " +
                          decimal::Fixed(static_cast<double>(hi), 0) + ").";
        ui::MsgBox(msg, ui::vbExclamation | ui::vbOKOnly, name);
        throw ui::CommandAbandoned(msg);
    }
    return r;
}

// Whole number as Visual Basic's CInt reads a numeric text (halves to even).
bool ToInt16(const std::string& text, int16_t& out) {
    double v = 0;
    if (!decimal::ParseDouble(text, v)) return false;
    double r = std::nearbyint(v);
    if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max())) return false;
    out = static_cast<int16_t>(r);
    return true;
}

}  // namespace

std::string Format_Km(float Km, int16_t Ndp) {
    return Ndp == 1 ? Format_Km1(Km) : Format_Km2(Km);
}

std::string Format_Km1(float Km) {
    return decimal::Format(Km, "##0.0");
}

std::string Format_Km2(float Km) {
    return decimal::Format(Km, "##0.00");
}

std::string Format_Km2_Right6(float Km) {
    std::string s = Format_Km2(Km);
    if (s.size() < 6) s.insert(0, 6 - s.size(), ' ');
    return s;
}

std::string hm_to_KmText(int16_t Hm) {
    return decimal::Format(static_cast<float>(Hm) / 10.0f, "##0.0");
}

int16_t Km_to_hm(float Km) {
    return static_cast<int16_t>(
        KmKey(Km, 10, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max(), "Km_to_hm"));
}

int32_t Km_to_dam(float Km) {
    return static_cast<int32_t>(
        KmKey(Km, 100, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), "Km_to_dam"));
}

std::string Pad_Code4(const std::string& v) {
    return v.size() == 3 ? "0" + v : v;
}

std::string Pad_Code8(const std::string& v) {
    return v.size() == 7 ? "0" + v : v;
}

std::string Locn_Position_Word(const OptText& Point, const OptText& Side, const OptText& LMtype, bool Bracket) {
    std::string p = TrimOpt(Point);
    if (p.empty()) return "";
    std::string word;
    if (p == "C")
        word = "CENTRE";
    else if (Is(Side, "A") && Is(LMtype, "D1"))
        word = p + " FACE";
    else
        word = p + " END";
    return Bracket ? "[" + word + "]" : word;
}

std::string Landmark_Description(const OptText& Description, const OptText& LMtype, const OptText& Side,
                                 const OptText& Point, const OptText& Text) {
    std::string d = Description.value_or("");
    std::string s;
    int32_t p = InStrLast(d, " (");
    if (p > 0) {
        int32_t c = InStrLast(d, ")");
        if (p < c) {
            s = d.substr(static_cast<std::size_t>(p - 1), static_cast<std::size_t>(c - p + 1));
            d = TrimSpaces(d.substr(0, static_cast<std::size_t>(p - 1)) + d.substr(static_cast<std::size_t>(c)));
        }
    }
    std::string t = TrimOpt(Text);
    if (!t.empty()) {
        if (Is(LMtype, "F1") || Is(LMtype, "F2"))
            d += " (" + t + ")";
        else if (LMtype && !LMtype->empty() && (*LMtype)[0] == 'A')
            d += " #" + t;
        else
            d += " " + t;
    }
    if (!TrimOpt(Point).empty()) d += " " + Locn_Position_Word(Point, Side, LMtype, false);
    return d + s;
}

void Parse_Leg(const std::string& Text, int16_t& N, std::string& Letter) {
    Letter.clear();
    if (ToInt16(Text, N)) return;
    if (!Text.empty()) {
        char last = Text.back();
        if (last >= 'a' && last <= 'z') last = static_cast<char>(last - 'a' + 'A');
        if (last >= 'A' && last <= 'D' && ToInt16(Text.substr(0, Text.size() - 1), N)) {
            Letter = std::string(1, last);
            return;
        }
    }
    N = -1;
}
