// The integrated loudness of a stereo output (ITU-R BS.1770-4, as EBU R128 measures it), by
// libebur128: its K-weighting filter, its blocks and its gates.
#pragma once

#include <cstdint>
#include <memory>
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
// away long before the next sound. Where the silence is exact zeros (the pairs) the value is the
// one pass's to the last bit; the tree dithers its silence, whose response the second part's
// filter lacks in its first few hundred samples, and its value differs from the one pass's in
// the last bits (1e-13 dB for the demo), far below the two decimals it is given with.
std::optional<double> sweepLoudness(std::span<const std::int16_t> samples, std::int32_t rate, std::int32_t n);

// Where the second part starts (a frame on the 100 ms grid), or 0 when the output is not split.
std::int64_t sweepLoudnessSplit(std::int32_t rate, std::int32_t n);

// Where an output may be split as the sweep's is, given frames [quietFrom, quietTo) that hold no
// sound, or none but some 30 dB below what is around them: on the 400 ms grid, at least 100 ms
// into them and 300 ms before their end; 0 where they are too few. Only the block that starts at
// the split hears the second part's filter start from rest, and below the relative gate it
// counts for nothing but the gate's own mean.
std::int64_t loudnessSplitIn(std::int32_t rate, std::int64_t quietFrom, std::int64_t quietTo);

// The loudness of any output measured in two parts side by side, the second from `start` (as
// loudnessSplitIn gives it); in one pass where `start` is 0.
std::optional<double> loudnessInParts(std::span<const std::int16_t> samples, std::int32_t rate, std::int64_t start);

// The same one pass fed in runs of frames as they are made, for an output that is never whole in
// memory.
class LoudnessMeter {
public:
    // Empty when libebur128 cannot start.
    static std::optional<LoudnessMeter> create(std::int32_t rate);
    // 16-bit stereo frames, interleaved, following those given before; false when the library
    // fails (no memory).
    bool add(std::span<const std::int16_t> samples);
    std::optional<double> integrated() const;
    // The loudness of two meters' frames together, as sweepLoudness joins its parts.
    friend std::optional<double> integratedOfParts(const LoudnessMeter& first, const LoudnessMeter& second);

private:
    explicit LoudnessMeter(void* state, std::int32_t rate);
    std::unique_ptr<void, void (*)(void*)> state_;
    std::int32_t rate_;
};

}  // namespace auralith
