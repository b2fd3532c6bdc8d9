// The dithered conversion done in double precision, with the exact extended-precision path kept
// for the rare values where the two could differ.
//
// The result of the conversion changes only where w = v + r1 + r2 - 1 crosses a half-integer.
// A double approximation of v good to 2^-35 (every model value here is below 2^16, where a
// double's rounding error is 2^-37) and an exact dither term give w to within 2^-34; when that
// w lies farther than 2^-30 from a half-integer, its nearest integer is the one the
// extended-precision steps give. Otherwise the exact steps are taken. Either way the sample is
// the one the extended-precision conversion makes.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace auralith {

// The rounding trick below needs doubles evaluated as doubles (SSE2 on x86).
static_assert(FLT_EVAL_METHOD == 0, "build with double arithmetic in double registers (-mfpmath=sse)");

// Adding and removing 1.5 * 2^52 leaves the nearest integer, ties to even, for |w| < 2^51.
inline double nearestInteger(double w) {
    constexpr double shifter = 0x1.8p52;
    return (w + shifter) - shifter;
}

inline std::int16_t saturatedSample(double k) {
    if (k > 32767.0) return 32767;
    if (k < -32768.0) return -32768;
    return static_cast<std::int16_t>(k);
}

}  // namespace auralith
