// The text that printNumber writes: a blank or a minus sign, the digits, one trailing blank.
#pragma once

#include <cstdint>
#include <string>

namespace auralith {

// Integers in full: 1 gives " 1 ", -3 gives "-3 ".
std::string numberText(std::int64_t value);

// Rounded to 15 significant digits, never with an exponent, without trailing zeros in the
// fraction, without a decimal point when whole and without a zero before the point below 1:
// 0.5 gives " .5 ", 1.5 gives " 1.5 ", 44100.0 gives " 44100 ", 0.0 and -0.0 give " 0 ".
std::string numberText(double value);

}  // namespace auralith
