#include "sim/model/random.h"

#include <cmath>

namespace auralith {

double unitRandom(RandomState& state) {
    state.s = nextState(state.s);
    return drawOf(state.s);
}

RandomState randomStateAfter(RandomState state, std::uint64_t draws) {
    // s -> a*s + c, composed with itself by repeated squaring.
    std::uint32_t multiplier = 134775813u;
    std::uint32_t increment = 1u;
    for (; draws != 0; draws >>= 1) {
        if (draws & 1) state.s = state.s * multiplier + increment;
        increment = increment * multiplier + increment;
        multiplier = multiplier * multiplier;
    }
    return state;
}

std::int16_t ditherWithDraws(long double value, double first, double second) {
    const long k = ditheredInteger(value, first, second);
    if (k > 32767) return 32767;
    if (k < -32768) return -32768;
    return static_cast<std::int16_t>(k);
}

std::int16_t ditherToSample(long double value, RandomState& state) {
    const double first = unitRandom(state);
    const double second = unitRandom(state);
    return ditherWithDraws(value, first, second);
}

}  // namespace auralith
