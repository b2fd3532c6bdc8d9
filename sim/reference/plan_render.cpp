#include "sim/reference/plan_render.h"

#include <algorithm>

#include "sim/model/arrays.h"
#include "sim/reference/mic_track.h"

namespace auralith::reference {

namespace {

// ditherToSample, with the value counted in `clipped` when it lies beyond full scale.
std::int16_t ditherCounted(long double value, RandomState& random, std::int64_t& clipped) {
    const double first = unitRandom(random);
    const double second = unitRandom(random);
    clipped += clipsAtFullScale(ditheredInteger(value, first, second));
    return ditherWithDraws(value, first, second);
}

// The reason a plan cannot be rendered here, or empty; `end` the frame after the last one any tap reaches.
std::string_view planFault(const RenderPlan& plan, std::span<const std::int16_t> x, std::int64_t& end) {
    end = plan.frames;
    for (const PlanSegment& segment : plan.segments) {
        if (segment.length > static_cast<std::int64_t>(x.size())) return "a segment plays more than the recording";
        for (const std::vector<PlanTap>& taps : segment.taps) {
            if (plan.mix == ChannelMix::folded && taps.size() != 1)
                return "a folded mix takes one tap per channel; more need the held mix";
            for (const PlanTap& tap : taps) {
                if (segment.start + tap.delay < 0) return "a tap would start before the output";
                end = std::max(end, segment.start + tap.delay + segment.length);
            }
        }
    }
    return {};
}

// Each channel's value for every sample, converted channel after channel, straight into its
// frame of the output; a value whose frame lies past the output's end is converted all the same,
// so that the generator and the count go on as they would.
RenderOutcome renderFolded(const RenderPlan& plan, std::span<const std::int16_t> x, double gain, RandomState& random,
                           std::span<std::int16_t> out) {
    const auto channels = static_cast<std::size_t>(plan.format.channels);
    std::int64_t clipped = 0;
    std::vector<PlanTap> taps(channels);  // the segment's one tap of each channel
    for (const PlanSegment& segment : plan.segments) {
        for (std::size_t c = 0; c < channels; ++c) taps[c] = segment.taps[c].front();
        for (std::int32_t i = 0; i < segment.length; ++i)
            for (std::size_t c = 0; c < channels; ++c) {
                const std::int16_t sample =
                    ditherCounted(channelValue(x[static_cast<std::size_t>(i)], taps[c].factor, gain), random, clipped);
                if (const std::int64_t frame = segment.start + taps[c].delay + i; frame < plan.frames)
                    out[channels * static_cast<std::size_t>(frame) + c] = sample;
            }
    }
    return {true, clipped, {}};
}

// The frame's mix in channel c: the sum of its shares of the tracks, microphone after microphone,
// times the common scale.
long double heldMix(const RenderPlan& plan, const std::vector<MicTrack<double>>& tracks, std::size_t c, std::size_t k) {
    long double sum = 0;
    for (std::size_t m = 0; m < tracks.size(); ++m)
        if (const long double share = plan.shares[m][c]; share != 0) sum += share * tracks[m].entries[k];
    return sum * plan.scale;
}

// Each microphone's taps held on its track, then every frame's mix converted.
RenderOutcome renderHeld(const RenderPlan& plan, std::span<const std::int16_t> x, double gain, RandomState& random,
                         std::int64_t end, std::span<std::int16_t> out) {
    std::vector<MicTrack<double>> tracks;
    for (std::size_t m = 0; m < plan.shares.size(); ++m) {
        auto track = createMicTrack<double>(static_cast<std::int32_t>(end), 0);
        if (!track) return {false, 0, "there is not enough memory for the tracks"};
        tracks.push_back(std::move(*track));
    }
    for (const PlanSegment& segment : plan.segments)
        for (std::size_t m = 0; m < tracks.size(); ++m)
            for (const PlanTap& tap : segment.taps[m]) {
                double* at = tracks[m].entries.data() + (segment.start + tap.delay);
                for (std::int32_t i = 0; i < segment.length; ++i)
                    at[i] += treeHeldValue(x[static_cast<std::size_t>(i)], tap.factor, gain);
            }
    const auto channels = static_cast<std::size_t>(plan.format.channels);
    std::int64_t clipped = 0;
    for (std::size_t k = 0; k < static_cast<std::size_t>(plan.frames); ++k)
        for (std::size_t c = 0; c < channels; ++c)
            out[channels * k + c] = ditherCounted(heldMix(plan, tracks, c, k), random, clipped);
    return {true, clipped, {}};
}

}  // namespace

RenderOutcome renderPlan(const RenderPlan& plan, std::span<const std::int16_t> x, double gain, RandomState& random,
                         std::span<std::int16_t> out) {
    if (plan.format.channels < 1 || out.size() != static_cast<std::size_t>(plan.frames) * plan.format.channels)
        return {false, 0, "the output does not hold the plan's samples"};
    if (plan.mix == ChannelMix::held)
        for (const std::vector<long double>& shares : plan.shares)
            if (shares.size() != static_cast<std::size_t>(plan.format.channels))
                return {false, 0, "a microphone has no share for every channel"};
    std::int64_t end = 0;
    if (const std::string_view fault = planFault(plan, x, end); !fault.empty()) return {false, 0, fault};
    return plan.mix == ChannelMix::folded ? renderFolded(plan, x, gain, random, out)
                                          : renderHeld(plan, x, gain, random, end, out);
}

}  // namespace auralith::reference
