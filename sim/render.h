// The audio core's entry: the chosen array's render of a recording (a built-in array of the menu
// or one described by its microphones), from the samples and the
// rate it is given, into a buffer of its own or into memory it is lent (such as the pages of the
// output file itself). Pure computation: no files, no screen.
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

namespace auralith {

// Renders into `out`, which must hold the recording's 2F output samples, all zero. Refused when
// its size is wrong or the renderer cannot run; else with the count of samples clipped.
RenderOutcome renderStereoInto(const AnyArray& choice, std::span<const std::int16_t> samples, std::int32_t rate,
                               double gain, RandomState& random, std::span<std::int16_t> out,
                               const RenderOptions& options = {});

// Creates the output buffer and renders into it (its `clipped` the render's count). Empty when
// its memory cannot be had.
std::optional<StereoBuffer> renderStereo(const AnyArray& choice, std::span<const std::int16_t> samples,
                                         std::int32_t rate, double gain, RandomState& random,
                                         const RenderOptions& options = {});

}  // namespace auralith
