// A stereo plan's dither in batches, as the free field's renderers do it (sim/fast/dither_batch.h):
// one step of the serial order is the left channel's two draws then the right one's, for a folded
// plan at sample i of the segment (each channel at its own tap's frame), for a held plan at a
// frame. The values are worked out in double precision, rounded side by side, and those that lie
// near a tie are converted again from the model's own extended-precision values.
#include <algorithm>
#include <cmath>

#include "sim/fast/dither_batch.h"
#include "sim/fast/vector_width.h"
#include "sim/room_render/segment_dither.h"

namespace auralith {

namespace {

using StereoValues = double[2][batchSteps];

template <typename Doubles, typename Words>
[[gnu::always_inline]] inline bool roundStereo(const StereoValues& values, const BatchDraws& draws, int count,
                                               StereoValues& rounded) {
    const bool left = roundLanes<Doubles, Words>(values[0], draws.state[0], draws.state[1], count, rounded[0]);
    const bool right = roundLanes<Doubles, Words>(values[1], draws.state[2], draws.state[3], count, rounded[1]);
    return left || right;
}

bool roundStereoTwoWide(const StereoValues& values, const BatchDraws& draws, int count, StereoValues& rounded) {
    return roundStereo<TwoDoubles, TwoWords>(values, draws, count, rounded);
}

#if AURALITH_WIDE_VECTORS
AURALITH_FOUR_WIDE_TARGET bool roundStereoFourWide(const StereoValues& values, const BatchDraws& draws, int count,
                                                   StereoValues& rounded) {
    return roundStereo<FourDoubles, FourWords>(values, draws, count, rounded);
}
#endif

using StereoRounder = bool (*)(const StereoValues&, const BatchDraws&, int, StereoValues&);

StereoRounder rounderFor(int width) {
#if AURALITH_WIDE_VECTORS
    if (width == 4) return roundStereoFourWide;
#endif
    static_cast<void>(width);
    return roundStereoTwoWide;
}

// Converts one batch of `count` steps from generator state s, which it moves past them: every
// sample goes to store(channel, k, sample), those near a tie again from exact(channel, k).
// Returns the samples clipped.
template <typename Exact, typename Store>
int convertBatch(const StereoValues& values, int count, StereoRounder round, std::uint32_t& s, Exact exact,
                 Store store) {
    BatchDraws draws;
    s = drawBatch(s, count, draws);
    StereoValues rounded;
    const bool nearTie = round(values, draws, count, rounded);
    int clipped = 0;
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < count; ++k) {
            clipped += static_cast<int>(clipsAtFullScale(rounded[c][k]));
            store(c, k, saturatedSample(rounded[c][k]));
        }
    if (nearTie) clipped += convertNearTiesExactly(draws, values, count, exact, store);
    return clipped;
}

// A channel's reflections at a frame, in double precision: the same product the model adds.
double wetAt(const std::vector<double>& wet, std::int64_t at, double g) {
    return at >= 0 && at < std::ssize(wet) ? wet[static_cast<std::size_t>(at)] * g : 0.0;
}

}  // namespace

// A value of the direct sound is a sum of products x * factor * gain (with the held mix's shares
// and scale); B, the largest any can reach, bounds every partial sum and product on the way too.
// The double-precision path rounds each product and sum once and each factor and share once
// more, the model's rounds each held track's term and sum once more again: fewer than E = 5 taps
// + 2 microphones + 3 roundings (a folded channel: 4), each off by at most 2^-53 B. With E B below
// 2^22 the values differ by less than 2^-31, and adding the reflections and the dither costs at
// most 2^-35 twice more where the sum can still round either side of full scale (below 2^17):
// within the 2^-30 by which a dithered value must clear a half-integer (fast_dither.h).
bool stereoBatchesHold(const Renderer& r, std::size_t p) {
    const RenderPlan& plan = r.sweep.plan;
    const PlanSegment& s = plan.segments[p];
    double largest = 0;
    double roundings = 4;
    if (plan.mix == ChannelMix::folded) {
        for (const auto& taps : s.taps)
            largest = std::max(largest, std::fabs(static_cast<double>(taps.front().factor)));
    } else {
        roundings = 3 + 2 * static_cast<double>(s.taps.size());
        for (const auto& taps : s.taps) roundings += 5 * static_cast<double>(taps.size());
        for (std::size_t c = 0; c < 2; ++c) {
            double sum = 0;
            for (std::size_t m = 0; m < s.taps.size(); ++m)
                for (const PlanTap& tap : s.taps[m])
                    sum += std::fabs(static_cast<double>(plan.shares[m][c] * tap.factor));
            largest = std::max(largest, sum * std::fabs(static_cast<double>(plan.scale)));
        }
    }
    return roundings * r.peak * largest * std::fabs(r.g) < 0x1p22;
}

