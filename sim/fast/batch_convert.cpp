#include "sim/fast/batch_convert.h"

#include "sim/fast/dither_batch.h"
#include "sim/fast/vector_width.h"
#include "sim/model/arrays.h"

namespace auralith {

namespace {

// Writes the rounded values of one channel, saturated, into every other sample from `at`;
// returns how many were clipped.
[[gnu::always_inline]] inline int storeChannel(const double* rounded, int count, std::int16_t* at) {
    int clipped = 0;
    for (int k = 0; k < count; ++k) {
        clipped += clipsAtFullScale(rounded[k]);
        at[2 * k] = saturatedSample(rounded[k]);
    }
    return clipped;
}

template <typename Doubles, typename Words>
[[gnu::always_inline]] inline BatchOutcome convertPair(const PairBatch& b) {
    BatchDraws draws;
    double approximate[2][batchSteps];
    double rounded[2][batchSteps];
    drawBatch(b.s, b.count, draws);
    pairValues(b, approximate);
    const bool nearLeft =
        roundLanes<Doubles, Words>(approximate[0], draws.state[0], draws.state[1], b.count, rounded[0]);
    const bool nearRight =
        roundLanes<Doubles, Words>(approximate[1], draws.state[2], draws.state[3], b.count, rounded[1]);
    const int clipped = storeChannel(rounded[0], b.count, b.left) + storeChannel(rounded[1], b.count, b.right);
    return {nearLeft || nearRight, clipped};
}

template <typename Doubles, typename Words>
[[gnu::always_inline]] inline BatchOutcome convertMix(const MixBatch& b) {
    BatchDraws draws;
    double mixed[2][batchSteps];
    double rounded[2][batchSteps];
    mixValues(b, mixed);
    drawBatch(b.s, b.count, draws);
    const bool nearLeft = roundLanes<Doubles, Words>(mixed[0], draws.state[0], draws.state[1], b.count, rounded[0]);
    const bool nearRight = roundLanes<Doubles, Words>(mixed[1], draws.state[2], draws.state[3], b.count, rounded[1]);
    const int clipped = storeChannel(rounded[0], b.count, b.at) + storeChannel(rounded[1], b.count, b.at + 1);
    return {nearLeft || nearRight, clipped};
}

BatchOutcome convertPairTwoWide(const PairBatch& batch) { return convertPair<TwoDoubles, TwoWords>(batch); }
BatchOutcome convertMixTwoWide(const MixBatch& batch) { return convertMix<TwoDoubles, TwoWords>(batch); }

#if AURALITH_WIDE_VECTORS
AURALITH_FOUR_WIDE_TARGET BatchOutcome convertPairFourWide(const PairBatch& batch) {
    return convertPair<FourDoubles, FourWords>(batch);
}
AURALITH_FOUR_WIDE_TARGET BatchOutcome convertMixFourWide(const MixBatch& batch) {
    return convertMix<FourDoubles, FourWords>(batch);
}
#endif

}  // namespace

PairConverter pairConverterFor(int width) {
#if AURALITH_WIDE_VECTORS
    if (width == 8) return convertPairEightWide;
    if (width == 4) return convertPairFourWide;
#endif
    static_cast<void>(width);
    return convertPairTwoWide;
}

MixConverter mixConverterFor(int width) {
#if AURALITH_WIDE_VECTORS
    if (width == 8) return convertMixEightWide;
    if (width == 4) return convertMixFourWide;
#endif
    static_cast<void>(width);
    return convertMixTwoWide;
}

std::uint32_t stateAfterBatch(std::uint32_t s, int count) {
    return batchJumps.mul[3][count - 1] * s + batchJumps.add[3][count - 1];
}

}  // namespace auralith
