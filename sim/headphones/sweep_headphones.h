// The headphone render of a whole sweep, on two cores, measured as it is made: each core renders
// and measures one part of the output a run of blocks at a time, the parts meeting where the
// sweep's loudness is measured in two parts (sweepLoudness), so that the loudness is the one a
// single pass would give. Each run is handed on as it is made; the whole render is never in
// memory here.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "sim/headphones/binaural_render.h"

namespace auralith {

struct MeasuredHeadphones {
    bool done = false;  // false: the memory for the blocks or the meters could not be had, or `put` failed
    std::optional<double> loudness;
    std::int64_t clipped = 0;
};

// Runs of frames, from frame `first` on (two samples a frame), as they are made; false ends the
// render. Called from the part's own thread.
using HeadphoneRun = std::function<bool(std::int64_t first, std::span<const std::int16_t> samples)>;

// `in` the sweep's render of n samples at `rate`, one channel a loudspeaker of `render`. Without
// `measure` no loudness is taken (for the benchmarks beside converters that take none).
MeasuredHeadphones renderSweepHeadphones(const BinauralRender& render, std::span<const std::int16_t> in,
                                         std::int32_t rate, std::int32_t n, const HeadphoneRun& put,
                                         bool measure = true);

}  // namespace auralith
