// vol_Calculation: section volumes from the monthly volumes of the volume database.
#include "sections/vol_Calculation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "common/Brellinlib.h"
#include "common/TextFile.h"
#include "platform/ui/ui.h"
#include "sections/vol_Database.h"

OutputFile* vol_ReportFile = nullptr;

namespace {

const std::string CRLF = "\r\n";

struct Period {
    int16_t y1 = 0, m1 = 0, d1 = 0, y2 = 0, m2 = 0, d2 = 0;
    MonthFlags flags{};
    int16_t first = 1, last = 12;  // lowest and highest selected month
};
Period g;

std::string month_column(int m) {
    char name[16];
    std::snprintf(name, sizeof name, "MADT_%02d", m);
    return name;
}

// The month columns' positions in a result, found once per query.
std::array<int, 13> month_fields(const db::Recordset& rs) {
    std::array<int, 13> at{};
    const auto names = rs.field_names();
    for (int m = 1; m <= 12; ++m) {
        const std::string want = month_column(m);
        at[static_cast<std::size_t>(m)] = -1;
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::string n = names[i];
            for (char& c : n)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (n == want) at[static_cast<std::size_t>(m)] = static_cast<int>(i);
        }
        if (at[static_cast<std::size_t>(m)] < 0) throw db::Error(db::kErrItemNotFound, "Item not found: " + want);
    }
    return at;
}

// A month's volume; a Null one was not counted.
int64_t madt_of(const db::Recordset& rs, int field) {
    const db::Field f = rs.field(field);
    return f.is_null() ? -1 : f.as_long();
}

int field_index(const db::Recordset& rs, const std::string& name) {
    const auto names = rs.field_names();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].size() != name.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k)
            same = (names[i][k] | 0x20) == (name[k] | 0x20);
        if (same) return static_cast<int>(i);
    }
    throw db::Error(db::kErrItemNotFound, "Item not found: " + name);
}

std::string text_of(const db::Field& f) {
    return f.is_null() ? std::string() : f.as_text();
}

int32_t rounded_i32(double x) {
    return static_cast<int32_t>(std::clamp<int64_t>(Vol_Round(x), INT32_MIN, INT32_MAX));
}

}  // namespace

