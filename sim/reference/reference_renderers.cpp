#include "sim/reference/reference_renderers.h"

#include "sim/plan/plan_builder.h"
#include "sim/reference/plan_render.h"

namespace auralith::reference {

RenderOutcome renderReferenceInto(const AnyArray& array, const SweepInput& in, RandomState& random,
                                  std::span<std::int16_t> out, const SweepPositions& positions) {
    const RenderPlan plan = planFor(array, sweepProgram({in.rate, 2}, in.n, positions));
    return renderPlan(plan, in.x, in.gain, random, out);
}

StereoBuffer renderReference(const AnyArray& array, const SweepInput& in, RandomState& random,
                             const SweepPositions& positions) {
    StereoBuffer out;
    out.frames = in.frames;
    out.samples = SampleStorage::zeroed(2 * static_cast<std::size_t>(in.frames));
    if (out.samples.size() == 0 && in.frames > 0) return {};
    const RenderOutcome rendered = renderReferenceInto(array, in, random, out.view(), positions);
    if (!rendered) return {};
    out.clipped = rendered.clipped;
    return out;
}

}  // namespace auralith::reference
