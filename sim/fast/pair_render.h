// The renderer every pair shares, built in or described: for each position and input sample, the
// left microphone's value then the right one's, each converted with its two draws and written
// straight into the output at its own delayed frame. The straightforward renderers go through per-microphone
// tracks; these need none, since a position's sound never reaches another position's frames.
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

using SweepPlan = std::vector<PairPlacement>;  // one placement per position

// Every delay must keep a position's sound within half a second of its own place, so that it
// never meets another position's sound nor leaves the output.
bool delaysFitTheBlocks(const SweepPlan& plan, std::int32_t rate);

// Refused when the delays do not fit, a factor reaches 2, or the plan has not the input's positions.
RenderOutcome renderPairs(const SweepInput& in, const RenderOptions& options, const SweepPlan& plan,
                          std::span<std::int16_t> out, RandomState& random);

}  // namespace auralith
