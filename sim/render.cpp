#include "sim/render.h"

#include "sim/fast/pair_render.h"
#include "sim/fast/tree_render.h"
#include "sim/plan/plan_builder.h"
#include "sim/reference/plan_render.h"

namespace auralith {

namespace {

bool oneTapEach(const PlanSegment& segment, std::size_t lists) {
    if (segment.taps.size() != lists) return false;
    for (const std::vector<PlanTap>& taps : segment.taps)
        if (taps.size() != 1 || taps.front().delay < INT16_MIN || taps.front().delay > INT16_MAX) return false;
    return true;
}

// The sweep's input, when the plan is a sweep of the recording whole.
std::optional<SweepInput> sweepOf(const RenderPlan& plan, std::span<const std::int16_t> samples, double gain) {
    Program program{plan.format, plan.frames, {}};
    for (const PlanSegment& s : plan.segments) program.segments.push_back({s.start, s.length, 0});
    if (plan.format.channels != 2 || !isSweep(program) || program.segments.front().length != std::ssize(samples))
        return std::nullopt;
    return sweepInputFor(samples, plan.format.rate, gain, static_cast<int>(plan.segments.size()));
}

// A pair on the fast renderers: two channels of one tap each.
std::optional<SweepPlan> pairPlacements(const RenderPlan& plan) {
    if (plan.mix != ChannelMix::folded) return std::nullopt;
    SweepPlan placements;
    for (const PlanSegment& s : plan.segments) {
        if (!oneTapEach(s, 2)) return std::nullopt;
        const PlanTap& l = s.taps[0].front();
        const PlanTap& r = s.taps[1].front();
        placements.push_back(
            {static_cast<std::int16_t>(l.delay), static_cast<std::int16_t>(r.delay), l.factor, r.factor});
    }
    return placements;
}

// The tree's mix on its fast renderer: three microphones of one tap each, the outer ones each all
// of its channel, the centre one half of each, scaled by 0.7612.
std::optional<TreePlan> treePlacements(const RenderPlan& plan) {
    const std::vector<std::vector<long double>> treeShares{{1, 0}, {0, 1}, {0.5f, 0.5f}};
    if (plan.mix != ChannelMix::held || plan.shares != treeShares || plan.scale != treeMixScale) return std::nullopt;
    TreePlan placements;
    for (const PlanSegment& s : plan.segments) {
        if (!oneTapEach(s, 3)) return std::nullopt;
        const auto tap = [&](std::size_t m) { return s.taps[m].front(); };
        placements.push_back({{static_cast<std::int16_t>(tap(0).delay), static_cast<std::int16_t>(tap(1).delay),
                               tap(0).factor, tap(1).factor},
                              static_cast<std::int16_t>(tap(2).delay),
                              tap(2).factor});
    }
    return placements;
}

}  // namespace

RenderOutcome renderPlanInto(const RenderPlan& plan, std::span<const std::int16_t> samples, double gain,
                             RandomState& random, std::span<std::int16_t> out, const RenderOptions& options) {
    if (out.size() != static_cast<std::size_t>(plan.frames) * static_cast<std::size_t>(plan.format.channels)) return {};
    if (const std::optional<SweepInput> in = sweepOf(plan, samples, gain)) {
        if (const auto pair = pairPlacements(plan)) return renderPairs(*in, options, *pair, out, random);
        if (const auto tree = treePlacements(plan)) return renderTreePlan(*in, options, *tree, out, random);
    }
    return reference::renderPlan(plan, samples, gain, random, out);
}

RenderOutcome renderStereoInto(const AnyArray& choice, std::span<const std::int16_t> samples, std::int32_t rate,
                               double gain, RandomState& random, std::span<std::int16_t> out,
                               const RenderOptions& options, const SweepPositions& positions, double radius) {
    Program program = sweepProgram({rate, 2}, static_cast<std::int32_t>(samples.size()), positions);
    program.radius = radius;
    return renderPlanInto(planFor(choice, program), samples, gain, random, out, options);
}

std::optional<StereoBuffer> renderStereo(const AnyArray& choice, std::span<const std::int16_t> samples,
                                         std::int32_t rate, double gain, RandomState& random,
                                         const RenderOptions& options, const SweepPositions& positions, double radius) {
    StereoBuffer out;
    out.frames =
        static_cast<std::int32_t>(outputFrameCount(rate, static_cast<std::int32_t>(samples.size()), positions.count()));
    out.samples = SampleStorage::zeroed(2 * static_cast<std::size_t>(out.frames));
    const RenderOutcome rendered =
        renderStereoInto(choice, samples, rate, gain, random, out.view(), options, positions, radius);
    if (!rendered) return std::nullopt;
    out.clipped = rendered.clipped;
    return out;
}

}  // namespace auralith
