// What the two ears receive from a response played through the loudspeakers: each loudspeaker's
// channel convolved with its paths to the ears, summed per ear. A room's response lasts seconds
// and a head's paths may hold 16384 taps, so the convolution is one pair of FFTW transforms in
// double precision over the whole length rather than a direct sum.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/headphones/speaker_paths.h"

namespace auralith {

struct EarResponses {
    std::vector<double> left;
    std::vector<double> right;
};

// `channels` interleaved by frame, one channel a loudspeaker of `paths`, at the paths' rate: each
// ear's response, frames + taps - 1 long, the paths as they are (their gain is for the headphone
// renders' full scale, not applied here). Empty when the channels are not the loudspeakers' or
// hold no frame, or the memory or the transforms cannot be had.
std::optional<EarResponses> earResponses(std::span<const double> channels, const SpeakerPaths& paths);

// Where the ears' direct sound begins (ISO 3382-1's start of an impulse response): the first frame
// at which either ear's magnitude reaches a tenth (-20 dB) of the larger ear's peak; 0 when both
// are silent.
std::int64_t earsArrival(const EarResponses& ears);

}  // namespace auralith
