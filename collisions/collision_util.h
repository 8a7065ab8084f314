// Small helpers the collision commands share: telling whether two names are
// one file, whole numbers read as the conversions of the original read them,
// date texts, HTML escaping, and the output checks of the commands that
// write a new extract.
#pragma once

#include <cstdint>
#include <string>

namespace collisions {

// True when both names lead to the same file, or would once created (the
// folders resolved, links followed).
bool SameFile(const std::string& a, const std::string& b);

// A decimal number (blanks around it allowed) rounded halves to even, within
// the type's range; false otherwise, out untouched.
bool ToInt16(const std::string& text, int16_t& out);
bool ToInt32(const std::string& text, int32_t& out);

// Without blanks and tabs at either end.
std::string Trimmed(const std::string& s);

// A line that holds nothing but blanks, tabs and carriage returns.
bool IsBlankLine(const std::string& line);

// Today as the short date form ("yyyy-mm-dd"), and now as the general date
// and time form ("yyyy-mm-dd hh:mm:ss").
std::string TodayShortDate();
std::string NowGeneralDate();
int CurrentYear();

// "January" .. "December" for 1..12; "" otherwise.
std::string MonthName(int month);

// & < > " and ' as entities.
std::string HTML_Escape(const std::string& s);

}  // namespace collisions

class MainForm;

// The output CDE name and HMZ version checks of the commands that write a
// new extract: the output's full name and the version, or false after saying
// what is wrong.
bool Check_outCDE_file(MainForm& form, const std::string& versionPrompt, std::string& outFull, std::string& version);
