#include "sim/room_render/room_sweep.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sim/plan/plan_builder.h"

namespace auralith {

namespace {

std::vector<std::vector<PlanTap>> planDirectTaps(const RenderPlan& plan, const PlanSegment& segment) {
    const auto channels = static_cast<std::size_t>(plan.format.channels);
    if (plan.mix == ChannelMix::folded) return segment.taps;
    std::vector<std::vector<PlanTap>> out(channels);
    for (std::size_t m = 0; m < segment.taps.size(); ++m)
        for (std::size_t c = 0; c < channels; ++c)
            if (const long double share = plan.shares[m][c]; share != 0)
                for (const PlanTap& tap : segment.taps[m])
                    out[c].push_back({tap.delay, tap.factor * share * plan.scale});
    return out;
}

struct DelaySpan {
    std::int32_t first = std::numeric_limits<std::int32_t>::max();
    std::int32_t last = std::numeric_limits<std::int32_t>::min();
};

DelaySpan delaySpan(const PlanSegment& segment) {
    DelaySpan span;
    for (const auto& taps : segment.taps)
        for (const PlanTap& tap : taps) span = {std::min(span.first, tap.delay), std::max(span.last, tap.delay)};
    return span;
}

// The reach of one segment's reflections around its direct sound: in the folded mix each
// channel's frames run from its tap's delay + lead to delay + n + tail, and they must hold every
// reflection of that channel; the held mix takes every frame, the same reach keeps the layout.
SegmentReach segmentReach(const RenderPlan& plan, const PlanSegment& segment, const std::vector<RoomResponse>& r) {
    const DelaySpan span = delaySpan(segment);
    SegmentReach reach;
    for (std::size_t c = 0; c < r.size(); ++c) {
        if (r[c].samples.empty()) continue;
        const bool folded = plan.mix == ChannelMix::folded;
        const std::int64_t first = folded ? segment.taps[c].front().delay : span.first;
        const std::int64_t last = folded ? segment.taps[c].front().delay : span.last;
        reach.lead = static_cast<std::int32_t>(std::min<std::int64_t>(reach.lead, r[c].start - first));
        reach.tail = static_cast<std::int32_t>(
            std::max<std::int64_t>(reach.tail, r[c].start + std::ssize(r[c].samples) - 1 - last));
    }
    return reach;
}

double energyOf(const std::vector<double>& samples, std::size_t channel, std::size_t channels) {
    double sum = 0;
    for (std::size_t i = channel; i < samples.size(); i += channels) sum += samples[i] * samples[i];
    return sum;
}

// The room's gain from the mixed responses at gain 1 and their direct parts.
double roomGain(const RoomSweep& sweep) {
    double direct = 0, whole = 0;
    bool rings = false;
    for (std::size_t p = 0; p < sweep.plan.segments.size(); ++p) {
        const auto taps = planDirectTaps(sweep.plan, sweep.plan.segments[p]);
        const MixedResponse mixed = mixedResponse(sweep, static_cast<int>(p));
        for (std::size_t c = 0; c < taps.size(); ++c) {
            double d = 0;
            for (const PlanTap& tap : taps[c]) d += static_cast<double>(tap.factor * tap.factor);
            direct = std::max(direct, d);
            whole = std::max(whole, energyOf(mixed.samples, c, taps.size()));
            rings = rings || !sweep.reflections[p][c].samples.empty();
        }
    }
    return rings && whole > direct && whole > 0 ? std::sqrt(direct / whole) : 1.0;
}

}  // namespace

RoomSweep roomSweep(const AnyArray& array, const RoomField& field, RoomResponses responses, std::int32_t n,
                    const SweepPositions& positions, double radius) {
    RoomSweep sweep;
    Program program = sweepProgram({responses.format.rate, responses.format.channels}, n, positions);
    program.radius = radius;
    sweep.plan = planFor(array, program, field);
    sweep.reflections = std::move(responses.channels);
    for (std::size_t p = 0; p < sweep.plan.segments.size(); ++p)
        sweep.reach.push_back(segmentReach(sweep.plan, sweep.plan.segments[p], sweep.reflections[p]));
    const std::vector<SegmentExtent> extents[] = {segmentExtents(sweep)};
    placeSweep(sweep, sharedLayout(extents, n, responses.format.rate), 1);
    sweep.gain = roomGain(sweep);
    return sweep;
}

FadedFrames fadedAfter(const RoomSweep& sweep, int segment) {
    const auto p = static_cast<std::size_t>(segment);
    const std::vector<PlanSegment>& segments = sweep.plan.segments;
    if (segment < 0 || p + 1 >= segments.size()) return {};
    const PlanSegment& s = segments[p];
    const PlanSegment& next = segments[p + 1];
    return {s.start + delaySpan(s).last + s.length + sweep.reach[p].tail / 2,
            next.start + delaySpan(next).first + sweep.reach[p + 1].lead};
}

std::int64_t longestReflection(const RoomSweep& sweep) {
    std::int64_t longest = 0;
    for (const auto& channels : sweep.reflections)
        for (const RoomResponse& r : channels) longest = std::max<std::int64_t>(longest, std::ssize(r.samples));
    return longest;
}

std::vector<SegmentExtent> segmentExtents(const RoomSweep& sweep) {
    std::vector<SegmentExtent> extents;
    for (std::size_t p = 0; p < sweep.plan.segments.size(); ++p) {
        const DelaySpan span = delaySpan(sweep.plan.segments[p]);
        extents.push_back({span.first + sweep.reach[p].lead, span.last + sweep.reach[p].tail});
    }
    return extents;
}

void placeSweep(RoomSweep& sweep, const SweepLayout& layout, double gain) {
    for (std::size_t p = 0; p < sweep.plan.segments.size() && p < layout.starts.size(); ++p)
        sweep.plan.segments[p].start = layout.starts[p];
    sweep.plan.frames = layout.frames;
    sweep.gain = gain;
}

std::vector<std::vector<PlanTap>> directTaps(const RoomSweep& sweep, int segment) {
    return planDirectTaps(sweep.plan, sweep.plan.segments[static_cast<std::size_t>(segment)]);
}

MixedResponse mixedResponse(const RoomSweep& sweep, int segment) {
    const auto channels = static_cast<std::size_t>(sweep.plan.format.channels);
    const std::int64_t origin = -(sweep.plan.format.rate / 10);
    const auto p = static_cast<std::size_t>(segment);
    const auto taps = planDirectTaps(sweep.plan, sweep.plan.segments[p]);
    std::int64_t last = 0;
    for (std::size_t c = 0; c < channels; ++c) {
        for (const PlanTap& tap : taps[c]) last = std::max<std::int64_t>(last, tap.delay);
        const RoomResponse& r = sweep.reflections[p][c];
        last = std::max<std::int64_t>(last, r.start + std::ssize(r.samples) - 1);
    }
    MixedResponse mixed{{sweep.plan.format.rate, static_cast<int>(channels)},
                        std::vector<double>(static_cast<std::size_t>(last - origin + 1) * channels)};
    for (std::size_t c = 0; c < channels; ++c) {
        for (const PlanTap& tap : taps[c])
            mixed.samples[static_cast<std::size_t>(tap.delay - origin) * channels + c] +=
                static_cast<double>(tap.factor) * sweep.gain;
        const RoomResponse& r = sweep.reflections[p][c];
        for (std::size_t i = 0; i < r.samples.size(); ++i)
            mixed.samples[(static_cast<std::size_t>(r.start - origin) + i) * channels + c] += r.samples[i] * sweep.gain;
    }
    return mixed;
}

}  // namespace auralith
