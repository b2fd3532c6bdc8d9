// The program's six renderers. Each fills `out` (the 2F samples of the output, zero) with the
// samples the straightforward renderers give, counts the samples it clips as they do, and leaves
// the generator where they leave it. Only a renderer whose delays would reach past its position's
// block refuses.
#pragma once

#include <cstdint>
#include <span>

#include "sim/fast/render_options.h"
#include "sim/model/frame.h"
#include "sim/model/random.h"

namespace auralith {

// What every renderer is: the sweep's input and the run settings in, the output and the
// generator's state out.
using RenderFunction = RenderOutcome(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                                     RandomState& random);
using Renderer = RenderFunction*;

RenderFunction renderBlumleinPair;
RenderFunction renderCardioidPair;
RenderFunction renderFaulknerPair;
RenderFunction renderOrtfPair;
RenderFunction renderSpacedOmniPair;
RenderFunction renderThreeOmniTree;

}  // namespace auralith
