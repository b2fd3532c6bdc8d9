// The integrated loudness of a stereo output (ITU-R BS.1770-4, as EBU R128 measures it), by
// libebur128: its K-weighting filter, its blocks and its gates.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "sim/model/arrays.h"

namespace auralith {

// Of 16-bit stereo samples interleaved by frame, in one pass. -inf for an output that every
// gate leaves out (silence); empty when libebur128 cannot start (no memory).
std::optional<double> integratedLoudness(std::span<const std::int16_t> samples, std::int32_t rate);

// The same value for an output of the sweep of n samples, measured in two parts side by side.
// The parts meet in the second of silence between two positions, on the 400 ms grid of
// libebur128's blocks and buffer, and the second part starts 300 ms before the first one ends, so
// that together they make exactly the blocks of the one pass, each summed in the same order. Its
// filter starts from rest; the one pass's has come all but to rest there, and what differs dies
// away long before the next sound. That holds where the silence is exact zeros; the tree dithers
// its silence, where the two filters' last bits never settle to the same, so its output is
// measured in one pass.
std::optional<double> sweepLoudness(MicArray array, std::span<const std::int16_t> samples, std::int32_t rate,
                                    std::int32_t n);

// Where the second part starts (a frame on the 100 ms grid), or 0 when the output is not split.
std::int64_t sweepLoudnessSplit(std::int32_t rate, std::int32_t n);

}  // namespace auralith
