// The program's six renderers. Each fills `out` (the 2F samples of the output, zero) with the
// samples the straightforward renderers give, and leaves the generator where they leave it. Only
// a renderer whose delays would reach past its position's block refuses (returns false).
#pragma once

#include <cstdint>
#include <span>

#include "sim/fast/render_options.h"
#include "sim/model/frame.h"
#include "sim/model/random.h"

namespace auralith {

using Renderer = bool (*)(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                          RandomState& random);

bool renderBlumleinPair(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                        RandomState& random);
bool renderCardioidPair(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                        RandomState& random);
bool renderFaulknerPair(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                        RandomState& random);
bool renderOrtfPair(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                    RandomState& random);
bool renderSpacedOmniPair(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                          RandomState& random);
bool renderThreeOmniTree(const SweepInput& in, const RenderOptions& options, std::span<std::int16_t> out,
                         RandomState& random);

}  // namespace auralith
