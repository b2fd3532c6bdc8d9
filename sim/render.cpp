#include "sim/render.h"

#include "sim/fast/renderers.h"

namespace auralith {

namespace {

// The renderer of each menu choice, in menu order.
constexpr Renderer renderers[micArrayCount] = {
    renderBlumleinPair, renderCardioidPair,   renderFaulknerPair,
    renderOrtfPair,     renderSpacedOmniPair, renderThreeOmniTree,
};

}  // namespace

bool renderStereoInto(MicArray choice, std::span<const std::int16_t> samples, std::int32_t rate, double gain,
                      RandomState& random, std::span<std::int16_t> out, const RenderOptions& options) {
    const SweepInput in = sweepInputFor(samples, rate, gain);
    if (out.size() != 2 * static_cast<std::size_t>(in.frames)) return false;
    const auto index = static_cast<int>(choice) - 1;
    if (index < 0 || index >= micArrayCount) return false;
    return renderers[index](in, options, out, random);
}

std::optional<StereoBuffer> renderStereo(MicArray choice, std::span<const std::int16_t> samples, std::int32_t rate,
                                         double gain, RandomState& random, const RenderOptions& options) {
    StereoBuffer out;
    out.frames = static_cast<std::int32_t>(outputFrameCount(rate, static_cast<std::int32_t>(samples.size())));
    out.samples = SampleStorage::zeroed(2 * static_cast<std::size_t>(out.frames));
    if (!renderStereoInto(choice, samples, rate, gain, random, out.view(), options)) return std::nullopt;
    return out;
}

}  // namespace auralith
