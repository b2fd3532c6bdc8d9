// The sweep a run sets: the stretch of the recording each position plays (--excerpt), and whether
// the renders of that many positions fit a WAVE file.
#pragma once

#include <string>

#include "job/compare/options.h"
#include "wave/recording/recording.h"

namespace auralith {

// Cuts the recording to the excerpt and says so in its description; the refusal when the excerpt
// starts at or after its end, else empty.
std::string cutToExcerpt(Recording& recording, const Excerpt& excerpt);

// Empty when the renders of the recording over the positions fit 16-bit stereo WAVE files (whose
// sizes are 32-bit); else why not.
std::string rendersTooLong(const Recording& recording, const SweepPositions& positions);

}  // namespace auralith
