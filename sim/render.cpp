#include "sim/render.h"

#include <variant>

#include "sim/fast/pair_render.h"
#include "sim/fast/renderers.h"
#include "sim/fast/tree_render.h"

namespace auralith {

namespace {

// The renderer of each menu choice, in menu order.
constexpr Renderer renderers[micArrayCount] = {
    renderBlumleinPair, renderCardioidPair,   renderFaulknerPair,
    renderOrtfPair,     renderSpacedOmniPair, renderThreeOmniTree,
};

// A described array on the renderers the built-in pairs and tree run on, from its placements.
RenderOutcome renderLayout(const MicLayout& layout, const SweepInput& in, const RenderOptions& options,
                           std::span<std::int16_t> out, RandomState& random) {
    if (layout.count == 3) {
        const TreePlan plan = sweepPlan([&](int p) { return layoutTreePlacement(layout, p, in.deg, in.rate); });
        return renderTreePlan(in, options, plan, out, random);
    }
    const SweepPlan plan = sweepPlan([&](int p) { return layoutPairPlacement(layout, p, in.deg, in.rate); });
    return renderPairs(in, options, plan, out, random);
}

}  // namespace

RenderOutcome renderStereoInto(const AnyArray& choice, std::span<const std::int16_t> samples, std::int32_t rate,
                               double gain, RandomState& random, std::span<std::int16_t> out,
                               const RenderOptions& options) {
    const SweepInput in = sweepInputFor(samples, rate, gain);
    if (out.size() != 2 * static_cast<std::size_t>(in.frames)) return {};
    if (const auto* layout = std::get_if<MicLayout>(&choice)) return renderLayout(*layout, in, options, out, random);
    const auto index = static_cast<int>(std::get<MicArray>(choice)) - 1;
    if (index < 0 || index >= micArrayCount) return {};
    return renderers[index](in, options, out, random);
}

std::optional<StereoBuffer> renderStereo(const AnyArray& choice, std::span<const std::int16_t> samples,
                                         std::int32_t rate, double gain, RandomState& random,
                                         const RenderOptions& options) {
    StereoBuffer out;
    out.frames = static_cast<std::int32_t>(outputFrameCount(rate, static_cast<std::int32_t>(samples.size())));
    out.samples = SampleStorage::zeroed(2 * static_cast<std::size_t>(out.frames));
    const RenderOutcome rendered = renderStereoInto(choice, samples, rate, gain, random, out.view(), options);
    if (!rendered) return std::nullopt;
    out.clipped = rendered.clipped;
    return out;
}

}  // namespace auralith
