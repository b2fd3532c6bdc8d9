#include "sim/random.h"

#include <cmath>

namespace auralith {

double unitRandom(RandomState& state) {
    state.s = state.s * 134775813u + 1u;  // wraps mod 2^32
    // floor(s / 2) * 2^-31: 31 bits of resolution, exact in a double.
    return static_cast<double>(state.s >> 1) * 0x1p-31;
}

std::int16_t ditherToSample(long double value, RandomState& state) {
    // The two draws are taken in this order; the sum less 1 is triangular on [-1, 1).
    long double w = value + unitRandom(state);
    w = w + unitRandom(state);
    w = w - 1;
    // Nearest integer, ties to even (the default rounding mode).
    const long k = std::lrint(w);
    if (k > 32767) return 32767;
    if (k < -32768) return -32768;
    return static_cast<std::int16_t>(k);
}

}  // namespace auralith