void ditherFoldedStereo(const Renderer& r, const SegmentWork& w, std::size_t p, const SegmentWet& wet, std::uint32_t s,
                        std::int64_t& clipped) {
    const PlanSegment& seg = r.sweep.plan.segments[p];
    const StereoRounder round = rounderFor(r.width);
    double scale[2];
    std::int64_t frame[2];  // sample 0's
    std::int64_t wetFrom[2];
    for (std::size_t c = 0; c < 2; ++c) {
        const PlanTap& tap = seg.taps[c].front();
        scale[c] = static_cast<double>(tap.factor * r.g);
        frame[c] = seg.start + tap.delay;
        wetFrom[c] = tap.delay - r.sweep.reflections[p][c].start;
    }
    for (std::int64_t i = w.from; i < w.end; i += batchSteps) {
        const int count = static_cast<int>(std::min<std::int64_t>(w.end - i, batchSteps));
        StereoValues values;
        for (std::size_t c = 0; c < 2; ++c)
            for (int k = 0; k < count; ++k) {
                const std::int64_t j = i + k;
                const double direct = j >= 0 && j < seg.length ? r.x[static_cast<std::size_t>(j)] * scale[c] : 0.0;
                values[c][k] = direct + wetAt(wet[c], wetFrom[c] + j, r.g);
            }
        clipped += convertBatch(
            values, count, round, s,
            [&](int c, int k) { return foldedValue(r, p, wet, static_cast<std::size_t>(c), i + k); },
            [&](int c, int k, std::int16_t sample) {
                r.out[2 * static_cast<std::size_t>(frame[c] + i + k) + static_cast<std::size_t>(c)] = sample;
            });
    }
}

namespace {

// The held mix of a batch's frames [from, to) of the stretch, in double precision: each
// microphone's track as the sum of its taps' x * factor * gain, the channels' shares of them.
void heldBatchValues(const Renderer& r, std::size_t p, const SegmentWet& wet, std::int64_t frame, int from, int to,
                     std::vector<double>& tracks, StereoValues& values) {
    const RenderPlan& plan = r.sweep.plan;
    const PlanSegment& s = plan.segments[p];
    std::fill(tracks.begin(), tracks.end(), 0.0);
    for (std::size_t m = 0; m < s.taps.size(); ++m)
        for (const PlanTap& tap : s.taps[m]) {
            const auto scale = static_cast<double>(tap.factor * r.g);
            const std::int64_t first = frame - s.start - tap.delay;
            for (auto k = static_cast<int>(std::max<std::int64_t>(from, -first)); k < to && first + k < s.length; ++k)
                tracks[m * batchSteps + static_cast<std::size_t>(k)] +=
                    r.x[static_cast<std::size_t>(first + k)] * scale;
        }
    for (std::size_t c = 0; c < 2; ++c) {
        const std::int64_t wetFrom = frame - s.start - r.sweep.reflections[p][c].start;
        for (int k = from; k < to; ++k) {
            double sum = 0;
            for (std::size_t m = 0; m < s.taps.size(); ++m)
                if (plan.shares[m][c] != 0)
                    sum +=
                        static_cast<double>(plan.shares[m][c]) * tracks[m * batchSteps + static_cast<std::size_t>(k)];
            values[c][k] = sum * static_cast<double>(plan.scale) + wetAt(wet[c], wetFrom + k, r.g);
        }
    }
}

}  // namespace

void ditherHeldStereo(const Renderer& r, const SegmentWork& w, std::size_t p, const SegmentWet& wet, std::uint32_t s,
                      std::int64_t& clipped) {
    const PlanSegment& seg = r.sweep.plan.segments[p];
    const StereoRounder round = rounderFor(r.width);
    std::vector<double> tracks(seg.taps.size() * batchSteps);
    std::vector<double> exactTracks(seg.taps.size());
    for (std::int64_t frame = w.from; frame < w.end; frame += batchSteps) {
        const int count = static_cast<int>(std::min<std::int64_t>(w.end - frame, batchSteps));
        // Frames outside the stretch hear nothing: their values are 0.
        StereoValues values{};
        const auto from = static_cast<int>(std::clamp<std::int64_t>(w.stretch.first - frame, 0, count));
        const auto to = static_cast<int>(std::clamp<std::int64_t>(w.stretch.end - frame, 0, count));
        if (from < to) heldBatchValues(r, p, wet, frame, from, to, tracks, values);
        clipped += convertBatch(
            values, count, round, s,
            [&](int c, int k) {
                if (k < from || k >= to) return 0.0L;
                heldTracks(r, seg, frame + k, exactTracks);
                return heldValue(r, p, exactTracks, wet, static_cast<std::size_t>(c), frame + k);
            },
            [&](int c, int k, std::int16_t sample) {
                r.out[2 * static_cast<std::size_t>(frame + k) + static_cast<std::size_t>(c)] = sample;
            });
    }
}

}  // namespace auralith
