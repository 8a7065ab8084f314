#include "sections/SS_Helpers.h"

#include <limits>
#include <stdexcept>

#include "common/LocalTime.h"
#include "common/TessawinMod.h"
#include "platform/ui/forms.h"
#include "platform/ui/ui.h"
#include "sections/SS_State.h"

using namespace ShortSections;
namespace M = ShortSections;

namespace ss_detail {

std::string Trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string Two(int32_t n) {
    std::string s = std::to_string(n);
    return s.size() < 2 ? std::string(2 - s.size(), '0') + s : s;
}

// "label" then the value at the next print zone of 14 columns.
std::string Zoned(const std::string& label, const std::string& value) {
    const std::size_t width = (label.size() / 14 + 1) * 14;
    return label + std::string(width - label.size(), ' ') + value;
}

std::string NowText() {
    return Local_Now_Text();
}

std::string TodayText() {
    return Local_Today_Text();
}

int16_t ToInt16(int32_t v) {
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
        throw std::overflow_error("Overflow: hectometre position " + std::to_string(v));
    return static_cast<int16_t>(v);
}

void Status(const std::string& mes, bool append, const std::string& sep) {
    tessawin::WriteStatus(mes, append, sep);
}

ui::Form* g_form = nullptr;

void Fail(ui::TextBox* box, const std::string& message, const std::string& title) {
    ui::MsgBox(message, ui::vbExclamation, title);
    if (box) box->SetFocus();
    Abort = true;
}

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Highway number and letter of a Hwy4 code ("097A", "905 ").
void SplitHwy4(const std::string& hwy4, int& number, std::string& letter) {
    number = 0;
    letter.clear();
    std::size_t i = 0;
    while (i < hwy4.size() && hwy4[i] >= '0' && hwy4[i] <= '9') number = number * 10 + (hwy4[i++] - '0');
    letter = Trim(hwy4.substr(i));
}

std::string OutputName(const std::string& kind, const std::string& suffix) {
    return OutFolder + "Short_" + kind + "_" + RunID + suffix + ".csv";
}

std::string OutputKind() {
    if (DoIntersections && DoSections) return "MixedSections";
    if (DoIntersections) return "Intersections";
    return "Sections";
}

SSRec& New_Record(int32_t NIDoffset, const std::string& SID, const std::string& Segment) {
    M::SS.push_back(SSRec());
    ++SSCount;
    SSRec& r = M::SS.back();
    r.NID = static_cast<int32_t>(static_cast<int64_t>(NIDoffset) + SSCount);
    r.SID = SID;
    r.PsecID = CurPsecRec.ID;
    r.Highway = CurPsecRec.Highway;
    r.Segment = Segment;
    return r;
}

}  // namespace ss_detail
