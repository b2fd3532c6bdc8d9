// The straightforward renderers: the model as it reads, every conversion through the generator
// in turn, the spaced arrays through per-microphone tracks that are interleaved at the end. The
// program's own renderers must give exactly their samples; the tests and benchmarks compare
// against them.
#pragma once

#include <cstdint>
#include <span>

#include "sim/free/mic_layout.h"
#include "sim/model/arrays.h"
#include "sim/model/frame.h"
#include "sim/model/random.h"
#include "sim/model/stereo_buffer.h"

namespace auralith::reference {

// Renders the chosen array into `out`, which holds 2F zero samples, counting the samples it
// clips. Refused only when the memory for its tracks cannot be had.
RenderOutcome renderReferenceInto(MicArray choice, const SweepInput& in, RandomState& random,
                                  std::span<std::int16_t> out);

// A described array the same way: a pair through two tracks, three microphones as the tree.
RenderOutcome renderReferenceInto(const MicLayout& layout, const SweepInput& in, RandomState& random,
                                  std::span<std::int16_t> out);

// A whole render into a fresh buffer (empty when the memory cannot be had).
StereoBuffer renderReference(const AnyArray& choice, const SweepInput& in, RandomState& random);

}  // namespace auralith::reference
