// vol_Calculation: the traffic volume of a stretch of highway over a period
// and a window of months, from the monthly average daily traffic of the
// volume database: per path item a volume and an ADT, then the stretch's
// length-weighted ADT and total volume, and the report's detail rows.
//
// Lengths count hectometre points: hm a to hm b is b - a + 1 points, K =
// (b - a + 1) / 10 km; a node is one point (K = 0.1).
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "sections/vol_SearchPath.h"

class OutputFile;

// A row of the volume tables the calculation cannot use (a month below -1,
// a stretch ending before it starts, a negative day count); what() names the
// segment or node and the year.
struct VolDataError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The report the detail rows go to; none (nullptr) writes nothing.
extern OutputFile* vol_ReportFile;

using MonthFlags = std::array<bool, 13>;  // 1..12

// The selected months; 0 reads as 1 for the start and 12 for the end; an end
// before the start wraps past December.
void Month_Flags(int16_t startMonth, int16_t endMonth, MonthFlags& flags);
// The first and last selected month of the year, within the period.
void Year_Month_Limits(int16_t year, int16_t& firstMonth, int16_t& lastMonth);
// Days of the month inside the period (0 outside it).
int16_t Days_In_Range(int16_t year, int16_t month, int16_t y1, int16_t m1, int16_t d1, int16_t y2, int16_t m2,
                      int16_t d2);
int16_t Days_In_Month(int16_t year, int16_t month);
// "P" when either holds a "P", then "S" when either holds an "S".
std::string Merge_Counter_Types(const std::string& a, const std::string& b);
// Sets the period (and its month limits) the functions above work in.
void Vol_Set_Period(const VolDate& startDate, const VolDate& endDate, int16_t startMonth, int16_t endMonth);
// The days of the selected months inside the period.
int32_t Days_In_Period();

void Seg_Volumes(const std::string& segment, int16_t hmA, int16_t hmB, const VolDate& startDate,
                 const VolDate& endDate, int16_t startMonth, int16_t endMonth, int32_t& total, int32_t& adt,
                 int32_t& days, double& volDays, std::string& counterTypes, float& missing, int16_t detailed,
                 const std::string& version);
void Node_Volumes(const std::string& node, const VolDate& startDate, const VolDate& endDate, int16_t startMonth,
                  int16_t endMonth, int32_t& total, int32_t& adt, int32_t& days, std::string& counterTypes,
                  float& missing, int16_t detailed, const std::string& version);

// A traffic-volume section range of a segment, with Gap 1 when hectometres
// before it (after the previous range) are in no range.
struct HmRange {
    int16_t Hm1 = 0, Hm2 = 0;
    int16_t Gap = 0;
};
// The distinct hectometre ranges of the segment's rows over the years, in
// ascending order; where ranges of different years overlap, each later one
// starts after the one before it.
void Seg_Hm_Breaks(int16_t year1, int16_t year2, const std::string& segment, const std::string& version,
                   std::vector<HmRange>& ranges, int32_t& count);

// The whole stretch along the path. False after a box when the start or end
// point is not on the path or nothing was measured (length or item count 0).
// Database errors (db::Error) and VolDataError are thrown to the caller.
bool GetSectionVolume(const std::string& startSeg, int16_t startHm, const std::string& endSeg, int16_t endHm,
                      VolDate startDate, VolDate endDate, int32_t& totalVolume, int32_t& adt, int32_t& daysInPeriod,
                      std::string& counterTypes, float& missing, int32_t& lengthHm, int16_t detailed,
                      const std::string& version);

// One detail row: name, Year(s), hm1, hm2, days, VolDays, K, VDK, ADT (hm1
// and hm2 empty when hm2 is 0), after "GAP IN UTVS DETECTED" when gap is 1.
void Print_Vol_Detail(const std::string& name, int16_t year1, int16_t year2, int16_t hm1, int16_t hm2, int32_t days,
                      double volDays, double k, double vdk, int32_t adt, int16_t gap);

// A number in its shortest plain form ("12", "0.1", "1234.5").
std::string Vol_Number_Text(double x);
