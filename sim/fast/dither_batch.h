// Conversions in batches. Every sample of the pairs (and every frame of the tree) takes four
// draws in turn: left first, left second, right first, right second. For a batch of such steps
// the four states of each are worked out straight from the batch's starting state (the generator
// is linear congruential), so that no step waits for the one before, and the conversions are
// done side by side in double precision. The rare value near a tie is then done again exactly.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "sim/fast/fast_dither.h"
#include "sim/model/random.h"

namespace auralith {

inline constexpr int batchSteps = 64;

// mul[d][k] * s + add[d][k] is the state of draw d (0..3) of step k, 4k + d + 1 steps after s.
struct BatchJumps {
    std::uint32_t mul[4][batchSteps];
    std::uint32_t add[4][batchSteps];
};

constexpr BatchJumps makeBatchJumps() {
    BatchJumps jumps{};
    std::uint32_t mul = 1;
    std::uint32_t add = 0;
    for (int k = 0; k < batchSteps; ++k) {
        for (int d = 0; d < 4; ++d) {
            mul = mul * 134775813u;
            add = add * 134775813u + 1u;
            jumps.mul[d][k] = mul;
            jumps.add[d][k] = add;
        }
    }
    return jumps;
}

inline constexpr BatchJumps batchJumps = makeBatchJumps();

// The states, each in a 64-bit slot, so that a state turns into a double by its bits alone.
struct BatchDraws {
    std::uint64_t state[4][batchSteps];
};

// The draws of `count` steps after state s; returns the state after the last of them.
[[gnu::always_inline]] inline std::uint32_t drawBatch(std::uint32_t s, int count, BatchDraws& draws) {
    for (int d = 0; d < 4; ++d)
        for (int k = 0; k < count; ++k)
            draws.state[d][k] = static_cast<std::uint32_t>(batchJumps.mul[d][k] * s + batchJumps.add[d][k]);
    return static_cast<std::uint32_t>(draws.state[3][count - 1]);
}

// w = approximate + r1 + r2 - 1 for each value, with r1 + r2 - 1 exact.
inline double ditheredValue(double approximate, std::uint64_t first, std::uint64_t second) {
    // (s1 >> 1) + (s2 >> 1) - 2^31 lies in the signed 32-bit range; times 2^-31 it is r1 + r2 - 1.
    const auto sum = static_cast<std::int32_t>(static_cast<std::uint32_t>((first >> 1) + (second >> 1)) - 0x80000000u);
    return approximate + static_cast<double>(sum) * 0x1p-31;
}

// Conversions side by side (GCC and Clang vector types, lowered to whatever the target offers;
// the operations are the same IEEE double operations as one at a time): two lanes for any x86-64
// (SSE2), four where the processor has AVX2.
using TwoDoubles = double __attribute__((vector_size(16)));
using TwoWords = std::uint64_t __attribute__((vector_size(16)));
using FourDoubles = double __attribute__((vector_size(32)));
using FourWords = std::uint64_t __attribute__((vector_size(32)));

// Rounds each value's dithered w to the nearest integer into `rounded`; returns whether any of
// them lies so near a half-integer that it must be done exactly (see fast_dither.h).
template <typename Doubles, typename Words>
[[gnu::always_inline]] inline bool roundLanes(const double* approximate, const std::uint64_t* first,
                                              const std::uint64_t* second, int count, double* rounded) {
    constexpr int lanes = sizeof(Doubles) / sizeof(double);
    constexpr double shifter = 0x1.8p52;
    constexpr double limit = 0.5 - 0x1p-30;
    // 2^52 + u has the bits 0x4330000000000000 | u for any u below 2^52.
    constexpr std::uint64_t twoTo52Bits = 0x4330000000000000u;
    // The largest distance of a dithered value from its integer.
    Doubles farthest = {};
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        Words s1;
        Words s2;
        Doubles a;
        std::memcpy(&s1, first + k, sizeof s1);
        std::memcpy(&s2, second + k, sizeof s2);
        std::memcpy(&a, approximate + k, sizeof a);
        const Words bits = ((s1 >> 1) + (s2 >> 1)) | twoTo52Bits;
        Doubles sum;
        std::memcpy(&sum, &bits, sizeof sum);
        // (sum - 2^52) * 2^-31 - 1 is r1 + r2 - 1, exactly.
        const Doubles w = a + ((sum - 0x1p52) * 0x1p-31 - 1.0);
        const Doubles r = (w + shifter) - shifter;
        const Doubles off = w - r;
        Words distance;
        std::memcpy(&distance, &off, sizeof distance);
        distance &= 0x7FFFFFFFFFFFFFFFu;  // |w - r|
        Doubles away;
        std::memcpy(&away, &distance, sizeof away);
        farthest = away > farthest ? away : farthest;
        std::memcpy(rounded + k, &r, sizeof r);
    }
    bool anyNearTie = false;
    for (int lane = 0; lane < lanes; ++lane) anyNearTie = anyNearTie || farthest[lane] > limit;
    for (; k < count; ++k) {
        const double w = ditheredValue(approximate[k], first[k], second[k]);
        const double r = nearestInteger(w);
        anyNearTie = anyNearTie || std::fabs(w - r) > limit;
        rounded[k] = r;
    }
    return anyNearTie;
}

inline bool roundBatch(const double* approximate, const std::uint64_t* first, const std::uint64_t* second, int count,
                       double* rounded) {
    return roundLanes<TwoDoubles, TwoWords>(approximate, first, second, count, rounded);
}

// Whether this one value must be converted exactly.
inline bool needsExactConversion(double approximate, std::uint64_t first, std::uint64_t second) {
    const double w = ditheredValue(approximate, first, second);
    return std::fabs(w - nearestInteger(w)) > 0.5 - 0x1p-30;
}

// Whether a value rounded by the double-precision path lies beyond the 16-bit range.
inline bool clipsAtFullScale(double rounded) { return rounded > 32767.0 || rounded < -32768.0; }

// No value below this in size clips, whatever its dither (which stays within -1 .. 1): a bound
// on a batch's values that stays below it spares counting them (half a step of margin for the
// double-precision bound itself).
inline constexpr double largestUnclippedValue = 32766.0;

// Converts again, exactly, every value of a batch of two channels that lies near a tie.
// exactValue(channel, k) gives that value as the model's extended-precision steps compute it;
// store(channel, k, sample) puts the sample in place. Returns what this changes in the batch's
// count of clipped values: a value near the half-integer past full scale may fall either side.
template <typename ExactValue, typename Store>
int convertNearTiesExactly(const BatchDraws& draws, const double (&approximate)[2][batchSteps], int count,
                           ExactValue exactValue, Store store) {
    int clippedChange = 0;
    for (int k = 0; k < count; ++k) {
        for (int channel = 0; channel < 2; ++channel) {
            const auto firstDraw = static_cast<std::uint32_t>(draws.state[2 * channel][k]);
            const auto secondDraw = static_cast<std::uint32_t>(draws.state[2 * channel + 1][k]);
            if (!needsExactConversion(approximate[channel][k], firstDraw, secondDraw)) continue;
            const long exact = ditheredInteger(exactValue(channel, k), drawOf(firstDraw), drawOf(secondDraw));
            const double rounded = nearestInteger(ditheredValue(approximate[channel][k], firstDraw, secondDraw));
            clippedChange += static_cast<int>(clipsAtFullScale(exact)) - static_cast<int>(clipsAtFullScale(rounded));
            store(channel, k, static_cast<std::int16_t>(std::clamp(exact, -32768L, 32767L)));
        }
    }
    return clippedChange;
}

}  // namespace auralith