std::string Vol_Number_Text(double x) {
    if (x == std::floor(x) && std::fabs(x) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", x);
        return buf;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", x);
    std::string s = buf;
    if (s.find('e') != std::string::npos) {
        std::snprintf(buf, sizeof buf, "%.6f", x);
        s = buf;
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    return s;
}

void Month_Flags(int16_t startMonth, int16_t endMonth, MonthFlags& flags) {
    flags.fill(false);
    const int s = startMonth == 0 ? 1 : startMonth;
    const int e = endMonth == 0 ? 12 : endMonth;
    if (e < s) {
        for (int k = s; k <= 12; ++k) flags[static_cast<std::size_t>(k)] = true;
        for (int k = 1; k <= e; ++k) flags[static_cast<std::size_t>(k)] = true;
    } else {
        for (int k = std::max(s, 1); k <= std::min(e, 12); ++k) flags[static_cast<std::size_t>(k)] = true;
    }
}

int16_t Days_In_Month(int16_t year, int16_t month) {
    if (month == 12) return 31;
    VolDate first{year, static_cast<int16_t>(month), 1}, next{year, static_cast<int16_t>(month + 1), 1};
    return static_cast<int16_t>(Vol_Days_Between(first, next));
}

int16_t Days_In_Range(int16_t year, int16_t month, int16_t y1, int16_t m1, int16_t d1, int16_t y2, int16_t m2,
                      int16_t d2) {
    if (year < y1 || year > y2) return 0;
    int16_t first = 1;
    if (year == y1) {
        if (month < m1) return 0;
        if (month == m1) first = d1;
    }
    int16_t last = Days_In_Month(year, month);
    if (year == y2) {
        if (month > m2) return 0;
        if (month == m2) last = d2;
    }
    return static_cast<int16_t>(last - first + 1);
}

std::string Merge_Counter_Types(const std::string& a, const std::string& b) {
    std::string r;
    if (a.find('P') != std::string::npos || b.find('P') != std::string::npos) r += "P";
    if (a.find('S') != std::string::npos || b.find('S') != std::string::npos) r += "S";
    return r;
}

void Vol_Set_Period(const VolDate& startDate, const VolDate& endDate, int16_t startMonth, int16_t endMonth) {
    g.y1 = startDate.Year;
    g.m1 = startDate.Month;
    g.d1 = startDate.Day;
    g.y2 = endDate.Year;
    g.m2 = endDate.Month;
    g.d2 = endDate.Day;
    Month_Flags(startMonth, endMonth, g.flags);
    g.first = 13;
    g.last = 0;
    for (int16_t k = 1; k <= 12; ++k) {
        if (!g.flags[static_cast<std::size_t>(k)]) continue;
        g.first = std::min(g.first, k);
        g.last = std::max(g.last, k);
    }
}

void Year_Month_Limits(int16_t year, int16_t& firstMonth, int16_t& lastMonth) {
    firstMonth = g.first;
    lastMonth = g.last;
    if (year == g.y1 && firstMonth < g.m1) firstMonth = g.m1;
    if (year == g.y2 && lastMonth > g.m2) lastMonth = g.m2;
}

int32_t Days_In_Period() {
    int32_t days = 0;
    for (int16_t year = g.y1; year <= g.y2 && g.y1 > 0; ++year) {
        int16_t first = 0, last = 0;
        Year_Month_Limits(year, first, last);
        for (int16_t k = first; k <= last; ++k)
            if (g.flags[static_cast<std::size_t>(k)]) days += Days_In_Range(year, k, g.y1, g.m1, g.d1, g.y2, g.m2, g.d2);
    }
    return days;
}

void Print_Vol_Detail(const std::string& name, int16_t year1, int16_t year2, int16_t hm1, int16_t hm2, int32_t days,
                      double volDays, double k, double vdk, int32_t adt, int16_t gap) {
    if (!vol_ReportFile) return;
    if (gap == 1) vol_ReportFile->Write("GAP IN UTVS DETECTED" + CRLF);
    const std::string years = year1 == year2 ? std::to_string(year1) : std::to_string(year1) + "-" + std::to_string(year2);
    const std::string h1 = hm2 == 0 ? "" : std::to_string(hm1);
    const std::string h2 = hm2 == 0 ? "" : std::to_string(hm2);
    vol_ReportFile->Write(name + "," + years + "," + h1 + "," + h2 + "," + std::to_string(days) + "," +
                          Vol_Number_Text(volDays) + "," + Vol_Number_Text(k) + "," + Vol_Number_Text(vdk) + "," +
                          std::to_string(adt) + CRLF);
}

void Seg_Volumes(const std::string& segment, int16_t hmA, int16_t hmB, const VolDate& startDate,
                 const VolDate& endDate, int16_t startMonth, int16_t endMonth, int32_t& total, int32_t& adt,
                 int32_t& days, double& volDays, std::string& counterTypes, float& missing, int16_t detailed,
                 const std::string& version) {
    total = adt = days = 0;
    volDays = 0.0;
    counterTypes.clear();
    missing = 0;
    Vol_Set_Period(startDate, endDate, startMonth, endMonth);
    std::string types;
    double sumDays = 0, sumVDK = 0, sumDaysK = 0;
    const std::string a_ = std::to_string(hmA), b_ = std::to_string(hmB);
    // One query for every year of the period, read year by year.
    const std::string sql = "SELECT * FROM ALL_" + version + "_SEGVOL WHERE Seg = " + SQL_Str(segment) +
                            " AND Year BETWEEN " + std::to_string(g.y1) + " AND " + std::to_string(g.y2) +
                            " AND ((Hm1 BETWEEN " + a_ + " And " + b_ + ") OR (Hm2 BETWEEN " + a_ + " And " + b_ +
                            ") OR (" + a_ + " BETWEEN Hm1 And Hm2) OR (" + b_ + " BETWEEN Hm1 And Hm2)) ORDER BY Year, Hm1";
    db::Recordset rs = vol_DB.open_recordset(sql);
    // A year without rows adds no covered days: the coverage correction
    // below counts its days as missing.
    const std::array<int, 13> at = rs.eof() ? std::array<int, 13>{} : month_fields(rs);
    const int year_field = rs.eof() ? 0 : field_index(rs, "Year");
    const int hm1_field = rs.eof() ? 0 : field_index(rs, "Hm1");
    const int hm2_field = rs.eof() ? 0 : field_index(rs, "Hm2");
    const int type_field = rs.eof() ? 0 : field_index(rs, "counter_type");
    // A period without a first year covers nothing.
    for (; g.y1 > 0 && !rs.eof(); rs.move_next()) {
        const int64_t y = rs.field(year_field).as_long();
        if (y < g.y1 || y > g.y2) continue;
        const int16_t year = static_cast<int16_t>(y);
        int16_t first = 0, last = 0;
        Year_Month_Limits(year, first, last);
        if (last < first) continue;
        {
            const int64_t hm1 = rs.field(hm1_field).as_long(), hm2 = rs.field(hm2_field).as_long();
            const int64_t a = std::max<int64_t>(hm1, hmA), b = std::min<int64_t>(hm2, hmB);
            const double K = static_cast<double>(b - a + 1) / 10;
            if (K < 0)
                throw VolDataError("Segment " + segment + ", year " + std::to_string(year) + ": a row from hm " +
                                   std::to_string(hm1) + " to hm " + std::to_string(hm2) + " ends before it starts.");
            types += text_of(rs.field(type_field));
            bool row_missing = false;
            double rowVolDays = 0, rowDays = 0;
            for (int16_t k = first; k <= last; ++k) {
                if (!g.flags[static_cast<std::size_t>(k)]) continue;
                const int16_t dr = Days_In_Range(year, k, g.y1, g.m1, g.d1, g.y2, g.m2, g.d2);
                if (dr < 0)
                    throw VolDataError("Segment " + segment + ", year " + std::to_string(year) +
                                       ": the period gives a negative day count in month " + std::to_string(k) + ".");
                const int64_t m = madt_of(rs, at[static_cast<std::size_t>(k)]);
                if (m < -1)
                    throw VolDataError("Segment " + segment + ", year " + std::to_string(year) + ": " +
                                       month_column(k) + " is " + std::to_string(m) + ".");
                if (m == -1) {
                    row_missing = true;
                } else {
                    rowVolDays += static_cast<double>(m) * dr;
                    rowDays += dr;
                }
            }
            volDays += rowVolDays;
            sumDays += rowDays;
            const double VDK = rowVolDays * K;
            sumVDK += VDK;
            sumDaysK += rowDays * K;
            if (detailed > 0) {
                const int32_t row_adt = row_missing ? -1 : (rowDays > 0 ? rounded_i32(rowVolDays / rowDays) : 0);
                Print_Vol_Detail(segment, year, year, static_cast<int16_t>(a), static_cast<int16_t>(b),
                                 static_cast<int32_t>(rowDays), row_missing ? -1 : rowVolDays, K,
                                 row_missing ? -1 : VDK, row_adt, 0);
            }
        }
    }
    counterTypes = Merge_Counter_Types(types, "");
    const int32_t daysInPeriod = Days_In_Period();
    days = daysInPeriod;
    const double L = static_cast<double>(hmB - hmA + 1) / 10;
    missing = 0;
    if (Vol_Round(sumDaysK * 100) < Vol_Round(daysInPeriod * L * 100)) {
        if (sumDaysK != 0) {
            const double ratio = daysInPeriod * L / sumDaysK;
            sumVDK *= ratio;
            missing = static_cast<float>((1 - 1 / ratio) * 100);
        } else {
            sumVDK = 0;
            missing = 100;  // nothing of the stretch was counted
        }
    }
    total = L > 0 ? rounded_i32(sumVDK / L + 0.5) : 0;
    adt = daysInPeriod < 1 ? 0 : rounded_i32(static_cast<double>(total) / daysInPeriod);
    (void)sumDays;
}

void Node_Volumes(const std::string& node, const VolDate& startDate, const VolDate& endDate, int16_t startMonth,
                  int16_t endMonth, int32_t& total, int32_t& adt, int32_t& days, std::string& counterTypes,
                  float& missing, int16_t detailed, const std::string& version) {
    adt = 0;
    total = 0;
    days = 0;
    missing = 0;
    counterTypes.clear();
    Vol_Set_Period(startDate, endDate, startMonth, endMonth);
    const std::string sql = "SELECT * FROM ALL_" + version + "_NODVOL WHERE Node = " + SQL_Str(node) +
                            " AND Year BETWEEN " + std::to_string(g.y1) + " AND " + std::to_string(g.y2) +
                            " ORDER BY Year";
    db::Recordset rs = vol_DB.open_recordset(sql);
    std::string types;
    int32_t selected = 0, missingMonths = 0;
    double sumVolDays = 0, sumDays = 0, missingDays = 0;
    std::map<int64_t, bool> counted;  // years with a row
    const std::array<int, 13> at = rs.eof() ? std::array<int, 13>{} : month_fields(rs);
    for (; !rs.eof(); rs.move_next()) {
        const int64_t y = rs["Year"].as_long();
        if (y < g.y1 || y > g.y2) continue;
        const int16_t year = static_cast<int16_t>(y);
        counted[y] = true;
        int16_t first = 0, last = 0;
        Year_Month_Limits(year, first, last);
        if (last < first) continue;
        types += text_of(rs["counter_type"]);
        bool row_missing = false;
        double rowVolDays = 0, rowDays = 0;
        for (int16_t k = first; k <= last; ++k) {
            if (!g.flags[static_cast<std::size_t>(k)]) continue;
            ++selected;
            const int16_t dr = Days_In_Range(year, k, g.y1, g.m1, g.d1, g.y2, g.m2, g.d2);
            if (dr < 0)
                throw VolDataError("Node " + node + ", year " + std::to_string(year) +
                                   ": the period gives a negative day count in month " + std::to_string(k) + ".");
            const int64_t m = madt_of(rs, at[static_cast<std::size_t>(k)]);
            if (m < -1)
                throw VolDataError("Node " + node + ", year " + std::to_string(year) + ": " + month_column(k) +
                                   " is " + std::to_string(m) + ".");
            if (m == -1) {
                row_missing = true;
                missingDays += dr;
                ++missingMonths;
            } else {
                sumVolDays += static_cast<double>(m) * dr;
                rowVolDays += static_cast<double>(m) * dr;
                sumDays += dr;
                rowDays += dr;
            }
        }
        if (detailed > 0) {
            const int32_t row_adt = row_missing ? -1 : (rowDays > 0 ? rounded_i32(rowVolDays / rowDays) : 0);
            Print_Vol_Detail(node, year, year, 0, 0, static_cast<int32_t>(rowDays), row_missing ? -1 : rowVolDays,
                             0.1, row_missing ? -1 : rowVolDays * 0.1, row_adt, 0);
        }
    }
    // A year without a row: its selected months were not counted.
    for (int16_t year = g.y1; year <= g.y2 && g.y1 > 0; ++year) {
        if (counted.count(year)) continue;
        int16_t first = 0, last = 0;
        Year_Month_Limits(year, first, last);
        for (int16_t k = first; k <= last; ++k) {
            if (!g.flags[static_cast<std::size_t>(k)]) continue;
            ++selected;
            ++missingMonths;
            missingDays += Days_In_Range(year, k, g.y1, g.m1, g.d1, g.y2, g.m2, g.d2);
        }
    }
    days = static_cast<int32_t>(sumDays + missingDays);
    if (sumDays != 0) {
        adt = rounded_i32(sumVolDays / sumDays);
        total = static_cast<int32_t>(std::clamp<int64_t>(int64_t{adt} * days, INT32_MIN, INT32_MAX));
    }
    missing = selected > 0 ? static_cast<float>(missingMonths * 100.0 / selected) : 100.0f;
    counterTypes = Merge_Counter_Types(types, "");
    if (detailed == 0)
        Print_Vol_Detail(node, g.y1, g.y2, 0, 0, static_cast<int32_t>(sumDays), sumVolDays, 0.1, sumVolDays * 0.1,
                         missing > 0 ? -1 : adt, 0);
}

void Seg_Hm_Breaks(int16_t year1, int16_t year2, const std::string& segment, const std::string& version,
                   std::vector<HmRange>& ranges, int32_t& count) {
    ranges.assign(1, HmRange{});
    count = 0;
    db::Recordset rs = vol_DB.open_recordset("SELECT DISTINCT Hm1, Hm2 FROM ALL_" + version +
                                             "_SEGVOL WHERE Seg = " + SQL_Str(segment) + " AND Year BETWEEN " +
                                             std::to_string(year1) + " AND " + std::to_string(year2) +
                                             " ORDER BY Hm1, Hm2");
    int64_t prev_end = -1;
    bool any = false;
    for (; !rs.eof(); rs.move_next()) {
        int64_t r1 = rs.field(0).as_long();
        const int64_t r2 = rs.field(1).as_long();
        if (any) r1 = std::max(r1, prev_end + 1);
        if (r2 < r1) continue;  // inside the ranges before it
        HmRange r;
        r.Hm1 = static_cast<int16_t>(std::clamp<int64_t>(r1, -32768, 32767));
        r.Hm2 = static_cast<int16_t>(std::clamp<int64_t>(r2, -32768, 32767));
        r.Gap = (any && r1 > prev_end + 1) ? 1 : 0;
        ranges.push_back(r);
        ++count;
        prev_end = r2;
        any = true;
    }
}

bool GetSectionVolume(const std::string& startSeg, int16_t startHm, const std::string& endSeg, int16_t endHm,
                      VolDate startDate, VolDate endDate, int32_t& totalVolume, int32_t& adt, int32_t& daysInPeriod,
                      std::string& counterTypes, float& missing, int32_t& lengthHm, int16_t detailed,
                      const std::string& version) {
    totalVolume = adt = daysInPeriod = lengthHm = 0;
    counterTypes.clear();
    missing = 0;
    const int32_t i1 = Find_Path_Item(1, startSeg, startHm);
    if (i1 == 0) {
        ui::MsgBox("Can't find start point in the search path", ui::vbExclamation | ui::vbOKOnly, "GetSectionVolume");
        return false;
    }
    const int32_t i2 = Find_Path_Item(i1, endSeg, endHm);
    if (i2 == 0) {
        ui::MsgBox("Can't find end point in the path", ui::vbExclamation | ui::vbOKOnly, "GetSectionVolume");
        return false;
    }
    if (!startDate.IsSet()) startDate = vol_StartDate;
    if (!endDate.IsSet()) endDate = vol_EndDate;

    int32_t items = 0, discontinuities = 0;
    double sumADT = 0, sumMissing = 0;
    for (int32_t i = i1; i <= i2; ++i) {
        const PathRec& p = vol_Path[static_cast<std::size_t>(i)];
        int32_t total = 0, item_adt = 0, days = 0;
        std::string types;
        float item_missing = 0;
        if (p.Type == "NODE") {
            Node_Volumes(p.Name, startDate, endDate, vol_StartMonth, vol_EndMonth, total, item_adt, days, types,
                         item_missing, detailed, version);
            counterTypes = Merge_Counter_Types(counterTypes, types);
            sumMissing += item_missing;
            sumADT += item_adt;
            lengthHm += 1;
            ++items;
        } else if (p.Type == "SEG") {
            int16_t a = p.Hm1, b = p.Hm2;
            if (i == i1) a = std::max(a, startHm);
            if (i == i2) b = std::min(b, endHm);
            if (b >= a) {
                ++items;
                if (detailed) {
                    double volDays = 0;
                    Seg_Volumes(p.Name, a, b, startDate, endDate, vol_StartMonth, vol_EndMonth, total, item_adt,
                                days, volDays, types, item_missing, detailed, version);
                    counterTypes = Merge_Counter_Types(counterTypes, types);
                    sumMissing += item_missing;
                    sumADT += static_cast<double>(item_adt) * (b - a + 1);
                    lengthHm += b - a + 1;
                } else {
                    std::vector<HmRange> ranges;
                    int32_t count = 0;
                    Seg_Hm_Breaks(startDate.Year, endDate.Year, p.Name, version, ranges, count);
                    bool any = false;
                    auto one_range = [&](int16_t r1, int16_t r2, int16_t gap) {
                        double volDays = 0;
                        Seg_Volumes(p.Name, r1, r2, startDate, endDate, vol_StartMonth, vol_EndMonth, total,
                                    item_adt, days, volDays, types, item_missing, 0, version);
                        const double K = static_cast<double>(r2 - r1 + 1) / 10;
                        const double VDK = volDays * K;
                        const bool miss = item_missing > 0;
                        Print_Vol_Detail(p.Name, startDate.Year, endDate.Year, r1, r2, days, miss ? -1 : volDays, K,
                                         miss ? -1 : VDK, miss ? -1 : item_adt, gap);
                        counterTypes = Merge_Counter_Types(counterTypes, types);
                        sumMissing += item_missing;
                        sumADT += static_cast<double>(item_adt) * (r2 - r1 + 1);
                        lengthHm += r2 - r1 + 1;
                        any = true;
                    };
                    for (int32_t r = 1; r <= count; ++r) {
                        HmRange h = ranges[static_cast<std::size_t>(r)];
                        const bool overlaps = (a >= h.Hm1 && a <= h.Hm2) || (b >= h.Hm1 && b <= h.Hm2) ||
                                              (h.Hm1 >= a && h.Hm2 <= b);
                        if (!overlaps) continue;
                        one_range(std::max(h.Hm1, a), std::min(h.Hm2, b), h.Gap);
                    }
                    // A stretch of no range at all was not counted: it is missing, not left out.
                    if (!any) one_range(a, b, 0);
                }
            } else if (b < a - 1) {
                ui::MsgBox("*** k2 + 0.1 < k1 in GetSectionVolume", ui::vbExclamation | ui::vbOKOnly,
                           "GetSectionVolume");
            }
        } else if (p.Type == "----") {
            ++discontinuities;
        } else {
            ui::MsgBox("*** Warning: invalid path type: " + p.Type, ui::vbExclamation | ui::vbOKOnly,
                       "GetSectionVolume");
        }
    }
    if (lengthHm == 0 || items == 0) {
        ui::MsgBox("ERROR: LENGTH and/or N = 0 ***", ui::vbExclamation | ui::vbOKOnly, "GetSectionVolume");
        return false;
    }
    Vol_Set_Period(startDate, endDate, vol_StartMonth, vol_EndMonth);
    daysInPeriod = Days_In_Period();
    adt = rounded_i32(sumADT / lengthHm);
    totalVolume = static_cast<int32_t>(std::clamp<int64_t>(int64_t{adt} * daysInPeriod, INT32_MIN, INT32_MAX));
    missing = static_cast<float>(sumMissing / items);
    if (sumMissing > 0) adt = -1;
    if (discontinuities > 0)
        ui::MsgBox("*** Warning: " + std::to_string(discontinuities) + "discontinuities encountered in section.",
                   ui::vbExclamation | ui::vbOKOnly, "GetSectionVolume");
    return true;
}
