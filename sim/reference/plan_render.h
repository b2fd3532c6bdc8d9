// The straightforward renderer of any plan: the model as it reads, every conversion through the
// generator in turn. A folded plan converts each channel's value for every sample of every
// segment, channel after channel, into the channel's track at its delay; a held plan holds each
// microphone's taps on its own track and converts every frame's mix, channel after channel. The
// program's renderers must give exactly its samples.
#pragma once

#include <cstdint>
#include <span>

#include "sim/model/frame.h"
#include "sim/model/random.h"
#include "sim/scene/render_plan.h"

namespace auralith::reference {

// Renders into `out`, which holds the plan's frames times channels zero samples, counting the
// samples it clips. Refused, with the reason, for what it cannot render: an output of another
// size, a folded channel of other than one tap, a sound that would start before the output, and
// memory it cannot have.
RenderOutcome renderPlan(const RenderPlan& plan, std::span<const std::int16_t> x, double gain, RandomState& random,
                         std::span<std::int16_t> out);

}  // namespace auralith::reference
