// The dither's pseudo-random generator and the conversion of a model value into a sample.
#pragma once

#include <cstdint>

namespace auralith {

// The generator's whole state. The program starts it once and never reseeds it; a test can
// start a fresh one.
struct RandomState {
    std::uint32_t s = 4294967295u;
};

// The next value in [0, 1): s <- s * 134775813 + 1 (mod 2^32), then floor(s / 2) * 2^-31.
double unitRandom(RandomState& state);

// One least significant bit of triangular dither, then the nearest integer (ties to even),
// saturated to the 16-bit range (only the three-omni tree can reach past it).
std::int16_t ditherToSample(long double value, RandomState& state);

}  // namespace auralith
