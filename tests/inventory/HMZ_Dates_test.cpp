#include "inventory/HMZ_Dates.h"

#include <gtest/gtest.h>

namespace {

TEST(Normal_HMZ_Date, SeparatorsBecomeDashesAndOnlyCalendarDatesPass) {
    struct Case {
        const char* text;
        bool ok;
        const char* normal;
    } cases[] = {
        {"2020-01-31", true, "2020-01-31"},
        {"2020/01/31", true, "2020-01-31"},
        {"2020.01-31", true, "2020-01-31"},
        {" 2020-01-31 ", true, "2020-01-31"},
        {"", true, ""},
        {"   ", true, ""},
        {"2020-02-29", true, "2020-02-29"},  // leap year
        {"2019-02-29", false, ""},
        {"2020-02-30", false, ""},
        {"2020-04-31", false, ""},
        {"1900-02-29", false, ""},
        {"2000-02-29", true, "2000-02-29"},
        {"2020-13-01", false, ""},
        {"2020-00-10", false, ""},
        {"2020-01-00", false, ""},
        {"0000-01-01", false, ""},
        {"20-01-2020", false, ""},
        {"2020-1-5", false, ""},
        {"2020_01_31", false, ""},
        {"2020-01-3x", false, ""},
    };
    for (const Case& c : cases) {
        std::string normal = "untouched";
        EXPECT_EQ(Normal_HMZ_Date(c.text, normal), c.ok) << "\"" << c.text << "\"";
        EXPECT_EQ(normal, c.normal) << "\"" << c.text << "\"";
    }
}

}  // namespace
