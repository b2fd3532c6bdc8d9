#include "sim/fast/batch_convert.h"

#include "sim/fast/dither_batch.h"
#include "sim/fast/vector_width.h"
#include "sim/model/arrays.h"

namespace auralith {

namespace {

// Writes the rounded values of one channel, saturated, into every other sample from `at`.
[[gnu::always_inline]] inline void storeChannel(const double* rounded, int count, std::int16_t* at) {
    for (int k = 0; k < count; ++k) at[2 * k] = saturatedSample(rounded[k]);
}

template <typename Doubles, typename Words>
[[gnu::always_inline]] inline bool convertPair(const PairBatch& b) {
    BatchDraws draws;
    double approximate[2][batchSteps];
    double rounded[2][batchSteps];
    drawBatch(b.s, b.count, draws);
    pairValues(b, approximate);
    const bool nearLeft =
        roundLanes<Doubles, Words>(approximate[0], draws.state[0], draws.state[1], b.count, rounded[0]);
    const bool nearRight =
        roundLanes<Doubles, Words>(approximate[1], draws.state[2], draws.state[3], b.count, rounded[1]);
    storeChannel(rounded[0], b.count, b.left);
    storeChannel(rounded[1], b.count, b.right);
    return nearLeft || nearRight;
}

template <typename Doubles, typename Words>
[[gnu::always_inline]] inline bool convertMix(const MixBatch& b) {
    BatchDraws draws;
    double mixed[2][batchSteps];
    double rounded[2][batchSteps];
    mixValues(b, mixed);
    drawBatch(b.s, b.count, draws);
    const bool nearLeft = roundLanes<Doubles, Words>(mixed[0], draws.state[0], draws.state[1], b.count, rounded[0]);
    const bool nearRight = roundLanes<Doubles, Words>(mixed[1], draws.state[2], draws.state[3], b.count, rounded[1]);
    storeChannel(rounded[0], b.count, b.at);
    storeChannel(rounded[1], b.count, b.at + 1);
    return nearLeft || nearRight;
}

bool convertPairTwoWide(const PairBatch& batch) { return convertPair<TwoDoubles, TwoWords>(batch); }
bool convertMixTwoWide(const MixBatch& batch) { return convertMix<TwoDoubles, TwoWords>(batch); }

#if AURALITH_WIDE_VECTORS
AURALITH_FOUR_WIDE_TARGET bool convertPairFourWide(const PairBatch& batch) {
    return convertPair<FourDoubles, FourWords>(batch);
}
AURALITH_FOUR_WIDE_TARGET bool convertMixFourWide(const MixBatch& batch) {
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

namespace {

// The values of a batch's two channels beyond full scale once dithered and rounded.
int clippedOf(const double (&values)[2][batchSteps], std::uint32_t s, int count) {
    BatchDraws draws;
    drawBatch(s, count, draws);
    int clipped = 0;
    for (int channel = 0; channel < 2; ++channel)
        for (int k = 0; k < count; ++k)
            clipped += clipsAtFullScale(nearestInteger(
                ditheredValue(values[channel][k], draws.state[2 * channel][k], draws.state[2 * channel + 1][k])));
    return clipped;
}

}  // namespace

int clippedInBatch(const PairBatch& batch) {
    double values[2][batchSteps];
    pairValues(batch, values);
    return clippedOf(values, batch.s, batch.count);
}

int clippedInBatch(const MixBatch& batch) {
    double values[2][batchSteps];
    mixValues(batch, values);
    return clippedOf(values, batch.s, batch.count);
}

std::uint32_t stateAfterBatch(std::uint32_t s, int count) {
    return batchJumps.mul[3][count - 1] * s + batchJumps.add[3][count - 1];
}

}  // namespace auralith
