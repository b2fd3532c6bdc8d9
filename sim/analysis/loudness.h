// The integrated loudness of a stereo output (ITU-R BS.1770-4, as EBU R128 measures it), by
// libebur128: its K-weighting filter, its blocks and its gates.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace auralith {

// Of 16-bit stereo samples interleaved by frame, in one pass. -inf for an output that every
// gate leaves out (silence); empty when libebur128 cannot start (no memory).
std::optional<double> integratedLoudness(std::span<const std::int16_t> samples, std::int32_t rate);

// The same value for an output of the sweep of n samples, measured in two parts side by side.
// The parts meet in the middle of a second of silence between two positions, on the 100 ms grid
// of the loudness blocks, and the second part starts 300 ms before that, so that together they
// make exactly the blocks of one pass; its filter then starts from rest, as the one pass's
// filter has come to rest (to far below the last bit) half a second into the silence.
std::optional<double> sweepLoudness(std::span<const std::int16_t> samples, std::int32_t rate, std::int32_t n);

// Where the second part starts (a frame on the 100 ms grid), or 0 when the output is not split.
std::int64_t sweepLoudnessSplit(std::int32_t rate, std::int32_t n);

}  // namespace auralith
