// The one decimal formatter behind every number mask of the program.
//
// Always the C locale. A single-precision value is rounded from its
// 7-significant-digit decimal form, a double from its 15-digit form, halves
// away from zero; printf's rounding of binary halves is never relied on, so
// 0.25f gives "0.3", 12.45f gives "12.5" and 0.125f gives "0.13".
#pragma once

#include <concepts>
#include <string>
#include <string_view>

namespace decimal {

// A number to format, remembering whether it is single precision.
class Value {
public:
    Value(float v) : value_(v), single_(true) {}
    Value(double v) : value_(v), single_(false) {}
    template <std::integral I>
    Value(I v) : value_(static_cast<double>(v)), single_(false) {}

    double value() const { return value_; }
    bool single() const { return single_; }

private:
    double value_;
    bool single_;
};

// The value with exactly `decimals` decimals (0..30; 0 gives no point),
// a leading "-" when negative and not zero after rounding.
std::string Fixed(const Value& v, int decimals);

// The value formatted by a mask of digit places: an integer part of "#" and
// "0", optionally "." and a fraction of "0" then "#". Each "0" is a digit that
// is always shown, each "#" one shown only when needed; a mask whose point has
// no fraction places keeps the point ("###0." gives "3."). No thousands
// separators. Examples: "##0.0", "###0.000000", "0.00", "00000.00",
// "##########0".
std::string Format(const Value& v, std::string_view mask);

// Reads a number written in the C locale (leading and trailing spaces allowed);
// false when the text is not a number.
bool ParseDouble(std::string_view text, double& out);

}  // namespace decimal
