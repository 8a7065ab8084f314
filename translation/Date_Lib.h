// The translation library's calendar: date texts under one process-wide mask,
// Julian and consecutive day numbers, and the calendar questions behind them.
// Proleptic Gregorian, plain integers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hemzshift {

void SET_DATE_FORMAT(std::string_view mask);
void GET_DATE_FORMAT(std::string& out);
void SET_ZERO_CONDAY(std::string_view option, int32_t i1, int32_t i2, int32_t i3);
void GET_ZERO_CONDAY(std::string_view option, int32_t& i1, int32_t& i2, int32_t& i3);

void SDATE_TO_YMD(std::string_view date, int32_t& y, int32_t& m, int32_t& d);
std::string DATE_STRING(int32_t y, int32_t m, int32_t d);  // 80 characters
void YMD_TO_SDATE(int32_t y, int32_t m, int32_t d, std::string& text);
bool PelmorLIB_VMASK(std::string_view mask, char& separator);

bool VALID_DATE(int32_t y, int32_t m, int32_t d);
bool LEAP(int32_t y);
int32_t DAYS_IN_MONTH(int32_t y, int32_t m);
int32_t JULIAN_DAY(int32_t y, int32_t m, int32_t d);
void JULDAY_TO_YMD(int32_t j, int32_t& y, int32_t& m, int32_t& d);
int32_t CONSEC_DAY(int32_t y, int32_t m, int32_t d);
void CONDAY_TO_YMD(int32_t n, int32_t& y, int32_t& m, int32_t& d);
void YDOY_TO_JULDAY(int32_t y, int32_t n, int32_t& j);
void JULDAY_TO_YDOY(int32_t j, int32_t& y, int32_t& n);
int32_t DAY_OF_YEAR(int32_t y, int32_t m, int32_t d);
void YDOY_TO_MD(int32_t y, int32_t n, int32_t& m, int32_t& d);
int32_t DAY_OF_WEEK(int32_t y, int32_t m, int32_t d);
std::string DAY_NAME(int32_t k);    // 9 characters
std::string MONTH_NAME(int32_t m);  // 9 characters
int32_t MONTH_NUMBER(std::string_view name);

void SYSTEM_DATE(int32_t& y, int32_t& m, int32_t& d);
void SYSTEM_TIME(int32_t& hour, int32_t& minute, float& seconds);
void SYSTIME(std::string& text);
void SYSDATE(std::string& date);
void SYSDATIM(std::string& text);
// The time-of-day text of SYSTIME for the given clock reading (12 characters).
std::string format_systime(int32_t hour, int32_t minute, float seconds);

// The day after DATE in the current mask (10 characters); "ERROR     " when
// DATE is not a valid date.
std::string DATE_PLUS_1(std::string_view date);

}  // namespace hemzshift
