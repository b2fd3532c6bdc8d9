// The straightforward renders of the sweep: an array's plan over the sweep's positions through the
// plain renderer of any plan (plan_render.h). The program's own renderers must give exactly their
// samples; the tests and benchmarks compare against them.
#pragma once

#include <cstdint>
#include <span>

#include "sim/free/mic_layout.h"
#include "sim/model/frame.h"
#include "sim/model/random.h"
#include "sim/model/stereo_buffer.h"
#include "sim/scene/program.h"

namespace auralith::reference {

// Renders the array's sweep into `out`, which holds 2F zero samples, counting the samples it
// clips. Refused only when the memory for its tracks cannot be had.
RenderOutcome renderReferenceInto(const AnyArray& array, const SweepInput& in, RandomState& random,
                                  std::span<std::int16_t> out, const SweepPositions& positions = {});

// A whole render into a fresh buffer (empty when the memory cannot be had).
StereoBuffer renderReference(const AnyArray& array, const SweepInput& in, RandomState& random,
                             const SweepPositions& positions = {});

}  // namespace auralith::reference
