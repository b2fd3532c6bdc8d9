// The dither's pseudo-random generator and the conversion of a model value into a sample.
#pragma once

#include <cmath>
#include <cstdint>

namespace auralith {

// The generator's whole state. The program starts it once and never reseeds it; a test can
// start a fresh one.
struct RandomState {
    std::uint32_t s = 4294967295u;
};

// One step of the generator: s <- s * 134775813 + 1 (mod 2^32).
constexpr std::uint32_t nextState(std::uint32_t s) { return s * 134775813u + 1u; }

// The draw a state gives: floor(s / 2) * 2^-31, exact, in [0, 1).
constexpr double drawOf(std::uint32_t s) { return static_cast<double>(s >> 1) * 0x1p-31; }

// The next value in [0, 1).
double unitRandom(RandomState& state);

// The state `draws` steps later, worked out directly (the generator is linear congruential), so
// that separate parts of a render can start with exactly the draws the serial order gives them.
RandomState randomStateAfter(RandomState state, std::uint64_t draws);

// One least significant bit of triangular dither with the two given draws, then the nearest
// integer (ties to even), before any saturation. Inline, so that a render's loop built without
// errno for its mathematics (the stage's) rounds with one instruction instead of two calls.
inline long ditheredInteger(long double value, double first, double second) {
    // The sum of the two draws less 1 is triangular on [-1, 1); every step in extended precision.
    long double w = value + first;
    w = w + second;
    w = w - 1;
    return std::lrint(w);  // nearest, ties to even (the default rounding mode)
}

// Whether a dithered integer lies beyond the 16-bit range, and so is clipped to full scale.
constexpr bool clipsAtFullScale(long k) { return k > 32767 || k < -32768; }

// The dithered integer saturated to the 16-bit range (the tree's mix and described arrays nearer
// than 10 m can reach past it).
std::int16_t ditherWithDraws(long double value, double first, double second);

// The same with the generator's next two draws.
std::int16_t ditherToSample(long double value, RandomState& state);

}  // namespace auralith
