// The headphone render of a whole sweep, on two cores, measured as it is made: each core renders
// and measures one part of the output, the parts meeting where the sweep's loudness is measured
// in two parts (sweepLoudness), so that the loudness is the one a single pass would give. The
// caller hears of each run of frames once it is rendered and measured, and may let go of it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "sim/headphones/binaural_render.h"

namespace auralith {

struct MeasuredHeadphones {
    bool done = false;  // false: the memory for the blocks or the meters could not be had
    std::optional<double> loudness;
    std::int64_t clipped = 0;
};

// `stereo` the sweep's stereo render of n samples at `rate`; `out` of the same length. `made`
// is called from the part's own thread with [begin, end) of each run of frames. Without
// `measure` no loudness is taken (for the benchmarks beside converters that take none).
MeasuredHeadphones renderSweepHeadphones(const BinauralRender& render, std::span<const std::int16_t> stereo,
                                         std::span<std::int16_t> out, std::int32_t rate, std::int32_t n,
                                         const std::function<void(std::int64_t, std::int64_t)>& made,
                                         bool measure = true);

}  // namespace auralith
