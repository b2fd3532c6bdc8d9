// Numbers as the reports print them: fixed decimals, the same digits on every platform and in
// every locale (correctly rounded from the binary value), "inf" and "-inf" for infinities, and
// never a negative zero.
#pragma once

#include <cstdint>
#include <string>

namespace auralith {

std::string fixedText(double value, int decimals);

// With a "+" before a positive value, as in "+3.5" (zero shows no sign).
std::string signedText(double value, int decimals);

// A whole number with its digits in groups of three, "48 000", as the recordings' descriptions
// give a rate (the reader below the reports groups its numbers alike).
std::string groupedText(std::int64_t value);

}  // namespace auralith
