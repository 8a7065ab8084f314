// What the short-sections files share besides the module's state: text,
// time and number helpers, the window the run reads, the output names and
// the record every output section starts from.
#pragma once

#include <cstdint>
#include <string>

#include "sections/ShortSections.h"

namespace ui {
class Form;
class TextBox;
}  // namespace ui

namespace ss_detail {

inline const std::string CRLF = "\r\n";
inline constexpr int16_t kMaxTypes = 100;

std::string Trim(const std::string& s);
// Two digits at least.
std::string Two(int32_t n);
std::string Zoned(const std::string& label, const std::string& value);
std::string NowText();
std::string TodayText();
// A position that does not fit 16 bits throws std::overflow_error.
int16_t ToInt16(int32_t v);
void Status(const std::string& mes, bool append = true, const std::string& sep = CRLF);

// The window the run reads its parameters from.
extern ui::Form* g_form;
// A box saying what is wrong, the focus to the box, and the run aborted.
void Fail(ui::TextBox* box, const std::string& message, const std::string& title);
bool AllDigits(const std::string& s);
void SplitHwy4(const std::string& hwy4, int& number, std::string& letter);

// The output file's name for the kind of run and a suffix.
std::string OutputName(const std::string& kind, const std::string& suffix);
std::string OutputKind();

// A new output record of the current primary section: its NID after the
// offset, its SID, segment, primary section and highway set.
SSRec& New_Record(int32_t NIDoffset, const std::string& SID, const std::string& Segment);

}  // namespace ss_detail
