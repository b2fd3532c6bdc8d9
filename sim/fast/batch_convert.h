// The conversions of one batch of at most batchSteps steps, in two, four or eight lanes: the one
// part of the renderers that depends on the processor. A converter writes every sample of its
// batch as the double-precision path gives it and returns whether any value lies so near a
// half-integer that the caller must convert it again exactly (dither_batch.h). All converters
// give the same samples; each wider one is compiled for its own instruction set and called only
// where vector_width.h finds it.
#pragma once

#include <cstdint>

#include "sim/fast/dither_batch.h"
#include "sim/model/arrays.h"

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

// A pair's batch values before the dither, in double precision: what the narrower converters
// round, and what the exact path checks again for a value near a tie.
[[gnu::always_inline]] inline void pairValues(const PairBatch& b, double (&values)[2][batchSteps]) {
    for (int k = 0; k < b.count; ++k) {
        values[0][k] = b.x[k] * b.leftScale;
        values[1][k] = b.x[k] * b.rightScale;
    }
}

// The tree's mix of a batch before the dither, likewise.
[[gnu::always_inline]] inline void mixValues(const MixBatch& b, double (&values)[2][batchSteps]) {
    const double mix = static_cast<double>(treeMixScale);
    for (int k = 0; k < b.count; ++k) {
        const double halfCentre = (b.x[2][k] * b.scale[2]) * 0.5;
        values[0][k] = (halfCentre + b.x[0][k] * b.scale[0]) * mix;
        values[1][k] = (halfCentre + b.x[1][k] * b.scale[1]) * mix;
    }
}

using PairConverter = bool (*)(const PairBatch& batch);
using MixConverter = bool (*)(const MixBatch& batch);

// The converters for 2, 4 or 8 lanes (a width the processor lacks must not be asked for).
PairConverter pairConverterFor(int width);
MixConverter mixConverterFor(int width);

bool convertPairEightWide(const PairBatch& batch);
bool convertMixEightWide(const MixBatch& batch);

// How many values of a batch the converters clip at full scale, as the double-precision path
// rounds them (the exact conversion near a tie corrects it: convertNearTiesExactly). Clipping is
// rare, so the converters leave it to their callers to ask where a bound says it can happen.
int clippedInBatch(const PairBatch& batch);
int clippedInBatch(const MixBatch& batch);

// The generator's state after the `count` steps of a batch that starts at s.
std::uint32_t stateAfterBatch(std::uint32_t s, int count);

}  // namespace auralith
