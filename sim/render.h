// The audio core's entry: an array's render of a recording (a built-in array of the menu or a rig
// described by its microphones) over a program, from the samples it is given, into a buffer of its
// own or into memory it is lent (such as the pages of the output file itself). The array and the
// program become a plan; plans of the sweep's shape with one tap per channel (the pairs) or per
// microphone (the tree) run on the fast renderers, any other on the straightforward one. Pure
// computation: no files, no screen.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "sim/fast/render_options.h"
#include "sim/free/mic_layout.h"
#include "sim/model/arrays.h"
#include "sim/model/frame.h"
#include "sim/model/random.h"
#include "sim/model/stereo_buffer.h"
#include "sim/scene/program.h"
#include "sim/scene/render_plan.h"

namespace auralith {

// Renders the plan into `out`, which must hold its frames times channels samples, all zero.
// Refused (with the reason where the plan asks what no renderer does) when its size is wrong or
// the renderer cannot run; else with the count of samples clipped.
RenderOutcome renderPlanInto(const RenderPlan& plan, std::span<const std::int16_t> samples, double gain,
                             RandomState& random, std::span<std::int16_t> out, const RenderOptions& options = {});

// The array's sweep over `positions` on the arc of `radius` metres into `out`, which must hold the
// sweep's 2F samples, all zero.
RenderOutcome renderStereoInto(const AnyArray& choice, std::span<const std::int16_t> samples, std::int32_t rate,
                               double gain, RandomState& random, std::span<std::int16_t> out,
                               const RenderOptions& options = {}, const SweepPositions& positions = {},
                               double radius = defaultArcRadius);

// Creates the output buffer and renders into it (its `clipped` the render's count). Empty when
// its memory cannot be had.
std::optional<StereoBuffer> renderStereo(const AnyArray& choice, std::span<const std::int16_t> samples,
                                         std::int32_t rate, double gain, RandomState& random,
                                         const RenderOptions& options = {}, const SweepPositions& positions = {},
                                         double radius = defaultArcRadius);

}  // namespace auralith
