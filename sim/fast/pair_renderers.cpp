// The five pairs: each one's placements, then the shared pair renderer.
#include "sim/fast/pair_render.h"
#include "sim/fast/renderers.h"

namespace auralith {

namespace {

template <typename ResponsesAt>
SweepPlan coincidentPlan(double deg, ResponsesAt responsesAt) {
    return sweepPlan([&](int p) {
        const ChannelFactors r = responsesAt(p, deg);
        return PairPlacement{0, 0, r.left, r.right};
    });
}

}  // namespace

RenderOutcome renderBlumleinPair(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                                 RandomState& random) {
    return renderPairs(in, options, coincidentPlan(in.deg, blumleinResponses), out, random);
}

RenderOutcome renderCardioidPair(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                                 RandomState& random) {
    return renderPairs(in, options, coincidentPlan(in.deg, cardioidResponses), out, random);
}

RenderOutcome renderFaulknerPair(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                                 RandomState& random) {
    const SweepPlan plan = sweepPlan([&](int p) { return faulknerPlacement(p, in.deg, in.rate); });
    return renderPairs(in, options, plan, out, random);
}

RenderOutcome renderOrtfPair(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                             RandomState& random) {
    const SweepPlan plan = sweepPlan([&](int p) { return ortfPlacement(p, in.deg, in.rate); });
    return renderPairs(in, options, plan, out, random);
}

RenderOutcome renderSpacedOmniPair(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                                   RandomState& random) {
    const double reference = omniReferenceDistance(in.deg);
    const SweepPlan plan = sweepPlan([&](int p) { return spacedOmniPlacement(p, in.deg, in.rate, reference); });
    return renderPairs(in, options, plan, out, random);
}

}  // namespace auralith
