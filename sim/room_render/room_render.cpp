#include "sim/room_render/room_render.h"

#include <algorithm>
#include <new>

#include "sim/fast/parallel.h"
#include "sim/model/arrays.h"

namespace auralith {

namespace {

// The frames a segment reaches, against the output.
struct Stretch {
    std::int64_t first = 0;
    std::int64_t end = 0;
};

Stretch stretchOf(const RoomSweep& sweep, std::size_t p) {
    const PlanSegment& s = sweep.plan.segments[p];
    std::int32_t low = 0, high = 0;
    bool any = false;
    for (const auto& taps : s.taps)
        for (const PlanTap& tap : taps) {
            low = any ? std::min(low, tap.delay) : tap.delay;
            high = any ? std::max(high, tap.delay) : tap.delay;
            any = true;
        }
    return {s.start + low + sweep.reach[p].lead, s.start + high + s.length + sweep.reach[p].tail};
}

// The direct sound's values over the stretch: each folded channel's x * factor * gain at its tap,
// or the held mix of the microphones' tracks, as the straightforward renderer computes them.
void addDirect(const RenderPlan& plan, const PlanSegment& s, std::span<const std::int16_t> x, double gain,
               SegmentValues& v) {
    const auto at = [&](std::int32_t delay) { return static_cast<std::size_t>(s.start + delay - v.first); };
    if (plan.mix == ChannelMix::folded) {
        for (std::size_t c = 0; c < v.channels.size(); ++c) {
            const PlanTap& tap = s.taps[c].front();
            for (std::int32_t i = 0; i < s.length; ++i)
                v.channels[c][at(tap.delay) + static_cast<std::size_t>(i)] =
                    channelValue(x[static_cast<std::size_t>(i)], tap.factor, gain);
        }
        return;
    }
    const std::size_t frames = v.channels.front().size();
    std::vector<std::vector<double>> tracks(s.taps.size(), std::vector<double>(frames));
    for (std::size_t m = 0; m < tracks.size(); ++m)
        for (const PlanTap& tap : s.taps[m])
            for (std::int32_t i = 0; i < s.length; ++i)
                tracks[m][at(tap.delay) + static_cast<std::size_t>(i)] +=
                    treeHeldValue(x[static_cast<std::size_t>(i)], tap.factor, gain);
    for (std::size_t c = 0; c < v.channels.size(); ++c)
        for (std::size_t k = 0; k < frames; ++k) {
            long double sum = 0;
            for (std::size_t m = 0; m < tracks.size(); ++m)
                if (const long double share = plan.shares[m][c]; share != 0) sum += share * tracks[m][k];
            v.channels[c][k] = sum * plan.scale;
        }
}

std::int64_t longestReflection(const RoomSweep& sweep) {
    std::int64_t longest = 0;
    for (const auto& channels : sweep.reflections)
        for (const RoomResponse& r : channels) longest = std::max<std::int64_t>(longest, std::ssize(r.samples));
    return longest;
}

std::int16_t ditherCounted(long double value, RandomState& random, std::int64_t& clipped) {
    const double first = unitRandom(random);
    const double second = unitRandom(random);
    clipped += clipsAtFullScale(ditheredInteger(value, first, second));
    return ditherWithDraws(value, first, second);
}

}  // namespace

std::optional<RecordingSpectra> sweepSpectra(const RoomSweep& sweep, std::span<const std::int16_t> x) {
    return recordingSpectra(x, longestReflection(sweep));
}

std::optional<SegmentValues> segmentValues(const RoomSweep& sweep, const RecordingSpectra& spectra,
                                           std::span<const std::int16_t> x, double gain, int segment) {
    const auto p = static_cast<std::size_t>(segment);
    const PlanSegment& s = sweep.plan.segments[p];
    const Stretch stretch = stretchOf(sweep, p);
    const double g = gain * sweep.gain;
    SegmentValues v;
    v.first = stretch.first;
    try {
        v.channels.assign(static_cast<std::size_t>(sweep.plan.format.channels),
                          std::vector<long double>(static_cast<std::size_t>(stretch.end - stretch.first)));
        addDirect(sweep.plan, s, x.first(static_cast<std::size_t>(s.length)), g, v);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    bool had = true;
    runParts(static_cast<int>(v.channels.size()), [&](int c) {
        const RoomResponse& r = sweep.reflections[p][static_cast<std::size_t>(c)];
        if (r.samples.empty()) return;
        const auto wet = convolveRecording(spectra, r.samples);
        if (!wet) {
            had = false;
            return;
        }
        auto* at = v.channels[static_cast<std::size_t>(c)].data() + (s.start + r.start - v.first);
        for (std::size_t i = 0; i < wet->size(); ++i) at[i] += static_cast<long double>((*wet)[i] * g);
    });
    if (!had) return std::nullopt;
    return v;
}

RenderOutcome renderRoomInto(const RoomSweep& sweep, std::span<const std::int16_t> x, double gain, RandomState& random,
                             std::span<std::int16_t> out) {
    const RenderPlan& plan = sweep.plan;
    const auto channels = static_cast<std::size_t>(plan.format.channels);
    if (out.size() != static_cast<std::size_t>(plan.frames) * channels)
        return {false, 0, "the output does not hold the plan's samples"};
    const auto spectra = sweepSpectra(sweep, x);
    if (!spectra) return {false, 0, "there is not enough memory for the recording's transforms"};
    std::int64_t clipped = 0;
    std::int64_t next = 0;  // the held mix's next frame to convert
    for (std::size_t p = 0; p < plan.segments.size(); ++p) {
        const auto values = segmentValues(sweep, *spectra, x, gain, static_cast<int>(p));
        if (!values) return {false, 0, "there is not enough memory for the room's render"};
        const PlanSegment& s = plan.segments[p];
        if (plan.mix == ChannelMix::folded) {
            for (std::int64_t i = sweep.reach[p].lead; i < s.length + sweep.reach[p].tail; ++i)
                for (std::size_t c = 0; c < channels; ++c) {
                    const std::int64_t frame = s.start + s.taps[c].front().delay + i;
                    out[channels * static_cast<std::size_t>(frame) + c] = ditherCounted(
                        values->channels[c][static_cast<std::size_t>(frame - values->first)], random, clipped);
                }
            continue;
        }
        const std::int64_t end = values->first + std::ssize(values->channels.front());
        for (; next < end; ++next)
            for (std::size_t c = 0; c < channels; ++c) {
                const long double v =
                    next < values->first ? 0.0L : values->channels[c][static_cast<std::size_t>(next - values->first)];
                out[channels * static_cast<std::size_t>(next) + c] = ditherCounted(v, random, clipped);
            }
    }
    if (plan.mix == ChannelMix::held)
        for (; next < plan.frames; ++next)
            for (std::size_t c = 0; c < channels; ++c)
                out[channels * static_cast<std::size_t>(next) + c] = ditherCounted(0.0L, random, clipped);
    return {true, clipped, {}};
}

}  // namespace auralith
