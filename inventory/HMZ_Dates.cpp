#include "inventory/HMZ_Dates.h"

#include <chrono>
#include <cstdio>

#include "common/Brellinlib.h"

bool Normal_HMZ_Date(const std::string& Text, std::string& Normal) {
    Normal.clear();
    const std::string t = TrimSpaces(Text);
    if (t.empty()) return true;
    int16_t y = 0, m = 0, d = 0;
    if (!Parse_Date_YMD(t, y, m, d) || y < 1) return false;
    const std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
                                          std::chrono::day{static_cast<unsigned>(d)}};
    if (!ymd.ok()) return false;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    Normal = buf;
    return true;
}
