// The renderer of three microphones mixed as the tree mixes: each channel half the centre
// microphone plus its outer one, times 0.7612, converted for every frame, silent ones included.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sim/fast/render_options.h"
#include "sim/fast/sweep_plan.h"
#include "sim/model/arrays.h"
#include "sim/model/frame.h"
#include "sim/model/random.h"

namespace auralith {

using TreePlan = std::vector<TreePlacement>;  // one placement per position

// Refused when a delay would take a position's sound into another's block, or a factor reaches 2
// (the bound of the double-precision mix).
RenderOutcome renderTreePlan(const SweepInput& in, const RenderOptions& options, const TreePlan& plan,
                             std::span<std::int16_t> out, RandomState& random);

}  // namespace auralith
