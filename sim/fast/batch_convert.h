// The conversions of one batch of at most batchSteps steps, in two, four or eight lanes: the one
// part of the renderers that depends on the processor. A converter writes every sample of its
// batch as the double-precision path gives it and returns whether any value lies so near a
// half-integer that the caller must convert it again exactly (dither_batch.h). All converters
// give the same samples; each wider one is compiled for its own instruction set and called only
// where vector_width.h finds it.
#pragma once

#include <cstdint>

namespace auralith {

// One batch of a pair: step k converts x[k] * leftScale with draws 4k + 1 and 4k + 2 after s into
// left[2k], then x[k] * rightScale with draws 4k + 3 and 4k + 4 into right[2k].
struct PairBatch {
    const std::int16_t* x;
    int count;
    double leftScale;
    double rightScale;
    std::uint32_t s;
    std::int16_t* left;
    std::int16_t* right;
};

// One batch of the tree's frames: microphone m (left, right, centre) hears x[m][k] * scale[m];
// frame k's left channel is 0.7612 * (left + centre / 2), its right one 0.7612 * (right +
// centre / 2), converted with draws 4k + 1 .. 4k + 4 after s into at[2k] and at[2k + 1].
struct MixBatch {
    const std::int16_t* x[3];
    double scale[3];
    int count;
    std::uint32_t s;
    std::int16_t* at;
};

using PairConverter = bool (*)(const PairBatch& batch);
using MixConverter = bool (*)(const MixBatch& batch);

// The converters for 2, 4 or 8 lanes (a width the processor lacks must not be asked for).
PairConverter pairConverterFor(int width);
MixConverter mixConverterFor(int width);

bool convertPairEightWide(const PairBatch& batch);
bool convertMixEightWide(const MixBatch& batch);

// The generator's state after the `count` steps of a batch that starts at s.
std::uint32_t stateAfterBatch(std::uint32_t s, int count);

}  // namespace auralith
