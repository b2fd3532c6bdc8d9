#include "sim/fast/pair_render.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "sim/fast/batch_convert.h"
#include "sim/fast/dither_batch.h"
#include "sim/fast/parallel.h"
#include "sim/fast/vector_width.h"

namespace auralith {

bool delaysFitTheBlocks(const SweepPlan& plan, std::int32_t rate) {
    for (const PairPlacement& place : plan)
        if (std::abs(place.leftDelay) >= rate / 2 || std::abs(place.rightDelay) >= rate / 2) return false;
    return true;
}

namespace {

// The double-precision path holds for model values below 2^16 (fast_dither.h): a factor below 2,
// since |x * gain| is at most 32768. The built-in pairs' factors are at most 1, a described
// pair's, whose microphones stand at least 9 m from the source, at most 10 / 9.
bool factorsKeepTheBound(const SweepPlan& plan) {
    for (const PairPlacement& place : plan)
        if (std::fabs(place.leftFactor) >= 2 || std::fabs(place.rightFactor) >= 2) return false;
    return true;
}

// Converts again, exactly as the model computes them, the values of a batch that lie near a tie;
// returns what that changes in the batch's count of clipped values.
int convertPairNearTies(const PairBatch& b, const PairPlacement& place, double gain) {
    BatchDraws draws;
    double approximate[2][batchSteps];
    drawBatch(b.s, b.count, draws);
    pairValues(b, approximate);
    return convertNearTiesExactly(
        draws, approximate, b.count,
        [&](int channel, int k) {
            return channelValue(b.x[k], channel == 0 ? place.leftFactor : place.rightFactor, gain);
        },
        [&](int channel, int k, std::int16_t sample) { (channel == 0 ? b.left : b.right)[2 * k] = sample; });
}

// Conversion steps [step, last) of the sweep (one step: one input sample at one position, left and
// right), starting from generator state s, a batch at a time; returns the samples clipped.
std::int64_t renderSteps(const SweepInput& in, std::span<std::int16_t> out, const SweepPlan& plan, std::uint64_t step,
                         std::uint64_t last, std::uint32_t s, PairConverter convert) {
    std::int64_t clipped = 0;
    const auto n = static_cast<std::uint64_t>(in.n);
    while (step < last) {
        const auto p = static_cast<std::size_t>(step / n);
        const auto first = static_cast<std::int32_t>(step % n);
        const auto end = static_cast<std::int32_t>(std::min<std::uint64_t>(n, first + (last - step)));
        const PairPlacement& place = plan[p];
        const std::int64_t start = static_cast<std::int64_t>(p) * in.blockFrames + in.rate;
        std::int16_t* left = out.data() + 2 * (start + place.leftDelay);
        std::int16_t* right = out.data() + 2 * (start + place.rightDelay) + 1;
        const auto leftScale = static_cast<double>(place.leftFactor * in.gain);
        const auto rightScale = static_cast<double>(place.rightFactor * in.gain);
        const bool mayClip = in.peak * std::max(std::fabs(leftScale), std::fabs(rightScale)) > largestUnclippedValue;
        for (std::int32_t k = first; k < end; k += batchSteps) {
            const int count = static_cast<int>(std::min<std::int32_t>(end - k, batchSteps));
            const PairBatch batch{in.x.data() + k, count, leftScale, rightScale, s, left + 2 * k, right + 2 * k};
            if (mayClip) clipped += clippedInBatch(batch);
            if (convert(batch)) clipped += convertPairNearTies(batch, place, in.gain);
            s = stateAfterBatch(s, count);
        }
        step += static_cast<std::uint64_t>(end - first);
    }
    return clipped;
}

}  // namespace

RenderOutcome renderPairs(const SweepInput& in, const RenderOptions& options, const SweepPlan& plan,
                          std::span<std::int16_t> out, RandomState& random) {
    if (plan.size() != static_cast<std::size_t>(in.positions) || !delaysFitTheBlocks(plan, in.rate) ||
        !factorsKeepTheBound(plan))
        return {};
    const std::uint64_t total = plan.size() * static_cast<std::uint64_t>(in.n);  // steps, in draw order
    const int parts = partsFor(total, options.threads);
    const PairConverter convert = pairConverterFor(vectorWidthFor(options));
    std::vector<std::int64_t> clipped(static_cast<std::size_t>(parts));
    runParts(parts, [&](int part) {
        const std::uint64_t first = partStart(total, parts, part);
        const std::uint64_t last = partStart(total, parts, part + 1);
        clipped[static_cast<std::size_t>(part)] =
            renderSteps(in, out, plan, first, last, randomStateAfter(random, 4 * first).s, convert);
    });
    random = randomStateAfter(random, 4 * total);
    return {true, std::accumulate(clipped.begin(), clipped.end(), std::int64_t{0}), {}};
}

}  // namespace auralith
