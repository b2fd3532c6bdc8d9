// The renderer shared by the five pairs: for each position and input sample, the left
// microphone's value then the right one's, each converted with its two draws and written straight
// into the buffer at its own delayed frame. No work tracks: positions never reach each other's frames.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

#include "sim/dither_batch.h"
#include "sim/frame.h"
#include "sim/parallel.h"
#include "sim/placement.h"

namespace auralith {

using SweepPlan = std::array<PairPlacement, sweepPositions>;

// The placements of all positions, worked out once each, in order.
template <typename PlacementAt>
SweepPlan sweepPlan(PlacementAt placementAt) {
    SweepPlan plan{};
    for (int p = 0; p < sweepPositions; ++p) plan[static_cast<std::size_t>(p)] = placementAt(p);
    return plan;
}

// Every delay must keep a position's sound within half a second of its own place, so that it
// never meets another position's sound nor leaves the buffer.
inline bool delaysFitTheBlocks(const SweepPlan& plan, std::int32_t rate) {
    for (const PairPlacement& place : plan)
        if (std::abs(place.leftDelay) >= rate / 2 || std::abs(place.rightDelay) >= rate / 2) return false;
    return true;
}

inline bool renderPairs(const SweepInput& in, StereoBuffer& out, RandomState& random, const SweepPlan& plan) {
    if (!delaysFitTheBlocks(plan, in.rate)) return false;
    const auto n = static_cast<std::uint64_t>(in.n);
    const std::uint64_t total = sweepPositions * n;  // conversions per channel, in draw order
    const int parts = partsFor(total, in.threads);
    runParts(parts, [&](int part) {
        const std::uint64_t last = partStart(total, parts, part + 1);
        std::uint64_t step = partStart(total, parts, part);
        std::uint32_t s = randomStateAfter(random, 4 * step).s;
        while (step < last) {
            const auto p = static_cast<std::size_t>(step / n);
            const auto first = static_cast<std::int32_t>(step % n);
            const auto end = static_cast<std::int32_t>(std::min<std::uint64_t>(n, first + (last - step)));
            const PairPlacement& place = plan[p];
            const std::int64_t start = static_cast<std::int64_t>(p) * in.blockFrames + in.rate;
            std::int16_t* left = out.samples.data() + 2 * (start + place.leftDelay);
            std::int16_t* right = out.samples.data() + 2 * (start + place.rightDelay) + 1;
            const auto leftScale = static_cast<double>(place.leftFactor * in.gain);
            const auto rightScale = static_cast<double>(place.rightFactor * in.gain);
            // The exact value, x * factor * gain in that order, for a value near a tie.
            auto exact = [&](std::int32_t x, long double factor) {
                return static_cast<long double>(x) * factor * in.gain;
            };
            BatchDraws draws;
            double approximate[2][batchSteps];
            double rounded[2][batchSteps];
            for (std::int32_t batch = first; batch < end; batch += batchSteps) {
                const int count = static_cast<int>(std::min<std::int32_t>(end - batch, batchSteps));
                const std::int16_t* x = in.x + batch;
                s = drawBatch(s, count, draws);
                for (int k = 0; k < count; ++k) {
                    approximate[0][k] = x[k] * leftScale;
                    approximate[1][k] = x[k] * rightScale;
                }
                const bool nearLeft = roundBatch(approximate[0], draws.state[0], draws.state[1], count, rounded[0]);
                const bool nearRight = roundBatch(approximate[1], draws.state[2], draws.state[3], count, rounded[1]);
                std::int16_t* leftAt = left + 2 * batch;
                std::int16_t* rightAt = right + 2 * batch;
                for (int k = 0; k < count; ++k) {
                    leftAt[2 * k] = saturatedSample(rounded[0][k]);
                    rightAt[2 * k] = saturatedSample(rounded[1][k]);
                }
                if (nearLeft || nearRight) {
                    for (int k = 0; k < count; ++k) {
                        const auto d = [&](int which) { return static_cast<std::uint32_t>(draws.state[which][k]); };
                        if (needsExactConversion(approximate[0][k], d(0), d(1)))
                            leftAt[2 * k] = ditherWithDraws(exact(x[k], place.leftFactor), drawOf(d(0)), drawOf(d(1)));
                        if (needsExactConversion(approximate[1][k], d(2), d(3)))
                            rightAt[2 * k] = ditherWithDraws(exact(x[k], place.rightFactor), drawOf(d(2)), drawOf(d(3)));
                    }
                }
            }
            step += static_cast<std::uint64_t>(end - first);
        }
    });
    random = randomStateAfter(random, 4 * total);
    return true;
}

}  // namespace auralith
