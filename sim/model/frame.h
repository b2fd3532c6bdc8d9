// What every array shares: the sweep's positions (thirteen unless set otherwise), the layout of
// the output in time, the level guard, and what a renderer receives for one recording.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace auralith {

inline constexpr int sweepPositions = 13;

// pi / 180 with pi as the double 3.14159265359, worked out in extended precision.
double degreesToRadiansFactor();

// The output frame count for n samples: positions * (rate + n) + rate.
std::int64_t outputFrameCount(std::int32_t rate, std::int32_t n, int positions = sweepPositions);

// The level guard: 1, unless the recording reaches 32767 or -32768.
double measureGuardGain(std::span<const std::int16_t> samples);

// What a render came to: whether it ran (a renderer refuses delays and factors beyond its bounds,
// and memory it cannot have), and how many samples it clipped at full scale, a dithered value
// beyond -32768 .. 32767 (the tree's mix and described arrays nearer than 10 m can reach past it).
struct RenderOutcome {
    bool done = false;
    std::int64_t clipped = 0;
    std::string_view why;  // when refused for what the plan asks, what that is
    explicit operator bool() const { return done; }
};

// One recording as the renderers see it, with the values derived from it once.
struct SweepInput {
    std::span<const std::int16_t> x;  // the samples x[0] .. x[n-1]
    std::int32_t n = 0;
    std::int32_t peak = 0;  // the largest |x[i]|: where a factor cannot take it past full scale, nothing clips
    std::int32_t rate = 0;
    double gain = 1.0;
    double deg = 0.0;                // pi / 180 with pi taken as 3.14159265359
    std::int32_t blockFrames = 0;    // B = rate + n: one position's second of silence and its sound
    int positions = sweepPositions;  // P: the sweep's blocks
    std::int32_t frames = 0;         // F = P * B + rate
};

// The renderers' input for these samples at this rate and gain. The recording must be short
// enough that 2F fits in 32 bits (the input reader refuses longer ones).
SweepInput sweepInputFor(std::span<const std::int16_t> samples, std::int32_t rate, double gain,
                         int positions = sweepPositions);

}  // namespace auralith
