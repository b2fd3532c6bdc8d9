#include "sim/fast/pair_render.h"

#include <algorithm>
#include <cstdlib>

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

// Conversion steps [step, last) of the sweep (one step: one input sample at one position, left and
// right), starting from generator state s.
template <typename Doubles, typename Words>
[[gnu::always_inline]] inline void renderSteps(const SweepInput& in, std::span<std::int16_t> out, const SweepPlan& plan,
                                               std::uint64_t step, std::uint64_t last, std::uint32_t s) {
    const auto n = static_cast<std::uint64_t>(in.n);
    BatchDraws draws;
    double approximate[2][batchSteps];
    double rounded[2][batchSteps];
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
        for (std::int32_t batch = first; batch < end; batch += batchSteps) {
            const int count = static_cast<int>(std::min<std::int32_t>(end - batch, batchSteps));
            const std::int16_t* x = in.x.data() + batch;
            s = drawBatch(s, count, draws);
            for (int k = 0; k < count; ++k) {
                approximate[0][k] = x[k] * leftScale;
                approximate[1][k] = x[k] * rightScale;
            }
            const bool nearLeft =
                roundLanes<Doubles, Words>(approximate[0], draws.state[0], draws.state[1], count, rounded[0]);
            const bool nearRight =
                roundLanes<Doubles, Words>(approximate[1], draws.state[2], draws.state[3], count, rounded[1]);
            std::int16_t* leftAt = left + 2 * batch;
            std::int16_t* rightAt = right + 2 * batch;
            for (int k = 0; k < count; ++k) {
                leftAt[2 * k] = saturatedSample(rounded[0][k]);
                rightAt[2 * k] = saturatedSample(rounded[1][k]);
            }
            if (!nearLeft && !nearRight) continue;
            // A value near a tie again, exactly as the model computes it.
            convertNearTiesExactly(
                draws, approximate, count,
                [&](int channel, int k) {
                    return channelValue(x[k], channel == 0 ? place.leftFactor : place.rightFactor, in.gain);
                },
                [&](int channel, int k, std::int16_t sample) { (channel == 0 ? leftAt : rightAt)[2 * k] = sample; });
        }
        step += static_cast<std::uint64_t>(end - first);
    }
}

void renderStepsTwoWide(const SweepInput& in, std::span<std::int16_t> out, const SweepPlan& plan, std::uint64_t step,
                        std::uint64_t last, std::uint32_t s) {
    renderSteps<TwoDoubles, TwoWords>(in, out, plan, step, last, s);
}

#if AURALITH_WIDE_VECTORS
AURALITH_WIDE_TARGET void renderStepsFourWide(const SweepInput& in, std::span<std::int16_t> out, const SweepPlan& plan,
                                              std::uint64_t step, std::uint64_t last, std::uint32_t s) {
    renderSteps<FourDoubles, FourWords>(in, out, plan, step, last, s);
}
#endif

}  // namespace

bool renderPairs(const SweepInput& in, const RenderOptions& options, const SweepPlan& plan, std::span<std::int16_t> out,
                 RandomState& random) {
    if (!delaysFitTheBlocks(plan, in.rate)) return false;
    const std::uint64_t total = sweepPositions * static_cast<std::uint64_t>(in.n);  // steps, in draw order
    const int parts = partsFor(total, options.threads);
    [[maybe_unused]] const bool wide = useWideVectors(options);
    runParts(parts, [&](int part) {
        const std::uint64_t first = partStart(total, parts, part);
        const std::uint64_t last = partStart(total, parts, part + 1);
        const std::uint32_t s = randomStateAfter(random, 4 * first).s;
#if AURALITH_WIDE_VECTORS
        if (wide) return renderStepsFourWide(in, out, plan, first, last, s);
#endif
        renderStepsTwoWide(in, out, plan, first, last, s);
    });
    random = randomStateAfter(random, 4 * total);
    return true;
}

}  // namespace auralith
