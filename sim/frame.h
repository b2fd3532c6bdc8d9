// The simulation frame: the guard gain, the output buffer and the choice of renderer.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "sim/random.h"
#include "sim/sample_storage.h"

namespace auralith {

struct InputWave;

// The whole output: 2F samples interleaved by frame, left first.
struct StereoBuffer {
    std::int32_t frames = 0;
    SampleStorage samples;  // 2 * frames, zero at creation
};

enum class MicArray {
    blumleinPair = 1,
    cardioidPair = 2,
    faulknerPair = 3,
    ortfPair = 4,
    spacedOmniPair = 5,
    threeOmniTree = 6,
};

// The array chosen by a menu answer: only the bare texts "1" to "6".
std::optional<MicArray> micArrayFromAnswer(std::string_view answer);

// What every renderer receives.
struct SweepInput {
    const std::int16_t* x = nullptr;  // the samples, x[0] .. x[n-1]
    std::int32_t n = 0;
    std::int32_t rate = 0;
    double gain = 1.0;
    double deg = 0.0;                 // pi / 180 with pi taken as 3.14159265359
    std::int32_t blockFrames = 0;     // B = rate + n
    std::int32_t frames = 0;          // F = 13 * B + rate
    int threads = 0;                  // parts the render is split into; 0: one per core
    int vectorWidth = 0;              // conversions side by side: 2, or 0 for the widest the processor has
};

inline constexpr int sweepPositions = 13;

// pi / 180 with pi as the double 3.14159265359, worked out in extended precision.
double degreesToRadiansFactor();

// The output frame count for n samples: 13 * (rate + n) + rate.
std::int64_t outputFrameCount(std::int32_t rate, std::int32_t n);

// What the renderers receive for this recording, rate and gain.
SweepInput sweepInputFor(const InputWave& wave, std::int32_t rate, double gain);

// The level guard: 1, unless the recording reaches 32767 or -32768.
double measureGuardGain(const InputWave& wave);

// Creates the buffer and runs the chosen array's renderer. Empty when the memory for the buffer
// or the renderer's tracks cannot be had.
std::optional<StereoBuffer> renderStereo(MicArray choice, const InputWave& wave, std::int32_t rate,
                                         double gain, RandomState& random);

// Renders into `out`, which must already hold this recording's output frames, all zero (a buffer
// lent by the output file, say). False when its size is wrong or the renderer cannot run.
bool renderStereoInto(MicArray choice, const InputWave& wave, std::int32_t rate, double gain,
                      RandomState& random, StereoBuffer& out);

// Runs the chosen array's renderer on a buffer already sized and zero.
bool renderArray(MicArray choice, const SweepInput& in, StereoBuffer& out, RandomState& random);

// The six renderers. Each fills `out` (already sized and zero) and returns false only when its
// own tracks cannot be allocated.
bool renderBlumleinPair(const SweepInput& in, StereoBuffer& out, RandomState& random);
bool renderCardioidPair(const SweepInput& in, StereoBuffer& out, RandomState& random);
bool renderFaulknerPair(const SweepInput& in, StereoBuffer& out, RandomState& random);
bool renderOrtfPair(const SweepInput& in, StereoBuffer& out, RandomState& random);
bool renderSpacedOmniPair(const SweepInput& in, StereoBuffer& out, RandomState& random);
bool renderThreeOmniTree(const SweepInput& in, StereoBuffer& out, RandomState& random);

}  // namespace auralith
