// Date texts on their way to the all-versions database and the translation
// library, both of which compare dates as "yyyy-mm-dd" text: a date typed
// with "/" or "." would compare wrongly, and a day that does not exist would
// be matched as if it did.
#pragma once

#include <string>

// Normal := the date as "yyyy-mm-dd" and true when Text, trimmed, is a
// calendar date written year-month-day with "-", "." or "/" between (the
// tab's 10-character form); "" and true for a blank text; false for anything
// else, 2020-02-30 included.
bool Normal_HMZ_Date(const std::string& Text, std::string& Normal);
