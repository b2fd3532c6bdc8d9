// Numbers as the reports print them: fixed decimals, the same digits on every platform and in
// every locale (correctly rounded from the binary value), "inf" and "-inf" for infinities, and
// never a negative zero.
#pragma once

#include <string>

namespace auralith {

std::string fixedText(double value, int decimals);

// With a "+" before a positive value, as in "+3.5" (zero shows no sign).
std::string signedText(double value, int decimals);

}  // namespace auralith
