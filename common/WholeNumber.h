// Whole numbers typed into a box.
#pragma once

#include <cmath>
#include <limits>
#include <string>

#include "common/DecimalFormat.h"

// A numeric text converts to a whole number (halves to even) within the
// range of I; false, out untouched, otherwise.
template <class I>
bool Whole_Number(const std::string& text, I& out) {
    double v = 0;
    if (!decimal::ParseDouble(text, v)) return false;
    const double r = std::nearbyint(v);
    if (!(r >= static_cast<double>(std::numeric_limits<I>::min()) &&
          r <= static_cast<double>(std::numeric_limits<I>::max())))
        return false;
    out = static_cast<I>(r);
    return true;
}
